// A kind-48 settings file through the program's own windows against the
// simulated controller: saved from one device, loaded into another that
// differs in every stored value, the second device saves the same file; the
// frames of a confirmed load in their fixed order; a file value the device
// refuses refuses the whole file; a write that fails part-way says so.
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/ConfigurationPagesWiring.h"
#include "windows/MultiCalCorrectionsPage.h"
#include "windows/MultiCalModelPage.h"
#include "windows/MultiConfigurationPages.h"
#include "windows/NamedWidget.h"

#include "common/TestFiles.h"
#include "controls/ControlTestSupport.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/IniFile.h"
#include "core/LM.h"
#include "core/SettingsFile.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/CorrectionsPage.h"
#include "mainwindow/configuration/MapPage.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "sim/SimControllerFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <cmath>
#include <memory>

using namespace sim;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

// A configured controller of the version: every stored value set to one a
// workshop may leave there, as this program writes them (the system-pressure
// curve of its working pressure, the multiplier of its model-2 curve).
void DeviceA(SimControllerState &s)
{
    const char version = char(s.Pages[0]);
    s.Value16[28] = 3; // eight injector outputs
    s.Param8[33] = 1;
    s.Payload[0xD8] = {0x26, 0x3F, 0x12, 0x0B, 100, 0x24, 0x84, 6, 0x06, 0x3E, 0, 85, 0x01, 0xF4,
                       1,    2,    38,   0x01, 0xF4, 0x61, 0xA8, 5, 76,   131,  2};
    const std::pair<int, int> p8[] = {{31, 0x85}, {35, 195}, {29, 90},  {32, 1},   {37, 0x55}, {42, 114},
                                      {40, 2},    {38, 88},  {39, 60},  {43, 50},  {44, 207},  {49, 0xF6},
                                      {50, 3},    {52, 0x92}, {19, 1},  {22, 1},   {45, 3},    {46, 4},
                                      {47, 40},   {53, 90},  {30, 2}};
    for (auto [id, v] : p8)
        s.Param8[size_t(id)] = uint8_t(v);
    const std::pair<int, int> p16[] = {{11, 800}, {12, 5000}, {14, 0x0104}, {16, 748}, {17, 900}, {18, 2500},
                                       {19, 748}, {20, 748},  {21, 3740},   {22, 2805}, {23, 5000}, {24, 500},
                                       {25, 3500}};
    for (auto [id, v] : p16)
        s.Param16[size_t(id)] = uint16_t(v);
    s.Payload[0x35] = {180, 130, 90, 35};
    s.Payload[0x36] = {20, 45, 60, 70};
    // The model and its corrections.
    // The manifold-pressure curve is active from "G" on.
    const std::pair<int, int> model[] = {{1, 1280}, {2, 187}, {11, 769}, {12, uint16_t(-187)}, {13, 0xA5},
                                         {74, version >= 'G' ? 0x0D : 0x05}, {83, uint16_t(-3)}, {104, 5}};
    for (auto [id, v] : model)
        s.Model[size_t(id)] = uint16_t(v);
    s.Payload[0x10].assign(20, 0);
    s.Payload[0x10][0] = 1280 >> 8;
    s.Payload[0x10][1] = 1280 & 0xFF;
    s.Payload[0x10][2] = 0;
    s.Payload[0x10][3] = 187;
    for (uint8_t c : {0xD2, 0xDB, 0x97}) {
        Bytes &p = s.Payload[c];
        p.assign(20, 0);
        for (size_t i = 0; i < 20; ++i)
            p[i] = uint8_t(int8_t(int(i) * 3 - 25 + c % 7));
    }
    const TDeviceRecord kept = DeviceRecord;
    DeviceRecord.WorkPress = s.Param8[30];
    TProgramLogic().SelectWorkPressure(false);
    s.Payload[0xD0].assign(DeviceRecord.PsysCorrections.begin(), DeviceRecord.PsysCorrections.end());
    DeviceRecord = kept;
    s.Payload[0x56] = {50, 0x13, 0x88};
    // Idle points of 2.0, 4.0, 8.0 and 10.0 ms.
    s.Payload[0xC0] = {0x01, 0x76, 0x02, 0xEC, 0x05, 0xD8, 0x07, 0x4E};
    s.Payload[0x93] = {uint8_t(-5), 4, uint8_t(-3), 2, uint8_t(-1), 0, 1, 9};
    for (size_t bank = 0; bank < 2; ++bank)
        for (size_t i = 0; i < 100; ++i)
            s.AdaptBanks[bank][i] = uint8_t(int8_t(int(i % 41) - 20 + int(bank)));
    for (size_t row = 0; row < 40; ++row)
        s.RowsDC[row] = {0x80, uint8_t(row * 3), 0x00, uint8_t(row), 0x00, uint8_t(row * 2)};
    for (size_t page = 0; page < 2; ++page)
        for (size_t i = 0; i < 40; i += 4) {
            // 1 ms + 1.25 x, in steps of 1 ms and to 0.01 ms.
            const int point = int(page) * 10 + int(i) / 4;
            const uint16_t x = uint16_t(187 * point), y = uint16_t(std::nearbyint(187 * (1 + 1.25 * point)));
            for (auto *pages : {&s.MapD4, &s.Model2}) {
                (*pages)[page][i] = uint8_t(x >> 8);
                (*pages)[page][i + 1] = uint8_t(x);
                (*pages)[page][i + 2] = uint8_t(y >> 8);
                (*pages)[page][i + 3] = uint8_t(y + (pages == &s.Model2 ? 7 : 0));
            }
        }
}

// Another device: every stored byte and word of A turned over, so that
// every field, each flag bit included, differs; the hardware (injector
// outputs) and the version stay.
void TurnOver(SimControllerState &s)
{
    for (uint8_t c : {0xD8, 0x35, 0x36, 0xD0, 0xD2, 0xDB, 0x97, 0x93, 0x10, 0x56, 0xC0})
        for (uint8_t &b : s.Payload[c])
            b = uint8_t(~b);
    s.Payload[0xD8][1] = 0x0F; // four cylinders instead of six
    for (size_t id = 0; id < s.Param8.size(); ++id)
        if (id != 34)
            s.Param8[id] = uint8_t(~s.Param8[id]);
    for (uint16_t &w : s.Param16)
        w = uint16_t(~w);
    for (uint16_t &w : s.Model)
        w = uint16_t(~w);
    for (auto &bank : s.AdaptBanks)
        for (uint8_t &b : bank)
            b = uint8_t(~b);
    for (auto &row : s.RowsDC)
        row[1] = uint8_t(~row[1]);
    for (auto *pages : {&s.MapD4, &s.Model2})
        for (auto &page : *pages)
            for (uint8_t &b : page)
                b = uint8_t(~b);
}

// The main window with the program's own windows and pages, a kind-48
// controller on the simulated port, every box answered by the test.
struct Kind48Program {
    explicit Kind48Program(char version) : Rig(48, version)
    {
        Common = &FCommon;
        // The program's English texts, so that every message is checked
        // against them.
        FSavedLm = LM;
        LM = &FLm;
        EXPECT_TRUE(FLm.LoadLanguageFile(QStringLiteral("EN")));
        TCommon::SetAnswerProvider([this](const TMessageBoxInfo &box) {
            // A load on a device from "G" asks the change-record question
            // before its first frame (answered Yes here; the change-record
            // table holds it): the boxes counted here are the load's own.
            if (box.Text == TranslateKey(QStringLiteral("strQModChange")))
                return int(mrYes);
            Boxes << box;
            if (box.Buttons.contains(int(mrOk)))
                return Ok;
            return box.Buttons.contains(int(mrYes)) ? int(mrYes) : int(mrCancel);
        });
        ProgramLogic = &Logic;
        SetModalExecHook([](QDialog *) { return int(QDialog::Rejected); });
        Rig.Device(DeviceA);
        Rig.Server.withLock([this] { Rig.Controller.SetKind48Limits(); });
        EXPECT_TRUE(Rig.Connect());
        Form = std::make_unique<TFormMain>();
        shellwiring::Wire(*Form);
        TConfigurationPage *configuration = InstallConfigurationPage(*Form, Logic);
        configuration->UpdateKind48ConfigurationControls = [] {
            if (FrmMultiConfigurationTaronQV)
                FrmMultiConfigurationTaronQV->UpdateConfigurationTaronQVTabControls();
        };
        auto *model2 = TModel2Page::Install(*Form);
        auto *model = TModelPage::Install(*Form);
        model2->Hooks.LoadSettingsFileV30Model = [this] { Form->LoadSettingsFileV30(true); };
        model2->Hooks.UpdateOptionFlags = [] { ProgramLogic->UpdateOptionFlags(); };
        model2->Hooks.SelectWorkPressure = [](bool write) { ProgramLogic->SelectWorkPressure(write); };
        model2->Hooks.GetDefaultFactor = &TProgramLogic::GetDefaultFactor;
        model->Hooks.UpdateLastChangeInfo = model2->Hooks.UpdateLastChangeInfo = [this](bool modified) {
            return Form->UpdateLastChangeInfo(modified);
        };
        auto *map = TMapPage::Install(*Form);
        map->Model = model;
        map->Model2 = model2;
        TCorrectionsPage::Install(*Form);
        WireConfigurationPagesToWindows(*Form);
        Form->InstallChangeRecordQuery();
        Form->AdaptToDeviceVersion();
        Form->SettingsFileDialog = [this](bool, const QString &, const QString &) { return Chosen; };
        Rig.Server.log().clear();
    }
    ~Kind48Program()
    {
        Form.reset();
        SetModalExecHook({});
        ProgramLogic = nullptr;
        TCommon::SetAnswerProvider({});
        Common = nullptr;
        LM = FSavedLm;
    }

    // File > Save As and File > Load, as the menu gives them.
    void Save(const QString &file)
    {
        Chosen = file;
        shellwiring::Get<QAction>(*Form, "MnIFileSaveAs")->trigger();
    }
    void Load(const QString &file)
    {
        Chosen = file;
        shellwiring::Get<QAction>(*Form, "MnIFileLoadCnf")->trigger();
    }
    QStringList BoxTexts() const
    {
        QStringList out;
        for (const TMessageBoxInfo &b : Boxes)
            out << b.Text;
        return out;
    }

    SimControllerRig Rig;
    TCommon FCommon;
    TLM FLm;
    TLM *FSavedLm = nullptr;
    TProgramLogic Logic;
    std::unique_ptr<TFormMain> Form;
    QList<TMessageBoxInfo> Boxes;
    QString Chosen;
    int Ok = mrOk;
};

// Write commands of the controller protocol.
bool IsWrite(const Bytes &f)
{
    static const uint8_t writes[] = {0x04, 0x08, 0x16, 0x32, 0x34, 0x37, 0x38, 0x52, 0x57, 0x62, 0x94, 0x96,
                                     0x98, 0xC1, 0xD1, 0xD3, 0xD5, 0xD9, 0xDA, 0xDE, 0xDF};
    return f.size() > 1 && std::find(std::begin(writes), std::end(writes), f[1]) != std::end(writes);
}

std::vector<Bytes> WritesOf(const std::vector<Bytes> &frames)
{
    std::vector<Bytes> out;
    std::copy_if(frames.begin(), frames.end(), std::back_inserter(out), IsWrite);
    return out;
}

// The file with one key (of [Config] unless said) set to text (removed
// when text is null).
void WithConfig(const QString &from, const QString &to, const char *key, const QString &text,
                const char *section = "Config")
{
    TIniFile ini(from);
    ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
    ini.SetFileName(to);
    if (text.isNull())
        ini.DeleteKey(QString::fromLatin1(section), QString::fromLatin1(key));
    else
        ini.WriteString(QString::fromLatin1(section), QString::fromLatin1(key), text);
    ASSERT_EQ(ini.Save(), TIniFile::Status::Ok);
}

// Every key of the sections a load brings to the device, with its value.
std::map<QString, QString> Stored(const QString &file)
{
    TIniFile ini(file);
    EXPECT_EQ(ini.Load(), TIniFile::Status::Ok);
    std::map<QString, QString> out;
    for (const QString &section : ini.ReadSections()) {
        if (section == QLatin1String("Info"))
            continue;
        for (const QString &key : ini.ReadSection(section)) {
            // Words 1 and 2 of the map rows are the device's own
            // measurements; a load writes word 0 only.
            if (section == QLatin1String("Map") && key.startsWith(QLatin1String("MapQ3_")) && !key.endsWith(QLatin1String("_0")))
                continue;
            out[section + QLatin1Char('/') + key] = ini.ReadString(section, key);
        }
    }
    return out;
}

// The keys whose values differ (same false) or agree (same true), with
// both values; keys missing on either side count as differing.
QString Differences(const std::map<QString, QString> &a, const std::map<QString, QString> &b, bool same)
{
    QStringList out;
    for (const auto &[key, value] : a) {
        const auto it = b.find(key);
        const bool equal = it != b.end() && it->second == value;
        if (equal == same)
            out << QStringLiteral("%1=%2/%3").arg(key, value, it == b.end() ? QStringLiteral("(none)") : it->second);
    }
    for (const auto &[key, value] : b)
        if (!same && !a.count(key))
            out << QStringLiteral("%1=(none)/%2").arg(key, value);
    return out.join(QLatin1Char(' '));
}

// Every key the record would give a settings file, with its value.
std::map<QString, QString> RecordKeys()
{
    TIniFile ini;
    TSettingsFile::WriteMulti(ini, DeviceRecord, TSettingsInfo{}, u'.');
    std::map<QString, QString> out;
    for (const QString &section : ini.ReadSections())
        if (section != QLatin1String("Info"))
            for (const QString &key : ini.ReadSection(section))
                out[section + QLatin1Char('/') + key] = ini.ReadString(section, key);
    return out;
}

} // namespace

TEST(SettingsFileKind48, ASavedFileComesBackWholeOnAnotherDevice)
{
    // Identity pages 3, 1 and 2 of one or two digits: the version text the
    // file begins with, whose letter names the keys the file holds.
    const struct {
        char Version;
        uint8_t Page3, Page1, Page2;
        const char *Ver;
    } devices[] = {{'B', 0, 0, 0, "0000030B"},    {'F', 0, 0, 0, "0000030F"},   {'G', 0, 0, 0, "0000030G"},
                   {'J', 0, 0, 0, "0000030J"},    {'J', 2, 10, 30, "002103030J"}, {'F', 2, 10, 14, "002101430F"},
                   {'G', 30, 1, 15, "003011530G"}};
    for (const auto &d : devices) {
        SCOPED_TRACE(d.Ver);
        const char version = d.Version;
        Kind48Program p(version);
        p.Rig.Device([&d](SimControllerState &s) {
            s.Pages[3] = d.Page3;
            s.Pages[1] = d.Page1;
            s.Pages[2] = d.Page2;
            s.Value16[26] = 100; // not the market variant
        });
        ASSERT_TRUE(p.Rig.Connect());
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("a.ddf")), second = dir.filePath(QStringLiteral("b.ddf"));
        p.Save(first);
        ASSERT_TRUE(p.Boxes.isEmpty()) << p.BoxTexts().join(u'|').toStdString();
        const std::map<QString, QString> saved = Stored(first);
        ASSERT_GT(saved.size(), 60u);
        EXPECT_TRUE(ReadAll(first).contains(QByteArray("\r\nVer=") + d.Ver + ' ')) << ReadAll(first).left(200).toStdString();

        // Another device on the same port: the windows read it first.
        p.Rig.Device(TurnOver);
        p.Form->ReadConfiguration();
        p.Save(second);
        // The injector outputs are the hardware's; every other value is the
        // device's, on every version (the idle values too below "G").
        std::map<QString, QString> held = saved;
        held.erase(QStringLiteral("Config/InjHW"));
        EXPECT_EQ(Differences(held, Stored(second), true).toStdString(), "");

        p.Boxes.clear();
        p.Rig.Server.log().clear();
        p.Load(first);
        // A file below "D" carries no option word: the device keeps its own,
        // and the file's model points go back as they are, not fitted anew.
        ASSERT_EQ(p.Boxes.size(), 1) << p.BoxTexts().join(u'|').toStdString();
        EXPECT_EQ(p.Boxes[0].Text, TranslateKey(QStringLiteral("strSaveCnf")));
        EXPECT_FALSE(p.BoxTexts().join(u'|').contains(TranslateKey(QStringLiteral("strSetFileWriteIncomplete")).left(20)));
        // The hot-idle RPM and manifold pressure of the file go back.
        const std::vector<Bytes> w = WritesOf(p.Rig.Requests());
        EXPECT_NE(std::find(w.begin(), w.end(), Request({0x52, 17, 900 >> 8, 900 & 0xFF})), w.end());
        EXPECT_NE(std::find(w.begin(), w.end(), Request({0x08, 47, 40})), w.end());
        p.Save(second);
        // "Load from Pcol" (bit 2 of the adaptation flags) comes with "I": a
        // file saved below it leaves the other device's bit as it holds it
        // (the opposite of the first device's).
        std::map<QString, QString> restored = saved;
        const QString flags = QStringLiteral("MapCorrections/Model_OBDAdaptCorrConfig");
        if (version < 'I' && restored.count(flags))
            restored[flags] = QString::number(restored[flags].toInt() ^ 4);
        EXPECT_EQ(Differences(restored, Stored(second), false).toStdString(), "");
    }
}

TEST(SettingsFileKind48, AConfirmedLoadWritesItsGroupsInTheFixedOrder)
{
    for (char version : {'G', 'J'}) {
        SCOPED_TRACE(version);
        Kind48Program p(version);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a.ddf"));
        p.Save(file);
        p.Rig.Device(TurnOver);
        p.Rig.Server.log().clear();
        p.Load(file);
        ASSERT_EQ(p.Boxes.size(), 1) << p.BoxTexts().join(u'|').toStdString();
        const std::vector<Bytes> frames = p.Rig.Requests();
        // Each group after the one before it: the configuration through
        // its window (its first write, the base block, its last), the
        // interrupted-measurement flag, the level sets, the panel LED, the
        // options and the map range, the corrections, the next inspection,
        // the gas-injector corrections, the map rows, model 2 as the file
        // holds it, and the calibration window read again.
        const struct {
            uint8_t Command;
            int Id; // -1: any
        } groups[] = {{0x08, 37}, {0x04, -1}, {0x52, 21}, {0x08, 6},   {0x08, 7},  {0x37, -1}, {0x38, -1}, {0x08, 22},
                      {0x52, 14}, {0x08, 19}, {0x16, 74}, {0xD1, -1},  {0x57, -1}, {0x94, -1}, {0xDF, 0},
                      {0xDF, 39}, {0x08, 30}, {0x52, 8},  {0x16, 1},   {0xD5, 1},  {0xC1, -1}, {0xD8, -1}};
        auto at = frames.begin();
        for (const auto &g : groups) {
            at = std::find_if(at, frames.end(), [&g](const Bytes &f) { return f[1] == g.Command && (g.Id < 0 || f[2] == g.Id); });
            ASSERT_NE(at, frames.end()) << std::hex << int(g.Command) << " " << std::dec << g.Id;
        }
        // The file's level sets and options, not the ones read back between.
        const std::vector<Bytes> w = WritesOf(frames);
        EXPECT_NE(std::find(w.begin(), w.end(), Request({0x37, 180, 130, 90, 35, 0})), w.end());
        EXPECT_NE(std::find(w.begin(), w.end(), Request({0x52, 14, 0x01, 0x04})), w.end());
        EXPECT_FALSE(p.Form->ConfigModified());
    }
}

TEST(SettingsFileKind48, AValueTheDeviceRefusesRefusesTheWholeFile)
{
    Kind48Program p('G');
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("a.ddf")), file = dir.filePath(QStringLiteral("b.ddf"));
    p.Save(saved);
    const struct {
        const char *Key;
        const char *Value;
        const char *Range;
        const char *Section = "Config";
    } cases[] = {
        {"Power", "0", "(1 - 999)"},     {"Power", "1000", "(1 - 999)"}, {"LambdaType", "8", "(0 - 7)"},
        {"ReserveType", "4", "(0 - 3)"}, {"LowPT", "256", "(0 - 255)"},  {"RPM>val", "65536", "(0 - 65535)"},
        // Present but not the key's number: refused, never written as its default.
        {"EngineCubicCapacity", "1600.5", "(0 - 9999)"}, {"EngineCubicCapacity", "1e400", "(0 - 9999)"},
        {"Power", "abc", "(1 - 999)"},
        // An idle-model point beyond its word (350.45 ms), never cut to it.
        {"P2Y", "400", "(0 - 350.45)", "Model"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Key);
        WithConfig(saved, file, c.Key, QString::fromLatin1(c.Value), c.Section);
        p.Boxes.clear();
        p.Rig.Server.log().clear();
        p.Load(file);
        ASSERT_EQ(p.Boxes.size(), 1) << p.BoxTexts().join(u'|').toStdString();
        const QString text = p.Boxes[0].Text;
        EXPECT_TRUE(text.contains(QStringLiteral("%1=%2").arg(QLatin1String(c.Key), QLatin1String(c.Value))))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(c.Range))) << text.toStdString();
        EXPECT_TRUE(WritesOf(p.Rig.Requests()).empty());
    }

    // A key the file lacks whose default the device refuses: the device's
    // own value stays and the rest is written.
    WithConfig(saved, file, "MicroInjectionTime", QString());
    p.Rig.Device([](SimControllerState &s) { s.Payload[0xD8][23] = 150; });
    p.Rig.Device([](SimControllerState &s) { s.Param8[23] = 150; });
    p.Form->ReadConfiguration();
    p.Boxes.clear();
    p.Rig.Server.log().clear();
    p.Load(file);
    ASSERT_EQ(p.Boxes.size(), 1) << p.BoxTexts().join(u'|').toStdString();
    const std::vector<Bytes> w = WritesOf(p.Rig.Requests());
    EXPECT_NE(std::find(w.begin(), w.end(), Request({0x08, 23, 150})), w.end());
    EXPECT_NE(std::find_if(w.begin(), w.end(), [](const Bytes &f) { return f[1] == 0xDF; }), w.end());
}

TEST(SettingsFileKind48, AWriteThatFailsPartWaySaysSoAndStaysModified)
{
    Kind48Program p('G');
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.ddf"));
    p.Save(file);
    // The step whose frame the device does not answer: the load stops
    // there, says which, and the pages keep the file's values, marked.
    const struct {
        uint8_t Command;
        const char *Step;
        int Boxes; // the question and the load's: one box for the one failure
    } steps[] = {{0xD3, "strSetFileStepCorrections", 2}, {0xC1, "strSetFileStepModel2", 2}, {0x37, "strSetFileStepLevels", 2}};
    for (const auto &step : steps) {
        SCOPED_TRACE(step.Step);
        ASSERT_TRUE(p.Rig.Connect());
        p.Rig.Device(DeviceA);
        p.Rig.Device(TurnOver);
        p.Form->ReadConfiguration();
        p.Boxes.clear();
        p.Rig.Server.log().clear();
        const uint8_t command = step.Command;
        p.Rig.Server.injectFaultWhen([command](const Bytes &f) { return f.size() > 1 && f[1] == command; },
                                     Fault::noAnswer(), 50);
        p.Load(file);
        p.Rig.Server.clearFaults();
        ASSERT_EQ(p.Boxes.size(), step.Boxes) << p.BoxTexts().join(u'|').toStdString();
        EXPECT_EQ(p.Boxes.back().Text, TranslateKey(QStringLiteral("strSetFileWriteIncomplete"))
                                           .arg(TranslateKey(QString::fromLatin1(step.Step))));
        EXPECT_EQ(p.Boxes.back().Type, mtWarning);
        std::vector<uint8_t> sent;
        for (const Bytes &f : WritesOf(p.Rig.Requests()))
            sent.push_back(f[1]);
        // The configuration went out; nothing after the failed step.
        EXPECT_NE(std::find(sent.begin(), sent.end(), 0x04), sent.end());
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back(), step.Command);
        EXPECT_TRUE(p.Form->ConfigModified());
        EXPECT_EQ(DeviceRecord.PW0, 180); // the file's value stays on the pages
    }

    // Connected again, a second load completes it (the pages' changes
    // pass the change-record question first).
    ASSERT_TRUE(p.Rig.Connect());
    p.Boxes.clear();
    p.Load(file);
    ASSERT_FALSE(p.Boxes.isEmpty());
    for (const TMessageBoxInfo &box : p.Boxes)
        EXPECT_EQ(box.Type, mtConfirmation) << box.Text.toStdString();
    p.Rig.Device([](SimControllerState &s) {
        EXPECT_EQ(s.Payload[0x35], (Bytes{180, 130, 90, 35}));
        EXPECT_EQ(s.Payload[0x93], (Bytes{uint8_t(-5), 4, uint8_t(-3), 2, uint8_t(-1), 0, 1, 9}));
    });
    EXPECT_FALSE(p.Form->ConfigModified());
}

TEST(SettingsFileKind48, ACancelledLoadShowsTheFileInTheCalibrationWindowAndSendsNothing)
{
    Kind48Program p('G');
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.ddf")), own = dir.filePath(QStringLiteral("b.ddf"));
    p.Save(file);
    p.Rig.Device(TurnOver);
    FrmMultiCalibrationTaronQV->ReadAllFromDevice();
    // What the other device holds, as a save reads it.
    p.Save(own);
    QComboBox *idleRpm = FrmMultiCalibrationTaronQV->Model->CmBKnfIdleHotRPM;
    EXPECT_EQ(idleRpm->currentText(), QString::number(uint16_t(~900)));
    p.Ok = mrCancel;
    p.Rig.Server.log().clear();
    p.Load(file);
    EXPECT_TRUE(WritesOf(p.Rig.Requests()).empty());
    EXPECT_EQ(idleRpm->currentText(), QStringLiteral("900"));

    // The record holds the device's values where the configuration window
    // shows the device again, the file's where the pages go on showing the
    // file: every value one of the two, none that neither holds.
    const std::map<QString, QString> device = Stored(own), loaded = Stored(file), held = RecordKeys();
    QStringList neither;
    for (const auto &[key, value] : held) {
        const QString d = device.count(key) ? device.at(key) : QString(), f = loaded.count(key) ? loaded.at(key) : QString();
        if (d.isNull() && f.isNull())
            continue;
        // The adaptation flags of a "G" file are the file's bits with the
        // device's "load from Pcol" (bit 2), as the load would write them.
        if (key == QLatin1String("MapCorrections/Model_OBDAdaptCorrConfig") && value.toInt() == ((f.toInt() & ~4) | (d.toInt() & 4)))
            continue;
        if (value != d && value != f)
            neither << QStringLiteral("%1=%2 (device %3, file %4)").arg(key, value, d, f);
    }
    EXPECT_EQ(neither.join(u' ').toStdString(), "");
    const QString power = QStringLiteral("Config/Power");
    EXPECT_EQ(held.at(power).toStdString(), device.at(power).toStdString());
    EXPECT_NE(held.at(power).toStdString(), loaded.at(power).toStdString());
    // The configuration window and the record already show what a read of
    // the device now gives.
    TFrmMultiConfigurationTaronQV *window = FrmMultiConfigurationTaronQV;
    const QStringList shown = controltest::ControlStates(window->PnlMultiConfiguration);
    EXPECT_GT(shown.size(), 50);
    EXPECT_EQ(window->InfoPage->YEdKnfPower->text().toStdString(), device.at(power).toStdString());
    // The record holds what the calibration window shows, for its Write to
    // send; the configuration is the device's again.
    EXPECT_EQ(DeviceRecord.IdleHotRPM, 900);
    p.Rig.Device([](SimControllerState &s) {
        EXPECT_EQ(DeviceRecord.Power, s.Payload[0xD8][10] << 8 | s.Payload[0xD8][11]);
    });
    ASSERT_TRUE(window->RefreshFromDevice());
    EXPECT_EQ(controltest::StateChanges(shown, controltest::ControlStates(window->PnlMultiConfiguration)), "");
    // Every value the record held as the device's is what a fresh read gives.
    std::map<QString, QString> asDevice;
    for (const auto &[key, value] : held)
        if (device.count(key) && value == device.at(key))
            asDevice[key] = value;
    std::map<QString, QString> reread = RecordKeys();
    for (auto it = reread.begin(); it != reread.end();)
        it = asDevice.count(it->first) ? std::next(it) : reread.erase(it);
    EXPECT_GT(asDevice.size(), 50u);
    EXPECT_EQ(Differences(asDevice, reread, false).toStdString(), "");
}

// File > Save, then File > Load on the same device: values no list or bar
// shows (a threshold of 0, a switching RPM of 2200) go back as saved, and
// the device saves the same file again.
TEST(SettingsFileKind48, SaveThenLoadOnTheSameDeviceKeepsValuesNoControlShows)
{
    // Each version step and hardware variant, and devices holding settings
    // no list of the windows offers (low-pressure threshold 5, nozzle 3,
    // ...): the load gives every setting the version holds back as it was.
    // A bank-2 correction offset word finer than the two decimals the pages
    // show (word 1 is 0.0053 ms) goes back as the word, not as "0.01".
    const struct {
        char Version;
        uint8_t Variant;
        bool Outside;
        int CorrectionWord = -1;
    } devices[] = {{'C', 0, false}, {'D', 4, true}, {'F', 1, true}, {'G', 2, false}, {'G', 4, true}, {'J', 3, true},
                   {'C', 0, false, 1}, {'J', 0, false, 1}};
    const std::map<char, std::vector<int>> held8 = {
        {'A', {19, 22, 29, 31, 32, 33, 35, 37, 38, 39, 40, 42}}, {'D', {43, 44, 45, 46}}, {'F', {49, 50}},
        {'G', {47, 52}}};
    const std::map<char, std::vector<int>> held16 = {{'A', {11, 12, 14, 16}}, {'F', {18, 19}},
                                                     {'G', {17, 20, 21, 22, 24, 25}}};
    for (const auto &d : devices) {
        SCOPED_TRACE(std::string(1, d.Version) + " variant " + std::to_string(d.Variant) + (d.Outside ? " outside" : ""));
        Kind48Program p(d.Version);
        p.Rig.Device([&](SimControllerState &s) {
            s.Payload[0x35] = {0, 130, 90, 35};
            s.Pages[1] = d.Variant;
            if (d.Outside)
                SimController::OutsideLists(s);
            if (d.CorrectionWord >= 0)
                s.Model[12] = uint16_t(d.CorrectionWord);
        });
        p.Form->ReadConfiguration();
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("a.ddf")), second = dir.filePath(QStringLiteral("b.ddf"));
        p.Save(first);
        const std::map<QString, QString> saved = Stored(first);
        SimControllerState before;
        p.Rig.Device([&](SimControllerState &s) { before = s; });
        p.Boxes.clear();
        p.Load(first);
        ASSERT_EQ(p.Boxes.size(), 1) << p.BoxTexts().join(u'|').toStdString();
        int offsetWrites = 0;
        for (const Bytes &f : WritesOf(p.Rig.Requests()))
            if (f[1] == 0x16 && f[2] == 12) {
                ++offsetWrites;
                EXPECT_EQ(f[3] << 8 | f[4], before.Model[12]);
            }
        EXPECT_GT(offsetWrites, 0);
        p.Rig.Device([&](SimControllerState &s) {
            EXPECT_EQ(s.Model[12], before.Model[12]);
            EXPECT_EQ(s.Payload[0xD8], before.Payload[0xD8]);
            EXPECT_EQ(s.Payload[0x35], before.Payload[0x35]);
            for (const auto &[from, ids] : held8)
                for (int id : ids)
                    EXPECT_TRUE(d.Version < from || s.Param8[size_t(id)] == before.Param8[size_t(id)]) << "8-bit id " << id;
            for (const auto &[from, ids] : held16)
                for (int id : ids)
                    EXPECT_TRUE(d.Version < from || s.Param16[size_t(id)] == before.Param16[size_t(id)])
                        << "16-bit id " << id;
        });
        p.Save(second);
        EXPECT_EQ(Differences(saved, Stored(second), false).toStdString(), "");
    }
}

// A refused file changes nothing: an unwritten edit on the kind-48
// configuration window stays, marked, and is not read over.
TEST(SettingsFileKind48, ARefusedFileKeepsTheWindowsUnwrittenEdit)
{
    Kind48Program p('G');
    shellwiring::Get<QAction>(*p.Form, "MnIWindowMultiConfiguration")->trigger();
    TFrmMultiConfigurationTaronQV *window = FrmMultiConfigurationTaronQV;
    ASSERT_NE(window, nullptr);
    QLineEdit *power = window->InfoPage->YEdKnfPower;
    power->setText(QStringLiteral("123"));
    Q_EMIT power->textEdited(power->text());
    ASSERT_TRUE(window->Modified());
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.ddf"));
    // No version at all, and a kind-20 file whose two-digit identity
    // numbers put the kind-48 code where a one-digit identity leaves the
    // kind code: saved from another kind of device, whatever it lacks.
    const struct {
        QByteArray Bytes;
        const char *Reason;
    } files[] = {{"[Info]\r\nVersion=15\r\n", "strSetFileNoVersion"},
                 {"[Info]\r\nVer=002103014J STAND [0-0]\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nP1=1\r\n", "strSetFileKind"}};
    for (const auto &f : files) {
        SCOPED_TRACE(f.Reason);
        WriteAll(bad, f.Bytes);
        p.Boxes.clear();
        p.Rig.Server.log().clear();
        p.Load(bad);
        ASSERT_EQ(p.Boxes.size(), 1) << p.BoxTexts().join(u'|').toStdString();
        const QString reason = TranslateKey(QString::fromLatin1(f.Reason));
        EXPECT_TRUE(p.Boxes[0].Text.contains(reason.left(reason.indexOf(QLatin1Char('%')))))
            << p.Boxes[0].Text.toStdString();
        EXPECT_TRUE(window->Modified());
        EXPECT_EQ(power->text(), QStringLiteral("123"));
        EXPECT_EQ(p.Rig.Server.log().count(), 0u);
    }
}

// The bank-2 correction offset has one range, its word's, on every page that
// writes it: the calibration window's corrections write refuses a value
// beyond it before any frame or question, naming the range the main
// window's corrections page and a settings file's reader name, and writes
// either end of the word as typed (a device's own backup holds them).
TEST(SettingsFileKind48, TheCorrectionOffsetHasOneRangeOnEveryPage)
{
    Kind48Program p('G');
    ASSERT_NE(FrmMultiCalibrationTaronQV, nullptr);
    QLineEdit *offset = FrmMultiCalibrationTaronQV->Model->YEdCalModellingAdditionalCorrectionOffset;
    // The curves' cells show what the device holds (the write sends them).
    ASSERT_TRUE(FrmMultiCalibrationTaronQV->Corrections->Read());
    const struct {
        const char *Typed;
        int Word; // -1: refused
    } cases[] = {{"-175.24", -1}, {"175.23", -1}, {"-175.2299", 0x8000}, {"175.2245", 0x7FFF}, {"-1", 0xFF45}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Typed);
        offset->setText(QString::fromLatin1(c.Typed));
        Q_EMIT offset->textEdited(offset->text());
        p.Boxes.clear();
        p.Rig.Server.log().clear();
        FrmMultiCalibrationTaronQV->Corrections->BtnCorWriteCorrections->click();
        const std::vector<Bytes> written = WritesOf(p.Rig.Requests());
        if (c.Word < 0) {
            EXPECT_TRUE(p.Rig.Requests().empty());
            ASSERT_EQ(p.Boxes.size(), 1);
            EXPECT_TRUE(p.Boxes[0].Text.contains(QStringLiteral("-175.22\u00A0-\u2060\u00A0175.22"))) << p.Boxes[0].Text.toStdString();
            continue;
        }
        EXPECT_NE(std::find(written.begin(), written.end(), Request({0x16, 12, uint8_t(c.Word >> 8), uint8_t(c.Word)})),
                  written.end());
    }
}
