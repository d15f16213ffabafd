#include "mainwindow/configuration/Model2Page.h"

#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/IniFile.h"
#include "mainwindow/configuration/ModelFile.h"
#include "core/DeviceRecord.h"
#include "core/ReadPlan.h"
#include "mainwindow/configuration/PageRead.h"
#include "core/LM.h"
#include "core/NumberText.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/TypedInput.h"
#include "mainwindow/configuration/CorrectionControls.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/TimerPause.h"
#include "mainwindow/shell/FormMainLayout.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <cmath>

using namespace ModelMath;

namespace {

// Working-pressure codes of the 14 entries of the working-pressure list.
constexpr int kWorkPressureCodes[14] = {76, 85, 94, 104, 113, 123, 132, 141, 151, 160, 170, 179, 188, 198};

QString Tr(const QString &key)
{
    return LM ? LM->Translate(key) : key;
}

bool SameValue(double a, double b)
{
    return std::fabs(a - b) < 1e-9;
}

} // namespace

TModel2Page::TModel2Page(TFormMain *form) : QObject(form), FForm(form)
{
    setObjectName(QStringLiteral("Model2Page"));
    // Its own sheet, then the calibration pages and the wizard whose lists it follows.
    SetPanels({form->OwnPanel("TbSCalModel2"), form->OwnPanel("TbSCalibration"), form->OwnPanel("TbSConfigurator")});
    auto get = [this](const char *name) { return Control<QWidget>(QString::fromLatin1(name)); };
    auto spin = [&](const char *n) { return qobject_cast<QSpinBox *>(get(n)); };
    auto edit = [&](const char *n) { return qobject_cast<QLineEdit *>(get(n)); };
    auto box = [&](const char *n) { return qobject_cast<QAbstractButton *>(get(n)); };
    auto combo = [&](const char *n) { return qobject_cast<QComboBox *>(get(n)); };

    UpDModel2Mult = spin("UpDModel2Mult");
    UpDModel2Offset = spin("UpDModel2Offset");
    UpDModel2CorrectionMult = spin("UpDModel2CorrectionMult");
    const char *idleSpins[4] = {"UpDCalSerIdle1X", "UpDCalSerIdle1Y", "UpDCalSerIdle2X", "UpDCalSerIdle2Y"};
    const char *idleEdits[4] = {"YEdCalSerIdle1X", "YEdCalSerIdle1Y", "YEdCalSerIdle2X", "YEdCalSerIdle2Y"};
    for (int k = 0; k < 4; ++k) {
        UpDCalSerIdle[k] = spin(idleSpins[k]);
        YEdCalSerIdle[k] = edit(idleEdits[k]);
    }
    YEdModel2MULT = edit("YEdModel2MULT");
    YEdModel2Offset = edit("YEdModel2Offset");
    YEdModel2CorrectionOffset = edit("YEdModel2CorrectionOffset");
    EdtChtModel2Keyboard = edit("EdtChtModel2Keyboard");
    ChBModel2WithIdlePoints = box("ChBModel2WithIdlePoints");
    ChBModel2UseOnIdleModel = box("ChBModel2UseOnIdleModel");
    ChBModel2Adaptation = box("ChBModel2Adaptation");
    ChBModel2ShowValues = box("ChBModel2ShowValues");
    ChBActiveCorrectionRPM = box("ChBActiveCorrectionRPM");
    for (int k = 0; k < 8; ++k)
        ChBModel2CorrectionMask[k] = box(QStringLiteral("ChBModel2CorrectionMask%1").arg(k + 1).toLatin1().constData());
    PnlModel2OnIdleModel = get("PnlModel2OnIdleModel");
    CmBConfWorkPressure = combo("CmBConfWorkPressure");
    CmBConfIdleHotTb = combo("CmBConfIdleHotTb");
    CmBConfInjType = combo("CmBConfInjType");
    TrBMod2MaxTb = qobject_cast<QSlider *>(get("TrBMod2MaxTb"));
    ScrChartModel2 = qobject_cast<QScrollArea *>(get("ScrChartModel2"));
    PnlModelKeyboardStatus = qobject_cast<TCaptionPanel *>(get("PnlModelKeyboardStatus"));
    LblModel2Info1 = qobject_cast<TCaptionPanel *>(get("LblModel2Info1"));
    PgCCalibration = qobject_cast<QTabWidget *>(get("PgCCalibration"));
    TbSCalMap = get("TbSCalMap");

    QWidget *host = get("ChtModel2");
    if (!host)
        host = new QWidget(form);
    Chart = new TModel2Chart(host);
    Chart->OnMouseDown = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, QPoint at) { ChtModel2MouseDown(b, m, at); };
    Chart->OnMouseUp = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, QPoint at) { ChtModel2MouseUp(b, m, at); };
    Chart->OnMouseMove = [this](Qt::KeyboardModifiers, QPoint at) { ChtModel2MouseMove(at); };
    Chart->OnStartDrag = [this] { ChtModel2StartDrag(); };
    Chart->OnDragOver = [this](QPoint at) { ChtModel2DragOver(at); };
    Chart->OnEndDrag = [this] { ChtModel2EndDrag(); };

    // Ranges of the page's up-downs.
    if (UpDModel2Mult)
        UpDModel2Mult->setRange(-40, 70);
    if (UpDModel2Offset)
        UpDModel2Offset->setRange(-40, 60);
    if (UpDModel2CorrectionMult)
        UpDModel2CorrectionMult->setRange(-40, 40);
    for (int k = 0; k < 4; ++k)
        if (UpDCalSerIdle[k])
            UpDCalSerIdle[k]->setRange(0, k % 2 == 0 ? 300 : 350);
    for (QLineEdit *e : {YEdModel2MULT, YEdModel2Offset})
        if (e)
            e->setReadOnly(true);
    for (QLineEdit *e : YEdCalSerIdle)
        if (e)
            e->setReadOnly(true);
    // The hot idle time is picked from the list or typed.
    if (CmBConfIdleHotTb) {
        CmBConfIdleHotTb->setEditable(true);
        CmBConfIdleHotTb->setInsertPolicy(QComboBox::NoInsert);
    }

    // The window's creation: empty series, the live point and the inactive
    // marker at (0, 0), the zoom at its whole range, the keyboard edit off
    // screen.
    Chart->Series[TModel2Chart::sActual] = {QPointF(0, 0)};
    Chart->Series[TModel2Chart::sChange] = {QPointF(0, 0)};
    Chart->MarkerActive = false;
    if (TrBMod2MaxTb) {
        TrBMod2MaxTb->setRange(10, 25);
        TrBMod2MaxTb->setValue(25);
        connect(TrBMod2MaxTb, &QSlider::valueChanged, this, &TModel2Page::TrBMod2MaxTbChange);
    }
    if (EdtChtModel2Keyboard) {
        EdtChtModel2Keyboard->setReadOnly(true);
        EdtChtModel2Keyboard->setText(QStringLiteral("-1"));
        EdtChtModel2Keyboard->move(-1000, EdtChtModel2Keyboard->y());
        EdtChtModel2Keyboard->installEventFilter(this);
    }
    if (ScrChartModel2) {
        ScrChartModel2->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        ScrChartModel2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        ScrChartModel2->installEventFilter(this);
    }
    if (PnlModelKeyboardStatus)
        connect(PnlModelKeyboardStatus, &TCaptionPanel::MouseDown, this, [this] { PnlModelKeyboardStatusMouseDown(); });

    // Handlers (user actions only; the program's own updates are guarded).
    auto onSpin = [this](QSpinBox *s, auto handler) {
        if (s)
            connect(s, &QSpinBox::valueChanged, this, [this, handler](int) {
                if (!FFilling)
                    handler();
            });
    };
    onSpin(UpDModel2Mult, [this] { StepSpin(UpDModel2Mult, FMultPos, [this](bool n) { UpDModel2MultClick(n); }); });
    onSpin(UpDModel2Offset,
           [this] { StepSpin(UpDModel2Offset, FOffsetPos, [this](bool n) { UpDModel2OffsetClick(n); }); });
    for (int k = 0; k < 4; ++k)
        onSpin(UpDCalSerIdle[k], [this, k] {
            FIdlePos[k] = UpDCalSerIdle[k]->value();
            UpDCalSerIdleClick(k);
        });
    auto onClick = [this](QAbstractButton *b, void (TModel2Page::*slot)()) {
        if (b)
            connect(b, &QAbstractButton::clicked, this, slot);
    };
    onClick(ChBModel2UseOnIdleModel, &TModel2Page::ChBModel2UseOnIdleModelClick);
    onClick(ChBModel2ShowValues, &TModel2Page::ChBModel2ShowValuesClick);
    onClick(ChBModel2Adaptation, &TModel2Page::ChBModel2AdaptationClick);
    for (QAbstractButton *b : ChBModel2CorrectionMask)
        onClick(b, &TModel2Page::ChBModel2CorrectionMaskClick);
    onClick(qobject_cast<QAbstractButton *>(get("BtBModel2Read")), &TModel2Page::BtBModel2ReadClick);
    onClick(qobject_cast<QAbstractButton *>(get("SpBModel2SetNewModel")), &TModel2Page::SpBModel2SetNewModelClick);
    onClick(qobject_cast<QAbstractButton *>(get("SpBModel2ReadFrom")), &TModel2Page::SpBModel2ReadFromClick);
    ClearControls();
}

// ---- Helpers ----------------------------------------------------------------

bool TModel2Page::Connected() const
{
    return DataManager && DataManager->GetConnected();
}

bool TModel2Page::NotReady() const
{
    return !DataManager || DataManager->IsDeviceNotReady();
}

double TModel2Page::MouseX(QPoint at) const
{
    return XValueForMousePos(at.x(), Chart->PlotArea().width());
}

double TModel2Page::MouseY(QPoint at) const
{
    return YValueForMousePos(at.y(), Chart->PlotArea().height());
}

QPoint TModel2Page::PixelOf(const QPointF &value) const
{
    const QRect a = Chart->PlotArea();
    return QPoint(XPixelForValue(value.x(), a.width()), YPixelForValue(value.y(), a.height()));
}

void TModel2Page::SetSpin(QSpinBox *spin, int value)
{
    if (!spin)
        return;
    const bool was = FFilling;
    FFilling = true;
    spin->setValue(value);
    FFilling = was;
}

// One click per position the up-down moved, in its direction.
void TModel2Page::StepSpin(QSpinBox *spin, int &last, const std::function<void(bool)> &click)
{
    const int now = spin->value();
    const int steps = std::abs(now - last);
    const bool next = now > last;
    last = now;
    for (int i = 0; i < steps; ++i)
        click(next);
}

uint8_t TModel2Page::MaskFromBoxes() const
{
    return CorrectionControls::MaskOf(ChBModel2CorrectionMask);
}

void TModel2Page::MoveMarker(int index)
{
    if (index < 0 || index >= Curve().size())
        return;
    Chart->Series[TModel2Chart::sChange] = {Curve()[index]};
}

bool TModel2Page::MarkerOn(int index) const
{
    const auto &c = Chart->Series[TModel2Chart::sPoints];
    const auto &m = Chart->Series[TModel2Chart::sChange];
    return index >= 0 && index < c.size() && !m.isEmpty() && SameValue(m[0].x(), c[index].x())
           && SameValue(m[0].y(), c[index].y());
}

void TModel2Page::SetLivePoint(double x, double y)
{
    auto &s = Chart->Series[TModel2Chart::sActual];
    if (s.isEmpty())
        s.append(QPointF(x, y));
    else if (s[0] == QPointF(x, y))
        return;
    else
        s[0] = QPointF(x, y);
    Chart->Repaint();
}

void TModel2Page::SyncMarker()
{
    if (SelectedPoint > 0 && SelectedPoint < Curve().size()) {
        MoveMarker(SelectedPoint);
        Chart->Repaint();
    }
}

void TModel2Page::ClearControls()
{
    FFilling = true;
    for (QSpinBox *s : {UpDModel2Mult, UpDModel2Offset, UpDModel2CorrectionMult})
        if (s)
            s->setValue(0);
    FMultPos = FOffsetPos = 0;
    for (int k = 0; k < 4; ++k) {
        Idle[k] = 0.0;
        FIdlePos[k] = 0;
    }
    FFilling = false;
    if (YEdModel2MULT)
        YEdModel2MULT->setText(QStringLiteral("0"));
    if (YEdModel2Offset)
        YEdModel2Offset->setText(QStringLiteral("0"));
    if (YEdModel2CorrectionOffset)
        YEdModel2CorrectionOffset->setText(FormatDecimals(0.0, 2));
    FShownOffset = FShownCorrOffset = FShownCorrMult = {};
    for (QAbstractButton *box : ChBModel2CorrectionMask)
        if (box)
            TCommon::SetCheckedSilently(box, false);
    if (ChBModel2UseOnIdleModel)
        TCommon::SetCheckedSilently(ChBModel2UseOnIdleModel, false);
    if (CmBConfWorkPressure)
        CmBConfWorkPressure->setCurrentIndex(-1);
    if (CmBConfIdleHotTb) {
        CmBConfIdleHotTb->setCurrentIndex(-1);
        CmBConfIdleHotTb->clearEditText();
    }
    for (auto &s : Chart->Series)
        s.clear();
    Chart->Series[TModel2Chart::sActual] = {QPointF(0, 0)};
    Chart->Series[TModel2Chart::sChange] = {QPointF(0, 0)};
    Chart->MarkerActive = false;
    SelectedPoint = DeletePoint = -1;
    Model2Modified = false;
    UpdateModel2Labels();
    Chart->Repaint();
}

// ---- Read ---------------------------------------------------------------------

void TModel2Page::ReadModel2Settings()
{
    DeletePoint = -1;
    if (NotReady())
        return;
    ReadPageFromDevice(*FForm, *this);
}

void TModel2Page::AddDeviceReads(TReadPlan *plan) const
{
    if (NotReady())
        return;
    if (DataManager->Kind48Holds(kind48::THeld::AdaptationModel)) {
        plan->Model2Points();
        plan->Params({{8, 45}, {8, 46}, {8, 31}, {16, 14}});
    }
    plan->Param8(30);
    plan->ModelPoints();
    plan->Params({{12, 1}, {12, 2}, {12, 11}, {12, 12}, {12, 13}});
    plan->IdlePoints();
    plan->Param8(37);
}

void TModel2Page::ShowDeviceRecord()
{
    DeletePoint = -1;
    Model2Modified = false;
    auto &r = DeviceRecord;
    auto &series = Chart->Series;
    series[TModel2Chart::sAdapt].clear();
    const bool kind48 = DataManager && DataManager->IsDeviceType(48);
    if (DataManager && DataManager->Kind48Holds(kind48::THeld::AdaptationModel)) {
        for (const auto &p : r.ModelPointsB)
            if (p.X <= kModel2RawMaxX)
                series[TModel2Chart::sAdapt].append(QPointF(p.X / 187.0, p.Y / 187.0));
        if (ChBModel2Adaptation)
            TCommon::SetCheckedSilently(ChBModel2Adaptation, r.AdaptationMode != 0);
        FForm->UpdateModel2AdaptationControls();
    }
    if (kind48 && ChBModel2WithIdlePoints)
        TCommon::SetCheckedSilently(ChBModel2WithIdlePoints, (r.DeviceOptions & 8) == 0);

    if (CmBConfWorkPressure) {
        int index = -1;
        for (int i = 0; i < 14 && i < CmBConfWorkPressure->count(); ++i)
            if (kWorkPressureCodes[i] == r.WorkPress) {
                index = i;
                break;
            }
        CmBConfWorkPressure->setCurrentIndex(index);
    }
    if (CmBConfIdleHotTb) {
        CmBConfIdleHotTb->setCurrentIndex(-1);
        CmBConfIdleHotTb->setEditText(FormatTimeMs(r.IdleHotTb));
    }

    series[TModel2Chart::sPoints].clear();
    series[TModel2Chart::sOrig].clear();
    if (Hooks.CmbKnfInjTypeChange)
        Hooks.CmbKnfInjTypeChange();

    FFilling = true;
    SetSpin(UpDModel2CorrectionMult, FactorToPercent(r.CorrectionMult));
    FShownCorrMult.Show(r.CorrectionMult, QString::number(UpDModel2CorrectionMult ? UpDModel2CorrectionMult->value() : 0));
    if (YEdModel2CorrectionOffset) {
        YEdModel2CorrectionOffset->setText(FormatDecimals(r.CorrectionOffset, 2));
        FShownCorrOffset.Show(r.CorrectionOffset, YEdModel2CorrectionOffset->text());
    }
    CorrectionControls::ShowMask(ChBModel2CorrectionMask, r.CorrectionMask);
    SetSpin(UpDModel2Offset, int(RoundEven(r.Offset * 10.0)));
    FOffsetPos = UpDModel2Offset ? UpDModel2Offset->value() : 0;
    if (YEdModel2Offset) {
        YEdModel2Offset->setText(FormatDecimals(FOffsetPos / 10.0, 1));
        FShownOffset.Show(r.Offset, YEdModel2Offset->text());
    }
    SetSpin(UpDModel2Mult, FactorToPercent(r.Mult));
    FMultPos = UpDModel2Mult ? UpDModel2Mult->value() : 0;
    if (YEdModel2MULT)
        YEdModel2MULT->setText(QString::number(FMultPos));
    FFilling = false;

    TRawCurve raw;
    for (int k = 0; k < kModel2MaxPoints; ++k)
        raw[k] = TRawPoint{int(r.ModelPointsA[k].X), int(r.ModelPointsA[k].Y)};
    series[TModel2Chart::sPoints] = CurveFromRaw(raw);
    const auto &c = series[TModel2Chart::sPoints];
    if (!c.isEmpty())
        series[TModel2Chart::sOrig] = {QPointF(c.first().x(), r.Offset),
                                       QPointF(c.last().x(), c.last().x() * r.Mult + r.Offset)};

    // The selection survives a read only while the keyboard edit has the focus.
    if (!EdtChtModel2Keyboard || !EdtChtModel2Keyboard->hasFocus()) {
        Chart->MarkerActive = false;
        SelectedPoint = -1;
    } else if (SelectedPoint >= c.size()) {
        SelectedPoint = int(c.size()) - 1;
        if (SelectedPoint >= 0)
            SelectModel2Point();
        else
            Chart->MarkerActive = false;
    }
    UpdateModel2EditStatus(QString());
    Chart->Repaint();
    if (Hooks.DrawModelMultsChart)
        Hooks.DrawModelMultsChart();

    series[TModel2Chart::sIdle].clear();
    for (int k = 0; k < 4; ++k)
        Idle[k] = r.NozzleTest[k];
    if (ChBModel2UseOnIdleModel)
        TCommon::SetCheckedSilently(ChBModel2UseOnIdleModel, r.UseOnIdleModel != 0);
    if (r.UseOnIdleModel)
        series[TModel2Chart::sIdle] = {QPointF(Idle[0], Idle[1]), QPointF(Idle[2], Idle[3])};
    UpdateModel2PointsIdleAndControls();
    UpdateModel2NozzleInfo();
}

// ---- Write --------------------------------------------------------------------

bool TModel2Page::WriteFits() const
{
    // A chosen entry stands for its time; a time typed over it must be one
    // the device's word holds.
    if (CmBConfIdleHotTb && CmBConfIdleHotTb->currentIndex() >= 0
        && CmBConfIdleHotTb->currentText() != CmBConfIdleHotTb->itemText(CmBConfIdleHotTb->currentIndex())) {
        const auto *label = Control<QLabel>("labelConfIdleHotTb");
        if (!TypedInput::Read(CmBConfIdleHotTb, label ? label->text() : QString(), {0, 0xFFFF / 187.0}))
            return false;
    }
    return !YEdModel2CorrectionOffset || CorrectionControls::TypedOffset(YEdModel2CorrectionOffset, FShownCorrOffset);
}

void TModel2Page::BtBModel2WriteClick()
{
    if (NotReady())
        return;
    if (Hooks.IsBusy && Hooks.IsBusy()) {
        QApplication::beep();
        return;
    }
    // Refused before the question and the first frame.
    if (!WriteFits())
        return;
    TTimerPause pause(*FForm);
    const bool modified = FForm->ConfigModified();
    if (Hooks.UpdateLastChangeInfo && !Hooks.UpdateLastChangeInfo(modified))
        return;
    TRecordedWrite write;
    auto &r = DeviceRecord;
    bool ok = true;
    auto check = [&ok](bool result) { ok = ok && result; };

    if (DataManager->IsDeviceType(48)) {
        if (DevData) {
            if (ChBModel2WithIdlePoints && ChBModel2WithIdlePoints->isChecked())
                DevData->ClearStatusFlag(3);
            else
                DevData->SetStatusFlag(3);
        }
        if (Hooks.UpdateOptionFlags)
            Hooks.UpdateOptionFlags();
        if (DataManager->VersionBelow(QStringLiteral("D"))) {
            DataManager->ReadParameter(74);
            const bool rpm = ChBActiveCorrectionRPM && ChBActiveCorrectionRPM->isChecked();
            r.CMActive = uint8_t(rpm ? (r.CMActive | 4) : (r.CMActive & ~4));
            check(DataManager->WriteParameter(74));
        } else {
            const bool adaptation = ChBModel2Adaptation && ChBModel2Adaptation->isChecked();
            if (adaptation && Hooks.ObdAdaptationSwitch && Hooks.ObdAdaptationSwitch()
                && DataManager->VersionAtLeast(QStringLiteral("H")) && Common
                && Common->AskYesNo(Tr(QStringLiteral("strQAdaptOBD_MAP")), QString())
                && Hooks.ClearObdAdaptationSwitch)
                Hooks.ClearObdAdaptationSwitch();
            check(DataManager->SetAdaptationMode(adaptation));
        }
    }
    if (CmBConfWorkPressure && CmBConfWorkPressure->currentIndex() >= 0 && CmBConfWorkPressure->currentIndex() < 14)
        r.WorkPress = uint8_t(kWorkPressureCodes[CmBConfWorkPressure->currentIndex()]);
    check(DataManager->WriteParamByte(30, r.WorkPress));
    if (CmBConfIdleHotTb && CmBConfIdleHotTb->currentIndex() >= 0) {
        // A chosen entry stands for its time (1.5 ms + 0.5 ms per entry),
        // whatever the language shows; a time typed over it is read as typed.
        const int i = CmBConfIdleHotTb->currentIndex();
        double ms = 1.5 + 0.5 * i;
        if (CmBConfIdleHotTb->currentText() != CmBConfIdleHotTb->itemText(i))
            NumberText::ParseTyped(CmBConfIdleHotTb->currentText(), ms); // checked by WriteFits
        r.IdleHotTb = quint16(RoundClamped(ms * 187.0, 0, 0xFFFF));
    }
    check(DataManager->WriteParamWord(8, r.IdleHotTb));
    if (Hooks.SelectWorkPressure)
        Hooks.SelectWorkPressure(true);
    r.CMActive = uint8_t(1 | (r.CMActive & (2 | 4 | 8)));
    check(DataManager->WriteParameter(74));

    const TRawCurve raw = RawFromCurve(Curve());
    for (int k = 0; k < kModel2MaxPoints; ++k) {
        r.ModelPointsA[k].X = quint16(raw[k].X);
        r.ModelPointsA[k].Y = quint16(raw[k].Y);
    }
    if (DataManager->Kind48Holds(kind48::THeld::AdaptationModel) && Model2Modified) {
        r.ModelPointsB = r.ModelPointsA;
        check(DataManager->WriteModel2Block());
        Model2Modified = false;
    }
    // The offset is the program's own text (its up-down writes it).
    if (YEdModel2Offset)
        r.Offset = FShownOffset.TakeShown(YEdModel2Offset->text(), r.Offset);
    // A curve without x gives no multiplier: the one held stays.
    if (const auto m = ModelMath::CalculateMult(Curve(), r.Offset))
        r.Mult = *m;
    check(DataManager->WriteParameter(1));
    check(DataManager->WriteParameter(2));
    CorrectionControls::Take(UpDModel2CorrectionMult, FShownCorrMult, YEdModel2CorrectionOffset, FShownCorrOffset, ChBModel2CorrectionMask, r);
    for (uint8_t id : {11, 12, 13})
        check(DataManager->WriteParameter(id));
    check(DataManager->WriteMapD5());
    // The idle points as the page holds them (their edits show them rounded
    // to 0.1 ms: an unchanged point goes back as the device holds it).
    for (int k = 0; k < 4; ++k)
        r.NozzleTest[k] = Idle[k];
    check(DataManager->WriteModelBlockC1());
    r.UseOnIdleModel = ChBModel2UseOnIdleModel && ChBModel2UseOnIdleModel->isChecked() ? 1 : 0;
    // The flags of the byte with the idle model's; the bits without a field
    // go back as the device holds them.
    check(DataManager->WriteParamByte(37, FlagsByteToWrite(r, 37)));
    ok = write.Report(ok && !DataManager->IsDeviceNotReady());

    // The read-back shows what the device now holds; after a failed exchange
    // the page keeps its edits instead.
    if (ok)
        ReadModel2Settings();
    pause.Resume();
    FForm->ConfigWriteEnded(ok);
    if (!ok) {
        Model2Modified = true;
        if (Common)
            Common->ShowWarning(Tr(QStringLiteral("strCalWriteIncomplete")) + u' '
                                + Tr(QStringLiteral("strCalWhatModel")));
    }
    if (ok && modified && DataManager->ReadRecordingSize() && DataManager->RecordingCount2 > 0
        && !FForm->IdleModelChanged() && Common
        && Common->AskYesNo(Tr(QStringLiteral("strQGasMapClearAfterModelChange")), QString())) {
        if (Hooks.ClearGasMap)
            Hooks.ClearGasMap();
        if (PgCCalibration && TbSCalMap)
            TCommon::ActivatePage(PgCCalibration, TbSCalMap, true);
    }
    if (ok)
        FForm->SetIdleModelChanged(false);
}

double TModel2Page::CalculateMult()
{
    return ModelMath::CalculateMult(Curve(), DeviceRecord.Offset).value_or(DeviceRecord.Mult);
}

// ---- Defaults and steps -----------------------------------------------------

void TModel2Page::BtBModel2DefaultClick()
{
    if (NotReady())
        return;
    const int type = DevData ? DevData->GetGasInjectorType() : 0;
    const double offset = Hooks.GetDefaultFactor ? Hooks.GetDefaultFactor(type) : 1.0;
    SetDefaultModel2Settings(false, true, false, offset, 0, true);
}

bool TModel2Page::SetDefaultModel2Settings(bool write, bool confirm, bool askCorrections, double offset,
                                           int multPercent, bool useIdleModel)
{
    if (NotReady())
        return false;
    Model2Modified = true;
    SetSpin(UpDModel2Mult, multPercent);
    FMultPos = UpDModel2Mult ? UpDModel2Mult->value() : multPercent;
    if (YEdModel2MULT)
        YEdModel2MULT->setText(QString::number(FMultPos));
    SetSpin(UpDModel2Offset, int(RoundEven(offset * 10.0)));
    FOffsetPos = UpDModel2Offset ? UpDModel2Offset->value() : int(RoundEven(offset * 10.0));
    const double b = FOffsetPos / 10.0;
    if (YEdModel2Offset)
        YEdModel2Offset->setText(FormatDecimals(b, 1));
    auto &series = Chart->Series;
    for (int s : {TModel2Chart::sPoints, TModel2Chart::sOrig, TModel2Chart::sActual, TModel2Chart::sAdapt})
        series[s].clear();
    const double k = 1.0 + 0.01 * FMultPos;
    series[TModel2Chart::sOrig] = {QPointF(0, b), QPointF(kModel2ChartMaxX, k * kModel2ChartMaxX + b)};
    series[TModel2Chart::sPoints] = DefaultCurve(k, b);
    series[TModel2Chart::sAdapt] = series[TModel2Chart::sPoints];
    series[TModel2Chart::sActual] = {QPointF(0, 0)};
    SelectedPoint = DeletePoint = -1;
    if (useIdleModel && ChBModel2UseOnIdleModel)
        TCommon::SetCheckedSilently(ChBModel2UseOnIdleModel, true);
    Idle = {3.0, 3.0 * k + b, 6.0, 6.0 * k + b};
    UpdateModel2PointsIdleAndControls();

    SetSpin(UpDModel2CorrectionMult, 0);
    if (YEdModel2CorrectionOffset)
        YEdModel2CorrectionOffset->setText(FormatDecimals(0.0, 2));
    for (QAbstractButton *box : ChBModel2CorrectionMask)
        if (box)
            TCommon::SetCheckedSilently(box, false);

    const auto &r = DeviceRecord;
    const bool inFlow = DevData && DevData->GetSensorInFlow();
    const uint8_t expected = inFlow ? 2 : 3;
    const bool matches = (inFlow && r.TgasCorType == 2) || (!inFlow && r.TgasCorType == 3);
    if (askCorrections) {
        if (!matches && Common && Common->AskYesNo(Tr(QStringLiteral("strQCorrTgasChange"))))
            FForm->SetActiveTgasCorrSpBtn(expected);
    } else {
        FForm->SetActiveTgasCorrSpBtn(expected);
    }
    if (askCorrections && r.RPMCorType != 1) {
        if (Common && Common->AskYesNo(Tr(QStringLiteral("strQCorrRPMChange"))))
            FForm->SetActiveRpmCorrSpBtn(1);
    } else {
        FForm->SetActiveRpmCorrSpBtn(1);
    }
    if (ChBModel2Adaptation)
        TCommon::SetCheckedSilently(ChBModel2Adaptation, false);
    FForm->SetConfigModified(true);
    Chart->Repaint();

    if (!write)
        return false;
    int answer = 6;
    if (confirm && Common)
        answer = Common->AskYesNoCancel(QString::asprintf("%s %s\r\n\r\n%s",
                                                          qUtf8Printable(Tr(QStringLiteral("strQuestWriteDefaultModelSettings"))),
                                                          qUtf8Printable(CmBConfInjType ? CmBConfInjType->currentText() : QString()),
                                                          qUtf8Printable(Tr(QStringLiteral("strQuestWriteDefaultModelSettingsConfirm")))),
                                        QString());
    if (answer == 6) {
        BtBModel2WriteClick();
        return true;
    }
    return answer == 7;
}

void TModel2Page::UpDModel2MultClick(bool next)
{
    if (NotReady())
        return;
    if (YEdModel2MULT && UpDModel2Mult)
        YEdModel2MULT->setText(QString::number(UpDModel2Mult->value()));
    const double delta = next ? 0.01 : -0.01;
    SlopeStep(Curve(), delta);
    auto &orig = Chart->Series[TModel2Chart::sOrig];
    if (orig.size() > 1 && orig[1].x() > 0)
        orig[1].setY(orig[1].y() + delta * orig[1].x());
    Chart->Repaint();
    if (ChBModel2WithIdlePoints && ChBModel2WithIdlePoints->isChecked()) {
        // An idle point at x = 0 has no slope and stays.
        for (int p : {0, 2})
            if (Idle[p] > 0)
                Idle[p + 1] += delta * Idle[p];
        UpdateModel2Labels();
    }
    Model2Modified = true;
}

void TModel2Page::UpDModel2OffsetClick(bool next)
{
    if (NotReady())
        return;
    if (YEdModel2Offset && UpDModel2Offset)
        YEdModel2Offset->setText(FormatDecimals(UpDModel2Offset->value() / 10.0, 1));
    if (!Curve().isEmpty()) {
        OffsetStep(Curve(), next);
        for (auto &p : Chart->Series[TModel2Chart::sOrig])
            p.setY(p.y() + (next ? kModel2Step : -kModel2Step));
        Chart->Repaint();
    }
    if (ChBModel2WithIdlePoints && ChBModel2WithIdlePoints->isChecked()) {
        for (int p : {1, 3}) {
            QSpinBox *s = UpDCalSerIdle[p];
            if (!s)
                continue;
            SetSpin(s, s->value() + (next ? 1 : -1));
            FIdlePos[p] = s->value();
            Idle[p] = s->value() / 10.0;
        }
        UpdateModel2Labels();
    }
    Model2Modified = true;
}

void TModel2Page::UpDCalSerIdleClick(int coordinate)
{
    if (NotReady() || coordinate < 0 || coordinate > 3)
        return;
    FForm->SetIdleModelChanged(true);
    Idle[coordinate] = UpDCalSerIdle[coordinate] ? UpDCalSerIdle[coordinate]->value() / 10.0 : Idle[coordinate];
    UpdateModel2Labels();
}

void TModel2Page::UpdateModel2Labels()
{
    for (int k = 0; k < 4; ++k) {
        if (YEdCalSerIdle[k])
            YEdCalSerIdle[k]->setText(FormatDecimals(Idle[k], 1));
        SetSpin(UpDCalSerIdle[k], int(RoundEven(Idle[k] * 10.0)));
        FIdlePos[k] = UpDCalSerIdle[k] ? UpDCalSerIdle[k]->value() : 0;
    }
    if (ChBModel2UseOnIdleModel && ChBModel2UseOnIdleModel->isChecked()) {
        Chart->Series[TModel2Chart::sIdle] = {QPointF(Idle[0], Idle[1]), QPointF(Idle[2], Idle[3])};
        Chart->Repaint();
    }
}

void TModel2Page::ChBModel2UseOnIdleModelClick()
{
    FForm->SetIdleModelChanged(true);
    if (ChBModel2UseOnIdleModel && !ChBModel2UseOnIdleModel->isChecked()) {
        Chart->Series[TModel2Chart::sIdle].clear();
        Chart->Repaint();
    }
    UpdateModel2PointsIdleAndControls();
}

void TModel2Page::UpdateModel2PointsIdleAndControls()
{
    const bool on = ChBModel2UseOnIdleModel && ChBModel2UseOnIdleModel->isChecked();
    if (ChBModel2WithIdlePoints)
        ChBModel2WithIdlePoints->setEnabled(on);
    if (PnlModel2OnIdleModel)
        PnlModel2OnIdleModel->setVisible(on);
    UpdateModel2Labels();
}

void TModel2Page::UpdateModel2NozzleInfo()
{
    if (!LblModel2Info1)
        return;
    LblModel2Info1->setVisible(DeviceRecord.DeviceOptions & 4);
    static const char *keys[] = {nullptr, "strNToL", "strNToH", "strNnorm", "strNok"};
    const int cls = Hooks.AutocalNozzleClass ? Hooks.AutocalNozzleClass() : 0;
    if (cls >= 1 && cls <= 4)
        LblModel2Info1->SetCaption(Tr(QString::fromLatin1(keys[cls])));
}

void TModel2Page::ShowNewModel2(const ModelMath::TCurve &points, const ModelMath::TCurve &line, int multPercent,
                                int offsetTenths)
{
    Chart->Series[TModel2Chart::sPoints] = points;
    Chart->Series[TModel2Chart::sOrig] = line;
    SetSpin(UpDModel2Mult, multPercent);
    FMultPos = UpDModel2Mult ? UpDModel2Mult->value() : multPercent;
    if (YEdModel2MULT)
        YEdModel2MULT->setText(QString::number(FMultPos));
    SetSpin(UpDModel2Offset, offsetTenths);
    FOffsetPos = UpDModel2Offset ? UpDModel2Offset->value() : offsetTenths;
    if (YEdModel2Offset)
        YEdModel2Offset->setText(FormatDecimals(FOffsetPos / 10.0, 1));
    Model2Modified = true;
    Chart->Repaint();
}

void TModel2Page::ChBModel2ShowValuesClick()
{
    Chart->ShowValues = !ChBModel2ShowValues || ChBModel2ShowValues->isChecked();
    Chart->Repaint();
}

void TModel2Page::ChBModel2CorrectionMaskClick()
{
    DeviceRecord.CorrectionMask = MaskFromBoxes();
}

void TModel2Page::SpBModel2SetNewModelClick()
{
    if (NotReady())
        return;
    if (Hooks.CalcNewModel2)
        Hooks.CalcNewModel2(2, DeviceRecord.Offset);
    FForm->SetConfigModified(true);
}

void TModel2Page::SpBModel2ReadFromClick()
{
    if (NotReady())
        return;
    if (DataManager->IsDeviceType(20) || DataManager->IsDeviceType(21))
        LoadModel2FromSettingsFile();
    else if (DataManager->IsDeviceType(48) && Hooks.LoadSettingsFileV30Model)
        Hooks.LoadSettingsFileV30Model();
}

TPageLimits TModel2Page::FileLimits() const
{
    TPageLimits page;
    ModelFile::AddUpDown(page, QStringLiteral("Mult"), UpDModel2Mult, 100, 1);
    ModelFile::AddUpDown(page, QStringLiteral("Offset"), UpDModel2Offset, 10, 0);
    ModelFile::AddUpDown(page, QStringLiteral("CorrectionMult"), UpDModel2CorrectionMult, 100, 1);
    page.CurveMaxX = kModel2RawMaxX;
    return page;
}

void TModel2Page::LoadModel2FromSettingsFile()
{
    const QString file = Hooks.ChooseSettingsFile ? Hooks.ChooseSettingsFile() : QString();
    if (file.isEmpty())
        return;
    QCoreApplication::processEvents();
    // Nothing of a file that is refused is taken.
    const auto load = ModelFile::Read(*FForm, file, FileLimits());
    if (!load)
        return;
    const TDeviceRecord &v = load->Record;
    auto &r = DeviceRecord;
    SetSpin(UpDModel2Offset, int(RoundEven(v.Offset * 10.0)));
    FOffsetPos = UpDModel2Offset ? UpDModel2Offset->value() : 0;
    if (YEdModel2Offset) {
        YEdModel2Offset->setText(FormatDecimals(FOffsetPos / 10.0, 1));
        FShownOffset.Show(v.Offset, YEdModel2Offset->text());
    }
    SetSpin(UpDModel2Mult, FactorToPercent(v.Mult));
    FMultPos = UpDModel2Mult ? UpDModel2Mult->value() : 0;
    if (YEdModel2MULT)
        YEdModel2MULT->setText(QString::number(FMultPos));
    r.CorrectionMult = v.CorrectionMult;
    r.CorrectionOffset = v.CorrectionOffset;
    r.CorrectionMask = v.CorrectionMask;
    if (YEdModel2CorrectionOffset) {
        YEdModel2CorrectionOffset->setText(FormatDecimals(r.CorrectionOffset, 2));
        FShownCorrOffset.Show(r.CorrectionOffset, YEdModel2CorrectionOffset->text());
    }
    SetSpin(UpDModel2CorrectionMult, FactorToPercent(r.CorrectionMult));
    FShownCorrMult.Show(r.CorrectionMult, QString::number(UpDModel2CorrectionMult ? UpDModel2CorrectionMult->value() : 0));
    CorrectionControls::ShowMask(ChBModel2CorrectionMask, r.CorrectionMask);
    auto &series = Chart->Series;
    series[TModel2Chart::sPoints].clear();
    series[TModel2Chart::sOrig].clear();
    if (load->HasModelPoints) {
        TRawCurve raw;
        for (int k = 0; k < kModel2MaxPoints; ++k) {
            r.ModelPointsA[k] = v.ModelPointsA[k];
            raw[k] = TRawPoint{int(v.ModelPointsA[k].X), int(v.ModelPointsA[k].Y)};
        }
        series[TModel2Chart::sPoints] = CurveFromRaw(raw);
        const auto &c = series[TModel2Chart::sPoints];
        if (!c.isEmpty())
            series[TModel2Chart::sOrig] = {c.first(), c.last()};
        SelectedPoint = DeletePoint = -1;
        Chart->MarkerActive = false;
        Chart->Repaint();
    } else {
        BtBModel2DefaultClick();
    }
    if (Common && Common->AskOkCancel(Tr(QStringLiteral("strSaveCnf")), Tr(QStringLiteral("strSaveCnfT"))) == 1)
        BtBModel2WriteClick();
}

// Shows the model 2 a settings file put into the record: its points, when
// the file had them, on the chart, marked as changed so that the next write
// sends them; its idle points; and the file's exact offsets and factor
// behind the rounded texts the window put on the page.
void TModel2Page::ShowRecordModel2(bool points)
{
    const auto &r = DeviceRecord;
    if (points) {
        TRawCurve raw;
        for (int k = 0; k < kModel2MaxPoints; ++k)
            raw[k] = TRawPoint{int(r.ModelPointsA[k].X), int(r.ModelPointsA[k].Y)};
        auto &series = Chart->Series;
        series[TModel2Chart::sPoints] = CurveFromRaw(raw);
        series[TModel2Chart::sOrig].clear();
        const auto &c = series[TModel2Chart::sPoints];
        if (!c.isEmpty())
            series[TModel2Chart::sOrig] = {QPointF(c.last().x(), c.last().x() * r.Mult + r.Offset)};
        SelectedPoint = DeletePoint = -1;
        Chart->MarkerActive = false;
        Model2Modified = true;
        Chart->Repaint();
    }
    for (int k = 0; k < 4; ++k)
        Idle[k] = r.NozzleTest[k];
    if (!points)
        return; // the default model 2 shows its own values
    // The texts shown stand for the exact values of the file.
    FOffsetPos = UpDModel2Offset ? UpDModel2Offset->value() : FOffsetPos;
    FMultPos = UpDModel2Mult ? UpDModel2Mult->value() : FMultPos;
    if (YEdModel2Offset)
        FShownOffset.Show(r.Offset, YEdModel2Offset->text());
    if (UpDModel2CorrectionMult)
        FShownCorrMult.Show(r.CorrectionMult, QString::number(UpDModel2CorrectionMult->value()));
    if (YEdModel2CorrectionOffset)
        FShownCorrOffset.Show(r.CorrectionOffset, YEdModel2CorrectionOffset->text());
}

// ---- Chart editor -------------------------------------------------------------

QString TModel2Page::StatusText() const
{
    const bool focus = EdtChtModel2Keyboard && EdtChtModel2Keyboard->hasFocus();
    return QString::asprintf("Model:%s | Edit:%s (%s) | Sel.point: %d  %s", Chart->MarkerActive ? "Kbd" : "---",
                             focus ? "Focus" : "---",
                             qUtf8Printable(EdtChtModel2Keyboard ? EdtChtModel2Keyboard->text() : QString()),
                             SelectedPoint, "");
}

void TModel2Page::UpdateModel2EditStatus(const QString &)
{
    if (PnlModelKeyboardStatus) {
        PnlModelKeyboardStatus->SetCaption(StatusText());
        PnlModelKeyboardStatus->repaint();
    }
}

void TModel2Page::SelectModel2Point()
{
    if (SelectedPoint >= 0 && SelectedPoint < Curve().size()) {
        MoveMarker(SelectedPoint);
        Chart->MarkerActive = true;
        UpdateModel2EditStatus(QString());
        if (EdtChtModel2Keyboard && TCommon::CanFocusChain(EdtChtModel2Keyboard))
            EdtChtModel2Keyboard->setFocus();
        Chart->MarkerColour = TModel2Chart::White;
        Chart->Repaint();
    }
    if (EdtChtModel2Keyboard)
        EdtChtModel2Keyboard->setText(QString::number(SelectedPoint));
    UpdateModel2EditStatus(QString());
}

void TModel2Page::ChtModel2MouseMove(QPoint at)
{
    const bool over = FindPointAtX(Curve(), MouseX(at)) >= 0;
    Chart->Host()->setCursor(over ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TModel2Page::ChtModel2MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at)
{
    const double x = MouseX(at);
    auto &c = Curve();
    if (button == Qt::RightButton) {
        if (c.size() >= kModel2MaxPoints) {
            QApplication::beep();
            return;
        }
        // A new point goes after the first point (which keeps its x; left of
        // it lies the chart's margin), also past the last one, never below 0.
        if (c.isEmpty() || FindPointAtX(c, x) >= 0 || x <= c.first().x())
            return;
        const double y = std::max(MouseY(at), 0.0);
        int pos = 0;
        while (pos < c.size() && c[pos].x() < x)
            ++pos;
        c.insert(pos, QPointF(x, y));
        FForm->SetConfigModified(true);
        Model2Modified = true;
        SelectedPoint = FindPointAtX(c, x);
        Chart->Repaint();
        ChtModel2MouseUp(button, modifiers, at);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    SelectedPoint = FindPointAtX(c, x);
    if (modifiers & Qt::ControlModifier) {
        if (SelectedPoint > 0 && SelectedPoint < c.size() - 1) {
            DeletePoint = SelectedPoint;
            SelectedPoint = -1;
            Chart->CancelDrag();
            ChtModel2MouseUp(button, modifiers, at);
        }
        return;
    }
    if (SelectedPoint >= 0)
        Chart->BeginDrag();
    UpdateModel2EditStatus(QString());
}

void TModel2Page::ChtModel2MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint at)
{
    if (!Connected()) {
        DeletePoint = -1;
        return;
    }
    const bool ctrlLeft = button == Qt::LeftButton && (modifiers & Qt::ControlModifier);
    if (SelectedPoint < 0 || ctrlLeft)
        SelectedPoint = FindSegmentAtX(Curve(), MouseX(at));
    SelectModel2Point();
    if (button == Qt::LeftButton && DeletePoint >= 0) {
        if (DeletePoint > 0 && DeletePoint < Curve().size() - 1)
            Curve().removeAt(DeletePoint);
        DeletePoint = -1;
        if (SelectedPoint >= Curve().size())
            SelectedPoint = int(Curve().size()) - 1;
        Chart->Repaint();
        FForm->SetConfigModified(true);
        Model2Modified = true;
    }
}

void TModel2Page::ChtModel2StartDrag()
{
    if (FForm->Timerek)
        FForm->Timerek->stop();
}

void TModel2Page::ChtModel2DragOver(QPoint at)
{
    const int i = SelectedPoint;
    auto &c = Curve();
    if (i < 0 || i >= c.size())
        return;
    bool set = false;
    if (i != 0 && i != c.size() - 1) {
        const double x = LimitX(c, i, MouseX(at));
        set = set || !SameValue(x, c[i].x());
        c[i].setX(x);
    }
    const double y = MouseY(at);
    if (y >= 0) {
        set = set || !SameValue(y, c[i].y());
        c[i].setY(y);
    }
    MoveMarker(i);
    if (set) {
        FForm->SetConfigModified(true);
        Model2Modified = true;
    }
    Chart->Repaint();
    UpdateModel2EditStatus(QString());
}

void TModel2Page::ChtModel2EndDrag()
{
    if (!EdtChtModel2Keyboard || !EdtChtModel2Keyboard->hasFocus()) {
        Chart->MarkerActive = false;
        Chart->Repaint();
    }
    UpdateModel2EditStatus(QString());
    if (Hooks.DrawModelMultsChart)
        Hooks.DrawModelMultsChart();
    if (FForm->Timerek && FForm->Ready())
        FForm->Timerek->start();
}

void TModel2Page::EdtChtModel2KeyboardKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    auto &c = Curve();
    int i = EdtChtModel2Keyboard ? SafeStrToInt(EdtChtModel2Keyboard->text()) : -1;
    if (i < 0 || i >= c.size())
        return;
    const int last = int(c.size()) - 1;
    if ((modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) == Qt::ControlModifier) {
        if (key == Qt::Key_Left)
            key = Qt::Key_PageDown;
        else if (key == Qt::Key_Right)
            key = Qt::Key_PageUp;
    }
    bool changed = true;
    auto select = [&](int index) {
        i = index;
        SelectedPoint = index;
        SelectModel2Point();
    };
    switch (key) {
    case Qt::Key_Left:
        if (i > 0 && i < last)
            c[i].setX(LimitX(c, i, Round1(c[i].x() - kModel2Step)));
        break;
    case Qt::Key_Right:
        if (i > 0 && i < last)
            c[i].setX(LimitX(c, i, Round1(c[i].x() + kModel2Step)));
        break;
    case Qt::Key_Up:
        c[i].setY(c[i].y() + kModel2Step);
        break;
    case Qt::Key_Down:
        if (c[i].y() - kModel2Step > -1e-9)
            c[i].setY(std::max(0.0, c[i].y() - kModel2Step));
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (key == Qt::Key_PageUp ? i < last : i > 0) {
            i += key == Qt::Key_PageUp ? 1 : -1;
            SelectedPoint = i;
            EdtChtModel2Keyboard->setText(QString::number(i));
            changed = Model2Modified;
        }
        break;
    case Qt::Key_Escape: {
        const double x = c[i].x();
        ReadModel2Settings();
        if (Curve().isEmpty())
            i = -1;
        else
            select(FindSegmentAtX(Curve(), x));
        changed = false;
        break;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (Common && Common->AskSaveChangedData(false) == 6) {
            Model2Modified = true;
            BtBModel2WriteClick();
        }
        changed = false;
        break;
    case Qt::Key_Delete:
        if (!(QApplication::mouseButtons() & Qt::LeftButton) && i > 0 && i < last) {
            const double x = c[i].x();
            DeletePoint = i;
            Chart->CancelDrag();
            ChtModel2MouseUp(Qt::LeftButton, Qt::NoModifier, QPoint(PixelOf(c[i]).x(), 0));
            select(FindSegmentAtX(Curve(), x));
        }
        break;
    case Qt::Key_Insert:
        if (!(QApplication::mouseButtons() & Qt::RightButton) && i >= 0 && i < last) {
            const QPointF mid((c[i].x() + c[i + 1].x()) / 2, (c[i].y() + c[i + 1].y()) / 2);
            ChtModel2MouseDown(Qt::RightButton, Qt::NoModifier, PixelOf(mid));
            select(FindSegmentAtX(Curve(), mid.x()));
        }
        break;
    default:
        i = -1;
        break;
    }
    if (i < 0 || i >= Curve().size())
        return;
    if (!MarkerOn(i)) {
        MoveMarker(i);
        FForm->SetConfigModified(changed);
        if (changed)
            Model2Modified = true;
        Chart->Repaint();
    }
    UpdateModel2EditStatus(QString());
}

void TModel2Page::TrBMod2MaxTbChange()
{
    if (!ScrChartModel2 || !TrBMod2MaxTb)
        return;
    // The box's inner width (without its frame) is the whole range.
    QWidget *view = ScrChartModel2->viewport();
    const int width = ZoomedChartWidth(view->width(), TrBMod2MaxTb->maximum(), TrBMod2MaxTb->value());
    Chart->Host()->resize(width, std::max(1, view->height()));
}

bool TModel2Page::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == EdtChtModel2Keyboard) {
        if (event->type() == QEvent::KeyPress) {
            auto *e = static_cast<QKeyEvent *>(event);
            EdtChtModel2KeyboardKeyDown(e->key(), e->modifiers());
            return true;
        }
        if (event->type() == QEvent::FocusOut)
            EdtChtModel2KeyboardExit();
    } else if (watched == ScrChartModel2 && event->type() == QEvent::Resize) {
        ScrChartModel2Resize();
    }
    return false;
}

// ---- Installation ---------------------------------------------------------------

TModel2Page *TModel2Page::Install(TFormMain &form)
{
    auto *page = new TModel2Page(&form);
    form.AddPageLogic(page);
    auto &rs = form.ReadingsServices;
    rs.SetModel2LivePoint = [page](double x, double y) { page->SetLivePoint(x, y); };
    rs.Model2MarkerActive = [page] { return page->Chart->MarkerActive; };
    rs.Model2MarkerColor = [page] { return page->Chart->MarkerColour; };
    rs.SetModel2MarkerColor = [page](uint32_t colour) {
        page->Chart->MarkerColour = colour;
        page->Chart->Repaint();
    };
    rs.Model2AdaptMapComplete = [page] { return page->AdaptMapComplete; };
    page->Hooks.UpdateLastChangeInfo = [&form](bool modified) { return form.UpdateLastChangeInfo(modified); };
    page->Hooks.IsBusy = [&form] { return form.ReadingsServices.IsBusy && form.ReadingsServices.IsBusy(); };
    page->Hooks.ObdAdaptationSwitch = [] { return DataManager && DataManager->IsAdaptationVariableSet
                                                  && DataManager->IsAdaptationVariableSet(); };
    return page;
}
