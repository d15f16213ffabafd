#include "sim/SimProbes.h"

#include "sim/SimController.h"

namespace sim {

const Bytes SimProbes::ProbeController30{0xC0, 0x01, 0x01, 0xC2};
const Bytes SimProbes::ProbeBootloader30{0xBA, 0xE1, 0xE1, 0x7C};
const Bytes SimProbes::ProbeController40{0xC1, 0x01, 0x01, 0xC3};
const Bytes SimProbes::ProbeBootloader40{0xBC, 0xE1, 0xE1, 0x7E};

namespace {

const char *const kHandlerNames[] = {"probe-c0", "probe-ba", "probe-c1", "probe-bc"};

const Bytes &probeOf(int index)
{
    switch (index) {
    case 0: return SimProbes::ProbeController30;
    case 1: return SimProbes::ProbeBootloader30;
    case 2: return SimProbes::ProbeController40;
    default: return SimProbes::ProbeBootloader40;
    }
}

// Takes exactly the probe's bytes: anything that leaves them is another
// handler's frame.
FrameLength probeLength(const Bytes &probe, const Bytes &soFar)
{
    for (size_t i = 0; i < soFar.size() && i < probe.size(); ++i)
        if (soFar[i] != probe[i])
            return FrameLength::notMine();
    if (soFar.size() < probe.size())
        return FrameLength::needMore();
    return FrameLength::complete(probe.size());
}

Bytes withSum(Bytes bytes)
{
    bytes.push_back(sum8(bytes, bytes.size()));
    return bytes;
}

} // namespace

uint8_t SimProbes::codeOfKind(int kind)
{
    static const uint8_t codes[] = {0, 0x13, 0x14, 0x15, 0x30, 0x35, 0x40};
    return (kind >= 1 && kind <= 6) ? codes[kind] : 0;
}

void SimProbes::install(SimServer &server)
{
    for (int i = 0; i < 4; ++i) {
        const Bytes probe = probeOf(i);
        Handler h;
        h.name = kHandlerNames[i];
        h.header = probe[0];
        h.frameLength = [this, probe, i](const Bytes &soFar) {
            // With a controller attached, its own handler takes C0 01 01 C2.
            if (i == 0 && m_controller.load())
                return FrameLength::notMine();
            return probeLength(probe, soFar);
        };
        h.answer = [this](const Bytes &frame) { return answer(frame); };
        server.addHandler(std::move(h));
    }
}

void SimProbes::uninstall(SimServer &server)
{
    for (const char *name : kHandlerNames)
        server.removeHandler(name);
}

void SimProbes::attach(SimController &controller, SimServer &server)
{
    m_server = &server;
    m_controller = &controller;
    syncController();
}

void SimProbes::syncController()
{
    SimController *controller = m_controller.load();
    if (!controller || !m_server)
        return;
    bool answers = false;
    uint8_t code = 0;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        answers = m_generation == 3 && !m_bootloader;
        code = m_code;
    }
    // The probes' lock is not held here: the server thread takes it under
    // the server's lock.
    m_server->withLock([&] {
        controller->State.Silent = !answers;
        if (answers)
            controller->State.Kind = code;
    });
}

void SimProbes::present(int kind)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_kind = (kind >= 0 && kind <= 8) ? kind : 0;
        m_bootloader = m_kind == 7 || m_kind == 8;
        m_generation = (m_kind >= 1 && m_kind <= 4) || m_kind == 7 ? 3
                     : (m_kind >= 5 && m_kind <= 8)               ? 4
                                                                  : 0;
        m_code = codeOfKind(m_kind);
    }
    syncController();
}

int SimProbes::presented() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_kind;
}

void SimProbes::presentController(int generation, uint8_t code)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_kind = 0;
        m_bootloader = false;
        m_generation = generation == 3 || generation == 4 ? generation : 0;
        m_code = code;
    }
    syncController();
}

void SimProbes::setEcho(std::optional<uint8_t> echo)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_echo = echo;
}

void SimProbes::setBootloaderVersion(uint8_t major, uint8_t minor, uint8_t build)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_bootMajor = major;
    m_bootMinor = minor;
    m_bootBuild = build;
}

Bytes SimProbes::answer(const Bytes &frame) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_generation == 0)
        return {};
    const Bytes &controller = m_generation == 3 ? ProbeController30 : ProbeController40;
    const Bytes &bootloader = m_generation == 3 ? ProbeBootloader30 : ProbeBootloader40;
    if (!m_bootloader && frame == controller) {
        // D0/D1, the parameter echoed, the controller's code, the sum.
        const uint8_t header = m_generation == 3 ? 0xD0 : 0xD1;
        return withSum({header, m_echo.value_or(frame[1]), m_code});
    }
    if (m_bootloader && frame == bootloader) {
        // BB/BD, the parameter echoed, version major, minor and build, the sum.
        const uint8_t header = m_generation == 3 ? 0xBB : 0xBD;
        return withSum({header, m_echo.value_or(frame[1]), m_bootMajor, m_bootMinor, m_bootBuild});
    }
    return {};
}

} // namespace sim
