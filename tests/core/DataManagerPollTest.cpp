// Connecting on demand, live-value polling by group and whole-configuration
// reads, through the real serial code on a pseudo-terminal against the
// simulated controller with the identification probes on the same port.

#include "core/ConfigurationByKind.h"
#include "core/DataManager.h"
#include "core/Detector.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "sim/SimControllerFixture.h"
#include "sim/SimProbes.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

using namespace sim;

namespace {

using Reads = std::vector<std::pair<int, int>>;

// (code, first parameter) of each frame.
Reads reads(const std::vector<Bytes> &frames)
{
    Reads out;
    for (const auto &f : frames)
        out.emplace_back(f[1], f.size() > 3 ? f[2] : -1);
    return out;
}

void append(Reads &to, const Reads &more)
{
    to.insert(to.end(), more.begin(), more.end());
}

// Detected kind the probes present for a device kind.
int detectedKindOf(int kind)
{
    return kind == 20 ? 2 : kind == 21 ? 3 : 4;
}

// The controller rig with the probes on the same port and a main-window
// detector of its own.
class PollRig
{
public:
    PollRig(uint8_t kind, char version, int presented = -1)
        : Rig(kind, version)
    {
        Probes.attach(Rig.Controller, Rig.Server);
        Probes.install(Rig.Server);
        Probes.present(presented >= 0 ? presented : detectedKindOf(kind));
        FSaved = Detector;
        Detector = &Det;
        Det.SetDetectedDevices({ddTaron30, ddBootloader30, ddTaron40, ddBootloader40});
        Rig.Device([](SimControllerState &s) {
            s.Value16[28] = 2;  // six outputs
            s.Pages[3] = 1;     // so that the variant read (index 26) is made
            s.Value16[26] = 120;
        });
    }
    ~PollRig() { Detector = FSaved; }

    // One detection as the main window's timer runs it, then a clean log.
    int Detect()
    {
        const int k = Det.Detect(&Rig.Port);
        Rig.Server.log().clear();
        return k;
    }

    SimControllerRig Rig;
    SimProbes Probes;
    TDetector Det;

private:
    TDetector *FSaved = nullptr;
};

// Identity of a connect: 0x01, 0x02, the pages and the variant read.
Reads identityReads(int kind)
{
    Reads r{{0x01, 0x01}, {0x02, 0x02}};
    append(r, {{0x53, 0}, {0x53, 1}, {0x53, 2}, {0x53, 3}, {0x53, 4}});
    if (kind == 48)
        append(r, {{0x53, 5}, {0x53, 6}});
    r.emplace_back(0x40, 26);
    return r;
}

Reads pagesReads(int kind)
{
    Reads r{{0x53, 0}, {0x53, 1}, {0x53, 2}, {0x53, 3}, {0x53, 4}};
    if (kind == 48)
        append(r, {{0x53, 5}, {0x53, 6}});
    r.emplace_back(0x40, 26);
    return r;
}

Reads baseBlockReads()
{
    return {{0x40, 28}, {0x03, 0x03}, {0x07, 2},  {0x07, 8},  {0x51, 7},  {0x51, 6},
            {0x07, 12}, {0x51, 8},    {0x07, 11}, {0x07, 10}, {0x51, 9},  {0x51, 10},
            {0x07, 3},  {0x07, 4},    {0x07, 7},  {0x07, 16}, {0x07, 17}, {0x07, 23},
            {0x07, 18}, {0x07, 21},   {0x07, 5},  {0x07, 20}, {0x07, 27}, {0x07, 19},
            {0x07, 1},  {0x07, 28},   {0x07, 29}, {0x07, 30}, {0x35, 0},  {0x36, 0}};
}

Reads extendedBlockReads(char version)
{
    Reads r{{0x07, 34}, {0x07, 33}, {0x40, 28}, {0xD8, 0xD8}, {0x35, 0},  {0x36, 0},
            {0x07, 35}, {0x51, 11}, {0x51, 12}, {0x07, 31},   {0x07, 29}, {0x51, 14},
            {0x07, 32}, {0x07, 37}, {0x12, 74}, {0x07, 42},   {0x07, 40}, {0x51, 16},
            {0x07, 38}, {0x07, 39}, {0x07, 19}};
    if (version >= 'D')
        append(r, {{0x07, 43}, {0x07, 44}, {0x93, 0}, {0x07, 45}, {0x07, 46}});
    if (version >= 'F')
        append(r, {{0x51, 18}, {0x51, 19}, {0x07, 49}, {0x07, 50}});
    if (version >= 'G')
        append(r, {{0x51, 22}, {0x56, 0}, {0x54, 0}, {0x07, 52}, {0x07, 47}, {0x51, 17},
                   {0x51, 24}, {0x51, 25}, {0x51, 20}, {0x51, 21}});
    if (version >= 'I')
        r.emplace_back(0x07, 53);
    return r;
}

// The whole request order of a connect of a served kind.
Reads connectReads(int kind, char version)
{
    Reads r = identityReads(kind);
    r.emplace_back(0x3F, 0x00);
    append(r, pagesReads(kind));
    if (kind == 48)
        r.emplace_back(0x53, 0);
    append(r, kind == 48 ? extendedBlockReads(version) : baseBlockReads());
    append(r, {{0x10, 0x10}, {0x13, 0x13}});
    return r;
}

} // namespace

// ---------------------------------------------------------------------------
// Connect on demand
// ---------------------------------------------------------------------------

TEST(PollConnect, RequestOrderOfEveryKindAndVersionStep)
{
    const std::vector<std::pair<uint8_t, char>> cases{
        {20, 'E'}, {21, 'E'}, {48, 'C'}, {48, 'D'}, {48, 'F'}, {48, 'G'}, {48, 'I'}};
    for (const auto &[kind, version] : cases) {
        SCOPED_TRACE(std::string("kind ") + std::to_string(kind) + " version " + version);
        PollRig p(kind, version);
        p.Rig.Device([](SimControllerState &s) {
            s.Payload[0x13][9] = 0x04;  // a stored code of group 2
            s.Payload[0x03][4] = 255;   // eight by the mask
            s.Payload[0xD8][1] = 255;
        });
        ASSERT_EQ(p.Detect(), detectedKindOf(kind));
        TDataManager &m = p.Rig.Manager;
        EXPECT_TRUE(m.PollGroup(TDataManager::pgConnect, true));
        EXPECT_EQ(reads(p.Rig.Requests()), connectReads(kind, version));
        EXPECT_TRUE(m.GetConnected());
        EXPECT_TRUE(m.DeviceReread);
        EXPECT_TRUE(m.TroubleCodesPresent);
        EXPECT_EQ(DeviceRecord.DeviceKind, kind);
        EXPECT_EQ(DeviceRecord.InjHW, 6);
        // The base block lowers the cylinder count to the outputs; the
        // extended block does not.
        EXPECT_EQ(DeviceRecord.InjSW, kind == 48 ? 8 : 6);
        EXPECT_EQ(m.FailureCount, 0u);

        // Connected: the next poll reads only its group.
        p.Rig.Server.log().clear();
        EXPECT_TRUE(m.PollGroup(TDataManager::pgAutoCal, true));
        EXPECT_EQ(reads(p.Rig.Requests()), (Reads{{0x21, 0x21}, {0x40, 40}}));
    }
}

TEST(PollConnect, TroubleCodesPresentOnlyFromStoredBytes)
{
    PollRig p(20, 'E');
    p.Rig.Device([](SimControllerState &s) { s.Payload[0x13][7] = 0xFF; }); // byte 8 (active)
    p.Detect();
    EXPECT_TRUE(p.Rig.Manager.PollGroup(0, true));
    EXPECT_FALSE(p.Rig.Manager.TroubleCodesPresent);
}

TEST(PollConnect, LinkLostDuringTheConnectSendsNothingMoreAndKeepsTheRest)
{
    struct Case {
        const char *name;
        std::pair<int, int> failing; // (code, first parameter) that gets no answer
        bool configurationRead;      // the level sets and id 30 came before it
    };
    const Case cases[] = {{"identity block", {0x02, 0x02}, false},
                          {"a parameter after the base block", {0x51, 9}, false},
                          {"the trouble codes", {0x13, 0x13}, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PollRig p(20, 'E');
        p.Rig.Device([](SimControllerState &s) {
            s.Payload[0x35] = {1, 2, 3, 4};
            s.Param8[30] = 1;
            s.Payload[0x13][9] = 0x04;
        });
        ASSERT_EQ(p.Detect(), 2);
        // What an earlier device left in the record.
        DeviceRecord.PW0 = 9;
        DeviceRecord.RPMWireNotConnect = 7;
        DeviceRecord.TroubleCodes[9] = 0x10;
        const auto failing = c.failing;
        p.Rig.Server.injectFaultWhen(
            [failing](const Bytes &f) {
                return f[1] == failing.first && f.size() > 3 && f[2] == failing.second;
            },
            Fault::noAnswer());
        TDataManager &m = p.Rig.Manager;
        EXPECT_FALSE(m.PollGroup(TDataManager::pgConnect, true));
        EXPECT_FALSE(m.GetConnected());
        EXPECT_EQ(DeviceRecord.DeviceKind, 0);
        EXPECT_TRUE(m.LastPollFailed);
        EXPECT_EQ(m.FailureCount, 1u);
        // The requests of a clean connect up to the failing one, its repeat,
        // and nothing after it.
        const Reads all = connectReads(20, 'E');
        const auto at = std::find(all.begin(), all.end(), failing);
        ASSERT_NE(at, all.end());
        Reads expected(all.begin(), at + 1);
        expected.push_back(failing);
        EXPECT_EQ(reads(p.Rig.Requests()), expected);
        // Nothing the connect did not read was changed; the stale codes do
        // not count as found.
        EXPECT_EQ(DeviceRecord.PW0, c.configurationRead ? 1 : 9);
        EXPECT_EQ(DeviceRecord.RPMWireNotConnect, c.configurationRead ? 1 : 7);
        EXPECT_EQ(DeviceRecord.TroubleCodes[9], 0x10);
        EXPECT_FALSE(m.TroubleCodesPresent);
    }
}

TEST(PollConnect, WithoutDetectionOnlyIdentifiesAndClosedPortIsOpened)
{
    PollRig p(20, 'E');
    p.Rig.Port.Close();
    TDataManager &m = p.Rig.Manager;
    EXPECT_TRUE(m.PollGroup(0, true));
    EXPECT_TRUE(p.Rig.Port.GetConnected());
    EXPECT_EQ(reads(p.Rig.Requests()), identityReads(20));
    EXPECT_FALSE(m.DeviceReread);
}

TEST(PollConnect, StoppedMainTimerRunsAFullDetection)
{
    PollRig p(48, 'H');
    p.Detect();
    TDataManager &m = p.Rig.Manager;
    m.IsMainTimerRunning = [] { return false; };
    EXPECT_TRUE(m.PollGroup(0, false));
    const auto frames = p.Rig.Requests();
    ASSERT_FALSE(frames.empty());
    // The detection's probe, then the identify of the connect itself.
    EXPECT_EQ(frames[0], SimProbes::ProbeController30);
    EXPECT_EQ(reads({frames.begin() + 1, frames.end()}), connectReads(48, 'H'));
    EXPECT_TRUE(m.VersionSupported);
}

TEST(PollConnect, SilentNoisyAndForeignPorts)
{
    {
        SCOPED_TRACE("nothing answers");
        PollRig p(20, 'E', 0);
        EXPECT_EQ(p.Detect(), 0);
        TDataManager &m = p.Rig.Manager;
        EXPECT_FALSE(m.PollGroup(1, true));
        EXPECT_FALSE(m.PollGroup(1, true));
        // Detection ran and found no device of this program: no request.
        EXPECT_TRUE(p.Rig.Requests().empty());
        EXPECT_FALSE(m.GetConnected());
        EXPECT_EQ(DeviceRecord.DeviceKind, 0);
        EXPECT_EQ(m.FailureCount, 2u);
    }
    {
        SCOPED_TRACE("nothing answers, no detection yet");
        PollRig p(20, 'E', 0);
        TDataManager &m = p.Rig.Manager;
        EXPECT_FALSE(m.PollGroup(1, true));
        EXPECT_EQ(reads(p.Rig.Requests()), (Reads{{0x01, 0x01}}));
        EXPECT_FALSE(m.GetConnected());
        EXPECT_TRUE(m.LastPollFailed);
    }
    {
        SCOPED_TRACE("noise answers");
        PollRig p(20, 'E');
        p.Rig.Server.removeHandler("controller");
        p.Rig.Server.addHandler({"noise", 0xC0, [](const Bytes &) { return FrameLength::complete(4); },
                                 [](const Bytes &) { return Bytes(24, 0x55); }});
        TDataManager &m = p.Rig.Manager;
        EXPECT_FALSE(m.PollGroup(1, true));
        EXPECT_FALSE(m.PollGroup(1, true));
        EXPECT_FALSE(m.GetConnected());
        EXPECT_EQ(DeviceRecord.DeviceKind, 0);
        // Each poll identifies (twice at most) and stops there.
        for (const auto &f : p.Rig.Requests())
            EXPECT_EQ(f[1], 0x01);
        EXPECT_LE(p.Rig.Requests().size(), 4u);
    }
    {
        SCOPED_TRACE("bad checksums");
        PollRig p(48, 'H');
        p.Rig.Server.injectFaultWhen([](const Bytes &) { return true; }, Fault::badChecksum());
        TDataManager &m = p.Rig.Manager;
        EXPECT_FALSE(m.PollGroup(0, true));
        EXPECT_FALSE(m.GetConnected());
        EXPECT_EQ(DeviceRecord.DeviceKind, 0);
    }
    for (int foreign : {1, 5, 6, 8}) {
        SCOPED_TRACE("another family, detected kind " + std::to_string(foreign));
        PollRig p(20, 'E', foreign);
        EXPECT_EQ(p.Detect(), foreign);
        TDataManager &m = p.Rig.Manager;
        EXPECT_FALSE(m.PollGroup(0, true));
        EXPECT_TRUE(p.Rig.Requests().empty());
        EXPECT_EQ(DeviceRecord.DeviceKind, 0);
        EXPECT_EQ(m.FailureCount, 1u);
    }
    {
        SCOPED_TRACE("own family's bootloader");
        PollRig p(20, 'E', 7);
        EXPECT_EQ(p.Detect(), 7);
        TDataManager &m = p.Rig.Manager;
        EXPECT_FALSE(m.PollGroup(0, true));
        // The identify goes out; the bootloader does not answer it.
        EXPECT_EQ(reads(p.Rig.Requests()), (Reads{{0x01, 0x01}}));
        EXPECT_EQ(DeviceRecord.DeviceKind, 0);
    }
}

TEST(PollConnect, UnusablePortFailsQuietly)
{
    PollRig p(20, 'E');
    TDataManager &m = p.Rig.Manager;
    DeviceRecord.DeviceKind = 20;
    p.Rig.Port.SetComDevice(42); // no such port in the ports folder
    EXPECT_FALSE(m.PollGroup(1, false));
    EXPECT_FALSE(m.PollGroup(1, true));
    EXPECT_EQ(DeviceRecord.DeviceKind, 0);
    EXPECT_TRUE(m.LastPollFailed);
    EXPECT_TRUE(p.Rig.Requests().empty());
    // Back on the right port the next poll connects.
    p.Rig.Port.SetComDevice(SimControllerRig::kComPort);
    EXPECT_TRUE(m.PollGroup(0, true));
    EXPECT_EQ(DeviceRecord.DeviceKind, 20);
}

TEST(PollConnect, VersionSupportedWindowOfKindFortyEight)
{
    const std::vector<std::pair<char, bool>> cases{
        {'G', false}, {'H', true}, {'j', true}, {'J', true}, {'K', false}};
    for (const auto &[version, supported] : cases) {
        SCOPED_TRACE(std::string("version ") + version);
        PollRig p(48, version);
        p.Detect();
        EXPECT_TRUE(p.Rig.Manager.PollGroup(0, true));
        EXPECT_EQ(p.Rig.Manager.VersionSupported, supported);
    }
}

TEST(PollConnect, ReconnectClearsStateAndSyncsModules)
{
    PollRig p(20, 'E');
    TDataManager &m = p.Rig.Manager;
    int cleared = 0, deactivated = 0, synced = -1;
    bool managerActive = true;
    m.OnClearLogicState = [&] { ++cleared; };
    m.IsModuleManagerActive = [&] { return managerActive; };
    m.OnLinkActiveChanged = [&](bool on) {
        if (!on)
            ++deactivated;
        managerActive = on;
    };
    m.OnSyncAfterDetect = [&](int port) {
        synced = port;
        managerActive = true;
    };
    DeviceRecord.DeviceKind = 48;
    m.Reconnect(SimControllerRig::kComPort, true);
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(deactivated, 1);
    EXPECT_TRUE(m.GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 20);
    EXPECT_EQ(synced, SimControllerRig::kComPort);
    EXPECT_TRUE(m.ModulesActive);

    // The manager fell inactive: an unforced sync re-detects; else nothing.
    synced = -1;
    EXPECT_TRUE(m.SyncModules(false));
    EXPECT_EQ(synced, -1);
    managerActive = false;
    EXPECT_TRUE(m.SyncModules(false));
    EXPECT_EQ(synced, SimControllerRig::kComPort);

    // Nothing answers any more: the manager is switched off again.
    p.Probes.present(0);
    m.SetConnected(false);
    deactivated = 0;
    managerActive = true;
    m.Reconnect(SimControllerRig::kComPort, true);
    EXPECT_FALSE(m.GetConnected());
    EXPECT_EQ(deactivated, 2);
}

TEST(PollConnect, ReconnectWhileConnectedStartsOver)
{
    PollRig p(20, 'E');
    p.Detect();
    TDataManager &m = p.Rig.Manager;
    ASSERT_TRUE(m.PollGroup(TDataManager::pgConnect, true));
    ASSERT_TRUE(m.PollGroup(TDataManager::pgConnect, true)); // a clean poll before
    p.Rig.Server.log().clear();
    m.Reconnect(SimControllerRig::kComPort, true);
    // A whole connect on the port, not a group read with no device kind;
    // the last poll was clean, so group 0's closing read follows.
    Reads expected = connectReads(20, 'E');
    expected.emplace_back(0x40, 40);
    EXPECT_EQ(reads(p.Rig.Requests()), expected);
    EXPECT_TRUE(m.GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 20);
}

// ---------------------------------------------------------------------------
// Group reads
// ---------------------------------------------------------------------------

namespace {

// Identifies the device as a connect does, after a clean poll.
bool ConnectClean(SimControllerRig &rig)
{
    const bool ok = rig.Connect();
    rig.Manager.LastPollFailed = false;
    return ok;
}

} // namespace

TEST(PollGroups, RequestsOfEachGroup)
{
    {
        SimControllerRig rig(20, 'E');
        ASSERT_TRUE(ConnectClean(rig));
        DeviceRecord.InjSW = 4;
        EXPECT_TRUE(rig.Manager.PollGroup(TDataManager::pgLive, true));
        EXPECT_EQ(reads(rig.Requests()), (Reads{{0x05, 0x05}, {0x22, 0x22}, {0x40, 40}}));
        rig.Server.log().clear();
        DeviceRecord.InjSW = 6;
        EXPECT_TRUE(rig.Manager.PollGroup(TDataManager::pgLive, true));
        EXPECT_EQ(reads(rig.Requests()),
                  (Reads{{0x05, 0x05}, {0x06, 0x06}, {0x22, 0x22}, {0x40, 40}}));
        rig.Server.log().clear();
        EXPECT_TRUE(rig.Manager.PollGroup(TDataManager::pgAutoCal2, true));
        EXPECT_EQ(reads(rig.Requests()), (Reads{{0x21, 0x21}, {0x40, 40}}));
        rig.Server.log().clear();
        EXPECT_TRUE(rig.Manager.PollGroup(3, true));
        EXPECT_EQ(reads(rig.Requests()), (Reads{{0x40, 40}}));
    }
    {
        SimControllerRig rig(48, 'F');
        ASSERT_TRUE(ConnectClean(rig));
        rig.Manager.IsAdaptationVariableSet = [] { return true; };
        DeviceRecord.InjSW = 4;
        EXPECT_TRUE(rig.Manager.PollGroup(TDataManager::pgAdaptBank1, true));
        EXPECT_EQ(reads(rig.Requests()), (Reads{{0x40, 40}}));
        rig.Server.log().clear();
        EXPECT_TRUE(rig.Manager.PollGroup(TDataManager::pgLive, true));
        EXPECT_EQ(reads(rig.Requests()),
                  (Reads{{0x05, 0x05}, {0x22, 0x22}, {0x53, 5}, {0x40, 40}}));
    }
    {
        SimControllerRig rig(48, 'G');
        rig.Device([](SimControllerState &s) {
            s.Value16[40] = 0xFB05; // bank 2 -5 %, bank 1 +5 %
            s.Value16[41] = 0x0142; // load 66 %
        });
        ASSERT_TRUE(ConnectClean(rig));
        EXPECT_TRUE(rig.Manager.PollGroup(TDataManager::pgLive, true));
        EXPECT_EQ(reads(rig.Requests()),
                  (Reads{{0x0B, 0x0B}, {0x40, 41}, {0x64, 0xA5}, {0x40, 40}}));
        EXPECT_EQ(DeviceRecord.ConnectBytes.Bank1Correction, 5);
        EXPECT_EQ(DeviceRecord.ConnectBytes.Bank2Correction, -5);
        EXPECT_EQ(DeviceRecord.ConnectBytes.EngineLoad, 0x42);

        rig.Server.log().clear();
        bool adaptation = false;
        rig.Manager.IsAdaptationVariableSet = [&] { return adaptation; };
        EXPECT_TRUE(rig.Manager.PollGroup(TDataManager::pgAdaptBank2, true));
        EXPECT_EQ(reads(rig.Requests()), (Reads{{0x40, 40}}));
        rig.Server.log().clear();
        adaptation = true;
        EXPECT_TRUE(rig.Manager.PollGroup(TDataManager::pgAdaptBank2, true));
        EXPECT_EQ(reads(rig.Requests()), (Reads{{0x61, 0x20}, {0x61, 0x21}, {0x40, 40}}));
    }
}

TEST(PollGroups, FailureCountAndTheFirstPollAfterAFailure)
{
    SimControllerRig rig(20, 'E');
    ASSERT_TRUE(rig.Connect());
    TDataManager &m = rig.Manager;
    m.LastPollFailed = false;
    auto sent = [&rig](uint8_t code) {
        for (const auto &f : rig.Requests())
            if (f[1] == code)
                return true;
        return false;
    };
    // 0x21 fails twice (first try and repeat): the link is lost.
    rig.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0x21; }, Fault::noAnswer(), 2);
    EXPECT_FALSE(m.PollGroup(TDataManager::pgAutoCal, true));
    EXPECT_EQ(m.FailureCount, 1u);
    EXPECT_FALSE(m.GetConnected());
    EXPECT_FALSE(sent(0x40)); // nothing after the loss
    // The next poll connects; its identity read fails: a second failed poll.
    rig.Server.log().clear();
    rig.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0x02; }, Fault::noAnswer(), 2);
    EXPECT_FALSE(m.PollGroup(1, true));
    EXPECT_EQ(m.FailureCount, 2u);
    EXPECT_FALSE(sent(0x05));
    // A clean connect: no group read yet, the count back at 0.
    rig.Server.log().clear();
    EXPECT_TRUE(m.PollGroup(1, true));
    EXPECT_EQ(m.FailureCount, 0u);
    EXPECT_TRUE(sent(0x01));
    EXPECT_FALSE(sent(0x05));
    // Now the group is read.
    rig.Server.log().clear();
    EXPECT_TRUE(m.PollGroup(1, true));
    EXPECT_TRUE(sent(0x05));
}

// ---------------------------------------------------------------------------
// Whole-configuration read and write
// ---------------------------------------------------------------------------

TEST(ConfigurationByKind, KindTwentyMaskAndOutputs)
{
    SimControllerRig rig(20, 'E');
    rig.Device([](SimControllerState &s) {
        s.Value16[28] = 2;
        s.Payload[0x03][4] = 255;
    });
    ASSERT_TRUE(rig.Connect());
    TDevData data;
    EXPECT_NE(data.ReadDeviceModelData(), 0);
    EXPECT_EQ(reads(rig.Requests()), baseBlockReads());
    EXPECT_EQ(DeviceRecord.InjHW, 6);
    EXPECT_EQ(DeviceRecord.InjSW, 6);
}

TEST(ConfigurationByKind, NothingForOtherKindsOrWithoutLink)
{
    SimControllerRig rig(20, 'E');
    TDevData data;
    EXPECT_EQ(data.ReadDeviceModelData(), 0); // not connected
    ASSERT_TRUE(rig.Connect());
    DeviceRecord.DeviceKind = 0;
    EXPECT_EQ(data.ReadDeviceModelData(), 0);
    DeviceRecord.DeviceKind = 19;
    EXPECT_EQ(data.ReadDeviceModelData(), 0);
    EXPECT_TRUE(rig.Requests().empty());
}

TEST(ConfigurationByKind, FailedBlockEndsTheRead)
{
    for (uint8_t kind : {uint8_t(20), uint8_t(48)}) {
        SCOPED_TRACE(kind);
        SimControllerRig rig(kind, 'G');
        ASSERT_TRUE(rig.Connect());
        const uint8_t block = kind == 48 ? 0xD8 : 0x03;
        rig.Server.injectFaultWhen([block](const Bytes &f) { return f[1] == block; },
                                   Fault::badChecksum());
        DeviceRecord.T = 77;
        DeviceRecord.PW0 = 9;
        TDevData data;
        EXPECT_EQ(data.ReadDeviceModelData(), 0);
        const auto frames = rig.Requests();
        ASSERT_GE(frames.size(), 2u);
        // The block and its repeat are the last requests.
        EXPECT_EQ(frames[frames.size() - 1][1], block);
        EXPECT_EQ(frames[frames.size() - 2][1], block);
        EXPECT_EQ(DeviceRecord.T, 77);
        EXPECT_EQ(DeviceRecord.PW0, 9);
    }
}

TEST(ConfigurationByKind, LinkLostHalfWayReportsFailureAndKeepsTheRest)
{
    SimControllerRig rig(48, 'G');
    rig.Device([](SimControllerState &s) {
        s.Param8[35] = 11;   // before the loss
        s.Param16[18] = 500; // the read that fails
        s.Param8[49] = 33;   // after it
        s.Param8[52] = 44;
        s.Payload[0x54][0] = 0x12;
    });
    ASSERT_TRUE(rig.Connect());
    rig.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0x51 && f[2] == 18; },
                               Fault::noAnswer());
    const auto before = DeviceRecord;
    TDevData data;
    EXPECT_EQ(data.ReadDeviceModelData(), 0);
    EXPECT_FALSE(rig.Manager.GetConnected());
    const auto frames = rig.Requests();
    ASSERT_GE(frames.size(), 2u);
    // Nothing after the failed read and its repeat.
    EXPECT_EQ(reads({frames.end() - 2, frames.end()}), (Reads{{0x51, 18}, {0x51, 18}}));
    EXPECT_EQ(frames.size(), extendedBlockReads('E').size() + 2);
    // The record kept what it held for everything not read.
    const auto &r = DeviceRecord;
    EXPECT_EQ(r.Tgas_lt_val, 11); // read before the loss
    EXPECT_EQ(r.MazdaEnrichmentPercentage, before.MazdaEnrichmentPercentage);
    EXPECT_EQ(r.ExtraOptions, before.ExtraOptions);
    EXPECT_EQ(r.ComputerCodes, before.ComputerCodes);
}

TEST(ConfigurationByKind, KindTwentyLinkLostAfterTheBlockReportsFailure)
{
    SimControllerRig rig(20, 'E');
    rig.Device([](SimControllerState &s) {
        s.Payload[0x03] = {0x55, 0x07, 0xD0, 0, 15};
        s.Param8[30] = 1;
        s.Payload[0x35] = {1, 2, 3, 4};
    });
    ASSERT_TRUE(rig.Connect());
    // The link goes after the block, at the id-29 read.
    rig.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0x07 && f[2] == 29; },
                               Fault::noAnswer());
    DeviceRecord.AlwaysStartOnGas = 3;
    DeviceRecord.RPMWireNotConnect = 7;
    DeviceRecord.PW0 = 9;
    TDevData data;
    EXPECT_EQ(data.ReadDeviceModelData(), 0);
    EXPECT_FALSE(rig.Manager.GetConnected());
    Reads expected = baseBlockReads();
    expected.resize(expected.size() - 3); // up to id 29, without 30 and the level sets
    expected.emplace_back(0x07, 29);
    EXPECT_EQ(reads(rig.Requests()), expected);
    EXPECT_EQ(DeviceRecord.T, 0x55); // the block was read
    EXPECT_EQ(DeviceRecord.AlwaysStartOnGas, 3);
    EXPECT_EQ(DeviceRecord.RPMWireNotConnect, 7);
    EXPECT_EQ(DeviceRecord.PW0, 9);
}

TEST(ConfigurationByKind, WriteRunsTheWindowActionByKind)
{
    SimControllerRig rig(20, 'E');
    int pageWrites = 0, wizardWrites = 0;
    bool wizardResult = false;
    SetConfigurationWriteActions(
        [&] {
            ++pageWrites;
            return true;
        },
        [&] {
            ++wizardWrites;
            return wizardResult;
        });
    TDevData data;
    EXPECT_FALSE(data.WriteConfigurationIfConnected()); // not connected
    EXPECT_EQ(pageWrites + wizardWrites, 0);
    ASSERT_TRUE(rig.Connect());
    EXPECT_TRUE(data.WriteConfigurationIfConnected());
    EXPECT_EQ(pageWrites, 1);
    DeviceRecord.DeviceKind = 48;
    EXPECT_FALSE(data.WriteConfigurationIfConnected());
    wizardResult = true;
    EXPECT_TRUE(data.WriteConfigurationIfConnected());
    EXPECT_EQ(wizardWrites, 2);
    DeviceRecord.DeviceKind = 19;
    EXPECT_FALSE(data.WriteConfigurationIfConnected());
    // The page's write lost the link: no success.
    DeviceRecord.DeviceKind = 20;
    SetConfigurationWriteActions(
        [&] {
            rig.Manager.SetConnected(false);
            return true;
        },
        {});
    EXPECT_FALSE(data.WriteConfigurationIfConnected());
    SetConfigurationWriteActions({}, {});
    rig.Manager.SetConnected(true);
    EXPECT_FALSE(data.WriteConfigurationIfConnected()); // nothing registered
}

// ---------------------------------------------------------------------------
// Served-program check
// ---------------------------------------------------------------------------

TEST(ProgramCheck, ControllerOfAnotherVersionIsRefused)
{
    PollRig p(20, 'E', 1); // first generation, code 0x13
    ASSERT_EQ(p.Detect(), 1);
    TDataManager &m = p.Rig.Manager;
    QString caption, text;
    std::vector<bool> timer;
    bool running = true;
    m.OnShowInfo = [&](const QString &c, const QString &t) {
        caption = c;
        text = t;
        timer.push_back(running);
    };
    m.IsMainTimerRunning = [&] { return running; };
    m.SetMainTimerRunning = [&](bool on) { running = on; };
    EXPECT_TRUE(m.CheckDeviceProgram(true));
    EXPECT_EQ(DeviceRecord.DeviceKind, 19);
    EXPECT_FALSE(m.GetConnected());
    // Identified with 0x01, then page 0 while the link was up.
    EXPECT_EQ(reads(p.Rig.Requests()), (Reads{{0x01, 0x01}, {0x53, 0}}));
    EXPECT_EQ(caption, "strInfoVerTitle");
    EXPECT_TRUE(text.startsWith("strInfoProgVer ["));
    EXPECT_TRUE(text.endsWith("] strInfoVer [1.3]"));
    EXPECT_EQ(timer, std::vector<bool>{false}); // stopped while shown
    EXPECT_TRUE(running);                       // and restored

    // Without the message nothing is shown.
    caption.clear();
    EXPECT_TRUE(m.CheckDeviceProgram(false));
    EXPECT_TRUE(caption.isEmpty());
}

TEST(ProgramCheck, ServedKindsAndBootloadersPass)
{
    for (uint8_t kind : {uint8_t(20), uint8_t(21), uint8_t(48)}) {
        SCOPED_TRACE(kind);
        PollRig p(kind, 'H');
        p.Detect();
        EXPECT_FALSE(p.Rig.Manager.CheckDeviceProgram(true));
        EXPECT_EQ(DeviceRecord.DeviceKind, kind);
        EXPECT_TRUE(p.Rig.Manager.GetConnected());
    }
    {
        PollRig p(20, 'E', 7); // the bootloader: nothing asked
        ASSERT_EQ(p.Detect(), 7);
        EXPECT_FALSE(p.Rig.Manager.CheckDeviceProgram(true));
        EXPECT_TRUE(p.Rig.Requests().empty());
    }
    {
        // A good probe answer with a code nobody knows: the unknown device is
        // not identified over the controller protocol, so the link cannot
        // come up on it with a kind this program would then poll.
        PollRig p(20, 'E', 0);
        p.Probes.presentController(3, 0x31);
        p.Det.SetDetectedDevices({ddTaron30});
        ASSERT_EQ(p.Detect(), 0);
        ASSERT_TRUE(p.Det.Answered());
        EXPECT_FALSE(p.Rig.Manager.CheckDeviceProgram(true));
        EXPECT_TRUE(p.Rig.Requests().empty());
        EXPECT_FALSE(p.Rig.Manager.GetConnected());
        EXPECT_EQ(DeviceRecord.DeviceKind, 0);
    }
    {
        PollRig p(20, 'E', 6); // second generation: another program's, not refused here
        ASSERT_EQ(p.Detect(), 6);
        EXPECT_FALSE(p.Rig.Manager.CheckDeviceProgram(true));
        EXPECT_EQ(DeviceRecord.DeviceKind, 0);
    }
}
