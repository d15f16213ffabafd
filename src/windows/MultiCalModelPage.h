// The model page of the kind-48 calibration window: the seven points that map
// the petrol injection time to the gas injection time, edited through a
// linear base (offset and multiplier) with per-point segments and
// enrichments, the idle reference values, the default model of the gas
// injector type, the two-point models, and the adaptation settings; written
// to the device as one sequence of parameters and point tables.
#pragma once

#include "windows/Kind48Math.h"

#include <QObject>

#include <array>
#include <functional>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QWidget;
class TFrmMultiCalibrationTaronQV;
class TModel2Chart;

class TMultiCalModelPage : public QObject
{
    Q_OBJECT
public:
    TMultiCalModelPage(TFrmMultiCalibrationTaronQV &window, QWidget *sheet);

    TModel2Chart *Chart = nullptr;
    QWidget *ChtModel2 = nullptr;
    QComboBox *CmBKnfIdleHotTb, *CmBKnfIdleHotPcol, *CmBKnfIdleHotRPM;
    QTabWidget *PgCCalibrationTypes;
    QWidget *TbSCalibrationTypesBased, *TbSCalibrationTypesPrecise, *TbSCalibrationAdaptation;
    QSpinBox *UpDCalModellingBasedMult, *UpDCalModellingBasedOffset;
    QSpinBox *UpDCalModellingPreciseMult, *UpDCalModellingPreciseOffset;
    std::array<QSpinBox *, 6> Segment{}, Enrichment{};
    std::array<QLineEdit *, 6> SegmentEdit{}, EnrichmentEdit{};
    QCheckBox *ChBConfAutoAdaptation, *ChBCalModellingCorrectionForIdle, *ChBModel2ShowValues;
    QComboBox *CmBConfAdaptationMethod, *CmbCalModellingCorrectionForIdle;
    QSpinBox *UpDCalModellingAdditionalCorrectionMult;
    QLineEdit *YEdCalModellingAdditionalCorrectionOffset;
    std::array<QCheckBox *, 8> Mask{};
    QAbstractButton *BtBModel2Read, *BtBModel2Write, *BtBModel2Default, *BtnCalModellingNewModel, *BtnModel2SetTb0;

    // Step values of the idle-hot-time corrections list (1/187 ms).
    static const std::array<int, 11> CorrectionForIdleSteps;

    // Fills the page from the record.
    void UpdateUI();
    // Whether the device's words hold the points and the factor as the page
    // or the device left them; a refusal is shown, naming what is wrong.
    bool ModelFits() const;
    // The numbers typed into the page's fields (the idle lists, the
    // enrichments, the adaptation tab's correction offset): false when one
    // is no number its field holds (the refusal shown, naming the field).
    bool TypedFieldsFit() const;
    // The adaptation tab's bank-2 correction offset, as typed or as the
    // record holds it, against its word; a refusal is shown naming it.
    bool OffsetFits() const;
    // Every check of the write, before anything is asked or sent: the typed
    // fields and the model.
    bool WriteFits() const;
    // reportFailure: a write that did not go through is said here (not by a
    // caller that says it itself).
    bool Write(bool reportFailure = true);
    bool SetDefaultModel(bool write, bool ask, bool reportFailure = true);
    bool SetModelFromTwoPoints(double x1, double y1);
    bool SetModelFromTwoPoints2(double x1, double y1);
    void BtnCalModellingNewModelClick();
    void ApplyModelMultiplier(int percent);
    void SetSegment(int index, int position);
    void SetEnrichment(int index, int percent);
    void ShiftModelOffset(int position, bool down);
    void BtnModel2SetTb0Click();
    void ChBConfAutoAdaptationClick();
    // The enrichment (%) of point 1..6 as the page shows it.
    int EnrichmentAt(int index) const;
    // Measures the idle petrol time and takes the live idle values; false
    // when the measurement was refused.
    bool MeasureIdle(bool ask);
    void DrawChart();
    // Puts the record's model onto chart as the page draws it: its points
    // and the line of its offset and multiplier.
    static void DrawModel(TModel2Chart &chart);
    void SetLivePoint(double x, double y);

private:
    void Build(QWidget *sheet);
    void Connect();
    void StoreModel(const Kind48Math::TModelPoints &points, int factorPercent);
    void MarkModelEdited();
    bool TwoPointRefused(const Kind48Math::TTwoPointModel &model);
    void SpinStep(QSpinBox *spin, int &last, const std::function<void(int value, bool down)> &click);

    TFrmMultiCalibrationTaronQV &W;
    bool FFilling = false;
    int FDragged = -1; // the model point held by the mouse, -1 when none
    std::array<int, 4> FLast{}; // last positions of the two multiplier and two offset up-downs
};
