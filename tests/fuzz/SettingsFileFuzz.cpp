// Settings files as the load command reads them, from any bytes (the
// starting inputs are files the program saved from configured devices).
// Properties, for a kind-21 and a kind-48 device:
// - a file taken holds only values the device accepts (every limited key
//   within the device's range; kinds 20/21: a cylinder count its outputs
//   drive);
// - a refused file says why: the short detail and a reason;
// - every integer a file that was taken holds for a key the writer writes
//   is written back as held (a flag as 0 or 1, a byte kept signed as its
//   signed value; a kind-20/21 flag kept in bit 0 of a byte as that bit of
//   a value within a byte, any other refusing the file), also a whole
//   number in another form ("1e3", "7.0"); a
//   number too large to be held whole refuses the file; a kind-20/21 file
//   whose key the reader reads holds text, a fraction or a number beyond
//   what a double holds for it is refused (only an empty value takes the
//   default);
// - saving what was taken and reading it back gives the same record, and
//   the same file again;
// - the map cells read alone are refused only where the load refuses the
//   file, and are the load's words otherwise; saved and read back, the same;
// - a device of any kind, version and hardware variant, holding what its
//   read reports (also what no list of the pages offers), saved and loaded
//   back onto itself: taken whole, the same values again; a kind-48 file
//   names the device's version letter as its own, and holds its idle RPM
//   and manifold pressure;
// - the idle RPM and manifold pressure a kind-48 file holds are taken (and
//   said to be) where its letter or its note says it holds the device's, or
//   where it names no letter and holds the key; otherwise they stay as the
//   device holds them;
// - a file's "Ver" gives a kind code of two digits or none and an
//   upper-case letter or none, and a reader takes exactly its own codes;
//   the save's version text for identity numbers of one to three digits
//   in every place reads back as the device's kind and letter, refused by
//   the other kind's reader as another kind's;
// - a "Ver" whose digits run into a digit of another script cannot be read:
//   it names no kind and no letter, and a file refused for its version says
//   so (not "another kind of device"), showing the text as the file holds
//   it: its UTF-8 bytes read as UTF-8, other bytes in the file's code page.
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/IniFile.h"
#include "core/SettingsFile.h"
#include "support/FuzzSupport.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

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
TDeviceRecord NewKind48Device(const char *version)
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

// The same, made once per version (building it is a large part of a run).
const TDeviceRecord &Kind48Device(const char *version)
{
    static std::map<QString, TDeviceRecord> made;
    auto it = made.find(QString::fromLatin1(version));
    if (it == made.end())
        it = made.emplace(QString::fromLatin1(version), NewKind48Device(version)).first;
    return it->second;
}

const TSettingsInfo Info{QStringLiteral("07.12.2026 09:15"), QStringLiteral("0000015E"), QStringLiteral("4.0.19.0")};

QByteArray SavedQ3(const TDeviceRecord &rec, const TSettingsInfo &info = Info)
{
    TIniFile ini;
    TSettingsFile::WriteQ3(ini, rec, info, u'.');
    return ini.ToBytes();
}

QByteArray SavedMulti(const TDeviceRecord &rec, const TSettingsInfo &info = Info)
{
    TIniFile ini;
    TSettingsFile::WriteMulti(ini, rec, info, u',');
    return ini.ToBytes();
}

void CheckRefusal(const TSettingsError &e)
{
    FUZZ_CHECK(!e.Detail.isNull());
    FUZZ_CHECK(!e.Reason.isEmpty());
}

// The keys a writer writes as a flag or as a float: those it writes as "1"
// or "0.5" from a record whose every integer field holds 2, every float 0.5
// (and the fuel type, which the readers read as a flag).
struct TKeyTypes {
    QStringList Flags, Floats;
};
TKeyTypes KeyTypes(bool multi)
{
    TDeviceRecord rec;
    for (const TRecordField &f : RecordFields())
        for (int i = 0; i < std::max(f.Length, 1); ++i) {
            if (f.Type == TFieldType::F64)
                f.SetFloat(rec, i, 0.5);
            else if (f.Type != TFieldType::Text)
                f.SetInt(rec, i, 2);
        }
    rec.DeviceKind = multi ? 48 : 21;
    rec.Ver = QStringLiteral("J");
    TIniFile ini;
    ini.LoadFromBytes(multi ? SavedMulti(rec) : SavedQ3(rec));
    TKeyTypes types;
    types.Flags << QStringLiteral("fueltype"); // written as its integer, read as a flag
    for (const QString &section : {QStringLiteral("Config"), QStringLiteral("Model")})
        for (const QString &key : ini.ReadSection(section)) {
            const QString text = ini.ReadString(section, key);
            if (text == QLatin1String("1"))
                types.Flags << key.toLower();
            else if (text == QLatin1String("0.5") || text == QLatin1String("0,5"))
                types.Floats << key.toLower();
        }
    return types;
}

// The file's integers in the sections given, against the file saved from
// what was taken: each written as held. Keys the writer does not write for
// the device (a later version's) are not compared.
void CheckWrittenAsHeld(const TIniFile &file, const TIniFile &out, const QStringList &sections, bool multi)
{
    static const TKeyTypes typesQ3 = KeyTypes(false), typesMulti = KeyTypes(true);
    // The kind-20/21 flags the device keeps in bit 0 of a byte of its own.
    static const QStringList bitZero = {QStringLiteral("petrolinjpluscontrol"), QStringLiteral("externalemulator"),
                                        QStringLiteral("alwaysstartongas")};
    const TKeyTypes &types = multi ? typesMulti : typesQ3;
    for (const QString &section : sections)
        for (const QString &key : file.ReadSection(section)) {
            const QString in = file.ReadString(section, key);
            qint64 v = 0, o = 0;
            const bool number = TSettingsFile::ParseInteger(in, v);
            const QString written = out.ReadString(section, key);
            if (written.isNull() || types.Floats.contains(key.toLower()))
                continue;
            FUZZ_CHECK(number || !fuzz::IntegerInForm(in)); // else refused
            // Every key of the kind-20/21 sets is read when its writer writes it.
            if (!multi)
                FUZZ_CHECK(number || in.trimmed().isEmpty());
            if (!number)
                continue;
            FUZZ_CHECK(TSettingsFile::ParseInteger(written, o));
            if (!multi && bitZero.contains(key.toLower()))
                FUZZ_CHECK(v >= 0 && v <= 255 && o == (v & 1));
            else if (types.Flags.contains(key.toLower()))
                FUZZ_CHECK(o == (v != 0 ? 1 : 0));
            else
                FUZZ_CHECK(o == v || (o < 0 && o + 256 == v));
        }
}

// Every field a device of the kind (and kind-48 version) limits holds a
// value within what it holds; the fields are found once per kind and version.
void CheckLimits(const TDeviceRecord &device, const TDeviceRecord &rec)
{
    struct TLimited {
        const TRecordField *Field;
        qint64 Low, High;
    };
    static std::map<QString, std::vector<TLimited>> found;
    const QString id = QString::number(device.DeviceKind) + device.Ver;
    auto it = found.find(id);
    if (it == found.end()) {
        std::vector<TLimited> limited;
        for (const TRecordField &f : RecordFields()) {
            qint64 low = 0, high = 0;
            const QString key = QString::fromLatin1(f.Key);
            if (device.DeviceKind == 48 ? TSettingsFile::DeviceRangeMulti(device, key, low, high)
                                        : TSettingsFile::DeviceRangeQ3(key, low, high))
                limited.push_back({&f, low, high});
        }
        it = found.emplace(id, std::move(limited)).first;
    }
    for (const TLimited &l : it->second) {
        const qint64 v = l.Field->GetInt(rec, 0);
        FUZZ_CHECK(v >= l.Low && v <= l.High);
    }
}

void CheckQ3(const TIniFile &ini)
{
    const TDeviceRecord device = Kind21Device();
    TDeviceRecord rec = device;
    const TSettingsError e = TSettingsFile::ReadQ3(ini, rec);
    if (e.Failed())
        return CheckRefusal(e);
    CheckLimits(device, rec);
    FUZZ_CHECK(TSettingsFile::CylinderCountsQ3(device.InjHW).contains(int(rec.InjSW)));

    // Save, then read into the same device: the same record and file.
    const QByteArray saved = SavedQ3(rec);
    TIniFile again;
    again.LoadFromBytes(saved);
    CheckWrittenAsHeld(ini, again, {QStringLiteral("Config"), QStringLiteral("Model")}, false);
    TDeviceRecord back = device;
    FUZZ_CHECK(!TSettingsFile::ReadQ3(again, back).Failed());
    TDeviceRecord a = device, b = device;
    TSettingsFile::CopyFileFields(rec, a, false);
    TSettingsFile::CopyFileFields(back, b, false);
    FUZZ_CHECK(SavedQ3(a) == SavedQ3(b));
    FUZZ_CHECK(SavedQ3(back) == saved);
}

// The map cells read alone (the map page's load from a settings file):
// refused, naming the cell, only where the load refuses the file too; the
// load's words when the load takes it; saved and read back, the same words.
void CheckMapCells(const TIniFile &ini, const TSettingsError &loadError, const TSettingsLoad &load)
{
    TSettingsLoad cells;
    const TSettingsError e = TSettingsFile::ReadMapCells(ini, cells);
    if (e.Failed()) {
        CheckRefusal(e);
        FUZZ_CHECK(e.Detail.startsWith(QLatin1String("MapQ3_")));
        FUZZ_CHECK(loadError.Failed());
        return;
    }
    // Each cell taken is the 16-bit word the file gives, or 0 where the
    // file gives none.
    for (int i = 0; i < TDeviceRecord::MapRowCount; ++i) {
        const QString text = ini.ReadString(QStringLiteral("Map"), QStringLiteral("MapQ3_%1_0").arg(i));
        qint64 v = 0;
        FUZZ_CHECK(text.trimmed().isEmpty() ? cells.MapWord0[size_t(i)] == 0
                                            : TSettingsFile::ParseInteger(text, v) && v == cells.MapWord0[size_t(i)]);
    }
    if (!loadError.Failed()) {
        FUZZ_CHECK(cells.MapWord0 == load.MapWord0);
        FUZZ_CHECK(cells.HasMapPoints == load.HasMapPoints);
    }
    TDeviceRecord rec = Kind48Device("J");
    for (int i = 0; i < TDeviceRecord::MapRowCount; ++i)
        rec.MapRows[size_t(i)][0] = cells.MapWord0[size_t(i)];
    TIniFile again;
    again.LoadFromBytes(SavedMulti(rec));
    TSettingsLoad back;
    FUZZ_CHECK(!TSettingsFile::ReadMapCells(again, back).Failed());
    FUZZ_CHECK(back.HasMapPoints && back.MapWord0 == cells.MapWord0);
}

void CheckMulti(const TIniFile &ini, const char *version, bool modelOnly)
{
    TSettingsLoad load;
    load.Record = Kind48Device(version);
    const TSettingsError e = TSettingsFile::ReadMulti(ini, load, modelOnly);
    if (!modelOnly && qstrcmp(version, "J") == 0)
        CheckMapCells(ini, e, load);
    if (e.Failed())
        return CheckRefusal(e);
    if (modelOnly)
        return;
    // Nothing the device refuses is taken.
    CheckLimits(load.Record, load.Record);
    const TDeviceRecord device = Kind48Device(version);
    const bool noLetter = TSettingsFile::FileVersionLetter(ini).isNull();
    for (const auto &[key, held, file, own] :
         {std::tuple{"IdleHotRPM", load.HoldsIdleHotRpm, int(load.Record.IdleHotRPM), int(device.IdleHotRPM)},
          std::tuple{"IdleHotPcol", load.HoldsIdleHotPcol, int(load.Record.IdleHotPcol), int(device.IdleHotPcol)}}) {
        const QString text = ini.ReadString(QStringLiteral("Config"), QLatin1String(key));
        qint64 v = 0;
        FUZZ_CHECK(held == (load.HoldsIdleHot || (noLetter && !text.trimmed().isEmpty())));
        if (!held)
            FUZZ_CHECK(file == own);
        else if (TSettingsFile::ParseInteger(text, v))
            FUZZ_CHECK(file == v);
    }
    // Saved as the program saves it, naming the device's kind and letter.
    TSettingsInfo own = Info;
    own.Ver = QStringLiteral("0000030") + QLatin1String(version);
    const QByteArray saved = SavedMulti(load.Record, own);
    TIniFile again;
    again.LoadFromBytes(saved);
    CheckWrittenAsHeld(ini, again, {QStringLiteral("Config")}, true);
    TSettingsLoad back;
    back.Record = Kind48Device(version);
    FUZZ_CHECK(!TSettingsFile::ReadMulti(again, back, false).Failed());
    FUZZ_CHECK(SavedMulti(back.Record, own) == saved);
}

// A device as its read fills the record, from the input's bytes: kind,
// version, hardware variant, the base block, and every parameter and model
// value through the record's own stores; settings the device limits hold a
// value within its limits.
TDeviceRecord ReadDevice(const QByteArray &bytes)
{
    int at = 0;
    auto next = [&]() -> quint8 { return bytes.isEmpty() ? 0 : quint8(bytes[at++ % bytes.size()]); };
    TDeviceRecord rec;
    rec.DeviceKind = std::array<quint8, 3>{20, 21, 48}[next() % 3];
    rec.Ver = QString(QChar(u'A' + next() % 10));
    rec.IdentityPage1 = next() % 6;
    rec.PressureSensorType = next(); // what a variant without a sensor leaves
    rec.InjHW = std::array<quint8, 4>{0, 4, 6, 8}[next() % 4];
    rec.T = next();
    rec.RPM = quint16((next() & 63) << 8 | next());
    const quint8 c = next();
    rec.EngineType = c >> 7;
    rec.RPMsource = (c >> 5) & 3;
    rec.FuelType = (c >> 4) & 1;
    rec.ReserveType = (c >> 2) & 3;
    rec.InjType = c & 3;
    rec.InjSW = std::min<quint8>(std::array<quint8, 5>{3, 4, 5, 6, 8}[next() % 5], rec.InjHW ? rec.InjHW : 8);
    for (int id = 1; id <= 53; ++id)
        StoreParameter8(rec, id, next());
    for (int id = 1; id <= 25; ++id)
        StoreParameter16(rec, id, quint16(next() << 8 | next()));
    for (int id = 1; id <= 104; ++id)
        StoreModelParameter(rec, id, quint16(next() << 8 | next()));
    for (quint8 *level : {&rec.PW0, &rec.PW1, &rec.PW2, &rec.PW3, &rec.Level0900, &rec.Level0901, &rec.Level0902, &rec.Level0903})
        *level = next();
    // The word settings the device limits, and the kind-48 block's three
    // bits of lambda type.
    rec.Power = quint16(1 + rec.Power % 999);
    rec.EngineCubicCapacity %= 10000;
    rec.IdleHotTb %= 65451;
    // The level sensor type has two bits (base block; kind 48's parameter).
    rec.ReserveType &= 3;
    if (rec.DeviceKind == 48)
        rec.LambdaType &= 7;
    else
        rec.PressureSensorType = quint8(1 + rec.PressureSensorType % 2);
    // A kind-20 device's sensor follows its hardware variant; the variants
    // without one leave whatever the record held.
    if (rec.DeviceKind == 20)
        rec.PressureSensorType = rec.IdentityPage1 == 0 ? 1 : rec.IdentityPage1 <= 2 ? 2 : next();
    return rec;
}

void CheckBackupOfDevice(const QByteArray &bytes)
{
    const TDeviceRecord device = ReadDevice(bytes);
    const bool multi = device.DeviceKind == 48;
    const QByteArray saved = multi ? SavedMulti(device) : SavedQ3(device);
    TIniFile ini;
    ini.LoadFromBytes(saved);
    TSettingsLoad load;
    load.Record = device;
    const TSettingsError e =
        multi ? TSettingsFile::ReadMulti(ini, load, false) : TSettingsFile::ReadQ3(ini, load.Record);
    FUZZ_CHECK(!e.Failed());
    FUZZ_CHECK((multi ? SavedMulti(load.Record) : SavedQ3(load.Record)) == saved);
}

void CheckOwnLetter(const QByteArray &bytes)
{
    TDeviceRecord device = ReadDevice(bytes);
    // Identity numbers of one to three digits from the input, in every place.
    const qsizetype size = bytes.size();
    const auto byte = [&](qsizetype i) { return size ? quint8(bytes[(i * 7 + 3) % size]) : quint8(i * 13); };
    device.UsaVariant = byte(0) & 1;
    device.IdentityPage5 = byte(1);
    device.IdentityPage3 = byte(2);
    device.IdentityPage1 = byte(3);
    device.IdentityPage2 = byte(4);
    const TDeviceRecord kept = DeviceRecord;
    // The file names the device's kind and version after its identity
    // numbers, as the save writes them: read back, they are the device's;
    // its own kind's reader takes the file and the other refuses it as
    // another kind's. A kind-48 backup holds the device's idle RPM and
    // manifold pressure on every version.
    const bool multi = device.DeviceKind == 48;
    DeviceRecord = device;
    const TDataManager manager;
    TSettingsInfo own = Info;
    own.Ver = manager.FormatVersion(false);
    const QString code = manager.GetDeviceTypeText(false);
    DeviceRecord = kept;
    const QByteArray saved = multi ? SavedMulti(device, own) : SavedQ3(device, own);
    TIniFile file;
    file.LoadFromBytes(saved);
    const TSettingsFile::TVersion read = TSettingsFile::FileVersion(file);
    FUZZ_CHECK(read.Kind == code);
    FUZZ_CHECK(read.Letter == device.Ver.at(0));
    FUZZ_CHECK(!TSettingsFile::Check(saved, multi, file).Failed());
    const TSettingsError other = TSettingsFile::Check(saved, !multi, file);
    FUZZ_CHECK(other.Detail == code && other.Reason == QLatin1String("strSetFileKind"));
    if (multi)
        FUZZ_CHECK(TSettingsFile::HoldsDeviceIdleHot(file));
}

// What any "Ver" says: a kind code of two digits or none, a letter or none
// (none without a kind code), and a reader takes the file exactly when the
// kind code is one of its own.
void CheckVersion(const TIniFile &ini)
{
    const TSettingsFile::TVersion v = TSettingsFile::FileVersion(ini);
    FUZZ_CHECK(v.Kind.isNull() || (v.Kind.size() == 2 && v.Kind.at(0).isDigit() && v.Kind.at(1).isDigit()
                                   && v.Kind.at(0).unicode() < 128 && v.Kind.at(1).unicode() < 128));
    FUZZ_CHECK(v.Letter.isNull() || (v.Letter >= u'A' && v.Letter <= u'Z'));
    FUZZ_CHECK(v.Letter.isNull() || !v.Kind.isNull());
    FUZZ_CHECK(TSettingsFile::AcceptsVersion(ini, TSettingsFile::CodesQ3()) == TSettingsFile::CodesQ3().contains(v.Kind));
    FUZZ_CHECK(TSettingsFile::AcceptsVersion(ini, TSettingsFile::CodesMulti())
               == TSettingsFile::CodesMulti().contains(v.Kind));

    const QString text = TSettingsFile::FileVersionText(ini);
    FUZZ_CHECK(text.toUtf8() == ini.ReadBytes(QStringLiteral("Info"), QStringLiteral("Ver"))
               || text == ini.ReadString(QStringLiteral("Info"), QStringLiteral("Ver")));
    qsizetype run = 0;
    while (run < text.size() && text.at(run) >= u'0' && text.at(run) <= u'9')
        ++run;
    FUZZ_CHECK(v.Unreadable == (run < text.size() && text.at(run).isDigit()));
    FUZZ_CHECK(!v.Unreadable || (v.Kind.isNull() && v.Letter.isNull()));
}

// A file refused for its version names what is wrong with it and shows the
// version as the file holds it.
void CheckVersionRefusal(const QByteArray &bytes)
{
    TIniFile ini;
    const TSettingsError e = TSettingsFile::Check(bytes, false, ini);
    const TSettingsFile::TVersion v = TSettingsFile::FileVersion(ini);
    const bool unreadable = e.Reason == QLatin1String("strSetFileVersionUnreadable");
    FUZZ_CHECK(unreadable == (v.Unreadable && e.Failed() && e.Reason != QLatin1String("strSetFileEmpty")
                              && e.Reason != QLatin1String("strSetFileNotText") && e.Reason != QLatin1String("strSetFileCut")));
    if (unreadable || e.Reason == QLatin1String("strSetFileKind"))
        FUZZ_CHECK(e.Args == QStringList{TSettingsFile::FileVersionText(ini)});
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
    CheckVersion(ini);
    CheckVersionRefusal(bytes);

    CheckQ3(ini);
    // The oldest and the newest key sets, and the model part alone.
    CheckMulti(ini, "B", false);
    CheckMulti(ini, "J", false);
    CheckMulti(ini, "J", true);
    CheckBackupOfDevice(bytes);
    CheckOwnLetter(bytes);
    return 0;
}
