// The level-sensor dialog against the simulated controller: what it reads when
// shown, and the frames its save and factory buttons send.
#include "windows/FrmConfigLevelSensor.h"

#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "sim/SimControllerFixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

using namespace sim;

TEST(LevelSensorDialog, ReadsThresholdsAndWritesTheStoredTypesSet)
{
    SimControllerRig rig(48, 'G');
    rig.Device([](SimControllerState &s) {
        s.Param8[22] = 1; // red LED
        s.Payload[0x35] = {200, 143, 92, 40};
        s.Payload[0x36] = {21, 47, 61, 72};
    });
    ASSERT_TRUE(rig.Connect());
    DeviceRecord.ReserveType = 3;

    TFrmConfigLevelSensor dialog;
    dialog.FormShow();
    dialog.TimerLevelSensor->stop();
    EXPECT_EQ(rig.Requests(), (std::vector<Bytes>{Request({0x07, 22}), Request({0x35, 0x00}),
                                                  Request({0x36, 0x00})}));
    EXPECT_EQ(dialog.CmBKnfLSColorLedState->currentIndex(), 1);
    EXPECT_TRUE(dialog.BtnKnfLSSave->isEnabled());
    EXPECT_FALSE(dialog.PnlFormFrmConfigLevelSensorTresholds->isHidden());
    // Type 3 shows the second set.
    EXPECT_EQ(dialog.TrBKnfLSThreshold_2[0]->value(), 21);
    EXPECT_EQ(dialog.TrBKnfLSThreshold_2[3]->value(), 72);
    EXPECT_EQ(dialog.LblKnfLSThreshold_2[3]->text(), "1.41 V");

    // Save: the LED colour as parameter 22, then the bars as set B.
    rig.Server.log().clear();
    dialog.CmBKnfLSColorLedState->setCurrentIndex(0);
    dialog.TrBKnfLSThreshold_2[1]->setValue(50);
    dialog.SetModified(true);
    EXPECT_TRUE(dialog.Modified());
    EXPECT_TRUE(dialog.BtnKnfLSSaveClick(false));
    EXPECT_EQ(rig.Requests(), (std::vector<Bytes>{Request({0x08, 22, 0}), Request({0x38, 21, 50, 61, 72, 0})}));
    EXPECT_FALSE(dialog.Modified());
    EXPECT_EQ(DeviceRecord.Level0901, 50);

    // Factory on a variant-19 device: red LED and the type's factory thresholds.
    rig.Server.log().clear();
    DeviceRecord.IdentityPage4 = 19;
    DeviceRecord.ReserveType = 1;
    EXPECT_TRUE(dialog.BtnKnfLSDefaultClick());
    EXPECT_EQ(rig.Requests(), (std::vector<Bytes>{Request({0x08, 22, 1}), Request({0x37, 200, 143, 92, 40, 0})}));
    EXPECT_EQ(dialog.TrBKnfLSThreshold_2[0]->value(), 200);
}

TEST(LevelSensorDialog, NoSensorTypeWritesOnlyTheLedColour)
{
    SimControllerRig rig(48, 'G');
    ASSERT_TRUE(rig.Connect());
    DeviceRecord.ReserveType = 0;
    TFrmConfigLevelSensor dialog;
    dialog.FormShow();
    dialog.TimerLevelSensor->stop();
    EXPECT_TRUE(dialog.PnlFormFrmConfigLevelSensorTresholds->isHidden());
    rig.Server.log().clear();
    EXPECT_TRUE(dialog.BtnKnfLSDefaultClick());
    EXPECT_EQ(rig.Requests(), (std::vector<Bytes>{Request({0x08, 22, 0})}));

    // A silent device: the write is refused and the mark stays.
    dialog.SetModified(true);
    rig.Server.injectFault(Fault::noAnswer(), 4);
    EXPECT_FALSE(dialog.BtnKnfLSSaveClick(false));
    EXPECT_TRUE(dialog.Modified());
}

// Escape closes like the Cancel button: an unsaved change asks first (Cancel
// keeps the dialog), and the live-value timer stops with the dialog.
TEST(LevelSensorDialog, EscapeAsksForUnsavedChangesAndStopsTheTimer)
{
    SimControllerRig rig(48, 'G');
    ASSERT_TRUE(rig.Connect());
    DeviceRecord.ReserveType = 1;
    TCommon common;
    Common = &common;
    QList<int> answers = {mrCancel, mrNo};
    int asked = 0;
    TCommon::SetAnswerProvider([&](const TMessageBoxInfo &) {
        ++asked;
        return answers.isEmpty() ? int(mrNo) : answers.takeFirst();
    });
    {
        TFrmConfigLevelSensor dialog;
        dialog.show();
        ASSERT_TRUE(dialog.TimerLevelSensor->isActive());
        dialog.TrBKnfLSThreshold_2[2]->setValue(120);
        dialog.SetModified(true);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &esc);
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.TimerLevelSensor->isActive());
        QCoreApplication::sendEvent(&dialog, &esc);
        EXPECT_EQ(asked, 2);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.TimerLevelSensor->isActive());
        // The Cancel button asks once as well.
        dialog.show();
        dialog.SetModified(true);
        dialog.BtnKnfLSCancel->click();
        EXPECT_EQ(asked, 3);
        EXPECT_FALSE(dialog.isVisible());
    }
    TCommon::SetAnswerProvider({});
    Common = nullptr;
}

// A save or factory write the device does not take completely says so, and
// the dialog stays marked (also when the close question's Yes failed).
TEST(LevelSensorDialog, AFailedWriteIsShownAndKeepsTheMark)
{
    SimControllerRig rig(48, 'G');
    ASSERT_TRUE(rig.Connect());
    DeviceRecord.ReserveType = 1;
    TCommon common;
    Common = &common;
    QStringList warnings;
    TCommon::SetAnswerProvider([&](const TMessageBoxInfo &box) {
        if (box.Buttons.contains(int(mrYes)))
            return int(mrYes);
        warnings << box.Text;
        return int(mrOk);
    });
    {
        TFrmConfigLevelSensor dialog;
        dialog.show();
        dialog.TimerLevelSensor->stop();
        // The LED colour goes through, the thresholds do not.
        rig.Server.injectFaultWhen([](const Bytes &frame) { return frame.size() > 2 && frame[1] == 0x37; },
                                   Fault::noAnswer(), 3);
        EXPECT_FALSE(dialog.BtnKnfLSDefaultClick());
        ASSERT_EQ(warnings.size(), 1);
        EXPECT_TRUE(dialog.Modified());
        // Closing with Yes tries again; the failure keeps the dialog open.
        rig.Server.clearFaults();
        ASSERT_TRUE(rig.Connect());
        DeviceRecord.ReserveType = 1;
        rig.Server.injectFault(Fault::noAnswer(), 3);
        dialog.close();
        EXPECT_EQ(warnings.size(), 2);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.Modified());
        // Once the device answers the save completes and the dialog closes.
        rig.Server.clearFaults();
        ASSERT_TRUE(rig.Connect());
        DeviceRecord.ReserveType = 1;
        dialog.close();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.Modified());
        EXPECT_EQ(warnings.size(), 2);
    }
    TCommon::SetAnswerProvider({});
    Common = nullptr;
}

// A stored threshold the bars cannot show (0; the bars start at 1) goes back
// as read while its bar is not moved.
TEST(LevelSensorDialog, AThresholdTheBarsCannotShowSurvivesASave)
{
    SimControllerRig rig(48, 'G');
    rig.Device([](SimControllerState &s) { s.Payload[0x35] = {0, 143, 92, 0}; });
    ASSERT_TRUE(rig.Connect());
    DeviceRecord.ReserveType = 2;
    TFrmConfigLevelSensor dialog;
    dialog.FormShow();
    dialog.TimerLevelSensor->stop();
    EXPECT_EQ(dialog.TrBKnfLSThreshold_2[0]->value(), 1);
    rig.Server.log().clear();
    dialog.CmBKnfLSColorLedState->setCurrentIndex(1);
    EXPECT_TRUE(dialog.BtnKnfLSSaveClick(false));
    EXPECT_EQ(rig.Requests(), (std::vector<Bytes>{Request({0x08, 22, 1}), Request({0x37, 0, 143, 92, 0, 0})}));
    // A moved bar sends its own value.
    rig.Server.log().clear();
    dialog.TrBKnfLSThreshold_2[3]->setValue(30);
    EXPECT_TRUE(dialog.BtnKnfLSSaveClick(false));
    EXPECT_EQ(rig.Requests(), (std::vector<Bytes>{Request({0x08, 22, 1}), Request({0x37, 0, 143, 92, 30, 0})}));
}
