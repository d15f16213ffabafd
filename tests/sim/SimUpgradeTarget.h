#pragma once
// A simulated upgradable device: its application firmware (version, letter,
// identification, jump to the bootloader) and its bootloader on one port.
// While the application runs the bootloader is silent, and the other way
// round; the bootloader leaves for the application on EE once its stay flag
// is clear.

#include "sim/SimBootloader.h"

#include <string>

namespace sim {

struct SimApplicationState {
    bool Running = true;
    uint8_t CommandHeader = 0xC0, ReplyHeader = 0xD0;
    bool Crc16 = false;  // requests end with a CRC-16 (high byte first), else the 8-bit sum
    uint8_t StatusCommand = 0x01, VersionCommand = 0x53, IdentifyCommand = 0x02;
    uint8_t Version = 0x14;
    char Letter = 'A';
    std::string TextA = "12345678", TextB = "ABCDEFGHIJ1";
    size_t Jumps = 0;  // E2 01 requests taken
};

class SimUpgradeTarget
{
public:
    // A second-type controller (bootloader 6.7, type 5) or a second-generation
    // adapter box (bootloader 8.0, type 98, CRC-16 framing).
    static void MakeController(SimUpgradeTarget &t);
    static void MakeAdapter(SimUpgradeTarget &t);

    Bytes HandleApplication(const Bytes &request);
    Bytes HandleBootloader(const Bytes &request);
    // Handlers "application" (the command header) and "bootloader" (BC).
    void Install(SimServer &server);

    SimBootloader Boot;
    SimApplicationState App;
    size_t ExitsTaken = 0;  // exits into the application
};

} // namespace sim
