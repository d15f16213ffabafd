// The firmware-upgrade logic that shares the program's serial port: the port
// and log it works with, the version texts of the target, and whether the
// adapter boxes take part in detection.
#pragma once

#include <QObject>
#include <QString>

class QListWidget;
class TComMultiPort;

class TUpgraderLogic : public QObject
{
    Q_OBJECT
public:
    explicit TUpgraderLogic(QObject *parent = nullptr);
    ~TUpgraderLogic() override;

    // Stores the port and the log list (nullptr from the main window) and
    // hands both to the bootloader manager.
    void SetConnection(TComMultiPort *port, QListWidget *log);
    TComMultiPort *Port() const { return FPort; }
    QListWidget *Log() const { return FLog; }

    // VersionText := "-"; DeviceDescription and FileDescription := empty.
    void ClearVersionInfo();
    // Stores the adapter-upgrade flag and enables (at the front, the
    // second-generation adapter current) or disables the adapter variants.
    void SetAdapterDetection(bool on);

    // The target was sent into, or found in, its bootloader.
    bool InBootloader = false;
    // Result of the last device-type check.
    bool DeviceTypeOk = false;
    bool AdapterDetection() const { return FAdapterDetection; }

    QString VersionText() const { return FVersionText; }
    QString DeviceDescription() const { return FDeviceDescription; }
    QString DeviceTypeText() const { return FDeviceTypeText; }
    QString FileDescription() const { return FFileDescription; }

private:
    TComMultiPort *FPort = nullptr;
    QListWidget *FLog = nullptr;
    bool FAdapterDetection = false;
    QString FVersionText = QStringLiteral("-");
    QString FDeviceDescription, FDeviceTypeText, FFileDescription;
};

extern TUpgraderLogic *UpgraderLogic;
