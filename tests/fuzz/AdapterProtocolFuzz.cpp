// Feeds arbitrary bytes to the module protocol's answer reader as the port
// would deliver them: the first byte chooses the expected answer length and
// whether the exchange is repeated, the rest are the bytes on the line. The
// request sent is made of the input too (its command and up to seven
// parameter bytes), and every frame on the wire decodes, by the simulated
// box's own CRC, to that command and those parameters. On a port, a late
// answer owed to an earlier request in front of the same bytes is passed
// over and changes nothing.
#include "adapter/AdapterProtocol.h"
#include "core/Crc16.h"
#include "core/FrameChecksum.h"
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/MemoryPort.h"
#include "sim/SimAdapter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

class FedProtocol : public TAdapterProtocol
{
public:
    FedProtocol(const uint8_t *data, size_t size)
        : TAdapterProtocol(nullptr, 4, 0xEE, 0xD2, 0xC2), m_input(data, size)
    {
    }
    int releases = 0;
    int writes = 0;
    std::vector<std::vector<uint8_t>> frames;

protected:
    bool WritePort(const uint8_t *bytes, int count, int &written) override
    {
        ++writes;
        frames.emplace_back(bytes, bytes + count);
        written = count;
        return true;
    }
    bool ReadPort(uint8_t *buffer, int count, int &read) override
    {
        return m_input.Read(buffer, count, read);
    }
    void ReleasePortLock() override { ++releases; }
    // The answer still owed after a repeat is read from the line as the port
    // reads it; one owed after a give-up is only noted.
    void DropOwedAnswer(int count) override
    {
        dropped.push_back(count);
        std::vector<uint8_t> owed(static_cast<size_t>(count));
        int read = 0;
        m_input.Read(owed.data(), count, read);
    }
    void OweAnswer(int answers, int count) override { owed.push_back(answers * count); }

public:
    std::vector<int> dropped, owed;

private:
    fuzz::FedBytes m_input;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int count = 2 + data[0] % 63;
    FedProtocol protocol(data + 1, size - 1);
    protocol.RetryEnabled = (data[0] & 0x80) != 0;
    int reports = 0;
    protocol.SetDeviceCompatible = [&](bool) { ++reports; };

    // One byte of guard on each side catches writes outside the answer.
    std::vector<uint8_t> buffer(static_cast<size_t>(count) + 2, 0xA5);
    // C2, the command, the parameters and the placeholder of the CRC.
    const size_t parameters = std::min<size_t>(data[0] % 8, size > 2 ? size - 2 : 0);
    std::vector<uint8_t> request{0xC2, size > 1 ? data[1] : uint8_t(0x01)};
    for (size_t i = 0; i < parameters; ++i)
        request.push_back(data[2 + i]);
    request.push_back(0);
    const int requestCount = int(request.size());
    int written = 0;
    bool isError = false;
    const bool ok = protocol.Execute(request.data(), written, requestCount, buffer.data() + 1, isError, count);

    // What went out decodes to what was framed: the start byte, the command
    // and the parameters, closed by their CRC as the box computes it.
    for (const auto &frame : protocol.frames) {
        FUZZ_CHECK(frame.size() == request.size() + 1);
        const uint16_t crc = sim::SimAdapter::Crc(frame.data(), frame.size() - 2);
        FUZZ_CHECK(frame[frame.size() - 2] == uint8_t(crc >> 8) && frame.back() == uint8_t(crc));
        FUZZ_CHECK(std::equal(request.begin(), request.end() - 1, frame.begin()));
    }

    if (buffer.front() != 0xA5 || buffer.back() != 0xA5)
        __builtin_trap();
    // Each attempt releases the lock once, and the outcome is told at most once.
    const int most = protocol.RetryEnabled ? 2 : 1;
    if (protocol.releases != protocol.writes || protocol.writes > most || reports > 1 || written != requestCount + 1)
        __builtin_trap();
    // No answer is left owed: one dropped only after a repeat that was
    // answered (an answer's length), one noted only for an exchange given
    // up (an answer for each try), never both.
    FUZZ_CHECK(protocol.dropped.size() + protocol.owed.size() <= 1);
    for (const int n : protocol.dropped)
        FUZZ_CHECK(ok && protocol.writes == 2 && (n == count || (isError && n == 4)));
    for (const int n : protocol.owed)
        FUZZ_CHECK(!ok && n > 0 && n % count == 0 && n <= protocol.writes * count);
    if (ok) {
        // A valid answer starts with the start byte and ends with its sum.
        const uint8_t *answer = buffer.data() + 1;
        const int length = isError ? 4 : count;
        if (answer[0] != 0xD2 || (isError && answer[1] != 0xEE))
            __builtin_trap();
        unsigned sum = 0;
        for (int i = 0; i < length - 1; ++i)
            sum += answer[i];
        if (answer[length - 1] != static_cast<uint8_t>(sum))
            __builtin_trap();
    }

    // On a port, passing over a late answer owed to an earlier request is
    // exact: a whole owed frame of another length in front of the same
    // bytes changes neither the outcome nor the answer.
    const int lateLength = count == 4 ? 5 : 4;
    std::vector<uint8_t> late{0xD2};
    for (int i = 1; i < lateLength - 1; ++i)
        late.push_back(uint8_t(i));
    late.push_back(FrameChecksum(late.data(), late.size()));
    TMemoryPort plain, owing;
    plain.SetInput(data + 1, size - 1);
    late.insert(late.end(), data + 1, data + size);
    owing.SetInput(late.data(), late.size());
    owing.OweAnswer({0xD2, lateLength, 0xEE, 4}, 1);
    std::vector<uint8_t> answers[2];
    bool results[2] = {}, errors[2] = {};
    TMemoryPort *ports[2] = {&plain, &owing};
    for (int i = 0; i < 2; ++i) {
        TAdapterProtocol onPort(ports[i], 4, 0xEE, 0xD2, 0xC2);
        onPort.RetryEnabled = protocol.RetryEnabled;
        answers[i].assign(size_t(count), 0);
        results[i] = onPort.Execute(request.data(), written, requestCount, answers[i].data(), errors[i], count);
    }
    FUZZ_CHECK(results[0] == results[1] && errors[0] == errors[1] && answers[0] == answers[1]);
    FUZZ_CHECK(plain.BytesRead().size() + size_t(lateLength) == owing.BytesRead().size());
    Crc16Compute(data, size, 0, Crc16Polynomial);
    return 0;
}
