// Language switching of the main window: the language menu, and applying a
// language (texts the language file does not set by itself, the schema
// picture, derived captions, a refresh of the visible page and of the docked
// adapter windows).
#include "mainwindow/shell/FormMain.h"

#include "core/LM.h"
#include "core/ui/Custom.h"
#include "mainwindow/shell/FormMainLayout.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextEdit>

#include <iterator>

namespace {

// The language items in menu order with the code each applies.
struct LanguageItem {
    const char *item;
    const char *code;
};
constexpr LanguageItem LanguageItems[] = {
    {"MnILangPolish", "PL"},       {"MnILangEnglish", "EN"},        {"MnILangLithuanian", "LT"},
    {"MnILangRussian", "RU"},      {"MnILangCzech", "CZ"},          {"MnILangGerman", "DE"},
    {"MnILangItalian", "IT"},      {"MnILangTurkish", "TR"},        {"MnILangCroatian", "HR"},
    {"MnILangFrench", "FR"},       {"MnILangTurkish_Veluto", "TR_Veluto"},
    {"MnILangNederlands", "NL"},   {"MnILangSpanish", "ES"},        {"MnILangPortuguese", "PT"},
    {"MnILangSpanish_Pravik", "ES_Pravik"}, {"MnILangThai", "TH"},  {"MnILangBulgarian", "BG"},
    {"MnILangGreek", "GR"},
};

// The labels that carry the selected injector's number, in base order.
const char *const InjDisplayLabels[] = {
    "LblModPetrol", "LblModLPG", "LblDgnAdvPetrol", "LblDgnAdvGas",
    "LblConfAutoPetrol", "LblConfAutoGas", "LblDgnTb", "LblDgnTg",
};

void clearMemo(QObject *memo)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(memo))
        plain->clear();
    else if (auto *rich = qobject_cast<QTextEdit *>(memo))
        rich->clear();
}

} // namespace

void TFormMain::MenuLangClick()
{
    const QString current = LM ? LM->Language : QString();
    for (const LanguageItem &l : LanguageItems)
        if (auto *item = Component<QAction>(l.item)) {
            item->setCheckable(true);
            item->setChecked(current == QLatin1String(l.code));
        }
    RebuildTroubleCodeLists();
}

void TFormMain::RebuildTroubleCodeLists()
{
    // The trouble-code memos are filled again in the language shown.
    clearMemo(Component<QObject>("MemOdcTroubleCodeAct"));
    clearMemo(Component<QObject>("MemOdcTroubleCodeStored"));
    for (int group = 1; group <= 4; ++group)
        UpdateTroubleCodeList(group);
}

void TFormMain::SelectLanguage(const char *code)
{
    const QString wanted = QString::fromLatin1(code);
    if (LM && LM->Language == wanted)
        return;
    ChangeLanguage(wanted, false);
}

void TFormMain::MnILangPolishClick() { SelectLanguage("PL"); }
void TFormMain::MnILangEnglishClick() { SelectLanguage("EN"); }
void TFormMain::MnILangLithuanianClick() { SelectLanguage("LT"); }
void TFormMain::MnILangRussianClick() { SelectLanguage("RU"); }
void TFormMain::MnILangCzechClick() { SelectLanguage("CZ"); }
void TFormMain::MnILangGermanClick() { SelectLanguage("DE"); }
void TFormMain::MnILangItalianClick() { SelectLanguage("IT"); }
void TFormMain::MnILangTurkishClick() { SelectLanguage("TR"); }
void TFormMain::MnILangCroatianClick() { SelectLanguage("HR"); }
void TFormMain::MnILangFrenchClick() { SelectLanguage("FR"); }
void TFormMain::MnILangTurkish_VelutoClick() { SelectLanguage("TR_Veluto"); }
void TFormMain::MnILangNederlandsClick() { SelectLanguage("NL"); }
void TFormMain::MnILangSpanishClick() { SelectLanguage("ES"); }
void TFormMain::MnILangPortugueseClick() { SelectLanguage("PT"); }
void TFormMain::MnILangSpanish_PravikClick() { SelectLanguage("ES_Pravik"); }
void TFormMain::MnILangThaiClick() { SelectLanguage("TH"); }
void TFormMain::MnILangBulgarianClick() { SelectLanguage("BG"); }
void TFormMain::MnILangGreekClick() { SelectLanguage("GR"); }

bool TFormMain::ChangeLanguage(const QString &code, bool defaultLanguage)
{
    if (!code.isEmpty() && LM) {
        // The window's designed texts follow the message catalog as well.
        if (Custom)
            Custom->RegisterForm(this);
        // The pressure-sensor caption keeps the sensor it names.
        const QString oldSensorPrefix = TranslateKey(QStringLiteral("strPSTInfo"));
        if (defaultLanguage) {
            LM->SetDefaultLanguage();
        } else if (!LM->LoadLanguageFile(code)) {
            // Refused (the manager has said why): the catalog, switched
            // before the file was read, goes back to the language in use,
            // and nothing else changes.
            if (LM->CatalogLanguageHook)
                LM->CatalogLanguageHook(LM->Language);
            return false;
        }
        if (auto *schema = Component<TCaptionPanel>("ImgSchema")) {
            QPixmap picture;
            if (LM->LoadLanguagePicture(picture, QStringLiteral("schema"), QStringLiteral(".jpg")))
                schema->setPixmap(picture);
            else
                schema->setPixmap(QPixmap());
            schema->adjustSize();
        }
        if (auto *status = Component<TCaptionPanel>("PnlStatus"))
            status->SetCaption(TranslateKey(QStringLiteral("strComError")));
        if (auto *version = Component<TCaptionPanel>("PnlStatusVer"))
            version->SetCaption(TranslateKey(QStringLiteral("strVerError")));
        if (auto *start = Component<QAbstractButton>("BtnDgnStart"))
            start->setText(TranslateKey(QStringLiteral("strStart")));
        if (auto *status = Component<TCaptionPanel>("PnlStatus"))
            SetStatusBaseText(status->Caption());
        PnlStatusGazSwitchUpdate();
        if (auto *info = Component<TCaptionPanel>("LblOdcPressureSensorTypeInfo")) {
            const QString old = info->Caption();
            const QString sensor = !oldSensorPrefix.startsWith(u'!') && old.startsWith(oldSensorPrefix)
                                       ? old.mid(oldSensorPrefix.size()) : QString();
            info->SetCaption(TranslateKey(QStringLiteral("strPSTInfo")) + sensor);
        }
        CheckFormPictureShow();
    }

    UpdateInjDisplayLabels(true);
    UpdateCylinderCountControls(false);
    // The visible page shows its values in the new language; unwritten edits
    // are kept (their texts are already translated): while the pages hold
    // edits, neither this refresh nor the page entry of the adapter refresh
    // reads the device.
    const bool keepEdits = ConfigModified();
    FLanguagePageRefresh = true;
    auto *pages = Component<QTabWidget>("PgCMain");
    QWidget *page = pages ? pages->currentWidget() : nullptr;
    const QString pageName = page ? page->objectName() : QString();
    if (pageName == QLatin1String("TbSConfig")) {
        if (!keepEdits)
            ReadConfiguration();
    } else if (pageName == QLatin1String("TbSConfigurator")) {
        PgCConfWizardChange();
    } else if (pageName == QLatin1String("TbSCalibration")) {
        PgCCalibrationChange();
    }
    YEdKnfPowerChange();
    YEdConfPowerChange();
    EdtModMULT_Change();
    CmBDgnWyborChange();
    RefreshAdapterWindows();
    FLanguagePageRefresh = false;
    RebuildTroubleCodeLists();
    return true;
}

void TFormMain::UpdateInjDisplayLabels(bool capture)
{
    if (capture) {
        for (int i = 0; i < 8; ++i) {
            // Bases 5 and 6 are copies of bases 1 and 2.
            const char *name = InjDisplayLabels[i == 4 ? 0 : i == 5 ? 1 : i];
            if (auto *label = Component<TCaptionPanel>(name))
                FInjDisplayBases[i] = label->Caption();
        }
    }
    auto *combo = Component<QComboBox>("CmbOdcInjDisplay");
    const int index = combo ? combo->currentIndex() : -1;
    const QString prefix = index >= 1 ? QString::number(index) + QLatin1Char(':') : QString();
    for (int i = 0; i < 8; ++i)
        if (auto *label = Component<TCaptionPanel>(InjDisplayLabels[i]))
            label->SetCaption(prefix + FInjDisplayBases[i]);
}

void TFormMain::RefreshAdapterWindows()
{
    // The adapter windows rewrite their texts, then the visible page is
    // entered again and the docked panels are laid out anew.
    if (Services.RefreshAdapterWindows)
        Services.RefreshAdapterWindows();
    if (Services.PgCMainChange)
        Services.PgCMainChange();
    UpdateAdapterPanels();
}
