// The upgradable variants and their selection, the upgrade logic's port and
// adapter switch, and the upgrade window's named components.
#include "common/GiveUp.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/FormUpgrader.h"
#include "upgrade/UpgraderLogic.h"

#include "core/ComMultiPort.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
QList<int> enabledNumbers(const TBootloaderConfig &config)
{
    QList<int> numbers;
    for (TBootloaderParams *params : config.EnabledProducts())
        numbers << params->GetProductNumber();
    return numbers;
}

struct UpgradeGlobals {
    TBootloaderConfig config;
    TBootloader40Manager manager;
    TUpgraderLogic logic;
    UpgradeGlobals()
    {
        BootloaderConfig = &config;
        Bootloader40Manager = &manager;
        UpgraderLogic = &logic;
    }
};
} // namespace

TEST(BootloaderConfig, FourVariantsWithTheirFileLayouts)
{
    TBootloaderConfig config;
    ASSERT_EQ(config.GetProductCount(), 4);
    EXPECT_EQ(enabledNumbers(config), (QList<int>{3, 5, 40, 98}));
    ASSERT_NE(config.Current(), nullptr);
    EXPECT_EQ(config.Current()->GetProductName(), "Q3");
    const QList<TBootloaderParams *> all = config.EnabledProducts();
    EXPECT_EQ(all[1]->GetExtension(), "up3");
    EXPECT_EQ(all[2]->GetCommandHeader(), 0xC2);
    EXPECT_TRUE(all[3]->GetUseCrc16());
    // Field 2 lies 9 bytes after field 1; trailers of 38, 40, 40 and 31 bytes.
    const int totals[] = {38, 40, 40, 31};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(all[i]->GetField2Offset(), all[i]->GetField1Offset() + 9);
        EXPECT_EQ(all[i]->GetMarkerLength() + all[i]->GetTrailerLength(), totals[i]);
    }
}

TEST(BootloaderConfig, SelectionByWhatTheBootloaderReports)
{
    TBootloaderConfig config;
    int changes = 0;
    config.OnProductChange = [&changes](TBootloaderConfig *) { ++changes; };
    config.SelectProduct(5);
    EXPECT_EQ(config.Current()->GetProductNumber(), 5);
    EXPECT_EQ(changes, 1);
    // Types without a variant keep the previous one.
    for (int type : {4, 10, 20, 30}) {
        config.UpdateParamsToHardware(type, 4, 0);
        EXPECT_EQ(config.Current()->GetProductNumber(), 5) << type;
    }
    config.UpdateParamsToHardware(0, 3, 1); // infers product 10: none
    EXPECT_EQ(config.Current()->GetProductNumber(), 5);
    config.UpdateParamsToHardware(0, 4, 0);
    EXPECT_EQ(config.Current()->GetProductNumber(), 3);
    try {
        config.UpdateParamsToHardware(0, 5, 2);
        FAIL() << "no exception";
    } catch (const EBootloaderConfigError &e) {
        EXPECT_STREQ(e.what(), "Unable to select parameters for bootloader [5.2]");
    }
    EXPECT_EQ(config.Current()->GetProductNumber(), 3);
    for (int type : {2, 99}) {
        try {
            config.UpdateParamsToHardware(type, 4, 0);
            FAIL() << "no exception";
        } catch (const EBootloaderConfigError &e) {
            EXPECT_EQ(QString::fromUtf8(e.what()),
                      QString("Unhandled product number in UpdateParamsToHardware [%1]").arg(type));
        }
    }
}

TEST(BootloaderConfig, EnablingAndDisabling)
{
    TBootloaderConfig config;
    config.DisableProduct(40);
    config.DisableProduct(98);
    config.SelectProduct(5);
    config.SelectProduct(40); // disabled: nothing found
    EXPECT_EQ(config.Current(), nullptr);
    config.UpdateParamsToHardware(40, 0, 0); // keeps the previous one
    EXPECT_EQ(config.Current(), nullptr);
    config.SelectProduct(5);
    config.UpdateParamsToHardware(40, 0, 0);
    EXPECT_EQ(config.Current()->GetProductNumber(), 5);

    config.EnableProduct(40, 0);
    config.EnableProduct(98, 0);
    EXPECT_EQ(enabledNumbers(config), (QList<int>{98, 40, 3, 5}));
    config.EnableProduct(3, 1);
    EXPECT_EQ(enabledNumbers(config), (QList<int>{98, 40, 5, 3}));

    // Disabling the current variant makes the first remaining one current.
    config.DisableProduct(5);
    EXPECT_EQ(config.Current()->GetProductNumber(), 98);
    config.DisableProduct(40);
    config.DisableProduct(3);
    EXPECT_THROW(config.DisableProduct(98), EBootloaderConfigError);
}

TEST(UpgraderLogic, HandsThePortOnAndSwitchesTheAdapterVariants)
{
    UpgradeGlobals globals;
    TComMultiPort port;
    globals.logic.SetConnection(&port, nullptr);
    EXPECT_EQ(globals.logic.Port(), &port);
    EXPECT_EQ(globals.manager.Port(), &port);

    globals.logic.SetAdapterDetection(false);
    EXPECT_FALSE(globals.logic.AdapterDetection());
    EXPECT_EQ(enabledNumbers(globals.config), (QList<int>{3, 5}));
    globals.logic.SetAdapterDetection(true);
    EXPECT_TRUE(globals.logic.AdapterDetection());
    EXPECT_EQ(enabledNumbers(globals.config), (QList<int>{98, 40, 3, 5}));
    EXPECT_EQ(globals.config.Current()->GetProductNumber(), 98);

    globals.logic.ClearVersionInfo();
    EXPECT_EQ(globals.logic.VersionText(), "-");
    EXPECT_TRUE(globals.logic.DeviceDescription().isEmpty());

    // No bootloader is contacted: nothing found, nothing kept.
    EXPECT_FALSE(globals.manager.ConnectBootloader());
    EXPECT_EQ(globals.manager.BootInfo().DeviceTypeCode, 0);
    EXPECT_FALSE(globals.manager.IsAdapterType());
    BootloaderConfig = nullptr;
    Bootloader40Manager = nullptr;
    UpgraderLogic = nullptr;
}

TEST(FormUpgrader, NamedComponentsAndTheConnectCallback)
{
    TFormUpgrader window;
    for (const char *name : {"BtnLoadData", "LblFileName", "EdtFileNameName", "PnlInfo", "BtBConnect",
                             "PnlBootloader", "LblBootloaderVer", "PnlFirmware", "LblFirmwareVer",
                             "PnlDescription", "EdtDescDevice", "EdtDescFile", "PnlUpdate", "BtnUpdate",
                             "LblProgress", "PrBProgram", "PnlTime", "LblTime", "BtnClose", "LblComm",
                             "CmBCommNo", "BtnOpen"})
        EXPECT_NE(window.findChild<QWidget *>(name), nullptr) << name;
    EXPECT_EQ(window.findChild<QLineEdit *>("EdtFileNameName")->text(), "---");
    EXPECT_FALSE(window.findChild<QPushButton *>("BtnUpdate")->isEnabled());
    EXPECT_TRUE(window.findChild<QPushButton *>("BtnOpen")->isHidden());

    int connects = 0;
    window.OnConnect = [&connects] { ++connects; };
    window.findChild<QPushButton *>("BtBConnect")->click();
    window.BtBConnectClick();
    EXPECT_EQ(connects, 2);
    window.CheckConnection();
    EXPECT_FALSE(window.Connected());
}

TEST(FormUpgrader, APauseWhoseEventsOutlastItEnds)
{
    // A pause runs the window's events; one of them (a box, a dialog) may
    // take longer than the pause itself. Run on a thread of its own so that
    // a pause that never ends fails here by name.
    TFormUpgrader window;
    const std::function<void(int)> pause = window.Wait;
    std::unique_ptr<QThread> thread(QThread::create([pause] {
        QTimer::singleShot(0, [] { QThread::msleep(30); });
        pause(5);
    }));
    thread->start();
    const bool ended = thread->wait(QDeadlineTimer(testsupport::GiveUpMs));
    EXPECT_TRUE(ended);
    if (!ended) {
        thread->terminate();
        thread->wait();
    }
}
