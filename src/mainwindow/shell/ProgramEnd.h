#pragma once

#include <functional>

class QWidget;
class TFormMain;

// The program ends with its main window, not when no other window is left:
// while a service tool hides the main window, its boxes and the tool's own
// window are the only windows shown, and their closing must not end the
// program. From this call on the application no longer quits on its last
// window closed; it quits once the given window has accepted a close (File >
// Exit, the close box, a stop signal, the hand-over to another program). A
// close the window refuses ends nothing.
void EndProgramWithWindow(QWidget &mainWindow);

// Makes window the program's main window as the main block does: the
// program ends with it (above), wire gives it its services and pages, then
// its creation steps run.
void CreateMainWindow(TFormMain &window, const std::function<void(TFormMain &)> &wire);
