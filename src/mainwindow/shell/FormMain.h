// The program's main window: the designed layout of FormMainLayout on a
// QMainWindow, with the event handlers its components are bound to.
#pragma once

#include <QMainWindow>
#include <QStringList>

class TFormMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFormMain(QWidget *parent = nullptr);
    ~TFormMain() override;

    // Bindings of components to handlers that could not be made (a missing
    // component or signal); empty when the layout and the handlers agree.
    const QStringList &FailedBindings() const { return FFailedBindings; }

public slots:
    // Menu commands and the controls that share them.
    void MnIFilePrintSchClick();
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

    // Oscilloscope and trouble codes.
    void BtnDgnStartClick();
    void BtnDgnResetClick();
    void CmBDgnWyborChange();
    void SpBOdcReadTCClick();
    void SpBOdcClearTroubleCodeClick();
    void SpBDebugReadTroubleCodesClick();

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BindHandlers();
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
};
