#include "adapter/ModuleAdapter.h"

#include "adapter/DevStateAdapter.h"
#include "adapter/Logic.h"
#include "adapter/LogicAdapter.h"
#include "adapter/UIState.h"
#include "core/DataManager.h"

#include <cstring>

TModuleAdapter *ModuleAdapter = nullptr;

namespace {
QByteArray bytesOf(const std::uint8_t *answer, int first, int count)
{
    return QByteArray(reinterpret_cast<const char *>(answer + first), count);
}

// A text of count characters into a zero-filled field of length bytes.
QByteArray textField(const std::uint8_t *answer, int first, int count, int length)
{
    QByteArray field(length, '\0');
    std::memcpy(field.data(), answer + first, std::size_t(std::min(count, length)));
    return field;
}
} // namespace

TModuleAdapter::TModuleAdapter(QObject *owner, TUIState *uiState, TDeviceState *deviceState,
                               TBaseProtocol *protocol, TManager *manager)
    : TBaseModule(owner, nullptr, protocol, manager),
      FDevState(new TDevStateAdapter(deviceState)),
      FUIState(new TUIStateAdapter(uiState, FDevState)),
      FLogic(new TLogicAdapter(this, uiState, this))
{
    setObjectName(QStringLiteral("ModuleAdapter"));
}

TModuleAdapter::~TModuleAdapter()
{
    delete FUIState;
    delete FDevState;
}

TBaseDevState *TModuleAdapter::GetUIState() const
{
    return FUIState;
}

bool TModuleAdapter::IsActive() const
{
    if (ModuleLayoutMode == 1)
        return Enabled();
    return TBaseModule::IsActive();
}

void TModuleAdapter::SetEnabled(bool value)
{
    TBaseModule::SetEnabled(ModuleLayoutMode == 1 ? true : value);
}

bool TModuleAdapter::MayRequest() const
{
    return ModuleLayoutMode == 2 && IsActive();
}

bool TModuleAdapter::Detect()
{
    if (ModuleLayoutMode == 2) {
        ReadVersion(false);
        if (IsActive())
            FLogic->CheckAdapterInfo(true);
    }
    return IsActive();
}

int TModuleAdapter::ReadVersion(bool retry)
{
    if (!DataManager || !DataManager->GetConnected())
        return 0;
    if (ModuleLayoutMode == 2 && ParentModule() && !ParentModule()->IsActive())
        return 0;
    FDevState->AdapterMainVersion->SetAsInteger(0);
    std::uint8_t answer[4] = {};
    if (!Exchange({0x01, 0x01}, answer, 4, retry ? 1 : 0))
        return 0;
    FDevState->AdapterMainVersion->SetRawData(bytesOf(answer, 2, 1), true);
    return answer[2];
}

bool TModuleAdapter::ReadInfoA()
{
    if (!MayRequest())
        return false;
    TDevStateAdapter &s = *FDevState;
    TVariable *const filled[] = {s.AdapterMainVersion, s.AdapterReleaseVersion, s.AdapterRevisionVersion,
                                 s.AdapterBootloaderProductName, s.AdapterBootloaderKitType,
                                 s.AdapterProductionDate, s.AdapterProductionSerialNumber, s.AdapterDeviceType,
                                 s.AdapterSoftwareOptions, s.AdapterHardwareOptions, s.AdapterHardwareVersion};
    for (TVariable *v : filled)
        v->ClearRawData(false);
    std::uint8_t answer[18] = {};
    if (!Exchange({0x02, 0xA5}, answer, 18))
        return false;
    s.AdapterMainVersion->SetRawData(bytesOf(answer, 2, 1), true);
    s.AdapterReleaseVersion->SetRawData(bytesOf(answer, 3, 1), true);
    s.AdapterRevisionVersion->SetRawData(bytesOf(answer, 4, 1), true);
    s.AdapterBootloaderProductName->SetRawData(bytesOf(answer, 5, 1), true);
    s.AdapterBootloaderKitType->SetRawData(bytesOf(answer, 6, 1), true);
    s.AdapterProductionDate->SetRawData(bytesOf(answer, 7, 2), true);
    s.AdapterProductionSerialNumber->SetRawData(bytesOf(answer, 9, 4), true);
    TByteVariable *const masked[] = {s.AdapterDeviceType, s.AdapterSoftwareOptions, s.AdapterHardwareOptions,
                                     s.AdapterHardwareVersion};
    for (int i = 0; i < 4; ++i)
        masked[i]->SetRawData(QByteArray(1, char(answer[13 + i] & 7)), true);
    return true;
}

bool TModuleAdapter::ReadInfoB()
{
    if (!MayRequest())
        return false;
    FDevState->AdapterCompilationTime->ClearRawData(false);
    FDevState->AdapterCompilationDate->ClearRawData(false);
    std::uint8_t answer[22] = {};
    if (!Exchange({0x04, 0xA5}, answer, 22))
        return false;
    FDevState->AdapterCompilationTime->SetRawData(textField(answer, 2, 8, 9), true);
    FDevState->AdapterCompilationDate->SetRawData(textField(answer, 10, 11, 12), true);
    return true;
}

bool TModuleAdapter::Request0A()
{
    if (!MayRequest())
        return false;
    std::uint8_t answer[4] = {};
    return Exchange({0x0A, 0xA5}, answer, 4);
}

int TModuleAdapter::Request0B()
{
    int result = 0;
    for (int attempt = 0; attempt < 6 && MayRequest(); ++attempt) {
        std::uint8_t answer[4] = {};
        result = Exchange({0x0B, 0xA5}, answer, 4) ? answer[2] : 0;
        if (result == 0xA5)
            break;
    }
    return result;
}

int TModuleAdapter::Request0C(quint8 parameter)
{
    if (!MayRequest())
        return 0;
    std::uint8_t answer[4] = {};
    return Exchange({0x0C, parameter}, answer, 4) ? answer[2] : 0;
}

int TModuleAdapter::SendTestModeCommand(quint8 parameter)
{
    if (parameter == 0 || !MayRequest())
        return 0;
    std::uint8_t answer[5] = {};
    if (!Exchange({0x05, parameter}, answer, 5))
        return TestModeFailed;
    return (answer[2] << 8) | answer[3];
}

void TModuleAdapter::ReadAll(bool versionRead)
{
    if (!versionRead)
        ReadVersion(true);
    if ((versionRead && IsActive()) || Enabled())
        ReadInfoA();
    if ((versionRead && IsActive()) || Enabled())
        ReadInfoB();
}
