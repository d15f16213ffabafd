#include "core/IniFile.h"

#include "core/FileRead.h"

#include "core/CodePage.h"
#include "core/LM.h"
#include "core/NumberText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>


QString TIniFile::DecodeText(const QByteArray &bytes, const QByteArray &codePage)
{
    return DecodeCodePage(bytes, codePage);
}

QByteArray TIniFile::EncodeText(const QString &text, const QByteArray &codePage)
{
    return EncodeCodePage(text, codePage);
}

QByteArray TIniFile::LanguageCodePage()
{
    return LM ? TLM::CodePageOfCharset(TLM::GetCharsetOfLanguage(LM->Language)) : QByteArrayLiteral("windows-1250");
}

TIniFile::TIniFile(const QString &fileName, const QByteArray &codePage)
    : FFileName(fileName), FCodePage(codePage.isEmpty() ? LanguageCodePage() : codePage)
{
}

void TIniFile::Clear()
{
    FSections.clear();
    FUnendedLine = 0;
}

TIniFile::Status TIniFile::Load()
{
    Clear();
    FError.clear();
    // Only a regular file of sensible size is read: a FIFO or a device chosen
    // by mistake neither blocks nor fills the memory.
    const TFileRead read = ReadRegularFile(FFileName, MaxFileSize);
    if (read.Result == TFileRead::Status::NotFound) {
        FError = read.Describe(FFileName, MaxFileSize);
        return Status::NotFound;
    }
    if (!read.Ok()) {
        FError = read.Describe(FFileName, MaxFileSize);
        return Status::ReadError;
    }
    if (read.Bytes.contains('\0')) {
        FError = TFileRead::DescribeNotText(FFileName);
        return Status::Damaged;
    }
    LoadFromBytes(read.Bytes);
    return Status::Ok;
}

void TIniFile::LoadFromBytes(const QByteArray &bytes)
{
    Clear();
    // Lines are split on the bytes: CR and LF are the same byte in every code
    // page the files use, and each line keeps its own bytes for the save.
    qsizetype bom = 0;
    while (bytes.mid(bom, 3) == "\xEF\xBB\xBF")
        bom += 3;
    std::vector<QByteArray> lines;
    qsizetype start = bom;
    for (qsizetype i = bom; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == '\r' || c == '\n') {
            lines.push_back(bytes.mid(start, i - start));
            if (c == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
                ++i;
            start = i + 1;
        }
    }
    FUnendedLine = 0;
    if (start < bytes.size()) {
        lines.push_back(bytes.mid(start));
        FUnendedLine = qsizetype(lines.size());
    }

    Section *current = nullptr;
    for (const QByteArray &rawBytes : lines) {
        const QString raw = DecodeText(rawBytes, FCodePage);
        const QString trimmed = raw.trimmed();
        const qsizetype close = trimmed.indexOf(u']');
        if (trimmed.startsWith(u'[') && close > 0) {
            Section s;
            s.name = trimmed.mid(1, close - 1).trimmed();
            s.rawHeader = rawBytes;
            FSections.push_back(std::move(s));
            current = &FSections.back();
            continue;
        }
        if (!current) {
            Section s;
            s.preamble = true;
            FSections.push_back(std::move(s));
            current = &FSections.back();
        }
        Line line;
        line.raw = rawBytes;
        const qsizetype eq = raw.indexOf(u'=');
        if (eq > 0 && !trimmed.startsWith(u';') && !trimmed.startsWith(u'#')) {
            line.key = raw.left(eq).trimmed();
            line.value = raw.mid(eq + 1).trimmed();
            line.isKey = !line.key.isEmpty();
        }
        current->lines.push_back(std::move(line));
    }
}

QByteArray TIniFile::ToBytes() const
{
    // Lines written here are encoded a run at a time, one conversion for all
    // the lines between two lines kept as read (CR LF are the same bytes in
    // every code page): a file of many written lines costs in proportion to
    // its bytes, not a conversion per line.
    QByteArray out;
    QString written;
    const auto encodeWritten = [&] {
        if (!written.isEmpty()) {
            out += EncodeText(written, FCodePage);
            written.clear();
        }
    };
    const auto keep = [&](const QByteArray &raw) {
        encodeWritten();
        out += raw;
        out += "\r\n";
    };
    for (const Section &s : FSections) {
        if (!s.preamble && s.rawHeader.isEmpty())
            written += u'[' + s.name + u']' + QLatin1String("\r\n");
        else if (!s.preamble)
            keep(s.rawHeader);
        for (const Line &l : s.lines) {
            if (l.changed)
                written += l.key + u'=' + l.value + QLatin1String("\r\n");
            else
                keep(l.raw);
        }
    }
    encodeWritten();
    return out;
}

bool TIniFile::IsReadOnly(const QString &fileName)
{
    const QFileInfo info(fileName);
    return info.exists() && (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner));
}

TIniFile::Status TIniFile::Save()
{
    FError.clear();
    FSystemError.clear();
    if (IsReadOnly(FFileName)) {
        FSystemError = QStringLiteral("read only");
        FError = QStringLiteral("%1 is read only").arg(FFileName);
        return Status::ReadOnly;
    }
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly)) {
        FSystemError = file.errorString();
        FError = QStringLiteral("Cannot write %1: %2").arg(FFileName, FSystemError);
        return Status::WriteError;
    }
    const QByteArray bytes = ToBytes();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        FSystemError = file.errorString();
        FError = QStringLiteral("Cannot write %1: %2").arg(FFileName, FSystemError);
        file.cancelWriting();
        return Status::WriteError;
    }
    return Status::Ok;
}

const TIniFile::Section *TIniFile::FindSection(const QString &name) const
{
    for (const Section &s : FSections)
        if (!s.preamble && s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

TIniFile::Section *TIniFile::FindSection(const QString &name)
{
    return const_cast<Section *>(std::as_const(*this).FindSection(name));
}

TIniFile::Section &TIniFile::EnsureSection(const QString &name)
{
    if (Section *s = FindSection(name))
        return *s;
    Section s;
    s.name = name.trimmed();
    FSections.push_back(std::move(s));
    return FSections.back();
}

const TIniFile::Line *TIniFile::FindKey(const QString &section, const QString &key) const
{
    const Section *s = FindSection(section);
    if (!s)
        return nullptr;
    const QString k = key.trimmed();
    const qsizetype i = KeyLine(*s, k, KeyHash(k));
    return i < 0 ? nullptr : &s->lines[size_t(i)];
}

quint64 TIniFile::KeyHash(QStringView key)
{
    // FNV-1a over the case-folded code points.
    quint64 hash = 14695981039346656037ULL;
    for (const QChar *p = key.data(), *end = p + key.size(); p != end; ++p) {
        char32_t c = p->unicode();
        if (p->isHighSurrogate() && p + 1 != end && p[1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(p[0], p[1]);
            ++p;
        }
        hash ^= QChar::toCaseFolded(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

qsizetype TIniFile::KeyLine(const Section &s, const QString &key, quint64 hash)
{
    if (!s.indexed) {
        s.index.clear();
        s.index.reserve(qsizetype(s.lines.size()));
        for (size_t i = 0; i < s.lines.size(); ++i)
            if (s.lines[i].isKey)
                if (const quint64 h = KeyHash(s.lines[i].key); !s.index.contains(h))
                    s.index.insert(h, i); // the first line of a key wins
        s.indexed = true;
    }
    const auto it = s.index.constFind(hash);
    if (it == s.index.cend())
        return -1;
    if (s.lines[it.value()].key.compare(key, Qt::CaseInsensitive) == 0)
        return qsizetype(it.value());
    // Another key of the same hash holds the entry.
    for (size_t i = 0; i < s.lines.size(); ++i)
        if (s.lines[i].isKey && s.lines[i].key.compare(key, Qt::CaseInsensitive) == 0)
            return qsizetype(i);
    return -1;
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    for (const Section &s : FSections)
        if (!s.preamble)
            names << s.name;
    return names;
}

QStringList TIniFile::ReadSection(const QString &section) const
{
    QStringList keys;
    if (const Section *s = FindSection(section))
        for (const Line &l : s->lines)
            if (l.isKey)
                keys << l.key;
    return keys;
}

bool TIniFile::SectionExists(const QString &section) const
{
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(const QString &section, const QString &key) const
{
    return FindKey(section, key) != nullptr;
}

void TIniFile::EraseSection(const QString &section)
{
    // Every section of that name goes, so that a duplicate cannot reappear.
    std::erase_if(FSections, [&](const Section &s) {
        return !s.preamble && s.name.compare(section, Qt::CaseInsensitive) == 0;
    });
}

void TIniFile::DeleteKey(const QString &section, const QString &key)
{
    Section *s = FindSection(section);
    if (!s)
        return;
    const QString k = key.trimmed();
    std::erase_if(s->lines, [&](const Line &l) {
        return l.isKey && l.key.compare(k, Qt::CaseInsensitive) == 0;
    });
    s->indexed = false;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    const Line *l = FindKey(section, key);
    return l ? l->value : def;
}

QByteArray TIniFile::ReadBytes(const QString &section, const QString &key) const
{
    const Line *l = FindKey(section, key);
    if (!l)
        return QByteArray();
    if (l->changed || l->raw.isEmpty())
        return EncodeText(l->value, FCodePage);
    // The code pages are single-byte: the key ends at the first "=" byte.
    const QByteArray value = l->raw.mid(l->raw.indexOf('=') + 1).trimmed();
    return value.isNull() ? QByteArray("") : value;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    Section &s = EnsureSection(section);
    const QString k = key.trimmed();
    // A value is one line: line breaks inside it would split the entry. A
    // NUL (pasted into an edit) would make the file unreadable: dropped.
    QString v = value;
    v.replace(u'\r', u' ').replace(u'\n', u' ').remove(QChar(u'\0'));
    v = v.trimmed();
    const quint64 hash = KeyHash(k);
    if (const qsizetype i = KeyLine(s, k, hash); i >= 0) {
        Line &l = s.lines[size_t(i)];
        if (l.value != v) {
            l.value = v;
            l.changed = true;
        }
        return;
    }
    Line line;
    line.key = k;
    line.value = v;
    line.isKey = true;
    line.changed = true;
    // New keys go after the last key of the section, before trailing blank
    // lines, so that the blank line between sections stays between them.
    auto pos = s.lines.end();
    while (pos != s.lines.begin() && !std::prev(pos)->isKey && std::prev(pos)->raw.trimmed().isEmpty())
        --pos;
    const bool atEnd = pos == s.lines.end();
    const size_t at = size_t(pos - s.lines.begin());
    s.lines.insert(pos, std::move(line));
    // A key added at the end keeps the index; one before blank lines shifts
    // them, and the index is built again when next needed.
    if (!atEnd)
        s.indexed = false;
    else if (s.indexed && !s.index.contains(hash))
        s.index.insert(hash, at);
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int def) const
{
    bool ok = false;
    const int v = ReadString(section, key).toInt(&ok, 10);
    return ok ? v : def;
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

double TIniFile::ReadFloat(const QString &section, const QString &key, double def) const
{
    double v = 0;
    return NumberText::ParseFileNumber(ReadString(section, key), v) ? v : def;
}

void TIniFile::WriteFloat(const QString &section, const QString &key, double value)
{
    WriteString(section, key, QString::number(value, 'g', 15));
}
