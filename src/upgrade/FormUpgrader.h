// The upgrade window: opened by the main window when a firmware upgrade
// starts, shown modally, then closed and freed by it.
#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
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

    // One upgrade from the main window: creates the window with the two
    // callbacks, hands the shared port to it and to the logic, clears the
    // version texts and lets it find its target; when found, hides its port
    // controls, presses its connect button and shows it modally. Frees it.
    // BeforeModal (tests) runs on the window just before it is shown.
    // True when the device's flash was erased meanwhile.
    static bool RunUpgrade(QWidget *parent, TComMultiPort *port, std::function<void()> onConnect,
                           std::function<void(bool &allowed)> onUpdateQuery);
    static inline std::function<void(TFormUpgrader *)> BeforeModal = [](TFormUpgrader *) {};

    // Connected := ConnectAndIdentify.
    void CheckConnection();
    // Sends the target to its bootloader, reads its application's version on
    // the way, and checks the device type the bootloader reports.
    bool ConnectAndIdentify();
    void UpdateButtons();
    void ShowBootloaderInfo();
    // 0 starts the time display, 1 is its tick, 2 stops it.
    void SetUpgradeState(int state);
    void SetTimeLeft(int seconds);
    QString TranslateUpgraderText(const QString &text) const;
    void ShowUpgraderMessage(const QString &text);
    void UpdateOpenDialogFilter();

    void BtBConnectClick();
    void BtnLoadDataClick();
    void BtnUpdateClick();
    void BtnCloseClick();

    // The chosen upgrade file (empty: none).
    QString FileName() const { return FFileName; }
    // The open dialog's filter and filter index (1 or 2).
    QString OpenDialogFilter() const { return FFilter; }
    int OpenDialogFilterIndex() const { return FFilterIndex; }
    // Runs the open-file dialog; an empty result is a cancel. Tests replace it.
    std::function<QString(const QString &filter)> ChooseFile;
    // Fixed pauses of the window's sequence (ms), keeping the window
    // responsive. Tests replace it.
    std::function<void(int ms)> Wait;

    QPushButton *BtnLoadData, *BtBConnect, *BtnUpdate, *BtnClose, *BtnOpen;
    QLineEdit *EdtFileNameName, *EdtDescDevice, *EdtDescFile;
    QLabel *LblBootloaderVer, *LblFirmwareVer, *LblTime, *LblComm;
    QComboBox *CmBCommNo;
    QWidget *PnlUpdate, *PnlTime;
    QProgressBar *PrBProgram;
    QCheckBox *ChBWriteDefaultSettings, *ChBEnableAdapter;
    QTimer *TimerUpdateTime;

    // Every way of closing (Close, Escape, the title bar) ends here: refused
    // while an update runs, put off until a running step has stopped, else
    // the leave sequence runs first.
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Runs one step of a button (identification, file choice, update run).
    // The step's waits let the window's events run, so a second activation
    // would start a step inside it: while one runs, others are refused.
    void runStep(const std::function<void()> &step);
    void connectClick();
    void loadData();
    void update();
    // Waits ms unless a close is wanted; false when the step is to stop.
    bool pause(int ms);
    // A device this program sent from its running program into its
    // bootloader, refused before anything was erased, goes back to its
    // program, saying so.
    void returnToProgram();
    bool connectBootloader();
    // Sends a device with a complete firmware back to its application.
    void leave();
    bool runUpdate(bool &fileRefused);

    bool FConnected = false;
    bool FBusy = false;
    bool FStepRunning = false;
    bool FCloseWanted = false;
    // An erase went out in this window's life.
    bool FErased = false;
    QString FFileName, FFilter;
    int FFilterIndex = 1;
    qint64 FStartTick = 0;
    int FTimeLeft = -1;
};

extern TFormUpgrader *FormUpgrader;

// The bootloader contact (selecting its variant); a bootloader no variant
// serves is reported and counts as no contact. A port failure is thrown.
bool ConnectBootloaderReporting();
