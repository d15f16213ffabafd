// The map page of the calibration pages: the measured petrol and gas points
// that the device collects in the chosen engine-speed band, read, drawn,
// cleared and exchanged through map files, the 40-cell map of kind 48, and
// the calculations that turn the points into the linear model or model 2.
#pragma once

#include "core/ReadPlan.h"
#include "mainwindow/configuration/MapMath.h"

#include "mainwindow/shell/PageControls.h"

#include <QObject>

#include <functional>

class QAbstractButton;
class QChartView;
class QComboBox;
class QTabWidget;
class QValueAxis;
class QXYSeries;
class TCaptionPanel;
class TFormMain;
class TModel2Page;
class TModelPage;

class TMapPage : public QObject, public TPageControls
{
    Q_OBJECT

public:
    explicit TMapPage(TFormMain *form);
    // Creates the page on the window and connects its timer.
    static TMapPage *Install(TFormMain &form);

    // The model pages whose charts and controls the calculations fill.
    TModelPage *Model = nullptr;
    TModel2Page *Model2 = nullptr;

    struct THooks {
        // The window's file dialogs: the chosen file, empty when cancelled.
        std::function<QString()> ChooseSettingsFile;
        std::function<QString(bool save)> ChooseMapFile;
    } Hooks;

    // Marks of the drawn cell map, read by the calculations.
    bool MapComplete = false;
    bool MapCoversRanges = false;
    int MapValidCellCount = 0;

    QChartView *ChtMapa = nullptr, *ChtMapa2 = nullptr, *ChtMapaQ3 = nullptr;
    QXYSeries *Series(QChartView *chart, int index) const;
    // The series and axes of a map chart (load and time, swapped or not), as
    // other map charts of the program also build them.
    static void BuildMapChart(QChartView *view, int count, const QString &suffix, bool swapped);
    static QValueAxis *MapLoadAxis(QChartView *view);

    // The point tables as the page holds them (the record's tables and counts).
    static MapMath::TPoints PetrolPoints();
    static MapMath::TPoints GasPoints();

    // The page's read in two steps, for a command that reads once what
    // several pages show: what the page shows added to the command's read,
    // then the page filled from the record once it ran.
    Q_INVOKABLE void AddDeviceReads(TReadPlan *plan) const;
    Q_INVOKABLE void ShowDeviceRecord();

public slots:
    void BtnCalMapReadClick();
    void BtnCalMapPetrolClearClick();
    void BtnCalMapLPGClearClick();
    void CmBCalMapRPMRangeChange();
    void BtnCalMapCalculateClick(QObject *sender);
    void BtnCalMapAdjustClick();
    void BtnCalMapCalcClearClick();
    void BtnCalMapSaveAsClick();
    void BtnCalMapLoadClick();
    void BtnCalMapLoadFromFileClick();
    void BtnCalMapClearAdaptationTemplateClearClick();
    // The classification tools (hidden, disabled buttons): by load, by petrol time.
    void Button13Click() { ClassifyMap(MapMath::TClassKey::Load); }
    void Button15Click() { ClassifyMap(MapMath::TClassKey::Time); }
    void ChBMapQ3VisibleClick() { UpdateMapChartsVisibility(); }
    void ChBCalMapChangeAxiesClick();
    void ChtMapaAfterDraw();
    void TimerMapaTimer();
    void PgCModel2ModelChange();

    void DrawMapChart();
    void DrawMapQ3Chart();
    void UpdateMapChartsVisibility();
    void ClearPetrolMapAct();
    void ClearGasMap();
    void SaveMapToFile(const QString &fileName);
    void LoadMapFromFile(const QString &fileName);

    // Calculations.
    void CalculateModelForDevice(QObject *sender, bool showPage);
    bool MapCalculate_Model();
    void MapCalculate_Model2();
    void MapQ3Calculate_Model2();
    void ModelByCalculations();
    void ModelSegmentsByCalculations();
    void DrawModelMultsChart();

private:
    bool NotReady() const;
    double LoadAxisMax() const;
    void ShowCounts();
    // Reads the device's recorded points up to the page's load axis and shows their counts.
    void ReadRecordedPoints();
    // The charts drawn, with or without reading the map rows first.
    void drawMapChart(bool readRows);
    void drawMapQ3Chart(bool readRows);
    // Whether the map's cells and the second map are shown.
    bool CellsShown() const;
    bool Q3MapShown() const;
    void ClassifyMap(MapMath::TClassKey key);
    void Warn(const QString &key) const;

    TFormMain *FForm;
    QComboBox *CmBCalMapRPMRange = nullptr;
    TCaptionPanel *LblLenMapPETROL = nullptr, *LblLenMapLPG = nullptr, *LblCalMapNameFile = nullptr;
    QAbstractButton *ChBMapQ3Visible = nullptr, *ChBCalMapDetails = nullptr, *ChBCalMapChangeAxies = nullptr,
                    *ChkCalMapAutoRefresh = nullptr, *BtnCalMapSetModel = nullptr, *BtnCalMapAdjust = nullptr;
    QTabWidget *PgCMain = nullptr, *PgCCalibration = nullptr, *PgCModel2Model = nullptr;
};
