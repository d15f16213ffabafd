// The level-sensor dialog against the simulated controller: what it reads when
// shown, and the frames its save and factory buttons send.
#include "windows/FrmConfigLevelSensor.h"

#include "sim/SimControllerFixture.h"

#include <QComboBox>
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
