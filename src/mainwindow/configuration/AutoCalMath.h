// Calculations of the auto-calibration run: the grade of the gas-injector
// nozzles from the slope of the measured idle points, and the new model-2
// curve built from them. Plain functions, no widgets and no device.
#pragma once

#include <QPointF>

#include <optional>
#include <vector>

namespace AutoCalMath {

enum TVerdict { vNone = 0, vTooSmall = 1, vTooBig = 2, vWithinNorm = 3, vOptimal = 4 };

// Slope from the offset point (0, b) to ps; 0 when ps lies on x = 0.
double Slope(double b, QPointF ps);
// Grade of a slope: LPG and CNG have limits of their own.
TVerdict GradeSlope(double a, bool cng);

// The point the grade and the new curve are taken at: model-2 point 2 (raw
// 1/187 ms) while the idle model is not in use, else P1 in phase 1 and the
// mean of P1 and P2 in phase 2. None for an unused curve entry (0xFFFF).
std::optional<QPointF> GradingPoint(bool idleModelInUse, int phase, int rawX, int rawY, QPointF p1, QPointF p2);

// Points of the new model-2 curve through (0, b) and ps, bent down towards
// 25 ms by the fuel's factors. None when ps gives no rising curve within
// the chart (ps.x <= 0 or 2 ps.x >= 25 ms).
std::optional<std::vector<QPointF>> NewModel2Points(QPointF ps, double b, bool cng);

// Percent of a multiplier as the model-2 up-down shows it (m 1.12 -> 12).
int MultPercent(double m);
// Tenths of a millisecond of an offset (1.05 ms -> 10, half to even).
int OffsetTenths(double b);

} // namespace AutoCalMath
