// The OBD window. It is never shown by itself: the main window docks its
// content panel and its small readings panel into its own pages. It shows
// and edits the OBD module's user-interface variables through control
// bindings and talks to the box only through the OBD module's commands,
// each with the background work step paused.
#pragma once

#include "adapter/ObdMessages.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class TDigitalDisplay;
class TSelectedImage;
class TVariable;

class TFormMultiOBD : public QWidget
{
    Q_OBJECT
public:
    explicit TFormMultiOBD(QWidget *parent = nullptr);
    ~TFormMultiOBD() override;

    QFrame *PnlMultiOBD;
    QTabWidget *PgCMain;
    QWidget *TbSOBDConfig, *TbSOBDLive, *TbSOBDErrors, *TbSOBDDebug;
    QFrame *PnlOBDConfig, *PnlOBDLive, *PnlOBDErrors, *PnlOBDDebug;

    // Configuration page.
    QComboBox *CmBOBDProtocol;
    QPushButton *BtnOBDConnectControl, *BtnOBDDetectProtocol;
    QLineEdit *EdtOBDStatus;
    QCheckBox *ChBOBDAutoConnect;
    QLabel *LblOBDConnectErrors, *LblOBDisOBDsimCompiled;
    QCheckBox *ChBOBDisTestPIDsActive, *ChBOBDisOBDsimActive;
    QFrame *PnlOBDAdaptation, *PnlOBDAdaptationAdvView;
    QCheckBox *ChBOBDAdaptationEnable, *ChBOBDCorrectionsInverted, *ChBOBDAdaptControlLtFt, *ChBOBDAdaptMinRPM,
        *ChBOBDAdaptNotUseDivCorrs;
    QComboBox *CmBOBDAdaptType, *CmBOBDAdaptMinRPM;
    QFrame *PnlOBDAdaptMaxCorr, *PnlOBDAdaptMinRPM, *PnlOBDAdaptSTFT, *PnlOBDAdaptLTFT, *PnlOBDAdaptDevMinVer;
    QSpinBox *UpDOBDAdaptMaxCorr, *UpDOBDAdaptStFtBase, *UpDOBDAdaptStFtRange, *UpDOBDAdaptLtFtBaseB1,
        *UpDOBDAdaptLtFtBaseB2, *UpDOBDAdaptLtFtRange;
    QLabel *LblOBDAdaptStFtValue, *LblOBDAdaptLtFtB1Value, *LblOBDAdaptLtFtB2Value, *LblOBDAdaptDevMinVer;
    QPushButton *BtBOBDAdaptClearCorrs, *BtBOBDReadConfig, *BtBOBDWriteConfig, *BtBOBDDefaultSettings;
    QPushButton *BtBAdapterTestModeInit, *BtBAdapterTestModeNormal;

    // Live page.
    QLabel *LblOBDFuelSystemStatusB1, *LblOBDFuelSystemStatusB2;
    TDigitalDisplay *DgDOBDRealRPM, *DgDOBDRealTb, *DgDOBDRealTg, *DgDOBDRealPsys, *DgDOBDRealPcol,
        *DgDOBDRealTred, *DgDOBDRealTgas;

    // Trouble-code page.
    TSelectedImage *SelImgOBDCheckEngine;
    QFrame *PnlOBDCheckEngine, *PnlOBDErrorsButtons;
    TDigitalDisplay *DgDOBDCheckEngine;
    QPlainTextEdit *MemOBDTroubles, *MemOBDFreeze;
    QPushButton *BtBOBDReadErrors, *BtBOBDClearErrors;
    QProgressBar *PrBOBDErrors;

    // Debug page (its tab is hidden): the adaptation tables of both banks.
    QTableWidget *StGOBDAdaptBank1, *StGOBDAdaptBank2;
    QPushButton *BtnOBDAdaptCorrResetB1, *BtnOBDAdaptCorrResetB2;

    // Readings panel docked into the main window's readings page.
    QFrame *PnlOBDReadingsMini;
    QLabel *LblOBDRPMMini, *LblOBDStFtMini, *LblOBDLtFtMini, *LblOBDMAPMini, *LblOBDLambda1Mini, *LblOBDLambda2Mini;
    QLabel *LblOBDCaptionLambda1Mini, *LblOBDCaptionLambda2Mini;
    QFrame *PnlOBDFuelSystemStatusB1, *PnlOBDFuelSystemStatusB2;

    // Every tick of the main timer (visible: the OBD tab of the adapter page
    // is the visible page).
    void RefreshLive(bool visible);
    // The shown page's reads; also when the main window shows the OBD tab.
    void PgCMainChange(QObject *sender = nullptr);
    void UpdateLanguage();
    // After the main window rescaled the docked pages: the live readings'
    // displays keep room for five characters whatever the window's shape.
    void AdjustLayout();
    // Highlights the write button while the OBD settings hold unwritten edits.
    void UpdateWriteButtonState();
    // The page's Save and the leave question's Yes: writes the OBD
    // configuration to the box and, with OBD adaptation on, the controller's
    // adaptation switches. A box not found is looked for once first. False
    // when nothing was written or a write was refused (the box did not
    // answer included): the page keeps its edits and its mark, and a
    // warning says why.
    bool BtBOBDWriteConfigClick(QObject *sender = nullptr);
    // With OBD adaptation on: switches it off, writes the configuration and
    // resets both adaptation banks. True when it was off or is now off.
    bool SwitchAdaptationOff();
    void BtBOBDReadConfigClick();
    void BtnOBDConnectControlClick();
    void BtnOBDDetectProtocolClick();
    void BtBOBDAdaptClearCorrsClick();
    void BtBAdapterTestModeInitClick();
    void BtBAdapterTestModeNormalClick();

    // Trouble-code page.
    void BtBOBDReadErrorsClick();
    void BtBOBDClearErrorsClick();
    bool UpdateTroubleCodePage();
    void PostTroubleCodeMessage(int code, const QString &argument = QString());
    void PostFreezeFrameMessage(int code, const QString &argument = QString());
    void ListTroubleCodes(bool recorded);
    void ListFreezeFrame();
    bool FetchFinishedReads();
    void RebuildMessages();
    const TOBDMessageLinesList &TroubleCodeMessages() const { return FTroubleCodeMessages; }
    const TOBDMessageLinesList &FreezeFrameMessages() const { return FFreezeFrameMessages; }

    // Whether the box's firmware is main version 0x20, or main and at least
    // the letter.
    static bool AdapterVersionAtLeast(int main, const QString &letter);

    // Waits milliseconds while the window keeps serving its events (a test
    // may make it return at once).
    std::function<void(int milliseconds)> Wait;

private:
    void CreateConfigPage();
    void CreateLivePage();
    void CreateErrorsPage();
    void CreateDebugPage();
    void CreateReadingsPanel();
    void BindControls();
    void BindLiveItems();

    void UpdatePollSet(bool active);
    void ShowStatus();
    QString DescribeDetectState();
    QString DescribeConnectState();
    void UpdateConnectState(bool busy);
    void DrawFuelTrims();
    void RefreshLivePage();
    void LivePanelChanged();
    void UpdateLiveItem(int index, bool fromCheckBox);
    void WritePidAllowed(int index);
    void ErrorsButtonsChanged();
    void ColorReadingsPanel();
    void ColorReadingLabel(QWidget *control, int status);
    void RefreshReadings();
    void ShowAdaptationTables();
    void ClearTroubleCodeSets();
    void ClearFreezeFrameSets();
    void AppendTroubleLine(const QString &text);
    void AppendFreezeLine(const QString &text);
    void PgCMainChanging(int next);
    void MarkUserPick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool IsConfigShown() const;
    bool IsShown(QWidget *page) const;
    void CopyObd(int flags);

    bool FDetectResultLatched = false;
    bool FSuppressAllowWrite = false;
    bool FInStatusUpdate = false;
    bool FInLiveUpdate = false;
    // The link state (OBDactionMain) the live page last read its PID masks
    // at; -1 before any read and while the OBD module does not answer.
    qint64 FLivePageLinkState = -1;
    int FLastTroubleCodeCount = -1;
    quint16 FTroubleCodeMessagesShown = 0;
    quint16 FFreezeFrameMessagesShown = 0;
    TOBDMessageLinesList FTroubleCodeMessages{0};
    TOBDMessageLinesList FFreezeFrameMessages{1};
    bool FReverting = false;
    // Set while the user's own input (a click on a tab, a key) is handled:
    // the page it shows is the user's entry.
    bool FUserPick = false;
    // Set by a language change until control returns to the event loop: the
    // page entry that follows it is no new entry and keeps the lists.
    bool FLanguageRefresh = false;
};

extern TFormMultiOBD *FormMultiOBD;
