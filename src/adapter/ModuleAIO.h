// The analog-I/O side of the adapter box (two lambda-probe emulators) as a
// child module of the adapter, and its logic. The box defines no requests for
// it yet: every device operation below is a placeholder that sends nothing,
// so presence is never reported and the module is never enabled by
// detection; the window then works on the user-interface variables alone.
#pragma once

#include "adapter/Module.h"

#include <array>

class TDevStateAIO;
class TDeviceState;
class TLogicAIO;
class TUIState;
class TUIStateAIO;

class TModuleAIO : public TBaseModule
{
    Q_OBJECT
public:
    TModuleAIO(QObject *owner, TBaseModule *parent, TUIState *uiState, TDeviceState *deviceState,
               TBaseProtocol *protocol, TManager *manager = nullptr);
    ~TModuleAIO() override;

    QString GetName() const override { return QStringLiteral("AIO"); }
    TBaseDevState *GetUIState() const override;
    // Enabled as the presence query answers (never, so far).
    bool Detect() override;
    void WorkStep() override;

    TDevStateAIO *DevState() const { return FDevState; }
    TUIStateAIO *UIStateAIO() const { return FUIState; }
    TLogicAIO *Logic() const { return FLogic; }

    // The device operations. Each gives false (0) unless the module is
    // active; while active a read succeeds and a write is accepted (A5).
    // The presence query also needs an active parent; the box has no answer
    // for it, so it is false.
    bool CheckPresence();
    bool PeriodicStep();
    bool ReadMain();
    bool ReadOptions();
    bool ReadThresholdRowA(int row);
    bool ReadThresholdRowB(int row);
    bool ReadExtra();
    int WriteMain();
    int WriteOptions();
    int WriteThresholdRowA(int row);
    int WriteThresholdRowB(int row);
    int WriteExtra();

    // The module's bit in the manager's poll set.
    static constexpr quint32 PollAIO = 0x400000;
    static constexpr int Accepted = 0xA5;

private:
    bool Read() const { return IsActive(); }
    int Write() const { return IsActive() ? Accepted : 0; }

    TDevStateAIO *FDevState;
    TUIStateAIO *FUIState;
    TLogicAIO *FLogic;
};

// The analog-I/O configuration read and written as a whole, and the
// calculations of the window: the linear rule's model output, the operating
// point in the threshold tables and the step buttons' values.
class TLogicAIO : public QObject
{
    Q_OBJECT
public:
    explicit TLogicAIO(TModuleAIO *module);

    // Reads every block while the module stays active, then copies the "AIO"
    // section device side to user interface. False when the module was not
    // active (or stopped being active) before the end: nothing was copied.
    bool ReadConfiguration();
    // Copies the "AIO" section user interface to device side, then writes
    // every block while the module is active, stopping at the first refusal.
    // True when no write was refused: an absent module has nothing to
    // refuse, and its device side then holds the values. False, with
    // nothing copied, while the box itself (the parent) is not active. The
    // adapter configuration-file load writes through this.
    bool WriteConfiguration();
    // The defaults of every analog-I/O setting written to the box (after the
    // OK/Cancel question when ask). False when the module is not active, the
    // question was not answered OK, or a write was refused.
    bool WriteDefaultConfiguration(bool ask);

    // The linear rule over three points: the first point whose X reaches x
    // decides; before the first point Y0, beyond the last Y2, else the
    // straight line through that point and the one before.
    static double ModelOutput(const std::array<double, 3> &xs, const std::array<double, 3> &ys, double x);
    // On the model points of emulator 1 and 2 of the user-interface side.
    double ModelOutput1(double x) const;
    double ModelOutput2(double x) const;

    // Operating row for a load: 0 when threshold 0 reaches it, else the first
    // threshold from 1 on that reaches it, the last row when none does.
    static int OperatingRow(const std::array<int, 10> &loadThresholds, int load);
    // Operating column for an RPM: 0 below threshold 0, else the first
    // threshold from 1 on that reaches it, the last column when none does.
    static int OperatingColumn(const std::array<int, 12> &rpmThresholds, int rpm);
    // A step button's value for a cell: step added (or 0 for "=0"), limited
    // to 0..1000.
    static int SteppedValue(int value, int step, bool zero);
    static constexpr int CellMinimum = 0;
    static constexpr int CellMaximum = 1000;

private:
    double modelOutput(int emulator, double x) const;

    TModuleAIO *FModule;
};

extern TModuleAIO *ModuleAIO;
