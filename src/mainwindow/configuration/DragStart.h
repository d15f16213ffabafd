#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QPoint>

// Tells a drag from a click on a chart: a press on something that may be
// dragged makes the drag pending, and it starts once the left button has
// moved the platform's drag distance from where it was pressed. The release
// ends it.
struct TDragStart
{
    bool Pending = false;
    bool Dragging = false;
    QPoint PressAt;

    // True when this move starts the drag.
    bool Starts(const QMouseEvent &e, const QPoint &at)
    {
        if (!Pending || Dragging || !(e.buttons() & Qt::LeftButton)
            || (at - PressAt).manhattanLength() < QApplication::startDragDistance())
            return false;
        Dragging = true;
        Pending = false;
        return true;
    }

    // On release: true when it ends a drag (rather than being a click).
    bool Ends()
    {
        Pending = false;
        const bool was = Dragging;
        Dragging = false;
        return was;
    }
};
