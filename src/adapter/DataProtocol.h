// The module protocol bound to a serial port. A write takes the port's lock
// and keeps it (the port's strategy lsReadDataWithControl); the protocol
// releases it once the answer has been read or has failed, or at once when
// the write failed, so that a request and its answer stay together against
// the controller protocol on the same port.
#pragma once

#include "adapter/BaseProtocol.h"

class TComMultiPort;

class TDataProtocol : public TBaseProtocol
{
public:
    TDataProtocol(TComMultiPort *port, std::uint8_t errorLength, std::uint8_t errorMarker,
                  std::uint8_t answerStart, std::uint8_t requestStart);

    // Send; a failed write (when reported) releases the lock, reports failure
    // and ends the exchange; otherwise Receive.
    bool Execute(const std::uint8_t *request, int &written, int requestCount, std::uint8_t *answer,
                 bool &isError, int answerCount) override;

    // Waits of an answer read, in ms: for its first byte; for the rest, a
    // base and a share per byte (a byte lasts about 1.04 ms at 9600 baud);
    // at most between two bytes. Two attempts at a silent box stay below
    // 100 ms.
    static constexpr std::uint32_t FirstByteWaitMs = 45;
    static constexpr std::uint32_t RestWaitMs = 20;
    static constexpr std::uint32_t ByteWaitMs = 2;
    static constexpr std::uint32_t GapWaitMs = 20;

    TComMultiPort *Port() const { return FPort; }
    void SetPort(TComMultiPort *port) { FPort = port; }

protected:
    // The port operations, overridable so that answers can be fed without a
    // port. WritePort empties the input first, so that a late answer to an
    // earlier request is not taken for this one.
    virtual bool WritePort(const std::uint8_t *bytes, int count, int &written);
    virtual bool ReadPort(std::uint8_t *buffer, int count, int &read);
    // Releases the lock the write took, when the port works that way.
    virtual void ReleasePortLock();

    int FWritten = 0;

private:
    TComMultiPort *FPort; // not owned
};

// The serial port the module protocols use, set when the adapter logic starts.
extern TComMultiPort *ModulePort;
void SetModulePort(TComMultiPort *port);
