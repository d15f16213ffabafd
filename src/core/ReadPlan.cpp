#include "core/ReadPlan.h"

#include "core/DataManager.h"

#include <algorithm>
#include <utility>

namespace {

constexpr uint32_t KeyOf(uint8_t command, uint16_t argument) { return uint32_t(command) << 16 | argument; }

} // namespace

void TReadPlan::Add(uint8_t command, uint16_t argument, TRead read, bool needed)
{
    if (Reads(command, argument))
        return;
    FItems.push_back({{KeyOf(command, argument)}, std::move(read), needed});
}

void TReadPlan::AlsoReads(uint8_t command, uint16_t argument)
{
    if (!FItems.empty() && !Reads(command, argument))
        FItems.back().Keys.push_back(KeyOf(command, argument));
}

bool TReadPlan::Reads(uint8_t command, uint16_t argument) const
{
    const uint32_t key = KeyOf(command, argument);
    return std::any_of(FItems.begin(), FItems.end(), [key](const TItem &i) {
        return std::find(i.Keys.begin(), i.Keys.end(), key) != i.Keys.end();
    });
}

void TReadPlan::Param8(uint8_t id)
{
    Add(0x07, id, [id](TDataManager &dm) {
        bool ok = false;
        dm.ReadParameter8(id, &ok);
        return ok;
    });
}

void TReadPlan::ParamWord(uint8_t id)
{
    Add(0x51, id, [id](TDataManager &dm) {
        bool ok = false;
        dm.ReadParamWord(id, &ok);
        return ok;
    });
}

void TReadPlan::Model(uint8_t id)
{
    Add(0x12, id, [id](TDataManager &dm) {
        bool ok = false;
        dm.ReadParameter(id, &ok);
        return ok;
    });
}

void TReadPlan::Params(const std::vector<std::pair<int, uint8_t>> &list)
{
    for (const auto &[width, id] : list) {
        if (width == 8)
            Param8(id);
        else if (width == 16)
            ParamWord(id);
        else
            Model(id);
    }
}

void TReadPlan::PsysCurve() { Add(0xD0, 0, [](TDataManager &dm) { return dm.ReadCorrectionsD0(); }); }
void TReadPlan::PcolCurve() { Add(0x97, 0, [](TDataManager &dm) { return dm.ReadCorrections97(); }); }
void TReadPlan::TgasCurve() { Add(0xD2, 0, [](TDataManager &dm) { return dm.ReadCorrectionsD2(); }); }
void TReadPlan::RpmCurve() { Add(0xDB, 0, [](TDataManager &dm) { return dm.ReadCorrectionsDB(); }); }
void TReadPlan::AdaptAxes() { Add(0x60, 0, [](TDataManager &dm) { return dm.ReadCorrections60(); }); }

void TReadPlan::AdaptBank(int bank, int half)
{
    Add(0x61, uint16_t(bank << 4 | half), [bank, half](TDataManager &dm) { return dm.ReadCorrections61(bank, half); });
}

void TReadPlan::ModelPoints() { Add(0xD4, kAll, [](TDataManager &dm) { return dm.ReadMapD4(); }); }
void TReadPlan::Model2Points() { Add(0x95, kAll, [](TDataManager &dm) { return dm.ReadModel2Block(); }); }
void TReadPlan::IdlePoints() { Add(0xC0, 0, [](TDataManager &dm) { return dm.ReadNozzleTestData(); }); }
void TReadPlan::MapRows() { Add(0xDC, kAll, [](TDataManager &dm) { return dm.ReadMapRowsDC(); }); }
void TReadPlan::RecordingSize() { Add(0x31, 198, [](TDataManager &dm) { return dm.ReadRecordingSize(); }); }

bool TReadPlan::Run(TDataManager &dm) const
{
    bool all = true;
    for (const TItem &item : FItems) {
        if (!dm.GetConnected())
            return false;
        const bool ok = item.Read(dm);
        all = ok && all;
        if (!ok && item.Needed)
            return false;
    }
    return all && dm.GetConnected();
}
