// Identity texts, the switch-over threshold, the RPM window and the colour
// conditions of the live displays, against hand-worked values.

#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"
#include "sim/SimControllerFixture.h"

#include <gtest/gtest.h>

using namespace sim;

namespace {

class Identity : public ::testing::Test
{
protected:
    void SetUp() override { DeviceRecord.Clear(); }
    void TearDown() override { DeviceRecord.Clear(); }
    TDataManager M;
};

// Engine period (raw 1/187 ms) of an RPM.
quint16 periodOf(int rpm)
{
    return static_cast<quint16>(120.0 * 187000.0 / rpm + 0.5);
}

} // namespace

TEST_F(Identity, DeviceTypeText)
{
    EXPECT_EQ(M.GetDeviceTypeText(true), "00");
    EXPECT_EQ(M.GetDeviceTypeText(false), "00");
    DeviceRecord.DeviceKind = 20;
    EXPECT_EQ(M.GetDeviceTypeText(false), "14");
    EXPECT_EQ(M.GetDeviceTypeText(true), "1.4");
    DeviceRecord.DeviceKind = 21;
    EXPECT_EQ(M.GetDeviceTypeText(true), "1.5");
    DeviceRecord.DeviceKind = 48;
    EXPECT_EQ(M.GetDeviceTypeText(false), "30");
    EXPECT_EQ(M.GetDeviceTypeText(true), "3.0");
}

TEST_F(Identity, VersionTextInBothForms)
{
    auto &r = DeviceRecord;
    r.DeviceKind = 48;
    r.UsaVariant = 1;
    r.IdentityPage5 = 2;
    r.IdentityPage3 = 3;
    r.IdentityPage1 = 1;
    r.IdentityPage2 = 5;
    r.Ver = "H";
    r.IdentityPage4 = 7;
    r.IdentityPage6 = 3;
    EXPECT_EQ(M.FormatVersion(true), "1231530H TUR[7-3]USA");
    EXPECT_EQ(M.FormatVersion(false), "1231530H TURBO [7-3] USA");

    r.DeviceKind = 20;
    r.UsaVariant = 0;
    r.IdentityPage5 = 0;
    r.IdentityPage3 = 0;
    r.IdentityPage1 = 9; // no name
    r.IdentityPage2 = 0;
    r.Ver = "E";
    r.IdentityPage4 = 12;
    r.IdentityPage6 = 255;
    EXPECT_EQ(M.FormatVersion(true), "0009014E -[12]");
    EXPECT_EQ(M.FormatVersion(false), "0009014E - [12] ");
    r.IdentityPage1 = 4;
    EXPECT_EQ(M.FormatVersion(false), "0004014E UPDATE [12] ");
}

TEST_F(Identity, SerialNumberFromTheDevice)
{
    SimControllerRig rig(48, 'H');
    rig.Device([](SimControllerState &s) {
        s.Words[84] = 0x0C05;
        s.Words[88] = 123;
        s.Words[90] = 0;
    });
    ASSERT_TRUE(rig.Connect());
    DeviceRecord.IdentityPage4 = 7;
    EXPECT_EQ(rig.Manager.FormatSerialNumber(), "00123070512");
    const auto frames = rig.Requests();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], Request({0x31, 0x00, 84}));
    EXPECT_EQ(frames[1], Request({0x31, 0x00, 88}));
    EXPECT_EQ(frames[2], Request({0x31, 0x00, 90}));

    // A longer number keeps its last five digits: 0x10 0000 = 1048576.
    rig.Device([](SimControllerState &s) {
        s.Words[84] = 0x0102;
        s.Words[88] = 0;
        s.Words[90] = 0x10;
    });
    DeviceRecord.IdentityPage4 = 123;
    EXPECT_EQ(rig.Manager.FormatSerialNumber(), "485761230201");
}

TEST_F(Identity, SwitchTempThreshold)
{
    auto &r = DeviceRecord;
    EXPECT_EQ(M.GetSwitchTempThreshold(), 0); // no device
    r.DeviceKind = 20;
    r.T = 60;
    r.GasTempRaw = 100;
    EXPECT_EQ(M.GetSwitchTempThreshold(), 60);
    r.GasTempRaw = 180; // 60 - 180 + 167
    EXPECT_EQ(M.GetSwitchTempThreshold(), 47);
    r.GasTempRaw = 168;
    EXPECT_EQ(M.GetSwitchTempThreshold(), 59);
    r.GasTempRaw = 200; // 27, raised to 40
    EXPECT_EQ(M.GetSwitchTempThreshold(), 40);
    r.DeviceKind = 21;
    r.T = 30;
    r.GasTempRaw = 0;
    EXPECT_EQ(M.GetSwitchTempThreshold(), 40);
    r.DeviceKind = 19;
    EXPECT_EQ(M.GetSwitchTempThreshold(), 0);
}

TEST_F(Identity, SwitchTempThresholdOfKindFortyEight)
{
    {
        SimControllerRig rig(48, 'G');
        ASSERT_TRUE(rig.Connect());
        DeviceRecord.SwitchTempThresholdRaw = 99;
        EXPECT_EQ(rig.Manager.GetSwitchTempThreshold(), 99);
        EXPECT_TRUE(rig.Requests().empty());
    }
    {
        SimControllerRig rig(48, 'F');
        rig.Device([](SimControllerState &s) { s.Value16[33] = 0x1234; });
        ASSERT_TRUE(rig.Connect());
        DeviceRecord.SwitchTempThresholdRaw = 99;
        EXPECT_EQ(rig.Manager.GetSwitchTempThreshold(), 0x34);
        EXPECT_EQ(rig.Requests(), std::vector<Bytes>{Request({0x40, 33})});
    }
}

TEST_F(Identity, RpmWindows)
{
    int low = 0, high = 0;
    const int table[][3] = {{0, 1250, 1750},  {1, 1750, 2250},  {2, 2250, 2750},
                            {3, 2750, 3250},  {4, 3250, 3750},  {5, 3750, 4250},
                            {6, 4250, 4750},  {7, 4750, 5250},  {8, 1250, 2250},
                            {9, 1750, 2750},  {10, 2250, 3250}, {11, 2750, 3750},
                            {12, 3250, 4250}, {13, 3750, 4750}, {14, 4250, 5250},
                            {15, 2250, 2750}, {-1, 2250, 2750}, {255, 2250, 2750}};
    for (const auto &row : table) {
        TDataManager::RpmWindowOf(row[0], low, high);
        EXPECT_EQ(low, row[1]) << row[0];
        EXPECT_EQ(high, row[2]) << row[0];
    }

    SimControllerRig rig(20, 'E');
    auto &r = DeviceRecord;
    r.MapRPMRange = 2;
    r.RpmPeriod = periodOf(2500);
    TDataManager &m = rig.Manager;
    int beeps = 0;
    bool checked = true;
    m.IsRpmSoundChecked = [&] { return checked; };
    m.OnBeep = [&] { ++beeps; };
    EXPECT_EQ(m.GetRpmWindow(), 7); // the device is not ready
    ASSERT_TRUE(rig.Connect());
    r.ReducerTempRaw = 80;
    EXPECT_EQ(m.GetRpmWindow(), 2);
    EXPECT_EQ(beeps, 1);
    r.ReducerTempRaw = 88; // too cold for the sound
    EXPECT_EQ(m.GetRpmWindow(), 2);
    checked = false;
    r.ReducerTempRaw = 80;
    EXPECT_EQ(m.GetRpmWindow(), 2);
    EXPECT_EQ(beeps, 1);
    r.RpmPeriod = periodOf(2250); // the edge is outside
    ASSERT_EQ(PeriodToRpm(r.RpmPeriod), 2250);
    EXPECT_EQ(m.GetRpmWindow(), 7);
    r.MapRPMRange = 10;
    EXPECT_EQ(m.GetRpmWindow(), 7);
    r.RpmPeriod = periodOf(2260);
    EXPECT_EQ(m.GetRpmWindow(), 2);
}

TEST_F(Identity, LampAndLiveColours)
{
    auto &r = DeviceRecord;
    EXPECT_EQ(M.StatePanelGasColor(), 13);
    EXPECT_EQ(M.StatePanelPetrolColor(), 14);
    r.PanelLED = 1;
    EXPECT_EQ(M.StatePanelGasColor(), 15);
    EXPECT_EQ(M.StatePanelPetrolColor(), 16);

    EXPECT_EQ(M.ColorNoRpmSignal(), 10);
    r.RpmPeriod = periodOf(1200);
    EXPECT_EQ(M.ColorRpmAbove1200(), 7);
    EXPECT_EQ(M.ColorNoRpmSignal(), 7);
    r.RpmPeriod = periodOf(1250);
    EXPECT_EQ(M.ColorRpmAbove1200(), 10);

    r.AutoCalValueD = periodOf(2500);
    EXPECT_EQ(M.ColorAutoCalRpm(), 2);
    r.AutoCalValueD = periodOf(2800);
    EXPECT_EQ(M.ColorAutoCalRpm(), 7);

    r.ReducerTempRaw = 88;
    EXPECT_EQ(M.ColorReducerTempAbove88(), 7);
    EXPECT_EQ(M.ColorReducerTempAbove67(), 10);
    r.ReducerTempRaw = 89;
    EXPECT_EQ(M.ColorReducerTempAbove88(), 10);
    r.ReducerTempRaw = 67;
    EXPECT_EQ(M.ColorReducerTempAbove67(), 7);
    r.GasTempRaw = 195;
    EXPECT_EQ(M.ColorGasTempAbove195(), 7);
    r.GasTempRaw = 196;
    EXPECT_EQ(M.ColorGasTempAbove195(), 10);
    r.SupplyVoltageRaw = 131;
    EXPECT_EQ(M.ColorSupplyVoltageLow(), 10);
    r.SupplyVoltageRaw = 132;
    EXPECT_EQ(M.ColorSupplyVoltageLow(), 4);

    // Threshold 60 on kind 20; raw values fall as it gets warmer.
    r.DeviceKind = 20;
    r.T = 60;
    r.GasTempRaw = 0;
    r.ReducerTempRaw = 61;
    EXPECT_EQ(M.ColorReducerBelowSwitchTemp(), 10);
    r.ReducerTempRaw = 60;
    EXPECT_EQ(M.ColorReducerBelowSwitchTemp(), 7);

    // Gas pressure at or above the low-pressure threshold, only on gas.
    r.LowPT = 100;
    r.GasPressureRaw = 100;
    r.GasSwitchState = 3;
    EXPECT_EQ(M.ColorGasPressureAboveLowPT(), 10);
    r.GasSwitchState = 4;
    EXPECT_EQ(M.ColorGasPressureAboveLowPT(), 7);
    r.GasPressureRaw = 99;
    EXPECT_EQ(M.ColorGasPressureAboveLowPT(), 10);
}

TEST_F(Identity, InjectionTimeColours)
{
    auto &r = DeviceRecord;
    r.InjSW = 3;
    r.PetrolTime = {1122, 374, 374, 0, 0, 0, 0, 0}; // 6, 2, 2 ms: mean 3.33 ms
    EXPECT_EQ(M.ColorAveragePetrolTime(), 7);
    EXPECT_EQ(M.ColorPetrolTimeSpread(), 7); // the idle channels are not counted
    r.PetrolTime[2] = 18;                     // 0.096 ms
    EXPECT_EQ(M.ColorPetrolTimeSpread(), 10);
    r.PetrolTime[0] = 1121;                   // 5.99 ms
    EXPECT_EQ(M.ColorPetrolTimeSpread(), 7);
    r.PetrolTime = {1683, 1683, 1683, 0, 0, 0, 0, 0}; // 9 ms
    EXPECT_EQ(M.ColorAveragePetrolTime(), 10);
    r.PetrolTime = {187, 187, 187, 0, 0, 0, 0, 0};    // 1 ms
    EXPECT_EQ(M.ColorAveragePetrolTime(), 10);
    r.InjSW = 40; // out of range: the eight channels
    r.PetrolTime = {1122, 1122, 1122, 1122, 1122, 1122, 1122, 10};
    EXPECT_EQ(M.ColorPetrolTimeSpread(), 10);
}

TEST_F(Identity, PressureColoursFollowTheirBands)
{
    auto &r = DeviceRecord;
    r.PressureSensorType = 1;
    int inside = 0, outside = 0, above = 0;
    for (int raw = 0; raw < 256; ++raw) {
        r.ManifoldPressureRaw = static_cast<quint8>(raw);
        const double p = RawToCollectorPressure(r.ManifoldPressureRaw);
        const bool idle = p >= 0.2 && p <= 0.55;
        EXPECT_EQ(M.ColorPcolInIdleRange(), idle ? 7 : 10) << raw;
        EXPECT_EQ(M.ColorPcolAbove105(), p > 1.05 ? 2 : 7) << raw;
        (idle ? inside : outside)++;
        above += p > 1.05;

        r.GasPressureRaw = static_cast<quint8>(raw);
        const double g = RawToPressure(r.GasPressureRaw);
        r.GasSwitchState = 5;
        EXPECT_EQ(M.ColorGasPressureInRange(), g >= 0.8 && g <= 1.5 ? 7 : 10) << raw;
        r.GasSwitchState = 2;
        EXPECT_EQ(M.ColorGasPressureInRange(), 10) << raw;
    }
    // The scan covers both sides of each band.
    EXPECT_GT(inside, 0);
    EXPECT_GT(outside, 0);
    EXPECT_GT(above, 0);
}
