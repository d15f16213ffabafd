// The installation card's data and its file (*.dkm): an INI file with one
// section "Page" holding the edits' texts by their names, the installation
// date and the additional-information lines.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>

class TIniFile;

struct TInstallationCard {
    // The edits stored in a card, in the order the file holds them; the date
    // key "DtPData.Date" goes between "EdtCylindry" and "EdtD".
    static constexpr int EditCount = 37;
    static const std::array<const char *, EditCount> EditNames;
    static constexpr int DateAfter = 6; // the date follows the first six edits
    // Date of a card that names none.
    static QDate DefaultDate() { return QDate(1996, 1, 1); }

    std::array<QString, EditCount> Edits;
    QDate Date = DefaultDate();
    QStringList Memo;

    // The text of the edit of that name (empty for a name that is not stored).
    QString Edit(const char *name) const;
    void SetEdit(const char *name, const QString &text);
    static int IndexOf(const char *name);

    bool operator==(const TInstallationCard &other) const = default;

    // Writes the card into the section "Page" (replacing what it held).
    void Write(TIniFile &ini) const;
    // Reads a card from the section "Page". A missing key gives an empty text,
    // a missing or unreadable date 1 January 1996, a missing or unreadable
    // line count no lines, a missing memo line an empty one. A file cut short
    // (its last line without a line end), one that holds no card or one whose
    // line count is beyond the lines a card file can hold is refused: false,
    // error says what is wrong, the card unchanged.
    bool Read(const TIniFile &ini, QString &error);

    // The file as a whole; false with a message naming the file and the
    // reason, the card unchanged on a refused load. A card whose file would
    // be larger than the reader takes is not saved (nothing is written).
    bool Save(const QString &fileName, QString &error) const;
    bool Load(const QString &fileName, QString &error);

    // The date as stored and read back.
    static QString DateText(const QDate &date);
    static QDate ParseDate(const QString &text);
};
