#include "windows/Kind48Math.h"

#include "core/CommonConv.h"
#include "core/UnitConversions.h"
#include "mainwindow/configuration/MapMath.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace Kind48Math {

namespace {

bool oneOf(int value, std::initializer_list<int> list)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Raw words of a time as the model tables store x and y.
qint64 rawX(double ms) { return qint64(std::nearbyint(ms * 187.0)); }
qint64 rawY(double ms) { return qint64(std::nearbyint(std::nearbyint(ms * 100.0) / 100.0 * 187.0)); }

} // namespace

double DefaultModelOffset(int t)
{
    if (t == 2)
        return 1.4;
    if (t == 16)
        return 0.2;
    return 1.0;
}

double DefaultIdleGasTime(int t)
{
    if (t == 1 || oneOf(t, {0, 5, 12, 19, 31}))
        return 4.0;
    if (t == 2)
        return 4.8;
    if (t == 16)
        return 3.7;
    return 4.5;
}

TModelPoints DefaultPoints(double b)
{
    TModelPoints p;
    const double xs[kModelPoints] = {0, 2, 4, 8, 12, 15, 25};
    for (int i = 0; i < kModelPoints; ++i)
        p[size_t(i)] = QPointF(xs[i], b + xs[i]);
    return p;
}

int EnrichmentOf(double b, double m, double x, double y)
{
    const double base = b + m * x;
    if (base == 0.0 || !std::isfinite(base))
        return 0;
    return int(std::nearbyint((y / base - 1.0) * 100.0));
}

bool PointsFitDevice(const TModelPoints &points)
{
    for (const QPointF &p : points) {
        const qint64 x = rawX(p.x()), y = rawY(p.y());
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()) || x < 0 || x > 0xFFFF || y < 0 || y > 0xFFFF)
            return false;
    }
    return true;
}

bool FactorFitsDevice(double factor)
{
    return std::isfinite(factor) && factor >= 0.0 && factor * 1024.0 <= 65535.0;
}

QString RefTimeRefusalText() { return QStringLiteral("strModel48RefTime"); }

namespace {

// Checks shared by both two-point models; an empty text lets them go on.
QString commonRefusal(const TTwoPointInput &in)
{
    if (in.Kind == 20 || in.Kind == 21)
        return QStringLiteral("Function not available for this firmware version");
    if (in.Tb0 < 1.5)
        return in.Tb0 == 0.0 ? QStringLiteral("strSetTb") : QStringLiteral("strTbTooLow");
    return QString();
}

// k from the idle point (0, b) to the loaded one; 0 when x1 is 0.
double slope(const TTwoPointInput &in) { return in.X1 == 0.0 ? 0.0 : (in.Y1 - in.B) / in.X1; }

// The model is stored whole or not at all: a factor or a point the device
// cannot hold, or points out of order along the petrol time, refuse it.
TTwoPointModel finish(TTwoPointModel model, double k)
{
    bool ascending = true;
    for (int i = 1; i < kModelPoints; ++i)
        ascending = ascending && model.Points[size_t(i)].x() > model.Points[size_t(i - 1)].x();
    if (!ascending || !FactorFitsDevice(PercentToFactor(model.FactorPercent)) || !FactorFitsDevice(k)
        || !PointsFitDevice(model.Points)) {
        model.Refusal = QString::fromLatin1(kOutOfRangeKey);
        model.Points = {};
    }
    return model;
}

} // namespace

TTwoPointModel TwoPointModel(const TTwoPointInput &in)
{
    TTwoPointModel out;
    out.Refusal = commonRefusal(in);
    if (out.Refusal.isEmpty() && !(in.Pc > 0.22 && in.Pc < 0.45))
        out.Refusal = QStringLiteral("strPcolTooLow");
    if (!out.Refusal.isEmpty())
        return out;
    const double k = slope(in), c = in.B;
    const auto f = [k, c](double x) { return k * x + c; };
    out.FactorPercent = FactorToPercent(k);
    const double x1 = in.X1, pc = in.Pc;
    const double xs[kModelPoints] = {0.0, x1 / 2, x1, 0.55 * x1 / pc, 0.80 * x1 / pc, 1.10 * x1 / pc, 25.0};
    const double gains[kModelPoints] = {1.0, 0.94, 1.0, 1.08, 1.0, 0.94, 0.90};
    for (int i = 0; i < kModelPoints; ++i)
        out.Points[size_t(i)] = QPointF(xs[i], gains[i] * f(xs[i]));
    out.Points[0] = QPointF(0.0, in.B);
    out.Points[2] = QPointF(x1, in.Y1);
    return finish(out, k);
}

TTwoPointModel TwoPointModel2(const TTwoPointInput &in)
{
    TTwoPointModel out;
    out.Refusal = commonRefusal(in);
    if (!out.Refusal.isEmpty())
        return out;
    const double x1 = in.X1;
    const double x3 = (in.RefTimeA & 0x0FFF) / 187.0;
    // Checked before anything is kept: a refusal stores nothing.
    if (x3 < x1 || x3 > 1.4 * x1) {
        out.Refusal = RefTimeRefusalText();
        return out;
    }
    const double k = slope(in), c = in.B;
    const auto f = [k, c](double x) { return k * x + c; };
    out.FactorPercent = FactorToPercent(k);
    const double x4 = (in.RefTimeB & 0x0FFF) / 187.0;
    // P5 stands at 1.35 times P4's x as the table stores it.
    const double x5 = 1.35 * (rawX(x4) / 187.0);
    out.Points = {QPointF(0.0, in.B), QPointF(x1 / 2, 0.94 * f(x1 / 2)), QPointF(x1, in.Y1),
                  QPointF(x3, 1.08 * f(x3)), QPointF(x4, f(x4)), QPointF(x5, 0.94 * f(x5)),
                  QPointF(25.0, 0.90 * f(25.0))};
    return finish(out, k);
}

TTimeWindow InjectorTimeWindow(int t)
{
    if (oneOf(t, {0, 19}))
        return {2.2, 5.5};
    if (oneOf(t, {1, 22}))
        return {2.7, 5.5};
    if (t == 2)
        return {3.9, 5.9};
    if (oneOf(t, {5, 16, 30, 31}))
        return {3.0, 5.5};
    if (t == 11)
        return {3.9, 5.7};
    if (oneOf(t, {12, 23, 24}))
        return {3.5, 5.7};
    if (t == 21)
        return {2.9, 5.5};
    return {3.5, 5.5};
}

double MeanGasTime(const QList<quint32> &raw)
{
    double sum = 0.0;
    int n = 0;
    for (quint32 r : raw) {
        const double ms = RawToTimeMs(r);
        if (ms > 0.1) {
            sum += ms;
            ++n;
        }
    }
    return n ? sum / n : 0.0;
}

int Verdict(double mean, int phase, int injectorType)
{
    if (mean == 0.0 || phase != 1)
        return 0;
    const TTimeWindow w = InjectorTimeWindow(injectorType);
    // Compared at the hundredths the window is given in.
    const double m = std::nearbyint(mean * 1e6) / 1e6;
    if (m < w.Low)
        return 2;
    if (m > w.High)
        return 1;
    return 0;
}

TMapSettings CalculateMapSettings(const QList<TRecordingPoint> &petrol, const QList<TRecordingPoint> &gas,
                                  const std::array<TModelPoint, TDeviceRecord::ModelPointCount> &model)
{
    TMapSettings out;
    if (petrol.isEmpty() || gas.isEmpty()) {
        out.Refusal = QStringLiteral("strNoPoints");
        return out;
    }
    constexpr double limits[6] = {5, 10, 15, 20, 25, 30};
    const auto band = [&limits](double time) {
        for (int k = 0; k < 6; ++k)
            if (time <= limits[k])
                return k;
        return -1;
    };
    MapMath::TAccumulator all;
    std::array<MapMath::TAccumulator, 6> bands;
    for (const auto &p : petrol) {
        all.Add(p.Pressure, p.Time);
        if (const int k = band(p.Time); k >= 0)
            bands[size_t(k)].Add(p.Pressure, p.Time);
    }
    const auto overall = all.Fit();
    if (!overall) {
        // All loads equal: no petrol line to take the times from.
        out.Refusal = QStringLiteral("strNoPoints");
        return out;
    }
    for (int k = 0; k < 6; ++k) {
        const auto &acc = bands[size_t(k)];
        if (acc.N == 0)
            continue;
        const auto own = acc.N >= 3 ? acc.Fit() : std::nullopt;
        const MapMath::TLine petrolLine = own ? *own : *overall;
        double s = 0.0, icpt = 0.0; // the model's segment, reset for each band
        for (const auto &g : gas) {
            if (band(g.Time) != k)
                continue;
            // The model's segment that holds the gas point's petrol time; the
            // table ends at its first unused entry.
            for (int i = 1; i < TDeviceRecord::ModelPointCount; ++i) {
                const TModelPoint &p = model[size_t(i)], &q = model[size_t(i - 1)];
                if (p.X == 0xFFFF || q.X == 0xFFFF)
                    break;
                if (p.X / 187.0 > g.Time && p.X > q.X) {
                    s = double(p.Y - q.Y) / double(p.X - q.X);
                    icpt = (q.Y - q.X * s) / 187.0;
                    break;
                }
            }
            out.Points.append(QPointF(petrolLine.At(g.Pressure), s * g.Time + icpt));
        }
    }
    return out;
}

const TCurve20 TgasStandard = {-6, -6, -5, -5, -4, -4, -3, -3, -2, -1, 0, 2, 3, 4, 6, 8, 10, 12, 14, 15};
const TCurve20 TgasSmall = {-6, -6, -5, -5, -4, -4, -3, -3, -2, -1, 0, 1, 1, 2, 2, 2, 3, 3, 4, 5};
const TCurve20 TgasBig = {-14, -12, -10, -9, -8, -5, -4, -2, -1, 0, 0, 2, 3, 4, 6, 8, 10, 12, 14, 15};
const TCurve20 RpmBig = {0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 8, 10, 11, 12, 13, 14, 15, 16, 17};
const TCurve20 Zero = {};

} // namespace Kind48Math
