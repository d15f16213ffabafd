// The program's main block: the settings layer and the data manager, the
// application, the splash, the nineteen data modules and windows in their
// fixed order, the adapter start-up, the message loop and the teardown in
// reverse order. SIGINT and SIGTERM close the main window like a user would,
// so that the settings are stored and the port is released.
#include "adapter/AdapterWiring.h"
#include "adapter/FormMultiAIO.h"
#include "adapter/FormMultiAdapterInfo.h"
#include "adapter/FormMultiOBD.h"
#include "adapter/Logic.h"
#include "adapter/LogicAdapter.h"
#include "adapter/DevStateAdapter.h"
#include "adapter/DevStateOBD.h"
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
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/AutocalModel2.h"
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
#include "upgrade/UpgraderLogic.h"
#include "windows/FormAbout.h"
#include "windows/FormAutocalibrationInit.h"
#include "windows/ConfigurationPagesWiring.h"
#include "mainwindow/configuration/AutoCalibrationPage.h"
#include "windows/FormConnectStatus.h"
#include "windows/FormPicture.h"
#include "windows/FormWorkingPressure.h"
#include "windows/FrmConfigLevelSensor.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmSelectComPort.h"
#include "windows/FrmWinetka.h"
#include "upgrade/UpgradeWiring.h"
#include "windows/MainWindowHooks.h"

#include <QApplication>
#include <QFileDialog>
#include <QDialog>
#include <QFrame>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

int SignalPipe[2] = {-1, -1};
// A stop signal arrived (possibly while the window was still being created,
// before the message loop runs).
bool StopRequested = false;

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(SignalPipe[1], &byte, 1);
}

// Lets SIGINT and SIGTERM end the message loop through the main window's
// normal close.
void installSignalHandlers(QObject *owner)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, SignalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(SignalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        StopRequested = true;
        // A box open now (or opened while closing) would keep the program
        // waiting for an answer nobody gives: open ones are dismissed with
        // their escape answer, later ones are not shown.
        TCommon::SetEnding(true);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible() && dialog->isModal())
                dialog->reject();
        if (FormMain)
            FormMain->close();
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// What the later subsystems do for the main window.
void wireServices(TFormMain &form)
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
            if (auto *w = form.findChild<QWidget *>(QString::fromLatin1(name)))
                w->hide();
    };
    s.ShowTroubleCodes = [&form] { form.MnIWindowDgnTroubleCodesClick(); };
    s.OscilloscopeStep = [&form] { form.OscilloscopePage->Step(); };
    WireMainWindowToAdapter(form);
}

// The change-record query of the common services, and what the service
// tools and the resizer reach in the secondary windows.
void wireChangeRecordAndServiceTools(TFormMain &form)
{
    form.InstallChangeRecordQuery();
    form.ReattachKind48EnrichmentHandlers = [] {
        if (FrmMultiCalibrationTaronQV) {
            FrmMultiCalibrationTaronQV->DetachEnrichmentEditHandlers();
            FrmMultiCalibrationTaronQV->AttachEnrichmentEditHandlers();
        }
    };
}

// The data manager's hooks towards the adapter modules and the settings.
void wireDataManager()
{
    DataManager->OnChangePort = [](int port) { AppConfig->SetComDevice(port, true); };
    WireDataManagerToAdapter(*DataManager);
    DataManager->OnBeep = [] { QApplication::beep(); };
}

} // namespace

int main(int argc, char *argv[])
{
    // 1. The settings layer (settings object, serial port, edition
    // parameters) and the data manager.
    CreateSettingsObjects();
    // The configuration helper logic outlives the data manager, which calls it.
    auto programLogic = std::make_unique<TProgramLogic>();
    ProgramLogic = programLogic.get();
    auto dataManager = std::make_unique<TDataManager>();
    DataManager = dataManager.get();

    // 2.
    QApplication app(argc, argv);
    TCommon::InstallAnswersFromEnvironment();
    installSignalHandlers(&app);

    // The nineteen objects, owned here and destroyed in reverse order.
    std::vector<std::unique_ptr<QObject>> objects;
    auto keep = [&objects](auto *object) {
        objects.emplace_back(object);
        return object;
    };

    int result = 0;
    std::exception_ptr creationError;
    // 3.
    try {
        ShowSplash();
        QCoreApplication::setApplicationName(QStringLiteral("taron"));
        TCommon::SetApplicationTitle(QString());

        LM = keep(new TLM);
        Common = keep(new TCommon);
        LM->MessageHook = [](const QString &message) {
            if (Common)
                Common->ShowError(message);
        };
        Custom = keep(new TCustom);
        Manager = keep(new TManager);
        Logic = keep(new TLogic);
        BootloaderConfig = keep(new TBootloaderConfig);
        Bootloader40Manager = keep(new TBootloader40Manager);
        UpgraderLogic = keep(new TUpgraderLogic);
        wireDataManager();

        auto *form = keep(new TFormMain);
        FormMain = form;
        wireServices(*form);
        TConfigurationPage *configurationPage = InstallConfigurationPage(*form, *ProgramLogic);
        configurationPage->OpenLevelSensorDialog = [] {
            if (FrmConfigLevelSensor)
                FrmConfigLevelSensor->exec();
        };
        configurationPage->UpdateKind48ConfigurationControls = [] {
            if (FrmMultiConfigurationTaronQV)
                FrmMultiConfigurationTaronQV->UpdateConfigurationTaronQVTabControls();
        };
        auto *model2 = TModel2Page::Install(*form);
        auto *model = TModelPage::Install(*form);
        model->Hooks.ChooseSettingsFile = model2->Hooks.ChooseSettingsFile = [form] {
            // The filter names the files in the language in use.
            const QString filter = LM ? LM->Translate(QStringLiteral("strFilterSettings")).section(QLatin1Char('|'), 0, 0)
                                      : QStringLiteral("*.ddf");
            return QFileDialog::getOpenFileName(form, QString(), AppConfig ? AppConfig->DataFolder() : QString(),
                                                filter);
        };
        // The model pages use the configuration page's injector-type handler
        // and the helper logic's option word, working pressure and factors.
        model->Hooks.CmbKnfInjTypeChange = model2->Hooks.CmbKnfInjTypeChange = [configurationPage] {
            configurationPage->CmbKnfInjTypeChange(nullptr);
        };
        // Model 2 of a kind-48 device is read from the model part of a settings file.
        model2->Hooks.LoadSettingsFileV30Model = [form] { form->LoadSettingsFileV30(true); };
        model2->Hooks.UpdateOptionFlags = [] { ProgramLogic->UpdateOptionFlags(); };
        model2->Hooks.SelectWorkPressure = [](bool write) { ProgramLogic->SelectWorkPressure(write); };
        model2->Hooks.GetDefaultFactor = &TProgramLogic::GetDefaultFactor;
        // Writes of edited model settings pass the change-record gate.
        model->Hooks.UpdateLastChangeInfo = model2->Hooks.UpdateLastChangeInfo = [form](bool modified) {
            return form->UpdateLastChangeInfo(modified);
        };
        wireChangeRecordAndServiceTools(*form);
        // Model adaptation on asks to switch the OBD adaptation off.
        model2->Hooks.ClearObdAdaptationSwitch = [] {
            if (Logic && Logic->UIStateOBD())
                Logic->UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(false);
            if (FormMultiOBD)
                FormMultiOBD->BtBOBDWriteConfigClick();
        };
        if (auto *autoCal = form->findChild<TAutoCalibrationPage *>(QStringLiteral("AutoCalibrationPage")))
            WireAutoCalibrationToAdapter(*autoCal);
        // The map page fills the model charts and clears the gas points
        // after a model change.
        auto *map = TMapPage::Install(*form);
        map->Model = model;
        map->Model2 = model2;
        map->Hooks.ChooseSettingsFile = model->Hooks.ChooseSettingsFile;
        map->Hooks.ChooseMapFile = [form](bool save) {
            const QString dir = AppConfig ? AppConfig->DataFolder() : QString();
            const QString filter = LM ? LM->Translate(QStringLiteral("strFilterMap")).section(QLatin1Char('|'), 0, 0)
                                      : QStringLiteral("*.dmf");
            QFileDialog dialog(form, QString(), dir, filter);
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
        auto *corrections = TCorrectionsPage::Install(*form);
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
        form->WindowServices.CreateKind48Windows = [create = form->WindowServices.CreateKind48Windows, map] {
            if (create)
                create();
            if (FrmMultiCalibrationTaronQV)
                FrmMultiCalibrationTaronQV->Hooks.LoadMapFromFile = [map] { map->BtnCalMapLoadFromFileClick(); };
        };
        InstallConfigurationWizardPages(*form, *ProgramLogic);
        form->FormCreate();

        FormAbout = keep(new TFormAbout);
        FrmConfigLevelSensor = keep(new TFrmConfigLevelSensor);
        FrmSelectComPort = keep(new TFrmSelectComPort);
        FormPicture = keep(new TFormPicture);
        FormWorkingPressure = keep(new TFormWorkingPressure);
        FormMultiOBD = keep(new TFormMultiOBD);
        FormMultiAIO = keep(new TFormMultiAIO);
        FormMultiAdapterInfo = keep(new TFormMultiAdapterInfo);
        FormConnectStatus = keep(new TFormConnectStatus);
        FormConnectStatus->OnLoadSettingsFile = [form] { form->MnIFileLoadCnfClick(); };
        WireConnectStatusToAdapter(*FormConnectStatus);
        FormAutocalibrationInit = keep(new TFormAutocalibrationInit);
        WireConfigurationPagesToWindows(*form);
        form->Services.FreePictureWindow = [] {
            if (FormPicture)
                FormPicture->hide();
        };
    } catch (...) {
        creationError = std::current_exception();
    }
    // The adapter start-up runs whatever happened above.
    try {
        if (Logic)
            Logic->Startup(false);
    } catch (const std::exception &e) {
        LogToFile(QStringLiteral("Start-up: %1").arg(QString::fromUtf8(e.what())));
    }

    if (creationError) {
        try {
            std::rethrow_exception(creationError);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "taron: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "taron: start-up failed\n");
        }
        result = 1;
    } else {
        // 4.
        if (!StopRequested) {
            FormMain->show();
            result = app.exec();
        }
        // However the loop ended, the window closes normally (settings stored).
        if (FormMain && FormMain->isVisible())
            FormMain->close();
    }
    HideSplash();

    // 5. Teardown in reverse order of creation; the port goes last.
    FormMain = nullptr;
    while (!objects.empty())
        objects.pop_back();
    FormAutocalibrationInit = nullptr;
    FormConnectStatus = nullptr;
    FormMultiAdapterInfo = nullptr;
    FormMultiAIO = nullptr;
    FormMultiOBD = nullptr;
    FormWorkingPressure = nullptr;
    FormPicture = nullptr;
    FrmSelectComPort = nullptr;
    FrmConfigLevelSensor = nullptr;
    FormAbout = nullptr;
    UpgraderLogic = nullptr;
    Bootloader40Manager = nullptr;
    BootloaderConfig = nullptr;
    Logic = nullptr;
    Manager = nullptr;
    Custom = nullptr;
    Common = nullptr;
    LM = nullptr;
    if (ComMultiPort)
        ComMultiPort->Close();
    DataManager = nullptr;
    dataManager.reset();
    FreeSettingsObjects();
    return result;
}
