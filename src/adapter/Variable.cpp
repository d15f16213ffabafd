#include "adapter/Variable.h"

#include <cmath>

namespace {

qint64 roundHalfEven(double value)
{
    return qint64(std::nearbyint(value)); // default rounding mode: ties to even
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
    SetAsInteger(roundHalfEven(value));
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
    FRaw = bytes;
    if (changed) {
        RawToValue();
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
    SetRawData(QByteArray(1, char(FValue)), true);
    UpdateText();
}

void TByteVariable::UpdateText()
{
    FText = QString::asprintf(FFormat.toLatin1().constData(), int(FValue));
}

void TByteVariable::RawToValue()
{
    FValue = quint8(FRaw.at(0));
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
    QByteArray bytes(FRaw.size(), '\0');
    bytes[0] = char(word & 0xFF);
    if (bytes.size() == 2)
        bytes[1] = char(word >> 8);
    FInSetValue = true;
    SetRawData(bytes, true);
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
    quint16 word = quint8(FRaw.at(0));
    if (FRaw.size() == 2)
        word |= quint16(quint8(FRaw.at(1))) << 8;
    FValue = word;
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
    const qsizetype end = FRaw.indexOf('\0');
    FValue = QString::fromUtf8(end < 0 ? FRaw : FRaw.left(end));
}

void TStringVariable::UpdateText()
{
    FText = FValue;
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
