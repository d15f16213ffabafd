// How the program's parts are wired to each other: the main window's
// services, its pages with their hooks, the secondary windows and the data
// manager. The main block runs these in its fixed order; the test rigs that
// build the whole program run the same functions.
#include "program/ProgramWiring.h"

#include "adapter/AdapterWiring.h"
#include "adapter/DevStateAdapter.h"
#include "adapter/DevStateOBD.h"
#include "adapter/FormMultiAIO.h"
#include "adapter/FormMultiAdapterInfo.h"
#include "adapter/FormMultiOBD.h"
#include "adapter/Logic.h"
#include "adapter/LogicAdapter.h"
#include "adapter/Manager.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "core/AppConfig.h"
#include "core/ComMultiPort.h"
#include "core/DataManager.h"
#include "core/FileLogger.h"
#include "core/LM.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/configuration/AutoCalibrationPage.h"
#include "mainwindow/configuration/AutocalModel2.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/ConfigurationWizard.h"
#include "mainwindow/configuration/CorrectionsPage.h"
#include "mainwindow/configuration/MapPage.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/OscilloscopePage.h"
#include "mainwindow/shell/TroubleCodes.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/FormUpgrader.h"
#include "upgrade/UpgradeWiring.h"
#include "upgrade/UpgraderLogic.h"
#include "windows/ConfigurationPagesWiring.h"
#include "windows/FormAbout.h"
#include "windows/FormAutocalibrationInit.h"
#include "windows/FormConnectStatus.h"
#include "windows/FormPicture.h"
#include "windows/FormWorkingPressure.h"
#include "windows/FrmConfigLevelSensor.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/FrmSelectComPort.h"
#include "windows/FrmWinetka.h"
#include "windows/MainWindowHooks.h"
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFrame>
#include <QPushButton>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

static void wireChangeRecordAndServiceTools(TFormMain &form);

// What the later subsystems do for the main window.
void WireMainWindowServices(TFormMain &form)
{
    TFormMain::TServices &s = form.Services;
    s.CloseSplash = [] { HideSplash(); };
    s.SplashOffLineRequested = [] { return SplashOffLineRequested(); };
    s.SetSplashCancelHandler = [](std::function<void(QObject *)> handler) {
        SetSplashCancelHandler(std::move(handler));
    };
    s.SetSplashStatus = [](const QString &text, bool connected) { SetSplashStatus(text, connected); };
    s.ConnectStatusVisible = [] { return FormConnectStatus && FormConnectStatus->isVisible(); };
    // Bootloader contact, upgrade launch and the connection-status dialog
    // as the way to the upgrade.
    WireUpgradeServices(form);
    s.CheckIfFirmwareUpgradePossible = [&form] { form.CheckIfFirmwareUpgradePossible(); };
    form.ReadingsServices.IsDeviceUpgradePossible = [&form] { return form.IsDeviceUpgradePossible(); };
    form.ReadingsServices.IsAdapterUpgradePossible = [&form] { return form.IsAdapterUpgradePossible(); };
    // Adapting to the device, the page entry after the language chain and
    // the re-read after a fresh connection.
    s.AdaptToDevice = [&form] { form.AdaptToDeviceVersion(); };
    s.PgCMainChange = [&form] { form.PgCMainChange(nullptr); };
    s.ReloadPagesAfterConnect = [&form] { form.ReloadPagesAfterConnect(); };
    WireMainWindowToWindows(form);
    s.ApplyLanguage = [&form] { form.ChangeLanguage(LM ? LM->Language : QString(), true); };
    s.CalibrationReadouts = [&form] { form.ShowCalibrationReadouts(); };
    form.ReadingsServices.UpdateInjDisplayLabels = [&form](bool capture) { form.UpdateInjDisplayLabels(capture); };
    s.HideCorrectionTables = [&form] {
        if (Logic && Logic->UIStateOBD())
            Logic->UIStateOBD()->LocalOBDReadings->SetAsInteger(1);
        for (const char *name : {"PnlCalCorrTgasTable", "PnlCalCorrPsysTable"})
            if (auto *w = form.OwnPanel(name))
                w->hide();
    };
    s.SetLocalAdvancedView = [](bool advanced) {
        if (Logic && Logic->UIState())
            if (TVariable *v = Logic->UIState()->FindByName(QStringLiteral("LocalAdvancedView")))
                v->SetAsBoolean(advanced);
    };
    s.ShowTroubleCodes = [&form] { form.MnIWindowDgnTroubleCodesClick(); };
    s.OscilloscopeStep = [&form] { form.OscilloscopePage->Step(); };
    WireMainWindowToAdapter(form);
}

// The change-record query of the common services, and what the service
// tools and the resizer reach in the secondary windows.
static void wireChangeRecordAndServiceTools(TFormMain &form)
{
    form.InstallChangeRecordQuery();
    form.DetachKind48EnrichmentHandlers = [](bool detach) {
        if (!FrmMultiCalibrationTaronQV)
            return;
        if (detach)
            FrmMultiCalibrationTaronQV->DetachEnrichmentEditHandlers();
        else
            FrmMultiCalibrationTaronQV->AttachEnrichmentEditHandlers();
    };
}

// The data manager's hooks towards the adapter modules and the settings.
void WireDataManagerHooks()
{
    DataManager->OnChangePort = [](int port) { AppConfig->SetComDevice(port, true); };
    WireDataManagerToAdapter(*DataManager);
    DataManager->OnBeep = [] { QApplication::beep(); };
}


void InstallMainWindowPages(TFormMain &form, TProgramLogic &logic)
{
    TConfigurationPage *configurationPage = InstallConfigurationPage(form, logic);
    configurationPage->OpenLevelSensorDialog = [] {
        if (FrmConfigLevelSensor)
            FrmConfigLevelSensor->exec();
    };
    configurationPage->UpdateKind48ConfigurationControls = [] {
        if (FrmMultiConfigurationTaronQV)
            FrmMultiConfigurationTaronQV->UpdateConfigurationTaronQVTabControls();
    };
    auto *model2 = TModel2Page::Install(form);
    auto *model = TModelPage::Install(form);
    // The model pages choose their settings file with the main window's
    // open dialog.
    model->Hooks.ChooseSettingsFile = model2->Hooks.ChooseSettingsFile = [&form] {
        return form.SettingsFileDialog
                   ? form.SettingsFileDialog(false, AppConfig ? AppConfig->DataFolder() : QString(), QString())
                   : QString();
    };
    // The model pages use the configuration page's injector-type handler
    // and the helper logic's option word, working pressure and factors.
    model->Hooks.CmbKnfInjTypeChange = model2->Hooks.CmbKnfInjTypeChange = [configurationPage] {
        configurationPage->CmbKnfInjTypeChange(nullptr);
    };
    // Model 2 of a kind-48 device is read from the model part of a settings file.
    model2->Hooks.LoadSettingsFileV30Model = [&form] { form.LoadSettingsFileV30(true); };
    model2->Hooks.UpdateOptionFlags = [] { ProgramLogic->UpdateOptionFlags(); };
    model2->Hooks.SelectWorkPressure = [](bool write) { ProgramLogic->SelectWorkPressure(write); };
    model2->Hooks.GetDefaultFactor = &TProgramLogic::GetDefaultFactor;
    // Writes of edited model settings pass the change-record gate.
    model->Hooks.UpdateLastChangeInfo = model2->Hooks.UpdateLastChangeInfo = [&form](bool modified) {
        return form.UpdateLastChangeInfo(modified);
    };
    wireChangeRecordAndServiceTools(form);
    // Model adaptation on asks to switch the OBD adaptation off.
    model2->Hooks.ClearObdAdaptationSwitch = [] {
        if (Logic && Logic->UIStateOBD())
            Logic->UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(false);
        if (FormMultiOBD)
            FormMultiOBD->BtBOBDWriteConfigClick();
    };
    // The map page fills the model charts and clears the gas points
    // after a model change.
    auto *map = TMapPage::Install(form);
    map->Model = model;
    map->Model2 = model2;
    map->Hooks.ChooseSettingsFile = model->Hooks.ChooseSettingsFile;
    map->Hooks.ChooseMapFile = [&form](bool save) {
        const QString dir = AppConfig ? AppConfig->DataFolder() : QString();
        const QString filter = LM ? LM->Translate(QStringLiteral("strFilterMap")).section(QLatin1Char('|'), 0, 0)
                                  : QStringLiteral("*.dmf");
        QFileDialog dialog(&form, QString(), dir, filter);
        dialog.setObjectName(save ? QStringLiteral("SaveMapDialog") : QStringLiteral("OpenMapDialog"));
        dialog.setDefaultSuffix(QStringLiteral("dmf"));
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().first() : QString();
    };
    model->Hooks.ClearGasMap = model2->Hooks.ClearGasMap = [map] { map->ClearGasMap(); };
    model2->Hooks.DrawModelMultsChart = [map] { map->DrawModelMultsChart(); };
    // The corrections page: its adaptation maps are the adapter's while the
    // adapter's own OBD adaptation is switched on.
    auto *corrections = TCorrectionsPage::Install(form);
    corrections->Hooks.AdapterAdaptationEnabled = [] {
        return Logic && Logic->UIStateOBD() && Logic->UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean();
    };
    // The kind-48 calibration window: its map page loads map files through
    // this window's loader, and the model-2 page shows its nozzle verdict.
    model2->Hooks.AutocalNozzleClass = [] {
        return FrmMultiCalibrationTaronQV ? FrmMultiCalibrationTaronQV->AutocalNozzleClass() : 0;
    };
    // After an auto-calibration the model-2 page computes its new curve.
    model2->Hooks.CalcNewModel2 = [model2](int phase, double) { AutocalModel2::CalcNewModel2(*model2, phase); };
    form.WindowServices.CreateKind48Windows = [create = form.WindowServices.CreateKind48Windows, map] {
        if (create)
            create();
        if (FrmMultiCalibrationTaronQV)
            FrmMultiCalibrationTaronQV->Hooks.LoadMapFromFile = [map] { map->BtnCalMapLoadFromFileClick(); };
    };
    InstallConfigurationWizardPages(form, logic);
    // The auto-calibration page, made with the wizard's pages, switches the
    // adapter's OBD adaptation off at a start.
    if (auto *autoCal = form.PageLogic<TAutoCalibrationPage>("AutoCalibrationPage"))
        WireAutoCalibrationToAdapter(*autoCal);
}

void WireSecondaryWindows(TFormMain &form)
{
    FormConnectStatus->OnLoadSettingsFile = [&form] { form.LoadSettingsFileFrom(FormConnectStatus->BtnDevConfig); };
    WireConnectStatusToAdapter(*FormConnectStatus);
    WireConfigurationPagesToWindows(form);
    form.Services.FreePictureWindow = [] {
        if (FormPicture)
            FormPicture->hide();
    };
}
