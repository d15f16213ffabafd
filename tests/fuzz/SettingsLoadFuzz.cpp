// File > Load of the main window, from any bytes, into a simulated kind-21
// controller that refuses what a real one refuses (a refused parameter gets
// no answer and the link is lost). Whole or nothing on the frames: either no
// write reaches the device and it holds what it held, or every write of the
// load is answered, the link stays up, the load ends with the level
// sensor frames and the word settings the file holds reach the device as
// held, a whole number in any form ("1.6e3", "1600,0") as that number (text,
// a fraction or a number too long for them refuses the file). The
// starting inputs are files the program saved. The window connects over
// the simulator's pseudo-terminal as the program does; the loads then talk
// to the same simulated controller through a port in memory that answers
// every request at once, so no run waits on the line.
#include "core/DataManager.h"
#include "core/IniFile.h"
#include "core/SettingsFile.h"
#include "core/LM.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/StartupRig.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "support/FuzzSupport.h"
#include "support/MemoryPort.h"

#include <QByteArray>
#include <QLocale>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {


bool IsWrite(uint8_t c)
{
    static const uint8_t writes[] = {0x04, 0x08, 0x16, 0x32, 0x34, 0x37, 0x38, 0x52, 0x94, 0x96,
                                     0x98, 0xC1, 0xD1, 0xD3, 0xD5, 0xD9, 0xDA, 0xDE, 0xDF, 0x62};
    return std::find(std::begin(writes), std::end(writes), c) != std::end(writes);
}

struct TRig {
    TProgramLogic Logic;
    startup::StartupRig Startup{5};
    startup::SimDevice Device{Startup.PortsDir, 5, 21, 'E'};
    TFormMain *Form = nullptr;
    TMemoryPort Port;
    sim::SimControllerState Image;
    QString File;

    TRig()
    {
        Device.Server.withLock([&] {
            sim::SimController::ConfiguredKind21(Device.Controller.State);
            Device.Controller.SetConfigurationLimits();
            Image = Device.Controller.State;
        });
        Startup.Wire = [&](TFormMain &f) {
            InstallConfigurationPage(f, Logic);
            TModel2Page::Install(f);
            TModelPage::Install(f);
        };
        Form = &Startup.Create();
        FUZZ_CHECK(DataManager->GetConnected());
        // From here the controller answers in memory, the moment it is asked.
        Port.SetResponder([this](const TMemoryPort::Bytes &request) {
            Port.SetInput(nullptr, 0); // what the last answer left unread is stale
            return request.size() > 1 && request[0] == 0xC0 ? Device.Controller.Handle(request)
                                                             : Device.Probes.answer(request);
        });
        DataManager->SetPort(&Port);
        File = fuzz::TempFolder() + QStringLiteral("/input.ddf");
        Form->SettingsFileDialog = [this](bool, const QString &, const QString &) { return File; };
        Startup.Answer = [](const TMessageBoxInfo &b) { return b.Buttons.contains(mrOk) ? int(mrOk) : b.Buttons.value(0); };
    }
};

TRig &Rig()
{
    static TRig *rig = [] {
        fuzz::EnsureWidgetApplication();
        return new TRig;
    }();
    return *rig;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TRig &rig = Rig();
    FUZZ_CHECK(fuzz::WriteFile(rig.File, fuzz::Bytes(data, size)));
    // The device as it was, shown by the pages as a connect shows it.
    rig.Device.Server.withLock([&] { rig.Device.Controller.State = rig.Image; });
    if (!DataManager->GetConnected() || DataManager->IsDeviceNotReady()) {
        DataManager->Reconnect(5, true);
        DataManager->PollGroup(TDataManager::pgConnect, true);
    }
    FUZZ_CHECK(DataManager->GetConnected());
    // A file refused for its version loads nothing: the pages still show the
    // device, and the next input starts from them without reading it again.
    static bool pagesShowTheDevice = false;
    if (!pagesShowTheDevice) {
        rig.Form->ReadConfiguration();
        rig.Form->ReadModelParams();
    }
    rig.Port.ClearWrites();
    rig.Startup.Boxes.clear();

    rig.Form->MnIFileLoadCnfClick();
    pagesShowTheDevice = rig.Port.Writes().empty() && rig.Startup.Boxes.size() == 1
                         && rig.Startup.Boxes[0].Text.startsWith(LM->Translate(QStringLiteral("strWrongConfFile")));

    std::vector<uint8_t> writes;
    for (const TMemoryPort::Bytes &f : rig.Port.Writes())
        if (f.size() >= 2 && f[0] == 0xC0 && IsWrite(f[1]))
            writes.push_back(f[1]);
    if (writes.empty()) {
        // Nothing: the device holds what it held.
        rig.Device.Server.withLock([&] {
            const sim::SimControllerState &s = rig.Device.Controller.State;
            FUZZ_CHECK(s.Param8 == rig.Image.Param8);
            FUZZ_CHECK(s.Param16 == rig.Image.Param16);
            FUZZ_CHECK(s.Model == rig.Image.Model);
        });
        return 0;
    }
    // Whole: every write answered, the link up, the last step sent.
    FUZZ_CHECK(DataManager->GetConnected());
    FUZZ_CHECK(!DataManager->IsDeviceNotReady());
    FUZZ_CHECK(std::count(writes.begin(), writes.end(), 0x16) == 13);
    FUZZ_CHECK(writes.back() == 0x38);
    // The word settings the file holds reach the device as held.
    TIniFile ini;
    ini.LoadFromBytes(fuzz::Bytes(data, size));
    const std::pair<const char *, int> words[] = {{"Power", 6}, {"EngineCubicCapacity", 7}, {"IdleHotTb", 8},
                                                  {"EmulatorSwitchDelay", 9}, {"PostValveDelay", 10}};
    for (const auto &[key, id] : words) {
        const QString text = ini.ReadString(QStringLiteral("Config"), QLatin1String(key));
        qint64 v = 0;
        if (text.trimmed().isEmpty())
            continue;
        FUZZ_CHECK(TSettingsFile::ParseInteger(text, v));
        // Decimal forms read as the C locale reads them.
        bool decimal = false;
        const double d = QLocale::c().toDouble(QString(text.trimmed()).replace(u',', u'.'), &decimal);
        FUZZ_CHECK(!decimal || double(v) == d);
        rig.Device.Server.withLock([&, i = size_t(id)] { FUZZ_CHECK(rig.Device.Controller.State.Param16[i] == v); });
    }
    return 0;
}
