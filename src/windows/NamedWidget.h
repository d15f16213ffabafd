// Small helpers shared by the windows built in code: a child widget with its
// objectName, designed geometry and text, and the one road by which every
// modal window of the program is run, so that tests can run a dialog's set-up
// and result handling without a modal loop.
#pragma once

#include <QDialog>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

// Makes a W child of parent named name at geometry (when not empty) with text
// (when W has one and text is not empty).
template<class W>
W *NewNamed(QWidget *parent, const char *name, const QRect &geometry = QRect(), const QString &text = QString())
{
    auto *widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    if (!geometry.isNull())
        widget->setGeometry(geometry);
    if constexpr (requires(W *w) { w->setText(text); }) {
        if (!text.isEmpty())
            widget->setText(text);
    }
    return widget;
}

// Adds a page named name with caption to pages.
class QTabWidget;
QWidget *NewTabPage(QTabWidget *pages, const char *name, const QString &caption);

// Runs a modal dialog: through the installed hook when there is one (tests
// answer the dialog there), else with exec(). Returns the modal result.
using TModalExecHook = std::function<int(QDialog *dialog)>;
void SetModalExecHook(TModalExecHook hook);
int ExecModal(QDialog *dialog);

// The text of key in the current language ("!_" + key when it has none, as
// the language manager gives it; also without a language manager).
QString TranslateKey(const QString &key);

// Puts the current language's texts on a window created after the language
// was loaded (through the main window's language apply when it exists).
void ApplyCurrentLanguage();
