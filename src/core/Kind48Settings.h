#pragma once
// What of a kind-48 device and its settings files depends on the firmware
// version letter, stated once for every reader and writer:
// - Settings: the settings the configuration read takes only from a letter
//   on (an earlier controller holds and answers them too: the configuration
//   window reads, shows and writes those it has controls for on every
//   version, the settings-file save reads them all besides, and the factory
//   write sends the device's own value of those it has no factory value
//   for);
// - FileParts: the parts of a settings file that a letter brings, which the
//   device holds, the save reads and the load writes from that letter on;
// - FileBits: the bits of the bytes held in part (flags a file holds only
//   some of) that a file of a letter holds.
// A file that names no letter holds none of these parts and bits by its
// letter: a load of it leaves those it has no key for as the device holds
// them.

#include <QtGlobal>

#include <cstddef>
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

// The parts of a kind-48 settings file that a version letter brings. A file
// saved from a device at that letter or later holds the part (its writer
// writes it, its reader takes it); a file saved below it does not, and a
// load of it leaves that part as the device holds it: the load reads it from
// the device before it writes, never takes a default for it. The file's own
// version letter decides, not the connected device's.
enum class TFilePart {
    ConfigC1,        // [Config] "RPMWireNotConnect", "PreinjectionProcessDuringCutOff"
    IdleModel,       // [Model] "UseOnIdleModel"
    ConfigC2,        // [Config] the heating, overlap and low-temperature keys
    CorrectionTypes, // [Model] "TgasCorType", "RPMCorType"
    ConfigD1,        // [Config] "MinPressDuringCuttOffForPreinjections", "Tgas<&Load_Lval"
    GasInjCorr,      // [GasInjCorr] the gas injector corrections
    ConfigD2,        // [Config] adaptation, idle correction, "Markers"
    MapRows,         // [Map] the map rows ("MapQ3_i_j")
    ConfigF,         // [Config] the cut-off enrichment keys
    PcolCurve,       // [Model] "CPCOL1".."CPCOL20", the manifold-pressure curve
    ConfigG,         // [Config] the keys of "G"
    AdaptFlags,      // [MapCorrections] "Model_OBDAdaptCorrConfig" (bits: FileBits)
    AdaptBanks,      // [MapCorrections] the two adaptation banks
    MaxTbForLoad,    // [MapCorrections] "MaxTbForLoad"
    MaxPcolForLoad,  // [MapCorrections] "MaxPcolForLoad"
    ConfigJ,         // [Config] "HotEngineStartOnGas"
};

// What a device or file holds from a version letter on.
template <class T> struct TFromLetter {
    T What;
    char From;
};

// The letter of what in a table of them.
template <class T, size_t N> constexpr char LetterOf(const TFromLetter<T> (&table)[N], T what)
{
    for (const TFromLetter<T> &entry : table)
        if (entry.What == what)
            return entry.From;
    throw "every entry has its letter";
}

inline constexpr TFromLetter<TFilePart> FileParts[] = {
    {TFilePart::ConfigC1, 'C'},        {TFilePart::IdleModel, 'C'},     {TFilePart::ConfigC2, 'C'},
    {TFilePart::CorrectionTypes, 'D'}, {TFilePart::ConfigD1, 'D'},      {TFilePart::GasInjCorr, 'D'},
    {TFilePart::ConfigD2, 'D'},        {TFilePart::MapRows, 'D'},       {TFilePart::ConfigF, 'F'},
    {TFilePart::PcolCurve, 'F'},       {TFilePart::ConfigG, 'G'},       {TFilePart::AdaptFlags, 'G'},
    {TFilePart::AdaptBanks, 'G'},      {TFilePart::MaxTbForLoad, 'G'},  {TFilePart::MaxPcolForLoad, 'I'},
    {TFilePart::ConfigJ, 'J'},
};

// The version letter from which files hold the part.
constexpr char FromOf(TFilePart part) { return LetterOf(FileParts, part); }

// Whether a file of the letter (upper case; 0: a file naming none) holds
// the part.
constexpr bool FileHolds(char letter, TFilePart part) { return letter != 0 && letter >= FromOf(part); }

// The correction pages show the manifold-pressure curve (read it, show it,
// write it) with the adaptation banks, from their letter on. A device from
// the curve's own letter (PcolCurve) holds it earlier: a settings-file load
// reads and sends it there.
inline constexpr TFilePart PcolCurveShownWith = TFilePart::AdaptBanks;

// What else a device holds from a version letter on, beside the settings
// and the parts of a settings file.
enum class THeld {
    IdentityPage6,   // the sixth identity page (255 below the letter)
    AdaptationModel, // the adaptation model's points (read 0x95, written 0x96) and its mode
    Inspection,      // the next inspection (0x56, 0x57) and the change record's computer codes
};

inline constexpr TFromLetter<THeld> HeldParts[] = {
    {THeld::IdentityPage6, 'D'},
    {THeld::AdaptationModel, 'D'},
    {THeld::Inspection, 'G'},
};

// The version letter from which a device holds it.
constexpr char FromOf(THeld what) { return LetterOf(HeldParts, what); }

// Device bytes that file keys hold only in part: from the letter on, a file
// holds the bits given (8: an 8-bit parameter, 12: a model parameter). A
// load sends a bit its file does not hold as the device holds it. The
// configuration windows' writes send a bit they have a control for as the
// control shows it (on every version: see Settings above) and every other
// bit as the device holds it, read with the configuration. The keys of the
// bits are the settings' above and the [Config] groups'.
struct TFileBits {
    int Width;
    uint8_t Id;
    char From;
    quint8 Bits;
};
inline constexpr TFileBits FileBits[] = {
    // The return-to-petrol flags, in every file but the adaptation mode
    // (bit 6), which files hold from "D".
    {8, 31, 'A', 0xBF},
    {8, 31, 'D', 0xFF},
    // The gas temperature sensor's place in the flow; bits 1-7 have no key.
    {8, 32, 'A', 0x01},
    // The idle model's switch and five flags; bits 1 and 7 have no key.
    {8, 37, 'C', 0x7D},
    // Two cut-off flags; bits 2-7 have no key.
    {8, 50, 'F', 0x03},
    // The idle correction's switch, then the flags of "G", then the hot
    // start on gas.
    {8, 52, 'D', 0x40},
    {8, 52, 'G', 0x7F},
    {8, 52, 'J', 0xFF},
    // The adaptation flags; "load from Pcol" (bit 2) is offered from "I".
    {12, 104, 'G', 0xFB},
    {12, 104, 'I', 0xFF},
};

// The bits of the byte a file of the letter holds (0 for none).
constexpr quint8 FileBitsHeld(int width, int id, char letter)
{
    quint8 bits = 0;
    for (const TFileBits &b : FileBits)
        if (b.Width == width && b.Id == id && letter != 0 && letter >= b.From)
            bits = b.Bits;
    return bits;
}

// The letter from which files hold the bit of the byte (0: no file holds
// it).
constexpr char FileBitFrom(int width, int id, quint8 bit)
{
    for (const TFileBits &b : FileBits)
        if (b.Width == width && b.Id == id && (b.Bits & bit))
            return b.From;
    return 0;
}

// The settings of a letter are those its [Config] part of a file holds.
static_assert(FromOf(TFilePart::ConfigD1) == OfKey("Tgas<&Load_Lval").From[0]);
static_assert(FromOf(TFilePart::ConfigF) == OfKey("MazdaEnrichmentPercentage").From[0]);
static_assert(FromOf(TFilePart::ConfigG) == OfKey("HotEngineStartOnGas").From[0]);

} // namespace kind48
