// What the secondary windows do for the main window: the kind-48
// configuration and calibration windows (created on first use, docked onto
// the main window's sheets), the PIN dialog and the about box.
#pragma once

class TFormMain;

void WireMainWindowToWindows(TFormMain &form);
