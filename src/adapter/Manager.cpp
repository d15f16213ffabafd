#include "adapter/Manager.h"

#include "adapter/DeviceState.h"
#include "adapter/Module.h"
#include "core/DataManager.h"
#include "core/FileLogger.h"
#include "core/TimerThread.h"

#include <chrono>
#include <exception>
#include <thread>

TManager *Manager = nullptr;

TManager::TManager(QObject *parent) : QObject(parent), FDeviceState(std::make_unique<TDeviceState>())
{
    setObjectName(QStringLiteral("Manager"));
    Sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    FTimerThread = new TTimerThread(this);
    FTimerThread->setObjectName(QStringLiteral("TimerThread"));
    FTimerThread->SetInterval(200);
    FTimerThread->SetDelayType(dtLikeTimer);
    FTimerThread->SetOnWorkStep([this](TTimerThread *) { TimerThreadWorkStep(nullptr); });
}

TManager::~TManager()
{
    FTimerThread->StopAndWait();
}

void TManager::ResetDeviceState()
{
    FDeviceState = std::make_unique<TDeviceState>();
}

void TManager::AddModule(TBaseModule *module)
{
    if (module && !FModules.contains(module))
        FModules.append(module);
}

void TManager::RemoveModule(TBaseModule *module)
{
    FModules.removeAll(module);
}

void TManager::RegisterModuleVariables()
{
    for (TBaseModule *module : FModules)
        if (TBaseDevState *set = module->GetUIState())
            set->RegisterVariables(1);
    for (TBaseModule *module : FModules)
        if (TBaseDevState *set = module->GetUIState())
            set->RegisterVariables(2);
}

void TManager::NotifyUIStatesChanged()
{
    for (TBaseModule *module : FModules)
        if (TBaseDevState *set = module->GetUIState())
            set->DataChanged();
}

void TManager::SetActive(bool active)
{
    FActive = active;
    if (!active)
        for (TBaseModule *module : FModules)
            if (!module->ParentModule() && module->Enabled())
                module->SetEnabled(false);
}

bool TManager::IsActive() const
{
    return FActive && DataManager != nullptr && DataManager->GetConnected();
}

void TManager::TimerThreadWorkStep(QObject *sender)
{
    Q_UNUSED(sender);
    std::lock_guard<std::recursive_mutex> guard(FLock);
    if (!IsActive())
        return;
    ++FWorkSteps;
    // The list may shrink while a module works (a module freed by its logic).
    const QList<TBaseModule *> modules = FModules;
    for (TBaseModule *module : modules)
        if (FModules.contains(module) && module->CheckAlive(false))
            module->WorkStep();
}

void TManager::RedetectModules()
{
    if (FRedetecting) {
        int waited = 0;
        while (FRedetecting && waited < RedetectWaitMs) {
            Sleep(RedetectPollMs);
            waited += RedetectPollMs;
        }
        if (FRedetecting)
            return;
    }
    FRedetecting = true;
    FRefused = false;
    try {
        const QList<TBaseModule *> modules = FModules;
        for (TBaseModule *module : modules) {
            if (TBaseModule *parent = module->ParentModule())
                module->SetEnabled(parent->IsActive());
            else
                module->SetEnabled(false);
            module->CheckAlive(true);
        }
    } catch (...) {
        FRedetecting = false;
        throw;
    }
    FRedetecting = false;
}

void TManager::RedetectLocked()
{
    std::lock_guard<std::recursive_mutex> guard(FLock);
    try {
        RedetectModules();
        FDetectDone = true;
        FDetectedOnLink = DataManager && DataManager->GetConnected();
        FDetectedLink = DataManager ? DataManager->LinkUps : 0;
    } catch (const std::exception &e) {
        FActive = false;
        LogToFile(QStringLiteral("Adapter re-detection: %1").arg(QString::fromUtf8(e.what())));
    } catch (...) {
        FActive = false;
    }
}

bool TManager::DetectedOnThisLink() const
{
    return FDetectedOnLink && DataManager && DataManager->GetConnected() && DataManager->LinkUps == FDetectedLink;
}

bool TManager::ModulesDroppedOut() const
{
    if (!DataManager || !DataManager->GetConnected())
        return false;
    if (!FActive)
        return !FRefused;
    for (const TBaseModule *module : FModules)
        if (module->Alive() && !module->IsActive())
            return true;
    return false;
}

bool TManager::FetchDetectDone()
{
    return FDetectDone.exchange(false);
}

bool TManager::FetchSecondFlag()
{
    return FSecondFlag.exchange(false);
}

// The state flags are the bits of the poll set: the main tick's OBD-link
// bit is the one that lets the OBD module read its live values.
void TManager::SetStateFlag(uint32_t mask, bool on)
{
    if (on)
        PollSet.fetch_or(mask);
    else
        PollSet.fetch_and(~mask);
}
