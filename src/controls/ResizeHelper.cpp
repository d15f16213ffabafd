#include "controls/ResizeHelper.h"

#include "core/ComponentVersion.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>
#include <cmath>

static ComponentVersionRegistrar reg("ResizeHelper", "$Revision: 8 $",
                                     "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");

namespace {
// Widgets that a composite Qt widget makes and places for itself (a tab
// widget's bar and page stack, scroll-area viewports): not recorded, but
// their children are.
bool isToolkitPart(const QWidget *w)
{
    return w->objectName().startsWith(QLatin1String("qt_"));
}

bool isLayoutManaged(const QWidget *w)
{
    const QWidget *parent = w->parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(w) >= 0;
}

// Gives a tab widget's page stack and every page the page area they take
// when the tab widget shows. Until then a page keeps a widget's initial
// size (and a page that was never current keeps it even while its tab
// widget shows), which must not be recorded as its designed size.
void layOutPages(QTabWidget *notebook)
{
    struct Access : QTabWidget {
        using QTabWidget::initStyleOption;
    };
    QStyleOptionTabWidgetFrame option;
    (notebook->*(&Access::initStyleOption))(&option);
    const QRect area = notebook->style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, notebook);
    if (area.isEmpty())
        return;
    if (auto *stack = notebook->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly))
        stack->setGeometry(area);
    for (int i = 0; i < notebook->count(); ++i)
        notebook->widget(i)->setGeometry(QRect(QPoint(0, 0), area.size()));
}

QWidget *windowOf(QObject *owner)
{
    for (QObject *o = owner; o; o = o->parent())
        if (auto *w = qobject_cast<QWidget *>(o))
            return w->window();
    return nullptr;
}
} // namespace

void TResizeInfo::Assign(QWidget *control)
{
    Control = control;
    MinSize = control->minimumSize();
    MaxSize = control->maximumSize();
    FontHeight = TResizeHelper::FontHeightOf(control);
    Left = control->x();
    Top = control->y();
    // A widget's size is its client size (a window's frame is the window manager's).
    Width = control->width();
    Height = control->height();
}

TResizeHelper::TResizeHelper(QObject *owner) : QObject(owner), FWindow(windowOf(owner))
{
    if (FWindow)
        FWindow->installEventFilter(this);
    SetAutoFormCreate(true);
    SetAutoFormResize(true);
}

TResizeHelper::~TResizeHelper()
{
    FDestroying = true;
    if (FWindow)
        FWindow->removeEventFilter(this);
}

void TResizeHelper::SetAutoFormCreate(bool value)
{
    FAutoFormCreate = value;
    if (value)
        FAutoFormShow = false;
}

void TResizeHelper::SetAutoFormShow(bool value)
{
    FAutoFormShow = value;
    if (value)
        FAutoFormCreate = false;
}

int TResizeHelper::FontHeightOf(const QWidget *control)
{
    const QFont font = control->font();
    if (font.pixelSize() > 0)
        return -font.pixelSize();
    if (font.pointSizeF() > 0)
        return -static_cast<int>(std::lround(font.pointSizeF() * control->logicalDpiY() / 72.0));
    return 0;
}

int TResizeHelper::ScaleFontHeight(int h, double scale)
{
    const double product = h * scale;
    int scaled = static_cast<int>(std::nearbyint(product));
    if (scaled == 0 && h != 0)
        scaled = product < 0 ? -1 : 1;
    return scaled;
}

int TResizeHelper::ScaleValue(int value, double scale)
{
    return static_cast<int>(std::trunc(value * scale + 0.5));
}

const TResizeInfo *TResizeHelper::RecordOf(const QWidget *control) const
{
    for (const auto &info : FRecords)
        if (info->Control == control)
            return info.get();
    return nullptr;
}

void TResizeHelper::AddControl(QWidget *control)
{
    if (!control || !FForm || RecordOf(control))
        return;
    const size_t first = FRecords.size();
    CaptureControl(control);
    for (size_t i = first; i < FRecords.size(); ++i) {
        QWidget *w = FRecords[i]->Control;
        // An inherited font has been scaled with its new parent already.
        if (w && !w->testAttribute(Qt::WA_SetFont)) {
            const QFont font = QApplication::font(w);
            FRecords[i]->FontHeight = font.pixelSize() > 0 ? -font.pixelSize()
                : font.pointSizeF() > 0 ? -static_cast<int>(std::lround(font.pointSizeF() * w->logicalDpiY() / 72.0))
                                        : 0;
        }
    }
    Rescale();
}

void TResizeHelper::ExcludeControl(QWidget *control)
{
    if (control && !FExcluded.contains(control))
        FExcluded.append(control);
}

void TResizeHelper::SetForm(QWidget *window)
{
    if (!window || window == FForm)
        return;
    FRecords.clear();
    FForm = window;
    CaptureControl(window);
}

void TResizeHelper::CaptureControl(QWidget *control)
{
    if (auto *notebook = qobject_cast<QTabWidget *>(control))
        layOutPages(notebook);
    const bool toolkitPart = isToolkitPart(control);
    if (!toolkitPart) {
        // The window itself is always recorded: everything scales from its size.
        if (control->objectName().isEmpty() && FIgnoreNonameControls && control != FForm)
            return;
        TResizeInfo *info = const_cast<TResizeInfo *>(RecordOf(control));
        if (!info) {
            FRecords.push_back(std::make_unique<TResizeInfo>());
            info = FRecords.back().get();
        }
        info->Assign(control);
    }
    // A notebook's pages are reached through the components it owns; a page
    // without a name is named after the notebook and its caption.
    if (auto *notebook = qobject_cast<QTabWidget *>(control); notebook && FPolicy != rcpControls) {
        for (int i = 0; i < notebook->count(); ++i) {
            QWidget *page = notebook->widget(i);
            if (page->objectName().isEmpty())
                page->setObjectName(notebook->objectName() + QLatin1Char('_')
                                    + notebook->tabText(i));
        }
    }
    for (QObject *child : control->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (w && !w->isWindow())
            CaptureControl(w);
    }
}

bool TResizeHelper::SizesItself(const QWidget *control) const
{
    return control->property(AutoSizeProperty).toBool() || isLayoutManaged(control);
}

void TResizeHelper::Rescale()
{
    if (FResizing || !FForm || !FEnabled || FDestroying || FRecords.empty())
        return;
    const TResizeInfo &form = *FRecords.front();
    // Nothing to scale from or to while a size is 0 (not yet laid out, or minimised).
    if (form.Width <= 0 || form.Height <= 0 || FForm->width() <= 0 || FForm->height() <= 0)
        return;
    FResizing = true;
    FScaleX = static_cast<double>(FForm->width()) / form.Width;
    FScaleY = static_cast<double>(FForm->height()) / form.Height;
    FScaleFont = std::min(FScaleX, FScaleY);

    // No intermediate state is painted while the controls move.
    const bool updates = FForm->updatesEnabled();
    FForm->setUpdatesEnabled(false);

    auto place = [this](const TResizeInfo &info, QWidget *w) {
        if (w == FForm || isLayoutManaged(w))
            return;
        w->move(ScaleValue(info.Left, FScaleX), ScaleValue(info.Top, FScaleY));
    };

    for (const auto &record : FRecords) {
        QWidget *w = record->Control;
        if (!w)
            continue;
        const bool excluded = FExcluded.contains(w);
        if (!excluded && !SizesItself(w) && w != FForm) {
            // The control's own constraints follow the scaling, so that the
            // scaled size can be reached.
            if (record->MinSize.width() > 0 || record->MinSize.height() > 0)
                w->setMinimumSize(ScaleValue(record->MinSize.width(), FScaleX),
                                  ScaleValue(record->MinSize.height(), FScaleY));
            if (record->MaxSize.width() < QWIDGETSIZE_MAX)
                w->setMaximumWidth(ScaleValue(record->MaxSize.width(), FScaleX));
            if (record->MaxSize.height() < QWIDGETSIZE_MAX)
                w->setMaximumHeight(ScaleValue(record->MaxSize.height(), FScaleY));
            w->resize(ScaleValue(record->Width, FScaleX), ScaleValue(record->Height, FScaleY));
        }
        place(*record, w);
    }

    for (const auto &record : FRecords) {
        QWidget *w = record->Control;
        if (!w)
            continue;
        if (!FExcluded.contains(w) && record->FontHeight != 0) {
            QFont font = w->font();
            font.setPixelSize(std::abs(ScaleFontHeight(record->FontHeight, FScaleFont)));
            w->setFont(font);
            if (w->property(AutoSizeProperty).toBool())
                w->adjustSize();
        }
        place(*record, w);
    }

    // A page that is not shown keeps its old size until it shows: the pages
    // take their tab widget's new page area now, so that what is laid out
    // after the rescale finds them at their new size.
    for (const auto &record : FRecords)
        if (auto *notebook = qobject_cast<QTabWidget *>(record->Control.data()))
            layOutPages(notebook);

    FForm->setUpdatesEnabled(updates);
    FResizing = false;
}

bool TResizeHelper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FWindow && FEnabled && !FDestroying) {
        switch (event->type()) {
        case QEvent::Polish:
            // The window is complete and not yet shown: its creation is over.
            if (FAutoFormCreate && !FCreated) {
                FCreated = true;
                SetForm(FWindow);
                emit OnAfterCreate();
            }
            break;
        case QEvent::Show:
            if (FAutoFormShow) {
                SetForm(FShowContainer ? FShowContainer.data() : FWindow.data());
                emit OnAfterShow();
            }
            break;
        case QEvent::Resize:
            if (FAutoFormResize) {
                // The window's own handling first, then the rescale.
                static_cast<QObject *>(FWindow.data())->event(event);
                Rescale();
                emit OnAfterResize();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
