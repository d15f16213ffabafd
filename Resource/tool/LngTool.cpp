// Build tool: turns the plain language sources (UTF-8 text) into the stored,
// scrambled files the program reads.
//
//   taron-lngtool language <code> <source.lang> <target.lng>
//       a language file: line 1 becomes "FileVersion=" + the build's file
//       version, a last line "FileEnd=" + the number of lines before it is
//       added (the program refuses a file without it as cut short), the text
//       is written in the code page of the language, CR LF line ends,
//       scrambled.
//   taron-lngtool codes <language> <source.lang> <target.lng>
//       a trouble-code text file for a catalog language ("en_GB", "pl_PL");
//       a source holding control bytes (other than TAB, CR, LF), which the
//       program refuses, is refused.
//   taron-lngtool scramble <source> <target>
//       scrambles (or unscrambles) any file byte for byte.
#include "core/LM.h"
#include "core/Scramble.h"
#include "core/ui/Custom.h"
#include "platform/BuildVersion.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

namespace {
int fail(const QString &text)
{
    std::fprintf(stderr, "taron-lngtool: %s\n", qPrintable(text));
    return 1;
}

bool readFile(const QString &name, QByteArray &data)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    data = f.readAll();
    return true;
}

bool writeFile(const QString &name, const QByteArray &data)
{
    QSaveFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.commit();
}

// Encodes the lines in the code page of charset; refuses characters the
// code page cannot hold, so that no text is silently damaged.
bool encodeLines(const QStringList &lines, quint8 charset, QByteArray &out, QString &error)
{
    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    out = TLM::EncodeText(text, charset);
    if (TLM::DecodeText(out, charset) != text) {
        error = QStringLiteral("text not representable in %1")
                    .arg(QString::fromLatin1(TLM::CodePageOfCharset(charset)));
        return false;
    }
    return true;
}

QStringList sourceLines(const QByteArray &data)
{
    QString text = QString::fromUtf8(data);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList lines = TLM::SplitLines(text);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("scramble")) {
        QByteArray data;
        if (!readFile(args[1], data))
            return fail(QStringLiteral("cannot read ") + args[1]);
        ScrambleStream(data);
        return writeFile(args[2], data) ? 0 : fail(QStringLiteral("cannot write ") + args[2]);
    }
    if (args.size() != 4 || (args[0] != QLatin1String("language") && args[0] != QLatin1String("codes")))
        return fail(QStringLiteral("usage: taron-lngtool language|codes <code> <source> <target>"
                                   " | scramble <source> <target>"));

    const bool language = args[0] == QLatin1String("language");
    const QString code = args[1];
    QByteArray data;
    if (!readFile(args[2], data))
        return fail(QStringLiteral("cannot read ") + args[2]);
    QStringList lines = sourceLines(data);

    quint8 charset = 0;
    if (language) {
        if (!TLM::IsLanguageCode(code))
            return fail(QStringLiteral("unknown language code ") + code);
        if (lines.isEmpty() || !lines.first().startsWith(QLatin1String("FileVersion=")))
            return fail(args[2] + QStringLiteral(": line 1 must be FileVersion=..."));
        lines.first() = QStringLiteral("FileVersion=") + QLatin1String(BuildVersion::FileVersionText);
        for (const QString &line : lines)
            if (line.startsWith(QLatin1String("FileEnd=")))
                return fail(args[2] + QStringLiteral(": a line beginning with FileEnd= is the file's own end line"));
        lines << TLM::FileEndLine(lines.size());
        charset = TLM::GetCharsetOfLanguage(code);
    } else {
        if (!TCustom::IsSafeLanguageCode(code))
            return fail(QStringLiteral("bad language ") + code);
        if (TCustom::HoldsControlBytes(data))
            return fail(args[2] + QStringLiteral(": control bytes (NUL or others) have no place in trouble-code texts"));
        charset = TCustom::LangCharset(code);
    }

    QByteArray out;
    QString error;
    if (!encodeLines(lines, charset, out, error))
        return fail(args[2] + QStringLiteral(": ") + error);
    ScrambleStream(out);
    return writeFile(args[3], out) ? 0 : fail(QStringLiteral("cannot write ") + args[3]);
}
