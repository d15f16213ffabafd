#pragma once
// The main window with the OBD window docked into it, wired as the program
// wires them, against the simulated controller and adapter box on one
// pseudo-terminal; the timer stopped so that the test runs the ticks.

#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"

#include "adapter/AdapterWiring.h"
#include "adapter/FormMultiAIO.h"
#include "adapter/FormMultiAdapterInfo.h"
#include "adapter/FormMultiOBD.h"
#include "adapter/Logic.h"
#include "adapter/Manager.h"
#include "adapter/UIStateOBD.h"
#include "core/ui/Custom.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/configuration/CorrectionsPage.h"
#include "program/ProgramWiring.h"

#include <QFile>

#include <memory>

namespace obdtest {

// (header, command) of every frame the port carried: C0 the controller's,
// C2 the adapter box's.
using Frame = std::pair<uint8_t, uint8_t>;

class ObdProgram
{
public:
    explicit ObdProgram(const std::function<void(sim::SimAdapterState &)> &box = {}, uint8_t kind = 48,
                        char version = 'I', const char *language = "EN")
        : Device(Rig.PortsDir, 5, kind, version)
    {
        QFile ini(Rig.IniPath());
        if (ini.open(QIODevice::WriteOnly))
            ini.write(QByteArray("[Settings]\r\nComMultiPort=5\r\nLanguage=") + language + "\r\n");
        ini.close();
        if (box)
            Device.Server.withLock([&] { box(Device.Adapter.State); });
        FCustom = std::make_unique<TCustom>();
        Custom = FCustom.get();
        ::Manager = &TheManager;
        TheLogic = std::make_unique<TLogic>(nullptr, &TheManager);
        ::Logic = TheLogic.get();
        WireDataManagerToAdapter(*DataManager);
        ProgramLogic = &TheProgramLogic;
        Rig.Wire = [this](TFormMain &f) {
            shellwiring::Wire(f);
            WireMainWindowToAdapter(f);
            // The pages as the program's main block installs them.
            InstallMainWindowPages(f, TheProgramLogic);
            Corrections = f.findChild<TCorrectionsPage *>(QStringLiteral("CorrectionsPage"));
        };
    }
    ~ObdProgram()
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
        Custom = nullptr;
        FCustom.reset();
        ProgramLogic = nullptr;
    }

    TFormMain &Start()
    {
        TFormMain &form = Rig.Create();
        Obd = std::make_unique<TFormMultiOBD>();
        Aio = std::make_unique<TFormMultiAIO>();
        Info = std::make_unique<TFormMultiAdapterInfo>();
        FormMultiOBD = Obd.get();
        FormMultiAIO = Aio.get();
        FormMultiAdapterInfo = Info.get();
        Obd->Wait = [](int) {};
        TheLogic->Startup(false);
        form.SetScreenSizeForCheck(QSize(1024, 768));
        form.resize(1024, 768);
        form.show();
        form.Timerek->stop();
        QCoreApplication::processEvents();
        return form;
    }

    void Tick()
    {
        Rig.Tick();
        Rig.Now += 200;
    }

    // The user opens the adapter page, its OBD tab and then the OBD page.
    void ShowObdPage(const char *page)
    {
        shellwiring::ClickTab(*Rig.Form, "TbSAdapter");
        shellwiring::ClickTab(*Rig.Form, "TbSAdapterMultiOBD");
        if (Obd->PgCMain->currentWidget()->objectName() != QLatin1String(page))
            shellwiring::ClickTab(*Rig.Form, page);
        QCoreApplication::processEvents();
    }

    std::vector<Frame> Frames() const
    {
        std::vector<Frame> out;
        for (const auto &f : Device.Server.log().frames())
            if (f.bytes.size() >= 2)
                out.emplace_back(f.bytes[0], f.bytes[1]);
        return out;
    }
    // Only the adapter's requests, whole.
    std::vector<sim::Bytes> AdapterRequests() const { return Device.AdapterRequests(); }
    void ClearLog() { Device.Server.log().clear(); }

    template <typename Fn>
    void Box(Fn &&fn)
    {
        Device.Server.withLock([&] { fn(Device.Adapter.State); });
    }

    startup::StartupRig Rig{5};
    startup::SimDevice Device;
    TManager TheManager;
    std::unique_ptr<TLogic> TheLogic;
    std::unique_ptr<TFormMultiOBD> Obd;
    std::unique_ptr<TFormMultiAIO> Aio;
    std::unique_ptr<TFormMultiAdapterInfo> Info;
    TCorrectionsPage *Corrections = nullptr;

    TProgramLogic TheProgramLogic;

private:
    std::unique_ptr<TCustom> FCustom;
};

} // namespace obdtest
