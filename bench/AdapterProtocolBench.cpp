// One module request and its answer through the adapter protocol against the
// simulated adapter box paced at 9600 baud: the presence query (5 bytes out,
// 4 back) and a 22-byte information answer (5 bytes out); then the modules'
// whole detection pass and one work step of the manager, with the box on the
// controller's port. The counter "over_wire_time" is the time taken over the
// wire time of the bytes exchanged at 960 bytes per second (1.0 is the
// physical limit). Last, ticks of the main timer on the shared port paced at
// 9600 baud (a controller poll and a module work step each) with faults on
// both sides: the longest work step of the adapter ("worst_step_ms", goal
// under 100 ms, also while the box is silent) and the ticks that outlast the
// timer's 200 ms ("long_ticks", goal: only the one whose controller answer
// went missing).
#include "adapter/AdapterProtocol.h"
#include "adapter/AdapterRig.h"
#include "adapter/Logic.h"
#include "adapter/Manager.h"
#include "common/BenchSim.h"
#include "core/ComMultiPort.h"
#include "sim/SimAdapter.h"
#include "sim/SimServer.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

void BM_ModuleRequestAt9600(benchmark::State &state)
{
    const int answerLength = static_cast<int>(state.range(0));
    QTemporaryDir tmp;
    const QString portsDir = tmp.filePath(QStringLiteral("ports"));
    qputenv("PORTS_DIR", QFile::encodeName(portsDir));

    sim::SimServer server;
    sim::SimAdapter box;
    sim::Bytes payload(static_cast<size_t>(answerLength - 2));
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(0x30 + i);
    payload[0] = 0x04;
    box.State.Payload[0x04] = payload;
    box.Install(server);
    TComMultiPort port;
    if (!bench::OpenPacedPort(state, server, portsDir, port))
        return;
    TAdapterProtocol protocol(&port, 4, 0xEE, 0xD2, 0xC2);

    const uint8_t command = answerLength == 4 ? 0x01 : 0x04;
    const uint8_t request[4] = {0xC2, command, command == 0x01 ? uint8_t(0x01) : uint8_t(0xA5), 0};
    std::vector<uint8_t> answer(static_cast<size_t>(answerLength));
    int64_t failures = 0;
    double seconds = 0;
    for (auto _ : state) {
        int written = 0;
        bool isError = false;
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = protocol.Execute(request, written, 4, answer.data(), isError, answerLength);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!ok || isError)
            ++failures;
    }
    const double wire = (5.0 + answerLength) / 960.0;
    state.counters["over_wire_time"] = seconds / static_cast<double>(state.iterations()) / wire;
    state.counters["failures"] = static_cast<double>(failures);
    port.Close();
    server.stop();
    qunsetenv("PORTS_DIR");
}

// Range 0: the detection pass (version, information A and B, OBD presence
// and state); 1: one work step (the OBD state read).
void BM_ModulesAt9600(benchmark::State &state)
{
    const bool detection = state.range(0) == 0;
    std::unique_ptr<sim::SimControllerRig> rig = bench::MakeRig(state, 48, 'G');
    if (!rig || !bench::ConnectRig(state, *rig))
        return;
    rig->Server.setPaced(true);
    sim::SimAdapter box;
    box.Install(rig->Server);
    TComMultiPort *savedPort = ComMultiPort;
    ComMultiPort = &rig->Port;
    TManager manager;
    TLogic logic(nullptr, &manager);
    // A box that misses its presence query once (a loaded machine) gets
    // another chance before the benchmark gives up.
    for (int attempt = 0; attempt < 3 && !manager.IsActive(); ++attempt)
        manager.RedetectLocked();
    if (!manager.IsActive()) {
        state.SkipWithError("the simulated box did not answer");
        ComMultiPort = savedPort;
        return;
    }
    double seconds = 0;
    size_t bytes = 0;
    int64_t failures = 0;
    for (auto _ : state) {
        rig->Server.log().clear();
        const auto t0 = std::chrono::steady_clock::now();
        if (detection)
            manager.RedetectLocked();
        else
            manager.TimerThreadWorkStep(nullptr);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!manager.IsActive()) {
            ++failures;
            manager.RedetectLocked();
        }
        // Each request has an answer: 4, 18, 22, 4 and 13 bytes by command.
        for (const auto &f : rig->Server.log().bytes()) {
            const uint8_t command = f.size() > 1 ? f[1] : 0;
            bytes += f.size() + (command == 0x02 ? 18 : command == 0x04 ? 22 : command == 0x78 ? 13 : 4);
        }
    }
    state.counters["over_wire_time"] = seconds / (static_cast<double>(bytes) / 960.0);
    state.counters["failures"] = static_cast<double>(failures);
    state.counters["bytes_per_run"] = static_cast<double>(bytes) / static_cast<double>(state.iterations());
    ComMultiPort = savedPort;
}

// A minute of 200 ms ticks with the faults of the adapter tests: every 25
// ticks a controller answer with a bad sum, a box answer with a bad sum, an
// error frame for the box's state read, a silent box, and once a controller
// answer that never comes.
void BM_SharedPortUnderFaults(benchmark::State &state)
{
    using sim::Bytes;
    double worstStep = 0;
    int64_t longTicks = 0;
    for (auto _ : state) {
        adaptertest::AdapterRig r;
        r.Rig.Server.setPaced(true);
        if (!r.ConnectAndStart() || !r.Manager.IsActive()) {
            state.SkipWithError("the simulated controller or box did not answer");
            return;
        }
        r.Rig.Manager.ModulesActive = true;
        for (int tick = 0; tick < 300; ++tick) {
            switch (tick % 25) {
            case 3:
                r.Rig.Server.injectFaultWhen([](const Bytes &f) { return f[0] == 0xC0; }, sim::Fault::badChecksum(), 1);
                break;
            case 7:
                r.Rig.Server.injectFaultWhen([](const Bytes &f) { return f[0] == 0xC2; }, sim::Fault::badChecksum(), 1);
                break;
            case 11: r.BoxState([](sim::SimAdapterState &s) { s.Refuse[0x78] = 0x03; }); break;
            case 12: r.BoxState([](sim::SimAdapterState &s) { s.Refuse.clear(); }); break;
            case 17: r.BoxState([](sim::SimAdapterState &s) { s.Silent = true; }); break;
            case 18: r.BoxState([](sim::SimAdapterState &s) { s.Silent = false; }); break;
            case 21:
                if (tick == 21)
                    r.Rig.Server.injectFaultWhen([](const Bytes &f) { return f[0] == 0xC0; }, sim::Fault::noAnswer(), 1);
                break;
            default: break;
            }
            const auto tickStart = std::chrono::steady_clock::now();
            r.Rig.Manager.PollGroup(TDataManager::pgLive, true);
            r.Rig.Manager.SyncModules(false);
            const auto stepStart = std::chrono::steady_clock::now();
            r.Step();
            const auto end = std::chrono::steady_clock::now();
            worstStep = std::max(worstStep, std::chrono::duration<double, std::milli>(end - stepStart).count());
            longTicks += end - tickStart > std::chrono::milliseconds(200);
            r.Rig.Server.log().clear();
        }
    }
    state.counters["worst_step_ms"] = worstStep;
    state.counters["long_ticks"] = static_cast<double>(longTicks) / static_cast<double>(state.iterations());
}

} // namespace

BENCHMARK(BM_SharedPortUnderFaults)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ModulesAt9600)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ModuleRequestAt9600)->Arg(4)->Arg(22)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
