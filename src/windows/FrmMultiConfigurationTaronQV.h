// The configuration window of device kind 48. Like the calibration window it
// is never shown by itself: its content panel is docked into the main window,
// while its controls stay its own. It reads the configuration into the device
// record and its pages, writes the pages back as a fixed run of parameter
// writes in the device's order, writes the factory configuration, checks the
// system pressure and the injection system, and opens the level-sensor
// settings.
#pragma once

#include <QWidget>

class QFrame;
class QPushButton;
class QTabWidget;
class TChangeHelper;
class TFormMain;
class TMultiConfigAdvancePage;
class TMultiConfigBasePage;
class TMultiConfigInfoPage;
class TMultiConfigSwitchingPage;
class TReadPlan;

class TFrmMultiConfigurationTaronQV : public QWidget
{
    Q_OBJECT
public:
    explicit TFrmMultiConfigurationTaronQV(QWidget *parent = nullptr);
    ~TFrmMultiConfigurationTaronQV() override;

    // The main window whose panel holds this window's content; set once by
    // the code that creates and docks the window.
    void SetMainWindow(TFormMain *form) { FForm = form; }

    QFrame *PnlMultiConfiguration;
    QTabWidget *PgCConfiguration;
    QWidget *TbSCnfBase, *TbSCnfAdvance, *TbSCnfSwitching, *TbSCnfInfo;
    QFrame *PnlKnfNavi;
    QPushButton *BtBKnfReadConfiguration, *BtBKnfWriteConfiguration, *BtBKnfWriteDefaultConfiguration;
    TChangeHelper *ChangeHelper;
    TMultiConfigBasePage *BasePage;
    TMultiConfigAdvancePage *AdvancePage;
    TMultiConfigSwitchingPage *SwitchingPage;
    TMultiConfigInfoPage *InfoPage;

    // Each tick of the main timer while the window's sheet is shown: the live
    // RPM and the controls that follow the device's version.
    void UpdateDeviceInfo();
    void UpdateConfigurationTaronQVTabControls();
    void ClearConfigurationControls();
    // The read road; false when nothing was read.
    bool RefreshFromDevice();
    // The read road in two steps, for a command that reads once what
    // several pages show: what the window shows added to the command's read
    // (the configuration, and the settings its read leaves out for the
    // device's version), then the window filled from the record once that
    // ran (read: it was read whole; otherwise the controls are cleared).
    void AddDeviceReads(TReadPlan &plan) const;
    void ShowDeviceRecord(bool read);
    // The write road; false when nothing was written, the user declined, or
    // a write failed (the window then stays modified and says so).
    // The write's checks, before anything is asked or sent; a refusal shows
    // the field's page and names the field.
    bool WriteFits();
    bool BtBKnfWriteConfigurationClick(QObject *sender = nullptr);
    // The write road of a settings-file load, which writes more after it:
    // the record shown, then written; nothing is read back (the load reads
    // once its last write went out). The load sends the bytes it writes
    // again later only then, each once: ids 31 and 52 with model 2, and the
    // non-sequential injection (id 7) as the file gives it, where the
    // window's own write always switches it off. The gas-temperature
    // correction is the file's, not the one for the sensor's place.
    bool WriteLoadedConfiguration();
    // The factory configuration of a kind-48 device after the user's OK;
    // false when nothing was written.
    bool BtBKnfWriteDefaultConfigurationClick(QObject *sender = nullptr);
    bool WriteDefaultConfiguration();
    void BtBKnfCheckPressureClick();
    void BtnKnfCheckInjSystemClick();
    void BtnKnfLvSensorConfigClick();
    // Leaving a page while modified asks whether to write first.
    void PgCConfigurationChanging(QObject *sender, bool &allowChange);
    void PgCConfigurationChange(QObject *sender);
    bool Modified() const;
    void SetModified(bool flag);

private:
    // Says why nothing can be written: a value the device cannot take; the
    // first such control, nullptr when all fit.
    QWidget *FindInvalidControl(QString &reason) const;
    // The write road; readBack: the window reads the device afterwards;
    // modelBytesLater: ids 31 and 52 are left to the calibration window's
    // model write that follows, which composes them from the record's flags
    // and sends them once; reportFailure: a write that did not go through is
    // said here (not by a caller that says it itself).
    bool writeConfiguration(QObject *sender, bool readBack, bool modelBytesLater, bool reportFailure = true);
    bool writeRoad(bool modelBytesLater);
    QWidget *mainWindowPanel(const char *name) const;
    // What the calibration window adds to the factory configuration.
    bool writeCalibrationDefaultModel();
    bool clearCalibrationPetrolTemplate();

    TFormMain *FForm = nullptr;
    int FPageIndex = 0;
    // The write road runs for a settings-file load.
    bool FLoadedWrite = false;
};

// Nullptr until the main window first adapts to a kind-48 device.
extern TFrmMultiConfigurationTaronQV *FrmMultiConfigurationTaronQV;
