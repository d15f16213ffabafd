// The adapter module's logic: whether the adapter box is usable and can be
// upgraded by this program, and the texts that describe it.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class TModuleAdapter;
class TUIState;
class TUIStateAdapter;

class TLogicAdapter : public QObject
{
    Q_OBJECT
public:
    TLogicAdapter(TModuleAdapter *module, TUIState *uiState, QObject *parent = nullptr);

    // The adapter module's state; the module sets both at its creation.
    std::function<bool()> ModuleEnabled;
    std::function<bool()> ModuleActive;
    bool IsModuleEnabled() const { return ModuleEnabled && ModuleEnabled(); }
    bool IsModuleActive() const { return ModuleActive && ModuleActive(); }

    // Copies the "Adapter" section of the device side to the user-interface side.
    void CopySection();

    // Reads what the box reports (the version unless already read) and
    // disables the module when its main version and bootloader product do
    // not belong together: 10h needs product 1, 20h product 2 (product 0
    // or another main version is accepted).
    void CheckAdapterInfo(bool versionRead);
    // Main version and bootloader product do not belong together.
    static bool IsIncompatible(int mainVersion, int product);

    // The adapter's version text: "----" unless the module is active (with
    // needActive) or enabled (without). Style 0: "1.0A r3"; 1: "10A"; 2: "1.0";
    // 3: "10"; any other style gives an empty text.
    QString VersionText(bool needActive, int style) const;
    // The box is active and reports main version 10h or 20h (read first when
    // not known yet).
    bool IsUpgradePossible();
    // Compilation date and time as the box reports them.
    QString CompileDateTimeText() const;

    // One line of the box's hardware, options, version, type and bootloader.
    QString DescribeAdapter(bool shortForm);
    QString HardwareText(bool shortForm) const;
    QString TypeText(bool shortForm) const;
    QString BootloaderText(bool shortForm) const;
    QString OBDKitText(bool shortForm) const;
    static QString KindText(int value, bool shortForm);
    static QString ModeText(int value);
    // The last five digits of the serial number, the bootloader product and
    // the production date, with or without dashes between them.
    QString SerialText(bool dashes) const;

    // The default configuration of the box's modules (the OBD settings and
    // adaptation tables) written without their own questions, after the
    // OK/Cancel question when ask. Nothing is written unless the module is
    // active and the question was answered OK.
    enum TWriteResult { WriteSkipped, WriteDone, WriteRefused };
    TWriteResult WriteDefaultConfiguration(bool ask);

private:
    TUIStateAdapter *ui() const;

    TModuleAdapter *FModule;
    TUIState *FUIState;
};

extern TLogicAdapter *LogicAdapter;
