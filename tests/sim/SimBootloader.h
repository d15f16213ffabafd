#pragma once
// Simulated bootloader of the controller or the adapter box (second
// generation): requests BC, command, argument (or a 36-byte record) and the
// 8-bit sum; replies BD, the command or a status, data and the sum. A request
// with a wrong sum is ignored. Bad sums, short replies and silence come from
// the server's fault injection.

#include "sim/SimServer.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sim {

struct SimBootloaderState {
    uint8_t Major = 8, Minor = 0, Build = 3;
    uint8_t TypeCode = 40;  // product number reported by F0 01
    uint8_t Stay = 1;       // stay flag reported by F0 02, cleared by F0 03
    bool Programming = false;       // after E2
    bool HeaderNext = false;        // the next record is the header record
    std::vector<uint8_t> ErasedBlocks;
    bool EepromErased = false;
    std::vector<std::array<uint8_t, 36>> Records;
    uint8_t RecordStatus = 0;       // byte 2 of record replies (0: accepted)
    int WriteDefaults = -1;         // flag of the last E8
    bool Exited = false;            // EE received
    size_t BadSumRequests = 0;
};

class SimBootloader
{
public:
    // Whole request length of a command (39 for a record, else 4).
    static size_t RequestLength(uint8_t command);
    // The reply to one whole request; empty means silence.
    Bytes Handle(const Bytes &request);

    // The server handler (header 0xBC, named "bootloader"). Install it
    // without the identification probes, which answer BC E1 E1 7E their own
    // way. Tests change State under SimServer::withLock.
    Handler MakeHandler();
    void Install(SimServer &server) { server.addHandler(MakeHandler()); }

    SimBootloaderState State;
};

} // namespace sim
