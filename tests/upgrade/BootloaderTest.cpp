// The bootloader protocol against the simulated bootloader on a
// pseudo-terminal: contact and variant selection by version, the programming
// requests, refused and broken replies, the stay flag and the port lock; and
// the walk over the enabled variants with their application command frames.
#include "common/GiveUp.h"
#include "common/PortLock.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"

#include "core/ComMultiPort.h"
#include "core/ui/Common.h"
#include "core/Detector.h"
#include "sim/SimBootloader.h"
#include "sim/SimProbes.h"
#include "sim/SimServer.h"

#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>


using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

class BootloaderSim : public ::testing::Test
{
protected:
    QTemporaryDir tmp;
    sim::SimServer server;
    sim::SimBootloader boot;
    TComMultiPort port;
    TBootloaderConfig config;
    TBootloader40Manager manager;
    std::vector<int> waits;

    void SetUp() override
    {
        const QString portsDir = tmp.filePath(QStringLiteral("ports"));
        qputenv("PORTS_DIR", QFile::encodeName(portsDir));
        boot.Install(server);
        std::string error;
        ASSERT_TRUE(server.start(&error)) << error;
        ASSERT_TRUE(server.linkAs(portsDir.toStdString(), 4, &error)) << error;
        ApplyProgramPortSettings(port);
        // The port's own timeouts: a reply merely late on a busy machine is
        // still taken.
        port.SetComDevice(4);
        ASSERT_NO_THROW(port.Open());
        BootloaderConfig = &config;
        manager.SetConnection(&port, nullptr);
        manager.Wait = [this](int ms) { waits.push_back(ms); };
    }

    void TearDown() override
    {
        BootloaderConfig = nullptr;
        port.Close();
        server.stop();
        qunsetenv("PORTS_DIR");
    }

    void version(uint8_t major, uint8_t minor)
    {
        server.withLock([&] {
            boot.State.Major = major;
            boot.State.Minor = minor;
        });
    }

    // The requests received since the last call.
    std::vector<Bytes> requests()
    {
        std::vector<Bytes> all = server.log().bytes();
        server.log().clear();
        return all;
    }

    bool lockFree() { return testsupport::PortLockFree(port); }
};

} // namespace

TEST_F(BootloaderSim, ContactFinishAndExitByBootloaderVersion)
{
    // 8.0 reports its type and stay flag; the adapter variant is chosen.
    // The window's events run while the quick replies come one after another.
    bool eventsRan = false;
    manager.WhileWaiting = [&] { eventsRan = true; };
    ASSERT_TRUE(manager.ConnectBootloader());
    manager.WhileWaiting = nullptr;
    EXPECT_TRUE(eventsRan);
    EXPECT_EQ(requests(), (std::vector<Bytes>{{0xBC, 0xE1, 0xE1, 0x7E}, {0xBC, 0xF0, 0x01, 0xAD},
                                              {0xBC, 0xF0, 0x02, 0xAE}}));
    const TBootInfo &info = manager.BootInfo();
    EXPECT_EQ(info.BootMajor, 8);
    EXPECT_EQ(info.BootBuild, 3);
    EXPECT_EQ(info.DeviceTypeCode, 40);
    EXPECT_EQ(info.StayInBootloader, 1);
    EXPECT_EQ(manager.DeviceTypeName(), "ADAPTER");
    EXPECT_EQ(config.Current()->GetProductNumber(), 40);
    EXPECT_FALSE(manager.ExitBootloader());
    ASSERT_TRUE(manager.FinishProgramming());
    EXPECT_EQ(requests(), (std::vector<Bytes>{{0xBC, 0xF0, 0x03, 0xAF}, {0xBC, 0xF0, 0x02, 0xAE},
                                              {0xBC, 0xF0, 0x02, 0xAE}}));
    EXPECT_EQ(info.StayInBootloader, 0);
    EXPECT_TRUE(manager.ExitBootloader());
    ASSERT_TRUE(server.log().waitForCount(1, testsupport::GiveUp));
    EXPECT_EQ(requests(), (std::vector<Bytes>{{0xBC, 0xEE, 0x00, 0xAA}}));
    EXPECT_TRUE(lockFree());

    // 7.0 knows neither: no F0 request; it stays until the run is finished.
    // It reports no type, and no variant belongs to a type-less 7.x.
    version(7, 0);
    EXPECT_THROW(manager.ConnectBootloader(), EBootloaderConfigError);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(info.StayInBootloader, 1);
    EXPECT_FALSE(manager.ExitBootloader());
    EXPECT_TRUE(manager.FinishProgramming());
    EXPECT_EQ(info.StayInBootloader, 0);
    EXPECT_TRUE(requests().empty());

    // 4.5 reports its type only; type 3 selects the Q3 variant.
    version(4, 5);
    server.withLock([&] { boot.State.TypeCode = 3; });
    ASSERT_TRUE(manager.ConnectBootloader());
    EXPECT_EQ(requests(), (std::vector<Bytes>{{0xBC, 0xE1, 0xE1, 0x7E}, {0xBC, 0xF0, 0x01, 0xAD}}));
    EXPECT_EQ(info.StayInBootloader, 1);
    EXPECT_EQ(config.Current()->GetProductName(), "Q3");
    EXPECT_FALSE(manager.ExitCapable());
    EXPECT_TRUE(lockFree());

    // 4.6 is the first 4.x that reports its stay flag and may leave.
    version(4, 6);
    ASSERT_TRUE(manager.ConnectBootloader());
    EXPECT_EQ(requests(), (std::vector<Bytes>{{0xBC, 0xE1, 0xE1, 0x7E}, {0xBC, 0xF0, 0x01, 0xAD},
                                              {0xBC, 0xF0, 0x02, 0xAE}}));
    EXPECT_TRUE(manager.ExitCapable());
    ASSERT_TRUE(manager.FinishProgramming());
    EXPECT_EQ(requests(), (std::vector<Bytes>{{0xBC, 0xF0, 0x03, 0xAF}, {0xBC, 0xF0, 0x02, 0xAE},
                                              {0xBC, 0xF0, 0x02, 0xAE}}));
    EXPECT_EQ(info.StayInBootloader, 0);
    EXPECT_TRUE(manager.ExitBootloader());
    ASSERT_TRUE(server.log().waitForCount(1, testsupport::GiveUp));
    EXPECT_EQ(requests(), (std::vector<Bytes>{{0xBC, 0xEE, 0x00, 0xAA}}));
    EXPECT_TRUE(lockFree());
}

TEST_F(BootloaderSim, ProgrammingRequestsAndTheirReplies)
{
    QListWidget log;
    manager.SetConnection(&port, &log);
    ASSERT_TRUE(manager.ReadBootloaderVersion());
    ASSERT_TRUE(manager.InitProgramming());
    EXPECT_TRUE(manager.EepromEraseInit());
    EXPECT_TRUE(manager.EepromMassErase());
    EXPECT_TRUE(manager.FlashMassErase(1));
    EXPECT_TRUE(manager.FlashMassErase(0));
    EXPECT_EQ(waits, (std::vector<int>{3000}));

    // The header record's reply carries FF; a program record's does not.
    quint8 record[36];
    for (int i = 0; i < 36; ++i)
        record[i] = quint8(i * 3);
    EXPECT_TRUE(manager.WriteRecord(record, true));
    EXPECT_FALSE(manager.WriteRecord(record, true));
    EXPECT_TRUE(manager.WriteRecord(record, false));
    server.withLock([&] { boot.State.RecordStatus = 1; });
    EXPECT_FALSE(manager.WriteRecord(record, false));
    EXPECT_EQ(waits, (std::vector<int>{3000, 10, 10, 10, 10}));
    server.withLock([&] {
        ASSERT_EQ(boot.State.Records.size(), 4u);
        EXPECT_EQ(boot.State.Records[0][35], 105);
        EXPECT_EQ(boot.State.ErasedBlocks, (std::vector<uint8_t>{1, 0}));
        EXPECT_EQ(boot.State.BadSumRequests, 0u);
    });

    EXPECT_EQ(manager.SetWriteDefaults(1), 1);
    EXPECT_EQ(manager.SetWriteDefaults(0), 0);
    server.injectFault(sim::Fault::noAnswer());
    EXPECT_EQ(manager.SetWriteDefaults(0), -1); // a lost reply is no echo
    ASSERT_GE(log.count(), 2);
    EXPECT_EQ(log.item(0)->text(), "189 225 8 0 3 169- BD E1 08 00 03 A9");
    EXPECT_EQ(log.item(1)->text(), "189 226 0 159 - BD E2 00 9F");
    EXPECT_TRUE(lockFree());
}

TEST_F(BootloaderSim, BrokenRepliesAndAClosedPort)
{
    // A version reply with a wrong sum: nothing kept, the port reopened.
    ASSERT_TRUE(manager.ConnectBootloader());
    server.injectFault(sim::Fault::badChecksum());
    EXPECT_FALSE(manager.ConnectBootloader());
    EXPECT_EQ(manager.BootInfo().BootMajor, 0);
    EXPECT_EQ(manager.BootInfo().BootBuild, 0);
    EXPECT_TRUE(port.GetConnected());
    EXPECT_TRUE(lockFree());

    // No device type: refused, the device kept in its bootloader, the
    // variant left as it was.
    config.SelectProduct(5);
    server.injectFaultWhen([](const Bytes &f) { return f[1] == 0xF0 && f[2] == 1; }, sim::Fault::truncated(3), 1);
    EXPECT_FALSE(manager.ConnectBootloader());
    EXPECT_EQ(manager.BootInfo().StayInBootloader, 1);
    EXPECT_EQ(config.Current()->GetProductNumber(), 5);
    // A lost stay flag keeps the device in its bootloader too.
    server.injectFaultWhen([](const Bytes &f) { return f[1] == 0xF0 && f[2] == 2; }, sim::Fault::noAnswer(), 1);
    EXPECT_FALSE(manager.ConnectBootloader());
    EXPECT_EQ(manager.BootInfo().StayInBootloader, 1);
    EXPECT_FALSE(manager.ExitBootloader());
    EXPECT_TRUE(lockFree());

    // With the port closed nothing is sent and nothing changes.
    ASSERT_TRUE(manager.ConnectBootloader());
    port.Close();
    requests();
    const TBootInfo before = manager.BootInfo();
    quint8 record[36] = {};
    EXPECT_FALSE(manager.ConnectBootloader());
    EXPECT_FALSE(manager.InitProgramming());
    EXPECT_FALSE(manager.FlashMassErase(0));
    EXPECT_FALSE(manager.WriteRecord(record, false));
    EXPECT_EQ(manager.SetWriteDefaults(0), -1);
    EXPECT_FALSE(manager.BootInfoRequest(2));
    EXPECT_FALSE(manager.FinishProgramming());
    EXPECT_EQ(manager.BootInfo().StayInBootloader, before.StayInBootloader);
    EXPECT_EQ(manager.BootInfo().BootMajor, before.BootMajor);
    EXPECT_TRUE(waits.empty());
    EXPECT_FALSE(server.log().waitForCount(1, 100ms));
}

TEST_F(BootloaderSim, AWriteTheLineDoesNotTakeGivesTheLockBack)
{
    ASSERT_TRUE(manager.ConnectBootloader());
    // The line goes away under a request; the writes after it fail, and
    // each request ends with its lock given back.
    server.injectFault(sim::Fault::vanish());
    EXPECT_FALSE(manager.BootInfoRequest(2));
    EXPECT_TRUE(lockFree());
    quint8 record[36] = {};
    EXPECT_FALSE(manager.WriteRecord(record, false));
    EXPECT_TRUE(lockFree());
    EXPECT_FALSE(manager.BootInfoRequest(2));
    EXPECT_TRUE(lockFree());
}

TEST(BootloaderProbe, TheDetectorsProbeAndTheVersionReadShareOneReply)
{
    // The detector's probe for a second-generation bootloader is the version
    // request itself: one reply, BD E1 major minor build sum, serves both.
    QTemporaryDir tmp;
    const QString portsDir = tmp.filePath(QStringLiteral("ports"));
    qputenv("PORTS_DIR", QFile::encodeName(portsDir));
    sim::SimServer server;
    sim::SimProbes probes;
    probes.install(server);
    probes.present(8);
    probes.setBootloaderVersion(4, 6, 1);
    std::string error;
    ASSERT_TRUE(server.start(&error)) << error;
    ASSERT_TRUE(server.linkAs(portsDir.toStdString(), 4, &error)) << error;
    TComMultiPort port;
    ApplyProgramPortSettings(port);
    port.SetComDevice(4);
    ASSERT_NO_THROW(port.Open());
    TDetector detector;
    detector.SetDetectedDevices({ddBootloader40});
    EXPECT_EQ(detector.Detect(&port), 8);
    TBootloader40Manager manager;
    manager.SetConnection(&port, nullptr);
    ASSERT_TRUE(manager.ReadBootloaderVersion());
    EXPECT_EQ(manager.BootInfo().BootMajor, 4);
    EXPECT_EQ(manager.BootInfo().BootMinor, 6);
    EXPECT_EQ(manager.BootInfo().BootBuild, 1);
    port.Close();
    server.stop();
    qunsetenv("PORTS_DIR");
}

TEST(BootloaderConfig, WalkAndApplicationCommandFrames)
{
    TBootloaderConfig config;
    config.DisableProduct(98);
    config.SelectProduct(5);
    QList<int> tried;
    config.OnProductChange = [&](TBootloaderConfig *c) { tried << c->Current()->GetProductNumber(); };
    config.BeginIterateProducts();
    EXPECT_TRUE(config.NextProduct());
    EXPECT_TRUE(config.NextProduct());
    EXPECT_TRUE(config.NextProduct());
    EXPECT_FALSE(config.NextProduct());
    EXPECT_EQ(tried, (QList<int>{5, 40, 3, 5}));

    // A walk without a current enabled variant warns and tries nothing.
    QStringList warnings;
    TCommon common;
    Common = &common;
    TCommon::SetAnswerProvider([&](const TMessageBoxInfo &box) {
        warnings << box.Text;
        return box.Buttons.value(0);
    });
    config.SelectProduct(98);
    tried.clear();
    config.BeginIterateProducts();
    EXPECT_FALSE(config.NextProduct());
    EXPECT_TRUE(tried.isEmpty());
    EXPECT_EQ(warnings, (QStringList{"ASSERT: BeginIterateProducts started with index -1",
                                     "ASSERT: NextProduct tried to access index -1"}));
    TCommon::SetAnswerProvider(nullptr);
    Common = nullptr;

    // Controllers frame with the 8-bit sum, adapter boxes with the CRC-16.
    config.SelectProduct(3);
    EXPECT_EQ(config.Current()->CommandFrame(0x53, 0x00), QByteArray::fromHex("c0530013"));
    config.SelectProduct(40);
    EXPECT_EQ(config.Current()->CommandFrame(0x01, 0x01), QByteArray::fromHex("c201016b87"));
}
