#include "windows/MultiCalCorrectionsPage.h"

#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/ReadPlan.h"
#include "core/ui/Common.h"
#include "mainwindow/configuration/CorrectionControls.h"
#include "mainwindow/shell/FormMain.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/MultiCalModelPage.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

struct TCurveLayout {
    const char *Panel;
    const char *Edit;
    const char *Active;
    const char *Title;
};
// In the order of TCurve.
constexpr TCurveLayout kCurves[] = {
    {"PnlCalCorrPsys", "EdtPsysCorr", "ChBActiveCorrectionPsys", "Korekta od ciśnienia gazu"},
    {"PnlCalCorrPcol", "EdtPcolCorr", "ChBActiveCorrectionPcol", "Korekta od ciśnienia w kolektorze"},
    {"PnlCalCorrTgas", "EdtTgasCorr", "ChBActiveCorrectionTgas", "Korekta od temperatury gazu"},
    {"PnlCalCorrRPM", "EdtRPMCorr", "ChBActiveCorrectionRPM", "Korekta od obrotów"},
};
// Bit of each curve in the active byte.
constexpr int kActiveBit[] = {1, 8, 2, 4};

} // namespace

TMultiCalCorrectionsPage::TMultiCalCorrectionsPage(TFrmMultiCalibrationTaronQV &window, QWidget *sheet)
    : QObject(&window), W(window)
{
    setObjectName(QStringLiteral("MultiCalCorrectionsPage"));
    Build(sheet);
}

qint8 *TMultiCalCorrectionsPage::Values(TCurve curve)
{
    TDeviceRecord &r = DeviceRecord;
    switch (curve) {
    case cPsys: return r.PsysCorrections.data();
    case cPcol: return r.PcolCorrections.data();
    case cTgas: return r.TgasCorrections.data();
    default: return r.RpmCorrections.data();
    }
}

void TMultiCalCorrectionsPage::Build(QWidget *s)
{
    auto button = [this](QWidget *p, const char *name, const QRect &r, const QString &text, TCurve curve,
                         const Kind48Math::TCurve20 &values) {
        auto *b = NewNamed<QPushButton>(p, name, r, text);
        connect(b, &QAbstractButton::clicked, this, [this, curve, &values] { ApplyPreset(curve, values); });
    };
    for (int c = 0; c < CurveCount; ++c) {
        const TCurveLayout &l = kCurves[c];
        auto *panel = Panel[size_t(c)] = NewNamed<QFrame>(s, l.Panel, {4, 4 + 86 * c, 764, 82});
        panel->setFrameShape(QFrame::StyledPanel);
        NewNamed<QLabel>(panel, (QByteArray("LblCalCorrTitle") + QByteArray::number(c)).constData(), {6, 4, 300, 18},
                         QString::fromUtf8(l.Title));
        Active[size_t(c)] = NewNamed<QCheckBox>(panel, l.Active, {320, 3, 100, 20}, QStringLiteral("Aktywna"));
        for (int i = 0; i < 20; ++i) {
            auto *e = Edits[size_t(c)][size_t(i)] = NewNamed<QLineEdit>(
                panel, (QByteArray(l.Edit) + QByteArray::number(i + 1)).constData(), {6 + 37 * i, 26, 34, 22});
            e->setAlignment(Qt::AlignRight);
        }
    }
    QWidget *tgas = Panel[cTgas], *rpm = Panel[cRpm], *pcol = Panel[cPcol];
    button(tgas, "BtnCorTgasStandard", {6, 52, 90, 24}, QStringLiteral("Standard"), cTgas, Kind48Math::TgasStandard);
    button(tgas, "BtnCorTgas2", {100, 52, 90, 24}, QStringLiteral("Mała"), cTgas, Kind48Math::TgasSmall);
    button(tgas, "BtnCorTgas3", {194, 52, 90, 24}, QStringLiteral("Duża"), cTgas, Kind48Math::TgasBig);
    button(tgas, "BtnCorTgasZero", {288, 52, 90, 24}, QStringLiteral("0%"), cTgas, Kind48Math::Zero);
    button(rpm, "BtnCorRPMstandard", {6, 52, 90, 24}, QStringLiteral("Duża"), cRpm, Kind48Math::RpmBig);
    button(rpm, "BtnCorRPMzero", {100, 52, 90, 24}, QStringLiteral("0%"), cRpm, Kind48Math::Zero);
    button(pcol, "BtnCorPcolStandard", {6, 52, 180, 24}, QStringLiteral("Ustawienia standardowe"), cPcol, Kind48Math::Zero);
    button(pcol, "BtnCorPcolZero", {190, 52, 90, 24}, QStringLiteral("0%"), cPcol, Kind48Math::Zero);

    ChBOBDAdaptationEnabled = NewNamed<QCheckBox>(s, "ChBOBDAdaptationEnabled", {8, 352, 300, 20},
                                                  QStringLiteral("Aktywuj Mapę korekt OBD"));
    BtnCorReadCorrections = NewNamed<QPushButton>(s, "BtnCorReadCorrections", {540, 350, 110, 26}, QStringLiteral("Odczytaj"));
    BtnCorWriteCorrections = NewNamed<QPushButton>(s, "BtnCorWriteCorrections", {656, 350, 110, 26}, QStringLiteral("Zapisz"));
    connect(BtnCorReadCorrections, &QAbstractButton::clicked, this, [this] { Read(); });
    connect(BtnCorWriteCorrections, &QAbstractButton::clicked, this, [this] { Write(); });
}

void TMultiCalCorrectionsPage::Show(TCurve curve)
{
    const qint8 *v = Values(curve);
    for (int i = 0; i < 20; ++i)
        Edits[size_t(curve)][size_t(i)]->setText(QString::number(v[i]));
}

void TMultiCalCorrectionsPage::ApplyPreset(TCurve curve, const Kind48Math::TCurve20 &values, bool edited)
{
    qint8 *v = Values(curve);
    for (int i = 0; i < 20; ++i)
        v[i] = qint8(values[size_t(i)]);
    Show(curve);
    if (edited)
        W.SetModified(true);
}

bool TMultiCalCorrectionsPage::Read()
{
    if (!W.Ready())
        return false;
    TReadPlan plan;
    AddDeviceReads(plan);
    const bool ok = plan.Run(*DataManager);
    ShowDeviceRecord();
    return ok;
}

void TMultiCalCorrectionsPage::AddDeviceReads(TReadPlan &plan)
{
    for (uint8_t id : {11, 12, 13})
        plan.Model(id);
    plan.Model(74);
    plan.PsysCurve();
    if (Sent(cPcol))
        plan.PcolCurve();
    plan.TgasCurve();
    plan.RpmCurve();
    plan.Model(104);
}

void TMultiCalCorrectionsPage::ShowDeviceRecord()
{
    W.Model->UpdateUI();
    const int bits = DeviceRecord.CMActive;
    for (int c = 0; c < CurveCount; ++c)
        TCommon::SetCheckedSilently(Active[size_t(c)], bits & kActiveBit[c]);
    Show(cPsys);
    if (Sent(cPcol))
        Show(cPcol);
    Show(cTgas);
    Show(cRpm);
    TCommon::SetCheckedSilently(ChBOBDAdaptationEnabled, DeviceRecord.MapCorrections & 1);
    W.SetModified(false);
}

bool TMultiCalCorrectionsPage::Sent(TCurve curve)
{
    return curve != cPcol || DataManager->Kind48Holds(kind48::PcolCurveShownWith);
}

bool TMultiCalCorrectionsPage::CellsFit() const
{
    for (int c = 0; c < CurveCount; ++c) {
        if (!Sent(TCurve(c)))
            continue;
        const auto *title = Panel[size_t(c)]->findChild<QLabel *>(QStringLiteral("LblCalCorrTitle%1").arg(c));
        for (int i = 0; i < 20; ++i)
            if (!CorrectionControls::TypedCell(Edits[size_t(c)][size_t(i)], title ? title->text() : QString(),
                                               QString::number(i + 1)))
                return false;
    }
    return true;
}

bool TMultiCalCorrectionsPage::WriteFits() const
{
    // The cells as typed, then the bank-2 offset as the model page holds it
    // (the write sends it too), against the one range of its word.
    return CellsFit() && W.Model->OffsetFits();
}

bool TMultiCalCorrectionsPage::Write()
{
    if (!W.Ready())
        return false;
    // Checked before anything is asked or sent.
    if (!WriteFits())
        return false;
    if (W.Form && !W.Form->UpdateLastChangeInfo(W.Modified()))
        return false;
    TRecordedWrite write;
    // Everything the frames carry is taken from the page before the first one.
    int bits = 0;
    for (int c = 0; c < CurveCount; ++c)
        if (Active[size_t(c)]->isChecked())
            bits |= kActiveBit[c];
    DeviceRecord.CMActive = quint8(bits);
    // Each cell the write sends holds a number its byte holds (checked
    // above); a curve the write does not send keeps what the record holds
    // where its cell does not.
    for (int c = 0; c < CurveCount; ++c) {
        qint8 *v = Values(TCurve(c));
        for (int i = 0; i < 20; ++i)
            if (const auto value = CorrectionControls::CellValue(Edits[size_t(c)][size_t(i)]))
                v[i] = *value;
        Show(TCurve(c));
    }
    DeviceRecord.MapCorrections = quint8((DeviceRecord.MapCorrections & ~1) | (ChBOBDAdaptationEnabled->isChecked() ? 1 : 0));
    TDataManager &dm = *DataManager;
    bool ok = dm.WriteParameter(11) && dm.WriteParameter(12) && dm.WriteParameter(13) && dm.WriteParameter(74)
              && dm.WriteCorrectionsD1();
    // The manifold-pressure curve goes out as the page read it: on the
    // versions whose curve the page reads and shows.
    if (ok && Sent(cPcol))
        ok = dm.WriteCorrections98();
    ok = write.Report(ok && dm.WriteCorrectionsD3() && dm.WriteCorrectionsDA() && dm.WriteParameter(104));
    if (!ok) {
        W.SetModified(true);
        W.ReportIncompleteWrite(QStringLiteral("strCalWhatCorrections"));
        return false;
    }
    W.SetModified(false);
    return true;
}

bool TMultiCalCorrectionsPage::ResetCorrectionsToDefaults()
{
    if (!W.Ready())
        return false;
    W.SetDefaultModel(true, false);
    ApplyPreset(cTgas, Kind48Math::TgasStandard, false);
    ApplyPreset(cRpm, Kind48Math::Zero, false);
    ApplyPreset(cPcol, Kind48Math::Zero, false);
    TCommon::SetCheckedSilently(Active[cPsys], true);
    TCommon::SetCheckedSilently(Active[cRpm], false);
    TCommon::SetCheckedSilently(Active[cTgas], true);
    TCommon::SetCheckedSilently(Active[cPcol], false);
    TCommon::SetCheckedSilently(ChBOBDAdaptationEnabled, false);
    bool ok = Write();
    DeviceRecord.GasInjCorrTable.fill(0);
    ok = DataManager->WriteGasInjTable() && ok;
    DevData->SetCorrectionMultPercent(0);
    DevData->SetCorrectionOffset(0.0);
    DevData->SetCorrectionMask(0);
    ok = DataManager->WriteParameter(11) && DataManager->WriteParameter(12) && DataManager->WriteParameter(13) && ok;
    Read();
    return ok;
}
