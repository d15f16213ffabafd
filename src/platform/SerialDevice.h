// A serial device opened by path, on POSIX termios: raw line settings,
// exclusive use between programs (flock), and blocking reads and writes
// bounded by per-call timeouts (an interval between bytes and a total that
// grows with the byte count), emulated with poll().
#pragma once

#include <QString>
#include <chrono>
#include <cstddef>
#include <cstdint>

struct termios;

namespace platform {

// Line settings. parity: 0 none, 1 odd, 2 even, 3 mark, 4 space;
// stopBits: 0 one, 1 one and a half, 2 two.
struct SerialLineSettings {
    uint32_t baudRate = 9600;
    uint8_t byteSize = 8;
    uint8_t parity = 0;
    uint8_t stopBits = 0;
};

// Per-call timeouts in milliseconds. A read call ends when Count bytes have
// arrived, when readInterval passes between two bytes (counted from the first
// byte), or when readMultiplier * Count + readConstant has passed since the
// call began, each in the time the call watched the line (LineWatch). Zero
// means "not used" for the interval and for the total (both terms zero);
// with neither in use a read waits for all its bytes. An interval of
// kReadReturnImmediately with both read totals zero returns at once with
// what is already there. A write ends when all bytes are out or after
// writeMultiplier * Count + writeConstant (both zero: no limit).
struct SerialTimeouts {
    uint32_t readInterval = 0;
    uint32_t readMultiplier = 0;
    uint32_t readConstant = 0;
    uint32_t writeMultiplier = 0;
    uint32_t writeConstant = 0;
};
inline constexpr uint32_t kReadReturnImmediately = 0xFFFFFFFFu;

// The time a wait has watched the line. A wait is taken in steps of at most
// Step; a step that lasted longer than asked (the program did not get the
// processor, or the machine paused) counts as what was asked plus Step:
// bytes the device sent meanwhile, delivered once the program runs again,
// are still waited for the whole of the port's wait. On a machine that
// keeps up it is the time on the clock.
class LineWatch
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds Step{20};

    LineWatch() : m_last(Clock::now()) {}
    // Counts the time since the last count (or since the watch began), a
    // step that was meant to last at most asked.
    void count(Clock::duration asked);
    Clock::duration watched() const { return m_watched; }

private:
    Clock::time_point m_last;
    Clock::duration m_watched{};
};

class SerialDevice
{
public:
    SerialDevice() = default;
    ~SerialDevice();
    SerialDevice(const SerialDevice &) = delete;
    SerialDevice &operator=(const SerialDevice &) = delete;

    // Opens the device for reading and writing and takes an exclusive flock on
    // it. On failure returns false and sets error to an errno value; a device
    // that another program holds gives EBUSY.
    bool open(const QString &path, int &error);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int handle() const { return m_fd; }

    // Puts the line in raw mode (no flow control, no character translation,
    // receiver on, modem lines ignored) with the given speed and framing.
    // A speed the system does not support gives EINVAL.
    bool applyLineSettings(const SerialLineSettings &settings, int &error);
    // Reads the speed and framing the line has now.
    bool readLineSettings(SerialLineSettings &settings, int &error) const;

    void setTimeouts(const SerialTimeouts &timeouts) { m_timeouts = timeouts; }
    const SerialTimeouts &timeouts() const { return m_timeouts; }

    // One read call: appends up to count bytes at buffer. Returns false with
    // error set when the device failed (it went away: EIO), true otherwise;
    // got tells how many bytes arrived (0 when the timeouts expired).
    bool read(uint8_t *buffer, size_t count, size_t &got, int &error);
    // One write call. Returns false with error set when the device failed;
    // true otherwise, written telling how many bytes went out before the
    // write timeout.
    bool write(const uint8_t *buffer, size_t count, size_t &written, int &error);
    // Drops the bytes received but not yet read (tcflush). False when the
    // device is closed or failed.
    bool discardInput();
    // Waits up to ms milliseconds for received bytes; true when some are
    // waiting to be read (or the device failed, so that a read says so).
    bool waitReadable(int ms) const;

private:
    int m_fd = -1;
    SerialTimeouts m_timeouts;
};

// The system's text for an errno value (for example "Permission denied"),
// or an empty text when the system knows no such code.
QString systemErrorText(int code);

// The termios translation: raw mode with the given framing, and back.
void configureRawTermios(termios &tio, const SerialLineSettings &settings);
SerialLineSettings settingsFromTermios(const termios &tio);

// Speed in bit/s to the termios constant and back; 0 when unsupported.
unsigned speedToTermios(uint32_t baudRate);
uint32_t termiosToSpeed(unsigned speed);

} // namespace platform
