// The adapter module's variable sets: what the adapter box reports of itself
// (device side), and its user-interface mirror. All in the group "Adapter".
#pragma once

#include "adapter/DeviceState.h"

class TDevStateAdapter : public TBaseDevState
{
public:
    explicit TDevStateAdapter(TDeviceState *owner);

    TByteVariable *AdapterMainVersion;            // version byte, 10h reads "1.0"
    TByteVariable *AdapterReleaseVersion;         // release letter as a byte
    TByteVariable *AdapterRevisionVersion;        // revision number
    TByteVariable *AdapterBootloaderProductName;  // product number of the box's bootloader
    TByteVariable *AdapterBootloaderKitType;
    TWordVariable *AdapterProductionDate;         // two bytes as the box sends them
    TIntVariable *AdapterProductionSerialNumber;  // four bytes as the box sends them
    TByteVariable *AdapterDeviceType;             // the next four: low three bits
    TByteVariable *AdapterSoftwareOptions;
    TByteVariable *AdapterHardwareOptions;
    TByteVariable *AdapterHardwareVersion;
    TStringVariable *AdapterCompilationTime;      // "hh:mm:ss", zero-filled field of 9
    TStringVariable *AdapterCompilationDate;      // "Mmm dd yyyy", zero-filled field of 12
    // Results of the box's test mode; no request fills them.
    TByteVariable *AdapterTestModeGlobalResult;
    TByteVariable *AdapterTestModeStatus;
    TByteVariable *AdapterTestModeNrOfCanErr;
    TByteVariable *AdapterTestModeKlineResult;
    TByteVariable *AdapterTestModeCanResult;
    TByteVariable *AdapterTestModeLlineResult;
    TByteVariable *AdapterTestModeAioResult;
};

class TUIStateAdapter : public TDevStateAdapter
{
public:
    TUIStateAdapter(TDeviceState *owner, TDevStateAdapter *deviceSide);
    void RegisterVariables(int phase) override;

private:
    TDevStateAdapter *FDeviceSide;
};
