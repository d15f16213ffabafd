#include "common/GiveUp.h"
#include "core/LM.h"
#include "core/EnglishTextKeys.h"
#include "core/LanguageFileFixture.h"
#include "core/VersionInfo.h"
#include "common/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {
// Records what the language manager puts onto windows.
class RecordingWindows : public TLMWindowTexts
{
public:
    QObject *FindWindow(const QString &name) override
    {
        for (QObject *w : windows)
            if (w->objectName() == name)
                return w;
        return nullptr;
    }
    void SetWindowCaption(QObject *window, const QString &caption) override
    {
        calls << window->objectName() + QStringLiteral(" caption ") + caption;
    }
    void ApplyComponentLine(QObject *window, const QString &name, bool isHint,
                            const QString &value) override
    {
        calls << window->objectName() + QStringLiteral(" ") + name
                     + (isHint ? QStringLiteral(" hint ") : QStringLiteral(" text ")) + value;
    }
    QList<QObject *> windows;
    QStringList calls;
};

class LanguageManager : public ::testing::Test
{
protected:
    void SetUp() override
    {
        lm.SetProgramFolder(folder.programFolder());
        lm.MessageHook = [this](const QString &m) { messages << m; };
        lm.CatalogLanguageHook = [this](const QString &c) { catalog << c; };
    }
    LanguageFolder folder;
    TLM lm;
    QStringList messages;
    QStringList catalog;
};

// A picture that decodes the file's bytes by their content: each test file
// holds its own name.
struct FakePicture {
    bool loadFromData(const QByteArray &bytes)
    {
        loaded = QString::fromUtf8(bytes);
        if (loaded.endsWith(QStringLiteral(".throw")))
            throw std::runtime_error("decoder failed");
        return !loaded.endsWith(QStringLiteral(".bad"));
    }
    QString loaded;
};
}

TEST_F(LanguageManager, StartsInPolishWithTheProgramVersion)
{
    EXPECT_EQ(lm.Language, QStringLiteral("PL"));
    EXPECT_EQ(lm.VerInfo->FileVersion(), QLatin1String(BuildVersion::FileVersionText));
    EXPECT_EQ(lm.VerInfo->LangId_CP(), QStringLiteral("040904E4"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strOK")), QStringLiteral("!_strOK"));
    EXPECT_EQ(lm.GetLanguageFilePath(), folder.programFolder() + QStringLiteral("/Resource/_"));
}

TEST_F(LanguageManager, TranslateFindsKeysIgnoringCaseAndTakesTheFirstLine)
{
    folder.writeCurrentLanguage(QStringLiteral("EN"),
                                {QStringLiteral("[Strings]"), QStringLiteral("strOK=OK"),
                                 QStringLiteral("strTwice=first"), QStringLiteral("STRTWICE=second"),
                                 QStringLiteral("strEmpty="), QStringLiteral("strEq=a=b"),
                                 QStringLiteral("strLate"), QStringLiteral("strLate=late")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(lm.Language, QStringLiteral("EN"));
    EXPECT_EQ(catalog, QStringList{QStringLiteral("EN")});
    EXPECT_EQ(lm.Translate(QStringLiteral("strOK")), QStringLiteral("OK"));
    EXPECT_EQ(lm.Translate(QStringLiteral("STROK")), QStringLiteral("OK"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strtwice")), QStringLiteral("first"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strEmpty")), QStringLiteral("!_strEmpty"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strMissing")), QStringLiteral("!_strMissing"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strEq")), QStringLiteral("a=b"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strLate")), QStringLiteral("late")); // a bare line has no key
}

TEST_F(LanguageManager, TextsAreDecodedWithTheCodePageOfTheLanguage)
{
    // Polish letters in windows-1250, Cyrillic in windows-1251: bytes as a
    // Windows program writes them.
    folder.writeLanguage(QStringLiteral("PL"), {QStringLiteral("FileVersion=") + LanguageFolder::version(),
                                                QStringLiteral("strA=Zażółć gęślą jaźń")});
    folder.writeLanguage(QStringLiteral("RU"), {QStringLiteral("FileVersion=") + LanguageFolder::version(),
                                                QStringLiteral("strA=Отмена")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("PL")));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("Zażółć gęślą jaźń"));
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("RU")));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("Отмена"));
    EXPECT_EQ(TLM::EncodeText(QStringLiteral("ą"), 238), QByteArray("\xB9"));
    EXPECT_EQ(TLM::DecodeText(QByteArray("\xB9"), 238), QStringLiteral("ą"));
    EXPECT_EQ(TLM::DecodeText(QByteArray("\xE0"), 204), QStringLiteral("а"));
}

TEST_F(LanguageManager, LinesMayEndWithCrLfCrOrLf)
{
    QByteArray bytes = "FileVersion=" + LanguageFolder::version().toLatin1() + "\rstrA=a\nstrB=b\r\nstrC=c\rFileEnd=4\n";
    folder.writeScrambled(QStringLiteral("_EN.lng"), bytes);
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("a"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strB")), QStringLiteral("b"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strC")), QStringLiteral("c"));
}

TEST_F(LanguageManager, MissingFileIsReportedAndChangesNothing)
{
    folder.writeCurrentLanguage(QStringLiteral("EN"), {QStringLiteral("strA=English")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    catalog.clear();
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("DE")));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("File not found:\r\n") + folder.resource(QStringLiteral("_DE.lng")));
    // The catalog switch comes first, even when the file then fails.
    EXPECT_EQ(catalog, QStringList{QStringLiteral("DE")});
    EXPECT_EQ(lm.Language, QStringLiteral("EN"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("English"));
}

TEST_F(LanguageManager, FileCutShortIsRefusedAsDamaged)
{
    folder.writeCurrentLanguage(QStringLiteral("EN"), {QStringLiteral("strA=English")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    const QByteArray whole = "FileVersion=" + LanguageFolder::version().toLatin1()
                             + "\r\nstrA=Deutsch\r\n[FormAbout]\r\nstrB=Zwei\r\nFileEnd=4\r\n";
    // Cut inside a line, and cut at each line end: before the end line, and
    // before the window section. A file with an end line before its last
    // could be one cut after that line: refused too.
    const qsizetype endLine = whole.indexOf("FileEnd"), section = whole.indexOf("[FormAbout]");
    const QByteArray twoEnds = whole.left(section) + "FileEnd=2\r\n" + whole.mid(section).replace("FileEnd=4", "FileEnd=5");
    for (const QByteArray &stored : {whole.left(whole.size() - 5), whole.left(endLine), whole.left(section), twoEnds}) {
        SCOPED_TRACE(stored.constData());
        messages.clear();
        folder.writeScrambled(QStringLiteral("_DE.lng"), stored);
        EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("DE")));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Incorrect file structure: _DE.lng")));
        EXPECT_TRUE(messages[0].contains(QStringLiteral("cut short")));
        EXPECT_EQ(lm.Language, QStringLiteral("EN"));
        EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("English"));
    }
    // A line lost inside the file counts wrong.
    QByteArray lost = whole;
    lost.remove(section, whole.indexOf("strB") - section);
    folder.writeScrambled(QStringLiteral("_DE.lng"), lost);
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("DE")));
    // The whole file loads; its end line is no text.
    folder.writeScrambled(QStringLiteral("_DE.lng"), whole);
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("DE")));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("Deutsch"));
    EXPECT_EQ(lm.Translate(QStringLiteral("FileEnd")), QStringLiteral("!_FileEnd"));
}

TEST_F(LanguageManager, AFileThatCannotBeReadSaysWhy)
{
    folder.writeCurrentLanguage(QStringLiteral("EN"), {QStringLiteral("strA=English")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    // A folder, a pipe and a file far too large, each named with its reason.
    QDir().mkpath(folder.resource(QStringLiteral("_DE.lng")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.resource(QStringLiteral("_FR.lng"))).constData(), 0600), 0);
    {
        QFile huge(folder.resource(QStringLiteral("_IT.lng")));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(2) << 30));
    }
    for (const char *code : {"DE", "FR", "IT"}) {
        SCOPED_TRACE(code);
        messages.clear();
        EXPECT_FALSE(lm.LoadLanguageFile(QString::fromLatin1(code)));
        ASSERT_EQ(messages.size(), 1);
        const QString path = folder.resource(QStringLiteral("_%1.lng").arg(QString::fromLatin1(code)));
        EXPECT_TRUE(messages[0].startsWith(path)) << messages[0].toStdString();
        EXPECT_FALSE(messages[0].contains(QStringLiteral("not found"))) << messages[0].toStdString();
        EXPECT_TRUE(messages[0].contains(QString::fromLatin1(code[0] == 'I' ? "bytes" : "not a regular file")))
            << messages[0].toStdString();
        EXPECT_EQ(lm.Language, QStringLiteral("EN"));
    }
}

TEST_F(LanguageManager, WrongFirstLineIsAnIncorrectStructure)
{
    folder.writeLanguage(QStringLiteral("EN"), {QStringLiteral("fileversion=") + LanguageFolder::version(),
                                                QStringLiteral("strA=a")});
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("EN")));
    folder.writeLanguage(QStringLiteral("DE"), {QStringLiteral("FileVersion")}); // no "="
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("DE")));
    folder.writeRaw(QStringLiteral("_FR.lng"), QByteArray()); // empty file
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("FR")));
    EXPECT_EQ(messages, QStringList({QStringLiteral("Incorrect file structure: _EN.lng"),
                                     QStringLiteral("Incorrect file structure: _DE.lng"),
                                     QStringLiteral("Incorrect file structure: _FR.lng")}));
    EXPECT_EQ(lm.Language, QStringLiteral("PL"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("!_strA"));
}

TEST_F(LanguageManager, DamagedOrUnscrambledFilesAreRejected)
{
    // A plain (not scrambled) file, random bytes, and a file cut off in its
    // first line: each is a bad structure, none crashes.
    folder.writeRaw(QStringLiteral("_EN.lng"), "FileVersion=" + LanguageFolder::version().toLatin1() + "\r\n");
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("EN")));
    QByteArray noise(5000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 131 + 17) % 251);
    folder.writeRaw(QStringLiteral("_DE.lng"), noise);
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("DE")));
    folder.writeScrambled(QStringLiteral("_IT.lng"), "FileVers");
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("IT")));
    ASSERT_EQ(messages.size(), 3);
    for (const QString &m : messages)
        EXPECT_TRUE(m.startsWith(QStringLiteral("Incorrect file structure: _"))) << m.toStdString();
}

TEST_F(LanguageManager, FileOfAnotherVersionIsRejectedWithBothVersions)
{
    folder.writeCurrentLanguage(QStringLiteral("PL"), {QStringLiteral("strA=polski")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("PL")));
    folder.writeLanguage(QStringLiteral("EN"), {QStringLiteral("FileVersion=1.2.3.4"), QStringLiteral("strA=english")});
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("EN")));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("Incorrect file version: _EN.lng\r\n\r\n(expected: ")
                               + LanguageFolder::version() + QStringLiteral(", but found: 1.2.3.4)"));
    EXPECT_EQ(lm.Language, QStringLiteral("PL"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("polski"));
}

TEST_F(LanguageManager, UnknownCodeNeverReachesAFileOrTheCatalog)
{
    folder.writeCurrentLanguage(QStringLiteral("PL"), {QStringLiteral("strA=polski")});
    // A file that a path-like code would reach if it were used unchecked.
    folder.writeCurrentLanguage(QStringLiteral("EN"), {QStringLiteral("strA=english")});
    for (const QString &code : {QStringLiteral("../Resource/_EN"), QStringLiteral("en"), QStringLiteral("XX"),
                                QString()}) {
        messages.clear();
        EXPECT_FALSE(lm.LoadLanguageFile(code));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("File not found:\r\n")));
    }
    EXPECT_TRUE(catalog.isEmpty());
    // The settings named a code the program does not know: Polish.
    lm.Language = QStringLiteral("../Resource/_EN");
    lm.SetDefaultLanguage();
    EXPECT_EQ(lm.Language, QStringLiteral("PL"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("polski"));
    EXPECT_EQ(catalog, QStringList{QStringLiteral("PL")});
}

TEST_F(LanguageManager, DefaultLanguageFallsBackToPolishOnce)
{
    folder.writeCurrentLanguage(QStringLiteral("PL"), {QStringLiteral("strA=polski")});
    lm.Language = QStringLiteral("DE");
    lm.SetDefaultLanguage();
    EXPECT_EQ(lm.Language, QStringLiteral("PL"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("polski"));
    EXPECT_EQ(messages.size(), 1);

    // Without a Polish file either: still "PL", two messages, no texts.
    QFile::remove(folder.resource(QStringLiteral("_PL.lng")));
    TLM other;
    other.SetProgramFolder(folder.programFolder());
    QStringList otherMessages;
    other.MessageHook = [&](const QString &m) { otherMessages << m; };
    other.Language = QStringLiteral("EN");
    other.SetDefaultLanguage();
    EXPECT_EQ(other.Language, QStringLiteral("PL"));
    EXPECT_EQ(otherMessages.size(), 2);
}

TEST_F(LanguageManager, SectionsOfMissingWindowsBecomeKeyedTexts)
{
    auto windows = std::make_unique<RecordingWindows>();
    RecordingWindows *w = windows.get();
    QObject main;
    main.setObjectName(QStringLiteral("FormMain"));
    w->windows << &main;
    lm.SetWindowTexts(std::move(windows));

    folder.writeCurrentLanguage(
        QStringLiteral("EN"),
        {QStringLiteral("strBefore=before"), QStringLiteral("[FormAbout]=About"),
         QStringLiteral("LblVersion=Version"), QStringLiteral("[FormMain]"),
         QStringLiteral("BtnRead=Read"), QStringLiteral("BtnRead=|Read||first line||second line"),
         QStringLiteral("BtnWrite=|Write only"), QStringLiteral("=nameless"), QStringLiteral("no equals sign"),
         QStringLiteral("[Strings]"), QStringLiteral("strAfter=after"), QStringLiteral("[FormMultiOBD]=OBD"),
         QStringLiteral("LblObd=OBD"), QStringLiteral("[FormMain"), QStringLiteral("strCut=cut")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    EXPECT_EQ(w->calls, QStringList({QStringLiteral("FormMain BtnRead text Read"),
                                     QStringLiteral("FormMain BtnRead hint Read"),
                                     QStringLiteral("FormMain BtnWrite hint Write only"),
                                     QStringLiteral("FormMain caption OBD"),
                                     QStringLiteral("FormMain LblObd text OBD")}));
    // "[FormAbout]" while the about box does not exist: its lines are keyed texts.
    EXPECT_EQ(lm.Translate(QStringLiteral("LblVersion")), QStringLiteral("Version"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strBefore")), QStringLiteral("before"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strAfter")), QStringLiteral("after"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strCut")), QStringLiteral("cut"));
    EXPECT_EQ(lm.Translate(QStringLiteral("BtnRead")), QStringLiteral("!_BtnRead"));
    EXPECT_EQ(lm.GetHintDetail(QStringLiteral("BtnRead")), QStringLiteral("first line\r\nsecond line"));
    EXPECT_EQ(lm.GetHintDetail(QStringLiteral("btnread")), QStringLiteral("first line\r\nsecond line"));
    EXPECT_EQ(lm.GetHintDetail(QStringLiteral("BtnWrite")), QString());

    // A later load replaces the hint details.
    folder.writeCurrentLanguage(QStringLiteral("DE"), {QStringLiteral("strA=a")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("DE")));
    EXPECT_EQ(lm.GetHintDetail(QStringLiteral("BtnRead")), QString());
    EXPECT_EQ(lm.Translate(QStringLiteral("strBefore")), QStringLiteral("!_strBefore"));
}

TEST_F(LanguageManager, LanguageTable)
{
    const QStringList codes{"PL", "EN", "RU", "LT", "CZ", "DE", "IT", "TR", "HR",
                            "FR", "TR_Veluto", "NL", "ES", "PT", "ES_Pravik", "TH", "BG", "GR"};
    const int charsets[] = {238, 0, 204, 186, 238, 0, 0, 162, 0, 0, 162, 0, 0, 0, 0, 222, 204, 161};
    for (int i = 0; i < TLM::LanguageCount; ++i) {
        QString code;
        TLM::GetLanguageCode(i, code);
        EXPECT_EQ(code, codes[i]);
        EXPECT_EQ(TLM::GetCharsetOfLanguage(code), charsets[i]) << i;
        EXPECT_TRUE(TLM::IsLanguageCode(code));
    }
    QString kept = QStringLiteral("kept");
    TLM::GetLanguageCode(18, kept);
    TLM::GetLanguageCode(-1, kept);
    EXPECT_EQ(kept, QStringLiteral("kept"));
    EXPECT_EQ(TLM::GetCharsetOfLanguage(QStringLiteral("pl")), 0); // exact comparison
    EXPECT_FALSE(TLM::IsLanguageCode(QStringLiteral("pl")));
    EXPECT_EQ(TLM::GetCharsetOfLanguage(QStringLiteral("HR")), 0);
}

// The form a number takes after it: Polish has three (1 znak, 2-4 znaki,
// 5 znaków, the teens always the last), the others two; a text with fewer
// forms than the rule gives its last.
TEST_F(LanguageManager, PluralFormsFollowTheLanguagesRule)
{
    const struct {
        const char *code;
        qint64 n;
        int form;
    } rows[] = {{"PL", 1, 0},   {"PL", 2, 1},   {"PL", 4, 1},   {"PL", 5, 2},   {"PL", 0, 2},   {"PL", 11, 2},
                {"PL", 12, 2},  {"PL", 13, 2},  {"PL", 14, 2},  {"PL", 21, 2},  {"PL", 22, 1},  {"PL", 24, 1},
                {"PL", 25, 2},  {"PL", 112, 2}, {"PL", 114, 2}, {"PL", 122, 1}, {"PL", -3, 1},  {"EN", 1, 0},
                {"EN", 0, 1},   {"EN", 2, 1},   {"EN", 14, 1}};
    for (const auto &row : rows)
        EXPECT_EQ(TLM::PluralForm(QString::fromLatin1(row.code), row.n), row.form) << row.code << " " << row.n;

    folder.writeCurrentLanguage(QStringLiteral("PL"), {QStringLiteral("[Strings]"),
                                                       QStringLiteral("strChars= znak.| znaki.| znaków."),
                                                       QStringLiteral("strTwo=plik|pliki"),
                                                       QStringLiteral("strOne=sztuk")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("PL")));
    const struct {
        const char *key;
        qint64 n;
        const char *text;
    } texts[] = {{"strChars", 1, " znak."}, {"strChars", 4, " znaki."}, {"strChars", 14, " znaków."},
                 {"strTwo", 1, "plik"},     {"strTwo", 3, "pliki"},     {"strTwo", 14, "pliki"},
                 {"strOne", 1, "sztuk"},    {"strOne", 14, "sztuk"}};
    for (const auto &t : texts)
        EXPECT_EQ(lm.TranslatePlural(QString::fromLatin1(t.key), t.n).toStdString(), t.text) << t.key << " " << t.n;
}

TEST_F(LanguageManager, PicturesByLanguageAndCommon)
{
    for (const QString name : {"_PL_schema.jpg", "__w2.reg", "_PL_broken.bad", "_PL_broken.throw"})
        folder.writeRaw(name, folder.resource(name).toUtf8());
    FakePicture picture;
    EXPECT_TRUE(lm.LoadLanguagePicture(picture, QStringLiteral("schema"), QStringLiteral(".jpg")));
    EXPECT_EQ(picture.loaded, folder.resource(QStringLiteral("_PL_schema.jpg")));
    EXPECT_TRUE(lm.LoadCommonPicture(picture, QStringLiteral("w2"), QStringLiteral(".reg")));
    EXPECT_EQ(picture.loaded, folder.resource(QStringLiteral("__w2.reg")));
    EXPECT_FALSE(lm.LoadLanguagePicture(picture, QStringLiteral("broken"), QStringLiteral(".bad")));
    EXPECT_FALSE(lm.LoadLanguagePicture(picture, QStringLiteral("broken"), QStringLiteral(".throw")));
    // A language without its own picture.
    lm.Language = QStringLiteral("EN");
    picture.loaded.clear();
    EXPECT_FALSE(lm.LoadLanguagePicture(picture, QStringLiteral("schema"), QStringLiteral(".jpg")));
    EXPECT_TRUE(picture.loaded.isEmpty());
    // A code that is no language of the program never becomes a file name,
    // even when a file of that name exists.
    QDir(folder.resource(QString())).mkpath(QStringLiteral("_x/.."));
    folder.writeRaw(QStringLiteral("_x_schema.jpg"), "jpeg");
    folder.writeRaw(QStringLiteral("PL_schema.jpg"), "jpeg");
    lm.Language = QStringLiteral("x/../PL");
    EXPECT_FALSE(lm.LoadLanguagePicture(picture, QStringLiteral("schema"), QStringLiteral(".jpg")));
    lm.Language = QStringLiteral("x");
    EXPECT_FALSE(lm.LoadLanguagePicture(picture, QStringLiteral("schema"), QStringLiteral(".jpg")));
    EXPECT_TRUE(picture.loaded.isEmpty());
    // A pipe or a folder in a picture's place is no picture, and is never
    // waited on.
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.resource(QStringLiteral("_pipe.reg"))).constData(), 0600), 0);
    QDir().mkpath(folder.resource(QStringLiteral("_folder.reg")));
    EXPECT_FALSE(lm.LoadCommonPicture(picture, QStringLiteral("pipe"), QStringLiteral(".reg")));
    EXPECT_FALSE(lm.LoadCommonPicture(picture, QStringLiteral("folder"), QStringLiteral(".reg")));
    EXPECT_TRUE(picture.loaded.isEmpty());
}

TEST(ShippedLanguageFiles, LoadWithTheProgramVersionAndCarryTheSameKeys)
{
    // The build writes them beside the test programs.
    QStringList keys[2];
    const QString codes[2] = {QStringLiteral("PL"), QStringLiteral("EN")};
    // Every window exists, so that the lines of the window sections are
    // component texts and the keyed texts are those of "[Strings]".
    std::vector<std::unique_ptr<QObject>> windows;
    for (const char *name : {"FormMain", "FrmConfigLevelSensor", "FrmHaslo", "FormAbout", "FrmFirmInfo",
                             "FormInjTest", "FormUpgrader", "FormWorkingPressure", "FormConnectStatus",
                             "FrmMultiConfigurationTaronQV", "FrmMultiCalibrationTaronQV", "FormAutocalibrationInit"}) {
        windows.push_back(std::make_unique<QObject>());
        windows.back()->setObjectName(QString::fromLatin1(name));
    }
    for (int i = 0; i < 2; ++i) {
        TLM lm;
        auto recording = std::make_unique<RecordingWindows>();
        for (const auto &w : windows)
            recording->windows << w.get();
        lm.SetWindowTexts(std::move(recording));
        QStringList messages;
        lm.MessageHook = [&](const QString &m) { messages << m; };
        ASSERT_TRUE(lm.LoadLanguageFile(codes[i])) << messages.join(u'\n').toStdString();
        for (const QString &line : lm.KeyedTexts())
            if (line.contains(u'='))
                keys[i] << line.section(u'=', 0, 0);
        keys[i].sort();
        EXPECT_EQ(keys[i].removeDuplicates(), 0);
        // Every key of the English text table.
        const QStringList tableKeys = EnglishTextKeyList();
        EXPECT_EQ(tableKeys.size(), 108);
        for (const QString &key : tableKeys)
            EXPECT_FALSE(lm.Translate(key).startsWith(u'!')) << key.toStdString();
        LM = &lm;
        QString result;
        TranslateUiText(QStringLiteral("[g/sec]"), result);
        EXPECT_EQ(result, i == 0 ? QStringLiteral("[g/s]") : QStringLiteral("[g/sec]"));
        LM = nullptr;
        EXPECT_FALSE(lm.Translate(QStringLiteral("SMsgDlgYes")).startsWith(u'!'));
    }
    EXPECT_EQ(keys[0], keys[1]);
    EXPECT_GT(keys[0].size(), 250);
}

TEST(LanguageTool, StampsTheProgramVersionAndWritesTheCodePage)
{
    // The build tool lies beside the test programs' folder.
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/taron-lngtool");
    ASSERT_TRUE(QFileInfo::exists(tool));
    LanguageFolder folder;
    const QString source = folder.resource(QStringLiteral("_PL.lang"));
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("FileVersion=0.0.0.0\n[Strings]\nstrA=Żółw\n").toUtf8());
    f.close();
    auto run = [&](const QStringList &args) {
        QProcess p;
        p.start(tool, args);
        EXPECT_TRUE(p.waitForFinished(testsupport::GiveUpMs));
        return p.exitCode();
    };
    ASSERT_EQ(run({QStringLiteral("language"), QStringLiteral("PL"), source, folder.resource(QStringLiteral("_PL.lng"))}), 0);
    TLM lm;
    lm.SetProgramFolder(folder.programFolder());
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("PL")));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("Żółw"));

    // Cyrillic has no place in windows-1252: refused, nothing written.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QStringLiteral("FileVersion=1\nstrA=Отмена\n").toUtf8());
    f.close();
    EXPECT_NE(run({QStringLiteral("language"), QStringLiteral("EN"), source, folder.resource(QStringLiteral("_EN.lng"))}), 0);
    EXPECT_FALSE(QFileInfo::exists(folder.resource(QStringLiteral("_EN.lng"))));
    // Unknown language codes and sources without a version line are refused.
    EXPECT_NE(run({QStringLiteral("language"), QStringLiteral("XX"), source, folder.resource(QStringLiteral("_XX.lng"))}), 0);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("strA=a\n");
    f.close();
    EXPECT_NE(run({QStringLiteral("language"), QStringLiteral("DE"), source, folder.resource(QStringLiteral("_DE.lng"))}), 0);

    // Trouble-code texts: control bytes the program would refuse are
    // refused here, nothing written.
    for (const QByteArray &bytes : {QByteArray("P0100 Mass air flow\r\nP0171 lean\0\r\n", 34),
                                    QByteArray("P0100 Mass\x01 air flow\r\n"), QByteArray("P0100 Mass air flow\r\n")}) {
        const bool good = !bytes.contains('\0') && !bytes.contains('\x01');
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        const QString target = folder.resource(QStringLiteral("OBD-Codes-en_GB.lng"));
        QFile::remove(target);
        EXPECT_EQ(run({QStringLiteral("codes"), QStringLiteral("en_GB"), source, target}) == 0, good) << bytes.constData();
        EXPECT_EQ(QFileInfo::exists(target), good);
    }
}
