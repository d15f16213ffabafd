// The configuration wizard (TbSConfigurator): five pages that lead an
// installer through the configuration of the controller, its idle
// auto-calibration and a finish page. Every page shows the device
// configuration record; the wizard keeps no copy of its own and writes the
// edited values back through the configuration writer (kind 48 only). Its
// progress lives in the device (16-bit parameter 14), so it survives a
// restart of the program.
#pragma once

#include "mainwindow/shell/PageControls.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QTabWidget;
class QWidget;
class TAutoCalibrationPage;
class TFormMain;
class TProgramLogic;

class TConfigurationWizard : public QObject, public TPageControls
{
    Q_OBJECT

public:
    TConfigurationWizard(TFormMain &form, TProgramLogic &logic);
    // Builds the wizard on the window and wires what the window, the helper
    // logic and the readings ask of it.
    static TConfigurationWizard *Install(TFormMain &form, TProgramLogic &logic);

    // Value tables: the raw device value of each list item, in item order.
    static const std::vector<int> NomTredValues, NomRpmValues, SwitchDelayValues, HeatingTredValues,
        OverlapTimeValues, TredLoadTredValues, LowPressThresholdValues, LowPressDelayValues, LowRpmValues,
        LowTgasValues, HighRpmValues, HighLoadValues, OnCutOffDelayValues, PostValveDelayValues,
        PreinjectionValues, EnrichMaxRpmValues, MicroInjTimeValues, MazdaPercentValues, MinGasTimeValues,
        MaxGasTimeValues, NozzleValues, NextInspectionValues, InspectionRatioValues, PetrolLoadValues;
    // The first index whose entry equals value on the mask's bits, -1 when none.
    static int IndexOf(const std::vector<int> &table, int value, int mask = -1);

    // The auto-calibration page, for the page change's verdict.
    TAutoCalibrationPage *AutoCal = nullptr;
    // Shows or hides the component picture of kind 1..3 for a wizard photo
    // button (pressure sensor, injector, reducer).
    std::function<void(int kind, bool down)> ShowComponentPicture;

public slots:
    void PgCConfWizardChange();
    void UpdateConfWizardButtons(bool refill);
    void GoToConfWizardPage(int index);
    void TbSConfiguratorShow();
    void FillConfBasedPage();
    void FillConfSwitchingPage();
    void FillConfAdvancedPage();
    void FillConfFinishPage(bool full);
    bool WriteConfWizardConfiguration();
    void YEdConfPowerChange();

    // Handlers.
    void BtnConfReadConfigClick();
    void BtnConfWriteConfigClick();
    void BtnConfWizNextClick();
    void BtnConfWizPrevClick();
    void BtnConfCheckInjSystemClick();
    void BtnConfSwitchMapClick();
    void BtnConfLevSensConfigClick();
    void CmBConfInjTypeChange(QObject *sender);
    void CmBConfPressSensTypeChangeEnter(QObject *sender);
    void CmBConfLevSensTypeChange();
    void ChBConfLambdaClick();
    void ChBConfRPMNotConnectedClick();
    void ChBConfPetrolInjPlusControlClick();
    void ChBConfLambaInputAsFlashLubeLevelClick();
    void BtnConfPrintReportClick();
    void LblConfSemiSeqGasControlClick();
    void PnlConfSwitchDetailsResize();
    void PnlConfAdvDetailsResize();
    // A details memo takes the panel's width beyond its first 340 pixels
    // (7 pixels in a panel narrower than 347), at the panel's right edge.
    static void FitDetailsMemoWidth(QWidget *panel, QWidget *memo);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    template <typename T = QWidget> T *Find(const char *name) const { return Control<T>(name); }
    QComboBox *List(const char *name) const;
    QAbstractButton *Box(const char *name) const;
    bool Checked(const char *name) const;
    void SetChecked(const char *name, bool on);
    // Selects the entry of value in the list (none when absent).
    void Select(const char *list, const std::vector<int> &table, int value, int mask = -1);
    // The table entry of the list's selection, or current when none.
    int Entry(const char *list, const std::vector<int> &table, int current) const;
    int Index(const char *list, int current) const;
    void FillItems();
    void TranslateLists();
    void Connect();
    void EnableWith(const char *box, std::initializer_list<const char *> lists, bool emptyToLast = false);
    void EnableConfLambdaControls(bool on, int index);
    void ShowPostValveDelay();
    void ShowPageNumber();
    QTabWidget *Pages() const;
    bool Ready() const;

    TFormMain &FForm;
    TProgramLogic &FLogic;
    bool FFilling = false;
};

// Builds the default configuration, the component pictures, the
// auto-calibration page and the wizard on the window and joins them.
void InstallConfigurationWizardPages(TFormMain &form, TProgramLogic &logic);
