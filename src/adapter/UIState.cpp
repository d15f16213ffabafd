#include "adapter/UIState.h"

namespace {

// Sets a flag for the duration of a scope.
class FlagScope
{
public:
    explicit FlagScope(bool &flag) : FFlag(flag), FOld(flag) { FFlag = true; }
    ~FlagScope() { FFlag = FOld; }

private:
    bool &FFlag;
    bool FOld;
};
} // namespace

TUIState::TUIState() : FLocalVariables(nullptr) {}

TUIState::~TUIState() = default;

void TUIState::Assign(TDeviceState *source)
{
    // Names must match pairwise; the conversion handlers are taken over.
    if (source)
        TVariableList::Assign(*source);
    for (int i = 0; i < Count(); ++i)
        GetItem(i)->OnChange = [this](TVariable *variable) { VariableChanged(variable); };
    FDeviceVariableCount = source ? source->Count() : 0;
    if (source != FSource) {
        FSource = source;
        if (FSource)
            CopyFromDeviceAll(3);
    }
}

void TUIState::ResetAll()
{
    FlagScope updating(FUpdating);
    for (int i = 0; i < FDeviceVariableCount && i < Count(); ++i)
        GetItem(i)->ClearRawData(false);
}

void TUIState::CopyFrom(const TVariableList &source, const QString &section, int flags)
{
    FlagScope updating(FUpdating);
    TVariableList::CopyFrom(source, section, flags);
    notifyStatesChanged();
}

void TUIState::CopyFromDevice(const QString &section, int flags)
{
    if (!FSource)
        throw EVariableError(QStringLiteral("Unknown copy source, DevState is not set"));
    CopyFrom(*FSource, section, flags);
}

void TUIState::CopyToDevice(const QString &section, int flags)
{
    if (!FSource)
        throw EVariableError(QStringLiteral("Unknown copy destination, DevState is not set"));
    FSource->CopyFrom(*this, section, flags);
}

void TUIState::CreateLocalVariables()
{
    if (FLocalVariables.FindByName(QStringLiteral("LocalAdvancedView")))
        return;
    auto *variable = new TBoolByteVariable(&FLocalVariables, MakeGroupedName(dgLocal, QStringLiteral("LocalAdvancedView")));
    Add(variable);
}

void TUIState::SetModified(bool value, const QString &section)
{
    if (FModified == value)
        return;
    FModified = value;
    if (OnModified)
        OnModified(this, section);
}

void TUIState::SetModifiedFlag(bool value)
{
    if (FModified == value)
        return;
    FModified = value;
    if (!value && OnVariableChanged)
        OnVariableChanged(this, nullptr);
    if (OnModified)
        OnModified(this, QString());
}

void TUIState::VariableChanged(TVariable *variable)
{
    if (OnVariableChanged)
        OnVariableChanged(this, variable);
    if (!FUpdating && AutoModify && variable && !variable->Local())
        SetModified(true, variable->Group());
}

void TUIState::notifyStatesChanged()
{
    if (OnStatesChanged) {
        OnStatesChanged();
        return;
    }
    for (TBaseDevState *member : Members())
        member->DataChanged();
}
