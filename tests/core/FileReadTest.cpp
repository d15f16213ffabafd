// Files opened for writing: only a regular file is ever written, also when
// its name is swapped for a pipe while it is being opened.
#include "core/FileRead.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(FileRead, AFileOpenedForWritingIsRegularEvenWhenItsNameIsSwappedForAPipe)
{
    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.filePath(QStringLiteral("log.txt")));
    const QByteArray other = QFile::encodeName(dir.filePath(QStringLiteral("other")));
    ASSERT_EQ(::mkfifo(other.constData(), 0600), 0);
    // A reader on the pipe: opening it for writing does not fail at once.
    const int reader = ::open(other.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    QString notAFile;
    ASSERT_EQ(OpenRegularFileForWriting(QFile::decodeName(other), notAFile), -1);
    ASSERT_FALSE(notAFile.isEmpty());
    {
        QFile file(QFile::decodeName(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    // The name stands for the file and the pipe in turns, swapped whole.
    if (::renameat2(AT_FDCWD, name.constData(), AT_FDCWD, other.constData(), RENAME_EXCHANGE) != 0) {
        ::close(reader);
        GTEST_SKIP() << "the temporary folder's file system cannot swap two names";
    }
    std::atomic<bool> stop{false};
    std::atomic<long> swaps{0};
    std::thread swapper([&] {
        while (!stop) {
            if (::renameat2(AT_FDCWD, name.constData(), AT_FDCWD, other.constData(), RENAME_EXCHANGE) == 0)
                ++swaps;
        }
    });
    while (swaps < 100)
        std::this_thread::yield();
    // Each attempt gives a regular file or is refused as no regular file,
    // never with a reason of a write the pipe could not take.
    int pipesOpened = 0;
    QString otherReason;
    for (int i = 0; i < 20000; ++i) {
        QString reason;
        const int fd = OpenRegularFileForWriting(QFile::decodeName(name), reason);
        if (fd < 0) {
            if (reason != notAFile)
                otherReason = reason;
            continue;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
            ++pipesOpened;
        ::close(fd);
    }
    stop = true;
    swapper.join();
    ::close(reader);
    EXPECT_EQ(pipesOpened, 0);
    EXPECT_TRUE(otherReason.isEmpty()) << otherReason.toStdString();
}
