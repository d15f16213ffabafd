// The main window's tick: link watch, detection, automatic search, hand-over
// to a sibling program, the live-value group of the visible page, adapter
// modules, status panels, the bootloader and fatal-error steps.
#include "mainwindow/shell/FormMain.h"

#include "core/ComMultiPort.h"
#include "core/DataManager.h"
#include "core/Detector.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"
#include "core/FileLogger.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "controls/ChangeHelper.h"
#include "core/ui/WaitForm.h"
#include "controls/DigitalDisplay.h"
#include "mainwindow/shell/FormMainLayout.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLayout>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <exception>

namespace {

constexpr qint64 LinkLostTime = 60000;
constexpr qint64 AutoSearchDelay = 5000;
constexpr qint64 FirmwareCheckPeriod = 60000;
constexpr qint64 CorrTablesPeriod = 1000;
constexpr double TestPageDivisor = 187.0;

bool connected()
{
    return DataManager && DataManager->GetConnected();
}

bool kind48AtLeast(const char *letter)
{
    return DataManager && DataManager->IsDeviceVersionAtLeast(48, QString::fromLatin1(letter));
}

} // namespace

QString TFormMain::CurrentMainPage() const
{
    auto *pages = Component<QTabWidget>("PgCMain");
    return pages && pages->currentWidget() ? pages->currentWidget()->objectName() : QString();
}

static QString currentPageOf(const TFormMain *window, const char *pageControl)
{
    auto *pages = qobject_cast<QTabWidget *>(window->OwnPanel(pageControl));
    return pages && pages->currentWidget() ? pages->currentWidget()->objectName() : QString();
}

void TFormMain::TimerekTimer(QObject *sender)
{
    try {
        Tick(sender);
    } catch (const std::exception &e) {
        // A fault of one tick must not end the program; the next tick retries.
        LogToFile(QStringLiteral("Main timer: %1").arg(QString::fromUtf8(e.what())));
    }
}

void TFormMain::Tick(QObject *sender)
{
    // 1. Pending layout work of the adapter panels.
    if (FAdapterPanelsPending) {
        FAdapterPanelsPending = false;
        if (Services.DockAdapterPanels)
            Services.DockAdapterPanels();
        RecordDockedPanels();
    }
    // 2. Nothing else until creation is complete.
    if (!FReady)
        return;
    // 3. Offline: no device.
    if (FOffline) {
        DeviceRecord.DeviceKind = 0;
        if (DataManager)
            DataManager->SetConnected(false);
    }
    // 4.
    const bool wasConnected = connected();
    bool readOk = false;

    // 5. Link watch.
    if (!connected() && !FOffline) {
        if (FLinkLostAt.State() == TDeadline::Fired)
            return;
        if (FLinkLostAt.State() == TDeadline::NotArmed) {
            FLinkLostAt.Arm(Now() + LinkLostTime);
        } else if (FLinkLostAt.Passed(Now())) {
            if (ComMultiPort)
                ComMultiPort->Close();
            MarkDeviceOffline(true);
            FLinkLostAt.Fire();
            const QString text = TranslateKey(QStringLiteral("strDisconnectGoOffline"))
                                 + QStringLiteral("\r\n\r\n")
                                 + TranslateKey(QStringLiteral("strDisconnectRetryInfo"));
            if (Common && Common->AskOkCancel(text, TCommon::NoCaption(), true, true) == mrOk)
                MarkDeviceOffline(false);
            return;
        }
    } else {
        FLinkLostAt.Disarm();
    }

    if (!FOffline) {
        // 7. Polling rate.
        SetTickInterval();

        // 8. Detection.
        TDetector *detector = DetectorComponent;
        if (detector->GetDetectedKind() == 0 || (!connected() && !detector->Answered()))
            DetectDeviceWorkStep(false);

        // 9. Automatic search.
        if (detector->GetDetectedKind() == 0 && AutoSearchChecked()) {
            if (FAutoSearchAt.State() != TDeadline::Armed) {
                FAutoSearchAt.Arm(Now() + AutoSearchDelay);
            } else if (Now() >= FAutoSearchAt.At()
                       && !(Services.ConnectStatusVisible && Services.ConnectStatusVisible())) {
                AutoSearchStep();
                return;
            }
        } else {
            FAutoSearchAt.Disarm();
            FAutoSearchCount = 0;
        }

        // 10. Another program family: hand the port over.
        if (HandOverToSibling())
            return;

        // 11. Whether an auto-calibration runs.
        UpdateCalibrationRunning();
        // 12.
        const bool onAutoCalPage = CurrentMainPage() == QLatin1String("TbSConfigurator")
                                   && currentPageOf(this, "PgCConfWizard") == QLatin1String("TbSConfAutoCal");
        // 13.
        CheckPendingWorkState();
        UpdateModel2AdaptationControls();
        // 14. Once a second.
        if (FCorrTablesAt.Passed(Now()) || FCorrTablesAt.State() == TDeadline::NotArmed) {
            FCorrTablesAt.Arm(Now() + CorrTablesPeriod);
            if (Services.HideCorrectionTables)
                Services.HideCorrectionTables();
        }
        // 15. Trouble codes found by the connect.
        if (DataManager && DataManager->TroubleCodesPresent) {
            if (Services.ShowTroubleCodes)
                Services.ShowTroubleCodes();
            DataManager->TroubleCodesPresent = false;
        }
        // 16. Lock state and menus.
        UpdateDeviceMenus();
        // 17. Reads of a connected device.
        if (connected()) {
            if (FFirmwareCheckAt.Passed(Now()) && FFirmwareCheckRunning == 0) {
                FFirmwareCheckAt.Arm(Now() + FirmwareCheckPeriod);
                if (Services.CheckIfFirmwareUpgradePossible)
                    Services.CheckIfFirmwareUpgradePossible();
            }
            if (CurrentMainPage() == QLatin1String("TbSMultiCalibration") && WindowServices.Kind48CalibrationTick)
                WindowServices.Kind48CalibrationTick();
            PollPageGroups(readOk, onAutoCalPage);
        }
        // 18. OBD link mark.
        if (Services.SetManagerStateFlag)
            Services.SetManagerStateFlag(0x20000, Services.ObdLinkConnected && Services.ObdLinkConnected());
        // 19. Adapter modules follow a fresh connection.
        if (DataManager)
            DataManager->SyncModules(!wasConnected && connected());
        // 20.-22. Adapter modules and their readings.
        if (Services.ManagerWorkStep)
            Services.ManagerWorkStep();
        const bool adapterPage = CurrentMainPage() == QLatin1String("TbSAdapter");
        const QString adapterTab = adapterPage ? currentPageOf(this, "PgCAdapterMain") : QString();
        const bool adapterObd = adapterTab == QLatin1String("TbSAdapterMultiOBD");
        if (Services.ObdReadingsMiniVisible && Services.ObdReadingsMiniVisible() && Services.ObdRefreshLive)
            Services.ObdRefreshLive(adapterObd);
        if (adapterObd)
            ShowAdapterObdReadings();
        else if (adapterTab == QLatin1String("TbSAdapterMultiAIO") && Services.AioRefreshLive)
            Services.AioRefreshLive();
        // 23. A fresh connection reloads the pages.
        if (connected() && DataManager->DeviceReread) {
            // Values a write did not get to the device stay on the pages,
            // marked, across the reconnection that follows.
            const bool keepPages = ConfigModified();
            if (Services.AdaptToDevice)
                Services.AdaptToDevice();
            if (Services.ReloadPagesAfterConnect)
                Services.ReloadPagesAfterConnect();
            if (ChangeHelper && !keepPages)
                ChangeHelper->SetModified(false);
            // A freshly connected device is asked about its change record again.
            if (Common)
                Common->ClearModeChangeAccepted();
            DataManager->DeviceReread = false;
        }
        // A change record still owed here belongs to a write that ended
        // without saying whether it went through (it gave up before its
        // first frame): no record goes out, and the next write asks again.
        // A write in progress (one holding a modal box open while this tick
        // runs) reports itself.
        if (Common && Common->ChangeRecordOwed() && !Common->WriteInProgress() && !QApplication::activeModalWidget()
            && Common->OpenGuardedBoxes() == 0)
            Common->ChangeWritten(false);
        // 24. Adapter detection.
        const bool detectDone = Services.FetchDetectDone && Services.FetchDetectDone();
        const bool second = Services.FetchSecondFlag && Services.FetchSecondFlag();
        if (detectDone)
            RefreshAdapterWindows();
        if (detectDone || second) {
            CheckDeviceVersionCompatibility();
            if (Services.PgCMainChange)
                Services.PgCMainChange();
        }
    }

    // 25. Status panels, also offline.
    const bool unserved = DataManager && DataManager->CheckDeviceProgram(false);
    if (auto *ver = Component<QWidget>("PnlStatusVer"))
        ver->setVisible(unserved);
    PnlStatusDeviceInfoUpdate();
    if (auto *status = Component<QWidget>("PnlStatus"))
        status->setVisible(!(unserved || (connected() && DeviceRecord.DeviceKind != 0)));
    UpdateOfflinePanels();
    PnlStatusConnectedUpdate(false);
    GrBQSSoftVersionsUpdate();
    // 26. Indicator panels.
    UpdateIndicatorPanels();
    // 27.
    if (FOffline)
        return;
    // 28. No link: only a bootloader may be answering.
    if (!connected()) {
        if (auto *info = Component<TCaptionPanel>("LblModel2Info1"))
            info->SetCaption(QString());
        BootloaderStep(sender);
        return;
    }
    // 29. A fatal device error ends the program.
    if (FatalDeviceError())
        return;
    // The pressure sensor's values serve every reading of this tick.
    const TPressureValuesOnce pressureValues;
    // 30. Calibration page readouts.
    if (CurrentMainPage() == QLatin1String("TbSCalibration") && Services.CalibrationReadouts)
        Services.CalibrationReadouts();
    // 31. Live readings.
    if (readOk)
        UpdateLiveReadings();
    // 32. Oscilloscope.
    if (readOk && Services.OscilloscopeStep)
        Services.OscilloscopeStep();
    // 33.
    if (auto *autocal = Component<QWidget>("LblCalTxt3"))
        autocal->setVisible(DataManager->WorkType == 3);
    // A running auto-calibration is followed (and ended when it overruns)
    // whichever page is shown.
    if (ReadingsServices.IsBusy && ReadingsServices.IsBusy()) {
        UpdateCalibrationControls();
        UpdateConfAutoCalPage(false);
    }
    // 34. Gas-switch panel.
    PnlStatusGazSwitchUpdate();
}

void TFormMain::ShowAdapterObdReadings()
{
    // The docked OBD window shows the controller's own values beside the
    // car's, from the record as the last live group left it.
    const TDeviceRecord &r = DeviceRecord;
    auto show = [this](const char *name, const QString &text) {
        if (auto *display = Component<TDigitalDisplay>(name))
            display->SetCaption(text);
    };
    show("DgDOBDRealRPM", FormatRpm(r.RpmPeriod));
    show("DgDOBDRealPsys", FormatPressure(r.GasPressureRaw));
    show("DgDOBDRealPcol", FormatCollectorPressure(r.ManifoldPressureRaw));
    show("DgDOBDRealTred", FormatTemperature(r.ReducerTempRaw));
    show("DgDOBDRealTgas", FormatTemperature(r.GasTempRaw));
    if (auto *petrol = Component<TDigitalDisplay>("DgDOBDRealTb"))
        ShowInjTimes(petrol, Component<TDigitalDisplay>("DgDOBDRealTg"));
}

void TFormMain::SetTickInterval()
{
    int interval = 1000;
    if (connected())
        interval = CurrentMainPage() == QLatin1String("TbSConfig") ? 500 : 200;
    if (Timerek->interval() != interval)
        Timerek->setInterval(interval);
}

void TFormMain::AutoSearchStep()
{
    ++FAutoSearchCount;
    auto *label = Component<TCaptionPanel>("LblStatusAutoConnect");
    auto *text = Component<QWidget>("PnlStatusText");
    auto *autoConnect = Component<TCaptionPanel>("PnlStatusAutoConnect");
    auto *connectItem = Component<QAction>("MnIDeviceConnect");
    QString menuCaption = connectItem ? connectItem->text() : QString();
    menuCaption.remove(QLatin1Char('&'));
    const int savedWidth = text ? text->width() : 0;
    if (label)
        label->SetCaption(QStringLiteral(" (%1) %2  ").arg(FAutoSearchCount).arg(menuCaption));
    ShowAutoConnectText(label ? label->Caption() : QString());
    if (autoConnect)
        autoConnect->show();
    repaint();
    ConnectWaitForm->SetInvisible(true);
    ConnectWaitForm->SetDisableParent(false);
    FOnConnectPort = [this](QObject *s, const QString &t) { DeviceConnectComChange(s, t); };
    MnIDeviceConnectClick(static_cast<QObject *>(nullptr));
    ConnectWaitForm->SetDisableParent(true);
    ConnectWaitForm->SetInvisible(false);
    if (autoConnect)
        autoConnect->hide();
    if (text)
        text->setFixedWidth(savedWidth);
    repaint();
    FAutoSearchAt.Disarm();
}

void TFormMain::ShowAutoConnectText(const QString &caption)
{
    // The status text panel takes the width the whole text needs in the
    // auto-connect panel's own font, frame and margins, and the status bar
    // lays out at once, so that the text is not painted clipped first.
    auto *text = Component<QWidget>("PnlStatusText");
    auto *autoConnect = Component<TCaptionPanel>("PnlStatusAutoConnect");
    if (!text || !autoConnect)
        return;
    autoConnect->SetCaption(caption);
    const QMargins m = autoConnect->contentsMargins();
    const int needed = autoConnect->fontMetrics().horizontalAdvance(caption) + m.left() + m.right()
                       + 2 * autoConnect->frameWidth() + 2 * std::max(0, autoConnect->margin()) + 8;
    text->setFixedWidth(needed);
    if (QLayout *layout = text->parentWidget() ? text->parentWidget()->layout() : nullptr)
        layout->activate();
    autoConnect->setGeometry(text->rect());
}

bool TFormMain::HandOverToSibling()
{
    TDetector *detector = DetectorComponent;
    if (detector->GetExeFamily() == 2)
        return false;
    QString program;
    if (!detector->FindProgram(0, program) || program.isEmpty())
        return false;
    if (ComMultiPort)
        ComMultiPort->Close();
    Timerek->stop();
    close();
    detector->StartProgram(program);
    return true;
}

void TFormMain::UpdateCalibrationRunning()
{
    if (!DataManager)
        return;
    // The program logic keeps whether a calibration run is going on.
    auto setActive = [this](bool active) {
        if (Services.SetCalibrationActive)
            Services.SetCalibrationActive(active);
    };
    if (DataManager->IsDeviceType(48)) {
        switch (DeviceRecord.IdentityPage5) {
        case 1:
            DataManager->WorkType = 3;
            setActive(true);
            break;
        case 0:
            setActive(false);
            break;
        default:
            if (DataManager->ReadStatus21b() && DeviceRecord.AutoCalState != 0
                && DeviceRecord.AutoCalState != 10) {
                DataManager->WorkType = 3;
                setActive(true);
            }
            break;
        }
    } else if (DataManager->IsDeviceType(20) || DataManager->IsDeviceType(21)) {
        setActive(DataManager->WorkType == 3);
    }
}

void TFormMain::PollPageGroups(bool &readOk, bool onAutoCalPage)
{
    const QString page = CurrentMainPage();
    if (page == QLatin1String("TbSConfig")) {
        DataManager->PollGroup(TDataManager::pgLive, false);
    } else if (page == QLatin1String("TbSConfigurator")) {
        if (!onAutoCalPage)
            DataManager->PollGroup(TDataManager::pgConnect, false);
        readOk = DataManager->PollGroup(TDataManager::pgLive, false);
    } else {
        // The kind-48 configuration sheet: its window's live values and
        // group 0, while the window exists.
        if (page == QLatin1String("TbSMultiConfiguration") && WindowServices.Kind48ConfigurationUpdateDeviceInfo
            && WindowServices.Kind48ConfigurationUpdateDeviceInfo())
            DataManager->PollGroup(TDataManager::pgConnect, false);
        readOk = DataManager->PollGroup(TDataManager::pgLive, false);
    }

    if (page == QLatin1String("TbSTests")) {
        const uint16_t value = DataManager->ReadValue16(37);
        if (auto *display = Component<TDigitalDisplay>("DgDTestVariable"))
            display->SetCaption(FormatFloat2(value / TestPageDivisor));
    } else if (page == QLatin1String("TbSCalibration")
               && currentPageOf(this, "PgCCalibration") == QLatin1String("TbSCalCorrections")) {
        const bool bank1 = currentPageOf(this, "PgCOBDAdaptationCorr") == QLatin1String("TbSOBDAdaptCorrBank1");
        readOk = DataManager->PollGroup(bank1 ? TDataManager::pgAdaptBank1 : TDataManager::pgAdaptBank2, false);
    }

    if (DataManager->WorkType == 3) {
        const int group = DataManager->IsDeviceType(48) ? TDataManager::pgAutoCal2 : TDataManager::pgAutoCal;
        if (DataManager->PollGroup(group, false))
            readOk = true;
    }
}

void TFormMain::UpdateIndicatorPanels()
{
    const bool online = connected() && !FOffline;
    const TDeviceRecord &r = DeviceRecord;
    auto show = [this](const char *name, bool visible) -> QWidget * {
        auto *w = Component<QWidget>(name);
        if (w)
            w->setVisible(visible);
        return w;
    };
    show("PnlStatusMapAdaptationActive",
         online && DevData && DevData->GetAdaptation() && kind48AtLeast("D"));
    const bool obdAdaptation = DataManager && DataManager->IsAdaptationVariableSet
                               && DataManager->IsAdaptationVariableSet();
    const bool obdModule = Services.ObdModuleActive && Services.ObdModuleActive();
    show("PnlStatusOBDAdaptationActive", connected() && obdModule && obdAdaptation && kind48AtLeast("H"));
    const bool corrMap = online && (r.MapCorrections & 0x01) && kind48AtLeast("G");
    if (auto *panel = qobject_cast<TCaptionPanel *>(show("PnlStatusCorrMapActive", corrMap)); panel && corrMap) {
        panel->SetCaption(TranslateKey(QStringLiteral("strQPnlStatusCorrMap")) + QStringLiteral(" (")
                          + QString::number(r.ConnectBytes.Bank1Correction) + QStringLiteral("/")
                          + QString::number(r.ConnectBytes.Bank2Correction) + QStringLiteral(")"));
        // The panel grows to its whole caption (a centred text wider than the
        // panel would lose both its ends).
        const int needed = panel->fontMetrics().horizontalAdvance(panel->Caption()) + 2 * panel->frameWidth()
                           + 2 * panel->margin() + 8;
        if (panel->width() < needed)
            panel->setFixedWidth(needed);
    }
    show("PnlStatusCorrectionRPM", online && (r.CMActive & 0x04));
    show("PnlStatusCorrectionPcol", online && (r.CMActive & 0x08) && kind48AtLeast("G"));
    show("PnlStatusCorrectionTgas", online && (r.CMActive & 0x02));
    show("PnlStatusCorrectionPsys", online && (r.CMActive & 0x01));
}

void TFormMain::BootloaderStep(QObject *sender)
{
    TDetector *detector = DetectorComponent;
    if (detector->GetDetectedKind() != 8 || detector->GetVersionMajor() == 0 || !sender)
        return;
    if (Services.ConnectStatusVisible && Services.ConnectStatusVisible())
        return;
    Timerek->stop();
    // The detector's probe tells a bootloader, not whose: the bootloader
    // reports its device type when contacted, as the connect action does, so
    // that the warning names the adapter box when it is the box.
    if (Services.ConnectBootloader)
        Services.ConnectBootloader();
    const bool adapter = Services.BootloaderIsAdapter && Services.BootloaderIsAdapter();
    const QString text = TranslateKey(adapter ? QStringLiteral("strUpdAdapt") : QStringLiteral("strUpdMod"));
    if (Common)
        Common->ShowWarning(text, TCommon::NoCaption());
    Timerek->start();
    if (Services.UpgradeFirmware)
        Services.UpgradeFirmware();
    detector->Reset();
}

bool TFormMain::FatalDeviceError()
{
    auto harmless = [] { return DeviceRecord.IdentityPage4 == 0 || DeviceRecord.IdentityPage4 == 19; };
    if (harmless())
        return false;
    DataManager->ReadPage(4);
    if (harmless() || !connected())
        return false;
    Timerek->stop();
    const QString text = TranslateKey(QStringLiteral("strWPCV")) + QStringLiteral(" [")
                         + QString::number(DeviceRecord.IdentityPage4) + QStringLiteral("]");
    if (Common)
        Common->ShowError(text, TCommon::NoCaption());
    // Closing the window normally stores the settings before the program ends.
    close();
    QCoreApplication::exit(1);
    return true;
}

void TFormMain::CheckPendingWorkState()
{
    if (DataManager && FFirmwareCheckRunning == 0 && !DataManager->VersionSupported
        && DataManager->FailedThisPoll)
        DataManager->FailedThisPoll = false;
}

void TFormMain::UpdateModel2AdaptationControls()
{
    // Whether the model-2 adaptation map is complete is known to the
    // calibration pages only; without them the switch can only be turned off.
    auto *adaptation = Component<QAbstractButton>("ChBModel2Adaptation");
    const bool capable = kind48AtLeast("E");
    const bool complete = ReadingsServices.Model2AdaptMapComplete && ReadingsServices.Model2AdaptMapComplete();
    if (adaptation) {
        if (capable)
            adaptation->setEnabled(adaptation->isChecked() || complete);
        else
            adaptation->setEnabled(false);
    }
    if (capable)
        if (auto *w = Component<QWidget>("LblModel2AdaptMapIncomplete"))
            w->setVisible(!complete);
    if (!capable)
        for (const char *name : {"LblModel2FinishWarnAutoCal", "LblModel2AdaptMapIncomplete"})
            if (auto *w = Component<QWidget>(name))
                w->hide();
    const bool adapting = adaptation && adaptation->isEnabled() && adaptation->isChecked();
    for (const char *name : {"BtBModel2Default", "SpBModel2SetNewModel", "BtnCalMapPetrolClear",
                             "BtnCalMapClearAdaptationTemplateClear", "BtnCalMapLoadFromFile",
                             "BtnCalMapSetModel", "ChtModel2"})
        if (auto *w = Component<QWidget>(name))
            w->setEnabled(!adapting);
    if (auto *pages = Component<QTabWidget>("PgCModel2Model"))
        if (auto *model = Component<QWidget>("TbSModel2Model"))
            pages->setTabVisible(pages->indexOf(model), !adapting);
}
