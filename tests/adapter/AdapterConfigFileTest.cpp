// Adapter configuration files through the adapter-information page of the
// running program: its buttons and file dialogs, the questions, the frames the
// simulated box receives, and the windows' values after every refusal.
#include "AdapterRig.h"
#include "ProgramWithAdapter.h"

#include "adapter/AdapterConfigFile.h"
#include "adapter/DevStateAdapter.h"
#include "adapter/DevStateOBD.h"
#include "adapter/LogicAdapter.h"
#include "adapter/ModuleOBD.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "core/AppConfig.h"
#include "core/IniFile.h"
#include "core/LM.h"
#include "core/ui/DialogButtons.h"
#include "windows/FormConnectStatus.h"
#include "windows/NamedWidget.h"

#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

using adaptertest::Commands;

using adaptertest::ProgramWithAdapter;
using AdapterConfig::Tr;

namespace {

// The adapter's writes: settings, allowed PIDs, tables, table reset.
bool IsAdapterWrite(uint8_t command)
{
    return command == 0x72 || command == 0x7B || command == 0x89 || command == 0x8C;
}

class AdapterConfigFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        P.Device.Server.withLock([&] {
            // A box whose settings differ from the defaults: protocol 3, base
            // trims -12 / -3 / 7, range 150, max correction 125, 1500 rpm.
            P.Device.Adapter.State.Obd.Config = {0x03, 0x09, 0x12, 0xF4, 0x96, 0xFD, 0x07, 0x02, 0x7D, 0x05, 0xDC};
        });
        P.Start();
        P.Tick();
        Info = P.Info.get();
        SetModalExecHook([this](QDialog *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            if (!files)
                return int(QDialog::Rejected);
            Dialogs << files->objectName();
            Folders << files->directory().absolutePath();
            if (Chosen.isEmpty())
                return int(QDialog::Rejected);
            files->selectFile(Chosen);
            return int(QDialog::Accepted);
        });
        P.Rig.Answer = [this](const TMessageBoxInfo &box) {
            for (const auto &[text, answer] : Answers)
                if (box.Text.contains(text))
                    return answer;
            return box.Buttons.contains(mrYes) ? int(mrYes) : box.Buttons.contains(mrOk) ? int(mrOk) : box.Buttons.value(0);
        };
    }
    void TearDown() override { SetModalExecHook({}); }

    QString Path(const QString &name) const { return Dir.filePath(name); }

    // Save to file... into name; the file's text.
    QString Save(const QString &name)
    {
        Chosen = Path(name);
        Info->BtBAdapterSaveToFile->click();
        QFile f(Chosen);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }

    // Load from file... of these bytes; the log holds the load's frames only.
    void Load(const QByteArray &bytes, const QString &name = QStringLiteral("load.dda"))
    {
        Chosen = Path(name);
        QFile f(Chosen);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        P.Device.Server.log().clear();
        P.Rig.Boxes.clear();
        Info->BtBAdapterLoadFromFile->click();
    }

    std::vector<sim::Bytes> Writes() const
    {
        std::vector<sim::Bytes> out;
        for (const auto &r : P.Device.AdapterRequests())
            if (IsAdapterWrite(r[1]))
                out.push_back(r);
        return out;
    }

    // The texts of the boxes shown since the load began.
    QStringList BoxTexts() const
    {
        QStringList out;
        for (const auto &b : P.Rig.Boxes)
            out << b.Text;
        return out;
    }

    // The stored OBD variables of the user-interface side.
    static std::vector<TVariable *> StoredObd()
    {
        std::vector<TVariable *> out;
        TUIState *ui = Logic->UIState();
        for (int i = 0; i < ui->Count(); ++i)
            if (ui->GetItem(i)->Stored() && ui->GetItem(i)->Group() == QLatin1String("OBD"))
                out.push_back(ui->GetItem(i));
        return out;
    }

    // Every stored OBD value of the windows is the device side's, unmarked.
    void ExpectWindowShowsDevice() const
    {
        TUIState *ui = Logic->UIState();
        TDeviceState *device = Logic->DeviceState();
        for (int i = 0; i < ui->DeviceVariableCount(); ++i)
            if (ui->GetItem(i)->Stored()) {
                EXPECT_EQ(ui->GetItem(i)->Raw(), device->GetItem(i)->Raw()) << ui->GetItem(i)->Name().toStdString();
            }
        EXPECT_FALSE(ui->Modified());
    }

    // The header of a file that this box accepts without a question.
    static QByteArray InfoOf(const QString &device = QStringLiteral("2.0A r3"))
    {
        return "[Info]\r\nSaveDate=2026-12-01 10:00:00\r\nDevice=" + device.toLatin1()
               + "\r\nProduct=Service (Adapter)\r\n";
    }

    ProgramWithAdapter P;
    TFormMultiAdapterInfo *Info = nullptr;
    QTemporaryDir Dir;
    QString Chosen;
    QStringList Dialogs, Folders;
    std::map<QString, int> Answers;
};

} // namespace

TEST_F(AdapterConfigFile, SaveWritesInfoAndEveryStoredValue)
{
    const QString text = Save(QStringLiteral("box.dda"));
    EXPECT_EQ(Dialogs, QStringList{"SaveDialogAdapter"});
    EXPECT_EQ(AppConfig->AdapterFileFolder, Dir.path());
    TIniFile ini(Path(QStringLiteral("box.dda")));
    ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
    EXPECT_EQ(ini.ReadSections(), (QStringList{"Info", "OBD"}));
    EXPECT_EQ(ini.ReadSection("Info"),
              (QStringList{"SaveDate", "Device", "Version", "CompileDate", "CompileTime", "Product", "SoftVersion"}));
    EXPECT_EQ(ini.ReadString("Info", "Device"), "2.0A r3");
    EXPECT_EQ(ini.ReadString("Info", "Version"), Logic->LogicAdapter()->DescribeAdapter(true));
    EXPECT_EQ(ini.ReadString("Info", "CompileDate"), "Nov 20 2026");
    EXPECT_EQ(ini.ReadString("Info", "CompileTime"), "14:05:33");
    EXPECT_TRUE(ini.ReadString("Info", "Product").endsWith(" (Adapter)"));
    // One key per stored OBD variable, in their order.
    QStringList names;
    for (TVariable *v : StoredObd())
        names << v->Name();
    EXPECT_EQ(ini.ReadSection("OBD"), names);
    const std::pair<const char *, const char *> values[] = {
        {"OBDProtocol_EE", "3"},           {"OBDConfig_1_EE", "9"},          {"OBDConfig_2_EE", "16"},
        {"OBDAdaptType", "2"},             {"OBDAdaptStFtBase_EE", "-12"},   {"OBDAdaptStFtRange_EE", "150"},
        {"OBDAdaptLtFtBaseB1_EE", "-3"},   {"OBDAdaptLtFtBaseB2_EE", "7"},   {"OBDAdaptLtFtRange_EE", "2"},
        {"OBDAdaptMaxCorr_EE", "125"},     {"OBDAdaptMinRPM_EE", "1500"},    {"OBDisTestPIDsActive", "Off"},
        {"OBDAdaptCorrectionsBank2__[9][9]", "0"}};
    for (const auto &[key, value] : values)
        EXPECT_EQ(ini.ReadString("OBD", key), value) << key;
    EXPECT_TRUE(text.contains("\r\n"));
    EXPECT_TRUE(Writes().empty());
}

// Every stored value of a file goes into the box, in the order settings,
// bank 1, bank 2, and a second save gives the file's values back.
TEST_F(AdapterConfigFile, LoadWritesTheFileAndSavesItBackUnchanged)
{
    Save(QStringLiteral("box.dda"));
    TIniFile ini(Path(QStringLiteral("box.dda")));
    ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
    const std::pair<const char *, const char *> settings[] = {
        {"OBDProtocol_EE", "6"},          {"OBDConfig_1_EE", "13"},          {"OBDConfig_2_EE", "248"},
        {"OBDAdaptType", "5"},            {"OBDAdaptStFtBase_EE", "-128"},   {"OBDAdaptStFtRange_EE", "255"},
        {"OBDAdaptLtFtBaseB1_EE", "127"}, {"OBDAdaptLtFtBaseB2_EE", "-100"}, {"OBDAdaptLtFtRange_EE", "0"},
        {"OBDAdaptMaxCorr_EE", "100"},    {"OBDAdaptMinRPM_EE", "65535"},    {"OBDisOBDsimActive", "On"}};
    for (const auto &[key, value] : settings)
        ini.WriteString("OBD", key, value);
    // Cells from -100 to 99 (bank 1) and from 127 down (bank 2).
    auto cell = [](int bank, int i) { return bank == 1 ? i - 100 : 127 - i; };
    for (int bank = 1; bank <= 2; ++bank)
        for (int i = 0; i < 100; ++i)
            ini.WriteString("OBD", QStringLiteral("OBDAdaptCorrectionsBank%1__[%2][%3]").arg(bank).arg(i / 10).arg(i % 10),
                            QString::number(cell(bank, i)));
    Load(ini.ToBytes());

    EXPECT_EQ(BoxTexts(), QStringList{Tr("Save configuration to device?")});
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 5u);
    EXPECT_EQ(sim::Bytes(writes[0].begin() + 1, writes[0].end() - 2),
              (sim::Bytes{0x72, 6, 13, 0xF8 | 5, 0x80, 0xFF, 0x7F, 0x9C, 0x00, 100, 0xFF, 0xFF}));
    const uint8_t halves[] = {0x10, 0x11, 0x20, 0x21};
    for (int w = 0; w < 4; ++w) {
        SCOPED_TRACE(w);
        ASSERT_EQ(writes[size_t(w) + 1].size(), 55u);
        EXPECT_EQ(writes[size_t(w) + 1][1], 0x89);
        EXPECT_EQ(writes[size_t(w) + 1][2], halves[w]);
        for (int i = 0; i < 50; ++i)
            EXPECT_EQ(int8_t(writes[size_t(w) + 1][3 + size_t(i)]), cell(w / 2 + 1, 50 * (w % 2) + i));
    }
    ExpectWindowShowsDevice();
    EXPECT_EQ(Logic->UIStateOBD()->OBDConfig_1_EE->GetAsInteger(), 13);

    // Saved again: the same value for every key.
    Save(QStringLiteral("again.dda"));
    TIniFile again(Path(QStringLiteral("again.dda")));
    ASSERT_EQ(again.Load(), TIniFile::Status::Ok);
    for (const QString &key : ini.ReadSection("OBD"))
        EXPECT_EQ(again.ReadString("OBD", key), ini.ReadString("OBD", key)) << key.toStdString();
}

namespace {
struct Refusal {
    const char *name;
    QByteArray file;
    // The box's question (English, translated) and the answer given.
    const char *question;
    int answer;
    // What the closing message names beside the file (translated English), if anything.
    const char *problem;
    // Also in the closing message: the line refused and the range, as written.
    const char *named = nullptr;
};
} // namespace

// A file that is refused, or whose question is answered No or Cancel,
// reaches neither the box nor the device side, and the windows show the
// device's values again.
TEST_F(AdapterConfigFile, RefusedFilesChangeNothing)
{
    QByteArray seven = InfoOf() + "[OBD]\r\nOBDProtocol_EE=5\r\n";
    for (int i = 1; i <= 7; ++i)
        seven += "Gone" + QByteArray::number(i) + "=1\r\n";
    const QByteArray good = InfoOf() + "[OBD]\r\nOBDProtocol_EE=5\r\nOBDAdaptMaxCorr_EE=111\r\n";
    QByteArray garbage("\x01");
    garbage += '\0';
    garbage += "\xFF[OBD]\nOBDProtocol_EE=5\n";
    const Refusal cases[] = {
        {"no info", "[OBD]\r\nOBDProtocol_EE=5\r\n", "Invalid configuration file format:", mrOk, nullptr},
        {"other product", InfoOf("1.0A r3") + "[OBD]\r\nOBDProtocol_EE=5\r\n",
         "Found configuration file for different product:", mrNo, nullptr},
        {"seven unknown keys", seven, "Unrecognized or obsolete parameters found:", mrNo, nullptr},
        {"empty section", InfoOf() + "[OBD]\r\n", "Some information could not be read from configuration file.", mrNo,
         nullptr},
        {"missing section", InfoOf() + "[AIO]\r\nOBDProtocol_EE=5\r\n",
         "Some information could not be read from configuration file.", mrNo, nullptr},
        {"cancel", good, "Save configuration to device?", mrCancel, nullptr},
        {"bad number", InfoOf() + "[OBD]\r\nOBDProtocol_EE=5\r\nOBDAdaptMaxCorr_EE=12x\r\n", nullptr, 0,
         "The value is not a number."},
        {"out of range", InfoOf() + "[OBD]\r\nOBDProtocol_EE=5\r\nOBDAdaptStFtBase_EE=-129\r\n", nullptr, 0,
         "Allowed values: whole numbers from %1 to %2."},
        {"word out of range", InfoOf() + "[OBD]\r\nOBDAdaptMinRPM_EE=65536\r\n", nullptr, 0,
         "Allowed values: whole numbers from %1 to %2."},
        {"one-byte setting of 300", InfoOf() + "[OBD]\r\nOBDAdaptStFtRange_EE=300\r\n", nullptr, 0,
         "Allowed values: whole numbers from %1 to %2.", "OBDAdaptStFtRange_EE=\"300\""},
        {"base trim rounded out of range", InfoOf() + "[OBD]\r\nOBDAdaptLtFtBaseB1_EE=1.3E2\r\n", nullptr, 0,
         "Allowed values: whole numbers from %1 to %2.", "-128"},
        {"no finite number", InfoOf() + "[OBD]\r\nOBDAdaptLtFtBaseB1_EE=inf\r\n", nullptr, 0,
         "The value is not a number."},
        {"signed byte rounded above its top", InfoOf() + "[OBD]\r\nOBDAdaptLtFtBaseB1_EE=127.5\r\n", nullptr, 0,
         "Allowed values: whole numbers from %1 to %2.", "OBDAdaptLtFtBaseB1_EE=\"127.5\""},
        {"signed byte rounded below its bottom", InfoOf() + "[OBD]\r\nOBDAdaptStFtBase_EE=-128.5\r\n", nullptr, 0,
         "Allowed values: whole numbers from %1 to %2.", "OBDAdaptStFtBase_EE=\"-128.5\""},
        {"cut inside its last value", InfoOf() + "[OBD]\r\nOBDProtocol_EE=5\r\nOBDAdaptStFtBase_EE=-9", nullptr, 0,
         "The file is cut short: line %1 has no line end."},
        {"fraction for a whole-number setting", InfoOf() + "[OBD]\r\nOBDAdaptType=2.5\r\n", nullptr, 0,
         "Allowed values: whole numbers from %1 to %2.", "OBDAdaptType=\"2.5\""},
        {"reading", InfoOf() + "[OBD]\r\nOBDProtocol_EE=5\r\nOBDRPM=2000\r\n",
         "Unrecognized or obsolete parameter found:", mrNo, nullptr},
        {"garbage", garbage, nullptr, 0, "The file is not a text file."},
        // No adapter file at all, not one cut short.
        {"binary without a line end", QByteArray("\x89PNG\x1A\x0B\xFF\xD8\x7F"), nullptr, 0,
         "The file is not a text file."},
        {"control bytes", InfoOf() + "[OBD]\r\nOBDProtocol_EE=5\x1B[0m\r\n", nullptr, 0,
         "The file is not a text file."},
        {"one line without its end", "Adapter settings", nullptr, 0, "Missing product and device info."},
    };
    for (const Refusal &c : cases) {
        SCOPED_TRACE(c.name);
        Answers.clear();
        if (c.question)
            Answers[Tr(c.question)] = c.answer;
        Load(c.file);
        // Not a single frame reached the box.
        EXPECT_TRUE(P.Device.AdapterRequests().empty());
        ExpectWindowShowsDevice();
        EXPECT_EQ(Logic->UIStateOBD()->OBDProtocol_EE->GetAsInteger(), 3);
        EXPECT_EQ(Logic->UIStateOBD()->OBDAdaptMaxCorr_EE->GetAsInteger(), 125);
        const QStringList texts = BoxTexts();
        ASSERT_FALSE(texts.isEmpty());
        if (c.question) {
            EXPECT_TRUE(texts.first().contains(Tr(c.question))) << texts.first().toStdString();
        }
        // The closing message names the file and, where known, what is wrong.
        EXPECT_TRUE(texts.last().startsWith(Tr("Error while reading configuration file.")));
        EXPECT_TRUE(texts.last().contains(Chosen));
        if (c.problem) {
            EXPECT_TRUE(texts.last().contains(Tr(c.problem).section(QLatin1Char('%'), 0, 0)))
                << texts.last().toStdString();
        }
        if (c.named) {
            EXPECT_TRUE(texts.last().contains(c.named)) << texts.last().toStdString();
        }
        if (!c.question) {
            EXPECT_FALSE(texts.join('|').contains(Tr("Save configuration to device?")));
        }
    }
}

TEST_F(AdapterConfigFile, AFileThatCannotBeReadIsRefusedWithItsReason)
{
    // Missing, a folder, a pipe (never waited on) and far too large: each
    // refused naming the file with its own reason, nothing sent.
    const QString missing = Path(QStringLiteral("missing.dda")), folder = Path(QStringLiteral("folder.dda")),
                  pipe = Path(QStringLiteral("pipe.dda")), huge = Path(QStringLiteral("huge.dda"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(2) << 30));
    }
    const std::pair<QString, const char *> cases[] = {
        {missing, "strFileMissing"}, {folder, "strFileNotRegular"}, {pipe, "strFileNotRegular"}, {huge, "strFileTooLarge"}};
    for (const auto &[path, reason] : cases) {
        SCOPED_TRACE(reason);
        Chosen = path;
        P.Device.Server.log().clear();
        P.Rig.Boxes.clear();
        Info->BtBAdapterLoadFromFile->click();
        EXPECT_TRUE(P.Device.AdapterRequests().empty());
        const QStringList texts = BoxTexts();
        ASSERT_FALSE(texts.isEmpty());
        EXPECT_TRUE(texts.last().startsWith(Tr("Error while reading configuration file.")));
        EXPECT_TRUE(texts.last().contains(path + QStringLiteral(" "))) << texts.last().toStdString();
        const QString said = LM->Translate(QString::fromLatin1(reason)).section(QStringLiteral("%2"), 0, 0).arg(path);
        EXPECT_TRUE(texts.last().contains(said)) << texts.last().toStdString();
    }
}

TEST_F(AdapterConfigFile, QuestionsNameWhatIsWrong)
{
    QByteArray seven = InfoOf() + "[OBD]\r\n";
    for (int i = 1; i <= 7; ++i)
        seven += "Gone" + QByteArray::number(i) + "=1\r\n";
    Answers[Tr("Unrecognized or obsolete parameters found:")] = mrNo;
    Load(seven);
    const QString crlf = QStringLiteral("\r\n");
    ASSERT_FALSE(BoxTexts().isEmpty());
    EXPECT_EQ(BoxTexts().first(), Tr("Unrecognized or obsolete parameters found:") + crlf + crlf + "Gone1" + crlf
                                      + "Gone2" + crlf + "Gone3" + crlf + "Gone4" + crlf + "Gone5" + crlf
                                      + QStringLiteral("(2 %1)").arg(Tr("more...")) + crlf + crlf + Tr("Continue?"));
    // A reading is never set from a file, also when the user goes on.
    Answers.clear();
    Load(InfoOf() + "[OBD]\r\nOBDProtocol_EE=5\r\nOBDRPM=2000\r\n");
    EXPECT_EQ(Logic->UIStateOBD()->OBDProtocol_EE->GetAsInteger(), 5);
    EXPECT_EQ(Logic->UIStateOBD()->OBDRPM->GetAsInteger(), 0);
    EXPECT_EQ(Writes().size(), 5u);
}

TEST_F(AdapterConfigFile, RefusedWriteIsReportedAndKeepsTheEdits)
{
    P.Device.Server.withLock([&] { P.Device.Adapter.State.Refuse[0x72] = 0x05; });
    Load(InfoOf() + "[OBD]\r\nOBDProtocol_EE=5\r\n");
    // The settings went out and were refused; no table followed.
    EXPECT_EQ(Commands(Writes()), std::vector<uint8_t>{0x72});
    ASSERT_EQ(BoxTexts().size(), 2);
    EXPECT_TRUE(BoxTexts().last().startsWith(Tr("The adapter did not accept the configuration:")));
    EXPECT_TRUE(BoxTexts().last().contains(Tr("OBD settings")));
    EXPECT_TRUE(BoxTexts().last().contains(Chosen));
    EXPECT_TRUE(Logic->UIState()->Modified());
    EXPECT_EQ(Logic->UIStateOBD()->OBDProtocol_EE->GetAsInteger(), 5);
}

TEST_F(AdapterConfigFile, WriteRefusedPartWayNamesWhatTheAdapterTookAlready)
{
    // The settings are taken, then the box refuses the first table.
    P.Device.Server.withLock([&] { P.Device.Adapter.State.Refuse[0x89] = 0x05; });
    Load(InfoOf() + "[OBD]\r\nOBDProtocol_EE=5\r\n");
    EXPECT_EQ(Commands(Writes()), (std::vector<uint8_t>{0x72, 0x89}));
    P.Device.Server.withLock([&] { EXPECT_EQ(P.Device.Adapter.State.Obd.Config[0], 5); });
    ASSERT_EQ(BoxTexts().size(), 2);
    const QString text = BoxTexts().last();
    EXPECT_TRUE(text.startsWith(Tr("The adapter did not accept the configuration:") + ' ' + Tr("OBD adaptation tables")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(Tr("Already written to the adapter:") + ' ' + Tr("OBD settings"))) << text.toStdString();
    EXPECT_FALSE(text.contains(Tr("The loaded values are kept in the OBD window and are not saved in the adapter.")));
    EXPECT_TRUE(Logic->UIState()->Modified());
}

TEST_F(AdapterConfigFile, CancelledDialogsDoNothing)
{
    AppConfig->AdapterFileFolder = Dir.path();
    Chosen.clear();
    P.Device.Server.log().clear();
    EXPECT_FALSE(Info->BtBAdapterSaveToFileClick());
    EXPECT_FALSE(Info->BtBAdapterLoadFromFileClick());
    EXPECT_EQ(Dialogs, (QStringList{"SaveDialogAdapter", "OpenDialogAdapter"}));
    EXPECT_EQ(Folders, (QStringList{Dir.path(), Dir.path()}));
    EXPECT_EQ(AppConfig->AdapterFileFolder, Dir.path());
    EXPECT_TRUE(P.Device.AdapterRequests().empty());
    EXPECT_TRUE(P.Rig.Boxes.empty());
}

TEST_F(AdapterConfigFile, ConnectionStatusLoadsThroughThePage)
{
    TFormConnectStatus status;
    WireConnectStatusToAdapter(status);
    Chosen = Path(QStringLiteral("load.dda"));
    QFile f(Chosen);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(InfoOf() + "[OBD]\r\nOBDProtocol_EE=4\r\n");
    f.close();
    P.Device.Server.log().clear();
    status.BtnAdapterConfig->click();
    EXPECT_EQ(Dialogs, QStringList{"OpenDialogAdapter"});
    EXPECT_EQ(Writes().size(), 5u);
    P.Device.Server.withLock([&] { EXPECT_EQ(P.Device.Adapter.State.Obd.Config[0], 4); });
}

TEST_F(AdapterConfigFile, DefaultSettingsWriteTheDefaults)
{
    P.Device.Server.log().clear();
    Answers[Tr("Caution! Program will write default configuration into device. Save?")] = mrCancel;
    Info->BtBAdapterDefaultSettings->click();
    EXPECT_TRUE(Writes().empty());
    Answers.clear();
    Info->BtBAdapterDefaultSettings->click();
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 5u);
    EXPECT_EQ(sim::Bytes(writes[0].begin() + 1, writes[0].end() - 2),
              (sim::Bytes{0x72, 0, 8, 2, 0, 2, 0, 0, 2, 25, 0x04, 0xB0}));
    EXPECT_EQ(Logic->UIStateOBD()->OBDAdaptMaxCorr_EE->GetAsInteger(), 25);
    // Refused settings: said so, and no table follows.
    P.Device.Server.withLock([&] { P.Device.Adapter.State.Refuse[0x72] = 0x05; });
    P.Rig.Boxes.clear();
    P.Device.Server.log().clear();
    Info->BtBAdapterDefaultSettings->click();
    EXPECT_EQ(BoxTexts().last(), Tr("The adapter did not accept the default configuration."));
    EXPECT_EQ(Commands(Writes()), std::vector<uint8_t>{0x72});
}

// Refused defaults are not taken for the box's values: the window keeps them
// as unwritten edits, the device side keeps what the box holds.
TEST_F(AdapterConfigFile, RefusedDefaultsStayPendingInTheWindow)
{
    P.Device.Server.withLock([&] { P.Device.Adapter.State.Refuse[0x72] = 0x05; });
    ASSERT_FALSE(Logic->UIState()->Modified());
    Info->BtBAdapterDefaultSettings->click();
    EXPECT_EQ(Commands(Writes()), std::vector<uint8_t>{0x72});
    EXPECT_EQ(Logic->UIStateOBD()->OBDAdaptMaxCorr_EE->GetAsInteger(), 25);
    EXPECT_TRUE(Logic->UIState()->Modified());
    EXPECT_EQ(ModuleOBD->DevState()->OBDAdaptMaxCorr_EE->GetAsInteger(), 125);
    EXPECT_EQ(ModuleOBD->DevState()->OBDProtocol_EE->GetAsInteger(), 3);
}

// Files as editors leave them: a UTF-8 mark, other letter case, a decimal
// comma, LF line ends.
TEST_F(AdapterConfigFile, LoadReadsWhatEditorsWrite)
{
    // A TAB, as editors put in, is text.
    Load("\xEF\xBB\xBF[info]\ndevice=2.0A r3\t(edited)\nproduct=Service (Adapter)\n[obd]\nobdprotocol_ee=7\n"
         "OBDAdaptLtFtBaseB1_EE=-5,0\nOBDisOBDsimActive=On\n"
         // Each at the very top of what its variable holds, in the editors' forms.
         "OBDAdaptStFtRange_EE=2.55E2\nOBDAdaptLtFtBaseB2_EE=127,4\nOBDAdaptLtFtRange_EE=255\n"
         "OBDAdaptMinRPM_EE=6.5535E4\nOBDAdaptStFtBase_EE=-128.4\n");
    EXPECT_EQ(BoxTexts(), QStringList{Tr("Save configuration to device?")});
    const TUIStateOBD *ui = Logic->UIStateOBD();
    EXPECT_EQ(ui->OBDProtocol_EE->GetAsInteger(), 7);
    EXPECT_EQ(ui->OBDAdaptLtFtBaseB1_EE->GetAsFloat(), -5.0);
    EXPECT_TRUE(ui->OBDisOBDsimActive->GetAsBoolean());
    EXPECT_EQ(ui->OBDAdaptStFtRange_EE->GetAsInteger(), 255);
    EXPECT_EQ(ui->OBDAdaptLtFtBaseB2_EE->GetAsFloat(), 127.0);
    EXPECT_EQ(ui->OBDAdaptLtFtRange_EE->GetAsInteger(), 255);
    EXPECT_EQ(ui->OBDAdaptMinRPM_EE->GetAsInteger(), 65535);
    P.Device.Server.withLock([&] {
        const auto &config = P.Device.Adapter.State.Obd.Config;
        EXPECT_EQ(config[0], 7);
        EXPECT_EQ(config[5], 0xFB);
        EXPECT_EQ((std::vector<int>{config[3], config[4], config[6], config[7], config[9], config[10]}),
                  (std::vector<int>{0x80, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF}));
    });
}

// Files of the older writer hold two significant digits in any number form:
// each is read, rounded as the variable keeps it, and the correction cells
// are limited to a signed byte; the box gets what the window shows.
TEST_F(AdapterConfigFile, LoadReadsTheOlderWritersNumbers)
{
    Load(InfoOf() + "[OBD]\r\nOBDAdaptStFtBase_EE=-1.2E1\r\nOBDAdaptLtFtBaseB1_EE=12,5\r\n"
                    "OBDAdaptLtFtBaseB2_EE=-2.5\r\nOBDAdaptMaxCorr_EE=1.0E2\r\nOBDAdaptMinRPM_EE=1.5e3\r\n"
                    "OBDAdaptCorrectionsBank1__[0][0]=1.3E2\r\nOBDAdaptCorrectionsBank1__[0][1]=12.4\r\n"
                    "OBDAdaptCorrectionsBank2__[9][9]=-2.0E2\r\n");
    EXPECT_EQ(BoxTexts(), QStringList{Tr("Save configuration to device?")});
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 5u);
    // Settings: -12, 13, -3 (half away from zero), 100, 1500 rpm.
    EXPECT_EQ(sim::Bytes(writes[0].begin() + 1, writes[0].end() - 2),
              (sim::Bytes{0x72, 3, 0x09, 0x12, 0xF4, 0x96, 13, 0xFD, 0x02, 100, 0x05, 0xDC}));
    // Bank 1 starts 127 (130 limited), 12; bank 2 ends -128.
    EXPECT_EQ(int8_t(writes[1][3]), 127);
    EXPECT_EQ(int8_t(writes[1][4]), 12);
    EXPECT_EQ(int8_t(writes[4][3 + 49]), -128);
    P.Device.Server.withLock([&] {
        EXPECT_EQ(int8_t(P.Device.Adapter.State.Obd.Banks[0][0]), 127);
        EXPECT_EQ(int8_t(P.Device.Adapter.State.Obd.Banks[1][99]), -128);
    });
    EXPECT_EQ(Logic->UIStateOBD()->GetAdaptCorrectionBank1(0, 0)->GetAsFloat(), 127.0);
    EXPECT_EQ(Logic->UIStateOBD()->OBDAdaptLtFtBaseB1_EE->GetAsFloat(), 13.0);
    ExpectWindowShowsDevice();
}

// Saving writes the box's values and leaves the user's unwritten edits alone.
TEST_F(AdapterConfigFile, SaveKeepsUnwrittenEdits)
{
    Logic->UIStateOBD()->OBDAdaptMaxCorr_EE->SetAsInteger(33);
    ASSERT_TRUE(Logic->UIState()->Modified());
    Save(QStringLiteral("box.dda"));
    TIniFile ini(Path(QStringLiteral("box.dda")));
    ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
    EXPECT_EQ(ini.ReadString("OBD", "OBDAdaptMaxCorr_EE"), "125");
    EXPECT_EQ(Logic->UIStateOBD()->OBDAdaptMaxCorr_EE->GetAsInteger(), 33);
    EXPECT_TRUE(Logic->UIState()->Modified());
}

TEST_F(AdapterConfigFile, FailuresOfSavingAndOfDefaultsAreReported)
{
    // A folder that is not there: nothing written, the file and why named.
    P.Rig.Boxes.clear();
    Chosen = Path(QStringLiteral("missing/box.dda"));
    EXPECT_FALSE(Info->BtBAdapterSaveToFileClick());
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_TRUE(BoxTexts().first().startsWith(Tr("Error while saving configuration file.")));
    EXPECT_TRUE(BoxTexts().first().contains(Chosen));
    EXPECT_TRUE(BoxTexts().first().contains(Tr("The file cannot be written:")));
    EXPECT_FALSE(QFile::exists(Chosen));
    // A box that does not answer: no file of stale values.
    P.Rig.Boxes.clear();
    P.Device.Server.withLock([&] { P.Device.Adapter.State.Silent = true; });
    Chosen = Path(QStringLiteral("silent.dda"));
    EXPECT_FALSE(Info->BtBAdapterSaveToFileClick());
    EXPECT_FALSE(QFile::exists(Chosen));
    ASSERT_EQ(BoxTexts().size(), 1);
    EXPECT_TRUE(BoxTexts().first().contains(Tr("The adapter does not answer.")));
}

// The whole numbers a floating setting's conversions keep: both ends found exactly; without 0, none.
TEST(AdapterConfigStorableRange, FoundExactlyAtBothEnds)
{
    for (const auto &[low, high] : std::initializer_list<std::pair<qint64, qint64>>{
             {-128, 127}, {0, 255}, {0, 0}, {0, 1}, {-1, 2}, {-100, 100}, {0, 1000}, {-7, 254}, {0, 65535}, {-32768, 32767}, {5, 10}}) {
        SCOPED_TRACE(testing::Message() << low << ".." << high);
        TDoubleVariable v(nullptr, 4, QStringLiteral("Check"), QString());
        v.SetOnValueToRaw([low, high](TVariable *sender, QByteArray &raw) {
            const qint32 held = qint32(std::lround(std::clamp(sender->GetAsFloat(), double(low), double(high))));
            raw = QByteArray(reinterpret_cast<const char *>(&held), 4);
        });
        v.SetOnRawToValue([](TVariable *sender, QByteArray &raw) { sender->SetAsFloat(qFromUnaligned<qint32>(raw.constData())); });
        qint64 foundLow = 1, foundHigh = -1;
        EXPECT_EQ(AdapterConfig::StorableRange(&v, foundLow, foundHigh), low <= 0);
        if (low <= 0) {
            EXPECT_EQ(std::pair(foundLow, foundHigh), std::pair(low, high));
        }
    }
}
