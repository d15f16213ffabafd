#pragma once
// The main window with the OBD window docked into it, wired as the program
// wires them, against the simulated controller and adapter box on one
// pseudo-terminal; the timer stopped so that the test runs the ticks.

#include "ProgramWithAdapter.h"

#include "adapter/UIStateOBD.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/configuration/CorrectionsPage.h"
#include "program/ProgramWiring.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/UpgradeWiring.h"
#include "upgrade/UpgraderLogic.h"
#include "windows/FormConnectStatus.h"
#include "windows/NamedWidget.h"

#include <QAbstractButton>


namespace obdtest {

// (header, command) of every frame the port carried: C0 the controller's,
// C2 the adapter box's.
using Frame = std::pair<uint8_t, uint8_t>;

class ObdProgram : public adaptertest::ProgramWithAdapter
{
public:
    explicit ObdProgram(const std::function<void(sim::SimAdapterState &)> &box = {}, uint8_t kind = 48,
                        char version = 'I', const char *language = "EN")
        : ProgramWithAdapter(box, kind, version, language)
    {
        ProgramLogic = &TheProgramLogic;
        Rig.Wire = [this, adapter = Rig.Wire](TFormMain &f) {
            adapter(f);
            // The pages as the program's main block installs them.
            InstallMainWindowPages(f, TheProgramLogic);
            Corrections = f.findChild<TCorrectionsPage *>(QStringLiteral("CorrectionsPage"));
        };
    }
    ~ObdProgram() override
    {
        Stop();
        ProgramLogic = nullptr;
    }

    TFormMain &Start()
    {
        TFormMain &form = ProgramWithAdapter::Start();
        Obd->Wait = [](int) {};
        return form;
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

    // The user opens Connection status from the main window's button; the
    // dialog and the upgrade objects behind it are the program's, wired as
    // its main block wires them; script runs while the dialog is shown.
    void WithConnectionStatus(const std::function<void(TFormConnectStatus &)> &script)
    {
        adaptertest::ConnectStatusObjects objects;
        TFormConnectStatus &dialog = objects.Dialog;
        WireSecondaryWindows(*Rig.Form);
        WireUpgradeServices(*Rig.Form);
        SetModalExecHook([&](QDialog *shown) {
            shown->show();
            script(dialog);
            shown->hide();
            return int(QDialog::Accepted);
        });
        shellwiring::Get<QAbstractButton>(*Rig.Form, "BtnQSConnectStatus")->click();
        SetModalExecHook({});
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

    TCorrectionsPage *Corrections = nullptr;
    TProgramLogic TheProgramLogic;
};

} // namespace obdtest
