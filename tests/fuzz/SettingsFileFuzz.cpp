// Settings files as the load command reads them, from any bytes (the
// starting inputs are files the program saved from configured devices).
// Properties, for a kind-21 and a kind-48 device:
// - a file taken holds only values the device accepts (every limited key
//   within the device's range; kinds 20/21: a cylinder count its outputs
//   drive);
// - a refused file says why: the short detail and a reason;
// - saving what was taken and reading it back gives the same record, and
//   the same file again.
#include "core/DeviceRecord.h"
#include "core/IniFile.h"
#include "core/SettingsFile.h"
#include "support/FuzzSupport.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

// A kind-21 device as read from a configured controller.
TDeviceRecord Kind21Device()
{
    TDeviceRecord rec;
    rec.DeviceKind = 21;
    rec.Ver = QStringLiteral("E");
    rec.InjHW = 6;
    rec.InjSW = 4;
    rec.Power = 85;
    rec.EngineCubicCapacity = 1598;
    rec.NozzleSize = 38;
    rec.LowPD = 5;
    rec.LowPT = 76;
    rec.MicroInjectionTime = 131;
    rec.PressureSensorType = 2;
    rec.PostValveDelay = 25000;
    return rec;
}

// A kind-48 device as read from a configured controller: every setting the
// device limits holds a value it accepts.
TDeviceRecord Kind48Device(const char *version)
{
    TDeviceRecord rec;
    rec.DeviceKind = 48;
    rec.Ver = QString::fromLatin1(version);
    for (const TRecordField &f : RecordFields()) {
        qint64 low = 0, high = 0;
        if (TSettingsFile::DeviceRangeMulti(rec, QString::fromLatin1(f.Key), low, high))
            f.SetInt(rec, 0, (low + high) / 2);
    }
    return rec;
}

const TSettingsInfo Info{QStringLiteral("07.12.2026 09:15"), QStringLiteral("0000015E"), QStringLiteral("4.0.19.0")};

QByteArray SavedQ3(const TDeviceRecord &rec)
{
    TIniFile ini;
    TSettingsFile::WriteQ3(ini, rec, Info, u'.');
    return ini.ToBytes();
}

QByteArray SavedMulti(const TDeviceRecord &rec)
{
    TIniFile ini;
    TSettingsFile::WriteMulti(ini, rec, Info, u',');
    return ini.ToBytes();
}

void CheckRefusal(const TSettingsError &e)
{
    FUZZ_CHECK(!e.Detail.isNull());
    FUZZ_CHECK(!e.Reason.isEmpty());
}

void CheckQ3(const TIniFile &ini)
{
    const TDeviceRecord device = Kind21Device();
    TDeviceRecord rec = device;
    const TSettingsError e = TSettingsFile::ReadQ3(ini, rec);
    if (e.Failed())
        return CheckRefusal(e);
    for (const TRecordField &f : RecordFields()) {
        qint64 low = 0, high = 0;
        if (TSettingsFile::DeviceRangeQ3(QString::fromLatin1(f.Key), low, high)) {
            const qint64 v = f.GetInt(rec, 0);
            FUZZ_CHECK(v >= low && v <= high);
        }
    }
    FUZZ_CHECK(TSettingsFile::CylinderCountsQ3(device.InjHW).contains(int(rec.InjSW)));

    // Save, then read into the same device: the same record and file.
    const QByteArray saved = SavedQ3(rec);
    TIniFile again;
    again.LoadFromBytes(saved);
    TDeviceRecord back = device;
    FUZZ_CHECK(!TSettingsFile::ReadQ3(again, back).Failed());
    TDeviceRecord a = device, b = device;
    TSettingsFile::CopyFileFields(rec, a, false);
    TSettingsFile::CopyFileFields(back, b, false);
    FUZZ_CHECK(SavedQ3(a) == SavedQ3(b));
    FUZZ_CHECK(SavedQ3(back) == saved);
}

void CheckMulti(const TIniFile &ini, const char *version, bool modelOnly)
{
    TSettingsLoad load;
    load.Record = Kind48Device(version);
    const TSettingsError e = TSettingsFile::ReadMulti(ini, load, modelOnly);
    if (e.Failed())
        return CheckRefusal(e);
    if (modelOnly)
        return;
    // Nothing the device refuses is taken.
    for (const TRecordField &f : RecordFields()) {
        qint64 low = 0, high = 0;
        if (TSettingsFile::DeviceRangeMulti(load.Record, QString::fromLatin1(f.Key), low, high)) {
            const qint64 v = f.GetInt(load.Record, 0);
            FUZZ_CHECK(v >= low && v <= high);
        }
    }
    const QByteArray saved = SavedMulti(load.Record);
    TIniFile again;
    again.LoadFromBytes(saved);
    TSettingsLoad back;
    back.Record = Kind48Device(version);
    FUZZ_CHECK(!TSettingsFile::ReadMulti(again, back, false).Failed());
    FUZZ_CHECK(SavedMulti(back.Record) == saved);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    TIniFile ini;
    ini.LoadFromBytes(bytes);
    TSettingsError first = TSettingsFile::CheckBytes(bytes);
    if (!first.Failed())
        first = TSettingsFile::CheckComplete(ini, true);
    if (first.Failed()) {
        TSettingsFile::Explain(bytes, ini, first);
        CheckRefusal(first);
    }
    (void)TSettingsFile::AcceptsVersion(ini, TSettingsFile::CodesQ3());
    (void)TSettingsFile::AcceptsVersion(ini, TSettingsFile::CodesMulti());

    CheckQ3(ini);
    // The oldest and the newest key sets, and the model part alone.
    CheckMulti(ini, "B", false);
    CheckMulti(ini, "J", false);
    CheckMulti(ini, "J", true);
    return 0;
}
