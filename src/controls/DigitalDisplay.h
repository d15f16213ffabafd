// Panel that shows its caption as seven-segment style characters (digits,
// minus, upper-case letters, decimal point, colon), right-aligned, with
// adjustable segment thickness, slant and outline, optionally on a rounded
// background. Every live reading of the program is one of these.
#pragma once

#include <QColor>
#include <QFrame>
#include <QPoint>
#include <QPointF>
#include <array>

class QPainter;
class TPaintShape;

class TDigitalDisplay : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QColor ColorFill READ ColorFill WRITE SetColorFill)
    Q_PROPERTY(QColor DigitsColor READ DigitsColor WRITE SetDigitsColor)
    Q_PROPERTY(QColor DigitsBorder READ DigitsBorder WRITE SetDigitsBorder)
    Q_PROPERTY(QColor ColorBorder READ ColorBorder WRITE SetColorBorder)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)
    Q_PROPERTY(int PenWidth READ PenWidth WRITE SetPenWidth)
    Q_PROPERTY(int Italic READ Italic WRITE SetItalic)
    Q_PROPERTY(int Weight READ Weight WRITE SetWeight)
    Q_PROPERTY(bool Rounded READ Rounded WRITE SetRounded)

public:
    static constexpr int PointCount = 50;

    explicit TDigitalDisplay(QWidget *parent = nullptr);
    ~TDigitalDisplay() override;

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &value);
    QColor ColorFill() const { return FColorFill; }
    void SetColorFill(const QColor &value);
    QColor DigitsColor() const { return FDigitsColor; }
    void SetDigitsColor(const QColor &value);
    QColor DigitsBorder() const { return FDigitsBorder; }
    void SetDigitsBorder(const QColor &value);
    QColor ColorBorder() const { return FColorBorder; }
    void SetColorBorder(const QColor &value);
    // The panel's own background colour (the fill when not rounded).
    QColor Color() const { return FColor; }
    void SetColor(const QColor &value);
    int PenWidth() const { return FPenWidth; }
    void SetPenWidth(int value);
    int Italic() const { return FItalic; }
    void SetItalic(int value);
    int Weight() const { return FWeight; }
    void SetWeight(int value);
    bool Rounded() const { return FRounded; }
    void SetRounded(bool value);

    // The rounded background while Rounded is on, else null.
    TPaintShape *Shape() const { return FShape; }
    // Width of one character cell in pixels (valid once scaled).
    int CellWidth() const { return FCellWidth; }
    // Scaled point i (client coordinates, before the cell offset).
    QPoint ScaledPoint(int i) const { return FScaled[i]; }

    // Number of cells the caption takes (spaces, minus, digits, upper-case letters).
    static int CellCount(const QString &caption);
    // Number of whole cells the display shows at its current size: a caption
    // of more cells loses its leftmost characters.
    int CellCapacity() const;
    // Segment letters drawn for a character ("" for one that is not shown).
    static QString GlyphSegments(QChar c);

signals:
    void OnResize();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void BuildPoints();
    void Scale();
    void PaintDigits(QPainter &painter, bool fillBackground);
    void DrawGlyph(QPainter &painter, int glyph, int offset);
    bool CheckRange(int value, int high);
    // Repaints the display and, while rounded, its background shape.
    void Repaint();

    QString FCaption;
    QColor FColorFill;
    QColor FDigitsColor;
    QColor FDigitsBorder;
    QColor FColorBorder;
    QColor FColor;
    int FPenWidth = 1;
    int FItalic = 0;
    int FWeight = 80;
    bool FRounded = false;

    std::array<QPointF, PointCount> FPoints;
    std::array<QPoint, PointCount> FScaled;
    int FCellWidth = 0;
    bool FScaledValid = false;
    TPaintShape *FShape = nullptr;
};
