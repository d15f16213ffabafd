#include "core/DataManager.h"
#include "core/ReadPlan.h"

#include "core/FrameChecksum.h"

#include "core/ComMultiPort.h"
#include "core/DeviceRecord.h"
#include "core/Kind48Settings.h"
#include "core/UnitConversions.h"


#include <algorithm>
#include <iterator>
#include <cmath>
#include <cstring>

TDataManager *DataManager = nullptr;

namespace {

constexpr uint8_t kRequestHead = 0xC0;
constexpr uint8_t kAnswerHead = 0xD0;
constexpr uint8_t kReadyState = 0xF0;
constexpr int kAckLength = 4;

uint16_t be16(const std::vector<uint8_t> &a, size_t at)
{
    return static_cast<uint16_t>(a[at] << 8 | a[at + 1]);
}

uint16_t be16(const uint8_t *a)
{
    return static_cast<uint16_t>(a[0] << 8 | a[1]);
}

uint32_t be32(const std::vector<uint8_t> &a, size_t at)
{
    return uint32_t(a[at]) << 24 | uint32_t(a[at + 1]) << 16 | uint32_t(a[at + 2]) << 8
           | uint32_t(a[at + 3]);
}

void putBe16(std::vector<uint8_t> &v, uint32_t value)
{
    v.push_back(static_cast<uint8_t>(value >> 8));
    v.push_back(static_cast<uint8_t>(value));
}

void putBe32(std::vector<uint8_t> &v, uint32_t value)
{
    putBe16(v, value >> 16);
    putBe16(v, value & 0xFFFF);
}

// Nearest integer, halves to the even neighbour.
long roundEven(double v)
{
    return std::lrint(v);
}

uint16_t clampWord(long v)
{
    return static_cast<uint16_t>(std::clamp<long>(v, 0, 0xFFFF));
}

// Text of a fixed-width field of an answer (up to the first NUL).
QString latinText(const uint8_t *p, size_t width)
{
    const char *c = reinterpret_cast<const char *>(p);
    return QString::fromLatin1(c, static_cast<qsizetype>(strnlen(c, width)));
}

TDeviceRecord &rec()
{
    return DeviceRecord;
}

// The two level-sensor sets (0x35/0x37 and 0x36/0x38).
std::array<quint8 *, 4> levelA(TDeviceRecord &r)
{
    return {&r.PW0, &r.PW1, &r.PW2, &r.PW3};
}

std::array<quint8 *, 4> levelB(TDeviceRecord &r)
{
    return {&r.Level0900, &r.Level0901, &r.Level0902, &r.Level0903};
}

// Injector preset table, rows 1..19.
constexpr std::array<std::array<uint8_t, 12>, 19> kInjectorPresets{{
    {0x24, 0x86, 0x00, 0x00, 0x00, 0x00, 0x52, 0x49, 0x00, 0xFF, 0x01, 0x76},
    {0x02, 0x0C, 0x4B, 0x13, 0x00, 0x00, 0x52, 0x50, 0x00, 0xFF, 0x01, 0x76},
    {0x01, 0xAE, 0x4B, 0x0F, 0x0A, 0x0A, 0x52, 0x51, 0x00, 0xFF, 0x01, 0x76},
    {0x03, 0x4A, 0x32, 0x11, 0x0A, 0x0A, 0x52, 0x52, 0x00, 0xFF, 0x01, 0x76},
    {0x02, 0xFF, 0x32, 0x10, 0x0A, 0x0A, 0x52, 0x53, 0x00, 0xFF, 0x01, 0x76},
    {0x01, 0xF9, 0x32, 0x0E, 0x0A, 0x0A, 0x52, 0x54, 0x00, 0xFF, 0x01, 0x76},
    {0x03, 0x11, 0x32, 0x11, 0x0A, 0x0A, 0x52, 0x55, 0x00, 0xFF, 0x01, 0x76},
    {0x02, 0x56, 0x32, 0x10, 0x0A, 0x0A, 0x52, 0x56, 0x00, 0xFF, 0x01, 0x76},
    {0x01, 0xC1, 0x32, 0x0E, 0x0A, 0x0A, 0x52, 0x57, 0x00, 0xFF, 0x01, 0x76},
    {0x02, 0x8E, 0x32, 0x10, 0x0A, 0x0A, 0x52, 0x58, 0x00, 0xFF, 0x01, 0x76},
    {0x01, 0x76, 0x26, 0x0A, 0x0A, 0x0A, 0x52, 0x59, 0x00, 0xFF, 0x01, 0x76},
    {0x01, 0xE6, 0x26, 0x09, 0x0A, 0x0A, 0x52, 0x60, 0x00, 0xFF, 0x01, 0x76},
    {0x01, 0xD4, 0x26, 0x09, 0x0A, 0x0A, 0x52, 0x61, 0x00, 0xFF, 0x01, 0x76},
    {0x01, 0xC1, 0x26, 0x09, 0x0A, 0x0A, 0x52, 0x62, 0x00, 0xFF, 0x01, 0x76},
    {0x01, 0xAE, 0x26, 0x08, 0x0A, 0x0A, 0x52, 0x63, 0x00, 0xFF, 0x01, 0x76},
    {0x01, 0x76, 0x26, 0x08, 0x0A, 0x0A, 0x52, 0x64, 0x00, 0xFF, 0x00, 0xBB},
    {0x02, 0x44, 0x4B, 0x17, 0x0A, 0x0A, 0x52, 0x65, 0x00, 0xFF, 0x01, 0x76},
    {0x02, 0x8E, 0x32, 0x10, 0x0A, 0x0A, 0x52, 0x58, 0x00, 0xFF, 0x01, 0x76},
    {0x02, 0x69, 0x4B, 0x17, 0x0A, 0x0A, 0x52, 0x66, 0x00, 0xFF, 0x01, 0x76},
}};

} // namespace

// ===========================================================================
// Link
// ===========================================================================

// The gas pressure of sensor variants other than 1 reads indexes 13 and 15
// of the device on every conversion: the data manager is that reader while
// it exists.
TDataManager::TDataManager()
{
    SetPressureValueReader([this](int index) { return int(ReadValue16(static_cast<uint8_t>(index))); });
}

TDataManager::~TDataManager()
{
    SetPressureValueReader({});
}

TComMultiPort *TDataManager::Port() const
{
    return FPort ? FPort : ComMultiPort;
}

void TDataManager::SetConnected(bool value)
{
    const bool dropped = FConnected && !value;
    if (!FConnected && value)
        ++LinkUps;
    FConnected = value;
    if (dropped && OnLinkActiveChanged)
        OnLinkActiveChanged(false);
}

void TDataManager::LinkFailed(const QString &context, bool resetDetector)
{
    Q_UNUSED(context); // names the caller; not shown or stored
    SetConnected(false);
    rec().DeviceKind = 0;
    if (resetDetector && OnResetDetector)
        OnResetDetector();
}

bool TDataManager::CheckFailure(bool exchangeResult)
{
    if (exchangeResult)
        return false;
    if (!FailedThisPoll) {
        FailedThisPoll = true;
        ++FailureCount;
    }
    return FailureCount < 2;
}

bool TDataManager::IsDeviceNotReady() const
{
    return !FConnected || rec().LinkState != kReadyState;
}

bool TDataManager::IsDeviceType(uint8_t kind) const
{
    return rec().DeviceKind == kind;
}

std::vector<std::pair<int, uint8_t>> TDataManager::Kind48SettingsFrom(char letter)
{
    std::vector<std::pair<int, uint8_t>> list;
    for (const kind48::TSetting &s : kind48::Settings)
        if (s.From[0] == letter)
            list.emplace_back(s.Width, s.Id);
    return list;
}

std::vector<std::pair<int, uint8_t>> TDataManager::Kind48SettingsNotRead() const
{
    std::vector<std::pair<int, uint8_t>> list;
    for (const kind48::TSetting &s : kind48::Settings)
        if (!IsDeviceVersionAtLeast(48, QLatin1String(s.From)))
            list.emplace_back(s.Width, s.Id);
    return list;
}

bool TDataManager::Kind48ConfigurationReads(int width, uint8_t id) const
{
    const int i = kind48::IndexOf(width, id);
    return i < 0 || IsDeviceVersionAtLeast(48, QLatin1String(kind48::Settings[i].From));
}

bool TDataManager::ReadKind48WindowSettings()
{
    if (!IsDeviceType(48))
        return true;
    for (int i = 0; i < kind48::Count; ++i) {
        const kind48::TSetting &s = kind48::Settings[i];
        if (!s.Window || (FKind48Held & (1u << i)) || Kind48ConfigurationReads(s.Width, s.Id))
            continue;
        if (s.Width == 16)
            ReadParamWord(s.Id);
        else
            ReadParameter8(s.Id);
        if (!(FKind48Held & (1u << i)))
            return false;
    }
    return FConnected;
}

void TDataManager::HoldKind48Setting(int width, uint8_t id)
{
    if (const int i = kind48::IndexOf(width, id); i >= 0 && IsDeviceType(48))
        FKind48Held |= 1u << i;
}

bool TDataManager::VersionAtLeast(const QString &letter) const
{
    return rec().Ver.toUpper().compare(letter.toUpper()) >= 0;
}

bool TDataManager::VersionBelow(const QString &letter) const
{
    return rec().Ver.toUpper().compare(letter.toUpper()) < 0;
}

bool TDataManager::IsDeviceVersionAtLeast(uint8_t kind, const QString &letter) const
{
    return IsDeviceType(kind) && VersionAtLeast(letter);
}

bool TDataManager::Kind48Holds(kind48::TFilePart part) const
{
    return IsDeviceVersionAtLeast(48, QString(QLatin1Char(kind48::FromOf(part))));
}

bool TDataManager::Kind48Holds(kind48::THeld what) const
{
    return IsDeviceVersionAtLeast(48, QString(QLatin1Char(kind48::FromOf(what))));
}

bool TDataManager::IsDeviceVersionBelow(uint8_t kind, const QString &letter) const
{
    return IsDeviceType(kind) && VersionBelow(letter);
}

void TDataManager::ChangePort(int port)
{
    TComMultiPort *p = Port();
    if (p && p->ComDevice() != port) {
        // The settings object switches and reopens the port; without it the
        // port is switched here (which closes it).
        if (OnChangePort)
            OnChangePort(port);
        else
            p->SetComDevice(port);
        if (OnResetDetector)
            OnResetDetector();
    }
    if (OnConnectionInfo)
        OnConnectionInfo();
}

void TDataManager::ReadEmergencyDeviceInfo()
{
    if (FConnected)
        return;
    DetectDevice();
    ReadAllPages();
    ReadIdentity();
    if (FConnected)
        LinkFailed(QStringLiteral("DataManager.ReadEmergencyDeviceInfo"), false);
}

void TDataManager::ReleasePortLock()
{
    TComMultiPort *p = Port();
    if (p && p->ThreadSafe() && p->LockingStrategy() == lsReadDataWithControl)
        p->ReleaseLock();
}

bool TDataManager::OneExchange(const uint8_t *request, int requestLength, uint8_t *answer,
                               int answerLength, bool &writeFailed)
{
    writeFailed = false;
    TComMultiPort *p = Port();
    DiscardStaleInput();
    int written = 0;
    const bool ok = p && p->WriteData(request, requestLength, written);
    if (!ok || written < requestLength) {
        // A short write is a failed write.
        if (p)
            ReleasePortLock();
        std::memset(answer, 0, static_cast<size_t>(answerLength));
        writeFailed = true;
        LinkFailed(QStringLiteral("DataManager.InternalSendAndReceive"), true);
        return false;
    }
    int bytesRead = 0;
    const bool good = InternalReadDataWithControl(answer, answerLength, 1, bytesRead);
    FLastAnswerBytes = bytesRead;
    return good;
}

bool TDataManager::SendAndReceive(const uint8_t *request, int requestLength, uint8_t *answer,
                                  int answerLength)
{
    SecondAttempt = false;
    bool writeFailed = false;
    if (OneExchange(request, requestLength, answer, answerLength, writeFailed))
        return true;
    // A failed write has declared the link lost already: no repeat.
    if (writeFailed)
        return false;
    const bool firstGotNothing = FLastAnswerBytes == 0;
    DiscardStaleInput();
    SecondAttempt = true;
    const bool ok = OneExchange(request, requestLength, answer, answerLength, writeFailed);
    SecondAttempt = false;
    if (!ok && !writeFailed)
        DiscardStaleInput();
    // The first request got no answer in time but the repeat was answered:
    // the device may only have been late, and the answer just read its answer
    // to the first request. Its answer to the repeat would then come after
    // the input is emptied for the next request and be taken for that one's.
    if (ok && firstGotNothing)
        DiscardOwedAnswer(answerLength);
    return ok;
}

void TDataManager::DiscardOwedAnswer(int answerLength)
{
    if (TComMultiPort *p = Port())
        p->DropOwedAnswer(answerLength);
}

// Bytes of a broken or late answer left in the input would be taken for the
// next answer and shift every answer after it, so the input is emptied before
// each request is written and after a failed exchange, under the port's lock
// (another user's answer in progress is not lost). Nothing waits here for
// an answer another request still owes: the readers pass over it.
void TDataManager::DiscardStaleInput()
{
    if (TComMultiPort *p = Port())
        p->DiscardStaleInput();
}

bool TDataManager::InternalReadDataWithControl(uint8_t *answer, int answerLength,
                                               int headerTries, int &bytesRead)
{
    std::memset(answer, 0, static_cast<size_t>(answerLength));
    bytesRead = 0;
    bool good = false;
    TComMultiPort *p = Port();
    if (p && answerLength >= 2) {
        // The header search looks at single bytes; the port may hand over
        // more than one when it read on to tell a late answer owed to
        // another request from this one (those it passed over are not
        // counted: nothing of them was this answer).
        std::vector<uint8_t> start(static_cast<size_t>(answerLength));
        int have = 0, at = 0;
        bool header = false;
        for (int i = 0; i < headerTries; ++i) {
            if (at == have) {
                have = p->ReadAnswerStart(start.data(), {kAnswerHead, answerLength});
                at = 0;
                if (have <= 0)
                    break;
            }
            ++bytesRead;
            if (start[size_t(at++)] == kAnswerHead) {
                header = true;
                break;
            }
        }
        if (header) {
            const int ahead = have - at;
            std::memcpy(answer + 1, start.data() + at, static_cast<size_t>(ahead));
            const int rest = answerLength - 1 - ahead;
            int got = 0;
            if (rest > 0)
                p->ReadData(answer + 1 + ahead, rest, got);
            got += ahead;
            bytesRead += got;
            answer[0] = kAnswerHead;
            if (got == answerLength - 1) {
                const uint8_t s = FrameChecksum(answer, static_cast<size_t>(answerLength - 1));
                good = s == answer[answerLength - 1];
            }
            if (!good)
                std::memset(answer, 0, static_cast<size_t>(answerLength));
        }
    }
    SetConnected(good);
    if (!FConnected && SecondAttempt) {
        SecondAttempt = false;
        LinkFailed(QStringLiteral("DataManager.InternalReadDataWithControl"), true);
    }
    ReleasePortLock();
    return good;
}

bool TDataManager::Command(uint8_t command, const std::vector<uint8_t> &parameters,
                           std::vector<uint8_t> &answer, int answerLength, OnFailure onFailure,
                           bool *exchangeOk)
{
    std::vector<uint8_t> request;
    request.reserve(parameters.size() + 3);
    request.push_back(kRequestHead);
    request.push_back(command);
    request.insert(request.end(), parameters.begin(), parameters.end());
    request.push_back(FrameChecksum(request.data(), request.size()));
    answer.assign(static_cast<size_t>(answerLength), 0);
    const bool ok = SendAndReceive(request.data(), static_cast<int>(request.size()), answer.data(),
                                   answerLength);
    if (!ok || !FConnected)
        std::fill(answer.begin(), answer.end(), 0);
    if (exchangeOk)
        *exchangeOk = ok;
    const bool drop = CheckFailure(ok);
    if (ok)
        return true;
    // Only live values fall to zero once the device has stopped answering;
    // a failed read of anything else leaves the record as it was.
    return onFailure == OnFailure::StoreZero && !drop;
}

bool TDataManager::Exchange(uint8_t command, const std::vector<uint8_t> &parameters,
                            int answerLength, const std::function<void(const Answer &)> &store,
                            OnFailure onFailure)
{
    if (!Ready())
        return false;
    Answer a;
    bool ok = false;
    if (Command(command, parameters, a, answerLength, onFailure, &ok) && store)
        store(a);
    return ok;
}

// ===========================================================================
// Identification, identity and link state
// ===========================================================================

bool TDataManager::DetectDevice()
{
    rec().DeviceKind = 0;
    FKind48Held = 0;
    const uint8_t request[4] = {kRequestHead, 0x01, 0x01, 0xC2};
    uint8_t answer[4] = {};
    bool good = false;
    for (int attempt = 0; attempt < 2 && !good; ++attempt) {
        if (attempt > 0 && Port())
            Port()->WaitIdle(50);
        // Each attempt counts as the repeat: a bad answer declares the link lost.
        SecondAttempt = true;
        TComMultiPort *p = Port();
        DiscardStaleInput();
        int written = 0;
        const bool ok = p && p->WriteData(request, 4, written);
        if (!ok || written < 4) {
            if (p)
                ReleasePortLock();
            SetConnected(false); // nothing can be heard on a port that takes no request
            break;
        }
        int bytesRead = 0;
        good = InternalReadDataWithControl(answer, 4, 15, bytesRead);
        if (bytesRead == 0)
            break;
    }
    SecondAttempt = false;
    rec().DeviceKind = good ? answer[2] : 0;
    return good;
}

bool TDataManager::ReadIdentity()
{
    if (!FConnected)
        return false;
    std::vector<uint8_t> a;
    if (!Command(0x02, {0x02}, a, 22))
        return false;
    rec().CompTime = latinText(&a[2], 8);
    rec().CompDate = latinText(&a[10], 11);
    return true;
}

bool TDataManager::ReadPage(uint8_t page)
{
    if (!FConnected)
        return false;
    std::vector<uint8_t> a;
    if (!Command(0x53, {page}, a, 4))
        return false;
    auto &r = rec();
    const uint8_t v = a[2];
    switch (page) {
    case 0: r.Ver = v != 0 ? QString(QChar(v)) : QString(); break;
    case 1: r.IdentityPage1 = v; break;
    case 2: r.IdentityPage2 = v; break;
    case 3: r.IdentityPage3 = v; break;
    case 4: r.IdentityPage4 = v; break;
    case 5: r.IdentityPage5 = v; break;
    case 6: r.IdentityPage6 = Kind48Holds(kind48::THeld::IdentityPage6) ? v : 255; break;
    default: break; // pages above 6 are read and dropped
    }
    return true;
}

bool TDataManager::ReadAllPages()
{
    if (!FConnected)
        return false;
    const uint8_t kind = rec().DeviceKind;
    const bool served = kind == 20 || kind == 21 || kind == 48;
    std::vector<uint8_t> pages{0, 1, 2, 3};
    if (served)
        pages.push_back(4);
    if (kind == 48) {
        pages.push_back(5);
        pages.push_back(6);
    }
    for (uint8_t page : pages)
        if (!ReadPage(page))
            return false;
    if (served) {
        if (rec().IdentityPage3 == 0) {
            rec().UsaVariant = 0;
        } else {
            bool ok = false;
            const uint16_t v = ReadValue16Raw(26, &ok);
            if (!ok)
                return false; // a failed read says nothing about the variant
            rec().UsaVariant = v >= 95 ? 0 : 1;
        }
    }
    return true;
}

uint8_t TDataManager::SendCmd3F()
{
    if (!FConnected)
        return 0;
    rec().LinkState = 0;
    std::vector<uint8_t> a;
    if (Command(0x3F, {0x00}, a, 4) && FConnected)
        rec().LinkState = a[2];
    return rec().LinkState;
}

bool TDataManager::SendCmd3Fb()
{
    if (!FConnected)
        return false;
    std::vector<uint8_t> a;
    if (!Command(0x3F, {0x01}, a, 4))
        return false;
    rec().LinkState = a[2];
    return true;
}

uint8_t TDataManager::LockDevice(uint32_t code)
{
    return LockCommand(0x3D, code);
}

uint8_t TDataManager::UnlockDevice(uint32_t code)
{
    return LockCommand(0x3E, code);
}

uint8_t TDataManager::LockCommand(uint8_t command, uint32_t code)
{
    if (!FConnected)
        return 0;
    // The PIN travels lowest byte first.
    const std::vector<uint8_t> pin{uint8_t(code), uint8_t(code >> 8), uint8_t(code >> 16),
                                   uint8_t(code >> 24)};
    std::vector<uint8_t> a;
    if (!Command(command, pin, a, 4))
        return 0;
    rec().LinkState = a[2];
    return a[2];
}

// ===========================================================================
// Live values
// ===========================================================================

void TDataManager::StoreLiveMain(const uint8_t *a)
{
    auto &r = rec();
    r.GasPressureRaw = a[0];
    r.ReducerTempRaw = a[1];
    r.GasTempRaw = a[2];
    r.SupplyVoltageRaw = a[3];
    r.LevelRaw = a[4];
    r.LambdaRaw = a[5];
    r.RpmPeriod = be16(a + 6);
    r.GasSwitchState = a[8] >> 5;
    r.PetrolTime[0] = uint32_t(a[8] & 0x1F) << 8 | a[9];
    r.StatusBit05 = a[10] >> 7;
    r.PetrolTime[1] = uint32_t(a[10] & 0x7F) << 8 | a[11];
    r.PetrolTime[2] = be16(a + 12);
    r.PetrolTime[3] = be16(a + 14);
    for (int i = 0; i < 4; ++i)
        r.GasTime[i] = be16(a + 16 + 2 * i);
}

void TDataManager::StoreLiveExtra(const uint8_t *a)
{
    auto &r = rec();
    for (int i = 0; i < 4; ++i) {
        r.PetrolTime[4 + i] = be16(a + 2 * i);
        r.GasTime[4 + i] = be16(a + 8 + 2 * i);
    }
}

void TDataManager::ForceGasTimes()
{
    auto &r = rec();
    for (int i = 0; i < 8; ++i)
        if (r.PetrolTime[i] == 0)
            r.GasTime[i] = 0;
}

bool TDataManager::ReadDeviceInfo()
{
    if (!Ready())
        return false;
    bool stored = false;
    bool ok = Exchange(0x05, {0x05}, 27, [this, &stored](const Answer &a) {
        StoreLiveMain(&a[2]);
        stored = true;
    }, OnFailure::StoreZero);
    if (ok && rec().InjSW >= 5) {
        ok = Exchange(0x06, {0x06}, 19, [this](const Answer &a) { StoreLiveExtra(&a[2]); },
                      OnFailure::StoreZero);
    } else if (stored && rec().InjSW >= 5) {
        // Cylinders 1-4 were zeroed by a failed poll: 5-8 must not keep their
        // old times beside them.
        const uint8_t zeros[16] = {};
        StoreLiveExtra(zeros);
    }
    ForceGasTimes();
    return ok;
}

bool TDataManager::ReadCmd0B()
{
    return Exchange(0x0B, {0x0B}, 52, [this](const Answer &a) {
        auto &r = rec();
        StoreLiveMain(&a[2]);
        StoreLiveExtra(&a[26]);
        ForceGasTimes();
        r.ManifoldPressureRaw = a[42];
        r.SwitchTempThresholdRaw = a[43];
        r.PetrolTimeMaxMask = a[44];
        r.GasTimeMaxMask = a[45];
        r.EmulatorSwitchBits = a[46];
        r.ValveState = a[47] != 0 ? 1 : 0;
        r.BoardTempRaw = a[48];
        r.IdentityPage5 = a[49];
        r.EngineLoad = a[50];
    }, OnFailure::StoreZero);
}

bool TDataManager::SendCmd22()
{
    return Exchange(0x22, {0x22}, 4, [](const Answer &a) { rec().ManifoldPressureRaw = a[2]; },
                    OnFailure::StoreZero);
}

// Byte 2 of both forms of the 0x21 answer: auto-calibration state and gas
// switch state.
static TDeviceRecord &storeStatus21Head(const std::vector<uint8_t> &a)
{
    auto &r = rec();
    r.AutoCalState = a[2] & 0x0F;
    r.GasSwitchState = a[2] >> 4;
    return r;
}

bool TDataManager::ReadStatus21()
{
    return Exchange(0x21, {0x21}, 13, [](const Answer &a) {
        auto &r = storeStatus21Head(a);
        r.AutoCalValueA = be16(a, 3);
        r.AutoCalValueB = be16(a, 5);
        r.AutoCalValueD = be16(a, 7);
        r.AutoCalProgress = a[10];
        r.AutoCalByte = a[11];
    }, OnFailure::StoreZero);
}

bool TDataManager::ReadStatus21b()
{
    return Exchange(0x21, {0x21}, 13, [](const Answer &a) {
        auto &r = storeStatus21Head(a);
        r.AutoCalStartTime = be16(a, 3);
        r.AutoCalValueC = be16(a, 5);
        r.AutoCalCurrentTime = be16(a, 7);
        r.AutoCalPhase = a[9];
        r.AutoCalProgress = a[10];
    }, OnFailure::StoreZero);
}

uint16_t TDataManager::ReadStatus50()
{
    const bool ok = Exchange(0x50, {0x50}, 5,
                             [](const Answer &a) { rec().AutoCalValueD = be16(a, 2); },
                             OnFailure::StoreZero);
    return ok ? rec().AutoCalValueD : 0;
}

bool TDataManager::ReadCmd64()
{
    return Exchange(0x64, {0xA5}, 14, [](const Answer &a) { rec().Value64 = a[4]; },
                    OnFailure::StoreZero);
}

uint8_t TDataManager::ReadEmulator3A()
{
    uint8_t v = 0;
    Exchange(0x3A, {0x00}, 4, [&v](const Answer &a) { v = a[2]; });
    return v;
}

uint16_t TDataManager::ReadInjCounter3B(uint8_t index)
{
    uint16_t v = 0;
    Exchange(0x3B, {index}, 6, [&](const Answer &a) {
        v = be16(a, 3);
        if (index == 1)
            rec().InjCounter1 = v;
        else if (index == 2)
            rec().InjCounter2 = v;
    });
    return v;
}

// ===========================================================================
// Parameters by id
// ===========================================================================

uint8_t TDataManager::ReadParameter8(uint8_t id)
{
    return ReadParameter8Checked(id, nullptr);
}

uint8_t TDataManager::ReadParameter8Checked(uint8_t id, bool *ok)
{
    uint8_t v = 0;
    const bool good = id != 0 && Exchange(0x07, {id}, 5, [&](const Answer &a) {
        v = a[3];
        if (id <= 53)
            ::StoreParameter8(rec(), id, v);
        HoldKind48Setting(8, id);
    });
    if (ok)
        *ok = good;
    return v;
}

// A write the device took leaves the record holding what it now holds, as
// a read would store it: a later step of the same job computes from it
// without reading the device back.
bool TDataManager::WriteParamByte(uint8_t id, uint8_t value)
{
    if (!Exchange(0x08, {id, value}, kAckLength))
        return false;
    if (id <= 53)
        ::StoreParameter8(rec(), id, value);
    HoldKind48Setting(8, id);
    return true;
}

uint16_t TDataManager::ReadParamWord(uint8_t id)
{
    return ReadParamWord(id, nullptr);
}

uint16_t TDataManager::ReadParamWord(uint8_t id, bool *ok)
{
    uint16_t v = 0;
    const bool good = id != 0 && Exchange(0x51, {id}, 6, [&](const Answer &a) {
        v = be16(a, 3);
        if (id <= 25)
            ::StoreParameter16(rec(), id, v);
        HoldKind48Setting(16, id);
    });
    if (ok)
        *ok = good;
    return v;
}

bool TDataManager::WriteParamWord(uint8_t id, uint16_t value)
{
    if (!Exchange(0x52, {id, uint8_t(value >> 8), uint8_t(value)}, kAckLength))
        return false;
    if (id <= 25)
        ::StoreParameter16(rec(), id, value);
    HoldKind48Setting(16, id);
    return true;
}

uint16_t TDataManager::ReadValue16Raw(uint8_t index, bool *ok)
{
    if (ok)
        *ok = false;
    if (!FConnected)
        return 0;
    std::vector<uint8_t> a;
    if (!Command(0x40, {index}, a, 5, OnFailure::Drop, ok))
        return 0;
    return be16(a, 2);
}

uint16_t TDataManager::ReadValue16(uint8_t index)
{
    if (!Ready())
        return 0;
    return ReadValue16Raw(index, nullptr);
}

uint16_t TDataManager::ReadValue16(uint8_t index, bool *ok)
{
    if (ok)
        *ok = false;
    if (!Ready())
        return 0;
    return ReadValue16Raw(index, ok);
}

uint16_t TDataManager::ReadParameter(uint8_t id)
{
    return ReadParameter(id, nullptr);
}

uint16_t TDataManager::ReadParameter(uint8_t id, bool *ok)
{
    uint16_t v = 0;
    const bool good = id != 0 && Exchange(0x12, {id}, 6, [&](const Answer &a) {
        v = be16(a, 3);
        if (id <= 104)
            ::StoreModelParameter(rec(), id, v);
    });
    if (ok)
        *ok = good;
    return v;
}

bool TDataManager::WriteParameter(uint8_t id)
{
    uint16_t v = 0;
    if (!::ModelParameterValue(rec(), id, v))
        return false; // no rule: nothing is sent
    return Exchange(0x16, {id, uint8_t(v >> 8), uint8_t(v)}, kAckLength);
}

uint16_t TDataManager::ReadWord31(uint16_t index)
{
    return ReadWord31Raw(index, nullptr);
}

uint16_t TDataManager::ReadWord31Raw(uint16_t index, bool *ok)
{
    uint16_t v = 0;
    const bool good = Exchange(0x31, {uint8_t(index >> 8), uint8_t(index)}, 7,
                               [&v](const Answer &a) { v = be16(a, 4); });
    if (ok)
        *ok = good;
    return v;
}

bool TDataManager::WriteCmd32(uint16_t a, uint16_t b)
{
    return Exchange(0x32, {uint8_t(a >> 8), uint8_t(a), uint8_t(b >> 8), uint8_t(b)}, 5);
}

uint8_t TDataManager::ReadCounter33(uint16_t index)
{
    uint8_t v = 0;
    Exchange(0x33, {uint8_t(index >> 8), uint8_t(index)}, 6, [&v](const Answer &a) { v = a[4]; });
    return v;
}

bool TDataManager::WriteCounter34(uint16_t index, uint8_t value)
{
    return Exchange(0x34, {uint8_t(index >> 8), uint8_t(index), value}, 5);
}

// ===========================================================================
// Configuration blocks
// ===========================================================================

void TDataManager::SetInjHWFromIndex28()
{
    bool ok = false;
    const uint16_t v = ReadValue16Raw(28, &ok);
    if (!ok)
        return;
    static const uint8_t kOutputs[4] = {0, 4, 6, 8};
    if (v < 4)
        rec().InjHW = kOutputs[v];
}

void TDataManager::SetInjSWFromMask(uint8_t mask)
{
    auto &r = rec();
    r.InjectorMask = mask;
    switch (mask) {
    case 7: r.InjSW = 3; break;
    case 15: r.InjSW = 4; break;
    case 31: r.InjSW = 5; break;
    case 63: r.InjSW = 6; break;
    case 255: r.InjSW = 8; break;
    default: break;
    }
}

void TDataManager::ReadParameterList(const std::vector<std::pair<int, uint8_t>> &list)
{
    TReadPlan plan;
    plan.Params(list);
    plan.Run(*this);
}

bool TDataManager::ReadModelDataCmd03()
{
    if (!Ready())
        return false;
    SetInjHWFromIndex28();
    std::vector<uint8_t> a;
    const bool ok = Command(0x03, {0x03}, a, 8);
    if (!ok)
        return false; // no block, no parameters
    StoreBaseBlock(a[2], be16(a, 3), a[5], a[6], false);
    ReadParameterList({{8, 2}, {8, 8}, {16, 7}, {16, 6}, {8, 12}, {16, 8}, {8, 11}, {8, 10},
                       {16, 9}, {16, 10}, {8, 3}, {8, 4}, {8, 7}, {8, 16}, {8, 17}, {8, 23},
                       {8, 18}, {8, 21}, {8, 5}, {8, 20}, {8, 27}, {8, 19}, {8, 1}, {8, 28}});
    if (Ready()) {
        // On these kinds id 29 is the start-on-gas option (stored by its
        // rule) and id 30 also tells whether the RPM wire is connected.
        bool good = false;
        ReadParameter8Checked(29, &good);
        const uint8_t v30 = ReadParameter8Checked(30, &good);
        if (good)
            rec().RPMWireNotConnect = v30;
    }
    ReadLevelSensor35();
    ReadLevelSensor36();
    return ok;
}

bool TDataManager::WriteConfigCmd04(uint16_t rpm, uint8_t t, uint8_t configurationByte,
                                    uint8_t mask)
{
    if (!Exchange(0x04, {t, uint8_t(rpm >> 8), uint8_t(rpm), configurationByte, mask}, kAckLength))
        return false;
    StoreBaseBlock(t, rpm, configurationByte, mask, IsDeviceType(48));
    return true;
}

void TDataManager::StoreBaseBlock(uint8_t t, uint16_t rpm, uint8_t configurationByte, uint8_t mask,
                                  bool kind48)
{
    auto &r = rec();
    r.T = t;
    r.RPM = rpm & 0x3FFF;
    r.EngineType = configurationByte >> 7;
    r.RPMsource = (configurationByte >> 5) & 3;
    r.FuelType = (configurationByte >> 4) & 1;
    SetInjSWFromMask(mask);
    if (kind48) {
        // The block goes back with the bits no field stands for; the level
        // sensor is id 33's, and of the drive class the record keeps the
        // masked bit (0 or 2).
        r.ModelDataExtra[0] = configurationByte;
        r.ModelDataExtra[1] = mask;
        r.InjType = configurationByte & 2;
    } else {
        r.ReserveType = (configurationByte >> 2) & 3;
        r.InjType = configurationByte & 3;
        r.InjSW = std::min(r.InjSW, r.InjHW);
    }
}

bool TDataManager::ReadModelDataD8()
{
    if (!Ready())
        return false;
    TReadPlan plan;
    AddKind48Configuration(plan);
    return plan.Run(*this);
}

void TDataManager::AddKind48Configuration(TReadPlan &plan)
{
    plan.Param8(34);
    plan.Param8(33);
    plan.Add(0x40, 28, [this](TDataManager &) {
        SetInjHWFromIndex28();
        return true;
    });
    // Nothing of the configuration is read without its block, which holds
    // single parameters besides (ReadConfigurationBlockD8).
    plan.Add(0xD8, 0xD8, [this](TDataManager &) { return ReadConfigurationBlockD8(); }, true);
    for (uint8_t id : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 16, 17, 18, 20, 21, 23, 27, 28})
        plan.AlsoReads(0x07, id);
    for (uint8_t id : {6, 7, 8, 9, 10})
        plan.AlsoReads(0x51, id);
    plan.Add(0x35, 0, [](TDataManager &dm) { return dm.ReadLevelSensor35(); });
    plan.Add(0x36, 0, [](TDataManager &dm) { return dm.ReadLevelSensor36(); });
    plan.Params({{8, 35}, {16, 11}, {16, 12}, {8, 31}, {8, 29}, {16, 14}, {8, 32}, {8, 37}, {12, 74}, {8, 42},
                 {8, 40}, {16, 16}, {8, 38}, {8, 39}, {8, 19}});
    // The settings and the parts of a settings file that a version letter
    // brings, each from its letter on. The settings of a letter are those
    // its [Config] part of a settings file holds.
    using kind48::TFilePart;
    const auto settingsOf = [this, &plan](TFilePart config) {
        if (Kind48Holds(config))
            plan.Params(Kind48SettingsFrom(kind48::FromOf(config)));
    };
    settingsOf(TFilePart::ConfigD1);
    if (Kind48Holds(TFilePart::GasInjCorr))
        plan.Add(0x93, 0, [](TDataManager &dm) { return dm.ReadGasInjCorrTable(); });
    if (Kind48Holds(TFilePart::CorrectionTypes))
        plan.Params({{8, 45}, {8, 46}});
    settingsOf(TFilePart::ConfigF);
    if (Kind48Holds(TFilePart::MaxTbForLoad))
        plan.ParamWord(22);
    if (Kind48Holds(kind48::THeld::Inspection)) {
        plan.Add(0x56, 0, [](TDataManager &dm) { return dm.ReadInfo56(); });
        plan.Add(0x54, 0, [](TDataManager &dm) { return dm.ReadComputerCodes(); });
    }
    settingsOf(TFilePart::ConfigG);
    if (Kind48Holds(TFilePart::MaxPcolForLoad))
        plan.Param8(53);
}

void TDataManager::AddKind48WindowSettings(TReadPlan &plan) const
{
    if (!IsDeviceType(48))
        return;
    for (const kind48::TSetting &s : kind48::Settings)
        if (s.Window && !Kind48ConfigurationReads(s.Width, s.Id))
            plan.Params({{s.Width, s.Id}});
}

// The block holds the values of 8-bit ids 1 (the probe type), 5, 6, 7, 8,
// 20 (flags of byte 4), 16, 17, 18, 21, 27 (flags of byte 5), 2 (the
// injector type), 12, 11, 10, 3, 4, 23 and 28, and of 16-bit ids 7 (the
// capacity), 6 (the power), 8 (the idle base time), 9 and 10.
bool TDataManager::ReadConfigurationBlockD8()
{
    // A new picture of the device: what the configuration read leaves out
    // for the version is the device's again only once read.
    FKind48Held = 0;
    std::vector<uint8_t> a;
    if (!Command(0xD8, {0xD8}, a, 28))
        return false;
    auto &r = rec();
    // Bytes 2-5 as read: the block write sends them back, so the bits that no
    // field stands for keep the device's values.
    std::copy_n(a.begin() + 2, 4, r.ModelDataExtra.begin());
    StoreBaseBlock(a[6], be16(a, 7), a[2], a[3], true);
    r.LambdaType = a[4] & 7;
    r.PetrolInjPlusControl = (a[4] >> 3) & 1;
    r.NoSeqential = (a[4] >> 4) & 1;
    r.RPMSourceType = (a[4] >> 5) & 1;
    r.ExternalEmulator = (a[4] >> 6) & 1;
    r.CAP_TIE_enable = a[4] >> 7;
    r.SemiGasControl = a[5] & 1;
    r.MicroInjection = (a[5] >> 1) & 1;
    r.HemiEngine = (a[5] >> 2) & 1;
    r.TuningMode = (a[5] >> 3) & 1;
    r.MasterMode = a[5] >> 7;
    r.InjTypeName = a[9];
    r.EngineCubicCapacity = be16(a, 10);
    r.Power = be16(a, 12);
    r.IdleHotTb = be16(a, 14);
    r.InjSystemType = a[16];
    r.RedType = a[17];
    r.NozzleSize = a[18];
    r.EmulatorSwitchDelay = be16(a, 19);
    r.PostValveDelay = be16(a, 21);
    r.LowPD = a[23];
    r.LowPT = a[24];
    r.MicroInjectionTime = a[25];
    r.PressureSensorType = a[26];
    return true;
}

bool TDataManager::WriteModelDataD9()
{
    if (!Ready())
        return false;
    const auto &r = rec();
    std::vector<uint8_t> p(std::begin(r.ModelDataExtra), std::end(r.ModelDataExtra));
    p.push_back(r.T);
    putBe16(p, r.RPM);
    p.push_back(r.InjTypeName);
    putBe16(p, r.EngineCubicCapacity);
    putBe16(p, r.Power);
    putBe16(p, r.IdleHotTb);
    p.push_back(r.InjSystemType);
    p.push_back(r.RedType);
    p.push_back(r.NozzleSize);
    putBe16(p, r.EmulatorSwitchDelay);
    putBe16(p, r.PostValveDelay);
    p.push_back(r.LowPD);
    p.push_back(r.LowPT);
    p.push_back(r.MicroInjectionTime);
    p.push_back(r.PressureSensorType);
    std::vector<uint8_t> a;
    return Command(0xD9, p, a, kAckLength);
}

// ===========================================================================
// Model, corrections and maps
// ===========================================================================

bool TDataManager::ReadModelFactors()
{
    return Exchange(0x10, {0x10}, 23, [](const Answer &a) {
        for (uint8_t id = 1; id <= 10; ++id)
            ::StoreModelParameter(rec(), id, be16(a, 2 * id));
    });
}

bool TDataManager::ReadCorrectionBlock(uint8_t command, int8_t *target)
{
    return Exchange(command, {0x00}, 23, [target](const Answer &a) {
        for (int i = 0; i < 20; ++i)
            target[i] = static_cast<int8_t>(a[2 + i]);
    });
}

bool TDataManager::WriteCorrectionBlock(uint8_t command, const int8_t *source)
{
    return Exchange(command, std::vector<uint8_t>(source, source + 20), kAckLength);
}

bool TDataManager::ReadCorrectionsD0() { return ReadCorrectionBlock(0xD0, &rec().PsysCorrections[0]); }
bool TDataManager::WriteCorrectionsD1() { return WriteCorrectionBlock(0xD1, &rec().PsysCorrections[0]); }
bool TDataManager::ReadCorrections97() { return ReadCorrectionBlock(0x97, &rec().PcolCorrections[0]); }
bool TDataManager::WriteCorrections98() { return WriteCorrectionBlock(0x98, &rec().PcolCorrections[0]); }
bool TDataManager::ReadCorrectionsD2() { return ReadCorrectionBlock(0xD2, &rec().TgasCorrections[0]); }
bool TDataManager::WriteCorrectionsD3() { return WriteCorrectionBlock(0xD3, &rec().TgasCorrections[0]); }
bool TDataManager::ReadCorrectionsDB() { return ReadCorrectionBlock(0xDB, &rec().RpmCorrections[0]); }
bool TDataManager::WriteCorrectionsDA() { return WriteCorrectionBlock(0xDA, &rec().RpmCorrections[0]); }

bool TDataManager::ReadPointPages(uint8_t command, bool second)
{
    auto &points = second ? rec().ModelPointsB : rec().ModelPointsA;
    for (uint8_t page = 0; page < 2; ++page) {
        const bool ok = Exchange(command, {page}, 43, [&](const Answer &a) {
            for (int j = 0; j < 10; ++j) {
                auto &pt = points[page * 10 + j];
                pt.X = be16(a, 2 + 4 * j);
                pt.Y = be16(a, 4 + 4 * j);
            }
        });
        if (!ok)
            return false;
    }
    return true;
}

bool TDataManager::WritePointPages(uint8_t command, bool second)
{
    const auto &points = second ? rec().ModelPointsB : rec().ModelPointsA;
    for (uint8_t page = 0; page < 2; ++page) {
        std::vector<uint8_t> p{page};
        for (int j = 0; j < 10; ++j) {
            const auto &pt = points[page * 10 + j];
            putBe16(p, clampWord(pt.X));
            putBe16(p, clampWord(pt.Y));
        }
        if (!Exchange(command, p, kAckLength))
            return false;
    }
    return true;
}

bool TDataManager::ReadMapD4() { return ReadPointPages(0xD4, false); }
bool TDataManager::WriteMapD5() { return WritePointPages(0xD5, false); }
bool TDataManager::ReadModel2Block() { return ReadPointPages(0x95, true); }
bool TDataManager::WriteModel2Block() { return WritePointPages(0x96, true); }

bool TDataManager::ReadRows(uint8_t command, bool second)
{
    auto &rows = second ? rec().MapRows2 : rec().MapRows;
    for (uint8_t row = 0; row < 40; ++row) {
        const bool ok = Exchange(command, {row}, 9, [&](const Answer &a) {
            for (int k = 0; k < 3; ++k)
                rows[row][k] = be16(a, 2 + 2 * k);
        });
        if (!ok)
            return false;
    }
    return true;
}

bool TDataManager::ReadMapRowsDC() { return ReadRows(0xDC, false); }
bool TDataManager::ReadMapRowsDD() { return ReadRows(0xDD, true); }

bool TDataManager::WriteMapRowDF()
{
    for (uint8_t row = 0; row < 40; ++row) {
        const uint16_t w = rec().MapRows[row][0];
        if (!Exchange(0xDF, {row, uint8_t(w >> 8), uint8_t(w)}, kAckLength))
            return false;
    }
    return true;
}

bool TDataManager::ClearMapDE(uint8_t n)
{
    return Exchange(0xDE, {n}, kAckLength);
}

bool TDataManager::ReadCorrections60()
{
    return Exchange(0x60, {0xA5}, 33, [](const Answer &a) {
        auto &c = rec().Corrections60;
        for (int i = 0; i < 10; ++i) {
            c.LoadAxis[i] = a[2 + i];
            c.RpmAxis[i] = be16(a, 12 + 2 * i);
        }
    });
}

bool TDataManager::ReadCorrections61(int bank, int half)
{
    if ((bank != 1 && bank != 2) || (half != 0 && half != 1))
        return false;
    return Exchange(0x61, {uint8_t(bank * 16 + half)}, 54, [](const Answer &a) {
        // The device echoes which rows it sent: low nibble x 5 is the first
        // row, high nibble 2 the second bank.
        const int first = (a[2] & 0x0F) * 5;
        auto &target = rec().AdaptBanks[(a[2] >> 4) == 2 ? 1 : 0];
        for (int row = 0; row < 5 && first + row < 10; ++row)
            for (int col = 0; col < 10; ++col)
                target[first + row][col] = static_cast<int8_t>(a[3 + row * 10 + col]);
    });
}

bool TDataManager::WriteCorrections62(int bank, int half)
{
    if ((bank != 1 && bank != 2) || (half != 0 && half != 1))
        return false;
    const auto &source = rec().AdaptBanks[bank == 2 ? 1 : 0];
    std::vector<uint8_t> p{uint8_t(bank * 16 + half)};
    for (int row = half * 5; row < half * 5 + 5; ++row)
        for (int col = 0; col < 10; ++col)
            p.push_back(static_cast<uint8_t>(source[row][col]));
    return Exchange(0x62, p, kAckLength);
}

bool TDataManager::ReadNozzleTestData()
{
    return Exchange(0xC0, {0x00}, 11, [](const Answer &a) {
        for (int i = 0; i < 4; ++i)
            rec().NozzleTest[i] = be16(a, 2 + 2 * i) / 187.0;
    });
}

bool TDataManager::WriteModelBlockC1()
{
    std::vector<uint8_t> p;
    for (int i = 0; i < 4; ++i)
        putBe16(p, clampWord(roundEven(rec().NozzleTest[i] * 187.0)));
    return Exchange(0xC1, p, kAckLength);
}

// ===========================================================================
// Trouble codes, service data and history
// ===========================================================================

bool TDataManager::ReadTroubleCodes()
{
    return Exchange(0x13, {0x13}, 19, [](const Answer &a) {
        std::copy_n(a.begin() + 2, 16, rec().TroubleCodes.begin());
    });
}

bool TDataManager::ClearTroubleCodes()
{
    return Exchange(0x14, {0x14}, kAckLength);
}

bool TDataManager::ReadTroubleCodesDebug(uint8_t n)
{
    const uint8_t sent = n >= 10 ? uint8_t(n - 1) : n;
    return Exchange(0x58, {sent}, 24, [sent](const Answer &a) {
        auto &d = rec().DebugTroubleCodes;
        if (sent >= d.Records.size())
            return; // no such history entry: nothing is stored
        d.Count = a[2];
        auto &e = d.Records[sent];
        e.Group = a[3];
        e.Mask = a[4];
        e.RpmPeriod = be16(a, 5);
        e.PetrolTime = be16(a, 7);
        e.GasTime = be16(a, 9);
        std::copy_n(a.begin() + 11, 10, e.Bytes.begin());
        e.GasWorkTime = be16(a, 21);
    });
}

bool TDataManager::ReadComputerCodes()
{
    return Exchange(0x54, {0x00}, 44, [](const Answer &a) {
        auto &c = rec().ComputerCodes;
        for (int i = 0; i < 5; ++i) {
            c.Entries[i].Code = be32(a, 2 + 8 * i);
            c.Entries[i].DateTime = be32(a, 6 + 8 * i);
        }
        c.Newest = a[42];
    });
}

bool TDataManager::WriteLastChangeInfo(uint32_t computerCode, uint32_t packedDateTime)
{
    std::vector<uint8_t> p;
    putBe32(p, computerCode);
    putBe32(p, packedDateTime);
    return Exchange(0x55, p, kAckLength);
}

bool TDataManager::ReadInfo56()
{
    return Exchange(0x56, {0x00}, 6, [](const Answer &a) {
        rec().InspectionTimeDistRatio = a[2];
        rec().NextInspection = be16(a, 3);
    });
}

bool TDataManager::WriteNextInspection()
{
    std::vector<uint8_t> p{rec().InspectionTimeDistRatio};
    putBe16(p, rec().NextInspection);
    return Exchange(0x57, p, kAckLength);
}

bool TDataManager::SetWorkType(uint8_t type)
{
    if (!Exchange(0x20, {type}, kAckLength))
        return false;
    if (type != 6 && type != 7)
        WorkType = type;
    if (OnWorkTypeHint)
        OnWorkTypeHint(QStringLiteral("WorkType: %1").arg(WorkType));
    return true;
}

// ===========================================================================
// Level sensor
// ===========================================================================

bool TDataManager::ReadLevelSensor35()
{
    return Exchange(0x35, {0x00}, 7, [](const Answer &a) {
        for (int i = 0; i < 4; ++i)
            *levelA(rec())[i] = a[2 + i];
    });
}

bool TDataManager::ReadLevelSensor36()
{
    return Exchange(0x36, {0x00}, 7, [](const Answer &a) {
        for (int i = 0; i < 4; ++i)
            *levelB(rec())[i] = a[2 + i];
    });
}

bool TDataManager::WriteLevelSensor37()
{
    const auto set = levelA(rec());
    return Exchange(0x37, {*set[0], *set[1], *set[2], *set[3], 0x00}, kAckLength);
}

bool TDataManager::WriteLevelSensor38()
{
    const auto set = levelB(rec());
    return Exchange(0x38, {*set[0], *set[1], *set[2], *set[3], 0x00}, kAckLength);
}

// ===========================================================================
// Actuators and injector tests
// ===========================================================================

bool TDataManager::ActuatorTest18(uint8_t n) { return Exchange(0x18, {n}, kAckLength); }
bool TDataManager::ActuatorCmd39(uint8_t n) { return Exchange(0x39, {n}, kAckLength); }
bool TDataManager::StartInjectorTest(uint8_t n) { return Exchange(0x92, {n}, kAckLength); }

bool TDataManager::ReadInjTest90()
{
    return Exchange(0x90, {0x00}, 35, [](const Answer &a) {
        for (int i = 0; i < 8; ++i)
            rec().InjTestCounters[i] = be32(a, 2 + 4 * i);
    });
}

bool TDataManager::ReadInjTest91()
{
    return Exchange(0x91, {0x00}, 22, [](const Answer &a) {
        for (int i = 0; i < 8; ++i)
            rec().InjTestWords[i] = be16(a, 2 + 2 * i);
        std::copy_n(a.begin() + 18, 3, rec().InjTestBytes.begin());
    });
}

bool TDataManager::ReadGasInjCorrTable()
{
    return Exchange(0x93, {0x00}, 11, [](const Answer &a) {
        for (int i = 0; i < 8; ++i)
            rec().GasInjCorrTable[i] = static_cast<int8_t>(a[2 + i]);
    });
}

bool TDataManager::WriteGasInjTable()
{
    const auto &t = rec().GasInjCorrTable;
    return Exchange(0x94, std::vector<uint8_t>(t.begin(), t.end()), kAckLength);
}

bool TDataManager::WriteInjControl()
{
    return Exchange(0x15, std::vector<uint8_t>(InjControlBlock.begin(), InjControlBlock.end()),
                    kAckLength);
}

const std::array<uint8_t, 12> *TDataManager::InjectorPreset(int row)
{
    if (row < 1 || row > static_cast<int>(kInjectorPresets.size()))
        return nullptr;
    return &kInjectorPresets[static_cast<size_t>(row - 1)];
}

bool TDataManager::WriteInjControl15(int row)
{
    const auto *preset = InjectorPreset(row);
    if (!preset)
        return false;
    return Exchange(0x15, std::vector<uint8_t>(preset->begin(), preset->end()), kAckLength);
}

bool TDataManager::ReadInjControl()
{
    return Exchange(0x17, {0x00}, 15, [this](const Answer &a) {
        std::copy_n(a.begin() + 2, 12, InjControlBlock.begin());
    });
}

// ===========================================================================
// Recordings
// ===========================================================================

bool TDataManager::ReadPoints(uint8_t command, uint8_t page, uint16_t (&words)[16])
{
    return Exchange(command, {page}, 35, [&words](const Answer &a) {
        for (int i = 0; i < 16; ++i) {
            const uint16_t w = be16(a, 2 + 2 * i);
            words[i] = w == 0xFFFF ? 0 : w;
        }
    });
}

bool TDataManager::ReadRecordD6(uint8_t page, uint16_t (&words)[16])
{
    return ReadPoints(0xD6, page, words);
}

bool TDataManager::ReadRecordD7(uint8_t page, uint16_t (&words)[16])
{
    return ReadPoints(0xD7, page, words);
}

bool TDataManager::ReadRecordingSize()
{
    bool ok = false;
    const uint16_t w = ReadWord31Raw(198, &ok);
    if (!ok)
        return false;
    RecordingCount1 = std::min<uint8_t>(uint8_t(w >> 8), 127);
    RecordingCount2 = std::min<uint8_t>(uint8_t(w & 0xFF), 127);
    return true;
}

// Appends a recorded point to a recording when it is valid; returns whether
// it was kept. A word 0 is an empty slot.
bool TDataManager::DecodeRecordingPoint(uint16_t w, double maxPressure, bool second, int &stored)
{
    if (w == 0)
        return false;
    const uint8_t raw = static_cast<uint8_t>(((w >> 7) & 0x3F) * 2 + 10);
    const double pressure = RawToCollectorPressure(raw);
    const double time = ((w & 0x7F) * 32) / 187.0;
    if (pressure < 0.0 || pressure > maxPressure)
        return false;
    auto &target = second ? rec().Recording2 : rec().Recording1;
    if (stored >= static_cast<int>(std::size(target)))
        return false;
    auto &e = target[stored++];
    e.Pressure = pressure;
    e.Time = time;
    e.State = static_cast<uint8_t>(w >> 13);
    return true;
}

void TDataManager::ClearRecordings()
{
    for (auto *r : {&rec().Recording1, &rec().Recording2})
        for (auto &e : *r)
            e = {};
}

bool TDataManager::ReadRecording(double maxPressure)
{
    if (!Ready())
        return false;
    ClearRecordings();
    if (!ReadRecordingSize())
        return false;
    bool ok = true;
    for (int rec2 = 0; rec2 < 2; ++rec2) {
        uint8_t &count = rec2 ? RecordingCount2 : RecordingCount1;
        const uint16_t base = rec2 ? 456 : 200;
        int stored = 0;
        if (!ok) {
            count = 0; // a table not read holds no points
            continue;
        }
        for (int i = 0; i < count; ++i) {
            bool good = false;
            const uint16_t w = ReadWord31Raw(uint16_t(base + 2 * i), &good);
            if (!good) {
                ok = false;
                break;
            }
            DecodeRecordingPoint(w, maxPressure, rec2 != 0, stored);
        }
        // Empty slots, points out of range and points not read lower the count.
        count = static_cast<uint8_t>(stored);
    }
    return ok;
}

bool TDataManager::ReadRecording2(double maxPressure)
{
    if (!Ready())
        return false;
    ClearRecordings();
    if (!ReadRecordingSize())
        return false;
    bool ok = true;
    for (int rec2 = 0; rec2 < 2; ++rec2) {
        uint8_t &count = rec2 ? RecordingCount2 : RecordingCount1;
        int stored = 0;
        if (!ok) {
            count = 0; // a table not read holds no points
            continue;
        }
        for (uint8_t page = 0; page < 8 && page * 16 < count; ++page) {
            uint16_t words[16] = {};
            if (!ReadPoints(rec2 ? 0xD7 : 0xD6, page, words)) {
                ok = false;
                break;
            }
            for (int i = 0; i < 16 && page * 16 + i < count; ++i)
                DecodeRecordingPoint(words[i], maxPressure, rec2 != 0, stored);
        }
        count = static_cast<uint8_t>(stored);
    }
    return ok;
}

bool TDataManager::SetAdaptationMode(bool on)
{
    bool ok = false;
    ReadParameter8Checked(31, &ok);
    if (!ok)
        return false; // writing back a byte not read would change other options
    auto &r = rec();
    r.AdaptationMode = on ? 1 : 0;
    return WriteParamByte(31, FlagsByteToWrite(r, 31));
}
