#pragma once
// Simulated gas-injection controller (device kinds 20, 21 and 48): the
// controller protocol's request framing and the answer to every command, from
// an in-memory image that the write commands change.
//
// Frames: a request is C0, the command code, its parameter bytes and the 8-bit
// sum of all bytes before it; an answer is D0, the command code, the payload
// and the 8-bit sum. Every command has a fixed request and answer length.

#include "sim/SimServer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

// Lock state that the simulated device reports while locked with a PIN.
constexpr uint8_t kSimLockedState = 0x0F;
// Lock state of an unlocked device ready for commands.
constexpr uint8_t kSimReadyState = 0xF0;

// In-memory image of the controller, as the protocol sees it. Payloads are the
// answer bytes between the command echo and the checksum.
struct SimControllerState {
    uint8_t Kind = 48;
    // Answers nothing at all (another device, or none, sits on the port).
    bool Silent = false;
    uint8_t LockState = kSimReadyState;
    uint32_t Pin = 0;
    std::array<uint8_t, 8> Pages{};          // identity pages 0..7 (page 0: version letter)
    std::array<uint8_t, 256> Param8{};       // 8-bit parameters (0x07 / 0x08)
    std::array<uint16_t, 256> Param16{};     // 16-bit parameters (0x51 / 0x52)
    std::array<uint16_t, 256> Model{};       // model parameters (0x12 / 0x16; 0x16 of 1..10
                                             // also changes the 0x10 factor block)
    std::array<uint16_t, 256> Value16{};     // values by index (0x40)
    std::map<uint16_t, uint16_t> Words;      // words by index (0x31 / 0x32)
    std::map<uint16_t, uint8_t> Counters;    // byte counters by index (0x33 / 0x34)
    std::map<uint8_t, Bytes> Payload;        // fixed answers by command code
    std::array<std::array<uint8_t, 40>, 2> MapD4{};   // 0xD4/0xD5 pages
    std::array<std::array<uint8_t, 40>, 2> Model2{};  // 0x95/0x96 pages
    std::array<std::array<uint8_t, 6>, 40> RowsDC{};  // 0xDC rows (0xDF writes word 0)
    std::array<std::array<uint8_t, 6>, 40> RowsDD{};  // 0xDD rows
    std::array<std::array<uint8_t, 100>, 2> AdaptBanks{}; // 0x61/0x62, ten rows of ten
    uint8_t DebugCount = 0;                            // 0x58 byte 2
    std::array<std::array<uint8_t, 20>, 10> DebugRecords{}; // 0x58 records
    std::array<uint16_t, 128> Recording1{};  // recording words (0x31 at 200+2i, 0xD6)
    std::array<uint16_t, 128> Recording2{};  // (0x31 at 456+2i, 0xD7)
    uint8_t RecordingCount1 = 0;             // high byte of word 198
    uint8_t RecordingCount2 = 0;             // low byte of word 198
    std::map<uint16_t, uint16_t> InjCounters;  // 0x3B by index
    uint8_t WorkType = 0;                    // last 0x20
    // Kind-48 auto-calibration, run by the device after work type 6: each
    // status read (0x21) answers the next (state, progress) of the script
    // and then stays on its last step; work type 0 ends the run (state 0).
    // A script ending in state 10 is an abort, one that never reaches 9 a
    // run that never finishes.
    struct AutoCalStep {
        uint8_t State = 0;
        uint8_t Progress = 0;
        uint8_t Phase = 1;
    };
    std::vector<AutoCalStep> AutoCalScript;
    size_t AutoCalAt = 0;
    bool AutoCalRunning = false;
    std::vector<std::pair<uint8_t, uint8_t>> Actions; // (command, byte) of 0x18, 0x39, 0x92, 0xDE
    // Ranges the device accepts for parameter writes (0x08 by 8-bit id, 0x52
    // by 16-bit id); a value outside gets no answer and is not stored. Ids
    // without a range take any value.
    std::map<uint8_t, std::pair<uint16_t, uint16_t>> Limits8;
    std::map<uint8_t, std::pair<uint16_t, uint16_t>> Limits16;
    // Injector masks the base block (0x04) accepts; empty: any.
    std::vector<uint8_t> AcceptedMasks;
    // An auto-calibration run: the states (low nibble of byte 0 of the 0x21
    // answer) the device reports, one per 0x21 read while its work type is
    // 3, 6 or 7, starting again at work type 3 or 6; the last one stays.
    // Empty: the fixed 0x21 payload. A script that never reaches 9, 10 or 11
    // is a run that never finishes; 10 is a run the device aborts.
    std::vector<uint8_t> RunStates;
    size_t RunStatesAt = 0;
    // The working-pressure measurement (work type 9): the number of reads of
    // value index 35 that still report it running (1) before it reports 0;
    // -1: it never ends.
    int PressureBusyReads = 0;
    int PressureBusyLeft = 0;
    // Gas-injector test (0x92 starts it with a cylinder mask): while it runs
    // the work state (identity page 5) is 2; every 0x91 read moves it on to
    // the next cylinder of the mask, with the progress in value 36; after the
    // last one the results below are reported, flagged valid, and the state
    // goes back to 0. Work type 0 (0x20) ends a running test at once.
    // Refused: a start gets no answer. Endless: the test never finishes.
    // Without Simulated a start is only recorded and the answers stay as set.
    bool InjTestSimulated = false;
    std::array<uint16_t, 8> InjTestResultTimes{};
    std::array<uint32_t, 8> InjTestResultCounts{};
    bool InjTestRefused = false;
    bool InjTestEndless = false;
    uint8_t InjTestMask = 0;
    int InjTestStep = 0;
};

class SimController
{
public:
    explicit SimController(uint8_t kind = 48, char version = 'G');

    // Whole request length of a command (with C0, code and checksum), 0 when
    // the command is unknown.
    static size_t RequestLength(uint8_t command);
    // Whole answer length of a command (with D0, echo and checksum).
    static size_t AnswerLength(uint8_t command);
    // Wire time at 9600 baud of requests and the answers they get, in seconds.
    static double WireSeconds(const std::vector<Bytes> &requests);
    // 8-bit sum of the bytes.
    static uint8_t Sum(const uint8_t *data, size_t count);
    static Bytes Frame(uint8_t head, const Bytes &body); // head, body, sum

    // Answers one whole request; an empty result means the device stays
    // silent (unknown command or bad request checksum).
    Bytes Handle(const Bytes &request);

    // The settings a whole request of a controller of the kind reads or
    // writes, each by one name: "8/id" and "16/id" the 8- and 16-bit
    // parameters, "model/id" the model parameters, "base" the base
    // configuration block, "block/xx" a fixed block by its read command (hex),
    // "xx/n" page or row n of a paged one. A kind-48 controller keeps single
    // parameters in its 0xD8 block too: a read of the block reads them. The
    // recorded points, work types, clearing, tests and the change record are
    // no settings: those name none.
    static std::vector<std::string> SettingsOf(uint8_t kind, const Bytes &request);
    // Whether a whole request writes one of the settings SettingsOf names.
    static bool WritesSettings(uint8_t kind, const Bytes &request);

    // The server handler (header 0xC0, named "controller") that frames
    // requests and answers them from this controller. The controller must
    // outlive the server's use of the handler; tests change State under
    // SimServer::withLock.
    Handler MakeHandler();
    void Install(SimServer &server) { server.addHandler(MakeHandler()); }

    SimControllerState State;

    // Helpers for tests that fill the image.
    void SetVersion(char letter) { State.Pages[0] = static_cast<uint8_t>(letter); }
    // The value ranges of a kind-20/21 controller's configuration parameters
    // and its accepted injector masks (up to its injector outputs): what the
    // device holds, by its hardware variant (identity page 1, set first).
    void SetConfigurationLimits();
    // A configured kind-21 controller as a workshop finds it: configuration,
    // level sets and a model (factor 1.2509765625, offset 100/187 ms,
    // thresholds 6, 11, 16, 19 ms, enrichments 25, 0, -25, 50 %, correction
    // 0.7509765625 and -1 ms, mask 0xA5), ids 1..10 also in the factor block.
    static void ConfiguredKind21(SimControllerState &s);
    // What a controller of the image's kind holds before any workshop
    // configured it: zeros, but every setting that the device limits holds a
    // value the device itself takes (a backup of it loads back on it).
    static void FactoryImage(SimControllerState &s);
    // The value ranges of a kind-48 controller's configuration parameters;
    // those of settings its version lacks are left free.
    void SetKind48Limits();
    // Settings a real controller holds and reports that none of the
    // program's lists offers (low-pressure threshold 5, nozzle 3, ...).
    static void OutsideLists(SimControllerState &s);
    // A controller holding nothing of the program's defaults, as a workshop
    // or another tool may leave it. Kind 48: its own correction curves
    // (system pressure, gas temperature, RPM, manifold pressure) with the
    // corrections switched off, an adaptation template other than model 2,
    // distinct values in every setting a later version brings (apart in the
    // two variants), bits no key holds set in the bytes held in part (ids
    // 37, 50 and the adaptation flags), its own map rows and gas injector
    // corrections, and the
    // model, correction, idle and curve words at the low (highEnds false)
    // or the high end of what each holds. Kinds 20 and 21: the model words
    // at those ends, and bits no key holds in the bytes of ids 5, 20 and 29
    // (bit 0 set at the high ends, clear at the low).
    static void OwnSettings(SimControllerState &s, bool highEnds);
    // Whether a kind-48 controller keeps the 8-bit (width 8) or 16-bit
    // parameter in its 0xD8 block: the block, not the single parameter,
    // holds its value.
    static bool Kind48BlockHolds(int width, uint8_t id);
    Bytes &PayloadOf(uint8_t command) { return State.Payload[command]; }

private:
    // Kind 48: the base block (0x04) and the single writes the 0xD8 block
    // shows are stored into that block too.
    void MirrorKind48Block(const Bytes &request);
    void StepInjectorTest();
    Bytes Answer(uint8_t command, const Bytes &payload) const;
    Bytes Ack(uint8_t command, size_t length = 4) const;
};

} // namespace sim
