// The trouble-code page of the OBD window: reading and clearing the car's
// trouble codes through the box's jobs, and the codes and freeze frames they
// leave behind.
#include "adapter/FormMultiOBD.h"

#include "adapter/DevStateOBD.h"
#include "adapter/Logic.h"
#include "adapter/WorkPause.h"
#include "adapter/ModuleOBD.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "core/EnglishTextKeys.h"
#include "core/ui/Custom.h"

#include <QApplication>
#include <QFrame>
#include <QPlainTextEdit>
#include <QProgressBar>

namespace {


TModuleOBD *module() { return Logic ? Logic->ModuleOBD() : nullptr; }
TUIStateOBD *ui() { return Logic ? Logic->UIStateOBD() : nullptr; }

constexpr int FlagTroubleCodes = 18, FlagCheckEngine = 19, FlagFreezeFrame = 20;

bool shown(quint16 set, int from, int to)
{
    for (int code = from; code <= to; ++code)
        if (set & (1u << code))
            return true;
    return false;
}

void setMemoColour(QPlainTextEdit *memo, QPalette::ColorRole source)
{
    QPalette p = memo->palette();
    p.setColor(QPalette::Base, QApplication::palette().color(source));
    memo->setPalette(p);
}

QString codeText(quint8 first, quint8 second)
{
    QString text = FormatTroubleCode(first, second);
    if (Custom)
        Custom->GetObdCodeText(text, text);
    return text;
}

// The text of a fuel-system status of a freeze frame.
QString fuelStatus(int status)
{
    switch (status) {
    case 0: return NoReadingText();
    case 1: return ObdUiText("Open loop");
    case 2: return ObdUiText("Closed loop");
    case 4: return ObdUiText("Open loop due to driving conditions");
    case 8: return ObdUiText("Open loop due to detected system fault");
    case 16: return ObdUiText("Closed loop but fault with at least one oxygen sensor");
    default: return ObdUiText("Unknown state");
    }
}


} // namespace

void TFormMultiOBD::ClearTroubleCodeSets()
{
    FTroubleCodeMessagesShown = 0;
    FTroubleCodeMessages.Clear();
    MemOBDTroubles->clear();
}

void TFormMultiOBD::ClearFreezeFrameSets()
{
    FFreezeFrameMessagesShown = 0;
    FFreezeFrameMessages.Clear();
    MemOBDFreeze->clear();
}

void TFormMultiOBD::AppendTroubleLine(const QString &text)
{
    MemOBDTroubles->appendPlainText(text);
}

void TFormMultiOBD::AppendFreezeLine(const QString &text)
{
    MemOBDFreeze->appendPlainText(text);
}

void TFormMultiOBD::BtBOBDReadErrorsClick()
{
    if (!module() || !module()->IsActive())
        return;
    TWorkPause paused;
    ClearTroubleCodeSets();
    ClearFreezeFrameSets();
    FTroubleCodeMessagesShown = FFreezeFrameMessagesShown = 0x3;
    module()->ReadTroubleCodes(7);
    module()->ReadTroubleCodeState();
    Logic->UIState()->CopyFromDevice(QStringLiteral("OBD"), 3);
}

void TFormMultiOBD::BtBOBDClearErrorsClick()
{
    if (!module() || !module()->IsActive())
        return;
    TWorkPause paused;
    ClearTroubleCodeSets();
    ClearFreezeFrameSets();
    FTroubleCodeMessagesShown = FFreezeFrameMessagesShown = 0x3;
    module()->ClearTroubleCodes();
    module()->ReadTroubleCodeState();
    Logic->UIState()->CopyFromDevice(QStringLiteral("OBD"), 3);
}

void TFormMultiOBD::ErrorsButtonsChanged()
{
    TUIStateOBD *s = ui();
    if (!s)
        return;
    const bool connected = s->IsConnected();
    PnlOBDErrorsButtons->setEnabled(connected && !s->IsDetecting());
    if (connected && module() && IsShown(TbSOBDErrors)) {
        {
            TWorkPause paused;
            module()->ReadTroubleCodeState();
        }
        Logic->UIState()->CopyFromDevice(QStringLiteral("OBD"), 3);
        UpdateTroubleCodePage();
    }
}

bool TFormMultiOBD::UpdateTroubleCodePage()
{
    TUIStateOBD *s = ui();
    const bool connected = s && s->IsConnected();
    if (!connected) {
        SelImgOBDCheckEngine->SetImageIndex(0);
        PnlOBDCheckEngine->hide();
        ClearTroubleCodeSets();
        ClearFreezeFrameSets();
        setMemoColour(MemOBDTroubles, QPalette::Button);
        setMemoColour(MemOBDFreeze, QPalette::Button);
        PrBOBDErrors->hide();
        // A box gone silent leaves its last link state behind: without a
        // link the buttons cannot start anything.
        PnlOBDErrorsButtons->setEnabled(false);
        return false;
    }
    setMemoColour(MemOBDTroubles, QPalette::Base);
    setMemoColour(MemOBDFreeze, QPalette::Base);
    const int clear = int(s->OBDstateClearErrors->GetAsInteger());
    const int codes = int(s->OBDstateReadTroubleCodes->GetAsInteger());
    const int pending = int(s->OBDstateReadPendingTroubleCodes->GetAsInteger());
    const int freeze = int(s->OBDstateReadFreezeFrame->GetAsInteger());
    const bool clearing = clear > 1;
    const bool reading = codes > 1 || pending > 1 || freeze > 1;
    PrBOBDErrors->setVisible(reading && !clearing);
    PnlOBDErrorsButtons->setEnabled(!reading && !clearing);
    if (clearing) {
        if (clear >= 2 && clear <= 6) {
            PostTroubleCodeMessage(clear);
            PostFreezeFrameMessage(clear);
        }
        if (clear > 2) {
            TWorkPause paused;
            module()->Request83(8);
        }
    } else if (reading) {
        PrBOBDErrors->setValue(int(codes > 1) + int(pending > 1) + int(freeze > 1));
        auto job = [](int state, int base) { return state >= 2 && state <= 6 ? base + std::min(state, 5) - 2 : -1; };
        if (const int m = job(codes, 7); m >= 0)
            PostTroubleCodeMessage(m);
        if (const int m = job(pending, 11); m >= 0)
            PostTroubleCodeMessage(m);
        if (const int m = job(freeze, 7); m >= 0)
            PostFreezeFrameMessage(m);
        FetchFinishedReads();
    } else {
        if (s->GetFlag(FlagTroubleCodes)) {
            const int count = int(s->OBDnumberOfTroubleCodes->GetAsInteger());
            if (!shown(FTroubleCodeMessagesShown, 2, 14) && count != FLastTroubleCodeCount) {
                FLastTroubleCodeCount = count;
                FTroubleCodeMessagesShown &= ~quint16(1u << 1);
                MemOBDTroubles->clear();
                FTroubleCodeMessages.RemoveCode(1);
            }
            PostTroubleCodeMessage(1, QStringLiteral(": %1").arg(count));
        } else {
            PostTroubleCodeMessage(0);
        }
        const bool lamp = s->GetFlag(FlagCheckEngine);
        SelImgOBDCheckEngine->SetImageIndex(lamp ? 1 : 0);
        PnlOBDCheckEngine->setVisible(lamp && s->GetPidSupported(0x21)
                                      && s->OBDDistanceTraveledWithMILon->GetAsInteger() > 0);
        PostFreezeFrameMessage(s->GetFlag(FlagFreezeFrame) ? 1 : 0);
    }
    return true;
}

void TFormMultiOBD::PostTroubleCodeMessage(int code, const QString &argument)
{
    const quint16 bit = quint16(1u << (code & 15));
    if (code < 0 || code > 15 || (FTroubleCodeMessagesShown & bit))
        return;
    FTroubleCodeMessagesShown |= bit;
    if (!shown(FTroubleCodeMessagesShown, 7, 14)) {
        const int other = code == 0 ? 1 : code == 1 ? 0 : -1;
        if (other >= 0 && (FTroubleCodeMessagesShown & (1u << other))) {
            FTroubleCodeMessagesShown &= ~quint16(1u << other);
            FTroubleCodeMessages.Clear();
            MemOBDTroubles->clear();
        }
    }
    FTroubleCodeMessages.RemoveCode(code);
    const int index = FTroubleCodeMessages.Add(code, argument);
    AppendTroubleLine(FTroubleCodeMessages.Text(index));
}

void TFormMultiOBD::PostFreezeFrameMessage(int code, const QString &argument)
{
    const quint16 bit = quint16(1u << (code & 15));
    if (code < 0 || code > 15 || (FFreezeFrameMessagesShown & bit))
        return;
    FFreezeFrameMessagesShown |= bit;
    const int other = code == 0 ? 1 : code == 1 ? 0 : -1;
    if (other >= 0) {
        FFreezeFrameMessagesShown &= ~quint16(1u << other);
        FFreezeFrameMessages.Clear();
        MemOBDFreeze->clear();
    }
    const int index = FFreezeFrameMessages.Add(code, argument);
    AppendFreezeLine(FFreezeFrameMessages.Text(index));
}

bool TFormMultiOBD::FetchFinishedReads()
{
    TUIStateOBD *s = ui();
    TModuleOBD *m = module();
    if (!s || !m)
        return false;
    const int codes = int(s->OBDstateReadTroubleCodes->GetAsInteger());
    const int pending = int(s->OBDstateReadPendingTroubleCodes->GetAsInteger());
    const int freeze = int(s->OBDstateReadFreezeFrame->GetAsInteger());
    if (codes < 3 || pending < 3 || freeze < 3)
        return false;
    PrBOBDErrors->setValue(PrBOBDErrors->maximum());
    PrBOBDErrors->repaint();
    Wait(500);
    TWorkPause paused;
    if (codes == 4) {
        m->ReadCodeListA();
        Logic->UIState()->CopyFromDevice(QStringLiteral("OBD"), 1);
        ListTroubleCodes(true);
    }
    if (pending == 4) {
        m->ReadCodeListB();
        Logic->UIState()->CopyFromDevice(QStringLiteral("OBD"), 1);
        ListTroubleCodes(false);
    }
    if (freeze == 4) {
        m->ReadFreezeFrameData();
        m->ReadSupportedPids();
        Logic->UIState()->CopyFromDevice(QStringLiteral("OBD"), 1);
        ListFreezeFrame();
    }
    m->Request83(7);
    m->ReadTroubleCodeState();
    Logic->UIState()->CopyFromDevice(QStringLiteral("OBD"), 3);
    return true;
}

void TFormMultiOBD::ListTroubleCodes(bool recorded)
{
    TUIStateOBD *s = ui();
    if (!s)
        return;
    int number = 0;
    for (int i = 0; i < 7; ++i) {
        const quint32 slot = recorded ? s->GetCodeA(i) : s->GetCodeB(i);
        const quint8 first = quint8(slot >> 24), second = quint8(slot >> 16);
        if (first == 0 && second == 0)
            continue;
        if (number == 0) {
            AppendTroubleLine(QString());
            AppendTroubleLine((recorded ? ObdUiText("Recorded Trouble Codes") : ObdUiText("Pending Trouble Codes")) + QStringLiteral(":"));
        }
        ++number;
        AppendTroubleLine(QStringLiteral("   ") + ObdUiText("Error")
                          + QStringLiteral(" %1: %2").arg(number).arg(codeText(first, second)));
    }
}

void TFormMultiOBD::ListFreezeFrame()
{
    TUIStateOBD *s = ui();
    if (!s)
        return;
    int number = 0;
    for (int f = 0; f < 2; ++f) {
        const TOBDFreezeFrame *frame = s->GetFreezeFrame(f);
        const quint16 code = quint16(frame->ErrorCode->GetAsInteger());
        if (code == 0)
            continue;
        ++number;
        AppendFreezeLine(QString());
        AppendFreezeLine(ObdUiText("Freeze Frame") + QStringLiteral(" %1:").arg(number));
        AppendFreezeLine(QStringLiteral("   ") + ObdUiText("Code")
                         + QStringLiteral(": %1").arg(codeText(quint8(code >> 8), quint8(code))));
        auto line = [this](const char *name, const QString &value, const char *unit) {
            QString text = QStringLiteral("   ") + ObdUiText(name) + QStringLiteral(": ") + value + QStringLiteral(" ");
            if (unit)
                text += ObdUiText(unit);
            AppendFreezeLine(text);
        };
        if (s->GetPidSupported(0x03)) {
            line("Fuel System Status B1", fuelStatus(int(frame->FuelSysStatB1->GetAsInteger())), nullptr);
            line("Fuel System Status B2", fuelStatus(int(frame->FuelSysStatB2->GetAsInteger())), nullptr);
        }
        struct Field {
            int pid;
            const char *name;
            TVariable *variable;
            const char *unit;
        };
        const Field fields[] = {
            {0x04, "Load", frame->Load, nullptr},           {0x05, "Coolant Temperature", frame->CoolantTemp, "[C.deg]"},
            {0x06, "ShortTermFuelTrim B1", frame->StFtB1, nullptr}, {0x07, "LongTermFuelTrim B1", frame->LtFtB1, nullptr},
            {0x08, "ShortTermFuelTrim B2", frame->StFtB2, nullptr}, {0x09, "LongTermFuelTrim B2", frame->LtFtB2, nullptr},
            {0x0B, "MAP", frame->MAP, "[bar]"},             {0x0C, "RPM", frame->RPM, "[r.p.m.]"},
            {0x0D, "Speed", frame->Speed, "[km/h]"}};
        for (const Field &field : fields) {
            if (!s->GetPidSupported(field.pid))
                continue;
            if (field.unit)
                line(field.name, field.variable->Text(), field.unit);
            else
                AppendFreezeLine(QStringLiteral("   ") + ObdUiText(field.name) + QStringLiteral(": ")
                                 + field.variable->Text() + QStringLiteral(" [%]"));
        }
    }
}

void TFormMultiOBD::RebuildMessages()
{
    MemOBDTroubles->clear();
    for (int i = 0; i < FTroubleCodeMessages.Count(); ++i)
        AppendTroubleLine(FTroubleCodeMessages.Text(i));
    if (FTroubleCodeMessagesShown & (1u << 9))
        ListTroubleCodes(true);
    if (FTroubleCodeMessagesShown & (1u << 13))
        ListTroubleCodes(false);
    MemOBDFreeze->clear();
    for (int i = 0; i < FFreezeFrameMessages.Count(); ++i)
        AppendFreezeLine(FFreezeFrameMessages.Text(i));
    if (FFreezeFrameMessagesShown & (1u << 9))
        ListFreezeFrame();
}
