// The bootloader side of the firmware upgrade: the bootloader protocol of the
// controller and of the adapter box on the shared port (requests BC, command,
// argument, 8-bit sum; replies BD ... sum), and what the last bootloader
// contact learned (its version, the device type it reports and whether the
// device stays in its bootloader).
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QListWidget;
class TComMultiPort;

// What a bootloader reports of itself.
struct TBootInfo {
    quint8 BootMajor = 0;
    quint8 BootMinor = 0;
    quint8 BootBuild = 0;
    quint8 DeviceTypeCode = 0; // product number: 3 or 5 a controller, 40 or 98 an adapter, 0 none
    quint8 StayInBootloader = 0;
};

class TBootloader40Manager : public QObject
{
    Q_OBJECT
public:
    explicit TBootloader40Manager(QObject *parent = nullptr);
    ~TBootloader40Manager() override;

    // Bytes of a program record.
    static constexpr int RecordLength = 36;

    // Stores the port and the log list (may be nullptr); with a log list
    // every reply is appended to it as one line.
    void SetConnection(TComMultiPort *port, QListWidget *log);
    TComMultiPort *Port() const { return FPort; }
    QListWidget *Log() const { return FLog; }

    const TBootInfo &BootInfo() const { return FBootInfo; }
    // Sets every field of the information record to 0.
    void ClearBootInfo();
    // Each part compared by itself: 7.0 is not at least 6.3.
    bool BootloaderVersionAtLeast(int major, int minor) const;
    // True when the kept device type is an adapter box (40 or 98).
    bool IsAdapterType() const { return FBootInfo.DeviceTypeCode == 40 || FBootInfo.DeviceTypeCode == 98; }
    // The name of the kept device type ("Q3", "ADAPTER", ...; empty when unknown).
    QString DeviceTypeName() const;
    // The bootloader answers the information requests (F0).
    bool InfoCapable() const;
    // The bootloader keeps a stay flag and can be left with the exit command.
    bool ExitCapable() const;

    // Each request first checks that the port is open and otherwise sends
    // nothing and returns false, leaving the information record as it is.
    // Reads the version; clears the device type and the stay flag.
    bool ReadBootloaderVersion();
    bool InitProgramming();
    // Erases flash block 1 or 0; the reply to block 0 comes after 3 s.
    bool FlashMassErase(quint8 block);
    bool EepromEraseInit();
    bool EepromMassErase();
    // Sends one record of RecordLength bytes; the header record's reply also
    // carries FF.
    bool WriteRecord(const quint8 *record, bool header);
    // Streams one program record without a pause before the reply: the
    // record's status (reply byte 2, 0 accepted), or -1 when no valid reply
    // came.
    int ProgramRecord(const quint8 *record);
    // Flag 1: the device writes its default settings after programming. The
    // byte the device echoes, or -1 when no valid reply came.
    int SetWriteDefaults(quint8 flag);
    // Leaves the bootloader, only while the stay flag is 0 (no reply).
    bool ExitBootloader();
    // n = 1 reads the device type, n = 2 the stay flag, n = 3 clears it.
    bool BootInfoRequest(quint8 n);
    bool ReadStayFlag();
    bool ClearStayFlag();

    // Reads a reply of count bytes starting with header and ending with the
    // 8-bit sum; zeroed unless valid. Releases the port lock the request's
    // write took.
    bool ReadReply(quint8 *buffer, int count, quint8 header = 0xBD);

    // Contacts a bootloader on the port and selects the upgradable variant for
    // the device type it reports (which may raise EBootloaderConfigError).
    bool ConnectBootloader();
    // Ends a programming run: clears the stay flag and reads it back.
    bool FinishProgramming();

    // Set by the caller that said what is wrong with the bootloader
    // contacted (a kind no variant serves); cleared when no bootloader
    // answers the version request or the port changes, so that it is said
    // once per contact.
    bool ContactProblemSaid = false;

    // The fixed waits (ms); by default the window keeps processing its
    // events during the long one. Tests replace it.
    std::function<void(int ms)> Wait;
    // While set, the wait for a reply runs it every few milliseconds (the
    // upgrade logic lets the window's events run while a record is out), and
    // a reply that does not begin within the port's time for one byte is
    // given up without a further blocking read.
    std::function<void()> WhileWaiting;

protected:
    // The port's read, overridable so that replies can be fed without a port.
    virtual bool ReadPort(quint8 *buffer, int count, int &read);

private:
    bool portOpen() const;
    // Writes frame (the sum is appended), waits, reads the reply.
    bool exchange(QByteArray frame, quint8 *reply, int count, int waitMs = 0);
    bool writeFrame(QByteArray frame);
    void releaseLock();
    // False when WhileWaiting is set and no reply began in time.
    bool awaitReply();
    void logReply(const quint8 *reply, int count);

    TComMultiPort *FPort = nullptr;
    QListWidget *FLog = nullptr;
    TBootInfo FBootInfo;
};

extern TBootloader40Manager *Bootloader40Manager;

// Waits for the first byte of a reply on port for at most the port's time for
// one byte, running whileWaiting first and then every few milliseconds, so
// that the window's events go on meanwhile; false when no reply began in
// time. Without whileWaiting, or on a port without timeouts, it returns true
// at once and the read that follows blocks instead.
bool AwaitReplyStart(TComMultiPort *port, const std::function<void()> &whileWaiting);

// Lets events run while the bootloader manager awaits its replies, for as
// long as it lives; the previous setting comes back afterwards.
class TEventsWhileWaiting
{
public:
    explicit TEventsWhileWaiting(const std::function<void()> &events);
    ~TEventsWhileWaiting();
    TEventsWhileWaiting(const TEventsWhileWaiting &) = delete;
    TEventsWhileWaiting &operator=(const TEventsWhileWaiting &) = delete;

private:
    std::function<void()> FPrevious;
};
