// The window's pages, menus, keys and lists for every device kind and
// version step the simulator presents, and the re-read after a connection.
#include "common/Screenshots.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"

#include <QComboBox>
#include <QKeySequence>

#include <gtest/gtest.h>

using namespace shellwiring;
using startup::SimDevice;
using startup::StartupRig;

namespace {

// Identity-page-3 reads: only the full identity read of the adaptation asks
// for page 3 (the served-program check of every tick reads page 0).
size_t page3Reads(const SimDevice &device)
{
    size_t n = 0;
    for (const auto &f : device.Server.log().frames())
        if (f.bytes.size() >= 3 && f.bytes[0] == 0xC0 && f.bytes[1] == 0x53 && f.bytes[2] == 3)
            ++n;
    return n;
}

struct Expect {
    uint8_t kind;
    char version;
};

} // namespace

TEST(FormMainAdapt, EveryKindAndVersionShowsItsOwnPagesMenusAndLists)
{
    const QStringList mainQ = {"TbSMeasure", "TbSConfig", "TbSCalibration", "TbSSchema", "TbSDiagnostic", "TbSAdapter"};
    const QStringList main48 = {"TbSMeasure", "TbSMultiConfiguration", "TbSMultiCalibration", "TbSSchema",
                                "TbSDiagnostic", "TbSAdapter"};
    const Expect steps[] = {{0, 0},     {20, 'E'}, {20, 'G'}, {20, 'I'}, {21, 'E'},
                            {21, 'G'},  {21, 'I'}, {48, 'E'}, {48, 'G'}, {48, 'I'}};
    for (const Expect &step : steps) {
        SCOPED_TRACE(testing::Message() << "kind " << int(step.kind) << " version " << step.version);
        StartupRig rig(5);
        std::unique_ptr<SimDevice> device;
        if (step.kind != 0) {
            device = std::make_unique<SimDevice>(rig.PortsDir, 5, step.kind, step.version);
            device->Controller.State.Pages[3] = step.kind == 48 ? 1 : 0;
        }
        rig.Wire = Wire;
        TFormMain &form = rig.Create(step.kind ? QStringList() : QStringList{QStringLiteral("-OFFLINE")});
        const bool kq = step.kind == 20 || step.kind == 21;
        const bool k48 = step.kind == 48 || step.kind == 0;
        const auto atLeast = [&](char letter) { return step.kind == 48 && step.version >= letter; };

        if (device) {
            ASSERT_EQ(DeviceRecord.DeviceKind, step.kind);
            // The first tick after the connection adapts the window and reads
            // the identity pages once; later ticks do not.
            const size_t before = page3Reads(*device);
            rig.Tick();
            EXPECT_EQ(page3Reads(*device), before + 1);
            rig.Now += 1000;
            rig.Tick();
            rig.Tick();
            EXPECT_EQ(page3Reads(*device), before + 1);
        } else {
            form.AdaptToDeviceVersion();
        }

        EXPECT_EQ(VisibleTabs(form, "PgCMain"), kq ? mainQ : main48);
        EXPECT_EQ(VisibleTabs(form, "PgCCalibration"),
                  kq ? QStringList({"TbSCalAuto", "TbSCalModel", "TbSCalMap"})
                     : QStringList({"TbSCalModel2", "TbSCalMap"}));
        // Menu items and function keys follow the generation.
        EXPECT_EQ(Get<QAction>(form, "MnIWindowConfig")->isVisible(), kq);
        EXPECT_EQ(Get<QAction>(form, "MnIWindowMultiConfiguration")->isVisible(), k48);
        EXPECT_EQ(Get<QAction>(form, "MnIWindowCalModel")->isVisible(), kq);
        EXPECT_EQ(Get<QAction>(form, "MnIWindowMultiCalibrationModel")->isVisible(), k48);
        EXPECT_FALSE(Get<QAction>(form, "MnIWindowCalCorrections")->isVisible());
        // The kind-48 corrections item follows its page as its siblings do.
        for (const char *item : {"MnIWindowMultiCalibrationMap", "MnIWindowMultiCalibrationCorrections"}) {
            EXPECT_EQ(Get<QAction>(form, item)->isVisible(), k48) << item;
            EXPECT_EQ(Get<QAction>(form, item)->isEnabled(), k48) << item;
        }
        EXPECT_FALSE(Get<QAction>(form, "MnIWindowQuickStart")->isVisible());
        EXPECT_TRUE(Get<QAction>(form, "MnIWindowSchema")->isVisible());
        if (step.kind != 0) {
            EXPECT_EQ(Get<QAction>(form, "MnIWindowConfig")->shortcut(), kq ? QKeySequence(Qt::Key_F3) : QKeySequence());
            EXPECT_EQ(Get<QAction>(form, "MnIWindowMultiConfiguration")->shortcut(),
                      kq ? QKeySequence() : QKeySequence(Qt::Key_F3));
            EXPECT_EQ(Get<QAction>(form, "MnIWindowMultiCalibrationMap")->shortcut(),
                      kq ? QKeySequence() : QKeySequence(Qt::Key_F10));
        }
        EXPECT_EQ(Get<QAction>(form, "MnIChangeFuelPetrolSeq")->isVisible(), atLeast('D'));
        // Version-gated controls.
        EXPECT_EQ(!Get(form, "ChBKnfRPMNotConnected")->isHidden(), step.kind == 21);
        EXPECT_EQ(Get(form, "ChBModel2UseOnIdleModel")->isEnabled(), atLeast('C'));
        EXPECT_TRUE(Get<QAbstractButton>(form, "ChBModel2UseOnIdleModel")->isChecked() || atLeast('C'));
        EXPECT_EQ(Get(form, "ChBOBDModifyModelEnabled")->isEnabled(), atLeast('H'));
        EXPECT_EQ(Get(form, "ChBLoadFromPcol")->isEnabled(), atLeast('I'));
        EXPECT_EQ(!Get(form, "BtnCalMapLoadFromFile")->isHidden(), atLeast('F'));
        // The emulator controls follow identity page 3.
        if (step.kind != 0) {
            EXPECT_EQ(Get(form, "BtnDngEmulatorAllGas")->isEnabled(), step.kind == 48);
        }
        // RPM-range lists: 15 items from version G of kind 48, in both windows.
        const int ranges = atLeast('G') ? 15 : 8;
        auto *list = Get<QComboBox>(form, "CmBCalMapRPMRange");
        ASSERT_EQ(list->count(), ranges);
        EXPECT_EQ(list->itemText(7), "~5000 (4750-5250)");
        if (ranges == 15) {
            EXPECT_EQ(list->itemText(14), "R4500 (4250-5250)");
        }

        // The kind-48 windows exist, docked, whatever the kind; a second run
        // changes nothing and creates no second window.
        ASSERT_NE(FrmMultiCalibrationTaronQV, nullptr);
        ASSERT_NE(FrmMultiConfigurationTaronQV, nullptr);
        TFrmMultiCalibrationTaronQV *calibration = FrmMultiCalibrationTaronQV;
        EXPECT_EQ(calibration->PnlMultiCalibration->parentWidget(), Get(form, "PnlMultiCalibration"));
        EXPECT_EQ(FrmMultiConfigurationTaronQV->PnlMultiConfiguration->parentWidget(),
                  Get(form, "PnlMultiConfiguration"));
        EXPECT_EQ(calibration->CmBCalMapRPMRange->count(), ranges);
        EXPECT_EQ(!calibration->PnlCalCorrPcol->isHidden(), atLeast('G'));
        const QStringList tabs = VisibleTabs(form, "PgCMain");
        form.AdaptToDeviceVersion();
        EXPECT_EQ(FrmMultiCalibrationTaronQV, calibration);
        EXPECT_TRUE(Get(form, "PnlOdcGasInjCorr")->isHidden());
        EXPECT_EQ(VisibleTabs(form, "PgCMain"), tabs);
        EXPECT_EQ(calibration->CmBCalMapRPMRange->count(), ranges);

        if (step.version == 'E' && (step.kind == 20 || step.kind == 48)) {
            form.SetScreenSizeForCheck(QSize(1280, 1024));
            form.show();
            form.resize(1024, 700);
            StartupRig::Run(50);
            form.grab().save(testsupport::ScreenshotPath(QStringLiteral("taron_window_kind%1.png").arg(step.kind)));
        }
        rig.Form.reset();
        EXPECT_EQ(FrmMultiCalibrationTaronQV, nullptr); // gone with the window
    }
}

TEST(FormMainAdapt, ActivePagesGiveWayToThoseTheDeviceHas)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5, 20, 'E');
    rig.Wire = Wire;
    TFormMain &form = rig.Create();
    auto *pages = Get<QTabWidget>(form, "PgCMain");
    pages->setCurrentWidget(Get(form, "TbSConfigurator"));
    form.AdaptToDeviceVersion();
    EXPECT_EQ(Current(form, "PgCMain"), "TbSConfig");
    pages->setCurrentWidget(Get(form, "TbSQuickStart"));
    form.AdaptToDeviceVersion();
    EXPECT_EQ(Current(form, "PgCMain"), "TbSMeasure");
    EXPECT_TRUE(rig.Boxes.empty());
}
