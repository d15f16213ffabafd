#include "core/UnitConversions.h"

#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/NumberText.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <climits>
#include <charconv>
#include <cmath>
#include <map>

namespace {

// Sensor temperature in degrees C by table entry (entry = 255 - raw). The
// entries rise with the entry number; between the characteristic points every
// eighth raw value the curve is filled monotonically along the sensor's
// resistance characteristic.
constexpr std::array<double, 256> TemperatureTable = {
    -65.56, -55.46, -50.41, -46.88, -44.11, -41.81, -39.81, -38.05,
    -36.47, -35.03, -33.70, -32.45, -31.26, -30.12, -29.02, -27.95,
    -26.89, -25.83, -24.79, -23.78, -22.80, -21.85, -20.94, -20.08,
    -19.25, -18.43, -17.63, -16.86, -16.12, -15.40, -14.72, -14.06,
    -13.43, -12.84, -12.26, -11.71, -11.16, -10.62, -10.09, -9.56,
    -9.03, -8.51, -7.99, -7.48, -6.98, -6.48, -5.98, -5.49,
    -5.00, -4.50, -4.01, -3.52, -3.04, -2.57, -2.12, -1.68,
    -1.26, -0.87, -0.48, -0.10, 0.27, 0.65, 1.03, 1.43,
    1.84, 2.26, 2.69, 3.12, 3.56, 3.98, 4.40, 4.81,
    5.21, 5.60, 5.98, 6.36, 6.74, 7.12, 7.49, 7.86,
    8.23, 8.59, 8.96, 9.32, 9.68, 10.04, 10.40, 10.76,
    11.13, 11.50, 11.87, 12.24, 12.61, 12.98, 13.35, 13.71,
    14.07, 14.42, 14.77, 15.11, 15.46, 15.80, 16.15, 16.50,
    16.85, 17.21, 17.57, 17.92, 18.28, 18.63, 18.98, 19.33,
    19.67, 20.00, 20.33, 20.65, 20.98, 21.31, 21.65, 21.99,
    22.34, 22.70, 23.07, 23.43, 23.81, 24.18, 24.55, 24.92,
    25.29, 25.67, 26.04, 26.42, 26.79, 27.17, 27.54, 27.90,
    28.26, 28.61, 28.95, 29.29, 29.64, 29.99, 30.34, 30.70,
    31.07, 31.45, 31.83, 32.22, 32.61, 33.00, 33.39, 33.78,
    34.17, 34.55, 34.94, 35.32, 35.71, 36.11, 36.50, 36.91,
    37.32, 37.74, 38.17, 38.61, 39.04, 39.48, 39.91, 40.35,
    40.78, 41.22, 41.65, 42.08, 42.52, 42.96, 43.41, 43.86,
    44.32, 44.79, 45.26, 45.73, 46.22, 46.70, 47.19, 47.69,
    48.19, 48.70, 49.20, 49.72, 50.30, 50.78, 51.32, 51.87,
    52.44, 53.02, 53.61, 54.21, 54.82, 55.44, 56.07, 56.69,
    57.32, 57.95, 58.58, 59.22, 59.88, 60.54, 61.22, 61.92,
    62.64, 63.37, 64.12, 64.88, 65.67, 66.47, 67.30, 68.16,
    69.04, 69.96, 70.91, 71.88, 72.89, 73.92, 74.98, 76.07,
    77.19, 78.34, 79.54, 80.78, 82.05, 83.37, 84.74, 86.14,
    87.58, 89.07, 90.62, 92.23, 93.93, 95.72, 97.65, 99.73,
    102.00, 104.46, 107.15, 110.09, 113.33, 116.91, 120.89, 125.33,
    130.37, 136.23, 143.23, 151.88, 163.12, 178.98, 205.13, 272.81,
};

TValue16Reader &PressureValueReader()
{
    static TValue16Reader reader;
    return reader;
}

struct TPressureValueCache {
    int Depth = 0;
    std::map<int, int> Values;
};

TPressureValueCache &PressureValueCache()
{
    static TPressureValueCache cache;
    return cache;
}

int ReadPressureValue(int index)
{
    TPressureValueCache &cache = PressureValueCache();
    if (cache.Depth > 0) {
        const auto found = cache.Values.find(index);
        if (found != cache.Values.end())
            return found->second;
    }
    const TValue16Reader &reader = PressureValueReader();
    const int value = reader ? reader(index) : 0;
    if (cache.Depth > 0)
        cache.Values[index] = value;
    return value;
}

// Sensor output as a fraction of the 5 V supply.
double SensorFraction(double raw)
{
    return raw * 5.0 / 256.0 / 5.0;
}

double NotNegative(double value)
{
    return value < 0.0 ? 0.0 : value;
}

// Manifold-pressure formula of the sensor variants other than 1.
double OtherVariantPressure(double raw)
{
    return (SensorFraction(raw) + 0.00842) / 0.00242 / 100.0;
}

double Variant1Pressure(double raw)
{
    return (SensorFraction(raw) - 0.04) / 0.00369 / 100.0;
}

} // namespace

qint64 RoundClamped(double value, qint64 lo, qint64 hi)
{
    if (!(value >= double(lo)))
        return lo;
    if (value > double(hi))
        return hi;
    return qint64(std::nearbyint(value));
}

int SafeStrToInt(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    int value = 0;
    if (t.startsWith(QLatin1Char('$')))
        value = t.mid(1).toInt(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = t.mid(2).toInt(&ok, 16);
    else
        value = t.toInt(&ok, 10);
    return ok ? value : 0;
}

double SafeStrToFloat(const QString &text)
{
    double value = 0.0;
    return NumberText::ParseTyped(text, value) ? value : 0.0;
}

int FactorToPercent(double factor)
{
    return int(RoundClamped(100.0 * factor - 100.0, INT_MIN, INT_MAX));
}

double PercentToFactor(int percent)
{
    return percent / 100.0 + 1.0;
}

double RawToTimeMs(quint32 raw)
{
    return raw / 187.0;
}

QString FormatTimeMs(quint32 raw)
{
    return FormatFloat2(RawToTimeMs(raw));
}

QString FormatFloat2(double value)
{
    return FormatDecimals(value, 2);
}

QString ToShownSeparator(QString text)
{
    const QString point = ShownLocale().decimalPoint();
    if (point != QLatin1String("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

QString FormatDecimals(double value, int decimals)
{
    if (decimals < 0)
        return ToShownSeparator(QString::number(value, 'f', QLocale::FloatingPointShortest));
    return ToShownSeparator(QString::asprintf("%.*f", decimals, value));
}

quint16 TimeToRaw(double ms)
{
    return quint16(RoundClamped(ms * 187.0 / 32.0, 0, 127));
}

double RawToVoltage(quint8 raw)
{
    return raw * 5.0 / 256.0;
}

double RawToScaledVoltage(quint8 raw)
{
    return raw * 5.0 / 256.0 / 0.215;
}

double RawToCollectorPressureFor(int sensorType, quint8 raw)
{
    return NotNegative(sensorType == 1 ? Variant1Pressure(raw) : OtherVariantPressure(raw));
}

double RawToPressureFor(int sensorType, quint8 raw)
{
    if (sensorType == 1)
        return NotNegative(Variant1Pressure(raw));
    const int value13 = ReadPressureValue(13);
    const int value15 = ReadPressureValue(15);
    if (value15 > value13)
        return 0.0;
    if (raw < 250)
        return NotNegative(Variant1Pressure(raw));
    return NotNegative(OtherVariantPressure(double(value13 - value15)));
}

double RawToPressure(quint8 raw)
{
    return RawToPressureFor(DeviceRecord.PressureSensorType, raw);
}

QString FormatPressure(quint8 raw)
{
    return raw == 0 ? QStringLiteral("0") : FormatFloat2(RawToPressure(raw));
}

double RawToCollectorPressure(quint8 raw)
{
    return RawToCollectorPressureFor(DeviceRecord.PressureSensorType, raw);
}

QString FormatCollectorPressure(quint8 raw)
{
    return FormatFloat2(RawToCollectorPressure(raw));
}

namespace {

// The raw manifold byte for a pressure, before any limiting.
double CollectorRawExact(int sensorType, double bar)
{
    if (sensorType == 1)
        return (bar * 100.0 * 0.00369 + 0.04) * 5.0 * 256.0 / 5.0;
    return (bar * 100.0 * 0.00242 - 0.00842) * 5.0 * 256.0 / 5.0;
}

} // namespace

quint8 CollectorPressureToRawFor(int sensorType, double bar)
{
    return quint8(RoundClamped(CollectorRawExact(sensorType, bar), 0, 255));
}

quint16 CollectorRawToCode(int raw)
{
    // (raw - 10) / 2 truncates toward zero; the field has six bits.
    const int c = std::clamp((raw - 10) / 2, 0, 63);
    return quint16(c << 7);
}

quint8 CodeToCollectorRaw(quint16 word)
{
    return quint8(((word >> 7) & 0x3F) * 2 + 10);
}

quint16 CollectorPressureToCode(double bar)
{
    const qint64 raw =
        RoundClamped(CollectorRawExact(DeviceRecord.PressureSensorType, bar), -1000, 1000);
    return CollectorRawToCode(int(raw));
}

void SetPressureValueReader(TValue16Reader reader)
{
    PressureValueReader() = std::move(reader);
    PressureValueCache().Values.clear();
}

TPressureValuesOnce::TPressureValuesOnce()
{
    ++PressureValueCache().Depth;
}

TPressureValuesOnce::~TPressureValuesOnce()
{
    TPressureValueCache &cache = PressureValueCache();
    if (--cache.Depth == 0)
        cache.Values.clear();
}

quint16 PackMapPoint(int state, double timeMs, double pressureBar)
{
    const int s = std::clamp(state, 0, 7);
    return quint16((s << 13) | CollectorPressureToCode(pressureBar) | TimeToRaw(timeMs));
}

double TemperatureTableEntry(int index)
{
    return TemperatureTable[std::clamp(index, 0, 255)];
}

double RawToTemperature(quint8 raw)
{
    return TemperatureTable[255 - raw];
}

QString FormatTemperature(quint8 raw)
{
    if (raw == 0)
        return QStringLiteral("0");
    // The table holds hundredths. The texts workshops know were formatted from
    // 80-bit extended values, where an entry such as 40.35 lies just below the
    // half and shows as "40.3"; formatting the same decimal value in extended
    // precision gives the same texts.
    const long double hundredths = std::llround(RawToTemperature(raw) * 100.0);
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, hundredths / 100.0L,
                                      std::chars_format::fixed, 1);
    return ToShownSeparator(QString::fromLatin1(text, int(result.ptr - text)));
}

int PeriodToRpm(quint32 period)
{
    if (period == 0)
        return 0;
    return int(std::nearbyint(120.0 / (period / 187.0 / 1000.0) / 10.0)) * 10;
}

QString FormatRpm(quint32 period)
{
    return period == 0 ? QStringLiteral("0") : QString::number(PeriodToRpm(period));
}

namespace {

double AverageTime(const std::array<quint32, TDeviceRecord::ChannelCount> &times)
{
    const int count = std::min<int>(DeviceRecord.InjSW, TDeviceRecord::ChannelCount);
    if (count == 0)
        return 0.0;
    double sum = 0.0;
    for (int i = 0; i < count; ++i)
        sum += RawToTimeMs(times[i] & 0xFFFF);
    return sum / count;
}

} // namespace

double GetAverageInjectionTime()
{
    return AverageTime(DeviceRecord.PetrolTime);
}

double GetAverageInjectionTime2()
{
    return AverageTime(DeviceRecord.GasTime);
}
