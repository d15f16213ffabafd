// The connection-status dialog: one button per port, four to a row, the port
// in use marked, the error panel without ports, and the not-detected states.
#include "windows/FormConnectStatus.h"
#include "windows/WindowsTestSupport.h"

#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "core/AppConfig.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include <gtest/gtest.h>

TEST(ConnectStatus, OneButtonPerPortFourToARow)
{
    TempPortsFolder folder({1, 2, 3, 4, 5, 6, 7, 8, 9});
    RecordGuard record;
    DeviceRecord.DeviceKind = 0;
    TFormConnectStatus dialog;
    dialog.Refresh();
    const QList<QPushButton *> buttons = dialog.PortButtons();
    ASSERT_EQ(buttons.size(), 9);
    EXPECT_EQ(buttons[0]->text(), "COM1");
    EXPECT_EQ(buttons[8]->text(), "COM9");
    EXPECT_EQ(buttons[8]->property("Tag").toInt(), 9);
    EXPECT_EQ(buttons[8]->toolTip(), "/dev/ttyTEST9");
    // Three rows: 4, 4 and 1.
    EXPECT_EQ(buttons[0]->y(), buttons[3]->y());
    EXPECT_LT(buttons[3]->y(), buttons[4]->y());
    EXPECT_EQ(buttons[4]->y(), buttons[7]->y());
    EXPECT_LT(buttons[7]->y(), buttons[8]->y());
    EXPECT_EQ(buttons[8]->x(), 0);
    EXPECT_EQ(dialog.PnlComPorts->height(), 3 * buttons[0]->height());
    EXPECT_TRUE(dialog.PnlComError->isHidden());

    // Nothing attached: device not detected, no adapter panel.
    EXPECT_EQ(dialog.SelImDevice->ImageIndex(), 3);
    EXPECT_TRUE(dialog.PnlDevActions->isHidden());
    EXPECT_TRUE(dialog.PnlConnAdapter->isHidden());
    EXPECT_EQ(dialog.SelImAdaptState->ImageIndex(), 3);

    // A bootloader of an adapter box shows in the adapter panel with Reset on.
    dialog.BootloaderReached = [](int &major, int &minor, int &type) {
        major = 4, minor = 2, type = 98;
        return true;
    };
    dialog.Refresh();
    EXPECT_FALSE(dialog.PnlConnAdapter->isHidden());
    EXPECT_EQ(dialog.SelImAdapter->ImageIndex(), 5);
    EXPECT_TRUE(dialog.BtnAdapterReset->isEnabled());
    EXPECT_TRUE(dialog.LblAdaptVer->text().endsWith(": 4.2"));
    EXPECT_EQ(dialog.SelImDevice->ImageIndex(), 3);
}

TEST(ConnectStatus, PortInUseIsMarkedAndNoPortsShowTheErrorPanel)
{
    TempPortsFolder folder({2, 5});
    TAppConfig config;
    AppConfig = &config;
    config.SetComDevice(5, false);
    TFormConnectStatus dialog;
    dialog.RefreshComPorts();
    ASSERT_EQ(dialog.PortButtons().size(), 2);
    EXPECT_TRUE(dialog.PortButtons()[1]->font().bold());
    EXPECT_FALSE(dialog.PortButtons()[0]->font().bold());
    // Not connected: red.
    EXPECT_EQ(dialog.PortButtons()[1]->palette().color(QPalette::ButtonText), QColor(0xFF, 0, 0));
    EXPECT_FALSE(dialog.LblComHint->isHidden());
    EXPECT_EQ(dialog.LblComHint->text(), "/dev/ttyTEST5");
    AppConfig = nullptr;

    dialog.SetPortButtonCount(0);
    EXPECT_TRUE(dialog.PortButtons().isEmpty());
    EXPECT_FALSE(dialog.PnlComError->isHidden());
    EXPECT_TRUE(dialog.ScBComPorts->isHidden());

    // An update button is bold red exactly when the question says so.
    dialog.MarkUpdateButton(dialog.BtnDevUpdate, true);
    EXPECT_TRUE(dialog.BtnDevUpdate->font().bold());
    dialog.MarkUpdateButton(dialog.BtnDevUpdate, false);
    EXPECT_FALSE(dialog.BtnDevUpdate->font().bold());
}
