// File > Save As and File > Load of the main window against the simulated
// controller: what reaches the file, what reaches the device and in which
// order, and that a refused or cancelled load sends nothing.
#include "common/GiveUp.h"
#include "common/TestFiles.h"
#include "controls/ControlTestSupport.h"
#include "core/ConfigurationByKind.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/IniFile.h"
#include "core/LM.h"
#include "core/SettingsFile.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "mainwindow/configuration/CorrectionsPage.h"
#include "mainwindow/shell/FormMain.h"
#include "sim/SimControllerFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

using namespace sim;

namespace {

QString Tr(const char *key)
{
    const QString k = QString::fromLatin1(key);
    return LM ? LM->Translate(k) : QStringLiteral("!_") + k;
}

using testsupport::ReadAll;
using testsupport::WriteAll;

// Write commands of the controller protocol.
bool IsWrite(uint8_t c)
{
    static const uint8_t writes[] = {0x04, 0x08, 0x16, 0x32, 0x34, 0x37, 0x38, 0x52, 0x94, 0x96,
                                     0x98, 0xC1, 0xD1, 0xD3, 0xD5, 0xD9, 0xDA, 0xDE, 0xDF, 0x62};
    return std::find(std::begin(writes), std::end(writes), c) != std::end(writes);
}

// A kind-20/21 controller holding a worked configuration (defined below).

const QByteArray Kind20File =
    "[Info]\r\nSaveDate=07.12.2026 09:15\r\nVer=0000014C STD [3]\r\n"
    "[Config]\r\nInjSW=6\r\nInjHW=8\r\nPower=77\r\nPW0=180\r\nPW1=130\r\nPW2=90\r\nPW3=35\r\n"
    "0900=20\r\n0901=45\r\n0902=60\r\n0903=70\r\nT=95\r\n"
    "[Model]\r\nMult=1,25\r\nOffset=-0,5\r\nP1=6\r\nP2=11\r\nE1=3\r\nCorrectionMask=5\r\n";

class SettingsFileCommandsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        TCommon::SetAnswerProvider([](const TMessageBoxInfo &box) {
            Boxes.push_back(box);
            return box.Buttons.contains(int(mrCancel)) ? Answer : int(mrOk);
        });
        Common = new TCommon;
        // The program's English texts, so that every message is checked
        // against them.
        SavedLm = LM;
        LM = new TLM;
        ASSERT_TRUE(LM->LoadLanguageFile(QStringLiteral("EN")));
        Window = new TFormMain;
    }
    static void TearDownTestSuite()
    {
        delete Window;
        Window = nullptr;
        delete LM;
        LM = SavedLm;
        delete Common;
        Common = nullptr;
        TCommon::SetAnswerProvider({});
    }

    void Start(uint8_t kind, char version)
    {
        Rig = std::make_unique<SimControllerRig>(kind, version);
        if (kind != 48) {
            // A configured device that refuses what a real one refuses,
            // read as a connect reads it.
            Rig->Device([this](SimControllerState &s) {
                sim::SimController::ConfiguredKind21(s);
                Rig->Controller.SetConfigurationLimits();
            });
        }
        ASSERT_TRUE(Rig->Connect());
        if (kind != 48) {
            ASSERT_NE(ReadConfigurationByKind(Rig->Manager), 0);
            Rig->Server.log().clear();
        }
        Boxes.clear();
        Answer = mrOk;
        Dialogs.clear();
        Window->SettingsFileName.clear();
        Window->SettingsRestoreRequest = 0;
        Window->SettingsFileDialog = [this](bool save, const QString &folder, const QString &file) {
            Dialogs.push_back({save, folder, file});
            return Chosen;
        };
    }
    void TearDown() override
    {
        Rig.reset();
        Window->SettingsFileDialog = {};
    }

    std::vector<uint8_t> Commands() const
    {
        std::vector<uint8_t> out;
        for (const auto &r : Rig->Requests())
            out.push_back(r[1]);
        return out;
    }
    std::vector<Bytes> Writes() const
    {
        std::vector<Bytes> out;
        for (const auto &r : Rig->Requests())
            if (IsWrite(r[1]))
                out.push_back(r);
        return out;
    }
    QString Path(const char *name) const { return Dir.filePath(QString::fromLatin1(name)); }
    template <typename T> static T *Get(const char *name)
    {
        return Window->findChild<T *>(QString::fromLatin1(name));
    }

    struct DialogCall {
        bool Save;
        QString Folder, File;
    };
    static inline TFormMain *Window = nullptr;
    static inline TLM *SavedLm = nullptr;
    static inline std::vector<TMessageBoxInfo> Boxes;
    static inline int Answer = mrOk;
    std::unique_ptr<SimControllerRig> Rig;
    QTemporaryDir Dir;
    QString Chosen;
    std::vector<DialogCall> Dialogs;
};

} // namespace

TEST_F(SettingsFileCommandsTest, SaveRefreshesFromTheDeviceAndWritesOnlyTheFile)
{
    Start(20, 'E');
    Rig->Device([](SimControllerState &s) {
        s.Payload[0x03][0] = 95; // switch-over temperature code
        s.Param16[6] = 77;       // power
    });
    Chosen = Path("car.ddf");
    Window->MnIFileSaveAsClick();

    ASSERT_EQ(Dialogs.size(), 1u);
    EXPECT_TRUE(Dialogs[0].Save);
    EXPECT_TRUE(Writes().empty());
    const std::vector<uint8_t> c = Commands();
    EXPECT_NE(std::find(c.begin(), c.end(), 0x10), c.end());
    EXPECT_NE(std::find(c.begin(), c.end(), 0x02), c.end());
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(Window->SettingsFileName, Chosen);

    const QByteArray bytes = ReadAll(Chosen);
    EXPECT_TRUE(bytes.contains("\r\nT=95\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nPower=77\r\n"));
    EXPECT_FALSE(bytes.contains('\n' + QByteArray("\n")));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    TIniFile ini;
    ini.LoadFromBytes(bytes);
    EXPECT_TRUE(ini.ReadString("Info", "Ver").startsWith(QStringLiteral("0000014E")));
    EXPECT_EQ(ini.ReadSection("Config").size(), 40); // with the two flags of kind 20
    EXPECT_EQ(ini.ReadSection("Model").size(), 13);

    // The next dialog starts in the folder of the file; a failed device
    // read leaves the old file as it was and no file beside it.
    Rig->Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] == 0x02; }, Fault::noAnswer(), 50);
    WriteAll(Path("other.ddf"), "old");
    Chosen = Path("other.ddf");
    Window->SettingsRestoreRequest = 1;
    Window->MnIFileSaveAsClick();
    Rig->Server.clearFaults();
    ASSERT_EQ(Dialogs.size(), 2u);
    EXPECT_EQ(QDir(Dialogs[1].Folder), QDir(Dir.path()));
    EXPECT_EQ(ReadAll(Path("other.ddf")), QByteArray("old"));
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files).size(), 2);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, Tr("strComError"));
    EXPECT_EQ(Window->SettingsFileName, Path("car.ddf"));
    EXPECT_EQ(Window->SettingsRestoreRequest, 0);
}

TEST_F(SettingsFileCommandsTest, TheProgramsOwnFileDialogChoosesTheFileToSave)
{
    Start(20, 'E');
    Window->SettingsFileDialog = {};
    const QString chosen = Path("dialog.ddf");
    int shown = 0;
    QTimer poll;
    poll.setInterval(20);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // Whatever still waits modally after a while is closed, so that a
        // miss fails here instead of waiting for ever.
        if (waited.elapsed() > testsupport::GiveUpMs) {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
            return;
        }
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            // Into the folder first; the name once the dialog is there.
            const QFileInfo target(chosen);
            if (QDir(dialog->directory()) != target.absoluteDir()) {
                dialog->setDirectory(target.absolutePath());
                return;
            }
            ++shown;
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            // Typed into the name field, as a user does.
            if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->setText(target.fileName());
            QMetaObject::invokeMethod(dialog, "accept");
            return;
        }
    });
    poll.start();
    Window->MnIFileSaveAsClick();
    poll.stop();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Window->SettingsFileName, chosen);
    EXPECT_TRUE(ReadAll(chosen).contains("[Config]"));
}

TEST_F(SettingsFileCommandsTest, Kind48SaveReadsBeforeTheDialogAndKeepsOtherSections)
{
    Start(48, 'G');
    // The main window with its corrections page, which reads the file's
    // correction sections.
    TFormMain *shared = Window;
    TFormMain own;
    TCorrectionsPage::Install(own);
    own.SettingsFileDialog = shared->SettingsFileDialog;
    Window = &own;
    struct TPut {
        TFormMain *Shared;
        ~TPut() { Window = Shared; }
    } put{shared};
    Rig->Device([](SimControllerState &s) {
        s.RowsDC[5] = {0x00, 0x01, 0x80, 0x64, 0x80, 0xC8};
        s.Payload[0x35] = {11, 12, 13, 14};
        s.Param8[22] = 1;
        // The correction curves and the adaptation banks the device holds.
        for (uint8_t c : {0xD0, 0xD2, 0xDB, 0x97})
            s.Payload[c].assign(20, 0);
        s.Payload[0xD0][0] = 55;
        s.Payload[0xD2][19] = uint8_t(-7);
        s.Payload[0xDB][9] = 33;
        s.Payload[0x97][4] = uint8_t(-4);
        s.Model[104] = 5;
        s.Model[83] = 0xFFFE; // idle correction -2
        s.AdaptBanks[1][97] = uint8_t(-9); // bank 2, row 9, column 7
    });
    // Cancelled: the device was read all the same, no file.
    Chosen.clear();
    Window->MnIFileSaveAsClick();
    const std::vector<uint8_t> c = Commands();
    EXPECT_NE(std::find(c.begin(), c.end(), 0xD8), c.end());
    EXPECT_EQ(std::find(c.begin(), c.end(), 0xDC), c.end());
    EXPECT_TRUE(Window->SettingsFileName.isEmpty());

    Chosen = Path("multi.ddf");
    WriteAll(Chosen, "[Werkstatt]\r\nKunde=1\r\n[Map]\r\nMapQ3_0_0=7\r\n");
    Rig->Server.log().clear();
    Window->MnIFileSaveAsClick();
    EXPECT_TRUE(Writes().empty());
    const std::vector<uint8_t> c2 = Commands();
    for (uint8_t read : {0x02, 0xD8, 0x07, 0x35, 0x36, 0xDC})
        EXPECT_NE(std::find(c2.begin(), c2.end(), read), c2.end()) << int(read);
    TIniFile ini(Chosen);
    ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
    EXPECT_EQ(ini.ReadSections(), (QStringList{"Werkstatt", "Info", "Config", "Model", "Map", "GasInjCorr", "MapCorrections"}));
    EXPECT_EQ(ini.ReadString("Info", "Ver").mid(5, 2), QStringLiteral("30"));
    EXPECT_EQ(ini.ReadString("Config", "PanelLED"), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString("Config", "PW3"), QStringLiteral("14"));
    EXPECT_EQ(ini.ReadString("Map", "MapQ3_5_0"), QString::number(0x8096));
    EXPECT_EQ(ini.ReadString("Map", "MapQ3_0_0"), QStringLiteral("0"));
    EXPECT_TRUE(ini.ValueExists("MapCorrections", "MaxTbForLoad"));
    EXPECT_FALSE(ini.ValueExists("MapCorrections", "MaxPcolForLoad"));
    // The file holds the device's corrections and banks.
    EXPECT_EQ(ini.ReadString("Model", "CPS1"), QStringLiteral("55"));
    EXPECT_EQ(ini.ReadString("Model", "CTG20"), QStringLiteral("-7"));
    EXPECT_EQ(ini.ReadString("Model", "CRPM10"), QStringLiteral("33"));
    EXPECT_EQ(ini.ReadString("Model", "CPCOL5"), QStringLiteral("-4"));
    EXPECT_EQ(ini.ReadString("MapCorrections", "Model_OBDAdaptCorrConfig"), QStringLiteral("5"));
    EXPECT_EQ(ini.ReadString("Config", "CorrectionForIdle"), QStringLiteral("-2"));
    EXPECT_EQ(ini.ReadString("MapCorrections", "AdaptCorrectionsBank2_9_7"), QStringLiteral("-9"));
    EXPECT_EQ(DeviceRecord.MapRows[5][0], 1); // the record keeps the device's rows
}

TEST_F(SettingsFileCommandsTest, Kind20LoadShowsTheFileAndWritesTheLevelSensorsOnOk)
{
    Start(21, 'E');
    Chosen = Path("car.ddf");
    WriteAll(Chosen, Kind20File);
    Answer = mrCancel;
    Window->MnIFileLoadCnfClick();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, Tr("strSaveCnf"));
    EXPECT_EQ(Boxes[0].Caption, Tr("strSaveCnfT"));
    EXPECT_TRUE(Rig->Requests().empty());
    EXPECT_EQ(Dialogs[0].File, QStringLiteral("")); // no file preselected before one was used
    EXPECT_EQ(Window->SettingsFileName, Chosen);
    EXPECT_EQ(DeviceRecord.InjHW, 8);
    EXPECT_EQ(DeviceRecord.Power, 77);
    EXPECT_EQ(DeviceRecord.P3, 15); // missing: default
    EXPECT_EQ(DeviceRecord.DeviceKind, 21);
    EXPECT_EQ(Get<QSpinBox>("UpDProgA")->value(), 6);
    EXPECT_EQ(Get<QSpinBox>("UpDWzbogacenieProgA")->value(), 3);
    EXPECT_EQ(Get<QSpinBox>("UpDModMult")->value(), 25);
    EXPECT_EQ(Get<QLineEdit>("EdtModMULT_")->text(), QStringLiteral("1.25"));
    EXPECT_EQ(Get<QLineEdit>("YEdModOffset")->text(), QStringLiteral("-0.50"));

    Boxes.clear();
    Answer = mrOk;
    DeviceRecord.PW0 = 1; // a read-back between the writes must not win
    Window->MnIFileLoadCnfClick();
    const std::vector<Bytes> w = Writes();
    ASSERT_GE(w.size(), 2u);
    EXPECT_EQ(w[w.size() - 2], Request({0x37, 180, 130, 90, 35, 0}));
    EXPECT_EQ(w.back(), Request({0x38, 20, 45, 60, 70, 0}));
    Rig->Device([](SimControllerState &s) {
        EXPECT_EQ(s.Payload[0x35], (Bytes{180, 130, 90, 35}));
    });
}

TEST_F(SettingsFileCommandsTest, RefusedAndCancelledLoadsSendNothing)
{
    Start(20, 'E');
    const QByteArray head = "[Info]\r\nVer=0000014C\r\n[Config]\r\n";
    const struct {
        const char *Name;
        QByteArray Bytes;
        const char *Detail;
        const char *Reason; // a part of the reason in words
        uint8_t Kind = 20;  // of the device the file is loaded into
    } cases[] = {
        {"kind48.ddf", "[Info]\r\nVer=0000030G\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nMult=1\r\n[Map]\r\nMapRPMRange=1\r\n", "30",
         "Ver=0000030G"},
        // A kind-48 file whose two-digit identity numbers put a kind-20 or
        // kind-21 code where a one-digit identity leaves the kind code.
        {"identity48.ddf", "[Info]\r\nVer=002101430J STAND [0-0]\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nMult=1\r\n", "30",
         "saved from another kind of device (Ver=002101430J STAND [0-0])"},
        {"short.ddf", "[Info]\r\nVer=000001\r\n", "01", "Ver=000001"},
        {"notes.ddf", "Dear workshop,\r\nhere is the invoice.\r\n", "", "no version code"},
        {"textver.ddf", "[Info]\r\nVer=abc\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nP1=1\r\n", "", "no version code"},
        {"wordver.ddf", "[Info]\r\nVer=abcdefgh\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nP1=1\r\n", "", "no version code"},
        // A digit of another script in the version (UTF-8 bytes): a version
        // that cannot be read, shown as the file holds it.
        {"arabic.ddf", "[Info]\r\nVer=002013\xD9\xA3" "0G\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nP1=1\r\n", "",
         "version code cannot be read (Ver=002013\u0663" "0G)"},
        {"nover.ddf", "[Info]\r\nVer=\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nP1=1\r\n", "", "no version code"},
        {"binary.ddf", QByteArray("[Info]\r\nVer=0000014C\r\n[Config]\r\nInjSW=@@\r\n[Model]\r\nP1=1\r\n").replace('@', '\0'), "NUL",
         "NUL bytes"},
        {"utf16.ddf", QByteArray("[\0I\0n\0f\0o\0]\0\r\0\n\0", 18), "", "NUL bytes"},
        {"empty.ddf", QByteArray(""), "", "empty"},
        {"cut.ddf", "[Info]\r\nVer=0000014C\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nCorrectionMu", "CorrectionMu...", "line 6"},
        {"semicut.ddf", "[Info]\r\nVer=0000014C\r\n[Config]\r\nSemiGa", "SemiGa...", "line 4"},
        {"info.ddf", "[Info]\r\nVer=0000014C\r\n", "[Config]", "section [Config]"},
        {"nomodel.ddf", "[Info]\r\nVer=0000014C\r\n[Config]\r\nInjSW=4\r\n", "[Model]", "section [Model]"},
        {"wide.ddf", head + "PW0=300\r\n[Model]\r\nP1=1\r\n", "PW0=300", "(0 - 255)"},
        // What the field holds but the device refuses.
        {"power.ddf", head + "Power=5000\r\n[Model]\r\nP1=1\r\n", "Power=5000", "is outside what the device accepts (1 - 999)"},
        {"nopower.ddf", head + "Power=0\r\n[Model]\r\nP1=1\r\n", "Power=0", "(1 - 999)"},
        {"idle.ddf", head + "IdleHotTb=65535\r\n[Model]\r\nP1=1\r\n", "IdleHotTb=65535", "(0 - 65450)"},
        {"lambda.ddf", head + "LambdaType=16\r\n[Model]\r\nP1=1\r\n", "LambdaType=16", "(0 - 15)"},
        {"cylinders.ddf", head + "InjSW=8\r\n[Model]\r\nP1=1\r\n", "InjSW=8", "3, 4, 5, 6"},
        // Present but not the key's number: refused, never written as its default.
        {"fraction.ddf", head + "EngineCubicCapacity=1600.5\r\n[Model]\r\nP1=1\r\n", "EngineCubicCapacity=1600.5",
         "is not a whole number; the device accepts whole numbers (0 - 9999)"},
        {"text.ddf", head + "EngineCubicCapacity=abc\r\n[Model]\r\nP1=1\r\n", "EngineCubicCapacity=abc",
         "is not a number; the device accepts numbers (0 - 9999)"},
        {"missing.ddf", QByteArray(), "", "does not exist"},
        {"identity48-21.ddf", "[Info]\r\nVer=002101530J\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nMult=1\r\n", "30",
         "saved from another kind of device (Ver=002101530J)", 21},
    };
    DeviceRecord.InjSW = 3;
    uint8_t kind = 20;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.Kind != kind) {
            kind = c.Kind;
            Rig.reset(); // the controller of the other kind in its place
            Start(kind, 'E');
            DeviceRecord.InjSW = 3;
        }
        Chosen = Path(c.Name);
        if (!c.Bytes.isNull())
            WriteAll(Chosen, c.Bytes);
        Boxes.clear();
        Window->MnIFileLoadCnfClick();
        ASSERT_EQ(Boxes.size(), 1u);
        // The short form first (no empty brackets), then the file and the
        // reason in words.
        const QStringList parts = Boxes[0].Text.split(QStringLiteral("\r\n"));
        ASSERT_GE(parts.size(), 4);
        const QString detail = QString::fromLatin1(c.Detail);
        EXPECT_EQ(parts[0], Tr("strWrongConfFile") + (detail.isEmpty() ? QString() : " [" + detail + "]"));
        EXPECT_EQ(parts[2], Chosen);
        EXPECT_TRUE(parts[3].contains(QString::fromUtf8(c.Reason))) << parts[3].toStdString();
        EXPECT_FALSE(Boxes[0].Text.contains(QStringLiteral("!_"))) << Boxes[0].Text.toStdString();
        EXPECT_EQ(Boxes[0].Type, mtWarning);
        EXPECT_EQ(Boxes[0].Buttons, QList<int>{int(mrOk)});
        EXPECT_EQ(DeviceRecord.InjSW, 3);
        EXPECT_EQ(Window->SettingsFileName, Chosen);
        EXPECT_TRUE(Rig->Requests().empty());
    }
    // A cancelled dialog shows nothing.
    Boxes.clear();
    Chosen.clear();
    Window->MnIFileLoadCnfClick();
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Rig->Requests().empty());
}

TEST_F(SettingsFileCommandsTest, HostilePathsAreRefusedWithoutReading)
{
    Start(20, 'E');
    const QString fifo = Path("pipe.ddf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = Path("huge.ddf");
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(2) << 30)); // sparse: 2 GB of nothing
    }
    const struct {
        QString File;
        const char *Reason;
    } cases[] = {
        {fifo, "not a regular file"},
        {QStringLiteral("/dev/zero"), "not a regular file"},
        {Dir.path(), "not a regular file"},
        {huge, "2147483648 bytes"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.File.toStdString());
        Chosen = c.File;
        Boxes.clear();
        Window->MnIFileLoadCnfClick(); // a FIFO would block here for good
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_TRUE(Boxes[0].Text.startsWith(Tr("strWrongConfFile")));
        EXPECT_TRUE(Boxes[0].Text.contains(c.File));
        EXPECT_TRUE(Boxes[0].Text.contains(QString::fromLatin1(c.Reason))) << Boxes[0].Text.toStdString();
        EXPECT_TRUE(Rig->Requests().empty());
    }
}

TEST_F(SettingsFileCommandsTest, Kind48LoadWritesTheFileValuesInTheFixedOrder)
{
    Start(48, 'G');
    Rig->Device([](SimControllerState &s) { s.RecordingCount1 = 4; }); // measured points
    QByteArray file = "[Info]\r\nVer=0000030G STD [0]\r\n"
                      "[Config]\r\nPanelLED=1\r\nPW0=9\r\nPW1=8\r\nPW2=7\r\nPW3=6\r\n0900=5\r\n0901=4\r\n"
                      "0902=3\r\n0903=2\r\nMarkers=4660\r\nOnCutOffDelay=3500\r\n"
                      "[Model]\r\nMult=1\r\nCMActive=5\r\n"
                      "[GasInjCorr]\r\nInjCorr1=-3\r\nInjCorr8=7\r\n"
                      "[Map]\r\nMapRPMRange=2\r\n";
    for (int i = 0; i < 40; ++i)
        file += QStringLiteral("MapQ3_%1_0=%2\r\nMapQ3_%1_1=1\r\n").arg(i).arg(0x8000 + i).toLatin1();
    Chosen = Path("multi.ddf");
    WriteAll(Chosen, file);
    // The configuration window shows the device as read after the load.
    int refreshed = 0;
    Window->WindowServices.Kind48ConfigurationShowRead = [&refreshed](bool read) {
        EXPECT_TRUE(read);
        ++refreshed;
    };
    Window->MnIFileLoadCnfClick();
    EXPECT_EQ(refreshed, 1);

    EXPECT_EQ(DeviceRecord.OnCutOffDelay, 3500);
    EXPECT_EQ(DeviceRecord.RPMCorType, 2); // RPM correction active
    EXPECT_TRUE(Get<QAbstractButton>("ChBActiveCorrectionRPM")->isChecked());
    EXPECT_FALSE(Get<QAbstractButton>("ChBActiveCorrectionTgas")->isChecked());
    std::vector<Bytes> expected = {
        Request({0x08, 6, 0}), Request({0x08, 7, 0}), Request({0x37, 9, 8, 7, 6, 0}), Request({0x38, 5, 4, 3, 2, 0}), Request({0x08, 22, 1}),
        Request({0x52, 14, 0x12, 0x34}), Request({0x08, 19, 2}),
        Request({0x94, 253, 0, 0, 0, 0, 0, 0, 7}), Request({0x34, 0, 198, 0}), Request({0xDE, 3})};
    for (uint8_t row = 0; row < 40; ++row)
        expected.push_back(Request({0xDF, row, 0x80, row}));
    const std::vector<Bytes> writes = Writes();
    ASSERT_GE(writes.size(), expected.size());
    EXPECT_EQ(std::vector<Bytes>(writes.begin(), writes.begin() + std::ptrdiff_t(expected.size())), expected);
    // Then model 2 with its settings as the file holds them (a "G" file
    // holds the idle RPM and manifold pressure; it has no points): no
    // working-pressure curve over the file's, no correction switched on, no
    // adaptation template. The idle model's switch went out once, with the
    // configuration window's flags of its byte (id 37).
    std::vector<std::pair<uint8_t, uint8_t>> model2;
    for (auto f = writes.begin() + std::ptrdiff_t(expected.size()); f != writes.end(); ++f)
        model2.emplace_back((*f)[1], (*f)[1] == 0xC1 ? 0 : (*f)[2]);
    const std::vector<std::pair<uint8_t, uint8_t>> model2Expected = {
        {0x08, 30}, {0x52, 8}, {0x52, 17}, {0x08, 47}, {0x08, 31}, {0x08, 52},
        {0x16, 83}, {0x16, 1}, {0x16, 2}, {0xC1, 0}};
    EXPECT_EQ(model2, model2Expected);
    Rig->Device([](SimControllerState &s) {
        EXPECT_EQ(s.Param8[22], 1);
        EXPECT_EQ(s.Param16[14], 0x1234);
        EXPECT_EQ(s.Param8[19], 2);
        EXPECT_EQ(s.RowsDC[39][0], 0x80);
        EXPECT_EQ(s.RowsDC[39][1], 39);
    });

    // Recorded points that cannot be cleared: said so, the maps not cleared;
    // the device that stopped answering takes no map rows either, said so.
    Boxes.clear();
    Rig->Server.log().clear();
    Rig->Device([](SimControllerState &s) { s.RecordingCount1 = 4; });
    Rig->Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] == 0x34; }, Fault::noAnswer(), 50);
    Window->MnIFileLoadCnfClick();
    Rig->Server.clearFaults();
    ASSERT_EQ(Boxes.size(), 3u);
    EXPECT_EQ(Boxes[1].Text, Tr("strMapClear"));
    EXPECT_EQ(Boxes[2].Text, Tr("strSetFileWriteIncomplete").arg(Tr("strSetFileStepMap")));
    const std::vector<uint8_t> cleared = Commands();
    EXPECT_EQ(std::count(cleared.begin(), cleared.end(), 0xDE), 0);
    ASSERT_TRUE(Rig->Connect());

    // Without map points in the file the device's map is left alone.
    file.truncate(file.indexOf("MapQ3_0_0"));
    WriteAll(Chosen, file);
    Rig->Server.log().clear();
    Window->MnIFileLoadCnfClick();
    const std::vector<uint8_t> c = Commands();
    EXPECT_EQ(std::count_if(c.begin(), c.end(), [](uint8_t x) { return x == 0xDF || x == 0xDE || x == 0x34; }), 0);
    EXPECT_EQ(std::count(c.begin(), c.end(), 0x94), 1);
    EXPECT_EQ(c.back(), 0xC1); // model 2's idle points, its last setting


    // A cancelled dialog leaves the configuration window as it is, and so
    // does the load that failed part-way (the window keeps what it shows).
    Chosen.clear();
    Window->MnIFileLoadCnfClick();
    EXPECT_EQ(refreshed, 2);
    Window->WindowServices.Kind48ConfigurationShowRead = {};
}

// ---- Round trip through the program's configuration page ----

#include "mainwindow/SettingsProgram.h"

using settingsprogram::OwnProgram;
using settingsprogram::SettingsDifferences;
using settingsprogram::SettingsProgram;
using settingsprogram::WireSettingsLoad;

namespace {

// The device the file is loaded into: other values everywhere the file reaches.
void OtherImage(SimControllerState &s)
{
    s.Payload[0x03] = {90, 0x20, 0x10, 0x2A, 15};
    const std::pair<int, int> p8[] = {{2, 7}, {8, 0},  {12, 2}, {11, 1}, {10, 30}, {3, 9},  {4, 60}, {7, 1},
                                      {16, 0}, {17, 0}, {23, 40}, {18, 1}, {21, 0}, {27, 0}, {1, 4},
                                      {28, 1}};
    for (auto [id, v] : p8)
        s.Param8[size_t(id)] = uint8_t(v);
    const std::pair<int, int> p16[] = {{7, 1998}, {6, 60}, {8, 400}, {9, 1000}, {10, 2000}};
    for (auto [id, v] : p16)
        s.Param16[size_t(id)] = uint16_t(v);
    s.Payload[0x35] = {1, 2, 3, 4};
    s.Payload[0x36] = {5, 6, 7, 8};
    const uint16_t model[] = {1024, 0, 5 * 187, 10 * 187, 15 * 187, 20 * 187, 4096, 4096, 4096, 4096, 1024, 0, 0};
    for (int id = 1; id <= 13; ++id)
        s.Model[size_t(id)] = model[id - 1];
}

// File > Save As once more, into again: the first file into a, the second
// into b.
void SaveAgain(TFormMain &form, const QString &file, const QString &again, TIniFile &a, TIniFile &b)
{
    form.SettingsFileDialog = [again](bool, const QString &, const QString &) { return again; };
    form.MnIFileSaveAsClick();
    a.SetFileName(file);
    b.SetFileName(again);
    ASSERT_EQ(a.Load(), TIniFile::Status::Ok);
    ASSERT_EQ(b.Load(), TIniFile::Status::Ok);
}

} // namespace

TEST(SettingsFileRoundTrip, SavedDeviceSettingsComeBackOnAnotherDevice)
{
    SettingsProgram program;
    startup::StartupRig &rig = program.Rig;
    startup::SimDevice &device = program.Device;
    TFormMain &form = program.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("car.ddf"));
    form.SettingsFileDialog = [&](bool, const QString &, const QString &) { return file; };

    // An unwritten edit on the page survives the save; the file holds the device's value.
    auto *power = form.findChild<QLineEdit *>(QStringLiteral("YEdKnfPower"));
    ASSERT_NE(power, nullptr);
    power->setText(QStringLiteral("99"));
    form.SetConfigModified(true);
    form.MnIFileSaveAsClick();
    ASSERT_EQ(form.SettingsFileName, file);
    EXPECT_EQ(power->text(), QStringLiteral("99"));
    EXPECT_TRUE(form.ConfigModified());
    EXPECT_TRUE(ReadAll(file).contains("\r\nPower=85\r\n"));
    SimControllerState saved;
    device.Server.withLock([&] {
        saved = device.Controller.State;
        OtherImage(device.Controller.State);
    });
    form.ReadConfiguration(); // the pages show the other device
    form.ReadModelParams();

    rig.Boxes.clear();
    form.MnIFileLoadCnfClick();
    ASSERT_EQ(rig.Boxes.size(), 1u) << rig.BoxTexts().join('|').toStdString();
    device.Server.withLock([&] {
        const SimControllerState &now = device.Controller.State;
        EXPECT_EQ(now.Payload.at(0x03), saved.Payload.at(0x03));
        EXPECT_EQ(now.Param8, saved.Param8);
        EXPECT_EQ(now.Param16, saved.Param16);
        for (int id = 1; id <= 13; ++id)
            EXPECT_EQ(now.Model[size_t(id)], saved.Model[size_t(id)]) << "model id " << id;
        // The configuration write reads the level sensors back from the
        // device; the file's values still reach it.
        EXPECT_EQ(now.Payload.at(0x35), (Bytes{181, 131, 91, 36}));
        EXPECT_EQ(now.Payload.at(0x36), (Bytes{22, 48, 62, 73}));
    });

    // The other device now saves the same file, its model corrections
    // included (the other device held other ones).
    TIniFile a, b;
    SaveAgain(form, file, dir.filePath(QStringLiteral("again.ddf")), a, b);
    EXPECT_EQ(a.ReadString("Model", "CorrectionMult"), QStringLiteral("0.7509765625"));
    EXPECT_EQ(a.ReadString("Model", "CorrectionMask"), QStringLiteral("165"));
    for (const char *section : {"Config", "Model"}) {
        const QStringList keys = a.ReadSection(QString::fromLatin1(section));
        EXPECT_EQ(b.ReadSection(QString::fromLatin1(section)), keys);
        for (const QString &key : keys)
            EXPECT_EQ(b.ReadString(QString::fromLatin1(section), key).toStdString(),
                      a.ReadString(QString::fromLatin1(section), key).toStdString())
                << section << "/" << key.toStdString();
    }
}

TEST(SettingsFileRoundTrip, LoadIsWholeAgainstTheDeviceRanges)
{
    SettingsProgram program;
    startup::StartupRig &rig = program.Rig;
    startup::SimDevice &device = program.Device;
    TFormMain &form = program.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    form.ReadConfiguration();
    form.ReadModelParams();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("backup.ddf"));
    form.SettingsFileDialog = [&](bool, const QString &, const QString &) { return file; };
    const QByteArray head = "[Info]\r\nVer=0000015E\r\n[Config]\r\n";

    // Refused before the first frame: what the field holds but the device
    // does not take (the file the workshop would get back half-written).
    for (const char *config : {"Power=5000", "Power=0", "IdleHotTb=65535", "LambdaType=16"}) {
        SCOPED_TRACE(config);
        WriteAll(file, head + config + "\r\nPW0=170\r\n[Model]\r\nP1=6\r\n");
        device.Server.log().clear();
        rig.Boxes.clear();
        form.MnIFileLoadCnfClick();
        ASSERT_EQ(rig.Boxes.size(), 1u);
        EXPECT_TRUE(rig.Boxes[0].Text.contains(QString::fromLatin1(config))) << rig.Boxes[0].Text.toStdString();
        EXPECT_EQ(device.Server.log().count(), 0u);
        EXPECT_TRUE(DataManager->GetConnected());
    }

    // A file without MicroInjectionTime (its default is below what the
    // device takes) and with values beyond the page's up-down ranges that
    // the device takes: every frame is answered, the device holds the
    // file's values and its own where the file has none.
    WriteAll(file, head + "InjSW=5\r\nPower=999\r\nIdleHotTb=65450\r\nPostValveDelay=65000\r\nPW0=170\r\n"
                          "EngineCubicCapacity=1600.0\r\nEmulatorSwitchDelay=1e3\r\n[Model]\r\nP1=0\r\nE1=120\r\n");
    device.Server.log().clear();
    rig.Boxes.clear();
    form.MnIFileLoadCnfClick();
    ASSERT_EQ(rig.Boxes.size(), 1u) << rig.BoxTexts().join('|').toStdString();
    EXPECT_TRUE(DataManager->GetConnected());
    EXPECT_FALSE(DataManager->IsDeviceNotReady());
    device.Server.withLock([&] {
        const SimControllerState &s = device.Controller.State;
        EXPECT_EQ(s.Param16[6], 999);
        EXPECT_EQ(s.Param16[8], 65450);
        EXPECT_EQ(s.Param16[10], 65000);
        EXPECT_EQ(s.Param16[7], 1600);
        EXPECT_EQ(s.Param16[9], 1000);
        EXPECT_EQ(s.Param8[23], 131);
        EXPECT_EQ(s.Payload.at(0x35).at(0), 170);
    });
    std::vector<uint8_t> commands;
    for (const auto &r : device.Server.log().bytes())
        commands.push_back(r[1]);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 0x16), 13);
    EXPECT_NE(std::find(commands.begin(), commands.end(), 0x38), commands.end());
}

// Each kind, version step and hardware variant the simulator models, refusing
// what a real one refuses, as it comes or holding settings no list of the page
// offers, every flag set: the upgrade's backup (File > Save As), factory settings, then the restore (File > Load)
// write the file back whole, every frame with what the device held (a setting its variant lacks not at all), and the
// device holds again what it held.
TEST(SettingsFileRoundTrip, FileSavedFromEachSimulatedDeviceLoadsBackOnIt)
{
    struct Variant {
        uint8_t kind;
        char version;
        uint8_t page1; // identity page 1
        bool outsideLists;
        // Identity pages 2 and 3 hold numbers of one or two digits: the
        // file's kind code and version letter follow them in its "Ver".
        uint8_t page2 = 0, page3 = 0;
        // A bank-2 correction offset word finer than two decimals of a
        // millisecond show (1: 0.0053 ms), which the load must send as held.
        int correctionWord = -1;
    };
    const Variant variants[] = {
        {20, 'D', 0, false}, {20, 'D', 1, false}, {20, 'D', 2, false}, {20, 'D', 3, false},
        {20, 'D', 4, false}, {20, 'D', 4, true},  {20, 'E', 0, true},  {21, 'C', 3, false},
        {21, 'D', 0, false}, {21, 'E', 4, true},  {48, 'C', 0, false}, {48, 'D', 4, false},
        {48, 'F', 1, false}, {48, 'G', 4, true},  {48, 'I', 2, false}, {48, 'J', 4, true},
        {20, 'E', 10, false, 30, 2}, {21, 'E', 1, false, 30, 15}, {48, 'J', 10, false, 30, 2},
        {48, 'F', 10, false, 14, 2}, {48, 'G', 1, false, 15, 30},
        {20, 'E', 0, false, 0, 0, 1}, {21, 'E', 0, false, 0, 0, 1},
    };
    // Bits of the kind-48 block the single 8-bit writes land in (what the
    // simulator mirrors), and the settings each version holds apart from it.
    struct Place { uint8_t Id, At, Shift, Width; };
    const Place places[] = {{1, 2, 0, 3},   {5, 2, 3, 1},   {6, 2, 7, 1},   {7, 2, 4, 1},   {8, 2, 5, 1},
                            {20, 2, 6, 1},  {16, 3, 0, 1},  {17, 3, 1, 1},  {18, 3, 2, 1},  {21, 3, 3, 1},
                            {27, 3, 7, 1},  {2, 7, 0, 8},   {12, 14, 0, 8}, {11, 15, 0, 8}, {10, 16, 0, 8},
                            {3, 21, 0, 8},  {4, 22, 0, 8},  {23, 23, 0, 8}, {28, 24, 0, 8}};
    const std::pair<uint8_t, int> words48[] = {{7, 8}, {6, 10}, {8, 12}, {9, 17}, {10, 19}};
    using Since = std::map<char, std::vector<int>>; // ids held from each version on
    const Since held8 = {{'A', {19, 22, 29, 31, 32, 33, 34, 35, 37, 38, 39, 40, 42}},
                         {'D', {43, 44, 45, 46}}, {'F', {49, 50}}, {'G', {47, 52}}, {'I', {53}}};
    const Since held16 = {{'A', {11, 12, 14, 16}}, {'F', {18, 19}}, {'G', {17, 20, 21, 22, 24, 25}}};
    auto held = [](const Since &from, char v, int id) {
        for (const auto &[letter, ids] : from)
            if (v >= letter && std::find(ids.begin(), ids.end(), id) != ids.end())
                return true;
        return false;
    };
    for (const Variant m : variants) {
        SCOPED_TRACE(std::to_string(m.kind) + m.version + " variant " + std::to_string(m.page1)
                     + (m.outsideLists ? " outside the lists" : ""));
        SettingsProgram program{m.kind, m.version};
        startup::StartupRig &rig = program.Rig;
        startup::SimDevice &device = program.Device;
        rig.Answer = [](const TMessageBoxInfo &b) { return b.Buttons.contains(mrOk) ? int(mrOk) : b.Buttons.value(0); };
        TFormMain &form = program.Create([&m](SimControllerState &s) {
            s.Pages[1] = m.page1;
            s.Pages[2] = m.page2;
            s.Pages[3] = m.page3;
            if (m.correctionWord >= 0)
                s.Model[12] = uint16_t(m.correctionWord);
            if (m.kind == 20) // the sensor of its variant
                s.Param8[28] = m.page1 == 0 ? 1 : m.page1 <= 2 ? 2 : 0;
            if (m.outsideLists)
                SimController::OutsideLists(s);
            // Every flag the write sends set (29 from kind-21 "D", 30 from "E"; no RPM wire: RPM from the injectors).
            for (int id : {5, 7, 16, 17, 18, 20, 21, 27})
                s.Param8[size_t(id)] = 1;
            if (m.kind == 48) { // the block holds them, and ids 6 and 8
                s.Param8[6] = s.Param8[8] = 1;
                s.Payload[0xD8][2] |= 0xF8;
                s.Payload[0xD8][3] |= 0x8F;
                return;
            }
            s.Param8[29] = m.kind == 21 && m.version >= 'D';
            s.Param8[30] = m.kind == 21 && m.version >= 'E';
            s.Param8[8] = !s.Param8[30];
        });
        ASSERT_TRUE(DataManager->GetConnected());
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("device.ddf"));
        form.SettingsFileDialog = [&](bool, const QString &, const QString &) { return file; };
        form.MnIFileSaveAsClick();
        ASSERT_EQ(form.SettingsFileName, file);
        {
            TIniFile written(file);
            ASSERT_EQ(written.Load(), TIniFile::Status::Ok);
            const QString ver = written.ReadString(QStringLiteral("Info"), QStringLiteral("Ver"));
            EXPECT_TRUE(ver.contains(QStringLiteral("%1%2%3").arg(m.page3).arg(m.page1).arg(m.page2)
                                     + DataManager->GetDeviceTypeText(false) + QLatin1Char(m.version)))
                << ver.toStdString();
        }
        SimControllerState saved;
        device.Server.withLock([&] {
            saved = device.Controller.State;
            // The upgrade resets the settings, not the hardware (kind 20's sensor); kind 48 has its own window.
            if (m.kind == 48)
                return;
            SimControllerState &s = device.Controller.State;
            const SimControllerState fresh = SimController(m.kind, m.version).State;
            std::tie(s.Param8, s.Param16, s.Model) = std::tie(fresh.Param8, fresh.Param16, fresh.Model);
            for (uint8_t c : {0x03, 0x10, 0x35, 0x36, 0xD8})
                s.Payload[c] = fresh.Payload.at(c);
            if (m.kind == 20)
                s.Param8[28] = saved.Param8[28];
        });
        if (m.kind != 48) { // connected again: the pages show the new firmware's settings
            form.ReadConfiguration();
            form.ReadModelParams();
        }

        device.Server.log().clear();
        rig.Boxes.clear();
        form.MnIFileLoadCnfClick();
        EXPECT_FALSE(rig.BoxTexts().join('|').contains(LM->Translate(QStringLiteral("strWrongConfFile"))))
            << rig.BoxTexts().join('|').toStdString();
        size_t writes = 0;
        const Bytes d8 = m.kind == 48 ? saved.Payload.at(0xD8) : Bytes();
        for (const Bytes &f : device.Server.log().bytes()) {
            if (f.size() < 4 || f[0] != 0xC0 || !IsWrite(f[1]))
                continue;
            ++writes;
            const int c = f[1], id = f[2];
            const std::string at = "command " + std::to_string(c) + " id " + std::to_string(id);
            const auto word = [&f] { return f[3] << 8 | f[4]; };
            if (c == 0x37 || c == 0x38) {
                EXPECT_EQ(Bytes(f.begin() + 2, f.begin() + 6), saved.Payload.at(c == 0x37 ? 0x35 : 0x36)) << at;
            } else if (c == 0x04) {
                // The kind-48 block holds the frame's fields elsewhere, and more of the mode byte.
                const Bytes &b = m.kind == 48 ? d8 : saved.Payload.at(0x03);
                const size_t at1 = m.kind == 48 ? 4 : 0, at2 = m.kind == 48 ? 0 : 3;
                const int modeMask = m.kind == 48 ? 0xF0 : 0xFC;
                EXPECT_EQ(f[2], b[at1]) << at;
                EXPECT_EQ(word() & 0x3FFF, (b[at1 + 1] << 8 | b[at1 + 2]) & 0x3FFF) << at;
                EXPECT_EQ(f[5] & modeMask, b[at2] & modeMask) << at;
                EXPECT_EQ(f[6], b[at2 + 1]) << at;
            } else if (m.kind != 48 && c == 0x08) {
                EXPECT_FALSE(id == 28 && m.kind == 20 && m.page1 > 2) << "a pressure sensor sent to a variant that holds none";
                static const std::vector<int> flags = {5, 7, 8, 16, 17, 18, 20, 21, 27, 29, 30};
                const bool flag = std::find(flags.begin(), flags.end(), id) != flags.end();
                EXPECT_EQ(f[3], saved.Param8[size_t(id)] & (flag ? 1 : id == 1 ? 15 : 255)) << at;
            } else if (c == 0x16 && id == 12) {
                EXPECT_EQ(word(), saved.Model[12]) << at;
            } else if (m.kind != 48 && (c == 0x52 || c == 0x16)) {
                EXPECT_EQ(word(), (c == 0x52 ? saved.Param16 : saved.Model)[size_t(id)]) << at;
            } else if (m.kind == 48 && c == 0x08) {
                const auto p = std::find_if(std::begin(places), std::end(places), [&](const Place &q) { return q.Id == id; });
                const int mask = p != std::end(places) ? (1 << p->Width) - 1 : 0;
                if (mask) {
                    EXPECT_EQ(f[3] & mask, (d8[p->At] >> p->Shift) & mask) << at;
                } else if (held(held8, m.version, id)) {
                    EXPECT_EQ(f[3], saved.Param8[size_t(id)]) << at;
                }
            } else if (m.kind == 48 && c == 0x52) {
                const auto w = std::find_if(std::begin(words48), std::end(words48), [&](const auto &q) { return q.first == id; });
                if (w != std::end(words48)) {
                    EXPECT_EQ(word(), d8[size_t(w->second)] << 8 | d8[size_t(w->second) + 1]) << at;
                } else if (held(held16, m.version, id)) {
                    EXPECT_EQ(word(), saved.Param16[size_t(id)]) << at;
                }
            }
        }
        EXPECT_GT(writes, 0u) << rig.BoxTexts().join('|').toStdString();
        EXPECT_TRUE(DataManager->GetConnected());
        EXPECT_FALSE(DataManager->IsDeviceNotReady());
        device.Server.withLock([&] {
            const SimControllerState &now = device.Controller.State;
            for (uint8_t c : {m.kind == 48 ? 0xD8 : 0x03, 0x10, 0x35, 0x36})
                EXPECT_EQ(now.Payload.at(c), saved.Payload.at(c)) << "block " << int(c);
            EXPECT_EQ(now.Param8, saved.Param8);
            EXPECT_EQ(now.Param16, saved.Param16);
            if (m.kind != 48) {
                EXPECT_EQ(now.Model, saved.Model);
            }
            EXPECT_EQ(now.Model[12], saved.Model[12]);
        });
    }
}

TEST(SettingsFileModelOnly, Model2PageReadsTheModelPartOfAKind48File)
{
    int answer = mrCancel;
    QStringList texts;
    TCommon::SetAnswerProvider([&answer, &texts](const TMessageBoxInfo &box) {
        texts << box.Text;
        return box.Buttons.contains(int(mrCancel)) ? answer : int(mrOk);
    });
    auto common = std::make_unique<TCommon>();
    Common = common.get();
    SimControllerRig rig(48, 'G');
    ASSERT_TRUE(rig.Connect());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("m.ddf"));
    WriteAll(file, "[Info]\r\nVer=0000030G\r\n[Config]\r\nInjHW=6\r\nPW0=9\r\n[Model]\r\nMult=1,5\r\nOffset=2\r\n"
                   "CMActive=0\r\nUseOnIdleModel=0\r\n[Map]\r\nMapRPMRange=1\r\n");
    {
        TFormMain form;
        TModel2Page *page = TModel2Page::Install(form);
        page->Hooks.LoadSettingsFileV30Model = [&form] { form.LoadSettingsFileV30(true); };
        form.SettingsFileDialog = [&](bool save, const QString &, const QString &) { return save ? QString() : file; };
        DeviceRecord.InjHW = 4;
        DeviceRecord.CMActive = 7;
        DeviceRecord.PW0 = 3;
        rig.Server.log().clear();
        ASSERT_TRUE(QMetaObject::invokeMethod(page, "SpBModel2ReadFromClick"));
        // Cancelled: the model part shown, the configuration part left alone, nothing sent.
        EXPECT_DOUBLE_EQ(DeviceRecord.Mult, 1.5);
        EXPECT_DOUBLE_EQ(DeviceRecord.Offset, 2.0);
        EXPECT_EQ(DeviceRecord.UseOnIdleModel, 0);
        EXPECT_EQ(DeviceRecord.MapRPMRange, 1);
        EXPECT_EQ(DeviceRecord.InjHW, 4);
        EXPECT_EQ(DeviceRecord.CMActive, 7);
        EXPECT_EQ(DeviceRecord.PW0, 3);
        EXPECT_EQ(form.SettingsFileName, file);
        std::vector<uint8_t> sent;
        for (const Bytes &r : rig.Requests())
            if (IsWrite(r[1]))
                sent.push_back(r[1]);
        EXPECT_TRUE(sent.empty());

        // Confirmed: the model-2 write alone, none of the whole load's writes.
        answer = mrOk;
        rig.Server.log().clear();
        ASSERT_TRUE(QMetaObject::invokeMethod(page, "SpBModel2ReadFromClick"));
        bool model2Written = false;
        int firstPages = 0;
        for (const Bytes &r : rig.Requests()) {
            EXPECT_TRUE(r[1] != 0x37 && r[1] != 0x38 && r[1] != 0x94 && r[1] != 0xDF) << int(r[1]);
            EXPECT_FALSE(r[1] == 0x08 && (r[2] == 22 || r[2] == 19));
            EXPECT_FALSE(r[1] == 0x52 && r[2] == 14);
            model2Written |= r[1] == 0x16 && r[2] == 1;
            firstPages += r[1] == 0xD5 && r[2] == 0;
        }
        EXPECT_TRUE(model2Written);
        EXPECT_EQ(firstPages, 1) << "model 2 is written once";

        // A "B" file holds no idle model's switch: the controller's stays
        // off, with the bit of the byte no key holds, through the page's
        // write.
        rig.Device([](SimControllerState &s) { s.Param8[37] = 0x06; });
        DataManager->ReadParameter8(37);
        WriteAll(file, "[Info]\r\nVer=0000030B\r\n[Config]\r\nInjHW=6\r\n[Model]\r\nMult=1,5\r\nOffset=2\r\n"
                       "M2XP1=5\r\n[Map]\r\nMapRPMRange=1\r\n");
        rig.Server.log().clear();
        ASSERT_TRUE(QMetaObject::invokeMethod(page, "SpBModel2ReadFromClick"));
        const std::vector<Bytes> idleModel = rig.Requests();
        EXPECT_NE(std::find(idleModel.begin(), idleModel.end(), Request({0x08, 37, 0x06})), idleModel.end());
        rig.Device([](SimControllerState &s) { EXPECT_EQ(s.Param8[37], 0x06); });

        // An offset the device holds but the page's up-down (-4.0 to 6.0 ms)
        // cannot show: refused by name, nothing shown, nothing sent.
        WriteAll(file, "[Info]\r\nVer=0000030G\r\n[Config]\r\nInjHW=6\r\n[Model]\r\nMult=1,5\r\nOffset=7\r\n"
                       "[Map]\r\nMapRPMRange=1\r\n");
        texts.clear();
        rig.Server.log().clear();
        const double offset = DeviceRecord.Offset;
        ASSERT_TRUE(QMetaObject::invokeMethod(page, "SpBModel2ReadFromClick"));
        ASSERT_EQ(texts.size(), 1);
        EXPECT_TRUE(texts[0].contains(QStringLiteral("[Offset=7]"))) << texts[0].toStdString();
        EXPECT_TRUE(texts[0].contains(file));
        EXPECT_DOUBLE_EQ(DeviceRecord.Offset, offset);
        EXPECT_TRUE(rig.Requests().empty());

        // A file with its own model-2 points: the chart shows them, and the
        // confirmed write sends them, not the curve shown before.
        // Offsets of 100/187 and -100/187 ms and a correction factor of
        // 769/1024, finer than the page's texts show them.
        QByteArray points = "[Info]\r\nVer=0000030G\r\n[Config]\r\nInjHW=4\r\n[Model]\r\nMult=1,5\r\n"
                            "Offset=0,53475935828877\r\nCorrectionMult=0,7509765625\r\n"
                            "CorrectionOffset=-0,53475935828877\r\n";
        for (int i = 0; i < 20; ++i)
            points += QStringLiteral("M2XP%1=%2\r\nM2YP%1=%3\r\n").arg(i).arg(250 * i).arg(400 + 300 * i).toLatin1();
        WriteAll(file, points + "P2Y=8,5\r\n[Map]\r\nMapRPMRange=1\r\n");
        answer = mrCancel;
        ASSERT_TRUE(QMetaObject::invokeMethod(page, "SpBModel2ReadFromClick"));
        ASSERT_EQ(page->Curve().size(), 20);
        EXPECT_EQ(page->Curve()[13], QPointF(3250 / 187.0, 4300 / 187.0));
        auto *idle = form.findChild<QLineEdit *>(QStringLiteral("YEdCalSerIdle2Y"));
        ASSERT_NE(idle, nullptr);
        EXPECT_EQ(idle->text(), QLocale().toString(8.5, 'f', 1));
        answer = mrOk;
        rig.Server.log().clear();
        ASSERT_TRUE(QMetaObject::invokeMethod(page, "SpBModel2ReadFromClick"));
        int pages = 0;
        std::map<int, int> model;
        for (const Bytes &r : rig.Requests())
            if (r[1] == 0x16 && r.size() > 4)
                model[r[2]] = r[3] << 8 | r[4];
        EXPECT_EQ(model[2], 100);
        EXPECT_EQ(model[11], 769);
        EXPECT_EQ(model[12], 0x10000 - 100);
        for (const Bytes &r : rig.Requests())
            if ((r[1] == 0xD5 || r[1] == 0x96) && r.size() > 18) {
                ++pages;
                const int first = r[2] * 10 + 3; // point 3 of the page
                EXPECT_EQ(r[15] << 8 | r[16], 250 * first) << int(r[1]);
                EXPECT_EQ(r[17] << 8 | r[18], 400 + 300 * first) << int(r[1]);
            }
        EXPECT_EQ(pages, 4); // both pages of the model and of model 2
    }
    Common = nullptr;
    TCommon::SetAnswerProvider({});
}

#include "mainwindow/ShellWiring.h"
#include "mainwindow/configuration/MapPage.h"
#include "windows/ConfigurationPagesWiring.h"

#include <set>

namespace {

// The keys whose values differ between two files, SaveDate aside.
std::string ChangedKeys(const TIniFile &a, const TIniFile &b)
{
    std::string changed;
    QStringList sections = a.ReadSections();
    for (const QString &section : b.ReadSections())
        if (!sections.contains(section))
            sections << section;
    for (const QString &section : sections) {
        QStringList keys = a.ReadSection(section);
        for (const QString &key : b.ReadSection(section))
            if (!keys.contains(key))
                keys << key;
        for (const QString &key : keys)
            if (key != QLatin1String("SaveDate")
                && a.ReadString(section, key, QStringLiteral("(none)")) != b.ReadString(section, key, QStringLiteral("(none)")))
                changed += (section + u'/' + key + u'=' + a.ReadString(section, key, QStringLiteral("(none)")) + u'/'
                            + b.ReadString(section, key, QStringLiteral("(none)")) + u' ')
                               .toStdString();
    }
    return changed;
}

} // namespace

// A controller's own backup restores it unchanged: each kind at each
// version letter, holding nothing of the program's defaults (its own curves,
// the corrections off, the adaptation template apart from model 2, every
// word at the low or the high end of what it holds). File > Save As, File >
// Load with OK, twice: afterwards the controller holds every setting as it
// did when saved (also the idle RPM retuned between), a bit of a byte the
// file does not hold as the controller held it just before the load, and it
// saves the same file again.
TEST(SettingsFileRoundTrip, AControllersOwnBackupRestoresItUnchanged)
{
    for (const uint8_t kind : {20, 21, 48})
        for (char version = 'A'; version <= 'J'; ++version)
            for (const bool highEnds : {false, true}) {
                SCOPED_TRACE(std::to_string(kind) + version + (highEnds ? " high ends" : " low ends"));
                SettingsProgram program{kind, version};
                startup::StartupRig &rig = program.Rig;
                startup::SimDevice &device = program.Device;
                WireSettingsLoad(program);
                TFormMain &form = program.Create([highEnds](SimControllerState &s) {
                    if (s.Kind == 20)
                        s.Param8[28] = 1; // the sensor of its variant
                    SimController::OwnSettings(s, highEnds);
                });
                rig.Tick(); // the windows of the device's kind
                ASSERT_TRUE(DataManager->GetConnected());
                QTemporaryDir dir;
                const QString file = dir.filePath(QStringLiteral("backup.ddf"));
                form.SettingsFileDialog = [&](bool, const QString &, const QString &) { return file; };
                shellwiring::Get<QAction>(form, "MnIFileSaveAs")->trigger(); // File > Save As
                ASSERT_EQ(form.SettingsFileName, file) << rig.BoxTexts().join('|').toStdString();
                TIniFile saved(file);
                ASSERT_EQ(saved.Load(), TIniFile::Status::Ok);
                // Below "G" the save says that it read the idle RPM and
                // manifold pressure; from "G" on the configuration read takes them.
                EXPECT_EQ(saved.ValueExists(QStringLiteral("Info"), QStringLiteral("IdleHotRead")),
                          kind == 48 && version < 'G');
                SimControllerState before;
                device.Server.withLock([&] {
                    SimControllerState &s = device.Controller.State;
                    before = s;
                    // Retuned since the backup: the file gives it back.
                    s.Param16[17] = uint16_t(s.Param16[17] ^ 0x0101);
                    // A bit of a byte the file holds only in part (below
                    // "G"; none of it below "D"): it stays as the device now
                    // holds it.
                    s.Param8[52] = uint8_t(s.Param8[52] ^ 1);
                    if (kind != 48 || version < 'G')
                        before.Param8[52] = s.Param8[52];
                    if (kind != 48)
                        before.Param16[17] = s.Param16[17];
                });
                for (int load = 1; load <= 2; ++load) {
                    SCOPED_TRACE("load " + std::to_string(load));
                    rig.Boxes.clear();
                    device.Server.log().clear();
                    shellwiring::Get<QAction>(form, "MnIFileLoadCnf")->trigger(); // File > Load
                    // The question alone: no refusal, nothing left unwritten;
                    // from "G" on the first load of the connection asks for the
                    // change record too.
                    EXPECT_EQ(rig.BoxTexts().join('|'),
                              kind == 48 && version >= 'G' && load == 1
                                  ? Tr("strSaveCnf") + u'|' + Tr("strQModChange")
                                  : Tr("strSaveCnf"));
                    EXPECT_TRUE(DataManager->GetConnected());
                    // The pages show what the controller now holds: nothing
                    // on them is left to write.
                    EXPECT_FALSE(form.ConfigModified());
                    device.Server.withLock(
                        [&] { EXPECT_EQ(SettingsDifferences(before, device.Controller.State), ""); });
                    if (kind == 48) {
                        // The curves went out, the device's own.
                        const std::vector<uint8_t> c = device.Commands();
                        for (uint8_t curve : {0xD1, 0xD3, 0xDA})
                            EXPECT_NE(std::find(c.begin(), c.end(), curve), c.end()) << int(curve);
                    }
                }
                TIniFile a, b;
                SaveAgain(form, file, dir.filePath(QStringLiteral("again.ddf")), a, b);
                EXPECT_EQ(ChangedKeys(saved, b), "");
                if (kind != 48 || version != 'G')
                    continue;
                // An older backup, from an "E" controller that did not say it
                // read the idle RPM and manifold pressure (0 in its file),
                // loaded after a firmware upgrade: the controller keeps its
                // own, and everything else an "E" file does not hold (the
                // settings of "F" and "G", the manifold-pressure curve, the
                // adaptation banks).
                QString ver = saved.ReadString(QStringLiteral("Info"), QStringLiteral("Ver"));
                ver[7] = u'E';
                saved.WriteString(QStringLiteral("Info"), QStringLiteral("Ver"), ver);
                saved.WriteString(QStringLiteral("Config"), QStringLiteral("IdleHotRPM"), QStringLiteral("0"));
                saved.WriteString(QStringLiteral("Config"), QStringLiteral("IdleHotPcol"), QStringLiteral("0"));
                for (const char *key : {"PreinjectionsDuringCutOffForLowRPMEnabled", "InjTimeForEnrichmentDuringCutOff",
                                        "MaxRpmForEnrichmentDuringCutOff", "MazdaIgnitionTypeCorrEnabled",
                                        "MazdaEnrichmentPercentage", "FlashLubeSupportEnabled",
                                        "AutoToGasOnControlPanelHidden", "CutOffModeActivated",
                                        "AfterCutOffEmulSwitchDelay", "OnCutOffDelay", "SygnalizeDrivingOnPetrolEnabled",
                                        "MinGasInjTimeEnabled", "MaxGasInjTimeEnabled", "MinGasInjectionTime",
                                        "MaxGasInjectionTime", "NextInspection", "InspectionTimeDistRatio"})
                    saved.DeleteKey(QStringLiteral("Config"), QString::fromLatin1(key));
                for (int i = 1; i <= 20; ++i)
                    saved.DeleteKey(QStringLiteral("Model"), QStringLiteral("CPCOL%1").arg(i));
                saved.EraseSection(QStringLiteral("MapCorrections"));
                ASSERT_EQ(saved.Save(), TIniFile::Status::Ok);
                form.SettingsFileDialog = [&](bool, const QString &, const QString &) { return file; };
                device.Server.withLock([&] {
                    device.Controller.State.Param16[17] = 850;
                    device.Controller.State.Param8[47] = 41;
                    before = device.Controller.State;
                });
                rig.Boxes.clear();
                shellwiring::Get<QAction>(form, "MnIFileLoadCnf")->trigger();
                EXPECT_EQ(rig.BoxTexts().join('|'), Tr("strSaveCnf"));
                device.Server.withLock([&] {
                    EXPECT_EQ(device.Controller.State.Param16[17], 850);
                    EXPECT_EQ(device.Controller.State.Param8[47], 41);
                    EXPECT_EQ(SettingsDifferences(before, device.Controller.State), "");
                });
            }
}

// Each kind at each version letter: the device's own backup (File > Save As)
// loaded back onto it (File > Load, OK) writes only settings the save read
// from it, as the frames on the wire name them, and the device holds
// afterwards what it held (a hot-idle RPM of 800 stays 800).
TEST(SettingsFileRoundTrip, ALoadWritesOnlySettingsTheSaveReadOnEveryKindAndVersion)
{
    for (const uint8_t kind : {20, 21, 48})
        for (char version = 'A'; version <= 'J'; ++version) {
            SCOPED_TRACE(std::to_string(kind) + version);
            SettingsProgram program{kind, version};
            startup::StartupRig &rig = program.Rig;
            startup::SimDevice &device = program.Device;
            WireSettingsLoad(program);
            TFormMain &form = program.Create([](SimControllerState &s) {
                s.Param16[17] = 800;
                s.Param8[47] = 40;
                if (s.Kind == 20)
                    s.Param8[28] = 1; // the sensor of its variant
                if (s.Kind != 48)
                    return;
                // As this program writes a kind-48 model: the system-pressure
                // curve of its working pressure, that curve switched on.
                s.Model[74] = 1;
                const TDeviceRecord kept = DeviceRecord;
                DeviceRecord.WorkPress = s.Param8[30];
                TProgramLogic().SelectWorkPressure(false);
                s.Payload[0xD0].assign(DeviceRecord.PsysCorrections.begin(), DeviceRecord.PsysCorrections.end());
                DeviceRecord = kept;
            });
            rig.Tick(); // the windows of the device's kind
            ASSERT_TRUE(DataManager->GetConnected());
            QTemporaryDir dir;
            const QString file = dir.filePath(QStringLiteral("backup.ddf"));
            form.SettingsFileDialog = [&](bool, const QString &, const QString &) { return file; };
            auto settings = [&device, kind](bool writes) {
                std::set<std::string> out;
                for (const Bytes &f : device.Server.log().bytes())
                    if (f.size() > 1 && IsWrite(f[1]) == writes)
                        for (const std::string &name : SimController::SettingsOf(kind, f))
                            out.insert(name);
                return out;
            };
            device.Server.log().clear();
            form.MnIFileSaveAsClick();
            ASSERT_EQ(form.SettingsFileName, file) << rig.BoxTexts().join('|').toStdString();
            const std::set<std::string> read = settings(false);

            device.Server.log().clear();
            rig.Boxes.clear();
            form.MnIFileLoadCnfClick();
            const std::set<std::string> written = settings(true);
            EXPECT_FALSE(written.empty()) << rig.BoxTexts().join('|').toStdString();
            std::string unread;
            for (const std::string &name : written)
                if (!read.count(name))
                    unread += name + " ";
            EXPECT_EQ(unread, "");
            device.Server.withLock([&] { EXPECT_EQ(device.Controller.State.Param16[17], 800); });
            // Saved again, the device gives the same file.
            TIniFile a, b;
            SaveAgain(form, file, dir.filePath(QStringLiteral("again.ddf")), a, b);
            std::string changed;
            for (const QString &section : a.ReadSections())
                for (const QString &key : a.ReadSection(section))
                    if (key != QLatin1String("SaveDate") && a.ReadString(section, key) != b.ReadString(section, key))
                        changed += (section + u'/' + key + u'=' + a.ReadString(section, key) + u'/'
                                    + b.ReadString(section, key) + u' ').toStdString();
            EXPECT_EQ(changed, "");
            if (kind != 48 || version >= 'G')
                continue;
            // A file saved without reading them below "G" holds no idle RPM
            // or manifold pressure of the device: they stay as it holds them.
            a.DeleteKey(QStringLiteral("Info"), QStringLiteral("IdleHotRead"));
            a.WriteString(QStringLiteral("Config"), QStringLiteral("IdleHotRPM"), QStringLiteral("0"));
            a.WriteString(QStringLiteral("Config"), QStringLiteral("IdleHotPcol"), QStringLiteral("0"));
            ASSERT_EQ(a.Save(), TIniFile::Status::Ok);
            form.SettingsFileDialog = [&](bool, const QString &, const QString &) { return file; };
            device.Server.log().clear();
            form.MnIFileLoadCnfClick();
            EXPECT_FALSE(settings(true).empty());
            EXPECT_EQ(settings(true).count("16/17") + settings(true).count("8/47"), 0u);
            device.Server.withLock([&] {
                EXPECT_EQ(device.Controller.State.Param16[17], 800);
                EXPECT_EQ(device.Controller.State.Param8[47], 40);
            });
        }
}

namespace {

// What a controller holds after a settings file of its kind was loaded into
// it (File > Load, OK): device, as it held it before, with exactly what the
// file holds and the controller takes replaced by source's, the controller
// the file was saved from. Kind 48 by the file's version letter file and the
// controller's letter device, as the file format gives them: every file the
// configuration, the model, its factors and idle points, the system-pressure,
// gas-temperature and RPM curves and model 2 (the adaptation template stays);
// from "C" the extended flags, from "D" the idle correction, the adaptation
// switch, the gas injector corrections (a "D" controller) and map word 0 (an
// "F" controller), from "F" the cut-off settings and the manifold-pressure
// curve (an "F" controller), from "G" its settings, the adaptation flags
// but "load from Pcol", banks and load scale (a "G" controller), from "I"
// "load from Pcol" and the manifold-pressure scale (an "I" controller),
// from "J" the hot start on gas (a "J" controller). Kinds 20 and 21: the
// configuration and the model, and start on gas from a kind-21 "D".
SimControllerState LoadedState(const SimControllerState &device, const SimControllerState &source, char file,
                               char letter)
{
    SimControllerState e = device;
    const auto takeBits = [&](uint8_t &to, uint8_t from, uint8_t bits) { to = uint8_t((to & ~bits) | (from & bits)); };
    if (device.Kind != 48) {
        for (int id = 1; id <= 13; ++id)
            e.Model[size_t(id)] = source.Model[size_t(id)];
        e.Payload[0x10] = source.Payload.at(0x10);
        // Bit 0 of ids 5, 20 and 29 is the file's flag, the other bits stay.
        for (int id : {5, 20})
            takeBits(e.Param8[size_t(id)], source.Param8[size_t(id)], 0x01);
        if (device.Kind == 21 && file >= 'D' && letter >= 'D')
            takeBits(e.Param8[29], source.Param8[29], 0x01);
        return e;
    }
    for (int id : {1, 2, 11, 12, 13, 74})
        e.Model[size_t(id)] = source.Model[size_t(id)];
    for (uint8_t block : {0x10, 0xD0, 0xD2, 0xDB, 0xC0})
        e.Payload[block] = source.Payload.at(block);
    e.MapD4 = source.MapD4;
    for (int id : {30, 47})
        e.Param8[size_t(id)] = source.Param8[size_t(id)];
    e.Param16[17] = source.Param16[17];
    takeBits(e.Param8[31], source.Param8[31], file >= 'D' ? 0xFF : 0xBF);
    if (file >= 'C')
        takeBits(e.Param8[37], source.Param8[37], letter >= 'C' ? 0x7D : 0x7C);
    takeBits(e.Param8[52], source.Param8[52],
             uint8_t((file >= 'D' ? 0x40 : 0) | (file >= 'G' ? 0x3F : 0) | (file >= 'J' && letter >= 'J' ? 0x80 : 0)));
    if (file >= 'D') {
        e.Model[83] = source.Model[83];
        for (int id : {43, 44})
            e.Param8[size_t(id)] = source.Param8[size_t(id)];
        if (letter >= 'D') {
            for (int id : {45, 46})
                e.Param8[size_t(id)] = source.Param8[size_t(id)];
            e.Payload[0x93] = source.Payload.at(0x93);
        }
        if (letter >= 'F')
            for (size_t row = 0; row < e.RowsDC.size(); ++row)
                for (size_t b = 0; b < 2; ++b)
                    e.RowsDC[row][b] = source.RowsDC[row][b];
    }
    if (file >= 'F') {
        takeBits(e.Param8[50], source.Param8[50], 0x03);
        e.Param8[49] = source.Param8[49];
        for (int id : {18, 19})
            e.Param16[size_t(id)] = source.Param16[size_t(id)];
        if (letter >= 'F')
            e.Payload[0x97] = source.Payload.at(0x97);
    }
    if (file >= 'G') {
        for (int id : {20, 21, 24, 25})
            e.Param16[size_t(id)] = source.Param16[size_t(id)];
        if (letter >= 'G') {
            e.Model[104] = uint16_t((e.Model[104] & ~0xFB) | (source.Model[104] & 0xFB));
            e.AdaptBanks = source.AdaptBanks;
            e.Param16[22] = source.Param16[22];
        }
    }
    if (file >= 'I' && letter >= 'I') {
        e.Model[104] = source.Model[104];
        e.Param8[53] = source.Param8[53];
    }
    return e;
}

// The settings a load's frames read more than once before its last write
// (names, space-separated; empty when each was read once).
std::string SettingsReadTwice(uint8_t kind, const std::vector<Bytes> &frames)
{
    size_t last = 0; // one past the last write
    for (size_t i = 0; i < frames.size(); ++i)
        if (SimController::WritesSettings(kind, frames[i]))
            last = i + 1;
    std::map<std::string, int> reads;
    for (size_t i = 0; i < last; ++i)
        if (!SimController::WritesSettings(kind, frames[i]))
            for (const std::string &name : SimController::SettingsOf(kind, frames[i]))
                ++reads[name];
    std::string twice;
    for (const auto &[name, count] : reads)
        if (count > 1)
            twice += name + " ";
    return twice;
}

} // namespace

// Every kind-48 version letter's backup loaded into a controller of every
// letter, and the same for kinds 20 and 21 across their versions: each file
// saved (File > Save As) from a controller of its letter holding values of
// its own (the high ends), loaded (File > Load, OK) into a controller of the
// other letter holding other values of its own (the low ends), in one run of
// the program per controller, newest file first, the controller set back
// between the loads behind the program's back. Afterwards the controller
// holds what it held but exactly what the file's letter holds, which is the
// file's; up to its last write the load read each setting once.
TEST(SettingsFileRoundTrip, EachLettersFileIntoEachLettersController)
{
    for (const uint8_t kind : {48, 21, 20}) {
        SCOPED_TRACE(int(kind));
        QTemporaryDir dir;
        std::map<char, SimControllerState> sources;
        for (char version = 'A'; version <= 'J'; ++version) {
            SCOPED_TRACE(std::string("saved from ") + version);
            OwnProgram program{kind, version, true};
            ASSERT_TRUE(DataManager->GetConnected());
            sources[version] = program.Save(dir.filePath(QStringLiteral("%1.ddf").arg(QChar(version))));
        }
        for (char letter = 'A'; letter <= 'J'; ++letter) {
            SCOPED_TRACE(std::string("into ") + letter);
            OwnProgram program{kind, letter, false};
            startup::SimDevice &device = program.Device;
            ASSERT_TRUE(DataManager->GetConnected());
            SimControllerState own;
            device.Server.withLock([&] { own = device.Controller.State; });
            for (char version = 'J'; version >= 'A'; --version) {
                SCOPED_TRACE(std::string("file ") + version);
                device.Server.withLock([&] {
                    // As it was, but the change history (another tool).
                    const Bytes history = device.Controller.State.Payload[0x54];
                    device.Controller.State = own;
                    device.Controller.State.Payload[0x54] = history;
                });
                program.Load(dir.filePath(QStringLiteral("%1.ddf").arg(QChar(version))));
                const QStringList boxes = program.Rig.BoxTexts();
                EXPECT_EQ(boxes.value(0), Tr("strSaveCnf")) << boxes.join('|').toStdString();
                EXPECT_LE(boxes.size(), 2) << boxes.join('|').toStdString();
                const SimControllerState expected = LoadedState(own, sources.at(version), version, letter);
                device.Server.withLock(
                    [&] { EXPECT_EQ(SettingsDifferences(expected, device.Controller.State), ""); });
                EXPECT_EQ(SettingsReadTwice(kind, device.Server.log().bytes()), "");
            }
        }
    }
}

// A kind-48 backup loaded in a run of the program that read nothing before
// (connect, File > Load, OK): what the file's letter does not hold stays as
// the controller holds it, not a default, not the file's; a key the file's
// letter holds but the file lacks takes its default. Afterwards the
// corrections page shows what the controller holds.
TEST(SettingsFileRoundTrip, AFileLeavesWhatItsLetterDoesNotHoldAndDefaultsWhatItLacks)
{
    using TFrames = std::vector<Bytes>;
    const auto sent = [](const TFrames &frames, const Bytes &request) {
        return std::find(frames.begin(), frames.end(), request) != frames.end();
    };
    const auto writes = [](const TFrames &frames, uint8_t command) {
        return std::count_if(frames.begin(), frames.end(), [command](const Bytes &f) { return f[1] == command; });
    };
    // The RPM correction on in the controller, off after a backup that
    // holds it off.
    const auto rpmOn = [](SimControllerState &s) { s.Model[74] = 0x07; };
    const auto rpmOff = [](const SimControllerState &, const SimControllerState &after, const TFrames &) {
        EXPECT_EQ(after.Model[74] & 4, 0);
    };
    const struct {
        const char *Name;
        char File, Device;
        const char *Lacking; // a [Config] key taken out of the file ("Ver": the letter of its version)
        std::function<void(SimControllerState &)> Own;
        std::function<void(const SimControllerState &before, const SimControllerState &after, const TFrames &)> Check;
    } rows[] = {
        {"E backup, F controller's own manifold-pressure curve", 'E', 'F', nullptr, {},
         [&](const SimControllerState &before, const SimControllerState &after, const TFrames &f) {
             EXPECT_FALSE(sent(f, Request({0x98, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
             EXPECT_EQ(after.Payload.at(0x97), before.Payload.at(0x97));
         }},
        {"B backup, C controller with the idle model off", 'B', 'C', nullptr,
         [](SimControllerState &s) { s.Param8[37] = 0x7C; },
         [&](const SimControllerState &, const SimControllerState &after, const TFrames &f) {
             EXPECT_FALSE(sent(f, Request({0x08, 37, 1})));
             EXPECT_EQ(after.Param8[37], 0x7C);
         }},
        {"B backup, J controller with the idle model off", 'B', 'J', nullptr,
         [](SimControllerState &s) { s.Param8[37] = 0x7C; },
         [&](const SimControllerState &, const SimControllerState &after, const TFrames &f) {
             EXPECT_FALSE(sent(f, Request({0x08, 37, 1})));
             EXPECT_EQ(after.Param8[37], 0x7C);
         }},
        {"B backup with the RPM correction off, C controller with it on", 'B', 'C', nullptr,
         rpmOn, rpmOff},
        {"A backup with the RPM correction off, A controller with it on", 'A', 'A', nullptr,
         rpmOn, rpmOff},
        {"C backup with the RPM correction off, C controller with it on", 'C', 'C', nullptr,
         rpmOn, rpmOff},
        // What a "J" file holds beyond a "C" controller (the manifold-pressure
        // curve and its switch, the adaptation) stays off its pages.
        {"J backup, C controller with the RPM correction on", 'J', 'C', nullptr,
         rpmOn, rpmOff},
        {"G backup, I controller loading from Pcol", 'G', 'I', nullptr,
         [](SimControllerState &s) { s.Model[104] = 0x07; },
         [&](const SimControllerState &, const SimControllerState &after, const TFrames &f) {
             EXPECT_FALSE(sent(f, Request({0x16, 104, 0, 0})));
             EXPECT_EQ(after.Model[104] & 4, 4);
         }},
        {"H backup, J controller loading from Pcol", 'H', 'J', nullptr,
         [](SimControllerState &s) { s.Model[104] = 0x04; },
         [&](const SimControllerState &, const SimControllerState &after, const TFrames &f) {
             EXPECT_FALSE(sent(f, Request({0x16, 104, 0, 0})));
             EXPECT_EQ(after.Model[104], 0xFF); // the file's 0xFB and the controller's bit 2
         }},
        {"H backup, I controller's manifold-pressure scale", 'H', 'I', nullptr, {},
         [&](const SimControllerState &before, const SimControllerState &after, const TFrames &) {
             EXPECT_EQ(after.Param8[53], before.Param8[53]);
         }},
        {"C backup, D controller's gas injector corrections", 'C', 'D', nullptr, {},
         [&](const SimControllerState &before, const SimControllerState &after, const TFrames &f) {
             EXPECT_EQ(writes(f, 0x94), 0);
             EXPECT_EQ(after.Payload.at(0x93), before.Payload.at(0x93));
         }},
        {"G backup without the shortest gas injection", 'G', 'G', "MinGasInjectionTime", {},
         [&](const SimControllerState &, const SimControllerState &after, const TFrames &) {
             EXPECT_EQ(after.Param16[20], 374);
         }},
        {"D backup without the load of the low gas temperature", 'D', 'J', "Tgas<&Load_Lval", {},
         [&](const SimControllerState &, const SimControllerState &after, const TFrames &) {
             EXPECT_EQ(after.Param8[43], 50);
         }},
        // Each key it holds counts as one of a file of the key's letter: the
        // idle RPM and manifold pressure ("G") and the idle correction ("D").
        {"G backup naming no letter, F controller's own idle settings", 'G', 'F', "Ver",
         [](SimControllerState &s) {
             s.Param16[17] = 1234;
             s.Param8[47] = 99;
             s.Model[83] = 7;
         },
         [&](const SimControllerState &, const SimControllerState &after, const TFrames &f) {
             EXPECT_NE(after.Param16[17], 1234);
             EXPECT_NE(after.Param8[47], 99);
             EXPECT_NE(after.Model[83], 7);
             for (const Bytes &w : f) {
                 if (w[1] == 0x52 && w[2] == 17) {
                     EXPECT_EQ(after.Param16[17], w[3] << 8 | w[4]);
                 }
                 if (w[1] == 0x08 && w[2] == 47) {
                     EXPECT_EQ(after.Param8[47], w[3]);
                 }
             }
         }},
    };
    QTemporaryDir dir;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.Name);
        const QString file = dir.filePath(QStringLiteral("%1.ddf").arg(QChar(row.File)));
        if (!QFileInfo::exists(file)) {
            OwnProgram saving{48, row.File, true};
            saving.Save(file);
        }
        TIniFile ini(file);
        ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
        if (row.Lacking && qstrcmp(row.Lacking, "Ver") == 0) {
            QString ver = ini.ReadString(QStringLiteral("Info"), QStringLiteral("Ver"));
            ver.remove(QRegularExpression(QStringLiteral("(?<=^\\d{7})[A-Z]")));
            ASSERT_TRUE(TSettingsFile::FileVersionLetter(ini).isNull() == false);
            ini.WriteString(QStringLiteral("Info"), QStringLiteral("Ver"), ver);
            ASSERT_TRUE(TSettingsFile::FileVersionLetter(ini).isNull()) << ver.toStdString();
            ini.SetFileName(dir.filePath(QStringLiteral("noletter.ddf")));
            ASSERT_EQ(ini.Save(), TIniFile::Status::Ok);
        } else if (row.Lacking) {
            ini.DeleteKey(QStringLiteral("Config"), QString::fromLatin1(row.Lacking));
            ini.SetFileName(dir.filePath(QStringLiteral("lacking.ddf")));
            ASSERT_EQ(ini.Save(), TIniFile::Status::Ok);
        }
        OwnProgram program{48, row.Device, false};
        SimControllerState before;
        program.Device.Server.withLock([&] {
            if (row.Own)
                row.Own(program.Device.Controller.State);
            before = program.Device.Controller.State;
        });
        program.Load(ini.FileName());
        EXPECT_EQ(program.Rig.BoxTexts().value(0), Tr("strSaveCnf"));
        const TFrames frames = program.Device.Server.log().bytes();
        SimControllerState after;
        program.Device.Server.withLock([&] {
            after = program.Device.Controller.State;
            row.Check(before, after, frames);
        });
        // The corrections page shows what the controller now holds, as a
        // read of it shows it; below "D" the RPM switch is id 74's bit.
        const QWidget *corrections = shellwiring::Get<QWidget>(*program.Form, "TbSCalCorrections");
        ASSERT_NE(corrections, nullptr);
        const QStringList shown = controltest::ControlStates(corrections);
        if (row.Device < 'D') {
            EXPECT_EQ(shown.filter(QStringLiteral("ChBActiveCorrectionRPM=")).join(u' ').toStdString(),
                      QStringLiteral("ChBActiveCorrectionRPM=%1").arg(after.Model[74] >> 2 & 1).toStdString());
        }
        program.Form->BtnCorReadCorrectionsClick();
        EXPECT_EQ(controltest::StateChanges(shown, controltest::ControlStates(corrections)), "");
    }
}

// One load reads each value once (File > Load, from the menu to its last
// write): before its question the configuration and what the file does not
// hold, between its writes nothing it read before, on kinds 20 and 21 and on
// kind 48 below "G", at "G", at "J" and with an older file on a newer
// controller. A load cancelled at its question (or at the change-record
// question) reads nothing after it that it read before it, and writes
// nothing.
TEST(SettingsFileRoundTrip, ALoadReadsEachValueOnce)
{
    const struct {
        uint8_t Kind;
        char File, Device;
        const char *Cancelled; // the question answered with Cancel or No; nullptr: none
    } rows[] = {
        {20, 'E', 'E', nullptr}, {21, 'E', 'E', nullptr}, {21, 'C', 'E', nullptr}, {48, 'E', 'E', nullptr},
        {48, 'G', 'G', nullptr}, {48, 'J', 'J', nullptr}, {48, 'E', 'J', nullptr},
        {48, 'E', 'E', "strSaveCnf"}, {48, 'J', 'J', "strSaveCnf"}, {48, 'E', 'J', "strSaveCnf"},
        {48, 'G', 'G', "strQModChange"},
    };
    QTemporaryDir dir;
    for (const auto &row : rows) {
        SCOPED_TRACE(std::to_string(row.Kind) + ": " + row.File + " file into " + row.Device
                     + (row.Cancelled ? std::string(", ") + row.Cancelled + " declined" : std::string()));
        const QString file = dir.filePath(QStringLiteral("%1%2.ddf").arg(row.Kind).arg(QChar(row.File)));
        if (!QFileInfo::exists(file)) {
            OwnProgram saving{row.Kind, row.File, true};
            saving.Save(file);
        }
        OwnProgram program{row.Kind, row.Device, false};
        startup::SimDevice &device = program.Device;
        ASSERT_TRUE(DataManager->GetConnected());
        // The frames logged when the declined question was asked.
        size_t asked = SIZE_MAX;
        program.Rig.Answer = [&](const TMessageBoxInfo &b) {
            if (row.Cancelled && b.Text == Tr(row.Cancelled)) {
                asked = device.Server.log().count();
                return b.Buttons.contains(mrCancel) ? int(mrCancel) : int(mrNo);
            }
            return b.Buttons.contains(mrOk) ? int(mrOk) : b.Buttons.value(0);
        };
        program.Form->SettingsFileDialog = [file](bool, const QString &, const QString &) { return file; };
        program.Rig.Boxes.clear();
        device.Server.log().clear();
        shellwiring::Get<QAction>(*program.Form, "MnIFileLoadCnf")->trigger(); // File > Load
        ASSERT_EQ(program.Rig.BoxTexts().value(0), Tr("strSaveCnf"));
        const std::vector<Bytes> frames = device.Server.log().bytes();
        size_t last = 0; // one past the last write
        for (size_t i = 0; i < frames.size(); ++i)
            if (SimController::WritesSettings(row.Kind, frames[i]))
                last = i + 1;
        // Reads of a setting up to the end: before the question, after it.
        const auto readsOf = [&](size_t from, size_t to) {
            std::map<std::string, int> reads;
            for (size_t i = from; i < to; ++i)
                if (!SimController::WritesSettings(row.Kind, frames[i]))
                    for (const std::string &name : SimController::SettingsOf(row.Kind, frames[i]))
                        ++reads[name];
            return reads;
        };
        if (!row.Cancelled) {
            EXPECT_GT(last, 0u);
            EXPECT_EQ(SettingsReadTwice(row.Kind, frames), "");
            continue;
        }
        EXPECT_EQ(last, 0u);
        ASSERT_NE(asked, SIZE_MAX);
        const auto before = readsOf(0, asked);
        std::string again;
        for (const auto &[name, count] : readsOf(asked, frames.size()))
            if (before.count(name))
                again += name + " ";
        EXPECT_EQ(again, "");
    }
}
