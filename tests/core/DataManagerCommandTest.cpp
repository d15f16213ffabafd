// Every command family of the controller against the simulated controller:
// the request bytes the device received and the record fields the answers
// filled (payload index i is answer byte i + 2).

#include "common/GiveUp.h"
#include "core/ConfigurationByKind.h"
#include "core/ReadPlan.h"
#include "core/UnitConversions.h"
#include "sim/SimControllerFixture.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace sim;

namespace {

std::vector<Bytes> frames(std::initializer_list<Bytes> list) { return list; }

// Command codes of the frames received, in order.
std::vector<int> codes(const std::vector<Bytes> &fs)
{
    std::vector<int> out;
    for (const auto &f : fs)
        out.push_back(f[1]);
    return out;
}

// (code, parameter) of each frame, for sequences of id reads.
std::vector<std::pair<int, int>> reads(const std::vector<Bytes> &fs)
{
    std::vector<std::pair<int, int>> out;
    for (const auto &f : fs)
        out.emplace_back(f[1], f[2]);
    return out;
}

} // namespace

TEST(DataManagerCommands, LiveGroupWithEightCylinders)
{
    SimControllerRig rig(20, 'E');
    ASSERT_TRUE(rig.Connect());
    DeviceRecord.InjSW = 8;
    rig.Device([](SimControllerState &s) {
        Bytes &p = s.Payload[0x05];
        p = {11, 22, 33, 44, 55, 66, 0x12, 0x34, // raw values, RPM period
             0xBF, 0xFF,                         // switch state 5, petrol 0 = 0x1FFF
             0xFF, 0x23,                         // status bit, petrol 1 = 0x7F23 (15 bits)
             0x00, 0x00, 0x02, 0x00,             // petrol 2 = 0, petrol 3 = 0x200
             0x00, 0x10, 0x00, 0x20, 0x01, 0xF4, 0x00, 0x40}; // gas 0..3 (gas 2 = 500)
        s.Payload[0x06] = {0, 1, 0, 2, 0, 0, 0, 4, 0, 9, 0, 8, 0, 7, 0, 6};
        s.Payload[0x22] = {0x77};
    });
    ASSERT_TRUE(rig.Manager.ReadDeviceInfo());
    ASSERT_TRUE(rig.Manager.SendCmd22());
    EXPECT_EQ(rig.Requests(), frames({{0xC0, 0x05, 0x05, 0xCA}, {0xC0, 0x06, 0x06, 0xCC},
                                      {0xC0, 0x22, 0x22, 0x04}}));
    const auto &r = DeviceRecord;
    EXPECT_EQ(r.GasPressureRaw, 11);
    EXPECT_EQ(r.ReducerTempRaw, 22);
    EXPECT_EQ(r.GasTempRaw, 33);
    EXPECT_EQ(r.SupplyVoltageRaw, 44);
    EXPECT_EQ(r.LevelRaw, 55);
    EXPECT_EQ(r.LambdaRaw, 66);
    EXPECT_EQ(r.RpmPeriod, 0x1234);
    EXPECT_EQ(r.GasSwitchState, 5);
    EXPECT_EQ(r.PetrolTime[0], 0x1FFFu);
    EXPECT_EQ(r.StatusBit05, 1);
    EXPECT_EQ(r.PetrolTime[1], 0x7F23u); // every bit below the status bit
    EXPECT_EQ(r.PetrolTime[3], 0x200u);
    EXPECT_EQ(r.GasTime[0], 0x10u);
    EXPECT_EQ(r.GasTime[2], 0u); // petrol time 0 on that channel
    EXPECT_EQ(r.GasTime[3], 0x40u);
    EXPECT_EQ(r.PetrolTime[4], 1u);
    EXPECT_EQ(r.PetrolTime[6], 0u);
    EXPECT_EQ(r.PetrolTime[7], 4u);
    EXPECT_EQ(r.GasTime[4], 9u);
    EXPECT_EQ(r.GasTime[6], 0u);
    EXPECT_EQ(r.GasTime[7], 6u);
    EXPECT_EQ(r.ManifoldPressureRaw, 0x77);

    // Four cylinders: no second live command.
    DeviceRecord.InjSW = 4;
    rig.Server.log().clear();
    ASSERT_TRUE(rig.Manager.ReadDeviceInfo());
    EXPECT_EQ(codes(rig.Requests()), std::vector<int>{0x05});
}

TEST(DataManagerCommands, ExtendedLiveGroupAndStatusCommands)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) {
        Bytes &p = s.Payload[0x0B];
        for (size_t i = 0; i < p.size(); ++i)
            p[i] = uint8_t(i + 1);
        p[8] = 0x00; // petrol 0 = 0x000A
        p[26 - 2] = 0; p[27 - 2] = 0; // petrol 4 = 0
        s.Payload[0x21] = {0x53, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x02, 0x40, 0x99};
        s.Payload[0x50] = {0x12, 0x34};
        s.Payload[0x64] = {0, 0, 0x5A, 0, 0, 0, 0, 0, 0, 0, 0};
        s.Payload[0x3A] = {0xA5};
        s.InjCounters[2] = 0x0304;
    });
    ASSERT_TRUE(rig.Manager.ReadCmd0B());
    const auto &r = DeviceRecord;
    EXPECT_EQ(r.GasPressureRaw, 1);
    EXPECT_EQ(r.RpmPeriod, 0x0708);
    EXPECT_EQ(r.PetrolTime[0], 0x000Au);
    EXPECT_EQ(r.PetrolTime[4], 0u);
    EXPECT_EQ(r.GasTime[4], 0u); // forced with its petrol time
    EXPECT_EQ(r.PetrolTime[5], uint32_t(27 << 8 | 28));
    EXPECT_EQ(r.GasTime[5], uint32_t(35 << 8 | 36));
    EXPECT_EQ(r.GasTime[7], uint32_t(39 << 8 | 40));
    EXPECT_EQ(r.ManifoldPressureRaw, 41);
    EXPECT_EQ(r.SwitchTempThresholdRaw, 42);
    EXPECT_EQ(r.PetrolTimeMaxMask, 43);
    EXPECT_EQ(r.GasTimeMaxMask, 44);
    EXPECT_EQ(r.EmulatorSwitchBits, 45);
    EXPECT_EQ(r.ValveState, 1);
    EXPECT_EQ(r.BoardTempRaw, 47);
    EXPECT_EQ(r.IdentityPage5, 48);
    EXPECT_EQ(r.EngineLoad, 49);

    ASSERT_TRUE(rig.Manager.ReadStatus21());
    EXPECT_EQ(r.AutoCalState, 3);
    EXPECT_EQ(r.GasSwitchState, 5);
    EXPECT_EQ(r.AutoCalValueA, 0x0102);
    EXPECT_EQ(r.AutoCalValueB, 0x0304);
    EXPECT_EQ(r.AutoCalValueD, 0x0506);
    EXPECT_EQ(r.AutoCalProgress, 0x40);
    EXPECT_EQ(r.AutoCalByte, 0x99);
    ASSERT_TRUE(rig.Manager.ReadStatus21b());
    EXPECT_EQ(r.AutoCalStartTime, 0x0102);
    EXPECT_EQ(r.AutoCalValueC, 0x0304);
    EXPECT_EQ(r.AutoCalCurrentTime, 0x0506);
    EXPECT_EQ(r.AutoCalPhase, 2);
    EXPECT_EQ(rig.Manager.ReadStatus50(), 0x1234);
    EXPECT_EQ(r.AutoCalValueD, 0x1234);
    ASSERT_TRUE(rig.Manager.ReadCmd64());
    EXPECT_EQ(r.Value64, 0x5A);
    EXPECT_EQ(rig.Manager.ReadEmulator3A(), 0xA5);
    EXPECT_EQ(rig.Manager.ReadInjCounter3B(2), 0x0304);
    EXPECT_EQ(r.InjCounter2, 0x0304);
    EXPECT_EQ(rig.Requests(),
              frames({{0xC0, 0x0B, 0x0B, 0xD6}, {0xC0, 0x21, 0x21, 0x02}, {0xC0, 0x21, 0x21, 0x02},
                      {0xC0, 0x50, 0x50, 0x60}, {0xC0, 0x64, 0xA5, 0xC9}, {0xC0, 0x3A, 0x00, 0xFA},
                      Request({0x3B, 2})}));
}

TEST(DataManagerCommands, ParametersByIdAndIndex)
{
    SimControllerRig rig(48, 'I');
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) {
        s.Param8[31] = 0x81;
        s.Param8[60] = 0x66;
        s.Param16[8] = 0x1234;
        s.Param16[13] = 0x4321;
        s.Model[1] = 1280;   // 1.25
        s.Model[2] = 0xFFA2; // -94 / 187 ms
        s.Model[3] = 935;    // 5 ms
        s.Model[7] = 4506;   // about 10 %
        s.Model[14] = 0x00FB; // -5
        s.Words[0x1002] = 0xBEEF;
        s.Counters[180] = 0x42;
    });
    auto &m = rig.Manager;
    EXPECT_EQ(m.ReadParameter8(0), 0); // id 0: nothing sent
    EXPECT_EQ(m.ReadParameter8(31), 0x81);
    EXPECT_EQ(DeviceRecord.ReturnToPetrolMask, 0x81);
    EXPECT_EQ(DeviceRecord.RPM_lt, 1);
    EXPECT_EQ(DeviceRecord.Tgas_lt, 1);
    EXPECT_EQ(DeviceRecord.AdaptationMode, 0);
    EXPECT_EQ(m.ReadParameter8(60), 0x66); // above 53: returned, not stored
    EXPECT_TRUE(m.WriteParamByte(19, 3));
    EXPECT_EQ(m.ReadParamWord(8), 0x1234);
    EXPECT_EQ(DeviceRecord.IdleHotTb, 0x1234);
    EXPECT_EQ(m.ReadParamWord(13), 0x4321);
    EXPECT_TRUE(m.WriteParamWord(14, 0xA0B1));
    EXPECT_EQ(m.ReadValue16(26), 0);
    EXPECT_EQ(m.ReadParameter(1), 1280);
    EXPECT_DOUBLE_EQ(DeviceRecord.Mult, 1.25);
    m.ReadParameter(2);
    EXPECT_DOUBLE_EQ(DeviceRecord.Offset, -94 / 187.0);
    m.ReadParameter(3);
    EXPECT_EQ(DeviceRecord.P1, 5);
    m.ReadParameter(7);
    EXPECT_EQ(DeviceRecord.E1, 10);
    m.ReadParameter(14);
    EXPECT_EQ(DeviceRecord.PsysCorrections[0], -5);
    EXPECT_EQ(m.ReadWord31(0x1002), 0xBEEF);
    EXPECT_TRUE(m.WriteCmd32(0x0203, 0x0405));
    EXPECT_EQ(m.ReadCounter33(180), 0x42);
    EXPECT_TRUE(m.WriteCounter34(0x0105, 9));
    EXPECT_TRUE(m.ClearRecord198());
    EXPECT_EQ(rig.Requests(),
              frames({Request({0x07, 31}), Request({0x07, 60}), Request({0x08, 19, 3}),
                      Request({0x51, 8}), Request({0x51, 13}), Request({0x52, 14, 0xA0, 0xB1}),
                      Bytes{0xC0, 0x40, 0x1A, 0x1A}, Request({0x12, 1}), Request({0x12, 2}),
                      Request({0x12, 3}), Request({0x12, 7}), Request({0x12, 14}),
                      Request({0x31, 0x10, 0x02}), Request({0x32, 0x02, 0x03, 0x04, 0x05}),
                      Request({0x33, 0x00, 180}), Request({0x34, 0x01, 0x05, 9}),
                      Request({0x34, 0x00, 198, 0})}));
    rig.Device([](SimControllerState &s) { EXPECT_EQ(s.Param16[14], 0xA0B1); });
}

TEST(DataManagerCommands, ModelParameterWrites)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    DeviceRecord.Mult = 1.25;
    DeviceRecord.Offset = -0.5;
    DeviceRecord.P2 = 4;
    DeviceRecord.E1 = 10;
    DeviceRecord.TgasCorrections[0] = -3;
    DeviceRecord.CorrectionForIdle = -2;
    auto &m = rig.Manager;
    EXPECT_TRUE(m.WriteParameter(1));
    EXPECT_TRUE(m.WriteParameter(2));
    EXPECT_TRUE(m.WriteParameter(4));
    EXPECT_TRUE(m.WriteParameter(7));
    EXPECT_TRUE(m.WriteParameter(34));
    EXPECT_TRUE(m.WriteParameter(83));
    // No rule: nothing is sent.
    EXPECT_FALSE(m.WriteParameter(90));
    EXPECT_FALSE(m.WriteParameter(105));
    EXPECT_EQ(rig.Requests(),
              frames({Request({0x16, 1, 0x05, 0x00}), Request({0x16, 2, 0xFF, 0xA2}),
                      Request({0x16, 4, 0x02, 0xEC}), Request({0x16, 7, 0x11, 0x9A}),
                      Request({0x16, 34, 0xFF, 0xFD}), Request({0x16, 83, 0xFF, 0xFE})}));
    // Read back: the signed offset comes back as written.
    m.ReadParameter(2);
    EXPECT_NEAR(DeviceRecord.Offset, -0.5, 0.003);
}

TEST(DataManagerCommands, ConfigurationOfKindsTwentyAndTwentyOne)
{
    SimControllerRig rig(21, 'E');
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) {
        s.Value16[28] = 1; // four outputs
        s.Payload[0x03] = {0x55, 0xC7, 0x08, 0b1'10'1'10'01, 63};
        s.Param8[2] = 0x0C;
        s.Param8[29] = 1;
        s.Param8[30] = 1;
        s.Param16[7] = 1598;
        s.Payload[0x35] = {1, 2, 3, 4};
        s.Payload[0x36] = {5, 6, 7, 8};
    });
    ASSERT_TRUE(rig.Manager.ReadModelDataCmd03());
    const std::vector<std::pair<int, int>> expected{
        {0x40, 28}, {0x03, 0x03}, {0x07, 2}, {0x07, 8}, {0x51, 7}, {0x51, 6}, {0x07, 12},
        {0x51, 8}, {0x07, 11}, {0x07, 10}, {0x51, 9}, {0x51, 10}, {0x07, 3}, {0x07, 4},
        {0x07, 7}, {0x07, 16}, {0x07, 17}, {0x07, 23}, {0x07, 18}, {0x07, 21}, {0x07, 5},
        {0x07, 20}, {0x07, 27}, {0x07, 19}, {0x07, 1}, {0x07, 28}, {0x07, 29}, {0x07, 30},
        {0x35, 0}, {0x36, 0}};
    EXPECT_EQ(reads(rig.Requests()), expected);
    EXPECT_EQ(rig.Requests()[1], Bytes({0xC0, 0x03, 0x03, 0xC6}));
    const auto &r = DeviceRecord;
    EXPECT_EQ(r.InjHW, 4);
    EXPECT_EQ(r.InjectorMask, 63);
    EXPECT_EQ(r.InjSW, 4); // six by the mask, limited to the hardware
    EXPECT_EQ(r.T, 0x55);
    EXPECT_EQ(r.RPM, 0x0708);
    EXPECT_EQ(r.EngineType, 1);
    EXPECT_EQ(r.RPMsource, 2);
    EXPECT_EQ(r.FuelType, 1);
    EXPECT_EQ(r.ReserveType, 2);
    EXPECT_EQ(r.InjType, 1);
    EXPECT_EQ(r.InjTypeName, 0x0C);
    EXPECT_EQ(r.EngineCubicCapacity, 1598);
    EXPECT_EQ(r.AlwaysStartOnGas, 1);
    EXPECT_EQ(r.LoadP_gt_val, 0); // id 29 is not the load threshold here
    EXPECT_EQ(r.WorkPress, 1);
    EXPECT_EQ(r.RPMWireNotConnect, 1);
    EXPECT_EQ(r.PW2, 3);
    EXPECT_EQ(r.Level0903, 8);

    rig.Server.log().clear();
    ASSERT_TRUE(rig.Manager.WriteConfigCmd04(0x0708, 0x55, 0xD9, 15));
    EXPECT_EQ(rig.Requests(), frames({Request({0x04, 0x55, 0x07, 0x08, 0xD9, 15})}));
    rig.Device([](SimControllerState &s) { EXPECT_EQ(s.Payload[0x03][4], 15); });
}

TEST(DataManagerCommands, ConfigurationOfKindFortyEight)
{
    SimControllerRig rig(48, 'I');
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) {
        s.Value16[28] = 3;
        s.Payload[0xD8] = {0b1'10'1'0'0'1'0, 255, 0b1'0'1'0'1'101, 0b1000'0101, 0x60, 0x0A, 0xBC,
                           0x21, 0x07, 0xD0, 0x00, 0x66, 0x01, 0x2C, 3, 4, 5, 0x00, 0x64, 0x01,
                           0x90, 7, 8, 9, 2};
        s.Param8[29] = 70;
        s.Param8[52] = 0x80;
    });
    ASSERT_TRUE(rig.Manager.ReadModelDataD8());
    const std::vector<std::pair<int, int>> expected{
        {0x07, 34}, {0x07, 33}, {0x40, 28}, {0xD8, 0xD8}, {0x35, 0}, {0x36, 0}, {0x07, 35},
        {0x51, 11}, {0x51, 12}, {0x07, 31}, {0x07, 29}, {0x51, 14}, {0x07, 32}, {0x07, 37},
        {0x12, 74}, {0x07, 42}, {0x07, 40}, {0x51, 16}, {0x07, 38}, {0x07, 39}, {0x07, 19},
        {0x07, 43}, {0x07, 44}, {0x93, 0}, {0x07, 45}, {0x07, 46},            // from "D"
        {0x51, 18}, {0x51, 19}, {0x07, 49}, {0x07, 50},                        // from "F"
        {0x51, 22}, {0x56, 0}, {0x54, 0}, {0x07, 52}, {0x07, 47}, {0x51, 17},  // from "G"
        {0x51, 24}, {0x51, 25}, {0x51, 20}, {0x51, 21},
        {0x07, 53}};                                                           // from "I"
    EXPECT_EQ(reads(rig.Requests()), expected);
    const auto &r = DeviceRecord;
    EXPECT_EQ(r.InjHW, 8);
    EXPECT_EQ(r.InjSW, 8);
    EXPECT_EQ(r.InjType, 2); // bit 1 kept in place
    EXPECT_EQ(r.FuelType, 1);
    EXPECT_EQ(r.RPMsource, 2);
    EXPECT_EQ(r.EngineType, 1);
    EXPECT_EQ(r.LambdaType, 5);
    // Byte 4: bits 0-2 lambda, then alternating flags; byte 5 likewise.
    EXPECT_EQ(r.PetrolInjPlusControl, 1);
    EXPECT_EQ(r.NoSeqential, 0);
    EXPECT_EQ(r.RPMSourceType, 1);
    EXPECT_EQ(r.ExternalEmulator, 0);
    EXPECT_EQ(r.CAP_TIE_enable, 1);
    EXPECT_EQ(r.SemiGasControl, 1);
    EXPECT_EQ(r.MicroInjection, 0);
    EXPECT_EQ(r.HemiEngine, 1);
    EXPECT_EQ(r.TuningMode, 0);
    EXPECT_EQ(r.MasterMode, 1);
    EXPECT_EQ(r.T, 0x60);
    EXPECT_EQ(r.RPM, 0x0ABC);
    EXPECT_EQ(r.InjTypeName, 0x21);
    EXPECT_EQ(r.EngineCubicCapacity, 0x07D0);
    EXPECT_EQ(r.Power, 0x0066);
    EXPECT_EQ(r.IdleHotTb, 0x012C);
    EXPECT_EQ(r.InjSystemType, 3);
    EXPECT_EQ(r.RedType, 4);
    EXPECT_EQ(r.NozzleSize, 5);
    EXPECT_EQ(r.EmulatorSwitchDelay, 0x0064);
    EXPECT_EQ(r.PostValveDelay, 0x0190);
    EXPECT_EQ(r.LowPD, 7);
    EXPECT_EQ(r.LowPT, 8);
    EXPECT_EQ(r.MicroInjectionTime, 9);
    EXPECT_EQ(r.PressureSensorType, 2);
    EXPECT_EQ(r.LoadP_gt_val, 70);
    EXPECT_EQ(r.HotEngineStartOnGas, 0); // bit 7 of id 52 only from "J"

    // Bytes 2-5 are kept as read, so writing the block back sends the bits
    // that no field stands for unchanged.
    EXPECT_EQ(r.ModelDataExtra, (std::array<quint8, 4>{0xD2, 255, 0xAD, 0x85}));
    rig.Server.log().clear();
    ASSERT_TRUE(rig.Manager.WriteModelDataD9());
    Bytes body{0xD9, 0xD2, 255, 0xAD, 0x85, 0x60, 0x0A, 0xBC, 0x21, 0x07, 0xD0, 0x00, 0x66,
               0x01, 0x2C, 3, 4, 5, 0x00, 0x64, 0x01, 0x90, 7, 8, 9, 2};
    Bytes expectedFrame{0xC0};
    for (uint8_t b : body)
        expectedFrame.push_back(b);
    expectedFrame.push_back(sum8(expectedFrame, expectedFrame.size()));
    ASSERT_EQ(expectedFrame.size(), 28u);
    EXPECT_EQ(rig.Requests(), std::vector<Bytes>{expectedFrame});

    // A failed block stops the read: no parameter reads follow.
    rig.Server.log().clear();
    rig.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0xD8; }, Fault::badChecksum(), 2);
    EXPECT_FALSE(rig.Manager.ReadModelDataD8());
    EXPECT_EQ(codes(rig.Requests()), (std::vector<int>{0x07, 0x07, 0x40, 0xD8, 0xD8}));
    EXPECT_EQ(DeviceRecord.T, 0x60);
}

// The reads of several parts as one plan: each value asked for once, in the
// order first asked for, also one the configuration block holds; once the
// link is down nothing more is asked.
TEST(DataManagerCommands, AReadPlanAsksForEachValueOnce)
{
    SimControllerRig rig(48, 'G');
    ASSERT_TRUE(rig.Connect());
    rig.Server.log().clear();
    TReadPlan plan;
    plan.Param8(31);
    plan.Model(74);
    rig.Manager.AddKind48Configuration(plan); // reads 31 and 74 too
    plan.Param8(5);                           // held by the block
    plan.ParamWord(8);                        // held by the block
    plan.Params({{8, 31}, {12, 74}, {16, 22}});
    for (int twice = 0; twice < 2; ++twice) {
        plan.PsysCurve();
        plan.AdaptBank(1, 0);
        plan.AdaptBank(2, 0);
        plan.Param8(48);
    }
    EXPECT_TRUE(plan.Run(rig.Manager));
    const std::vector<Bytes> asked = rig.Requests();
    std::vector<Bytes> once = asked;
    std::sort(once.begin(), once.end());
    EXPECT_EQ(std::adjacent_find(once.begin(), once.end()), once.end());
    const std::vector<std::pair<int, int>> order = reads(asked);
    ASSERT_GE(order.size(), 8u);
    using TReads = std::vector<std::pair<int, int>>;
    const TReads first{{0x07, 31}, {0x12, 74}, {0x07, 34}}, last{{0xD0, 0}, {0x61, 0x10}, {0x61, 0x20}, {0x07, 48}};
    EXPECT_EQ(TReads(order.begin(), order.begin() + 3), first);
    EXPECT_EQ(TReads(order.end() - 4, order.end()), last);
    EXPECT_EQ(std::count(order.begin(), order.end(), std::pair{0x07, 5}), 0);
    EXPECT_EQ(std::count(order.begin(), order.end(), std::pair{0x51, 8}), 0);
    EXPECT_TRUE(plan.Reads(0x07, 5) && plan.Reads(0x51, 8));

    // The device stops answering at the curve: nothing after it is asked.
    rig.Server.log().clear();
    rig.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0xD0; }, Fault::noAnswer(), 50);
    EXPECT_FALSE(plan.Run(rig.Manager));
    rig.Server.clearFaults();
    const std::vector<int> sent = codes(rig.Requests());
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), 0xD0);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x61), 0);
}

TEST(DataManagerCommands, ModelFactorsCorrectionsAndNozzleTest)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) {
        s.Payload[0x10] = {0x04, 0x00, 0xFF, 0xA2, 0x03, 0xA7, 0x00, 0xBB, 0, 0, 0, 0,
                           0x12, 0x00, 0x10, 0x00, 0, 0, 0, 0};
        Bytes &d0 = s.Payload[0xD0];
        for (size_t i = 0; i < d0.size(); ++i)
            d0[i] = uint8_t(i == 0 ? 0xFE : i);
        s.Payload[0xDB] = Bytes(20, 0x07);
        s.Payload[0xC0] = {0x00, 0xBB, 0x01, 0x76, 0x02, 0x31, 0x02, 0xEC};
    });
    auto &m = rig.Manager;
    ASSERT_TRUE(m.ReadModelFactors());
    const auto &r = DeviceRecord;
    EXPECT_DOUBLE_EQ(r.Mult, 1.0);
    EXPECT_DOUBLE_EQ(r.Offset, -94 / 187.0); // signed
    EXPECT_EQ(r.P1, 5);
    EXPECT_EQ(r.P2, 1);
    EXPECT_EQ(r.E1, 12); // 0x1200 / 4096 = 1.125: 12.5 % goes to the even neighbour
    EXPECT_EQ(r.E2, 0);
    EXPECT_EQ(r.E3, -100);

    ASSERT_TRUE(m.ReadCorrectionsD0());
    EXPECT_EQ(r.PsysCorrections[0], -2);
    EXPECT_EQ(r.PsysCorrections[19], 19);
    ASSERT_TRUE(m.ReadCorrectionsDB());
    EXPECT_EQ(r.RpmCorrections[5], 7);
    EXPECT_TRUE(m.ReadCorrections97());
    EXPECT_TRUE(m.ReadCorrectionsD2());
    DeviceRecord.PcolCorrections.fill(-1);
    ASSERT_TRUE(m.WriteCorrections98());
    ASSERT_TRUE(m.WriteCorrectionsD1());
    ASSERT_TRUE(m.WriteCorrectionsD3());
    ASSERT_TRUE(m.WriteCorrectionsDA());
    rig.Device([](SimControllerState &s) { EXPECT_EQ(s.Payload[0x97], Bytes(20, 0xFF)); });

    ASSERT_TRUE(m.ReadNozzleTestData());
    EXPECT_DOUBLE_EQ(r.NozzleTest[0], 1.0);
    EXPECT_DOUBLE_EQ(r.NozzleTest[1], 2.0);
    DeviceRecord.NozzleTest = {1.0, 2.5, 3.0, 0.5};
    ASSERT_TRUE(m.WriteModelBlockC1());

    const auto fs = rig.Requests();
    ASSERT_EQ(fs.size(), 11u);
    EXPECT_EQ(fs[0], Bytes({0xC0, 0x10, 0x10, 0xE0}));
    EXPECT_EQ(fs[1], Bytes({0xC0, 0xD0, 0x00, 0x90}));
    EXPECT_EQ(fs[2], Bytes({0xC0, 0xDB, 0x00, 0x9B}));
    EXPECT_EQ(fs[3], Bytes({0xC0, 0x97, 0x00, 0x57}));
    EXPECT_EQ(fs[4], Bytes({0xC0, 0xD2, 0x00, 0x92}));
    EXPECT_EQ(fs[5].size(), 23u);
    EXPECT_EQ(fs[5][1], 0x98);
    EXPECT_EQ(fs[5][2], 0xFF);
    EXPECT_EQ(codes({fs[6], fs[7], fs[8]}), (std::vector<int>{0xD1, 0xD3, 0xDA}));
    EXPECT_EQ(fs[9], Bytes({0xC0, 0xC0, 0x00, 0x80}));
    // 2.5 ms x 187 = 467.5 goes to the even neighbour 468; 0.5 x 187 = 93.5 to 94.
    EXPECT_EQ(fs[10], Request({0xC1, 0x00, 0xBB, 0x01, 0xD4, 0x02, 0x31, 0x00, 0x5E}));
}

TEST(DataManagerCommands, PointTablesAndMapRows)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) {
        for (int page = 0; page < 2; ++page)
            for (int j = 0; j < 10; ++j) {
                const int n = page * 10 + j;
                s.MapD4[page][4 * j + 1] = uint8_t(n);
                s.MapD4[page][4 * j + 3] = uint8_t(100 + n);
                s.Model2[page][4 * j] = 1;
            }
        for (int row = 0; row < 40; ++row) {
            s.RowsDC[row] = {0x80, uint8_t(row), 0, 1, 0, 2};
            s.RowsDD[row] = {0, 0, 0, 0, 0x12, uint8_t(row)};
        }
    });
    auto &m = rig.Manager;
    ASSERT_TRUE(m.ReadMapD4());
    EXPECT_EQ(DeviceRecord.ModelPointsA[13].X, 13);
    EXPECT_EQ(DeviceRecord.ModelPointsA[13].Y, 113);
    ASSERT_TRUE(m.ReadModel2Block());
    EXPECT_EQ(DeviceRecord.ModelPointsB[19].X, 256);
    ASSERT_TRUE(m.ReadMapRowsDC());
    EXPECT_EQ(DeviceRecord.MapRows[39][0], 0x8027);
    EXPECT_EQ(DeviceRecord.MapRows[39][2], 2);
    ASSERT_TRUE(m.ReadMapRowsDD());
    EXPECT_EQ(DeviceRecord.MapRows2[7][2], 0x1207);
    auto fs = rig.Requests();
    ASSERT_EQ(fs.size(), 84u);
    EXPECT_EQ(fs[0], Request({0xD4, 0}));
    EXPECT_EQ(fs[1], Request({0xD4, 1}));
    EXPECT_EQ(fs[3], Request({0x95, 1}));
    EXPECT_EQ(fs[4], Request({0xDC, 0}));
    EXPECT_EQ(fs[83], Request({0xDD, 39}));

    // Writes: pages of ten points, rows of the first word.
    DeviceRecord.ModelPointsA[10] = {0x0102, 0x0304};
    DeviceRecord.ModelPointsA[19] = {70000, -5}; // kept within the 16-bit field
    DeviceRecord.MapRows[3][0] = 0x8ABC;
    rig.Server.log().clear();
    ASSERT_TRUE(m.WriteMapD5());
    ASSERT_TRUE(m.WriteModel2Block());
    ASSERT_TRUE(m.WriteMapRowDF());
    ASSERT_TRUE(m.ClearMapDE(3));
    fs = rig.Requests();
    ASSERT_EQ(fs.size(), 45u);
    EXPECT_EQ(fs[1].size(), 44u);
    EXPECT_EQ(fs[1][2], 1);
    EXPECT_EQ(Bytes(fs[1].begin() + 3, fs[1].begin() + 7), Bytes({0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(Bytes(fs[1].begin() + 39, fs[1].begin() + 43), Bytes({0xFF, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(fs[2][1], 0x96);
    EXPECT_EQ(fs[4 + 3], Request({0xDF, 3, 0x8A, 0xBC}));
    EXPECT_EQ(fs[44], Request({0xDE, 3}));

    // A failure in the middle stops the loop; rows before stay stored. (The
    // clear above left no row valid: two are made valid again.)
    rig.Device([](SimControllerState &s) {
        s.RowsDC[0][0] = s.RowsDC[5][0] = 0x80;
        s.RowsDC[0][1] = 0x55;
        s.RowsDC[5][1] = 0x66;
    });
    rig.Server.log().clear();
    rig.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0xDC && f[2] == 3; },
                               Fault::badChecksum(), 2);
    EXPECT_FALSE(m.ReadMapRowsDC());
    EXPECT_EQ(rig.Requests().size(), 5u);
    EXPECT_EQ(DeviceRecord.MapRows[0][0], 0x8055);
    EXPECT_EQ(DeviceRecord.MapRows[5][0], 0x8005);
}

TEST(DataManagerCommands, AdaptationBanksAndLoadAxes)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) {
        for (int i = 0; i < 100; ++i)
            s.AdaptBanks[1][size_t(i)] = uint8_t(i);
        s.AdaptBanks[1][50] = 0xF6; // -10
        Bytes &p = s.Payload[0x60];
        for (size_t i = 0; i < p.size(); ++i)
            p[i] = uint8_t(i);
    });
    auto &m = rig.Manager;
    ASSERT_TRUE(m.ReadCorrections61(2, 1));
    EXPECT_EQ(DeviceRecord.AdaptBanks[1][5][0], -10);
    EXPECT_EQ(DeviceRecord.AdaptBanks[1][9][9], 99);
    EXPECT_EQ(DeviceRecord.AdaptBanks[0][5][1], 0);
    EXPECT_FALSE(m.ReadCorrections61(3, 0));
    EXPECT_FALSE(m.ReadCorrections61(1, 2));
    EXPECT_FALSE(m.WriteCorrections62(0, 0));
    DeviceRecord.AdaptBanks[0][2][3] = -1;
    ASSERT_TRUE(m.WriteCorrections62(1, 0));
    ASSERT_TRUE(m.ReadCorrections60());
    EXPECT_EQ(DeviceRecord.Corrections60.LoadAxis[9], 9);
    EXPECT_EQ(DeviceRecord.Corrections60.RpmAxis[0], 0x0A0B);
    EXPECT_EQ(DeviceRecord.Corrections60.RpmAxis[9], 0x1C1D);
    const auto fs = rig.Requests();
    ASSERT_EQ(fs.size(), 3u);
    EXPECT_EQ(fs[0], Request({0x61, 0x21}));
    EXPECT_EQ(fs[1].size(), 54u);
    EXPECT_EQ(fs[1][2], 0x10);
    EXPECT_EQ(fs[1][3 + 23], 0xFF);
    EXPECT_EQ(fs[2], Bytes({0xC0, 0x60, 0xA5, 0xC5}));
    rig.Device([](SimControllerState &s) { EXPECT_EQ(s.AdaptBanks[0][23], 0xFF); });
}

TEST(DataManagerCommands, TroubleCodesHistoryAndService)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) {
        Bytes &t = s.Payload[0x13];
        for (size_t i = 0; i < 16; ++i)
            t[i] = uint8_t(0x10 + i);
        s.DebugCount = 4;
        for (size_t i = 0; i < 20; ++i)
            s.DebugRecords[9][i] = uint8_t(i + 1);
        s.Payload[0x54] = {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04};
        s.Payload[0x54].resize(41);
        s.Payload[0x54][40] = 3;
        s.Payload[0x56] = {7, 0x01, 0x2C};
    });
    auto &m = rig.Manager;
    int hints = 0;
    QString hint;
    m.OnWorkTypeHint = [&](const QString &h) { ++hints; hint = h; };

    ASSERT_TRUE(m.ReadTroubleCodes());
    EXPECT_EQ(DeviceRecord.TroubleCodes[TDataManager::TroubleActiveByte(1)], 0x10);
    EXPECT_EQ(DeviceRecord.TroubleCodes[TDataManager::TroubleStoredByte(4)], 0x1B);
    ASSERT_TRUE(m.ClearTroubleCodes());
    ASSERT_TRUE(m.ReadTroubleCodesDebug(12)); // sent as 11: answer stored nowhere
    EXPECT_EQ(DeviceRecord.DebugTroubleCodes.Count, 0);
    ASSERT_TRUE(m.ReadTroubleCodesDebug(10)); // sent as 9
    const auto &e = DeviceRecord.DebugTroubleCodes.Records[9];
    EXPECT_EQ(DeviceRecord.DebugTroubleCodes.Count, 4);
    EXPECT_EQ(e.Group, 1);
    EXPECT_EQ(e.Mask, 2);
    EXPECT_EQ(e.RpmPeriod, 0x0304);
    EXPECT_EQ(e.GasTime, 0x0708);
    EXPECT_EQ(e.Bytes[0], 9);
    EXPECT_EQ(e.Bytes[9], 18);
    EXPECT_EQ(e.GasWorkTime, 0x1314);
    ASSERT_TRUE(m.ReadComputerCodes());
    EXPECT_EQ(DeviceRecord.ComputerCodes.Entries[0].Code, 0xDEADBEEFu);
    EXPECT_EQ(DeviceRecord.ComputerCodes.Entries[0].DateTime, 0x01020304u);
    EXPECT_EQ(DeviceRecord.ComputerCodes.Newest, 3);
    ASSERT_TRUE(m.WriteLastChangeInfo(0x11223344, 0x55667788));
    ASSERT_TRUE(m.ReadInfo56());
    EXPECT_EQ(DeviceRecord.InspectionTimeDistRatio, 7);
    EXPECT_EQ(DeviceRecord.NextInspection, 300);
    DeviceRecord.NextInspection = 0x0102;
    ASSERT_TRUE(m.WriteNextInspection());
    ASSERT_TRUE(m.SetWorkType(3));
    EXPECT_EQ(m.WorkType, 3);
    ASSERT_TRUE(m.SetWorkType(7)); // sent, not kept
    EXPECT_EQ(m.WorkType, 3);
    EXPECT_EQ(hints, 2);
    EXPECT_EQ(hint, "WorkType: 3");
    EXPECT_EQ(rig.Requests(),
              frames({{0xC0, 0x13, 0x13, 0xE6}, {0xC0, 0x14, 0x14, 0xE8}, Request({0x58, 11}),
                      Request({0x58, 9}), {0xC0, 0x54, 0x00, 0x14},
                      Request({0x55, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}),
                      {0xC0, 0x56, 0x00, 0x16}, Request({0x57, 7, 0x01, 0x02}),
                      Request({0x20, 3}), Request({0x20, 7})}));
    rig.Device([](SimControllerState &s) {
        EXPECT_EQ(s.Payload[0x13], Bytes(16, 0));
        EXPECT_EQ(s.Payload[0x54][32], 0x11); // after the newest (3), now the newest
        EXPECT_EQ(s.Payload[0x54][40], 4);
        EXPECT_EQ(s.Payload[0x54][0], 0xDE);
        EXPECT_EQ(s.WorkType, 7);
    });
}

TEST(DataManagerCommands, LevelSensorActuatorsAndInjectorTests)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) {
        s.Payload[0x35] = {10, 20, 30, 40};
        s.Payload[0x36] = {50, 60, 70, 80};
        Bytes &c = s.Payload[0x90];
        c[0] = 0x01; c[3] = 0x02; c[31] = 0x09;
        Bytes &w = s.Payload[0x91];
        for (size_t i = 0; i < w.size(); ++i)
            w[i] = uint8_t(i);
        s.Payload[0x93] = {0xFF, 1, 2, 3, 4, 5, 6, 0x80};
        s.Payload[0x17] = {0x01, 0x76, 0x26, 0x08, 0x0A, 0x0A, 0x52, 0x64, 0x00, 0xFF, 0x00, 0xBB};
    });
    auto &m = rig.Manager;
    ASSERT_TRUE(m.ReadLevelSensor35());
    ASSERT_TRUE(m.ReadLevelSensor36());
    EXPECT_EQ(DeviceRecord.PW0, 10);
    EXPECT_EQ(DeviceRecord.PW3, 40);
    EXPECT_EQ(DeviceRecord.Level0900, 50);
    EXPECT_EQ(DeviceRecord.Level0903, 80);
    DeviceRecord.PW1 = 21;
    DeviceRecord.Level0902 = 71;
    ASSERT_TRUE(m.WriteLevelSensor37());
    ASSERT_TRUE(m.WriteLevelSensor38());
    ASSERT_TRUE(m.ActuatorTest18(1));
    ASSERT_TRUE(m.ActuatorCmd39(0x0F));
    ASSERT_TRUE(m.StartInjectorTest(0x81));
    ASSERT_TRUE(m.ReadInjTest90());
    EXPECT_EQ(DeviceRecord.InjTestCounters[0], 0x01000002u);
    EXPECT_EQ(DeviceRecord.InjTestCounters[7], 9u);
    ASSERT_TRUE(m.ReadInjTest91());
    EXPECT_EQ(DeviceRecord.InjTestWords[0], 0x0001);
    EXPECT_EQ(DeviceRecord.InjTestWords[7], 0x0E0F);
    EXPECT_EQ(DeviceRecord.InjTestBytes[2], 18);
    ASSERT_TRUE(m.ReadGasInjCorrTable());
    EXPECT_EQ(DeviceRecord.GasInjCorrTable[0], -1);
    EXPECT_EQ(DeviceRecord.GasInjCorrTable[7], -128);
    DeviceRecord.GasInjCorrTable[1] = -2;
    ASSERT_TRUE(m.WriteGasInjTable());
    ASSERT_TRUE(m.ReadInjControl());
    EXPECT_EQ(*TDataManager::InjectorPreset(16), m.InjControlBlock);
    m.InjControlBlock[1] = 0x77;
    ASSERT_TRUE(m.WriteInjControl());
    ASSERT_TRUE(m.WriteInjControl15(1));
    EXPECT_FALSE(m.WriteInjControl15(0));
    EXPECT_FALSE(m.WriteInjControl15(20));
    EXPECT_EQ(rig.Requests(),
              frames({{0xC0, 0x35, 0x00, 0xF5}, {0xC0, 0x36, 0x00, 0xF6},
                      Request({0x37, 10, 21, 30, 40, 0}), Request({0x38, 50, 60, 71, 80, 0}),
                      Request({0x18, 1}), Request({0x39, 0x0F}), Request({0x92, 0x81}),
                      {0xC0, 0x90, 0x00, 0x50}, {0xC0, 0x91, 0x00, 0x51}, {0xC0, 0x93, 0x00, 0x53},
                      Request({0x94, 0xFF, 0xFE, 2, 3, 4, 5, 6, 0x80}), {0xC0, 0x17, 0x00, 0xD7},
                      Request({0x15, 0x01, 0x77, 0x26, 0x08, 0x0A, 0x0A, 0x52, 0x64, 0x00, 0xFF,
                               0x00, 0xBB}),
                      Request({0x15, 0x24, 0x86, 0x00, 0x00, 0x00, 0x00, 0x52, 0x49, 0x00, 0xFF,
                               0x01, 0x76})}));

    // A failed read leaves the injector control block as it was.
    const auto before = m.InjControlBlock;
    rig.Server.injectFault(Fault::badChecksum(), 2);
    EXPECT_FALSE(m.ReadInjControl());
    EXPECT_EQ(m.InjControlBlock, before);
}

TEST(DataManagerCommands, RecordingsPointByPointAndByPages)
{
    SimControllerRig rig(20, 'E');
    ASSERT_TRUE(rig.Connect());
    DeviceRecord.PressureSensorType = 1;
    // state 5, pressure code 10 (raw 30), time 0x40 x 32 / 187 ms
    const uint16_t good = uint16_t(5 << 13 | 10 << 7 | 0x40);
    const uint16_t high = uint16_t(1 << 13 | 63 << 7 | 0x01); // raw 136: above the limit
    const double limit = RawToCollectorPressure(100);
    ASSERT_LT(RawToCollectorPressure(30), limit);
    ASSERT_GT(RawToCollectorPressure(136), limit);
    rig.Device([&](SimControllerState &s) {
        s.RecordingCount1 = 4;
        s.RecordingCount2 = 200; // limited to 127
        s.Recording1 = {};
        s.Recording1[0] = good;
        s.Recording1[1] = 0; // empty slot
        s.Recording1[2] = high;
        s.Recording1[3] = good;
        for (auto &w : s.Recording2)
            w = good;
    });
    auto &m = rig.Manager;
    ASSERT_TRUE(m.ReadRecordingSize());
    EXPECT_EQ(m.RecordingCount1, 4);
    EXPECT_EQ(m.RecordingCount2, 127);
    rig.Server.log().clear();

    rig.Device([](SimControllerState &s) { s.RecordingCount2 = 2; });
    ASSERT_TRUE(m.ReadRecording(limit));
    EXPECT_EQ(m.RecordingCount1, 2); // the empty slot and the high point are dropped
    EXPECT_EQ(m.RecordingCount2, 2);
    const auto &p = DeviceRecord.Recording1[1];
    EXPECT_DOUBLE_EQ(p.Pressure, RawToCollectorPressure(30));
    EXPECT_DOUBLE_EQ(p.Time, 0x40 * 32 / 187.0);
    EXPECT_EQ(p.State, 5);
    EXPECT_DOUBLE_EQ(DeviceRecord.Recording1[2].Pressure, 0.0); // cleared
    EXPECT_EQ(rig.Requests(),
              frames({Request({0x31, 0, 198}), Request({0x31, 0, 200}), Request({0x31, 0, 202}),
                      Request({0x31, 0, 204}), Request({0x31, 0, 206}), Request({0x31, 0x01, 0xC8}),
                      Request({0x31, 0x01, 0xCA})}));

    // By pages: 20 points of recording 2 take two pages; 0xFFFF reads as 0.
    rig.Device([](SimControllerState &s) {
        s.RecordingCount2 = 20;
        s.Recording2[17] = 0xFFFF;
    });
    rig.Server.log().clear();
    ASSERT_TRUE(m.ReadRecording2(limit));
    EXPECT_EQ(m.RecordingCount1, 2);
    EXPECT_EQ(m.RecordingCount2, 19);
    EXPECT_EQ(rig.Requests(), frames({Request({0x31, 0, 198}), Request({0xD6, 0}),
                                      Request({0xD7, 0}), Request({0xD7, 1})}));
    uint16_t words[16] = {};
    ASSERT_TRUE(m.ReadRecordD7(1, words));
    EXPECT_EQ(words[0], good);
    EXPECT_EQ(words[1], 0);
}

TEST(DataManagerCommands, AdaptationSwitch)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) { s.Param8[31] = 0x81; });
    ASSERT_TRUE(rig.Manager.SetAdaptationMode(true));
    EXPECT_EQ(DeviceRecord.AdaptationMode, 1);
    EXPECT_EQ(DeviceRecord.ReturnToPetrolMask, 0xC1);
    ASSERT_TRUE(rig.Manager.SetAdaptationMode(false));
    EXPECT_EQ(rig.Requests(), frames({Request({0x07, 31}), Request({0x08, 31, 0xC1}),
                                      Request({0x07, 31}), Request({0x08, 31, 0x81})}));
    // A failed read writes nothing back.
    rig.Server.log().clear();
    rig.Server.injectFault(Fault::badChecksum(), 2);
    EXPECT_FALSE(rig.Manager.SetAdaptationMode(true));
    rig.Server.log().waitForCount(2, testsupport::GiveUp);
    EXPECT_EQ(codes(rig.Requests()), (std::vector<int>{0x07, 0x07}));
}

// A write the device took leaves the record holding what the device now
// holds, as a read of it stores it: a later step of the same job computes
// from it without reading the device back. A write the device refused
// leaves the record as it was.
TEST(DataManagerCommands, TheRecordFollowsTheWritesTheDeviceTook)
{
    for (const uint8_t kind : {uint8_t(48), uint8_t(21)}) {
        SCOPED_TRACE(int(kind));
        SimControllerRig rig(kind, kind == 48 ? 'I' : 'E');
        if (kind == 48)
            rig.Controller.SetKind48Limits();
        else
            rig.Controller.SetConfigurationLimits();
        rig.Device([](SimControllerState &s) {
            s.Value16[28] = 1; // four injector outputs
            s.Param8[31] = 0x81;
        });
        ASSERT_TRUE(rig.Connect());
        ASSERT_EQ(ReadConfigurationByKind(rig.Manager), 1);
        auto &m = rig.Manager;
        const auto &r = DeviceRecord;
        ASSERT_NE(r.InjTypeName, 3);
        ASSERT_NE(r.IdleHotTb, 500);
        EXPECT_TRUE(m.WriteParamByte(2, 3));
        EXPECT_TRUE(m.WriteParamByte(28, 1));
        EXPECT_TRUE(m.WriteParamByte(31, 0x42));
        EXPECT_TRUE(m.WriteParamWord(8, 500));
        // Class 2, level sensor 1, CNG, RPM source 1, turbo; four cylinders.
        EXPECT_TRUE(m.WriteConfigCmd04(0x2484, 100, 0xB6, 15));
        EXPECT_EQ(r.InjTypeName, 3);
        EXPECT_EQ(r.PressureSensorType, 1);
        EXPECT_EQ(r.IdleHotTb, 500);
        EXPECT_EQ((std::vector<int>{r.ReturnToPetrolMask, r.RPM_lt, r.RPM_gt, r.AdaptationMode}),
                  (std::vector<int>{0x42, 0, 1, 1}));
        EXPECT_EQ((std::vector<int>{r.T, r.RPM, r.EngineType, r.RPMsource, r.FuelType, r.InjType, r.InjSW}),
                  (std::vector<int>{100, 0x2484, 1, 1, 1, 2, 4}));
        EXPECT_EQ(kind == 48 ? r.ModelDataExtra[0] : r.ReserveType, kind == 48 ? 0xB6 : 1);
        // What a read of the device stores is what the writes left.
        const TDeviceRecord written = r;
        ASSERT_EQ(ReadConfigurationByKind(m), 1);
        for (const auto &[name, before, after] :
             {std::tuple{"type", int(written.InjTypeName), int(r.InjTypeName)},
              {"sensor", written.PressureSensorType, r.PressureSensorType},
              {"id 31", written.ReturnToPetrolMask, r.ReturnToPetrolMask},
              {"idle Tb", written.IdleHotTb, r.IdleHotTb},
              {"T", written.T, r.T},
              {"RPM", written.RPM, r.RPM},
              {"class", written.InjType, r.InjType},
              {"cylinders", written.InjSW, r.InjSW},
              {"fuel", written.FuelType, r.FuelType},
              {"block", written.ModelDataExtra[0], r.ModelDataExtra[0]},
              {"level", written.ReserveType, r.ReserveType}})
            EXPECT_EQ(before, after) << name;
        // A refused value: the record keeps what the device holds.
        const uint8_t refusedId = kind == 48 ? 33 : 28;
        const uint8_t held = kind == 48 ? r.ReserveType : r.PressureSensorType;
        EXPECT_FALSE(m.WriteParamByte(refusedId, 9));
        EXPECT_EQ(kind == 48 ? r.ReserveType : r.PressureSensorType, held);
    }
}
