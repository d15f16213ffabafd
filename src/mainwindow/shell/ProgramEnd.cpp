#include "mainwindow/shell/ProgramEnd.h"

#include "mainwindow/shell/FormMain.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

namespace {

// Hands the window its close and asks the application to quit when the
// window took it. Installed as soon as the window is made, this is the last
// filter a close passes: the window's own handling follows it directly. The
// quit is queued: it runs once the window has finished closing (and, for a
// close before the message loop runs, once the loop has started).
class TEndWithWindow : public QObject
{
public:
    explicit TEndWithWindow(QWidget &window) : QObject(&window) { window.installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Close)
            return false;
        watched->event(event);
        if (event->isAccepted())
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
        return true;
    }
};

} // namespace

void EndProgramWithWindow(QWidget &mainWindow)
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    new TEndWithWindow(mainWindow);
}

void CreateMainWindow(TFormMain &window, const std::function<void(TFormMain &)> &wire)
{
    EndProgramWithWindow(window);
    if (wire)
        wire(window);
    window.FormCreate();
}
