// Dragging a model-2 point: one mouse move of a drag on the model-2 chart
// (the editor limits the point and moves the marker) and the chart's repaint,
// on the offscreen platform, with a full curve of 20 points and the idle,
// template and reference series drawn. The goal is under 10 ms per move.

#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/shell/FormMain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>

#include <cmath>

namespace {

void Send(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void BM_DragModel2Point(benchmark::State &state)
{
    TFormMain form;
    TModel2Page *page = TModel2Page::Install(form);
    form.show();
    QWidget *host = page->Chart->Host();
    host->resize(int(state.range(0)), int(state.range(1)));
    auto &series = page->Chart->Series;
    for (int k = 0; k < 20; ++k)
        page->Curve().append(QPointF(k * 25.0 / 19, k * 1.3 + 1));
    series[TModel2Chart::sAdapt] = page->Curve();
    series[TModel2Chart::sOrig] = {QPointF(0, 1), QPointF(25, 26)};
    series[TModel2Chart::sIdle] = {QPointF(3, 4.5), QPointF(6, 7.5)};
    const QRect a = page->Chart->PlotArea();
    auto px = [&](double x, double y) {
        return QPoint(int(std::lround(20 + x * a.width() / 25.0)), int(std::lround(a.height() + 3 - y * a.height() / 35.0)));
    };
    const QPointF p = page->Curve()[10];
    Send(host, QEvent::MouseButtonPress, px(p.x(), p.y()), Qt::LeftButton, Qt::LeftButton);
    QPixmap canvas(host->size());
    int step = 0;
    for (auto _ : state) {
        const double dy = (step++ % 20) * 0.3;
        Send(host, QEvent::MouseMove, px(p.x() + 0.3, p.y() + dy), Qt::NoButton, Qt::LeftButton);
        host->render(&canvas);
    }
    Send(host, QEvent::MouseButtonRelease, px(p.x(), p.y()), Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_DragModel2Point)->Args({300, 236})->Args({709, 236})->Unit(benchmark::kMillisecond);

} // namespace
