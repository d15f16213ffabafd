// The controller link's answer handling: header search, answer length,
// checksum, and every command's answer decoded into the device record, over
// the data manager's real exchange code with a port fed from memory.
//
// Input: one device byte, then operations. Device byte: kind 20, 21 or 48
// (value modulo 3) and version letter 'A' + (value / 3) modulo 11.
// Each operation is
//   op, parameter, length (two bytes, low first), that many answer bytes
// (fewer at the end of the input). The answer bytes are what the device
// sends back to the operation's requests, in order; when they run out the
// device is silent. op bits 0-6 pick the operation (modulo the table), bit 7
// makes its first request fail to go out. Every operation but the connecting
// ones starts with the link up and the device ready; a parameter with bit 7
// set first marks one or two late answers of the adapter box owed.
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/MemoryPort.h"

#include "core/ConfigurationByKind.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "sim/SimController.h"

#include <functional>
#include <vector>

namespace {

using Op = std::function<void(TDataManager &, uint8_t)>;

const std::vector<Op> &Operations()
{
    static const std::vector<Op> ops = {
        [](TDataManager &m, uint8_t) { m.SetConnected(false); m.DetectDevice(); },
        [](TDataManager &m, uint8_t) { m.SetConnected(false); m.PollGroup(TDataManager::pgConnect, true); },
        [](TDataManager &m, uint8_t) { m.SetConnected(false); m.ReadEmergencyDeviceInfo(); },
        [](TDataManager &m, uint8_t p) { m.PollGroup(p % 7, true); },
        [](TDataManager &m, uint8_t) { ReadConfigurationByKind(m); },
        [](TDataManager &m, uint8_t) { m.ReadIdentity(); },
        [](TDataManager &m, uint8_t p) { m.ReadPage(p % 9); },
        [](TDataManager &m, uint8_t) { m.ReadAllPages(); },
        [](TDataManager &m, uint8_t) { m.SendCmd3F(); },
        [](TDataManager &m, uint8_t) { m.SendCmd3Fb(); },
        [](TDataManager &m, uint8_t p) { m.LockDevice(p * 0x01010101u); },
        [](TDataManager &m, uint8_t p) { m.UnlockDevice(p * 0x01010101u); },
        [](TDataManager &m, uint8_t) { m.ReadDeviceInfo(); },
        [](TDataManager &m, uint8_t) { m.ReadCmd0B(); },
        [](TDataManager &m, uint8_t) { m.SendCmd22(); },
        [](TDataManager &m, uint8_t) { m.ReadStatus21(); },
        [](TDataManager &m, uint8_t) { m.ReadStatus21b(); },
        [](TDataManager &m, uint8_t) { m.ReadStatus50(); },
        [](TDataManager &m, uint8_t) { m.ReadCmd64(); },
        [](TDataManager &m, uint8_t) { m.ReadEmulator3A(); },
        [](TDataManager &m, uint8_t p) { m.ReadInjCounter3B(p); },
        [](TDataManager &m, uint8_t p) { m.ReadParameter8(p); },
        [](TDataManager &m, uint8_t p) { m.WriteParamByte(p, p ^ 0x5A); },
        [](TDataManager &m, uint8_t p) { m.ReadParamWord(p); },
        [](TDataManager &m, uint8_t p) { m.WriteParamWord(p, uint16_t(p * 257)); },
        [](TDataManager &m, uint8_t p) { m.ReadValue16(p); },
        [](TDataManager &m, uint8_t p) { m.ReadParameter(p); },
        [](TDataManager &m, uint8_t p) { m.WriteParameter(p); },
        [](TDataManager &m, uint8_t p) { m.ReadWord31(uint16_t(p * 3)); },
        [](TDataManager &m, uint8_t p) { m.WriteCmd32(p, uint16_t(p * 257)); },
        [](TDataManager &m, uint8_t p) { m.ReadCounter33(p); },
        [](TDataManager &m, uint8_t p) { m.WriteCounter34(p, p); },
        [](TDataManager &m, uint8_t) { m.ReadModelDataCmd03(); },
        [](TDataManager &m, uint8_t p) { m.WriteConfigCmd04(uint16_t(p * 40), p, p, uint8_t(~p)); },
        [](TDataManager &m, uint8_t) { m.ReadModelDataD8(); },
        [](TDataManager &m, uint8_t) { m.WriteModelDataD9(); },
        [](TDataManager &m, uint8_t) { m.ReadModelFactors(); },
        [](TDataManager &m, uint8_t) { m.ReadCorrectionsD0(); },
        [](TDataManager &m, uint8_t) { m.WriteCorrectionsD1(); },
        [](TDataManager &m, uint8_t) { m.ReadCorrections97(); },
        [](TDataManager &m, uint8_t) { m.WriteCorrections98(); },
        [](TDataManager &m, uint8_t) { m.ReadCorrectionsD2(); },
        [](TDataManager &m, uint8_t) { m.WriteCorrectionsD3(); },
        [](TDataManager &m, uint8_t) { m.ReadCorrectionsDB(); },
        [](TDataManager &m, uint8_t) { m.WriteCorrectionsDA(); },
        [](TDataManager &m, uint8_t) { m.ReadMapD4(); },
        [](TDataManager &m, uint8_t) { m.WriteMapD5(); },
        [](TDataManager &m, uint8_t) { m.ReadModel2Block(); },
        [](TDataManager &m, uint8_t) { m.WriteModel2Block(); },
        [](TDataManager &m, uint8_t) { m.ReadMapRowsDC(); },
        [](TDataManager &m, uint8_t) { m.ReadMapRowsDD(); },
        [](TDataManager &m, uint8_t) { m.WriteMapRowDF(); },
        [](TDataManager &m, uint8_t p) { m.ClearMapDE(p); },
        [](TDataManager &m, uint8_t) { m.ReadCorrections60(); },
        [](TDataManager &m, uint8_t p) { m.ReadCorrections61(p % 4, (p >> 2) % 3); },
        [](TDataManager &m, uint8_t p) { m.WriteCorrections62(p % 4, (p >> 2) % 3); },
        [](TDataManager &m, uint8_t) { m.ReadNozzleTestData(); },
        [](TDataManager &m, uint8_t) { m.WriteModelBlockC1(); },
        [](TDataManager &m, uint8_t) { m.ReadTroubleCodes(); },
        [](TDataManager &m, uint8_t) { m.ClearTroubleCodes(); },
        [](TDataManager &m, uint8_t p) { m.ReadTroubleCodesDebug(p); },
        [](TDataManager &m, uint8_t) { m.ReadComputerCodes(); },
        [](TDataManager &m, uint8_t p) { m.WriteLastChangeInfo(p * 0x01010101u, p * 0x00102040u); },
        [](TDataManager &m, uint8_t) { m.ReadInfo56(); },
        [](TDataManager &m, uint8_t) { m.WriteNextInspection(); },
        [](TDataManager &m, uint8_t p) { m.SetWorkType(p); },
        [](TDataManager &m, uint8_t) { m.ReadLevelSensor35(); },
        [](TDataManager &m, uint8_t) { m.ReadLevelSensor36(); },
        [](TDataManager &m, uint8_t) { m.WriteLevelSensor37(); },
        [](TDataManager &m, uint8_t) { m.WriteLevelSensor38(); },
        [](TDataManager &m, uint8_t p) { m.ActuatorTest18(p); },
        [](TDataManager &m, uint8_t p) { m.ActuatorCmd39(p); },
        [](TDataManager &m, uint8_t p) { m.StartInjectorTest(p); },
        [](TDataManager &m, uint8_t) { m.ReadInjTest90(); },
        [](TDataManager &m, uint8_t) { m.ReadInjTest91(); },
        [](TDataManager &m, uint8_t) { m.ReadGasInjCorrTable(); },
        [](TDataManager &m, uint8_t) { m.WriteGasInjTable(); },
        [](TDataManager &m, uint8_t) { m.WriteInjControl(); },
        [](TDataManager &m, uint8_t p) { m.WriteInjControl15(p % 22 - 1); },
        [](TDataManager &m, uint8_t) { m.ReadInjControl(); },
        [](TDataManager &m, uint8_t p) { uint16_t w[16]; m.ReadRecordD6(p, w); },
        [](TDataManager &m, uint8_t p) { uint16_t w[16]; m.ReadRecordD7(p, w); },
        [](TDataManager &m, uint8_t) { m.ReadRecordingSize(); },
        [](TDataManager &m, uint8_t p) { m.ReadRecording(p / 10.0); },
        [](TDataManager &m, uint8_t p) { m.ReadRecording2(p / 10.0); },
        [](TDataManager &m, uint8_t p) { m.SetAdaptationMode(p & 1); },
        [](TDataManager &m, uint8_t) {
            (void)m.GetDeviceTypeText(true);
            (void)m.FormatVersion(false);
            (void)m.FormatSerialNumber();
            (void)m.CheckDeviceProgram(false);
        },
        [](TDataManager &m, uint8_t) {
            (void)m.GetSwitchTempThreshold();
            (void)m.GetRpmWindow();
            (void)m.ColorReducerBelowSwitchTemp();
        },
    };
    return ops;
}

// Every request is C0, a command, its parameters and the 8-bit sum, as long
// as the command's request is.
void CheckRequests(const TMemoryPort &port)
{
    for (const TMemoryPort::Bytes &r : port.Writes()) {
        FUZZ_CHECK(r.size() >= 3);
        FUZZ_CHECK(r[0] == 0xC0);
        FUZZ_CHECK(sim::SimController::Sum(r.data(), r.size() - 1) == r.back());
        const size_t length = sim::SimController::RequestLength(r[1]);
        FUZZ_CHECK(length == 0 || length == r.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const uint8_t kinds[] = {20, 21, 48};
    DeviceRecord = TDeviceRecord{};
    DeviceRecord.DeviceKind = kinds[data[0] % 3];
    DeviceRecord.Ver = QString(QChar(u'A' + (data[0] / 3) % 11));

    TMemoryPort port;
    TDataManager manager;
    manager.SetPort(&port);
    const std::vector<Op> &ops = Operations();
    size_t pos = 1;
    while (pos + 4 <= size) {
        const uint8_t op = data[pos];
        const uint8_t parameter = data[pos + 1];
        const size_t length = std::min<size_t>(data[pos + 2] | size_t(data[pos + 3]) << 8,
                                               size - pos - 4);
        pos += 4;
        port.SetInput(data + pos, length);
        pos += length;
        port.FailNextWrites(op & 0x80 ? 1 : 0);
        port.ClearWrites();
        // The box's late answer may be owed on the shared line: the reader
        // passes over whatever bytes of that frame's start come first.
        if (parameter & 0x80)
            port.OweAnswer({0xD2, 4 + (parameter & 7), 0xEE, 4}, 1 + (parameter >> 6 & 1));
        manager.SetConnected(true);
        DeviceRecord.LinkState = sim::kSimReadyState;
        ops[(op & 0x7F) % ops.size()](manager, parameter);
        CheckRequests(port);
    }
    return 0;
}
