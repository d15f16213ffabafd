// Loads any bytes as an adapter configuration file (the OBD group, without
// the adapter write). The first byte answers the questions, one bit a box
// (set: Yes / OK). A refused file changes no variable of either side; an
// accepted one is on both sides, every number holds what its raw bytes give
// back, and saved and loaded again it gives the same values back. A file
// whose last line has no line end is refused; so is the saved file cut in
// mid-line (the cut chosen by the input's length).
#include "adapter/AdapterConfigFile.h"
#include "adapter/Logic.h"
#include "adapter/LogicAdapter.h"
#include "adapter/UIState.h"
#include "core/IniFile.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "support/FuzzSupport.h"

#include <QFile>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

struct TRig {
    TCommon Common;
    TLogic Logic;
    QString File = fuzz::TempFolder() + QStringLiteral("/input.dda");
    QString Again = fuzz::TempFolder() + QStringLiteral("/again.dda");
    uint8_t Answers = 0;
    int Asked = 0;

    TRig()
    {
        ::Common = &Common;
        ::Logic = &Logic;
        TCommon::SetAnswerProvider([this](const TMessageBoxInfo &box) {
            const bool yes = (Answers >> (Asked++ % 8)) & 1;
            if (box.Buttons.contains(mrYes))
                return int(yes ? mrYes : mrNo);
            if (box.Buttons.contains(mrCancel))
                return int(yes ? mrOk : mrCancel);
            return int(mrOk);
        });
    }

    // The settings at their defaults on both sides, unmarked.
    void Reset()
    {
        TUIState *ui = Logic.UIState();
        ui->ResetGroup(GetDataGroupName(dgOBD));
        ui->CopyToDeviceAll(2);
        ui->SetModifiedFlag(false);
    }

    std::vector<QByteArray> Snapshot(const TVariableList &list) const
    {
        std::vector<QByteArray> out;
        for (int i = 0; i < Logic.UIState()->DeviceVariableCount(); ++i)
            out.push_back(list.GetItem(i)->Raw());
        return out;
    }
};

TRig &Rig()
{
    static TRig *rig = [] {
        fuzz::EnsureWidgetApplication();
        return new TRig;
    }();
    return *rig;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    TRig &rig = Rig();
    TUIState *ui = rig.Logic.UIState();
    rig.Reset();
    const std::vector<QByteArray> before = rig.Snapshot(*ui);
    FUZZ_CHECK(before == rig.Snapshot(*rig.Logic.DeviceState()));
    FUZZ_CHECK(fuzz::WriteFile(rig.File, fuzz::Bytes(data + 1, size - 1)));
    rig.Answers = data[0];
    rig.Asked = 0;
    const quint32 groups = AdapterConfig::GroupSet(dgOBD);

    // Refused: nothing changed on either side.
    const auto unchanged = [&] {
        return rig.Snapshot(*ui) == before && rig.Snapshot(*rig.Logic.DeviceState()) == before && !ui->Modified();
    };
    if (!rig.Logic.LoadConfigurationFile(rig.File, groups, true)) {
        FUZZ_CHECK(unchanged());
        return 0;
    }
    TIniFile input;
    input.LoadFromBytes(fuzz::Bytes(data + 1, size - 1));
    FUZZ_CHECK(input.UnendedLine() == 0);
    const std::vector<QByteArray> loaded = rig.Snapshot(*ui);
    FUZZ_CHECK(rig.Snapshot(*rig.Logic.DeviceState()) == loaded);
    // A number read in any form holds what the box is sent: its raw bytes
    // give its value back.
    for (int i = 0; i < ui->DeviceVariableCount(); ++i) {
        const TVariable *v = ui->GetItem(i);
        if (!v->Stored() || !dynamic_cast<const TDoubleVariable *>(v) || !v->OnRawToValue())
            continue;
        TDoubleVariable back(nullptr, v->DataLength(), QStringLiteral("Check"), QString());
        back.SetOnRawToValue(v->OnRawToValue());
        back.SetRawData(v->Raw(), true);
        FUZZ_CHECK(back.GetAsFloat() == v->GetAsFloat());
    }

    // Saved and loaded again (every question answered Yes / OK): the same values.
    TIniFile out(rig.Again);
    out.WriteString(QStringLiteral("Info"), QStringLiteral("Device"), rig.Logic.LogicAdapter()->VersionText(true, 0));
    out.WriteString(QStringLiteral("Info"), QStringLiteral("Product"), QStringLiteral("Fuzz (Adapter)"));
    AdapterConfig::WriteGroups(out, *ui, groups, nullptr);
    FUZZ_CHECK(out.Save() == TIniFile::Status::Ok);
    rig.Reset();
    rig.Answers = 0xFF;
    FUZZ_CHECK(rig.Logic.LoadConfigurationFile(rig.Again, groups, true));
    FUZZ_CHECK(rig.Snapshot(*ui) == loaded);

    // The saved file cut inside a line is refused.
    QFile again(rig.Again);
    FUZZ_CHECK(again.open(QIODevice::ReadOnly));
    const QByteArray saved = again.readAll();
    const qsizetype cut = qsizetype(size % size_t(saved.size()));
    if (cut > 0 && saved.at(cut - 1) != '\n' && saved.at(cut - 1) != '\r') {
        FUZZ_CHECK(fuzz::WriteFile(rig.File, saved.left(cut)));
        rig.Reset();
        rig.Answers = 0xFF;
        FUZZ_CHECK(!rig.Logic.LoadConfigurationFile(rig.File, groups, true));
        FUZZ_CHECK(unchanged());
    }
    return 0;
}
