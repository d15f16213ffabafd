#include "mainwindow/configuration/MapMath.h"

#include <algorithm>
#include <cmath>

namespace MapMath {

using ModelMath::RoundEven;

bool BandInRange(int item, int band)
{
    if (item >= 0 && item <= 7)
        return band == item;
    if (item >= 8 && item <= 14)
        return band == item - 8 || band == item - 7;
    return false;
}

TCellMapStats CellMapStats(const std::array<TMapRow, TDeviceRecord::MapRowCount> &rows, int engineType)
{
    TCellMapStats s;
    s.Shown = engineType != 0 ? 40 : 17;
    const int first = s.Shown / 3, second = 2 * (s.Shown / 3);
    std::array<int, 3> inRange{};
    for (int k = 0; k < s.Shown; ++k) {
        const quint16 w = rows[k][0];
        if (!CellValid(w))
            continue;
        s.Points.append(QPointF(kPetrolCellLoad0 + kCellStep * k, CellMs(w)));
        ++s.Valid;
        ++inRange[k < first ? 0 : k < second ? 1 : 2];
    }
    s.Complete = s.Valid >= s.Shown - 1;
    if (s.Complete)
        s.Points.append(QPointF(0, 0));
    s.CoversRanges = inRange[0] > 0 && inRange[1] > 0 && inRange[2] > 0;
    return s;
}

void TAccumulator::Add(double x, double y)
{
    ++N;
    Sx += x;
    Sy += y;
    Sxx += x * x;
    Sxy += x * y;
}

std::optional<TLine> TAccumulator::Fit() const
{
    const double d = N * Sxx - Sx * Sx;
    if (N < 2 || !(std::fabs(d) > 1e-12))
        return std::nullopt;
    TLine l;
    l.M = (N * Sxy - Sx * Sy) / d;
    l.C = Sy / N - l.M * Sx / N;
    if (!std::isfinite(l.M) || !std::isfinite(l.C))
        return std::nullopt;
    return l;
}

QString CheckMapPoints(int petrolCount, int gasCount)
{
    if (petrolCount == 0 && gasCount == 0)
        return QStringLiteral("strNoPoints");
    if (petrolCount < 4)
        return QStringLiteral("strNotEnoughPetrolPoints");
    if (gasCount < 4)
        return QStringLiteral("strNotEnoughGasPoints");
    return QString();
}

double TModelFactors::Enrichment(double t) const
{
    // A segment without width takes the enrichment at its right end.
    auto between = [t](double x0, double e0, double x1, double e1) {
        return x1 == x0 ? e1 : e0 + (e1 - e0) * (t - x0) / (x1 - x0);
    };
    if (t <= P[0])
        return P[0] <= 0 ? E[0] : E[0] * t / P[0];
    if (t <= P[1])
        return between(P[0], E[0], P[1], E[1]);
    if (t <= P[2])
        return between(P[1], E[1], P[2], E[2]);
    return P[3] == P[2] ? E[2] : between(P[2], E[2], P[3], E[3]);
}

int TModelFactors::Range(double t) const
{
    return t <= P[0] ? 1 : t <= P[1] ? 2 : t <= P[2] ? 3 : 4;
}

TCalculated CalculateModel(const TPoints &petrol, const TPoints &gas, const TModelFactors &model)
{
    TCalculated out;
    out.Warning = CheckMapPoints(int(petrol.size()), int(gas.size()));
    if (!out.Warning.isEmpty())
        return out;
    std::array<TAccumulator, 5> acc;
    for (const auto &p : petrol) {
        acc[0].Add(p.Pressure, p.Time);
        acc[model.Range(p.Time)].Add(p.Pressure, p.Time);
    }
    std::array<std::optional<TLine>, 5> lines;
    for (int r = 0; r < 5; ++r)
        if (r == 0 || acc[r].N >= 3)
            lines[r] = acc[r].Fit();
    if (!lines[0]) {
        out.Warning = QStringLiteral("strNotEnoughPetrolPoints");
        return out;
    }
    for (const auto &g : gas) {
        int r = model.Range(g.Time);
        if (acc[r].N < 3 || !lines[r])
            r = 0;
        else
            out.RangeFitUsed = true;
        const double t = lines[r]->At(g.Pressure);
        const double v = (model.Mult * g.Time + model.Offset) * (1.0 + 0.01 * model.Enrichment(t));
        if (std::isfinite(t) && std::isfinite(v))
            out.Points.append(QPointF(t, v));
    }
    if (!out.RangeFitUsed)
        out.Points.clear();
    return out;
}

int Model2Last(const ModelMath::TRawCurve &curve)
{
    for (int k = 0; k < int(curve.size()); ++k)
        if (curve[k].X > ModelMath::kModel2RawMaxX)
            return k - 1;
    return int(curve.size()) - 1;
}

std::optional<double> Model2Value(const ModelMath::TRawCurve &curve, double t)
{
    const int last = Model2Last(curve);
    for (int k = 1; k <= last; ++k) {
        if (!(t < curve[k].X / 187.0))
            continue;
        const int dx = curve[k].X - curve[k - 1].X;
        if (dx == 0)
            return std::nullopt;
        const double s = double(curve[k].Y - curve[k - 1].Y) / dx;
        const double i = (curve[k - 1].Y - curve[k - 1].X * s) / 187.0;
        return s * t + i;
    }
    return std::nullopt;
}

TCalculated CalculateModel2(const TPoints &petrol, const TPoints &gas, const ModelMath::TRawCurve &curve)
{
    TCalculated out;
    out.Warning = CheckMapPoints(int(petrol.size()), int(gas.size()));
    if (!out.Warning.isEmpty())
        return out;
    auto bin = [](double time) { return time > 30.0 ? -1 : time <= 5.0 ? 0 : int(std::ceil(time / 5.0)) - 1; };
    TAccumulator all;
    std::array<TAccumulator, 6> bins;
    for (const auto &p : petrol) {
        all.Add(p.Pressure, p.Time);
        if (const int b = bin(p.Time); b >= 0)
            bins[b].Add(p.Pressure, p.Time);
    }
    const auto overall = all.Fit();
    if (!overall) {
        out.Warning = QStringLiteral("strNotEnoughPetrolPoints");
        return out;
    }
    for (int b = 0; b < 6; ++b) {
        if (bins[b].N == 0)
            continue;
        std::optional<TLine> line = bins[b].N > 2 ? bins[b].Fit() : std::nullopt;
        const TLine use = line ? *line : *overall;
        for (const auto &g : gas) {
            if (bin(g.Time) != b)
                continue;
            const double t = use.At(g.Pressure);
            const double v = Model2Value(curve, g.Time).value_or(0.0);
            if (std::isfinite(t))
                out.Points.append(QPointF(t, v));
        }
    }
    return out;
}

std::array<std::optional<double>, 40> FilledCells(const std::array<TMapRow, TDeviceRecord::MapRowCount> &rows)
{
    std::array<std::optional<double>, 40> v;
    for (int k = 0; k < 40; ++k)
        if (CellValid(rows[k][0]))
            v[k] = CellMs(rows[k][0]);
    int first = 0;
    while (first < 40 && !v[first])
        ++first;
    for (int i = first + 1; i < 40; ++i) {
        if (v[i])
            continue;
        int j = i + 1;
        while (j <= 38 && !v[j])
            ++j;
        if (j > 38)
            break;
        v[i] = *v[i - 1] + (*v[j] - *v[i - 1]) / (j - i + 1);
    }
    return v;
}

TCalculated CalculateModel2FromCells(const TPoints &gas,
                                     const std::array<TMapRow, TDeviceRecord::MapRowCount> &rows,
                                     const ModelMath::TRawCurve &curve)
{
    TCalculated out;
    if (gas.isEmpty()) {
        out.Warning = QStringLiteral("strNoGasPoints");
        return out;
    }
    if (gas.size() < 4) {
        out.Warning = QStringLiteral("strNotEnoughGasPoints");
        return out;
    }
    const auto cells = FilledCells(rows);
    TAccumulator acc;
    for (const auto &g : gas)
        acc.Add(g.Pressure, g.Time);
    // Without a line there is no residual to judge: no point is dropped.
    const auto fit = acc.Fit();
    int worst = -1;
    if (fit) {
        double largest = -1.0;
        for (int k = 0; k < gas.size(); ++k) {
            const double r = fit->At(gas[k].Pressure) - gas[k].Time;
            if (r * r > largest) {
                largest = r * r;
                worst = k;
            }
        }
    }
    for (int k = 0; k < gas.size(); ++k) {
        if (k == worst)
            continue;
        const double cell = RoundEven((gas[k].Pressure - kGasCellLoad0) / kCellStep);
        if (!(cell >= 0 && cell <= 39) || !cells[int(cell)])
            continue;
        const auto v = Model2Value(curve, gas[k].Time);
        if (!v)
            continue;
        out.Points.append(QPointF(*cells[int(cell)], *v));
    }
    return out;
}

bool FitModel2(ModelMath::TCurve &curve, const QList<QPointF> &calculated, double offset)
{
    const int last = std::min<int>(int(curve.size()) - 1, ModelMath::kModel2MaxPoints - 1);
    if (last < 1)
        return false;
    double m = 0.0;
    for (const auto &p : calculated)
        m = std::max(m, p.x());

    // End point: the curve should end just below the largest calculated x.
    if (curve.size() > 2 && curve[2].x() < m) {
        for (int i = 0; i <= last; ++i) {
            const double x = curve[i].x();
            if (m - 1.5 < x && x < m)
                break;
            if (x > m) {
                if (i == 0)
                    break;
                const QPointF a = curve[i - 1], b = curve[i];
                if (b.x() == a.x())
                    break;
                const double nx = m - 0.5;
                const QPointF moved(nx, a.y() + (b.y() - a.y()) * (nx - a.x()) / (b.x() - a.x()));
                if (i != last)
                    curve[i] = moved;
                else if (last < ModelMath::kModel2MaxPoints - 1)
                    curve.insert(i, moved);
                else
                    break;
                return true;
            }
        }
    }

    // Segment fit: each point moves onto the line of the calculated points
    // around it.
    const ModelMath::TCurve before = curve;
    int adjusted = -1;
    for (int i = 1; i <= last; ++i) {
        const double x = curve[i].x();
        double lo = 0.8 * x, hi = 1.2 * x;
        for (int window = 0; window < 9; ++window, lo -= 1.0, hi += 1.0) {
            TAccumulator acc;
            bool below = false, above = false;
            for (const auto &p : calculated)
                if (p.x() > lo && p.x() < hi) {
                    acc.Add(p.x(), p.y());
                    below = below || p.x() < x;
                    above = above || p.x() >= x;
                }
            if (!below || !above)
                continue;
            if (const auto line = acc.Fit()) {
                curve[i].setY(line->At(x));
                adjusted = i;
            }
            break;
        }
    }
    if (adjusted < 0)
        return false;
    const double yLast = before[adjusted].y();
    if (yLast != offset) {
        const double factor = (curve[adjusted].y() - yLast) / (yLast - offset) + 1.0;
        for (int i = adjusted + 1; i <= last; ++i)
            curve[i].setY(curve[i].y() * factor);
    }
    return true;
}

TSegmentFit FitModelSegments(const QList<QPointF> &calculated, const QList<QPointF> &modelLine, int offsetPosition)
{
    TSegmentFit out;
    if (calculated.isEmpty()) {
        out.Warning = QStringLiteral("strNotEnoughGasPoints");
        return out;
    }
    const float b = float(offsetPosition) / 10.0f;
    float sx = 0, sy = 0;
    for (const auto &p : calculated) {
        sx += float(p.x());
        sy += float(p.y());
    }
    const float n = float(calculated.size());
    if (sx == 0) {
        out.Warning = QStringLiteral("strNotEnoughGasPoints");
        return out;
    }
    // The sums are single precision; the quotient is taken in double.
    out.Mult = (double(sy) - double(n) * double(b)) / double(sx);
    // A sum of x near zero gives a multiplier far beyond any spin position;
    // keep its sign instead of overflowing the integer.
    out.MultPosition = int(std::clamp(RoundEven((out.Mult - 1.0) * 100.0), -1e6, 1e6));

    QList<QPointF> line = modelLine;
    int lastChanged = 0;
    for (int k = 0; k + 1 < line.size(); ++k) {
        float gx = 0, gy = 0;
        int count = 0;
        for (const auto &p : calculated)
            if (line[k].x() <= p.x() && p.x() <= line[k + 1].x() + 2.0) {
                gx += float(p.x());
                gy += float(p.y());
                ++count;
            }
        const double den = gx - count * line[k].x();
        if (count == 0 || den == 0)
            continue;
        line[k + 1].setY((line[k + 1].x() - line[k].x()) * (gy - count * line[k].y()) / den + line[k].y());
        lastChanged = k + 1;
    }
    if (lastChanged == 0)
        return out;
    std::array<int, 4> e{};
    for (int j = 1; j <= 4 && j < line.size(); ++j) {
        const double base = out.Mult * line[j].x() + b;
        const double v = base != 0 ? RoundEven((line[j].y() / base - 1.0) * 100.0) : 0.0;
        e[j - 1] = std::isfinite(v) ? int(std::clamp(v, -1e6, 1e6)) : 0;
    }
    for (int j = lastChanged; j >= 1 && j < 4; ++j)
        e[j] = e[lastChanged - 1];
    out.Changed = true;
    out.Enrichments = e;
    return out;
}

QList<QPointF> Model2Slopes(const ModelMath::TCurve &curve)
{
    QList<QPointF> out;
    for (int i = 0; i < curve.size() && curve.size() > 1; ++i) {
        const int a = i == 0 ? 0 : i - 1, b = i == 0 ? 1 : i;
        const double dx = curve[b].x() - curve[a].x();
        if (dx == 0)
            break;
        out.append(QPointF(curve[i].x(), (curve[b].y() - curve[a].y()) / dx));
    }
    return out;
}

} // namespace MapMath

QList<QPointF> MapMath::ClassifyPoints(const TPoints &points, TClassKey key)
{
    const bool byLoad = key == TClassKey::Load;
    // Edges in hundredths of a bar (15, 20, ... 95) or in ms (1 .. 18), so
    // that an edge is the value written, not a sum of rounded steps.
    const int first = byLoad ? 15 : 1, step = byLoad ? 5 : 1;
    const double unit = byLoad ? 100.0 : 1.0;
    const int classes = byLoad ? 16 : 17;
    QList<QPointF> out;
    for (int k = 0; k < classes; ++k) {
        const double low = (first + step * k) / unit, high = (first + step * (k + 1)) / unit;
        QPointF sum;
        int count = 0;
        for (const TRecordingPoint &p : points) {
            const double v = byLoad ? p.Pressure : p.Time;
            if (!(v >= low && v < high))
                continue;
            if (count == 3) {
                sum /= 3.0;
                count = 1;
                continue;
            }
            sum += QPointF(p.Pressure, p.Time);
            ++count;
        }
        if (count > 0)
            out.append(sum / count);
    }
    return out;
}
