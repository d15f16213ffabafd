#include "core/FileRead.h"

#include "core/LM.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFileRead ReadRegularFile(const QString &path, qint64 maxSize)
{
    TFileRead r;
    if (path.isEmpty())
        return r;
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type is
    // checked on the open descriptor, so nothing can be swapped in between.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        r.Result = error == ENOENT || error == ENOTDIR ? TFileRead::Status::NotFound : TFileRead::Status::ReadError;
        r.SystemError = QString::fromLocal8Bit(std::strerror(error));
        return r;
    }
    r.Opened = true;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        r.Result = TFileRead::Status::NotAFile;
        return r;
    }
    r.Size = st.st_size;
    if (st.st_size > maxSize) {
        ::close(fd);
        r.Result = TFileRead::Status::TooLarge;
        return r;
    }
    // A file that grows while it is read is cut at the limit plus one byte
    // and refused.
    QByteArray bytes;
    bytes.resize(qsizetype(st.st_size) + 1);
    qint64 total = 0;
    while (total < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + total, size_t(bytes.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            r.Result = TFileRead::Status::ReadError;
            r.SystemError = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return r;
        }
        if (n == 0)
            break;
        total += n;
        if (total > maxSize) {
            ::close(fd);
            r.Size = total;
            r.Result = TFileRead::Status::TooLarge;
            return r;
        }
        if (total == bytes.size())
            bytes.resize(bytes.size() + 4096);
    }
    ::close(fd);
    bytes.resize(qsizetype(total));
    r.Bytes = bytes;
    r.Size = total;
    r.Result = TFileRead::Status::Ok;
    return r;
}

namespace {
QString Text(const char *key, const char *english);
}

int OpenRegularFileForWriting(const QString &path, QString &reason)
{
    const QByteArray native = QFile::encodeName(path);
    const QString notAFile = Text("strFileNotRegularReason", "it is not a regular file (a folder, a pipe or a device)");
    // A name that already stands for something other than a file is not even
    // opened: opening a serial device raises its modem lines.
    struct stat existing {};
    if (::stat(native.constData(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        reason = notAFile;
        return -1;
    }
    // O_NONBLOCK: a FIFO without a reader fails at once instead of waiting;
    // the type is checked on the open descriptor before anything is emptied.
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        const int error = errno;
        reason = error == ENXIO || error == EISDIR ? notAFile : QString::fromLocal8Bit(std::strerror(error));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        reason = notAFile;
        return -1;
    }
    if (::ftruncate(fd, 0) != 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

namespace {

// The language's text of key, the English one without a language file.
QString Text(const char *key, const char *english)
{
    const QString k = QString::fromLatin1(key);
    if (LM) {
        const QString t = LM->Translate(k);
        if (!t.isEmpty() && !t.startsWith(QLatin1String("!_")))
            return t;
    }
    return QString::fromUtf8(english);
}

} // namespace

QString TFileRead::DescribeNotText(const QString &path)
{
    return Text("strFileNotText", "%1 is damaged: it is not a text file (it holds NUL bytes).").arg(path);
}

bool TFileRead::NameUnreadable(const QString &path)
{
    return path.contains(QChar::ReplacementCharacter);
}

QString TFileRead::Describe(const QString &path, qint64 maxSize) const
{
    switch (Result) {
    case Status::Ok:
        return QString();
    case Status::NotFound:
        if (NameUnreadable(path))
            return Text("strFileNameUnreadable",
                        "%1 cannot be opened: its name is not valid text (UTF-8). Rename the file and choose it again.")
                .arg(path);
        return Text("strFileMissing", "%1 does not exist.").arg(path);
    case Status::NotAFile:
        return Text("strFileNotRegular", "%1 is not a regular file.").arg(path);
    case Status::TooLarge:
        return Text("strFileTooLarge", "%1 holds %2 bytes, more than such a file can hold (%3 bytes).")
            .arg(path)
            .arg(Size)
            .arg(maxSize);
    case Status::ReadError:
        break;
    }
    return Text("strFileReadError", "%1 cannot be read: %2").arg(path, SystemError);
}
