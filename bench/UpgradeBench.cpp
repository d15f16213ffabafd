// The upgrade against the simulated controller and its bootloader paced at
// 9600 baud.
// - Streaming a whole upgrade file: "over_wire_time" is the time taken over
//   the wire time of the bytes exchanged (39 out and 4 back per record, 960
//   bytes per second); "max_stall_ms" is the longest gap between two runs of
//   a 1 ms timer of the window's event loop while the records go out. The
//   silent-record case programs until a record the device does not answer
//   and measures the same gap while its reply is awaited.
// - The "Update firmware" click of the upgrade window with the device in its
//   bootloader (after "Open file"): "max_stall_ms" is the same gap from the
//   click until the window asks "Program the device?".
// Goal for every stall: below 100 ms.
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/FormUpgrader.h"
#include "upgrade/UpgradeFiles.h"
#include "upgrade/UpgraderLogic.h"

#include "common/BenchSim.h"
#include "core/ComMultiPort.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "sim/SimServer.h"
#include "sim/SimUpgradeTarget.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

// The controller with its bootloader on a paced port, the upgrade's objects
// and an upgrade file of recordCount records.
struct UpgradeRig {
    QTemporaryDir tmp;
    sim::SimServer server;
    sim::SimUpgradeTarget target;
    TComMultiPort port;
    TCommon common;
    TBootloaderConfig config;
    TBootloader40Manager manager;
    TUpgraderLogic logic;
    QString file;

    bool Start(benchmark::State &state, bool applicationRunning, int recordCount)
    {
        qputenv("PORTS_DIR", QFile::encodeName(tmp.filePath(QStringLiteral("ports"))));
        sim::SimUpgradeTarget::MakeController(target);
        target.App.Running = applicationRunning;
        target.Install(server);
        if (!bench::OpenPacedPort(state, server, tmp.filePath(QStringLiteral("ports")), port))
            return false;
        Common = &common;
        BootloaderConfig = &config;
        Bootloader40Manager = &manager;
        UpgraderLogic = &logic;
        logic.SetConnection(&port, nullptr);
        file = tmp.filePath(QStringLiteral("fw.up3"));
        TBootloaderTaronQ3X params;
        upgradefiles::Write(file, upgradefiles::Make(params, recordCount * UpgradeRecordLength, 0x21));
        return true;
    }
    ~UpgradeRig()
    {
        TCommon::SetAnswerProvider(nullptr);
        UpgraderLogic = nullptr;
        Bootloader40Manager = nullptr;
        BootloaderConfig = nullptr;
        Common = nullptr;
        port.Close();
        server.stop();
        qunsetenv("PORTS_DIR");
    }
};

void ProgramFile(benchmark::State &state, int silentRecord)
{
    UpgradeRig rig;
    if (!rig.Start(state, false, static_cast<int>(state.range(0))))
        return;
    rig.manager.Wait = [](int) {};
    if (!rig.manager.ConnectBootloader() || !rig.logic.CheckUpgradeFile(rig.file, nullptr, nullptr)) {
        state.SkipWithError("bootloader or file refused");
        return;
    }
    bench::StallWatch stall;
    double seconds = 0;
    int64_t failures = 0;
    for (auto _ : state) {
        if (silentRecord >= 0)
            rig.server.withLock([&] {
                // As after an erase: the fault counts records from here.
                rig.target.Boot.State.Flash.clear();
                rig.target.Boot.State.FlashOpen = true;
                rig.target.Boot.State.SilentAtRecord = silentRecord;
            });
        rig.manager.InitProgramming();
        stall.Start();
        const auto t0 = std::chrono::steady_clock::now();
        if (!rig.logic.ProgramFile(rig.file, nullptr, [](int) {}))
            ++failures;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        stall.Stop();
    }
    const double wire = static_cast<double>(state.range(0)) * (39.0 + 4.0) / 960.0;
    state.counters["over_wire_time"] = seconds / static_cast<double>(state.iterations()) / wire;
    state.counters["max_stall_ms"] = stall.LongestMs();
    // A silent record fails its run by design.
    state.counters["failures"] = static_cast<double>(silentRecord >= 0 ? 0 : failures);
}

void BM_ProgramFileAt9600(benchmark::State &state)
{
    ProgramFile(state, -1);
}

void BM_SilentRecordStall(benchmark::State &state)
{
    ProgramFile(state, 10);
}

void BM_UpdateClickStall(benchmark::State &state)
{
    UpgradeRig rig;
    if (!rig.Start(state, true, 20))
        return;
    bench::StallWatch stall;
    bool asked = false;
    // The question ends the measure; No sends the device back to its program.
    TCommon::SetAnswerProvider([&](const TMessageBoxInfo &box) {
        if (!box.Buttons.contains(mrNo))
            return box.Buttons.value(0);
        stall.Stop();
        asked = true;
        return int(mrNo);
    });
    TFormUpgrader form;
    // As the launch does: the window and the logic on the program's port.
    form.ComMultiPort = &rig.port;
    rig.logic.SetConnection(&rig.port, nullptr);
    form.OnConnect = [] {};
    form.ChooseFile = [&rig](const QString &) { return rig.file; };
    form.CheckConnection();
    form.BtBConnectClick();
    for (auto _ : state) {
        state.PauseTiming();
        // "Open file" leaves the device in its bootloader with a file chosen.
        form.BtnLoadDataClick();
        state.ResumeTiming();
        if (!form.BtnUpdate->isEnabled()) {
            state.SkipWithError("the window did not take the file");
            return;
        }
        asked = false;
        stall.Start();
        form.BtnUpdate->click();
        if (!asked) {
            state.SkipWithError("the window did not ask");
            return;
        }
    }
    state.counters["max_stall_ms"] = stall.LongestMs();
}

} // namespace

BENCHMARK(BM_SilentRecordStall)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ProgramFileAt9600)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_UpdateClickStall)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
