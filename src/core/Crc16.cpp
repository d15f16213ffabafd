#include "core/Crc16.h"

void Crc16UpdateByte(std::uint8_t byte, std::uint16_t &crc, std::uint16_t polynomial)
{
    for (int bit = 0; bit < 8; ++bit) {
        const bool top = (crc & 0x8000) != 0;
        crc = static_cast<std::uint16_t>((crc << 1) | ((byte & 0x80) ? 1 : 0));
        if (top)
            crc ^= polynomial;
        byte = static_cast<std::uint8_t>(byte << 1);
    }
}

std::uint16_t Crc16Compute(const std::uint8_t *data, std::size_t count, std::uint16_t tail,
                           std::uint16_t polynomial)
{
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < count; ++i)
        Crc16UpdateByte(data[i], crc, polynomial);
    Crc16UpdateByte(static_cast<std::uint8_t>(tail >> 8), crc, polynomial);
    Crc16UpdateByte(static_cast<std::uint8_t>(tail & 0xFF), crc, polynomial);
    return crc;
}
