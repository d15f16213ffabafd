#pragma once
// The adapter-module manager: the modules served on the controller's port,
// their activity, their re-detection and periodic work step under the
// manager's lock, the device-side variables of all modules and the
// manager's state flags.

#include <QList>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class TBaseModule;
class TComMultiPort;
class TDeviceState;
class TTimerThread;

class TManager : public QObject
{
    Q_OBJECT
public:
    explicit TManager(QObject *parent = nullptr);
    ~TManager() override;

    // State flag set by the main tick while the OBD link is connected.
    static constexpr uint32_t StateObdConnected = 0x20000;
    // The live values the OBD module polls at creation (bits 0, 1, 14, 19).
    static constexpr uint32_t DefaultPollSet = 0x00084003;

    // The modules in creation order (root first); not owned.
    void AddModule(TBaseModule *module);
    void RemoveModule(TBaseModule *module);
    const QList<TBaseModule *> &Modules() const { return FModules; }
    // Every module's variable sets into the aggregates: every module's
    // phase 1 (device-mirrored variables), then every module's phase 2.
    void RegisterModuleVariables();
    // Every module's user-interface set recomputes what it derives.
    void NotifyUIStatesChanged();
    TDeviceState *GetDeviceState() const { return FDeviceState.get(); }
    // A fresh, empty device aggregate (the logic that filled it is gone).
    void ResetDeviceState();

    // The serial port the modules talk on (the program's one port).
    TComMultiPort *ComPort = nullptr;
    // The live values the OBD module polls.
    std::atomic<uint32_t> PollSet{DefaultPollSet};

    // Stores the active flag; with false every root module that is not
    // disabled is disabled.
    void SetActive(bool active);
    // The active flag is set and the controller link is connected.
    bool IsActive() const;
    bool ActiveFlag() const { return FActive; }
    // Under the manager's lock and only while active: runs the work step of
    // every module whose liveness check passes. sender is unused (nullptr
    // from the main tick).
    void TimerThreadWorkStep(QObject *sender = nullptr);
    // Re-detects every module in list order: a child is enabled as its
    // parent is active, the root is disabled; then each detects afresh. A
    // second call while one runs waits up to a second for it and then
    // returns without re-detecting.
    void RedetectModules();
    // RedetectModules under the lock; marks the detection done. A failure
    // leaves the manager inactive and goes no further.
    void RedetectLocked();
    // A detection already ran on the controller link that is up now.
    bool DetectedOnThisLink() const;
    bool Redetecting() const { return FRedetecting; }
    // While the controller link is up: the box is not active (unless it
    // answered and was refused), or a module that answered has stopped
    // answering (its liveness check gave up and nothing but a re-detection
    // asks it again).
    bool ModulesDroppedOut() const;
    // The box answered but is not usable with this program (its version
    // does not fit its bootloader): it did not drop out, and only a fresh
    // contact (a re-detection of all modules) asks it again. Cleared when a
    // re-detection starts.
    void SetRefused(bool refused) { FRefused = refused; }
    bool Refused() const { return FRefused; }

    // Each returns its flag and clears it.
    bool FetchDetectDone();
    bool FetchSecondFlag();
    void SetDetectDone() { FDetectDone = true; }

    uint32_t StateFlags() const { return PollSet; }
    void SetStateFlag(uint32_t mask, bool on);
    bool HasStateFlag(uint32_t mask) const { return (PollSet & mask) == mask; }

    // The manager's critical section, held around the modules' work step and
    // their re-detection.
    std::recursive_mutex &Lock() { return FLock; }

    // The worker-thread component that could run the work step in the
    // background (interval 200 ms, timer-like delay); created disabled, and
    // nothing enables it: the main window's tick runs the work step.
    TTimerThread *TimerThread() const { return FTimerThread; }

    // Work steps run while active so far (for the status display and tests).
    uint64_t WorkSteps() const { return FWorkSteps; }

    // How long a re-detection waits for one already running, and how often
    // it looks; the sleep is replaceable for tests.
    static constexpr int RedetectWaitMs = 1000;
    static constexpr int RedetectPollMs = 200;
    std::function<void(int ms)> Sleep;

private:
    QList<TBaseModule *> FModules;
    std::unique_ptr<TDeviceState> FDeviceState;
    TTimerThread *FTimerThread = nullptr;
    bool FActive = false;
    bool FRefused = false;
    bool FDetectedOnLink = false;
    uint32_t FDetectedLink = 0;
    std::atomic<bool> FRedetecting{false};
    std::atomic<bool> FDetectDone{false};
    std::atomic<bool> FSecondFlag{false};
    uint64_t FWorkSteps = 0;
    mutable std::recursive_mutex FLock;
};

extern TManager *Manager;
