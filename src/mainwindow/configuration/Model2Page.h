// The model-2 page of the calibration pages: the curve of up to 20 points
// with its companion settings (idle model, working pressure, hot idle time,
// bank-2 correction, adaptation), read from and written to the device, and
// the chart editor in which the installer adds, drags, steps and deletes
// points with the mouse and the keyboard.
#pragma once

#include "mainwindow/configuration/Model2Chart.h"
#include "mainwindow/configuration/ModelMath.h"

#include "core/ReadPlan.h"
#include "core/SettingsFile.h"
#include "mainwindow/shell/PageControls.h"

#include <QObject>
#include <QPoint>

#include <array>
#include <functional>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QScrollArea;
class QSlider;
class QSpinBox;
class QTabWidget;
class TCaptionPanel;
class TFormMain;

class TModel2Page : public QObject, public TPageControls
{
    Q_OBJECT

public:
    explicit TModel2Page(TFormMain *form);
    // Creates the page on the window and wires what the window's readings
    // and tick ask of it.
    static TModel2Page *Install(TFormMain &form);

    // Logic of other pages that this one uses; an empty function is skipped
    // (a question of it counts as "go ahead", a value as none).
    struct THooks {
        std::function<bool(bool modified)> UpdateLastChangeInfo;
        std::function<bool()> IsBusy;
        std::function<void()> CmbKnfInjTypeChange;
        std::function<void()> UpdateOptionFlags;
        std::function<void(bool write)> SelectWorkPressure;
        std::function<double(int injectorType)> GetDefaultFactor;
        std::function<void()> ClearGasMap;
        std::function<void()> DrawModelMultsChart;
        std::function<int()> AutocalNozzleClass;
        std::function<bool()> ObdAdaptationSwitch;
        std::function<void()> ClearObdAdaptationSwitch;
        std::function<void(int phase, double offset)> CalcNewModel2;
        // The window's settings-file dialog: the chosen file, empty when cancelled.
        std::function<QString()> ChooseSettingsFile;
        // Kind 48: the settings-file loader of the window, model only.
        std::function<void()> LoadSettingsFileV30Model;
    } Hooks;

    TModel2Chart *Chart = nullptr;
    ModelMath::TCurve &Curve() { return Chart->Series[TModel2Chart::sPoints]; }

    // Editor state.
    int SelectedPoint = -1;
    int DeletePoint = -1;
    bool Model2Modified = false;
    // The adaptation map of the map page is complete (set by that page).
    bool AdaptMapComplete = false;
    // Idle points P1.x, P1.y, P2.x, P2.y in ms.
    std::array<double, 4> Idle{};

    // The live operating point and the blinking selection marker.
    void SetLivePoint(double x, double y);
    // Moves the marker onto the selected point when one after the first is
    // selected (the linear model's redraw asks for it).
    void SyncMarker();
    QString StatusText() const;
    // What the page shows of a settings file's model: a value outside, or
    // points it draws out of order, are refused by its "read from file"
    // (also the kind-48 one, which the window's loader reads).
    Q_INVOKABLE TPageLimits FileLimits() const;
    // A curve computed after an auto-calibration: its points and line on the
    // chart, the multiplier (%) and offset (0.1 ms) in the up-downs without
    // running their handlers; the page then holds a computed model.
    void ShowNewModel2(const ModelMath::TCurve &points, const ModelMath::TCurve &line, int multPercent,
                       int offsetTenths);

    // The page's read in two steps, for a command that reads once what
    // several pages show: what the page shows added to the command's read,
    // then the page filled from the record once it ran.
    Q_INVOKABLE void AddDeviceReads(TReadPlan *plan) const;
    Q_INVOKABLE void ShowDeviceRecord();

public slots:
    // The write's checks of what was typed, before anything is asked or
    // sent: the hot idle time typed over its list and the bank-2 correction
    // offset; a refusal is shown naming the field, and the page keeps its
    // edits.
    bool WriteFits() const;
    void ReadModel2Settings();
    void BtBModel2ReadClick() { ReadModel2Settings(); }
    void BtBModel2WriteClick();
    void BtBModel2DefaultClick();
    bool SetDefaultModel2Settings(bool write, bool confirm, bool askCorrections, double offset,
                                  int multPercent, bool useIdleModel);
    double CalculateMult();
    void UpdateModel2Labels();
    void UpdateModel2NozzleInfo();
    void UpDModel2MultClick(bool next);
    void UpDModel2OffsetClick(bool next);
    void UpDCalSerIdleClick(int coordinate);
    void ChBModel2UseOnIdleModelClick();
    void UpdateModel2PointsIdleAndControls();
    void ChBModel2ShowValuesClick();
    void ChBModel2CorrectionMaskClick();
    void SpBModel2SetNewModelClick();
    void SpBModel2ReadFromClick();
    void LoadModel2FromSettingsFile();
    void ShowRecordModel2(bool points);
    void ChBModel2AdaptationClick() {}
    void ClearControls();

    // Chart editor.
    void ChtModel2MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at);
    void ChtModel2MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at);
    void ChtModel2MouseMove(QPoint at);
    void ChtModel2StartDrag();
    void ChtModel2DragOver(QPoint at);
    void ChtModel2EndDrag();
    void EdtChtModel2KeyboardKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void EdtChtModel2KeyboardExit() { ChtModel2EndDrag(); }
    void PnlModelKeyboardStatusMouseDown() { UpdateModel2EditStatus(QString()); }
    void TrBMod2MaxTbChange();
    void ScrChartModel2Resize() { TrBMod2MaxTbChange(); }
    void SelectModel2Point();
    void UpdateModel2EditStatus(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool Connected() const;
    bool NotReady() const;
    double MouseX(QPoint at) const;
    double MouseY(QPoint at) const;
    QPoint PixelOf(const QPointF &value) const;
    void MoveMarker(int index);
    bool MarkerOn(int index) const;
    void SetSpin(QSpinBox *spin, int value);
    void StepSpin(QSpinBox *spin, int &last, const std::function<void(bool)> &click);
    uint8_t MaskFromBoxes() const;

    TFormMain *FForm;
    bool FFilling = false;
    // Last positions of the step up-downs, to tell the direction of a click.
    int FMultPos = 0, FOffsetPos = 0;
    std::array<int, 4> FIdlePos{};
    ModelMath::TShownValue FShownOffset, FShownCorrOffset, FShownCorrMult;

    QSpinBox *UpDModel2Mult = nullptr, *UpDModel2Offset = nullptr, *UpDModel2CorrectionMult = nullptr;
    std::array<QSpinBox *, 4> UpDCalSerIdle{};
    std::array<QLineEdit *, 4> YEdCalSerIdle{};
    QLineEdit *YEdModel2MULT = nullptr, *YEdModel2Offset = nullptr, *YEdModel2CorrectionOffset = nullptr;
    QLineEdit *EdtChtModel2Keyboard = nullptr;
    QAbstractButton *ChBModel2WithIdlePoints = nullptr, *ChBModel2UseOnIdleModel = nullptr,
                    *ChBModel2Adaptation = nullptr, *ChBModel2ShowValues = nullptr,
                    *ChBActiveCorrectionRPM = nullptr;
    std::array<QAbstractButton *, 8> ChBModel2CorrectionMask{};
    QWidget *PnlModel2OnIdleModel = nullptr;
    QComboBox *CmBConfWorkPressure = nullptr, *CmBConfIdleHotTb = nullptr, *CmBConfInjType = nullptr;
    QSlider *TrBMod2MaxTb = nullptr;
    QScrollArea *ScrChartModel2 = nullptr;
    TCaptionPanel *PnlModelKeyboardStatus = nullptr, *LblModel2Info1 = nullptr;
    QTabWidget *PgCCalibration = nullptr;
    QWidget *TbSCalMap = nullptr;
};
