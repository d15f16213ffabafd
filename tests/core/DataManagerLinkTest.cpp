// The controller link against the simulated controller through a
// pseudo-terminal: exchanges, the one repeat, link loss, failure counting, the
// zero rule of live values, the port lock, and the readiness gate.

#include "common/GiveUp.h"
#include "common/PortLock.h"
#include "sim/SimControllerFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

using namespace sim;
using namespace std::chrono_literals;

namespace {

struct Events {
    int detectorResets = 0;
    std::vector<bool> linkActive;
};

void watch(TDataManager &m, Events &e)
{
    m.OnResetDetector = [&e] { ++e.detectorResets; };
    m.OnLinkActiveChanged = [&e](bool a) { e.linkActive.push_back(a); };
}

bool isParameterRead(const Bytes &f) { return f.size() > 1 && f[1] == 0x07; }
bool isLiveRead(const Bytes &f) { return f.size() > 1 && f[1] == 0x05; }

} // namespace

TEST(DataManagerLink, IdentifiesTheDeviceAndReadsItsIdentity)
{
    SimControllerRig rig(48, 'g');
    rig.Device([](SimControllerState &s) {
        s.Pages = {'g', 1, 2, 3, 4, 5, 6, 0};
        s.Value16[26] = 120;
    });
    Events ev;
    watch(rig.Manager, ev);

    EXPECT_FALSE(rig.Manager.GetConnected());
    ASSERT_TRUE(rig.Manager.DetectDevice());
    EXPECT_TRUE(rig.Manager.GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 48);
    ASSERT_TRUE(rig.Manager.ReadAllPages());
    ASSERT_TRUE(rig.Manager.ReadIdentity());

    const std::vector<Bytes> expected{
        Bytes{0xC0, 0x01, 0x01, 0xC2},
        Request({0x53, 0}), Request({0x53, 1}), Request({0x53, 2}), Request({0x53, 3}),
        Request({0x53, 4}), Request({0x53, 5}), Request({0x53, 6}),
        Bytes{0xC0, 0x40, 0x1A, 0x1A}, // the checksum of a 0x40 request equals the index
        Bytes{0xC0, 0x02, 0x02, 0xC4},
    };
    EXPECT_EQ(rig.Requests(), expected);
    EXPECT_EQ(DeviceRecord.Ver, "g");
    EXPECT_EQ(DeviceRecord.IdentityPage1, 1);
    EXPECT_EQ(DeviceRecord.IdentityPage4, 4);
    EXPECT_EQ(DeviceRecord.IdentityPage5, 5);
    EXPECT_EQ(DeviceRecord.IdentityPage6, 6);
    EXPECT_EQ(DeviceRecord.UsaVariant, 0); // index 26 at least 95
    EXPECT_EQ(DeviceRecord.CompTime, "12:34:56");
    EXPECT_EQ(DeviceRecord.CompDate, "07-12-2026");
    // Versions are compared upper-cased.
    EXPECT_TRUE(rig.Manager.IsDeviceVersionAtLeast(48, "G"));
    EXPECT_TRUE(rig.Manager.IsDeviceVersionAtLeast(48, "g"));
    EXPECT_FALSE(rig.Manager.IsDeviceVersionAtLeast(48, "H"));
    EXPECT_TRUE(rig.Manager.IsDeviceVersionBelow(48, "H"));
    EXPECT_FALSE(rig.Manager.IsDeviceVersionAtLeast(20, "A"));
    EXPECT_FALSE(rig.Manager.IsDeviceVersionBelow(20, "Z"));
    EXPECT_TRUE(rig.Manager.VersionAtLeast("C"));
    EXPECT_TRUE(rig.Manager.VersionBelow("h"));
    EXPECT_TRUE(ev.linkActive.empty());
    // One link came up; its good exchanges are the same link.
    EXPECT_EQ(rig.Manager.LinkUps, 1u);
}

TEST(DataManagerLink, KindTwentyReadsFivePagesAndTheUsaVariant)
{
    SimControllerRig rig(20, 'E');
    rig.Device([](SimControllerState &s) {
        s.Pages = {'E', 0, 0, 7, 9, 55, 66, 0};
        s.Value16[26] = 94;
    });
    ASSERT_TRUE(rig.Manager.DetectDevice());
    ASSERT_TRUE(rig.Manager.ReadAllPages());
    ASSERT_EQ(rig.Requests().size(), 7u); // 0x01, pages 0-4, index 26
    EXPECT_EQ(rig.Requests()[5], Request({0x53, 4}));
    EXPECT_EQ(DeviceRecord.UsaVariant, 1);
    EXPECT_EQ(DeviceRecord.IdentityPage5, 0); // not read on kind 20

    // Identity page 3 zero: no index-26 read, not the variant.
    rig.Device([](SimControllerState &s) { s.Pages[3] = 0; });
    rig.Server.log().clear();
    ASSERT_TRUE(rig.Manager.ReadAllPages());
    EXPECT_EQ(rig.Requests().size(), 5u);
    EXPECT_EQ(DeviceRecord.UsaVariant, 0);

    // Page 6 on a device other than kind 48 from "D" reads as 255.
    rig.Device([](SimControllerState &s) { s.Pages[6] = 3; });
    ASSERT_TRUE(rig.Manager.ReadPage(6));
    EXPECT_EQ(DeviceRecord.IdentityPage6, 255);
}

TEST(DataManagerLink, ABadAnswerIsRepeatedOnceWithIdenticalBytes)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    Events ev;
    watch(rig.Manager, ev);
    rig.Device([](SimControllerState &s) { s.Param8[2] = 0x21; });

    rig.Server.injectFault(Fault::badChecksum());
    rig.Port.reads.clear();
    EXPECT_EQ(rig.Manager.ReadParameter8(2), 0x21);
    // The first try's answer was heard: no answer is owed, none waited for.
    EXPECT_EQ(rig.Port.Waits(), 0);
    EXPECT_TRUE(rig.Manager.GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 48);
    EXPECT_EQ(DeviceRecord.InjTypeName, 0x21);
    const auto frames = rig.Requests();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], Request({0x07, 2}));
    EXPECT_EQ(frames[1], frames[0]);
    EXPECT_EQ(ev.detectorResets, 0);
    // The first failure dropped the flag for a moment; the adapter manager
    // was told once.
    EXPECT_EQ(ev.linkActive, std::vector<bool>{false});
}

TEST(DataManagerLink, AFailedRepeatDeclaresTheLinkLost)
{
    struct Case {
        const char *name;
        Fault fault;
    };
    const Case cases[] = {
        {"wrong checksum", Fault::badChecksum()},
        {"short answer", Fault::truncated(3)},
        {"garbage", Fault::noiseFirst({0x13, 0x37, 0x99, 0x42, 0x00})},
        {"no answer", Fault::noAnswer()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SimControllerRig rig;
        ASSERT_TRUE(rig.Connect());
        rig.Device([](SimControllerState &s) { s.Param8[2] = 0x44; });
        ASSERT_EQ(rig.Manager.ReadParameter8(2), 0x44);
        rig.Server.log().clear();
        Events ev;
        watch(rig.Manager, ev);
        rig.Device([](SimControllerState &s) { s.Param8[2] = 0x55; });

        rig.Server.injectFault(c.fault, 2);
        EXPECT_EQ(rig.Manager.ReadParameter8(2), 0);
        EXPECT_FALSE(rig.Manager.GetConnected());
        EXPECT_EQ(DeviceRecord.DeviceKind, 0);
        EXPECT_EQ(ev.detectorResets, 1);
        EXPECT_EQ(ev.linkActive, std::vector<bool>{false});
        // Nothing half-read reached the record.
        EXPECT_EQ(DeviceRecord.InjTypeName, 0x44);
        rig.Server.log().waitForCount(2, testsupport::GiveUp);
        const auto frames = rig.Requests();
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0], frames[1]);
        // Not connected: the next operation sends nothing.
        rig.Server.log().clear();
        EXPECT_EQ(rig.Manager.ReadParameter8(2), 0);
        EXPECT_FALSE(rig.Manager.WriteParamByte(2, 1));
        EXPECT_TRUE(rig.Requests().empty());
        // The link found again is another link.
        ASSERT_TRUE(rig.Connect());
        EXPECT_EQ(rig.Manager.LinkUps, 2u);
    }
}

TEST(DataManagerLink, AFailedWriteIsNotRepeatedAndReleasesTheLock)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    Events ev;
    watch(rig.Manager, ev);
    rig.Port.Close(); // every write now fails

    const uint8_t request[4] = {0xC0, 0x07, 0x02, 0xC9};
    uint8_t answer[5] = {1, 2, 3, 4, 5};
    EXPECT_FALSE(rig.Manager.SendAndReceive(request, 4, answer, 5));
    EXPECT_EQ(answer[0], 0); // the buffer holds nothing half-read
    EXPECT_FALSE(rig.Manager.GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 0);
    EXPECT_EQ(ev.detectorResets, 1); // once: no repeat after a failed write
    EXPECT_EQ(ev.linkActive, std::vector<bool>{false});
    EXPECT_TRUE(rig.Requests().empty());

    EXPECT_TRUE(testsupport::PortLockFree(rig.Port));

    // Identification with a failed write ends at once, too.
    EXPECT_FALSE(rig.Manager.DetectDevice());
    EXPECT_TRUE(testsupport::PortLockFree(rig.Port));
}

TEST(DataManagerLink, ThePortLockIsReleasedExactlyOncePerExchange)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) {
        s.Param8[2] = 9;
        s.Payload[0x05][0] = 77;
    });
    // This thread holds the lock once around everything: an exchange that
    // released twice would free it for the other thread below, one that did
    // not release would keep it after our own release.
    rig.Port.AcquireLock();
    int good = 0, lost = 0;
    for (int i = 0; i < 300; ++i) {
        if (i % 7 == 3)
            rig.Server.injectFault(Fault::badChecksum()); // repeat succeeds
        if (i % 29 == 5)
            rig.Server.injectFault(Fault::noiseFirst({0x11}), 1);
        if (i % 41 == 17)
            rig.Server.injectFault(Fault::badChecksum(), 2); // link lost
        if (i % 150 == 51) // a short answer costs the read timeout: only two
            rig.Server.injectFault(Fault::truncated(2));
        if (i == 150)
            rig.Port.Close(); // failed writes for a while
        if (i == 155)
            rig.Port.Open();
        bool ok = false;
        switch (i % 3) {
        case 0: ok = rig.Manager.ReadParameter8(2) == 9; break;
        case 1: ok = rig.Manager.WriteParamByte(3, uint8_t(i)); break;
        default: ok = rig.Manager.ReadDeviceInfo(); break;
        }
        good += ok;
        if (!rig.Manager.GetConnected()) {
            ++lost;
            rig.Server.clearFaults();
            rig.Manager.DetectDevice();
            rig.Manager.SendCmd3F();
        }
    }
    EXPECT_GT(good, 250);
    EXPECT_GE(lost, 7);
    EXPECT_TRUE(rig.Manager.GetConnected());

    std::promise<void> taken;
    auto other = std::async(std::launch::async, [&rig, &taken] {
        rig.Port.AcquireLock();
        taken.set_value();
        rig.Port.ReleaseLock();
    });
    auto takenFuture = taken.get_future();
    EXPECT_EQ(takenFuture.wait_for(300ms), std::future_status::timeout);
    rig.Port.ReleaseLock();
    EXPECT_TRUE(testsupport::LockTakenWithin(other, rig.Port));
}

TEST(DataManagerLink, FailureCountingAndTheZeroRuleOfLiveValues)
{
    SimControllerRig rig(20, 'E');
    ASSERT_TRUE(rig.Connect());
    auto &m = rig.Manager;
    rig.Device([](SimControllerState &s) {
        s.Payload[0x05][0] = 33;  // gas pressure
        s.Payload[0x05][7] = 0x10; // RPM period low byte
        s.Param8[2] = 5;
    });
    ASSERT_TRUE(m.ReadDeviceInfo());
    ASSERT_TRUE(m.ReadParameter8(2));
    ASSERT_EQ(DeviceRecord.GasPressureRaw, 33);

    // CheckFailure counts one failure per poll.
    m.FailedThisPoll = false;
    m.FailureCount = 0;
    EXPECT_FALSE(m.CheckFailure(true));
    EXPECT_TRUE(m.CheckFailure(false));
    EXPECT_TRUE(m.CheckFailure(false));
    EXPECT_TRUE(m.CheckFailure(false));
    EXPECT_EQ(m.FailureCount, 1u);

    // First failing poll: the live values stay.
    m.FailedThisPoll = false;
    m.FailureCount = 0;
    rig.Server.injectFaultWhen(isLiveRead, Fault::badChecksum(), 2);
    EXPECT_FALSE(m.ReadDeviceInfo());
    EXPECT_EQ(DeviceRecord.GasPressureRaw, 33);
    EXPECT_EQ(DeviceRecord.RpmPeriod, 0x10);
    EXPECT_EQ(m.FailureCount, 1u);
    ASSERT_TRUE(rig.Connect());

    // Second consecutive failing poll: live values fall to zero, but a failed
    // configuration read leaves its field alone.
    m.FailedThisPoll = false;
    rig.Server.injectFaultWhen(isParameterRead, Fault::badChecksum(), 2);
    EXPECT_EQ(m.ReadParameter8(2), 0);
    EXPECT_EQ(m.FailureCount, 2u);
    EXPECT_EQ(DeviceRecord.InjTypeName, 5);
    ASSERT_TRUE(rig.Connect());
    rig.Server.injectFaultWhen(isLiveRead, Fault::badChecksum(), 2);
    EXPECT_FALSE(m.ReadDeviceInfo());
    EXPECT_EQ(DeviceRecord.GasPressureRaw, 0);
    EXPECT_EQ(DeviceRecord.RpmPeriod, 0);
    EXPECT_EQ(m.FailureCount, 2u);
}

TEST(DataManagerLink, NothingIsSentUnlessTheLinkIsReady)
{
    SimControllerRig rig;
    auto &m = rig.Manager;
    // Not connected: nothing at all.
    EXPECT_EQ(m.ReadParameter8(2), 0);
    EXPECT_FALSE(m.ReadDeviceInfo());
    EXPECT_FALSE(m.ReadIdentity());
    EXPECT_EQ(m.SendCmd3F(), 0);
    EXPECT_FALSE(m.ReadModelDataD8());
    EXPECT_TRUE(rig.Requests().empty());

    ASSERT_TRUE(rig.Connect());
    // Locked with a PIN: identity and lock commands still go, nothing else.
    EXPECT_EQ(m.LockDevice(0x01020304), kSimLockedState);
    EXPECT_TRUE(m.IsDeviceNotReady());
    rig.Server.log().clear();
    EXPECT_EQ(m.ReadParameter8(2), 0);
    EXPECT_FALSE(m.WriteParamWord(8, 100));
    EXPECT_FALSE(m.ReadModelDataCmd03());
    EXPECT_FALSE(m.ReadTroubleCodes());
    EXPECT_FALSE(m.SetWorkType(3));
    EXPECT_EQ(m.ReadValue16(28), 0);
    EXPECT_TRUE(rig.Requests().empty());
    EXPECT_TRUE(m.ReadPage(0));
    EXPECT_EQ(m.SendCmd3F(), kSimLockedState);
    // A wrong PIN keeps it locked; the right one unlocks.
    EXPECT_EQ(m.UnlockDevice(0x04030201), kSimLockedState);
    EXPECT_EQ(m.UnlockDevice(0x01020304), kSimReadyState);
    EXPECT_FALSE(m.IsDeviceNotReady());
    const auto frames = rig.Requests();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[1], Bytes({0xC0, 0x3F, 0x00, 0xFF}));
    // The PIN travels lowest byte first.
    EXPECT_EQ(frames[2], Request({0x3E, 0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(frames[3], Request({0x3E, 0x04, 0x03, 0x02, 0x01}));
}

TEST(DataManagerLink, LockStateQueries)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(DeviceRecord.LinkState, kSimReadyState);
    // 0x3F clears the state first; a failed query leaves it 0 (not ready).
    rig.Server.injectFault(Fault::badChecksum(), 2);
    EXPECT_EQ(rig.Manager.SendCmd3F(), 0);
    EXPECT_EQ(DeviceRecord.LinkState, 0);
    ASSERT_TRUE(rig.Manager.DetectDevice());
    rig.Server.log().clear();
    EXPECT_TRUE(rig.Manager.SendCmd3Fb());
    EXPECT_EQ(DeviceRecord.LinkState, kSimReadyState);
    EXPECT_EQ(rig.Requests(), std::vector<Bytes>{Bytes({0xC0, 0x3F, 0x01, 0x00})});
}

TEST(DataManagerLink, IdentificationAndEmergencyInfo)
{
    SimControllerRig rig(21, 'B');
    Events ev;
    watch(rig.Manager, ev);
    // A bad first answer gets a second attempt; each counts as the repeat.
    rig.Server.injectFault(Fault::badChecksum());
    EXPECT_TRUE(rig.Manager.DetectDevice());
    EXPECT_EQ(DeviceRecord.DeviceKind, 21);
    EXPECT_EQ(ev.detectorResets, 1);
    EXPECT_EQ(rig.Requests().size(), 2u);

    // The emergency read fills the identity and leaves the link down.
    rig.Manager.SetConnected(false);
    rig.Server.log().clear();
    ev = {};
    rig.Manager.ReadEmergencyDeviceInfo();
    EXPECT_FALSE(rig.Manager.GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 0);
    EXPECT_EQ(DeviceRecord.Ver, "B");
    EXPECT_EQ(DeviceRecord.CompTime, "12:34:56");
    EXPECT_EQ(ev.detectorResets, 0);
    ASSERT_GE(rig.Requests().size(), 3u);
    EXPECT_EQ(rig.Requests().front(), Bytes({0xC0, 0x01, 0x01, 0xC2}));
    EXPECT_EQ(rig.Requests().back(), Bytes({0xC0, 0x02, 0x02, 0xC4}));

    // Connected: nothing is sent.
    ASSERT_TRUE(rig.Manager.DetectDevice());
    rig.Server.log().clear();
    rig.Manager.ReadEmergencyDeviceInfo();
    EXPECT_TRUE(rig.Requests().empty());
    EXPECT_TRUE(rig.Manager.GetConnected());
}

TEST(DataManagerLink, SilenceEndsIdentificationAfterOneAttempt)
{
    SimControllerRig rig;
    rig.Server.injectFault(Fault::noAnswer(), 2);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(rig.Manager.DetectDevice());
    EXPECT_LT(std::chrono::steady_clock::now() - start, testsupport::GiveUp); // a hang fails by name
    EXPECT_EQ(rig.Requests().size(), 1u);
    EXPECT_EQ(DeviceRecord.DeviceKind, 0);
    EXPECT_FALSE(rig.Manager.GetConnected());
}

TEST(DataManagerLink, ChangePortAndConnectionInfo)
{
    SimControllerRig rig;
    int infos = 0, resets = 0;
    std::vector<int> switched;
    rig.Manager.OnConnectionInfo = [&] { ++infos; };
    rig.Manager.OnResetDetector = [&] { ++resets; };
    rig.Manager.OnChangePort = [&](int p) { switched.push_back(p); };
    rig.Manager.ChangePort(SimControllerRig::kComPort);
    EXPECT_TRUE(switched.empty());
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(infos, 1);
    rig.Manager.ChangePort(7);
    EXPECT_EQ(switched, std::vector<int>{7});
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(infos, 2);
    // Without the settings hook the port itself is switched (and closed).
    rig.Manager.OnChangePort = nullptr;
    rig.Manager.ChangePort(9);
    EXPECT_EQ(rig.Port.ComDevice(), 9);
    EXPECT_FALSE(rig.Port.GetConnected());
    EXPECT_EQ(resets, 2);
}

TEST(DataManagerLink, OnlyLiveValuesFallToZeroOnceTheDeviceStoppedAnswering)
{
    // Each read: its command, how to call it, the field it fills, and whether
    // it is a live value (stored as zero from the second failing poll on).
    struct Case {
        uint8_t command;
        std::function<void(TDataManager &)> read;
        std::function<int()> field;
        bool live;
    };
    auto &r = DeviceRecord;
    const Case cases[] = {
        {0x0B, [](TDataManager &m) { m.ReadCmd0B(); }, [&r] { return int(r.ManifoldPressureRaw); }, true},
        {0x22, [](TDataManager &m) { m.SendCmd22(); }, [&r] { return int(r.ManifoldPressureRaw); }, true},
        {0x21, [](TDataManager &m) { m.ReadStatus21(); }, [&r] { return int(r.AutoCalValueA); }, true},
        {0x50, [](TDataManager &m) { m.ReadStatus50(); }, [&r] { return int(r.AutoCalValueD); }, true},
        {0x64, [](TDataManager &m) { m.ReadCmd64(); }, [&r] { return int(r.Value64); }, true},
        {0x13, [](TDataManager &m) { m.ReadTroubleCodes(); }, [&r] { return int(r.TroubleCodes[0]); }, false},
        {0x35, [](TDataManager &m) { m.ReadLevelSensor35(); }, [&r] { return int(r.PW0); }, false},
        {0xD0, [](TDataManager &m) { m.ReadCorrectionsD0(); }, [&r] { return int(r.PsysCorrections[0]); }, false},
        {0x56, [](TDataManager &m) { m.ReadInfo56(); }, [&r] { return int(r.NextInspection); }, false},
        {0x3B, [](TDataManager &m) { m.ReadInjCounter3B(1); }, [&r] { return int(r.InjCounter1); }, false},
    };
    SimControllerRig rig;
    TDataManager *manager = &rig.Manager;
    auto injControl = [manager] { return int(manager->InjControlBlock[0]); };
    rig.Device([](SimControllerState &s) {
        s.Payload[0x0B][40] = 0x41;
        s.Payload[0x22][0] = 0x42;
        s.Payload[0x21][1] = 0x43;
        s.Payload[0x50][0] = 0x44;
        s.Payload[0x64][2] = 0x45;
        s.Payload[0x13][0] = 0x46;
        s.Payload[0x35][0] = 0x47;
        s.Payload[0xD0][0] = 0x48;
        s.Payload[0x56][1] = 0x49;
        s.Payload[0x17][0] = 0x4A;
        s.InjCounters[1] = 0x4B00;
    });
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.push_back({0x17, [](TDataManager &m) { m.ReadInjControl(); }, injControl, false});
    for (const Case &c : all) {
        SCOPED_TRACE(testing::Message() << "command 0x" << std::hex << int(c.command));
        ASSERT_TRUE(rig.Connect());
        rig.Manager.FailedThisPoll = false;
        rig.Manager.FailureCount = 0;
        c.read(rig.Manager);
        const int before = c.field();
        ASSERT_NE(before, 0);
        // The second consecutive failing poll: the read and its repeat fail.
        rig.Manager.FailedThisPoll = false;
        rig.Manager.FailureCount = 1;
        const uint8_t code = c.command;
        rig.Server.injectFaultWhen([code](const Bytes &f) { return f.size() > 1 && f[1] == code; },
                                   Fault::badChecksum(), 2);
        c.read(rig.Manager);
        EXPECT_EQ(rig.Manager.FailureCount, 2u);
        EXPECT_FALSE(rig.Manager.GetConnected());
        EXPECT_EQ(c.field(), c.live ? 0 : before);
        rig.Server.clearFaults();
    }
}

TEST(DataManagerLink, IdentificationLooksForTheHeaderPastNoise)
{
    SimControllerRig rig(21, 'C');
    // Up to fifteen bytes are searched for the answer's header.
    rig.Server.injectFault(Fault::noiseFirst(Bytes(14, 0x5A)));
    EXPECT_TRUE(rig.Manager.DetectDevice());
    EXPECT_EQ(DeviceRecord.DeviceKind, 21);
    EXPECT_EQ(rig.Requests(), std::vector<Bytes>{Bytes({0xC0, 0x01, 0x01, 0xC2})});

    // More noise than that: the first attempt fails, the second one (after
    // the left-over bytes were dropped) identifies the device.
    rig.Server.log().clear();
    rig.Server.injectFault(Fault::noiseFirst(Bytes(20, 0x5A)));
    EXPECT_TRUE(rig.Manager.DetectDevice());
    EXPECT_EQ(DeviceRecord.DeviceKind, 21);
    EXPECT_EQ(rig.Requests().size(), 2u);
    EXPECT_TRUE(rig.Manager.GetConnected());

    // A command allows one header try: noise makes it repeat.
    ASSERT_TRUE(rig.Connect());
    rig.Device([](SimControllerState &s) { s.Param8[4] = 0x64; });
    rig.Server.injectFault(Fault::noiseFirst({0x00}));
    EXPECT_EQ(rig.Manager.ReadParameter8(4), 0x64);
    EXPECT_EQ(rig.Requests().size(), 2u);
}

TEST(DataManagerLink, ZeroedLiveValuesCoverCylindersFiveToEight)
{
    SimControllerRig rig(20, 'E');
    ASSERT_TRUE(rig.Connect());
    auto &m = rig.Manager;
    DeviceRecord.InjSW = 6;
    rig.Device([](SimControllerState &s) {
        s.Payload[0x05][8] = 0x01; // petrol time of cylinder 1, high byte
        for (int i = 0; i < 4; ++i) {
            s.Payload[0x06][2 * i] = 0x02;     // petrol times 5-8, high byte
            s.Payload[0x06][8 + 2 * i] = 0x03; // gas times 5-8, high byte
        }
    });
    ASSERT_TRUE(m.ReadDeviceInfo());
    ASSERT_EQ(DeviceRecord.PetrolTime[4], 0x0200);
    ASSERT_EQ(DeviceRecord.GasTime[4], 0x0300);

    // Two consecutive failing polls: the failed 0x05 stores zeros, and the
    // cylinders that 0x06 would have brought fall to zero with them.
    m.FailedThisPoll = false;
    m.FailureCount = 1;
    rig.Server.injectFaultWhen(isLiveRead, Fault::badChecksum(), 2);
    EXPECT_FALSE(m.ReadDeviceInfo());
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(DeviceRecord.PetrolTime[i], 0) << i;
        EXPECT_EQ(DeviceRecord.GasTime[i], 0) << i;
    }
}

TEST(DataManagerLink, ALateAnswerIsNeverTakenForTheNextCommand)
{
    SimControllerRig rig(20, 'E');
    ASSERT_TRUE(rig.Connect());
    auto &m = rig.Manager;
    rig.Device([](SimControllerState &s) {
        s.Param8[2] = 0x22;
        s.Param8[3] = 0x33;
    });
    // The first answer comes after the header read gave up, and the answer
    // to the repeat a while after it (a device answers one request after the
    // other): the repeat takes the first answer, and the one still owed must
    // not be read as the next command's, however late it comes.
    rig.Server.injectFault(Fault::late(700));
    rig.Server.injectFault(Fault::late(200));
    EXPECT_EQ(m.ReadParameter8(2), 0x22);
    EXPECT_EQ(m.ReadParameter8(3), 0x33);
    EXPECT_EQ(m.ReadParameter8(2), 0x22);
    EXPECT_TRUE(m.GetConnected());
}

TEST(DataManagerLink, EmptyingTheInputWaitsForAnotherUsersAnswer)
{
    SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    // The other user below could never write while the connect kept the lock.
    EXPECT_TRUE(testsupport::PortLockFree(rig.Port));
    rig.Device([](SimControllerState &s) {
        s.Param8[2] = 9;
        s.Param8[3] = 4;
    });
    // Another user of the shared port writes its request (the write takes the
    // lock and keeps it) and reads its answer a while later; meanwhile the
    // controller link starts an exchange of its own from a second thread.
    const Bytes request = Request({0x07, 0x02});
    std::promise<void> written;
    auto other = std::async(std::launch::async, [&] {
        int n = 0;
        rig.Port.WriteData(request.data(), int(request.size()), n);
        // The answer is in the input: the device has taken the request and
        // written its answer (it answers while it holds its lock).
        rig.Server.log().waitForCount(1, testsupport::GiveUp);
        rig.Server.withLock([] {});
        written.set_value();
        std::this_thread::sleep_for(250ms);
        uint8_t answer[5] = {};
        int got = 0;
        rig.Port.ReadData(answer, 5, got);
        rig.Port.ReleaseLock();
        return std::vector<uint8_t>(answer, answer + got);
    });
    written.get_future().wait();
    // The link's thread gives the lock back before it ends (a lock kept by a
    // finished thread could never be taken again).
    auto link = std::async(std::launch::async, [&rig] {
        const int value = rig.Manager.ReadParameter8(3);
        EXPECT_TRUE(testsupport::PortLockFree(rig.Port));
        return value;
    });
    const std::vector<uint8_t> answer = other.get();
    ASSERT_EQ(answer.size(), 5u) << "the other user's answer was thrown away";
    EXPECT_EQ(answer[0], 0xD0);
    EXPECT_EQ(answer[3], 9);
    EXPECT_EQ(link.get(), 4);
}
