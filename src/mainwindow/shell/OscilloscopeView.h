// Drawing of the recorder's four graphs straight from its ring buffers: the
// background column of every position (green while on gas) and each trace as
// one polyline, so a redraw costs the same at any zoom.
#pragma once

#include <QColor>

#include <array>

class QPainter;
class TOscilloscope;

class TOscilloscopeView
{
public:
    // A selectable trace of the RPM graph: its choice index and colour.
    struct TChoice {
        int Index = -1;
        QColor Color;
    };
    using TChoices = std::array<TChoice, 2>;

    static const QColor GasColumn;
    static const QColor PetrolColumn;
    // Pen colour of a main trace (0..8).
    static QColor MainColor(int slot);

    // Paints graph 0..3 (times, pressures, temperatures, RPM) of the given
    // size.
    static void Paint(QPainter &painter, const TOscilloscope &osc, int graph, int width, int height,
                      const TChoices &choices);
};
