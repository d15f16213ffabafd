// Arithmetic of the kind-48 calibration pages, without widgets: the default
// model per gas injector type, the seven-point model with its linear base and
// enrichments, the two-point models, the verdict on the injectors after an
// auto-calibration, and the model points suggested from the measured maps.
// Times are in ms unless named raw (units of 1/187 ms).
#pragma once

#include "core/DeviceRecord.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <array>

namespace Kind48Math {

constexpr int kModelPoints = 7;
using TModelPoints = std::array<QPointF, kModelPoints>;

// ---- Default model --------------------------------------------------------

// Model offset b and the gas time at idle that the type of gas injector
// starts from.
double DefaultModelOffset(int injectorType);
double DefaultIdleGasTime(int injectorType);
// Points (0, b), (2, b + 2), (4, b + 4), (8, b + 8), (12, b + 12), (15, b + 15), (25, b + 25).
TModelPoints DefaultPoints(double b);

// ---- Model points ---------------------------------------------------------

// y of a point at x with enrichment e (%) on the base b + m x.
inline double PreciseY(double b, double m, double x, double e) { return (b + m * x) * (1.0 + e / 100.0); }
// The enrichment (%) that a point (x, y) stands at over the base; 0 where the
// base is 0.
int EnrichmentOf(double b, double m, double x, double y);
// Raw value of a time as the model tables hold it, and whether every point
// of the model fits the tables' 16-bit words.
bool PointsFitDevice(const TModelPoints &points);
// Whether a factor fits the device's model factor word (0 .. 65535 / 1024).
bool FactorFitsDevice(double factor);

// ---- Two-point models -----------------------------------------------------

struct TTwoPointInput {
    int Kind = 48;
    double Tb0 = 0.0;     // idle hot petrol time
    double Pc = 0.0;      // idle manifold pressure, bar (first model only)
    double B = 0.0;       // model offset
    double X1 = 0.0;      // loaded point
    double Y1 = 0.0;
    quint16 RefTimeA = 0; // second model: reference times (low 12 bits raw)
    quint16 RefTimeB = 0;
};

struct TTwoPointModel {
    // Text (key) of the refusal; empty when the model was built.
    QString Refusal;
    int FactorPercent = 0;
    TModelPoints Points{};
};

// The idle point and one loaded point give the model; the idle manifold
// pressure places points 3 to 5.
TTwoPointModel TwoPointModel(const TTwoPointInput &in);
// The same with points 3 and 4 at the device's reference petrol times.
TTwoPointModel TwoPointModel2(const TTwoPointInput &in);

// Text of the second model's refusal on the reference time.
QString RefTimeRefusalText();
// Text of the refusal of a model the device cannot hold.
constexpr const char *kOutOfRangeKey = "strModel48OutOfRange";

// ---- Auto-calibration verdict ----------------------------------------------

struct TTimeWindow {
    double Low = 0.0;
    double High = 0.0;
};
TTimeWindow InjectorTimeWindow(int injectorType);
// Mean of the cylinders' gas times (raw) above 0.1 ms; 0 when none counts.
double MeanGasTime(const QList<quint32> &raw);
// 0 no verdict or inside the window, 1 above it (nozzles too small), 2 below
// it (nozzles too big). Only a result the device marks (phase 1) is judged.
int Verdict(double mean, int phase, int injectorType);
// The bar's maximum for a number of cylinders.
inline int ProgressMaximum(int cylinders) { return cylinders * 4 + 4; }

// ---- Model points from the measured maps --------------------------------------

struct TMapSettings {
    QString Refusal;          // text key; empty when calculated
    QList<QPointF> Points;    // (petrol time from the load, model value)
};
// Sorts the petrol and gas points (load, time) into bands of 5 ms up to
// 30 ms; each gas point gets the petrol time of its load from its band's
// petrol line (the overall line when the band has fewer than three points or
// no slope) and the model's gas time for its own petrol time.
TMapSettings CalculateMapSettings(const QList<TRecordingPoint> &petrol, const QList<TRecordingPoint> &gas,
                                  const std::array<TModelPoint, TDeviceRecord::ModelPointCount> &model);

// ---- Corrections -----------------------------------------------------------

using TCurve20 = std::array<int, 20>;
extern const TCurve20 TgasStandard, TgasSmall, TgasBig, RpmBig, Zero;

} // namespace Kind48Math
