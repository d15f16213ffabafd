// The map page of the kind-48 calibration window: the injection points the
// device records on petrol and on gas over the manifold pressure, its petrol
// template, the engine-speed range in which it records, the model points
// suggested from the maps, the model multiplier that keeps the idle point,
// and the write of model and maps.
#pragma once

#include <QObject>

class QAbstractButton;
class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QWidget;
class QXYSeries;
class TDigitalDisplay;
class TFrmMultiCalibrationTaronQV;

class TMultiCalMapPage : public QObject
{
    Q_OBJECT
public:
    TMultiCalMapPage(TFrmMultiCalibrationTaronQV &window, QWidget *sheet);

    QChartView *ChtMapa, *ChtMapa2;
    QComboBox *CmBCalMapRPMRange;
    QLabel *LblLenMapPETROL, *LblLenMapLPG, *LblCalMapNameFile, *LblCalTxtX, *LblCalTxtX2, *LblCalTxtY;
    QWidget *PnlCalLoadL, *PnlCalLoadM, *PnlCalLoadH, *PnlCalMapButtons;
    QAbstractButton *BtnCalMapRead, *BtnCalMapPetrolClear, *BtnCalMapLPGClear, *BtnCalMapPetrolTemplateClear,
        *BtnCalMapCalculate, *BtnCalMapCalcClear, *BtnCalMapWrite, *BtnCalMapLoadFromFile;
    QCheckBox *ChBCalMapAutoRefresh, *ChBCalMapChangeAxies, *ChBCalMapShowTemplateValues, *ChBCalMapRPMSound;
    QSpinBox *UpDCalMapMult;
    QLineEdit *YEdCalMapMult;
    TDigitalDisplay *DgDCalMapPcol;

    QXYSeries *Series(QChartView *chart, int index) const;
    // Largest manifold pressure the charts show (bar).
    double PressureAxisMaximum() const;

    bool BtnCalMapReadClick();
    void ReadMapTemplate();
    // The template as the record holds it (read: the rows were read; without
    // them the template is left empty).
    void ShowMapTemplate(bool read);
    void BtnCalMapPetrolClearClick();
    void BtnCalMapLPGClearClick();
    // Asks, and on Yes clears both templates (ClearMapTemplates); false when
    // a frame of it did not go through.
    bool BtnCalMapPetrolTemplateClearClick(bool adaptationOffSent = false);
    // Clears both templates, reads the map and switches the adaptation off
    // with them; a write that has sent the switch off already as one of its
    // steps (adaptationOffSent) does not get it again. False when a frame
    // did not go through.
    bool ClearMapTemplates(bool adaptationOffSent = false);
    void CmBCalMapRPMRangeChange();
    void BtnCalMapCalculateClick();
    bool CalculateMapSettings();
    void BtnCalMapCalcClearClick();
    void UpDCalMapMultClick(bool up);
    bool BtnCalMapWriteClick();
    bool CheckRpmInRange();
    void ChtMapaAfterDraw();
    // The load captions side by side over the chart, high load first for the
    // first pressure-sensor type and low load first for the others: the one
    // place of their order, run after each draw, read and rescale of the page.
    void PlaceLoadPanels();
    void ChBCalMapChangeAxiesClick();
    void ChBCalMapShowTemplateValuesClick();
    // The live operating point on both charts.
    void SetLivePoint(double pressure, double petrolTime);

private:
    void Build(QWidget *sheet);
    void ClearMap(const char *question, int which);

    TFrmMultiCalibrationTaronQV &W;
    int FMultLast = 0;
    bool FFilling = false;
};
