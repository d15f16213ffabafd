#include "core/LM.h"
#include "core/LanguageFileFixture.h"
#include "core/ui/Custom.h"
#include "core/ui/LMWidgetTexts.h"

#include <QAction>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QTableWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <QDir>
#include <QFile>
#include <clocale>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
// A window designed with Polish texts.
struct TestWindow {
    TestWindow()
    {
        window.setObjectName(QStringLiteral("FrmConfigLevelSensor"));
        window.setWindowTitle(QStringLiteral("Czujnik poziomu"));
        auto *layout = new QVBoxLayout(&window);
        save = new QPushButton(QStringLiteral("Zapisz"), &window);
        save->setObjectName(QStringLiteral("BtnSave"));
        save->setToolTip(QStringLiteral("Zapisz do sterownika"));
        layout->addWidget(save);
        label = new QLabel(QStringLiteral("Poziom gazu"), &window);
        label->setObjectName(QStringLiteral("LblLevel"));
        layout->addWidget(label);
        edit = new QLineEdit(QStringLiteral("Zapisz"), &window); // the user's data
        edit->setObjectName(QStringLiteral("Zapisz"));
        layout->addWidget(edit);
        combo = new QComboBox(&window);
        combo->setObjectName(QStringLiteral("CmbKind"));
        combo->addItems({QStringLiteral("Benzyna"), QStringLiteral("Gaz")});
        layout->addWidget(combo);
        tabs = new QTabWidget(&window);
        tabs->addTab(new QWidget, QStringLiteral("Ustawienia"));
        layout->addWidget(tabs);
        action = new QAction(QStringLiteral("Zamknij"), &window);
        action->setObjectName(QStringLiteral("MnIClose"));
    }
    QWidget window;
    QPushButton *save;
    QLabel *label;
    QLineEdit *edit;
    QComboBox *combo;
    QTabWidget *tabs;
    QAction *action;

    void expectPolish() const
    {
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Czujnik poziomu"));
        EXPECT_EQ(save->text(), QStringLiteral("Zapisz"));
        EXPECT_EQ(save->toolTip(), QStringLiteral("Zapisz do sterownika"));
        EXPECT_EQ(label->text(), QStringLiteral("Poziom gazu"));
        EXPECT_EQ(combo->itemText(0), QStringLiteral("Benzyna"));
        EXPECT_EQ(combo->itemText(1), QStringLiteral("Gaz"));
        EXPECT_EQ(tabs->tabText(0), QStringLiteral("Ustawienia"));
        EXPECT_EQ(action->text(), QStringLiteral("Zamknij"));
        EXPECT_EQ(edit->text(), QStringLiteral("Zapisz"));
    }
    void expectEnglish() const
    {
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Level sensor"));
        EXPECT_EQ(save->text(), QStringLiteral("Save"));
        EXPECT_EQ(save->toolTip(), QStringLiteral("Write to device"));
        EXPECT_EQ(label->text(), QStringLiteral("Gas level"));
        EXPECT_EQ(combo->itemText(0), QStringLiteral("Petrol"));
        EXPECT_EQ(combo->itemText(1), QStringLiteral("Gas"));
        EXPECT_EQ(tabs->tabText(0), QStringLiteral("Settings"));
        EXPECT_EQ(action->text(), QStringLiteral("Close"));
        // Never translated: the user's text and the component's name.
        EXPECT_EQ(edit->text(), QStringLiteral("Zapisz"));
        EXPECT_EQ(edit->objectName(), QStringLiteral("Zapisz"));
    }
};

class CatalogTranslation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.writeCatalog(QStringLiteral("en"),
                            {{QStringLiteral("Czujnik poziomu"), QStringLiteral("Level sensor")},
                             {QStringLiteral("Zapisz"), QStringLiteral("Save")},
                             {QStringLiteral("Zapisz do sterownika"), QStringLiteral("Write to device")},
                             {QStringLiteral("Poziom gazu"), QStringLiteral("Gas level")},
                             {QStringLiteral("Benzyna"), QStringLiteral("Petrol")},
                             {QStringLiteral("Gaz"), QStringLiteral("Gas")},
                             {QStringLiteral("Ustawienia"), QStringLiteral("Settings")},
                             {QStringLiteral("Zamknij"), QStringLiteral("Close")}});
    }
    void TearDown() override
    {
        Custom = nullptr;
        LM = nullptr;
    }
    // Trouble-code files: UTF-8 source lines, stored in the code page.
    void writeCodes(const QString &language, const QStringList &lines)
    {
        folder.writeScrambled(QStringLiteral("OBD-Codes-") + language + QStringLiteral(".lng"),
                              TLM::EncodeText(lines.join(QStringLiteral("\r\n")),
                                              TCustom::LangCharset(language)));
    }
    LanguageFolder folder;
};
}

TEST_F(CatalogTranslation, RegisteredWindowFollowsTheLanguageBothWays)
{
    TCustom custom(nullptr, folder.programFolder());
    custom.SetLanguage(QStringLiteral("PL"));
    TestWindow w;
    custom.RegisterForm(&w.window);
    custom.RegisterForm(&w.window);
    EXPECT_EQ(custom.RegisteredForms().size(), 1);
    w.expectPolish();

    custom.SetLanguage(QStringLiteral("EN"));
    EXPECT_EQ(custom.CurrentLanguage(), QStringLiteral("EN"));
    w.expectEnglish();
    custom.SetLanguage(QStringLiteral("PL"));
    w.expectPolish();
    custom.SetLanguage(QStringLiteral("EN"));
    w.expectEnglish();
    // A window registered while English is active is translated at once.
    TestWindow later;
    custom.RegisterForm(&later.window);
    later.expectEnglish();
}

TEST_F(CatalogTranslation, TextSetByTheProgramIsKeptAndSameLanguageDoesNotRetranslate)
{
    TCustom custom(nullptr, folder.programFolder());
    custom.SetLanguage(QStringLiteral("EN"));
    TestWindow w;
    custom.RegisterForm(&w.window);
    w.expectEnglish();
    // The program writes its own texts after translation.
    w.label->setText(QStringLiteral("12.5 bar"));
    w.save->setText(QStringLiteral("Zapisz"));
    custom.SetLanguage(QStringLiteral("EN")); // same language: nothing retranslated
    EXPECT_EQ(w.save->text(), QStringLiteral("Zapisz"));
    custom.SetLanguage(QStringLiteral("PL"));
    EXPECT_EQ(w.label->text(), QStringLiteral("12.5 bar"));
    EXPECT_EQ(w.save->text(), QStringLiteral("Zapisz"));
    custom.SetLanguage(QStringLiteral("EN"));
    EXPECT_EQ(w.label->text(), QStringLiteral("12.5 bar"));
    EXPECT_EQ(w.save->text(), QStringLiteral("Save"));
}

// A switch writes the program's own texts anew (a number it wrote takes the
// new language's separator) but leaves a given text as it is: what the user
// typed, or a device or a file gave, is neither translated nor rewritten.
TEST_F(CatalogTranslation, ASwitchLeavesGivenTextsAsGiven)
{
    TCustom custom(nullptr, folder.programFolder());
    custom.SetLanguage(QStringLiteral("PL"));
    TestWindow w;
    auto *given = new QLabel(&w.window);
    given->setObjectName(QStringLiteral("QRLbMarkaVal"));
    TCustom::KeepGivenTexts(given);
    custom.RegisterForm(&w.window);
    given->setText(QStringLiteral("Astra 1,6 16V"));
    w.label->setText(QStringLiteral("1,6 bar"));
    custom.SetLanguage(QStringLiteral("EN"));
    EXPECT_EQ(given->text(), QStringLiteral("Astra 1,6 16V"));
    EXPECT_EQ(w.label->text(), QStringLiteral("1.6 bar"));
    // A given word the catalog knows stays the user's, both ways.
    given->setText(QStringLiteral("Zapisz"));
    custom.SetLanguage(QStringLiteral("PL"));
    custom.SetLanguage(QStringLiteral("EN"));
    EXPECT_EQ(given->text(), QStringLiteral("Zapisz"));
    EXPECT_EQ(w.save->text(), QStringLiteral("Save"));
    EXPECT_FALSE(TCustom::HoldsGivenTexts(w.label));
}

TEST_F(CatalogTranslation, DestroyedWindowLeavesTheList)
{
    TCustom custom(nullptr, folder.programFolder());
    auto *w = new TestWindow;
    custom.RegisterForm(&w->window);
    ASSERT_EQ(custom.RegisteredForms().size(), 1);
    delete w;
    EXPECT_TRUE(custom.RegisteredForms().isEmpty());
    custom.SetLanguage(QStringLiteral("EN"));
    custom.SetLanguage(QStringLiteral("PL"));
    EXPECT_EQ(custom.CurrentLanguage(), QStringLiteral("PL"));
}

TEST_F(CatalogTranslation, LanguageManagerSwitchesDesignedAndKeyedTexts)
{
    folder.writeCurrentLanguage(QStringLiteral("PL"), {QStringLiteral("[FrmConfigLevelSensor]"),
                                                       QStringLiteral("LblLevel=Poziom LPG"),
                                                       QStringLiteral("[Strings]"),
                                                       QStringLiteral("strOK=Dobrze")});
    folder.writeCurrentLanguage(QStringLiteral("EN"), {QStringLiteral("[Strings]"), QStringLiteral("strOK=Fine")});
    TLM lm;
    LM = &lm;
    lm.SetProgramFolder(folder.programFolder());
    QStringList messages;
    lm.MessageHook = [&](const QString &m) { messages << m; };
    TCustom custom(nullptr, folder.programFolder());
    Custom = &custom;
    ASSERT_NE(lm.WindowTexts(), nullptr);
    TestWindow w;
    w.window.show();
    custom.RegisterForm(&w.window);

    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    EXPECT_EQ(custom.CurrentLanguage(), QStringLiteral("EN"));
    w.expectEnglish();
    EXPECT_EQ(lm.Translate(QStringLiteral("strOK")), QStringLiteral("Fine"));

    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("PL")));
    EXPECT_EQ(lm.Translate(QStringLiteral("strOK")), QStringLiteral("Dobrze"));
    EXPECT_EQ(w.save->text(), QStringLiteral("Zapisz"));
    EXPECT_EQ(w.combo->itemText(0), QStringLiteral("Benzyna"));
    // The language file's own text for the label wins over the catalog.
    EXPECT_EQ(w.label->text(), QStringLiteral("Poziom LPG"));

    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    EXPECT_EQ(w.save->text(), QStringLiteral("Save"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strOK")), QStringLiteral("Fine"));
    EXPECT_TRUE(messages.isEmpty());

    // A failing file still switches the catalog first.
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("DE")));
    EXPECT_EQ(custom.CurrentLanguage(), QStringLiteral("DE"));
    EXPECT_EQ(w.save->text(), QStringLiteral("Zapisz")); // no German catalog: designed text
    EXPECT_EQ(lm.Language, QStringLiteral("EN"));
}

TEST_F(CatalogTranslation, PosixLocaleIsLiftedSoThatTheLanguageTakesEffect)
{
    const std::string saved = std::setlocale(LC_MESSAGES, nullptr);
    std::setlocale(LC_MESSAGES, "C");
    {
        TCustom custom(nullptr, folder.programFolder());
        const char *now = std::setlocale(LC_MESSAGES, nullptr);
        EXPECT_TRUE(std::strcmp(now, "C") != 0 && std::strcmp(now, "POSIX") != 0) << now;
        custom.SetLanguage(QStringLiteral("EN"));
        EXPECT_EQ(TCustom::TranslateText(QStringLiteral("Zapisz")), QStringLiteral("Save"));
        EXPECT_EQ(TCustom::TranslateText(QString()), QString());
    }
    std::setlocale(LC_MESSAGES, saved.c_str());
}

TEST_F(CatalogTranslation, TroubleCodeTextsFollowTheLanguage)
{
    writeCodes(QStringLiteral("en_GB"), {QStringLiteral("P0100 Mass air flow circuit"),
                                         QStringLiteral("P0171 System too lean, bank 1"),
                                         QStringLiteral("P0171 second line for the same code")});
    writeCodes(QStringLiteral("pl_PL"), {QStringLiteral("P0171 Mieszanka za uboga, bank 1")});
    TCustom custom(nullptr, folder.programFolder());
    QString text;

    custom.SetLanguage(QStringLiteral("EN")); // finds the en_GB file
    custom.GetObdCodeText(QStringLiteral("p0171"), text);
    EXPECT_EQ(text, QStringLiteral("P0171 (System too lean, bank 1)"));
    custom.GetObdCodeText(QStringLiteral("P0100"), text);
    EXPECT_EQ(text, QStringLiteral("P0100 (Mass air flow circuit)"));
    custom.GetObdCodeText(QStringLiteral("p0999"), text); // not in the file: upper-cased
    EXPECT_EQ(text, QStringLiteral("P0999"));
    custom.GetObdCodeText(QStringLiteral("p1171"), text); // manufacturer code: unchanged
    EXPECT_EQ(text, QStringLiteral("p1171"));
    custom.GetObdCodeText(QStringLiteral("p01"), text);
    EXPECT_EQ(text, QStringLiteral("p01"));

    custom.SetLanguage(QStringLiteral("PL")); // the pl_PL file, decoded from windows-1250
    custom.GetObdCodeText(QStringLiteral("P0171"), text);
    EXPECT_EQ(text, QStringLiteral("P0171 (Mieszanka za uboga, bank 1)"));
    custom.GetObdCodeText(QStringLiteral("P0100"), text);
    EXPECT_EQ(text, QStringLiteral("P0100"));

    // Same language again: the texts are still reloaded.
    writeCodes(QStringLiteral("pl_PL"), {QStringLiteral("P0100 Przepływomierz")});
    custom.SetLanguage(QStringLiteral("PL"));
    custom.GetObdCodeText(QStringLiteral("P0100"), text);
    EXPECT_EQ(text, QStringLiteral("P0100 (Przepływomierz)"));

    // A code with "_" makes no search: no exact file, so the en_GB texts.
    custom.SetLanguage(QStringLiteral("TR_Veluto"));
    custom.GetObdCodeText(QStringLiteral("P0100"), text);
    EXPECT_EQ(text, QStringLiteral("P0100 (Mass air flow circuit)"));
    // A language without its own file also gets the en_GB texts.
    custom.SetLanguage(QStringLiteral("DE"));
    EXPECT_EQ(custom.TroubleCodes().size(), 3);
}

TEST_F(CatalogTranslation, WithoutTroubleCodeFilesCodesStayBare)
{
    TCustom custom(nullptr, folder.programFolder());
    custom.SetLanguage(QStringLiteral("EN"));
    EXPECT_TRUE(custom.TroubleCodes().isEmpty());
    QString text;
    custom.GetObdCodeText(QStringLiteral("p0171"), text);
    EXPECT_EQ(text, QStringLiteral("P0171"));
    // A damaged file (not scrambled) gives lines that match nothing; no crash.
    folder.writeRaw(QStringLiteral("OBD-Codes-en_GB.lng"), QByteArray("P0171 plain\r\n", 13));
    custom.SetLanguage(QStringLiteral("PL"));
    custom.GetObdCodeText(QStringLiteral("P0171"), text);
    EXPECT_EQ(text, QStringLiteral("P0171"));
}

TEST_F(CatalogTranslation, TroubleCodeFilesThatCannotBeReadAreReportedOnceByName)
{
    writeCodes(QStringLiteral("en_GB"), {QStringLiteral("P0100 Mass air flow circuit")});
    TLM lm;
    LM = &lm;
    QStringList messages;
    lm.MessageHook = [&](const QString &m) { messages << m; };
    TCustom custom(nullptr, folder.programFolder());
    // The language's file is a pipe (never waited on), a folder, or far too
    // large to be a list of codes: none of it is used, and the reason is said
    // once, naming the file.
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.resource(QStringLiteral("OBD-Codes-pl_PL.lng"))).constData(), 0600), 0);
    QDir().mkpath(folder.resource(QStringLiteral("OBD-Codes-de_DE.lng")));
    {
        QFile huge(folder.resource(QStringLiteral("OBD-Codes-it_IT.lng")));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(2) << 30));
    }
    for (const char *language : {"pl_PL", "de_DE", "it_IT"}) {
        SCOPED_TRACE(language);
        messages.clear();
        custom.SetLanguage(QString::fromLatin1(language));
        custom.SetLanguage(QString::fromLatin1(language));
        EXPECT_TRUE(custom.TroubleCodes().isEmpty());
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(folder.resource(QStringLiteral("OBD-Codes-%1.lng").arg(QString::fromLatin1(language)))))
            << messages[0].toStdString();
    }
    custom.SetLanguage(QStringLiteral("EN"));
    EXPECT_EQ(custom.TroubleCodes().size(), 1);
}

TEST_F(CatalogTranslation, UnsafeLanguageCodesNeverBecomeFileNames)
{
    writeCodes(QStringLiteral("en_GB"), {QStringLiteral("P0100 Mass air flow circuit")});
    // A file a path-like code would reach.
    QDir(folder.programFolder()).mkpath(QStringLiteral("Resource/OBD-Codes-.."));
    folder.writeScrambled(QStringLiteral("OBD-Codes-../x.lng"), "P0100 wrong file");
    TCustom custom(nullptr, folder.programFolder());
    custom.SetLanguage(QStringLiteral("EN"));
    custom.SetLanguage(QStringLiteral("../x"));
    EXPECT_EQ(custom.CurrentLanguage(), QStringLiteral("EN"));
    QString text;
    custom.GetObdCodeText(QStringLiteral("P0100"), text);
    EXPECT_EQ(text, QStringLiteral("P0100 (Mass air flow circuit)"));
    EXPECT_FALSE(TCustom::IsSafeLanguageCode(QStringLiteral("en/GB")));
    EXPECT_TRUE(TCustom::IsSafeLanguageCode(QStringLiteral("TR_Veluto")));
}

TEST(CatalogTables, CharsetsAndCatalogCodes)
{
    EXPECT_EQ(TCustom::LangCharset(QStringLiteral("pl")), 238);
    EXPECT_EQ(TCustom::LangCharset(QStringLiteral("PL")), 238);
    EXPECT_EQ(TCustom::LangCharset(QStringLiteral("pl_PL")), 238);
    EXPECT_EQ(TCustom::LangCharset(QStringLiteral("CZ")), 238);
    EXPECT_EQ(TCustom::LangCharset(QStringLiteral("ru")), 204);
    EXPECT_EQ(TCustom::LangCharset(QStringLiteral("TR_Veluto")), 162);
    EXPECT_EQ(TCustom::LangCharset(QStringLiteral("th")), 0); // no row
    EXPECT_EQ(TCustom::CatalogCode(QStringLiteral("PL")), QStringLiteral("pl"));
    EXPECT_EQ(TCustom::CatalogCode(QStringLiteral("CZ")), QStringLiteral("cs"));
    EXPECT_EQ(TCustom::CatalogCode(QStringLiteral("ES_Pravik")), QStringLiteral("es"));
}

TEST(ShippedCatalogs, EnglishCatalogTranslatesDesignedTexts)
{
    // The build compiles the catalogs beside the test programs.
    TCustom custom;
    custom.SetLanguage(QStringLiteral("EN"));
    EXPECT_EQ(TCustom::TranslateText(QStringLiteral("Zamknij")), QStringLiteral("Close"));
    custom.SetLanguage(QStringLiteral("PL"));
    EXPECT_EQ(TCustom::TranslateText(QStringLiteral("Zamknij")), QStringLiteral("Zamknij"));
    // And the shipped trouble-code texts.
    QString text;
    custom.GetObdCodeText(QStringLiteral("p0300"), text);
    EXPECT_TRUE(text.startsWith(QStringLiteral("P0300 ("))) << text.toStdString();
}

TEST_F(CatalogTranslation, DockedPagesAreTranslatedWithTheirWindow)
{
    TCustom custom(nullptr, folder.programFolder());
    QWidget main;
    main.setObjectName(QStringLiteral("FormMain"));
    TestWindow w;
    auto *page = new QWidget(&w.window);
    auto *label = new QLabel(QStringLiteral("Poziom gazu"), page);
    page->setParent(&main);
    page->setProperty(TLMWidgetTexts::OwnerFormProperty, w.window.objectName());
    custom.RegisterForm(&w.window);
    custom.SetLanguage(QStringLiteral("EN"));
    EXPECT_EQ(label->text(), QStringLiteral("Gas level"));
    custom.SetLanguage(QStringLiteral("PL"));
    EXPECT_EQ(label->text(), QStringLiteral("Poziom gazu"));
}

// A named window is registered when it is first shown; a control shown
// later inside it is translated then; table and list titles follow too.
TEST_F(CatalogTranslation, ShownWindowsAndLaterControlsFollowTheLanguage)
{
    TCustom custom(nullptr, folder.programFolder());
    custom.SetLanguage(QStringLiteral("EN"));
    TestWindow w;
    auto *table = new QTableWidget(1, 2, &w.window);
    table->setHorizontalHeaderLabels({QStringLiteral("Benzyna"), QStringLiteral("Gaz")});
    auto *list = new QListWidget(&w.window);
    list->addItem(QStringLiteral("Poziom gazu"));
    w.window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(custom.RegisteredForms(), QList<QWidget *>{&w.window});
    w.expectEnglish();
    EXPECT_EQ(table->horizontalHeaderItem(0)->text(), QStringLiteral("Petrol"));
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), QStringLiteral("Gas"));
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Gas level"));

    // Built after the window was translated, shown later.
    auto *late = new QLabel(QStringLiteral("Zamknij"), &w.window);
    late->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(late->text(), QStringLiteral("Close"));

    custom.SetLanguage(QStringLiteral("PL"));
    w.expectPolish();
    EXPECT_EQ(table->horizontalHeaderItem(0)->text(), QStringLiteral("Benzyna"));
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Poziom gazu"));
    EXPECT_EQ(late->text(), QStringLiteral("Zamknij"));

    // A window without a name is not the program's: left alone.
    QLabel stray(QStringLiteral("Zamknij"));
    stray.show();
    QCoreApplication::processEvents();
    custom.SetLanguage(QStringLiteral("EN"));
    EXPECT_EQ(stray.text(), QStringLiteral("Zamknij"));
}

