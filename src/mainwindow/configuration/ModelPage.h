// The model page of the calibration pages: the linear gas model (multiplier
// and offset) with its four enrichment thresholds and the bank-2 correction,
// read from and written to the device parameter by parameter, drawn in a
// chart whose threshold points the installer drags.
#pragma once

#include "mainwindow/configuration/DragStart.h"
#include "mainwindow/configuration/ModelMath.h"

#include "mainwindow/shell/PageControls.h"

#include <QObject>
#include <QPoint>

#include <array>
#include <functional>

class QAbstractButton;
class QChartView;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QXYSeries;
class TCaptionPanel;
class TFormMain;
struct TPageLimits;

class TModelPage : public QObject, public TPageControls
{
    Q_OBJECT

public:
    explicit TModelPage(TFormMain *form);
    static TModelPage *Install(TFormMain &form);

    // Logic of other pages that this one uses; empty functions are skipped
    // (the change-record gate then lets the write through).
    struct THooks {
        std::function<bool(bool modified)> UpdateLastChangeInfo;
        std::function<void()> CmbKnfInjTypeChange;
        std::function<void()> ClearGasMap;
        // The linear model's redraw moves the model-2 selection marker.
        std::function<void()> SyncModel2Marker;
        // The window's settings-file dialog: the chosen file, empty when cancelled.
        std::function<QString()> ChooseSettingsFile;
    } Hooks;

    // Index of the chart point being dragged, -1 when none.
    int ModelDragIndex = -1;

    QChartView *ChtModel = nullptr;
    QXYSeries *Series(int index) const;
    ModelMath::TLinearModel PlainModel() const;
    std::array<int, 4> Thresholds() const;
    std::array<int, 4> Enrichments() const;
    // What the page shows of a settings file's model: a value outside is
    // refused by its "read from file".
    TPageLimits FileLimits() const;

public slots:
    void BtBModDefaultClick();
    void BtBModReadClick() { ReadModelParams(); }
    void ReadModelParams();
    // Shows the record's model on the page (its controls and chart).
    void ShowModelParams();
    // The write's checks, before anything is asked or sent: false when the
    // correction offset does not fit its word (the refusal is shown).
    bool WriteFits() const;
    void BtBModWriteClick();
    void SpBModReadFromClick();
    void UpDModMultClick();
    void UpDModOffsetClick();
    void EdtProgChange() { DrawModelChart(); }
    void EdtWzbogacenieChange() { DrawModelChart(); }
    void EdtModMULT_Change();
    void ChBModCorrectionMaskClick();
    void DrawModelChart();
    double CalcModelGasTime(double t) const { return PlainModel().At(t); }
    void UpdateModelSeries(int index);
    void RedrawModelSeries(int index, int threshold, int enrichment);
    void ClearControls();

    // Chart editing, positions in the chart view's pixels.
    void ChtModelMouseDown(Qt::MouseButton button, QPoint at);
    void ChtModelStartDrag();
    void ChtModelDragOver(QPoint at);
    void ChtModelEndDrag();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointF ValueAt(QPoint at) const;
    void Fill(const std::function<void()> &fn);
    void ShowLevels(const int (&p)[4], const int (&e)[4]);
    void ShowMult(double mult);
    uint8_t MaskFromBoxes() const;

    TFormMain *FForm;
    bool FFilling = false;
    TDragStart FDrag;
    ModelMath::TShownValue FShownMult, FShownOffset, FShownCorrMult, FShownCorrOffset;
    // Thresholds P1..P4 and enrichments E1..E4 as read: a value beyond its
    // up-down's range is written back as it was while the up-down is untouched.
    std::array<ModelMath::TShownValue, 8> FShownLevels;

    std::array<QSpinBox *, 4> UpDProg{};
    std::array<QSpinBox *, 4> UpDWzbogacenieProg{};
    QSpinBox *UpDModMult = nullptr, *UpDModOffset = nullptr, *UpDModCorrectionMult = nullptr;
    QLineEdit *EdtModMULT_ = nullptr, *YEdModOffset = nullptr, *YEdModCorrectionOffset = nullptr;
    std::array<QAbstractButton *, 8> ChBModCorrectionMask{};
    TCaptionPanel *LblModInfo1 = nullptr;
    QTabWidget *PgCCalibration = nullptr;
    QWidget *TbSCalMap = nullptr;
};
