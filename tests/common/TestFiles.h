// Whole-file reads and writes for tests that check what a program writes.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

// The file's bytes; empty when it cannot be read.
inline QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes the bytes to the file (the folder must exist); fails the test when
// the file cannot be opened.
inline void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A named pipe in place of a file, with a peer on its other end: given
// bytes, a writer that waits for a reader and hands it the bytes; without, a
// reader that waits for a writer and keeps what it gets. A program that opens
// the pipe and waits meets the peer; one that refuses the pipe never does,
// and the peer is released when this goes.
class PipePeer
{
public:
    PipePeer(const QString &path, const QByteArray &give, bool writes)
        : FPath(QFile::encodeName(path)), FWrites(writes)
    {
        FMade = ::mkfifo(FPath.constData(), 0600) == 0;
        if (!FMade)
            return;
        FThread = std::thread([this, give] {
            // A reader that leaves at once must not end the process.
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &set, nullptr);
            struct Done {
                std::atomic<bool> &flag;
                ~Done() { flag = true; }
            } done{FDone};
            const int fd = ::open(FPath.constData(), FWrites ? O_WRONLY : O_RDONLY);
            if (fd < 0)
                return;
            if (FWrites) {
                ssize_t done = 0;
                while (done < give.size()) {
                    const ssize_t n = ::write(fd, give.constData() + done, size_t(give.size() - done));
                    if (n <= 0)
                        break;
                    done += n;
                }
            } else {
                char buffer[4096];
                ssize_t n;
                while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
                    FReceived.append(buffer, n);
            }
            ::close(fd);
        });
    }
    ~PipePeer() { Release(); }
    bool Made() const { return FMade; }
    // Meets a peer still waiting, then waits for it; what the reader got.
    const QByteArray &Release()
    {
        if (FThread.joinable()) {
            // Opening the other end wakes a peer waiting in its open; it may
            // not be waiting yet, so knock until it is done.
            while (!FDone) {
                const int fd = ::open(FPath.constData(), (FWrites ? O_RDONLY : O_WRONLY) | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            FThread.join();
        }
        return FReceived;
    }

private:
    QByteArray FPath;
    bool FWrites;
    bool FMade = false;
    QByteArray FReceived;
    std::atomic<bool> FDone{false};
    std::thread FThread;
};

// A serial device in place of a file: a pseudo-terminal whose device is
// linked under the path. What a program writes into the device arrives at
// its other end.
class DevicePeer
{
public:
    explicit DevicePeer(const QString &path)
    {
        char name[256] = {};
        if (::openpty(&FMaster, &FSlave, name, nullptr, nullptr) != 0)
            return;
        ::fcntl(FMaster, F_SETFL, ::fcntl(FMaster, F_GETFL) | O_NONBLOCK);
        FMade = QFile::link(QString::fromLocal8Bit(name), path);
    }
    ~DevicePeer()
    {
        for (int fd : {FMaster, FSlave})
            if (fd >= 0)
                ::close(fd);
    }
    DevicePeer(const DevicePeer &) = delete;
    DevicePeer &operator=(const DevicePeer &) = delete;
    bool Made() const { return FMade; }
    // What arrived so far.
    QByteArray Received() const
    {
        QByteArray got;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(FMaster, buffer, sizeof buffer)) > 0)
            got.append(buffer, n);
        return got;
    }

private:
    int FMaster = -1, FSlave = -1;
    bool FMade = false;
};

} // namespace testsupport
