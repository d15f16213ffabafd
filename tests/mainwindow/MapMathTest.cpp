// The map page's arithmetic on inputs worked out by hand, and its refusals of
// inputs that fix nothing (too few points, equal x values, zero divisors).
#include "mainwindow/configuration/MapMath.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace MapMath;

namespace {

TPoints Points(std::initializer_list<std::array<double, 2>> xy, quint8 band = 0)
{
    TPoints out;
    for (const auto &p : xy)
        out.append(TRecordingPoint{p[0], p[1], band});
    return out;
}

ModelMath::TRawCurve Raw(std::initializer_list<std::array<int, 2>> points)
{
    ModelMath::TRawCurve c;
    int k = 0;
    for (const auto &p : points)
        c[k++] = ModelMath::TRawPoint{p[0], p[1]};
    return c;
}

bool AllFinite(const QList<QPointF> &points)
{
    for (const auto &p : points)
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
            return false;
    return true;
}

} // namespace

TEST(MapMathTest, BandsCellMapAndLineFit)
{
    EXPECT_TRUE(BandInRange(8, 0));
    EXPECT_TRUE(BandInRange(8, 1));
    EXPECT_FALSE(BandInRange(8, 2));
    EXPECT_TRUE(BandInRange(7, 7));
    EXPECT_FALSE(BandInRange(7, 6));
    EXPECT_TRUE(BandInRange(14, 7));
    EXPECT_FALSE(BandInRange(-1, 0));

    // 39 of 40 valid cells: complete, closed by (0, 0); cell 5 holds 374/187 = 2 ms.
    std::array<TMapRow, 40> rows{};
    for (int k = 0; k < 40; ++k)
        rows[k][0] = quint16(0x8000 | 374);
    rows[20][0] = 374; // not valid
    TCellMapStats s = CellMapStats(rows, 1);
    EXPECT_EQ(s.Valid, 39);
    EXPECT_TRUE(s.Complete);
    EXPECT_TRUE(s.CoversRanges);
    ASSERT_EQ(s.Points.size(), 40);
    EXPECT_NEAR(s.Points[5].x(), 0.1922 + 0.25, 1e-12);
    EXPECT_DOUBLE_EQ(s.Points[5].y(), 2.0);
    EXPECT_EQ(s.Points.last(), QPointF(0, 0));
    // Engine type 0 looks at 17 cells, ranges 0-4, 5-9, 10-16: none in 10..16.
    for (int k = 10; k < 17; ++k)
        rows[k][0] = 0;
    s = CellMapStats(rows, 0);
    EXPECT_EQ(s.Shown, 17);
    EXPECT_EQ(s.Valid, 10);
    EXPECT_FALSE(s.Complete);
    EXPECT_FALSE(s.CoversRanges);
    EXPECT_NE(s.Points.last(), QPointF(0, 0));

    // y = 2x + 1 through (0,1), (1,3), (2,5); equal x fixes no line.
    TAccumulator a;
    a.Add(0, 1);
    a.Add(1, 3);
    a.Add(2, 5);
    ASSERT_TRUE(a.Fit());
    EXPECT_NEAR(a.Fit()->M, 2.0, 1e-12);
    EXPECT_NEAR(a.Fit()->C, 1.0, 1e-12);
    TAccumulator same;
    same.Add(1, 1);
    same.Add(1, 2);
    EXPECT_FALSE(same.Fit());

    // Classes by load: of four points in 0.30..0.35 the first three are
    // averaged and the fourth passed over; one point in 0.50..0.55; none
    // below 0.15 or from 0.95 on.
    const TPoints loads = Points({{0.31, 2}, {0.32, 4}, {0.33, 6}, {0.34, 100}, {0.52, 3}, {0.1, 1}, {0.95, 1}});
    const QList<QPointF> byLoad = ClassifyPoints(loads, TClassKey::Load);
    ASSERT_EQ(byLoad.size(), 2);
    EXPECT_NEAR(byLoad[0].x(), 0.32, 1e-12);
    EXPECT_NEAR(byLoad[0].y(), 4.0, 1e-12);
    EXPECT_EQ(byLoad[1], QPointF(0.52, 3));
    // A fifth point is summed with the mean: (mean + p5) / 2.
    TPoints five = loads.mid(0, 4);
    five.append(TRecordingPoint{0.30, 8, 0});
    EXPECT_NEAR(ClassifyPoints(five, TClassKey::Load)[0].y(), 6.0, 1e-12);
    // Classes by petrol time: 1..18 ms.
    const QList<QPointF> byTime = ClassifyPoints(Points({{0.4, 2.2}, {0.6, 2.8}, {0.5, 0.9}, {0.5, 18}}),
                                                 TClassKey::Time);
    ASSERT_EQ(byTime.size(), 1);
    EXPECT_NEAR(byTime[0].x(), 0.5, 1e-12);
    EXPECT_NEAR(byTime[0].y(), 2.5, 1e-12);
}

TEST(MapMathTest, LinearModelFromPoints)
{
    EXPECT_EQ(CheckMapPoints(0, 0), "strNoPoints");
    EXPECT_EQ(CheckMapPoints(3, 4), "strNotEnoughPetrolPoints");
    EXPECT_EQ(CheckMapPoints(4, 3), "strNotEnoughGasPoints");
    EXPECT_EQ(CheckMapPoints(4, 4), "");

    // Model: g = 1.2 t + 0.5, thresholds 4, 8, 12, 16 ms, enrichments 10, 20, 30, 40 %.
    TModelFactors m;
    m.Mult = 1.2;
    m.Offset = 0.5;
    m.P = {4, 8, 12, 16};
    m.E = {10, 20, 30, 40};
    EXPECT_DOUBLE_EQ(m.Enrichment(2), 5.0);
    EXPECT_DOUBLE_EQ(m.Enrichment(6), 15.0);
    EXPECT_DOUBLE_EQ(m.Enrichment(20), 50.0); // beyond P4 on the last segment
    EXPECT_EQ(m.Range(4), 1);
    EXPECT_EQ(m.Range(12.5), 4);

    // Petrol points in range 2 (4 < t <= 8): t = 10 load - 1 (three of them),
    // plus one in range 1; the gas point at load 0.7, time 5 ms falls in
    // range 2, so the estimate is 10 * 0.7 - 1 = 6 ms, E(6) = 15 %, and the
    // gas value is (1.2 * 5 + 0.5) * 1.15 = 7.475 ms.
    const TPoints petrol = Points({{0.6, 5}, {0.7, 6}, {0.8, 7}, {0.3, 3}});
    TPoints gas = Points({{0.7, 5}, {0.2, 1}, {0.25, 1.5}, {0.3, 2}});
    TCalculated r = CalculateModel(petrol, gas, m);
    ASSERT_TRUE(r.Warning.isEmpty());
    EXPECT_TRUE(r.RangeFitUsed);
    ASSERT_EQ(r.Points.size(), 4);
    EXPECT_NEAR(r.Points[0].x(), 6.0, 1e-9);
    EXPECT_NEAR(r.Points[0].y(), 7.475, 1e-9);
    // Gas points in ranges without 3 petrol points use the overall line; when
    // none uses a range fit the result is empty.
    gas = Points({{0.2, 1}, {0.25, 1.5}, {0.3, 2}, {0.35, 2.5}});
    r = CalculateModel(petrol, gas, m);
    EXPECT_FALSE(r.RangeFitUsed);
    EXPECT_TRUE(r.Points.isEmpty());
    // All petrol points at one load: no overall line.
    r = CalculateModel(Points({{0.5, 5}, {0.5, 6}, {0.5, 7}, {0.5, 3}}), gas, m);
    EXPECT_EQ(r.Warning, "strNotEnoughPetrolPoints");
    // P1 = 0 and P4 = P3 divide by nothing.
    m.P = {0, 0, 12, 12};
    EXPECT_DOUBLE_EQ(m.Enrichment(0), 10.0);
    EXPECT_DOUBLE_EQ(m.Enrichment(20), 30.0);

    // Segment fit: calculated (2, 3), (4, 5), (6, 7); offset 1.0 ms:
    // mult = (15 - 3) / 12 = 1.0. Segment 0..4 (x <= 6) holds all three:
    // Y1 = 4 * (15 - 3 * 1) / (12 - 0) + 1 = 5; segment 4..8 (x <= 10) holds
    // (4,5), (6,7): Y2 = 4 * (12 - 2 * 5) / (10 - 8) + 5 = 9: on the line.
    const QList<QPointF> line{{0, 1}, {4, 5}, {8, 9}, {12, 13}, {16, 17}, {20, 21}};
    TSegmentFit f = FitModelSegments({{2, 3}, {4, 5}, {6, 7}}, line, 10);
    EXPECT_DOUBLE_EQ(f.Mult, 1.0);
    EXPECT_EQ(f.MultPosition, 0);
    ASSERT_TRUE(f.Changed);
    EXPECT_EQ(f.Enrichments, (std::array<int, 4>{0, 0, 0, 0}));
    // (4, 5.5), (8, 9): mult = (14.5 - 2) / 12; Y1 = 4 * 4.5 / 4 + 1 = 5.5,
    // Y2 = 4 * (14.5 - 11) / (12 - 8) + 5.5 = 9, segment 8..12 divides by 0
    // and is skipped; E1 = round((5.5 / 5.1667 - 1) * 100) = 6, E2 =
    // round((9 / 9.3333 - 1) * 100) = -4, and E3, E4 follow E2.
    f = FitModelSegments({{4, 5.5}, {8, 9}}, line, 10);
    EXPECT_TRUE(f.Changed);
    EXPECT_NEAR(f.Mult, 12.5 / 12, 1e-6);
    EXPECT_EQ(f.MultPosition, 4);
    EXPECT_EQ(f.Enrichments, (std::array<int, 4>{6, -4, -4, -4}));
    EXPECT_EQ(FitModelSegments({}, line, 10).Warning, "strNotEnoughGasPoints");
    EXPECT_EQ(FitModelSegments({{0, 1}}, line, 10).Warning, "strNotEnoughGasPoints");
    // x summing to about 1.2e-7: mult about 8e7, a position beyond any integer
    // range that must keep its sign.
    EXPECT_EQ(FitModelSegments({{1, 5}, {-0.9999999, 5}}, line, 0).MultPosition, 1000000);
}

TEST(MapMathTest, Model2FromPointsAndCells)
{
    // Curve (0,0), (5,6), (10,14) ms; raw x 935 = 5 ms, 1870 = 10 ms; an
    // entry beyond 30 ms ends it.
    const auto curve = Raw({{0, 0}, {935, 1122}, {1870, 2618}, {6000, 6000}});
    EXPECT_EQ(Model2Last(curve), 2);
    EXPECT_NEAR(*Model2Value(curve, 2.5), 3.0, 1e-9);
    EXPECT_NEAR(*Model2Value(curve, 7.5), 10.0, 1e-9);
    EXPECT_FALSE(Model2Value(curve, 10.0));
    EXPECT_FALSE(Model2Value(Raw({{935, 0}, {935, 10}}), 1.0)); // no width

    // Bin 0 (<= 5 ms) holds 3 petrol points on t = 10 load: its own line;
    // bin 1 holds 2 points: the overall line; a gas point of 31 ms no bin.
    const TPoints petrol = Points({{0.1, 1}, {0.2, 2}, {0.3, 3}, {0.6, 8}, {0.7, 9}});
    const TPoints gas = Points({{0.25, 2.5}, {0.65, 7.5}, {0.5, 31}, {0.4, 10.0}});
    TCalculated r = CalculateModel2(petrol, gas, curve);
    ASSERT_TRUE(r.Warning.isEmpty());
    ASSERT_EQ(r.Points.size(), 3);
    EXPECT_NEAR(r.Points[0].x(), 2.5, 1e-9);
    EXPECT_NEAR(r.Points[0].y(), 3.0, 1e-9);
    // Overall fit over the five points: Sx 1.9, Sy 23, Sxx 0.99, Sxy 12.5;
    // D = 4.95 - 3.61 = 1.34, m = (62.5 - 43.7) / 1.34, c = (23 - 1.9 m) / 5.
    const double m = 18.8 / 1.34, c = (23 - 1.9 * m) / 5;
    EXPECT_NEAR(r.Points[1].x(), m * 0.65 + c, 1e-9);
    EXPECT_NEAR(r.Points[1].y(), 10.0, 1e-9);
    EXPECT_NEAR(r.Points[2].x(), m * 0.4 + c, 1e-9);
    EXPECT_DOUBLE_EQ(r.Points[2].y(), 0.0); // 10 ms: no segment covers it
    EXPECT_EQ(CalculateModel2(Points({{0.5, 1}, {0.5, 2}, {0.5, 3}, {0.5, 4}}), gas, curve).Warning,
              "strNotEnoughPetrolPoints");

    // Cells: 0 and 3 valid (1 ms, 4 ms), 1 and 2 filled to 2 and 3 ms, the
    // rest invalid.
    std::array<TMapRow, 40> rows{};
    rows[0][0] = quint16(0x8000 | 187);
    rows[3][0] = quint16(0x8000 | 748);
    const auto filled = FilledCells(rows);
    EXPECT_NEAR(*filled[1], 2.0, 1e-9);
    EXPECT_NEAR(*filled[2], 3.0, 1e-9);
    EXPECT_FALSE(filled[4]);
    // Gas points on time = 10 load except the outlier (0.3, 9): it is dropped;
    // (0.2) cell 0, (0.25) cell 1, (0.35) cell 3, (0.4) cell 4 invalid,
    // (2.2) cell 40, outside. The curve runs on as 1.6 t - 2 up to 30 ms.
    const auto longCurve = Raw({{0, 0}, {935, 1122}, {1870, 2618}, {5610, 8602}});
    const TPoints gasCells = Points({{0.2, 2}, {0.25, 2.5}, {0.3, 9}, {0.35, 3.5}, {0.4, 4}, {2.2, 22}});
    r = CalculateModel2FromCells(gasCells, rows, longCurve);
    ASSERT_TRUE(r.Warning.isEmpty());
    ASSERT_EQ(r.Points.size(), 3);
    EXPECT_NEAR(r.Points[0].x(), 1.0, 1e-9);
    EXPECT_NEAR(r.Points[1].x(), 2.0, 1e-9);
    EXPECT_NEAR(r.Points[2].x(), 4.0, 1e-9);
    EXPECT_NEAR(r.Points[2].y(), 3.5 * 1.2, 1e-9);
    EXPECT_EQ(CalculateModel2FromCells({}, rows, curve).Warning, "strNoGasPoints");
    EXPECT_EQ(CalculateModel2FromCells(Points({{0.2, 1}, {0.2, 1}, {0.2, 1}}), rows, curve).Warning,
              "strNotEnoughGasPoints");
    // Equal loads: no line, so no residual to judge: every point is kept,
    // nothing is NaN.
    r = CalculateModel2FromCells(Points({{0.2, 1}, {0.2, 1}, {0.2, 1}, {0.2, 1}}), rows, curve);
    EXPECT_EQ(r.Points.size(), 4);
    EXPECT_TRUE(AllFinite(r.Points));
}

TEST(MapMathTest, Model2FitAndSlopes)
{
    // End point: largest calculated x 9 ms; the curve's point at 12 ms is
    // the first beyond it and not the last: it moves to 8.5 ms on the line
    // from (6, 6) to (12, 12).
    ModelMath::TCurve curve{{0, 0}, {3, 3}, {6, 6}, {12, 12}, {20, 20}};
    EXPECT_TRUE(FitModel2(curve, {{9, 1}}, 0.0));
    EXPECT_EQ(curve[3], QPointF(8.5, 8.5));
    // Within 1.5 ms below a point: nothing to do.
    curve = {{0, 0}, {3, 3}, {6, 6}, {8, 8}};
    FitModel2(curve, {{1, 1}, {8.5, 1}}, 0.0);
    ASSERT_EQ(curve.size(), 4);
    EXPECT_EQ(curve[3].x(), 8.0);
    // Beyond the last point: a point is inserted before it.
    curve = {{0, 0}, {3, 3}, {6, 6}, {12, 12}};
    EXPECT_TRUE(FitModel2(curve, {{5, 1}, {11, 11}}, 0.0));
    ASSERT_EQ(curve.size(), 5);
    EXPECT_EQ(curve[3], QPointF(10.5, 10.5));
    EXPECT_EQ(curve[4], QPointF(12, 12));

    // Segment fit: the points around 5 ms lie on y = 2x; point (5, 5) moves
    // to (5, 10) and the later point scales by (10 - 5) / (5 - 1) + 1 = 2.25.
    curve = {{0, 0}, {5, 5}, {20, 8}};
    EXPECT_TRUE(FitModel2(curve, {{4.5, 9}, {5.5, 11}}, 1.0));
    EXPECT_NEAR(curve[1].y(), 10.0, 1e-9);
    EXPECT_NEAR(curve[2].y(), 18.0, 1e-9);
    // Points on one side only, even after widening: unchanged; y = offset:
    // no scaling and no NaN.
    curve = {{0, 0}, {5, 5}, {20, 8}};
    EXPECT_FALSE(FitModel2(curve, {{1, 1}, {2, 2}}, 1.0));
    curve = {{0, 0}, {5, 1}, {20, 8}};
    EXPECT_TRUE(FitModel2(curve, {{4.5, 9}, {5.5, 11}}, 1.0));
    EXPECT_TRUE(AllFinite(curve));

    const auto slopes = Model2Slopes({{0, 0}, {5, 10}, {10, 15}});
    ASSERT_EQ(slopes.size(), 3);
    EXPECT_EQ(slopes[0], QPointF(0, 2));
    EXPECT_EQ(slopes[1], QPointF(5, 2));
    EXPECT_EQ(slopes[2], QPointF(10, 1));
    EXPECT_EQ(Model2Slopes({{0, 0}, {0, 10}}).size(), 0);
}
