// The model arithmetic on inputs worked out by hand.
#include "mainwindow/configuration/ModelMath.h"

#include <gtest/gtest.h>

using namespace ModelMath;

namespace {

void ExpectCurve(const TCurve &got, std::initializer_list<QPointF> want)
{
    ASSERT_EQ(got.size(), qsizetype(want.size()));
    int i = 0;
    for (const QPointF &p : want) {
        EXPECT_NEAR(got[i].x(), p.x(), 1e-9) << "point " << i;
        EXPECT_NEAR(got[i].y(), p.y(), 1e-9) << "point " << i;
        ++i;
    }
}

} // namespace

TEST(ModelMathTest, LinearModelCurveWithEnrichments)
{
    // Defaults: m 1, b 1 ms, thresholds 5/10/15/20, no enrichment; the
    // fourth threshold at 20 ms repeats its point.
    const TLinearModel plain{true, 1.0, 1.0};
    auto c = ModelCurve(plain, {5, 10, 15, 20}, {0, 0, 0, 0});
    const double defaults[6][2] = {{0, 1}, {5, 6}, {10, 11}, {15, 16}, {20, 21}, {20, 21}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_DOUBLE_EQ(c[i].x(), defaults[i][0]);
        EXPECT_DOUBLE_EQ(c[i].y(), defaults[i][1]);
    }
    // m 1.2, b 0.5: g(4) 5.3, g(8) 10.1 (+10 % 11.11), g(12) 14.9 (+20 %
    // 17.88), g(16) 19.7 (-10 % 17.73); at 20 ms the C-D segment goes on:
    // 17.73 + 4 x (17.73 - 17.88) / 4 = 17.58.
    const TLinearModel g{true, 1.2, 0.5};
    c = ModelCurve(g, {4, 8, 12, 16}, {0, 10, 20, -10});
    const double ys[6] = {0.5, 5.3, 11.11, 17.88, 17.73, 17.58};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(c[i].y(), ys[i], 1e-9) << i;
    EXPECT_DOUBLE_EQ(c[5].x(), 20.0);
    // Equal third and fourth thresholds: no division, the last point is y4.
    EXPECT_NEAR(ModelPointY(g, {4, 8, 12, 12}, {0, 10, 20, -10}, 5), 0.9 * 14.9, 1e-9);
    // An empty multiplier or offset text makes every point 0.
    for (const QPointF &p : ModelCurve(TLinearModel{}, {4, 8, 12, 16}, {0, 10, 20, -10}))
        EXPECT_EQ(p.y(), 0.0);
}

TEST(ModelMathTest, ThresholdDragLimitsAndEnrichment)
{
    const std::array<double, 6> xs = {0, 5, 10, 15, 20, 20};
    EXPECT_TRUE(ModelDragAllowed(xs, 1, 6));
    EXPECT_FALSE(ModelDragAllowed(xs, 1, 5 - 5)); // onto the previous point
    EXPECT_FALSE(ModelDragAllowed(xs, 2, 5));     // exactly the previous threshold
    EXPECT_FALSE(ModelDragAllowed(xs, 2, 15));
    EXPECT_FALSE(ModelDragAllowed(xs, 3, 20));    // C onto D
    EXPECT_TRUE(ModelDragAllowed(xs, 4, 20));     // D may reach 20 ms
    EXPECT_FALSE(ModelDragAllowed(xs, 4, 21));
    EXPECT_FALSE(ModelDragAllowed(xs, 0, 1));     // the ends never move
    EXPECT_FALSE(ModelDragAllowed(xs, 5, 19));

    // g(x) = x: at 8 ms a y of 9 is 12.5 % (halves to even: 12).
    EXPECT_EQ(ModelDragEnrichment(TLinearModel{true, 1.0, 0.0}, 8, 9.0), 12);
    EXPECT_EQ(ModelDragEnrichment(TLinearModel{true, 1.0, 0.0}, 8, 6.0), -25);
    // Where the plain model is 0 there is no enrichment.
    EXPECT_FALSE(ModelDragEnrichment(TLinearModel{true, 1.0, -5.0}, 5, 3.0).has_value());
    EXPECT_FALSE(ModelDragEnrichment(TLinearModel{}, 5, 3.0).has_value());
}

TEST(ModelMathTest, NozzleVerdictBoundaries)
{
    EXPECT_EQ(NozzleVerdictKey(1.26, 0), "strNToL");
    EXPECT_EQ(NozzleVerdictKey(1.25, 0), "strNnorm");
    EXPECT_EQ(NozzleVerdictKey(1.16, 0), "strNnorm");
    EXPECT_EQ(NozzleVerdictKey(1.15, 0), "strNok");
    EXPECT_EQ(NozzleVerdictKey(0.85, 0), "strNok");
    EXPECT_EQ(NozzleVerdictKey(0.84, 0), "strNnorm");
    EXPECT_EQ(NozzleVerdictKey(0.75, 0), "strNnorm");
    EXPECT_EQ(NozzleVerdictKey(0.74, 0), "strNToH");
    // The mean enrichment raises the multiplier: 1.0 x 20 / 100 + 1.0 = 1.2.
    EXPECT_EQ(NozzleVerdictKey(1.0, 20), "strNnorm");
    EXPECT_EQ(NozzleVerdictKey(1.0, 30), "strNToL");
}

TEST(ModelMathTest, Model2CurveStorageAndMultiplier)
{
    // Default curve of k 1 and b 1.5 ms and its device units (halves to even).
    const TCurve c = DefaultCurve(1.0, 1.5);
    ExpectCurve(c, {{0, 1.5}, {1.5, 3.0}, {4.5, 6.0}, {8, 9.5}, {15, 16.5}, {25, 26.5}});
    const TRawCurve raw = RawFromCurve(c);
    const int xs[6] = {0, 280, 842, 1496, 2805, 4675}, ys[6] = {280, 561, 1122, 1776, 3086, 4956};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(raw[k].X, xs[k]) << k;
        EXPECT_EQ(raw[k].Y, ys[k]) << k;
    }
    for (int k = 6; k < 20; ++k)
        EXPECT_TRUE(raw[k].X == 0xFFFF && raw[k].Y == 0xFFFF) << k;
    EXPECT_DOUBLE_EQ(CalculateMult(c, 1.5).value(), 1.0);
    // (3 + 7 - 2 x 1) / (2 + 4) for two points and b 1.
    EXPECT_NEAR(CalculateMult({{2, 3}, {4, 7}}, 1.0).value(), 8.0 / 6.0, 1e-12);
    // No points, or x values adding up to 0: no multiplier.
    EXPECT_FALSE(CalculateMult({}, 1.0).has_value());
    EXPECT_FALSE(CalculateMult({{0, 2}}, 1.0).has_value());
    // Values beyond the device's 16 bits are kept within them.
    const TRawCurve big = RawFromCurve({{-1, 400}, {std::nan(""), 1}});
    EXPECT_EQ(big[0].X, 0);
    EXPECT_EQ(big[0].Y, 65535);
    EXPECT_EQ(big[1].X, 0);
    // 21 points: only 20 are stored.
    TCurve many;
    for (int k = 0; k < 21; ++k)
        many.append(QPointF(k, k));
    EXPECT_EQ(RawFromCurve(many)[19].X, int(19 * 187));

    // An entry beyond 30 ms is not shown, also when a later one is below.
    TRawCurve stored;
    stored[0] = {0, 187};
    stored[1] = {5611, 900};
    stored[2] = {1870, 2057};
    ExpectCurve(CurveFromRaw(stored), {{0, 1}, {10, 11}});
}

TEST(ModelMathTest, Model2SlopeAndOffsetSteps)
{
    TCurve c{{0, 1}, {0, 2}, {4, 5}, {10, 0.05}};
    SlopeStep(c, 0.01);
    ExpectCurve(c, {{0, 1}, {0, 2}, {4, 5.04}, {10, 0.15}});
    OffsetStep(c, false);
    ExpectCurve(c, {{0, 0.9}, {0, 1.9}, {4, 4.94}, {10, 0.05}});
    OffsetStep(c, false);
    EXPECT_NEAR(c[3].y(), 0.05, 1e-12); // below 0.1 it stays
    OffsetStep(c, true);
    EXPECT_NEAR(c[3].y(), 0.15, 1e-12);
}

TEST(ModelMathTest, Model2PickingCellsAndLimits)
{
    const TCurve c{{0, 1}, {4, 5}, {10, 11}};
    EXPECT_EQ(FindSegmentAtX(c, 6.9), 1);
    EXPECT_EQ(FindSegmentAtX(c, 7.0), 2);
    EXPECT_EQ(FindSegmentAtX(c, 10.5), 0);
    EXPECT_EQ(FindSegmentAtX(c, 10.0), 0);
    EXPECT_EQ(FindSegmentAtX(c, 1.5), 0);
    EXPECT_EQ(FindSegmentAtX(c, 2.0), 1);
    EXPECT_EQ(FindSegmentAtX({{3, 3}}, 3.0), 0);
    EXPECT_EQ(FindSegmentAtX({}, 3.0), 0);

    const TCurve d{{0, 1}, {5.0, 6}, {8.0, 9}, {8.3, 9}, {25, 26}};
    EXPECT_EQ(FindPointAtX(d, 5.1), 1);
    EXPECT_EQ(FindPointAtX(d, 5.2), -1);
    EXPECT_EQ(FindPointAtX(d, 0.1), 0);
    // Between 0 and 8: 0.2 ms from both.
    EXPECT_DOUBLE_EQ(LimitX(d, 1, 9.0), 7.8);
    EXPECT_DOUBLE_EQ(LimitX(d, 1, -3.0), 0.2);
    EXPECT_DOUBLE_EQ(LimitX(d, 1, 6.1), 6.1);
    // Neighbours 5.0 and 8.3 leave room; 8.0 and 25 too; the ends keep x.
    EXPECT_DOUBLE_EQ(LimitX(d, 0, 3.0), 0.0);
    EXPECT_DOUBLE_EQ(LimitX(d, 4, 3.0), 25.0);
    // 8.0 between 5.0 and 8.3 would need 8.1 and below: the limit holds it there.
    EXPECT_DOUBLE_EQ(LimitX(d, 2, 8.2), 8.1);
    // Neighbours closer than 0.4 ms: x stays.
    const TCurve e{{0, 1}, {5.0, 6}, {5.1, 6}, {5.3, 6}, {25, 26}};
    EXPECT_DOUBLE_EQ(LimitX(e, 2, 5.2), 5.1);
    EXPECT_DOUBLE_EQ(LimitX(e, 2, 4.0), 5.1);
}

TEST(ModelMathTest, PixelConversionAndZoom)
{
    // A plotting area 250 px wide and 350 px high: 10 px per ms.
    EXPECT_DOUBLE_EQ(XValueForMousePos(70, 250), 5.0);
    EXPECT_DOUBLE_EQ(XValueForMousePos(71, 250), 5.1);
    EXPECT_DOUBLE_EQ(XValueForMousePos(10, 250), -1.0);
    EXPECT_DOUBLE_EQ(XValueForMousePos(70, 0), -1.0);
    EXPECT_DOUBLE_EQ(YValueForMousePos(353, 350), 0.0);
    EXPECT_DOUBLE_EQ(YValueForMousePos(3, 350), 35.0);
    EXPECT_DOUBLE_EQ(YValueForMousePos(203, 350), 15.0);
    EXPECT_DOUBLE_EQ(YValueForMousePos(360, 350), -0.7);
    EXPECT_EQ(XPixelForValue(12.3, 250), 143);
    EXPECT_EQ(YPixelForValue(12.3, 350), 230);
    EXPECT_DOUBLE_EQ(XValueForMousePos(XPixelForValue(12.3, 250), 250), 12.3);
    EXPECT_DOUBLE_EQ(YValueForMousePos(YPixelForValue(12.3, 350), 350), 12.3);

    EXPECT_EQ(ZoomedChartWidth(304, 25, 25), 304);
    EXPECT_EQ(ZoomedChartWidth(304, 25, 10), 709); // 270 x 2.5 + 34
    EXPECT_EQ(ZoomedChartWidth(304, 25, 0), 304);
}
