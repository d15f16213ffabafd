#include "common/PermissionBits.h"
#include "common/TestFiles.h"
#include "core/IniFile.h"
#include "core/LM.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using testsupport::ReadAll;
using testsupport::WriteAll;
} // namespace

TEST(IniFile, UntouchedFileIsWrittenBackByteForByte)
{
    const QByteArray text = "; comment before any section\r\n"
                            "[Settings]\r\n"
                            "ComMultiPort=3\r\n"
                            "  Language = PL  \r\n"
                            "\r\n"
                            "[Company]\r\n"
                            "Name=Warsztat \xA3\xF3\x64\x9F\r\n" // windows-1250: Ł ó d ź
                            "odd line without equals\r\n";
    TIniFile ini;
    ini.LoadFromBytes(text);
    EXPECT_EQ(ini.ToBytes(), text);
    EXPECT_EQ(ini.ReadString("Company", "Name"), QString::fromUtf8("Warsztat Łódź"));
    EXPECT_EQ(ini.ReadString("settings", "LANGUAGE"), "PL");
}

TEST(IniFile, AcceptsEveryLineEnding)
{
    for (const QByteArray &eol : {QByteArray("\r\n"), QByteArray("\n"), QByteArray("\r")}) {
        TIniFile ini;
        ini.LoadFromBytes("[A]" + eol + "x=1" + eol + "[B]" + eol + "y=2");
        EXPECT_EQ(ini.ReadSections(), QStringList({"A", "B"})) << eol.toHex().constData();
        EXPECT_EQ(ini.ReadInteger("a", "X"), 1);
        EXPECT_EQ(ini.ReadInteger("b", "y"), 2);
        // Written with CR LF whatever it was read with.
        EXPECT_EQ(ini.ToBytes(), QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\n"));
        // The last line had no line end: line 4.
        EXPECT_EQ(ini.UnendedLine(), 4);
        ini.LoadFromBytes("[A]" + eol + "x=1" + eol);
        EXPECT_EQ(ini.UnendedLine(), 0);
    }
}

TEST(IniFile, EveryLeadingByteOrderMarkIsSkippedAndNoneWritten)
{
    for (int marks = 1; marks <= 3; ++marks) {
        TIniFile ini;
        ini.LoadFromBytes(QByteArray("\xEF\xBB\xBF").repeated(marks) + "[Settings]\r\nLanguage=EN\r\n");
        EXPECT_EQ(ini.ReadSections(), QStringList({"Settings"})) << marks;
        EXPECT_EQ(ini.ReadString("Settings", "Language"), "EN");
        EXPECT_EQ(ini.ToBytes(), QByteArray("[Settings]\r\nLanguage=EN\r\n"));
    }
}

TEST(IniFile, KeepsOrderAndCaseAndAddsNewKeysAtTheEndOfTheirSection)
{
    TIniFile ini;
    ini.LoadFromBytes("[One]\r\nb=2\r\na=1\r\n\r\n[Two]\r\nz=9\r\n");
    ini.WriteString("ONE", "C", "3");     // new key in an existing section
    ini.WriteString("one", "B", "20");    // change keeps the stored key's case
    ini.WriteString("Three", "k", "v");   // new section at the end
    EXPECT_EQ(ini.ReadSection("one"), QStringList({"b", "a", "C"}));
    EXPECT_EQ(ini.ToBytes(), QByteArray("[One]\r\nb=20\r\na=1\r\nC=3\r\n\r\n[Two]\r\nz=9\r\n[Three]\r\nk=v\r\n"));
    // Names beyond ASCII match whatever their case too; of a key a file holds
    // twice, the first line is the one read and changed.
    TIniFile polish;
    polish.LoadFromBytes("[S]\r\nk=a\r\nK=b\r\n");
    polish.WriteString("S", QString::fromUtf8("Łódź"), "1");
    polish.WriteString("S", QString::fromUtf8("łÓDŹ"), "2");
    polish.WriteString("S", "K", "c");
    EXPECT_EQ(polish.ReadString("s", QString::fromUtf8("ŁÓDŹ")), "2");
    EXPECT_EQ(polish.ReadString("S", "k"), "c");
    EXPECT_EQ(polish.ToBytes(), QByteArray("[S]\r\nk=c\r\nK=b\r\n\xA3\xF3\x64\x9F=2\r\n"));
    // Two keys of one 64-bit hash in the key index ("xpedtoia", and
    // "dxmptmc" followed by U+D8081): each is found and kept as itself.
    const char32_t last = 0xD8081;
    const QString first = QStringLiteral("xpedtoia"), second = QStringLiteral("dxmptmc") + QString::fromUcs4(&last, 1);
    TIniFile same;
    same.WriteString("S", first, "1");
    same.WriteString("S", second, "2");
    same.WriteString("S", second, "3");
    EXPECT_EQ(same.ReadSection("S"), QStringList({first, second}));
    EXPECT_EQ(same.ReadString("S", first), "1");
    EXPECT_EQ(same.ReadString("S", second), "3");
    same.DeleteKey("S", first);
    EXPECT_EQ(same.ReadString("S", second), "3");
    EXPECT_FALSE(same.ValueExists("S", first));
}

TEST(IniFile, TypedValuesAndDefaults)
{
    TIniFile ini;
    ini.WriteInteger("S", "i", -42);
    ini.WriteBool("S", "t", true);
    ini.WriteBool("S", "f", false);
    ini.WriteFloat("S", "x", 0.25);
    ini.WriteString("S", "bad", "12a");
    ini.WriteString("S", "comma", "1,5");
    EXPECT_EQ(ini.ReadString("S", "x"), "0.25");
    EXPECT_EQ(ini.ReadInteger("S", "i", 7), -42);
    EXPECT_EQ(ini.ReadInteger("S", "bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "missing", 7), 7);
    EXPECT_TRUE(ini.ReadBool("S", "t"));
    EXPECT_FALSE(ini.ReadBool("S", "f", true));
    EXPECT_TRUE(ini.ReadBool("S", "missing", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "x"), 0.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "comma"), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "bad", -1), -1);
    // A line break in a value cannot split the entry.
    ini.WriteString("S", "multi", "a\r\nb=c");
    TIniFile back;
    back.LoadFromBytes(ini.ToBytes());
    EXPECT_EQ(back.ReadSection("S").size(), 7);
}

TEST(IniFile, EraseSectionAndDeleteKey)
{
    TIniFile ini;
    ini.LoadFromBytes("[A]\r\nx=1\r\ny=2\r\n[B]\r\nq=1\r\n[a]\r\nz=3\r\n");
    ini.DeleteKey("a", "X");
    EXPECT_FALSE(ini.ValueExists("A", "x"));
    EXPECT_TRUE(ini.ValueExists("A", "y"));
    ini.EraseSection("A");
    EXPECT_FALSE(ini.SectionExists("a"));
    EXPECT_EQ(ini.ToBytes(), QByteArray("[B]\r\nq=1\r\n"));
}

TEST(IniFile, CodePageRoundTrip)
{
    const QString polish = QString::fromUtf8("Zażółć gęślą jaźń");
    TIniFile ini;
    ini.WriteString("S", "k", polish);
    const QByteArray bytes = ini.ToBytes();
    EXPECT_TRUE(bytes.contains("Za\xBF\xF3\xB3\xE6")); // windows-1250 bytes
    TIniFile back;
    back.LoadFromBytes(bytes);
    EXPECT_EQ(back.ReadString("S", "k"), polish);
    // A character the code page lacks is written as '?'.
    TIniFile cyr;
    cyr.WriteString("S", "k", QString::fromUtf8("aЖb"));
    EXPECT_EQ(cyr.ToBytes(), QByteArray("[S]\r\nk=a?b\r\n"));
    // A value is one line of text: line breaks are spaces, a NUL is dropped,
    // so what is written is read back.
    cyr.WriteString("S", "k", QStringLiteral("a\r\nb") + QChar(u'\0') + QStringLiteral("c"));
    EXPECT_EQ(cyr.ToBytes(), QByteArray("[S]\r\nk=a  bc\r\n"));
    // Another code page (Russian files).
    TIniFile ru(QString(), "windows-1251");
    ru.LoadFromBytes("[S]\r\nk=\xC6\r\n");
    EXPECT_EQ(ru.ReadString("S", "k"), QString::fromUtf8("Ж"));
}

TEST(IniFile, SaveReplacesTheFileThroughATemporaryCopy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    WriteAll(path, "[Keep]\nk=1\n");
    TIniFile ini(path);
    ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
    ini.WriteInteger("New", "n", 5);
    ASSERT_EQ(ini.Save(), TIniFile::Status::Ok);
    EXPECT_EQ(ReadAll(path), QByteArray("[Keep]\r\nk=1\r\n[New]\r\nn=5\r\n"));
    // Nothing is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"x.ini"}));
}

TEST(IniFile, LoadAndSaveReportFailures)
{
    QTemporaryDir dir;
    TIniFile missing(dir.filePath("none.ini"));
    EXPECT_EQ(missing.Load(), TIniFile::Status::NotFound);

    const QString garbage = dir.filePath("garbage.ini");
    WriteAll(garbage, QByteArray("[S]\r\nk=1\r\n\0\0\xFF\x01", 14));
    TIniFile g(garbage);
    EXPECT_EQ(g.Load(), TIniFile::Status::Damaged);
    EXPECT_TRUE(g.ReadSections().isEmpty());
    EXPECT_FALSE(g.ErrorString().isEmpty());

    const QString ro = dir.filePath("ro.ini");
    WriteAll(ro, "[S]\r\nk=1\r\n");
    ASSERT_EQ(chmod(QFile::encodeName(ro).constData(), 0444), 0);
    TIniFile r(ro);
    ASSERT_EQ(r.Load(), TIniFile::Status::Ok);
    r.WriteInteger("S", "k", 2);
    EXPECT_EQ(r.Save(), TIniFile::Status::ReadOnly);
    EXPECT_EQ(ReadAll(ro), QByteArray("[S]\r\nk=1\r\n"));

    TIniFile nowhere(dir.filePath("no/such/folder/x.ini"));
    nowhere.WriteInteger("S", "k", 1);
    EXPECT_EQ(nowhere.Save(), TIniFile::Status::WriteError);

    const QString unreadable = dir.filePath("unreadable.ini");
    WriteAll(unreadable, "[S]\r\nk=1\r\n");
    ASSERT_EQ(chmod(QFile::encodeName(unreadable).constData(), 0), 0);
    TIniFile u(unreadable);
    const testsupport::TPermissionBitsBind bits; // for root too
    EXPECT_EQ(u.Load(), TIniFile::Status::ReadError);
}

TEST(IniFile, OnlyRegularFilesOfBoundedSizeAreRead)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = dir.filePath(QStringLiteral("huge.ini"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(TIniFile::MaxFileSize + 1)); // sparse
    }
    const struct {
        QString Path;
        const char *Reason;
    } cases[] = {
        {fifo, "not a regular file"},  // opening it would wait for a writer for good
        {QStringLiteral("/dev/zero"), "not a regular file"}, // size 0, endless
        {dir.path(), "not a regular file"},
        {huge, "1048577 bytes"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        TIniFile ini(c.Path);
        EXPECT_EQ(ini.Load(), TIniFile::Status::ReadError);
        EXPECT_TRUE(ini.ErrorString().contains(c.Path));
        EXPECT_TRUE(ini.ErrorString().contains(QString::fromLatin1(c.Reason))) << ini.ErrorString().toStdString();
    }
    // The largest file read still loads.
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[A]\r\nb=1\r\n");
        ASSERT_TRUE(f.resize(TIniFile::MaxFileSize));
    }
    TIniFile ini(huge);
    EXPECT_EQ(ini.Load(), TIniFile::Status::Damaged); // the zeros of the sparse tail
}

TEST(CodePage, EveryLanguageCodePageRoundTripsAndMarksWhatItCannotHold)
{
    // One converter serves the INI files and the language files: Polish and
    // Cyrillic letters round trip in their code pages, a character the code
    // page lacks becomes one '?' even when it is several bytes in UTF-8.
    const QString polish = QStringLiteral("Zażółć gęślą jaźń");
    EXPECT_EQ(TIniFile::DecodeText(TIniFile::EncodeText(polish, "windows-1250"), "windows-1250"),
              polish);
    EXPECT_EQ(TLM::EncodeText(QStringLiteral("ą€"), 238), QByteArray("\xB9\x80"));
    EXPECT_EQ(TLM::EncodeText(QStringLiteral("a日b"), 238), QByteArray("a?b"));
    EXPECT_EQ(TLM::DecodeText(QByteArray("\xC0\xE1"), 204), QStringLiteral("Аб"));
    EXPECT_EQ(TLM::DecodeText(QByteArray("\xE1"), 222), QString(QChar(0x0E41)));
}
