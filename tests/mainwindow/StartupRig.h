#pragma once
// The main window started as the program starts it, against simulated
// devices on pseudo-terminals linked as COM ports in a temporary ports
// folder, with the settings file in a temporary config folder, a clock the
// test moves by hand and every box answered by the test.

#include "common/WaitUntil.h"
#include "core/AppConfig.h"
#include "core/ComMultiPort.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "mainwindow/shell/FormMain.h"
#include "sim/SimAdapter.h"
#include "sim/SimController.h"
#include "sim/SimProbes.h"
#include "sim/SimServer.h"

#include <QCoreApplication>
#include <QTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace startup {

// A controller of kind 48, version "I", with a plausible image, answering the
// detector's probes and the controller protocol on COM<n>.
class SimDevice
{
public:
    SimDevice(const QString &portsDir, int com, uint8_t kind = 48, char version = 'I')
        : Controller(kind, version)
    {
        auto &s = Controller.State;
        s.Value16[28] = 2;
        s.Payload[0x03][4] = 15;
        s.Payload[0xD8][1] = 15;
        s.Pages[4] = 0; // no device error
        s.Pages[5] = 0; // no auto-calibration running
        // The box's bootloader takes its frames before the probes do.
        Server.addHandler(Adapter.MakeBootloaderHandler());
        Probes.install(Server);
        Controller.Install(Server);
        // The adapter box shares the port.
        Adapter.Install(Server);
        Probes.attach(Controller, Server);
        Probes.present(kind == 20 ? 2 : kind == 21 ? 3 : 4);
        std::string error;
        if (!Server.start(&error) || !Server.linkAs(portsDir.toStdString(), com, &error))
            throw std::runtime_error(error);
    }
    ~SimDevice() { Server.stop(); }

    // Command bytes of the controller requests received, in order.
    std::vector<uint8_t> Commands() const
    {
        std::vector<uint8_t> out;
        for (const auto &f : Server.log().frames())
            if (f.bytes.size() >= 2 && f.bytes[0] == 0xC0)
                out.push_back(f.bytes[1]);
        return out;
    }

    // Controller requests with the command code, whole.
    std::vector<sim::Bytes> Requests(uint8_t command) const
    {
        std::vector<sim::Bytes> out;
        for (const auto &f : Server.log().frames())
            if (f.bytes.size() >= 2 && f.bytes[0] == 0xC0 && f.bytes[1] == command)
                out.push_back(f.bytes);
        return out;
    }

    // Adapter-box requests with the command code, whole.
    std::vector<sim::Bytes> AdapterRequests() const
    {
        std::vector<sim::Bytes> out;
        for (const auto &f : Server.log().frames())
            if (f.bytes.size() >= 2 && f.bytes[0] == 0xC2)
                out.push_back(f.bytes);
        return out;
    }

    sim::SimServer Server;
    sim::SimController Controller;
    sim::SimAdapter Adapter;
    sim::SimProbes Probes;
};

class StartupRig
{
public:
    // settingsPort: the port number in the settings file.
    explicit StartupRig(int settingsPort = 5, bool offline = false, bool autoSearch = false)
    {
        if (!FDir.isValid())
            throw std::runtime_error("no temporary folder");
        PortsDir = FDir.filePath(QStringLiteral("ports"));
        ConfigDir = FDir.filePath(QStringLiteral("config"));
        QDir().mkpath(PortsDir);
        QDir().mkpath(ConfigDir);
        ::setenv("PORTS_DIR", PortsDir.toLocal8Bit().constData(), 1);
        ::setenv("XDG_CONFIG_HOME", ConfigDir.toLocal8Bit().constData(), 1);
        QFile ini(IniPath());
        if (!ini.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write the settings file");
        ini.write(QStringLiteral("[Settings]\r\nComMultiPort=%1\r\nLanguage=PL\r\nOfflineMode=%2\r\n"
                                 "AutoSearch=%3\r\n")
                      .arg(settingsPort)
                      .arg(offline ? 1 : 0)
                      .arg(autoSearch ? 1 : 0)
                      .toLatin1());
        ini.close();

        DeviceRecord.Clear();
        CreateSettingsObjects();
        FDataManager = std::make_unique<TDataManager>();
        DataManager = FDataManager.get();
        DataManager->OnChangePort = [](int port) { AppConfig->SetComDevice(port, true); };
        FLM = std::make_unique<TLM>();
        LM = FLM.get();
        FCommon = std::make_unique<TCommon>();
        Common = FCommon.get();
        TCommon::SetAnswerProvider([this](const TMessageBoxInfo &box) {
            Boxes.push_back(box);
            return Answer ? Answer(box) : (box.Buttons.isEmpty() ? int(mrOk) : box.Buttons.first());
        });
        TFormMain::SetClock([this] { return Now; });
    }

    ~StartupRig()
    {
        Form.reset();
        TFormMain::SetClock({});
        TCommon::SetAnswerProvider({});
        Common = nullptr;
        FCommon.reset();
        LM = nullptr;
        FLM.reset();
        DataManager = nullptr;
        FDataManager.reset();
        FreeSettingsObjects();
        DeviceRecord.Clear();
    }

    QString IniPath() const
    {
        return ConfigDir + QLatin1Char('/')
               + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
               + QStringLiteral(".INI");
    }

    QString IniText() const
    {
        QFile f(IniPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }

    // Creates the window as the main block does.
    TFormMain &Create(const QStringList &arguments = {})
    {
        Form = std::make_unique<TFormMain>();
        Form->CommandLine = arguments;
        if (Wire)
            Wire(*Form);
        Form->FormCreate();
        return *Form;
    }

    // One tick as the timer runs it.
    void Tick() { Form->TimerekTimer(Form->Timerek); }

    // From here on the window's own timer never fires, whether stopped or
    // switched on again by a page change: the test runs each tick (Tick),
    // and a busy machine cannot slip one in while events are processed.
    void HoldTimer()
    {
        Form->Timerek->stop();
        Form->Timerek->installEventFilter(&FTimerHold);
    }

    // Lets the event loop run (the window's own timer included), then what
    // is still pending: on a busy machine the time may be over before the
    // events posted before the call have all run.
    static void Run(int milliseconds)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
    }

    // Texts of the boxes shown so far.
    QStringList BoxTexts() const
    {
        QStringList out;
        for (const auto &b : Boxes)
            out << b.Text;
        return out;
    }

    QString PortsDir;
    QString ConfigDir;
    qint64 Now = 1000;
    std::vector<TMessageBoxInfo> Boxes;
    std::function<int(const TMessageBoxInfo &)> Answer;
    std::function<void(TFormMain &)> Wire;
    std::unique_ptr<TFormMain> Form;

private:
    // Swallows the timer events of the object it filters.
    class TimerHold : public QObject
    {
    public:
        bool eventFilter(QObject *, QEvent *event) override { return event->type() == QEvent::Timer; }
    };

    TimerHold FTimerHold;
    QTemporaryDir FDir;
    std::unique_ptr<TDataManager> FDataManager;
    std::unique_ptr<TLM> FLM;
    std::unique_ptr<TCommon> FCommon;
};

} // namespace startup
