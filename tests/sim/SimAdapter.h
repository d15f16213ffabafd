#pragma once
// Simulated adapter box on the controller's port: the module protocol of its
// modules. A request is C2, the command code, its parameters and a CRC-16
// (polynomial 0x1021 from 0, high byte first) of the bytes before it; an
// answer is D2, the payload and the 8-bit sum of the bytes before it; a
// refused request gets the error frame D2 EE <code> <sum>. A request with a
// wrong CRC is ignored, as the box does. Bad sums, short answers and silence
// come from the server's fault injection.

#include "sim/SimBootloader.h"
#include "sim/SimServer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <vector>

namespace sim {

// The box's OBD-II link as the OBD commands see it: what the read commands
// answer (their data bytes after the command echo) and what the write
// commands stored.
struct SimObdState {
    Bytes Config = {0x00, 0x08, 0x02, 0x00, 0x02, 0x00, 0x00, 0x02, 0x19, 0x04, 0xB0}; // 0x71 / 0x72
    Bytes State = {0, 0, 0, 0, 0x01, 0x01, 0, 0, 0, 0};                                 // 0x78
    Bytes Supported = Bytes(8, 0);                                                      // 0x79
    Bytes Allowed = Bytes(8, 0);                                                        // 0x7A / 0x7B
    Bytes Readings = Bytes(17, 0);                                                      // 0x7C
    Bytes TroubleState = Bytes(10, 0);                                                  // 0x7D
    Bytes CodesA = Bytes(21, 0), CodesB = Bytes(21, 0);                                 // 0x80 / 0x81
    Bytes FreezeFrames = Bytes(44, 0);                                                  // 0x82
    // Narrow-band (0x85) and wide-band (0x86) answers by group: the group the
    // box answers, then 8 or 16 data bytes.
    std::map<uint8_t, Bytes> Lambda, Wideband;
    std::map<uint8_t, Bytes> LiveTable;                                                 // 0x87 by entry: A B C D
    // The adaptation tables, ten rows of ten signed corrections a bank.
    std::array<Bytes, 2> Banks = {Bytes(100, 0), Bytes(100, 0)};                       // 0x89 / 0x8C
    // Status bytes of the steering commands (0x73 .. 0x77, 0x7E, 0x7F, 0x83).
    std::map<uint8_t, uint8_t> Status;
    // The job states a clear (0x7E) and a read (0x7F: recorded, pending,
    // freeze frame) end in; 0x83 07 / 08 set them idle (1) again.
    uint8_t ClearJobResult = 4;
    std::array<uint8_t, 3> ReadJobResults = {4, 4, 4};
    // The protocol a Connect (0x76) asked for, 0 before.
    uint8_t ConnectProtocol = 0;
};

struct SimAdapterState {
    // Answers nothing at all (no box on the port).
    bool Silent = false;
    // The box falls silent as a whole (Silent set) on the first request with
    // this command, which it leaves unanswered; 0 for none. Taken once.
    uint8_t SilentFrom = 0;
    // Answer payload by command: the bytes between D2 and the sum.
    std::map<uint8_t, Bytes> Payload;
    // Whole request length by command (start byte and CRC included); 5 when
    // not listed (command and one parameter byte).
    std::map<uint8_t, size_t> RequestLength;
    // Commands refused with an error frame carrying this code.
    std::map<uint8_t, uint8_t> Refuse;
    // Requests ignored for a wrong CRC.
    size_t BadCrcRequests = 0;
    // The box runs its bootloader instead of its program: silent on C2, its
    // bootloader answers BC. The program's E2 01 (answered) sends it there
    // with its stay flag clear; the bootloader's exit returns it once that
    // flag is clear.
    bool InBootloader = false;
    size_t Jumps = 0;
    SimObdState Obd;

    // Late answers: the time in ms the box takes before an answer. The
    // next answers take the delays of LateNext in order; else an answer to a
    // command of LateFor takes its delay; else, with LateRandomMax set, one
    // drawn evenly from LateRandomMin to LateRandomMax (from a seeded
    // generator: the same on every run); else LateMs, for every answer.
    std::deque<int> LateNext;
    std::map<uint8_t, int> LateFor;
    int LateMs = 0;
    int LateRandomMin = 0, LateRandomMax = 0;
    std::mt19937 Random{46};
    // The delays given, in order (0: at once).
    std::vector<int> Delays;
};

class SimAdapter
{
public:
    // A box of main version 2.0A r3 with bootloader product 2 that answers
    // its version and information requests (01, 02, 04) and reports an idle
    // OBD link (70, 78); E2 01 takes it into its bootloader.
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
    // How late the answer to a request comes (State's Late rules), in ms.
    int AnswerDelay(const Bytes &request);

    // The answer of the OBD link's commands (0x71 .. 0x8C) from State.Obd;
    // false for other commands.
    bool HandleObd(const Bytes &request, Bytes &answer);
    // The whole frame length of an OBD write whose data the box stores; 0 for
    // any other command.
    static size_t ObdWriteLength(uint8_t command);

    // The server handler (header 0xC2, named "adapter"). The adapter must
    // outlive the server's use of it; tests change State under
    // SimServer::withLock.
    Handler MakeHandler();
    void Install(SimServer &server) { server.addHandler(MakeHandler()); }
    // The box's bootloader (header 0xBC, named "adapter bootloader"): takes
    // frames only while the box is in it, so install it before handlers
    // that take the same bytes (the identification probes).
    Handler MakeBootloaderHandler();

    SimAdapterState State;
    // Second-generation adapter bootloader 8.0, product 98.
    SimBootloader Boot;
};

} // namespace sim
