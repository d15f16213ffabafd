// The simulator base: frame assembly through the handler table, the frame
// log, injected faults, pacing and a port that goes away and comes back.
#include "common/GiveUp.h"
#include "platform/SerialDevice.h"
#include "sim/SimServer.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sim::Bytes;

namespace {

// Frames "A0 n d1..dn sum": the length byte says how many data bytes follow.
sim::Handler lengthPrefixed()
{
    return {"prefixed", 0xA0,
            [](const Bytes &b) {
                if (b.size() < 2)
                    return sim::FrameLength::needMore();
                if (b[1] == 0xFF)
                    return sim::FrameLength::notMine();
                return sim::FrameLength::complete(3 + b[1]);
            },
            [](const Bytes &f) {
                Bytes a{0xB0, f[1]};
                a.push_back(sim::sum8(a, 2));
                return a;
            }};
}

class SimTest : public ::testing::Test
{
protected:
    sim::SimServer server;
    platform::SerialDevice dev;

    void SetUp() override
    {
        server.addHandler(lengthPrefixed());
        // Takes the A0 FF frames the first handler leaves: three bytes, no answer.
        server.addHandler({"silent", 0xA0, [](const Bytes &) { return sim::FrameLength::complete(3); },
                           [](const Bytes &) { return Bytes{}; }});
        ASSERT_TRUE(server.start());
        openClient();
    }

    void openClient()
    {
        int error = 0;
        ASSERT_TRUE(dev.open(QString::fromStdString(server.slavePath()), error)) << error;
        ASSERT_TRUE(dev.applyLineSettings({9600, 8, 0, 0}, error));
        dev.setTimeouts({100, 0, 400, 0, 200});
    }

    void send(const Bytes &b)
    {
        size_t n = 0;
        int error = 0;
        ASSERT_TRUE(dev.write(b.data(), b.size(), n, error));
        ASSERT_EQ(n, b.size());
    }

    Bytes receive(size_t count)
    {
        Bytes b(count);
        size_t got = 0, total = 0;
        int error = 0;
        while (total < count && dev.read(b.data() + total, count - total, got, error) && got > 0)
            total += got;
        b.resize(total);
        return b;
    }
};

} // namespace

TEST_F(SimTest, FramesAreAssembledAndLogged)
{
    // Noise, a frame in two pieces, then two frames in one write.
    send({0x00, 0x13, 0xA0, 0x02});
    std::this_thread::sleep_for(20ms);
    send({0x11, 0x22, 0x33});
    EXPECT_EQ(receive(3), (Bytes{0xB0, 0x02, 0xB2}));
    send({0xA0, 0x00, 0x77, 0xA0, 0x01, 0x05, 0x99});
    EXPECT_EQ(receive(6), (Bytes{0xB0, 0x00, 0xB0, 0xB0, 0x01, 0xB1}));
    // A0 FF is not the first handler's: the second takes it and stays silent.
    send({0xA0, 0xFF, 0x01});
    ASSERT_TRUE(server.log().waitForCount(4, testsupport::GiveUp));
    const auto frames = server.log().frames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].bytes, (Bytes{0xA0, 0x02, 0x11, 0x22, 0x33}));
    EXPECT_EQ(frames[0].handler, "prefixed");
    EXPECT_EQ(frames[1].bytes, (Bytes{0xA0, 0x00, 0x77}));
    EXPECT_EQ(frames[2].bytes, (Bytes{0xA0, 0x01, 0x05, 0x99}));
    EXPECT_EQ(frames[3].handler, "silent");
    EXPECT_LE(frames[0].at, frames[1].at);
    EXPECT_EQ(server.droppedBytes(), 2u);
    EXPECT_TRUE(receive(1).empty());

    server.log().clear();
    EXPECT_EQ(server.log().count(), 0u);
    EXPECT_FALSE(server.log().waitForCount(1, 50ms));
}

TEST_F(SimTest, StalePartialFrameIsDropped)
{
    server.setResyncTimeout(50ms);
    send({0xA0, 0x03, 0x01});
    // The partial frame goes once it is stale (the server may see it late on
    // a busy machine; the next frame must not join it).
    for (const auto until = std::chrono::steady_clock::now() + testsupport::GiveUp;
         server.droppedBytes() < 3 && std::chrono::steady_clock::now() < until;)
        std::this_thread::sleep_for(5ms);
    send({0xA0, 0x00, 0x00});
    EXPECT_EQ(receive(3), (Bytes{0xB0, 0x00, 0xB0}));
    EXPECT_EQ(server.log().count(), 1u);
    EXPECT_EQ(server.droppedBytes(), 3u);
}

TEST_F(SimTest, FaultsChangeTheNextAnswers)
{
    server.injectFault(sim::Fault::noAnswer());
    server.injectFault(sim::Fault::badChecksum());
    server.injectFault(sim::Fault::truncated());
    server.injectFault(sim::Fault::truncated(1));
    server.injectFault(sim::Fault::noiseFirst({0x00, 0xFF}));
    send({0xA0, 0x00, 0x00});
    EXPECT_TRUE(receive(3).empty());
    send({0xA0, 0x00, 0x00});
    EXPECT_EQ(receive(3), (Bytes{0xB0, 0x00, 0xB1}));
    send({0xA0, 0x00, 0x00});
    EXPECT_EQ(receive(3), (Bytes{0xB0, 0x00}));
    send({0xA0, 0x00, 0x00});
    EXPECT_EQ(receive(3), (Bytes{0xB0}));
    send({0xA0, 0x00, 0x00});
    EXPECT_EQ(receive(5), (Bytes{0x00, 0xFF, 0xB0, 0x00, 0xB0}));
    send({0xA0, 0x00, 0x00});
    EXPECT_EQ(receive(3), (Bytes{0xB0, 0x00, 0xB0}));

    server.injectFault(sim::Fault::late(250));
    const auto t0 = Clock::now();
    send({0xA0, 0x00, 0x00});
    dev.setTimeouts({100, 0, 2000, 0, 200});
    EXPECT_EQ(receive(3), (Bytes{0xB0, 0x00, 0xB0}));
    EXPECT_GE(Clock::now() - t0, 245ms);
}

TEST_F(SimTest, FaultsByPredicateAndCount)
{
    server.injectFaultWhen([](const Bytes &f) { return f[1] == 1; }, sim::Fault::noAnswer(), 2);
    for (int round = 0; round < 3; ++round) {
        send({0xA0, 0x00, 0x00});
        EXPECT_EQ(receive(3).size(), 3u);
        send({0xA0, 0x01, 0x00, 0x00});
        EXPECT_EQ(receive(3).size(), round < 2 ? 0u : 3u) << round;
    }
    server.injectFault(sim::Fault::noAnswer(), 5);
    server.clearFaults();
    send({0xA0, 0x00, 0x00});
    EXPECT_EQ(receive(3).size(), 3u);
}

TEST_F(SimTest, PacedAnswersTakeTheirWireTime)
{
    server.addHandler({"long", 0xC5, [](const Bytes &) { return sim::FrameLength::complete(4); },
                       [](const Bytes &) { return Bytes(27, 0x42); }});
    server.setPaced(true);
    EXPECT_TRUE(server.paced());
    dev.setTimeouts({100, 0, 1000, 0, 200});
    const auto t0 = Clock::now();
    send({0xC5, 1, 2, 3});
    EXPECT_EQ(receive(27), Bytes(27, 0x42));
    // 4 request and 27 answer bytes at 960 bytes per second.
    EXPECT_GE(Clock::now() - t0, 31 * sim::kByteTime9600);
}

TEST_F(SimTest, PortGoesAwayAndComesBackUnderItsLink)
{
    QTemporaryDir tmp;
    const std::string dir = tmp.filePath(QStringLiteral("ports")).toStdString();
    ASSERT_TRUE(server.linkAs(dir, 4));
    const QString link = QString::fromStdString(server.linkPath());
    EXPECT_EQ(QFileInfo(link).symLinkTarget().toStdString(), server.slavePath());

    server.injectFault(sim::Fault::vanish(50));
    send({0xA0, 0x00, 0x00});
    Bytes buf(3);
    size_t got = 0;
    int error = 0;
    EXPECT_FALSE(dev.read(buf.data(), 3, got, error));
    EXPECT_EQ(error, EIO);
    dev.close();
    for (int i = 0; i < testsupport::GiveUpMs / 10 && !(server.connected() && QFileInfo(link).isSymLink()); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(server.connected());
    EXPECT_EQ(QFileInfo(link).symLinkTarget().toStdString(), server.slavePath());
    openClient();
    send({0xA0, 0x00, 0x00});
    EXPECT_EQ(receive(3).size(), 3u);

    server.disconnectPort();
    EXPECT_FALSE(server.connected());
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(dev.read(buf.data(), 3, got, error));
    dev.close();
    ASSERT_TRUE(server.reconnectPort());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    openClient();
    send({0xA0, 0x00, 0x00});
    EXPECT_EQ(receive(3).size(), 3u);

    server.stop();
    EXPECT_FALSE(server.running());
}

TEST(SimLink, LinkReplacesAnOldOne)
{
    QTemporaryDir tmp;
    const std::string dir = tmp.filePath(QStringLiteral("a/b")).toStdString();
    ASSERT_TRUE(sim::linkComPort(dir, 2, "/dev/null"));
    ASSERT_TRUE(sim::linkComPort(dir, 2, "/dev/zero"));
    EXPECT_EQ(QFileInfo(QString::fromStdString(dir + "/COM2")).symLinkTarget(), QStringLiteral("/dev/zero"));
    std::string error;
    EXPECT_FALSE(sim::linkComPort("/proc/no/such", 1, "/dev/null", &error));
    EXPECT_FALSE(error.empty());
}
