#include "sim/SimAdapter.h"

#include <string>

namespace sim {

SimAdapter::SimAdapter()
{
    State.Payload[0x01] = {0x01, 0x20};
    // Information A: echo, main version, release 'A', revision 3, bootloader
    // product 2 and kit 1, production date 0C 07, serial 1234567 (low word
    // first, each word high byte first), device type, software options,
    // hardware options, hardware version.
    State.Payload[0x02] = {0x02, 0x20, 'A', 0x03, 0x02, 0x01, 0x0C, 0x07,
                           0xD6, 0x87, 0x00, 0x12, 0x02, 0x02, 0x01, 0x01};
    // Information B: echo, compilation time (8) and date (11).
    State.Payload[0x04] = {0x04};
    for (const char c : std::string("14:05:33Nov 20 2026"))
        State.Payload[0x04].push_back(static_cast<uint8_t>(c));
    // OBD module: a link is present (status bit 0); its idle state and the
    // rest of the link are in State.Obd.
    State.Payload[0x70] = {0x70, 0x01};
    Boot.State.Major = 8;
    Boot.State.Minor = 0;
    Boot.State.TypeCode = 98;
    Boot.State.Stay = 0;
}

uint16_t SimAdapter::Crc(const uint8_t *data, size_t count)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < count; ++i) {
        crc ^= static_cast<uint16_t>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

Bytes SimAdapter::Request(uint8_t command, const Bytes &parameters)
{
    Bytes frame{0xC2, command};
    frame.insert(frame.end(), parameters.begin(), parameters.end());
    const uint16_t crc = Crc(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    return frame;
}

Bytes SimAdapter::Answer(const Bytes &payload)
{
    Bytes frame{0xD2};
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(sum8(frame, frame.size()));
    return frame;
}

Bytes SimAdapter::ErrorFrame(uint8_t code)
{
    return Answer({0xEE, code});
}

size_t SimAdapter::RequestLengthOf(uint8_t command) const
{
    const auto it = State.RequestLength.find(command);
    if (it != State.RequestLength.end())
        return it->second;
    if (command == 0x76)
        return 13;
    const size_t write = ObdWriteLength(command);
    return write > 0 ? write : 5;
}

size_t SimAdapter::ObdWriteLength(uint8_t command)
{
    // The OBD link's writes carry their data.
    switch (command) {
    case 0x72: return 15;
    case 0x7B: return 12;
    case 0x89: return 55;
    default: return 0;
    }
}

Bytes SimAdapter::Handle(const Bytes &request)
{
    if (State.Silent || State.InBootloader || request.size() < 4)
        return {};
    const size_t n = request.size();
    const uint16_t crc = Crc(request.data(), n - 2);
    if (request[n - 2] != (crc >> 8) || request[n - 1] != (crc & 0xFF)) {
        ++State.BadCrcRequests;
        return {};
    }
    const uint8_t command = request[1];
    if (State.SilentFrom != 0 && command == State.SilentFrom) {
        State.SilentFrom = 0;
        State.Silent = true;
        return {};
    }
    const auto refused = State.Refuse.find(command);
    if (refused != State.Refuse.end())
        return ErrorFrame(refused->second);
    if (command == 0xE2 && request[2] == 0x01) {
        // Answers, then resets into its bootloader; its firmware is whole.
        ++State.Jumps;
        State.InBootloader = true;
        Boot.State.Stay = 0;
        return Answer({0xE2, 0x00});
    }
    if (Bytes obd; HandleObd(request, obd))
        return obd;
    const auto payload = State.Payload.find(command);
    if (payload == State.Payload.end())
        return ErrorFrame(0x01);
    return Answer(payload->second);
}

int SimAdapter::AnswerDelay(const Bytes &request)
{
    SimAdapterState &s = State;
    int delay = s.LateMs;
    const auto chosen = request.size() > 1 ? s.LateFor.find(request[1]) : s.LateFor.end();
    if (!s.LateNext.empty()) {
        delay = s.LateNext.front();
        s.LateNext.pop_front();
    } else if (chosen != s.LateFor.end()) {
        delay = chosen->second;
    } else if (s.LateRandomMax > 0) {
        delay = std::uniform_int_distribution<int>(s.LateRandomMin, s.LateRandomMax)(s.Random);
    }
    s.Delays.push_back(delay);
    return delay;
}

Handler SimAdapter::MakeHandler()
{
    return {"adapter", 0xC2,
            [this](const Bytes &soFar) {
                if (soFar.size() < 2)
                    return FrameLength::needMore();
                return FrameLength::complete(RequestLengthOf(soFar[1]));
            },
            [this](const Bytes &frame) { return Handle(frame); },
            [this](const Bytes &frame) { return AnswerDelay(frame); }};
}

Handler SimAdapter::MakeBootloaderHandler()
{
    return {"adapter bootloader", 0xBC,
            [this](const Bytes &soFar) {
                if (!State.InBootloader || State.Silent)
                    return FrameLength::notMine();
                if (soFar.size() < 2)
                    return FrameLength::needMore();
                return FrameLength::complete(SimBootloader::RequestLength(soFar[1]));
            },
            [this](const Bytes &frame) {
                Bytes answer = Boot.Handle(frame);
                if (Boot.State.Exited) {
                    Boot.State.Exited = false;
                    // A bootloader keeping its stay flag ignores the exit.
                    if (Boot.State.Stay == 0)
                        State.InBootloader = false;
                }
                return answer;
            }};
}

} // namespace sim
