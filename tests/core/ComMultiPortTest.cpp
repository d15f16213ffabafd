// The serial port component end to end on a pseudo-terminal served by the
// device simulator: open errors, timeouts, locking, trace lines and a device
// that goes away.
#include "common/GiveUp.h"
#include "core/ComMultiPort.h"
#include "core/ComponentVersion.h"
#include "core/FileLogger.h"
#include "common/PortLock.h"
#include "sim/SimServer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// A stretch in which the program does not get the processor and the device
// pauses with it: the next wait on the line takes longer than it asked and
// sees nothing; the device's answer arrives at the look after it.
struct Stall {
    dev_t Line = 0;
    int Device = -1;
    sim::Bytes Answer;
    bool Over = false, Answered = false;
};
std::optional<Stall> StallAhead;

} // namespace

// This program's poll(): the system's, but for a stall ahead on its line.
// (The system's declaration calls the array write-only; its descriptors are
// read here as the system reads them.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
extern "C" int poll(struct pollfd *fds, nfds_t count, int timeout)
{
    struct stat st {};
    const int fd = StallAhead && count == 1 ? fds[0].fd : -1;
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == StallAhead->Line) {
        if (!std::exchange(StallAhead->Over, true)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max(timeout, 0)) + 300ms);
            return 0;
        }
        if (!std::exchange(StallAhead->Answered, true))
            [[maybe_unused]] const ssize_t n = ::write(StallAhead->Device, StallAhead->Answer.data(), StallAhead->Answer.size());
    }
    timespec wait{timeout / 1000, timeout % 1000 * 1000000L};
    return ::ppoll(fds, count, timeout < 0 ? nullptr : &wait, nullptr);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

long long msSince(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

class PortTest : public ::testing::Test
{
protected:
    static constexpr int kCom = 5;
    QTemporaryDir tmp;
    QString portsDir;
    sim::SimServer sim;
    sim::Bytes reply{0xD5, 0x01, 0x02, 0x03, 0x04, 0xDF};
    std::unique_ptr<TComMultiPort> port;

    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        portsDir = tmp.filePath(QStringLiteral("ports"));
        qputenv("PORTS_DIR", QFile::encodeName(portsDir));
        // Test frames: 0x55 and three bytes, answered with `reply`.
        sim.addHandler({"test", 0x55, [](const sim::Bytes &) { return sim::FrameLength::complete(4); },
                        [this](const sim::Bytes &) { return reply; }});
        std::string error;
        ASSERT_TRUE(sim.start(&error)) << error;
        ASSERT_TRUE(sim.linkAs(portsDir.toStdString(), kCom, &error)) << error;
        port = std::make_unique<TComMultiPort>();
        ApplyProgramPortSettings(*port);
        port->SetComDevice(kCom);
    }

    void TearDown() override
    {
        port.reset();
        sim.stop();
        qunsetenv("PORTS_DIR");
    }

    void setReply(sim::Bytes bytes)
    {
        sim.withLock([&] { reply = std::move(bytes); });
    }

    bool send(TComMultiPort &p, std::initializer_list<uint8_t> bytes)
    {
        const std::vector<uint8_t> b(bytes);
        int written = -1;
        return p.WriteData(b.data(), static_cast<int>(b.size()), written) && written == static_cast<int>(b.size());
    }

    // Waits, up to the shared limit, until the line's input holds at least
    // count bytes (counted through a second descriptor of the same device):
    // a read that must get the device's answer then never depends on how
    // soon a busy machine lets the device answer.
    int inputHolds(int count)
    {
        const int fd = ::open(QFile::encodeName(portsDir + QStringLiteral("/COM5")).constData(),
                              O_RDONLY | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return -1;
        int waiting = 0;
        const auto until = std::chrono::steady_clock::now() + testsupport::GiveUp;
        while (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting < count && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(5ms);
        ::close(fd);
        return waiting;
    }

    QString openError(TComMultiPort &p)
    {
        try {
            p.Open();
        } catch (const EComPortError &e) {
            return e.Message();
        }
        return {};
    }
};

// A port that looks, at each of its reads, whether another thread could take
// its lock then (given up after seconds: the lock is held).
struct LockWatchingPort : TComMultiPort {
    bool ReadData(void *buffer, int Count, int &BytesRead) override
    {
        takers.push_back(testsupport::TakeLockElsewhere(*this));
        freeAtRead.push_back(takers.back().wait_for(2s) == std::future_status::ready);
        return TComMultiPort::ReadData(buffer, Count, BytesRead);
    }
    std::vector<bool> freeAtRead;
    std::vector<std::future<void>> takers; // each ends once the lock is let go
};

} // namespace

TEST(ComMultiPortProperties, DefaultsSpeedTableAndRegistration)
{
    TComMultiPort port;
    EXPECT_EQ(port.BaudRate(), comBRUnknown);
    EXPECT_EQ(port.ByteSize(), 8);
    EXPECT_EQ(port.ComDevice(), 1);
    EXPECT_FALSE(port.Debug());
    EXPECT_TRUE(port.ForceConfigure());
    EXPECT_EQ(port.Parity(), comNoParity);
    EXPECT_EQ(port.StopBits(), comOneStopBit);
    EXPECT_TRUE(port.UseTimeouts());
    EXPECT_FALSE(port.ThreadSafe());
    EXPECT_EQ(port.LockingStrategy(), lsAllAutomatic);
    EXPECT_FALSE(port.GetConnected());
    EXPECT_EQ(port.Timeouts()->IntervalTimeout(), 50u);
    EXPECT_EQ(port.Timeouts()->ReadMultiplier(), 10u);
    EXPECT_EQ(port.Timeouts()->ReadConstant(), 20u);
    EXPECT_EQ(port.Timeouts()->WriteMultiplier(), 10u);
    EXPECT_EQ(port.Timeouts()->WriteConstant(), 20u);

    const uint32_t speeds[16] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400,
                                 56000, 57600, 115200, 128000, 256000, 0};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(ComBaudRateSpeed(static_cast<TComBaudRate>(i)), speeds[i]);
    EXPECT_EQ(ComBaudRateFromSpeed(9600), comBR9600);
    EXPECT_EQ(ComBaudRateFromSpeed(256000), comBR256000);
    EXPECT_EQ(ComBaudRateFromSpeed(0), comBRUnknown);
    EXPECT_EQ(ComBaudRateFromSpeed(230400), comBRUnknown);

    EXPECT_FALSE(ComponentVersionOf(QStringLiteral("ComMultiPort")).isEmpty());
}

TEST(ComMultiPortProperties, LockingStrategiesSetTheEightOptions)
{
    TComMultiPort port;
    auto options = [&] {
        const TComMultiPortLockingOptions *o = port.LockingOptions();
        return std::vector<bool>{o->ManualCloseLock(), o->ManualCloseUnlock(), o->ManualOpenLock(),
                                 o->ManualOpenUnlock(), o->ManualReadLock(), o->ManualReadUnlock(),
                                 o->ManualWriteLock(), o->ManualWriteUnlock()};
    };
    const bool F = false, T = true;
    port.SetLockingStrategy(lsAllManual);
    EXPECT_EQ(options(), (std::vector<bool>{T, T, T, T, T, T, T, T}));
    port.SetLockingStrategy(lsCustom);  // leaves them as they are
    EXPECT_EQ(options(), (std::vector<bool>{T, T, T, T, T, T, T, T}));
    port.SetLockingStrategy(lsGroupWriteRead);
    EXPECT_EQ(options(), (std::vector<bool>{F, F, F, F, T, F, F, T}));
    port.SetLockingStrategy(lsAllAutomatic);
    EXPECT_EQ(options(), (std::vector<bool>{F, F, F, F, F, F, F, F}));
    port.SetLockingStrategy(lsReadDataWithControl);
    EXPECT_EQ(options(), (std::vector<bool>{F, F, F, F, T, T, F, T}));
    EXPECT_EQ(port.LockingStrategy(), lsReadDataWithControl);

    // Setting an option to the value it has changes nothing; a change makes the preset custom.
    port.LockingOptions()->SetManualReadLock(true);
    EXPECT_EQ(port.LockingStrategy(), lsReadDataWithControl);
    port.LockingOptions()->SetManualCloseLock(true);
    EXPECT_EQ(port.LockingStrategy(), lsCustom);

    port.SetLockingStrategy(lsAllAutomatic);
    TComMultiPortLockingOptions other;
    other.SetManualWriteUnlock(true);
    port.SetLockingOptions(other);
    EXPECT_EQ(port.LockingStrategy(), lsCustom);
    EXPECT_TRUE(port.LockingOptions()->ManualWriteUnlock());

    // Timeouts: Assign copies all five and notifies once.
    TComMultiPortTimeouts a, b;
    int changes = 0;
    a.OnChange = [&] { ++changes; };
    b.SetIntervalTimeout(1);
    b.SetReadMultiplier(2);
    b.SetReadConstant(300);
    b.SetWriteMultiplier(4);
    b.SetWriteConstant(5);
    a.Assign(b);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(a.IntervalTimeout() + a.ReadMultiplier() + a.ReadConstant() + a.WriteMultiplier() + a.WriteConstant(), 312u);
    a.Assign(b);
    a.SetWriteConstant(5);
    EXPECT_EQ(changes, 1);
}

TEST(ComMultiPortProperties, LockCallsNeedThreadSafe)
{
    TComMultiPort port;
    try {
        port.AcquireLock();
        FAIL() << "no exception";
    } catch (const EComPortError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Could not acquire exclusive lock when thread-safe operations are disabled"));
    }
    try {
        port.ReleaseLock();
        FAIL() << "no exception";
    } catch (const EComPortError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Could not release exclusive lock when thread-safe operations are disabled"));
    }
    // Reads and writes on a port that is not thread-safe never touch the lock.
    int n = 0;
    uint8_t b[1];
    EXPECT_FALSE(port.ReadData(b, 1, n));
    EXPECT_FALSE(port.WriteData(b, 1, n));
}

TEST(ComMultiPortProperties, ErrorStrings)
{
    EXPECT_EQ(TComMultiPort::GetErrorString(EACCES), QStringLiteral("Permission denied"));
    EXPECT_EQ(TComMultiPort::GetErrorString(ENOENT), QStringLiteral("No such file or directory"));
    errno = EINVAL;
    EXPECT_EQ(TComMultiPort::GetErrorString(99999),
              QStringLiteral("Error in GetErrorString(99999) : %1").arg(EINVAL));
}

TEST_F(PortTest, RequestAndAnswerTravelUnchanged)
{
    port->SetLockingStrategy(lsAllAutomatic);
    ASSERT_NO_THROW(port->Open());
    EXPECT_TRUE(port->GetConnected());
    EXPECT_EQ(port->DevicePath().toStdString(), sim.slavePath());
    ASSERT_TRUE(send(*port, {0x55, 0x0A, 0x0D, 0x11}));
    ASSERT_EQ(inputHolds(6), 6);
    uint8_t head = 0;
    int n = 0;
    ASSERT_TRUE(port->ReadData(&head, 1, n));
    EXPECT_EQ(head, 0xD5);
    uint8_t rest[5];
    ASSERT_TRUE(port->ReadData(rest, 5, n));
    EXPECT_EQ(n, 5);
    EXPECT_EQ(std::vector<uint8_t>(rest, rest + 5), (std::vector<uint8_t>{0x01, 0x02, 0x03, 0x04, 0xDF}));
    ASSERT_TRUE(sim.log().waitForCount(1, testsupport::GiveUp));
    EXPECT_EQ(sim.log().bytes()[0], (sim::Bytes{0x55, 0x0A, 0x0D, 0x11}));

    // Open on an open port opens nothing new; Close twice is harmless.
    ASSERT_NO_THROW(port->Open());
    port->Close();
    port->Close();
    EXPECT_FALSE(port->GetConnected());
}

TEST_F(PortTest, NothingArrivingGivesZeroedBufferAfterTheTimeouts)
{
    ASSERT_NO_THROW(port->Open());
    // The port's own timeouts: 300 + 5 * 150 ms.
    uint8_t buf[5];
    std::memset(buf, 0xEE, sizeof buf);
    int n = -1;
    const auto t0 = Clock::now();
    EXPECT_FALSE(port->ReadData(buf, 5, n));
    const auto took = msSince(t0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 5), std::vector<uint8_t>(5, 0));
    EXPECT_GE(took, 1045);
    EXPECT_LT(took, testsupport::GiveUpMs); // a hang fails by name
}

TEST_F(PortTest, ShortAnswerGivesShortCountAndZeroedTail)
{
    ASSERT_NO_THROW(port->Open());
    setReply({0xD5, 0x11, 0x22});
    ASSERT_TRUE(send(*port, {0x55, 1, 2, 3}));
    uint8_t buf[5];
    std::memset(buf, 0xEE, sizeof buf);
    int n = -1;
    const auto t0 = Clock::now();
    EXPECT_FALSE(port->ReadData(buf, 5, n));
    // The interval ends the first call; a second call for the missing two
    // bytes then waits its total of 300 + 2 * 150 ms.
    EXPECT_GE(msSince(t0), 590);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 5), (std::vector<uint8_t>{0xD5, 0x11, 0x22, 0, 0}));
    port->ReleaseLock();
}

TEST_F(PortTest, OpenErrorsNameThePortAndKeepTheSystemText)
{
    // No link for the port.
    port->SetComDevice(7);
    EXPECT_EQ(openError(*port), QStringLiteral("Error while opening port COM7 (%1/COM7) [code 2]:\r\nNo such file or directory")
                                    .arg(portsDir));
    EXPECT_FALSE(port->GetConnected());

    // A link to a device that is not there.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/ttyUSB77"), portsDir + QStringLiteral("/COM8")));
    port->SetComDevice(8);
    EXPECT_EQ(openError(*port), QStringLiteral("Error while opening port COM8 (/dev/ttyUSB77) [code 2]:\r\nNo such file or directory"));

    // A link to something that is not a serial line.
    const QString plain = tmp.filePath(QStringLiteral("plain"));
    {
        QFile f(plain);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(plain, portsDir + QStringLiteral("/COM9")));
    port->SetComDevice(9);
    EXPECT_EQ(openError(*port), QStringLiteral("Error while opening port COM9 (%1) [code %2]:\r\n%3")
                                    .arg(plain).arg(ENOTTY).arg(QString::fromLocal8Bit(strerror(ENOTTY))));

    // No speed: refused before any device is opened.
    TComMultiPort bare;
    bare.SetComDevice(kCom);
    EXPECT_EQ(openError(bare), QStringLiteral("Baud rate is not set"));
    EXPECT_FALSE(bare.GetConnected());
}

TEST_F(PortTest, PermissionDenied)
{
    if (::geteuid() != 0) {
        // A device file the user may not open.
        const QString locked = tmp.filePath(QStringLiteral("locked"));
        {
            QFile f(locked);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
        ASSERT_TRUE(QFile::link(locked, portsDir + QStringLiteral("/COM3")));
        port->SetComDevice(3);
        EXPECT_EQ(openError(*port), QStringLiteral("Error while opening port COM3 (%1) [code 13]:\r\nPermission denied").arg(locked));
        return;
    }
    // Run as root (as on a fresh CI machine): open the simulator's terminal,
    // which only root and the tty group may open, from a thread that has
    // dropped to an unprivileged user. The raw system calls change the
    // credentials of that one thread only.
    const QByteArray tmpPath = QFile::encodeName(tmp.path());
    const QByteArray portsPath = QFile::encodeName(portsDir);
    ASSERT_EQ(::chmod(tmpPath.constData(), 0755), 0);
    ASSERT_EQ(::chmod(portsPath.constData(), 0755), 0);
    struct stat st{};
    ASSERT_EQ(::stat(sim.slavePath().c_str(), &st), 0);
    ASSERT_EQ(st.st_mode & 0006, 0u) << "the terminal is open to everybody";
    QString message;
    bool dropped = false;
    std::thread([&] {
        const long nobody = 65534;
        dropped = ::syscall(SYS_setgroups, 0, nullptr) == 0
                  && ::syscall(SYS_setresgid, nobody, nobody, nobody) == 0
                  && ::syscall(SYS_setresuid, nobody, nobody, nobody) == 0;
        if (dropped)
            message = openError(*port);
    }).join();
    if (!dropped)
        GTEST_SKIP() << "cannot drop privileges here";
    EXPECT_EQ(message, QStringLiteral("Error while opening port COM5 (%1) [code 13]:\r\nPermission denied")
                           .arg(QString::fromStdString(sim.slavePath())));
    EXPECT_FALSE(port->GetConnected());
    // The lock the failed open took is free again, and root opens the port.
    EXPECT_NO_THROW(port->Open());
    EXPECT_TRUE(port->GetConnected());
}

TEST_F(PortTest, SecondProgramFindsThePortBusy)
{
    ASSERT_NO_THROW(port->Open());
    TComMultiPort other;
    ApplyProgramPortSettings(other);
    other.SetComDevice(kCom);
    EXPECT_EQ(openError(other), QStringLiteral("Error while opening port COM5 (%1) [code 16]:\r\nDevice or resource busy")
                                    .arg(QString::fromStdString(sim.slavePath())));
    EXPECT_FALSE(other.GetConnected());
    port->Close();
    EXPECT_NO_THROW(other.Open());
    EXPECT_TRUE(other.GetConnected());
}

TEST_F(PortTest, SettingsThatCannotBeAppliedCloseThePortAndRaise)
{
    port->SetBaudRate(comBR14400);  // no such speed on this system
    const QString message = openError(*port);
    EXPECT_EQ(message, QStringLiteral("Error while opening port COM5 (%1) [code 22]:\r\nInvalid argument")
                           .arg(QString::fromStdString(sim.slavePath())));
    EXPECT_FALSE(port->GetConnected());
    // The device was let go: another port opens it.
    TComMultiPort other;
    ApplyProgramPortSettings(other);
    other.SetComDevice(kCom);
    EXPECT_NO_THROW(other.Open());
}

TEST_F(PortTest, OpenReleasesTheLockOnEveryPath)
{
    port->SetLockingStrategy(lsAllAutomatic);
    auto lockIsFree = [&] {
        return std::async(std::launch::async, [&] {
                   port->AcquireLock();
                   port->ReleaseLock();
                   return true;
               }).wait_for(testsupport::GiveUp) == std::future_status::ready;
    };
    port->SetComDevice(7);  // no link
    EXPECT_THROW(port->Open(), EComPortError);
    EXPECT_TRUE(lockIsFree());
    port->SetBaudRate(comBRUnknown);
    EXPECT_THROW(port->Open(), EComPortError);
    EXPECT_TRUE(lockIsFree());
    port->SetBaudRate(comBR14400);
    port->SetComDevice(kCom);
    EXPECT_THROW(port->Open(), EComPortError);
    EXPECT_TRUE(lockIsFree());
    port->SetBaudRate(comBR9600);
    EXPECT_NO_THROW(port->Open());
    EXPECT_TRUE(lockIsFree());
}

TEST_F(PortTest, WriteKeepsTheLockUntilTheProtocolReleasesIt)
{
    ASSERT_NO_THROW(port->Open());
    ASSERT_TRUE(send(*port, {0x55, 1, 1, 1}));  // takes the lock and keeps it

    // Another thread's request waits for the lock.
    std::atomic<bool> otherSent{false};
    std::thread other([&] {
        const bool ok = send(*port, {0x55, 2, 2, 2});
        uint8_t answer[6];
        int n = 0;
        port->ReadData(answer, 6, n);
        port->ReleaseLock();
        otherSent = ok;
    });
    uint8_t answer[6];
    int n = 0;
    ASSERT_GE(inputHolds(6), 6);
    EXPECT_TRUE(port->ReadData(answer, 6, n));  // reads neither take nor release
    EXPECT_EQ(answer[0], 0xD5);
    // The first request's answer is read before the second request goes out.
    EXPECT_FALSE(sim.log().waitForCount(2, 150ms));
    EXPECT_FALSE(otherSent);
    // Re-entrant for the owner: taking it again and giving that back keeps it held.
    port->AcquireLock();
    port->ReleaseLock();
    EXPECT_FALSE(sim.log().waitForCount(2, 100ms));
    port->ReleaseLock();
    other.join();
    EXPECT_TRUE(otherSent);
    const auto frames = sim.log().bytes();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0][1], 1);
    EXPECT_EQ(frames[1][1], 2);
}

TEST_F(PortTest, ReleaseByAThreadThatDoesNotHoldTheLockIsIgnored)
{
    ASSERT_NO_THROW(port->Open());
    port->AcquireLock();
    std::thread([&] { port->ReleaseLock(); }).join();
    auto taken = std::async(std::launch::async, [&] {
        port->AcquireLock();
        port->ReleaseLock();
    });
    EXPECT_EQ(taken.wait_for(150ms), std::future_status::timeout);
    port->ReleaseLock();
    EXPECT_EQ(taken.wait_for(testsupport::GiveUp), std::future_status::ready);
    // A release with nothing held does nothing either.
    port->ReleaseLock();
    port->AcquireLock();
    port->ReleaseLock();
}

// Another thread's request and its answer never fall between the read of the
// owed answer and the emptying of the input that follows.
TEST_F(PortTest, AnOwedAnswerIsDroppedUnderTheLock)
{
    LockWatchingPort watching;
    ApplyProgramPortSettings(watching);
    watching.SetComDevice(kCom);
    ASSERT_NO_THROW(watching.Open());
    ASSERT_TRUE(send(watching, {0x55, 1, 1, 1}));
    watching.ReleaseLock();
    ASSERT_TRUE(sim.log().waitForCount(1, testsupport::GiveUp));
    watching.DropOwedAnswer(6);
    EXPECT_EQ(watching.freeAtRead, std::vector<bool>{false});
    EXPECT_TRUE(testsupport::PortLockFree(watching));
}

// An owed answer shorter than the other device's error frame ends at its own
// length: the reader's answer right behind it is not taken for its rest.
TEST_F(PortTest, AnOwedAnswerShorterThanAnErrorFrameEndsAtItsLength)
{
    ASSERT_NO_THROW(port->Open());
    const sim::Bytes own = reply;
    sim::Bytes both{0xD5, 0x07, 0xDC};
    both.insert(both.end(), own.begin(), own.end());
    setReply(both);
    port->OweAnswer({0xD5, 3, 0xEE, 6}, 1);
    ASSERT_TRUE(send(*port, {0x55, 1, 1, 1}));
    ASSERT_EQ(inputHolds(int(both.size())), int(both.size()));
    std::vector<uint8_t> answer(6);
    ASSERT_EQ(port->ReadAnswerStart(answer.data(), {0xD5, 6}), 1);
    int n = 0;
    EXPECT_TRUE(port->ReadData(answer.data() + 1, 5, n));
    port->ReleaseLock();
    EXPECT_EQ(answer, own);
}

TEST_F(PortTest, GroupWriteReadReleasesOnTheRead)
{
    port->SetLockingStrategy(lsGroupWriteRead);
    ASSERT_NO_THROW(port->Open());
    ASSERT_TRUE(send(*port, {0x55, 1, 1, 1}));
    auto taken = std::async(std::launch::async, [&] {
        port->AcquireLock();
        port->ReleaseLock();
    });
    EXPECT_EQ(taken.wait_for(150ms), std::future_status::timeout);
    uint8_t answer[6];
    int n = 0;
    ASSERT_EQ(inputHolds(6), 6);
    EXPECT_TRUE(port->ReadData(answer, 6, n));
    EXPECT_EQ(taken.wait_for(testsupport::GiveUp), std::future_status::ready);

    // All automatic: nothing stays held after a write.
    port->SetLockingStrategy(lsAllAutomatic);
    ASSERT_TRUE(send(*port, {0x55, 1, 1, 1}));
    auto free = std::async(std::launch::async, [&] {
        port->AcquireLock();
        port->ReleaseLock();
    });
    EXPECT_EQ(free.wait_for(testsupport::GiveUp), std::future_status::ready);
    ASSERT_EQ(inputHolds(6), 6);
    EXPECT_TRUE(port->ReadData(answer, 6, n));
}

TEST_F(PortTest, ShortWriteIsAFailure)
{
    // A line nobody reads: the output fills and the write timeout ends the write.
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(name), portsDir + QStringLiteral("/COM6")));
    port->SetLockingStrategy(lsAllAutomatic);
    port->SetComDevice(6);
    port->Timeouts()->SetWriteConstant(100);
    port->Timeouts()->SetWriteMultiplier(0);
    ASSERT_NO_THROW(port->Open());
    std::vector<uint8_t> big(1 << 20, 0x5A);
    int written = -1;
    EXPECT_FALSE(port->WriteData(big.data(), static_cast<int>(big.size()), written));
    EXPECT_GT(written, 0);
    EXPECT_LT(written, static_cast<int>(big.size()));
    port->Close();
    ::close(master);
    ::close(slave);
}

// A read that loses the processor for longer than the port's wait, the device
// pausing with it, still takes the answer that comes once both run again:
// the wait counts the time the line was watched.
TEST_F(PortTest, AStallLongerThanTheWaitDoesNotUseItUp)
{
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(name), portsDir + QStringLiteral("/COM6")));
    struct stat line {};
    ASSERT_EQ(::fstat(slave, &line), 0);
    port->SetComDevice(6);
    ASSERT_NO_THROW(port->Open());
    StallAhead = Stall{line.st_rdev, master, reply};
    std::vector<uint8_t> answer(reply.size());
    int n = 0;
    port->ReadData(answer.data(), int(answer.size()), n);
    const bool stalled = StallAhead->Over;
    StallAhead.reset();
    EXPECT_TRUE(stalled);
    EXPECT_EQ(answer, reply);
    port->Close();
    ::close(master);
    ::close(slave);
}

TEST_F(PortTest, PurgeDropsALeftOverAnswer)
{
    port->SetLockingStrategy(lsAllAutomatic);
    EXPECT_FALSE(port->PurgeInput());  // closed
    ASSERT_NO_THROW(port->Open());
    // An answer nobody read is waiting in the input.
    setReply({0xD5, 0x0A, 0x0B, 0x0C, 0x0D, 0xDF});
    ASSERT_TRUE(send(*port, {0x55, 1, 1, 1}));
    ASSERT_TRUE(sim.log().waitForCount(1, testsupport::GiveUp));
    // The whole answer waits in the device's input.
    ASSERT_EQ(inputHolds(6), 6);
    EXPECT_TRUE(port->PurgeInput());
    setReply({0xD5, 0x01, 0x02, 0x03, 0x04, 0xDF});
    ASSERT_TRUE(send(*port, {0x55, 2, 2, 2}));
    ASSERT_EQ(inputHolds(6), 6);
    uint8_t answer[6];
    int n = 0;
    ASSERT_TRUE(port->ReadData(answer, 6, n));
    EXPECT_EQ(std::vector<uint8_t>(answer, answer + 6), (std::vector<uint8_t>{0xD5, 0x01, 0x02, 0x03, 0x04, 0xDF}));
    // Nothing else is left.
    EXPECT_FALSE(port->ReadData(answer, 1, n));
    EXPECT_EQ(n, 0);
}

TEST_F(PortTest, ChangedSettingsReachAnOpenPortAtOnce)
{
    ASSERT_NO_THROW(port->Open());
    const int probe = ::open(sim.slavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0);
    termios tio;
    ASSERT_EQ(tcgetattr(probe, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
    port->SetBaudRate(comBR57600);
    port->SetStopBits(comTwoStopBits);
    ASSERT_EQ(tcgetattr(probe, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B57600));
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);

    // Without ForceConfigure the port's own settings are read back on open.
    port->Close();
    port->SetForceConfigure(false);
    port->SetBaudRate(comBRUnknown);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    ASSERT_EQ(tcsetattr(probe, TCSANOW, &tio), 0);
    ASSERT_NO_THROW(port->Open());
    EXPECT_EQ(port->BaudRate(), comBR19200);
    EXPECT_EQ(port->ByteSize(), 8);
    ::close(probe);

    // Changing the port number closes the port, even to the same number.
    port->SetComDevice(kCom);
    EXPECT_FALSE(port->GetConnected());
}

TEST_F(PortTest, DeviceThatGoesAwayFailsCleanlyAndComesBack)
{
    ASSERT_NO_THROW(port->Open());
    sim.disconnectPort();
    EXPECT_FALSE(QFileInfo(portsDir + QStringLiteral("/COM5")).isSymLink());
    int n = -1;
    EXPECT_FALSE(send(*port, {0x55, 1, 2, 3}));
    port->ReleaseLock();
    uint8_t buf[6];
    EXPECT_FALSE(port->ReadData(buf, 6, n));
    EXPECT_EQ(n, 0);
    port->Close();
    EXPECT_TRUE(openError(*port).startsWith(QStringLiteral("Error while opening port COM5 (")));

    ASSERT_TRUE(sim.reconnectPort());
    ASSERT_NO_THROW(port->Open());
    ASSERT_TRUE(send(*port, {0x55, 1, 2, 3}));
    ASSERT_EQ(inputHolds(6), 6);
    EXPECT_TRUE(port->ReadData(buf, 6, n));
    port->ReleaseLock();

    // The cable is pulled while a request is out, and plugged in again.
    sim.injectFault(sim::Fault::vanish(100));
    ASSERT_TRUE(send(*port, {0x55, 4, 5, 6}));
    EXPECT_FALSE(port->ReadData(buf, 6, n));
    port->ReleaseLock();
    port->Close();
    for (int i = 0; i < testsupport::GiveUpMs / 20 && !(sim.connected() && QFileInfo(portsDir + QStringLiteral("/COM5")).isSymLink()); ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(sim.connected());
    ASSERT_NO_THROW(port->Open());
    ASSERT_TRUE(send(*port, {0x55, 7, 8, 9}));
    ASSERT_EQ(inputHolds(6), 6);
    EXPECT_TRUE(port->ReadData(buf, 6, n));
    port->ReleaseLock();
}

TEST_F(PortTest, TraceLines)
{
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    port->SetLockingStrategy(lsAllAutomatic);
    port->SetDebug(true);
    EXPECT_TRUE(port->Debug());
    const QStringList logs = QDir(folder.path()).entryList({QStringLiteral("log_*.txt")});
    ASSERT_EQ(logs.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^log_\\d{4}-\\d\\d-\\d\\d_\\d\\d\\.\\d\\d\\.\\d\\d\\.txt$"))
                    .match(logs[0]).hasMatch()) << logs[0].toStdString();

    ASSERT_NO_THROW(port->Open());
    ASSERT_TRUE(send(*port, {0x55, 0x0A, 0xFF, 0x00}));
    ASSERT_EQ(inputHolds(6), 6);
    uint8_t head = 0, rest[5], more[3];
    int n = 0;
    ASSERT_TRUE(port->ReadData(&head, 1, n));
    ASSERT_TRUE(port->ReadData(rest, 5, n));
    EXPECT_FALSE(port->ReadData(more, 3, n));
    port->SetComDevice(kCom);  // level 1: written while the trace is on
    port->SetDebug(false);
    EXPECT_FALSE(send(*port, {0x55, 0, 0, 0}));  // closed port, trace off: no line
    QDir::setCurrent(previous);

    QFile f(folder.filePath(logs[0]));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 6) << text.toStdString();  // five lines and the empty tail
    const QString prefix = QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\(\\d+\\): ");
    const QStringList bodies = {
        QStringLiteral("  WriteData \\(Req:4 Wrote:4\\) << \\$55 \\$0A \\$FF \\$00"),
        QStringLiteral("  ReadData  \\(Req:1 Read:1\\)  >> \\$D5"),
        QStringLiteral(" {35}\\$01 \\$02 \\$03 \\$04 \\$DF \\(Req:5 Read:5\\)"),
        QStringLiteral(" {35}\\$00 \\$00 \\$00 \\(Req:3 Read:0\\)"),
        QStringLiteral("ComDevice: 5"),
    };
    for (int i = 0; i < bodies.size(); ++i) {
        const QString line = QString::fromLatin1(lines[i]);
        EXPECT_TRUE(QRegularExpression(prefix + bodies[i] + QStringLiteral("\r$")).match(line).hasMatch())
            << line.toStdString();
    }
    port.reset();  // the port that opened the trace file closes it
    EXPECT_FALSE(FileLoggerOpen());
}
