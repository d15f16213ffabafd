// The calibration window of device kind 48. It is never shown by itself: the
// main window creates it when it first adapts to a kind-48 device and moves
// its content panel onto one of its own tab sheets.
#pragma once

#include <QWidget>

class QComboBox;
class QFrame;
class QTabWidget;

class TFrmMultiCalibrationTaronQV : public QWidget
{
    Q_OBJECT
public:
    explicit TFrmMultiCalibrationTaronQV(QWidget *parent = nullptr);
    ~TFrmMultiCalibrationTaronQV() override;

    QFrame *PnlMultiCalibration;
    QTabWidget *PgCCalibration;
    QWidget *TbSMultiCalibrationAuto;
    QWidget *TbSMultiCalibrationModel;
    QWidget *TbSMultiCalibrationMap;
    QWidget *TbSMultiCalibrationCorrections;
    QComboBox *CmBCalMapRPMRange;
    QFrame *PnlCalCorrPcol;

    // Clear and set again the change handlers of the enrichment edits.
    void DetachEnrichmentEditHandlers() { FEnrichmentHandlersAttached = false; }
    void AttachEnrichmentEditHandlers() { FEnrichmentHandlersAttached = true; }
    bool EnrichmentHandlersAttached() const { return FEnrichmentHandlersAttached; }

    // The pages' contents join with the kind-48 calibration; until then these
    // show nothing, read nothing and write nothing.
    void UpdateLiveValues() {}
    void PollAutocalibrationState() {}
    // False: nothing was read.
    bool ReadAllFromDevice() { return false; }
    void UpdateUIStateFromDeviceState() {}
    void UpdateUI() {}
    // False: nothing was written.
    bool BtBModel2WriteClick(QObject *sender = nullptr);
    bool ResetCorrectionsToDefaults() { return false; }
    // Leaving a page: nothing is ever left unsaved here, so the change is allowed.
    void PgCCalibrationChanging(QObject *sender, bool &allowChange);

private:
    bool FEnrichmentHandlersAttached = true;
};

// Nullptr until the main window first adapts to a kind-48 device.
extern TFrmMultiCalibrationTaronQV *FrmMultiCalibrationTaronQV;
