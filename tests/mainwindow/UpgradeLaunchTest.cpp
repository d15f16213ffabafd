// The firmware-upgrade launch through the program: a device found in its
// bootloader gets one warning and the connection-status dialog, not a
// warning every tick; the launch's questions, backup request and reminder
// through the window's own wiring.
#include "common/GiveUp.h"
#include "mainwindow/ProgramRun.h"
#include "mainwindow/StartupRig.h"
#include "sim/SimController.h"

#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/ui/ProgramLogic.h"
#include "windows/NamedWidget.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using startup::ProgramRun;
using startup::SimDevice;
using startup::StartupRig;

namespace {

// Upgrade services with no bootloader answering and no adapter looked for:
// the upgrade window counts its runs, gives the device the new firmware's
// settings and reports it erased and programmed; the connection-status
// dialog's Update upgrades the controller, then restores the backup asked for.
void WireUpgrade(TFormMain &f, SimDevice &device, int &windows,
                 const std::function<void(sim::SimControllerState &)> &newFirmware = {})
{
    auto &u = f.UpgradeServices;
    u.SetAdapterDetection = [](bool) {};
    u.AdapterDetection = [] { return false; };
    u.InBootloader = [] { return false; };
    u.SetInBootloader = [](bool) {};
    u.ConnectBootloader = [] { return false; };
    u.RunUpgradeWindow = [&, newFirmware](std::function<void()>, std::function<void(bool &)>) {
        ++windows;
        if (newFirmware)
            device.Server.withLock([&] { newFirmware(device.Controller.State); });
        return true;
    };
    u.ShowConnectStatus = [&f](int, int) {
        f.DeviceUpgradeFirmware(true);
        if (f.TakeRestoreConfigRequest() == 1)
            f.DeviceRestoreConfig();
    };
}

int YesOrFirst(const TMessageBoxInfo &b) { return b.Buttons.contains(mrYes) ? int(mrYes) : b.Buttons.value(0); }

} // namespace

TEST(UpgradeLaunch, DeviceInItsBootloaderIsWarnedOnceAndOfferedTheUpgrade)
{
    if (!ProgramRun::ProgramExists())
        GTEST_SKIP() << "program not built beside the tests";
    // No controller: an anonymous bootloader, then the adapter's; the warning (in Polish) names the one it is about.
    for (const bool box : {false, true}) {
        SCOPED_TRACE(box);
        ProgramRun run;
        run.Device->Probes.setBootloaderVersion(4, 0, 1);
        run.Device->Probes.present(8);
        run.Device->Server.withLock([&] { run.Device->Adapter.State.InBootloader = box; });
        ASSERT_TRUE(run.Start());
        const auto warnings = [&run] { return run.Output.count("box warning"); };
        // Several ticks of two seconds pass after the first warning.
        run.WaitForFrames([&](const std::vector<sim::ReceivedFrame> &) { return warnings() >= 1; }, testsupport::GiveUpMs);
        ASSERT_EQ(warnings(), 1) << run.Output.toStdString();
        EXPECT_TRUE(QString::fromLocal8Bit(run.Output).contains(box ? "| Adapter jest w trybie" : "| Sterownik jest w trybie"))
            << run.Output.toStdString();
        run.WaitForFrames([](const std::vector<sim::ReceivedFrame> &) { return false; }, 6500);
        EXPECT_EQ(warnings(), 1) << run.Output.toStdString();
        run.Process.terminate();
        EXPECT_TRUE(run.Process.waitForFinished(testsupport::GiveUpMs));
    }
}

TEST(UpgradeLaunch, QuestionsBackupRequestAndReminder)
{
    TProgramLogic logic;
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5, 21, 'E');
    device.Server.withLock([&] {
        // A configured device, refusing what a real one refuses.
        auto &s = device.Controller.State;
        s.Param16[6] = 85;
        s.Param8[10] = 38;
        s.Param8[3] = 5;
        s.Param8[4] = 47;
        s.Param8[23] = 37;
        s.Param8[28] = 1;
        s.Param16[7] = 1390;
        s.Param16[10] = 500;
        device.Controller.SetConfigurationLimits();
    });
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("backup.ddf"));
    QString chosen = file;
    int windows = 0, statusShown = 0;
    bool adapterDetection = true, adapterFound = true, runDialog = false;
    // The file dialogs shown: save or open, and the file name offered.
    std::vector<std::pair<bool, QString>> dialogs;
    rig.Wire = [&](TFormMain &f) {
        InstallConfigurationPage(f, logic);
        TModel2Page::Install(f);
        TModelPage::Install(f);
        f.SettingsFileDialog = [&](bool save, const QString &, const QString &name) {
            dialogs.emplace_back(save, name);
            return chosen;
        };
        WireUpgrade(f, device, windows, [&](sim::SimControllerState &s) {
            // Nothing else reaches the port while the window runs, and the
            // backup is on disk before anything is erased.
            EXPECT_FALSE(f.Timerek->isActive());
            EXPECT_TRUE(chosen != file || QFileInfo(file).exists());
            s.Param8[10] = 30;
            s.Param16[6] = 50;
        });
        f.UpgradeServices.SetAdapterDetection = [&](bool on) { adapterDetection = on; };
        f.UpgradeServices.AdapterDetection = [&] { return adapterDetection; };
        f.UpgradeServices.AdapterAnswersForUpgrade = [&] { return adapterFound; };
        f.UpgradeServices.ShowConnectStatus = [&, update = f.UpgradeServices.ShowConnectStatus](int x, int y) {
            ++statusShown;
            if (runDialog)
                update(x, y);
        };
    };
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());

    // The upgradable variant: the backup question comes first; Yes leaves a
    // restore request that is taken once after reconnecting.
    device.Server.withLock([&] { device.Controller.State.Pages[1] = 4; });
    rig.Answer = YesOrFirst;
    rig.Boxes.clear();
    form.DeviceUpgradeFirmware(true);
    EXPECT_EQ(windows, 1);
    ASSERT_GE(rig.Boxes.size(), 1u);
    EXPECT_EQ(rig.Boxes[0].Type, mtConfirmation);
    EXPECT_TRUE(form.Timerek->isActive());
    ASSERT_TRUE(DataManager->GetConnected()) << "reconnected after the upgrade";
    ASSERT_EQ(form.TakeRestoreConfigRequest(), 1);
    EXPECT_EQ(form.TakeRestoreConfigRequest(), 0);
    // Yes to the restore question writes back the values read before.
    rig.Boxes.clear();
    form.DeviceRestoreConfig();
    EXPECT_EQ(rig.Boxes.size(), 2u) << rig.BoxTexts().join('|').toStdString();
    device.Server.withLock([&] {
        EXPECT_EQ(device.Controller.State.Param16[6], 85);
        EXPECT_EQ(device.Controller.State.Param8[10], 38);
    });
    // A cancelled save leaves no request.
    chosen.clear();
    form.DeviceUpgradeFirmware(true);
    EXPECT_EQ(windows, 2);
    EXPECT_EQ(form.TakeRestoreConfigRequest(), 0);
    // A backup that cannot be written says so, with the path and the
    // system's reason; No to the question that follows erases nothing.
    QFile plain(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    chosen = dir.filePath(QStringLiteral("plain/backup.ddf"));
    int questions = 0;
    rig.Answer = [&](const TMessageBoxInfo &b) {
        if (!b.Buttons.contains(mrYes))
            return b.Buttons.value(0);
        return ++questions == 1 ? int(mrYes) : int(mrNo);
    };
    rig.Boxes.clear();
    form.DeviceUpgradeFirmware(true);
    EXPECT_EQ(windows, 2);
    EXPECT_EQ(questions, 2);
    ASSERT_EQ(rig.Boxes.size(), 3u) << rig.BoxTexts().join('|').toStdString();
    EXPECT_EQ(rig.Boxes[1].Type, mtError);
    EXPECT_TRUE(rig.Boxes[1].Text.contains(chosen)) << rig.Boxes[1].Text.toStdString();
    // The system's reason is in whatever language an earlier test left the
    // process in, so it is compared with the system's own text.
    const QString notADirectory = QString::fromLocal8Bit(std::strerror(ENOTDIR));
    EXPECT_TRUE(rig.Boxes[1].Text.contains(notADirectory))
        << rig.Boxes[1].Text.toStdString() << " / " << notADirectory.toStdString();
    EXPECT_FALSE(rig.Boxes[2].Text.contains(QStringLiteral("!_")));
    EXPECT_TRUE(form.Timerek->isActive());
    EXPECT_EQ(form.TakeRestoreConfigRequest(), 0);
    rig.Answer = YesOrFirst;
    // An adapter upgrade asks nothing and leaves no request.
    rig.Boxes.clear();
    form.DeviceUpgradeFirmware(false);
    EXPECT_EQ(windows, 3);
    EXPECT_TRUE(rig.Boxes.empty());
    EXPECT_EQ(form.TakeRestoreConfigRequest(), 0);
    // Without an upgradable box the adapter's upgrade is refused for the box.
    adapterFound = false;
    form.DeviceUpgradeFirmware(false);
    EXPECT_EQ(windows, 3);
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_EQ(rig.Boxes[0].Text, TranslateKey(QStringLiteral("strUpdImpossible")) + "\r\n\r\n"
                                     + TranslateKey(QStringLiteral("strUpdAdapterNotFound")));

    // The reminder: No asks again a minute later, Cancel switches it off
    // (menu item and quick-start box), Yes opens the connection dialog.
    auto *item = form.findChild<QAction *>(QStringLiteral("MnIDeviceUpgradeInfo"));
    auto *box = form.findChild<QCheckBox *>(QStringLiteral("ChBQSDeviceUpgradeInfo"));
    ASSERT_TRUE(item && box && item->isChecked());
    ASSERT_TRUE(form.IsDeviceUpgradePossible());
    rig.Answer = [](const TMessageBoxInfo &) { return int(mrNo); };
    rig.Boxes.clear();
    form.CheckIfFirmwareUpgradePossible();
    ASSERT_EQ(rig.Boxes.size(), 1u);
    ASSERT_FALSE(TCommon::ApplicationTitle().isEmpty());
    EXPECT_EQ(rig.Boxes[0].Caption, TCommon::ApplicationTitle()); // the program's name
    EXPECT_GE(form.FirmwareCheckAt().At(), TFormMain::Now() + 59000);
    EXPECT_TRUE(item->isChecked());
    rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
    form.CheckIfFirmwareUpgradePossible();
    EXPECT_EQ(statusShown, 1);
    rig.Answer = [](const TMessageBoxInfo &) { return int(mrCancel); };
    form.CheckIfFirmwareUpgradePossible();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(box->isChecked());
    rig.Boxes.clear();
    form.CheckIfFirmwareUpgradePossible();
    EXPECT_TRUE(rig.Boxes.empty()) << "switched off";
    EXPECT_EQ(statusShown, 1);

    // From the menu, through the dialog: after the upgrade the restore's
    // Open dialog offers the backup just written.
    chosen = file;
    runDialog = true;
    dialogs.clear();
    rig.Answer = YesOrFirst;
    form.findChild<QAction *>(QStringLiteral("MnIDeviceUpgradeFirmware"))->trigger();
    EXPECT_EQ(windows, 4);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_TRUE(dialogs[0].first);
    EXPECT_FALSE(dialogs[1].first);
    EXPECT_EQ(dialogs[1].second, QStringLiteral("backup.ddf"));
}

// The reminder's road on a kind-20 device of the variant that gets it, one
// without a pressure sensor of its own and holding settings no list of the
// page offers: the backup saved before the upgrade is restored after it,
// every setting as the device held it, and no sensor is sent.
TEST(UpgradeLaunch, ReminderBackupIsRestoredOnTheDeviceItCameFrom)
{
    TProgramLogic logic;
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5, 20, 'D');
    sim::SimControllerState before;
    device.Server.withLock([&] {
        auto &s = device.Controller.State;
        s.Pages[1] = 4;
        sim::SimController::ConfiguredKind21(s);
        s.Param8[28] = 0;
        sim::SimController::OutsideLists(s);
        device.Controller.SetConfigurationLimits();
        before = s;
    });
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("backup.ddf"));
    int windows = 0;
    rig.Wire = [&](TFormMain &f) {
        InstallConfigurationPage(f, logic);
        TModel2Page::Install(f);
        TModelPage::Install(f);
        f.SettingsFileDialog = [&](bool, const QString &, const QString &) { return file; };
        WireUpgrade(f, device, windows, [](sim::SimControllerState &s) {
            s.Param8[4] = 38;
            s.Param8[10] = 20;
            s.Param16[6] = 50;
        });
    };
    rig.Answer = [](const TMessageBoxInfo &b) {
        return b.Buttons.contains(mrYes) ? int(mrYes) : b.Buttons.contains(mrOk) ? int(mrOk) : b.Buttons.value(0);
    };
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    ASSERT_TRUE(form.IsDeviceUpgradePossible());
    form.Timerek->start(); // the reminder comes from the running main loop
    device.Server.log().clear();
    rig.Boxes.clear();
    form.CheckIfFirmwareUpgradePossible();
    const QString said = rig.BoxTexts().join('|');
    EXPECT_EQ(windows, 1) << said.toStdString();
    EXPECT_FALSE(said.contains(TranslateKey(QStringLiteral("strWrongConfFile")))) << said.toStdString();
    EXPECT_TRUE(DataManager->GetConnected());
    for (const auto &f : device.Server.log().bytes())
        EXPECT_FALSE(f.size() > 3 && f[0] == 0xC0 && f[1] == 0x08 && f[2] == 28) << "a sensor the variant lacks";
    device.Server.withLock([&] {
        const auto &s = device.Controller.State;
        EXPECT_EQ(s.Param8, before.Param8);
        EXPECT_EQ(s.Param16, before.Param16);
        EXPECT_EQ(s.Payload.at(0x35), before.Payload.at(0x35));
    });
}

TEST(UpgradeLaunch, RefusalsSayWhyAndAWaitingCarIsRefusedAsOneOnGas)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5, 21, 'E');
    int windows = 0;
    rig.Wire = [&](TFormMain &f) { WireUpgrade(f, device, windows); };
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    rig.Answer = [](const TMessageBoxInfo &b) { return b.Buttons.contains(mrNo) ? int(mrNo) : b.Buttons.value(0); };
    const QString impossible = TranslateKey(QStringLiteral("strUpdImpossible"));
    // A device of another hardware variant: its type is the reason.
    device.Server.withLock([&] { device.Controller.State.Pages[1] = 3; });
    rig.Boxes.clear();
    form.DeviceUpgradeFirmware(true);
    EXPECT_EQ(windows, 0);
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_TRUE(rig.Boxes[0].Text.startsWith(impossible + "\r\n\r\n"));
    EXPECT_TRUE(rig.Boxes[0].Text.endsWith(TranslateKey(QStringLiteral("strUpdImpossibleType")).arg(3)))
        << rig.Boxes[0].Text.toStdString();
    // The upgradable variant, the engine waiting for gas (4) or on gas (5):
    // refused, the engine state named; on petrol (3) the window opens.
    device.Server.withLock([&] { device.Controller.State.Pages[1] = 4; });
    for (const uint8_t state : {4, 5, 3}) {
        SCOPED_TRACE(int(state));
        device.Server.withLock([&] { device.Controller.State.Payload[0x05][8] = uint8_t(state << 5); });
        rig.Boxes.clear();
        const int before = windows;
        form.DeviceUpgradeFirmware(true);
        EXPECT_EQ(windows, before + (state == 3));
        if (state == 3)
            continue;
        ASSERT_EQ(rig.Boxes.size(), 1u);
        EXPECT_EQ(rig.Boxes[0].Text,
                  impossible + "\r\n\r\n" + TranslateKey(QStringLiteral("strUpdImpossibleGas")));
    }
}

TEST(UpgradeLaunch, AdapterReminderOnlyBelowTheFirstFixedVersionOfItsLine)
{
    TFormMain form;
    int main = 0;
    QString letter;
    bool candidate = true;
    form.UpgradeServices.AdapterUpgradeCandidate = [&] { return candidate; };
    form.UpgradeServices.AdapterMainVersion = [&] { return main; };
    form.UpgradeServices.AdapterVersionLetter = [&] { return letter; };
    const struct { int Main; const char *Letter; bool Reminded; } cases[] = {
        {0x10, "A", true},  {0x10, "a", true},  {0x10, "B", false}, {0x10, "b", false}, {0x10, "C", false},
        {0x20, "", true},   {0x20, "A", false}, {0x20, "a", false}, {0x30, "A", false}, {0x00, "A", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.Main << " " << c.Letter);
        main = c.Main;
        letter = QString::fromLatin1(c.Letter);
        EXPECT_EQ(form.IsAdapterUpgradePossible(), c.Reminded);
    }
    candidate = false;
    main = 0x10;
    letter = QStringLiteral("A");
    EXPECT_FALSE(form.IsAdapterUpgradePossible());
}
