// Arithmetic of the gas models, without widgets: the linear model with its
// four enrichment thresholds, and model 2 (a curve of up to 20 points) with
// the limits its chart editor keeps. Times are in ms unless named raw
// (units of 1/187 ms, as the device stores them).
#pragma once

#include <QList>
#include <QPointF>
#include <QString>

#include <array>
#include <optional>

namespace ModelMath {

// Nearest integer, halves to the even neighbour.
double RoundEven(double value);
// Rounded to one decimal (halves to even).
double Round1(double value);

// A number shown rounded in a text: while the text is still the one shown,
// the exact number stands for it, so that a value read and written back
// unchanged stays exactly what the device sent.
struct TShownValue {
    QString Text;
    double Value = 0.0;
    bool Set = false;
    void Show(double value, const QString &text) { Value = value; Text = text; Set = true; }
    double Take(const QString &text, double parsed) const { return Set && text == Text ? Value : parsed; }
    // The number a text of the program's stands for (NumberText::ParseTyped
    // reads a text it wrote); held when the text is none.
    double TakeShown(const QString &text, double held) const;
};

// ---- Linear model ----------------------------------------------------------

// The plain model g(t) = m * t + b; 0 everywhere when the page's multiplier or
// offset text is empty (not Valid).
struct TLinearModel {
    bool Valid = false;
    double M = 0.0;
    double B = 0.0;
    double At(double t) const { return Valid ? M * t + B : 0.0; }
};

constexpr int kModelPointCount = 6;
constexpr double kModelMaxX = 20.0;

// The six points of the model with enrichments: x = 0, P1..P4, 20.
std::array<QPointF, kModelPointCount> ModelCurve(const TLinearModel &g, const std::array<int, 4> &p,
                                                 const std::array<int, 4> &e);
// The y of one point (0..5) of that curve.
double ModelPointY(const TLinearModel &g, const std::array<int, 4> &p, const std::array<int, 4> &e,
                   int index);

// Whether a threshold point i (1..4) may move to x between its neighbours of
// xs (the six x values); the last threshold may reach 20 ms.
bool ModelDragAllowed(const std::array<double, kModelPointCount> &xs, int index, int x);
// The enrichment in percent that puts the curve through (x, y); none when the
// plain model value at x is 0 (or not a number).
std::optional<int> ModelDragEnrichment(const TLinearModel &g, int x, double y);

// Text key of the nozzle verdict for multiplier m and mean enrichment a (%).
QString NozzleVerdictKey(double m, double meanEnrichment);

// ---- Model 2 -------------------------------------------------------------

constexpr int kModel2MaxPoints = 20;
constexpr int kModel2RawMaxX = 5610;       // 30 ms; entries beyond are not shown
constexpr quint16 kModel2Empty = 0xFFFF;   // x and y of an unused entry
constexpr double kModel2ChartMaxX = 25.0;  // bottom axis, ms
constexpr double kModel2PixelMaxY = 35.0;  // y span of the pixel conversion
constexpr double kModel2PickDistance = 0.15;
constexpr double kModel2Step = 0.1;
constexpr double kModel2MinGap = 0.2;

struct TRawPoint {
    int X = kModel2Empty;
    int Y = kModel2Empty;
};
using TRawCurve = std::array<TRawPoint, kModel2MaxPoints>;
using TCurve = QList<QPointF>;

// Chart points of the stored curve: entries with x up to 30 ms, in order.
TCurve CurveFromRaw(const TRawCurve &raw);
// Stored entries of the chart points: the first 20 rounded to raw units
// (kept within 0..65535), the rest unused.
TRawCurve RawFromCurve(const TCurve &curve);

// The multiplier the curve implies with offset b: (sum y - n b) / sum x;
// none when the x values add up to 0.
std::optional<double> CalculateMult(const TCurve &curve, double b);
// Slope step: every point after the first with x > 0 gets y + delta * x.
void SlopeStep(TCurve &curve, double delta);
// Offset step: up adds 0.1 ms to every y; down takes 0.1 ms from every y
// that stays at or above 0.
void OffsetStep(TCurve &curve, bool up);
// The default curve for slope factor k and offset b.
TCurve DefaultCurve(double k, double b);

// Index of the first point within the pick distance of x, else -1.
int FindPointAtX(const TCurve &curve, double x);
// The point whose cell (from the midpoint to its left neighbour up to the
// midpoint to its right one) holds x; 0 when none does.
int FindSegmentAtX(const TCurve &curve, double x);
// x limited to 0.2 ms from both neighbours of point i; the first and last
// points keep theirs, and so does a point whose neighbours are too close to
// leave room.
double LimitX(const TCurve &curve, int index, double x);

// Mouse pixels (relative to the chart) to values, one decimal; W and H are
// the plotting area's width and height.
double XValueForMousePos(int x, int width);
double YValueForMousePos(int y, int height);
// And back, to the nearest pixel.
int XPixelForValue(double x, int width);
int YPixelForValue(double y, int height);

// Width of the chart inside its scroll box for the zoom position.
int ZoomedChartWidth(int boxWidth, int maximum, int position);

} // namespace ModelMath
