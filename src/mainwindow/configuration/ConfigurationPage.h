// The configuration page of device kinds 20 and 21 (TbSConfig): fills its
// controls from the device configuration record, reads the configuration
// from the device and writes the controls back as one base block and a run
// of single parameters in the device's order. It also owns the cylinder-count
// controls shared with the readings page, the suggested nozzle, the
// horse-power label, the injector default-offset labels and the
// pressure-sensor label.
//
// The page keeps no data of its own: the record is its model. It finds its
// components inside its own sheet (and the sheets of the pages it keeps in
// step) and registers itself as the window's configuration page.
#pragma once

#include "mainwindow/shell/ConfigurationPageOps.h"
#include "mainwindow/shell/PageControls.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;
class TFormMain;
class TProgramLogic;

class TConfigurationPage : public QObject, public TConfigurationPageOps, public TPageControls
{
    Q_OBJECT

public:
    TConfigurationPage(TFormMain &form, TProgramLogic *logic);
    ~TConfigurationPage() override;

    // Value tables: the raw device value of each list item, in item order.
    // A table may hold more entries than its list has items.
    static const std::vector<int> NomRpmValues, NomTredValues, EmulatorSwitchDelayValues,
        PostValveDelayValues, LowPressDelayValues, LowPressTresholdValues, MicroinjectionTimeValues,
        NozleValues;
    // The first index whose entry equals value (compared under mask), -1 when none.
    static int IndexOfValue(const std::vector<int> &table, int value, int mask = -1);
    // Cylinders of a cylinder-count index (0..4 -> 3, 4, 5, 6, 8; else 0).
    static int CylindersOfIndex(int index);
    // The default-offset text of an injector-type code ("(-,-)" for none).
    static QString DefaultOffsetText(int injectorType);
    // Suggested nozzle diameter in mm for a power text in kW.
    static double SuggestedNozzle(double powerKw, int cylinders, int injSystemIndex, bool cng);

    // ---- Operations of the window on this page ----
    void ReadConfiguration() override;
    bool WriteConfiguration() override;
    bool WriteLoadedConfiguration() override;
    void ReadBackConfiguration(bool written) override;
    bool WriteFits() override;
    void UpdateConfigurationControls() override;
    void UpdateCylinderCountControls(bool resetInjectorDisplay) override;
    void ClearKnfControls() override;
    // The wizard's lists lose their selection, its check boxes and summaries clear.
    void ClearConfWizardControls() override;
    void CmBKnfPressureSensorTypeChange() override { CmBKnfPressureSensorTypeChange(nullptr); }
    void YEdKnfPowerChange() override;
    void OrderLoadPanels() override;
    void FillKnfControls();
    void UpdatePressureSensorInfo(QComboBox *sensorList, QCheckBox *adaptation);
    void ChangeEngineHorsePower(QLineEdit *power, QLabel *label);
    void UpdateSuggestedNozzle();
    void UpdateSuggestedNozzleOfWizard();

    // ---- Control handlers ----
    void CmbKnfInjTypeChange(QObject *sender);
    void CmbKnfLevelSensorTypeChange();
    void BtnKnfLvSensorConfigClick();
    void CmBKnfPressureSensorTypeChange(QObject *sender);
    void ChBKnfRPMNotConnectedClick();
    void ChBKnfExternalEmulatorClick();
    void ChBKnfMicroInjectionClick();
    void ChBKnfLambdaClick();
    void CmbKnfInjCountChange();
    void RdBKnfLPGClick();
    void RdBKnfCNGClick();
    void CmBKnfInjSystemTypeChange();
    void BtnKnfCheckInjSystemClick();
    void BtnOdcSaveIdleHotTbClick();
    void CmbKnfRedTypeChange(QObject *sender);

    // ---- Services of later pages and windows, wired at start-up; an empty
    // one is skipped ----
    // Opens the level-sensor settings dialog modally.
    std::function<void()> OpenLevelSensorDialog;
    // Refreshes the kind-48 configuration window's controls (when it exists).
    std::function<void()> UpdateKind48ConfigurationControls;
    // The model page's default model followed by its model write.
    std::function<void()> WriteDefaultModel;
    // Refreshes the picture window for a photo button.
    std::function<void(const QString &photoButton)> CheckFormPictureChange;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The write road; readBack: the page reads the device afterwards.
    bool WriteConfiguration(bool readBack);
    template <typename T, typename N> T *Find(const N &name) const { return Control<T>(name); }
    QString Tr(const char *key) const;
    // Says why the device cannot be read or written (locked); true when ready.
    bool CheckReady();
    // The first control holding a value the device cannot take, with the
    // reason; nullptr when every value fits.
    QWidget *FindInvalidControl(QString &reason) const;
    int Entry(QComboBox *list, const std::vector<int> &table, int current) const;
    void SetIndex(QComboBox *list, int index);
    void SetChecked(QAbstractButton *box, bool checked);

    TFormMain &FForm;
    TProgramLogic *FLogic;
    // The page's controls.
    QPointer<QComboBox> CmbKnfInjCount, CmbKnfInjType, CmBKnfEngineType, CmBKnfInjSystemType,
        CmbKnfRedType, CmBKnfNozle, CmbKnfRPMSource, CmbKnfRPMSourceType, CmbKnfLevelSensorType,
        CmBKnfNomRPM, CmBKnfNomTred, CmbKnfEmulatorSwitchDelay, CmbKnfPostValveDelay,
        CmBKnfLambdaType, CmbKnfLowPressDelay, CmbKnfLowPressTreshold, CmbKnfMicroinjectionTime,
        CmBKnfPressureSensorType, CmbOdcInjDisplay;
    QPointer<QLineEdit> YEdKnfCubicCap, YEdKnfPower, EdtKnfIdleHotTb;
    QPointer<QAbstractButton> RdBKnfLPG, RdBKnfCNG, ChBKnfLambda, ChBKnfNosequential,
        ChBKnfMicroInjection, ChBKnfSemiGasControl, ChBKnfHemiEngine, ChBKnfTuningMode,
        ChBKnfPetrolInjPlusControl, ChBKnfExternalEmulator, ChBKnfMasterMode, ChBKnfCAP_TIE_enable,
        ChBKnfAlwaysStartOnGas, ChBKnfRPMNotConnected, ChBConfCapTieEnabled;
    QPointer<QWidget> BtnKnfLvSensorConfig, LblKnfLambdaType, PnlPostValveDelay,
        PnlKnfMicroinjectionTime;
    QPointer<QLabel> LblKnfSugNozle, LblKnfPowerKM;
    // The diagnostics' switch panels of cylinders 4 to 8.
    std::array<QPointer<QWidget>, 5> PnlSwitchCh;
};

// Builds the configuration page on the window and wires it and the
// configuration helper logic into the program: the window's page operations,
// the configuration write of the whole-configuration writer, the logic's
// window, lists and wizard fillers, the data manager's reset of the logic's
// state, the readings' busy test and the tick's calibration-running flag.
TConfigurationPage *InstallConfigurationPage(TFormMain &form, TProgramLogic &logic);
