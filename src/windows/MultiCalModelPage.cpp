#include "windows/MultiCalModelPage.h"

#include "controls/ChangeHelper.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/NumberText.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/ProgramLogic.h"
#include "core/ui/TypedInput.h"
#include "mainwindow/configuration/CorrectionControls.h"
#include "mainwindow/configuration/Model2Chart.h"
#include "mainwindow/shell/FormMain.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/MultiCalMapPage.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <cmath>

namespace {

TDevData &D() { return *DevData; }

// The idle lists' fixed items, written with "," as the lists are designed;
// numbers the page formats itself take the separator of the language shown.
void fillNumbers(QComboBox *list, double from, double to, double step, int decimals)
{
    for (double v = from; v <= to + step / 2; v += step)
        list->addItem(QString::number(v, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(',')));
}

// What the page's typed fields hold: the device's words.
NumberText::TField IdleTbField() { return {0, 0xFFFF / 187.0}; }
NumberText::TField IdleRpmField() { return {0, 0xFFFF, true}; }
NumberText::TField IdlePcolField()
{
    const int sensor = DeviceRecord.PressureSensorType;
    return {RawToCollectorPressureFor(sensor, 0), RawToCollectorPressureFor(sensor, 255)};
}
NumberText::TField EnrichmentField() { return {-60, 60, true}; }

// The idle values as the page shows them (rounded: an unedited text stands
// for the record's own value).
QString IdleTbText() { return FormatDecimals(D().GetIdleHotTb(), 1); }
QString IdleRpmText() { return QString::number(D().GetIdleHotRpm()); }
QString IdlePcolText() { return FormatDecimals(D().GetIdleHotPcolReal(), 2); }

// A field's caption: the text of the label beside it on its own panel.
QString CaptionOf(const QWidget *field, const char *label)
{
    const auto *l = field->parentWidget()->findChild<QLabel *>(QString::fromLatin1(label));
    return l ? l->text() : QString();
}

} // namespace

const std::array<int, 11> TMultiCalModelPage::CorrectionForIdleSteps = {-95, -76, -57, -38, -19, 0,
                                                                        19,  38,  57,  76,  95};

TMultiCalModelPage::TMultiCalModelPage(TFrmMultiCalibrationTaronQV &window, QWidget *sheet)
    : QObject(&window), W(window)
{
    setObjectName(QStringLiteral("MultiCalModelPage"));
    Build(sheet);
    Connect();
}

void TMultiCalModelPage::Build(QWidget *s)
{
    auto label = [s](const char *name, const QRect &r, const QString &text) { return NewNamed<QLabel>(s, name, r, text); };
    label("LblKnfIdleHotTb", {8, 6, 90, 18}, QStringLiteral("Tb bieg jałowy"));
    CmBKnfIdleHotTb = NewNamed<QComboBox>(s, "CmBKnfIdleHotTb", {100, 4, 64, 22});
    label("LblKnfIdleHotRPM", {172, 6, 40, 18}, QStringLiteral("RPM"));
    CmBKnfIdleHotRPM = NewNamed<QComboBox>(s, "CmBKnfIdleHotRPM", {212, 4, 64, 22});
    label("LblKnfIdleHotPcol", {284, 6, 40, 18}, QStringLiteral("Pcol"));
    CmBKnfIdleHotPcol = NewNamed<QComboBox>(s, "CmBKnfIdleHotPcol", {324, 4, 64, 22});
    // A typed number is the value, with either separator; it is not added to
    // the list, whose items stay as designed.
    for (QComboBox *c : {CmBKnfIdleHotTb, CmBKnfIdleHotRPM, CmBKnfIdleHotPcol}) {
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
    }
    fillNumbers(CmBKnfIdleHotTb, 1.5, 6.0, 0.1, 1);
    fillNumbers(CmBKnfIdleHotPcol, 0.24, 0.45, 0.01, 2);
    fillNumbers(CmBKnfIdleHotRPM, 550, 1000, 50, 0);
    BtnModel2SetTb0 = NewNamed<QPushButton>(s, "BtnModel2SetTb0", {396, 3, 230, 24},
                                            QStringLiteral("Ustal parametry biegu jalowego"));
    ChBModel2ShowValues = NewNamed<QCheckBox>(s, "ChBModel2ShowValues", {636, 5, 130, 20}, QStringLiteral("Wartości"));
    ChBModel2ShowValues->setChecked(true);

    ChtModel2 = NewNamed<QWidget>(s, "ChtModel2", {4, 32, 400, 330});
    Chart = new TModel2Chart(ChtModel2);

    PgCCalibrationTypes = NewNamed<QTabWidget>(s, "PgCCalibrationTypes", {410, 32, 358, 330});
    TbSCalibrationTypesBased = NewTabPage(PgCCalibrationTypes, "TbSCalibrationTypesBased", QStringLiteral("Podstawowe"));
    TbSCalibrationTypesPrecise = NewTabPage(PgCCalibrationTypes, "TbSCalibrationTypesPrecise", QStringLiteral("Dokładne"));
    TbSCalibrationAdaptation = NewTabPage(PgCCalibrationTypes, "TbSCalibrationAdaptation", QStringLiteral("Adaptacja"));

    auto spin = [](QWidget *p, const char *name, const QRect &r, int lo, int hi) {
        auto *sp = NewNamed<QSpinBox>(p, name, r);
        sp->setRange(lo, hi);
        return sp;
    };
    QWidget *b = TbSCalibrationTypesBased;
    NewNamed<QLabel>(b, "LblCalModellingBasedMult", {8, 12, 150, 18}, QStringLiteral("Mnożnik [%]"));
    UpDCalModellingBasedMult = spin(b, "UpDCalModellingBasedMult", {170, 10, 80, 22}, -40, 60);
    NewNamed<QLabel>(b, "LblCalModellingBasedOffset", {8, 44, 150, 18}, QStringLiteral("Przesunięcie [0,01 ms]"));
    UpDCalModellingBasedOffset = spin(b, "UpDCalModellingBasedOffset", {170, 42, 80, 22}, -400, 400);

    QWidget *pr = TbSCalibrationTypesPrecise;
    NewNamed<QLabel>(pr, "LblCalModellingPreciseMult", {8, 8, 110, 18}, QStringLiteral("Mnożnik [%]"));
    UpDCalModellingPreciseMult = spin(pr, "UpDCalModellingPreciseMult", {120, 6, 70, 22}, -40, 60);
    NewNamed<QLabel>(pr, "LblCalModellingPreciseOffset", {8, 34, 110, 18}, QStringLiteral("Przesunięcie"));
    UpDCalModellingPreciseOffset = spin(pr, "UpDCalModellingPreciseOffset", {120, 32, 70, 22}, -400, 400);
    NewNamed<QLabel>(pr, "LblCalModellingPreciseSegment", {8, 62, 150, 18}, QStringLiteral("Punkt Tb [ms]"));
    NewNamed<QLabel>(pr, "LblCalModellingPreciseEnrichment", {180, 62, 150, 18}, QStringLiteral("Wzbogacenie [%]"));
    for (int i = 0; i < 6; ++i) {
        const QByteArray letter(1, char('A' + i));
        const int y = 84 + 34 * i;
        SegmentEdit[size_t(i)] = NewNamed<QLineEdit>(pr, ("EdtCalModellingPreciseSegment" + letter).constData(), {8, y, 56, 22});
        SegmentEdit[size_t(i)]->setReadOnly(true);
        Segment[size_t(i)] = spin(pr, ("UpDCalModellingPreciseSegment" + letter).constData(), {66, y, 70, 22}, 0, 250);
        EnrichmentEdit[size_t(i)] = NewNamed<QLineEdit>(pr, ("EdtCalModellingPreciseEnrichment" + letter).constData(), {180, y, 56, 22});
        Enrichment[size_t(i)] = spin(pr, ("UpDCalModellingPreciseEnrichment" + letter).constData(), {238, y, 70, 22}, -60, 60);
    }

    QWidget *ad = TbSCalibrationAdaptation;
    ChBConfAutoAdaptation = NewNamed<QCheckBox>(ad, "ChBConfAutoAdaptation", {8, 8, 200, 20}, QStringLiteral("Adaptacja"));
    CmBConfAdaptationMethod = NewNamed<QComboBox>(ad, "CmBConfAdaptationMethod", {210, 6, 130, 22});
    for (int i = 1; i <= 4; ++i)
        CmBConfAdaptationMethod->addItem(QString::number(i));
    NewNamed<QLabel>(ad, "LblCalModellingCorrectionForIdle", {8, 36, 200, 18}, QStringLiteral("Korekta biegu jałowego"));
    ChBCalModellingCorrectionForIdle = NewNamed<QCheckBox>(ad, "ChBCalModellingCorrectionForIdle", {8, 56, 200, 20},
                                                           QStringLiteral("Aktywna"));
    CmbCalModellingCorrectionForIdle = NewNamed<QComboBox>(ad, "CmbCalModellingCorrectionForIdle", {210, 54, 130, 22});
    for (int v : CorrectionForIdleSteps)
        CmbCalModellingCorrectionForIdle->addItem(FormatDecimals(v / 187.0, 2));
    NewNamed<QLabel>(ad, "LblCalModellingAdditionalCorrection", {8, 90, 200, 18}, QStringLiteral("Korekta dodatkowa [%] / [ms]"));
    UpDCalModellingAdditionalCorrectionMult = spin(ad, "UpDCalModellingAdditionalCorrectionMult", {8, 110, 70, 22}, -40, 40);
    YEdCalModellingAdditionalCorrectionOffset = NewNamed<QLineEdit>(ad, "YEdCalModellingAdditionalCorrectionOffset",
                                                                   {90, 110, 70, 22});
    for (int i = 0; i < 8; ++i) {
        Mask[size_t(i)] = NewNamed<QCheckBox>(ad, QByteArray("ChBModel2CorrectionMask" + QByteArray::number(i + 1)).constData(),
                                              {8 + 84 * (i % 4), 146 + 24 * (i / 4), 80, 20},
                                              QStringLiteral("Maska %1").arg(i + 1));
        Mask[size_t(i)]->setProperty("Tag", 1 << i);
    }

    BtBModel2Read = NewNamed<QPushButton>(s, "BtBModel2Read", {8, 368, 110, 26}, QStringLiteral("Odczytaj"));
    BtBModel2Write = NewNamed<QPushButton>(s, "BtBModel2Write", {124, 368, 110, 26}, QStringLiteral("Zapisz"));
    BtBModel2Default = NewNamed<QPushButton>(s, "BtBModel2Default", {240, 368, 130, 26}, QStringLiteral("Domyślne"));
    BtnCalModellingNewModel = NewNamed<QPushButton>(s, "BtnCalModellingNewModel", {376, 368, 160, 26},
                                                    QStringLiteral("Nowy model"));
}

void TMultiCalModelPage::SpinStep(QSpinBox *spin, int &last, const std::function<void(int, bool)> &click)
{
    connect(spin, &QSpinBox::valueChanged, this, [this, spin, &last, click](int value) {
        if (FFilling)
            return;
        const bool down = value < last;
        last = value;
        click(spin->value(), down);
    });
}

void TMultiCalModelPage::Connect()
{
    connect(BtBModel2Read, &QAbstractButton::clicked, this, [this] { W.ReadAllFromDevice(); });
    connect(BtBModel2Write, &QAbstractButton::clicked, this, [this] { W.BtBModel2WriteClick(); });
    connect(BtBModel2Default, &QAbstractButton::clicked, this, [this] { SetDefaultModel(true, true); });
    connect(BtnCalModellingNewModel, &QAbstractButton::clicked, this, [this] { BtnCalModellingNewModelClick(); });
    connect(BtnModel2SetTb0, &QAbstractButton::clicked, this, [this] { BtnModel2SetTb0Click(); });
    connect(ChBModel2ShowValues, &QAbstractButton::clicked, this, [this] {
        Chart->ShowValues = ChBModel2ShowValues->isChecked();
        Chart->Repaint();
    });
    SpinStep(UpDCalModellingBasedMult, FLast[0], [this](int v, bool) { ApplyModelMultiplier(v); });
    SpinStep(UpDCalModellingPreciseMult, FLast[1], [this](int v, bool) { ApplyModelMultiplier(v); });
    SpinStep(UpDCalModellingBasedOffset, FLast[2], [this](int v, bool down) { ShiftModelOffset(v, down); });
    SpinStep(UpDCalModellingPreciseOffset, FLast[3], [this](int v, bool down) { ShiftModelOffset(v, down); });
    for (int i = 0; i < 6; ++i) {
        connect(Segment[size_t(i)], &QSpinBox::valueChanged, this, [this, i](int v) {
            if (!FFilling)
                SetSegment(i + 1, v);
        });
        connect(Enrichment[size_t(i)], &QSpinBox::valueChanged, this, [this, i](int v) {
            if (!FFilling)
                SetEnrichment(i + 1, v);
        });
        // A text that is no enrichment the point takes changes nothing (the
        // write refuses it).
        connect(EnrichmentEdit[size_t(i)], &QLineEdit::textEdited, this, [this, i](const QString &text) {
            double percent = 0;
            if (!FFilling && W.EnrichmentHandlersAttached()
                && NumberText::ReadTyped(text, EnrichmentField(), percent) == NumberText::TFault::None)
                SetEnrichment(i + 1, int(percent));
        });
    }
    connect(ChBConfAutoAdaptation, &QAbstractButton::clicked, this, [this] { ChBConfAutoAdaptationClick(); });
    connect(ChBCalModellingCorrectionForIdle, &QAbstractButton::clicked, this, [this] { ChBConfAutoAdaptationClick(); });
    connect(CmbCalModellingCorrectionForIdle, &QComboBox::activated, this, [](int i) {
        if (i >= 0 && i < int(CorrectionForIdleSteps.size()))
            D().SetCorrectionForIdle(CorrectionForIdleSteps[size_t(i)]);
    });
    for (QCheckBox *box : Mask)
        connect(box, &QAbstractButton::clicked, this, [this] {
            int mask = 0;
            for (QCheckBox *b : Mask)
                if (b->isChecked())
                    mask += b->property("Tag").toInt();
            D().SetCorrectionMask(mask);
        });
    connect(UpDCalModellingAdditionalCorrectionMult, &QSpinBox::valueChanged, this, [this](int v) {
        if (!FFilling)
            D().SetCorrectionMultPercent(v);
    });
    // A typed number is taken as it is typed; a text that is none changes
    // nothing (the write refuses it, naming the field). The offset's range
    // is its word's, checked by the write.
    connect(YEdCalModellingAdditionalCorrectionOffset, &QLineEdit::textEdited, this, [](const QString &t) {
        double ms = 0;
        if (NumberText::ParseTyped(t, ms))
            D().SetCorrectionOffset(ms);
    });
    // The idle lists: a choice or a typed number.
    auto idle = [this](QComboBox *list, NumberText::TField (*field)(), const std::function<void(double)> &store) {
        auto take = [list, field, store] {
            double v = 0;
            if (NumberText::ReadTyped(list->currentText(), field(), v) == NumberText::TFault::None)
                store(v);
        };
        connect(list, &QComboBox::activated, this, take);
        connect(list->lineEdit(), &QLineEdit::textEdited, this, take);
    };
    idle(CmBKnfIdleHotTb, IdleTbField, [](double ms) { D().SetIdleHotTb(ms); });
    idle(CmBKnfIdleHotRPM, IdleRpmField, [](double rpm) { D().SetIdleHotRpm(int(rpm)); });
    idle(CmBKnfIdleHotPcol, IdlePcolField, [](double bar) { D().SetIdleHotPcolReal(bar); });
    connect(CmBConfAdaptationMethod, &QComboBox::activated, this, [](int i) {
        if (i >= 0)
            D().SetMapType(i + 1);
    });
    // The chart: a left press on a model point remembers it while dragging.
    Chart->OnMouseDown = [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint at) {
        if (button != Qt::LeftButton)
            return;
        const QRect a = Chart->PlotArea();
        const double y = (a.bottom() - at.y()) * 35.0 / std::max(1, a.height());
        FDragged = -1;
        const auto &pts = Chart->Series[TModel2Chart::sPoints];
        for (int i = 0; i < pts.size(); ++i)
            if (std::fabs(pts[i].y() - y) < 0.5) {
                FDragged = i;
                Chart->BeginDrag();
                break;
            }
    };
    Chart->OnStartDrag = [this] {
        if (W.Form && W.Form->Timerek)
            W.Form->Timerek->stop();
    };
    Chart->OnEndDrag = [this] {
        FDragged = -1;
        if (W.Form && W.Form->Timerek)
            W.Form->Timerek->start();
    };
}

// ---------------------------------------------------------------------------

int TMultiCalModelPage::EnrichmentAt(int index) const
{
    return index >= 1 && index <= 6 ? Enrichment[size_t(index - 1)]->value() : 0;
}

void TMultiCalModelPage::UpdateUI()
{
    FFilling = true;
    TDevData &d = D();
    const double b = d.GetModelOffset(), m = PercentToFactor(d.GetModelMultPercent());
    CmBKnfIdleHotTb->setEditText(IdleTbText());
    CmBKnfIdleHotRPM->setEditText(IdleRpmText());
    CmBKnfIdleHotPcol->setEditText(IdlePcolText());
    for (QSpinBox *sp : {UpDCalModellingBasedMult, UpDCalModellingPreciseMult})
        sp->setValue(d.GetModelMultPercent());
    for (QSpinBox *sp : {UpDCalModellingBasedOffset, UpDCalModellingPreciseOffset})
        sp->setValue(int(std::nearbyint(b * 100)));
    FLast = {UpDCalModellingBasedMult->value(), UpDCalModellingPreciseMult->value(),
             UpDCalModellingBasedOffset->value(), UpDCalModellingPreciseOffset->value()};
    for (int i = 1; i <= 6; ++i) {
        const QPointF p = d.GetMapPointA(i);
        Segment[size_t(i - 1)]->setValue(int(std::nearbyint(p.x() * 10)));
        SegmentEdit[size_t(i - 1)]->setText(FormatDecimals(p.x(), 1));
        const int e = Kind48Math::EnrichmentOf(b, m, p.x(), p.y());
        Enrichment[size_t(i - 1)]->setValue(e);
        EnrichmentEdit[size_t(i - 1)]->setText(QString::number(Enrichment[size_t(i - 1)]->value()));
    }
    UpDCalModellingAdditionalCorrectionMult->setValue(d.GetCorrectionMultPercent());
    YEdCalModellingAdditionalCorrectionOffset->setText(FormatDecimals(d.GetCorrectionOffset(), 2));
    for (int i = 0; i < 8; ++i)
        TCommon::SetCheckedSilently(Mask[size_t(i)], d.GetCorrectionMask() & (1 << i));
    TCommon::SetCheckedSilently(ChBConfAutoAdaptation, d.GetAdaptation());
    TCommon::SetCheckedSilently(ChBCalModellingCorrectionForIdle, d.GetCorrectionForIdleActive());
    CmBConfAdaptationMethod->setCurrentIndex(d.GetMapType() >= 1 && d.GetMapType() <= 4 ? d.GetMapType() - 1 : -1);
    const auto step = std::find(CorrectionForIdleSteps.begin(), CorrectionForIdleSteps.end(), d.GetCorrectionForIdle());
    CmbCalModellingCorrectionForIdle->setCurrentIndex(
        step == CorrectionForIdleSteps.end() ? -1 : int(step - CorrectionForIdleSteps.begin()));
    const bool adaptation = d.GetAdaptation();
    const bool mode = W.ModelMode != 0;
    for (QWidget *w : {static_cast<QWidget *>(ChBConfAutoAdaptation), static_cast<QWidget *>(ChBCalModellingCorrectionForIdle),
                       static_cast<QWidget *>(CmbCalModellingCorrectionForIdle), static_cast<QWidget *>(CmBConfAdaptationMethod)})
        w->setEnabled(mode || (w == ChBConfAutoAdaptation && adaptation));
    PgCCalibrationTypes->setTabEnabled(PgCCalibrationTypes->indexOf(TbSCalibrationTypesPrecise), !adaptation);
    PgCCalibrationTypes->setTabEnabled(PgCCalibrationTypes->indexOf(TbSCalibrationTypesBased), !adaptation);
    BtBModel2Default->setEnabled(!adaptation);
    FFilling = false;
    DrawChart();
}

void TMultiCalModelPage::DrawModel(TModel2Chart &chart)
{
    TDevData &d = D();
    const double b = d.GetModelOffset(), m = PercentToFactor(d.GetModelMultPercent());
    auto &pts = chart.Series[TModel2Chart::sPoints];
    pts.clear();
    for (int i = 0; i < Kind48Math::kModelPoints; ++i)
        pts.append(d.GetMapPointA(i));
    chart.Series[TModel2Chart::sOrig] = {QPointF(0, b), QPointF(25, b + 25 * m)};
}

void TMultiCalModelPage::DrawChart()
{
    DrawModel(*Chart);
    Chart->ShowValues = ChBModel2ShowValues->isChecked();
    Chart->Repaint();
}

void TMultiCalModelPage::SetLivePoint(double x, double y)
{
    Chart->Series[TModel2Chart::sActual] = {QPointF(x, y)};
    Chart->Repaint();
}

void TMultiCalModelPage::MarkModelEdited()
{
    W.ModelModified = true;
    W.SetModified(true);
}

void TMultiCalModelPage::StoreModel(const Kind48Math::TModelPoints &points, int factorPercent)
{
    D().SetModelMultPercent(factorPercent);
    for (int i = 0; i < Kind48Math::kModelPoints; ++i)
        D().SetMapPointA(i, points[size_t(i)]);
}

// ---- Writing ----------------------------------------------------------------

bool TMultiCalModelPage::ModelFits() const
{
    // The points and the factor as the device or an edit left them (an
    // unedited one goes back as the device holds it), each against its word.
    Kind48Math::TModelPoints pts;
    for (int i = 0; i < Kind48Math::kModelPoints; ++i)
        pts[size_t(i)] = D().GetMapPointA(i);
    if (!Kind48Math::PointsFitDevice(pts)) {
        W.Inform(QString::fromLatin1(Kind48Math::kOutOfRangeKey));
        return false;
    }
    return CorrectionControls::ModelValueFits("Mult", "strModelFactorCaption", DeviceRecord.Mult);
}

bool TMultiCalModelPage::TypedFieldsFit() const
{
    // The page took every number that fits as it was typed: the texts are
    // checked, each refusal naming its field. A list still showing the
    // record's value stands for it.
    auto idleFits = [](QComboBox *list, const QString &shown, const char *label, const NumberText::TField &field) {
        return list->currentText() == shown || TypedInput::Read(list, CaptionOf(list, label), field);
    };
    if (!idleFits(CmBKnfIdleHotTb, IdleTbText(), "LblKnfIdleHotTb", IdleTbField())
        || !idleFits(CmBKnfIdleHotRPM, IdleRpmText(), "LblKnfIdleHotRPM", IdleRpmField())
        || !idleFits(CmBKnfIdleHotPcol, IdlePcolText(), "LblKnfIdleHotPcol", IdlePcolField()))
        return false;
    using TypedInput::Read;
    for (int i = 0; i < 6; ++i) {
        QLineEdit *edit = EnrichmentEdit[size_t(i)];
        const QString caption = CaptionOf(edit, "LblCalModellingPreciseEnrichment") + u' ' + QChar(u'A' + i);
        if (!Read(edit, caption, EnrichmentField()))
            return false;
    }
    return OffsetFits();
}

bool TMultiCalModelPage::OffsetFits() const
{
    // The edit shows the record's offset until it is edited (an edit that
    // reads as a number is taken into the record as it is typed).
    ModelMath::TShownValue shown;
    shown.Show(DeviceRecord.CorrectionOffset, FormatDecimals(DeviceRecord.CorrectionOffset, 2));
    return CorrectionControls::TypedOffset(YEdCalModellingAdditionalCorrectionOffset, shown).has_value();
}

bool TMultiCalModelPage::WriteFits() const
{
    return TypedFieldsFit() && ModelFits();
}

bool TMultiCalModelPage::Write(bool reportFailure)
{
    if (!W.Ready())
        return false;
    // Every value is checked before anything is asked or sent.
    if (!WriteFits())
        return false;
    if (W.Form && !W.Form->UpdateLastChangeInfo(W.Modified()))
        return false;
    TRecordedWrite write;
    TDataManager &dm = *DataManager;
    TDeviceRecord &r = DeviceRecord;
    bool ok = dm.WriteParamWord(8, r.IdleHotTb)
              && dm.WriteParamWord(17, r.IdleHotRPM) && dm.WriteParamByte(47, r.IdleHotPcol)
              && dm.WriteParameter(1) && dm.WriteParameter(2)
              // The adaptation tab's bank-2 correction: factor, offset, mask.
              && dm.WriteParameter(11) && dm.WriteParameter(12) && dm.WriteParameter(13)
              // The bytes of flags: the page's flags (the idle correction, bit 6
              // of id 52) and the other bits as the device holds them.
              && dm.WriteParamByte(31, FlagsByteToWrite(r, 31)) && dm.WriteParamByte(52, FlagsByteToWrite(r, 52))
              && dm.WriteParameter(83) && dm.WriteParamByte(48, r.MapType);
    if (ok && D().GetAdaptation() && !W.AdaptationWasOn) {
        BtnCalModellingNewModelClick();
        W.Inform(QStringLiteral("strPunktyModeluZostalyDopasowane"));
    }
    if (ok)
        ok = dm.WriteMapD5();
    if (ok) {
        for (int i = 0; i < TDeviceRecord::ModelPointCount; ++i)
            DeviceRecord.ModelPointsB[size_t(i)] = DeviceRecord.ModelPointsA[size_t(i)];
        ok = dm.WriteModel2Block();
    }
    if (!write.Report(ok)) {
        // The edits stay: the mark is kept and no read-back replaces them.
        W.SetModified(true);
        if (reportFailure)
            W.ReportIncompleteWrite(QStringLiteral("strCalWhatModel"));
        return false;
    }
    W.ModelModified = false;
    W.ReadAllFromDevice();
    return true;
}

bool TMultiCalModelPage::SetDefaultModel(bool write, bool ask, bool reportFailure)
{
    if (!W.Ready())
        return false;
    const int type = D().GetGasInjectorType();
    bool apply = true;
    if (ask) {
        const QString text = QString::asprintf("%s %s. %s ", qUtf8Printable(TranslateKey(QStringLiteral("strParamForInj"))),
                                               qUtf8Printable(TCustomParameters::InjectorTypeName(type & 0x7F)),
                                               qUtf8Printable(TranslateKey(QStringLiteral("strQuestWriteDefaultModelSettings"))));
        apply = Common && Common->AskYesNo(text, TCommon::ApplicationTitle());
    }
    if (apply) {
        const double b = Kind48Math::DefaultModelOffset(type);
        D().SetIdleHotTb(0);
        D().SetIdleHotRpm(0);
        D().SetIdleHotPcolReal(0.2);
        D().SetModelOffset(b);
        StoreModel(Kind48Math::DefaultPoints(b), 0);
        D().SetAdaptation(false);
        D().SetMapType(4);
        D().SetCorrectionForIdleActive(false);
        D().SetCorrectionForIdle(0);
        // Values a button puts into the page count as an edit.
        MarkModelEdited();
        UpdateUI();
    }
    if (!write)
        return false;
    return Write(reportFailure);
}

bool TMultiCalModelPage::TwoPointRefused(const Kind48Math::TTwoPointModel &model)
{
    if (model.Refusal.isEmpty())
        return false;
    W.Inform(model.Refusal);
    return true;
}

bool TMultiCalModelPage::SetModelFromTwoPoints(double x1, double y1)
{
    Kind48Math::TTwoPointInput in;
    in.Kind = DeviceRecord.DeviceKind;
    in.Tb0 = D().GetIdleHotTb();
    in.Pc = D().GetIdleHotPcolReal();
    in.B = D().GetModelOffset();
    in.X1 = x1;
    in.Y1 = y1;
    // The checks come first; then the idle manifold pressure as the device holds it.
    if (TwoPointRefused(Kind48Math::TwoPointModel(in)))
        return false;
    if (W.Ready()) {
        DataManager->ReadParameter8(47);
        in.Pc = D().GetIdleHotPcolReal();
    }
    const auto model = Kind48Math::TwoPointModel(in);
    if (TwoPointRefused(model))
        return false;
    StoreModel(model.Points, model.FactorPercent);
    MarkModelEdited();
    UpdateUI();
    return true;
}

bool TMultiCalModelPage::SetModelFromTwoPoints2(double x1, double y1)
{
    Kind48Math::TTwoPointInput in;
    in.Kind = DeviceRecord.DeviceKind;
    in.Tb0 = D().GetIdleHotTb();
    in.B = D().GetModelOffset();
    in.X1 = x1;
    in.Y1 = y1;
    in.RefTimeA = DeviceRecord.ModelRefTimeA;
    in.RefTimeB = DeviceRecord.ModelRefTimeB;
    Kind48Math::TTwoPointModel model = Kind48Math::TwoPointModel2(in);
    if (model.Refusal.isEmpty() && DataManager && DataManager->IsDeviceType(48)) {
        DataManager->ReadRecording2(W.Map->PressureAxisMaximum());
        in.RefTimeA = DeviceRecord.ModelRefTimeA;
        in.RefTimeB = DeviceRecord.ModelRefTimeB;
        model = Kind48Math::TwoPointModel2(in);
    }
    if (TwoPointRefused(model))
        return false;
    StoreModel(model.Points, model.FactorPercent);
    MarkModelEdited();
    UpdateUI();
    return true;
}

void TMultiCalModelPage::BtnCalModellingNewModelClick()
{
    W.ReadAllFromDevice();
    if (!DataManager || !DataManager->IsDeviceType(48))
        return;
    const double tb0 = D().GetIdleHotTb();
    const double y = D().GetModelOffset() + tb0 * PercentToFactor(D().GetModelMultPercent());
    if (W.ModelMode)
        SetModelFromTwoPoints2(tb0, y);
    else
        SetModelFromTwoPoints(tb0, y);
}

void TMultiCalModelPage::ApplyModelMultiplier(int percent)
{
    if (!W.Ready())
        return;
    MarkModelEdited();
    D().SetModelMultPercent(percent);
    const double b = D().GetModelOffset(), m = PercentToFactor(percent);
    for (int i = 1; i <= 6; ++i) {
        const double x = D().GetMapPointA(i).x();
        D().SetMapPointA(i, x, std::max(0.0, Kind48Math::PreciseY(b, m, x, EnrichmentAt(i))));
    }
    UpdateUI();
}

void TMultiCalModelPage::SetSegment(int index, int position)
{
    const double b = D().GetModelOffset(), m = PercentToFactor(D().GetModelMultPercent());
    const double x = position / 10.0;
    D().SetMapPointA(index, x, std::max(0.0, Kind48Math::PreciseY(b, m, x, EnrichmentAt(index))));
    MarkModelEdited();
    UpdateUI();
}

void TMultiCalModelPage::SetEnrichment(int index, int percent)
{
    const double b = D().GetModelOffset(), m = PercentToFactor(D().GetModelMultPercent());
    const double x = D().GetMapPointA(index).x();
    D().SetMapPointA(index, x, std::max(0.0, Kind48Math::PreciseY(b, m, x, std::clamp(percent, -60, 60))));
    MarkModelEdited();
    UpdateUI();
}

void TMultiCalModelPage::ShiftModelOffset(int position, bool down)
{
    if (!W.Ready())
        return;
    MarkModelEdited();
    D().SetModelOffset(position / 100.0);
    for (int i = 0; i < Kind48Math::kModelPoints; ++i) {
        const QPointF p = D().GetMapPointA(i);
        D().SetMapPointA(i, p.x(), std::max(0.0, p.y() + (down ? -0.01 : 0.01)));
    }
    UpdateUI();
}

bool TMultiCalModelPage::MeasureIdle(bool ask)
{
    if (!ProgramLogic)
        return false;
    QString text;
    // A refused measurement leaves the text empty.
    if (!ProgramLogic->MeasureIdleHotTb(ask, text) || text.isEmpty())
        return false;
    CmBKnfIdleHotTb->setEditText(text);
    CmBKnfIdleHotRPM->setEditText(QString::number(D().GetRpmReal()));
    D().SetIdleHotRpm(D().GetRpmReal());
    CmBKnfIdleHotPcol->setEditText(FormatDecimals(D().GetPcolReal(), 2));
    DeviceRecord.IdleHotPcol = DeviceRecord.ManifoldPressureRaw;
    return true;
}

void TMultiCalModelPage::BtnModel2SetTb0Click()
{
    if (!W.Ready())
        return;
    if (MeasureIdle(true))
        W.SetModified(true);
}

void TMultiCalModelPage::ChBConfAutoAdaptationClick()
{
    const bool mode = W.ModelMode != 0;
    if (ChBConfAutoAdaptation->isChecked() && !mode)
        TCommon::SetCheckedSilently(ChBConfAutoAdaptation, false);
    for (QWidget *w : {static_cast<QWidget *>(ChBConfAutoAdaptation), static_cast<QWidget *>(ChBCalModellingCorrectionForIdle),
                       static_cast<QWidget *>(CmbCalModellingCorrectionForIdle), static_cast<QWidget *>(CmBConfAdaptationMethod)})
        w->setEnabled(mode);
    W.AdaptationWasOn = D().GetAdaptation();
    const bool on = ChBConfAutoAdaptation->isChecked();
    D().SetAdaptation(on);
    PgCCalibrationTypes->setTabEnabled(PgCCalibrationTypes->indexOf(TbSCalibrationTypesPrecise), !on);
    PgCCalibrationTypes->setTabEnabled(PgCCalibrationTypes->indexOf(TbSCalibrationTypesBased), !on);
    BtBModel2Default->setEnabled(!on);
    D().SetCorrectionForIdleActive(ChBCalModellingCorrectionForIdle->isChecked());
}
