// Configuration helper logic: summary texts of worked records, option and
// busy tests, the correction curves and working-pressure shift, the
// injector-order detection, the drive profile per injector type and the
// hot-idle measurement, with the frames they put on the simulated
// controller's line.
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/ProgramLogic.h"
#include "sim/SimControllerFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using sim::Request;

// The wizard's controls the summaries read, on one window.
struct TWizard {
    QWidget window;
    QComboBox *combo(const char *name, const QString &text)
    {
        auto *c = new QComboBox(&window);
        c->setObjectName(QString::fromLatin1(name));
        c->addItem(text);
        c->setCurrentIndex(0);
        return c;
    }
    QCheckBox *check(const char *name, bool on)
    {
        auto *c = new QCheckBox(&window);
        c->setObjectName(QString::fromLatin1(name));
        c->setChecked(on);
        return c;
    }
};

} // namespace

TEST(ProgramLogic, SummariesOfWorkedRecords)
{
    DeviceRecord.Clear();
    TWizard w;
    w.combo("CmBConfInjSystemType", QStringLiteral("SEKWENCYJNY"));
    w.combo("CmBConfEngineType", QStringLiteral("TURBO"));
    w.combo("CmBConfNozzles", QStringLiteral("2,2"));
    w.combo("CmBConfInjType", QStringLiteral("INJ A"));
    w.combo("CmBConfPressSensType", QStringLiteral("PS-CC2"));
    w.combo("CmBConfRedType", QStringLiteral("VXR MIRA"));
    w.combo("CmBConfLevSensType", QStringLiteral("0-90"));
    w.combo("CmBConfRPMSourceType", QStringLiteral("RPM"));
    w.combo("CmBConfRPMSource", QStringLiteral("DIS"));
    w.combo("CmBConfWorkPressure", QStringLiteral("1,2"));
    w.combo("CmBConfLambdaType", QStringLiteral("0 - 1 V"));
    auto *inFlow = w.check("ChBConfPressSensInFlow", true);
    auto *noRpm = w.check("ChBConfRPMNotConnected", false);
    TProgramLogic logic;
    logic.SetPanel(&w.window);

    auto &r = DeviceRecord;
    r.FuelType = 1;
    r.InjSW = 6;
    r.EngineCubicCapacity = 2498;
    r.Power = 110; // 110 x 15 / 11 = 150.0 HP
    EXPECT_EQ(logic.GetEngineSummary().toStdString(),
              "strConfEngine\r\n"
              "strConfFuel: strConfFuelCNG\r\n"
              "strConfInjCount: 6\r\n"
              "strConfCubicCap: 2498strUnitCC\r\n"
              "strConfInjSysType: SEKWENCYJNY\r\n"
              "strConfEngineType: TURBO\r\n"
              "strConfEnginePower: 110strUnitKW (150.0strUnitHP)\r\n"
              "strConfNozzles: 2,2strUnitMM\r\n");
    r.FuelType = 7; // neither fuel: the value stays empty
    r.Power = 66;   // 90.0 HP
    EXPECT_NE(logic.GetEngineSummary().indexOf(QStringLiteral("strConfFuel: \r\n")), -1);
    EXPECT_NE(logic.GetEngineSummary().indexOf(QStringLiteral("66strUnitKW (90.0strUnitHP)")), -1);

    r.IdleHotTb = 467; // 2.497 ms, one decimal: 2.5
    r.LambdaType = 1;
    EXPECT_EQ(logic.GetInstallationSummary().toStdString(),
              "strConfInstallation\r\n"
              "strConfGasInj: INJ A\r\n"
              "strConfPressSensType: PS-CC2\r\n"
              "strConfReducerType: VXR MIRA\r\n"
              "strConfSensInFlow\r\n"
              "strConfGasSensType: 0-90\r\n"
              "strConfRPMSourceType: RPM\r\n"
              "strConfRPMSource: DIS\r\n"
              "strConfWorkPressure: 1,2strUnitBar\r\n"
              "strConfIdleHotTb: 2.5strUnitMSec\r\n"
              "strConfLambdaType: 0 - 1 V\r\n");
    // Without the sensor in the flow, the RPM wire not connected and no lambda.
    inFlow->setChecked(false);
    noRpm->setChecked(true);
    r.LambdaType = 0;
    EXPECT_EQ(logic.GetInstallationSummary().toStdString(),
              "strConfInstallation\r\n"
              "strConfGasInj: INJ A\r\n"
              "strConfPressSensType: PS-CC2\r\n"
              "strConfReducerType: VXR MIRA\r\n"
              "strConfGasSensType: 0-90\r\n"
              "strConfRPMNotConnected\r\n"
              "strConfWorkPressure: 1,2strUnitBar\r\n"
              "strConfIdleHotTb: 2.5strUnitMSec\r\n");

    // Switching: only the checked conditions get a line.
    w.combo("CmBConfNomRPM", QStringLiteral("1200"));
    w.combo("CmBConfEmulatorSwitchDelay", QStringLiteral("1"));
    w.combo("CmBConfLowPressThreshold", QStringLiteral("0,7"));
    w.combo("CmBConfLowPressDelay", QStringLiteral("2"));
    w.combo("CmBConfLowTgasReturnToPetrol", QStringLiteral("10"));
    w.combo("CmBConfHighLoadPetrolForTgasReturnToPetrol", QStringLiteral("80"));
    w.check("ChBConfLowTgasReturnToPetrol", true);
    w.check("ChBConfTuningMode", false);
    int raw = 0;
    while (raw < 255 && RawToTemperature(quint8(raw)) != 40.0)
        ++raw;
    r.T = quint8(raw);
    const QString switching = logic.GetSwitchingSummary();
    EXPECT_EQ(switching.toStdString(),
              QStringLiteral("strConfSwitching\r\nstrConfSwToGas\r\n"
                             "strConfGasSwitchTemp %1strUnitTemp\r\n"
                             "strConfGasSwitchRPM 1200strUnitRPM\r\n"
                             "strConfGasSwitchEmul 1strUnitSecShort\r\n"
                             "strConfSwToPetrol\r\n"
                             "strConfSwPLowPressure 0,7strUnitBar, strConfSwPLowTime 2strUnitSecShort\r\n"
                             "strConfLowTgasHighLoadRetPetrol 10strUnitTemp strConfAndLoadRetPetrol 80%\r\n")
                  .arg(QString::asprintf("%.1f", RawToTemperature(r.T)))
                  .toStdString());
    DeviceRecord.Clear();
}

TEST(ProgramLogic, OptionLevelAndBusyTests)
{
    sim::SimControllerRig rig(20, 'C');
    ASSERT_TRUE(rig.Connect());
    QWidget window;
    auto *pages = new QTabWidget(&window);
    pages->setObjectName(QStringLiteral("PgCConfWizard"));
    for (int i = 0; i < 5; ++i)
        pages->addTab(new QWidget, QString::number(i));
    TProgramLogic logic;
    logic.SetPanel(&window);

    logic.SetLevel(2);
    EXPECT_TRUE(pages->isTabVisible(0));
    EXPECT_TRUE(pages->isTabVisible(2));
    EXPECT_FALSE(pages->isTabVisible(3));

    // Bit 1 set and bit 2 clear; the test always moves the level to 6.
    for (auto [options, active] : {std::pair{2, true}, {3, true}, {6, false}, {0, false}, {4, false}}) {
        logic.SetLevel(0);
        DeviceRecord.DeviceOptions = quint16(options);
        EXPECT_EQ(logic.IsOptionActive(), active) << options;
        EXPECT_EQ(logic.Level(), 6);
        EXPECT_TRUE(pages->isTabVisible(4));
    }

    // The level's bits go out with the option word; the record keeps it.
    DeviceRecord.DeviceOptions = 8;
    logic.SetLevel(4);
    ASSERT_TRUE(logic.UpdateOptionFlags());
    logic.SetLevel(5);
    ASSERT_TRUE(logic.UpdateOptionFlags());
    logic.SetLevel(3);
    ASSERT_TRUE(logic.UpdateOptionFlags());
    EXPECT_EQ(rig.Requests(), (std::vector<sim::Bytes>{Request({0x52, 14, 0x00, 0x09}),
                                                       Request({0x52, 14, 0x00, 0x0B}),
                                                       Request({0x52, 14, 0x00, 0x08})}));
    EXPECT_EQ(DeviceRecord.DeviceOptions, 8);

    // Busy only while active with a calibration work type.
    DataManager->WorkType = 3;
    EXPECT_FALSE(logic.IsBusy());
    logic.SetActive(true);
    for (auto [type, busy] : {std::pair{3, true}, {6, true}, {7, true}, {5, false}, {0, false}}) {
        DataManager->WorkType = uint8_t(type);
        EXPECT_EQ(logic.IsBusy(), busy) << type;
    }
    logic.ClearState();
    DataManager->WorkType = 3;
    EXPECT_FALSE(logic.IsBusy());
    EXPECT_EQ(logic.Level(), 0);
}

TEST(ProgramLogic, CorrectionCurvesAndWorkingPressure)
{
    sim::SimControllerRig rig(48, 'D');
    ASSERT_TRUE(rig.Connect());
    TProgramLogic logic;
    auto &r = DeviceRecord;

    // Working pressure 104 is position 9: the template as it stands.
    r.WorkPress = 104;
    logic.SelectWorkPressure(false);
    for (int j = 0; j < 20; ++j)
        EXPECT_EQ(r.PsysCorrections[j], TProgramLogic::PsysTemplate[j]);
    // 29 is position 1: shifted by 8, entry 20 repeated at the end.
    r.WorkPress = 29;
    logic.SelectWorkPressure(false);
    const std::array<int, 20> shifted = {0, -6, -10, -12, -16, -18, -22, -24, -26, -28,
                                         -31, -32, -32, -32, -32, -32, -32, -32, -32, -32};
    for (int j = 0; j < 20; ++j)
        EXPECT_EQ(r.PsysCorrections[j], shifted[j]) << j;
    // Not in the table: entry 1 thirteen times, then entries 2 to 8.
    r.WorkPress = 30;
    logic.SelectWorkPressure(true);
    const std::array<int, 20> absent = {102, 102, 102, 102, 102, 102, 102, 102, 102, 102,
                                        102, 102, 102, 80, 60, 47, 33, 23, 15, 9};
    sim::Bytes psys{0xD1};
    for (int j = 0; j < 20; ++j) {
        EXPECT_EQ(r.PsysCorrections[j], absent[j]) << j;
        psys.push_back(uint8_t(absent[j]));
    }
    EXPECT_EQ(rig.Requests(), std::vector<sim::Bytes>{sim::SimController::Frame(0xC0, psys)});
    rig.Server.log().clear();

    // Preset 1 clears the curve and only the gas-temperature bit.
    r.CMActive = 7;
    r.TgasCorrections.fill(9);
    logic.BuildCorrectionTableA(1, true);
    EXPECT_EQ(r.CMActive, 5);
    EXPECT_EQ(r.TgasCorrections, (std::array<qint8, 20>{}));
    logic.BuildCorrectionTableB(3, true);
    EXPECT_EQ(r.CMActive, 5);
    EXPECT_EQ(r.RpmCorrections[19], 8);
    r.CMActive = 8; // the manifold-pressure curve stays on
    logic.BuildCorrectionTableB(4, false);
    EXPECT_EQ(r.CMActive, 8);
    EXPECT_EQ(r.RpmCorrections[19], 25);
    EXPECT_EQ(rig.Requests(), (std::vector<sim::Bytes>{Request({0x16, 74, 0x00, 0x05}),
                                                       Request({0x16, 74, 0x00, 0x05})}));
    rig.Server.log().clear();

    // Kind 48 from "D": a No keeps the curve and sends nothing.
    TCommon common;
    Common = &common;
    int asked = 0;
    TCommon::SetAnswerProvider([&](const TMessageBoxInfo &) { return ++asked == 1 ? int(mrNo) : int(mrYes); });
    r.TgasCorrections.fill(3);
    logic.UpdateGasTempCorrection(1, true);
    EXPECT_EQ(r.TgasCorrections[0], 3);
    EXPECT_TRUE(rig.Requests().empty());
    r.IdentityPage4 = 19;
    logic.UpdateGasTempCorrection(1, true);
    TCommon::SetAnswerProvider({});
    Common = nullptr;
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(r.TgasCorType, 2);
    sim::Bytes tgas{0xD3};
    for (int v : TProgramLogic::TgasStandardAlt)
        tgas.push_back(uint8_t(v));
    EXPECT_EQ(rig.Requests(), (std::vector<sim::Bytes>{Request({0x08, 45, 2}), sim::SimController::Frame(0xC0, tgas)}));
}

TEST(ProgramLogic, InjectorOrderDriveProfilesAndIdleTime)
{
    sim::SimControllerRig rig(20, 'C');
    ASSERT_TRUE(rig.Connect());
    TProgramLogic logic;
    QLabel l1, l2;
    QComboBox list;
    list.addItems({QStringLiteral("INNY"), QStringLiteral("SEKW"), QStringLiteral("POLSEKW"), QStringLiteral("FULL")});
    auto order = [&](int cylinders, uint16_t c1, uint16_t c2) {
        DeviceRecord.InjSW = quint8(cylinders);
        rig.Device([&](sim::SimControllerState &s) {
            s.InjCounters[1] = c1;
            s.InjCounters[2] = c2;
        });
        list.setCurrentIndex(-1);
        logic.FormatInjectionTimes(&l1, &l2, &list);
        return list.currentIndex();
    };
    // Nibbles least significant first.
    EXPECT_EQ(order(4, 0x4321, 0), 1);
    EXPECT_EQ(l1.text(), QStringLiteral("Inj= 1, 2, 3, 4"));
    EXPECT_EQ(order(4, 0x2121, 0), 2);
    EXPECT_EQ(order(4, 0x1111, 0), 3);
    EXPECT_EQ(order(4, 0x2222, 0), 0);
    EXPECT_EQ(order(6, 0x4321, 0x0065), 1);
    EXPECT_EQ(l2.text(), QStringLiteral("Inj= 5, 6, 0, 0"));
    EXPECT_EQ(order(0, 0x1111, 0), 0);
    rig.Server.log().clear();

    // Drive classes; class 3 sends its profile first.
    EXPECT_EQ(logic.ReadDataGroup(6), 1);
    EXPECT_EQ(logic.ReadDataGroup(9), 2);
    EXPECT_EQ(logic.ReadDataGroup(27), 0);
    EXPECT_EQ(logic.ReadDataGroup(40), 0);
    EXPECT_TRUE(rig.Requests().empty());
    EXPECT_EQ(logic.ReadDataGroup(21), 3);
    sim::Bytes profile{0x15};
    const auto *row = TDataManager::InjectorPreset(2);
    ASSERT_NE(row, nullptr);
    profile.insert(profile.end(), row->begin(), row->end());
    EXPECT_EQ(rig.Requests(), std::vector<sim::Bytes>{sim::SimController::Frame(0xC0, profile)});
    EXPECT_DOUBLE_EQ(TProgramLogic::GetDefaultFactor(3), 1.0);
    EXPECT_DOUBLE_EQ(TProgramLogic::GetDefaultFactor(29), 1.1);
    EXPECT_DOUBLE_EQ(TProgramLogic::GetDefaultFactor(7), 0.7);

    // Hot idle: refused below 50 degrees, else the average cut to 0.1 ms.
    // The raw codes next to 50 degrees, below and at or above it.
    int cold = -1, warm = -1;
    for (int raw = 0; raw < 256; ++raw) {
        const double t = RawToTemperature(quint8(raw));
        if (t < 50.0 && (cold < 0 || t > RawToTemperature(quint8(cold))))
            cold = raw;
        if (t >= 50.0 && (warm < 0 || t < RawToTemperature(quint8(warm))))
            warm = raw;
    }
    ASSERT_GE(cold, 0);
    ASSERT_GE(warm, 0);
    EXPECT_GT(RawToTemperature(quint8(cold)), 49.0);
    logic.Wait = [](int) {};
    DeviceRecord.InjSW = 4;
    DeviceRecord.IdleHotTb = 1234;
    rig.Server.log().clear();
    QString text = QStringLiteral("keep");
    DeviceRecord.ReducerTempRaw = quint8(cold);
    EXPECT_TRUE(logic.MeasureIdleHotTb(false, text));
    EXPECT_EQ(DeviceRecord.IdleHotTb, 1234);
    EXPECT_EQ(text, QStringLiteral("keep"));
    EXPECT_EQ(rig.Requests(), std::vector<sim::Bytes>{Request({0x20, 5})});
    rig.Device([&](sim::SimControllerState &s) {
        auto &p = s.Payload[0x05];
        p[1] = uint8_t(warm);
        // Four petrol times of 410 raw (2.19 ms).
        for (int at : {8, 10, 12, 14}) {
            p[size_t(at)] = 0x01;
            p[size_t(at) + 1] = 0x9A;
        }
    });
    DeviceRecord.ReducerTempRaw = quint8(warm);
    rig.Manager.LastPollFailed = false; // as after the main tick's polls
    EXPECT_TRUE(logic.MeasureIdleHotTb(false, text));
    EXPECT_EQ(DeviceRecord.IdleHotTb, 393); // 2.1 ms x 187 = 392.7
    EXPECT_EQ(text, QStringLiteral("2.10"));
}
