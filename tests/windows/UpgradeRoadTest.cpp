// The way to a firmware upgrade from a device that answers only in its
// bootloader: the program's own wiring finds it, warns, opens the
// connection-status dialog, and the dialog's Update leads through the upgrade
// window to a whole program in the device. A person's clicks are played on
// the modal windows as they come up.
#include "common/GiveUp.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"
#include "upgrade/UpgradeFiles.h"

#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/FormUpgrader.h"
#include "upgrade/UpgradeWiring.h"
#include "upgrade/UpgraderLogic.h"
#include "windows/FormConnectStatus.h"
#include "sim/SimUpgradeTarget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Bytes = std::vector<uint8_t>;

// The program's objects of the upgrade side, created as the main block
// creates them.
struct UpgradeObjects {
    TBootloaderConfig config;
    TBootloader40Manager manager;
    TUpgraderLogic logic;
    TFormConnectStatus dialog;
    UpgradeObjects()
    {
        BootloaderConfig = &config;
        Bootloader40Manager = &manager;
        UpgraderLogic = &logic;
        FormConnectStatus = &dialog;
    }
    ~UpgradeObjects()
    {
        FormConnectStatus = nullptr;
        UpgraderLogic = nullptr;
        Bootloader40Manager = nullptr;
        BootloaderConfig = nullptr;
    }
};

// A controller answering in its bootloader only, on COM5.
struct BootloaderDevice {
    sim::SimServer server;
    sim::SimUpgradeTarget target;
    explicit BootloaderDevice(const QString &portsDir)
    {
        sim::SimUpgradeTarget::MakeController(target);
        target.App.Running = false;
        target.Boot.State.Stay = 1;
        target.Install(server);
        std::string error;
        if (!server.start(&error) || !server.linkAs(portsDir.toStdString(), 5, &error))
            throw std::runtime_error(error);
    }
    ~BootloaderDevice() { server.stop(); }
    template <class T> T state(const std::function<T()> &read)
    {
        T value{};
        server.withLock([&] { value = read(); });
        return value;
    }
};

// What the person sees and does, one step per modal window that comes up.
class Person : public QObject
{
public:
    QString File;
    int Updates = 0;           // Update pressed in the connection-status dialog
    int UpgraderRuns = 0;      // upgrade window runs pressed
    int UpgraderWindowsMade = 0; // upgrade windows made, shown or not
    // Return pressed once on the dialog's Update while its launch seeks the
    // target (the dialog out of sight, still the active window).
    bool ReturnWhileLaunching = false;
    bool CloseDialogWhenDone = true;
    // Escape pressed while Open file identifies the device.
    bool EscapeWhileIdentifying = false;
    bool ReturnPressed() const { return FReturnPressed; }
    std::vector<int> DevicePictureSeen;  // device picture when Update was pressed
    std::function<int()> UpdatesWanted = [] { return 1; };

    Person()
    {
        FStarted.start();
        FTimer.setInterval(30);
        connect(&FTimer, &QTimer::timeout, this, [this] { step(); });
        FTimer.start();
    }

private:
    // A click as a person makes it: delivered by the event loop, so that the
    // windows it opens run their own loops while this one goes on watching.
    static void click(QAbstractButton *button) { QTimer::singleShot(0, button, &QAbstractButton::click); }

    void step()
    {
        // A launch makes one upgrade window.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<TFormUpgrader *>(w) && !w->property("made").toBool()) {
                w->setProperty("made", true);
                ++UpgraderWindowsMade;
            }
        QWidget *modal = QApplication::activeModalWidget();
        if (qEnvironmentVariableIsSet("UPGRADE_ROAD_TRACE") && modal) {
            auto *u = qobject_cast<TFormUpgrader *>(modal);
            auto *st = qobject_cast<TFormConnectStatus *>(modal);
            qWarning("modal: %s file=%s upd=%d busy=%d y=%d devupd=%d/%d", modal->metaObject()->className(),
                     u ? qPrintable(u->FileName()) : "-", u ? u->BtnUpdate->isEnabled() : -1, u ? u->Busy() : -1,
                     modal->y(), st ? st->BtnDevUpdate->isVisible() : -1, st ? st->BtnDevUpdate->isEnabled() : -1);
        }
        // A window that never becomes ready is given up on, so that the test
        // fails instead of waiting for ever.
        if (FStarted.elapsed() > testsupport::GiveUpMs) {
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            return;
        }
        if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            // Chosen as a person types the whole name and confirms, without
            // the dialog's own check of a folder listing it may not have read
            // yet (its warning box would wait inside this step). The dialog
            // lists its folder in the background and may put its own first
            // choice into the name box meanwhile, so it is closed only once it
            // reports exactly this file as chosen.
            if (auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->setText(File);
            else
                files->selectFile(File);
            if (qEnvironmentVariableIsSet("UPGRADE_ROAD_TRACE"))
                qWarning("files: dir=%s chosen=%s", qPrintable(files->directory().absolutePath()),
                         qPrintable(files->selectedFiles().join('|')));
            if (files->selectedFiles() == QStringList{File})
                static_cast<QDialog *>(files)->done(QDialog::Accepted);
        } else if (auto *upgrader = qobject_cast<TFormUpgrader *>(modal)) {
            // What was asked of this window is kept on it (a later window may
            // take the address of a freed one).
            auto asked = [upgrader](const char *what) { return upgrader->property(what).toBool(); };
            auto ask = [upgrader](const char *what) { upgrader->setProperty(what, true); };
            if (upgrader->FileName().isEmpty()) {
                if (!asked("load")) {
                    ask("load");
                    QPushButton *load = upgrader->BtnLoadData;
                    const bool escape = EscapeWhileIdentifying;
                    QTimer::singleShot(0, load, [load, upgrader, escape] {
                        // Delivered at the step's first pause for a reply.
                        if (escape)
                            QCoreApplication::postEvent(upgrader, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape,
                                                                                Qt::NoModifier));
                        load->click();
                    });
                }
            } else if (upgrader->BtnUpdate->isEnabled() && !asked("update")) {
                ask("update");
                ++UpgraderRuns;
                QPushButton *update = upgrader->BtnUpdate;
                QTimer::singleShot(0, update, [update, upgrader] {
                    update->click();
                    upgrader->setProperty("updated", true);
                });
            } else if (asked("updated") && !upgrader->Busy() && !asked("close")) {
                ask("close");
                click(upgrader->BtnClose);
            }
        } else if (auto *status = qobject_cast<TFormConnectStatus *>(modal)) {
            // Out of sight while its upgrade runs.
            if (status->y() < -30000) {
                if (ReturnWhileLaunching && !FReturnPressed) {
                    FReturnPressed = true;
                    QCoreApplication::postEvent(status->BtnDevUpdate,
                                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
                }
                return;
            }
            if (Updates < UpdatesWanted() && status->BtnDevUpdate->isVisible() && status->BtnDevUpdate->isEnabled()) {
                ++Updates;
                DevicePictureSeen.push_back(status->SelImDevice->ImageIndex());
                // Pressed with the mouse, the button takes the focus.
                status->BtnDevUpdate->setFocus(Qt::MouseFocusReason);
                click(status->BtnDevUpdate);
            } else if (CloseDialogWhenDone) {
                click(status->BtBClose);
            }
        } else if (qEnvironmentVariableIsSet("UPGRADE_ROAD_TRACE")) {
            qWarning("modal: %s", modal ? modal->metaObject()->className() : "none");
        }
    }

    QTimer FTimer;
    QElapsedTimer FStarted;
    bool FReturnPressed = false;

};

class UpgradeRoad : public ::testing::Test
{
protected:
    startup::StartupRig rig{5};
    BootloaderDevice device{rig.PortsDir};
    UpgradeObjects objects;
    QTemporaryDir tmp;
    QString file;
    QList<QByteArray> records;

    void SetUp() override
    {
        ASSERT_TRUE(upgradefiles::WriteFile(tmp, TBootloaderTaronQ3X(), 12 * 36 + 5, file, &records));
        rig.Wire = [](TFormMain &form) {
            shellwiring::Wire(form);
            WireUpgradeServices(form);
        };
    }

    bool flashHoldsFile()
    {
        const auto flash = device.state<std::vector<std::array<uint8_t, 36>>>(
            [this] { return device.target.Boot.State.Flash; });
        return upgradefiles::FlashHolds(flash, records);
    }
    bool running() { return device.state<bool>([this] { return device.target.App.Running; }); }
    // Given up after seconds, so that a busy machine does not decide it.
    bool runningSoon()
    {
        for (int i = 0; i < testsupport::GiveUpMs / 10 && !running(); ++i)
            startup::StartupRig::Run(10);
        return running();
    }
    int warnings(const char *key)
    {
        int n = 0;
        for (const auto &b : rig.Boxes)
            n += b.Text == LM->Translate(QString::fromLatin1(key));
        return n;
    }
    bool said(const QString &text)
    {
        for (const auto &b : rig.Boxes)
            if (b.Text == text)
                return true;
        return false;
    }
};

TEST_F(UpgradeRoad, DeviceFoundOnlyInItsBootloaderIsUpgradedThroughTheDialog)
{
    Person person;
    person.File = file;
    person.ReturnWhileLaunching = true;
    TFormMain &form = rig.Create();
    ASSERT_FALSE(DataManager->GetConnected());
    // The tick finds the bootloader, warns once and opens the dialog, whose
    // Update runs the upgrade window.
    rig.Tick();
    EXPECT_EQ(warnings("strUpdMod"), 1) << rig.BoxTexts().join('|').toStdString();
    ASSERT_EQ(person.Updates, 1) << "the dialog offered Update";
    EXPECT_EQ(person.DevicePictureSeen.front(), 2) << "shown in its bootloader";
    EXPECT_EQ(person.UpgraderRuns, 1);
    EXPECT_TRUE(person.ReturnPressed());
    EXPECT_EQ(person.UpgraderWindowsMade, 1) << "no second launch inside the first";
    EXPECT_TRUE(flashHoldsFile());
    // The window's events run while each reply is awaited, but no other
    // request reaches the port between the erase and the last record: the
    // main timer, the adapter's work and the dialog's probe all wait.
    const std::vector<Bytes> wire = device.server.log().bytes();
    auto isRequest = [](uint8_t code) {
        return [code](const Bytes &f) { return f.size() >= 2 && f[0] == 0xBC && f[1] == code; };
    };
    const auto erase = std::find_if(wire.begin(), wire.end(), isRequest(0xE3));
    const auto last = std::find_if(wire.rbegin(), std::make_reverse_iterator(erase), isRequest(0xE6));
    ASSERT_TRUE(erase != wire.end() && last != std::make_reverse_iterator(erase));
    for (auto f = erase; f != last.base(); ++f)
        EXPECT_EQ(f->at(0), 0xBC) << "a foreign request inside the programming run, at frame " << (f - wire.begin());
    EXPECT_TRUE(said(LM->Translate("strUpdFinishSuccessfully"))) << rig.BoxTexts().join('|').toStdString();
    EXPECT_TRUE(runningSoon()) << "the device runs its new program";
    EXPECT_FALSE(objects.logic.FlashIncomplete);
    EXPECT_FALSE(objects.dialog.isVisible());
    (void)form;
}

TEST_F(UpgradeRoad, UpgradeCutAndTheWindowClosedIsCompletedFromTheDialog)
{
    Person person;
    person.File = file;
    person.UpdatesWanted = [] { return 2; };
    // The device loses power in the middle of the first run.
    device.server.withLock([&] { device.target.Boot.State.PowerLossAtRecord = int(records.size()) / 2; });
    rig.Create();
    rig.Tick();
    ASSERT_EQ(person.Updates, 2) << rig.BoxTexts().join('|').toStdString();
    EXPECT_EQ(person.UpgraderRuns, 2);
    // After the cut run and the closed window the dialog still showed the
    // bootloader with its Update.
    ASSERT_EQ(person.DevicePictureSeen.size(), 2u);
    EXPECT_EQ(person.DevicePictureSeen[1], 2);
    EXPECT_TRUE(flashHoldsFile());
    EXPECT_TRUE(runningSoon());
}

TEST_F(UpgradeRoad, HalfProgrammedDeviceAfterARestartIsCompletedFromTheDialog)
{
    // A previous run of the program erased the device and wrote part of it.
    device.server.withLock([&] {
        auto &s = device.target.Boot.State;
        s.Flash.assign(3, {});
        s.Stay = 1;
    });
    Person person;
    person.File = file;
    rig.Create();
    rig.Tick();
    ASSERT_EQ(person.Updates, 1) << rig.BoxTexts().join('|').toStdString();
    EXPECT_TRUE(flashHoldsFile());
    EXPECT_TRUE(runningSoon());
}

TEST_F(UpgradeRoad, DialogShowsTheBootloaderAndItsResetLeavesIt)
{
    // The bootloader keeps its stay flag: Reset finishes the programming
    // (the flag cleared) before it leaves.
    rig.Create();
    TFormConnectStatus &dialog = objects.dialog;
    WireConnectStatusToUpgrade(dialog);
    dialog.show();
    EXPECT_EQ(dialog.SelImDevice->ImageIndex(), 2);
    EXPECT_EQ(dialog.LblDevVer->text(), LM->Translate("strTextVersion") + ": 6.7");
    EXPECT_TRUE(dialog.BtnDevReset->isEnabled());
    EXPECT_TRUE(dialog.BtnDevReset->font().bold());
    EXPECT_TRUE(dialog.PnlConnAdapter->isHidden()) << "a controller's bootloader";
    // The port in use answers the bootloader: green.
    ASSERT_EQ(dialog.PortButtons().size(), 1);
    EXPECT_EQ(dialog.PortButtons()[0]->palette().color(QPalette::ButtonText), QColor(0, 0x80, 0));
    dialog.BtnDevReset->click();
    EXPECT_TRUE(runningSoon()) << "reset leaves the bootloader";
    EXPECT_EQ(device.state<int>([this] { return int(device.target.Boot.State.Stay); }), 0);
    dialog.hide();
}

// The last contact found the adapter box in its bootloader; the bootloader on
// the line now is the controller's.
TEST_F(UpgradeRoad, AdapterUpgradeRefusedWhenTheBootloaderFoundIsTheControllers)
{
    Person person; // would play any upgrade window that came up
    person.File = file;
    TFormMain &form = rig.Create();
    auto &boot = device.target.Boot.State;
    device.server.withLock([&] { boot.Major = 8, boot.Minor = 0, boot.TypeCode = 98; }); // the adapter box's
    form.Services.ConnectBootloader();
    ASSERT_TRUE(form.Services.BootloaderIsAdapter());
    device.server.withLock([&] { boot.Major = 6, boot.Minor = 7, boot.TypeCode = 5; }); // the controller's
    rig.Boxes.clear();
    form.DeviceUpgradeFirmware(false);
    EXPECT_EQ(person.UpgraderWindowsMade, 0);
    EXPECT_TRUE(said(LM->Translate("strUpdImpossible") + "\r\n\r\n" + LM->Translate("strUpdAdapterNotFound")))
        << rig.BoxTexts().join('|').toStdString();
    EXPECT_FALSE(device.state<bool>([this] { return device.target.Boot.State.Programming; })) << "nothing erased";
}

TEST_F(UpgradeRoad, ABootloaderNoVariantServesIsSaidOncePerContact)
{
    // A 7.0 bootloader reports no type, and no variant serves a type-less 7.x.
    device.server.withLock([&] {
        device.target.Boot.State.Major = 7;
        device.target.Boot.State.Minor = 0;
    });
    rig.Create();
    TFormConnectStatus &dialog = objects.dialog;
    WireConnectStatusToUpgrade(dialog);
    const QString unable = QStringLiteral("Unable to select parameters for bootloader [7.0]");
    const auto said = [this, &unable] {
        return std::count_if(rig.Boxes.begin(), rig.Boxes.end(), [&](const auto &b) { return b.Text == unable; });
    };
    // Shown, then refreshed as its timer does.
    dialog.show();
    for (int i = 0; i < 3; ++i)
        dialog.BtBRefresh->click();
    EXPECT_EQ(said(), 1) << rig.BoxTexts().join('|').toStdString();
    // The device leaves its bootloader, then is back in it: a new contact.
    device.server.withLock([&] { device.target.App.Running = true; });
    dialog.BtBRefresh->click();
    device.server.withLock([&] { device.target.App.Running = false; });
    for (int i = 0; i < 3; ++i)
        dialog.BtBRefresh->click();
    EXPECT_EQ(said(), 2) << rig.BoxTexts().join('|').toStdString();
    dialog.hide();
}

// A controller running its program (kind 48, the upgradable hardware
// variant) whose E2 01 sends it into its bootloader, on COM5: its program is
// silent while the bootloader answers and the other way round.
struct ProgramAndBootloader {
    sim::SimUpgradeTarget target;
    startup::SimDevice device;
    explicit ProgramAndBootloader(const QString &portsDir) : device(portsDir, 5, 48, 'I')
    {
        sim::SimUpgradeTarget::MakeController(target);
        target.Boot.State.Stay = 0;
        sim::SimServer &server = device.Server;
        server.withLock([&] { device.Controller.State.Pages[1] = 4; });
        sim::Handler program = device.Controller.MakeHandler();
        program.answer = [this, answer = program.answer](const Bytes &f) {
            return target.App.Running ? answer(f) : Bytes{};
        };
        server.removeHandler("controller");
        // The bootloader answers the detector's bootloader probe itself.
        server.removeHandler("probe-bc");
        server.addHandler(program);
        target.Install(server);
    }
};

// How a launch with a backup saved ends in the upgrade window.
enum class Ending { Updated, WrongType, RefusedHeader, UsersNo, EscapeWhileIdentifying };

class UpgradeRoadBackup : public ::testing::TestWithParam<Ending>
{
protected:
    startup::StartupRig rig{5};
    ProgramAndBootloader device{rig.PortsDir};
    UpgradeObjects objects;
    QTemporaryDir tmp;
};

TEST_P(UpgradeRoadBackup, TheSavedSettingsAreOfferedBackOnlyWhenTheDeviceWasErased)
{
    const Ending ending = GetParam();
    QString file;
    ASSERT_TRUE(upgradefiles::WriteFile(tmp, TBootloaderTaronQ3X(), 4 * 36 + 5, file));
    const QString backup = tmp.filePath(QStringLiteral("backup.ddf"));
    rig.Wire = [&backup](TFormMain &form) {
        shellwiring::Wire(form);
        WireUpgradeServices(form);
        form.SettingsFileDialog = [&backup](bool, const QString &, const QString &) { return backup; };
    };
    device.device.Server.withLock([&] {
        sim::SimBootloaderState &boot = device.target.Boot.State;
        if (ending == Ending::WrongType)
            boot.TypeCode = 4;
        if (ending == Ending::RefusedHeader)
            boot.RecordStatus = 1;
    });
    int restoreAsked = 0;
    rig.Answer = [&](const TMessageBoxInfo &b) {
        if (b.Text == LM->Translate(QStringLiteral("strQuestUpdLoadSettings"))) {
            ++restoreAsked;
            return int(mrNo);
        }
        if (b.Text == LM->Translate(QStringLiteral("strQuestUpdProgramDevice")) && ending == Ending::UsersNo)
            return int(mrNo);
        return b.Buttons.contains(mrYes) ? int(mrYes) : b.Buttons.value(0);
    };
    Person person;
    person.File = file;
    person.EscapeWhileIdentifying = ending == Ending::EscapeWhileIdentifying;
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    form.ShowFormConnectStatus();
    ASSERT_EQ(person.Updates, 1) << rig.BoxTexts().join('|').toStdString();
    EXPECT_TRUE(QFileInfo::exists(backup)) << "the backup was saved";
    EXPECT_TRUE(DataManager->GetConnected()) << "back in its program";
    const std::vector<Bytes> wire = device.device.Server.log().bytes();
    const auto request = [](uint8_t a, uint8_t b) {
        return [a, b](const Bytes &f) { return f.size() >= 3 && f[0] == 0xBC && f[1] == a && (b == 0 || f[2] == b); };
    };
    const bool erased = std::any_of(wire.begin(), wire.end(), request(0xE3, 0));
    EXPECT_EQ(erased, ending == Ending::Updated);
    EXPECT_EQ(restoreAsked, ending == Ending::Updated ? 1 : 0) << rig.BoxTexts().join('|').toStdString();
    EXPECT_EQ(form.TakeRestoreConfigRequest(), 0);
    if (ending == Ending::Updated)
        return;
    // Sent back: the stay flag cleared and read back, then the leave, which
    // is the last request to the bootloader (no step went on talking to it).
    const auto leave = std::find_if(wire.rbegin(), wire.rend(), request(0xEE, 0));
    ASSERT_TRUE(leave != wire.rend());
    EXPECT_TRUE(std::none_of(wire.rbegin(), leave, [](const Bytes &f) { return f.at(0) == 0xBC; }));
    const auto contact = std::find_if(leave, wire.rend(), request(0xE1, 0xE1));
    EXPECT_TRUE(std::any_of(leave, contact, request(0xF0, 0x03))) << "the stay flag is cleared before the leave";
    const QString returned = LM->Translate(QStringLiteral("strUpdDeviceReturned"));
    EXPECT_EQ(std::count_if(rig.Boxes.begin(), rig.Boxes.end(), [&](const auto &b) { return b.Text == returned; }),
              ending == Ending::EscapeWhileIdentifying ? 0 : 1)
        << rig.BoxTexts().join('|').toStdString();
    for (const auto &b : rig.Boxes)
        EXPECT_FALSE(b.Text.contains(QStringLiteral(" -ver"))) << b.Text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Endings, UpgradeRoadBackup,
                         ::testing::Values(Ending::Updated, Ending::WrongType, Ending::RefusedHeader,
                                           Ending::UsersNo, Ending::EscapeWhileIdentifying));

} // namespace
