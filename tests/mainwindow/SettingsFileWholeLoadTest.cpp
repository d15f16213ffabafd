// A whole settings-file load in the program as its main block wires it (every
// page and window), counted request by request against the simulated
// controller from File > Load until the poll is back: one read before the
// question, the writes with nothing read between them, the change record,
// then one read of what the pages show; each value read at most once in each
// read and written at most once.
#include "language/ProgramRig.h"
#include "mainwindow/ShellWiring.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

using language::ProgramRig;
using namespace sim;

namespace {

// A controller of the kind holding values of its own: the high or the low
// ends of what each setting holds, limited as a real one is.
std::function<void(SimControllerState &)> OwnImage(bool highEnds)
{
    return [highEnds](SimControllerState &s) {
        if (s.Kind != 48)
            SimController::ConfiguredKind21(s);
        if (s.Kind == 20)
            s.Param8[28] = 1; // the sensor of its variant
        SimController::OwnSettings(s, highEnds);
    };
}

void Limit(ProgramRig &program)
{
    program.Device.Server.withLock([&program] {
        if (program.Device.Controller.State.Kind == 48)
            program.Device.Controller.SetKind48Limits();
        else
            program.Device.Controller.SetConfigurationLimits();
    });
}

// Commands that change the device: settings, their clearing and the change
// record.
bool ChangesDevice(uint8_t kind, const Bytes &frame)
{
    static const uint8_t others[] = {0x34, 0x55, 0xDE, 0x14, 0x3D, 0x3E};
    return SimController::WritesSettings(kind, frame)
           || std::find(std::begin(others), std::end(others), frame[1]) != std::end(others);
}

std::string Hex(const Bytes &frame)
{
    std::string out;
    char digits[4];
    for (size_t i = 1; i + 1 < frame.size() && i < 4; ++i) {
        std::snprintf(digits, sizeof digits, "%02X ", frame[i]);
        out += digits;
    }
    return out;
}

// What a frame reads or writes, by setting and by request, each name once.
std::set<std::string> NamesOf(uint8_t kind, const Bytes &frame)
{
    std::set<std::string> names;
    for (const std::string &name : SimController::SettingsOf(kind, frame))
        names.insert(name);
    // Requests of what no setting names (the recorded points, the injector
    // outputs) count by their bytes; a write by its request without value.
    names.insert(ChangesDevice(kind, frame) ? "request " + Hex(frame).substr(0, 6) : "request " + Hex(frame));
    return names;
}

// Names met more than once in frames [from, to) of the reads (or the
// writes), space-separated.
std::string Twice(uint8_t kind, const std::vector<Bytes> &frames, size_t from, size_t to, bool writes)
{
    std::map<std::string, int> seen;
    for (size_t i = from; i < to; ++i)
        if (ChangesDevice(kind, frames[i]) == writes)
            for (const std::string &name : NamesOf(kind, frames[i]))
                ++seen[name];
    std::string twice;
    for (const auto &[name, count] : seen)
        if (count > 1)
            twice += name + " ";
    return twice;
}

} // namespace

TEST(SettingsFileWholeLoad, ReadsOnceBeforeAndOnceAfterAndWritesEachValueOnce)
{
    const struct {
        uint8_t Kind;
        char File, Device;
    } rows[] = {
        {20, 'E', 'E'}, {21, 'E', 'E'}, {21, 'C', 'E'}, {48, 'A', 'A'},
        {48, 'G', 'G'}, {48, 'J', 'J'}, {48, 'E', 'J'},
    };
    QTemporaryDir dir;
    for (const auto &row : rows) {
        SCOPED_TRACE(std::to_string(row.Kind) + ": " + row.File + " file into " + row.Device);
        const QString file = dir.filePath(QStringLiteral("%1%2.ddf").arg(row.Kind).arg(QChar(row.File)));
        {
            ProgramRig saving(row.Kind, row.File, QStringLiteral("EN"), false, OwnImage(true));
            Limit(saving);
            saving.Form().SettingsFileDialog = [file](bool, const QString &, const QString &) { return file; };
            saving.Form().MnIFileSaveAsClick();
            ASSERT_EQ(saving.Form().SettingsFileName, file);
        }
        ProgramRig program(row.Kind, row.Device, QStringLiteral("EN"), false, OwnImage(false));
        Limit(program);
        TFormMain &form = program.Form();
        ASSERT_TRUE(DataManager->GetConnected());
        // The poll runs (held by the rig: it never fires by itself).
        form.Timerek->start();
        QStringList asked;
        size_t question = SIZE_MAX; // frames logged when the load asked
        program.Rig.Answer = [&](const TMessageBoxInfo &b) {
            asked << b.Text;
            if (question == SIZE_MAX)
                question = program.Device.Server.log().count();
            return b.Buttons.contains(mrOk) ? int(mrOk) : b.Buttons.contains(mrYes) ? int(mrYes) : b.Buttons.value(0);
        };
        form.SettingsFileDialog = [file](bool, const QString &, const QString &) { return file; };
        program.Device.Server.log().clear();
        shellwiring::Get<QAction>(form, "MnIFileLoadCnf")->trigger(); // Ctrl+O
        QCoreApplication::processEvents();
        ASSERT_FALSE(asked.isEmpty());
        EXPECT_EQ(asked.value(0), LM->Translate(QStringLiteral("strSaveCnf")));
        EXPECT_TRUE(form.Timerek->isActive()) << "the poll is back";

        const std::vector<Bytes> frames = program.Device.Server.log().bytes();
        size_t first = SIZE_MAX, last = 0, lastSetting = 0, record = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            if (!ChangesDevice(row.Kind, frames[i]))
                continue;
            first = std::min(first, i);
            last = i + 1;
            if (SimController::WritesSettings(row.Kind, frames[i]))
                lastSetting = i + 1;
            if (frames[i][1] == 0x55)
                record = i + 1;
        }
        ASSERT_NE(first, SIZE_MAX);
        EXPECT_LE(question, first) << "nothing is written before the question";
        // The read before the question, and the read after the last write.
        EXPECT_EQ(Twice(row.Kind, frames, 0, first, false), "");
        EXPECT_EQ(Twice(row.Kind, frames, last, frames.size(), false), "");
        // Nothing read between two writes.
        std::string between;
        for (size_t i = first; i < last; ++i)
            if (!ChangesDevice(row.Kind, frames[i]))
                between += Hex(frames[i]) + "| ";
        EXPECT_EQ(between, "");
        EXPECT_EQ(Twice(row.Kind, frames, first, last, true), "");
        // The change record, where the device keeps one, after the last
        // setting written.
        if (row.Kind == 48 && row.Device >= 'G') {
            EXPECT_GT(record, lastSetting);
        }
        // The read after the load reads the pages' values again.
        EXPECT_GT(frames.size(), last);
    }
}
