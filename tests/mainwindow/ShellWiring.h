#pragma once
// The main window's own slots and the secondary windows' hooks, wired as the
// program's main block wires them.

#include "mainwindow/shell/FormMain.h"
#include "windows/MainWindowHooks.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>

namespace shellwiring {

inline void Wire(TFormMain &form)
{
    form.Services.AdaptToDevice = [&form] { form.AdaptToDeviceVersion(); };
    form.Services.PgCMainChange = [&form] { form.PgCMainChange(nullptr); };
    form.Services.ReloadPagesAfterConnect = [&form] { form.ReloadPagesAfterConnect(); };
    WireMainWindowToWindows(form);
}

// The window's own component: one inside the kind-48 windows' docked
// panels, which reuse some names, does not count.
template <typename T = QWidget> T *Get(const QObject &form, const char *name)
{
    for (T *found : form.findChildren<T *>(QString::fromLatin1(name))) {
        bool docked = false;
        for (QObject *p = found; p && p != &form && !docked; p = p->parent())
            docked = p->parent() && p->objectName() == p->parent()->objectName();
        if (!docked)
            return found;
    }
    return nullptr;
}

// Names of the sheets whose tabs show, in page order.
inline QStringList VisibleTabs(const QObject &form, const char *pageControl)
{
    QStringList out;
    auto *pages = Get<QTabWidget>(form, pageControl);
    for (int i = 0; pages && i < pages->count(); ++i)
        if (pages->isTabVisible(i))
            out << pages->widget(i)->objectName();
    return out;
}

inline QString Current(const QObject &form, const char *pageControl)
{
    auto *pages = Get<QTabWidget>(form, pageControl);
    return pages && pages->currentWidget() ? pages->currentWidget()->objectName() : QString();
}

// A user's click on the tab of a sheet.
inline void ClickTab(const QObject &form, const char *sheet)
{
    QWidget *page = Get(form, sheet);
    auto *pages = qobject_cast<QTabWidget *>(page->parentWidget()->parentWidget());
    QTabBar *bar = pages->tabBar();
    const QPoint at = bar->tabRect(pages->indexOf(page)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &release);
}

} // namespace shellwiring
