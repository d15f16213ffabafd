// The user-interface side of the adapter modules' variables: the aggregate the
// windows bind their controls to. Its first variables mirror the device-side
// aggregate index by index; copies between the two go by index and by section
// (a data-group name, empty for all) and flags (1 readings and states, 2
// settings, 3 all). User edits mark it modified by section.
#pragma once

#include "adapter/DeviceState.h"

#include <functional>

class TUIState : public TDeviceState
{
public:
    TUIState();
    ~TUIState() override;

    // Links to the device-side aggregate: names must match pairwise; every
    // variable then reports its changes here, and everything is copied from
    // the device side once.
    void Assign(TDeviceState *source);
    using TVariableList::Assign;
    TDeviceState *Source() const { return FSource; }
    int DeviceVariableCount() const { return FDeviceVariableCount; }

    // Only the device-mirrored variables to zero bytes.
    void ResetAll() override;
    void CopyFrom(const TVariableList &source, const QString &section, int flags) override;

    // Device side to user interface for one section (empty: all); raises
    // when no device side is linked.
    void CopyFromDevice(const QString &section, int flags);
    void CopyFromDeviceAll(int flags) { CopyFromDevice(QString(), flags); }
    // User interface to device side.
    void CopyToDevice(const QString &section, int flags);
    void CopyToDeviceAll(int flags) { CopyToDevice(QString(), flags); }

    // Creates "LocalAdvancedView".
    void CreateLocalVariables();

    bool Modified() const { return FModified; }
    bool Updating() const { return FUpdating; }
    bool AutoModify = true;
    // Marks the state modified for a section; notifies when the mark changes.
    void SetModified(bool value, const QString &section);
    // Sets the mark without a section; clearing it also tells
    // OnVariableChanged (with no variable).
    void SetModifiedFlag(bool value);

    // The change handler of every linked variable.
    void VariableChanged(TVariable *variable);

    std::function<void(TUIState *sender, const QString &section)> OnModified;
    std::function<void(TUIState *sender, TVariable *variable)> OnVariableChanged;
    // Run after every copy into this aggregate: the modules' sets recompute
    // what they derive (without a handler, every member set does).
    std::function<void()> OnStatesChanged;

private:
    void notifyStatesChanged();

    TDeviceState *FSource = nullptr;
    int FDeviceVariableCount = 0;
    bool FUpdating = false;
    bool FModified = false;
    TBaseDevState FLocalVariables; // owns "LocalAdvancedView"
};
