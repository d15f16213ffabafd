// The model-2 curve that follows an auto-calibration, worked by hand, and on
// the model-2 page against the simulated controller.
#include "mainwindow/PageWindowFixture.h"

#include "mainwindow/configuration/AutocalModel2.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>

using namespace sim;

TEST(AutocalModel2, LpgCurveStopsItsMultiplesBefore25)
{
    // PS = (6, 7), b = 1: a = 1, f(x) = x + 1.
    const auto r = AutocalModel2::NewModel2(true, 1.0, QPointF(6, 7));
    ASSERT_TRUE(r.Ok);
    const QList<QPointF> want = {{0, 1}, {3, 4}, {6, 7}, {12, 1.06 * 13}, {18, 0.98 * 19}, {24, 0.91 * 25}, {25, 0.9 * 26}};
    ASSERT_EQ(r.Points.size(), want.size());
    for (int i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(r.Points[i].x(), want[i].x(), 1e-12) << i;
        EXPECT_NEAR(r.Points[i].y(), want[i].y(), 1e-12) << i;
    }
    EXPECT_DOUBLE_EQ(r.Slope, 1.0);
    // The line follows the curve's own multiplier: (sum y - 7 b) / sum x.
    double sy = 0, sx = 0;
    for (const auto &p : want) {
        sx += p.x();
        sy += p.y();
    }
    const double m = (sy - 7.0) / sx;
    EXPECT_NEAR(r.Line[1].y(), 1.0 + 25 * m, 1e-9);
    EXPECT_EQ(r.MultPercent, int(std::nearbyint(100 * m - 100)));
    EXPECT_EQ(r.OffsetTenths, 10);
}

TEST(AutocalModel2, CngCurveAndRefusals)
{
    const auto r = AutocalModel2::NewModel2(false, 1.0, QPointF(5, 11)); // a = 2
    ASSERT_TRUE(r.Ok);
    const QList<QPointF> want = {{0, 1}, {2.5, 6}, {5, 11}, {10, 0.95 * 21}, {15, 0.8 * 31}, {20, 0.7 * 41}, {25, 0.55 * 51}};
    EXPECT_EQ(r.Points, want);
    EXPECT_EQ(r.Line, (QList<QPointF>{{0, 1}, {25, 51}}));
    EXPECT_EQ(r.MultPercent, 100);
    // No point, or one whose double reaches 25 ms: no curve.
    for (double x : {0.0, -1.0, 12.5, 350.0})
        EXPECT_FALSE(AutocalModel2::NewModel2(true, 1.0, QPointF(x, 5)).Ok) << x;
}

class AutocalModel2Page : public PageWindowFixture
{
protected:
    static void SetUpTestSuite() { CreateWindow(); }
};

TEST_F(AutocalModel2Page, WithLoadTheNozzlePointsGiveTheCurveOnThePage)
{
    TCommon::SetAnswerProvider([](const TMessageBoxInfo &) { return 6; });
    Connect(48, 'G');
    Rig->Device([](SimControllerState &s) {
        s.Model[1] = 1024;
        s.Model[2] = 187;
        s.Param8[37] = 0x01; // the idle model in use
        const uint16_t idle[4] = {561, 842, 1122, 1309};
        for (int i = 0; i < 4; ++i) {
            s.Payload[0xC0][size_t(2 * i)] = uint8_t(idle[i] >> 8);
            s.Payload[0xC0][size_t(2 * i + 1)] = uint8_t(idle[i]);
        }
    });
    // As the program wires it.
    Model2->Hooks.CalcNewModel2 = [](int phase, double) { AutocalModel2::CalcNewModel2(*Model2, phase); };
    Get<QAbstractButton>("SpBModel2SetNewModel")->click();
    const QPointF ps((3.0 + 6.0) / 2, (842 / 187.0 + 7.0) / 2);
    const auto want = AutocalModel2::NewModel2(true, 1.0, ps);
    ASSERT_TRUE(want.Ok);
    EXPECT_EQ(Model2->Curve(), want.Points);
    EXPECT_EQ(Get<QLineEdit>("YEdModel2MULT")->text(), QString::number(want.MultPercent));
    EXPECT_TRUE(Model2->Model2Modified);
    // Kind 20 refuses.
    Model2->Curve().clear();
    Connect(20, 'G');
    Get<QAbstractButton>("SpBModel2SetNewModel")->click();
    EXPECT_TRUE(Model2->Curve().isEmpty());
    Model2->Hooks.CalcNewModel2 = {};
}
