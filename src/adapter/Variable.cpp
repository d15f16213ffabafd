#include "adapter/Variable.h"

#include "core/LM.h"
#include "core/UnitConversions.h"

#include <cmath>
#include <cstdint>

namespace {

qint64 roundHalfEven(double value)
{
    return qint64(std::nearbyint(value)); // default rounding mode: ties to even
}

// Clears the handler-update mark when the scope ends, also by an exception.
struct HandlerUpdateScope {
    bool &flag;
    explicit HandlerUpdateScope(bool &f) : flag(f) { flag = true; }
    ~HandlerUpdateScope() { flag = false; }
};

// Raw bytes of a 16-bit word, high byte first.
QByteArray highFirst(quint16 word)
{
    QByteArray bytes(2, '\0');
    bytes[0] = char(word >> 8);
    bytes[1] = char(word & 0xFF);
    return bytes;
}

quint16 highFirstWord(const QByteArray &raw, int at)
{
    return quint16(quint8(raw.at(at)) << 8 | quint8(raw.at(at + 1)));
}

// A printf pattern's literal text: "%%" is one percent sign.
QString patternLiteral(const QByteArray &text)
{
    return QString::fromLatin1(text).replace(QLatin1String("%%"), QLatin1String("%"));
}

// A value by its printf pattern, the number written with the decimal
// separator of the language shown and the pattern's own text left as
// written (a dot there stays).
QString formatShown(const QByteArray &pattern, double value)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) != '%')
            continue;
        if (i + 1 < pattern.size() && pattern.at(i + 1) == '%') {
            ++i;
            continue;
        }
        start = i;
        break;
    }
    if (start < 0)
        return patternLiteral(pattern);
    qsizetype end = start + 1;
    while (end < pattern.size() && QByteArrayView("-+ #0123456789.").contains(pattern.at(end)))
        ++end;
    if (end >= pattern.size() || !QByteArrayView("fFeEgG").contains(pattern.at(end)))
        return QString::asprintf(pattern.constData(), value); // not a number pattern: as printf gives it
    ++end;
    const QByteArray number = pattern.mid(start, end - start);
    return patternLiteral(pattern.left(start)) + ToShownSeparator(QString::asprintf(number.constData(), value))
           + patternLiteral(pattern.mid(end));
}
} // namespace

// ---- TVariable ----

TVariable::TVariable(TVariableList *list, const QString &format, int dataLength, const QString &fullName)
{
    const qsizetype colon = fullName.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        FName = fullName;
    } else {
        FGroup = fullName.left(colon);
        FName = fullName.mid(colon + 1);
    }
    if (dataLength < 1)
        throw EVariableError(QStringLiteral("DataLength too low: %1").arg(dataLength));
    FRaw = QByteArray(dataLength, '\0');
    FFormat = format;
    if (list)
        list->Add(this);
}

void TVariable::SetAsFloat(double value)
{
    // Beyond this no integer kind has a value, and the conversion would overflow.
    if (!std::isfinite(value) || std::fabs(value) > 9.0e15)
        throw EVariableError(QStringLiteral("Value (%1) out of range").arg(value));
    SetAsInteger(roundHalfEven(value));
}

void TVariable::SetFormat(const QString &pattern)
{
    if (pattern == FFormat)
        return;
    FFormat = pattern;
    UpdateText();
}

void TVariable::SetOnRawToValue(const TRawHandler &handler)
{
    if (!handler && !FOnRawToValue)
        return;
    {
        HandlerUpdateScope scope(FInHandlerUpdate);
        FOnRawToValue = handler;
        FConversionRange = {};
        RunRawToValue();
        UpdateText();
    }
    UpdateText();
}

void TVariable::SetOnValueToRaw(const TRawHandler &handler)
{
    if (!handler && !FOnValueToRaw)
        return;
    HandlerUpdateScope scope(FInHandlerUpdate);
    FOnValueToRaw = handler;
    FConversionRange = {};
    RunValueToRaw();
    UpdateText();
}

void TVariable::SetOnGetText(const TTextHandler &handler)
{
    if (!handler && !FOnGetText)
        return;
    FOnGetText = handler;
    UpdateText();
}

void TVariable::RunValueToRaw()
{
    if (!FOnValueToRaw)
        return;
    QByteArray raw = FRaw;
    FOnValueToRaw(this, raw);
    raw.resize(FRaw.size(), '\0'); // the length is fixed at creation
    FRaw = raw;
}

void TVariable::RunRawToValue()
{
    if (!FOnRawToValue)
        return;
    QByteArray raw = FRaw;
    FOnRawToValue(this, raw);
}

QString TVariable::Text()
{
    const QString point = ShownLocale().decimalPoint();
    if (point != FTextPoint) {
        FTextPoint = point;
        UpdateText();
    }
    return FText;
}

void TVariable::TextFromHandlerOr(const QString &formatted)
{
    if (FOnGetText) {
        QString text = formatted;
        FOnGetText(this, text);
        FText = text;
    } else {
        FText = formatted;
    }
}

void TVariable::ValueStored(const QByteArray &encoded)
{
    if (FOnValueToRaw) {
        RunValueToRaw();
    } else if (!FOnRawToValue) {
        // The forced write notifies once.
        SetRawData(encoded, true);
        UpdateText();
        return;
    }
    UpdateText();
    Changed();
}

void TVariable::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TVariable::MakeParam(qint64 defaultValue)
{
    FVariableType = vtInteger;
    FStored = true;
    FDefaultInteger = defaultValue;
    SetAsInteger(defaultValue);
}

void TVariable::SetRawData(const QByteArray &bytes, bool force)
{
    if (bytes.size() != FRaw.size())
        throw EVariableError(QStringLiteral("Internal data size (%1) and passed data size (%2) do not match")
                                 .arg(FRaw.size())
                                 .arg(bytes.size()));
    const bool changed = bytes != FRaw;
    if (changed) {
        const QByteArray previous = FRaw;
        FRaw = bytes;
        try {
            RawToValue();
        } catch (...) {
            FRaw = previous;
            throw;
        }
        UpdateText();
        if (!force)
            Changed();
    }
    if (force)
        Changed();
}

void TVariable::ResetToDefault(bool notify)
{
    switch (FVariableType) {
    case vtNoDefault:
        throw EVariableError(
            QStringLiteral("Variable \"%1\" has no default data, use CreateParam constructor first").arg(FName));
    case vtInteger:
        SetAsInteger(FDefaultInteger);
        break;
    case vtFloat:
        SetAsFloat(FDefaultFloat);
        break;
    default:
        throw EVariableError(
            QStringLiteral("Variable \"%1\" has unknown VariableType (%2)").arg(FName).arg(FVariableType));
    }
    if (notify)
        Changed();
}

void TVariable::Refresh(bool notify)
{
    UpdateText();
    if (notify)
        Changed();
}

void TVariable::ClearRawData(bool notify)
{
    SetRawData(QByteArray(FRaw.size(), '\0'), true);
    if (notify)
        Changed();
}

// ---- TByteVariable ----

TByteVariable::TByteVariable(TVariableList *list, const QString &fullName)
    : TVariable(list, QStringLiteral("%d"), 1, fullName)
{
    UpdateText();
}

TByteVariable *TByteVariable::CreateParam(TVariableList *list, int defaultValue, const QString &fullName)
{
    auto *variable = new TByteVariable(list, fullName);
    variable->MakeParam(defaultValue);
    return variable;
}

void TByteVariable::SetAsInteger(qint64 value)
{
    if (value < 0 || value > 255)
        throw EVariableError(QStringLiteral("Value (%1) out of Byte range").arg(value));
    if (value == FValue)
        return;
    FValue = quint8(value);
    ValueStored(QByteArray(1, char(FValue)));
}

void TByteVariable::UpdateText()
{
    TextFromHandlerOr(QString::asprintf(FFormat.toLatin1().constData(), int(FValue)));
}

void TByteVariable::RawToValue()
{
    if (FOnRawToValue)
        RunRawToValue();
    else
        FValue = quint8(FRaw.at(0));
}

// ---- TWordVariable ----

TWordVariable::TWordVariable(TVariableList *list, const QString &fullName)
    : TVariable(list, QStringLiteral("%d"), 2, fullName)
{
    UpdateText();
}

TWordVariable *TWordVariable::CreateParam(TVariableList *list, int defaultValue, const QString &fullName)
{
    auto *variable = new TWordVariable(list, fullName);
    variable->MakeParam(defaultValue);
    return variable;
}

void TWordVariable::SetAsInteger(qint64 value)
{
    if (value < 0 || value > 65535)
        throw EVariableError(QStringLiteral("Value (%1) out of Word range").arg(value));
    if (value == FValue)
        return;
    FValue = quint16(value);
    ValueStored(highFirst(FValue));
}

void TWordVariable::UpdateText()
{
    TextFromHandlerOr(QString::asprintf(FFormat.toLatin1().constData(), int(FValue)));
}

void TWordVariable::RawToValue()
{
    if (FOnRawToValue)
        RunRawToValue();
    else
        FValue = highFirstWord(FRaw, 0);
}

// ---- TSmallIntVariable ----

TSmallIntVariable::TSmallIntVariable(TVariableList *list, const QString &fullName)
    : TVariable(list, QStringLiteral("%d"), 2, fullName)
{
    UpdateText();
}

void TSmallIntVariable::SetAsInteger(qint64 value)
{
    if (value < -32768 || value > 32767)
        throw EVariableError(QStringLiteral("Value (%1) out of Word range").arg(value));
    if (value == FValue)
        return;
    FValue = qint16(value);
    ValueStored(highFirst(quint16(FValue)));
}

void TSmallIntVariable::UpdateText()
{
    TextFromHandlerOr(QString::asprintf(FFormat.toLatin1().constData(), int(FValue)));
}

void TSmallIntVariable::RawToValue()
{
    if (FOnRawToValue)
        RunRawToValue();
    else
        FValue = qint16(highFirstWord(FRaw, 0));
}

// ---- TIntVariable ----

TIntVariable::TIntVariable(TVariableList *list, const QString &fullName)
    : TVariable(list, QStringLiteral("%d"), 4, fullName)
{
    UpdateText();
}

void TIntVariable::SetAsInteger(qint64 value)
{
    // The value travels as 32 bits; anything wider would be cut silently.
    if (value < INT32_MIN || value > INT32_MAX)
        throw EVariableError(QStringLiteral("Value (%1) out of Integer range").arg(value));
    if (value == FValue)
        return;
    FValue = qint32(value);
    const quint32 bits = quint32(FValue);
    ValueStored(highFirst(quint16(bits & 0xFFFF)) + highFirst(quint16(bits >> 16)));
}

void TIntVariable::UpdateText()
{
    TextFromHandlerOr(QString::asprintf(FFormat.toLatin1().constData(), int(FValue)));
}

void TIntVariable::RawToValue()
{
    if (FOnRawToValue)
        RunRawToValue();
    else
        FValue = qint32(quint32(highFirstWord(FRaw, 0)) | quint32(highFirstWord(FRaw, 2)) << 16);
}

// ---- TDoubleVariable ----

TDoubleVariable::TDoubleVariable(TVariableList *list, int dataLength, const QString &fullName,
                                 const QString &format)
    : TVariable(list, format, dataLength, fullName)
{
    UpdateText();
}

TDoubleVariable *TDoubleVariable::CreateParam(TVariableList *list, int defaultValue, int dataLength,
                                              const QString &fullName)
{
    auto *variable = new TDoubleVariable(list, dataLength, fullName);
    // The default has no raw form yet: a handler that writes nothing stands in
    // for the conversion while it is set.
    variable->SetOnValueToRaw([](TVariable *, QByteArray &) {});
    variable->MakeParam(defaultValue);
    variable->SetOnValueToRaw(nullptr);
    return variable;
}

qint64 TDoubleVariable::GetAsInteger() const
{
    if (!std::isfinite(FValue) || std::fabs(FValue) > 9.0e15)
        return 0;
    return roundHalfEven(FValue);
}

void TDoubleVariable::SetAsFloat(double value)
{
    if (value == FValue)
        return;
    const double previous = FValue;
    FValue = value;
    if (FOnValueToRaw) {
        RunValueToRaw();
    } else if (FVariableType != vtNoDefault) {
        if (FInHandlerUpdate)
            return;
        FValue = previous;
        throw EVariableError(QStringLiteral(
            "Uncertain how to convert Double to array of bytes, please set OnValueToRaw event handler"));
    }
    UpdateText();
    Changed();
}

void TDoubleVariable::UpdateText()
{
    if (FFormat.isEmpty()) {
        TextFromHandlerOr(QString());
        return;
    }
    // A "%f" without a precision means two decimals in this program's
    // patterns: six would push the digits that matter out of every display.
    QByteArray pattern = FFormat.toLatin1();
    pattern.replace("%f", "%.2f");
    TextFromHandlerOr(formatShown(pattern, FValue));
}

void TDoubleVariable::RawToValue()
{
    if (FOnRawToValue)
        RunRawToValue();
    else if (!FInHandlerUpdate)
        throw EVariableError(QStringLiteral(
            "Uncertain how to convert array of bytes to Double, please set OnRawToValue event handler"));
}

// ---- TBoolVariable ----

int TBoolVariable::checkedLength(int dataLength)
{
    if (dataLength != 1 && dataLength != 2)
        throw EVariableError(QStringLiteral("Unsupported DataLength (%1)").arg(dataLength));
    return dataLength;
}

TBoolVariable::TBoolVariable(TVariableList *list, const QString &fullName, int dataLength)
    : TVariable(list, QStringLiteral("%d"), checkedLength(dataLength), fullName)
{
    UpdateText();
}

TBoolVariable::~TBoolVariable()
{
    if (FParent)
        FParent->FBits.removeAll(this);
    for (TBoolVariable *bit : std::as_const(FBits))
        bit->FParent = nullptr;
}

TBoolVariable *TBoolVariable::CreateParam(TVariableList *list, int defaultValue, int dataLength,
                                          const QString &fullName)
{
    auto *variable = new TBoolVariable(list, fullName, dataLength);
    variable->MakeParam(defaultValue);
    return variable;
}

TBoolVariable *TBoolVariable::CreateBit(TVariableList *list, quint8 mask, TBoolVariable *parent,
                                        const QString &fullName)
{
    auto *variable = new TBoolVariable(list, fullName, parent->DataLength());
    variable->FParent = parent;
    variable->FMask = mask;
    variable->FValue = mask;
    if (!parent->FBits.contains(variable))
        parent->FBits.append(variable);
    variable->UpdateText();
    return variable;
}

qint64 TBoolVariable::GetAsInteger() const
{
    if (FParent)
        return FMask & FParent->FValue;
    return FValue;
}

void TBoolVariable::SetAsInteger(qint64 value)
{
    if (FParent) {
        FParent->SetAsInteger(value);
        return;
    }
    const quint16 word = quint16(value);
    if (word == FValue)
        return;
    FPrevious = FValue;
    FValue = word;
    if (FOnValueToRaw) {
        RunValueToRaw();
        notifyBits(FPrevious);
        UpdateText();
        Changed();
        return;
    }
    QByteArray bytes(FRaw.size(), '\0');
    bytes[0] = char(word & 0xFF);
    if (bytes.size() == 2)
        bytes[1] = char(word >> 8);
    FInSetValue = true;
    try {
        SetRawData(bytes, true);
    } catch (...) {
        FInSetValue = false;
        throw;
    }
    FInSetValue = false;
    UpdateText();
}

bool TBoolVariable::GetAsBoolean() const
{
    if (FParent)
        return (FParent->FValue & FMask) != 0;
    return FValue != 0;
}

void TBoolVariable::SetAsBoolean(bool value)
{
    if (FParent) {
        const quint16 word = value ? (FParent->FValue | FMask) : (FParent->FValue & ~quint16(FMask));
        FParent->SetAsInteger(word);
        return;
    }
    SetAsInteger(value ? 1 : 0);
}

void TBoolVariable::SetRawData(const QByteArray &bytes, bool force)
{
    if (!FInSetValue)
        FPrevious = FValue;
    TVariable::SetRawData(bytes, force);
}

void TBoolVariable::RawToValue()
{
    if (FOnRawToValue) {
        RunRawToValue();
    } else {
        quint16 word = quint8(FRaw.at(0));
        if (FRaw.size() == 2)
            word |= quint16(quint8(FRaw.at(1))) << 8;
        FValue = word;
    }
    notifyBits(FPrevious);
}

void TBoolVariable::notifyBits(quint16 previous)
{
    const quint16 differing = previous ^ FValue;
    for (TBoolVariable *bit : std::as_const(FBits)) {
        if (bit->FMask & differing) {
            bit->UpdateText();
            bit->Changed();
        }
    }
}

void TBoolVariable::UpdateText()
{
    if (!FBits.isEmpty())
        FText = QString::number(FValue);
    else
        FText = FValue != 0 ? QStringLiteral("1") : QStringLiteral("0");
}

// ---- TBoolByteVariable ----

TBoolByteVariable::TBoolByteVariable(TVariableList *list, const QString &fullName)
    : TBoolVariable(list, fullName, 1)
{
    SetLocal(true);
}

TBoolByteVariable *TBoolByteVariable::CreateParam(TVariableList *list, int defaultValue, const QString &fullName)
{
    auto *variable = new TBoolByteVariable(list, fullName);
    variable->SetLocal(false);
    variable->MakeParam(defaultValue);
    return variable;
}

// ---- TStringVariable ----

TStringVariable::TStringVariable(TVariableList *list, int dataLength, const QString &fullName)
    : TVariable(list, QStringLiteral("%s"), dataLength, fullName)
{
    UpdateText();
}

void TStringVariable::ResetToDefault(bool notify)
{
    if (FVariableType == vtKeepText) {
        if (notify)
            Changed();
        return;
    }
    TVariable::ResetToDefault(notify);
}

void TStringVariable::RawToValue()
{
    if (FOnRawToValue) {
        RunRawToValue();
        return;
    }
    const qsizetype end = FRaw.indexOf('\0');
    FValue = QString::fromUtf8(end < 0 ? FRaw : FRaw.left(end));
}

void TStringVariable::UpdateText()
{
    TextFromHandlerOr(QString::asprintf(FFormat.toLatin1().constData(), FValue.toUtf8().constData()));
}

// ---- TVariableList ----

TVariableList::TVariableList(bool ownsVariables) : FOwnsVariables(ownsVariables) {}

TVariableList::~TVariableList()
{
    // A bit variable and its container detach from each other when either
    // goes, so the order does not matter.
    if (FOwnsVariables)
        qDeleteAll(FItems);
}

void TVariableList::Add(TVariable *variable)
{
    if (FItems.contains(variable))
        return;
    if (FindByName(variable->Name()))
        throw EVariableError(QStringLiteral("Variable named \"%1\" already created").arg(variable->Name()));
    FItems.append(variable);
}

void TVariableList::AddRange(const TVariableList &other, int first, int end)
{
    if (end < 0)
        end = other.Count();
    for (int i = std::max(first, 0); i < end && i < other.Count(); ++i)
        Add(other.GetItem(i));
}

int TVariableList::IndexOf(const TVariable *variable) const
{
    return int(FItems.indexOf(const_cast<TVariable *>(variable)));
}

TVariable *TVariableList::FindByName(const QString &name) const
{
    for (qsizetype i = FItems.size() - 1; i >= 0; --i)
        if (FItems.at(i)->Name() == name)
            return FItems.at(i);
    return nullptr;
}

bool TVariableList::PassesFlags(const TVariable *variable, int flags)
{
    const bool hasDefault = variable->VariableType() != TVariable::vtNoDefault;
    return hasDefault ? (flags & 2) != 0 : (flags & 1) != 0;
}

void TVariableList::CopyFrom(const TVariableList &source, const QString &group, int flags)
{
    const int count = std::min(Count(), source.Count());
    for (int i = 0; i < count; ++i) {
        TVariable *from = source.GetItem(i);
        if (!PassesFlags(from, flags))
            continue;
        if (!group.isEmpty() && from->Group() != group)
            continue;
        GetItem(i)->SetRawData(from->Raw(), false);
    }
}

void TVariableList::Assign(const TVariableList &source)
{
    const int count = std::min(Count(), source.Count());
    for (int i = 0; i < count; ++i) {
        TVariable *own = GetItem(i);
        const TVariable *from = source.GetItem(i);
        if (own->Name() != from->Name())
            throw EVariableError(QStringLiteral("Incompatible variables at index %1 (%2 - %3)")
                                     .arg(i)
                                     .arg(from->Name(), own->Name()));
        own->SetOnRawToValue(from->OnRawToValue());
        own->SetOnValueToRaw(from->OnValueToRaw());
        own->SetOnGetText(from->OnGetText());
    }
}

void TVariableList::Reset(const TVariableList &source, int flags)
{
    CopyFrom(source, QString(), flags);
}

void TVariableList::CopyVariableFrom(const TVariableList &source, const TVariable *variable)
{
    const int index = IndexOf(variable);
    if (index < 0 || index >= source.Count())
        return;
    GetItem(index)->SetRawData(source.GetItem(index)->Raw(), false);
}

void TVariableList::ResetAll()
{
    for (TVariable *variable : std::as_const(FItems))
        variable->ClearRawData(false);
}

void TVariableList::ResetGroup(const QString &group)
{
    for (TVariable *variable : std::as_const(FItems)) {
        if (variable->VariableType() == TVariable::vtNoDefault)
            continue;
        if (!group.isEmpty() && variable->Group() != group)
            continue;
        variable->ResetToDefault(false);
    }
}

// ---- Data groups ----

QString GetDataGroupName(int index)
{
    static const char *const names[] = {"",           "Local",          "DevInfo",     "DevState",
                                        "Config",     "Model",          "Map",         "Panel",
                                        "Corrections", "Diagnostic",    "Map.RPM",     "Map.PETROL",
                                        "Map.GAS",    "Map.MAPCORR",    "Map.MAPSAMP", "DiagnAdv",
                                        "TroubleCodes", "FreezedFrame", "CarInfo",     "Adapter",
                                        "OBD",        "AIO",            "",            "AutoSetup"};
    if (index < 0 || index >= int(std::size(names)))
        return QString();
    return QString::fromLatin1(names[index]);
}

QString MakeGroupedName(int index, const QString &name)
{
    return GetDataGroupName(index) + QLatin1Char(':') + name;
}
