// Reducer temperature codes for a warm and a cold engine, found through the
// program's own conversion so that the tests follow its sensor table.
#pragma once

#include "core/UnitConversions.h"

#include <QtGlobal>

namespace testsupport {

// The first reducer temperature code within [low, high) degrees; 0 when none.
inline quint8 ReducerCodeBetween(double low, double high)
{
    for (int raw = 1; raw < 256; ++raw)
        if (RawToTemperature(quint8(raw)) >= low && RawToTemperature(quint8(raw)) < high)
            return quint8(raw);
    return 0;
}
// Warm enough for a measurement or a test (70 to 90 degrees).
inline quint8 WarmReducerCode() { return ReducerCodeBetween(70, 90); }
// Too cold for either (10 to 40 degrees).
inline quint8 ColdReducerCode() { return ReducerCodeBetween(10, 40); }

} // namespace testsupport
