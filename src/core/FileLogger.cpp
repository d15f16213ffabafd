#include "core/FileLogger.h"

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
    auto file = std::make_unique<QFile>(QDir::current().filePath(QStringLiteral("log") + namePart + QStringLiteral(".txt")));
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    l.file = std::move(file);
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
    return l.file ? l.file->fileName() : QString();
}
