#include "core/TimerThread.h"

#include "core/ComponentVersion.h"

#include <QtGlobal>

#include <chrono>
#include <exception>

static ComponentVersionRegistrar reg("TimerThread", "$Revision: 2112 $",
                                     "$Date: 2012-03-14 09:21:40 +0100 (Wed, 14 Mar 2012) $");

// ---- TBackgroundWorker ----

TBackgroundWorker::TBackgroundWorker(TTimerThread *owner) : FOwner(owner) {}

TBackgroundWorker::~TBackgroundWorker()
{
    Wake();
    if (FThread.joinable()) {
        if (IsWorkerThread())
            FThread.detach(); // freed from its own step: unsupported, but no deadlock
        else
            FThread.join();
    }
}

void TBackgroundWorker::Start()
{
    FThread = std::thread([this] { Execute(); });
}

void TBackgroundWorker::Wake()
{
    {
        std::lock_guard<std::mutex> guard(FEventLock);
        FSignalled = true;
    }
    FEvent.notify_all();
}

void TBackgroundWorker::Join()
{
    if (FThread.joinable() && !IsWorkerThread())
        FThread.join();
}

bool TBackgroundWorker::WaitFor(unsigned milliseconds)
{
    std::unique_lock<std::mutex> lock(FEventLock);
    const bool woken = FEvent.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                       [this] { return FSignalled; });
    FSignalled = false;
    return woken;
}

void TBackgroundWorker::Execute()
{
    using Clock = std::chrono::steady_clock;
    while (!FOwner->FTerminated.load()) {
        const Clock::time_point start = Clock::now();
        if (FOwner->FEnabled.load()) {
            // An exception may not leave the thread (it would end the
            // program); a failed step is reported and the next one runs.
            try {
                FOwner->RunStep();
            } catch (const std::exception &e) {
                qWarning("Work step failed: %s", e.what());
            } catch (...) {
                qWarning("Work step failed");
            }
        }
        if (FOwner->FTerminated.load())
            break;
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        WaitFor(TTimerThread::WaitAfterStep(FOwner->FDelayType.load(), FOwner->FInterval.load(), took));
    }
}

// ---- TTimerThread ----

TTimerThread::TTimerThread(QObject *owner) : QObject(owner) {}

TTimerThread::~TTimerThread()
{
    if (FWorker) {
        FTerminated = true;
        FWorker.reset(); // wakes and joins
    }
}

void TTimerThread::SetEnabled(bool value)
{
    if (FEnabled.load() == value)
        return;
    FEnabled = value;
    if (value && !FWorker)
        StartWorker();
}

void TTimerThread::SetOnWorkStep(TNotifyEvent handler)
{
    std::lock_guard<std::mutex> guard(FHandlerLock);
    FOnWorkStep = std::move(handler);
}

void TTimerThread::SetOnWorkStepPerformed(TNotifyEvent handler)
{
    std::lock_guard<std::mutex> guard(FHandlerLock);
    FOnWorkStepPerformed = std::move(handler);
}

void TTimerThread::StartWorker()
{
    if (FWorker)
        throw EInvalidOperation("Background worker has been already started");
    if (FStartType == stAutoEnable)
        FEnabled = true;
    // Cleared here, not by the thread: a stop requested right after the start
    // must not be lost.
    FTerminated = false;
    FWorker = std::make_unique<TBackgroundWorker>(this);
    FWorker->Start();
}

void TTimerThread::SetTerminated(bool flag)
{
    FTerminated = flag;
    if (flag && FWorker)
        FWorker->Wake();
}

void TTimerThread::StopAndWait()
{
    SetTerminated(true);
    if (FWorker)
        FWorker->Join();
}

unsigned TTimerThread::WaitAfterStep(TTimerDelayType type, unsigned interval, long long elapsedMs)
{
    if (type != dtLikeTimer)
        return interval;
    return static_cast<unsigned>(std::max<long long>(0, static_cast<long long>(interval) - elapsedMs));
}

void TTimerThread::RunStep()
{
    TNotifyEvent step, performed;
    {
        std::lock_guard<std::mutex> guard(FHandlerLock);
        step = FOnWorkStep;
        performed = FOnWorkStepPerformed;
    }
    if (step)
        step(this);
    if (performed)
        performed(this);
}
