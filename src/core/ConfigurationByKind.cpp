#include "core/ConfigurationByKind.h"

#include "core/DataManager.h"
#include "core/DeviceRecord.h"

namespace {

std::function<bool()> ConfigPageWrite;
std::function<bool()> WizardWrite;

} // namespace

int ReadConfigurationByKind(TDataManager &manager)
{
    if (!manager.GetConnected())
        return 0;
    bool ok = false;
    switch (DeviceRecord.DeviceKind) {
    case 20:
    case 21:
        ok = manager.ReadModelDataCmd03();
        break;
    case 48:
        ok = manager.ReadModelDataD8();
        break;
    default:
        return 0;
    }
    // A read that lost the link on the way has not read the whole
    // configuration, whatever the block said.
    return ok && manager.GetConnected() ? 1 : 0;
}

bool WriteConfigurationByKind(TDataManager &manager)
{
    if (!manager.GetConnected())
        return false;
    switch (DeviceRecord.DeviceKind) {
    case 20:
    case 21:
        if (!ConfigPageWrite || !ConfigPageWrite())
            return false;
        return !manager.IsDeviceNotReady();
    case 48:
        return WizardWrite ? WizardWrite() : false;
    default:
        return false;
    }
}

void SetConfigurationWriteActions(std::function<bool()> configPageWrite,
                                  std::function<bool()> wizardWrite)
{
    ConfigPageWrite = std::move(configPageWrite);
    WizardWrite = std::move(wizardWrite);
}
