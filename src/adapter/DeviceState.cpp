#include "adapter/DeviceState.h"

TBaseDevState::TBaseDevState(TDeviceState *owner) : TVariableList(true), FOwner(owner)
{
    if (owner)
        owner->AddMember(this);
}

void TBaseDevState::RegisterVariables(int phase)
{
    Q_UNUSED(phase);
    if (FOwner)
        FOwner->AddRange(*this, 0, -1);
}

void TBaseDevState::RegisterVariablesPhase(int phase, TBaseDevState &deviceSide)
{
    if (phase == 1) {
        deviceSide.RegisterVariables(phase);
        if (FOwner)
            FOwner->AddRange(*this, 0, deviceSide.Count());
    } else if (phase == 2) {
        if (FOwner)
            FOwner->AddRange(*this, deviceSide.Count(), -1);
    }
}

TDeviceState::TDeviceState() : TVariableList(false) {}

void TDeviceState::AddMember(TBaseDevState *member)
{
    if (!FMembers.contains(member))
        FMembers.append(member);
}
