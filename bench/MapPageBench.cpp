// The map page: a redraw of the largest point tables (127 petrol and 127 gas
// points, the 40-cell map with its minima and maxima) on both map charts,
// painted offscreen, goal under 20 ms; and reading all map rows from the
// simulated controller paced at 9600 baud, reported as the counter
// "over_wire" (time over the wire time of the bytes exchanged), goal under
// 1.05.

#include "common/BenchSim.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "mainwindow/configuration/MapPage.h"
#include "mainwindow/shell/FormMain.h"
#include "sim/SimControllerFixture.h"

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QPixmap>
#include <QtCharts/QChartView>

#include <chrono>

using namespace sim;

namespace {

void BM_MapRedraw(benchmark::State &state)
{
    TDataManager manager;
    TDataManager *saved = DataManager;
    DataManager = &manager;
    TFormMain form;
    TMapPage *page = TMapPage::Install(form);
    form.resize(800, 600);
    form.show();
    for (int i = 0; i < TDeviceRecord::RecordingSize; ++i) {
        DeviceRecord.Recording1[i] = {0.2 + 0.007 * i, 2.0 + 0.15 * i, quint8(i % 8)};
        DeviceRecord.Recording2[i] = {0.22 + 0.007 * i, 2.2 + 0.15 * i, quint8((i + 3) % 8)};
    }
    for (int k = 0; k < TDeviceRecord::MapRowCount; ++k)
        for (int w = 0; w < 3; ++w)
            DeviceRecord.MapRows[k][w] = DeviceRecord.MapRows2[k][w] = quint16(0x8000 | (300 + 40 * k + 20 * w));
    DeviceRecord.EngineType = 1;
    manager.RecordingCount1 = manager.RecordingCount2 = 127;
    if (auto *details = form.findChild<QAbstractButton *>(QStringLiteral("ChBCalMapDetails")))
        details->setChecked(true);
    QPixmap canvas(page->ChtMapa->size());
    QPixmap canvas2(page->ChtMapa2->size());
    for (auto _ : state) {
        page->DrawMapChart();
        static_cast<QWidget *>(page->ChtMapa)->render(&canvas);
        static_cast<QWidget *>(page->ChtMapa2)->render(&canvas2);
    }
    DataManager = saved;
    DeviceRecord.Clear();
}
BENCHMARK(BM_MapRedraw)->Unit(benchmark::kMillisecond);

void ReadAllRows(benchmark::State &state, uint8_t kind)
{
    SimControllerRig rig(kind, 'G', true);
    rig.Device([](SimControllerState &s) {
        s.RecordingCount1 = s.RecordingCount2 = 127;
        for (int i = 0; i < 128; ++i)
            s.Recording1[i] = s.Recording2[i] = uint16_t((i % 8) << 13 | (5 + i % 20) << 7 | (10 + i % 100));
    });
    if (!bench::ConnectRig(state, rig))
        return;
    bench::TimeOverWire(state, rig, "read failed", [&] {
        const bool ok = kind == 48 ? rig.Manager.ReadRecording2(1.1) && rig.Manager.ReadMapRowsDC()
                                   : rig.Manager.ReadRecording(1.1);
        return ok && rig.Manager.RecordingCount1 == 127;
    });
}

void BM_ReadMapRowsKind20(benchmark::State &state) { ReadAllRows(state, 20); }
void BM_ReadMapRowsKind48(benchmark::State &state) { ReadAllRows(state, 48); }
BENCHMARK(BM_ReadMapRowsKind20)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadMapRowsKind48)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
