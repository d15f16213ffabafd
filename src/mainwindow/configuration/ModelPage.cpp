#include "mainwindow/configuration/ModelPage.h"

#include "mainwindow/configuration/Model2Page.h"

#include "core/DataManager.h"
#include "mainwindow/configuration/ModelFile.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/NumberText.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "mainwindow/configuration/CorrectionControls.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/TimerPause.h"
#include "mainwindow/shell/FormMainLayout.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

using namespace ModelMath;

namespace {

QString Tr(const QString &key)
{
    return LM ? LM->Translate(key) : key;
}

} // namespace

TModelPage::TModelPage(TFormMain *form) : QObject(form), FForm(form)
{
    setObjectName(QStringLiteral("ModelPage"));
    // Its own sheet, then the calibration pages it switches between.
    SetPanels({form->OwnPanel("TbSCalModel"), form->OwnPanel("TbSCalibration")});
    auto get = [this](const QString &name) { return Control<QWidget>(name); };
    auto spin = [&](const QString &n) { return qobject_cast<QSpinBox *>(get(n)); };
    const QString letters = QStringLiteral("ABCD");
    static const int kMin[4] = {1, 2, 3, 4}, kMax[4] = {14, 16, 18, 20};
    for (int k = 0; k < 4; ++k) {
        UpDProg[k] = spin(QStringLiteral("UpDProg") + letters[k]);
        UpDWzbogacenieProg[k] = spin(QStringLiteral("UpDWzbogacenieProg") + letters[k]);
        if (UpDProg[k])
            UpDProg[k]->setRange(kMin[k], kMax[k]);
        if (UpDWzbogacenieProg[k])
            UpDWzbogacenieProg[k]->setRange(-50, 50);
    }
    UpDModMult = spin(QStringLiteral("UpDModMult"));
    UpDModOffset = spin(QStringLiteral("UpDModOffset"));
    UpDModCorrectionMult = spin(QStringLiteral("UpDModCorrectionMult"));
    for (QSpinBox *s : {UpDModMult, UpDModOffset, UpDModCorrectionMult})
        if (s)
            s->setRange(-40, 40);
    // The offset's up-down steps the edit beside it, which shows the value:
    // only its arrows show, however wide the window makes it.
    if (UpDModOffset)
        UpDModOffset->setStyleSheet(QStringLiteral("QSpinBox { color: transparent; }"));
    EdtModMULT_ = qobject_cast<QLineEdit *>(get(QStringLiteral("EdtModMULT_")));
    YEdModOffset = qobject_cast<QLineEdit *>(get(QStringLiteral("YEdModOffset")));
    YEdModCorrectionOffset = qobject_cast<QLineEdit *>(get(QStringLiteral("YEdModCorrectionOffset")));
    for (QLineEdit *e : {EdtModMULT_, YEdModOffset})
        if (e)
            e->setReadOnly(true);
    for (int k = 0; k < 8; ++k)
        ChBModCorrectionMask[k] = qobject_cast<QAbstractButton *>(get(QStringLiteral("ChBModCorrectionMask%1").arg(k + 1)));
    LblModInfo1 = qobject_cast<TCaptionPanel *>(get(QStringLiteral("LblModInfo1")));
    PgCCalibration = qobject_cast<QTabWidget *>(get(QStringLiteral("PgCCalibration")));
    TbSCalMap = get(QStringLiteral("TbSCalMap"));

    // The chart's seven series and its axes: 0..20 ms petrol, 0..36 ms gas.
    ChtModel = qobject_cast<QChartView *>(get(QStringLiteral("ChtModel")));
    if (!ChtModel)
        ChtModel = new QChartView(form);
    QChart *chart = ChtModel->chart();
    ChartNumbersIn(chart, ShownLocale());
    auto *axisX = new QValueAxis(chart);
    axisX->setRange(0, kModelMaxX);
    axisX->setTickCount(5);
    axisX->setLabelFormat(QStringLiteral("%d"));
    auto *axisY = new QValueAxis(chart);
    axisY->setRange(0, 36);
    axisY->setTickCount(7);
    axisY->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    const char *titles[7] = {"MOD_MULTS", "MOD_MAP (Mapa)", "MOD_ORIG (ModelOrig)", "MOD_POINTS (Model)",
                             "MOD_ACTUAL (Aktualny)", "MOD_REAL (Rzeczywiste)", "MOD_CHANGE (Wybrany)"};
    for (int i = 0; i < 7; ++i) {
        QXYSeries *s = nullptr;
        if (i == 1 || i >= 4) {
            auto *scatter = new QScatterSeries(chart);
            scatter->setMarkerSize(i == 4 ? 10 : 7);
            scatter->setColor(i == 4 ? QColor(0x00, 0xC0, 0xFF) : i == 1 ? Qt::blue : QColor(0x80, 0x00, 0x80));
            s = scatter;
        } else {
            auto *line = new QLineSeries(chart);
            if (i == 2)
                line->setPen(QPen(QColor(0x00, 0x80, 0x00), 1));
            if (i == 3) {
                line->setPen(QPen(Qt::red, 2));
                line->setPointsVisible(true);
            }
            s = line;
        }
        s->setName(QString::fromLatin1(titles[i]));
        chart->addSeries(s);
        s->attachAxis(axisX);
        s->attachAxis(axisY);
    }
    ChtModel->viewport()->installEventFilter(this);

    // User actions (the program's own updates are guarded).
    auto onSpin = [this](QSpinBox *s, void (TModelPage::*slot)()) {
        if (s)
            connect(s, &QSpinBox::valueChanged, this, [this, slot](int) {
                if (!FFilling)
                    (this->*slot)();
            });
    };
    for (int k = 0; k < 4; ++k) {
        onSpin(UpDProg[k], &TModelPage::EdtProgChange);
        onSpin(UpDWzbogacenieProg[k], &TModelPage::EdtWzbogacenieChange);
    }
    onSpin(UpDModMult, &TModelPage::UpDModMultClick);
    onSpin(UpDModOffset, &TModelPage::UpDModOffsetClick);
    if (EdtModMULT_)
        connect(EdtModMULT_, &QLineEdit::textChanged, this, &TModelPage::EdtModMULT_Change);
    for (QAbstractButton *b : ChBModCorrectionMask)
        if (b)
            connect(b, &QAbstractButton::clicked, this, &TModelPage::ChBModCorrectionMaskClick);
    auto onClick = [&](const char *name, void (TModelPage::*slot)()) {
        if (auto *b = qobject_cast<QAbstractButton *>(get(QString::fromLatin1(name))))
            connect(b, &QAbstractButton::clicked, this, slot);
    };
    onClick("BtBModDefault", &TModelPage::BtBModDefaultClick);
    onClick("BtBModRead", &TModelPage::BtBModReadClick);
    onClick("SpBModReadFrom", &TModelPage::SpBModReadFromClick);
    DrawModelChart();
}

QXYSeries *TModelPage::Series(int index) const
{
    const auto list = ChtModel->chart()->series();
    return index >= 0 && index < list.size() ? qobject_cast<QXYSeries *>(list.at(index)) : nullptr;
}

ModelMath::TLinearModel TModelPage::PlainModel() const
{
    TLinearModel g;
    if (!EdtModMULT_ || !YEdModOffset || EdtModMULT_->text().isEmpty() || YEdModOffset->text().isEmpty())
        return g;
    g.Valid = true;
    g.M = FShownMult.TakeShown(EdtModMULT_->text(), 0.0);
    g.B = FShownOffset.TakeShown(YEdModOffset->text(), 0.0);
    return g;
}

std::array<int, 4> TModelPage::Thresholds() const
{
    std::array<int, 4> p{};
    for (int k = 0; k < 4; ++k)
        p[k] = UpDProg[k] ? UpDProg[k]->value() : 0;
    return p;
}

std::array<int, 4> TModelPage::Enrichments() const
{
    std::array<int, 4> e{};
    for (int k = 0; k < 4; ++k)
        e[k] = UpDWzbogacenieProg[k] ? UpDWzbogacenieProg[k]->value() : 0;
    return e;
}

void TModelPage::ShowLevels(const int (&p)[4], const int (&e)[4])
{
    const auto shownP = Thresholds(), shownE = Enrichments();
    for (int k = 0; k < 4; ++k) {
        FShownLevels[k].Show(p[k], QString::number(shownP[k]));
        FShownLevels[4 + k].Show(e[k], QString::number(shownE[k]));
    }
}

void TModelPage::Fill(const std::function<void()> &fn)
{
    const bool was = FFilling;
    FFilling = true;
    fn();
    FFilling = was;
}

uint8_t TModelPage::MaskFromBoxes() const
{
    return CorrectionControls::MaskOf(ChBModCorrectionMask);
}

void TModelPage::ShowMult(double mult)
{
    if (EdtModMULT_) {
        EdtModMULT_->setText(FormatDecimals(mult, 2));
        FShownMult.Show(mult, EdtModMULT_->text());
    }
    if (UpDModMult)
        UpDModMult->setValue(FactorToPercent(mult));
}

// ---- Chart ----------------------------------------------------------------------

void TModelPage::UpdateModelSeries(int index)
{
    QXYSeries *s = Series(3);
    if (!s || index < 0 || index >= s->count() || index >= kModelPointCount)
        return;
    const auto p = Thresholds();
    const double x = index == 0 ? 0.0 : index == 5 ? kModelMaxX : p[index - 1];
    s->replace(index, QPointF(x, ModelPointY(PlainModel(), p, Enrichments(), index)));
}

void TModelPage::RedrawModelSeries(int index, int threshold, int enrichment)
{
    if (index < 1 || index > 4)
        return;
    Fill([&] {
        if (UpDProg[index - 1])
            UpDProg[index - 1]->setValue(threshold);
        if (UpDWzbogacenieProg[index - 1])
            UpDWzbogacenieProg[index - 1]->setValue(enrichment);
    });
    UpdateModelSeries(index);
    // The last point extends the third-to-fourth segment.
    if (index >= 3)
        UpdateModelSeries(5);
}

void TModelPage::DrawModelChart()
{
    for (int i : {2, 3, 4, 5})
        if (QXYSeries *s = Series(i))
            s->clear();
    if (QXYSeries *s = Series(4))
        s->append(0, 0);
    const TLinearModel g = PlainModel();
    if (QXYSeries *s = Series(2))
        s->replace(QList<QPointF>{QPointF(0, g.At(0)), QPointF(kModelMaxX, g.At(kModelMaxX))});
    if (QXYSeries *s = Series(3)) {
        const auto p = Thresholds();
        s->replace(QList<QPointF>{QPointF(0, 0), QPointF(p[0], 0), QPointF(p[1], 0), QPointF(p[2], 0),
                                  QPointF(p[3], 0), QPointF(kModelMaxX, 0)});
        for (int i = 0; i < kModelPointCount; ++i)
            UpdateModelSeries(i);
    }
    if (Hooks.SyncModel2Marker)
        Hooks.SyncModel2Marker();
}

QPointF TModelPage::ValueAt(QPoint at) const
{
    QChart *chart = ChtModel->chart();
    return chart->mapToValue(chart->mapFromScene(ChtModel->mapToScene(at)), Series(3));
}

void TModelPage::ChtModelMouseDown(Qt::MouseButton button, QPoint at)
{
    FDrag.Pending = false;
    if (button != Qt::LeftButton)
        return;
    const int x = int(RoundEven(ValueAt(at).x()));
    ModelDragIndex = -1;
    if (QXYSeries *s = Series(3))
        for (int i = 0; i < s->count(); ++i)
            if (s->at(i).x() == x) {
                ModelDragIndex = i;
                break;
            }
    if (ModelDragIndex >= 0) {
        FDrag.Pending = true;
        FDrag.PressAt = at;
    }
}

void TModelPage::ChtModelStartDrag()
{
    if (FForm->Timerek)
        FForm->Timerek->stop();
}

void TModelPage::ChtModelDragOver(QPoint at)
{
    QXYSeries *s = Series(3);
    const int i = ModelDragIndex;
    if (!s || i <= 0 || i >= s->count() - 1)
        return;
    const QPointF v = ValueAt(at);
    const double y = std::max(0.0, Round1(v.y()));
    const int x = int(RoundEven(v.x()));
    std::array<double, kModelPointCount> xs{};
    for (int k = 0; k < kModelPointCount && k < s->count(); ++k)
        xs[k] = s->at(k).x();
    // Where the plain model is 0 no enrichment puts the curve through the
    // mouse: the point stays.
    const auto e = ModelDragEnrichment(PlainModel(), x, y);
    if (e && ModelDragAllowed(xs, i, x)) {
        RedrawModelSeries(i, x, *e);
        FForm->SetConfigModified(true);
    }
    ChtModel->viewport()->update();
}

void TModelPage::ChtModelEndDrag()
{
    ModelDragIndex = -1;
    if (FForm->Timerek && FForm->Ready())
        FForm->Timerek->start();
}

bool TModelPage::eventFilter(QObject *watched, QEvent *event)
{
    if (!ChtModel || watched != ChtModel->viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        FDrag.Dragging = false;
        ChtModelMouseDown(e->button(), e->position().toPoint());
        return true;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        const QPoint at = e->position().toPoint();
        if (FDrag.Starts(*e, at)) {
            ChtModelStartDrag();
        }
        if (FDrag.Dragging)
            ChtModelDragOver(at);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (FDrag.Ends())
            ChtModelEndDrag();
        return true;
    case QEvent::Wheel:
        // The chart neither scrolls nor zooms.
        event->accept();
        return true;
    default:
        return false;
    }
}

// ---- Page actions ---------------------------------------------------------------

void TModelPage::ClearControls()
{
    Fill([&] {
        for (QSpinBox *s : UpDProg)
            if (s)
                s->setValue(s->minimum());
        for (QSpinBox *s : UpDWzbogacenieProg)
            if (s)
                s->setValue(0);
        for (QSpinBox *s : {UpDModMult, UpDModOffset, UpDModCorrectionMult})
            if (s)
                s->setValue(0);
        if (EdtModMULT_)
            EdtModMULT_->clear();
        for (QLineEdit *e : {YEdModOffset, YEdModCorrectionOffset})
            if (e)
                e->setText(QStringLiteral("0"));
        for (QAbstractButton *b : ChBModCorrectionMask)
            if (b)
                TCommon::SetCheckedSilently(b, false);
    });
    FShownMult = FShownOffset = FShownCorrMult = FShownCorrOffset = {};
    FShownLevels = {};
    ModelDragIndex = -1;
    DrawModelChart();
}

void TModelPage::BtBModDefaultClick()
{
    Fill([&] {
        const int p[4] = {5, 10, 15, 20};
        for (int k = 0; k < 4; ++k) {
            if (UpDProg[k])
                UpDProg[k]->setValue(p[k]);
            if (UpDWzbogacenieProg[k])
                UpDWzbogacenieProg[k]->setValue(0);
        }
        if (UpDModOffset)
            UpDModOffset->setValue(10);
        if (UpDModMult)
            UpDModMult->setValue(0);
    });
    if (YEdModOffset)
        YEdModOffset->setText(FormatDecimals(1.0, 1));
    UpDModMultClick();
    // The defaults are the user's change: Save writes them, leaving asks.
    FForm->SetConfigModified(true);
}

void TModelPage::UpDModMultClick()
{
    const double m = (UpDModMult ? UpDModMult->value() : 0) * 0.01 + 1.0;
    if (EdtModMULT_)
        EdtModMULT_->setText(FormatDecimals(m, ShortestDecimals));
    DrawModelChart();
}

void TModelPage::UpDModOffsetClick()
{
    if (YEdModOffset && UpDModOffset)
        YEdModOffset->setText(FormatDecimals(UpDModOffset->value() / 10.0, 1));
    DrawModelChart();
}

void TModelPage::EdtModMULT_Change()
{
    if (!LblModInfo1 || !EdtModMULT_)
        return;
    // The multiplier as its up-down wrote it; without one, the verdict of a
    // nozzle far too small.
    double m = 0.1;
    NumberText::ParseTyped(EdtModMULT_->text(), m);
    const auto &r = DeviceRecord;
    const double mean = (r.E1 + r.E2 + r.E3 + r.E4) / 4.0;
    LblModInfo1->SetCaption(Tr(NozzleVerdictKey(m, mean)));
}

void TModelPage::ChBModCorrectionMaskClick()
{
    DeviceRecord.CorrectionMask = MaskFromBoxes();
}

void TModelPage::ReadModelParams()
{
    if (!DataManager || DataManager->IsDeviceNotReady())
        return;
    DataManager->ReadModelFactors();
    if (Hooks.CmbKnfInjTypeChange)
        Hooks.CmbKnfInjTypeChange();
    for (uint8_t id : {11, 12, 13})
        DataManager->ReadParameter(id);
    ShowModelParams();
    FForm->SetConfigModified(false);
}

void TModelPage::ShowModelParams()
{
    const auto &r = DeviceRecord;
    Fill([&] {
        if (UpDModCorrectionMult) {
            UpDModCorrectionMult->setValue(FactorToPercent(r.CorrectionMult));
            FShownCorrMult.Show(r.CorrectionMult, QString::number(UpDModCorrectionMult->value()));
        }
        if (YEdModCorrectionOffset) {
            YEdModCorrectionOffset->setText(FormatDecimals(r.CorrectionOffset, 2));
            FShownCorrOffset.Show(r.CorrectionOffset, YEdModCorrectionOffset->text());
        }
        CorrectionControls::ShowMask(ChBModCorrectionMask, r.CorrectionMask);
        if (UpDModOffset)
            UpDModOffset->setValue(int(RoundEven(r.Offset * 10.0)));
        if (YEdModOffset) {
            YEdModOffset->setText(FormatDecimals((UpDModOffset ? UpDModOffset->value() : 0) / 10.0, 1));
            FShownOffset.Show(r.Offset, YEdModOffset->text());
        }
        ShowMult(r.Mult);
        const int p[4] = {r.P1, r.P2, r.P3, r.P4}, e[4] = {r.E1, r.E2, r.E3, r.E4};
        for (int k = 0; k < 4; ++k) {
            if (UpDProg[k])
                UpDProg[k]->setValue(p[k]);
            if (UpDWzbogacenieProg[k])
                UpDWzbogacenieProg[k]->setValue(e[k]);
        }
        ShowLevels(p, e);
    });
    DrawModelChart();
}

bool TModelPage::WriteFits() const
{
    // The correction offset is a free edit: a text that is no number, or a
    // number its word cannot hold, refuses the write.
    return !YEdModCorrectionOffset || CorrectionControls::TypedOffset(YEdModCorrectionOffset, FShownCorrOffset);
}

void TModelPage::BtBModWriteClick()
{
    if (!DataManager || DataManager->IsDeviceNotReady())
        return;
    // Refused before the question and the first frame.
    if (!WriteFits())
        return;
    TTimerPause pause(*FForm);
    const bool modified = FForm->ConfigModified();
    if (Hooks.UpdateLastChangeInfo && !Hooks.UpdateLastChangeInfo(modified))
        return;
    TRecordedWrite write;
    auto &r = DeviceRecord;
    auto p = Thresholds(), e = Enrichments();
    for (int k = 0; k < 4; ++k) {
        p[k] = int(FShownLevels[k].Take(QString::number(p[k]), p[k]));
        e[k] = int(FShownLevels[4 + k].Take(QString::number(e[k]), e[k]));
    }
    r.P1 = p[0], r.P2 = p[1], r.P3 = p[2], r.P4 = p[3];
    r.E1 = e[0], r.E2 = e[1], r.E3 = e[2], r.E4 = e[3];
    // The multiplier and the offset are the program's own texts (their
    // up-downs write them).
    if (EdtModMULT_)
        r.Mult = FShownMult.TakeShown(EdtModMULT_->text(), r.Mult);
    if (YEdModOffset)
        r.Offset = FShownOffset.TakeShown(YEdModOffset->text(), r.Offset);
    CorrectionControls::Take(UpDModCorrectionMult, FShownCorrMult, YEdModCorrectionOffset, FShownCorrOffset, ChBModCorrectionMask, r);
    bool ok = true;
    for (uint8_t id : {1, 2, 11, 12, 13, 3, 4, 5, 6, 7, 8, 9, 10})
        ok = DataManager->WriteParameter(id) && ok;
    ok = write.Report(ok && !DataManager->IsDeviceNotReady());
    DrawModelChart();
    pause.Resume();
    // After a failed exchange the device may hold part of the model: the
    // page stays modified so that the edits are not lost.
    FForm->ConfigWriteEnded(ok);
    if (!ok && Common)
        Common->ShowWarning(Tr(QStringLiteral("strCalWriteIncomplete")) + u' ' + Tr(QStringLiteral("strCalWhatModel")));
    if (ok && modified && DataManager->ReadRecordingSize() && DataManager->RecordingCount2 > 0 && Common
        && Common->AskYesNo(Tr(QStringLiteral("strQGasMapClearAfterModelChange")), QString())) {
        if (Hooks.ClearGasMap)
            Hooks.ClearGasMap();
        if (PgCCalibration && TbSCalMap)
            TCommon::ActivatePage(PgCCalibration, TbSCalMap, true);
    }
}

TPageLimits TModelPage::FileLimits() const
{
    TPageLimits page;
    for (int k = 0; k < 4; ++k) {
        ModelFile::AddUpDown(page, QStringLiteral("P%1").arg(k + 1), UpDProg[k], 1, 0);
        ModelFile::AddUpDown(page, QStringLiteral("E%1").arg(k + 1), UpDWzbogacenieProg[k], 1, 0);
    }
    ModelFile::AddUpDown(page, QStringLiteral("Mult"), UpDModMult, 100, 1);
    ModelFile::AddUpDown(page, QStringLiteral("CorrectionMult"), UpDModCorrectionMult, 100, 1);
    return page;
}

void TModelPage::SpBModReadFromClick()
{
    if (!DataManager || DataManager->IsDeviceNotReady() || !Hooks.ChooseSettingsFile)
        return;
    const QString file = Hooks.ChooseSettingsFile();
    if (file.isEmpty())
        return;
    QCoreApplication::processEvents();
    // Nothing of a file that is refused is taken.
    const auto load = ModelFile::Read(*FForm, file, FileLimits());
    if (!load)
        return;
    const TDeviceRecord &v = load->Record;
    auto &r = DeviceRecord;
    r.Mult = v.Mult;
    r.Offset = v.Offset;
    r.P1 = v.P1, r.P2 = v.P2, r.P3 = v.P3, r.P4 = v.P4;
    r.E1 = v.E1, r.E2 = v.E2, r.E3 = v.E3, r.E4 = v.E4;
    r.CorrectionMult = v.CorrectionMult;
    r.CorrectionOffset = v.CorrectionOffset;
    r.CorrectionMask = v.CorrectionMask;
    const int p[4] = {r.P1, r.P2, r.P3, r.P4}, e[4] = {r.E1, r.E2, r.E3, r.E4};
    Fill([&] {
        if (YEdModOffset) {
            YEdModOffset->setText(FormatDecimals(r.Offset, 2));
            FShownOffset.Show(r.Offset, YEdModOffset->text());
        }
        ShowMult(r.Mult);
        for (int k = 0; k < 4; ++k) {
            if (UpDProg[k])
                UpDProg[k]->setValue(p[k]);
            if (UpDWzbogacenieProg[k])
                UpDWzbogacenieProg[k]->setValue(e[k]);
        }
        // A file's values are taken as the up-downs show them.
        FShownLevels = {};
        if (YEdModCorrectionOffset) {
            YEdModCorrectionOffset->setText(FormatDecimals(r.CorrectionOffset, 2));
            FShownCorrOffset.Show(r.CorrectionOffset, YEdModCorrectionOffset->text());
        }
        if (UpDModCorrectionMult) {
            UpDModCorrectionMult->setValue(FactorToPercent(r.CorrectionMult));
            FShownCorrMult.Show(r.CorrectionMult, QString::number(UpDModCorrectionMult->value()));
        }
        CorrectionControls::ShowMask(ChBModCorrectionMask, r.CorrectionMask);
    });
    DrawModelChart();
    if (Common && Common->AskOkCancel(Tr(QStringLiteral("strSaveCnf")), Tr(QStringLiteral("strSaveCnfT"))) == 1)
        BtBModWriteClick();
}

// ---- Installation ---------------------------------------------------------------

TModelPage *TModelPage::Install(TFormMain &form)
{
    auto *page = new TModelPage(&form);
    form.AddPageLogic(page);
    page->Hooks.UpdateLastChangeInfo = [&form](bool modified) { return form.UpdateLastChangeInfo(modified); };
    if (auto *model2 = form.PageLogic<TModel2Page>("Model2Page"))
        page->Hooks.SyncModel2Marker = [model2] { model2->SyncMarker(); };
    return page;
}
