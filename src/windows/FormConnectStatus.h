// The connection-status dialog: what is attached to the PC (the controller,
// the adapter box) and the PC's COM ports, one button per port. It refreshes
// itself every 2 seconds while shown.
#pragma once

#include <QDialog>
#include <QList>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;
class TSelectedImage;

class TFormConnectStatus : public QDialog
{
    Q_OBJECT
public:
    explicit TFormConnectStatus(QWidget *parent = nullptr);
    ~TFormConnectStatus() override;

    // Device panel.
    QFrame *PnlConnDevice;
    TSelectedImage *SelImDevice, *SelImDevVer, *SelImDevState;
    QLabel *LblDevVer, *LblDevState;
    QFrame *PnlDevActions;
    QPushButton *BtnDevConfig, *BtnDevUpdate, *BtnDevReset;
    // Adapter panel.
    QFrame *PnlConnAdapter;
    TSelectedImage *SelImAdapter, *SelImAdaptVer, *SelImAdaptState;
    QLabel *LblAdaptVer, *LblAdaptState;
    QFrame *PnlAdaptActions;
    QPushButton *BtnAdapterConfig, *BtnAdapterUpdate, *BtnAdapterReset;
    // PC panel.
    QFrame *PnlConnPC;
    TSelectedImage *SelImPC;
    QFrame *PnlComError;
    QScrollArea *ScBComPorts;
    QFrame *PnlComPorts;
    QLabel *LblComHint;
    QPushButton *BtBRefresh, *BtBDetect, *BtBClose;
    QTimer *TimerConnState;

    // Set by the opener before showing: the connect action, the settings-file
    // load, the adapter-file load, the two upgrade questions, and the upgrade
    // launch (true: the controller, false: the adapter box).
    std::function<void()> OnConnect;
    std::function<void()> OnLoadSettingsFile;
    std::function<void()> OnLoadAdapterFile;
    std::function<bool()> IsDeviceUpgradePossible;
    std::function<bool()> IsAdapterUpgradePossible;
    std::function<void(bool device)> OnUpgradeFirmware;
    // Runs once the upgrade launch reconnected (the settings restore offer).
    std::function<void()> OnReconnected;

    // What the later subsystems report, wired at start-up: whether the
    // adapter module is enabled and its version text (style with release and
    // revision), and the bootloader reached by the last contact (false when
    // none; type 40 or 98 is an adapter box).
    std::function<bool()> AdapterEnabled;
    std::function<QString()> AdapterVersionText;
    std::function<QString()> AdapterCompileText;
    std::function<bool(int &major, int &minor, int &type)> BootloaderReached;

    // Rebuilds the whole dialog.
    void Refresh();
    // One button per COM port present; the port in use is bold, green when
    // the device answers on it, else red.
    void RefreshComPorts();
    void SetPortButtonCount(int count);
    // Switches the connection to port (1..255; others are ignored).
    void SelectComPort(int port);
    // Runs the upgrade launch out of sight and reconnects on the configured port.
    void UpdateFirmware(bool device);
    void MarkUpdateButton(QPushButton *button, bool possible);

    QList<QPushButton *> PortButtons() const { return FPortButtons; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void refreshDevice();
    void refreshAdapter();

    QList<QPushButton *> FPortButtons;
};

extern TFormConnectStatus *FormConnectStatus;
