#include "mainwindow/configuration/AutoCalMath.h"

#include <cmath>

namespace AutoCalMath {

namespace {

constexpr double ChartEnd = 25.0; // ms
constexpr int UnusedEntry = 0xFFFF;

} // namespace

double Slope(double b, QPointF ps)
{
    return ps.x() == 0.0 ? 0.0 : (ps.y() - b) / ps.x();
}

TVerdict GradeSlope(double a, bool cng)
{
    const double tooSmall = cng ? 1.5 : 1.35;
    const double upperOptimal = cng ? 1.3 : 1.1;
    const double lowerNorm = cng ? 0.6 : 0.65;
    if (a > tooSmall)
        return vTooSmall;
    if (a > upperOptimal)
        return vWithinNorm;
    if (a >= 0.9)
        return vOptimal;
    if (a >= lowerNorm)
        return vWithinNorm;
    return vTooBig;
}

std::optional<QPointF> GradingPoint(bool idleModelInUse, int phase, int rawX, int rawY, QPointF p1, QPointF p2)
{
    if (!idleModelInUse) {
        if (rawX == UnusedEntry || rawY == UnusedEntry)
            return std::nullopt;
        return QPointF(rawX / 187.0, rawY / 187.0);
    }
    return phase == 2 ? (p1 + p2) / 2.0 : p1;
}

std::optional<std::vector<QPointF>> NewModel2Points(QPointF ps, double b, bool cng)
{
    if (!(ps.x() > 0.0) || 2.0 * ps.x() >= ChartEnd)
        return std::nullopt;
    const double a = Slope(b, ps);
    auto f = [&](double x) { return a * x + b; };
    std::vector<QPointF> out{{0.0, b}, {ps.x() / 2.0, f(ps.x() / 2.0)}, ps};
    struct TBend {
        int multiple;
        double lpg, cng; // 0: no point for that fuel
    };
    static const TBend bends[] = {{2, 1.06, 0.95}, {3, 0.98, 0.80}, {4, 0.91, 0.70}, {5, 0.91, 0.0}};
    for (const TBend &bend : bends) {
        const double x = bend.multiple * ps.x();
        const double k = cng ? bend.cng : bend.lpg;
        if (k == 0.0 || (bend.multiple > 2 && x >= ChartEnd))
            continue;
        out.emplace_back(x, k * f(x));
    }
    out.emplace_back(ChartEnd, (cng ? 0.55 : 0.90) * f(ChartEnd));
    return out;
}

int MultPercent(double m)
{
    return static_cast<int>(std::nearbyint(100.0 * m - 100.0));
}

int OffsetTenths(double b)
{
    return static_cast<int>(std::nearbyint(10.0 * b));
}

} // namespace AutoCalMath
