// Variable sets of the adapter modules: a module's own set (TBaseDevState)
// and the aggregate that collects the sets of every module (TDeviceState).
#pragma once

#include "adapter/Variable.h"

class TDeviceState;

// A module's device-side variable set (owning its variables), or through a
// subclass its user-interface-side set, whose first variables have the same
// names in the same order as the device side.
class TBaseDevState : public TVariableList
{
public:
    // Registers itself as a member of owner (when given).
    explicit TBaseDevState(TDeviceState *owner);

    TDeviceState *Owner() const { return FOwner; }
    // Adds all the set's variables to its owner aggregate.
    virtual void RegisterVariables(int phase);
    // Recomputes derived values after a copy; nothing in the base.
    virtual void DataChanged() {}

protected:
    // The two-phase registration of a user-interface-side set: in phase 1 the
    // device-side set registers itself and this set adds its mirrored
    // variables (as many as the device set has); in phase 2 the rest.
    void RegisterVariablesPhase(int phase, TBaseDevState &deviceSide);

private:
    TDeviceState *FOwner;
};

// The aggregate of all modules' variables (owns none of them).
class TDeviceState : public TVariableList
{
public:
    TDeviceState();
    ~TDeviceState() override = default;

    void AddMember(TBaseDevState *member);
    const QList<TBaseDevState *> &Members() const { return FMembers; }

private:
    QList<TBaseDevState *> FMembers;
};
