// Set-up shared by the benchmarks that run against the simulator: each helper
// skips the benchmark with the reason when the simulator cannot serve it.
#pragma once

#include "core/ComMultiPort.h"
#include "sim/SimAdapter.h"
#include "sim/SimControllerFixture.h"
#include "sim/SimServer.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace bench {

// The box's presence queries (C2 01) of a run: how many, and the longest and
// the summed time between two of them, added up over the runs.
struct PresenceQueries
{
    double Count = 0, GapMaxMs = 0, GapSumMs = 0, Gaps = 0;
    static bool Is(const std::vector<uint8_t> &bytes) { return bytes.size() >= 2 && bytes[0] == 0xC2 && bytes[1] == 0x01; }
    void AddRun(const std::vector<sim::Clock::time_point> &at)
    {
        Count += double(at.size());
        for (size_t i = 1; i < at.size(); ++i) {
            const double gap = std::chrono::duration<double, std::milli>(at[i] - at[i - 1]).count();
            GapMaxMs = std::max(GapMaxMs, gap);
            GapSumMs += gap;
            ++Gaps;
        }
    }
    void Report(benchmark::State &state, double runs) const
    {
        state.counters["presence_queries"] = Count / runs;
        state.counters["presence_gap_max_ms"] = GapMaxMs;
        state.counters["presence_gap_mean_ms"] = Gaps > 0 ? GapSumMs / Gaps : 0;
    }
};

// A box connected to the car over CAN, whose car supports and allows the
// usual PIDs (the narrow-band oxygen sensors included).
inline void ConnectedCar(sim::SimAdapterState &s)
{
    s.Obd.Config[0] = 0x04;
    s.Obd.State[4] = 4;
    s.Obd.State[8] = 4;
    s.Obd.Supported = {0x3F, 0xFF, 0xCC, 0xCC, 0, 0, 0, 0};
    s.Obd.Allowed = {0x3F, 0xFF, 0xCC, 0xCC, 0, 0, 0, 0};
}

// The simulated controller's rig; null when it cannot be set up.
inline std::unique_ptr<sim::SimControllerRig> MakeRig(benchmark::State &state, uint8_t kind, char version)
{
    try {
        return std::make_unique<sim::SimControllerRig>(kind, version);
    } catch (const std::exception &e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
}

// Connects the program to the rig's controller; false when it does not answer.
inline bool ConnectRig(benchmark::State &state, sim::SimControllerRig &rig)
{
    if (rig.Connect())
        return true;
    state.SkipWithError("the simulated controller did not answer");
    return false;
}

// Starts the server paced at 9600 baud as port 1 of the folder and opens the
// program's port on it with the program's settings; false when the server
// does not start.
inline bool OpenPacedPort(benchmark::State &state, sim::SimServer &server, const QString &portsDir,
                          TComMultiPort &port)
{
    server.setPaced(true);
    if (!server.start() || !server.linkAs(portsDir.toStdString(), 1)) {
        state.SkipWithError("simulator did not start");
        return false;
    }
    ApplyProgramPortSettings(port);
    port.SetComDevice(1);
    port.Open();
    return true;
}

// Runs the exchange once an iteration against the rig's controller and
// reports the time it took over the wire time of the frames it exchanged
// ("over_wire", 1.0 is the physical limit) and, when asked, the requests of
// one run ("requests"). An exchange that fails skips the benchmark with the
// reason (read when it fails, so the exchange may fill it in).
template <typename Op>
void TimeOverWire(benchmark::State &state, sim::SimControllerRig &rig, const std::string &failure, Op op,
                  bool countRequests = false)
{
    double elapsed = 0, wire = 0;
    size_t frames = 0;
    for (auto _ : state) {
        rig.Server.log().clear();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = op();
        elapsed += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        wire += sim::SimController::WireSeconds(rig.Requests());
        frames = rig.Requests().size();
        if (!ok) {
            state.SkipWithError(failure.c_str());
            return;
        }
    }
    state.counters["over_wire"] = wire > 0 ? elapsed / wire : 0;
    if (countRequests)
        state.counters["requests"] = static_cast<double>(frames);
}

// The longest time the event loop went without serving a 1 ms timer while it
// ran: from Start to Stop, the gaps between two runs of the timer, the first
// counted from Start and the last up to Stop.
class StallWatch
{
public:
    StallWatch()
    {
        FTick.setInterval(1);
        QObject::connect(&FTick, &QTimer::timeout, [this] { mark(); });
    }
    void Start()
    {
        FClock.start();
        FLast = 0;
        FTick.start();
    }
    void Stop()
    {
        mark();
        FTick.stop();
    }
    double LongestMs() const { return static_cast<double>(FLongest); }

private:
    void mark()
    {
        const qint64 now = FClock.elapsed();
        FLongest = std::max(FLongest, now - FLast);
        FLast = now;
    }
    QTimer FTick;
    QElapsedTimer FClock;
    qint64 FLast = 0, FLongest = 0;
};

} // namespace bench
