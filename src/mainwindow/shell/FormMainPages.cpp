// Forwards of the page operations that the shell calls. The page logic
// that owns an operation replaces its empty body here with a one-line
// forward when it is built.
#include "mainwindow/shell/FormMain.h"

#include "controls/ChangeHelper.h"
#include "core/DataManager.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "mainwindow/shell/ConfigurationPageOps.h"

#include <QAbstractButton>
#include <QMetaObject>

namespace {


} // namespace

void TFormMain::UpdateAdapterPanels()
{
    if (FClosed)
        return;
    // The recorder's scale and buffers, and the change list's grid, follow
    // their panels' new sizes.
    PanelScaleResize();
    InitChangesListGrid();
    // The docked adapter pages were rescaled with the window: each lays itself out.
    if (Services.AdjustAdapterWindows)
        Services.AdjustAdapterWindows();
    if (ConfigurationPage)
        ConfigurationPage->UpdateCylinderCountControls(false);
}
void TFormMain::UpdateCylinderCountControls(bool flag) { if (ConfigurationPage) ConfigurationPage->UpdateCylinderCountControls(flag); }
void TFormMain::UpdateConfigurationControls() { if (ConfigurationPage) ConfigurationPage->UpdateConfigurationControls(); }
void TFormMain::ReadConfiguration() { if (ConfigurationPage) ConfigurationPage->ReadConfiguration(); }
void TFormMain::ReadModelParams() { InvokePage("ModelPage", "ReadModelParams"); }
void TFormMain::ReadModel2Settings() { InvokePage("Model2Page", "ReadModel2Settings"); }
void TFormMain::ShowPsysCorrections() { InvokePage("CorrectionsPage", "ShowPsysCorrections"); }
void TFormMain::ShowPcolCorrections() { InvokePage("CorrectionsPage", "ShowPcolCorrections"); }
void TFormMain::ShowTgasCorrections() { InvokePage("CorrectionsPage", "ShowTgasCorrections"); }
void TFormMain::ShowRpmCorrections() { InvokePage("CorrectionsPage", "ShowRpmCorrections"); }
void TFormMain::SetActiveTgasCorrSpBtn(uint8_t corrType) { InvokePage("CorrectionsPage", "SetActiveTgasCorrSpBtn", int(corrType)); }
void TFormMain::SetActiveRpmCorrSpBtn(uint8_t corrType) { InvokePage("CorrectionsPage", "SetActiveRpmCorrSpBtn", int(corrType)); }
void TFormMain::SetTgasCorrSpBtnEnabled(bool flag) { InvokePage("CorrectionsPage", "SetTgasCorrSpBtnEnabled", flag); }
void TFormMain::SetRpmCorrSpBtnEnabled(bool flag) { InvokePage("CorrectionsPage", "SetRpmCorrSpBtnEnabled", flag); }
void TFormMain::SelectMaxTbForLoadItems() { InvokePage("CorrectionsPage", "SelectMaxTbForLoadItems"); }
void TFormMain::DrawModelChart() { InvokePage("ModelPage", "DrawModelChart"); }
void TFormMain::UpdateModel2Labels() { InvokePage("Model2Page", "UpdateModel2Labels"); }
bool TFormMain::WriteConfWizardConfiguration()
{
    bool written = false;
    if (auto *p = PageLogic("ConfigurationWizard"))
        QMetaObject::invokeMethod(p, "WriteConfWizardConfiguration", Q_RETURN_ARG(bool, written));
    return written;
}
void TFormMain::FillConfBasedPage() { InvokePage("ConfigurationWizard", "FillConfBasedPage"); }
void TFormMain::FillConfSwitchingPage() { InvokePage("ConfigurationWizard", "FillConfSwitchingPage"); }
void TFormMain::FillConfAdvancedPage() { InvokePage("ConfigurationWizard", "FillConfAdvancedPage"); }
void TFormMain::UpdateConfAutoCalPage(bool updateStop) { InvokePage("AutoCalibrationPage", "UpdateConfAutoCalPage", updateStop); }
void TFormMain::PgCConfWizardChange() { InvokePage("ConfigurationWizard", "PgCConfWizardChange"); }
void TFormMain::UpdateConfWizardButtons(bool refill) { InvokePage("ConfigurationWizard", "UpdateConfWizardButtons", refill); }
void TFormMain::GoToConfWizardPage(int page) { InvokePage("ConfigurationWizard", "GoToConfWizardPage", page); }
void TFormMain::TbSConfiguratorShow() { InvokePage("ConfigurationWizard", "TbSConfiguratorShow"); }
void TFormMain::ClearConfWizardControls() { if (ConfigurationPage) ConfigurationPage->ClearConfWizardControls(); }
void TFormMain::ClearCalibrationControls()
{
    InvokePage("ModelPage", "ClearControls");
    InvokePage("Model2Page", "ClearControls");
}
void TFormMain::ClearKnfControls() { if (ConfigurationPage) ConfigurationPage->ClearKnfControls(); }
void TFormMain::UpdateCalibrationControls() { InvokePage("AutoCalibrationPage", "UpdateCalibrationControls"); }
void TFormMain::UpdateMapChartsVisibility() { InvokePage("MapPage", "UpdateMapChartsVisibility"); }
void TFormMain::DrawMapChart() { InvokePage("MapPage", "DrawMapChart"); }
void TFormMain::ClearPetrolMapAct() { InvokePage("MapPage", "ClearPetrolMapAct"); }
void TFormMain::ClearGasMap() { InvokePage("MapPage", "ClearGasMap"); }
void TFormMain::CmBCalMapRPMRangeChange() { InvokePage("MapPage", "CmBCalMapRPMRangeChange"); }
void TFormMain::LoadMapFromFile(const QString &fileName) { InvokePage("MapPage", "LoadMapFromFile", fileName); }
void TFormMain::SaveMapToFile(const QString &fileName) { InvokePage("MapPage", "SaveMapToFile", fileName); }
void TFormMain::WriteDefaultConfiguration_145() { InvokePage("DefaultConfiguration", "WriteDefaultConfiguration_145"); }
void TFormMain::CmBKnfPressureSensorTypeChange() { if (ConfigurationPage) ConfigurationPage->CmBKnfPressureSensorTypeChange(); }
void TFormMain::YEdKnfPowerChange() { if (ConfigurationPage) ConfigurationPage->YEdKnfPowerChange(); }
void TFormMain::YEdConfPowerChange() { InvokePage("ConfigurationWizard", "YEdConfPowerChange"); }
void TFormMain::EdtModMULT_Change() { InvokePage("ModelPage", "EdtModMULT_Change"); }
void TFormMain::CheckFormPictureShow() { InvokePage("ComponentPictures", "CheckFormPictureShow"); }

void TFormMain::SetIdleModelChanged(bool flag) { FIdleModelChanged = flag; }

// A step of the window's creation that has nothing to do.
void TFormMain::EmptyInitStep() {}

// The mark of unwritten edits of the editing pages, shown by bold red write
// buttons; it changes only while a ready device is connected, but for a
// write that did not go through, which keeps it set also with the link lost.
void TFormMain::SetConfigModified(bool flag)
{
    if (!DataManager || !DataManager->GetConnected() || !Common || DataManager->IsDeviceNotReady())
        return;
    ShowConfigModified(flag);
}

void TFormMain::KeepConfigModified()
{
    if (Common)
        ShowConfigModified(true);
}

void TFormMain::ConfigWriteEnded(bool written)
{
    if (written)
        SetConfigModified(false);
    else
        KeepConfigModified();
}

void TFormMain::ShowConfigModified(bool flag)
{
    if (!ChangeHelper || ChangeHelper->Modified() == flag)
        return;
    ChangeHelper->SetModified(flag);
    for (const char *name : {"BtnConfWizNext", "BtnConfWriteConfig"})
        if (auto *button = Component<QAbstractButton>(name)) {
            QPalette palette = button->palette();
            palette.setColor(QPalette::ButtonText, flag ? QColor(255, 0, 0) : palette.color(QPalette::WindowText));
            button->setPalette(palette);
        }
    for (const char *name : {"BtBKnfWriteConfiguration", "BtBModWrite", "BtBModel2Write", "BtnCorWriteCorrections"})
        Common->SetButtonHighlight(Component<QAbstractButton>(name), flag);
}

bool TFormMain::ConfigModified() const { return ChangeHelper && ChangeHelper->Modified(); }

void TFormMain::ChangeHelperModified() { SetConfigModified(true); }
