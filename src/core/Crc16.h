// The CRC-16 of the framed requests to the adapter box and its bootloader:
// polynomial 0x1021, register starting at 0, bits most significant first, the
// message followed by a two-byte tail (two zero bytes give the augmented
// form, whose result is the common XMODEM CRC of the message).
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint16_t Crc16Polynomial = 0x1021;

// Shifts the 8 bits of byte into the register, most significant first.
void Crc16UpdateByte(std::uint8_t byte, std::uint16_t &crc, std::uint16_t polynomial);
// The register after the count bytes of data and then the high and the low
// byte of tail, from 0.
std::uint16_t Crc16Compute(const std::uint8_t *data, std::size_t count, std::uint16_t tail,
                           std::uint16_t polynomial);
