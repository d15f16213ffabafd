// The adapter box live in the main window: the controller and the box on one
// pseudo-terminal, the main window and the adapter windows wired as the
// program wires them, start-up, the main tick and the status bar.
#include "ProgramWithAdapter.h"

#include "adapter/LogicAdapter.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/ModuleOBD.h"
#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "upgrade/FormUpgrader.h"
#include "upgrade/UpgradeFiles.h"
#include "upgrade/UpgradeWiring.h"
#include "windows/NamedWidget.h"

#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using adaptertest::ProgramWithAdapter;

// Main version 1.0A with bootloader product 1: an upgrade is offered.
static void OlderBox(sim::SimAdapterState &s)
{
    s.Payload[0x01][1] = 0x10;
    s.Payload[0x02][1] = 0x10;
    s.Payload[0x02][4] = 0x01;
}

TEST(AdapterInMainWindow, StartupFindsTheBoxAndTheStatusBarShowsIt)
{
    ProgramWithAdapter p;
    TFormMain &form = p.Start();
    ASSERT_TRUE(DataManager->GetConnected());
    const auto requests = p.Device.AdapterRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), (sim::Bytes{0xC2, 0x01, 0x01, 0x6B, 0x87}));
    // One detection pass when the window's creation connects; the adapter
    // start-up on the same link asks the box nothing again.
    EXPECT_EQ(p.AdapterCommands(), (std::vector<uint8_t>{0x01, 0x02, 0x04, 0x70, 0x78, 0x71, 0x79, 0x7A, 0x7D}));

    p.Device.Server.log().clear();
    p.Tick();
    EXPECT_EQ(p.AdapterLine(), "2.0A r3 (Nov 20 2026 14:05:33)");
    // The adapter-info page shows what the detection read, asking nothing more.
    EXPECT_EQ(p.Info->LblAdapterVersion->text(), "2.0A r3");
    EXPECT_EQ(p.Info->LblAdapterSN->text(), "34567020712");
    EXPECT_EQ(p.Info->LblAdapterCompilationDateAndTime->text(), "Nov 20 2026 14:05:33");
    EXPECT_EQ(p.Info->LblAdapterVersionFull->text(), LogicAdapter->DescribeAdapter(false));
    EXPECT_EQ(p.Info->LblAdapterVersion->palette().color(QPalette::WindowText), QColor(0, 0x80, 0));
    // Each tick: the controller's live values and the OBD module's state.
    p.Tick(4);
    EXPECT_EQ(p.AdapterCommands(), (std::vector<uint8_t>{0x78, 0x78, 0x78, 0x78, 0x78}));
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
    p.Tick(8);
    // The state read and its repeat, three presence retries, then nothing;
    // the controller is polled on every tick all the while.
    EXPECT_EQ(p.AdapterCommands(), (std::vector<uint8_t>{0x78, 0x78, 0x70, 0x70, 0x70}));
    EXPECT_EQ(p.LiveReads(), 8u);
    EXPECT_FALSE(ModuleOBD->IsActive());
    // The Adapter tab entered (F7, then by the quick-start jump to its OBD
    // settings): the box's presence query once each; its ticks ask nothing.
    p.Device.Server.log().clear();
    p.Rig.Form->MnIWindowAdapterClick();
    EXPECT_EQ(p.AdapterCommandsArrived(1), (std::vector<uint8_t>{0x01}));
    p.Tick(20);
    shellwiring::Get<QPushButton>(*p.Rig.Form, "BtnQSAdapterConfig")->click();
    EXPECT_EQ(p.AdapterCommandsArrived(2), (std::vector<uint8_t>{0x01, 0x01}));
    // The controller's reconnection brings the modules in line again.
    p.Device.Server.withLock([&] { p.Device.Adapter.State.Silent = false; });
    EXPECT_TRUE(DataManager->SyncModules(true));
    EXPECT_TRUE(ModuleOBD->IsActive());
}

TEST(AdapterInMainWindow, NoBoxIsAskedOnceAtStartUpAndOncePerEntryOfTheTab)
{
    ProgramWithAdapter p([](sim::SimAdapterState &s) { s.Silent = true; });
    p.Start();
    EXPECT_EQ(p.AdapterCommands(), (std::vector<uint8_t>{0x01}));
    p.Device.Server.log().clear();
    p.Rig.Form->MnIWindowAdapterClick();
    p.Tick(20);
    EXPECT_EQ(p.AdapterCommands(), (std::vector<uint8_t>{0x01}));
    EXPECT_EQ(p.LiveReads(), 20u);
}

TEST(AdapterInMainWindow, MismatchedBoxIsReportedAndLeftAlone)
{
    ProgramWithAdapter p([](sim::SimAdapterState &s) { s.Payload[0x02][4] = 0x01; });
    p.Start();
    EXPECT_EQ(p.AdapterCommands(), (std::vector<uint8_t>{0x01, 0x02, 0x04}));
    p.Device.Server.log().clear();
    p.Tick(5);
    EXPECT_TRUE(p.Device.AdapterRequests().empty());
    EXPECT_EQ(p.AdapterLine(), "----");
    ASSERT_EQ(p.Rig.Boxes.size(), 1u);
    EXPECT_TRUE(p.Rig.Boxes.front().Text.endsWith("{20} [1]")) << p.Rig.Boxes.front().Text.toStdString();
    EXPECT_EQ(p.Info->LblAdapterVersion->text(), "[" + LM->Translate(QStringLiteral("strVerError")) + "] {20} [1]");
    EXPECT_EQ(p.Info->LblAdapterVersion->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(p.Info->BtBAdapterLoadFromFile->isEnabled());
    // The page entered again and again: the refused box is neither asked nor reported again.
    p.Device.Server.log().clear();
    for (int i = 0; i < 3; ++i) {
        shellwiring::ClickTab(*p.Rig.Form, "TbSAdapter");
        p.Tick(3);
        shellwiring::ClickTab(*p.Rig.Form, "TbSConfig");
        p.Tick();
    }
    // Nor by the upgrade check: an answer would take it back into use.
    EXPECT_FALSE(p.Rig.Form->UpgradeServices.AdapterAnswersForUpgrade());
    EXPECT_EQ(p.Rig.Boxes.size(), 1u) << p.Rig.BoxTexts().join('|').toStdString();
    EXPECT_TRUE(p.Device.AdapterRequests().empty()) << p.Device.AdapterRequests().size();
    // A new contact (the controller connected afresh) says it once more.
    DataManager->SyncModules(true);
    p.Tick(2);
    EXPECT_EQ(p.Rig.Boxes.size(), 2u) << p.Rig.BoxTexts().join('|').toStdString();
    EXPECT_LE(p.Device.AdapterRequests().size(), 3u);
    // A fitting box is taken on the next contact, a silent one not.
    p.Device.Server.withLock([&] { p.Device.Adapter.State.Payload[0x02][4] = 0x02; });
    DataManager->SyncModules(true);
    EXPECT_TRUE(p.Rig.Form->UpgradeServices.AdapterAnswersForUpgrade());
    p.Device.Server.withLock([&] { p.Device.Adapter.State.Silent = true; });
    EXPECT_FALSE(p.Rig.Form->UpgradeServices.AdapterAnswersForUpgrade());
}

TEST(AdapterInMainWindow, OlderBoxOpensTheUpgradeRoad)
{
    ProgramWithAdapter p(OlderBox);
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

// The box's upgrade from Connection status, its Update pressed as a person
// presses it and the upgrade window driven as it comes up. The box loses power
// at a record of the first run (or not at all); the run that finishes it starts
// from the dialog in the same program or after a restart, with or without a
// controller. A box gone silent gets the adapter's refusal and nothing else.
struct AdapterRoadCase {
    const char *Name;
    enum { Whole, First, Middle, Last, Silent } Cut;
    bool Restart = false;
    bool ControllerAfter = true; // a controller answers in the program that finishes
};

class AdapterUpgradeRoad : public ::testing::TestWithParam<AdapterRoadCase>
{
protected:
    QTemporaryDir Tmp;
    QString File;
    QList<QByteArray> Records;
    std::unique_ptr<ProgramWithAdapter> P;
    std::unique_ptr<adaptertest::ConnectStatusObjects> Objects;

    void SetUp() override
    {
        ASSERT_TRUE(upgradefiles::WriteFile(Tmp, TBootloaderAdapterVXR_v2(), 12 * 36 + 5, File, &Records));
        TFormUpgrader::BeforeModal = [this](TFormUpgrader *w) {
            w->Wait = [](int) {};
            w->ChooseFile = [this](const QString &) { return File; };
            w->BtnLoadDataClick();
            w->BtnUpdateClick();
            QTimer::singleShot(0, w, [w] { w->close(); });
        };
    }
    void TearDown() override { TFormUpgrader::BeforeModal = nullptr; }

    // An older box beside the controller, or the box as a previous run left it.
    TFormMain &StartProgram(const sim::SimAdapter *before = nullptr, bool controller = true)
    {
        Objects.reset();
        P.reset();
        P = std::make_unique<ProgramWithAdapter>([before](sim::SimAdapterState &s) {
            if (before)
                s = before->State;
            else
                OlderBox(s);
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
        // Without a controller the first tick finds the bootloader and opens the dialog itself.
        if (controller)
            P->Tick();
        return form;
    }
    // Connection status opened from the main window (or by the next tick);
    // script runs while it is shown. False when it did not open.
    bool WithDialog(const std::function<void(TFormConnectStatus &)> &script, bool byTick = false)
    {
        bool opened = false;
        SetModalExecHook([&](QDialog *shown) {
            opened = true;
            shown->show();
            script(Objects->Dialog);
            shown->hide();
            return int(QDialog::Accepted);
        });
        if (byTick)
            P->Tick();
        else
            P->Rig.Form->ShowFormConnectStatus();
        SetModalExecHook({});
        return opened;
    }
    static void PressUpdate(TFormConnectStatus &dialog)
    {
        ASSERT_TRUE(dialog.BtnAdapterUpdate->isVisible() && dialog.BtnAdapterUpdate->isEnabled());
        dialog.BtnAdapterUpdate->click();
    }
    std::unique_ptr<sim::SimAdapter> Snapshot()
    {
        auto box = std::make_unique<sim::SimAdapter>();
        P->Device.Server.withLock([&] {
            box->State = P->Device.Adapter.State;
            box->Boot = P->Device.Adapter.Boot;
        });
        return box;
    }
    // How often the adapter's upgrade was refused for the reason key.
    int Said(const char *key)
    {
        const QString refused = TranslateKey(QStringLiteral("strUpdImpossible")) + QStringLiteral("\r\n\r\n");
        return int(P->Rig.BoxTexts().count(refused + TranslateKey(QString::fromLatin1(key))));
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
        P->Tick(8);
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
    const int cut = std::array{-1, 0, last / 2, last}[c.Cut];
    P->Device.Server.withLock([&] { P->Device.Adapter.Boot.State.PowerLossAtRecord = cut; });
    int pictureAfterCut = 0;
    WithDialog([&](TFormConnectStatus &dialog) {
        EXPECT_TRUE(dialog.BtnAdapterUpdate->font().bold()) << "drawn red";
        PressUpdate(dialog);
        pictureAfterCut = dialog.SelImAdapter->ImageIndex();
        if (cut >= 0 && !c.Restart)
            PressUpdate(dialog); // shown in its bootloader, its Update finishes it
    });
    EXPECT_EQ(Said("strUpdAdapterNotFound"), 0) << P->Rig.BoxTexts().join('|').toStdString();
    EXPECT_EQ(pictureAfterCut, cut >= 0 ? 5 : 4) << "in its bootloader after a cut, else connected";
    if (cut >= 0 && c.Restart) {
        const auto before = Snapshot();
        ASSERT_TRUE(before->State.InBootloader);
        StartProgram(before.get(), c.ControllerAfter);
        EXPECT_TRUE(WithDialog(
            [&](TFormConnectStatus &dialog) {
                EXPECT_EQ(dialog.SelImAdapter->ImageIndex(), 5) << "in its bootloader after the restart";
                PressUpdate(dialog);
            },
            !c.ControllerAfter));
    }
    const auto box = Snapshot();
    EXPECT_TRUE(upgradefiles::FlashHolds(box->Boot.State.Flash, Records));
    EXPECT_FALSE(box->State.InBootloader) << "it runs its program";
    EXPECT_GE(box->State.Jumps, 1u);
}

using Road = AdapterRoadCase;
INSTANTIATE_TEST_SUITE_P(
    Rows, AdapterUpgradeRoad,
    ::testing::Values(Road{"WholeRun", Road::Whole}, Road{"CutAtTheFirstRecord", Road::First},
                      Road{"CutInTheMiddle", Road::Middle}, Road{"CutAtTheLastRecord", Road::Last},
                      Road{"CutAtTheFirstRecordThenRestart", Road::First, true},
                      Road{"CutInTheMiddleThenRestartWithoutController", Road::Middle, true, false},
                      Road{"CutAtTheLastRecordThenRestart", Road::Last, true}, Road{"SilentBox", Road::Silent}),
    [](const ::testing::TestParamInfo<AdapterRoadCase> &info) { return std::string(info.param.Name); });

// The controller's link lost and back, the box present all the while: the
// box is looked for once, whichever page is shown. Each entry of the INFO tab
// reads the box's information once, with a detection if the box dropped out.
TEST(AdapterInMainWindow, ControllerLinkBackLooksForTheBoxOnce)
{
    for (const bool infoTab : {false, true}) {
        SCOPED_TRACE(infoTab ? "Adapter tab, INFO" : "readings page");
        ProgramWithAdapter p;
        p.Start();
        p.Tick();
        shellwiring::ClickTab(*p.Rig.Form, infoTab ? "TbSAdapter" : "TbSMeasure");
        if (infoTab) {
            ASSERT_EQ(shellwiring::Current(*p.Rig.Form, "PgCAdapterMain"), "TbSAdapterMultiInfo");
        }
        p.Tick();
        // The box's presence query, its information and the OBD module's presence query.
        const auto expectAsked = [&p](const std::vector<long> &counts) {
            std::vector<long> n;
            const auto sent = p.AdapterCommands();
            for (uint8_t c : {0x01, 0x02, 0x04, 0x70})
                n.push_back(std::count(sent.begin(), sent.end(), c));
            EXPECT_EQ(n, counts) << testing::PrintToString(sent);
        };
        for (const int present : {0, 4}) {
            p.Device.Server.log().clear();
            p.Device.Probes.present(present);
            for (int i = 0; i < 40 && DataManager->GetConnected() != bool(present); ++i)
                p.Tick();
            ASSERT_EQ(DataManager->GetConnected(), bool(present));
        }
        p.Tick(5);
        expectAsked({1, 1, 1, 1});
        EXPECT_TRUE(ModuleOBD->IsActive());
        EXPECT_EQ(p.Info->LblAdapterVersion->text(), "2.0A r3");
        if (!infoTab)
            continue;
        // INFO entered again, then after the box fell silent until its OBD module gave up.
        for (const bool silent : {false, true}) {
            p.Device.Server.withLock([&] { p.Device.Adapter.State.Silent = silent; });
            p.Tick(silent ? 8 : 0);
            ASSERT_NE(ModuleOBD->IsActive(), silent);
            p.Device.Server.withLock([&] { p.Device.Adapter.State.Silent = false; });
            shellwiring::ClickTab(*p.Rig.Form, silent ? "TbSMeasure" : "TbSAdapterMultiOBD");
            p.Device.Server.log().clear();
            shellwiring::ClickTab(*p.Rig.Form, silent ? "TbSAdapter" : "TbSAdapterMultiInfo");
            p.Tick(3);
            EXPECT_TRUE(ModuleOBD->IsActive());
            expectAsked({1, 1, 1, silent});
        }
    }
}
