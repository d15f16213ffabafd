// Raw unit conversions of the controller's values: raw integers of the device
// configuration record to engineering units and display texts, and back.
//
// Times are raw units of 1/187 ms; voltages 8-bit raw over 5 V; pressures 8-bit
// raw by the record's PressureSensorType (variant 1 or any other value);
// temperatures 8-bit raw through a fixed 256-entry table; RPM from the 16-bit
// engine period. Rounding is to the nearest integer with ties to even.
#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// Nearest integer (ties to even), limited to lo..hi; NaN gives lo.
qint64 RoundClamped(double value, qint64 lo, qint64 hi);

// The number of a text, 0 for an empty text or one that is no number;
// surrounding blanks are ignored. SafeStrToInt takes a decimal integer, or a
// hexadecimal one after "$" or "0x"; SafeStrToFloat a number typed in the
// language shown (NumberText::ParseTyped: the point or the language's
// separator). The 0 stands in only for what is shown (a label worked out
// from an edit): a typed value that goes to the device is read with
// NumberText::ReadTyped, which refuses a text that is no number.
int SafeStrToInt(const QString &text);
double SafeStrToFloat(const QString &text);

// Correction factor near 1 <-> percentage.
int FactorToPercent(double factor);      // nearest integer to 100 x factor - 100
double PercentToFactor(int percent);     // percent / 100 + 1

// Numbers on screen. Every number the program shows carries the decimal
// separator of the language shown (ShownLocale), whatever the user's own
// locale; files and frames keep their own form. FormatDecimals is the one
// formatter of a number for the screen; the Format... conversions below
// give their texts through it.
constexpr int ShortestDecimals = -1;
// "%.<decimals>f" with the separator of the language shown; with
// ShortestDecimals as few decimals as give the value back exactly ("1.25",
// "1000000", never an exponent).
QString FormatDecimals(double value, int decimals);
// A number written in C form with a point ("%5.1f" of a format pattern),
// with the separator of the language shown: FormatDecimals's last step, for
// the texts a format pattern of a variable writes.
QString ToShownSeparator(QString text);

// Times.
double RawToTimeMs(quint32 raw);         // raw / 187
QString FormatTimeMs(quint32 raw);       // RawToTimeMs with 2 decimals, shown
QString FormatFloat2(double value);      // 2 decimals, shown
quint16 TimeToRaw(double ms);            // 7-bit time field of a map point, 0..127

// Voltages.
double RawToVoltage(quint8 raw);         // raw x 5 / 256
double RawToScaledVoltage(quint8 raw);   // supply voltage behind its 0.215 divider

// Pressures (by the global record's PressureSensorType).
double RawToPressure(quint8 raw);                 // gas pressure, bar
QString FormatPressure(quint8 raw);               // "0" for raw 0, else 2 decimals, shown
double RawToCollectorPressure(quint8 raw);        // manifold pressure, bar
QString FormatCollectorPressure(quint8 raw);      // 2 decimals, shown
quint16 CollectorPressureToCode(double bar);      // map-point pressure field (bits 12-7)

// The same conversions for an explicit sensor variant.
double RawToCollectorPressureFor(int sensorType, quint8 raw);
double RawToPressureFor(int sensorType, quint8 raw);
// Raw manifold-pressure byte for a pressure, limited to 0..255.
quint8 CollectorPressureToRawFor(int sensorType, double bar);
// The map-point pressure field of a raw manifold-pressure byte, and back.
quint16 CollectorRawToCode(int raw);
quint8 CodeToCollectorRaw(quint16 word);

// The gas pressure of sensor variants other than 1 needs the values of
// indexes 13 and 15 of the device (command 0x40) on every call. The data
// manager installs the reader at start; without one both values are 0.
using TValue16Reader = std::function<int(int index)>;
void SetPressureValueReader(TValue16Reader reader);

// While one of these lives, each index is read from the device once and its
// value serves every later conversion (one refresh of the readings shows a
// pressure and colours it by the same reading). Scopes may nest.
class TPressureValuesOnce
{
public:
    TPressureValuesOnce();
    ~TPressureValuesOnce();
    TPressureValuesOnce(const TPressureValuesOnce &) = delete;
    TPressureValuesOnce &operator=(const TPressureValuesOnce &) = delete;
};

// Map point: state (3 bits) << 13 | pressure field | time field.
quint16 PackMapPoint(int state, double timeMs, double pressureBar);

// Temperatures.
double RawToTemperature(quint8 raw);     // table entry 255 - raw, degrees C
QString FormatTemperature(quint8 raw);   // "0" for raw 0, else 1 decimal, shown
// The table by entry number 0..255 (rising with the entry number).
double TemperatureTableEntry(int index);

// RPM.
int PeriodToRpm(quint32 period);         // in steps of ten; 0 for period 0
QString FormatRpm(quint32 period);       // "0" for period 0, else "%d"

// Mean petrol (gas) injection time in ms over the configured channels of the
// global record (at most eight); 0 when no channel is configured.
double GetAverageInjectionTime();
double GetAverageInjectionTime2();
