#include "core/FileLogger.h"

#include "core/FileRead.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <memory>
#include <mutex>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct Logger {
    std::recursive_mutex lock;  // exists always, so a line racing a close is safe
    std::unique_ptr<QFile> file;
    QString name; // of the open file
};

Logger &logger()
{
    static Logger l;
    return l;
}

} // namespace

bool InitFileLogger(const QString &namePart)
{
    Logger &l = logger();
    std::lock_guard<std::recursive_mutex> guard(l.lock);
    l.file.reset();
    // Only a regular file is written: a pipe or a device of the log's name
    // must not hold the program up.
    const QString name = QDir::current().filePath(QStringLiteral("log") + namePart + QStringLiteral(".txt"));
    QString reason;
    const int fd = OpenRegularFileForWriting(name, reason);
    if (fd < 0)
        return false;
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    l.file = std::move(file);
    l.name = name;
    return true;
}

void LogToFile(const QString &text)
{
    Logger &l = logger();
    std::lock_guard<std::recursive_mutex> guard(l.lock);
    if (!l.file)
        return;
    const QByteArray head = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toLatin1()
                            + " (" + QByteArray::number(static_cast<long long>(::syscall(SYS_gettid))) + "): ";
    QByteArray body = text.toUtf8();
    const qsizetype room = kLogLineBufferSize - head.size() - 2;
    if (body.size() > room) {
        qsizetype cut = room > 0 ? room : 0;
        // Do not split a multi-byte character.
        while (cut > 0 && (static_cast<unsigned char>(body[cut]) & 0xC0) == 0x80)
            --cut;
        body.truncate(cut);
    }
    l.file->write(head + body + "\r\n");
}

void CloseFileLogger()
{
    Logger &l = logger();
    std::lock_guard<std::recursive_mutex> guard(l.lock);
    l.file.reset();
}

bool FileLoggerOpen()
{
    Logger &l = logger();
    std::lock_guard<std::recursive_mutex> guard(l.lock);
    return l.file != nullptr;
}

QString FileLoggerFileName()
{
    Logger &l = logger();
    std::lock_guard<std::recursive_mutex> guard(l.lock);
    return l.file ? l.name : QString();
}
