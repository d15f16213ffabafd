// The bootloader side of the firmware upgrade: the port it talks on, and what
// the last bootloader contact learned (its version, the device type it
// reports and whether the device stays in its bootloader).
#pragma once

#include <QObject>
#include <QString>

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

    // Stores the port and the log list (may be nullptr).
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

    // Contacts a bootloader on the port and selects the upgradable variant
    // for the device type it reports. The bootloader protocol is not served
    // yet: nothing is contacted, the information stays cleared and the
    // result is false.
    bool ConnectBootloader();

private:
    TComMultiPort *FPort = nullptr;
    QListWidget *FLog = nullptr;
    TBootInfo FBootInfo;
};

extern TBootloader40Manager *Bootloader40Manager;
