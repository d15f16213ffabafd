#include "controls/DigitalDisplay.h"

#include "controls/ControlMessages.h"
#include "controls/PaintShape.h"
#include "core/ComponentVersion.h"

#include <QApplication>
#include <QPainter>
#include <QPolygon>
#include <cmath>

static ComponentVersionRegistrar reg("DigitalDisplay", "$Revision: 7 $",
                                     "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");

namespace {
// Polygons of the segments, as indexes into the point table.
struct Segment {
    char letter;
    std::initializer_list<int> points;
};
const Segment kSegments[] = {
    {'A', {0, 6, 13, 5}},          {'B', {13, 12, 4, 5}},         {'C', {0, 1, 7, 6}},
    {'D', {7, 1, 8, 11, 4, 12}},   {'E', {11, 10, 3, 4}},         {'F', {1, 2, 9, 8}},
    {'G', {9, 2, 3, 10}},          {'H', {14, 15, 16, 17}},       {'I', {18, 5, 19, 25, 22, 24}},
    {'J', {20, 0, 21, 23, 22, 25}}, {'K', {18, 5, 19, 25, 22}},   {'L', {20, 0, 21, 22, 25}},
    {'M', {28, 7, 29, 32, 13, 33}}, {'N', {26, 6, 27, 30, 12, 31}}, {'O', {36, 9, 37, 40, 11, 41}},
    {'P', {34, 8, 35, 38, 10, 39}}, {'Q', {9, 36, 13, 32}},       {'R', {27, 6, 39, 10}},
    {'S', {42, 43, 44, 45}},       {'T', {46, 47, 48, 49}},
};

// Glyphs: 0..9 the digits, 10 minus, 11 decimal point, 12 colon, 13.. the letters.
const char *const kGlyphs[39] = {
    "ABCEFG", "CF",     "ACDEG",  "ACDFG", "BCDF",  "ABDFG",   "ABDEFG", "ACF",
    "ABCDEFG", "ABCDFG", "D",     "H",     "ST",
    "ABCDEF", "BDEFGM", "ABEG",   "BEFGM", "ABDEG", "ABDE",    "ABEFG",  "BCDEF",
    "CF",     "ACP",    "BENO",   "BEG",   "BCEFMN", "BCEFQ",  "ABCEFG", "ABCDE",
    "ABCEFGO", "ABCDEO", "ABDFG", "ABE",   "BCEFG", "IJ",      "BCEFOP", "QR",
    "BCDP",   "AGR",
};

const Segment &segmentOf(char letter) { return kSegments[letter - 'A']; }

int glyphIndex(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u == '-')
        return 10;
    if (u == '.' || u == ',')
        return 11;
    if (u == ':')
        return 12;
    if (u >= 'A' && u <= 'Z')
        return 13 + (u - 'A');
    return -1;
}

bool takesCell(QChar c)
{
    const char16_t u = c.unicode();
    return u == ' ' || u == '-' || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z');
}
} // namespace

TDigitalDisplay::TDigitalDisplay(QWidget *parent)
    : QFrame(parent),
      FCaption(QStringLiteral("123")),
      FColorFill(0xDC, 0xD8, 0x00),   // 0x0000D8DC
      FDigitsColor(0x00, 0x40, 0x00), // 0x00004000
      FDigitsBorder(0x00, 0x60, 0x00), // 0x00006000
      FColorBorder(QApplication::palette().color(QPalette::Shadow)),
      FColor(FColorFill)
{
    resize(137, 42);
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setAutoFillBackground(false);
    BuildPoints();
}

TDigitalDisplay::~TDigitalDisplay() = default;

void TDigitalDisplay::BuildPoints()
{
    const double w = FWeight / 1000.0;
    const double h = w / 2;
    FPoints = {{
        {0.1, 0.1}, {0.1, 0.5}, {0.1, 0.9}, {0.6, 0.9}, {0.6, 0.5},
        {0.6, 0.1}, {0.1 + w, 0.1 + w}, {0.1 + w, 0.5 - h}, {0.1 + w, 0.5 + h}, {0.1 + w, 0.9 - w},
        {0.6 - w, 0.9 - w}, {0.6 - w, 0.5 + h}, {0.6 - w, 0.5 - h}, {0.6 - w, 0.1 + w}, {0.1 - 0.066, 0.9},
        {0.1 - 0.066, 0.9 - w}, {0.1 - 0.146, 0.9 - w}, {0.1 - 0.146, 0.9}, {0.6, 0.1 + w}, {0.6 - w, 0.1},
        {0.1 + w, 0.1}, {0.1, 0.1 + w}, {0.35, 0.9}, {0.35 - h, 0.9}, {0.35 + h, 0.9},
        {0.35, 0.9 - 3.5 * w}, {0.1 + w + 1.7 * w, 0.1 + w}, {0.1 + w, 0.1 + w + 1.7 * w},
        {0.1 + w, 0.5 - h - w}, {0.1 + 2 * w, 0.5 - h},
        {0.6 - 2 * w, 0.5 - h}, {0.6 - w, 0.5 - h - w}, {0.6 - w, 0.1 + w + 1.7 * w},
        {0.6 - w - 1.7 * w, 0.1 + w}, {0.1 + 2 * w, 0.5 + h},
        {0.1 + w, 0.5 + h + w}, {0.1 + w, 0.9 - w - 1.7 * w}, {0.1 + w + 1.7 * w, 0.9 - w},
        {0.6 - w - 1.7 * w, 0.9 - w}, {0.6 - w, 0.9 - w - 1.7 * w},
        {0.6 - w, 0.5 + h + w}, {0.6 - 2 * w, 0.5 + h}, {0.1 - 0.066, 0.4}, {0.1 - 0.066, 0.4 - w},
        {0.1 - 0.146, 0.4 - w},
        {0.1 - 0.146, 0.4}, {0.1 - 0.066, 0.9 - w}, {0.1 - 0.066, 0.9 - 2 * w},
        {0.1 - 0.146, 0.9 - 2 * w}, {0.1 - 0.146, 0.9 - w},
    }};
    FScaledValid = false;
}

void TDigitalDisplay::Scale()
{
    const QRect client = contentsRect();
    const int b = FRounded ? 3 : 0;
    const int right = client.width() - 1 - 2 * b;
    const double height = client.height() - 2 * b;
    FCellWidth = static_cast<int>(std::nearbyint(0.7 * height));
    for (int i = 0; i < PointCount; ++i) {
        const QPointF &p = FPoints[i];
        int x = right - static_cast<int>(p.x() * height) + b;
        const int y = static_cast<int>(p.y() * height) + b;
        x -= static_cast<int>(FItalic * 0.01 * p.y() * height);
        FScaled[i] = QPoint(x, y);
    }
    FScaledValid = true;
}

int TDigitalDisplay::CellCount(const QString &caption)
{
    int n = 0;
    for (QChar c : caption)
        if (takesCell(c))
            ++n;
    return n;
}

int TDigitalDisplay::CellCapacity() const
{
    // The same geometry as Scale(): cells are laid out from the right edge,
    // and the leftmost point of a glyph lies 0.6 heights left of its cell's
    // right edge, further by the slant at the glyph's foot.
    const QRect client = contentsRect();
    const int b = FRounded ? 3 : 0;
    const int right = client.width() - 1 - 2 * b;
    const double height = client.height() - 2 * b;
    const int cell = static_cast<int>(std::nearbyint(0.7 * height));
    const double glyph = (0.6 + FItalic * 0.01 * 0.9) * height;
    if (cell <= 0 || right < glyph)
        return 0;
    return 1 + static_cast<int>((right - glyph) / cell);
}

QString TDigitalDisplay::GlyphSegments(QChar c)
{
    const int g = glyphIndex(c);
    return g < 0 ? QString() : QString::fromLatin1(kGlyphs[g]);
}

void TDigitalDisplay::DrawGlyph(QPainter &painter, int glyph, int offset)
{
    for (const char *s = kGlyphs[glyph]; *s; ++s) {
        const Segment &segment = segmentOf(*s);
        QPolygon polygon;
        polygon.reserve(static_cast<int>(segment.points.size()));
        for (int i : segment.points)
            polygon << QPoint(FScaled[i].x() - offset, FScaled[i].y());
        painter.drawPolygon(polygon);
    }
}

void TDigitalDisplay::PaintDigits(QPainter &painter, bool fillBackground)
{
    if (!FScaledValid)
        Scale();
    if (fillBackground)
        painter.fillRect(QRect(QPoint(0, 0), contentsRect().size()), FColor);
    // A zero-width pen is one pixel wide; it then takes the fill colour so
    // that no outline shows.
    QPen pen(FPenWidth <= 0 ? FDigitsColor : FDigitsBorder);
    pen.setWidth(FPenWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(FDigitsColor);
    painter.setRenderHint(QPainter::Antialiasing, false);

    int k = CellCount(FCaption);
    for (QChar c : FCaption) {
        --k;
        const char16_t u = c.unicode();
        if (u == ' ')
            continue;
        if (u == '.' || u == ',' || u == ':') {
            // The point and the colon sit on the right boundary of the
            // preceding character's cell and take no cell of their own.
            ++k;
            DrawGlyph(painter, glyphIndex(c), k * FCellWidth);
            continue;
        }
        const int g = glyphIndex(c);
        if (g < 0) {
            ++k;
            continue;
        }
        DrawGlyph(painter, g, k * FCellWidth);
    }
}

void TDigitalDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!FRounded) {
        drawFrame(&painter);
        const QRect client = contentsRect();
        painter.setClipRect(client);
        painter.translate(client.topLeft());
        PaintDigits(painter, true);
    }
    // While rounded, the shape paints the background and calls back for the digits.
}

void TDigitalDisplay::resizeEvent(QResizeEvent *event)
{
    if (FShape)
        FShape->setGeometry(contentsRect());
    Scale();
    QFrame::resizeEvent(event);
    emit OnResize();
}

void TDigitalDisplay::Repaint()
{
    update();
    if (FShape)
        FShape->update();
}

bool TDigitalDisplay::CheckRange(int value, int high)
{
    if (value >= 0 && value <= high)
        return true;
    ShowControlError(this, QStringLiteral("Only values within range [0..%1] are allowed").arg(high));
    return false;
}

void TDigitalDisplay::SetCaption(const QString &value)
{
    if (FCaption == value)
        return;
    FCaption = value;
    Repaint();
}

void TDigitalDisplay::SetColorFill(const QColor &value)
{
    if (FColorFill == value)
        return;
    FColorFill = value;
    if (FRounded && FShape)
        FShape->SetBrush(value);
    else
        SetColor(value);
}

void TDigitalDisplay::SetColor(const QColor &value)
{
    if (FColor == value)
        return;
    FColor = value;
    update();
}

void TDigitalDisplay::SetDigitsColor(const QColor &value)
{
    if (FDigitsColor == value)
        return;
    FDigitsColor = value;
    Repaint();
}

void TDigitalDisplay::SetDigitsBorder(const QColor &value)
{
    if (FDigitsBorder == value)
        return;
    FDigitsBorder = value;
    Repaint();
}

void TDigitalDisplay::SetColorBorder(const QColor &value)
{
    if (FColorBorder == value)
        return;
    FColorBorder = value;
    if (FRounded && FShape)
        FShape->SetPen(QPen(value, 1));
}

void TDigitalDisplay::SetPenWidth(int value)
{
    if (FPenWidth == value || !CheckRange(value, 50))
        return;
    FPenWidth = value;
    Repaint();
}

void TDigitalDisplay::SetItalic(int value)
{
    if (FItalic == value || !CheckRange(value, 100))
        return;
    FItalic = value;
    Scale();
    Repaint();
}

void TDigitalDisplay::SetWeight(int value)
{
    if (FWeight == value || !CheckRange(value, 200))
        return;
    FWeight = value;
    BuildPoints();
    Repaint();
}

void TDigitalDisplay::SetRounded(bool value)
{
    if (FRounded == value)
        return;
    FRounded = value;
    if (value) {
        // The parent shows round the rounded corners.
        setFrameStyle(QFrame::NoFrame);
        FShape = new TPaintShape(this);
        FShape->SetShape(TPaintShape::stRoundRect);
        FShape->SetPen(QPen(FColorBorder, 1));
        FShape->SetBrush(FColorFill);
        FShape->setGeometry(contentsRect());
        FShape->OnPaint = [this](QPainter &painter) { PaintDigits(painter, false); };
        FShape->show();
    } else {
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
        FColor = FColorFill;
        delete FShape;
        FShape = nullptr;
    }
    Scale();
    update();
}
