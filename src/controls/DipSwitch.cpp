#include "controls/DipSwitch.h"

#include "controls/PaintShape.h"
#include "core/ComponentVersion.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

static ComponentVersionRegistrar reg("DipSwitch", "$Revision: 5 $",
                                     "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");

namespace {
// Width of the lowered bevel round the switch.
constexpr int kBevel = 1;
} // namespace

TDipSwitch::TDipSwitch(QWidget *parent)
    : QWidget(parent),
      FColor(QApplication::palette().color(QPalette::Button)),
      FUpper(new QWidget(this)),
      FLower(new QWidget(this)),
      FKnob(new TPaintShape(this))
{
    FUpper->setObjectName(QStringLiteral("UpperLabel"));
    FLower->setObjectName(QStringLiteral("LowerLabel"));
    FKnob->setObjectName(QStringLiteral("Knob"));
    for (QWidget *part : {FUpper, FLower, static_cast<QWidget *>(FKnob)})
        part->installEventFilter(this);
    resize(21, 42);
    LayOut();
}

void TDipSwitch::LayOut()
{
    const int inset = kBevel + FBorderWidth;
    const QRect client = rect().adjusted(inset, inset, -inset, -inset);
    const int upperHeight = std::min(std::max(0, (height() - 2) / 2), std::max(0, client.height()));
    const QRect upper(client.left(), client.top(), client.width(), upperHeight);
    const QRect lower(client.left(), client.top() + upperHeight, client.width(),
                      std::max(0, client.height() - upperHeight));
    FUpper->setGeometry(upper);
    FLower->setGeometry(lower);

    FKnob->hide();
    QRect knob;
    if (FChecked) {
        const int h = FSwitchType == stRectangle ? lower.height()
                                                 : std::min(lower.width(), lower.height());
        knob = QRect(lower.left(), lower.top() + lower.height() - h, lower.width(), h);
    } else {
        const int h = FSwitchType == stRectangle ? lower.height()
                                                 : std::min(upper.width(), lower.height());
        knob = QRect(upper.left(), upper.top(), upper.width(), h);
    }
    FKnob->setGeometry(knob);
    FKnob->show();
}

void TDipSwitch::SetChecked(bool value)
{
    if (FChecked == value)
        return;
    FChecked = value;
    LayOut();
}

void TDipSwitch::SetSwitchType(TSwitchType value)
{
    if (FSwitchType == value)
        return;
    FSwitchType = value;
    LayOut();
}

QBrush TDipSwitch::SwitchBrush() const { return FKnob->Brush(); }
void TDipSwitch::SetSwitchBrush(const QBrush &value) { FKnob->SetBrush(value); }
QPen TDipSwitch::SwitchPen() const { return FKnob->Pen(); }
void TDipSwitch::SetSwitchPen(const QPen &value) { FKnob->SetPen(value); }

void TDipSwitch::SetColor(const QColor &value)
{
    if (FColor == value)
        return;
    FColor = value;
    update();
}

void TDipSwitch::SetBorderWidth(int value)
{
    if (FBorderWidth == value || value < 0)
        return;
    FBorderWidth = value;
    LayOut();
    update();
}

void TDipSwitch::PartPressed(QWidget *part, QMouseEvent *event)
{
    if (!FSwitchable)
        return;
    // The knob stands for the half it occupies.
    const bool lowerHalf = part == FKnob ? FChecked : part == FLower;
    if (FCyclic)
        FChecked = !FChecked;
    else
        FChecked = lowerHalf;
    emit OnMouseDown(part, event->button(), event->modifiers(), event->position().toPoint());
    LayOut();
    emit OnClick();
}

bool TDipSwitch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && isEnabled()) {
        PartPressed(static_cast<QWidget *>(watched), static_cast<QMouseEvent *>(event));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TDipSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), FColor);
    // Lowered bevel: shadow on the top and left edges, highlight on the
    // bottom and right edges (which take the two shared corners).
    const int r = width() - 1;
    const int b = height() - 1;
    const QPalette &pal = palette();
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawLine(0, 0, r - 1, 0);
    painter.drawLine(0, 0, 0, b - 1);
    painter.setPen(pal.color(QPalette::Light));
    painter.drawLine(r, 0, r, b);
    painter.drawLine(0, b, r, b);
}

void TDipSwitch::resizeEvent(QResizeEvent *event)
{
    LayOut();
    QWidget::resizeEvent(event);
    emit OnResize();
}
