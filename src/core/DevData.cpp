#include "core/DevData.h"

#include "core/ConfigurationByKind.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

TDevData DevDataInstance;
std::function<int()> ReadConfigurationOperation;
std::function<bool()> WriteConfigurationOperation;
TUIStateData UIStateDataInstance;

TDeviceRecord &R()
{
    return DeviceRecord;
}

// Stores an integer into a field, limited to the field's range.
template <typename T>
void Store(T &field, qint64 value)
{
    field = T(std::clamp<qint64>(value, std::numeric_limits<T>::min(),
                                 std::numeric_limits<T>::max()));
}

quint8 Flag(bool on)
{
    return on ? 1 : 0;
}

// Model points: x in ms; y to 0.01 ms.
QPointF PointToMs(const TModelPoint &p)
{
    return QPointF(p.X / 187.0, std::nearbyint(p.Y / 187.0 * 100.0) / 100.0);
}

TModelPoint PointFromMs(const QPointF &point)
{
    constexpr qint64 lo = std::numeric_limits<qint32>::min();
    constexpr qint64 hi = std::numeric_limits<qint32>::max();
    TModelPoint p;
    p.X = qint32(RoundClamped(point.x() * 187.0, lo, hi));
    const double y = std::nearbyint(point.y() * 100.0) / 100.0;
    p.Y = qint32(RoundClamped(y * 187.0, lo, hi));
    return p;
}

bool ValidPointIndex(int index)
{
    return index >= 0 && index < TDeviceRecord::ModelPointCount;
}

} // namespace

TDevData *DevData = &DevDataInstance;
TUIStateData *UIStateData = &UIStateDataInstance;

// fuel
bool TDevData::GetFuelLPG() const { return R().FuelType == 0; }
void TDevData::SetFuelLPG(bool lpg) { R().FuelType = lpg ? 0 : 1; }
bool TDevData::GetFuelCNG() const { return R().FuelType != 0; }

// engine
int TDevData::GetMaxInjectorCount() const { return R().InjHW; }
int TDevData::GetInjectorCount() const { return R().InjSW; }
void TDevData::SetInjectorCount(int count) { Store(R().InjSW, count); }
int TDevData::GetInjectorMask() const { return R().InjectorMask; }
void TDevData::SetInjectorMask(int mask) { Store(R().InjectorMask, mask); }
int TDevData::GetCubicCapacity() const { return R().EngineCubicCapacity; }
void TDevData::SetCubicCapacity(int cm3) { Store(R().EngineCubicCapacity, cm3); }
int TDevData::GetInjSystemType() const { return R().InjSystemType; }
void TDevData::SetInjSystemType(int type) { Store(R().InjSystemType, type); }
int TDevData::GetEngineType() const { return R().EngineType; }
int TDevData::GetEnginePower() const { return R().Power; }
void TDevData::SetEnginePower(int kw) { Store(R().Power, kw); }

// injectors
int TDevData::GetNozzleSize() const { return R().NozzleSize; }
void TDevData::SetNozzleSize(int size) { Store(R().NozzleSize, size); }
int TDevData::GetGasInjectorType() const { return R().InjTypeName; }
void TDevData::SetGasInjectorType(int type) { Store(R().InjTypeName, type); }

// sensors
int TDevData::GetPressureSensorType() const { return R().PressureSensorType; }
void TDevData::SetPressureSensorType(int type) { Store(R().PressureSensorType, type); }
int TDevData::GetReducerType() const { return R().RedType; }
void TDevData::SetReducerType(int type) { Store(R().RedType, type); }
int TDevData::GetLevelSensorType() const { return R().ReserveType; }
void TDevData::SetLevelSensorType(int type) { Store(R().ReserveType, type); }
int TDevData::GetLambdaType() const { return R().LambdaType; }
void TDevData::SetLambdaType(int type) { Store(R().LambdaType, type); }
int TDevData::GetSensorInFlowSent() const { return R().GasTempSensorByte; }
void TDevData::SetSensorInFlowSent(int value) { Store(R().GasTempSensorByte, value); }
bool TDevData::GetSensorInFlow() const { return R().GasTempSensorInFlow != 0; }
void TDevData::SetSensorInFlow(bool inFlow) { R().GasTempSensorInFlow = Flag(inFlow); }

// RPM
int TDevData::GetRpmSourceType() const { return R().RPMSourceType; }
void TDevData::SetRpmSourceType(int type) { R().RPMSourceType = Flag(type != 0); }
int TDevData::GetRpmSource() const { return R().RPMsource; }
void TDevData::SetRpmSource(int source) { Store(R().RPMsource, source); }

// idle
double TDevData::GetIdleHotTb() const { return RawToTimeMs(R().IdleHotTb); }
void TDevData::SetIdleHotTb(double ms) { R().IdleHotTb = quint16(RoundClamped(ms * 187.0, 0, 0xFFFF)); }
int TDevData::GetIdleHotRpm() const { return R().IdleHotRPM; }
void TDevData::SetIdleHotRpm(int rpm) { Store(R().IdleHotRPM, rpm); }
double TDevData::GetIdleHotPcolReal() const
{
    return RawToCollectorPressureFor(R().PressureSensorType, R().IdleHotPcol);
}
void TDevData::SetIdleHotPcolReal(double bar)
{
    // The inverse of the conversion the getter uses, so that a value reads back as set.
    R().IdleHotPcol = CollectorPressureToRawFor(R().PressureSensorType, bar);
}

// switching
int TDevData::GetWorkPressure() const { return R().WorkPress; }
void TDevData::SetWorkPressure(int code) { Store(R().WorkPress, code); }
int TDevData::GetNominalReducerTemp() const { return R().T; }
void TDevData::SetNominalReducerTemp(int code) { Store(R().T, code); }
int TDevData::GetNominalRpm() const { return R().RPM; }
void TDevData::SetNominalRpm(int code) { Store(R().RPM, code); }
int TDevData::GetEmulatorSwitchDelay() const { return R().EmulatorSwitchDelay; }
void TDevData::SetEmulatorSwitchDelay(int delay) { Store(R().EmulatorSwitchDelay, delay); }
int TDevData::GetLowPressThreshold() const { return R().LowPT; }
void TDevData::SetLowPressThreshold(int code) { Store(R().LowPT, code); }
int TDevData::GetLowPressDelay() const { return R().LowPD; }
void TDevData::SetLowPressDelay(int code) { Store(R().LowPD, code); }

// options
bool TDevData::GetHemiEngine() const { return R().HemiEngine != 0; }
void TDevData::SetHemiEngine(bool on) { R().HemiEngine = Flag(on); }
bool TDevData::GetTuningMode() const { return R().TuningMode != 0; }
void TDevData::SetTuningMode(bool on) { R().TuningMode = Flag(on); }
bool TDevData::GetNonSequential() const { return R().NoSeqential != 0; }
void TDevData::SetNonSequential(bool on) { R().NoSeqential = Flag(on); }
bool TDevData::GetMicroInjection() const { return R().MicroInjection != 0; }
void TDevData::SetMicroInjection(bool on) { R().MicroInjection = Flag(on); }
bool TDevData::GetPetrolInjPlusControl() const { return R().PetrolInjPlusControl != 0; }
void TDevData::SetPetrolInjPlusControl(bool on) { R().PetrolInjPlusControl = Flag(on); }
bool TDevData::GetExternalEmulator() const { return R().ExternalEmulator != 0; }
void TDevData::SetExternalEmulator(bool on) { R().ExternalEmulator = Flag(on); }
bool TDevData::GetSemiSeqGasControl() const { return R().SemiGasControl != 0; }
void TDevData::SetSemiSeqGasControl(bool on) { R().SemiGasControl = Flag(on); }
bool TDevData::GetMasterMode() const { return R().MasterMode != 0; }
void TDevData::SetMasterMode(bool on) { R().MasterMode = Flag(on); }
bool TDevData::GetCapTieEnabled() const { return R().CAP_TIE_enable != 0; }
int TDevData::GetMicroInjectionTime() const { return R().MicroInjectionTime; }
void TDevData::SetMicroInjectionTime(int code) { Store(R().MicroInjectionTime, code); }
int TDevData::GetPostValveDelay() const { return R().PostValveDelay; }
void TDevData::SetPostValveDelay(int delay) { Store(R().PostValveDelay, delay); }

// auto-calibration
int TDevData::GetAutoCalState() const { return R().AutoCalState; }
void TDevData::SetAutoCalState(int state) { Store(R().AutoCalState, state); }
int TDevData::GetAutoCalProgress() const { return R().AutoCalProgress; }
void TDevData::SetAutoCalProgress(int progress) { Store(R().AutoCalProgress, progress); }
int TDevData::GetAutoCalPhase() const { return R().AutoCalPhase; }
double TDevData::GetAutoCalStartValue() const { return RawToTimeMs(R().AutoCalStartTime); }
double TDevData::GetAutoCalCurrentValue() const { return RawToTimeMs(R().AutoCalCurrentTime); }

// return to petrol
bool TDevData::GetLowRpmReturnToPetrol() const { return R().RPM_lt != 0; }
void TDevData::SetLowRpmReturnToPetrol(bool on) { R().RPM_lt = Flag(on); }
bool TDevData::GetHighRpmReturnToPetrol() const { return R().RPM_gt != 0; }
void TDevData::SetHighRpmReturnToPetrol(bool on) { R().RPM_gt = Flag(on); }
bool TDevData::GetHighLoadReturnToPetrol() const { return R().LoadP_gt != 0; }
void TDevData::SetHighLoadReturnToPetrol(bool on) { R().LoadP_gt = Flag(on); }
bool TDevData::GetReturnToPetrolBit3() const { return R().PreinjMode != 0; }
void TDevData::SetReturnToPetrolBit3(bool on) { R().PreinjMode = Flag(on); }
bool TDevData::GetReturnToPetrolBit4() const { return R().AlWorkOnGas != 0; }
void TDevData::SetReturnToPetrolBit4(bool on) { R().AlWorkOnGas = Flag(on); }
bool TDevData::GetRaisingTSwitching() const { return R().RisingT != 0; }
void TDevData::SetRaisingTSwitching(bool on) { R().RisingT = Flag(on); }
bool TDevData::GetAdaptation() const { return R().AdaptationMode != 0; }
void TDevData::SetAdaptation(bool on) { R().AdaptationMode = Flag(on); }
bool TDevData::GetLowTgasReturnToPetrol() const { return R().Tgas_lt != 0; }
void TDevData::SetLowTgasReturnToPetrol(bool on) { R().Tgas_lt = Flag(on); }
int TDevData::GetReturnToPetrolMask() const { return R().ReturnToPetrolMask; }
void TDevData::SetReturnToPetrolMask(int mask) { Store(R().ReturnToPetrolMask, mask); }
int TDevData::GetLowTgasThreshold() const { return R().Tgas_lt_val; }
void TDevData::SetLowTgasThreshold(int code) { Store(R().Tgas_lt_val, code); }
int TDevData::GetHighLoadPetrolForTgas() const { return R().Tgas_lt_Load_Lval; }
void TDevData::SetHighLoadPetrolForTgas(int load) { Store(R().Tgas_lt_Load_Lval, load); }
int TDevData::GetPreinjectionDuringCutOff() const { return R().MinPressDuringCuttOffForPreinjections; }
void TDevData::SetPreinjectionDuringCutOff(int pressure)
{
    Store(R().MinPressDuringCuttOffForPreinjections, pressure);
}
int TDevData::GetHighLoadThreshold() const { return R().LoadP_gt_val; }
void TDevData::SetHighLoadThreshold(int load) { Store(R().LoadP_gt_val, load); }
int TDevData::GetLowRpmThreshold() const { return R().RPM_lt_val; }
void TDevData::SetLowRpmThreshold(int rpm) { Store(R().RPM_lt_val, rpm); }
int TDevData::GetHighRpmThreshold() const { return R().RPM_gt_val; }
void TDevData::SetHighRpmThreshold(int rpm) { Store(R().RPM_gt_val, rpm); }
bool TDevData::GetCorrectionForIdleActive() const { return R().CorrectionForIdleActive != 0; }
void TDevData::SetCorrectionForIdleActive(bool on) { R().CorrectionForIdleActive = Flag(on); }
int TDevData::GetExtraOptions() const { return R().ExtraOptions; }
void TDevData::SetExtraOptions(int options) { Store(R().ExtraOptions, options); }

// device options
int TDevData::GetDeviceOptions() const { return R().DeviceOptions; }
void TDevData::SetDeviceOptions(int options) { Store(R().DeviceOptions, options); }
void TDevData::SetStatusFlag(int index)
{
    if (index >= 0 && index <= 3)
        R().DeviceOptions |= quint16(1u << index);
}
void TDevData::ClearStatusFlag(int index)
{
    if (index >= 0 && index <= 3)
        R().DeviceOptions &= quint16(~(1u << index));
}

// model
int TDevData::GetModelMultPercent() const { return FactorToPercent(R().Mult); }
void TDevData::SetModelMultPercent(int percent) { R().Mult = PercentToFactor(percent); }
double TDevData::GetModelOffset() const { return R().Offset; }
void TDevData::SetModelOffset(double ms) { R().Offset = ms; }
int TDevData::GetCorrectionMultPercent() const { return FactorToPercent(R().CorrectionMult); }
void TDevData::SetCorrectionMultPercent(int percent) { R().CorrectionMult = PercentToFactor(percent); }
double TDevData::GetCorrectionOffset() const { return R().CorrectionOffset; }
void TDevData::SetCorrectionOffset(double ms) { R().CorrectionOffset = ms; }
int TDevData::GetCorrectionMask() const { return R().CorrectionMask; }
void TDevData::SetCorrectionMask(int mask) { Store(R().CorrectionMask, mask); }
int TDevData::GetCorrectionForIdle() const { return R().CorrectionForIdle; }
void TDevData::SetCorrectionForIdle(int value) { Store(R().CorrectionForIdle, value); }
int TDevData::GetMapRpmRange() const { return R().MapRPMRange; }
void TDevData::SetMapRpmRange(int range) { Store(R().MapRPMRange, range); }
int TDevData::GetMapType() const { return R().MapType; }
void TDevData::SetMapType(int type) { Store(R().MapType, type); }

QPointF TDevData::GetMapPointA(int index) const
{
    return ValidPointIndex(index) ? PointToMs(R().ModelPointsA[index]) : QPointF();
}
void TDevData::SetMapPointA(int index, const QPointF &point)
{
    if (ValidPointIndex(index))
        R().ModelPointsA[index] = PointFromMs(point);
}
QPointF TDevData::GetMapPointB(int index) const
{
    return ValidPointIndex(index) ? PointToMs(R().ModelPointsB[index]) : QPointF();
}
void TDevData::SetMapPointB(int index, const QPointF &point)
{
    if (ValidPointIndex(index))
        R().ModelPointsB[index] = PointFromMs(point);
}

// live
int TDevData::GetRpmReal() const { return PeriodToRpm(R().RpmPeriod); }
double TDevData::GetLpgPressureReal() const { return RawToPressure(R().GasPressureRaw); }
double TDevData::GetPcolReal() const { return RawToCollectorPressure(R().ManifoldPressureRaw); }
double TDevData::GetReducerTempReal() const { return RawToTemperature(R().ReducerTempRaw); }
double TDevData::GetGasTempReal() const { return RawToTemperature(R().GasTempRaw); }
double TDevData::GetLambdaVoltageReal() const { return R().LambdaRaw * (1.0 / 51.0); }

// by device kind
int TDevData::ReadDeviceModelData()
{
    if (ReadConfigurationOperation)
        return ReadConfigurationOperation();
    return DataManager ? ReadConfigurationByKind(*DataManager) : 0;
}

bool TDevData::WriteConfigurationIfConnected()
{
    if (WriteConfigurationOperation)
        return WriteConfigurationOperation();
    return DataManager ? WriteConfigurationByKind(*DataManager) : false;
}

void TDevData::SetConfigurationOperations(std::function<int()> read, std::function<bool()> write)
{
    ReadConfigurationOperation = std::move(read);
    WriteConfigurationOperation = std::move(write);
}
