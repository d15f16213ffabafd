// Every window and page of the program under English: no designed Polish
// text is left on screen, a switch PL -> EN -> PL gives the texts of a start
// in that language, and the English captions fit their controls.
#include "language/ProgramRig.h"
#include "language/TextAudit.h"

#include "controls/YEdit.h"
#include "core/ui/WaitForm.h"
#include "mainwindow/shell/TroubleCodes.h"
#include "windows/FormPicture.h"
#include "windows/FrmFirmInfo.h"
#include "windows/InstallationCard.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "windows/FrmHaslo.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/MultiCalMapPage.h"
#include "windows/MultiConfigurationPages.h"
#include "windows/NamedWidget.h"
#include "windows/QRpKarta.h"
#include "upgrade/FormUpgrader.h"

#include <array>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMap>
#include <QSet>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextStream>

#include "core/ui/LMWidgetTexts.h"

#include <gtest/gtest.h>

using language::ProgramRig;
using textaudit::ShownText;

namespace {

// Shows every page: each visible tab of every page control in turn, sub-pages
// included; calls visit on each.
void EveryPage(QWidget *window, const std::function<void(const QString &page)> &visit, QWidget *root = nullptr,
               const QString &path = QString())
{
    if (!root) {
        visit(QStringLiteral("(window)"));
        root = window;
    }
    // The page controls directly inside root (not inside a nested page control).
    QList<QTabWidget *> controls;
    for (QTabWidget *t : root->findChildren<QTabWidget *>()) {
        bool nested = false;
        for (QWidget *p = t->parentWidget(); p && p != root; p = p->parentWidget())
            if (qobject_cast<QTabWidget *>(p))
                nested = true;
        if (!nested && t->isVisibleTo(window))
            controls << t;
    }
    for (QTabWidget *tabs : controls) {
        const int before = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            if (!tabs->isTabVisible(i) || !tabs->isTabEnabled(i))
                continue;
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            const QString page = path + u'/' + tabs->widget(i)->objectName();
            visit(page);
            EveryPage(window, visit, tabs->widget(i), page);
        }
        tabs->setCurrentIndex(before);
        QCoreApplication::processEvents();
    }
}

// The secondary windows the program opens on demand, made as their openers
// make them (the lock dialog, the upgrade window, the installation card).
void OnDemandWindows(TFormMain &form, const std::function<void(QWidget *)> &visit)
{
    TFrmHaslo haslo;
    haslo.Prepare(true, 4);
    visit(&haslo);
    TFormUpgrader upgrader;
    visit(&upgrader);
    visit(InstallationCard(&form));
}

// Every text shown by the program: the main window on each page and the
// secondary windows, each shown while it is read.
std::vector<ShownText> ProgramTexts(ProgramRig &program)
{
    std::vector<ShownText> out;
    TFormMain &form = program.Form();
    EveryPage(&form, [&](const QString &) {
        for (ShownText &t : textaudit::VisibleTexts(&form))
            out.push_back(std::move(t));
    });
    auto read = [&](QWidget *w) {
        const bool shown = w->isVisible();
        w->show();
        QCoreApplication::processEvents();
        EveryPage(w, [&](const QString &) {
            for (ShownText &t : textaudit::VisibleTexts(w))
                out.push_back(std::move(t));
        });
        if (!shown)
            w->hide();
    };
    for (QWidget *w : ProgramRig::SecondaryWindows(form))
        read(w);
    OnDemandWindows(form, read);
    return out;
}

QStringList SourceLines(const QString &relative)
{
    QString dir = qEnvironmentVariable("TARON_SOURCE_DIR");
    if (dir.isEmpty())
        dir = QStringLiteral(TARON_SOURCE_DIR_DEFAULT);
    QFile f(QDir(dir).filePath(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n');
}

// The English words of the shipped texts.
const QSet<QString> &Vocabulary()
{
    static const QSet<QString> words = textaudit::EnglishVocabulary(
        SourceLines(QStringLiteral("Resource/_EN.lang")), SourceLines(QStringLiteral("Resource/po/en.po")));
    return words;
}

// The English texts the catalog gives in place of designed Polish ones, or
// with polish those designed texts.
const QSet<QString> &CatalogTranslations(bool polish = false)
{
    static const std::array<QSet<QString>, 2> texts = [] {
        std::array<QSet<QString>, 2> out;
        QString id;
        const auto text = [](const QString &line, int from) {
            return line.mid(from).chopped(1).replace(QStringLiteral("\\\""), QStringLiteral("\""));
        };
        for (const QString &line : SourceLines(QStringLiteral("Resource/po/en.po"))) {
            if (line.startsWith(QStringLiteral("msgid \"")))
                id = text(line, 7);
            else if (line.startsWith(QStringLiteral("msgstr \"")) && text(line, 8) != id)
                out[0] << text(line, 8), out[1] << id;
        }
        return out;
    }();
    return texts[polish];
}

// With TEXT_DUMP set to a file-name prefix, every text of every window of
// the program, hidden ones too, goes to "<prefix><language><kind>.txt": the
// two languages side by side show which designed texts lack a translation.
void DumpAllTexts(const QString &language, int kind)
{
    const QString prefix = qEnvironmentVariable("TEXT_DUMP");
    if (prefix.isEmpty())
        return;
    QFile file(prefix + language + QString::number(kind) + QStringLiteral(".txt"));
    if (!file.open(QIODevice::WriteOnly))
        return;
    QTextStream out(&file);
    for (QWidget *w : QApplication::allWidgets())
        if (w->isWindow())
            for (const ShownText &t : textaudit::VisibleTexts(w, true))
                out << t.where << " = " << t.text << "\n";
}

struct Kind {
    uint8_t kind;
    char version;
};

} // namespace

// Started in Polish the program shows its designed texts; the same program
// started in English shows none of them, except the words both languages
// share.
TEST(ProgramTexts, NoDesignedPolishTextUnderEnglish)
{
    ASSERT_GT(Vocabulary().size(), 300u);
    for (const Kind k : {Kind{20, 'E'}, Kind{21, 'H'}, Kind{48, 'I'}}) {
        SCOPED_TRACE(k.kind);
        QSet<QString> polish;
        {
            ProgramRig pl(k.kind, k.version, QStringLiteral("PL"));
            ASSERT_EQ(LM->Language, QStringLiteral("PL"));
            const std::vector<ShownText> polishTexts = ProgramTexts(pl);
            DumpAllTexts(QStringLiteral("PL"), k.kind);
            for (const ShownText &t : polishTexts)
                if (!textaudit::SharedText(t.text, Vocabulary()))
                    polish << t.text;
        }
        ASSERT_GT(polish.size(), 80);
        ProgramRig en(k.kind, k.version, QStringLiteral("EN"));
        ASSERT_EQ(LM->Language, QStringLiteral("EN"));
        const std::vector<ShownText> englishTexts = ProgramTexts(en);
        DumpAllTexts(QStringLiteral("EN"), k.kind);
        QStringList left;
        for (const ShownText &t : englishTexts)
            if (polish.contains(t.text)
                || (textaudit::CarriesUnit(t.text) && !textaudit::SharedText(t.text, Vocabulary())))
                left << t.where + QStringLiteral(" = ") + t.text;
        left.removeDuplicates();
        EXPECT_TRUE(left.isEmpty()) << left.size() << " Polish texts under EN:\n"
                                    << left.join(u'\n').toStdString();
    }
}

// The Polish texts carry their letters: no word of the Polish language file
// or catalog is written without the diacritics it needs.
TEST(ProgramTexts, PolishWordsCarryTheirLetters)
{
    const std::pair<const char *, const char *> misspelt[] = {
        {"Wartosci", "Wartości"}, {"bezposrednio", "bezpośrednio"}, {"Sprawdz", "Sprawdź"}, {"cisnienie", "ciśnienie"},
    };
    QStringList texts;
    for (const QString &line : SourceLines(QStringLiteral("Resource/_PL.lang")))
        if (line.contains(u'='))
            texts << line.section(u'=', 1);
    for (const QString &line : SourceLines(QStringLiteral("Resource/po/pl.po")))
        if (line.startsWith(QStringLiteral("msgstr ")))
            texts << line.mid(7);
    ASSERT_GT(texts.size(), 1000);
    for (const auto &[wrong, right] : misspelt) {
        const QRegularExpression word(QStringLiteral("\\b%1\\b").arg(QLatin1String(wrong)),
                                      QRegularExpression::CaseInsensitiveOption
                                          | QRegularExpression::UseUnicodePropertiesOption);
        for (const QString &text : texts)
            EXPECT_FALSE(word.match(text).hasMatch()) << text.toStdString() << ": " << right;
    }
}

namespace {

// The texts with words on them, by where they show.
QMap<QString, QString> WordTexts(const std::vector<ShownText> &texts)
{
    QMap<QString, QString> out;
    for (const ShownText &t : texts)
        if (!textaudit::SharedText(t.text))
            out.insert(t.where, t.text);
    return out;
}

QStringList Differences(const QMap<QString, QString> &expected, const QMap<QString, QString> &actual)
{
    QStringList out;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        if (actual.value(it.key(), QStringLiteral("<missing>")) != it.value())
            out << it.key() + QStringLiteral(": expected \"") + it.value() + QStringLiteral("\", shows \"")
                       + actual.value(it.key(), QStringLiteral("<missing>")) + u'"';
    for (auto it = actual.cbegin(); it != actual.cend(); ++it)
        if (!expected.contains(it.key()))
            out << it.key() + QStringLiteral(": shows \"") + it.value() + QStringLiteral("\" only after the switch");
    return out;
}

} // namespace

// Switching PL -> EN -> PL from the language menu gives the texts of a start
// in that language, sends nothing to the device and keeps unwritten edits.
TEST(ProgramTexts, SwitchingGivesTheTextsOfAStartInThatLanguage)
{
    for (const Kind k : {Kind{20, 'E'}, Kind{48, 'I'}}) {
        SCOPED_TRACE(k.kind);
        QMap<QString, QString> started[2];
        for (int i = 0; i < 2; ++i) {
            ProgramRig program(k.kind, k.version, QString::fromLatin1(i ? "EN" : "PL"));
            started[i] = WordTexts(ProgramTexts(program));
        }
        ASSERT_NE(started[0], started[1]);

        ProgramRig program(k.kind, k.version, QStringLiteral("PL"));
        TFormMain &form = program.Form();
        auto item = [&](const char *name) { return form.findChild<QAction *>(QString::fromLatin1(name)); };
        // On the readings page a switch sends nothing.
        program.Device.Server.log().clear();
        item("MnILangEnglish")->trigger();
        EXPECT_EQ(program.Device.Server.log().count(), 0u);
        const QStringList toEnglish = Differences(started[1], WordTexts(ProgramTexts(program)));
        EXPECT_TRUE(toEnglish.isEmpty()) << toEnglish.mid(0, 40).join(u'\n').toStdString();
        program.Device.Server.log().clear();
        item("MnILangPolish")->trigger();
        EXPECT_EQ(program.Device.Server.log().count(), 0u);
        const QStringList toPolish = Differences(started[0], WordTexts(ProgramTexts(program)));
        EXPECT_TRUE(toPolish.isEmpty()) << toPolish.mid(0, 40).join(u'\n').toStdString();

        // An unwritten edit on the configuration page stays through two
        // switches, and nothing is sent.
        if (k.kind != 48) {
            // The configuration page's own edit, not the docked kind-48 page's.
            auto *power = qobject_cast<QLineEdit *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("YEdKnfPower")));
            auto *pages = form.findChild<QTabWidget *>(QStringLiteral("PgCMain"));
            pages->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSConfig")));
            power->setText(QStringLiteral("123"));
            Q_EMIT power->textEdited(power->text());
            ASSERT_TRUE(form.ConfigModified());
            program.Device.Server.log().clear();
            // The field holds the device's power in kW in either language.
            auto *unit = qobject_cast<QLabel *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("labelKnfPower")));
            ASSERT_NE(unit, nullptr);
            item("MnILangEnglish")->trigger();
            EXPECT_EQ(unit->text(), QStringLiteral("Engine power [kW]:"));
            item("MnILangPolish")->trigger();
            EXPECT_EQ(unit->text(), QStringLiteral("Moc silnika [kW]:"));
            EXPECT_EQ(program.Device.Server.log().count(), 0u);
            EXPECT_EQ(power->text(), QStringLiteral("123"));
            EXPECT_TRUE(form.ConfigModified());
            form.SetConfigModified(false);
        }
        EXPECT_TRUE(program.Rig.BoxTexts().isEmpty()) << program.Rig.BoxTexts().join(u'|').toStdString();
    }
}

// Every caption in language fits its control and runs under no neighbour, on
// every page, at each window size; items are the list items that must fit
// whichever is chosen. Each page's screenshot goes to SHOTS when it names a folder.
static void CaptionsFit(const QString &language, const QList<QSize> &sizes, const QSet<QString> &items)
{
    const QString shots = qEnvironmentVariable("SHOTS");
    for (const Kind k : {Kind{20, 'E'}, Kind{21, 'H'}, Kind{48, 'I'}}) {
        SCOPED_TRACE(int(k.kind));
        ProgramRig program(k.kind, k.version, language);
        ASSERT_EQ(LM->Language, language);
        TFormMain &form = program.Form();
        for (const QSize size : sizes) {
            form.resize(size);
            QCoreApplication::processEvents();
            QStringList problems;
            EveryPage(&form, [&](const QString &page) {
                problems += textaudit::FitProblems(&form, items);
                if (!shots.isEmpty())
                    form.grab().save(QDir(shots).filePath(language + QStringLiteral("k%1_%2x%3%4.png")
                                                              .arg(k.kind)
                                                              .arg(size.width())
                                                              .arg(size.height())
                                                              .arg(QString(page).replace(u'/', u'_'))));
            });
            const auto audit = [&](QWidget *w) {
                const bool shown = w->isVisible();
                w->show();
                QCoreApplication::processEvents();
                EveryPage(w, [&](const QString &page) {
                    problems += textaudit::FitProblems(w, items);
                    if (!shots.isEmpty() && size.width() == 1024)
                        w->grab().save(QDir(shots).filePath(language + QStringLiteral("k%1_%2%3.png")
                                                                .arg(k.kind)
                                                                .arg(w->objectName(), QString(page).replace(u'/', u'_'))));
                });
                if (!shown)
                    w->hide();
            };
            for (QWidget *w : ProgramRig::SecondaryWindows(form))
                audit(w);
            OnDemandWindows(form, audit);
            problems.removeDuplicates();
            EXPECT_TRUE(problems.isEmpty()) << size.width() << "x" << size.height() << ": " << problems.size()
                                            << " captions do not fit:\n"
                                            << problems.join(u'\n').toStdString();
        }
    }
}

TEST(ProgramTexts, EnglishCaptionsFit)
{
    CaptionsFit(QStringLiteral("EN"), {QSize(780, 496), QSize(1024, 768), QSize(1920, 1080)}, CatalogTranslations());
}

// Polish at its designed (smallest) size too: kind 48's side tabs and recorder lists among them.
TEST(ProgramTexts, PolishCaptionsFit)
{
    ASSERT_TRUE(CatalogTranslations(true).contains(QStringLiteral("Napięcie zasilania")));
    CaptionsFit(QStringLiteral("PL"), {QSize(780, 540), QSize(1024, 768), QSize(1920, 1080)}, CatalogTranslations(true));
}

// A trouble code's kind is in the program's language; "(INFO)" is alike in both.
TEST(ProgramTexts, TroubleCodeKindInTheProgramsLanguage)
{
    for (const auto &[language, error] : {std::pair{"PL", "E1021: (BŁĄD)"}, std::pair{"EN", "E1021: (ERROR)"}}) {
        ProgramRig program(20, 'E', QString::fromLatin1(language));
        EXPECT_TRUE(TTroubleCodesPage::DebugWczytajOpisyBanku(2, 1).startsWith(QString::fromUtf8(error)))
            << TTroubleCodesPage::DebugWczytajOpisyBanku(2, 1).toStdString();
        EXPECT_TRUE(TTroubleCodesPage::DebugWczytajOpisyBanku(3, 7).startsWith(QStringLiteral("E1037: (INFO)")));
    }
}

// The lock dialog's refusal of a short PIN: the minimum length stands apart
// from its caption, and the word after it takes the number's plural form.
TEST(ProgramTexts, ShortPinMessageSpacesTheMinimumLength)
{
    struct Row {
        const char *language;
        int minimum;
        const char *shown;
    };
    const Row rows[] = {
        {"EN", 4, "Minimum length: 4 characters."}, {"EN", 1, "Minimum length: 1 character."},
        {"PL", 1, "Minimalna długość: 1 znak."},   {"PL", 4, "Minimalna długość: 4 znaki."},
        {"PL", 5, "Minimalna długość: 5 znaków."}, {"PL", 12, "Minimalna długość: 12 znaków."},
        {"PL", 22, "Minimalna długość: 22 znaki."},
    };
    ProgramRig program(20, 'E', QStringLiteral("EN"));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.shown);
        ASSERT_TRUE(LM->Language == QLatin1String(row.language) || LM->LoadLanguageFile(QLatin1String(row.language)));
        TFrmHaslo dialog;
        dialog.Prepare(true, row.minimum);
        dialog.YEdHaslo->setText(QString(row.minimum - 1, u'1'));
        EXPECT_FALSE(dialog.BtBOKClick());
        ASSERT_FALSE(program.Rig.Boxes.empty());
        EXPECT_TRUE(program.Rig.Boxes.back().Text.contains(QString::fromUtf8(row.shown)))
            << program.Rig.Boxes.back().Text.toStdString();
    }
}

// A value out of range on the configuration page is refused with a warning
// that names its field in the language in use.
TEST(ProgramTexts, ValueRangeWarningNamesItsFieldInEnglish)
{
    ProgramRig program(20, 'E', QStringLiteral("EN"));
    TFormMain &form = program.Form();
    auto *pages = form.findChild<QTabWidget *>(QStringLiteral("PgCMain"));
    pages->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSConfig")));
    auto *tb = qobject_cast<QLineEdit *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("EdtKnfIdleHotTb")));
    ASSERT_NE(tb, nullptr);
    // Every other field within the device's ranges.
    if (auto *power = qobject_cast<QLineEdit *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("YEdKnfPower"))))
        power->setText(QStringLiteral("66"));
    tb->setText(QStringLiteral("999"));
    Q_EMIT tb->textEdited(tb->text());
    program.Device.Server.log().clear();
    qobject_cast<QAbstractButton *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("BtBKnfWriteConfiguration")))->click();
    ASSERT_FALSE(program.Rig.Boxes.empty());
    const QString text = program.Rig.Boxes.back().Text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("Tb at idle [ms]: The value does not fit the device."))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("jałowym")));
}

// A component's photo shows inside the main window in English; the program
// ends with it shown, and the photo window goes once.
TEST(ProgramTexts, ComponentPhotoInsideTheMainWindowInEnglish)
{
    ProgramRig program(20, 'E', QStringLiteral("EN"));
    TFormMain &form = program.Form();
    form.findChild<QTabWidget *>(QStringLiteral("PgCMain"))
        ->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSConfig")));
    qobject_cast<QAbstractButton *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("SpBtnPhotoInjector")))->click();
    ASSERT_NE(FormPicture, nullptr);
    EXPECT_TRUE(FormPicture->isVisible());
    EXPECT_EQ(FormPicture->parentWidget(), &form);
    EXPECT_EQ(FormPicture->LblPictureClose->text(), QStringLiteral("Close [X]"));
}

// A kind-48 window's section of a language file reaches the components of
// its panel docked into the main window.
TEST(ProgramTexts, Kind48SectionReachesTheDockedPanel)
{
    ProgramRig program(48, 'I', QStringLiteral("EN"));
    TLMWindowTexts *texts = LM->WindowTexts();
    ASSERT_NE(texts, nullptr);
    QObject *window = texts->FindWindow(QStringLiteral("FrmMultiCalibrationTaronQV"));
    ASSERT_NE(window, nullptr);
    texts->ApplyComponentLine(window, QStringLiteral("TbSMultiCalibrationMap"), false, QStringLiteral("Map X"));
    auto *page = program.Form().findChild<QWidget *>(QStringLiteral("TbSMultiCalibrationMap"));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(program.Form().isAncestorOf(page));
    auto *tabs = qobject_cast<QTabWidget *>(page->parentWidget()->parentWidget());
    EXPECT_EQ(tabs->tabText(tabs->indexOf(page)), QStringLiteral("Map X"));
}

// Before any device answers, the lists keep their designed items: those too
// are English under EN.
TEST(ProgramTexts, DesignedListItemsAreEnglishBeforeADeviceAnswers)
{
    startup::StartupRig rig{5};
    QFile ini(rig.IniPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Settings]\r\nComMultiPort=5\r\nLanguage=EN\r\n");
    ini.close();
    TCustom custom;
    Custom = &custom;
    rig.Wire = [](TFormMain &f) {
        shellwiring::Wire(f);
        f.Services.ApplyLanguage = [&f] { f.ChangeLanguage(LM->Language, true); };
    };
    TFormMain &form = rig.Create();
    form.show();
    QCoreApplication::processEvents();
    auto *injector = qobject_cast<QComboBox *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("CmbOdcInjDisplay")));
    ASSERT_NE(injector, nullptr);
    ASSERT_GT(injector->count(), 0);
    EXPECT_EQ(injector->itemText(0), QStringLiteral("Average"));
    rig.Form.reset();
    Custom = nullptr;
}

namespace {

// The file dialogs the program opens, each answered with Cancel as soon as it
// shows: their names and the filters they offer.
class FileDialogWatch
{
public:
    FileDialogWatch()
    {
        FTimer.setInterval(10);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            Shown << dialog->objectName() + QStringLiteral(": ") + dialog->nameFilters().join(QStringLiteral(";;"));
            Filters += dialog->nameFilters();
            dialog->reject();
        });
        FTimer.start();
    }
    QStringList Shown, Filters;

private:
    QTimer FTimer;
};

} // namespace

// Every file dialog of the program, opened through its menu item or button,
// offers its files in the language in use: under English no filter shows a
// Polish word.
TEST(ProgramTexts, FileDialogFiltersAreEnglishUnderEnglish)
{
    ProgramRig program(20, 'E', QStringLiteral("EN"));
    TFormMain &form = program.Form();
    // The adapter box answers on the same port, as the program starts it.
    Logic->Startup(false);
    program.Rig.Tick();
    auto component = [&](const char *name) {
        return qobject_cast<QAbstractButton *>(TLMWidgetTexts::FindComponent(&form, QString::fromLatin1(name)));
    };
    auto action = [&](const char *name) { return form.findChild<QAction *>(QString::fromLatin1(name)); };
    // The installation card is a modal window of its own: its buttons are
    // pressed once it shows.
    auto card = [] {
        QTimer::singleShot(0, [] {
            auto *window = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!window)
                return;
            for (const char *name : {"BtnSavePage", "BtnLoadPage"})
                if (auto *button = window->findChild<QAbstractButton *>(QString::fromLatin1(name)))
                    button->click();
            window->reject();
        });
    };
    const std::vector<std::pair<QString, std::function<void()>>> openers = {
        {QStringLiteral("File > Save configuration as"), [&] { action("MnIFileSaveAs")->trigger(); }},
        {QStringLiteral("File > Load settings"), [&] { action("MnIFileLoadCnf")->trigger(); }},
        {QStringLiteral("Connection status > Load from file"), [&] { FormConnectStatus->BtnDevConfig->click(); }},
        {QStringLiteral("Model > Load from file"), [&] { component("SpBModReadFrom")->click(); }},
        {QStringLiteral("Map > Save map"), [&] { component("BtnCalMapSaveAs")->click(); }},
        {QStringLiteral("Map > Load map"), [&] { component("BtnCalMapLoad")->click(); }},
        {QStringLiteral("File > Installation card"), [&] { card(); action("MnIFileSettings")->trigger(); }},
        {QStringLiteral("Adapter > Save to file"), [&] { FormMultiAdapterInfo->BtBAdapterSaveToFile->click(); }},
        {QStringLiteral("Adapter > Load from file"), [&] { FormMultiAdapterInfo->BtBAdapterLoadFromFile->click(); }},
    };
    FileDialogWatch watch;
    QStringList notOpened;
    for (const auto &[what, open] : openers) {
        const qsizetype before = watch.Shown.size();
        open();
        if (watch.Shown.size() == before)
            notOpened << what;
    }
    EXPECT_TRUE(notOpened.isEmpty()) << "no file dialog from: " << notOpened.join(u'|').toStdString();
    EXPECT_EQ(watch.Shown.size(), qsizetype(openers.size()) + 1) << watch.Shown.join(u'\n').toStdString();
    // The words of the description; the masks ("*.ddf") are file names.
    static const QRegularExpression mask(QStringLiteral("\\*\\.\\w+"));
    QStringList polish;
    for (const QString &filter : watch.Filters)
        if (!textaudit::SharedText(QString(filter).remove(mask), Vocabulary()))
            polish << filter;
    EXPECT_TRUE(polish.isEmpty()) << "filters with words that are not English:\n" << polish.join(u'\n').toStdString();
    EXPECT_TRUE(program.Rig.BoxTexts().isEmpty()) << program.Rig.BoxTexts().join(u'|').toStdString();
}

namespace {

// What the installation card's file dialog (Save card), print dialog and
// print preview show: their buttons' and labels' texts and the preview's
// tool tips, each dialog answered with Cancel once it shows.
QStringList ToolkitDialogTexts(TFrmFirmInfo &card)
{
    QStringList out;
    SetModalExecHook([&](QDialog *dialog) {
        dialog->show();
        QCoreApplication::processEvents();
        for (const QAbstractButton *b : dialog->findChildren<QAbstractButton *>())
            if (b->isVisibleTo(dialog))
                out << b->text() << b->toolTip();
        for (const QLabel *l : dialog->findChildren<QLabel *>())
            if (l->isVisibleTo(dialog))
                out << l->text();
        for (const QAction *a : dialog->findChildren<QAction *>())
            out << a->toolTip();
        dialog->hide();
        return int(QDialog::Rejected);
    });
    card.BtnSavePage->click();
    card.BtnPrint->click();
    card.BtnPreview->click();
    SetModalExecHook({});
    out.removeAll(QString());
    out.removeDuplicates();
    return out;
}

} // namespace

// The toolkit's own dialogs speak the program's language where the system
// has the toolkit's translation, and switch with it.
TEST(ProgramTexts, ToolkitDialogsSpeakTheProgramsLanguage)
{
    if (TLM::ToolkitTranslationFile(QStringLiteral("PL")).isEmpty())
        GTEST_SKIP() << "the system has no Polish translation of Qt (qt6-translations-l10n)";
    ProgramRig program(20, 'E', QStringLiteral("PL"));
    TFrmFirmInfo *card = InstallationCard(&program.Form());
    const QStringList polish = ToolkitDialogTexts(*card);
    program.Form().findChild<QAction *>(QStringLiteral("MnILangEnglish"))->trigger();
    const QStringList english = ToolkitDialogTexts(*card);
    // The file dialog's buttons and captions, the print dialog's buttons and
    // the preview's tool tips: English under EN, none of them under PL.
    for (const char *text : {"Cancel", "Look in:", "File &name:", "Files of type:", "&Print", "&Options >>",
                             "&Name:", "Next page", "Page setup"}) {
        EXPECT_TRUE(english.contains(QLatin1String(text))) << text << ": " << english.join(u'|').toStdString();
        EXPECT_FALSE(polish.contains(QLatin1String(text))) << text << ": " << polish.join(u'|').toStdString();
    }
    EXPECT_TRUE(polish.contains(QStringLiteral("Anuluj"))) << polish.join(u'|').toStdString();
}

// The model page's offset shows once, in its edit: the up-down beside it
// shows its arrows only, at every window size (the window widens it).
TEST(ProgramTexts, OffsetUpDownShowsNoNumberOfItsOwn)
{
    ProgramRig program(20, 'E', QStringLiteral("PL"));
    TFormMain &form = program.Form();
    form.findChild<QAction *>(QStringLiteral("MnIWindowCalModel"))->trigger();
    auto *upDown = qobject_cast<QSpinBox *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("UpDModOffset")));
    ASSERT_NE(upDown, nullptr);
    upDown->setValue(5);
    for (const QSize size : {QSize(780, 540), QSize(1024, 768), QSize(1920, 1080)}) {
        form.resize(size);
        QCoreApplication::processEvents();
        ASSERT_TRUE(upDown->isVisible());
        const QLineEdit *field = upDown->findChild<QLineEdit *>();
        ASSERT_NE(field, nullptr);
        const QImage shot = upDown->grab().toImage();
        int dark = 0;
        for (int y = field->y() + 2; y < field->geometry().bottom() - 1; ++y)
            for (int x = field->x() + 2; x < field->geometry().right() - 1; ++x)
                dark += QColor(shot.pixel(x, y)).lightness() < 100;
        EXPECT_EQ(dark, 0) << size.width() << "x" << size.height() << ": the up-down shows its value "
                           << upDown->text().toStdString();
    }
}

// The injector-cleaning progress window carries its caption in the
// language in use (a window manager would otherwise title it by the program).
TEST(ProgramTexts, InjectorCleaningWindowCarriesItsCaption)
{
    for (const auto &[language, caption] : {std::pair{"PL", "Czyszczenie wtryskiwaczy gazowych"},
                                            std::pair{"EN", "Gas injector cleaning"}}) {
        ProgramRig program(20, 'E', QString::fromLatin1(language));
        TFormMain &form = program.Form();
        QString shown;
        QTimer watch;
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (form.WaitFormInjClean && form.WaitFormInjClean->Window()) {
                shown = form.WaitFormInjClean->Window()->windowTitle();
                form.WaitFormInjClean->Stop();
            }
        });
        watch.start();
        qobject_cast<QAbstractButton *>(TLMWidgetTexts::FindComponent(&form, QStringLiteral("BtnDgnInjCleaning")))->click();
        EXPECT_EQ(shown, QString::fromUtf8(caption)) << shown.toStdString();
    }
}

namespace {
// The room a line edit leaves for its text: the style's contents rectangle
// less the text margins and the two pixels the edit keeps clear each side.
int TextRoom(const QLineEdit *edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    return contents.width() - edit->textMargins().left() - edit->textMargins().right() - 4;
}
} // namespace

// Every field of the installation card shows its whole text, in both
// languages, whichever RPM source, level sensor, injector type and switching
// temperature the device has; and a text shows from its start.
TEST(ProgramTexts, CardFieldsShowTheirWholeText)
{
    for (const char *language : {"EN", "PL"})
        for (const auto &[kind, version] : {std::pair{uint8_t(20), 'E'}, std::pair{uint8_t(48), 'I'}}) {
            SCOPED_TRACE(::testing::Message() << language << " kind " << int(kind));
            ProgramRig program(kind, version, QString::fromLatin1(language));
            TFrmFirmInfo *card = InstallationCard(&program.Form());
            for (int choice = 0; choice < 32; ++choice) {
                DeviceRecord.RPMsource = quint8(choice % 4);
                DeviceRecord.ReserveType = quint8(choice % 4);
                DeviceRecord.InjTypeName = quint8(choice);
                DeviceRecord.T = quint8(TConfigurationPage::NomTredValues[size_t(choice) % TConfigurationPage::NomTredValues.size()]);
                card->UpdateData();
                for (const char *name : TInstallationCard::EditNames) {
                    const QLineEdit *edit = card->Edit(name);
                    const int need = edit->fontMetrics().horizontalAdvance(edit->text());
                    EXPECT_LE(need, TextRoom(edit)) << name << " \"" << edit->text().toStdString() << "\"";
                    EXPECT_EQ(edit->cursorPosition(), 0) << name;
                }
            }
        }
}

// A language switch leaves the card's values as the user typed them: the
// printed card's value labels, written from the card's fields, are the
// user's texts, not designed ones.
TEST(ProgramTexts, ASwitchKeepsTheCardsValuesAsTyped)
{
    ProgramRig program(20, 'E', QStringLiteral("PL"));
    TFormMain &form = program.Form();
    TFrmFirmInfo *card = InstallationCard(&form);
    card->show();
    QCoreApplication::processEvents();
    card->Edit("EdtModel")->setText(QStringLiteral("Astra 1,6 16V"));
    card->Edit("EdtKodSilnika")->setText(QStringLiteral("Zapisz"));
    card->UpdatePage();
    card->hide();
    for (const char *item : {"MnILangEnglish", "MnILangPolish", "MnILangEnglish"}) {
        form.findChild<QAction *>(QString::fromLatin1(item))->trigger();
        EXPECT_EQ(card->QRpKarta->Value("QRLbMarkaModelVal")->text(), QStringLiteral("Astra 1,6 16V")) << item;
        EXPECT_EQ(card->QRpKarta->Value("QRLbKodSilnikaVal")->text(), QStringLiteral("Zapisz")) << item;
    }
    // The card's own captions follow the language.
    EXPECT_EQ(card->windowTitle(), QStringLiteral("Installation card"));
}

// The installation card names the RPM source as the configuration page the
// device's kind shows it, and the English lists call the tachometer one name.
TEST(ProgramTexts, CardNamesTheRpmSourceAsItsPageDoes)
{
    for (const auto &[kind, version] : {std::pair{uint8_t(20), 'E'}, std::pair{uint8_t(48), 'I'}}) {
        SCOPED_TRACE(int(kind));
        ProgramRig program(kind, version, QStringLiteral("EN"));
        TFormMain &form = program.Form();
        const QComboBox *page = kind == 48 ? FrmMultiConfigurationTaronQV->BasePage->CmbKnfRPMSource
                                           : qobject_cast<QComboBox *>(form.OwnPanel("CmbKnfRPMSource"));
        ASSERT_NE(page, nullptr);
        ASSERT_EQ(page->count(), 4);
        EXPECT_EQ(page->itemText(2), QStringLiteral("Tachometer"));
        TFrmFirmInfo *card = InstallationCard(&form);
        for (int source = 0; source < page->count(); ++source) {
            DeviceRecord.RPMsource = quint8(source);
            card->UpdateData();
            EXPECT_EQ(card->Edit("EdtImpulsy")->text(), page->itemText(source))
                << card->Edit("EdtImpulsy")->text().toStdString();
        }
    }
}

namespace {

// What an audit lists on every window of the program, hidden ones too, by
// where it shows.
QMap<QString, QString> OnEveryWindow(std::vector<ShownText> (*audit)(QWidget *, bool))
{
    QMap<QString, QString> out;
    for (QWidget *w : QApplication::allWidgets())
        if (w->isWindow())
            for (const ShownText &t : audit(w, true))
                out.insert(t.where, t.text);
    return out;
}

// Every text of every window of the program, hidden ones too, by where it
// shows; each page and window shown once first, as a user reaches it.
QMap<QString, QString> EveryText(ProgramRig &program)
{
    ProgramTexts(program);
    return OnEveryWindow(textaudit::VisibleTexts);
}

const QRegularExpression &DecimalComma()
{
    static const QRegularExpression re(QStringLiteral("\\d,\\d"));
    return re;
}

// A text that is a number, a range or a number with its unit: nothing but
// digits, separators, signs, brackets and "V" or "%".
bool IsNumberText(const QString &text)
{
    static const QRegularExpression rest(QStringLiteral("[\\d\\s,.()+\\-%]|\\bV\\b"));
    return QString(text).remove(rest).isEmpty();
}

// The designed numbers of polish (texts written with a decimal comma) and
// what english shows in their place: the same numbers with a point. A text
// of english with a decimal comma anywhere is a fault too.
QStringList NumberFaults(const QMap<QString, QString> &polish, const QMap<QString, QString> &english, int &numbers)
{
    QStringList out;
    numbers = 0;
    for (auto it = english.cbegin(); it != english.cend(); ++it)
        if (it.value().contains(DecimalComma()))
            out << it.key() + QStringLiteral(" = ") + it.value();
    for (auto it = polish.cbegin(); it != polish.cend(); ++it) {
        if (!it.value().contains(DecimalComma()) || !IsNumberText(it.value()))
            continue;
        // A reading a window's own timer writes (the level sensor's voltage)
        // is there only when the timer ticked while the window showed, which
        // on a busy machine one run may see and the other not.
        if (!english.contains(it.key()) && it.key().contains(QLatin1String("EdtActualLevel")))
            continue;
        ++numbers;
        const QString expected = QString(it.value()).replace(QRegularExpression(QStringLiteral("(\\d),(\\d)")), "\\1.\\2");
        if (english.value(it.key()) != expected)
            out << it.key() + QStringLiteral(": PL \"") + it.value() + QStringLiteral("\", EN \"")
                       + english.value(it.key(), QStringLiteral("<missing>")) + u'"';
    }
    return out;
}

} // namespace

// Numbers on screen take the decimal separator of the language shown: in
// English no list item or label holds a decimal comma, in Polish the same
// numbers read with a comma; after a switch either way as at a start in that
// language, every list keeping its selection. Off-line as connected.
TEST(ProgramTexts, NumbersTakeTheSeparatorOfTheLanguageShown)
{
    struct Case {
        Kind kind;
        bool offline;
    };
    for (const Case c : {Case{{20, 'E'}, false}, Case{{21, 'H'}, false}, Case{{48, 'I'}, false}, Case{{48, 'I'}, true}}) {
        SCOPED_TRACE(testing::Message() << int(c.kind.kind) << (c.offline ? " off-line" : ""));
        QMap<QString, QString> started[2];
        for (int i = 0; i < 2; ++i) {
            ProgramRig program(c.kind.kind, c.kind.version, QString::fromLatin1(i ? "EN" : "PL"), c.offline);
            started[i] = EveryText(program);
        }
        int numbers = 0;
        const QStringList faults = NumberFaults(started[0], started[1], numbers);
        EXPECT_GT(numbers, 300);
        EXPECT_TRUE(faults.isEmpty()) << faults.size() << ":\n" << faults.mid(0, 60).join(u'\n').toStdString();
        // A name with a point ("3.0 I") stays a name in Polish.
        for (auto it = started[1].cbegin(); it != started[1].cend(); ++it) {
            if (QRegularExpression(QStringLiteral("^\\d\\.\\d [A-Z]$")).match(it.value()).hasMatch()) {
                EXPECT_EQ(started[0].value(it.key()), it.value()) << it.key().toStdString();
            }
        }
        if (c.kind.kind == 21)
            continue;

        ProgramRig program(c.kind.kind, c.kind.version, QStringLiteral("PL"), c.offline);
        TFormMain &form = program.Form();
        EveryText(program);
        QMap<QString, int> chosen;
        for (QComboBox *list : form.findChildren<QComboBox *>())
            chosen.insert(textaudit::PathOf(list), list->currentIndex());
        int selected = 0;
        for (int index : chosen)
            selected += index >= 0;
        EXPECT_GT(selected, c.offline ? 0 : 20);
        for (const int to : {1, 0}) {
            form.findChild<QAction *>(QString::fromLatin1(to ? "MnILangEnglish" : "MnILangPolish"))->trigger();
            const QMap<QString, QString> shown = EveryText(program);
            QStringList differ;
            for (auto it = started[to].cbegin(); it != started[to].cend(); ++it)
                if ((it.value().contains(DecimalComma()) || shown.value(it.key()).contains(DecimalComma()))
                    && shown.value(it.key()) != it.value())
                    differ << it.key() + QStringLiteral(": \"") + shown.value(it.key()) + QStringLiteral("\" for \"")
                                  + it.value() + u'"';
            EXPECT_TRUE(differ.isEmpty()) << (to ? "to EN " : "to PL ") << differ.size() << ":\n"
                                          << differ.mid(0, 40).join(u'\n').toStdString();
            for (QComboBox *list : form.findChildren<QComboBox *>())
                EXPECT_EQ(list->currentIndex(), chosen.value(textaudit::PathOf(list), list->currentIndex()))
                    << textaudit::PathOf(list).toStdString();
        }
    }
}

// A configuration write sends the same frames whichever language shows the
// lists: the device's factory configuration of a kind-48 device, chosen by
// the same selections in Polish and in English.
TEST(ProgramTexts, AConfigurationWriteSendsTheSameFramesInEitherLanguage)
{
    std::vector<sim::Bytes> frames[2];
    for (int i = 0; i < 2; ++i) {
        ProgramRig program(48, 'I', QString::fromLatin1(i ? "EN" : "PL"));
        TFormMain &form = program.Form();
        program.Device.Server.log().clear();
        program.Rig.Boxes.clear();
        form.findChild<QAction *>(QStringLiteral("MnIDeviceReset"))->trigger();
        ASSERT_FALSE(program.Rig.Boxes.empty());
        frames[i] = program.Device.Server.log().bytes();
        // The change record (0x55) carries the minute it was written: the two
        // runs may fall in two minutes.
        for (sim::Bytes &f : frames[i])
            if (f.size() == 11 && f[1] == 0x55)
                f.resize(6);
    }
    ASSERT_GT(frames[0].size(), 50u);
    EXPECT_EQ(frames[0], frames[1]);
}

// Numbers the program writes as it runs (readings, derived labels, bounds)
// take the separator of the language shown, not the one of the user's own
// locale: an English program on a Polish desktop shows no decimal comma, a
// Polish program on an English desktop no decimal point in a number.
// Connected, a poll made, so that readings show.
TEST(ProgramTexts, RunTimeNumbersTakeTheSeparatorOfTheLanguageNotOfTheDesktop)
{
    const QLocale saved;
    struct Case {
        QLocale system;
        const char *language;
    };
    // A number written with a decimal point: no version ("3.0 I", "4.1.2")
    // and no date ("9.12.2026").
    static const QRegularExpression decimalPoint(QStringLiteral("(?<![\\d.])\\d+\\.\\d+(?![\\d.]|\\s?[A-Z]\\b)"));
    for (const Kind kind : {Kind{20, 'E'}, Kind{48, 'I'}}) {
        for (const Case &c : {Case{QLocale(QLocale::Polish, QLocale::Poland), "EN"},
                              Case{QLocale(QLocale::English, QLocale::UnitedStates), "PL"}}) {
            SCOPED_TRACE(testing::Message() << int(kind.kind) << ' ' << c.system.name().toStdString() << " showing "
                                            << c.language);
            const bool english = QLatin1String(c.language) == QLatin1String("EN");
            QLocale::setDefault(c.system);
            QMap<QString, QString> texts;
            {
                ProgramRig program(kind.kind, kind.version, QString::fromLatin1(c.language));
                program.Rig.Tick();
                texts = EveryText(program);
            }
            QLocale::setDefault(saved);
            QStringList faults;
            int numbers = 0;
            for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
                const bool comma = it.value().contains(DecimalComma());
                const bool point = it.value().contains(decimalPoint);
                numbers += english ? point : comma;
                if (english ? comma : point)
                    faults << it.key() + QStringLiteral(" = ") + it.value();
            }
            EXPECT_GT(numbers, 20);
            EXPECT_TRUE(faults.isEmpty()) << faults.size() << ":\n" << faults.mid(0, 60).join(u'\n').toStdString();
        }
    }
}

namespace {

// The charts' numbers written with the other language's separator; numbers
// counts those written with the language's own.
QStringList ChartNumberFaults(const QMap<QString, QString> &texts, bool english, int &numbers)
{
    static const QRegularExpression comma(QStringLiteral("\\d,\\d")), point(QStringLiteral("\\d\\.\\d"));
    QStringList faults;
    numbers = 0;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        numbers += it.value().contains(english ? point : comma);
        if (it.value().contains(english ? comma : point))
            faults << it.key() + QStringLiteral(" = ") + it.value();
    }
    return faults;
}

// Reads the map as the user does on the page the device's kind shows:
// Calibration > Map (kinds 20/21), the calibration window's map (kind 48).
void ReadMap(TFormMain &form, uint8_t kind)
{
    if (kind == 48) {
        shellwiring::ClickTab(form, "TbSMultiCalibration");
        QWidget *sheet = FrmMultiCalibrationTaronQV->TbSMultiCalibrationMap;
        qobject_cast<QTabWidget *>(sheet->parentWidget()->parentWidget())->setCurrentWidget(sheet);
        FrmMultiCalibrationTaronQV->Map->BtnCalMapRead->click();
    } else {
        shellwiring::ClickTab(form, "TbSCalibration");
        shellwiring::ClickTab(form, "TbSCalMap");
        shellwiring::Get<QPushButton>(form, "BtnCalMapRead")->click();
    }
    QCoreApplication::processEvents();
}

// Every chart's axes count in the language shown, whatever the desktop's
// locale: from a fresh start (each page shown once, as a user reaches it),
// after the map is read and after a switch either way. An English program
// on a Polish desktop, then a Polish one on an English desktop.
void ChartsFollowTheLanguageShown(const Kind kind)
{
    struct Case {
        QLocale desktop;
        bool english;
    };
    for (const Case &c : {Case{QLocale(QLocale::Polish, QLocale::Poland), true},
                          Case{QLocale(QLocale::English, QLocale::UnitedStates), false}}) {
        SCOPED_TRACE(testing::Message() << int(kind.kind) << ' ' << c.desktop.name().toStdString());
        struct DesktopLocale {
            explicit DesktopLocale(const QLocale &l) { QLocale::setDefault(l); }
            ~DesktopLocale() { QLocale::setDefault(Saved); }
            const QLocale Saved;
        } desktop(c.desktop);
        ProgramRig program(kind.kind, kind.version, QString::fromLatin1(c.english ? "EN" : "PL"));
        TFormMain &form = program.Form();
        ProgramTexts(program);
        const auto check = [&](const char *when, bool english) {
            int numbers = 0;
            const QStringList faults = ChartNumberFaults(OnEveryWindow(textaudit::ChartTexts), english, numbers);
            EXPECT_GE(numbers, 8) << when;
            EXPECT_TRUE(faults.isEmpty()) << when << (english ? " in English " : " in Polish ") << faults.size()
                                          << ":\n" << faults.mid(0, 40).join(u'\n').toStdString();
        };
        check("from a fresh start", c.english);
        ReadMap(form, kind.kind);
        check("after a read", c.english);
        for (const bool english : {!c.english, c.english}) {
            form.findChild<QAction *>(QString::fromLatin1(english ? "MnILangEnglish" : "MnILangPolish"))->trigger();
            QCoreApplication::processEvents();
            check("after a switch", english);
        }
    }
}

} // namespace

TEST(ProgramTexts, ChartNumbersFollowTheLanguageShownOnKind20)
{
    ChartsFollowTheLanguageShown({20, 'E'});
}

TEST(ProgramTexts, ChartNumbersFollowTheLanguageShownOnKind21)
{
    ChartsFollowTheLanguageShown({21, 'H'});
}

TEST(ProgramTexts, ChartNumbersFollowTheLanguageShownOnKind48)
{
    ChartsFollowTheLanguageShown({48, 'I'});
}
