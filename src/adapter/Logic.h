// The application logic of the adapter modules: it assembles the modules,
// their protocols and variable sets, runs the start-up synchronisation with
// the adapter box, binds window controls to variables both ways, and docks
// the adapter windows' panels into the main window.
#pragma once

#include <QCursor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QWidget;
class TAdapterProtocol;
class TDeviceState;
class TDevStateAdapter;
class TDevStateOBD;
class TLogicAdapter;
class TManager;
class TModuleAdapter;
class TModuleAIO;
class TModuleOBD;
class TUIState;
class TUIStateAdapter;
class TUIStateOBD;
class TVariable;

// How the modules are laid out: 2 = the adapter box is detected and the OBD
// and analog-I/O modules are its children.
constexpr quint8 ModuleLayoutMode = 2;
// OBD is available (set by TLogic::AssignModuleProtocols).
extern bool OBDAvailable;

// Binding flags.
enum : int {
    bfTwoWay = 1,       // show the variable and write the user's input back
    bfDisplay = 2,      // display only
    bfCustom = 4,       // the caller supplies the handlers
    bfInteger = 8,      // edits: the text is an integer
    bfItemText = 16,    // combo boxes: by item text instead of index = value - 1
    bfFloat = 32,       // edits: the text is a floating-point number
};

// One control bound to one variable.
struct TBinding {
    using THandler = std::function<void(QWidget *control, TVariable *variable)>;
    QPointer<QWidget> Control;
    TVariable *Variable = nullptr;
    // The tab page or window that shows the control.
    QString Scope;
    // The variable changed since the control was last refreshed.
    bool Changed = false;
    // Refreshes the control from the variable.
    THandler DisplayHandler;
    // Writes the user's input into the variable.
    THandler WriteBack;
    THandler CustomWriteBack;
};

class TLogic : public QObject
{
    Q_OBJECT
public:
    // Creates the user-interface aggregate, the three module protocols on
    // the program's port and the three modules (adapter first, then its
    // children OBD and analog I/O) and links the two aggregates. Without a
    // manager given, the global one is used, or one of its own.
    explicit TLogic(QObject *parent = nullptr, TManager *manager = nullptr);
    ~TLogic() override;

    TManager *ModuleManager() const { return FManager; }
    // The device-side aggregate of all modules' variables (the manager's).
    TDeviceState *DeviceState() const;
    // The user-interface-side aggregate the windows bind to.
    TUIState *UIState() const { return FUIState.get(); }

    TModuleAdapter *ModuleAdapter() const { return FModuleAdapter; }
    TModuleOBD *ModuleOBD() const { return FModuleOBD; }
    TModuleAIO *ModuleAIO() const { return FModuleAIO; }
    TDevStateAdapter *DevStateAdapter() const;
    TUIStateAdapter *UIStateAdapter() const;
    TDevStateOBD *DevStateOBD() const;
    TUIStateOBD *UIStateOBD() const;
    TLogicAdapter *LogicAdapter() const;
    TAdapterProtocol *Protocol(int index) const { return FProtocols.at(std::size_t(index)).get(); }

    // Start-up, run once by the program's main block after all windows exist:
    // SyncAfterDetect, hands the serial port to the firmware-upgrade logic and
    // clears the user-interface state's modified mark. Tolerates missing
    // objects (a failed creation before it). The flag is not used.
    void Startup(bool flag = false);
    // Clears the device-mirrored variables of the user-interface side, copies
    // them to the device side, re-detects the adapter modules under the
    // adapter manager's lock and copies the device side back. With settings
    // edited and not yet written, neither clear nor copy touches them: only
    // readings and states come back. The port number is not used.
    void SyncAfterDetect(int portNumber = 0);
    // A box or module that dropped out is looked for again: the modules are
    // re-detected under the manager's lock and what they read is copied to
    // the user-interface side (settings only when none are being edited).
    // Nothing is sent while every module that answered still answers.
    // Returns whether a re-detection ran.
    bool RedetectDroppedModules();
    // Recomputes whether OBD is available and hangs the OBD and analog-I/O
    // modules under the adapter module again.
    void AssignModuleProtocols();

    // Binding. Raise EVariableError for a control bound twice to one variable
    // and for controls without a binding of that kind.
    TBinding *BindVariable(TVariable *variable, QWidget *control, const QString &scope, int flags);
    TBinding *BindVariableWithHandler(TVariable *variable, QWidget *control, const QString &scope,
                                      const TBinding::THandler &display);
    TBinding *BindVariableCustom(TVariable *variable, QWidget *control, const QString &scope,
                                 const TBinding::THandler &writeBack, const TBinding::THandler &display);
    // Refreshes the changed bindings whose scope passes (no scope given, no
    // scope bound, or equal) and clears their marks.
    void RefreshChangedBindings(const QString &scope = QString());
    void RefreshAllBindings(const QString &scope = QString());
    void RefreshVariable(TVariable *variable);
    void RefreshVariables(const QList<TVariable *> &variables);
    // Marks the variable's bindings changed; no variable marks all.
    void MarkBindingsChanged(TVariable *variable);
    // The modified mark changed for a section: the windows' write buttons.
    void UIStateSectionChanged(const QString &section);
    const std::vector<std::unique_ptr<TBinding>> &Bindings() const { return FBindings; }

    // The nearest window up the control's parent chain, or nullptr.
    static QWidget *FindParentForm(QWidget *control);
    // Registers the control's window for translation, then ReparentControl.
    void MoveControlToHost(QWidget *host, QWidget *control);
    // Moves the control into host; the window that created it still
    // destroys it.
    void ReparentControl(QWidget *host, QWidget *control);

    // Adapter configuration files (AdapterConfigFile.cpp): an INI file with a
    // section "Info" and one section per data group of groups (bit i: group
    // i), one key per stored variable.
    // Saves the adapter's values as the box holds them after a re-detection;
    // false (after a message) when the box does not answer or the file cannot
    // be written. Data-layout errors raise EVariableError.
    bool SaveConfigurationFile(const QString &fileName, quint32 groups);
    // Reads the file, asks, and on OK applies it to the user-interface side,
    // the device side and (unless skipDeviceWrite) the adapter. The whole file
    // is checked before anything is set; every refusal leaves the adapter
    // untouched, shows the device's values again and names the file and what
    // is wrong. True when the file was applied and every write accepted.
    bool LoadConfigurationFile(const QString &fileName, quint32 groups, bool skipDeviceWrite);
    // Applies one section's "key=value" lines to the stored variables of
    // group. Unknown keys (also keys of readings or of other groups) go to
    // unknown. False when the section is empty or a key was unknown. A value
    // a variable cannot take raises EConfigFileValue before any variable is set.
    bool ReadSectionVariables(const QString &group, const QStringList &lines, QStringList &unknown);

    // The hourglass around a long module operation.
    static void BeginHourglass(QCursor &saved);
    static void EndHourglass(const QCursor &saved);
    // Direct module operations bracket themselves with these, so that no
    // background work step interleaves.
    void PauseWorkThread(bool &saved);
    void ResumeWorkThread(bool saved);

private:
    // SyncAfterDetect's work; with keepEdits the interface side's settings
    // are neither cleared nor overwritten.
    void resync(bool keepEdits);
    // Writes the user's input back; a value the variable cannot take is
    // reported and the control shows the variable's value again.
    void runWriteBack(TBinding *binding, const TBinding::THandler &handler);
    static QString scopeOf(QWidget *control);

    std::unique_ptr<TManager> FOwnManager;
    TManager *FManager;
    std::unique_ptr<TUIState> FUIState;
    std::vector<std::unique_ptr<TBinding>> FBindings;
    std::vector<std::unique_ptr<TAdapterProtocol>> FProtocols;
    TModuleAdapter *FModuleAdapter = nullptr;
    TModuleOBD *FModuleOBD = nullptr;
    TModuleAIO *FModuleAIO = nullptr;
};

extern TLogic *Logic;
