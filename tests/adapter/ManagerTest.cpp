// The adapter-module manager's activity follows the controller link: it is
// active only while its flag is set and the link is connected, and a lost link
// switches it off through the data manager's hook.

#include "adapter/Manager.h"
#include "adapter/Module.h"
#include "sim/SimControllerFixture.h"

#include <gtest/gtest.h>

#include <future>

using namespace sim;

TEST(AdapterManager, ActivityFollowsTheControllerLink)
{
    SimControllerRig rig;
    TManager manager;
    rig.Manager.OnLinkActiveChanged = [&manager](bool active) { manager.SetActive(active); };

    // Starts inactive; the work step does nothing while inactive.
    EXPECT_FALSE(manager.IsActive());
    manager.TimerThreadWorkStep();
    EXPECT_EQ(manager.WorkSteps(), 0u);

    // Active flag without a link: still inactive.
    manager.SetActive(true);
    EXPECT_FALSE(manager.IsActive());
    ASSERT_TRUE(rig.Connect());
    EXPECT_TRUE(manager.IsActive());
    manager.TimerThreadWorkStep();
    EXPECT_EQ(manager.WorkSteps(), 1u);
    // A detection on this link stays known through the link's good exchanges.
    EXPECT_FALSE(manager.DetectedOnThisLink());
    manager.RedetectLocked();
    EXPECT_TRUE(rig.Manager.ReadTroubleCodes());
    EXPECT_TRUE(manager.DetectedOnThisLink());

    // The link drops after a failed repeat: the manager is switched off and
    // stays off when the link comes back, then counts as dropped out. The
    // link that came back is another one: the box was not looked for on it.
    rig.Server.injectFault(Fault::badChecksum(), 2);
    EXPECT_FALSE(rig.Manager.ReadTroubleCodes());
    EXPECT_FALSE(manager.IsActive());
    EXPECT_FALSE(manager.ModulesDroppedOut());
    EXPECT_FALSE(manager.DetectedOnThisLink());
    ASSERT_TRUE(rig.Connect());
    EXPECT_FALSE(manager.IsActive());
    EXPECT_TRUE(manager.ModulesDroppedOut());
    EXPECT_FALSE(manager.DetectedOnThisLink());
    manager.TimerThreadWorkStep();
    EXPECT_EQ(manager.WorkSteps(), 1u);
}

TEST(AdapterManager, FlagsAreFetchedOnce)
{
    TManager manager;
    EXPECT_FALSE(manager.FetchDetectDone());
    manager.SetDetectDone();
    EXPECT_TRUE(manager.FetchDetectDone());
    EXPECT_FALSE(manager.FetchDetectDone());
    // Nothing raises the second flag.
    EXPECT_FALSE(manager.FetchSecondFlag());

    manager.SetStateFlag(TManager::StateObdConnected, true);
    manager.SetStateFlag(0x1, true);
    EXPECT_TRUE(manager.HasStateFlag(TManager::StateObdConnected));
    EXPECT_EQ(manager.StateFlags(), TManager::DefaultPollSet | 0x20000u);
    manager.SetStateFlag(TManager::StateObdConnected, false);
    EXPECT_EQ(manager.StateFlags(), TManager::DefaultPollSet);
}

TEST(AdapterManager, WorkStepAndReDetectionHoldTheManagersLock)
{
    // A module that looks, from another thread (as a window's exchange
    // would), whether the manager's lock is free while it works.
    struct Probe : TBaseModule {
        using TBaseModule::TBaseModule;
        QString GetName() const override { return QStringLiteral("Probe"); }
        TBaseDevState *GetUIState() const override { return nullptr; }
        bool Detect() override
        {
            DetectSawFree = LockFree();
            SetEnabled(true);
            return IsActive();
        }
        void WorkStep() override { StepSawFree = LockFree(); }
        bool LockFree() const
        {
            return std::async(std::launch::async, [m = ModuleManager()] {
                       const bool free = m->Lock().try_lock();
                       if (free)
                           m->Lock().unlock();
                       return free;
                   }).get();
        }
        int DetectSawFree = -1, StepSawFree = -1;
    };
    SimControllerRig rig;
    TManager manager;
    ASSERT_TRUE(rig.Connect());
    Probe probe(nullptr, nullptr, nullptr, &manager);
    manager.RedetectLocked();
    ASSERT_TRUE(manager.IsActive());
    manager.TimerThreadWorkStep();
    EXPECT_EQ(probe.DetectSawFree, 0);
    EXPECT_EQ(probe.StepSawFree, 0);
    // Outside them the lock is free.
    EXPECT_TRUE(probe.LockFree());
}
