#pragma once
// Simulated adapter box on the controller's port: the module protocol of its
// modules. A request is C2, the command code, its parameters and a CRC-16
// (polynomial 0x1021 from 0, high byte first) of the bytes before it; an
// answer is D2, the payload and the 8-bit sum of the bytes before it; a
// refused request gets the error frame D2 EE <code> <sum>. A request with a
// wrong CRC is ignored, as the box does. Bad sums, short answers and silence
// come from the server's fault injection.

#include "sim/SimServer.h"

#include <cstddef>
#include <cstdint>
#include <map>

namespace sim {

struct SimAdapterState {
    // Answers nothing at all (no box on the port).
    bool Silent = false;
    // Answer payload by command: the bytes between D2 and the sum.
    std::map<uint8_t, Bytes> Payload;
    // Whole request length by command (start byte and CRC included); 5 when
    // not listed (command and one parameter byte).
    std::map<uint8_t, size_t> RequestLength;
    // Commands refused with an error frame carrying this code.
    std::map<uint8_t, uint8_t> Refuse;
    // Requests ignored for a wrong CRC.
    size_t BadCrcRequests = 0;
};

class SimAdapter
{
public:
    // A box of main version 2.0A r3 with bootloader product 2 that answers
    // its version and information requests (01, 02, 04) and reports an idle
    // OBD link (70, 78).
    SimAdapter();

    // The CRC-16 of the requests (shift-register form, independent of the
    // program's augmented computation).
    static uint16_t Crc(const uint8_t *data, size_t count);
    // C2, command, parameters, CRC high, CRC low.
    static Bytes Request(uint8_t command, const Bytes &parameters);
    // D2, payload, sum.
    static Bytes Answer(const Bytes &payload);
    static Bytes ErrorFrame(uint8_t code);

    size_t RequestLengthOf(uint8_t command) const;
    // The answer to one whole request; empty means silence. An unknown
    // command is refused with code 01.
    Bytes Handle(const Bytes &request);

    // The server handler (header 0xC2, named "adapter"). The adapter must
    // outlive the server's use of it; tests change State under
    // SimServer::withLock.
    Handler MakeHandler();
    void Install(SimServer &server) { server.addHandler(MakeHandler()); }

    SimAdapterState State;
};

} // namespace sim
