// The program's main window: the designed layout of FormMainLayout on a
// QMainWindow, with the event handlers its components are bound to.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <initializer_list>

class QKeySequence;
class QTimer;
class TChangeHelper;
class TConfigurationPageOps;
class TExHint;
struct THintInfo;
class TResizeHelper;
class TDetector;
class TWaitForm;
struct TSettingsLoad;
class TReadPlan;
struct TSettingsError;
class TIniFile;
class TOscilloscopePage;
class TTroubleCodesPage;

class TFormMain : public QMainWindow
{
    Q_OBJECT

public:
    // The page logic objects that serve the window's pages, each registered
    // by its installation under its class's name.
    void AddPageLogic(QObject *page) { FPageLogic.insert(page->objectName().toLatin1(), page); }
    QObject *PageLogic(const char *name) const { return FPageLogic.value(name); }
    template <typename T> T *PageLogic(const char *name) const { return qobject_cast<T *>(PageLogic(name)); }
    // Runs a slot of the page logic that owns an operation, with its
    // arguments (each of the slot's own parameter type).
    template <typename... A> void InvokePage(const char *page, const char *slot, const A &...args) const
    {
        if (QObject *p = PageLogic(page))
            QMetaObject::invokeMethod(p, slot, QArgument<A>(QMetaType::fromType<A>().name(), args)...);
    }
    explicit TFormMain(QWidget *parent = nullptr);
    ~TFormMain() override;

    // Bindings of components to handlers that could not be made (a missing
    // component or signal); empty when the layout and the handlers agree.
    const QStringList &FailedBindings() const { return FFailedBindings; }

    // One of the window's own sheets or panels by name; a panel docked here
    // by another window is never returned. The pages take their panels here.
    QWidget *OwnPanel(const char *name) const;

public slots:
    // Menu commands and the controls that share them.
    void MnIFilePrintSchClick();
    void MnIFileSettingsClick();
    void MnIFileSaveAsClick();
    void MnIFileLoadCnfClick();
    void MnIFileExitClick();
    void MenuDeviceClick();
    void MnIDeviceConnectClick();
    void ShowFormConnectStatus();
    void MnIDeviceOfflineClick();
    void MnIDeviceAutoSearchClick();
    void ChBQSAutoSearchClick();
    void MnIDeviceLockClick();
    void MnIDeviceUnlockClick();
    void MnIDeviceResetClick();
    void MnIDeviceUpgradeFirmwareClick();
    void MnIDeviceUpgradeInfoClick();
    void MnIUpgradeFirmwareClick();
    void BtnConfUpgradeFirmwareClick();
    void MenuLangClick();
    void MnILangPolishClick();
    void MnILangEnglishClick();
    void MnILangLithuanianClick();
    void MnILangRussianClick();
    void MnILangCzechClick();
    void MnILangGermanClick();
    void MnILangItalianClick();
    void MnILangTurkishClick();
    void MnILangCroatianClick();
    void MnILangFrenchClick();
    void MnILangTurkish_VelutoClick();
    void MnILangNederlandsClick();
    void MnILangSpanishClick();
    void MnILangPortugueseClick();
    void MnILangSpanish_PravikClick();
    void MnILangThaiClick();
    void MnILangBulgarianClick();
    void MnILangGreekClick();
    void MnIWindowMeasureClick();
    void MnIWindowConfigClick();
    void MnIConfiguratorClick();
    void MnIWindowMultiConfigurationClick();
    void MnIWindowCalibrationClick();
    void MnIWindowMultiCalibrationClick();
    void MnIWindowSchemaClick();
    void MnIWindowQuickStartClick();
    void MnIWindowDiagnosticClick();
    void MnIWindowAdapterClick();
    void MnIWindowCnfBasicClick();
    void MnIWindowCnfAdvClick();
    void MnIWindowCalAutoClick();
    void MnIWindowMultiCalbrationAutoClick();
    void MnIWindowCalModelClick();
    void MnIWindowMultiCalibrationModelClick();
    void MnIWindowCalMapClick();
    void MnIWindowMultiCalibrationMapClick();
    void MnIWindowCalCorrectionsClick();
    void MnIWindowMultiCalibrationCorrectionsClick();
    void MnIWindowDgnOscyloskopClick();
    void MnIWindowDgnTroubleCodesClick();
    void MnIWindowDgnAdvancedClick();
    void MnIWindowFullScreenClick();
    void MnIHelpAboutClick();
    void MnIHelpHelp1Click();
    void MnIHelpHelp2Click();
    void MnIHelpDocsClick();
    void BtnConfDocumentationClick();
    void BtnQSSchemaClick();
    void MnIChangeFuelPetrolClick();
    void MnIChangeFuelGasClick();
    void MnIChangeFuelPetrolSeqClick();
    void MnIChangeFuelGasDirectClick();

    // Status bar and readings page.
    void StatusGazSwitchTextMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void CmbOdcInjDisplayChange();
    void ChBAdvancedViewClick();

    // Configuration and calibration pages.
    void BtBKnfReadConfigurationClick();
    void BtBKnfWriteConfigurationClick();
    void BtBKnfWriteDefaultConfigurationClick();
    void BtBModWriteClick();
    void BtBModel2WriteClick();
    void BtBModel2DefaultClick();
    void BtnCorReadCorrectionsClick();
    void BtnCorWriteCorrectionsClick();
    void BtnConfWriteConfigClick();
    void BtnCalMapReadClick();
    void BtnCorPstandardClick();
    void BtnCorPcolStandardClick();
    void SpBtnCorTgasStandardClick();
    void SpBtnCorRpmStandardClick();
    void CmBConfIdleHotTbChange();
    void BtBSetNextInspectionClick();
    void CmBNextInspectionChange();
    void BtnEncryptLangFilesClick();

    // ==== Operations of the configuration and calibration pages that the
    // shell calls (FormMainPages.cpp). Each forwards to the page logic that
    // owns it; until that page is built the operation does nothing. ====
    void UpdateAdapterPanels();
    // The panels docked from the adapter windows scale with the window.
    void RecordDockedPanels();
    void UpdateCylinderCountControls(bool flag);
    void UpdateConfigurationControls();
    void ReadConfiguration();
    void ReadModelParams();
    void ReadModel2Settings();
    void ShowPsysCorrections();
    void ShowPcolCorrections();
    void ShowTgasCorrections();
    void ShowRpmCorrections();
    void SetActiveTgasCorrSpBtn(uint8_t corrType);
    void SetActiveRpmCorrSpBtn(uint8_t corrType);
    void SetTgasCorrSpBtnEnabled(bool flag);
    void SetRpmCorrSpBtnEnabled(bool flag);
    void SelectMaxTbForLoadItems();
    void DrawModelChart();
    void UpdateModel2Labels();
    bool WriteConfWizardConfiguration();
    void FillConfBasedPage();
    void FillConfSwitchingPage();
    void FillConfAdvancedPage();
    void UpdateConfAutoCalPage(bool updateStop);
    void PgCConfWizardChange();
    void UpdateConfWizardButtons(bool refill);
    void GoToConfWizardPage(int page);
    void TbSConfiguratorShow();
    void ClearConfWizardControls();
    void ClearCalibrationControls();
    void ClearKnfControls();
    void UpdateCalibrationControls();
    void UpdateMapChartsVisibility();
    void DrawMapChart();
    void ClearPetrolMapAct();
    void ClearGasMap();
    void CmBCalMapRPMRangeChange();
    void LoadMapFromFile(const QString &fileName);
    void SaveMapToFile(const QString &fileName);
    void WriteDefaultConfiguration_145();
    void CmBKnfPressureSensorTypeChange();
    void YEdKnfPowerChange();
    void YEdConfPowerChange();
    void EdtModMULT_Change();
    void SetIdleModelChanged(bool flag);
    void EmptyInitStep();
    bool IdleModelChanged() const { return FIdleModelChanged; }
    void CheckFormPictureShow();
    // The single mark of unwritten edits of the window's editing pages.
    void SetConfigModified(bool flag);
    bool ConfigModified() const;
    // A write that did not go through: the pages keep their values marked as
    // changed, whatever became of the link, so that the reconnection that
    // follows leaves them as they are.
    void KeepConfigModified();
    // The end of a page's write: one that went through clears the mark, one
    // that did not keeps it.
    void ConfigWriteEnded(bool written);
    void ChangeHelperModified();
private:
    bool FIdleModelChanged = false;
    // Sets the mark and the write buttons' highlight.
    void ShowConfigModified(bool flag);
public:
    // The configuration page's logic, set when it is built with the window.
    TConfigurationPageOps *ConfigurationPage = nullptr;
public slots:
    // ==== end of page operations ====

public slots:
    // Oscilloscope and trouble codes.
    void BtnDgnStartClick();
    void BtnDgnResetClick();
    void CmBDgnWyborChange();
    void SpBOdcReadTCClick();
    void SpBOdcClearTroubleCodeClick();
    void SpBDebugReadTroubleCodesClick();
    void OscUpdateControls();
    void PanelScaleResize();
    void UpdateTroubleCodeList(int group);

    // Service and diagnostic tools.
    void BtnShowTestFormClick();
    void BtnDgnInjCleaningClick();
    void BtnDgnAdvEmergencyStartsResetClick();
    void BtnResetTempVariableClick();
    void BtnDngReadEmulatorClick();
    void Button14Click();
    void BtnSrvReadTpcbClick();
    void BtnSrvReadCntResetClick();
    void BtnSrvReadCurrInjClick();
    void BtnSrvReadCurrClick();
    void BtnSrvClearClick();
    void Button5Click();
    void BtnSrvReadCAP_TIE_enableClick();
    void ChBDgnCAP_TIE_enableClick();
    void BtnSrvSoftVerClick();
    void BtnReadATDClick();
    void BtnSrvTMReadClick();
    void BtnSrvTMWriteClick();
    void ChBSrvMasterModeClick();
    void Button10Click();
    void Button3Click();
    void Button4Click();
    void EdtPChange();
    void BtnTcalcRPMClick();
    void Button2Click();
    void Button7Click();
    void Button1Click();
    void Button9Click();
    void Button17Click();
    void Button20Click();
    void BtnTestInjControlReadClick();
    void BtnTestInjControlWriteClick();
    void BtnDgnELAMReadClick();
    void BtnDgnELAMWriteClick();
    void CmBELAM_FuncChange();
    void BtnSrvTesterClick();
    void BtnSrvTesterAdapterClick();
    void SpBDebugTestyClick();

    // ==== Start-up, main tick and connecting (FormMainStartup.cpp,
    // FormMainTimer.cpp, FormMainConnect.cpp) ====
public:
    // The millisecond clock of every deadline of the window: monotonic,
    // 64 bits; tests replace it (an empty function restores the steady clock).
    using TClock = std::function<qint64()>;
    static void SetClock(TClock clock);
    static qint64 Now();

    // A deadline of the main tick: not armed, armed for a time, or fired.
    class TDeadline
    {
    public:
        enum TState { NotArmed, Armed, Fired };
        void Arm(qint64 at) { FState = Armed; FAt = at; }
        void Disarm() { FState = NotArmed; FAt = 0; }
        void Fire() { FState = Fired; }
        TState State() const { return FState; }
        bool IsArmed() const { return FState == Armed; }
        qint64 At() const { return FAt; }
        // Armed and now is later than the deadline.
        bool Passed(qint64 now) const { return FState == Armed && now > FAt; }

    private:
        TState FState = NotArmed;
        qint64 FAt = 0;
    };

    // What the later subsystems (splash, connection-status window, adapter
    // modules, firmware upgrade, picture window) and the window's other page
    // logic do for start-up and the tick, wired by the program's main block.
    // An empty function means the service is not there and is skipped.
    struct TServices {
        // Splash window.
        std::function<void()> CloseSplash;
        std::function<bool()> SplashOffLineRequested;
        std::function<void(std::function<void(QObject *)>)> SetSplashCancelHandler;
        std::function<void(const QString &text, bool connected)> SetSplashStatus;
        // The connection-status window is visible.
        std::function<bool()> ConnectStatusVisible;
        // Hands the global port to the upgrade logic (no log window).
        std::function<void()> GiveUpgradePortToLogic;
        // The bootloader manager contacts the bootloader; then whether the
        // device type it reported is an adapter box (40 or 98).
        std::function<void()> ConnectBootloader;
        std::function<bool()> BootloaderIsAdapter;
        // Adapter modules.
        std::function<bool()> ObdLinkConnected;
        // The OBD module answers (the status bar's OBD-adaptation panel).
        std::function<bool()> ObdModuleActive;
        std::function<void(uint32_t mask, bool on)> SetManagerStateFlag;
        std::function<void()> ManagerWorkStep;
        std::function<bool()> FetchDetectDone;
        std::function<bool()> FetchSecondFlag;
        std::function<bool()> ObdReadingsMiniVisible;
        std::function<void(bool adapterObdPageVisible)> ObdRefreshLive;
        std::function<void()> AioRefreshLive;
        std::function<int(const QString &name)> AdapterVariableInt;
        // The adapter windows follow the advanced-view choice.
        std::function<void(bool advanced)> SetLocalAdvancedView;
        // Docks the adapter windows' panels into the adapter page.
        std::function<void()> DockAdapterPanels;
        std::function<void()> FreePictureWindow;
        // Page logic of the window built elsewhere: adapting to the device,
        // the main page's change handler, the trouble-code window, the
        // firmware-upgrade check and launch, the adapter windows' refresh, the
        // language re-apply, the once-a-second correction-table refresh and
        // the reload of the pages after a fresh connection.
        std::function<void()> AdaptToDevice;
        std::function<void()> PgCMainChange;
        std::function<void()> ShowTroubleCodes;
        std::function<void()> CheckIfFirmwareUpgradePossible;
        std::function<void()> UpgradeFirmware;
        std::function<void()> RefreshAdapterWindows;
        // Lays out the docked adapter pages after the window was rescaled.
        std::function<void()> AdjustAdapterWindows;
        std::function<void()> ApplyLanguage;
        std::function<void()> HideCorrectionTables;
        std::function<void()> ReloadPagesAfterConnect;
        // Live-value readouts of the calibration pages and the oscilloscope.
        std::function<void()> CalibrationReadouts;
        std::function<void()> OscilloscopeStep;
        // Whether a calibration run is going on (the tick's running test).
        std::function<void(bool active)> SetCalibrationActive;
        // Fills the pressure-sensor and injector-type lists from the edition.
        std::function<void()> FillEditionLists;
    };
    TServices Services;

    // Creation (steps in the documented order); run once by whoever creates
    // the window, after Services are wired.
    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool &canClose);
    void FormClose();
    void ShowLowResolutionWarning();

    void DetectDeviceWorkStep(bool initial);
    void TimerekTimer(QObject *sender);
    void CheckPendingWorkState();
    void UpdateModel2AdaptationControls();

    void MnIDeviceConnectClick(QObject *sender);
    void MarkDeviceOffline(bool value);
    void MarkDeviceAutoSearch(bool value);
    bool CheckOfflineMode();
    void UpdateOfflinePanels();
    void UpdateDeviceMenus();
    void CheckDeviceVersionCompatibility();
    void UpdateConnectWaitForm();
    void DeviceConnectComChange(QObject *sender, const QString &text);
    void ConnectWaitFormStatusChange();
    void ConnectWaitFormCancelClick();

    // Components of the window.
    QTimer *Timerek = nullptr;
    QTimer *TimerMapa = nullptr;
    TDetector *DetectorComponent = nullptr;
    TWaitForm *ConnectWaitForm = nullptr;
    TWaitForm *WaitFormAutocalibration = nullptr;
    TChangeHelper *ChangeHelper = nullptr;
    // Scales the designed layout with the window from its first showing.
    TResizeHelper *ResizeHelper = nullptr;
    // The recorder and the trouble-code pages (OscilloscopePage.cpp,
    // TroubleCodes.cpp).
    TOscilloscopePage *OscilloscopePage = nullptr;
    TTroubleCodesPage *TroubleCodesPage = nullptr;

    // The program's arguments after its name (set from the application's
    // at creation; tests may replace them before FormCreate).
    QStringList CommandLine;

    // State, for the main block and tests.
    bool Offline() const { return FOffline; }
    bool Ready() const { return FReady; }
    bool LowResolution() const { return FLowResolution; }
    bool NoConnect() const { return FNoConnect; }
    bool Connecting() const { return FConnecting; }
    int AutoSearchCount() const { return FAutoSearchCount; }
    const TDeadline &LinkLostAt() const { return FLinkLostAt; }
    const TDeadline &AutoSearchAt() const { return FAutoSearchAt; }
    const TDeadline &FirmwareCheckAt() const { return FFirmwareCheckAt; }
    int &FirmwareCheckRunning() { return FFirmwareCheckRunning; }
    void SetAdapterPanelsPending(bool value) { FAdapterPanelsPending = value; }
    bool AdapterPanelsPending() const { return FAdapterPanelsPending; }
    // The low-resolution warning has been shown in this run.
    bool LowResolutionWarned() const { return FLowResolutionWarned; }
    // The screen size the check uses (the primary screen unless a test sets one).
    void SetScreenSizeForCheck(const QSize &size) { FScreenSizeForCheck = size; }

    // Message 0x807B: brings the window to the front.
    static constexpr int UMActivate = 0x807B;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void customEvent(QEvent *event) override;

private:
    void Tick(QObject *sender);
    void ShowConnectedPort();
    void SearchPorts(QObject *sender, const QStringList &ports, int previousPort);
    void SetTickInterval();
    void ShowAdapterObdReadings();
    void AutoSearchStep();
    void ShowAutoConnectText(const QString &caption);
    bool HandOverToSibling();
    void UpdateCalibrationRunning();
    void PollPageGroups(bool &readOk, bool onAutoCalPage);
    void UpdateIndicatorPanels();
    bool FatalDeviceError();
    void BootloaderStep(QObject *sender);
    QString TranslateKey(const QString &key) const;
    // A named component of the window; lookups are cached, as the tick
    // asks for the same components several times a second.
    template <typename T> T *Component(const char *name) const
    {
        return qobject_cast<T *>(FindComponent(name));
    }
    template <typename T> T *Component(const QString &name) const
    {
        return qobject_cast<T *>(FindComponent(name.toLatin1().constData()));
    }
    QObject *FindComponent(const char *name) const;
    bool AutoSearchChecked() const;
    QString CurrentMainPage() const;

    bool FOffline = false;
    // The lock state UpdateDeviceMenus last found, and whether the device
    // was locked when this connection read it (so that nothing was read).
    bool FDeviceLocked = false;
    bool FLockedAtConnect = false;
    // The device answers again after a lock: the pages show what it holds.
    void ShowDeviceAfterUnlock();
    bool FLowResolution = false;
    bool FNoConnect = false;
    bool FReady = false;
    bool FConnecting = false;
    TDeadline FLinkLostAt;
    TDeadline FAutoSearchAt;
    int FAutoSearchCount = 0;
    std::function<void(QObject *sender, const QString &text)> FOnConnectPort;
    TDeadline FFirmwareCheckAt;
    int FFirmwareCheckRunning = 0;
    TDeadline FCorrTablesAt;
    bool FAdapterPanelsPending = false;
    bool FShown = false;
    bool FClosed = false;
    bool FLowResolutionWarned = false;
    QSize FScreenSizeForCheck;
    QWidget *FConnectWaitDisabledForm = nullptr;
    mutable QHash<QByteArray, QPointer<QObject>> FComponents;
    QHash<QByteArray, QPointer<QObject>> FPageLogic;
    // ==== end of start-up, main tick and connecting ====


protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BindHandlers();
    void CreateComponents();
    void Bind(const char *component, const char *signal, const char *slot);

    QStringList FFailedBindings;

    // Live readings, injection times and status bar
    // (FormMainReadings.cpp, FormMainInjTimes.cpp, FormMainStatus.cpp)
public:
    // Services of the window's other logic that the readings use; an empty
    // function means the service is not there and the step is skipped (or,
    // for a question, answered no).
    struct TReadingsServices {
        // Calibration pages: the map-correction controls, the adaptation
        // grids' current cell (bank 1 or 2, load value, RPM), the live point
        // of the model-2 chart and its blinking marker.
        std::function<void()> SetMapCorrectionControlsState;
        std::function<void(int bank, int load, int rpm)> OBDSetActualLoadAndRpmIndex;
        std::function<void(double x, double y)> SetModel2LivePoint;
        std::function<bool()> Model2MarkerActive;
        std::function<uint32_t()> Model2MarkerColor;
        std::function<void(uint32_t colour)> SetModel2MarkerColor;
        // The model-2 adaptation map is complete (the adaptation may be switched on).
        std::function<bool()> Model2AdaptMapComplete;
        // Configuration wizard: fills the finish page.
        std::function<void(bool full)> FillConfFinishPage;
        // The window has finished its creation (until then the injector
        // selector refreshes its readouts itself).
        std::function<bool()> IsReady;
        // Renumbers the injector captions after the selector changed.
        std::function<void(bool)> UpdateInjDisplayLabels;
        // A long operation of the program logic is running.
        std::function<bool()> IsBusy;
        // Firmware upgrades of the device and of the adapter are possible.
        std::function<bool()> IsDeviceUpgradePossible;
        std::function<bool()> IsAdapterUpgradePossible;
        // The adapter module: active, its version text, its compile date and
        // time ("date time").
        std::function<bool()> AdapterActive;
        std::function<QString()> AdapterVersionText;
        std::function<QString()> AdapterCompileDateTime;
    };
    TReadingsServices ReadingsServices;

    // Registers the colour rule of every coloured display with the edition
    // parameters; called once at window creation.
    void RegisterReadingColors();

    // Writes the live values of the record into the visible page's controls.
    void UpdateLiveReadings();
    void ShowLambda(bool OnModelBar);
    // Volts of a lambda input: raw x 0.02 for sensor types 1..6, else 0.
    static double LambdaRawToVolts(uint8_t raw, uint8_t sensorType);

    // Injection-time readouts and the replica of the gas-switch panel.
    double GetPetrolInjTime();
    double GetGasInjTime();
    void ShowInjTimes(QWidget *PetrolLabel, QWidget *GasLabel);
    void UpdateGasSwitchPanel(bool GLabelBlack);

    // Status bar, caption and software versions.
    void PnlStatusGazSwitchUpdate();
    void PnlStatusDeviceInfoUpdate();
    void PnlStatusConnectedUpdate(bool connecting);
    void PnlStatusDeviceInfoResize();
    void GrBQSSoftVersionsUpdate();
    void UpdateComPortInfo(QObject *sender);
    void HighlightUpgradable(QWidget *control, bool Upgradable);
    // The caption of the connection panel remembered at the language change.
    QString StatusBaseText() const { return FStatusBaseText; }
    void SetStatusBaseText(const QString &text) { FStatusBaseText = text; }

    // The controls the readings write, fetched once by name.
    struct TReadingControls;

private:
    TReadingControls &Rc();
    void ShowCalibrationReadings();
    void ShowConfiguratorReadings();
    void ShowMeasureReadings();
    void ShowDiagnosticReadings();
    void ShowOdcRpm(uint16_t period);
    void ShowOdcPsys(uint8_t raw);
    void ShowOdcPcol(uint8_t raw);
    void ShowOdcTred(uint8_t raw);
    void ShowOdcTgas(uint8_t raw);
    void ShowPetrolBars(std::array<uint32_t, 8> times);
    void ShowGasBars(std::array<uint32_t, 8> times);
    void ShowEngineLoad();
    void ShowGasInjCorrections();
    void ShowDgnPetrolTimes(std::array<uint32_t, 8> times);
    void ShowDgnGasTimes(std::array<uint32_t, 8> times);
    void ShowAdaptationGrids();
    // Fill colour of a display by its colour rule; with a text as well.
    void PaintByRule(QWidget *display);
    void ShowRuled(QWidget *display, const QString &text);

    std::shared_ptr<TReadingControls> FReadingControls;
    // Time of the last colour change of the model-2 chart's live marker.
    qint64 FLastMarkerBlink = 0;
    QString FStatusBaseText;
    // End of live readings, injection times and status bar

    // Settings files (FormMainFiles.cpp)
public:
    // Writers and readers of the device's settings file; each asks for the
    // file itself. The writers return whether a file was written.
    bool SaveSettingsFileQ3();
    bool SaveSettingsFileMulti();
    void LoadSettingsFileV15();
    void LoadSettingsFileV30(bool ModelOnly);
    // Shows why the settings file was refused: its short form, the file and
    // the reason in words.
    void RefuseSettingsFile(const TSettingsError &e, const QString &fileName);
    // The full path of the last settings file written or read.
    QString SettingsFileName;
    // Set by the upgrade launch before it saves the backup; cleared when no
    // file was written.
    uint8_t SettingsRestoreRequest = 0;
    // Asks for a settings file name (save or open) starting in folder with
    // fileName preselected; empty when cancelled. By default Qt's file dialog.
    std::function<QString(bool save, const QString &folder, const QString &fileName)> SettingsFileDialog =
        [this](bool save, const QString &folder, const QString &fileName) {
            return ChooseSettingsFile(save, folder, fileName);
        };

private:
    QString ChooseSettingsFile(bool save, const QString &folder, const QString &fileName);
    QString AskSettingsFileName(bool save, const QString &fileName);
    bool WriteSettingsFile(const QString &fileName, bool multi);
    bool OpenSettingsFile(TIniFile &ini, bool multi, bool *chosen = nullptr);
    void ShowLoadedModel(bool withThresholds);
    // A kind-48 load's read before its question: what the load does not
    // take from the file, each value once (FormMainFiles.cpp).
    struct TKind48LoadRead;
    TKind48LoadRead ReadKind48ForLoad(const TIniFile &ini);
    QString WriteLoadedMultiSettings(const TSettingsLoad &load, const TKind48LoadRead &read);
    bool WriteLoadedModel2(const TSettingsLoad &load);
    // The next inspection as the record holds it, where the device keeps
    // one; the button loses its changed mark (FormMainChangeRecord.cpp).
    bool WriteLoadedNextInspection();
    // A kind-48 load's read after its last write and its change record:
    // what the pages show, each value once, then the pages shown from it.
    void ShowKind48DeviceAfterLoad(bool mapPage);
    QString FSettingsDialogFile;
    // End of settings files

    // Adapting to the device, page navigation, the main menu's commands and
    // the quick-start shortcuts (FormMainAdapt.cpp, FormMainNavigation.cpp,
    // FormMainMenu.cpp, FormMainQuickStart.cpp)
public:
    // What the later windows and the adapter modules do for these; wired by
    // the program's main block. An empty function is skipped (a question
    // then lets the page change, a write reports nothing written).
    struct TWindowServices {
        // Kind-48 windows: creates them when missing and docks their
        // content panels onto the window's panels of the same names.
        std::function<void()> CreateKind48Windows;
        // A component of the kind-48 calibration window by name (nullptr
        // while the window does not exist).
        std::function<QObject *(const QString &name)> Kind48CalibrationComponent;
        std::function<bool()> Kind48CalibrationExists;
        std::function<bool()> Kind48ConfigurationExists;
        // The kind-48 windows' content panels docked on the window's sheets
        // (none while the windows do not exist).
        std::function<QList<QWidget *>()> Kind48DockedPanels;
        // After the docked panels were rescaled from their designed
        // geometry: the kind-48 pages place again what they order by their
        // own rules (the map's load captions by the pressure sensor).
        std::function<void()> Kind48PlaceScaledControls;
        // The kind-48 configuration window holds unwritten edits; the
        // calibration window's model and corrections pages hold unwritten
        // edits (in the record itself).
        std::function<bool()> Kind48ConfigurationModified;
        std::function<bool()> Kind48CalibrationModified;
        // Leave rules of the kind-48 windows' pages: true lets the page change.
        std::function<bool()> Kind48CalibrationChanging;
        std::function<bool()> Kind48ConfigurationChanging;
        // The tick on the kind-48 configuration sheet: false when the window
        // does not exist (nothing was refreshed).
        std::function<bool()> Kind48ConfigurationUpdateDeviceInfo;
        // A confirmed settings-file load's configuration: the kind-48
        // configuration window shows the record and writes it (false when
        // nothing or not everything was written).
        std::function<bool()> Kind48WriteLoadedConfiguration;
        // The kind-48 calibration window shows the record (a settings file
        // just loaded into it).
        std::function<void()> Kind48CalibrationShowRecord;
        // Entry actions of the kind-48 pages.
        std::function<void()> Kind48ConfigurationRefresh;
        std::function<void()> Kind48CalibrationReadAll;
        // The same in two steps, for a command that reads once what several
        // pages show: what the kind-48 configuration and calibration windows
        // show added to the command's read, then each window filled from
        // the record once that ran (read: it was read whole).
        std::function<void(TReadPlan &)> Kind48ConfigurationAddReads;
        std::function<void(bool read)> Kind48ConfigurationShowRead;
        std::function<void(TReadPlan &)> Kind48CalibrationAddReads;
        std::function<void(bool read)> Kind48CalibrationShowRead;
        // Each tick while the kind-48 calibration tab shows: its live values,
        // then its auto-calibration state.
        std::function<void()> Kind48CalibrationTick;
        // Factory settings of a kind-48 device: the configuration window's
        // default write (false when it wrote nothing, e.g. answered Cancel)
        // and the calibration window's default corrections.
        std::function<bool()> Kind48WriteDefaultConfiguration;
        std::function<void()> Kind48ResetCorrections;
        // The PIN dialog; true on OK, pin gets the entered text.
        std::function<bool(bool locking, int minLength, QString &pin)> ExecuteLockDialog;
        std::function<void()> ShowAbout;
        // The installation card (created on first use, shown modally).
        std::function<void()> ShowInstallationCard;
        // The installation card filled from the device, in its print preview.
        std::function<void()> PreviewInstallationCard;
        // Adapter modules: unwritten edits, write (false: not written, the
        // page stays), discard, a sub-page entered (byUser: by the user's
        // page change, not a refresh), a page of the OBD window, protocols.
        std::function<bool()> AdapterModified;
        std::function<bool()> AdapterWriteObd;
        std::function<void()> AdapterDiscardObd;
        std::function<void(const QString &page, bool byUser)> AdapterPageEntered;
        std::function<void(const QString &page)> ObdSelectPage;
        std::function<void()> AssignModuleProtocols;
    };
    TWindowServices WindowServices;

    void AdaptToDeviceVersion();
    void ApplyAdvancedView();
    // Step 23 of the tick: the pages of a freshly connected device re-read.
    void ReloadPagesAfterConnect();

    // Leave and entry rules of the page controls. A user's page change and
    // ActivatePage by message run them; a page set by the program does not.
    void PgCMainChanging(bool &allowChange);
    void PgCMainChange(QObject *sender);
    void PgCCalibrationChanging(bool &allowChange);
    void PgCCalibrationChange();
    void PgCConfWizardChanging(bool &allowChange);
    void PgCDiagnostykaChange(bool switchTimer = true);
    void PgCAdapterMainChange(bool byUser);
    // Activates the sheets one level after the other with the leave and
    // entry rules; stops at a refused change. True when none was refused.
    bool ActivatePages(std::initializer_list<const char *> chain);
    // Sets the main page without the leave rules, then its entry (no sender).
    void ActivateMainPageDirect(const char *sheet);

    // Wiring-schema picture panning.
    void ImgSchemaMouseDown(Qt::MouseButton button, const QPoint &pos);
    void ImgSchemaMouseMove(const QPoint &pos);
    void ImgSchemaMouseUp();

    // Quick-start shortcuts and status-panel shortcuts.
    void BtnQSConfigPage(const char *wizardPage);
    void BtnQSCalibrationAdaptationClick();
    void BtnQSDiagInjTestClick();
    void BtnQSAdapterPage(const char *page, const char *obdPage);
    void ShowQuickStartPopup(const char *popup, const char *button);

    // Full path of the files the help items open.
    static QString HelpFilePath(const QString &relative);
    // Opens a file or folder with the desktop; a missing one is reported, and
    // so is a desktop with no program for it (failureText, or the general
    // message naming the path). False in both cases.
    bool OpenWithShell(const QString &path, const QString &failureText = {});

private:
    void InstallNavigation();
    // Pending layout work when the program is idle (after a resize); true
    // when nothing is left to do.
    bool ApplicationIdle();
    void SetShortcut(const char *item, const QKeySequence &key);
    void RunFactoryReset();
    void SendWorkType(uint8_t type);
    void LockCommand(bool locking);
    bool FSchemaDragging = false;
    QPoint FSchemaDragStart;
    int FModOdcMainHeight = 0;
    // Language switching (FormMainLanguage.cpp)
public:
    // Applies a language: with defaultLanguage the configured one (falling
    // back to "PL"), else the file of code; an empty code only refreshes the
    // derived texts and the visible page. False when the file was refused.
    bool ChangeLanguage(const QString &code, bool defaultLanguage);
    // Prefixes the injector captions with the selected injector's number;
    // with capture, their current captions become the bases first.
    void UpdateInjDisplayLabels(bool capture);
    void RefreshAdapterWindows();

    // Live readouts of the calibration page's sub-pages (a step of the tick).
    void ShowCalibrationReadouts();

    // True while the visible page is refreshed in place (a language change,
    // the device answering again after a lock).
    bool LanguagePageRefresh() const { return FLanguagePageRefresh; }

private:
    void SelectLanguage(const char *code);
    // Clears the trouble-code memos and lists the codes of groups 1-4 again.
    void RebuildTroubleCodeLists();
    QString FInjDisplayBases[8];
    // Set while the visible page is refreshed in place: pages holding
    // unwritten edits then keep them (no device reads).
    bool FLanguagePageRefresh = false;
    // End of language switching

    // Change record, computer codes and next inspection
    // (FormMainChangeRecord.cpp)
public:
    // The change-record query of the common services: mode 0 asks whether a
    // record applies to the device, mode 1 writes it.
    bool WriteLastChangeInfo(uint8_t mode);
    // Makes WriteLastChangeInfo the change-record query of the common services.
    void InstallChangeRecordQuery();
    // The gate before a write of edited settings: false skips the write.
    bool UpdateLastChangeInfo(bool modified);
    void UpdateComputerCodesInfo();
    void InitChangesListGrid();
    // The window's extended hint: detail lines from the language file's
    // hint lines of the control under the mouse.
    TExHint *ExHint = nullptr;
    void ExHintNeedData(const QString &key, QStringList &detail, THintInfo &info);

    // Layout on resize (FormMainResize.cpp)
public:
    // Lays out the pages whose sizes and positions depend on each other,
    // after the proportional rescale of the central area.
    void FormResize();
    void ResizeHelperAfterShow();
    // Takes the kind-48 calibration window's enrichment edits' change
    // handlers off (true) or gives them back (false); nothing while that
    // window does not exist.
    std::function<void(bool detach)> DetachKind48EnrichmentHandlers;

private:
    bool FLayingOut = false;

    // Service and diagnostic tools (FormMainService.cpp)
public:
    // Shows the gas-injector test window modally; empty while the program
    // has no such window.
    std::function<void()> ShowInjectorTestWindow;
    // The wait window of the injector cleaning (created on first use).
    TWaitForm *WaitFormInjClean = nullptr;

private:
    void ServiceCaption(const char *button, const QString &text);
    void ServiceReadAll(bool pause);
    void SelectByTable(const char *combo, const uint16_t *table, int count, uint16_t value);
    bool FServiceToolRunning = false;

    // Firmware upgrade launch, settings backup and restore, reminder
    // (FormMainUpgrade.cpp)
public:
    // The upgrade side, wired by the program's main block.
    struct TUpgradeServices {
        // The upgrade logic: adapter detection, the in-bootloader flag.
        std::function<void(bool on)> SetAdapterDetection;
        std::function<bool()> AdapterDetection;
        std::function<bool()> InBootloader;
        std::function<void(bool on)> SetInBootloader;
        // The bootloader manager contacts a bootloader and selects its variant.
        std::function<bool()> ConnectBootloader;
        // Creates the upgrade window with the two callbacks and the shared
        // port, lets it find its target, shows it modally when found and
        // frees it. True when the device's flash was erased meanwhile.
        std::function<bool(std::function<void()> onConnect, std::function<void(bool &allowed)> onUpdateQuery)>
            RunUpgradeWindow;
        // The adapter module is active and its upgrade test holds; its main
        // version and version letter.
        std::function<bool()> AdapterUpgradeCandidate;
        // The same test after asking the box itself: a box that no longer
        // answers is dropped and fails it.
        std::function<bool()> AdapterAnswersForUpgrade;
        std::function<int()> AdapterMainVersion;
        std::function<QString()> AdapterVersionLetter;
        // Shows the connection-status dialog modally at left, top with its
        // callbacks (connect, load settings, upgrade tests, upgrade launch,
        // restore after reconnecting).
        std::function<void(int left, int top)> ShowConnectStatus;
    };
    TUpgradeServices UpgradeServices;

    void DeviceUpgradeFirmware(bool device);
    void FormUpgraderConnectClick();
    void FormUpgraderUpdateQuery(bool &allowed);
    int TakeRestoreConfigRequest();
    void DeviceRestoreConfig();
    // The settings-file load command from origin, the control that asked;
    // with none (the restore after an upgrade) the dialog offers the
    // remembered file.
    void LoadSettingsFileFrom(QObject *origin);
    bool IsDeviceUpgradePossible();
    bool IsAdapterUpgradePossible();
    void CheckIfFirmwareUpgradePossible();

private:
    void upgradeFirmwareFrom(QObject *origin);
    // End of firmware upgrade
};

// The program's main window, set by whoever creates it.
extern TFormMain *FormMain;
