// Connecting: the search over the serial ports with the last used port first
// behind the wait window, offline mode, automatic search, and the panels and
// menu items that follow the connection and lock state.
#include "mainwindow/shell/FormMain.h"

#include "core/AppConfig.h"
#include "core/ComMultiPort.h"
#include "core/CommonConv.h"
#include "core/DataManager.h"
#include "core/Detector.h"
#include "core/DeviceRecord.h"
#include "core/FileLogger.h"
#include "core/LM.h"
#include "core/ui/Common.h"
#include "core/ui/WaitForm.h"
#include "mainwindow/shell/FormMainLayout.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QGuiApplication>
#include <QPushButton>
#include <QTimer>

#include <exception>

namespace {

// Shows or hides the wait window's Cancel button while it is up.
void showCancel(TWaitForm *form, bool shown)
{
    if (TWaitFormWindow *w = form->Window()) {
        w->PnlCancel->setVisible(shown);
        w->BtnCancel->setEnabled(shown);
    }
}

// Processes the application's events, user input included, for a while.
void pumpFor(int milliseconds)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents,
                                        std::max(1, milliseconds - static_cast<int>(t.elapsed())));
    } while (t.elapsed() < milliseconds);
}

// The hourglass for the lifetime of the object.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

} // namespace

void TFormMain::MnIDeviceConnectClick()
{
    QObject *origin = sender();
    MnIDeviceConnectClick(origin ? origin : this);
}

void TFormMain::MnIDeviceConnectClick(QObject *sender)
{
    if (FConnecting)
        return;
    FConnecting = true;
    const bool timerWasOn = Timerek->isActive();
    const bool mapTimerWasOn = TimerMapa->isActive();
    Timerek->stop();
    TimerMapa->stop();

    {
        WaitCursor cursor;
        TDetector *detector = DetectorComponent;
        try {
            if (sender)
                MarkDeviceOffline(false);
            detector->OnProgress = [this] { UpdateConnectWaitForm(); };

            const QString caption = TranslateKey(QStringLiteral("strDevSearch"));
            if (!caption.startsWith(QLatin1Char('!')))
                ConnectWaitForm->SetCaption(caption);
            const QString cancel = TranslateKey(QStringLiteral("strCancel"));
            if (!cancel.startsWith(QLatin1Char('!')))
                ConnectWaitForm->SetCancelText(cancel);
            if (!ConnectWaitForm->Window())
                ConnectWaitForm->Show();
            FConnectWaitDisabledForm = ConnectWaitForm->ActiveForm()
                                           ? ConnectWaitForm->ActiveForm()
                                           : static_cast<QWidget *>(this);
            showCancel(ConnectWaitForm, false);

            if (detector->GetExeFamily() != 0) {
                ShowConnectedPort();
            } else {
                showCancel(ConnectWaitForm, true);
                const int previousPort = ComMultiPort ? ComMultiPort->ComDevice() : 1;
                QStringList ports;
                TCommonConv::EnumerateComPorts(ports);
                for (int i = 0; i < ports.size(); ++i)
                    if (TCommonConv::ComPortNumberFromName(ports[i]) == previousPort) {
                        ports.move(i, 0);
                        break;
                    }
                SearchPorts(sender, ports, previousPort);
            }
        } catch (const std::exception &e) {
            LogToFile(QStringLiteral("Connect: %1").arg(QString::fromUtf8(e.what())));
        }

        // Whatever happened, the window goes and the timers come back.
        ConnectWaitForm->Hide();
        if (FConnectWaitDisabledForm)
            FConnectWaitDisabledForm->repaint();
        FConnectWaitDisabledForm = nullptr;
        ConnectWaitForm->SetInvisible(false);
        // Only the first search, the one at start, mirrors onto the splash.
        ConnectWaitForm->OnStatusChange = nullptr;
        detector->OnProgress = nullptr;
    }
    FConnecting = false;
    // A window closed meanwhile keeps its timers stopped.
    if (timerWasOn && !FClosed)
        Timerek->start();
    if (mapTimerWasOn && !FClosed)
        TimerMapa->start();
}

void TFormMain::SearchPorts(QObject *sender, const QStringList &ports, int previousPort)
{
    TDetector *detector = DetectorComponent;
    bool found = false;
    for (const QString &portName : ports) {
        UpdateConnectWaitForm();
        if (ConnectWaitForm->Cancelled() && !FOffline)
            // Cancel in the wait window: the user chose to work without a device.
            MarkDeviceOffline(true);
        // Offline, or the window closed meanwhile (the program is ending).
        if (FOffline || FClosed)
            break;
        ConnectWaitForm->SetStatusText(portName);
        ConnectWaitForm->ProcessMessages();
        if (ConnectWaitForm->TimedOut() || FOffline)
            break;
        if (FOnConnectPort) {
            FOnConnectPort(this, QStringLiteral("(%1)").arg(portName));
            repaint();
        }

        const int number = TCommonConv::ComPortNumberFromName(portName);
        try {
            // The port in use is not switched (so not reopened) by the
            // reconnect: open it here, so that a failure shows its reason.
            if (ComMultiPort && ComMultiPort->ComDevice() == number && !ComMultiPort->GetConnected())
                ComMultiPort->Open();
            if (DataManager)
                DataManager->Reconnect(number, true);
        } catch (const std::exception &e) {
            // A port that cannot be opened (gone, or taken by another program)
            // has no device for us: say why and try the next one.
            const QString reason = QStringLiteral("%1: %2").arg(portName, QString::fromUtf8(e.what()));
            LogToFile(QStringLiteral("Connect: %1").arg(reason));
            ConnectWaitForm->SetStatusText(reason);
            ConnectWaitForm->ProcessMessages();
            continue;
        }

        if (detector->GetExeFamily() != 0 && DataManager && DataManager->GetConnected()) {
            PnlStatusConnectedUpdate(true);
            TimerekTimer(this);
        }
        if (Services.SplashOffLineRequested && Services.SplashOffLineRequested())
            break;
        if (detector->GetExeFamily() != 0) {
            ShowConnectedPort();
            found = true;
            break;
        }
        if (detector->GetDetectedKind() == 8 && detector->GetVersionMajor() != 0) {
            if (Services.ConnectBootloader)
                Services.ConnectBootloader();
            if (sender) {
                const bool timerOn = Timerek->isActive();
                Timerek->stop();
                const bool adapter = Services.BootloaderIsAdapter && Services.BootloaderIsAdapter();
                const QString text =
                    TranslateKey(adapter ? QStringLiteral("strUpdAdapt") : QStringLiteral("strUpdMod"));
                if (!text.startsWith(QLatin1Char('!')) && Common)
                    Common->ShowWarning(text, TCommon::NoCaption());
                if (timerOn)
                    Timerek->start();
            }
            found = true;
            break;
        }
    }

    Q_UNUSED(found);
    if (detector->GetExeFamily() == 0 && ComMultiPort) {
        // Nothing answered: the last used port stays the chosen one.
        if (ComMultiPort->ComDevice() != previousPort) {
            ComMultiPort->Close();
            ComMultiPort->SetComDevice(previousPort);
        }
        if (!ports.isEmpty() && DataManager && DataManager->OnConnectionInfo)
            DataManager->OnConnectionInfo();
    }
}

void TFormMain::ShowConnectedPort()
{
    if (auto *status = Component<QWidget>("PnlStatus"))
        status->hide();
    QString text = TranslateKey(QStringLiteral("strDevConnectPort"));
    const bool translated = !text.startsWith(QLatin1Char('!'));
    text = translated ? text + QLatin1Char(' ') : QStringLiteral(">>> ");
    const int port = AppConfig ? AppConfig->GetComDevice() : (ComMultiPort ? ComMultiPort->ComDevice() : 0);
    ConnectWaitForm->SetStatusText(text + QStringLiteral("COM") + QString::number(port));
    showCancel(ConnectWaitForm, false);
    ConnectWaitForm->ProcessMessages();
    if (translated)
        pumpFor(500);
}

void TFormMain::UpdateConnectWaitForm()
{
    ConnectWaitForm->ProcessMessages();
    pumpFor(50);
}

void TFormMain::DeviceConnectComChange(QObject *, const QString &text)
{
    auto *label = Component<TCaptionPanel>("LblStatusAutoConnect");
    if (!label)
        return;
    ShowAutoConnectText(QStringLiteral("%1 %2  ").arg(label->Caption(), text));
}

void TFormMain::ConnectWaitFormStatusChange()
{
    if (Services.SetSplashCancelHandler)
        Services.SetSplashCancelHandler([this](QObject *) { ConnectWaitFormCancelClick(); });
    if (Services.SetSplashStatus)
        Services.SetSplashStatus(ConnectWaitForm->StatusText(),
                                 DataManager && DataManager->GetConnected());
}

void TFormMain::ConnectWaitFormCancelClick()
{
    ConnectWaitForm->Stop();
    MarkDeviceOffline(true);
    ConnectWaitForm->SetInvisible(false);
}

bool TFormMain::CheckOfflineMode()
{
    const bool offline =
        FOffline || (Services.SplashOffLineRequested && Services.SplashOffLineRequested());
    if (offline)
        ConnectWaitFormCancelClick();
    return offline;
}

void TFormMain::MarkDeviceOffline(bool value)
{
    FOffline = value;
    if (auto *item = Component<QAction>("MnIDeviceOffline"))
        item->setChecked(value);
    TCommon::SetCheckedSilently(Component<QAbstractButton>("ChBQSOffline"), value);
    if (value) {
        if (DataManager)
            DataManager->SetConnected(false);
        DetectorComponent->Reset();
        if (ComMultiPort)
            ComMultiPort->Close();
    } else {
        FAutoSearchAt.Arm(Now());
        FAutoSearchCount = 0;
        FLinkLostAt.Disarm();
    }
    UpdateOfflinePanels();
}

void TFormMain::MnIDeviceOfflineClick()
{
    auto *item = Component<QAction>("MnIDeviceOffline");
    // The menu item toggles itself before its handler runs; the panels and
    // the check box do not.
    const bool fromMenu = sender() == item;
    const bool wasChecked = item ? (fromMenu ? !item->isChecked() : item->isChecked()) : FOffline;
    MarkDeviceOffline(!wasChecked);
}

void TFormMain::MarkDeviceAutoSearch(bool value)
{
    if (auto *item = Component<QAction>("MnIDeviceAutoSearch"))
        item->setChecked(value);
    TCommon::SetCheckedSilently(Component<QAbstractButton>("ChBQSAutoSearch"), value);
    if (value) {
        FAutoSearchAt.Arm(Now());
        FAutoSearchCount = 0;
    }
}

void TFormMain::MnIDeviceAutoSearchClick()
{
    auto *item = Component<QAction>("MnIDeviceAutoSearch");
    const bool fromMenu = sender() == item;
    const bool wasChecked = item ? (fromMenu ? !item->isChecked() : item->isChecked()) : false;
    MarkDeviceAutoSearch(!wasChecked);
}

void TFormMain::ChBQSAutoSearchClick()
{
    auto *item = Component<QAction>("MnIDeviceAutoSearch");
    MarkDeviceAutoSearch(!(item && item->isChecked()));
}

void TFormMain::UpdateOfflinePanels()
{
    auto show = [this](const char *name, bool visible) {
        if (auto *w = Component<QWidget>(name))
            w->setVisible(visible);
    };
    show("PnlStatusOffline", FOffline);
    if (FOffline) {
        show("PnlOdcDevOffline", true);
        show("PnlOdcDevLock", false);
        show("PnlOdcNavTwtr", false);
        show("PnlStatusLock", false);
    } else {
        show("PnlOdcDevOffline", false);
    }
}

void TFormMain::UpdateDeviceMenus()
{
    if (!DataManager || !DataManager->GetConnected())
        return;
    // A failed exchange tells nothing about the lock: the record and the
    // pages stay as they are until an answer comes.
    const uint32_t failuresBefore = DataManager->FailureCount;
    const bool failedBefore = DataManager->FailedThisPoll;
    const uint8_t state = DataManager->SendCmd3F();
    if (DataManager->FailureCount != failuresBefore || !DataManager->GetConnected()
        || (failedBefore && state == 0))
        return;

    // The panel's own visibility, also while the window is not shown yet
    // (the first connect runs during creation).
    auto *status = Component<QWidget>("PnlStatus");
    bool unlocked = !(status && !status->isHidden());
    bool lockPanel = true;
    switch (state) {
    case 0xF0:
        unlocked = true;
        lockPanel = false;
        break;
    case 0x0F:
        unlocked = false;
        break;
    case 0x00:
        unlocked = false;
        lockPanel = false;
        break;
    default:
        break;
    }
    // The record keeps what the device held before a lock: the pages write
    // from it once the device answers again, never from a cleared one. A
    // connection made while the device was locked read nothing of it.
    const bool wasLocked = FDeviceLocked;
    FDeviceLocked = !unlocked;
    if (DataManager->DeviceReread)
        FLockedAtConnect = !unlocked;
    if (auto *lock = Component<QWidget>("PnlStatusLock"))
        lock->setVisible(lockPanel);
    if (auto *nav = Component<QWidget>("PnlOdcNavTwtr"))
        nav->setVisible(!lockPanel);
    if (!unlocked && !ConfigModified()) {
        // The pages show nothing of a locked device; pages holding unwritten
        // edits keep them for a write once it is unlocked.
        ClearKnfControls();
        ClearCalibrationControls();
        ClearConfWizardControls();
    }
    if (auto *item = Component<QAction>("MnIDeviceLock"))
        item->setEnabled(unlocked);
    if (auto *item = Component<QAction>("MnIDeviceUnlock"))
        item->setEnabled(!unlocked);
    if (auto *item = Component<QAction>("MnIFileSaveAs"))
        item->setVisible(unlocked);
    if (auto *item = Component<QAction>("MnIFileLoadCnf"))
        item->setVisible(unlocked);
    if (auto *button = Component<QWidget>("BtnConfLoadSettings"))
        button->setVisible(unlocked);
    // A fresh connection's pages are reloaded by the tick.
    if (wasLocked && unlocked && !DataManager->DeviceReread)
        ShowDeviceAfterUnlock();
}

void TFormMain::ShowDeviceAfterUnlock()
{
    // Another tool may have changed the device while it was locked, and a
    // connection made while it was locked could not read it. Pages without
    // edits read it again as they are shown; for pages holding edits the
    // record takes what it holds now, so that their writes send it where
    // they show nothing of their own, unless the edits are kept in the
    // record itself (the kind-48 calibration window's).
    const bool editsOnPages = ConfigModified()
                              || (WindowServices.Kind48ConfigurationModified && WindowServices.Kind48ConfigurationModified());
    const bool editsInRecord = WindowServices.Kind48CalibrationModified && WindowServices.Kind48CalibrationModified();
    if (FLockedAtConnect || (editsOnPages && !editsInRecord))
        DataManager->ReadDeviceOnConnect();
    if (FLockedAtConnect && Services.AdaptToDevice)
        Services.AdaptToDevice();
    FLockedAtConnect = false;
    // The pages the lock emptied show the device again, and the page shown
    // reads it as its entry does; pages holding unwritten edits keep them.
    ReloadPagesAfterConnect();
    FLanguagePageRefresh = true;
    PgCMainChange(nullptr);
    FLanguagePageRefresh = false;
}

void TFormMain::CheckDeviceVersionCompatibility()
{
    if (!Services.AdapterVariableInt)
        return;
    const int a = Services.AdapterVariableInt(QStringLiteral("AdapterMainVersion"));
    const int b = Services.AdapterVariableInt(QStringLiteral("AdapterBootloaderProductName"));
    if (b <= 0)
        return;
    const bool incompatible = (a == 0x10 && b != 1) || (a == 0x20 && b != 2);
    if (!incompatible)
        return;
    const bool timerOn = Timerek->isActive();
    Timerek->stop();
    const QString text = TranslateKey(QStringLiteral("strWAPCV")) + QStringLiteral(" {")
                         + QString::asprintf("%.2x", static_cast<unsigned>(a)) + QStringLiteral("}")
                         + QStringLiteral(" [") + QString::number(b) + QStringLiteral("]");
    if (Common)
        Common->ShowError(text, TCommon::NoCaption());
    if (timerOn)
        Timerek->start();
}
