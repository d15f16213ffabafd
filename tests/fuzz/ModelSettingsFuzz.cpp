// The model of a settings file as the model pages read it ("read from
// file"): any bytes checked as File > Load checks a kind-20/21 file, then the
// [Model] section read into a device's record within what the model page
// and the model-2 page show. Properties:
// - a refused file says why (the short detail and a reason) and gives
//   nothing: no value, no curve;
// - a model taken holds only what the device and the page hold: every value
//   within the page's ranges and the device's model words, every threshold
//   and enrichment the file gives is that whole number, and the model-2
//   points the page draws rise in x;
// - what was taken, written back as a settings file holds it, reads as
//   itself: a second write of that read is the first one byte for byte.
#include "core/DeviceRecord.h"
#include "core/IniFile.h"
#include "core/SettingsFile.h"
#include "support/FuzzSupport.h"

#include <QByteArray>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

namespace {

const QString kModel = QStringLiteral("Model");

// The model page's up-downs (thresholds, enrichments, multiplier and bank-2
// factor in percent) and the model-2 page's (multiplier, offset in tenths,
// bank-2 factor), with the points it draws (up to 30 ms).
TPageLimits ModelPage()
{
    TPageLimits page;
    const int low[4] = {1, 2, 3, 4}, high[4] = {14, 16, 18, 20};
    for (int k = 0; k < 4; ++k) {
        page.AddUpDown(QStringLiteral("P%1").arg(k + 1), low[k], high[k], 1, 0);
        page.AddUpDown(QStringLiteral("E%1").arg(k + 1), -50, 50, 1, 0);
    }
    page.AddUpDown(QStringLiteral("Mult"), -40, 40, 100, 1);
    page.AddUpDown(QStringLiteral("CorrectionMult"), -40, 40, 100, 1);
    return page;
}

TPageLimits Model2Page()
{
    TPageLimits page;
    page.AddUpDown(QStringLiteral("Mult"), -40, 70, 100, 1);
    page.AddUpDown(QStringLiteral("Offset"), -40, 60, 10, 0);
    page.AddUpDown(QStringLiteral("CorrectionMult"), -40, 40, 100, 1);
    page.CurveMaxX = 5610;
    return page;
}

TDeviceRecord Device()
{
    TDeviceRecord rec;
    rec.DeviceKind = 21;
    rec.Ver = QStringLiteral("E");
    return rec;
}

// The file's bytes as the page reads them; none when refused.
std::optional<TSettingsLoad> Read(const QByteArray &bytes, const TPageLimits &page)
{
    TIniFile ini;
    TSettingsLoad load{Device()};
    TSettingsError e = TSettingsFile::Check(bytes, false, ini);
    if (!e.Failed())
        e = TSettingsFile::ReadModelQ3(ini, load, page);
    if (!e.Failed())
        return load;
    FUZZ_CHECK(!e.Detail.isNull());
    FUZZ_CHECK(!e.Reason.isEmpty());
    return std::nullopt;
}

// A settings file of the device with the model read (its points when the
// file gave them).
QByteArray Write(const TSettingsLoad &load)
{
    TIniFile ini;
    TSettingsFile::WriteQ3(ini, load.Record, {QString(), QStringLiteral("0000015E"), QString()}, u'.');
    if (load.HasModelPoints)
        for (int k = 0; k < TDeviceRecord::ModelPointCount; ++k) {
            ini.WriteInteger(kModel, QStringLiteral("M2XP%1").arg(k), load.Record.ModelPointsA[k].X);
            ini.WriteInteger(kModel, QStringLiteral("M2YP%1").arg(k), load.Record.ModelPointsA[k].Y);
        }
    return ini.ToBytes();
}

void CheckTaken(const QByteArray &bytes, const TSettingsLoad &load, const TPageLimits &page)
{
    TIniFile ini;
    ini.LoadFromBytes(bytes);
    const TDeviceRecord &r = load.Record;
    const double values[] = {r.Mult, r.Offset, r.CorrectionMult, r.CorrectionOffset};
    for (double v : values)
        FUZZ_CHECK(std::isfinite(v));
    // Within what the model words hold.
    FUZZ_CHECK(r.Mult >= 0 && std::nearbyint(r.Mult * 1024) <= 65535);
    FUZZ_CHECK(r.CorrectionMult >= 0 && std::nearbyint(r.CorrectionMult * 1024) <= 65535);
    FUZZ_CHECK(std::fabs(std::nearbyint(r.Offset * 187)) <= 32768);
    FUZZ_CHECK(std::fabs(std::nearbyint(r.CorrectionOffset * 187)) <= 32768);
    const int p[4] = {r.P1, r.P2, r.P3, r.P4}, e[4] = {r.E1, r.E2, r.E3, r.E4};
    for (int k = 0; k < 4; ++k) {
        FUZZ_CHECK(p[k] >= 0 && p[k] <= 350 && e[k] >= -100 && e[k] <= 1500);
        // A threshold or enrichment given is that whole number, never a default in its place.
        for (const auto &[key, v] : {std::pair(QStringLiteral("P%1"), p[k]), std::pair(QStringLiteral("E%1"), e[k])}) {
            const QString text = ini.ReadString(kModel, key.arg(k + 1)).trimmed();
            qint64 given = 0;
            FUZZ_CHECK(text.isEmpty() || (TSettingsFile::ParseInteger(text, given) && given == v));
        }
    }
    // Within the page's ranges.
    for (const TPageLimits::TRange &range : page.Ranges) {
        if (ini.ReadString(kModel, range.Key).trimmed().isEmpty())
            continue;
        const QString text = ini.ReadString(kModel, range.Key);
        qint64 whole = 0;
        double v = 0;
        if (TSettingsFile::ParseInteger(text, whole))
            v = double(whole);
        else
            FUZZ_CHECK(TSettingsFile::ParseFloat(text, v));
        FUZZ_CHECK(v >= range.Low && v <= range.High);
    }
    // The points drawn rise in x.
    if (page.CurveMaxX > 0 && load.HasModelPoints) {
        int last = -1;
        for (const TModelPoint &pt : r.ModelPointsA)
            if (pt.X <= page.CurveMaxX) {
                FUZZ_CHECK(pt.X > last);
                last = pt.X;
            }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    for (const TPageLimits &page : {ModelPage(), Model2Page()}) {
        const std::optional<TSettingsLoad> first = Read(bytes, page);
        if (!first)
            continue;
        CheckTaken(bytes, *first, page);
        // Written back and read again: the same model, and the same bytes.
        const QByteArray written = Write(*first);
        const std::optional<TSettingsLoad> second = Read(written, page);
        FUZZ_CHECK(second.has_value());
        // Floats are written with 15 digits: the whole numbers compare.
        const TDeviceRecord &a = first->Record, &b = second->Record;
        FUZZ_CHECK(second->HasModelPoints == first->HasModelPoints);
        FUZZ_CHECK(a.P1 == b.P1 && a.P2 == b.P2 && a.P3 == b.P3 && a.P4 == b.P4);
        FUZZ_CHECK(a.E1 == b.E1 && a.E2 == b.E2 && a.E3 == b.E3 && a.E4 == b.E4);
        FUZZ_CHECK(a.CorrectionMask == b.CorrectionMask);
        FUZZ_CHECK(a.ModelPointsA == b.ModelPointsA);
        FUZZ_CHECK(Write(*second) == written);
    }
    return 0;
}
