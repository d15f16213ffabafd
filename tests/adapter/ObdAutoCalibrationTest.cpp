// The start of an auto-calibration on a kind-48 device from version H with
// the adapter's OBD adaptation on: the adaptation is switched off in the box
// and both of its adaptation banks are reset before the run begins. The
// start's change record goes out once all its writes went through; a start
// whose first write (the wizard's settings) is refused sends none.
#include "common/ReducerTemperature.h"
#include "adapter/ObdWindowRig.h"

#include "adapter/UIState.h"
#include "core/LM.h"
#include "core/DataManager.h"
#include "core/UnitConversions.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/configuration/AutoCalibrationPage.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/ConfigurationWizard.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "windows/ConfigurationPagesWiring.h"
#include "windows/FormAutocalibrationInit.h"
#include "windows/FormPicture.h"
#include "windows/FormWorkingPressure.h"
#include "windows/FrmConfigLevelSensor.h"

#include "core/ui/LMWidgetTexts.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using obdtest::ObdProgram;

TEST(ObdAutoCalibration, StartSwitchesTheAdaptersAdaptationOffAndResetsItsBanks)
{
    const int warm = testsupport::WarmReducerCode();
    ASSERT_GT(warm, 0);
    // The wizard's engine capacity as typed: 10000 is beyond what the
    // device takes, so the start's first write (the wizard's settings)
    // refuses before its first frame with the link up.
    const struct {
        bool adaptation;
        const char *capacity;
    } starts[] = {{true, nullptr}, {false, nullptr}, {false, "10000"}};
    for (const auto &[adaptation, capacity] : starts) {
        SCOPED_TRACE(testing::Message() << adaptation << " " << (capacity ? capacity : "-"));
        ObdProgram p([adaptation](sim::SimAdapterState &s) {
            s.Obd.Config[0] = 4;
            s.Obd.Config[1] = adaptation ? 0x0A : 0x08;
            s.Obd.Banks = {sim::Bytes(100, 5), sim::Bytes(100, 5)};
        }, 48, 'J');
        p.Device.Server.withLock([&] {
            auto &s = p.Device.Controller.State;
            s.Param8[45] = 3;
            s.Payload[0x05][1] = uint8_t(warm);
            s.Payload[0x0B][1] = uint8_t(warm);
            s.PressureBusyReads = 1;
        });
        TProgramLogic &logic = p.TheProgramLogic;
        TFormAutocalibrationInit startDialog;
        TFormWorkingPressure workingPressure;
        TFrmConfigLevelSensor levelSensor;
        TFormPicture picture;
        TFormMain &form = p.Start();
        FrmConfigLevelSensor = &levelSensor;
        FormWorkingPressure = &workingPressure;
        FormAutocalibrationInit = &startDialog;
        FormPicture = &picture;
        WireConfigurationPagesToWindows(form);
        auto *autoCal = form.findChild<TAutoCalibrationPage *>(QStringLiteral("AutoCalibrationPage"));
        ASSERT_NE(autoCal, nullptr);
        autoCal->MeasurePollMs = 20;
        ASSERT_EQ(Logic->UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean(), adaptation);
        p.Tick();
        p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
        if (capacity)
            qobject_cast<QLineEdit *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("YEdConfCubicCap")))
                ->setText(QString::fromLatin1(capacity));
        p.Rig.Boxes.clear();
        p.ClearLog();
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            if (startDialog.isVisible())
                startDialog.BtnYes->click();
            else if (workingPressure.isVisible())
                workingPressure.BtnWPContinue->click();
        });
        user.start(20);
        qobject_cast<QPushButton *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("BtnConfAutoStart")))->click();
        user.stop();

        const auto adapter = p.AdapterRequests();
        const auto write = std::find_if(adapter.begin(), adapter.end(), [](const sim::Bytes &b) { return b[1] == 0x72; });
        const auto reset = std::find(adapter.begin(), adapter.end(), sim::SimAdapter::Request(0x8C, {0x03}));
        if (adaptation) {
            ASSERT_NE(write, adapter.end());
            EXPECT_EQ((*write)[3], 0x08); // adaptation bit cleared, the others kept
            ASSERT_NE(reset, adapter.end());
            EXPECT_LT(write, reset);
            p.Box([](sim::SimAdapterState &s) { EXPECT_EQ(s.Obd.Banks[0], sim::Bytes(100, 0)); });
            EXPECT_FALSE(Logic->UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean());
            EXPECT_FALSE(Logic->UIState()->Modified());
        } else {
            EXPECT_EQ(write, adapter.end());
            EXPECT_EQ(reset, adapter.end());
            p.Box([](sim::SimAdapterState &s) { EXPECT_EQ(s.Obd.Banks[0], sim::Bytes(100, 5)); });
        }
        // The run started all the same, and its start's change record went
        // out once, after the start's last setting (the idle time) and
        // before the run; a start whose wizard settings were refused sends
        // none, and says so.
        EXPECT_TRUE(logic.IsBusy());
        std::vector<sim::Bytes> controller;
        for (const sim::Bytes &f : p.Device.Server.log().bytes())
            if (f[0] == 0xC0)
                controller.push_back(f);
        const auto isRecord = [](const sim::Bytes &f) { return f[1] == 0x55; };
        const QString range = LM->Translate(QStringLiteral("strConfValueRange"));
        EXPECT_EQ(p.Rig.BoxTexts().filter(range).size(), capacity ? 1 : 0) << p.Rig.BoxTexts().join('|').toStdString();
        EXPECT_TRUE(DataManager->GetConnected());
        EXPECT_EQ(std::count_if(controller.begin(), controller.end(), isRecord), capacity ? 0 : 1);
        const auto record = std::find_if(controller.begin(), controller.end(), isRecord);
        const auto idle = std::find_if(controller.rbegin(), controller.rend(),
                                       [](const sim::Bytes &f) { return f[1] == 0x52 && f[2] == 8; });
        ASSERT_NE(idle, controller.rend());
        if (!capacity) {
            EXPECT_GT(record - controller.begin(), controller.rend() - idle - 1);
            EXPECT_LT(record, std::find(controller.begin(), controller.end(), sim::Bytes{0xC0, 0x20, 3, 0xE3}));
        }
        p.Rig.Form.reset();
        FrmConfigLevelSensor = nullptr;
        FormWorkingPressure = nullptr;
        FormAutocalibrationInit = nullptr;
        FormPicture = nullptr;
    }
}
