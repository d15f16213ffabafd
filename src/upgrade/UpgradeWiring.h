// How the main window and the connection-status dialog reach the firmware
// upgrade: the bootloader contact, the upgrade logic's flags, the upgrade
// window, and the dialog's bootloader state, Update and Reset. The program's
// main block wires them once at start-up.
#pragma once

class TFormMain;
class TFormConnectStatus;

// The main window's upgrade services (bootloader contact, upgrade launch,
// the connection-status dialog as the way to the upgrade).
void WireUpgradeServices(TFormMain &form);
// The dialog's bootloader hooks: the bootloader reached by the last contact,
// the contact itself, and Reset (programming finished, bootloader left).
void WireConnectStatusToUpgrade(TFormConnectStatus &dialog);
// Shows the connection-status dialog modally over the main window at
// left, top, with its buttons and questions set to the main window's.
void ShowConnectStatusDialog(TFormMain &form, int left, int top);
