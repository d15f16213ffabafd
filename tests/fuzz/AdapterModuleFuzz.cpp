// Feeds arbitrary bytes to the adapter module's requests as the box's
// answers: the first byte chooses the request, the rest are the bytes on the
// line. Whatever comes, a request either takes the answer field by field or
// leaves the variables it cleared at zero; a box that passes the usability
// check stays enabled and one that fails it is disabled.
#include "adapter/AdapterProtocol.h"
#include "adapter/DevStateAdapter.h"
#include "adapter/LogicAdapter.h"
#include "adapter/Manager.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/UIState.h"
#include "core/DataManager.h"
#include "fuzz/support/FuzzSupport.h"

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
    std::vector<uint8_t> lastAnswer;

protected:
    bool WritePort(const uint8_t *, int count, int &written) override
    {
        written = count;
        return true;
    }
    bool ReadPort(uint8_t *buffer, int count, int &read) override
    {
        const bool ok = m_input.Read(buffer, count, read);
        // A start byte begins an answer; the reads after it, in whatever
        // pieces the protocol asks for, make up its body.
        if (count == 1)
            lastAnswer.clear();
        else
            lastAnswer.insert(lastAnswer.end(), buffer, buffer + read);
        return ok;
    }
    bool ReadPortFollowing(uint8_t *buffer, int &read) override
    {
        const bool ok = m_input.Read(buffer, 1, read);
        lastAnswer.insert(lastAnswer.end(), buffer, buffer + read);
        return ok;
    }
    void ReleasePortLock() override {}

private:
    fuzz::FedBytes m_input;
};

uint8_t byteOf(const TVariable *v)
{
    return static_cast<uint8_t>(v->GetRawByte(0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::EnsureCoreApplication();
    TDataManager dataManager;
    TDataManager *savedDataManager = DataManager;
    DataManager = &dataManager;
    dataManager.SetConnected(true);
    {
        TManager manager;
        TUIState ui;
        FedProtocol protocol(data + 1, size - 1);
        TModuleAdapter module(nullptr, &ui, manager.GetDeviceState(), &protocol, &manager);
        manager.RegisterModuleVariables();
        ui.Assign(manager.GetDeviceState());
        module.SetEnabled(true);
        FUZZ_CHECK(manager.IsActive());
        TDevStateAdapter &s = *module.DevState();

        switch (data[0] % 4) {
        case 0: {
            const bool ok = module.ReadInfoA();
            const TVariable *fields[] = {s.AdapterMainVersion, s.AdapterReleaseVersion, s.AdapterRevisionVersion,
                                         s.AdapterBootloaderProductName, s.AdapterBootloaderKitType};
            for (int i = 0; i < 5; ++i)
                FUZZ_CHECK(byteOf(fields[i]) == (ok ? protocol.lastAnswer[1 + i] : 0));
            const TVariable *masked[] = {s.AdapterDeviceType, s.AdapterSoftwareOptions, s.AdapterHardwareOptions,
                                         s.AdapterHardwareVersion};
            for (int i = 0; i < 4; ++i)
                FUZZ_CHECK(byteOf(masked[i]) == (ok ? (protocol.lastAnswer[12 + i] & 7) : 0));
            FUZZ_CHECK(s.AdapterProductionSerialNumber->Raw()
                       == (ok ? QByteArray(reinterpret_cast<const char *>(protocol.lastAnswer.data() + 8), 4)
                              : QByteArray(4, '\0')));
            break;
        }
        case 1: {
            const bool ok = module.ReadInfoB();
            QByteArray time(9, '\0'), date(12, '\0');
            if (ok) {
                std::memcpy(time.data(), protocol.lastAnswer.data() + 1, 8);
                std::memcpy(date.data(), protocol.lastAnswer.data() + 9, 11);
            }
            FUZZ_CHECK(s.AdapterCompilationTime->Raw() == time);
            FUZZ_CHECK(s.AdapterCompilationDate->Raw() == date);
            break;
        }
        case 2: {
            // The whole identity and the usability check.
            module.Logic()->CheckAdapterInfo(false);
            const int main = int(s.AdapterMainVersion->GetAsInteger());
            const int product = int(s.AdapterBootloaderProductName->GetAsInteger());
            if (TLogicAdapter::IsIncompatible(main, product))
                FUZZ_CHECK(!module.Enabled() && !manager.IsActive());
            module.Logic()->DescribeAdapter(false);
            module.Logic()->SerialText(true);
            break;
        }
        default: {
            const int result = module.SendTestModeCommand(1);
            FUZZ_CHECK(result == TModuleAdapter::TestModeFailed || (result >= 0 && result <= 0xFFFF));
            FUZZ_CHECK(module.Request0B() >= 0);
            break;
        }
        }
    }
    DataManager = savedDataManager;
    return 0;
}
