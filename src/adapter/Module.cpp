#include "adapter/Module.h"

#include "adapter/BaseProtocol.h"
#include "adapter/Manager.h"
#include "adapter/Variable.h"

#include <vector>

TBaseModule::TBaseModule(QObject *owner, TBaseModule *parent, TBaseProtocol *protocol, TManager *manager)
    : QObject(owner), FParent(parent), FManager(manager ? manager : ::Manager)
{
    SetProtocol(protocol);
    if (FManager)
        FManager->AddModule(this);
}

TBaseModule::~TBaseModule()
{
    if (FProtocol && FProtocol->CompatibleOwner == this) {
        FProtocol->SetDeviceCompatible = nullptr;
        FProtocol->CompatibleOwner = nullptr;
    }
    if (FManager)
        FManager->RemoveModule(this);
}

void TBaseModule::SetProtocol(TBaseProtocol *protocol)
{
    if (!protocol)
        return;
    if (protocol->SetDeviceCompatible && protocol->CompatibleOwner != this)
        throw EVariableError(QStringLiteral(
            "Unable to use a protocol with initialized SetDeviceCompatible (protocol used in another module)"));
    FProtocol = protocol;
    protocol->CompatibleOwner = this;
    protocol->SetDeviceCompatible = [this](bool success) { SetEnabled(success); };
}

bool TBaseModule::IsActive() const
{
    const bool above = FParent ? FParent->IsActive() : (FManager && FManager->IsActive());
    return above && FEnabled;
}

void TBaseModule::SetEnabled(bool value)
{
    if (value == FEnabled)
        return;
    FEnabled = value;
    if (!FParent && FManager)
        FManager->SetActive(value);
}

bool TBaseModule::CheckAlive(bool reset)
{
    if (reset) {
        FAlive = false;
        FDetecting = true;
        FRetries = DetectAttempts;
        Detect();
    } else if (!IsActive()) {
        if ((FAlive || FDetecting) && FRetries > 0) {
            --FRetries;
            Detect();
            if (IsActive()) {
                FAlive = true;
                FRetries = DetectAttempts;
            }
        } else if (FDetecting) {
            FDetecting = false;
            if (!FParent && FManager)
                FManager->SetActive(false);
        }
    }
    if (FDetecting) {
        FAlive = IsActive();
        if (FAlive)
            FDetecting = false;
    }
    return FAlive;
}

bool TBaseModule::Exchange(std::initializer_list<std::uint8_t> body, std::uint8_t *answer, int answerLength,
                           int retry)
{
    return Exchange(std::vector<std::uint8_t>(body), answer, answerLength, retry);
}

bool TBaseModule::Exchange(const std::vector<std::uint8_t> &body, std::uint8_t *answer, int answerLength,
                           int retry)
{
    if (!FProtocol)
        return false;
    std::vector<std::uint8_t> request;
    request.reserve(body.size() + 2);
    request.push_back(FProtocol->RequestStart);
    request.insert(request.end(), body.begin(), body.end());
    request.push_back(0); // replaced by the check bytes on the wire
    const bool savedRetry = FProtocol->RetryEnabled;
    if (retry >= 0)
        FProtocol->RetryEnabled = retry != 0;
    int written = 0;
    bool isError = false;
    bool received = false;
    try {
        received = FProtocol->Execute(request.data(), written, int(request.size()), answer, isError, answerLength);
    } catch (...) {
        FProtocol->RetryEnabled = savedRetry;
        throw;
    }
    FProtocol->RetryEnabled = savedRetry;
    return !TransferFailed(received, isError);
}
