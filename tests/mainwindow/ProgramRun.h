#pragma once
// Runs the real program binary against a simulated controller on a
// pseudo-terminal: temporary ports, config and home folders, boxes answered
// from the environment, headless. Shared by the end-to-end test and the
// start-up benchmark.

#include "common/GiveUp.h"
#include "core/ComMultiPort.h"
#include "mainwindow/StartupRig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

namespace startup {

class ProgramRun
{
public:
    ProgramRun()
    {
        PortsDir = FDir.filePath(QStringLiteral("ports"));
        ConfigDir = FDir.filePath(QStringLiteral("config"));
        HomeDir = FDir.filePath(QStringLiteral("home"));
        for (const QString &d : {PortsDir, ConfigDir, HomeDir})
            QDir().mkpath(d);
        Device = std::make_unique<SimDevice>(PortsDir, 1);
        QFile ini(ConfigDir + QStringLiteral("/taron.INI"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Settings]\r\nComMultiPort=1\r\nLanguage=PL\r\nOfflineMode=0\r\nAutoSearch=0\r\n");
    }

    ~ProgramRun()
    {
        if (Process.state() != QProcess::NotRunning) {
            Process.kill();
            Process.waitForFinished(testsupport::GiveUpMs);
        }
    }

    // The program beside this executable (both are built into build/bin).
    static QString ProgramPath()
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/taron");
    }

    static bool ProgramExists() { return QFileInfo(ProgramPath()).isExecutable(); }

    bool Start(const QStringList &arguments = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        QString platform = QStringLiteral("offscreen");
        if (Screen.isValid()) {
            const QString config = FDir.filePath(QStringLiteral("screen.json"));
            QFile file(config);
            if (!file.open(QIODevice::WriteOnly))
                return false;
            file.write(QStringLiteral("{\"screens\": [{\"name\": \"screen\", \"x\": 0, \"y\": 0, \"width\": %1, "
                                      "\"height\": %2, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                           .arg(Screen.width())
                           .arg(Screen.height())
                           .toLatin1());
            platform += QStringLiteral(":configfile=") + config;
        }
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        if (RealBoxes)
            env.remove(QStringLiteral("TARON_BOX_ANSWERS"));
        else
            env.insert(QStringLiteral("TARON_BOX_ANSWERS"), QStringLiteral("default"));
        env.insert(QStringLiteral("PORTS_DIR"), PortsDir);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), ConfigDir);
        env.insert(QStringLiteral("XDG_DATA_HOME"), HomeDir + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("HOME"), HomeDir);
        Process.setProcessEnvironment(env);
        Process.setWorkingDirectory(HomeDir);
        Process.setProcessChannelMode(QProcess::MergedChannels);
        StartedAt = sim::Clock::now();
        Process.start(ProgramPath(), arguments);
        return Process.waitForStarted(testsupport::GiveUpMs);
    }

    // Waits (keeping the process's output drained) until pred holds for the
    // frames the device received.
    bool WaitForFrames(const std::function<bool(const std::vector<sim::ReceivedFrame> &)> &pred,
                       int milliseconds)
    {
        const auto until = sim::Clock::now() + std::chrono::milliseconds(milliseconds);
        while (sim::Clock::now() < until) {
            if (pred(Device->Server.log().frames()))
                return true;
            Process.waitForReadyRead(20);
            Output += Process.readAll();
            if (Process.state() == QProcess::NotRunning)
                return pred(Device->Server.log().frames());
        }
        return false;
    }

    // The program's port (COM1) can be opened and locked by another user.
    bool PortOpensAgain() const
    {
        qputenv("PORTS_DIR", PortsDir.toLocal8Bit());
        TComMultiPort port;
        ApplyProgramPortSettings(port);
        port.SetComDevice(1);
        try {
            port.Open();
        } catch (const EComPortError &) {
            return false;
        }
        port.Close();
        return true;
    }

    QString IniText() const
    {
        QFile f(ConfigDir + QStringLiteral("/taron.INI"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }

    // Boxes are shown and wait for an answer instead of being answered.
    bool RealBoxes = false;
    // The size of the headless screen (invalid: the platform's own).
    QSize Screen;
    QString PortsDir, ConfigDir, HomeDir;
    std::unique_ptr<SimDevice> Device;
    QProcess Process;
    QByteArray Output;
    sim::Clock::time_point StartedAt;

private:
    QTemporaryDir FDir;
};

// Frames that are live-value reads of the readings page (command 0x0B).
inline size_t LiveReads(const std::vector<sim::ReceivedFrame> &frames)
{
    size_t n = 0;
    for (const auto &f : frames)
        if (f.bytes.size() >= 2 && f.bytes[0] == 0xC0 && f.bytes[1] == 0x0B)
            ++n;
    return n;
}

} // namespace startup
