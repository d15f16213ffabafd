#include "common/GiveUp.h"
#include "core/FileRead.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <functional>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
// Runs once, right after the next look at the name LookedAt, as another
// program acting between that look and what follows it would.
QByteArray LookedAt;
std::function<void()> AfterTheLook;
} // namespace

// This program's stat(): the system's, then the action waiting for the name.
extern "C" int stat(const char *__restrict path, struct stat *__restrict buf) noexcept
{
    const int result = ::fstatat(AT_FDCWD, path, buf, 0);
    if (AfterTheLook && LookedAt == path)
        std::exchange(AfterTheLook, {})();
    return result;
}

TEST(FileRead, AFileOpenedForWritingIsRegularEvenWhenItsNameIsSwappedForAPipe)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("log.txt")), other = dir.filePath(QStringLiteral("other"));
    const QByteArray n = QFile::encodeName(name), o = QFile::encodeName(other);
    ASSERT_EQ(::mkfifo(o.constData(), 0600), 0);
    // A reader on the pipe: opening it for writing does not fail at once.
    const int reader = ::open(o.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    QString notAFile;
    ASSERT_EQ(OpenRegularFileForWriting(other, notAFile), -1);
    ASSERT_FALSE(notAFile.isEmpty());
    ASSERT_TRUE(QFile(name).open(QIODevice::WriteOnly));

    const auto swap = [&] { return ::renameat2(AT_FDCWD, n.constData(), AT_FDCWD, o.constData(), RENAME_EXCHANGE) == 0; };
    if (!swap()) {
        ::close(reader);
        GTEST_SKIP() << "the temporary folder's file system cannot swap two names";
    }
    std::atomic<long> swaps{0};
    const std::jthread swapper([&](const std::stop_token &stop) {
        while (!stop.stop_requested())
            swaps += swap();
    });
    const auto giveUp = std::chrono::steady_clock::now() + testsupport::GiveUp;
    while (swaps < 100 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    const bool swapping = swaps >= 100;
    // Each attempt gives a regular file or is refused as no regular file.
    for (int i = 0; swapping && i < 20000; ++i) {
        QString reason;
        const int fd = OpenRegularFileForWriting(name, reason);
        struct stat st {};
        const bool regular = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (fd >= 0)
            ::close(fd);
        ASSERT_TRUE(fd < 0 ? reason == notAFile : regular) << "attempt " << i << ": " << reason.toStdString();
    }
    ::close(reader);
    ASSERT_TRUE(swapping) << "gave up waiting for the names to be swapped";
}

TEST(FileRead, ANameSwappedForAPipeRightAfterItsLookIsRefusedAndTheFileKept)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("log.txt"));
    const QByteArray n = QFile::encodeName(name), kept = n + ".kept", pipe = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    const int reader = ::open(pipe.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    QString notAFile;
    ASSERT_EQ(OpenRegularFileForWriting(QFile::decodeName(pipe), notAFile), -1);
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("kept") == 4);
    file.close();
    // The name is a file when looked at and a pipe with a reader when opened.
    LookedAt = n;
    AfterTheLook = [&] { ASSERT_TRUE(::rename(n.constData(), kept.constData()) == 0 && ::rename(pipe.constData(), n.constData()) == 0); };
    QString reason;
    const int fd = OpenRegularFileForWriting(name, reason);
    if (fd >= 0)
        ::close(fd);
    ::close(reader);
    EXPECT_FALSE(AfterTheLook) << "the name was looked at";
    AfterTheLook = {};
    EXPECT_EQ(fd, -1);
    EXPECT_EQ(reason, notAFile);
    QFile back(QFile::decodeName(kept));
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), "kept");
}
