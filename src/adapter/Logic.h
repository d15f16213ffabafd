// The application logic of the adapter modules: it assembles their variable
// sets (device side and user-interface side), runs the start-up
// synchronisation with the adapter box, and docks the adapter windows' panels
// into the main window.
#pragma once

#include <QObject>

#include <memory>

class QWidget;
class TDeviceState;
class TUIState;
class TDevStateAdapter;
class TUIStateAdapter;
class TDevStateOBD;
class TUIStateOBD;
class TLogicAdapter;

// How the modules are laid out: 2 = the adapter box is detected and the OBD
// and analog-I/O modules are its children.
constexpr quint8 ModuleLayoutMode = 2;
// OBD is available (set by TLogic::AssignModuleProtocols).
extern bool OBDAvailable;

class TLogic : public QObject
{
    Q_OBJECT
public:
    // Creates the user-interface aggregate and the modules' variable sets,
    // registers them and links the user-interface side to the device side.
    explicit TLogic(QObject *parent = nullptr);
    ~TLogic() override;

    // The device-side aggregate of all modules' variables.
    TDeviceState *DeviceState() const { return FDeviceState.get(); }
    // The user-interface-side aggregate the windows bind to.
    TUIState *UIState() const { return FUIState.get(); }

    TDevStateAdapter *DevStateAdapter() const { return FDevStateAdapter; }
    TUIStateAdapter *UIStateAdapter() const { return FUIStateAdapter; }
    TDevStateOBD *DevStateOBD() const { return FDevStateOBD; }
    TUIStateOBD *UIStateOBD() const { return FUIStateOBD; }
    TLogicAdapter *LogicAdapter() const { return FLogicAdapter; }

    // Start-up, run once by the program's main block after all windows exist:
    // SyncAfterDetect, hands the serial port to the firmware-upgrade logic and
    // clears the user-interface state's modified mark. Tolerates missing
    // objects (a failed creation before it). The flag is not used.
    void Startup(bool flag = false);
    // Clears the device-mirrored variables of the user-interface side, copies
    // them to the device side, re-detects the adapter modules under the
    // adapter manager's lock and copies the device side back. The port number
    // is not used.
    void SyncAfterDetect(int portNumber = 0);
    // Re-detects the modules under the manager's lock and marks the detection
    // done for the main timer.
    void RedetectLocked();
    // Recomputes whether OBD is available.
    void AssignModuleProtocols();

    // The nearest window up the control's parent chain, or nullptr.
    static QWidget *FindParentForm(QWidget *control);
    // Registers the control's window for translation, then ReparentControl.
    void MoveControlToHost(QWidget *host, QWidget *control);
    // Moves the control into host; the window that created it still
    // destroys it.
    void ReparentControl(QWidget *host, QWidget *control);

private:
    std::unique_ptr<TUIState> FUIState;
    std::unique_ptr<TDeviceState> FDeviceState;
    // Module sets, owned here (device sides first, then the user-interface sides).
    TDevStateAdapter *FDevStateAdapter = nullptr;
    TDevStateOBD *FDevStateOBD = nullptr;
    TUIStateAdapter *FUIStateAdapter = nullptr;
    TUIStateOBD *FUIStateOBD = nullptr;
    TLogicAdapter *FLogicAdapter = nullptr;
};

extern TLogic *Logic;
