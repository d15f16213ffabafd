// Refreshes of the live readings and the status bar that the main tick and
// the connect action call; the live-readings unit gives them their work.
#include "mainwindow/shell/FormMain.h"

void TFormMain::UpdateLiveReadings() {}
void TFormMain::PnlStatusGazSwitchUpdate() {}
void TFormMain::PnlStatusDeviceInfoUpdate() {}
void TFormMain::PnlStatusConnectedUpdate(bool) {}
void TFormMain::GrBQSSoftVersionsUpdate() {}
void TFormMain::UpdateComPortInfo(QObject *) {}
