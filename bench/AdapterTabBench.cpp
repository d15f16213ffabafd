// What an adapter box that is absent or silent costs the main window, against
// the simulated controller and box on one pseudo-terminal paced at 9600 baud,
// with the windows wired as the program wires them and every wait the port's
// own. Ticks are the main window's own timer step, run one every 200 ms (the
// timer's period; a tick that takes longer is followed by the next at once),
// the event loop running in between. Run by hand.
//
// BM_AdapterTabTicks/obd:O/silent:S: the user opens the Adapter tab (F7),
// on its INFO sub-page (O = 0) or its OBD sub-page (O = 1), with no box from
// the start (S = 0) or with a box that answers and goes silent once the tab
// has been shown for five ticks (S = 1); then 20 ticks on the tab ("tab_"),
// then the readings page (F2) and 20 ticks there ("readings_"), the
// program's own first tick run before all of them; with the silent box,
// then the tab entered again (F7) and 10 ticks there
// ("reentry_tab_"). For each series: the longest tick ("worst_tick_ms"), the
// ticks over the timer's 200 ms ("long_ticks"), the mean tick
// ("mean_tick_ms"), the frames to the box per 10 s of the timer's time, i.e.
// per 50 ticks ("box_req_per_10s"), the frames to the box of the whole series
// ("box_requests"), the last tick of the series that sent one
// ("last_asking_tick", 0: none) and the time from the series' start to that
// tick's end ("last_asking_ms": with the silent box, how long it took to be
// given up). "entry_ms" and "entry_box_requests" ("reentry_ms",
// "reentry_box_requests"): what opening the tab itself cost.
// BENCH_SHOW_TICKS=1 lists each tick's time and frames to the box.
//
// BM_StartupNoBox/kind:K/box:B: the main window created, the adapter
// start-up run and the window shown as the program's main block does it, for
// a controller of kind 20 or 48, with no box (B = 0) or a box answering
// (B = 1): the time to the window shown ("shown_ms"), the box's presence
// queries C2 01 sent meanwhile ("presence_queries"), the longest and the
// mean time between two of them ("presence_gap_max_ms", "presence_gap_mean_ms")
// and all frames to the box ("box_requests").
#include "adapter/ObdWindowRig.h"

#include <QAction>

#include "common/BenchSim.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

constexpr int SeriesTicks = 20;
constexpr int ReentryTicks = 10;
constexpr double TimerPeriodMs = 200;

using bench::ConnectedCar;

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Frames to the box so far: its program's (C2) and its bootloader's (E2).
size_t BoxFrames(const obdtest::ObdProgram &p)
{
    size_t n = 0;
    for (const auto &f : p.Device.Server.log().frames())
        n += !f.bytes.empty() && (f.bytes[0] == 0xC2 || f.bytes[0] == 0xE2);
    return n;
}

// The user's menu command (the action its function key triggers).
bool Trigger(obdtest::ObdProgram &p, const char *action)
{
    auto *a = shellwiring::Get<QAction>(*p.Rig.Form, action);
    if (!a)
        return false;
    a->trigger();
    QCoreApplication::processEvents();
    return true;
}

struct Series
{
    double WorstMs = 0, TotalMs = 0, LastAskingMs = 0;
    int LongTicks = 0;
    size_t BoxRequests = 0;
    int LastAskingTick = 0;
};

// Ticks of the main timer one period apart, the event loop running between
// them; the frames to the box are counted from the first tick's start to
// the end of the period after the last.
Series RunTicks(obdtest::ObdProgram &p, int ticks)
{
    Series s;
    p.ClearLog();
    const auto series = std::chrono::steady_clock::now();
    for (int i = 1; i <= ticks; ++i) {
        const size_t before = BoxFrames(p);
        const auto start = std::chrono::steady_clock::now();
        p.Tick();
        const double ms = msSince(start);
        s.WorstMs = std::max(s.WorstMs, ms);
        s.TotalMs += ms;
        s.LongTicks += ms > TimerPeriodMs;
        const double endOfTick = msSince(series);
        QCoreApplication::processEvents();
        startup::StartupRig::Run(int(std::max(0.0, TimerPeriodMs - msSince(start))));
        const size_t after = BoxFrames(p);
        if (after > before) {
            s.LastAskingTick = i;
            s.LastAskingMs = endOfTick;
        }
        s.BoxRequests = after;
        if (qEnvironmentVariableIsSet("BENCH_SHOW_TICKS"))
            fprintf(stderr, "tick %2d: %7.1f ms, %zu box frames\n", i, ms, after - before);
    }
    return s;
}

void Report(benchmark::State &state, const char *prefix, const Series &s, int ticks)
{
    const std::string p(prefix);
    state.counters[p + "worst_tick_ms"] = s.WorstMs;
    state.counters[p + "mean_tick_ms"] = s.TotalMs / ticks;
    state.counters[p + "long_ticks"] = s.LongTicks;
    state.counters[p + "box_requests"] = double(s.BoxRequests);
    state.counters[p + "box_req_per_10s"] = double(s.BoxRequests) * 10000.0 / (ticks * TimerPeriodMs);
    state.counters[p + "last_asking_tick"] = s.LastAskingTick;
    state.counters[p + "last_asking_ms"] = s.LastAskingMs;
}

// F7, then the sub-page's tab: false (the benchmark skipped) when the
// sub-page is not the one shown. Reports the entry's time and frames to the
// box.
bool EnterTab(benchmark::State &state, obdtest::ObdProgram &p, bool obd, const std::string &prefix)
{
    p.ClearLog();
    const auto entered = std::chrono::steady_clock::now();
    if (!Trigger(p, "MnIWindowAdapter")) {
        state.SkipWithError("no Adapter command in the window");
        return false;
    }
    if (obd)
        shellwiring::ClickTab(*p.Rig.Form, "TbSAdapterMultiOBD");
    QCoreApplication::processEvents();
    state.counters[prefix + "ms"] = msSince(entered);
    state.counters[prefix + "box_requests"] = double(BoxFrames(p));
    const char *expected = obd ? "TbSAdapterMultiOBD" : "TbSAdapterMultiInfo";
    if (shellwiring::Current(*p.Rig.Form, "PgCMain") != QLatin1String("TbSAdapter")
        || shellwiring::Current(*p.Rig.Form, "PgCAdapterMain") != QLatin1String(expected)) {
        state.SkipWithError("the Adapter tab's sub-page could not be opened");
        return false;
    }
    return true;
}

void BM_AdapterTabTicks(benchmark::State &state)
{
    const bool obd = state.range(0) == 1;
    const bool goesSilent = state.range(1) == 1;
    for (auto _ : state) {
        obdtest::ObdProgram p([goesSilent](sim::SimAdapterState &s) {
            ConnectedCar(s);
            s.Silent = !goesSilent;
        });
        p.Device.Server.setPaced(true);
        // Started as the program starts, the window's own waits left as they are.
        p.ProgramWithAdapter::Start();
        // The program's first tick reads what the connect left for it (about
        // a second of the controller's traffic on every page): it is no
        // tick of any one page, so it runs before the series.
        RunTicks(p, 1);
        if (goesSilent) {
            RunTicks(p, 10);
            if (!(Manager && Manager->IsActive())) {
                state.SkipWithError("the simulated box did not answer");
                return;
            }
        }
        if (!EnterTab(state, p, obd, "entry_"))
            return;
        if (goesSilent) {
            RunTicks(p, 5);
            p.Box([](sim::SimAdapterState &s) { s.Silent = true; });
        }
        Report(state, "tab_", RunTicks(p, SeriesTicks), SeriesTicks);
        // F2: the readings page.
        if (!Trigger(p, "MnIWindowMeasure")
            || shellwiring::Current(*p.Rig.Form, "PgCMain") != QLatin1String("TbSMeasure")) {
            state.SkipWithError("the readings page could not be opened");
            return;
        }
        Report(state, "readings_", RunTicks(p, SeriesTicks), SeriesTicks);
        // The silent box's tab entered again.
        if (goesSilent) {
            if (!EnterTab(state, p, obd, "reentry_"))
                return;
            Report(state, "reentry_tab_", RunTicks(p, ReentryTicks), ReentryTicks);
        }
    }
}

void BM_StartupNoBox(benchmark::State &state)
{
    const auto kind = uint8_t(state.range(0));
    const bool box = state.range(1) == 1;
    double shownMs = 0, boxRequests = 0;
    bench::PresenceQueries queries;
    for (auto _ : state) {
        obdtest::ObdProgram p([box](sim::SimAdapterState &s) { s.Silent = !box; }, kind, kind == 20 ? 'E' : 'I');
        p.Device.Server.setPaced(true);
        p.ClearLog();
        const auto start = std::chrono::steady_clock::now();
        p.ProgramWithAdapter::Start();
        shownMs += msSince(start);
        std::vector<sim::Clock::time_point> presence;
        for (const auto &f : p.Device.Server.log().frames())
            if (bench::PresenceQueries::Is(f.bytes))
                presence.push_back(f.at);
        queries.AddRun(presence);
        boxRequests += double(BoxFrames(p));
    }
    const double n = double(state.iterations());
    state.counters["shown_ms"] = shownMs / n;
    queries.Report(state, n);
    state.counters["box_requests"] = boxRequests / n;
}

} // namespace

BENCHMARK(BM_AdapterTabTicks)
    ->ArgNames({"obd", "silent"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_StartupNoBox)
    ->ArgNames({"kind", "box"})
    ->ArgsProduct({{20, 48}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
