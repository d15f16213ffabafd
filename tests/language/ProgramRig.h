// The whole program in one process, built in the order and with the wiring
// of its main block: the main window with every page, the adapter windows
// docked into it, the secondary windows, against a simulated controller of
// the given kind, with the shipped language files and catalogs.
#pragma once

#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"

#include "adapter/AdapterWiring.h"
#include "adapter/FormMultiAIO.h"
#include "adapter/FormMultiAdapterInfo.h"
#include "adapter/FormMultiOBD.h"
#include "adapter/Logic.h"
#include "adapter/Manager.h"
#include "core/ui/Custom.h"
#include "core/ui/ProgramLogic.h"
#include "program/ProgramWiring.h"
#include "windows/FormAbout.h"
#include "windows/FormAutocalibrationInit.h"
#include "windows/FormConnectStatus.h"
#include "windows/FormPicture.h"
#include "windows/FormWorkingPressure.h"
#include "windows/FrmConfigLevelSensor.h"
#include "windows/FrmSelectComPort.h"

#include <QApplication>
#include <QFrame>
#include <QFile>

#include <functional>
#include <memory>

namespace language {

class ProgramRig
{
public:
    // offline: the controller answers nothing, the program works off-line;
    // image: the controller's settings, set before the program starts.
    ProgramRig(uint8_t kind, char version, const QString &language, bool offline = false,
               const std::function<void(sim::SimControllerState &)> &image = {})
        : Device(Rig.PortsDir, 5, kind, version)
    {
        Device.Server.withLock([&] {
            Device.Controller.State.Silent = offline;
            if (image)
                image(Device.Controller.State);
        });
        QFile ini(Rig.IniPath());
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Settings]\r\nComMultiPort=5\r\nLanguage=" + language.toLatin1() + "\r\n");
        ini.close();
        ProgramLogic = &FProgramLogic;
        FCustom = std::make_unique<TCustom>();
        Custom = FCustom.get();
        FManager = std::make_unique<TManager>();
        Manager = FManager.get();
        FLogic = std::make_unique<TLogic>();
        Logic = FLogic.get();
        Rig.Wire = [this](TFormMain &f) { Wire(f); };
        TFormMain &form = Rig.Create();
        FAbout = std::make_unique<TFormAbout>();
        FormAbout = FAbout.get();
        FLevel = std::make_unique<TFrmConfigLevelSensor>();
        FrmConfigLevelSensor = FLevel.get();
        FPorts = std::make_unique<TFrmSelectComPort>();
        FrmSelectComPort = FPorts.get();
        FPicture = std::make_unique<TFormPicture>();
        FormPicture = FPicture.get();
        FPressure = std::make_unique<TFormWorkingPressure>();
        FormWorkingPressure = FPressure.get();
        FObd = std::make_unique<TFormMultiOBD>();
        FormMultiOBD = FObd.get();
        FAio = std::make_unique<TFormMultiAIO>();
        FormMultiAIO = FAio.get();
        FInfo = std::make_unique<TFormMultiAdapterInfo>();
        FormMultiAdapterInfo = FInfo.get();
        FStatus = std::make_unique<TFormConnectStatus>();
        FormConnectStatus = FStatus.get();
        FAutocal = std::make_unique<TFormAutocalibrationInit>();
        FormAutocalibrationInit = FAutocal.get();
        WireSecondaryWindows(form);
        Rig.Tick(); // adapts to the connected device
        form.SetScreenSizeForCheck(QSize(1920, 1080));
        form.resize(1024, 768);
        form.show();
        Rig.HoldTimer();
        QCoreApplication::processEvents();
    }

    ~ProgramRig()
    {
        Rig.Form.reset();
        FormAutocalibrationInit = nullptr;
        FormConnectStatus = nullptr;
        FormMultiAdapterInfo = nullptr;
        FormMultiAIO = nullptr;
        FormMultiOBD = nullptr;
        FormWorkingPressure = nullptr;
        FormPicture = nullptr;
        FrmSelectComPort = nullptr;
        FrmConfigLevelSensor = nullptr;
        FormAbout = nullptr;
        FAutocal.reset();
        FStatus.reset();
        FInfo.reset();
        FAio.reset();
        FObd.reset();
        FPressure.reset();
        FPicture.reset();
        FPorts.reset();
        FLevel.reset();
        FAbout.reset();
        Logic = nullptr;
        FLogic.reset();
        Manager = nullptr;
        FManager.reset();
        Custom = nullptr;
        FCustom.reset();
        ProgramLogic = nullptr;
    }

    TFormMain &Form() { return *Rig.Form; }

    // The windows of the program other than the main window, whether shown
    // or not (each is shown while it is read).
    static QList<QWidget *> SecondaryWindows(const TFormMain &form)
    {
        QList<QWidget *> out;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != &form && !w->objectName().isEmpty() && !qobject_cast<QMenu *>(w))
                out << w;
        return out;
    }

    startup::StartupRig Rig{5};
    startup::SimDevice Device;

private:
    void Wire(TFormMain &f)
    {
        shellwiring::Wire(f);
        f.Services.ApplyLanguage = [&f] { f.ChangeLanguage(LM->Language, true); };
        // The adapter windows and the pages as the program wires them.
        WireMainWindowToAdapter(f);
        InstallMainWindowPages(f, FProgramLogic);
    }

    TProgramLogic FProgramLogic;
    std::unique_ptr<TCustom> FCustom;
    std::unique_ptr<TManager> FManager;
    std::unique_ptr<TLogic> FLogic;
    std::unique_ptr<TFormAbout> FAbout;
    std::unique_ptr<TFrmConfigLevelSensor> FLevel;
    std::unique_ptr<TFrmSelectComPort> FPorts;
    std::unique_ptr<TFormPicture> FPicture;
    std::unique_ptr<TFormWorkingPressure> FPressure;
    std::unique_ptr<TFormMultiOBD> FObd;
    std::unique_ptr<TFormMultiAIO> FAio;
    std::unique_ptr<TFormMultiAdapterInfo> FInfo;
    std::unique_ptr<TFormConnectStatus> FStatus;
    std::unique_ptr<TFormAutocalibrationInit> FAutocal;
};

} // namespace language
