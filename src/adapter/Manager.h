#pragma once
// The adapter-module manager: the activity of the adapter modules served on the
// controller's port, the periodic work step, and the manager's state flags.

#include <QObject>

#include <atomic>
#include <cstdint>
#include <mutex>

class TManager : public QObject
{
    Q_OBJECT
public:
    explicit TManager(QObject *parent = nullptr);
    ~TManager() override;

    // State flag set by the main tick while the OBD link is connected.
    static constexpr uint32_t StateObdConnected = 0x20000;

    // Stores the active flag; with false every root module that is not
    // disabled is disabled.
    void SetActive(bool active);
    // The active flag is set and the controller link is connected.
    bool IsActive() const;
    // Under the manager's lock and only while active: runs the work step of
    // every module whose liveness check passes. sender is unused (nullptr
    // from the main tick).
    void TimerThreadWorkStep(QObject *sender = nullptr);
    // Each returns its flag and clears it.
    bool FetchDetectDone();
    bool FetchSecondFlag();
    // Raised by module detection and by module notifications.
    void SetDetectDone() { FDetectDone = true; }
    void SetSecondFlag() { FSecondFlag = true; }

    uint32_t StateFlags() const { return FStateFlags; }
    void SetStateFlag(uint32_t mask, bool on);
    bool HasStateFlag(uint32_t mask) const { return (FStateFlags & mask) == mask; }

    // The manager's critical section, held around the modules' work step and
    // their re-detection.
    std::recursive_mutex &Lock() { return FLock; }

    // Work steps run so far (for the status display and tests).
    uint64_t WorkSteps() const { return FWorkSteps; }

private:
    bool FActive = false;
    std::atomic<bool> FDetectDone{false};
    std::atomic<bool> FSecondFlag{false};
    std::atomic<uint32_t> FStateFlags{0};
    uint64_t FWorkSteps = 0;
    mutable std::recursive_mutex FLock;
    // The worker-thread component `TimerThread` (interval 200 ms, timer-like
    // delay, work step TimerThreadWorkStep, created disabled) joins here when
    // the worker-thread unit is in place; nothing enables it.
};

extern TManager *Manager;
