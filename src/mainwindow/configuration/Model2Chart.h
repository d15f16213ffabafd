// The model-2 chart: a custom-painted chart on a plain widget of the window
// (its nine series, the axes 0..25 ms and 0..35 ms) that passes the mouse on
// as press, move, release and the drag that starts once a pressed left button
// moves past the drag distance.
#pragma once

#include "mainwindow/configuration/DragStart.h"
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QPainter;

class TModel2Chart : public QObject
{
    Q_OBJECT

public:
    // Series in index order.
    enum : int {
        sMults = 0, sMap = 1, sOrig = 2, sPoints = 3, sActual = 4, sReal = 5, sChange = 6,
        sIdle = 7, sAdapt = 8, SeriesCount = 9
    };
    static constexpr uint32_t White = 0xFFFFFF;
    static constexpr uint32_t Red = 0x0000FF; // blue, green, red from the low byte up

    explicit TModel2Chart(QWidget *host);

    QWidget *Host() const { return FHost; }
    // The plotting area inside the host: its left edge at 20 px, its top at 3 px.
    QRect PlotArea() const;

    std::array<QList<QPointF>, SeriesCount> Series;
    // The selection marker (series 6) is active while keyboard editing is on.
    bool MarkerActive = false;
    uint32_t MarkerColour = White;
    // Value marks on the curve and the idle points.
    bool ShowValues = true;

    void Repaint();
    void Paint(QPainter &painter) const;

    // Mouse, in pixels relative to the host. A press of the left button that
    // asked for a drag (BeginDrag) starts it once the mouse moves past the
    // drag distance; a release then ends the drag instead of being a click.
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, QPoint)> OnMouseDown;
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, QPoint)> OnMouseUp;
    std::function<void(Qt::KeyboardModifiers, QPoint)> OnMouseMove;
    std::function<void()> OnStartDrag;
    std::function<void(QPoint)> OnDragOver;
    std::function<void()> OnEndDrag;
    void BeginDrag() { FDrag.Pending = true; }
    void CancelDrag();
    bool Dragging() const { return FDrag.Dragging; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointF ToPixel(const QPointF &value) const;

    QPointer<QWidget> FHost;
    TDragStart FDrag;
};
