#include "windows/InstallationCard.h"

#include "core/IniFile.h"
#include "windows/NamedWidget.h"

#include <algorithm>

namespace {
const QString Section = QStringLiteral("Page");
const QString DateKey = QStringLiteral("DtPData.Date");
const QString LineCountKey = QStringLiteral("MemIle");
// Most memo lines a card file can hold: line n takes at least its key
// "MemStr<n>=" and a line end, in a file of at most the size the reader takes.
constexpr qint64 MemoLinesWithin(qint64 size)
{
    const qint64 fixed = qint64(sizeof("MemStr=\r\n") - 1);
    qint64 lines = 0;
    for (qint64 width = 1, end = 10;; ++width, end *= 10) {
        // Lines up to end - 1 have keys of width digits.
        const qint64 each = fixed + width, block = (end - lines) * each;
        if (block > size)
            return lines + size / each;
        size -= block;
        lines = end;
    }
}
constexpr qint64 MaxMemoLines = MemoLinesWithin(TIniFile::MaxFileSize);

QString lineKey(int line)
{
    return QStringLiteral("MemStr%1").arg(line);
}

// The language's text of key, the English one without a language file.
QString text(const char *key, const char *english)
{
    const QString t = TranslateKey(QString::fromLatin1(key));
    return t.startsWith(QLatin1String("!_")) ? QString::fromUtf8(english) : t;
}

// "<text> (<file>)" style message: what is wrong, then the file.
QString fileMessage(const QString &key, const QString &fileName, const QString &detail)
{
    QString text = TranslateKey(key);
    if (text.startsWith(QLatin1String("!_")))
        text = key;
    return text + QStringLiteral("\r\n") + fileName + (detail.isEmpty() ? QString() : QStringLiteral("\r\n") + detail);
}
} // namespace

const std::array<const char *, TInstallationCard::EditCount> TInstallationCard::EditNames = {
    "EdtAdres",      "EdtA",          "EdtB",        "EdtCisnienieNom", "EdtC",           "EdtCylindry",
    "EdtD",          "EdtDysze",      "EdtEmail",    "EdtFiltrFC",      "EdtFiltrFL",     "EdtPoziom",
    "EdtKodSilnika", "EdtKodVIN",     "EdtModel",    "EdtMarka",        "EdtMoc",         "EdtMULT",
    "EdtNazwaFirmy", "EdtOFFSET",     "EdtPojemnosc", "EdtPrzebieg",    "EdtRPM",         "EdtTemp",
    "EdtBenzyna1",   "EdtBenzyna2",   "EdtReduktor", "EdtRok",          "EdtCzasWtrysku", "EdtTA",
    "EdtTB",         "EdtTC",         "EdtTD",       "EdtTelefon",      "EdtWtryskiwaczeIlosc",
    "EdtWtryskiwacze", "EdtImpulsy",
};

int TInstallationCard::IndexOf(const char *name)
{
    for (int i = 0; i < EditCount; ++i)
        if (qstrcmp(EditNames[size_t(i)], name) == 0)
            return i;
    return -1;
}

QString TInstallationCard::Edit(const char *name) const
{
    const int i = IndexOf(name);
    return i < 0 ? QString() : Edits[size_t(i)];
}

void TInstallationCard::SetEdit(const char *name, const QString &text)
{
    const int i = IndexOf(name);
    if (i >= 0)
        Edits[size_t(i)] = text;
}

QString TInstallationCard::DateText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QDate TInstallationCard::ParseDate(const QString &text)
{
    // Short date formats of the systems that write cards.
    for (const char *format : {"yyyy-MM-dd", "dd.MM.yyyy", "dd-MM-yyyy", "dd/MM/yyyy", "yyyy.MM.dd", "yyyy/MM/dd",
                               "d.M.yyyy", "d-M-yyyy", "d/M/yyyy"}) {
        const QDate date = QDate::fromString(text.trimmed(), QString::fromLatin1(format));
        // The days the card's date field holds (a date edit's range), each
        // written back with a four-digit year.
        if (date.isValid() && date >= QDate(1752, 9, 14) && date.year() <= 9999)
            return date;
    }
    return QDate();
}

void TInstallationCard::Write(TIniFile &ini) const
{
    ini.EraseSection(Section);
    for (int i = 0; i < EditCount; ++i) {
        ini.WriteString(Section, QString::fromLatin1(EditNames[size_t(i)]), Edits[size_t(i)]);
        if (i + 1 == DateAfter)
            ini.WriteString(Section, DateKey, DateText(Date));
    }
    ini.WriteInteger(Section, LineCountKey, int(Memo.size()));
    for (int line = 0; line < Memo.size(); ++line)
        ini.WriteString(Section, lineKey(line), Memo.at(line));
}

bool TInstallationCard::Read(const TIniFile &ini, QString &error)
{
    // Every line the writer writes ends: a last line without its end is a
    // card cut short, whose last value may be cut and whose later fields and
    // memo are lost.
    if (ini.UnendedLine() > 0) {
        error = text("strSetFileCut", "The file is cut short: line %1 has no line end.").arg(ini.UnendedLine());
        return false;
    }
    if (!ini.SectionExists(Section)) {
        error = TranslateKey(QStringLiteral("strCardNoPage"));
        return false;
    }
    TInstallationCard card;
    for (int i = 0; i < EditCount; ++i)
        card.Edits[size_t(i)] = ini.ReadString(Section, QString::fromLatin1(EditNames[size_t(i)]));
    // A date that cannot be read is the default date, as a missing one.
    const QDate date = ParseDate(ini.ReadString(Section, DateKey));
    if (date.isValid())
        card.Date = date;
    // A line count that is no number (or below 0) adds no lines, as a
    // missing one; a line whose key is missing is empty. A count beyond the
    // lines a card file can hold is a damaged file, not a long memo.
    const QString countText = ini.ReadString(Section, LineCountKey).trimmed();
    bool ok = false;
    const int count = std::max(countText.toInt(&ok), 0);
    if (ok && count > MaxMemoLines) {
        error = TranslateKey(QStringLiteral("strCardBadLineCount")) + QStringLiteral(" \"%1\"").arg(countText);
        return false;
    }
    for (int line = 0; line < count; ++line)
        card.Memo << ini.ReadString(Section, lineKey(line));
    *this = card;
    return true;
}

bool TInstallationCard::Save(const QString &fileName, QString &error) const
{
    TIniFile ini(fileName);
    // Other sections of an existing file stay as they are.
    const TIniFile::Status loaded = ini.Load();
    if (loaded != TIniFile::Status::Ok && loaded != TIniFile::Status::NotFound) {
        error = fileMessage(QStringLiteral("strCardNotSaved"), fileName, ini.ErrorString());
        return false;
    }
    Write(ini);
    // A card larger than the reader takes could not be loaded back.
    if (ini.ToBytes().size() > TIniFile::MaxFileSize) {
        error = fileMessage(QStringLiteral("strCardNotSaved"), fileName,
                            text("strCardTooLarge", "The card would be larger than the %1 bytes a card file may "
                                                    "hold: shorten the additional information.")
                                .arg(TIniFile::MaxFileSize));
        return false;
    }
    if (ini.Save() != TIniFile::Status::Ok) {
        error = fileMessage(QStringLiteral("strCardNotSaved"), fileName, ini.ErrorString());
        return false;
    }
    return true;
}

bool TInstallationCard::Load(const QString &fileName, QString &error)
{
    TIniFile ini(fileName);
    if (ini.Load() != TIniFile::Status::Ok) {
        error = fileMessage(QStringLiteral("strCardNotLoaded"), fileName, ini.ErrorString());
        return false;
    }
    QString reason;
    if (!Read(ini, reason)) {
        error = fileMessage(QStringLiteral("strCardNotLoaded"), fileName, reason);
        return false;
    }
    return true;
}
