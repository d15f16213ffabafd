#include "adapter/UIStateAIO.h"

TUIStateAIO::TUIStateAIO(TDeviceState *owner, TDevStateAIO *deviceSide)
    : TDevStateAIO(owner),
      ConfigOptionLam1EmulationEnabled(TBoolVariable::CreateBit(
          this, 0x02, LamEmuConfOptionsByte, MakeGroupedName(dgAIO, QStringLiteral("ConfigOptionLam1EmulationEnabled")))),
      ConfigOptionLam2EmulationEnabled(TBoolVariable::CreateBit(
          this, 0x04, LamEmuConfOptionsByte, MakeGroupedName(dgAIO, QStringLiteral("ConfigOptionLam2EmulationEnabled")))),
      FDeviceSide(deviceSide)
{
}

TBoolVariable *TUIStateAIO::EmulationEnabled(int emulator) const
{
    return emulator == 1 ? ConfigOptionLam1EmulationEnabled
         : emulator == 2 ? ConfigOptionLam2EmulationEnabled
                         : nullptr;
}

void TUIStateAIO::RegisterVariables(int phase)
{
    RegisterVariablesPhase(phase, *FDeviceSide);
}
