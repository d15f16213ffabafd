// Controller link against the simulated controller paced at 9600 baud: the
// time of a live-value group read and of whole block reads over the wire time
// of the bytes exchanged (reported as the counter "over_wire"; 1.0 is the
// physical limit of the line).

#include "common/BenchSim.h"
#include "sim/SimControllerFixture.h"

#include <benchmark/benchmark.h>


#include <chrono>

using namespace sim;

namespace {

template <typename Op>
void runAgainstSim(benchmark::State &state, uint8_t kind, char version, Op op)
{
    SimControllerRig rig(kind, version, true);
    rig.Device([](SimControllerState &s) {
        s.Payload[0x05][11] = 0x40; // some petrol and gas time
        s.Value16[28] = 2;
    });
    if (!bench::ConnectRig(state, rig))
        return;
    bench::TimeOverWire(state, rig, "exchange failed", [&] { return op(rig.Manager); });
}

void BM_LiveGroup05(benchmark::State &state)
{
    // Kind 20, four cylinders: 0x05 (4 + 27 bytes).
    runAgainstSim(state, 20, 'E', [](TDataManager &m) {
        DeviceRecord.InjSW = 4;
        return m.ReadDeviceInfo();
    });
}

void BM_LiveGroup0B(benchmark::State &state)
{
    // Kind 48 from "G": the extended live group 0x0B (4 + 52 bytes).
    runAgainstSim(state, 48, 'G', [](TDataManager &m) { return m.ReadCmd0B(); });
}

void BM_BlockD8(benchmark::State &state)
{
    // The kind-48 configuration block with every parameter read after it.
    runAgainstSim(state, 48, 'G', [](TDataManager &m) { return m.ReadModelDataD8(); });
}

void BM_MapRowsDC(benchmark::State &state)
{
    // The 40 map rows, one exchange each.
    runAgainstSim(state, 48, 'G', [](TDataManager &m) { return m.ReadMapRowsDC(); });
}

} // namespace

BENCHMARK(BM_LiveGroup05)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_LiveGroup0B)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_BlockD8)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_MapRowsDC)->Unit(benchmark::kMillisecond)->Iterations(3);
