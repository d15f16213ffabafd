#include "mainwindow/shell/OscilloscopeView.h"

#include "mainwindow/shell/Oscilloscope.h"

#include <QPainter>

const QColor TOscilloscopeView::GasColumn(221, 255, 221);
const QColor TOscilloscopeView::PetrolColumn(255, 255, 255);

QColor TOscilloscopeView::MainColor(int slot)
{
    switch (slot) {
    case 0: return QColor(255, 0, 0);
    case 1: return QColor(0, 128, 0);
    case 2: return QColor(0, 128, 128);
    case 3: return QColor(128, 0, 128);
    case 4: return QColor(255, 0, 255);
    case 5: return QColor(0, 0, 255);
    case 6: return QColor(0, 0, 128);
    default: return QColor(0, 0, 0);
    }
}

void TOscilloscopeView::Paint(QPainter &painter, const TOscilloscope &osc, int graph, int width,
                              int height, const TChoices &choices)
{
    // Background: runs of columns of one colour as one rectangle each.
    const int columns = std::min(width, osc.Width());
    int x = 0;
    while (x < columns) {
        const bool gas = osc.At(x)->GasFlag != 0;
        int end = x + 1;
        while (end < columns && (osc.At(end)->GasFlag != 0) == gas)
            ++end;
        painter.fillRect(x, 0, end - x, height, gas ? GasColumn : PetrolColumn);
        x = end;
    }
    if (columns < width)
        painter.fillRect(columns, 0, width - columns, height, PetrolColumn);

    auto trace = [&](int index, const QColor &colour) {
        const auto &points = osc.Points(index);
        if (points.empty())
            return;
        painter.setPen(QPen(colour, 0));
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    };
    for (int slot = 0; slot <= 6; ++slot)
        if (TOscilloscope::GraphOfMain(slot) == graph)
            trace(slot, MainColor(slot));
    if (graph == 3)
        for (const TChoice &c : choices)
            if (const int index = TOscilloscope::TraceOfChoice(c.Index); index >= 0)
                trace(index, c.Color);
}
