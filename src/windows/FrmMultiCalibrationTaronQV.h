// The calibration window of device kind 48. It is never shown by itself: the
// main window creates it when it first adapts to a kind-48 device and moves
// its content panel onto one of its own tab sheets.
//
// The window is the shell of four pages, each a class of its own:
// auto-calibration, model, maps and corrections. It holds what they share:
// the full read from the device, the live values under the pages, the leave
// rule of the model and corrections pages with their modified mark, and the
// model flags.
#pragma once

#include <QFrame>
#include <QPointer>
#include <QWidget>

#include <functional>

class TReadPlan;
class QComboBox;
class QFrame;
class QLabel;
class QTabWidget;
class QTimer;
class TChangeHelper;
class TDigitalDisplay;
class TFormMain;
class TMultiCalAutoPage;
class TMultiCalCorrectionsPage;
class TMultiCalMapPage;
class TMultiCalModelPage;

class TFrmMultiCalibrationTaronQV : public QWidget
{
    Q_OBJECT
public:
    explicit TFrmMultiCalibrationTaronQV(QWidget *parent = nullptr);
    ~TFrmMultiCalibrationTaronQV() override;

    // The main window that holds the docked panel (its timer, its change
    // record and its pages); set when it docks the panel.
    TFormMain *Form = nullptr;
    struct THooks {
        // The main window's map-file loader.
        std::function<void()> LoadMapFromFile;
    } Hooks;

    QFrame *PnlMultiCalibration;
    QTabWidget *PgCCalibration;
    QWidget *TbSMultiCalibrationAuto;
    QWidget *TbSMultiCalibrationModel;
    QWidget *TbSMultiCalibrationMap;
    QWidget *TbSMultiCalibrationCorrections;
    QComboBox *CmBCalMapRPMRange = nullptr;
    QFrame *PnlCalCorrPcol = nullptr;
    TChangeHelper *ChangeHelper;
    TDigitalDisplay *DgDModPetrol, *DgDModLPG, *DgDModRPM, *DgDModPsys, *DgDModTred, *DgDModTgaz;
    QFrame *PnlModBarLambda;
    QLabel *LblModLambdaPnl;
    QTimer *TimerMapa;

    TMultiCalAutoPage *Auto;
    TMultiCalModelPage *Model;
    TMultiCalMapPage *Map;
    TMultiCalCorrectionsPage *Corrections;

    // Model flags: every model edit sets ModelModified (a map write then also
    // sends the model); ModelMode is set when the device's petrol template is
    // complete; AdaptationWasOn is the adaptation before its box's last click.
    bool ModelModified = false;
    int ModelMode = 0;
    bool AdaptationWasOn = false;

    // The device answers and is unlocked.
    bool Ready() const;
    // The modified mark of the model and corrections pages.
    bool Modified() const { return FModified; }
    void SetModified(bool flag);
    void ChangeHelperModified() { SetModified(true); }
    // A message box with a translated text key (plain texts pass unchanged).
    void Inform(const QString &key) const;
    // A write that stopped part-way: says what was not written.
    void ReportIncompleteWrite(const QString &what) const;

    // Clear and set again the change handlers of the enrichment edits.
    void DetachEnrichmentEditHandlers() { FEnrichmentHandlersAttached = false; }
    void AttachEnrichmentEditHandlers() { FEnrichmentHandlersAttached = true; }
    bool EnrichmentHandlersAttached() const { return FEnrichmentHandlersAttached; }

    // Reads model, template, corrections and settings of the device and
    // refreshes the pages; false when the device is not ready or a read failed.
    bool ReadAllFromDevice();
    // The same in two steps, for a command that reads once what several
    // pages show: what the window shows added to the command's read, then
    // the pages filled from the record once it ran (read: it was read
    // whole).
    void AddDeviceReads(TReadPlan &plan) const;
    void ShowDeviceRecord(bool read);
    // Each tick of the main timer while the calibration tab shows.
    void UpdateLiveValues();
    void PollAutocalibrationState();
    void UpdateUI();

    // Writes of the pages, also called by the main window (settings-file
    // load, device reset); true when everything was written.
    bool BtBModel2WriteClick(QObject *sender = nullptr);
    bool BtnCalMapWriteClick();
    bool BtnCorWriteCorrectionsClick();
    bool BtnCorReadCorrectionsClick();
    bool ResetCorrectionsToDefaults();
    bool SetDefaultModel(bool write, bool ask, bool reportFailure = true);
    // The nozzle class of the last auto-calibration verdict: 1 too little
    // gas, 2 too much, 4 good, 0 none yet.
    int AutocalNozzleClass() const;

    // Leaving a page: the model and corrections pages ask about unwritten
    // changes (Cancel clears allowChange).
    void PgCCalibrationChanging(QObject *sender, bool &allowChange);
    // After a change of page: a full read and the corrections again.
    void PgCCalibrationChange();

private:
    void BuildLiveStrip();
    void TimerMapaTimer();

    QPointer<QFrame> FPanel;
    bool FModified = false;
    bool FEnrichmentHandlersAttached = true;
};

// Nullptr until the main window first adapts to a kind-48 device.
extern TFrmMultiCalibrationTaronQV *FrmMultiCalibrationTaronQV;
