#include "core/UnitConversions.h"

#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/NumberText.h"
#include "core/SettingsFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

// The language shown while it lives (the numbers' separator follows it).
class ShownLanguage
{
public:
    explicit ShownLanguage(TLM &lm) : FBefore(LM) { LM = &lm; }
    ~ShownLanguage() { LM = FBefore; }
    ShownLanguage(const ShownLanguage &) = delete;
    ShownLanguage &operator=(const ShownLanguage &) = delete;

private:
    TLM *FBefore;
};

class UnitConversions : public ::testing::Test
{
protected:
    void SetUp() override { DeviceRecord.Clear(); }
    void TearDown() override
    {
        SetPressureValueReader(nullptr);
        DeviceRecord.Clear();
    }
};

} // namespace

TEST_F(UnitConversions, RoundingIsNearestWithTiesToEvenAndLimited)
{
    EXPECT_EQ(RoundClamped(2.5, 0, 10), 2);
    EXPECT_EQ(RoundClamped(3.5, 0, 10), 4);
    EXPECT_EQ(RoundClamped(-2.5, -10, 10), -2);
    EXPECT_EQ(RoundClamped(2.51, 0, 10), 3);
    EXPECT_EQ(RoundClamped(11.0, 0, 10), 10);
    EXPECT_EQ(RoundClamped(-1.0, 0, 10), 0);
    EXPECT_EQ(RoundClamped(std::nan(""), 3, 10), 3);
    EXPECT_EQ(RoundClamped(1e300, 0, 65535), 65535);
}

TEST_F(UnitConversions, SafeStringConversionsGiveZeroOnBadText)
{
    EXPECT_EQ(SafeStrToInt(""), 0);
    EXPECT_EQ(SafeStrToInt("abc"), 0);
    EXPECT_EQ(SafeStrToInt("12.5"), 0);
    EXPECT_EQ(SafeStrToInt(" 42 "), 42);
    EXPECT_EQ(SafeStrToInt("-7"), -7);
    EXPECT_EQ(SafeStrToInt("$1F"), 31);
    EXPECT_EQ(SafeStrToInt("0x10"), 16);
    EXPECT_EQ(SafeStrToInt("99999999999"), 0);  // does not fit an int

    // A number as typed in the language shown (here Polish): its comma or
    // the point.
    TLM lm;
    lm.Language = QStringLiteral("PL");
    const ShownLanguage polish(lm);
    EXPECT_DOUBLE_EQ(SafeStrToFloat(""), 0.0);
    EXPECT_DOUBLE_EQ(SafeStrToFloat("x1"), 0.0);
    EXPECT_DOUBLE_EQ(SafeStrToFloat("1,5"), 1.5);
    EXPECT_DOUBLE_EQ(SafeStrToFloat("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(SafeStrToFloat(" -0,25 "), -0.25);
    EXPECT_DOUBLE_EQ(SafeStrToFloat("1.000,5"), 0.0);  // group separators are not numbers
    EXPECT_DOUBLE_EQ(SafeStrToFloat("nan"), 0.0);
    EXPECT_DOUBLE_EQ(SafeStrToFloat("inf"), 0.0);
}

// Every typed number is read one way: the separator of the language shown
// or a point, one number and nothing else, checked against what its field
// holds. Files take either separator whatever the language.
TEST_F(UnitConversions, TypedNumbersAreReadOneWayAndCheckedAgainstTheirField)
{
    using NumberText::TFault;
    const NumberText::TField ms{-5, 5}, kW{1, 999, true};
    const struct {
        const char *Language;
        const char *Text;
        NumberText::TField Field;
        TFault Fault;
        double Value;
    } rows[] = {
        {"PL", "0,5", ms, TFault::None, 0.5},
        {"PL", "0.5", ms, TFault::None, 0.5},
        {"PL", " -0,7 ", ms, TFault::None, -0.7},
        {"EN", "0.5", ms, TFault::None, 0.5},
        {"EN", "0,5", ms, TFault::NotANumber, 0},     // no separator of English
        {"PL", "0,5,1", ms, TFault::NotANumber, 0},   // two separators
        {"EN", "0,5,1", ms, TFault::NotANumber, 0},
        {"PL", "0..5", ms, TFault::NotANumber, 0},
        {"PL", "0.5,1", ms, TFault::NotANumber, 0},
        {"PL", "", ms, TFault::NotANumber, 0},        // an empty field
        {"PL", "   ", ms, TFault::NotANumber, 0},
        {"PL", "abc", ms, TFault::NotANumber, 0},
        {"PL", "1a", ms, TFault::NotANumber, 0},
        {"PL", "1 000", kW, TFault::NotANumber, 0},   // no group separators
        {"PL", "nan", ms, TFault::NotANumber, 0},
        {"PL", "inf", ms, TFault::NotANumber, 0},
        {"PL", "1e400", kW, TFault::NotANumber, 0},
        {"PL", "-", ms, TFault::NotANumber, 0},
        {"PL", "8,5", kW, TFault::NotWhole, 0},       // "8,5" kW is not 85
        {"PL", "8.5", kW, TFault::NotWhole, 0},
        {"EN", "8.5", kW, TFault::NotWhole, 0},
        {"PL", "85", kW, TFault::None, 85},
        {"PL", "1e2", kW, TFault::None, 100},
        {"PL", "0", kW, TFault::OutOfRange, 0},
        {"PL", "1000", kW, TFault::OutOfRange, 0},
        {"PL", "5,01", ms, TFault::OutOfRange, 0},
        {"PL", "-5", ms, TFault::None, -5},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.Language) + " \"" + row.Text + "\"");
        TLM lm;
        lm.Language = QString::fromLatin1(row.Language);
        const ShownLanguage shown(lm);
        double value = -99;
        EXPECT_EQ(NumberText::ReadTyped(QString::fromLatin1(row.Text), row.Field, value), row.Fault);
        EXPECT_EQ(value, row.Fault == TFault::None ? row.Value : -99.0); // a refused text sets nothing
        // A file's number takes either separator in every language.
        double file = 0;
        const bool oneNumber = row.Fault != TFault::NotANumber || std::string(row.Text) == "0,5";
        EXPECT_EQ(NumberText::ParseFileNumber(QString::fromLatin1(row.Text), file), oneNumber);
    }

    // The refusal names the field, what is wrong and what the field holds.
    TLM lm;
    lm.Language = QStringLiteral("EN");
    const ShownLanguage english(lm);
    EXPECT_EQ(NumberText::Refusal(QStringLiteral("Engine power [kW]:"), TFault::NotWhole, kW),
              QStringLiteral("Engine power [kW]: !_strConfValueNotWhole !_strConfValueAllowed 1\u00A0-\u2060\u00A0999"));
    EXPECT_EQ(NumberText::Refusal(QStringLiteral("Offset"), TFault::OutOfRange, ms),
              QStringLiteral("Offset: !_strConfValueRange -5\u00A0-\u2060\u00A05"));
    const double any = std::numeric_limits<double>::infinity();
    EXPECT_EQ(NumberText::Refusal(QStringLiteral("P1"), TFault::NotANumber, {-any, any}),
              QStringLiteral("P1: !_strConfValueNotNumber"));
}

// Every number on screen comes from one formatter, in the separator of the
// language shown: fixed decimals, as few as give the value back, the texts
// a format pattern wrote, and the bounds a refusal quotes.
TEST_F(UnitConversions, NumbersOnScreenComeFromOneFormatterInTheLanguageShown)
{
    const struct {
        const char *Language;
        const char *Point;
    } languages[] = {{"EN", "."}, {"PL", ","}};
    for (const auto &l : languages) {
        SCOPED_TRACE(l.Language);
        TLM lm;
        lm.Language = QString::fromLatin1(l.Language);
        const ShownLanguage shown(lm);
        const auto in = [&l](const char *text) { return QString::fromLatin1(text).replace(u'.', QLatin1String(l.Point)); };
        EXPECT_EQ(FormatDecimals(1.5, 2), in("1.50"));
        EXPECT_EQ(FormatDecimals(-0.5, 1), in("-0.5"));
        EXPECT_EQ(FormatDecimals(1234.5678, 2), in("1234.57")); // no group separator
        EXPECT_EQ(FormatDecimals(1.2, ShortestDecimals), in("1.2"));
        EXPECT_EQ(FormatDecimals(1.25, ShortestDecimals), in("1.25"));
        EXPECT_EQ(FormatDecimals(1e6, ShortestDecimals), in("1000000")); // never an exponent
        EXPECT_EQ(FormatDecimals(-0.7, ShortestDecimals), in("-0.7"));
        EXPECT_EQ(FormatFloat2(-0.5), in("-0.50"));
        EXPECT_EQ(FormatTimeMs(100), in("0.53"));
        EXPECT_EQ(ToShownSeparator(QStringLiteral(" 12.5 mV")), in(" 12.5 mV"));
        // A bound, rounded inwards, without trailing zeros.
        EXPECT_EQ(TSettingsFile::FormatBound(63.999, false), in("63.99"));
        EXPECT_EQ(TSettingsFile::FormatBound(-175.2299, true), in("-175.22"));
        EXPECT_EQ(TSettingsFile::FormatBound(0.5, true), in("0.5"));
        EXPECT_EQ(TSettingsFile::FormatBound(999, false), in("999"));
        EXPECT_EQ(TSettingsFile::FormatBound(1e6, false), in("1000000"));
        EXPECT_EQ(TSettingsFile::FormatBound(-0.001, true), in("0")); // no "-0"
        for (int hundredths = -40000; hundredths <= 40000; hundredths += 7) {
            const QString bound = TSettingsFile::FormatBound(hundredths / 100.0, true);
            double back = 0;
            ASSERT_TRUE(NumberText::ParseTyped(bound, back)) << bound.toStdString();
            EXPECT_EQ(std::lround(back * 100), hundredths) << bound.toStdString();
            EXPECT_FALSE(bound.contains(QLatin1String(l.Point)) && bound.endsWith(u'0')) << bound.toStdString();
        }
    }
}

TEST_F(UnitConversions, CorrectionFactorsAndPercent)
{
    EXPECT_EQ(FactorToPercent(1.05), 5);     // 105 - 100
    EXPECT_EQ(FactorToPercent(1.25), 25);
    EXPECT_EQ(FactorToPercent(0.9), -10);
    EXPECT_EQ(FactorToPercent(1.125), 12);   // 12.5 -> even neighbour 12
    EXPECT_EQ(FactorToPercent(1.375), 38);   // 37.5 -> even neighbour 38
    EXPECT_DOUBLE_EQ(PercentToFactor(-3), 0.97);
    EXPECT_DOUBLE_EQ(PercentToFactor(0), 1.0);
    EXPECT_DOUBLE_EQ(PercentToFactor(25), 1.25);
    for (int p = -100; p <= 100; ++p)
        EXPECT_EQ(FactorToPercent(PercentToFactor(p)), p);
}

TEST_F(UnitConversions, TimesInUnitsOf187PerMillisecond)
{
    EXPECT_DOUBLE_EQ(RawToTimeMs(374), 2.0);
    EXPECT_DOUBLE_EQ(RawToTimeMs(0), 0.0);
    EXPECT_EQ(FormatTimeMs(374), "2.00");
    EXPECT_EQ(FormatTimeMs(100), "0.53");    // 100 / 187 = 0.5347...
    EXPECT_EQ(FormatFloat2(-0.5), "-0.50");
    EXPECT_EQ(FormatFloat2(1234.5678), "1234.57");

    // Time field of a map point: ms x 187 / 32.
    EXPECT_EQ(TimeToRaw(0.5), 3);            // 2.92 -> 3
    EXPECT_EQ(TimeToRaw(4.0), 23);           // 23.375 -> 23
    EXPECT_EQ(TimeToRaw(21.7), 127);         // 126.8 -> 127
    EXPECT_EQ(TimeToRaw(22.0), 127);         // 128.56 does not fit seven bits: limited, not 1
    EXPECT_EQ(TimeToRaw(100.0), 127);
    EXPECT_EQ(TimeToRaw(-1.0), 0);
}

TEST_F(UnitConversions, Voltages)
{
    EXPECT_DOUBLE_EQ(RawToVoltage(128), 2.5);             // 128 x 5 / 256
    EXPECT_DOUBLE_EQ(RawToVoltage(255), 255 * 5.0 / 256);
    EXPECT_NEAR(RawToScaledVoltage(128), 11.6279, 1e-4);  // 2.5 / 0.215
    EXPECT_DOUBLE_EQ(RawToScaledVoltage(0), 0.0);
}

TEST_F(UnitConversions, ManifoldPressureBySensorVariant)
{
    // raw 128: v = 0.5. Variant 1: (0.5 - 0.04) / 0.00369 / 100 = 1.24661 bar.
    EXPECT_NEAR(RawToCollectorPressureFor(1, 128), 1.24661, 1e-5);
    // Other variants: (0.5 + 0.00842) / 0.00242 / 100 = 2.10091 bar.
    EXPECT_NEAR(RawToCollectorPressureFor(2, 128), 2.10091, 1e-5);
    EXPECT_NEAR(RawToCollectorPressureFor(3, 128), 2.10091, 1e-5);
    // raw 5: v = 0.0195 < 0.04, negative -> 0.
    EXPECT_DOUBLE_EQ(RawToCollectorPressureFor(1, 5), 0.0);

    DeviceRecord.PressureSensorType = 1;
    EXPECT_NEAR(RawToCollectorPressure(128), 1.24661, 1e-5);
    EXPECT_EQ(FormatCollectorPressure(128), "1.25");
    EXPECT_EQ(FormatCollectorPressure(0), "0.00");
    DeviceRecord.PressureSensorType = 2;
    EXPECT_EQ(FormatCollectorPressure(128), "2.10");
}

TEST_F(UnitConversions, GasPressureVariantOneNeedsNoDevice)
{
    int calls = 0;
    SetPressureValueReader([&](int) { ++calls; return 0; });
    DeviceRecord.PressureSensorType = 1;
    EXPECT_NEAR(RawToPressure(128), 1.24661, 1e-5);
    EXPECT_DOUBLE_EQ(RawToPressure(0), 0.0);
    EXPECT_EQ(FormatPressure(0), "0");
    EXPECT_EQ(FormatPressure(128), "1.25");
    EXPECT_EQ(calls, 0);
}

TEST_F(UnitConversions, GasPressureOtherVariantsReadIndexes13And15EveryCall)
{
    std::vector<int> asked;
    int value13 = 200, value15 = 50;
    SetPressureValueReader([&](int index) {
        asked.push_back(index);
        return index == 13 ? value13 : index == 15 ? value15 : -1;
    });
    DeviceRecord.PressureSensorType = 2;
    // raw below 250: (100/256 - 0.04) / 0.369 = 0.95020 bar.
    EXPECT_NEAR(RawToPressure(100), 0.95020, 1e-5);
    // raw 250 and above: (150/256 + 0.00842) / 0.242 = 2.45602 bar.
    EXPECT_NEAR(RawToPressure(250), 2.45602, 1e-5);
    EXPECT_EQ(asked, (std::vector<int>{13, 15, 13, 15}));
    // index 15 above index 13: 0.
    value15 = 201;
    EXPECT_DOUBLE_EQ(RawToPressure(100), 0.0);
    EXPECT_DOUBLE_EQ(RawToPressure(255), 0.0);
}

TEST_F(UnitConversions, MapPointPressureFieldIsLimitedToSixBits)
{
    DeviceRecord.PressureSensorType = 1;
    // 1.0 bar: raw = (0.369 + 0.04) x 256 = 104.7 -> 105; (105 - 10) / 2 = 47 (truncated); 47 << 7.
    EXPECT_EQ(CollectorPressureToCode(1.0), 47 << 7);
    EXPECT_EQ(CodeToCollectorRaw(47 << 7), 104);  // 47 x 2 + 10
    // 0 bar: raw = 10.24 -> 10, field 0.
    EXPECT_EQ(CollectorPressureToCode(0.0), 0);
    // 2.5 bar: raw 246.4 -> 246, field 118 would spill into the state bits: limited to 63.
    EXPECT_EQ(CollectorPressureToCode(2.5), 63 << 7);
    EXPECT_EQ(CollectorPressureToCode(-5.0), 0);

    DeviceRecord.PressureSensorType = 2;
    // 1.0 bar: raw = (0.242 - 0.00842) x 256 = 59.8 -> 60; (60 - 10) / 2 = 25.
    EXPECT_EQ(CollectorPressureToCode(1.0), 25 << 7);
    // 0.1 bar: raw 4.04 -> 4, (4 - 10) / 2 = -3: limited to 0.
    EXPECT_EQ(CollectorPressureToCode(0.1), 0);
    EXPECT_EQ(CollectorPressureToCode(3.0), 63 << 7);

    EXPECT_EQ(CollectorRawToCode(11), 0);        // (11 - 10) / 2 = 0
    EXPECT_EQ(CollectorRawToCode(255), 63 << 7);
    EXPECT_EQ(CollectorRawToCode(9), 0);         // (9 - 10) / 2 truncates to 0
    EXPECT_EQ(CollectorPressureToRawFor(1, 1.0), 105);
    EXPECT_EQ(CollectorPressureToRawFor(2, 0.0), 0);      // -2.16 -> 0
    EXPECT_EQ(CollectorPressureToRawFor(1, 10.0), 255);   // 954.9 -> 255
}

TEST_F(UnitConversions, PackMapPointKeepsItsFieldsApart)
{
    DeviceRecord.PressureSensorType = 1;
    // state 5 << 13 = 40960, pressure 1.0 bar = 47 << 7 = 6016, time 0.5 ms = 3.
    EXPECT_EQ(PackMapPoint(5, 0.5, 1.0), 40960 + 6016 + 3);
    // A state above seven, a pressure and a time beyond their fields are limited.
    EXPECT_EQ(PackMapPoint(9, 50.0, 5.0), (7 << 13) | (63 << 7) | 127);
    EXPECT_EQ(PackMapPoint(-1, -1.0, -1.0), 0);
    // Decoding gives back the state and the raw byte of the field.
    const quint16 w = PackMapPoint(3, 4.0, 1.0);
    EXPECT_EQ(w >> 13, 3);
    EXPECT_EQ(CodeToCollectorRaw(w), 104);
    EXPECT_EQ(w & 0x7F, 23);
}

TEST_F(UnitConversions, TemperatureTableIsCompleteMonotoneAndHoldsTheCharacteristicPoints)
{
    const std::vector<std::pair<int, double>> rows = {
        {0, 272.81}, {8, 125.33}, {16, 99.73}, {24, 86.14}, {32, 76.07}, {40, 68.16},
        {48, 61.92}, {56, 56.69}, {64, 51.87}, {72, 47.69}, {80, 43.86}, {88, 40.35},
        {96, 36.91}, {104, 33.78}, {112, 30.70}, {120, 27.90}, {128, 24.92}, {136, 21.99},
        {144, 19.33}, {152, 16.50}, {160, 13.71}, {168, 10.76}, {176, 7.86}, {184, 4.81},
        {192, 1.43}, {200, -1.68}, {208, -5.49}, {216, -9.56}, {224, -14.06}, {232, -20.08},
        {240, -27.95}, {248, -38.05}, {255, -65.56}};
    for (const auto &[raw, celsius] : rows)
        EXPECT_DOUBLE_EQ(RawToTemperature(quint8(raw)), celsius) << "raw " << raw;
    for (int raw = 0; raw < 255; ++raw)
        EXPECT_GT(RawToTemperature(quint8(raw)), RawToTemperature(quint8(raw + 1))) << raw;
    for (int index = 0; index < 256; ++index)
        EXPECT_DOUBLE_EQ(TemperatureTableEntry(index), RawToTemperature(quint8(255 - index)));
    EXPECT_DOUBLE_EQ(TemperatureTableEntry(-5), -65.56);
    EXPECT_DOUBLE_EQ(TemperatureTableEntry(300), 272.81);

    EXPECT_EQ(FormatTemperature(0), "0");
    EXPECT_EQ(FormatTemperature(128), "24.9");
    EXPECT_EQ(FormatTemperature(255), "-65.6");
    // The live readings' own examples: raw 67 reads 50.3, 88 reads 40.3 and
    // 195 reads 0.3 degrees.
    EXPECT_EQ(FormatTemperature(67), "50.3");
    EXPECT_EQ(FormatTemperature(88), "40.3");
    EXPECT_EQ(FormatTemperature(195), "0.3");
}

TEST_F(UnitConversions, RpmFromThePeriodInStepsOfTen)
{
    EXPECT_EQ(PeriodToRpm(0), 0);
    EXPECT_EQ(PeriodToRpm(3740), 6000);    // 20 ms: 120 / 0.02 = 6000
    EXPECT_EQ(PeriodToRpm(187), 120000);   // 1 ms
    EXPECT_EQ(PeriodToRpm(35904), 620);    // 192 ms: 625 / 10 = 62.5 -> 62 (even) -> 620
    EXPECT_EQ(PeriodToRpm(11968), 1880);   // 64 ms: 1875 / 10 = 187.5 -> 188 -> 1880
    EXPECT_EQ(PeriodToRpm(10000), 2240);   // 224.4 -> 224
    EXPECT_EQ(FormatRpm(0), "0");
    EXPECT_EQ(FormatRpm(3740), "6000");
}

TEST_F(UnitConversions, AverageInjectionTimesOverTheConfiguredChannels)
{
    DeviceRecord.InjSW = 0;
    DeviceRecord.PetrolTime.fill(374);
    EXPECT_DOUBLE_EQ(GetAverageInjectionTime(), 0.0);
    EXPECT_DOUBLE_EQ(GetAverageInjectionTime2(), 0.0);

    DeviceRecord.InjSW = 2;
    DeviceRecord.PetrolTime[0] = 0x10000 + 187;  // only the low 16 bits count: 1 ms
    DeviceRecord.PetrolTime[1] = 374;            // 2 ms
    DeviceRecord.GasTime[0] = 561;               // 3 ms
    DeviceRecord.GasTime[1] = 187;               // 1 ms
    EXPECT_DOUBLE_EQ(GetAverageInjectionTime(), 1.5);
    EXPECT_DOUBLE_EQ(GetAverageInjectionTime2(), 2.0);

    // A cylinder count beyond the eight channels averages the eight.
    DeviceRecord.InjSW = 200;
    DeviceRecord.PetrolTime.fill(187);
    DeviceRecord.PetrolTime[7] = 187 * 9;
    EXPECT_DOUBLE_EQ(GetAverageInjectionTime(), 2.0);  // (7 x 1 + 9) / 8
}
