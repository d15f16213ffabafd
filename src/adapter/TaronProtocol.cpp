#include "adapter/TaronProtocol.h"

#include <cstring>

namespace {

// Runs the port-lock release when the scope ends, also when the outcome
// report raises: the lock is released exactly once per receive.
template <class F>
struct AtScopeEnd {
    F f;
    ~AtScopeEnd() { f(); }
};
template <class F>
AtScopeEnd(F) -> AtScopeEnd<F>;

} // namespace

bool TTaronProtocol::Send(const std::uint8_t *request, int count)
{
    FWritten = 0;
    if (count < 0)
        count = 0;
    return WritePort(request, count, FWritten);
}

bool TTaronProtocol::Receive(std::uint8_t *buffer, bool &isError, int count)
{
    AtScopeEnd release{[this] { ReleasePortLock(); }};
    isError = false;
    if (count > 0)
        std::memset(buffer, 0, static_cast<std::size_t>(count));

    bool success = false;
    std::uint8_t head = 0;
    int read = 0;
    if (count >= 2 && ReadPort(&head, 1, read) && read == 1 && head == AnswerStart) {
        int delivered = 0;
        const bool whole = ReadPort(buffer, count - 1, delivered);
        int expected = count;
        if ((whole || delivered == ErrorLength - 1) && delivered >= 1 && buffer[0] == ErrorMarker) {
            isError = true;
            expected = ErrorLength;
        }
        // delivered < count, so the answer with its start byte fits the buffer.
        if (delivered >= 1 && delivered + 1 == expected) {
            unsigned sum = AnswerStart;
            for (int i = 0; i < delivered - 1; ++i)
                sum += buffer[i];
            const std::uint8_t last = buffer[delivered - 1];
            std::memmove(buffer + 1, buffer, static_cast<std::size_t>(delivered));
            buffer[0] = AnswerStart;
            if (last == static_cast<std::uint8_t>(sum & 0xFF))
                success = true;
            else
                std::memset(buffer, 0, static_cast<std::size_t>(expected));
        }
    }

    if (success) {
        Report(true);
    } else if (LastAttempt) {
        LastAttempt = false;
        Report(false);
    }
    return success;
}

bool TTaronProtocol::Execute(const std::uint8_t *request, int &written, int requestCount, std::uint8_t *answer,
                             bool &isError, int answerCount)
{
    LastAttempt = false;
    bool result = TDataProtocol::Execute(request, written, requestCount, answer, isError, answerCount);
    if (!result && RetryEnabled) {
        LastAttempt = true;
        result = TDataProtocol::Execute(request, written, requestCount, answer, isError, answerCount);
    }
    LastAttempt = false;
    return result;
}
