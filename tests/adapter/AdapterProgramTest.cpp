// The program binary with the controller and the adapter box on one
// simulated port: the box is detected at start-up and polled with the
// controller's live values, and the program still ends cleanly.
#include "common/GiveUp.h"
#include "mainwindow/ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

using startup::ProgramRun;

TEST(AdapterProgram, BoxIsDetectedAndPolledBesideTheController)
{
    if (!ProgramRun::ProgramExists())
        GTEST_SKIP() << "program not built beside the tests";
    ProgramRun run;
    ASSERT_TRUE(run.Start());
    auto stateReads = [](const std::vector<sim::ReceivedFrame> &frames) {
        size_t n = 0;
        for (const auto &f : frames)
            n += f.bytes.size() > 1 && f.bytes[0] == 0xC2 && f.bytes[1] == 0x78;
        return n;
    };
    ASSERT_TRUE(run.WaitForFrames(
        [&](const std::vector<sim::ReceivedFrame> &f) { return stateReads(f) >= 8 && startup::LiveReads(f) >= 5; },
        testsupport::GiveUpMs))
        << run.Output.toStdString();
    const auto requests = run.Device->AdapterRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), (sim::Bytes{0xC2, 0x01, 0x01, 0x6B, 0x87}));
    // The box's presence query and its information once, however many pages show them.
    for (const uint8_t command : {0x01, 0x02, 0x04})
        EXPECT_EQ(std::count_if(requests.begin(), requests.end(), [command](const sim::Bytes &r) { return r[1] == command; }), 1)
            << int(command);

    // The live values keep their pace beside the box's state reads: once the
    // polling runs, each tick reads the controller before the box, so
    // between two state reads the controller was read again (how late the
    // ticks come on a loaded machine is the start-up benchmark's business).
    bool polling = false, controllerSinceLastState = false;
    size_t stateReadsWithoutController = 0, polledStates = 0;
    for (const auto &f : run.Device->Server.log().frames()) {
        if (f.bytes.size() < 2)
            continue;
        if (f.bytes[0] == 0xC0 && f.bytes[1] == 0x0B)
            polling = controllerSinceLastState = true;
        if (polling && f.bytes[0] == 0xC2 && f.bytes[1] == 0x78) {
            ++polledStates;
            stateReadsWithoutController += !controllerSinceLastState;
            controllerSinceLastState = false;
        }
    }
    EXPECT_GE(polledStates, 3u);
    EXPECT_EQ(stateReadsWithoutController, 0u);

    run.Process.terminate();
    ASSERT_TRUE(run.Process.waitForFinished(testsupport::GiveUpMs));
    EXPECT_EQ(run.Process.exitCode(), 0) << run.Output.toStdString();
    EXPECT_TRUE(run.PortOpensAgain());
}
