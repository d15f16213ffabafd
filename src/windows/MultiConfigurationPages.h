// The four pages of the kind-48 configuration window: basic, advanced,
// switching and information. Each page builds its panel of controls on its
// tab sheet, serves the small handlers of its controls, fills them from the
// device configuration record and clears them. The window that owns them
// reads and writes the device; the pages never talk to it themselves.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QPlainTextEdit;
class QWidget;
class TDigitalDisplay;
struct TDeviceRecord;

// The raw device value each list entry stands for, in entry order; a list
// may show fewer entries than its table holds.
namespace multiconf {

struct TValueList {
    QStringList Shown;      // the entries the list shows
    std::vector<int> Table; // raw values, at least as many as shown
};

extern const TValueList NomTred, NomRpm, HeatingMinTred, FuelOverlapTime, CutOffPressure,
    MicroinjectionTime, PostValveDelay, EmulatorSwitchDelay, LowPressDelay, LowPressTreshold,
    LowRpmReturn, HighRpmReturn, LowTgasReturn, HighLoadReturn, Nozle, CutOffEnrichMaxRpm,
    CutOffEnrichInjTime, IgnitionCorrPercent, OnCutOffDelay, MinGasInjTime, MaxGasInjTime, LoadPercent;

// Fills list with the shown entries of values.
void FillList(QComboBox *list, const TValueList &values);
// Chooses the first entry whose table value equals value under mask; no
// entry when none does or when it lies beyond the list's entries.
void Choose(QComboBox *list, const TValueList &values, int value, int mask = -1);
// The table value of the chosen entry, or current when none is chosen.
int Entry(const QComboBox *list, const TValueList &values, int current);
// The chosen index, or current when none is chosen.
int Index(const QComboBox *list, int current);
// The number the chosen entry shows, or current when none is chosen.
int Shown(const QComboBox *list, int current);
// Chooses index when the list has it, else no entry.
void SetIndex(QComboBox *list, int index);
bool Checked(const QAbstractButton *box);

} // namespace multiconf

class TMultiConfigPage : public QObject
{
    Q_OBJECT
public:
    // The page's panel, the one its window's change watcher is attached to.
    QFrame *Panel = nullptr;

    virtual void Fill(const TDeviceRecord &r) = 0;
    virtual void Clear() = 0;

protected:
    explicit TMultiConfigPage(QObject *owner) : QObject(owner) {}
    // A label named name with its caption, at x, y.
    static QLabel *Caption(QWidget *parent, const char *name, const QString &text, int x, int y, int w = 220);
};

class TMultiConfigBasePage : public TMultiConfigPage
{
    Q_OBJECT
public:
    TMultiConfigBasePage(QWidget *sheet, QObject *owner);

    QComboBox *CmbKnfInjCount, *CmbKnfInjType, *CmbKnfRPMSource, *CmbKnfLevelSensorType, *CmBKnfNomTred,
        *CmBKnfNomRPM;
    QPushButton *BtnKnfLvSensorConfig;
    TDigitalDisplay *DgDRPM;

    void Fill(const TDeviceRecord &r) override;
    void Clear() override;
    // Rebuilds the cylinder-count entries for the device's largest count,
    // keeping the chosen index.
    void RebuildCylinderCounts(int largest);
    // The cylinder count of the chosen entry, 0 when none.
    int ChosenCylinders() const;
    void CmbKnfRPMSourceChange(QComboBox *rpmSourceType);
};

class TMultiConfigAdvancePage : public TMultiConfigPage
{
    Q_OBJECT
public:
    TMultiConfigAdvancePage(QWidget *sheet, QObject *owner);

    QCheckBox *ChBKnfNosequential, *ChBKnfMicroInjection, *ChBKnfHemiEngine, *ChBKnfSemiGasControl,
        *ChBKnfExternalEmulator, *ChBKnfPetrolInjPlusControl, *ChBKnfMasterMode, *ChBKnfAlwaysStartOnGas,
        *ChBConfRPMNotConnected, *ChBKnfGasTempSensorInFlow, *ChBConfAutoAdaptation,
        *ChBConfEnrichmentDuringCutOffForLowRPM, *ChBConfMazdaIgnitionTypeCorr, *ChBConfMinGasInjTime,
        *ChBConfMaxGasInjTime;
    QRadioButton *RdBKnfLPG, *RdBKnfCNG;
    QFrame *PnlKnfMicroinjectionTime, *PnlConfPostValveDelay;
    QComboBox *CmbKnfMicroinjectionTime, *CmBConfRPMSourceType, *CmBKnfPressureSensorType,
        *CmBConfInjTimeForEnrichmentDuringCutOff, *CmBConfMaxRpmForEnrichmentDuringCutOff,
        *CmBConfMazdaEnrichmentPercentage, *CmBConfMinGasInjTime, *CmBConfMaxGasInjTime, *CmBConfPostValveDelay,
        *CmBKnfInjSystemType;
    QPushButton *BtBKnfCheckPressure, *BtnKnfCheckInjSystem;
    TDigitalDisplay *DgDPsys;
    QLabel *LblConfInjTimeForEnrichmentDuringCutOff, *LblConfMazdaCorrectionUnit, *LblConfMinGasInjTimeUnit,
        *LblConfMaxGasInjTimeUnit, *LblConfPostValveDelay, *LblConfPostValveDelayUnit, *LblConfSysInj,
        *LblConfSysInj2;

    void Fill(const TDeviceRecord &r) override;
    void Clear() override;
    void ShowExternalEmulator(bool on);
    void ChBKnfMicroInjectionClick();
    void ChBConfRPMNotConnectedClick();
    // The controls of the cut-off and gas-time groups that follow the
    // device's version.
    QList<QWidget *> VersionGroup() const;
};

class TMultiConfigSwitchingPage : public TMultiConfigPage
{
    Q_OBJECT
public:
    TMultiConfigSwitchingPage(QWidget *sheet, QObject *owner);

    QCheckBox *ChBConfGasInjectorsHeating, *ChBConfFuelOverlap, *ChBConfPreinjectionProcessDuringCutOff,
        *ChBKnfRaisingTswitching, *ChBKnfTuningMode, *ChBKnfLowRPMReturnToPetrol, *ChBKnfHighRPMReturnToPetrol,
        *ChBKnfHighLoadReturnToPetrol, *ChBKnfLowTgasReturnToPetrol, *ChBConfLowTredAndHighLoadReturnToPetrol,
        *ChBConfCutOffModeReturnToPetrol, *ChBConfAutoToGasOnControlPanelHidden;
    QComboBox *CmBConfMinTredForGasInjctorsHeatingProcess, *CmBConfFuelOverlapCycles, *CmBConfFuelOverlapTime,
        *CmBConfPressurePreinjectionProcessDuringCutOff, *CmBConfEmulatorSwitchDelay, *CmBKnfLowPressTreshold,
        *CmBKnfLowPressDelay, *CmBKnfLowRPMReturnToPetrol, *CmBKnfHighRPMReturnToPetrol,
        *CmBKnfHighLoadReturnToPetrol, *CmBKnfLowTgasReturnToPetrol, *CmBConfHighLoadPetrolForTgasReturnToPetrol,
        *CmBConfLowTredForTredLoadReturnToPetrol, *CmBConfHighLoadPetrolForTredReturnToPetrol, *CmBOnCutOffDelay,
        *CmBConfCutOffEmulSwitchDelay;
    QLabel *LblConfOnCutOffDelay, *LblConfCutOffEmulatorSwitchDelayUnit;

    void Fill(const TDeviceRecord &r) override;
    void Clear() override;
    // A return-to-petrol box and its list: a checked box with no entry gets
    // the first (or last) entry; the list is usable only while checked.
    static void ReturnBoxClick(QAbstractButton *box, QComboBox *list, bool last);
    void EnableByBoxes();
    QList<QWidget *> VersionGroup() const;
};

class TMultiConfigInfoPage : public TMultiConfigPage
{
    Q_OBJECT
public:
    TMultiConfigInfoPage(QWidget *sheet, QObject *owner);

    QPlainTextEdit *MemConfInfo;
    QLineEdit *YEdKnfCubicCap, *YEdKnfPower;
    QLabel *LblKnfPowerKM, *LblKnfLambdaType;
    QComboBox *CmBKnfEngineType, *CmBKnfNozle, *CmBKnfLambdaType, *CmbKnfRedType;
    QCheckBox *ChBKnfLambda;
    QFrame *PnlKnfRedType;

    void Fill(const TDeviceRecord &r) override;
    void Clear() override;
    void ShowLambda(bool on);
};
