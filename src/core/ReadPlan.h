#pragma once
// The reads of one step of a command, each value once. The parts of the
// step say what they show or need (each its own reads, in its own order);
// the plan asks the device for each once, in the order first asked for, and
// the record then holds what the device answered, for every part to show or
// to compute from. A part that asks for a value another part asked for
// before gets the one read, not a second request.

#include <cstdint>
#include <functional>
#include <vector>

class TDataManager;

class TReadPlan
{
public:
    // One read: true when the device answered it.
    using TRead = std::function<bool(TDataManager &)>;

    // A read told apart from every other by its command and the argument
    // that picks its value (an id, a page; kAll for a read of every page
    // of a block). A read asked for again is left out. A needed read is one
    // the reads after it build on: when it fails, the plan ends there.
    static constexpr uint16_t kAll = 0xFFFF;
    void Add(uint8_t command, uint16_t argument, TRead read, bool needed = false);
    // The read added last also reads the value of that request (a block
    // holding a single parameter): asked for after it, it is left out.
    void AlsoReads(uint8_t command, uint16_t argument);

    // Parameters by id: 8-bit (0x07), 16-bit (0x51) and model words (0x12).
    void Param8(uint8_t id);
    void ParamWord(uint8_t id);
    void Model(uint8_t id);
    // A list of parameters as the configuration reads take them: width 8,
    // 16, or 12 for a model word.
    void Params(const std::vector<std::pair<int, uint8_t>> &list);
    // The correction curves by system pressure (0xD0), manifold pressure
    // (0x97), gas temperature (0xD2) and RPM (0xDB).
    void PsysCurve();
    void PcolCurve();
    void TgasCurve();
    void RpmCurve();
    // The adaptation maps' axes (0x60) and a half of one of their banks (0x61).
    void AdaptAxes();
    void AdaptBank(int bank, int half);
    // The model's points (0xD4), model 2's (0x95), the idle points (0xC0).
    void ModelPoints();
    void Model2Points();
    void IdlePoints();
    // The map rows (0xDC) and the number of recorded map points (0x31,
    // index 198).
    void MapRows();
    void RecordingSize();

    // Runs each read in its order; true when each answered and the link is
    // still up. Once the link is down nothing more is asked.
    bool Run(TDataManager &dm) const;
    // Whether the plan reads that request (tests and checks).
    bool Reads(uint8_t command, uint16_t argument) const;
    bool Empty() const { return FItems.empty(); }

private:
    struct TItem {
        std::vector<uint32_t> Keys;
        TRead Read;
        bool Needed;
    };
    std::vector<TItem> FItems;
};
