// The adapter box itself: the root module "Adapter". It reads the box's
// version, production and build information, decides whether the box is
// usable with this program, and carries the box's own requests that the OBD
// module and window use.
#pragma once

#include "adapter/Module.h"

class TDeviceState;
class TDevStateAdapter;
class TLogicAdapter;
class TUIState;
class TUIStateAdapter;

class TModuleAdapter : public TBaseModule
{
    Q_OBJECT
public:
    // Creates the device-side set on deviceState and its mirror on uiState.
    TModuleAdapter(QObject *owner, TUIState *uiState, TDeviceState *deviceState, TBaseProtocol *protocol,
                   TManager *manager = nullptr);
    ~TModuleAdapter() override;

    bool IsActive() const override;
    QString GetName() const override { return QStringLiteral("Adapter"); }
    TBaseDevState *GetUIState() const override;
    // The version request (no repeat); when the box then is active, the
    // rest of its information and the usability check.
    bool Detect() override;
    void SetEnabled(bool value) override;
    // The box itself has nothing to poll.
    void WorkStep() override {}

    TDevStateAdapter *DevState() const { return FDevState; }
    TUIStateAdapter *UIStateAdapter() const { return FUIState; }
    TLogicAdapter *Logic() const { return FLogic; }

    // The requests; each gives 0 (false) when it was not sent or failed.
    // The version byte (also stored); retry: repeat a failed exchange.
    int ReadVersion(bool retry);
    bool ReadInfoA();
    bool ReadInfoB();
    bool Request0A();
    // Repeated until the box answers A5, at most six times.
    int Request0B();
    int Request0C(quint8 parameter);
    // The box's answer word; nothing is sent for 0. A failed exchange gives
    // TestModeFailed, which no answer can be taken for.
    int SendTestModeCommand(quint8 parameter);
    static constexpr int TestModeFailed = -1;
    // The version (unless already read) and the information blocks.
    void ReadAll(bool versionRead);

private:
    // Sent only in layout mode 2 and while the module is active.
    bool MayRequest() const;

    TDevStateAdapter *FDevState;
    TUIStateAdapter *FUIState;
    TLogicAdapter *FLogic;
};

extern TModuleAdapter *ModuleAdapter;
