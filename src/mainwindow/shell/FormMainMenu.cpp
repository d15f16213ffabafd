// The main menu's commands: page jumps, the device commands (lock, unlock,
// factory settings, fuel mode), the window size, the about box, the manuals,
// the documentation folder and the wiring-schema picture with its panning.
#include "mainwindow/shell/FormMain.h"

#include "core/AppConfig.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/NumberText.h"
#include "core/ui/Common.h"
#include "platform/ShellOpen.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include <limits>

namespace {

constexpr int PinMinLength = 4;

bool connectedToDevice()
{
    return DataManager && DataManager->GetConnected();
}

// The tab widget that holds a page, or nullptr (a tab's page sits in the tab
// widget's stack).
QTabWidget *pagesOf(QWidget *page)
{
    QWidget *stack = page ? page->parentWidget() : nullptr;
    return stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
}

bool tabShown(QWidget *sheet)
{
    QTabWidget *pages = pagesOf(sheet);
    return pages && pages->isTabVisible(pages->indexOf(sheet));
}

} // namespace

// ---------------------------------------------------------------------------
// Window menu: page jumps

void TFormMain::MnIWindowMeasureClick() { ActivatePages({"TbSMeasure"}); }
void TFormMain::MnIWindowConfigClick() { ActivatePages({"TbSConfig"}); }
void TFormMain::MnIConfiguratorClick() { ActivatePages({"TbSConfigurator"}); }
void TFormMain::MnIWindowCalibrationClick() { ActivatePages({"TbSCalibration"}); }

namespace {
// Whether a main page is the one shown.
bool mainPageShown(QWidget *page)
{
    QTabWidget *pages = pagesOf(page);
    return pages && pages->currentWidget() == page;
}

// Leaves the main page shown by its leave rules, as a click on another tab
// does (a modified page asks; Cancel, or a write that did not go through,
// keeps it): false when the page stays.
bool leaveMainPage(TFormMain *form)
{
    bool allow = true;
    form->PgCMainChanging(allow);
    return allow;
}

// A kind-48 window's main page, set directly, only while the device's kind
// shows it: its entry reads (and its buttons write) what only kind 48 holds.
// The page already shown is not entered again: its entry's read would drop
// the window's unwritten edits unasked.
bool kind48MainPage(TFormMain *form, const char *sheet)
{
    QWidget *page = form->OwnPanel(sheet);
    if (!tabShown(page))
        return false;
    if (!mainPageShown(page)) {
        if (!leaveMainPage(form))
            return false;
        form->ActivateMainPageDirect(sheet);
    }
    return true;
}
} // namespace

void TFormMain::MnIWindowMultiConfigurationClick() { kind48MainPage(this, "TbSMultiConfiguration"); }
void TFormMain::MnIWindowMultiCalibrationClick() { kind48MainPage(this, "TbSMultiCalibration"); }

void TFormMain::MnIWindowSchemaClick()
{
    ActivatePages({tabShown(Component<QWidget>("TbSSchema")) ? "TbSSchema" : "TbSQuickStart"});
}

void TFormMain::MnIWindowQuickStartClick()
{
    if (tabShown(Component<QWidget>("TbSQuickStart")))
        ActivatePages({"TbSQuickStart"});
}

void TFormMain::MnIWindowDiagnosticClick() { ActivatePages({"TbSDiagnostic"}); }
void TFormMain::MnIWindowAdapterClick() { ActivatePages({"TbSAdapter"}); }
void TFormMain::MnIWindowCnfBasicClick() { ActivatePages({"TbSConfig", "TbSCnfBase"}); }
void TFormMain::MnIWindowCnfAdvClick() { ActivatePages({"TbSConfig", "TbSCnfAdvance"}); }

void TFormMain::MnIWindowCalAutoClick()
{
    if (tabShown(Component<QWidget>("TbSCalAuto"))) {
        ActivatePages({"TbSCalibration", "TbSCalAuto"});
        return;
    }
    // The auto-calibration page of the wizard (the wizard refuses a page
    // beyond the progress the user has unlocked).
    if (ActivatePages({"TbSConfigurator"}))
        GoToConfWizardPage(3);
}

namespace {
// The main page of the kind-48 calibration window and one of its pages (the
// status panels of the active corrections lead here too). On the window
// already showing, another page is entered as a click on its tab enters it
// (leaving a modified page asks), and the page shown stays as it is. From
// another main page, that page is left by its leave rules, and the page
// asked for is chosen before the window is entered, so that the window's one
// entry read shows it.
void multiCalibrationPage(TFormMain *form, const char *page)
{
    QWidget *main = form->OwnPanel("TbSMultiCalibration");
    if (!tabShown(main))
        return;
    const auto &services = form->WindowServices;
    QTabWidget *pages = nullptr;
    QWidget *sheet = nullptr;
    if (services.Kind48CalibrationComponent) {
        pages = qobject_cast<QTabWidget *>(services.Kind48CalibrationComponent(QStringLiteral("PgCCalibration")));
        sheet = qobject_cast<QWidget *>(services.Kind48CalibrationComponent(QString::fromLatin1(page)));
    }
    const bool known = pages && sheet && pages->indexOf(sheet) >= 0;
    if (mainPageShown(main)) {
        if (known && pages->currentWidget() != sheet)
            TCommon::ActivatePage(pages, sheet, true);
        return;
    }
    if (!leaveMainPage(form))
        return;
    if (known) {
        const QSignalBlocker quiet(pages);
        pages->setCurrentWidget(sheet);
    }
    form->ActivateMainPageDirect("TbSMultiCalibration");
}
} // namespace

void TFormMain::MnIWindowMultiCalbrationAutoClick() { multiCalibrationPage(this, "TbSMultiCalibrationAuto"); }

void TFormMain::MnIWindowCalModelClick()
{
    if (!ActivatePages({"TbSCalibration"}))
        return;
    if (tabShown(Component<QWidget>("TbSCalModel")))
        ActivatePages({"TbSCalModel"});
    else if (tabShown(Component<QWidget>("TbSCalModel2")))
        ActivatePages({"TbSCalModel2"});
}

void TFormMain::MnIWindowMultiCalibrationModelClick() { multiCalibrationPage(this, "TbSMultiCalibrationModel"); }
void TFormMain::MnIWindowCalMapClick() { ActivatePages({"TbSCalibration", "TbSCalMap"}); }
void TFormMain::MnIWindowMultiCalibrationMapClick() { multiCalibrationPage(this, "TbSMultiCalibrationMap"); }
void TFormMain::MnIWindowCalCorrectionsClick() { ActivatePages({"TbSCalibration", "TbSCalCorrections"}); }

void TFormMain::MnIWindowMultiCalibrationCorrectionsClick()
{
    multiCalibrationPage(this, "TbSMultiCalibrationCorrections");
}

void TFormMain::MnIWindowDgnOscyloskopClick() { ActivatePages({"TbSDiagnostic", "TbSDgnOscyloskop"}); }
void TFormMain::MnIWindowDgnTroubleCodesClick() { ActivatePages({"TbSDiagnostic", "TbSDgnErrorCodes"}); }
void TFormMain::MnIWindowDgnAdvancedClick() { ActivatePages({"TbSDiagnostic", "TbSDgnAdvance"}); }

// ---------------------------------------------------------------------------
// File and window

void TFormMain::MnIFilePrintSchClick() { BtnQSSchemaClick(); }
void TFormMain::MnIFileSettingsClick()
{
    if (WindowServices.ShowInstallationCard)
        WindowServices.ShowInstallationCard();
}
void TFormMain::MnIFileExitClick() { close(); }

void TFormMain::MnIWindowFullScreenClick()
{
    auto *full = Component<QAction>("MnIWindowFullScreen");
    auto *restore = Component<QAction>("MnIWindowRestoreScreen");
    const bool maximised = windowState() & Qt::WindowMaximized;
    if (restore)
        restore->setVisible(!maximised);
    if (full)
        full->setVisible(maximised);
    if (maximised)
        setWindowState(windowState() & ~Qt::WindowMaximized);
    else
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TFormMain::MnIHelpAboutClick()
{
    if (WindowServices.ShowAbout)
        WindowServices.ShowAbout();
}

// ---------------------------------------------------------------------------
// Files opened with the desktop

QString TFormMain::HelpFilePath(const QString &relative)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(relative);
}

bool TFormMain::OpenWithShell(const QString &path, const QString &failureText)
{
    if (!QFileInfo::exists(path)) {
        if (Common)
            Common->ShowError(TranslateKey(QStringLiteral("strFileNotFound")) + QStringLiteral("\r\n")
                              + QDir::toNativeSeparators(path));
        return false;
    }
    // A desktop without a program for the file says nothing itself: the
    // user is told which file or folder to open by hand.
    if (ShellOpen(path))
        return true;
    if (Common) {
        if (failureText.isEmpty())
            Common->ShowError(TranslateKey(QStringLiteral("strShellOpenFailed")) + QStringLiteral("\r\n")
                              + QDir::toNativeSeparators(path));
        else
            Common->ShowWarning(failureText);
    }
    return false;
}

void TFormMain::MnIHelpHelp1Click() { OpenWithShell(HelpFilePath(QStringLiteral("Resource/Vesk-1.4.0.0-01.pdf"))); }
void TFormMain::MnIHelpHelp2Click()
{
    OpenWithShell(HelpFilePath(QStringLiteral("Resource/InstrukcjaMontazu-01.pdf")));
}
// The user's guide is a folder beside the program; where the desktop has no
// program that shows it, the user is told which folder to open.
void TFormMain::MnIHelpDocsClick()
{
    const QString folder = HelpFilePath(QStringLiteral("docs"));
    OpenWithShell(folder, TranslateKey(QStringLiteral("strDocsOpenFailed")).arg(QDir::toNativeSeparators(folder)));
}
void TFormMain::BtnConfDocumentationClick() { MnIHelpDocsClick(); }

void TFormMain::BtnQSSchemaClick()
{
    const QString prefix = LM ? LM->GetLanguageFilePath() : HelpFilePath(QStringLiteral("Resource")) + QStringLiteral("/_");
    const QString language = LM ? LM->Language : QString();
    OpenWithShell(prefix + language + QStringLiteral("_schema.jpg"));
}

// ---------------------------------------------------------------------------
// Device menu

void TFormMain::MenuDeviceClick()
{
    if (auto *item = Component<QAction>("MnIDeviceCOM_X"))
        item->setText(QString::asprintf("COM ... (%d)", AppConfig ? AppConfig->GetComDevice() : 0));
}

void TFormMain::LockCommand(bool locking)
{
    // A locked device answers only the lock commands, so these test the
    // connection alone, not the device's readiness.
    if (!connectedToDevice() || !WindowServices.ExecuteLockDialog)
        return;
    QString pin;
    if (!WindowServices.ExecuteLockDialog(locking, PinMinLength, pin))
        return;
    // The command carries the PIN as an unsigned 32-bit number. The dialog
    // accepts only a PIN its field holds; a text that is no such number
    // sends nothing rather than another code.
    qint64 code = 0;
    if (NumberText::ReadTypedInt(pin, 0, std::numeric_limits<uint32_t>::max(), code) != NumberText::TFault::None)
        return;
    if (locking)
        DataManager->LockDevice(uint32_t(code));
    else
        DataManager->UnlockDevice(uint32_t(code));
    UpdateDeviceMenus();
}

void TFormMain::MnIDeviceLockClick() { LockCommand(true); }
void TFormMain::MnIDeviceUnlockClick() { LockCommand(false); }

void TFormMain::MnIDeviceResetClick()
{
    if (!connectedToDevice())
        return;
    // A locked device answers nothing but its lock state and takes none of
    // the factory settings, whatever its kind: say so once, send nothing.
    if (DataManager->IsDeviceNotReady()) {
        if (Common)
            Common->ShowWarning(TranslateKey(QStringLiteral("strConfDeviceLocked")), TCommon::ApplicationTitle());
        return;
    }
    RunFactoryReset();
}

void TFormMain::RunFactoryReset()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool timerOn = Timerek->isActive();
    const bool mapTimerOn = TimerMapa->isActive();
    Timerek->stop();
    TimerMapa->stop();
    // The timers and the cursor come back however the steps end.
    struct TRestore {
        TFormMain *form;
        bool timer, mapTimer;
        ~TRestore()
        {
            if (timer)
                form->Timerek->start();
            if (mapTimer)
                form->TimerMapa->start();
            QGuiApplication::restoreOverrideCursor();
        }
    } restore{this, timerOn, mapTimerOn};

    DataManager->SetWorkType(5);
    TimerekTimer(nullptr);
    QThread::msleep(100);
    const uint8_t kind = DeviceRecord.DeviceKind;
    if (kind == 20 || kind == 21) {
        WriteDefaultConfiguration_145();
        // A device that is not ready (locked) was sent nothing and the user
        // was told why; its read-back would only say the same again.
        if (!DataManager->IsDeviceNotReady())
            ReadConfiguration();
    } else if (kind == 48) {
        // The configuration window's default write asks first; answered
        // Cancel, nothing at all is written.
        const bool windows = WindowServices.Kind48ConfigurationExists && WindowServices.Kind48ConfigurationExists();
        bool written = true;
        if (windows) {
            written = WindowServices.Kind48WriteDefaultConfiguration && WindowServices.Kind48WriteDefaultConfiguration();
            if (written && WindowServices.Kind48ResetCorrections)
                WindowServices.Kind48ResetCorrections();
        }
        if (written) {
            DataManager->WriteParamByte(36, 0);
            UpdateConfigurationControls();
        }
    }
    UpdateCylinderCountControls(true);
    SetConfigModified(false);
}

void TFormMain::SendWorkType(uint8_t type)
{
    if (DataManager)
        DataManager->SetWorkType(type);
}

void TFormMain::MnIChangeFuelPetrolClick() { SendWorkType(2); }
void TFormMain::MnIChangeFuelGasClick() { SendWorkType(1); }
void TFormMain::MnIChangeFuelPetrolSeqClick() { SendWorkType(10); }
void TFormMain::MnIChangeFuelGasDirectClick() { SendWorkType(4); }

// ---------------------------------------------------------------------------
// Wiring-schema panning

void TFormMain::ImgSchemaMouseDown(Qt::MouseButton button, const QPoint &pos)
{
    if (button != Qt::LeftButton || FSchemaDragging)
        return;
    FSchemaDragStart = pos;
    QGuiApplication::setOverrideCursor(Qt::ClosedHandCursor);
    FSchemaDragging = true;
}

void TFormMain::ImgSchemaMouseMove(const QPoint &pos)
{
    if (!FSchemaDragging)
        return;
    if (auto *box = Component<QScrollArea>("ScBSchema")) {
        box->horizontalScrollBar()->setValue(box->horizontalScrollBar()->value() - (pos.x() - FSchemaDragStart.x()));
        box->verticalScrollBar()->setValue(box->verticalScrollBar()->value() - (pos.y() - FSchemaDragStart.y()));
    }
}

void TFormMain::ImgSchemaMouseUp()
{
    if (!FSchemaDragging)
        return;
    QGuiApplication::restoreOverrideCursor();
    FSchemaDragging = false;
}
