#include "platform/SerialDevice.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

struct SpeedPair {
    uint32_t bits;
    speed_t code;
};

const SpeedPair kSpeeds[] = {
    {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300},
    {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800}, {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
    {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600},
    {1000000, B1000000},
};

// Milliseconds left until deadline, rounded up so that a wait never ends
// early, for poll(); never negative.
int msLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0)
        return 0;
    return left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
}

} // namespace

unsigned speedToTermios(uint32_t baudRate)
{
    for (const SpeedPair &p : kSpeeds)
        if (p.bits == baudRate)
            return p.code;
    return 0;
}

uint32_t termiosToSpeed(unsigned speed)
{
    for (const SpeedPair &p : kSpeeds)
        if (p.code == speed)
            return p.bits;
    return 0;
}

QString systemErrorText(int code)
{
    if (code == 0 || !strerrorname_np(code))
        return {};
    return QString::fromLocal8Bit(strerror(code));
}

void configureRawTermios(termios &tio, const SerialLineSettings &settings)
{
    // Raw: no line editing, echo, signals, CR/LF mapping or flow control.
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF
                     | IXANY | INPCK | IGNPAR);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD;
    switch (settings.byteSize) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
    }
    switch (settings.parity) {
    case 1: tio.c_cflag |= PARENB | PARODD; break;
    case 2: tio.c_cflag |= PARENB; break;
    case 3: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    // One and a half stop bits exist only with 5 data bits; termios has two.
    if (settings.stopBits != 0)
        tio.c_cflag |= CSTOPB;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = speedToTermios(settings.baudRate);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
}

SerialLineSettings settingsFromTermios(const termios &tio)
{
    SerialLineSettings settings;
    settings.baudRate = termiosToSpeed(cfgetispeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5: settings.byteSize = 5; break;
    case CS6: settings.byteSize = 6; break;
    case CS7: settings.byteSize = 7; break;
    default: settings.byteSize = 8; break;
    }
    if (!(tio.c_cflag & PARENB))
        settings.parity = 0;
    else if (tio.c_cflag & CMSPAR)
        settings.parity = (tio.c_cflag & PARODD) ? 3 : 4;
    else
        settings.parity = (tio.c_cflag & PARODD) ? 1 : 2;
    settings.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
    return settings;
}

SerialDevice::~SerialDevice()
{
    close();
}

bool SerialDevice::open(const QString &path, int &error)
{
    close();
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    if (!::isatty(fd)) {
        // Plain files and other non-terminals cannot carry a serial line.
        ::close(fd);
        error = ENOTTY;
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = (errno == EWOULDBLOCK) ? EBUSY : errno;
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void SerialDevice::close()
{
    if (m_fd >= 0) {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
        m_fd = -1;
    }
}

bool SerialDevice::applyLineSettings(const SerialLineSettings &settings, int &error)
{
    if (m_fd < 0) {
        error = EBADF;
        return false;
    }
    const speed_t speed = speedToTermios(settings.baudRate);
    if (speed == 0 || settings.byteSize < 5 || settings.byteSize > 8 || settings.parity > 4
        || settings.stopBits > 2) {
        error = EINVAL;
        return false;
    }
    termios tio;
    if (::tcgetattr(m_fd, &tio) != 0) {
        error = errno;
        return false;
    }
    configureRawTermios(tio, settings);
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0) {
        error = errno;
        return false;
    }
    return true;
}

bool SerialDevice::readLineSettings(SerialLineSettings &settings, int &error) const
{
    termios tio;
    if (m_fd < 0) {
        error = EBADF;
        return false;
    }
    if (::tcgetattr(m_fd, &tio) != 0) {
        error = errno;
        return false;
    }
    settings = settingsFromTermios(tio);
    return true;
}

void LineWatch::count(Clock::duration asked)
{
    const Clock::time_point now = Clock::now();
    m_watched += std::min(now - m_last, std::max(asked, Clock::duration::zero()) + Clock::duration(Step));
    m_last = now;
}

bool SerialDevice::read(uint8_t *buffer, size_t count, size_t &got, int &error)
{
    got = 0;
    if (m_fd < 0) {
        error = EBADF;
        return false;
    }
    if (count == 0)
        return true;
    const SerialTimeouts &t = m_timeouts;
    const bool immediate = t.readInterval == kReadReturnImmediately && t.readMultiplier == 0
                           && t.readConstant == 0;
    const bool useTotal = t.readMultiplier != 0 || t.readConstant != 0;
    const bool useInterval = t.readInterval != 0 && !immediate;
    const Clock::duration total = std::chrono::milliseconds(static_cast<uint64_t>(t.readMultiplier) * count + t.readConstant);
    const Clock::duration interval = std::chrono::milliseconds(useInterval ? t.readInterval : 0);
    LineWatch watch;
    Clock::duration lastByte{};
    while (got < count) {
        // What is left of the waits in use, in watched time; the last look
        // at the line is one that does not wait.
        const bool bounded = immediate || useTotal || (useInterval && got > 0);
        Clock::duration left = immediate ? Clock::duration::zero() : Clock::duration::max();
        if (useTotal)
            left = std::min(left, total - watch.watched());
        if (useInterval && got > 0)
            left = std::min(left, lastByte + interval - watch.watched());
        left = std::max(left, Clock::duration::zero());
        const Clock::duration step = std::min<Clock::duration>(left, LineWatch::Step);
        pollfd p{m_fd, POLLIN, 0};
        const int r = ::poll(&p, 1, bounded ? static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(step).count()) : -1);
        watch.count(step);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (r == 0) {
            if (left == Clock::duration::zero())
                return true; // a timeout expired: the bytes so far
            continue;
        }
        if (!(p.revents & POLLIN) && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            error = (p.revents & POLLNVAL) ? EBADF : EIO;
            return false;
        }
        const ssize_t n = ::read(m_fd, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
            lastByte = watch.watched();
        } else if (n == 0) {
            error = EIO;  // end of file: the other side is gone
            return false;
        } else if (errno != EAGAIN && errno != EINTR) {
            error = errno;
            return false;
        }
    }
    return true;
}

bool SerialDevice::write(const uint8_t *buffer, size_t count, size_t &written, int &error)
{
    written = 0;
    if (m_fd < 0) {
        error = EBADF;
        return false;
    }
    const SerialTimeouts &t = m_timeouts;
    const bool useTotal = t.writeMultiplier != 0 || t.writeConstant != 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(
                              static_cast<uint64_t>(t.writeMultiplier) * count + t.writeConstant);
    while (written < count) {
        const ssize_t n = ::write(m_fd, buffer + written, count - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            error = errno;
            return false;
        }
        if (n < 0 && errno == EINTR)
            continue;
        pollfd p{m_fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, useTotal ? msLeft(deadline) : -1);
        if (r == 0)
            return true;  // the write timeout expired: the bytes so far
        if (r < 0 && errno != EINTR) {
            error = errno;
            return false;
        }
        if (r > 0 && !(p.revents & POLLOUT) && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            error = EIO;
            return false;
        }
    }
    return true;
}

bool SerialDevice::discardInput()
{
    return m_fd >= 0 && ::tcflush(m_fd, TCIFLUSH) == 0;
}

bool SerialDevice::waitReadable(int ms) const
{
    if (m_fd < 0)
        return true;
    pollfd p{m_fd, POLLIN, 0};
    int r = 0;
    do
        r = ::poll(&p, 1, ms);
    while (r < 0 && errno == EINTR);
    return r != 0;
}

} // namespace platform
