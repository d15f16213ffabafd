// The serial port component through which every protocol talks: opens a COM
// port by number, applies line settings and timeouts, performs blocking reads
// and writes of whole byte counts, offers a re-entrant lock that a protocol
// layer uses to keep a request and its answer together, and can trace every
// transfer in hex to the log file.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "platform/SerialDevice.h"

enum TComBaudRate {
    comBR110, comBR300, comBR600, comBR1200, comBR2400, comBR4800, comBR9600, comBR14400,
    comBR19200, comBR38400, comBR56000, comBR57600, comBR115200, comBR128000, comBR256000,
    comBRUnknown
};
enum TComParity { comNoParity, comOddParity, comEvenParity, comMarkParity, comSpaceParity };
enum TComStopBits { comOneStopBit, comOne5StopBits, comTwoStopBits };
enum TComMultiPortLockingStrategy {
    lsAllAutomatic, lsAllManual, lsCustom, lsGroupWriteRead, lsReadDataWithControl
};

// Speed in bit/s of each TComBaudRate (0 for comBRUnknown), and back
// (any speed not in the table gives comBRUnknown).
uint32_t ComBaudRateSpeed(TComBaudRate rate);
TComBaudRate ComBaudRateFromSpeed(uint32_t speed);

class EComPortError : public std::runtime_error
{
public:
    explicit EComPortError(const QString &message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// The frame of an answer as its reader expects it: the start byte, the
// length, and for a protocol with error frames the second byte that marks
// one and that frame's length (0: none). Every answer ends with the 8-bit
// sum of the bytes before it.
struct TAnswerFrame {
    uint8_t Start = 0;
    int Length = 0;
    uint8_t ErrorMarker = 0;
    int ErrorLength = 0;
    bool operator==(const TAnswerFrame &) const = default;
};

// Read and write timeouts of the port, in milliseconds.
class TComMultiPortTimeouts
{
public:
    uint32_t IntervalTimeout() const { return m_interval; }
    uint32_t ReadMultiplier() const { return m_readMultiplier; }
    uint32_t ReadConstant() const { return m_readConstant; }
    uint32_t WriteMultiplier() const { return m_writeMultiplier; }
    uint32_t WriteConstant() const { return m_writeConstant; }
    void SetIntervalTimeout(uint32_t value) { set(m_interval, value); }
    void SetReadMultiplier(uint32_t value) { set(m_readMultiplier, value); }
    void SetReadConstant(uint32_t value) { set(m_readConstant, value); }
    void SetWriteMultiplier(uint32_t value) { set(m_writeMultiplier, value); }
    void SetWriteConstant(uint32_t value) { set(m_writeConstant, value); }

    // Copies the five values; the change notification runs once when any differed.
    void Assign(const TComMultiPortTimeouts &source);

    // Runs after every change.
    std::function<void()> OnChange;

private:
    void set(uint32_t &field, uint32_t value);
    uint32_t m_interval = 50;
    uint32_t m_readMultiplier = 10;
    uint32_t m_readConstant = 20;
    uint32_t m_writeMultiplier = 10;
    uint32_t m_writeConstant = 20;
};

// Which port operations leave taking (Lock) or releasing (Unlock) the port's
// lock to the caller. True: the operation does not touch the lock itself.
class TComMultiPortLockingOptions
{
public:
    bool ManualCloseLock() const { return m_flags[0]; }
    bool ManualCloseUnlock() const { return m_flags[1]; }
    bool ManualOpenLock() const { return m_flags[2]; }
    bool ManualOpenUnlock() const { return m_flags[3]; }
    bool ManualReadLock() const { return m_flags[4]; }
    bool ManualReadUnlock() const { return m_flags[5]; }
    bool ManualWriteLock() const { return m_flags[6]; }
    bool ManualWriteUnlock() const { return m_flags[7]; }
    void SetManualCloseLock(bool value) { set(0, value); }
    void SetManualCloseUnlock(bool value) { set(1, value); }
    void SetManualOpenLock(bool value) { set(2, value); }
    void SetManualOpenUnlock(bool value) { set(3, value); }
    void SetManualReadLock(bool value) { set(4, value); }
    void SetManualReadUnlock(bool value) { set(5, value); }
    void SetManualWriteLock(bool value) { set(6, value); }
    void SetManualWriteUnlock(bool value) { set(7, value); }

    // Copies the eight options; the change notification runs once when any differed.
    void Assign(const TComMultiPortLockingOptions &source);

    // Runs after every change.
    std::function<void()> OnChange;

private:
    friend class TComMultiPort;
    void set(int index, bool value);
    bool m_flags[8] = {false, false, false, false, false, false, false, false};
};

class TComMultiPort : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int ComDevice READ ComDevice WRITE SetComDevice)
    Q_PROPERTY(int ByteSize READ ByteSize WRITE SetByteSize)
    Q_PROPERTY(bool Debug READ Debug WRITE SetDebug)
    Q_PROPERTY(bool ForceConfigure READ ForceConfigure WRITE SetForceConfigure)
    Q_PROPERTY(bool UseTimeouts READ UseTimeouts WRITE SetUseTimeouts)
    Q_PROPERTY(bool ThreadSafe READ ThreadSafe WRITE SetThreadSafe)
    Q_PROPERTY(bool Connected READ GetConnected)

public:
    explicit TComMultiPort(QObject *owner = nullptr);
    ~TComMultiPort() override;

    // Opens port ComDevice and applies the settings (or reads them back when
    // ForceConfigure is False). Throws EComPortError on failure; the port is
    // then closed and the lock released.
    void Open();
    void Close();
    // The transfer operations are virtual so that a port which is not a
    // serial device (answers replayed from memory) can stand in for one.
    virtual bool GetConnected() const;

    // Applies the settings to the open port when ForceConfigure is True.
    virtual void UpdatePort();

    // Reads Count bytes into buffer. The buffer's Count bytes are zeroed
    // first; BytesRead tells how many arrived. True only when all arrived.
    virtual bool ReadData(void *buffer, int Count, int &BytesRead);
    // ReadData waiting at most totalMs in all and gapMs between two bytes,
    // for this one read; every other read keeps the port's own timeouts.
    bool ReadDataWithin(void *buffer, int Count, int &BytesRead, uint32_t totalMs, uint32_t gapMs);
    // The port's own wait for an answer of Count bytes: ReadConstant plus
    // ReadMultiplier a byte.
    uint32_t ReadTimeFor(int Count) const;
    // Writes Count bytes. True only when the device took all of them.
    virtual bool WriteData(const void *buffer, int Count, int &BytesWritten);

    // Drops what has arrived and not been read, so that a late answer to an
    // earlier request is not taken for the answer to the next one. A protocol
    // calls it right before writing a request, under the lock. It never
    // waits. Takes no lock; False when the port is closed.
    virtual bool PurgeInput();

    // Every protocol on the shared line keeps the rule that no answer is
    // taken by another request: a device that answers late still answers,
    // one answer per request, in order.
    //
    // A request given up with nothing heard within the port's wait has cost
    // that wait once: no later request waits for its answer. That answer
    // (Answers of them, one a try, each of Frame) may still begin later,
    // after the next request has gone out; the next readers pass over it by
    // its frame (ReadAnswerStart) and drop it.
    void OweAnswer(const TAnswerFrame &Frame, int Answers);
    // Late answers still expected (0: none).
    int OwedAnswer() const { return int(m_owed.size()); }
    // Reads the beginning of an answer of frame Own into Answer (room for
    // Own.Length bytes) within the port's own wait for its first byte, and
    // returns how many bytes of it were read (0: nothing came). An owed late
    // answer that comes first is read whole within the port's timeouts,
    // told apart by its start byte, length and sum, dropped, and the wait
    // for the reader's own first byte begins again. One that has Own's frame
    // too and that nothing follows within the wait was the reader's own
    // answer after all (the owed one never came): it is returned. A whole
    // wait with nothing on the line ends every owed answer (none comes that
    // late), as does another answer of the same start byte that came first.
    // Takes the lock when the port is thread-safe.
    int ReadAnswerStart(uint8_t *Answer, const TAnswerFrame &Own);
    // A request that got no answer on its first try was answered on its
    // repeat: that answer may be the first try's, and the repeat's own is
    // still to come. Reads and drops Count bytes within the port's own
    // timeouts (the wait ends once they have come), then empties the input.
    // Takes the lock when the port is thread-safe.
    void DropOwedAnswer(int Count);
    // Empties the input (PurgeInput) under the lock, so that no answer that
    // another user of the port is waiting for is thrown away.
    void DiscardStaleInput();
    // Waits up to ms milliseconds for received bytes without reading them;
    // true when a read would return at once. Takes no lock.
    virtual bool WaitForInput(unsigned long ms);
    // Keeps the line idle for ms milliseconds (the pause between two attempts
    // of an exchange).
    virtual void WaitIdle(unsigned long ms);
    // Enter and leave the port's lock (re-entrant for the owning thread).
    // Throw EComPortError when ThreadSafe is False.
    void AcquireLock();
    void ReleaseLock();

    // The system's text for an error code.
    static QString GetErrorString(int code);
    // Why the last open of port comDevice failed ("COM<n> (<device>): <the
    // system's reason>"); empty when it did not fail or opened since.
    QString LastOpenError(int comDevice) const;

    TComBaudRate BaudRate() const { return m_baudRate; }
    void SetBaudRate(TComBaudRate value);
    int ByteSize() const { return m_byteSize; }
    void SetByteSize(int value);
    int ComDevice() const { return m_comDevice; }
    void SetComDevice(int value);
    bool Debug() const { return m_traceLevel > 0; }
    void SetDebug(bool value);
    bool ForceConfigure() const { return m_forceConfigure; }
    void SetForceConfigure(bool value);
    TComParity Parity() const { return m_parity; }
    void SetParity(TComParity value);
    TComStopBits StopBits() const { return m_stopBits; }
    void SetStopBits(TComStopBits value);
    bool UseTimeouts() const { return m_useTimeouts; }
    void SetUseTimeouts(bool value);
    bool ThreadSafe() const { return m_threadSafe; }
    void SetThreadSafe(bool value);
    TComMultiPortLockingStrategy LockingStrategy() const { return m_lockingStrategy; }
    void SetLockingStrategy(TComMultiPortLockingStrategy value);

    TComMultiPortTimeouts *Timeouts() { return &m_timeouts; }
    void SetTimeouts(const TComMultiPortTimeouts &value) { m_timeouts.Assign(value); }
    TComMultiPortLockingOptions *LockingOptions() { return &m_lockingOptions; }
    void SetLockingOptions(const TComMultiPortLockingOptions &value) { m_lockingOptions.Assign(value); }

    // Device path the open port uses (empty while closed).
    QString DevicePath() const { return m_devicePath; }

protected:
    bool ApplySettings();
    void ReadSettings();

private:
    void trace(int level, const QString &text);
    void lockIf(bool manual);
    void unlockIf(bool manual);
    [[noreturn]] void raiseOpenError(int code);

    std::unique_ptr<platform::SerialDevice> m_device;
    platform::SerialLineSettings m_config;  // kept between opens
    QString m_devicePath;
    TComBaudRate m_baudRate = comBRUnknown;
    int m_byteSize = 8;
    int m_comDevice = 1;
    bool m_forceConfigure = true;
    TComParity m_parity = comNoParity;
    TComStopBits m_stopBits = comOneStopBit;
    bool m_useTimeouts = true;
    bool m_threadSafe = false;
    TComMultiPortLockingStrategy m_lockingStrategy = lsAllAutomatic;
    TComMultiPortTimeouts m_timeouts;
    TComMultiPortLockingOptions m_lockingOptions;
    int m_traceLevel = 0;
    bool m_traceFileOpened = false;
    bool m_settingStrategy = false;
    int m_lastError = 0;
    // Late answers still expected, in the order they would come.
    std::deque<TAnswerFrame> m_owed;
    QString m_lastOpenError;
    int m_lastOpenErrorPort = 0;
    // The lock section, with its owner and depth so that a release by a
    // thread that does not hold it is ignored instead of corrupting it.
    std::recursive_mutex m_lock;
    std::atomic<std::thread::id> m_lockOwner{};
    int m_lockDepth = 0;
};

// Gives port the settings the program's one port is made with, in this
// order: 9600 baud, 8 data bits, no parity, one stop bit, timeouts used
// (interval 150 ms, read and write 300 ms + 150 ms a byte), locking strategy
// lsReadDataWithControl, thread-safe.
void ApplyProgramPortSettings(TComMultiPort &port);

// The program's one port, created by the settings unit (tests make their own).
extern TComMultiPort *ComMultiPort;
