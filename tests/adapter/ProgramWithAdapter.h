#pragma once
// The main window and the adapter windows wired as the program wires them,
// against the controller and the adapter box simulated on one
// pseudo-terminal; the test runs the main timer's ticks.
#include "common/GiveUp.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"

#include "adapter/AdapterWiring.h"
#include "adapter/FormMultiAIO.h"
#include "adapter/FormMultiAdapterInfo.h"
#include "adapter/FormMultiOBD.h"
#include "adapter/Logic.h"
#include "adapter/Manager.h"
#include "core/ui/Custom.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/UpgraderLogic.h"
#include "windows/FormConnectStatus.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>

namespace adaptertest {

class ProgramWithAdapter
{
public:
    // language: written to the settings file with the message catalogs set
    // up, as the program starts in it; without one the designed texts stay.
    explicit ProgramWithAdapter(const std::function<void(sim::SimAdapterState &)> &box = {}, uint8_t kind = 48,
                                char version = 'I', const char *language = nullptr)
        : Device(Rig.PortsDir, 5, kind, version)
    {
        if (language) {
            QFile ini(Rig.IniPath());
            if (ini.open(QIODevice::WriteOnly))
                ini.write(QByteArray("[Settings]\r\nComMultiPort=5\r\nLanguage=") + language + "\r\n");
            ini.close();
            FCustom = std::make_unique<TCustom>();
            Custom = FCustom.get();
        }
        if (box)
            Device.Server.withLock([&] { box(Device.Adapter.State); });
        ::Manager = &TheManager;
        TheLogic = std::make_unique<TLogic>(nullptr, &TheManager);
        ::Logic = TheLogic.get();
        WireDataManagerToAdapter(*DataManager);
        Rig.Wire = [](TFormMain &f) {
            shellwiring::Wire(f);
            f.ReadingsServices.IsAdapterUpgradePossible = [&f] { return f.IsAdapterUpgradePossible(); };
            WireMainWindowToAdapter(f);
        };
    }
    virtual ~ProgramWithAdapter() { Stop(); }

    // The windows, the adapter logic and the catalogs gone, in reverse order
    // of creation; a second call does nothing.
    void Stop()
    {
        Rig.Form.reset();
        FormMultiAdapterInfo = nullptr;
        FormMultiOBD = nullptr;
        FormMultiAIO = nullptr;
        Info.reset();
        Obd.reset();
        Aio.reset();
        ::Logic = nullptr;
        TheLogic.reset();
        ::Manager = nullptr;
        if (FCustom) {
            Custom = nullptr;
            FCustom.reset();
        }
    }

    // Creation, the adapter windows, the adapter start-up, then shown with
    // the timer stopped so that the test runs the ticks.
    TFormMain &Start()
    {
        TFormMain &form = Rig.Create();
        Obd = std::make_unique<TFormMultiOBD>();
        Aio = std::make_unique<TFormMultiAIO>();
        Info = std::make_unique<TFormMultiAdapterInfo>();
        FormMultiOBD = Obd.get();
        FormMultiAIO = Aio.get();
        FormMultiAdapterInfo = Info.get();
        TheLogic->Startup(false);
        form.SetScreenSizeForCheck(QSize(1024, 768));
        form.resize(1024, 768);
        form.show();
        Rig.HoldTimer();
        QCoreApplication::processEvents();
        return form;
    }

    // Ticks of the main timer, the window's clock moved on by its period each.
    void Tick(int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            Rig.Tick();
            Rig.Now += 200;
        }
    }

    QString AdapterLine() const
    {
        auto *label = Rig.Form->findChild<QLabel *>(QStringLiteral("LblQSAdapterSoftVer"));
        return label ? label->text() : QStringLiteral("<none>");
    }
    std::vector<uint8_t> AdapterCommands() const
    {
        std::vector<uint8_t> out;
        for (const auto &r : Device.AdapterRequests())
            out.push_back(r[1]);
        return out;
    }
    // The adapter's commands once at least count of them have reached the
    // box: on a busy machine the box may take a request in after the
    // program stopped waiting for its answer. Gives up only on a hang.
    std::vector<uint8_t> AdapterCommandsArrived(size_t count) const
    {
        Device.Server.log().waitFor(
            [count](const std::vector<sim::ReceivedFrame> &frames) {
                return size_t(std::count_if(frames.begin(), frames.end(), [](const sim::ReceivedFrame &f) {
                           return !f.bytes.empty() && f.bytes[0] == 0xC2;
                       })) >= count;
            },
            testsupport::GiveUp);
        return AdapterCommands();
    }
    size_t LiveReads() const
    {
        size_t n = 0;
        for (uint8_t c : Device.Commands())
            n += c == 0x0B;
        return n;
    }

    startup::StartupRig Rig{5};
    startup::SimDevice Device;
    TManager TheManager;
    std::unique_ptr<TLogic> TheLogic;
    std::unique_ptr<TFormMultiOBD> Obd;
    std::unique_ptr<TFormMultiAIO> Aio;
    std::unique_ptr<TFormMultiAdapterInfo> Info;

private:
    std::unique_ptr<TCustom> FCustom;
};

// The connection-status dialog and the upgrade objects behind it, made and
// made known as the program's main block does, for as long as they live.
struct ConnectStatusObjects
{
    TBootloaderConfig Config;
    TBootloader40Manager Bootloader;
    TUpgraderLogic Upgrader;
    TFormConnectStatus Dialog;

    ConnectStatusObjects()
    {
        BootloaderConfig = &Config;
        Bootloader40Manager = &Bootloader;
        UpgraderLogic = &Upgrader;
        FormConnectStatus = &Dialog;
    }
    ~ConnectStatusObjects()
    {
        FormConnectStatus = nullptr;
        UpgraderLogic = nullptr;
        Bootloader40Manager = nullptr;
        BootloaderConfig = nullptr;
    }
    ConnectStatusObjects(const ConnectStatusObjects &) = delete;
    ConnectStatusObjects &operator=(const ConnectStatusObjects &) = delete;
};

} // namespace adaptertest
