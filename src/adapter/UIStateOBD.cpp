#include "adapter/UIStateOBD.h"

namespace {

QString obdName(const QString &name)
{
    return MakeGroupedName(dgOBD, name);
}

const char *const kFlagNames[33] = {
    "INVALID_00", "isAllowToUse", "isRequestToDetectProtocol", "isRequestToBreakDetectProtocol", "isRequestToConnect",
    "isRequestToDisconnect", "isSystemConnected", "isWaitingForTimeout", "isCanFlowControl", "isDataReadyTo",
    "isDataReadyFrom", "isFirstReading", "isSecondReading", "isReadErrorsFinished", "isRequestClearTroubleCodes",
    "isRequestReadTroubleCodes", "isRequestReadPendingTroubleCodes", "isRequestReadFreezeFrame", "isTroubleCodes",
    "isCheckEngine", "isFreezeFrame", "isInitInProgress", "isConnectionResumed", "isSendingInProgress",
    "isSendingRequest", "isClearErrorsFinished", "isReceivedByte", "isUnknownAction", "isUnknownProtocol",
    "isUnknownAddressing", "isUnknownIDorAddress", "isConnectionBroken", "isDelayConnect"};

// PID names 0..64; a trailing '#' stands for a numbered run (see PidName).
QString PidNameOf(int i)
{
    static const char *const fixed[] = {
        "INVALID_00", "getNumberOfTroubleCodes", "UNUSED_02", "getFuelSystemStatus", "readCalculatedEngineLoad",
        "readEngineCoolantTemperature", "readShortTermFuelTrimBank1", "readLongTermFuelTrimBank1",
        "readShortTermFuelTrimBank2", "readLongTermFuelTrimBank2", "readFuelPressure", "readIntakeManifoldPressure",
        "readEngineRPM", "readVehicleSpeed", "readTimingAdvance", "readIntakeAirTemperature", "readMafAirFlow",
        "readAbsoluteThrottleSensorPosition", "getSecondaryAirStatus", "getOxygenSensorLocations"};
    if (i < 20)
        return QString::fromLatin1(fixed[i]);
    if (i < 28)
        return QStringLiteral("readOxygenSensorVoltageBank%1Sensor%2").arg((i - 20) / 4 + 1).arg((i - 20) % 4 + 1);
    static const char *const middle[] = {"getDesignOBDRequirements", "getAlternateOxygenSensorLocations",
                                         "getAuxilliaryInputStatus", "readTimeSinceEngineStart", "getCarPIDs_20",
                                         "readDistanceTraveledWithMILon", "readFuelRailPressure",
                                         "readFuelRailPressureDiesel"};
    if (i < 36)
        return QString::fromLatin1(middle[i - 28]);
    if (i < 44)
        return QStringLiteral("readOxygenSensorUEGOVoltage%1").arg(i - 35);
    static const char *const late[] = {"readCommandedEGR", "readEGRerror", "readCommandedEvaporativePurge",
                                       "readFuelLevelInput", "UNKNOWN_30", "readDistanceTraveledSinceCodesCleared",
                                       "readEvapSystemVaporPressure", "readBarometricPressure"};
    if (i < 52)
        return QString::fromLatin1(late[i - 44]);
    if (i < 60)
        return QStringLiteral("readOxygenSensorUEGOCurrent%1").arg(i - 51);
    static const char *const last[] = {"readCatalystTemperatureBank1Sensor1", "readCatalystTemperatureBank2Sensor1",
                                       "readCatalystTemperatureBank1Sensor2", "readCatalystTemperatureBank2Sensor2",
                                       "getCarPIDs_40"};
    return QString::fromLatin1(last[i - 60]);
}

} // namespace

QString TUIStateOBD::FlagName(int i)
{
    return i >= 0 && i <= 32 ? QString::fromLatin1(kFlagNames[i]) : QString();
}

QString TUIStateOBD::PidName(int i)
{
    return i >= 0 && i <= 64 ? PidNameOf(i) : QString();
}

TUIStateOBD::TUIStateOBD(TDeviceState *owner, TDevStateOBD *deviceSide)
    : TDevStateOBD(owner),
      LocalOBDReadings(new TBoolByteVariable(this, MakeGroupedName(dgLocal, QStringLiteral("LocalOBDReadings")))),
      FDeviceSide(deviceSide)
{
    auto bit = [this](quint8 mask, TBoolVariable *parent, const char *name) {
        return TBoolVariable::CreateBit(this, mask, parent, obdName(QString::fromLatin1(name)));
    };
    OBDConfig_1_EE_isAutoConnect = bit(1, OBDConfig_1_EE, "OBDConfig_1_EE_isAutoConnect");
    OBDConfig_1_EE_isAdaptationEnabled = bit(2, OBDConfig_1_EE, "OBDConfig_1_EE_isAdaptationEnabled");
    OBDConfig_1_EE_isCorrectionsInverted = bit(4, OBDConfig_1_EE, "OBDConfig_1_EE_isCorrectionsInverted");
    OBDConfig_1_EE_isAdaptControlLtFt = bit(8, OBDConfig_1_EE, "OBDConfig_1_EE_isAdaptControlLtFt");
    OBDConfig_1_EE_isAdaptUseMinRPM = bit(64, OBDConfig_1_EE, "OBDConfig_1_EE_isAdaptUseMinRPM");
    OBDConfig_1_EE_isNotUseDivCorrs = bit(128, OBDConfig_1_EE, "OBDConfig_1_EE_isNotUseDivCorrs");
    OBDConfig_2_EE_unused1 = bit(1, OBDConfig_2_EE, "OBDConfig_2_EE_unused1");
    OBDConfig_2_EE_unused2 = bit(2, OBDConfig_2_EE, "OBDConfig_2_EE_unused2");
    OBDConfig_2_EE_unused3 = bit(4, OBDConfig_2_EE, "OBDConfig_2_EE_unused3");
    TBoolVariable *flags[4] = {OBDFlags1, OBDFlags2, OBDFlags3, OBDFlags4};
    for (int i = 0; i <= 32; ++i)
        FFlags[i] = TBoolVariable::CreateBit(this, i == 0 ? 0 : quint8(1u << ((i - 1) % 8)),
                                             flags[i == 0 ? 0 : (i - 1) / 8],
                                             obdName(QStringLiteral("OBD_flg_") + FlagName(i)));
    for (int i = 0; i <= 64; ++i) {
        const quint8 mask = i == 0 ? 0 : quint8(0x80u >> ((i - 1) % 8));
        const int range = i == 0 ? 0 : (i - 1) / 8;
        FPids[i] = TBoolVariable::CreateBit(this, mask, OBDPIDs[range], obdName(QStringLiteral("OBD_pid_") + PidName(i)));
    }
    for (int i = 0; i <= 64; ++i) {
        const quint8 mask = i == 0 ? 0 : quint8(0x80u >> ((i - 1) % 8));
        const int range = i == 0 ? 0 : (i - 1) / 8;
        FAllowed[i] = TBoolVariable::CreateBit(this, mask, OBDAllows[range], obdName(QStringLiteral("OBD_alw_") + PidName(i)));
    }
    ModuleActive = [this] { return FDeviceSide && FDeviceSide->IsModuleActive(); };
}

void TUIStateOBD::RegisterVariables(int phase)
{
    RegisterVariablesPhase(phase, *FDeviceSide);
}

void TUIStateOBD::DataChanged()
{
    if (FDeviceSide)
        for (int i = 0; i < 7; ++i) {
            SetCodeA(i, FDeviceSide->GetCodeA(i));
            SetCodeB(i, FDeviceSide->GetCodeB(i));
        }
    FAdaptType = int(OBDAdaptType->GetAsInteger());
    FNotUseDivCorrs = OBDConfig_1_EE_isNotUseDivCorrs->GetAsBoolean();
}

bool TUIStateOBD::GetFlag(int i) const
{
    return i >= 1 && i <= 32 && FFlags[i]->GetAsBoolean();
}

bool TUIStateOBD::GetPidSupported(int i) const
{
    return i >= 1 && i <= 64 && FPids[i]->GetAsBoolean();
}

TBoolVariable *TUIStateOBD::GetPidAllowedVariable(int i) const
{
    return i >= 1 && i <= 64 ? FAllowed[i] : nullptr;
}
