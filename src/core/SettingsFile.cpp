#include "core/SettingsFile.h"

#include "core/FileRead.h"
#include "core/IniFile.h"
#include "core/Kind48Settings.h"
#include "core/NumberText.h"
#include "core/UnitConversions.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <tuple>
#include <utility>
#include <unordered_map>
#include <vector>

namespace {

const QString SInfo = QStringLiteral("Info");
const QString SConfig = QStringLiteral("Config");
const QString SModel = QStringLiteral("Model");
const QString SMap = QStringLiteral("Map");
const QString SGasInjCorr = QStringLiteral("GasInjCorr");
const QString SMapCorrections = QStringLiteral("MapCorrections");

// How a key is written and read.
enum class V {
    Int,      // integer both ways
    IntBool,  // written as the integer, read as a boolean
    Bool,     // "1" / "0"; any integer read, non-zero is true
    Bit0,     // "1" / "0"; read as the device's byte (0-255), bit 0 the flag
    Float,    // float both ways
    FloatInt, // written as a float (a whole number), read as an integer
};

struct Key {
    const char *Name;   // key in the file
    const char *Field;  // record field (see RecordFields)
    V Type;
    double Default;
    int Index = 0;      // element of an array field
};

// Keys whose field is an unsigned byte that holds a signed value: written
// signed, read from -128 to 255.
bool SignedByte(const char *name) { return qstrcmp(name, "MazdaEnrichmentPercentage") == 0; }

// [Config] of kinds 20 and 21, in the order written.
const Key ConfigQ3[] = {
    {"InjSW", "InjSW", V::Int, 4}, {"InjHW", "InjHW", V::Int, 4},
    {"EngineType", "EngineType", V::Int, 0},
    {"EngineCubicCapacity", "EngineCubicCapacity", V::Int, 0}, {"Power", "Power", V::Int, 66},
    {"InjSystemType", "InjSystemType", V::Int, 0}, {"IdleHotTb", "IdleHotTb", V::Int, 0},
    {"FuelType", "FuelType", V::IntBool, 0}, {"InjTypeName", "InjTypeName", V::Int, 0},
    {"InjType", "InjType", V::Int, 0}, {"RedType", "RedType", V::Int, 0},
    {"NozzleSize", "NozzleSize", V::Int, 6}, {"RPMsource", "RPMsource", V::Int, 0},
    {"RPMSourceType", "RPMSourceType", V::Bool, 0}, {"ReserveType", "ReserveType", V::Int, 1},
    {"PW0", "PW0", V::Int, 200}, {"PW1", "PW1", V::Int, 143}, {"PW2", "PW2", V::Int, 92},
    {"PW3", "PW3", V::Int, 40}, {"0900", "0900", V::Int, 21}, {"0901", "0901", V::Int, 47},
    {"0902", "0902", V::Int, 61}, {"0903", "0903", V::Int, 72}, {"T", "T", V::FloatInt, 97},
    {"RPM", "RPM", V::Int, 56100}, {"EmulatorSwitchDelay", "EmulatorSwitchDelay", V::Int, 500},
    {"PostValveDelay", "PostValveDelay", V::Int, 1}, {"LowPT", "LowPT", V::Int, 38},
    {"LowPD", "LowPD", V::Int, 5}, {"NoSeqential", "NoSeqential", V::Bool, 0},
    {"SemiGasControl", "SemiGasControl", V::Bool, 0},
    {"MicroInjection", "MicroInjection", V::Bool, 0},
    {"MicroInjectionTime", "MicroInjectionTime", V::Int, 14},
    {"HemiEngine", "HemiEngine", V::Bool, 0}, {"TuningMode", "TuningMode", V::Bool, 0},
    {"MasterMode", "MasterMode", V::Bool, 0}, {"LambdaType", "LambdaType", V::Int, 0},
    {"PressureSensorType", "PressureSensorType", V::Int, 2},
};

// [Config] keys of kinds 20 and 21 written after those above, each from the
// version letter on which the configuration write sends its parameter (""
// for every version; kind 21 only for a letter). A file without one leaves
// the device's own value: older files do not hold them.
struct TLaterKey {
    Key K;
    const char *From;
};
const TLaterKey ConfigQ3Later[] = {
    {{"PetrolInjPlusControl", "PetrolInjPlusControl", V::Bit0, 0}, ""},
    {{"ExternalEmulator", "ExternalEmulator", V::Bit0, 0}, ""},
    {{"AlwaysStartOnGas", "AlwaysStartOnGas", V::Bit0, 0}, "D"},
    {{"RPMWireNotConnect", "RPMWireNotConnect", V::Bool, 0}, "E"},
};

// Whether a kind-20/21 device is sent the parameter of a later key.
bool SentQ3(const TDeviceRecord &rec, const TLaterKey &k)
{
    return !*k.From || (rec.DeviceKind == 21 && rec.Ver.toUpper().compare(QLatin1String(k.From)) >= 0);
}

// [Model] of kinds 20 and 21, in the order written.
const Key ModelQ3[] = {
    {"Mult", "Mult", V::Float, 1.0}, {"Offset", "Offset", V::Float, 1.0},
    {"P1", "P1", V::Int, 5}, {"P2", "P2", V::Int, 10}, {"P3", "P3", V::Int, 15},
    {"P4", "P4", V::Int, 20}, {"E1", "E1", V::Int, 0}, {"E2", "E2", V::Int, 0},
    {"E3", "E3", V::Int, 0}, {"E4", "E4", V::Int, 0},
    {"CorrectionMult", "CorrectionMult", V::Float, 1.0},
    {"CorrectionOffset", "CorrectionOffset", V::Float, 0.0},
    {"CorrectionMask", "CorrectionMask", V::Int, 0},
};

// Two kinds of limit for a [Config] key beyond its record field. What the
// device holds: a value outside refuses the file, as no device of the kind
// can take it (the bit fields of the configuration block, the word settings
// the device limits). What the pages offer in their lists: a file value
// outside is still written (a device reported it when it was read, and a
// restore gives it back); only a default standing in for a missing key
// gives way to the device's own value when it lies outside.
struct TDeviceRange {
    const char *Key;
    qint64 Low, High;
};
const TDeviceRange DeviceRangesQ3[] = {
    {"LambdaType", 0, 15},        {"PressureSensorType", 1, 2},
    {"Power", TSettingsFile::PowerLow, TSettingsFile::PowerHigh},
    {"EngineCubicCapacity", TSettingsFile::CapacityLow, TSettingsFile::CapacityHigh},
    {"IdleHotTb", 0, 65450},      {"ReserveType", 0, 3},
    {"RPMsource", 0, 3},          {"EngineType", 0, 1},
};
// What the device's model words hold, for the [Model] keys the model write
// turns into a 16-bit word as word = (value + Shift) x Scale, rounded: a value
// whose word falls outside Low..High would reach the device cut to it.
struct TModelRange {
    const char *Key;
    double Shift, Scale;
    qint64 Low, High;
    bool Whole; // an integer key: its range is quoted in whole numbers
};
const TModelRange ModelRanges[] = {
    {"P1", 0, 187, 0, 65535, true},           {"P2", 0, 187, 0, 65535, true},
    {"P3", 0, 187, 0, 65535, true},           {"P4", 0, 187, 0, 65535, true},
    {"E1", 100, 40.96, 0, 65535, true},       {"E2", 100, 40.96, 0, 65535, true},
    {"E3", 100, 40.96, 0, 65535, true},       {"E4", 100, 40.96, 0, 65535, true},
    {"Mult", 0, 1024, 0, 65535, false},       {"CorrectionMult", 0, 1024, 0, 65535, false},
    {"Offset", 0, 187, -32768, 32767, false}, {"CorrectionOffset", 0, 187, -32768, 32767, false},
    // The idle model's two points (kind 48), unsigned words of 1/187 ms.
    {"P1X", 0, 187, 0, 65535, false},         {"P1Y", 0, 187, 0, 65535, false},
    {"P2X", 0, 187, 0, 65535, false},         {"P2Y", 0, 187, 0, 65535, false},
};

const TModelRange *FindModelRange(QStringView key)
{
    for (const TModelRange &m : ModelRanges)
        if (key.compare(QLatin1String(m.Key), Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

// The values of the key that fit its word, in the file's units; a whole
// number is the one the device's word reads as (the highest enrichment word
// reads as 1500 %).
std::pair<double, double> ModelValues(const TModelRange &m)
{
    const double low = m.Low / m.Scale - m.Shift, high = m.High / m.Scale - m.Shift;
    return m.Whole ? std::pair(std::nearbyint(low), std::nearbyint(high)) : std::pair(low, high);
}

// A float key's value whose word, rounded, the device holds.
bool FitsModelWord(const TModelRange &m, double value)
{
    const double word = std::nearbyint((value + m.Shift) * m.Scale);
    return word >= double(m.Low) && word <= double(m.High);
}

const TDeviceRange OfferedRangesQ3[] = {
    {"LambdaType", 0, 6},          {"InjTypeName", 0, 31},        {"LowPD", 1, 50},
    {"LowPT", 38, 94},             {"NozzleSize", 15, 40},        {"RedType", 0, 4},
    {"InjSystemType", 0, 3},       {"MicroInjectionTime", 19, 243}, {"PressureSensorType", 1, 2},
    {"EmulatorSwitchDelay", 0, 2500}, {"PostValveDelay", 50, 65000},
};

// The same for kind 48, from the version letter that brings the setting (""
// on every version; below it the device holds no such setting).
struct TMultiRange {
    const char *Key;
    qint64 Low, High;
    const char *From;
};
const TMultiRange DeviceRangesMulti[] = {
    {"LambdaType", 0, 7, ""},  {"ReserveType", 0, 3, ""}, {"RPMsource", 0, 3, ""},
    {"Power", TSettingsFile::PowerLow, TSettingsFile::PowerHigh, ""},
    {"EngineCubicCapacity", TSettingsFile::CapacityLow, TSettingsFile::CapacityHigh, ""},
};
// A version-gated setting's range and letter are those of its kind-48
// description.
constexpr TMultiRange Gated(const char *key)
{
    const kind48::TSetting &s = kind48::OfKey(key);
    return {key, s.Low, s.High, s.From};
}
constexpr TMultiRange OfferedRangesMulti[] = {
    {"LambdaType", 0, 6, ""},           {"InjTypeName", 0, 127, ""},       {"LowPD", 1, 50, ""},
    {"LowPT", 38, 94, ""},              {"NozzleSize", 15, 40, ""},        {"RedType", 0, 4, ""},
    {"InjSystemType", 0, 3, ""},        {"MicroInjectionTime", 19, 243, ""}, {"PressureSensorType", 1, 3, ""},
    {"EmulatorSwitchDelay", 0, 2500, ""}, {"PostValveDelay", 50, 65000, ""}, {"RPM<val", 400, 2000, ""},
    {"RPM>val", 3000, 8000, ""},        {"LoadP>val", 0, 100, ""},         {"Tred<&Load_Lval", 0, 100, ""},
    {"MaxCyclesMixedFuel", 0, 5, ""},   Gated("Tgas<&Load_Lval"),
    Gated("MinGasInjectionTime"), Gated("MaxGasInjectionTime"),
};

template <size_t N> const TDeviceRange *FindRange(const TDeviceRange (&table)[N], QStringView key)
{
    for (const TDeviceRange &d : table)
        if (key.compare(QLatin1String(d.Key), Qt::CaseInsensitive) == 0)
            return &d;
    return nullptr;
}

// A kind-48 range that applies to the device's version, or null.
template <size_t N>
const TMultiRange *FindRange(const TMultiRange (&table)[N], const TDeviceRecord &device, QStringView key)
{
    for (const TMultiRange &d : table)
        if (key.compare(QLatin1String(d.Key), Qt::CaseInsensitive) == 0)
            return *d.From && !RecordIsKind48AtLeast(device, QString::fromLatin1(d.From)) ? nullptr : &d;
    return nullptr;
}

// [Config] of kind 48 written first: "FuelType" .. "ReserveType".
const Key ConfigMultiHead[] = {
    {"FuelType", "FuelType", V::IntBool, 0}, {"InjSW", "InjSW", V::Int, 4},
    {"InjHW", "InjHW", V::Int, 4}, {"EngineCubicCapacity", "EngineCubicCapacity", V::Int, 0},
    {"Power", "Power", V::Int, 66}, {"InjSystemType", "InjSystemType", V::Int, 1},
    {"EngineType", "EngineType", V::Int, 0}, {"NozzleSize", "NozzleSize", V::Int, 20},
    {"InjTypeName", "InjTypeName", V::Int, 0}, {"InjType", "InjType", V::Int, 0},
    {"PressureSensorType", "PressureSensorType", V::Int, 3},
    {"GasTempSensorInFlow", "GasTempSensorInFlow", V::Bool, 1},
    {"ReserveType", "ReserveType", V::Int, 1},
};

// The panel LED and the level-sensor settings, read from the device just
// before they are written.
const Key ConfigMultiLevel[] = {
    {"PanelLED", "PanelLED", V::Bool, 0}, {"PW0", "PW0", V::Int, 200},
    {"PW1", "PW1", V::Int, 143}, {"PW2", "PW2", V::Int, 92}, {"PW3", "PW3", V::Int, 40},
    {"0900", "0900", V::Int, 21}, {"0901", "0901", V::Int, 47}, {"0902", "0902", V::Int, 61},
    {"0903", "0903", V::Int, 72},
};

// The remaining ungated [Config] keys of kind 48 ("RPMsource" twice).
const Key ConfigMultiTail[] = {
    {"RedType", "RedType", V::Int, 0}, {"RPMsource", "RPMsource", V::Int, 0},
    {"RPMSourceType", "RPMSourceType", V::Bool, 0}, {"RPMsource", "RPMsource", V::Int, 0},
    {"WorkPress", "WorkPress", V::Int, 104}, {"IdleHotTb", "IdleHotTb", V::Int, 0},
    {"LambdaType", "LambdaType", V::Int, 0}, {"IdleHotRPM", "IdleHotRPM", V::Int, 0},
    {"IdleHotPcol", "IdleHotPcol", V::Int, 0}, {"T", "T", V::FloatInt, 97},
    {"RisingT", "RisingT", V::Bool, 1}, {"RPM", "RPM", V::Int, 56100},
    {"EmulatorSwitchDelay", "EmulatorSwitchDelay", V::Int, 500},
    {"LowPT", "LowPT", V::Int, 47}, {"LowPD", "LowPD", V::Int, 4},
    {"RPM<", "RPM<", V::Bool, 0}, {"RPM<val", "RPM<val", V::Int, 400},
    {"RPM>", "RPM>", V::Bool, 0}, {"RPM>val", "RPM>val", V::Int, 8000},
    {"LoadP>", "LoadP>", V::Bool, 0}, {"LoadP>val", "LoadP>val", V::Int, 90},
    {"TuningMode", "TuningMode", V::Bool, 0}, {"Tgas<", "Tgas<", V::Bool, 0},
    {"Tgas<val", "Tgas<val", V::Int, 195}, {"NoSeqential", "NoSeqential", V::Bool, 0},
    {"MicroInjection", "MicroInjection", V::Bool, 0},
    {"MicroInjectionTime", "MicroInjectionTime", V::Int, 14},
    {"HemiEngine", "HemiEngine", V::Bool, 0},
    {"PetrolInjPlusControl", "PetrolInjPlusControl", V::Bool, 0},
    {"ExternalEmulator", "ExternalEmulator", V::Bool, 0},
    {"PostValveDelay", "PostValveDelay", V::Int, 1},
    {"SemiGasControl", "SemiGasControl", V::Bool, 0}, {"MasterMode", "MasterMode", V::Bool, 0},
    {"CAP_TIE_enable", "CAP_TIE_enable", V::Bool, 0}, {"PreinjMode", "PreinjMode", V::Bool, 0},
    {"AlWorkOnGas", "AlWorkOnGas", V::Bool, 0},
};

// Gated [Config] keys of kind 48, by the version letter they start with.
const Key ConfigC1[] = {
    {"RPMWireNotConnect", "RPMWireNotConnect", V::Bool, 0},
    {"PreinjectionProcessDuringCutOff", "PreinjectionProcessDuringCutOff", V::Bool, 1},
};
const Key ConfigC2[] = {
    {"GasInjHeating", "GasInjHeating", V::Bool, 0},
    {"MinTredForGasInjHeating", "MinTredForGasInjHeating", V::Int, 156},
    {"FuelOverlap", "FuelOverlap", V::Bool, 0},
    {"MaxCyclesMixedFuel", "MaxCyclesMixedFuel", V::Int, 1},
    {"MaxTimeMixedFuel", "MaxTimeMixedFuel", V::Int, 748},
    {"Tred<&Load", "Tred<&Load", V::Bool, 0},
    {"Tred<&Load_Tredval", "Tred<&Load_Tredval", V::Int, 77},
    {"Tred<&Load_Lval", "Tred<&Load_Lval", V::Int, 50},
};
const Key ConfigD1[] = {
    {"MinPressDuringCuttOffForPreinjections", "MinPressDuringCuttOffForPreinjections", V::Int, 226},
    {"Tgas<&Load_Lval", "Tgas<&Load_Lval", V::Int, 50},
};
const Key ConfigD2[] = {
    {"AdaptationMode", "AdaptationMode", V::Bool, 0},
    {"CorrectionForIdleActive", "CorrectionForIdleActive", V::Bool, 0},
    {"CorrectionForIdle", "CorrectionForIdle", V::Int, 0},
    {"Markers", "DeviceOptions", V::Int, 0},
};
const Key ConfigF[] = {
    {"PreinjectionsDuringCutOffForLowRPMEnabled", "PreinjectionsDuringCutOffForLowRPMEnabled", V::Bool, 0},
    {"InjTimeForEnrichmentDuringCutOff", "InjTimeForEnrichmentDuringCutOff", V::Int, 748},
    {"MaxRpmForEnrichmentDuringCutOff", "MaxRpmForEnrichmentDuringCutOff", V::Int, 2500},
    {"MazdaIgnitionTypeCorrEnabled", "MazdaIgnitionTypeCorrEnabled", V::Bool, 0},
    {"MazdaEnrichmentPercentage", "MazdaEnrichmentPercentage", V::Int, 0},
};
const Key ConfigG[] = {
    {"FlashLubeSupportEnabled", "FlashLubeSupportEnabled", V::Bool, 0},
    {"AutoToGasOnControlPanelHidden", "AutoToGasOnControlPanelHidden", V::Bool, 0},
    {"CutOffModeActivated", "CutOffModeActivated", V::Bool, 0},
    {"AfterCutOffEmulSwitchDelay", "AfterCutOffEmulSwitchDelay", V::Int, 500},
    {"OnCutOffDelay", "OnCutOffDelay", V::Int, 2000},
    {"SygnalizeDrivingOnPetrolEnabled", "SygnalizeDrivingOnPetrolEnabled", V::Bool, 1},
    {"MinGasInjTimeEnabled", "MinGasInjTimeEnabled", V::Bool, 0},
    {"MaxGasInjTimeEnabled", "MaxGasInjTimeEnabled", V::Bool, 0},
    {"MinGasInjectionTime", "MinGasInjectionTime", V::Int, 374},
    {"MaxGasInjectionTime", "MaxGasInjectionTime", V::Int, 3740},
    {"NextInspection", "NextInspection", V::Int, 0},
    {"InspectionTimeDistRatio", "InspectionTimeDistRatio", V::Int, 50},
};
const Key ConfigJ[] = {{"HotEngineStartOnGas", "HotEngineStartOnGas", V::Bool, 0}};

// [Info] key of a file whose save read the idle RPM and manifold pressure
// also from a device below "G".
const char *const IdleHotKey = "IdleHotRead";

// [Model] head of kind 48.
const Key ModelMultiHead[] = {
    {"Mult", "Mult", V::Float, 1.0}, {"Offset", "Offset", V::Float, 1.0},
    {"CorrectionMult", "CorrectionMult", V::Float, 1.0},
    {"CorrectionOffset", "CorrectionOffset", V::Float, 0.0},
    {"CorrectionMask", "CorrectionMask", V::Int, 0},
};
const Key NozzleKeys[] = {
    {"P1X", "NozzleTest", V::Float, 3.0, 0}, {"P1Y", "NozzleTest", V::Float, 4.0, 1},
    {"P2X", "NozzleTest", V::Float, 6.0, 2}, {"P2Y", "NozzleTest", V::Float, 7.0, 3},
};

constexpr std::array<qint8, 20> kPsys{102, 80, 60, 47, 33, 23, 15, 9, 0, -6,
                                      -10, -12, -16, -18, -22, -24, -26, -28, -31, -32};
constexpr std::array<qint8, 20> kTgasInFlow{-14, -12, -10, -9, -8, -5, -4, -2, -1, 0,
                                            1, 1, 1, 2, 2, 2, 3, 3, 4, 5};
constexpr std::array<qint8, 20> kTgasOutside{-6, -6, -5, -5, -4, -4, -3, -3, -2, -1,
                                             0, 1, 1, 2, 2, 2, 3, 3, 4, 5};
constexpr std::array<qint8, 20> kRpm{0, 0, 0, 0, 0, 0, 1, 2, 3, 4,
                                     5, 8, 10, 11, 12, 13, 14, 15, 16, 17};

// The record field of a name of the tables above; the names are literals,
// so their addresses key the lookups made once.
const TRecordField &FieldOf(const char *name)
{
    static std::unordered_map<const char *, const TRecordField *> found;
    auto it = found.find(name);
    if (it == found.end())
        it = found.emplace(name, FindRecordField(QString::fromLatin1(name))).first;
    Q_ASSERT(it->second);
    return *it->second;
}

// The 8-bit ids of the kind-48 bytes that files hold in part.
std::vector<int> BytesHeldInPart()
{
    std::vector<int> ids;
    for (const kind48::TFileBits &b : kind48::FileBits)
        if (b.Width == 8 && std::find(ids.begin(), ids.end(), b.Id) == ids.end())
            ids.push_back(b.Id);
    return ids;
}

// The bit of the device's byte (8-bit id) that a flag field stands for, 0
// for none: the record's own rule for the byte, asked with the flag clear
// and set.
quint8 FlagBit(const TDeviceRecord &device, int id, const TRecordField &f)
{
    if (!f.SetInt || f.Length != 1)
        return 0;
    TDeviceRecord probe = device;
    quint8 clear = 0, set = 0;
    f.SetInt(probe, 0, 0);
    Parameter8Value(probe, id, clear);
    f.SetInt(probe, 0, 1);
    Parameter8Value(probe, id, set);
    return clear ^ set;
}

// The values a field of the type holds.
void RangeOf(TFieldType type, qint64 &low, qint64 &high)
{
    switch (type) {
    case TFieldType::U8: low = 0; high = 255; break;
    case TFieldType::I8: low = -128; high = 127; break;
    case TFieldType::U16: low = 0; high = 65535; break;
    case TFieldType::I16: low = -32768; high = 32767; break;
    default: low = -32768; high = 65535; break; // 32-bit fields carry 16-bit device values
    }
}

QString Indexed(const char *prefix, int i) { return QLatin1String(prefix) + QString::number(i); }

class TWriter {
public:
    TWriter(TIniFile &ini, const TDeviceRecord &rec, QChar point) : FIni(ini), FRec(rec), FPoint(point) {}

    void Int(const QString &section, const QString &key, qint64 value)
    {
        FIni.WriteString(section, key, QString::number(value));
    }

    void Put(const QString &section, const Key &k)
    {
        const TRecordField &f = FieldOf(k.Field);
        const QString key = QLatin1String(k.Name);
        switch (k.Type) {
        case V::Float:
            FIni.WriteString(section, key, TSettingsFile::FormatFloat(f.GetFloat(FRec, k.Index), FPoint));
            return;
        case V::Bool:
        case V::Bit0:
            FIni.WriteString(section, key, f.GetInt(FRec, k.Index) ? QStringLiteral("1") : QStringLiteral("0"));
            return;
        default: {
            qint64 v = f.GetInt(FRec, k.Index);
            if (SignedByte(k.Name))
                v = qint8(quint8(v));
            Int(section, key, v);
            return;
        }
        }
    }

    template <size_t N> void Put(const QString &section, const Key (&keys)[N])
    {
        for (const Key &k : keys)
            Put(section, k);
    }

    TIniFile &FIni;
    const TDeviceRecord &FRec;
    QChar FPoint;
};

// Why a value given for a key was refused, as the key of its text: not a
// number, not a whole number for a whole-number key, a number too close to
// zero to be read, or a number outside what the device accepts. Never
// "outside" for a number within the range: the reason is taken from the
// text, the range check from the caller.
const char *RefusalReason(const QString &text, bool whole)
{
    double v = 0;
    int beyond = 0;
    if (NumberText::ParseFileNumber(text, v, &beyond))
        return whole && std::trunc(v) != v ? "strSetFileNotWhole" : "strSetFileValue";
    if (beyond > 0)
        return "strSetFileValue";
    if (beyond < 0)
        return whole ? "strSetFileNotWhole" : "strSetFileTooSmall";
    // Hexadecimal: a whole number.
    qint64 i = 0;
    bool tooLarge = false;
    if (whole && (TSettingsFile::ParseInteger(text, i, &tooLarge) || tooLarge))
        return "strSetFileValue";
    return "strSetFileNotNumber";
}

const QString &MapKey(int row, int word);

class TReader {
public:
    TReader(const TIniFile &ini, TDeviceRecord &rec) : FIni(ini), FRec(rec) {}

    // The integer of a key: false (value = def) when missing or empty. A
    // value that is no whole number (text, a fraction, a number too long to
    // be held) or one outside low..high refuses the file: the default
    // written over the device's value would change it unasked. flag: the
    // key holds a flag (the device takes 0 and 1).
    bool Integer(const QString &section, const QString &key, qint64 low, qint64 high, qint64 def,
                 qint64 &value, bool flag = false)
    {
        value = def;
        // A missing key reads as empty text.
        const QString text = FIni.ReadString(section, key);
        if (text.trimmed().isEmpty())
            return false;
        qint64 v = 0;
        if (!TSettingsFile::ParseInteger(text, v) || v < low || v > high) {
            RefuseRange(key, text, flag ? 0 : low, flag ? 1 : high);
            return false;
        }
        value = v;
        return true;
    }

    // Refuses the key quoting what the device holds for it, when the kind's
    // table knows, else low..high.
    void RefuseRange(const QString &key, const QString &text, qint64 low, qint64 high)
    {
        if (DeviceRange)
            DeviceRange(key, low, high);
        Refuse(key, text, double(low), double(high), RefusalReason(text, true));
    }

    double Float(const QString &section, const QString &key, double def)
    {
        double v = def;
        const QString text = FIni.ReadString(section, key);
        if (text.trimmed().isEmpty())
            return def;
        const bool parsed = TSettingsFile::ParseFloat(text, v);
        const TModelRange *m = section == SModel ? FindModelRange(key) : nullptr;
        if (!parsed || !std::isfinite(v) || std::fabs(v) > 1e6 || (m && !FitsModelWord(*m, v))) {
            if (m)
                RefuseModel(key, text, *m);
            else
                Refuse(key, text, -1e6, 1e6, RefusalReason(text, false));
            return def;
        }
        return v;
    }

    // Refuses a model key quoting what its word holds, in the file's units.
    void RefuseModel(const QString &key, const QString &text, const TModelRange &m)
    {
        const auto [low, high] = ModelValues(m);
        Refuse(key, text, low, high, RefusalReason(text, m.Whole));
    }

    void Get(const QString &section, const Key &k, double def)
    {
        const TRecordField &f = FieldOf(k.Field);
        const QString key = QLatin1String(k.Name);
        if (k.Type == V::Float) {
            f.SetFloat(FRec, k.Index, Float(section, key, def));
            return;
        }
        qint64 v = 0;
        if (k.Type == V::Bit0) {
            // The flag is bit 0 of the device's byte, as the device keeps it.
            Integer(section, key, 0, 255, def != 0, v);
            f.SetInt(FRec, k.Index, v & 1);
            return;
        }
        if (k.Type == V::Bool || k.Type == V::IntBool) {
            Integer(section, key, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(),
                    def != 0, v, true);
            f.SetInt(FRec, k.Index, v != 0 ? 1 : 0);
            return;
        }
        qint64 low, high;
        RangeOf(f.Type, low, high);
        if (SignedByte(k.Name))
            low = -128;
        if (const TModelRange *m = section == SModel ? FindModelRange(key) : nullptr) {
            // The whole numbers the device's model word holds.
            const auto [wordLow, wordHigh] = ModelValues(*m);
            low = std::max(low, qint64(wordLow));
            high = std::min(high, qint64(wordHigh));
        }
        Integer(section, key, low, high, qint64(def), v);
        f.SetInt(FRec, k.Index, v);
    }
    void Get(const QString &section, const Key &k) { Get(section, k, k.Default); }

    template <size_t N> void Get(const QString &section, const Key (&keys)[N])
    {
        for (const Key &k : keys)
            Get(section, k);
    }

    // An integer of a field element, checked against the field's range.
    qint64 Element(const QString &section, const QString &key, const char *field, int index, qint64 def)
    {
        const TRecordField &f = FieldOf(field);
        qint64 low, high, v = 0;
        RangeOf(f.Type, low, high);
        Integer(section, key, low, high, def, v);
        f.SetInt(FRec, index, v);
        return v;
    }

    // Before anything is sent, a [Config] key the device limits: a default
    // standing in for a missing key that the pages do not offer (offered
    // set, value outside it) gives way to the device's own value, which the
    // device holds; a value from the file outside what the device holds
    // (limited set) refuses the file.
    bool FitsDevice(const char *name, const std::optional<std::pair<qint64, qint64>> &limited,
                    const std::optional<std::pair<qint64, qint64>> &offered, const TDeviceRecord &device)
    {
        const QString key = QLatin1String(name);
        const TRecordField &f = FieldOf(name);
        const qint64 v = f.GetInt(FRec, 0);
        const QString text = FIni.ReadString(SConfig, key);
        qint64 given = 0;
        const bool fromFile = FIni.ValueExists(SConfig, key) && TSettingsFile::ParseInteger(text, given);
        if (!fromFile && offered && (v < offered->first || v > offered->second)) {
            f.SetInt(FRec, 0, f.GetInt(device, 0));
            return true;
        }
        if (!limited || (v >= limited->first && v <= limited->second))
            return true;
        Refuse(key, fromFile ? text : QString::number(v), double(limited->first), double(limited->second),
               "strSetFileValue");
        return false;
    }

    // Model points the file gives when [Model] holds "M2XP1": each missing
    // one below 7 on the line of the multiplier and offset read, 65535 from
    // 7 on.
    void ModelPoints(TSettingsLoad &load)
    {
        load.HasModelPoints = FIni.ValueExists(SModel, QStringLiteral("M2XP1"));
        if (!load.HasModelPoints)
            return;
        // Each coordinate is a 16-bit word of the device.
        auto coordinate = [this](const QString &key, int index, qint64 def) {
            qint64 v = 0;
            Integer(SModel, key, 0, 65535, def, v);
            FieldOf("ModelPointsA").SetInt(FRec, index, v);
        };
        for (int i = 0; i < TDeviceRecord::ModelPointCount; ++i) {
            const qint64 y = i < 7 ? qint64(std::nearbyint(5.0 * i * FRec.Mult + FRec.Offset)) : 65535;
            coordinate(Indexed("M2XP", i), i * 2, i < 7 ? 5 * i : 65535);
            coordinate(Indexed("M2YP", i), i * 2 + 1, std::clamp<qint64>(y, 0, 65535));
        }
    }

    // Word 0 of the map rows ([Map] "MapQ3_i_0"), each a 16-bit device
    // word: a cell the file lacks is 0, any other value refuses the file.
    void MapCells(TSettingsLoad &load)
    {
        load.HasMapPoints = TSettingsFile::HoldsMapPoints(FIni);
        for (int i = 0; i < TDeviceRecord::MapRowCount; ++i) {
            qint64 v = 0;
            Integer(SMap, MapKey(i, 0), 0, 65535, 0, v);
            load.MapWord0[i] = quint16(v);
        }
    }

    // The model values a page reads from the file, within what it shows:
    // each given value within its range, the points it draws rising in x.
    void FitsPage(const TPageLimits &page, const TSettingsLoad &load)
    {
        for (const TPageLimits::TRange &range : page.Ranges) {
            const QString text = FIni.ReadString(SModel, range.Key);
            const double v = ModelField(range.Key);
            if (!text.trimmed().isEmpty() && (v < range.Low || v > range.High))
                Refuse(range.Key, text, range.Low, range.High, "strSetFilePageRange");
        }
        if (page.CurveMaxX <= 0 || !load.HasModelPoints)
            return;
        int last = -1;
        for (int i = 0; i < TDeviceRecord::ModelPointCount; ++i) {
            const int x = FRec.ModelPointsA[i].X;
            if (x > page.CurveMaxX)
                continue;
            if (x <= last) {
                const QString key = Indexed("M2XP", i);
                Refuse(key, FIni.ReadString(SModel, key, QString::number(x)), last + 1, 65535, "strSetFilePageRange");
                return;
            }
            last = x;
        }
    }

    // The record's value of a [Model] key of either key set.
    double ModelField(const QString &key) const
    {
        auto find = [&key](const auto &keys) -> const Key * {
            for (const Key &k : keys)
                if (key.compare(QLatin1String(k.Name), Qt::CaseInsensitive) == 0)
                    return &k;
            return nullptr;
        };
        const Key *k = find(ModelQ3);
        if (!k)
            k = find(ModelMultiHead);
        Q_ASSERT(k);
        if (!k)
            return 0;
        const TRecordField &f = FieldOf(k->Field);
        return f.Type == TFieldType::F64 ? f.GetFloat(FRec, k->Index) : double(f.GetInt(FRec, k->Index));
    }

    // The refusal of a key's value, quoting the values taken (low .. high)
    // as the user reads numbers.
    void Refuse(const QString &key, const QString &text, double low, double high, const char *reason)
    {
        if (!FError.Detail.isNull())
            return;
        FError.Detail = key + QLatin1Char('=') + text;
        FError.Reason = QLatin1String(reason);
        FError.Args = {key, text, TSettingsFile::FormatBound(low, true), TSettingsFile::FormatBound(high, false)};
    }

    const TIniFile &FIni;
    TDeviceRecord &FRec;
    TSettingsError FError;
    // What the device holds for a key (false: the kind's table names none).
    std::function<bool(const QString &, qint64 &, qint64 &)> DeviceRange;
};

void WriteInfo(TIniFile &ini, const TDeviceRecord &rec, const TSettingsInfo &info)
{
    ini.WriteString(SInfo, QStringLiteral("SaveDate"), info.SaveDate);
    ini.WriteString(SInfo, QStringLiteral("Ver"), info.Ver);
    ini.WriteString(SInfo, QStringLiteral("CompTime"), rec.CompTime);
    ini.WriteString(SInfo, QStringLiteral("CompDate"), rec.CompDate);
    ini.WriteString(SInfo, QStringLiteral("SoftVer"), info.SoftVer);
}

void EraseSections(TIniFile &ini)
{
    for (const QString &s : {SInfo, SConfig, SModel, SMap, SGasInjCorr, SMapCorrections})
        ini.EraseSection(s);
}

// The names of the map and adaptation-bank keys, made once: a file holds
// hundreds of them, read and written on every load and save.
const QString &MapKey(int row, int word)
{
    static const auto names = [] {
        std::array<std::array<QString, 3>, TDeviceRecord::MapRowCount> n;
        for (int r = 0; r < TDeviceRecord::MapRowCount; ++r)
            for (int w = 0; w < 3; ++w)
                n[size_t(r)][size_t(w)] = QStringLiteral("MapQ3_%1_%2").arg(r).arg(w);
        return n;
    }();
    return names[size_t(row)][size_t(word)];
}

const QString &BankKey(int bank, int row, int column)
{
    static const auto names = [] {
        std::array<QString, 200> n;
        for (int i = 0; i < 200; ++i)
            n[size_t(i)] = QStringLiteral("AdaptCorrectionsBank%1_%2_%3").arg(i / 100 + 1).arg(i / 10 % 10).arg(i % 10);
        return n;
    }();
    return names[size_t(bank * 100 + row * 10 + column)];
}

template <size_t N>
const TDeviceRange *FindRange(const TDeviceRange (&table)[N], const TDeviceRecord &, QStringView key)
{
    return FindRange(table, key);
}
template <class R> std::optional<std::pair<qint64, qint64>> RangeIn(const R *d)
{
    return d ? std::optional(std::pair(d->Low, d->High)) : std::nullopt;
}

// Every key either table names, checked on the record read (the variant's
// own settings only, as holds says); false on the first refusal.
template <class R, size_t N, size_t M, class Holds>
bool CheckDeviceRanges(TReader &r, const TDeviceRecord &device, const R (&limited)[N], const R (&offered)[M],
                       Holds holds)
{
    auto check = [&](const char *key) {
        return !holds(key)
               || r.FitsDevice(key, RangeIn(FindRange(limited, device, QString::fromLatin1(key))),
                               RangeIn(FindRange(offered, device, QString::fromLatin1(key))), device);
    };
    for (const R &d : limited)
        if (!check(d.Key))
            return false;
    for (const R &d : offered)
        if (!FindRange(limited, device, QString::fromLatin1(d.Key)) && !check(d.Key))
            return false;
    return true;
}

} // namespace

bool TSettingsFile::ModelKeyRange(const QString &key, double &low, double &high)
{
    const TModelRange *m = FindModelRange(key);
    if (m)
        std::tie(low, high) = ModelValues(*m);
    return m;
}

bool TSettingsFile::ModelKeyFits(const QString &key, double value)
{
    const TModelRange *m = FindModelRange(key);
    return m && std::isfinite(value) && FitsModelWord(*m, value);
}

const std::array<qint8, 20> &TSettingsFile::StandardPsys() { return kPsys; }
const std::array<qint8, 20> &TSettingsFile::StandardTgas(bool sensorInFlow)
{
    return sensorInFlow ? kTgasInFlow : kTgasOutside;
}
const std::array<qint8, 20> &TSettingsFile::StandardRpm() { return kRpm; }

bool TSettingsFile::ParseInteger(const QString &text, qint64 &value, bool *tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(u'-') || t.startsWith(u'+')) {
        negative = t.startsWith(u'-');
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    } else if (t.startsWith(u'$')) {
        base = 16;
        t.remove(0, 1);
    }
    if (t.isEmpty())
        return false;
    bool digits = true;
    for (QChar c : t)
        if (!(c.isDigit() || (base == 16 && QStringLiteral("abcdefABCDEF").contains(c))) || c.unicode() > 127)
            digits = false;
    if (!digits) {
        // A whole number in another form ("1600.0", "1e3") is that number;
        // a fraction is not an integer.
        double v = 0;
        int beyond = 0;
        if (base != 10 || !NumberText::ParseFileNumber(text, v, &beyond)) {
            if (tooLarge)
                *tooLarge = beyond > 0;
            return false;
        }
        if (std::fabs(v) >= 9223372036854775808.0) {
            if (tooLarge)
                *tooLarge = true;
            return false;
        }
        if (std::trunc(v) != v)
            return false;
        value = qint64(v);
        return true;
    }
    bool ok = false;
    const qint64 v = t.toLongLong(&ok, base);
    if (!ok) {
        // Digits only: a number beyond 64 bits, which no field takes.
        if (tooLarge)
            *tooLarge = true;
        return false;
    }
    value = negative ? -v : v;
    return true;
}

bool TSettingsFile::ParseFloat(const QString &text, double &value, bool *tooLarge)
{
    int beyond = 0;
    double v = 0;
    const bool ok = NumberText::ParseFileNumber(text, v, &beyond);
    if (tooLarge)
        *tooLarge = beyond > 0;
    if (ok)
        value = v;
    return ok;
}

QString TSettingsFile::FormatBound(double value, bool low)
{
    // Rounded inwards, so that the bound quoted is itself taken: 63.999 (the
    // highest multiplier) reads "63.99", never "64.00".
    const double scale = std::pow(10.0, BoundDecimals);
    double steps = low ? std::ceil(value * scale - 1e-6) : std::floor(value * scale + 1e-6);
    if (steps == 0)
        steps = 0; // no "-0"
    // Without trailing zeros: as many decimals as the bound has.
    int decimals = BoundDecimals;
    for (double whole = steps; decimals > 0 && std::fmod(whole, 10.0) == 0; whole /= 10.0)
        --decimals;
    return FormatDecimals(steps / scale, decimals);
}

QString TSettingsFile::FormatRange(double low, double high)
{
    // U+00A0 keeps the dash to its bounds; U+2060 (word joiner) forbids the
    // break a line may otherwise take after a dash.
    return FormatBound(low, true) + QStringLiteral("\u00A0-\u2060\u00A0") + FormatBound(high, false);
}

QString TSettingsFile::RangeRefusal(const QString &field, const QString &sentence, double low, double high)
{
    QString name = field.trimmed();
    if (name.endsWith(u':'))
        name.chop(1);
    return QStringLiteral("%1: %2 %3").arg(name.trimmed(), sentence, FormatRange(low, high));
}

QString TSettingsFile::FormatFloat(double value, QChar decimalPoint)
{
    QString text = QString::number(value, 'g', 15);
    if (decimalPoint != u'.')
        text.replace(u'.', decimalPoint);
    return text;
}

void TSettingsFile::FillMapGaps(std::array<TMapRow, TDeviceRecord::MapRowCount> &rows)
{
    for (TMapRow &row : rows)
        if (row[1] & 0x8000)
            row[0] = quint16(((quint32(row[1]) + quint32(row[2])) >> 1) | 0x8000);
}

void TSettingsFile::WriteQ3(TIniFile &ini, const TDeviceRecord &rec, const TSettingsInfo &info,
                            QChar decimalPoint)
{
    EraseSections(ini);
    WriteInfo(ini, rec, info);
    TWriter w(ini, rec, decimalPoint);
    w.Put(SConfig, ConfigQ3);
    for (const TLaterKey &k : ConfigQ3Later)
        if (SentQ3(rec, k))
            w.Put(SConfig, k.K);
    w.Put(SModel, ModelQ3);
}

void TSettingsFile::WriteMulti(TIniFile &ini, const TDeviceRecord &rec, const TSettingsInfo &info,
                               QChar decimalPoint)
{
    EraseSections(ini);
    WriteInfo(ini, rec, info);
    TWriter w(ini, rec, decimalPoint);
    w.Put(SConfig, ConfigMultiHead);
    w.Put(SConfig, ConfigMultiLevel);
    w.Put(SConfig, ConfigMultiTail);

    w.Put(SModel, ModelMultiHead);
    for (int i = 0; i < TDeviceRecord::ModelPointCount; ++i) {
        w.Int(SModel, Indexed("M2XP", i), rec.ModelPointsA[i].X);
        w.Int(SModel, Indexed("M2YP", i), rec.ModelPointsA[i].Y);
    }
    w.Int(SModel, QStringLiteral("CMActive"), rec.CMActive);
    for (int i = 0; i < TDeviceRecord::CorrectionPointCount; ++i) {
        w.Int(SModel, Indexed("CPS", i + 1), rec.PsysCorrections[i]);
        w.Int(SModel, Indexed("CTG", i + 1), rec.TgasCorrections[i]);
        w.Int(SModel, Indexed("CRPM", i + 1), rec.RpmCorrections[i]);
    }
    w.Put(SModel, NozzleKeys);
    w.Int(SMap, QStringLiteral("MapRPMRange"), rec.MapRPMRange);

    // The parts a version letter brings, each from its letter on.
    using kind48::TFilePart;
    const auto holds = [&rec](TFilePart part) {
        return RecordIsKind48AtLeast(rec, QString(QLatin1Char(kind48::FromOf(part))));
    };
    if (holds(TFilePart::ConfigC1))
        w.Put(SConfig, ConfigC1);
    if (holds(TFilePart::IdleModel))
        w.Int(SModel, QStringLiteral("UseOnIdleModel"), rec.UseOnIdleModel ? 1 : 0);
    if (holds(TFilePart::ConfigC2))
        w.Put(SConfig, ConfigC2);
    if (holds(TFilePart::CorrectionTypes)) {
        w.Int(SModel, QStringLiteral("TgasCorType"), rec.TgasCorType);
        w.Int(SModel, QStringLiteral("RPMCorType"), rec.RPMCorType);
    }
    if (holds(TFilePart::ConfigD1))
        w.Put(SConfig, ConfigD1);
    if (holds(TFilePart::GasInjCorr))
        for (int i = 0; i < TDeviceRecord::ChannelCount; ++i)
            w.Int(SGasInjCorr, Indexed("InjCorr", i + 1), rec.GasInjCorrTable[i]);
    if (holds(TFilePart::ConfigD2))
        w.Put(SConfig, ConfigD2);
    if (holds(TFilePart::MapRows)) {
        auto rows = rec.MapRows;
        FillMapGaps(rows);
        for (int i = 0; i < TDeviceRecord::MapRowCount; ++i)
            for (int j = 0; j < 3; ++j)
                w.Int(SMap, MapKey(i, j), rows[i][j]);
    }
    if (holds(TFilePart::ConfigF))
        w.Put(SConfig, ConfigF);
    if (holds(TFilePart::PcolCurve))
        for (int i = 0; i < TDeviceRecord::CorrectionPointCount; ++i)
            w.Int(SModel, Indexed("CPCOL", i + 1), rec.PcolCorrections[i]);
    if (holds(TFilePart::ConfigG))
        w.Put(SConfig, ConfigG);
    if (holds(TFilePart::AdaptFlags))
        w.Int(SMapCorrections, QStringLiteral("Model_OBDAdaptCorrConfig"), rec.MapCorrections);
    if (holds(TFilePart::AdaptBanks))
        for (int bank = 0; bank < 2; ++bank)
            for (int row = 0; row < 10; ++row)
                for (int column = 0; column < 10; ++column)
                    w.Int(SMapCorrections, BankKey(bank, row, column), rec.AdaptBanks[bank][row][column]);
    if (holds(TFilePart::MaxTbForLoad))
        w.Int(SMapCorrections, QStringLiteral("MaxTbForLoad"), rec.MaxTbForLoad);
    if (holds(TFilePart::MaxPcolForLoad))
        w.Int(SMapCorrections, QStringLiteral("MaxPcolForLoad"), rec.MaxPcolForLoad);
    if (holds(TFilePart::ConfigJ))
        w.Put(SConfig, ConfigJ);
    // Below the letter whose configuration read takes them, the save has
    // read the idle RPM and manifold pressure besides, which a file saved
    // without that read does not say.
    if (!RecordIsKind48AtLeast(rec, QString::fromLatin1(kind48::OfKey("IdleHotRPM").From)))
        ini.WriteString(SInfo, QLatin1String(IdleHotKey), QStringLiteral("1"));
}

bool TSettingsFile::HoldsDeviceIdleHot(const TIniFile &ini)
{
    const QChar letter = FileVersionLetter(ini);
    return (!letter.isNull() && letter.unicode() >= uchar(kind48::OfKey("IdleHotRPM").From[0]))
           || ini.ReadString(SInfo, QLatin1String(IdleHotKey)).trimmed() == QLatin1String("1");
}

QString TSettingsFile::FileVersionText(const TIniFile &ini)
{
    const QByteArray bytes = ini.ReadBytes(SInfo, QStringLiteral("Ver"));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? ini.ReadString(SInfo, QStringLiteral("Ver")) : text;
}

TSettingsFile::TVersion TSettingsFile::FileVersion(const TIniFile &ini)
{
    const QString ver = FileVersionText(ini);
    qsizetype run = 0;
    while (run < ver.size() && ver.at(run) >= u'0' && ver.at(run) <= u'9')
        ++run;
    TVersion v;
    // A digit of another script where the kind code's digits run: the
    // version cannot be read, whatever digits stand before it.
    if (run < ver.size() && ver.at(run).isDigit()) {
        v.Unreadable = true;
        return v;
    }
    if (run < 2)
        return v;
    v.Kind = ver.mid(run - 2, 2);
    const QChar letter = run < ver.size() ? ver.at(run) : QChar();
    if (letter.unicode() < 128 && letter.isLetter())
        v.Letter = letter.toUpper();
    return v;
}

bool TSettingsFile::AcceptsVersion(const TIniFile &ini, const QStringList &codes)
{
    const QString kind = VersionCode(ini);
    return !kind.isNull() && codes.contains(kind);
}

TSettingsError TSettingsFile::Open(const QString &path, bool multi, TIniFile &ini)
{
    // Only a regular file of a settings file's size is read; a missing file
    // reads as empty and is refused below with its reason.
    const TFileRead read = ReadRegularFile(path, TIniFile::MaxFileSize);
    ini.SetFileName(path);
    ini.SetCodePage(TIniFile::LanguageCodePage());
    TSettingsError e;
    if (!read.Ok() && read.Result != TFileRead::Status::NotFound) {
        // Refused also without a reason of the system's (a FIFO, a folder).
        e.Detail = read.Result == TFileRead::Status::TooLarge ? QFileInfo(path).fileName() : read.SystemError;
        if (e.Detail.isNull())
            e.Detail = QStringLiteral("");
        e.Reason = QStringLiteral("%1");
        e.Args = {read.Describe(path, TIniFile::MaxFileSize)};
        return e;
    }
    e = Check(read.Bytes, multi, ini);
    if (e.Failed() && read.Result == TFileRead::Status::NotFound) {
        e.Reason = QStringLiteral("%1");
        e.Args = {read.Describe(path, TIniFile::MaxFileSize)};
    }
    return e;
}

TSettingsError TSettingsFile::Check(const QByteArray &bytes, bool multi, TIniFile &ini)
{
    ini.LoadFromBytes(bytes);
    TSettingsError e;
    // Text where the kind code belongs is no device's version at all, not
    // the version of another kind of device (Explain tells them apart).
    if (!AcceptsVersion(ini, multi ? CodesMulti() : CodesQ3())) {
        const QString kind = VersionCode(ini);
        e.Detail = kind.isNull() ? QStringLiteral("") : kind;
    }
    if (!e.Failed())
        e = CheckBytes(bytes);
    if (!e.Failed())
        e = CheckComplete(ini, multi);
    if (e.Failed())
        Explain(bytes, ini, e);
    return e;
}

TSettingsError TSettingsFile::CheckBytes(const QByteArray &bytes)
{
    TSettingsError e;
    if (bytes.contains('\0'))
        e.Detail = QStringLiteral("NUL");
    else if (!bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
        e.Detail = QString::fromLatin1(bytes.mid(bytes.lastIndexOf('\n') + 1).left(40)).trimmed() + QStringLiteral("...");
    return e;
}

namespace {

// The field of a key, from one record into another.
void CopyKey(const Key &k, const TDeviceRecord &from, TDeviceRecord &to)
{
    const TRecordField &f = FieldOf(k.Field);
    if (f.Type == TFieldType::F64)
        f.SetFloat(to, k.Index, f.GetFloat(from, k.Index));
    else
        f.SetInt(to, k.Index, f.GetInt(from, k.Index));
}

} // namespace

void TSettingsFile::CopyFileFields(const TDeviceRecord &from, TDeviceRecord &to, bool multi)
{
    auto copyAll = [&](const auto &keys) {
        for (const Key &k : keys)
            CopyKey(k, from, to);
    };
    if (!multi) {
        copyAll(ConfigQ3);
        for (const TLaterKey &k : ConfigQ3Later)
            CopyKey(k.K, from, to);
        copyAll(ModelQ3);
        return;
    }
    CopyConfigurationFields(from, to);
    copyAll(ModelMultiHead);
    to.ModelPointsA = from.ModelPointsA;
    to.CMActive = from.CMActive;
    to.PsysCorrections = from.PsysCorrections;
    to.TgasCorrections = from.TgasCorrections;
    to.RpmCorrections = from.RpmCorrections;
    to.PcolCorrections = from.PcolCorrections;
    to.NozzleTest = from.NozzleTest;
    to.MapRPMRange = from.MapRPMRange;
    to.UseOnIdleModel = from.UseOnIdleModel;
    to.TgasCorType = from.TgasCorType;
    to.RPMCorType = from.RPMCorType;
    to.MapCorrections = from.MapCorrections;
    to.AdaptBanks = from.AdaptBanks;
    to.MaxTbForLoad = from.MaxTbForLoad;
    to.MaxPcolForLoad = from.MaxPcolForLoad;
}

void TSettingsFile::CopyConfigurationFields(const TDeviceRecord &from, TDeviceRecord &to)
{
    const auto copyAll = [&](const auto &keys) {
        for (const Key &k : keys)
            CopyKey(k, from, to);
    };
    copyAll(ConfigMultiHead);
    copyAll(ConfigMultiLevel);
    copyAll(ConfigMultiTail);
    copyAll(ConfigC1);
    copyAll(ConfigC2);
    copyAll(ConfigD1);
    copyAll(ConfigD2);
    copyAll(ConfigF);
    copyAll(ConfigG);
    copyAll(ConfigJ);
}

bool TSettingsFile::HoldsMapPoints(const TIniFile &ini)
{
    for (int i = 0; i < TDeviceRecord::MapRowCount; ++i)
        if (ini.ValueExists(SMap, MapKey(i, 0)))
            return true;
    return false;
}

TSettingsError TSettingsFile::CheckComplete(const TIniFile &ini, bool multi)
{
    TSettingsError e;
    QStringList sections{SConfig, SModel};
    if (multi)
        sections << SMap;
    for (const QString &s : sections)
        if (ini.ReadSection(s).isEmpty()) {
            e.Detail = QLatin1Char('[') + s + QLatin1Char(']');
            break;
        }
    return e;
}

bool TSettingsFile::DeviceRangeQ3(const QString &key, qint64 &low, qint64 &high)
{
    const TDeviceRange *d = FindRange(DeviceRangesQ3, key);
    if (d) {
        low = d->Low;
        high = d->High;
    }
    return d;
}

QList<int> TSettingsFile::CylinderCountsQ3(int injOutputs)
{
    switch (injOutputs) {
    case 4:
        return {3, 4};
    case 6:
        return {3, 4, 5, 6};
    case 8:
        return {3, 4, 5, 6, 8};
    default:
        return {};
    }
}

TSettingsError TSettingsFile::ReadQ3(const TIniFile &ini, TDeviceRecord &rec)
{
    const TDeviceRecord device = rec;
    TReader r(ini, rec);
    r.DeviceRange = [&device](const QString &key, qint64 &low, qint64 &high) {
        return (RecordHoldsPressureSensorType(device) || key.compare(u"PressureSensorType", Qt::CaseInsensitive) != 0)
               && DeviceRangeQ3(key, low, high);
    };
    r.Get(SConfig, ConfigQ3);
    // Keys an older file lacks: the device keeps its own value.
    for (const TLaterKey &k : ConfigQ3Later)
        if (SentQ3(device, k) && ini.ValueExists(SConfig, QLatin1String(k.K.Name)))
            r.Get(SConfig, k.K);
    r.Get(SModel, ModelQ3);
    if (r.FError.Failed())
        return r.FError;

    // A setting the device's variant does not hold is neither checked nor
    // sent: the record keeps the device's own.
    if (!RecordHoldsPressureSensorType(device))
        rec.PressureSensorType = device.PressureSensorType;
    if (!CheckDeviceRanges(r, device, DeviceRangesQ3, OfferedRangesQ3,
                           [&device](const char *key) {
                               return RecordHoldsPressureSensorType(device)
                                      || qstrcmp(key, "PressureSensorType") != 0;
                           }))
        return r.FError;
    // The cylinder count: one the device's injector outputs can drive.
    const QList<int> counts = CylinderCountsQ3(device.InjHW);
    if (!counts.isEmpty() && !counts.contains(int(rec.InjSW))) {
        QStringList allowed;
        for (int c : counts)
            allowed << QString::number(c);
        r.FError.Detail = QStringLiteral("InjSW=%1").arg(rec.InjSW);
        r.FError.Reason = QStringLiteral("strSetFileCylinders");
        r.FError.Args = {QString::number(rec.InjSW), allowed.join(QStringLiteral(", "))};
    }
    return r.FError;
}

void TSettingsFile::Explain(const QByteArray &bytes, const TIniFile &ini, TSettingsError &e)
{
    if (!e.Reason.isEmpty())
        return;
    auto set = [&e](const char *reason, const QStringList &args = {}) {
        e.Reason = QLatin1String(reason);
        e.Args = args;
    };
    if (bytes.isEmpty())
        return set("strSetFileEmpty");
    if (bytes.contains('\0'))
        return set("strSetFileNotText");
    if (!bytes.endsWith('\n') && !bytes.endsWith('\r'))
        return set("strSetFileCut", {QString::number(bytes.count('\n') + 1)});
    const TVersion version = FileVersion(ini);
    if (version.Unreadable)
        return set("strSetFileVersionUnreadable", {FileVersionText(ini)});
    if (version.Kind.isNull())
        return set("strSetFileNoVersion");
    if (e.Detail.startsWith(u'['))
        return set("strSetFileSection", {e.Detail});
    set("strSetFileKind", {FileVersionText(ini)});
}

bool TSettingsFile::DeviceRangeMulti(const TDeviceRecord &device, const QString &key, qint64 &low, qint64 &high)
{
    const TMultiRange *d = FindRange(DeviceRangesMulti, device, key);
    if (d) {
        low = d->Low;
        high = d->High;
    }
    return d;
}

TSettingsError TSettingsFile::ReadModelQ3(const TIniFile &ini, TSettingsLoad &load, const TPageLimits &page)
{
    TReader r(ini, load.Record);
    r.Get(SModel, ModelQ3);
    r.ModelPoints(load);
    r.FitsPage(page, load);
    return r.FError;
}

TSettingsError TSettingsFile::ReadMapCells(const TIniFile &ini, TSettingsLoad &load)
{
    TReader r(ini, load.Record);
    r.MapCells(load);
    return r.FError;
}

TSettingsError TSettingsFile::ReadMulti(const TIniFile &ini, TSettingsLoad &load, bool modelOnly,
                                        const TPageLimits &page)
{
    TDeviceRecord &rec = load.Record;
    const TDeviceRecord device = rec;
    load.FileLetter = FileVersionLetter(ini);
    load.HoldsIdleHot = HoldsDeviceIdleHot(ini);
    TReader r(ini, rec);
    r.DeviceRange = [&device](const QString &key, qint64 &low, qint64 &high) {
        return DeviceRangeMulti(device, key, low, high);
    };
    // Whether the file holds a key its writer writes from a version letter
    // on: the file's own letter decides, not the connected device's (a file
    // naming none holds nothing by its letter); a file that holds the key
    // all the same gives it.
    using kind48::TFilePart;
    const char letter = load.FileLetter.isNull() ? 0 : char(load.FileLetter.unicode());
    const auto holds = [&ini, &load](TFilePart part, const QString &section, const QString &key) {
        return load.FileHolds(part) || ini.ValueExists(section, key);
    };
    // A flag of a byte held in part is the file's where the file's letter
    // holds its bit; otherwise as for any key of its part.
    const auto holdsKey = [&](TFilePart part, const QString &section, const Key &k) {
        const QString key = QLatin1String(k.Name);
        for (const int id : BytesHeldInPart())
            if (const quint8 bit = FlagBit(device, id, FieldOf(k.Field)))
                return (kind48::FileBitsHeld(8, id, letter) & bit) != 0 || ini.ValueExists(section, key);
        return holds(part, section, key);
    };
    if (!modelOnly) {
        r.Get(SConfig, ConfigMultiHead);
        r.Get(SConfig, ConfigMultiLevel);
        r.Get(SConfig, ConfigMultiTail);
        const auto holdsIdleHot = [&](const char *key) {
            return load.HoldsIdleHot || (letter == 0 && !ini.ReadString(SConfig, QLatin1String(key)).trimmed().isEmpty());
        };
        load.HoldsIdleHotRpm = holdsIdleHot("IdleHotRPM");
        load.HoldsIdleHotPcol = holdsIdleHot("IdleHotPcol");
        if (!load.HoldsIdleHotRpm)
            rec.IdleHotRPM = device.IdleHotRPM;
        if (!load.HoldsIdleHotPcol)
            rec.IdleHotPcol = device.IdleHotPcol;
        load.HoldsIdleCorrection = holds(TFilePart::ConfigD2, SConfig, QStringLiteral("CorrectionForIdle"));
        // Keys written from a version letter on: a file saved below it
        // (its own letter says so) that lacks such a key leaves what the
        // device holds rather than taking the default.
        auto gated = [&](TFilePart part, const auto &keys) {
            for (const Key &k : keys)
                if (holdsKey(part, SConfig, k))
                    r.Get(SConfig, k);
        };
        gated(TFilePart::ConfigC1, ConfigC1);
        gated(TFilePart::ConfigC2, ConfigC2);
        gated(TFilePart::ConfigD1, ConfigD1);
        gated(TFilePart::ConfigD2, ConfigD2);
        gated(TFilePart::ConfigF, ConfigF);
        gated(TFilePart::ConfigG, ConfigG);
        gated(TFilePart::ConfigJ, ConfigJ);
        r.Element(SModel, QStringLiteral("CMActive"), "CMActive", 0, 3);
        const QString flags = QStringLiteral("Model_OBDAdaptCorrConfig");
        if (holds(TFilePart::AdaptFlags, SMapCorrections, flags)) {
            r.Element(SMapCorrections, flags, "MapCorrections", 0, 0);
            // The bits of the flags that the file's letter or the device's
            // does not hold are the device's; a file below the flags'
            // letter, or naming none, that holds them all the same holds
            // the bits of that letter.
            const char own = device.Ver.isEmpty() ? 'Z' : char(device.Ver.at(0).toUpper().unicode());
            const quint8 held = kind48::FileBitsHeld(12, 104, std::max(std::min(letter, own), kind48::FromOf(TFilePart::AdaptFlags)));
            rec.MapCorrections = quint8((rec.MapCorrections & held) | (device.MapCorrections & ~held));
        }
        for (int bank = 0; bank < 2; ++bank)
            for (int row = 0; row < 10; ++row)
                for (int column = 0; column < 10; ++column)
                    if (holds(TFilePart::AdaptBanks, SMapCorrections, BankKey(bank, row, column)))
                        r.Element(SMapCorrections, BankKey(bank, row, column), "AdaptBanks",
                                  bank * 100 + row * 10 + column, 0);
        if (holds(TFilePart::MaxTbForLoad, SMapCorrections, QStringLiteral("MaxTbForLoad")))
            r.Element(SMapCorrections, QStringLiteral("MaxTbForLoad"), "MaxTbForLoad", 0, 4675);
        if (holds(TFilePart::MaxPcolForLoad, SMapCorrections, QStringLiteral("MaxPcolForLoad")))
            r.Element(SMapCorrections, QStringLiteral("MaxPcolForLoad"), "MaxPcolForLoad", 0, 60);
    }

    // The model part.
    r.Get(SModel, ModelMultiHead);
    if (RecordIsKind48AtLeast(rec, QString(QLatin1Char(kind48::FromOf(TFilePart::CorrectionTypes))))
        && holds(TFilePart::CorrectionTypes, SModel, QStringLiteral("TgasCorType"))) {
        r.Element(SModel, QStringLiteral("TgasCorType"), "TgasCorType", 0, rec.GasTempSensorInFlow ? 2 : 3);
        r.Element(SModel, QStringLiteral("RPMCorType"), "RPMCorType", 0, 1);
        if ((rec.CMActive & 0x04) && rec.RPMCorType == 1)
            rec.RPMCorType = 2;
    }
    if (const Key idle{"UseOnIdleModel", "UseOnIdleModel", V::Bool, 1}; holdsKey(TFilePart::IdleModel, SModel, idle))
        r.Get(SModel, idle);
    r.ModelPoints(load);
    r.FitsPage(page, load);
    r.Get(SModel, NozzleKeys);
    r.Element(SMap, QStringLiteral("MapRPMRange"), "MapRPMRange", 0, 2);

    if (!modelOnly) {
        load.HasCorrections = ini.ValueExists(SModel, QStringLiteral("CPS1"));
        const auto &tgas = StandardTgas(rec.GasTempSensorInFlow != 0);
        for (int i = 0; i < TDeviceRecord::CorrectionPointCount; ++i) {
            const bool pcol = holds(TFilePart::PcolCurve, SModel, Indexed("CPCOL", i + 1));
            if (load.HasCorrections) {
                r.Element(SModel, Indexed("CPS", i + 1), "PsysCorrections", i, kPsys[i]);
                r.Element(SModel, Indexed("CTG", i + 1), "TgasCorrections", i, tgas[i]);
                r.Element(SModel, Indexed("CRPM", i + 1), "RpmCorrections", i, kRpm[i]);
                if (pcol)
                    r.Element(SModel, Indexed("CPCOL", i + 1), "PcolCorrections", i, 0);
            } else {
                rec.PsysCorrections[i] = kPsys[i];
                rec.TgasCorrections[i] = tgas[i];
                rec.RpmCorrections[i] = kRpm[i];
                if (pcol)
                    rec.PcolCorrections[i] = 0;
            }
        }
        // Sent only when the user confirms: the gas injector corrections and
        // word 0 of the map rows.
        load.HasGasInjCorr = holds(TFilePart::GasInjCorr, SGasInjCorr, QStringLiteral("InjCorr1"));
        for (int i = 0; i < TDeviceRecord::ChannelCount; ++i) {
            qint64 v = 0;
            r.Integer(SGasInjCorr, Indexed("InjCorr", i + 1), -128, 127, 0, v);
            load.GasInjCorr[i] = qint8(v);
        }
        r.MapCells(load);
    }
    if (!modelOnly && !r.FError.Failed())
        CheckDeviceRanges(r, device, DeviceRangesMulti, OfferedRangesMulti, [](const char *) { return true; });
    return r.FError;
}
