// The OBD module's device-side variable set: its link state and the settings
// that the adapter box keeps for its OBD link.
#pragma once

#include "adapter/DeviceState.h"

#include <functional>

class TDevStateOBD : public TBaseDevState
{
public:
    explicit TDevStateOBD(TDeviceState *owner);

    TBoolVariable *OBDConfig_1_EE;                     // setting, default 8
    TBoolVariable *OBDConfig_1_EE_isAdaptationEnabled; // bit 2 of OBDConfig_1_EE
    // The link state the box reports (state read), in answer order.
    TByteVariable *OBDFlags1, *OBDFlags2, *OBDFlags3, *OBDFlags4;
    TByteVariable *OBDactionMain;                      // link state of the OBD link
    TByteVariable *OBDactionDetect, *OBDactionConnecting, *OBDactionConnected, *OBDactualProtocol,
        *OBDnumberOfControllers;

    // Whether the OBD module is active; set by the module that owns this set.
    // Without a module the OBD link is never connected.
    std::function<bool()> ModuleActive;
    // The OBD module is active: its parent is active and it is enabled.
    bool IsModuleActive() const { return ModuleActive && ModuleActive(); }
    // The OBD module is active and its link state is 4 or 5 (connected).
    bool IsConnected() const;
};
