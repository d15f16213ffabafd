// A timer that runs its work step on a background thread of its own, at a
// fixed interval, without the message loop. The step runs on the worker
// thread: it must take whatever lock protects the data it touches.
#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

// Misuse of a component (an operation that its state does not allow).
class EInvalidOperation : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

enum TTimerDelayType {
    dtNormalSleep, // wait the whole interval after each step
    dtLikeTimer,   // wait the interval less the time the step took (not below 0)
};

enum TTimerThreadStartType {
    stAutoEnable,   // starting the worker also sets Enabled
    stManualEnable, // starting the worker leaves Enabled as it is
};

class TTimerThread;

// The background thread of a TTimerThread.
class TBackgroundWorker {
public:
    explicit TBackgroundWorker(TTimerThread *owner);
    // Ends and joins the thread (the owner has set its stop flag).
    ~TBackgroundWorker();
    TBackgroundWorker(const TBackgroundWorker &) = delete;
    TBackgroundWorker &operator=(const TBackgroundWorker &) = delete;

    void Start();
    // Ends a wait at once.
    void Wake();
    // Waits until the thread has ended; from the worker thread itself it
    // returns at once (the loop ends when the step returns).
    void Join();
    bool IsWorkerThread() const { return std::this_thread::get_id() == FThread.get_id(); }

private:
    void Execute();
    // Waits up to the given time or until woken; true when woken.
    bool WaitFor(unsigned milliseconds);

    TTimerThread *FOwner;
    std::thread FThread;
    std::mutex FEventLock;
    std::condition_variable FEvent;
    bool FSignalled = false;
};

class TTimerThread : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TTimerThread *sender)>;

    explicit TTimerThread(QObject *owner = nullptr);
    ~TTimerThread() override;

    TTimerDelayType DelayType() const { return FDelayType.load(); }
    void SetDelayType(TTimerDelayType value) { FDelayType = value; }
    bool Enabled() const { return FEnabled.load(); }
    // Enabling for the first time starts the worker; disabling leaves it
    // running (it keeps waking at the interval without stepping).
    void SetEnabled(bool value);
    unsigned Interval() const { return FInterval.load(); }
    // Picked up by a waiting worker at its next wait.
    void SetInterval(unsigned value) { FInterval = value; }
    TTimerThreadStartType StartType() const { return FStartType; }
    void SetStartType(TTimerThreadStartType value) { FStartType = value; }

    // Assign before the worker starts, or while it is known to be idle.
    void SetOnWorkStep(TNotifyEvent handler);
    void SetOnWorkStepPerformed(TNotifyEvent handler);

    // Starts the worker. Throws EInvalidOperation "Background worker has been
    // already started" when it was started before.
    void StartWorker();
    // Sets or clears the stop flag; setting it wakes the worker at once.
    void SetTerminated(bool flag);
    bool Terminated() const { return FTerminated.load(); }
    // Sets the stop flag and waits until the worker has ended.
    void StopAndWait();
    bool WorkerStarted() const { return FWorker != nullptr; }

    // The wait after a step that took `elapsedMs`: the interval for
    // dtNormalSleep, the interval less the step time (not below 0) for
    // dtLikeTimer.
    static unsigned WaitAfterStep(TTimerDelayType type, unsigned interval, long long elapsedMs);

private:
    friend class TBackgroundWorker;
    void RunStep();

    std::atomic<TTimerDelayType> FDelayType{dtNormalSleep};
    std::atomic<bool> FEnabled{false};
    std::atomic<unsigned> FInterval{1000};
    TTimerThreadStartType FStartType = stAutoEnable;
    std::atomic<bool> FTerminated{false};
    std::mutex FHandlerLock;
    TNotifyEvent FOnWorkStep;
    TNotifyEvent FOnWorkStepPerformed;
    std::unique_ptr<TBackgroundWorker> FWorker;
};
