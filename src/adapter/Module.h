// The adapter box is served as a tree of modules: the root "Adapter" and its
// children "OBD" and "AIO". A module owns a protocol object (not the port),
// follows the outcome of every exchange of that protocol with its enabled
// flag, and is worked by the manager while it is alive.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <vector>

class TBaseDevState;
class TBaseProtocol;
class TManager;

class TBaseModule : public QObject
{
    Q_OBJECT
public:
    // Binds the protocol (see SetProtocol) and appends the module to the
    // manager's module list (the global manager when none is given).
    TBaseModule(QObject *owner, TBaseModule *parent, TBaseProtocol *protocol, TManager *manager = nullptr);
    ~TBaseModule() override;

    // The parent's IsActive (the manager's for the root) and Enabled.
    virtual bool IsActive() const;
    virtual QString GetName() const = 0;
    // The module's user-interface-side variable set.
    virtual TBaseDevState *GetUIState() const = 0;
    // Failed: nothing valid was received, or the answer was an error frame.
    virtual bool TransferFailed(bool received, bool isError) const { return !received || isError; }
    // Sends the module's presence query; returns IsActive afterwards.
    virtual bool Detect() = 0;
    // A change of Enabled; the root module also (de)activates the manager.
    virtual void SetEnabled(bool value);
    // One periodic pass of the module (under the manager's lock).
    virtual void WorkStep() = 0;

    // Raises when the protocol already reports to another module.
    void SetProtocol(TBaseProtocol *protocol);
    TBaseProtocol *Protocol() const { return FProtocol; }
    TBaseModule *ParentModule() const { return FParent; }
    void SetParentModule(TBaseModule *parent) { FParent = parent; }
    TManager *ModuleManager() const { return FManager; }

    bool Enabled() const { return FEnabled; }
    bool Alive() const { return FAlive; }
    bool Detecting() const { return FDetecting; }
    int Retries() const { return FRetries; }

    // The liveness check: with reset, a fresh detection (three attempts);
    // otherwise, for a module that stopped being active, one further
    // detection attempt per call while attempts are left. Returns Alive.
    bool CheckAlive(bool reset);

    // Detection attempts after a reset.
    static constexpr int DetectAttempts = 3;

protected:
    // One exchange of the module protocol: the request is the protocol's
    // RequestStart, then body (command and parameters) and the placeholder
    // of the check bytes; answer gets answerLength bytes. retry < 0 keeps the
    // protocol's repeat setting, 0 or 1 sets it for this exchange. True when
    // the exchange did not fail (TransferFailed).
    bool Exchange(std::initializer_list<std::uint8_t> body, std::uint8_t *answer, int answerLength, int retry = -1);
    bool Exchange(const std::vector<std::uint8_t> &body, std::uint8_t *answer, int answerLength, int retry = -1);

private:
    TBaseModule *FParent;
    TBaseProtocol *FProtocol = nullptr;
    TManager *FManager;
    bool FAlive = false;
    bool FDetecting = false;
    int FRetries = DetectAttempts;
    bool FEnabled = false;
};
