// One refresh of the measurement page as the main tick does it: the live
// readings and the status bar, with the window shown on the offscreen
// platform. BM_Refresh* time the refresh of the controls (their painting is
// done between iterations, untimed); BM_RefreshAndPaint* also time the paint
// of everything that changed, which the connection panel's update forces. The record alternates
// between two engine states so that every display changes on every refresh.
// The reads the refresh makes itself (parameter 24, and the MAX masks on
// devices without the extended live group) go to the simulated controller
// over a pseudo-terminal, unpaced.

#include "common/BenchSim.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "mainwindow/shell/FormMain.h"
#include "sim/SimControllerFixture.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTabWidget>

#include <memory>

using namespace sim;

namespace {

void SetEngineState(bool second)
{
    auto &r = DeviceRecord;
    r.GasPressureRaw = second ? 150 : 160;
    r.ManifoldPressureRaw = second ? 60 : 210;
    r.ReducerTempRaw = second ? 67 : 120;
    r.GasTempRaw = second ? 100 : 200;
    r.SupplyVoltageRaw = second ? 131 : 150;
    r.LambdaRaw = second ? 20 : 40;
    r.LevelRaw = second ? 40 : 220;
    r.RpmPeriod = second ? 28050 : 11220;
    r.GasSwitchState = second ? 5 : 4;
    for (int i = 0; i < TDeviceRecord::ChannelCount; ++i) {
        r.PetrolTime[i] = second ? 500 + 10 * i : 1200 - 10 * i;
        r.GasTime[i] = second ? 600 + 10 * i : 1400 - 10 * i;
    }
}

void RefreshMeasurementPage(benchmark::State &state, uint8_t kind, char version, bool timePaint)
{
    auto rig = bench::MakeRig(state, kind, version);
    if (!rig || !bench::ConnectRig(state, *rig))
        return;
    auto &r = DeviceRecord;
    r.InjSW = 4;
    r.InjectorMask = 0x0F;
    r.LambdaType = 1;
    r.ReserveType = 1;
    r.PW0 = 200, r.PW1 = 150, r.PW2 = 100, r.PW3 = 50;

    TCustomParameters parameters;
    parameters.Init(TCustomParameters::Edition);
    TCustomParameters *saved = CustomParameters;
    CustomParameters = &parameters;
    {
        TFormMain window;
        window.RegisterReadingColors();
        window.findChild<QTabWidget *>(QStringLiteral("PgCMain"))
            ->setCurrentWidget(window.findChild<QWidget *>(QStringLiteral("TbSMeasure")));
        window.show();
        QCoreApplication::processEvents();

        bool second = false;
        for (auto _ : state) {
            SetEngineState(second);
            second = !second;
            window.UpdateLiveReadings();
            window.PnlStatusGazSwitchUpdate();
            window.PnlStatusDeviceInfoUpdate();
            window.GrBQSSoftVersionsUpdate();
            if (!timePaint) {
                state.PauseTiming();
                QCoreApplication::sendPostedEvents(&window, QEvent::UpdateRequest);
                state.ResumeTiming();
            }
            window.PnlStatusConnectedUpdate(false); // paints what changed
        }
    }
    CustomParameters = saved;
}

void BM_RefreshKind48G(benchmark::State &state)
{
    RefreshMeasurementPage(state, 48, 'G', false);
}

void BM_RefreshKind20(benchmark::State &state)
{
    RefreshMeasurementPage(state, 20, 'E', false);
}

void BM_RefreshAndPaintKind48G(benchmark::State &state)
{
    RefreshMeasurementPage(state, 48, 'G', true);
}

void BM_RefreshAndPaintKind20(benchmark::State &state)
{
    RefreshMeasurementPage(state, 20, 'E', true);
}

} // namespace

BENCHMARK(BM_RefreshKind48G)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshKind20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshAndPaintKind48G)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshAndPaintKind20)->Unit(benchmark::kMillisecond);
