// The configuration wizard, its kind-48 writer, the auto-calibration run and
// the working-pressure measurement on the main window, with the pages and
// dialogs built and wired as the program builds them, against the simulated
// controller: the writer's frames, kinds it refuses, values it refuses and a
// device that refuses; progress kept in the device across a restart; runs
// the device finishes or aborts and one that waits until the user stops it; a
// measurement that never ends.
#include "common/ReducerTemperature.h"
#include "common/Screenshots.h"
#include "common/WaitUntil.h"
#include "controls/DigitalDisplay.h"
#include "controls/DipSwitch.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Custom.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"
#include "mainwindow/configuration/AutoCalibrationPage.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/ConfigurationWizard.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "mainwindow/shell/FormMainReadingControls.h"
#include "sim/SimControllerFixture.h"
#include "windows/ConfigurationPagesWiring.h"
#include "windows/FormAutocalibrationInit.h"
#include "windows/FormPicture.h"
#include "windows/FormWorkingPressure.h"
#include "windows/FrmConfigLevelSensor.h"
#include "windows/FrmFirmInfo.h"
#include "windows/NamedWidget.h"
#include "windows/QRpKarta.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "core/ui/LMWidgetTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using sim::Bytes;
using sim::Request;

namespace {

class WizardRig
{
public:
    WizardRig(uint8_t kind, char version, const std::function<void(sim::SimControllerState &)> &image = {},
              const char *language = "PL")
        : Device(Rig.PortsDir, 5, kind, version)
    {
        QFile ini(Rig.IniPath());
        if (ini.open(QIODevice::WriteOnly))
            ini.write(QByteArray("[Settings]\r\nComMultiPort=5\r\nLanguage=") + language + "\r\n");
        ini.close();
        // The catalog module of the program, joined to this rig's language manager.
        CustomModule = std::make_unique<TCustom>();
        Custom = CustomModule.get();
        Device.Server.withLock([&] {
            auto &s = Device.Controller.State;
            s.Value16[28] = 2;
            s.Param8[45] = 3; // Tgas preset of a sensor out of the gas flow
            if (image)
                image(s);
        });
        Rig.Wire = [this](TFormMain &f) {
            shellwiring::Wire(f);
            f.Services.ApplyLanguage = [&f] { f.ChangeLanguage(LM->Language, true); };
            InstallConfigurationPage(f, Logic);
            TModel2Page::Install(f);
            TModelPage::Install(f);
            InstallConfigurationWizardPages(f, Logic);
        };
        Form = &Rig.Create();
        FrmConfigLevelSensor = &LevelSensor;
        FormWorkingPressure = &WorkingPressure;
        FormAutocalibrationInit = &StartDialog;
        FormPicture = &Picture;
        WireConfigurationPagesToWindows(*Form);
        Rig.HoldTimer();
        AutoCal = Form->findChild<TAutoCalibrationPage *>(QStringLiteral("AutoCalibrationPage"));
        Device.Server.log().clear();
    }
    ~WizardRig()
    {
        Custom = nullptr;
        FrmConfigLevelSensor = nullptr;
        FormWorkingPressure = nullptr;
        FormAutocalibrationInit = nullptr;
        FormPicture = nullptr;
    }

    template <typename T = QWidget> T *C(const char *name) const
    {
        return qobject_cast<T *>(TLMWidgetTexts::FindComponent(Form, QString::fromLatin1(name)));
    }
    // (command, id) of the parameter and block writes, in order.
    std::vector<std::pair<int, int>> Writes() const
    {
        std::vector<std::pair<int, int>> out;
        for (const auto &f : Device.Server.log().bytes())
            if (f[1] == 0x08 || f[1] == 0x52 || f[1] == 0x16)
                out.emplace_back(f[1], f[2]);
            else if (f[1] == 0xD9 || f[1] == 0xD3)
                out.emplace_back(f[1], -1);
        return out;
    }
    std::vector<Bytes> Frames(uint8_t command) const { return Device.Requests(command); }
    int Said(const char *key) const
    {
        const QString text = LM->Translate(QString::fromLatin1(key));
        const QStringList shown = Rig.BoxTexts();
        return int(std::count_if(shown.begin(), shown.end(), [&](const QString &t) { return t.contains(text); }));
    }
    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            Rig.Tick();
    }

    TProgramLogic Logic;
    startup::StartupRig Rig{5};
    std::unique_ptr<TCustom> CustomModule;
    startup::SimDevice Device;
    TFrmConfigLevelSensor LevelSensor;
    TFormWorkingPressure WorkingPressure;
    TFormAutocalibrationInit StartDialog;
    TFormPicture Picture;
    TFormMain *Form = nullptr;
    TAutoCalibrationPage *AutoCal = nullptr;
};

} // namespace

TEST(ConfigurationWizard, WriterSendsTheBlockAndParametersInTheDevicesOrder)
{
    WizardRig p(48, 'J');
    p.C<QPushButton>("BtnConfReadConfig")->click(); // the basic page from the device
    p.Device.Server.log().clear();
    // Lambda switched off with a type still chosen: the block says no lambda.
    p.C<QComboBox>("CmBConfLambdaType")->setCurrentIndex(2);
    p.C<QCheckBox>("ChBConfLambda")->setChecked(false);
    p.C<QComboBox>("CmBConfInjCount")->setCurrentIndex(1); // 4 cylinders
    p.C<QLineEdit>("YEdConfPower")->setText(QStringLiteral("85"));
    p.C<QPushButton>("BtnConfWriteConfig")->click();

    const std::vector<std::pair<int, int>> expected = {
        {0x08, 45}, {0xD3, -1}, {0x16, 74}, {0x08, 32}, {0x08, 35}, {0x08, 43}, {0x08, 31}, {0x08, 37},
        {0x08, 44}, {0x08, 42}, {0x08, 38}, {0x08, 39}, {0xD9, -1}, {0x52, 11}, {0x52, 12}, {0x08, 29},
        {0x08, 33}, {0x08, 40}, {0x52, 16}, {0x52, 19}, {0x52, 18}, {0x08, 49}, {0x08, 50}, {0x08, 52},
        {0x52, 24}, {0x52, 25}, {0x52, 20}, {0x52, 21}};
    EXPECT_EQ(p.Writes(), expected);
    const auto block = p.Frames(0xD9);
    ASSERT_EQ(block.size(), 1u);
    EXPECT_EQ(block[0][3], 15);         // injector mask of four cylinders
    EXPECT_EQ(block[0][4] & 7, 0);      // no lambda type
    EXPECT_EQ(block[0][12] << 8 | block[0][13], 85); // power
    EXPECT_FALSE(p.Form->ConfigModified());
    EXPECT_EQ(p.Said("strConfWriteIncomplete"), 0);

}

TEST(ConfigurationWizard, WriterSendsFuelCylindersAndReturnToPetrolSpeeds)
{
    // CNG on eight cylinders of an eight-output device that drove four,
    // returning to petrol below 500 and above 3750 rpm.
    WizardRig p(48, 'J', [](sim::SimControllerState &s) {
        s.Value16[28] = 3;
        s.Payload[0xD8][1] = 15; // injector mask of four cylinders
    });
    p.C<QPushButton>("BtnConfReadConfig")->click();
    ASSERT_EQ(DeviceRecord.InjSW, 4);
    p.C<QAbstractButton>("RdBConfFuelCNG")->click();
    p.C<QComboBox>("CmBConfInjCount")->setCurrentIndex(4);
    p.C<QCheckBox>("ChBConfLowRPMReturnToPetrol")->setChecked(true);
    p.C<QComboBox>("CmBConfLowRPMReturnToPetrol")->setCurrentIndex(2);
    p.C<QCheckBox>("ChBConfHighRPMReturnToPetrol")->setChecked(true);
    p.C<QComboBox>("CmBConfHighRPMReturnToPetrol")->setCurrentIndex(3);
    p.Device.Server.log().clear();
    // The record takes the chosen count itself, not only from the read after
    // the write: that read goes unanswered here.
    p.Device.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0xD8; }, sim::Fault::noAnswer());
    p.C<QPushButton>("BtnConfWriteConfig")->click();
    p.Device.Server.clearFaults();
    const auto cng = p.Frames(0xD9);
    ASSERT_EQ(cng.size(), 1u);
    EXPECT_EQ(cng[0][2] & 16, 16); // the fuel bit
    EXPECT_EQ(cng[0][3], 0xFF);    // eight injectors
    EXPECT_EQ(DeviceRecord.InjSW, 8);
    EXPECT_EQ(DeviceRecord.FuelType, 1);
    std::map<int, int> words;
    for (const Bytes &f : p.Frames(0x52))
        words[f[2]] = f[3] << 8 | f[4];
    EXPECT_EQ(words[11], 500);
    EXPECT_EQ(words[12], 3750);
}

TEST(ConfigurationWizard, WriterRefusesOtherKindsBadValuesAndSaysWhenTheDeviceRefused)
{
    {
        WizardRig p(21, 'E');
        EXPECT_FALSE(p.Form->WriteConfWizardConfiguration());
        EXPECT_TRUE(p.Writes().empty());
    }
    // Outside the range a settings file's reader takes (a power of 0 too),
    // or no whole number at all ("8,5" kW is not 85, an empty field not 0):
    // refused naming the field and what is wrong.
    const struct {
        const char *Field, *Label, *Typed, *Why;
    } rows[] = {{"YEdConfPower", "labelConfPower", "5000", "strConfValueRange"},
                {"YEdConfPower", "labelConfPower", "0", "strConfValueRange"},
                {"YEdConfPower", "labelConfPower", "8,5", "strConfValueNotWhole"},
                {"YEdConfPower", "labelConfPower", "", "strConfValueNotNumber"},
                {"YEdConfCubicCap", "labelConfCubicCap", "1,6", "strConfValueNotWhole"},
                {"YEdConfCubicCap", "labelConfCubicCap", "0..5", "strConfValueNotNumber"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.Field) + " " + row.Typed);
        WizardRig p(48, 'J');
        auto *field = p.C<QLineEdit>(row.Field);
        field->setText(QString::fromLatin1(row.Typed));
        EXPECT_FALSE(p.Form->WriteConfWizardConfiguration());
        EXPECT_TRUE(p.Writes().empty());
        EXPECT_EQ(p.Said(row.Why), 1);
        QString name = p.C<QLabel>(row.Label)->text().trimmed();
        name.chop(name.endsWith(u':') ? 1 : 0);
        EXPECT_TRUE(p.Rig.BoxTexts().value(0).startsWith(name + QStringLiteral(": ")))
            << p.Rig.BoxTexts().join(u'|').toStdString();
        EXPECT_EQ(field->text(), QString::fromLatin1(row.Typed));
        if (QByteArray(row.Field) == "YEdConfPower") {
            EXPECT_TRUE(p.Rig.BoxTexts().join(u'|').contains(QStringLiteral("1\u00A0-\u2060\u00A0999")));
        }
    }
    {
        WizardRig p(48, 'J', [](sim::SimControllerState &s) { s.Limits8[31] = {0, 0}; });
        // The pages show what the device holds (an engine power it takes).
        p.C<QPushButton>("BtnConfReadConfig")->click();
        p.C<QCheckBox>("ChBConfLowRPMReturnToPetrol")->setChecked(true);
        p.Form->SetConfigModified(false);
        EXPECT_FALSE(p.Form->WriteConfWizardConfiguration());
        // A device refuses by not acknowledging: the repeat goes unanswered
        // too and the link is lost; the page is marked all the same, its
        // values not written.
        EXPECT_FALSE(DataManager->GetConnected());
        EXPECT_TRUE(p.Form->ConfigModified());
        EXPECT_EQ(p.Said("strConfWriteIncomplete"), 1);
        // Nothing went out after the refused frame and its repeat.
        const auto writes = p.Writes();
        ASSERT_GE(writes.size(), 2u);
        EXPECT_EQ(writes.back(), std::make_pair(0x08, 31));
        EXPECT_EQ(writes[writes.size() - 2], std::make_pair(0x08, 31));
    }
}

TEST(ConfigurationWizard, ProgressLivesInTheDeviceAcrossARestart)
{
    uint16_t options = 0;
    {
        WizardRig p(48, 'J');
        auto *pages = p.C<QTabWidget>("PgCConfWizard");
        EXPECT_EQ(pages->currentIndex(), 0);
        // The pages show what the device holds (an engine power it takes).
        p.C<QPushButton>("BtnConfReadConfig")->click();
        for (int step = 0; step < 4; ++step)
            p.C<QPushButton>("BtnConfWizNext")->click();
        EXPECT_EQ(pages->currentIndex(), 4);
        EXPECT_FALSE(p.C<QPushButton>("BtnConfWizNext")->isEnabled());
        EXPECT_TRUE(p.C<QPushButton>("BtnConfWriteConfig")->isEnabled());
        EXPECT_TRUE(p.C<QPushButton>("BtnConfReadConfig")->isEnabled());
        p.Device.Server.withLock([&] { options = p.Device.Controller.State.Param16[14]; });
        EXPECT_EQ(options & 1, 1); // reached the auto-calibration page
        EXPECT_EQ(options & 4, 0);
        EXPECT_TRUE(p.C<QLabel>("LblConfFinishWarnAutoCal")->isVisibleTo(p.C<QWidget>("PnlFinishDeviceInfo")));
    }
    {
        // Not yet configured: a restart opens the wizard at its start.
        WizardRig again(48, 'J', [&](sim::SimControllerState &s) { s.Param16[14] = options; });
        again.Rig.Tick(); // the first tick after connecting reloads the pages
        EXPECT_EQ(again.C<QTabWidget>("PgCConfWizard")->currentIndex(), 0);
    }
    // The start of a run marks the device configured (bit 1); a run that did
    // not finish leaves bit 2 clear, so after a restart the wizard opens on
    // its auto-calibration page.
    WizardRig again(48, 'J', [&](sim::SimControllerState &s) { s.Param16[14] = uint16_t(options | 2); });
    again.Rig.Tick();
    EXPECT_EQ(again.C<QTabWidget>("PgCConfWizard")->currentIndex(), 3);
}

TEST(ConfigurationWizard, FinishPageDistanceAndNoInspectionBeforeVersionG)
{
    {
        WizardRig p(48, 'J', [](sim::SimControllerState &s) { s.Value16[39] = 120; });
        DeviceRecord.InspectionTimeDistRatio = 50;
        p.Form->ReadingsServices.FillConfFinishPage(false);
        EXPECT_EQ(p.C<QLabel>("LblNextInspectionInValue")->text(), QStringLiteral("500"));
    }
    WizardRig p(48, 'F');
    DeviceRecord.NextInspection = 5000;
    p.Form->ReadingsServices.FillConfFinishPage(true);
    EXPECT_EQ(p.C<QLabel>("LblNextInspectionInValue")->text(), QStringLiteral("0"));
    EXPECT_EQ(DeviceRecord.NextInspection, 0);
    EXPECT_EQ(p.C<QComboBox>("CmBNextInspection")->currentIndex(), -1);
}

TEST(ConfigurationWizard, CheckBoxesSelectTheirListsAndTablesMatchOnTheirBits)
{
    WizardRig p(48, 'J');
    auto *high = p.C<QComboBox>("CmBConfHighRPMReturnToPetrol");
    high->setCurrentIndex(-1);
    p.C<QCheckBox>("ChBConfHighRPMReturnToPetrol")->click();
    EXPECT_EQ(high->currentText(), QStringLiteral("8000"));
    EXPECT_TRUE(high->isEnabled());
    auto *low = p.C<QComboBox>("CmBConfLowRPMReturnToPetrol");
    low->setCurrentIndex(-1);
    p.C<QCheckBox>("ChBConfLowRPMReturnToPetrol")->click();
    EXPECT_EQ(low->currentIndex(), 0);
    // Alt+3: the third wizard page.
    p.Rig.Tick();
    p.C<QAction>("MnICalAutoPage3")->trigger();
    EXPECT_EQ(p.C<QTabWidget>("PgCConfWizard")->currentIndex(), 2);
    p.C<QAction>("MnICalAutoPage7")->trigger(); // no seventh page: nothing
    EXPECT_EQ(p.C<QTabWidget>("PgCConfWizard")->currentIndex(), 2);
    // A nominal RPM code differing only in its two top bits still selects its entry.
    DeviceRecord.RPM = 0xC000 | 22440;
    p.Form->FillConfSwitchingPage();
    EXPECT_EQ(p.C<QComboBox>("CmBConfNomRPM")->currentText(), QStringLiteral("1000"));
}

TEST(AutoCalibration, CalibrationPageRunToItsEndAbortedAndWaitingUntilStopped)
{
    struct Case {
        std::vector<uint8_t> script;
        const char *info;
        bool waiting;
    };
    for (const Case &c : {Case{{4, 5, 6, 9}, "strCalInfo_OK", false}, Case{{4, 10}, "strCalInfo_ERR", false},
                          Case{{4, 3}, "strCalInfo_ERR", true}}) {
        SCOPED_TRACE(c.info);
        WizardRig p(21, 'E', [&](sim::SimControllerState &s) { s.RunStates = c.script; });
        auto *rpm = p.C<TDigitalDisplay>("DgDCalRPM");
        rpm->SetColorFill(Qt::magenta);
        p.C<QAbstractButton>("SpBCalStart")->click();
        EXPECT_EQ(p.Frames(0x20), std::vector<Bytes>{Request({0x20, 3})});
        EXPECT_TRUE(p.C<QWidget>("SpBCalStop")->isEnabled());
        EXPECT_FALSE(p.C<QWidget>("SpBCalStart")->isEnabled());
        // The edition's RPM display colour (entry 7) from the start.
        const uint32_t normal = CustomParameters->GetEntry(7);
        EXPECT_EQ(rpm->ColorFill(), QColor(int(normal & 0xFF), int(normal >> 8 & 0xFF), int(normal >> 16 & 0xFF)));
        p.Ticks(6);
        if (c.waiting) {
            // Waiting for the engine to warm for an hour of the window's
            // clock: the run goes on until the user stops it.
            p.Rig.Now += 60 * 60 * 1000;
            p.Ticks(3);
            EXPECT_EQ(p.Frames(0x20).size(), 1u);
            EXPECT_TRUE(p.C<QWidget>("SpBCalStop")->isEnabled());
            p.C<QAbstractButton>("SpBCalStop")->click();
        }
        // Back to normal work once, and said.
        const auto types = p.Frames(0x20);
        EXPECT_EQ(std::count(types.begin(), types.end(), Request({0x20, 0})), 1);
        EXPECT_EQ(types.back(), Request({0x20, 0}));
        EXPECT_EQ(p.C<QLabel>("LblCalInfo")->text(), LM->Translate(QString::fromLatin1(c.info)));
        EXPECT_TRUE(p.C<QWidget>("SpBCalStart")->isEnabled());
        EXPECT_FALSE(p.C<QWidget>("SpBCalStop")->isEnabled());
        EXPECT_TRUE(p.Rig.BoxTexts().isEmpty()) << p.Rig.BoxTexts().join(QLatin1Char('|')).toStdString();
    }
}

TEST(AutoCalibration, WizardRunFinishesOnceAndAnAbortedOneWritesNothing)
{
    for (const bool aborted : {false, true}) {
        SCOPED_TRACE(aborted);
        WizardRig p(48, 'J', [&](sim::SimControllerState &s) {
            s.RunStates = aborted ? std::vector<uint8_t>{2, 3, 10} : std::vector<uint8_t>{2, 3, 4, 9};
            // Nozzle test points: P1 (3, 3.3) and P2 (4, 4.4) ms.
            s.Payload[0xC0] = {0, 0x02, 0x31, 0x02, 0x69, 0x02, 0xEC, 0x03, 0x36};
            s.Payload[0x0B][47] = 2; // the live block's run state: ask the run's status
        });
        // The run as its start leaves it: active, work type 6.
        p.Logic.SetActive(true);
        DataManager->SetWorkType(6);
        p.Device.Server.log().clear();
        p.Ticks(8);
        const auto types = p.Frames(0x20);
        EXPECT_EQ(std::count(types.begin(), types.end(), Request({0x20, 0})), 1);
        EXPECT_FALSE(p.Logic.IsBusy());
        EXPECT_FALSE(p.C<QWidget>("BtnConfAutoStop")->isEnabled());
        EXPECT_EQ(p.C<QTabWidget>("NtbConfAutoCal")->currentWidget(), p.C<QWidget>("NtbConfAutoCalResult"));
        if (aborted) {
            EXPECT_EQ(p.C<QLabel>("LblConfAutoResult1")->text(), LM->Translate(QStringLiteral("strCalInfo_ERR")));
            EXPECT_TRUE(p.Frames(0xD9).empty());
        } else {
            EXPECT_EQ(p.C<QLabel>("LblConfAutoResult1")->text(), LM->Translate(QStringLiteral("strAutocalOK")));
            EXPECT_EQ(p.Frames(0xD9).size(), 1u); // the configuration written once
            const auto words = p.Frames(0x52);
            EXPECT_NE(std::find_if(words.begin(), words.end(),
                                   [](const Bytes &f) { return f[2] == 14 && (f[4] & 12) == 12; }),
                      words.end());
        }
    }
}

TEST(AutoCalibration, WorkingPressureMeasuredStoredAndBoundedInTime)
{
    // A raw pressure of 1,2 bar.
    int raw = -1;
    {
        WizardRig probe(48, 'J');
        for (int v = 0; v < 256 && raw < 0; ++v)
            if (std::lround(RawToPressure(quint8(v)) * 10.0) == 12)
                raw = v;
    }
    ASSERT_GE(raw, 0);
    for (const bool endless : {false, true}) {
        SCOPED_TRACE(endless);
        WizardRig p(48, 'J', [&](sim::SimControllerState &s) {
            s.Value16[34] = uint16_t(raw);
            s.PressureBusyReads = endless ? -1 : 3;
        });
        p.AutoCal->MeasurePollMs = 20;
        p.AutoCal->MeasureLimitMs = 400;
        p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
        // The window keeps serving its events while the device measures: a
        // timer of the window fires in every pause of the measurement (its
        // settling pause and at least three polls while the device is busy).
        int served = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] { ++served; });
        watch.start(5);
        p.WorkingPressure.BtnWPWorkPressure->click(); // "Wyznacz"
        watch.stop();
        EXPECT_GE(served, 4);
        const auto types = p.Frames(0x20);
        ASSERT_GE(types.size(), 4u);
        EXPECT_EQ(types[0], Request({0x20, 2}));
        EXPECT_EQ(types[1], Request({0x20, 5}));
        EXPECT_EQ(types[2], Request({0x20, 9}));
        EXPECT_EQ(types.back(), Request({0x20, 5})); // normal work after it
        if (endless) {
            EXPECT_EQ(p.Said("strWorkingPressTimeLimit"), 1);
            EXPECT_TRUE(p.Frames(0x08).empty());
        } else {
            // "1,20" is entry 5, one below it: entry 4 (1,10 bar, code 113).
            EXPECT_EQ(p.WorkingPressure.CmBWPWorkPressure->currentIndex(), 4);
            EXPECT_EQ(p.Frames(0x08), std::vector<Bytes>{Request({0x08, 30, 113})});
        }
    }
}

namespace {

// The shown texts of the visible controls under a widget.
QStringList ShownTexts(QWidget *root)
{
    QStringList out;
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(root))
            continue;
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            out << b->text();
        else if (auto *l = qobject_cast<QLabel *>(w))
            out << l->text();
    }
    return out;
}

bool LooksPolish(const QString &text)
{
    static const QString letters = QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ");
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return letters.contains(c); }))
        return true;
    for (const char *word : {"Zapisz", "Odczytaj", "Dalej", "Wstecz", "Czujnik", "Silnik", "Powtórz", "Zdj"})
        if (text.contains(QLatin1String(word)))
            return true;
    return false;
}

} // namespace

TEST(ConfigurationWizard, EveryPageIsEnglishUnderLanguageEN)
{
    {
        WizardRig p(48, 'J', {}, "EN");
        p.Form->resize(1024, 700);
        p.Form->show();
        p.Rig.Tick(); // the first tick after connecting reloads the pages
        p.Form->ActivateMainPageDirect("TbSConfigurator");
        auto *pages = p.C<QTabWidget>("PgCConfWizard");
        for (int i = 0; i < pages->count(); ++i) {
            SCOPED_TRACE(i);
            p.Form->GoToConfWizardPage(i);
            const QString number = QStringLiteral("(%1/5)").arg(i + 1);
            const auto shown = [&] { return ShownTexts(pages->widget(i)) + ShownTexts(p.C<QWidget>("PnlConfiguratorMain")); };
            // Whatever the page's showing left to the event loop has run.
            testsupport::EventsUntil([&] {
                const QStringList texts = shown();
                return pages->currentIndex() == i && p.C<QLabel>("PnlConfWizPageNum")->text() == number
                       && std::none_of(texts.cbegin(), texts.cend(), LooksPolish);
            });
            ASSERT_EQ(pages->currentIndex(), i);
            EXPECT_EQ(p.C<QLabel>("PnlConfWizPageNum")->text(), number);
            for (const QString &text : shown())
                EXPECT_FALSE(LooksPolish(text)) << text.toStdString();
            EXPECT_FALSE(LooksPolish(pages->tabText(i))) << pages->tabText(i).toStdString();
            p.C<QWidget>("TbSConfigurator")->grab().save(testsupport::ScreenshotPath(QStringLiteral("wizard_page_%1.png").arg(i + 1)));
        }
        // The auto-calibration notebook's other pages.
        auto *notebook = p.C<QTabWidget>("NtbConfAutoCal");
        for (int i = 0; i < notebook->count(); ++i)
            for (const QString &text : ShownTexts(notebook->widget(i)))
                EXPECT_FALSE(LooksPolish(text)) << text.toStdString();
        for (QWidget *dialog : {static_cast<QWidget *>(&p.StartDialog), static_cast<QWidget *>(&p.WorkingPressure)}) {
            EXPECT_FALSE(LooksPolish(dialog->windowTitle())) << dialog->windowTitle().toStdString();
            for (const QString &text : ShownTexts(dialog))
                EXPECT_FALSE(LooksPolish(text)) << text.toStdString();
        }
    }
    {
        WizardRig p(21, 'E', {}, "EN");
        p.Form->resize(1024, 700);
        p.Form->show();
        p.Form->ActivatePages({"TbSCalibration", "TbSCalAuto"});
        for (const QString &text : ShownTexts(p.C<QWidget>("TbSCalAuto")))
            EXPECT_FALSE(LooksPolish(text)) << text.toStdString();
        p.C<QWidget>("TbSCalAuto")->grab().save(testsupport::ScreenshotPath(QStringLiteral("calibration_auto_kind21.png")));
    }
}

TEST(ComponentPictures, PictureFollowsItsButtonListAndPage)
{
    WizardRig p(21, 'E');
    p.Form->resize(1024, 700);
    p.Form->show();
    p.Form->ActivatePages({"TbSConfig"});
    auto *injectors = p.C<QComboBox>("CmbKnfInjType");
    ASSERT_GT(injectors->count(), 1);
    injectors->setCurrentIndex(0);
    auto *button = p.C<QAbstractButton>("SpBtnPhotoInjector");
    button->click();
    ASSERT_TRUE(p.Picture.isVisible());
    EXPECT_TRUE(p.Picture.windowTitle().endsWith(QStringLiteral(": ") + injectors->itemText(0)));
    EXPECT_FALSE(p.Picture.ImgPicture->pixmap().isNull()); // the program's own drawing of it
    EXPECT_TRUE(p.Picture.LblFilename->isHidden());
    {
        // On a page wider than designed: right by half the room beside the
        // car's column, and half its own width more and below the lists' top
        // when that room takes it; always in the window.
        auto *panel = p.C<QWidget>("PnlKnfBase");
        auto *sensor = p.C<QWidget>("PnlKnfPressureSensprType");
        auto *photo = p.C<QWidget>("SpBtnPhotoPressSens");
        ASSERT_GT(panel->width(), 800);
        const int room = panel->width() - (sensor->x() + sensor->width()), w = p.Picture.width();
        const int x = photo->mapTo(p.Form, QPoint(photo->width() + 16 + room / 2 + (room > w ? w / 2 : 0), 0)).x();
        EXPECT_EQ(p.Picture.x(), std::clamp(x, 0, std::max(p.Form->width() - w, 0)));
        if (room > w) {
            EXPECT_EQ(p.Picture.y(), panel->mapTo(p.Form, QPoint()).y() + sensor->height());
        }
    }
    // Another pressed button releases this one.
    p.C<QAbstractButton>("SpBtnPhotoReductor")->click();
    EXPECT_FALSE(button->isChecked());
    button->click();
    // The list's change refreshes the picture and its caption.
    injectors->setCurrentIndex(1);
    emit injectors->activated(1);
    EXPECT_TRUE(p.Picture.windowTitle().endsWith(injectors->itemText(1)));
    // Leaving the page hides it; coming back shows the pressed button's picture.
    p.Form->ActivatePages({"TbSMeasure"});
    EXPECT_FALSE(p.Picture.isVisible());
    p.Form->ActivatePages({"TbSConfig"});
    EXPECT_TRUE(p.Picture.isVisible());
    // Its close bar carries its text and closes the picture only, not the window around it.
    EXPECT_FALSE(p.Picture.LblPictureClose->text().startsWith(QLatin1Char('!')));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(p.Picture.LblPictureClose, &release);
    EXPECT_FALSE(p.Picture.isVisible());
    EXPECT_TRUE(p.Form->isVisible());
    // Its own close releases the buttons; a list change then shows nothing.
    EXPECT_FALSE(button->isChecked());
    emit injectors->activated(1);
    EXPECT_FALSE(p.Picture.isVisible());
    // A list filled from the device again takes the shown picture along.
    button->click();
    ASSERT_TRUE(p.Picture.isVisible());
    injectors->setCurrentIndex(2); // as a read of the device fills it
    EXPECT_TRUE(p.Picture.windowTitle().endsWith(injectors->itemText(2)));
    // The wizard's photo buttons: right of its gas elements' column by the
    // room beside it less the fuel choice and a quarter of its width, then by
    // half and a quarter of its width.
    button->click();
    ASSERT_FALSE(p.Picture.isVisible());
    p.Form->ActivateMainPageDirect("TbSConfigurator");
    auto *sheet = p.C<QWidget>("TbSConfBased");
    auto *elements = p.C<QWidget>("CmBConfInjType");
    auto *photo = p.C<QAbstractButton>("SpBConfPhotoInj");
    ASSERT_GT(sheet->width(), 800);
    photo->click();
    ASSERT_TRUE(p.Picture.isVisible());
    const int w = p.Picture.width(), room = sheet->width() - (elements->x() + elements->width());
    const int fuel = p.C("RdBConfFuelCNG")->geometry().right() + 1 - p.C("RdBConfFuelLPG")->x();
    const int left = photo->width() + 16 + (room - fuel - w / 4) / 2 + (w < room ? w / 2 : 0) + (w < sheet->width() ? w / 4 : 0);
    EXPECT_EQ(p.Picture.x(), std::clamp(photo->mapTo(p.Form, QPoint(left, 0)).x(), 0, std::max(p.Form->width() - w, 0)));
    if (room > w) {
        EXPECT_EQ(p.Picture.y(), sheet->mapTo(p.Form, QPoint(0, elements->y())).y()
                                     + p.C<QWidget>("PnlKnfPressureSensprType")->height());
    }
}

TEST(ComponentPictures, EmulatorAndValveSwitchesSendTheirMasks)
{
    WizardRig p(21, 'E');
    p.C<QAbstractButton>("BtnDngEmulatorAllGas")->click();
    p.C<QAbstractButton>("BtnDngAdvEmulatorAllPetrol")->click();
    for (int k = 1; k <= 8; ++k)
        EXPECT_FALSE(p.C<TDipSwitch>(qPrintable(QStringLiteral("DpSSwitchCh%1").arg(k)))->Checked());
    p.C<TDipSwitch>("DpSSwitchCh1")->SetChecked(true);
    p.C<TDipSwitch>("DpSSwitchCh3")->SetChecked(true);
    emit p.C<TDipSwitch>("DpSSwitchCh3")->OnClick();
    auto *valve = p.C<TDipSwitch>("DpSValve");
    valve->SetChecked(true);
    emit valve->OnClick();
    valve->SetChecked(false);
    emit valve->OnClick();
    EXPECT_EQ(p.Frames(0x39), (std::vector<Bytes>{Request({0x39, 255}), Request({0x39, 0}), Request({0x39, 5})}));
    EXPECT_EQ(p.Frames(0x18), (std::vector<Bytes>{Request({0x18, 1}), Request({0x18, 2})}));
    // Read back: the device's emulator byte sets the switches.
    p.Device.Server.withLock([&] { p.Device.Controller.State.Payload[0x3A][0] = 0x81; });
    p.Form->BtnDngReadEmulatorClick();
    EXPECT_TRUE(p.C<TDipSwitch>("DpSSwitchCh1")->Checked());
    EXPECT_FALSE(p.C<TDipSwitch>("DpSSwitchCh3")->Checked());
    EXPECT_TRUE(p.C<TDipSwitch>("DpSSwitchCh8")->Checked());
    // A locked device gets nothing.
    DeviceRecord.LinkState = 0x0F;
    p.Device.Server.log().clear();
    p.C<QAbstractButton>("BtnDngEmulatorAllGas")->click();
    EXPECT_TRUE(p.Frames(0x39).empty());
}

TEST(Pictures, EveryListedComponentLanguageSchemaSplashAndLogoDecode)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/Resource/");
    QStringList files = {QStringLiteral("_EN_schema.jpg"), QStringLiteral("_PL_schema.jpg"), QStringLiteral("__w2.reg"),
                         QStringLiteral("_data.reg"), QStringLiteral("__NO.jpg")};
    for (int code = 1; code <= 4; ++code)
        files << QStringLiteral("__") + TFormPicture::PictureBase(QStringLiteral("sensor"), TCustomParameters::PressureSensorName(code)) + QStringLiteral(".jpg");
    for (int code : {2, 24, 12, 30, 21, 22, 11, 23, 5, 31, 16, 0, 19, 28, 1, 29})
        files << QStringLiteral("__") + TFormPicture::PictureBase(QStringLiteral("injector"), TCustomParameters::InjectorTypeName(code)) + QStringLiteral(".jpg");
    for (const char *name : {"INNY", "OTHER", "VXR FALCOR", "VXR MIRA TURBO"})
        files << QStringLiteral("__") + TFormPicture::PictureBase(QStringLiteral("reducer"), QString::fromLatin1(name)) + QStringLiteral(".jpg");
    for (const QString &file : files) {
        QFile f(folder + file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        const QByteArray data = f.readAll();
        EXPECT_TRUE(data.startsWith("\xFF\xD8\xFF")) << file.toStdString(); // JPEG data, also in ".reg" files
        EXPECT_FALSE(QImage::fromData(data, "JPG").isNull()) << file.toStdString();
    }
    // The schema page shows the language's schema.
    WizardRig p(21, 'E', {}, "EN");
    p.Form->show();
    EXPECT_FALSE(p.C<QLabel>("ImgSchema")->pixmap().isNull());
}

TEST(AutoCalibration, WizardStartWritesFirstThenRunsAndItsCancelWritesNothing)
{
    const int warm = testsupport::WarmReducerCode(), cold = testsupport::ColdReducerCode();
    ASSERT_GT(warm, 0);
    ASSERT_GT(cold, 0);
    // Cancelled, and a cold engine whose idle petrol time cannot be taken:
    // no run either way.
    for (const auto &[yes, engine] : {std::pair{true, warm}, std::pair{false, warm}, std::pair{true, cold}}) {
        SCOPED_TRACE(testing::Message() << yes << " " << engine);
        const bool runs = yes && engine == warm;
        WizardRig p(48, 'J', [&](sim::SimControllerState &s) {
            s.Payload[0x05][1] = uint8_t(engine);
            s.Payload[0x0B][1] = uint8_t(engine);
            s.PressureBusyReads = 1;
            s.Param16[14] = 4; // progress bit 2 left by an earlier run
        });
        p.Rig.Tick();
        p.AutoCal->MeasurePollMs = 20;
        p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
        p.Device.Server.log().clear();
        // The user answers the start dialog and closes the working-pressure one.
        bool asked = false;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            if (p.StartDialog.isVisible()) {
                asked = true;
                (yes ? p.StartDialog.BtnYes : p.StartDialog.BtnCancel)->click();
            } else if (p.WorkingPressure.isVisible()) {
                p.WorkingPressure.BtnWPContinue->click();
            }
        });
        user.start(20);
        // The RPM and Pcol corrections on, as ticked on the corrections page.
        for (const char *name : {"ChBActiveCorrectionRPM", "ChBActiveCorrectionPcol"})
            for (auto *box : p.Form->findChildren<QCheckBox *>(QString::fromLatin1(name)))
                box->setChecked(true);
        auto *rpm = p.C<TDigitalDisplay>("DgDConfAutoRPM");
        rpm->SetColorFill(Qt::magenta);
        p.C<QPushButton>("BtnConfAutoStart")->click();
        user.stop();
        EXPECT_TRUE(asked);
        EXPECT_EQ(rpm->ColorFill(), readings::Bgr(CustomParameters->GetEntry(7))); // the edition's normal colour
        // The start itself marks the wizard as reached and past this page
        // (bits 0 and 1), in the record the next refill reads, whatever the
        // level adds to the word it sends.
        EXPECT_EQ(DeviceRecord.DeviceOptions & 3, 3);
        const auto types = p.Frames(0x20);
        if (yes) {
            // The RPM and Pcol corrections go off before the idle time is taken.
            std::map<int, int> model;
            for (const Bytes &f : p.Frames(0x16))
                model[f[2]] = f[3] << 8 | f[4];
            EXPECT_EQ(model.count(74) ? model[74] & 12 : -1, 0);
        }
        if (!runs) {
            EXPECT_EQ(std::count(types.begin(), types.end(), Request({0x20, 6})), 0);
            EXPECT_FALSE(p.Logic.IsBusy());
        }
        if (runs) {
            EXPECT_EQ(p.Frames(0xD9).size(), 1u); // the configuration first
            ASSERT_GE(types.size(), 2u);
            EXPECT_EQ(types[types.size() - 2], Request({0x20, 3}));
            EXPECT_EQ(types.back(), Request({0x20, 6}));
            EXPECT_TRUE(p.Logic.IsBusy());
            EXPECT_TRUE(p.C<QWidget>("BtnConfAutoStop")->isEnabled());
            const auto words = p.Frames(0x52);
            EXPECT_NE(std::find_if(words.begin(), words.end(), [](const Bytes &f) { return f[2] == 14 && (f[4] & 3) == 3; }),
                      words.end()); // reached and past the auto-calibration page
            // The start sets progress bits 0 and 1 first; once the idle time
            // is taken, bit 2 goes.
            const auto first14 = std::find_if(words.begin(), words.end(), [](const Bytes &f) { return f[2] == 14; });
            ASSERT_NE(first14, words.end());
            EXPECT_EQ((*first14)[4] & 7, 7);
            const auto last14 = std::find_if(words.rbegin(), words.rend(), [](const Bytes &f) { return f[2] == 14; });
            ASSERT_NE(last14, words.rend());
            EXPECT_EQ((*last14)[4] & 7, 3);
            EXPECT_NE(std::find_if(words.begin(), words.end(), [](const Bytes &f) { return f[2] == 8; }), words.end());
        } else if (!yes) {
            EXPECT_TRUE(p.Frames(0xD9).empty());
            EXPECT_EQ(std::count(types.begin(), types.end(), Request({0x20, 3})), 0);
        }
    }
}

TEST(ConfigurationWizard, TgasQuestionOnlyWhenThePresetDoesNotFitOrTheSensorMoved)
{
    struct Case {
        uint8_t preset, inFlowBefore;
        bool inFlowAfter, asked;
    };
    for (const Case c : {Case{3, 0, false, false}, Case{3, 1, false, true}, Case{2, 1, true, false},
                         Case{2, 0, false, true}, Case{3, 0, true, true}}) {
        SCOPED_TRACE(testing::Message() << int(c.preset) << int(c.inFlowBefore) << c.inFlowAfter);
        WizardRig p(48, 'J', [&](sim::SimControllerState &s) {
            s.Param8[45] = c.preset;
            s.Param8[32] = uint8_t(0x80 | c.inFlowBefore); // other bits of the byte stay
        });
        p.C<QPushButton>("BtnConfReadConfig")->click();
        p.C<QCheckBox>("ChBConfPressSensInFlow")->setChecked(c.inFlowAfter);
        p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrNo); };
        p.Device.Server.log().clear();
        EXPECT_TRUE(p.Form->WriteConfWizardConfiguration());
        EXPECT_EQ(p.Said("strQCorrTgasChange"), c.asked ? 1 : 0);
        EXPECT_EQ(p.Frames(0x08).front(), c.asked ? Request({0x08, 32, uint8_t(0x80 | c.inFlowAfter)})
                                                  : Request({0x08, 45, c.preset}));
    }
}

// The wizard's write of a byte of flags sends the bits it has no control for
// as the device holds them: id 37's bits 1 and 7, id 50's bits 2-7, and
// below "J" the hot start on gas (bit 7 of 52).
TEST(ConfigurationWizard, WriterKeepsTheBitsOfAByteItHasNoControlFor)
{
    for (const char version : {'F', 'I', 'J'})
        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(testing::Message() << version << " round " << round);
            WizardRig p(48, version, [](sim::SimControllerState &s) {
                s.Param8[37] = 0x82 | 0x10; // two bits without a control, fuel overlap on
                s.Param8[50] = 0xA5;        // bits 2, 5 and 7 without a control, bit 0 on
                s.Param8[52] = 0x80 | 0x10; // hot start on gas, minimum gas time on
            });
            p.C<QPushButton>("BtnConfReadConfig")->click();
            p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrNo); };
            p.Device.Server.log().clear();
            EXPECT_TRUE(p.Form->WriteConfWizardConfiguration());
            p.Device.Server.withLock([&] {
                const auto &s = p.Device.Controller.State;
                EXPECT_EQ(s.Param8[37] & 0x82, 0x82);
                EXPECT_EQ(s.Param8[50] & 0xFC, 0xA4);
                if (version < 'J') {
                    EXPECT_EQ(s.Param8[52] & 0x80, 0x80);
                }
            });
        }
}

TEST(ConfigurationWizard, PagesShowTheRecordAndSendNothing)
{
    WizardRig p(48, 'J', [](sim::SimControllerState &s) {
        s.Param8[31] = 0x01 | 0x04;      // low RPM and high load back to petrol
        s.Param16[11] = 1200;            // low RPM threshold
        s.Param8[29] = 70;               // high load threshold
        s.Param8[35] = 195;              // low gas temperature code
        s.Param16[20] = 935;             // minimum gas time 5 ms
        s.Param8[52] = 0x10;             // minimum gas time on
    });
    p.C<QPushButton>("BtnConfReadConfig")->click();
    p.Form->FillConfSwitchingPage();
    p.Form->FillConfAdvancedPage();
    p.Device.Server.log().clear();
    p.Form->FillConfBasedPage();
    p.Form->FillConfSwitchingPage();
    p.Form->FillConfAdvancedPage();
    EXPECT_TRUE(p.Device.Server.log().bytes().empty());
    EXPECT_TRUE(p.C<QCheckBox>("ChBConfLowRPMReturnToPetrol")->isChecked());
    EXPECT_EQ(p.C<QComboBox>("CmBConfLowRPMReturnToPetrol")->currentText(), QStringLiteral("1200"));
    EXPECT_TRUE(p.C<QCheckBox>("ChBConfHighLoadReturnToPetrol")->isChecked());
    EXPECT_EQ(p.C<QComboBox>("CmBConfHighLoadReturnToPetrol")->currentText(), QStringLiteral("70"));
    EXPECT_FALSE(p.C<QCheckBox>("ChBConfHighRPMReturnToPetrol")->isChecked());
    EXPECT_FALSE(p.C<QComboBox>("CmBConfHighRPMReturnToPetrol")->isEnabled());
    EXPECT_TRUE(p.C<QCheckBox>("ChBConfMinGasInjTime")->isChecked());
    EXPECT_EQ(p.C<QComboBox>("CmBConfMinGasInjTime")->currentIndex(), 20);
    EXPECT_FALSE(p.Form->ConfigModified());
}

TEST(ConfigurationWizard, ReportPreviewsTheDevicesCardNamingItsComponentsByCode)
{
    struct Row { uint8_t injector; const char *name; uint8_t source, level; };
    // Code 24 is the edition's second injector; code 3 is one it does not list.
    for (const Row &row : {Row{24, "VALTEK (2ohms)", 2, 3}, Row{3, "AG (12ohms)", 1, 2}}) {
        SCOPED_TRACE(row.name);
        WizardRig p(21, 'E');
        DeviceRecord.InjTypeName = row.injector;
        DeviceRecord.RPMsource = row.source;
        DeviceRecord.ReserveType = row.level;
        bool previewed = false;
        SetModalExecHook([&](QDialog *dialog) {
            previewed = previewed || qobject_cast<QPrintPreviewDialog *>(dialog) != nullptr;
            return int(QDialog::Rejected);
        });
        p.C<QPushButton>("BtnConfPrintReport")->click();
        SetModalExecHook({});
        ASSERT_NE(FrmFirmInfo, nullptr);
        const std::unique_ptr<TFrmFirmInfo> card(FrmFirmInfo);
        EXPECT_TRUE(previewed);
        const auto shown = [&card](const char *name) { return card->QRpKarta->Value(name)->text(); };
        EXPECT_EQ(shown("QRLbWtryskiwaczeTypVal"), QString::fromLatin1(row.name));
        EXPECT_EQ(shown("QRLbZrodloImpVal"), p.C<QComboBox>("CmbKnfRPMSource")->itemText(row.source));
        EXPECT_EQ(shown("QRLbGazCzujnikVal"), p.C<QComboBox>("CmbKnfLevelSensorType")->itemText(row.level));
        // The model chart, on a page not shown, is laid out for the card's box: it fills the picture.
        const QImage model = card->ModelPicture();
        EXPECT_EQ(model.pixel(1, 1), qRgb(255, 255, 255));
        EXPECT_EQ(model.pixel(model.width() - 2, model.height() - 2), qRgb(255, 255, 255));
    }
}

TEST(ConfigurationWizard, SemiSequentialCaptionTogglesItsBoxAndDetailsMemosKeepRightOfTheirPanels)
{
    WizardRig p(48, 'J');
    p.Form->resize(1024, 700);
    p.Form->show();
    p.Rig.Tick(); // the first tick after connecting reloads the pages
    p.Form->ActivateMainPageDirect("TbSConfigurator");
    // Width beyond the panel's first 340 pixels, 7 in a panel narrower than 347.
    for (const int page : {1, 2}) {
        p.Form->GoToConfWizardPage(page);
        auto *panel = p.C<QWidget>(page == 1 ? "PnlConfSwitchDetails" : "PnlConfAdvDetails");
        auto *memo = p.C<QPlainTextEdit>(page == 1 ? "MemConfSwitchDetails" : "MemConfAdvDetails");
        testsupport::EventsUntil([&] { return panel->isVisible(); });
        ASSERT_TRUE(panel->isVisible());
        for (const auto &[width, expected] : {std::pair{900, 560}, std::pair{400, 60}, std::pair{346, 7}}) {
            panel->resize(width, panel->height());
            EXPECT_EQ(memo->width(), expected) << width;
            EXPECT_EQ(memo->geometry().right(), width - 3) << width;
        }
    }
    // On page 2 now: a click on the caption toggles its box.
    auto *box = p.C<QCheckBox>("ChBConfSemiSeqGasControl");
    const bool before = box->isChecked();
    EXPECT_FALSE(p.Form->ConfigModified());
    auto *caption = p.C<QWidget>("labelConfSemiSeqGasControl");
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, QPointF(4, 4), caption->mapToGlobal(QPointF(4, 4)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(caption, &click);
    }
    EXPECT_NE(box->isChecked(), before);
    EXPECT_TRUE(p.Form->ConfigModified());
}
