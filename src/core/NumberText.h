// Numbers read from text. One reading serves every number the program takes
// from a text, whether a user typed it into a field or a file holds it; the
// two differ only in the decimal separators they take. A file's number takes
// "." or "," whatever the language (files travel between workshops); a typed
// number takes the point or the separator of the language shown.
//
// A typed number is then checked against what its field holds, so that a
// text that is no number the field can hold is refused (naming the field and
// what is wrong) instead of reaching the device as another value.
#pragma once

#include <QString>
#include <QStringView>

namespace NumberText {

// An optional sign, digits with at most one decimal separator (any one
// character of separators), an optional exponent; blanks around it are
// ignored. No group separators and nothing else ("0,5,1", "0..5", "1 000",
// "12a" and an empty text are no numbers). Read the same under every locale
// of the user: no conversion of the C library that follows it. False for
// anything else; beyond (when given) tells a number in form that no double
// holds: 1 above the largest, -1 below the smallest magnitude (0 otherwise).
bool Parse(QStringView text, QStringView separators, double &value, int *beyond = nullptr);

// A number as a file holds it: "." or "," as its separator.
bool ParseFileNumber(QStringView text, double &value, int *beyond = nullptr);

// The separators a typed number may carry: the point, and the separator of
// the language shown.
QString TypedSeparators();

// A number typed in the language shown (see TypedSeparators).
bool ParseTyped(QStringView text, double &value);

// The numbers a field holds: Low to High, whole numbers only when Whole.
struct TField {
    double Low = 0;
    double High = 0;
    bool Whole = false;
};

// What is wrong with a typed number.
enum class TFault { None, NotANumber, NotWhole, OutOfRange };

// Reads a number typed into a field: None with the value, or what is wrong
// (value unchanged). A fraction in a whole-number field is not a whole
// number ("8,5" kW is not 85); a number outside Low..High is out of range.
TFault ReadTyped(QStringView text, const TField &field, double &value);

// The same for a field of whole numbers, as an integer.
TFault ReadTypedInt(QStringView text, qint64 low, qint64 high, qint64 &value);

// The refusal of a typed number in the language shown, naming the field by
// its caption: "<field>: <what is wrong> <the values the field holds>", as
// every page's refusal of a value reads (a field without bounds quotes
// none).
QString Refusal(const QString &caption, TFault fault, const TField &field);

} // namespace NumberText
