// The program's main block: the settings layer and the data manager, the
// application, the splash, the nineteen data modules and windows in their
// fixed order, the adapter start-up, the message loop and the teardown in
// reverse order. SIGINT and SIGTERM close the main window like a user would,
// so that the settings are stored and the port is released.
#include "adapter/FormMultiAIO.h"
#include "adapter/FormMultiAdapterInfo.h"
#include "adapter/FormMultiOBD.h"
#include "adapter/Logic.h"
#include "adapter/Manager.h"
#include "core/AppConfig.h"
#include "core/ComMultiPort.h"
#include "core/DataManager.h"
#include "core/FileLogger.h"
#include "core/LM.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/ProgramEnd.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/UpgraderLogic.h"
#include "windows/FormAbout.h"
#include "windows/FormAutocalibrationInit.h"
#include "windows/FormConnectStatus.h"
#include "windows/FormPicture.h"
#include "windows/FormWorkingPressure.h"
#include "windows/FrmConfigLevelSensor.h"
#include "windows/FrmSelectComPort.h"
#include "windows/FrmWinetka.h"
#include "program/ProgramWiring.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

int SignalPipe[2] = {-1, -1};
// A stop signal arrived (possibly while the window was still being created,
// before the message loop runs).
bool StopRequested = false;

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(SignalPipe[1], &byte, 1);
}

// Lets SIGINT and SIGTERM end the message loop through the main window's
// normal close.
void installSignalHandlers(QObject *owner)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, SignalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(SignalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        StopRequested = true;
        // A box open now (or opened while closing) would keep the program
        // waiting for an answer nobody gives: open ones are dismissed with
        // their escape answer, later ones are not shown.
        TCommon::SetEnding(true);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible() && dialog->isModal())
                dialog->reject();
        if (FormMain)
            FormMain->close();
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    // 1. The settings layer (settings object, serial port, edition
    // parameters) and the data manager.
    CreateSettingsObjects();
    // The configuration helper logic outlives the data manager, which calls it.
    auto programLogic = std::make_unique<TProgramLogic>();
    ProgramLogic = programLogic.get();
    auto dataManager = std::make_unique<TDataManager>();
    DataManager = dataManager.get();

    // 2.
    QApplication app(argc, argv);
    TCommon::InstallAnswersFromEnvironment();
    installSignalHandlers(&app);

    // The nineteen objects, owned here and destroyed in reverse order.
    std::vector<std::unique_ptr<QObject>> objects;
    auto keep = [&objects](auto *object) {
        objects.emplace_back(object);
        return object;
    };

    int result = 0;
    std::exception_ptr creationError;
    // 3.
    try {
        ShowSplash();
        QCoreApplication::setApplicationName(QStringLiteral("taron"));
        TCommon::SetApplicationTitle(QString());

        LM = keep(new TLM);
        Common = keep(new TCommon);
        LM->MessageHook = [](const QString &message) {
            if (Common)
                Common->ShowError(message);
        };
        Custom = keep(new TCustom);
        Manager = keep(new TManager);
        Logic = keep(new TLogic);
        BootloaderConfig = keep(new TBootloaderConfig);
        Bootloader40Manager = keep(new TBootloader40Manager);
        UpgraderLogic = keep(new TUpgraderLogic);
        WireDataManagerHooks();

        auto *form = keep(new TFormMain);
        FormMain = form;
        // The program ends when this window closes, whatever other window
        // (a service tool's, a box) closes while it is hidden.
        CreateMainWindow(*form, [](TFormMain &f) {
            WireMainWindowServices(f);
            InstallMainWindowPages(f, *ProgramLogic);
        });

        FormAbout = keep(new TFormAbout);
        FrmConfigLevelSensor = keep(new TFrmConfigLevelSensor);
        FrmSelectComPort = keep(new TFrmSelectComPort);
        FormPicture = keep(new TFormPicture);
        FormWorkingPressure = keep(new TFormWorkingPressure);
        FormMultiOBD = keep(new TFormMultiOBD);
        FormMultiAIO = keep(new TFormMultiAIO);
        FormMultiAdapterInfo = keep(new TFormMultiAdapterInfo);
        FormConnectStatus = keep(new TFormConnectStatus);
        FormAutocalibrationInit = keep(new TFormAutocalibrationInit);
        WireSecondaryWindows(*form);
    } catch (...) {
        creationError = std::current_exception();
    }
    // The adapter start-up runs whatever happened above.
    try {
        if (Logic)
            Logic->Startup(false);
    } catch (const std::exception &e) {
        LogToFile(QStringLiteral("Start-up: %1").arg(QString::fromUtf8(e.what())));
    }

    if (creationError) {
        try {
            std::rethrow_exception(creationError);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "taron: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "taron: start-up failed\n");
        }
        result = 1;
    } else {
        // 4.
        if (!StopRequested) {
            FormMain->show();
            result = app.exec();
        }
        // However the loop ended, the window closes normally (settings stored).
        if (FormMain && FormMain->isVisible())
            FormMain->close();
    }
    HideSplash();

    // 5. Teardown in reverse order of creation; the port goes last.
    FormMain = nullptr;
    while (!objects.empty())
        objects.pop_back();
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
    UpgraderLogic = nullptr;
    Bootloader40Manager = nullptr;
    BootloaderConfig = nullptr;
    Logic = nullptr;
    Manager = nullptr;
    Custom = nullptr;
    Common = nullptr;
    LM = nullptr;
    if (ComMultiPort)
        ComMultiPort->Close();
    DataManager = nullptr;
    dataManager.reset();
    FreeSettingsObjects();
    return result;
}
