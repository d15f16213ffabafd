// The analog-I/O module's device-side variable set: the two lambda-probe
// emulators of the adapter box with their measured inputs and outputs, the
// option bits, the low and high outputs and the rule of each emulator, the
// load and RPM thresholds both emulators share, the two 10 x 12 threshold
// tables and the three model points of each linear rule. The variables are
// created in a fixed order: the user-interface side mirrors them index by
// index.
#pragma once

#include "adapter/DeviceState.h"

#include <array>

class TDevStateAIO : public TBaseDevState
{
public:
    static constexpr int LoadThresholdCount = 10; // rows of a table
    static constexpr int RpmThresholdCount = 12;  // columns of a table
    static constexpr int ModelPointCount = 3;
    // Emulation rules (the values of Lam1EmulationType and Lam2EmulationType).
    static constexpr int RectangularEmulation = 1;
    static constexpr int LinearEmulation = 2;

    explicit TDevStateAIO(TDeviceState *owner);

    // Measured inputs and driven outputs, volts (raw signed millivolts, high
    // byte first).
    TDoubleVariable *RealAnalogInput1, *RealAnalogInput2, *RealAnalogOutput1, *RealAnalogOutput2;
    // Option bits of both emulators (bit 1: emulator 1 on, bit 2: emulator 2 on).
    TBoolVariable *LamEmuConfOptionsByte;
    // Low and high output of the rectangular rule, mV.
    TWordVariable *Lam1EmulatorMinValue, *Lam1EmulatorMaxValue, *Lam2EmulatorMinValue, *Lam2EmulatorMaxValue;
    TByteVariable *Lam1EmulationType, *Lam2EmulationType;

    // Load threshold i (0..9), RPM threshold j (0..11), the table cell of
    // emulator 1 or 2 at row i and column j, and point k (0..2) of a model
    // list (0: emulator 1 X, 1: emulator 1 Y, 2: emulator 2 X, 3: emulator 2 Y).
    // Indexes outside these ranges give nullptr.
    TByteVariable *PcolThreshold(int i) const;
    TWordVariable *RpmThreshold(int j) const;
    TWordVariable *Threshold(int emulator, int i, int j) const;
    TWordVariable *ModelPoint(int list, int k) const;
    TWordVariable *ModelPointX(int emulator, int k) const { return ModelPoint((emulator - 1) * 2, k); }
    TWordVariable *ModelPointY(int emulator, int k) const { return ModelPoint((emulator - 1) * 2 + 1, k); }
    TWordVariable *MinValue(int emulator) const;
    TWordVariable *MaxValue(int emulator) const;
    TByteVariable *EmulationType(int emulator) const;

private:
    std::array<TByteVariable *, LoadThresholdCount> FPcolThresholds{};
    std::array<TWordVariable *, RpmThresholdCount> FRpmThresholds{};
    std::array<std::array<std::array<TWordVariable *, RpmThresholdCount>, LoadThresholdCount>, 2> FTables{};
    std::array<std::array<TWordVariable *, ModelPointCount>, 4> FModelPoints{};
};
