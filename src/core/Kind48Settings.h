#pragma once
// The kind-48 settings that the configuration read takes only from a version
// letter on. A controller of an earlier version holds and answers them too:
// the configuration window reads, shows and writes those it has controls for
// on every version, the settings-file save reads them all besides, and the
// factory write sends the device's own value of those it has no factory
// value for. One entry per setting says all of it.

#include <QtGlobal>

#include <cstdint>
#include <iterator>
#include <string_view>

namespace kind48 {

struct TSetting {
    int Width;        // 8 (read 0x07, written 0x08) or 16 bits (0x51, 0x52)
    uint8_t Id;
    const char *From; // the version letter from which the configuration read takes it
    bool Window;      // the configuration window shows and writes it
    // The values the program offers for it (a list's ends, 0 and 1 for the
    // flags of a byte of flags); a device may hold others, which go back as
    // it holds them.
    qint64 Low, High;
    // Its [Config] keys in a settings file, blank-separated: the value, or
    // the flags of its bits from bit 0 on.
    const char *Keys;
};

// In the order the configuration read takes them.
inline constexpr TSetting Settings[] = {
    {8, 43, "D", true, 0, 100, "Tgas<&Load_Lval"},
    {8, 44, "D", true, 160, 226, "MinPressDuringCuttOffForPreinjections"},
    {16, 18, "F", true, 1000, 3500, "MaxRpmForEnrichmentDuringCutOff"},
    {16, 19, "F", true, 187, 1870, "InjTimeForEnrichmentDuringCutOff"},
    {8, 49, "F", true, -100, 50, "MazdaEnrichmentPercentage"},
    {8, 50, "F", true, 0, 1, "PreinjectionsDuringCutOffForLowRPMEnabled MazdaIgnitionTypeCorrEnabled"},
    {8, 52, "G", true, 0, 1,
     "FlashLubeSupportEnabled CutOffModeActivated AutoToGasOnControlPanelHidden SygnalizeDrivingOnPetrolEnabled "
     "MinGasInjTimeEnabled MaxGasInjTimeEnabled CorrectionForIdleActive HotEngineStartOnGas"},
    {8, 47, "G", false, 0, 255, "IdleHotPcol"},
    {16, 17, "G", false, 0, 65535, "IdleHotRPM"},
    {16, 24, "G", true, 0, 2500, "AfterCutOffEmulSwitchDelay"},
    {16, 25, "G", true, 500, 5000, "OnCutOffDelay"},
    {16, 20, "G", true, 374, 1870, "MinGasInjectionTime"},
    {16, 21, "G", true, 2805, 4675, "MaxGasInjectionTime"},
};
inline constexpr int Count = int(std::size(Settings));

// Whether key is one of the setting's settings-file keys.
constexpr bool HasKey(const TSetting &s, std::string_view key)
{
    std::string_view keys = s.Keys;
    while (!keys.empty()) {
        const size_t end = keys.find(' ');
        if (keys.substr(0, end) == key)
            return true;
        keys = end == std::string_view::npos ? std::string_view() : keys.substr(end + 1);
    }
    return false;
}

// The index of the setting of that width and id, -1 for none.
constexpr int IndexOf(int width, int id)
{
    for (int i = 0; i < Count; ++i)
        if (Settings[i].Width == width && Settings[i].Id == id)
            return i;
    return -1;
}

// The setting a settings-file key belongs to; a key no setting has is not
// a constant expression.
constexpr const TSetting &OfKey(std::string_view key)
{
    for (const TSetting &s : Settings)
        if (HasKey(s, key))
            return s;
    throw "no kind-48 version-gated setting has this key";
}

} // namespace kind48
