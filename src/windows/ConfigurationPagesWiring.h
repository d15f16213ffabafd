// What the dialogs of this folder do for the main window's configuration
// and calibration pages (default configuration, wizard, auto-calibration):
// the level-sensor defaults, the working-pressure dialog, the start dialog of
// an auto-calibration and the component picture window. Called by the
// program's main block once the pages and the dialogs exist.
#pragma once

class TFormMain;

void WireConfigurationPagesToWindows(TFormMain &form);
