// The OBD module's user-interface-side variable set: the mirror of the device
// side followed by the variables that live on the user-interface side only
// (the local readings switch and the single bits of the settings, the link
// flags and the PID masks).
#pragma once

#include "adapter/DevStateOBD.h"

#include <array>

class TUIStateOBD : public TDevStateOBD
{
public:
    TUIStateOBD(TDeviceState *owner, TDevStateOBD *deviceSide);

    // Set every second by the main timer while the OBD readings are shown.
    TBoolByteVariable *LocalOBDReadings;
    // Bits of the settings OBDConfig_1_EE and OBDConfig_2_EE.
    TBoolVariable *OBDConfig_1_EE_isAutoConnect, *OBDConfig_1_EE_isAdaptationEnabled,
        *OBDConfig_1_EE_isCorrectionsInverted, *OBDConfig_1_EE_isAdaptControlLtFt, *OBDConfig_1_EE_isAdaptUseMinRPM,
        *OBDConfig_1_EE_isNotUseDivCorrs;
    TBoolVariable *OBDConfig_2_EE_unused1, *OBDConfig_2_EE_unused2, *OBDConfig_2_EE_unused3;

    void RegisterVariables(int phase) override;
    void SetDevState(TDevStateOBD *deviceSide) { FDeviceSide = deviceSide; }
    // Takes the trouble-code slots of the device side and caches the values
    // the windows test often.
    void DataChanged() override;

    // The link flag of entry i (1..32) and whether the car supports PID i (1..64).
    bool GetFlag(int i) const;
    bool GetPidSupported(int i) const;
    // The user's allow bit of PID i (for binding a control); nullptr outside 1..64.
    TBoolVariable *GetPidAllowedVariable(int i) const;
    // Names of the flag entries (0..32) and of the PID entries (0..64).
    static QString FlagName(int i);
    static QString PidName(int i);

    int AdaptType() const { return FAdaptType; }
    bool NotUseDivCorrs() const { return FNotUseDivCorrs; }

private:
    TDevStateOBD *FDeviceSide;
    std::array<TBoolVariable *, 33> FFlags{};
    std::array<TBoolVariable *, 65> FPids{}, FAllowed{};
    int FAdaptType = 2;
    bool FNotUseDivCorrs = false;
};
