// The main window's controls that the live readings, the injection-time
// readouts and the status bar write, fetched once by name so that a refresh
// does no lookups. A component missing from the layout is replaced by a
// hidden stand-in of the same class, so that the refresh never has to test
// for it; its name is kept in Missing.
#pragma once

#include "controls/DigitalDisplay.h"
#include "controls/DipSwitch.h"
#include "controls/PaintShape.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/FormMainLayout.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QtCharts/QChartView>

#include <QtCharts/QPieSeries>

#include <array>
#include <cstdint>
#include <functional>

struct TFormMain::TReadingControls {
    explicit TReadingControls(TFormMain *window);

    QStringList Missing;

    // Page controls and the pages the refresh tests.
    QTabWidget *PgCMain, *PgCCalibration, *PgCConfWizard, *PgCDiagnostyka, *PgCOBDAdaptationCorr;
    QWidget *TbSMeasure, *TbSCalibration, *TbSCalMap, *TbSCalModel, *TbSCalModel2,
        *TbSCalCorrections, *TbSConfigurator, *TbSConfBased, *TbSConfAutoCal, *TbSConfFinish,
        *TbSDiagnostic, *TbSDgnAdvance, *TbSOBDAdaptCorrBank1;

    // Measurement page.
    TDigitalDisplay *DgDOdcPetrol, *DgDOdcLPG, *DgDOdcRPM, *DgDOdcTred, *DgDOdcTgaz, *DgDOdcPcol,
        *DgDOdcPsys, *DgDOdcLambda;
    QProgressBar *PrBOdcPsys, *PrBOdcRPM;
    std::array<QProgressBar *, 8> PrBOdcPetrol, PrBOdcLPG;
    std::array<TCaptionPanel *, 8> LblOdcWskTb, LblOdcWskTg, LblOdcGasInjCorr;
    TCaptionPanel *PnlOdcGasInjCorr, *LblEngineLoad, *LblOdcTNomRed, *LblOdcVbat, *LblOdcVbatUnit,
        *LblOdcPETROL, *LblOdcLPG, *PnlOdcLambdaCenter, *PnlOdcBarLambda, *LblOdcLambdaPnl,
        *PnlOdcTinj1_3, *PnlOdcInjMarkPetrol, *PnlOdcInjMarkLPG;
    QChartView *ChtOdcWskTb, *ChtOdcWskTg;
    QComboBox *CmbOdcInjDisplay;
    // The replica of the gas-switch panel.
    TCaptionPanel *PnlOdcPanelStan, *PnlOdcPanelR, *LblPanelG;
    std::array<TCaptionPanel *, 4> PnlOdcPanelP; // P1 (lowest) .. P4

    // Calibration pages.
    QChartView *ChtMapa, *ChtMapa2, *ChtMapaQ3, *ChtModel;
    QCheckBox *ChBCalMapFastMap;
    TCaptionPanel *PnlModOdcHide, *LblModPetrol, *LblModLPG, *PnlModLambda, *PnlModPcol,
        *PnlModBarLambda, *LblModLambdaPnl, *LblActualAdaptCorr_B1, *LblActualAdaptCorr_B2;
    TDigitalDisplay *DgDModTred, *DgDModTgaz, *DgDModPsys, *DgDModPcol, *DgDModPetrol, *DgDModLPG,
        *DgDModRPM, *DgDCalRPM, *DgDCalMapRPM;
    QTableWidget *StGOBDAdaptCorrsBank1, *StGOBDAdaptCorrsBank2, *StGOBDAdaptBank1LoadThresholds,
        *StGOBDAdaptBank2LoadThresholds, *StGOBDAdaptBank1RPMThresholds,
        *StGOBDAdaptBank2RPMThresholds;

    // Configuration wizard.
    TDigitalDisplay *DgDConfGasElementsRPM, *DgDConfGasElementsLambda, *DgDConfAutoRPM,
        *DgDConfAutoPetrol, *DgDConfAutoGas, *DgDConfAutoPcol, *DgDConfAutoPsys, *DgDConfAutoTred;
    TCaptionPanel *LblConfAutoPetrol, *LblConfAutoGas, *PnlConfAutoLambda, *PnlConfAutoBarLambda,
        *LblConfAutoLambdaPnl;

    // Advanced diagnostics.
    TCaptionPanel *PnlDgnAdvReadings, *PnlDgnAdvLambda, *PnlDgnAdvBarLambda, *LblDgnAdvLambdaPnl,
        *LblDgnAdvActualInjSystemType, *LblDgnAdvOtherInjSystemType;
    TDigitalDisplay *DgDDgnAdvPsys, *DgDDgnAdvPcol, *DgDDgnAdvTred, *DgDDgnAdvTgas, *DgDDgnAdvRPM,
        *DgDDgnAdvPetrol, *DgDDgnAdvGas;
    std::array<TCaptionPanel *, 8> LblDgnAdvPetrol, LblDgnAdvGas;
    std::array<TDipSwitch *, 8> DpSSwitchCh;
    TDipSwitch *DpSValve;
    QLineEdit *EdtDgnAdvEmergencyStarts, *EdtDgnAdvTpcb, *EdtDgnAdvActualTpcb;
    QComboBox *CmBDgnAdvActualInjSystemType, *CmBDgnAdvOtherInjSystemType;

    // Status bar and quick-start page.
    TCaptionPanel *PnlStatus, *PnlStatusAutoConnect, *PnlStatusGazSwitchText, *PnlStatusDeviceInfo,
        *LblQSProgramSoftVer, *LblQSDeviceSoftVer, *LblQSAdapterSoftVer, *PnlQSComPort;
    TPaintShape *ShpStatusGazState;
    QToolButton *SpBStatusDeviceInfo;
    QPushButton *BtnQSUpgrade;
    QMenu *PoMChangeFuel;
    QAction *MnIChangeFuelGas, *MnIChangeFuelGasDirect, *MnIChangeFuelPetrol,
        *MnIChangeFuelPetrolSeq;

private:
    template <typename T> T *Get(const QString &name);
    TFormMain *FWindow;
    QWidget *FStandIns;
};

// Small helpers shared by the readings, the injection-time readouts and the
// status bar.
namespace readings {

// Edition colour-table entries that the colour rules return.
constexpr int kEntryNormal = 7;
constexpr int kEntrySupply = 4;
// Fixed colours, 0x00BBGGRR.
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kGreen = 0x008000;

// A 0x00BBGGRR colour as a QColor.
inline QColor Bgr(uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

inline void SetText(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

inline void SetEditText(QLineEdit *edit, const QString &text)
{
    if (edit->text() != text)
        edit->setText(text);
}

// The text colour of a label or button.
inline void SetFontColour(QWidget *w, const QColor &colour)
{
    if (w->palette().color(QPalette::WindowText) == colour
        && w->palette().color(QPalette::ButtonText) == colour && w->testAttribute(Qt::WA_SetPalette))
        return;
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::ButtonText, colour);
    w->setPalette(p);
}

// The text colour the widget's parent uses.
inline void TakeParentFontColour(QWidget *w)
{
    const QPalette parent = w->parentWidget() ? w->parentWidget()->palette() : QPalette();
    SetFontColour(w, parent.color(QPalette::WindowText));
}

// The petrol and gas captions over a pair of readouts: black and green while
// on gas, else red and black.
inline void SetFuelLabelColours(QWidget *petrol, QWidget *gas, bool onGas)
{
    SetFontColour(petrol, Bgr(onGas ? kBlack : kRed));
    SetFontColour(gas, Bgr(onGas ? kGreen : kBlack));
}

inline QPieSeries *PieOf(QChartView *view)
{
    const auto list = view->chart()->series();
    return list.isEmpty() ? nullptr : qobject_cast<QPieSeries *>(list.first());
}

// The translation of a text key ("!_" and the key when no language is loaded).
QString Tr(const QString &key);

// Runs a function when the watched widget is resized.
class TResizeRelay : public QObject
{
public:
    TResizeRelay(QObject *parent, std::function<void()> onResize);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> FOnResize;
};

} // namespace readings
