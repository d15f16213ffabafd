// The common services that need no window: number and on/off text
// conversions, the packed 32-bit date-time, the computer code of this PC, the
// list of serial ports and the file search by mask. `TCommon` (core/ui)
// inherits them, so they are reached both as `TCommonConv::X` from non-window
// code and as `Common->X` from the windows.
#pragma once

#include <QDateTime>
#include <QDir>
#include <QString>
#include <QStringList>
#include <cstdint>

struct TCommonConv {
    // ---- Text conversions (none raises) ----
    // 0 for an empty or invalid text ("12a"), else the decimal integer.
    static int StrToIntEmptyZero(const QString &text);
    // 0.0 for an empty or invalid text, else the number. Both "." and "," are
    // taken as the decimal separator (never as a thousands separator).
    static double StrToFloatEmptyZero(const QString &text);
    // The same conversion, for texts written with "." (files, device texts).
    static double StrToFloatDot(const QString &text);
    // General format with 2 significant digits and "." (3.14159 -> "3.1",
    // 0.5 -> "0.5", 100 -> "1E2"), whatever the user's settings.
    static QString FloatToStrDot(double value);
    static QString BoolToOnOff(bool flag);
    // True only for exactly "On".
    static bool OnOffToBool(const QString &text);

    // ---- Packed date-time: year<<20 | month<<16 | day<<11 | hour<<6 | minute ----
    static uint32_t PackDateTime(const QDateTime &time);
    struct TUnpackedDateTime {
        int year, month, day, hour, minute;
    };
    static TUnpackedDateTime UnpackDateTime(uint32_t value);
    // "%.4d-%.2d-%.2d %.2d:%.2d"
    static QString PackedDateTimeToStr(uint32_t value);

    // ---- Computer code ----
    // The 32-bit serial of the volume holding `root` (the file-system id; when
    // that is 0, the first 8 hex digits of /etc/machine-id), rotated right by
    // 3 bits and combined with 0x5C3A91E7. 0 when the volume cannot be read.
    static uint32_t GetVolumeSerial(const QString &root);
    // The rotation and mask alone, applied to a raw serial.
    static uint32_t ScrambleVolumeSerial(uint32_t rawSerial);
    // GetVolumeSerial of the system volume "/".
    static uint32_t GetSystemDriveSerial();
    // "%.4X-%.4X" of the high and low 16 bits: the code shown to the user and
    // written to a device's change history.
    static QString GetSystemDriveSerialText();
    static QString SerialToText(uint32_t serial);

    // ---- Serial ports ----
    // The port names present ("COM1", ...), sorted by number; the descriptions
    // (when asked for) in step with them: the device each port leads to.
    static void EnumerateComPorts(QStringList &ports, QStringList *descriptions = nullptr);
    // The same names, unsorted, in the order the ports folder lists them.
    static void ReadSerialCommNames(QStringList &ports);
    // The number after the first three characters ("COM12" -> 12; 0 when none).
    static int ComPortNumberFromName(const QString &name);

    // ---- Files ----
    // Bare names (no folder) of the files matching a mask such as
    // "/path/Resource/*.lng", sorted case-insensitively.
    static QStringList FindFilesByMask(const QString &mask, QDir::Filters filters = QDir::Files);
};
