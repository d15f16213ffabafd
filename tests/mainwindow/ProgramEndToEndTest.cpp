// The real program binary against the simulator: start-up traffic, polling,
// a clean end on SIGTERM and no lock left on the port.
#include "common/GiveUp.h"
#include "mainwindow/ProgramRun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

using startup::ProgramRun;

TEST(ProgramEndToEnd, StartsConnectsPollsAndEndsCleanly)
{
    if (!ProgramRun::ProgramExists())
        GTEST_SKIP() << "program not built beside the tests";
    ProgramRun run;
    ASSERT_TRUE(run.Start());

    // Start-up: the probe first, identification and the configuration, then
    // the timer's live-value reads.
    const bool polling = run.WaitForFrames(
        [](const std::vector<sim::ReceivedFrame> &f) { return startup::LiveReads(f) >= 5; }, testsupport::GiveUpMs);
    ASSERT_TRUE(polling) << run.Output.toStdString();
    const auto frames = run.Device->Server.log().frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front().bytes, sim::SimProbes::ProbeController30);
    const auto commands = run.Device->Commands();
    const auto firstIdentity = std::find(commands.begin(), commands.end(), 0x53);
    const auto firstLive = std::find(commands.begin(), commands.end(), 0x0B);
    ASSERT_NE(firstIdentity, commands.end());
    EXPECT_LT(firstIdentity, firstLive);

    // Live reads come from the 200 ms timer: on average never at twice its
    // rate, however a loaded machine delays single ticks (how late they come
    // is the start-up benchmark's business).
    std::vector<sim::Clock::time_point> live;
    for (const auto &f : frames)
        if (f.bytes.size() >= 2 && f.bytes[0] == 0xC0 && f.bytes[1] == 0x0B)
            live.push_back(f.at);
    ASSERT_GE(live.size(), 5u);
    const auto span = std::chrono::duration_cast<std::chrono::milliseconds>(live.back() - live.front());
    const double average = double(span.count()) / double(live.size() - 1);
    EXPECT_GT(average, 100.0);

    // SIGTERM: the window closes as if the user closed it.
    run.Process.terminate();
    ASSERT_TRUE(run.Process.waitForFinished(testsupport::GiveUpMs));
    EXPECT_EQ(run.Process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.Process.exitCode(), 0) << run.Output.toStdString();
    EXPECT_TRUE(run.IniText().contains(QStringLiteral("OfflineMode=0")));

    EXPECT_TRUE(run.PortOpensAgain()) << "no lock left on the port";
}

TEST(ProgramEndToEnd, OfflineRunSendsNothingAndStoresTheChoice)
{
    if (!ProgramRun::ProgramExists())
        GTEST_SKIP() << "program not built beside the tests";
    ProgramRun run;
    ASSERT_TRUE(run.Start({QStringLiteral("-OFFLINE")}));
    run.WaitForFrames([](const auto &) { return false; }, 1500);
    EXPECT_EQ(run.Device->Server.log().count(), 0u);
    run.Process.terminate();
    ASSERT_TRUE(run.Process.waitForFinished(testsupport::GiveUpMs));
    EXPECT_EQ(run.Process.exitCode(), 0);
    EXPECT_TRUE(run.IniText().contains(QStringLiteral("OfflineMode=1")));
}

TEST(ProgramEndToEnd, StopSignalDuringThePortSearchEndsCleanly)
{
    if (!ProgramRun::ProgramExists())
        GTEST_SKIP() << "program not built beside the tests";
    ProgramRun run;
    // Nothing answers: the start-up search runs over the port.
    run.Device->Probes.present(0);
    run.Device->Server.withLock([&] { run.Device->Controller.State.Silent = true; });
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForFrames([](const auto &f) { return !f.empty(); }, testsupport::GiveUpMs));
    run.Process.terminate();
    ASSERT_TRUE(run.Process.waitForFinished(testsupport::GiveUpMs)) << "the program ends during its search";
    EXPECT_EQ(run.Process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.Process.exitCode(), 0);
    EXPECT_TRUE(run.IniText().contains(QStringLiteral("ComMultiPort=1")));
    EXPECT_TRUE(run.PortOpensAgain());
}

TEST(ProgramEndToEnd, StopSignalWhileABoxWaitsEndsCleanly)
{
    if (!ProgramRun::ProgramExists())
        GTEST_SKIP() << "program not built beside the tests";
    // A box holds the start-up, waiting for an answer: a damaged settings
    // file's, before any device traffic, while the window is being made; the
    // screen too small, while the window shows for the first time (before
    // the message loop runs, so that only the window's own close can end it).
    for (const bool smallScreen : {false, true}) {
        SCOPED_TRACE(smallScreen ? "screen too small" : "damaged settings file");
        ProgramRun run;
        run.RealBoxes = true;
        if (smallScreen) {
            run.Screen = QSize(640, 480);
        } else {
            QFile ini(run.ConfigDir + QStringLiteral("/taron.INI"));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ini.write(QByteArray("[Settings]\r\nComMultiPort=1\0\0\r\n", 30));
        }
        ASSERT_TRUE(run.Start(smallScreen ? QStringList{QStringLiteral("-OFFLINE")} : QStringList{}));
        EXPECT_FALSE(run.WaitForFrames([](const auto &f) { return !f.empty(); }, 2500))
            << "the box holds the start-up";
        ASSERT_EQ(run.Process.state(), QProcess::Running);
        run.Process.terminate();
        ASSERT_TRUE(run.Process.waitForFinished(testsupport::GiveUpMs)) << "the program ends with the box open";
        EXPECT_EQ(run.Process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run.Process.exitCode(), 0) << run.Output.toStdString();
        // Settings stored; a damaged file kept aside.
        EXPECT_TRUE(run.IniText().startsWith(QStringLiteral("[Settings]\r\nComMultiPort=1\r\n"))) << run.IniText().toStdString();
        EXPECT_EQ(QFileInfo::exists(run.ConfigDir + QStringLiteral("/taron.INI.damaged")), !smallScreen);
        if (smallScreen) {
            EXPECT_TRUE(run.IniText().contains(QStringLiteral("OfflineMode=1"))) << run.IniText().toStdString();
        }
        EXPECT_TRUE(run.PortOpensAgain());
    }
}

namespace {
// The process ids whose parent is parent and whose command name is name.
QList<qint64> ChildrenNamed(qint64 parent, const QByteArray &name)
{
    QList<qint64> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ..."
        const QByteArray text = stat.readAll();
        const qsizetype open = text.indexOf('('), close = text.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QList<QByteArray> rest = text.mid(close + 2).split(' ');
        if (text.mid(open + 1, close - open - 1) == name && rest.size() > 1 && rest[1].toLongLong() == parent)
            found << pid;
    }
    return found;
}
// A build folder for the start command: the program as built, and in place
// of the simulator a stand-in that links the run's simulated device as COM1
// of the ports folder it is given (and keeps its arguments beside itself).
bool MakeSimStandIn(const QTemporaryDir &build, const ProgramRun &run)
{
    const QString device = QFileInfo(run.PortsDir + QStringLiteral("/COM1")).symLinkTarget();
    if (device.isEmpty() || !QDir().mkpath(build.filePath(QStringLiteral("bin")))
        || !QFile::link(ProgramRun::ProgramPath(), build.filePath(QStringLiteral("bin/taron"))))
        return false;
    QFile sim(build.filePath(QStringLiteral("bin/taron-sim")));
    if (!sim.open(QIODevice::WriteOnly))
        return false;
    sim.write("#!/bin/sh\necho \"$@\" > \"$0.args\"\n"
              "while [ $# -gt 0 ]; do [ \"$1\" = --ports-dir ] && dir=\"$2\"; shift; done\n"
              "ln -s '" + device.toLocal8Bit() + "' \"$dir/COM1\"\nexec sleep 1000\n");
    sim.close();
    return sim.setPermissions(sim.permissions() | QFileDevice::ExeOwner);
}

// The start command's environment: the run's folders as the user's own.
QProcessEnvironment StartEnvironment(const ProgramRun &run, const QTemporaryDir &build, const QTemporaryDir &temporary)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TARON_BOX_ANSWERS"), QStringLiteral("default"));
    env.insert(QStringLiteral("BUILD_DIR"), build.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), run.ConfigDir);
    env.insert(QStringLiteral("XDG_DATA_HOME"), run.HomeDir + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("HOME"), run.HomeDir);
    env.insert(QStringLiteral("TMPDIR"), temporary.path());
    env.remove(QStringLiteral("PORTS_DIR"));
    return env;
}
} // namespace

// The README's command to try the program against the simulator starts it
// connected, whatever an earlier run saved (off-line, another port), leaves
// the user's saved settings as they were and keeps the user's data folder in
// the desktop's documents folder (here not ~/Documents); the simulator is
// told the program is started for it, so it gives no hint how to start it.
TEST(ProgramEndToEnd, SimulatorStartIsConnectedAndLeavesTheUsersSettings)
{
    if (!ProgramRun::ProgramExists())
        GTEST_SKIP() << "program not built beside the tests";
    ProgramRun run;
    // An earlier run chose off-line work on another port.
    const QByteArray saved = "[Settings]\r\nComMultiPort=5\r\nLanguage=EN\r\noFFlinemode=1\r\nAutoSearch=0\r\n"
                             "[Company]\r\nName=Workshop\r\n";
    const QString userIni = run.ConfigDir + QStringLiteral("/taron.INI");
    {
        QFile ini(userIni);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(saved);
    }
    {
        QFile dirs(run.ConfigDir + QStringLiteral("/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DOCUMENTS_DIR=\"$HOME/Dokumenty\"\n");
    }
    ASSERT_TRUE(QDir(run.HomeDir).mkpath(QStringLiteral("Dokumenty")));
    QTemporaryDir build, temporary;
    ASSERT_TRUE(MakeSimStandIn(build, run));
    run.Process.setProcessEnvironment(StartEnvironment(run, build, temporary));
    run.Process.setProcessChannelMode(QProcess::MergedChannels);
    run.Process.start(QStringLiteral("bash"), {QStringLiteral(TARON_SOURCE_DIR "/tools/start.sh"), QStringLiteral("--sim")});
    ASSERT_TRUE(run.Process.waitForStarted(testsupport::GiveUpMs));

    const bool polling = run.WaitForFrames(
        [](const std::vector<sim::ReceivedFrame> &f) { return startup::LiveReads(f) >= 3; }, testsupport::GiveUpMs);
    EXPECT_TRUE(polling) << run.Output.toStdString();

    // The program closes as a user closes it (and stores its settings).
    const QList<qint64> program = ChildrenNamed(run.Process.processId(), "taron");
    ASSERT_EQ(program.size(), 1) << run.Output.toStdString();
    ::kill(pid_t(program.first()), SIGTERM);
    ASSERT_TRUE(run.Process.waitForFinished(testsupport::GiveUpMs));
    run.Output += run.Process.readAll();
    EXPECT_EQ(run.Process.exitCode(), 0) << run.Output.toStdString();
    QFile ini(userIni);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), saved);
    EXPECT_TRUE(QFileInfo(run.HomeDir + QStringLiteral("/Dokumenty/Taron Service Data")).isDir());
    EXPECT_FALSE(QFileInfo::exists(run.HomeDir + QStringLiteral("/Documents")));
    QFile args(build.filePath(QStringLiteral("bin/taron-sim.args")));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_TRUE(args.readAll().trimmed().split(' ').contains("--program-started"));
    // Nothing of the run is left behind (the toolkit's own runtime folder
    // aside): no private settings, no ports folder.
    EXPECT_EQ(QDir(temporary.path()).entryList({QStringLiteral("tmp.*")}, QDir::AllEntries | QDir::Hidden),
              QStringList());
}

// The simulated run starts from the user's own settings: a user's file that
// chose English gives an English run on a desktop whose own language is
// Polish (the screen is too small, so the program says so and ends).
TEST(ProgramEndToEnd, SimulatorStartTakesTheUsersLanguage)
{
    if (!ProgramRun::ProgramExists())
        GTEST_SKIP() << "program not built beside the tests";
    ProgramRun run;
    {
        QFile ini(run.ConfigDir + QStringLiteral("/taron.INI"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[Settings]\r\nComMultiPort=3\r\nLanguage=EN\r\nAutoSearch=0\r\n");
    }
    QTemporaryDir build, temporary;
    ASSERT_TRUE(MakeSimStandIn(build, run));
    QProcessEnvironment env = StartEnvironment(run, build, temporary);
    QFile screen(temporary.filePath(QStringLiteral("screen.json")));
    ASSERT_TRUE(screen.open(QIODevice::WriteOnly));
    screen.write("{\"screens\": [{\"name\": \"s\", \"x\": 0, \"y\": 0, \"width\": 640, \"height\": 480, "
                 "\"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}");
    screen.close();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + screen.fileName());
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
        env.insert(QString::fromLatin1(name), QStringLiteral("pl_PL.UTF-8"));
    run.Process.setProcessEnvironment(env);
    run.Process.setProcessChannelMode(QProcess::MergedChannels);
    run.Process.start(QStringLiteral("bash"), {QStringLiteral(TARON_SOURCE_DIR "/tools/start.sh"), QStringLiteral("--sim")});
    ASSERT_TRUE(run.Process.waitForStarted(testsupport::GiveUpMs));
    ASSERT_TRUE(run.Process.waitForFinished(testsupport::GiveUpMs));
    const QString output = QString::fromUtf8(run.Process.readAll());
    EXPECT_TRUE(output.contains(QStringLiteral("Screen resolution too low"))) << output.toStdString();
}

namespace {

// A stand-in X server on 127.0.0.1, port 6000 + Number: it answers a
// client's opening request with one byte, as a server does.
struct StandInXServer {
    StandInXServer()
    {
        for (int number = 100; number < 1000 && Number < 0; ++number) {
            Fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in at{};
            at.sin_family = AF_INET;
            at.sin_port = htons(uint16_t(6000 + number));
            at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::bind(Fd, reinterpret_cast<sockaddr *>(&at), sizeof at) == 0 && ::listen(Fd, 4) == 0)
                Number = number;
            else
                ::close(Fd), Fd = -1;
        }
    }
    ~StandInXServer() { Close(); }
    void Close()
    {
        if (Fd >= 0)
            ::close(Fd);
        Fd = -1;
    }
    // Answers one client; false when none came.
    bool AnswerOne()
    {
        pollfd waiting{Fd, POLLIN, 0};
        if (::poll(&waiting, 1, testsupport::GiveUpMs) != 1)
            return false;
        const int client = ::accept(Fd, nullptr, nullptr);
        if (client < 0)
            return false;
        char request[12];
        const bool asked = ::recv(client, request, sizeof request, MSG_WAITALL) == ssize_t(sizeof request);
        const bool answered = asked && ::send(client, "\1", 1, MSG_NOSIGNAL) == 1;
        ::close(client);
        return answered;
    }
    QString Display() const { return QStringLiteral("127.0.0.1:%1").arg(Number); }
    int Fd = -1, Number = -1;
};

} // namespace

// The start commands go on only where the window can be shown: a DISPLAY
// that is set is not enough, its X server must answer (without one the
// toolkit aborts after the install and the build).
TEST(ProgramEndToEnd, TheDisplayCheckWantsAServerThatAnswers)
{
    StandInXServer server;
    ASSERT_GE(server.Number, 0);
    const auto check = [&](bool answer) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), server.Display());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral("bash"), {QStringLiteral(TARON_SOURCE_DIR "/tools/need-display.sh"), QStringLiteral("run.sh")});
        EXPECT_TRUE(process.waitForStarted(testsupport::GiveUpMs));
        if (answer) {
            EXPECT_TRUE(server.AnswerOne());
        }
        EXPECT_TRUE(process.waitForFinished(testsupport::GiveUpMs));
        return std::pair{process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
    };
    const auto [shown, said] = check(true);
    EXPECT_EQ(shown, 0) << said.toStdString();
    // The same display with no server behind it.
    server.Close();
    const auto [refused, reason] = check(false);
    EXPECT_EQ(refused, 1);
    EXPECT_TRUE(reason.startsWith(QStringLiteral("run.sh: no display to show the window on: no X server answers on DISPLAY=")
                                  + server.Display()))
        << reason.toStdString();
}
