// Page navigation of the main window: the leave rules (a three-way question
// when a page holds unwritten edits), the entry action of every page, the
// mark of unwritten edits with its bold red write buttons, and the layout
// work after a resize.
#include "mainwindow/shell/FormMain.h"

#include "mainwindow/shell/FormMainLayout.h"
#include "mainwindow/shell/ConfigurationPageOps.h"
#include "controls/ChangeHelper.h"
#include "controls/ResizeHelper.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/ui/Common.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>

#include <cstdlib>

namespace {

constexpr int AnswerYes = 6;
constexpr int AnswerCancel = 2;

QString currentSheet(const QTabWidget *pages)
{
    return pages && pages->currentWidget() ? pages->currentWidget()->objectName() : QString();
}

// Routes the user's page changes of a page control (a click on a tab, the
// wheel over the tabs, Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgUp and Ctrl+PgDn)
// through the leave and entry rules, so that no road around them is left.
class TPageGuard : public QObject
{
public:
    explicit TPageGuard(QTabWidget *pages) : QObject(pages), FPages(pages)
    {
        pages->tabBar()->setFocusPolicy(Qt::NoFocus);
        pages->tabBar()->installEventFilter(this);
        pages->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == FPages) {
            if (event->type() != QEvent::KeyPress)
                return false;
            auto *key = static_cast<QKeyEvent *>(event);
            if (!(key->modifiers() & Qt::ControlModifier))
                return false;
            const bool back = key->key() == Qt::Key_Backtab || key->key() == Qt::Key_PageUp
                              || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
            if (!back && key->key() != Qt::Key_Tab && key->key() != Qt::Key_PageDown)
                return false;
            // The next (or previous) page the user can reach, round the end.
            const int n = FPages->count();
            for (int step = 1; step < n; ++step) {
                const int index = ((FPages->currentIndex() + (back ? -step : step)) % n + n) % n;
                if (Reachable(index)) {
                    Select(index);
                    break;
                }
            }
            return true;
        }
        if (event->type() == QEvent::Wheel) {
            // One page towards the wheel's turn, stopping at the ends.
            const QPoint delta = static_cast<QWheelEvent *>(event)->angleDelta();
            const int turn = std::abs(delta.x()) > std::abs(delta.y()) ? delta.x() : delta.y();
            if (turn != 0)
                for (int index = FPages->currentIndex() + (turn > 0 ? -1 : 1); index >= 0 && index < FPages->count();
                     index += turn > 0 ? -1 : 1)
                    if (Reachable(index)) {
                        Select(index);
                        break;
                    }
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::LeftButton)
                return true;
            const int index = FPages->tabBar()->tabAt(mouse->position().toPoint());
            if (index >= 0 && index != FPages->currentIndex() && FPages->isTabEnabled(index))
                Select(index);
            return true;
        }
        return false;
    }

private:
    bool Reachable(int index) const { return FPages->isTabVisible(index) && FPages->isTabEnabled(index); }

    // The page change with its leave question and entry actions.
    void Select(int index)
    {
        int visibleBefore = 0;
        for (int i = 0; i < index; ++i)
            if (FPages->isTabVisible(i))
                ++visibleBefore;
        TCommon::SelectTabWithEvents(FPages, visibleBefore, true);
    }

    QTabWidget *FPages;
};

// Hands a widget's mouse events to a function.
class TMouseFilter : public QObject
{
public:
    TMouseFilter(QWidget *target, std::function<void(QMouseEvent *)> handler)
        : QObject(target), FHandler(std::move(handler))
    {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove
            || event->type() == QEvent::MouseButtonRelease)
            FHandler(static_cast<QMouseEvent *>(event));
        return false;
    }

private:
    std::function<void(QMouseEvent *)> FHandler;
};

// Set while a page jump activates the pages after its first: their entry
// completes the one entry the user made.
bool followingStep = false;

// Installs the leave and entry handlers of a page control.
void guard(QTabWidget *pages, std::function<bool()> changing, std::function<void(QObject *)> change)
{
    if (!pages)
        return;
    new TPageGuard(pages);
    TCommon::SetTabNotifyHandler(pages, [pages, changing, change](int code) {
        if (code == TCN_SELCHANGING)
            return changing && !changing() ? 1 : 0;
        if (code == TCN_SELCHANGE && change)
            change(pages);
        return 0;
    });
}

} // namespace

void TFormMain::InstallNavigation()
{
    // The window's own components by name, remembered before other windows'
    // panels (which reuse some of the names) are docked into it.
    for (QObject *child : findChildren<QObject *>()) {
        const QByteArray key = child->objectName().toLatin1();
        if (!key.isEmpty() && !FComponents.contains(key))
            FComponents.insert(key, child);
    }

    guard(Component<QTabWidget>("PgCMain"),
          [this] {
              bool allow = true;
              PgCMainChanging(allow);
              return allow;
          },
          [this](QObject *sender) { PgCMainChange(sender); });
    guard(Component<QTabWidget>("PgCCalibration"),
          [this] {
              bool allow = true;
              PgCCalibrationChanging(allow);
              return allow;
          },
          [this](QObject *) { PgCCalibrationChange(); });
    guard(Component<QTabWidget>("PgCConfWizard"),
          [this] {
              bool allow = true;
              PgCConfWizardChanging(allow);
              return allow;
          },
          [this](QObject *) { PgCConfWizardChange(); });
    guard(Component<QTabWidget>("PgCDiagnostyka"), {}, [this](QObject *) { PgCDiagnostykaChange(true); });
    guard(Component<QTabWidget>("PgCAdapterMain"), {}, [this](QObject *) { PgCAdapterMainChange(!followingStep); });
    for (const char *name : {"PgCConfiguration", "PgCCorrType", "PgCModel2Model", "PgCOBDAdaptationCorr"})
        guard(Component<QTabWidget>(name), {}, {});

    connect(ChangeHelper, &TChangeHelper::OnModified, this, [this] { ChangeHelperModified(); });

    // After a proportional resize: the readings panel's height is remembered
    // and the adapter panels are laid out again when the program is idle.
    connect(ResizeHelper, &TResizeHelper::OnAfterResize, this, [this] {
        if (auto *panel = Component<QWidget>("PnlModOdcMain"))
            FModOdcMainHeight = panel->height();
        FAdapterPanelsPending = true;
    });

    // The wiring-schema picture pans with the mouse.
    if (auto *picture = Component<QWidget>("ImgSchema"))
        new TMouseFilter(picture, [this](QMouseEvent *event) {
            if (event->type() == QEvent::MouseButtonPress)
                ImgSchemaMouseDown(event->button(), event->position().toPoint());
            else if (event->type() == QEvent::MouseMove)
                ImgSchemaMouseMove(event->position().toPoint());
            else
                ImgSchemaMouseUp();
        });

    // The advanced view as the form starts (its switch is off).
    ApplyAdvancedView();

    // Quick-start and status-panel shortcuts.
    const auto click = [this](const char *name, auto handler) {
        if (auto *button = Component<QAbstractButton>(name))
            connect(button, &QAbstractButton::clicked, this, handler);
        else
            FFailedBindings << QString::fromLatin1(name);
    };
    const auto item = [this](const char *name, auto handler) {
        if (auto *action = Component<QAction>(name))
            connect(action, &QAction::triggered, this, handler);
        else
            FFailedBindings << QString::fromLatin1(name);
    };
    click("BtnQSConfigBased", [this] { BtnQSConfigPage("TbSConfBased"); });
    click("BtnQSConfigSwitching", [this] { BtnQSConfigPage("TbSConfSwitching"); });
    click("BtnQSConfigAdvanced", [this] { BtnQSConfigPage("TbSConfAdvanced"); });
    click("BtnQSConfigInspection", [this] { BtnQSConfigPage("TbSConfFinish"); });
    click("BtnQSCalibrationAdaptation", [this] { BtnQSCalibrationAdaptationClick(); });
    click("BtnQSDiagInjTest", [this] { BtnQSDiagInjTestClick(); });
    click("BtnQSAdapterInfo", [this] { BtnQSAdapterPage("TbSAdapterMultiInfo", nullptr); });
    click("BtnQSAdapterConfig", [this] { BtnQSAdapterPage("TbSAdapterMultiOBD", "TbSOBDConfig"); });
    click("BtnQSAdapterOBDReadings", [this] { BtnQSAdapterPage("TbSAdapterMultiOBD", "TbSOBDLive"); });
    click("BtnQSAdapterOBDTroubleCodes", [this] { BtnQSAdapterPage("TbSAdapterMultiOBD", "TbSOBDErrors"); });
    click("BtnQSAdapterAdaptiationOBD", [this] { BtnQSAdapterPage("TbSAdapterMultiOBD", "TbSOBDConfig"); });
    click("BtnQSCalibrationCorrections",
          [this] { ShowQuickStartPopup("PpMQSCalibrationCorrections", "BtnQSCalibrationCorrections"); });
    click("BtnQSDiagnostic", [this] { ShowQuickStartPopup("PpMQSDiagnostic", "BtnQSDiagnostic"); });
    item("MnIQSCalibrationCorrectionsMap", [this] { ActivatePages({"TbSCalibration", "TbSCalCorrections", "TbSMapCorr"}); });
    item("MnIQSCalibrationCorrectionsRPM", [this] { ActivatePages({"TbSCalibration", "TbSCalCorrections", "TbSLinearCorr"}); });
    item("MnIQSCalibrationCorrectionsPcol", [this] { ActivatePages({"TbSCalibration", "TbSCalCorrections", "TbSLinearCorr"}); });
    item("MnIQSDiagnosticInjTest", [this] { BtnQSDiagInjTestClick(); });
    const auto panel = [this](const char *name, auto handler) {
        if (auto *p = Component<TCaptionPanel>(name))
            connect(p, &TCaptionPanel::Click, this, handler);
        else
            FFailedBindings << QString::fromLatin1(name);
    };
    panel("PnlStatusOBDAdaptationActive", [this] { BtnQSAdapterPage("TbSAdapterMultiOBD", "TbSOBDConfig"); });
    panel("PnlStatusMapAdaptationActive", [this] { BtnQSCalibrationAdaptationClick(); });
    panel("PnlOdcGasInjCorr", [this] { BtnQSDiagInjTestClick(); });
}

// ---------------------------------------------------------------------------
// Leave rules

namespace {
int askLeave()
{
    return Common ? Common->AskSaveChangedData(false) : AnswerCancel;
}

// The checks of a page logic's write (a slot returning whether every value
// fits), run before the leave question; a page without them refuses nothing.
bool pageWriteFits(const TFormMain *form, const char *page)
{
    bool fits = true;
    QObject *logic = form->PageLogic(page);
    if (logic && logic->metaObject()->indexOfMethod("WriteFits()") >= 0)
        QMetaObject::invokeMethod(logic, "WriteFits", Qt::DirectConnection, Q_RETURN_ARG(bool, fits));
    return fits;
}
} // namespace

void TFormMain::PgCMainChanging(bool &allowChange)
{
    const QString page = CurrentMainPage();
    if (page == QLatin1String("TbSAdapter")) {
        if (WindowServices.AdapterModified && WindowServices.AdapterModified()) {
            const int answer = askLeave();
            if (answer == AnswerYes) {
                // A write that did not go through keeps the page (it says why).
                if (WindowServices.AdapterWriteObd && !WindowServices.AdapterWriteObd())
                    allowChange = false;
            } else if (answer == AnswerCancel) {
                allowChange = false;
            } else if (WindowServices.AdapterDiscardObd) {
                WindowServices.AdapterDiscardObd();
            }
        }
    } else if (page == QLatin1String("TbSConfig")) {
        if (ConfigModified()) {
            // A write the page would refuse keeps the page before anything
            // is asked; a write that did not go through keeps it after.
            if (ConfigurationPage && !ConfigurationPage->WriteFits()) {
                allowChange = false;
                return;
            }
            const int answer = askLeave();
            if (answer == AnswerYes)
                allowChange = ConfigurationPage && ConfigurationPage->WriteConfiguration() && !ConfigModified();
            else if (answer == AnswerCancel)
                allowChange = false;
        }
    } else if (page == QLatin1String("TbSCalibration")) {
        PgCCalibrationChanging(allowChange);
    } else if (page == QLatin1String("TbSConfigurator")) {
        PgCConfWizardChanging(allowChange);
    } else if (page == QLatin1String("TbSMultiCalibration")) {
        if (WindowServices.Kind48CalibrationChanging)
            allowChange = WindowServices.Kind48CalibrationChanging();
    } else if (page == QLatin1String("TbSMultiConfiguration")) {
        if (WindowServices.Kind48ConfigurationChanging)
            allowChange = WindowServices.Kind48ConfigurationChanging();
    }
}

void TFormMain::PgCCalibrationChanging(bool &allowChange)
{
    if (!ConfigModified())
        return;
    const QString sub = currentSheet(Component<QTabWidget>("PgCCalibration"));
    void (TFormMain::*write)() = nullptr;
    const char *logic = nullptr;
    if (sub == QLatin1String("TbSCalModel"))
        write = &TFormMain::BtBModWriteClick, logic = "ModelPage";
    else if (sub == QLatin1String("TbSCalModel2"))
        write = &TFormMain::BtBModel2WriteClick, logic = "Model2Page";
    else if (sub == QLatin1String("TbSCalCorrections"))
        write = &TFormMain::BtnCorWriteCorrectionsClick, logic = "CorrectionsPage";
    if (!write)
        return;
    // A write the page would refuse keeps the page before anything is
    // asked; a write that did not go through (the mark stays) keeps it after.
    if (!pageWriteFits(this, logic)) {
        allowChange = false;
        return;
    }
    const int answer = askLeave();
    if (answer == AnswerYes) {
        (this->*write)();
        if (ConfigModified())
            allowChange = false;
    } else if (answer == AnswerCancel) {
        allowChange = false;
    }
}

void TFormMain::PgCConfWizardChanging(bool &allowChange)
{
    if (ConfigModified()) {
        const int answer = askLeave();
        if (answer == AnswerYes)
            BtnConfWriteConfigClick();
        else if (answer == AnswerCancel)
            allowChange = false;
    }
    if (ReadingsServices.FillConfFinishPage)
        ReadingsServices.FillConfFinishPage(false);
}

// ---------------------------------------------------------------------------
// Entry actions

namespace {
// The gas-switch panel is off while the auto-calibration page shows.
void updateGasSwitchPanel(TFormMain *form, bool autoCalShowing)
{
    auto *panel = form->OwnPanel("PnlStatusGazSwitch");
    auto *text = form->OwnPanel("PnlStatusGazSwitchText");
    if (panel)
        panel->setEnabled(!autoCalShowing);
    if (text) {
        QPalette palette = text->palette();
        palette.setColor(QPalette::WindowText,
                         autoCalShowing ? text->palette().color(QPalette::Disabled, QPalette::WindowText)
                                        : (text->parentWidget() ? text->parentWidget()->palette().color(QPalette::WindowText)
                                                                : palette.color(QPalette::WindowText)));
        text->setPalette(palette);
    }
}
} // namespace

void TFormMain::PgCMainChange(QObject *sender)
{
    auto *pages = Component<QTabWidget>("PgCMain");
    TimerMapa->stop();
    Timerek->start();
    if (pages)
        pages->repaint();
    if (sender && DataManager) {
        DataManager->FailedThisPoll = !DataManager->VersionSupported;
        CheckPendingWorkState();
    }
    const QString page = currentSheet(pages);
    const QString sub = currentSheet(Component<QTabWidget>("PgCCalibration"));
    updateGasSwitchPanel(this, page == QLatin1String("TbSCalibration") && sub == QLatin1String("TbSCalAuto"));
    if (auto *hide = Component<QWidget>("PnlModOdcHide"); hide && hide->parentWidget())
        hide->setGeometry(hide->parentWidget()->rect()); // fills its parent

    // A language change keeps unwritten edits: the page is not read again.
    const bool reads = !(FLanguagePageRefresh && ConfigModified());
    if (page == QLatin1String("TbSMeasure")) {
        CmBKnfPressureSensorTypeChange();
        UpdateCylinderCountControls(false);
    } else if (page == QLatin1String("TbSConfig")) {
        if (reads)
            ReadConfiguration();
    } else if (page == QLatin1String("TbSCalibration")) {
        PgCCalibrationChange();
        if (sub != QLatin1String("TbSCalAuto")) {
            auto *main = Component<QWidget>("PnlModOdcMain");
            auto *odc = Component<QWidget>("PnlModOdc");
            if (main) {
                main->show();
                if (odc)
                    main->resize(main->width(), odc->height());
            }
        }
        auto *hide = Component<QWidget>("PnlModOdcHide");
        if (!reads) {
            // the sub-page's load is skipped as well
        } else if (sub == QLatin1String("TbSCalModel")) {
            if (hide)
                hide->hide();
            ReadModelParams();
        } else if (sub == QLatin1String("TbSCalModel2")) {
            if (hide)
                hide->hide();
            ReadModel2Settings();
        } else if (sub == QLatin1String("TbSCalMap")) {
            if (DataManager && DataManager->GetConnected()) {
                if (hide)
                    hide->hide();
                TimerMapa->start();
                DataManager->ReadParameter8(19); // the map RPM range
                if (auto *combo = Component<QComboBox>("CmBCalMapRPMRange"))
                    combo->setCurrentIndex(DeviceRecord.MapRPMRange < combo->count() ? DeviceRecord.MapRPMRange : -1);
            }
        } else if (sub == QLatin1String("TbSCalCorrections")) {
            if (hide)
                hide->hide();
            BtnCorReadCorrectionsClick();
            if (ReadingsServices.SetMapCorrectionControlsState)
                ReadingsServices.SetMapCorrectionControlsState();
        }
    } else if (page == QLatin1String("TbSDiagnostic")) {
        PgCDiagnostykaChange(false);
    } else if (page == QLatin1String("TbSConfigurator")) {
        PgCConfWizardChange();
        TbSConfiguratorShow();
    } else if (page == QLatin1String("TbSAdapter")) {
        // Entered by the page control's own change (a key, a click, a page
        // jump), not by a refresh of the shown page.
        PgCAdapterMainChange(pages && sender == pages);
    } else if (page == QLatin1String("TbSMultiConfiguration")) {
        if (WindowServices.Kind48ConfigurationRefresh)
            WindowServices.Kind48ConfigurationRefresh();
    } else if (page == QLatin1String("TbSMultiCalibration")) {
        if (WindowServices.Kind48CalibrationReadAll)
            WindowServices.Kind48CalibrationReadAll();
    }
}

void TFormMain::PgCCalibrationChange()
{
    Timerek->start();
    TimerMapa->stop();
    auto *pages = Component<QTabWidget>("PgCCalibration");
    if (pages)
        pages->update();
    const QString sub = currentSheet(pages);
    updateGasSwitchPanel(this, CurrentMainPage() == QLatin1String("TbSCalibration") && sub == QLatin1String("TbSCalAuto"));
    auto *hide = Component<QWidget>("PnlModOdcHide");
    const auto setHidden = [hide](bool hidden) {
        if (hide)
            hide->setVisible(!hidden);
    };
    // A language change keeps unwritten edits: the sub-page is not read again.
    if (FLanguagePageRefresh && ConfigModified()) {
        // texts only
    } else if (sub == QLatin1String("TbSCalAuto")) {
        setHidden(false);
    } else if (sub == QLatin1String("TbSCalModel")) {
        setHidden(true);
        ReadModelParams();
    } else if (sub == QLatin1String("TbSCalModel2")) {
        setHidden(true);
        ReadModel2Settings();
    } else if (sub == QLatin1String("TbSCalMap")) {
        if (DataManager && DataManager->GetConnected()) {
            setHidden(true);
            TimerMapa->start();
            DataManager->ReadParameter8(19); // the map RPM range
            if (auto *combo = Component<QComboBox>("CmBCalMapRPMRange"))
                combo->setCurrentIndex(DeviceRecord.MapRPMRange < combo->count() ? DeviceRecord.MapRPMRange : -1);
        }
    } else if (sub == QLatin1String("TbSCalCorrections")) {
        setHidden(true);
        if (ReadingsServices.SetMapCorrectionControlsState)
            ReadingsServices.SetMapCorrectionControlsState();
        BtnCorReadCorrectionsClick();
    }
    if (auto *main = Component<QWidget>("PnlModOdcMain")) {
        if (hide && hide->isHidden()) {
            main->show();
            if (FModOdcMainHeight > 0)
                main->resize(main->width(), FModOdcMainHeight);
        } else {
            main->resize(main->width(), 0);
        }
    }
}

void TFormMain::PgCDiagnostykaChange(bool switchTimer)
{
    auto *pages = Component<QTabWidget>("PgCDiagnostyka");
    if (!pages)
        return;
    pages->update();
    switch (pages->currentIndex()) {
    case 0:
        if (switchTimer)
            Timerek->start();
        if (auto *one = Component<QComboBox>("CmBDgnWybor1"); one && one->currentIndex() < 0 && one->count() > 0)
            one->setCurrentIndex(0);
        if (auto *two = Component<QComboBox>("CmBDgnWybor2"); two && two->currentIndex() < 0 && two->count() > 1)
            two->setCurrentIndex(1);
        OscUpdateControls();
        break;
    case 1:
        SpBOdcReadTCClick();
        break;
    case 2:
        BtnDngReadEmulatorClick();
        if (switchTimer)
            Timerek->start();
        break;
    default:
        break;
    }
}

void TFormMain::PgCAdapterMainChange(bool byUser)
{
    if (WindowServices.AdapterPageEntered)
        WindowServices.AdapterPageEntered(currentSheet(Component<QTabWidget>("PgCAdapterMain")), byUser);
}

// ---------------------------------------------------------------------------
// Page jumps

bool TFormMain::ActivatePages(std::initializer_list<const char *> chain)
{
    bool first = true;
    for (const char *name : chain) {
        QWidget *sheet = Component<QWidget>(name);
        auto *pages = sheet ? qobject_cast<QTabWidget *>(sheet->parentWidget() ? sheet->parentWidget()->parentWidget() : nullptr)
                            : nullptr;
        if (!pages)
            return false;
        // The entry of the outer page has just run the entry of its current
        // inner page: a later step onto that same, shown page would run it
        // (and its device reads) a second time.
        const bool entered = !first && pages->currentWidget() == sheet && pages->isTabVisible(pages->indexOf(sheet));
        followingStep = !first;
        const bool activated = entered || TCommon::ActivatePage(pages, sheet, true);
        followingStep = false;
        if (!activated)
            return false;
        first = false;
    }
    return true;
}

void TFormMain::ActivateMainPageDirect(const char *sheet)
{
    auto *pages = Component<QTabWidget>("PgCMain");
    auto *page = Component<QWidget>(sheet);
    if (pages && page && pages->indexOf(page) >= 0)
        pages->setCurrentWidget(page);
    PgCMainChange(nullptr);
}

bool TFormMain::ApplicationIdle()
{
    if (FAdapterPanelsPending) {
        FAdapterPanelsPending = false;
        UpdateAdapterPanels();
    }
    return true;
}

// A changed idle-time choice marks the idle model as changed.
void TFormMain::CmBConfIdleHotTbChange() { SetIdleModelChanged(true); }
