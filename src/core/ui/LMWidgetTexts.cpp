#include "core/ui/LMWidgetTexts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QWidget>

namespace {
// The tab widget that shows page as one of its tabs, or nullptr.
QTabWidget *tabWidgetOf(QWidget *page, int &index)
{
    QWidget *stack = page->parentWidget();
    if (!qobject_cast<QStackedWidget *>(stack))
        return nullptr;
    auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget());
    if (!tabs)
        return nullptr;
    index = tabs->indexOf(page);
    return index < 0 ? nullptr : tabs;
}

bool isInside(const QObject *object, const QObject *window)
{
    for (const QObject *p = object; p; p = p->parent())
        if (p == window)
            return true;
    return false;
}

// Whether object lies in a page docked into window by another window.
bool isInsideForeignPage(const QObject *object, const QObject *window)
{
    for (const QObject *p = object; p && p != window; p = p->parent()) {
        const QVariant owner = p->property(TLMWidgetTexts::OwnerFormProperty);
        if (owner.isValid() && owner.toString() != window->objectName())
            return true;
    }
    return false;
}

void appendMemoLine(QObject *memo, const QString &line)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(memo)) {
        if (plain->document()->isEmpty())
            plain->setPlainText(line);
        else
            plain->appendPlainText(line);
    } else if (auto *rich = qobject_cast<QTextEdit *>(memo)) {
        if (rich->document()->isEmpty())
            rich->setPlainText(line);
        else
            rich->append(line);
    }
}
}

QObject *TLMWidgetTexts::FindWindow(const QString &name)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == name)
            return w;
    return nullptr;
}

void TLMWidgetTexts::SetWindowCaption(QObject *window, const QString &caption)
{
    if (auto *w = qobject_cast<QWidget *>(window))
        w->setWindowTitle(caption);
}

QObject *TLMWidgetTexts::FindComponent(QObject *window, const QString &name)
{
    if (!window || name.isEmpty())
        return nullptr;
    // Direct children first, then each child's subtree in order; a page that
    // another window docked here keeps its components to that window.
    QObject *found = window->findChild<QObject *>(name, Qt::FindChildrenRecursively);
    if (found && isInsideForeignPage(found, window))
        found = nullptr;
    if (!found)
        for (QObject *candidate : window->findChildren<QObject *>(name, Qt::FindChildrenRecursively))
            if (!isInsideForeignPage(candidate, window)) {
                found = candidate;
                break;
            }
    if (found)
        return found;
    for (QWidget *page : DockedPagesOf(window)) {
        if (page->objectName() == name)
            return page;
        if (QObject *found = page->findChild<QObject *>(name, Qt::FindChildrenRecursively))
            return found;
    }
    return nullptr;
}

QList<QWidget *> TLMWidgetTexts::DockedPagesOf(const QObject *window)
{
    QList<QWidget *> pages;
    if (!window || window->objectName().isEmpty()
        || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return pages;
    for (QWidget *w : QApplication::allWidgets()) {
        const QVariant owner = w->property(OwnerFormProperty);
        if (owner.isValid() && owner.toString() == window->objectName() && !isInside(w, window))
            pages << w;
    }
    return pages;
}

void TLMWidgetTexts::ApplyComponentLine(QObject *window, const QString &name, bool isHint,
                                        const QString &value)
{
    QObject *c = FindComponent(window, name);
    if (!c)
        return;
    if (isHint) {
        if (auto *action = qobject_cast<QAction *>(c))
            action->setToolTip(value);
        else if (auto *w = qobject_cast<QWidget *>(c)) {
            // Group boxes and tab sheets take no hint from a language file.
            int index = -1;
            if (!qobject_cast<QGroupBox *>(w) && !tabWidgetOf(w, index))
                w->setToolTip(value);
        }
        return;
    }
    if (auto *action = qobject_cast<QAction *>(c)) {
        action->setText(value);
    } else if (auto *menu = qobject_cast<QMenu *>(c)) {
        menu->setTitle(value);
    } else if (qobject_cast<QPlainTextEdit *>(c) || qobject_cast<QTextEdit *>(c)) {
        if (value == QLatin1String("^"))
            QMetaObject::invokeMethod(c, "clear");
        else if (!value.isEmpty())
            appendMemoLine(c, value);
    } else if (auto *button = qobject_cast<QAbstractButton *>(c)) {
        button->setText(value);
    } else if (auto *label = qobject_cast<QLabel *>(c)) {
        label->setText(value);
    } else if (auto *combo = qobject_cast<QComboBox *>(c)) {
        // New item texts keep the chosen entry (or none): a language change
        // must not choose a value the device does not hold.
        static const char *const keptIndex = "LMKeptIndex";
        if (value == QLatin1String("^")) {
            combo->setProperty(keptIndex, combo->currentIndex());
            combo->clear();
        } else if (!value.isEmpty()) {
            combo->addItem(value);
            const QVariant kept = combo->property(keptIndex);
            const int index = kept.isValid() ? kept.toInt() : -1;
            combo->setCurrentIndex(index < combo->count() ? index : -1);
        }
    } else if (auto *group = qobject_cast<QGroupBox *>(c)) {
        group->setTitle(value);
    } else if (auto *w = qobject_cast<QWidget *>(c)) {
        int index = -1;
        if (QTabWidget *tabs = tabWidgetOf(w, index))
            tabs->setTabText(index, value); // a tab sheet
        else if (c->metaObject()->indexOfProperty("Caption") >= 0)
            c->setProperty("Caption", value); // the program's own panels (segment displays)
    }
}
