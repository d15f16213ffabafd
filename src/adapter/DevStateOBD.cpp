#include "adapter/DevStateOBD.h"

#include "core/EnglishTextKeys.h"

namespace {

QString obdName(const QString &name)
{
    return MakeGroupedName(dgOBD, name);
}

QString Translated(const char *english)
{
    QString text;
    TranslateUiText(QString::fromLatin1(english), text);
    return text;
}

// The names of the eight PID ranges, in the order of their mask bytes.
const char *const kPidRanges[8] = {"01to08", "09to10", "11to18", "19to20", "21to28", "29to30", "31to38", "39to40"};

} // namespace

// ---- Freeze frames -------------------------------------------------------------

TOBDFreezeFrame::TOBDFreezeFrame(TVariableList *list, int record)
{
    const QString prefix = QStringLiteral("OBDFreezeFrame_%1_").arg(record);
    auto name = [&](const char *field) { return obdName(prefix + QLatin1String(field)); };
    auto byte1 = [&](const char *field) { return new TDoubleVariable(list, 1, name(field)); };
    Device = new TByteVariable(list, name("Device"));
    ErrorCode = new TWordVariable(list, name("ErrorCode"));
    FuelSysStatB1 = new TByteVariable(list, name("FuelSysStatB1"));
    FuelSysStatB2 = new TByteVariable(list, name("FuelSysStatB2"));
    Load = byte1("Load");
    CoolantTemp = byte1("CoolantTemp");
    StFtB1 = byte1("StFtB1");
    LtFtB1 = byte1("LtFtB1");
    StFtB2 = byte1("StFtB2");
    LtFtB2 = byte1("LtFtB2");
    MAP = byte1("MAP");
    RPM = new TWordVariable(list, name("RPM"));
    Speed = byte1("Speed");
    TimAdv = byte1("TimAdv");
    IAT = byte1("IAT");
    MAF = new TDoubleVariable(list, 2, name("MAF"));
    ThrotPos = byte1("ThrotPos");
}

std::array<TVariable *, 17> TOBDFreezeFrame::Fields() const
{
    return {Device, ErrorCode, FuelSysStatB1, FuelSysStatB2, Load, CoolantTemp, StFtB1, LtFtB1, StFtB2,
            LtFtB2, MAP, RPM, Speed, TimAdv, IAT, MAF, ThrotPos};
}

// ---- Creation ----------------------------------------------------------------------

TByteVariable *TDevStateOBD::Byte(const QString &name, const char *format)
{
    auto *v = new TByteVariable(this, obdName(name));
    if (format)
        v->SetFormat(QString::fromLatin1(format));
    return v;
}

TWordVariable *TDevStateOBD::Word(const QString &name)
{
    return new TWordVariable(this, obdName(name));
}

TDoubleVariable *TDevStateOBD::Double(const QString &name, int length)
{
    return new TDoubleVariable(this, length, obdName(name));
}

TBoolVariable *TDevStateOBD::Flags(const QString &name)
{
    return new TBoolVariable(this, obdName(name), 1);
}

TDoubleOBDVariable *TDevStateOBD::Reading(const QString &name, int length, int pid)
{
    auto *v = new TDoubleOBDVariable(this, length, obdName(name));
    GateByPid(v, pid);
    return v;
}

// A reading's text is its formatted value only while its PID can be read.
void TDevStateOBD::GateByPid(TVariable *variable, int pid)
{
    if (auto *gated = dynamic_cast<TDoubleOBDVariable *>(variable))
        gated->SetMasks(OBDAllows[(pid - 1) / 8], OBDPIDs[(pid - 1) / 8], quint8(0x80 >> ((pid - 1) % 8)));
    variable->SetOnGetText([this, pid](TVariable *, QString &text) {
        if (!IsConnected() || !IsPidReadable(pid))
            text = NoReadingText();
    });
}

TDevStateOBD::TDevStateOBD(TDeviceState *owner) : TBaseDevState(owner)
{
    auto param = [this](const char *name, int value) {
        return TByteVariable::CreateParam(this, value, obdName(QString::fromLatin1(name)));
    };
    auto doubleParam = [this](const char *name) {
        auto *v = TDoubleVariable::CreateParam(this, 0, 1, obdName(QString::fromLatin1(name)));
        v->SetFormat(QStringLiteral("%.0f"));
        return v;
    };
    OBDProtocol_EE = param("OBDProtocol_EE", 0);
    OBDProtocol_EE->SetOnGetText([](TVariable *v, QString &text) { text = ProtocolText(int(v->GetAsInteger())); });
    OBDConfig_1_EE = TBoolVariable::CreateParam(this, 8, 1, obdName(QStringLiteral("OBDConfig_1_EE")));
    OBDConfig_2_EE = TBoolVariable::CreateParam(this, 0, 1, obdName(QStringLiteral("OBDConfig_2_EE")));
    OBDAdaptStFtBase_EE = doubleParam("OBDAdaptStFtBase_EE");
    OBDAdaptStFtRange_EE = param("OBDAdaptStFtRange_EE", 2);
    OBDAdaptLtFtBaseB1_EE = doubleParam("OBDAdaptLtFtBaseB1_EE");
    OBDAdaptLtFtBaseB2_EE = doubleParam("OBDAdaptLtFtBaseB2_EE");
    OBDAdaptLtFtRange_EE = param("OBDAdaptLtFtRange_EE", 2);
    OBDAdaptMaxCorr_EE = param("OBDAdaptMaxCorr_EE", 25);
    OBDAdaptMinRPM_EE = TWordVariable::CreateParam(this, 1200, obdName(QStringLiteral("OBDAdaptMinRPM_EE")));
    OBDAdaptType = param("OBDAdaptType", 2);
    OBDFlags1 = Flags(QStringLiteral("OBDFlags1"));
    OBDFlags2 = Flags(QStringLiteral("OBDFlags2"));
    OBDFlags3 = Flags(QStringLiteral("OBDFlags3"));
    OBDFlags4 = Flags(QStringLiteral("OBDFlags4"));
    OBDactionMain = Byte(QStringLiteral("OBDactionMain"));
    OBDactionMain->SetOnGetText([this](TVariable *, QString &text) { text = StateText(); });
    OBDactionDetect = Byte(QStringLiteral("OBDactionDetect"));
    OBDactionConnecting = Byte(QStringLiteral("OBDactionConnecting"));
    OBDactionConnected = Byte(QStringLiteral("OBDactionConnected"));
    OBDactualProtocol = Byte(QStringLiteral("OBDactualProtocol"));
    OBDnumberOfControllers = Byte(QStringLiteral("OBDnumberOfControllers"));
    for (int i = 0; i < 8; ++i)
        OBDPIDs[i] = Flags(QStringLiteral("OBDPIDs") + QLatin1String(kPidRanges[i]));
    for (int i = 0; i < 8; ++i)
        OBDAllows[i] = TBoolVariable::CreateParam(this, 0, 1, obdName(QStringLiteral("OBDAllows") + QLatin1String(kPidRanges[i])));

    // Live readings, each shown only while its PID can be read.
    auto reading = [this](const char *name, int length, int pid) {
        auto *v = Double(QString::fromLatin1(name), length);
        GateByPid(v, pid);
        return v;
    };
    OBDStFtB1 = reading("OBDStFtB1", 1, 0x06);
    OBDLtFtB1 = reading("OBDLtFtB1", 1, 0x07);
    OBDStFtB2 = reading("OBDStFtB2", 1, 0x08);
    OBDLtFtB2 = reading("OBDLtFtB2", 1, 0x09);
    OBDRPM = Word(QStringLiteral("OBDRPM"));
    GateByPid(OBDRPM, 0x0C);
    OBDSpeed = reading("OBDSpeed", 1, 0x0D);
    OBDLoad = reading("OBDLoad", 1, 0x04);
    OBDCoolantTemp = reading("OBDCoolantTemp", 1, 0x05);
    OBDMAP = reading("OBDMAP", 1, 0x0B);
    OBDTimingAdvance = reading("OBDTimingAdvance", 1, 0x0E);
    OBDIntakeAirTemp = reading("OBDIntakeAirTemp", 1, 0x0F);
    OBDMAF = reading("OBDMAF", 2, 0x10);
    OBDAbslThrottlePos = reading("OBDAbslThrottlePos", 1, 0x11);
    auto fuelStatus = [this](TVariable *v, QString &text) { text = FuelSystemStatusText(int(v->GetAsInteger())); };
    OBDFuelSystemStatusB1 = Byte(QStringLiteral("OBDFuelSystemStatusB1"));
    OBDFuelSystemStatusB1->SetOnGetText(fuelStatus);
    OBDFuelSystemStatusB2 = Byte(QStringLiteral("OBDFuelSystemStatusB2"));
    OBDFuelSystemStatusB2->SetOnGetText(fuelStatus);

    OBDnumberOfTroubleCodes = Byte(QStringLiteral("OBDnumberOfTroubleCodes"));
    OBDstateClearErrors = Byte(QStringLiteral("OBDstateClearErrors"));
    OBDstateReadTroubleCodes = Byte(QStringLiteral("OBDstateReadTroubleCodes"));
    OBDstateReadPendingTroubleCodes = Byte(QStringLiteral("OBDstateReadPendingTroubleCodes"));
    OBDstateReadFreezeFrame = Byte(QStringLiteral("OBDstateReadFreezeFrame"));
    OBDerrorProtocolCode = Byte(QStringLiteral("OBDerrorProtocolCode"));
    OBDDistanceTraveledWithMILon = Word(QStringLiteral("OBDDistanceTraveledWithMILon"));

    FFreezeFrames = {new TOBDFreezeFrame(this, 0), new TOBDFreezeFrame(this, 1)};

    // Oxygen sensors: narrow band at PIDs 0x14..0x1B, wide band at 0x34..0x3B.
    for (int k = 0; k < 8; ++k)
        OBDLambda[k] = Reading(QStringLiteral("OBDLambda%1B%2").arg(k % 4 + 1).arg(k / 4 + 1), 1, 0x14 + k);
    for (int k = 0; k < 8; ++k)
        OBDLambdaStft[k] = Reading(QStringLiteral("OBDLambda%1B%2Stft").arg(k % 4 + 1).arg(k / 4 + 1), 1, 0x14 + k);
    for (int k = 0; k < 8; ++k)
        OBDLambdaUEGOCurrentRatio[k] = Reading(QStringLiteral("OBDLambdaUEGOCurrent%1Ratio").arg(k + 1), 2, 0x34 + k);
    for (int k = 0; k < 8; ++k)
        OBDLambdaUEGOCurrent[k] = Reading(QStringLiteral("OBDLambdaUEGOCurrent%1").arg(k + 1), 2, 0x34 + k);

    // Addresses and controller data.
    for (int i = 0; i < 3; ++i) {
        Byte(QStringLiteral("OBDTEMPaddressOfControllers_ISO_KWP__[%1]").arg(i), "%.2x");
        for (int j = 0; j < 4; ++j) {
            Byte(QStringLiteral("OBDTEMPavailablePIDs_00__[%1][%2]").arg(i).arg(j), "%.2x");
            Byte(QStringLiteral("FOBDTEMPidOfControllers_CAN__[%1][%2]").arg(i).arg(j), "%.2x");
        }
    }
    for (int i = 0; i < 2; ++i)
        Byte(QStringLiteral("OBDpreferredNrOfIDstd_CAN__[%1]").arg(i), "%.2x");
    for (int i = 0; i < 3; ++i) {
        Byte(QStringLiteral("OBDpreferredAddresses_ISO_KWP__[%1]").arg(i), "%.2x");
        Byte(QStringLiteral("OBDpreferredAddresses29bit_CAN__[%1]").arg(i), "%.2x");
    }
    for (int i = 0; i < 4; ++i)
        Byte(QStringLiteral("OBDidOfController_CAN__[%1]").arg(i), "%.2x");
    Byte(QStringLiteral("OBDaddressOfController_ISO_KWP"), "%.2x");
    Byte(QStringLiteral("OBDaddressID29bit_CAN"), "%.2x");
    for (int i = 0; i < 3; ++i)
        FOnBoardTestInfo[i] = Byte(QStringLiteral("OBDonBoardTestInfo__[%1]").arg(i + 1));
    OBDoxygenSensorLocations = Byte(QStringLiteral("OBDoxygenSensorLocations"));
    OBDversion = Byte(QStringLiteral("OBDversion"));
    for (int i = 0; i < 4; ++i)
        FAvailablePIDs40[i] = Byte(QStringLiteral("OBDavailablePIDs_40__[%1]").arg(i + 1));
    OBDaddressing = Byte(QStringLiteral("OBDaddressing"));
    OBDkw1 = Byte(QStringLiteral("OBDkw1"));
    OBDkw2 = Byte(QStringLiteral("OBDkw2"));

    // Counters and test data.
    OBDdelayConnectCounter = Double(QStringLiteral("OBDdelayConnectCounter"), 2);
    OBDdelayConnectCounter->SetFormat(QStringLiteral("%.0f"));
    OBDnrOfInitErrors = Byte(QStringLiteral("OBDnrOfInitErrors"));
    OBDnrOfSendControlFrameErrors = Byte(QStringLiteral("OBDnrOfSendControlFrameErrors"));
    OBDnrOfRecvControlFrameErrors = Byte(QStringLiteral("OBDnrOfRecvControlFrameErrors"));
    OBDisOBDsimCompiled = Byte(QStringLiteral("OBDisOBDsimCompiled"));
    OBDisTestPIDsActive = TBoolVariable::CreateParam(this, 0, 1, obdName(QStringLiteral("OBDisTestPIDsActive")));
    OBDisOBDsimActive = TBoolVariable::CreateParam(this, 0, 1, obdName(QStringLiteral("OBDisOBDsimActive")));
    for (int i = 1; i <= 2; ++i)
        Byte(QStringLiteral("OBDLiveLEDs__[%1]").arg(i));
    for (const char *name : {"OBDnumberOfSendingErrors", "OBDnumberOfTransmissionTimeout", "OBDliveCommandSize",
                             "OBDliveCounter", "OBDstateReadLiveVar", "OBDstatusTest", "helpVar1", "helpVar2",
                             "helpVar3", "helpVar4", "helpVar5"})
        Byte(QString::fromLatin1(name));

    // Tables.
    for (int i = 1; i <= 47; ++i)
        Byte(QStringLiteral("OBDLiveCommandTable__[%1]").arg(i), "%.2x");
    for (int i = 0; i < 10; ++i)
        Byte(QStringLiteral("OBDAdaptLoadThresholds__[%1]").arg(i));
    for (int i = 0; i < 10; ++i)
        Word(QStringLiteral("OBDAdaptRpmThresholds__[%1]").arg(i));
    for (auto *bank : {&FAdaptBank1, &FAdaptBank2})
        for (int row = 0; row < 10; ++row)
            for (int column = 0; column < 10; ++column) {
                auto *v = TDoubleVariable::CreateParam(
                    this, 0, 1,
                    obdName(QStringLiteral("OBDAdaptCorrectionsBank%1__[%2][%3]")
                                .arg(bank == &FAdaptBank1 ? 1 : 2).arg(row).arg(column)));
                v->SetFormat(QStringLiteral("%.0f"));
                (*bank)[row * 10 + column] = v;
            }
    for (int i = 0; i < 8; ++i)
        FAdaptStates[i] = Byte(QStringLiteral("OBDadaptStatesTEST__[%1]").arg(i + 1));
}

TDevStateOBD::~TDevStateOBD()
{
    for (TOBDFreezeFrame *frame : FFreezeFrames)
        delete frame;
}

// ---- Accessors -----------------------------------------------------------------------

quint32 TDevStateOBD::GetCodeA(int i) const { return i >= 0 && i < 7 ? FCodesA[i] : 0; }
quint32 TDevStateOBD::GetCodeB(int i) const { return i >= 0 && i < 7 ? FCodesB[i] : 0; }

void TDevStateOBD::SetCodeA(int i, quint32 code)
{
    if (i >= 0 && i < 7)
        FCodesA[i] = code;
}

void TDevStateOBD::SetCodeB(int i, quint32 code)
{
    if (i >= 0 && i < 7)
        FCodesB[i] = code;
}

TOBDFreezeFrame *TDevStateOBD::GetFreezeFrame(int i) const { return i == 0 || i == 1 ? FFreezeFrames[i] : nullptr; }

TByteVariable *TDevStateOBD::GetOnBoardTestInfo(int i) const { return i >= 1 && i <= 3 ? FOnBoardTestInfo[i - 1] : nullptr; }
TByteVariable *TDevStateOBD::GetAvailablePIDs40(int i) const { return i >= 1 && i <= 4 ? FAvailablePIDs40[i - 1] : nullptr; }
TByteVariable *TDevStateOBD::GetAdaptState(int i) const { return i >= 1 && i <= 8 ? FAdaptStates[i - 1] : nullptr; }

TDoubleVariable *TDevStateOBD::GetAdaptCorrectionBank1(int row, int column) const
{
    return row >= 0 && row < 10 && column >= 0 && column < 10 ? FAdaptBank1[row * 10 + column] : nullptr;
}

TDoubleVariable *TDevStateOBD::GetAdaptCorrectionBank2(int row, int column) const
{
    return row >= 0 && row < 10 && column >= 0 && column < 10 ? FAdaptBank2[row * 10 + column] : nullptr;
}

bool TDevStateOBD::IsAdaptCorrection(const QString &name) const
{
    for (const auto *bank : {&FAdaptBank1, &FAdaptBank2})
        for (const TDoubleVariable *cell : *bank)
            if (cell && cell->Name() == name)
                return true;
    return false;
}

// ---- States and texts -------------------------------------------------------------------

bool TDevStateOBD::IsConnected() const
{
    if (!IsModuleActive())
        return false;
    const qint64 action = OBDactionMain->GetAsInteger();
    return action == 4 || action == 5;
}

bool TDevStateOBD::IsDisconnecting() const
{
    const qint64 action = OBDactionMain->GetAsInteger();
    return IsModuleActive() && action >= 6 && action <= 14;
}

bool TDevStateOBD::IsIdle() const
{
    const qint64 action = OBDactionMain->GetAsInteger();
    return IsModuleActive() && (action < 2 || (action >= 15 && action <= 23));
}

bool TDevStateOBD::IsDetecting() const
{
    const qint64 detect = OBDactionDetect->GetAsInteger();
    return IsModuleActive() && OBDactionMain->GetAsInteger() == 24 && detect >= 2 && detect <= 7;
}

bool TDevStateOBD::IsDelayConnect() const
{
    return IsModuleActive() && OBDactionMain->GetAsInteger() == 25;
}

bool TDevStateOBD::IsPidReadable(int pid) const
{
    if (pid < 1 || pid > 64)
        return false;
    const qint64 bit = 0x80 >> ((pid - 1) % 8);
    const int range = (pid - 1) / 8;
    return (OBDPIDs[range]->GetAsInteger() & bit) && (OBDAllows[range]->GetAsInteger() & bit);
}

QString TDevStateOBD::ProtocolText(int protocol)
{
    if (protocol == 1)
        return QStringLiteral("ISO9141");
    if (protocol == 2 || protocol == 3)
        return QStringLiteral("KWP2000");
    if (protocol >= 4 && protocol <= 7)
        return QStringLiteral("CAN");
    return QString();
}

QString TDevStateOBD::StateText() const
{
    const int action = int(OBDactionMain->GetAsInteger());
    const QString protocol = ProtocolText(int(OBDProtocol_EE->GetAsInteger()));
    if (action == 0)
        return Translated("Unknown state");
    if (action == 1)
        return Translated("Idle");
    if (action == 2 || action == 3)
        return QStringLiteral("%1 (%2)...").arg(Translated("Connecting"), protocol);
    if (action == 4 || action == 5)
        return QStringLiteral("%1 (%2)").arg(Translated("Connected"), protocol);
    if (action >= 6 && action <= 14)
        return Translated("Disconnecting");
    if (action >= 15 && action <= 23)
        return Translated("Disconnected");
    if (action == 24)
        return Translated("Detecting");
    if (action == 25)
        return Translated("DelayConnect");
    return QStringLiteral("UNHANDLED");
}

QString TDevStateOBD::FuelSystemStatusText(int status) const
{
    if (!IsConnected() || !IsPidReadable(0x03))
        return NoReadingText();
    switch (status) {
    case 0: return NoReadingText();
    case 1: return Translated("Open loop");
    case 2: return Translated("Closed loop");
    case 4: return Translated("Open loop due to driving conditions");
    case 8: return Translated("Open loop due to detected system fault");
    case 16: return Translated("Closed loop but fault with at least one oxygen sensor");
    default: return Translated("Unknown state");
    }
}

double TDevStateOBD::RecorderValue(int channel) const
{
    if (!IsConnected())
        return 0.0;
    const TVariable *readings[13] = {OBDStFtB1, OBDLtFtB1, OBDStFtB2, OBDLtFtB2, OBDRPM, OBDSpeed, OBDLoad,
                                     OBDCoolantTemp, OBDMAP, OBDTimingAdvance, OBDIntakeAirTemp, OBDMAF,
                                     OBDAbslThrottlePos};
    if (channel >= 0 && channel < 13)
        return readings[channel]->GetAsFloat();
    if (channel >= 13 && channel < 21)
        return OBDLambda[size_t(channel - 13)]->GetAsFloat();
    return 0.0;
}
