// One tick of the recorder with its ring full: the sample (with its read of
// the test-mode switch from the simulated controller over a pseudo-terminal,
// unpaced), the read-outs, the move on, and the synchronous repaint of the
// four graphs on the shown page (offscreen). BM_TickObdZoomChange makes an OBD
// channel change its zoom on every sample, so that every tick also
// recalculates every pixel of the ring. BM_DrawOnly paints the four graphs
// into an image straight from the ring.

#include "common/BenchSim.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/Oscilloscope.h"
#include "mainwindow/shell/OscilloscopePage.h"
#include "mainwindow/shell/OscilloscopeView.h"
#include "sim/SimControllerFixture.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QTabWidget>
#include <QTimer>

#include <cmath>
#include <memory>

using namespace sim;

namespace {

void SetLive(int i)
{
    auto &r = DeviceRecord;
    r.GasSwitchState = (i / 50) % 2 ? 5 : 3;
    r.GasPressureRaw = uint8_t(120 + 40 * std::sin(i / 15.0));
    r.ManifoldPressureRaw = uint8_t(90 + 50 * std::sin(i / 25.0));
    r.GasTempRaw = uint8_t(100 + i % 50);
    r.ReducerTempRaw = uint8_t(120 + i % 30);
    r.RpmPeriod = uint16_t(11220 + 8000 * std::sin(i / 20.0));
    r.LambdaRaw = uint8_t(i % 40 < 20 ? 10 : 40);
    r.SupplyVoltageRaw = 140;
    r.PetrolTime[0] = quint32(187 * (8 + 6 * std::sin(i / 20.0)));
    r.GasTime[0] = r.PetrolTime[0] + 100;
}

void Tick(benchmark::State &state, bool zoomChange)
{
    auto rig = bench::MakeRig(state, 48, 'I');
    if (!rig || !bench::ConnectRig(state, *rig))
        return;
    DeviceRecord.LambdaType = 1;
    TCustomParameters parameters;
    parameters.Init(TCustomParameters::Edition);
    TCustomParameters *saved = CustomParameters;
    CustomParameters = &parameters;
    {
        TFormMain window;
        window.findChild<QTabWidget *>(QStringLiteral("PgCMain"))
            ->setCurrentWidget(window.findChild<QWidget *>(QStringLiteral("TbSDiagnostic")));
        window.findChild<QTabWidget *>(QStringLiteral("PgCDiagnostyka"))->setCurrentIndex(0);
        window.findChild<QComboBox *>(QStringLiteral("CmbOdcInjDisplay"))->setCurrentIndex(1);
        window.findChild<QComboBox *>(QStringLiteral("CmBDgnWybor1"))->setCurrentIndex(0);
        window.findChild<QComboBox *>(QStringLiteral("CmBDgnWybor2"))->setCurrentIndex(6);
        window.show();
        QCoreApplication::processEvents();
        window.Timerek->stop();
        TOscilloscopePage &page = *window.OscilloscopePage;
        int i = 0;
        page.ObdValue = [&i, zoomChange](int channel) {
            return channel == 4 && zoomChange ? (i % 2 ? 7000.0 : 100.0) : 20.0 * channel;
        };
        page.BtnDgnStartClick();
        window.Timerek->stop();
        // A full ring first.
        for (; i < page.Recorder().RingLength() + 10; ++i) {
            SetLive(i);
            page.Step();
        }
        QWidget *graphs[] = {window.findChild<QWidget *>(QStringLiteral("PntBDgnCzasy")),
                             window.findChild<QWidget *>(QStringLiteral("PntBDgnPressure")),
                             window.findChild<QWidget *>(QStringLiteral("PntBDgnTemp")),
                             window.findChild<QWidget *>(QStringLiteral("PntBDgnRPM"))};
        for (auto _ : state) {
            SetLive(i++);
            page.Step();
            for (QWidget *g : graphs)
                g->repaint();
        }
        page.BtnDgnStartClick();
    }
    CustomParameters = saved;
}

void BM_Tick(benchmark::State &state)
{
    Tick(state, false);
}

void BM_TickObdZoomChange(benchmark::State &state)
{
    Tick(state, true);
}

void BM_DrawOnly(benchmark::State &state)
{
    TOscilloscope osc;
    osc.Resize(457, {96, 96, 96, 96});
    for (int i = 0; i < 454; ++i) {
        TOscSample &s = osc.Current();
        for (size_t k = 0; k < s.Main.size(); ++k)
            s.Main[k] = 10 + 10 * std::sin(i / 10.0 + double(k));
        s.GasFlag = (i / 50) % 2 ? -1 : 0;
        osc.FinishSample(false);
        osc.Advance(false);
    }
    QImage image(457, 96, QImage::Format_ARGB32_Premultiplied);
    const TOscilloscopeView::TChoices choices = {{{0, Qt::black}, {6, Qt::red}}};
    for (auto _ : state) {
        for (int g = 0; g < TOscilloscope::GraphCount; ++g) {
            QPainter painter(&image);
            TOscilloscopeView::Paint(painter, osc, g, image.width(), image.height(), choices);
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

BENCHMARK(BM_Tick)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TickObdZoomChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawOnly)->Unit(benchmark::kMillisecond);
