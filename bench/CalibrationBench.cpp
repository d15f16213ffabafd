// The kind-48 calibration window's auto-calibration against the simulated
// controller paced at 9600 baud, driven by the main timer's ticks as the
// program drives it: the longest tick while the run goes on
// ("longest_tick_ms"; each tick reads the run's state once, so the window
// answers between ticks) and the ticks the run took. Then the configuration
// wizard's working-pressure measurement (Wyznacz) while the device reports
// itself busy for three polls: the longest time the window's event loop went
// without serving a 1 ms timer during it ("max_stall_ms").
// Goals: every tick under 100 ms; no stall of the measurement over 100 ms.
#include "common/BenchSim.h"
#include "core/ui/Custom.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"
#include "mainwindow/configuration/AutoCalibrationPage.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/ConfigurationWizard.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "windows/ConfigurationPagesWiring.h"
#include "windows/FormAutocalibrationInit.h"
#include "windows/FormPicture.h"
#include "windows/FormWorkingPressure.h"
#include "windows/FrmConfigLevelSensor.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/MultiCalAutoPage.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

void BM_AutoCalibrationTicks(benchmark::State &state)
{
    double longest = 0, ticks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        startup::StartupRig rig{5};
        startup::SimDevice device{rig.PortsDir, 5, 48, 'I'};
        device.Server.withLock([&] {
            auto &s = device.Controller.State;
            s.Param16[8] = 468; // idle petrol time 2.5 ms
            s.Model[1] = 1024;  // factor 1.0
            s.Model[2] = 187;   // offset 1.0 ms
            s.Model[11] = 1024;
            s.AutoCalScript = {{3, 0, 1}, {4, 2, 1}, {6, 9, 1}, {8, 17, 1}, {9, 20, 1}};
        });
        rig.Wire = shellwiring::Wire;
        rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
        TFormMain &form = rig.Create();
        form.Timerek->stop();
        rig.Tick();
        TProgramLogic logic;
        logic.Wait = [](int) {};
        ProgramLogic = &logic;
        shellwiring::ClickTab(form, "TbSMultiCalibration");
        device.Server.setPaced(true);
        TMultiCalAutoPage *page = FrmMultiCalibrationTaronQV ? FrmMultiCalibrationTaronQV->Auto : nullptr;
        if (page)
            page->SpBCalAutocalibrationStart->click();
        if (!page || !page->Running) {
            ProgramLogic = nullptr;
            state.SkipWithError(("the auto-calibration did not start: " + rig.BoxTexts().join('|')).toStdString().c_str());
            return;
        }
        state.ResumeTiming();
        for (int i = 0; i < 40 && page->Running; ++i) {
            rig.Now += 200;
            QElapsedTimer t;
            t.start();
            rig.Tick();
            longest = std::max(longest, double(t.nsecsElapsed()) / 1e6);
            ++ticks;
        }
        state.PauseTiming();
        const bool ended = !page->Running;
        ProgramLogic = nullptr;
        if (!ended) {
            state.SkipWithError("the auto-calibration did not end");
            return;
        }
        state.ResumeTiming();
    }
    state.counters["longest_tick_ms"] = longest;
    state.counters["ticks"] = ticks / double(state.iterations());
}

void BM_WorkingPressureMeasurement(benchmark::State &state)
{
    bench::StallWatch stalls;
    double longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        startup::StartupRig rig{5};
        startup::SimDevice device{rig.PortsDir, 5, 48, 'J'};
        TProgramLogic logic;
        TCustom custom;
        Custom = &custom;
        TFrmConfigLevelSensor levelSensor;
        TFormWorkingPressure workingPressure;
        TFormAutocalibrationInit startDialog;
        TFormPicture picture;
        device.Server.withLock([&] {
            auto &s = device.Controller.State;
            s.Value16[34] = 100;
            s.PressureBusyReads = 3;
        });
        rig.Wire = [&logic](TFormMain &f) {
            shellwiring::Wire(f);
            InstallConfigurationPage(f, logic);
            TModel2Page::Install(f);
            TModelPage::Install(f);
            InstallConfigurationWizardPages(f, logic);
        };
        rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
        TFormMain &form = rig.Create();
        FrmConfigLevelSensor = &levelSensor;
        FormWorkingPressure = &workingPressure;
        FormAutocalibrationInit = &startDialog;
        FormPicture = &picture;
        WireConfigurationPagesToWindows(form);
        form.Timerek->stop();
        device.Server.setPaced(true);
        state.ResumeTiming();
        stalls.Start();
        workingPressure.BtnWPWorkPressure->click();
        stalls.Stop();
        state.PauseTiming();
        longest = std::max(longest, stalls.LongestMs());
        size_t workTypes = 0;
        for (const sim::Bytes &f : device.Server.log().bytes())
            workTypes += f.size() > 1 && f[0] == 0xC0 && f[1] == 0x20;
        FrmConfigLevelSensor = nullptr;
        FormWorkingPressure = nullptr;
        FormAutocalibrationInit = nullptr;
        FormPicture = nullptr;
        Custom = nullptr;
        if (workTypes < 2) {
            state.SkipWithError(("the measurement did not run: " + rig.BoxTexts().join('|')).toStdString().c_str());
            return;
        }
        state.ResumeTiming();
    }
    state.counters["max_stall_ms"] = longest;
}

} // namespace

BENCHMARK(BM_WorkingPressureMeasurement)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_AutoCalibrationTicks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
