#include "adapter/ModuleOBD.h"

#include "adapter/Manager.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"

TModuleOBD *ModuleOBD = nullptr;
TModuleAIO *ModuleAIO = nullptr;

TModuleOBD::TModuleOBD(QObject *owner, TBaseModule *parent, TUIState *uiState, TDeviceState *deviceState,
                       TBaseProtocol *protocol, TManager *manager)
    : TBaseModule(owner, parent, protocol, manager),
      FDevState(new TDevStateOBD(deviceState)),
      FUIState(new TUIStateOBD(uiState, FDevState))
{
    setObjectName(QStringLiteral("ModuleOBD"));
    FDevState->ModuleActive = [this] { return IsActive(); };
}

TModuleOBD::~TModuleOBD()
{
    delete FUIState;
    delete FDevState;
}

TBaseDevState *TModuleOBD::GetUIState() const
{
    return FUIState;
}

int TModuleOBD::CheckPresence(bool retry)
{
    if (ParentModule() && !ParentModule()->IsActive())
        return 0;
    std::uint8_t answer[4] = {};
    return Exchange({0x70, 0x01}, answer, 4, retry ? 1 : 0) ? answer[2] : 0;
}

bool TModuleOBD::Detect()
{
    SetEnabled((CheckPresence(false) & 1) != 0);
    if (IsActive())
        ReadState();
    return IsActive();
}

bool TModuleOBD::ReadState()
{
    if (!IsActive())
        return false;
    std::uint8_t answer[13] = {};
    if (!Exchange({0x78, 0xA5}, answer, 13))
        return false;
    TByteVariable *const fields[] = {FDevState->OBDFlags1, FDevState->OBDFlags2, FDevState->OBDFlags3,
                                     FDevState->OBDFlags4, FDevState->OBDactionMain, FDevState->OBDactionDetect,
                                     FDevState->OBDactionConnecting, FDevState->OBDactionConnected,
                                     FDevState->OBDactualProtocol, FDevState->OBDnumberOfControllers};
    for (int i = 0; i < 10; ++i)
        fields[i]->SetRawData(QByteArray(1, char(answer[2 + i])), true);
    return true;
}

void TModuleOBD::WorkStep()
{
    const quint32 poll = ModuleManager() ? quint32(ModuleManager()->PollSet) : TManager::DefaultPollSet;
    if (poll & PollState)
        ReadState();
}

namespace {
// The user-interface mirror of a module set that has no variables of its own.
class TMirrorSet : public TBaseDevState
{
public:
    TMirrorSet(TDeviceState *owner, TBaseDevState *deviceSide) : TBaseDevState(owner), FDeviceSide(deviceSide) {}
    void RegisterVariables(int phase) override { RegisterVariablesPhase(phase, *FDeviceSide); }

private:
    TBaseDevState *FDeviceSide;
};
} // namespace

TModuleAIO::TModuleAIO(QObject *owner, TBaseModule *parent, TUIState *uiState, TDeviceState *deviceState,
                       TBaseProtocol *protocol, TManager *manager)
    : TBaseModule(owner, parent, protocol, manager),
      FDevState(new TBaseDevState(deviceState)),
      FUIState(new TMirrorSet(uiState, FDevState))
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
    // The presence query: the box has no analog-I/O answer, nothing is sent.
    SetEnabled(false);
    return IsActive();
}
