// Run-time catalog translation of the designed texts of registered windows
// (GNU gettext, text domain "taron4", catalogs in
// "<program folder>/Resource/locale/<catalog code>/LC_MESSAGES/taron4.mo"),
// and the texts of OBD-II trouble codes in the current language
// ("<program folder>/Resource/OBD-Codes-<language>.lng").
//
// Creating the module wires it into the language manager (when LM exists):
// LM's catalog switch calls SetLanguage, and LM reaches windows through
// TLMWidgetTexts.
#pragma once

#include <QHash>
#include <QList>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class TCustom : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *TextDomain = "taron4";

    // programFolder: where "Resource" lies; the executable's folder when empty.
    explicit TCustom(QObject *parent = nullptr, const QString &programFolder = QString());
    ~TCustom() override;

    // Adds a window to the translated windows (once) and translates its
    // designed texts through the catalog.
    void RegisterForm(QWidget *form);
    // Every named window of the program is registered when it is first
    // shown, and controls first shown inside a registered window after its
    // translation (pages docked or built later) are translated then, so
    // that all designed texts follow the language.
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Switches the catalog language to code ("PL", "EN", ...) and retranslates
    // the registered windows when it differs from the current one; always
    // reloads the trouble-code texts.
    void SetLanguage(const QString &code);
    // "<CODE> (<description>)" for a known trouble code, else the code itself
    // (upper-cased when it has the form of a code).
    void GetObdCodeText(const QString &code, QString &text) const;

    // The catalog's current language, as last set (initially taken from the
    // environment).
    QString CurrentLanguage() const { return FLanguage; }
    const QStringList &TroubleCodes() const { return FTroubleCodes; }
    QList<QWidget *> RegisteredForms() const;
    QString ProgramFolder() const { return FProgramFolder; }
    // The catalog folder: "<program folder>/Resource/locale".
    QString LocaleFolder() const;

    // Reloads the trouble-code texts of the current language.
    void LoadTroubleCodes();
    // Largest trouble-code text file read (the full code list is about 1 MB).
    static constexpr qint64 MaxTroubleCodeFileSize = 8 << 20;
    // Whether unscrambled trouble-code text holds control bytes (other than
    // TAB, CR and LF), which no text of such a file holds: damaged, or never
    // scrambled.
    static bool HoldsControlBytes(const QByteArray &text);
    // The catalog's translation of one text (the text itself when none).
    static QString TranslateText(const QString &text);
    // text with each decimal comma (a comma between two digits) written with
    // the decimal separator of the language code ("0,2" is "0.2" in English).
    // Designed texts write decimals with a comma; a point in them belongs to
    // a name ("3.0 I") and stays, unless the text is one number and nothing
    // else ("0.00" is "0,00" in Polish).
    static QString NumbersIn(const QString &text, const QString &code);
    // A designed text as the current language shows it: the catalog's
    // translation, its numbers in the language's decimal separator.
    QString ShownText(const QString &designed) const;
    // Sets a text property of object to designed as the current language
    // shows it, and keeps designed as the property's designed text, so that a
    // language switch shows it anew in the new language.
    void SetDesignedText(QObject *object, const char *property, const QString &designed);

    // Font charset by catalog language (part before "_", letter case ignored,
    // "CZ" taken as "cs"); 0 for a language without a row.
    static quint8 LangCharset(const QString &code);
    // The gettext language name of a code: "PL" -> "pl", "CZ" -> "cs",
    // "GR" -> "el", "TR_Veluto" -> "tr".
    static QString CatalogCode(const QString &code);
    // True for a language code that may become part of a file name.
    static bool IsSafeLanguageCode(const QString &code);

    // Properties (class name, property name) and classes never translated.
    static bool IsIgnoredProperty(const QObject *object, const char *property);
    static bool IsIgnoredClass(const QObject *object);
    // Marks the texts of a control as given ones: what the user typed, or a
    // device or a file gave (a card's values, a file name, a device's
    // version), never designed wording. A language switch leaves them as
    // they are: neither the catalog nor the language's decimal separator
    // rewrites them; the program writes them anew where they change.
    static void KeepGivenTexts(QObject *object);
    static bool HoldsGivenTexts(const QObject *object);

private:
    struct Text {
        QString original;   // the designed (untranslated) text
        QString translated; // what the last translation wrote
    };

    void translateForm(QWidget *form);
    void translateTree(QObject *root);
    void translateObject(QObject *object);
    bool isRegistered(const QWidget *window) const;
    void translateValue(QObject *object, const QByteArray &slot, const QString &current,
                        const std::function<void(const QString &)> &write);
    void forget(QObject *object);
    void activateCatalog();

    QList<QPointer<QWidget>> FForms;
    QStringList FTroubleCodes;
    QString FRefusedTroubleCodes; // the damaged file last reported (reported once in a row)
    QString FLanguage;
    QString FProgramFolder;
    QHash<QObject *, QHash<QByteArray, Text>> FTexts;
};

extern TCustom *Custom;

// A chart (a QChart) writes the numbers of its axes and point labels in the
// notation of locale. Each chart is given the notation of the language shown
// where it is built, and TCustom gives the charts of the translated windows
// that of the new language on every switch.
void ChartNumbersIn(QObject *chart, const QLocale &locale);

// Sets a designed text that the program writes at run time (a caption
// chosen by a selection): through Custom when it exists, so that it follows
// the language, else as it stands.
inline void ShowDesignedText(QObject *object, const char *property, const QString &designed)
{
    if (Custom)
        Custom->SetDesignedText(object, property, designed);
    else if (object)
        object->setProperty(property, designed);
}
