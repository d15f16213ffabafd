// What the adapter modules do for the main window, the data manager and the
// connection-status dialog: the program's main block wires them here.
#pragma once

class TAutoCalibrationPage;
class TDataManager;
class TFormConnectStatus;
class TFormMain;

// The tick's work step and detection flags, the adapter pages and their
// docking, the status bar's adapter line and the adapter's upgrade test.
void WireMainWindowToAdapter(TFormMain &form);
// A lost link deactivates the manager; a reconnection re-detects the modules.
void WireDataManagerToAdapter(TDataManager &dataManager);
// Whether the adapter module is enabled, its version and build texts.
void WireConnectStatusToAdapter(TFormConnectStatus &dialog);
// The start of an auto-calibration switches the adapter's OBD adaptation off.
void WireAutoCalibrationToAdapter(TAutoCalibrationPage &page);
