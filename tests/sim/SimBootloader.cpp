#include "sim/SimBootloader.h"

#include <algorithm>

namespace sim {

namespace {
Bytes reply(Bytes body)
{
    body.insert(body.begin(), 0xBD);
    body.push_back(sum8(body, body.size()));
    return body;
}
} // namespace

size_t SimBootloader::RequestLength(uint8_t command)
{
    return command == 0xE6 ? 39 : 4;
}

Bytes SimBootloader::Handle(const Bytes &request)
{
    const size_t n = request.size();
    if (n < 4 || request[n - 1] != sum8(request, n - 1)) {
        ++State.BadSumRequests;
        return {};
    }
    const uint8_t command = request[1];
    const uint8_t argument = request[2];
    SimBootloaderState &s = State;
    switch (command) {
    case 0xE1:
        return reply({0xE1, s.Major, s.Minor, s.Build});
    case 0xE2:
        s.Programming = true;
        s.HeaderNext = true;
        return reply({0xE2, 0x00});
    case 0xE3:
        s.ErasedBlocks.push_back(argument);
        return reply({0xE3, 0x00});
    case 0xE4:
        return reply({0xE4, 0x00});
    case 0xE5:
        s.EepromErased = true;
        return reply({0xE5, 0x00});
    case 0xE6: {
        std::array<uint8_t, 36> record{};
        std::copy(request.begin() + 2, request.begin() + 38, record.begin());
        s.Records.push_back(record);
        const uint8_t kind = s.HeaderNext ? 0xFF : 0x00;
        s.HeaderNext = false;
        return reply({kind, s.RecordStatus});
    }
    case 0xE8:
        s.WriteDefaults = argument;
        return reply({0xE8, argument});
    case 0xEE:
        s.Exited = true;
        return {};
    case 0xF0:
        if (argument == 1)
            return reply({0xF0, s.TypeCode, 0, 0, 0});
        if (argument == 2)
            return reply({0xF0, s.Stay, 0, 0, 0});
        if (argument == 3) {
            s.Stay = 0;
            return reply({0xF0, 0, 0, 0, 0});
        }
        return {};
    default:
        return {};
    }
}

Handler SimBootloader::MakeHandler()
{
    return {"bootloader", 0xBC,
            [](const Bytes &soFar) {
                if (soFar.size() < 2)
                    return FrameLength::needMore();
                return FrameLength::complete(RequestLength(soFar[1]));
            },
            [this](const Bytes &frame) { return Handle(frame); }};
}

} // namespace sim
