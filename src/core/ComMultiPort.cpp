#include "core/ComMultiPort.h"

#include "core/ComponentVersion.h"
#include "core/FileLogger.h"
#include "core/FrameChecksum.h"
#include "platform/PortsFolder.h"

#include <QDateTime>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

TComMultiPort *ComMultiPort = nullptr;

namespace {

const ComponentVersionRegistrar registrar("ComMultiPort", "$Revision: 1 $",
                                          "$Date: 2026-12-07 05:00:00 +0100 (Mon, 07 Dec 2026) $");

const uint32_t kSpeedTable[16] = {110,   300,   600,    1200,   2400,   4800,   9600,   14400,
                                  19200, 38400, 56000,  57600,  115200, 128000, 256000, 0};

QString hexText(const uint8_t *bytes, int count)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QStringLiteral("$%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

} // namespace

uint32_t ComBaudRateSpeed(TComBaudRate rate)
{
    const int i = static_cast<int>(rate);
    return (i >= 0 && i < 16) ? kSpeedTable[i] : 0;
}

TComBaudRate ComBaudRateFromSpeed(uint32_t speed)
{
    for (int i = 0; i < 15; ++i)
        if (kSpeedTable[i] == speed)
            return static_cast<TComBaudRate>(i);
    return comBRUnknown;
}

EComPortError::EComPortError(const QString &message) : std::runtime_error(message.toStdString())
{
}

// ---------------------------------------------------------------- options

void TComMultiPortTimeouts::set(uint32_t &field, uint32_t value)
{
    if (field == value)
        return;
    field = value;
    if (OnChange)
        OnChange();
}

void TComMultiPortTimeouts::Assign(const TComMultiPortTimeouts &source)
{
    if (&source == this)
        return;
    const bool changed = m_interval != source.m_interval || m_readMultiplier != source.m_readMultiplier
                         || m_readConstant != source.m_readConstant
                         || m_writeMultiplier != source.m_writeMultiplier
                         || m_writeConstant != source.m_writeConstant;
    m_interval = source.m_interval;
    m_readMultiplier = source.m_readMultiplier;
    m_readConstant = source.m_readConstant;
    m_writeMultiplier = source.m_writeMultiplier;
    m_writeConstant = source.m_writeConstant;
    if (changed && OnChange)
        OnChange();
}

void TComMultiPortLockingOptions::set(int index, bool value)
{
    if (m_flags[index] == value)
        return;
    m_flags[index] = value;
    if (OnChange)
        OnChange();
}

void TComMultiPortLockingOptions::Assign(const TComMultiPortLockingOptions &source)
{
    if (&source == this)
        return;
    bool changed = false;
    for (int i = 0; i < 8; ++i) {
        changed = changed || m_flags[i] != source.m_flags[i];
        m_flags[i] = source.m_flags[i];
    }
    if (changed && OnChange)
        OnChange();
}

// ---------------------------------------------------------------- port

TComMultiPort::TComMultiPort(QObject *owner)
    : QObject(owner), m_device(std::make_unique<platform::SerialDevice>())
{
    m_timeouts.OnChange = [this] {
        if (m_useTimeouts)
            UpdatePort();
    };
    m_lockingOptions.OnChange = [this] { m_lockingStrategy = lsCustom; };
    ReadSettings();
}

TComMultiPort::~TComMultiPort()
{
    Close();
    if (m_traceFileOpened)
        CloseFileLogger();
}

void TComMultiPort::lockIf(bool manual)
{
    if (m_threadSafe && !manual)
        AcquireLock();
}

void TComMultiPort::unlockIf(bool manual)
{
    if (m_threadSafe && !manual)
        ReleaseLock();
}

void TComMultiPort::AcquireLock()
{
    if (!m_threadSafe)
        throw EComPortError(QStringLiteral("Could not acquire exclusive lock when thread-safe operations are disabled"));
    m_lock.lock();
    m_lockOwner = std::this_thread::get_id();
    ++m_lockDepth;
}

void TComMultiPort::ReleaseLock()
{
    if (!m_threadSafe)
        throw EComPortError(QStringLiteral("Could not release exclusive lock when thread-safe operations are disabled"));
    if (m_lockOwner.load() != std::this_thread::get_id())
        return;  // not held by this thread: nothing to release
    if (--m_lockDepth == 0)
        m_lockOwner = std::thread::id();
    m_lock.unlock();
}

QString TComMultiPort::GetErrorString(int code)
{
    const int last = errno;
    const QString text = platform::systemErrorText(code);
    if (!text.isEmpty())
        return text;
    return QStringLiteral("Error in GetErrorString(%1) : %2").arg(code).arg(last);
}

void TComMultiPort::raiseOpenError(int code)
{
    m_lastOpenError = QStringLiteral("%1: %2").arg(portDisplayName(m_comDevice, m_devicePath),
                                                   GetErrorString(code));
    m_lastOpenErrorPort = m_comDevice;
    throw EComPortError(QStringLiteral("Error while opening port %1 [code %2]:\r\n%3")
                            .arg(portDisplayName(m_comDevice, m_devicePath))
                            .arg(code)
                            .arg(GetErrorString(code)));
}

QString TComMultiPort::LastOpenError(int comDevice) const
{
    return m_lastOpenErrorPort == comDevice ? m_lastOpenError : QString();
}

void TComMultiPort::Open()
{
    const bool manualLock = m_lockingOptions.ManualOpenLock();
    const bool manualUnlock = m_lockingOptions.ManualOpenUnlock();
    lockIf(manualLock);
    try {
        if (!GetConnected()) {
            if (m_forceConfigure && m_baudRate == comBRUnknown)
                throw EComPortError(QStringLiteral("Baud rate is not set"));
            const QString device = portDevice(m_comDevice);
            m_devicePath = device.isEmpty() ? portLinkPath(m_comDevice) : device;
            int error = 0;
            if (device.isEmpty())
                raiseOpenError(ENOENT);
            if (!m_device->open(device, error))
                raiseOpenError(error);
            if (m_useTimeouts) {
                m_device->setTimeouts({m_timeouts.IntervalTimeout(), m_timeouts.ReadMultiplier(),
                                       m_timeouts.ReadConstant(), m_timeouts.WriteMultiplier(),
                                       m_timeouts.WriteConstant()});
            }
            if (m_forceConfigure) {
                if (!ApplySettings()) {
                    error = m_lastError;
                    m_device->close();
                    raiseOpenError(error);
                }
            } else {
                ReadSettings();
            }
            m_lastOpenError.clear();
        }
    } catch (...) {
        // The lock this call took (or would have released) is released on
        // the failing path too.
        if (m_threadSafe && (!manualLock || !manualUnlock))
            ReleaseLock();
        throw;
    }
    unlockIf(manualUnlock);
}

void TComMultiPort::Close()
{
    lockIf(m_lockingOptions.ManualCloseLock());
    m_device->close();
    m_owed.clear(); // nothing is owed on a line that is opened anew
    unlockIf(m_lockingOptions.ManualCloseUnlock());
}

bool TComMultiPort::GetConnected() const
{
    return m_device->isOpen();
}

void TComMultiPort::UpdatePort()
{
    if (m_forceConfigure && GetConnected())
        ApplySettings();
}

bool TComMultiPort::ApplySettings()
{
    if (!GetConnected())
        throw EComPortError(QStringLiteral("Port is not open"));
    m_config.baudRate = ComBaudRateSpeed(m_baudRate);
    m_config.byteSize = static_cast<uint8_t>(m_byteSize);
    m_config.parity = static_cast<uint8_t>(m_parity);
    m_config.stopBits = static_cast<uint8_t>(m_stopBits);
    int error = 0;
    bool ok = m_device->applyLineSettings(m_config, error);
    if (ok && m_useTimeouts) {
        m_device->setTimeouts({m_timeouts.IntervalTimeout(), m_timeouts.ReadMultiplier(),
                               m_timeouts.ReadConstant(), m_timeouts.WriteMultiplier(),
                               m_timeouts.WriteConstant()});
    }
    if (ok)
        ok = m_device->readLineSettings(m_config, error);
    m_lastError = ok ? 0 : error;
    return ok;
}

void TComMultiPort::ReadSettings()
{
    m_config = platform::SerialLineSettings{0, 0, 0, 0};
    if (!GetConnected())
        return;
    int error = 0;
    if (!m_device->readLineSettings(m_config, error))
        return;
    m_baudRate = ComBaudRateFromSpeed(m_config.baudRate);
    m_byteSize = m_config.byteSize;
    m_parity = (m_config.parity >= 1 && m_config.parity <= 4) ? static_cast<TComParity>(m_config.parity)
                                                               : comNoParity;
}

bool TComMultiPort::ReadData(void *buffer, int Count, int &BytesRead)
{
    lockIf(m_lockingOptions.ManualReadLock());
    auto *bytes = static_cast<uint8_t *>(buffer);
    const size_t wanted = Count > 0 ? static_cast<size_t>(Count) : 0;
    if (wanted > 0)
        std::memset(bytes, 0, wanted);
    size_t total = 0;
    bool lastCallOk = true;
    while (total < wanted) {
        size_t got = 0;
        int error = 0;
        lastCallOk = m_device->read(bytes + total, wanted - total, got, error);
        total += got;
        if (!lastCallOk || got == 0)
            break;
    }
    BytesRead = static_cast<int>(total);
    const bool result = lastCallOk && total == wanted;
    if (m_traceLevel >= 2) {
        if (Count == 1)
            trace(2, QStringLiteral("  ReadData  (Req:%1 Read:%2)  >> %3").arg(Count).arg(BytesRead).arg(hexText(bytes, 1)));
        else
            trace(2, QStringLiteral("%1%2 (Req:%3 Read:%4)")
                         .arg(QString(35, QLatin1Char(' ')), hexText(bytes, static_cast<int>(wanted)))
                         .arg(Count)
                         .arg(BytesRead));
    }
    unlockIf(m_lockingOptions.ManualReadUnlock());
    return result;
}

bool TComMultiPort::ReadDataWithin(void *buffer, int Count, int &BytesRead, uint32_t totalMs, uint32_t gapMs)
{
    const platform::SerialTimeouts saved = m_device->timeouts();
    platform::SerialTimeouts shortOnes = saved;
    shortOnes.readInterval = gapMs;
    shortOnes.readMultiplier = 0;
    shortOnes.readConstant = totalMs;
    m_device->setTimeouts(shortOnes);
    bool ok = false;
    try {
        ok = ReadData(buffer, Count, BytesRead);
    } catch (...) {
        m_device->setTimeouts(saved);
        throw;
    }
    m_device->setTimeouts(saved);
    return ok;
}

bool TComMultiPort::WriteData(const void *buffer, int Count, int &BytesWritten)
{
    lockIf(m_lockingOptions.ManualWriteLock());
    const auto *bytes = static_cast<const uint8_t *>(buffer);
    const size_t wanted = Count > 0 ? static_cast<size_t>(Count) : 0;
    size_t written = 0;
    int error = 0;
    const bool ok = m_device->write(bytes, wanted, written, error);
    BytesWritten = static_cast<int>(written);
    if (m_traceLevel >= 2)
        trace(2, QStringLiteral("  WriteData (Req:%1 Wrote:%2) << %3").arg(Count).arg(BytesWritten).arg(hexText(bytes, static_cast<int>(wanted))));
    unlockIf(m_lockingOptions.ManualWriteUnlock());
    // A write that left bytes behind is a failed write.
    return ok && written == wanted;
}

bool TComMultiPort::WaitForInput(unsigned long ms)
{
    return m_device->waitReadable(int(std::min<unsigned long>(ms, 60000)));
}

uint32_t TComMultiPort::ReadTimeFor(int Count) const
{
    return m_timeouts.ReadConstant() + m_timeouts.ReadMultiplier() * uint32_t(std::max(Count, 0));
}

bool TComMultiPort::PurgeInput()
{
    return m_device->discardInput();
}

void TComMultiPort::OweAnswer(const TAnswerFrame &Frame, int Answers)
{
    // Answers come in order, so only the latest few can still be on their
    // way: the list is bounded.
    constexpr size_t kMostOwed = 4;
    const bool locked = m_threadSafe;
    if (locked)
        AcquireLock();
    for (int i = 0; i < Answers && Frame.Length >= 2; ++i)
        m_owed.push_back(Frame);
    while (m_owed.size() > kMostOwed)
        m_owed.pop_front();
    if (locked)
        ReleaseLock();
}

int TComMultiPort::ReadAnswerStart(uint8_t *Answer, const TAnswerFrame &Own)
{
    const bool locked = m_threadSafe;
    if (locked)
        AcquireLock();
    // The last owed answer passed over, when it had the reader's own frame.
    std::vector<uint8_t> passed;
    std::vector<uint8_t> frame;
    int result = 0;
    for (;;) {
        uint8_t first = 0;
        int got = 0;
        ReadData(&first, 1, got);
        if (got <= 0) {
            m_owed.clear();
            result = int(std::min(passed.size(), size_t(std::max(Own.Length, 0))));
            std::copy_n(passed.begin(), result, Answer);
            break;
        }
        if (m_owed.empty() || first != m_owed.front().Start) {
            Answer[0] = first;
            result = 1;
            break;
        }
        // The owed answer's bytes up to where an error frame would end, then
        // the rest of whichever frame it is, each within the port's wait
        // between bytes: a frame that has ended sends nothing more.
        const TAnswerFrame owed = m_owed.front();
        const bool errors = owed.ErrorLength >= 2;
        const int head = errors ? std::min(owed.Length, owed.ErrorLength) : owed.Length;
        frame.assign(size_t(std::max(owed.Length, owed.ErrorLength)), 0);
        frame[0] = first;
        int have = 1;
        auto readOn = [&](int upTo) {
            const uint32_t gap = m_timeouts.IntervalTimeout();
            for (int got = 1; have < upTo && got == 1; have += got)
                ReadDataWithin(frame.data() + have, 1, got, gap, gap);
        };
        readOn(head);
        const int length = errors && have >= 2 && frame[1] == owed.ErrorMarker ? owed.ErrorLength : owed.Length;
        if (have == head)
            readOn(length);
        if (have == length && frame[size_t(length - 1)] == FrameChecksum(frame.data(), size_t(length - 1))) {
            m_owed.pop_front();
            if (owed == Own)
                passed.assign(frame.begin(), frame.begin() + length);
            else
                passed.clear();
            continue;
        }
        // Another answer of that device came first: the owed ones never will.
        m_owed.clear();
        result = std::min(have, std::max(Own.Length, 1));
        std::copy_n(frame.begin(), result, Answer);
        break;
    }
    if (locked)
        ReleaseLock();
    return result;
}

void TComMultiPort::DropOwedAnswer(int Count)
{
    if (Count <= 0)
        return;
    const bool locked = m_threadSafe;
    if (locked)
        AcquireLock();
    if (GetConnected()) {
        std::vector<uint8_t> owed(static_cast<size_t>(Count));
        int got = 0;
        ReadData(owed.data(), Count, got);
        PurgeInput();
    }
    if (locked)
        ReleaseLock();
}

void TComMultiPort::DiscardStaleInput()
{
    const bool locked = m_threadSafe;
    if (locked)
        AcquireLock();
    if (GetConnected())
        PurgeInput();
    if (locked)
        ReleaseLock();
}

void TComMultiPort::WaitIdle(unsigned long ms)
{
    QThread::msleep(ms);
}

void TComMultiPort::trace(int level, const QString &text)
{
    if (level <= m_traceLevel && FileLoggerOpen())
        LogToFile(text);
}

void TComMultiPort::SetBaudRate(TComBaudRate value)
{
    if (m_baudRate == value)
        return;
    m_baudRate = value;
    m_config.baudRate = ComBaudRateSpeed(value);
    UpdatePort();
}

void TComMultiPort::SetByteSize(int value)
{
    if (m_byteSize == value)
        return;
    m_byteSize = value;
    m_config.byteSize = static_cast<uint8_t>(value);
    UpdatePort();
}

void TComMultiPort::SetParity(TComParity value)
{
    if (m_parity == value)
        return;
    m_parity = value;
    m_config.parity = static_cast<uint8_t>(value);
    UpdatePort();
}

void TComMultiPort::SetStopBits(TComStopBits value)
{
    if (m_stopBits == value)
        return;
    m_stopBits = value;
    m_config.stopBits = static_cast<uint8_t>(value);
    UpdatePort();
}

void TComMultiPort::SetForceConfigure(bool value)
{
    if (m_forceConfigure == value)
        return;
    m_forceConfigure = value;
    UpdatePort();
}

void TComMultiPort::SetUseTimeouts(bool value)
{
    if (m_useTimeouts == value)
        return;
    m_useTimeouts = value;
    UpdatePort();
}

void TComMultiPort::SetComDevice(int value)
{
    Close();
    m_comDevice = value;
    trace(1, QStringLiteral("ComDevice: %1").arg(value));
}

void TComMultiPort::SetDebug(bool value)
{
    if (!value) {
        m_traceLevel = 0;
        return;
    }
    m_traceLevel = 2;
    if (!m_traceFileOpened) {
        m_traceFileOpened = true;
        InitFileLogger(QStringLiteral("_") + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss")));
    }
}

void TComMultiPort::SetThreadSafe(bool value)
{
    m_threadSafe = value;
}

void TComMultiPort::SetLockingStrategy(TComMultiPortLockingStrategy value)
{
    m_lockingStrategy = value;
    static const bool table[5][8] = {
        {false, false, false, false, false, false, false, false},  // lsAllAutomatic
        {true, true, true, true, true, true, true, true},          // lsAllManual
        {},                                                        // lsCustom: unchanged
        {false, false, false, false, true, false, false, true},    // lsGroupWriteRead
        {false, false, false, false, true, true, false, true},     // lsReadDataWithControl
    };
    if (value == lsCustom)
        return;
    for (int i = 0; i < 8; ++i)
        m_lockingOptions.m_flags[i] = table[value][i];
}

void ApplyProgramPortSettings(TComMultiPort &port)
{
    port.SetBaudRate(comBR9600);
    port.SetByteSize(8);
    port.SetParity(comNoParity);
    port.SetStopBits(comOneStopBit);
    port.SetUseTimeouts(true);
    port.Timeouts()->SetIntervalTimeout(150);
    port.Timeouts()->SetReadConstant(300);
    port.Timeouts()->SetReadMultiplier(150);
    port.Timeouts()->SetWriteConstant(300);
    port.Timeouts()->SetWriteMultiplier(150);
    port.SetLockingStrategy(lsReadDataWithControl);
    port.SetThreadSafe(true);
}
