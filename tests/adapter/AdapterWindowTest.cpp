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
#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/FormUpgrader.h"
#include "upgrade/UpgradeFiles.h"
#include "upgrade/UpgradeWiring.h"
#include "upgrade/UpgraderLogic.h"
#include "windows/FormConnectStatus.h"
#include "windows/NamedWidget.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

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
    // The adapter page entered again and again with the timer running: the
    // box answered and was refused, it did not drop out, so it is neither
    // asked nor reported again.
    p.Device.Server.log().clear();
    for (int i = 0; i < 3; ++i) {
        shellwiring::ClickTab(*p.Rig.Form, "TbSAdapter");
        for (int t = 0; t < 3; ++t)
            p.Tick();
        shellwiring::ClickTab(*p.Rig.Form, "TbSConfig");
        p.Tick();
    }
    EXPECT_EQ(p.Rig.Boxes.size(), 1u) << p.Rig.BoxTexts().join('|').toStdString();
    EXPECT_TRUE(p.Device.AdapterRequests().empty()) << p.Device.AdapterRequests().size();
    // A new contact (the controller connected afresh) says it once more.
    DataManager->SyncModules(true);
    p.Tick();
    p.Tick();
    EXPECT_EQ(p.Rig.Boxes.size(), 2u) << p.Rig.BoxTexts().join('|').toStdString();
    EXPECT_LE(p.Device.AdapterRequests().size(), 3u);
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

// The adapter box's upgrade from Connection status, with its Update pressed
// as a person presses it and the upgrade window driven as it comes up. The
// box loses power at a record of the first run (or not at all); the run that
// finishes it is started from the dialog in the same program or after a
// restart, with or without a controller on the line. A box that went silent
// instead gets the adapter's refusal and nothing else.
struct AdapterRoadCase {
    const char *Name;
    enum { Whole = -1, First = -2, Middle = -3, Last = -4, Silent = -5 } Cut;
    bool Restart;
    bool ControllerAfter; // a controller answers in the program that finishes
};

class AdapterUpgradeRoad : public ::testing::TestWithParam<AdapterRoadCase>
{
protected:
    using Program = adaptertest::ProgramWithAdapter;
    QTemporaryDir Tmp;
    QString File;
    QList<QByteArray> Records;
    std::unique_ptr<Program> P;
    std::unique_ptr<adaptertest::ConnectStatusObjects> Objects;

    void SetUp() override
    {
        TBootloaderAdapterVXR_v2 params;
        const QByteArray data = upgradefiles::Make(params, 12 * 36 + 5, 0x21, 'C');
        Records = UpgradeRecords(data, params);
        File = Tmp.filePath(QStringLiteral("fw.") + params.GetExtension());
        ASSERT_TRUE(upgradefiles::Write(File, data));
        TFormUpgrader::BeforeModal = [this](TFormUpgrader *w) {
            w->Wait = [](int) {};
            w->ChooseFile = [this](const QString &) { return File; };
            w->BtnLoadDataClick();
            w->BtnUpdateClick();
            QTimer::singleShot(0, w, [w] { w->close(); });
        };
    }
    void TearDown() override
    {
        TFormUpgrader::BeforeModal = nullptr;
        Objects.reset();
        P.reset();
    }

    // An older box (1.0A, bootloader product 1) beside the controller; the
    // box's own state carried over from a previous run when given.
    TFormMain &StartProgram(const sim::SimAdapter *before = nullptr, bool controller = true)
    {
        Objects.reset();
        P.reset();
        P = std::make_unique<Program>([before](sim::SimAdapterState &s) {
            if (before) {
                s = before->State;
                return;
            }
            s.Payload[0x01][1] = 0x10;
            s.Payload[0x02][1] = 0x10;
            s.Payload[0x02][4] = 0x01;
        });
        if (before)
            P->Device.Server.withLock([&] { P->Device.Adapter.Boot = before->Boot; });
        if (!controller)
            P->Device.Probes.present(0);
        const auto wire = P->Rig.Wire;
        P->Rig.Wire = [wire](TFormMain &f) {
            wire(f);
            WireUpgradeServices(f);
        };
        Objects = std::make_unique<adaptertest::ConnectStatusObjects>();
        Objects->Bootloader.Wait = [](int) {};
        WireConnectStatusToAdapter(Objects->Dialog);
        TFormMain &form = P->Start();
        // Without a controller the first tick finds the bootloader and opens
        // the dialog itself.
        if (controller)
            P->Tick();
        return form;
    }
    // Connection status opened from the main window (or by open); script
    // runs while it is shown. False when it did not open.
    bool WithDialog(const std::function<void(TFormConnectStatus &)> &script, std::function<void()> open = {})
    {
        bool opened = false;
        SetModalExecHook([&](QDialog *shown) {
            opened = true;
            shown->show();
            script(Objects->Dialog);
            shown->hide();
            return int(QDialog::Accepted);
        });
        if (open)
            open();
        else
            P->Rig.Form->ShowFormConnectStatus();
        SetModalExecHook({});
        return opened;
    }
    template <class T> T Box(const std::function<T(sim::SimAdapter &)> &read)
    {
        T value{};
        P->Device.Server.withLock([&] { value = read(P->Device.Adapter); });
        return value;
    }
    bool FlashHoldsFile()
    {
        const auto flash = Box<std::vector<std::array<uint8_t, 36>>>(
            [](sim::SimAdapter &a) { return a.Boot.State.Flash; });
        return upgradefiles::FlashHolds(flash, Records);
    }
    int Said(const char *key)
    {
        const QString text = TranslateKey(QStringLiteral("strUpdImpossible")) + QStringLiteral("\r\n\r\n")
                             + TranslateKey(QString::fromLatin1(key));
        return int(std::count_if(P->Rig.Boxes.begin(), P->Rig.Boxes.end(),
                                 [&](const TMessageBoxInfo &b) { return b.Text == text; }));
    }
};

TEST_P(AdapterUpgradeRoad, UpdateInConnectionStatusUpgradesTheBoxAndFinishesACutRun)
{
    const AdapterRoadCase c = GetParam();
    StartProgram();
    ASSERT_EQ(DeviceRecord.IdentityPage1, 0) << "a controller of a variant the upgrade does not serve";
    P->Rig.Boxes.clear();
    P->Device.Server.log().clear();
    if (c.Cut == AdapterRoadCase::Silent) {
        // Silent long enough for its modules to give up: not shown connected.
        P->Device.Server.withLock([&] { P->Device.Adapter.State.Silent = true; });
        for (int i = 0; i < 8; ++i)
            P->Tick();
        WithDialog([&](TFormConnectStatus &dialog) {
            EXPECT_NE(dialog.SelImAdapter->ImageIndex(), 4) << "a box that stopped answering is not connected";
            EXPECT_FALSE(dialog.BtnAdapterUpdate->isVisible());
        });
        // Found again, then silent at once: its Update asks it first.
        P->Device.Server.withLock([&] { P->Device.Adapter.State.Silent = false; });
        DataManager->SyncModules(true);
        P->Device.Server.log().clear();
        WithDialog([&](TFormConnectStatus &dialog) {
            ASSERT_TRUE(dialog.BtnAdapterUpdate->isVisible());
            P->Device.Server.withLock([&] { P->Device.Adapter.State.Silent = true; });
            dialog.BtnAdapterUpdate->click();
            EXPECT_NE(dialog.SelImAdapter->ImageIndex(), 4);
        });
        EXPECT_EQ(Said("strUpdAdapterNotFound"), 1) << P->Rig.BoxTexts().join('|').toStdString();
        for (const auto &f : P->Device.Server.log().bytes()) {
            EXPECT_NE(f[0], 0xBC) << "no bootloader request";
            EXPECT_FALSE(f[0] == 0xC2 && f[1] == 0xE2) << "no go-to-bootloader request";
        }
        return;
    }
    const int last = int(Records.size()) - 1;
    const int cut = c.Cut == AdapterRoadCase::First ? 0 : c.Cut == AdapterRoadCase::Middle ? last / 2
                    : c.Cut == AdapterRoadCase::Last                                      ? last
                                                                                          : -1;
    P->Device.Server.withLock([&] { P->Device.Adapter.Boot.State.PowerLossAtRecord = cut; });
    int pictureAfterCut = 0;
    WithDialog([&](TFormConnectStatus &dialog) {
        ASSERT_TRUE(dialog.BtnAdapterUpdate->isVisible());
        EXPECT_TRUE(dialog.BtnAdapterUpdate->font().bold()) << "drawn red";
        dialog.BtnAdapterUpdate->click();
        pictureAfterCut = dialog.SelImAdapter->ImageIndex();
        if (cut >= 0 && !c.Restart) {
            // The box is shown in its bootloader and its Update finishes it.
            ASSERT_TRUE(dialog.BtnAdapterUpdate->isVisible() && dialog.BtnAdapterUpdate->isEnabled());
            dialog.BtnAdapterUpdate->click();
        }
    });
    EXPECT_EQ(Said("strUpdAdapterNotFound"), 0) << P->Rig.BoxTexts().join('|').toStdString();
    if (cut >= 0) {
        EXPECT_EQ(pictureAfterCut, 5) << "in its bootloader";
        if (c.Restart) {
            ASSERT_TRUE(Box<bool>([](sim::SimAdapter &a) { return a.State.InBootloader; }));
            const auto before = std::make_unique<sim::SimAdapter>();
            P->Device.Server.withLock([&] {
                before->State = P->Device.Adapter.State;
                before->Boot = P->Device.Adapter.Boot;
            });
            StartProgram(before.get(), c.ControllerAfter);
            std::function<void()> open;
            if (!c.ControllerAfter)
                open = [this] { P->Tick(); };
            EXPECT_TRUE(WithDialog(
                [&](TFormConnectStatus &dialog) {
                    EXPECT_EQ(dialog.SelImAdapter->ImageIndex(), 5) << "in its bootloader after the restart";
                    ASSERT_TRUE(dialog.BtnAdapterUpdate->isVisible() && dialog.BtnAdapterUpdate->isEnabled());
                    dialog.BtnAdapterUpdate->click();
                },
                open));
        }
    }
    EXPECT_TRUE(FlashHoldsFile());
    EXPECT_FALSE(Box<bool>([](sim::SimAdapter &a) { return a.State.InBootloader; })) << "it runs its program";
    EXPECT_GE(Box<size_t>([](sim::SimAdapter &a) { return a.State.Jumps; }), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AdapterUpgradeRoad,
    ::testing::Values(AdapterRoadCase{"WholeRun", AdapterRoadCase::Whole, false, true},
                      AdapterRoadCase{"CutAtTheFirstRecord", AdapterRoadCase::First, false, true},
                      AdapterRoadCase{"CutInTheMiddle", AdapterRoadCase::Middle, false, true},
                      AdapterRoadCase{"CutAtTheLastRecord", AdapterRoadCase::Last, false, true},
                      AdapterRoadCase{"CutAtTheFirstRecordThenRestart", AdapterRoadCase::First, true, true},
                      AdapterRoadCase{"CutInTheMiddleThenRestartWithoutController", AdapterRoadCase::Middle,
                                      true, false},
                      AdapterRoadCase{"CutAtTheLastRecordThenRestart", AdapterRoadCase::Last, true, true},
                      AdapterRoadCase{"SilentBox", AdapterRoadCase::Silent, false, true}),
    [](const ::testing::TestParamInfo<AdapterRoadCase> &info) { return std::string(info.param.Name); });
