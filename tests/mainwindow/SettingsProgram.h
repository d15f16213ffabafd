#pragma once
// The program against a simulated controller with every page and window a
// settings file's save and load go through, wired as the program wires them,
// and the settings two states of the controller differ in.

#include "core/DeviceRecord.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/CorrectionsPage.h"
#include "mainwindow/configuration/MapPage.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "windows/ConfigurationPagesWiring.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace settingsprogram {

using sim::Bytes;
using sim::SimController;
using sim::SimControllerState;

// A simulated device (kind-20/21 ones configured, then changed by `image`)
// with the device's ranges, and the window with the pages a settings file
// reaches.
struct SettingsProgram {
    explicit SettingsProgram(uint8_t kind = 21, char version = 'E') : Device{Rig.PortsDir, 5, kind, version} {}
    TProgramLogic Logic;
    startup::StartupRig Rig{5};
    startup::SimDevice Device;

    TFormMain &Create(const std::function<void(SimControllerState &)> &image = {})
    {
        Device.Server.withLock([&] {
            SimControllerState &s = Device.Controller.State;
            if (s.Kind != 48)
                sim::SimController::ConfiguredKind21(s);
            if (image)
                image(s);
            if (s.Kind == 48)
                Device.Controller.SetKind48Limits();
            else
                Device.Controller.SetConfigurationLimits();
        });
        Rig.Wire = [this](TFormMain &f) {
            InstallConfigurationPage(f, Logic);
            TModel2Page::Install(f);
            TModelPage::Install(f);
            if (MoreWiring)
                MoreWiring(f);
        };
        return Rig.Create();
    }
    // Further pages and windows, wired before the window's creation steps.
    std::function<void(TFormMain &)> MoreWiring;
};

// The pages and windows a settings file's save and load go through, wired
// as the program wires them; every box answered with OK (or its first
// button).
inline void WireSettingsLoad(SettingsProgram &program)
{
    program.Rig.Answer = [](const TMessageBoxInfo &b) { return b.Buttons.contains(mrOk) ? int(mrOk) : b.Buttons.value(0); };
    program.MoreWiring = [&program](TFormMain &f) {
        shellwiring::Wire(f);
        auto *model2 = f.PageLogic<TModel2Page>("Model2Page");
        auto *model = f.PageLogic<TModelPage>("ModelPage");
        model2->Hooks.UpdateOptionFlags = [&program] { program.Logic.UpdateOptionFlags(); };
        model2->Hooks.SelectWorkPressure = [&program](bool write) { program.Logic.SelectWorkPressure(write); };
        model->Hooks.UpdateLastChangeInfo = model2->Hooks.UpdateLastChangeInfo = [&f](bool modified) {
            return f.UpdateLastChangeInfo(modified);
        };
        auto *map = TMapPage::Install(f);
        map->Model = model;
        map->Model2 = model2;
        TCorrectionsPage::Install(f);
        WireConfigurationPagesToWindows(f);
        f.InstallChangeRecordQuery();
    };
}

// Every setting the simulated controller holds, by name, where two states
// differ (the change history and the live values aside).
inline std::string SettingsDifferences(const SimControllerState &a, const SimControllerState &b)
{
    std::string out;
    // A kind-48 controller holds its base parameters in its 0xD8 block.
    auto held = [&a](const char *name, size_t i) {
        const int width = name == std::string("8") ? 8 : name == std::string("16") ? 16 : 0;
        return !(a.Kind == 48 && width && SimController::Kind48BlockHolds(width, uint8_t(i)));
    };
    auto table = [&out, &held](const char *name, const auto &x, const auto &y) {
        for (size_t i = 0; i < x.size(); ++i)
            if (x[i] != y[i] && held(name, i))
                out += std::string(name) + "/" + std::to_string(i) + "=" + std::to_string(int(x[i])) + "/"
                       + std::to_string(int(y[i])) + " ";
    };
    table("8", a.Param8, b.Param8);
    table("16", a.Param16, b.Param16);
    table("model", a.Model, b.Model);
    for (size_t page = 0; page < 2; ++page) {
        table(page ? "D4/1" : "D4/0", a.MapD4[page], b.MapD4[page]);
        table(page ? "95/1" : "95/0", a.Model2[page], b.Model2[page]);
        table(page ? "bank2" : "bank1", a.AdaptBanks[page], b.AdaptBanks[page]);
    }
    for (size_t row = 0; row < a.RowsDC.size(); ++row)
        table(("DC/" + std::to_string(row)).c_str(), a.RowsDC[row], b.RowsDC[row]);
    for (const auto &[command, payload] : a.Payload) {
        const auto other = b.Payload.find(command);
        // The change history is no setting; the injector drive profile
        // (0x17) goes out with the injector type whenever the configuration
        // is written.
        if (command != 0x54 && command != 0x17 && (other == b.Payload.end() || other->second != payload))
            table(("block " + std::to_string(command)).c_str(), payload,
                  other == b.Payload.end() ? Bytes(payload.size(), 0) : other->second);
    }
    if (a.Words != b.Words)
        out += "words ";
    if (a.Counters != b.Counters)
        out += "counters ";
    return out;
}

// A program run against a controller of the kind and letter holding values
// of its own (the high or the low ends), connected and ticked once.
// more: further changes to the controller before the program starts.
struct OwnProgram : SettingsProgram {
    OwnProgram(uint8_t kind, char version, bool highEnds,
               const std::function<void(SimControllerState &)> &more = {})
        : SettingsProgram{kind, version}
    {
        WireSettingsLoad(*this);
        Form = &Create([highEnds, &more](SimControllerState &s) {
            if (s.Kind == 20)
                s.Param8[28] = 1; // the sensor of its variant
            SimController::OwnSettings(s, highEnds);
            if (more)
                more(s);
        });
        Rig.Tick(); // the windows of the device's kind
    }
    // File > Save As into file; the controller's state as it was saved.
    SimControllerState Save(const QString &file)
    {
        Form->SettingsFileDialog = [file](bool, const QString &, const QString &) { return file; };
        Form->MnIFileSaveAsClick();
        EXPECT_EQ(Form->SettingsFileName, file) << Rig.BoxTexts().join('|').toStdString();
        SimControllerState s;
        Device.Server.withLock([&] { s = Device.Controller.State; });
        return s;
    }
    // File > Load of file, OK to every question.
    void Load(const QString &file)
    {
        Form->SettingsFileDialog = [file](bool, const QString &, const QString &) { return file; };
        Rig.Boxes.clear();
        Device.Server.log().clear();
        Form->MnIFileLoadCnfClick();
    }
    TFormMain *Form = nullptr;
};

} // namespace settingsprogram
