// Settings files (*.ddf): a workshop's backup of one controller's
// configuration, model and corrections, as an INI file with the sections
// [Info], [Config], [Model] and, for kind 48, [Map], [GasInjCorr] and
// [MapCorrections].
//
// Kinds 20 and 21 share one key set (version code "14" or "15" in [Info]
// "Ver"); kind 48 writes a larger one (code "30") whose later keys depend on
// the firmware version letter of the device.
//
// Writers put the record into an in-memory TIniFile (the caller saves it, so
// a failure never leaves half a file). Readers fill a copy of the record and
// check every value first: a value that does not fit its field refuses the
// whole file, so nothing half-loaded reaches a device.
#pragma once

#include "core/DeviceRecord.h"
#include "core/Kind48Settings.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

class TIniFile;

// The [Info] texts that do not come from the record.
struct TSettingsInfo {
    QString SaveDate;  // date and time of saving
    QString Ver;       // the device's long version text: five identity numbers, the kind code, the letter
    QString SoftVer;   // the program's file version
};

// Why a file was refused: the short text of the refusal (a key and its
// value, a missing section, the version code found), and the reason in words:
// the key of its text in the language files ("str..."), or a text already in
// words, with the arguments of its %1, %2, ...
struct TSettingsError {
    QString Detail;
    QString Reason;
    QStringList Args;
    bool Failed() const { return !Detail.isNull(); }
};

// What a page shows of the [Model] keys it takes from a file (the model
// pages' "read from file"): a value the device accepts outside a range here
// is refused for that page instead of being shown as another value. Ranges
// are in the file's units.
struct TPageLimits {
    struct TRange {
        QString Key;
        double Low, High;
    };
    QList<TRange> Ranges;
    // The range of a key the page shows on an up-down whose positions low
    // .. high stand for position / steps + zero (steps per unit of the key).
    void AddUpDown(const QString &key, int low, int high, double steps, double zero)
    {
        Ranges.push_back({key, low / steps + zero, high / steps + zero});
    }
    // The model-2 points the page draws (x up to this, raw): they must rise
    // in x. 0: the page draws no model-2 points.
    int CurveMaxX = 0;
};

// A kind-48 file as read: the record with every loaded field, and the parts
// that are only sent to the device when the user confirms the write.
struct TSettingsLoad {
    TDeviceRecord Record;
    bool HasModelPoints = false;   // [Model] "M2XP1" present
    bool HasCorrections = false;   // [Model] "CPS1" present
    bool HasMapPoints = false;     // at least one [Map] "MapQ3_i_0"
    // [GasInjCorr]: a file saved from "D" on, or one holding "InjCorr1".
    bool HasGasInjCorr = false;
    // The firmware letter the file was saved from (null: none named), and
    // whether it holds the device's idle RPM and manifold pressure.
    QChar FileLetter{};
    bool HoldsIdleHot = false;
    // Saved from a device at the letter or later: the keys that letter
    // brings are the file's own; below it a key the file lacks stays as the
    // device holds it.
    bool FileIsAtLeast(char letter) const { return !FileLetter.isNull() && FileLetter.unicode() >= uchar(letter); }
    // Whether the file's own letter brings that part of the file.
    bool FileHolds(kind48::TFilePart part) const { return FileIsAtLeast(kind48::FromOf(part)); }
    std::array<quint16, TDeviceRecord::MapRowCount> MapWord0{};
    std::array<qint8, TDeviceRecord::ChannelCount> GasInjCorr{};
};

class TSettingsFile {
public:
    static constexpr const char *Extension = "ddf";
    // Kind-20/21 version codes and the kind-48 code.
    static QStringList CodesQ3() { return {QStringLiteral("15"), QStringLiteral("14")}; }
    static QStringList CodesMulti() { return {QStringLiteral("30")}; }

    // Erases the six sections of the format (other sections stay) and writes
    // the kind-20/21 or the kind-48 key set from the record. Floats are
    // written with decimalPoint as separator. The kind-48 writer takes the
    // version letter gates from the record (DeviceKind and Ver) and writes
    // the map rows completed by FillMapGaps (the record is not changed).
    static void WriteQ3(TIniFile &ini, const TDeviceRecord &rec, const TSettingsInfo &info,
                        QChar decimalPoint);
    static void WriteMulti(TIniFile &ini, const TDeviceRecord &rec, const TSettingsInfo &info,
                           QChar decimalPoint);
    // Whether a kind-48 file holds the device's own idle RPM and manifold
    // pressure: one saved from a device at "G" or later (the file's own
    // version letter says so), whose configuration read takes them, or
    // saved by a save that read them below it. An older file below "G" holds
    // whatever the record held then, whatever device it is loaded into.
    static bool HoldsDeviceIdleHot(const TIniFile &ini);
    // What a file's [Info] "Ver" says of the device it was saved from. The
    // writer puts five identity numbers of one or more digits, the two-digit
    // kind code and the firmware letter one after another, so only the end
    // of the leading run of digits is the kind code: Kind is its last two
    // digits (null when the run has fewer than two), Letter the character
    // right after the run in upper case (null when it is no letter or there
    // is no kind code). Every reader of a file's kind or letter takes them
    // from here.
    // A version whose run of digits holds a digit of another script
    // ("002013\u06630G") cannot be read: Unreadable, no kind and no letter.
    struct TVersion {
        QString Kind;
        QChar Letter;
        bool Unreadable = false;
    };
    static TVersion FileVersion(const TIniFile &ini);
    // The file's "Ver" as the file holds it: its bytes read as UTF-8 where
    // they are UTF-8 (a version another program wrote with characters no
    // code page of the files holds), else in the file's code page.
    static QString FileVersionText(const TIniFile &ini);
    // The firmware letter of the device the file was saved from.
    static QChar FileVersionLetter(const TIniFile &ini) { return FileVersion(ini).Letter; }

    // Word 0 of each map row whose word 1 has bit 15 set := the unsigned sum
    // of words 1 and 2 shifted right by one, with bit 15 set.
    static void FillMapGaps(std::array<TMapRow, TDeviceRecord::MapRowCount> &rows);

    // The kind code of the file's "Ver" (null when it names none).
    static QString VersionCode(const TIniFile &ini) { return FileVersion(ini).Kind; }
    // Whether the file's kind code is one of the codes.
    static bool AcceptsVersion(const TIniFile &ini, const QStringList &codes);

    // Reads the settings file at path (a regular file of a settings file's
    // size) into ini, in the code page of the language, and checks it as
    // every road that reads one does: the version code of the kind-20/21 or
    // the kind-48 key set (multi), then Check. On a refusal Detail and the
    // reason in words are set.
    static TSettingsError Open(const QString &path, bool multi, TIniFile &ini);
    // The same for the file's bytes, loaded into ini.
    static TSettingsError Check(const QByteArray &bytes, bool multi, TIniFile &ini);
    // The raw file: a NUL byte (not a text file) or a last line without its
    // line end (a file cut short). Empty Detail when sound.
    static TSettingsError CheckBytes(const QByteArray &bytes);
    // Checks that the file holds the sections every writer writes (a cut
    // file lacks its last ones). Empty Detail when complete.
    static TSettingsError CheckComplete(const TIniFile &ini, bool multi);

    // Reads a kind-20/21 file into rec, which must hold the connected
    // device's record (its identity, and the values that stand in for keys
    // the file lacks when their defaults are not what the device accepts).
    // Every value is checked against what the device holds before the
    // caller sends anything; a setting the device's variant does not hold
    // is neither checked nor taken (rec keeps the device's own), nor is a flag
    // that older files lack (petrol-injector plus control, external emulator,
    // start on gas, RPM wire) when the file lacks it. On a refusal rec is
    // partly filled; read into a copy.
    static TSettingsError ReadQ3(const TIniFile &ini, TDeviceRecord &rec);
    // What a kind-20/21 device holds for a [Config] key (a file value
    // outside refuses the file); false for a key limited only by its record
    // field. The pages' lists may offer less: a value the device reported
    // is taken whatever they offer.
    static bool DeviceRangeQ3(const QString &key, qint64 &low, qint64 &high);
    // The cylinder counts a kind-20/21 device with injOutputs injector
    // outputs (4, 6 or 8) accepts; empty when the outputs are unknown.
    static QList<int> CylinderCountsQ3(int injOutputs);
    // Why a file failed the first checks (version code, bytes, sections),
    // in words: the reason's key and arguments for the refusal e.
    static void Explain(const QByteArray &bytes, const TIniFile &ini, TSettingsError &e);
    // What a kind-48 device (its version letter in device) holds for a
    // [Config] key; false for a key limited only by its record field or one
    // the device's version does not hold.
    static bool DeviceRangeMulti(const TDeviceRecord &device, const QString &key, qint64 &low, qint64 &high);
    // Reads a kind-48 file into load.Record (set it to the device's record
    // first). modelOnly reads the model part alone. As for kinds 20 and 21,
    // every [Config] value is checked against what the device accepts. page:
    // what the page that reads the model shows (none for a whole load). A
    // key its writer writes from a version letter on is taken when the
    // file's own letter is that or later, or the file holds the key; else
    // the record keeps the device's value.
    static TSettingsError ReadMulti(const TIniFile &ini, TSettingsLoad &load, bool modelOnly,
                                    const TPageLimits &page = {});
    // The map cells of a kind-48 file (word 0 of each map row, [Map]
    // "MapQ3_i_0") into load.MapWord0 and load.HasMapPoints, read and
    // checked as ReadMulti reads them.
    static TSettingsError ReadMapCells(const TIniFile &ini, TSettingsLoad &load);
    // The model part of a kind-20/21 file as a model page reads it: the
    // [Model] keys the load reads, with its checks, and the model-2 points
    // when the section holds "M2XP1" (load.HasModelPoints), into
    // load.Record (set it to the device's record first); each value also
    // within what the page shows.
    static TSettingsError ReadModelQ3(const TIniFile &ini, TSettingsLoad &load, const TPageLimits &page);

    // Copies the fields a kind-20/21 (multi false) or kind-48 file carries.
    static void CopyFileFields(const TDeviceRecord &from, TDeviceRecord &to, bool multi);

    // Integer and float texts as the files hold them: decimal with an
    // optional sign, or hexadecimal after "0x", "0X" or "$"; floats with "."
    // or "," as separator and an optional exponent. An integer is also a
    // whole number in float form ("1600.0", "1e3"), never a fraction. Read
    // the same under every locale. False for anything else; tooLarge (when
    // given) tells a number in form that is too large to be held (whole, or
    // in a double).
    static bool ParseInteger(const QString &text, qint64 &value, bool *tooLarge = nullptr);
    static bool ParseFloat(const QString &text, double &value, bool *tooLarge = nullptr);
    // Float text: 15 significant digits, no trailing zeros, the separator given.
    static QString FormatFloat(double value, QChar decimalPoint);
    // A bound of the values a key takes, as a refusal quotes it to the user:
    // the separator of the language shown, as precise as the pages' finest field
    // (BoundDecimals), rounded inwards (up for a low bound, down for a high
    // one), without trailing zeros; whole bounds as whole numbers.
    static constexpr int BoundDecimals = 2;
    static QString FormatBound(double value, bool low);
    // The values a key takes as a page's refusal quotes them: "low - high",
    // each bound as FormatBound gives it, joined so that no line break falls
    // inside the range (no-break spaces around a dash no line breaks after).
    static QString FormatRange(double low, double high);
    // A page's refusal of a field's value: "<field>: <sentence> <range>",
    // the field named by its caption (a caption's own closing colon is not
    // doubled).
    static QString RangeRefusal(const QString &field, const QString &sentence, double low, double high);

    // The engine's power (kW) and cubic capacity (cm3) every kind of device
    // holds: the one range of each, checked and quoted by the file readers,
    // the configuration page, the kind-48 configuration window and the
    // wizard (capacity 0 is the factory value of an engine not entered yet).
    static constexpr qint64 PowerLow = 1, PowerHigh = 999;
    static constexpr qint64 CapacityLow = 0, CapacityHigh = 9999;

    // The values a [Model] key's device word holds (the model and correction
    // factors and offsets, thresholds and enrichments), in the file's units:
    // the one range the reader takes and every page that writes the key
    // checks and quotes. False for a key without such a word.
    static bool ModelKeyRange(const QString &key, double &low, double &high);
    // Whether the value's word, rounded, is one the device holds.
    static bool ModelKeyFits(const QString &key, double value);

    // Standard correction curves, point 1 first.
    static const std::array<qint8, 20> &StandardPsys();
    static const std::array<qint8, 20> &StandardTgas(bool sensorInFlow);
    static const std::array<qint8, 20> &StandardRpm();
};
