#include "core/TimerThread.h"

#include "core/ComponentVersion.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {
// Waits (up to a generous limit) until the condition holds.
template <typename Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds limit = 10s)
{
    const auto end = Clock::now() + limit;
    while (!pred()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}
} // namespace

TEST(TimerThread, DefaultsAndRegistration)
{
    TTimerThread t;
    EXPECT_EQ(t.DelayType(), dtNormalSleep);
    EXPECT_FALSE(t.Enabled());
    EXPECT_EQ(t.Interval(), 1000u);
    EXPECT_EQ(t.StartType(), stAutoEnable);
    EXPECT_FALSE(t.WorkerStarted());
    EXPECT_FALSE(ComponentVersionOf("TimerThread").isEmpty());
}

TEST(TimerThread, EnablingStartsTheWorkerWhichStepsAtTheInterval)
{
    TTimerThread t;
    std::atomic<int> steps{0}, performed{0};
    t.SetInterval(5);
    t.SetOnWorkStep([&](TTimerThread *sender) {
        EXPECT_EQ(sender, &t);
        ++steps;
    });
    t.SetOnWorkStepPerformed([&](TTimerThread *) { ++performed; });
    t.SetEnabled(true);
    EXPECT_TRUE(t.WorkerStarted());
    ASSERT_TRUE(WaitUntil([&] { return steps >= 5; }));
    t.StopAndWait();
    const int after = steps;
    EXPECT_GE(performed.load(), after - 1);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(steps.load(), after); // nothing runs after the stop
    // Enabling again only stores the flag: the worker was started once.
    t.SetEnabled(false);
    t.SetEnabled(true);
    EXPECT_TRUE(t.Enabled());
}

TEST(TimerThread, DisabledWorkerRunsNoSteps)
{
    TTimerThread t;
    std::atomic<int> steps{0};
    t.SetInterval(1);
    t.SetStartType(stManualEnable);
    t.SetOnWorkStep([&](TTimerThread *) { ++steps; });
    t.StartWorker();
    EXPECT_FALSE(t.Enabled()); // manual start leaves Enabled
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(steps.load(), 0);
    t.SetEnabled(true);
    EXPECT_TRUE(WaitUntil([&] { return steps > 0; }));
}

TEST(TimerThread, SecondStartRaises)
{
    TTimerThread t;
    t.StartWorker();
    EXPECT_TRUE(t.Enabled()); // automatic start type
    try {
        t.StartWorker();
        FAIL() << "no exception";
    } catch (const EInvalidOperation &e) {
        EXPECT_STREQ(e.what(), "Background worker has been already started");
    }
}

TEST(TimerThread, StopEndsALongWaitAtOnce)
{
    TTimerThread t;
    std::atomic<int> steps{0};
    t.SetInterval(60 * 60 * 1000); // an hour
    t.SetOnWorkStep([&](TTimerThread *) { ++steps; });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return steps == 1; }));
    const auto start = Clock::now();
    t.StopAndWait();
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_EQ(steps.load(), 1);
}

TEST(TimerThread, StopRightAfterStartNeverHangs)
{
    // Stop requests at every moment of the start: before the thread runs,
    // while it runs, by destruction alone. Each stop must end the hour-long
    // wait at once.
    const auto start = Clock::now();
    for (int i = 0; i < 200; ++i) {
        TTimerThread t;
        t.SetInterval(60 * 60 * 1000);
        t.SetOnWorkStep([](TTimerThread *) {});
        t.StartWorker();
        if (i % 3 == 0)
            t.StopAndWait();
        else if (i % 3 == 1)
            t.SetTerminated(true);
    }
    EXPECT_LT(Clock::now() - start, 60s);
}

TEST(TimerThread, FailingStepDoesNotEndTheWorker)
{
    TTimerThread t;
    std::atomic<int> steps{0}, performed{0};
    t.SetInterval(1);
    t.SetOnWorkStep([&](TTimerThread *) {
        if (++steps % 2 == 1)
            throw std::runtime_error("device gone");
    });
    t.SetOnWorkStepPerformed([&](TTimerThread *) { ++performed; });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return steps >= 6; }));
    t.StopAndWait();
    EXPECT_GE(performed.load(), 2); // the good steps still report themselves
    EXPECT_LT(performed.load(), steps.load());
}

TEST(TimerThread, WaitAfterAStep)
{
    EXPECT_EQ(TTimerThread::WaitAfterStep(dtNormalSleep, 200, 250), 200u);
    EXPECT_EQ(TTimerThread::WaitAfterStep(dtLikeTimer, 200, 250), 0u);
    EXPECT_EQ(TTimerThread::WaitAfterStep(dtLikeTimer, 200, 50), 150u);
    EXPECT_EQ(TTimerThread::WaitAfterStep(dtLikeTimer, 200, 0), 200u);
}

TEST(TimerThread, LikeTimerSubtractsTheStepTime)
{
    // A step longer than the interval: the next one starts without a wait.
    TTimerThread t;
    std::atomic<int> steps{0};
    t.SetDelayType(dtLikeTimer);
    t.SetInterval(20);
    t.SetOnWorkStep([&](TTimerThread *) {
        ++steps;
        std::this_thread::sleep_for(25ms);
    });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return steps >= 2; }));
    const auto start = Clock::now();
    const int from = steps;
    ASSERT_TRUE(WaitUntil([&] { return steps >= from + 10; }));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    t.StopAndWait();
    // Ten steps of 25 ms back to back: far below ten steps plus ten intervals
    // (450 ms) unless the machine is extremely loaded; bound kept generous.
    EXPECT_LT(took.count(), 10 * 25 + 10 * 20 + 2000);
    EXPECT_GE(took.count(), 9 * 25);
}

TEST(TimerThread, NormalSleepWaitsTheWholeInterval)
{
    TTimerThread t;
    std::atomic<int> steps{0};
    // When each step ran, taken in the step itself so that the test's own
    // polling cannot shorten the measured gap.
    std::array<std::atomic<int64_t>, 4> at{};
    t.SetInterval(30);
    t.SetOnWorkStep([&](TTimerThread *) {
        const int n = steps;
        if (n < int(at.size()))
            at[n] = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
        ++steps;
    });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitUntil([&] { return steps >= 4; }));
    t.SetEnabled(false);
    const int64_t took = at[3] - at[0];
    EXPECT_GE(took, 3 * 30 * 1000 - 1000); // three full intervals at least
}
