// Map files (*.dmf): the measured petrol and gas point tables as text, one
// row a line ended by CR LF, fields separated by TAB:
//
//   PETROL
//   Lp<TAB>PoinX<TAB>PoinY<TAB>RPM>4000
//   <row number><TAB><load, bar, 2 decimals><TAB><time, ms, 2 decimals><TAB><band>
//   ...
//   (empty line)
//   LPG
//   (the same header and rows for the gas points)
//
// The reader accepts both decimal separators, block names in any letter
// case, a leading UTF-8 byte-order mark, lines ended by CR alone, and the
// scrambled form of the same text (see Scramble.h).
#pragma once

#include "core/DeviceRecord.h"

#include <QByteArray>
#include <QChar>
#include <QString>

#include <vector>

namespace MapFile {

using TPoints = std::vector<TRecordingPoint>;

// Largest number of rows in a block, the size of a device table.
constexpr int kMaxRows = TDeviceRecord::RecordingSize;
// Ranges a stored point must lie in: what the device's point word holds
// (the load's range depends on the pressure sensor type, see LoadRange).
constexpr double kMaxLoad = 2.5;                 // bar, any sensor type
constexpr double kMaxTime = 127 * 32 / 187.0;    // ms
constexpr int kMaxBand = 7;
// A map file larger than this is no map file (two full tables are about
// 8 kB).
constexpr qint64 kMaxFileSize = 256 * 1024;

// The loads the point word holds for a pressure sensor type, in bar: from
// the load of its lowest to that of its highest pressure field.
void LoadRange(int sensorType, double &low, double &high);
// Whether the point word holds the load for the sensor type (a load outside
// would be stored as the nearest end of the range).
bool LoadFits(int sensorType, double load);
// The point as the device stores it: load and time as its point word holds
// them for the sensor type.
TRecordingPoint Stored(const TRecordingPoint &point, int sensorType);

// The point word the device keeps for the point with the sensor type. The
// word 0 marks an empty slot for the device.
quint16 Word(const TRecordingPoint &point, int sensorType);

// The file's bytes for the two tables; decimal is the decimal separator
// written ('.' or ',').
QByteArray Save(const TPoints &petrol, const TPoints &gas, QChar decimal);

struct TReadResult {
    bool Ok = false;
    // Text key of the reason when not Ok, and the file line it refers to
    // (1-based, 0 for the whole file).
    QString ErrorKey;
    int Line = 0;
    bool Scrambled = false;
    bool HasPetrol = false;      // the block name stands in the file
    bool HasGas = false;
    TPoints Petrol, Gas;
};

// Reads a whole file for a device with the pressure sensor type. Leading
// UTF-8 byte-order marks are skipped; lines end in CR LF, LF or CR alone. Refuses a text without either block name (also
// after unscrambling), a text with a block name that other characters
// precede on its line (never taken for a missing block), a text cut off
// inside its last line, a block of more than kMaxRows rows, a row whose load
// (LoadFits), time or band lies outside its range, and a row whose point
// word would be 0 (an empty slot to the device); rows with fewer than three
// TABs or fields that are no numbers are skipped. Rows are stored in file
// order: the row number is not used, the rows' running count places them.
TReadResult Read(const QByteArray &data, int sensorType);

} // namespace MapFile
