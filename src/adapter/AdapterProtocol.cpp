#include "adapter/AdapterProtocol.h"

#include "core/Crc16.h"

#include <cstring>
#include <vector>

void TAdapterProtocol::Frame(const std::uint8_t *request, int count, std::uint8_t *frame)
{
    const std::size_t covered = count > 1 ? static_cast<std::size_t>(count - 1) : 0;
    if (covered > 0)
        std::memcpy(frame, request, covered);
    const std::uint16_t crc = Crc16Compute(request, covered, 0, Crc16Polynomial);
    frame[covered] = static_cast<std::uint8_t>(crc >> 8);
    frame[covered + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

bool TAdapterProtocol::Send(const std::uint8_t *request, int count)
{
    const int covered = count > 1 ? count - 1 : 0;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(covered) + 2);
    Frame(request, count, frame.data());
    return TTaronProtocol::Send(frame.data(), int(frame.size()));
}
