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
    // Reads the beginning of an answer of count bytes within the port's wait
    // for its first byte, passing over late answers owed to earlier requests
    // (TComMultiPort::ReadAnswerStart); returns the bytes read (0: nothing
    // came). Without a port, one byte through ReadPort.
    int ReadAnswerStart(std::uint8_t *buffer, int count);
    // Releases the lock the write took, when the port works that way.
    virtual void ReleasePortLock();
    // An answer of count bytes still owed on the line after a repeat that
    // was answered where the first try heard nothing: read and dropped now.
    virtual void DropOwedAnswer(int count);
    // An exchange given up with nothing heard: its answers (one a try, of
    // count bytes) may still come, and the next readers pass over them.
    virtual void OweAnswer(int answers, int count);

    int FWritten = 0;
    // Whether the last Send wrote the whole request.
    bool FSent = false;

private:
    TComMultiPort *FPort; // not owned
};

// The serial port the module protocols use, set when the adapter logic starts.
extern TComMultiPort *ModulePort;
void SetModulePort(TComMultiPort *port);
