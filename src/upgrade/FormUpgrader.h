// The upgrade window: opened by the main window when a firmware upgrade
// starts, shown modally, then closed and freed by it.
#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;
class TComMultiPort;

class TFormUpgrader : public QDialog
{
    Q_OBJECT
public:
    explicit TFormUpgrader(QWidget *parent = nullptr);
    ~TFormUpgrader() override;

    // Resets the current port and reconnects (the main window's connect routine).
    std::function<void()> OnConnect;
    // May the upgrade proceed.
    std::function<void(bool &allowed)> OnUpdateQuery;
    // The port the window works with (the program's serial port).
    TComMultiPort *ComMultiPort = nullptr;

    // Result of the last CheckConnection: the target was found.
    bool Connected() const { return FConnected; }
    // An update runs.
    bool Busy() const { return FBusy; }

    // Connected := ConnectAndIdentify.
    void CheckConnection();
    // Contacts the target through its bootloader. The bootloader protocol is
    // not served yet, so no target is ever found.
    bool ConnectAndIdentify();

    void BtBConnectClick();
    void BtnCloseClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool FConnected = false;
    bool FBusy = false;
};

extern TFormUpgrader *FormUpgrader;
