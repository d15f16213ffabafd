#include "adapter/UIStateOBD.h"

TUIStateOBD::TUIStateOBD(TDeviceState *owner, TDevStateOBD *deviceSide)
    : TDevStateOBD(owner),
      LocalOBDReadings(new TBoolByteVariable(this, MakeGroupedName(dgLocal, QStringLiteral("LocalOBDReadings")))),
      FDeviceSide(deviceSide)
{
    ModuleActive = [this] { return FDeviceSide->ModuleActive && FDeviceSide->ModuleActive(); };
}

void TUIStateOBD::RegisterVariables(int phase)
{
    RegisterVariablesPhase(phase, *FDeviceSide);
}
