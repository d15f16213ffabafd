#include "mainwindow/shell/TroubleCodes.h"

#include "mainwindow/shell/FormMain.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>

namespace {

bool connected()
{
    return DataManager && DataManager->GetConnected();
}

void setLines(QPlainTextEdit *memo, const QStringList &lines)
{
    if (memo)
        memo->setPlainText(lines.join(QLatin1Char('\n')));
}

void addLine(QPlainTextEdit *memo, const QString &line)
{
    if (memo)
        memo->appendPlainText(line);
}

QString codeLine(int group, int bit)
{
    return QString::asprintf("Kod/Code= E10%d%d", group, bit);
}

} // namespace

TTroubleCodesPage::TTroubleCodesPage(TFormMain *form) : QObject(form), FForm(form)
{
    setObjectName(QStringLiteral("TroubleCodesPage"));
    // The diagnostics page and the tests page's freeze frames.
    SetPanels({form->OwnPanel("TbSDiagnostic"), form->OwnPanel("TbSTests")});
    auto memo = [this](const char *name) { return Control<QPlainTextEdit>(name); };
    FActive = memo("MemOdcTroubleCodeAct");
    FStored = memo("MemOdcTroubleCodeStored");
    FFrame = memo("MemOdcTroubleFrame");
    FDebugActive = memo("MemTroubleCodeAct");
    FDebugFrame = memo("MemFreezedFrame");
    FDebugEntry = memo("MemActiveFreezedFrame");
    FGrid = Control<QTableWidget>("StGStoredTroubleCodes");
    if (FGrid)
        FGrid->setCurrentCell(0, 0);
    if (FGrid)
        connect(FGrid, &QTableWidget::currentCellChanged, this,
                [this](int row, int, int, int) { StGStoredTroubleCodesSelectCell(row); });
}

bool TTroubleCodesPage::IsInfo(int group, int bit)
{
    switch (group) {
    case 1: return DevData->GetHemiEngine();
    case 3: return bit >= 7;
    case 4: return bit == 4 ? DevData->GetTuningMode() : bit >= 5;
    default: return false;
    }
}

int TTroubleCodesPage::BitOfMask(uint8_t mask)
{
    for (int b = 1; b <= 8; ++b)
        if (mask == (1u << (b - 1)))
            return b;
    return 0;
}

QString TTroubleCodesPage::DebugWczytajOpisyBanku(int group, int bit)
{
    // "(ERROR)" in the language's own words; a language file without the
    // text keeps the English.
    QString error = QStringLiteral("(ERROR)");
    if (LM)
        if (const QString text = LM->Translate(QStringLiteral("strTroubleCodeError"));
            !text.isEmpty() && !text.startsWith(QLatin1String("!_")))
            error = text;
    QString line = QString::asprintf("E10%d%d: ", group, bit) + (IsInfo(group, bit) ? QStringLiteral("(INFO)") : error);
    if (LM && group >= 1 && group <= 4 && bit >= 1 && bit <= 8) {
        const QString text = LM->Translate(QStringLiteral("err%1%2").arg(group - 1).arg(bit - 1));
        // A missing text leaves the code's number alone on its line.
        if (!text.isEmpty() && !text.startsWith(QLatin1String("!_")))
            line += QLatin1Char(' ') + text;
    }
    return line;
}

QStringList TTroubleCodesPage::FreezeRecordLines(const TFreezeRecord &e)
{
    if (e.Group == 255)
        return {};
    return {codeLine(e.Group + 1, BitOfMask(e.Mask)),
            QStringLiteral("Rpm=%1 rpm").arg(FormatRpm(e.RpmPeriod)),
            QStringLiteral("Tb=%1 ms").arg(FormatTimeMs(e.PetrolTime)),
            QStringLiteral("Tg=%1 ms").arg(FormatTimeMs(e.GasTime)),
            QStringLiteral("P=%1 bar").arg(FormatPressure(e.Bytes[0])),
            QStringLiteral("Pcol=%1 bar").arg(FormatCollectorPressure(e.Bytes[1])),
            QStringLiteral("Tred=%1 C").arg(FormatTemperature(e.Bytes[2])),
            QStringLiteral("Tgas=%1 C").arg(FormatTemperature(e.Bytes[3])),
            QStringLiteral("Usupply=%1 V").arg(FormatFloat2(RawToScaledVoltage(e.Bytes[4]))),
            QString::asprintf("Czas pracy na gazie= %d", int(e.GasWorkTime))};
}

int TTroubleCodesPage::EntryOfRow(int row, uint8_t historyIndex)
{
    constexpr int n = TDebugTroubleCodes::RecordCount;
    if (row < 0 || row >= n || historyIndex > n)
        return -1;
    const int newest = historyIndex == 0 ? n - 1 : historyIndex - 1;
    return ((newest - row) % n + n) % n;
}

QStringList TTroubleCodesPage::ReadFreezeFrame()
{
    if (DataManager->ReadCounter33(148) >= 255)
        return {};
    const int bit = BitOfMask(DataManager->ReadCounter33(149));
    QStringList lines;
    lines << codeLine(DataManager->ReadCounter33(148) + 1, bit);
    lines << QStringLiteral("Rpm=%1 rpm").arg(FormatRpm(DataManager->ReadWord31(150)));
    lines << QStringLiteral("Tb=%1 ms").arg(FormatTimeMs(DataManager->ReadWord31(152)));
    lines << QStringLiteral("Tg=%1 ms").arg(FormatTimeMs(DataManager->ReadWord31(154)));
    lines << QStringLiteral("P=%1 bar").arg(FormatPressure(DataManager->ReadCounter33(156)));
    lines << QStringLiteral("Pcol=%1 bar").arg(FormatCollectorPressure(DataManager->ReadCounter33(157)));
    lines << QStringLiteral("Tred=%1 C").arg(FormatTemperature(DataManager->ReadCounter33(158)));
    lines << QStringLiteral("Tgas=%1 C").arg(FormatTemperature(DataManager->ReadCounter33(159)));
    lines << QStringLiteral("Usupply=%1 V").arg(FormatFloat2(RawToScaledVoltage(DataManager->ReadCounter33(160))));
    return lines;
}

void TTroubleCodesPage::UpdateTroubleCodeList(int group)
{
    if (group < 1 || group > 4)
        return;
    const auto &codes = DeviceRecord.TroubleCodes;
    const uint8_t active = codes[TDataManager::TroubleActiveByte(group)];
    const uint8_t stored = codes[TDataManager::TroubleStoredByte(group)];
    for (int b = 1; b <= 8; ++b) {
        const uint8_t bit = uint8_t(1u << (b - 1));
        if (active & bit)
            addLine(FActive, DebugWczytajOpisyBanku(group, b));
        if (stored & bit)
            addLine(FStored, DebugWczytajOpisyBanku(group, b));
    }
}

void TTroubleCodesPage::SpBOdcReadTCClick()
{
    if (!connected())
        return;
    setLines(FActive, {});
    setLines(FStored, {});
    if (DataManager->ReadTroubleCodes())
        for (int g = 1; g <= 4; ++g)
            UpdateTroubleCodeList(g);
    setLines(FFrame, {});
    setLines(FFrame, ReadFreezeFrame());
}

void TTroubleCodesPage::SpBOdcClearTroubleCodeClick()
{
    if (!DataManager || DataManager->IsDeviceNotReady())
        return;
    DataManager->ClearTroubleCodes();
    SpBOdcReadTCClick();
}

void TTroubleCodesPage::SpBDebugReadTroubleCodesClick()
{
    if (!connected())
        return;
    for (uint8_t n = 0; n < TDebugTroubleCodes::RecordCount; ++n)
        if (!DataManager->ReadTroubleCodesDebug(n))
            break;
    setLines(FDebugActive, {});
    if (DataManager->ReadTroubleCodes()) {
        const auto &codes = DeviceRecord.TroubleCodes;
        for (int g = 1; g <= 4; ++g)
            for (int b = 1; b <= 8; ++b)
                if (codes[TDataManager::TroubleActiveByte(g)] & (1u << (b - 1)))
                    addLine(FDebugActive, DebugWczytajOpisyBanku(g, b));
    }
    setLines(FDebugFrame, ReadFreezeFrame());
    setLines(FDebugEntry, {});
    if (!FGrid)
        return;
    const auto &history = DeviceRecord.DebugTroubleCodes;
    for (int row = 0; row < std::min(FGrid->rowCount(), TDebugTroubleCodes::RecordCount); ++row) {
        const int e = EntryOfRow(row, history.Count);
        QString text;
        if (e >= 0 && history.Records[size_t(e)].Group != 255) {
            const TFreezeRecord &entry = history.Records[size_t(e)];
            text = DebugWczytajOpisyBanku(entry.Group + 1, BitOfMask(entry.Mask));
            if (row == FGrid->currentRow())
                UpdateActiveFreezedFrameMemo(e);
        }
        auto *item = FGrid->item(row, 0);
        if (!item)
            FGrid->setItem(row, 0, item = new QTableWidgetItem);
        item->setText(text);
    }
}

void TTroubleCodesPage::StGStoredTroubleCodesSelectCell(int row)
{
    UpdateActiveFreezedFrameMemo(EntryOfRow(row, DeviceRecord.DebugTroubleCodes.Count));
}

void TTroubleCodesPage::UpdateActiveFreezedFrameMemo(int entry)
{
    const auto &records = DeviceRecord.DebugTroubleCodes.Records;
    if (entry < 0 || entry >= int(records.size())) {
        setLines(FDebugEntry, {});
        return;
    }
    setLines(FDebugEntry, FreezeRecordLines(records[size_t(entry)]));
}

// ---- The window's handlers ----------------------------------------------------

void TFormMain::SpBOdcReadTCClick() { TroubleCodesPage->SpBOdcReadTCClick(); }
void TFormMain::SpBOdcClearTroubleCodeClick() { TroubleCodesPage->SpBOdcClearTroubleCodeClick(); }
void TFormMain::SpBDebugReadTroubleCodesClick() { TroubleCodesPage->SpBDebugReadTroubleCodesClick(); }
void TFormMain::UpdateTroubleCodeList(int group) { TroubleCodesPage->UpdateTroubleCodeList(group); }
