#include "adapter/ModuleOBD.h"

#include "adapter/Logic.h"
#include "adapter/ModuleAdapter.h"
#include "core/DataManager.h"
#include "core/EnglishTextKeys.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"

#include <QThread>

#include <algorithm>
#include <cmath>

#include "adapter/Manager.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"

TModuleOBD *ModuleOBD = nullptr;

namespace {

QByteArray Bytes1(const std::uint8_t *p, int n) { return QByteArray(reinterpret_cast<const char *>(p), n); }

double Trim(int a) { return (a - 128) * 100.0 / 128.0; }

// Installs a raw-to-value conversion that sets the value as a number.
void Convert(TVariable *v, double (*f)(const QByteArray &raw))
{
    v->SetOnRawToValue([f](TVariable *sender, QByteArray &raw) { sender->SetAsFloat(f(raw)); });
}

int A(const QByteArray &raw) { return quint8(raw.at(0)); }
int AB(const QByteArray &raw) { return quint8(raw.at(0)) * 256 + quint8(raw.at(1)); }

// Settings and cells that travel as one signed byte: read as is, written back
// rounded and limited to the byte's range.
void SignedByte(TVariable *v)
{
    v->SetOnRawToValue([](TVariable *sender, QByteArray &raw) { sender->SetAsFloat(qint8(raw.at(0))); });
    v->SetOnValueToRaw([](TVariable *sender, QByteArray &raw) {
        const double value = sender->GetAsFloat();
        const long rounded = std::isfinite(value) ? std::lround(std::clamp(value, -128.0, 127.0)) : 0;
        raw[0] = char(qint8(rounded));
    });
}

} // namespace

TModuleOBD::TModuleOBD(QObject *owner, TBaseModule *parent, TUIState *uiState, TDeviceState *deviceState,
                       TBaseProtocol *protocol, TManager *manager)
    : TBaseModule(owner, parent, protocol, manager),
      FDevState(new TDevStateOBD(deviceState)),
      FUIState(new TUIStateOBD(uiState, FDevState)),
      FLogic(new TLogicOBD(this))
{
    setObjectName(QStringLiteral("ModuleOBD"));
    FDevState->ModuleActive = [this] { return IsActive(); };
    InstallConversions();
}

TModuleOBD::~TModuleOBD()
{
    delete FUIState;
    delete FDevState;
}

TBaseDevState *TModuleOBD::GetUIState() const
{
    return FUIState;
}

void TModuleOBD::InstallConversions()
{
    TDevStateOBD &d = *FDevState;
    for (TVariable *v : {static_cast<TVariable *>(d.OBDAdaptStFtBase_EE), static_cast<TVariable *>(d.OBDAdaptLtFtBaseB1_EE),
                         static_cast<TVariable *>(d.OBDAdaptLtFtBaseB2_EE)})
        SignedByte(v);
    for (int row = 0; row < 10; ++row)
        for (int column = 0; column < 10; ++column) {
            SignedByte(d.GetAdaptCorrectionBank1(row, column));
            SignedByte(d.GetAdaptCorrectionBank2(row, column));
        }
    auto trim = [](const QByteArray &raw) { return Trim(A(raw)); };
    auto percent = [](const QByteArray &raw) { return A(raw) * 100.0 / 255.0; };
    auto temperature = [](const QByteArray &raw) { return A(raw) - 40.0; };
    auto plain = [](const QByteArray &raw) { return double(A(raw)); };
    auto map = [](const QByteArray &raw) { return A(raw) / 100.0; };
    auto advance = [](const QByteArray &raw) { return A(raw) / 2.0 - 64.0; };
    auto maf = [](const QByteArray &raw) { return AB(raw) / 100.0; };
    auto rpm = [](TVariable *sender, QByteArray &raw) { sender->SetAsInteger(AB(raw) / 4); };
    for (TVariable *v : {d.OBDStFtB1, d.OBDLtFtB1, d.OBDStFtB2, d.OBDLtFtB2})
        Convert(v, trim);
    d.OBDRPM->SetOnRawToValue(rpm);
    Convert(d.OBDSpeed, plain);
    Convert(d.OBDLoad, percent);
    Convert(d.OBDCoolantTemp, temperature);
    Convert(d.OBDIntakeAirTemp, temperature);
    Convert(d.OBDMAP, map);
    Convert(d.OBDTimingAdvance, advance);
    Convert(d.OBDMAF, maf);
    Convert(d.OBDAbslThrottlePos, percent);
    for (int f = 0; f < 2; ++f) {
        TOBDFreezeFrame *frame = d.GetFreezeFrame(f);
        for (TVariable *v : {frame->StFtB1, frame->LtFtB1, frame->StFtB2, frame->LtFtB2})
            Convert(v, trim);
        frame->RPM->SetOnRawToValue(rpm);
        Convert(frame->Speed, plain);
        Convert(frame->Load, percent);
        Convert(frame->CoolantTemp, temperature);
        Convert(frame->IAT, temperature);
        Convert(frame->MAP, map);
        Convert(frame->TimAdv, advance);
        Convert(frame->MAF, maf);
        Convert(frame->ThrotPos, percent);
    }
    for (int k = 0; k < 8; ++k) {
        Convert(d.OBDLambda[k], [](const QByteArray &raw) { return A(raw) * 0.005; });
        Convert(d.OBDLambdaStft[k], [](const QByteArray &raw) { return A(raw) < 255 ? Trim(A(raw)) : 255.0; });
        Convert(d.OBDLambdaUEGOCurrentRatio[k], [](const QByteArray &raw) { return AB(raw) * 0.0000305; });
        Convert(d.OBDLambdaUEGOCurrent[k], [](const QByteArray &raw) { return AB(raw) / 256.0 - 128.0; });
    }
    Convert(d.OBDdelayConnectCounter, [](const QByteArray &raw) { return AB(raw) * 2 / 1000.0; });
}

// ---- Commands ------------------------------------------------------------------------

bool TModuleOBD::Command(const std::vector<std::uint8_t> &body, std::uint8_t *answer, int length)
{
    return IsActive() && Exchange(body, answer, length);
}

int TModuleOBD::Status(std::uint8_t command, std::uint8_t parameter)
{
    std::uint8_t answer[4] = {};
    return Command({command, parameter}, answer, 4) ? answer[2] : 0;
}

void TModuleOBD::Store(TVariable *variable, const std::uint8_t *bytes)
{
    variable->SetRawData(Bytes1(bytes, variable->DataLength()), false);
}

int TModuleOBD::CheckPresence(bool retry)
{
    if (ParentModule() && !ParentModule()->IsActive())
        return 0;
    std::uint8_t answer[4] = {};
    return Exchange({0x70, 0x01}, answer, 4, retry ? 1 : 0) ? answer[2] : 0;
}

bool TModuleOBD::Detect()
{
    SetEnabled((CheckPresence(false) & 1) != 0);
    if (IsActive()) {
        ReadState();
        ReadConfig();
        ReadSupportedPids();
        ReadAllowedPids();
        ReadTroubleCodeState();
    }
    return IsActive();
}

bool TModuleOBD::ReadConfig()
{
    std::uint8_t a[14] = {};
    if (!Command({0x71, 0xA5}, a, 14))
        return false;
    TDevStateOBD &d = *FDevState;
    Store(d.OBDProtocol_EE, a + 2);
    Store(d.OBDConfig_1_EE, a + 3);
    const std::uint8_t config2 = a[4] & 0xF8, type = a[4] & 0x07;
    Store(d.OBDConfig_2_EE, &config2);
    Store(d.OBDAdaptType, &type);
    Store(d.OBDAdaptStFtBase_EE, a + 5);
    Store(d.OBDAdaptStFtRange_EE, a + 6);
    Store(d.OBDAdaptLtFtBaseB1_EE, a + 7);
    Store(d.OBDAdaptLtFtBaseB2_EE, a + 8);
    Store(d.OBDAdaptLtFtRange_EE, a + 9);
    Store(d.OBDAdaptMaxCorr_EE, a + 10);
    Store(d.OBDAdaptMinRPM_EE, a + 11);
    return true;
}

bool TModuleOBD::WriteConfig()
{
    const TDevStateOBD &d = *FDevState;
    auto raw = [](const TVariable *v, int i = 0) { return std::uint8_t(v->GetRawByte(i)); };
    const std::vector<std::uint8_t> body = {
        0x72, raw(d.OBDProtocol_EE), raw(d.OBDConfig_1_EE),
        std::uint8_t((raw(d.OBDConfig_2_EE) & 0xF8) | (raw(d.OBDAdaptType) & 0x07)), raw(d.OBDAdaptStFtBase_EE),
        raw(d.OBDAdaptStFtRange_EE), raw(d.OBDAdaptLtFtBaseB1_EE), raw(d.OBDAdaptLtFtBaseB2_EE),
        raw(d.OBDAdaptLtFtRange_EE), raw(d.OBDAdaptMaxCorr_EE), raw(d.OBDAdaptMinRPM_EE, 0), raw(d.OBDAdaptMinRPM_EE, 1)};
    std::uint8_t a[4] = {};
    return Command(body, a, 4) && a[2] == 0xA5;
}

int TModuleOBD::StartProtocolDetection() { return Status(0x73, 0xA5); }
int TModuleOBD::StopProtocolDetection() { return Status(0x74, 0xA5); }
int TModuleOBD::Request75() { return Status(0x75, 0xA5); }
int TModuleOBD::Disconnect() { return Status(0x77, 0xA5); }
int TModuleOBD::ClearTroubleCodes() { return Status(0x7E, 0xA5); }
int TModuleOBD::ReadTroubleCodes(quint8 what) { return Status(0x7F, what); }
int TModuleOBD::Request83(quint8 code) { return Status(0x83, code); }

int TModuleOBD::Connect()
{
    std::uint8_t a[4] = {};
    const std::vector<std::uint8_t> body = {0x76, std::uint8_t(FDevState->OBDProtocol_EE->GetRawByte(0)),
                                            0x10, 0x11, 0x12, 0x00, 0x04, 0x10, 0x11, 0x12};
    return Command(body, a, 4) ? a[2] : 0;
}

bool TModuleOBD::ReadState()
{
    std::uint8_t a[13] = {};
    if (!Command({0x78, 0xA5}, a, 13))
        return false;
    TDevStateOBD &d = *FDevState;
    TVariable *const fields[] = {d.OBDFlags1, d.OBDFlags2, d.OBDFlags3, d.OBDFlags4, d.OBDactionMain,
                                 d.OBDactionDetect, d.OBDactionConnecting, d.OBDactionConnected,
                                 d.OBDactualProtocol, d.OBDnumberOfControllers};
    for (int i = 0; i < 10; ++i)
        Store(fields[i], a + 2 + i);
    return true;
}

bool TModuleOBD::ReadSupportedPids()
{
    std::uint8_t a[11] = {};
    if (!Command({0x79, 0xA5}, a, 11))
        return false;
    for (int i = 0; i < 8; ++i)
        Store(FDevState->OBDPIDs[i], a + 2 + i);
    return true;
}

bool TModuleOBD::ReadAllowedPids()
{
    std::uint8_t a[11] = {};
    if (!Command({0x7A, 0xA5}, a, 11))
        return false;
    for (int i = 0; i < 8; ++i)
        Store(FDevState->OBDAllows[i], a + 2 + i);
    return true;
}

int TModuleOBD::WriteAllowedPids()
{
    std::vector<std::uint8_t> body{0x7B};
    for (const TBoolVariable *mask : FDevState->OBDAllows)
        body.push_back(std::uint8_t(mask->GetRawByte(0)));
    std::uint8_t a[4] = {};
    return Command(body, a, 4) ? a[2] : 0;
}

bool TModuleOBD::ReadReadings()
{
    std::uint8_t a[20] = {};
    if (!Command({0x7C, 0xA5}, a, 20))
        return false;
    TDevStateOBD &d = *FDevState;
    TVariable *const fields[] = {d.OBDStFtB1, d.OBDLtFtB1, d.OBDStFtB2, d.OBDLtFtB2, d.OBDRPM,
                                 d.OBDSpeed, d.OBDLoad, d.OBDCoolantTemp, d.OBDMAP, d.OBDTimingAdvance,
                                 d.OBDIntakeAirTemp, d.OBDMAF, d.OBDAbslThrottlePos, d.OBDFuelSystemStatusB1,
                                 d.OBDFuelSystemStatusB2};
    int at = 2;
    for (TVariable *v : fields) {
        Store(v, a + at);
        at += v->DataLength();
    }
    return true;
}

bool TModuleOBD::ReadTroubleCodeState()
{
    std::uint8_t a[13] = {};
    if (!Command({0x7D, 0xA5}, a, 13))
        return false;
    TDevStateOBD &d = *FDevState;
    TVariable *const fields[] = {d.OBDnumberOfTroubleCodes, d.OBDstateClearErrors, d.OBDstateReadTroubleCodes,
                                 d.OBDstateReadPendingTroubleCodes, d.OBDstateReadFreezeFrame,
                                 d.OBDerrorProtocolCode, d.OBDDistanceTraveledWithMILon, d.OBDPIDs[4],
                                 d.OBDAllows[4]};
    int at = 2;
    for (TVariable *v : fields) {
        Store(v, a + at);
        at += v->DataLength();
    }
    return true;
}

bool TModuleOBD::ReadCodeList(std::uint8_t command, bool listA)
{
    std::uint8_t a[24] = {};
    if (!Command({command, 0xA5}, a, 24))
        return false;
    for (int i = 0; i < 7; ++i) {
        const std::uint8_t *r = a + 2 + 3 * i;
        const quint32 slot = quint32(r[1]) << 24 | quint32(r[2]) << 16 | r[0];
        if (listA)
            FDevState->SetCodeA(i, slot);
        else
            FDevState->SetCodeB(i, slot);
    }
    return true;
}

bool TModuleOBD::ReadCodeListA() { return ReadCodeList(0x80, true); }
bool TModuleOBD::ReadCodeListB() { return ReadCodeList(0x81, false); }

bool TModuleOBD::ReadFreezeFrameData()
{
    constexpr int kLength = 47;
    std::uint8_t a[kLength] = {};
    if (!Command({0x82, 0xA5}, a, kLength))
        return false;
    // The data end before the answer's sum: fields that would fall on it or
    // past the answer keep their values.
    for (int f = 0; f < 2; ++f) {
        int at = 6 + 22 * f;
        for (TVariable *v : FDevState->GetFreezeFrame(f)->Fields()) {
            if (at + v->DataLength() > kLength - 1)
                break;
            Store(v, a + at);
            at += v->DataLength();
        }
    }
    return true;
}

bool TModuleOBD::ReadLambdaSensors(int group)
{
    if (group != 1 && group != 2)
        return false;
    std::uint8_t a[12] = {};
    if (!Command({0x85, std::uint8_t(group)}, a, 12))
        return false;
    TDevStateOBD &d = *FDevState;
    // Sensors 1 and 2 of both banks, or 3 and 4 when the box answers group 2.
    const int first = a[2] == 2 ? 2 : 0;
    const int sensors[4] = {first, first + 1, 4 + first, 4 + first + 1};
    for (int k = 0; k < 4; ++k) {
        Store(d.OBDLambda[sensors[k]], a + 3 + 2 * k);
        Store(d.OBDLambdaStft[sensors[k]], a + 4 + 2 * k);
    }
    return true;
}

bool TModuleOBD::ReadWidebandSensors(int group)
{
    if (group != 1 && group != 2)
        return false;
    std::uint8_t a[20] = {};
    if (!Command({0x86, std::uint8_t(group)}, a, 20))
        return false;
    TDevStateOBD &d = *FDevState;
    const int first = a[2] == 2 ? 2 : 0;
    const int sensors[4] = {first, first + 1, 4 + first, 4 + first + 1};
    for (int k = 0; k < 4; ++k) {
        Store(d.OBDLambdaUEGOCurrentRatio[sensors[k]], a + 3 + 4 * k);
        Store(d.OBDLambdaUEGOCurrent[sensors[k]], a + 5 + 4 * k);
    }
    return true;
}

bool TModuleOBD::ReadLiveTable(int entry)
{
    if (entry < 1 || entry > 255)
        return false;
    std::uint8_t a[7] = {};
    if (!Command({0x87, std::uint8_t(entry)}, a, 7))
        return false;
    TDevStateOBD &d = *FDevState;
    const std::uint8_t *data = a + 2;
    auto one = [&](TVariable *v, int at = 0) { Store(v, data + at); };
    switch (entry) {
    case 1: one(d.OBDnumberOfTroubleCodes); break;
    case 2: for (int i = 1; i <= 3; ++i) one(d.GetOnBoardTestInfo(i), i - 1); break;
    case 3: one(d.OBDFuelSystemStatusB1); one(d.OBDFuelSystemStatusB2, 1); break;
    case 4: one(d.OBDLoad); break;
    case 5: one(d.OBDCoolantTemp); break;
    case 6: one(d.OBDStFtB1); break;
    case 7: one(d.OBDLtFtB1); break;
    case 8: one(d.OBDStFtB2); break;
    case 9: one(d.OBDLtFtB2); break;
    case 10: one(d.OBDMAP); break;
    case 11: one(d.OBDRPM); break;
    case 12: one(d.OBDSpeed); break;
    case 13: one(d.OBDTimingAdvance); break;
    case 14: one(d.OBDIntakeAirTemp); break;
    case 15: one(d.OBDMAF); break;
    case 16: one(d.OBDAbslThrottlePos); break;
    case 17: one(d.OBDoxygenSensorLocations); break;
    case 26: one(d.OBDversion); break;
    case 27: one(d.OBDDistanceTraveledWithMILon); break;
    case 36: for (int i = 1; i <= 4; ++i) one(d.GetAvailablePIDs40(i), i - 1); break;
    case 37: one(d.OBDerrorProtocolCode); break;
    case 38: one(d.OBDaddressing); break;
    case 39: one(d.OBDkw1); one(d.OBDkw2, 1); break;
    case 40: one(d.OBDisOBDsimCompiled); break;
    case 41: one(d.OBDisTestPIDsActive); break;
    case 44: one(d.OBDdelayConnectCounter); break;
    case 45: one(d.OBDisOBDsimActive); break;
    case 48: for (int i = 1; i <= 4; ++i) one(d.GetAdaptState(i), i - 1); break;
    case 49: for (int i = 5; i <= 8; ++i) one(d.GetAdaptState(i), i - 5); break;
    case 50: one(d.OBDnrOfInitErrors); one(d.OBDnrOfSendControlFrameErrors, 1); one(d.OBDnrOfRecvControlFrameErrors, 2); break;
    default:
        if (entry >= 18 && entry <= 25) {
            const int k = entry - 18; // bank 1 sensors 1..4, then bank 2
            one(d.OBDLambda[k]);
            one(d.OBDLambdaStft[k], 1);
        } else if (entry >= 28 && entry <= 35) {
            const int k = entry - 28;
            one(d.OBDLambdaUEGOCurrentRatio[k]);
            one(d.OBDLambdaUEGOCurrent[k], 2);
        }
        break;
    }
    return true;
}

bool TModuleOBD::WriteAdaptationTable(int bank, int half)
{
    if ((bank != 1 && bank != 2) || (half != 0 && half != 1))
        return false;
    std::vector<std::uint8_t> body{0x89, std::uint8_t(bank * 16 + half)};
    for (int row = 5 * half; row < 5 * half + 5; ++row)
        for (int column = 0; column < 10; ++column) {
            const TDoubleVariable *cell = bank == 1 ? FDevState->GetAdaptCorrectionBank1(row, column)
                                                    : FDevState->GetAdaptCorrectionBank2(row, column);
            const double v = cell->GetAsFloat();
            body.push_back(std::uint8_t(qint8(std::isfinite(v) ? std::lround(std::clamp(v, -128.0, 127.0)) : 0)));
        }
    std::uint8_t a[4] = {};
    return Command(body, a, 4);
}

bool TModuleOBD::ResetAdaptationCorrections(int which)
{
    if (which < 1 || which > 3)
        return false;
    return Status(0x8C, std::uint8_t(which)) == 0xA5;
}

// ---- Work step ---------------------------------------------------------------------------

bool TModuleOBD::AdaptationRequestsDue() const
{
    return DataManager && DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("G"))
           && FUIState->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean() && ModuleLayoutMode == 2
           && ::ModuleAdapter;
}

void TModuleOBD::WorkStep()
{
    auto poll = [this](quint32 bit) {
        const quint32 set = ModuleManager() ? quint32(ModuleManager()->PollSet) : TManager::DefaultPollSet;
        return (set & bit) != 0;
    };
    TDevStateOBD &d = *FDevState;
    if (poll(PollState) && ReadState() && d.IsConnected()) {
        ReadSupportedPids();
        ReadAllowedPids();
    }
    if (poll(PollDelayConnect))
        ReadLiveTable(44);
    if (poll(PollLinkErrors))
        ReadLiveTable(50);
    if (poll(PollReadings) && d.IsConnected()) {
        const bool adaptation = AdaptationRequestsDue();
        if (adaptation)
            ::ModuleAdapter->Request0A();
        ReadReadings();
        const qint64 pids11 = d.OBDPIDs[2]->GetAsInteger(), pids19 = d.OBDPIDs[3]->GetAsInteger();
        if ((pids11 & (0x10 | 0x08 | 0x01)) || (pids19 & 0x80))
            ReadLambdaSensors(1);
        const qint64 pids31 = d.OBDPIDs[6]->GetAsInteger(), pids39 = d.OBDPIDs[7]->GetAsInteger();
        if ((pids31 & (0x10 | 0x08 | 0x01)) || (pids39 & 0x80))
            ReadWidebandSensors(1);
        if (adaptation)
            ::ModuleAdapter->Request0B();
    }
    if (poll(PollTroubleCodes) && d.IsConnected())
        ReadTroubleCodeState();
}

// ---- Logic ---------------------------------------------------------------------------------

TLogicOBD::TLogicOBD(TModuleOBD *module) : QObject(module), FModule(module)
{
    setObjectName(QStringLiteral("LogicOBD"));
}

bool TLogicOBD::ApplyConnectionSettings()
{
    if (!FModule->DevState()->IsIdle()) {
        FModule->Disconnect();
        QThread::msleep(100);
    }
    return FModule->WriteConfig();
}

bool TLogicOBD::WriteAdaptationTables()
{
    for (auto [bank, half] : {std::pair{1, 0}, {1, 1}, {2, 0}, {2, 1}})
        if (!FModule->WriteAdaptationTable(bank, half))
            return false;
    return true;
}

bool TLogicOBD::WriteDefaultConfiguration(bool ask, bool withTables)
{
    if (!FModule->IsActive())
        return false;
    if (ask) {
        QString text;
        TranslateUiText(QStringLiteral("Caution! Program will write default OBD configuration into Adapter. Save?"), text);
        if (!Common || Common->AskOkCancel(text, QString()) != mrOk)
            return false;
    }
    bool saved = false;
    if (::Logic)
        ::Logic->PauseWorkThread(saved);
    const QString group = GetDataGroupName(dgOBD);
    // The box's settings as they were: refused, they are what it still holds.
    TDevStateOBD *device = FModule->DevState();
    std::vector<std::pair<TVariable *, QByteArray>> held;
    for (int i = 0; i < device->Count(); ++i)
        if (TVariable *v = device->GetItem(i); v->Stored() && v->Group() == group)
            held.emplace_back(v, v->Raw());
    FModule->UIStateOBD()->ResetGroup(group);
    device->CopyFrom(*FModule->UIStateOBD(), group, 2);
    const bool settingsTaken = ApplyConnectionSettings();
    bool ok = settingsTaken;
    if (ok && withTables)
        ok = WriteAdaptationTables();
    if (!settingsTaken)
        for (const auto &[variable, raw] : held)
            variable->SetRawData(raw, false);
    // The window keeps the defaults as edits not yet in the box.
    if (!ok && ::Logic && ::Logic->UIState())
        ::Logic->UIState()->SetModified(true, group);
    if (::Logic)
        ::Logic->ResumeWorkThread(saved);
    return ok;
}
