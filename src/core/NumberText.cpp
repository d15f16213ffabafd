#include "core/NumberText.h"

#include "core/LM.h"
#include "core/SettingsFile.h"

#include <QByteArray>

#include <charconv>
#include <cmath>

namespace NumberText {

namespace {

// The power of ten of the first non-zero digit of an unsigned decimal
// number in form ("0.05" -2, "120" 2, "1e-400" -400); 0 without one.
qint64 PowerOfTen(const char *first, const char *last)
{
    qint64 power = 0;
    bool digit = false, point = false;
    for (; first != last && *first != 'e' && *first != 'E'; ++first) {
        if (*first == '.') {
            point = true;
            continue;
        }
        if (!digit && point)
            --power; // a place after the point up to the first digit
        else if (digit && !point)
            ++power; // a place before the point after the first digit
        digit = digit || *first != '0';
    }
    if (!digit || first == last)
        return power;
    ++first;
    const bool negative = first != last && *first == '-';
    if (first != last && (*first == '-' || *first == '+'))
        ++first;
    qint64 exponent = 0;
    for (; first != last && exponent < 1000000000; ++first)
        exponent = exponent * 10 + (*first - '0');
    return power + (negative ? -exponent : exponent);
}

// A text of the language files; without them, the key marked as a missing
// text is marked.
QString Translated(const char *key)
{
    const QString k = QString::fromLatin1(key);
    return LM ? LM->Translate(k) : QStringLiteral("!_") + k;
}

} // namespace

bool Parse(QStringView text, QStringView separators, double &value, int *beyond)
{
    if (beyond)
        *beyond = 0;
    text = text.trimmed();
    QByteArray t;
    t.reserve(text.size());
    bool point = false;
    for (QChar c : text) {
        if (separators.contains(c)) {
            if (point)
                return false; // "0,5,1", "0..5" or both separators
            point = true;
            t += '.';
            continue;
        }
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || u == '-' || u == '+' || u == 'e' || u == 'E'))
            return false;
        t += char(u);
    }
    const char *first = t.constData();
    const char *last = first + t.size();
    bool negative = false;
    if (first != last && (*first == '-' || *first == '+')) {
        negative = *first == '-';
        ++first;
    }
    // from_chars takes no sign of its own after ours.
    if (first == last || *first == '-' || *first == '+')
        return false;
    double v = 0;
    const std::from_chars_result r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ptr != last)
        return false;
    if (r.ec == std::errc::result_out_of_range) {
        if (beyond)
            *beyond = PowerOfTen(first, last) < 0 ? -1 : 1;
        return false;
    }
    if (r.ec != std::errc() || !std::isfinite(v))
        return false;
    value = negative ? -v : v;
    return true;
}

bool ParseFileNumber(QStringView text, double &value, int *beyond)
{
    return Parse(text, u".,", value, beyond);
}

QString TypedSeparators()
{
    QString separators = QStringLiteral(".");
    const QString shown = ShownLocale().decimalPoint();
    if (!shown.isEmpty() && !separators.contains(shown.at(0)))
        separators += shown.at(0);
    return separators;
}

bool ParseTyped(QStringView text, double &value)
{
    return Parse(text, TypedSeparators(), value);
}

TFault ReadTyped(QStringView text, const TField &field, double &value)
{
    double v = 0;
    if (!ParseTyped(text, v))
        return TFault::NotANumber;
    if (field.Whole && std::trunc(v) != v)
        return TFault::NotWhole;
    if (!(v >= field.Low && v <= field.High))
        return TFault::OutOfRange;
    value = v;
    return TFault::None;
}

TFault ReadTypedInt(QStringView text, qint64 low, qint64 high, qint64 &value)
{
    double v = 0;
    const TFault fault = ReadTyped(text, {double(low), double(high), true}, v);
    if (fault == TFault::None)
        value = qint64(v);
    return fault;
}

QString Refusal(const QString &caption, TFault fault, const TField &field)
{
    // "The value does not fit the device. Allowed:" names the range itself.
    if (fault != TFault::NotANumber && fault != TFault::NotWhole)
        return TSettingsFile::RangeRefusal(caption, Translated("strConfValueRange"), field.Low, field.High);
    const QString sentence = Translated(fault == TFault::NotANumber ? "strConfValueNotNumber" : "strConfValueNotWhole");
    if (!std::isfinite(field.Low) || !std::isfinite(field.High)) {
        QString name = caption.trimmed();
        if (name.endsWith(u':'))
            name.chop(1);
        return QStringLiteral("%1: %2").arg(name.trimmed(), sentence);
    }
    return TSettingsFile::RangeRefusal(caption, sentence + u' ' + Translated("strConfValueAllowed"), field.Low,
                                       field.High);
}

} // namespace NumberText
