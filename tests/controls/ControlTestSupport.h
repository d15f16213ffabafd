// Helpers for the interface-control tests: synthetic input and pixels.
#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

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

// Lets queued and zero-time work run.
inline void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace controltest
