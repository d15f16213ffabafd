// The nozzle grade and the new model-2 curve of the auto-calibration run.
#include "mainwindow/configuration/AutoCalMath.h"

#include <gtest/gtest.h>

using namespace AutoCalMath;

TEST(AutoCalMath, GradeLimitsOfBothFuels)
{
    struct Case {
        double a;
        bool cng;
        TVerdict verdict;
    };
    const Case cases[] = {
        {1.351, false, vTooSmall}, {1.35, false, vWithinNorm}, {1.2, false, vWithinNorm},
        {1.1, false, vOptimal},    {0.9, false, vOptimal},     {0.899, false, vWithinNorm},
        {0.65, false, vWithinNorm}, {0.649, false, vTooBig},   {0.0, false, vTooBig},
        {1.51, true, vTooSmall},   {1.5, true, vWithinNorm},   {1.3, true, vOptimal},
        {0.9, true, vOptimal},     {0.6, true, vWithinNorm},   {0.599, true, vTooBig},
    };
    for (const Case &c : cases)
        EXPECT_EQ(GradeSlope(c.a, c.cng), c.verdict) << c.a << (c.cng ? " CNG" : " LPG");
}

TEST(AutoCalMath, GradingPointAndSlope)
{
    const QPointF p1(3, 4), p2(5, 7);
    EXPECT_EQ(*GradingPoint(true, 1, 0, 0, p1, p2), p1);
    EXPECT_EQ(*GradingPoint(true, 2, 0, 0, p1, p2), QPointF(4, 5.5));
    EXPECT_EQ(*GradingPoint(false, 2, 1122, 935, p1, p2), QPointF(6, 5));
    // A short curve leaves point 2 unused: no grade rather than 350 ms.
    EXPECT_FALSE(GradingPoint(false, 1, 0xFFFF, 0xFFFF, p1, p2).has_value());
    EXPECT_DOUBLE_EQ(Slope(1.0, QPointF(4, 5.4)), 1.1);
    // x = 0 gives slope 0, hence nozzles too big.
    EXPECT_EQ(Slope(1.0, QPointF(0, 3)), 0.0);
    EXPECT_EQ(GradeSlope(Slope(1.0, QPointF(0, 3)), false), vTooBig);
}

TEST(AutoCalMath, NewCurvePointsByFuel)
{
    // PS x = 6 ms: LPG has points at 0, 3, 6, 12, 18, 24 and 25 (5 x 6 = 30 is beyond).
    const auto lpg = NewModel2Points(QPointF(6, 7), 1.0, false);
    ASSERT_TRUE(lpg.has_value());
    std::vector<double> xs;
    for (const QPointF &p : *lpg)
        xs.push_back(p.x());
    EXPECT_EQ(xs, (std::vector<double>{0, 3, 6, 12, 18, 24, 25}));
    // a = 1, b = 1: f(12) = 13 x 1.06, f(25) = 26 x 0.90.
    EXPECT_DOUBLE_EQ((*lpg)[1].y(), 4.0);
    EXPECT_DOUBLE_EQ((*lpg)[3].y(), 13 * 1.06);
    EXPECT_DOUBLE_EQ((*lpg)[5].y(), 25 * 0.91);
    EXPECT_DOUBLE_EQ((*lpg)[6].y(), 26 * 0.90);

    const auto cng = NewModel2Points(QPointF(4, 5), 1.0, true);
    ASSERT_TRUE(cng.has_value());
    ASSERT_EQ(cng->size(), 7u); // 0, 2, 4, 8, 12, 16, 25: no fifth multiple for CNG
    EXPECT_DOUBLE_EQ((*cng)[3].y(), 9 * 0.95);
    EXPECT_DOUBLE_EQ((*cng)[5].y(), 17 * 0.70);
    EXPECT_DOUBLE_EQ((*cng)[6].y(), 26 * 0.55);
}

TEST(AutoCalMath, NoCurveWhereItWouldNotRise)
{
    EXPECT_FALSE(NewModel2Points(QPointF(0, 3), 1.0, false));
    EXPECT_FALSE(NewModel2Points(QPointF(-1, 3), 1.0, true));
    EXPECT_FALSE(NewModel2Points(QPointF(12.5, 14), 1.0, false));
    EXPECT_TRUE(NewModel2Points(QPointF(12.4, 14), 1.0, false));
    EXPECT_EQ(MultPercent(1.125), 12); // a half goes to the even neighbour
    EXPECT_EQ(MultPercent(1.135), 14);
    EXPECT_EQ(MultPercent(0.9), -10);
    EXPECT_EQ(OffsetTenths(1.05), 10);
    EXPECT_EQ(OffsetTenths(1.15), 12);
}
