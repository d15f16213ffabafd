// The request/answer protocol of the adapter box's modules, abstract: the
// frame markers, how an exchange reports its outcome to the module that owns
// the protocol, and whether a failed exchange is repeated.
#pragma once

#include <cstdint>
#include <functional>

class TBaseProtocol
{
public:
    TBaseProtocol(std::uint8_t requestStart, std::uint8_t answerStart, std::uint8_t errorMarker,
                  std::uint8_t errorLength);
    virtual ~TBaseProtocol() = default;
    TBaseProtocol(const TBaseProtocol &) = delete;
    TBaseProtocol &operator=(const TBaseProtocol &) = delete;

    // Writes count request bytes; true when all of them went out.
    virtual bool Send(const std::uint8_t *request, int count) = 0;
    // Reads an answer of count bytes into buffer (count bytes long); true when
    // a valid answer or a valid error frame (isError) was read.
    virtual bool Receive(std::uint8_t *buffer, bool &isError, int count) = 0;
    // Send, then Receive.
    virtual bool Execute(const std::uint8_t *request, int &written, int requestCount,
                         std::uint8_t *answer, bool &isError, int answerCount) = 0;

    // First byte of requests; the modules' request builders put it in.
    std::uint8_t RequestStart;
    // First byte of every valid answer.
    std::uint8_t AnswerStart;
    // Second byte of an error frame.
    std::uint8_t ErrorMarker;
    // Length of an error frame, both ends included.
    std::uint8_t ErrorLength;
    // Told the outcome of each exchange (the owning module's SetEnabled).
    std::function<void(bool success)> SetDeviceCompatible;
    // The module whose SetEnabled SetDeviceCompatible is (none while unbound).
    const void *CompatibleOwner = nullptr;
    // A failed write is reported at once.
    bool ReportSendFailure = true;
    // A failed exchange is repeated once.
    bool RetryEnabled = true;

protected:
    void Report(bool success);
};
