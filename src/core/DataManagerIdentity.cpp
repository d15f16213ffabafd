// Identity texts, the served-program check and the conditions that colour the
// live displays.
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/Detector.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/VersionInfo.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// Colour codes of the edition palette.
constexpr int kColorAlert = 10;
constexpr int kColorNormal = 7;
constexpr int kColorGood = 2;
constexpr int kColorSupply = 4;

QString Text(const char *key)
{
    const QString k = QString::fromLatin1(key);
    return LM ? LM->Translate(k) : k;
}

QString ProgramVersion()
{
    if (LM && LM->VerInfo && !LM->VerInfo->FileVersion().isEmpty())
        return LM->VerInfo->FileVersion();
    return QCoreApplication::applicationVersion();
}

const char *const kVariantShort[] = {"STD", "TUR", "PWR", "MUL", "UPD"};
const char *const kVariantLong[] = {"STAND", "TURBO", "POWER", "MULTI", "UPDATE"};

int ChannelCount(const TDeviceRecord &r)
{
    return std::min<int>(r.InjSW, TDeviceRecord::ChannelCount);
}

} // namespace

QString TDataManager::GetDeviceTypeText(bool withDot) const
{
    const uint8_t kind = DeviceRecord.DeviceKind;
    if (kind == 0)
        return QStringLiteral("00");
    return QString::number(kind >> 4) + (withDot ? QStringLiteral(".") : QString()) +
           QString::number(kind & 0x0F);
}

QString TDataManager::FormatVersion(bool shortForm) const
{
    const auto &r = DeviceRecord;
    const auto names = shortForm ? kVariantShort : kVariantLong;
    const QString variant = r.IdentityPage1 < 5 ? QString::fromLatin1(names[r.IdentityPage1])
                                                : QStringLiteral("-");
    const QString page6 = r.IdentityPage6 < 255 ? QStringLiteral("-%1").arg(r.IdentityPage6)
                                                : QString();
    const QString market = r.UsaVariant != 0 ? QStringLiteral("USA") : QString();
    const QString head = QStringLiteral("%1%2%3%4%5%6%7")
                             .arg(r.UsaVariant)
                             .arg(r.IdentityPage5)
                             .arg(r.IdentityPage3)
                             .arg(r.IdentityPage1)
                             .arg(r.IdentityPage2)
                             .arg(GetDeviceTypeText(false), r.Ver);
    const QString tail = shortForm ? QStringLiteral(" %1[%2%3]%4") : QStringLiteral(" %1 [%2%3] %4");
    return head + tail.arg(variant).arg(r.IdentityPage4).arg(page6, market);
}

QString TDataManager::FormatSerialNumber()
{
    const uint16_t info = ReadWord31(84);
    const uint16_t low = ReadWord31(88);
    const uint16_t high = ReadWord31(90);
    const quint32 serial = quint32(high) << 16 | low;
    QString number = QString::number(serial).rightJustified(5, QLatin1Char('0'));
    number = number.right(5);
    auto two = [](int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    return number + two(DeviceRecord.IdentityPage4) + two(info & 0xFF) + two(info >> 8);
}

bool TDataManager::CheckDeviceProgram(bool showMessage)
{
    if (!Detector || !Detector->Answered())
        return false;
    const int detected = Detector->GetDetectedKind();
    // Bootloaders and unknown answers say nothing about the controller.
    if (detected < 1 || detected > 6)
        return false;
    auto &r = DeviceRecord;
    if (r.DeviceKind == 0 || !FConnected)
        DetectDevice();
    if (FConnected)
        ReadPage(0);
    const int family = Detector->GetExeFamily();
    if (family == 1 || family == 2)
        r.DeviceKind = static_cast<uint8_t>(Detector->GetVersionMajor() * 16 +
                                            Detector->GetVersionMinor());
    const uint8_t kind = r.DeviceKind;
    const bool foreign = kind != 0 && kind != 20 && kind != 21 && kind != 48;
    if (foreign) {
        SetConnected(false);
        if (showMessage) {
            const bool wasRunning = !IsMainTimerRunning || IsMainTimerRunning();
            if (SetMainTimerRunning)
                SetMainTimerRunning(false);
            if (OnShowInfo)
                OnShowInfo(Text("strInfoVerTitle"),
                           Text("strInfoProgVer") + QStringLiteral(" [") + ProgramVersion() +
                               QStringLiteral("] ") + Text("strInfoVer") + QStringLiteral(" [") +
                               GetDeviceTypeText(true) + QStringLiteral("]"));
            if (SetMainTimerRunning)
                SetMainTimerRunning(wasRunning);
        }
    }
    return foreign;
}

int TDataManager::GetSwitchTempThreshold()
{
    const auto &r = DeviceRecord;
    switch (r.DeviceKind) {
    case 20:
    case 21: {
        int t = r.T;
        if (r.GasTempRaw >= 168)
            t = r.T - r.GasTempRaw + 167;
        return std::max(t, 40);
    }
    case 48: {
        if (VersionAtLeast(QStringLiteral("G")))
            return r.SwitchTempThresholdRaw;
        uint16_t v = 0;
        // The previous value is unknown when the read fails: 0 then.
        return ReadValue16Checked(33, v) ? (v & 0xFF) : 0;
    }
    default:
        return 0;
    }
}

void TDataManager::RpmWindowOf(int selection, int &low, int &high)
{
    switch (selection) {
    case 0: low = 1250; high = 1750; break;
    case 1: low = 1750; high = 2250; break;
    case 3: low = 2750; high = 3250; break;
    case 4: low = 3250; high = 3750; break;
    case 5: low = 3750; high = 4250; break;
    case 6: low = 4250; high = 4750; break;
    case 7: low = 4750; high = 5250; break;
    case 8: low = 1250; high = 2250; break;
    case 9: low = 1750; high = 2750; break;
    case 10: low = 2250; high = 3250; break;
    case 11: low = 2750; high = 3750; break;
    case 12: low = 3250; high = 4250; break;
    case 13: low = 3750; high = 4750; break;
    case 14: low = 4250; high = 5250; break;
    default: low = 2250; high = 2750; break;
    }
}

int TDataManager::GetRpmWindow()
{
    const auto &r = DeviceRecord;
    int low = 0, high = 0;
    RpmWindowOf(r.MapRPMRange, low, high);
    const int rpm = PeriodToRpm(r.RpmPeriod);
    if (rpm > low && rpm < high && !IsDeviceNotReady()) {
        if (IsRpmSoundChecked && IsRpmSoundChecked() && r.ReducerTempRaw < 88 && OnBeep)
            OnBeep();
        return kColorGood;
    }
    return kColorNormal;
}

int TDataManager::StatePanelGasColor() const
{
    return DeviceRecord.PanelLED ? 15 : 13;
}

int TDataManager::StatePanelPetrolColor() const
{
    return DeviceRecord.PanelLED ? 16 : 14;
}

int TDataManager::ColorRpmAbove1200() const
{
    return PeriodToRpm(DeviceRecord.RpmPeriod) > 1200 ? kColorAlert : kColorNormal;
}

int TDataManager::ColorPcolInIdleRange() const
{
    const double p = RawToCollectorPressure(DeviceRecord.ManifoldPressureRaw);
    return p >= 0.2 && p <= 0.55 ? kColorNormal : kColorAlert;
}

int TDataManager::ColorPcolAbove105() const
{
    return RawToCollectorPressure(DeviceRecord.ManifoldPressureRaw) > 1.05 ? kColorGood
                                                                           : kColorNormal;
}

int TDataManager::ColorGasPressureInRange() const
{
    const auto &r = DeviceRecord;
    const double p = RawToPressure(r.GasPressureRaw);
    return p >= 0.8 && p <= 1.5 && r.GasSwitchState >= 4 ? kColorNormal : kColorAlert;
}

int TDataManager::ColorGasPressureAboveLowPT() const
{
    const auto &r = DeviceRecord;
    return r.GasPressureRaw >= r.LowPT && r.GasSwitchState >= 4 ? kColorNormal : kColorAlert;
}

int TDataManager::ColorAveragePetrolTime() const
{
    const double t = GetAverageInjectionTime();
    return t >= 1.5 && t <= 8.0 ? kColorNormal : kColorAlert;
}

int TDataManager::ColorPetrolTimeSpread() const
{
    const auto &r = DeviceRecord;
    bool longOne = false, shortOne = false;
    for (int i = 0; i < ChannelCount(r); ++i) {
        const double t = RawToTimeMs(r.PetrolTime[static_cast<size_t>(i)]);
        longOne = longOne || t >= 6.0;
        shortOne = shortOne || t < 0.1;
    }
    return longOne && shortOne ? kColorAlert : kColorNormal;
}

int TDataManager::ColorNoRpmSignal() const
{
    return DeviceRecord.RpmPeriod == 0 ? kColorAlert : kColorNormal;
}

int TDataManager::ColorAutoCalRpm() const
{
    const int rpm = PeriodToRpm(DeviceRecord.AutoCalValueD);
    return rpm > 2200 && rpm < 2800 ? kColorGood : kColorNormal;
}

int TDataManager::ColorReducerBelowSwitchTemp()
{
    // Raw temperatures fall as the temperature rises.
    return GetSwitchTempThreshold() < DeviceRecord.ReducerTempRaw ? kColorAlert : kColorNormal;
}

int TDataManager::ColorReducerTempAbove88() const
{
    return DeviceRecord.ReducerTempRaw > 88 ? kColorAlert : kColorNormal;
}

int TDataManager::ColorReducerTempAbove67() const
{
    return DeviceRecord.ReducerTempRaw > 67 ? kColorAlert : kColorNormal;
}

int TDataManager::ColorGasTempAbove195() const
{
    return DeviceRecord.GasTempRaw > 195 ? kColorAlert : kColorNormal;
}

int TDataManager::ColorSupplyVoltageLow() const
{
    return DeviceRecord.SupplyVoltageRaw < 132 ? kColorAlert : kColorSupply;
}
