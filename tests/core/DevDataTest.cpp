#include "core/DevData.h"

#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"

#include <gtest/gtest.h>

namespace {

class DevDataTest : public ::testing::Test
{
protected:
    void SetUp() override { DeviceRecord.Clear(); }
    void TearDown() override { DeviceRecord.Clear(); }
    TDeviceRecord &rec = DeviceRecord;
    TDevData dd;
};

using IntGetter = int (TDevData::*)() const;
using IntSetter = void (TDevData::*)(int);
using BoolGetter = bool (TDevData::*)() const;
using BoolSetter = void (TDevData::*)(bool);

template <typename T>
struct IntCase {
    IntGetter get;
    IntSetter set;
    T TDeviceRecord::*field;
    const char *name;
};

struct BoolCase {
    BoolGetter get;
    BoolSetter set;
    quint8 TDeviceRecord::*field;
    const char *name;
};

#define INT_CASE(T, getter, setter, member) \
    IntCase<T>{&TDevData::getter, &TDevData::setter, &TDeviceRecord::member, #getter}
#define BOOL_CASE(getter, setter, member) \
    BoolCase{&TDevData::getter, &TDevData::setter, &TDeviceRecord::member, #getter}

const IntCase<quint8> ByteCases[] = {
    INT_CASE(quint8, GetInjectorCount, SetInjectorCount, InjSW),
    INT_CASE(quint8, GetInjectorMask, SetInjectorMask, InjectorMask),
    INT_CASE(quint8, GetInjSystemType, SetInjSystemType, InjSystemType),
    INT_CASE(quint8, GetNozzleSize, SetNozzleSize, NozzleSize),
    INT_CASE(quint8, GetGasInjectorType, SetGasInjectorType, InjTypeName),
    INT_CASE(quint8, GetPressureSensorType, SetPressureSensorType, PressureSensorType),
    INT_CASE(quint8, GetReducerType, SetReducerType, RedType),
    INT_CASE(quint8, GetLevelSensorType, SetLevelSensorType, ReserveType),
    INT_CASE(quint8, GetLambdaType, SetLambdaType, LambdaType),
    INT_CASE(quint8, GetSensorInFlowSent, SetSensorInFlowSent, GasTempSensorByte),
    INT_CASE(quint8, GetRpmSource, SetRpmSource, RPMsource),
    INT_CASE(quint8, GetWorkPressure, SetWorkPressure, WorkPress),
    INT_CASE(quint8, GetNominalReducerTemp, SetNominalReducerTemp, T),
    INT_CASE(quint8, GetLowPressThreshold, SetLowPressThreshold, LowPT),
    INT_CASE(quint8, GetLowPressDelay, SetLowPressDelay, LowPD),
    INT_CASE(quint8, GetMicroInjectionTime, SetMicroInjectionTime, MicroInjectionTime),
    INT_CASE(quint8, GetAutoCalState, SetAutoCalState, AutoCalState),
    INT_CASE(quint8, GetAutoCalProgress, SetAutoCalProgress, AutoCalProgress),
    INT_CASE(quint8, GetReturnToPetrolMask, SetReturnToPetrolMask, ReturnToPetrolMask),
    INT_CASE(quint8, GetLowTgasThreshold, SetLowTgasThreshold, Tgas_lt_val),
    INT_CASE(quint8, GetHighLoadPetrolForTgas, SetHighLoadPetrolForTgas, Tgas_lt_Load_Lval),
    INT_CASE(quint8, GetPreinjectionDuringCutOff, SetPreinjectionDuringCutOff,
             MinPressDuringCuttOffForPreinjections),
    INT_CASE(quint8, GetHighLoadThreshold, SetHighLoadThreshold, LoadP_gt_val),
    INT_CASE(quint8, GetExtraOptions, SetExtraOptions, ExtraOptions),
    INT_CASE(quint8, GetCorrectionMask, SetCorrectionMask, CorrectionMask),
    INT_CASE(quint8, GetMapRpmRange, SetMapRpmRange, MapRPMRange),
    INT_CASE(quint8, GetMapType, SetMapType, MapType),
};

const IntCase<quint16> WordCases[] = {
    INT_CASE(quint16, GetCubicCapacity, SetCubicCapacity, EngineCubicCapacity),
    INT_CASE(quint16, GetEnginePower, SetEnginePower, Power),
    INT_CASE(quint16, GetIdleHotRpm, SetIdleHotRpm, IdleHotRPM),
    INT_CASE(quint16, GetNominalRpm, SetNominalRpm, RPM),
    INT_CASE(quint16, GetEmulatorSwitchDelay, SetEmulatorSwitchDelay, EmulatorSwitchDelay),
    INT_CASE(quint16, GetPostValveDelay, SetPostValveDelay, PostValveDelay),
    INT_CASE(quint16, GetLowRpmThreshold, SetLowRpmThreshold, RPM_lt_val),
    INT_CASE(quint16, GetHighRpmThreshold, SetHighRpmThreshold, RPM_gt_val),
    INT_CASE(quint16, GetDeviceOptions, SetDeviceOptions, DeviceOptions),
};

const BoolCase FlagCases[] = {
    BOOL_CASE(GetHemiEngine, SetHemiEngine, HemiEngine),
    BOOL_CASE(GetTuningMode, SetTuningMode, TuningMode),
    BOOL_CASE(GetNonSequential, SetNonSequential, NoSeqential),
    BOOL_CASE(GetMicroInjection, SetMicroInjection, MicroInjection),
    BOOL_CASE(GetPetrolInjPlusControl, SetPetrolInjPlusControl, PetrolInjPlusControl),
    BOOL_CASE(GetExternalEmulator, SetExternalEmulator, ExternalEmulator),
    BOOL_CASE(GetSemiSeqGasControl, SetSemiSeqGasControl, SemiGasControl),
    BOOL_CASE(GetMasterMode, SetMasterMode, MasterMode),
    BOOL_CASE(GetSensorInFlow, SetSensorInFlow, GasTempSensorInFlow),
    BOOL_CASE(GetLowRpmReturnToPetrol, SetLowRpmReturnToPetrol, RPM_lt),
    BOOL_CASE(GetHighRpmReturnToPetrol, SetHighRpmReturnToPetrol, RPM_gt),
    BOOL_CASE(GetHighLoadReturnToPetrol, SetHighLoadReturnToPetrol, LoadP_gt),
    BOOL_CASE(GetReturnToPetrolBit3, SetReturnToPetrolBit3, PreinjMode),
    BOOL_CASE(GetReturnToPetrolBit4, SetReturnToPetrolBit4, AlWorkOnGas),
    BOOL_CASE(GetRaisingTSwitching, SetRaisingTSwitching, RisingT),
    BOOL_CASE(GetAdaptation, SetAdaptation, AdaptationMode),
    BOOL_CASE(GetLowTgasReturnToPetrol, SetLowTgasReturnToPetrol, Tgas_lt),
    BOOL_CASE(GetCorrectionForIdleActive, SetCorrectionForIdleActive, CorrectionForIdleActive),
};

} // namespace

TEST_F(DevDataTest, IntegerAccessorsReachTheirOwnFieldOnly)
{
    const TDeviceRecord empty{};
    for (const auto &c : ByteCases) {
        rec.Clear();
        (dd.*c.set)(0xA7);
        TDeviceRecord expected;
        expected.*c.field = 0xA7;
        EXPECT_EQ(rec, expected) << c.name;
        EXPECT_EQ((dd.*c.get)(), 0xA7) << c.name;
        // A value beyond the byte is limited, not cut to its low bits.
        (dd.*c.set)(300);
        EXPECT_EQ(rec.*c.field, 255) << c.name;
        (dd.*c.set)(-4);
        EXPECT_EQ(rec.*c.field, 0) << c.name;
        // The getter reads what the link stored.
        rec.*c.field = 17;
        EXPECT_EQ((dd.*c.get)(), 17) << c.name;
    }
    for (const auto &c : WordCases) {
        rec.Clear();
        (dd.*c.set)(56100);
        TDeviceRecord expected;
        expected.*c.field = 56100;
        EXPECT_EQ(rec, expected) << c.name;
        EXPECT_EQ((dd.*c.get)(), 56100) << c.name;
        (dd.*c.set)(70000);
        EXPECT_EQ(rec.*c.field, 65535) << c.name;
        (dd.*c.set)(-1);
        EXPECT_EQ(rec.*c.field, 0) << c.name;
    }
    rec.Clear();
    EXPECT_EQ(rec, empty);
}

TEST_F(DevDataTest, FlagAccessorsStoreZeroOrOne)
{
    for (const auto &c : FlagCases) {
        rec.Clear();
        (dd.*c.set)(true);
        TDeviceRecord expected;
        expected.*c.field = 1;
        EXPECT_EQ(rec, expected) << c.name;
        EXPECT_TRUE((dd.*c.get)()) << c.name;
        (dd.*c.set)(false);
        EXPECT_EQ(rec.*c.field, 0) << c.name;
        EXPECT_FALSE((dd.*c.get)()) << c.name;
        rec.*c.field = 2;  // any non-zero byte reads as true
        EXPECT_TRUE((dd.*c.get)()) << c.name;
    }
}

TEST_F(DevDataTest, ReadOnlyGetters)
{
    rec.InjHW = 6;
    rec.EngineType = 1;
    rec.CAP_TIE_enable = 1;
    rec.AutoCalPhase = 2;
    rec.AutoCalStartTime = 374;
    rec.AutoCalCurrentTime = 935;
    EXPECT_EQ(dd.GetMaxInjectorCount(), 6);
    EXPECT_EQ(dd.GetEngineType(), 1);
    EXPECT_TRUE(dd.GetCapTieEnabled());
    EXPECT_EQ(dd.GetAutoCalPhase(), 2);
    EXPECT_DOUBLE_EQ(dd.GetAutoCalStartValue(), 2.0);    // 374 / 187
    EXPECT_DOUBLE_EQ(dd.GetAutoCalCurrentValue(), 5.0);  // 935 / 187
}

TEST_F(DevDataTest, Fuel)
{
    dd.SetFuelLPG(true);
    EXPECT_EQ(rec.FuelType, 0);
    EXPECT_TRUE(dd.GetFuelLPG());
    EXPECT_FALSE(dd.GetFuelCNG());
    dd.SetFuelLPG(false);
    EXPECT_EQ(rec.FuelType, 1);
    EXPECT_FALSE(dd.GetFuelLPG());
    EXPECT_TRUE(dd.GetFuelCNG());
}

TEST_F(DevDataTest, RpmSourceTypeStoresOneForAnyNonZero)
{
    dd.SetRpmSourceType(5);
    EXPECT_EQ(rec.RPMSourceType, 1);
    EXPECT_EQ(dd.GetRpmSourceType(), 1);
    dd.SetRpmSourceType(0);
    EXPECT_EQ(rec.RPMSourceType, 0);
}

TEST_F(DevDataTest, IdleHotTimeAndPressure)
{
    dd.SetIdleHotTb(1.0);
    EXPECT_EQ(rec.IdleHotTb, 187);
    dd.SetIdleHotTb(2.5); // 467.5 rounds up
    EXPECT_EQ(rec.IdleHotTb, 468);
    rec.IdleHotTb = 374;
    EXPECT_DOUBLE_EQ(dd.GetIdleHotTb(), 2.0);
    dd.SetIdleHotTb(400.0);  // 74800 raw does not fit
    EXPECT_EQ(rec.IdleHotTb, 65535);
    dd.SetIdleHotTb(-1.0);
    EXPECT_EQ(rec.IdleHotTb, 0);

    // Sensor type 2: 1.0 bar -> (0.242 - 0.00842) x 256 = 59.8 -> 60.
    rec.PressureSensorType = 2;
    dd.SetIdleHotPcolReal(1.0);
    EXPECT_EQ(rec.IdleHotPcol, 60);
    dd.SetIdleHotPcolReal(0.0);  // -2.16 -> 0
    EXPECT_EQ(rec.IdleHotPcol, 0);
    // Sensor type 1 uses its own inverse: 1.0 bar -> (0.369 + 0.04) x 256 = 104.7 -> 105,
    // which reads back as (105/256 - 0.04) / 0.369 = 1.0031 bar.
    rec.PressureSensorType = 1;
    dd.SetIdleHotPcolReal(1.0);
    EXPECT_EQ(rec.IdleHotPcol, 105);
    EXPECT_NEAR(dd.GetIdleHotPcolReal(), 1.0031, 1e-4);
    dd.SetIdleHotPcolReal(20.0);
    EXPECT_EQ(rec.IdleHotPcol, 255);
    for (double bar : {0.3, 0.5, 0.8, 1.2}) {
        for (int type : {1, 2}) {
            rec.PressureSensorType = quint8(type);
            dd.SetIdleHotPcolReal(bar);
            EXPECT_NEAR(dd.GetIdleHotPcolReal(), bar, 0.02) << type << " " << bar;
        }
    }
}

TEST_F(DevDataTest, StatusFlagsOnlyForIndexesZeroToThree)
{
    rec.DeviceOptions = 0x0100;
    for (int i = 0; i < 4; ++i)
        dd.SetStatusFlag(i);
    EXPECT_EQ(rec.DeviceOptions, 0x010F);
    dd.SetStatusFlag(4);
    dd.SetStatusFlag(-1);
    dd.SetStatusFlag(15);
    EXPECT_EQ(rec.DeviceOptions, 0x010F);
    dd.ClearStatusFlag(1);
    EXPECT_EQ(rec.DeviceOptions, 0x010D);
    dd.ClearStatusFlag(8);
    dd.ClearStatusFlag(-3);
    EXPECT_EQ(rec.DeviceOptions, 0x010D);
}

TEST_F(DevDataTest, ModelFactorsAndOffsets)
{
    dd.SetModelMultPercent(0);
    EXPECT_DOUBLE_EQ(rec.Mult, 1.0);
    rec.Mult = 1.25;
    EXPECT_EQ(dd.GetModelMultPercent(), 25);
    dd.SetCorrectionMultPercent(-3);
    EXPECT_DOUBLE_EQ(rec.CorrectionMult, 0.97);
    EXPECT_EQ(dd.GetCorrectionMultPercent(), -3);
    dd.SetModelOffset(-0.5);
    EXPECT_DOUBLE_EQ(rec.Offset, -0.5);
    EXPECT_DOUBLE_EQ(dd.GetModelOffset(), -0.5);
    dd.SetCorrectionOffset(1.25);
    EXPECT_DOUBLE_EQ(dd.GetCorrectionOffset(), 1.25);
    dd.SetCorrectionForIdle(-12);
    EXPECT_EQ(rec.CorrectionForIdle, -12);
    EXPECT_EQ(dd.GetCorrectionForIdle(), -12);
    dd.SetCorrectionForIdle(-40000);
    EXPECT_EQ(rec.CorrectionForIdle, -32768);

    // Values the link stored are read through the accessors.
    StoreModelParameter(rec, 1, 1126);   // 1126 / 1024 = 1.0996 -> 10 %
    EXPECT_EQ(dd.GetModelMultPercent(), 10);
    StoreModelParameter(rec, 12, 0xFF45);
    EXPECT_DOUBLE_EQ(dd.GetCorrectionOffset(), -1.0);
}

TEST_F(DevDataTest, ModelPoints)
{
    // (1.0, 2.004): x 187; y round(200.4) / 100 = 2.00 -> 374.
    dd.SetMapPointA(0, QPointF(1.0, 2.004));
    EXPECT_EQ(rec.ModelPointsA[0].X, 187);
    EXPECT_EQ(rec.ModelPointsA[0].Y, 374);
    // raw (935, 1000): x = 5.0; y = round(534.76) / 100 = 5.35.
    rec.ModelPointsB[19] = {935, 1000};
    const QPointF p = dd.GetMapPointB(19);
    EXPECT_DOUBLE_EQ(p.x(), 5.0);
    EXPECT_DOUBLE_EQ(p.y(), 5.35);
    // y halves go to the even neighbour: 0.125 ms x 100 = 12.5 -> 12 -> 0.12 x 187 = 22.44 -> 22.
    dd.SetMapPointB(3, QPointF(0.0, 0.125));
    EXPECT_EQ(rec.ModelPointsB[3].Y, 22);
    for (int i = 0; i < 20; ++i) {
        dd.SetMapPointA(i, QPointF(i * 0.5, i * 0.25));
        const QPointF back = dd.GetMapPointA(i);
        EXPECT_NEAR(back.x(), i * 0.5, 0.501 / 187);  // within half a raw unit
        EXPECT_NEAR(back.y(), i * 0.25, 0.01);
    }
    // Indexes outside 0..19 read nothing and store nothing.
    const auto before = rec.ModelPointsA;
    dd.SetMapPointA(20, QPointF(1, 1));
    dd.SetMapPointA(-1, QPointF(1, 1));
    EXPECT_EQ(rec.ModelPointsA, before);
    EXPECT_EQ(dd.GetMapPointA(20), QPointF());
    EXPECT_EQ(dd.GetMapPointB(-1), QPointF());
}

TEST_F(DevDataTest, LiveValues)
{
    EXPECT_EQ(dd.GetRpmReal(), 0);
    rec.RpmPeriod = 187 * 20;
    EXPECT_EQ(dd.GetRpmReal(), 6000);
    rec.PressureSensorType = 1;
    rec.GasPressureRaw = 128;
    rec.ManifoldPressureRaw = 128;
    EXPECT_NEAR(dd.GetLpgPressureReal(), 1.24661, 1e-5);
    EXPECT_NEAR(dd.GetPcolReal(), 1.24661, 1e-5);
    rec.ReducerTempRaw = 128;
    rec.GasTempRaw = 200;
    EXPECT_DOUBLE_EQ(dd.GetReducerTempReal(), 24.92);
    EXPECT_DOUBLE_EQ(dd.GetGasTempReal(), -1.68);
    rec.LambdaRaw = 51;
    EXPECT_DOUBLE_EQ(dd.GetLambdaVoltageReal(), 1.0);
}

TEST_F(DevDataTest, ReturnToPetrolBitsAsReadAndTheWholeByteAsSet)
{
    StoreParameter8(rec, 31, 0x81);
    EXPECT_TRUE(dd.GetLowRpmReturnToPetrol());
    EXPECT_TRUE(dd.GetLowTgasReturnToPetrol());
    EXPECT_FALSE(dd.GetAdaptation());
    EXPECT_EQ(dd.GetReturnToPetrolMask(), 0x81);
    // Per-bit setters leave the whole byte as it is.
    dd.SetAdaptation(true);
    dd.SetLowRpmReturnToPetrol(false);
    EXPECT_EQ(rec.ReturnToPetrolMask, 0x81);
    // The value sent for the id follows the bit fields.
    quint8 v = 0;
    ASSERT_TRUE(Parameter8Value(rec, 31, v));
    EXPECT_EQ(v, 0xC0);
}

TEST_F(DevDataTest, EveryInstanceSeesTheOneRecord)
{
    ASSERT_NE(DevData, nullptr);
    ASSERT_NE(UIStateData, nullptr);
    DevData->SetEnginePower(85);
    EXPECT_EQ(UIStateData->GetEnginePower(), 85);
    UIStateData->SetInjectorCount(6);
    EXPECT_EQ(dd.GetInjectorCount(), 6);
    TDevData *asBase = UIStateData;
    EXPECT_EQ(asBase->GetInjectorCount(), 6);
}

TEST_F(DevDataTest, PointsByCoordinates)
{
    dd.SetMapPointB(2, 1.0, 2.004);
    EXPECT_EQ(rec.ModelPointsB[2].X, 187);
    EXPECT_EQ(rec.ModelPointsB[2].Y, 374);
    dd.SetMapPointA(25, 1.0, 1.0);
    EXPECT_EQ(rec.ModelPointsA, TDeviceRecord{}.ModelPointsA);
}

TEST_F(DevDataTest, ConfigurationByKindRunsTheInstalledOperations)
{
    TDevData::SetConfigurationOperations(nullptr, nullptr);
    EXPECT_EQ(dd.ReadDeviceModelData(), 0);
    EXPECT_FALSE(dd.WriteConfigurationIfConnected());
    int reads = 0, writes = 0;
    TDevData::SetConfigurationOperations([&] { ++reads; return 1; },
                                         [&] { ++writes; return true; });
    EXPECT_EQ(UIStateData->ReadDeviceModelData(), 1);
    EXPECT_TRUE(DevData->WriteConfigurationIfConnected());
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(writes, 1);
    TDevData::SetConfigurationOperations(nullptr, nullptr);
}
