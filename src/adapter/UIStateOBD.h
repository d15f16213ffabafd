// The OBD module's user-interface-side variable set: the mirror of the device
// side followed by the variables that live on the user-interface side only.
#pragma once

#include "adapter/DevStateOBD.h"

class TUIStateOBD : public TDevStateOBD
{
public:
    TUIStateOBD(TDeviceState *owner, TDevStateOBD *deviceSide);

    // Set every second by the main timer while the OBD readings are shown.
    TBoolByteVariable *LocalOBDReadings;

    void RegisterVariables(int phase) override;

private:
    TDevStateOBD *FDeviceSide;
};
