// Start-up of the real program against the simulated controller paced at
// 9600 baud: the time from the program's start to its first probe on the
// port, to its first live-value read of the readings page, and the processor
// share of the program while it polls an idle device (user and system time
// over wall time, one core = 100 %), and the mean and the longest period of
// its live-value reads while it polls (the timer's period is 200 ms; the
// adapter box on the same port is polled beside them).
// Goals: first probe under 300 ms; idle polling under 3 %; live reads every
// 200 ms, on average under 400 ms and never more than 600 ms apart.

#include "common/BenchSim.h"
#include "mainwindow/ProgramRun.h"

#include <benchmark/benchmark.h>


#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

using startup::ProgramRun;

namespace {

// User plus system time of a process in seconds, from /proc.
double cpuSeconds(qint64 pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

double msSince(sim::Clock::time_point start, sim::Clock::time_point at)
{
    return std::chrono::duration<double, std::milli>(at - start).count();
}

void BM_ProgramStartup(benchmark::State &state)
{
    if (!ProgramRun::ProgramExists()) {
        state.SkipWithError("the program is not built beside the benchmark");
        return;
    }
    double firstProbe = 0, firstLive = 0, cpuShare = 0, livePeriod = 0, longestPeriod = 0;
    int runs = 0;
    for (auto _ : state) {
        ProgramRun run;
        run.Device->Server.setPaced(true);
        if (!run.Start()) {
            state.SkipWithError("the program did not start");
            return;
        }
        if (!run.WaitForFrames([](const auto &f) { return startup::LiveReads(f) >= 3; }, 20000)) {
            state.SkipWithError("the program did not poll the device");
            return;
        }
        const auto frames = run.Device->Server.log().frames();
        firstProbe += msSince(run.StartedAt, frames.front().at);
        for (const auto &f : frames)
            if (f.bytes.size() >= 2 && f.bytes[0] == 0xC0 && f.bytes[1] == 0x0B) {
                firstLive += msSince(run.StartedAt, f.at);
                break;
            }
        // Idle polling: the readings page, nothing else happening.
        const double cpu0 = cpuSeconds(run.Process.processId());
        const auto t0 = std::chrono::steady_clock::now();
        run.WaitForFrames([](const auto &) { return false; }, 3000);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpuShare += 100.0 * (cpuSeconds(run.Process.processId()) - cpu0) / wall;
        std::vector<sim::Clock::time_point> live;
        for (const auto &f : run.Device->Server.log().frames())
            if (f.bytes.size() >= 2 && f.bytes[0] == 0xC0 && f.bytes[1] == 0x0B)
                live.push_back(f.at);
        if (live.size() >= 2)
            livePeriod += msSince(live.front(), live.back()) / double(live.size() - 1);
        for (size_t i = 1; i < live.size(); ++i)
            longestPeriod = std::max(longestPeriod, msSince(live[i - 1], live[i]));
        run.Process.terminate();
        run.Process.waitForFinished(10000);
        ++runs;
    }
    if (runs > 0) {
        state.counters["first_probe_ms"] = firstProbe / runs;
        state.counters["first_live_read_ms"] = firstLive / runs;
        state.counters["idle_cpu_percent"] = cpuShare / runs;
        state.counters["live_period_ms"] = livePeriod / runs;
        state.counters["longest_live_period_ms"] = longestPeriod;
    }
}

// A live-value read of the readings page: 0x0B, or 0x05 for kind 20.
bool IsLiveRead(const sim::ReceivedFrame &f)
{
    return f.bytes.size() >= 2 && f.bytes[0] == 0xC0 && (f.bytes[1] == 0x0B || f.bytes[1] == 0x05);
}

// The real program started against a controller of kind K (20 or 48) with
// no adapter box on the line (B = 0) or a box answering (B = 1): the time
// from the program's start to its first live-value read, which the first
// tick after the main window is shown sends ("first_live_read_ms"), and the
// box's presence queries C2 01 sent before it ("presence_queries"), the
// longest and the mean time between two of them ("presence_gap_max_ms",
// "presence_gap_mean_ms").
void BM_ProgramStartupNoBox(benchmark::State &state)
{
    if (!ProgramRun::ProgramExists()) {
        state.SkipWithError("the program is not built beside the benchmark");
        return;
    }
    const auto kind = uint8_t(state.range(0));
    const bool box = state.range(1) == 1;
    double firstLive = 0;
    bench::PresenceQueries queries;
    int runs = 0;
    for (auto _ : state) {
        ProgramRun run;
        run.Device.reset();
        run.Device = std::make_unique<startup::SimDevice>(run.PortsDir, 1, kind, kind == 20 ? 'E' : 'I');
        run.Device->Server.setPaced(true);
        run.Device->Server.withLock([&] { run.Device->Adapter.State.Silent = !box; });
        if (!run.Start()) {
            state.SkipWithError("the program did not start");
            return;
        }
        if (!run.WaitForFrames([](const auto &frames) { return std::any_of(frames.begin(), frames.end(), IsLiveRead); },
                               20000)) {
            state.SkipWithError("the program did not poll the device");
            return;
        }
        std::vector<sim::Clock::time_point> presence;
        for (const auto &f : run.Device->Server.log().frames()) {
            if (IsLiveRead(f)) {
                firstLive += msSince(run.StartedAt, f.at);
                break;
            }
            if (bench::PresenceQueries::Is(f.bytes))
                presence.push_back(f.at);
        }
        queries.AddRun(presence);
        run.Process.terminate();
        run.Process.waitForFinished(10000);
        ++runs;
    }
    if (runs > 0) {
        state.counters["first_live_read_ms"] = firstLive / runs;
        queries.Report(state, runs);
    }
}

BENCHMARK(BM_ProgramStartup)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgramStartupNoBox)
    ->ArgNames({"kind", "box"})
    ->ArgsProduct({{20, 48}, {0, 1}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
