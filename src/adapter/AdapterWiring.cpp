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
#include "adapter/ModuleOBD.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "core/DataManager.h"
#include "mainwindow/configuration/AutoCalibrationPage.h"
#include "core/ui/Common.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/OscilloscopePage.h"
#include "windows/FormConnectStatus.h"

#include <QFrame>
#include <QTabWidget>

namespace {

// The adapter-module value of a variable of the user-interface side, as an
// integer (0 when the modules are not there).
int adapterVariable(const QString &name)
{
    if (!Logic || !Logic->UIStateAdapter())
        return 0;
    const TUIStateAdapter *a = Logic->UIStateAdapter();
    if (name == QLatin1String("AdapterMainVersion"))
        return static_cast<int>(a->AdapterMainVersion->GetAsInteger());
    if (name == QLatin1String("AdapterBootloaderProductName"))
        return static_cast<int>(a->AdapterBootloaderProductName->GetAsInteger());
    return 0;
}

// The OBD readings beside the engine speed: while they are wanted and the
// adapter's tab is offered.
bool obdReadingsWanted(const TFormMain &form)
{
    QWidget *sheet = form.OwnPanel("TbSAdapter");
    auto *pages = sheet && sheet->parentWidget() ? qobject_cast<QTabWidget *>(sheet->parentWidget()->parentWidget())
                                                 : nullptr;
    return pages && pages->isTabVisible(pages->indexOf(sheet)) && Logic && Logic->UIStateOBD()
           && Logic->UIStateOBD()->LocalOBDReadings->GetAsBoolean();
}

QString versionText()
{
    return LogicAdapter ? LogicAdapter->VersionText(false, 0) : QStringLiteral("----");
}

QString compileText()
{
    return LogicAdapter ? LogicAdapter->CompileDateTimeText() : QString();
}

} // namespace

void WireMainWindowToAdapter(TFormMain &form)
{
    TFormMain::TServices &s = form.Services;
    // The recorder's OBD channels come from the OBD module.
    if (form.OscilloscopePage)
        form.OscilloscopePage->ObdValue = [](int channel) {
            return Logic && Logic->DevStateOBD() ? Logic->DevStateOBD()->RecorderValue(channel) : 0.0;
        };
    s.ObdLinkConnected = [] {
        return Logic && Logic->DevStateOBD() && Logic->DevStateOBD()->IsConnected();
    };
    s.ObdModuleActive = [] { return Logic && Logic->ModuleOBD() && Logic->ModuleOBD()->IsActive(); };
    s.SetManagerStateFlag = [](uint32_t mask, bool on) {
        if (Manager)
            Manager->SetStateFlag(mask, on);
    };
    s.ManagerWorkStep = [] {
        if (Manager)
            Manager->TimerThreadWorkStep(nullptr);
    };
    s.FetchDetectDone = [] { return Manager && Manager->FetchDetectDone(); };
    s.FetchSecondFlag = [] { return Manager && Manager->FetchSecondFlag(); };
    // The panel's own visibility: its host on the readings page may be off
    // screen while the OBD tab is shown, and the tab still needs its refresh.
    s.ObdReadingsMiniVisible = [&form] {
        // Wanted or no longer wanted since the last layout: lay out again.
        if (auto *host = form.OwnPanel("PnlOBDReadingsMain");
            host && host->isHidden() == obdReadingsWanted(form))
            form.SetAdapterPanelsPending(true);
        return FormMultiOBD && !FormMultiOBD->PnlOBDReadingsMini->isHidden();
    };
    s.ObdRefreshLive = [](bool visible) {
        if (FormMultiOBD)
            FormMultiOBD->RefreshLive(visible);
    };
    s.AioRefreshLive = [] {
        if (FormMultiAIO)
            FormMultiAIO->RefreshLive(true);
    };
    s.AdapterVariableInt = adapterVariable;
    s.DockAdapterPanels = [&form] {
        if (!Logic)
            return;
        auto host = [&form](const char *name) { return form.OwnPanel(name); };
        if (FormMultiOBD && host("PnlAdapterMultiOBD"))
            Logic->MoveControlToHost(host("PnlAdapterMultiOBD"), FormMultiOBD->PnlMultiOBD);
        if (FormMultiOBD && host("PnlOBDReadingsMain")) {
            Logic->MoveControlToHost(host("PnlOBDReadingsMain"), FormMultiOBD->PnlOBDReadingsMini);
            // It sat below the OBD pages in its own window; its host is its size.
            FormMultiOBD->PnlOBDReadingsMini->move(0, 0);
        }
        if (FormMultiAIO && host("PnlAdapterMultiAIO"))
            Logic->MoveControlToHost(host("PnlAdapterMultiAIO"), FormMultiAIO->PnlMultiAIO);
        if (FormMultiAdapterInfo && host("PnlAdapterMultiInfo"))
            Logic->MoveControlToHost(host("PnlAdapterMultiInfo"), FormMultiAdapterInfo->PnlMultiInfo);
    };
    s.AdjustAdapterWindows = [&form] {
        if (FormMultiOBD)
            FormMultiOBD->AdjustLayout();
        if (auto *host = form.OwnPanel("PnlOBDReadingsMain"))
            host->setVisible(obdReadingsWanted(form));
        if (FormMultiAIO)
            FormMultiAIO->AdjustLayout();
        if (FormMultiAdapterInfo)
            FormMultiAdapterInfo->AdjustLayout();
    };
    s.RefreshAdapterWindows = [] {
        if (Logic && Logic->DevStateOBD())
            Logic->DevStateOBD()->OBDactionMain->Refresh(false);
        if (FormMultiOBD)
            FormMultiOBD->UpdateLanguage();
        if (FormMultiAIO)
            FormMultiAIO->UpdateLanguage();
        if (FormMultiAdapterInfo)
            FormMultiAdapterInfo->UpdateLanguage();
    };

    // The status bar's adapter line: version and build date while the box answers.
    form.ReadingsServices.AdapterActive = [] { return ModuleAdapter && ModuleAdapter->IsActive(); };
    form.ReadingsServices.AdapterVersionText = versionText;
    form.ReadingsServices.AdapterCompileDateTime = compileText;

    TFormMain::TUpgradeServices &u = form.UpgradeServices;
    u.AdapterUpgradeCandidate = [] {
        return Manager && Manager->IsActive() && Logic && Logic->LogicAdapter()
               && Logic->LogicAdapter()->IsUpgradePossible();
    };
    u.AdapterAnswersForUpgrade = [] {
        // A box refused for its version is not asked (an answer would take
        // it back into use).
        if (!Logic || !Logic->LogicAdapter() || !ModuleAdapter || !Manager || Manager->Refused())
            return false;
        // A failed version request disables the module: it no longer shows
        // as connected.
        if (ModuleAdapter->ReadVersion(true) == 0)
            return false;
        return Manager->IsActive() && Logic->LogicAdapter()->IsUpgradePossible();
    };
    u.AdapterMainVersion = [] { return adapterVariable(QStringLiteral("AdapterMainVersion")); };
    u.AdapterVersionLetter = [] {
        if (!Logic || !Logic->UIStateAdapter())
            return QString();
        return QString(QChar(char(Logic->UIStateAdapter()->AdapterReleaseVersion->GetAsInteger())));
    };

    TFormMain::TWindowServices &w = form.WindowServices;
    w.AdapterModified = [] { return Logic && Logic->UIState() && Logic->UIState()->Modified(); };
    w.AdapterWriteObd = [] { return !FormMultiOBD || FormMultiOBD->BtBOBDWriteConfigClick(); };
    w.AdapterDiscardObd = [] {
        if (Logic && Logic->UIState())
            Logic->UIState()->CopyFromDevice(QStringLiteral("OBD"), 3);
    };
    w.AdapterPageEntered = [](const QString &page, bool byUser) {
        // A box that dropped out and answers again is found again when the
        // user enters the page; a refresh of the shown page (a finished
        // detection, a language change) asks the box nothing more.
        const bool detected = byUser && Logic && Logic->RedetectDroppedModules();
        if (page == QLatin1String("TbSAdapterMultiInfo") && FormMultiAdapterInfo) {
            // The box's information is read once for each entry by the user;
            // a detection that just ran has read it already.
            if (byUser && !detected)
                FormMultiAdapterInfo->UpdateAdapterInfo();
            else
                FormMultiAdapterInfo->ShowAdapterInfo();
        } else if (page == QLatin1String("TbSAdapterMultiOBD") && FormMultiOBD)
            FormMultiOBD->PgCMainChange();
        else if (page == QLatin1String("TbSAdapterMultiAIO") && FormMultiAIO)
            FormMultiAIO->PgCMainChange();
    };
    w.ObdSelectPage = [](const QString &page) {
        if (!FormMultiOBD)
            return;
        QTabWidget *tabs = FormMultiOBD->PgCMain;
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->objectName() == page)
                TCommon::ActivatePage(tabs, tabs->widget(i), true);
    };
    w.AssignModuleProtocols = [] {
        if (Logic)
            Logic->AssignModuleProtocols();
    };
}

void WireDataManagerToAdapter(TDataManager &dataManager)
{
    dataManager.OnLinkActiveChanged = [](bool active) {
        if (Manager)
            Manager->SetActive(active);
    };
    dataManager.IsModuleManagerActive = [] { return Manager && Manager->IsActive(); };
    dataManager.OnSyncAfterDetect = [](int port) {
        if (Logic)
            Logic->SyncAfterDetect(port);
    };
    dataManager.IsAdaptationVariableSet = [] {
        // The user-interface side: the check box the user sets is bound to it.
        return Logic && Logic->UIStateOBD() && Logic->UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean();
    };
}

void WireConnectStatusToAdapter(TFormConnectStatus &dialog)
{
    // A box one of whose modules stopped answering is not shown connected:
    // its modules answer through the box, so the box itself went silent.
    dialog.AdapterEnabled = [] {
        return ModuleAdapter && ModuleAdapter->Enabled() && !(Manager && Manager->ModulesDroppedOut());
    };
    dialog.CheckAdapterInfo = [] {
        if (LogicAdapter)
            LogicAdapter->CheckAdapterInfo(false);
    };
    dialog.AdapterVersionText = versionText;
    dialog.RedetectAdapter = [] {
        if (Logic)
            Logic->RedetectDroppedModules();
    };
    dialog.AdapterCompileText = compileText;
    // The adapter's "Load from file..." is the adapter-information page's load.
    dialog.OnLoadAdapterFile = [] {
        if (FormMultiAdapterInfo)
            FormMultiAdapterInfo->BtBAdapterLoadFromFileClick();
    };
}

void WireAutoCalibrationToAdapter(TAutoCalibrationPage &page)
{
    page.SwitchObdAdaptationOff = [] {
        if (FormMultiOBD)
            FormMultiOBD->SwitchAdaptationOff();
    };
}
