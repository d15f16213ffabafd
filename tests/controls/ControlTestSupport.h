// Helpers for the interface-control tests: synthetic input, pixels and
// what a panel's controls show.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <string>

namespace controltest {

inline QImage grabImage(QWidget *w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor pixel(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// A colour as it lands in a 24-bit picture.
inline QColor rgbOf(const QColor &color)
{
    return QColor(color.rgb());
}

inline void keyPress(QWidget *w, int key, const QString &text = QString(),
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(w, &release);
}

// Types each character of text as one key press.
inline void typeText(QWidget *w, const QString &text)
{
    for (QChar c : text)
        keyPress(w, c.toUpper().unicode(), QString(c));
}

inline void mousePress(QWidget *w, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent press(QEvent::MouseButtonPress, pos, w->mapToGlobal(pos), button, button,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
}

inline void mouseClick(QWidget *w, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    mousePress(w, pos, button);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, w->mapToGlobal(pos), button,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

// Counts the emissions of one signal.
class SignalCounter
{
public:
    template <typename Sender, typename Signal>
    SignalCounter(Sender *sender, Signal signal)
    {
        QObject::connect(sender, signal, &FContext, [this] { ++FCount; });
    }
    int count() const { return FCount; }

private:
    QObject FContext;
    int FCount = 0;
};

// What the controls inside a panel show, one text each: edits' texts,
// lists' selections, switches' states.
inline QStringList ControlStates(const QWidget *panel)
{
    QStringList out;
    for (const QLineEdit *e : panel->findChildren<QLineEdit *>())
        if (!qobject_cast<const QComboBox *>(e->parentWidget()))
            out << e->objectName() + u'=' + e->text();
    for (const QComboBox *c : panel->findChildren<QComboBox *>())
        out << c->objectName() + u'=' + QString::number(c->currentIndex()) + u'/' + c->currentText();
    for (const QAbstractButton *b : panel->findChildren<QAbstractButton *>())
        if (b->isCheckable())
            out << b->objectName() + u'=' + QString::number(b->isChecked());
    return out;
}

// The states of two such lists that differ, "before -> after", space-separated
// (empty when they agree).
inline std::string StateChanges(const QStringList &before, const QStringList &after)
{
    QStringList out;
    for (qsizetype i = 0; i < std::max(before.size(), after.size()); ++i)
        if (before.value(i) != after.value(i))
            out << before.value(i) + QStringLiteral(" -> ") + after.value(i);
    return out.join(u' ').toStdString();
}

// Lets queued and zero-time work run.
inline void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace controltest
