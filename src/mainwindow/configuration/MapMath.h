// Arithmetic of the map page without widgets: which measured points lie in
// the chosen engine-speed band, the statistics of the 40-cell map, and the
// calculations that turn the measured petrol and gas points into points of
// the linear model or of model 2 and fit those models to them. Loads are in
// bar, times in ms unless named raw (1/187 ms).
#pragma once

#include "core/DeviceRecord.h"
#include "mainwindow/configuration/ModelMath.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <array>
#include <optional>

namespace MapMath {

using TPoints = QList<TRecordingPoint>;

// ---- Map page -------------------------------------------------------------

// Whether points of a band (0..7) are drawn as in range for the collection
// range chosen in the range combo (item 0..14).
bool BandInRange(int item, int band);

constexpr double kPetrolCellLoad0 = 0.1922;
constexpr double kGasCellLoad0 = 0.2;
constexpr double kCellStep = 0.05;
inline bool CellValid(quint16 word) { return (word & 0x8000) != 0; }
inline double CellMs(quint16 word) { return (word & 0xFFF) / 187.0; }

// The petrol cells of the cell map that the main chart draws.
struct TCellMapStats {
    int Shown = 0;            // cells considered: 40, or 17 for engine type 0
    int Valid = 0;
    bool Complete = false;    // at most one shown cell invalid
    bool CoversRanges = false; // a valid cell in each of the three load ranges
    QList<QPointF> Points;    // the valid cells, closed by (0, 0) when complete
};
TCellMapStats CellMapStats(const std::array<TMapRow, TDeviceRecord::MapRowCount> &rows, int engineType);

// The classification tools: the points sorted into classes by load (edges
// 0.15 to 0.95 bar, 0.05 apart) or by petrol time (edges 1 to 18 ms, 1 ms
// apart), one averaged point (load, time) per class that holds points. In a
// class the points are summed in order; whenever three are summed the sums
// become their mean, which counts as one point, and the point at hand is
// passed over.
enum class TClassKey { Load, Time };
QList<QPointF> ClassifyPoints(const TPoints &points, TClassKey key);

// ---- Fits -----------------------------------------------------------------

struct TLine {
    double M = 0.0;
    double C = 0.0;
    double At(double x) const { return M * x + C; }
};

// Sums of a least-squares line fit.
struct TAccumulator {
    int N = 0;
    double Sx = 0, Sy = 0, Sxx = 0, Sxy = 0;
    void Add(double x, double y);
    // None when the points do not fix a line (fewer than 2, or all x equal).
    std::optional<TLine> Fit() const;
};

// ---- Calculations -----------------------------------------------------------

// The text key of the point check's warning, empty when the tables pass
// (at least 4 petrol and 4 gas points).
QString CheckMapPoints(int petrolCount, int gasCount);

// The linear model with its four thresholds (whole ms) and enrichments (%).
struct TModelFactors {
    double Mult = 0.0;
    double Offset = 0.0;
    std::array<int, 4> P{};
    std::array<int, 4> E{};
    // Enrichment in percent at petrol time t (piecewise linear through the
    // origin and the four thresholds).
    double Enrichment(double t) const;
    // Petrol-time range 1..4 of t.
    int Range(double t) const;
};

struct TCalculated {
    QString Warning;          // a text key when the calculation refused
    QList<QPointF> Points;    // (petrol estimate, gas value)
    bool RangeFitUsed = false;
};

// Kinds 20/21: the points of the linear model from the measured tables.
TCalculated CalculateModel(const TPoints &petrol, const TPoints &gas, const TModelFactors &model);

// Model-2 value of petrol time t from the stored curve; none when no segment
// covers t.
std::optional<double> Model2Value(const ModelMath::TRawCurve &curve, double t);
// Index of the last model-2 entry in use, -1 when none.
int Model2Last(const ModelMath::TRawCurve &curve);

// Kind 48: the model-2 points from the measured tables, by time bins.
TCalculated CalculateModel2(const TPoints &petrol, const TPoints &gas, const ModelMath::TRawCurve &curve);
// Kind 48: the model-2 points from the petrol cell map and the gas points.
TCalculated CalculateModel2FromCells(const TPoints &gas,
                                     const std::array<TMapRow, TDeviceRecord::MapRowCount> &rows,
                                     const ModelMath::TRawCurve &curve);
// The cell values after gap filling (none for a cell left invalid).
std::array<std::optional<double>, 40> FilledCells(const std::array<TMapRow, TDeviceRecord::MapRowCount> &rows);

// Kind 48: fits the model-2 curve (ms) to the calculated points; returns
// whether the curve changed. offset is the model offset in ms.
bool FitModel2(ModelMath::TCurve &curve, const QList<QPointF> &calculated, double offset);

// Kinds 20/21: fits the model line (the six points of the model chart) to the
// calculated points.
struct TSegmentFit {
    QString Warning;
    double Mult = 0.0;
    int MultPosition = 0;            // round((mult - 1) * 100)
    bool Changed = false;            // a segment point was moved
    std::array<int, 4> Enrichments{};
};
TSegmentFit FitModelSegments(const QList<QPointF> &calculated, const QList<QPointF> &modelLine, int offsetPosition);

// The slope of every model-2 segment at its right end point (the first point
// takes the first segment's); stops at the first segment without width.
QList<QPointF> Model2Slopes(const ModelMath::TCurve &curve);

} // namespace MapMath
