#include "mainwindow/shell/FormMainLayout.h"

#include "controls/DigitalDisplay.h"
#include "controls/DipSwitch.h"
#include "controls/PaintShape.h"
#include "controls/ResizeHelper.h"
#include "controls/YEdit.h"
#include "core/LM.h"
#include "core/ui/Custom.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStatusBar>
#include <QStyleOptionTabWidgetFrame>
#include <QTabWidget>
#include <QTableWidget>
#include <algorithm>
#include <QTimer>
#include <QToolButton>
#include <QtCharts/QChartView>

TCaptionPanel::TCaptionPanel(QWidget *parent) : QLabel(parent) {}

void TCaptionPanel::SetColor(const QColor &value)
{
    FColor = value;
    if (value.isValid()) {
        QPalette p = palette();
        p.setColor(QPalette::Window, value);
        setPalette(p);
        setAutoFillBackground(true);
    } else {
        setAutoFillBackground(false);
    }
}

void TCaptionPanel::mousePressEvent(QMouseEvent *event)
{
    FPressed = event->button() == Qt::LeftButton;
    emit MouseDown(event->button(), event->modifiers());
    QLabel::mousePressEvent(event);
    // The press is this panel's alone: a parent panel with the same handler
    // must not act on it a second time.
    event->accept();
}

void TCaptionPanel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = FPressed && event->button() == Qt::LeftButton
                       && rect().contains(event->position().toPoint());
    FPressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit Click();
}

TPageControl::TPageControl(QWidget *parent) : QTabWidget(parent) {}

QRect TPageControl::PageArea() const
{
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this);
}

QSize TPageControl::PageSize() const
{
    return PageArea().size();
}

void TPageControl::LayOutPages()
{
    // The page stack of a hidden tab widget is laid out only when it shows;
    // place it now, or it would squeeze its pages to its initial size.
    const QRect area = PageArea();
    if (auto *stack = findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly))
        stack->setGeometry(area);
    for (int i = 0; i < count(); ++i)
        widget(i)->setGeometry(QRect(QPoint(0, 0), area.size()));
}

void TPageControl::resizeEvent(QResizeEvent *event)
{
    QTabWidget::resizeEvent(event);
    LayOutPages();
}

namespace FormMainLayout {

namespace {

using K = Kind;

const char *const WyborItems =
    "Sonda Lambda|Napięcie zasilania|OBD STFT Bank1|OBD LTFT Bank1|OBD STFT Bank2|"
    "OBD LTFT Bank2|OBD RPM|OBD Speed|OBD Load|OBD Coolant Temp.|OBD MAP|"
    "OBD Timing Advance|OBD IAT|OBD MAF|OBD TPS|OBD Lambda1 Bank1|OBD Lambda2 Bank1|"
    "OBD Lambda3 Bank1|OBD Lambda4 Bank1|OBD Lambda1 Bank2|OBD Lambda2 Bank2|"
    "OBD Lambda3 Bank2|OBD Lambda4 Bank2";
const char *const RpmRangeItems =
    "~1500 (1250-1750)|~2000 (1750-2250)|~2500 (2250-2750)|~3000 (2750-3250)|"
    "~3500 (3250-3750)|~4000 (3750-4250)|~4500 (4250-4750)|~5000 (4750-5250)";
const char *const TenthItems = "0|0,1|0,2|0,3|0,4|0,5|0,6|0,7|0,8|0,9|1";
const char *const MinGasTimeItems =
    "2,0|2,2|2,4|2,6|2,8|3,0|3,2|3,4|3,6|3,8|4,0|4,1|4,2|4,3|4,4|4,5|4,6|4,7|4,8|4,9|5,0";
const char *const ValveThresholdItems =
    "0,10|0,12|0,13|0,15|0,16|0,18|0,20|0,21|0,23|0,24|0,26|0,28|0,29|0,31|0,32|0,34|"
    "0,36|0,37|0,39|0,40|0,42|0,44|0,45|0,47|0,48|0,50";

const std::vector<Entry> TheTable = {
    // Window frame: menu bar, central widget content, status bar.
    {K::MenuBar, "MainMenu", "", "", 0, 0, 0, 0},
    {K::PageControl, "PgCMain", "", "", 0, 0, 780, 496},
    {K::CheckBox, "ChBAdvancedView", "", "Widok zaawansowany", 640, 2, 140, 18, Hidden},
    {K::Button, "BtBQuickStart", "", "Start", 560, 1, 76, 20, Hidden},

    // Main pages, in tab order.
    {K::Page, "TbSMeasure", "PgCMain", "Odczyty (F2)", 0, 0, 0, 0, Current},
    {K::Page, "TbSMultiConfiguration", "PgCMain", "Konfiguracja (F3)", 0, 0, 0, 0},
    {K::Page, "TbSConfig", "PgCMain", "Konfiguracja (F3)", 0, 0, 0, 0},
    {K::Page, "TbSConfigurator", "PgCMain", "Asystent konfiguracji (F3)", 0, 0, 0, 0},
    {K::Page, "TbSCalibration", "PgCMain", "Kalibracja (F4)", 0, 0, 0, 0},
    {K::Page, "TbSMultiCalibration", "PgCMain", "Kalibracja (F4)", 0, 0, 0, 0},
    {K::Page, "TbSSchema", "PgCMain", "Schemat (F5)", 0, 0, 0, 0},
    {K::Page, "TbSQuickStart", "PgCMain", "Start (F5)", 0, 0, 0, 0},
    {K::Page, "TbSDiagnostic", "PgCMain", "Diagnostyka (F6)", 0, 0, 0, 0},
    {K::Page, "TbSTests", "PgCMain", "TESTY", 0, 0, 0, 0},
    {K::Page, "TbSRecords", "PgCMain", "Ewidencja (F7)", 0, 0, 0, 0},
    {K::Page, "TbSAdapter", "PgCMain", "Adapter (F7)", 0, 0, 0, 0},

    // Readings page: injection times and RPM on the left, values and the
    // gas-switch panel replica on the right.
    {K::Panel, "PnlB1", "TbSMeasure", "", 0, 0, 437, 468},
    {K::Panel, "PnlOdcTinj", "PnlB1", "", 0, 0, 437, 362},
    {K::Panel, "PnlOdcTinj1_1", "PnlOdcTinj", "", 0, 0, 437, 173},
    {K::Label, "LblOdcPETROL", "PnlOdcTinj1_1", "Benzyna [ms]", 8, 2, 200, 16, Bold},
    {K::Display, "DgDOdcPetrol", "PnlOdcTinj1_1", "0.00", 8, 18, 306, 57},
    {K::Label, "LblOdcLPG", "PnlOdcTinj1_1", "Gaz [ms]", 8, 88, 200, 16, Bold},
    {K::Display, "DgDOdcLPG", "PnlOdcTinj1_1", "0.00", 8, 104, 306, 57},
    {K::Panel, "PnlOdcTinjPrgPetrol", "PnlOdcTinj1_1", "", 321, 0, 116, 173},
    {K::Label, "labelInjDisplay", "PnlOdcTinjPrgPetrol", "Wtryskiwacz:", 4, 2, 108, 16},
    {K::Combo, "CmbOdcInjDisplay", "PnlOdcTinjPrgPetrol", "", 4, 18, 108, 22, Current, "Średnia"},
    {K::Label, "labelLoadTb", "PnlOdcTinjPrgPetrol", "Tb", 4, 44, 52, 14},
    {K::Label, "labelLoadTg", "PnlOdcTinjPrgPetrol", "Tg", 60, 44, 52, 14},
    {K::Chart, "ChtOdcWskTb", "PnlOdcTinjPrgPetrol", "", 2, 58, 54, 80},
    {K::Chart, "ChtOdcWskTg", "PnlOdcTinjPrgPetrol", "", 60, 58, 54, 80},
    {K::Label, "LblEngineLoad", "PnlOdcTinjPrgPetrol", "Obciążenie:0%", 4, 140, 108, 32, Wrap},
    {K::Panel, "PnlOdcTinj1_2", "PnlOdcTinj", "", 0, 173, 437, 16},
    {K::Label, "labelPetrolBars", "PnlOdcTinj1_2", "Benzyna", 8, 0, 180, 16},
    {K::Label, "labelGasBars", "PnlOdcTinj1_2", "Gaz", 202, 0, 180, 16},
    {K::Panel, "PnlOdcTinj1_3", "PnlOdcTinj", "", 0, 189, 437, 173},
    // The two bar columns leave the right edge to the gas-injector
    // corrections that kind-48 devices show beside the gas loads.
    {K::Panel, "PnlOdcTinjPetrol", "PnlOdcTinj1_3", "", 4, 0, 190, 173},
    {K::ProgressBar, "PrBOdcPetrol%1", "PnlOdcTinjPetrol", "", 2, 3, 144, 17, None, "0|6000", 8, 0, 19},
    {K::Label, "LblOdcWskTb%1", "PnlOdcTinjPetrol", "0%", 148, 3, 38, 17, None, "", 8, 0, 19},
    {K::Panel, "PnlOdcTinjLPG", "PnlOdcTinj1_3", "", 198, 0, 190, 173},
    {K::ProgressBar, "PrBOdcLPG%1", "PnlOdcTinjLPG", "", 2, 3, 144, 17, None, "0|6000", 8, 0, 19},
    {K::Label, "LblOdcWskTg%1", "PnlOdcTinjLPG", "0%", 148, 3, 38, 17, None, "", 8, 0, 19},
    {K::Panel, "PnlOdcGasInjCorr", "PnlOdcTinj1_3", "", 392, 0, 44, 173, Hidden},
    {K::Label, "LblOdcGasInjCorr%1", "PnlOdcGasInjCorr", "0%", 2, 3, 40, 17, None, "", 8, 0, 19},
    {K::Panel, "PnlOdcInjMarkPetrol", "PnlOdcTinj1_3", "", 4, 3, 190, 19, Hidden | Transparent},
    {K::Panel, "PnlOdcInjMarkLPG", "PnlOdcTinj1_3", "", 198, 3, 190, 19, Hidden | Transparent},
    {K::Panel, "PnlOdcRPM", "PnlB1", "", 0, 362, 437, 106},
    {K::Label, "labelRpm", "PnlOdcRPM", "Obroty [obr/min]", 8, 2, 200, 16, Bold},
    {K::Display, "DgDOdcRPM", "PnlOdcRPM", "0", 8, 18, 306, 57},
    {K::ProgressBar, "PrBOdcRPM", "PnlOdcRPM", "", 8, 82, 306, 14, None, "0|8000"},
    {K::Panel, "PnlOBDReadingsMain", "PnlOdcRPM", "", 320, 2, 115, 102, Hidden},

    {K::Panel, "PnlB2", "TbSMeasure", "", 437, 0, 339, 468},
    {K::Panel, "PnlOdcValues", "PnlB2", "", 0, 0, 339, 372},
    {K::Panel, "PnlOdcVal1", "PnlOdcValues", "", 0, 0, 339, 300},
    {K::Label, "labelTred", "PnlOdcVal1", "Temperatura reduktora [°C]", 8, 2, 250, 16, Bold},
    {K::Display, "DgDOdcTred", "PnlOdcVal1", "0", 8, 18, 306, 57},
    {K::Label, "LblOdcTNomRed", "PnlOdcVal1", "0", 8, 76, 306, 16},
    {K::Panel, "PnlOdcTgaz", "PnlOdcVal1", "", 0, 94, 339, 87},
    {K::Label, "labelTgas", "PnlOdcTgaz", "Temperatura gazu [°C]", 8, 2, 250, 16, Bold},
    {K::Display, "DgDOdcTgaz", "PnlOdcTgaz", "0", 8, 18, 306, 57},
    {K::Panel, "PnlOdcPsys", "PnlOdcVal1", "", 0, 183, 339, 110},
    {K::Label, "LblOdcPcol", "PnlOdcPsys", "Pcol [bar]", 8, 2, 150, 16, Bold},
    {K::Display, "DgDOdcPcol", "PnlOdcPsys", "0.00", 8, 18, 153, 57},
    {K::Label, "LblOdcPsys", "PnlOdcPsys", "Psys [bar]", 176, 2, 150, 16, Bold},
    {K::Display, "DgDOdcPsys", "PnlOdcPsys", "0.00", 176, 18, 153, 57},
    {K::ProgressBar, "PrBOdcPsys", "PnlOdcPsys", "", 176, 80, 153, 10, None, "0|255"},
    {K::Label, "LblOdcPressureSensorTypeInfo", "PnlOdcPsys", "", 8, 78, 160, 30, Wrap},
    {K::Panel, "PPnlOdcLambda", "PnlOdcValues", "", 0, 300, 339, 48},
    {K::Panel, "PnlOdcLambdaCenter", "PPnlOdcLambda", "", 9, 1, 320, 46},
    {K::Label, "labelLambda", "PnlOdcLambdaCenter", "Lambda [V]", 2, 0, 90, 14},
    {K::Display, "DgDOdcLambda", "PnlOdcLambdaCenter", "0.00", 2, 14, 80, 30},
    {K::Panel, "PnlOdcBarLambda", "PnlOdcLambdaCenter", "", 90, 18, 226, 20},
    {K::Label, "LblOdcLambdaPnl", "PnlOdcBarLambda", "", 0, 0, 10, 20},
    {K::Label, "labelVbat", "PnlOdcValues", "Akumulator", 8, 352, 120, 16},
    {K::Label, "LblOdcVbat", "PnlOdcValues", "", 130, 348, 50, 22, Bold | Large},
    {K::Label, "LblOdcVbatUnit", "PnlOdcValues", "V", 182, 352, 20, 16},
    {K::Panel, "PnlOdcPanel", "PnlB2", "", 0, 372, 200, 96},
    {K::Panel, "PnlOdcPanelStan", "PnlOdcPanel", "", 14, 14, 26, 26},
    {K::Label, "LblPanelG", "PnlOdcPanel", "G", 50, 6, 40, 40, Bold | Large},
    {K::Image, "ImgPanelG_Veluto", "PnlOdcPanel", "", 50, 6, 40, 40, Hidden},
    {K::Panel, "PnlOdcPanelP4", "PnlOdcPanel", "", 110, 6, 40, 12},
    {K::Panel, "PnlOdcPanelP3", "PnlOdcPanel", "", 110, 21, 40, 12},
    {K::Panel, "PnlOdcPanelP2", "PnlOdcPanel", "", 110, 36, 40, 12},
    {K::Panel, "PnlOdcPanelP1", "PnlOdcPanel", "", 110, 51, 40, 12},
    {K::Panel, "PnlOdcPanelR", "PnlOdcPanel", "", 110, 72, 40, 12},
    {K::Panel, "PnlOdcNavTwtr", "PnlB2", "", 204, 376, 131, 88},
    {K::Panel, "PnlOdcDevOffline", "PnlB2", "Tryb OFF-LINE", 204, 376, 131, 40, Hidden | Bold},
    {K::Panel, "PnlOdcDevLock", "PnlB2", "URZĄDZENIE ZABLOKOWANE", 204, 420, 131, 44, Hidden | Bold | Wrap},

    // Docking places of the kind-48 windows.
    {K::Panel, "PnlMultiConfiguration", "TbSMultiConfiguration", "", 0, 0, 776, 468},
    {K::Panel, "PnlMultiCalibration", "TbSMultiCalibration", "", 0, 0, 776, 468},

    // Configuration page of kinds 20 and 21.
    {K::PageControl, "PgCConfiguration", "TbSConfig", "", 0, 0, 776, 404},
    {K::Page, "TbSCnfBase", "PgCConfiguration", "Podstawowe (Ctrl+F8)", 0, 0, 0, 0, Current},
    {K::Page, "TbSCnfAdvance", "PgCConfiguration", "Zaawansowane (Ctrl+F9)", 0, 0, 0, 0},
    {K::Button, "BtBKnfReadConfiguration", "TbSConfig", "Odczytaj", 4, 408, 150, 26},
    {K::Button, "BtBKnfWriteConfiguration", "TbSConfig", "Zapisz", 158, 408, 150, 26},
    {K::Button, "BtnConfLoadSettings", "TbSConfig", "Odczyt z pliku...", 360, 408, 200, 26},
    {K::Button, "BtnConfSaveSettings", "TbSConfig", "Zapis do pliku...", 566, 408, 200, 26},
    {K::Button, "BtnConfResetSettings", "TbSConfig", "Ustawienia fabryczne", 4, 438, 150, 26},
    {K::Button, "BtBKnfWriteDefaultConfiguration", "TbSConfig", "Zapisz konfigurację fabryczną", 158, 438, 198, 26},
    {K::Button, "BtnConfUpgradeFirmware", "TbSConfig", "Aktualizacja sterownika...", 360, 438, 200, 26},
    {K::Button, "BtnConfDocumentation", "TbSConfig", "Dokumentacja", 566, 438, 200, 26},
    {K::Panel, "PnlKnfBase", "TbSCnfBase", "", 0, 0, 768, 376},
    {K::Label, "labelKnfInjCount", "PnlKnfBase", "Liczba cylindrów:", 8, 10, 160, 16},
    {K::Combo, "CmbKnfInjCount", "PnlKnfBase", "", 170, 8, 100, 22, None, "3|4|5|6|8"},
    {K::Label, "LblKnfK4", "PnlKnfBase", "Wtryskiwacze gazowe:", 8, 36, 160, 16},
    {K::Combo, "CmbKnfInjType", "PnlKnfBase", "", 170, 34, 200, 22},
    {K::Label, "LblKnfSugNozle", "PnlKnfBase", "", 376, 36, 380, 16},
    {K::Label, "labelKnfPower", "PnlKnfBase", "Moc silnika [kW]:", 8, 62, 160, 16},
    {K::YEdit, "YEdKnfPower", "PnlKnfBase", "", 170, 60, 100, 22},
    {K::Panel, "PnlKnfPressureSensprType", "PnlKnfBase", "", 8, 90, 370, 56},
    {K::Label, "LblKnfN1", "PnlKnfPressureSensprType", "Czujnik ciśnienia:", 6, 6, 160, 16},
    {K::Combo, "CmBKnfPressureSensorType", "PnlKnfPressureSensprType", "", 162, 4, 200, 22, None, "PS-CC1|PS-CC2/CCT3"},
    {K::SpeedButton, "SpBtnPhotoPressSens", "PnlKnfPressureSensprType", "Zdjęcie", 282, 30, 80, 22, Checkable},
    {K::CheckBox, "ChBKnfRPMNotConnected", "PnlKnfBase", "Sygnał obrotów niepodłączony", 8, 154, 300, 20},
    {K::CheckBox, "ChBKnfMasterMode", "PnlKnfBase", "Tryb master", 8, 178, 300, 20},
    {K::Panel, "PnlKnfAdvance", "TbSCnfAdvance", "", 0, 0, 768, 376},
    {K::Panel, "PnlKnfEmulatorSwitchDelay", "PnlKnfAdvance", "", 8, 8, 370, 32},
    {K::Label, "labelKnfEmulatorSwitchDelay", "PnlKnfEmulatorSwitchDelay", "Opóźnienie przełączenia emulatora:", 6, 8, 360, 16},
    {K::Label, "LblKnfPowerKM", "PnlKnfBase", "", 274, 62, 100, 16},
    {K::Label, "labelKnfCubicCap", "PnlKnfBase", "Pojemność silnika [cm3]:", 8, 208, 160, 16},
    {K::YEdit, "YEdKnfCubicCap", "PnlKnfBase", "", 170, 206, 100, 22},
    {K::Label, "labelKnfEngineType", "PnlKnfBase", "Typ silnika:", 8, 234, 160, 16},
    {K::Combo, "CmBKnfEngineType", "PnlKnfBase", "", 170, 232, 200, 22, None, "STANDARD|TURBO"},
    {K::Label, "labelKnfInjSystemType", "PnlKnfBase", "Układ wtryskowy:", 8, 260, 160, 16},
    {K::Combo, "CmBKnfInjSystemType", "PnlKnfBase", "", 170, 258, 200, 22, None, "INNY|SEKWENCYJNY|PÓŁSEKWENCYJNY|FULLGROUP"},
    {K::Button, "BtnKnfCheckInjSystem", "PnlKnfBase", "Wykryj", 376, 258, 80, 22},
    {K::Label, "LblSysWtry", "PnlKnfBase", "", 462, 260, 145, 16},
    {K::Label, "LblSysWtry2", "PnlKnfBase", "", 610, 260, 145, 16},
    {K::Label, "labelKnfNozle", "PnlKnfBase", "Dysze [mm]:", 8, 286, 160, 16},
    {K::Combo, "CmBKnfNozle", "PnlKnfBase", "", 170, 284, 100, 22, None, "1,5|1,6|1,7|1,8|1,9|2,0|2,1|2,2|2,3|2,4|2,5|2,6|2,7|2,8|2,9|3,0|3,1|3,2|3,3|3,4|3,5"},
    {K::Label, "labelKnfIdleHotTb", "PnlKnfBase", "Tb na biegu jałowym [ms]:", 8, 312, 160, 16},
    {K::Edit, "EdtKnfIdleHotTb", "PnlKnfBase", "", 176, 310, 94, 22},
    {K::Button, "BtnOdcSaveIdleHotTb", "PnlKnfBase", "Zmierz", 276, 310, 94, 22},
    {K::Radio, "RdBKnfLPG", "PnlKnfBase", "LPG", 8, 342, 80, 20, Checked},
    {K::Radio, "RdBKnfCNG", "PnlKnfBase", "CNG", 92, 342, 80, 20},
    {K::Label, "LblKnf0_7", "PnlKnfBase", "Reduktor:", 390, 96, 150, 16},
    {K::Combo, "CmbKnfRedType", "PnlKnfBase", "", 545, 94, 210, 22, None, "INNY|VXR FALCOR|VXR FALCOR TURBO|VXR MIRA|VXR MIRA TURBO"},
    {K::SpeedButton, "SpBtnPhotoReductor", "PnlKnfBase", "Zdjęcie", 545, 68, 80, 22, Checkable},
    {K::SpeedButton, "SpBtnPhotoInjector", "PnlKnfBase", "Zdjęcie", 630, 68, 80, 22, Checkable},
    {K::Label, "labelKnfRPMSource", "PnlKnfBase", "Źródło obrotów:", 390, 122, 150, 16},
    {K::Combo, "CmbKnfRPMSource", "PnlKnfBase", "", 545, 120, 210, 22, None, "1 cewka na 1 cylinder|DIS - podwójna cewka|Obrotomierz|Obrotomierz 2"},
    {K::Label, "labelKnfRPMSourceType", "PnlKnfBase", "Sygnał obrotów:", 390, 148, 150, 16},
    {K::Combo, "CmbKnfRPMSourceType", "PnlKnfBase", "", 545, 146, 210, 22, None, "Wtryskiwacze benzynowe|RPM"},
    {K::Label, "labelKnfLevelSensorType", "PnlKnfBase", "Czujnik poziomu:", 390, 174, 150, 16},
    {K::Combo, "CmbKnfLevelSensorType", "PnlKnfBase", "", 545, 172, 150, 22, None, "Rezerwa|VXR PW|AEB 1050|0-90"},
    {K::Button, "BtnKnfLvSensorConfig", "PnlKnfBase", "...", 699, 172, 56, 22, Hidden},
    {K::CheckBox, "ChBKnfLambda", "PnlKnfBase", "Podłączona sonda LAMBDA", 390, 202, 360, 20},
    {K::Label, "LblKnfLambdaType", "PnlKnfBase", "Typ sondy:", 390, 228, 150, 16, Hidden},
    {K::Combo, "CmBKnfLambdaType", "PnlKnfBase", "", 545, 226, 210, 22, Hidden, "0 - 1 V|0 - 5 V +|0 - 5 V -|5 - 0 V +|5 - 0 V -|0,8 - 1,6 V"},
    {K::Combo, "CmbKnfEmulatorSwitchDelay", "PnlKnfEmulatorSwitchDelay", "", 250, 5, 114, 22, None, "0|0,2|0,4|0,6|0,8|1|2|3|4|5"},
    {K::Label, "labelKnfNomRPM", "PnlKnfAdvance", "Obroty przełączenia [obr/min]:", 14, 48, 240, 16},
    {K::Combo, "CmBKnfNomRPM", "PnlKnfAdvance", "", 258, 46, 114, 22, None, "400|600|800|1000|1200|1400|1600|1800|2000"},
    {K::Label, "labelKnfNomTred", "PnlKnfAdvance", "Temperatura przełączenia [°C]:", 14, 74, 240, 16},
    {K::Combo, "CmBKnfNomTred", "PnlKnfAdvance", "", 258, 72, 114, 22, None, "20|25|30|35|40|45|50|55|60|65|70"},
    {K::Panel, "PnlPostValveDelay", "PnlKnfAdvance", "", 8, 98, 370, 32},
    {K::Label, "labelKnfPostValveDelay", "PnlPostValveDelay", "Wcześniejsze otwarcie zaworu [s]:", 6, 8, 240, 16},
    {K::Combo, "CmbKnfPostValveDelay", "PnlPostValveDelay", "", 250, 5, 114, 22, None, "0,1|0,2|0,3|0,4|0,5|0,6|0,7|0,8|0,9|1|2|4|6|8|10"},
    {K::Label, "labelKnfLowPressTreshold", "PnlKnfAdvance", "Próg niskiego ciśnienia [bar]:", 14, 140, 240, 16},
    {K::Combo, "CmbKnfLowPressTreshold", "PnlKnfAdvance", "", 258, 138, 114, 22, None, "0,3|0,4|0,5|0,6|0,7|0,8|0,9"},
    {K::Label, "labelKnfLowPressDelay", "PnlKnfAdvance", "Czas niskiego ciśnienia [s]:", 14, 166, 240, 16},
    {K::Combo, "CmbKnfLowPressDelay", "PnlKnfAdvance", "", 258, 164, 114, 22, None, "0,1|0,2|0,3|0,4|0,5|0,6|0,7|0,8|0,9|1|1,5|2|2,5|3|3,5|4|4,5|5"},
    {K::CheckBox, "ChBKnfNosequential", "PnlKnfAdvance", "Wtrysk niesekwencyjny", 390, 8, 360, 20},
    {K::CheckBox, "ChBKnfSemiGasControl", "PnlKnfAdvance", "Półsekwencyjne sterowanie gazem", 390, 30, 360, 20},
    {K::CheckBox, "ChBKnfMicroInjection", "PnlKnfAdvance", "Silnik z mikrowtryskami", 390, 52, 360, 20},
    {K::Panel, "PnlKnfMicroinjectionTime", "PnlKnfAdvance", "", 410, 74, 350, 28, Hidden},
    {K::Label, "labelKnfMicroinjectionTime", "PnlKnfMicroinjectionTime", "Czas mikrowtrysku [ms]:", 4, 6, 200, 16},
    {K::Combo, "CmbKnfMicroinjectionTime", "PnlKnfMicroinjectionTime", "", 230, 3, 114, 22, None, "0,2|0,3|0,4|0,5|0,6|0,7|0,8|0,9|1,0|1,1|1,2|1,3|1,4|1,5|1,6|1,7|1,8|1,9|2,0|2,1|2,2|2,3|2,4|2,5|2,6"},
    {K::CheckBox, "ChBKnfHemiEngine", "PnlKnfAdvance", "Silnik HEMI", 390, 106, 360, 20},
    {K::CheckBox, "ChBKnfTuningMode", "PnlKnfAdvance", "Silnik tuningowany / turbo", 390, 128, 360, 20},
    {K::CheckBox, "ChBKnfPetrolInjPlusControl", "PnlKnfAdvance", "Wtryskiwacze benzynowe sterowane plusem", 390, 150, 360, 20},
    {K::CheckBox, "ChBKnfExternalEmulator", "PnlKnfAdvance", "Zewnętrzny emulator", 390, 172, 360, 20},
    {K::CheckBox, "ChBKnfAlwaysStartOnGas", "PnlKnfAdvance", "Zawsze start na gazie", 390, 194, 360, 20},
    {K::CheckBox, "ChBKnfCAP_TIE_enable", "PnlKnfAdvance", "Pomiar z przerwaniami", 390, 216, 360, 20, Disabled},

    // Configuration wizard.
    {K::Panel, "PnlConfiguratorMain", "TbSConfigurator", "", 0, 0, 776, 468},
    {K::PageControl, "PgCConfWizard", "PnlConfiguratorMain", "", 0, 0, 776, 432},
    {K::Page, "TbSConfBased", "PgCConfWizard", "Podstawowe", 0, 0, 0, 0, Current},
    {K::Page, "TbSConfSwitching", "PgCConfWizard", "Przełączanie", 0, 0, 0, 0},
    {K::Page, "TbSConfAdvanced", "PgCConfWizard", "Zaawansowane", 0, 0, 0, 0},
    {K::Page, "TbSConfAutoCal", "PgCConfWizard", "Autokalibracja", 0, 0, 0, 0},
    {K::Page, "TbSConfFinish", "PgCConfWizard", "Zakończenie", 0, 0, 0, 0},
    {K::Button, "BtnConfWriteConfig", "PnlConfiguratorMain", "Zapisz", 560, 438, 108, 26},
    {K::Button, "BtnConfWizNext", "PnlConfiguratorMain", "Dalej >>", 672, 438, 100, 26},
    {K::Button, "BtnConfWizPrev", "PnlConfiguratorMain", "<< Wstecz", 448, 438, 108, 26},
    {K::Button, "BtnConfReadConfig", "PnlConfiguratorMain", "Odczytaj", 336, 438, 108, 26},
    {K::Label, "PnlConfWizPageNum", "PnlConfiguratorMain", "", 8, 442, 120, 18},

    {K::Label, "labelConfInjSystemType", "TbSConfBased", "Układ wtryskowy:", 8, 10, 150, 16},
    {K::Combo, "CmBConfInjSystemType", "TbSConfBased", "", 160, 8, 210, 22},
    {K::Label, "labelConfEngineType", "TbSConfBased", "Typ silnika:", 8, 36, 150, 16},
    {K::Combo, "CmBConfEngineType", "TbSConfBased", "", 160, 34, 210, 22},
    {K::Label, "labelConfPower", "TbSConfBased", "Moc silnika [kW]:", 8, 62, 150, 16},
    {K::YEdit, "YEdConfPower", "TbSConfBased", "", 160, 60, 100, 22},
    {K::Label, "LblConfPowerKM", "TbSConfBased", "", 266, 62, 100, 16},
    {K::Label, "labelConfNozzles", "TbSConfBased", "Dysze:", 8, 88, 150, 16},
    {K::Combo, "CmBConfNozzles", "TbSConfBased", "", 160, 86, 210, 22},
    {K::Label, "LblConfSugNozzle", "TbSConfBased", "", 266, 110, 100, 16, Hidden},
    {K::Label, "LblConfInjType", "TbSConfBased", "Wtryskiwacze gazowe:", 8, 114, 150, 16},
    {K::Combo, "CmBConfInjType", "TbSConfBased", "", 160, 112, 210, 22},
    {K::Label, "LblConfRedType", "TbSConfBased", "Reduktor:", 8, 140, 150, 16},
    {K::Combo, "CmBConfRedType", "TbSConfBased", "", 160, 138, 210, 22},
    {K::Label, "labelConfWorkPressure", "TbSConfBased", "Ciśnienie pracy:", 8, 166, 150, 16},
    {K::Combo, "CmBConfWorkPressure", "TbSConfBased", "", 160, 164, 210, 22, None,
     "0,70|0,80|0,90|1,00|1,10|1,20|1,30|1,40|1,50|1,60|1,70|1,80|1,90|2,00"},
    {K::Label, "labelConfIdleHotTb", "TbSConfBased", "Tb na biegu jałowym:", 8, 192, 150, 16},
    {K::Combo, "CmBConfIdleHotTb", "TbSConfBased", "", 160, 190, 210, 22, None,
     "1,5|2,0|2,5|3,0|3,5|4,0|4,5|5,0|5,5|6,0"},
    {K::Label, "LblConfPressSensType", "TbSConfBased", "Czujnik ciśnienia:", 390, 10, 150, 16},
    {K::Combo, "CmBConfPressSensType", "TbSConfBased", "", 545, 8, 210, 22},
    {K::CheckBox, "ChBConfPressSensInFlow", "TbSConfBased", "Czujnik temperatury w przepływie", 390, 34, 360, 20},
    {K::Label, "labelConfLevSensType", "TbSConfBased", "Czujnik poziomu:", 390, 62, 150, 16},
    {K::Combo, "CmBConfLevSensType", "TbSConfBased", "", 545, 60, 210, 22},
    {K::Label, "labelConfRPMSourceType", "TbSConfBased", "Sygnał obrotów:", 390, 88, 150, 16},
    {K::Combo, "CmBConfRPMSourceType", "TbSConfBased", "", 545, 86, 210, 22},
    {K::Label, "labelConfRPMSource", "TbSConfBased", "Źródło obrotów:", 390, 114, 150, 16},
    {K::Combo, "CmBConfRPMSource", "TbSConfBased", "", 545, 112, 210, 22},
    {K::CheckBox, "ChBConfRPMNotConnected", "TbSConfBased", "Sygnał obrotów niepodłączony", 390, 138, 360, 20},
    {K::Label, "LblConfLambdaType", "TbSConfBased", "Sonda lambda:", 390, 166, 150, 16},
    {K::Combo, "CmBConfLambdaType", "TbSConfBased", "", 545, 164, 210, 22},
    {K::CheckBox, "ChBConfLambda", "TbSConfBased", "Podłączona sonda LAMBDA", 390, 190, 360, 20},
    {K::Panel, "PnlConfLambdaTypeVal", "TbSConfBased", "", 0, 0, 0, 0, Hidden},
    {K::Label, "labelConfGasElementsRPM", "TbSConfBased", "Obroty", 390, 224, 120, 16},
    {K::Display, "DgDConfGasElementsRPM", "TbSConfBased", "0", 390, 240, 120, 44},
    {K::Label, "labelConfGasElementsLambda", "TbSConfBased", "Lambda [V]", 530, 224, 120, 16},
    {K::Display, "DgDConfGasElementsLambda", "TbSConfBased", "0.00", 530, 240, 120, 44},
    {K::Radio, "RdBConfFuelLPG", "TbSConfBased", "LPG", 8, 222, 70, 20, Checked},
    {K::Radio, "RdBConfFuelCNG", "TbSConfBased", "CNG", 82, 222, 70, 20},
    {K::Label, "labelConfInjCount", "TbSConfBased", "Liczba cylindrów:", 8, 250, 150, 16},
    {K::Combo, "CmBConfInjCount", "TbSConfBased", "", 160, 248, 100, 22},
    {K::Label, "labelConfCubicCap", "TbSConfBased", "Pojemność silnika [cm3]:", 8, 276, 150, 16},
    {K::YEdit, "YEdConfCubicCap", "TbSConfBased", "", 160, 274, 100, 22},
    {K::Button, "BtnConfCheckInjSystem", "TbSConfBased", "Wykryj układ", 266, 274, 104, 22},
    {K::Label, "labelConfPhotos", "TbSConfBased", "Zdjęcia:", 8, 306, 150, 16},
    {K::SpeedButton, "SpBConfPhotoPress", "TbSConfBased", "Czujnik", 160, 302, 68, 24, Checkable},
    {K::SpeedButton, "SpBConfPhotoInj", "TbSConfBased", "Wtryskiwacz", 232, 302, 68, 24, Checkable},
    {K::SpeedButton, "SpBConfPhotoRed", "TbSConfBased", "Reduktor", 304, 302, 66, 24, Checkable},
    {K::Button, "BtnConfLevSensConfig", "TbSConfBased", "...", 512, 60, 28, 22, Hidden},
    {K::CheckBox, "ChBConfMicroInjection", "TbSConfBased", "Silnik z mikrowtryskami", 390, 296, 200, 20},
    {K::Combo, "CmBConfMicroInjTime", "TbSConfBased", "", 600, 294, 80, 22},
    {K::Label, "LblConfMicroInjTimeUnit", "TbSConfBased", "ms", 686, 297, 40, 16},

    {K::Panel, "PnlConfWSwitching", "TbSConfSwitching", "", 0, 0, 768, 400},
    {K::CheckBox, "ChBConfRaisingTswitching", "PnlConfWSwitching", "Przełączanie przy rosnącej temperaturze", 8, 8, 360, 20},
    {K::Label, "LblConfNomRPM", "PnlConfWSwitching", "Obroty przełączenia:", 8, 36, 170, 16},
    {K::Combo, "CmBConfNomRPM", "PnlConfWSwitching", "", 180, 34, 120, 22},
    {K::Label, "LblConfNomRPMUnit", "PnlConfWSwitching", "obr/min", 306, 36, 60, 16},
    {K::Label, "LblConfEmulatorSwitchDelay", "PnlConfWSwitching", "Opóźnienie emulatora:", 8, 62, 170, 16},
    {K::Combo, "CmBConfEmulatorSwitchDelay", "PnlConfWSwitching", "", 180, 60, 120, 22},
    {K::Label, "LblConfEmulatorSwitchDelayUnit", "PnlConfWSwitching", "ms", 306, 62, 60, 16},
    {K::Panel, "PnlConfPostValveDelay", "PnlConfWSwitching", "", 8, 88, 360, 30},
    {K::Label, "labelConfPostValveDelay", "PnlConfPostValveDelay", "Opóźnienie zaworu:", 4, 7, 200, 16},
    {K::Combo, "CmBConfPostValveDelay", "PnlConfPostValveDelay", "", 210, 4, 100, 22},
    {K::Label, "LblConfPostValveDelayUnit", "PnlConfPostValveDelay", "ms", 316, 7, 40, 16},
    {K::CheckBox, "ChBSygnalizeDrivingOnPetrol", "PnlConfWSwitching", "Sygnalizacja jazdy na benzynie", 8, 124, 360, 20},
    {K::CheckBox, "ChBConfAutoToGasOnControlPanelHidden", "PnlConfWSwitching", "Ukryj automatyczne przełączenie na gaz", 8, 148, 360, 20},
    {K::CheckBox, "ChBConfCutOffModeReturnToPetrol", "PnlConfWSwitching", "Powrót na benzynę po odcięciu", 8, 172, 360, 20},
    {K::Label, "labelConfCutOffEmulSwitchDelay", "PnlConfWSwitching", "Opóźnienie po odcięciu:", 8, 200, 170, 16},
    {K::Combo, "CmBConfCutOffEmulSwitchDelay", "PnlConfWSwitching", "", 180, 198, 120, 22},
    {K::Label, "LblConfCutOffEmulatorSwitchDelayUnit", "PnlConfWSwitching", "ms", 306, 200, 60, 16},
    {K::Label, "LblConfOnCutOffDelay", "PnlConfWSwitching", "Opóźnienie odcięcia:", 8, 226, 170, 16},
    {K::Combo, "CmBOnCutOffDelay", "PnlConfWSwitching", "", 180, 224, 120, 22},
    {K::Label, "labelConfNomTred", "PnlConfWSwitching", "Temperatura przełączenia:", 8, 256, 170, 16},
    {K::Combo, "CmBConfNomTred", "PnlConfWSwitching", "", 180, 254, 120, 22},
    {K::Label, "LblConfNomTredUnit", "PnlConfWSwitching", "°C", 306, 256, 60, 16},
    {K::Label, "labelConfLowPressThreshold", "PnlConfWSwitching", "Próg niskiego ciśnienia:", 8, 282, 170, 16},
    {K::Combo, "CmBConfLowPressThreshold", "PnlConfWSwitching", "", 180, 280, 120, 22},
    {K::Label, "LblConfLowPressThresholdUnit", "PnlConfWSwitching", "bar", 306, 282, 60, 16},
    {K::Label, "labelConfLowPressDelay", "PnlConfWSwitching", "Czas niskiego ciśnienia:", 8, 308, 170, 16},
    {K::Combo, "CmBConfLowPressDelay", "PnlConfWSwitching", "", 180, 306, 120, 22},
    {K::Label, "LblConfLowPressDelayUnit", "PnlConfWSwitching", "s", 306, 308, 60, 16},
    {K::CheckBox, "ChBConfLowRPMReturnToPetrol", "PnlConfWSwitching", "Powrót na benzynę poniżej obrotów", 384, 156, 250, 20},
    {K::Combo, "CmBConfLowRPMReturnToPetrol", "PnlConfWSwitching", "", 640, 154, 100, 22},
    {K::CheckBox, "ChBConfHighRPMReturnToPetrol", "PnlConfWSwitching", "Powrót na benzynę powyżej obrotów", 384, 182, 250, 20},
    {K::Combo, "CmBConfHighRPMReturnToPetrol", "PnlConfWSwitching", "", 640, 180, 100, 22},
    {K::CheckBox, "ChBConfHighLoadReturnToPetrol", "PnlConfWSwitching", "Powrót na benzynę powyżej obciążenia [%]", 384, 208, 250, 20},
    {K::Combo, "CmBConfHighLoadReturnToPetrol", "PnlConfWSwitching", "", 640, 206, 100, 22},
    {K::CheckBox, "ChBConfTuningMode", "PnlConfWSwitching", "Silnik tuningowany / turbo", 384, 234, 370, 20},
    {K::CheckBox, "ChBHotEngineStartOnGas", "PnlConfWSwitching", "Start na gazie przy ciepłym silniku", 384, 256, 370, 20},
    {K::Panel, "PnlConfSwitchDetails", "PnlConfWSwitching", "", 28, 282, 732, 114},
    {K::Memo, "MemConfSwitchDetails", "PnlConfSwitchDetails", "", 338, 2, 392, 110},
    {K::Panel, "PnlConfSwitchToPetrol", "PnlConfWSwitching", "", 384, 8, 376, 140},
    {K::CheckBox, "ChBConfLowTredAndHighLoadReturnToPetrol", "PnlConfSwitchToPetrol", "Powrót na benzynę (temperatura i obciążenie)", 6, 6, 364, 20},
    {K::Combo, "CmBConfLowTredForTredLoadReturnToPetrol", "PnlConfSwitchToPetrol", "", 6, 30, 100, 22},
    {K::Label, "LblBConfLowTredForTredLoadReturnToPetrolUnit", "PnlConfSwitchToPetrol", "°C", 110, 33, 30, 16},
    {K::Combo, "CmBConfHighLoadPetrolForTredReturnToPetrol", "PnlConfSwitchToPetrol", "", 150, 30, 100, 22},
    {K::Label, "LblConfHighLoadPetrolForTredReturnToPetrol", "PnlConfSwitchToPetrol", "% obciążenia", 254, 33, 110, 16},
    {K::Label, "LblConfLowTgasReturnToPetrolUnit", "PnlConfSwitchToPetrol", "°C", 110, 63, 30, 16},
    {K::Combo, "CmBConfHighLoadPetrolForTgasReturnToPetrol", "PnlConfSwitchToPetrol", "", 150, 60, 100, 22},
    {K::Label, "LblConfHighLoadPetrolForTgasReturnToPetrol", "PnlConfSwitchToPetrol", "% obciążenia", 254, 63, 110, 16},
    {K::Combo, "CmBConfLowTgasReturnToPetrol", "PnlConfSwitchToPetrol", "", 6, 60, 100, 22},
    {K::CheckBox, "ChBConfLowTgasReturnToPetrol", "PnlConfSwitchToPetrol", "Powrót na benzynę przy niskiej temperaturze gazu", 6, 88, 364, 20},

    {K::Panel, "PnlConfWAdvanced", "TbSConfAdvanced", "", 0, 0, 768, 400},
    {K::CheckBox, "ChBConfNonSequential", "PnlConfWAdvanced", "Wtrysk niesekwencyjny", 8, 6, 360, 20},
    {K::CheckBox, "ChBConfPetrolInjPlusControl", "PnlConfWAdvanced", "Sterowanie plusem wtryskiwaczy", 8, 28, 360, 20},
    {K::CheckBox, "ChBConfExternalEmulator", "PnlConfWAdvanced", "Zewnętrzny emulator", 8, 50, 360, 20},
    {K::Bevel, "BvlConfAdvanced2", "PnlConfWAdvanced", "", 8, 74, 360, 2},
    {K::Panel, "PnlConfSemiSeqGasControl", "PnlConfWAdvanced", "", 8, 80, 360, 26},
    {K::Label, "labelConfSemiSeqGasControl", "PnlConfSemiSeqGasControl", "Sterowanie półsekwencyjne", 4, 5, 340, 16},
    {K::CheckBox, "ChBConfSemiSeqGasControl", "PnlConfSemiSeqGasControl", "", 340, 4, 18, 18},
    {K::Bevel, "BvlConfAdvanced3", "PnlConfWAdvanced", "", 8, 110, 360, 2},
    {K::CheckBox, "ChBConfMasterMode", "PnlConfWAdvanced", "Tryb master", 8, 116, 360, 20},
    {K::CheckBox, "ChBConfPreinjectionProcessDuringCutOff", "PnlConfWAdvanced", "Wtryski wstępne podczas odcięcia", 8, 140, 360, 20},
    {K::Combo, "CmBConfPressurePreinjectionProcessDuringCutOff", "PnlConfWAdvanced", "", 28, 162, 100, 22},
    {K::Label, "LblConfPressurePreinjectionProcessDuringCutOffUnit", "PnlConfWAdvanced", "bar", 132, 165, 40, 16},
    {K::CheckBox, "ChBConfGasInjectorsHeating", "PnlConfWAdvanced", "Podgrzewanie wtryskiwaczy gazowych", 8, 190, 360, 20},
    {K::Combo, "CmBConfMinTredForGasInjctorsHeatingProcess", "PnlConfWAdvanced", "", 28, 212, 100, 22},
    {K::CheckBox, "ChBConfFuelOverlap", "PnlConfWAdvanced", "Nakładanie paliw", 8, 240, 360, 20},
    {K::Combo, "CmBConfFuelOverlapTime", "PnlConfWAdvanced", "", 28, 262, 100, 22},
    {K::Combo, "CmBConfFuelOverlapCycles", "PnlConfWAdvanced", "", 134, 262, 100, 22},
    {K::CheckBox, "ChBConfCapTieEnabled", "PnlConfWAdvanced", "Pomiar z przerwaniami", 8, 290, 360, 20},
    {K::CheckBox, "ChBConfLambaInputAsFlashLubeLevel", "PnlConfWAdvanced", "Wejście lambda jako poziom środka smarnego", 8, 314, 360, 20},
    {K::CheckBox, "ChBConfEnrichmentDuringCutOffForLowRPM", "PnlConfWAdvanced", "Wzbogacenie podczas odcięcia przy niskich obrotach", 384, 6, 376, 20},
    {K::Combo, "CmBConfInjTimeForEnrichmentDuringCutOff", "PnlConfWAdvanced", "", 404, 28, 100, 22},
    {K::Label, "LblConfInjTimeForEnrichmentDuringCutOff", "PnlConfWAdvanced", "ms", 508, 31, 40, 16},
    {K::Combo, "CmBConfMaxRpmForEnrichmentDuringCutOff", "PnlConfWAdvanced", "", 554, 28, 100, 22},
    {K::CheckBox, "ChBConfMazdaIgnitionTypeCorr", "PnlConfWAdvanced", "Korekta typu zapłonu", 384, 56, 376, 20},
    {K::Combo, "CmBConfMazdaEnrichmentPercentage", "PnlConfWAdvanced", "", 404, 78, 100, 22},
    {K::Label, "LblConfMazdaCorrectionUnit", "PnlConfWAdvanced", "%", 508, 81, 40, 16},
    {K::CheckBox, "ChBConfMinGasInjTime", "PnlConfWAdvanced", "Minimalny czas wtrysku gazu", 384, 106, 376, 20},
    {K::Combo, "CmBConfMinGasInjTime", "PnlConfWAdvanced", "", 404, 128, 100, 22},
    {K::Label, "LblConfMinGasInjTimeUnit", "PnlConfWAdvanced", "ms", 508, 131, 40, 16},
    {K::CheckBox, "ChBConfMaxGasInjTime", "PnlConfWAdvanced", "Maksymalny czas wtrysku gazu", 384, 156, 376, 20},
    {K::Combo, "CmBConfMaxGasInjTime", "PnlConfWAdvanced", "", 404, 178, 100, 22},
    {K::Label, "LblConfMaxGasInjTimeUnit", "PnlConfWAdvanced", "ms", 508, 181, 40, 16},
    {K::CheckBox, "ChBConfHemiEngine", "PnlConfWAdvanced", "Silnik HEMI", 384, 206, 376, 20},
    {K::CheckBox, "ChBConfAlwaysStartOnGas", "PnlConfWAdvanced", "Zawsze start na gazie", 384, 230, 376, 20},
    {K::Panel, "PnlConfAdvDetails", "PnlConfWAdvanced", "", 28, 256, 732, 140},
    {K::Memo, "MemConfAdvDetails", "PnlConfAdvDetails", "", 338, 2, 392, 136},

    {K::Panel, "PnlConfAutoCalReadings", "TbSConfAutoCal", "", 0, 0, 768, 160},
    {K::Label, "labelConfAutoRPM", "PnlConfAutoCalReadings", "Obroty", 8, 4, 110, 16},
    {K::Display, "DgDConfAutoRPM", "PnlConfAutoCalReadings", "0", 8, 20, 110, 44},
    {K::Label, "LblConfAutoPetrol", "PnlConfAutoCalReadings", "Tb [ms]", 126, 4, 110, 16},
    {K::Display, "DgDConfAutoPetrol", "PnlConfAutoCalReadings", "0.00", 126, 20, 110, 44},
    {K::Label, "LblConfAutoGas", "PnlConfAutoCalReadings", "Tg [ms]", 244, 4, 110, 16},
    {K::Display, "DgDConfAutoGas", "PnlConfAutoCalReadings", "0.00", 244, 20, 110, 44},
    {K::Label, "labelConfAutoPcol", "PnlConfAutoCalReadings", "Pcol [bar]", 362, 4, 110, 16},
    {K::Display, "DgDConfAutoPcol", "PnlConfAutoCalReadings", "0.00", 362, 20, 110, 44},
    {K::Label, "labelConfAutoPsys", "PnlConfAutoCalReadings", "Psys [bar]", 480, 4, 110, 16},
    {K::Display, "DgDConfAutoPsys", "PnlConfAutoCalReadings", "0.00", 480, 20, 110, 44},
    {K::Label, "labelConfAutoTred", "PnlConfAutoCalReadings", "Tred [°C]", 598, 4, 110, 16},
    {K::Display, "DgDConfAutoTred", "PnlConfAutoCalReadings", "0", 598, 20, 110, 44},
    {K::Panel, "PnlConfAutoLambda", "PnlConfAutoCalReadings", "", 8, 76, 420, 40},
    {K::Label, "labelConfAutoLambda", "PnlConfAutoLambda", "Lambda", 4, 12, 60, 16},
    {K::Panel, "PnlConfAutoBarLambda", "PnlConfAutoLambda", "", 70, 10, 340, 20},
    {K::Label, "LblConfAutoLambdaPnl", "PnlConfAutoBarLambda", "", 0, 0, 10, 20},
    {K::PageControl, "NtbConfAutoCal", "TbSConfAutoCal", "", 0, 164, 500, 236},
    {K::Page, "NtbConfAutoCalStart", "NtbConfAutoCal", "Start", 0, 0, 0, 0, Current},
    {K::Page, "NtbConfAutoCalWaitLoad", "NtbConfAutoCal", "WaitLoad", 0, 0, 0, 0},
    {K::Page, "NtbConfAutoCalWaitConditions", "NtbConfAutoCal", "WaitConditions", 0, 0, 0, 0},
    {K::Page, "NtbConfAutoCalProgressWithoutLoad", "NtbConfAutoCal", "ProgressWithoutLoad", 0, 0, 0, 0},
    {K::Page, "NtbConfAutoCalProgressWithLoad", "NtbConfAutoCal", "ProgressWithLoad", 0, 0, 0, 0},
    {K::Page, "NtbConfAutoCalResult", "NtbConfAutoCal", "Result", 0, 0, 0, 0},
    {K::Label, "LblConfAutoStartInfo", "NtbConfAutoCalStart", "Rozgrzej silnik do temperatury pracy, pozostaw go na biegu jałowym bez obciążenia i naciśnij Start.", 8, 8, 480, 60, Wrap},
    {K::Button, "BtnConfAutoStart", "NtbConfAutoCalStart", "Start", 8, 80, 140, 30},
    {K::Label, "LblConfAutoWaitLoadInfo", "NtbConfAutoCalWaitLoad", "Włącz obciążenie (światła mijania, nawiew) i naciśnij Dalej.", 8, 8, 480, 60, Wrap},
    {K::Button, "BtnConfAutoContinue", "NtbConfAutoCalWaitLoad", "Dalej", 8, 80, 140, 30},
    {K::Label, "LblConfAutoWaitConditionsInfo", "NtbConfAutoCalWaitConditions", "Oczekiwanie na warunki pracy silnika...", 8, 8, 480, 60, Wrap},
    {K::Label, "LblConfAutoWithoutLoadInfo", "NtbConfAutoCalProgressWithoutLoad", "Kalibracja bez obciążenia...", 8, 8, 480, 40, Wrap},
    {K::ProgressBar, "GgeConfStepWithoutLoad", "NtbConfAutoCalProgressWithoutLoad", "", 8, 56, 480, 24, None, "0|20"},
    {K::Label, "LblConfAutoWithLoadInfo", "NtbConfAutoCalProgressWithLoad", "Kalibracja z obciążeniem...", 8, 8, 480, 40, Wrap},
    {K::ProgressBar, "GgeConfStepWithLoad", "NtbConfAutoCalProgressWithLoad", "", 8, 56, 480, 24, None, "0|17"},
    {K::Label, "LblConfAutoResult1", "NtbConfAutoCalResult", "", 8, 8, 480, 24, Bold},
    {K::Label, "LblConfAutoResult2", "NtbConfAutoCalResult", "", 8, 36, 480, 40, Wrap},
    {K::Button, "BtnConfAutoRepeat", "NtbConfAutoCalResult", "Powtórz", 8, 90, 140, 30},
    {K::Button, "BtnConfAutoFinish", "NtbConfAutoCalResult", "Zakończ", 156, 90, 140, 30, Disabled},
    {K::Button, "BtnConfAutoStop", "TbSConfAutoCal", "Stop", 508, 170, 160, 26, Disabled},
    {K::Button, "BtnConfAutoNozzlesTest", "TbSConfAutoCal", "Test dysz", 508, 200, 160, 26},
    {K::Button, "BtnConfWorkPressure", "TbSConfAutoCal", "Ciśnienie pracy", 508, 230, 160, 26},
    {K::Button, "BtnConfIdleHotTb", "TbSConfAutoCal", "Tb biegu jałowego", 508, 260, 160, 26},
    {K::Label, "LblConfAutoStep", "TbSConfAutoCal", "", 508, 296, 256, 16},

    {K::Panel, "PnlFinishDeviceInfo", "TbSConfFinish", "", 0, 0, 768, 400},
    {K::Label, "labelNextInspection", "PnlFinishDeviceInfo", "Next inspection in", 8, 10, 150, 16},
    {K::Combo, "CmBNextInspection", "PnlFinishDeviceInfo", "", 180, 8, 100, 22, None, "NotSet|1000|2000|5000|7000|10000"},
    {K::Label, "labelNextInspectionUnit", "PnlFinishDeviceInfo", "km", 286, 10, 30, 16},
    {K::Label, "labelInspectionRatio", "PnlFinishDeviceInfo", "Time/distance ratio", 8, 38, 130, 16},
    {K::Label, "labelInspectionRatioHour", "PnlFinishDeviceInfo", "1h = ", 142, 38, 36, 16},
    {K::Combo, "CmBInspectionRatio", "PnlFinishDeviceInfo", "", 180, 36, 100, 22, None, "20|30|40|50|60|70"},
    {K::Label, "labelInspectionRatioUnit", "PnlFinishDeviceInfo", "km", 286, 38, 30, 16},
    {K::Button, "BtBSetNextInspection", "PnlFinishDeviceInfo", "Ustaw", 320, 20, 90, 26},
    {K::Label, "labelActualComputerCode", "PnlFinishDeviceInfo", "Kod komputera:", 8, 76, 150, 16},
    {K::Edit, "EdtActualComputerCode", "PnlFinishDeviceInfo", "", 180, 74, 120, 22},
    {K::Grid, "StGChangesList", "PnlFinishDeviceInfo", "", 8, 104, 400, 170, None, "2|6"},
    {K::Button, "BtnEncryptLangFiles", "PnlFinishDeviceInfo", "EncryptLangFiles", 420, 104, 130, 26, Hidden},
    {K::Label, "LblConfFinishWarnAutoCal", "PnlFinishDeviceInfo", "UWAGA: Nie wykonano autokalibracji!", 420, 140, 340, 40, Bold | Wrap},
    {K::Label, "LblConfFinish1", "PnlFinishDeviceInfo", "Konfiguracja zakończona.", 420, 140, 340, 20, Hidden},
    {K::Label, "LblConfFinish2", "PnlFinishDeviceInfo", "Autokalibracja wykonana.", 420, 162, 340, 20, Hidden},
    {K::Label, "LblConfFinish3", "PnlFinishDeviceInfo", "Można przejść do zbierania mapy.", 420, 184, 340, 20, Hidden},
    {K::Label, "labelNextInspectionIn", "PnlFinishDeviceInfo", "Do przeglądu pozostało [km]:", 8, 284, 186, 16},
    {K::Label, "LblNextInspectionInValue", "PnlFinishDeviceInfo", "0", 196, 284, 100, 16},
    {K::Button, "BtnConfPrintReport", "PnlFinishDeviceInfo", "Drukuj raport", 8, 316, 150, 26, Hidden},
    {K::Button, "BtnConfSwitchMap", "PnlFinishDeviceInfo", "Zbieranie mapy", 164, 316, 150, 26},

    // Calibration page: sub-pages above, common read-outs below.
    {K::PageControl, "PgCCalibration", "TbSCalibration", "", 0, 0, 776, 376},
    {K::Page, "TbSCalAuto", "PgCCalibration", "Autokalibracja (F8)", 0, 0, 0, 0},
    {K::Page, "TbSCalModel2", "PgCCalibration", "Model (F9)", 0, 0, 0, 0, Current},
    {K::Page, "TbSCalModel", "PgCCalibration", "Model (F9)", 0, 0, 0, 0},
    {K::Page, "TbSCalMap", "PgCCalibration", "Mapa (F10)", 0, 0, 0, 0},
    {K::Page, "TbSCalCorrections", "PgCCalibration", "Korekty (F11)", 0, 0, 0, 0},
    {K::Page, "TbSCalAdaptation", "PgCCalibration", "Adaptacja", 0, 0, 0, 0},
    {K::Panel, "PnlModOdcMain", "TbSCalibration", "", 0, 376, 776, 92},
    {K::Panel, "PnlModOdc", "PnlModOdcMain", "", 0, 0, 776, 92},
    {K::Label, "LblModRPM", "PnlModOdc", "Obroty", 5, 2, 103, 16},
    {K::Display, "DgDModRPM", "PnlModOdc", "0", 5, 18, 103, 40},
    {K::Label, "LblModPetrol", "PnlModOdc", "Tb [ms]", 113, 2, 103, 16},
    {K::Display, "DgDModPetrol", "PnlModOdc", "0.00", 113, 18, 103, 40},
    {K::Label, "LblModLPG", "PnlModOdc", "Tg [ms]", 221, 2, 103, 16},
    {K::Display, "DgDModLPG", "PnlModOdc", "0.00", 221, 18, 103, 40},
    {K::Panel, "PnlModPcol", "PnlModOdc", "", 328, 2, 120, 60},
    {K::Label, "labelModPcol", "PnlModPcol", "Pcol [bar]", 8, 0, 104, 16},
    {K::Display, "DgDModPcol", "PnlModPcol", "0.00", 8, 16, 103, 40},
    {K::Panel, "PnlModLambda", "PnlModOdc", "", 328, 2, 120, 60, Hidden},
    {K::Label, "labelModLambda", "PnlModLambda", "Lambda", 8, 0, 104, 16},
    {K::Panel, "PnlModBarLambda", "PnlModLambda", "", 4, 24, 112, 20},
    {K::Label, "LblModLambdaPnl", "PnlModBarLambda", "", 0, 0, 8, 20},
    {K::Label, "LblModPsys", "PnlModOdc", "Psys [bar]", 454, 2, 103, 16},
    {K::Display, "DgDModPsys", "PnlModOdc", "0.00", 454, 18, 103, 40},
    {K::Label, "LblModTred", "PnlModOdc", "Tred [°C]", 562, 2, 103, 16},
    {K::Display, "DgDModTred", "PnlModOdc", "0", 562, 18, 103, 40},
    {K::Label, "LblModTgaz", "PnlModOdc", "Tgaz [°C]", 670, 2, 103, 16},
    {K::Display, "DgDModTgaz", "PnlModOdc", "0", 670, 18, 103, 40},
    {K::Panel, "PnlModOdcHide", "PnlModOdcMain", "", 0, 0, 776, 92, Hidden},

    {K::Panel, "PnlCalAutoMain", "TbSCalAuto", "", 0, 0, 768, 348},
    {K::Panel, "PnlCalAutoRPM", "PnlCalAutoMain", "", 8, 8, 200, 80},
    {K::Label, "labelCalRPM", "PnlCalAutoRPM", "Obroty", 8, 4, 180, 16},
    {K::Display, "DgDCalRPM", "PnlCalAutoRPM", "0", 8, 22, 150, 50},
    {K::Label, "LblCalTxt3", "PnlCalAutoMain", "Trwa autokalibracja...", 220, 30, 400, 20, Hidden | Bold},
    {K::SpeedButton, "SpBCalStart", "PnlCalAutoMain", "Start", 8, 100, 96, 30},
    {K::SpeedButton, "SpBCalStop", "PnlCalAutoMain", "Stop", 112, 100, 96, 30, Disabled},
    {K::ProgressBar, "PrBCalPostep", "PnlCalAutoMain", "", 8, 140, 400, 20, Hidden, "0|100"},
    {K::Label, "LblCalInfo", "PnlCalAutoMain", "", 8, 166, 600, 20, Hidden | Bold},

    {K::Panel, "PnlCalModel2Main", "TbSCalModel2", "", 0, 0, 768, 348},
    {K::PageControl, "PgCModel2Model", "PnlCalModel2Main", "", 0, 0, 460, 348},
    {K::Page, "TbSModel2Model", "PgCModel2Model", "Model", 0, 0, 0, 0, Current},
    {K::Page, "TbSModel2Adaptation", "PgCModel2Model", "Adaptacja", 0, 0, 0, 0},
    {K::ScrollBox, "ScrChartModel2", "PnlCalModel2Main", "", 464, 0, 304, 240},
    {K::PaintBox, "ChtModel2", "ScrChartModel2", "", 0, 0, 300, 236},
    {K::Panel, "PnlModelKeyboardStatus", "PnlCalModel2Main", "", 464, 241, 304, 18},
    {K::Edit, "EdtChtModel2Keyboard", "PnlCalModel2Main", "", -1000, 0, 40, 20},
    {K::Slider, "TrBMod2MaxTb", "PnlCalModel2Main", "", 464, 261, 304, 22, None, "10|25"},
    {K::Label, "LblModel2DefaultOffset", "PnlCalModel2Main", "", 0, 0, 10, 10, Hidden},
    {K::Label, "LblModel2Info1", "PnlCalModel2Main", "", 464, 286, 304, 16},
    {K::Button, "BtBModel2Default", "PnlCalModel2Main", "Domyślny", 464, 316, 96, 26},
    {K::SpeedButton, "SpBModel2SetNewModel", "PnlCalModel2Main", "Nowy model", 564, 316, 96, 26},
    {K::Button, "BtBModel2Write", "PnlCalModel2Main", "Zapisz", 664, 316, 100, 26},
    {K::Panel, "PnlModel2ModelControls", "TbSModel2Model", "", 0, 0, 452, 120},
    {K::Label, "labelModel2Mult", "PnlModel2ModelControls", "Mnożnik [%]:", 8, 10, 120, 16},
    {K::SpinBox, "UpDModel2Mult", "PnlModel2ModelControls", "", 130, 8, 70, 22, None, "-100|200"},
    {K::YEdit, "YEdModel2MULT", "PnlModel2ModelControls", "", 206, 8, 70, 22},
    {K::Label, "labelModel2Offset", "PnlModel2ModelControls", "Przesunięcie [ms]:", 8, 38, 120, 16},
    {K::SpinBox, "UpDModel2Offset", "PnlModel2ModelControls", "", 130, 36, 70, 22, None, "-50|50"},
    {K::YEdit, "YEdModel2Offset", "PnlModel2ModelControls", "", 206, 36, 70, 22},
    {K::CheckBox, "ChBModel2ShowValues", "PnlModel2ModelControls", "Wartości", 290, 8, 150, 20, Checked},
    {K::Button, "BtBModel2Read", "PnlModel2ModelControls", "Odczytaj", 290, 34, 150, 26},
    {K::SpeedButton, "SpBModel2ReadFrom", "PnlModel2ModelControls", "Wczytaj z pliku...", 290, 64, 150, 26},
    {K::Panel, "PnlModel2WithIdlePoints", "TbSModel2Model", "", 0, 120, 452, 94},
    {K::CheckBox, "ChBModel2WithIdlePoints", "PnlModel2WithIdlePoints", "Punkty biegu jałowego", 8, 4, 200, 20},
    {K::CheckBox, "ChBModel2UseOnIdleModel", "PnlModel2WithIdlePoints", "Model na biegu jałowym", 220, 4, 220, 20},
    {K::Label, "labelIdlePoint1", "PnlModel2WithIdlePoints", "Punkt 1 (X, Y):", 8, 32, 120, 16},
    {K::YEdit, "YEdCalSerIdle1X", "PnlModel2WithIdlePoints", "", 130, 30, 70, 22},
    {K::YEdit, "YEdCalSerIdle1Y", "PnlModel2WithIdlePoints", "", 206, 30, 70, 22},
    {K::Label, "labelIdlePoint2", "PnlModel2WithIdlePoints", "Punkt 2 (X, Y):", 8, 60, 120, 16},
    {K::YEdit, "YEdCalSerIdle2X", "PnlModel2WithIdlePoints", "", 130, 58, 70, 22},
    {K::YEdit, "YEdCalSerIdle2Y", "PnlModel2WithIdlePoints", "", 206, 58, 70, 22},
    {K::SpinBox, "UpDCalSerIdle1X", "PnlModel2WithIdlePoints", "", 184, 30, 18, 22, None, "0|300"},
    {K::SpinBox, "UpDCalSerIdle1Y", "PnlModel2WithIdlePoints", "", 260, 30, 18, 22, None, "0|350"},
    {K::SpinBox, "UpDCalSerIdle2X", "PnlModel2WithIdlePoints", "", 184, 58, 18, 22, None, "0|300"},
    {K::SpinBox, "UpDCalSerIdle2Y", "PnlModel2WithIdlePoints", "", 260, 58, 18, 22, None, "0|350"},
    {K::Panel, "PnlModel2OnIdleModel", "PnlModel2WithIdlePoints", "", 290, 30, 150, 50},
    {K::Panel, "PnlModel2Params", "TbSModel2Model", "", 0, 214, 452, 104},
    {K::CheckBox, "ChBModel2CorrectionMask%1", "PnlModel2Params", "%1", 8, 6, 50, 20, None, "", 8, 54, 0},
    {K::Label, "labelModel2CorrectionMult", "PnlModel2Params", "Korekta [%]:", 8, 36, 120, 16},
    {K::SpinBox, "UpDModel2CorrectionMult", "PnlModel2Params", "", 130, 34, 70, 22, None, "-100|100"},
    {K::Label, "labelModel2CorrectionOffset", "PnlModel2Params", "Przesunięcie korekty [ms]:", 8, 64, 160, 16},
    {K::YEdit, "YEdModel2CorrectionOffset", "PnlModel2Params", "", 176, 62, 70, 22},
    {K::Panel, "PnlModel2AdaptControls", "TbSModel2Adaptation", "", 0, 0, 452, 318},
    {K::CheckBox, "ChBModel2Adaptation", "PnlModel2AdaptControls", "Adaptacja mapy", 8, 8, 300, 20},
    {K::Label, "LblModel2AdaptMapIncomplete", "PnlModel2AdaptControls", "Mapa adaptacji niekompletna", 8, 36, 430, 16},
    {K::Label, "LblModel2FinishWarnAutoCal", "PnlModel2AdaptControls", "Zakończ autokalibrację", 8, 58, 430, 16},

    {K::Panel, "PnlCalModel1Main", "TbSCalModel", "", 0, 0, 768, 348},
    {K::Panel, "PnlModel1Controls", "PnlCalModel1Main", "", 0, 0, 300, 348},
    {K::Label, "labelModMult", "PnlModel1Controls", "Mnożnik:", 8, 10, 120, 16},
    {K::Edit, "EdtModMULT_", "PnlModel1Controls", "", 130, 8, 70, 22, Hidden},
    {K::SpinBox, "UpDModMult", "PnlModel1Controls", "", 130, 8, 70, 22, None, "-40|40"},
    {K::Label, "labelModOffset", "PnlModel1Controls", "Przesunięcie [ms]:", 8, 38, 120, 16},
    {K::YEdit, "YEdModOffset", "PnlModel1Controls", "", 130, 36, 70, 22},
    {K::SpinBox, "UpDModOffset", "PnlModel1Controls", "", 202, 36, 18, 22, None, "-40|40"},
    {K::Label, "labelModProg", "PnlModel1Controls", "Progi:", 8, 66, 110, 16},
    {K::SpinBox, "UpDProgA", "PnlModel1Controls", "", 8, 84, 64, 22, None, "0|255"},
    {K::SpinBox, "UpDProgB", "PnlModel1Controls", "", 76, 84, 64, 22, None, "0|255"},
    {K::SpinBox, "UpDProgC", "PnlModel1Controls", "", 144, 84, 64, 22, None, "0|255"},
    {K::SpinBox, "UpDProgD", "PnlModel1Controls", "", 212, 84, 64, 22, None, "0|255"},
    {K::Label, "labelModWzbogacenie", "PnlModel1Controls", "Wzbogacenie:", 8, 112, 110, 16},
    {K::SpinBox, "UpDWzbogacenieProgA", "PnlModel1Controls", "", 8, 130, 64, 22, None, "-100|100"},
    {K::SpinBox, "UpDWzbogacenieProgB", "PnlModel1Controls", "", 76, 130, 64, 22, None, "-100|100"},
    {K::SpinBox, "UpDWzbogacenieProgC", "PnlModel1Controls", "", 144, 130, 64, 22, None, "-100|100"},
    {K::SpinBox, "UpDWzbogacenieProgD", "PnlModel1Controls", "", 212, 130, 64, 22, None, "-100|100"},
    {K::Label, "labelModCorrection", "PnlModel1Controls", "Korekta [%], przesunięcie [ms]:", 8, 160, 280, 16},
    {K::SpinBox, "UpDModCorrectionMult", "PnlModel1Controls", "", 8, 178, 70, 22, None, "-100|100"},
    {K::YEdit, "YEdModCorrectionOffset", "PnlModel1Controls", "", 84, 178, 70, 22},
    {K::CheckBox, "ChBModCorrectionMask%1", "PnlModel1Controls", "%1", 8, 208, 34, 20, None, "", 8, 36, 0},
    {K::Label, "LblModDefaultOffset", "PnlModel1Controls", "", 8, 236, 284, 16},
    {K::Label, "LblModInfo1", "PnlModel1Controls", "", 8, 256, 284, 40, Wrap},
    {K::Button, "BtBModDefault", "PnlModel1Controls", "Domyślny", 8, 316, 80, 26},
    {K::Button, "BtBModRead", "PnlModel1Controls", "Odczytaj", 92, 316, 80, 26},
    {K::SpeedButton, "SpBModReadFrom", "PnlModel1Controls", "Wczytaj z pliku...", 176, 316, 120, 26},
    {K::Chart, "ChtModel", "PnlCalModel1Main", "", 304, 0, 464, 310},
    {K::Button, "BtBModWrite", "PnlCalModel1Main", "Zapisz", 664, 316, 100, 26},

    {K::Panel, "PnlMapaMain", "TbSCalMap", "", 0, 0, 768, 348},
    {K::Chart, "ChtMapa", "PnlMapaMain", "", 0, 0, 604, 240},
    {K::Chart, "ChtMapa2", "PnlMapaMain", "", 0, 0, 604, 240, Hidden},
    {K::Chart, "ChtMapaQ3", "PnlMapaMain", "", 0, 0, 604, 240, Hidden},
    {K::Panel, "PnlCalLoadL", "PnlMapaMain", "Niskie obciążenie", 35, 244, 184, 22},
    {K::Panel, "PnlCalLoadM", "PnlMapaMain", "Średnie obciążenie", 219, 244, 184, 22},
    {K::Panel, "PnlCalLoadH", "PnlMapaMain", "Wysokie obciążenie", 403, 244, 184, 22},
    {K::Label, "labelCalMapPcol", "PnlMapaMain", "Pcol [bar]", 8, 272, 90, 16},
    {K::Display, "DgDCalMapPcol", "PnlMapaMain", "0.00", 8, 288, 90, 40},
    {K::Label, "labelCalMapRPM", "PnlMapaMain", "Obroty", 104, 272, 90, 16},
    {K::Display, "DgDCalMapRPM", "PnlMapaMain", "0", 104, 288, 90, 40},
    {K::Label, "labelCalMapRPMRange", "PnlMapaMain", "Zakres obrotów:", 204, 272, 180, 16},
    {K::Combo, "CmBCalMapRPMRange", "PnlMapaMain", "", 204, 288, 180, 22, None, RpmRangeItems},
    {K::Label, "LblCalMapNameFile", "PnlMapaMain", "", 204, 316, 396, 16},
    {K::CheckBox, "ChBCalMapRPMSound", "PnlMapaMain", "Dźwięki dla RPM", 394, 270, 200, 20},
    {K::CheckBox, "ChBCalMapFastMap", "PnlMapaMain", "Szybka mapa", 394, 292, 200, 20, Hidden},
    {K::CheckBox, "ChBCalMapChangeAxies", "PnlMapaMain", "Zamień osie", 394, 314, 100, 20},
    {K::CheckBox, "ChBMapQ3Visible", "PnlMapaMain", "Mapa Q3", 500, 314, 100, 20, Hidden},
    {K::Panel, "PnlMapaBtns", "PnlMapaMain", "", 608, 0, 160, 348},
    {K::Button, "BtnCalMapRead", "PnlMapaBtns", "Odczytaj mapę", 2, 6, 156, 26},
    {K::Button, "BtnCalMapPetrolClear", "PnlMapaBtns", "Wyczyść mapę benzyny", 2, 36, 156, 26},
    {K::Button, "BtnCalMapClearAdaptationTemplateClear", "PnlMapaBtns", "Wyczyść szablon", 2, 66, 156, 26},
    {K::Button, "BtnCalMapLoadFromFile", "PnlMapaBtns", "Wczytaj z pliku...", 2, 96, 156, 26},
    {K::Button, "BtnCalMapSetModel", "PnlMapaBtns", "Ustaw model", 2, 126, 156, 26},
    {K::Button, "BtnCalMapCalculate", "PnlMapaBtns", "Oblicz", 2, 166, 156, 26},
    {K::Button, "BtnCalMapCalcClear", "PnlMapaBtns", "Wyczyść obliczenia", 2, 196, 156, 26},
    {K::Button, "BtnCalMapAdjust", "PnlMapaBtns", "Kalibruj", 2, 226, 156, 26, Hidden},
    {K::Button, "BtnCalMapLPGClear", "PnlMapaBtns", "Wyczyść mapę LPG", 2, 256, 156, 26},
    {K::Button, "Button13", "PnlMapaBtns", "Vaccum Classification", 2, 286, 156, 26, Hidden | Disabled},
    {K::Button, "Button15", "PnlMapaBtns", "Tb classification", 2, 316, 156, 26, Hidden | Disabled},
    {K::CheckBox, "ChkCalMapAutoRefresh", "PnlMapaBtns", "Auto odczyty", 2, 286, 156, 20},
    {K::CheckBox, "ChBCalMapDetails", "PnlMapaBtns", "Szczegóły", 2, 306, 156, 20, Hidden},
    {K::Button, "BtnCalMapSaveAs", "PnlMapaBtns", "Zapisz mapę...", 2, 326, 76, 20, Hidden},
    {K::Button, "BtnCalMapLoad", "PnlMapaBtns", "Wczytaj mapę...", 82, 326, 76, 20, Hidden},
    {K::Label, "LblCalTxtY", "PnlMapaMain", "Tb [ms]", 4, 2, 60, 14},
    {K::Label, "LblCalTxtX", "PnlMapaMain", "Podciśnienie [bar]", 480, 226, 120, 14},
    {K::Label, "LblCalTxtX2", "PnlMapaMain", "Pcol", 4, 248, 30, 14},
    {K::Shape, "ShpMapPointPETROL", "PnlMapaMain", "", 8, 334, 10, 10},
    {K::Label, "LblLenMapPETROL", "PnlMapaMain", "0", 22, 332, 40, 14},
    {K::Shape, "ShpMapPointLPG", "PnlMapaMain", "", 70, 334, 10, 10},
    {K::Label, "LblLenMapLPG", "PnlMapaMain", "0", 84, 332, 40, 14},
    {K::Label, "LblCalMapMinTemp", "PnlMapaMain", "Minimalna temperatura reduktora > 40 °C", 204, 332, 396, 14},

    {K::Panel, "PnlCalCorrections", "TbSCalCorrections", "", 0, 0, 768, 348},
    {K::PageControl, "PgCCorrType", "PnlCalCorrections", "", 0, 0, 768, 316},
    {K::Page, "TbSMapCorr", "PgCCorrType", "Korekty mapy", 0, 0, 0, 0, Current},
    {K::Page, "TbSLinearCorr", "PgCCorrType", "Korekty liniowe", 0, 0, 0, 0},
    {K::Button, "BtnCorReadCorrections", "PnlCalCorrections", "Odczytaj", 560, 320, 100, 26},
    {K::Button, "BtnCorWriteCorrections", "PnlCalCorrections", "Zapisz", 664, 320, 100, 26},
    {K::PageControl, "PgCOBDAdaptationCorr", "TbSMapCorr", "", 0, 0, 560, 288},
    {K::Page, "TbSOBDAdaptCorrBank1", "PgCOBDAdaptationCorr", "Bank 1", 0, 0, 0, 0, Current},
    {K::Page, "TbSOBDAdaptCorrBank2", "PgCOBDAdaptationCorr", "Bank 2", 0, 0, 0, 0},
    {K::Panel, "PnlOBDAdaptationBank1Grid", "TbSOBDAdaptCorrBank1", "", 0, 0, 552, 232},
    {K::Grid, "StGOBDAdaptBank1RPMThresholds", "PnlOBDAdaptationBank1Grid", "", 44, 2, 504, 24, None, "10|1"},
    {K::Grid, "StGOBDAdaptBank1LoadThresholds", "PnlOBDAdaptationBank1Grid", "", 2, 28, 40, 202, None, "1|10"},
    {K::Grid, "StGOBDAdaptCorrsBank1", "PnlOBDAdaptationBank1Grid", "", 44, 28, 504, 202, None, "10|10"},
    {K::Panel, "PnlOBDAdaptationBank2Grid", "TbSOBDAdaptCorrBank2", "", 0, 0, 552, 232},
    {K::Grid, "StGOBDAdaptBank2RPMThresholds", "PnlOBDAdaptationBank2Grid", "", 44, 2, 504, 24, None, "10|1"},
    {K::Grid, "StGOBDAdaptBank2LoadThresholds", "PnlOBDAdaptationBank2Grid", "", 2, 28, 40, 202, None, "1|10"},
    {K::Grid, "StGOBDAdaptCorrsBank2", "PnlOBDAdaptationBank2Grid", "", 44, 28, 504, 202, None, "10|10"},
    {K::Label, "LblLoadBank1", "TbSOBDAdaptCorrBank1", "Tb", 4, 238, 30, 16},
    {K::Combo, "CmbMaxTbForLoadBank1", "TbSOBDAdaptCorrBank1", "", 36, 234, 60, 22},
    {K::Label, "LblLoadUnitBank1", "TbSOBDAdaptCorrBank1", "ms", 100, 238, 30, 16},
    {K::Button, "BtnPlus1Bank1", "TbSOBDAdaptCorrBank1", "+1", 136, 234, 40, 24},
    {K::Button, "BtnMinus1Bank1", "TbSOBDAdaptCorrBank1", "-1", 178, 234, 40, 24},
    {K::Button, "BtnPlus5Bank1", "TbSOBDAdaptCorrBank1", "+5", 220, 234, 40, 24},
    {K::Button, "BtnMinus5Bank1", "TbSOBDAdaptCorrBank1", "-5", 262, 234, 40, 24},
    {K::Button, "BtnZeroBank1", "TbSOBDAdaptCorrBank1", "=0", 304, 234, 40, 24},
    {K::Button, "BtnResetBank1", "TbSOBDAdaptCorrBank1", "Zeruj mapę", 416, 234, 132, 24},
    {K::Label, "LblLoadBank2", "TbSOBDAdaptCorrBank2", "Tb", 4, 238, 30, 16},
    {K::Combo, "CmbMaxTbForLoadBank2", "TbSOBDAdaptCorrBank2", "", 36, 234, 60, 22},
    {K::Label, "LblLoadUnitBank2", "TbSOBDAdaptCorrBank2", "ms", 100, 238, 30, 16},
    {K::Button, "BtnPlus1Bank2", "TbSOBDAdaptCorrBank2", "+1", 136, 234, 40, 24},
    {K::Button, "BtnMinus1Bank2", "TbSOBDAdaptCorrBank2", "-1", 178, 234, 40, 24},
    {K::Button, "BtnPlus5Bank2", "TbSOBDAdaptCorrBank2", "+5", 220, 234, 40, 24},
    {K::Button, "BtnMinus5Bank2", "TbSOBDAdaptCorrBank2", "-5", 262, 234, 40, 24},
    {K::Button, "BtnZeroBank2", "TbSOBDAdaptCorrBank2", "=0", 304, 234, 40, 24},
    {K::Button, "BtnResetBank2", "TbSOBDAdaptCorrBank2", "Zeruj mapę", 416, 234, 132, 24},
    {K::CheckBox, "ChBOBDAdaptationEnabled", "TbSMapCorr", "Korekty adaptacji OBD", 566, 6, 194, 20},
    {K::CheckBox, "ChBOBDModifyModelEnabled", "TbSMapCorr", "Modyfikacja modelu", 566, 28, 194, 20},
    {K::CheckBox, "ChBLoadFromPcol", "TbSMapCorr", "Obciążenie z Pcol", 566, 50, 194, 20},
    {K::Label, "labelActualAdaptCorr", "TbSMapCorr", "Aktualna korekta:", 566, 84, 194, 16},
    {K::Label, "labelActualAdaptCorrB1", "TbSMapCorr", "Bank 1:", 566, 104, 60, 16},
    {K::Label, "LblActualAdaptCorr_B1", "TbSMapCorr", "0", 630, 104, 60, 16, Bold},
    {K::Label, "labelActualAdaptCorrB2", "TbSMapCorr", "Bank 2:", 566, 124, 60, 16},
    {K::Label, "LblActualAdaptCorr_B2", "TbSMapCorr", "0", 630, 124, 60, 16, Bold},
    {K::Label, "StTOBDAdaptationActive", "TbSMapCorr", "Adaptacja OBD aktywna", 566, 150, 194, 32, Hidden | Bold | Wrap},
    {K::Panel, "PnlCalCorrPsys", "TbSLinearCorr", "", 0, 0, 190, 286},
    {K::CheckBox, "ChBActiveCorrectionPsys", "PnlCalCorrPsys", "Korekta Psys", 6, 4, 178, 20},
    {K::Button, "BtnCorPstandard", "PnlCalCorrPsys", "Standard", 6, 26, 90, 24},
    {K::Panel, "PnlCalCorrPsysTable", "PnlCalCorrPsys", "", 2, 54, 186, 230},
    {K::Panel, "panelCalCorrTgas", "TbSLinearCorr", "", 190, 0, 190, 286},
    {K::CheckBox, "ChBActiveCorrectionTgas", "panelCalCorrTgas", "Korekta Tgaz", 6, 4, 178, 20},
    {K::SpeedButton, "SpBtnCorTgasStandard", "panelCalCorrTgas", "Std", 6, 26, 42, 24},
    {K::SpeedButton, "SpBtnCorTgasSmall", "panelCalCorrTgas", "Mała", 50, 26, 42, 24},
    {K::SpeedButton, "SpBtnCorTgasBig", "panelCalCorrTgas", "Duża", 94, 26, 42, 24},
    {K::SpeedButton, "SpBtnCorTgasUserDefined", "panelCalCorrTgas", "Użytk.", 138, 26, 46, 24},
    {K::Panel, "PnlCalCorrTgasTable", "panelCalCorrTgas", "", 2, 54, 186, 230},
    {K::Panel, "panelCalCorrRpm", "TbSLinearCorr", "", 380, 0, 190, 286},
    {K::CheckBox, "ChBActiveCorrectionRPM", "panelCalCorrRpm", "Korekta RPM", 6, 4, 178, 20},
    {K::SpeedButton, "SpBtnCorRpmStandard", "panelCalCorrRpm", "Std", 6, 26, 42, 24},
    {K::SpeedButton, "SpBtnCorRpmSmall", "panelCalCorrRpm", "Mała", 50, 26, 42, 24},
    {K::SpeedButton, "SpBtnCorRpmBig", "panelCalCorrRpm", "Duża", 94, 26, 42, 24},
    {K::SpeedButton, "SpBtnCorRpmUserDefined", "panelCalCorrRpm", "Użytk.", 138, 26, 46, 24},
    {K::Panel, "PnlCalCorrPcol", "TbSLinearCorr", "", 570, 0, 190, 286},
    {K::CheckBox, "ChBActiveCorrectionPcol", "PnlCalCorrPcol", "Korekta Pcol", 6, 4, 178, 20},
    {K::Button, "BtnCorPcolStandard", "PnlCalCorrPcol", "Standard", 6, 26, 90, 24},
    {K::Button, "BtnCorPcolZero", "PnlCalCorrPcol", "0%", 100, 26, 50, 24, Hidden},
    {K::Panel, "PnlCalCorrPcolTable", "PnlCalCorrPcol", "", 2, 54, 186, 230},
    {K::Panel, "PnlCalCorrRpmTable", "panelCalCorrRpm", "", 2, 54, 186, 230},
    {K::Button, "BtnCorRPMzero", "panelCalCorrRpm", "0%", 100, 26, 50, 24, Hidden},
    {K::Button, "BtnCorTgasZero", "panelCalCorrTgas", "0%", 100, 26, 50, 24, Hidden},
    {K::Button, "BtnCorTgasStandard", "panelCalCorrTgas", "Standard", 6, 26, 90, 24, Hidden},
    {K::Button, "BtnCorPzero", "PnlCalCorrPsys", "0%", 100, 26, 50, 24, Hidden},

    // Wiring schema.
    {K::ScrollBox, "ScBSchema", "TbSSchema", "", 0, 0, 776, 468},
    {K::Image, "ImgSchema", "ScBSchema", "", 0, 0, 0, 0},

    // Quick-start page.
    {K::GroupBox, "GrBQSSoftVersions", "TbSQuickStart", "Wersje oprogramowania", 8, 4, 364, 86},
    {K::Label, "labelQSProgramSoftVer", "GrBQSSoftVersions", "Program:", 8, 20, 80, 16},
    {K::Label, "LblQSProgramSoftVer", "GrBQSSoftVersions", "----", 90, 20, 266, 16},
    {K::Label, "labelQSDeviceSoftVer", "GrBQSSoftVersions", "Sterownik:", 8, 40, 80, 16},
    {K::Label, "LblQSDeviceSoftVer", "GrBQSSoftVersions", "----", 90, 40, 266, 16},
    {K::Label, "labelQSAdapterSoftVer", "GrBQSSoftVersions", "Adapter:", 8, 60, 80, 16},
    {K::Label, "LblQSAdapterSoftVer", "GrBQSSoftVersions", "----", 90, 60, 266, 16},
    {K::GroupBox, "groupQSConnection", "TbSQuickStart", "Połączenie", 8, 94, 364, 116},
    {K::Panel, "PnlQSComPort", "groupQSConnection", "COM1", 8, 22, 80, 24},
    {K::Button, "BtnQSConnectStatus", "groupQSConnection", "Stan połączenia", 94, 22, 130, 24},
    {K::Button, "BtnQSAutoConnect", "groupQSConnection", "Połącz", 230, 22, 126, 24},
    {K::CheckBox, "ChBQSOffline", "groupQSConnection", "Off-line", 8, 52, 110, 20},
    {K::CheckBox, "ChBQSAutoSearch", "groupQSConnection", "Wyszukiwanie portów", 124, 52, 232, 20},
    {K::Button, "BtnQSLock", "groupQSConnection", "Zablokuj", 8, 80, 110, 26},
    {K::Button, "BtnQSUnlock", "groupQSConnection", "Odblokuj", 124, 80, 110, 26},
    {K::GroupBox, "groupQSSettings", "TbSQuickStart", "Ustawienia", 8, 214, 364, 126},
    {K::Button, "BtBQSReadFromFile", "groupQSSettings", "Odczyt ustawień z pliku...", 8, 22, 170, 26},
    {K::Button, "BtBQSWriteToFile", "groupQSSettings", "Zapis ustawień do pliku...", 186, 22, 170, 26},
    {K::Button, "BtBQSReset", "groupQSSettings", "Ustawienia fabryczne", 8, 54, 170, 26},
    {K::Button, "BtnQSUpgrade", "groupQSSettings", "Aktualizacja sterownika...", 186, 54, 170, 26},
    {K::CheckBox, "ChBQSDeviceUpgradeInfo", "groupQSSettings", "Przypomnienie o aktualizacji", 8, 90, 348, 20, Checked},
    {K::GroupBox, "groupQSHelp", "TbSQuickStart", "Pomoc", 8, 344, 364, 88},
    {K::Button, "BtnQSReadings", "groupQSHelp", "Odczyty (F2)", 8, 22, 170, 26},
    {K::Button, "BtnQSF1", "groupQSHelp", "O programie (F1)", 186, 22, 170, 26},
    {K::Button, "BtnQSSchema", "groupQSHelp", "Schemat instalacji", 8, 54, 170, 26},
    {K::Button, "BtnQSDocs", "groupQSHelp", "Dokumentacja", 186, 54, 170, 26},
    {K::Panel, "PnlQSRight", "TbSQuickStart", "", 380, 0, 396, 468},
    {K::GroupBox, "groupQSConfig", "PnlQSRight", " KONFIGURACJA (F3) ", 6, 4, 384, 92},
    {K::Button, "BtnQSConfigBased", "groupQSConfig", "Podstawowe", 8, 22, 118, 28},
    {K::Button, "BtnQSConfigSwitching", "groupQSConfig", "Przełączanie", 132, 22, 118, 28},
    {K::Button, "BtnQSConfigAdvanced", "groupQSConfig", "Zaawansowane", 256, 22, 118, 28},
    {K::Button, "BtnQSConfigInspection", "groupQSConfig", "Przegląd", 8, 56, 118, 28},
    {K::Button, "BtnQSConfigAutocalibration", "groupQSConfig", "Autokalibracja", 132, 56, 118, 28},
    {K::GroupBox, "groupQSCalibration", "PnlQSRight", " KALIBRACJA (F4) ", 6, 100, 384, 92},
    {K::Button, "BtnQSCalibrationModel", "groupQSCalibration", "Model", 8, 22, 118, 28},
    {K::Button, "BtnQSCalibrationMap", "groupQSCalibration", "Mapa", 132, 22, 118, 28},
    {K::Button, "BtnQSCalibrationCorrections", "groupQSCalibration", "Korekty", 256, 22, 118, 28},
    {K::Button, "BtnQSCalibrationAdaptation", "groupQSCalibration", "Adaptacja", 8, 56, 118, 28},
    {K::GroupBox, "groupQSDiagnostic", "PnlQSRight", " DIAGNOSTYKA (F6) ", 6, 196, 384, 92},
    {K::Button, "BtnQSDiagCylinderTest", "groupQSDiagnostic", "Test cylindrów", 8, 22, 118, 28},
    {K::Button, "BtnQSDiagTroublecodes", "groupQSDiagnostic", "Kody błędów", 132, 22, 118, 28},
    {K::Button, "BtnQSDiagRecorder", "groupQSDiagnostic", "Rejestrator", 256, 22, 118, 28},
    {K::Button, "BtnQSDiagInjTest", "groupQSDiagnostic", "Test wtryskiwaczy", 8, 56, 118, 28},
    {K::Button, "BtnQSDiagnostic", "groupQSDiagnostic", "Więcej...", 132, 56, 118, 28},
    {K::GroupBox, "groupQSAdapter", "PnlQSRight", " ADAPTER OBD (F7) ", 6, 292, 384, 92},
    {K::Button, "BtnQSAdapterInfo", "groupQSAdapter", "Informacje", 8, 22, 118, 28},
    {K::Button, "BtnQSAdapterConfig", "groupQSAdapter", "Konfiguracja", 132, 22, 118, 28},
    {K::Button, "BtnQSAdapterOBDReadings", "groupQSAdapter", "Odczyty OBD", 256, 22, 118, 28},
    {K::Button, "BtnQSAdapterOBDTroubleCodes", "groupQSAdapter", "Kody błędów OBD", 8, 56, 118, 28},
    {K::Button, "BtnQSAdapterAdaptiationOBD", "groupQSAdapter", "Adaptacja OBD", 132, 56, 118, 28},

    // Diagnostics.
    {K::PageControl, "PgCDiagnostyka", "TbSDiagnostic", "", 0, 0, 776, 468},
    {K::Page, "TbSDgnOscyloskop", "PgCDiagnostyka", "Rejestrator (Shift+F8)", 0, 0, 0, 0},
    {K::Page, "TbSDgnErrorCodes", "PgCDiagnostyka", "Kody błędów (Shift+F9)", 0, 0, 0, 0, Current},
    {K::Page, "TbSDgnAdvance", "PgCDiagnostyka", "Zaawansowane (Shift+F10)", 0, 0, 0, 0},

    {K::Panel, "PanelOscDisplays", "TbSDgnOscyloskop", "", 0, 10, 457, 416},
    {K::Panel, "PanelScale1", "PanelOscDisplays", "", 0, 0, 457, 16},
    {K::Label, "DgnLbl%1t", "PanelScale1", "", 90, 1, 20, 14, None, "", 9, 100, 0},
    {K::Panel, "PnlDgnCzasy", "PanelOscDisplays", "", 0, 16, 457, 96},
    {K::PaintBox, "PntBDgnCzasy", "PnlDgnCzasy", "", 0, 0, 457, 96},
    {K::Panel, "PnlDgnPressure", "PanelOscDisplays", "", 0, 112, 457, 96},
    {K::PaintBox, "PntBDgnPressure", "PnlDgnPressure", "", 0, 0, 457, 96},
    {K::Panel, "PnlDgnTemp", "PanelOscDisplays", "", 0, 208, 457, 96},
    {K::PaintBox, "PntBDgnTemp", "PnlDgnTemp", "", 0, 0, 457, 96},
    {K::Panel, "PnlDgnRPM", "PanelOscDisplays", "", 0, 304, 457, 96},
    {K::PaintBox, "PntBDgnRPM", "PnlDgnRPM", "", 0, 0, 457, 96},
    {K::Panel, "panelScale2", "PanelOscDisplays", "", 0, 400, 457, 16},
    {K::Label, "DgnLbl%1b", "panelScale2", "", 90, 1, 20, 14, None, "", 9, 100, 0},
    {K::Panel, "PnlDgnCursor", "TbSDgnOscyloskop", "", 2, 10, 1, 419},
    {K::Panel, "PnlDgnHandle1", "TbSDgnOscyloskop", "", -3, 0, 11, 10},
    {K::Panel, "PnlDgnHandle2", "TbSDgnOscyloskop", "", -3, 429, 11, 10},
    // The channel lists name their choice on two lines ("Napięcie" /
    // "zasilania"): the label column is a little wider for them, the time
    // column moved right by as much.
    {K::Panel, "PnlOscLabelsDigs", "TbSDgnOscyloskop", "", 462, 10, 212, 416},
    {K::Panel, "PnlOscLabels", "PnlOscLabelsDigs", "", 0, 0, 82, 416},
    {K::Label, "LblDgnTb", "PnlOscLabels", "Tb [ms]", 4, 26, 70, 16},
    {K::Label, "LblDgnTg", "PnlOscLabels", "Tg [ms]", 4, 74, 70, 16},
    {K::Label, "LblDgnPsys", "PnlOscLabels", "Psys [bar]", 4, 122, 70, 16},
    {K::Label, "LblDgnPcol", "PnlOscLabels", "Pcol [bar]", 4, 170, 70, 16},
    {K::Label, "LblDgnTempR", "PnlOscLabels", "Tred [°C]", 4, 218, 70, 16},
    {K::Label, "LblDgnTempG", "PnlOscLabels", "Tgaz [°C]", 4, 266, 70, 16},
    {K::Label, "LblDgnRPM", "PnlOscLabels", "RPM", 4, 312, 70, 16},
    {K::Label, "LblBDgnWybor1", "PnlOscLabels", "", 0, 337, 6, 14},
    {K::Combo, "CmBDgnWybor1", "PnlOscLabels", "", 8, 335, 74, 28, Small | Wrap, WyborItems},
    {K::Label, "LblBDgnWybor2", "PnlOscLabels", "", 0, 366, 6, 14},
    {K::Combo, "CmBDgnWybor2", "PnlOscLabels", "", 8, 364, 74, 28, Small | Wrap, WyborItems},
    {K::Panel, "PnlOscDigs", "PnlOscLabelsDigs", "", 82, 0, 130, 416},
    {K::Display, "DgDDgnTb", "PnlOscDigs", "0.00", 5, 16, 90, 38},
    {K::Display, "DgDDgnTg", "PnlOscDigs", "0.00", 5, 64, 90, 38},
    {K::Display, "DgDDgnPsys", "PnlOscDigs", "0.00", 5, 112, 90, 38},
    {K::Display, "DgDDgnPcol", "PnlOscDigs", "0.00", 5, 160, 90, 38},
    {K::Display, "DgDDgnTempR", "PnlOscDigs", "0.0", 5, 208, 90, 38},
    {K::Display, "DgDDgnTempG", "PnlOscDigs", "0.0", 5, 256, 90, 38},
    {K::Display, "DgDDgnRPM", "PnlOscDigs", "0", 5, 304, 90, 26},
    {K::Display, "DgDDgnWybor1", "PnlOscDigs", "0.00", 5, 333, 90, 26},
    {K::Display, "DgDDgnWybor2", "PnlOscDigs", "0.00", 5, 362, 90, 26},
    {K::Label, "labelDgnCzas", "TbSDgnOscyloskop", "Czas [s]", 677, 10, 92, 16},
    {K::Display, "DgDDgnCzas", "TbSDgnOscyloskop", "0.00", 677, 26, 92, 38},
    {K::Button, "BtnDgnStart", "TbSDgnOscyloskop", "Start", 677, 80, 92, 28},
    {K::Button, "BtnDgnReset", "TbSDgnOscyloskop", "Reset", 677, 112, 92, 28},
    {K::CheckBox, "ChBDgnAutoSave", "TbSDgnOscyloskop", "Auto zapis", 677, 146, 92, 20, Hidden},
    {K::CheckBox, "CkBTestALAM", "TbSDgnOscyloskop", "ALAM", 677, 170, 92, 20, Hidden},

    {K::Panel, "PnlOdcTroubleCode", "TbSDgnErrorCodes", "", 0, 0, 768, 440},
    {K::Panel, "PnlOdcActTroubleCode", "PnlOdcTroubleCode", "", 0, 0, 500, 190},
    {K::Label, "labelOdcTroubleCodeAct", "PnlOdcActTroubleCode", "Aktualne kody błędów i komunikaty", 4, 2, 490, 18, Bold},
    {K::Memo, "MemOdcTroubleCodeAct", "PnlOdcActTroubleCode", "", 4, 22, 492, 164},
    {K::Label, "labelOdcTroubleCodeStored", "PnlOdcTroubleCode", "Zapamiętane kody błędów i  komunikaty", 4, 194, 490, 18, Bold},
    {K::Memo, "MemOdcTroubleCodeStored", "PnlOdcTroubleCode", "", 4, 214, 492, 222},
    {K::Label, "labelOdcTroubleFrame", "PnlOdcTroubleCode", "Parametry zamrożone", 506, 2, 258, 18, Bold},
    {K::Memo, "MemOdcTroubleFrame", "PnlOdcTroubleCode", "", 506, 22, 258, 340},
    {K::SpeedButton, "SpBOdcReadTC", "PnlOdcTroubleCode", "Odczytaj", 506, 370, 258, 30},
    {K::SpeedButton, "SpBOdcClearTroubleCode", "PnlOdcTroubleCode", "Usuń kody błędów", 506, 404, 258, 30},

    {K::Panel, "PnlDgnAdvance", "TbSDgnAdvance", "", 0, 0, 768, 440},
    {K::Panel, "PnlDgnAdvReadings", "PnlDgnAdvance", "", 0, 0, 500, 180},
    {K::Label, "labelDgnAdvRPM", "PnlDgnAdvReadings", "Obroty", 4, 2, 92, 16},
    {K::Display, "DgDDgnAdvRPM", "PnlDgnAdvReadings", "0", 4, 18, 92, 38},
    {K::Label, "labelDgnAdvPsys", "PnlDgnAdvReadings", "Psys [bar]", 102, 2, 92, 16},
    {K::Display, "DgDDgnAdvPsys", "PnlDgnAdvReadings", "0.00", 102, 18, 92, 38},
    {K::Label, "labelDgnAdvPcol", "PnlDgnAdvReadings", "Pcol [bar]", 200, 2, 92, 16},
    {K::Display, "DgDDgnAdvPcol", "PnlDgnAdvReadings", "0.00", 200, 18, 92, 38},
    {K::Label, "labelDgnAdvTred", "PnlDgnAdvReadings", "Tred [°C]", 298, 2, 92, 16},
    {K::Display, "DgDDgnAdvTred", "PnlDgnAdvReadings", "0", 298, 18, 92, 38},
    {K::Label, "labelDgnAdvTgas", "PnlDgnAdvReadings", "Tgaz [°C]", 396, 2, 92, 16},
    {K::Display, "DgDDgnAdvTgas", "PnlDgnAdvReadings", "0", 396, 18, 92, 38},
    {K::Label, "LblDgnAdvPetrol", "PnlDgnAdvReadings", "Tb [ms]", 4, 62, 92, 16},
    {K::Display, "DgDDgnAdvPetrol", "PnlDgnAdvReadings", "0.00", 4, 78, 92, 38},
    {K::Label, "labelDgnAdvCylinder%1", "PnlDgnAdvReadings", "%1", 102, 62, 46, 16, None, "", 8, 49, 0},
    {K::Label, "LblDgnAdvPetrol%1", "PnlDgnAdvReadings", "", 102, 88, 46, 16, None, "", 8, 49, 0},
    {K::Label, "LblDgnAdvGas", "PnlDgnAdvReadings", "Tg [ms]", 4, 120, 92, 16},
    {K::Display, "DgDDgnAdvGas", "PnlDgnAdvReadings", "0.00", 4, 136, 92, 38},
    {K::Label, "LblDgnAdvGas%1", "PnlDgnAdvReadings", "", 102, 146, 46, 16, None, "", 8, 49, 0},
    {K::Panel, "PnlDgnAdvLambda", "PnlDgnAdvance", "", 0, 182, 500, 32},
    {K::Label, "labelDgnAdvLambda", "PnlDgnAdvLambda", "Lambda", 4, 8, 60, 16},
    {K::Panel, "PnlDgnAdvBarLambda", "PnlDgnAdvLambda", "", 70, 6, 300, 20},
    {K::Label, "LblDgnAdvLambdaPnl", "PnlDgnAdvBarLambda", "", 0, 0, 10, 20},
    {K::GroupBox, "groupDgnEmulator", "PnlDgnAdvance", "Emulator", 0, 218, 500, 114},
    {K::DipSwitch, "DpSSwitchCh%1", "groupDgnEmulator", "", 8, 18, 30, 56, None, "", 8, 36, 0},
    {K::DipSwitch, "DpSValve", "groupDgnEmulator", "", 310, 18, 30, 56},
    {K::Label, "labelDgnValve", "groupDgnEmulator", "Zawór", 346, 38, 60, 16},
    {K::Button, "BtnDngAdvEmulatorAllPetrol", "groupDgnEmulator", "Wszystkie na benzynę", 8, 80, 150, 26},
    {K::Button, "BtnDngEmulatorAllGas", "groupDgnEmulator", "Wszystkie na gaz", 164, 80, 150, 26},
    {K::Button, "BtnDngReadEmulator", "groupDgnEmulator", "Odczytaj", 320, 80, 100, 26},
    {K::Panel, "PnlDgnAdvEmergencyStarts", "PnlDgnAdvance", "", 506, 0, 262, 52},
    {K::Label, "labelDgnAdvEmergencyStarts", "PnlDgnAdvEmergencyStarts", "Awaryjne uruchomienia:", 4, 4, 254, 16},
    {K::Edit, "EdtDgnAdvEmergencyStarts", "PnlDgnAdvEmergencyStarts", "", 4, 24, 100, 22},
    {K::Button, "BtnDgnAdvEmergencyStartsReset", "PnlDgnAdvEmergencyStarts", "Reset", 110, 23, 64, 24},
    {K::Panel, "PnlDgnAdvTempPCB", "PnlDgnAdvance", "", 506, 56, 262, 76},
    {K::Label, "labelDgnAdvTpcb", "PnlDgnAdvTempPCB", "Maks. temperatura płytki [°C]:", 4, 4, 254, 16},
    {K::Edit, "EdtDgnAdvTpcb", "PnlDgnAdvTempPCB", "", 4, 22, 100, 22},
    {K::Button, "BtnResetTempVariable", "PnlDgnAdvTempPCB", "Reset", 110, 21, 64, 24},
    {K::Label, "labelDgnAdvActualTpcb", "PnlDgnAdvTempPCB", "Temperatura płytki [°C]:", 4, 52, 150, 16},
    {K::Edit, "EdtDgnAdvActualTpcb", "PnlDgnAdvTempPCB", "", 158, 50, 100, 22},
    {K::Panel, "panelDgnInjSystemType", "PnlDgnAdvance", "", 506, 136, 262, 96},
    {K::Label, "LblDgnAdvActualInjSystemType", "panelDgnInjSystemType", "Aktualny układ wtryskowy:", 4, 4, 254, 16},
    {K::Combo, "CmBDgnAdvLblDgnAdvActualInjSystemType", "panelDgnInjSystemType", "", 4, 22, 254, 22},
    {K::Label, "LblDgnAdvOtherInjSystemType", "panelDgnInjSystemType", "Inny układ wtryskowy:", 4, 48, 254, 16},
    {K::Combo, "CmBDgnAdvLblDgnAdvOtherInjSystemType", "panelDgnInjSystemType", "", 4, 66, 184, 22},
    {K::Button, "BtnDgnAdvOtherInjSystemTypeReset", "panelDgnInjSystemType", "Reset", 194, 65, 64, 24},
    {K::Panel, "panelDgnInjectors", "PnlDgnAdvance", "", 506, 236, 262, 96},
    {K::Button, "BtnDgnInjectorsTest", "panelDgnInjectors", "Testy wtryskiwaczy gazowych", 4, 4, 254, 28},
    {K::Button, "BtnDgnInjCleaning", "panelDgnInjectors", "Czyszczenie wtryskiwaczy gazowych", 4, 36, 254, 28},
    {K::Label, "labelDgnCycles", "panelDgnInjectors", "Cykle:", 4, 72, 60, 16},
    {K::SpinBox, "UpDDgnCycles", "panelDgnInjectors", "", 66, 69, 64, 22, None, "1|100"},
    {K::GroupBox, "groupDgnELAM", "PnlDgnAdvance", "EMULACJA SONDY LAMBDA", 0, 336, 768, 100, Hidden},
    {K::Combo, "CmBELAM1", "groupDgnELAM", "", 8, 22, 80, 22, None, "-50%|-40%|-30%|-20%|-10%|0|10%|20%|30%|40%|50%"},
    {K::Combo, "CmBELAM2", "groupDgnELAM", "", 94, 22, 80, 22, None, TenthItems},
    {K::Combo, "CmBELAM_Hi", "groupDgnELAM", "", 180, 22, 80, 22, None, TenthItems},
    {K::Edit, "EdtELAM_Hi", "groupDgnELAM", "", 266, 22, 70, 22},
    {K::Combo, "CmBELAM_Lo", "groupDgnELAM", "", 342, 22, 80, 22, None, TenthItems},
    {K::Edit, "EdtELAM_Lo", "groupDgnELAM", "", 428, 22, 70, 22},
    {K::Combo, "CmBELAM_Func", "groupDgnELAM", "", 8, 54, 166, 22, None, "0- Kwadratowa|1- Prostokątna"},
    {K::Panel, "Pnl_ELAM_F1", "groupDgnELAM", "", 180, 50, 160, 40},
    {K::Panel, "Pnl_ELAM_F2", "groupDgnELAM", "", 344, 50, 160, 40},
    {K::Button, "BtnDgnELAMRead", "groupDgnELAM", "Read", 580, 22, 86, 26},
    {K::Button, "BtnDgnELAMWrite", "groupDgnELAM", "Write", 672, 22, 86, 26},

    // Service tests.
    {K::PageControl, "testsPageControl", "TbSTests", "", 0, 0, 776, 420},
    {K::Page, "serviceSheet", "testsPageControl", "Serwis", 0, 0, 0, 0, Hidden},
    {K::Page, "currentSheet", "testsPageControl", "Prąd", 0, 0, 0, 0, Hidden},
    {K::Page, "TabSheet2", "testsPageControl", "TestTab", 0, 0, 0, 0, Current},
    {K::Page, "TbsTestInjControl", "testsPageControl", "Sterowanie wtryskiwaczami", 0, 0, 0, 0},
    {K::Page, "TbSFreezedFrames", "testsPageControl", "Zamrożone ramki", 0, 0, 0, 0},
    {K::Label, "labelTestVariable", "TbSTests", "Zmienna testowa [ms]:", 8, 436, 150, 16},
    {K::Display, "DgDTestVariable", "TbSTests", "0.00", 160, 424, 100, 40},

    {K::Button, "Button3", "serviceSheet", "Read", 8, 8, 80, 24},
    {K::Button, "Button4", "serviceSheet", "Write", 92, 8, 80, 24},
    {K::Button, "Button1", "serviceSheet", "Programuj", 176, 8, 90, 24},
    {K::Combo, "CmbMykCondition", "serviceSheet", "", 8, 40, 160, 22, None,
     "WYŁĄCZONY|Tb (ms)|RPM >(calc)|RPM <(calc)|4|5|6|7|8|9|10|11|12|13|14|15|Pcol (bar - calc)"},
    {K::Edit, "EdtP1", "serviceSheet", "", 176, 40, 80, 22},
    {K::Edit, "EdtP2", "serviceSheet", "", 262, 40, 80, 22},
    {K::Label, "LblTemp", "serviceSheet", "", 8, 68, 500, 16},
    {K::Edit, "EdtTRpm", "serviceSheet", "", 8, 92, 80, 22},
    {K::Button, "BtnTcalcRPM", "serviceSheet", "calc", 92, 91, 250, 24},
    {K::Button, "Button2", "serviceSheet", "Reset=0 +myk", 8, 124, 120, 24},
    {K::Button, "Button6", "serviceSheet", "Reset", 132, 124, 80, 24, Hidden},
    {K::Button, "Button7", "serviceSheet", "Restet=200", 216, 124, 120, 24},
    {K::Button, "Button8", "serviceSheet", "Standard", 340, 124, 80, 24, Hidden},

    {K::Chart, "ChtPrad", "currentSheet", "", 0, 0, 768, 356},
    {K::Button, "Button9", "currentSheet", "Clear", 8, 360, 80, 24},

    {K::GroupBox, "groupTestMode", "TabSheet2", "TestMode", 8, 4, 250, 112},
    {K::CheckBox, "ChBSrvTestMode", "groupTestMode", "TestMode", 8, 20, 200, 20},
    {K::Edit, "EdtSrvTestP1", "groupTestMode", "", 8, 46, 80, 22},
    {K::Edit, "EdtSrvTestP2", "groupTestMode", "", 96, 46, 80, 22},
    {K::Button, "BtnSrvTMRead", "groupTestMode", "Read", 8, 78, 80, 26},
    {K::Button, "BtnSrvTMWrite", "groupTestMode", "Write", 96, 78, 80, 26},
    {K::CheckBox, "ChBSrvMasterMode", "TabSheet2", "MasterMode", 16, 126, 120, 20},
    {K::Button, "Button10", "TabSheet2", "Read", 140, 124, 80, 24},
    {K::Button, "BtnSrvReadCntReset", "TabSheet2", "Read cntReset=", 270, 8, 230, 24},
    {K::Button, "BtnSrvReadCurrInj", "TabSheet2", "Read CurrentInj", 270, 36, 230, 24},
    {K::Button, "BtnSrvReadCurr", "TabSheet2", "Curr", 270, 64, 230, 24},
    {K::Button, "BtnSrvClear", "TabSheet2", "Clear", 270, 92, 230, 24},
    {K::Button, "Button5", "TabSheet2", "Read All", 270, 120, 230, 24},
    {K::Button, "BtnSrvReadCAP_TIE_enable", "TabSheet2", "Read", 270, 148, 70, 24},
    {K::CheckBox, "ChBDgnCAP_TIE_enable", "TabSheet2", "Pomiar z przerwaniami", 346, 150, 166, 20},
    {K::Button, "BtnSrvSoftVer", "TabSheet2", "SoftVer=", 270, 176, 230, 24},
    {K::Button, "BtnReadATD", "TabSheet2", "BtnReadATD", 270, 204, 230, 24},
    {K::Button, "BtnSrvReadTpcb", "TabSheet2", "ReadTpcb", 270, 232, 230, 24, Hidden},
    {K::Button, "Button14", "TabSheet2", "Clear Max T", 270, 260, 230, 24, Hidden},
    {K::CheckBox, "ChBTestSourceLIN", "TabSheet2", "Źródło LIN", 516, 8, 240, 20},
    {K::CheckBox, "ChBTestCorrectionSumary", "TabSheet2", "Sumowanie korekt", 516, 30, 240, 20},
    {K::CheckBox, "ChBTestOption3", "TabSheet2", "Opcja 3", 516, 52, 240, 20},
    {K::CheckBox, "ChBTestOption4", "TabSheet2", "Opcja 4", 516, 74, 240, 20},
    {K::CheckBox, "ChBTestOption5", "TabSheet2", "Opcja 5", 516, 96, 240, 20},
    {K::Label, "labelMinGasInjTime", "TabSheet2", "Min. czas wtrysku [ms]:", 516, 124, 150, 16},
    {K::Combo, "CmBMinGasInjTime", "TabSheet2", "", 670, 122, 90, 22, None, MinGasTimeItems},
    {K::Label, "labelMaxGasInjTime", "TabSheet2", "Maks. czas wtrysku [ms]:", 516, 150, 150, 16},
    {K::Combo, "CmBMaxGasInjTime", "TabSheet2", "", 670, 148, 90, 22, None, "15|16|17|18|19|20|21|22|23|24|25"},
    {K::Label, "labelValveStateLowPcolThreshold", "TabSheet2", "Próg Pcol zaworu [bar]:", 516, 176, 150, 16},
    {K::Combo, "CmBValveStateLowPcolThreshold", "TabSheet2", "", 670, 174, 90, 22, None, ValveThresholdItems},
    {K::Button, "Button17", "TabSheet2", "Odczytaj", 516, 204, 118, 24, Hidden},
    {K::Button, "Button20", "TabSheet2", "Zapisz", 642, 204, 118, 24, Hidden},
    {K::Button, "BtnSrvTester", "TabSheet2", "TEST Q3", 8, 300, 120, 24, Hidden},
    {K::Button, "BtnSrvTesterAdapter", "TabSheet2", "TEST ADAPTER", 134, 300, 120, 24, Hidden},
    {K::SpeedButton, "SpBDebugTesty", "TabSheet2", "TESTY", 260, 300, 120, 24, Hidden},

    {K::Label, "labelInjFullOpenTime", "TbsTestInjControl", "Czas pełnego otwarcia [ms]:", 8, 12, 200, 16},
    {K::Edit, "EdtInjFullOpenTime", "TbsTestInjControl", "", 210, 10, 90, 22},
    {K::Label, "labelInjPwmFreq", "TbsTestInjControl", "Częstotliwość PWM [Hz]:", 8, 40, 200, 16},
    {K::Edit, "EdtInjPwmFreq", "TbsTestInjControl", "", 210, 38, 90, 22},
    {K::Label, "labelInjPwmDuty", "TbsTestInjControl", "Wypełnienie PWM [%]:", 8, 68, 200, 16},
    {K::Edit, "EdtInjPwmDuty", "TbsTestInjControl", "", 210, 66, 90, 22},
    {K::Button, "BtnTestInjControlRead", "TbsTestInjControl", "Odczytaj", 8, 100, 120, 26},
    {K::Button, "BtnTestInjControlWrite", "TbsTestInjControl", "Zapisz", 134, 100, 120, 26},

    {K::Memo, "MemTroubleCodeAct", "TbSFreezedFrames", "", 4, 4, 370, 150},
    {K::Grid, "StGStoredTroubleCodes", "TbSFreezedFrames", "", 4, 160, 370, 228, None, "1|10"},
    {K::Memo, "MemFreezedFrame", "TbSFreezedFrames", "", 380, 4, 380, 150},
    {K::Label, "labelActiveFreezedFrame", "TbSFreezedFrames", "Parametry zamrożone dla wybranego błędu", 380, 158, 380, 16},
    {K::Memo, "MemActiveFreezedFrame", "TbSFreezedFrames", "", 380, 176, 380, 178},
    {K::SpeedButton, "SpBDebugReadTroubleCodes", "TbSFreezedFrames", "Odczytaj", 380, 360, 186, 28},
    {K::SpeedButton, "SpBDebugEraseTroubleCodes", "TbSFreezedFrames", "Usuń kody błędów", 572, 360, 188, 28},

    // Adapter pages: places where the adapter windows dock their panels.
    {K::PageControl, "PgCAdapterMain", "TbSAdapter", "", 0, 0, 776, 468},
    {K::Page, "TbSAdapterMultiInfo", "PgCAdapterMain", "INFO", 0, 0, 0, 0, Current},
    {K::Page, "TbSAdapterMultiOBD", "PgCAdapterMain", "OBD", 0, 0, 0, 0},
    {K::Page, "TbSAdapterMultiAIO", "PgCAdapterMain", "AIO", 0, 0, 0, 0},
    {K::Panel, "PnlAdapterMultiInfo", "TbSAdapterMultiInfo", "", 0, 0, 768, 440},
    {K::Panel, "PnlAdapterMultiOBD", "TbSAdapterMultiOBD", "", 0, 0, 768, 440},
    {K::Panel, "PnlAdapterMultiAIO", "TbSAdapterMultiAIO", "", 0, 0, 768, 440},

    // Status bar: panels on the left, gas switch and device on the right.
    {K::StatusBar, "statusBar", "", "", 0, 0, 0, 0},
    {K::Panel, "PnlStatus", "statusBar", "Urządzenie niepodłączone", 0, 0, 200, 20, Bold},
    {K::Panel, "PnlStatusOffline", "statusBar", "OFF-LINE", 0, 0, 70, 20, Hidden | Bold},
    {K::Panel, "PnlStatusLock", "statusBar", "Urządzenie zablokowane", 0, 0, 160, 20, Hidden},
    {K::Panel, "PnlStatusVer", "statusBar", "Nieobsługiwana wersja oprogramowania", 0, 0, 220, 20, Hidden},
    {K::Panel, "PnlStatusText", "statusBar", "", 0, 0, 60, 20},
    {K::Panel, "PnlStatusAutoConnect", "PnlStatusText", "", 0, 0, 60, 20, Hidden},
    {K::Label, "LblStatusAutoConnect", "PnlStatusText", "", 0, 0, 60, 20, Hidden},
    {K::Panel, "PnlStatusMapAdaptationActive", "statusBar", "Adaptacja mapy", 0, 0, 100, 20, Hidden},
    {K::Panel, "PnlStatusOBDAdaptationActive", "statusBar", "Adaptacja OBD", 0, 0, 100, 20, Hidden},
    {K::Panel, "PnlStatusCorrMapActive", "statusBar", "Korekta mapy", 0, 0, 110, 20, Hidden},
    {K::Panel, "PnlStatusCorrectionRPM", "statusBar", "RPM", 0, 0, 44, 20, Hidden},
    {K::Panel, "PnlStatusCorrectionPcol", "statusBar", "Pcol", 0, 0, 44, 20, Hidden},
    {K::Panel, "PnlStatusCorrectionTgas", "statusBar", "Tgaz", 0, 0, 44, 20, Hidden},
    {K::Panel, "PnlStatusCorrectionPsys", "statusBar", "Psys", 0, 0, 44, 20, Hidden},
    {K::Panel, "PnlStatusGazSwitch", "statusBar", "", 0, 0, 120, 20, Permanent},
    {K::Shape, "ShpStatusGazState", "PnlStatusGazSwitch", "", 4, 3, 14, 14},
    {K::Panel, "PnlStatusGazSwitchText", "PnlStatusGazSwitch", "Benzyna", 22, 0, 96, 20},
    {K::Panel, "PnlStatusDeviceInfo", "statusBar", "", 0, 0, 140, 20, Permanent},
    {K::SpeedButton, "SpBStatusDeviceInfo", "PnlStatusDeviceInfo", "----", 0, 0, 139, 19},

    // Main menu.
    {K::Menu, "MenuFile", "MainMenu", "&Plik", 0, 0, 0, 0},
    {K::Action, "MnIFilePrintSch", "MenuFile", "Drukuj schemat...", 0, 0, 0, 0, None, "Ctrl+P"},
    {K::Action, "MnIFileSettings", "MenuFile", "Karta montażu...", 0, 0, 0, 0},
    {K::Action, "MnIFileSaveAs", "MenuFile", "Zapisz konfigurację jako...", 0, 0, 0, 0, None, "Ctrl+S"},
    {K::Action, "MnIFileLoadCnf", "MenuFile", "Wczytaj ustawienia z pliku...", 0, 0, 0, 0, None, "Ctrl+O"},
    {K::Separator, "", "MenuFile", "", 0, 0, 0, 0},
    {K::Action, "MnIFileExit", "MenuFile", "&Koniec", 0, 0, 0, 0, None, "Alt+F4"},
    {K::Menu, "MenuDevice", "MainMenu", "&Urządzenie", 0, 0, 0, 0},
    {K::Action, "MnIDeviceConnect", "MenuDevice", "Połącz automatycznie", 0, 0, 0, 0, None, "Ctrl+R"},
    {K::Action, "MnIDeviceCOM_X", "MenuDevice", "COM ...", 0, 0, 0, 0, None, "Alt+0"},
    {K::Action, "MnIDeviceOffline", "MenuDevice", "Off-line", 0, 0, 0, 0, Checkable, "Ctrl+E"},
    {K::Action, "MnIDeviceAutoSearch", "MenuDevice", "Wyszukiwanie portów", 0, 0, 0, 0, Checkable, "Ctrl+W"},
    {K::Separator, "", "MenuDevice", "", 0, 0, 0, 0},
    {K::Action, "MnIDeviceStart", "MenuDevice", "&Start", 0, 0, 0, 0, Hidden | Disabled},
    {K::Action, "MnIDeviceStop", "MenuDevice", "&Stop", 0, 0, 0, 0, Hidden | Disabled},
    {K::Action, "MnIDeviceLock", "MenuDevice", "Zablokuj", 0, 0, 0, 0},
    {K::Action, "MnIDeviceUnlock", "MenuDevice", "Odblokuj", 0, 0, 0, 0},
    {K::Separator, "", "MenuDevice", "", 0, 0, 0, 0},
    {K::Action, "MnIDeviceReset", "MenuDevice", "Przywróć ustawienia fabryczne / Reset", 0, 0, 0, 0},
    {K::Separator, "", "MenuDevice", "", 0, 0, 0, 0},
    {K::Action, "MnIDeviceUpgradeFirmware", "MenuDevice", "Aktualizacja sterownika...", 0, 0, 0, 0},
    {K::Action, "MnIDeviceUpgradeInfo", "MenuDevice", "Przypomnienie o aktualizacji", 0, 0, 0, 0, Checkable | Checked},
    {K::Menu, "MenuWindow", "MainMenu", "&Okno", 0, 0, 0, 0},
    {K::Action, "MnIWindowMeasure", "MenuWindow", "Odczyty", 0, 0, 0, 0, None, "F2"},
    {K::Action, "MnIWindowMultiConfiguration", "MenuWindow", "Konfiguracja", 0, 0, 0, 0},
    {K::Action, "MnIWindowConfig", "MenuWindow", "Konfiguracja", 0, 0, 0, 0, None, "F3"},
    {K::Action, "MnIConfigurator", "MenuWindow", "Asystent konfiguracji", 0, 0, 0, 0},
    {K::Action, "MnIWindowCalibration", "MenuWindow", "Kalibracja", 0, 0, 0, 0, None, "F4"},
    {K::Action, "MnIWindowMultiCalibration", "MenuWindow", "Kalibracja", 0, 0, 0, 0},
    {K::Action, "MnIWindowSchema", "MenuWindow", "Schemat", 0, 0, 0, 0, None, "F5"},
    {K::Action, "MnIWindowQuickStart", "MenuWindow", "Start", 0, 0, 0, 0},
    {K::Action, "MnIWindowDiagnostic", "MenuWindow", "Diagnostyka", 0, 0, 0, 0, None, "F6"},
    {K::Action, "MnIWindowAdapter", "MenuWindow", "Adapter", 0, 0, 0, 0, None, "F7"},
    {K::Separator, "MnIWindowSep3", "MenuWindow", "", 0, 0, 0, 0},
    {K::Action, "MnIWindowCnfBasic", "MenuWindow", "Konfiguracja podstawowa", 0, 0, 0, 0, None, "Ctrl+F8"},
    {K::Action, "MnIWindowCnfAdv", "MenuWindow", "Konfiguracja zaawansowana", 0, 0, 0, 0, None, "Ctrl+F9"},
    {K::Separator, "", "MenuWindow", "", 0, 0, 0, 0},
    {K::Action, "MnIWindowCalAuto", "MenuWindow", "Autokalibracja", 0, 0, 0, 0, None, "F8"},
    {K::Action, "MnIWindowMultiCalbrationAuto", "MenuWindow", "Autokalibracja", 0, 0, 0, 0},
    {K::Action, "MnIWindowCalModel", "MenuWindow", "Model", 0, 0, 0, 0, None, "F9"},
    {K::Action, "MnIWindowMultiCalibrationModel", "MenuWindow", "Model", 0, 0, 0, 0},
    {K::Action, "MnIWindowCalMap", "MenuWindow", "Mapa", 0, 0, 0, 0, None, "F10"},
    {K::Action, "MnIWindowMultiCalibrationMap", "MenuWindow", "Mapa", 0, 0, 0, 0},
    {K::Action, "MnIWindowCalCorrections", "MenuWindow", "Korekty", 0, 0, 0, 0, None, "F11"},
    {K::Action, "MnIWindowMultiCalibrationCorrections", "MenuWindow", "Korekty", 0, 0, 0, 0},
    {K::Separator, "", "MenuWindow", "", 0, 0, 0, 0},
    {K::Action, "MnIWindowDgnOscyloskop", "MenuWindow", "Rejestrator", 0, 0, 0, 0, None, "Shift+F8"},
    {K::Action, "MnIWindowDgnTroubleCodes", "MenuWindow", "Kody błędów", 0, 0, 0, 0, None, "Shift+F9"},
    {K::Action, "MnIWindowDgnAdvanced", "MenuWindow", "Diagnostyka zaawansowana", 0, 0, 0, 0, None, "Shift+F10"},
    {K::Separator, "MnIWindowSep2", "MenuWindow", "", 0, 0, 0, 0},
    {K::Action, "MnIWindowFullScreen", "MenuWindow", "Pełny rozmiar", 0, 0, 0, 0},
    {K::Action, "MnIWindowRestoreScreen", "MenuWindow", "Przywróć rozmiar", 0, 0, 0, 0, Hidden},
    {K::Menu, "MenuLang", "MainMenu", "&Język", 0, 0, 0, 0},
    {K::Action, "MnILangPolish", "MenuLang", "Polski", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangEnglish", "MenuLang", "English", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangLithuanian", "MenuLang", "Lietuvių", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangRussian", "MenuLang", "Русский", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangCzech", "MenuLang", "Čeština", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangGerman", "MenuLang", "Deutsch", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangItalian", "MenuLang", "Italiano", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangTurkish", "MenuLang", "Türkçe", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangCroatian", "MenuLang", "Hrvatski", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangFrench", "MenuLang", "Français", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangTurkish_Veluto", "MenuLang", "Türkçe (Veluto)", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangNederlands", "MenuLang", "Nederlands", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangSpanish", "MenuLang", "Español", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangPortuguese", "MenuLang", "Português", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangSpanish_Pravik", "MenuLang", "Español (Pravik)", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangThai", "MenuLang", "ไทย", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangBulgarian", "MenuLang", "Български", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnILangGreek", "MenuLang", "Ελληνικά", 0, 0, 0, 0, Hidden | Checkable},
    {K::Action, "MnIUpgradeFirmware", "MainMenu", "Aktualizacja sterownika...", 0, 0, 0, 0},
    {K::Action, "MnIHelpDocs", "MainMenu", "Dokumentacja", 0, 0, 0, 0},
    {K::Action, "MnIHelpAbout", "MainMenu", "O programie...", 0, 0, 0, 0, None, "F1"},
    {K::Menu, "MenuHelp", "MainMenu", "Pomo&c", 0, 0, 0, 0, Hidden},
    {K::Action, "MnIHelpHelp1", "MenuHelp", "Pomoc do programu", 0, 0, 0, 0, Hidden | Disabled},
    {K::Action, "MnIHelpHelp2", "MenuHelp", "Instrukcja montażu", 0, 0, 0, 0, Hidden | Disabled},

    // Popup menus.
    {K::PopupMenu, "PoMChangeFuel", "", "", 0, 0, 0, 0},
    {K::Action, "MnIChangeFuelPetrol", "PoMChangeFuel", "Benzyna standard", 0, 0, 0, 0},
    {K::Action, "MnIChangeFuelGas", "PoMChangeFuel", "Gaz standard", 0, 0, 0, 0},
    {K::Action, "MnIChangeFuelPetrolSeq", "PoMChangeFuel", "Benzyna sekwencyjnie", 0, 0, 0, 0},
    {K::Action, "MnIChangeFuelGasDirect", "PoMChangeFuel", "Gaz bezpośrednio", 0, 0, 0, 0},
    {K::PopupMenu, "PpMQSCalibrationCorrections", "", "", 0, 0, 0, 0},
    {K::Action, "MnIQSCalibrationCorrectionsMap", "PpMQSCalibrationCorrections", "Korekty mapy", 0, 0, 0, 0},
    {K::Action, "MnIQSCalibrationCorrectionsRPM", "PpMQSCalibrationCorrections", "Korekta RPM", 0, 0, 0, 0},
    {K::Action, "MnIQSCalibrationCorrectionsPcol", "PpMQSCalibrationCorrections", "Korekta Pcol", 0, 0, 0, 0},
    {K::Action, "MnIQSCalibrationCorrectionsBanks", "PpMQSCalibrationCorrections", "Korekty banków OBD", 0, 0, 0, 0},
    {K::Action, "MnIQSCalibrationCorrectionsTgas", "PpMQSCalibrationCorrections", "Korekta Tgaz", 0, 0, 0, 0},
    {K::PopupMenu, "PpMQSDiagnostic", "", "", 0, 0, 0, 0},
    {K::Action, "MnIQSDiagnosticInjTest", "PpMQSDiagnostic", "Test wtryskiwaczy", 0, 0, 0, 0},
    {K::Action, "MnIQSDiagnosticCylinderTest", "PpMQSDiagnostic", "Test cylindrów", 0, 0, 0, 0},
    {K::Action, "MnIQSDiagnosticTemp", "PpMQSDiagnostic", "Temperatura płytki", 0, 0, 0, 0},
    {K::Action, "MnIQSDiagnosticValve", "PpMQSDiagnostic", "Zawór", 0, 0, 0, 0},
    {K::Action, "MnIQSDiagnosticInjSystemType", "PpMQSDiagnostic", "Układ wtryskowy", 0, 0, 0, 0},
    {K::Action, "MnIQSDiagnosticEmergencyStarts", "PpMQSDiagnostic", "Awaryjne uruchomienia", 0, 0, 0, 0},

    // Timers.
    {K::Timer, "Timerek", "", "", 0, 0, 0, 0, None, "200"},
    {K::Timer, "TimerMapa", "", "", 0, 0, 0, 0, None, "2500"},
};

QString Numbered(const char *text, int number)
{
    QString s = QString::fromUtf8(text);
    return s.contains(QLatin1String("%1")) ? s.arg(number) : s;
}

QStringList Items(const char *extra)
{
    const QString s = QString::fromUtf8(extra);
    return s.isEmpty() ? QStringList() : s.split(QLatin1Char('|'));
}

QPair<int, int> Range(const char *extra)
{
    const QStringList parts = Items(extra);
    if (parts.size() != 2)
        return {0, 100};
    return {parts[0].toInt(), parts[1].toInt()};
}

void ApplyFont(QWidget *w, unsigned flags)
{
    if (!(flags & (Bold | Large | Small)))
        return;
    QFont f = w->font();
    if (flags & Bold)
        f.setBold(true);
    if (flags & Small) {
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * 0.8);
        else
            f.setPixelSize(std::max(1, f.pixelSize() * 4 / 5));
    }
    if (flags & Large) {
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * 1.5);
        else
            f.setPixelSize(f.pixelSize() * 3 / 2);
    }
    w->setFont(f);
}

// A list whose closed face shows its chosen item word-wrapped over as many
// lines as the face is high, so that a narrow list still names its choice
// whole. The "wordWrap" property says so to whoever measures its text.
class WrappedComboBox : public QComboBox
{
public:
    explicit WrappedComboBox(QWidget *parent) : QComboBox(parent) { setProperty("wordWrap", true); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        const QString text = option.currentText;
        option.currentText.clear();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
        // Where the style draws the chosen item: a pixel inside the field.
        const QRect field =
            style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).adjusted(1, 0, -1, 0);
        // Whole words on each line as far as the face's height allows; what
        // is left goes on the last line, elided.
        const QFontMetrics metrics(font());
        const int lines = std::max(1, field.height() / std::max(1, metrics.lineSpacing()));
        QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QStringList shown;
        while (!words.isEmpty() && shown.size() < lines - 1) {
            QString line = words.takeFirst();
            while (!words.isEmpty() && metrics.horizontalAdvance(line + QLatin1Char(' ') + words.first()) <= field.width())
                line += QLatin1Char(' ') + words.takeFirst();
            shown << line;
        }
        if (!words.isEmpty())
            shown << words.join(QLatin1Char(' '));
        for (QString &line : shown)
            line = metrics.elidedText(line, Qt::ElideRight, field.width());
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(field, Qt::AlignLeft | Qt::AlignVCenter, shown.join(QLatin1Char('\n')));
    }
};

class Builder
{
public:
    explicit Builder(QMainWindow *window) : FWindow(window) {}

    QWidget *Run()
    {
        FCentral = new QWidget(FWindow);
        FCentral->setObjectName(QStringLiteral("centralWidget"));
        FCentral->setMinimumSize(DesignedClientWidth, DesignedClientHeight);
        FWindow->setCentralWidget(FCentral);
        for (const Entry &e : Table()) {
            const int n = std::max(1, e.count);
            for (int i = 1; i <= n; ++i)
                Create(e, i, e.count > 1 ? (i - 1) : 0);
        }
        for (QTabWidget *tabs : FInitialPages.keys())
            tabs->setCurrentWidget(FInitialPages.value(tabs));
        for (TPageControl *tabs : FCentral->findChildren<TPageControl *>())
            tabs->LayOutPages();
        return FCentral;
    }

private:
    QObject *ParentObject(const char *name) const
    {
        if (!*name)
            return FCentral;
        return FByName.value(QString::fromLatin1(name), nullptr);
    }

    void Place(QWidget *w, const Entry &e, int step)
    {
        w->setGeometry(e.x + step * e.dx, e.y + step * e.dy, e.w, e.h);
        if (e.flags & Hidden)
            w->setVisible(false);
        if (e.flags & Disabled)
            w->setEnabled(false);
        ApplyFont(w, e.flags);
    }

    void Create(const Entry &e, int number, int step)
    {
        const QString name = Numbered(e.name, number);
        const QString caption = Numbered(e.caption, number);
        QObject *parentObject = ParentObject(e.parent);
        if (!parentObject) {
            // A parent missing from the table: keep the component inside the
            // window rather than letting it become a window of its own.
            qWarning("FormMainLayout: %s has no parent %s", e.name, e.parent);
            parentObject = FCentral;
        }
        QWidget *parent = qobject_cast<QWidget *>(parentObject);
        QObject *made = nullptr;

        switch (e.kind) {
        case Kind::MenuBar: {
            QMenuBar *bar = FWindow->menuBar();
            made = bar;
            break;
        }
        case Kind::StatusBar: {
            QStatusBar *bar = FWindow->statusBar();
            bar->setSizeGripEnabled(false);
            made = bar;
            break;
        }
        case Kind::Menu: {
            auto *menu = new QMenu(caption, FWindow);
            if (auto *bar = qobject_cast<QMenuBar *>(parentObject))
                bar->addMenu(menu);
            else if (auto *owner = qobject_cast<QMenu *>(parentObject))
                owner->addMenu(menu);
            menu->menuAction()->setObjectName(name + QStringLiteral("Action"));
            menu->menuAction()->setVisible(!(e.flags & Hidden));
            made = menu;
            break;
        }
        case Kind::PopupMenu:
            made = new QMenu(FWindow);
            break;
        case Kind::Action:
        case Kind::Separator: {
            auto *action = new QAction(caption, FWindow);
            if (e.kind == Kind::Separator)
                action->setSeparator(true);
            if (e.kind == Kind::Action && *e.extra)
                action->setShortcut(QKeySequence(QString::fromLatin1(e.extra)));
            action->setCheckable(e.flags & Checkable);
            action->setChecked(e.flags & Checked);
            action->setVisible(!(e.flags & Hidden));
            action->setEnabled(!(e.flags & Disabled));
            if (auto *bar = qobject_cast<QMenuBar *>(parentObject))
                bar->addAction(action);
            else if (auto *menu = qobject_cast<QMenu *>(parentObject))
                menu->addAction(action);
            made = action;
            break;
        }
        case Kind::Timer: {
            auto *timer = new QTimer(FWindow);
            timer->setInterval(QString::fromLatin1(e.extra).toInt());
            made = timer;
            break;
        }
        case Kind::Page: {
            auto *tabs = qobject_cast<QTabWidget *>(parentObject);
            if (!tabs) {
                qWarning("FormMainLayout: page %s outside a page control", e.name);
                break;
            }
            auto *page = new QWidget;
            page->setObjectName(name);
            const int index = tabs->addTab(page, caption);
            if (e.flags & Hidden)
                tabs->setTabVisible(index, false);
            if (e.flags & Current)
                FInitialPages.insert(tabs, page);
            made = page;
            break;
        }
        default:
            made = CreateWidget(e, name, caption, parent, step);
            break;
        }
        if (made) {
            if (!name.isEmpty())
                made->setObjectName(name);
            if (!name.isEmpty())
                FByName.insert(name, made);
        }
    }

    QWidget *CreateWidget(const Entry &e, const QString &name, const QString &caption,
                          QWidget *parent, int step)
    {
        QWidget *w = nullptr;
        switch (e.kind) {
        case Kind::PageControl:
            w = new TPageControl(parent);
            break;
        case Kind::Panel:
        case Kind::Label:
        case Kind::Image: {
            auto *panel = new TCaptionPanel(parent);
            panel->setText(caption);
            panel->setWordWrap(e.flags & Wrap);
            if (e.kind == Kind::Panel) {
                panel->setAlignment(Qt::AlignCenter);
                panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
                panel->setLineWidth(1);
            } else if (e.kind == Kind::Image) {
                panel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            } else {
                panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            }
            if (e.flags & Transparent) {
                panel->setAttribute(Qt::WA_TransparentForMouseEvents);
                panel->setFrameStyle(QFrame::Box | QFrame::Plain);
                panel->setLineWidth(2);
            }
            w = panel;
            break;
        }
        case Kind::Display: {
            auto *display = new TDigitalDisplay(parent);
            display->SetCaption(caption);
            w = display;
            break;
        }
        case Kind::Button:
            w = new QPushButton(caption, parent);
            break;
        case Kind::SpeedButton: {
            auto *button = new QToolButton(parent);
            button->setText(caption);
            button->setAutoRaise(false);
            w = button;
            break;
        }
        case Kind::CheckBox: {
            auto *box = new QCheckBox(caption, parent);
            box->setChecked(e.flags & Checked);
            w = box;
            break;
        }
        case Kind::Radio: {
            auto *radio = new QRadioButton(caption, parent);
            radio->setChecked(e.flags & Checked);
            w = radio;
            break;
        }
        case Kind::Combo: {
            auto *combo = (e.flags & Wrap) ? new WrappedComboBox(parent) : new QComboBox(parent);
            combo->addItems(Items(e.extra));
            combo->setCurrentIndex((e.flags & Current) ? 0 : -1);
            w = combo;
            break;
        }
        case Kind::Edit:
            w = new QLineEdit(caption, parent);
            break;
        case Kind::YEdit:
            w = new TYEdit(parent);
            break;
        case Kind::Grid: {
            const QPair<int, int> size = Range(e.extra);
            auto *grid = new QTableWidget(size.second, size.first, parent);
            grid->horizontalHeader()->hide();
            grid->verticalHeader()->hide();
            grid->horizontalHeader()->setDefaultSectionSize(std::max(8, (e.w - 4) / std::max(1, size.first)));
            grid->verticalHeader()->setDefaultSectionSize(std::max(8, (e.h - 4) / std::max(1, size.second)));
            grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            w = grid;
            break;
        }
        case Kind::Chart: {
            auto *view = new QChartView(parent);
            ChartNumbersIn(view->chart(), ShownLocale());
            view->chart()->legend()->hide();
            view->chart()->setMargins(QMargins(0, 0, 0, 0));
            w = view;
            break;
        }
        case Kind::PaintBox:
            w = new QWidget(parent);
            break;
        case Kind::ProgressBar: {
            auto *bar = new QProgressBar(parent);
            const QPair<int, int> range = Range(e.extra);
            bar->setRange(range.first, range.second);
            bar->setValue(range.first);
            bar->setTextVisible(false);
            w = bar;
            break;
        }
        case Kind::Shape: {
            auto *shape = new TPaintShape(parent);
            shape->SetShape(TPaintShape::stEllipse);
            shape->SetBrush(QBrush(QColor(0xC0, 0xC0, 0xC0)));
            w = shape;
            break;
        }
        case Kind::ScrollBox: {
            auto *area = new QScrollArea(parent);
            area->setWidgetResizable(false);
            w = area;
            break;
        }
        case Kind::SpinBox: {
            auto *spin = new QSpinBox(parent);
            const QPair<int, int> range = Range(e.extra);
            spin->setRange(range.first, range.second);
            w = spin;
            break;
        }
        case Kind::Slider: {
            auto *slider = new QSlider(Qt::Horizontal, parent);
            const QPair<int, int> range = Range(e.extra);
            slider->setRange(range.first, range.second);
            w = slider;
            break;
        }
        case Kind::Memo: {
            auto *memo = new QPlainTextEdit(parent);
            memo->setReadOnly(true);
            w = memo;
            break;
        }
        case Kind::GroupBox:
            w = new QGroupBox(caption, parent);
            break;
        case Kind::Bevel: {
            auto *line = new QFrame(parent);
            line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
            w = line;
            break;
        }
        case Kind::DipSwitch:
            w = new TDipSwitch(parent);
            break;
        default:
            break;
        }
        if (!w)
            return nullptr;
        w->setObjectName(name);

        if (auto *area = qobject_cast<QScrollArea *>(parent)) {
            // A picture inside a scroll box is the box's scrolled content and
            // takes the size of its picture, whatever the window's scale.
            area->setWidget(w);
            w->setProperty(TResizeHelper::AutoSizeProperty, true);
            w->adjustSize();
            return w;
        }
        if (auto *bar = qobject_cast<QStatusBar *>(parent)) {
            w->setFixedSize(e.w, e.h);
            if (e.flags & Permanent)
                bar->addPermanentWidget(w);
            else
                bar->addWidget(w);
            if (e.flags & Hidden)
                w->setVisible(false);
            ApplyFont(w, e.flags);
            if (auto *panel = qobject_cast<TCaptionPanel *>(w))
                panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            return w;
        }
        Place(w, e, step);
        return w;
    }

    QMainWindow *FWindow;
    QWidget *FCentral = nullptr;
    QHash<QString, QObject *> FByName;
    QHash<QTabWidget *, QWidget *> FInitialPages;
};

} // namespace

const std::vector<Entry> &Table()
{
    return TheTable;
}

QWidget *Build(QMainWindow *window)
{
    return Builder(window).Run();
}

} // namespace FormMainLayout
