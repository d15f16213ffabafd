// The kind-48 configuration window docked in the main window, against the
// simulated controller: reached by F3, what its read, write and factory
// configuration send for versions "E", "G" and "I", the change-record
// question, values the lists cannot show, a write that fails half-way, the
// pressure and injection-system checks, the level-sensor button and the
// settings-file load.
#include "windows/FrmConfigLevelSensor.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/MultiConfigurationPages.h"
#include "windows/NamedWidget.h"

#include "common/TestFiles.h"
#include "controls/ChangeHelper.h"
#include "controls/ControlTestSupport.h"
#include "controls/DigitalDisplay.h"
#include "core/ConfigurationByKind.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/IniFile.h"
#include "core/Kind48Settings.h"
#include "core/SettingsFile.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/ShellWiring.h"
#include "core/LM.h"
#include "core/ui/Custom.h"
#include "core/ui/LMWidgetTexts.h"
#include "mainwindow/StartupRig.h"
#include "sim/SimControllerFixture.h"

#include <QAction>
#include <QFile>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>

using namespace sim;

namespace {

// A configured controller: every list shows a value except the switching
// RPM (2200) and the nozzle (3.8 mm), which no list entry shows. Each setting
// the configuration read takes only from a version letter on holds a value
// of its own on every version, none of them a factory or file default (the
// load percentage of id 43 is one no list entry shows).
void Image(SimControllerState &s)
{
    s.Value16[28] = 3; // eight injector outputs
    s.Param8[33] = 1;
    s.Payload[0xD8] = {0x25, 15, 0x02, 0x0B, 100, 0x24, 0x84, 6, 0x06, 0x3E, 0, 85, 0, 0,
                       1,    2,  38,   0x01, 0xF4, 0x61, 0xA8, 5, 76, 131, 2};
    const std::pair<int, int> p8[] = {{31, 0x85}, {35, 195}, {29, 90}, {32, 1},   {37, 0x33}, {42, 114},
                                      {40, 2},    {38, 88},  {39, 60}, {43, 5},   {44, 188},  {49, 0xDD},
                                      {50, 6},    {52, 0xB3}, {47, 33}};
    for (auto [id, v] : p8)
        s.Param8[size_t(id)] = uint8_t(v);
    const std::pair<int, int> p16[] = {{11, 800}, {12, 5000}, {16, 748}, {18, 1300}, {19, 1309}, {17, 777},
                                       {24, 1500}, {25, 4000}, {20, 860}, {21, 4114}};
    for (auto [id, v] : p16)
        s.Param16[size_t(id)] = uint16_t(v);
}

Bytes B(uint8_t id, uint8_t v) { return Request({0x08, id, v}); }
Bytes W(uint8_t id, uint16_t v) { return Request({0x52, id, uint8_t(v >> 8), uint8_t(v)}); }

// What the read road asks for, by version: the configuration read, then
// the settings the window shows that it leaves out for the version.
std::vector<Bytes> ReadFrames(char version)
{
    std::vector<Bytes> f = {Request({0x07, 34}), Request({0x07, 33}), Request({0x40, 28}), Request({0xD8, 0xD8}),
                            Request({0x35, 0}),  Request({0x36, 0})};
    auto list = [&f](std::initializer_list<std::pair<int, int>> items) {
        for (auto [width, id] : items)
            f.push_back(Request({uint8_t(width == 8 ? 0x07 : width == 16 ? 0x51 : 0x12), uint8_t(id)}));
    };
    list({{8, 35}, {16, 11}, {16, 12}, {8, 31}, {8, 29}, {16, 14}, {8, 32}, {8, 37}, {12, 74}, {8, 42}, {8, 40},
          {16, 16}, {8, 38}, {8, 39}, {8, 19}});
    if (version >= 'D') {
        list({{8, 43}, {8, 44}});
        f.push_back(Request({0x93, 0}));
        list({{8, 45}, {8, 46}});
    }
    if (version >= 'F')
        list({{16, 18}, {16, 19}, {8, 49}, {8, 50}});
    if (version >= 'G') {
        list({{16, 22}});
        f.push_back(Request({0x56, 0}));
        f.push_back(Request({0x54, 0}));
        list({{8, 52}, {8, 47}, {16, 17}, {16, 24}, {16, 25}, {16, 20}, {16, 21}});
    }
    if (version >= 'I')
        list({{8, 53}});
    if (version < 'D')
        list({{8, 43}, {8, 44}});
    if (version < 'F')
        list({{16, 18}, {16, 19}, {8, 49}, {8, 50}});
    if (version < 'G')
        list({{8, 52}, {16, 24}, {16, 25}, {16, 20}, {16, 21}});
    return f;
}

// The write of the unchanged image: every value as read, the ones no list
// shows included (0x04's RPM word 9348, id 10's 38, id 43's 5), in the
// device's order, on every version; the bits of ids 37 and 50 that no
// control shows (37: bit 1; 50: bit 2) and id 37 below "C" as the device
// holds them.
std::vector<Bytes> WriteFrames(char)
{
    return {B(37, 0x33), B(42, 114), B(40, 2), W(16, 748), B(38, 88), B(39, 60), B(43, 5),
            B(44, 188), B(12, 1), B(2, 6), B(11, 2), Request({0x04, 100, 0x24, 0x84, 0x25, 15}), B(28, 2), B(32, 1),
            B(17, 1), B(23, 131), B(18, 0), B(5, 0), B(20, 0), B(16, 1), B(8, 0), B(27, 0), W(9, 500), B(3, 5),
            B(4, 76), B(7, 0), W(10, 25000), B(35, 195), W(11, 800), W(12, 5000), B(31, 0x85), B(29, 90), B(33, 1),
            B(21, 1), B(1, 2), W(7, 1598), W(6, 85), B(10, 38), W(19, 1309), W(18, 1300), B(49, 0xDD), B(50, 6),
            B(52, 0xB3), W(24, 1500), W(25, 4000), W(20, 860), W(21, 4114)};
}

// The main window with the program's own wiring, a kind-48 controller on
// the simulated port, and the window reached by F3.
struct Kind48Window {
    explicit Kind48Window(char version) : Rig(48, version)
    {
        Common = &FCommon;
        TCommon::SetAnswerProvider([this](const TMessageBoxInfo &box) {
            Boxes << box;
            if (box.Buttons.contains(int(mrOk)))
                return Ok;
            return box.Buttons.contains(int(mrCancel)) && !box.Buttons.contains(int(mrYes)) ? int(mrCancel) : Yes;
        });
        ProgramLogic = &Logic;
        FrmConfigLevelSensor = &LevelDialog;
        SetModalExecHook([this](QDialog *dialog) {
            Opened << dialog->objectName();
            return int(QDialog::Rejected);
        });
        Rig.Device(Image);
        EXPECT_TRUE(Rig.Connect());
        Form = std::make_unique<TFormMain>();
        shellwiring::Wire(*Form);
        Form->InstallChangeRecordQuery();
        Form->AdaptToDeviceVersion();
        Window = FrmMultiConfigurationTaronQV;
        Rig.Server.log().clear();
        shellwiring::Get<QAction>(*Form, "MnIWindowMultiConfiguration")->trigger();
    }
    ~Kind48Window()
    {
        Form.reset();
        SetModalExecHook({});
        FrmConfigLevelSensor = nullptr;
        ProgramLogic = nullptr;
        TCommon::SetAnswerProvider({});
        Common = nullptr;
    }
    template <typename T = QWidget> T *Get(const char *name) const
    {
        return Window->PnlMultiConfiguration->findChild<T *>(QString::fromLatin1(name));
    }
    // A user's click on a control (a check box's box).
    void Click(const char *name) const
    {
        QWidget *w = Get(name);
        controltest::mouseClick(w, qobject_cast<QCheckBox *>(w) ? QPoint(5, 10) : w->rect().center());
        controltest::settle();
    }
    std::vector<Bytes> Frames() const { return Rig.Requests(); }

    SimControllerRig Rig;
    TCommon FCommon;
    TProgramLogic Logic;
    TFrmConfigLevelSensor LevelDialog;
    std::unique_ptr<TFormMain> Form;
    TFrmMultiConfigurationTaronQV *Window = nullptr;
    QList<TMessageBoxInfo> Boxes;
    QStringList Opened;
    int Ok = mrOk;
    int Yes = mrYes;
};

} // namespace

TEST(MultiConfiguration, ReadAndWriteFramesFollowTheVersion)
{
    for (char version = 'A'; version <= 'J'; ++version) {
        SCOPED_TRACE(version);
        Kind48Window k(version);
        ASSERT_NE(k.Window, nullptr);
        EXPECT_EQ(shellwiring::Current(*k.Form, "PgCMain"), "TbSMultiConfiguration");
        // F3 read the configuration.
        EXPECT_EQ(k.Frames(), ReadFrames(version));
        auto *base = k.Window->BasePage;
        EXPECT_EQ(base->CmbKnfInjCount->count(), 5);
        EXPECT_EQ(base->CmbKnfInjCount->currentText(), "4");
        EXPECT_EQ(base->CmBKnfNomTred->currentText(), "35");
        EXPECT_EQ(base->CmBKnfNomRPM->currentIndex(), -1); // 2200 rpm: not on the list
        EXPECT_EQ(k.Get<QComboBox>("CmBKnfNozle")->currentIndex(), -1);
        EXPECT_EQ(k.Get<QComboBox>("CmBConfPostValveDelay")->currentText(), "50");
        EXPECT_FALSE(base->BtnKnfLvSensorConfig->isHidden());
        // The settings of later versions show the device's values on every one.
        EXPECT_EQ(k.Get<QComboBox>("CmBConfPressurePreinjectionProcessDuringCutOff")->currentText(), "1,9");
        EXPECT_EQ(k.Get<QComboBox>("CmBConfHighLoadPetrolForTgasReturnToPetrol")->currentIndex(), -1);
        EXPECT_EQ(k.Get<QComboBox>("CmBConfMaxRpmForEnrichmentDuringCutOff")->currentText(), "1300");
        EXPECT_EQ(k.Get<QComboBox>("CmBConfMazdaEnrichmentPercentage")->currentText(), "-35");
        EXPECT_TRUE(k.Get<QCheckBox>("ChBConfMazdaIgnitionTypeCorr")->isChecked());
        EXPECT_EQ(k.Get<QComboBox>("CmBConfMinGasInjTime")->currentText(), "4,6");
        EXPECT_EQ(k.Get<QComboBox>("CmBConfMaxGasInjTime")->currentText(), "22");
        EXPECT_EQ(k.Get<QComboBox>("CmBConfCutOffEmulSwitchDelay")->currentText(), "3");
        EXPECT_EQ(k.Get<QComboBox>("CmBOnCutOffDelay")->currentText(), "8");

        // The unchanged window writes every value back as the device holds
        // it, then reads again; a second write sends the same.
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            k.Rig.Server.log().clear();
            k.Window->BtBKnfWriteConfiguration->click();
            std::vector<Bytes> expected = WriteFrames(version);
            const std::vector<Bytes> read = ReadFrames(version);
            expected.insert(expected.end(), read.begin(), read.end());
            EXPECT_EQ(k.Frames(), expected);
            EXPECT_TRUE(k.Boxes.isEmpty());
            EXPECT_FALSE(k.Window->Modified());
        }
        k.Rig.Device([](SimControllerState &s) {
            EXPECT_EQ(s.Param8[43], 5);
            EXPECT_EQ(s.Param8[52], 0xB3);
            EXPECT_EQ(s.Param16[24], 1500);
            EXPECT_EQ(s.Param16[21], 4114);
        });

        // The user's choice in the second list of the return to petrol at
        // low gas temperature goes out: 25 % from the empty list, then 30 %.
        k.Window->PgCConfiguration->setCurrentWidget(k.Window->TbSCnfSwitching);
        auto *load = k.Get<QComboBox>("CmBConfHighLoadPetrolForTgasReturnToPetrol");
        for (const int percent : {25, 30}) {
            SCOPED_TRACE(percent);
            for (int i = load->currentIndex(); load->currentText() != QString::number(percent) && i < 3; ++i)
                controltest::keyPress(load, Qt::Key_Down);
            EXPECT_EQ(load->currentText(), QString::number(percent));
            EXPECT_TRUE(k.Window->Modified());
            k.Rig.Server.log().clear();
            k.Window->BtBKnfWriteConfiguration->click();
            const std::vector<Bytes> frames = k.Frames();
            EXPECT_EQ(std::count_if(frames.begin(), frames.end(),
                                    [](const Bytes &f) { return f[1] == 0x08 && f[2] == 43; }),
                      1);
            EXPECT_NE(std::find(frames.begin(), frames.end(), B(43, uint8_t(percent))), frames.end());
            EXPECT_FALSE(k.Window->Modified());
            k.Rig.Device([percent](SimControllerState &s) { EXPECT_EQ(s.Param8[43], percent); });
            EXPECT_EQ(load->currentText(), QString::number(percent));
        }
    }
}

TEST(MultiConfiguration, AnEditAsksTheChangeRecordQuestionOnceFromVersionG)
{
    for (char version : {'E', 'G'}) {
        SCOPED_TRACE(version);
        Kind48Window k(version);
        k.Click("ChBKnfHemiEngine");
        EXPECT_TRUE(k.Window->Modified());
        k.Rig.Server.log().clear();
        k.Window->BtBKnfWriteConfiguration->click();
        const std::vector<Bytes> first = k.Frames();
        // The record of this computer goes once, on the user's Yes, after the write.
        const auto records = std::count_if(first.begin(), first.end(), [](const Bytes &f) { return f[1] == 0x55; });
        EXPECT_EQ(records, version >= 'G' ? 1 : 0);
        EXPECT_EQ(k.Boxes.size(), version >= 'G' ? 1 : 0);
        const auto record = std::find_if(first.begin(), first.end(), [](const Bytes &f) { return f[1] == 0x55; });
        EXPECT_LT(std::find(first.begin(), first.end(), B(18, 1)), record);
        EXPECT_NE(std::find(first.begin(), first.end(), B(18, 1)), first.end());
        // A second edited write asks nothing more and records nothing more.
        k.Click("ChBKnfHemiEngine");
        k.Rig.Server.log().clear();
        k.Window->BtBKnfWriteConfiguration->click();
        const std::vector<Bytes> second = k.Frames();
        EXPECT_EQ(std::count_if(second.begin(), second.end(), [](const Bytes &f) { return f[1] == 0x55; }), 0);
        EXPECT_EQ(k.Boxes.size(), version >= 'G' ? 1 : 0);
        EXPECT_NE(std::find(second.begin(), second.end(), B(18, 0)), second.end());
    }
    // No to the question: nothing is written and the edit stays.
    Kind48Window k('G');
    k.Yes = mrNo;
    k.Click("ChBKnfMasterMode");
    k.Rig.Server.log().clear();
    k.Window->BtBKnfWriteConfiguration->click();
    EXPECT_TRUE(k.Frames().empty());
    EXPECT_TRUE(k.Window->Modified());
}

TEST(MultiConfiguration, AWriteThatFailsHalfWayStaysModifiedAndASecondWriteCompletesIt)
{
    Kind48Window k('G');
    k.Click("ChBKnfMasterMode");
    // The device stops answering at the base block.
    k.Rig.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] == 0x04; }, Fault::noAnswer(), 3);
    k.Rig.Server.log().clear();
    EXPECT_FALSE(k.Window->BtBKnfWriteConfigurationClick(k.Window->BtBKnfWriteConfiguration));
    k.Rig.Server.clearFaults();
    EXPECT_TRUE(k.Window->Modified());
    ASSERT_FALSE(k.Boxes.isEmpty());
    EXPECT_EQ(k.Boxes.back().Text, TranslateKey(QStringLiteral("strConfWriteIncomplete")));
    // The edit is still on the page, not replaced by a read.
    EXPECT_TRUE(k.Get<QCheckBox>("ChBKnfMasterMode")->isChecked());
    const std::vector<Bytes> failed = k.Frames();
    EXPECT_EQ(std::count_if(failed.begin(), failed.end(), [](const Bytes &f) { return f[1] == 0xD8; }), 0);

    ASSERT_TRUE(k.Rig.Connect());
    k.Rig.Server.log().clear();
    EXPECT_TRUE(k.Window->BtBKnfWriteConfigurationClick(k.Window->BtBKnfWriteConfiguration));
    EXPECT_FALSE(k.Window->Modified());
    k.Rig.Device([](SimControllerState &s) {
        EXPECT_EQ(s.Param8[27], 1);
        EXPECT_EQ(s.Payload[0xD8][3] & 0x80, 0x80);
    });
    EXPECT_TRUE(k.Get<QCheckBox>("ChBKnfMasterMode")->isChecked());
}

// After a fresh connection the record does not hold the settings a "C"
// controller's connection read leaves out: the write reads them first, and
// when the device does not give one nothing at all is written.
TEST(MultiConfiguration, AWriteWhoseShownSettingsTheDeviceDoesNotGiveSendsNothing)
{
    Kind48Window k('C');
    k.Click("ChBKnfMasterMode");
    ASSERT_TRUE(k.Rig.Connect());
    ASSERT_EQ(ReadConfigurationByKind(k.Rig.Manager), 1);
    k.Rig.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 2 && f[1] == 0x51 && f[2] == 24; },
                                 Fault::noAnswer(), 3);
    k.Rig.Server.log().clear();
    k.Boxes.clear();
    EXPECT_FALSE(k.Window->BtBKnfWriteConfigurationClick(k.Window->BtBKnfWriteConfiguration));
    k.Rig.Server.clearFaults();
    const std::vector<Bytes> frames = k.Frames();
    EXPECT_FALSE(frames.empty());
    EXPECT_TRUE(std::none_of(frames.begin(), frames.end(),
                             [](const Bytes &f) { return f[1] == 0x08 || f[1] == 0x52 || f[1] == 0x04; }));
    ASSERT_EQ(k.Boxes.size(), 1);
    EXPECT_EQ(k.Boxes[0].Text, TranslateKey(QStringLiteral("strComError")));
    EXPECT_TRUE(k.Window->Modified());
    EXPECT_TRUE(k.Get<QCheckBox>("ChBKnfMasterMode")->isChecked());
}

// The settings-file keys of each version-gated setting are keys a save from
// a controller of the last version writes to [Config].
TEST(MultiConfiguration, EachVersionGatedSettingsFileKeyIsOneTheSaveWrites)
{
    TDeviceRecord rec;
    rec.DeviceKind = 48;
    rec.Ver = QStringLiteral("J");
    TIniFile ini;
    TSettingsFile::WriteMulti(ini, rec, TSettingsInfo{}, u'.');
    for (const kind48::TSetting &setting : kind48::Settings)
        for (const QString &key : QString::fromLatin1(setting.Keys).split(u' '))
            EXPECT_TRUE(ini.ValueExists(QStringLiteral("Config"), key)) << key.toStdString();
}

TEST(MultiConfiguration, ValuesTheDeviceCannotTakeRefuseTheWholeWrite)
{
    Kind48Window k('G');
    auto *power = k.Get<QLineEdit>("YEdKnfPower");
    // The range a settings file's reader takes: a power of 0 written here
    // would make the backup saved afterwards refused. A text that is no
    // whole number is refused as such, never written as another number
    // ("8,5" is not 85, an empty field is not 0).
    const QString notNumber = TranslateKey(QStringLiteral("strConfValueNotNumber")) + u' '
                              + TranslateKey(QStringLiteral("strConfValueAllowed"));
    const QString notWhole = TranslateKey(QStringLiteral("strConfValueNotWhole")) + u' '
                             + TranslateKey(QStringLiteral("strConfValueAllowed"));
    const struct {
        const char *Text;
        QString Sentence;
    } rows[] = {{"0", TranslateKey(QStringLiteral("strConfValueRange"))},
                {"1000", TranslateKey(QStringLiteral("strConfValueRange"))},
                {"", notNumber},
                {"8,5", notWhole},
                {"8.5", notWhole},
                {"0,5,1", notNumber},
                {"0..5", notNumber},
                {"85 kW", notNumber}};
    // Shown in a language that writes a decimal comma (the window has no
    // language manager here: the locale stands for the language shown).
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    for (const auto &row : rows) {
        SCOPED_TRACE(row.Text);
        power->setText(QString::fromLatin1(row.Text));
        k.Boxes.clear();
        k.Rig.Server.log().clear();
        EXPECT_FALSE(k.Window->BtBKnfWriteConfigurationClick(nullptr));
        EXPECT_TRUE(k.Frames().empty());
        ASSERT_EQ(k.Boxes.size(), 1);
        // The field's name, a colon, the sentence and the range on one line.
        EXPECT_EQ(k.Boxes[0].Text, k.Get<QLabel>("LblKnfPower")->text() + QStringLiteral(": ") + row.Sentence
                                       + QStringLiteral(" 1\u00A0-\u2060\u00A0999"));
        EXPECT_EQ(k.Window->PgCConfiguration->currentWidget(), k.Window->TbSCnfInfo);
        EXPECT_EQ(power->text(), QString::fromLatin1(row.Text));
    }
    QLocale::setDefault(before);

    // A device value longer than the edit's digits shows whole, is not cut,
    // and is refused rather than written shortened.
    k.Rig.Device([](SimControllerState &s) {
        s.Payload[0xD8][8] = 0x2E;
        s.Payload[0xD8][9] = 0xE0;
    });
    k.Window->BtBKnfReadConfiguration->click();
    EXPECT_EQ(k.Get<QLineEdit>("YEdKnfCubicCap")->text(), "12000");
    k.Boxes.clear();
    k.Rig.Server.log().clear();
    EXPECT_FALSE(k.Window->BtBKnfWriteConfigurationClick(nullptr));
    EXPECT_TRUE(k.Frames().empty());
    ASSERT_EQ(k.Boxes.size(), 1);
    EXPECT_TRUE(k.Boxes[0].Text.contains(QStringLiteral("0\u00A0-\u2060\u00A09999")));
}

// The factory configuration of the image: the level sensor's factory set,
// the factory controls written in the device's order (lists the factory
// settings leave alone keep the device's values), the read-back, then the
// option word, the cleared maps and codes, 0x3F and the factory cells.
std::vector<Bytes> FactoryFrames(uint16_t cutOffEmulDelay)
{
    // The settings the factory configuration has no value for go back as
    // the device holds them on every version: ids 43, 24, 25, the flags
    // of id 52 other than the gas-time limits, and the bits of ids 37 and 50
    // that no control shows. Ids 31 and 52 go out once, with the model
    // write that follows; nothing is read before the last write.
    std::vector<Bytes> f = {B(22, 0), Request({0x37, 200, 143, 92, 40, 0})};
    const std::vector<Bytes> configuration = {
        B(37, 0x43), B(42, 114), B(40, 1), W(16, 748), B(38, 88), B(39, 50), B(43, 5), B(44, 226),
        B(12, 1), B(2, 6), B(11, 0), Request({0x04, 100, 0xDB, 0x24, 0x05, 255}), B(28, 2), B(32, 1), B(17, 0),
        B(23, 150), B(18, 0), B(5, 0), B(20, 0), B(16, 0), B(8, 0), B(27, 0), W(9, 100), B(3, 4), B(4, 47), B(7, 0),
        W(10, 500), B(35, 195), W(11, 400), W(12, 5500), B(29, 90), B(33, 1), B(21, 1), B(1, 0), W(7, 0),
        W(6, 66), B(10, 15), W(19, 748), W(18, 2500), B(49, 0), B(50, 4),
        W(24, cutOffEmulDelay), W(25, 4000), W(20, 374), W(21, 3740)};
    f.insert(f.end(), configuration.begin(), configuration.end());
    f.push_back(W(14, 0));
    return f;
}

// What follows the calibration window's default model: the cleared maps and
// codes, 0x3F and the factory cells.
std::vector<Bytes> FactoryCells()
{
    std::vector<Bytes> f;
    const std::vector<Bytes> after = {Request({0xDE, 1}), Request({0xDE, 2}), Request({0x14, 0x14}),
                                      Request({0x3F, 0x01})};
    f.insert(f.end(), after.begin(), after.end());
    const int cells[][3] = {{36, 561, 1},  {38, 37, 0},   {39, 15, 0},  {40, 0, 0},    {41, 0, 0},   {42, 19800, 1},
                            {44, 0, 0},    {45, 255, 0},  {46, 374, 1}, {48, 935, 1},  {50, 37, 0},  {51, 22, 0},
                            {52, 0, 0},    {53, 0, 0},    {54, 21063, 1}, {56, 0, 0},  {57, 255, 0}, {58, 374, 1},
                            {60, 935, 1},  {62, 50, 0},   {63, 20, 0},  {64, 0, 0},    {65, 0, 0},   {66, 21064, 1},
                            {68, 0, 0},    {69, 255, 0},  {70, 374, 1}, {72, 9350, 1}, {74, 0, 0},   {75, 0, 0},
                            {76, 0, 0},    {77, 0, 0},    {78, 21065, 1}, {80, 0, 0},  {81, 255, 0}, {82, 374, 1},
                            {100, 200, 0}, {101, 143, 0}, {102, 92, 0}, {103, 40, 0},  {104, 21, 0}, {105, 47, 0},
                            {106, 61, 0},  {107, 72, 0}};
    for (const auto &c : cells)
        f.push_back(c[2] ? Request({0x32, 0, uint8_t(c[0]), uint8_t(c[1] >> 8), uint8_t(c[1])})
                         : Request({0x34, 0, uint8_t(c[0]), uint8_t(c[1])}));
    return f;
}

TEST(MultiConfiguration, FactoryConfigurationAfterOk)
{
    for (char version = 'A'; version <= 'J'; ++version) {
        SCOPED_TRACE(version);
        Kind48Window k(version);
        // Cancel writes nothing.
        k.Ok = mrCancel;
        k.Rig.Server.log().clear();
        EXPECT_FALSE(k.Window->BtBKnfWriteDefaultConfigurationClick(nullptr));
        EXPECT_TRUE(k.Frames().empty());

        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            if (round == 1) {
                // Another tool changed the device's id 24 between two
                // connections: the factory write sends what it holds now.
                k.Rig.Device([](SimControllerState &s) { s.Param16[24] = 2000; });
                ASSERT_TRUE(k.Rig.Connect());
                ASSERT_EQ(ReadConfigurationByKind(k.Rig.Manager), 1);
            }
            k.Rig.Server.log().clear();
            // The main menu's factory reset runs it on a kind-48 device.
            k.Ok = mrOk;
            k.Boxes.clear();
            shellwiring::Get<QAction>(*k.Form, "MnIDeviceReset")->trigger();
            ASSERT_FALSE(k.Boxes.isEmpty());
            EXPECT_EQ(k.Boxes.front().Text, TranslateKey(QStringLiteral("strWriteDefaultSettings")));
            std::vector<Bytes> all = k.Frames();
            // From "G" the change record goes once, after the last factory
            // cell of the first write it records.
            const auto isRecord = [](const Bytes &f) { return f[1] == 0x55; };
            const auto lastCell = std::find(all.begin(), all.end(), Request({0x34, 0, 107, 72}));
            EXPECT_LT(lastCell, std::find_if(all.begin(), all.end(), isRecord));
            EXPECT_EQ(std::erase_if(all, isRecord), version >= 'G' && round == 0 ? 1u : 0u);
            const auto led = std::find(all.begin(), all.end(), B(22, 0));
            ASSERT_NE(led, all.end());
            const std::vector<Bytes> expected = FactoryFrames(round == 0 ? 1500 : 2000);
            const std::vector<Bytes> tail(led, all.end());
            ASSERT_GT(tail.size(), expected.size());
            EXPECT_EQ(std::vector<Bytes>(tail.begin(), tail.begin() + std::ptrdiff_t(expected.size())), expected);
            // The calibration window's default model for the injector type
            // (its model factors, the idle settings and both point pages), then
            // the cleared maps, codes and the factory cells.
            const auto model = tail.begin() + std::ptrdiff_t(expected.size());
            const std::vector<Bytes> cells = FactoryCells();
            const auto cellsAt = std::search(model, tail.end(), cells.begin(), cells.end());
            ASSERT_NE(cellsAt, tail.end());
            const std::vector<Bytes> modelFrames(model, cellsAt);
            for (const Bytes &frame : {W(8, 0), W(17, 0), B(48, 4), B(31, 0), B(52, 0x83)})
                EXPECT_NE(std::find(modelFrames.begin(), modelFrames.end(), frame), modelFrames.end());
            for (uint8_t command : {0x16, 0xD5, 0x96})
                EXPECT_NE(std::find_if(modelFrames.begin(), modelFrames.end(), [command](const Bytes &f) { return f[1] == command; }),
                          modelFrames.end())
                    << int(command);
            // Then the petrol-map template cleared after its question, the
            // calibration window's default corrections (the curve blocks among
            // them) and the menu's own last write.
            const auto rest = cellsAt + std::ptrdiff_t(cells.size());
            const auto templates = std::find(rest, tail.end(), Request({0xDE, 3}));
            ASSERT_NE(templates, tail.end());
            EXPECT_NE(std::find(templates, tail.end(), Request({0xDE, 4})), tail.end());
            EXPECT_TRUE(std::any_of(k.Boxes.begin(), k.Boxes.end(), [](const TMessageBoxInfo &b) {
                return b.Text == TranslateKey(QStringLiteral("strQuestMapsClear"));
            }));
            const auto corrections = std::find_if(rest, tail.end(), [](const Bytes &f) { return f[1] == 0xD1; });
            EXPECT_NE(corrections, tail.end());
            EXPECT_EQ(tail.back(), B(36, 0));
            k.Rig.Device([round](SimControllerState &s) {
                EXPECT_EQ(s.Words[42], 19800);
                EXPECT_EQ(s.Counters[107], 72);
                EXPECT_EQ(s.Param8[23], 150);
                EXPECT_EQ(s.Param8[43], 5);
                EXPECT_EQ(s.Param16[24], round == 0 ? 1500 : 2000);
                EXPECT_EQ(s.Param16[25], 4000);
            });
        }
    }
}

// The factory write sends each byte once, with its final value: id 52 with
// the idle correction the default model switches off, id 31 with the
// adaptation off (the petrol-map template's clearing after its own question
// switches it off again); the window then shows what the device holds.
TEST(MultiConfiguration, TheFactoryWriteSendsEachByteOnce)
{
    for (char version : {'C', 'F', 'G', 'J'}) {
        SCOPED_TRACE(version);
        Kind48Window k(version);
        // The idle correction on, the adaptation on.
        k.Rig.Device([](SimControllerState &s) {
            s.Param8[52] = 0xF3;
            s.Param8[31] = 0xC5;
        });
        ASSERT_TRUE(k.Rig.Connect());
        k.Window->RefreshFromDevice();
        k.Rig.Server.log().clear();
        EXPECT_TRUE(k.Window->BtBKnfWriteDefaultConfigurationClick(nullptr));
        const std::vector<Bytes> all = k.Frames();
        const auto templates = std::find(all.begin(), all.end(), Request({0xDE, 3}));
        ASSERT_NE(templates, all.end());
        const auto writesOf = [](uint8_t id, auto from, auto to) {
            std::vector<Bytes> writes;
            std::copy_if(from, to, std::back_inserter(writes),
                         [id](const Bytes &f) { return f[1] == 0x08 && f[2] == id; });
            return writes;
        };
        EXPECT_EQ(writesOf(52, all.begin(), all.end()), std::vector<Bytes>{B(52, 0x83)});
        EXPECT_EQ(writesOf(31, all.begin(), all.end()), std::vector<Bytes>{B(31, 0)});
        // Every setting it writes goes out once, the templates' clearing
        // included, and the change record after the last frame (from "G").
        std::map<std::string, int> sent;
        for (const Bytes &f : all)
            if (SimController::WritesSettings(48, f))
                for (const std::string &name : SimController::SettingsOf(48, f))
                    ++sent[name];
        for (const auto &[name, count] : sent)
            EXPECT_EQ(count, 1) << name;
        const auto record = std::find_if(all.begin(), all.end(), [](const Bytes &f) { return f[1] == 0x55; });
        EXPECT_EQ(record != all.end(), version >= 'G');
        if (record != all.end()) {
            EXPECT_LT(std::find(all.begin(), all.end(), Request({0xDE, 4})), record);
        }
        k.Rig.Device([](SimControllerState &s) {
            EXPECT_EQ(s.Param8[52], 0x83);
            EXPECT_EQ(s.Param8[31], 0x00);
        });
        EXPECT_FALSE(k.Window->Modified());
        EXPECT_FALSE(k.Get<QCheckBox>("ChBConfMinGasInjTime")->isChecked());
    }
}

// The factory write's default model is the one for the injector type and
// pressure sensor the write sets (type 2, sensor 3: offset 1.4 ms, idle Pcol
// 0.2 bar), whatever the device held before: the model step computes from
// what the configuration step sent, without reading it back.
TEST(MultiConfiguration, TheFactoryDefaultModelIsTheSameWhateverTheDeviceHeld)
{
    // The program's lists of injector types and pressure sensors.
    TCustomParameters parameters;
    parameters.Init(TCustomParameters::Edition);
    CustomParameters = &parameters;
    const std::shared_ptr<void> restore(nullptr, [](void *) { CustomParameters = nullptr; });
    std::vector<Bytes> first;
    for (const uint8_t type : {2, 1, 3})
        for (const uint8_t sensor : {3, 1}) {
            SCOPED_TRACE(testing::Message() << "type " << int(type) << ", sensor " << int(sensor));
            Kind48Window k('G');
            k.Rig.Device([=](SimControllerState &s) {
                s.Payload[0xD8][7] = type;
                s.Payload[0xD8][24] = sensor;
            });
            ASSERT_TRUE(k.Rig.Connect());
            ASSERT_TRUE(k.Window->RefreshFromDevice());
            ASSERT_EQ(DeviceRecord.InjTypeName, type);
            ASSERT_EQ(DeviceRecord.PressureSensorType, sensor);
            k.Rig.Server.log().clear();
            EXPECT_TRUE(k.Window->BtBKnfWriteDefaultConfigurationClick(nullptr));
            const std::vector<Bytes> all = k.Frames();
            EXPECT_NE(std::find(all.begin(), all.end(), B(2, 2)), all.end());
            EXPECT_NE(std::find(all.begin(), all.end(), B(28, 3)), all.end());
            // The model step: between the option word and the cleared petrol map.
            const auto from = std::find(all.begin(), all.end(), W(14, 0));
            const auto to = std::find(from, all.end(), Request({0xDE, 1}));
            ASSERT_NE(to, all.end());
            std::vector<Bytes> model;
            std::copy_if(from + 1, to, std::back_inserter(model),
                         [](const Bytes &f) { return SimController::WritesSettings(48, f); });
            EXPECT_NE(std::find(model.begin(), model.end(), Request({0x16, 2, 0x01, 0x06})), model.end());
            EXPECT_NE(std::find(model.begin(), model.end(), B(47, 0x0A)), model.end());
            if (first.empty())
                first = model;
            else
                EXPECT_EQ(model, first);
        }
}

TEST(MultiConfiguration, PressureCheckInjectionSystemAndLevelSensorButton)
{
    Kind48Window k('G');
    k.Rig.Device([](SimControllerState &s) { s.Value16[38] = 0x0300; });
    k.Rig.Server.log().clear();
    k.Click("BtnKnfCheckInjSystem");
    EXPECT_EQ(k.Frames(), std::vector<Bytes>{Request({0x40, 38})});
    EXPECT_EQ(k.Get<QComboBox>("CmBKnfInjSystemType")->currentText(), "FULLGROUP");

    k.Rig.Server.log().clear();
    k.Click("BtBKnfCheckPressure");
    const std::vector<Bytes> frames = k.Frames();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames.front(), Request({0x20, 4}));
    EXPECT_EQ(frames.back(), Request({0x20, 5}));
    EXPECT_EQ(k.Boxes.back().Text, TranslateKey(QStringLiteral("strQuestSwitchToGas")));

    k.Window->PgCConfiguration->setCurrentWidget(k.Window->TbSCnfBase);
    k.Click("BtnKnfLvSensorConfig");
    EXPECT_EQ(k.Opened, QStringList{"FrmConfigLevelSensor"});
}

// The program's start-up with the program's wiring: the tick on the window's
// sheet, and the window in English.
TEST(MultiConfiguration, TheTickReadsTheWindowsLiveValuesOnItsSheetOnly)
{
    startup::StartupRig rig(5);
    startup::SimDevice device(rig.PortsDir, 5, 48, 'G');
    device.Controller.State.Payload[0x50] = {0x0B, 0xB8};
    rig.Wire = shellwiring::Wire;
    TFormMain &form = rig.Create();
    rig.Tick();
    ASSERT_NE(FrmMultiConfigurationTaronQV, nullptr);
    shellwiring::Get<QAction>(form, "MnIWindowMultiConfiguration")->trigger();
    device.Server.log().clear();
    rig.Now += 1000;
    rig.Tick();
    EXPECT_EQ(device.Requests(0x50).size(), 1u);
    EXPECT_EQ(FrmMultiConfigurationTaronQV->BasePage->DgDRPM->Caption(), "3000");
    // Below "H" the cut-off and gas-time controls are disabled.
    auto *panel = FrmMultiConfigurationTaronQV->PnlMultiConfiguration;
    EXPECT_FALSE(panel->findChild<QWidget *>("ChBConfMinGasInjTime")->isEnabled());
    EXPECT_FALSE(panel->findChild<QWidget *>("CmBOnCutOffDelay")->isEnabled());
    // Another sheet: no status read for the window.
    shellwiring::Get<QAction>(form, "MnIWindowMeasure")->trigger();
    device.Server.log().clear();
    rig.Tick();
    EXPECT_TRUE(device.Requests(0x50).empty());
}

TEST(MultiConfiguration, EnglishUnderLanguageEn)
{
    startup::StartupRig rig(5);
    {
        QFile ini(rig.IniPath());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Settings]\r\nComMultiPort=5\r\nLanguage=EN\r\nOfflineMode=0\r\nAutoSearch=0\r\n");
    }
    startup::SimDevice device(rig.PortsDir, 5, 48, 'I');
    TFrmConfigLevelSensor dialog;
    FrmConfigLevelSensor = &dialog;
    // The language services as the program creates them.
    TCustom custom;
    Custom = &custom;
    rig.Wire = [](TFormMain &f) {
        shellwiring::Wire(f);
        f.Services.ApplyLanguage = [&f] { f.ChangeLanguage(LM->Language, true); };
    };
    TFormMain &form = rig.Create();
    form.SetScreenSizeForCheck(QSize(1024, 768));
    form.show();
    form.Timerek->stop();
    rig.Tick();
    ASSERT_NE(FrmMultiConfigurationTaronQV, nullptr);
    ASSERT_EQ(LM->Language, "EN") << rig.BoxTexts().join(u'|').toStdString() << " ready " << form.Ready();
    auto *w = FrmMultiConfigurationTaronQV;
    auto text = [w](const char *name) {
        auto *b = w->PnlMultiConfiguration->findChild<QAbstractButton *>(QString::fromLatin1(name));
        return b ? b->text() : QString();
    };
    EXPECT_EQ(text("BtBKnfReadConfiguration"), "Read settings");
    EXPECT_EQ(text("BtBKnfWriteDefaultConfiguration"), "Write factory configuration");
    EXPECT_EQ(text("ChBKnfLambda"), "LAMBDA probe connected");
    EXPECT_EQ(w->PgCConfiguration->tabText(0), "  Basic  ");
    EXPECT_EQ(w->AdvancePage->CmBKnfInjSystemType->itemText(1), "SEQUENTIAL");
    // The main window keeps its own texts for the names both windows use.
    auto *mainPages = shellwiring::Get<QTabWidget>(form, "PgCConfiguration");
    EXPECT_EQ(mainPages->tabText(0), "Basic (Ctrl+F8)");
    // The level-sensor dialog too.
    EXPECT_EQ(dialog.BtnKnfLSSave->text(), "Save");
    EXPECT_EQ(dialog.CmBKnfLSColorLedState->itemText(0), "BLUE");
    // A look at the pages.
    const QString shots = QString::fromLocal8Bit(qgetenv("TARON_SCREENSHOTS"));
    if (!shots.isEmpty())
        for (int i = 0; i < w->PgCConfiguration->count(); ++i) {
            w->PgCConfiguration->setCurrentIndex(i);
            w->PnlMultiConfiguration->grab().save(QStringLiteral("%1/multiconf-%2.png").arg(shots).arg(i));
        }
    if (!shots.isEmpty()) {
        DeviceRecord.ReserveType = 1;
        dialog.FormShow();
        dialog.TimerLevelSensor->stop();
        dialog.grab().save(shots + QStringLiteral("/levelsensor.png"));
    }
    FrmConfigLevelSensor = nullptr;
    Custom = nullptr;
}

TEST(MultiConfiguration, ASettingsFileLoadWritesTheConfigurationThroughTheWindowFirst)
{
    for (char version : {'C', 'G'}) {
        SCOPED_TRACE(version);
        Kind48Window k(version);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("car.ddf"));
        testsupport::WriteAll(path, "[Info]\r\nVer=0000030" + QByteArray(1, version) + " STD [0]\r\n"
                                    "[Config]\r\nInjHW=8\r\nInjSW=6\r\nPower=100\r\nNozzleSize=39\r\nT=88\r\n"
                                    "RPM=12464\r\nPostValveDelay=65000\r\nReserveType=1\r\nPW0=9\r\nPW1=8\r\nPW2=7\r\nPW3=6\r\n"
                                    "Tgas<&Load_Lval=35\r\nOnCutOffDelay=4500\r\n"
                                    "[Model]\r\nMult=1\r\n[Map]\r\nMapRPMRange=0\r\n");
        k.Form->SettingsFileDialog = [&path](bool, const QString &, const QString &) { return path; };
        k.Rig.Server.log().clear();
        shellwiring::Get<QAction>(*k.Form, "MnIFileLoadCnf")->trigger();
        const std::vector<Bytes> frames = k.Frames();
        const auto at = [&frames](const Bytes &f) { return std::find(frames.begin(), frames.end(), f) - frames.begin(); };
        // The file's values go out in the window's order, before the level sets.
        const auto command = [&frames](uint8_t c, int id) {
            return std::find_if(frames.begin(), frames.end(), [&](const Bytes &f) { return f[1] == c && (id < 0 || f[2] == id); })
                   - frames.begin();
        };
        const auto first = command(0x08, 37);
        const auto block = command(0x04, -1);
        ASSERT_LT(block, std::ptrdiff_t(frames.size()));
        // 40 °C at 1400 rpm, six cylinders.
        EXPECT_EQ(Bytes(frames[size_t(block)].begin() + 2, frames[size_t(block)].begin() + 5), (Bytes{88, 0x30, 0xB0}));
        EXPECT_EQ(frames[size_t(block)][6], 63);
        const auto levels = at(Request({0x37, 9, 8, 7, 6, 0}));
        ASSERT_LT(levels, std::ptrdiff_t(frames.size()));
        EXPECT_LT(first, block);
        EXPECT_LT(block, levels);
        EXPECT_LT(at(W(6, 100)), levels);
        EXPECT_LT(at(B(10, 39)), levels);
        EXPECT_LT(at(W(10, 65000)), levels);
        // Settings of later versions the file holds go out on every version.
        EXPECT_LT(at(B(43, 35)), levels);
        EXPECT_LT(at(W(25, 4500)), levels);
        k.Rig.Device([](SimControllerState &s) {
            EXPECT_EQ(s.Param8[43], 35);
            EXPECT_EQ(s.Param16[25], 4500);
            EXPECT_EQ(s.Param16[6], 100);
            EXPECT_EQ(s.Payload[0xD8][16], 39);
            EXPECT_EQ(s.Payload[0xD8][1], 63);
        });
        // The window shows the device again at the end: its read comes
        // first in the one read after the last write and the change record.
        const auto lastWrite = std::find_if(frames.rbegin(), frames.rend(), [](const Bytes &f) {
                                   return SimController::WritesSettings(48, f) || f[1] == 0x55;
                               }).base();
        const std::vector<Bytes> window = ReadFrames(version);
        ASSERT_GE(frames.end() - lastWrite, std::ptrdiff_t(window.size()));
        EXPECT_EQ(std::vector<Bytes>(lastWrite, lastWrite + std::ptrdiff_t(window.size())), window);
        EXPECT_EQ(k.Get<QLineEdit>("YEdKnfPower")->text(), "100");
        EXPECT_FALSE(k.Window->Modified());
    }
}

TEST(MultiConfiguration, TabsAndPageGuard)
{
    Kind48Window k('G');
    // The main window's tab reads the window again.
    shellwiring::Get<QAction>(*k.Form, "MnIWindowMeasure")->trigger();
    k.Rig.Server.log().clear();
    shellwiring::ClickTab(*k.Form, "TbSMultiConfiguration");
    EXPECT_EQ(shellwiring::Current(*k.Form, "PgCMain"), "TbSMultiConfiguration");
    EXPECT_EQ(k.Frames(), ReadFrames('G'));

    // An edit, then another page of the window: Cancel stays, Yes writes.
    k.Click("ChBKnfMasterMode");
    k.Yes = mrCancel;
    k.Boxes.clear();
    k.Rig.Server.log().clear();
    k.Window->PgCConfiguration->setCurrentWidget(k.Window->TbSCnfSwitching);
    EXPECT_EQ(k.Window->PgCConfiguration->currentWidget(), k.Window->TbSCnfBase);
    EXPECT_TRUE(k.Frames().empty());
    ASSERT_EQ(k.Boxes.size(), 1);
    k.Yes = mrYes;
    k.Window->PgCConfiguration->setCurrentWidget(k.Window->TbSCnfSwitching);
    EXPECT_EQ(k.Window->PgCConfiguration->currentWidget(), k.Window->TbSCnfSwitching);
    const std::vector<Bytes> frames = k.Frames();
    EXPECT_NE(std::find(frames.begin(), frames.end(), B(27, 1)), frames.end());
    // The bits no control shows go back as the device holds them.
    EXPECT_NE(std::find(frames.begin(), frames.end(), B(37, 0x33)), frames.end());
    EXPECT_NE(std::find(frames.begin(), frames.end(), B(50, 6)), frames.end());
    EXPECT_FALSE(k.Window->Modified());

    // A locked device: the buttons say why nothing happens.
    k.Rig.Device([](SimControllerState &s) { s.LockState = 0x0F; });
    DeviceRecord.LinkState = 0x0F;
    k.Boxes.clear();
    k.Rig.Server.log().clear();
    TCommon::SetApplicationTitle(QStringLiteral("Taron Service"));
    k.Window->BtBKnfReadConfiguration->click();
    TCommon::SetApplicationTitle(QString());
    EXPECT_TRUE(k.Frames().empty());
    ASSERT_EQ(k.Boxes.size(), 1);
    EXPECT_EQ(k.Boxes[0].Text, TranslateKey(QStringLiteral("strConfDeviceLocked")));
    EXPECT_EQ(k.Boxes[0].Caption, QStringLiteral("Taron Service")); // the program's name
    k.Window->BtBKnfWriteDefaultConfiguration->click();
    shellwiring::Get<QAction>(*k.Form, "MnIDeviceReset")->trigger();
    EXPECT_TRUE(k.Frames().empty());
    ASSERT_EQ(k.Boxes.size(), 3);
    EXPECT_EQ(k.Boxes[1].Text, k.Boxes[0].Text);
    EXPECT_EQ(k.Boxes[2].Text, k.Boxes[0].Text);
}

// Leaving the window with an edit it would refuse shows the refusal, naming
// the field, and keeps the edit: nothing asked, sent or owed, whether by a
// tab of the window, a page key or a key of the other kind-48 window. A jump
// to another main page asks the leave question as a tab does: Cancel stays,
// No leaves unwritten, Yes writes (the record after the write) and leaves.
TEST(MultiConfiguration, LeavingAnEditedWindowChecksBeforeItAsks)
{
    Kind48Window k('G');
    auto power = [&k](const char *text) {
        QLineEdit *edit = k.Window->InfoPage->YEdKnfPower;
        edit->setText(QString::fromLatin1(text));
        Q_EMIT edit->textEdited(edit->text());
    };
    auto main = [&k] { return shellwiring::Current(*k.Form, "PgCMain"); };
    const QString record = TranslateKey(QStringLiteral("strQModChange"));
    int before = -1;
    k.Rig.Device([&before](SimControllerState &s) { before = s.Param16[6]; });
    ASSERT_NE(before, 123);
    k.Window->PgCConfiguration->setCurrentWidget(k.Window->TbSCnfInfo);
    power("9999");
    ASSERT_TRUE(k.Window->Modified());
    for (const char *road : {"tab", "MnIWindowMeasure", "MnIWindowMultiCalibrationModel", "MnIWindowMultiCalibration"}) {
        SCOPED_TRACE(road);
        k.Boxes.clear();
        k.Rig.Server.log().clear();
        if (QByteArray(road) == "tab")
            k.Window->PgCConfiguration->setCurrentWidget(k.Window->TbSCnfSwitching);
        else
            shellwiring::Get<QAction>(*k.Form, road)->trigger();
        ASSERT_EQ(k.Boxes.size(), 1);
        EXPECT_TRUE(k.Boxes[0].Text.contains(TranslateKey(QStringLiteral("strConfValueRange"))))
            << k.Boxes[0].Text.toStdString();
        EXPECT_EQ(main(), "TbSMultiConfiguration");
        EXPECT_EQ(k.Window->PgCConfiguration->currentWidget(), k.Window->TbSCnfInfo);
        EXPECT_TRUE(k.Frames().empty());
        EXPECT_FALSE(Common->ChangeRecordOwed());
        EXPECT_TRUE(k.Window->Modified());
        EXPECT_EQ(k.Window->InfoPage->YEdKnfPower->text(), "9999");
    }
    power("123");
    k.Yes = mrCancel;
    k.Boxes.clear();
    k.Rig.Server.log().clear();
    shellwiring::Get<QAction>(*k.Form, "MnIWindowMultiCalibrationModel")->trigger();
    ASSERT_EQ(k.Boxes.size(), 1);
    EXPECT_EQ(k.Boxes[0].Text, record);
    EXPECT_EQ(main(), "TbSMultiConfiguration");
    EXPECT_TRUE(k.Frames().empty());
    EXPECT_EQ(k.Window->InfoPage->YEdKnfPower->text(), "123");
    k.Yes = mrNo;
    shellwiring::Get<QAction>(*k.Form, "MnIWindowMultiCalibrationModel")->trigger();
    EXPECT_EQ(main(), "TbSMultiCalibration");
    k.Rig.Device([before](SimControllerState &s) { EXPECT_EQ(s.Param16[6], before); });
    shellwiring::Get<QAction>(*k.Form, "MnIWindowMultiConfiguration")->trigger();
    ASSERT_EQ(main(), "TbSMultiConfiguration");
    power("123");
    k.Yes = mrYes;
    // Yes on a locked device: nothing goes through, the page stays and no
    // record is owed (the next Yes is asked again and records).
    const uint8_t ready = DeviceRecord.LinkState;
    DeviceRecord.LinkState = sim::kSimLockedState;
    k.Boxes.clear();
    shellwiring::Get<QAction>(*k.Form, "MnIWindowMeasure")->trigger();
    EXPECT_EQ(main(), "TbSMultiConfiguration");
    EXPECT_EQ(k.Boxes.value(0).Text, record);
    EXPECT_FALSE(Common->ChangeRecordOwed());
    DeviceRecord.LinkState = ready;
    k.Boxes.clear();
    k.Rig.Server.log().clear();
    shellwiring::Get<QAction>(*k.Form, "MnIWindowMeasure")->trigger();
    EXPECT_EQ(main(), "TbSMeasure");
    ASSERT_EQ(k.Boxes.size(), 1);
    EXPECT_EQ(k.Boxes[0].Text, record);
    k.Rig.Device([](SimControllerState &s) { EXPECT_EQ(s.Param16[6], 123); });
    const std::vector<Bytes> frames = k.Frames();
    const auto isRecord = [](const Bytes &f) { return f.size() > 1 && f[1] == 0x55; };
    const auto isPower = [](const Bytes &f) { return f.size() > 2 && f[1] == 0x52 && f[2] == 6; };
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), isRecord), 1);
    EXPECT_LT(std::find_if(frames.begin(), frames.end(), isPower), std::find_if(frames.begin(), frames.end(), isRecord))
        << "the record, after the write";
}

TEST(MultiConfiguration, LanguageTextsKeepTheChosenEntries)
{
    // A list's new texts keep its entry, or none: a language change chooses
    // nothing the device does not hold.
    TLMWidgetTexts texts;
    QWidget window;
    auto *list = NewNamed<QComboBox>(&window, "CmbKnfRedType");
    list->addItems({"INNY", "VXR FALCOR"});
    list->setCurrentIndex(-1);
    for (const char *line : {"^", "OTHER", "VXR FALCOR"})
        texts.ApplyComponentLine(&window, "CmbKnfRedType", false, QString::fromLatin1(line));
    EXPECT_EQ(list->currentIndex(), -1);
    list->setCurrentIndex(1);
    for (const char *line : {"^", "OTHER", "VXR FALCOR"})
        texts.ApplyComponentLine(&window, "CmbKnfRedType", false, QString::fromLatin1(line));
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(list->itemText(0), "OTHER");
}

// A lambda-probe type that no list entry shows (7) goes back as read; a probe
// the user switches off goes out as 0.
TEST(MultiConfiguration, ALambdaTypeNoEntryShowsSurvivesReadThenWrite)
{
    Kind48Window k('G');
    k.Rig.Device([](SimControllerState &s) { s.Payload[0xD8][2] = 0x07; });
    k.Window->BtBKnfReadConfiguration->click();
    EXPECT_TRUE(k.Get<QCheckBox>("ChBKnfLambda")->isChecked());
    EXPECT_EQ(k.Get<QComboBox>("CmBKnfLambdaType")->currentIndex(), -1);
    auto sent = [&k](const Bytes &frame) {
        const std::vector<Bytes> frames = k.Frames();
        return std::find(frames.begin(), frames.end(), frame) != frames.end();
    };
    k.Rig.Server.log().clear();
    EXPECT_TRUE(k.Window->BtBKnfWriteConfigurationClick(k.Window->BtBKnfWriteConfiguration));
    EXPECT_TRUE(sent(B(1, 7)));

    k.Click("ChBKnfLambda");
    EXPECT_FALSE(k.Get<QCheckBox>("ChBKnfLambda")->isChecked());
    k.Rig.Server.log().clear();
    EXPECT_TRUE(k.Window->BtBKnfWriteConfigurationClick(k.Window->BtBKnfWriteConfiguration));
    EXPECT_TRUE(sent(B(1, 0)));
}

// The device goes silent among the factory cells: the factory write says so
// and reports no success, so the main menu's reset stops there.
TEST(MultiConfiguration, FactoryCellsTheDeviceDoesNotTakeAreShown)
{
    Kind48Window k('G');
    k.Rig.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 3 && f[1] == 0x32 && f[3] == 54; },
                                 Fault::noAnswer(), 3);
    k.Boxes.clear();
    EXPECT_FALSE(k.Window->BtBKnfWriteDefaultConfigurationClick(nullptr));
    k.Rig.Server.clearFaults();
    ASSERT_FALSE(k.Boxes.isEmpty());
    EXPECT_EQ(k.Boxes.back().Text, TranslateKey(QStringLiteral("strConfDefaultIncomplete")));
    // No question about the petrol-map template after the failure.
    EXPECT_FALSE(std::any_of(k.Boxes.begin(), k.Boxes.end(), [](const TMessageBoxInfo &b) {
        return b.Text == TranslateKey(QStringLiteral("strQuestMapsClear"));
    }));
}

// The device goes silent at the default model the factory write sends to the
// calibration window's model: one warning says the factory configuration was
// not written completely.
TEST(MultiConfiguration, AFailedDefaultModelInTheFactoryWriteIsSaidOnce)
{
    Kind48Window k('G');
    ASSERT_NE(FrmMultiCalibrationTaronQV, nullptr);
    k.Rig.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 2 && f[1] == 0x52 && f[2] == 8; },
                                 Fault::noAnswer(), 2);
    k.Boxes.clear();
    EXPECT_FALSE(k.Window->BtBKnfWriteDefaultConfigurationClick(nullptr));
    k.Rig.Server.clearFaults();
    QStringList warnings;
    for (const TMessageBoxInfo &b : k.Boxes)
        if (b.Type == mtWarning || b.Type == mtError)
            warnings << b.Text;
    EXPECT_EQ(warnings, QStringList{TranslateKey(QStringLiteral("strConfDefaultIncomplete"))});
}

// Yes to the page guard's question and the device goes silent: the page
// stays, and the edit with it (not read over).
TEST(MultiConfiguration, AFailedWriteFromThePageGuardKeepsThePageAndTheEdit)
{
    Kind48Window k('G');
    k.Click("ChBKnfMasterMode");
    ASSERT_TRUE(k.Window->Modified());
    k.Rig.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] == 0x04; }, Fault::noAnswer(), 3);
    k.Boxes.clear();
    k.Window->PgCConfiguration->setCurrentWidget(k.Window->TbSCnfSwitching);
    k.Rig.Server.clearFaults();
    EXPECT_EQ(k.Window->PgCConfiguration->currentWidget(), k.Window->TbSCnfBase);
    ASSERT_FALSE(k.Boxes.isEmpty());
    EXPECT_EQ(k.Boxes.back().Text, TranslateKey(QStringLiteral("strConfWriteIncomplete")));
    EXPECT_TRUE(k.Window->Modified());
    EXPECT_TRUE(k.Get<QCheckBox>("ChBKnfMasterMode")->isChecked());
}

// The device goes silent during the pressure check: no pressure is shown as
// measured, and the user is told to look at the work mode.
TEST(MultiConfiguration, APressureCheckWithoutAnswerShowsNoPressure)
{
    Kind48Window k('G');
    k.Click("BtBKnfCheckPressure");
    auto *display = k.Get<TDigitalDisplay>("DgDPsys");
    ASSERT_FALSE(display->Caption().isEmpty());
    k.Rig.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] != 0x20; }, Fault::noAnswer(), 3);
    k.Rig.Server.log().clear();
    k.Boxes.clear();
    k.Click("BtBKnfCheckPressure");
    k.Rig.Server.clearFaults();
    EXPECT_TRUE(display->Caption().isEmpty());
    ASSERT_FALSE(k.Boxes.isEmpty());
    EXPECT_EQ(k.Boxes.back().Text, TranslateKey(QStringLiteral("strConfPressureCheckFailed")));
}

// An unanswered detection leaves the injection system as it was and says so.
TEST(MultiConfiguration, AnUnansweredInjectionSystemDetectionChangesNothing)
{
    Kind48Window k('G');
    k.Rig.Device([](SimControllerState &s) { s.Value16[38] = 0x0200; });
    k.Click("BtnKnfCheckInjSystem");
    auto *list = k.Get<QComboBox>("CmBKnfInjSystemType");
    ASSERT_EQ(list->currentIndex(), 2);
    k.Rig.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] == 0x40; }, Fault::noAnswer(), 3);
    k.Boxes.clear();
    k.Click("BtnKnfCheckInjSystem");
    k.Rig.Server.clearFaults();
    EXPECT_EQ(list->currentIndex(), 2);
    ASSERT_FALSE(k.Boxes.isEmpty());
    EXPECT_EQ(k.Boxes.back().Text, TranslateKey(QStringLiteral("strConfInjSystemNotDetected")));
}
