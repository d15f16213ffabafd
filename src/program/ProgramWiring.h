// How the program's parts are wired to each other, in the steps the main
// block takes them.
#pragma once

class TFormMain;
class TProgramLogic;

// The data manager's hooks towards the adapter modules and the settings.
void WireDataManagerHooks();
// What the later subsystems do for the main window (right after it is made).
void WireMainWindowServices(TFormMain &form);
// The main window's pages with their hooks to each other and to the
// secondary windows (before the window's own creation steps run).
void InstallMainWindowPages(TFormMain &form, TProgramLogic &logic);
// The secondary windows' hooks, once they all exist.
void WireSecondaryWindows(TFormMain &form);
