// The adapter module's variable sets: what the adapter box reports of itself
// (device side), and its user-interface mirror.
#pragma once

#include "adapter/DeviceState.h"

class TDevStateAdapter : public TBaseDevState
{
public:
    explicit TDevStateAdapter(TDeviceState *owner);

    TByteVariable *AdapterMainVersion;           // version byte, 10h reads "1.0"
    TByteVariable *AdapterReleaseVersion;        // release letter as a byte
    TByteVariable *AdapterRevisionVersion;       // revision number
    TByteVariable *AdapterBootloaderProductName; // product number of the box's bootloader
    TStringVariable *CompileDate;                // "Mmm dd yyyy"
    TStringVariable *CompileTime;                // "hh:mm:ss"
};

class TUIStateAdapter : public TDevStateAdapter
{
public:
    TUIStateAdapter(TDeviceState *owner, TDevStateAdapter *deviceSide);
    void RegisterVariables(int phase) override;

private:
    TDevStateAdapter *FDeviceSide;
};
