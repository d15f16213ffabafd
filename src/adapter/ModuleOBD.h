// The adapter box's OBD-II link as a child module of the adapter: its
// presence and the link state it reports, polled by the manager's work step.
#pragma once

#include "adapter/Module.h"

class TDeviceState;
class TDevStateOBD;
class TUIState;
class TUIStateOBD;

class TModuleOBD : public TBaseModule
{
    Q_OBJECT
public:
    TModuleOBD(QObject *owner, TBaseModule *parent, TUIState *uiState, TDeviceState *deviceState,
               TBaseProtocol *protocol, TManager *manager = nullptr);
    ~TModuleOBD() override;

    QString GetName() const override { return QStringLiteral("OBD"); }
    TBaseDevState *GetUIState() const override;
    // Enabled as the box reports an OBD link; when active, its state is read.
    bool Detect() override;
    // By the manager's poll set: bit 14 reads the link state.
    void WorkStep() override;

    TDevStateOBD *DevState() const { return FDevState; }
    TUIStateOBD *UIStateOBD() const { return FUIState; }

    // The box's status byte (bit 0: an OBD link is present); sent when the
    // module has no parent or the parent is active; 0 when not sent or failed.
    int CheckPresence(bool retry);
    // The link state into the device-side variables.
    bool ReadState();

    static constexpr quint32 PollState = 1u << 14;

private:
    TDevStateOBD *FDevState;
    TUIStateOBD *FUIState;
};

// The analog-I/O side of the box as a child module of the adapter. The box
// offers no presence answer for it yet, so it is never enabled by detection.
class TModuleAIO : public TBaseModule
{
    Q_OBJECT
public:
    TModuleAIO(QObject *owner, TBaseModule *parent, TUIState *uiState, TDeviceState *deviceState,
               TBaseProtocol *protocol, TManager *manager = nullptr);
    ~TModuleAIO() override;

    QString GetName() const override { return QStringLiteral("AIO"); }
    TBaseDevState *GetUIState() const override;
    bool Detect() override;
    void WorkStep() override {}

private:
    TBaseDevState *FDevState;
    TBaseDevState *FUIState;
};

extern TModuleOBD *ModuleOBD;
extern TModuleAIO *ModuleAIO;
