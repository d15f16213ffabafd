// The OBD module's device-side variable set: the OBD settings the adapter box
// stores, the link state, the supported and allowed PID masks, the live
// readings, trouble-code and freeze-frame data, controller addresses,
// diagnostic counters, the live table and the two fuel-trim adaptation
// tables. The variables are created in a fixed order: the user-interface side
// mirrors them index by index.
#pragma once

#include "adapter/DeviceState.h"

#include <array>
#include <functional>

// A reading tied to one PID: its text shows the value only while the OBD link
// is connected and the PID is both supported by the car and allowed by the
// user.
class TDoubleOBDVariable : public TDoubleVariable
{
public:
    TDoubleOBDVariable(TVariableList *list, int dataLength, const QString &fullName)
        : TDoubleVariable(list, dataLength, fullName) {}

    void SetMasks(TVariable *allowed, TVariable *supported, quint8 bit)
    {
        AllowedMask = allowed;
        SupportedMask = supported;
        Bit = bit;
    }

    TVariable *AllowedMask = nullptr;
    TVariable *SupportedMask = nullptr;
    quint8 Bit = 0;
};

// One freeze-frame record: the 17 variables of one stored frame.
class TOBDFreezeFrame
{
public:
    TOBDFreezeFrame(TVariableList *list, int record);

    TByteVariable *Device;
    TWordVariable *ErrorCode;
    TByteVariable *FuelSysStatB1, *FuelSysStatB2;
    TDoubleVariable *Load, *CoolantTemp, *StFtB1, *LtFtB1, *StFtB2, *LtFtB2, *MAP;
    TWordVariable *RPM;
    TDoubleVariable *Speed, *TimAdv, *IAT, *MAF, *ThrotPos;

    // The fields in their order on the wire, with their byte counts.
    std::array<TVariable *, 17> Fields() const;
};

class TDevStateOBD : public TBaseDevState
{
public:
    explicit TDevStateOBD(TDeviceState *owner);
    ~TDevStateOBD() override;

    // Stored settings.
    TByteVariable *OBDProtocol_EE;
    TBoolVariable *OBDConfig_1_EE, *OBDConfig_2_EE;
    TDoubleVariable *OBDAdaptStFtBase_EE;
    TByteVariable *OBDAdaptStFtRange_EE;
    TDoubleVariable *OBDAdaptLtFtBaseB1_EE, *OBDAdaptLtFtBaseB2_EE;
    TByteVariable *OBDAdaptLtFtRange_EE, *OBDAdaptMaxCorr_EE;
    TWordVariable *OBDAdaptMinRPM_EE;
    TByteVariable *OBDAdaptType;
    // Link state.
    TBoolVariable *OBDFlags1, *OBDFlags2, *OBDFlags3, *OBDFlags4;
    TByteVariable *OBDactionMain;
    TByteVariable *OBDactionDetect, *OBDactionConnecting, *OBDactionConnected, *OBDactualProtocol,
        *OBDnumberOfControllers;
    // PIDs the car supports and PIDs the user allows, eight PIDs a byte.
    std::array<TBoolVariable *, 8> OBDPIDs{}, OBDAllows{};
    // Live readings.
    TDoubleVariable *OBDStFtB1, *OBDLtFtB1, *OBDStFtB2, *OBDLtFtB2;
    TWordVariable *OBDRPM;
    TDoubleVariable *OBDSpeed, *OBDLoad, *OBDCoolantTemp, *OBDMAP, *OBDTimingAdvance, *OBDIntakeAirTemp, *OBDMAF,
        *OBDAbslThrottlePos;
    TByteVariable *OBDFuelSystemStatusB1, *OBDFuelSystemStatusB2;
    // Trouble-code state.
    TByteVariable *OBDnumberOfTroubleCodes, *OBDstateClearErrors, *OBDstateReadTroubleCodes,
        *OBDstateReadPendingTroubleCodes, *OBDstateReadFreezeFrame, *OBDerrorProtocolCode;
    TWordVariable *OBDDistanceTraveledWithMILon;
    // Oxygen sensors: narrow-band sensor n of bank b at [4 (b - 1) + n - 1],
    // wide-band sensors 1..8 at [k - 1].
    std::array<TDoubleOBDVariable *, 8> OBDLambda{}, OBDLambdaStft{};
    std::array<TDoubleOBDVariable *, 8> OBDLambdaUEGOCurrentRatio{}, OBDLambdaUEGOCurrent{};
    // Controller data and counters the module stores from the live table.
    TByteVariable *OBDoxygenSensorLocations, *OBDversion, *OBDaddressing, *OBDkw1, *OBDkw2;
    TDoubleVariable *OBDdelayConnectCounter;
    TByteVariable *OBDnrOfInitErrors, *OBDnrOfSendControlFrameErrors, *OBDnrOfRecvControlFrameErrors,
        *OBDisOBDsimCompiled;
    TBoolVariable *OBDisTestPIDsActive, *OBDisOBDsimActive;

    // Trouble-code slots 0..6 of the stored (A) and pending (B) codes: the low
    // byte is the record's first byte, bits 31..16 the two code bytes. An
    // index outside 0..6 reads 0 and stores nothing.
    quint32 GetCodeA(int i) const;
    void SetCodeA(int i, quint32 code);
    quint32 GetCodeB(int i) const;
    void SetCodeB(int i, quint32 code);
    // Freeze-frame record 0 or 1 (nullptr for other indexes).
    TOBDFreezeFrame *GetFreezeFrame(int i) const;
    // Array variables by their 1-based index (nullptr outside).
    TByteVariable *GetOnBoardTestInfo(int i) const;
    TByteVariable *GetAvailablePIDs40(int i) const;
    TByteVariable *GetAdaptState(int i) const;
    // Adaptation-table cells, row and column 0..9 (nullptr outside).
    TDoubleVariable *GetAdaptCorrectionBank1(int row, int column) const;
    TDoubleVariable *GetAdaptCorrectionBank2(int row, int column) const;
    // A cell of either adaptation table, by the variable's name.
    bool IsAdaptCorrection(const QString &name) const;

    // Whether the OBD module is active; set by the module that owns this set.
    // Without a module the OBD link is never connected.
    std::function<bool()> ModuleActive;
    bool IsModuleActive() const { return ModuleActive && ModuleActive(); }
    // Link-state tests by OBDactionMain; all false while the module is not active.
    bool IsConnected() const;
    bool IsDisconnecting() const;
    bool IsIdle() const;
    bool IsDetecting() const;
    bool IsDelayConnect() const;
    // A PID (1..64) is supported by the car and allowed by the user.
    bool IsPidReadable(int pid) const;

    // The value of the recorder's OBD channel 0..20 (trims, RPM, speed, load,
    // coolant, MAP, advance, intake air, air mass, throttle, then the eight
    // narrow-band oxygen sensors); 0 while the link is not connected.
    double RecorderValue(int channel) const;

    // Texts of the link state, the protocol and a fuel-system status.
    QString StateText() const;
    static QString ProtocolText(int protocol);
    QString FuelSystemStatusText(int status) const;

private:
    TByteVariable *Byte(const QString &name, const char *format = nullptr);
    TWordVariable *Word(const QString &name);
    TDoubleVariable *Double(const QString &name, int length);
    TBoolVariable *Flags(const QString &name);
    TDoubleOBDVariable *Reading(const QString &name, int length, int pid);
    void GateByPid(TVariable *variable, int pid);

    std::array<quint32, 7> FCodesA{}, FCodesB{};
    std::array<TOBDFreezeFrame *, 2> FFreezeFrames{};
    std::array<TByteVariable *, 3> FOnBoardTestInfo{};
    std::array<TByteVariable *, 4> FAvailablePIDs40{};
    std::array<TByteVariable *, 8> FAdaptStates{};
    std::array<TDoubleVariable *, 100> FAdaptBank1{}, FAdaptBank2{};
};

// The text of a reading that cannot be shown.
inline const QString &NoReadingText()
{
    static const QString text = QStringLiteral("-----");
    return text;
}
