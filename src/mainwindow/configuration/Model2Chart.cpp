#include "mainwindow/configuration/Model2Chart.h"

#include "core/UnitConversions.h"
#include "mainwindow/configuration/ModelMath.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr int kLeft = 20;
constexpr int kTop = 3;
constexpr int kRight = 10;
constexpr int kBottom = 16;

QColor Bgr(uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QString ValueText(double v)
{
    // One decimal at most, no trailing zero.
    const double tenths = ModelMath::Round1(v);
    return FormatDecimals(tenths, tenths == std::trunc(tenths) ? 0 : 1);
}

// Where a value mark of that size is written for the point at: centred
// above it, moved inside the plot where the point lies at an edge, and below
// it where the plot's top would cut it. The plot clips what lies outside.
QRectF markRect(QPointF at, QSizeF size, const QRectF &plot)
{
    QRectF r(at.x() - size.width() / 2, at.y() - 4 - size.height(), size.width(), size.height());
    if (r.left() < plot.left())
        r.moveLeft(plot.left() + 1);
    if (r.right() > plot.right())
        r.moveRight(plot.right() - 1);
    if (r.top() < plot.top())
        r.moveTop(at.y() + 6);
    return r;
}

} // namespace

TModel2Chart::TModel2Chart(QWidget *host) : QObject(host), FHost(host)
{
    host->installEventFilter(this);
    host->setMouseTracking(true);
    host->setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect TModel2Chart::PlotArea() const
{
    if (!FHost)
        return {};
    return QRect(kLeft, kTop, std::max(0, FHost->width() - kLeft - kRight),
                 std::max(0, FHost->height() - kTop - kBottom));
}

QPointF TModel2Chart::ToPixel(const QPointF &value) const
{
    const QRect a = PlotArea();
    return QPointF(kLeft + value.x() * a.width() / ModelMath::kModel2ChartMaxX,
                   a.height() + kTop - value.y() * a.height() / ModelMath::kModel2PixelMaxY);
}

void TModel2Chart::Repaint()
{
    if (FHost)
        FHost->update();
}

void TModel2Chart::CancelDrag()
{
    FDrag.Pending = false;
    FDrag.Dragging = false;
}

void TModel2Chart::Paint(QPainter &p) const
{
    if (!FHost)
        return;
    const QRect a = PlotArea();
    p.fillRect(FHost->rect(), FHost->isEnabled() ? Qt::white : QColor(0xF0, 0xF0, 0xF0));
    p.setRenderHint(QPainter::Antialiasing, false);
    // Grid every 5 ms with the axis values.
    QFont f = p.font();
    f.setPixelSize(9);
    p.setFont(f);
    p.setPen(QColor(0xE0, 0xE0, 0xE0));
    for (int x = 0; x <= int(ModelMath::kModel2ChartMaxX); x += 5) {
        const QPointF px = ToPixel(QPointF(x, 0));
        p.setPen(QColor(0xE0, 0xE0, 0xE0));
        p.drawLine(QPointF(px.x(), a.top()), QPointF(px.x(), a.bottom()));
        p.setPen(Qt::black);
        p.drawText(QRectF(px.x() - 12, a.bottom() + 2, 24, 12), Qt::AlignCenter, QString::number(x));
    }
    for (int y = 0; y <= int(ModelMath::kModel2PixelMaxY); y += 5) {
        const QPointF py = ToPixel(QPointF(0, y));
        p.setPen(QColor(0xE0, 0xE0, 0xE0));
        p.drawLine(QPointF(a.left(), py.y()), QPointF(a.right(), py.y()));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, std::max(0.0, py.y() - 6), kLeft - 2, 12), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(y));
    }
    p.setPen(Qt::black);
    p.drawRect(a.adjusted(0, 0, -1, -1));
    p.setClipRect(a);

    auto line = [&](const QList<QPointF> &pts, const QPen &pen) {
        if (pts.size() < 2)
            return;
        QPainterPath path(ToPixel(pts.first()));
        for (int i = 1; i < pts.size(); ++i)
            path.lineTo(ToPixel(pts[i]));
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    };
    auto dots = [&](const QList<QPointF> &pts, const QColor &fill, int r) {
        p.setPen(Qt::black);
        p.setBrush(fill);
        for (const auto &v : pts)
            p.drawEllipse(ToPixel(v), r, r);
    };
    auto marks = [&](const QList<QPointF> &pts, const QColor &colour) {
        p.setPen(colour);
        const QFontMetricsF fm(p.font());
        for (const auto &v : pts) {
            const QString text = ValueText(v.y());
            p.drawText(markRect(ToPixel(v), QSizeF(fm.horizontalAdvance(text) + 2, fm.height()), QRectF(a)),
                       Qt::AlignCenter, text);
        }
    };

    line(Series[sAdapt], QPen(QColor(0x80, 0x80, 0x80), 1, Qt::DashLine));
    line(Series[sOrig], QPen(QColor(0x00, 0x80, 0x00), 1));
    dots(Series[sMap], QColor(0x00, 0x00, 0xFF), 2);
    dots(Series[sReal], QColor(0x80, 0x00, 0x80), 2);
    line(Series[sPoints], QPen(Qt::red, 2));
    dots(Series[sPoints], Qt::green, 3);
    dots(Series[sIdle], QColor(0xFF, 0x80, 0x00), 4);
    if (ShowValues) {
        marks(Series[sPoints], Qt::red);
        marks(Series[sIdle], QColor(0xC0, 0x60, 0x00));
    }
    if (!Series[sActual].isEmpty())
        dots(Series[sActual].mid(0, 1), QColor(0x00, 0xC0, 0xFF), 4);
    if (MarkerActive && !Series[sChange].isEmpty()) {
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(Bgr(MarkerColour));
        p.drawEllipse(ToPixel(Series[sChange].first()), 6, 6);
    }
}

bool TModel2Chart::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != FHost)
        return false;
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter p(FHost);
        Paint(p);
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        FDrag.Pending = false;
        FDrag.Dragging = false;
        FDrag.PressAt = e->position().toPoint();
        if (OnMouseDown)
            OnMouseDown(e->button(), e->modifiers(), FDrag.PressAt);
        return true;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        const QPoint at = e->position().toPoint();
        if (FDrag.Starts(*e, at)) {
            if (OnStartDrag)
                OnStartDrag();
        }
        if (FDrag.Dragging) {
            if (OnDragOver)
                OnDragOver(at);
        } else if (OnMouseMove) {
            OnMouseMove(e->modifiers(), at);
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (FDrag.Ends()) {
            if (OnEndDrag)
                OnEndDrag();
        } else if (OnMouseUp) {
            OnMouseUp(e->button(), e->modifiers(), e->position().toPoint());
        }
        return true;
    }
    case QEvent::Wheel:
        // The chart neither scrolls nor zooms.
        event->accept();
        return true;
    default:
        return false;
    }
}
