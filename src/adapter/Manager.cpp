#include "adapter/Manager.h"

#include "core/DataManager.h"

TManager *Manager = nullptr;

TManager::TManager(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("Manager"));
}

TManager::~TManager() = default;

void TManager::SetActive(bool active)
{
    std::lock_guard<std::recursive_mutex> guard(FLock);
    FActive = active;
    // With false, every root module that is not disabled is disabled; the
    // module list joins the manager with the module framework.
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
    // Each module whose liveness check passes runs its work step here; no
    // module exists until the module framework registers them.
}

bool TManager::FetchDetectDone()
{
    return FDetectDone.exchange(false);
}

bool TManager::FetchSecondFlag()
{
    return FSecondFlag.exchange(false);
}

void TManager::SetStateFlag(uint32_t mask, bool on)
{
    if (on)
        FStateFlags.fetch_or(mask);
    else
        FStateFlags.fetch_and(~mask);
}
