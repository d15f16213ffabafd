// The adapter module's logic: the texts that describe the adapter box and
// whether this program can upgrade its firmware.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class TDevStateAdapter;

class TLogicAdapter : public QObject
{
    Q_OBJECT
public:
    TLogicAdapter(TDevStateAdapter *deviceSide, TDevStateAdapter *uiSide, QObject *parent = nullptr);

    // The adapter module's state, supplied by the module once it exists;
    // without a module the adapter is neither enabled nor active.
    std::function<bool()> ModuleEnabled;
    std::function<bool()> ModuleActive;
    bool IsModuleEnabled() const { return ModuleEnabled && ModuleEnabled(); }
    bool IsModuleActive() const { return ModuleActive && ModuleActive(); }

    // Copies the "Adapter" section of the device side to the user-interface side.
    void CopySection();

    // The adapter's version text: "----" unless the module is active (with
    // needActive) or enabled (without). Style 0: "1.0A r3"; 1: "10A"; 2: "1.0";
    // 3: "10"; any other style gives an empty text.
    QString VersionText(bool needActive, int style) const;
    // The box is active and reports main version 10h or 20h.
    bool IsUpgradePossible();

private:
    TDevStateAdapter *FDeviceSide;
    TDevStateAdapter *FUiSide;
};

extern TLogicAdapter *LogicAdapter;
