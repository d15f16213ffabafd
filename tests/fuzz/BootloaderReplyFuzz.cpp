// Feeds arbitrary bytes to the bootloader's reply reader as the port would
// deliver them: the first byte chooses the reply length (4, 6 or 7, as the
// bootloader's requests expect) and the reply header (BD, or an application
// firmware's D0/D2), the rest are the bytes on the line, read as replies one
// after another until they run out.
#include "fuzz/support/FuzzSupport.h"
#include "upgrade/Bootloader40Manager.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

class FedManager : public TBootloader40Manager
{
public:
    FedManager(const uint8_t *data, size_t size) : m_input(data, size) {}
    bool exhausted() const { return m_input.Exhausted(); }

protected:
    bool ReadPort(quint8 *buffer, int count, int &read) override
    {
        return m_input.Read(buffer, count, read);
    }

private:
    fuzz::FedBytes m_input;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const int lengths[] = {4, 6, 7, 4};
    static const uint8_t headers[] = {0xBD, 0xD0, 0xD2, 0xBD};
    const int count = lengths[data[0] & 3];
    const uint8_t header = headers[(data[0] >> 2) & 3];
    FedManager manager(data + 1, size - 1);
    for (int reply = 0; reply < 64 && !manager.exhausted(); ++reply) {
        // One byte of guard on each side catches writes outside the reply.
        std::vector<quint8> buffer(static_cast<size_t>(count) + 2, 0x5A);
        const bool ok = manager.ReadReply(buffer.data() + 1, count, header);
        if (buffer.front() != 0x5A || buffer.back() != 0x5A)
            __builtin_trap();
        const quint8 *r = buffer.data() + 1;
        unsigned sum = 0;
        bool zero = true;
        for (int i = 0; i < count - 1; ++i) {
            sum += r[i];
            zero = zero && r[i] == 0;
        }
        // A valid reply starts with its header and ends with its sum; any
        // other leaves the buffer zeroed.
        if (ok && (r[0] != header || r[count - 1] != static_cast<quint8>(sum)))
            __builtin_trap();
        if (!ok && (!zero || r[count - 1] != 0))
            __builtin_trap();
    }
    return 0;
}
