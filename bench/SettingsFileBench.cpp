// File > Save As and File > Load of the main window against the simulated
// controller paced at 9600 baud: the time of the command over the wire time
// of the frames exchanged (the counter "over_wire"; 1.0 is the physical limit
// of the line), the requests of one run, and the longest time the window's
// event loop went without serving a timer during the command
// ("max_stall_ms"). The window carries every page, installed as the program
// installs them (a kind-48 load reads and writes what the pages hold); the
// file dialog answers at once and every question of the load is answered as
// confirming it. "requests" counts the request frames the controller received
// during the last run of the command, every one it sends and none of the
// set-up's (the connection, the save that makes the file a load reads): for
// a kind-48 load the reads it makes and the writes of the configuration, the
// model, the map and the corrections the file carries, and of the change
// record. The loads read the file the device has just been saved to; a
// load that sends nothing (the file refused) fails the benchmark with the
// window's message.
// Goals: over_wire below 1.5 for the save and the load.

#include "common/BenchSim.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/shell/FormMain.h"
#include "program/ProgramWiring.h"
#include "sim/SimControllerFixture.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

using namespace sim;

namespace {

void settingsFile(benchmark::State &state, uint8_t kind, char version, bool load)
{
    TCommon::SetAnswerProvider([](const TMessageBoxInfo &) { return int(mrOk); });
    auto common = std::make_unique<TCommon>();
    Common = common.get();
    // The program's English texts, so that a refusal reads as the user reads it.
    auto language = std::make_unique<TLM>();
    struct TRestoreLanguage {
        TLM *Saved = LM;
        ~TRestoreLanguage() { LM = Saved; }
    } restoreLanguage;
    LM = language.get();
    LM->LoadLanguageFile(QStringLiteral("EN"));
    SimControllerRig rig(kind, version, true);
    rig.Device([](SimControllerState &s) {
        s.Value16[28] = 2;
        s.Payload[0x03][4] = 15;
        s.Payload[0xD8][1] = 15;
        for (int row = 0; row < 40; ++row)
            s.RowsDC[row] = {0x80, uint8_t(row), 0x80, 0x64, 0x80, 0xC8};
    });
    if (!bench::ConnectRig(state, rig))
        return;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.ddf"));
    TProgramLogic logic;
    ProgramLogic = &logic;
    struct TClearProgramLogic {
        ~TClearProgramLogic() { ProgramLogic = nullptr; }
    } clearProgramLogic;
    auto form = std::make_unique<TFormMain>();
    InstallMainWindowPages(*form, logic);
    form->SettingsFileDialog = [&file](bool, const QString &, const QString &) { return file; };
    form->MnIFileSaveAsClick(); // the file the loads read
    if (form->SettingsFileName != file) {
        state.SkipWithError("the settings file was not written");
        return;
    }
    QStringList messages;
    // Every question of the load answered as confirming it.
    TCommon::SetAnswerProvider([&messages](const TMessageBoxInfo &box) {
        messages << box.Text;
        return box.Buttons.contains(int(mrYes)) ? int(mrYes) : int(mrOk);
    });
    bench::StallWatch stalls;
    std::string failure;
    bench::TimeOverWire(
        state, rig, failure,
        [&] {
            messages.clear();
            stalls.Start();
            if (load)
                form->MnIFileLoadCnfClick();
            else
                form->MnIFileSaveAsClick();
            stalls.Stop();
            failure = ("the load sent nothing: " + messages.join(QLatin1Char('|'))).toStdString();
            return !load || !rig.Requests().empty();
        },
        true);
    state.counters["max_stall_ms"] = stalls.LongestMs();
    form.reset();
    Common = nullptr;
    TCommon::SetAnswerProvider({});
}

void BM_SaveSettingsKind20(benchmark::State &state) { settingsFile(state, 20, 'E', false); }
void BM_LoadSettingsKind20(benchmark::State &state) { settingsFile(state, 20, 'E', true); }
void BM_SaveSettingsKind48(benchmark::State &state) { settingsFile(state, 48, 'J', false); }
void BM_LoadSettingsKind48(benchmark::State &state) { settingsFile(state, 48, 'J', true); }

} // namespace

BENCHMARK(BM_SaveSettingsKind20)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadSettingsKind20)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveSettingsKind48)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadSettingsKind48)->Unit(benchmark::kMillisecond)->Iterations(3);
