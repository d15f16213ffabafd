#include "windows/MainWindowHooks.h"

#include "core/LM.h"
#include "core/ui/LMWidgetTexts.h"
#include "mainwindow/shell/FormMain.h"
#include "windows/FormAbout.h"
#include "windows/FormInjTest.h"
#include "windows/FrmFirmInfo.h"
#include "windows/FrmHaslo.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/MultiCalMapPage.h"
#include "windows/NamedWidget.h"
#include "core/LM.h"

#include <QFile>
#include <QFrame>
#include <QVBoxLayout>

namespace {

// Moves a window's content panel onto the main window's panel of the same
// name, filling it.
void dock(TFormMain &form, QWidget *panel)
{
    auto *host = form.OwnPanel(panel->objectName().toLatin1().constData());
    if (!host || host == panel || panel->parentWidget() == host)
        return;
    // The panel stays its window's component for the window's section of a
    // language file.
    if (QWidget *owner = panel->window(); owner && owner != panel && owner != &form)
        panel->setProperty(TLMWidgetTexts::OwnerFormProperty, owner->objectName());
    auto *layout = host->layout();
    if (!layout) {
        layout = new QVBoxLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(panel);
    panel->show();
}

} // namespace

void WireMainWindowToWindows(TFormMain &form)
{
    TFormMain::TWindowServices &s = form.WindowServices;
    s.CreateKind48Windows = [&form] {
        const bool created = !FrmMultiConfigurationTaronQV || !FrmMultiCalibrationTaronQV;
        if (!FrmMultiConfigurationTaronQV) {
            FrmMultiConfigurationTaronQV = new TFrmMultiConfigurationTaronQV();
            FrmMultiConfigurationTaronQV->SetMainWindow(&form);
        }
        if (!FrmMultiCalibrationTaronQV) {
            FrmMultiCalibrationTaronQV = new TFrmMultiCalibrationTaronQV();
            FrmMultiCalibrationTaronQV->Form = &form;
        }
        if (created)
            // They live as long as the window that holds their panels.
            QObject::connect(&form, &QObject::destroyed, [] {
                delete FrmMultiCalibrationTaronQV;
                delete FrmMultiConfigurationTaronQV;
            });
        dock(form, FrmMultiConfigurationTaronQV->PnlMultiConfiguration);
        dock(form, FrmMultiCalibrationTaronQV->PnlMultiCalibration);
        // Created after the language was loaded: their texts now.
        if (created && LM)
            for (const QWidget *w : {static_cast<QWidget *>(FrmMultiConfigurationTaronQV),
                                     static_cast<QWidget *>(FrmMultiCalibrationTaronQV)})
                LM->ApplyLateWindowTexts(w->objectName());
    };
    s.Kind48CalibrationComponent = [](const QString &name) -> QObject * {
        if (!FrmMultiCalibrationTaronQV)
            return nullptr;
        QWidget *panel = FrmMultiCalibrationTaronQV->PnlMultiCalibration;
        return panel->objectName() == name ? panel : panel->findChild<QObject *>(name);
    };
    s.Kind48CalibrationExists = [] { return FrmMultiCalibrationTaronQV != nullptr; };
    s.Kind48DockedPanels = [] {
        QList<QWidget *> panels;
        if (FrmMultiConfigurationTaronQV)
            panels << FrmMultiConfigurationTaronQV->PnlMultiConfiguration;
        if (FrmMultiCalibrationTaronQV)
            panels << FrmMultiCalibrationTaronQV->PnlMultiCalibration;
        return panels;
    };
    s.Kind48PlaceScaledControls = [] {
        if (FrmMultiCalibrationTaronQV)
            FrmMultiCalibrationTaronQV->Map->PlaceLoadPanels();
    };
    s.Kind48ConfigurationExists = [] { return FrmMultiConfigurationTaronQV != nullptr; };
    s.Kind48ConfigurationModified = [] { return FrmMultiConfigurationTaronQV && FrmMultiConfigurationTaronQV->Modified(); };
    s.Kind48CalibrationModified = [] { return FrmMultiCalibrationTaronQV && FrmMultiCalibrationTaronQV->Modified(); };
    s.Kind48CalibrationChanging = [] {
        bool allow = true;
        if (FrmMultiCalibrationTaronQV)
            FrmMultiCalibrationTaronQV->PgCCalibrationChanging(nullptr, allow);
        return allow;
    };
    s.Kind48ConfigurationChanging = [] {
        bool allow = true;
        if (FrmMultiConfigurationTaronQV)
            FrmMultiConfigurationTaronQV->PgCConfigurationChanging(nullptr, allow);
        return allow;
    };
    s.Kind48ConfigurationUpdateDeviceInfo = [] {
        if (!FrmMultiConfigurationTaronQV)
            return false;
        FrmMultiConfigurationTaronQV->UpdateDeviceInfo();
        return true;
    };
    s.Kind48WriteLoadedConfiguration = [] {
        if (!FrmMultiConfigurationTaronQV)
            return false;
        return FrmMultiConfigurationTaronQV->WriteLoadedConfiguration();
    };
    s.Kind48CalibrationShowRecord = [] {
        if (FrmMultiCalibrationTaronQV) {
            FrmMultiCalibrationTaronQV->UpdateUI();
        }
    };
    // A language change keeps a docked page's unwritten edits: its texts
    // are already translated, the device is not read over them.
    s.Kind48ConfigurationRefresh = [&form] {
        if (FrmMultiConfigurationTaronQV
            && !(form.LanguagePageRefresh() && FrmMultiConfigurationTaronQV->Modified()))
            FrmMultiConfigurationTaronQV->RefreshFromDevice();
    };
    s.Kind48CalibrationReadAll = [&form] {
        if (FrmMultiCalibrationTaronQV && !(form.LanguagePageRefresh() && FrmMultiCalibrationTaronQV->Modified()))
            FrmMultiCalibrationTaronQV->ReadAllFromDevice();
    };
    s.Kind48ConfigurationAddReads = [](TReadPlan &plan) {
        if (FrmMultiConfigurationTaronQV)
            FrmMultiConfigurationTaronQV->AddDeviceReads(plan);
    };
    s.Kind48ConfigurationShowRead = [](bool read) {
        if (FrmMultiConfigurationTaronQV)
            FrmMultiConfigurationTaronQV->ShowDeviceRecord(read);
    };
    s.Kind48CalibrationAddReads = [](TReadPlan &plan) {
        if (FrmMultiCalibrationTaronQV)
            FrmMultiCalibrationTaronQV->AddDeviceReads(plan);
    };
    s.Kind48CalibrationShowRead = [](bool read) {
        if (FrmMultiCalibrationTaronQV)
            FrmMultiCalibrationTaronQV->ShowDeviceRecord(read);
    };
    s.Kind48CalibrationTick = [] {
        if (FrmMultiCalibrationTaronQV) {
            FrmMultiCalibrationTaronQV->UpdateLiveValues();
            FrmMultiCalibrationTaronQV->PollAutocalibrationState();
        }
    };
    s.Kind48WriteDefaultConfiguration = [] {
        return FrmMultiConfigurationTaronQV && FrmMultiConfigurationTaronQV->BtBKnfWriteDefaultConfigurationClick(nullptr);
    };
    s.Kind48ResetCorrections = [] {
        if (FrmMultiCalibrationTaronQV)
            FrmMultiCalibrationTaronQV->ResetCorrectionsToDefaults();
    };
    s.ExecuteLockDialog = [](bool locking, int minLength, QString &pin) {
        return ExecuteLockDialog(locking, minLength, pin);
    };
    s.ShowAbout = [&form] {
        if (!FormAbout)
            return;
        FormAbout->move(form.geometry().center() - QPoint(FormAbout->width() / 2, FormAbout->height() / 2));
        ExecModal(FormAbout);
    };
    s.ShowInstallationCard = [&form] { ShowInstallationCard(&form); };
    s.PreviewInstallationCard = [&form] { PreviewInstallationCard(&form); };
    form.ShowInjectorTestWindow = [&form] { ShowInjectorTestWindow(&form); };
}
