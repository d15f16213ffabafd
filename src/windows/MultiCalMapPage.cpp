#include "windows/MultiCalMapPage.h"

#include "controls/DigitalDisplay.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "mainwindow/configuration/MapPage.h"
#include "mainwindow/configuration/Model2Chart.h"
#include "mainwindow/shell/FormMain.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/Kind48Math.h"
#include "windows/MultiCalModelPage.h"
#include "windows/NamedWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtCharts/QChartView>
#include <QtCharts/QValueAxis>
#include <QtCharts/QXYSeries>

#include <algorithm>
#include <cmath>

namespace {

TDevData &D() { return *DevData; }

// The hourglass cursor for the length of a scope.
struct THourglass {
    THourglass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QGuiApplication::restoreOverrideCursor(); }
};

} // namespace

TMultiCalMapPage::TMultiCalMapPage(TFrmMultiCalibrationTaronQV &window, QWidget *sheet)
    : QObject(&window), W(window)
{
    setObjectName(QStringLiteral("MultiCalMapPage"));
    Build(sheet);
}

void TMultiCalMapPage::Build(QWidget *s)
{
    PnlCalLoadL = NewNamed<QLabel>(s, "PnlCalLoadL", {35, 4, 150, 18}, QStringLiteral("Obciążenie niskie"));
    PnlCalLoadM = NewNamed<QLabel>(s, "PnlCalLoadM", {185, 4, 150, 18}, QStringLiteral("Obciążenie średnie"));
    PnlCalLoadH = NewNamed<QLabel>(s, "PnlCalLoadH", {335, 4, 150, 18}, QStringLiteral("Obciążenie wysokie"));
    LblCalTxtY = NewNamed<QLabel>(s, "LblCalTxtY", {4, 24, 60, 18}, QStringLiteral("Tb[ms]"));
    ChtMapa = NewNamed<QChartView>(s, "ChtMapa", {4, 42, 600, 320});
    ChtMapa2 = NewNamed<QChartView>(s, "ChtMapa2", {4, 42, 600, 320});
    ChtMapa2->hide();
    TMapPage::BuildMapChart(ChtMapa, 16, QString(), false);
    TMapPage::BuildMapChart(ChtMapa2, 4, QStringLiteral(" 2"), true);
    for (QChartView *v : {ChtMapa, ChtMapa2})
        v->chart()->legend()->hide();
    LblCalTxtX = NewNamed<QLabel>(s, "LblCalTxtX", {250, 362, 120, 18}, QStringLiteral("Pcol [bar]"));
    LblCalTxtX2 = NewNamed<QLabel>(s, "LblCalTxtX2", {250, 362, 120, 18}, QStringLiteral("Tb[ms]"));
    LblCalTxtX2->hide();
    NewNamed<QLabel>(s, "LblCalMapPetrolCount", {8, 380, 70, 18}, QStringLiteral("Benzyna:"));
    LblLenMapPETROL = NewNamed<QLabel>(s, "LblLenMapPETROL", {80, 380, 40, 18}, QStringLiteral("0"));
    NewNamed<QLabel>(s, "LblCalMapGasCount", {130, 380, 46, 18}, QStringLiteral("LPG:"));
    LblLenMapLPG = NewNamed<QLabel>(s, "LblLenMapLPG", {180, 380, 40, 18}, QStringLiteral("0"));
    LblCalMapNameFile = NewNamed<QLabel>(s, "LblCalMapNameFile", {230, 380, 370, 18});

    QWidget *p = PnlCalMapButtons = NewNamed<QWidget>(s, "PnlCalMapButtons", {610, 0, 160, 400});
    CmBCalMapRPMRange = NewNamed<QComboBox>(p, "CmBCalMapRPMRange", {4, 4, 152, 22});
    DgDCalMapPcol = NewNamed<TDigitalDisplay>(p, "DgDCalMapPcol", {4, 30, 152, 28});
    DgDCalMapPcol->SetCaption(QStringLiteral("0.00"));
    int y = 62;
    auto button = [p, &y](const char *name, const QString &text) {
        auto *b = NewNamed<QPushButton>(p, name, {4, y, 152, 24}, text);
        y += 26;
        return b;
    };
    auto box = [p, &y](const char *name, const QString &text, bool checked) {
        auto *b = NewNamed<QCheckBox>(p, name, {4, y, 152, 20}, text);
        b->setChecked(checked);
        y += 22;
        return b;
    };
    BtnCalMapRead = button("BtnCalMapRead", QStringLiteral("&Odczytaj"));
    ChBCalMapAutoRefresh = box("ChBCalMapAutoRefresh", QStringLiteral("Auto odczyty"), true);
    BtnCalMapPetrolClear = button("BtnCalMapPetrolClear", QStringLiteral("Kasuj MAPĘ Benzyny"));
    BtnCalMapLPGClear = button("BtnCalMapLPGClear", QStringLiteral("Kasuj MAPĘ LPG"));
    BtnCalMapPetrolTemplateClear = button("BtnCalMapPetrolTemplateClear", QStringLiteral("Kasuj WZORZEC"));
    BtnCalMapCalculate = button("BtnCalMapCalculate", QStringLiteral("Oblicz nastawy"));
    BtnCalMapCalcClear = button("BtnCalMapCalcClear", QStringLiteral("Wyczyść nastawy"));
    UpDCalMapMult = NewNamed<QSpinBox>(p, "UpDCalMapMult", {84, y, 72, 22});
    UpDCalMapMult->setRange(-40, 60);
    YEdCalMapMult = NewNamed<QLineEdit>(p, "YEdCalMapMult", {4, y, 76, 22}, QStringLiteral("0"));
    YEdCalMapMult->setReadOnly(true);
    y += 26;
    BtnCalMapWrite = button("BtnCalMapWrite", QStringLiteral("Zapisz"));
    ChBCalMapChangeAxies = box("ChBCalMapChangeAxies", QStringLiteral("Zamień osie"), false);
    ChBCalMapShowTemplateValues = box("ChBCalMapShowTemplateValues", QStringLiteral("Wartości wzorca"), false);
    ChBCalMapRPMSound = box("ChBCalMapRPMSound", QStringLiteral("Dźwięki dla RPM"), true);
    BtnCalMapLoadFromFile = button("BtnCalMapLoadFromFile", QStringLiteral("Wczytaj z pliku..."));

    connect(BtnCalMapRead, &QAbstractButton::clicked, this, [this] { BtnCalMapReadClick(); });
    connect(BtnCalMapPetrolClear, &QAbstractButton::clicked, this, [this] { BtnCalMapPetrolClearClick(); });
    connect(BtnCalMapLPGClear, &QAbstractButton::clicked, this, [this] { BtnCalMapLPGClearClick(); });
    connect(BtnCalMapPetrolTemplateClear, &QAbstractButton::clicked, this, [this] { BtnCalMapPetrolTemplateClearClick(); });
    connect(BtnCalMapCalculate, &QAbstractButton::clicked, this, [this] { BtnCalMapCalculateClick(); });
    connect(BtnCalMapCalcClear, &QAbstractButton::clicked, this, [this] { BtnCalMapCalcClearClick(); });
    connect(BtnCalMapWrite, &QAbstractButton::clicked, this, [this] { W.BtnCalMapWriteClick(); });
    connect(BtnCalMapLoadFromFile, &QAbstractButton::clicked, this, [this] {
        if (W.Hooks.LoadMapFromFile)
            W.Hooks.LoadMapFromFile();
        BtnCalMapReadClick();
    });
    connect(ChBCalMapChangeAxies, &QAbstractButton::clicked, this, [this] { ChBCalMapChangeAxiesClick(); });
    connect(ChBCalMapShowTemplateValues, &QAbstractButton::clicked, this, [this] { ChBCalMapShowTemplateValuesClick(); });
    connect(CmBCalMapRPMRange, &QComboBox::activated, this, [this] { CmBCalMapRPMRangeChange(); });
    connect(UpDCalMapMult, &QSpinBox::valueChanged, this, [this](int v) {
        if (FFilling)
            return;
        const bool up = v > FMultLast;
        FMultLast = v;
        UpDCalMapMultClick(up);
    });
}

QXYSeries *TMultiCalMapPage::Series(QChartView *chart, int index) const
{
    const auto list = chart->chart()->series();
    return index >= 0 && index < list.size() ? qobject_cast<QXYSeries *>(list.at(index)) : nullptr;
}

double TMultiCalMapPage::PressureAxisMaximum() const
{
    const QValueAxis *axis = TMapPage::MapLoadAxis(ChtMapa);
    return axis ? axis->max() : 1.0;
}

void TMultiCalMapPage::SetLivePoint(double pressure, double petrolTime)
{
    if (QXYSeries *s = Series(ChtMapa, 2))
        s->replace(QList<QPointF>{QPointF(pressure, petrolTime)});
    if (QXYSeries *s = Series(ChtMapa2, 2))
        s->replace(QList<QPointF>{QPointF(petrolTime, pressure)});
}

// ---- Reading ------------------------------------------------------------------

bool TMultiCalMapPage::BtnCalMapReadClick()
{
    if (!W.Ready())
        return false;
    const THourglass hourglass;
    bool ok = true;
    if (DataManager->IsDeviceType(48))
        ok = DataManager->ReadRecording2(PressureAxisMaximum());
    const int nPetrol = DataManager->RecordingCount1, nGas = DataManager->RecordingCount2;
    LblLenMapPETROL->setText(QString::number(nPetrol));
    LblLenMapLPG->setText(QString::number(nGas));
    for (QChartView *chart : {ChtMapa, ChtMapa2}) {
        const bool swapped = chart == ChtMapa2;
        auto fill = [&](int series, const auto &table, int count) {
            QList<QPointF> pts;
            for (int i = 0; i < count; ++i) {
                const TRecordingPoint &p = table[size_t(i)];
                pts.append(swapped ? QPointF(p.Time, p.Pressure) : QPointF(p.Pressure, p.Time));
            }
            if (QXYSeries *s = Series(chart, series))
                s->replace(pts);
        };
        fill(1, DeviceRecord.Recording1, nPetrol);
        fill(0, DeviceRecord.Recording2, nGas);
    }
    ReadMapTemplate();
    ChtMapaAfterDraw();
    return ok;
}

void TMultiCalMapPage::ReadMapTemplate()
{
    ShowMapTemplate(W.Ready() && DataManager->ReadMapRowsDC());
}

void TMultiCalMapPage::ShowMapTemplate(bool read)
{
    QXYSeries *tpl = Series(ChtMapa, 3);
    if (tpl)
        tpl->clear();
    if (!read)
        return;
    QList<QPointF> pts;
    int valid = 0;
    for (int k = 0; k < TDeviceRecord::MapRowCount; ++k) {
        const quint16 w = DeviceRecord.MapRows[size_t(k)][0];
        if (!(w & 0x8000))
            continue;
        ++valid;
        pts.append(QPointF(0.05 * k + 0.1922, (w & 0x0FFF) / 187.0));
    }
    if (tpl)
        tpl->replace(pts);
    if (QXYSeries *s = Series(ChtMapa2, 3)) {
        QList<QPointF> swapped;
        for (const QPointF &p : pts)
            swapped.append(QPointF(p.y(), p.x()));
        s->replace(swapped);
    }
    // A template missing at most one row counts as complete.
    W.ModelMode = valid >= 39 ? 1 : 0;
}

// ---- Clearing -----------------------------------------------------------------

void TMultiCalMapPage::ClearMap(const char *question, int which)
{
    if (!W.Ready())
        return;
    if (!Common || !Common->AskYesNo(TranslateKey(QString::fromLatin1(question)), TCommon::ApplicationTitle()))
        return;
    if (DataManager->IsDeviceType(48)) {
        DataManager->ClearMapDE(uint8_t(which));
        BtnCalMapReadClick();
    }
}

void TMultiCalMapPage::BtnCalMapPetrolClearClick() { ClearMap("strQuestMapPetrolClear", 1); }
void TMultiCalMapPage::BtnCalMapLPGClearClick() { ClearMap("strQuestMapGasClear", 2); }

bool TMultiCalMapPage::BtnCalMapPetrolTemplateClearClick(bool adaptationOffSent)
{
    if (!W.Ready())
        return false;
    if (Common && Common->AskYesNo(TranslateKey(QStringLiteral("strQuestMapsClear")), TCommon::ApplicationTitle()))
        return ClearMapTemplates(adaptationOffSent);
    return true;
}

bool TMultiCalMapPage::ClearMapTemplates(bool adaptationOffSent)
{
    if (!W.Ready())
        return false;
    bool ok = DataManager->ClearMapDE(3);
    ok = DataManager->ClearMapDE(4) && ok;
    BtnCalMapReadClick();
    if (!adaptationOffSent) {
        D().SetAdaptation(false);
        ok = DataManager->WriteParamByte(31, FlagsByteToWrite(DeviceRecord, 31)) && ok;
        W.Model->UpdateUI();
    }
    return ok && DataManager->GetConnected();
}

void TMultiCalMapPage::CmBCalMapRPMRangeChange()
{
    if (!W.Ready())
        return;
    if (Common && Common->AskYesNo(TranslateKey(QStringLiteral("strQuestMapsClear")), TCommon::ApplicationTitle())) {
        if (DataManager->ClearRecord198() && DataManager->ClearRecord199()) {
            DataManager->ClearMapDE(3);
            DataManager->ClearMapDE(4);
            BtnCalMapReadClick();
        } else {
            W.Inform(QStringLiteral("strMapClear"));
        }
        ClearMapTemplates();
    }
    // The chosen range is sent whatever the answer.
    if (CmBCalMapRPMRange->currentIndex() >= 0) {
        D().SetMapRpmRange(CmBCalMapRPMRange->currentIndex());
        DataManager->WriteParamByte(19, DeviceRecord.MapRPMRange);
    }
}

// ---- Calculation ---------------------------------------------------------------

void TMultiCalMapPage::BtnCalMapCalculateClick()
{
    if (W.Ready() && DataManager->IsDeviceType(48))
        CalculateMapSettings();
}

bool TMultiCalMapPage::CalculateMapSettings()
{
    QList<TRecordingPoint> petrol, gas;
    for (int i = 0; i < DataManager->RecordingCount1; ++i)
        petrol.append(DeviceRecord.Recording1[size_t(i)]);
    for (int i = 0; i < DataManager->RecordingCount2; ++i)
        gas.append(DeviceRecord.Recording2[size_t(i)]);
    if (petrol.isEmpty() || gas.isEmpty()) {
        W.Inform(QStringLiteral("strNoPoints"));
        return false;
    }
    DataManager->ReadMapD4();
    const auto result = Kind48Math::CalculateMapSettings(petrol, gas, DeviceRecord.ModelPointsA);
    W.Model->Chart->Series[TModel2Chart::sMap].clear();
    for (int i = 9; i <= 14; ++i)
        if (QXYSeries *s = Series(ChtMapa, i))
            s->clear();
    if (!result.Refusal.isEmpty()) {
        W.Model->Chart->Repaint();
        W.Inform(result.Refusal);
        return false;
    }
    W.Model->Chart->Series[TModel2Chart::sMap] = result.Points;
    W.Model->Chart->Repaint();
    W.PgCCalibration->setCurrentWidget(W.TbSMultiCalibrationModel);
    W.PgCCalibrationChange();
    return true;
}

void TMultiCalMapPage::BtnCalMapCalcClearClick()
{
    if (!W.Ready())
        return;
    W.Model->Chart->Series[TModel2Chart::sMap].clear();
    W.Model->Chart->Repaint();
}

void TMultiCalMapPage::UpDCalMapMultClick(bool up)
{
    if (!W.Ready())
        return;
    YEdCalMapMult->setText(QString::number(UpDCalMapMult->value()));
    W.Model->ApplyModelMultiplier(UpDCalMapMult->value());
    const double tb0 = D().GetIdleHotTb();
    const double b = D().GetModelOffset() + (up ? -0.01 : 0.01) * tb0;
    const double m = PercentToFactor(D().GetModelMultPercent());
    D().SetModelOffset(b);
    for (int i = 0; i < Kind48Math::kModelPoints; ++i) {
        const double x = D().GetMapPointA(i).x();
        const double y = i == 0 ? b + m * x : Kind48Math::PreciseY(b, m, x, W.Model->EnrichmentAt(i));
        D().SetMapPointA(i, x, std::max(0.0, y));
    }
    W.Model->UpdateUI();
}

bool TMultiCalMapPage::BtnCalMapWriteClick()
{
    if (!W.Ready())
        return false;
    // The points and the factor, each checked against its word before
    // anything is asked or sent; then the change-record question of edited
    // settings, and the record once the write went through.
    if (!W.Model->ModelFits())
        return false;
    if (W.Form && !W.Form->UpdateLastChangeInfo(W.Modified()))
        return false;
    TRecordedWrite write;
    bool ok = DataManager->WriteParameter(1) && DataManager->WriteParameter(2) && DataManager->WriteMapD5();
    if (ok && W.ModelModified) {
        for (int i = 0; i < TDeviceRecord::ModelPointCount; ++i)
            DeviceRecord.ModelPointsB[size_t(i)] = DeviceRecord.ModelPointsA[size_t(i)];
        ok = DataManager->WriteModel2Block();
        if (ok)
            W.ModelModified = false;
    }
    if (!write.Report(ok)) {
        W.SetModified(true);
        W.ReportIncompleteWrite(QStringLiteral("strCalWhatMap"));
        return false;
    }
    W.ReadAllFromDevice();
    return true;
}

bool TMultiCalMapPage::CheckRpmInRange()
{
    int low = 0, high = 0;
    TDataManager::RpmWindowOf(CmBCalMapRPMRange->currentIndex(), low, high);
    const int rpm = D().GetRpmReal();
    const bool in = rpm > low && rpm < high;
    if (in && ChBCalMapRPMSound->isChecked())
        QApplication::beep();
    return in;
}

void TMultiCalMapPage::ChtMapaAfterDraw()
{
    const double max = D().GetEngineType() == 1 ? 2.5 : 1.0;
    for (QChartView *view : {ChtMapa, ChtMapa2}) {
        ChartNumbersIn(view->chart(), ShownLocale()); // the language shown as it is now
        if (QValueAxis *a = TMapPage::MapLoadAxis(view))
            a->setMax(max);
    }
    PlaceLoadPanels();
}

void TMultiCalMapPage::PlaceLoadPanels()
{
    // From where the first of them stands (the window's rescale moves that)
    // to the chart's right edge, in three equal parts.
    const int left = std::min({PnlCalLoadL->x(), PnlCalLoadM->x(), PnlCalLoadH->x()});
    const int width = std::max(10, (ChtMapa->geometry().right() + 1 - left) / 3);
    QList<QWidget *> panels{PnlCalLoadL, PnlCalLoadM, PnlCalLoadH};
    if (D().GetPressureSensorType() == 1)
        std::reverse(panels.begin(), panels.end());
    int x = left;
    for (QWidget *panel : panels) {
        panel->setGeometry(x, panel->y(), width, panel->height());
        x += width;
    }
}

void TMultiCalMapPage::ChBCalMapChangeAxiesClick()
{
    const bool swapped = ChBCalMapChangeAxies->isChecked();
    ChtMapa2->setVisible(swapped);
    ChtMapa->setVisible(!swapped);
    LblCalTxtY->setText(swapped ? QStringLiteral("Pcol") : QStringLiteral("Tb[ms]"));
    LblCalTxtX->setVisible(!swapped);
    LblCalTxtX2->setVisible(swapped);
    for (QWidget *panel : {PnlCalLoadL, PnlCalLoadM, PnlCalLoadH})
        panel->setVisible(!swapped);
}

void TMultiCalMapPage::ChBCalMapShowTemplateValuesClick()
{
    for (QChartView *chart : {ChtMapa, ChtMapa2})
        if (QXYSeries *s = Series(chart, 3))
            s->setPointLabelsVisible(ChBCalMapShowTemplateValues->isChecked());
}
