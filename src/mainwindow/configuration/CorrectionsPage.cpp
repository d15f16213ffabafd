#include "mainwindow/configuration/CorrectionsPage.h"

#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/ReadPlan.h"
#include "mainwindow/configuration/PageRead.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/configuration/CorrectionControls.h"
#include "mainwindow/configuration/ModelMath.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/TimerPause.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>

using kind48::TFilePart;

namespace {

// Column captions of the four curves.
QString CellCaption(TCorrectionsPage::TCurve curve, int index)
{
    if (index == TCorrectionsPage::CellCount - 1)
        return curve == TCorrectionsPage::Rpm ? QStringLiteral("   > ") : QStringLiteral(" > ");
    switch (curve) {
    case TCorrectionsPage::Tgas:
        return QString::number(-10 + 5 * index);
    case TCorrectionsPage::Rpm:
        return QString::number(index < 17 ? 500 + 300 * index : index == 17 ? 5700 : 6000);
    default:
        return QString::number((index + 2) / 10.0, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(','));
    }
}

// The petrol-time items of the max-load lists (ms) and their raw values.
constexpr int kTbItems[4] = {10, 15, 20, 25};
constexpr int kTbValues[4] = {1870, 2805, 3740, 4675};
// The manifold-pressure items (bar) and their codes.
constexpr double kPcolItems[5] = {1.0, 1.5, 1.8, 2.2, 2.5};
constexpr int kPcolCodes[5] = {60, 90, 109, 134, 153};

QString Tr(const char *key) { return LM ? LM->Translate(QString::fromLatin1(key)) : QString::fromLatin1(key); }

// Draws the cells of the adaptation grids: the maps coloured by value, the
// live row, column and cell grey.
class TMapCellDelegate : public QStyledItemDelegate
{
public:
    enum TRole { Map, LoadAxis, RpmAxis };
    TMapCellDelegate(TCorrectionsPage *page, QTableWidget *grid, int bank, TRole role)
        : QStyledItemDelegate(grid), FPage(page), FGrid(grid), FBank(bank), FRole(role) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int row = index.row(), column = index.column();
        const bool live = FRole == Map ? row == FPage->ActualLoadIndex(FBank) && column == FPage->ActualRpmIndex(FBank)
                        : FRole == LoadAxis ? row == FPage->ActualLoadIndex(FBank)
                                            : column == FPage->ActualRpmIndex(FBank);
        const QString text = index.data().toString();
        if (live || FRole == Map) {
            QColor fill(0x80, 0x80, 0x80);
            if (!live) {
                if (text.isEmpty()) {
                    QStyledItemDelegate::paint(painter, option, index);
                    return;
                }
                fill = QColor::fromRgb(TCorrectionsPage::CellColour(text.toInt()));
            }
            painter->save();
            painter->fillRect(option.rect, fill);
            painter->setPen(Qt::black);
            painter->drawText(option.rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
            painter->restore();
            return;
        }
        TCommon::DrawColoredGridCell(*painter, FGrid, column, row, option.rect,
                                     option.state & QStyle::State_Selected, false);
    }

private:
    TCorrectionsPage *FPage;
    QTableWidget *FGrid;
    int FBank;
    TRole FRole;
};

} // namespace

TCorrectionsPage::TCorrectionsPage(TFormMain *form) : QObject(form), FForm(form)
{
    setObjectName(QStringLiteral("CorrectionsPage"));
    // Its own sheet, then the model-2 page whose bank-2 correction it shows.
    SetPanels({form->OwnPanel("TbSCalCorrections"), form->OwnPanel("TbSCalibration")});
    FPage = OwnPanel();

    // The 20 cells of each curve, in two columns of ten with their captions.
    const char *curveNames[4] = {"Psys", "Pcol", "Tgas", "RPM"};
    const char *tables[4] = {"PnlCalCorrPsysTable", "PnlCalCorrPcolTable", "PnlCalCorrTgasTable", "PnlCalCorrRpmTable"};
    for (int c = 0; c < 4; ++c) {
        QWidget *table = Find(QString::fromLatin1(tables[c]));
        for (int i = 0; i < CellCount; ++i) {
            const int x = i < 10 ? 2 : 94, y = 2 + 22 * (i % 10);
            auto *caption = new QLabel(CellCaption(TCurve(c), i), table);
            caption->setObjectName(QStringLiteral("LblCorr%1Col%2").arg(QLatin1String(curveNames[c])).arg(i + 1));
            caption->setGeometry(x, y + 2, 42, 18);
            caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            FCellCaptions[c][i] = caption;
            auto *edit = new QLineEdit(table);
            edit->setObjectName(QStringLiteral("Edt%1Corr%2").arg(QLatin1String(curveNames[c])).arg(i + 1));
            edit->setGeometry(x + 46, y, 42, 20);
            edit->setMaxLength(3);
            FCells[c][i] = edit;
            if (c == Tgas)
                connect(edit, &QLineEdit::textChanged, this, &TCorrectionsPage::EdtTgasCorrChange);
            else if (c == Rpm)
                connect(edit, &QLineEdit::textChanged, this, &TCorrectionsPage::EdtRPMCorrChange);
        }
    }
    const char *activeNames[4] = {"ChBActiveCorrectionPsys", "ChBActiveCorrectionPcol", "ChBActiveCorrectionTgas",
                                  "ChBActiveCorrectionRPM"};
    for (int c = 0; c < 4; ++c)
        FActive[c] = Get<QAbstractButton>(activeNames[c]);
    const char *presetNames[4] = {"Standard", "Small", "Big", "UserDefined"};
    for (int k = 0; k < 4; ++k) {
        FTgasButtons[k] = Get<QAbstractButton>(QByteArray("SpBtnCorTgas").append(presetNames[k]).constData());
        FRpmButtons[k] = Get<QAbstractButton>(QByteArray("SpBtnCorRpm").append(presetNames[k]).constData());
        for (QAbstractButton *b : {FTgasButtons[k], FRpmButtons[k]})
            if (b)
                b->setCheckable(true);
    }
    PgCCorrType = Get<QTabWidget>("PgCCorrType");
    TbSMapCorr = Get<QWidget>("TbSMapCorr");
    PgCOBDAdaptationCorr = Get<QTabWidget>("PgCOBDAdaptationCorr");
    TbSOBDAdaptCorrBank1 = Get<QWidget>("TbSOBDAdaptCorrBank1");
    StGOBDAdaptCorrsBank1 = Get<QTableWidget>("StGOBDAdaptCorrsBank1");
    StGOBDAdaptCorrsBank2 = Get<QTableWidget>("StGOBDAdaptCorrsBank2");
    FLoadGrids = {Get<QTableWidget>("StGOBDAdaptBank1LoadThresholds"), Get<QTableWidget>("StGOBDAdaptBank2LoadThresholds")};
    FRpmGrids = {Get<QTableWidget>("StGOBDAdaptBank1RPMThresholds"), Get<QTableWidget>("StGOBDAdaptBank2RPMThresholds")};
    FMaxLoad = {Get<QComboBox>("CmbMaxTbForLoadBank1"), Get<QComboBox>("CmbMaxTbForLoadBank2")};
    FLoadCaption = {Get<QLabel>("LblLoadBank1"), Get<QLabel>("LblLoadBank2")};
    FLoadUnit = {Get<QLabel>("LblLoadUnitBank1"), Get<QLabel>("LblLoadUnitBank2")};
    ChBOBDAdaptationEnabled = Get<QAbstractButton>("ChBOBDAdaptationEnabled");
    ChBOBDModifyModelEnabled = Get<QAbstractButton>("ChBOBDModifyModelEnabled");
    ChBLoadFromPcol = Get<QAbstractButton>("ChBLoadFromPcol");
    StTOBDAdaptationActive = Get<QWidget>("StTOBDAdaptationActive");
    for (int k = 0; k < 8; ++k)
        FMaskBoxes[k] = qobject_cast<QAbstractButton *>(
            Control<QWidget>(QStringLiteral("ChBModel2CorrectionMask%1").arg(k + 1)));
    UpDModel2CorrectionMult = Control<QSpinBox>(QStringLiteral("UpDModel2CorrectionMult"));
    YEdModel2CorrectionOffset = Control<QLineEdit>(QStringLiteral("YEdModel2CorrectionOffset"));

    for (int b = 0; b < 2; ++b) {
        QTableWidget *grids[3] = {CorrectionGrid(b + 1), FLoadGrids[b], FRpmGrids[b]};
        for (int role = 0; role < 3; ++role)
            if (QTableWidget *g = grids[role]) {
                g->setItemDelegate(new TMapCellDelegate(this, g, b + 1, TMapCellDelegate::TRole(role)));
                g->setEditTriggers(QAbstractItemView::NoEditTriggers);
            }
    }

    // User actions.
    auto onClick = [this](const char *name, void (TCorrectionsPage::*slot)()) {
        if (auto *b = Get<QAbstractButton>(name))
            connect(b, &QAbstractButton::clicked, this, slot);
    };
    onClick("BtnCorPzero", &TCorrectionsPage::BtnCorPzeroClick);
    onClick("BtnCorPcolZero", &TCorrectionsPage::BtnCorPcolZeroClick);
    onClick("BtnCorTgasZero", &TCorrectionsPage::BtnCorTgasZeroClick);
    onClick("BtnCorTgasStandard", &TCorrectionsPage::BtnCorTgasStandardClick);
    onClick("BtnCorRPMzero", &TCorrectionsPage::BtnCorRPMzeroClick);
    onClick("SpBtnCorTgasSmall", &TCorrectionsPage::SpBtnCorTgasSmallClick);
    onClick("SpBtnCorTgasBig", &TCorrectionsPage::SpBtnCorTgasBigClick);
    onClick("SpBtnCorTgasUserDefined", &TCorrectionsPage::SpBtnCorTgasUserDefinedClick);
    onClick("SpBtnCorRpmSmall", &TCorrectionsPage::SpBtnCorRpmSmallClick);
    onClick("SpBtnCorRpmBig", &TCorrectionsPage::SpBtnCorRpmBigClick);
    onClick("SpBtnCorRpmUserDefined", &TCorrectionsPage::SpBtnCorRpmUserDefinedClick);
    onClick("ChBOBDAdaptationEnabled", &TCorrectionsPage::ChBOBDAdaptationEnabledClick);
    onClick("ChBOBDModifyModelEnabled", &TCorrectionsPage::ChBOBDModifyModelEnabledClick);
    onClick("ChBLoadFromPcol", &TCorrectionsPage::ChBLoadFromPcolClick);
    onClick("BtnResetBank1", &TCorrectionsPage::BtnResetBank1Click);
    onClick("BtnResetBank2", &TCorrectionsPage::BtnResetBank2Click);
    for (const char *name : {"BtnPlus1", "BtnMinus1", "BtnPlus5", "BtnMinus5", "BtnZero"}) {
        onClick(QByteArray(name).append("Bank1").constData(), &TCorrectionsPage::BtnPlusMinusBank1Click);
        onClick(QByteArray(name).append("Bank2").constData(), &TCorrectionsPage::BtnPlusMinusBank2Click);
    }
    if (PgCCorrType)
        connect(PgCCorrType, &QTabWidget::tabBarClicked, this, [this](int) {
            QTimer::singleShot(0, this, &TCorrectionsPage::PgCCorrTypeChange);
        });
    if (PgCOBDAdaptationCorr)
        connect(PgCOBDAdaptationCorr, &QTabWidget::tabBarClicked, this, [this](int) {
            QTimer::singleShot(0, this, &TCorrectionsPage::PgCOBDAdaptationCorrChange);
        });
    FillMaxLoadLists();
}

QWidget *TCorrectionsPage::Find(const QString &name) const
{
    return Control<QWidget>(name);
}

bool TCorrectionsPage::Kind48From(const char *letter) const
{
    return DataManager && DataManager->IsDeviceVersionAtLeast(48, QString::fromLatin1(letter));
}

bool TCorrectionsPage::Holds(kind48::TFilePart part) const { return DataManager && DataManager->Kind48Holds(part); }

void TCorrectionsPage::MarkModified() { FForm->SetConfigModified(true); }

uint32_t TCorrectionsPage::CellColour(int v)
{
    v = std::clamp(v, -127, 127);
    if (v >= 0)
        return 0xFF0000u | uint32_t(255 - 2 * v) << 8;
    return uint32_t(255 - 2 * (-v - 1)) << 16 | 0x00FF00u;
}

const std::array<int, TCorrectionsPage::CellCount> *TCorrectionsPage::TgasPreset(int code)
{
    switch (code) {
    case PresetStandard: return &TProgramLogic::TgasStandard;
    case PresetSmall: return &TProgramLogic::TgasSmall;
    case PresetBig: return &TProgramLogic::TgasBig;
    default: return nullptr;
    }
}

const std::array<int, TCorrectionsPage::CellCount> *TCorrectionsPage::RpmPreset(int code)
{
    switch (code) {
    case PresetStandard: return &TProgramLogic::RpmPreset2;
    case PresetSmall: return &TProgramLogic::RpmPreset3;
    case PresetBig: return &TProgramLogic::RpmPreset4;
    default: return nullptr;
    }
}

static std::array<qint8, TCorrectionsPage::CellCount> &CurveOf(TCorrectionsPage::TCurve curve)
{
    auto &r = DeviceRecord;
    switch (curve) {
    case TCorrectionsPage::Psys: return r.PsysCorrections;
    case TCorrectionsPage::Pcol: return r.PcolCorrections;
    case TCorrectionsPage::Tgas: return r.TgasCorrections;
    default: return r.RpmCorrections;
    }
}

// ---- Curves ---------------------------------------------------------------------

void TCorrectionsPage::ShowCurve(TCurve curve)
{
    const bool was = FFilling;
    FFilling = true;
    const auto &values = CurveOf(curve);
    for (int i = 0; i < CellCount; ++i)
        if (FCells[curve][i])
            FCells[curve][i]->setText(QString::number(values[i]));
    FCurveShown[curve] = true;
    FFilling = was;
}

void TCorrectionsPage::TakeCurve(TCurve curve)
{
    auto &values = CurveOf(curve);
    for (int i = 0; i < CellCount; ++i)
        if (const auto value = CorrectionControls::CellValue(FCells[curve][i]))
            values[i] = *value;
}

bool TCorrectionsPage::Unfilled(TCurve curve, int index) const
{
    return !FCurveShown[curve] && FCells[curve][index]->text().trimmed().isEmpty();
}

bool TCorrectionsPage::Sent(TCurve curve) const
{
    return curve != Pcol || Holds(kind48::PcolCurveShownWith);
}

bool TCorrectionsPage::WriteFits() const
{
    for (TCurve curve : {Psys, Pcol, Tgas, Rpm}) {
        if (!Sent(curve))
            continue;
        const QString name = FActive[curve] ? FActive[curve]->text() : QString();
        for (int i = 0; i < CellCount; ++i)
            if (QLineEdit *cell = FCells[curve][i]; cell && !Unfilled(curve, i)
                && !CorrectionControls::TypedCell(cell, name, FCellCaptions[curve][i]->text().trimmed()))
                return false;
    }
    return !YEdModel2CorrectionOffset || CorrectionControls::TypedOffset(YEdModel2CorrectionOffset, FShownOffset);
}

static bool DiffersFrom(const std::array<qint8, TCorrectionsPage::CellCount> &curve,
                        const std::array<int, TCorrectionsPage::CellCount> *preset)
{
    if (!preset)
        return false;
    for (int i = 0; i < TCorrectionsPage::CellCount; ++i)
        if (curve[i] != (*preset)[i])
            return true;
    return false;
}

bool TCorrectionsPage::CheckTgasCorrForUserChanges(int code) const
{
    return DiffersFrom(DeviceRecord.TgasCorrections, TgasPreset(code));
}

bool TCorrectionsPage::CheckRpmCorrForUserChanges(int code) const
{
    return DiffersFrom(DeviceRecord.RpmCorrections, RpmPreset(code));
}

void TCorrectionsPage::EdtTgasCorrChange()
{
    if (FFilling)
        return;
    TakeCurve(Tgas);
    MarkModified();
    if (CheckTgasCorrForUserChanges(DeviceRecord.TgasCorType)) {
        DeviceRecord.TgasCorType = PresetUser;
        SetActiveTgasCorrSpBtn(PresetUser);
    }
}

void TCorrectionsPage::EdtRPMCorrChange()
{
    if (FFilling)
        return;
    TakeCurve(Rpm);
    MarkModified();
    if (CheckRpmCorrForUserChanges(DeviceRecord.RPMCorType)) {
        DeviceRecord.RPMCorType = PresetUser;
        SetActiveRpmCorrSpBtn(PresetUser);
    }
}

static void PressOne(const std::array<QAbstractButton *, 4> &buttons, int pressed, int releasable)
{
    for (int k = 0; k < releasable; ++k)
        if (buttons[k])
            buttons[k]->setChecked(k == pressed);
}

void TCorrectionsPage::SetActiveTgasCorrSpBtn(int code)
{
    if (!Holds(TFilePart::CorrectionTypes))
        code = 0;
    PressOne(FTgasButtons, code >= 2 && code <= 5 ? code - 2 : -1, 4);
    ShowTgasCorrections();
}

void TCorrectionsPage::SetActiveRpmCorrSpBtn(int code)
{
    if (code >= 2 && code <= 5)
        PressOne(FRpmButtons, code - 2, 4);
    else
        PressOne(FRpmButtons, -1, 3);
    ShowRpmCorrections();
}

void TCorrectionsPage::SetTgasCorrSpBtnEnabled(bool enabled)
{
    for (QAbstractButton *b : FTgasButtons)
        if (b)
            b->setEnabled(enabled);
    ShowTgasCorrections();
}

void TCorrectionsPage::SetRpmCorrSpBtnEnabled(bool enabled)
{
    for (QAbstractButton *b : FRpmButtons)
        if (b)
            b->setEnabled(enabled);
    ShowRpmCorrections();
}

void TCorrectionsPage::TgasPresetClick(int code)
{
    if (Holds(TFilePart::CorrectionTypes)) {
        DeviceRecord.TgasCorType = uint8_t(code);
        PressOne(FTgasButtons, code - 2, 4);
    } else {
        PressOne(FTgasButtons, -1, 4);
    }
    if (ProgramLogic)
        ProgramLogic->BuildCorrectionTableA(code, false);
    ShowTgasCorrections();
    MarkModified();
}

void TCorrectionsPage::RpmPresetClick(int code)
{
    if (Holds(TFilePart::CorrectionTypes)) {
        DeviceRecord.RPMCorType = uint8_t(code);
        PressOne(FRpmButtons, code - 2, 4);
    } else {
        PressOne(FRpmButtons, -1, 4);
    }
    if (ProgramLogic)
        ProgramLogic->BuildCorrectionTableB(code, false);
    ShowRpmCorrections();
    MarkModified();
}

void TCorrectionsPage::SpBtnCorTgasUserDefinedClick() { SetActiveTgasCorrSpBtn(DeviceRecord.TgasCorType); }
void TCorrectionsPage::SpBtnCorRpmUserDefinedClick() { SetActiveRpmCorrSpBtn(DeviceRecord.RPMCorType); }

void TCorrectionsPage::BtnCorPstandardClick()
{
    if (FActive[Psys])
        FActive[Psys]->setChecked(true);
    if (Hooks.SelectWorkPressure)
        Hooks.SelectWorkPressure();
    ShowPsysCorrections();
    MarkModified();
}

void TCorrectionsPage::BtnCorPzeroClick()
{
    DeviceRecord.PsysCorrections.fill(0);
    ShowPsysCorrections();
    MarkModified();
}

void TCorrectionsPage::BtnCorPcolStandardClick()
{
    DeviceRecord.PcolCorrections.fill(0);
    ShowPcolCorrections();
    MarkModified();
}

void TCorrectionsPage::BtnCorPcolZeroClick() { BtnCorPcolStandardClick(); }

void TCorrectionsPage::BtnCorTgasZeroClick()
{
    DeviceRecord.TgasCorrections.fill(0);
    ShowTgasCorrections();
    MarkModified();
}

void TCorrectionsPage::BtnCorTgasStandardClick()
{
    if (ProgramLogic)
        ProgramLogic->BuildCorrectionTableA(PresetStandard, false);
    ShowTgasCorrections();
    MarkModified();
}

void TCorrectionsPage::BtnCorRPMzeroClick()
{
    DeviceRecord.RpmCorrections.fill(0);
    ShowRpmCorrections();
    MarkModified();
}

// ---- Read and write ---------------------------------------------------------------

void TCorrectionsPage::BtnCorReadCorrectionsClick()
{
    if (!DataManager || DataManager->IsDeviceNotReady())
        return;
    ReadPageFromDevice(*FForm, *this);
}

void TCorrectionsPage::AddDeviceReads(TReadPlan *plan) const
{
    if (!DataManager || DataManager->IsDeviceNotReady())
        return;
    const bool k48 = DataManager->IsDeviceType(48), pcol = Holds(kind48::PcolCurveShownWith);
    if (pcol)
        plan->Model(74);
    if (k48) {
        plan->PsysCurve();
        plan->TgasCurve();
        plan->RpmCurve();
    }
    if (pcol)
        plan->PcolCurve();
    if (Holds(TFilePart::AdaptBanks)) {
        plan->AdaptAxes();
        for (auto [bank, half] : {std::pair{1, 0}, {2, 0}, {1, 1}, {2, 1}})
            plan->AdaptBank(bank, half);
        if (Holds(TFilePart::AdaptFlags))
            plan->Model(104);
        // The full scales of the load axis are read with the maps: the write
        // sends them back, and must not send values never read.
        if (Holds(TFilePart::MaxTbForLoad))
            plan->ParamWord(22);
        if (Holds(TFilePart::MaxPcolForLoad))
            plan->Param8(53);
    }
    plan->Params({{12, 13}, {12, 11}, {12, 12}});
    if (Holds(TFilePart::CorrectionTypes))
        plan->Params({{8, 45}, {8, 46}});
}

void TCorrectionsPage::ShowDeviceRecord()
{
    auto &r = DeviceRecord;
    const bool k48 = DataManager && DataManager->IsDeviceType(48), pcol = Holds(kind48::PcolCurveShownWith);
    auto check = [](QAbstractButton *b, bool on) {
        if (b)
            b->setChecked(on);
    };
    check(FActive[Psys], r.CMActive & 1);
    check(FActive[Tgas], r.CMActive & 2);
    check(FActive[Rpm], r.CMActive & 4);
    check(FActive[Pcol], pcol && (r.CMActive & 8));
    if (k48)
        ShowPsysCorrections();
    if (pcol)
        ShowPcolCorrections();
    if (Holds(TFilePart::AdaptBanks)) {
        check(ChBOBDAdaptationEnabled, r.MapCorrections & 1);
        check(ChBOBDModifyModelEnabled, r.MapCorrections & 2);
        if (Holds(TFilePart::MaxPcolForLoad)) {
            check(ChBLoadFromPcol, r.MapCorrections & 4);
            SetLoadCaptions();
        }
        ShowObdAdaptationMaps();
        SelectMaxTbForLoadItems();
    } else {
        if (k48)
            ShowPcolCorrections();
        else
            for (QLineEdit *e : FCells[Pcol])
                if (e) {
                    const bool was = FFilling;
                    FFilling = true;
                    e->clear();
                    FFilling = was;
                }
        check(ChBOBDAdaptationEnabled, false);
        check(ChBOBDModifyModelEnabled, false);
        check(ChBLoadFromPcol, false);
    }
    CorrectionControls::ShowMask(FMaskBoxes, r.CorrectionMask);
    if (UpDModel2CorrectionMult) {
        const QSignalBlocker block(UpDModel2CorrectionMult);
        UpDModel2CorrectionMult->setValue(FactorToPercent(r.CorrectionMult));
        FShownMult.Show(r.CorrectionMult, QString::number(UpDModel2CorrectionMult->value()));
    }
    if (YEdModel2CorrectionOffset) {
        const QSignalBlocker block(YEdModel2CorrectionOffset);
        YEdModel2CorrectionOffset->setText(FormatDecimals(r.CorrectionOffset, 2));
        FShownOffset.Show(r.CorrectionOffset, YEdModel2CorrectionOffset->text());
    }
    const bool d = Holds(TFilePart::CorrectionTypes);
    if (k48 && !d) {
        for (QAbstractButton *b : {FRpmButtons[1], FRpmButtons[2], FRpmButtons[3]})
            if (b)
                b->setEnabled(false);
        check(FActive[Rpm], r.CMActive & 4);
        SetActiveRpmCorrSpBtn(PresetStandard);
        SetActiveTgasCorrSpBtn(TDevData().GetSensorInFlow() ? PresetStandard : PresetSmall);
    } else if (d) {
        SetRpmCorrSpBtnEnabled(true);
        SetActiveTgasCorrSpBtn(r.TgasCorType);
        SetActiveRpmCorrSpBtn(r.RPMCorType);
    }
}

void TCorrectionsPage::BtnCorWriteCorrectionsClick() { WriteCorrections(true); }

bool TCorrectionsPage::WriteRecordCorrections() { return WriteCorrections(false); }

bool TCorrectionsPage::WriteCorrections(bool fromPage)
{
    if (!DataManager || DataManager->IsDeviceNotReady())
        return false;
    TTimerPause pause(*FForm);
    auto &r = DeviceRecord;
    // Everything the write sends is checked (as the page shows it, or as the
    // record holds it) before anything is asked or sent; a refusal writes
    // nothing: no change record, no question.
    if (fromPage ? !WriteFits() : !CorrectionControls::OffsetFits(r.CorrectionOffset))
        return false;
    if (Hooks.UpdateLastChangeInfo && !Hooks.UpdateLastChangeInfo(FForm->ConfigModified()))
        return false;
    TRecordedWrite write;
    const bool d = Holds(TFilePart::CorrectionTypes);
    auto on = [](QAbstractButton *b) { return b && b->isChecked(); };

    // Everything the write sends is taken (from the page, or as the record
    // holds it) before the first frame.
    if (fromPage)
        TakeShownCorrections(YEdModel2CorrectionOffset
                                 ? FShownOffset.TakeShown(YEdModel2CorrectionOffset->text(), r.CorrectionOffset)
                                 : r.CorrectionOffset);

    // Each value goes out once, with its final value: the injector mask with
    // the bank-2 model below, the gas-temperature and RPM curves from "D"
    // after their preset codes (the device takes a curve after its code).
    bool ok = DataManager->WriteParameter(74) && DataManager->WriteCorrectionsD1();
    if (ok && Holds(kind48::PcolCurveShownWith))
        ok = DataManager->WriteCorrections98();
    if (ok && Holds(TFilePart::AdaptBanks)) {
        if (Holds(TFilePart::AdaptFlags))
            ok = ok && DataManager->WriteParameter(104);
        for (auto [bank, half] : {std::pair{1, 0}, {1, 1}, {2, 0}, {2, 1}})
            ok = ok && DataManager->WriteCorrections62(bank, half);
        if (Holds(TFilePart::MaxTbForLoad))
            ok = ok && DataManager->WriteParamWord(22, r.MaxTbForLoad);
    }
    if (ok && Holds(TFilePart::MaxPcolForLoad))
        ok = DataManager->WriteParamByte(53, r.MaxPcolForLoad);
    if (!d)
        ok = ok && DataManager->WriteCorrectionsD3() && DataManager->WriteCorrectionsDA();
    ok = ok && DataManager->WriteParameter(11) && DataManager->WriteParameter(12) && DataManager->WriteParameter(13);
    if (ok && fromPage && DataManager->IsDeviceType(48) && !d) {
        DataManager->ReadParameter(74);
        r.CMActive = quint8(on(FActive[Rpm]) ? r.CMActive | 4 : r.CMActive & ~4);
        ok = DataManager->WriteParameter(74);
    } else if (ok && d) {
        ok = DataManager->WriteParamByte(45, r.TgasCorType) && DataManager->WriteCorrectionsD3()
             && DataManager->WriteParamByte(46, r.RPMCorType) && DataManager->WriteCorrectionsDA();
    }
    ok = write.Report(ok && !DataManager->IsDeviceNotReady());
    if (!ok) {
        // The device may hold part of the corrections: the page keeps its
        // edits and stays modified, so a second write completes it.
        pause.Resume();
        FForm->KeepConfigModified();
        // A settings-file load says itself which of its steps failed.
        if (fromPage && Common)
            Common->ShowError(Tr("strCorrWriteIncomplete"));
        return false;
    }
    pause.Resume();
    // A settings-file load writes more after the corrections and reads them
    // back once its last write went out.
    if (fromPage)
        BtnCorReadCorrectionsClick();
    FForm->SetConfigModified(false);
    return true;
}

void TCorrectionsPage::TakeShownCorrections(double offset)
{
    auto &r = DeviceRecord;
    const bool pcol = Holds(kind48::PcolCurveShownWith);
    auto on = [](QAbstractButton *b) { return b && b->isChecked(); };
    r.CorrectionOffset = offset;
    quint8 active = 1;
    active |= on(FActive[Tgas]) ? 2 : 0;
    active |= on(FActive[Rpm]) ? 4 : 0;
    active |= pcol && on(FActive[Pcol]) ? 8 : 0;
    r.CMActive = active;
    // The cells were checked (WriteFits): each holds a number its byte holds.
    for (TCurve curve : {Psys, Pcol, Tgas, Rpm})
        if (Sent(curve)) {
            TakeCurve(curve);
            ShowCurve(curve);
        }
    const int selected = PgCOBDAdaptationCorr && PgCOBDAdaptationCorr->currentWidget() == TbSOBDAdaptCorrBank1 ? 0 : 1;
    const bool fromPcol = on(ChBLoadFromPcol);
    if (QComboBox *list = FMaxLoad[selected]; list && list->currentIndex() >= 0) {
        const int i = list->currentIndex();
        if (!fromPcol && i < 4)
            r.MaxTbForLoad = quint16(kTbValues[i]);
        if (fromPcol && i < 5 && Holds(TFilePart::MaxPcolForLoad))
            r.MaxPcolForLoad = quint8(kPcolCodes[i]);
    }
    if (UpDModel2CorrectionMult)
        r.CorrectionMult = FShownMult.Take(QString::number(UpDModel2CorrectionMult->value()),
                                           UpDModel2CorrectionMult->value() * 0.01 + 1.0);
    r.CorrectionMask = CorrectionControls::MaskOf(FMaskBoxes);
}

// ---- Correction maps --------------------------------------------------------------

double TCorrectionsPage::LoadFullScale() const
{
    if (ChBLoadFromPcol && ChBLoadFromPcol->isChecked())
        return RawToCollectorPressureFor(2, DeviceRecord.MaxPcolForLoad);
    return DeviceRecord.MaxTbForLoad / 187.0;
}

static void SetGridText(QTableWidget *grid, int row, int column, const QString &text)
{
    if (!grid || row >= grid->rowCount() || column >= grid->columnCount())
        return;
    QTableWidgetItem *item = grid->item(row, column);
    if (!item)
        grid->setItem(row, column, item = new QTableWidgetItem);
    item->setText(text);
}

void TCorrectionsPage::ShowObdAdaptationMaps()
{
    const auto &r = DeviceRecord;
    const double scale = LoadFullScale();
    for (int b = 0; b < 2; ++b) {
        for (int row = 0; row < 10; ++row)
            for (int col = 0; col < 10; ++col)
                SetGridText(CorrectionGrid(b + 1), row, col, QString::number(r.AdaptBanks[b][row][col]));
        for (int i = 0; i < 10; ++i) {
            SetGridText(FLoadGrids[b], i, 0, FormatDecimals(scale / 10 * (i + 1), 1));
            SetGridText(FRpmGrids[b], 0, i, QString::number(r.Corrections60.RpmAxis[i]));
        }
    }
}

void TCorrectionsPage::FillMaxLoadLists()
{
    const bool fromPcol = ChBLoadFromPcol && ChBLoadFromPcol->isChecked();
    for (QComboBox *list : FMaxLoad) {
        if (!list)
            continue;
        const QSignalBlocker block(list);
        list->clear();
        if (fromPcol)
            for (double bar : kPcolItems)
                list->addItem(FormatDecimals(bar, ShortestDecimals));
        else
            for (int ms : kTbItems)
                list->addItem(QString::number(ms));
        list->setCurrentIndex(-1);
    }
}

void TCorrectionsPage::SelectMaxTbForLoadItems()
{
    const bool fromPcol = ChBLoadFromPcol && ChBLoadFromPcol->isChecked();
    int index = -1;
    if (fromPcol) {
        for (int i = 0; i < 5; ++i)
            if (kPcolCodes[i] == DeviceRecord.MaxPcolForLoad)
                index = i;
    } else {
        for (int i = 0; i < 4; ++i)
            if (kTbValues[i] == DeviceRecord.MaxTbForLoad)
                index = i;
    }
    for (QComboBox *list : FMaxLoad)
        if (list) {
            const QSignalBlocker block(list);
            list->setCurrentIndex(index);
        }
}

void TCorrectionsPage::SetLoadCaptions()
{
    const bool fromPcol = ChBLoadFromPcol && ChBLoadFromPcol->isChecked();
    for (int b = 0; b < 2; ++b) {
        if (FLoadCaption[b])
            FLoadCaption[b]->setText(fromPcol ? QStringLiteral("Pcol") : QStringLiteral("Tb"));
        if (FLoadUnit[b])
            FLoadUnit[b]->setText(fromPcol ? QStringLiteral("bar") : QStringLiteral("ms"));
    }
    FillMaxLoadLists();
}

void TCorrectionsPage::ChBLoadFromPcolClick()
{
    auto &r = DeviceRecord;
    r.MapCorrections = quint8(ChBLoadFromPcol && ChBLoadFromPcol->isChecked() ? r.MapCorrections | 4 : r.MapCorrections & ~4);
    SetLoadCaptions();
    ShowObdAdaptationMaps();
    SelectMaxTbForLoadItems();
    MarkModified();
}

void TCorrectionsPage::ChBOBDAdaptationEnabledClick()
{
    auto &r = DeviceRecord;
    const bool on = ChBOBDAdaptationEnabled && ChBOBDAdaptationEnabled->isChecked();
    r.MapCorrections = quint8(on ? r.MapCorrections | 1 : r.MapCorrections & ~1);
    MarkModified();
}

void TCorrectionsPage::ChBOBDModifyModelEnabledClick()
{
    auto &r = DeviceRecord;
    const bool on = ChBOBDModifyModelEnabled && ChBOBDModifyModelEnabled->isChecked();
    r.MapCorrections = quint8(on ? r.MapCorrections | 2 : r.MapCorrections & ~2);
    MarkModified();
}

void TCorrectionsPage::BtnPlusMinusBank1Click() { PlusMinus(1, sender()); }
void TCorrectionsPage::BtnPlusMinusBank2Click() { PlusMinus(2, sender()); }

void TCorrectionsPage::PlusMinus(int bank, QObject *button)
{
    QTableWidget *grid = CorrectionGrid(bank);
    if (!grid || !button || Hooks.AdapterAdaptationEnabled())
        return;
    const QString name = button->objectName();
    auto apply = [&name](int v) {
        if (name.startsWith(QLatin1String("BtnPlus5")))
            return v + 5;
        if (name.startsWith(QLatin1String("BtnMinus5")))
            return v - 5;
        if (name.startsWith(QLatin1String("BtnMinus1")))
            return v - 1;
        if (name.startsWith(QLatin1String("BtnPlus1")))
            return v + 1;
        return 0;
    };
    auto &map = DeviceRecord.AdaptBanks[bank - 1];
    for (const QTableWidgetSelectionRange &range : grid->selectedRanges())
        for (int row = range.topRow(); row <= range.bottomRow() && row < 10; ++row)
            for (int col = range.leftColumn(); col <= range.rightColumn() && col < 10; ++col) {
                const QTableWidgetItem *item = grid->item(row, col);
                const QString old = item ? item->text() : QString();
                const int v = std::clamp(apply(old.toInt()), -127, 127);
                if (QString::number(v) != old) {
                    SetGridText(grid, row, col, QString::number(v));
                    map[row][col] = qint8(v);
                    MarkModified();
                }
            }
}

void TCorrectionsPage::ResetBank(int bank)
{
    QTableWidget *grid = CorrectionGrid(bank);
    if (!grid || Hooks.AdapterAdaptationEnabled())
        return;
    bool changed = false;
    for (int row = 0; row < 10; ++row)
        for (int col = 0; col < 10; ++col) {
            const QTableWidgetItem *item = grid->item(row, col);
            changed = changed || !item || item->text() != QLatin1String("0");
            SetGridText(grid, row, col, QStringLiteral("0"));
            DeviceRecord.AdaptBanks[bank - 1][row][col] = 0;
        }
    if (changed)
        MarkModified();
}

static int AxisIndex(int value, const auto &axis, int count)
{
    int index = 10;
    if (value < int(axis[0]))
        index = 0;
    else
        for (int i = 1; i < 10; ++i)
            if (value <= int(axis[i])) {
                index = i;
                break;
            }
    return index >= count ? count - 1 : index;
}

void TCorrectionsPage::OBDSetActualLoadAndRpmIndex(int bank, int load, int rpm)
{
    const int b = bank == 2 ? 1 : 0;
    QTableWidget *grid = CorrectionGrid(b + 1);
    const int loadIndex = AxisIndex(load, DeviceRecord.Corrections60.LoadAxis, grid ? grid->rowCount() : 10);
    const int rpmIndex = AxisIndex(rpm, DeviceRecord.Corrections60.RpmAxis, grid ? grid->columnCount() : 10);
    if (loadIndex == FActLoad[b] && rpmIndex == FActRpm[b])
        return;
    FActLoad[b] = loadIndex;
    FActRpm[b] = rpmIndex;
    for (QTableWidget *g : {grid, FLoadGrids[b], FRpmGrids[b]})
        if (g)
            g->viewport()->update();
}

void TCorrectionsPage::PgCOBDAdaptationCorrChange()
{
    FActLoad[0] = FActLoad[1] = FActRpm[0] = FActRpm[1] = 0;
}

void TCorrectionsPage::PgCCorrTypeChange()
{
    if (PgCOBDAdaptationCorr)
        PgCOBDAdaptationCorr->setVisible(true);
    SetMapCorrectionControlsState();
}

void TCorrectionsPage::SetMapCorrectionControlsState()
{
    if (!TbSMapCorr || !TbSMapCorr->isVisible())
        return;
    for (int b = 0; b < 2; ++b)
        for (QTableWidget *g : {CorrectionGrid(b + 1), FLoadGrids[b], FRpmGrids[b]}) {
            if (!g || !g->columnCount() || !g->rowCount())
                continue;
            g->horizontalHeader()->setDefaultSectionSize(std::max(1, (g->viewport()->width() - 1) / g->columnCount() - 1));
            g->verticalHeader()->setDefaultSectionSize(std::max(1, (g->viewport()->height() - 1) / g->rowCount() - 1));
        }
    const bool adapter = Hooks.AdapterAdaptationEnabled();
    const bool h = Kind48From("H");
    if (StTOBDAdaptationActive)
        StTOBDAdaptationActive->setVisible(adapter && h);
    if (adapter && h && !(DeviceRecord.MapCorrections & 1) && DataManager) {
        DeviceRecord.MapCorrections |= 1;
        DataManager->WriteParameter(104);
    }
    if (!Holds(TFilePart::AdaptBanks))
        return;
    const bool editable = !(h && adapter);
    for (QWidget *w : {static_cast<QWidget *>(ChBOBDAdaptationEnabled), static_cast<QWidget *>(ChBLoadFromPcol),
                       static_cast<QWidget *>(StGOBDAdaptCorrsBank1), static_cast<QWidget *>(StGOBDAdaptCorrsBank2),
                       static_cast<QWidget *>(FMaxLoad[0]), static_cast<QWidget *>(FMaxLoad[1])})
        if (w)
            w->setEnabled(editable);
    for (const char *name : {"BtnPlus1", "BtnMinus1", "BtnPlus5", "BtnMinus5", "BtnZero", "BtnReset"})
        for (const char *bank : {"Bank1", "Bank2"})
            if (auto *b = Get<QAbstractButton>(QByteArray(name).append(bank).constData())) {
                b->setVisible(editable);
                b->setEnabled(editable);
            }
    for (QTableWidget *g : {StGOBDAdaptCorrsBank1, StGOBDAdaptCorrsBank2})
        if (g)
            g->setVisible(editable);
}

// ---- Installation ---------------------------------------------------------------

TCorrectionsPage *TCorrectionsPage::Install(TFormMain &form)
{
    auto *page = new TCorrectionsPage(&form);
    form.AddPageLogic(page);
    page->Hooks.UpdateLastChangeInfo = [&form](bool modified) { return form.UpdateLastChangeInfo(modified); };
    page->Hooks.SelectWorkPressure = [] {
        if (ProgramLogic)
            ProgramLogic->SelectWorkPressure(false);
    };
    form.ReadingsServices.SetMapCorrectionControlsState = [page] { page->SetMapCorrectionControlsState(); };
    form.ReadingsServices.OBDSetActualLoadAndRpmIndex = [page](int bank, int load, int rpm) {
        page->OBDSetActualLoadAndRpmIndex(bank, load, rpm);
    };
    return page;
}
