// The configuration writer of the wizard (kind 48): copies every wizard
// control into the device configuration record, then sends the
// configuration block (0xD9) and the single parameters in the device's
// order. The values are checked before the first frame; a write the device
// did not take whole leaves the wizard marked and says so.
#include "mainwindow/configuration/ConfigurationWizard.h"

#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/SettingsFile.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/ProgramLogic.h"
#include "core/ui/TypedInput.h"
#include "mainwindow/shell/FormMain.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <cmath>

namespace {

QString translated(const char *key)
{
    const QString k = QString::fromLatin1(key);
    return LM ? LM->Translate(k) : k;
}

// The edit's whole number within what a settings file's reader takes for
// key; a missing edit keeps the record's value. A text that is none is
// refused naming the field (by its label).
bool editValue(QLineEdit *edit, const QLabel *label, const char *key, int &value)
{
    qint64 low = 0, high = 0;
    TSettingsFile::DeviceRangeMulti(DeviceRecord, QString::fromLatin1(key), low, high);
    if (!edit)
        return true;
    const auto typed = TypedInput::ReadInt(edit, label ? label->text() : QString(), low, high);
    if (typed)
        value = int(*typed);
    return typed.has_value();
}

} // namespace

bool TConfigurationWizard::WriteConfWizardConfiguration()
{
    if (!DataManager || !DataManager->GetConnected() || DataManager->IsDeviceNotReady())
        return false;
    // The block and the parameters below are those of a kind-48 device.
    if (!DataManager->IsDeviceType(48))
        return false;
    auto &r = DeviceRecord;

    // Nothing goes out while a free edit holds a value the device cannot take.
    int capacity = r.EngineCubicCapacity, power = r.Power;
    auto *capacityEdit = Control<QLineEdit>("YEdConfCubicCap");
    auto *powerEdit = Control<QLineEdit>("YEdConfPower");
    if (!editValue(capacityEdit, Control<QLabel>("labelConfCubicCap"), "EngineCubicCapacity", capacity)
        || !editValue(powerEdit, Control<QLabel>("labelConfPower"), "Power", power))
        return false;

    // The settings the configuration read takes only from a later version
    // go out too: one whose device value the record does not hold yet is
    // read first, and without it nothing is written.
    if (!DataManager->ReadKind48WindowSettings()) {
        if (Common)
            Common->ShowWarning(translated("strComError"));
        return false;
    }
    const bool timerOn = FForm.Timerek && FForm.Timerek->isActive();
    if (FForm.Timerek)
        FForm.Timerek->stop();
    auto restoreTimer = [&] {
        if (timerOn && FForm.Timerek && FForm.Ready())
            FForm.Timerek->start();
    };
    if (!FForm.UpdateLastChangeInfo(FForm.ConfigModified())) {
        restoreTimer();
        return false;
    }
    TRecordedWrite write;

    auto checked = [this](const char *name) -> quint8 { return Checked(name) ? 1 : 0; };
    // A byte of flags goes out with the bits the wizard has no control for
    // as the device holds them (read with the configuration).
    auto writeKeepingOtherBits = [&r](int id) { return DataManager->WriteParamByte(id, FlagsByteToWrite(r, id)); };
    auto selected = [this](const char *name) {
        auto *c = List(name);
        return c && c->currentIndex() >= 0;
    };

    // Engine and injectors.
    r.RPM = quint16(Entry("CmBConfNomRPM", NomRpmValues, r.RPM));
    r.T = quint8(Entry("CmBConfNomTred", NomTredValues, r.T));
    r.MicroInjectionTime = quint8(Entry("CmBConfMicroInjTime", MicroInjTimeValues, r.MicroInjectionTime));
    if (selected("CmBConfInjCount"))
        r.InjectorMask = quint8(std::lround(std::pow(2.0, List("CmBConfInjCount")->currentText().toInt()) - 1));
    int injectorClass = 0;
    if (selected("CmBConfInjType")) {
        const int type = List("CmBConfInjType")->currentData().toInt();
        injectorClass = FLogic.ReadDataGroup(type) & 3;
        r.InjTypeName = quint8(type);
    }
    r.InjType = quint8(injectorClass);
    const bool lpg = Checked("RdBConfFuelLPG");
    r.ModelDataExtra[0] = quint8(injectorClass + (lpg ? 0 : 16) + (Index("CmBConfRPMSource", 0) & 3) * 32
                                 + (Index("CmBConfEngineType", 0) & 1) * 128);
    r.ModelDataExtra[1] = r.InjectorMask;
    if (selected("CmBConfInjCount")) {
        static const int cylinders[] = {3, 4, 5, 6, 8};
        const int i = List("CmBConfInjCount")->currentIndex();
        if (i < 5)
            r.InjSW = quint8(cylinders[i]);
    }
    r.FuelType = lpg ? 0 : 1;
    r.ReserveType = quint8(Index("CmBConfLevSensType", r.ReserveType));
    TProgramLogic::ShowControl(Control<QWidget>("BtnConfLevSensConfig"), selected("CmBConfLevSensType"), true);
    FForm.UpdateCylinderCountControls(true);

    r.LowPD = quint8(Entry("CmBConfLowPressDelay", LowPressDelayValues, r.LowPD));
    r.LowPT = quint8(Entry("CmBConfLowPressThreshold", LowPressThresholdValues, r.LowPT));
    r.NoSeqential = checked("ChBConfNonSequential");
    r.SemiGasControl = checked("ChBConfSemiSeqGasControl");
    r.MicroInjection = checked("ChBConfMicroInjection");
    r.HemiEngine = checked("ChBConfHemiEngine");
    r.PetrolInjPlusControl = checked("ChBConfPetrolInjPlusControl");
    r.ExternalEmulator = checked("ChBConfExternalEmulator");
    if (selected("CmBConfLambdaType"))
        r.LambdaType = quint8(List("CmBConfLambdaType")->currentIndex() + 1);
    if (!Checked("ChBConfLambda"))
        r.LambdaType = 0;

    r.EngineCubicCapacity = quint16(capacity);
    r.Power = quint16(power);
    r.NozzleSize = quint8(Entry("CmBConfNozzles", NozzleValues, r.NozzleSize));
    r.RedType = quint8(Index("CmBConfRedType", r.RedType));
    r.InjSystemType = quint8(Index("CmBConfInjSystemType", r.InjSystemType));
    r.EmulatorSwitchDelay = quint16(Entry("CmBConfEmulatorSwitchDelay", SwitchDelayValues, r.EmulatorSwitchDelay));

    bool ok = true;
    // Gas temperature sensor in the flow, and its correction curve.
    const bool wasInFlow = r.GasTempSensorInFlow != 0;
    const bool inFlow = Checked("ChBConfPressSensInFlow");
    r.GasTempSensorInFlow = inFlow ? 1 : 0;
    const bool ask = (inFlow && r.TgasCorType != 2) || (!inFlow && r.TgasCorType != 3) ? true : inFlow != wasInFlow;
    FLogic.UpdateGasTempCorrection(inFlow ? 1 : 0, ask);
    r.CMActive = quint8(3 + 4 * checked("ChBActiveCorrectionRPM") + 8 * checked("ChBActiveCorrectionPcol"));
    ok = DataManager->WriteParameter(74) && ok;
    ok = DataManager->WriteParamByte(32, FlagsByteToWrite(r, 32)) && ok;

    r.PostValveDelay = quint16(Entry("CmBConfPostValveDelay", PostValveDelayValues, r.PostValveDelay));
    r.RPMSourceType = quint8(Index("CmBConfRPMSourceType", r.RPMSourceType));
    r.MasterMode = checked("ChBConfMasterMode");
    r.CAP_TIE_enable = checked("ChBConfCapTieEnabled");
    if (selected("CmBConfPressSensType"))
        r.PressureSensorType = quint8(List("CmBConfPressSensType")->currentData().toInt());

    // Return-to-petrol conditions.
    r.RPM_lt = checked("ChBConfLowRPMReturnToPetrol");
    r.RPM_gt = checked("ChBConfHighRPMReturnToPetrol");
    r.LoadP_gt = checked("ChBConfHighLoadReturnToPetrol");
    r.RisingT = checked("ChBConfRaisingTswitching");
    r.AdaptationMode = checked("ChBModel2Adaptation");
    r.AlWorkOnGas = checked("ChBConfAlwaysStartOnGas");
    r.Tgas_lt = checked("ChBConfLowTgasReturnToPetrol");
    r.TuningMode = checked("ChBConfTuningMode");
    r.ModelDataExtra[2] = quint8((r.LambdaType & 7) | r.PetrolInjPlusControl << 3 | r.NoSeqential << 4
                                 | (r.RPMSourceType & 1) << 5 | r.ExternalEmulator << 6 | r.CAP_TIE_enable << 7);
    r.ModelDataExtra[3] = quint8(r.SemiGasControl | r.MicroInjection << 1 | r.HemiEngine << 2 | r.TuningMode << 3
                                 | r.MasterMode << 7);

    r.RPM_lt_val = quint16(Entry("CmBConfLowRPMReturnToPetrol", LowRpmValues, r.RPM_lt_val));
    r.RPM_gt_val = quint16(Entry("CmBConfHighRPMReturnToPetrol", HighRpmValues, r.RPM_gt_val));
    r.LoadP_gt_val = quint8(Entry("CmBConfHighLoadReturnToPetrol", HighLoadValues, r.LoadP_gt_val));
    r.Tgas_lt_val = quint8(Entry("CmBConfLowTgasReturnToPetrol", LowTgasValues, r.Tgas_lt_val));
    ok = DataManager->WriteParamByte(35, r.Tgas_lt_val) && ok;
    if (selected("CmBConfHighLoadPetrolForTgasReturnToPetrol"))
        r.Tgas_lt_Load_Lval = quint8(List("CmBConfHighLoadPetrolForTgasReturnToPetrol")->currentText().toInt());
    ok = DataManager->WriteParamByte(43, r.Tgas_lt_Load_Lval) && ok;
    ok = DataManager->WriteParamByte(31, FlagsByteToWrite(r, 31)) && ok;

    r.Tred_lt_Load = checked("ChBConfLowTredAndHighLoadReturnToPetrol");
    r.RPMWireNotConnect = checked("ChBConfRPMNotConnected");
    r.FuelOverlap = checked("ChBConfFuelOverlap");
    r.GasInjHeating = checked("ChBConfGasInjectorsHeating");
    r.PreinjectionProcessDuringCutOff = checked("ChBConfPreinjectionProcessDuringCutOff");
    ok = writeKeepingOtherBits(37) && ok;
    r.MinPressDuringCuttOffForPreinjections = quint8(Entry("CmBConfPressurePreinjectionProcessDuringCutOff",
                                                           PreinjectionValues, r.MinPressDuringCuttOffForPreinjections));
    ok = DataManager->WriteParamByte(44, r.MinPressDuringCuttOffForPreinjections) && ok;
    r.MinTredForGasInjHeating = quint8(Entry("CmBConfMinTredForGasInjctorsHeatingProcess", HeatingTredValues,
                                             r.MinTredForGasInjHeating));
    ok = DataManager->WriteParamByte(42, r.MinTredForGasInjHeating) && ok;
    r.Tred_lt_Load_Tredval = quint8(Entry("CmBConfLowTredForTredLoadReturnToPetrol", TredLoadTredValues,
                                          r.Tred_lt_Load_Tredval));
    ok = DataManager->WriteParamByte(38, r.Tred_lt_Load_Tredval) && ok;
    if (selected("CmBConfHighLoadPetrolForTredReturnToPetrol"))
        r.Tred_lt_Load_Lval = quint8(List("CmBConfHighLoadPetrolForTredReturnToPetrol")->currentText().toInt());
    ok = DataManager->WriteParamByte(39, r.Tred_lt_Load_Lval) && ok;

    const bool block = DataManager->WriteModelDataD9();
    ok = block && ok;
    ok = DataManager->WriteParamWord(11, r.RPM_lt_val) && ok;
    ok = DataManager->WriteParamWord(12, r.RPM_gt_val) && ok;
    ok = DataManager->WriteParamByte(29, r.LoadP_gt_val) && ok;
    ok = DataManager->WriteParamByte(33, r.ReserveType) && ok;

    r.MaxCyclesMixedFuel = quint8(Index("CmBConfFuelOverlapCycles", r.MaxCyclesMixedFuel));
    ok = DataManager->WriteParamByte(40, r.MaxCyclesMixedFuel) && ok;
    r.MaxTimeMixedFuel = quint16(Entry("CmBConfFuelOverlapTime", OverlapTimeValues, r.MaxTimeMixedFuel));
    ok = DataManager->WriteParamWord(16, r.MaxTimeMixedFuel) && ok;
    r.InjTimeForEnrichmentDuringCutOff = quint16(Entry("CmBConfInjTimeForEnrichmentDuringCutOff", OverlapTimeValues,
                                                       r.InjTimeForEnrichmentDuringCutOff));
    ok = DataManager->WriteParamWord(19, r.InjTimeForEnrichmentDuringCutOff) && ok;
    r.MaxRpmForEnrichmentDuringCutOff = quint16(Entry("CmBConfMaxRpmForEnrichmentDuringCutOff", EnrichMaxRpmValues,
                                                      r.MaxRpmForEnrichmentDuringCutOff));
    ok = DataManager->WriteParamWord(18, r.MaxRpmForEnrichmentDuringCutOff) && ok;
    r.MazdaEnrichmentPercentage = quint8(Entry("CmBConfMazdaEnrichmentPercentage", MazdaPercentValues,
                                               r.MazdaEnrichmentPercentage));
    ok = DataManager->WriteParamByte(49, r.MazdaEnrichmentPercentage) && ok;

    r.PreinjectionsDuringCutOffForLowRPMEnabled = checked("ChBConfEnrichmentDuringCutOffForLowRPM");
    r.MazdaIgnitionTypeCorrEnabled = checked("ChBConfMazdaIgnitionTypeCorr");
    ok = writeKeepingOtherBits(50) && ok;

    r.FlashLubeSupportEnabled = checked("ChBConfLambaInputAsFlashLubeLevel");
    r.CutOffModeActivated = checked("ChBConfCutOffModeReturnToPetrol");
    r.AutoToGasOnControlPanelHidden = checked("ChBConfAutoToGasOnControlPanelHidden");
    r.SygnalizeDrivingOnPetrolEnabled = checked("ChBSygnalizeDrivingOnPetrol");
    r.MinGasInjTimeEnabled = checked("ChBConfMinGasInjTime");
    r.MaxGasInjTimeEnabled = checked("ChBConfMaxGasInjTime");
    // Below its letter the hot start on gas has no control: it goes back as read.
    if (DataManager->Kind48Holds(kind48::TFilePart::ConfigJ))
        r.HotEngineStartOnGas = checked("ChBHotEngineStartOnGas");
    ok = writeKeepingOtherBits(52) && ok;

    r.AfterCutOffEmulSwitchDelay = quint16(Entry("CmBConfCutOffEmulSwitchDelay", SwitchDelayValues,
                                                 r.AfterCutOffEmulSwitchDelay));
    ok = DataManager->WriteParamWord(24, r.AfterCutOffEmulSwitchDelay) && ok;
    r.OnCutOffDelay = quint16(Entry("CmBOnCutOffDelay", OnCutOffDelayValues, r.OnCutOffDelay));
    ok = DataManager->WriteParamWord(25, r.OnCutOffDelay) && ok;
    r.MinGasInjectionTime = quint16(Entry("CmBConfMinGasInjTime", MinGasTimeValues, r.MinGasInjectionTime));
    ok = DataManager->WriteParamWord(20, r.MinGasInjectionTime) && ok;
    r.MaxGasInjectionTime = quint16(Entry("CmBConfMaxGasInjTime", MaxGasTimeValues, r.MaxGasInjectionTime));
    ok = DataManager->WriteParamWord(21, r.MaxGasInjectionTime) && ok;

    ok = write.Report(ok && DataManager->GetConnected());
    FForm.ConfigWriteEnded(ok);
    if (!ok && Common)
        Common->ShowWarning(translated("strConfWriteIncomplete"));
    restoreTimer();
    return ok;
}
