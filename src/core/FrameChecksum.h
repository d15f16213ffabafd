// The checksum of every frame on the serial line (controller, identification
// probes, module answers, bootloader): the 8-bit sum of the bytes before it.
#pragma once

#include <cstddef>
#include <cstdint>

inline std::uint8_t FrameChecksum(const std::uint8_t *data, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += data[i];
    return static_cast<std::uint8_t>(sum);
}
