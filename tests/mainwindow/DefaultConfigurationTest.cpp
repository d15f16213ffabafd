// The factory configuration of kinds 20 and 21, reached from the device
// menu's factory reset and the configuration page's buttons, with the pages
// and dialogs wired as the program wires them and the kind-48 windows docked
// as on every device, against the simulated controller: the frames after OK,
// nothing after Cancel, a locked device, and a device that refuses or stops
// taking the writes half-way. With the same rig: every name the docked
// windows reuse resolves, from each page, to the main window's own control.
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/ui/ProgramLogic.h"
#include "core/ui/LMWidgetTexts.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/ConfigurationWizard.h"
#include "mainwindow/configuration/CorrectionsPage.h"
#include "mainwindow/configuration/DefaultConfiguration.h"
#include "mainwindow/configuration/MapPage.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "sim/SimControllerFixture.h"
#include "windows/ConfigurationPagesWiring.h"
#include "windows/FrmConfigLevelSensor.h"

#include <QAction>
#include <QHash>
#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using sim::Bytes;
using sim::Request;

namespace {

class DefaultsRig
{
public:
    // outputs: the device's injector-output code (2: six, 3: eight).
    explicit DefaultsRig(uint8_t kind, char version = 'E', uint16_t outputs = 2)
        : Device(Rig.PortsDir, 5, kind, version)
    {
        Device.Server.withLock([&] {
            Device.Controller.State.Value16[28] = outputs;
            Device.Controller.SetConfigurationLimits();
        });
        Rig.Wire = [this](TFormMain &f) {
            shellwiring::Wire(f);
            InstallConfigurationPage(f, Logic);
            TModel2Page::Install(f);
            TModelPage::Install(f);
            TMapPage::Install(f);
            TCorrectionsPage::Install(f);
            InstallConfigurationWizardPages(f, Logic);
            WireConfigurationPagesToWindows(f);
        };
        Form = &Rig.Create();
        // The first tick adapts the window to the device and docks the
        // kind-48 windows, whatever the device.
        Rig.Tick();
        FrmConfigLevelSensor = &LevelSensor;
        Rig.HoldTimer();
        Device.Server.log().clear();
    }
    ~DefaultsRig() { FrmConfigLevelSensor = nullptr; }

    std::vector<Bytes> Frames(uint8_t command) const { return Device.Requests(command); }
    bool Said(const char *key) const
    {
        const QString text = LM->Translate(QString::fromLatin1(key));
        const QStringList shown = Rig.BoxTexts();
        return std::any_of(shown.begin(), shown.end(), [&](const QString &t) { return t.contains(text); });
    }

    TProgramLogic Logic;
    startup::StartupRig Rig{5};
    startup::SimDevice Device;
    TFrmConfigLevelSensor LevelSensor;
    TFormMain *Form = nullptr;
};

std::vector<Bytes> VariableFrames()
{
    std::vector<Bytes> out;
    for (const auto &v : TDefaultConfiguration::Variables())
        out.push_back(v.Word ? Request({0x32, uint8_t(v.Id >> 8), uint8_t(v.Id), uint8_t(v.Value >> 8),
                                        uint8_t(v.Value)})
                             : Request({0x34, uint8_t(v.Id >> 8), uint8_t(v.Id), uint8_t(v.Value)}));
    return out;
}

// Every frame of the device's write commands received so far.
std::vector<Bytes> WriteFrames(const DefaultsRig &p)
{
    std::vector<Bytes> out;
    for (uint8_t command : {0x04, 0x08, 0x52, 0x16, 0x32, 0x34, 0x14, 0x37, 0x38})
        for (const Bytes &f : p.Frames(command))
            out.push_back(f);
    return out;
}

} // namespace

TEST(DefaultConfiguration, FactoryResetAfterOkWritesPagesLevelSensorClearsAndVariables)
{
    // Kind 20 from the device menu's factory reset, kind 21 from the
    // configuration page's own button.
    const struct {
        uint8_t Kind;
        const char *Road;
    } cases[] = {{20, "MnIDeviceReset"}, {21, "BtBKnfWriteDefaultConfiguration"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.Kind));
        DefaultsRig p(c.Kind, 'E', 3);
        p.Device.Server.withLock([&] {
            auto &s = p.Device.Controller.State;
            s.RecordingCount1 = 40;
            s.RecordingCount2 = 30;
            s.Payload[0x13][0] = 0x55; // a stored trouble code
            // A configured engine, none of it the factory state.
            s.Param16[6] = 75;
            s.Param16[7] = 1600;
            s.Param8[10] = 30;
            s.Param8[11] = 2;
            s.Param8[12] = 1;
            s.Param8[17] = 1;
            s.Param8[28] = 1;
        });
        p.Form->ReadConfiguration();
        p.Device.Server.log().clear();
        // The user is on the configuration page (F3).
        p.Form->ActivateMainPageDirect("TbSConfig");
        // Nothing is written before the answer (the reset's own tick reads).
        size_t writtenBeforeAnswer = 1;
        p.Rig.Answer = [&](const TMessageBoxInfo &b) {
            if (b.Text == LM->Translate(QStringLiteral("strWriteDefaultSettings")))
                writtenBeforeAnswer = WriteFrames(p).size();
            return int(mrOk);
        };
        if (auto *item = p.Form->findChild<QAction *>(QString::fromLatin1(c.Road)))
            item->trigger();
        else
            shellwiring::Get<QPushButton>(*p.Form, c.Road)->click();

        ASSERT_TRUE(p.Said("strWriteDefaultSettings"));
        EXPECT_EQ(writtenBeforeAnswer, 0u);
        // Base block: 35 °C, 400 rpm, injector class 3, level sensor 1, LPG,
        // every one of eight injectors.
        const auto base = p.Frames(0x04);
        ASSERT_FALSE(base.empty());
        EXPECT_EQ(base.front(), (Bytes{0xC0, 0x04, 0x64, 0xDB, 0x24, 0x07, 0xFF, 0x2D}));
        // Power 66, capacity 0, nozzle 2.1, reducer, injection system and
        // micro-injection item 0, the second pressure sensor.
        const auto words = p.Frames(0x52), bytes = p.Frames(0x08);
        for (const Bytes &f : {Request({0x52, 6, 0, 66}), Request({0x52, 7, 0, 0})})
            EXPECT_NE(std::find(words.begin(), words.end(), f), words.end()) << int(f[2]);
        for (const Bytes &f : {Request({0x08, 10, 21}), Request({0x08, 11, 0}), Request({0x08, 12, 0}),
                               Request({0x08, 17, 0}), Request({0x08, 28, 2})})
            EXPECT_NE(std::find(bytes.begin(), bytes.end(), f), bytes.end()) << int(f[2]);
        EXPECT_FALSE(p.Frames(0x37).empty()) << "level-sensor defaults";
        // The model: multiplier 1 (1024), offset 1 ms, thresholds 5..20 ms.
        const auto model = p.Frames(0x16);
        EXPECT_NE(std::find(model.begin(), model.end(), Request({0x16, 1, 0x04, 0x00})), model.end());
        EXPECT_NE(std::find(model.begin(), model.end(), Request({0x16, 6, 0x0E, 0x9C})), model.end());
        // Map points and trouble codes cleared, status read, then the fixed variables in order.
        std::vector<Bytes> tail;
        for (const auto &f : p.Device.Server.log().bytes())
            if (f[1] == 0x32 || f[1] == 0x34)
                tail.push_back(f);
        std::vector<Bytes> expected{Request({0x34, 0, 198, 0}), Request({0x34, 0, 199, 0})};
        for (const Bytes &f : VariableFrames())
            expected.push_back(f);
        EXPECT_EQ(tail, expected);
        EXPECT_EQ(p.Frames(0x14).size(), 1u);
        p.Device.Server.withLock([&] {
            auto &s = p.Device.Controller.State;
            EXPECT_EQ(s.RecordingCount1, 0);
            EXPECT_EQ(s.RecordingCount2, 0);
            EXPECT_EQ(s.Payload[0x13][0], 0);
            EXPECT_EQ(s.Words[36], 561);
            EXPECT_EQ(s.Words[66], 21064);
            EXPECT_EQ(s.Counters[45], 255);
            EXPECT_EQ(s.Counters[122], 1);
            EXPECT_EQ(s.Param16[6], 66);
            EXPECT_EQ(s.Param16[7], 0);
        });
        EXPECT_TRUE(p.Said("strDefaultSettingsWritten"));
        EXPECT_FALSE(p.Form->ConfigModified());
    }
}

TEST(DefaultConfiguration, CancelWritesNothingAndTheQuestionComesEveryTime)
{
    DefaultsRig p(21);
    int asked = 0;
    p.Rig.Answer = [&](const TMessageBoxInfo &) {
        ++asked;
        return int(mrCancel);
    };
    for (int run = 0; run < 2; ++run)
        for (const char *button : {"BtnConfResetSettings", "BtBKnfWriteDefaultConfiguration"})
            shellwiring::Get<QPushButton>(*p.Form, button)->click();
    EXPECT_EQ(asked, 4);
    EXPECT_TRUE(WriteFrames(p).empty());
    EXPECT_FALSE(p.Said("strDefaultSettingsWritten"));
}

TEST(DefaultConfiguration, LockedDeviceIsNotAskedGetsNothingAndIsSaidLocked)
{
    DefaultsRig p(20);
    DeviceRecord.LinkState = 0x0F;
    shellwiring::Get<QPushButton>(*p.Form, "BtBKnfWriteDefaultConfiguration")->click();
    ASSERT_EQ(p.Rig.Boxes.size(), 1u);
    EXPECT_EQ(p.Rig.Boxes[0].Text, LM->Translate(QStringLiteral("strConfDeviceLocked")));
    EXPECT_TRUE(p.Device.Server.log().bytes().empty());

    // Locked by its own report: the page's factory button and the menu's reset say so once each, write nothing.
    p.Device.Server.withLock([&] { p.Device.Controller.State.LockState = sim::kSimLockedState; });
    p.Form->UpdateDeviceMenus();
    ASSERT_NE(DeviceRecord.LinkState, 0xF0);
    p.Device.Server.log().clear();
    p.Rig.Boxes.clear();
    shellwiring::Get<QPushButton>(*p.Form, "BtnConfResetSettings")->click();
    shellwiring::Get<QAction>(*p.Form, "MnIDeviceReset")->trigger();
    EXPECT_EQ(p.Rig.BoxTexts(), QStringList(2, LM->Translate(QStringLiteral("strConfDeviceLocked"))));
    EXPECT_TRUE(p.Device.Server.log().bytes().empty());
}

TEST(DefaultConfiguration, RefusedOrUnansweredWritesAreReportedNotCalledDone)
{
    const struct {
        const char *Name;
        std::function<void(startup::SimDevice &)> Fault;
    } cases[] = {
        // This device takes no engine power below 70 kW.
        {"power refused",
         [](startup::SimDevice &d) { d.Server.withLock([&] { d.Controller.State.Limits16[6] = {70, 999}; }); }},
        // The device stops answering the variable writes.
        {"variables unanswered", [](startup::SimDevice &d) {
             d.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] == 0x32; },
                                      sim::Fault::noAnswer(), 1000);
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        DefaultsRig p(21);
        c.Fault(p.Device);
        p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrOk); };
        shellwiring::Get<QPushButton>(*p.Form, "BtBKnfWriteDefaultConfiguration")->click();
        EXPECT_TRUE(p.Said("strDefaultSettingsIncomplete"));
        EXPECT_FALSE(p.Said("strDefaultSettingsWritten"));
    }
}

TEST(PageControls, EveryNameTheDockedWindowsReuseResolvesToTheMainWindowsOwnControl)
{
    DefaultsRig p(20);
    TFormMain &form = *p.Form;
    form.ActivateMainPageDirect("TbSConfig");
    // Where a control lies: in a panel another window docked here, or the
    // main window's own.
    const auto docked = [&form](const QObject *o) {
        for (; o && o != &form; o = o->parent()) {
            const QVariant owner = o->property(TLMWidgetTexts::OwnerFormProperty);
            if (owner.isValid() && owner.toString() != form.objectName())
                return true;
        }
        return false;
    };
    QHash<QString, QList<QObject *>> own;
    QHash<QString, int> count;
    for (QObject *o : form.findChildren<QObject *>()) {
        const QString name = o->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        ++count[name];
        if (!docked(o))
            own[name] << o;
    }
    QStringList reused;
    for (auto it = count.cbegin(); it != count.cend(); ++it)
        if (it.value() > 1 && own.value(it.key()).size() == 1)
            reused << it.key();
    ASSERT_GT(reused.size(), 100) << "the kind-48 windows are docked";
    ASSERT_TRUE(reused.contains(QStringLiteral("YEdKnfPower")));

    QList<const TPageControls *> pages;
    for (QObject *o : form.children())
        if (const auto *page = dynamic_cast<const TPageControls *>(o))
            pages << page;
    ASSERT_GE(pages.size(), 10);
    for (const QString &name : reused) {
        SCOPED_TRACE(name.toStdString());
        QObject *mine = own.value(name).first();
        EXPECT_EQ(form.OwnPanel(name.toLatin1().constData()), qobject_cast<QWidget *>(mine));
        for (const TPageControls *page : pages) {
            QObject *found = page->Control(name);
            // A page sees the control when it lies in one of its panels,
            // and then only the main window's own one.
            bool inPanels = false;
            for (QWidget *panel : page->Panels())
                inPanels = inPanels || panel == mine || panel->isAncestorOf(qobject_cast<QWidget *>(mine));
            EXPECT_EQ(found, inPanels ? mine : nullptr) << dynamic_cast<const QObject *>(page)->objectName().toStdString();
        }
    }

    // A page's control moved into a docked window's panel is the page's no longer, nor the main window's.
    auto *power = qobject_cast<QWidget *>(own.value(QStringLiteral("YEdKnfPower")).first());
    QWidget *dockedPanel = nullptr;
    const TPageControls *user = nullptr;
    for (const TPageControls *page : pages)
        user = page->Control(QStringLiteral("YEdKnfPower")) == power ? page : user;
    for (QWidget *w : form.findChildren<QWidget *>(QStringLiteral("YEdKnfPower")))
        dockedPanel = docked(w) ? w->parentWidget() : dockedPanel;
    ASSERT_TRUE(user && dockedPanel);
    power->setParent(dockedPanel);
    EXPECT_EQ(user->Control(QStringLiteral("YEdKnfPower")), nullptr);
    EXPECT_EQ(form.OwnPanel("YEdKnfPower"), nullptr);
}
