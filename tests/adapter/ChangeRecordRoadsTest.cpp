// The change record of a kind-48 device from "G", on every road a write can
// take after the change-record question, through the program's own windows
// against the simulated controller and adapter box: a write that fails sends
// no record, says so and leaves the question for the next write; one that
// goes through sends exactly one record, after its last settings frame; the
// same write again on that connection asks nothing and records nothing, and
// on a fresh connection asks and records again. The
// main timer's tick keeps the record of a write that holds a box open, and
// drops one that no write reports.
#include "adapter/ObdWindowRig.h"

#include "adapter/FormMultiAIO.h"
#include "adapter/ModuleAIO.h"
#include "adapter/UIState.h"
#include "core/LM.h"
#include "windows/FormInjTest.h"
#include "windows/FrmConfigLevelSensor.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/MultiCalCorrectionsPage.h"
#include "windows/MultiCalModelPage.h"
#include "windows/MultiConfigurationPages.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using obdtest::ObdProgram;
using sim::Bytes;

namespace {

constexpr uint8_t kRecord = 0x55;

QString Tr(const char *key) { return LM->Translate(QString::fromLatin1(key)); }

// The program against a kind-48 "I" controller with a level sensor and an
// idle box on its CAN link; every question answered Yes, every OK/Cancel OK.
struct RecordProgram {
    RecordProgram() : P([](sim::SimAdapterState &s) { s.Obd.Config[0] = 0x04; })
    {
        P.Device.Server.withLock([this] { P.Device.Controller.State.Param8[33] = 1; });
        Form = &P.Start();
        FrmConfigLevelSensor = &LevelSensor;
        P.Rig.Answer = [](const TMessageBoxInfo &b) {
            return b.Buttons.contains(mrYes) ? int(mrYes) : b.Buttons.contains(mrOk) ? int(mrOk) : b.Buttons.value(0);
        };
        P.Tick();
    }
    ~RecordProgram()
    {
        SetModalExecHook({});
        P.Stop();
        FrmConfigLevelSensor = nullptr;
    }
    std::vector<Bytes> Controller() const
    {
        std::vector<Bytes> out;
        for (const Bytes &f : P.Device.Server.log().bytes())
            if (f.size() > 1 && f[0] == 0xC0)
                out.push_back(f);
        return out;
    }
    size_t Records() const
    {
        const auto frames = Controller();
        return size_t(std::count_if(frames.begin(), frames.end(), [](const Bytes &f) { return f[1] == kRecord; }));
    }
    bool Asked() const
    {
        return std::any_of(P.Rig.Boxes.begin(), P.Rig.Boxes.end(),
                           [](const TMessageBoxInfo &b) { return b.Text == Tr("strQModChange"); });
    }
    // Connected and ready, found again by the program's own ticks where a
    // refused frame cost the link.
    void Ready()
    {
        for (int i = 0; i < 20 && (!DataManager->GetConnected() || DataManager->IsDeviceNotReady()); ++i)
            P.Tick();
        ASSERT_TRUE(DataManager->GetConnected());
        P.Tick();
        ASSERT_FALSE(DataManager->IsDeviceNotReady());
    }
    // A fresh connection, which also forgets an accepted change.
    void Reconnect()
    {
        Ready();
        DataManager->DeviceReread = true;
        P.Tick();
        ASSERT_FALSE(DataManager->IsDeviceNotReady());
    }
    // Runs script while a modal window is shown; the window's own close ends it.
    void WhileShown(const std::function<void(QDialog &)> &script)
    {
        SetModalExecHook([script](QDialog *shown) {
            shown->show();
            script(*shown);
            return shown->result();
        });
    }

    ObdProgram P;
    TFrmConfigLevelSensor LevelSensor;
    TFormMain *Form = nullptr;
};

// One road: what makes its write ask the question, the write as the user
// gives it (returning whether the writer kept its edits or its window open,
// as it does for a write that did not go through), and the frame that fails.
struct Road {
    const char *Name;
    std::function<void(RecordProgram &)> Edit;
    std::function<bool(RecordProgram &)> Write;
    std::function<bool(const Bytes &)> Fails; // the frame the device refuses; none: the box refuses
    // The write's last frame, when it is not the last settings frame on the
    // wire (a later action with its own question follows).
    std::function<bool(const Bytes &)> Last = {};
    // The write can be given with nothing edited (its button stays live):
    // then it asks nothing and records nothing.
    bool Unedited = false;
};

bool Is(const Bytes &f, uint8_t command, int id) { return f[1] == command && (id < 0 || f[2] == id); }

// The user's key on a control.
void Key(QWidget *control, Qt::Key key)
{
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, Qt::NoModifier);
        QCoreApplication::sendEvent(control, &event);
    }
}

} // namespace

TEST(ChangeRecord, EveryWriteRoadRecordsOnlyAWriteThatWentThrough)
{
    RecordProgram r;
    TFormMain &form = *r.Form;
    auto pageModified = [](RecordProgram &p) { p.Form->SetConfigModified(true); };
    auto pageKept = [](RecordProgram &p) { return p.Form->ConfigModified(); };
    int step = 0;
    // The OBD page edited, its adaptation on: the write sends the box's
    // settings and then the controller's switch.
    auto obdEdit = [](RecordProgram &p) {
        p.P.ShowObdPage("TbSOBDConfig");
        if (p.P.Obd->ChBOBDAdaptationEnable->isChecked())
            p.P.Obd->ChBOBDAdaptationEnable->click();
        p.P.Obd->ChBOBDAdaptationEnable->click();
    };
    // The device's own settings, saved once, for the loads below.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("backup.cnf"));
    form.SettingsFileDialog = [&file](bool, const QString &, const QString &) { return file; };
    shellwiring::Get<QAction>(form, "MnIFileSaveAs")->trigger();
    ASSERT_TRUE(QFileInfo::exists(file));
    const Road roads[] = {
        {"OBD write on leaving its page", obdEdit,
         [](RecordProgram &p) {
             shellwiring::ClickTab(*p.Form, "TbSOBDLive");
             return Logic->UIState()->Modified();
         },
         nullptr},
        {"OBD page's Save", obdEdit,
         [](RecordProgram &p) {
             p.P.Obd->BtBOBDWriteConfig->click();
             return Logic->UIState()->Modified();
         },
         nullptr, {}, true},
        {"OBD page's Save, the controller's switch refused", obdEdit,
         [](RecordProgram &p) {
             p.P.Obd->BtBOBDWriteConfig->click();
             return Logic->UIState()->Modified();
         },
         [](const Bytes &f) { return Is(f, 0x16, 104); }},
        {"Model", pageModified, [&](RecordProgram &p) { return form.BtBModWriteClick(), pageKept(p); },
         [](const Bytes &f) { return Is(f, 0x16, 10); }},
        {"Model 2", pageModified, [&](RecordProgram &p) { return form.BtBModel2WriteClick(), pageKept(p); },
         [](const Bytes &f) { return Is(f, 0x08, 37); }},
        {"Corrections", pageModified, [&](RecordProgram &p) { return form.BtnCorWriteCorrectionsClick(), pageKept(p); },
         [](const Bytes &f) { return Is(f, 0x08, 46); }},
        {"wizard writer", pageModified, [&](RecordProgram &p) { return form.WriteConfWizardConfiguration(), pageKept(p); },
         [](const Bytes &f) { return Is(f, 0x52, 21); }},
        {"next inspection",
         [&](RecordProgram &) {
             auto *next = shellwiring::Get<QComboBox>(form, "CmBNextInspection");
             next->setCurrentIndex(++step % 2 + 2);
             emit next->activated(next->currentIndex());
         },
         [&](RecordProgram &) {
             auto *set = shellwiring::Get<QAbstractButton>(form, "BtBSetNextInspection");
             set->click();
             return set->palette().color(QPalette::ButtonText) == QColor(255, 0, 0);
         },
         [](const Bytes &f) { return Is(f, 0x57, -1); }, {}, true},
        {"kind-48 configuration write",
         [&](RecordProgram &) {
             QLineEdit *power = FrmMultiConfigurationTaronQV->InfoPage->YEdKnfPower;
             power->setText(QString::number(70 + ++step % 2));
             emit power->textEdited(power->text());
         },
         [](RecordProgram &) {
             FrmMultiConfigurationTaronQV->BtBKnfWriteConfiguration->click();
             return FrmMultiConfigurationTaronQV->Modified();
         },
         [](const Bytes &f) { return Is(f, 0x52, 21); }},
        {"kind-48 factory write", [](RecordProgram &) {},
         [](RecordProgram &p) {
             p.P.Rig.Boxes.clear();
             FrmMultiConfigurationTaronQV->BtBKnfWriteDefaultConfiguration->click();
             return std::any_of(p.P.Rig.Boxes.begin(), p.P.Rig.Boxes.end(), [](const TMessageBoxInfo &b) {
                 return b.Text == Tr("strConfDefaultIncomplete");
             });
         },
         [](const Bytes &f) { return f[1] == 0x34 && f[3] == 107; }, [](const Bytes &f) { return f[1] == 0x34 && f[3] == 107; }},
        {"calibration window's model page",
         [&](RecordProgram &) {
             QSpinBox *mult = FrmMultiCalibrationTaronQV->Model->UpDCalModellingBasedMult;
             mult->setValue(++step % 2 ? 5 : 6);
         },
         [](RecordProgram &) {
             FrmMultiCalibrationTaronQV->Model->BtBModel2Write->click();
             return FrmMultiCalibrationTaronQV->Modified();
         },
         [](const Bytes &f) { return Is(f, 0x96, 1); }},
        {"calibration window's corrections page",
         [&](RecordProgram &) {
             QLineEdit *cell = FrmMultiCalibrationTaronQV->Corrections->Edits[0][3];
             cell->setText(QString::number(++step % 2 + 3));
             emit cell->textEdited(cell->text());
         },
         [](RecordProgram &) {
             FrmMultiCalibrationTaronQV->Corrections->BtnCorWriteCorrections->click();
             return FrmMultiCalibrationTaronQV->Modified();
         },
         [](const Bytes &f) { return Is(f, 0x16, 104); }},
        {"level sensor on closing its window", [](RecordProgram &) {},
         [&](RecordProgram &p) {
             bool open = false;
             p.WhileShown([&](QDialog &shown) {
                 Key(p.LevelSensor.TrBKnfLSThreshold_2[1], ++step % 2 ? Qt::Key_Right : Qt::Key_Left);
                 p.LevelSensor.BtnKnfLSCancel->click();
                 open = shown.isVisible();
                 shown.hide();
             });
             FrmMultiConfigurationTaronQV->BasePage->BtnKnfLvSensorConfig->click();
             return open;
         },
         [](const Bytes &f) { return Is(f, 0x37, -1); }},
        {"level sensor's factory thresholds", [](RecordProgram &) {},
         [](RecordProgram &p) {
             bool kept = false;
             p.WhileShown([&](QDialog &shown) {
                 p.LevelSensor.BtnKnfLSDefault->click();
                 kept = p.LevelSensor.BtnKnfLSSave->font().bold();
                 shown.hide();
             });
             FrmMultiConfigurationTaronQV->BasePage->BtnKnfLvSensorConfig->click();
             return kept;
         },
         [](const Bytes &f) { return Is(f, 0x37, -1); }},
        {"settings file loaded", [](RecordProgram &) {},
         [&](RecordProgram &p) {
             shellwiring::Get<QAction>(*p.Form, "MnIFileLoadCnf")->trigger();
             return p.Form->ConfigModified();
         },
         [](const Bytes &f) { return Is(f, 0xD1, -1); }},
        {"injector test on closing its window", [](RecordProgram &) {},
         [&](RecordProgram &p) {
             bool open = false;
             p.WhileShown([&](QDialog &shown) {
                 auto &test = dynamic_cast<TFormInjTest &>(shown);
                 Key(test.UpDCorrGasInj[0], ++step % 2 ? Qt::Key_Up : Qt::Key_Down);
                 test.BtnClose->click();
                 open = shown.isVisible();
                 shown.hide();
             });
             form.ShowInjectorTestWindow();
             return open;
         },
         [](const Bytes &f) { return Is(f, 0x94, -1); }},
    };
    for (const Road &road : roads) {
        SCOPED_TRACE(road.Name);
        // A Yes whose write fails: the device refuses one of its settings
        // frames (no answer to it or its repeat) and answers all else, or the
        // box refuses its settings. No record, the writer says so, and the
        // question stays for the next write.
        road.Edit(r);
        r.P.ClearLog();
        r.P.Rig.Boxes.clear();
        std::map<uint8_t, uint8_t> status;
        r.P.Box([&status](sim::SimAdapterState &s) { status = s.Obd.Status; });
        if (road.Fails)
            r.P.Device.Server.injectFaultWhen([&road](const Bytes &f) { return f.size() > 2 && f[0] == 0xC0 && road.Fails(f); },
                                              sim::Fault::noAnswer(), 2);
        else
            r.P.Box([](sim::SimAdapterState &s) { s.Obd.Status[0x72] = 0x00; });
        const bool kept = road.Write(r);
        r.P.Device.Server.clearFaults();
        r.P.Box([&status](sim::SimAdapterState &s) { s.Obd.Status = status; });
        EXPECT_TRUE(r.Asked()) << r.P.Rig.BoxTexts().join('|').toStdString();
        EXPECT_TRUE(kept) << "the writer took a failed write for written";
        EXPECT_TRUE(std::any_of(r.P.Rig.Boxes.begin(), r.P.Rig.Boxes.end(),
                                [](const TMessageBoxInfo &b) { return b.Type == mtWarning || b.Type == mtError; }))
            << "the failure is not shown: " << r.P.Rig.BoxTexts().join('|').toStdString();
        EXPECT_EQ(r.Records(), 0u);
        EXPECT_FALSE(Common->ChangeRecorded()) << "a failed write taken for recorded";
        // A refused controller frame costs the link, and the program finds
        // the device again by itself; the box's refusal keeps it.
        r.Ready();
        EXPECT_EQ(r.Records(), 0u);

        // An edit written through: whether it was asked, and how many
        // records went out.
        const auto writeThrough = [&r, &road](bool asked, size_t records) {
            road.Edit(r);
            r.P.ClearLog();
            r.P.Rig.Boxes.clear();
            EXPECT_FALSE(road.Write(r)) << r.P.Rig.BoxTexts().join('|').toStdString();
            EXPECT_EQ(r.Asked(), asked);
            EXPECT_EQ(r.Records(), records);
        };
        // Asked again; written: one record, after the write's last settings frame.
        writeThrough(true, 1);
        const std::vector<Bytes> frames = r.Controller();
        const auto record = std::find_if(frames.begin(), frames.end(), [](const Bytes &f) { return f[1] == kRecord; });
        const auto last = std::find_if(frames.rbegin(), frames.rend(), [&road](const Bytes &f) {
            return road.Last ? road.Last(f) : sim::SimController::WritesSettings(48, f);
        });
        EXPECT_NE(last, frames.rend());
        EXPECT_GT(record - frames.begin(), frames.rend() - last - 1) << "the record before the last settings frame";

        // Once more on the same connection: written without the question, and
        // the one record stays the only one.
        writeThrough(false, 0);

        // A fresh connection (the next car) is asked and recorded again.
        r.Reconnect();
        writeThrough(true, 1);
        // The next road's device is asked afresh.
        r.Reconnect();
        // The same write with nothing edited, the question pending: nothing
        // asked, nothing recorded.
        if (road.Unedited) {
            r.P.ClearLog();
            r.P.Rig.Boxes.clear();
            EXPECT_FALSE(road.Write(r)) << r.P.Rig.BoxTexts().join('|').toStdString();
            EXPECT_FALSE(r.Asked()) << "a write of nothing edited asked";
            EXPECT_EQ(r.Records(), 0u);
        }
    }
}

// The main timer's tick: the record of a write that holds a box open while the
// tick runs stays for that write; one owed to a Yes that no write reports goes
// nowhere, and the next write asks again.
TEST(ChangeRecord, TheTickKeepsTheRecordOfAWriteHoldingABoxAndDropsAnUnreportedOne)
{
    RecordProgram r;
    // The model's own adaptation is on: the OBD write asks about it midway.
    r.P.Device.Server.withLock([&r] { r.P.Device.Controller.State.Param8[31] = 0x40; });
    DeviceRecord.AdaptationMode = 1;
    DeviceRecord.ReturnToPetrolMask = 0x40;
    r.P.ShowObdPage("TbSOBDConfig");
    r.P.Obd->ChBOBDAdaptationEnable->click();
    r.P.ClearLog();
    r.P.Rig.Boxes.clear();
    int ticks = 0;
    r.P.Rig.Answer = [&](const TMessageBoxInfo &b) {
        if (b.Text == Tr("strQAdaptMAP_OBD")) {
            r.P.Tick();
            ++ticks;
        }
        return b.Buttons.contains(mrYes) ? int(mrYes) : b.Buttons.value(0);
    };
    shellwiring::ClickTab(*r.Form, "TbSOBDLive");
    EXPECT_TRUE(r.Asked());
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(r.Records(), 1u);

    // The gate every write passes, answered Yes, and then no write.
    r.Reconnect();
    r.P.ClearLog();
    r.P.Rig.Boxes.clear();
    EXPECT_TRUE(r.Form->UpdateLastChangeInfo(true));
    EXPECT_TRUE(r.Asked());
    r.P.Tick();
    EXPECT_EQ(r.Records(), 0u);
    r.P.Rig.Boxes.clear();
    r.Form->SetConfigModified(true);
    r.Form->BtBModel2WriteClick();
    EXPECT_TRUE(r.Asked());
    EXPECT_EQ(r.Records(), 1u);
}

// The analog-I/O settings of a box that does not report that module stay on
// the page: nothing reaches the device, so the page's Save asks nothing and
// records nothing, a Yes to the leave question sends no record and the next
// write is asked again. The Save of an unchanged page of a reported module
// asks and records nothing either.
TEST(ChangeRecord, AnalogIoSettingsThatReachNoDeviceRecordNothing)
{
    RecordProgram r;
    TFormMultiAIO &aio = *FormMultiAIO;
    TModuleAIO *module = Logic->ModuleAIO();
    ASSERT_FALSE(module->IsActive());
    r.P.ClearLog();
    r.P.Rig.Boxes.clear();
    aio.Emulators[0].StGThreshold->item(4, 4)->setText(QStringLiteral("110"));
    ASSERT_TRUE(Logic->UIState()->Modified());
    aio.BtBWriteLamEmulCnf->click();
    EXPECT_FALSE(r.Asked()) << "asked for settings that reach no device";
    EXPECT_EQ(r.Records(), 0u);
    EXPECT_FALSE(Common->ChangeRecorded());

    r.P.ClearLog();
    r.P.Rig.Boxes.clear();
    aio.Emulators[0].StGThreshold->item(5, 5)->setText(QStringLiteral("111"));
    ASSERT_TRUE(Logic->UIState()->Modified());
    EXPECT_TRUE(TCommon::SelectTabWithEvents(aio.PgCMain, 1, true));
    EXPECT_TRUE(r.Asked());
    EXPECT_FALSE(Logic->UIState()->Modified());
    EXPECT_EQ(r.Records(), 0u);
    EXPECT_FALSE(Common->ChangeRecorded());

    r.P.Rig.Boxes.clear();
    r.Form->SetConfigModified(true);
    r.Form->BtBModel2WriteClick();
    EXPECT_TRUE(r.Asked());
    EXPECT_EQ(r.Records(), 1u);

    // The module reported, the question pending on a fresh connection, the
    // page unchanged: its Save writes, asking and recording nothing.
    r.Reconnect();
    module->SetEnabled(true);
    ASSERT_TRUE(module->IsActive());
    ASSERT_FALSE(Logic->UIState()->Modified());
    r.P.ClearLog();
    r.P.Rig.Boxes.clear();
    aio.BtBWriteLamEmulCnf->click();
    EXPECT_FALSE(r.Asked()) << "a write of nothing edited asked";
    EXPECT_EQ(r.Records(), 0u);
    module->SetEnabled(false);
}
