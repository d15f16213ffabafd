// The settings file: where it lies, its round trip, its defaults, and every
// way it can be damaged, without losing the sections of other windows.
#include "common/PermissionBits.h"
#include "core/AppConfig.h"
#include "core/ComMultiPort.h"
#include "core/CustomParameters.h"
#include "core/IniFile.h"
#include "core/LM.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A home, a config folder and a program folder in a temporary folder, with a
// language manager and a port; messages are collected.
class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedHome = qgetenv("HOME");
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        savedDocuments = qgetenv("XDG_DOCUMENTS_DIR");
        qputenv("HOME", QFile::encodeName(root.filePath("home")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("home/cfg/deep/er")));
        qunsetenv("XDG_DOCUMENTS_DIR");
        QDir().mkpath(root.filePath("home"));
        QDir().mkpath(root.filePath("prog"));
        savedLM = LM;
        LM = &lm;
        config.OnMessage = [this](const QString &text, const QString &caption) {
            messages << caption + "|" + text;
        };
    }
    void TearDown() override
    {
        LM = savedLM;
        qputenv("HOME", savedHome);
        if (savedConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", savedConfig);
        if (!savedDocuments.isNull())
            qputenv("XDG_DOCUMENTS_DIR", savedDocuments);
    }
    QString Exe() const { return root.filePath("prog/taron"); }
    void Init() { config.Initialize(&port, Exe()); }

    QTemporaryDir root;
    QByteArray savedHome, savedConfig, savedDocuments;
    TLM *savedLM = nullptr;
    TLM lm;
    TComMultiPort port;
    TAppConfig config;
    QStringList messages;
};
} // namespace

TEST_F(Settings, FoldersAreWorkedOutAndCreated)
{
    Init();
    EXPECT_EQ(config.ConfigFolder(), root.filePath("home/cfg/deep/er") + "/");
    EXPECT_EQ(config.IniFileName(), root.filePath("home/cfg/deep/er/taron.INI"));
    EXPECT_TRUE(QFileInfo(config.ConfigFolder()).isDir()); // every level made
    EXPECT_EQ(config.DataFolder(), root.filePath("home/Documents/Taron Service Data") + "/");
    EXPECT_TRUE(QFileInfo(config.DataFolder()).isDir());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Settings, UnwritableConfigFolderPutsTheFileBesideTheProgram)
{
    WriteAll(root.filePath("home/blocker"), "a file, not a folder");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("home/blocker/cfg")));
    Init();
    EXPECT_EQ(config.IniFileName(), root.filePath("prog/taron.INI"));
    // Without XDG_CONFIG_HOME: $HOME/.config.
    qunsetenv("XDG_CONFIG_HOME");
    Init();
    EXPECT_EQ(config.IniFileName(), root.filePath("home/.config/taron.INI"));
}

TEST_F(Settings, RoundTripKeepsOtherSections)
{
    Init();
    WriteAll(config.IniFileName(), "[Company]\r\nName=Auto-Gaz\r\nPhone=123\r\n");
    lm.Language = "EN";
    port.SetComDevice(7);
    config.OfflineMode = true;
    config.AutoSearch = true;
    config.Save();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(ReadAll(config.IniFileName()),
              QByteArray("[Company]\r\nName=Auto-Gaz\r\nPhone=123\r\n"
                         "[Settings]\r\nComMultiPort=7\r\nLanguage=EN\r\nOfflineMode=1\r\nAutoSearch=1\r\n"));

    TComMultiPort port2;
    TAppConfig again;
    again.Initialize(&port2, Exe());
    lm.Language = "PL";
    again.Load();
    EXPECT_EQ(port2.ComDevice(), 7);
    EXPECT_EQ(again.GetComDevice(), 7);
    EXPECT_EQ(lm.Language, "EN"); // stored straight into the language manager
    EXPECT_TRUE(again.OfflineMode);
    EXPECT_TRUE(again.AutoSearch);
}

TEST_F(Settings, ByteOrderMarkAndUnmappableBytesSurviveASave)
{
    // An editor's UTF-8 mark before "[Settings]", and a company name with
    // bytes windows-1250 leaves undefined.
    Init();
    const QByteArray company("[Company]\r\nName=A\x81\x83\x88\x90\x98Z \xB9\r\n");
    WriteAll(config.IniFileName(), "\xEF\xBB\xBF[Settings]\r\nComMultiPort=9\r\nLanguage=EN\r\n"
                                   "OfflineMode=1\r\nAutoSearch=1\r\n" + company);
    config.Load();
    EXPECT_EQ(port.ComDevice(), 9);
    EXPECT_EQ(lm.Language, "EN");
    EXPECT_TRUE(config.OfflineMode);
    port.SetComDevice(4);
    config.Save();
    EXPECT_EQ(ReadAll(config.IniFileName()),
              "[Settings]\r\nComMultiPort=4\r\nLanguage=EN\r\nOfflineMode=1\r\nAutoSearch=1\r\n" + company);
    // The values are decoded in the language's code page: 0xB9 is "ą" in
    // windows-1250 (Polish) and "¹" in windows-1252 (English).
    lm.Language = "PL";
    TIniFile pl(config.IniFileName(), TLM::CodePageOfCharset(TLM::GetCharsetOfLanguage(lm.Language)));
    ASSERT_EQ(pl.Load(), TIniFile::Status::Ok);
    EXPECT_TRUE(pl.ReadString("Company", "Name").endsWith(QStringLiteral("Z \u0105")));
}

TEST_F(Settings, MissingFileGivesDefaults)
{
    Init();
    config.SetLanguage("PL"); // the edition's default
    lm.Language = "RU";
    port.SetComDevice(9);
    config.OfflineMode = true;
    config.Load();
    EXPECT_EQ(port.ComDevice(), 1);
    EXPECT_EQ(lm.Language, "PL");
    EXPECT_FALSE(config.OfflineMode);
    EXPECT_FALSE(config.AutoSearch);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_FALSE(QFile::exists(config.IniFileName())); // reading creates nothing
}

TEST_F(Settings, OutOfRangeValuesAreReplaced)
{
    Init();
    for (const char *value : {"0", "-3", "256", "x"}) {
        WriteAll(config.IniFileName(), QByteArray("[settings]\r\ncommultiport=") + value + "\r\nlanguage=../../etc\r\n");
        port.SetComDevice(5);
        lm.Language = "EN";
        config.Load();
        EXPECT_EQ(port.ComDevice(), 1) << value;
        EXPECT_EQ(lm.Language, "PL") << value;
    }
    WriteAll(config.IniFileName(), "[Settings]\r\nComMultiPort=255\r\nLanguage=TR_Veluto\r\n");
    config.Load();
    EXPECT_EQ(port.ComDevice(), 255);
    EXPECT_EQ(lm.Language, "TR_Veluto");
    config.SetComDevice(-1, false);
    EXPECT_EQ(port.ComDevice(), 1);
}

TEST_F(Settings, LanguageWithoutManagerAndAsDefault)
{
    LM = nullptr;
    Init();
    EXPECT_EQ(config.GetLanguage(), "EN"); // none set
    config.SetLanguage("PL");
    config.Load();
    EXPECT_EQ(config.GetLanguage(), "PL");
    config.Save();
    TIniFile ini(config.IniFileName());
    ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
    EXPECT_EQ(ini.ReadString("Settings", "Language"), "PL");
}

TEST_F(Settings, DamagedFileGivesDefaultsAndIsSetAside)
{
    Init();
    const QByteArray garbage =
        QByteArray("\x00\x01\xFF", 3) + "[Settings]\r\nComMultiPort=4\r\n" + QByteArray(1, '\0');
    WriteAll(config.IniFileName(), garbage);
    port.SetComDevice(6);
    config.Load();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Error!|INI file damaged")) << messages[0].toStdString();
    EXPECT_EQ(port.ComDevice(), 1);
    config.Save();
    EXPECT_EQ(ReadAll(config.IniFileName() + ".damaged"), garbage);
    TIniFile ini(config.IniFileName());
    ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
    EXPECT_EQ(ini.ReadInteger("Settings", "ComMultiPort"), 1);
}

TEST_F(Settings, FileRepairedDuringTheRunKeepsItsSections)
{
    // Damaged at start; another window then writes its section to a new file.
    Init();
    WriteAll(config.IniFileName(), QByteArray("\x00[Settings]\r\n", 13));
    config.Load();
    ASSERT_EQ(messages.size(), 1);
    WriteAll(config.IniFileName(), "[Company]\r\nName=Workshop\r\n");
    port.SetComDevice(5);
    config.Save();
    EXPECT_EQ(messages.size(), 1);
    TIniFile ini(config.IniFileName());
    ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
    EXPECT_EQ(ini.ReadString("Company", "Name"), "Workshop");
    EXPECT_EQ(ini.ReadInteger("Settings", "ComMultiPort"), 5);
}

TEST_F(Settings, ReadOnlyFileIsLeftUnchanged)
{
    Init();
    const QByteArray before("[Company]\r\nName=X\r\n[Settings]\r\nComMultiPort=3\r\n");
    WriteAll(config.IniFileName(), before);
    ASSERT_EQ(chmod(QFile::encodeName(config.IniFileName()).constData(), 0444), 0);
    config.Load();
    EXPECT_EQ(port.ComDevice(), 3);
    EXPECT_TRUE(messages.isEmpty());
    port.SetComDevice(8);
    config.Save();
    EXPECT_EQ(messages, QStringList({"Error!|INI file read only"}));
    EXPECT_EQ(ReadAll(config.IniFileName()), before);
}

TEST_F(Settings, FileThatCannotBeCreated)
{
    // The program folder is a file: neither the config folder nor the folder
    // beside the program can hold the settings file.
    WriteAll(root.filePath("home/blocker"), "x");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("home/blocker/cfg")));
    WriteAll(root.filePath("prog2"), "x");
    config.Initialize(&port, root.filePath("prog2/taron"));
    config.Load();
    EXPECT_TRUE(messages.isEmpty());
    config.Save();
    EXPECT_EQ(messages, QStringList({"Error!|Cannot create INI file"}));
}

TEST_F(Settings, UnreadableFileIsNeitherReadNorOverwritten)
{
    Init();
    WriteAll(config.IniFileName(), "[Company]\r\nName=X\r\n");
    ASSERT_EQ(chmod(QFile::encodeName(config.IniFileName()).constData(), 0200), 0);
    {
        // The bits bind root too while the file is read at start.
        const testsupport::TPermissionBitsBind bits;
        config.Load();
    }
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Error!|Cannot read INI file"));
    // Saved by whoever may read it by now: what was not read is not replaced.
    chmod(QFile::encodeName(config.IniFileName()).constData(), 0600);
    config.Save();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].startsWith("Error!|Cannot write INI file")) << messages[1].toStdString();
    EXPECT_EQ(ReadAll(config.IniFileName()), QByteArray("[Company]\r\nName=X\r\n"));
}

TEST_F(Settings, SettingsPathThatCannotBeReadIsNeverReplaced)
{
    // A folder where the file should be: it cannot be read, even by root, and
    // saving must neither replace nor remove it.
    Init();
    ASSERT_TRUE(QDir().mkpath(config.IniFileName()));
    WriteAll(config.IniFileName() + "/keep", "x");
    config.Load();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Error!|Cannot read INI file")) << messages[0].toStdString();
    EXPECT_EQ(port.ComDevice(), 1);
    config.Save();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].startsWith("Error!|Cannot write INI file")) << messages[1].toStdString();
    EXPECT_TRUE(QFileInfo(config.IniFileName()).isDir());
    EXPECT_EQ(ReadAll(config.IniFileName() + "/keep"), QByteArray("x"));
}

TEST(SettingsObjects, CreatedWithThePortSettings)
{
    ASSERT_EQ(AppConfig, nullptr);
    CreateSettingsObjects();
    ASSERT_NE(AppConfig, nullptr);
    ASSERT_NE(ComMultiPort, nullptr);
    ASSERT_NE(CustomParameters, nullptr);
    EXPECT_EQ(ComMultiPort->BaudRate(), comBR9600);
    EXPECT_EQ(ComMultiPort->ByteSize(), 8);
    EXPECT_EQ(ComMultiPort->Parity(), comNoParity);
    EXPECT_EQ(ComMultiPort->StopBits(), comOneStopBit);
    EXPECT_TRUE(ComMultiPort->UseTimeouts());
    EXPECT_EQ(ComMultiPort->Timeouts()->IntervalTimeout(), 150u);
    EXPECT_EQ(ComMultiPort->Timeouts()->ReadConstant(), 300u);
    EXPECT_EQ(ComMultiPort->Timeouts()->ReadMultiplier(), 150u);
    EXPECT_EQ(ComMultiPort->Timeouts()->WriteConstant(), 300u);
    EXPECT_EQ(ComMultiPort->Timeouts()->WriteMultiplier(), 150u);
    EXPECT_EQ(ComMultiPort->LockingStrategy(), lsReadDataWithControl);
    EXPECT_TRUE(ComMultiPort->ThreadSafe());
    EXPECT_EQ(AppConfig->GetLanguage(), "EN"); // set by the edition parameters
    CustomParameters->Init(19);
    EXPECT_EQ(AppConfig->GetLanguage(), "PL");
    FreeSettingsObjects();
    EXPECT_EQ(AppConfig, nullptr);
    EXPECT_EQ(ComMultiPort, nullptr);
    EXPECT_EQ(CustomParameters, nullptr);
}
