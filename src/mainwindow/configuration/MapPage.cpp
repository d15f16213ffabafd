#include "mainwindow/configuration/MapPage.h"

#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/ReadPlan.h"
#include "core/IniFile.h"
#include "core/LM.h"
#include "core/FileRead.h"
#include "core/MapFile.h"
#include "core/SettingsFile.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "controls/PaintShape.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QSaveFile>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

using namespace MapMath;

namespace {

// The axis titles of the map charts are captions laid over the charts'
// top-left and bottom corners: the charts keep that room free of their plot
// and tick labels, also when the captions grow with the window.
class TAxisTitleRoom : public QObject
{
public:
    TAxisTitleRoom(QObject *parent, QWidget *top, QWidget *bottom, QList<QChartView *> charts)
        : QObject(parent), FTop(top), FBottom(bottom), FCharts(std::move(charts))
    {
        for (QWidget *w : {top, bottom})
            w->installEventFilter(this);
        for (QChartView *view : FCharts)
            view->installEventFilter(this);
        Apply();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move || event->type() == QEvent::Show)
            Apply();
        return false;
    }

private:
    void Apply()
    {
        for (QChartView *view : FCharts) {
            const int top = std::max(0, FTop->y() + FTop->height() - view->y());
            const int bottom = std::max(0, view->y() + view->height() - FBottom->y());
            const QMargins margins(0, top, 0, bottom);
            if (view->chart()->margins() != margins)
                view->chart()->setMargins(margins);
        }
    }

    QWidget *FTop, *FBottom;
    QList<QChartView *> FCharts;
};

QString Tr(const QString &key)
{
    return LM ? LM->Translate(key) : key;
}

// The hourglass for the length of a device exchange.
struct TWaitCursor {
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

constexpr double kTimeAxisMax = 22.0;
const QColor kPetrolColour(Qt::red);
const QColor kGasColour(0x00, 0xA0, 0x00);

QPointF Swapped(const QPointF &p) { return QPointF(p.y(), p.x()); }

QList<QPointF> Swapped(const QList<QPointF> &points)
{
    QList<QPointF> out;
    out.reserve(points.size());
    for (const auto &p : points)
        out.append(Swapped(p));
    return out;
}

// Builds a map chart's series; the titles carry the chart's suffix.
void BuildChart(QChartView *view, int count, const QString &suffix, bool swapped)
{
    QChart *chart = view->chart();
    // Axis numbers in the notation of the language shown (set anew on each draw).
    ChartNumbersIn(chart, ShownLocale());
    auto *load = new QValueAxis(chart);
    load->setRange(0, 1.1);
    auto *time = new QValueAxis(chart);
    time->setRange(0, kTimeAxisMax);
    load->setObjectName(QStringLiteral("LoadAxis"));
    chart->addAxis(swapped ? time : load, Qt::AlignBottom);
    chart->addAxis(swapped ? load : time, Qt::AlignLeft);
    static const char *titles[16] = {"MAP_LPG", "MAP_PETROL", "MAP_ACTUAL", "MAP_ADAPT", "MAP_PETROL1",
                                     "MAP_PETROL2 (min)", "MAP_PETROL3 (max)", "MAP_LPG1", "MAP_LPG2 (min)",
                                     "MAP_LPG3 (max)", "MAP_seg0", "MAP_seg1", "MAP_seg2", "MAP_seg3",
                                     "MAP_seg4", "MAP_seg5"};
    for (int i = 0; i < count; ++i) {
        QXYSeries *s = nullptr;
        if (i == 3 || i >= 10) {
            auto *line = new QLineSeries(chart);
            line->setPen(QPen(i == 3 ? QColor(0x80, 0x00, 0x80) : Qt::darkGray, 2));
            line->setPointsVisible(i == 3);
            s = line;
        } else {
            auto *scatter = new QScatterSeries(chart);
            const bool gas = i == 0 || i >= 7;
            scatter->setMarkerShape(gas ? QScatterSeries::MarkerShapeRectangle : QScatterSeries::MarkerShapeCircle);
            scatter->setMarkerSize(i == 2 ? 12 : i <= 1 ? 7 : 5);
            QColor c = gas ? kGasColour : kPetrolColour;
            if (i == 2)
                c = QColor(0x00, 0x80, 0xFF);
            else if (i >= 4)
                c = c.lighter(160);
            scatter->setColor(c);
            scatter->setBorderColor(c);
            s = scatter;
        }
        // The live operating point that the readings move.
        if (i == 2)
            s->append(QPointF(0, 0));
        s->setName(QString::fromLatin1(titles[i]) + suffix);
        chart->addSeries(s);
        s->attachAxis(load);
        s->attachAxis(time);
    }
}

QValueAxis *LoadAxis(QChartView *view)
{
    for (QAbstractAxis *a : view->chart()->axes())
        if (a->objectName() == QLatin1String("LoadAxis"))
            return qobject_cast<QValueAxis *>(a);
    return nullptr;
}

} // namespace

TMapPage::TMapPage(TFormMain *form) : QObject(form), FForm(form)
{
    setObjectName(QStringLiteral("MapPage"));
    // Its own sheet, then the model pages it draws for and the wizard's sensor list.
    SetPanels({form->OwnPanel("TbSCalMap"), form->OwnPanel("TbSCalibration"), form->OwnPanel("TbSConfigurator")});
    auto get = [this](const char *name) { return Control<QWidget>(QString::fromLatin1(name)); };
    auto chart = [&](const char *name) {
        auto *view = qobject_cast<QChartView *>(get(name));
        return view ? view : new QChartView(form);
    };
    ChtMapa = chart("ChtMapa");
    ChtMapa2 = chart("ChtMapa2");
    ChtMapaQ3 = chart("ChtMapaQ3");
    BuildChart(ChtMapa, 16, QString(), false);
    BuildChart(ChtMapa2, 10, QStringLiteral(" 2"), true);
    BuildChart(ChtMapaQ3, 10, QStringLiteral(" Q3"), false);
    if (QWidget *top = get("LblCalTxtY"), *bottom = get("LblCalTxtX"); top && bottom)
        new TAxisTitleRoom(this, top, bottom, {ChtMapa, ChtMapa2, ChtMapaQ3});

    CmBCalMapRPMRange = qobject_cast<QComboBox *>(get("CmBCalMapRPMRange"));
    LblLenMapPETROL = qobject_cast<TCaptionPanel *>(get("LblLenMapPETROL"));
    LblLenMapLPG = qobject_cast<TCaptionPanel *>(get("LblLenMapLPG"));
    LblCalMapNameFile = qobject_cast<TCaptionPanel *>(get("LblCalMapNameFile"));
    TCustom::KeepGivenTexts(LblCalMapNameFile); // a file's name
    auto button = [&](const char *name) { return qobject_cast<QAbstractButton *>(get(name)); };
    ChBMapQ3Visible = button("ChBMapQ3Visible");
    ChBCalMapDetails = button("ChBCalMapDetails");
    ChBCalMapChangeAxies = button("ChBCalMapChangeAxies");
    ChkCalMapAutoRefresh = button("ChkCalMapAutoRefresh");
    BtnCalMapSetModel = button("BtnCalMapSetModel");
    BtnCalMapAdjust = button("BtnCalMapAdjust");
    PgCMain = qobject_cast<QTabWidget *>(form->OwnPanel("PgCMain"));
    PgCCalibration = qobject_cast<QTabWidget *>(get("PgCCalibration"));
    PgCModel2Model = qobject_cast<QTabWidget *>(get("PgCModel2Model"));
    if (auto *petrol = qobject_cast<TPaintShape *>(get("ShpMapPointPETROL"))) {
        petrol->SetShape(TPaintShape::stEllipse);
        petrol->SetBrush(QBrush(kPetrolColour));
    }
    if (auto *gas = qobject_cast<TPaintShape *>(get("ShpMapPointLPG"))) {
        gas->SetShape(TPaintShape::stRectangle);
        gas->SetBrush(QBrush(kGasColour));
    }

    auto onClick = [&](const char *name, auto slot) {
        if (auto *b = button(name))
            connect(b, &QAbstractButton::clicked, this, slot);
    };
    onClick("BtnCalMapPetrolClear", &TMapPage::BtnCalMapPetrolClearClick);
    onClick("BtnCalMapLPGClear", &TMapPage::BtnCalMapLPGClearClick);
    onClick("BtnCalMapCalcClear", &TMapPage::BtnCalMapCalcClearClick);
    onClick("BtnCalMapSaveAs", &TMapPage::BtnCalMapSaveAsClick);
    onClick("BtnCalMapLoad", &TMapPage::BtnCalMapLoadClick);
    onClick("BtnCalMapLoadFromFile", &TMapPage::BtnCalMapLoadFromFileClick);
    onClick("BtnCalMapClearAdaptationTemplateClear", &TMapPage::BtnCalMapClearAdaptationTemplateClearClick);
    onClick("ChBMapQ3Visible", &TMapPage::ChBMapQ3VisibleClick);
    onClick("ChBCalMapDetails", &TMapPage::ChBMapQ3VisibleClick);
    onClick("ChBCalMapChangeAxies", &TMapPage::ChBCalMapChangeAxiesClick);
    onClick("BtnCalMapAdjust", &TMapPage::BtnCalMapAdjustClick);
    onClick("Button13", &TMapPage::Button13Click);
    onClick("Button15", &TMapPage::Button15Click);
    for (const char *name : {"BtnCalMapCalculate", "BtnCalMapSetModel"})
        if (auto *b = button(name))
            connect(b, &QAbstractButton::clicked, this, [this, b] { BtnCalMapCalculateClick(b); });
    if (CmBCalMapRPMRange)
        connect(CmBCalMapRPMRange, &QComboBox::activated, this, [this](int) { CmBCalMapRPMRangeChange(); });
    if (PgCModel2Model)
        connect(PgCModel2Model, &QTabWidget::tabBarClicked, this, [this](int index) {
            QTimer::singleShot(0, this, [this, index] {
                if (PgCModel2Model->currentIndex() == index) PgCModel2ModelChange();
            });
        });
    ChtMapaAfterDraw();
}

TMapPage *TMapPage::Install(TFormMain &form)
{
    auto *page = new TMapPage(&form);
    form.AddPageLogic(page);
    if (form.TimerMapa)
        connect(form.TimerMapa, &QTimer::timeout, page, &TMapPage::TimerMapaTimer);
    return page;
}

void TMapPage::BuildMapChart(QChartView *view, int count, const QString &suffix, bool swapped)
{
    BuildChart(view, count, suffix, swapped);
}

QValueAxis *TMapPage::MapLoadAxis(QChartView *view) { return LoadAxis(view); }

QXYSeries *TMapPage::Series(QChartView *chart, int index) const
{
    const auto list = chart->chart()->series();
    return index >= 0 && index < list.size() ? qobject_cast<QXYSeries *>(list.at(index)) : nullptr;
}

bool TMapPage::NotReady() const
{
    return !DataManager || DataManager->IsDeviceNotReady();
}

void TMapPage::Warn(const QString &key) const
{
    if (Common)
        Common->ShowWarning(Tr(key));
}

double TMapPage::LoadAxisMax() const
{
    return DeviceRecord.EngineType != 1 ? 1.1 : 2.5;
}

MapMath::TPoints TMapPage::PetrolPoints()
{
    const int n = DataManager ? std::min<int>(DataManager->RecordingCount1, TDeviceRecord::RecordingSize) : 0;
    return MapMath::TPoints(DeviceRecord.Recording1.begin(), DeviceRecord.Recording1.begin() + n);
}

MapMath::TPoints TMapPage::GasPoints()
{
    const int n = DataManager ? std::min<int>(DataManager->RecordingCount2, TDeviceRecord::RecordingSize) : 0;
    return MapMath::TPoints(DeviceRecord.Recording2.begin(), DeviceRecord.Recording2.begin() + n);
}

// ---- Reading and drawing ------------------------------------------------------

void TMapPage::ReadRecordedPoints()
{
    if (DataManager->IsDeviceType(48))
        DataManager->ReadRecording2(LoadAxisMax());
    else
        DataManager->ReadRecording(LoadAxisMax());
    ShowCounts();
}

void TMapPage::BtnCalMapReadClick()
{
    if (NotReady())
        return;
    TWaitCursor wait;
    TReadPlan plan;
    AddDeviceReads(&plan);
    plan.Run(*DataManager);
    ShowDeviceRecord();
}

bool TMapPage::Q3MapShown() const
{
    return ChBMapQ3Visible && !ChBMapQ3Visible->isHidden() && ChBMapQ3Visible->isChecked();
}

bool TMapPage::CellsShown() const
{
    auto *sensors = Control<QComboBox>(QStringLiteral("CmBConfPressSensType"));
    return !(sensors && sensors->currentIndex() >= 0 && sensors->currentData().toInt() == 1);
}

void TMapPage::AddDeviceReads(TReadPlan *plan) const
{
    if (NotReady())
        return;
    // The recorded points with their number, on the load axis of the engine
    // as the record holds it when they are read.
    const bool kind48 = DataManager->IsDeviceType(48);
    plan->Add(kind48 ? 0xD6 : 0x31, TReadPlan::kAll, [this, kind48](TDataManager &dm) {
        return kind48 ? dm.ReadRecording2(LoadAxisMax()) : dm.ReadRecording(LoadAxisMax());
    });
    if ((CellsShown() && DataManager->Kind48Holds(kind48::TFilePart::MapRows)) || Q3MapShown())
        plan->MapRows();
    if (Q3MapShown())
        plan->Add(0xDD, TReadPlan::kAll, [](TDataManager &dm) { return dm.ReadMapRowsDD(); });
}

void TMapPage::ShowDeviceRecord()
{
    ShowCounts();
    drawMapChart(false);
    if (Q3MapShown())
        drawMapQ3Chart(false);
}

void TMapPage::ClassifyMap(MapMath::TClassKey key)
{
    if (NotReady())
        return;
    {
        TWaitCursor wait;
        ReadRecordedPoints();
    }
    if (Model2) {
        Model2->Chart->Series[TModel2Chart::sMap].clear();
        Model2->Chart->Repaint();
    }
    if (LblCalMapNameFile)
        LblCalMapNameFile->SetCaption(QString());
    for (int i : {0, 1, 4, 5, 6, 7, 8, 9})
        if (QXYSeries *a = Series(ChtMapa, i))
            a->clear();
    for (int i : {0, 1})
        if (QXYSeries *b = Series(ChtMapa2, i))
            b->clear();
    QList<QPointF> petrol, gas;
    for (const auto &p : PetrolPoints())
        petrol.append(QPointF(p.Pressure, p.Time));
    for (const auto &p : GasPoints())
        gas.append(QPointF(p.Pressure, p.Time));
    const std::pair<int, QList<QPointF>> shown[] = {{1, petrol},
                                                    {0, gas},
                                                    {4, ClassifyPoints(PetrolPoints(), key)},
                                                    {7, ClassifyPoints(GasPoints(), key)}};
    for (const auto &[index, points] : shown)
        if (QXYSeries *a = Series(ChtMapa, index))
            a->replace(points);
}

void TMapPage::ShowCounts()
{
    auto show = [this](TCaptionPanel *label, int count, const QColor &colour) {
        if (!label)
            return;
        label->SetCaption(QString::asprintf("%d", count));
        QFont font = label->parentWidget() ? label->parentWidget()->font() : label->font();
        QPalette palette = label->parentWidget() ? label->parentWidget()->palette() : label->palette();
        if (count >= 127) {
            font.setBold(true);
            palette.setColor(QPalette::WindowText, colour);
        }
        label->setFont(font);
        label->setPalette(palette);
    };
    show(LblLenMapPETROL, DataManager ? DataManager->RecordingCount1 : 0, kPetrolColour);
    show(LblLenMapLPG, DataManager ? DataManager->RecordingCount2 : 0, kGasColour);
}

void TMapPage::DrawMapChart() { drawMapChart(true); }

void TMapPage::drawMapChart(bool readRows)
{
    if (LblCalMapNameFile)
        LblCalMapNameFile->SetCaption(QString());
    const int item = CmBCalMapRPMRange ? CmBCalMapRPMRange->currentIndex() : -1;
    std::array<QList<QPointF>, 10> s;
    for (const auto &p : PetrolPoints())
        s[BandInRange(item, p.State) ? 1 : 4].append(QPointF(p.Pressure, p.Time));
    for (const auto &p : GasPoints())
        s[BandInRange(item, p.State) ? 0 : 7].append(QPointF(p.Pressure, p.Time));
    MapComplete = MapCoversRanges = false;
    MapValidCellCount = 0;

    if (CellsShown()) {
        if (readRows && DataManager && DataManager->Kind48Holds(kind48::TFilePart::MapRows))
            DataManager->ReadMapRowsDC();
        const TCellMapStats stats = CellMapStats(DeviceRecord.MapRows, DeviceRecord.EngineType);
        s[3] = stats.Points;
        if (ChBCalMapDetails && ChBCalMapDetails->isChecked()) {
            for (int k = 0; k < stats.Shown; ++k) {
                const auto &petrol = DeviceRecord.MapRows[k];
                const auto &gas = DeviceRecord.MapRows2[k];
                for (int w = 1; w <= 2; ++w) {
                    if (CellValid(petrol[w]))
                        s[w == 1 ? 5 : 6].append(QPointF(kPetrolCellLoad0 + kCellStep * k, CellMs(petrol[w])));
                    if (CellValid(gas[w]))
                        s[w == 1 ? 8 : 9].append(QPointF(kGasCellLoad0 + kCellStep * k, CellMs(gas[w])));
                }
            }
        }
        MapComplete = stats.Complete;
        MapCoversRanges = stats.CoversRanges;
        MapValidCellCount = stats.Valid;
    }
    if (Model2)
        Model2->AdaptMapComplete = MapComplete;
    for (int i : {0, 1, 3, 4, 5, 6, 7, 8, 9}) {
        if (QXYSeries *a = Series(ChtMapa, i))
            a->replace(s[i]);
        if (QXYSeries *b = Series(ChtMapa2, i))
            b->replace(Swapped(s[i]));
    }
    ChtMapaAfterDraw();
}

void TMapPage::DrawMapQ3Chart() { drawMapQ3Chart(true); }

void TMapPage::drawMapQ3Chart(bool readRows)
{
    if (readRows && DataManager) {
        DataManager->ReadMapRowsDC();
        DataManager->ReadMapRowsDD();
    }
    std::array<QList<QPointF>, 10> s;
    for (int k = 0; k < TDeviceRecord::MapRowCount; ++k) {
        static const int petrolSeries[3] = {1, 5, 6}, gasSeries[3] = {0, 8, 9};
        for (int w = 0; w < 3; ++w) {
            if (CellValid(DeviceRecord.MapRows[k][w]))
                s[petrolSeries[w]].append(QPointF(kPetrolCellLoad0 + kCellStep * k, CellMs(DeviceRecord.MapRows[k][w])));
            if (CellValid(DeviceRecord.MapRows2[k][w]))
                s[gasSeries[w]].append(QPointF(kGasCellLoad0 + kCellStep * k, CellMs(DeviceRecord.MapRows2[k][w])));
        }
    }
    for (int i : {0, 1, 5, 6, 8, 9})
        if (QXYSeries *q = Series(ChtMapaQ3, i))
            q->replace(s[i]);
    ChtMapaAfterDraw();
}

void TMapPage::UpdateMapChartsVisibility()
{
    const bool q3 = ChBMapQ3Visible && !ChBMapQ3Visible->isHidden() && ChBMapQ3Visible->isChecked();
    ChtMapaQ3->setVisible(q3);
    ChtMapa->setVisible(!q3);
}

void TMapPage::ChtMapaAfterDraw()
{
    const double max = LoadAxisMax();
    for (QChartView *view : {ChtMapa, ChtMapaQ3, ChtMapa2}) {
        ChartNumbersIn(view->chart(), ShownLocale()); // the language shown as it is now
        if (QValueAxis *axis = LoadAxis(view); axis && axis->max() != max)
            axis->setMax(max);
    }
}

void TMapPage::ChBCalMapChangeAxiesClick()
{
    const bool swapped = ChBCalMapChangeAxies && ChBCalMapChangeAxies->isChecked();
    auto label = [this](const char *name) { return Control<TCaptionPanel>(QString::fromLatin1(name)); };
    TCaptionPanel *x = label("LblCalTxtX"), *x2 = label("LblCalTxtX2"), *y = label("LblCalTxtY");
    if (swapped == !ChtMapa2->isHidden())
        return;
    ChtMapa2->setVisible(swapped);
    if (x && x2 && y) {
        const QString tx = x->Caption(), tx2 = x2->Caption(), ty = y->Caption();
        if (swapped) {
            y->SetCaption(tx2);
            x2->SetCaption(tx);
            x->SetCaption(ty);
        } else {
            x2->SetCaption(ty);
            x->SetCaption(tx2);
            y->SetCaption(tx);
        }
        x2->setVisible(!swapped);
    }
    for (const char *name : {"PnlCalLoadL", "PnlCalLoadM", "PnlCalLoadH"})
        if (auto *panel = Control<QWidget>(QString::fromLatin1(name)))
            panel->setVisible(!swapped);
}

void TMapPage::TimerMapaTimer()
{
    auto *calibration = Control<QWidget>(QStringLiteral("TbSCalibration"));
    auto *map = Control<QWidget>(QStringLiteral("TbSCalMap"));
    if (PgCMain && PgCCalibration && PgCMain->currentWidget() == calibration
        && PgCCalibration->currentWidget() == map && ChkCalMapAutoRefresh && ChkCalMapAutoRefresh->isChecked())
        BtnCalMapReadClick();
}

void TMapPage::PgCModel2ModelChange()
{
    if (PgCModel2Model && PgCModel2Model->currentWidget()
        && PgCModel2Model->currentWidget()->objectName() == QLatin1String("TbSModel2Adaptation"))
        BtnCalMapReadClick();
}

// ---- Clearing and the collection band -----------------------------------------

void TMapPage::BtnCalMapPetrolClearClick()
{
    if (NotReady() || !Common || !Common->AskYesNo(Tr(QStringLiteral("strQuestMapPetrolClear"))))
        return;
    ClearPetrolMapAct();
}

void TMapPage::BtnCalMapLPGClearClick()
{
    if (NotReady() || !Common || !Common->AskYesNo(Tr(QStringLiteral("strQuestMapGasClear"))))
        return;
    ClearGasMap();
}

void TMapPage::ClearPetrolMapAct()
{
    if (NotReady())
        return;
    if (DataManager->IsDeviceType(48)) {
        DataManager->ClearMapDE(ChBMapQ3Visible && ChBMapQ3Visible->isChecked() ? 3 : 1);
    } else if (!DataManager->ClearRecord198()) {
        if (Common)
            Common->ShowInformation(Tr(QStringLiteral("strMapClear")));
        return;
    }
    BtnCalMapReadClick();
}

void TMapPage::ClearGasMap()
{
    if (NotReady())
        return;
    if (DataManager->IsDeviceType(48)) {
        if (!(ChBMapQ3Visible && ChBMapQ3Visible->isChecked()))
            DataManager->ClearMapDE(2);
        DataManager->ClearMapDE(4);
    } else if (!DataManager->ClearRecord199()) {
        if (Common)
            Common->ShowInformation(Tr(QStringLiteral("strMapClear")));
        return;
    }
    BtnCalMapReadClick();
}

void TMapPage::CmBCalMapRPMRangeChange()
{
    if (NotReady() || !CmBCalMapRPMRange || CmBCalMapRPMRange->currentIndex() < 0)
        return;
    const auto item = uint8_t(CmBCalMapRPMRange->currentIndex());
    DeviceRecord.MapRPMRange = item;
    DataManager->WriteParamByte(19, item);
    if (!Common || !Common->AskYesNo(Tr(QStringLiteral("strQuestMapsClear"))))
        return;
    if (DataManager->ClearRecord198() && DataManager->ClearRecord199()) {
        DataManager->ClearMapDE(3);
        DataManager->ClearMapDE(4);
        BtnCalMapReadClick();
    } else {
        Common->ShowInformation(Tr(QStringLiteral("strMapClear")));
    }
}

void TMapPage::BtnCalMapClearAdaptationTemplateClearClick()
{
    if (NotReady() || !Common)
        return;
    const QString text = Tr(QStringLiteral("strAdaptationOffTemplateClear")) + QLatin1Char(' ')
                         + Tr(QStringLiteral("strQuestAdaptationTemplateClear"));
    if (!Common->AskYesNo(text))
        return;
    // Reads parameter 31 and writes it back with bit 6 (adaptation) clear;
    // nothing is written when the read failed.
    DataManager->SetAdaptationMode(false);
    DataManager->ClearMapDE(3);
    BtnCalMapReadClick();
}

void TMapPage::BtnCalMapLoadFromFileClick()
{
    if (NotReady())
        return;
    const QString file = Hooks.ChooseSettingsFile ? Hooks.ChooseSettingsFile() : QString();
    if (file.isEmpty())
        return;
    // The file is read and checked as File > Load reads a kind-48 file's
    // map cells, before anything on the device is cleared: a refused file
    // is named with what is wrong, and nothing is cleared or written.
    TIniFile ini;
    TSettingsLoad load;
    TSettingsError e = TSettingsFile::Open(file, true, ini);
    if (!e.Failed())
        e = TSettingsFile::ReadMapCells(ini, load);
    if (!e.Failed() && !load.HasMapPoints) {
        // Saved from a device that holds no map cells: nothing to load.
        e.Detail = QStringLiteral("[Map]");
        e.Reason = QStringLiteral("strSetFileNoMap");
        e.Args = {QStringLiteral("MapQ3_0_0"), QStringLiteral("MapQ3_%1_0").arg(TDeviceRecord::MapRowCount - 1)};
    }
    if (e.Failed()) {
        FForm->RefuseSettingsFile(e, file);
        return;
    }
    if (!DataManager->ClearRecord198()) {
        if (Common)
            Common->ShowInformation(Tr(QStringLiteral("strMapClear")));
    } else {
        DataManager->ClearMapDE(3);
    }
    for (int i = 0; i < TDeviceRecord::MapRowCount; ++i)
        DeviceRecord.MapRows[i][0] = load.MapWord0[i];
    if (DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("F")))
        DataManager->WriteMapRowDF();
    BtnCalMapReadClick();
}

// ---- Map files ----------------------------------------------------------------

void TMapPage::BtnCalMapSaveAsClick()
{
    if (NotReady())
        return;
    const QString file = Hooks.ChooseMapFile ? Hooks.ChooseMapFile(true) : QString();
    if (!file.isEmpty())
        SaveMapToFile(file);
}

void TMapPage::BtnCalMapLoadClick()
{
    if (NotReady())
        return;
    const QString file = Hooks.ChooseMapFile ? Hooks.ChooseMapFile(false) : QString();
    if (!file.isEmpty())
        LoadMapFromFile(file);
}

void TMapPage::SaveMapToFile(const QString &fileName)
{
    const auto petrol = PetrolPoints(), gas = GasPoints();
    const QByteArray data = MapFile::Save(MapFile::TPoints(petrol.begin(), petrol.end()),
                                          MapFile::TPoints(gas.begin(), gas.end()),
                                          QLocale().decimalPoint().at(0));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (Common)
            Common->ShowError(Tr(QStringLiteral("strFileWriteError")).arg(fileName, file.errorString()));
    }
}

void TMapPage::LoadMapFromFile(const QString &fileName)
{
    if (fileName.isEmpty() || !DataManager)
        return;
    // Only a regular file of a map file's size is read.
    const TFileRead read = ReadRegularFile(fileName, MapFile::kMaxFileSize);
    // A missing file does nothing, unless its name is one the system's text
    // cannot spell (chosen in the dialog, yet unreachable by that name).
    if (read.Result == TFileRead::Status::NotFound && !TFileRead::NameUnreadable(fileName))
        return;
    if (!read.Ok()) {
        if (Common)
            Common->ShowError(read.Describe(fileName, MapFile::kMaxFileSize));
        return;
    }
    const int sensorType = DeviceRecord.PressureSensorType;
    const MapFile::TReadResult r = MapFile::Read(read.Bytes, sensorType);
    if (!r.Ok) {
        // Nothing is changed or written when the file is refused.
        QString reason = Tr(r.ErrorKey);
        if (r.ErrorKey == QLatin1String("strMapFileOutOfRange") && reason.contains(QLatin1String("%2"))) {
            double low = 0, high = 0;
            MapFile::LoadRange(sensorType, low, high);
            reason = reason.arg(FormatFloat2(low)).arg(FormatFloat2(high));
        }
        QString text = reason + QStringLiteral("\n") + fileName;
        if (r.Line > 0)
            text += QStringLiteral(" (%1)").arg(r.Line);
        if (Common)
            Common->ShowWarning(text);
        return;
    }
    DataManager->RecordingCount1 = DataManager->RecordingCount2 = 0;
    // The device stops at a word it does not take; the page keeps the file's
    // points and says that the device does not hold them all.
    bool written = true;
    auto store = [&written](const MapFile::TPoints &points,
                            std::array<TRecordingPoint, TDeviceRecord::RecordingSize> &table, uint8_t &count,
                            uint16_t base, uint16_t countIndex) {
        // The page shows the points as the device holds them.
        table.fill(TRecordingPoint{});
        for (size_t c = 0; c < points.size(); ++c)
            table[c] = MapFile::Stored(points[c], DeviceRecord.PressureSensorType);
        count = uint8_t(points.size());
        for (size_t c = 0; c < points.size() && written; ++c)
            written = DataManager->WriteCmd32(uint16_t(base + 2 * c),
                                              PackMapPoint(points[c].State, points[c].Time, points[c].Pressure));
        written = written && DataManager->WriteCounter34(countIndex, uint8_t(points.size()));
    };
    // A block the file lacks is an empty table: its count 0 is written too,
    // so the device holds what the page shows.
    store(r.Petrol, DeviceRecord.Recording1, DataManager->RecordingCount1, 200, 198);
    store(r.Gas, DeviceRecord.Recording2, DataManager->RecordingCount2, 456, 199);
    ShowCounts();
    DrawMapChart();
    if (LblCalMapNameFile)
        LblCalMapNameFile->SetCaption(fileName);
    if (!written && Common)
        Common->ShowWarning(Tr(QStringLiteral("strMapFileWriteIncomplete")) + QStringLiteral("\n") + fileName);
}

// ---- Calculations -------------------------------------------------------------

void TMapPage::BtnCalMapCalculateClick(QObject *sender)
{
    CalculateModelForDevice(sender, true);
}

void TMapPage::CalculateModelForDevice(QObject *sender, bool showPage)
{
    if (NotReady())
        return;
    if (DataManager->IsDeviceType(20) || DataManager->IsDeviceType(21)) {
        if (MapCalculate_Model() && sender && sender == BtnCalMapSetModel)
            ModelSegmentsByCalculations();
    } else if (DataManager->IsDeviceType(48)) {
        if (DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("E"))
            && (MapComplete || (MapCoversRanges && PetrolPoints().size() < 20)))
            MapQ3Calculate_Model2();
        else
            MapCalculate_Model2();
        if (showPage && PgCCalibration)
            TCommon::ActivatePage(PgCCalibration, Control<QWidget>(QStringLiteral("TbSCalModel2")), false);
        if (sender && (sender == BtnCalMapSetModel || sender == BtnCalMapAdjust))
            ModelByCalculations();
    }
    FForm->SetIdleModelChanged(false);
}

bool TMapPage::MapCalculate_Model()
{
    if (!Model)
        return false;
    for (int i : {0, 1})
        if (QXYSeries *s = Model->Series(i))
            s->clear();
    const auto petrol = PetrolPoints(), gas = GasPoints();
    if (const QString w = CheckMapPoints(int(petrol.size()), int(gas.size())); !w.isEmpty()) {
        Warn(w);
        return false;
    }
    DataManager->ReadModelFactors();
    FForm->ReadModelParams();
    if (QXYSeries *s = Model->Series(5))
        s->clear();
    const auto &r = DeviceRecord;
    TModelFactors model;
    model.Mult = r.Mult;
    model.Offset = r.Offset;
    model.P = {r.P1, r.P2, r.P3, r.P4};
    model.E = {r.E1, r.E2, r.E3, r.E4};
    const TCalculated result = CalculateModel(petrol, gas, model);
    if (!result.Warning.isEmpty()) {
        Warn(result.Warning);
        return false;
    }
    if (QXYSeries *s = Model->Series(1))
        s->replace(result.Points);
    if (result.RangeFitUsed && PgCCalibration)
        TCommon::ActivatePage(PgCCalibration, Control<QWidget>(QStringLiteral("TbSCalModel")), false);
    return true;
}

namespace {

ModelMath::TRawCurve RecordCurve()
{
    ModelMath::TRawCurve raw;
    for (int k = 0; k < ModelMath::kModel2MaxPoints; ++k)
        raw[k] = ModelMath::TRawPoint{DeviceRecord.ModelPointsA[k].X, DeviceRecord.ModelPointsA[k].Y};
    return raw;
}

} // namespace

void TMapPage::MapCalculate_Model2()
{
    if (!Model2)
        return;
    const auto petrol = PetrolPoints(), gas = GasPoints();
    if (const QString w = CheckMapPoints(int(petrol.size()), int(gas.size())); !w.isEmpty()) {
        Warn(w);
        return;
    }
    DataManager->ReadMapD4();
    Model2->Chart->Series[TModel2Chart::sMap].clear();
    for (int i = 10; i < 16; ++i)
        if (QXYSeries *s = Series(ChtMapa, i))
            s->clear();
    const TCalculated result = CalculateModel2(petrol, gas, RecordCurve());
    if (!result.Warning.isEmpty())
        Warn(result.Warning);
    Model2->Chart->Series[TModel2Chart::sMap] = result.Points;
    Model2->Chart->Repaint();
}

void TMapPage::MapQ3Calculate_Model2()
{
    if (!Model2)
        return;
    const TCalculated result = CalculateModel2FromCells(GasPoints(), DeviceRecord.MapRows, RecordCurve());
    if (!result.Warning.isEmpty()) {
        Warn(result.Warning);
        return;
    }
    Model2->Chart->Series[TModel2Chart::sMap] = result.Points;
    Model2->Chart->Repaint();
}

void TMapPage::ModelByCalculations()
{
    if (!Model2)
        return;
    ModelMath::TCurve &curve = Model2->Curve();
    if (!FitModel2(curve, Model2->Chart->Series[TModel2Chart::sMap], DeviceRecord.Offset))
        return;
    const ModelMath::TRawCurve raw = ModelMath::RawFromCurve(curve);
    for (int k = 0; k < ModelMath::kModel2MaxPoints; ++k)
        DeviceRecord.ModelPointsA[k] = TModelPoint{raw[k].X, raw[k].Y};
    Model2->Model2Modified = true;
    FForm->SetConfigModified(true);
    Model2->Chart->Repaint();
}

void TMapPage::ModelSegmentsByCalculations()
{
    if (!Model)
        return;
    QXYSeries *calculated = Model->Series(1), *line = Model->Series(3);
    auto *mult = Control<QSpinBox>(QStringLiteral("UpDModMult"));
    auto *offset = Control<QSpinBox>(QStringLiteral("UpDModOffset"));
    if (!calculated || !line || !mult || !offset)
        return;
    TSegmentFit fit = FitModelSegments(calculated->points(), line->points(), offset->value());
    if (!fit.Warning.isEmpty()) {
        Warn(fit.Warning);
        return;
    }
    if (fit.MultPosition != mult->value()) {
        FForm->SetConfigModified(true);
        mult->setValue(fit.MultPosition);
        if (auto *text = Control<QLineEdit>(QStringLiteral("EdtModMULT_")))
            text->setText(TSettingsFile::FormatFloat(fit.Mult, ShownLocale().decimalPoint().at(0)));
        FForm->DrawModelChart();
        // The segments are fitted to the model line as the new multiplier draws it.
        fit = FitModelSegments(calculated->points(), line->points(), offset->value());
    }
    if (!fit.Changed)
        return;
    const char *names[4] = {"UpDWzbogacenieProgA", "UpDWzbogacenieProgB", "UpDWzbogacenieProgC",
                            "UpDWzbogacenieProgD"};
    for (int j = 0; j < 4; ++j)
        if (auto *spin = Control<QSpinBox>(QString::fromLatin1(names[j])))
            spin->setValue(fit.Enrichments[j]);
    FForm->SetConfigModified(true);
}

void TMapPage::BtnCalMapAdjustClick()
{
    if (NotReady())
        return;
    CalculateModelForDevice(BtnCalMapAdjust, false);
    FForm->SetConfigModified(false);
    FForm->BtBModel2WriteClick();
    DataManager->ReadRecordingSize();
    if (DataManager->RecordingCount2 > 0 && !FForm->IdleModelChanged())
        ClearGasMap();
    FForm->SetIdleModelChanged(false);
}

void TMapPage::BtnCalMapCalcClearClick()
{
    if (NotReady())
        return;
    if (Model)
        if (QXYSeries *s = Model->Series(1))
            s->clear();
    if (Model2) {
        Model2->Chart->Series[TModel2Chart::sMap].clear();
        Model2->Chart->Repaint();
    }
}

void TMapPage::DrawModelMultsChart()
{
    if (!Model2)
        return;
    Model2->Chart->Series[TModel2Chart::sMults] = Model2Slopes(Model2->Curve());
    Model2->Chart->Repaint();
}
