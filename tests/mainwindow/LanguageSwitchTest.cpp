// The main window in the configured language and switched from its language
// menu, with the program's shipped language files and catalogs, against the
// simulated controller.
#include "common/Screenshots.h"
#include "mainwindow/StartupRig.h"

#include "core/Scramble.h"
#include "core/ui/Custom.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/ModelPage.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "mainwindow/shell/TroubleCodes.h"
#include "windows/FrmHaslo.h"
#include "windows/MainWindowHooks.h"
#include "windows/NamedWidget.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>
#include <gtest/gtest.h>

using startup::SimDevice;
using startup::StartupRig;

namespace {

// The component lines of the "[FormMain]" section of a stored language file.
std::vector<std::pair<QString, QString>> MainWindowLines(const QString &code)
{
    QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/Resource/_") + code
               + QStringLiteral(".lng"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    ScrambleStream(bytes);
    std::vector<std::pair<QString, QString>> out;
    bool inSection = false;
    for (const QString &line : TLM::SplitLines(TLM::DecodeText(bytes, TLM::GetCharsetOfLanguage(code)))) {
        if (line.startsWith(u'['))
            inSection = line == QLatin1String("[FormMain]");
        else if (inSection && line.contains(u'='))
            out.emplace_back(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    return out;
}

// What a component shows: an item's or a menu's caption, a page's tab text,
// a caption or a button text.
QString Shown(TFormMain &form, const QString &name)
{
    QObject *c = form.findChild<QObject *>(name);
    if (auto *action = qobject_cast<QAction *>(c))
        return action->text();
    if (auto *menu = qobject_cast<QMenu *>(c))
        return menu->title();
    if (auto *page = qobject_cast<QWidget *>(c)) {
        auto *stack = qobject_cast<QStackedWidget *>(page->parentWidget());
        if (auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr)
            return tabs->tabText(tabs->indexOf(page));
    }
    if (auto *button = qobject_cast<QAbstractButton *>(c))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(c))
        return label->text();
    return QStringLiteral("<no component %1>").arg(name);
}

// Every line of the language's file shows on its component; the catalog
// has translated a designed text the file leaves alone; the texts set from
// code are the language's.
void ExpectLanguage(TFormMain &form, const QString &code)
{
    SCOPED_TRACE(code.toStdString());
    EXPECT_EQ(LM->Language, code);
    const auto lines = MainWindowLines(code);
    ASSERT_GT(lines.size(), 80u);
    for (const auto &[name, text] : lines) {
        // A list's lines clear it ("^") and give its items.
        if (auto *list = form.findChild<QComboBox *>(name)) {
            EXPECT_TRUE(text == QLatin1String("^") || list->findText(text) >= 0) << name.toStdString();
            continue;
        }
        EXPECT_EQ(Shown(form, name), text) << name.toStdString();
    }
    EXPECT_EQ(Shown(form, QStringLiteral("BtBKnfReadConfiguration")),
              code == QLatin1String("EN") ? QStringLiteral("Read") : QStringLiteral("Odczytaj"));
    EXPECT_EQ(Shown(form, QStringLiteral("BtnDgnStart")), LM->Translate(QStringLiteral("strStart")));
    EXPECT_EQ(form.StatusBaseText(), LM->Translate(QStringLiteral("strComError")));
    EXPECT_FALSE(form.StatusBaseText().startsWith(u'!'));
    // The power fields hold the device's kW in every language (horsepower only beside them).
    for (const char *caption : {"labelKnfPower", "labelConfPower"})
        EXPECT_TRUE(Shown(form, QString::fromLatin1(caption)).contains(QStringLiteral("[kW]"))) << caption;
}

// A connected window started with the language of the settings file, shown,
// its timer stopped so that only what the test does reaches the device.
struct LanguageRig {
    explicit LanguageRig(const QString &language) : device(rig.PortsDir, 5)
    {
        QFile ini(rig.IniPath());
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Settings]\r\nComMultiPort=5\r\nLanguage=" + language.toLatin1() + "\r\n");
        ini.close();
        Custom = custom.get();
        rig.Wire = [this](TFormMain &f) {
            f.Services.ApplyLanguage = [&f] { f.ChangeLanguage(LM->Language, true); };
            f.Services.RefreshAdapterWindows = [this] { ++adapterRefreshes; };
        };
        TFormMain &form = rig.Create();
        form.SetScreenSizeForCheck(QSize(1024, 768));
        form.show();
        rig.HoldTimer();
    }
    ~LanguageRig() { Custom = nullptr; }

    StartupRig rig{5};
    SimDevice device;
    int adapterRefreshes = 0;
    std::unique_ptr<TCustom> custom = std::make_unique<TCustom>();
};

} // namespace

TEST(LanguageSwitch, ConfiguredLanguageIsAppliedAtStart)
{
    for (const char *code : {"EN", "PL"}) {
        LanguageRig l(QString::fromLatin1(code));
        ASSERT_TRUE(DataManager->GetConnected());
        ExpectLanguage(*l.rig.Form, QString::fromLatin1(code));
        if (qEnvironmentVariableIsSet("SHOT"))
            l.rig.Form->grab().save(testsupport::ScreenshotPath(QStringLiteral("lang_%1.png").arg(QString::fromLatin1(code))));
        EXPECT_TRUE(l.rig.Boxes.empty()) << l.rig.BoxTexts().join(u'|').toStdString();
    }
}

TEST(LanguageSwitch, MenuSwitchesWithoutTrafficAndRefusesABadLanguage)
{
    LanguageRig l(QStringLiteral("PL"));
    TFormMain &form = *l.rig.Form;
    ASSERT_TRUE(DataManager->GetConnected());
    auto item = [&](const char *name) { return form.findChild<QAction *>(QString::fromLatin1(name)); };
    l.device.Server.log().clear();

    const int refreshes = l.adapterRefreshes;
    EXPECT_GE(refreshes, 1) << "at the first showing";
    item("MnILangEnglish")->trigger();
    ExpectLanguage(form, QStringLiteral("EN"));
    item("MnILangPolish")->trigger();
    ExpectLanguage(form, QStringLiteral("PL"));
    item("MnILangEnglish")->trigger();
    ExpectLanguage(form, QStringLiteral("EN"));
    EXPECT_EQ(l.device.Server.log().count(), 0u);
    EXPECT_EQ(l.adapterRefreshes, refreshes + 3); // the docked adapter windows follow
    EXPECT_TRUE(l.rig.Boxes.empty());

    // The injector captions carry the selected injector's number, also
    // after a language change (which takes their texts from the file).
    auto *injector = form.findChild<QComboBox *>(QStringLiteral("CmbOdcInjDisplay"));
    injector->addItem(QStringLiteral("1"));
    injector->setCurrentIndex(1);
    form.UpdateInjDisplayLabels(false);
    EXPECT_EQ(Shown(form, QStringLiteral("LblModPetrol")), QStringLiteral("1:Tb [ms]"));
    EXPECT_EQ(Shown(form, QStringLiteral("LblConfAutoGas")), QStringLiteral("1:Tg [ms]"));
    item("MnILangPolish")->trigger();
    item("MnILangEnglish")->trigger();
    EXPECT_EQ(Shown(form, QStringLiteral("LblDgnTg")), QStringLiteral("1:Tg [ms]"));
    injector->setCurrentIndex(0);
    form.UpdateInjDisplayLabels(false);
    EXPECT_EQ(Shown(form, QStringLiteral("LblDgnAdvPetrol")), QStringLiteral("Tb [ms]"));
    EXPECT_EQ(l.device.Server.log().count(), 0u);

    // The menu checks the language in use.
    form.MenuLangClick();
    EXPECT_TRUE(item("MnILangEnglish")->isChecked());
    EXPECT_FALSE(item("MnILangPolish")->isChecked());

    // The language in use again: nothing happens (a text changed by hand
    // stays as it is).
    form.findChild<QMenu *>(QStringLiteral("MenuFile"))->setTitle(QStringLiteral("x"));
    const int before = l.adapterRefreshes;
    item("MnILangEnglish")->trigger();
    EXPECT_EQ(Shown(form, QStringLiteral("MenuFile")), QStringLiteral("x"));
    EXPECT_EQ(l.adapterRefreshes, before);
    form.findChild<QMenu *>(QStringLiteral("MenuFile"))->setTitle(QStringLiteral("&File"));

    // No file for the language: refused with a message, English stays,
    // catalog texts included.
    form.MnILangGermanClick();
    ASSERT_EQ(l.rig.Boxes.size(), 1u);
    EXPECT_TRUE(l.rig.Boxes.back().Text.startsWith(QStringLiteral("File not found:")));
    ExpectLanguage(form, QStringLiteral("EN"));

    // A damaged file: the same.
    QTemporaryDir program;
    QDir(program.path()).mkpath(QStringLiteral("Resource"));
    QFile damaged(program.filePath(QStringLiteral("Resource/_PL.lng")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("\x01\x02 not a language file \xFE\xFF");
    damaged.close();
    LM->SetProgramFolder(program.path());
    item("MnILangPolish")->trigger();
    LM->SetProgramFolder(QString());
    ASSERT_EQ(l.rig.Boxes.size(), 2u);
    EXPECT_TRUE(l.rig.Boxes.back().Text.startsWith(QStringLiteral("Incorrect file structure: ")));
    ExpectLanguage(form, QStringLiteral("EN"));
    EXPECT_EQ(l.device.Server.log().count(), 0u);
}

// Through the window's own wiring: a language change refreshes the visible
// calibration sub-page from the device unless it holds unwritten edits, and
// lists the trouble codes again in the new language (as opening the menu does).
TEST(LanguageSwitch, RefreshesCalibrationPageKeepsEditsAndRelistsTroubleCodes)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5, 20, 'E');
    QFile ini(rig.IniPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Settings]\r\nComMultiPort=5\r\nLanguage=PL\r\n");
    ini.close();
    auto custom = std::make_unique<TCustom>();
    Custom = custom.get();
    TProgramLogic logic; // outlives the window that calls it
    rig.Wire = [&logic](TFormMain &f) {
        InstallConfigurationPage(f, logic);
        TModelPage::Install(f);
        f.Services.ApplyLanguage = [&f] { f.ChangeLanguage(LM->Language, true); };
        f.Services.PgCMainChange = [&f] { f.PgCMainChange(nullptr); };
        f.Services.AdaptToDevice = [&f] { f.AdaptToDeviceVersion(); };
        WireMainWindowToWindows(f);
    };
    TFormMain &form = rig.Create();
    rig.Tick(); // adapts to the connected device
    form.SetScreenSizeForCheck(QSize(1024, 768));
    form.show();
    form.Timerek->stop();
    ASSERT_TRUE(DataManager->GetConnected());
    auto item = [&](const char *name) { return form.findChild<QAction *>(QString::fromLatin1(name)); };
    auto memo = [&](const char *name) {
        return form.findChild<QPlainTextEdit *>(QString::fromLatin1(name))->toPlainText();
    };

    // The readings page: a switch sends nothing.
    device.Server.log().clear();
    item("MnILangEnglish")->trigger();
    item("MnILangPolish")->trigger();
    EXPECT_EQ(device.Server.log().count(), 0u);

    // Trouble codes of the record: a switch lists them again.
    DeviceRecord.TroubleCodes[TDataManager::TroubleActiveByte(2)] = 0x04;
    DeviceRecord.TroubleCodes[TDataManager::TroubleStoredByte(1)] = 0x01;
    form.findChild<QPlainTextEdit *>(QStringLiteral("MemOdcTroubleCodeAct"))->setPlainText(QStringLiteral("old"));
    item("MnILangEnglish")->trigger();
    const QString activeEn = TTroubleCodesPage::DebugWczytajOpisyBanku(2, 3);
    EXPECT_EQ(memo("MemOdcTroubleCodeAct"), activeEn);
    EXPECT_EQ(memo("MemOdcTroubleCodeStored"), TTroubleCodesPage::DebugWczytajOpisyBanku(1, 1));
    form.findChild<QPlainTextEdit *>(QStringLiteral("MemOdcTroubleCodeAct"))->setPlainText(QStringLiteral("old"));
    form.MenuLangClick();
    EXPECT_EQ(memo("MemOdcTroubleCodeAct"), activeEn);

    // The model sub-page without edits is read again.
    auto *pages = form.findChild<QTabWidget *>(QStringLiteral("PgCMain"));
    auto *calibration = form.findChild<QTabWidget *>(QStringLiteral("PgCCalibration"));
    pages->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSCalibration")));
    calibration->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSCalModel")));
    device.Server.log().clear();
    item("MnILangPolish")->trigger();
    EXPECT_GT(device.Server.log().count(), 0u);

    // With edits: texts change, the edits and the mark stay, nothing is sent.
    auto *offset = form.findChild<QLineEdit *>(QStringLiteral("YEdModCorrectionOffset"));
    offset->setText(QStringLiteral("9.99"));
    form.SetConfigModified(true);
    ASSERT_TRUE(form.ConfigModified());
    device.Server.log().clear();
    item("MnILangEnglish")->trigger();
    ExpectLanguage(form, QStringLiteral("EN"));
    EXPECT_EQ(offset->text(), QStringLiteral("9.99"));
    EXPECT_TRUE(form.ConfigModified());
    EXPECT_EQ(device.Server.log().count(), 0u);
    // The same on the configuration page.
    form.SetConfigModified(false);
    pages->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSConfig")));
    device.Server.log().clear();
    item("MnILangPolish")->trigger();
    EXPECT_GT(device.Server.log().count(), 0u);
    form.SetConfigModified(true);
    device.Server.log().clear();
    item("MnILangEnglish")->trigger();
    EXPECT_TRUE(form.ConfigModified());
    EXPECT_EQ(device.Server.log().count(), 0u);
    // The switch is over: a later entry of the page reads the device as
    // every entry does.
    device.Server.log().clear();
    form.PgCMainChange(nullptr);
    EXPECT_GT(device.Server.log().count(), 0u);

    // The lock dialog speaks the language in use.
    QStringList dialogTexts;
    SetModalExecHook([&](QDialog *dialog) {
        auto *d = static_cast<TFrmHaslo *>(dialog);
        dialogTexts << d->windowTitle() << d->LblHaslo->text() << d->LblHaslo2->text() << d->BtBAnuluj->text();
        return 2;
    });
    item("MnIDeviceLock")->trigger();
    SetModalExecHook({});
    EXPECT_EQ(dialogTexts, (QStringList{LM->Translate(QStringLiteral("strLocking")), QStringLiteral("Password"),
                                        QStringLiteral("Confirm"), QStringLiteral("Cancel")}));
    Custom = nullptr;
}

// The toolkit's own texts (its dialogs' buttons) switch with the language
// chosen from the menu: a language the system has no toolkit translation for
// shows them in English, not in the language chosen before it.
TEST(LanguageSwitch, ToolkitTextsFollowTheLanguageChosen)
{
    const QDir translations(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    for (const char *file : {"qtbase_pl.qm", "qtbase_cs.qm"})
        if (!translations.exists(QString::fromLatin1(file)))
            GTEST_SKIP() << "the system has no " << file << " (qt6-translations-l10n)";
    LanguageRig l(QStringLiteral("PL"));
    TFormMain &form = *l.rig.Form;
    // The program's folder with Czech and Lithuanian language files besides
    // the shipped ones (the English texts under their codes).
    QTemporaryDir program;
    const QDir shipped(QCoreApplication::applicationDirPath() + QStringLiteral("/Resource"));
    const QDir resource(program.filePath(QStringLiteral("Resource")));
    ASSERT_TRUE(resource.mkpath(QStringLiteral(".")));
    for (const QString &name : shipped.entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(shipped.filePath(name), resource.filePath(name)));
    for (const char *code : {"CZ", "LT"})
        ASSERT_TRUE(QFile::copy(shipped.filePath(QStringLiteral("_EN.lng")),
                                resource.filePath(QStringLiteral("_%1.lng").arg(QLatin1String(code)))));
    LM->SetProgramFolder(program.path());
    struct Restore {
        ~Restore() { LM->SetProgramFolder(QString()); }
    } restore;
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(); };
    EXPECT_EQ(cancel(), "Anuluj");
    const struct {
        const char *item, *code, *cancel;
    } rows[] = {{"MnILangLithuanian", "LT", "Cancel"}, {"MnILangCzech", "CZ", "Zrušit"},
                {"MnILangPolish", "PL", "Anuluj"},      {"MnILangCzech", "CZ", "Zrušit"},
                {"MnILangLithuanian", "LT", "Cancel"},  {"MnILangEnglish", "EN", "Cancel"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.item);
        form.findChild<QAction *>(QString::fromLatin1(row.item))->trigger();
        EXPECT_EQ(LM->Language.toStdString(), row.code);
        EXPECT_EQ(cancel(), row.cancel);
    }
    EXPECT_TRUE(l.rig.Boxes.empty());
}
