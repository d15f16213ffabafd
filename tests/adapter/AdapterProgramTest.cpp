// The program binary with the controller and the adapter box on one
// simulated port: the box is detected at start-up and polled with the
// controller's live values, and the program still ends cleanly.
#include "mainwindow/ProgramRun.h"

#include <gtest/gtest.h>

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
        20000))
        << run.Output.toStdString();
    const auto requests = run.Device->AdapterRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), (sim::Bytes{0xC2, 0x01, 0x01, 0x6B, 0x87}));

    // The live values keep their pace beside the box's state reads.
    std::vector<sim::Clock::time_point> live;
    for (const auto &f : run.Device->Server.log().frames())
        if (f.bytes.size() >= 2 && f.bytes[0] == 0xC0 && f.bytes[1] == 0x0B)
            live.push_back(f.at);
    ASSERT_GE(live.size(), 5u);
    const auto span = std::chrono::duration_cast<std::chrono::milliseconds>(live.back() - live.front());
    EXPECT_LT(double(span.count()) / double(live.size() - 1), 400.0);

    run.Process.terminate();
    ASSERT_TRUE(run.Process.waitForFinished(10000));
    EXPECT_EQ(run.Process.exitCode(), 0) << run.Output.toStdString();
    EXPECT_TRUE(run.PortOpensAgain());
}
