// The number and date converters that take texts from files, grids, typed
// fields and the device: the one decimal reading of files and typed numbers
// (NumberText) with the check of a typed number against its field,
// SafeStrToInt/SafeStrToFloat, the "empty is zero" conversions, the screen's
// number formatter, and the packed 32-bit date and time of the device's
// change history.
//
// Input: any bytes. They are read as a text twice (Latin-1 and UTF-8), and
// every 4 bytes as one packed date (high byte first, as the device sends it).
#include "fuzz/support/FuzzSupport.h"

#include "core/CommonConv.h"
#include "core/NumberText.h"
#include "core/UnitConversions.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>

namespace {

// One number and nothing else, read the same with either separator; a
// typed number is the file reading with fewer separators, and one its field
// takes lies within the field.
void CheckDecimal(const QString &text)
{
    double file = 0;
    const bool isFile = NumberText::ParseFileNumber(text, file);
    if (isFile) {
        FUZZ_CHECK(std::isfinite(file));
        FUZZ_CHECK(NumberText::ParseFileNumber(QString::number(file, 'g', 17), file));
        double comma = 0;
        FUZZ_CHECK(NumberText::ParseFileNumber(QString(text).replace(u'.', u','), comma) && comma == file);
        // The screen's text of the number reads back as the number.
        double shown = 0;
        FUZZ_CHECK(NumberText::ParseTyped(FormatDecimals(file, ShortestDecimals), shown) && shown == file);
    }
    double typed = 0;
    if (NumberText::ParseTyped(text, typed))
        FUZZ_CHECK(isFile && typed == file);
    const NumberText::TField field{-1000, 1000, true};
    double value = 12345;
    const NumberText::TFault fault = NumberText::ReadTyped(text, field, value);
    FUZZ_CHECK((fault == NumberText::TFault::NotANumber) == !NumberText::ParseTyped(text, typed));
    if (fault == NumberText::TFault::None)
        FUZZ_CHECK(value >= field.Low && value <= field.High && std::trunc(value) == value);
    else
        FUZZ_CHECK(value == 12345); // a refused text sets nothing
}

void CheckText(const QString &text)
{
    CheckDecimal(text);
    const int i = SafeStrToInt(text);
    // A number the converter gave back reads again as itself.
    FUZZ_CHECK(SafeStrToInt(QString::number(i)) == i);
    const double f = SafeStrToFloat(text);
    FUZZ_CHECK(std::isfinite(f));
    if (f != 0.0)
        FUZZ_CHECK(SafeStrToFloat(QString::number(f, 'g', 17)) == f);
    const int e = TCommonConv::StrToIntEmptyZero(text);
    FUZZ_CHECK(TCommonConv::StrToIntEmptyZero(QString::number(e)) == e);
    const double d = TCommonConv::StrToFloatDot(text);
    (void)TCommonConv::StrToFloatEmptyZero(text);
    (void)TCommonConv::FloatToStrDot(d);
    (void)TCommonConv::OnOffToBool(text);
}

void CheckPacked(uint32_t value)
{
    const TCommonConv::TUnpackedDateTime u = TCommonConv::UnpackDateTime(value);
    const QString text = TCommonConv::PackedDateTimeToStr(value);
    // "yyyy-mm-dd hh:nn": every field fits its width.
    FUZZ_CHECK(text.size() == 16);
    const QDate date(u.year, u.month, u.day);
    const QTime time(u.hour, u.minute);
    if (date.isValid() && time.isValid())
        FUZZ_CHECK(TCommonConv::PackDateTime(QDateTime(date, time)) == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    CheckText(QString::fromLatin1(bytes));
    CheckText(QString::fromUtf8(bytes));
    for (size_t i = 0; i + 4 <= size; i += 4)
        CheckPacked(uint32_t(data[i]) << 24 | uint32_t(data[i + 1]) << 16
                    | uint32_t(data[i + 2]) << 8 | data[i + 3]);
    return 0;
}
