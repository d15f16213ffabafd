// The trace log file: names, line format, cutting long lines, several threads.
#include "core/FileLogger.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

class FileLoggerTest : public ::testing::Test
{
protected:
    QTemporaryDir folder;
    QString previous;
    void SetUp() override
    {
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
    }
    void TearDown() override
    {
        CloseFileLogger();
        QDir::setCurrent(previous);
    }
    QByteArray contents(const QString &name)
    {
        QFile f(folder.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(FileLoggerTest, NothingIsWrittenWhileClosed)
{
    CloseFileLogger();
    LogToFile(QStringLiteral("lost"));
    EXPECT_FALSE(FileLoggerOpen());
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(FileLoggerTest, LineFormatAndTruncatingReopen)
{
    ASSERT_TRUE(InitFileLogger(QStringLiteral("_a")));
    EXPECT_EQ(FileLoggerFileName(), folder.filePath(QStringLiteral("log_a.txt")));
    LogToFile(QStringLiteral("first line"));
    LogToFile(QString());
    const QList<QByteArray> lines = contents(QStringLiteral("log_a.txt")).split('\n');
    ASSERT_EQ(lines.size(), 3);
    const QRegularExpression re(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\((\\d+)\\): (.*)\r$"));
    const auto m0 = re.match(QString::fromLatin1(lines[0]));
    ASSERT_TRUE(m0.hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(m0.captured(2), QStringLiteral("first line"));
    EXPECT_EQ(m0.captured(1).toLongLong(), static_cast<long long>(::gettid()));
    EXPECT_TRUE(re.match(QString::fromLatin1(lines[1])).hasMatch());

    CloseFileLogger();
    LogToFile(QStringLiteral("after close"));
    EXPECT_FALSE(contents(QStringLiteral("log_a.txt")).contains("after close"));

    ASSERT_TRUE(InitFileLogger(QStringLiteral("_a")));  // the same name starts empty
    LogToFile(QStringLiteral("again"));
    EXPECT_EQ(contents(QStringLiteral("log_a.txt")).count('\n'), 1);
}

TEST_F(FileLoggerTest, APipeDeviceOrFolderOfTheLogsNameIsNoLogAndNeverWaitedOn)
{
    {
        // A serial device linked under the log's name takes no line.
        testsupport::DevicePeer device(folder.filePath(QStringLiteral("log_t.txt")));
        ASSERT_TRUE(device.Made());
        EXPECT_FALSE(InitFileLogger(QStringLiteral("_t")));
        LogToFile(QStringLiteral("lost"));
        CloseFileLogger();
        EXPECT_TRUE(device.Received().isEmpty());
    }
    {
        // A reader on the pipe would take the lines of a log that waited.
        testsupport::PipePeer pipe(folder.filePath(QStringLiteral("log_p.txt")), {}, false);
        ASSERT_TRUE(pipe.Made());
        EXPECT_FALSE(InitFileLogger(QStringLiteral("_p")));
        LogToFile(QStringLiteral("lost"));
        CloseFileLogger();
        EXPECT_TRUE(pipe.Release().isEmpty());
    }
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("log_d.txt")));
    EXPECT_FALSE(InitFileLogger(QStringLiteral("_d")));
    EXPECT_FALSE(FileLoggerOpen());
}

TEST_F(FileLoggerTest, LongLineIsCutToFitWithItsLineEnd)
{
    ASSERT_TRUE(InitFileLogger(QStringLiteral("_long")));
    LogToFile(QString(5000, QLatin1Char('x')));
    // A line that just fits stays whole.
    const QByteArray head = contents(QStringLiteral("log_long.txt")).left(
        contents(QStringLiteral("log_long.txt")).indexOf(": ") + 2);
    const int room = kLogLineBufferSize - head.size() - 2;
    LogToFile(QString(room, QLatin1Char('y')));
    // Multi-byte characters are not split.
    LogToFile(QString(3000, QChar(0x0105)));
    const QList<QByteArray> lines = contents(QStringLiteral("log_long.txt")).split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0].size() + 1, kLogLineBufferSize);
    EXPECT_TRUE(lines[0].endsWith("xx\r"));
    EXPECT_EQ(lines[1].size() + 1, kLogLineBufferSize);
    EXPECT_EQ(lines[1].count('y'), room);
    EXPECT_LE(lines[2].size() + 1, kLogLineBufferSize);
    EXPECT_GE(lines[2].size() + 1, kLogLineBufferSize - 1);
    const QString decoded = QString::fromUtf8(lines[2]);
    EXPECT_FALSE(decoded.contains(QChar::ReplacementCharacter));
    EXPECT_TRUE(decoded.endsWith(QString(QChar(0x0105)) + QLatin1Char('\r')));
}

TEST_F(FileLoggerTest, LinesFromSeveralThreadsStayWhole)
{
    ASSERT_TRUE(InitFileLogger(QStringLiteral("_mt")));
    constexpr int kThreads = 8, kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                LogToFile(QStringLiteral("thread %1 line %2 ").arg(t).arg(i) + QString(200, QLatin1Char('a' + t)));
        });
    for (std::thread &th : threads)
        th.join();
    const QList<QByteArray> lines = contents(QStringLiteral("log_mt.txt")).split('\n');
    ASSERT_EQ(lines.size(), kThreads * kLines + 1);
    const QRegularExpression re(QStringLiteral("^[-0-9 :.]{23} \\(\\d+\\): thread (\\d) line \\d+ ([a-h])\\2{199}\r$"));
    int bad = 0;
    for (int i = 0; i < kThreads * kLines; ++i) {
        const auto m = re.match(QString::fromLatin1(lines[i]));
        if (!m.hasMatch() || m.captured(2)[0].unicode() - 'a' != m.captured(1).toInt())
            ++bad;
    }
    EXPECT_EQ(bad, 0);
}

TEST_F(FileLoggerTest, LinesRacingCloseAndReopenAreWholeOrAbsent)
{
    // Writers keep logging while the log is closed and opened again: a line
    // lands whole in one of the files or nowhere, and nothing crashes.
    ASSERT_TRUE(InitFileLogger(QStringLiteral("_r0")));
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&stop, t] {
            for (int i = 0; !stop; ++i)
                LogToFile(QStringLiteral("w%1 %2 ").arg(t).arg(i) + QString(100, QLatin1Char('z')));
        });
    for (int round = 1; round <= 20; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        CloseFileLogger();
        LogToFile(QStringLiteral("never written"));
        ASSERT_TRUE(InitFileLogger(QStringLiteral("_r%1").arg(round % 2)));
    }
    stop = true;
    for (std::thread &th : writers)
        th.join();
    CloseFileLogger();
    const QRegularExpression re(QStringLiteral("^[-0-9 :.]{23} \\(\\d+\\): w\\d \\d+ z{100}\r$"));
    int lines = 0, bad = 0;
    for (const QString &name : {QStringLiteral("log_r0.txt"), QStringLiteral("log_r1.txt")}) {
        const QByteArray text = contents(name);
        EXPECT_FALSE(text.contains("never written"));
        for (const QByteArray &line : text.split('\n')) {
            if (line.isEmpty())
                continue;
            ++lines;
            if (!re.match(QString::fromLatin1(line)).hasMatch())
                ++bad;
        }
    }
    EXPECT_GT(lines, 0);
    EXPECT_EQ(bad, 0);
}
