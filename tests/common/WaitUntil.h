#pragma once
// Waits for something that must happen while the event loop runs (a timer,
// an idle handler, a queued call, another thread's work): the wait ends as
// soon as it has happened, and gives up at the shared limit of GiveUp.h. A
// fixed pause followed by a check fails on a busy machine, this does not.

#include "common/GiveUp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace testsupport {

// Runs the event loop until done() holds; whether it held before the limit.
template <class Done> bool EventsUntil(Done done, int giveUpMs = GiveUpMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() >= giveUpMs)
            return done();
        // A short turn of the loop that sleeps while nothing is pending.
        QEventLoop turn;
        QTimer::singleShot(5, &turn, &QEventLoop::quit);
        turn.exec();
    }
    return true;
}

} // namespace testsupport
