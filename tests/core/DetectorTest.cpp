// The detector's tables of detected kinds and its look-up and start of the
// sibling program that serves another device family.
#include "common/GiveUp.h"
#include "core/Detector.h"

#include "core/ComMultiPort.h"
#include "core/ComponentVersion.h"
#include "core/FileLogger.h"
#include "sim/SimProbes.h"
#include "sim/SimServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

// Makes a file in folder, executable or not.
void MakeFile(const QDir &folder, const QString &name, bool executable,
              const QByteArray &content = "#!/bin/sh\nexit 0\n")
{
    QFile f(folder.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    QFile::Permissions p = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        p |= QFile::ExeOwner;
    ASSERT_TRUE(f.setPermissions(p));
}

struct ProgramFolder {
    QTemporaryDir dir;
    QDir folder{dir.path()};
    TDetector detector;
    ProgramFolder()
    {
        // This program's own executable sits in the temporary folder.
        MakeFile(folder, QStringLiteral("taron"), true);
        detector.SetProgramFile(folder.filePath(QStringLiteral("taron")));
    }
    QString find(int family)
    {
        QString path = QStringLiteral("stale");
        const bool found = detector.FindProgram(family, path);
        EXPECT_EQ(found, !path.isEmpty());
        return path.isEmpty() ? QString() : QFileInfo(path).fileName();
    }
};

} // namespace

TEST(DetectorKinds, EachKindHasItsFamilyAndVersion)
{
    struct Row {
        int kind, family, major, minor;
    };
    const Row rows[] = {{0, 0, 0, 0},  {1, 1, 1, 3},  {2, 2, 1, 4},
                        {3, 2, 1, 5},  {4, 2, 3, 0},  {5, 3, 3, 5},
                        {6, 3, 4, 0},  {7, 2, -3, 0}, {8, 3, -4, 0},
                        {9, 0, 0, 0},  {-1, 0, 0, 0}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.kind);
        EXPECT_EQ(TDetector::ExeFamilyOfKind(r.kind), r.family);
        EXPECT_EQ(TDetector::VersionMajorOfKind(r.kind), r.major);
        EXPECT_EQ(TDetector::VersionMinorOfKind(r.kind), r.minor);
    }

    EXPECT_TRUE(ComponentVersionOf(QStringLiteral("Detector")).contains(QStringLiteral(" / ")));

    TDetector fresh;
    EXPECT_EQ(fresh.GetDetectedKind(), 0);
    EXPECT_EQ(fresh.GetExeFamily(), 0);
    EXPECT_EQ(fresh.GetVersionMajor(), 0);
    EXPECT_EQ(fresh.LastProbe(), TDetector::NoProbe);
    EXPECT_FALSE(fresh.DetectionRan());
    EXPECT_FALSE(fresh.Answered());
    EXPECT_FALSE(fresh.ClearPort());
    EXPECT_FALSE(fresh.UseDevelopmentExeNames());
    EXPECT_TRUE(fresh.DetectedDevices() == (TDetectedDevices{ddTaron30, ddBootloader30}));
}

TEST(DetectorProgram, SortedFirstExecutableMatchIgnoringCase)
{
    ProgramFolder p;
    // Family 3 ("*-4.0*"): several candidates of different case; the
    // non-executable file and the folder sort first but do not count.
    MakeFile(p.folder, QStringLiteral("Taron-4.0.7"), true);
    MakeFile(p.folder, QStringLiteral("TARON-4.0.9"), true);
    MakeFile(p.folder, QStringLiteral("taron-4.0.8"), true);
    MakeFile(p.folder, QStringLiteral("a-4.0-readme"), false);
    ASSERT_TRUE(p.folder.mkdir(QStringLiteral("A-4.0-folder")));
    MakeFile(p.folder, QStringLiteral("x-4.1"), true);
    EXPECT_EQ(p.find(3), QStringLiteral("Taron-4.0.7"));

    // Family 1 ("*-1.3*"), matched whatever the case of the name.
    MakeFile(p.folder, QStringLiteral("OLD-1.3.EXE"), true);
    EXPECT_EQ(p.find(1), QStringLiteral("OLD-1.3.EXE"));

    // Family outside 1..3, and family 0 with nothing detected: empty.
    EXPECT_EQ(p.find(4), QString());
    EXPECT_EQ(p.find(0), QString());
    // Family 2 has no candidate here.
    EXPECT_EQ(p.find(2), QString());

    // The full path is in the program's folder.
    QString path;
    ASSERT_TRUE(p.detector.FindProgram(3, path));
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(p.dir.path()).absoluteFilePath());
}

TEST(DetectorProgram, NeverNamesItselfAndDevelopmentNames)
{
    ProgramFolder p;
    // This program's own file is the only match of family 2: empty.
    MakeFile(p.folder, QStringLiteral("service-3.0.1"), true);
    p.detector.SetProgramFile(p.folder.filePath(QStringLiteral("service-3.0.1")));
    EXPECT_EQ(p.find(2), QString());
    // ... also when its name differs only in case.
    p.detector.SetProgramFile(p.folder.filePath(QStringLiteral("SERVICE-3.0.1")));
    EXPECT_EQ(p.find(2), QString());

    // Development names only when asked for, and only when the file exists
    // as an executable.
    p.detector.SetProgramFile(p.folder.filePath(QStringLiteral("taron")));
    MakeFile(p.folder, QStringLiteral("Vesk"), true);
    MakeFile(p.folder, QStringLiteral("Taron4"), false);
    EXPECT_EQ(p.find(1), QString());
    p.detector.SetUseDevelopmentExeNames(true);
    EXPECT_EQ(p.find(1), QStringLiteral("Vesk"));
    EXPECT_EQ(p.find(3), QString());
    // A mask match wins over the development name.
    MakeFile(p.folder, QStringLiteral("vesk-1.3.2"), true);
    EXPECT_EQ(p.find(1), QStringLiteral("vesk-1.3.2"));
}

TEST(DetectorProgram, StartsWithArgumentListInItsFolder)
{
    QTemporaryDir dir;
    const QDir folder(dir.path());

    // Through the replaceable starter: nothing is started.
    QString program, working;
    QStringList arguments;
    TDetector::SetProgramStarter([&](const QString &p, const QStringList &a, const QString &w) {
        program = p;
        arguments = a;
        working = w;
        return true;
    });
    TDetector detector;
    const QString target = folder.filePath(QStringLiteral("other-4.0"));
    EXPECT_TRUE(detector.StartProgram(target));
    EXPECT_EQ(program, target);
    EXPECT_EQ(arguments, QStringList{QStringLiteral("/nologo")});
    EXPECT_EQ(QFileInfo(working).absoluteFilePath(), QFileInfo(dir.path()).absoluteFilePath());
    program.clear();
    EXPECT_FALSE(detector.StartProgram(QString()));
    EXPECT_TRUE(program.isEmpty());
    TDetector::SetProgramStarter({});

    // A real start of a harmless script, whose name holds a blank and a
    // quote so that a shell would have split or broken it: it records its
    // arguments and working folder.
    const QString script = folder.filePath(QStringLiteral("sib ling'-4.0"));
    MakeFile(folder, QFileInfo(script).fileName(), true,
             "#!/bin/sh\nprintf '%s|%s' \"$*\" \"$(pwd)\" > started.tmp\nmv started.tmp started.txt\n");
    ASSERT_TRUE(detector.StartProgram(script));
    QElapsedTimer t;
    t.start();
    const QString out = folder.filePath(QStringLiteral("started.txt"));
    while (!QFile::exists(out) && t.elapsed() < testsupport::GiveUpMs)
        QThread::msleep(20);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList parts = QString::fromUtf8(f.readAll()).split(QLatin1Char('|'));
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0], QStringLiteral("/nologo"));
    EXPECT_EQ(QFileInfo(parts[1]).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());

    // A path that cannot be started reports failure.
    EXPECT_FALSE(detector.StartProgram(folder.filePath(QStringLiteral("missing-4.0"))));
}

// ---------------------------------------------------------------------------
// Probes on the wire: the real port on a pseudo-terminal against the
// simulated device.

namespace {

using sim::Bytes;

class DetectorWire : public ::testing::Test
{
protected:
    QTemporaryDir portsDir;
    sim::SimServer server;
    sim::SimProbes device;
    TComMultiPort port;
    TDetector detector;

    void SetUp() override
    {
        ASSERT_TRUE(portsDir.isValid());
        qputenv("PORTS_DIR", portsDir.path().toLocal8Bit());
        device.install(server);
        std::string error;
        ASSERT_TRUE(server.start(&error)) << error;
        ASSERT_TRUE(server.linkAs(portsDir.path().toStdString(), 5, &error)) << error;

        ApplyProgramPortSettings(port);
        port.SetComDevice(5);
        ASSERT_NO_THROW(port.Open());
    }

    // Probes only for one kind: one step, no silent probes before it.
    int probeOnly(TDetectedDevice d)
    {
        detector.SetDetectedDevices({d});
        detector.Reset();
        return detector.DetectNext(&port);
    }

    std::vector<Bytes> frames() const { return server.log().bytes(); }

    // Whether another thread can take the port's lock, i.e. the probe gave
    // back the lock its write took.
    bool lockIsFree()
    {
        auto taken = std::make_shared<std::atomic<bool>>(false);
        std::thread t([this, taken] {
            port.AcquireLock();
            port.ReleaseLock();
            *taken = true;
        });
        QElapsedTimer w;
        w.start();
        while (!*taken && w.elapsed() < testsupport::GiveUpMs)
            QThread::msleep(5);
        if (*taken) {
            t.join();
            return true;
        }
        t.detach();  // stuck on a leaked lock; the test fails
        return false;
    }
};

const Bytes kC0{0xC0, 0x01, 0x01, 0xC2};
const Bytes kBA{0xBA, 0xE1, 0xE1, 0x7C};
const Bytes kC1{0xC1, 0x01, 0x01, 0xC3};
const Bytes kBC{0xBC, 0xE1, 0xE1, 0x7E};

} // namespace

TEST_F(DetectorWire, EachDetectedKindMapsToItsKindFamilyAndVersion)
{
    struct Row {
        int kind;
        TDetectedDevice probe;
        Bytes request;
        int family, major, minor;
    };
    const Row rows[] = {
        {1, ddTaron30, kC0, 1, 1, 3},      {2, ddTaron30, kC0, 2, 1, 4},
        {3, ddTaron30, kC0, 2, 1, 5},      {4, ddTaron30, kC0, 2, 3, 0},
        {5, ddTaron40, kC1, 3, 3, 5},      {6, ddTaron40, kC1, 3, 4, 0},
        {7, ddBootloader30, kBA, 2, -3, 0}, {8, ddBootloader40, kBC, 3, -4, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.kind);
        device.present(r.kind);
        server.log().clear();
        EXPECT_EQ(probeOnly(r.probe), r.kind);
        EXPECT_EQ(detector.GetDetectedKind(), r.kind);
        EXPECT_EQ(detector.GetExeFamily(), r.family);
        EXPECT_EQ(detector.GetVersionMajor(), r.major);
        EXPECT_EQ(detector.GetVersionMinor(), r.minor);
        EXPECT_TRUE(detector.Answered());
        EXPECT_TRUE(detector.DetectionRan());
        EXPECT_EQ(detector.LastProbe(), static_cast<int>(r.probe));
        EXPECT_EQ(frames(), std::vector<Bytes>{r.request});
    }
    // The controller's answer as it stood in the reply buffer.
    device.present(2);
    probeOnly(ddTaron30);
    const auto &reply = detector.Reply();
    EXPECT_EQ(reply[0], 0xD0);
    EXPECT_EQ(reply[1], 0x01);
    EXPECT_EQ(reply[2], 0x14);
    EXPECT_EQ(reply[3], 0xE5);
    EXPECT_TRUE(lockIsFree());
}

TEST_F(DetectorWire, DetectProbesEveryEnabledKindInOrderUntilOneAnswers)
{
    // A second-generation bootloader behind a detector enabled for all four:
    // three silent probes, then the one that answers.
    device.present(8);
    detector.SetDetectedDevices({ddTaron30, ddBootloader30, ddTaron40, ddBootloader40});
    EXPECT_EQ(detector.Detect(&port), 8);
    EXPECT_EQ(frames(), (std::vector<Bytes>{kC0, kBA, kC1, kBC}));
    EXPECT_EQ(detector.GetExeFamily(), 3);
    EXPECT_EQ(detector.GetVersionMajor(), -4);
    EXPECT_TRUE(detector.Answered());

    // Detect starts from the first enabled kind again and stops at the first
    // that answers.
    device.present(3);
    server.log().clear();
    EXPECT_EQ(detector.Detect(&port), 3);
    EXPECT_EQ(frames(), std::vector<Bytes>{kC0});
    EXPECT_TRUE(lockIsFree());
}

TEST_F(DetectorWire, StepsAlternateBetweenTheEnabledKinds)
{
    // The main window's set: the controller and the second-generation
    // bootloader, probed in turn; Reset starts from the first again.
    device.present(2);
    detector.SetDetectedDevices({ddTaron30, ddBootloader40});
    EXPECT_EQ(detector.DetectNext(&port), 2);
    EXPECT_EQ(detector.DetectNext(&port), 0);  // the bootloader probe: silence
    EXPECT_FALSE(detector.Answered());
    EXPECT_EQ(detector.GetExeFamily(), 0);
    EXPECT_EQ(detector.DetectNext(&port), 2);
    detector.Reset();
    EXPECT_EQ(detector.GetDetectedKind(), 0);
    EXPECT_EQ(detector.LastProbe(), TDetector::NoProbe);
    EXPECT_FALSE(detector.Answered());
    EXPECT_TRUE(detector.DetectionRan());
    EXPECT_EQ(detector.DetectNext(&port), 2);
    EXPECT_EQ(frames(), (std::vector<Bytes>{kC0, kBC, kC0, kC0}));

    // Nothing enabled: nothing is sent and nothing detected.
    server.log().clear();
    detector.SetDetectedDevices({});
    EXPECT_EQ(detector.DetectNext(&port), 0);
    EXPECT_EQ(detector.Detect(&port), 0);
    EXPECT_TRUE(frames().empty());
}

TEST_F(DetectorWire, OtherFamiliesAndUnknownCodes)
{
    // The main window's set against a second-generation controller: neither
    // probe gets an answer (one silent probe each, no second attempt).
    device.present(6);
    detector.SetDetectedDevices({ddTaron30, ddBootloader40});
    EXPECT_EQ(detector.Detect(&port), 0);
    EXPECT_FALSE(detector.Answered());
    EXPECT_EQ(frames(), (std::vector<Bytes>{kC0, kBC}));

    // A first-generation controller of family 1 is identified as such.
    device.present(1);
    EXPECT_EQ(probeOnly(ddTaron30), 1);
    EXPECT_EQ(detector.GetExeFamily(), 1);

    // A good answer with a code nobody knows: nothing identified, yet the
    // device answered.
    device.presentController(3, 0x31);
    EXPECT_EQ(device.answer(kC0), (Bytes{0xD0, 0x01, 0x31, 0x02}));
    EXPECT_EQ(probeOnly(ddTaron30), 0);
    EXPECT_TRUE(detector.Answered());
    EXPECT_EQ(detector.GetExeFamily(), 0);

    // A good answer that does not echo the probe's parameter: its code is
    // still mapped, but it does not count as answered.
    device.present(4);
    device.setEcho(0x02);
    EXPECT_EQ(probeOnly(ddTaron30), 4);
    EXPECT_FALSE(detector.Answered());
    device.setEcho(std::nullopt);
    EXPECT_TRUE(lockIsFree());
}

TEST_F(DetectorWire, BadChecksumGetsOneSecondAttempt)
{
    // The progress callback runs once, in the pause before the second attempt.
    int progress = 0;
    detector.OnProgress = [&progress] { ++progress; };
    device.present(2);
    server.injectFault(sim::Fault::badChecksum(), 1);
    EXPECT_EQ(probeOnly(ddTaron30), 2);
    EXPECT_TRUE(detector.Answered());
    EXPECT_EQ(progress, 1);
    auto got = server.log().frames();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].bytes, kC0);
    EXPECT_EQ(got[1].bytes, kC0);
    EXPECT_GE(got[1].at - got[0].at, std::chrono::milliseconds(50));

    // Two bad answers: nothing, and no third attempt.
    device.present(7);
    server.log().clear();
    server.injectFault(sim::Fault::badChecksum(), 2);
    EXPECT_EQ(probeOnly(ddBootloader30), 0);
    EXPECT_FALSE(detector.Answered());
    EXPECT_EQ(frames(), (std::vector<Bytes>{kBA, kBA}));
    for (uint8_t b : detector.Reply())
        EXPECT_EQ(b, 0);  // a bad reply is not kept

    // A truncated answer is bad too: the second attempt succeeds.
    server.log().clear();
    server.injectFault(sim::Fault::truncated(), 1);
    EXPECT_EQ(probeOnly(ddBootloader30), 7);
    EXPECT_EQ(frames(), (std::vector<Bytes>{kBA, kBA}));
    EXPECT_TRUE(lockIsFree());
}

TEST_F(DetectorWire, NoiseBeforeTheHeader)
{
    device.present(2);
    // Noise before the header is skipped, up to 15 bytes read in all.
    server.injectFault(sim::Fault::noiseFirst({0x55, 0xAA}), 1);
    EXPECT_EQ(probeOnly(ddTaron30), 2);
    server.injectFault(sim::Fault::noiseFirst(Bytes(14, 0x11)), 1);
    EXPECT_EQ(probeOnly(ddTaron30), 2);
    EXPECT_TRUE(detector.Answered());

    // Fifteen bytes of noise: the header is not among them; the probe ends at
    // once, nothing is identified and there is no endless loop.
    server.log().clear();
    server.injectFault(sim::Fault::noiseFirst(Bytes(15, 0x11)), 1);
    EXPECT_EQ(probeOnly(ddTaron30), 0);
    EXPECT_FALSE(detector.Answered());
    EXPECT_EQ(frames(), std::vector<Bytes>{kC0});

    // ClearPort drains what is left over (the late header and answer)
    // before the next probe, which is then answered cleanly.
    detector.SetClearPort(true);
    EXPECT_EQ(probeOnly(ddTaron30), 2);
    EXPECT_TRUE(detector.Answered());
    EXPECT_TRUE(lockIsFree());

    // A stale answer left over and a device that then stays silent: the
    // drained answer identifies nothing.
    server.injectFault(sim::Fault::noiseFirst(Bytes(15, 0x11)), 1);
    EXPECT_EQ(probeOnly(ddTaron30), 0);
    server.injectFault(sim::Fault::noAnswer(), 2);
    EXPECT_EQ(probeOnly(ddTaron30), 0);
    EXPECT_FALSE(detector.Answered());
    server.clearFaults();
    EXPECT_TRUE(lockIsFree());
}

TEST_F(DetectorWire, SilentPortEndsAfterOneAttempt)
{
    // Nothing answers: one probe, no second attempt, nothing identified.
    detector.SetDetectedDevices({ddTaron30, ddBootloader40});
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(detector.DetectNext(&port), 0);
    EXPECT_FALSE(detector.Answered());
    EXPECT_EQ(detector.GetExeFamily(), 0);
    EXPECT_EQ(detector.GetVersionMajor(), 0);
    EXPECT_EQ(frames(), std::vector<Bytes>{kC0});
    EXPECT_TRUE(lockIsFree());

    // No port at all, and a closed port: no crash, nothing identified.
    EXPECT_EQ(detector.DetectNext(nullptr), 0);
    port.Close();
    EXPECT_EQ(detector.DetectNext(&port), 0);
    EXPECT_FALSE(detector.Answered());
    EXPECT_TRUE(lockIsFree());
}

TEST_F(DetectorWire, TraceLineBeforeEachHeaderRead)
{
    QTemporaryDir logDir;
    const QString oldCwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(logDir.path()));
    port.SetDebug(true);
    device.present(2);
    server.injectFault(sim::Fault::noiseFirst({0x55, 0xAA}), 1);
    EXPECT_EQ(probeOnly(ddTaron30), 2);
    const QString logName = FileLoggerFileName();
    port.SetDebug(false);
    CloseFileLogger();
    QDir::setCurrent(oldCwd);

    QFile log(QDir(logDir.path()).filePath(QFileInfo(logName).fileName()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << logName.toStdString();
    const QString text = QString::fromLatin1(log.readAll());
    // Three header reads (two noise bytes and the header), each after its line.
    EXPECT_EQ(text.count(QStringLiteral("  $$ TDetector.ReadDataUsingCrcQ3 /dv:0\r\n")), 3);
    const int firstTrace = text.indexOf(QStringLiteral("TDetector.ReadDataUsingCrcQ3"));
    const int firstRead = text.indexOf(QStringLiteral("ReadData  (Req:1"));
    EXPECT_GE(firstTrace, 0);
    EXPECT_LT(firstTrace, firstRead);
}
