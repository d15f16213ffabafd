// Streaming a whole upgrade file to the simulated controller bootloader paced
// at 9600 baud. "over_wire_time" is the time taken over the wire time of the
// bytes exchanged (39 out and 4 back per record, 960 bytes per second);
// "max_stall_ms" is the longest gap between two runs of a 1 ms timer of the
// window's event loop while the records go out. The silent-record case
// programs until a record the device does not answer and measures the same
// gap while its reply is awaited (goal: below 100 ms).
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/UpgradeFiles.h"
#include "upgrade/UpgraderLogic.h"

#include "core/ComMultiPort.h"
#include "core/ui/Common.h"
#include "sim/SimServer.h"
#include "sim/SimUpgradeTarget.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

void ProgramFile(benchmark::State &state, int silentRecord)
{
    const int recordCount = static_cast<int>(state.range(0));
    QTemporaryDir tmp;
    const QString portsDir = tmp.filePath(QStringLiteral("ports"));
    qputenv("PORTS_DIR", QFile::encodeName(portsDir));
    sim::SimServer server;
    sim::SimUpgradeTarget target;
    sim::SimUpgradeTarget::MakeController(target);
    target.App.Running = false;
    target.Install(server);
    server.setPaced(true);
    if (!server.start() || !server.linkAs(portsDir.toStdString(), 1)) {
        state.SkipWithError("simulator did not start");
        return;
    }
    TComMultiPort port;
    ApplyProgramPortSettings(port);
    port.SetComDevice(1);
    port.Open();
    TCommon common;
    Common = &common;
    TBootloaderConfig config;
    TBootloader40Manager manager;
    TUpgraderLogic logic;
    BootloaderConfig = &config;
    Bootloader40Manager = &manager;
    UpgraderLogic = &logic;
    manager.Wait = [](int) {};
    logic.SetConnection(&port, nullptr);
    const QString file = tmp.filePath(QStringLiteral("fw.up3"));
    TBootloaderTaronQ3X params;
    const QByteArray data = upgradefiles::Make(params, recordCount * UpgradeRecordLength, 0x21);
    upgradefiles::Write(file, data);
    if (!manager.ConnectBootloader() || !logic.CheckUpgradeFile(file, nullptr, nullptr)) {
        state.SkipWithError("bootloader or file refused");
        return;
    }

    QElapsedTimer clock;
    qint64 last = 0, maxStall = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        maxStall = std::max(maxStall, now - last);
        last = now;
    });
    double seconds = 0;
    int64_t failures = 0;
    for (auto _ : state) {
        if (silentRecord >= 0)
            server.withLock([&] {
                // As after an erase: the fault counts records from here.
                target.Boot.State.Flash.clear();
                target.Boot.State.FlashOpen = true;
                target.Boot.State.SilentAtRecord = silentRecord;
            });
        manager.InitProgramming();
        clock.start();
        last = 0;
        tick.start();
        const auto t0 = std::chrono::steady_clock::now();
        if (!logic.ProgramFile(file, nullptr, [](int) {}))
            ++failures;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        tick.stop();
    }
    const double wire = recordCount * (39.0 + 4.0) / 960.0;
    state.counters["over_wire_time"] = seconds / static_cast<double>(state.iterations()) / wire;
    state.counters["max_stall_ms"] = static_cast<double>(maxStall);
    // A silent record fails its run by design.
    state.counters["failures"] = static_cast<double>(silentRecord >= 0 ? 0 : failures);
    UpgraderLogic = nullptr;
    Bootloader40Manager = nullptr;
    BootloaderConfig = nullptr;
    Common = nullptr;
    port.Close();
    server.stop();
    qunsetenv("PORTS_DIR");
}

void BM_ProgramFileAt9600(benchmark::State &state)
{
    ProgramFile(state, -1);
}

void BM_SilentRecordStall(benchmark::State &state)
{
    ProgramFile(state, 10);
}

} // namespace

BENCHMARK(BM_SilentRecordStall)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ProgramFileAt9600)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
