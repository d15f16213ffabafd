#include "upgrade/UpgradeWiring.h"

#include "core/ComMultiPort.h"
#include "core/ui/Common.h"
#include "mainwindow/shell/FormMain.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/FormUpgrader.h"
#include "upgrade/UpgraderLogic.h"
#include "windows/FormConnectStatus.h"
#include "windows/NamedWidget.h"

#include <QPushButton>

namespace {

// Contacts the bootloader and selects its variant; a bootloader of a kind no
// variant serves is said and counts as no contact.
bool connectBootloader()
{
    try {
        return ConnectBootloaderReporting();
    } catch (const EComPortError &) {
    }
    return false;
}

} // namespace

void WireUpgradeServices(TFormMain &form)
{
    TFormMain::TServices &s = form.Services;
    s.GiveUpgradePortToLogic = [] {
        if (UpgraderLogic)
            UpgraderLogic->SetConnection(ComMultiPort, nullptr);
    };
    s.ConnectBootloader = [] { connectBootloader(); };
    s.BootloaderIsAdapter = [] { return Bootloader40Manager && Bootloader40Manager->IsAdapterType(); };
    // Firmware upgrade: a device found in its bootloader and the reminder's
    // Yes open the connection-status dialog, whose buttons start the launch.
    s.UpgradeFirmware = [&form] { form.ShowFormConnectStatus(); };
    TFormMain::TUpgradeServices &u = form.UpgradeServices;
    u.SetAdapterDetection = [](bool on) {
        if (UpgraderLogic)
            UpgraderLogic->SetAdapterDetection(on);
    };
    u.AdapterDetection = [] { return UpgraderLogic && UpgraderLogic->AdapterDetection(); };
    u.InBootloader = [] { return UpgraderLogic && UpgraderLogic->InBootloader; };
    u.SetInBootloader = [](bool on) {
        if (UpgraderLogic)
            UpgraderLogic->InBootloader = on;
    };
    u.ConnectBootloader = [] { return connectBootloader() && BootloaderConfig && BootloaderConfig->Current() != nullptr; };
    u.RunUpgradeWindow = [&form](std::function<void()> onConnect, std::function<void(bool &)> onQuery) {
        return TFormUpgrader::RunUpgrade(&form, ComMultiPort, std::move(onConnect), std::move(onQuery));
    };
    u.ShowConnectStatus = [&form](int left, int top) { ShowConnectStatusDialog(form, left, top); };
}

void WireConnectStatusToUpgrade(TFormConnectStatus &dialog)
{
    dialog.BootloaderReached = [](int &major, int &minor, int &type) {
        if (!Bootloader40Manager || Bootloader40Manager->BootInfo().BootMajor == 0)
            return false;
        const TBootInfo &info = Bootloader40Manager->BootInfo();
        major = info.BootMajor;
        minor = info.BootMinor;
        type = info.DeviceTypeCode;
        return true;
    };
    dialog.ConnectBootloader = [] {
        if (UpgraderLogic)
            UpgraderLogic->SetConnection(ComMultiPort, nullptr);
        const bool found = connectBootloader();
        if (!found && Bootloader40Manager)
            Bootloader40Manager->ClearBootInfo();
        return found;
    };
    dialog.ResetBootloader = [] {
        if (!Bootloader40Manager)
            return false;
        // A device whose programming was cut in this run keeps its
        // bootloader: leaving it would start a half-written program.
        if (UpgraderLogic && UpgraderLogic->FlashIncomplete) {
            if (Common)
                Common->ShowWarning(TranslateKey(QStringLiteral("strUpdFlashIncomplete")));
            return false;
        }
        const bool finished = Bootloader40Manager->FinishProgramming();
        return Bootloader40Manager->ExitBootloader() && finished;
    };
}

void ShowConnectStatusDialog(TFormMain &form, int left, int top)
{
    TFormConnectStatus *dialog = FormConnectStatus;
    if (!dialog)
        return;
    dialog->move(left + (form.width() - dialog->width()) / 2, top + (form.height() - dialog->height()) / 2);
    dialog->OnConnect = [&form] { form.MnIDeviceConnectClick(nullptr); };
    dialog->OnPortChosen = [&form] {
        if (form.Offline())
            form.MarkDeviceOffline(false);
    };
    dialog->OnLoadSettingsFile = [&form, dialog] { form.LoadSettingsFileFrom(dialog->BtnDevConfig); };
    dialog->IsDeviceUpgradePossible = [&form] { return form.IsDeviceUpgradePossible(); };
    dialog->IsAdapterUpgradePossible = [&form] { return form.IsAdapterUpgradePossible(); };
    dialog->OnUpgradeFirmware = [&form](bool device) { form.DeviceUpgradeFirmware(device); };
    // The settings saved before an upgrade are offered back once the device
    // shows connected again.
    dialog->OnReconnected = [&form] {
        if (form.TakeRestoreConfigRequest() == 1)
            form.DeviceRestoreConfig();
    };
    WireConnectStatusToUpgrade(*dialog);
    ExecModal(dialog);
}
