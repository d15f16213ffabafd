#include "mainwindow/configuration/AutocalModel2.h"

#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/ui/Common.h"
#include "mainwindow/configuration/Model2Page.h"

#include <cmath>

namespace AutocalModel2 {

TResult NewModel2(bool lpg, double b, const QPointF &ps)
{
    TResult r;
    const double x = ps.x();
    // A point at or below 0, or one whose double reaches the chart's end,
    // would give points out of order.
    if (!(x > 0.0) || !(2 * x < 25.0) || !std::isfinite(ps.y()) || !std::isfinite(b))
        return r;
    const double a = (ps.y() - b) / x;
    const auto f = [a, b](double t) { return a * t + b; };
    r.Slope = a;
    r.Points = {QPointF(0, b), QPointF(x / 2, f(x / 2)), ps};
    const double lpgGains[4] = {1.06, 0.98, 0.91, 0.91};
    const double cngGains[3] = {0.95, 0.80, 0.70};
    const int multiples = lpg ? 4 : 3;
    for (int k = 0; k < multiples; ++k) {
        const double t = (k + 2) * x;
        if (k > 0 && !(t < 25.0))
            break;
        r.Points.append(QPointF(t, (lpg ? lpgGains[k] : cngGains[k]) * f(t)));
    }
    r.Points.append(QPointF(25.0, (lpg ? 0.90 : 0.55) * f(25.0)));
    double m = a;
    if (lpg)
        m = ModelMath::CalculateMult(r.Points, b).value_or(a);
    r.Line = {QPointF(0, b), QPointF(25.0, b + 25.0 * m)};
    r.MultPercent = int(std::nearbyint(100 * m - 100));
    r.OffsetTenths = int(std::nearbyint(10 * b));
    r.Ok = true;
    return r;
}

void CalcNewModel2(TModel2Page &page, int phase)
{
    if (!DataManager || DataManager->IsDeviceNotReady())
        return;
    if (DataManager->IsDeviceType(20) || DataManager->IsDeviceType(21)) {
        if (Common)
            Common->ShowWarning(QStringLiteral("DEBUG: Function not available for this firmware version"));
        return;
    }
    TDeviceRecord &rec = DeviceRecord;
    const bool lpg = rec.FuelType == 0;
    if (lpg) {
        page.ReadModel2Settings();
    } else {
        DataManager->ReadNozzleTestData();
        for (int k = 0; k < 4; ++k)
            page.Idle[size_t(k)] = rec.NozzleTest[size_t(k)];
        page.UpdateModel2Labels();
    }
    auto &series = page.Chart->Series;
    series[TModel2Chart::sPoints].clear();
    series[TModel2Chart::sOrig].clear();
    const double b = rec.Offset;
    auto &idle = page.Idle;
    QPointF ps;
    if (!rec.UseOnIdleModel) {
        series[TModel2Chart::sIdle].clear();
        const TModelPoint &p2 = rec.ModelPointsA[2];
        // A curve shorter than three points has no point 2.
        if (p2.X != ModelMath::kModel2Empty)
            ps = QPointF(p2.X / 187.0, p2.Y / 187.0);
    } else {
        if (phase != 2) {
            const double s = idle[0] != 0.0 ? (idle[1] - b) / idle[0] : rec.Mult;
            idle[2] = idle[0] + 1.0;
            idle[3] = s * (idle[0] + 1.0) + b;
            for (int k = 0; k < 4; ++k)
                rec.NozzleTest[size_t(k)] = idle[size_t(k)];
            DataManager->WriteModelBlockC1();
            page.UpdateModel2Labels();
        }
        ps = QPointF((idle[0] + idle[2]) / 2, (idle[1] + idle[3]) / 2);
    }
    const TResult r = NewModel2(lpg, b, ps);
    if (!r.Ok) {
        page.Chart->Repaint();
        return;
    }
    page.ShowNewModel2(r.Points, r.Line, r.MultPercent, r.OffsetTenths);
}

} // namespace AutocalModel2
