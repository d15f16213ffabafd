// The corrections page of the calibration pages: four correction curves of
// 20 points (system pressure, manifold pressure, gas temperature, RPM) with
// their presets, the bank-2 model correction, and the two 10 x 10 OBD
// adaptation maps indexed by load and RPM.
#pragma once

#include "core/Kind48Settings.h"
#include "core/ReadPlan.h"
#include "mainwindow/configuration/ModelMath.h"

#include "mainwindow/shell/PageControls.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <functional>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QWidget;
class TFormMain;

class TCorrectionsPage : public QObject, public TPageControls
{
    Q_OBJECT

public:
    explicit TCorrectionsPage(TFormMain *form);
    static TCorrectionsPage *Install(TFormMain &form);

    // Logic of other parts of the program that the page uses.
    struct THooks {
        // The change-record gate before a write; empty lets the write through.
        std::function<bool(bool modified)> UpdateLastChangeInfo;
        // The adapter's own OBD adaptation is switched on (the maps are then
        // the adapter's and cannot be edited here). Without an adapter: off.
        std::function<bool()> AdapterAdaptationEnabled = [] { return false; };
        // Fills the system-pressure curve from the working pressure.
        std::function<void()> SelectWorkPressure;
    } Hooks;

    enum TCurve { Psys, Pcol, Tgas, Rpm };
    static constexpr int CellCount = 20;
    // Preset codes of the gas-temperature and RPM curves.
    enum TPreset : uint8_t { PresetStandard = 2, PresetSmall = 3, PresetBig = 4, PresetUser = 5 };

    QLineEdit *Cell(TCurve curve, int index) const { return FCells[curve][index]; }
    QTableWidget *CorrectionGrid(int bank) const { return bank == 2 ? StGOBDAdaptCorrsBank2 : StGOBDAdaptCorrsBank1; }
    // The live cell of a bank's map (load row, RPM column).
    int ActualLoadIndex(int bank) const { return FActLoad[bank == 2 ? 1 : 0]; }
    int ActualRpmIndex(int bank) const { return FActRpm[bank == 2 ? 1 : 0]; }

    // Fill colour of a map cell by its value: 0 yellow, +127 red, -127 green.
    static uint32_t CellColour(int value);
    // Full scale of the load axis for the current load source.
    double LoadFullScale() const;
    // The preset code's curve; empty for other codes.
    static const std::array<int, CellCount> *TgasPreset(int code);
    static const std::array<int, CellCount> *RpmPreset(int code);
    // Writes the corrections as the record holds them (a settings file's
    // restore): the frames of the page's write, the switches, curves and
    // bank-2 correction the record's, none forced on; nothing is read back
    // (the restore reads after its last write). True when every frame went
    // through; otherwise the page stays modified and says so.
    Q_INVOKABLE bool WriteRecordCorrections();

    // The page's read in two steps, for a command that reads once what
    // several pages show: what the page shows added to the command's read,
    // then the page filled from the record once it ran.
    Q_INVOKABLE void AddDeviceReads(TReadPlan *plan) const;
    Q_INVOKABLE void ShowDeviceRecord();

public slots:
    // The write's checks of what was typed, before anything is asked or
    // sent: every cell the write sends holds whole percent its byte holds,
    // and the bank-2 offset is a number its word holds; a refusal is shown
    // naming the field, and the page keeps its edits.
    bool WriteFits() const;
    void BtnCorReadCorrectionsClick();
    void BtnCorWriteCorrectionsClick();
    void BtnCorPstandardClick();
    void BtnCorPzeroClick();
    void BtnCorPcolStandardClick();
    void BtnCorPcolZeroClick();
    void BtnCorTgasZeroClick();
    void BtnCorTgasStandardClick();
    void BtnCorRPMzeroClick();
    void SpBtnCorTgasStandardClick() { TgasPresetClick(PresetStandard); }
    void SpBtnCorTgasSmallClick() { TgasPresetClick(PresetSmall); }
    void SpBtnCorTgasBigClick() { TgasPresetClick(PresetBig); }
    void SpBtnCorTgasUserDefinedClick();
    void SpBtnCorRpmStandardClick() { RpmPresetClick(PresetStandard); }
    void SpBtnCorRpmSmallClick() { RpmPresetClick(PresetSmall); }
    void SpBtnCorRpmBigClick() { RpmPresetClick(PresetBig); }
    void SpBtnCorRpmUserDefinedClick();
    void EdtTgasCorrChange();
    void EdtRPMCorrChange();
    void PgCCorrTypeChange();
    void PgCOBDAdaptationCorrChange();
    void ChBOBDAdaptationEnabledClick();
    void ChBOBDModifyModelEnabledClick();
    void ChBLoadFromPcolClick();
    void BtnResetBank1Click() { ResetBank(1); }
    void BtnResetBank2Click() { ResetBank(2); }
    void BtnPlusMinusBank1Click();
    void BtnPlusMinusBank2Click();

    void ShowPsysCorrections() { ShowCurve(Psys); }
    void ShowPcolCorrections() { ShowCurve(Pcol); }
    void ShowTgasCorrections() { ShowCurve(Tgas); }
    void ShowRpmCorrections() { ShowCurve(Rpm); }
    void SetTgasCorrSpBtnEnabled(bool enabled);
    void SetRpmCorrSpBtnEnabled(bool enabled);
    void SetActiveTgasCorrSpBtn(int code);
    void SetActiveRpmCorrSpBtn(int code);
    bool CheckTgasCorrForUserChanges(int code) const;
    bool CheckRpmCorrForUserChanges(int code) const;
    void ShowObdAdaptationMaps();
    void SelectMaxTbForLoadItems();
    void SetMapCorrectionControlsState();
    void OBDSetActualLoadAndRpmIndex(int bank, int load, int rpm);

private:
    bool WriteCorrections(bool fromPage);
    // The page's corrections into the record, the offset already taken.
    void TakeShownCorrections(double offset);
    void ShowCurve(TCurve curve);
    // The cells that hold a number the curve holds into the record (the
    // others leave its values).
    void TakeCurve(TCurve curve);
    // Whether the cell shows no value: empty, of a curve never filled.
    bool Unfilled(TCurve curve, int index) const;
    // The curves the write sends: the manifold-pressure one only with the
    // adaptation banks.
    bool Sent(TCurve curve) const;
    void TgasPresetClick(int code);
    void RpmPresetClick(int code);
    void ResetBank(int bank);
    void PlusMinus(int bank, QObject *button);
    void FillMaxLoadLists();
    void SetLoadCaptions();
    bool Kind48From(const char *letter) const;
    // Whether the device holds that part of the corrections: the adaptation
    // banks (the page shows the manifold-pressure curve with them), their
    // flags and load scales, the correction types.
    bool Holds(kind48::TFilePart part) const;
    void MarkModified();
    QWidget *Find(const QString &name) const;
    template <typename T> T *Get(const char *name) const { return qobject_cast<T *>(Find(QString::fromLatin1(name))); }

    TFormMain *FForm;
    QWidget *FPage = nullptr;
    std::array<std::array<QLineEdit *, CellCount>, 4> FCells{};
    std::array<std::array<QLabel *, CellCount>, 4> FCellCaptions{};
    // Whether the page has filled the curve's cells (kinds 20 and 21 read no
    // curve): an empty cell of a curve never filled shows no value, and
    // goes as the record holds it.
    std::array<bool, 4> FCurveShown{};
    std::array<QAbstractButton *, 4> FActive{};
    std::array<QAbstractButton *, 4> FTgasButtons{}, FRpmButtons{};
    QTabWidget *PgCCorrType = nullptr;
    QWidget *TbSMapCorr = nullptr;
    QTabWidget *PgCOBDAdaptationCorr = nullptr;
    QWidget *TbSOBDAdaptCorrBank1 = nullptr;
    QTableWidget *StGOBDAdaptCorrsBank1 = nullptr, *StGOBDAdaptCorrsBank2 = nullptr;
    std::array<QTableWidget *, 2> FLoadGrids{}, FRpmGrids{};
    std::array<QComboBox *, 2> FMaxLoad{};
    std::array<QLabel *, 2> FLoadCaption{}, FLoadUnit{};
    QAbstractButton *ChBOBDAdaptationEnabled = nullptr, *ChBOBDModifyModelEnabled = nullptr, *ChBLoadFromPcol = nullptr;
    QWidget *StTOBDAdaptationActive = nullptr;
    std::array<QAbstractButton *, 8> FMaskBoxes{};
    QSpinBox *UpDModel2CorrectionMult = nullptr;
    QLineEdit *YEdModel2CorrectionOffset = nullptr;
    // The bank-2 correction as read, so that an unchanged control writes back
    // the value read rather than its rounded text.
    ModelMath::TShownValue FShownMult, FShownOffset;
    // Set while the page fills its own cells: their change events are not edits.
    bool FFilling = false;
    // The live cell of each bank's map.
    int FActLoad[2] = {0, 0};
    int FActRpm[2] = {0, 0};
};
