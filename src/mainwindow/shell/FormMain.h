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
};
