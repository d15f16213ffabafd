// INI files as the program and the workshops exchange them: the program
// settings, settings files (*.ddf), installation cards (*.dkm) and adapter
// files.
//
// Section and key names are compared without regard to case; the order of
// sections, keys and untouched lines (comments, foreign lines) is kept as read.
// Text is 8-bit in a given code page (unless told otherwise, that of the
// language in use when the object is made, windows-1250 without one); a
// line the program did not change is written back with the bytes it was read
// with, so that text the code page cannot map survives a save. Leading UTF-8
// byte-order marks (some editors add one, some add one more on each save) are
// skipped and never written.
// Lines end in CR LF when written; CR LF, CR or LF are accepted when read.
// Saving writes a temporary file beside the target and renames it over the old
// one, so a crash in the middle of a write never leaves a half-written file.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

class TIniFile {
public:
    enum class Status {
        Ok,
        NotFound,   // Load: the file does not exist (the contents are empty)
        ReadError,  // Load: the file exists but cannot be read, is no regular
                    // file or is larger than MaxFileSize
        Damaged,    // Load: the file holds bytes that no text file holds (NUL)
        ReadOnly,   // Save: the file exists and is write-protected
        WriteError, // Save: the file or its temporary copy cannot be written
    };

    // Largest file Load reads (a kind-48 settings file has about 10 kB).
    static constexpr qint64 MaxFileSize = 1 << 20;

    // An empty code page: LanguageCodePage().
    explicit TIniFile(const QString &fileName = QString(), const QByteArray &codePage = QByteArray());
    // The Windows code page of the language in use (windows-1252 under
    // English), windows-1250 without a language manager.
    static QByteArray LanguageCodePage();

    QString FileName() const { return FFileName; }
    void SetFileName(const QString &fileName) { FFileName = fileName; }
    QByteArray CodePage() const { return FCodePage; }
    void SetCodePage(const QByteArray &codePage) { FCodePage = codePage; }

    // Reads the file, replacing the contents. On any result but Ok the
    // contents are empty; ErrorString() says what went wrong.
    Status Load();
    // Writes the contents to the file (temporary file, then rename).
    Status Save();
    QString ErrorString() const { return FError; }
    // The system's reason of the last failed Save, without the file name.
    QString SystemError() const { return FSystemError; }

    // The contents from and to bytes in the file's code page.
    void LoadFromBytes(const QByteArray &bytes);
    // The number (from 1) of the last line read when it had no line end, as
    // in a file cut short; 0 when every line ended. Every line this class
    // writes ends, so readers of files it wrote refuse such a file.
    qsizetype UnendedLine() const { return FUnendedLine; }
    QByteArray ToBytes() const;

    void Clear();

    QStringList ReadSections() const;
    // Keys of a section in file order (empty when the section is missing).
    QStringList ReadSection(const QString &section) const;
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &key);

    QString ReadString(const QString &section, const QString &key, const QString &def = QString()) const;
    // The value's bytes as the file holds them (blanks around it removed),
    // before any code page; a value written since the load in the file's
    // code page. Null when the key is missing.
    QByteArray ReadBytes(const QString &section, const QString &key) const;
    void WriteString(const QString &section, const QString &key, const QString &value);

    // Decimal integer; an empty or invalid value gives the default.
    int ReadInteger(const QString &section, const QString &key, int def = 0) const;
    void WriteInteger(const QString &section, const QString &key, int value);

    // "0" is false, any other integer true; a value that is no integer gives
    // the default. Written as "1" or "0".
    bool ReadBool(const QString &section, const QString &key, bool def = false) const;
    void WriteBool(const QString &section, const QString &key, bool value);

    // Accepts "." and "," as decimal separator; written with ".".
    double ReadFloat(const QString &section, const QString &key, double def = 0.0) const;
    void WriteFloat(const QString &section, const QString &key, double value);

    // True when the file exists and is write-protected (no write permission
    // for its owner, or none for this process).
    static bool IsReadOnly(const QString &fileName);

    // 8-bit text in a code page to and from Unicode. Bytes the code page does
    // not define decode to U+FFFD; characters it cannot hold encode to '?'.
    static QString DecodeText(const QByteArray &bytes, const QByteArray &codePage);
    static QByteArray EncodeText(const QString &text, const QByteArray &codePage);

private:
    struct Line {
        QString key;   // empty for lines that hold no key (comments, blanks)
        QString value;
        QByteArray raw; // the line's bytes as read; written back while unchanged
        bool isKey = false;
        bool changed = false;
    };
    struct Section {
        QString name;
        QByteArray rawHeader;  // the header line's bytes as read; empty for new sections
        bool preamble = false; // the lines before the first header
        std::vector<Line> lines;
        // Hash of the case-folded key -> the first line of a key of that
        // hash, built on the first look-up after the lines changed (a kind-48
        // file has hundreds of keys, a card's memo up to tens of thousands).
        // Keys whose hashes collide are found by a search of the lines.
        mutable QHash<quint64, size_t> index;
        mutable bool indexed = false;
    };
    // Hash of the key as compared (case-folded), made without a folded copy.
    static quint64 KeyHash(QStringView key);
    // The first line of the key (trimmed) in the section, or -1; hash is
    // KeyHash(key).
    static qsizetype KeyLine(const Section &s, const QString &key, quint64 hash);

    const Section *FindSection(const QString &name) const;
    Section *FindSection(const QString &name);
    Section &EnsureSection(const QString &name);
    const Line *FindKey(const QString &section, const QString &key) const;

    QString FFileName;
    QByteArray FCodePage;
    QString FError;
    QString FSystemError;
    std::vector<Section> FSections;
    qsizetype FUnendedLine = 0;
};
