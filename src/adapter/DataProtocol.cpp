#include "adapter/DataProtocol.h"

#include "core/ComMultiPort.h"

TComMultiPort *ModulePort = nullptr;

void SetModulePort(TComMultiPort *port)
{
    ModulePort = port;
}

TDataProtocol::TDataProtocol(TComMultiPort *port, std::uint8_t errorLength, std::uint8_t errorMarker,
                             std::uint8_t answerStart, std::uint8_t requestStart)
    : TBaseProtocol(requestStart, answerStart, errorMarker, errorLength), FPort(port)
{
}

bool TDataProtocol::Execute(const std::uint8_t *request, int &written, int requestCount, std::uint8_t *answer,
                            bool &isError, int answerCount)
{
    isError = false;
    const bool sent = Send(request, requestCount);
    FSent = sent;
    written = FWritten;
    if (!sent && ReportSendFailure) {
        ReleasePortLock();
        Report(false);
        return false;
    }
    return Receive(answer, isError, answerCount);
}

bool TDataProtocol::WritePort(const std::uint8_t *bytes, int count, int &written)
{
    written = 0;
    if (!FPort)
        return false;
    // The input is emptied under the lock, so that no answer to another
    // protocol's request on the same port is thrown away.
    const bool locked = FPort->ThreadSafe();
    if (locked)
        FPort->AcquireLock();
    if (FPort->GetConnected())
        FPort->PurgeInput();
    const bool ok = FPort->WriteData(bytes, count, written);
    if (locked)
        FPort->ReleaseLock();
    return ok && written == count;
}

bool TDataProtocol::ReadPort(std::uint8_t *buffer, int count, int &read)
{
    read = 0;
    if (!FPort)
        return false;
    return FPort->ReadData(buffer, count, read);
}

bool TDataProtocol::ReadPortFollowing(std::uint8_t *buffer, int &read)
{
    if (!FPort)
        return ReadPort(buffer, 1, read);
    const std::uint32_t gap = FPort->Timeouts()->IntervalTimeout();
    return FPort->ReadDataWithin(buffer, 1, read, gap, gap);
}

int TDataProtocol::ReadAnswerStart(std::uint8_t *buffer, int count)
{
    if (!FPort) {
        int read = 0;
        ReadPort(buffer, 1, read);
        return read;
    }
    return FPort->ReadAnswerStart(buffer, {AnswerStart, count, ErrorMarker, ErrorLength});
}

void TDataProtocol::DropOwedAnswer(int count)
{
    if (FPort)
        FPort->DropOwedAnswer(count);
}

void TDataProtocol::OweAnswer(int answers, int count)
{
    if (FPort)
        FPort->OweAnswer({AnswerStart, count, ErrorMarker, ErrorLength}, answers);
}

void TDataProtocol::ReleasePortLock()
{
    if (FPort && FPort->ThreadSafe() && FPort->LockingStrategy() == lsReadDataWithControl)
        FPort->ReleaseLock();
}
