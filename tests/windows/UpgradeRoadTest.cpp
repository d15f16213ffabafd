// The way to a firmware upgrade from a device that answers only in its
// bootloader: the program's own wiring finds it, warns, opens the
// connection-status dialog, and the dialog's Update leads through the upgrade
// window to a whole program in the device. A person's clicks are played on
// the modal windows as they come up.
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
    int UpgraderWindows = 0;   // upgrade windows that came up
    // Return pressed once on the dialog's Update while its launch seeks the
    // target (the dialog out of sight, still the active window).
    bool ReturnWhileLaunching = false;
    bool CloseDialogWhenDone = true;
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
        if (FStarted.elapsed() > 120000) {
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
            if (!asked("seen")) {
                ask("seen");
                ++UpgraderWindows;
            }
            if (upgrader->FileName().isEmpty()) {
                if (!asked("load")) {
                    ask("load");
                    click(upgrader->BtnLoadData);
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
        TBootloaderTaronQ3X params;
        const QByteArray data = upgradefiles::Make(params, 12 * 36 + 5, 0x21, 'C');
        records = UpgradeRecords(data, params);
        file = tmp.filePath(QStringLiteral("fw.") + params.GetExtension());
        ASSERT_TRUE(upgradefiles::Write(file, data));
        rig.Wire = [](TFormMain &form) {
            shellwiring::Wire(form);
            WireUpgradeServices(form);
        };
    }

    bool flashHoldsFile()
    {
        const auto flash = device.state<std::vector<std::array<uint8_t, 36>>>(
            [this] { return device.target.Boot.State.Flash; });
        if (int(flash.size()) != records.size())
            return false;
        for (int i = 0; i < records.size(); ++i)
            if (QByteArray(reinterpret_cast<const char *>(flash[size_t(i)].data()), 36) != records[i])
                return false;
        return true;
    }
    bool running() { return device.state<bool>([this] { return device.target.App.Running; }); }
    // Given up after seconds, so that a busy machine does not decide it.
    bool runningSoon()
    {
        for (int i = 0; i < 1000 && !running(); ++i)
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
    EXPECT_EQ(person.UpgraderWindows, 1) << "no second launch inside the first";
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

} // namespace
