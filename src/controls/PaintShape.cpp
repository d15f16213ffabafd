#include "controls/PaintShape.h"

#include "core/ComponentVersion.h"

#include <QPainter>
#include <algorithm>

static ComponentVersionRegistrar reg("PaintWindow", "$Revision: 3 $",
                                     "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");

TPaintShape::TPaintShape(QWidget *parent)
    : QWidget(parent), FPen(Qt::black, 1), FBrush(Qt::white)
{
    FPen.setJoinStyle(Qt::MiterJoin);
}

void TPaintShape::SetShape(TShapeType value)
{
    if (FShape == value)
        return;
    FShape = value;
    update();
}

void TPaintShape::SetPen(const QPen &value)
{
    if (FPen == value)
        return;
    FPen = value;
    update();
}

void TPaintShape::SetBrush(const QBrush &value)
{
    if (FBrush == value)
        return;
    FBrush = value;
    update();
}

void TPaintShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(FPen);
    painter.setBrush(FBrush);
    // The outline lies inside the control: half the pen width in from each
    // edge, so a one-pixel pen traces the outermost pixels.
    const int pw = std::max(1, FPen.width());
    const QRect box(pw / 2, pw / 2, width() - pw, height() - pw);
    switch (FShape) {
    case stRectangle:
        painter.drawRect(box);
        break;
    case stRoundRect: {
        // Corner ellipse a quarter of the shorter side across.
        const qreal radius = std::min(width(), height()) / 8.0;
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.drawRoundedRect(box, radius, radius);
        break;
    }
    case stEllipse:
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.drawEllipse(box);
        break;
    }
    if (OnPaint) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        OnPaint(painter);
    }
}
