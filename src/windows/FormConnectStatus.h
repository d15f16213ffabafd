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
    // Why the port in use could not be opened, in plain view (hidden when
    // it is open).
    QLabel *LblPortError;
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
    // Runs when a refresh of the shown dialog finds the device connected
    // (the settings-restore offer after an upgrade).
    std::function<void()> OnReconnected;

    // What the later subsystems report: whether the adapter module is
    // enabled, its version text (style with release and revision) and its
    // compilation date and time; the bootloader reached by the last contact
    // (false when none; type 40 or 98 is an adapter box), the contact itself
    // on the port in use, and Reset (programming finished, bootloader left;
    // true when the device took it). Without them: no adapter, no bootloader.
    std::function<bool()> AdapterEnabled = [] { return false; };
    std::function<QString()> AdapterVersionText = [] { return QString(); };
    std::function<QString()> AdapterCompileText = [] { return QString(); };
    std::function<bool(int &major, int &minor, int &type)> BootloaderReached = [](int &, int &, int &) {
        return false;
    };
    std::function<bool()> ConnectBootloader = [] { return false; };
    // A port chosen in the dialog is a wish to connect on it: the main
    // window leaves offline mode, whose tick would drop the connection.
    std::function<void()> OnPortChosen = [] {};
    // Detect's second half: the adapter box's modules looked for again.
    std::function<void()> RedetectAdapter = [] {};
    // With no controller identified: the adapter box's information read
    // afresh (its version request first); a box whose version does not fit
    // its bootloader is disabled.
    std::function<void()> CheckAdapterInfo = [] {};
    std::function<bool()> ResetBootloader = [] { return false; };

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
    // With bootloader the action panel shows Reset enabled in bold red, else
    // it is cut above Reset, which is disabled.
    void ShowDevActions(bool bootloader);
    void ShowAdaptActions(bool bootloader);
    // Reset of the device or adapter left in its bootloader.
    void BtnResetClick();

    QList<QPushButton *> PortButtons() const { return FPortButtons; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // True when the device part showed a connected device.
    bool refreshDevice();
    void refreshAdapter();
    void showActions(QFrame *panel, QPushButton *reset, bool bootloader);
    // Shows or hides the reason the port in use cannot be opened.
    void showPortError();

    QList<QPushButton *> FPortButtons;
    // The adapter box is looked for in its bootloader at the next refresh
    // that finds the controller answering and no box running its program:
    // once when shown and on Detect, not on every tick (a run cut by this
    // program left what its bootloader reported).
    void probeAdapterBootloader();
    bool FAdapterProbeDue = false;
    // An upgrade launched from this dialog runs.
    bool FUpgrading = false;
};

extern TFormConnectStatus *FormConnectStatus;
