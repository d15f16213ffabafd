// The module protocol of the adapter box: a request buffer of N bytes whose
// last byte is a placeholder goes out as its first N - 1 bytes followed by
// their CRC-16, high byte first (N + 1 bytes on the wire).
#pragma once

#include "adapter/TaronProtocol.h"

class TAdapterProtocol : public TTaronProtocol
{
public:
    using TTaronProtocol::TTaronProtocol;

    bool Send(const std::uint8_t *request, int count) override;

    // The bytes Send writes for a request buffer of count bytes.
    static void Frame(const std::uint8_t *request, int count, std::uint8_t *frame);
};
