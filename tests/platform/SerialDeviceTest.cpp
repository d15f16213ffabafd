// The serial device layer on a real pseudo-terminal: raw line settings,
// exclusive use, read and write timeouts, and a device that goes away.
#include "common/GiveUp.h"
#include "platform/SerialDevice.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

// A pseudo-terminal pair; the test plays the device on the master side.
struct Pty {
    int master = -1;
    int slave = -1;
    QString slavePath;
    Pty()
    {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0)
            slavePath = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        closeMaster();
        if (slave >= 0)
            ::close(slave);
    }
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    void send(const std::vector<uint8_t> &bytes) const
    {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
};

// Opens the slave side at 9600 8N1 raw.
void openRaw(SerialDevice &dev, const Pty &pty)
{
    int error = 0;
    ASSERT_TRUE(dev.open(pty.slavePath, error)) << error;
    ASSERT_TRUE(dev.applyLineSettings({9600, 8, 0, 0}, error)) << error;
}

long long msSince(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

} // namespace

TEST(SerialDevice, RawModeWithGivenFraming)
{
    Pty pty;
    ASSERT_FALSE(pty.slavePath.isEmpty());
    // Start from a cooked terminal, as a tty has it by default.
    termios cooked;
    ASSERT_EQ(tcgetattr(pty.slave, &cooked), 0);
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    cooked.c_iflag |= ICRNL | IXON;
    cooked.c_oflag |= OPOST;
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &cooked), 0);

    SerialDevice dev;
    int error = 0;
    ASSERT_TRUE(dev.open(pty.slavePath, error)) << error;
    ASSERT_TRUE(dev.applyLineSettings({9600, 8, 0, 0}, error)) << error;
    termios tio;
    ASSERT_EQ(tcgetattr(pty.slave, &tio), 0);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));

    // Speed and stop bits reach the line (a pseudo-terminal keeps 8 data bits
    // and no parity whatever it is told, so framing is checked on the record).
    ASSERT_TRUE(dev.applyLineSettings({19200, 8, 0, 2}, error));
    SerialLineSettings got;
    ASSERT_TRUE(dev.readLineSettings(got, error));
    EXPECT_EQ(got.baudRate, 19200u);
    EXPECT_EQ(got.stopBits, 2);
    for (uint8_t parity = 0; parity <= 4; ++parity) {
        for (uint8_t size = 5; size <= 8; ++size) {
            termios t = cooked;
            configureRawTermios(t, {115200, size, parity, 1});
            const SerialLineSettings back = settingsFromTermios(t);
            EXPECT_EQ(back.baudRate, 115200u);
            EXPECT_EQ(back.byteSize, size);
            EXPECT_EQ(back.parity, parity);
            EXPECT_EQ(back.stopBits, 2);
            EXPECT_EQ(t.c_lflag & ICANON, 0u);
        }
    }
    ASSERT_TRUE(dev.applyLineSettings({9600, 8, 0, 0}, error));

    // A CR and a LF pass unchanged in both directions.
    size_t n = 0;
    const uint8_t out[] = {0x0D, 0x0A, 0x11, 0x13, 0x03};
    ASSERT_TRUE(dev.write(out, sizeof out, n, error));
    uint8_t echoed[5] = {};
    ASSERT_EQ(::read(pty.master, echoed, 5), 5);
    EXPECT_EQ(std::vector<uint8_t>(echoed, echoed + 5), std::vector<uint8_t>(out, out + 5));
    pty.send({0x0D, 0x0A, 0x11, 0x13, 0x03});
    dev.setTimeouts({50, 0, 200, 0, 0});
    uint8_t in[5] = {};
    ASSERT_TRUE(dev.read(in, 5, n, error));
    EXPECT_EQ(n, 5u);
    EXPECT_EQ(std::vector<uint8_t>(in, in + 5), std::vector<uint8_t>(out, out + 5));
}

TEST(SerialDevice, UnsupportedSpeedIsRefused)
{
    Pty pty;
    SerialDevice dev;
    int error = 0;
    ASSERT_TRUE(dev.open(pty.slavePath, error));
    EXPECT_FALSE(dev.applyLineSettings({14400, 8, 0, 0}, error));
    EXPECT_EQ(error, EINVAL);
    EXPECT_FALSE(dev.applyLineSettings({9600, 9, 0, 0}, error));
    EXPECT_EQ(error, EINVAL);
}

TEST(SerialDevice, SecondOpenOfOneDeviceIsBusyUntilClosed)
{
    Pty pty;
    SerialDevice first, second;
    int error = 0;
    ASSERT_TRUE(first.open(pty.slavePath, error));
    EXPECT_FALSE(second.open(pty.slavePath, error));
    EXPECT_EQ(error, EBUSY);
    EXPECT_FALSE(second.isOpen());
    first.close();
    EXPECT_TRUE(second.open(pty.slavePath, error)) << error;
}

TEST(SerialDevice, OpenFailuresKeepTheSystemError)
{
    SerialDevice dev;
    int error = 0;
    EXPECT_FALSE(dev.open(QStringLiteral("/nonexistent/ttyUSB9"), error));
    EXPECT_EQ(error, ENOENT);
    // A plain file is no serial line.
    EXPECT_FALSE(dev.open(QStringLiteral("/proc/self/status"), error));
    EXPECT_EQ(error, ENOTTY);
    EXPECT_EQ(systemErrorText(EACCES), QStringLiteral("Permission denied"));
    EXPECT_EQ(systemErrorText(EBUSY), QStringLiteral("Device or resource busy"));
    EXPECT_TRUE(systemErrorText(99999).isEmpty());
}

TEST(SerialDevice, ReadEndsAtTotalTimeoutWithNothing)
{
    Pty pty;
    SerialDevice dev;
    int error = 0;
    ASSERT_NO_FATAL_FAILURE(openRaw(dev, pty));
    dev.setTimeouts({20, 30, 60, 0, 0});  // total 60 + 30 * 4 = 180 ms
    uint8_t buf[4];
    size_t got = 99;
    const auto t0 = Clock::now();
    EXPECT_TRUE(dev.read(buf, 4, got, error));
    const auto took = msSince(t0);
    EXPECT_EQ(got, 0u);
    EXPECT_GE(took, 175);
    EXPECT_LT(took, testsupport::GiveUpMs); // a hang fails by name
}

TEST(SerialDevice, ReadEndsAtIntervalAfterTheLastByte)
{
    Pty pty;
    SerialDevice dev;
    int error = 0;
    ASSERT_NO_FATAL_FAILURE(openRaw(dev, pty));
    dev.setTimeouts({60, 0, 3 * testsupport::GiveUpMs, 0, 0});
    pty.send({1, 2, 3});
    uint8_t buf[5] = {};
    size_t got = 0;
    const auto t0 = Clock::now();
    EXPECT_TRUE(dev.read(buf, 5, got, error));
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(buf[2], 3);
    // The interval ended the call long before the total.
    EXPECT_LT(msSince(t0), testsupport::GiveUpMs);
}

TEST(SerialDevice, ImmediateReadReturnsWhatIsThere)
{
    Pty pty;
    SerialDevice dev;
    int error = 0;
    ASSERT_NO_FATAL_FAILURE(openRaw(dev, pty));
    dev.setTimeouts({kReadReturnImmediately, 0, 0, 0, 0});
    uint8_t buf[4];
    size_t got = 7;
    EXPECT_TRUE(dev.read(buf, 4, got, error));
    EXPECT_EQ(got, 0u);
}

TEST(SerialDevice, DeviceGoneFailsReadAndWrite)
{
    Pty pty;
    SerialDevice dev;
    int error = 0;
    ASSERT_NO_FATAL_FAILURE(openRaw(dev, pty));
    dev.setTimeouts({50, 10, 500, 10, 100});
    ::close(pty.slave);  // only our handle stays on the slave side
    pty.slave = -1;
    pty.closeMaster();
    uint8_t buf[4];
    size_t n = 0;
    EXPECT_FALSE(dev.read(buf, 4, n, error));
    EXPECT_EQ(error, EIO);
    const uint8_t out[] = {1, 2, 3, 4};
    EXPECT_FALSE(dev.write(out, 4, n, error));
    EXPECT_EQ(error, EIO);
}

TEST(SerialDevice, WriteStopsAtWriteTimeoutWhenNobodyReads)
{
    Pty pty;
    SerialDevice dev;
    int error = 0;
    ASSERT_NO_FATAL_FAILURE(openRaw(dev, pty));
    dev.setTimeouts({0, 0, 0, 0, 100});
    std::vector<uint8_t> big(1 << 20, 0x5A);
    size_t written = 0;
    EXPECT_TRUE(dev.write(big.data(), big.size(), written, error));
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, big.size());
}
