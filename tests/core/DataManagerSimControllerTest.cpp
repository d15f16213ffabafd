// The simulated controller itself: every command is answered with its fixed
// length and a good checksum, bad requests get silence, and writes change
// what later reads answer.

#include "sim/SimController.h"

#include <gtest/gtest.h>

using namespace sim;

namespace {

Bytes request(uint8_t command)
{
    Bytes r(SimController::RequestLength(command), 0);
    r[0] = 0xC0;
    r[1] = command;
    r.back() = SimController::Sum(r.data(), r.size() - 1);
    return r;
}

} // namespace

TEST(SimController, AnswersEveryCommandWithItsLengthAndChecksum)
{
    int known = 0;
    for (int code = 0; code < 256; ++code) {
        const auto cmd = static_cast<uint8_t>(code);
        if (SimController::RequestLength(cmd) == 0) {
            EXPECT_EQ(SimController::AnswerLength(cmd), 0u) << code;
            continue;
        }
        ++known;
        for (uint8_t kind : {20, 21, 48}) {
            SimController c(kind, 'A' + kind % 10);
            const Bytes a = c.Handle(request(cmd));
            ASSERT_EQ(a.size(), SimController::AnswerLength(cmd)) << std::hex << code;
            EXPECT_EQ(a[0], 0xD0);
            EXPECT_EQ(a.back(), SimController::Sum(a.data(), a.size() - 1)) << std::hex << code;
        }
    }
    EXPECT_EQ(known, 75);
}

TEST(SimController, BadRequestsGetNoAnswer)
{
    SimController c;
    Bytes r = request(0x07);
    r.back() ^= 1;
    EXPECT_TRUE(c.Handle(r).empty());
    EXPECT_TRUE(c.Handle({0xC0, 0xEE, 0x00, 0xAE}).empty()); // unknown command
    EXPECT_TRUE(c.Handle({0xC0, 0x07, 0x02}).empty());       // short
}

TEST(SimController, WritesChangeLaterReads)
{
    SimController c(48, 'G');
    Bytes w{0xC0, 0x08, 31, 0x81, 0};
    w.back() = SimController::Sum(w.data(), 4);
    ASSERT_EQ(c.Handle(w).size(), 4u);
    Bytes r{0xC0, 0x07, 31, 0};
    r.back() = SimController::Sum(r.data(), 3);
    EXPECT_EQ(c.Handle(r)[3], 0x81);

    Bytes level{0xC0, 0x37, 1, 2, 3, 4, 0, 0};
    level.back() = SimController::Sum(level.data(), 7);
    ASSERT_EQ(c.Handle(level).size(), 4u);
    Bytes read{0xC0, 0x35, 0x00, 0xF5};
    EXPECT_EQ(c.Handle(read), SimController::Frame(0xD0, {0x35, 1, 2, 3, 4}));
}

TEST(SimController, RangesAndLockRefuseLikeTheDevice)
{
    SimController c(21, 'E');
    c.State.Value16[28] = 1; // four injector outputs
    c.SetConfigurationLimits();
    auto frame = [](Bytes body) {
        body.insert(body.begin(), 0xC0);
        body.push_back(SimController::Sum(body.data(), body.size()));
        return body;
    };
    const uint8_t lambda = c.State.Param8[1];
    EXPECT_TRUE(c.Handle(frame({0x08, 1, 16})).empty()); // the lambda type has four bits
    EXPECT_EQ(c.State.Param8[1], lambda);
    EXPECT_EQ(c.Handle(frame({0x08, 1, 15})).size(), 4u);
    EXPECT_EQ(c.State.Param8[1], 15);
    // A nozzle no list offers is one the device holds.
    EXPECT_EQ(c.Handle(frame({0x08, 10, 3})).size(), 4u);
    EXPECT_EQ(c.State.Param8[10], 3);
    // A kind-20 device holds a pressure sensor in hardware variants 0-2 only.
    for (const uint8_t variant : {0, 2, 3, 4}) {
        SimController k20(20, 'D');
        k20.State.Pages[1] = variant;
        k20.SetConfigurationLimits();
        EXPECT_EQ(k20.Handle(frame({0x08, 28, 1})).empty(), variant > 2) << int(variant);
    }
    EXPECT_TRUE(c.Handle(frame({0x52, 8, 0xFF, 0xEB})).empty()); // 65515: above 350 ms
    EXPECT_EQ(c.Handle(frame({0x52, 8, 0xFF, 0xAA})).size(), 4u);
    EXPECT_EQ(c.Handle(frame({0x08, 99, 200})).size(), 4u);       // no range: any value
    EXPECT_TRUE(c.Handle(frame({0x04, 100, 0, 0, 0, 31})).empty()); // five of four outputs
    EXPECT_EQ(c.Handle(frame({0x04, 100, 0, 0, 0, 15})).size(), 4u);

    // Locked: identification and the lock commands only.
    c.State.LockState = kSimLockedState;
    EXPECT_TRUE(c.Handle(frame({0x07, 2})).empty());
    EXPECT_TRUE(c.Handle(frame({0x03, 0x03})).empty());
    EXPECT_EQ(c.Handle(frame({0x3F, 0x01})), SimController::Frame(0xD0, {0x3F, kSimLockedState}));
    EXPECT_EQ(c.Handle(frame({0x01, 0x01})).size(), 4u);
}
