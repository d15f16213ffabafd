// Map files as the map page reads them: any bytes, plain or scrambled. A file
// that is taken must hold only points the device's point word can carry.
#include "core/MapFile.h"

#include <QByteArray>

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const MapFile::TReadResult r = MapFile::Read(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    if (!r.Ok)
        return 0;
    for (const auto *table : {&r.Petrol, &r.Gas}) {
        if (table->size() > size_t(MapFile::kMaxRows))
            __builtin_trap();
        for (const auto &p : *table)
            if (!(p.Pressure >= 0 && p.Pressure <= MapFile::kMaxLoad) || !(p.Time >= 0 && p.Time <= MapFile::kMaxTime)
                || p.State > MapFile::kMaxBand)
                __builtin_trap();
    }
    return 0;
}
