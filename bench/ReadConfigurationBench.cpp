// Whole-configuration read by device kind against the simulated controller
// paced at 9600 baud: the time of the read over the wire time of the bytes
// exchanged (the counter "over_wire"; 1.0 is the physical limit of the line).

#include "common/BenchSim.h"
#include "core/ConfigurationByKind.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "sim/SimControllerFixture.h"

#include <benchmark/benchmark.h>


#include <chrono>

using namespace sim;

namespace {

void readConfiguration(benchmark::State &state, uint8_t kind, char version)
{
    SimControllerRig rig(kind, version, true);
    rig.Device([](SimControllerState &s) {
        s.Value16[28] = 2;
        s.Payload[0x03][4] = 15;
        s.Payload[0xD8][1] = 15;
    });
    if (!bench::ConnectRig(state, rig))
        return;
    bench::TimeOverWire(
        state, rig, "the configuration read failed", [&] { return ReadConfigurationByKind(rig.Manager) != 0; },
        true);
}

void BM_ReadConfigurationKind20(benchmark::State &state)
{
    readConfiguration(state, 20, 'E');
}

void BM_ReadConfigurationKind48G(benchmark::State &state)
{
    readConfiguration(state, 48, 'G');
}

} // namespace

BENCHMARK(BM_ReadConfigurationKind20)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReadConfigurationKind48G)->Unit(benchmark::kMillisecond)->Iterations(5);
