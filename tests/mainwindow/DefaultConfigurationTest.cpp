// The factory configuration of kinds 20 and 21, reached from the device
// menu's factory reset and the configuration page's button, with the pages
// and dialogs wired as the program wires them, against the simulated
// controller: the frames after OK, nothing after Cancel, a locked device,
// and a device that stops taking the writes half-way.
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/StartupRig.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/ConfigurationWizard.h"
#include "mainwindow/configuration/DefaultConfiguration.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "sim/SimControllerFixture.h"
#include "windows/ConfigurationPagesWiring.h"
#include "windows/FrmConfigLevelSensor.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

using sim::Bytes;
using sim::Request;

namespace {

class DefaultsRig
{
public:
    explicit DefaultsRig(uint8_t kind, char version = 'E') : Device(Rig.PortsDir, 5, kind, version)
    {
        Device.Server.withLock([&] {
            Device.Controller.State.Value16[28] = 2; // six injector outputs
            Device.Controller.SetConfigurationLimits();
        });
        Rig.Wire = [this](TFormMain &f) {
            InstallConfigurationPage(f, Logic);
            TModel2Page::Install(f);
            TModelPage::Install(f);
            InstallConfigurationWizardPages(f, Logic);
            WireConfigurationPagesToWindows(f);
        };
        Form = &Rig.Create();
        FrmConfigLevelSensor = &LevelSensor;
        Form->Timerek->stop();
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

} // namespace

TEST(DefaultConfiguration, FactoryResetAfterOkWritesPagesLevelSensorClearsAndVariables)
{
    for (uint8_t kind : {20, 21}) {
        SCOPED_TRACE(int(kind));
        DefaultsRig p(kind);
        p.Device.Server.withLock([&] {
            auto &s = p.Device.Controller.State;
            s.RecordingCount1 = 40;
            s.RecordingCount2 = 30;
            s.Payload[0x13][0] = 0x55; // a stored trouble code
        });
        p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrOk); };
        p.Form->findChild<QAction *>(QStringLiteral("MnIDeviceReset"))->trigger();

        ASSERT_TRUE(p.Said("strWriteDefaultSettings"));
        // Base block: 400 rpm, 35 °C, LPG, level sensor 1, every one of six injectors.
        const auto base = p.Frames(0x04);
        ASSERT_FALSE(base.empty());
        EXPECT_EQ(base.front()[2], 100);
        EXPECT_EQ(base.front()[3] << 8 | base.front()[4], 56100);
        EXPECT_EQ(base.front()[6], 63);
        EXPECT_EQ(base.front()[5] & 0x1C, 1 << 2); // LPG, level sensor 1
        EXPECT_FALSE(p.Frames(0x37).empty() && p.Frames(0x38).empty()) << "level-sensor defaults";
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
            EXPECT_EQ(s.Param16[6], 66); // power
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
        p.Form->findChild<QPushButton *>(QStringLiteral("BtnConfResetSettings"))->click();
    EXPECT_EQ(asked, 2);
    for (uint8_t command : {0x04, 0x08, 0x52, 0x16, 0x32, 0x34, 0x14, 0x37, 0x38})
        EXPECT_TRUE(p.Frames(command).empty()) << int(command);
    EXPECT_FALSE(p.Said("strDefaultSettingsWritten"));
}

TEST(DefaultConfiguration, LockedDeviceIsNotAskedAndGetsNothing)
{
    DefaultsRig p(20);
    DeviceRecord.LinkState = 0x0F;
    p.Form->WriteDefaultConfiguration_145();
    EXPECT_TRUE(p.Rig.Boxes.empty());
    EXPECT_TRUE(p.Device.Server.log().bytes().empty());
}

TEST(DefaultConfiguration, DeviceStoppingHalfWayIsReportedNotCalledDone)
{
    DefaultsRig p(21);
    p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrOk); };
    // The device stops answering the variable writes.
    p.Device.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] == 0x32; },
                                    sim::Fault::noAnswer(), 1000);
    p.Form->WriteDefaultConfiguration_145();
    EXPECT_TRUE(p.Said("strDefaultSettingsIncomplete"));
    EXPECT_FALSE(p.Said("strDefaultSettingsWritten"));
}
