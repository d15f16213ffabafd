// Live-value polling by group and connecting on demand.
#include "core/ComMultiPort.h"
#include "core/ConfigurationByKind.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/Detector.h"

#include <exception>
#include <stdexcept>

namespace {

// The program family this program serves.
constexpr int kOwnFamily = 2;

bool DetectionRan()
{
    return Detector && Detector->DetectionRan();
}

int DetectedFamily()
{
    return Detector ? Detector->GetExeFamily() : 0;
}

} // namespace

bool TDataManager::ReadValue16Checked(uint8_t index, uint16_t &value)
{
    if (!Ready())
        return false;
    bool ok = false;
    const uint16_t v = ReadValue16Raw(index, &ok);
    if (ok)
        value = v;
    return ok;
}

void TDataManager::ConnectStep(bool keepPortOpen)
{
    VersionSupported = true;
    TComMultiPort *p = Port();
    if (!p)
        throw std::runtime_error("no serial port");
    if (!keepPortOpen)
        p->Close();
    if (!p->GetConnected())
        p->Open();

    const bool timerRunning = !IsMainTimerRunning || IsMainTimerRunning();
    if (!timerRunning && DetectionRan())
        Detector->Detect(p);

    if (DetectionRan() && DetectedFamily() != kOwnFamily) {
        // Another program serves what answers here: no controller request.
        DeviceRecord.DeviceKind = 0;
        SetConnected(false);
        CheckFailure(false);
        FailedThisPoll = true;
        LastPollFailed = true;
    } else {
        if (DetectDevice()) {
            ReadIdentity();
            ReadAllPages();
        } else {
            FailedThisPoll = true;
            LastPollFailed = true;
        }
    }

    if (OnConnectionInfo)
        OnConnectionInfo();

    if (DetectedFamily() == kOwnFamily) {
        DeviceReread = true;
        SendCmd3F();
        ReadDeviceOnConnect();
        // Only codes this device has just reported count: after a failed read
        // the record still holds what an earlier device stored.
        TroubleCodesPresent = false;
        if (ReadTroubleCodes()) {
            const auto &codes = DeviceRecord.TroubleCodes;
            for (int i = 8; i < 16; ++i)
                if (codes[static_cast<size_t>(i)] != 0)
                    TroubleCodesPresent = true;
        }
    }
}

void TDataManager::ReadDeviceOnConnect()
{
    ReadAllPages();
    if (IsDeviceType(48))
        ReadPage(0);
    ReadConfigurationByKind(*this);
    ReadModelFactors();
}

void TDataManager::ReadGroup(int group)
{
    auto &r = DeviceRecord;
    const bool extended = IsDeviceVersionAtLeast(48, QStringLiteral("G"));
    uint16_t v = 0;
    switch (group) {
    case pgLive:
        if (extended) {
            ReadCmd0B();
            if (ReadValue16Checked(41, v))
                r.ConnectBytes.EngineLoad = static_cast<uint8_t>(v);
            ReadCmd64();
        } else {
            ReadDeviceInfo();
            SendCmd22();
            if (IsDeviceType(48) && Ready())
                ReadPage(5);
        }
        break;
    case pgAutoCal:
        ReadStatus21();
        break;
    case pgAutoCal2:
        ReadStatus21b();
        break;
    case pgAdaptBank1:
    case pgAdaptBank2:
        if (extended && IsAdaptationVariableSet && IsAdaptationVariableSet()) {
            const int bank = group == pgAdaptBank1 ? 1 : 2;
            ReadCorrections61(bank, 0);
            ReadCorrections61(bank, 1);
        }
        break;
    default:
        break;
    }
    if (ReadValue16Checked(40, v)) {
        r.ConnectBytes.Bank1Correction = static_cast<int8_t>(v & 0xFF);
        r.ConnectBytes.Bank2Correction = static_cast<int8_t>(v >> 8);
    }
}

bool TDataManager::PollGroup(int group, bool keepPortOpen)
{
    FailedThisPoll = false;
    if (!FConnected) {
        try {
            ConnectStep(keepPortOpen);
        } catch (const std::exception &) {
            // An unusable port or any other fault of the connect: the poll
            // fails quietly and the next one tries again.
            FailedThisPoll = true;
            LastPollFailed = true;
            DeviceRecord.DeviceKind = 0;
        }
    }

    if (IsDeviceType(48) && !DeviceRecord.Ver.isEmpty())
        VersionSupported = FConnected && VersionAtLeast(QStringLiteral("H")) &&
                           DeviceRecord.Ver.toUpper().compare(QStringLiteral("J")) <= 0;

    if (!LastPollFailed)
        ReadGroup(group);

    LastPollFailed = FailedThisPoll;
    if (!LastPollFailed)
        FailureCount = 0;
    return !LastPollFailed;
}

void TDataManager::Reconnect(int port, bool keepPortOpen)
{
    // The device state goes as a whole: a link left up would skip the connect
    // below and stay up with no device kind (or on another port's device).
    DeviceRecord.DeviceKind = 0;
    SetConnected(false);
    if (OnClearLogicState)
        OnClearLogicState();
    if (IsModuleManagerActive && OnLinkActiveChanged)
        OnLinkActiveChanged(false);
    ChangePort(port);
    PollGroup(pgConnect, keepPortOpen);
    if (!FConnected) {
        if (IsModuleManagerActive && OnLinkActiveChanged)
            OnLinkActiveChanged(false);
        return;
    }
    if (OnSyncAfterDetect)
        SyncModules(true);
}

bool TDataManager::SyncModules(bool force)
{
    const bool active = IsModuleManagerActive && IsModuleManagerActive();
    if (force || (!active && ModulesActive)) {
        TComMultiPort *p = Port();
        if (OnSyncAfterDetect)
            OnSyncAfterDetect(p ? p->ComDevice() : 0);
        ModulesActive = IsModuleManagerActive && IsModuleManagerActive();
    }
    return IsModuleManagerActive && IsModuleManagerActive();
}
