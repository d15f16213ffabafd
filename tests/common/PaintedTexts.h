#pragma once
// The texts a widget paints (a custom-painted chart's axis values and marks),
// caught as the widget renders itself onto this paint device.

#include <QImage>
#include <QPaintEngine>
#include <QStringList>
#include <QTextItem>
#include <QWidget>

struct PaintedTexts : QImage, QPaintEngine {
    explicit PaintedTexts(QWidget *w) : QImage(w->size(), Format_RGB32), QPaintEngine(AllFeatures) { w->render(this); }
    QPaintEngine *paintEngine() const override { return const_cast<PaintedTexts *>(this); }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawPath(const QPainterPath &) override {}
    void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF &, const QTextItem &item) override { Texts << item.text(); }
    Type type() const override { return User; }
    QStringList Texts;
};
