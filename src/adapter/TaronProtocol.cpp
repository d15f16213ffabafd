#include "adapter/TaronProtocol.h"

#include <algorithm>
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
    FHeard = 0;
    if (count >= 2 && ReadPort(&head, 1, read) && read == 1 && head == AnswerStart) {
        // The bytes an error frame would have first: a refusal is known
        // without waiting out the port's timeouts for a whole answer.
        int delivered = 0;
        bool whole = ReadPort(buffer, std::min(count - 1, ErrorLength - 1), delivered);
        if (whole && delivered < count - 1) {
            int more = 0;
            // After the error marker the frame has ended, unless more bytes
            // follow within the port's wait between bytes.
            if (buffer[0] != ErrorMarker || ReadPortFollowing(buffer + delivered, more)) {
                delivered += more;
                whole = ReadPort(buffer + delivered, count - 1 - delivered, more);
                delivered += more;
            } else {
                whole = false;
            }
        }
        FHeard = 1 + delivered;
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

    if (FHeard == 0)
        FHeard = read;
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
    // Tries whose request went out and whose answer was not heard at all:
    // a device that was only late still sends each of those answers.
    int unheard = 0;
    LastAttempt = false;
    FHeard = 0;
    bool result = TDataProtocol::Execute(request, written, requestCount, answer, isError, answerCount);
    unheard += FSent && FHeard == 0;
    if (!result && RetryEnabled) {
        const bool firstUnheard = unheard > 0;
        LastAttempt = true;
        FHeard = 0;
        result = TDataProtocol::Execute(request, written, requestCount, answer, isError, answerCount);
        // The repeat may have read the first try's answer (the same
        // request's); the answer to the repeat is then still to come.
        if (result && firstUnheard)
            DropOwedAnswer(isError ? ErrorLength : answerCount);
        unheard += !result && FSent && FHeard == 0;
    }
    LastAttempt = false;
    // Given up with nothing heard: the answers may yet come, after the next
    // request on the port has gone out, unless that request waits them out.
    if (!result && FSent && FHeard == 0)
        OweAnswer(unheard * answerCount);
    return result;
}
