// The message lines of the OBD trouble-code page: what the box reports of its
// trouble-code and freeze-frame jobs, kept as codes with an argument so that
// they can be rendered again in another language.
#pragma once

#include <QString>

#include <vector>

struct TOBDMessageLine {
    int Code = 0;
    QString Argument;
};

class TOBDMessageLinesList
{
public:
    // kind 0: trouble-code messages, kind 1: freeze-frame messages.
    explicit TOBDMessageLinesList(int kind) : FKind(kind) {}

    int Kind() const { return FKind; }
    int Count() const { return int(FLines.size()); }
    const TOBDMessageLine &Item(int i) const { return FLines.at(std::size_t(i)); }
    int Add(int code, const QString &argument);
    // The line's text in the current language; empty outside the list.
    QString Text(int i) const;
    void RemoveCode(int code);
    void Clear() { FLines.clear(); }

private:
    int FKind;
    std::vector<TOBDMessageLine> FLines;
};

// The current language's text of an English text of the OBD pages.
QString ObdUiText(const char *english);

// The texts of trouble-code messages 0..14 and freeze-frame messages 0..10;
// the argument follows the first text.
QString DescribeTroubleCodesState(int code, const QString &argument);
QString DescribeFreezeFrameState(int code, const QString &argument);
// The code in the usual notation: P, C, B or U by the top two bits of the
// first byte, then four hexadecimal digits.
QString FormatTroubleCode(quint8 first, quint8 second);
