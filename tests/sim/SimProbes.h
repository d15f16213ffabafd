// The simulated device's side of the identification probes: a controller of
// either generation or the bootloader of either generation, answering the
// 4-byte probe that asks for it and staying silent on the others.
//
// A kind from 1 to 8 selects what answers (the detected kinds of the
// detector): 1-4 a first-generation controller with code 0x13, 0x14, 0x15 or
// 0x30; 5-6 a second-generation controller with code 0x35 or 0x40; 7 the
// first-generation bootloader; 8 the second-generation bootloader. Kind 0 is
// a silent port. Wrong checksums, noise, truncation and silence come from the
// server's fault injection.
#pragma once

#include "sim/SimServer.h"

#include <atomic>

#include <cstdint>
#include <mutex>
#include <optional>

namespace sim {

class SimController;

class SimProbes
{
public:
    // The four probes, as they stand on the wire.
    static const Bytes ProbeController30;  // C0 01 01 C2
    static const Bytes ProbeBootloader30;  // BA E1 E1 7C
    static const Bytes ProbeController40;  // C1 01 01 C3
    static const Bytes ProbeBootloader40;  // BC E1 E1 7E

    // Adds the four probe handlers to server. Each takes only the exact
    // bytes of its probe, so other handlers with the same header byte (the
    // controller protocol, the bootloader protocol) keep their frames.
    void install(SimServer &server);
    void uninstall(SimServer &server);

    // Puts a simulated controller on the same port: from then on the
    // controller itself answers the first-generation controller probe (its
    // own identify request C0 01 01 C2, with State.Kind as the code), and
    // present() keeps it in line: it answers, with the presented code as its
    // kind, only while a first-generation controller is presented, and is
    // silent for the others. Call present() outside SimServer::withLock of
    // another thread; the controller and server must outlive the probes.
    void attach(SimController &controller, SimServer &server);

    // What answers: a detected kind 0 to 8 (0: nothing).
    void present(int kind);
    int presented() const;

    // A controller of the given generation (3 or 4) with a code of its own,
    // also one the detector does not know.
    void presentController(int generation, uint8_t code);

    // Byte 1 of every answer (normally the probe's parameter byte).
    void setEcho(std::optional<uint8_t> echo);

    // Bytes 2-4 of a bootloader's answer: its version major, minor and build,
    // as the same request BC E1 E1 7E answers the upgrade's version read.
    void setBootloaderVersion(uint8_t major, uint8_t minor, uint8_t build);

    // The answer the presented device gives to a frame (empty: silence).
    Bytes answer(const Bytes &frame) const;

    // Controller code of detected kinds 1-6, 0 for the others.
    static uint8_t codeOfKind(int kind);

private:
    void syncController();

    mutable std::mutex m_mutex;
    std::atomic<SimController *> m_controller{nullptr};
    SimServer *m_server = nullptr;
    int m_kind = 0;
    int m_generation = 0;  // 3, 4, or 0 for a bootloader or nothing
    bool m_bootloader = false;
    uint8_t m_code = 0;
    std::optional<uint8_t> m_echo;
    uint8_t m_bootMajor = 8;
    uint8_t m_bootMinor = 0;
    uint8_t m_bootBuild = 3;
};

} // namespace sim
