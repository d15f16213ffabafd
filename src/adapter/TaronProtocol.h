// The module protocol's framing of answers: a start byte, the payload and the
// 8-bit sum of the bytes before it, or a short error frame; a failed exchange
// is repeated once, and only the repeat's failure is reported.
#pragma once

#include "adapter/DataProtocol.h"

class TTaronProtocol : public TDataProtocol
{
public:
    using TDataProtocol::TDataProtocol;

    // Writes the request bytes as they are.
    bool Send(const std::uint8_t *request, int count) override;
    // Reads the start byte (late answers owed to earlier requests passed
    // over), then the rest of count bytes, or a whole error frame when the
    // second byte is the error marker and its own sum fits; checks the sum.
    // A bad sum zeroes the answer. Reports the outcome (a failure only on
    // the last attempt) and releases the port's lock.
    bool Receive(std::uint8_t *buffer, bool &isError, int count) override;
    // The exchange, and once more when it failed and RetryEnabled is set.
    // No answer is left owed on the shared line: a repeat answered after a
    // first try that heard nothing drops the answer still to come, and an
    // exchange given up with nothing heard marks its answers owed, for the
    // next readers to pass over without waiting for them.
    bool Execute(const std::uint8_t *request, int &written, int requestCount, std::uint8_t *answer,
                 bool &isError, int answerCount) override;

    // Set while the repeated attempt runs.
    bool LastAttempt = false;

protected:
    // Bytes the last Receive heard, its start byte included.
    int FHeard = 0;
};
