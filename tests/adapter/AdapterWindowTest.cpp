// The adapter box live in the main window: the controller and the box on one
// pseudo-terminal, the main window and the adapter windows wired as the
// program wires them, start-up, the main tick and the status bar.
#include "ProgramWithAdapter.h"

#include "adapter/AdapterWiring.h"
#include "adapter/FormMultiAIO.h"
#include "adapter/FormMultiAdapterInfo.h"
#include "adapter/FormMultiOBD.h"
#include "adapter/Logic.h"
#include "adapter/LogicAdapter.h"
#include "adapter/Manager.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/ModuleOBD.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/UpgradeWiring.h"
#include "upgrade/UpgraderLogic.h"
#include "windows/FormConnectStatus.h"
#include "windows/NamedWidget.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono_literals;
using adaptertest::ProgramWithAdapter;

TEST(AdapterInMainWindow, StartupFindsTheBoxAndTheStatusBarShowsIt)
{
    ProgramWithAdapter p;
    TFormMain &form = p.Start();
    ASSERT_TRUE(DataManager->GetConnected());
    const auto requests = p.Device.AdapterRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), (sim::Bytes{0xC2, 0x01, 0x01, 0x6B, 0x87}));
    // One detection pass when the window's creation connects, one by the
    // adapter start-up.
    const std::vector<uint8_t> pass = {0x01, 0x02, 0x04, 0x70, 0x78, 0x71, 0x79, 0x7A, 0x7D};
    std::vector<uint8_t> twice = pass;
    twice.insert(twice.end(), pass.begin(), pass.end());
    EXPECT_EQ(p.AdapterCommands(), twice);

    p.Device.Server.log().clear();
    p.Tick();
    EXPECT_EQ(p.AdapterLine(), "2.0A r3 (Nov 20 2026 14:05:33)");
    // The detection's refresh reached the adapter-info page, which asked the
    // box afresh what it is.
    EXPECT_EQ(p.Info->LblAdapterVersion->text(), "2.0A r3");
    EXPECT_EQ(p.Info->LblAdapterSN->text(), "34567020712");
    EXPECT_EQ(p.Info->LblAdapterCompilationDateAndTime->text(), "Nov 20 2026 14:05:33");
    EXPECT_EQ(p.Info->LblAdapterVersionFull->text(), LogicAdapter->DescribeAdapter(false));
    EXPECT_EQ(p.Info->LblAdapterVersion->palette().color(QPalette::WindowText), QColor(0, 0x80, 0));
    // Each tick: the controller's live values and the OBD module's state.
    for (int i = 0; i < 4; ++i)
        p.Tick();
    EXPECT_EQ(p.AdapterCommands(), (std::vector<uint8_t>{0x78, 0x01, 0x02, 0x04, 0x78, 0x78, 0x78, 0x78}));
    EXPECT_EQ(p.LiveReads(), 5u);
    // A 2.0A box has nothing newer to offer.
    EXPECT_FALSE(form.IsAdapterUpgradePossible());
    EXPECT_TRUE(p.Rig.Boxes.empty()) << p.Rig.BoxTexts().join('|').toStdString();
}

TEST(AdapterInMainWindow, BoxSilentAtRunTimeNeverHoldsTheTick)
{
    ProgramWithAdapter p;
    p.Start();
    p.Tick();
    p.Device.Server.withLock([&] { p.Device.Adapter.State.Silent = true; });
    p.Device.Server.log().clear();
    for (int i = 0; i < 8; ++i)
        p.Tick();
    // The state read and its repeat, three presence retries, then nothing;
    // the controller is polled on every tick all the while.
    EXPECT_EQ(p.AdapterCommands(), (std::vector<uint8_t>{0x78, 0x78, 0x70, 0x70, 0x70}));
    EXPECT_EQ(p.LiveReads(), 8u);
    EXPECT_FALSE(ModuleOBD->IsActive());
    // The controller's reconnection brings the modules in line again.
    p.Device.Server.withLock([&] { p.Device.Adapter.State.Silent = false; });
    EXPECT_TRUE(DataManager->SyncModules(true));
    EXPECT_TRUE(ModuleOBD->IsActive());
}

TEST(AdapterInMainWindow, MismatchedBoxIsReportedAndLeftAlone)
{
    ProgramWithAdapter p([](sim::SimAdapterState &s) { s.Payload[0x02][4] = 0x01; });
    p.Start();
    EXPECT_EQ(p.AdapterCommands(), (std::vector<uint8_t>{0x01, 0x02, 0x04, 0x01, 0x02, 0x04}));
    p.Device.Server.log().clear();
    for (int i = 0; i < 5; ++i)
        p.Tick();
    EXPECT_TRUE(p.Device.AdapterRequests().empty());
    EXPECT_EQ(p.AdapterLine(), "----");
    ASSERT_EQ(p.Rig.Boxes.size(), 1u);
    EXPECT_TRUE(p.Rig.Boxes.front().Text.endsWith("{20} [1]")) << p.Rig.Boxes.front().Text.toStdString();
    EXPECT_EQ(p.Info->LblAdapterVersion->text(), "[" + LM->Translate(QStringLiteral("strVerError")) + "] {20} [1]");
    EXPECT_EQ(p.Info->LblAdapterVersion->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(p.Info->BtBAdapterLoadFromFile->isEnabled());
}

TEST(AdapterInMainWindow, OlderBoxOpensTheUpgradeRoad)
{
    // Main version 1.0A with bootloader product 1: an upgrade is offered.
    ProgramWithAdapter p([](sim::SimAdapterState &s) {
        s.Payload[0x01][1] = 0x10;
        s.Payload[0x02][1] = 0x10;
        s.Payload[0x02][4] = 0x01;
    });
    TFormMain &form = p.Start();
    int reminders = 0;
    form.Services.CheckIfFirmwareUpgradePossible = [&] { ++reminders, form.CheckIfFirmwareUpgradePossible(); };
    p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrCancel); };
    p.Tick();
    EXPECT_EQ(p.AdapterLine(), "1.0A r3 (Nov 20 2026 14:05:33)");
    EXPECT_TRUE(form.IsAdapterUpgradePossible());
    auto *label = form.findChild<QLabel *>(QStringLiteral("LblQSAdapterSoftVer"));
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    // The reminder names the adapter's new firmware.
    p.Rig.Now += 5000;
    p.Tick();
    EXPECT_EQ(reminders, 1);
    ASSERT_FALSE(p.Rig.Boxes.empty());
    EXPECT_TRUE(p.Rig.Boxes.back().Text.contains(LM->Translate(QStringLiteral("strAdapterUpdateAvailable"))));
}

TEST(AdapterInMainWindow, TheAdaptersUpdateInConnectionStatusAsksAboutTheAdapter)
{
    // An older box beside a controller of a hardware variant the upgrade
    // does not serve.
    ProgramWithAdapter p([](sim::SimAdapterState &s) {
        s.Payload[0x01][1] = 0x10;
        s.Payload[0x02][1] = 0x10;
        s.Payload[0x02][4] = 0x01;
    });
    const auto wire = p.Rig.Wire;
    p.Rig.Wire = [wire](TFormMain &f) {
        wire(f);
        WireUpgradeServices(f);
    };
    adaptertest::ConnectStatusObjects objects;
    WireConnectStatusToAdapter(objects.Dialog);
    TFormMain &form = p.Start();
    p.Tick();
    ASSERT_EQ(DeviceRecord.IdentityPage1, 0);
    // A person in Connection status: the adapter's Update, then Close.
    bool pressed = false, drawnRed = false;
    QTimer person;
    person.setInterval(20);
    QObject::connect(&person, &QTimer::timeout, [&] {
        auto *status = qobject_cast<TFormConnectStatus *>(QApplication::activeModalWidget());
        if (!status || status->y() < -30000)
            return;
        if (!pressed && status->BtnAdapterUpdate->isVisible()) {
            pressed = true;
            drawnRed = status->BtnAdapterUpdate->font().bold();
            QTimer::singleShot(0, status->BtnAdapterUpdate, &QPushButton::click);
        } else {
            status->BtBClose->click();
        }
    });
    person.start();
    p.Rig.Boxes.clear();
    p.Device.Server.log().clear();
    form.ShowFormConnectStatus();
    person.stop();
    ASSERT_TRUE(pressed);
    EXPECT_TRUE(drawnRed);
    const QString impossible = TranslateKey(QStringLiteral("strUpdImpossible"));
    for (const auto &box : p.Rig.Boxes)
        EXPECT_FALSE(box.Text.startsWith(impossible)) << box.Text.toStdString();
    // The upgrade went to the box: its program was asked into its bootloader.
    bool jump = false;
    for (const auto &r : p.Device.AdapterRequests())
        jump = jump || (r.size() == 5 && r[1] == 0xE2 && r[2] == 0x01);
    EXPECT_TRUE(jump);
}
