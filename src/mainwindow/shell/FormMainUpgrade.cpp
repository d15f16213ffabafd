// Firmware upgrade from the main window: the launch of the upgrade window for
// the controller or the adapter box, the settings backup offered before a
// controller upgrade and offered back after it, and the periodic reminder.
#include "mainwindow/shell/FormMain.h"

#include "core/AppConfig.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

namespace {
bool deviceConnected()
{
    return DataManager && DataManager->GetConnected();
}

// The hourglass for the lifetime of the object.
struct TBusyCursor {
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};
} // namespace

void TFormMain::MnIDeviceUpgradeFirmwareClick() { upgradeFirmwareFrom(sender()); }
void TFormMain::MnIUpgradeFirmwareClick() { upgradeFirmwareFrom(sender()); }
void TFormMain::BtnConfUpgradeFirmwareClick() { upgradeFirmwareFrom(sender()); }

void TFormMain::upgradeFirmwareFrom(QObject *origin)
{
    // From a control only with a connected device; the main loop's calls
    // (a device found in its bootloader, the reminder) pass no control.
    if (origin && !deviceConnected())
        return;
    ShowFormConnectStatus();
}

void TFormMain::ShowFormConnectStatus()
{
    if (!UpgradeServices.ShowConnectStatus)
        return;
    UpgradeServices.ShowConnectStatus(x(), y());
    FLinkLostAt.Disarm();
    FAutoSearchAt.Disarm();
}

void TFormMain::DeviceUpgradeFirmware(bool device)
{
    if (auto *pages = Component<QTabWidget>("PgCMain"); pages && Component<QWidget>("TbSMeasure"))
        pages->setCurrentWidget(Component<QWidget>("TbSMeasure"));
    // No other traffic reaches the port while the upgrade runs.
    Timerek->stop();
    if (TimerMapa)
        TimerMapa->stop();
    if (DataManager)
        DataManager->SetWorkType(5);
    TimerekTimer(nullptr);
    Timerek->stop();
    QThread::msleep(100);
    if (UpgradeServices.SetAdapterDetection)
        UpgradeServices.SetAdapterDetection(!device);

    bool allowed = false;
    FormUpgraderUpdateQuery(allowed);
    if (!allowed) {
        Timerek->start();
        return;
    }
    const bool inBootloader = UpgradeServices.InBootloader && UpgradeServices.InBootloader();
    const bool adapter = UpgradeServices.AdapterDetection && UpgradeServices.AdapterDetection();
    // A backup taken for this launch is offered back only when the launch
    // erased the device; one from an earlier, cut launch stays due.
    bool backupTaken = false;
    if (!inBootloader && !adapter && Common) {
        const QString question = QStringLiteral("%1\r\n%2\r\n\r\n%3")
                                     .arg(TranslateKey(QStringLiteral("strUpdWarnFactory")),
                                          TranslateKey(QStringLiteral("strUpdWarnManualSave")),
                                          TranslateKey(QStringLiteral("strQuestUpdSaveSettings")));
        if (Common->AskYesNo(question, TranslateKey(QStringLiteral("strQuestUpdSaveSettingsTitle")))) {
            // The save withdraws the request when it wrote no file.
            SettingsRestoreRequest = 1;
            MnIFileSaveAsClick();
            backupTaken = SettingsRestoreRequest == 1;
            // No backup was written (the save said why, or was cancelled):
            // nothing is erased unless the user wants it so.
            if (SettingsRestoreRequest == 0
                && !Common->AskYesNo(TranslateKey(QStringLiteral("strUpdBackupFailed")),
                                     TranslateKey(QStringLiteral("strQuestUpdSaveSettingsTitle")))) {
                Timerek->start();
                return;
            }
        }
    }
    if (UpgradeServices.RunUpgradeWindow) {
        const bool erased = UpgradeServices.RunUpgradeWindow([this] { FormUpgraderConnectClick(); },
                                                             [this](bool &ok) { FormUpgraderUpdateQuery(ok); });
        // Refused before any erase (the device's type, the file, the user's
        // No, a close): the device holds its settings still.
        if (backupTaken && !erased)
            SettingsRestoreRequest = 0;
        TBusyCursor cursor;
        if (DataManager) {
            DataManager->Reconnect(AppConfig ? AppConfig->GetComDevice() : 0, true);
            DataManager->PollGroup(TDataManager::pgConnect, true);
        }
        if (Services.ReloadPagesAfterConnect)
            Services.ReloadPagesAfterConnect();
    }
    Timerek->start();
}

void TFormMain::FormUpgraderConnectClick()
{
    if (!DataManager)
        return;
    DataManager->DetectDevice();
    DataManager->PollGroup(TDataManager::pgConnect, true);
}

void TFormMain::FormUpgraderUpdateQuery(bool &allowed)
{
    allowed = false;
    if (!DataManager)
        return;
    DataManager->DetectDevice();
    if (!deviceConnected())
        DataManager->PollGroup(TDataManager::pgConnect, true);
    else
        DataManager->ReadAllPages();
    DataManager->ReadDeviceInfo();
    const bool connected = deviceConnected();
    // The adapter's upgrade asks about the adapter box, the controller's
    // about the controller's hardware variant.
    const bool adapter = UpgradeServices.AdapterDetection && UpgradeServices.AdapterDetection();
    const bool adapterFound = adapter && UpgradeServices.AdapterAnswersForUpgrade
                              && UpgradeServices.AdapterAnswersForUpgrade();
    allowed = adapter ? adapterFound : connected && DeviceRecord.IdentityPage1 == 4;
    bool inBootloader = false;
    if (UpgradeServices.SetInBootloader)
        UpgradeServices.SetInBootloader(false);
    // A box whose program does not answer is looked for in its bootloader
    // only where the last contact found it there (a cut upgrade, the
    // dialog's probe), with or without a controller on the line; a box that
    // merely went silent is sent nothing more.
    const auto adapterBootloader = [this] { return Services.BootloaderIsAdapter && Services.BootloaderIsAdapter(); };
    const bool seekBootloader = adapter ? !adapterFound && adapterBootloader() : !connected;
    if (seekBootloader && UpgradeServices.ConnectBootloader && UpgradeServices.ConnectBootloader()
        && (!adapter || adapterBootloader())) {
        inBootloader = true;
        if (UpgradeServices.SetInBootloader)
            UpgradeServices.SetInBootloader(true);
    }
    allowed = allowed || inBootloader;
    if (!allowed && adapter && Common) {
        Common->ShowWarning(TranslateKey(QStringLiteral("strUpdImpossible")) + QStringLiteral("\r\n\r\n")
                            + TranslateKey(QStringLiteral("strUpdAdapterNotFound")));
    } else if (!allowed && Common) {
        const QString detail =
            DeviceRecord.DeviceKind == 0 && DeviceRecord.Ver.isEmpty()
                ? TranslateKey(QStringLiteral("strComError"))
                : TranslateKey(QStringLiteral("strDevice"))
                      + QStringLiteral(" %1 %2 (%3)").arg(DataManager->GetDeviceTypeText(true), DeviceRecord.Ver,
                                                          DataManager->FormatVersion(false));
        // Why: a device that answered is of a type this upgrade does not serve.
        const QString reason = connected ? QStringLiteral("\r\n")
                                               + TranslateKey(QStringLiteral("strUpdImpossibleType"))
                                                     .arg(DeviceRecord.IdentityPage1)
                                         : QString();
        Common->ShowWarning(TranslateKey(QStringLiteral("strUpdImpossible")) + QStringLiteral("\r\n\r\n") + detail
                            + reason);
    }
    // A car waiting for or running on gas is refused, saying so.
    if (allowed && !inBootloader && DeviceRecord.GasSwitchState >= 4) {
        allowed = false;
        if (Common)
            Common->ShowWarning(TranslateKey(QStringLiteral("strUpdImpossible")) + QStringLiteral("\r\n\r\n")
                                + TranslateKey(QStringLiteral("strUpdImpossibleGas")));
    }
}

int TFormMain::TakeRestoreConfigRequest()
{
    if (SettingsRestoreRequest != 1 || SettingsFileName.isEmpty() || !deviceConnected())
        return 0;
    SettingsRestoreRequest = 0;
    return 1;
}

void TFormMain::DeviceRestoreConfig()
{
    if (Common
        && Common->AskYesNo(TranslateKey(QStringLiteral("strQuestUpdLoadSettings")),
                            TranslateKey(QStringLiteral("strQuestUpdLoadSettingsTitle"))))
        LoadSettingsFileFrom(nullptr);
}

bool TFormMain::IsDeviceUpgradePossible()
{
    return deviceConnected() && DeviceRecord.IdentityPage1 == 4 && DataManager->VersionBelow(QStringLiteral("J"));
}

bool TFormMain::IsAdapterUpgradePossible()
{
    if (!UpgradeServices.AdapterUpgradeCandidate || !UpgradeServices.AdapterUpgradeCandidate())
        return false;
    const int main = UpgradeServices.AdapterMainVersion ? UpgradeServices.AdapterMainVersion() : 0;
    const QString letter = UpgradeServices.AdapterVersionLetter ? UpgradeServices.AdapterVersionLetter().toUpper()
                                                                : QString();
    return (main == 0x10 && letter < QStringLiteral("B")) || (main == 0x20 && letter < QStringLiteral("A"));
}

void TFormMain::CheckIfFirmwareUpgradePossible()
{
    auto *item = Component<QAction>("MnIDeviceUpgradeInfo");
    const bool busy = ReadingsServices.IsBusy && ReadingsServices.IsBusy();
    if (busy || !item || !item->isChecked() || FFirmwareCheckRunning != 0)
        return;
    const bool statusVisible = Services.ConnectStatusVisible && Services.ConnectStatusVisible();
    QStringList parts;
    if (!statusVisible && IsDeviceUpgradePossible())
        parts << TranslateKey(QStringLiteral("strDeviceUpdateAvailable"));
    if (!statusVisible && IsAdapterUpgradePossible())
        parts << TranslateKey(QStringLiteral("strAdapterUpdateAvailable"));
    if (parts.isEmpty() || !Common)
        return;
    FFirmwareCheckAt.Disarm();
    ++FFirmwareCheckRunning;
    const int answer = Common->AskYesNoCancel(parts.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n")
                                              + TranslateKey(QStringLiteral("strQuestUpdateRequired"))
                                              + QStringLiteral("\r\n")
                                              + TranslateKey(QStringLiteral("strUpdateCancelInfo")),
                                              TCommon::ApplicationTitle());
    if (answer == mrYes) {
        if (Timerek->isActive())
            upgradeFirmwareFrom(nullptr);
    } else if (answer == mrCancel) {
        MnIDeviceUpgradeInfoClick();
    }
    --FFirmwareCheckRunning;
    FFirmwareCheckAt.Arm(Now() + 60000);
}

void TFormMain::MnIDeviceUpgradeInfoClick()
{
    auto *item = Component<QAction>("MnIDeviceUpgradeInfo");
    if (!item)
        return;
    // The menu item flips its own check when it is triggered by the user.
    if (sender() != item)
        item->setChecked(!item->isChecked());
    if (auto *box = Component<QCheckBox>("ChBQSDeviceUpgradeInfo"))
        TCommon::SetCheckedSilently(box, item->isChecked());
    if (item->isChecked())
        FFirmwareCheckAt.Arm(Now());
}
