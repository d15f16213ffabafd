// The change record of a kind-48 device from version "G": the question before
// the first write of edited settings and the record it writes, the history of
// the computers that changed the settings, the next service inspection, and
// the developer's language-file tool.
#include "mainwindow/shell/FormMain.h"

#include "controls/ExHint.h"
#include "core/CommonConv.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/Scramble.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

#include <array>

namespace {

constexpr std::array<uint16_t, 6> kNextInspectionKm{0, 1000, 2000, 5000, 7000, 10000};
constexpr std::array<uint8_t, 6> kInspectionRatio{20, 30, 40, 50, 60, 70};
const QColor kChangedCaption(255, 0, 0);

bool ChangeRecordApplies()
{
    return DataManager && DataManager->Kind48Holds(kind48::THeld::Inspection);
}

void SetCell(QTableWidget *grid, int row, int column, const QString &text)
{
    auto *item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, column, item);
    }
    item->setText(text);
}

} // namespace

bool TFormMain::WriteLastChangeInfo(uint8_t mode)
{
    const bool applies = ChangeRecordApplies();
    if (mode != 1 || !applies)
        return applies;
    // It follows the write it records; a record the device does not take
    // leaves that write as it is.
    DataManager->WriteLastChangeInfo(TCommonConv::GetSystemDriveSerial(),
                                     TCommonConv::PackDateTime(QDateTime::currentDateTime()));
    return true;
}

void TFormMain::InstallChangeRecordQuery()
{
    if (Common)
        Common->OnQueryModChange = [self = QPointer<TFormMain>(this)](bool commit) {
            return self && self->WriteLastChangeInfo(commit ? 1 : 0);
        };
}

bool TFormMain::UpdateLastChangeInfo(bool modified)
{
    return !Common || Common->AskChangeRecord(modified);
}

void TFormMain::InitChangesListGrid()
{
    auto *grid = Component<QTableWidget>("StGChangesList");
    if (!grid)
        return;
    grid->setRowCount(6);
    grid->setColumnCount(2);
    const QSize client = grid->viewport()->size();
    grid->verticalHeader()->setDefaultSectionSize(std::max(1, client.height() / 6));
    grid->horizontalHeader()->setDefaultSectionSize(std::max(1, (client.width() - 4) / 2));
    SetCell(grid, 0, 0, TranslateKey(QStringLiteral("strChangesListDate")));
    SetCell(grid, 0, 1, TranslateKey(QStringLiteral("strChangesListCode")));
}

void TFormMain::UpdateComputerCodesInfo()
{
    if (ChangeRecordApplies())
        DataManager->ReadComputerCodes();
    if (auto *edit = Component<QLineEdit>("EdtActualComputerCode"))
        edit->setText(TCommonConv::GetSystemDriveSerialText());
    InitChangesListGrid();
    auto *grid = Component<QTableWidget>("StGChangesList");
    if (!grid)
        return;
    // Newest entry first, stepping back through the ring of five; an index
    // the ring does not have shows no entry at all.
    const TComputerCodes &codes = DeviceRecord.ComputerCodes;
    int index = codes.Newest;
    for (int row = 1; row <= 5; ++row) {
        const bool valid = codes.Newest <= 4 && codes.Entries[size_t(index)].DateTime != 0;
        SetCell(grid, row, 0,
                valid ? TCommonConv::PackedDateTimeToStr(codes.Entries[size_t(index)].DateTime)
                      : QStringLiteral(" "));
        SetCell(grid, row, 1,
                valid ? TCommonConv::SerialToText(codes.Entries[size_t(index)].Code) : QStringLiteral(" "));
        index = index == 0 ? 4 : index - 1;
    }
}

void TFormMain::CmBNextInspectionChange()
{
    if (auto *button = Component<QAbstractButton>("BtBSetNextInspection")) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, kChangedCaption);
        button->setPalette(palette);
    }
}

bool TFormMain::WriteLoadedNextInspection()
{
    if (!ChangeRecordApplies())
        return true;
    if (!DataManager->WriteNextInspection())
        return false;
    if (auto *button = Component<QAbstractButton>("BtBSetNextInspection")) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, palette.color(QPalette::WindowText));
        button->setPalette(palette);
    }
    return true;
}

void TFormMain::BtBSetNextInspectionClick()
{
    if (!DataManager || DataManager->IsDeviceNotReady())
        return;
    const bool timerOn = Timerek && Timerek->isActive();
    if (Timerek)
        Timerek->stop();
    auto *button = Component<QAbstractButton>("BtBSetNextInspection");
    const bool changed = button && button->palette().color(QPalette::ButtonText) == kChangedCaption;
    TRecordedWrite write;
    if (write.Ask(changed)) {
        bool written = true;
        if (ChangeRecordApplies()) {
            auto *next = Component<QComboBox>("CmBNextInspection");
            auto *ratio = Component<QComboBox>("CmBInspectionRatio");
            if (next && next->currentIndex() >= 0 && next->currentIndex() < int(kNextInspectionKm.size()))
                DeviceRecord.NextInspection = kNextInspectionKm[size_t(next->currentIndex())];
            if (ratio && ratio->currentIndex() >= 0 && ratio->currentIndex() < int(kInspectionRatio.size()))
                DeviceRecord.InspectionTimeDistRatio = kInspectionRatio[size_t(ratio->currentIndex())];
            written = DataManager->WriteNextInspection();
        }
        written = write.Report(written);
        PgCConfWizardChange();
        // A choice the device did not take keeps its changed mark, and says so.
        if (!written && Common)
            Common->ShowWarning(TranslateKey(QStringLiteral("strConfWriteIncomplete")));
        if (button && written) {
            QPalette palette = button->palette();
            palette.setColor(QPalette::ButtonText, palette.color(QPalette::WindowText));
            button->setPalette(palette);
        }
    }
    if (timerOn && Timerek)
        Timerek->start();
}

void TFormMain::BtnEncryptLangFilesClick()
{
    const QString folder = LM ? LM->ProgramFolder() : QCoreApplication::applicationDirPath();
    ScrambleLanguageFiles(QDir(folder).filePath(QStringLiteral("Resource")));
}

void TFormMain::ExHintNeedData(const QString &, QStringList &detail, THintInfo &info)
{
    if (!LM || !info.HintControl)
        return;
    const QString text = LM->GetHintDetail(info.HintControl->objectName());
    if (!text.isEmpty())
        detail << text;
}
