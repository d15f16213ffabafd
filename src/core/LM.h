// The language manager: the user-interface language, the keyed texts of the
// program's language files ("Resource/_<code>.lng"), the per-window texts that
// such a file puts onto the windows existing at load time, and pictures kept
// in one version per language.
//
// The manager itself needs Qt Core only. It reaches windows through a
// TLMWindowTexts installed by the widget side (core/ui/LMWidgetTexts.h; TCustom
// installs it when it is created), and switches the catalog translation through
// CatalogLanguageHook (TCustom::SetLanguage). Its error messages go to
// MessageHook, which the program points at its message-box service (caption
// "Error", exclamation icon, OK).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QTranslator;
class TVersionInfo;

// How the language manager reaches windows and their components.
class TLMWindowTexts
{
public:
    virtual ~TLMWindowTexts() = default;
    // The existing window with this objectName, or nullptr.
    virtual QObject *FindWindow(const QString &name) = 0;
    // Sets the window's caption.
    virtual void SetWindowCaption(QObject *window, const QString &caption) = 0;
    // Applies one component line of the window's section: a hint (isHint) or
    // a text (caption, memo line, combo item; "^" clears a memo or combo).
    // A component that does not exist is ignored.
    virtual void ApplyComponentLine(QObject *window, const QString &name, bool isHint,
                                    const QString &value) = 0;
};

class TLM : public QObject
{
    Q_OBJECT

public:
    static constexpr int LanguageCount = 18;

    // Creates the module: Language "PL", version texts read, empty lists.
    explicit TLM(QObject *parent = nullptr);
    ~TLM() override;

    // Code of the current language; the settings reader stores the configured
    // code here before the main window loads the language.
    QString Language;
    // The program's own version texts (FileVersion is what language files must carry).
    TVersionInfo *VerInfo = nullptr;

    // Receives the load errors ("File not found:...", "Incorrect file
    // structure: ...", "Incorrect file version: ..."). Unset: written to the log.
    std::function<void(const QString &message)> MessageHook;
    // Switches the catalog translation; called first by every load of a known code.
    std::function<void(const QString &code)> CatalogLanguageHook;

    void SetWindowTexts(std::unique_ptr<TLMWindowTexts> windowTexts);
    TLMWindowTexts *WindowTexts() const { return FWindowTexts.get(); }

    // Folder of the executable unless a test points it elsewhere.
    QString ProgramFolder() const;
    void SetProgramFolder(const QString &folder) { FProgramFolder = folder; }

    // Reads VerInfo once, from the running executable.
    void LoadVersionInfo();

    // The text of key (first line with that key, letter case ignored), or
    // "!_" + key when the key is missing or its text is empty.
    QString Translate(const QString &key) const;
    // The text of key for the number n, for a key whose text gives the
    // language's plural forms separated by "|" (English: one|other; Polish:
    // one|few|many, "1 znak", "2 znaki", "5 znaków", "22 znaki"). A text
    // without "|" serves every number; a missing form takes the last one.
    QString TranslatePlural(const QString &key, qint64 n) const;
    // The plural form of n in a language: its index among the forms above.
    static int PluralForm(const QString &code, qint64 n);
    // The hint detail stored for a component name; empty when none.
    QString GetHintDetail(const QString &componentName) const;

    // Loads "<program folder>/Resource/_<code>.lng". A failed load leaves the
    // texts and Language as they were and reports through MessageHook.
    bool LoadLanguageFile(const QString &code);
    // LoadLanguageFile(Language); when that fails, "PL" once and Language := "PL".
    void SetDefaultLanguage();

    // The toolkit's own translation (file, print and preview dialogs, the
    // standard buttons of its message boxes) in a language: the file
    // "qtbase_<locale>.qm" of the system's Qt translations folder, or empty
    // when the system has none for it. Every load of a language file
    // switches to it.
    static QString ToolkitTranslationFile(const QString &code);

    // The font character set of a language code (Windows charset number); 0
    // for a code not in the table. Codes compare exactly.
    static quint8 GetCharsetOfLanguage(const QString &code);
    // The code of index 0..17; any other index leaves code unchanged.
    static void GetLanguageCode(int index, QString &code);
    // True for one of the 18 language codes (exact comparison).
    static bool IsLanguageCode(const QString &code);
    // The locale a language writes its numbers in ("PL": Polish, decimal
    // comma; "EN": English, decimal point), without group separators; a code
    // not in the table by its part before "_" ("pl_PL": Polish).
    static QLocale NumberLocale(const QString &code);

    // The Windows code page that 8-bit texts of a charset are written in
    // ("windows-1250" for 238, ...); "windows-1252" for an unknown charset.
    static QByteArray CodePageOfCharset(quint8 charset);
    // 8-bit text of a charset to Unicode and back.
    static QString DecodeText(const QByteArray &bytes, quint8 charset);
    static QByteArray EncodeText(const QString &text, quint8 charset);
    // Splits text into lines at CR, LF or CR LF.
    static QStringList SplitLines(const QString &text);
    // The last line of a whole language file: "FileEnd=" and the number of
    // lines before it, and the only line that begins with "FileEnd=". The
    // build tool writes it; a file cut at a line end lacks it, and a file
    // that lost lines counts wrong.
    static QString FileEndLine(qsizetype linesBefore);
    static bool EndsWithFileEnd(const QStringList &lines);

    // "<program folder>/Resource/_": the prefix of language and picture files.
    QString GetLanguageFilePath() const;

    // Loads "<prefix><Language>_<name><extension>" into picture (any picture
    // type with load(fileName), which picks the decoder by the extension).
    // False when the file is missing or cannot be decoded.
    template<class Picture>
    bool LoadLanguagePicture(Picture &picture, const QString &name, const QString &extension) const
    {
        // Language is a public member: only a code of the program's own
        // languages becomes part of a file name.
        if (!IsLanguageCode(Language))
            return false;
        return loadPicture(picture, GetLanguageFilePath() + Language + QStringLiteral("_") + name
                                        + extension);
    }
    // The same for a language-independent picture: "<prefix>_<name><extension>".
    template<class Picture>
    bool LoadCommonPicture(Picture &picture, const QString &name, const QString &extension) const
    {
        return loadPicture(picture, GetLanguageFilePath() + QStringLiteral("_") + name + extension);
    }

    // The keyed-text lines of the last successful load (for inspection).
    const QStringList &KeyedTexts() const { return FKeyedTexts; }
    // Puts the loaded language's component lines onto a window created after
    // the language file was loaded (a window docked on first use).
    void ApplyLateWindowTexts(const QString &windowName);

    // Loads the picture file of that full name (a program picture such as
    // "<prefix>data.reg"). Only a regular file of a picture's size is read,
    // without waiting on a pipe; the decoder is chosen by the content. False
    // when the file is missing, no regular file, too large or cannot be
    // decoded.
    template<class Picture>
    bool LoadPictureFile(Picture &picture, const QString &fileName) const
    {
        const QByteArray bytes = pictureFileBytes(fileName);
        if (bytes.isEmpty())
            return false;
        try {
            return picture.loadFromData(bytes);
        } catch (...) {
            return false;
        }
    }
    // Largest picture file read.
    static constexpr qint64 MaxPictureFileSize = 32 << 20;

private:
    template<class Picture>
    bool loadPicture(Picture &picture, const QString &fileName) const
    {
        return LoadPictureFile(picture, fileName);
    }
    // The whole picture file, or nothing (see LoadPictureFile).
    static QByteArray pictureFileBytes(const QString &fileName);
    void message(const QString &text) const;
    void rebuildIndex();
    void switchToolkitTranslation(const QString &code);

    QStringList FKeyedTexts;
    QStringList FHintDetails;
    // Component lines of the window sections whose window did not exist when
    // the file was loaded, by window name.
    QHash<QString, QStringList> FLateWindowLines;
    void applyComponentLine(QObject *window, const QString &line);
    QHash<QString, qsizetype> FKeyIndex;    // lower-case key -> first line
    QHash<QString, qsizetype> FDetailIndex; // component name -> first line
    std::unique_ptr<TLMWindowTexts> FWindowTexts;
    QString FProgramFolder;
    std::unique_ptr<QTranslator> FToolkitTranslation;
    QString FToolkitFile;
};

extern TLM *LM;

// The locale every number shown on screen is written in: that of the
// language shown (LM's Language), whatever the user's own locale. Files keep
// the user's locale or their format's separator. Without a language manager,
// the user's locale.
QLocale ShownLocale();
