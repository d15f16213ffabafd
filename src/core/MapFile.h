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
// case, and the scrambled form of the same text (see Scramble.h).
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
// Ranges a stored point must lie in: what the device's point word holds.
constexpr double kMaxLoad = 2.5;                 // bar
constexpr double kMaxTime = 127 * 32 / 187.0;    // ms
constexpr int kMaxBand = 7;

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

// Reads a whole file. Refuses a text without either block name (also after
// unscrambling), a text cut off inside its last line, a block of more than
// kMaxRows rows, and a row whose number, load, time or band lies outside its
// range; rows with fewer than three TABs or fields that are no numbers are
// skipped. Rows are stored in file order.
TReadResult Read(const QByteArray &data);

} // namespace MapFile
