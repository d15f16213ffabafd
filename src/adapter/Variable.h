// Named, typed variables of the adapter modules. A variable holds its value as
// the raw bytes that travel on the wire, the typed value the program computes
// with, and the text the user sees. Its full name is "<group>:<name>".
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <stdexcept>

// A programming or data-layout error of the variable framework.
class EVariableError : public std::runtime_error
{
public:
    explicit EVariableError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

class TVariableList;

class TVariable
{
public:
    // What the default of a variable is.
    enum : quint8 { vtNoDefault = 0, vtInteger = 1, vtFloat = 2, vtKeepText = 3 };

    // Conversion handlers: raw bytes to the typed value (the handler sets the
    // value through the sender's setters) and the typed value to the raw bytes
    // (the handler fills raw, which has DataLength bytes).
    using TRawHandler = std::function<void(TVariable *sender, QByteArray &raw)>;
    // Produces the display text in place of the format pattern.
    using TTextHandler = std::function<void(TVariable *sender, QString &text)>;

    virtual ~TVariable() = default;
    TVariable(const TVariable &) = delete;
    TVariable &operator=(const TVariable &) = delete;

    QString Group() const { return FGroup; }
    QString Name() const { return FName; }
    QString FullName() const { return FGroup.isEmpty() ? FName : FGroup + QLatin1Char(':') + FName; }
    // The display text. One written while another language showed is
    // written anew first (not a const read: it updates the stored text), so
    // that its numbers take the decimal separator of the language shown.
    QString Text();
    QString Format() const { return FFormat; }
    int DataLength() const { return int(FRaw.size()); }
    const QByteArray &Raw() const { return FRaw; }
    quint8 GetRawByte(int index) const { return quint8(FRaw.at(index)); }
    quint8 VariableType() const { return FVariableType; }
    bool Stored() const { return FStored; }
    bool Local() const { return FLocal; }
    qint64 DefaultInteger() const { return FDefaultInteger; }
    double DefaultFloat() const { return FDefaultFloat; }
    // Gives the variable a floating-point default (a setting, VariableType 2).
    void SetDefaultFloat(double value)
    {
        FVariableType = vtFloat;
        FDefaultFloat = value;
    }
    bool InHandlerUpdate() const { return FInHandlerUpdate; }

    // Change notification; the user-interface state installs its own.
    std::function<void(TVariable *sender)> OnChange;

    virtual qint64 GetAsInteger() const = 0;
    virtual void SetAsInteger(qint64 value) = 0;
    virtual double GetAsFloat() const { return double(GetAsInteger()); }
    // The value rounded to the nearest integer (halves to even).
    virtual void SetAsFloat(double value);
    virtual bool GetAsBoolean() const { return GetAsInteger() != 0; }
    virtual void SetAsBoolean(bool value) { SetAsInteger(value ? 1 : 0); }

    // Replaces the raw bytes (their count must be DataLength). A change
    // decodes and notifies; with force the variable notifies exactly once
    // whether or not anything changed. A failed decoding leaves the old bytes.
    virtual void SetRawData(const QByteArray &bytes, bool force);
    // Back to the default value; raises for a variable without one.
    virtual void ResetToDefault(bool notify);
    // Rewrites the text and, when asked, notifies.
    virtual void Refresh(bool notify);
    // All raw bytes to zero (forced), and a second notification when asked.
    void ClearRawData(bool notify);

    // A new format pattern rewrites the text.
    void SetFormat(const QString &pattern);
    // Installing a handler runs it at once on the current data. Handlers
    // cannot be compared, so only setting "none" over "none" does nothing.
    void SetOnRawToValue(const TRawHandler &handler);
    void SetOnValueToRaw(const TRawHandler &handler);
    void SetOnGetText(const TTextHandler &handler);
    const TRawHandler &OnRawToValue() const { return FOnRawToValue; }
    const TRawHandler &OnValueToRaw() const { return FOnValueToRaw; }
    const TTextHandler &OnGetText() const { return FOnGetText; }
    // The whole numbers that come back unchanged from the trip to raw bytes
    // and back. Worked out by whoever needs them and kept with the variable
    // until a conversion handler is set again.
    struct TConversionRange {
        bool Known = false;
        bool Storable = false;
        qint64 Low = 0, High = 0;
    };
    TConversionRange &ConversionRange() const { return FConversionRange; }

protected:
    // Splits the full name at its first colon, makes dataLength zero bytes and
    // adds the variable to list (when given).
    TVariable(TVariableList *list, const QString &format, int dataLength, const QString &fullName);

    virtual void UpdateText() = 0;
    virtual void RawToValue() = 0;
    void Changed();
    // Marks the variable a setting with an integer default (see CreateParam).
    void MakeParam(qint64 defaultValue);
    void SetLocal(bool local) { FLocal = local; }
    // After a new value was stored: the raw bytes from OnValueToRaw, or else
    // (unless only OnRawToValue is set) the kind's own encoding written with
    // force, which notifies; then the text, and one notification.
    void ValueStored(const QByteArray &encoded);
    // Runs OnValueToRaw over the raw bytes (their length kept).
    void RunValueToRaw();
    // Runs OnRawToValue over a copy of the raw bytes.
    void RunRawToValue();
    // The text from OnGetText when set, else from the format pattern.
    void TextFromHandlerOr(const QString &formatted);

    QString FText;
    QString FTextPoint; // the decimal separator shown when FText was last checked
    QString FFormat;
    QByteArray FRaw;
    quint8 FVariableType = vtNoDefault;
    bool FStored = false;
    bool FLocal = false;
    qint64 FDefaultInteger = 0;
    double FDefaultFloat = 0.0;
    bool FInHandlerUpdate = false;
    TRawHandler FOnRawToValue;
    TRawHandler FOnValueToRaw;
    TTextHandler FOnGetText;
    mutable TConversionRange FConversionRange;

private:
    QString FGroup, FName;
};

// One unsigned byte.
class TByteVariable : public TVariable
{
public:
    TByteVariable(TVariableList *list, const QString &fullName);
    // A setting with a default value.
    static TByteVariable *CreateParam(TVariableList *list, int defaultValue, const QString &fullName);

    qint64 GetAsInteger() const override { return FValue; }
    void SetAsInteger(qint64 value) override;

protected:
    void UpdateText() override;
    void RawToValue() override;

private:
    quint8 FValue = 0;
};

// An unsigned 16-bit word, high byte first.
class TWordVariable : public TVariable
{
public:
    TWordVariable(TVariableList *list, const QString &fullName);
    static TWordVariable *CreateParam(TVariableList *list, int defaultValue, const QString &fullName);

    qint64 GetAsInteger() const override { return FValue; }
    void SetAsInteger(qint64 value) override;

protected:
    void UpdateText() override;
    void RawToValue() override;

private:
    quint16 FValue = 0;
};

// A signed 16-bit word, high byte first.
class TSmallIntVariable : public TVariable
{
public:
    TSmallIntVariable(TVariableList *list, const QString &fullName);

    qint64 GetAsInteger() const override { return FValue; }
    void SetAsInteger(qint64 value) override;

protected:
    void UpdateText() override;
    void RawToValue() override;

private:
    qint16 FValue = 0;
};

// A signed 32-bit integer: the low word first, each word high byte first.
class TIntVariable : public TVariable
{
public:
    TIntVariable(TVariableList *list, const QString &fullName);

    qint64 GetAsInteger() const override { return FValue; }
    void SetAsInteger(qint64 value) override;

protected:
    void UpdateText() override;
    void RawToValue() override;

private:
    qint32 FValue = 0;
};

// A floating-point value whose raw form exists only through the conversion
// handlers; without them and without a default it is a computed value.
class TDoubleVariable : public TVariable
{
public:
    // format is the text's printf pattern; an empty one gives no text (for
    // scratch variables that only convert).
    TDoubleVariable(TVariableList *list, int dataLength, const QString &fullName,
                    const QString &format = QStringLiteral("%f"));
    // A setting with an integer default; the default is set without raw bytes.
    static TDoubleVariable *CreateParam(TVariableList *list, int defaultValue, int dataLength,
                                        const QString &fullName);

    qint64 GetAsInteger() const override;
    void SetAsInteger(qint64 value) override { SetAsFloat(double(value)); }
    double GetAsFloat() const override { return FValue; }
    // Raises (keeping the old value) when the value has a raw form but no
    // OnValueToRaw handler says how to write it.
    void SetAsFloat(double value) override;

protected:
    void UpdateText() override;
    void RawToValue() override;

private:
    double FValue = 0;
};

// A boolean container (a 1- or 2-byte field, low byte first) or one bit of a
// container (a bit variable: a parent and a mask).
class TBoolVariable : public TVariable
{
public:
    TBoolVariable(TVariableList *list, const QString &fullName, int dataLength = 1);
    ~TBoolVariable() override;
    // A container with an integer default (a setting).
    static TBoolVariable *CreateParam(TVariableList *list, int defaultValue, int dataLength,
                                      const QString &fullName);
    // A bit variable over the masked bits of parent.
    static TBoolVariable *CreateBit(TVariableList *list, quint8 mask, TBoolVariable *parent,
                                    const QString &fullName);
    static TBoolVariable *CreateParam(TVariableList *list, quint8 mask, TBoolVariable *parent,
                                      const QString &fullName)
    {
        return CreateBit(list, mask, parent, fullName);
    }

    bool IsBit() const { return FParent != nullptr; }
    TBoolVariable *Parent() const { return FParent; }
    quint8 Mask() const { return FMask; }

    qint64 GetAsInteger() const override;
    void SetAsInteger(qint64 value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool value) override;
    void SetRawData(const QByteArray &bytes, bool force) override;

protected:
    void UpdateText() override;
    void RawToValue() override;

private:
    static int checkedLength(int dataLength);
    void notifyBits(quint16 previous);

    quint16 FValue = 0;
    quint16 FPrevious = 0;
    bool FInSetValue = false;
    TBoolVariable *FParent = nullptr;
    quint8 FMask = 0;
    QList<TBoolVariable *> FBits; // not owned
};

// A one-byte boolean container; the plain constructor makes a variable that
// lives on the user-interface side only.
class TBoolByteVariable : public TBoolVariable
{
public:
    TBoolByteVariable(TVariableList *list, const QString &fullName);
    static TBoolByteVariable *CreateParam(TVariableList *list, int defaultValue, const QString &fullName);
};

// Text over a fixed-length raw field (UTF-8, up to the first zero byte).
class TStringVariable : public TVariable
{
public:
    TStringVariable(TVariableList *list, int dataLength, const QString &fullName);

    QString GetAsString() const { return FValue; }
    // Its integer value is the length of its text; setting numbers does nothing.
    qint64 GetAsInteger() const override { return FValue.size(); }
    void SetAsInteger(qint64) override {}
    void SetAsFloat(double) override {}
    void ResetToDefault(bool notify) override;

protected:
    void UpdateText() override;
    void RawToValue() override;

private:
    QString FValue;
};

// An ordered list of variables, owning them or only collecting them.
class TVariableList
{
public:
    explicit TVariableList(bool ownsVariables);
    virtual ~TVariableList();
    TVariableList(const TVariableList &) = delete;
    TVariableList &operator=(const TVariableList &) = delete;

    // Nothing when that very variable is in the list; raises when another of
    // the same name is.
    void Add(TVariable *variable);
    // The variables of other from first up to, not including, end (end below 0:
    // other's count).
    void AddRange(const TVariableList &other, int first, int end);
    int Count() const { return int(FItems.size()); }
    TVariable *GetItem(int index) const { return FItems.at(index); }
    int IndexOf(const TVariable *variable) const;
    // The variable of that exact name (the group is not part of it), the last
    // one first; nullptr when absent.
    TVariable *FindByName(const QString &name) const;

    // Takes the conversion and text handlers of source's variables at the same
    // index (up to the shorter list); the names must match index by index.
    virtual void Assign(const TVariableList &source);
    // Copies the raw bytes of source's variables into the variables at the
    // same index (up to the shorter list) that pass flags (1: without default
    // data, 2: with default data) and group (empty: every group).
    virtual void CopyFrom(const TVariableList &source, const QString &group, int flags);
    // CopyFrom over every group.
    virtual void Reset(const TVariableList &source, int flags);
    // Copies into variable (one of this list) the raw bytes of source's
    // variable at the same index; nothing when it is not here.
    virtual void CopyVariableFrom(const TVariableList &source, const TVariable *variable);
    // Every variable's raw bytes to zero, without notification.
    virtual void ResetAll();
    // Defaults of the group's variables that have one (empty group: all).
    virtual void ResetGroup(const QString &group);

    static bool PassesFlags(const TVariable *variable, int flags);

private:
    QList<TVariable *> FItems;
    bool FOwnsVariables;
};

// Data groups: the group names by index and the full names built from them.
QString GetDataGroupName(int index);
QString MakeGroupedName(int index, const QString &name);

// Group indexes used by the adapter modules.
enum TDataGroup { dgNone = 0, dgLocal = 1, dgTroubleCodes = 16, dgFreezedFrame = 17, dgCarInfo = 18,
                  dgAdapter = 19, dgOBD = 20, dgAIO = 21 };
