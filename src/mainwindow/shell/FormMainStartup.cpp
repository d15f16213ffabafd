// The main window's life: creation in its fixed order (settings, language,
// edition options, colours, command line, first contact with the device),
// the first showing with the screen-size check, and closing.
#include "mainwindow/shell/FormMain.h"

#include "core/ui/LMWidgetTexts.h"

#include "controls/ChangeHelper.h"
#include "controls/DigitalDisplay.h"
#include "controls/ResizeHelper.h"
#include "core/AppConfig.h"
#include "core/ComMultiPort.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/Detector.h"
#include "core/DeviceRecord.h"
#include "core/FileLogger.h"
#include "core/LM.h"
#include "core/VersionInfo.h"
#include "core/ui/Common.h"
#include "core/ui/WaitForm.h"
#include "mainwindow/shell/FormMainLayout.h"

#include <QtCharts/QChartView>
#include <QtCharts/QXYSeries>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <QAbstractEventDispatcher>
#include <QTimer>

#include <exception>

namespace {

TFormMain::TClock &clockFunction()
{
    static TFormMain::TClock clock;
    return clock;
}

qint64 steadyNow()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    // Start at a non-zero value, so that "now" is never mistaken for unset.
    return timer.elapsed() + 1;
}

// An edition colour 0x00BBGGRR as a QColor.
QColor editionColor(uint32_t c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

// Live-value displays that take the edition's digit colours.
const char *const ColouredDisplays[] = {
    "DgDOdcPetrol", "DgDOdcLPG", "DgDOdcRPM", "DgDOdcTred", "DgDOdcTgaz", "DgDOdcPsys",
    "DgDOdcPcol", "DgDOdcLambda", "DgDModPetrol", "DgDModLPG", "DgDModRPM", "DgDModTred",
    "DgDModTgaz", "DgDModPsys", "DgDModPcol", "DgDCalRPM", "DgDCalMapPcol", "DgDCalMapRPM",
    "DgDDgnCzas", "DgDDgnAdvPetrol", "DgDDgnAdvGas", "DgDDgnAdvRPM", "DgDDgnAdvPsys",
    "DgDDgnAdvPcol", "DgDDgnAdvTred", "DgDDgnAdvTgas", "DgDConfGasElementsRPM",
    "DgDConfGasElementsLambda", "DgDConfAutoRPM", "DgDConfAutoPcol", "DgDConfAutoPsys",
    "DgDConfAutoTred", "DgDConfAutoPetrol", "DgDConfAutoGas",
};
// Displays that take only the fill colour.
const char *const FillOnlyDisplays[] = {
    "DgDDgnTb", "DgDDgnTg", "DgDDgnPsys", "DgDDgnPcol", "DgDDgnTempG",
    "DgDDgnTempR", "DgDDgnRPM", "DgDDgnWybor1", "DgDDgnWybor2",
};
const char *const Entry6Panels[] = {
    "PnlOdcTinj", "PnlOdcRPM", "PnlOdcValues", "PnlKnfBase", "PnlKnfAdvance", "PnlCalAutoRPM",
    "PnlCalAutoMain", "PnlConfiguratorMain", "PnlCalModel2Main", "PnlCalModel1Main",
    "PnlMapaMain", "PanelOscDisplays", "PnlOscLabels", "PnlOscDigs", "PnlOdcTroubleCode",
    "PnlDgnAdvance", "PnlConfAutoCalReadings",
};

// Language menu items by bit of the edition's language mask.
const char *const LanguageItems[] = {
    "MnILangPolish", "MnILangEnglish", "MnILangRussian", "MnILangLithuanian",
    "MnILangCzech", "MnILangGerman", "MnILangItalian", "MnILangTurkish",
    "MnILangCroatian", "MnILangFrench", "MnILangTurkish_Veluto", "MnILangNederlands",
    "MnILangSpanish", "MnILangPortuguese", "MnILangSpanish_Pravik", "MnILangThai",
    "MnILangBulgarian", "MnILangGreek",
};

// Sub-pages shown first: page control, page.
const char *const StartPages[][2] = {
    {"PgCMain", "TbSMeasure"},
    {"PgCConfiguration", "TbSCnfBase"},
    {"PgCConfWizard", "TbSConfBased"},
    {"PgCCalibration", "TbSCalModel2"},
    {"PgCModel2Model", "TbSModel2Model"},
    {"PgCDiagnostyka", "TbSDgnErrorCodes"},
    {"PgCOBDAdaptationCorr", "TbSOBDAdaptCorrBank1"},
    {"PgCCorrType", "TbSMapCorr"},
};

const char *const TrackedPanels[] = {
    "PnlKnfBase", "PnlKnfAdvance", "TbSConfBased", "PnlConfWSwitching", "PnlConfWAdvanced",
    "PnlModel1Controls", "PnlModel2WithIdlePoints", "PnlModel2ModelControls",
    "PnlModel2AdaptControls", "PnlCalCorrections", "PnlModel2Params",
};

void setPanelColor(QObject *object, const QColor &color)
{
    if (auto *panel = qobject_cast<TCaptionPanel *>(object))
        panel->SetColor(color);
}

// Fills a list with the names of device codes, each item carrying its code.
void fillCodeList(QComboBox *list, const QList<uint8_t> &codes, QString (*name)(int))
{
    if (!list)
        return;
    list->clear();
    for (uint8_t code : codes)
        list->addItem(name(code), int(code));
}

// A docked panel of another window, filled with a colour.
void fillPanel(QWidget *panel, const QColor &color)
{
    if (!panel)
        return;
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, color);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

} // namespace

void TFormMain::SetClock(TClock clock)
{
    clockFunction() = std::move(clock);
}

qint64 TFormMain::Now()
{
    const TClock &clock = clockFunction();
    return clock ? clock() : steadyNow();
}

QObject *TFormMain::FindComponent(const char *name) const
{
    const QByteArray key(name);
    auto it = FComponents.constFind(key);
    if (it != FComponents.constEnd() && it.value())
        return it.value();
    // The kind-48 windows dock pages whose controls share names with this
    // window's own: those stay theirs.
    QObject *found = TLMWidgetTexts::FindComponent(const_cast<TFormMain *>(this), QString::fromLatin1(name));
    if (found)
        FComponents.insert(key, found);
    return found;
}

QWidget *TFormMain::OwnPanel(const char *name) const
{
    // The component search also serves the language files, which reach the
    // docked pages' components through this window when it has none of the
    // name; a panel asked for here is never one of those.
    auto *panel = qobject_cast<QWidget *>(FindComponent(name));
    for (const QObject *p = panel; p && p != this; p = p->parent()) {
        const QVariant owner = p->property(TLMWidgetTexts::OwnerFormProperty);
        if (owner.isValid() && owner.toString() != objectName())
            return nullptr;
    }
    return panel;
}

QString TFormMain::TranslateKey(const QString &key) const
{
    return LM ? LM->Translate(key) : QStringLiteral("!_") + key;
}

void TFormMain::FormCreate()
{
    // 1. The AIO tab of the adapter page is hidden.
    if (auto *adapterPages = Component<QTabWidget>("PgCAdapterMain"))
        if (auto *aio = Component<QWidget>("TbSAdapterMultiAIO"))
            adapterPages->setTabVisible(adapterPages->indexOf(aio), false);

    // 2. Pending layout work runs when the program is idle.
    if (auto *dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { ApplicationIdle(); });

    // 4. Edition 19; caption and application title.
    if (CustomParameters)
        CustomParameters->Init(19);
    const QString caption = TCommon::ProgramCaption();
    setWindowTitle(caption);
    TCommon::SetApplicationTitle(caption);

    // 5. Settings and language.
    if (AppConfig) {
        AppConfig->Initialize(ComMultiPort);
        AppConfig->Load();
    }
    if (LM)
        LM->SetDefaultLanguage();

    // 6. Display defaults.
    if (auto *label = Component<TCaptionPanel>("LblKnfSugNozle"))
        label->SetCaption(QString());
    if (auto *combo = Component<QComboBox>("CmbOdcInjDisplay"))
        combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);
    for (const char *name : {"ChtMapa", "ChtMapa2", "ChtMapaQ3"})
        if (auto *view = Component<QChartView>(name); view && view->chart()->series().size() > 2)
            if (auto *live = qobject_cast<QXYSeries *>(view->chart()->series().at(2)))
                live->replace(QList<QPointF>{QPointF(0, 0)});

    // 7. Start pages.
    for (const auto &pair : StartPages) {
        auto *pages = Component<QTabWidget>(pair[0]);
        auto *page = Component<QWidget>(pair[1]);
        if (pages && page && pages->indexOf(page) >= 0)
            pages->setCurrentWidget(page);
    }
    const QString autocalText = TranslateKey(QStringLiteral("strAutocalInit"));
    WaitFormAutocalibration->SetStatusText(autocalText);

    // 8. Language items of the edition.
    const uint32_t mask = CustomParameters ? CustomParameters->LanguageMask() : 0x3;
    for (int bit = 0; bit < static_cast<int>(std::size(LanguageItems)); ++bit)
        if (auto *item = Component<QAction>(LanguageItems[bit]))
            item->setVisible((mask >> bit) & 1u);

    // 9. Colours of the edition, controls it hides or shows.
    if (CustomParameters) {
        const auto entry = [](int index) { return editionColor(CustomParameters->GetEntry(index)); };
        setPanelColor(Component<QObject>("PnlB1"), entry(5));
        setPanelColor(Component<QObject>("PnlB2"), entry(5));
        setPanelColor(Component<QObject>("PnlOdcPanel"), entry(12));
        setPanelColor(Component<QObject>("PnlOdcPanelStan"),
                      entry(DeviceRecord.PanelLED ? 16 : 14));
        for (const char *name : {"LblModLambdaPnl", "LblOdcLambdaPnl", "LblDgnAdvLambdaPnl"})
            setPanelColor(Component<QObject>(name), entry(11));
        for (const char *name : Entry6Panels)
            setPanelColor(Component<QObject>(name), entry(6));
        for (const char *name : ColouredDisplays)
            if (auto *display = Component<TDigitalDisplay>(name)) {
                display->SetColorFill(entry(7));
                display->SetDigitsBorder(entry(8));
                display->SetDigitsColor(entry(9));
            }
        for (const char *name : FillOnlyDisplays)
            if (auto *display = Component<TDigitalDisplay>(name))
                display->SetColorFill(entry(7));
        for (const QString &name : CustomParameters->HiddenControls())
            if (auto *w = Component<QWidget>(name))
                w->hide();
        for (const QString &name : CustomParameters->ShownControls())
            if (auto *w = Component<QWidget>(name))
                w->show();
        // The edition's pressure sensors and injector types.
        fillCodeList(Component<QComboBox>("CmBConfPressSensType"), CustomParameters->PressureSensors(),
                     &TCustomParameters::PressureSensorName);
        for (const char *name : {"CmbKnfInjType", "CmBConfInjType"})
            fillCodeList(Component<QComboBox>(name), CustomParameters->InjectorTypes(),
                         &TCustomParameters::InjectorTypeName);
    }
    if (Services.FillEditionLists)
        Services.FillEditionLists();
    // 10. Colour rules of the live displays.
    RegisterReadingColors();

    // 11. Change tracking of the editable panels.
    ChangeHelper->SetModified(false);
    for (const char *name : TrackedPanels)
        if (auto *panel = Component<QWidget>(name))
            ChangeHelper->AttachTo(panel);

    // 12. The oscilloscope's panels take the width of the time panel.
    if (auto *times = Component<QWidget>("PnlDgnCzasy"))
        for (const char *name : {"PnlDgnPressure", "PnlDgnTemp", "PnlDgnRPM", "PanelOscDisplays"})
            if (auto *w = Component<QWidget>(name))
                w->resize(times->width(), w->height());
    setWindowState(windowState() | Qt::WindowMaximized);

    // 13. Offline mode and automatic search as last stored.
    FOffline = false;
    MarkDeviceOffline(AppConfig && AppConfig->OfflineMode);
    MarkDeviceAutoSearch(AppConfig && AppConfig->AutoSearch);

    // 14. Command line.
    FLowResolution = false;
    for (const QString &argument : CommandLine) {
        const QString a = argument.toUpper();
        if (a == QLatin1String("-OFFLINE"))
            MarkDeviceOffline(true);
        else if (a == QLatin1String("-LOWRESOLUTION"))
            FLowResolution = true;
        else if (a == QLatin1String("-NOCONNECT"))
            FNoConnect = true;
    }

    // 15. The upgrade logic gets the port; the data manager reports to the
    // port panel.
    if (Services.GiveUpgradePortToLogic)
        Services.GiveUpgradePortToLogic();
    if (DataManager) {
        DataManager->OnConnectionInfo = [this] { UpdateComPortInfo(nullptr); };
        // What the link asks of the window: the main timer's state, the
        // detector, the work-type hint, boxes and the map page's sound switch.
        DataManager->IsMainTimerRunning = [this] { return Timerek->isActive(); };
        DataManager->SetMainTimerRunning = [this](bool on) {
            if (on)
                Timerek->start();
            else
                Timerek->stop();
        };
        DataManager->OnResetDetector = [this] { DetectorComponent->Reset(); };
        DataManager->OnWorkTypeHint = [this](const QString &hint) {
            if (auto *shape = Component<QWidget>("ShpStatusGazState"))
                shape->setToolTip(hint);
        };
        DataManager->OnShowInfo = [](const QString &caption, const QString &text) {
            if (Common)
                Common->ShowInformation(text, caption);
        };
        DataManager->IsRpmSoundChecked = [this] {
            auto *box = Component<QAbstractButton>("ChBCalMapRPMSound");
            return box && box->isChecked();
        };
    }

    // 16. First contact with the device.
    if (!FOffline && ComMultiPort) {
        try {
            ComMultiPort->Open();
        } catch (const std::exception &e) {
            LogToFile(QStringLiteral("Start-up: %1").arg(QString::fromUtf8(e.what())));
        }
        try {
            DetectDeviceWorkStep(true);
            if (DetectorComponent->GetExeFamily() == 2 && DataManager)
                DataManager->Reconnect(ComMultiPort->ComDevice(), true);
        } catch (const std::exception &e) {
            LogToFile(QStringLiteral("Start-up: %1").arg(QString::fromUtf8(e.what())));
        }
    }

    // 17. Search the ports, or show the port's state.
    if (!FOffline && !FNoConnect)
        MnIDeviceConnectClick(static_cast<QObject *>(nullptr));
    else
        UpdateComPortInfo(nullptr);

    // 18. The pages' controls start empty.
    ClearConfWizardControls();
    ClearCalibrationControls();
    ClearKnfControls();
    EmptyInitStep();

    // 19. Creation is complete: the tick may work from now on.
    FReady = true;

    // 20. The advanced-view setting.
    ChBAdvancedViewClick();

    // 21. Bring the window to the front once the message loop runs.
    QCoreApplication::postEvent(this, new QEvent(static_cast<QEvent::Type>(UMActivate)));
}

void TFormMain::DetectDeviceWorkStep(bool initial)
{
    TComMultiPort *port = ComMultiPort;
    if (!port)
        return;
    if (!initial) {
        try {
            port->Close();
            port->Open();
        } catch (const std::exception &) {
            // Not there or taken: the probe below finds nothing this time.
        }
    }
    try {
        DetectorComponent->DetectNext(port);
    } catch (const std::exception &e) {
        LogToFile(QStringLiteral("Detection: %1").arg(QString::fromUtf8(e.what())));
    }
    if (DetectorComponent->GetVersionMajor() != 0 && !initial) {
        PnlStatusConnectedUpdate(true);
        if (DataManager) {
            DataManager->PollGroup(TDataManager::pgConnect, true);
            if (DataManager->GetConnected()) {
                auto *reminder = Component<QAction>("MnIDeviceUpgradeInfo");
                if (reminder && !reminder->isChecked())
                    reminder->trigger();
                FFirmwareCheckAt.Arm(Now() + 4000);
            }
        }
    } else if (DataManager && DataManager->OnConnectionInfo) {
        DataManager->OnConnectionInfo();
    }
}

void TFormMain::customEvent(QEvent *event)
{
    if (event->type() == static_cast<QEvent::Type>(UMActivate)) {
        raise();
        activateWindow();
        return;
    }
    QMainWindow::customEvent(event);
}

void TFormMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The first showing after creation (a window shown without creation,
    // as in layout tools, stays without device work).
    if (!FShown && FReady) {
        FShown = true;
        FormShow();
    }
}

void TFormMain::FormShow()
{
    // 3. The screen must be at least 800 x 600 unless told otherwise.
    if (!FLowResolution) {
        QSize screen = FScreenSizeForCheck;
        if (!screen.isValid())
            if (QScreen *primary = QGuiApplication::primaryScreen())
                screen = primary->size();
        if (screen.isValid() && (screen.width() < 800 || screen.height() < 600)) {
            ShowLowResolutionWarning();
            // Closing from inside the show: the close runs from the loop.
            QTimer::singleShot(0, this, [this] { close(); });
        }
    }

    // 4. Map-page defaults.
    if (auto *label = Component<TCaptionPanel>("LblCalMapNameFile"))
        label->SetCaption(QString());
    if (auto *combo = Component<QComboBox>("CmBCalMapRPMRange"))
        combo->setCurrentIndex(combo->count() > 0 ? 0 : -1);

    // 6. The adapter windows' panels join the adapter page.
    if (Services.DockAdapterPanels)
        Services.DockAdapterPanels();
    RecordDockedPanels();
    // The docked panels take the window's panel colour; the OBD panel's
    // sections take their parent's.
    if (CustomParameters) {
        const QColor panelColour = editionColor(CustomParameters->GetEntry(6));
        for (const char *name : {"PnlMultiOBD", "PnlMultiInfo"})
            fillPanel(Component<QWidget>(name), panelColour);
        for (const char *name : {"PnlOBDConfig", "PnlOBDLive", "PnlOBDErrors"})
            if (auto *panel = Component<QWidget>(name); panel && panel->parentWidget())
                fillPanel(panel, panel->parentWidget()->palette().color(QPalette::Window));
    }

    // 7.-8. The firmware counts as served until a poll says otherwise; the
    // splash goes, the window adapts to the device and the language is
    // applied again.
    if (DataManager)
        DataManager->VersionSupported = true;
    GrBQSSoftVersionsUpdate();
    if (Services.CloseSplash)
        Services.CloseSplash();
    if (Services.AdaptToDevice)
        Services.AdaptToDevice();
    // The connection panel's text and the gas-switch panel in the language
    // now loaded (a full language change repeats this).
    SetStatusBaseText(TranslateKey(QStringLiteral("strComError")));
    PnlStatusGazSwitchUpdate();
    if (Services.ApplyLanguage)
        Services.ApplyLanguage();
    // The page-change handler at the end of the language chain switches the
    // main timer on.
    if (Services.PgCMainChange)
        Services.PgCMainChange();
    else
        Timerek->start();

    // 9. First correction-table refresh and firmware check.
    FCorrTablesAt.Arm(Now());
    FFirmwareCheckAt.Arm(Now() + 4000);
}

void TFormMain::ShowLowResolutionWarning()
{
    if (FLowResolutionWarned)
        return;
    FLowResolutionWarned = true;
    QString text = TranslateKey(QStringLiteral("strResLow"));
    if (text.startsWith(QLatin1Char('!'))) {
        const QString language = LM ? LM->Language : QStringLiteral("PL");
        text = language.compare(QLatin1String("PL"), Qt::CaseInsensitive) == 0
                   ? QStringLiteral("Zbyt mała rozdzielczość ekranu (Min: 800x600).")
                   : QStringLiteral("Screen resolution too low (Min: 800x600).");
    }
    if (Common)
        Common->ShowError(text, TCommon::NoCaption());
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    FormClose();
    QMainWindow::closeEvent(event);
}

void TFormMain::FormCloseQuery(bool &canClose)
{
    Timerek->stop();
    TimerMapa->stop();
    if (ResizeHelper)
        ResizeHelper->SetEnabled(false);
    canClose = true;
}

void TFormMain::FormClose()
{
    if (FClosed)
        return;
    FClosed = true;
    if (AppConfig) {
        AppConfig->OfflineMode = FOffline;
        AppConfig->AutoSearch = AutoSearchChecked();
        AppConfig->Save();
    }
    if (Services.FreePictureWindow)
        Services.FreePictureWindow();
}

bool TFormMain::AutoSearchChecked() const
{
    auto *item = Component<QAction>("MnIDeviceAutoSearch");
    return item && item->isChecked();
}
