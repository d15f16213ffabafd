#include "core/DeviceRecord.h"

#include <gtest/gtest.h>

#include <QSet>

#include <cmath>

namespace {

using U8 = quint8 TDeviceRecord::*;
using U16 = quint16 TDeviceRecord::*;

class DeviceRecordTest : public ::testing::Test
{
protected:
    void SetUp() override { rec.Clear(); }
    TDeviceRecord rec;
    const TDeviceRecord empty{};
};

// Ids whose byte lands in one field after a mask.
struct PlainCase {
    int id;
    U8 field;
    quint8 mask;
};

const PlainCase PlainCases[] = {
    {1, &TDeviceRecord::LambdaType, 0x0F}, {2, &TDeviceRecord::InjTypeName, 0xFF},
    {3, &TDeviceRecord::LowPD, 0xFF}, {4, &TDeviceRecord::LowPT, 0xFF},
    {5, &TDeviceRecord::PetrolInjPlusControl, 1}, {7, &TDeviceRecord::NoSeqential, 1},
    {8, &TDeviceRecord::RPMSourceType, 1}, {10, &TDeviceRecord::NozzleSize, 0xFF},
    {11, &TDeviceRecord::RedType, 0xFF}, {12, &TDeviceRecord::InjSystemType, 0xFF},
    {13, &TDeviceRecord::Param13, 0xFF}, {14, &TDeviceRecord::Param14, 0xFF},
    {15, &TDeviceRecord::Param15, 0xFF}, {16, &TDeviceRecord::SemiGasControl, 1},
    {17, &TDeviceRecord::MicroInjection, 1}, {18, &TDeviceRecord::HemiEngine, 1},
    {19, &TDeviceRecord::MapRPMRange, 0xFF}, {20, &TDeviceRecord::ExternalEmulator, 1},
    {21, &TDeviceRecord::TuningMode, 1}, {22, &TDeviceRecord::PanelLED, 1},
    {23, &TDeviceRecord::MicroInjectionTime, 0xFF}, {24, &TDeviceRecord::Param24Flag, 1},
    {25, &TDeviceRecord::Param25, 0xFF}, {26, &TDeviceRecord::Param25, 0xFF},
    {27, &TDeviceRecord::MasterMode, 1}, {30, &TDeviceRecord::WorkPress, 0xFF},
    {33, &TDeviceRecord::ReserveType, 0xFF}, {34, &TDeviceRecord::Param34, 0xFF},
    {35, &TDeviceRecord::Tgas_lt_val, 0xFF}, {38, &TDeviceRecord::Tred_lt_Load_Tredval, 0xFF},
    {39, &TDeviceRecord::Tred_lt_Load_Lval, 0xFF}, {40, &TDeviceRecord::MaxCyclesMixedFuel, 0xFF},
    {41, &TDeviceRecord::Param41, 0xFF}, {42, &TDeviceRecord::MinTredForGasInjHeating, 0xFF},
    {43, &TDeviceRecord::Tgas_lt_Load_Lval, 0xFF},
    {44, &TDeviceRecord::MinPressDuringCuttOffForPreinjections, 0xFF},
    {45, &TDeviceRecord::TgasCorType, 0xFF}, {46, &TDeviceRecord::RPMCorType, 0xFF},
    {47, &TDeviceRecord::IdleHotPcol, 0xFF}, {48, &TDeviceRecord::MapType, 0xFF},
    {49, &TDeviceRecord::MazdaEnrichmentPercentage, 0xFF},
    {53, &TDeviceRecord::MaxPcolForLoad, 0xFF},
};

// Ids without a rule neither store nor give a value to send.
template <typename V>
void ExpectIdsWithoutRule(TDeviceRecord &rec, std::initializer_list<int> ids,
                          bool (*store)(TDeviceRecord &, int, V),
                          bool (*value)(const TDeviceRecord &, int, V &))
{
    const TDeviceRecord before = rec;
    for (int id : ids) {
        EXPECT_FALSE(store(rec, id, V(0xFFFF))) << "id " << id;
        V v = 77;
        EXPECT_FALSE(value(rec, id, v)) << "id " << id;
        EXPECT_EQ(v, 77) << "id " << id;
    }
    EXPECT_EQ(rec, before);
}

} // namespace

TEST_F(DeviceRecordTest, StartsZeroFilledAndClearResetsEveryField)
{
    EXPECT_EQ(DeviceRecord, empty);
    rec.DeviceKind = 48;
    rec.Ver = "J";
    rec.Mult = 1.5;
    rec.MapRows[39][2] = 7;
    rec.AdaptBanks[1][9][9] = -3;
    rec.Recording2[127].State = 5;
    rec.DebugTroubleCodes.Records[9].GasWorkTime = 99;
    rec.ComputerCodes.Entries[4].Code = 1;
    ASSERT_FALSE(rec == empty);
    rec.Clear();
    EXPECT_EQ(rec, empty);
    EXPECT_TRUE(rec.Ver.isEmpty());
}

TEST_F(DeviceRecordTest, EightBitIdsStoreIntoTheirFieldWithTheirMask)
{
    for (const PlainCase &c : PlainCases) {
        for (int value : {0xFF, 0x5A, 0x01}) {
            rec.Clear();
            ASSERT_TRUE(StoreParameter8(rec, c.id, quint8(value))) << "id " << c.id;
            TDeviceRecord expected;
            expected.*c.field = quint8(value) & c.mask;
            EXPECT_EQ(rec, expected) << "id " << c.id << " value " << value;
        }
    }
}

TEST_F(DeviceRecordTest, UnlistedEightBitIdsStoreNothing)
{
    rec.DeviceKind = 48;
    rec.Ver = "J";
    ExpectIdsWithoutRule<quint8>(rec, {-1, 0, 6, 9, 36, 51, 54, 55, 100, 255, 1000},
                                 &StoreParameter8, &Parameter8Value);
}

TEST_F(DeviceRecordTest, PressureSensorTypeFollowsTheDeviceKind)
{
    rec.DeviceKind = 21;
    EXPECT_TRUE(StoreParameter8(rec, 28, 3));
    EXPECT_EQ(rec.PressureSensorType, 3);
    rec.DeviceKind = 48;
    EXPECT_TRUE(StoreParameter8(rec, 28, 4));
    EXPECT_EQ(rec.PressureSensorType, 4);

    // Kind 20: the hardware variant decides, the value is not used.
    rec.DeviceKind = 20;
    rec.PressureSensorType = 7;
    rec.IdentityPage1 = 1;
    StoreParameter8(rec, 28, 9);
    EXPECT_EQ(rec.PressureSensorType, 2);
    rec.IdentityPage1 = 2;
    rec.PressureSensorType = 7;
    StoreParameter8(rec, 28, 9);
    EXPECT_EQ(rec.PressureSensorType, 2);
    rec.IdentityPage1 = 0;
    StoreParameter8(rec, 28, 9);
    EXPECT_EQ(rec.PressureSensorType, 1);
    rec.IdentityPage1 = 3;
    rec.PressureSensorType = 7;
    StoreParameter8(rec, 28, 9);
    EXPECT_EQ(rec.PressureSensorType, 7);
}

TEST_F(DeviceRecordTest, IdTwentyNineByKind)
{
    for (int kind : {20, 21}) {
        rec.Clear();
        rec.DeviceKind = quint8(kind);
        rec.LoadP_gt_val = 90;
        EXPECT_TRUE(StoreParameter8(rec, 29, 1));
        EXPECT_EQ(rec.AlwaysStartOnGas, 1);
        EXPECT_EQ(rec.LoadP_gt_val, 90);
        quint8 v = 0;
        rec.AlwaysStartOnGas = 0;
        EXPECT_TRUE(Parameter8Value(rec, 29, v));
        EXPECT_EQ(v, 0);
    }
    rec.Clear();
    rec.DeviceKind = 48;
    EXPECT_TRUE(StoreParameter8(rec, 29, 85));
    EXPECT_EQ(rec.LoadP_gt_val, 85);
    EXPECT_EQ(rec.AlwaysStartOnGas, 0);
    quint8 v = 0;
    EXPECT_TRUE(Parameter8Value(rec, 29, v));
    EXPECT_EQ(v, 85);
}

TEST_F(DeviceRecordTest, ReturnToPetrolByteIsStoredWholeAndBitByBit)
{
    EXPECT_TRUE(StoreParameter8(rec, 31, 0x81));
    TDeviceRecord expected;
    expected.ReturnToPetrolMask = 0x81;
    expected.RPM_lt = 1;
    expected.Tgas_lt = 1;
    EXPECT_EQ(rec, expected);

    StoreParameter8(rec, 31, 0x7E);
    EXPECT_EQ(rec.RPM_lt, 0);
    EXPECT_EQ(rec.RPM_gt, 1);
    EXPECT_EQ(rec.LoadP_gt, 1);
    EXPECT_EQ(rec.PreinjMode, 1);
    EXPECT_EQ(rec.AlWorkOnGas, 1);
    EXPECT_EQ(rec.RisingT, 1);
    EXPECT_EQ(rec.AdaptationMode, 1);
    EXPECT_EQ(rec.Tgas_lt, 0);
}

TEST_F(DeviceRecordTest, ExtendedOptionsAndTheirBits)
{
    rec.DeviceKind = 48;
    rec.Ver = "c";  // compared upper-cased
    EXPECT_TRUE(StoreParameter8(rec, 37, 0x7D));  // bits 0, 2, 3, 4, 5, 6
    EXPECT_EQ(rec.ExtendedOptions, 0x7D);
    EXPECT_EQ(rec.UseOnIdleModel, 1);
    EXPECT_EQ(rec.Tred_lt_Load, 1);
    EXPECT_EQ(rec.RPMWireNotConnect, 1);
    EXPECT_EQ(rec.FuelOverlap, 1);
    EXPECT_EQ(rec.GasInjHeating, 1);
    EXPECT_EQ(rec.PreinjectionProcessDuringCutOff, 1);
    // From "C" on the idle model's switch is the device's bit 0, both ways.
    StoreParameter8(rec, 37, 0x7C);
    EXPECT_EQ(rec.UseOnIdleModel, 0);
    rec.UseOnIdleModel = 1;
    quint8 sent = 0;
    EXPECT_TRUE(Parameter8Value(rec, 37, sent));
    EXPECT_EQ(sent, 0x7D);

    // Below "C" a kind-48 device uses the idle model: its bit, and the bits
    // no field holds, go back as the device holds them.
    rec.Ver = "B";
    StoreParameter8(rec, 37, 0xFE);
    EXPECT_EQ(rec.ExtendedOptions, 0xFE);
    EXPECT_EQ(rec.UseOnIdleModel, 1);
    EXPECT_EQ(rec.Tred_lt_Load, 1);
    EXPECT_EQ(rec.PreinjectionProcessDuringCutOff, 1);
    quint8 back = 0;
    EXPECT_TRUE(Parameter8Value(rec, 37, back));
    EXPECT_EQ(back, 0xFE);
    rec.Tred_lt_Load = 0;
    EXPECT_TRUE(Parameter8Value(rec, 37, back));
    EXPECT_EQ(back, 0xFA);

    // Kinds 20 and 21 take the byte as read.
    rec.DeviceKind = 20;
    StoreParameter8(rec, 37, 0x08);
    EXPECT_EQ(rec.ExtendedOptions, 0x08);
    EXPECT_EQ(rec.RPMWireNotConnect, 1);
    EXPECT_EQ(rec.UseOnIdleModel, 0);
}

TEST_F(DeviceRecordTest, ExtraOptionsBitSevenOnlyFromVersionJ)
{
    rec.DeviceKind = 48;
    rec.Ver = "I";
    StoreParameter8(rec, 52, 0xFF);
    EXPECT_EQ(rec.ExtraOptions, 0xFF);
    EXPECT_EQ(rec.HotEngineStartOnGas, 0);
    EXPECT_EQ(rec.FlashLubeSupportEnabled, 1);
    EXPECT_EQ(rec.CutOffModeActivated, 1);
    EXPECT_EQ(rec.AutoToGasOnControlPanelHidden, 1);
    EXPECT_EQ(rec.SygnalizeDrivingOnPetrolEnabled, 1);
    EXPECT_EQ(rec.MinGasInjTimeEnabled, 1);
    EXPECT_EQ(rec.MaxGasInjTimeEnabled, 1);
    EXPECT_EQ(rec.CorrectionForIdleActive, 1);
    rec.Ver = "J";
    StoreParameter8(rec, 52, 0x80);
    EXPECT_EQ(rec.HotEngineStartOnGas, 1);
    EXPECT_EQ(rec.FlashLubeSupportEnabled, 0);
    rec.DeviceKind = 21;
    StoreParameter8(rec, 52, 0x80);
    EXPECT_EQ(rec.HotEngineStartOnGas, 0);
}

TEST_F(DeviceRecordTest, CutOffOptionsAndGasTemperatureSensorByte)
{
    StoreParameter8(rec, 50, 0xFE);
    EXPECT_EQ(rec.CutOffOptions, 0xFE);
    EXPECT_EQ(rec.PreinjectionsDuringCutOffForLowRPMEnabled, 0);
    EXPECT_EQ(rec.MazdaIgnitionTypeCorrEnabled, 1);
    StoreParameter8(rec, 32, 0x03);
    EXPECT_EQ(rec.GasTempSensorByte, 3);
    EXPECT_EQ(rec.GasTempSensorInFlow, 1);
}

TEST_F(DeviceRecordTest, EightBitValuesToSend)
{
    quint8 v = 0;
    rec.LambdaType = 20;  // more than its four bits
    ASSERT_TRUE(Parameter8Value(rec, 1, v));
    EXPECT_EQ(v, 15);
    rec.NoSeqential = 5;
    ASSERT_TRUE(Parameter8Value(rec, 7, v));
    EXPECT_EQ(v, 1);
    rec.WorkPress = 104;
    ASSERT_TRUE(Parameter8Value(rec, 30, v));
    EXPECT_EQ(v, 104);
    rec.PressureSensorType = 2;
    ASSERT_TRUE(Parameter8Value(rec, 28, v));
    EXPECT_EQ(v, 2);

    // Packed bytes: the bit fields decide their bits; bits without a field
    // keep what the whole byte holds.
    rec.ReturnToPetrolMask = 0x00;
    rec.AdaptationMode = 1;
    rec.RPM_gt = 1;
    ASSERT_TRUE(Parameter8Value(rec, 31, v));
    EXPECT_EQ(v, 0x42);
    rec.ExtendedOptions = 0x83;  // bits 1 and 7 have no field
    rec.UseOnIdleModel = 0;
    rec.GasInjHeating = 1;
    ASSERT_TRUE(Parameter8Value(rec, 37, v));
    EXPECT_EQ(v, 0x82 | 0x20);
    rec.CutOffOptions = 0xF0;
    rec.PreinjectionsDuringCutOffForLowRPMEnabled = 1;
    ASSERT_TRUE(Parameter8Value(rec, 50, v));
    EXPECT_EQ(v, 0xF1);
    rec.GasTempSensorByte = 0x02;
    rec.GasTempSensorInFlow = 1;
    ASSERT_TRUE(Parameter8Value(rec, 32, v));
    EXPECT_EQ(v, 0x03);

    // Bit 7 of id 52 follows its field only on kind 48 from "J".
    rec.DeviceKind = 48;
    rec.Ver = "G";
    rec.ExtraOptions = 0x80;
    rec.HotEngineStartOnGas = 0;
    rec.CutOffModeActivated = 1;
    ASSERT_TRUE(Parameter8Value(rec, 52, v));
    EXPECT_EQ(v, 0x82);
    rec.Ver = "J";
    ASSERT_TRUE(Parameter8Value(rec, 52, v));
    EXPECT_EQ(v, 0x02);

    // Store then send gives the device's byte back for every listed id.
    rec.Clear();
    rec.DeviceKind = 48;
    rec.Ver = "J";
    for (int id = 1; id <= 53; ++id) {
        if (!StoreParameter8(rec, id, 0x35))
            continue;
        ASSERT_TRUE(Parameter8Value(rec, id, v)) << id;
        quint8 expected = 0x35;
        for (const PlainCase &c : PlainCases)
            if (c.id == id)
                expected &= c.mask;
        EXPECT_EQ(v, expected) << id;
    }
}

TEST_F(DeviceRecordTest, SixteenBitIdsStoreIntoTheirField)
{
    const std::pair<int, U16> cases[] = {
        {1, &TDeviceRecord::Word1}, {2, &TDeviceRecord::Word2}, {3, &TDeviceRecord::Word3},
        {4, &TDeviceRecord::Word4}, {5, &TDeviceRecord::Word5}, {6, &TDeviceRecord::Power},
        {7, &TDeviceRecord::EngineCubicCapacity}, {8, &TDeviceRecord::IdleHotTb},
        {9, &TDeviceRecord::EmulatorSwitchDelay}, {10, &TDeviceRecord::PostValveDelay},
        {11, &TDeviceRecord::RPM_lt_val}, {12, &TDeviceRecord::RPM_gt_val},
        {14, &TDeviceRecord::DeviceOptions}, {16, &TDeviceRecord::MaxTimeMixedFuel},
        {17, &TDeviceRecord::IdleHotRPM}, {18, &TDeviceRecord::MaxRpmForEnrichmentDuringCutOff},
        {19, &TDeviceRecord::InjTimeForEnrichmentDuringCutOff},
        {20, &TDeviceRecord::MinGasInjectionTime}, {21, &TDeviceRecord::MaxGasInjectionTime},
        {22, &TDeviceRecord::MaxTbForLoad}, {23, &TDeviceRecord::NextInspection},
        {24, &TDeviceRecord::AfterCutOffEmulSwitchDelay}, {25, &TDeviceRecord::OnCutOffDelay},
    };
    for (const auto &[id, field] : cases) {
        rec.Clear();
        ASSERT_TRUE(StoreParameter16(rec, id, 0xBEEF)) << id;
        TDeviceRecord expected;
        expected.*field = 0xBEEF;
        EXPECT_EQ(rec, expected) << id;
        quint16 v = 0;
        ASSERT_TRUE(Parameter16Value(rec, id, v));
        EXPECT_EQ(v, 0xBEEF);
    }
    rec.Clear();
    ExpectIdsWithoutRule<quint16>(rec, {-1, 0, 13, 15, 26, 40, 255}, &StoreParameter16,
                                  &Parameter16Value);
}

TEST_F(DeviceRecordTest, ModelIdsConvertBothWays)
{
    quint16 raw = 0;
    // id 1: 1280 / 1024 = 1.25; back 1.25 x 1024 = 1280.
    ASSERT_TRUE(StoreModelParameter(rec, 1, 1280));
    EXPECT_DOUBLE_EQ(rec.Mult, 1.25);
    ASSERT_TRUE(ModelParameterValue(rec, 1, raw));
    EXPECT_EQ(raw, 1280);
    // id 2 is signed: 0xFFA2 = -94; -94 / 187 = -0.50267 ms.
    ASSERT_TRUE(StoreModelParameter(rec, 2, 0xFFA2));
    EXPECT_DOUBLE_EQ(rec.Offset, -94 / 187.0);
    ASSERT_TRUE(ModelParameterValue(rec, 2, raw));
    EXPECT_EQ(raw, 0xFFA2);
    // -0.5 ms x 187 = -93.5 -> even neighbour -94 -> 0xFFA2.
    rec.Offset = -0.5;
    ModelParameterValue(rec, 2, raw);
    EXPECT_EQ(raw, 0xFFA2);
    rec.Offset = 2.0;
    ModelParameterValue(rec, 2, raw);
    EXPECT_EQ(raw, 374);
    // ids 11 and 12 as 1 and 2.
    StoreModelParameter(rec, 11, 512);
    EXPECT_DOUBLE_EQ(rec.CorrectionMult, 0.5);
    StoreModelParameter(rec, 12, 0xFF45);  // -187
    EXPECT_DOUBLE_EQ(rec.CorrectionOffset, -1.0);
    ModelParameterValue(rec, 12, raw);
    EXPECT_EQ(raw, 0xFF45);
    // ids 3-6: nearest whole ms; 935 / 187 = 5, 1028 / 187 = 5.497 -> 5, 1029 -> 5.503 -> 6.
    StoreModelParameter(rec, 3, 935);
    StoreModelParameter(rec, 4, 1028);
    StoreModelParameter(rec, 5, 1029);
    StoreModelParameter(rec, 6, 3740);
    EXPECT_EQ(rec.P1, 5);
    EXPECT_EQ(rec.P2, 5);
    EXPECT_EQ(rec.P3, 6);
    EXPECT_EQ(rec.P4, 20);
    ModelParameterValue(rec, 4, raw);
    EXPECT_EQ(raw, 935);
    // ids 7-10: (4506 / 4096 - 1) x 100 = 10.01 -> 10; back (0.1 + 1) x 4096 = 4505.6 -> 4506.
    StoreModelParameter(rec, 7, 4506);
    StoreModelParameter(rec, 10, 2048);  // -50 %
    EXPECT_EQ(rec.E1, 10);
    EXPECT_EQ(rec.E4, -50);
    ModelParameterValue(rec, 7, raw);
    EXPECT_EQ(raw, 4506);
    ModelParameterValue(rec, 10, raw);
    EXPECT_EQ(raw, 2048);
    // Single bytes.
    StoreModelParameter(rec, 13, 0x1234);
    StoreModelParameter(rec, 74, 0x0009);
    StoreModelParameter(rec, 104, 0xAB05);
    EXPECT_EQ(rec.CorrectionMask, 0x34);
    EXPECT_EQ(rec.CMActive, 9);
    EXPECT_EQ(rec.MapCorrections, 5);
    // id 83 signed 16 bits.
    StoreModelParameter(rec, 83, 0xFFF6);
    EXPECT_EQ(rec.CorrectionForIdle, -10);
    ModelParameterValue(rec, 83, raw);
    EXPECT_EQ(raw, 0xFFF6);
}

TEST_F(DeviceRecordTest, ModelCorrectionPointsAreSignedBytes)
{
    quint16 raw = 0;
    StoreModelParameter(rec, 14, 0x00FD);
    StoreModelParameter(rec, 33, 0x0011);
    StoreModelParameter(rec, 34, 0x0080);
    StoreModelParameter(rec, 53, 0x007F);
    StoreModelParameter(rec, 54, 0x00FF);
    StoreModelParameter(rec, 73, 0x0005);
    EXPECT_EQ(rec.PsysCorrections[0], -3);
    EXPECT_EQ(rec.PsysCorrections[19], 17);
    EXPECT_EQ(rec.TgasCorrections[0], -128);
    EXPECT_EQ(rec.TgasCorrections[19], 127);
    EXPECT_EQ(rec.RpmCorrections[0], -1);
    EXPECT_EQ(rec.RpmCorrections[19], 5);
    ModelParameterValue(rec, 14, raw);
    EXPECT_EQ(raw, 0xFFFD);  // a negative point sends 0xFF as high byte
    ModelParameterValue(rec, 33, raw);
    EXPECT_EQ(raw, 0x0011);
    ModelParameterValue(rec, 54, raw);
    EXPECT_EQ(raw, 0xFFFF);
    EXPECT_EQ(rec.PcolCorrections, empty.PcolCorrections);
}

TEST_F(DeviceRecordTest, ModelValuesBeyondTheWordAreLimited)
{
    quint16 raw = 0;
    rec.Mult = 100.0;  // 102400 does not fit
    ModelParameterValue(rec, 1, raw);
    EXPECT_EQ(raw, 0xFFFF);
    rec.Mult = -1.0;
    ModelParameterValue(rec, 1, raw);
    EXPECT_EQ(raw, 0);
    rec.Offset = 1000.0;  // 187000 beyond the signed word
    ModelParameterValue(rec, 2, raw);
    EXPECT_EQ(raw, 0x7FFF);
    rec.Offset = -1000.0;
    ModelParameterValue(rec, 2, raw);
    EXPECT_EQ(raw, 0x8000);
    rec.P1 = 400;  // 74800
    ModelParameterValue(rec, 3, raw);
    EXPECT_EQ(raw, 0xFFFF);
    rec.E1 = 2000;  // 21 x 4096
    ModelParameterValue(rec, 7, raw);
    EXPECT_EQ(raw, 0xFFFF);
    rec.E1 = -200;
    ModelParameterValue(rec, 7, raw);
    EXPECT_EQ(raw, 0);
}

TEST_F(DeviceRecordTest, ModelIdsWithoutRuleStoreAndSendNothing)
{
    ExpectIdsWithoutRule<quint16>(rec, {-1, 0, 75, 80, 82, 84, 100, 103, 105, 200},
                                  &StoreModelParameter, &ModelParameterValue);
}

TEST_F(DeviceRecordTest, VersionTestIsForKind48Only)
{
    rec.DeviceKind = 48;
    rec.Ver = "g";
    EXPECT_TRUE(RecordIsKind48AtLeast(rec, u"G"));
    EXPECT_TRUE(RecordIsKind48AtLeast(rec, u"d"));
    EXPECT_FALSE(RecordIsKind48AtLeast(rec, u"H"));
    rec.Ver.clear();
    EXPECT_FALSE(RecordIsKind48AtLeast(rec, u"A"));
    rec.DeviceKind = 21;
    rec.Ver = "Z";
    EXPECT_FALSE(RecordIsKind48AtLeast(rec, u"A"));
}

TEST_F(DeviceRecordTest, FieldTableReachesEveryMemberByItsKey)
{
    QSet<QString> keys;
    for (const TRecordField &f : RecordFields()) {
        EXPECT_FALSE(keys.contains(QString::fromLatin1(f.Key).toLower())) << f.Key;
        keys.insert(QString::fromLatin1(f.Key).toLower());
        EXPECT_EQ(FindRecordField(QString::fromLatin1(f.Key).toUpper()), &f) << f.Key;
        EXPECT_GE(f.Length, 1);
        if (f.Type == TFieldType::Text)
            EXPECT_TRUE(f.GetText && f.SetText) << f.Key;
        else if (f.Type == TFieldType::F64)
            EXPECT_TRUE(f.GetFloat && f.SetFloat) << f.Key;
        else
            EXPECT_TRUE(f.GetInt && f.SetInt) << f.Key;
    }
    EXPECT_EQ(FindRecordField(u"NoSuchKey"), nullptr);

    const std::pair<const char *, U8> named[] = {
        {"RPM<", &TDeviceRecord::RPM_lt}, {"RPM>", &TDeviceRecord::RPM_gt},
        {"LoadP>", &TDeviceRecord::LoadP_gt}, {"Tgas<", &TDeviceRecord::Tgas_lt},
        {"Tred<&Load", &TDeviceRecord::Tred_lt_Load},
        {"Tred<&Load_Tredval", &TDeviceRecord::Tred_lt_Load_Tredval},
        {"Tred<&Load_Lval", &TDeviceRecord::Tred_lt_Load_Lval},
        {"Tgas<&Load_Lval", &TDeviceRecord::Tgas_lt_Load_Lval},
        {"Tgas<val", &TDeviceRecord::Tgas_lt_val}, {"LoadP>val", &TDeviceRecord::LoadP_gt_val},
        {"0900", &TDeviceRecord::Level0900}, {"0903", &TDeviceRecord::Level0903},
        {"PW2", &TDeviceRecord::PW2}, {"CAP_TIE_enable", &TDeviceRecord::CAP_TIE_enable},
    };
    for (const auto &[key, member] : named) {
        rec.Clear();
        const TRecordField *f = FindRecordField(QString::fromLatin1(key));
        ASSERT_NE(f, nullptr) << key;
        EXPECT_EQ(f->Type, TFieldType::U8);
        f->SetInt(rec, 0, 0x2C);
        TDeviceRecord expected;
        expected.*member = 0x2C;
        EXPECT_EQ(rec, expected) << key;
        EXPECT_EQ(f->GetInt(rec, 0), 0x2C);
    }
    rec.Clear();
    const TRecordField *rpmLt = FindRecordField(u"rpm<VAL");
    ASSERT_NE(rpmLt, nullptr);
    EXPECT_EQ(rpmLt->Type, TFieldType::U16);
    rpmLt->SetInt(rec, 0, 400);
    EXPECT_EQ(rec.RPM_lt_val, 400);
}

TEST_F(DeviceRecordTest, FieldTableTypesArraysAndNarrowing)
{
    const TRecordField *pw0 = FindRecordField(u"PW0");
    pw0->SetInt(rec, 0, 300);  // a settings value keeps its low 8 bits
    EXPECT_EQ(rec.PW0, 44);

    const TRecordField *cfi = FindRecordField(u"CorrectionForIdle");
    EXPECT_EQ(cfi->Type, TFieldType::I16);
    cfi->SetInt(rec, 0, -5);
    EXPECT_EQ(cfi->GetInt(rec, 0), -5);

    const TRecordField *rows = FindRecordField(u"MapRows");
    EXPECT_EQ(rows->Length, 120);
    rows->SetInt(rec, 5, 0x8123);  // row 1, word 2
    EXPECT_EQ(rec.MapRows[1][2], 0x8123);
    rows->SetInt(rec, 120, 1);     // beyond the table: nothing
    rows->SetInt(rec, -1, 1);
    EXPECT_EQ(rows->GetInt(rec, 120), 0);
    EXPECT_EQ(rec.MapRows2, empty.MapRows2);

    const TRecordField *points = FindRecordField(u"ModelPointsB");
    EXPECT_EQ(points->Length, 40);
    points->SetInt(rec, 3, 1234);  // point 1, y
    EXPECT_EQ(rec.ModelPointsB[1].Y, 1234);
    EXPECT_EQ(rec.ModelPointsB[1].X, 0);

    const TRecordField *banks = FindRecordField(u"AdaptBanks");
    EXPECT_EQ(banks->Length, 200);
    banks->SetInt(rec, 123, -7);   // bank 2, row 2, column 3
    EXPECT_EQ(rec.AdaptBanks[1][2][3], -7);
    EXPECT_EQ(banks->GetInt(rec, 123), -7);

    const TRecordField *cps = FindRecordField(u"PsysCorrections");
    EXPECT_EQ(cps->Type, TFieldType::I8);
    EXPECT_EQ(cps->Length, 20);
    cps->SetInt(rec, 19, -32);
    EXPECT_EQ(rec.PsysCorrections[19], -32);
    cps->SetInt(rec, 20, 1);
    EXPECT_EQ(cps->GetInt(rec, 20), 0);

    const TRecordField *mult = FindRecordField(u"Mult");
    EXPECT_EQ(mult->Type, TFieldType::F64);
    mult->SetFloat(rec, 0, 1.125);
    EXPECT_DOUBLE_EQ(rec.Mult, 1.125);
    const TRecordField *nozzle = FindRecordField(u"NozzleTest");
    nozzle->SetFloat(rec, 3, 7.0);
    EXPECT_DOUBLE_EQ(rec.NozzleTest[3], 7.0);
    EXPECT_DOUBLE_EQ(nozzle->GetFloat(rec, 4), 0.0);

    const TRecordField *ver = FindRecordField(u"Ver");
    ver->SetText(rec, "J");
    EXPECT_EQ(rec.Ver, "J");
    EXPECT_EQ(ver->GetText(rec), "J");

    const TRecordField *petrol = FindRecordField(u"PetrolTime");
    EXPECT_EQ(petrol->Type, TFieldType::U32);
    petrol->SetInt(rec, 7, 0x12345);
    EXPECT_EQ(rec.PetrolTime[7], 0x12345u);
}
