// The connection-status dialog: one button per port, four to a row, the port
// in use marked, the error panel without ports, and the not-detected states.
#include "windows/FormConnectStatus.h"
#include "windows/NamedWidget.h"
#include "upgrade/UpgradeWiring.h"
#include "windows/WindowsTestSupport.h"

#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "core/AppConfig.h"
#include "sim/SimControllerFixture.h"
#include "mainwindow/StartupRig.h"

#include <QAction>
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

    // With no controller identified the box's information is read afresh
    // first: a box it finds unusable is not shown connected.
    bool boxUsable = true;
    int boxReads = 0;
    dialog.AdapterEnabled = [&] { return boxUsable; };
    dialog.CheckAdapterInfo = [&] { ++boxReads, boxUsable = false; };
    dialog.Refresh();
    EXPECT_EQ(boxReads, 1);
    EXPECT_TRUE(dialog.PnlConnAdapter->isHidden());
    EXPECT_EQ(dialog.SelImAdapter->ImageIndex(), 6);
    dialog.AdapterEnabled = [] { return false; };

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

TEST(ConnectStatus, ConnectedDeviceShowsItsVersionLine)
{
    TempPortsFolder folder({1});
    RecordGuard record;
    DeviceRecord.DeviceKind = 48;
    DeviceRecord.Ver = "H";
    DeviceRecord.CompDate = "Jan 02 2026";
    DeviceRecord.CompTime = "10:20:30";
    TFormConnectStatus dialog;
    bool asked = false;
    dialog.IsDeviceUpgradePossible = [&asked] { asked = true; return true; };
    dialog.Refresh();
    EXPECT_TRUE(asked);
    EXPECT_EQ(dialog.SelImDevice->ImageIndex(), 1);
    EXPECT_FALSE(dialog.PnlDevActions->isHidden());
    EXPECT_FALSE(dialog.BtnDevReset->isEnabled());
    EXPECT_TRUE(dialog.BtnDevUpdate->font().bold());
    EXPECT_TRUE(dialog.LblDevVer->text().endsWith(": H (Jan 02 2026 10:20:30)")) << dialog.LblDevVer->text().toStdString();
    // No detector has identified it as this program's: warning and error icons.
    EXPECT_EQ(dialog.SelImDevState->ImageIndex(), 2);
    EXPECT_EQ(dialog.SelImDevVer->ImageIndex(), 3);
}

TEST(ConnectStatus, SelectingThePortReconnectsTheDevice)
{
    sim::SimControllerRig rig(48, 'G');
    TAppConfig config;
    AppConfig = &config;
    config.SetComDevice(sim::SimControllerRig::kComPort, false);
    TFormConnectStatus dialog;
    dialog.SelectComPort(0); // outside 1..255: nothing
    dialog.SelectComPort(256);
    EXPECT_TRUE(rig.Requests().empty());
    EXPECT_EQ(DeviceRecord.DeviceKind, 0);

    dialog.SelectComPort(sim::SimControllerRig::kComPort);
    ASSERT_FALSE(rig.Requests().empty());
    EXPECT_EQ(rig.Requests().front(), (sim::Bytes{0xC0, 0x01, 0x01, 0xC2})); // identification first
    EXPECT_TRUE(rig.Manager.GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 48);
    EXPECT_EQ(dialog.SelImDevice->ImageIndex(), 1);
    EXPECT_EQ(dialog.LblDevState->text(), "!_strTextConnected");
    // The device type text goes before the version letter, as the status bar shows it.
    EXPECT_TRUE(dialog.LblDevVer->text().startsWith("!_strTextVersion: 3.0 G (")) << dialog.LblDevVer->text().toStdString();
    // The port in use answers: its button is green.
    ASSERT_EQ(dialog.PortButtons().size(), 1);
    EXPECT_EQ(dialog.PortButtons()[0]->palette().color(QPalette::ButtonText), QColor(0, 0x80, 0));
    AppConfig = nullptr;
}

namespace {
// Opens port n as another program would; empty when it opened, else why not.
QString openElsewhere(int n)
{
    TComMultiPort other;
    ApplyProgramPortSettings(other);
    other.SetComDevice(n);
    try {
        other.Open();
    } catch (const EComPortError &e) {
        return QString::fromUtf8(e.what());
    }
    other.Close();
    return QString();
}
} // namespace

TEST(ConnectStatus, SwitchingThePortMovesTheLockAndShowsWhyAPortWillNotOpen)
{
    startup::StartupRig rig(5);
    startup::SimDevice first(rig.PortsDir, 5, 48, 'I');
    startup::SimDevice second(rig.PortsDir, 6, 21, 'E');
    startup::SimDevice third(rig.PortsDir, 7, 48, 'I');
    QFile::link(QStringLiteral("/dev/ttyNOSUCHDEVICE"), rig.PortsDir + QStringLiteral("/COM9"));
    TFormConnectStatus dialog;
    // The settings take the program's port, as the main window's creation does.
    AppConfig->Initialize(ComMultiPort);

    dialog.SelectComPort(5);
    ASSERT_TRUE(DataManager->GetConnected());
    EXPECT_FALSE(openElsewhere(5).isEmpty()) << "the program holds its port";
    EXPECT_TRUE(dialog.LblPortError->isHidden());

    dialog.SelectComPort(6);
    EXPECT_TRUE(DataManager->GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 21);
    EXPECT_EQ(AppConfig->GetComDevice(), 6);
    EXPECT_TRUE(openElsewhere(5).isEmpty()) << "the old port's lock is released";
    EXPECT_FALSE(openElsewhere(6).isEmpty()) << "the new port is locked";
    // The port in use is marked among the buttons.
    ASSERT_EQ(dialog.PortButtons().size(), 4);
    EXPECT_TRUE(dialog.PortButtons()[1]->font().bold());
    EXPECT_FALSE(dialog.PortButtons()[0]->font().bold());

    // A port another program holds: the system's reason in plain view.
    TComMultiPort holder;
    ApplyProgramPortSettings(holder);
    holder.SetComDevice(7);
    holder.Open();
    dialog.SelectComPort(7);
    EXPECT_FALSE(DataManager->GetConnected());
    EXPECT_FALSE(dialog.LblPortError->isHidden());
    EXPECT_TRUE(dialog.LblPortError->text().contains("COM7")) << dialog.LblPortError->text().toStdString();
    EXPECT_TRUE(dialog.LblPortError->text().contains("busy", Qt::CaseInsensitive))
        << dialog.LblPortError->text().toStdString();
    EXPECT_TRUE(openElsewhere(6).isEmpty()) << "nothing kept on the port left";
    holder.Close();

    // A port whose device is gone.
    dialog.SelectComPort(9);
    EXPECT_TRUE(dialog.LblPortError->text().contains("No such file", Qt::CaseInsensitive))
        << dialog.LblPortError->text().toStdString();

    // Back on a good port the reason goes.
    dialog.SelectComPort(5);
    EXPECT_TRUE(DataManager->GetConnected());
    EXPECT_TRUE(dialog.LblPortError->isHidden());

    // The port in use closed under the program (unplugged): its button
    // opens it again.
    ComMultiPort->Close();
    DataManager->SetConnected(false);
    ASSERT_TRUE(openElsewhere(5).isEmpty());
    dialog.PortButtons()[0]->click();
    EXPECT_TRUE(ComMultiPort->GetConnected());
    EXPECT_TRUE(DataManager->GetConnected());
    EXPECT_FALSE(openElsewhere(5).isEmpty()) << "the port is the program's again";

    // Device > Offline closes the port and forgets what answered on it; the
    // port's button in the dialog the program opens connects the controller
    // again and ends offline mode, whose tick would drop it.
    rig.Wire = [](TFormMain &f) { WireUpgradeServices(f); };
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    form.Timerek->start(); // as in the running program
    QAction *offline = form.findChild<QAction *>(QStringLiteral("MnIDeviceOffline"));
    offline->trigger();
    ASSERT_FALSE(ComMultiPort->GetConnected());
    ASSERT_FALSE(DataManager->GetConnected());
    first.Server.log().clear();
    FormConnectStatus = &dialog;
    SetModalExecHook([](QDialog *shown) {
        static_cast<TFormConnectStatus *>(shown)->PortButtons()[0]->click();
        return int(QDialog::Accepted);
    });
    form.findChild<QAction *>(QStringLiteral("MnIDeviceCOM_X"))->trigger();
    SetModalExecHook({});
    FormConnectStatus = nullptr;
    EXPECT_TRUE(DataManager->GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 48);
    EXPECT_EQ(dialog.SelImDevice->ImageIndex(), 1);
    EXPECT_FALSE(first.Requests(0x01).empty()) << "the controller was asked who it is";
    EXPECT_FALSE(form.Offline());
    EXPECT_FALSE(offline->isChecked());
}
