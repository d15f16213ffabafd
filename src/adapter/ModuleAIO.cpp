#include "adapter/ModuleAIO.h"

#include "adapter/DevStateAIO.h"
#include "adapter/Logic.h"
#include "adapter/UIState.h"
#include "adapter/UIStateAIO.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "windows/NamedWidget.h"

#include <algorithm>

TModuleAIO *ModuleAIO = nullptr;

TModuleAIO::TModuleAIO(QObject *owner, TBaseModule *parent, TUIState *uiState, TDeviceState *deviceState,
                       TBaseProtocol *protocol, TManager *manager)
    : TBaseModule(owner, parent, protocol, manager),
      FDevState(new TDevStateAIO(deviceState)),
      FUIState(new TUIStateAIO(uiState, FDevState)),
      FLogic(new TLogicAIO(this))
{
    setObjectName(QStringLiteral("ModuleAIO"));
}

TModuleAIO::~TModuleAIO()
{
    delete FUIState;
    delete FDevState;
}

TBaseDevState *TModuleAIO::GetUIState() const
{
    return FUIState;
}

bool TModuleAIO::Detect()
{
    SetEnabled(CheckPresence());
    return IsActive();
}

void TModuleAIO::WorkStep()
{
    if (IsActive())
        PeriodicStep();
}

bool TModuleAIO::CheckPresence()
{
    if (ParentModule() && !ParentModule()->IsActive())
        return false;
    // The box answers no presence query for its analog I/O: nothing is sent.
    return false;
}

bool TModuleAIO::PeriodicStep() { return Read(); }
bool TModuleAIO::ReadMain() { return Read(); }
bool TModuleAIO::ReadOptions() { return Read(); }
bool TModuleAIO::ReadThresholdRowA(int) { return Read(); }
bool TModuleAIO::ReadThresholdRowB(int) { return Read(); }
bool TModuleAIO::ReadExtra() { return Read(); }
int TModuleAIO::WriteMain() { return Write(); }
int TModuleAIO::WriteOptions() { return Write(); }
int TModuleAIO::WriteThresholdRowA(int) { return Write(); }
int TModuleAIO::WriteThresholdRowB(int) { return Write(); }
int TModuleAIO::WriteExtra() { return Write(); }

// ---- Logic ----------------------------------------------------------------

TLogicAIO::TLogicAIO(TModuleAIO *module) : QObject(module), FModule(module)
{
    setObjectName(QStringLiteral("LogicAIO"));
}

bool TLogicAIO::ReadConfiguration()
{
    TModuleAIO &m = *FModule;
    auto *ui = dynamic_cast<TUIState *>(m.UIStateAIO()->Owner());
    const QString section = GetDataGroupName(dgAIO);
    // Without the module the device side is all there is to show.
    if (!m.IsActive()) {
        if (ui && ui->Source())
            ui->CopyFromDevice(section, 3);
        return false;
    }
    if (!m.ReadMain() || !m.ReadOptions())
        return false;
    for (int i = 0; i < TDevStateAIO::LoadThresholdCount; ++i)
        if (!m.ReadThresholdRowA(i) || !m.ReadThresholdRowB(i))
            return false;
    if (!m.ReadExtra())
        return false;
    if (ui && ui->Source())
        ui->CopyFromDevice(section, 3);
    return true;
}

bool TLogicAIO::WriteConfiguration()
{
    TModuleAIO &m = *FModule;
    // The box itself not there (gone, or back but not yet found again):
    // nothing is written, not even the device side, which keeps what the
    // box held.
    if (m.ParentModule() && !m.ParentModule()->IsActive())
        return false;
    if (auto *ui = dynamic_cast<TUIState *>(m.UIStateAIO()->Owner()); ui && ui->Source())
        ui->CopyToDevice(GetDataGroupName(dgAIO), 3);
    else
        m.DevState()->CopyFrom(*m.UIStateAIO(), GetDataGroupName(dgAIO), 3);
    if (!m.IsActive())
        return true;
    auto accepted = [](int result) { return result == TModuleAIO::Accepted; };
    if (!accepted(m.WriteMain()) || !accepted(m.WriteOptions()))
        return false;
    for (int i = 0; i < TDevStateAIO::LoadThresholdCount; ++i)
        if (!accepted(m.WriteThresholdRowA(i)) || !accepted(m.WriteThresholdRowB(i)))
            return false;
    return accepted(m.WriteExtra());
}

bool TLogicAIO::WriteDefaultConfiguration(bool ask)
{
    if (!FModule->IsActive())
        return false;
    if (ask) {
        const QString text = TranslateKey(QStringLiteral("strTextQuestionDefaultAioSettings"));
        if (!Common || Common->AskOkCancel(text, QString()) != mrOk)
            return false;
    }
    bool saved = false;
    if (::Logic)
        ::Logic->PauseWorkThread(saved);
    const QString group = GetDataGroupName(dgAIO);
    FModule->UIStateAIO()->ResetGroup(group);
    FModule->DevState()->CopyFrom(*FModule->UIStateAIO(), group, 2);
    const bool ok = WriteConfiguration();
    if (::Logic)
        ::Logic->ResumeWorkThread(saved);
    return ok;
}

double TLogicAIO::ModelOutput(const std::array<double, 3> &xs, const std::array<double, 3> &ys, double x)
{
    int k = 0;
    while (k < 3 && xs[k] < x)
        ++k;
    if (k == 0)
        return ys[0];
    if (k == 3)
        return ys[2];
    // xs[k - 1] < x <= xs[k]: the run is never zero.
    return ys[k - 1] + (x - xs[k - 1]) * (ys[k] - ys[k - 1]) / (xs[k] - xs[k - 1]);
}

double TLogicAIO::modelOutput(int emulator, double x) const
{
    std::array<double, 3> xs{}, ys{};
    const TUIStateAIO &ui = *FModule->UIStateAIO();
    for (int k = 0; k < 3; ++k) {
        xs[k] = double(ui.ModelPointX(emulator, k)->GetAsInteger());
        ys[k] = double(ui.ModelPointY(emulator, k)->GetAsInteger());
    }
    return ModelOutput(xs, ys, x);
}

double TLogicAIO::ModelOutput1(double x) const
{
    return modelOutput(1, x);
}

double TLogicAIO::ModelOutput2(double x) const
{
    return modelOutput(2, x);
}

int TLogicAIO::OperatingRow(const std::array<int, 10> &loadThresholds, int load)
{
    if (loadThresholds[0] >= load)
        return 0;
    for (int i = 1; i < 10; ++i)
        if (loadThresholds[i] >= load)
            return i;
    return 9;
}

int TLogicAIO::OperatingColumn(const std::array<int, 12> &rpmThresholds, int rpm)
{
    if (rpmThresholds[0] > rpm)
        return 0;
    for (int j = 1; j < 12; ++j)
        if (rpmThresholds[j] >= rpm)
            return j;
    return 11;
}

int TLogicAIO::SteppedValue(int value, int step, bool zero)
{
    return zero ? 0 : std::clamp(value + step, CellMinimum, CellMaximum);
}
