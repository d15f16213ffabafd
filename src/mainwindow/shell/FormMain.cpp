#include "mainwindow/shell/FormMain.h"

#include "mainwindow/shell/FormMainLayout.h"
#include "mainwindow/shell/OscilloscopePage.h"
#include "mainwindow/shell/TroubleCodes.h"
#include "controls/ChangeHelper.h"
#include "mainwindow/shell/ConfigurationPageOps.h"
#include "controls/ExHint.h"
#include "controls/ResizeHelper.h"
#include "core/Detector.h"
#include "core/ui/WaitForm.h"

#include <QCoreApplication>
#include <QTimer>

#include <QEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QStatusBar>

TFormMain *FormMain = nullptr;

namespace {

// Which signal of which component runs which handler of the window.
struct Binding {
    const char *component;
    const char *signal;
    const char *slot;
};

const Binding Bindings[] = {
    {"MnIFilePrintSch", "triggered()", "MnIFilePrintSchClick()"},
    {"MnIFileSettings", "triggered()", "MnIFileSettingsClick()"},
    {"MnIFileSaveAs", "triggered()", "MnIFileSaveAsClick()"},
    {"BtnConfSaveSettings", "clicked()", "MnIFileSaveAsClick()"},
    {"BtBQSWriteToFile", "clicked()", "MnIFileSaveAsClick()"},
    {"MnIFileLoadCnf", "triggered()", "MnIFileLoadCnfClick()"},
    {"BtnConfLoadSettings", "clicked()", "MnIFileLoadCnfClick()"},
    {"BtBQSReadFromFile", "clicked()", "MnIFileLoadCnfClick()"},
    {"MnIFileExit", "triggered()", "MnIFileExitClick()"},
    {"MenuDevice", "aboutToShow()", "MenuDeviceClick()"},
    {"MnIDeviceConnect", "triggered()", "MnIDeviceConnectClick()"},
    {"BtnQSAutoConnect", "clicked()", "MnIDeviceConnectClick()"},
    {"PnlStatus", "Click()", "MnIDeviceConnectClick()"},
    {"MnIDeviceCOM_X", "triggered()", "ShowFormConnectStatus()"},
    {"SpBStatusDeviceInfo", "clicked()", "ShowFormConnectStatus()"},
    {"PnlStatusDeviceInfo", "Click()", "ShowFormConnectStatus()"},
    {"PnlQSComPort", "Click()", "ShowFormConnectStatus()"},
    {"BtnQSConnectStatus", "clicked()", "ShowFormConnectStatus()"},
    {"MnIDeviceOffline", "triggered()", "MnIDeviceOfflineClick()"},
    {"PnlStatusOffline", "Click()", "MnIDeviceOfflineClick()"},
    {"PnlOdcDevOffline", "Click()", "MnIDeviceOfflineClick()"},
    {"ChBQSOffline", "clicked()", "MnIDeviceOfflineClick()"},
    {"MnIDeviceAutoSearch", "triggered()", "MnIDeviceAutoSearchClick()"},
    {"ChBQSAutoSearch", "clicked()", "ChBQSAutoSearchClick()"},
    {"MnIDeviceLock", "triggered()", "MnIDeviceLockClick()"},
    {"BtnQSLock", "clicked()", "MnIDeviceLockClick()"},
    {"MnIDeviceUnlock", "triggered()", "MnIDeviceUnlockClick()"},
    {"BtnQSUnlock", "clicked()", "MnIDeviceUnlockClick()"},
    {"PnlStatusLock", "Click()", "MnIDeviceUnlockClick()"},
    {"PnlOdcDevLock", "Click()", "MnIDeviceUnlockClick()"},
    {"MnIDeviceReset", "triggered()", "MnIDeviceResetClick()"},
    {"BtnConfResetSettings", "clicked()", "MnIDeviceResetClick()"},
    {"BtBQSReset", "clicked()", "MnIDeviceResetClick()"},
    {"MnIDeviceUpgradeFirmware", "triggered()", "MnIDeviceUpgradeFirmwareClick()"},
    {"MnIUpgradeFirmware", "triggered()", "MnIUpgradeFirmwareClick()"},
    {"BtnConfUpgradeFirmware", "clicked()", "BtnConfUpgradeFirmwareClick()"},
    {"BtnQSUpgrade", "clicked()", "BtnConfUpgradeFirmwareClick()"},
    {"MnIDeviceUpgradeInfo", "triggered()", "MnIDeviceUpgradeInfoClick()"},
    {"ChBQSDeviceUpgradeInfo", "clicked()", "MnIDeviceUpgradeInfoClick()"},
    {"MenuLang", "aboutToShow()", "MenuLangClick()"},
    {"MnILangPolish", "triggered()", "MnILangPolishClick()"},
    {"MnILangEnglish", "triggered()", "MnILangEnglishClick()"},
    {"MnILangLithuanian", "triggered()", "MnILangLithuanianClick()"},
    {"MnILangRussian", "triggered()", "MnILangRussianClick()"},
    {"MnILangCzech", "triggered()", "MnILangCzechClick()"},
    {"MnILangGerman", "triggered()", "MnILangGermanClick()"},
    {"MnILangItalian", "triggered()", "MnILangItalianClick()"},
    {"MnILangTurkish", "triggered()", "MnILangTurkishClick()"},
    {"MnILangCroatian", "triggered()", "MnILangCroatianClick()"},
    {"MnILangFrench", "triggered()", "MnILangFrenchClick()"},
    {"MnILangTurkish_Veluto", "triggered()", "MnILangTurkish_VelutoClick()"},
    {"MnILangNederlands", "triggered()", "MnILangNederlandsClick()"},
    {"MnILangSpanish", "triggered()", "MnILangSpanishClick()"},
    {"MnILangPortuguese", "triggered()", "MnILangPortugueseClick()"},
    {"MnILangSpanish_Pravik", "triggered()", "MnILangSpanish_PravikClick()"},
    {"MnILangThai", "triggered()", "MnILangThaiClick()"},
    {"MnILangBulgarian", "triggered()", "MnILangBulgarianClick()"},
    {"MnILangGreek", "triggered()", "MnILangGreekClick()"},
    {"MnIWindowMeasure", "triggered()", "MnIWindowMeasureClick()"},
    {"MnIWindowConfig", "triggered()", "MnIWindowConfigClick()"},
    {"MnIWindowMultiConfiguration", "triggered()", "MnIWindowMultiConfigurationClick()"},
    {"MnIWindowCalibration", "triggered()", "MnIWindowCalibrationClick()"},
    {"MnIWindowMultiCalibration", "triggered()", "MnIWindowMultiCalibrationClick()"},
    {"MnIWindowSchema", "triggered()", "MnIWindowSchemaClick()"},
    {"MnIWindowQuickStart", "triggered()", "MnIWindowQuickStartClick()"},
    {"MnIWindowDiagnostic", "triggered()", "MnIWindowDiagnosticClick()"},
    {"MnIWindowAdapter", "triggered()", "MnIWindowAdapterClick()"},
    {"MnIWindowCnfBasic", "triggered()", "MnIWindowCnfBasicClick()"},
    {"MnIWindowCnfAdv", "triggered()", "MnIWindowCnfAdvClick()"},
    {"MnIWindowCalAuto", "triggered()", "MnIWindowCalAutoClick()"},
    {"MnIWindowMultiCalbrationAuto", "triggered()", "MnIWindowMultiCalbrationAutoClick()"},
    {"MnIWindowCalModel", "triggered()", "MnIWindowCalModelClick()"},
    {"MnIWindowMultiCalibrationModel", "triggered()", "MnIWindowMultiCalibrationModelClick()"},
    {"MnIWindowCalMap", "triggered()", "MnIWindowCalMapClick()"},
    {"MnIWindowMultiCalibrationMap", "triggered()", "MnIWindowMultiCalibrationMapClick()"},
    {"MnIWindowCalCorrections", "triggered()", "MnIWindowCalCorrectionsClick()"},
    {"MnIWindowMultiCalibrationCorrections", "triggered()", "MnIWindowMultiCalibrationCorrectionsClick()"},
    {"MnIWindowDgnOscyloskop", "triggered()", "MnIWindowDgnOscyloskopClick()"},
    {"MnIWindowDgnTroubleCodes", "triggered()", "MnIWindowDgnTroubleCodesClick()"},
    {"MnIWindowDgnAdvanced", "triggered()", "MnIWindowDgnAdvancedClick()"},
    {"MnIWindowFullScreen", "triggered()", "MnIWindowFullScreenClick()"},
    {"MnIConfigurator", "triggered()", "MnIConfiguratorClick()"},
    {"MnIWindowRestoreScreen", "triggered()", "MnIWindowFullScreenClick()"},
    {"BtnQSReadings", "clicked()", "MnIWindowMeasureClick()"},
    {"BtnQSConfigAutocalibration", "clicked()", "MnIWindowCalAutoClick()"},
    {"BtnQSCalibrationModel", "clicked()", "MnIWindowCalModelClick()"},
    {"BtnQSCalibrationMap", "clicked()", "MnIWindowCalMapClick()"},
    {"BtnQSDiagRecorder", "clicked()", "MnIWindowDgnOscyloskopClick()"},
    {"BtnQSDiagTroublecodes", "clicked()", "MnIWindowDgnTroubleCodesClick()"},
    {"BtnQSDiagCylinderTest", "clicked()", "MnIWindowDgnAdvancedClick()"},
    {"MnIQSCalibrationCorrectionsBanks", "triggered()", "MnIWindowCalCorrectionsClick()"},
    {"MnIQSCalibrationCorrectionsTgas", "triggered()", "MnIWindowCalCorrectionsClick()"},
    {"MnIQSDiagnosticCylinderTest", "triggered()", "MnIWindowDgnAdvancedClick()"},
    {"MnIQSDiagnosticTemp", "triggered()", "MnIWindowDgnAdvancedClick()"},
    {"MnIQSDiagnosticValve", "triggered()", "MnIWindowDgnAdvancedClick()"},
    {"MnIQSDiagnosticInjSystemType", "triggered()", "MnIWindowDgnAdvancedClick()"},
    {"MnIQSDiagnosticEmergencyStarts", "triggered()", "MnIWindowDgnAdvancedClick()"},
    {"PnlStatusCorrectionPcol", "Click()", "MnIWindowMultiCalibrationCorrectionsClick()"},
    {"PnlStatusCorrectionRPM", "Click()", "MnIWindowMultiCalibrationCorrectionsClick()"},
    {"PnlStatusCorrectionTgas", "Click()", "MnIWindowMultiCalibrationCorrectionsClick()"},
    {"PnlStatusCorrectionPsys", "Click()", "MnIWindowMultiCalibrationCorrectionsClick()"},
    {"PnlStatusCorrMapActive", "Click()", "MnIWindowMultiCalibrationCorrectionsClick()"},
    {"MnIHelpAbout", "triggered()", "MnIHelpAboutClick()"},
    {"BtnQSF1", "clicked()", "MnIHelpAboutClick()"},
    {"MnIHelpHelp1", "triggered()", "MnIHelpHelp1Click()"},
    {"MnIHelpHelp2", "triggered()", "MnIHelpHelp2Click()"},
    {"MnIHelpDocs", "triggered()", "MnIHelpDocsClick()"},
    {"BtnQSDocs", "clicked()", "MnIHelpDocsClick()"},
    {"BtnConfDocumentation", "clicked()", "BtnConfDocumentationClick()"},
    {"BtnQSSchema", "clicked()", "BtnQSSchemaClick()"},
    {"MnIChangeFuelPetrol", "triggered()", "MnIChangeFuelPetrolClick()"},
    {"MnIChangeFuelGas", "triggered()", "MnIChangeFuelGasClick()"},
    {"MnIChangeFuelPetrolSeq", "triggered()", "MnIChangeFuelPetrolSeqClick()"},
    {"MnIChangeFuelGasDirect", "triggered()", "MnIChangeFuelGasDirectClick()"},
    {"PnlStatusGazSwitch", "MouseDown(Qt::MouseButton,Qt::KeyboardModifiers)", "StatusGazSwitchTextMouseDown(Qt::MouseButton,Qt::KeyboardModifiers)"},
    {"PnlStatusGazSwitchText", "MouseDown(Qt::MouseButton,Qt::KeyboardModifiers)", "StatusGazSwitchTextMouseDown(Qt::MouseButton,Qt::KeyboardModifiers)"},
    {"LblPanelG", "MouseDown(Qt::MouseButton,Qt::KeyboardModifiers)", "StatusGazSwitchTextMouseDown(Qt::MouseButton,Qt::KeyboardModifiers)"},
    {"ImgPanelG_Veluto", "MouseDown(Qt::MouseButton,Qt::KeyboardModifiers)", "StatusGazSwitchTextMouseDown(Qt::MouseButton,Qt::KeyboardModifiers)"},
    {"CmbOdcInjDisplay", "activated(int)", "CmbOdcInjDisplayChange()"},
    {"ChBAdvancedView", "clicked()", "ChBAdvancedViewClick()"},
    {"BtBKnfReadConfiguration", "clicked()", "BtBKnfReadConfigurationClick()"},
    {"BtBKnfWriteConfiguration", "clicked()", "BtBKnfWriteConfigurationClick()"},
    {"BtBKnfWriteDefaultConfiguration", "clicked()", "BtBKnfWriteDefaultConfigurationClick()"},
    {"BtBModWrite", "clicked()", "BtBModWriteClick()"},
    {"BtBModel2Write", "clicked()", "BtBModel2WriteClick()"},
    {"BtBModel2Default", "clicked()", "BtBModel2DefaultClick()"},
    {"BtnCorReadCorrections", "clicked()", "BtnCorReadCorrectionsClick()"},
    {"BtnCorWriteCorrections", "clicked()", "BtnCorWriteCorrectionsClick()"},
    {"BtnConfWriteConfig", "clicked()", "BtnConfWriteConfigClick()"},
    {"BtnCalMapRead", "clicked()", "BtnCalMapReadClick()"},
    {"BtnCorPstandard", "clicked()", "BtnCorPstandardClick()"},
    {"BtnCorPcolStandard", "clicked()", "BtnCorPcolStandardClick()"},
    {"SpBtnCorTgasStandard", "clicked()", "SpBtnCorTgasStandardClick()"},
    {"SpBtnCorRpmStandard", "clicked()", "SpBtnCorRpmStandardClick()"},
    {"CmBConfIdleHotTb", "activated(int)", "CmBConfIdleHotTbChange()"},
    {"BtBSetNextInspection", "clicked()", "BtBSetNextInspectionClick()"},
    {"CmBNextInspection", "activated(int)", "CmBNextInspectionChange()"},
    {"CmBInspectionRatio", "activated(int)", "CmBNextInspectionChange()"},
    {"BtnEncryptLangFiles", "clicked()", "BtnEncryptLangFilesClick()"},
    {"BtnDgnStart", "clicked()", "BtnDgnStartClick()"},
    {"BtnDgnReset", "clicked()", "BtnDgnResetClick()"},
    {"CmBDgnWybor1", "activated(int)", "CmBDgnWyborChange()"},
    {"CmBDgnWybor2", "activated(int)", "CmBDgnWyborChange()"},
    {"SpBOdcReadTC", "clicked()", "SpBOdcReadTCClick()"},
    {"SpBOdcClearTroubleCode", "clicked()", "SpBOdcClearTroubleCodeClick()"},
    {"SpBDebugEraseTroubleCodes", "clicked()", "SpBOdcClearTroubleCodeClick()"},
    {"SpBDebugReadTroubleCodes", "clicked()", "SpBDebugReadTroubleCodesClick()"},
    {"BtnDgnInjectorsTest", "clicked()", "BtnShowTestFormClick()"},
    {"BtnDgnInjCleaning", "clicked()", "BtnDgnInjCleaningClick()"},
    {"BtnDgnAdvEmergencyStartsReset", "clicked()", "BtnDgnAdvEmergencyStartsResetClick()"},
    {"BtnDgnAdvOtherInjSystemTypeReset", "clicked()", "BtnResetTempVariableClick()"},
    {"BtnResetTempVariable", "clicked()", "BtnResetTempVariableClick()"},
    {"BtnDngReadEmulator", "clicked()", "BtnDngReadEmulatorClick()"},
    {"Button14", "clicked()", "Button14Click()"},
    {"BtnSrvReadTpcb", "clicked()", "BtnSrvReadTpcbClick()"},
    {"BtnSrvReadCntReset", "clicked()", "BtnSrvReadCntResetClick()"},
    {"BtnSrvReadCurrInj", "clicked()", "BtnSrvReadCurrInjClick()"},
    {"BtnSrvReadCurr", "clicked()", "BtnSrvReadCurrClick()"},
    {"BtnSrvClear", "clicked()", "BtnSrvClearClick()"},
    {"Button5", "clicked()", "Button5Click()"},
    {"BtnSrvReadCAP_TIE_enable", "clicked()", "BtnSrvReadCAP_TIE_enableClick()"},
    {"ChBDgnCAP_TIE_enable", "clicked()", "ChBDgnCAP_TIE_enableClick()"},
    {"BtnSrvSoftVer", "clicked()", "BtnSrvSoftVerClick()"},
    {"BtnReadATD", "clicked()", "BtnReadATDClick()"},
    {"BtnSrvTMRead", "clicked()", "BtnSrvTMReadClick()"},
    {"BtnSrvTMWrite", "clicked()", "BtnSrvTMWriteClick()"},
    {"ChBSrvMasterMode", "clicked()", "ChBSrvMasterModeClick()"},
    {"Button10", "clicked()", "Button10Click()"},
    {"Button3", "clicked()", "Button3Click()"},
    {"Button4", "clicked()", "Button4Click()"},
    {"EdtP1", "textEdited(QString)", "EdtPChange()"},
    {"EdtP2", "textEdited(QString)", "EdtPChange()"},
    {"CmbMykCondition", "activated(int)", "EdtPChange()"},
    {"BtnTcalcRPM", "clicked()", "BtnTcalcRPMClick()"},
    {"Button2", "clicked()", "Button2Click()"},
    {"Button6", "clicked()", "Button2Click()"},
    {"Button7", "clicked()", "Button7Click()"},
    {"Button8", "clicked()", "Button7Click()"},
    {"Button1", "clicked()", "Button1Click()"},
    {"Button9", "clicked()", "Button9Click()"},
    {"Button17", "clicked()", "Button17Click()"},
    {"Button20", "clicked()", "Button20Click()"},
    {"BtnTestInjControlRead", "clicked()", "BtnTestInjControlReadClick()"},
    {"BtnTestInjControlWrite", "clicked()", "BtnTestInjControlWriteClick()"},
    {"BtnDgnELAMRead", "clicked()", "BtnDgnELAMReadClick()"},
    {"BtnDgnELAMWrite", "clicked()", "BtnDgnELAMWriteClick()"},
    {"CmBELAM_Func", "activated(int)", "CmBELAM_FuncChange()"},
    {"BtnSrvTester", "clicked()", "BtnSrvTesterClick()"},
    {"BtnSrvTesterAdapter", "clicked()", "BtnSrvTesterAdapterClick()"},
    {"SpBDebugTesty", "clicked()", "SpBDebugTestyClick()"},
};

} // namespace

TFormMain::TFormMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormMain"));
    FormMainLayout::Build(this);
    resize(FormMainLayout::DesignedClientWidth,
           FormMainLayout::DesignedClientHeight + menuBar()->sizeHint().height()
               + statusBar()->sizeHint().height());
    BindHandlers();
    CreateComponents();
    OscilloscopePage = new TOscilloscopePage(this);
    TroubleCodesPage = new TTroubleCodesPage(this);

    // The designed layout scales with the central area (the menu and the
    // status bar keep their height), rescaled from its record on every
    // resize and then laid out by rule (FormResize). The injection-bar
    // panels keep out of the rescale.
    ResizeHelper = new TResizeHelper(this);
    ResizeHelper->setObjectName(QStringLiteral("ResizeHelper"));
    ResizeHelper->SetAutoFormCreate(false);
    ResizeHelper->SetAutoFormShow(true);
    ResizeHelper->SetAutoFormResize(false);
    ResizeHelper->SetShowContainer(centralWidget());
    for (const char *name : {"PnlOdcTinjPetrol", "PnlOdcTinjLPG"})
        ResizeHelper->ExcludeControl(Component<QWidget>(name));
    connect(ResizeHelper, &TResizeHelper::OnAfterShow, this, &TFormMain::ResizeHelperAfterShow);
    // Recorded at its designed size now, so that a window first shown at
    // another size (maximised, full screen) still scales from the design;
    // the show hook then finds the same container and records nothing new.
    centralWidget()->resize(FormMainLayout::DesignedClientWidth, FormMainLayout::DesignedClientHeight);
    ResizeHelper->SetForm(centralWidget());
    centralWidget()->installEventFilter(this);
    // A page control sizes a page when it shows it: the page is laid out
    // by rule then.
    for (auto *stack : centralWidget()->findChildren<QStackedWidget *>())
        for (int i = 0; i < stack->count(); ++i)
            stack->widget(i)->installEventFilter(this);
    InstallNavigation();
}

void TFormMain::CreateComponents()
{
    Timerek = Component<QTimer>("Timerek");
    TimerMapa = Component<QTimer>("TimerMapa");
    connect(Timerek, &QTimer::timeout, this, [this] { TimerekTimer(Timerek); });

    DetectorComponent = new TDetector(this);
    DetectorComponent->setObjectName(QStringLiteral("Detector"));
    DetectorComponent->SetDetectedDevices({ddTaron30, ddBootloader40});
    if (!Detector)
        Detector = DetectorComponent;

    ChangeHelper = new TChangeHelper(this);
    ChangeHelper->setObjectName(QStringLiteral("ChangeHelper"));

    ConnectWaitForm = new TWaitForm(this);
    ConnectWaitForm->setObjectName(QStringLiteral("ConnectWaitForm"));
    ConnectWaitForm->SetBorderStyle(TWaitForm::bsToolWindow);
    ConnectWaitForm->SetBorderIcons(0);
    ConnectWaitForm->SetClientWidth(200);
    ConnectWaitForm->SetClientHeight(40);
    ConnectWaitForm->SetCancelButton(true);
    ConnectWaitForm->SetCancelText(QStringLiteral("Cancel"));
    ConnectWaitForm->SetFormStyle(wfsText);
    ConnectWaitForm->SetStatusText(QStringLiteral("..."));
    ConnectWaitForm->SetInvisible(true);
    ConnectWaitForm->OnStatusChange = [this](TWaitForm *) { ConnectWaitFormStatusChange(); };

    WaitFormAutocalibration = new TWaitForm(this);
    WaitFormAutocalibration->setObjectName(QStringLiteral("WaitFormAutocalibration"));
    WaitFormAutocalibration->OnStatusChange = [this](TWaitForm *) { ConnectWaitFormStatusChange(); };

    ExHint = new TExHint(this);
    ExHint->setObjectName(QStringLiteral("ExHint"));
    ExHint->SetDisplayTime(2500);
    ExHint->SetDescriptionWidth(300);
    ExHint->OnNeedData = [this](const QString &key, QStringList &detail, THintInfo &info) {
        ExHintNeedData(key, detail, info);
    };

    ReadingsServices.IsReady = [this] { return FReady; };
    CommandLine = QCoreApplication::arguments().mid(1);
}

TFormMain::~TFormMain()
{
    if (FormMain == this)
        FormMain = nullptr;
    if (Detector == DetectorComponent)
        Detector = nullptr;
}

void TFormMain::Bind(const char *component, const char *signal, const char *slot)
{
    QObject *sender = FindComponent(component);
    const QByteArray signalText = QByteArray("2") + signal;
    const QByteArray slotText = QByteArray("1") + slot;
    if (!sender || !QObject::connect(sender, signalText.constData(), this, slotText.constData()))
        FFailedBindings << QStringLiteral("%1.%2 -> %3")
                               .arg(QLatin1String(component), QLatin1String(signal),
                                    QLatin1String(slot));
}

void TFormMain::BindHandlers()
{
    for (const Binding &b : Bindings)
        Bind(b.component, b.signal, b.slot);
    // The lamp of the gas-switch panel is a painted shape without events of
    // its own; a press on it acts like a press on its panel.
    if (QWidget *lamp = Component<QWidget>("ShpStatusGazState"))
        lamp->installEventFilter(this);
    else
        FFailedBindings << QStringLiteral("ShpStatusGazState");
}

bool TFormMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == centralWidget() && ResizeHelper
        && ResizeHelper->Form() && ResizeHelper->Enabled()) {
        ResizeHelper->Rescale();
        FormResize();
        emit ResizeHelper->OnAfterResize();
    } else if (event->type() == QEvent::Resize && ResizeHelper && ResizeHelper->Form() && ResizeHelper->Enabled()
               && watched->parent() && qobject_cast<QStackedWidget *>(watched->parent())) {
        FormResize();
    }
    if (event->type() == QEvent::MouseButtonPress
        && watched->objectName() == QLatin1String("ShpStatusGazState")) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        StatusGazSwitchTextMouseDown(mouse->button(), mouse->modifiers());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// Handlers whose work belongs to the device, file, page and tool logic of the
// window; they are bound to their components here and filled in there.
void TFormMain::BtBKnfReadConfigurationClick() { ReadConfiguration(); }
void TFormMain::BtBKnfWriteConfigurationClick() { if (ConfigurationPage) ConfigurationPage->WriteConfiguration(); }
void TFormMain::BtBKnfWriteDefaultConfigurationClick() { WriteDefaultConfiguration_145(); }
void TFormMain::BtBModWriteClick() { InvokePage("ModelPage", "BtBModWriteClick"); }
void TFormMain::BtBModel2WriteClick() { InvokePage("Model2Page", "BtBModel2WriteClick"); }
void TFormMain::BtBModel2DefaultClick() { InvokePage("Model2Page", "BtBModel2DefaultClick"); }
void TFormMain::BtnCorReadCorrectionsClick() { InvokePage("CorrectionsPage", "BtnCorReadCorrectionsClick"); }
void TFormMain::BtnCorWriteCorrectionsClick() { InvokePage("CorrectionsPage", "BtnCorWriteCorrectionsClick"); }
void TFormMain::BtnConfWriteConfigClick() { InvokePage("ConfigurationWizard", "BtnConfWriteConfigClick"); }
void TFormMain::BtnCalMapReadClick() { InvokePage("MapPage", "BtnCalMapReadClick"); }
void TFormMain::BtnCorPstandardClick() { InvokePage("CorrectionsPage", "BtnCorPstandardClick"); }
void TFormMain::BtnCorPcolStandardClick() { InvokePage("CorrectionsPage", "BtnCorPcolStandardClick"); }
void TFormMain::SpBtnCorTgasStandardClick() { InvokePage("CorrectionsPage", "SpBtnCorTgasStandardClick"); }
void TFormMain::SpBtnCorRpmStandardClick() { InvokePage("CorrectionsPage", "SpBtnCorRpmStandardClick"); }
void TFormMain::BtnDngReadEmulatorClick() { InvokePage("ComponentPictures", "BtnDngReadEmulatorClick"); }
