#pragma once
// A simulated controller on a pseudo-terminal linked as COM5, the program's
// serial port opened on it with the global port's settings, and a data
// manager speaking through it. Header-only so that test and benchmark
// programs can share it.

#include "core/ComMultiPort.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "sim/SimController.h"
#include "sim/SimServer.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// A real port that records each read: the bytes asked for and those that
// came. A read that got fewer ran out the port's wait (the reads end as
// soon as their bytes are in), so counting them counts the waits.
class ReadRecordingPort : public TComMultiPort
{
public:
    bool ReadData(void *buffer, int count, int &got) override
    {
        const bool ok = TComMultiPort::ReadData(buffer, count, got);
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            reads.emplace_back(count, got);
        }
        if (got < count && OnWaitRunOut)
            OnWaitRunOut();
        return ok;
    }
    // Called in the reading thread right after a read ran out the port's
    // wait: what comes on the line from here on came after the wait.
    std::function<void()> OnWaitRunOut;
    // Reads that ran out the port's wait since the reads were cleared.
    long Waits()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return std::count_if(reads.begin(), reads.end(), [](const auto &r) { return r.second < r.first; });
    }
    std::vector<std::pair<int, int>> reads;

private:
    std::mutex m_mutex;
};

class SimControllerRig
{
public:
    static constexpr int kComPort = 5;

    explicit SimControllerRig(uint8_t kind = 48, char version = 'G', bool paced = false)
        : Controller(kind, version)
    {
        if (!FDir.isValid())
            throw std::runtime_error("no temporary folder");
        const std::string ports = FDir.path().toStdString();
        ::setenv("PORTS_DIR", ports.c_str(), 1);
        Controller.Install(Server);
        Server.setPaced(paced);
        std::string error;
        if (!Server.start(&error) || !Server.linkAs(ports, kComPort, &error))
            throw std::runtime_error(error);
        ApplyProgramPortSettings(Port);
        Port.SetComDevice(kComPort);
        Port.Open();
        Manager.SetPort(&Port);
        FSavedManager = DataManager;
        DataManager = &Manager;
        DeviceRecord.Clear();
    }

    ~SimControllerRig()
    {
        DataManager = FSavedManager;
        Port.Close();
        Server.stop();
        DeviceRecord.Clear();
    }

    // Identifies the device and marks the link ready, as a connect does.
    bool Connect()
    {
        if (!Manager.DetectDevice())
            return false;
        Manager.ReadAllPages();
        Manager.SendCmd3F();
        Server.log().clear();
        return Manager.GetConnected() && !Manager.IsDeviceNotReady();
    }

    // Requests the controller received since the last clear.
    std::vector<Bytes> Requests() const { return Server.log().bytes(); }

    // Changes the controller's image between frames.
    template <typename Fn>
    void Device(Fn &&fn)
    {
        Server.withLock([&] { fn(Controller.State); });
    }

    SimServer Server;
    SimController Controller;
    ReadRecordingPort Port;
    TDataManager Manager;

private:
    QTemporaryDir FDir;
    TDataManager *FSavedManager = nullptr;
};

// A request frame with its checksum, for comparisons.
inline Bytes Request(std::initializer_list<uint8_t> body)
{
    Bytes b;
    b.reserve(body.size() + 2);
    b.push_back(0xC0);
    for (uint8_t v : body)
        b.push_back(v);
    b.push_back(sum8(b, b.size()));
    return b;
}

} // namespace sim
