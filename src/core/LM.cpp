#include "core/LM.h"

#include "core/FileRead.h"

#include "core/CodePage.h"

#include "core/Scramble.h"
#include "core/VersionInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSet>
#include <QTranslator>
#include <QtDebug>

#include <algorithm>

TLM *LM = nullptr;

namespace {

// A language file larger than this is no language file (one is about 100 kB).
constexpr qint64 MaxLanguageFileSize = 8 << 20;
struct LanguageRow {
    const char *code;
    quint8 charset;
    const char *locale; // the language's name in the toolkit's translation files
};

constexpr LanguageRow Languages[TLM::LanguageCount] = {
    {"PL", 238, "pl"}, {"EN", 0, "en"},   {"RU", 204, "ru"}, {"LT", 186, "lt"}, {"CZ", 238, "cs"},
    {"DE", 0, "de"},   {"IT", 0, "it"},   {"TR", 162, "tr"}, {"HR", 0, "hr"},   {"FR", 0, "fr"},
    {"TR_Veluto", 162, "tr"}, {"NL", 0, "nl"}, {"ES", 0, "es"}, {"PT", 0, "pt"}, {"ES_Pravik", 0, "es"},
    {"TH", 222, "th"}, {"BG", 204, "bg"}, {"GR", 161, "el"},
};

const LanguageRow *languageRow(const QString &code)
{
    for (const LanguageRow &row : Languages)
        if (code == QLatin1String(row.code))
            return &row;
    return nullptr;
}

// Section headers and the window each selects.
struct SectionRow {
    const char *header;
    const char *window;
};

constexpr SectionRow Sections[] = {
    {"[FormMain]", "FormMain"},
    {"[FormMultiOBD]", "FormMain"},
    {"[FrmConfigLevelSensor]", "FrmConfigLevelSensor"},
    {"[FrmHaslo]", "FrmHaslo"},
    {"[FormAbout]", "FormAbout"},
    {"[FrmFirmInfo]", "FrmFirmInfo"},
    {"[FormInjTest]", "FormInjTest"},
    {"[FormUpgrader]", "FormUpgrader"},
    {"[FormWorkingPressure]", "FormWorkingPressure"},
    {"[FormConnectStatus]", "FormConnectStatus"},
    {"[FrmMultiConfigurationTaronQV]", "FrmMultiConfigurationTaronQV"},
    {"[FrmMultiCalibrationTaronQV]", "FrmMultiCalibrationTaronQV"},
    {"[FormAutocalibrationInit]", "FormAutocalibrationInit"},
};

QString windowOfSection(const QString &header)
{
    for (const SectionRow &row : Sections)
        if (header == QLatin1String(row.header))
            return QString::fromLatin1(row.window);
    return QString();
}

}

QStringList TLM::SplitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start);
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

namespace {

QString namePart(const QString &line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? line : line.left(eq);
}

QString valuePart(const QString &line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

}

TLM::TLM(QObject *parent) : QObject(parent), Language(QStringLiteral("PL"))
{
    setObjectName(QStringLiteral("LM"));
    VerInfo = new TVersionInfo(this);
    VerInfo->setObjectName(QStringLiteral("VerInfo"));
    LoadVersionInfo();
    VerInfo->SetLangId_CP(QLatin1String(TVersionInfo::ProgramTranslation));
}

TLM::~TLM()
{
    if (LM == this)
        LM = nullptr;
}

void TLM::SetWindowTexts(std::unique_ptr<TLMWindowTexts> windowTexts)
{
    FWindowTexts = std::move(windowTexts);
}

QString TLM::ProgramFolder() const
{
    if (!FProgramFolder.isEmpty())
        return FProgramFolder;
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

void TLM::LoadVersionInfo()
{
    if (!VerInfo->ExeName().isEmpty())
        return;
    if (!QCoreApplication::instance())
        return;
    VerInfo->SetExeName(QCoreApplication::applicationFilePath());
    VerInfo->ReadVersionInfo();
}

QString TLM::Translate(const QString &key) const
{
    const auto it = FKeyIndex.constFind(key.toLower());
    if (it != FKeyIndex.constEnd()) {
        const QString text = valuePart(FKeyedTexts.at(*it));
        if (!text.isEmpty())
            return text;
    }
    return QStringLiteral("!_") + key;
}

int TLM::PluralForm(const QString &code, qint64 n)
{
    const qint64 a = n < 0 ? -n : n;
    if (code == QLatin1String("PL")) {
        if (a == 1)
            return 0;
        const qint64 ones = a % 10, tens = a % 100;
        return ones >= 2 && ones <= 4 && (tens < 12 || tens > 14) ? 1 : 2;
    }
    return a == 1 ? 0 : 1;
}

QString TLM::TranslatePlural(const QString &key, qint64 n) const
{
    const QString text = Translate(key);
    const QStringList forms = text.split(u'|');
    return forms.at(std::min<qsizetype>(PluralForm(Language, n), forms.size() - 1));
}

QString TLM::GetHintDetail(const QString &componentName) const
{
    const auto it = FDetailIndex.constFind(componentName.toLower());
    return it == FDetailIndex.constEnd() ? QString() : valuePart(FHintDetails.at(*it));
}

void TLM::rebuildIndex()
{
    // QHash::insert replaces: walk backwards so the first line wins. Only
    // lines with "=" have a key.
    FKeyIndex.clear();
    for (qsizetype i = FKeyedTexts.size() - 1; i >= 0; --i)
        if (FKeyedTexts.at(i).contains(u'='))
            FKeyIndex.insert(namePart(FKeyedTexts.at(i)).toLower(), i);
    FDetailIndex.clear();
    for (qsizetype i = FHintDetails.size() - 1; i >= 0; --i)
        FDetailIndex.insert(namePart(FHintDetails.at(i)).toLower(), i);
}

QString TLM::FileEndLine(qsizetype linesBefore)
{
    return QStringLiteral("FileEnd=%1").arg(linesBefore);
}

bool TLM::EndsWithFileEnd(const QStringList &lines)
{
    if (lines.isEmpty() || lines.last() != FileEndLine(lines.size() - 1))
        return false;
    // Only the last line is an end line: a cut after another could not be
    // told from a whole file.
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        if (lines.at(i).startsWith(QLatin1String("FileEnd=")))
            return false;
    return true;
}

void TLM::message(const QString &text) const
{
    if (MessageHook)
        MessageHook(text);
    else
        qWarning().noquote() << text;
}

QString TLM::GetLanguageFilePath() const
{
    return QDir(ProgramFolder()).filePath(QStringLiteral("Resource")) + QStringLiteral("/_");
}

QByteArray TLM::pictureFileBytes(const QString &fileName)
{
    const TFileRead read = ReadRegularFile(fileName, MaxPictureFileSize);
    return read.Ok() ? read.Bytes : QByteArray();
}

bool TLM::LoadLanguageFile(const QString &code)
{
    const QString fileName = GetLanguageFilePath() + code + QStringLiteral(".lng");
    // A code from a file or the settings reaches neither the catalogs nor the
    // file system unless it is one of the program's languages.
    if (!IsLanguageCode(code)) {
        message(QStringLiteral("File not found:\r\n") + fileName);
        return false;
    }
    if (CatalogLanguageHook)
        CatalogLanguageHook(code);

    // Only a regular file of a language file's size is read; a file that is
    // there but cannot be read is refused with its reason.
    const TFileRead read = ReadRegularFile(fileName, MaxLanguageFileSize);
    if (read.Result == TFileRead::Status::NotFound) {
        message(QStringLiteral("File not found:\r\n") + fileName);
        return false;
    }
    if (!read.Ok()) {
        message(read.Describe(fileName, MaxLanguageFileSize));
        return false;
    }
    QByteArray data = read.Bytes;
    ScrambleStream(data);

    const quint8 charset = GetCharsetOfLanguage(code);
    const QString text = DecodeText(data, charset);
    const QStringList lines = SplitLines(text);
    const QString shortName = QFileInfo(fileName).fileName();
    if (lines.isEmpty() || lines.first().indexOf(u'=') < 0
        || namePart(lines.first()) != QLatin1String("FileVersion")) {
        message(QStringLiteral("Incorrect file structure: ") + shortName);
        return false;
    }
    // Every line of a whole file ends with its line end, the last one too:
    // a file cut short would leave every text after the cut untranslated.
    const QString cutShort = QStringLiteral("Incorrect file structure: ") + shortName
                             + QStringLiteral("\r\n\r\n(the file is damaged: it is cut short)");
    if (!text.endsWith(u'\n') && !text.endsWith(u'\r')) {
        message(cutShort);
        return false;
    }
    const QString expected = VerInfo->FileVersion();
    const QString found = valuePart(lines.first());
    if (found != expected) {
        message(QStringLiteral("Incorrect file version: ") + shortName + QStringLiteral("\r\n\r\n")
                + QStringLiteral("(expected: ") + expected + QStringLiteral(", but found: ") + found
                + QStringLiteral(")"));
        return false;
    }
    // A file of this version ends with its end line: one cut at a line end
    // would leave every text after the cut untranslated.
    if (!EndsWithFileEnd(lines)) {
        message(cutShort);
        return false;
    }

    // The toolkit's dialogs speak the language from now on; its windows
    // retranslate themselves before the file's texts go onto the program's.
    switchToolkitTranslation(code);
    FKeyedTexts.clear();
    FHintDetails.clear();
    FLateWindowLines.clear();
    QObject *window = nullptr;
    QString lateWindow;
    QSet<QString> lateNames;
    bool captionIndexBuilt = false;
    QHash<QString, qsizetype> captionLine; // lower-case name -> first line
    // The end line carries no text.
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString header = close < 0 ? QString() : line.left(close + 1);
            window = nullptr;
            const QString windowName = header.isEmpty() ? QString() : windowOfSection(header);
            if (!windowName.isEmpty() && FWindowTexts)
                window = FWindowTexts->FindWindow(windowName);
            if (window) {
                // The caption is on the first line named like the header;
                // the lines are indexed by name once, so that a file with
                // many headers loads in linear time.
                if (!captionIndexBuilt) {
                    captionIndexBuilt = true;
                    // Only lines with "=" have a name part; walking backwards
                    // lets the first line of a name win.
                    for (qsizetype j = lines.size() - 1; j >= 0; --j) {
                        const QString &l = lines.at(j);
                        if (l.startsWith(u'[') && l.contains(u'='))
                            captionLine.insert(namePart(l).toLower(), j);
                    }
                }
                const auto found = captionLine.constFind(header.toLower());
                if (found != captionLine.constEnd()) {
                    const QString caption = valuePart(lines.at(*found));
                    if (!caption.isEmpty())
                        FWindowTexts->SetWindowCaption(window, caption);
                }
            }
            lateWindow = window ? QString() : windowName;
        } else if (window) {
            applyComponentLine(window, line);
        } else {
            // A missing window's list lines (a name repeated for each item)
            // count once among the keyed texts: the first line wins anyway.
            if (lateWindow.isEmpty() || !lateNames.contains(namePart(line)))
                FKeyedTexts << line;
            if (!lateWindow.isEmpty()) {
                FLateWindowLines[lateWindow] << line;
                lateNames.insert(namePart(line));
            }
        }
    }
    rebuildIndex();
    Language = code;
    return true;
}

void TLM::applyComponentLine(QObject *window, const QString &line)
{
    const QString name = namePart(line);
    if (name.isEmpty() || line.indexOf(u'=') < 0)
        return;
    QString value = valuePart(line);
    if (value.startsWith(u'|')) {
        QString hint = value.mid(1);
        const qsizetype sep = hint.indexOf(QStringLiteral("||"));
        if (sep >= 0) {
            QString detail = hint.mid(sep + 2);
            detail.replace(QStringLiteral("||"), QStringLiteral("\r\n"));
            hint = hint.left(sep);
            FHintDetails << name + QStringLiteral("=") + detail;
        }
        FWindowTexts->ApplyComponentLine(window, name, true, hint);
    } else {
        FWindowTexts->ApplyComponentLine(window, name, false, value);
    }
}

void TLM::ApplyLateWindowTexts(const QString &windowName)
{
    QObject *window = FWindowTexts ? FWindowTexts->FindWindow(windowName) : nullptr;
    const auto it = FLateWindowLines.constFind(windowName);
    if (!window || it == FLateWindowLines.constEnd())
        return;
    const QStringList lines = *it;
    for (const QString &line : lines)
        applyComponentLine(window, line);
    rebuildIndex();
}

void TLM::SetDefaultLanguage()
{
    if (!LoadLanguageFile(Language)) {
        LoadLanguageFile(QStringLiteral("PL"));
        Language = QStringLiteral("PL");
    }
}

quint8 TLM::GetCharsetOfLanguage(const QString &code)
{
    const LanguageRow *row = languageRow(code);
    return row ? row->charset : 0;
}

void TLM::GetLanguageCode(int index, QString &code)
{
    if (index >= 0 && index < LanguageCount)
        code = QString::fromLatin1(Languages[index].code);
}

bool TLM::IsLanguageCode(const QString &code)
{
    return languageRow(code) != nullptr;
}

QLocale TLM::NumberLocale(const QString &code)
{
    const LanguageRow *row = languageRow(code);
    QLocale locale(row ? QString::fromLatin1(row->locale) : code.section(u'_', 0, 0).toLower());
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QLocale ShownLocale()
{
    if (LM)
        return TLM::NumberLocale(LM->Language);
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QString TLM::ToolkitTranslationFile(const QString &code)
{
    const LanguageRow *row = languageRow(code);
    if (!row)
        return QString();
    const QString file = QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath))
                             .filePath(QStringLiteral("qtbase_%1.qm").arg(QLatin1String(row->locale)));
    return QFileInfo(file).isFile() ? file : QString();
}

void TLM::switchToolkitTranslation(const QString &code)
{
    const QString file = ToolkitTranslationFile(code);
    if (file == FToolkitFile || !QCoreApplication::instance())
        return;
    // The new translation goes in before the old one, destroyed, leaves the
    // application; the toolkit's windows retranslate themselves on each change.
    std::unique_ptr<QTranslator> translation;
    if (!file.isEmpty()) {
        translation = std::make_unique<QTranslator>();
        if (!translation->load(file) || !QCoreApplication::installTranslator(translation.get()))
            translation.reset();
    }
    FToolkitTranslation = std::move(translation);
    FToolkitFile = FToolkitTranslation ? file : QString();
}

QByteArray TLM::CodePageOfCharset(quint8 charset)
{
    switch (charset) {
    case 238: return "windows-1250"; // central European
    case 204: return "windows-1251"; // Cyrillic
    case 161: return "windows-1253"; // Greek
    case 162: return "windows-1254"; // Turkish
    case 186: return "windows-1257"; // Baltic
    case 222: return "windows-874";  // Thai
    default: return "windows-1252";  // western
    }
}

QString TLM::DecodeText(const QByteArray &bytes, quint8 charset)
{
    return DecodeCodePage(bytes, CodePageOfCharset(charset));
}

QByteArray TLM::EncodeText(const QString &text, quint8 charset)
{
    return EncodeCodePage(text, CodePageOfCharset(charset));
}
