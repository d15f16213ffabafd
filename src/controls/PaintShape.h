// A simple shape control (rectangle, rounded rectangle, ellipse) with its own
// pen and brush. After painting itself it can call back a painter of its
// owner, so an owner can draw over the shape (the digital display draws its
// segments on the rounded background this way; the DIP switch uses a shape
// as its knob).
#pragma once

#include <QBrush>
#include <QPen>
#include <QWidget>
#include <functional>

class QPainter;

class TPaintShape : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(TShapeType Shape READ Shape WRITE SetShape)
    Q_PROPERTY(QPen Pen READ Pen WRITE SetPen)
    Q_PROPERTY(QBrush Brush READ Brush WRITE SetBrush)

public:
    enum TShapeType { stRectangle, stRoundRect, stEllipse };
    Q_ENUM(TShapeType)

    explicit TPaintShape(QWidget *parent = nullptr);

    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType value);
    QPen Pen() const { return FPen; }
    void SetPen(const QPen &value);
    QBrush Brush() const { return FBrush; }
    void SetBrush(const QBrush &value);

    // Called after the shape is painted, with the painter still open on the
    // shape (unset: nothing more is drawn).
    std::function<void(QPainter &)> OnPaint;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TShapeType FShape = stRectangle;
    QPen FPen;
    QBrush FBrush;
};
