// Map files as the map page reads them: any bytes, plain or scrambled, for
// each pressure sensor type. A file that is taken holds only points the
// device's point word carries for that type: each point is stored as the
// page then shows it (within one step of the pressure field, and unchanged
// by a second store), no point has the word 0 (an empty slot to the device),
// and saving the stored tables reads back the same. A plain file reads the
// same behind a byte-order mark and with its line ends turned into CR alone.
#include "core/MapFile.h"
#include "support/FuzzSupport.h"

#include <QByteArray>

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

// One step of the point word's pressure field (two raw steps), in bar.
double FieldStep(int sensorType) { return sensorType == 1 ? 0.0213 : 0.0323; }

bool SameReading(const MapFile::TReadResult &a, const MapFile::TReadResult &b)
{
    return a.Ok == b.Ok && a.ErrorKey == b.ErrorKey && a.Line == b.Line && a.Scrambled == b.Scrambled
           && a.HasPetrol == b.HasPetrol && a.HasGas == b.HasGas && a.Petrol == b.Petrol && a.Gas == b.Gas;
}

void CheckFor(const QByteArray &bytes, int sensorType)
{
    const MapFile::TReadResult r = MapFile::Read(bytes, sensorType);
    if (!r.Scrambled) {
        FUZZ_CHECK(SameReading(MapFile::Read("\xEF\xBB\xBF" + bytes, sensorType), r));
        // Every CR ends a line (no CR stands alone inside a line).
        if (bytes.count('\r') == bytes.count("\r\n")) {
            QByteArray crOnly = bytes;
            crOnly.replace("\r\n", "\r").replace('\n', '\r');
            FUZZ_CHECK(SameReading(MapFile::Read(crOnly, sensorType), r));
        }
    }
    if (!r.Ok) {
        FUZZ_CHECK(!r.ErrorKey.isEmpty());
        return;
    }
    MapFile::TPoints stored[2];
    int t = 0;
    for (const auto *table : {&r.Petrol, &r.Gas}) {
        FUZZ_CHECK(table->size() <= size_t(MapFile::kMaxRows));
        for (const auto &p : *table) {
            FUZZ_CHECK(p.Pressure >= 0 && p.Pressure <= MapFile::kMaxLoad);
            FUZZ_CHECK(p.Time >= 0 && p.Time <= MapFile::kMaxTime);
            FUZZ_CHECK(p.State <= MapFile::kMaxBand);
            FUZZ_CHECK(MapFile::LoadFits(sensorType, p.Pressure));
            FUZZ_CHECK(MapFile::Word(p, sensorType) != 0);
            const TRecordingPoint s = MapFile::Stored(p, sensorType);
            FUZZ_CHECK(std::fabs(s.Pressure - p.Pressure) <= FieldStep(sensorType));
            FUZZ_CHECK(std::fabs(s.Time - p.Time) <= 32 / 187.0);
            FUZZ_CHECK(s.State == p.State);
            FUZZ_CHECK(MapFile::Stored(s, sensorType) == s);
            stored[t].push_back(s);
        }
        ++t;
    }
    // What the page saves from the stored tables reads back as the same.
    for (QChar decimal : {QLatin1Char('.'), QLatin1Char(',')}) {
        const MapFile::TReadResult back = MapFile::Read(MapFile::Save(stored[0], stored[1], decimal), sensorType);
        FUZZ_CHECK(back.Ok);
        for (int i = 0; i < 2; ++i) {
            const MapFile::TPoints &again = i == 0 ? back.Petrol : back.Gas;
            FUZZ_CHECK(again.size() == stored[i].size());
            for (size_t k = 0; k < again.size(); ++k)
                FUZZ_CHECK(MapFile::Stored(again[k], sensorType) == stored[i][k]);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    for (int sensorType : {1, 2, 3})
        CheckFor(bytes, sensorType);
    return 0;
}
