// The bootloader contact of an upgrade, as the port delivers the replies:
// version, device type and stay flag read on connecting, the exit, and the
// end of a programming run. The input scripts the device: for each request
// one byte chooses its reply (none, a valid one, a wrong echo, a broken sum,
// or raw bytes), followed by the reply's payload bytes.
// Properties: the version and device type are the valid replies' bytes (0
// otherwise); the stay flag is what the last valid F0 02 reply said, and 1
// after a failed one (a half-programmed device must not leave its
// bootloader); the exit request goes out only while the flag is 0; every
// reply buffer stays within its bounds (the sanitizers watch that).
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/MemoryPort.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

int ReplyLength(uint8_t command)
{
    switch (command) {
    case 0xE1:
        return 6;
    case 0xF0:
        return 7;
    case 0xEE:
        return 0; // the exit gets no reply
    default:
        return 4;
    }
}

uint8_t Sum(const Bytes &b, size_t count)
{
    unsigned s = 0;
    for (size_t i = 0; i < count; ++i)
        s += b[i];
    return uint8_t(s);
}

// One exchange as the device played it.
struct TExchange {
    Bytes Request;
    Bytes Reply;
    bool Valid(uint8_t echo) const
    {
        const size_t n = Reply.size();
        return n >= 4 && Reply[0] == 0xBD && Reply[n - 1] == Sum(Reply, n - 1) && Reply[1] == echo;
    }
};

class ScriptedDevice
{
public:
    ScriptedDevice(const uint8_t *data, size_t size) : FInput(data, size) {}

    Bytes Answer(const Bytes &request)
    {
        TExchange e{request, {}};
        const int count = request.size() >= 2 ? ReplyLength(request[1]) : 0;
        uint8_t choice = 0;
        int read = 0;
        if (count > 0 && FInput.Read(&choice, 1, read)) {
            Bytes r(size_t(count), 0);
            FInput.Read(r.data(), count, read); // raw bytes, or the payload's source
            switch (choice % 5) {
            case 0:
                r.clear();
                break;
            case 1: // valid
            case 2: // wrong echo
            case 3: // broken sum
                r[0] = 0xBD;
                r[1] = choice % 5 == 2 ? uint8_t(request[1] ^ 0x55) : request[1];
                r[size_t(count - 1)] = uint8_t(Sum(r, size_t(count - 1)) + (choice % 5 == 3 ? 1 : 0));
                break;
            default:
                break;
            }
            e.Reply = r;
        }
        FLog.push_back(e);
        return e.Reply;
    }

    // The last exchange of command (and argument), if any.
    std::optional<TExchange> Last(uint8_t command, int argument = -1) const
    {
        for (auto it = FLog.rbegin(); it != FLog.rend(); ++it)
            if (it->Request.size() >= 3 && it->Request[1] == command && (argument < 0 || it->Request[2] == argument))
                return *it;
        return std::nullopt;
    }
    size_t Count(uint8_t command) const
    {
        size_t n = 0;
        for (const auto &e : FLog)
            n += e.Request.size() >= 2 && e.Request[1] == command;
        return n;
    }

private:
    fuzz::FedBytes FInput;
    std::vector<TExchange> FLog;
};

// The stay flag after the last F0 02 exchange: its byte when valid, else 1.
void CheckStayFlag(const TBootloader40Manager &m, const ScriptedDevice &device)
{
    const auto stay = device.Last(0xF0, 2);
    if (!stay)
        return;
    FUZZ_CHECK(m.BootInfo().StayInBootloader == (stay->Valid(0xF0) ? stay->Reply[2] : 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::EnsureCoreApplication();
    static TBootloaderConfig config;
    BootloaderConfig = &config;
    ScriptedDevice device(data, size);
    TMemoryPort port;
    port.SetResponder([&device](const Bytes &request) { return device.Answer(request); });
    TBootloader40Manager manager;
    manager.Wait = [](int) {};
    manager.SetConnection(&port, nullptr);

    bool connected = false;
    try {
        connected = manager.ConnectBootloader();
    } catch (const EBootloaderConfigError &) {
        // A device type no variant knows: refused by the caller.
    }
    const TBootInfo &info = manager.BootInfo();
    const auto version = device.Last(0xE1);
    FUZZ_CHECK(version.has_value());
    if (!version->Valid(0xE1)) {
        FUZZ_CHECK(!connected);
        FUZZ_CHECK(info.BootMajor == 0 && info.BootMinor == 0 && info.BootBuild == 0);
        FUZZ_CHECK(device.Count(0xF0) == 0);
    } else {
        FUZZ_CHECK(info.BootMajor == version->Reply[2] && info.BootMinor == version->Reply[3]
                   && info.BootBuild == version->Reply[4]);
        const auto type = device.Last(0xF0, 1);
        FUZZ_CHECK(type.has_value() == manager.InfoCapable());
        if (type) {
            FUZZ_CHECK(info.DeviceTypeCode == (type->Valid(0xF0) ? type->Reply[2] : 0));
            if (!type->Valid(0xF0)) {
                FUZZ_CHECK(!connected);
                FUZZ_CHECK(info.StayInBootloader == 1);
            }
        }
        if (!device.Last(0xF0, 2))
            FUZZ_CHECK(info.StayInBootloader == 1);
        CheckStayFlag(manager, device);
    }

    // The exit goes out only while the flag says the device may leave.
    const bool mayLeave = info.StayInBootloader == 0;
    const size_t exits = device.Count(0xEE);
    manager.ExitBootloader();
    FUZZ_CHECK(device.Count(0xEE) == exits + (mayLeave ? 1 : 0));

    // The end of a programming run: clear, then read back.
    const quint8 before = info.StayInBootloader;
    const bool finished = manager.FinishProgramming();
    if (manager.ExitCapable()) {
        const auto clear = device.Last(0xF0, 3);
        FUZZ_CHECK(clear.has_value());
        if (!clear->Valid(0xF0)) {
            FUZZ_CHECK(!finished);
            FUZZ_CHECK(info.StayInBootloader == before);
        } else {
            CheckStayFlag(manager, device);
        }
    } else {
        FUZZ_CHECK(finished && info.StayInBootloader == 0);
    }
    const bool mayLeaveNow = info.StayInBootloader == 0;
    const size_t exitsNow = device.Count(0xEE);
    manager.ExitBootloader();
    FUZZ_CHECK(device.Count(0xEE) == exitsNow + (mayLeaveNow ? 1 : 0));
    BootloaderConfig = nullptr;
    return 0;
}
