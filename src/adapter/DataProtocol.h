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

    TComMultiPort *Port() const { return FPort; }
    void SetPort(TComMultiPort *port) { FPort = port; }

protected:
    // The port operations, overridable so that answers can be fed without a
    // port. WritePort empties the input first, so that a late answer to an
    // earlier request is not taken for this one. ReadPort waits within the
    // port's own timeouts: a box, its OBD link or a busy machine may answer
    // well after a few tens of milliseconds.
    virtual bool WritePort(const std::uint8_t *bytes, int count, int &written);
    virtual bool ReadPort(std::uint8_t *buffer, int count, int &read);
    // Reads one byte when it follows within the port's wait between bytes
    // (an answer that has ended sends nothing more); without a port, ReadPort.
    virtual bool ReadPortFollowing(std::uint8_t *buffer, int &read);
    // Releases the lock the write took, when the port works that way.
    virtual void ReleasePortLock();
    // An answer of count bytes still owed on the line: read and dropped now
    // (a repeat answered after a silent first try), or left for the next
    // request on the port to wait out (the exchange given up).
    virtual void DropOwedAnswer(int count);
    virtual void OweAnswer(int count);

    int FWritten = 0;
    // Whether the last Send wrote the whole request.
    bool FSent = false;

private:
    TComMultiPort *FPort; // not owned
};

// The serial port the module protocols use, set when the adapter logic starts.
extern TComMultiPort *ModulePort;
void SetModulePort(TComMultiPort *port);
