// The device configuration record: the one in-memory image of the connected
// controller (identity, last live values, configuration, calibration model,
// correction curves, maps, trouble codes and recordings), and the parameter
// maps that tell which field a parameter id of the controller stores into.
//
// The record is a plain struct reached field by field; nothing reads or writes
// it by byte offset. Raw units: times in 1/187 ms, temperatures through the
// 256-entry temperature table, voltages raw x 5/256 V, pressures by sensor
// variant (see UnitConversions.h). Multi-byte values are held in host order.
//
// Field names that are not C++ identifiers are spelled with "_lt" for "<",
// "_gt" for ">", "_lt_Load" for "<&Load" and "Level09xx" for "09xx"; the
// table returned by RecordFields() maps the settings-file key (the name as the
// settings files spell it) to the member.
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <vector>

// One calibration point of a model point table, raw 1/187 ms on both axes.
struct TModelPoint {
    qint32 X = 0;
    qint32 Y = 0;

    bool operator==(const TModelPoint &) const = default;
};

// Answer of command 0x60: the load axis (ten bytes) and the RPM axis (ten words).
struct TCorrections60 {
    std::array<quint8, 10> LoadAxis{};
    std::array<quint16, 10> RpmAxis{};

    bool operator==(const TCorrections60 &) const = default;
};

// One entry of the computer-code history of command 0x54.
struct TComputerCodeEntry {
    quint32 Code = 0;      // computer code of the PC that changed the settings
    quint32 DateTime = 0;  // packed date and time of the change; 0 = empty entry

    bool operator==(const TComputerCodeEntry &) const = default;
};

struct TComputerCodes {
    std::array<TComputerCodeEntry, 5> Entries{};
    quint8 Newest = 0;     // index 0..4 of the newest entry (the answer's last byte)

    bool operator==(const TComputerCodes &) const = default;
};

// One freeze-frame history entry of command 0x58, in the order the answer
// carries it (answer bytes 3-22).
struct TFreezeRecord {
    quint8 Group = 0;         // trouble-code group - 1; 255 = empty entry
    quint8 Mask = 0;          // bit mask of the code within its group
    quint16 RpmPeriod = 0;    // engine period, raw 1/187 ms
    quint16 PetrolTime = 0;   // Tb raw
    quint16 GasTime = 0;      // Tg raw
    std::array<quint8, 10> Bytes{};  // Psys, Pcol, Tred, Tgas, supply voltage raw, five more
    quint16 GasWorkTime = 0;  // gas working time

    bool operator==(const TFreezeRecord &) const = default;
};

// Freeze-frame history: the history index and ten entries.
struct TDebugTroubleCodes {
    static constexpr int RecordCount = 10;
    quint8 Count = 0;  // history index: the newest entry is index - 1 (entry 9 when 0)
    std::array<TFreezeRecord, RecordCount> Records{};

    bool operator==(const TDebugTroubleCodes &) const = default;
};

// Values the live-value polling adds after each group read.
struct TConnectBytes {
    qint8 Bank1Correction = 0;  // low byte of index 40: current adaptation correction, bank 1 (%)
    qint8 Bank2Correction = 0;  // high byte of index 40: the same for bank 2
    quint8 EngineLoad = 0;      // low byte of index 41 (kind 48 from "G"): engine load in percent

    bool operator==(const TConnectBytes &) const = default;
};

// One decoded recording point: manifold pressure (bar), petrol time (ms), state (3 bits).
struct TRecordingPoint {
    double Pressure = 0.0;
    double Time = 0.0;
    quint8 State = 0;

    bool operator==(const TRecordingPoint &) const = default;
};

using TMapRow = std::array<quint16, 3>;
using TAdaptBank = std::array<std::array<qint8, 10>, 10>;

struct TDeviceRecord {
    static constexpr int ChannelCount = 8;    // injection channels of the live values
    static constexpr int MapRowCount = 40;
    static constexpr int ModelPointCount = 20;
    static constexpr int CorrectionPointCount = 20;
    static constexpr int RecordingSize = 128;

    // --- Identity and link state ---
    quint8 DeviceKind = 0;          // 20, 21 or 48; 0 when no controller is identified
    quint8 LinkState = 0;           // lock state; 0xF0 = unlocked and ready
    quint8 PressureSensorType = 0;  // pressure sensor variant, 1-based (8-bit id 28)
    quint8 AlwaysStartOnGas = 0;    // bit 0 of 8-bit id 29 on kinds 20 and 21
    QString CompTime;               // firmware build time text (block 0x02)
    QString CompDate;               // firmware build date text (block 0x02)
    QString Ver;                    // firmware version letter (identity page 0)
    quint8 IdentityPage1 = 0;       // hardware variant: 0 STD, 1 TUR, 2 PWR, 3 MUL, 4 UPD
    quint8 IdentityPage2 = 0;
    quint8 IdentityPage3 = 0;
    quint8 IdentityPage4 = 0;
    quint8 UsaVariant = 0;          // 1 for the "USA" variant
    quint8 IdentityPage5 = 0;
    quint8 IdentityPage6 = 0;       // 255 unless kind 48 from version "D"
    quint8 PetrolTimeMaxMask = 0;   // channels whose petrol time is at its maximum
    quint8 GasTimeMaxMask = 0;
    quint8 EmulatorSwitchBits = 0;
    quint8 ValveState = 0;
    quint8 BoardTempRaw = 0;        // raw temperature
    quint8 EngineLoad = 0;          // percent

    // --- Auto-calibration progress (command 0x21) ---
    quint8 AutoCalProgress = 0;
    quint8 AutoCalState = 0;        // 0..11
    quint8 AutoCalPhase = 0;        // 1 without load, 2 with load
    quint16 AutoCalStartTime = 0;   // raw time
    quint16 AutoCalCurrentTime = 0; // raw time
    quint16 AutoCalValueC = 0;
    quint16 AutoCalValueA = 0;
    quint16 AutoCalValueB = 0;
    quint16 AutoCalValueD = 0;
    quint8 AutoCalByte = 0;

    // --- Configuration flags and values ---
    quint8 NoSeqential = 0;                 // 8-bit id 7
    quint8 SemiGasControl = 0;              // 8-bit id 16
    quint8 MicroInjection = 0;              // 8-bit id 17
    quint8 HemiEngine = 0;                  // 8-bit id 18
    quint8 TuningMode = 0;                  // 8-bit id 21
    quint8 MasterMode = 0;                  // 8-bit id 27
    quint8 CAP_TIE_enable = 0;              // block 0xD8
    quint8 MicroInjectionTime = 0;          // 8-bit id 23
    quint8 MapRPMRange = 0;                 // 8-bit id 19
    quint8 Param24Flag = 0;                 // 8-bit id 24, bit 0
    quint8 Param25 = 0;                     // 8-bit ids 25 and 26
    quint8 ReturnToPetrolMask = 0;          // 8-bit id 31, whole byte
    quint8 RPM_lt = 0;                      // "RPM<"   bit 0
    quint8 RPM_gt = 0;                      // "RPM>"   bit 1
    quint8 LoadP_gt = 0;                    // "LoadP>" bit 2
    quint8 PreinjMode = 0;                  //          bit 3
    quint8 AlWorkOnGas = 0;                 //          bit 4
    quint8 RisingT = 0;                     //          bit 5
    quint8 AdaptationMode = 0;              //          bit 6
    quint8 Tgas_lt = 0;                     // "Tgas<"  bit 7
    quint8 ExtendedOptions = 0;             // 8-bit id 37, whole byte
    quint8 UseOnIdleModel = 0;              // bit 0
    quint8 Tred_lt_Load = 0;                // "Tred<&Load" bit 2
    quint8 RPMWireNotConnect = 0;           // bit 3
    quint8 FuelOverlap = 0;                 // bit 4
    quint8 GasInjHeating = 0;               // bit 5
    quint8 PreinjectionProcessDuringCutOff = 0;  // bit 6
    quint8 Tred_lt_Load_Tredval = 0;        // "Tred<&Load_Tredval", 8-bit id 38
    quint8 Tred_lt_Load_Lval = 0;           // "Tred<&Load_Lval", 8-bit id 39
    quint8 MinTredForGasInjHeating = 0;     // 8-bit id 42
    quint8 MinPressDuringCuttOffForPreinjections = 0;  // 8-bit id 44
    quint8 Tgas_lt_Load_Lval = 0;           // "Tgas<&Load_Lval", 8-bit id 43
    quint8 TgasCorType = 0;                 // 8-bit id 45
    quint8 RPMCorType = 0;                  // 8-bit id 46
    quint16 MaxTimeMixedFuel = 0;           // 16-bit id 16
    quint8 MaxCyclesMixedFuel = 0;          // 8-bit id 40
    quint8 Param41 = 0;                     // 8-bit id 41
    quint8 Tgas_lt_val = 0;                 // "Tgas<val", 8-bit id 35
    quint16 RPM_lt_val = 0;                 // "RPM<val", 16-bit id 11
    quint16 RPM_gt_val = 0;                 // "RPM>val", 16-bit id 12
    quint8 LoadP_gt_val = 0;                // "LoadP>val", 8-bit id 29 (kind 48)
    quint16 DeviceOptions = 0;              // 16-bit id 14
    quint8 MapType = 0;                     // 8-bit id 48
    quint16 MaxRpmForEnrichmentDuringCutOff = 0;   // 16-bit id 18
    quint16 InjTimeForEnrichmentDuringCutOff = 0;  // 16-bit id 19
    quint8 MazdaEnrichmentPercentage = 0;   // 8-bit id 49
    quint8 CutOffOptions = 0;               // 8-bit id 50, whole byte
    quint8 PreinjectionsDuringCutOffForLowRPMEnabled = 0;  // bit 0
    quint8 MazdaIgnitionTypeCorrEnabled = 0;               // bit 1
    quint8 ExtraOptions = 0;                // 8-bit id 52, whole byte
    quint8 FlashLubeSupportEnabled = 0;         // bit 0
    quint8 CutOffModeActivated = 0;             // bit 1
    quint8 AutoToGasOnControlPanelHidden = 0;   // bit 2
    quint8 SygnalizeDrivingOnPetrolEnabled = 0; // bit 3
    quint8 MinGasInjTimeEnabled = 0;            // bit 4
    quint8 MaxGasInjTimeEnabled = 0;            // bit 5
    quint8 CorrectionForIdleActive = 0;         // bit 6
    quint8 HotEngineStartOnGas = 0;             // bit 7 (kind 48 from "J")
    quint8 LowPT = 0;                       // 8-bit id 4
    quint8 LowPD = 0;                       // 8-bit id 3
    quint8 PetrolInjPlusControl = 0;        // 8-bit id 5
    quint8 ExternalEmulator = 0;            // 8-bit id 20
    // Kinds 20 and 21 hold one flag in bit 0 of ids 5, 20 and 29 (the fields
    // above and AlwaysStartOnGas): the whole bytes as read.
    quint8 PetrolInjPlusControlByte = 0;    // 8-bit id 5, whole byte
    quint8 ExternalEmulatorByte = 0;        // 8-bit id 20, whole byte
    quint8 AlwaysStartOnGasByte = 0;        // 8-bit id 29, whole byte
    quint16 Word1 = 0;                      // 16-bit ids 1..5
    quint16 Word2 = 0;
    quint16 Word3 = 0;
    quint16 Word4 = 0;
    quint16 Word5 = 0;
    quint16 Power = 0;                      // kW, 16-bit id 6
    quint16 EngineCubicCapacity = 0;        // cm3, 16-bit id 7
    quint8 WorkPress = 0;                   // 8-bit id 30
    quint16 IdleHotTb = 0;                  // raw 1/187 ms, 16-bit id 8
    quint8 IdleHotPcol = 0;                 // raw, 8-bit id 47
    quint16 IdleHotRPM = 0;                 // 16-bit id 17
    quint8 GasTempSensorByte = 0;           // 8-bit id 32, whole byte
    quint8 GasTempSensorInFlow = 0;         // bit 0 of it
    quint8 NozzleSize = 0;                  // 8-bit id 10
    quint8 RedType = 0;                     // 8-bit id 11
    quint8 InjSystemType = 0;               // 8-bit id 12
    quint8 Param13 = 0;                     // 8-bit ids 13..15
    quint8 Param14 = 0;
    quint8 Param15 = 0;
    quint16 EmulatorSwitchDelay = 0;        // 16-bit id 9
    quint16 PostValveDelay = 0;             // 16-bit id 10
    quint16 InjCounter1 = 0;                // command 0x3B, index 1
    quint16 InjCounter2 = 0;                // command 0x3B, index 2
    std::array<quint8, 16> TroubleCodes{};  // block 0x13
    quint8 Param34 = 0;                     // 8-bit id 34
    quint8 SwitchTempThresholdRaw = 0;      // block 0x0B, raw temperature
    quint8 T = 0;                           // switch-over reducer temperature code
    quint16 RPM = 0;                        // switch-over RPM (14 bits)
    quint8 InjHW = 0;                       // injector outputs of the hardware: 0, 4, 6, 8
    quint8 InjSW = 0;                       // configured cylinder count
    quint8 InjectorMask = 0;                // 2^count - 1
    quint8 FuelType = 0;                    // 0 LPG, 1 CNG
    quint8 RPMsource = 0;
    quint8 RPMSourceType = 0;               // 0 or 1, 8-bit id 8
    quint8 EngineType = 0;
    quint8 InjType = 0;                     // two bits
    quint8 ReserveType = 0;                 // gas level sensor type, 8-bit id 33
    quint8 LambdaType = 0;                  // 4 bits, 8-bit id 1
    quint8 InjTypeName = 0;                 // gas injector type code, 8-bit id 2
    quint8 PW0 = 0;                         // level sensor settings, first set (0x35/0x37)
    quint8 PW1 = 0;
    quint8 PW2 = 0;
    quint8 PW3 = 0;
    quint8 Level0900 = 0;                   // "0900".."0903": second set (0x36/0x38)
    quint8 Level0901 = 0;
    quint8 Level0902 = 0;
    quint8 Level0903 = 0;
    quint8 PanelLED = 0;                    // 8-bit id 22

    // --- Maps, model and corrections ---
    std::array<TMapRow, MapRowCount> MapRows{};   // command 0xDC; word 0 is the map point
    quint16 ModelRefTimeA = 0;                    // second two-point model, point 3 (raw)
    quint16 ModelRefTimeB = 0;                    // second two-point model, point 4 (raw)
    std::array<TMapRow, MapRowCount> MapRows2{};  // command 0xDD
    std::array<TModelPoint, ModelPointCount> ModelPointsA{};  // commands 0xD4/0xD5
    std::array<TModelPoint, ModelPointCount> ModelPointsB{};  // commands 0x95/0x96
    double Offset = 0.0;            // ms, model id 2
    double Mult = 0.0;              // factor, model id 1
    qint32 P1 = 0;                  // model ids 3..6, whole ms
    qint32 P2 = 0;
    qint32 P3 = 0;
    qint32 P4 = 0;
    qint32 E1 = 0;                  // model ids 7..10, percent
    qint32 E2 = 0;
    qint32 E3 = 0;
    qint32 E4 = 0;
    double CorrectionOffset = 0.0;  // ms, model id 12
    double CorrectionMult = 0.0;    // factor, model id 11
    quint8 CorrectionMask = 0;      // model id 13
    quint8 CMActive = 0;            // model id 74
    qint16 CorrectionForIdle = 0;   // model id 83
    quint8 MapCorrections = 0;      // model id 104
    std::array<qint8, CorrectionPointCount> PsysCorrections{};  // model ids 14..33
    std::array<qint8, CorrectionPointCount> PcolCorrections{};  // commands 0x97/0x98
    std::array<qint8, CorrectionPointCount> TgasCorrections{};  // model ids 34..53
    std::array<qint8, CorrectionPointCount> RpmCorrections{};   // model ids 54..73

    // --- Live values ---
    quint8 GasPressureRaw = 0;
    quint8 ManifoldPressureRaw = 0;
    quint8 ReducerTempRaw = 0;
    quint8 GasTempRaw = 0;
    quint8 SupplyVoltageRaw = 0;
    quint8 LevelRaw = 0;
    quint8 LambdaRaw = 0;
    quint8 GasSwitchState = 0;      // 0 off, 1-2 ignition, 3 petrol, 4 waiting, 5 gas
    quint16 RpmPeriod = 0;          // raw 1/187 ms
    std::array<quint32, ChannelCount> PetrolTime{};
    std::array<quint32, ChannelCount> GasTime{};
    std::array<quint32, ChannelCount> InjTestCounters{};  // command 0x90
    std::array<quint16, ChannelCount> InjTestWords{};     // command 0x91
    std::array<quint8, 3> InjTestBytes{};                 // command 0x91, bytes 18-20
    std::array<qint8, ChannelCount> GasInjCorrTable{};    // commands 0x93/0x94
    quint8 StatusBit05 = 0;
    TCorrections60 Corrections60;
    std::array<TAdaptBank, 2> AdaptBanks{};   // OBD adaptation corrections, banks 1 and 2
    quint8 Value64 = 0;
    quint16 MaxTbForLoad = 0;                 // 16-bit id 22
    quint8 MaxPcolForLoad = 0;                // 8-bit id 53
    TComputerCodes ComputerCodes;
    quint16 NextInspection = 0;               // 16-bit id 23
    quint8 InspectionTimeDistRatio = 0;
    quint16 AfterCutOffEmulSwitchDelay = 0;   // 16-bit id 24
    quint16 OnCutOffDelay = 0;                // 16-bit id 25
    quint16 MinGasInjectionTime = 0;          // 16-bit id 20
    quint16 MaxGasInjectionTime = 0;          // 16-bit id 21
    TDebugTroubleCodes DebugTroubleCodes;
    TConnectBytes ConnectBytes;
    std::array<quint8, 4> ModelDataExtra{};   // the four further bytes of command 0xD9
    std::array<double, 4> NozzleTest{};       // ms, commands 0xC0/0xC1
    std::array<TRecordingPoint, RecordingSize> Recording1{};
    std::array<TRecordingPoint, RecordingSize> Recording2{};

    // Resets every field to zero (texts to empty).
    void Clear();

    bool operator==(const TDeviceRecord &) const = default;
};

// The one record of the program, zero-filled at start; it lives for the whole run.
extern TDeviceRecord DeviceRecord;

// True when the record shows a kind-48 device whose upper-cased version text
// compares as a string at least equal to the upper-cased letter.
bool RecordIsKind48AtLeast(const TDeviceRecord &rec, QStringView letter);

// Whether the record's device holds a pressure sensor type of its own: a
// kind-20 device has one only in its hardware variants 0 to 2 (identity page
// 1), where it follows the variant; kinds 21 and 48 always hold one.
bool RecordHoldsPressureSensorType(const TDeviceRecord &rec);

// --- Parameter maps ---
//
// Store: puts a value read from the device into the field of the id, with the
// id's mask and its rule by device kind and version (taken from the record's
// DeviceKind and Ver). Returns true when the id has a field; ids without one
// store nothing and return false.
//
// Value: gives the value to send for the id, taken from the record by the same
// rules. Returns false (value untouched) for ids without a rule.

// 8-bit ids of commands 0x07 (read) and 0x08 (write); stored ids are 1..53.
bool StoreParameter8(TDeviceRecord &rec, int id, quint8 value);
bool Parameter8Value(const TDeviceRecord &rec, int id, quint8 &value);
// A byte of flags as it goes to the device: the fields' bits, and the bits
// no field holds as the device holds them (read with the configuration).
// The record takes it once the device took it (TDataManager's write).
[[nodiscard]] quint8 FlagsByteToWrite(const TDeviceRecord &rec, int id);

// 16-bit ids of commands 0x51 (read) and 0x52 (write); stored ids are 1..25
// except 13 and 15.
bool StoreParameter16(TDeviceRecord &rec, int id, quint16 value);
bool Parameter16Value(const TDeviceRecord &rec, int id, quint16 &value);

// Model ids of commands 0x12 (read) and 0x16 (write), also used for the 0x10
// block (ids 1..10). raw is the 16-bit device value; ids 2 and 12 and 83 are
// signed (two's complement).
bool StoreModelParameter(TDeviceRecord &rec, int id, quint16 raw);
bool ModelParameterValue(const TDeviceRecord &rec, int id, quint16 &raw);

// --- Field table for the settings files ---
//
// One row per field that a settings file can carry, keyed by the field's
// name as the settings files spell it ("RPM<", "Tred<&Load", "0900", ...).
// Arrays have Length > 1 and are reached element by element: nested arrays
// are flattened row-major (MapRows: row * 3 + word; ModelPointsA/B: point * 2,
// + 0 for x and + 1 for y; AdaptBanks: bank * 100 + row * 10 + column).
enum class TFieldType { U8, I8, U16, I16, U32, I32, F64, Text };

struct TRecordField {
    const char *Key;
    TFieldType Type;
    int Length;
    // Integer fields: the value widened to 64 bits (signed fields sign-extended).
    qint64 (*GetInt)(const TDeviceRecord &rec, int index);
    // Integer fields: stores the low 8, 16 or 32 bits of the value.
    void (*SetInt)(TDeviceRecord &rec, int index, qint64 value);
    // F64 fields.
    double (*GetFloat)(const TDeviceRecord &rec, int index);
    void (*SetFloat)(TDeviceRecord &rec, int index, double value);
    // Text fields.
    QString (*GetText)(const TDeviceRecord &rec);
    void (*SetText)(TDeviceRecord &rec, const QString &value);
};

const std::vector<TRecordField> &RecordFields();
// The row of a key, compared without regard to case; nullptr when unknown.
const TRecordField *FindRecordField(QStringView key);
