// The OBD link of the simulated adapter box: its settings, link state, PID
// masks, readings, trouble codes and adaptation tables.
#include "sim/SimAdapter.h"

namespace sim {

bool SimAdapter::HandleObd(const Bytes &request, Bytes &answer)
{
    const uint8_t command = request[1];
    if (command < 0x71 || command > 0x8C || State.Payload.count(command))
        return false;
    // A write shorter than its data (start, command, data, two CRC bytes) is
    // refused before any of it is read.
    if (request.size() < ObdWriteLength(command)) {
        answer = ErrorFrame(0x01);
        return true;
    }
    SimObdState &o = State.Obd;
    const uint8_t p = request.size() > 4 ? request[2] : 0;
    auto reply = [&](Bytes data) {
        data.insert(data.begin(), command);
        answer = Answer(data);
        return true;
    };
    auto status = [&](uint8_t fallback) {
        const auto it = o.Status.find(command);
        return reply({it == o.Status.end() ? fallback : it->second});
    };
    switch (command) {
    case 0x71: return reply(o.Config);
    case 0x72:
        o.Config.assign(request.begin() + 2, request.begin() + 13);
        return status(0xA5);
    case 0x76:
        o.ConnectProtocol = p;
        o.State[4] = 4;
        return status(0x01);
    case 0x77:
        o.State[4] = 15;
        return status(0x01);
    case 0x78: return reply(o.State);
    case 0x79: return reply(o.Supported);
    case 0x7A: return reply(o.Allowed);
    case 0x7B:
        o.Allowed.assign(request.begin() + 2, request.begin() + 10);
        return status(0x01);
    case 0x7C: return reply(o.Readings);
    case 0x7D: return reply(o.TroubleState);
    case 0x80: return reply(o.CodesA);
    case 0x81: return reply(o.CodesB);
    case 0x82: return reply(o.FreezeFrames);
    case 0x85:
    case 0x86: {
        auto &groups = command == 0x85 ? o.Lambda : o.Wideband;
        const auto it = groups.find(p);
        Bytes data = it != groups.end() ? it->second : Bytes(command == 0x85 ? 9 : 17, 0);
        if (it == groups.end())
            data[0] = p;
        return reply(data);
    }
    case 0x87: {
        const auto it = o.LiveTable.find(p);
        return reply(it != o.LiveTable.end() ? it->second : Bytes(4, 0));
    }
    case 0x89: {
        const int bank = p >> 4, half = p & 0x0F;
        if ((bank != 1 && bank != 2) || half > 1)
            return reply({0x00});
        for (int i = 0; i < 50; ++i)
            o.Banks[bank - 1][50 * half + i] = request[3 + i];
        return status(0xA5);
    }
    case 0x8C:
        for (int b = 0; b < 2; ++b)
            if (p & (1 << b))
                o.Banks[b].assign(100, 0);
        return status(0xA5);
    case 0x7E:
        // The clear job ends at once with the configured state; a finished
        // clear leaves no codes behind.
        o.TroubleState[1] = o.ClearJobResult;
        if (o.ClearJobResult == 4) {
            o.TroubleState[0] = 0;
            o.CodesA.assign(21, 0);
            o.CodesB.assign(21, 0);
            o.FreezeFrames.assign(44, 0);
            o.State[2] &= ~0x0E; // no codes, lamp off, no freeze frame
        }
        return status(0x01);
    case 0x7F:
        // The three read jobs end at once with the configured states.
        for (int i = 0; i < 3; ++i)
            o.TroubleState[2 + i] = o.ReadJobResults[i];
        return status(0x01);
    case 0x83:
        // The program has taken the results: the jobs go idle.
        if (p == 7)
            for (int i = 2; i <= 4; ++i)
                o.TroubleState[i] = 1;
        if (p == 8)
            o.TroubleState[1] = 1;
        return status(0x01);
    case 0x73: case 0x74: case 0x75:
        return status(0x01);
    default:
        return false;
    }
}

} // namespace sim
