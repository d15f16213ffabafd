// The gas-injector test window against the simulated controller: grading,
// the test started, followed and stopped, every way out of the window taking
// the device out of its test, and the correction table read and written.
#include "common/ReducerTemperature.h"
#include "windows/FormInjTest.h"
#include "windows/NamedWidget.h"
#include "windows/WindowsTestSupport.h"

#include "controls/ChangeHelper.h"

#include "core/UnitConversions.h"
#include "core/ui/DialogButtons.h"
#include "sim/SimControllerFixture.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

struct GradeCase {
    std::vector<quint16> times;
    int verdict;
    std::vector<int> corrections;
};

TEST(InjectorTest, GradesTheSpreadAgainstTheCylinderNearestTheMean)
{
    const GradeCase cases[] = {
        {{100, 100, 104, 96}, 1, {0, 0, 4, -4}},
        {{100, 110, 90, 100}, 2, {0, 10, -10, 0}},
        {{100, 120, 100, 80}, 3, {0, 20, 0, -20}},
        // Ties go to the first cylinder nearest the mean.
        {{90, 110}, 3, {0, 22}},
        // The last cylinder can be the one nearest the mean (99).
        {{80, 120, 95, 101}, 3, {-21, 19, -6, 0}},
        {{}, 0, {}},
    };
    for (const GradeCase &c : cases) {
        std::array<double, TFormInjTest::MaxCylinders> corr{};
        EXPECT_EQ(TFormInjTest::GradeInjectorTest(c.times.data(), int(c.times.size()), corr), c.verdict);
        for (size_t i = 0; i < c.corrections.size(); ++i)
            EXPECT_EQ(qRound(corr[i]), c.corrections[i]) << i;
    }
}

using testsupport::ColdReducerCode;
using testsupport::WarmReducerCode;

class InjectorTestWindow : public ::testing::Test
{
protected:
    sim::SimControllerRig rig{48, 'H'};
    BoxRecorder boxes{mrYes};

    void SetUp() override
    {
        rig.Device([](sim::SimControllerState &d) {
            d.InjTestSimulated = true;
            d.InjTestResultTimes = {100, 100, 104, 96, 100, 100, 350, 350};
            d.InjTestResultCounts = {40000, 50000, 40000, 40000, 40000, 40000, 0, 0};
            d.Payload[0x93] = {5, 0xFE, 0, 3, 0, 0, 9, 9};
            d.Payload[0x22] = {60};
        });
        ASSERT_TRUE(rig.Connect());
        DeviceRecord.InjSW = 6;
        DeviceRecord.ReducerTempRaw = WarmReducerCode();
    }
    uint8_t workState()
    {
        uint8_t s = 0;
        rig.Device([&](sim::SimControllerState &d) { s = d.Pages[5]; });
        return s;
    }
    int workTypeZeroSent()
    {
        int n = 0;
        for (const auto &r : rig.Requests())
            n += r.size() >= 3 && r[1] == 0x20 && r[2] == 0;
        return n;
    }
    // Starts a test of the ticked cylinders and checks that it runs.
    void start(TFormInjTest &form)
    {
        form.BtnStartTest->click();
        ASSERT_TRUE(form.Running());
        ASSERT_EQ(workState(), 2);
    }
};

TEST_F(InjectorTestWindow, RunsTheTestOfTheTickedCylindersAndGradesTheResult)
{
    TFormInjTest form;
    // The configured cylinders are ticked, the table read into the up-downs.
    EXPECT_TRUE(form.ChBTestActiveCylinderMask[5]->isChecked());
    EXPECT_FALSE(form.ChBTestActiveCylinderMask[6]->isChecked());
    EXPECT_EQ(form.UpDCorrGasInj[0]->value(), 5);
    EXPECT_EQ(form.UpDCorrGasInj[1]->value(), -2);
    EXPECT_EQ(form.UpDCorrGasInj[6]->value(), 0) << "beyond the cylinder count";
    form.ChBTestActiveCylinderMask[4]->setChecked(false);
    rig.Server.log().clear();
    start(form);
    // The mask of the ticked cylinders: 1-4 and 6.
    bool sent = false;
    for (const auto &r : rig.Requests())
        sent = sent || (r[1] == 0x92 && r[2] == 0x2F);
    EXPECT_TRUE(sent);
    EXPECT_FALSE(form.PnlTestActiveCylinderMask->isEnabled());
    EXPECT_EQ(form.BtnStartTest->text(), TranslateKey("strStop"));
    // The device moves from cylinder to cylinder, then reports.
    for (int tick = 0; tick < 8 && workState() == 2; ++tick)
        form.EvaluateInjectorTest();
    form.EvaluateInjectorTest();
    EXPECT_FALSE(form.Running());
    EXPECT_TRUE(form.PnlTestActiveCylinderMask->isEnabled());
    EXPECT_FALSE(form.LblInjTestResult->isHidden());
    EXPECT_EQ(form.LblInjTestResult->text(), TranslateKey("strGasInjInNorm"));
    EXPECT_EQ(form.EdtCalculatedCorrCyl[2]->text(), "4%");
    EXPECT_EQ(form.EdtCalculatedCorrCyl[3]->text(), "-4%");
    // Bars: cycles 1000/T and efficiency 10^6/W.
    const auto &cycles = form.ChartGasEfficiencyTest->Points(0);
    const auto &efficiency = form.ChartGasEfficiencyTest->Points(1);
    ASSERT_EQ(cycles.size(), 6);
    EXPECT_DOUBLE_EQ(cycles[0].y(), 10.0);
    EXPECT_DOUBLE_EQ(efficiency[1].y(), 20.0);

    // Copy the proposal onto the table and write it: zeros beyond the count.
    form.BtBCopyCorrToDeviceClick();
    EXPECT_EQ(form.UpDCorrGasInj[2]->value(), 0 + 4);
    EXPECT_EQ(form.UpDCorrGasInj[3]->value(), 3 - 4);
    EXPECT_TRUE(form.ChangeHelper->Modified());
    ASSERT_TRUE(form.BtBWriteGasInjTabClick());
    EXPECT_FALSE(form.ChangeHelper->Modified());
    sim::Bytes table;
    rig.Device([&](sim::SimControllerState &d) { table = d.Payload[0x93]; });
    EXPECT_EQ(table, (sim::Bytes{5, 0xFE, 4, 0xFF, 0, 0, 0, 0}));
}

TEST_F(InjectorTestWindow, NoCorrectionIsWrittenPastTheCylinderCount)
{
    // The table read while eight cylinders were configured, written after
    // the count went down to six: the last two go out as zeros.
    DeviceRecord.InjSW = 8;
    TFormInjTest form;
    ASSERT_EQ(form.UpDCorrGasInj[6]->value(), 9);
    DeviceRecord.InjSW = 6;
    ASSERT_TRUE(form.BtBWriteGasInjTabClick());
    sim::Bytes table;
    rig.Device([&](sim::SimControllerState &d) { table = d.Payload[0x93]; });
    EXPECT_EQ(table, (sim::Bytes{5, 0xFE, 0, 3, 0, 0, 0, 0}));
}

TEST_F(InjectorTestWindow, EveryWayOutLeavesTheDeviceOutOfItsTest)
{
    rig.Device([](sim::SimControllerState &d) { d.InjTestEndless = true; });
    // Title bar (close), Escape, and the close button.
    const std::function<void(TFormInjTest &)> ways[] = {
        [](TFormInjTest &f) { f.close(); },
        [](TFormInjTest &f) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&f, &escape);
        },
        [](TFormInjTest &f) { f.BtnClose->click(); },
    };
    for (const auto &leave : ways) {
        TFormInjTest form;
        form.show();
        start(form);
        form.EvaluateInjectorTest();
        ASSERT_TRUE(form.Running()) << "a test that does not finish";
        rig.Server.log().clear();
        boxes.Boxes.clear();
        leave(form);
        EXPECT_FALSE(form.isVisible());
        ASSERT_EQ(boxes.Boxes.size(), 1u);
        EXPECT_EQ(boxes.Boxes[0].Text, TranslateKey("strGasInjFrmCloseQ"));
        EXPECT_GE(workTypeZeroSent(), 1);
        EXPECT_NE(workState(), 2) << "the device left its test";
        EXPECT_FALSE(form.TimerInjectorsEfficiencyTest->isActive());
    }
}

TEST_F(InjectorTestWindow, ARunningTestCanAlwaysBeStoppedAndNoKeepsTheWindow)
{
    rig.Device([](sim::SimControllerState &d) { d.InjTestEndless = true; });
    TFormInjTest form;
    form.show();
    start(form);
    // Stopping asks nothing, even with the reducer gone cold.
    DeviceRecord.ReducerTempRaw = ColdReducerCode();
    rig.Server.log().clear();
    boxes.Boxes.clear();
    form.BtnStartTest->click();
    EXPECT_FALSE(form.Running());
    EXPECT_TRUE(boxes.Boxes.empty());
    EXPECT_EQ(workTypeZeroSent(), 1);
    EXPECT_NE(workState(), 2);
    // A cold reducer refuses the start, in a box with the program's name.
    TCommon::SetApplicationTitle(QStringLiteral("Taron Service"));
    form.BtnStartTest->click();
    TCommon::SetApplicationTitle(QString());
    EXPECT_FALSE(form.Running());
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_TRUE(boxes.Boxes[0].Text.startsWith(TranslateKey("strTredLow60")));
    EXPECT_EQ(boxes.Boxes[0].Caption, QStringLiteral("Taron Service"));
    // No to the close question keeps a running test and its window.
    DeviceRecord.ReducerTempRaw = WarmReducerCode();
    start(form);
    TCommon::SetAnswerProvider([](const TMessageBoxInfo &) { return int(mrNo); });
    form.close();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(workState(), 2);
    TCommon::SetAnswerProvider([](const TMessageBoxInfo &) { return int(mrYes); });
    form.close();
    EXPECT_NE(workState(), 2);
}

TEST_F(InjectorTestWindow, DriftingCollectorPressureStopsTheTestOnlyBeyondTenUnits)
{
    rig.Device([](sim::SimControllerState &d) { d.InjTestEndless = true; });
    TFormInjTest form;
    start(form);
    rig.Device([](sim::SimControllerState &d) { d.Payload[0x22] = {70}; });
    form.TimerCheckingPcolTimer();
    EXPECT_TRUE(form.Running()) << "exactly 10 units";
    rig.Device([](sim::SimControllerState &d) { d.Payload[0x22] = {71}; });
    boxes.Boxes.clear();
    form.TimerCheckingPcolTimer();
    EXPECT_FALSE(form.Running());
    EXPECT_NE(workState(), 2);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, TranslateKey("strInjTStabPcol"));
}

TEST_F(InjectorTestWindow, RefusedStartAndAFailedWriteAreShown)
{
    rig.Device([](sim::SimControllerState &d) { d.InjTestRefused = true; });
    TFormInjTest form;
    form.BtnStartTest->click();
    EXPECT_FALSE(form.Running());
    EXPECT_FALSE(form.TimerCheckingPcol->isActive());
    // (The unanswered start counts as a lost link: connect again.)
    ASSERT_TRUE(rig.Connect());
    // A write the device does not take keeps the table marked.
    form.UpDCorrGasInj[0]->setValue(7);
    form.SetCorrTableModified(true);
    rig.Device([](sim::SimControllerState &d) { d.Silent = true; });
    boxes.Boxes.clear();
    EXPECT_FALSE(form.BtBWriteGasInjTabClick());
    EXPECT_TRUE(form.ChangeHelper->Modified());
    EXPECT_EQ(boxes.Boxes.size(), 1u);
}

} // namespace
