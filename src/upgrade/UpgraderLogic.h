// The firmware-upgrade logic that shares the program's serial port: the port
// and log it works with, the requests to the target's application firmware
// (version, identification, jump to the bootloader), the check of an upgrade
// file's trailer and the streaming of its records to the bootloader.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;
class QListWidget;
class QProgressBar;
class TBootloaderParams;
class TComMultiPort;

// Bytes of one record of an upgrade file.
inline constexpr int UpgradeRecordLength = 36;

// The result of checking an upgrade file's contents against a variant.
struct TUpgradeFileCheck {
    bool Ok = false;
    QString Error;        // the message of the first failed check
    QString Reason;       // what is wrong with the file, in words (may be empty)
    QString Description;  // version and description fields when Ok
    quint8 Version = 0;
};

// Checks the whole file image against the variant's trailer layout: size
// byte, marker, sum and minimum version. Reads nothing outside data.
TUpgradeFileCheck CheckUpgradeData(const QByteArray &data, const TBootloaderParams &params);
// The records sent for a file image: every 36-byte slice that starts before
// the trailer, the last one zero-filled past the end of the file.
QList<QByteArray> UpgradeRecords(const QByteArray &data, const TBootloaderParams &params);

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

    // Requests to the application firmware in the current variant's framing;
    // false without an open port or a reply.
    bool ReadStatusByte(quint8 &version);
    bool ReadVersionByte(quint8 argument, char &letter);
    bool ReadIdentification(QString &textA, QString &textB);
    // Sends the jump to the bootloader; success when the frame was written
    // whole (the application may reset before it answers).
    bool GotoBootloader();

    bool ReadDeviceVersion(QLineEdit *deviceEdit, QLineEdit *fileEdit);
    void ShowVersionInfo(QLineEdit *deviceEdit, QLineEdit *fileEdit);
    // Whether the device type the bootloader reported fits the current variant.
    bool CheckDeviceType();

    // Loads the file once and checks it whole; the image checked is the one
    // SendFileHeader and ProgramFile send. An empty name checks nothing.
    bool CheckUpgradeFile(const QString &fileName, QLineEdit *deviceEdit, QLineEdit *fileEdit);
    bool SendFileHeader(const QString &fileName, QProgressBar *progressBar);
    bool ProgramFile(const QString &fileName, QProgressBar *progressBar,
                     const std::function<void(int seconds)> &onTimeLeft);

    // The target was sent into, or found in, its bootloader.
    bool InBootloader = false;
    // The target's running program answered, and this program sent it into
    // its bootloader: a refusal before anything is erased sends it back.
    bool SentFromProgram = false;
    // Set from the first erase until the whole file is programmed: the device
    // holds no complete firmware and stays in its bootloader.
    bool FlashIncomplete = false;
    // Result of the last device-type check.
    bool DeviceTypeOk = false;
    bool AdapterDetection() const { return FAdapterDetection; }

    QString VersionText() const { return FVersionText; }
    QString DeviceDescription() const { return FDeviceDescription; }
    void ClearDeviceDescription() { FDeviceDescription.clear(); }
    QString DeviceTypeText() const { return FDeviceTypeText; }
    void SetDeviceTypeText(const QString &text) { FDeviceTypeText = text; }
    QString FileDescription() const { return FFileDescription; }

    // Lets pending window events run after each record and while a request
    // to the bootloader or the application waits for its reply (tests may
    // replace it).
    std::function<void()> ProcessEvents = [] { QCoreApplication::processEvents(); };

private:
    bool request(quint8 code, quint8 argument, quint8 *reply, int count);
    // The image of fileName that passed the last check, or loads it.
    const QByteArray *image(const QString &fileName);

    TComMultiPort *FPort = nullptr;
    QListWidget *FLog = nullptr;
    bool FAdapterDetection = false;
    QString FVersionText = QStringLiteral("-");
    QString FDeviceDescription, FDeviceTypeText, FFileDescription;
    QString FFileName;
    QByteArray FFileData;
    bool FFileChecked = false;
};

extern TUpgraderLogic *UpgraderLogic;
