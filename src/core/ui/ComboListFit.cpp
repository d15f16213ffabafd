#include "core/ui/ComboListFit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>
#include <QStyle>

TComboListFit::TComboListFit(QObject *parent) : QObject(parent)
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

int TComboListFit::NeededListWidth(const QComboBox *combo)
{
    const QFontMetrics fm(combo->view()->font());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = std::max(widest, fm.horizontalAdvance(combo->itemText(i)));
    // Item margins, the list's frame and a scroll bar when the list scrolls.
    int extra = 2 * combo->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 16;
    if (combo->count() > combo->maxVisibleItems())
        extra += combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return widest + extra;
}

bool TComboListFit::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show || !watched->isWidgetType())
        return false;
    auto *popup = static_cast<QWidget *>(watched);
    if (!popup->isWindow() || popup->windowType() != Qt::Popup)
        return false;
    // A combo box's list lives in a pop-up frame that the combo box owns.
    auto *combo = qobject_cast<QComboBox *>(popup->parentWidget());
    if (!combo)
        return false;
    const int needed = NeededListWidth(combo);
    if (popup->width() < needed)
        popup->resize(needed, popup->height());
    return false;
}
