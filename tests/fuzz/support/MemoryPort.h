// A port that is no serial device, for feeding the controller link and the
// detector from memory: what the program writes is kept, and what it reads
// comes from a byte stream. A read takes the next bytes of the stream; once
// the stream is spent, reads get nothing, as a silent device gives nothing.
// With a responder (a loopback), every request written appends the
// responder's answer to the stream.
#pragma once

#include "core/ComMultiPort.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class TMemoryPort : public TComMultiPort
{
public:
    using Bytes = std::vector<uint8_t>;
    using Responder = std::function<Bytes(const Bytes &request)>;

    // Replaces the bytes still to be read.
    void SetInput(const uint8_t *data, size_t size);
    void SetResponder(Responder responder) { FResponder = std::move(responder); }
    // The next n writes take no byte (a device that went away).
    void FailNextWrites(int n) { FFailWrites = n; }

    // Every write, in order.
    const std::vector<Bytes> &Writes() const { return FWrites; }
    void ClearWrites() { FWrites.clear(); }
    // Bytes read so far since the last SetInput, and bytes left.
    const Bytes &BytesRead() const { return FRead; }
    size_t Remaining() const { return FInput.size() - FPos; }

    bool GetConnected() const override { return true; }
    bool ReadData(void *buffer, int Count, int &BytesRead) override;
    bool WriteData(const void *buffer, int Count, int &BytesWritten) override;
    // Answers arrive only after their request, so nothing stale is waiting.
    bool PurgeInput() override { return true; }
    // No time needs to pass between two attempts.
    void WaitIdle(unsigned long) override {}

private:
    Bytes FInput;
    size_t FPos = 0;
    Bytes FRead;
    std::vector<Bytes> FWrites;
    Responder FResponder;
    int FFailWrites = 0;
};
