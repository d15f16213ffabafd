#include "adapter/TaronProtocol.h"

#include "core/FrameChecksum.h"

#include <algorithm>
#include <cstring>
#include <vector>

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
    FHeard = 0;
    if (count >= 2) {
        std::vector<std::uint8_t> frame(static_cast<std::size_t>(count));
        int have = ReadAnswerStart(frame.data(), count);
        // Reads on until the frame holds n bytes; false when they did not all come.
        auto readUpTo = [&](int n) {
            if (have >= n)
                return true;
            int got = 0;
            ReadPort(frame.data() + have, n - have, got);
            have += got;
            return have >= n;
        };
        auto sumFits = [&](int length) {
            return frame[std::size_t(length - 1)] == FrameChecksum(frame.data(), std::size_t(length - 1));
        };
        if (have >= 1 && frame[0] == AnswerStart) {
            // The bytes an error frame has first: a refusal is complete once
            // its own bytes are in, with no wait for bytes it does not have.
            const int head = std::min(count, int(ErrorLength));
            const bool whole = readUpTo(head);
            const bool marked = ErrorLength >= 2 && have >= 2 && frame[1] == ErrorMarker;
            if (whole && marked && have >= ErrorLength && sumFits(ErrorLength)) {
                isError = true;
                success = true;
                std::memcpy(buffer, frame.data(), ErrorLength);
            } else if (whole && !marked) {
                // A whole answer: good with its sum, zeroed without.
                success = readUpTo(count) && sumFits(count);
                if (success)
                    std::memcpy(buffer, frame.data(), static_cast<std::size_t>(count));
            } else if (whole && have < count) {
                // Marked as an error frame, yet no good one: it fails. Bytes
                // that still follow within the wait between bytes are read
                // with it, so that nothing of it is left on the line.
                int more = 0;
                if (ReadPortFollowing(frame.data() + have, more)) {
                    have += more;
                    readUpTo(count);
                }
            }
            // A short answer: the buffer keeps what came after the start byte.
            if (!success && have < count)
                std::memcpy(buffer, frame.data() + 1, static_cast<std::size_t>(have - 1));
        }
        FHeard = have;
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
    // request on the port has gone out; its reader passes over them.
    if (!result && FSent && FHeard == 0)
        OweAnswer(unheard, answerCount);
    return result;
}
