// The analog-I/O module's user-interface-side variable set: the mirror of the
// device side followed by the two switches the window binds its check boxes
// to, single bits of the option byte.
#pragma once

#include "adapter/DevStateAIO.h"

class TUIStateAIO : public TDevStateAIO
{
public:
    TUIStateAIO(TDeviceState *owner, TDevStateAIO *deviceSide);

    // Bits 1 and 2 of LamEmuConfOptionsByte: emulator 1 and 2 on.
    TBoolVariable *ConfigOptionLam1EmulationEnabled, *ConfigOptionLam2EmulationEnabled;
    TBoolVariable *EmulationEnabled(int emulator) const;

    void RegisterVariables(int phase) override;

private:
    TDevStateAIO *FDeviceSide;
};
