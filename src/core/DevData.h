// Accessor facade over the device configuration record. TDevData holds no
// data of its own: every operation reads or writes the one record
// (DeviceRecord), so any number of instances see the same values. Setters send
// nothing to the device; an integer that does not fit its field is limited to
// the field's range instead of being cut to its low bits.
#pragma once

#include <QPointF>
#include <QtGlobal>

#include <functional>

class TDevData
{
public:
    TDevData() = default;
    virtual ~TDevData() = default;

    // fuel
    bool GetFuelLPG() const;
    void SetFuelLPG(bool lpg);            // true stores 0 (LPG), false stores 1 (CNG)
    bool GetFuelCNG() const;

    // engine
    int GetMaxInjectorCount() const;
    int GetInjectorCount() const;
    void SetInjectorCount(int count);
    int GetInjectorMask() const;
    void SetInjectorMask(int mask);
    int GetCubicCapacity() const;
    void SetCubicCapacity(int cm3);
    int GetInjSystemType() const;
    void SetInjSystemType(int type);
    int GetEngineType() const;
    int GetEnginePower() const;
    void SetEnginePower(int kw);

    // injectors
    int GetNozzleSize() const;
    void SetNozzleSize(int size);
    int GetGasInjectorType() const;
    void SetGasInjectorType(int type);

    // sensors
    int GetPressureSensorType() const;
    void SetPressureSensorType(int type);
    int GetReducerType() const;
    void SetReducerType(int type);
    int GetLevelSensorType() const;
    void SetLevelSensorType(int type);
    int GetLambdaType() const;
    void SetLambdaType(int type);
    int GetSensorInFlowSent() const;
    void SetSensorInFlowSent(int value);
    bool GetSensorInFlow() const;
    void SetSensorInFlow(bool inFlow);

    // RPM
    int GetRpmSourceType() const;
    void SetRpmSourceType(int type);       // stores 1 for any non-zero value
    int GetRpmSource() const;
    void SetRpmSource(int source);

    // idle
    double GetIdleHotTb() const;           // ms
    void SetIdleHotTb(double ms);          // raw = round(ms x 187), 0..65535
    int GetIdleHotRpm() const;
    void SetIdleHotRpm(int rpm);
    double GetIdleHotPcolReal() const;     // bar, by the record's sensor type
    void SetIdleHotPcolReal(double bar);   // raw by the record's sensor type, 0..255

    // switching
    int GetWorkPressure() const;
    void SetWorkPressure(int code);
    int GetNominalReducerTemp() const;
    void SetNominalReducerTemp(int code);
    int GetNominalRpm() const;
    void SetNominalRpm(int code);
    int GetEmulatorSwitchDelay() const;
    void SetEmulatorSwitchDelay(int delay);
    int GetLowPressThreshold() const;
    void SetLowPressThreshold(int code);
    int GetLowPressDelay() const;
    void SetLowPressDelay(int code);

    // options
    bool GetHemiEngine() const;
    void SetHemiEngine(bool on);
    bool GetTuningMode() const;
    void SetTuningMode(bool on);
    bool GetNonSequential() const;
    void SetNonSequential(bool on);
    bool GetMicroInjection() const;
    void SetMicroInjection(bool on);
    bool GetPetrolInjPlusControl() const;
    void SetPetrolInjPlusControl(bool on);
    bool GetExternalEmulator() const;
    void SetExternalEmulator(bool on);
    bool GetSemiSeqGasControl() const;
    void SetSemiSeqGasControl(bool on);
    bool GetMasterMode() const;
    void SetMasterMode(bool on);
    bool GetCapTieEnabled() const;
    int GetMicroInjectionTime() const;
    void SetMicroInjectionTime(int code);
    int GetPostValveDelay() const;
    void SetPostValveDelay(int delay);

    // auto-calibration
    int GetAutoCalState() const;
    void SetAutoCalState(int state);
    int GetAutoCalProgress() const;
    void SetAutoCalProgress(int progress);
    int GetAutoCalPhase() const;
    double GetAutoCalStartValue() const;   // ms
    double GetAutoCalCurrentValue() const; // ms

    // return to petrol (the per-bit setters leave ReturnToPetrolMask as it is)
    bool GetLowRpmReturnToPetrol() const;
    void SetLowRpmReturnToPetrol(bool on);
    bool GetHighRpmReturnToPetrol() const;
    void SetHighRpmReturnToPetrol(bool on);
    bool GetHighLoadReturnToPetrol() const;
    void SetHighLoadReturnToPetrol(bool on);
    bool GetReturnToPetrolBit3() const;
    void SetReturnToPetrolBit3(bool on);
    bool GetReturnToPetrolBit4() const;
    void SetReturnToPetrolBit4(bool on);
    bool GetRaisingTSwitching() const;
    void SetRaisingTSwitching(bool on);
    bool GetAdaptation() const;
    void SetAdaptation(bool on);
    bool GetLowTgasReturnToPetrol() const;
    void SetLowTgasReturnToPetrol(bool on);
    int GetReturnToPetrolMask() const;
    void SetReturnToPetrolMask(int mask);
    int GetLowTgasThreshold() const;
    void SetLowTgasThreshold(int code);
    int GetHighLoadPetrolForTgas() const;
    void SetHighLoadPetrolForTgas(int load);
    int GetPreinjectionDuringCutOff() const;
    void SetPreinjectionDuringCutOff(int pressure);
    int GetHighLoadThreshold() const;
    void SetHighLoadThreshold(int load);
    int GetLowRpmThreshold() const;
    void SetLowRpmThreshold(int rpm);
    int GetHighRpmThreshold() const;
    void SetHighRpmThreshold(int rpm);
    bool GetCorrectionForIdleActive() const;
    void SetCorrectionForIdleActive(bool on);
    int GetExtraOptions() const;
    void SetExtraOptions(int options);

    // device options
    int GetDeviceOptions() const;
    void SetDeviceOptions(int options);
    void SetStatusFlag(int index);         // index 0..3; others do nothing
    void ClearStatusFlag(int index);

    // model
    int GetModelMultPercent() const;
    void SetModelMultPercent(int percent);
    double GetModelOffset() const;
    void SetModelOffset(double ms);
    int GetCorrectionMultPercent() const;
    void SetCorrectionMultPercent(int percent);
    double GetCorrectionOffset() const;
    void SetCorrectionOffset(double ms);
    int GetCorrectionMask() const;
    void SetCorrectionMask(int mask);
    int GetCorrectionForIdle() const;
    void SetCorrectionForIdle(int value);
    int GetMapRpmRange() const;
    void SetMapRpmRange(int range);
    int GetMapType() const;
    void SetMapType(int type);
    // Points 0..19 in ms (y to 0.01 ms); other indexes read (0, 0) and store nothing.
    QPointF GetMapPointA(int index) const;
    void SetMapPointA(int index, const QPointF &point);
    QPointF GetMapPointB(int index) const;
    void SetMapPointB(int index, const QPointF &point);
    void SetMapPointA(int index, double x, double y) { SetMapPointA(index, QPointF(x, y)); }
    void SetMapPointB(int index, double x, double y) { SetMapPointB(index, QPointF(x, y)); }

    // live
    int GetRpmReal() const;
    double GetLpgPressureReal() const;
    double GetPcolReal() const;
    double GetReducerTempReal() const;
    double GetGasTempReal() const;
    double GetLambdaVoltageReal() const;

    // Whole-configuration read and write by device kind over the global data
    // manager (ConfigurationByKind.h); the write runs the main window's
    // actions registered with SetConfigurationWriteActions. Operations set
    // with SetConfigurationOperations replace both (tools and tests); empty
    // functions restore the defaults.
    int ReadDeviceModelData();
    bool WriteConfigurationIfConnected();
    static void SetConfigurationOperations(std::function<int()> read, std::function<bool()> write);
};

// The accessor used by the kind-48 windows; it adds nothing.
class TUIStateData : public TDevData
{
};

extern TDevData *DevData;
extern TUIStateData *UIStateData;
