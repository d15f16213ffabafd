// The adapter logic: the aggregates' layout, the modified mark, the start-up
// steps with no adapter answering, the adapter texts, and the docking of the
// adapter windows' panels.
#include "adapter/AdapterConfigFile.h"
#include "adapter/DevStateAdapter.h"
#include "adapter/FormMultiAIO.h"
#include "adapter/FormMultiAdapterInfo.h"
#include "adapter/FormMultiOBD.h"
#include "adapter/Logic.h"
#include "adapter/LogicAdapter.h"
#include "adapter/Manager.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "core/ComMultiPort.h"
#include "upgrade/UpgraderLogic.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {
struct AdapterGlobals {
    TManager manager;
    TUpgraderLogic upgrader;
    TComMultiPort port;
    // The globals are set before the logic is made on them.
    struct Set {
        explicit Set(AdapterGlobals *g)
        {
            Manager = &g->manager;
            UpgraderLogic = &g->upgrader;
            ComMultiPort = &g->port;
        }
    } set{this};
    TLogic logic{nullptr, &manager};
    AdapterGlobals() { Logic = &logic; }
    ~AdapterGlobals()
    {
        Logic = nullptr;
        ComMultiPort = nullptr;
        UpgraderLogic = nullptr;
        Manager = nullptr;
    }
};
} // namespace

TEST(AdapterLogic, AggregatesMirrorEachOtherIndexByIndex)
{
    TLogic logic;
    TUIState *ui = logic.UIState();
    TDeviceState *device = logic.DeviceState();
    ASSERT_EQ(ui->Source(), device);
    EXPECT_EQ(ui->DeviceVariableCount(), device->Count());
    for (int i = 0; i < device->Count(); ++i)
        EXPECT_EQ(ui->GetItem(i)->Name(), device->GetItem(i)->Name()) << i;
    // Then the user-interface-only variables, "LocalAdvancedView" last.
    // The OBD set adds the local readings switch, the nine settings bits,
    // the 33 link flags and the 65 supported and 65 allowed PID bits.
    EXPECT_EQ(logic.UIStateOBD()->Count(), logic.DevStateOBD()->Count() + 1 + 9 + 33 + 65 + 65);
    EXPECT_EQ(ui->GetItem(device->Count())->Name(), "LocalOBDReadings");
    EXPECT_EQ(ui->GetItem(ui->Count() - 1)->Name(), "LocalAdvancedView");
    // The variables the main window uses.
    EXPECT_NE(ui->FindByName("OBDConfig_1_EE_isAdaptationEnabled"), nullptr);
    EXPECT_NE(ui->FindByName("OBDactionMain"), nullptr);
    EXPECT_NE(device->FindByName("AdapterMainVersion"), nullptr);
    EXPECT_NE(device->FindByName("AdapterBootloaderProductName"), nullptr);
    // The default 8 of the OBD configuration leaves adaptation off.
    EXPECT_FALSE(logic.UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean());
    EXPECT_EQ(logic.UIStateOBD()->OBDConfig_1_EE->GetAsInteger(), 8);
}

TEST(AdapterLogic, UserEditsMarkTheSectionCopiesDoNot)
{
    TLogic logic;
    TUIState *ui = logic.UIState();
    QStringList sections;
    ui->OnModified = [&sections](TUIState *, const QString &section) { sections << section; };
    logic.DevStateOBD()->OBDactionMain->SetAsInteger(4);
    ui->CopyFromDevice("OBD", 1);
    EXPECT_EQ(logic.UIStateOBD()->OBDactionMain->GetAsInteger(), 4);
    EXPECT_FALSE(ui->Modified());
    ui->FindByName("LocalAdvancedView")->SetAsBoolean(true); // local: no mark
    logic.UIStateOBD()->LocalOBDReadings->SetAsBoolean(true);
    EXPECT_FALSE(ui->Modified());
    logic.UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(true);
    EXPECT_TRUE(ui->Modified());
    EXPECT_EQ(sections, QStringList{"OBD"});
    // Discarding the edits: the device side comes back, the mark stays until cleared.
    ui->CopyFromDevice("OBD", 3);
    EXPECT_FALSE(logic.UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean());
    ui->SetModifiedFlag(false);
    EXPECT_FALSE(ui->Modified());
    EXPECT_EQ(sections, (QStringList{"OBD", ""}));
}

TEST(AdapterLogic, StartupWithNoAdapterAnswering)
{
    AdapterGlobals g;
    TUIState *ui = g.logic.UIState();
    // Left-overs on both sides and an unwritten edit.
    g.logic.DevStateOBD()->OBDactionMain->SetAsInteger(5);
    g.logic.DevStateAdapter()->AdapterMainVersion->SetAsInteger(0x10);
    g.logic.UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(true);
    ui->FindByName("LocalAdvancedView")->SetAsBoolean(true);
    ASSERT_TRUE(ui->Modified());

    g.logic.Startup(false);

    // The user-interface side was cleared first and copied to the device side,
    // so both now hold zero bytes; the local view is not a device mirror.
    EXPECT_EQ(g.logic.DevStateOBD()->OBDactionMain->GetAsInteger(), 0);
    EXPECT_EQ(g.logic.DevStateAdapter()->AdapterMainVersion->GetAsInteger(), 0);
    EXPECT_EQ(g.logic.UIStateOBD()->OBDConfig_1_EE->GetAsInteger(), 0);
    EXPECT_TRUE(ui->FindByName("LocalAdvancedView")->GetAsBoolean());
    // Re-detected under the manager's lock; nothing answered.
    EXPECT_TRUE(g.manager.FetchDetectDone());
    EXPECT_FALSE(g.manager.FetchDetectDone());
    EXPECT_FALSE(g.manager.IsActive());
    g.manager.TimerThreadWorkStep();
    EXPECT_EQ(g.manager.WorkSteps(), 0u);
    // The port went to the upgrade logic, and the mark is clear.
    EXPECT_EQ(g.upgrader.Port(), &g.port);
    EXPECT_FALSE(ui->Modified());
    // No box answered: the OBD link is neither connected nor available.
    EXPECT_FALSE(g.logic.DevStateOBD()->IsConnected());
    g.logic.AssignModuleProtocols();
    EXPECT_FALSE(OBDAvailable);
}

TEST(AdapterLogic, StartupToleratesMissingObjects)
{
    TLogic logic;
    Manager = nullptr;
    UpgraderLogic = nullptr;
    logic.UIStateOBD()->OBDactionMain->SetAsInteger(3);
    logic.Startup(false);
    EXPECT_FALSE(logic.UIState()->Modified());
    EXPECT_EQ(logic.UIStateOBD()->OBDactionMain->GetAsInteger(), 0);
}

TEST(AdapterLogic, AdapterTextsFollowTheModuleState)
{
    TLogic logic;
    TLogicAdapter *adapter = logic.LogicAdapter();
    for (int style = 0; style < 4; ++style)
        EXPECT_EQ(adapter->VersionText(false, style), "----");
    EXPECT_FALSE(adapter->IsUpgradePossible());

    TDevStateAdapter *device = logic.DevStateAdapter();
    device->AdapterMainVersion->SetAsInteger(0x10);
    device->AdapterReleaseVersion->SetAsInteger('A');
    device->AdapterRevisionVersion->SetAsInteger(3);
    bool active = true;
    adapter->ModuleActive = [&active] { return active; };
    adapter->ModuleEnabled = [&active] { return active; };
    EXPECT_TRUE(adapter->IsUpgradePossible()); // copies the section first
    EXPECT_EQ(adapter->VersionText(true, 0), "1.0A r3");
    EXPECT_EQ(adapter->VersionText(true, 1), "10A");
    EXPECT_EQ(adapter->VersionText(true, 2), "1.0");
    EXPECT_EQ(adapter->VersionText(true, 3), "10");
    device->AdapterMainVersion->SetAsInteger(0x30);
    EXPECT_FALSE(adapter->IsUpgradePossible());
    active = false;
    EXPECT_EQ(adapter->VersionText(true, 0), "----");
}

TEST(AdapterWindows, NamedPanelsDockIntoTheMainWindow)
{
    AdapterGlobals g;
    auto *obd = new TFormMultiOBD;
    for (const char *name : {"PnlMultiOBD", "PnlOBDConfig", "PnlOBDLive", "PnlOBDErrors", "PnlOBDReadingsMini",
                             "DgDOBDRealRPM", "DgDOBDRealTb", "DgDOBDRealTg", "DgDOBDRealPsys", "DgDOBDRealPcol",
                             "DgDOBDRealTred", "DgDOBDRealTgas", "PgCMain", "TbSOBDConfig", "TbSOBDLive",
                             "TbSOBDErrors", "ChBOBDAdaptationEnable"})
        EXPECT_NE(obd->findChild<QWidget *>(name), nullptr) << name;
    TFormMultiAIO aio;
    EXPECT_NE(aio.findChild<QWidget *>("PnlMultiAIO"), nullptr);
    TFormMultiAdapterInfo info;
    EXPECT_NE(info.findChild<QWidget *>("PnlMultiInfo"), nullptr);

    // Docking moves the panel into the host; its window still destroys it.
    QWidget host;
    QPointer<QWidget> panel = obd->PnlMultiOBD;
    g.logic.MoveControlToHost(&host, obd->PnlMultiOBD);
    EXPECT_EQ(panel->parentWidget(), &host);
    EXPECT_EQ(host.findChild<QWidget *>("TbSOBDConfig"), obd->TbSOBDConfig);

    // Without an OBD module the adaptation cannot be switched, and nothing
    // is written.
    obd->RefreshLive(true);
    EXPECT_FALSE(obd->ChBOBDAdaptationEnable->isChecked());
    EXPECT_FALSE(obd->ChBOBDAdaptationEnable->isEnabled());
    obd->ChBOBDAdaptationEnable->click();
    EXPECT_FALSE(g.logic.UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean());
    EXPECT_FALSE(obd->BtBOBDWriteConfigClick());

    delete obd;
    EXPECT_TRUE(panel.isNull());

    // No adapter: unknown texts and no actions.
    info.UpdateAdapterInfo();
    EXPECT_EQ(info.LblAdapterVersion->text(), "[" + AdapterConfig::Tr("unknown") + "]");
    EXPECT_FALSE(info.BtBAdapterLoadFromFile->isEnabled());
    // An adapter that reports a mismatched bootloader is named incompatible.
    g.logic.DevStateAdapter()->AdapterMainVersion->SetAsInteger(0x20);
    g.logic.DevStateAdapter()->AdapterBootloaderProductName->SetAsInteger(1);
    info.UpdateAdapterInfo();
    EXPECT_EQ(info.LblAdapterVersion->text(), "[" + AdapterConfig::Tr("Incompatible version") + "] {20} [1]");
}

TEST(AdapterLogic, OBDLinkIsConnectedOnlyWhileTheModuleIsActive)
{
    TLogic logic;
    TDevStateOBD *obd = logic.DevStateOBD();
    bool active = false;
    obd->ModuleActive = [&active] { return active; };
    for (int action : {0, 3, 4, 5, 6}) {
        obd->OBDactionMain->SetAsInteger(action);
        active = false;
        EXPECT_FALSE(obd->IsConnected()) << action;
        active = true;
        EXPECT_EQ(obd->IsConnected(), action == 4 || action == 5) << action;
    }
    // The user-interface side asks the same module.
    EXPECT_TRUE(logic.UIStateOBD()->IsModuleActive());
    // No module is active: OBD is not available.
    logic.AssignModuleProtocols();
    EXPECT_FALSE(OBDAvailable);
}
