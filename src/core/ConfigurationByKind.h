#pragma once
// Whole-configuration read and write by device kind. Kinds 20 and 21 keep
// their base configuration in the 8-byte block 0x03 and the rest in
// parameters; kind 48 keeps it in the 28-byte block 0xD8 and more parameters,
// some of them only from a given firmware version on.

#include <functional>

class TDataManager;

// Reads the whole configuration of the attached kind into the record.
// Returns non-zero on success; 0 when not connected, for another kind, when
// the block exchange failed, or when the link was lost before the end (the
// values read before stay, the others keep what they held).
int ReadConfigurationByKind(TDataManager &manager);

// Writes the configuration through the main window: the configuration page's
// write action on kinds 20 and 21, the wizard write on kind 48. False when
// not connected, for another kind, when no action is registered, or when the
// link is not connected and ready at the end.
bool WriteConfigurationByKind(TDataManager &manager);

// Registered by the main window: the configuration page's write action
// (returns whether it ran) and the wizard write (returns its result).
void SetConfigurationWriteActions(std::function<bool()> configPageWrite,
                                  std::function<bool()> wizardWrite);
