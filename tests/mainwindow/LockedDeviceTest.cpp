// A device locked and unlocked, by the Device menu or by itself, against a
// simulated controller holding a value of its own in every setting: a write
// from each page afterwards sends what the page shows and the device holds,
// an edit made before or while it was locked is what is written, and the page
// shown reads the device again. And a settings-file load that fails half-way:
// the page keeps the file's values, marked, across the reconnection, and the
// failure is said once.
#include "mainwindow/SettingsProgram.h"

#include "common/GiveUp.h"
#include "controls/ControlTestSupport.h"
#include "controls/YEdit.h"
#include "core/IniFile.h"
#include "windows/FrmHaslo.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/MultiCalCorrectionsPage.h"
#include "windows/MultiCalModelPage.h"
#include "windows/MultiConfigurationPages.h"
#include "windows/NamedWidget.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace settingsprogram;
using shellwiring::Get;

namespace {

constexpr uint32_t kPin = 1234;

// A controller holding its own value in every setting, also where no list of
// the pages offers it, with the program wired as its main block wires it.
struct LockProgram : OwnProgram {
    explicit LockProgram(uint8_t kind, bool lockedAtStart = false)
        : OwnProgram(kind, kind == 48 ? 'G' : 'J', true, [lockedAtStart](SimControllerState &s) {
              SimController::OutsideLists(s);
              if (lockedAtStart) {
                  s.LockState = sim::kSimLockedState;
                  s.Pin = kPin;
              }
          })
    {
        ProgramLogic = &Logic;
        if (auto *page = dynamic_cast<TConfigurationPage *>(Form->ConfigurationPage))
            page->UpdateKind48ConfigurationControls = [] {
                if (FrmMultiConfigurationTaronQV)
                    FrmMultiConfigurationTaronQV->UpdateConfigurationTaronQVTabControls();
            };
        Rig.HoldTimer();
    }
    ~LockProgram() { ProgramLogic = nullptr; }

    SimControllerState State()
    {
        SimControllerState s;
        Device.Server.withLock([&] { s = Device.Controller.State; });
        return s;
    }
    // Device > Lock or Device > Unlock with the PIN.
    void Menu(bool locking)
    {
        SetModalExecHook([](QDialog *dialog) {
            auto *d = static_cast<TFrmHaslo *>(dialog);
            d->YEdHaslo->setText(QString::number(kPin));
            d->YEdPotwierdzHaslo->setText(QString::number(kPin));
            d->BtBOKClick();
            return d->result();
        });
        Get<QAction>(*Form, locking ? "MnIDeviceLock" : "MnIDeviceUnlock")->trigger();
        SetModalExecHook({});
    }
    // The device locks or unlocks itself (another tool); the next tick finds it.
    void Itself(bool locking)
    {
        Device.Server.withLock([&] {
            Device.Controller.State.LockState = locking ? sim::kSimLockedState : sim::kSimReadyState;
        });
        Rig.Tick();
    }
    void LockBy(bool menu)
    {
        menu ? Menu(true) : Itself(true);
        EXPECT_TRUE(Get<QAction>(*Form, "MnIDeviceUnlock")->isEnabled());
        EXPECT_EQ(State().LockState, sim::kSimLockedState);
    }
    void UnlockBy(bool menu)
    {
        menu ? Menu(false) : Itself(false);
        EXPECT_TRUE(Get<QAction>(*Form, "MnIDeviceLock")->isEnabled());
    }
    void Show(const char *action) { Get<QAction>(*Form, action)->trigger(); }
    // Warnings and errors shown since the boxes were cleared.
    int Failures() const
    {
        return int(std::count_if(Rig.Boxes.begin(), Rig.Boxes.end(), [](const TMessageBoxInfo &b) {
            return b.Type == mtWarning || b.Type == mtError;
        }));
    }
};

// The device's state after one write frame (whole request body, without the
// head and the sum), as the controller takes it also while locked.
SimControllerState Applied(const SimControllerState &state, const Bytes &body)
{
    SimController c(state.Kind);
    c.State = state;
    c.State.LockState = sim::kSimReadyState;
    EXPECT_FALSE(c.Handle(SimController::Frame(0xC0, body)).empty());
    c.State.LockState = state.LockState;
    return c.State;
}

// A page that writes: the menu item that shows it and its write button.
struct TWriter {
    const char *Name;
    const char *Item;
    std::function<QAbstractButton *(TFormMain &)> Button;
};

std::vector<TWriter> Writers(uint8_t kind)
{
    if (kind == 48)
        return {{"configuration window", "MnIWindowMultiConfiguration",
                 [](TFormMain &) { return FrmMultiConfigurationTaronQV->BtBKnfWriteConfiguration; }},
                {"model page", "MnIWindowMultiCalibrationModel",
                 [](TFormMain &) { return FrmMultiCalibrationTaronQV->Model->BtBModel2Write; }},
                {"corrections page", "MnIWindowMultiCalibrationCorrections",
                 [](TFormMain &) { return FrmMultiCalibrationTaronQV->Corrections->BtnCorWriteCorrections; }}};
    return {{"configuration page", "MnIWindowConfig",
             [](TFormMain &f) { return Get<QAbstractButton>(f, "BtBKnfWriteConfiguration"); }},
            {"model page", "MnIWindowCalModel", [](TFormMain &f) { return Get<QAbstractButton>(f, "BtBModWrite"); }}};
}

// The engine power (16-bit id 6) or capacity (id 7) the controller holds: a
// kind-48 one in its 0xD8 block.
int DeviceWord(const SimControllerState &s, uint8_t id)
{
    if (s.Kind != 48)
        return s.Param16[id];
    const size_t at = id == 6 ? 10 : 8;
    const Bytes &block = s.Payload.at(0xD8);
    return block[at] << 8 | block[at + 1];
}

// The engine power on the page of the kind: the configuration page, or the
// kind-48 configuration window.
QLineEdit *PowerEdit(TFormMain &form, uint8_t kind)
{
    return kind == 48 ? FrmMultiConfigurationTaronQV->InfoPage->YEdKnfPower : Get<QLineEdit>(form, "YEdKnfPower");
}

// The user types text over an edit's whole text.
void TypeOver(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    controltest::typeText(edit, text);
}

} // namespace

// Each page that writes, on kinds 48, 21 and 20, locked and unlocked by the
// Device menu and by the device itself: written unedited afterwards it gives
// the device back as it was before the lock, setting for setting.
TEST(LockedDevice, AnUneditedWriteAfterALockGivesTheDeviceBackFromEveryPage)
{
    for (const uint8_t kind : {48, 21, 20})
        for (const bool menu : {true, false}) {
            SCOPED_TRACE(std::to_string(kind) + (menu ? " by the menu" : " by the device itself"));
            LockProgram p(kind);
            ASSERT_TRUE(DataManager->GetConnected());
            for (const TWriter &writer : Writers(kind)) {
                SCOPED_TRACE(writer.Name);
                p.Show(writer.Item);
                // A first write brings the device to what the page writes.
                writer.Button(*p.Form)->click();
                const SimControllerState before = p.State();
                p.LockBy(menu);
                p.UnlockBy(menu);
                p.Rig.Boxes.clear();
                writer.Button(*p.Form)->click();
                EXPECT_EQ(p.Failures(), 0) << p.Rig.BoxTexts().join('|').toStdString();
                EXPECT_EQ(SettingsDifferences(before, p.State()), "");
            }
        }
}

// An edit of the engine power made before the lock (kinds 20/21: the
// configuration page) or while locked (kind 48: the configuration window),
// and one of the idle RPM on the kind-48 model page before the lock: after the
// unlock the page still shows it, marked, and a write sends it and every
// other setting as the device holds it.
TEST(LockedDevice, AnEditMadeBeforeOrWhileLockedStaysAndIsWhatIsWritten)
{
    for (const uint8_t kind : {21, 20, 48})
        for (const bool menu : {true, false}) {
            SCOPED_TRACE(std::to_string(kind) + (menu ? " by the menu" : " by the device itself"));
            LockProgram p(kind);
            p.Show(Writers(kind)[0].Item);
            const SimControllerState before = p.State();
            QLineEdit *power = PowerEdit(*p.Form, kind);
            const QString shown = power->text();
            ASSERT_NE(shown, QStringLiteral("91"));
            if (kind != 48)
                TypeOver(power, QStringLiteral("91"));
            p.LockBy(menu);
            if (kind == 48)
                TypeOver(power, QStringLiteral("91"));
            p.UnlockBy(menu);
            EXPECT_EQ(power->text(), QStringLiteral("91"));
            EXPECT_TRUE(kind == 48 ? FrmMultiConfigurationTaronQV->Modified() : p.Form->ConfigModified());
            p.Rig.Boxes.clear();
            Writers(kind)[0].Button(*p.Form)->click();
            EXPECT_EQ(p.Failures(), 0) << p.Rig.BoxTexts().join('|').toStdString();
            EXPECT_EQ(SettingsDifferences(Applied(before, {0x52, 6, 0, 91}), p.State()), "");
            if (kind != 48)
                continue;
            // The model page: the idle RPM typed before the lock (a first
            // write brings the device to what the page writes).
            p.Show("MnIWindowMultiCalibrationModel");
            FrmMultiCalibrationTaronQV->Model->BtBModel2Write->click();
            const SimControllerState model = p.State();
            QLineEdit *rpm = FrmMultiCalibrationTaronQV->Model->CmBKnfIdleHotRPM->lineEdit();
            TypeOver(rpm, QStringLiteral("950"));
            EXPECT_TRUE(FrmMultiCalibrationTaronQV->Modified());
            p.LockBy(menu);
            p.UnlockBy(menu);
            EXPECT_EQ(rpm->text(), QStringLiteral("950"));
            p.Rig.Boxes.clear();
            FrmMultiCalibrationTaronQV->Model->BtBModel2Write->click();
            EXPECT_EQ(p.Failures(), 0) << p.Rig.BoxTexts().join('|').toStdString();
            EXPECT_EQ(SettingsDifferences(Applied(model, {0x52, 17, 950 >> 8, 950 & 0xFF}), p.State()), "");
        }
}

// Another tool changed the device while it was locked: once it answers
// again, the unedited page shown reads it (the engine power), and a write
// sends it. A page holding an edit keeps it, and its write sends a setting
// no list shows (kinds 20/21: the nozzle; kind 48: a load percentage) as the
// device now holds it. Either way the unlock reads the configuration block
// once.
TEST(LockedDevice, OnceItAnswersAgainThePagesTakeWhatTheDeviceNowHolds)
{
    for (const uint8_t kind : {21, 48}) {
        SCOPED_TRACE(int(kind));
        LockProgram p(kind);
        p.Show(Writers(kind)[0].Item);
        const auto changeWhileLocked = [&p, kind](const Bytes &write) {
            p.LockBy(false);
            p.Device.Server.withLock(
                [&] { p.Device.Controller.State = Applied(p.Device.Controller.State, write); });
            const SimControllerState changed = p.State();
            p.Device.Server.log().clear();
            p.UnlockBy(false);
            EXPECT_EQ(p.Device.Requests(kind == 48 ? 0xD8 : 0x03).size(), 1u);
            return changed;
        };
        QLineEdit *power = PowerEdit(*p.Form, kind);
        SimControllerState changed = changeWhileLocked({0x52, 6, 0, 77});
        EXPECT_EQ(power->text(), QStringLiteral("77"));
        Writers(kind)[0].Button(*p.Form)->click();
        EXPECT_EQ(SettingsDifferences(changed, p.State()), "");

        TypeOver(power, QStringLiteral("91"));
        changed = changeWhileLocked(kind == 48 ? Bytes{0x08, 43, 149} : Bytes{0x08, 10, 4});
        EXPECT_EQ(power->text(), QStringLiteral("91"));
        Writers(kind)[0].Button(*p.Form)->click();
        EXPECT_EQ(SettingsDifferences(Applied(changed, {0x52, 6, 0, 91}), p.State()), "");
    }
}

// A connection made while the device was locked read nothing of it: after
// Device > Unlock the pages show it, and an unedited write gives it back.
TEST(LockedDevice, ADeviceLockedWhenConnectedIsReadOnceUnlocked)
{
    for (const uint8_t kind : {21, 48}) {
        SCOPED_TRACE(int(kind));
        LockProgram p(kind, true);
        ASSERT_TRUE(DataManager->GetConnected());
        ASSERT_TRUE(Get<QAction>(*p.Form, "MnIDeviceUnlock")->isEnabled());
        const SimControllerState before = p.State();
        p.Show(Writers(kind)[0].Item);
        p.UnlockBy(true);
        EXPECT_EQ(PowerEdit(*p.Form, kind)->text(), QString::number(DeviceWord(before, 6)));
        p.Rig.Boxes.clear();
        Writers(kind)[0].Button(*p.Form)->click();
        EXPECT_EQ(p.Failures(), 0) << p.Rig.BoxTexts().join('|').toStdString();
        SimControllerState unlocked = before;
        unlocked.LockState = sim::kSimReadyState;
        EXPECT_EQ(SettingsDifferences(unlocked, p.State()), "");
    }
}

// File > Load on kinds 21, 20 and 48, the device answering its first write
// of id 5 (kinds 20/21 also: of the model factor) with a bad checksum twice
// (the link is lost): one box says the changes are kept; after the
// reconnection the page still shows the file's power and capacity, marked as
// changed, and a second write sends them.
TEST(FailedLoad, ThePageKeepsTheFilesValuesMarkedAcrossTheReconnection)
{
    const struct {
        uint8_t Kind, Command, Id;
    } rows[] = {{21, 0x08, 5}, {20, 0x08, 5}, {48, 0x08, 5}, {21, 0x16, 1}, {20, 0x16, 1},
                // the level sets, after the configuration went through (any first byte)
                {21, 0x37, 0}, {20, 0x38, 0}};
    for (const auto &row : rows) {
        const uint8_t kind = row.Kind;
        SCOPED_TRACE(std::to_string(kind) + " failing at " + std::to_string(row.Command) + "/" + std::to_string(row.Id));
        LockProgram p(kind);
        p.Show(Writers(kind)[0].Item);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("car.ddf"));
        const SimControllerState saved = p.Save(file);
        ASSERT_NE(DeviceWord(saved, 6), 90);
        ASSERT_NE(DeviceWord(saved, 7), 1998);
        TIniFile ini(file);
        ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
        ini.WriteString(QStringLiteral("Config"), QStringLiteral("Power"), QStringLiteral("90"));
        ini.WriteString(QStringLiteral("Config"), QStringLiteral("EngineCubicCapacity"), QStringLiteral("1998"));
        ASSERT_EQ(ini.Save(), TIniFile::Status::Ok);
        p.Device.Server.injectFaultWhen(
            [row](const Bytes &f) {
                return f.size() > 2 && f[1] == row.Command && (row.Command >= 0x37 || f[2] == row.Id);
            },
            sim::Fault::badChecksum(), 2);
        p.Load(file);
        EXPECT_EQ(p.Failures(), 1) << p.Rig.BoxTexts().join('|').toStdString();
        EXPECT_TRUE(p.Form->ConfigModified());
        EXPECT_FALSE(DataManager->GetConnected());
        QElapsedTimer waited;
        waited.start();
        while ((!DataManager->GetConnected() || DataManager->DeviceReread) && waited.elapsed() < testsupport::GiveUpMs) {
            p.Rig.Now += 1000;
            p.Rig.Tick();
        }
        ASSERT_TRUE(DataManager->GetConnected());
        QLineEdit *power = PowerEdit(*p.Form, kind);
        QLineEdit *capacity = kind == 48 ? FrmMultiConfigurationTaronQV->InfoPage->YEdKnfCubicCap
                                         : Get<QLineEdit>(*p.Form, "YEdKnfCubicCap");
        EXPECT_EQ(power->text(), QStringLiteral("90"));
        EXPECT_EQ(capacity->text(), QStringLiteral("1998"));
        EXPECT_TRUE(p.Form->ConfigModified());
        if (kind == 48) {
            EXPECT_TRUE(FrmMultiConfigurationTaronQV->Modified());
        }
        EXPECT_EQ(p.Failures(), 1) << p.Rig.BoxTexts().join('|').toStdString();
        // Written again, as the box says.
        Writers(kind)[0].Button(*p.Form)->click();
        const SimControllerState now = p.State();
        EXPECT_EQ(DeviceWord(now, 6), 90);
        EXPECT_EQ(DeviceWord(now, 7), 1998);
    }
}
