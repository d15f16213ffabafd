// The OBD module's answer decoders fed with answers chosen by the input: each
// exchange takes an outcome byte (silence, an error frame or an answer) and
// the answer's data bytes from the input, framed with a correct sum so that
// the decoders themselves are reached. Properties: a failed exchange changes
// no variable, settings read are written back byte for byte, and every
// decoded reading stays within the range its scaling allows.
#include "adapter/BaseProtocol.h"
#include "adapter/DeviceState.h"
#include "adapter/DevStateOBD.h"
#include "adapter/ModuleOBD.h"
#include "adapter/UIState.h"
#include "fuzz/support/FuzzSupport.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

class ScriptedProtocol : public TBaseProtocol
{
public:
    ScriptedProtocol() : TBaseProtocol(0xC2, 0xD2, 0xEE, 4) {}

    // The answers of the next exchanges come from these bytes.
    void Script(const uint8_t *data, size_t size)
    {
        FData = data;
        FSize = size;
        FAt = 0;
        Failed = false;
        LastRequest.clear();
    }

    bool Send(const std::uint8_t *, int) override { return true; }
    bool Receive(std::uint8_t *, bool &, int) override { return false; }
    bool Execute(const std::uint8_t *request, int &written, int requestCount, std::uint8_t *answer, bool &isError,
                 int answerCount) override
    {
        written = requestCount;
        LastRequest.assign(request, request + requestCount);
        isError = false;
        const uint8_t outcome = Next();
        if (outcome % 8 == 0 || FAt > FSize) {
            Failed = true;
            return false;
        }
        if (outcome % 8 == 1) {
            const uint8_t error[4] = {0xD2, 0xEE, 0x01, uint8_t(0xD2 + 0xEE + 0x01)};
            std::memcpy(answer, error, size_t(std::min(answerCount, 4)));
            isError = true;
            Failed = true;
            return true;
        }
        Failed = false;
        uint8_t sum = answer[0] = 0xD2;
        for (int i = 1; i < answerCount - 1; ++i)
            sum = uint8_t(sum + (answer[i] = Next()));
        answer[answerCount - 1] = sum;
        return true;
    }

    std::vector<uint8_t> LastRequest;
    bool Failed = false;
    bool Exhausted() const { return FAt >= FSize; }

private:
    uint8_t Next() { return FAt < FSize ? FData[FAt++] : (FAt++, 0); }
    const uint8_t *FData = nullptr;
    size_t FSize = 0;
    size_t FAt = 0;
};

// A module that counts as active whatever its exchanges report.
class AlwaysActiveOBD : public TModuleOBD
{
public:
    using TModuleOBD::TModuleOBD;
    bool IsActive() const override { return true; }
};

bool Within(double v, double low, double high) { return std::isfinite(v) && v >= low - 1e-9 && v <= high + 1e-9; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::EnsureCoreApplication();
    // The module built once; every input starts from its bytes as built.
    struct TRig {
        TDeviceState device;
        TUIState ui;
        ScriptedProtocol protocol;
        AlwaysActiveOBD obd{nullptr, nullptr, &ui, &device, &protocol, nullptr};
        std::vector<QByteArray> deviceBytes = fuzz::RawBytes(*obd.DevState());
    };
    static TRig *rig = new TRig;
    ScriptedProtocol &protocol = rig->protocol;
    AlwaysActiveOBD &obd = rig->obd;
    TDevStateOBD &d = *obd.DevState();
    fuzz::RestoreRawBytes(d, rig->deviceBytes);
    protocol.Script(data + 1, size - 1);

    for (int step = 0; step < 24 && !protocol.Exhausted(); ++step) {
        const auto before = fuzz::RawBytes(d);
        const int which = (data[0] + step * 7) % 14;
        bool ok = false;
        switch (which) {
        case 0: ok = obd.ReadConfig(); break;
        case 1: ok = obd.ReadState(); break;
        case 2: ok = obd.ReadSupportedPids(); break;
        case 3: ok = obd.ReadAllowedPids(); break;
        case 4: ok = obd.ReadReadings(); break;
        case 5: ok = obd.ReadTroubleCodeState(); break;
        case 6: ok = obd.ReadCodeListA(); break;
        case 7: ok = obd.ReadCodeListB(); break;
        case 8: ok = obd.ReadFreezeFrameData(); break;
        case 9: ok = obd.ReadLambdaSensors(1 + step % 2); break;
        case 10: ok = obd.ReadWidebandSensors(1 + step % 2); break;
        case 11: ok = obd.ReadLiveTable(1 + (step * 13) % 52); break;
        case 12: ok = obd.CheckPresence(false) != 0; break;
        default: {
            // Settings read, then written: the same eleven bytes go back.
            if (obd.ReadConfig() && !protocol.Failed) {
                std::vector<uint8_t> read(d.OBDProtocol_EE->Raw().begin(), d.OBDProtocol_EE->Raw().end());
                obd.WriteConfig();
                FUZZ_CHECK(protocol.LastRequest.size() == 14);
                FUZZ_CHECK(protocol.LastRequest[2] == uint8_t(read[0]));
                FUZZ_CHECK(protocol.LastRequest[3] == d.OBDConfig_1_EE->GetRawByte(0));
                FUZZ_CHECK(protocol.LastRequest[11] == d.OBDAdaptMinRPM_EE->GetRawByte(0));
            }
            continue;
        }
        }
        if (protocol.Failed)
            FUZZ_CHECK(!ok || which == 12);
        if (protocol.Failed && which != 12)
            FUZZ_CHECK(fuzz::RawBytes(d) == before);
    }
    // Every reading within its scaling's range.
    for (TVariable *v : {d.OBDStFtB1, d.OBDLtFtB1, d.OBDStFtB2, d.OBDLtFtB2})
        FUZZ_CHECK(Within(v->GetAsFloat(), -100.0, 99.3));
    FUZZ_CHECK(Within(d.OBDLoad->GetAsFloat(), 0, 100));
    FUZZ_CHECK(Within(d.OBDCoolantTemp->GetAsFloat(), -40, 215));
    FUZZ_CHECK(Within(d.OBDTimingAdvance->GetAsFloat(), -64, 63.5));
    FUZZ_CHECK(Within(d.OBDRPM->GetAsFloat(), 0, 16383));
    for (int k = 0; k < 8; ++k) {
        FUZZ_CHECK(Within(d.OBDLambda[k]->GetAsFloat(), 0, 1.275));
        const double trim = d.OBDLambdaStft[k]->GetAsFloat();
        FUZZ_CHECK(trim == 255.0 || Within(trim, -100, 99.3));
        FUZZ_CHECK(Within(d.OBDLambdaUEGOCurrent[k]->GetAsFloat(), -128, 128));
    }
    for (int i = 0; i < 7; ++i)
        FUZZ_CHECK((d.GetCodeA(i) & 0xFF00u) == 0);
    return 0;
}
