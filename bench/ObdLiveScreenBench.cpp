// The main window with the OBD window docked into it, as the program wires
// them, against the simulated controller and adapter box on one
// pseudo-terminal paced at 9600 baud; each iteration is one tick of the main
// timer (one poll cycle), run by hand.
//
// BM_ObdLiveScreenCycle: the OBD live page shown, the car's link connected:
// the frames on the wire a cycle ("frames", of them "box_frames" to the box
// and "state_and_pid_reads" of the link state and the two PID masks; goal:
// three), and the wire time of a cycle's requests and answers at 960 bytes
// a second ("wire_ms", of it "box_wire_ms" the box's; the main timer's
// period is 200 ms). BENCH_SHOW_FRAMES=1 lists each cycle's frames.
//
// BM_SilentBoxTicks: what a box costs the main window's tick when it never
// answers (range 0: absent from the start) or stops answering (range 1: after
// five seconds of answering), over 300 ticks from then on: the longest tick
// ("worst_tick_ms"), the ticks over the timer's 200 ms ("long_ticks"), the box
// requests left unanswered ("silent_requests") and the ticks in which one was
// sent ("ticks_asking"); for an absent box the start-up's own requests are
// counted with them ("start_ms": the start-up's time). Each unanswered request
// waits the port's own read timeout (300 ms + 150 ms for each byte of the
// answer awaited), so the measured ticks hold those waits.
#include "adapter/ObdWindowRig.h"
#include "adapter/Manager.h"
#include "adapter/ModuleOBD.h"

#include "common/BenchSim.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

using bench::ConnectedCar;

// The bytes of the box's answers to requests, as the box with this state
// answers them (a copy answers, so that the box itself is not changed).
size_t BoxAnswerBytes(const sim::SimAdapterState &state, const std::vector<sim::Bytes> &requests)
{
    sim::SimAdapter probe;
    probe.State = state;
    probe.State.Silent = false;
    size_t bytes = 0;
    for (const sim::Bytes &r : requests)
        bytes += probe.Handle(r).size();
    return bytes;
}

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_ObdLiveScreenCycle(benchmark::State &state)
{
    obdtest::ObdProgram p(ConnectedCar);
    p.Start();
    p.ShowObdPage("TbSOBDLive");
    for (int i = 0; i < 3; ++i)
        p.Tick();
    if (!ModuleOBD || !ModuleOBD->IsActive()) {
        state.SkipWithError("the simulated box did not answer");
        return;
    }
    p.Device.Server.setPaced(true);
    double frames = 0, boxFrames = 0, reads = 0, wireSeconds = 0, boxWireSeconds = 0;
    for (auto _ : state) {
        p.ClearLog();
        p.Tick();
        state.PauseTiming();
        std::vector<sim::Bytes> controller, box;
        for (const auto &f : p.Device.Server.log().frames())
            (f.bytes[0] == 0xC2 ? box : controller).push_back(f.bytes);
        size_t bytes = 0;
        for (const auto &r : box) {
            bytes += r.size();
            reads += r[1] == 0x78 || r[1] == 0x79 || r[1] == 0x7A;
        }
        p.Box([&](sim::SimAdapterState &s) { bytes += BoxAnswerBytes(s, box); });
        boxWireSeconds += double(bytes) / 960.0;
        wireSeconds += sim::SimController::WireSeconds(controller) + double(bytes) / 960.0;
        frames += double(controller.size() + box.size());
        boxFrames += double(box.size());
        if (qEnvironmentVariableIsSet("BENCH_SHOW_FRAMES")) {
            for (const auto &f : p.Device.Server.log().frames())
                fprintf(stderr, "%02X %02X  ", f.bytes[0], f.bytes[1]);
            fprintf(stderr, "\n");
        }
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["frames"] = frames / n;
    state.counters["box_frames"] = boxFrames / n;
    state.counters["state_and_pid_reads"] = reads / n;
    state.counters["wire_ms"] = 1000.0 * wireSeconds / n;
    state.counters["box_wire_ms"] = 1000.0 * boxWireSeconds / n;
}

void BM_SilentBoxTicks(benchmark::State &state)
{
    const bool absent = state.range(0) == 0;
    double worst = 0, startMs = 0;
    int64_t longTicks = 0, silentRequests = 0, ticksAsking = 0;
    for (auto _ : state) {
        obdtest::ObdProgram p([absent](sim::SimAdapterState &s) {
            ConnectedCar(s);
            s.Silent = absent;
        });
        p.Device.Server.setPaced(true);
        const auto started = std::chrono::steady_clock::now();
        p.Start();
        startMs += msSince(started);
        // What the start-up asked an absent box.
        if (absent)
            silentRequests += int64_t(p.AdapterRequests().size());
        // An absent box is measured from the program's connect on; one that
        // goes silent after a few seconds of polling with it answering.
        for (int i = 0; i < (absent ? 0 : 25); ++i)
            p.Tick();
        if (!absent && !(Manager && Manager->IsActive())) {
            state.SkipWithError("the simulated box did not answer");
            return;
        }
        p.Box([](sim::SimAdapterState &s) { s.Silent = true; });
        for (int i = 0; i < 300; ++i) {
            p.ClearLog();
            const auto start = std::chrono::steady_clock::now();
            p.Tick();
            const double ms = msSince(start);
            worst = std::max(worst, ms);
            longTicks += ms > 200;
            const auto box = p.AdapterRequests();
            silentRequests += int64_t(box.size());
            ticksAsking += !box.empty();
        }
    }
    const double n = double(state.iterations());
    state.counters["worst_tick_ms"] = worst;
    state.counters["long_ticks"] = double(longTicks) / n;
    state.counters["silent_requests"] = double(silentRequests) / n;
    state.counters["ticks_asking"] = double(ticksAsking) / n;
    state.counters["start_ms"] = startMs / n;
}

} // namespace

BENCHMARK(BM_ObdLiveScreenCycle)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);
BENCHMARK(BM_SilentBoxTicks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
