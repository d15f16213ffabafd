#pragma once
// The controller and the adapter box simulated on one pseudo-terminal, the
// program's port open on it, and the adapter manager and logic on that port,
// hooked to the data manager as the program hooks them.

#include "adapter/Logic.h"
#include "adapter/Manager.h"
#include "core/ComMultiPort.h"
#include "sim/SimAdapter.h"
#include "sim/SimControllerFixture.h"

#include <memory>
#include <vector>

namespace adaptertest {

class AdapterRig
{
public:
    AdapterRig()
    {
        Box.Install(Rig.Server);
        FSavedPort = ComMultiPort;
        ComMultiPort = &Rig.Port;
        FSavedManager = ::Manager;
        ::Manager = &Manager;
        Logic = std::make_unique<TLogic>(nullptr, &Manager);
        ::Logic = Logic.get();
        Rig.Manager.OnLinkActiveChanged = [this](bool active) { Manager.SetActive(active); };
        Rig.Manager.IsModuleManagerActive = [this] { return Manager.IsActive(); };
        Rig.Manager.OnSyncAfterDetect = [this](int port) { Logic->SyncAfterDetect(port); };
    }
    ~AdapterRig()
    {
        ::Logic = nullptr;
        Logic.reset();
        ::Manager = FSavedManager;
        ComMultiPort = FSavedPort;
    }

    // Connects the controller and runs the adapter start-up; the log then
    // holds the start-up's adapter requests.
    bool ConnectAndStart()
    {
        if (!Rig.Connect())
            return false;
        Logic->Startup(false);
        return true;
    }

    // Adapter requests received since the log was last cleared.
    std::vector<sim::Bytes> AdapterRequests() const
    {
        std::vector<sim::Bytes> out;
        for (const auto &f : Rig.Server.log().frames())
            if (!f.bytes.empty() && f.bytes[0] == 0xC2)
                out.push_back(f.bytes);
        return out;
    }
    size_t ControllerRequests() const
    {
        size_t n = 0;
        for (const auto &f : Rig.Server.log().frames())
            if (!f.bytes.empty() && f.bytes[0] == 0xC0)
                ++n;
        return n;
    }

    // One work step of the manager.
    void Step() { Manager.TimerThreadWorkStep(nullptr); }

    template <typename Fn>
    void BoxState(Fn &&fn)
    {
        Rig.Server.withLock([&] { fn(Box.State); });
    }

    sim::SimControllerRig Rig;
    sim::SimAdapter Box;
    TManager Manager;
    std::unique_ptr<TLogic> Logic;

private:
    TComMultiPort *FSavedPort = nullptr;
    TManager *FSavedManager = nullptr;
};

// Command bytes of the requests.
inline std::vector<uint8_t> Commands(const std::vector<sim::Bytes> &requests)
{
    std::vector<uint8_t> out;
    for (const auto &r : requests)
        out.push_back(r.size() > 1 ? r[1] : 0);
    return out;
}

} // namespace adaptertest
