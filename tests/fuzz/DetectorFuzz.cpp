// The device detector's probe replies: header search, reply length, checksum
// and the kind a reply identifies.
//
// Input: one settings byte, then the bytes the port delivers, in order, to
// every read. Settings: bits 0-3 the probed kinds (a TDetectedDevice set),
// bit 4 ClearPort, bit 5 the first probe cannot be written.
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/MemoryPort.h"

#include "core/Detector.h"

#include <array>

namespace {

const std::array<TMemoryPort::Bytes, DetectedDeviceCount> Requests{{
    {0xC0, 0x01, 0x01, 0xC2},
    {0xBA, 0xE1, 0xE1, 0x7C},
    {0xC1, 0x01, 0x01, 0xC3},
    {0xBC, 0xE1, 0xE1, 0x7E},
}};
constexpr std::array<uint8_t, DetectedDeviceCount> Headers{0xD0, 0xBB, 0xD1, 0xBD};

void CheckStep(const TDetector &detector, const TDetectedDevices &enabled)
{
    const int kind = detector.GetDetectedKind();
    FUZZ_CHECK(kind >= 0 && kind <= 8);
    FUZZ_CHECK(detector.GetExeFamily() >= 0 && detector.GetExeFamily() <= 3);
    if (kind == 0)
        return;
    // Only a well-formed reply to an enabled probe identifies a kind.
    const int probe = detector.LastProbe();
    FUZZ_CHECK(probe >= 0 && probe < DetectedDeviceCount);
    FUZZ_CHECK(enabled.Contains(static_cast<TDetectedDevice>(probe)));
    FUZZ_CHECK(detector.Reply()[0] == Headers[size_t(probe)]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    TDetectedDevices enabled;
    for (int i = 0; i < DetectedDeviceCount; ++i)
        if (data[0] & (1u << i))
            enabled.Include(static_cast<TDetectedDevice>(i));

    TMemoryPort port;
    port.SetInput(data + 1, size - 1);
    if (data[0] & 0x20)
        port.FailNextWrites(1);
    TDetector detector;
    detector.SetDetectedDevices(enabled);
    detector.SetClearPort((data[0] & 0x10) != 0);

    detector.Detect(&port);
    CheckStep(detector, enabled);
    detector.DetectNext(&port);
    CheckStep(detector, enabled);

    // Nothing but the probes of enabled kinds goes out.
    for (const TMemoryPort::Bytes &request : port.Writes()) {
        bool known = false;
        for (int i = 0; i < DetectedDeviceCount; ++i)
            known = known
                    || (request == Requests[size_t(i)]
                        && enabled.Contains(static_cast<TDetectedDevice>(i)));
        FUZZ_CHECK(known);
    }
    return 0;
}
