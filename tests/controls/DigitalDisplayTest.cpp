#include "controls/ControlMessages.h"
#include "controls/DigitalDisplay.h"
#include "controls/PaintShape.h"
#include "controls/ControlTestSupport.h"
#include "core/ComponentVersion.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"

#include <QPolygon>
#include <gtest/gtest.h>

using namespace controltest;

namespace {
// Collects the controls' error messages instead of showing boxes.
struct ErrorCatcher {
    QStringList messages;
    TControlErrorHandler previous;
    ErrorCatcher()
    {
        previous = SetControlErrorHandler(
            [this](QWidget *, const QString &text) { messages << text; });
    }
    ~ErrorCatcher() { SetControlErrorHandler(previous); }
};

// Centre of a segment's polygon, moved left by offset.
QPoint segmentCentre(const TDigitalDisplay &d, std::initializer_list<int> points, int offset = 0)
{
    QPolygon polygon;
    for (int i : points)
        polygon << d.ScaledPoint(i);
    const QRect box = polygon.boundingRect();
    return box.center() - QPoint(offset, 0);
}

// A large display without frame offset surprises: pixels are looked up in
// widget coordinates, so the client origin is added.
QPoint toWidget(const TDigitalDisplay &d, QPoint p) { return p + d.contentsRect().topLeft(); }
} // namespace

TEST(DigitalDisplay, DefaultsAndRegistration)
{
    TDigitalDisplay d;
    EXPECT_EQ(d.Caption(), QStringLiteral("123"));
    EXPECT_EQ(d.size(), QSize(137, 42));
    // 0x00BBGGRR values of the original: 0x0000D8DC, 0x00004000, 0x00006000.
    EXPECT_EQ(d.ColorFill(), QColor(0xDC, 0xD8, 0x00));
    EXPECT_EQ(d.Color(), QColor(0xDC, 0xD8, 0x00));
    EXPECT_EQ(d.DigitsColor(), QColor(0x00, 0x40, 0x00));
    EXPECT_EQ(d.DigitsBorder(), QColor(0x00, 0x60, 0x00));
    EXPECT_EQ(d.PenWidth(), 1);
    EXPECT_EQ(d.Italic(), 0);
    EXPECT_EQ(d.Weight(), 80);
    EXPECT_FALSE(d.Rounded());
    for (const char *unit : {"DigitalDisplay", "PaintWindow", "YEdits", "DipSwitch", "ExHint",
                             "ChangeHelper", "ResizeHelper", "SelectedImage"})
        EXPECT_FALSE(ComponentVersionOf(QLatin1String(unit)).isEmpty()) << unit;
}

TEST(DigitalDisplay, CellsAndGlyphs)
{
    EXPECT_EQ(TDigitalDisplay::CellCount(QStringLiteral("12.5")), 3);
    EXPECT_EQ(TDigitalDisplay::CellCount(QStringLiteral("-3")), 2);
    EXPECT_EQ(TDigitalDisplay::CellCount(QStringLiteral("abc")), 0);
    EXPECT_EQ(TDigitalDisplay::CellCount(QStringLiteral("1 2:3")), 4);
    EXPECT_EQ(TDigitalDisplay::GlyphSegments(QLatin1Char('8')), QStringLiteral("ABCDEFG"));
    EXPECT_EQ(TDigitalDisplay::GlyphSegments(QLatin1Char(',')), QStringLiteral("H"));
    EXPECT_EQ(TDigitalDisplay::GlyphSegments(QLatin1Char(':')), QStringLiteral("ST"));
    EXPECT_EQ(TDigitalDisplay::GlyphSegments(QLatin1Char('K')), QStringLiteral("BENO"));
    EXPECT_EQ(TDigitalDisplay::GlyphSegments(QLatin1Char('Z')), QStringLiteral("AGR"));
    EXPECT_TRUE(TDigitalDisplay::GlyphSegments(QLatin1Char('a')).isEmpty());
}

TEST(DigitalDisplay, ScaledPoints)
{
    TDigitalDisplay d;
    d.resize(137, 42);
    d.show();
    // Sunken frame of 2: client 133 x 38, so R = 132 and H = 38.
    ASSERT_EQ(d.contentsRect().size(), QSize(133, 38));
    EXPECT_EQ(d.CellWidth(), 27); // round(26.6)
    EXPECT_EQ(d.ScaledPoint(0), QPoint(132 - 3, 3));   // (0.1, 0.1)
    EXPECT_EQ(d.ScaledPoint(3), QPoint(132 - 22, 34)); // (0.6, 0.9): trunc(22.8), trunc(34.2)
    EXPECT_EQ(d.ScaledPoint(16), QPoint(132 + 1, 31)); // (-0.046, 0.82): trunc toward zero
    // 10 % slant moves each point left by trunc(0.1 * y * H).
    d.SetItalic(10);
    EXPECT_EQ(d.ScaledPoint(0), QPoint(129, 3));
    EXPECT_EQ(d.ScaledPoint(2), QPoint(132 - 3 - 3, 34));
    // Rounded: no frame, 3 pixels inset.
    d.SetItalic(0);
    d.SetRounded(true);
    ASSERT_EQ(d.contentsRect().size(), QSize(137, 42));
    EXPECT_EQ(d.CellWidth(), 25); // round(0.7 * 36) = round(25.2)
    EXPECT_EQ(d.ScaledPoint(0), QPoint(136 - 6 - 3 + 3, 3 + 3));
    // Weight 200: point 6 is (0.3, 0.3).
    d.SetWeight(200);
    d.grab();
    EXPECT_EQ(d.ScaledPoint(6), QPoint(130 - 10 + 3, 10 + 3));
}

TEST(DigitalDisplay, SegmentPixels)
{
    TDigitalDisplay d;
    d.resize(304, 104); // client 300 x 100
    d.SetPenWidth(0);
    d.SetCaption(QStringLiteral("7"));
    d.show();
    QImage image = grabImage(&d);
    const QColor fill = d.ColorFill();
    const QColor digits = d.DigitsColor();
    // "7" is ACF: the top bar and both right bars, no bottom, middle or left bars.
    EXPECT_EQ(pixel(image, toWidget(d, segmentCentre(d, {0, 6, 13, 5})).x(),
                    toWidget(d, segmentCentre(d, {0, 6, 13, 5})).y()), digits);
    const QPoint right = toWidget(d, segmentCentre(d, {0, 1, 7, 6}));
    EXPECT_EQ(pixel(image, right.x(), right.y()), digits);
    const QPoint bottom = toWidget(d, segmentCentre(d, {9, 2, 3, 10}));
    EXPECT_EQ(pixel(image, bottom.x(), bottom.y()), fill);
    const QPoint leftUpper = toWidget(d, segmentCentre(d, {13, 12, 4, 5}));
    EXPECT_EQ(pixel(image, leftUpper.x(), leftUpper.y()), fill);
    const QPoint middle = toWidget(d, segmentCentre(d, {7, 1, 8, 11, 4, 12}));
    EXPECT_EQ(pixel(image, middle.x(), middle.y()), fill);
    // Inside the glyph's cell but between bars: background.
    EXPECT_EQ(pixel(image, toWidget(d, QPoint(d.ScaledPoint(0).x() - 30, 30)).x(), 32), fill);

    // An outline in the border colour when the pen is wider than 0.
    d.SetPenWidth(1);
    image = grabImage(&d);
    const QPoint corner = toWidget(d, d.ScaledPoint(6));
    EXPECT_EQ(pixel(image, corner.x(), corner.y()), d.DigitsBorder());
    const QPoint top = toWidget(d, segmentCentre(d, {0, 6, 13, 5}));
    EXPECT_EQ(pixel(image, top.x(), top.y()), digits);
}

TEST(DigitalDisplay, DecimalPointSitsBetweenCells)
{
    TDigitalDisplay d;
    d.resize(304, 104);
    d.SetPenWidth(0);
    d.SetCaption(QStringLiteral("12.5"));
    d.show();
    const QImage image = grabImage(&d);
    const int cell = d.CellWidth();
    // The point belongs to "2" (cell 1 counted from the right), not to "5".
    const QPoint point1 = toWidget(d, segmentCentre(d, {14, 15, 16, 17}, cell));
    const QPoint point0 = toWidget(d, segmentCentre(d, {14, 15, 16, 17}, 0));
    EXPECT_EQ(pixel(image, point1.x(), point1.y()), d.DigitsColor());
    EXPECT_EQ(pixel(image, point0.x(), point0.y()), d.ColorFill());
    // "1" (CF) in cell 2: its right bars are drawn, its top bar is not.
    const QPoint oneRight = toWidget(d, segmentCentre(d, {0, 1, 7, 6}, 2 * cell));
    const QPoint oneTop = toWidget(d, segmentCentre(d, {0, 6, 13, 5}, 2 * cell));
    EXPECT_EQ(pixel(image, oneRight.x(), oneRight.y()), d.DigitsColor());
    EXPECT_EQ(pixel(image, oneTop.x(), oneTop.y()), d.ColorFill());
    // Nothing further left: no fourth cell.
    const QPoint none = toWidget(d, segmentCentre(d, {0, 1, 7, 6}, 3 * cell));
    EXPECT_EQ(pixel(image, none.x(), none.y()), d.ColorFill());
}

TEST(DigitalDisplay, LowerCaseDrawsNothing)
{
    TDigitalDisplay d;
    d.resize(304, 104);
    d.SetCaption(QStringLiteral("abc"));
    d.show();
    const QImage image = grabImage(&d);
    const QRect client = d.contentsRect();
    for (int y = client.top(); y <= client.bottom(); y += 3)
        for (int x = client.left(); x <= client.right(); x += 3)
            ASSERT_EQ(pixel(image, x, y), d.ColorFill()) << x << "," << y;
}

TEST(DigitalDisplay, RoundedBackgroundAndBack)
{
    QWidget parent;
    parent.resize(320, 120);
    parent.setAutoFillBackground(true);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0x00, 0xFF));
    parent.setPalette(pal);
    auto *d = new TDigitalDisplay(&parent);
    d->setGeometry(10, 10, 300, 100);
    d->SetCaption(QStringLiteral(" "));
    d->SetColorFill(QColor(0x20, 0x80, 0xC0));
    d->SetRounded(true);
    parent.show();
    ASSERT_NE(d->Shape(), nullptr);
    EXPECT_EQ(d->frameStyle(), int(QFrame::NoFrame));
    QImage image = grabImage(&parent);
    // The corner is outside the rounded shape and shows the parent.
    EXPECT_EQ(pixel(image, 10, 10), QColor(0xFF, 0x00, 0xFF));
    EXPECT_EQ(pixel(image, 160, 60), QColor(0x20, 0x80, 0xC0));
    // The outline takes the border colour on a straight edge.
    d->SetColorBorder(QColor(0x00, 0x00, 0xFF));
    image = grabImage(&parent);
    EXPECT_EQ(pixel(image, 160, 10), QColor(0x00, 0x00, 0xFF));

    d->SetRounded(false);
    EXPECT_EQ(d->Shape(), nullptr);
    EXPECT_NE(d->frameStyle(), int(QFrame::NoFrame));
    EXPECT_EQ(d->Color(), QColor(0x20, 0x80, 0xC0));
    image = grabImage(&parent);
    EXPECT_EQ(pixel(image, 160, 60), QColor(0x20, 0x80, 0xC0));
}

TEST(DigitalDisplay, RangeErrorsKeepTheOldValue)
{
    ErrorCatcher errors;
    TDigitalDisplay d;
    d.SetPenWidth(51);
    d.SetItalic(-1);
    d.SetWeight(201);
    EXPECT_EQ(d.PenWidth(), 1);
    EXPECT_EQ(d.Italic(), 0);
    EXPECT_EQ(d.Weight(), 80);
    EXPECT_EQ(errors.messages,
              QStringList({QStringLiteral("Only values within range [0..50] are allowed"),
                           QStringLiteral("Only values within range [0..100] are allowed"),
                           QStringLiteral("Only values within range [0..200] are allowed")}));
    d.SetPenWidth(50);
    d.SetItalic(100);
    d.SetWeight(0);
    EXPECT_EQ(errors.messages.size(), 3);
    EXPECT_EQ(d.PenWidth(), 50);
}

TEST(DigitalDisplay, RangeErrorGoesThroughTheCommonBoxes)
{
    // Without a handler of its own, a control's error is a box of the common
    // services, so an answer provider sees it and nothing blocks.
    QList<TMessageBoxInfo> boxes;
    TCommon::SetAnswerProvider([&](const TMessageBoxInfo &box) {
        boxes << box;
        return int(mrOk);
    });
    TCommon common;
    TCommon *saved = Common;
    Common = &common;
    const TControlErrorHandler previous = SetControlErrorHandler(nullptr);
    ShowControlError(nullptr, QStringLiteral("Only values within range [0..9] are allowed"));
    SetControlErrorHandler(previous);
    Common = saved;
    TCommon::SetAnswerProvider(nullptr);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].Caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes[0].Type, mtError);
    EXPECT_EQ(boxes[0].Text, QStringLiteral("Only values within range [0..9] are allowed"));
    EXPECT_EQ(boxes[0].Buttons, QList<int>({mrOk}));
}
