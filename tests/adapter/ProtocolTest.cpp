// The module protocol: the CRC-16, request framing, answer and error-frame
// checks, the repeat and its outcome reports, and the port lock, both on fed
// answer bytes and end to end against the simulated adapter box on a
// pseudo-terminal.
#include "common/GiveUp.h"
#include "adapter/AdapterProtocol.h"
#include "common/PortLock.h"
#include "core/ComMultiPort.h"
#include "core/Crc16.h"
#include "sim/SimAdapter.h"
#include "sim/SimControllerFixture.h"
#include "sim/SimServer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <deque>
#include <functional>
#include <future>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {


// A protocol whose answers are fed from a byte queue instead of a port.
class FedProtocol : public TAdapterProtocol
{
public:
    FedProtocol() : TAdapterProtocol(nullptr, 4, 0xEE, 0xD2, 0xC2) {}
    std::deque<uint8_t> input;
    std::vector<Bytes> written;
    int bytesRead = 0;
    int releases = 0;
    int failWrites = 0, silentReads = 0; // the next writes that send nothing, reads that hear nothing
    std::vector<std::pair<int, int>> owed; // answers owed: (answers, bytes each)
    std::vector<int> dropped;              // owed answers dropped: bytes

protected:
    bool WritePort(const uint8_t *bytes, int count, int &n) override
    {
        n = 0;
        if (failWrites > 0 && failWrites--)
            return false;
        written.emplace_back(bytes, bytes + count);
        n = count;
        return true;
    }
    bool ReadPort(uint8_t *buffer, int count, int &n) override
    {
        n = 0;
        if (silentReads > 0 && silentReads--)
            return count == 0;
        while (n < count && !input.empty()) {
            buffer[n++] = input.front();
            input.pop_front();
        }
        bytesRead += n;
        return n == count;
    }
    void ReleasePortLock() override { ++releases; }
    void OweAnswer(int answers, int count) override { owed.emplace_back(answers, count); }
    void DropOwedAnswer(int count) override { dropped.push_back(count); }
};

// Counts the lock releases of a real protocol.
class CountingProtocol : public TAdapterProtocol
{
public:
    explicit CountingProtocol(TComMultiPort *port) : TAdapterProtocol(port, 4, 0xEE, 0xD2, 0xC2) {}
    int releases = 0;

protected:
    void ReleasePortLock() override
    {
        ++releases;
        TAdapterProtocol::ReleasePortLock();
    }
};

} // namespace

TEST(AdapterProtocol, Crc16AndRequestFrames)
{
    const QByteArray check("123456789");
    EXPECT_EQ(Crc16Compute(reinterpret_cast<const uint8_t *>(check.constData()), 9, 0, Crc16Polynomial), 0x31C3);
    EXPECT_EQ(Crc16Compute(nullptr, 0, 0, Crc16Polynomial), 0);
    // Presence queries as the modules fill them (placeholder last), as they
    // go out: the CRC of the bytes before the placeholder, high byte first.
    FedProtocol protocol;
    const uint8_t adapterQuery[4] = {0xC2, 0x01, 0x01, 0x5A};
    const uint8_t obdQuery[4] = {0xC2, 0x70, 0x01, 0x00};
    EXPECT_TRUE(protocol.Send(adapterQuery, 4));
    EXPECT_TRUE(protocol.Send(obdQuery, 4));
    ASSERT_EQ(protocol.written.size(), 2u);
    EXPECT_EQ(protocol.written[0], (Bytes{0xC2, 0x01, 0x01, 0x6B, 0x87}));
    EXPECT_EQ(protocol.written[1], (Bytes{0xC2, 0x70, 0x01, 0x50, 0xEF}));
}

// The simulated box refuses an OBD write shorter than its data, storing
// nothing, and takes one of full length.
TEST(AdapterProtocol, SimulatedBoxRefusesShortObdWrites)
{
    sim::SimAdapter box;
    for (const uint8_t command : {0x72, 0x7B, 0x89}) {
        const sim::SimObdState before = box.State.Obd;
        const size_t data = sim::SimAdapter::ObdWriteLength(command) - 4;
        for (const size_t given : {size_t(0), size_t(1), data - 1}) {
            EXPECT_EQ(box.Handle(sim::SimAdapter::Request(command, Bytes(given, 0x11))), sim::SimAdapter::ErrorFrame(0x01))
                << int(command) << " " << given;
            EXPECT_EQ(box.State.Obd.Config, before.Config);
            EXPECT_EQ(box.State.Obd.Allowed, before.Allowed);
            EXPECT_EQ(box.State.Obd.Banks, before.Banks);
        }
        Bytes whole(data, 0x11);
        whole[0] = 0x10; // bank 1, first half for 0x89
        EXPECT_NE(box.Handle(sim::SimAdapter::Request(command, whole)), sim::SimAdapter::ErrorFrame(0x01)) << int(command);
    }
    Bytes allowed(8, 0x11);
    allowed[0] = 0x10;
    EXPECT_EQ(box.State.Obd.Allowed, allowed);
    EXPECT_EQ(box.State.Obd.Banks[0][0], 0x11);
}

TEST(AdapterProtocol, AnswersErrorFramesAndTheirReports)
{
    FedProtocol p;
    std::vector<bool> reports;
    p.SetDeviceCompatible = [&](bool ok) { reports.push_back(ok); };
    uint8_t buffer[8];
    bool isError = true;
    auto receive = [&](Bytes bytes, int count) {
        p.input.assign(bytes.begin(), bytes.end());
        p.bytesRead = 0;
        std::fill(std::begin(buffer), std::end(buffer), 0x99);
        return p.Receive(buffer, isError, count);
    };

    EXPECT_TRUE(receive({0xD2, 0x05, 0xA5, 0x7C}, 4));
    EXPECT_FALSE(isError);
    EXPECT_EQ(Bytes(buffer, buffer + 5), (Bytes{0xD2, 0x05, 0xA5, 0x7C, 0x99}));
    // A wrong sum zeroes the answer; a first attempt's failure is not reported.
    EXPECT_FALSE(receive({0xD2, 0x05, 0xA5, 0x7D}, 4));
    EXPECT_EQ(Bytes(buffer, buffer + 5), (Bytes{0, 0, 0, 0, 0x99}));
    // An error frame followed by silence, where six bytes were expected.
    EXPECT_TRUE(receive({0xD2, 0xEE, 0x03, 0xC3}, 6));
    EXPECT_TRUE(isError);
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0xD2, 0xEE, 0x03, 0xC3}));
    // EE in byte 1 of an answer at its full length is no error frame; it is
    // read whole, nothing of it left for the next request.
    EXPECT_FALSE(receive({0xD2, 0xEE, 0x03, 0x01, 0x02, 0xC6}, 6));
    EXPECT_TRUE(p.input.empty());
    EXPECT_EQ(Bytes(buffer, buffer + 7), (Bytes{0, 0, 0, 0, 0, 0, 0x99}));
    // A wrong start byte ends the read after that byte.
    EXPECT_FALSE(receive({0xD0, 0x05, 0xA5, 0x7C}, 4));
    EXPECT_EQ(p.bytesRead, 1);
    // An error frame with a bad sum fails too.
    EXPECT_FALSE(receive({0xD2, 0xEE, 0x03, 0xC4}, 6));
    EXPECT_EQ(reports, (std::vector<bool>{true, true}));
    EXPECT_EQ(p.releases, 6);

    // The repeat: two failures give one report, a second-attempt success one.
    reports.clear();
    const uint8_t request[4] = {0xC2, 0x01, 0x01, 0};
    int written = 0;
    p.input.clear();
    EXPECT_FALSE(p.Execute(request, written, 4, buffer, isError, 4));
    EXPECT_EQ(written, 5);
    EXPECT_EQ(reports, (std::vector<bool>{false}));
    EXPECT_FALSE(p.LastAttempt);
    reports.clear();
    p.RetryEnabled = false;
    EXPECT_FALSE(p.Execute(request, written, 4, buffer, isError, 4));
    EXPECT_TRUE(reports.empty()); // without the repeat a failed receive is never told
    EXPECT_EQ(p.releases, 9);

    // Answers owed by tries whose request went out and heard nothing: the
    // first try unheard and the repeat refused, the first try's request never
    // sent and the repeat unheard or answered.
    p.RetryEnabled = true;
    const struct {
        const char *name;
        int failWrites, silentReads, count;
        Bytes answers;
        std::vector<std::pair<int, int>> owed;
        std::vector<int> dropped;
    } rows[] = {
        {"refused on the repeat", 0, 1, 6, {0xD2, 0xEE, 0x03, 0xC3}, {}, {4}},
        {"first request unsent, repeat unheard", 1, 0, 4, {}, {{1, 4}}, {}},
        {"first request unsent, repeat answered", 1, 0, 4, {0xD2, 0x05, 0xA5, 0x7C}, {}, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        p.owed.clear();
        p.dropped.clear();
        std::tie(p.failWrites, p.silentReads) = std::tie(row.failWrites, row.silentReads);
        p.input.assign(row.answers.begin(), row.answers.end());
        EXPECT_EQ(p.Execute(request, written, 4, buffer, isError, row.count), !row.answers.empty());
        EXPECT_EQ(std::tie(p.owed, p.dropped), std::tie(row.owed, row.dropped));
    }
}

// End to end on a pseudo-terminal against the simulated box.
class AdapterProtocolSim : public ::testing::Test
{
protected:
    QTemporaryDir tmp;
    sim::SimServer server;
    sim::SimAdapter box;
    std::unique_ptr<sim::ReadRecordingPort> port;
    std::unique_ptr<CountingProtocol> protocol;
    std::vector<bool> reports;

    void SetUp() override
    {
        const QString portsDir = tmp.filePath(QStringLiteral("ports"));
        qputenv("PORTS_DIR", QFile::encodeName(portsDir));
        box.Install(server);
        box.State.Payload[0x0C] = {0x0C, 0x42};
        box.State.Payload[0x0D] = {0x0D, 0x43};
        std::string error;
        ASSERT_TRUE(server.start(&error)) << error;
        ASSERT_TRUE(server.linkAs(portsDir.toStdString(), 3, &error)) << error;
        port = std::make_unique<sim::ReadRecordingPort>();
        ApplyProgramPortSettings(*port);
        port->SetComDevice(3);
        ASSERT_NO_THROW(port->Open());
        protocol = std::make_unique<CountingProtocol>(port.get());
        protocol->SetDeviceCompatible = [this](bool ok) { reports.push_back(ok); };
    }

    void TearDown() override
    {
        protocol.reset();
        port.reset();
        server.stop();
        qunsetenv("PORTS_DIR");
    }

    // The answer to command 0C with parameter A5.
    const Bytes answer0C{0xD2, 0x0C, 0x42, 0x20};

    // Whether another thread can take the port's lock now. When it cannot,
    // this thread lets go of it so that the other thread ends.
    bool lockFree() { return testsupport::PortLockFree(*port); }

    bool exchange(uint8_t command, uint8_t parameter, uint8_t *answer, bool &isError, int answerCount)
    {
        const uint8_t request[4] = {0xC2, command, parameter, 0};
        int written = 0;
        return protocol->Execute(request, written, 4, answer, isError, answerCount);
    }
    // The whole four-byte answer to a request; empty when the exchange failed.
    Bytes ask(uint8_t command, uint8_t parameter = 0xA5)
    {
        uint8_t answer[4] = {};
        bool isError = false;
        return exchange(command, parameter, answer, isError, 4) ? Bytes(answer, answer + 4) : Bytes{};
    }
};

TEST_F(AdapterProtocolSim, ValidAnswersAndRequestsOnTheWire)
{
    uint8_t answer[4];
    bool isError = true;
    // The lock is held from the write until the outcome has been told.
    std::future<void> waiting;
    protocol->SetDeviceCompatible = [&](bool ok) {
        reports.push_back(ok);
        waiting = testsupport::TakeLockElsewhere(*port);
        EXPECT_EQ(waiting.wait_for(100ms), std::future_status::timeout);
    };
    const bool exchanged = exchange(0x01, 0x01, answer, isError, 4);
    EXPECT_TRUE(testsupport::LockTakenWithin(waiting, *port));
    ASSERT_TRUE(exchanged);
    protocol->SetDeviceCompatible = [this](bool ok) { reports.push_back(ok); };
    EXPECT_FALSE(isError);
    EXPECT_EQ(Bytes(answer, answer + 4), (Bytes{0xD2, 0x01, 0x20, 0xF3}));
    ASSERT_TRUE(server.log().waitForCount(1, testsupport::GiveUp));
    EXPECT_EQ(server.log().bytes()[0], (Bytes{0xC2, 0x01, 0x01, 0x6B, 0x87}));

    // Longer requests of random parameters all pass the box's own CRC check
    // (a shift-register form, not the program's augmented one).
    std::mt19937 random(11);
    server.withLock([&] {
        box.State.RequestLength[0x80] = 12;
        box.State.Payload[0x80] = {0x80, 1, 2, 3, 4, 5};
    });
    for (int i = 0; i < 5; ++i) {
        uint8_t request[11] = {0xC2, 0x80};
        for (int j = 2; j < 11; ++j)
            request[j] = uint8_t(random());
        uint8_t reply[8];
        int written = 0;
        ASSERT_TRUE(protocol->Execute(request, written, 11, reply, isError, 8));
        EXPECT_EQ(reply[6], 5);
    }
    server.withLock([&] { EXPECT_EQ(box.State.BadCrcRequests, 0u); });
    EXPECT_EQ(reports, std::vector<bool>(6, true));
    EXPECT_EQ(protocol->releases, 6);
    EXPECT_TRUE(lockFree());
}

TEST_F(AdapterProtocolSim, RefusedAnswersLeaveThePortFree)
{
    uint8_t answer[6];
    bool isError = false;
    // A refused request: the error frame, read whole although six bytes
    // were expected, is a valid answer.
    server.withLock([&] { box.State.Refuse[0x02] = 0x03; });
    port->reads.clear();
    EXPECT_TRUE(exchange(0x02, 0xA5, answer, isError, 6));
    EXPECT_TRUE(isError);
    EXPECT_EQ(Bytes(answer, answer + 4), (Bytes{0xD2, 0xEE, 0x03, 0xC3}));
    EXPECT_EQ(port->reads, (std::vector<std::pair<int, int>>{{1, 1}, {3, 3}}));
    EXPECT_TRUE(lockFree());

    // A bad sum, a short answer and silence, each on both attempts.
    const sim::Fault faults[] = {sim::Fault::badChecksum(), sim::Fault::truncated(2), sim::Fault::noAnswer()};
    for (const sim::Fault &fault : faults) {
        reports.clear();
        protocol->releases = 0;
        server.injectFault(fault, 2);
        EXPECT_FALSE(exchange(0x01, 0x01, answer, isError, 4));
        EXPECT_EQ(reports, (std::vector<bool>{false}));
        EXPECT_EQ(protocol->releases, 2);
        EXPECT_TRUE(lockFree());
    }
    // A failure then a good answer: one success is told.
    reports.clear();
    server.injectFault(sim::Fault::noAnswer(), 1);
    EXPECT_TRUE(exchange(0x01, 0x01, answer, isError, 4));
    EXPECT_EQ(reports, (std::vector<bool>{true}));
    EXPECT_TRUE(lockFree());

    // A request the box ignores for its CRC (as a line fault would leave it).
    const uint8_t bad[5] = {0xC2, 0x01, 0x01, 0x00, 0x00};
    int written = 0;
    port->WriteData(bad, 5, written);
    port->ReleaseLock();
    EXPECT_TRUE(server.log().waitForCount(10, testsupport::GiveUp));
    server.withLock([&] { EXPECT_EQ(box.State.BadCrcRequests, 1u); });

    // A failed write is told on each attempt and frees the lock each time.
    reports.clear();
    protocol->releases = 0;
    port->Close();
    EXPECT_FALSE(exchange(0x01, 0x01, answer, isError, 4));
    EXPECT_EQ(reports, (std::vector<bool>{false, false}));
    EXPECT_EQ(protocol->releases, 2);
    EXPECT_TRUE(lockFree());
}

// Answers later than a few tens of milliseconds and within the port's own
// wait (300 ms + 150 ms a byte for the first byte) are taken by their own
// request on its first try: one answer late, every answer late, and answers
// late at random.
TEST_F(AdapterProtocolSim, LateAnswersWithinThePortsWaitAreTakenAtOnce)
{
    struct Row { const char *name; std::function<void(sim::SimAdapterState &)> late; };
    const Row rows[] = {
        {"one answer", [](sim::SimAdapterState &s) { s.LateNext = {150}; }},
        {"every answer", [](sim::SimAdapterState &s) { s.LateMs = 120; }},
        {"at random", [](sim::SimAdapterState &s) { s.LateRandomMin = 60, s.LateRandomMax = 300; }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        server.withLock([&] {
            box.State.LateNext.clear();
            box.State.LateMs = box.State.LateRandomMax = 0;
            box.State.Delays.clear();
            row.late(box.State);
        });
        server.log().clear();
        reports.clear();
        // Two answers of one length: each request reads its own.
        EXPECT_EQ(ask(0x0C), answer0C);
        EXPECT_EQ(ask(0x0D), (Bytes{0xD2, 0x0D, 0x43, 0x22}));
        EXPECT_EQ(ask(0x0C), answer0C);
        EXPECT_EQ(server.log().count(), 3u) << "no request repeated";
        EXPECT_EQ(reports, std::vector<bool>(3, true));
        server.withLock([&] {
            ASSERT_FALSE(box.State.Delays.empty());
            EXPECT_GE(*std::max_element(box.State.Delays.begin(), box.State.Delays.end()), 60);
        });
    }
    EXPECT_TRUE(lockFree());
}

// No answer is taken by another request. A repeat that read the first try's
// late answer waits for the one owed to the repeat and drops it (a read of
// exactly its bytes, all there). A request given up costs the port's wait
// once; the next request passes over its late answer by its frame.
TEST_F(AdapterProtocolSim, NoAnswerIsLeftOwedOnTheLine)
{
    // The first answer comes only when the repeat has arrived, the repeat's
    // own 200 ms after it.
    server.withLock([&] { box.State.LateNext = {0, 200}; });
    server.injectFault(sim::Fault::held(), 1);
    port->reads.clear();
    EXPECT_EQ(ask(0x01, 0x01), (Bytes{0xD2, 0x01, 0x20, 0xF3}));
    // The first try's start byte never came; the repeat's answer; the owed
    // answer read whole, once.
    EXPECT_EQ(port->reads, (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}, {3, 3}, {4, 4}}));
    EXPECT_EQ(reports, (std::vector<bool>{true}));
    // The next request of the same answer length reads its own answer.
    EXPECT_EQ(ask(0x0C), answer0C);
    EXPECT_TRUE(lockFree());

    // No box: each presence query (no repeat) costs its own wait, no more.
    server.withLock([&] { box.State.Silent = true; });
    protocol->RetryEnabled = false;
    port->reads.clear();
    EXPECT_EQ(ask(0x01, 0x01), Bytes{});
    EXPECT_EQ(ask(0x01, 0x01), Bytes{});
    EXPECT_EQ(port->reads, (std::vector<std::pair<int, int>>{{1, 0}, {1, 0}}));
    // A port opened anew owes nothing.
    ASSERT_EQ(port->OwedAnswer(), 1);
    port->Close();
    EXPECT_EQ(port->OwedAnswer(), 0);
    ASSERT_NO_THROW(port->Open());
    EXPECT_EQ(ask(0x01, 0x01), Bytes{});
    server.withLock([&] { box.State.Silent = false; });
    // The box answers again, but not what was given up: the answer of a
    // request of another length comes first and ends what was owed.
    server.withLock([&] { box.State.Payload[0x0E] = {0x0E, 0x01, 0x02, 0x03}; });
    uint8_t longer[6] = {};
    bool isError = true;
    EXPECT_TRUE(exchange(0x0E, 0xA5, longer, isError, 6));
    EXPECT_EQ(Bytes(longer, longer + 6), sim::SimAdapter::Answer({0x0E, 0x01, 0x02, 0x03}));
    EXPECT_EQ(port->OwedAnswer(), 0);

    // Given up, the answers (one a try) coming after the next request went out,
    // or as soon as the wait has run out, before the next request: the next
    // request goes out once and reads its own.
    struct Row { const char *name; bool retry; std::vector<int> held; bool sentAsTheWaitRunsOut; int owed; };
    const Row rows[] = {{"after the next request", false, {1}, false, 1},
                        {"both tries, after the next request", true, {2, 1}, false, 2},
                        {"as the wait runs out, before the next request", false, {}, true, 1}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        for (const int frames : row.held)
            server.injectFault(sim::Fault::held(frames), 1);
        if (row.sentAsTheWaitRunsOut) {
            server.injectFault(sim::Fault::heldUntilSent(), 1);
            port->OnWaitRunOut = [this] { server.sendHeld(); };
        }
        protocol->RetryEnabled = row.retry;
        EXPECT_EQ(ask(0x01, 0x01), Bytes{});
        port->OnWaitRunOut = nullptr;
        protocol->RetryEnabled = true;
        EXPECT_EQ(port->OwedAnswer(), row.owed);
        server.log().clear();
        reports.clear();
        EXPECT_EQ(ask(0x0C), answer0C);
        EXPECT_EQ(reports, (std::vector<bool>{true}));
        EXPECT_EQ(port->OwedAnswer(), 0);
        ASSERT_TRUE(server.log().waitForCount(1, testsupport::GiveUp));
        EXPECT_EQ(server.log().count(), 1u) << "the request after the give-up went out once";
    }
    EXPECT_TRUE(lockFree());
}
