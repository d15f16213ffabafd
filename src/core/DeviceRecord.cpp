#include "core/DeviceRecord.h"

#include "core/Kind48Settings.h"
#include "core/UnitConversions.h"

#include <cmath>
#include <iterator>
#include <type_traits>

TDeviceRecord DeviceRecord;

void TDeviceRecord::Clear()
{
    *this = TDeviceRecord{};
}

bool RecordIsKind48AtLeast(const TDeviceRecord &rec, QStringView letter)
{
    if (rec.DeviceKind != 48)
        return false;
    return rec.Ver.toUpper().compare(letter.toString().toUpper()) >= 0;
}

bool RecordHoldsPressureSensorType(const TDeviceRecord &rec)
{
    return rec.DeviceKind != 20 || rec.IdentityPage1 <= 2;
}

namespace {

using U8Member = quint8 TDeviceRecord::*;
using U16Member = quint16 TDeviceRecord::*;

// --- 8-bit ids ---

// A byte parameter stored whole and mirrored bit by bit into 0/1 fields
// (nullptr where a bit has no field).
struct PackedByte {
    U8Member Whole;
    std::array<U8Member, 8> Bits;
};

const PackedByte ReturnToPetrol{&TDeviceRecord::ReturnToPetrolMask,
    {&TDeviceRecord::RPM_lt, &TDeviceRecord::RPM_gt, &TDeviceRecord::LoadP_gt,
     &TDeviceRecord::PreinjMode, &TDeviceRecord::AlWorkOnGas, &TDeviceRecord::RisingT,
     &TDeviceRecord::AdaptationMode, &TDeviceRecord::Tgas_lt}};

const PackedByte Extended{&TDeviceRecord::ExtendedOptions,
    {&TDeviceRecord::UseOnIdleModel, nullptr, &TDeviceRecord::Tred_lt_Load,
     &TDeviceRecord::RPMWireNotConnect, &TDeviceRecord::FuelOverlap,
     &TDeviceRecord::GasInjHeating, &TDeviceRecord::PreinjectionProcessDuringCutOff, nullptr}};

const PackedByte CutOff{&TDeviceRecord::CutOffOptions,
    {&TDeviceRecord::PreinjectionsDuringCutOffForLowRPMEnabled,
     &TDeviceRecord::MazdaIgnitionTypeCorrEnabled, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr}};

const PackedByte Extra{&TDeviceRecord::ExtraOptions,
    {&TDeviceRecord::FlashLubeSupportEnabled, &TDeviceRecord::CutOffModeActivated,
     &TDeviceRecord::AutoToGasOnControlPanelHidden,
     &TDeviceRecord::SygnalizeDrivingOnPetrolEnabled, &TDeviceRecord::MinGasInjTimeEnabled,
     &TDeviceRecord::MaxGasInjTimeEnabled, &TDeviceRecord::CorrectionForIdleActive,
     &TDeviceRecord::HotEngineStartOnGas}};

const PackedByte GasTempSensor{&TDeviceRecord::GasTempSensorByte,
    {&TDeviceRecord::GasTempSensorInFlow, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr}};

// Kinds 20 and 21: bytes whose bit 0 alone holds a flag.
const PackedByte PetrolInjPlus{&TDeviceRecord::PetrolInjPlusControlByte, {&TDeviceRecord::PetrolInjPlusControl}};
const PackedByte ExternalEmulatorFlag{&TDeviceRecord::ExternalEmulatorByte, {&TDeviceRecord::ExternalEmulator}};
const PackedByte AlwaysStartOnGasFlag{&TDeviceRecord::AlwaysStartOnGasByte, {&TDeviceRecord::AlwaysStartOnGas}};

// Ids whose byte is stored in one field after masking.
struct PlainRule {
    int Id;
    U8Member Field;
    quint8 Mask;
};

const PlainRule PlainRules[] = {
    {1, &TDeviceRecord::LambdaType, 0x0F},
    {2, &TDeviceRecord::InjTypeName, 0xFF},
    {3, &TDeviceRecord::LowPD, 0xFF},
    {4, &TDeviceRecord::LowPT, 0xFF},
    {5, &TDeviceRecord::PetrolInjPlusControl, 0x01},
    {7, &TDeviceRecord::NoSeqential, 0x01},
    {8, &TDeviceRecord::RPMSourceType, 0x01},
    {10, &TDeviceRecord::NozzleSize, 0xFF},
    {11, &TDeviceRecord::RedType, 0xFF},
    {12, &TDeviceRecord::InjSystemType, 0xFF},
    {13, &TDeviceRecord::Param13, 0xFF},
    {14, &TDeviceRecord::Param14, 0xFF},
    {15, &TDeviceRecord::Param15, 0xFF},
    {16, &TDeviceRecord::SemiGasControl, 0x01},
    {17, &TDeviceRecord::MicroInjection, 0x01},
    {18, &TDeviceRecord::HemiEngine, 0x01},
    {19, &TDeviceRecord::MapRPMRange, 0xFF},
    {20, &TDeviceRecord::ExternalEmulator, 0x01},
    {21, &TDeviceRecord::TuningMode, 0x01},
    {22, &TDeviceRecord::PanelLED, 0x01},
    {23, &TDeviceRecord::MicroInjectionTime, 0xFF},
    {24, &TDeviceRecord::Param24Flag, 0x01},
    {25, &TDeviceRecord::Param25, 0xFF},
    {26, &TDeviceRecord::Param25, 0xFF},
    {27, &TDeviceRecord::MasterMode, 0x01},
    {30, &TDeviceRecord::WorkPress, 0xFF},
    {33, &TDeviceRecord::ReserveType, 0xFF},
    {34, &TDeviceRecord::Param34, 0xFF},
    {35, &TDeviceRecord::Tgas_lt_val, 0xFF},
    {38, &TDeviceRecord::Tred_lt_Load_Tredval, 0xFF},
    {39, &TDeviceRecord::Tred_lt_Load_Lval, 0xFF},
    {40, &TDeviceRecord::MaxCyclesMixedFuel, 0xFF},
    {41, &TDeviceRecord::Param41, 0xFF},
    {42, &TDeviceRecord::MinTredForGasInjHeating, 0xFF},
    {43, &TDeviceRecord::Tgas_lt_Load_Lval, 0xFF},
    {44, &TDeviceRecord::MinPressDuringCuttOffForPreinjections, 0xFF},
    {45, &TDeviceRecord::TgasCorType, 0xFF},
    {46, &TDeviceRecord::RPMCorType, 0xFF},
    {47, &TDeviceRecord::IdleHotPcol, 0xFF},
    {48, &TDeviceRecord::MapType, 0xFF},
    {49, &TDeviceRecord::MazdaEnrichmentPercentage, 0xFF},
    {53, &TDeviceRecord::MaxPcolForLoad, 0xFF},
};

const PlainRule *FindPlainRule(int id)
{
    for (const PlainRule &rule : PlainRules)
        if (rule.Id == id)
            return &rule;
    return nullptr;
}

bool IsKind2021(const TDeviceRecord &rec)
{
    return rec.DeviceKind == 20 || rec.DeviceKind == 21;
}

const PackedByte *FindPackedRule(const TDeviceRecord &rec, int id)
{
    if (IsKind2021(rec))
        switch (id) {
        case 5: return &PetrolInjPlus;
        case 20: return &ExternalEmulatorFlag;
        case 29: return &AlwaysStartOnGasFlag;
        default: break;
        }
    switch (id) {
    case 31: return &ReturnToPetrol;
    case 32: return &GasTempSensor;
    case 37: return &Extended;
    case 50: return &CutOff;
    case 52: return &Extra;
    default: return nullptr;
    }
}

// Whether a kind-48 device holds the bit of the byte: from the letter from
// which settings files hold it (see kind48::FileBits).
bool Kind48HoldsBit(const TDeviceRecord &rec, int id, quint8 bit)
{
    const char from = kind48::FileBitFrom(8, id, bit);
    return from != 0 && RecordIsKind48AtLeast(rec, QString(QLatin1Char(from)));
}

// Which bits of a packed byte the record mirrors for this device: bit 7 of
// id 52 (the hot start on gas) and, on kind 48, the idle model's bit 0 of
// id 37 only where the device holds them (below that the idle model is
// always in use, and the bit goes back as the device holds it).
quint8 MirroredBits(const TDeviceRecord &rec, const PackedByte &packed)
{
    quint8 bits = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (packed.Bits[bit])
            bits |= quint8(1u << bit);
    if (&packed == &Extra && !Kind48HoldsBit(rec, 52, 0x80))
        bits &= 0x7F;
    if (&packed == &Extended && rec.DeviceKind == 48 && !Kind48HoldsBit(rec, 37, 0x01))
        bits &= 0xFE;
    return bits;
}

void StorePacked(TDeviceRecord &rec, const PackedByte &packed, quint8 value)
{
    rec.*packed.Whole = value;
    const quint8 mirrored = MirroredBits(rec, packed);
    for (int bit = 0; bit < 8; ++bit)
        if (packed.Bits[bit])
            rec.*packed.Bits[bit] = (mirrored & (1u << bit)) ? ((value >> bit) & 1u) : 0;
}

// The whole byte with the mirrored bits taken from their 0/1 fields; bits the
// record does not mirror keep what the whole byte holds.
quint8 PackedValue(const TDeviceRecord &rec, const PackedByte &packed)
{
    const quint8 mirrored = MirroredBits(rec, packed);
    quint8 value = rec.*packed.Whole & quint8(~mirrored);
    for (int bit = 0; bit < 8; ++bit)
        if ((mirrored & (1u << bit)) && rec.*packed.Bits[bit] != 0)
            value |= quint8(1u << bit);
    return value;
}

// --- 16-bit ids ---

U16Member Word16Field(int id)
{
    switch (id) {
    case 1: return &TDeviceRecord::Word1;
    case 2: return &TDeviceRecord::Word2;
    case 3: return &TDeviceRecord::Word3;
    case 4: return &TDeviceRecord::Word4;
    case 5: return &TDeviceRecord::Word5;
    case 6: return &TDeviceRecord::Power;
    case 7: return &TDeviceRecord::EngineCubicCapacity;
    case 8: return &TDeviceRecord::IdleHotTb;
    case 9: return &TDeviceRecord::EmulatorSwitchDelay;
    case 10: return &TDeviceRecord::PostValveDelay;
    case 11: return &TDeviceRecord::RPM_lt_val;
    case 12: return &TDeviceRecord::RPM_gt_val;
    case 14: return &TDeviceRecord::DeviceOptions;
    case 16: return &TDeviceRecord::MaxTimeMixedFuel;
    case 17: return &TDeviceRecord::IdleHotRPM;
    case 18: return &TDeviceRecord::MaxRpmForEnrichmentDuringCutOff;
    case 19: return &TDeviceRecord::InjTimeForEnrichmentDuringCutOff;
    case 20: return &TDeviceRecord::MinGasInjectionTime;
    case 21: return &TDeviceRecord::MaxGasInjectionTime;
    case 22: return &TDeviceRecord::MaxTbForLoad;
    case 23: return &TDeviceRecord::NextInspection;
    case 24: return &TDeviceRecord::AfterCutOffEmulSwitchDelay;
    case 25: return &TDeviceRecord::OnCutOffDelay;
    default: return nullptr;
    }
}

// --- Model ids ---

qint32 *ModelFactor(TDeviceRecord &rec, int id)
{
    switch (id) {
    case 3: return &rec.P1;
    case 4: return &rec.P2;
    case 5: return &rec.P3;
    case 6: return &rec.P4;
    case 7: return &rec.E1;
    case 8: return &rec.E2;
    case 9: return &rec.E3;
    case 10: return &rec.E4;
    default: return nullptr;
    }
}

const qint32 *ModelFactor(const TDeviceRecord &rec, int id)
{
    return ModelFactor(const_cast<TDeviceRecord &>(rec), id);
}

// The correction point of a model id 14..73, or nullptr.
qint8 *CorrectionPoint(TDeviceRecord &rec, int id)
{
    if (id >= 14 && id <= 33)
        return &rec.PsysCorrections[id - 14];
    if (id >= 34 && id <= 53)
        return &rec.TgasCorrections[id - 34];
    if (id >= 54 && id <= 73)
        return &rec.RpmCorrections[id - 54];
    return nullptr;
}

quint16 SignedWord(double value)
{
    return quint16(qint16(RoundClamped(value, -32768, 32767)));
}

} // namespace

bool StoreParameter8(TDeviceRecord &rec, int id, quint8 value)
{
    const PackedByte *packed = FindPackedRule(rec, id);
    if (const PlainRule *rule = packed ? nullptr : FindPlainRule(id)) {
        rec.*rule->Field = value & rule->Mask;
        return true;
    }
    switch (id) {
    case 28:
        if (rec.DeviceKind == 20) {
            // The sensor of a kind-20 device follows its hardware variant;
            // the other variants hold none.
            if (RecordHoldsPressureSensorType(rec))
                rec.PressureSensorType = rec.IdentityPage1 == 0 ? 1 : 2;
        } else {
            rec.PressureSensorType = value;
        }
        return true;
    case 29:
        if (packed)
            break;
        rec.LoadP_gt_val = value;
        return true;
    case 37:
        StorePacked(rec, Extended, value);
        if (rec.DeviceKind == 48 && !Kind48HoldsBit(rec, 37, 0x01))
            rec.UseOnIdleModel = 1;
        return true;
    default:
        break;
    }
    if (packed) {
        StorePacked(rec, *packed, value);
        return true;
    }
    return false;
}

bool Parameter8Value(const TDeviceRecord &rec, int id, quint8 &value)
{
    const PackedByte *packed = FindPackedRule(rec, id);
    if (const PlainRule *rule = packed ? nullptr : FindPlainRule(id)) {
        const quint8 field = rec.*rule->Field;
        // A flag sends 1 for any non-zero byte; a narrower field is limited to its mask.
        if (rule->Mask == 0x01)
            value = field != 0 ? 1 : 0;
        else
            value = qMin(field, rule->Mask);
        return true;
    }
    if (id == 28) {
        value = rec.PressureSensorType;
        return true;
    }
    if (id == 29 && !packed) {
        value = rec.LoadP_gt_val;
        return true;
    }
    if (packed) {
        value = PackedValue(rec, *packed);
        return true;
    }
    return false;
}

quint8 FlagsByteToWrite(const TDeviceRecord &rec, int id)
{
    quint8 value = 0;
    Parameter8Value(rec, id, value);
    return value;
}

bool StoreParameter16(TDeviceRecord &rec, int id, quint16 value)
{
    const U16Member field = Word16Field(id);
    if (!field)
        return false;
    rec.*field = value;
    return true;
}

bool Parameter16Value(const TDeviceRecord &rec, int id, quint16 &value)
{
    const U16Member field = Word16Field(id);
    if (!field)
        return false;
    value = rec.*field;
    return true;
}

bool StoreModelParameter(TDeviceRecord &rec, int id, quint16 raw)
{
    if (id >= 3 && id <= 6) {
        *ModelFactor(rec, id) = qint32(std::nearbyint(raw / 187.0));
        return true;
    }
    if (id >= 7 && id <= 10) {
        *ModelFactor(rec, id) = qint32(std::nearbyint((raw / 4096.0 - 1.0) * 100.0));
        return true;
    }
    if (qint8 *point = CorrectionPoint(rec, id)) {
        *point = qint8(quint8(raw & 0xFF));
        return true;
    }
    switch (id) {
    case 1: rec.Mult = raw / 1024.0; return true;
    case 2: rec.Offset = qint16(raw) / 187.0; return true;
    case 11: rec.CorrectionMult = raw / 1024.0; return true;
    case 12: rec.CorrectionOffset = qint16(raw) / 187.0; return true;
    case 13: rec.CorrectionMask = quint8(raw & 0xFF); return true;
    case 74: rec.CMActive = quint8(raw & 0xFF); return true;
    case 83: rec.CorrectionForIdle = qint16(raw); return true;
    case 104: rec.MapCorrections = quint8(raw & 0xFF); return true;
    default: return false;
    }
}

bool ModelParameterValue(const TDeviceRecord &rec, int id, quint16 &raw)
{
    if (id >= 3 && id <= 6) {
        raw = quint16(RoundClamped(*ModelFactor(rec, id) * 187.0, 0, 0xFFFF));
        return true;
    }
    if (id >= 7 && id <= 10) {
        raw = quint16(RoundClamped((*ModelFactor(rec, id) / 100.0 + 1.0) * 4096.0, 0, 0xFFFF));
        return true;
    }
    if (const qint8 *point = CorrectionPoint(const_cast<TDeviceRecord &>(rec), id)) {
        raw = quint16(qint16(*point));  // a negative point sends 0xFF as high byte
        return true;
    }
    switch (id) {
    case 1: raw = quint16(RoundClamped(rec.Mult * 1024.0, 0, 0xFFFF)); return true;
    case 2: raw = SignedWord(rec.Offset * 187.0); return true;
    case 11: raw = quint16(RoundClamped(rec.CorrectionMult * 1024.0, 0, 0xFFFF)); return true;
    case 12: raw = SignedWord(rec.CorrectionOffset * 187.0); return true;
    case 13: raw = rec.CorrectionMask; return true;
    case 74: raw = rec.CMActive; return true;
    case 83: raw = quint16(rec.CorrectionForIdle); return true;
    case 104: raw = rec.MapCorrections; return true;
    default: return false;
    }
}

// --- Field table ---

namespace {

template <typename T>
constexpr TFieldType FieldTypeOf()
{
    if constexpr (std::is_same_v<T, quint8>) return TFieldType::U8;
    else if constexpr (std::is_same_v<T, qint8>) return TFieldType::I8;
    else if constexpr (std::is_same_v<T, quint16>) return TFieldType::U16;
    else if constexpr (std::is_same_v<T, qint16>) return TFieldType::I16;
    else if constexpr (std::is_same_v<T, quint32>) return TFieldType::U32;
    else if constexpr (std::is_same_v<T, qint32>) return TFieldType::I32;
    else if constexpr (std::is_same_v<T, double>) return TFieldType::F64;
    else return TFieldType::Text;
}

template <auto M>
using MemberType = std::remove_cvref_t<decltype(std::declval<TDeviceRecord &>().*M)>;

// Scalars.
template <auto M> qint64 GetScalar(const TDeviceRecord &r, int) { return qint64(r.*M); }
template <auto M> void SetScalar(TDeviceRecord &r, int, qint64 v) { r.*M = MemberType<M>(v); }
template <auto M> double GetScalarF(const TDeviceRecord &r, int) { return r.*M; }
template <auto M> void SetScalarF(TDeviceRecord &r, int, double v) { r.*M = v; }
template <auto M> QString GetTextField(const TDeviceRecord &r) { return r.*M; }
template <auto M> void SetTextField(TDeviceRecord &r, const QString &v) { r.*M = v; }

// Flat arrays.
template <auto M> qint64 GetElem(const TDeviceRecord &r, int i)
{
    const auto &a = r.*M;
    return (i >= 0 && i < int(std::size(a))) ? qint64(a[i]) : 0;
}
template <auto M> void SetElem(TDeviceRecord &r, int i, qint64 v)
{
    auto &a = r.*M;
    if (i >= 0 && i < int(std::size(a)))
        a[i] = typename std::remove_cvref_t<decltype(a)>::value_type(v);
}
template <auto M> double GetElemF(const TDeviceRecord &r, int i)
{
    const auto &a = r.*M;
    return (i >= 0 && i < int(std::size(a))) ? a[i] : 0.0;
}
template <auto M> void SetElemF(TDeviceRecord &r, int i, double v)
{
    auto &a = r.*M;
    if (i >= 0 && i < int(std::size(a)))
        a[i] = v;
}

// Map rows: index = row * 3 + word.
template <auto M> qint64 GetRowWord(const TDeviceRecord &r, int i)
{
    return (i >= 0 && i < TDeviceRecord::MapRowCount * 3) ? qint64((r.*M)[i / 3][i % 3]) : 0;
}
template <auto M> void SetRowWord(TDeviceRecord &r, int i, qint64 v)
{
    if (i >= 0 && i < TDeviceRecord::MapRowCount * 3)
        (r.*M)[i / 3][i % 3] = quint16(v);
}

// Model points: index = point * 2 (+1 for y).
template <auto M> qint64 GetPointCoord(const TDeviceRecord &r, int i)
{
    if (i < 0 || i >= TDeviceRecord::ModelPointCount * 2)
        return 0;
    const TModelPoint &p = (r.*M)[i / 2];
    return (i % 2) ? p.Y : p.X;
}
template <auto M> void SetPointCoord(TDeviceRecord &r, int i, qint64 v)
{
    if (i < 0 || i >= TDeviceRecord::ModelPointCount * 2)
        return;
    TModelPoint &p = (r.*M)[i / 2];
    ((i % 2) ? p.Y : p.X) = qint32(v);
}

// Adaptation banks: index = bank * 100 + row * 10 + column.
qint64 GetAdapt(const TDeviceRecord &r, int i)
{
    return (i >= 0 && i < 200) ? r.AdaptBanks[i / 100][(i / 10) % 10][i % 10] : 0;
}
void SetAdapt(TDeviceRecord &r, int i, qint64 v)
{
    if (i >= 0 && i < 200)
        r.AdaptBanks[i / 100][(i / 10) % 10][i % 10] = qint8(v);
}

template <auto M> TRecordField IntField(const char *key)
{
    return {key, FieldTypeOf<MemberType<M>>(), 1, &GetScalar<M>, &SetScalar<M>,
            nullptr, nullptr, nullptr, nullptr};
}
template <auto M> TRecordField FloatField(const char *key)
{
    return {key, TFieldType::F64, 1, nullptr, nullptr, &GetScalarF<M>, &SetScalarF<M>,
            nullptr, nullptr};
}
template <auto M> TRecordField TextField(const char *key)
{
    return {key, TFieldType::Text, 1, nullptr, nullptr, nullptr, nullptr,
            &GetTextField<M>, &SetTextField<M>};
}
template <auto M> TRecordField IntArray(const char *key)
{
    using A = MemberType<M>;
    return {key, FieldTypeOf<typename A::value_type>(), int(std::tuple_size_v<A>),
            &GetElem<M>, &SetElem<M>, nullptr, nullptr, nullptr, nullptr};
}
template <auto M> TRecordField FloatArray(const char *key)
{
    return {key, TFieldType::F64, int(std::tuple_size_v<MemberType<M>>), nullptr, nullptr,
            &GetElemF<M>, &SetElemF<M>, nullptr, nullptr};
}
template <auto M> TRecordField MapRowsField(const char *key)
{
    return {key, TFieldType::U16, TDeviceRecord::MapRowCount * 3, &GetRowWord<M>,
            &SetRowWord<M>, nullptr, nullptr, nullptr, nullptr};
}
template <auto M> TRecordField PointsField(const char *key)
{
    return {key, TFieldType::I32, TDeviceRecord::ModelPointCount * 2, &GetPointCoord<M>,
            &SetPointCoord<M>, nullptr, nullptr, nullptr, nullptr};
}

#define RF_INT(name) IntField<&TDeviceRecord::name>(#name)
#define RF_INT_AS(key, name) IntField<&TDeviceRecord::name>(key)

std::vector<TRecordField> BuildFields()
{
    using R = TDeviceRecord;
    return {
        RF_INT(DeviceKind), RF_INT(LinkState), RF_INT(PressureSensorType),
        RF_INT(AlwaysStartOnGas),
        TextField<&R::CompTime>("CompTime"), TextField<&R::CompDate>("CompDate"),
        TextField<&R::Ver>("Ver"),
        RF_INT(IdentityPage1), RF_INT(IdentityPage2), RF_INT(IdentityPage3),
        RF_INT(IdentityPage4), RF_INT(UsaVariant), RF_INT(IdentityPage5), RF_INT(IdentityPage6),
        RF_INT(PetrolTimeMaxMask), RF_INT(GasTimeMaxMask), RF_INT(EmulatorSwitchBits),
        RF_INT(ValveState), RF_INT(BoardTempRaw), RF_INT(EngineLoad),
        RF_INT(AutoCalProgress), RF_INT(AutoCalState), RF_INT(AutoCalPhase),
        RF_INT(AutoCalStartTime), RF_INT(AutoCalCurrentTime), RF_INT(AutoCalValueC),
        RF_INT(AutoCalValueA), RF_INT(AutoCalValueB), RF_INT(AutoCalValueD), RF_INT(AutoCalByte),
        RF_INT(NoSeqential), RF_INT(SemiGasControl), RF_INT(MicroInjection), RF_INT(HemiEngine),
        RF_INT(TuningMode), RF_INT(MasterMode), RF_INT(CAP_TIE_enable),
        RF_INT(MicroInjectionTime), RF_INT(MapRPMRange), RF_INT(Param24Flag), RF_INT(Param25),
        RF_INT(ReturnToPetrolMask),
        RF_INT_AS("RPM<", RPM_lt), RF_INT_AS("RPM>", RPM_gt), RF_INT_AS("LoadP>", LoadP_gt),
        RF_INT(PreinjMode), RF_INT(AlWorkOnGas), RF_INT(RisingT), RF_INT(AdaptationMode),
        RF_INT_AS("Tgas<", Tgas_lt),
        RF_INT(ExtendedOptions), RF_INT(UseOnIdleModel), RF_INT_AS("Tred<&Load", Tred_lt_Load),
        RF_INT(RPMWireNotConnect), RF_INT(FuelOverlap), RF_INT(GasInjHeating),
        RF_INT(PreinjectionProcessDuringCutOff),
        RF_INT_AS("Tred<&Load_Tredval", Tred_lt_Load_Tredval),
        RF_INT_AS("Tred<&Load_Lval", Tred_lt_Load_Lval),
        RF_INT(MinTredForGasInjHeating), RF_INT(MinPressDuringCuttOffForPreinjections),
        RF_INT_AS("Tgas<&Load_Lval", Tgas_lt_Load_Lval),
        RF_INT(TgasCorType), RF_INT(RPMCorType), RF_INT(MaxTimeMixedFuel),
        RF_INT(MaxCyclesMixedFuel), RF_INT(Param41),
        RF_INT_AS("Tgas<val", Tgas_lt_val), RF_INT_AS("RPM<val", RPM_lt_val),
        RF_INT_AS("RPM>val", RPM_gt_val), RF_INT_AS("LoadP>val", LoadP_gt_val),
        RF_INT(DeviceOptions), RF_INT(MapType), RF_INT(MaxRpmForEnrichmentDuringCutOff),
        RF_INT(InjTimeForEnrichmentDuringCutOff), RF_INT(MazdaEnrichmentPercentage),
        RF_INT(CutOffOptions), RF_INT(PreinjectionsDuringCutOffForLowRPMEnabled),
        RF_INT(MazdaIgnitionTypeCorrEnabled),
        RF_INT(ExtraOptions), RF_INT(FlashLubeSupportEnabled), RF_INT(CutOffModeActivated),
        RF_INT(AutoToGasOnControlPanelHidden), RF_INT(SygnalizeDrivingOnPetrolEnabled),
        RF_INT(MinGasInjTimeEnabled), RF_INT(MaxGasInjTimeEnabled),
        RF_INT(CorrectionForIdleActive), RF_INT(HotEngineStartOnGas),
        RF_INT(LowPT), RF_INT(LowPD), RF_INT(PetrolInjPlusControl), RF_INT(ExternalEmulator),
        RF_INT(Word1), RF_INT(Word2), RF_INT(Word3), RF_INT(Word4), RF_INT(Word5),
        RF_INT(Power), RF_INT(EngineCubicCapacity), RF_INT(WorkPress), RF_INT(IdleHotTb),
        RF_INT(IdleHotPcol), RF_INT(IdleHotRPM), RF_INT(GasTempSensorByte),
        RF_INT(GasTempSensorInFlow), RF_INT(NozzleSize), RF_INT(RedType), RF_INT(InjSystemType),
        RF_INT(Param13), RF_INT(Param14), RF_INT(Param15),
        RF_INT(EmulatorSwitchDelay), RF_INT(PostValveDelay), RF_INT(InjCounter1),
        RF_INT(InjCounter2), IntArray<&R::TroubleCodes>("TroubleCodes"), RF_INT(Param34),
        RF_INT(SwitchTempThresholdRaw), RF_INT(T), RF_INT(RPM), RF_INT(InjHW), RF_INT(InjSW),
        RF_INT(InjectorMask), RF_INT(FuelType), RF_INT(RPMsource), RF_INT(RPMSourceType),
        RF_INT(EngineType), RF_INT(InjType), RF_INT(ReserveType), RF_INT(LambdaType),
        RF_INT(InjTypeName), RF_INT(PW0), RF_INT(PW1), RF_INT(PW2), RF_INT(PW3),
        RF_INT_AS("0900", Level0900), RF_INT_AS("0901", Level0901),
        RF_INT_AS("0902", Level0902), RF_INT_AS("0903", Level0903), RF_INT(PanelLED),
        MapRowsField<&R::MapRows>("MapRows"), RF_INT(ModelRefTimeA), RF_INT(ModelRefTimeB),
        MapRowsField<&R::MapRows2>("MapRows2"),
        PointsField<&R::ModelPointsA>("ModelPointsA"), PointsField<&R::ModelPointsB>("ModelPointsB"),
        FloatField<&R::Offset>("Offset"), FloatField<&R::Mult>("Mult"),
        RF_INT(P1), RF_INT(P2), RF_INT(P3), RF_INT(P4),
        RF_INT(E1), RF_INT(E2), RF_INT(E3), RF_INT(E4),
        FloatField<&R::CorrectionOffset>("CorrectionOffset"),
        FloatField<&R::CorrectionMult>("CorrectionMult"),
        RF_INT(CorrectionMask), RF_INT(CMActive), RF_INT(CorrectionForIdle), RF_INT(MapCorrections),
        IntArray<&R::PsysCorrections>("PsysCorrections"),
        IntArray<&R::PcolCorrections>("PcolCorrections"),
        IntArray<&R::TgasCorrections>("TgasCorrections"),
        IntArray<&R::RpmCorrections>("RpmCorrections"),
        RF_INT(GasPressureRaw), RF_INT(ManifoldPressureRaw), RF_INT(ReducerTempRaw),
        RF_INT(GasTempRaw), RF_INT(SupplyVoltageRaw), RF_INT(LevelRaw), RF_INT(LambdaRaw),
        RF_INT(GasSwitchState), RF_INT(RpmPeriod),
        IntArray<&R::PetrolTime>("PetrolTime"), IntArray<&R::GasTime>("GasTime"),
        IntArray<&R::InjTestCounters>("InjTestCounters"),
        IntArray<&R::InjTestWords>("InjTestWords"), IntArray<&R::InjTestBytes>("InjTestBytes"),
        IntArray<&R::GasInjCorrTable>("GasInjCorrTable"), RF_INT(StatusBit05),
        {"AdaptBanks", TFieldType::I8, 200, &GetAdapt, &SetAdapt, nullptr, nullptr, nullptr,
         nullptr},
        RF_INT(Value64), RF_INT(MaxTbForLoad), RF_INT(MaxPcolForLoad),
        RF_INT(NextInspection), RF_INT(InspectionTimeDistRatio),
        RF_INT(AfterCutOffEmulSwitchDelay), RF_INT(OnCutOffDelay),
        RF_INT(MinGasInjectionTime), RF_INT(MaxGasInjectionTime),
        IntArray<&R::ModelDataExtra>("ModelDataExtra"),
        FloatArray<&R::NozzleTest>("NozzleTest"),
    };
}

#undef RF_INT
#undef RF_INT_AS

} // namespace

const std::vector<TRecordField> &RecordFields()
{
    static const std::vector<TRecordField> fields = BuildFields();
    return fields;
}

const TRecordField *FindRecordField(QStringView key)
{
    for (const TRecordField &field : RecordFields())
        if (key.compare(QLatin1String(field.Key), Qt::CaseInsensitive) == 0)
            return &field;
    return nullptr;
}
