#include "upgrade/UpgraderLogic.h"

#include "core/ComMultiPort.h"
#include "core/FileRead.h"
#include "core/FrameChecksum.h"
#include "core/LM.h"
#include "core/ui/Common.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProgressBar>

#include <cstring>

TUpgraderLogic *UpgraderLogic = nullptr;

namespace {
constexpr int ProductAdapter = 40;
constexpr int ProductAdapterV2 = 98;
constexpr int MaxTrailer = 69;
// An upgrade file larger than this is no firmware image.
constexpr qint64 MaxUpgradeFileSize = 4 << 20;

void warn(const QString &text)
{
    if (Common)
        Common->ShowWarningMessage(text);
}

// The hourglass for the lifetime of the object.
struct TBusyCursor {
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};

int trailerLength(const TBootloaderParams &p)
{
    return p.GetMarkerLength() + p.GetTrailerLength();
}

QString field(const QByteArray &trailer, int from, int length, bool text)
{
    QString out;
    for (int i = from; i < from + length && i < trailer.size(); ++i) {
        const quint8 b = quint8(trailer[i]);
        out += text ? QString(QChar::fromLatin1(char(b))) : QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

// The language's text of key, the English one without a language file.
QString text(const char *key, const char *english)
{
    const QString t = LM ? LM->Translate(QString::fromLatin1(key)) : QString();
    return t.isEmpty() || t.startsWith(QLatin1String("!_")) ? QString::fromUtf8(english) : t;
}

void setupProgress(QProgressBar *bar, qsizetype size)
{
    if (!bar)
        return;
    bar->setMaximum(int((size + UpgradeRecordLength / 2) / UpgradeRecordLength) + 2);
    bar->setValue(0);
}
} // namespace

TUpgradeFileCheck CheckUpgradeData(const QByteArray &data, const TBootloaderParams &p)
{
    TUpgradeFileCheck r;
    const int m = p.GetMarkerLength();
    const int t = trailerLength(p);
    if (t > MaxTrailer || t < m + 2) {
        r.Error = QStringLiteral("File error 3 [BufferSize>MaxBufferSize]");
        return r;
    }
    // A file shorter than the trailer leaves it all zero.
    QByteArray trailer(t, '\0');
    if (data.size() >= t)
        trailer = data.right(t);
    const auto at = [&](int i) { return quint8(trailer[i]); };
    if (at(t - 1) != quint8(data.size() & 0xFF)) {
        r.Error = QStringLiteral("Wrong file or file corrupted");
        r.Reason = text("strUpgFileLength", "The file's length does not match the length its last byte gives: "
                                            "the file is cut short or damaged.");
        return r;
    }
    bool marker = true;
    for (int i = 0; i < m; ++i)
        marker = marker && at(i) == '#';
    const quint8 sum = FrameChecksum(reinterpret_cast<const quint8 *>(trailer.constData()) + m, size_t(t - 2 - m));
    if (!marker || at(t - 2) != sum) {
        r.Error = QStringLiteral("Incompatible file format");
        r.Reason = data.isEmpty() ? text("strUpgFileEmpty", "The file is empty.")
                                  : text("strUpgFileEnd", "The file does not end with the closing block of a firmware "
                                                          "file for this device.");
        return r;
    }
    // A file of the trailer alone holds no program: programming it would
    // erase the device and write nothing.
    if (data.size() <= t) {
        r.Error = QStringLiteral("Wrong file or file corrupted");
        r.Reason = text("strUpgFileNoProgram", "The file holds no program, only its closing block.");
        return r;
    }
    const int vpos = m + p.GetVersionBytePos() - 1;
    r.Version = at(vpos);
    if (r.Version < p.GetMinFileVersion()) {
        r.Error = QStringLiteral("Required firmware version: %1\r\nFound version: %2")
                      .arg(QString::number(p.GetMinFileVersion(), 16).toUpper(), QString::number(r.Version, 16).toUpper());
        return r;
    }
    const int f1 = m + p.GetField1Offset() - 1, n1 = p.GetField1Length() + 1;
    const int f2 = m + p.GetField2Offset() - 1, n2 = p.GetField2Length() + 1;
    const bool text = at(f1) >= '0' && at(f1) <= '9';
    QString d = QStringLiteral("%1").arg(r.Version, 2, 16, QLatin1Char('0')).toUpper() + QChar::fromLatin1(char(at(vpos + 1)))
                + QStringLiteral(" (") + field(trailer, f1, n1, text) + (text ? QStringLiteral(" ") : QStringLiteral(": "))
                + field(trailer, f2, n2, text);
    if (!text)
        d.chop(1);
    r.Description = d + QStringLiteral(")");
    r.Ok = true;
    return r;
}

QList<QByteArray> UpgradeRecords(const QByteArray &data, const TBootloaderParams &p)
{
    QList<QByteArray> records;
    const qsizetype end = data.size() - trailerLength(p);
    for (qsizetype pos = 0; pos < end; pos += UpgradeRecordLength) {
        QByteArray record = data.mid(pos, UpgradeRecordLength);
        record.resize(UpgradeRecordLength, '\0');
        records << record;
    }
    return records;
}

TUpgraderLogic::TUpgraderLogic(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("UpgraderLogic"));
}

TUpgraderLogic::~TUpgraderLogic()
{
    if (::UpgraderLogic == this)
        ::UpgraderLogic = nullptr;
}

void TUpgraderLogic::SetConnection(TComMultiPort *port, QListWidget *log)
{
    FPort = port;
    FLog = log;
    if (Bootloader40Manager)
        Bootloader40Manager->SetConnection(port, log);
}

void TUpgraderLogic::ClearVersionInfo()
{
    FVersionText = QStringLiteral("-");
    FDeviceDescription.clear();
    FFileDescription.clear();
}

void TUpgraderLogic::SetAdapterDetection(bool on)
{
    FAdapterDetection = on;
    if (!BootloaderConfig || BootloaderConfig->GetProductCount() == 1)
        return;
    if (on) {
        BootloaderConfig->EnableProduct(ProductAdapter, 0);
        BootloaderConfig->UpdateParamsToHardware(ProductAdapter, 0, 0);
        BootloaderConfig->EnableProduct(ProductAdapterV2, 0);
        BootloaderConfig->UpdateParamsToHardware(ProductAdapterV2, 0, 0);
    } else {
        BootloaderConfig->DisableProduct(ProductAdapter);
        BootloaderConfig->DisableProduct(ProductAdapterV2);
    }
}

namespace {
// Gives back the lock an exchange took around itself and, on a port whose
// write keeps the lock for the reply's reader, the write's lock too:
// answered, silent or failed, the port is free afterwards.
void releaseExchangeLock(TComMultiPort *port)
{
    if (!port->ThreadSafe())
        return;
    if (port->LockingStrategy() == lsReadDataWithControl)
        port->ReleaseLock();
    port->ReleaseLock();
}
} // namespace

bool TUpgraderLogic::request(quint8 code, quint8 argument, quint8 *reply, int count)
{
    std::memset(reply, 0, size_t(count));
    TBootloaderParams *p = CurrentBootloaderParams();
    if (!p || !FPort || !FPort->GetConnected())
        return false;
    const QByteArray frame = p->CommandFrame(code, argument);
    const bool locked = FPort->ThreadSafe();
    if (locked)
        FPort->AcquireLock();
    FPort->PurgeInput();
    int written = 0, read = 0;
    // The window's events go on while the reply is awaited.
    bool ok = FPort->WriteData(frame.constData(), int(frame.size()), written) && written == frame.size()
              && AwaitReplyStart(FPort, ProcessEvents) && FPort->ReadData(reply, count, read) && read == count;
    releaseExchangeLock(FPort);
    // The reply ends in the 8-bit sum of all bytes before it.
    ok = ok && (reply[0] == p->GetReplyHeader() || reply[0] == 0xBD)
         && reply[count - 1] == FrameChecksum(reply, size_t(count - 1));
    if (!ok)
        std::memset(reply, 0, size_t(count));
    return ok;
}

bool TUpgraderLogic::ReadStatusByte(quint8 &version)
{
    TBootloaderParams *p = CurrentBootloaderParams();
    quint8 reply[4];
    if (!p || !request(p->GetStatusCommand(), 1, reply, 4))
        return false;
    version = reply[2];
    return true;
}

bool TUpgraderLogic::ReadVersionByte(quint8 argument, char &letter)
{
    TBootloaderParams *p = CurrentBootloaderParams();
    quint8 reply[4];
    if (!p || !request(p->GetVersionCommand(), argument, reply, 4))
        return false;
    letter = char(reply[2]);
    return true;
}

bool TUpgraderLogic::ReadIdentification(QString &textA, QString &textB)
{
    TBootloaderParams *p = CurrentBootloaderParams();
    quint8 reply[22];
    if (!p || !request(p->GetIdentifyCommand(), 2, reply, 22))
        return false;
    textA = QString::fromLatin1(reinterpret_cast<const char *>(reply + 2), 8);
    textB = QString::fromLatin1(reinterpret_cast<const char *>(reply + 10), 11);
    return true;
}

bool TUpgraderLogic::GotoBootloader()
{
    TBootloaderParams *p = CurrentBootloaderParams();
    if (!p || !FPort || !FPort->GetConnected())
        return false;
    const QByteArray frame = p->CommandFrame(0xE2, 0x01);
    const bool locked = FPort->ThreadSafe();
    if (locked)
        FPort->AcquireLock();
    FPort->PurgeInput();
    int written = 0, read = 0;
    const bool sent = FPort->WriteData(frame.constData(), int(frame.size()), written) && written == frame.size();
    quint8 reply[4] = {};
    // The application may reset before it answers; a whole frame is enough.
    // A device already in its bootloader never answers: the window's events
    // go on while the answer is awaited.
    const bool answered = AwaitReplyStart(FPort, ProcessEvents) && FPort->ReadData(reply, 4, read)
                          && read == 4 && reply[0] == p->GetReplyHeader() && reply[1] == 0xE2;
    releaseExchangeLock(FPort);
    InBootloader = sent || answered;
    return InBootloader;
}

bool TUpgraderLogic::ReadDeviceVersion(QLineEdit *deviceEdit, QLineEdit *fileEdit)
{
    quint8 number = 0;
    const bool ok = ReadStatusByte(number);
    if (!ok) {
        FVersionText = QStringLiteral("-");
        FDeviceDescription.clear();
    } else {
        char letter = 0;
        if (ReadVersionByte(0, letter)) {
            FVersionText = QStringLiteral("%1").arg(number, 2, 16, QLatin1Char('0')).toUpper() + QChar::fromLatin1(letter);
            QString a, b;
            FDeviceDescription = ReadIdentification(a, b)
                                     ? QStringLiteral("%1 (%2 %3)").arg(FVersionText, a, b)
                                     : QString();
        }
    }
    FDeviceTypeText = Bootloader40Manager ? Bootloader40Manager->DeviceTypeName() : QString();
    ShowVersionInfo(deviceEdit, fileEdit);
    return ok;
}

void TUpgraderLogic::ShowVersionInfo(QLineEdit *deviceEdit, QLineEdit *fileEdit)
{
    if (deviceEdit) {
        QString text = FDeviceDescription.isEmpty() ? QStringLiteral("-") : FDeviceDescription;
        if (!FDeviceTypeText.isEmpty())
            text = QStringLiteral("%1 / %2").arg(text, FDeviceTypeText);
        deviceEdit->setText(text);
    }
    if (fileEdit)
        fileEdit->setText(FFileDescription.isEmpty() ? QStringLiteral("-") : FFileDescription);
}

bool TUpgraderLogic::CheckDeviceType()
{
    DeviceTypeOk = true;
    if (!Bootloader40Manager || !BootloaderConfig)
        return DeviceTypeOk;
    const TBootInfo &info = Bootloader40Manager->BootInfo();
    const int t = info.DeviceTypeCode;
    if (!FAdapterDetection && t != ProductAdapter && t != ProductAdapterV2) {
        BootloaderConfig->DisableProduct(ProductAdapter);
        BootloaderConfig->DisableProduct(ProductAdapterV2);
    } else {
        BootloaderConfig->EnableProduct(ProductAdapter, 0);
        BootloaderConfig->EnableProduct(ProductAdapterV2, 0);
    }
    // An old bootloader reports no type; its version tells the product.
    const int product = t != 0 ? t : info.BootMajor == 3 ? 10 : info.BootMajor == 4 ? 3 : 0;
    TBootloaderParams *current = BootloaderConfig->Current();
    if (product != ProductAdapter && product != ProductAdapterV2
        && (!current || product != current->GetProductNumber())) {
        DeviceTypeOk = false;
        warn(QStringLiteral("Connected to device of incorrect type:") + QStringLiteral(" ")
             + Bootloader40Manager->DeviceTypeName() + QStringLiteral("\r\n")
             + QStringLiteral("Please use dedicated software to upgrade the device."));
    }
    return DeviceTypeOk;
}

bool TUpgraderLogic::CheckUpgradeFile(const QString &fileName, QLineEdit *deviceEdit, QLineEdit *fileEdit)
{
    if (fileName.isEmpty())
        return true;
    TBusyCursor cursor;
    FFileChecked = false;
    FFileName = fileName;
    FFileData.clear();
    TBootloaderParams *p = CurrentBootloaderParams();
    if (!p)
        return false;
    // Only a regular file of a firmware file's size is read.
    const TFileRead read = ReadRegularFile(fileName, MaxUpgradeFileSize);
    if (!read.Ok()) {
        // The file named with what is wrong; a read that failed part-way is
        // the read error of the file's format, a file the system would not
        // open (no permission, a loop of links) is said so.
        const QString reason = read.Describe(fileName, MaxUpgradeFileSize);
        if (read.Result != TFileRead::Status::ReadError)
            warn(reason);
        else if (read.Opened)
            warn(QStringLiteral("File error 2 [Count<>BufferSize]\r\n\r\n") + reason);
        else
            warn(text("strUpgradeFileNotOpened", "%1 cannot be opened: %2").arg(fileName, read.SystemError));
        return false;
    }
    FFileData = read.Bytes;
    const TUpgradeFileCheck check = CheckUpgradeData(FFileData, *p);
    if (!check.Ok) {
        warn(check.Error + QStringLiteral("\r\n\r\n") + fileName
             + (check.Reason.isEmpty() ? QString() : QStringLiteral("\r\n") + check.Reason));
        return false;
    }
    // The time estimate and the record pacing assume the line's 9600 baud.
    if (FPort && FPort->BaudRate() != ComBaudRateFromSpeed(9600)) {
        warn(QStringLiteral("Unhandled COM port speed"));
        return false;
    }
    FFileDescription = check.Description;
    FFileChecked = true;
    ShowVersionInfo(deviceEdit, fileEdit);
    return true;
}

const QByteArray *TUpgraderLogic::image(const QString &fileName)
{
    if (!(FFileChecked && fileName == FFileName) && !CheckUpgradeFile(fileName, nullptr, nullptr))
        return nullptr;
    return &FFileData;
}

bool TUpgraderLogic::SendFileHeader(const QString &fileName, QProgressBar *progressBar)
{
    if (fileName.isEmpty())
        return true;
    const QByteArray *data = image(fileName);
    if (!data)
        return false;
    TBusyCursor cursor;
    setupProgress(progressBar, data->size());
    if (data->isEmpty() || !Bootloader40Manager) {
        warn(QStringLiteral("File error 1 [Count<>BufferSize]"));
        return false;
    }
    QByteArray record = data->left(UpgradeRecordLength);
    record.resize(UpgradeRecordLength, '\0');
    const TEventsWhileWaiting events(ProcessEvents);
    const bool ok = Bootloader40Manager->WriteRecord(reinterpret_cast<const quint8 *>(record.constData()), true);
    if (progressBar)
        progressBar->setValue(progressBar->value() + 1);
    if (ProcessEvents)
        ProcessEvents();
    if (progressBar)
        progressBar->setValue(0);
    return ok;
}

bool TUpgraderLogic::ProgramFile(const QString &fileName, QProgressBar *progressBar,
                                 const std::function<void(int seconds)> &onTimeLeft)
{
    if (fileName.isEmpty())
        return true;
    TBootloaderParams *p = CurrentBootloaderParams();
    const QByteArray *data = image(fileName);
    if (!data || !p || !Bootloader40Manager)
        return false;
    TBusyCursor cursor;
    setupProgress(progressBar, data->size());
    const qsizetype end = data->size() - trailerLength(*p);
    qsizetype pos = 0;
    const TEventsWhileWaiting events(ProcessEvents);
    for (const QByteArray &record : UpgradeRecords(*data, *p)) {
        if (onTimeLeft) {
            const qint64 remaining = end - pos;
            onTimeLeft(int(remaining * 44 / 36 * 8 / 7680));
        }
        const int status = Bootloader40Manager->ProgramRecord(reinterpret_cast<const quint8 *>(record.constData()));
        if (status < 0)
            return false;
        if (status != 0) {
            warn(QStringLiteral("Error") + QStringLiteral("-pbf"));
            return false;
        }
        pos += UpgradeRecordLength;
        if (progressBar)
            progressBar->setValue(progressBar->value() + 1);
        if (ProcessEvents)
            ProcessEvents();
    }
    return true;
}
