#include "upgrade/Bootloader40Manager.h"

#include "core/ComMultiPort.h"
#include "core/FrameChecksum.h"
#include "platform/SerialDevice.h"
#include "upgrade/BootloaderConfig.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QThread>

#include <cstring>

TBootloader40Manager *Bootloader40Manager = nullptr;

namespace {

constexpr quint8 kRequest = 0xBC;

void waitProcessingEvents(int ms)
{
    // Short waits sleep; long ones keep the window responsive in 100 ms steps.
    if (ms <= 100) {
        QThread::msleep(static_cast<unsigned long>(ms));
        return;
    }
    for (int left = ms; left > 0; left -= 100) {
        QCoreApplication::processEvents();
        QThread::msleep(static_cast<unsigned long>(std::min(left, 100)));
    }
}

QByteArray command(quint8 code, quint8 argument)
{
    QByteArray frame;
    frame.append(char(kRequest));
    frame.append(char(code));
    frame.append(char(argument));
    return frame;
}
} // namespace

TBootloader40Manager::TBootloader40Manager(QObject *parent) : QObject(parent), Wait(waitProcessingEvents)
{
    setObjectName(QStringLiteral("Bootloader40Manager"));
}

TBootloader40Manager::~TBootloader40Manager()
{
    if (::Bootloader40Manager == this)
        ::Bootloader40Manager = nullptr;
}

void TBootloader40Manager::SetConnection(TComMultiPort *port, QListWidget *log)
{
    if (port != FPort)
        ContactProblemSaid = false;
    FPort = port;
    FLog = log;
}

void TBootloader40Manager::ClearBootInfo()
{
    FBootInfo = TBootInfo();
}

bool TBootloader40Manager::BootloaderVersionAtLeast(int major, int minor) const
{
    return FBootInfo.BootMajor >= major && FBootInfo.BootMinor >= minor;
}

QString TBootloader40Manager::DeviceTypeName() const
{
    switch (FBootInfo.DeviceTypeCode) {
    case 1: return QStringLiteral("BOOT1");
    case 3: return QStringLiteral("Q3");
    case 4: return QStringLiteral("Q4");
    case 5: return QStringLiteral("Q3X");
    case 10: return QStringLiteral("TRUCK");
    case 20: return QStringLiteral("DI");
    case 30: return QStringLiteral("DIESEL");
    case 40: return QStringLiteral("ADAPTER");
    case 98: return QStringLiteral("ADAPTER_v2");
    default: return QString();
    }
}

bool TBootloader40Manager::InfoCapable() const
{
    return BootloaderVersionAtLeast(6, 3) || BootloaderVersionAtLeast(4, 5) || BootloaderVersionAtLeast(8, 0);
}

bool TBootloader40Manager::ExitCapable() const
{
    const int major = FBootInfo.BootMajor;
    return (major == 4 && BootloaderVersionAtLeast(4, 6)) || (major == 6 && BootloaderVersionAtLeast(6, 7))
        || (major == 8 && BootloaderVersionAtLeast(8, 0));
}

bool TBootloader40Manager::portOpen() const
{
    return FPort && FPort->GetConnected();
}

void TBootloader40Manager::releaseLock()
{
    if (FPort && FPort->ThreadSafe() && FPort->LockingStrategy() == lsReadDataWithControl)
        FPort->ReleaseLock();
}

bool TBootloader40Manager::writeFrame(QByteArray frame)
{
    frame.append(char(FrameChecksum(reinterpret_cast<const quint8 *>(frame.constData()), size_t(frame.size()))));
    // The input is emptied under the lock, so that a late reply to an earlier
    // request is not taken for this one and no other user's reply is lost.
    const bool locked = FPort->ThreadSafe();
    if (locked)
        FPort->AcquireLock();
    FPort->PurgeInput();
    int written = 0;
    const bool ok = FPort->WriteData(frame.constData(), int(frame.size()), written);
    if (locked)
        FPort->ReleaseLock();
    return ok && written == frame.size();
}

bool TBootloader40Manager::exchange(QByteArray frame, quint8 *reply, int count, int waitMs)
{
    if (!writeFrame(std::move(frame))) {
        std::memset(reply, 0, size_t(count));
        releaseLock();
        return false;
    }
    if (waitMs > 0 && Wait)
        Wait(waitMs);
    return ReadReply(reply, count);
}

bool TBootloader40Manager::ReadReply(quint8 *buffer, int count, quint8 header)
{
    std::memset(buffer, 0, size_t(count));
    bool ok = false;
    int read = 0;
    if (count >= 2 && awaitReply() && ReadPort(buffer, 1, read) && read == 1 && buffer[0] == header
        && ReadPort(buffer + 1, count - 1, read) && read == count - 1) {
        ok = buffer[count - 1] == FrameChecksum(buffer, size_t(count - 1));
        if (!ok)
            std::memset(buffer, 0, size_t(count));
    }
    if (!ok && count > 0)
        std::memset(buffer, 0, size_t(count));
    logReply(buffer, count);
    releaseLock();
    return ok;
}

bool TBootloader40Manager::awaitReply()
{
    return AwaitReplyStart(FPort, WhileWaiting);
}

bool AwaitReplyStart(TComMultiPort *port, const std::function<void()> &whileWaiting)
{
    if (!whileWaiting || !port || !port->UseTimeouts())
        return true;
    const TComMultiPortTimeouts *t = port->Timeouts();
    const qint64 budget = qint64(t->ReadConstant()) + t->ReadMultiplier();
    if (budget <= 0)
        return true;
    constexpr unsigned long kSliceMs = 10;
    // Measured as the time the line was watched: a stretch without the
    // processor does not use up the wait for a reply already on its way.
    platform::LineWatch watch;
    // The events run once for every reply, however soon it comes, so that a
    // run of quick exchanges does not hold them either.
    do {
        whileWaiting();
        if (port->WaitForInput(kSliceMs))
            return true;
        watch.count(std::chrono::milliseconds(kSliceMs));
    } while (watch.watched() < std::chrono::milliseconds(budget));
    return false;
}

TEventsWhileWaiting::TEventsWhileWaiting(const std::function<void()> &events)
{
    if (Bootloader40Manager) {
        FPrevious = Bootloader40Manager->WhileWaiting;
        Bootloader40Manager->WhileWaiting = events;
    }
}

TEventsWhileWaiting::~TEventsWhileWaiting()
{
    if (Bootloader40Manager)
        Bootloader40Manager->WhileWaiting = FPrevious;
}

bool TBootloader40Manager::ReadPort(quint8 *buffer, int count, int &read)
{
    read = 0;
    return FPort && FPort->ReadData(buffer, count, read);
}

void TBootloader40Manager::logReply(const quint8 *reply, int count)
{
    if (!FLog)
        return;
    QStringList decimal, hex;
    for (int i = 0; i < count; ++i) {
        decimal << QString::number(reply[i]);
        hex << QStringLiteral("%1").arg(reply[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    FLog->addItem(decimal.join(QLatin1Char(' ')) + (count == 4 ? QStringLiteral(" - ") : QStringLiteral("- "))
                  + hex.join(QLatin1Char(' ')));
}

bool TBootloader40Manager::ReadBootloaderVersion()
{
    if (!portOpen()) {
        ContactProblemSaid = false;
        return false;
    }
    quint8 reply[6];
    const bool ok = exchange(command(0xE1, 0xE1), reply, 6) && reply[1] == 0xE1;
    if (!ok)
        ContactProblemSaid = false;
    FBootInfo.BootMajor = ok ? reply[2] : 0;
    FBootInfo.BootMinor = ok ? reply[3] : 0;
    FBootInfo.BootBuild = ok ? reply[4] : 0;
    FBootInfo.DeviceTypeCode = 0;
    FBootInfo.StayInBootloader = 0;
    return ok;
}

bool TBootloader40Manager::InitProgramming()
{
    quint8 reply[4];
    return portOpen() && exchange(command(0xE2, 0x00), reply, 4) && reply[1] == 0xE2;
}

bool TBootloader40Manager::FlashMassErase(quint8 block)
{
    quint8 reply[4];
    return portOpen() && exchange(command(0xE3, block), reply, 4, block == 0 ? 3000 : 0) && reply[1] == 0xE3;
}

bool TBootloader40Manager::EepromEraseInit()
{
    quint8 reply[4];
    return portOpen() && exchange(command(0xE4, 0x00), reply, 4) && reply[1] == 0xE4;
}

bool TBootloader40Manager::EepromMassErase()
{
    quint8 reply[4];
    return portOpen() && exchange(command(0xE5, 0x00), reply, 4) && reply[1] == 0xE5;
}

bool TBootloader40Manager::WriteRecord(const quint8 *record, bool header)
{
    if (!portOpen())
        return false;
    QByteArray frame;
    frame.append(char(kRequest));
    frame.append(char(0xE6));
    frame.append(reinterpret_cast<const char *>(record), RecordLength);
    quint8 reply[4];
    return exchange(frame, reply, 4, 10) && reply[2] == 0 && (!header || reply[1] == 0xFF);
}

int TBootloader40Manager::ProgramRecord(const quint8 *record)
{
    if (!portOpen())
        return -1;
    QByteArray frame;
    frame.append(char(kRequest));
    frame.append(char(0xE6));
    frame.append(reinterpret_cast<const char *>(record), RecordLength);
    quint8 reply[4];
    if (!exchange(frame, reply, 4))
        return -1;
    return reply[2];
}

int TBootloader40Manager::SetWriteDefaults(quint8 flag)
{
    quint8 reply[4];
    if (!portOpen() || !exchange(command(0xE8, flag), reply, 4) || reply[1] != 0xE8)
        return -1;
    return reply[2];
}

bool TBootloader40Manager::ExitBootloader()
{
    if (!portOpen() || FBootInfo.StayInBootloader != 0)
        return false;
    const bool ok = writeFrame(command(0xEE, 0x00));
    releaseLock();
    return ok;
}

bool TBootloader40Manager::BootInfoRequest(quint8 n)
{
    if (!portOpen())
        return false;
    quint8 reply[7];
    const bool ok = exchange(command(0xF0, n), reply, 7) && reply[1] == 0xF0;
    switch (n) {
    case 1:
        // A reply to another command says nothing of the device type.
        FBootInfo.DeviceTypeCode = ok ? reply[2] : 0;
        break;
    case 2:
        // Without a valid reply the device may not be left.
        FBootInfo.StayInBootloader = ok ? reply[2] : 1;
        break;
    case 3:
        if (ok)
            FBootInfo.StayInBootloader = 0;
        break;
    default:
        break;
    }
    return ok;
}

bool TBootloader40Manager::ReadStayFlag()
{
    if (ExitCapable())
        return BootInfoRequest(2);
    FBootInfo.StayInBootloader = 0;
    return true;
}

bool TBootloader40Manager::ClearStayFlag()
{
    if (!ExitCapable())
        return true;
    if (!BootInfoRequest(3))
        return false;
    return ReadStayFlag();
}

bool TBootloader40Manager::ConnectBootloader()
{
    if (!ReadBootloaderVersion()) {
        // The next attempt starts on a fresh handle.
        if (portOpen()) {
            FPort->Close();
            try {
                FPort->Open();
            } catch (const EComPortError &) {
            }
        }
        return false;
    }
    bool ok = true;
    if (InfoCapable() && !BootInfoRequest(1)) {
        // Without the device type no variant can be chosen safely.
        FBootInfo.StayInBootloader = 1;
        return false;
    }
    if (ExitCapable())
        ok = ReadStayFlag();
    else
        FBootInfo.StayInBootloader = 1;
    if (BootloaderConfig)
        BootloaderConfig->UpdateParamsToHardware(FBootInfo.DeviceTypeCode, FBootInfo.BootMajor, FBootInfo.BootMinor);
    return ok;
}

bool TBootloader40Manager::FinishProgramming()
{
    if (!ClearStayFlag())
        return false;
    return ReadStayFlag();
}
