#include "mainwindow/configuration/ModelMath.h"

#include "core/NumberText.h"

#include <algorithm>
#include <cmath>

namespace ModelMath {

double TShownValue::TakeShown(const QString &text, double held) const
{
    double parsed = held;
    NumberText::ParseTyped(text, parsed);
    return Take(text, parsed);
}

double RoundEven(double value)
{
    return std::nearbyint(value);
}

double Round1(double value)
{
    return std::nearbyint(value * 10.0) / 10.0;
}

// ---- Linear model ----------------------------------------------------------

double ModelPointY(const TLinearModel &g, const std::array<int, 4> &p, const std::array<int, 4> &e,
                   int index)
{
    auto enriched = [&](int k) { return (1.0 + e[k] / 100.0) * g.At(p[k]); };
    if (index == 0)
        return g.At(0.0);
    if (index >= 1 && index <= 4)
        return enriched(index - 1);
    if (index == 5) {
        const double y3 = enriched(2), y4 = enriched(3);
        // The segment from the third to the fourth threshold, extended to 20 ms.
        if (p[3] < kModelMaxX && p[3] != p[2])
            return y4 + (kModelMaxX - p[3]) * (y4 - y3) / (p[3] - p[2]);
        return y4;
    }
    return 0.0;
}

std::array<QPointF, kModelPointCount> ModelCurve(const TLinearModel &g, const std::array<int, 4> &p,
                                                 const std::array<int, 4> &e)
{
    std::array<QPointF, kModelPointCount> out;
    const double xs[kModelPointCount] = {0.0, double(p[0]), double(p[1]), double(p[2]), double(p[3]),
                                         kModelMaxX};
    for (int i = 0; i < kModelPointCount; ++i)
        out[i] = QPointF(xs[i], ModelPointY(g, p, e, i));
    return out;
}

bool ModelDragAllowed(const std::array<double, kModelPointCount> &xs, int index, int x)
{
    if (index <= 0 || index >= kModelPointCount - 1)
        return false;
    const double upper = xs[index + 1] + (index == 4 ? 1.0 : 0.0);
    return xs[index - 1] < x && x < upper;
}

std::optional<int> ModelDragEnrichment(const TLinearModel &g, int x, double y)
{
    const double base = g.At(x);
    if (base == 0.0 || !std::isfinite(base))
        return std::nullopt;
    const double e = RoundEven((y - base) / base * 100.0);
    if (!std::isfinite(e) || std::fabs(e) > 1e6)
        return std::nullopt;
    return int(e);
}

QString NozzleVerdictKey(double m, double meanEnrichment)
{
    const double v = m * meanEnrichment / 100.0 + m;
    if (v > 1.25)
        return QStringLiteral("strNToL");
    if (v > 1.15)
        return QStringLiteral("strNnorm");
    if (v >= 0.85)
        return QStringLiteral("strNok");
    if (v >= 0.75)
        return QStringLiteral("strNnorm");
    return QStringLiteral("strNToH");
}

// ---- Model 2 -------------------------------------------------------------

TCurve CurveFromRaw(const TRawCurve &raw)
{
    TCurve out;
    for (const auto &p : raw)
        if (p.X <= kModel2RawMaxX)
            out.append(QPointF(p.X / 187.0, p.Y / 187.0));
    return out;
}

TRawCurve RawFromCurve(const TCurve &curve)
{
    TRawCurve out;
    auto raw = [](double ms) {
        const double v = RoundEven(ms * 187.0);
        return std::isfinite(v) ? int(std::clamp(v, 0.0, 65535.0)) : 0;
    };
    for (int k = 0; k < kModel2MaxPoints && k < curve.size(); ++k)
        out[k] = TRawPoint{raw(curve[k].x()), raw(curve[k].y())};
    return out;
}

std::optional<double> CalculateMult(const TCurve &curve, double b)
{
    double sx = 0.0, sy = 0.0;
    for (const auto &p : curve) {
        sx += p.x();
        sy += p.y();
    }
    if (sx == 0.0)
        return std::nullopt;
    const double m = (sy - curve.size() * b) / sx;
    if (!std::isfinite(m))
        return std::nullopt;
    return m;
}

void SlopeStep(TCurve &curve, double delta)
{
    for (int k = 1; k < curve.size(); ++k)
        if (curve[k].x() > 0.0)
            curve[k].setY(curve[k].y() + delta * curve[k].x());
}

void OffsetStep(TCurve &curve, bool up)
{
    for (auto &p : curve) {
        if (up)
            p.setY(p.y() + kModel2Step);
        else if (p.y() - kModel2Step > -1e-9)
            p.setY(std::max(0.0, p.y() - kModel2Step));
    }
}

TCurve DefaultCurve(double k, double b)
{
    TCurve out;
    for (double x : {0.0, 1.5, 4.5, 8.0, 15.0, 25.0})
        out.append(QPointF(x, k * x + b));
    return out;
}

int FindPointAtX(const TCurve &curve, double x)
{
    for (int i = 0; i < curve.size(); ++i)
        if (std::fabs(curve[i].x() - x) < kModel2PickDistance)
            return i;
    return -1;
}

int FindSegmentAtX(const TCurve &curve, double x)
{
    const int n = int(curve.size()) - 1;
    if (n < 1)
        return 0;
    double upper = curve[n].x();
    for (int i = n; i >= 1; --i) {
        const double mid = (curve[i - 1].x() + curve[i].x()) / 2.0;
        if (mid <= x && x < upper)
            return i;
        upper = mid;
    }
    return 0;
}

double LimitX(const TCurve &curve, int index, double x)
{
    if (index <= 0 || index >= curve.size() - 1)
        return curve.value(index).x();
    const double lo = Round1(curve[index - 1].x() + kModel2MinGap);
    const double hi = Round1(curve[index + 1].x() - kModel2MinGap);
    if (hi < lo)
        return curve[index].x();
    return std::clamp(x, lo, hi);
}

double XValueForMousePos(int x, int width)
{
    if (width < 1)
        return -1.0;
    return Round1((x - 20) * kModel2ChartMaxX / width);
}

double YValueForMousePos(int y, int height)
{
    if (height < 1)
        return -1.0;
    return Round1(kModel2PixelMaxY / height * (height + 3 - y));
}

int XPixelForValue(double x, int width)
{
    return int(std::lround(20.0 + x * width / kModel2ChartMaxX));
}

int YPixelForValue(double y, int height)
{
    return int(std::lround(height + 3.0 - y * height / kModel2PixelMaxY));
}

int ZoomedChartWidth(int boxWidth, int maximum, int position)
{
    if (position <= 0 || position > maximum)
        position = maximum;
    return int(RoundEven(double(boxWidth - 34) * maximum / position)) + 34;
}

} // namespace ModelMath
