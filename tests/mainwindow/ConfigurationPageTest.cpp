// The configuration page of kinds 20 and 21 on the main window, built and
// wired as the program builds it, against a simulated controller that keeps
// its parameter ranges: the exact frames of a read and a write at each
// version step, values no list shows surviving a read and a write, a locked
// device, refused values, a write that fails half-way, and a page that only
// the user marks modified.
#include "common/Screenshots.h"
#include "controls/ControlTestSupport.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/StartupRig.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/ModelPage.h"
#include "sim/SimControllerFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <algorithm>

using sim::Bytes;
using sim::Request;
using startup::SimDevice;
using startup::StartupRig;

namespace {

// A kind-20/21 controller holding a worked configuration: 5 of 6 cylinders,
// switching at 2600 rpm, 3.8 mm nozzles and a 50 s valve delay (values no
// list item shows), injector type 21 (drive class 3), and bits no box holds
// in the bytes of ids 5, 20 and 29 (their flag is bit 0).
void WorkedImage(sim::SimControllerState &s)
{
    s.Value16[28] = 2;                          // six injector outputs
    s.Pages[1] = 1;                             // hardware variant with the second pressure sensor
    s.Payload[0x03] = {100, 0x21, 0xB4, 0xAB, 31}; // T, RPM 8628, turbo|DIS|LPG|level 2|class 3, mask
    const std::pair<int, int> p8[] = {{2, 21}, {8, 1},  {12, 1},  {11, 2}, {10, 38}, {3, 5},  {4, 76},
                                      {7, 0},  {16, 1}, {17, 1},  {23, 131}, {18, 0}, {21, 1}, {5, 0x80},
                                      {20, 0x82}, {27, 1}, {19, 3},  {1, 2},  {28, 2},  {29, 0x85}, {30, 0},
                                      {22, 1}};
    for (auto [id, v] : p8)
        s.Param8[size_t(id)] = uint8_t(v);
    const std::pair<int, int> p16[] = {{7, 1598}, {6, 85}, {8, 468}, {9, 500}, {10, 25000}};
    for (auto [id, v] : p16)
        s.Param16[size_t(id)] = uint16_t(v);
}

class PageRig
{
public:
    PageRig(uint8_t kind, char version) : Device(Rig.PortsDir, 5, kind, version)
    {
        Device.Server.withLock([&] {
            WorkedImage(Device.Controller.State);
            Device.Controller.SetConfigurationLimits();
        });
        Rig.Wire = [this](TFormMain &f) { Page = InstallConfigurationPage(f, Logic); };
        Form = &Rig.Create();
        Device.Server.log().clear();
    }

    template <typename T> T *C(const char *name) const
    {
        return Form->findChild<T *>(QString::fromLatin1(name));
    }
    void Click(const char *button) { C<QPushButton>(button)->click(); }
    std::vector<Bytes> Frames() const { return Device.Server.log().bytes(); }
    QString Tr(const char *key) const { return LM->Translate(QString::fromLatin1(key)); }
    bool BoxSaid(const QString &text) const
    {
        for (const QString &t : Rig.BoxTexts())
            if (t.contains(text))
                return true;
        return false;
    }

    TProgramLogic Logic; // outlives the window that calls it
    StartupRig Rig{5};
    SimDevice Device;
    TFormMain *Form = nullptr;
    TConfigurationPage *Page = nullptr;
};

// The configuration read of kinds 20 and 21.
std::vector<Bytes> ReadFrames()
{
    std::vector<Bytes> f{Request({0x40, 28}), Request({0x03, 0x03})};
    const std::pair<int, uint8_t> list[] = {
        {8, 2},  {8, 8},  {16, 7}, {16, 6}, {8, 12}, {16, 8}, {8, 11}, {8, 10}, {16, 9}, {16, 10},
        {8, 3},  {8, 4},  {8, 7},  {8, 16}, {8, 17}, {8, 23}, {8, 18}, {8, 21}, {8, 5},  {8, 20},
        {8, 27}, {8, 19}, {8, 1},  {8, 28}, {8, 29}, {8, 30}};
    for (auto [width, id] : list)
        f.push_back(Request({uint8_t(width == 8 ? 0x07 : 0x51), id}));
    f.push_back(Request({0x35, 0}));
    f.push_back(Request({0x36, 0}));
    return f;
}

// The write of the worked image unchanged, before its read-back.
std::vector<Bytes> WriteFrames(bool param29, bool param30)
{
    Bytes profile{0xC0, 0x15};
    const auto *row = TDataManager::InjectorPreset(2);
    profile.insert(profile.end(), row->begin(), row->end());
    profile.push_back(sim::sum8(profile, profile.size()));
    std::vector<Bytes> f{profile, Request({0x08, 2, 21}), Request({0x04, 100, 0x21, 0xB4, 0xAB, 31})};
    auto w8 = [&](uint8_t id, uint8_t v) { f.push_back(Request({0x08, id, v})); };
    auto w16 = [&](uint8_t id, uint16_t v) { f.push_back(Request({0x52, id, uint8_t(v >> 8), uint8_t(v)})); };
    w8(3, 5);
    w8(4, 76);
    w8(7, 0);
    w8(16, 1);
    w8(17, 1);
    w8(23, 131);
    w8(18, 0);
    w8(21, 1);
    w8(5, 0x80);
    w8(20, 0x82);
    w8(1, 2);
    w16(7, 1598);
    w16(6, 85);
    w8(10, 38);
    w8(11, 2);
    w8(12, 1);
    w16(9, 500);
    w16(8, 468);
    w16(10, 25000);
    w8(8, 1);
    w8(27, 1);
    w8(28, 2);
    if (param29)
        w8(29, 0x85);
    if (param30)
        w8(30, 0);
    return f;
}

std::vector<Bytes> Join(std::vector<Bytes> a, const std::vector<Bytes> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(ConfigurationPage, ReadAndWriteFramesAtEachVersionStep)
{
    struct Step {
        uint8_t kind;
        char version;
        bool p29, p30;
    };
    for (const Step s : {Step{20, 'E', false, false}, Step{21, 'C', false, false},
                         Step{21, 'D', true, false}, Step{21, 'E', true, true}}) {
        SCOPED_TRACE(testing::Message() << int(s.kind) << s.version);
        PageRig p(s.kind, s.version);
        ASSERT_TRUE(DataManager->GetConnected());
        p.Click("BtBKnfReadConfiguration");
        EXPECT_EQ(p.Frames(), Join(ReadFrames(), {Request({0x07, 22})}));
        EXPECT_FALSE(p.Form->ConfigModified());

        // Unchanged, the page writes back exactly what the device holds,
        // the values no list item shows included.
        auto before = p.Device.Controller.State;
        p.Device.Server.log().clear();
        p.Click("BtBKnfWriteConfiguration");
        EXPECT_EQ(p.Frames(), Join(WriteFrames(s.p29, s.p30), ReadFrames()));
        EXPECT_EQ(p.Device.Controller.State.Payload[0x03], before.Payload[0x03]);
        EXPECT_EQ(p.Device.Controller.State.Param8, before.Param8);
        EXPECT_EQ(p.Device.Controller.State.Param16, before.Param16);
        EXPECT_FALSE(p.Form->ConfigModified());
        EXPECT_EQ(p.C<QComboBox>("CmBKnfNomRPM")->currentIndex(), -1);
        EXPECT_EQ(p.C<QComboBox>("CmBKnfNozle")->currentIndex(), -1);
        EXPECT_EQ(p.C<QComboBox>("CmbKnfPostValveDelay")->currentIndex(), -1);

        // A box holds bit 0 of its byte; the other bits stay as the device
        // holds them.
        p.C<QCheckBox>("ChBKnfPetrolInjPlusControl")->click();
        p.Click("BtBKnfWriteConfiguration");
        p.Device.Server.withLock([&] { EXPECT_EQ(p.Device.Controller.State.Param8[5], 0x81); });
        // "Always start on gas" (id 29, from kind 21 "D") changed alone goes
        // out with the write.
        if (s.p29) {
            auto *startOnGas = p.C<QCheckBox>("ChBKnfAlwaysStartOnGas");
            ASSERT_TRUE(startOnGas->isChecked());
            controltest::mouseClick(startOnGas, QPoint(5, 10));
            controltest::settle();
            EXPECT_TRUE(p.Form->ConfigModified());
            p.Device.Server.log().clear();
            p.Click("BtBKnfWriteConfiguration");
            const std::vector<Bytes> sent = p.Frames();
            EXPECT_NE(std::find(sent.begin(), sent.end(), Request({0x08, 29, 0x84})), sent.end());
            p.Device.Server.withLock([&] { EXPECT_EQ(p.Device.Controller.State.Param8[29], 0x84); });
            EXPECT_FALSE(startOnGas->isChecked());
            EXPECT_FALSE(p.Form->ConfigModified());
        }

        // The RPM-wire switch acts from kind 21 version "E" on.
        auto *type = p.C<QComboBox>("CmbKnfRPMSourceType");
        ASSERT_EQ(type->currentIndex(), 1);
        p.C<QCheckBox>("ChBKnfRPMNotConnected")->click();
        const bool acts = s.kind == 21 && s.version >= 'E';
        EXPECT_EQ(type->isEnabled(), !acts);
        EXPECT_EQ(type->currentIndex(), acts ? 0 : 1);
    }
}

TEST(ConfigurationPage, FillShowsTheRecordSendsNothingAndOnlyTheUserMarksIt)
{
    PageRig p(20, 'C');
    // The read pauses the window's timer and gives it back running.
    p.Form->Timerek->start();
    p.Click("BtBKnfReadConfiguration");
    EXPECT_TRUE(p.Form->Timerek->isActive());
    p.Form->Timerek->stop(); // no polls between the steps below
    const size_t frames = p.Frames().size();

    // The cylinder lists: up to the device's six outputs, five configured.
    auto items = [](QComboBox *c) {
        QStringList out;
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    };
    auto *count = p.C<QComboBox>("CmbKnfInjCount");
    EXPECT_EQ(items(count), QStringList({"3", "4", "5", "6"}));
    EXPECT_EQ(count->currentText(), QStringLiteral("5"));
    const QString inj = p.Tr("strInj") + QLatin1Char(' ');
    EXPECT_EQ(items(p.C<QComboBox>("CmbOdcInjDisplay")),
              QStringList({p.Tr("strAvg"), inj + "1", inj + "2", inj + "3", inj + "4", inj + "5"}));
    EXPECT_EQ(p.C<QComboBox>("CmbOdcInjDisplay")->currentIndex(), 0);
    EXPECT_TRUE(p.C<QWidget>("PrBOdcPetrol5")->isVisibleTo(p.Form));
    EXPECT_FALSE(p.C<QWidget>("PrBOdcPetrol6")->isVisibleTo(p.Form));

    EXPECT_EQ(p.C<QLineEdit>("YEdKnfPower")->text(), QStringLiteral("85"));
    EXPECT_EQ(p.C<QLineEdit>("YEdKnfCubicCap")->text(), QStringLiteral("1598"));
    // Numbers in the notation of the language shown, Polish.
    EXPECT_EQ(p.C<QLineEdit>("EdtKnfIdleHotTb")->text(), QStringLiteral("2,50"));
    // 85 kW = 115.9 HP; 0.031 x 115.9 / 5 + 1.31 = 2.03 mm, sequential, LPG.
    EXPECT_EQ(p.C<QLabel>("LblKnfPowerKM")->text(), QStringLiteral("(115,9%1)").arg(p.Tr("strUnitHP")));
    EXPECT_EQ(p.C<QLabel>("LblKnfSugNozle")->text(), QStringLiteral("2,0 mm"));
    EXPECT_EQ(p.C<QComboBox>("CmbKnfInjType")->currentData().toInt(), 21);
    EXPECT_EQ(p.C<QComboBox>("CmBKnfEngineType")->currentIndex(), 1);
    EXPECT_EQ(p.C<QComboBox>("CmbKnfRPMSource")->currentIndex(), 1);
    EXPECT_EQ(p.C<QComboBox>("CmbKnfLevelSensorType")->currentIndex(), 2);
    EXPECT_FALSE(p.C<QWidget>("BtnKnfLvSensorConfig")->isHidden());
    EXPECT_EQ(p.C<QComboBox>("CmBKnfNomTred")->currentText(), QStringLiteral("35"));
    EXPECT_EQ(p.C<QComboBox>("CmbKnfEmulatorSwitchDelay")->currentText(), QStringLiteral("1"));
    EXPECT_EQ(p.C<QComboBox>("CmbKnfLowPressTreshold")->currentText(), QStringLiteral("0,7"));
    EXPECT_EQ(p.C<QComboBox>("CmbKnfLowPressDelay")->currentText(), QStringLiteral("0,5"));
    EXPECT_EQ(p.C<QComboBox>("CmbKnfMicroinjectionTime")->currentText(), QStringLiteral("1,4"));
    EXPECT_FALSE(p.C<QWidget>("PnlKnfMicroinjectionTime")->isHidden());
    EXPECT_TRUE(p.C<QCheckBox>("ChBKnfLambda")->isChecked());
    EXPECT_EQ(p.C<QComboBox>("CmBKnfLambdaType")->currentIndex(), 1);
    EXPECT_EQ(p.C<QLabel>("LblOdcPressureSensorTypeInfo")->text(),
              p.Tr("strPSTInfo") + QStringLiteral(" PS-CC2/CCT3"));
    EXPECT_TRUE(p.C<QCheckBox>("ChBKnfTuningMode")->isChecked());
    EXPECT_FALSE(p.C<QCheckBox>("ChBKnfHemiEngine")->isChecked());
    // The second sensor type: load panels low, middle, high from the left.
    EXPECT_EQ(p.C<QWidget>("PnlCalLoadL")->x(), 35);
    EXPECT_LT(p.C<QWidget>("PnlCalLoadM")->x(), p.C<QWidget>("PnlCalLoadH")->x());
    DeviceRecord.PressureSensorType = 1; // the first type: high load first
    p.Form->CmBKnfPressureSensorTypeChange();
    EXPECT_EQ(p.C<QWidget>("PnlCalLoadH")->x(), 35);
    EXPECT_LT(p.C<QWidget>("PnlCalLoadM")->x(), p.C<QWidget>("PnlCalLoadL")->x());
    EXPECT_EQ(p.C<QLabel>("LblOdcPressureSensorTypeInfo")->text(), p.Tr("strPSTInfo") + QStringLiteral(" PS-CC1"));
    DeviceRecord.PressureSensorType = 2;
    p.Form->CmBKnfPressureSensorTypeChange();

    // Filling again sends nothing and marks nothing.
    p.Form->UpdateConfigurationControls();
    p.Form->UpdateCylinderCountControls(true);
    EXPECT_EQ(p.Frames().size(), frames);
    EXPECT_FALSE(p.Form->ConfigModified());

    auto *tabs = p.C<QTabWidget>("PgCConfiguration");
    tabs->setCurrentIndex(0);
    const QImage shot = p.C<QWidget>("TbSConfig")->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    shot.save(testsupport::ScreenshotPath(QStringLiteral("configuration_page_kind20.png")));
    tabs->setCurrentIndex(1);
    p.C<QWidget>("TbSConfig")->grab().save(testsupport::ScreenshotPath(QStringLiteral("configuration_page_kind20_advanced.png")));

    // The level-sensor button stays disabled after a new choice until a read.
    auto *level = p.C<QComboBox>("CmbKnfLevelSensorType");
    auto *levelButton = p.C<QWidget>("BtnKnfLvSensorConfig");
    ASSERT_TRUE(levelButton->isEnabled());
    level->setCurrentIndex(3);
    p.Page->CmbKnfLevelSensorTypeChange();
    EXPECT_FALSE(levelButton->isHidden());
    EXPECT_FALSE(levelButton->isEnabled());
    level->setCurrentIndex(0);
    p.Page->CmbKnfLevelSensorTypeChange();
    EXPECT_TRUE(levelButton->isHidden());

    // Suggested nozzle: 100 kW, 4 cylinders, sequential, LPG is 2.367 mm;
    // semi-sequential takes 0.1 off, full group 0.2, CNG adds 0.1.
    EXPECT_NEAR(TConfigurationPage::SuggestedNozzle(100, 4, 1, false), 2.3670, 1e-3);
    EXPECT_NEAR(TConfigurationPage::SuggestedNozzle(100, 4, 2, true), 2.3670, 1e-3);
    EXPECT_NEAR(TConfigurationPage::SuggestedNozzle(100, 4, 3, false), 2.1670, 1e-3);
    EXPECT_EQ(TConfigurationPage::SuggestedNozzle(100, 0, 1, false), 0.0);

    // The running program's wiring: the tick's calibration-running test, the
    // readings' busy test and the data manager's reset of the logic's state.
    DataManager->WorkType = 3;
    p.Rig.Tick();
    EXPECT_TRUE(p.Logic.Active());
    ASSERT_TRUE(p.Form->ReadingsServices.IsBusy);
    EXPECT_TRUE(p.Form->ReadingsServices.IsBusy());
    DataManager->WorkType = 0;
    p.Rig.Tick();
    EXPECT_FALSE(p.Logic.Active());
    EXPECT_FALSE(p.Form->ReadingsServices.IsBusy());
    p.Logic.SetLevel(4);
    ASSERT_TRUE(DataManager->OnClearLogicState);
    DataManager->OnClearLogicState();
    EXPECT_EQ(p.Logic.Level(), 0);
    p.Device.Server.log().clear();
    p.Form->SetConfigModified(false);
    const size_t quiet = 0;

    // The user picks another injector type: asked to set its default model.
    int defaults = 0;
    p.Page->WriteDefaultModel = [&] { ++defaults; };
    p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
    auto *injType = p.C<QComboBox>("CmbKnfInjType");
    controltest::keyPress(injType, Qt::Key_Down);
    controltest::settle();
    EXPECT_NE(injType->currentData().toInt(), 21);
    EXPECT_EQ(defaults, 1);
    EXPECT_TRUE(p.BoxSaid(p.Tr("strQuestInjChangeModel")));
    EXPECT_TRUE(p.Form->ConfigModified());
    EXPECT_EQ(p.Frames().size(), quiet);
    p.Form->SetConfigModified(false);

    // A user's click marks the page.
    controltest::mouseClick(p.C<QCheckBox>("ChBKnfHemiEngine"), QPoint(5, 10));
    controltest::settle();
    EXPECT_TRUE(p.C<QCheckBox>("ChBKnfHemiEngine")->isChecked());
    EXPECT_TRUE(p.Form->ConfigModified());
    EXPECT_EQ(p.Frames().size(), quiet);

    // A failed read empties the page's and the wizard's lists; it also loses
    // the link, and the mark changes only while a ready device is connected.
    auto *wizardList = p.C<QComboBox>("CmBConfRedType");
    wizardList->addItem(QStringLiteral("x"));
    wizardList->setCurrentIndex(0);
    p.Device.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] == 0x03; },
                                    sim::Fault::noAnswer(), 2);
    p.Click("BtBKnfReadConfiguration");
    EXPECT_EQ(p.C<QComboBox>("CmbKnfRedType")->currentIndex(), -1);
    EXPECT_EQ(p.C<QComboBox>("CmBKnfNomTred")->currentIndex(), -1);
    EXPECT_FALSE(p.C<QCheckBox>("ChBKnfTuningMode")->isChecked());
    EXPECT_EQ(wizardList->currentIndex(), -1);
    EXPECT_TRUE(p.Form->ConfigModified());
}

TEST(ConfigurationPage, CngFuelGoesOutAsBit4OfTheBaseByteBesideTheLevelSensor)
{
    PageRig p(21, 'E');
    p.Click("BtBKnfReadConfiguration");
    // 0xAB: class 3, level sensor 2, LPG, source 1, engine 1; CNG adds 0x10.
    for (const auto &[radio, byte] : {std::pair{"RdBKnfCNG", 0xBB}, std::pair{"RdBKnfLPG", 0xAB}}) {
        SCOPED_TRACE(radio);
        p.C<QAbstractButton>(radio)->click();
        p.Device.Server.log().clear();
        p.Click("BtBKnfWriteConfiguration");
        const auto frames = p.Frames();
        EXPECT_NE(std::find(frames.begin(), frames.end(), Request({0x04, 100, 0x21, 0xB4, uint8_t(byte), 31})),
                  frames.end());
        EXPECT_EQ(DeviceRecord.FuelType, byte == 0xBB ? 1 : 0);
        EXPECT_EQ(DeviceRecord.ReserveType, 2);
    }
}

TEST(ConfigurationPage, LockedDeviceAndRefusedValuesSendNothing)
{
    PageRig p(21, 'E');
    p.Form->MnIWindowConfigClick();
    ASSERT_EQ(p.C<QTabWidget>("PgCMain")->currentWidget()->objectName(), "TbSConfig");
    p.Click("BtBKnfReadConfiguration");

    // A value the device cannot take: nothing goes out, the control says which.
    auto *idle = p.C<QLineEdit>("EdtKnfIdleHotTb");
    idle->setText(QStringLiteral("400"));
    p.Device.Server.log().clear();
    p.Click("BtBKnfWriteConfiguration");
    EXPECT_TRUE(p.Frames().empty());
    EXPECT_TRUE(p.BoxSaid(p.C<QLabel>("labelKnfIdleHotTb")->text()));
    EXPECT_FALSE(idle->toolTip().isEmpty());
    // Leaving the modified page with it: the refusal before any question;
    // the page and the value stay.
    p.Form->SetConfigModified(true);
    p.Rig.Boxes.clear();
    p.Device.Server.log().clear();
    p.Form->MnIWindowMeasureClick();
    EXPECT_TRUE(p.Frames().empty());
    ASSERT_EQ(p.Rig.BoxTexts().size(), 1);
    EXPECT_TRUE(p.BoxSaid(p.C<QLabel>("labelKnfIdleHotTb")->text()));
    EXPECT_EQ(p.C<QTabWidget>("PgCMain")->currentWidget()->objectName(), "TbSConfig");
    EXPECT_EQ(idle->text(), "400");
    EXPECT_TRUE(p.Form->ConfigModified());
    EXPECT_FALSE(idle->styleSheet().isEmpty());
    // A read that fills the field with the device's value takes the mark away.
    p.Click("BtBKnfReadConfiguration");
    EXPECT_NE(idle->text(), QStringLiteral("400"));
    EXPECT_TRUE(idle->styleSheet().isEmpty());
    EXPECT_TRUE(idle->toolTip().isEmpty());
    p.Device.Server.log().clear();
    // A power the device cannot hold shows whole and is refused as well.
    idle->setText(QStringLiteral("2.50"));
    p.C<QLineEdit>("YEdKnfPower")->setText(QStringLiteral("1200"));
    EXPECT_EQ(p.C<QLineEdit>("YEdKnfPower")->text(), QStringLiteral("1200"));
    p.Click("BtBKnfWriteConfiguration");
    EXPECT_TRUE(p.Frames().empty());
    EXPECT_TRUE(p.BoxSaid(p.C<QLabel>("labelKnfPower")->text()));
    // The ranges named are the device's: a power of 0 is refused too.
    // The field, a colon, the sentence and the range, which no line break
    // splits.
    EXPECT_TRUE(p.BoxSaid(p.C<QLabel>("labelKnfPower")->text() + u' ' + p.Tr("strConfValueRange")
                          + QStringLiteral(" 1\u00A0-\u2060\u00A0999")));
    EXPECT_TRUE(p.BoxSaid(QStringLiteral("0\u00A0-\u2060\u00A0350")));
    p.Rig.Boxes.clear();
    p.C<QLineEdit>("YEdKnfPower")->setText(QStringLiteral("0"));
    p.Click("BtBKnfWriteConfiguration");
    EXPECT_TRUE(p.Frames().empty());
    EXPECT_TRUE(p.BoxSaid(QStringLiteral("1\u00A0-\u2060\u00A0999")));
    p.C<QLineEdit>("YEdKnfPower")->setText(QStringLiteral("85"));
    // Either decimal separator is taken: 1.5 ms x 187 = 280.5 goes to 280.
    idle->setText(QStringLiteral("1,5"));
    p.Click("BtBKnfWriteConfiguration");
    const auto frames = p.Frames();
    EXPECT_NE(std::find(frames.begin(), frames.end(), Request({0x52, 8, 0x01, 0x18})), frames.end());
    EXPECT_EQ(p.Device.Controller.State.Param16[8], 280);
    // The whole-configuration writer runs the page's write on these kinds.
    p.Device.Server.log().clear();
    EXPECT_TRUE(DevData->WriteConfigurationIfConnected());
    const auto written = p.Frames();
    EXPECT_NE(std::find(written.begin(), written.end(), Request({0x04, 100, 0x21, 0xB4, 0xAB, 31})),
              written.end());
    // An unedited time sends the device's own value, not its rounded text
    // (100 shows as 0,53 ms, which would go back as 99).
    p.Device.Server.withLock([&] { p.Device.Controller.State.Param16[8] = 100; });
    p.Click("BtBKnfReadConfiguration");
    EXPECT_EQ(idle->text(), QStringLiteral("0,53"));
    p.Click("BtBKnfWriteConfiguration");
    EXPECT_EQ(p.Device.Controller.State.Param16[8], 100);
    idle->setText(QStringLiteral("x"));
    p.Device.Server.log().clear();
    EXPECT_FALSE(DevData->WriteConfigurationIfConnected());
    EXPECT_TRUE(p.Frames().empty());
    idle->setText(QStringLiteral("1.5"));

    // Locked: neither read nor write reaches the device, and the page says why.
    p.Form->SetConfigModified(true);
    p.Device.Server.withLock([&] { p.Device.Controller.State.LockState = sim::kSimLockedState; });
    p.Form->UpdateDeviceMenus();
    ASSERT_NE(DeviceRecord.LinkState, 0xF0);
    // Leaving the edited page with Yes: the write does not go through, so
    // the page stays.
    p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
    p.Form->MnIWindowMeasureClick();
    EXPECT_EQ(p.C<QTabWidget>("PgCMain")->currentWidget()->objectName(), "TbSConfig");
    p.Device.Server.log().clear();
    p.Rig.Boxes.clear();
    p.Click("BtBKnfReadConfiguration");
    p.Click("BtBKnfWriteConfiguration");
    EXPECT_TRUE(p.Frames().empty());
    EXPECT_EQ(p.Rig.BoxTexts(), QStringList({p.Tr("strConfDeviceLocked"), p.Tr("strConfDeviceLocked")}));
    ASSERT_FALSE(TCommon::ApplicationTitle().isEmpty());
    for (const auto &box : p.Rig.Boxes)
        EXPECT_EQ(box.Caption, TCommon::ApplicationTitle()); // the program's name
}

// The engine's whole-number fields and the hot idle time are read one way:
// what is typed stays in the field (a decimal separator too, so "8,5" kW is
// refused as no whole number instead of being written as 85); a text that
// is no number the field holds is refused before the first frame, naming
// the field and what is wrong, and the page keeps it, modified.
TEST(ConfigurationPage, TypedNumbersAreWrittenAsTypedOrRefusedByName)
{
    PageRig p(21, 'E');
    p.Form->MnIWindowConfigClick();
    p.Click("BtBKnfReadConfiguration");
    const QString notNumber = p.Tr("strConfValueNotNumber") + u' ' + p.Tr("strConfValueAllowed");
    const QString notWhole = p.Tr("strConfValueNotWhole") + u' ' + p.Tr("strConfValueAllowed");
    const QString range = p.Tr("strConfValueRange");
    const struct {
        const char *Field, *Label, *Typed;
        QString Why; // empty: written
        Bytes Frame;
    } rows[] = {
        {"YEdKnfPower", "labelKnfPower", "8,5", notWhole, {}},
        {"YEdKnfPower", "labelKnfPower", "8.5", notWhole, {}},
        {"YEdKnfPower", "labelKnfPower", "", notNumber, {}},
        {"YEdKnfPower", "labelKnfPower", "0,5,1", notNumber, {}},
        {"YEdKnfPower", "labelKnfPower", "1000", range, {}},
        {"YEdKnfCubicCap", "labelKnfCubicCap", "1,6", notWhole, {}},
        {"EdtKnfIdleHotTb", "labelKnfIdleHotTb", "0..5", notNumber, {}},
        {"EdtKnfIdleHotTb", "labelKnfIdleHotTb", "1,7,1", notNumber, {}},
        {"EdtKnfIdleHotTb", "labelKnfIdleHotTb", "", notNumber, {}},
        {"EdtKnfIdleHotTb", "labelKnfIdleHotTb", "1,5 ms", notNumber, {}},
        {"YEdKnfPower", "labelKnfPower", "86", QString(), Request({0x52, 6, 0, 86})},
        {"EdtKnfIdleHotTb", "labelKnfIdleHotTb", "2,5", QString(), Request({0x52, 8, 0x01, 0xD4})}, // 467.5: 468
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.Field) + " \"" + row.Typed + "\"");
        p.Click("BtBKnfReadConfiguration");
        // Typed key by key into the field, as a user types it.
        auto *field = p.C<QLineEdit>(row.Field);
        field->setFocus();
        field->selectAll();
        controltest::keyPress(field, Qt::Key_Delete);
        controltest::typeText(field, QString::fromLatin1(row.Typed));
        ASSERT_EQ(field->text(), QString::fromLatin1(row.Typed));
        ASSERT_TRUE(p.Form->ConfigModified());
        p.Rig.Boxes.clear();
        p.Device.Server.log().clear();
        p.Click("BtBKnfWriteConfiguration");
        if (row.Why.isEmpty()) {
            const auto frames = p.Frames();
            EXPECT_NE(std::find(frames.begin(), frames.end(), row.Frame), frames.end());
            EXPECT_TRUE(p.Rig.BoxTexts().isEmpty()) << p.Rig.BoxTexts().join(u'|').toStdString();
            continue;
        }
        EXPECT_TRUE(p.Frames().empty());
        ASSERT_EQ(p.Rig.BoxTexts().size(), 1);
        QString name = p.C<QLabel>(row.Label)->text().trimmed();
        if (name.endsWith(u':'))
            name.chop(1);
        EXPECT_TRUE(p.Rig.BoxTexts()[0].startsWith(name + QStringLiteral(": ") + row.Why))
            << p.Rig.BoxTexts()[0].toStdString();
        EXPECT_EQ(field->text(), QString::fromLatin1(row.Typed));
        EXPECT_FALSE(field->toolTip().isEmpty());
        EXPECT_TRUE(p.Form->ConfigModified());
    }
}

TEST(ConfigurationPage, WriteFailingHalfWayKeepsTheEditsForASecondWrite)
{
    PageRig p(20, 'C');
    p.Click("BtBKnfReadConfiguration");
    p.C<QCheckBox>("ChBKnfHemiEngine")->setChecked(true);
    p.C<QCheckBox>("ChBKnfLambda")->click(); // no lambda probe: the type list goes
    EXPECT_TRUE(p.C<QWidget>("CmBKnfLambdaType")->isHidden());
    p.C<QComboBox>("CmBKnfNomTred")->setCurrentIndex(0); // 20 degrees: code 142
    p.Form->SetConfigModified(true);

    // The device stops answering at the micro-injection switch (both tries).
    p.Device.Server.injectFaultWhen(
        [](const Bytes &f) { return f.size() > 2 && f[1] == 0x08 && f[2] == 17; },
        sim::Fault::noAnswer(), 2);
    p.Device.Server.log().clear();
    ASSERT_NE(p.Form->ConfigurationPage, nullptr);
    EXPECT_FALSE(p.Form->ConfigurationPage->WriteConfiguration()) << "a frame did not go through";
    auto frames = p.Frames();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames.back(), Request({0x08, 17, 1}));
    EXPECT_EQ(frames[frames.size() - 2], Request({0x08, 17, 1}));
    EXPECT_TRUE(p.Form->ConfigModified());
    EXPECT_TRUE(p.BoxSaid(p.Tr("strConfWriteIncomplete")));
    EXPECT_EQ(p.Device.Controller.State.Payload[0x03][0], 142);
    EXPECT_EQ(p.Device.Controller.State.Param8[18], 0);
    EXPECT_TRUE(p.C<QCheckBox>("ChBKnfHemiEngine")->isChecked());

    // Connected again, a second write completes it.
    p.Device.Server.clearFaults();
    DataManager->PollGroup(TDataManager::pgConnect, false);
    ASSERT_TRUE(DataManager->GetConnected());
    EXPECT_TRUE(p.Form->ConfigurationPage->WriteConfiguration());
    EXPECT_EQ(p.Device.Controller.State.Param8[18], 1);
    EXPECT_EQ(p.Device.Controller.State.Param8[17], 1);
    EXPECT_EQ(p.Device.Controller.State.Param8[1], 0);
    EXPECT_FALSE(p.Form->ConfigModified());
    EXPECT_TRUE(p.C<QCheckBox>("ChBKnfHemiEngine")->isChecked());
}

TEST(ConfigurationPage, NewInjectorTypeWritesTheModelPagesDefaultModel)
{
    PageRig p(20, 'E');
    TModelPage::Install(*p.Form);
    p.Click("BtBKnfReadConfiguration");
    p.Device.Server.log().clear();
    p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
    auto *injType = p.C<QComboBox>("CmbKnfInjType");
    controltest::keyPress(injType, Qt::Key_Down);
    controltest::settle();
    ASSERT_TRUE(p.BoxSaid(p.Tr("strQuestInjChangeModel")));
    // m 1, b 1.0 ms, thresholds 5/10/15/20 ms, no enrichment.
    auto w16 = [](uint8_t id, uint16_t v) { return Request({0x16, id, uint8_t(v >> 8), uint8_t(v)}); };
    const auto frames = p.Frames();
    ASSERT_GE(frames.size(), 13u);
    EXPECT_EQ(frames[0], w16(1, 1024));
    EXPECT_EQ(frames[1], w16(2, 187));
    EXPECT_EQ(frames[5], w16(3, 935));
    EXPECT_EQ(frames[8], w16(6, 3740));
    EXPECT_EQ(frames[12], w16(10, 4096));
    EXPECT_TRUE(p.Form->ConfigModified());
}

TEST(ConfigurationPage, Kind48WriteButtonWritesNothingAndRereads)
{
    PageRig p(48, 'I');
    int refreshed = 0;
    p.Page->UpdateKind48ConfigurationControls = [&] { ++refreshed; };
    p.Form->SetConfigModified(true);
    p.Click("BtBKnfWriteConfiguration");
    const auto frames = p.Frames();
    ASSERT_FALSE(frames.empty());
    for (const Bytes &f : frames)
        EXPECT_TRUE(f[1] != 0x08 && f[1] != 0x52 && f[1] != 0x04 && f[1] != 0xD9) << int(f[1]);
    EXPECT_NE(std::find(frames.begin(), frames.end(), Request({0xD8, 0xD8})), frames.end());
    EXPECT_EQ(refreshed, 1);
    EXPECT_FALSE(p.Form->ConfigModified());
}
