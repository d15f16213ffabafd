// Builds a temporary program folder with a "Resource" folder of scrambled
// language and trouble-code files and compiled message catalogs.
#pragma once

#include "common/GiveUp.h"
#include "core/LM.h"
#include "core/Scramble.h"
#include "platform/BuildVersion.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class LanguageFolder
{
public:
    LanguageFolder() { QDir(dir.path()).mkpath(QStringLiteral("Resource")); }

    QString programFolder() const { return dir.path(); }
    QString resource(const QString &name) const
    {
        return QDir(dir.path()).filePath(QStringLiteral("Resource/") + name);
    }

    static QString version() { return QString::fromLatin1(BuildVersion::FileVersionText); }

    // Writes bytes scrambled, as the program stores them.
    void writeScrambled(const QString &name, QByteArray bytes) const
    {
        ScrambleStream(bytes);
        writeRaw(name, bytes);
    }
    void writeRaw(const QString &name, const QByteArray &bytes) const
    {
        QFile f(resource(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    // A language file as the build tool writes it: lines joined with CR LF,
    // the end line, in the language's code page.
    void writeLanguage(const QString &code, const QStringList &lines) const
    {
        writeLanguageLines(code, lines + QStringList{TLM::FileEndLine(lines.size())});
    }
    // Exactly these lines (a file without its end line, as one cut short).
    void writeLanguageLines(const QString &code, const QStringList &lines) const
    {
        writeScrambled(QStringLiteral("_") + code + QStringLiteral(".lng"),
                       TLM::EncodeText(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"),
                                       TLM::GetCharsetOfLanguage(code)));
    }
    // A language file whose first line carries the program's file version.
    void writeCurrentLanguage(const QString &code, const QStringList &lines) const
    {
        writeLanguage(code, QStringList{QStringLiteral("FileVersion=") + version()} + lines);
    }
    // A message catalog compiled with msgfmt from (msgid, msgstr) pairs.
    void writeCatalog(const QString &catalogCode, const QList<QPair<QString, QString>> &pairs) const
    {
        QString po = QStringLiteral("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n");
        for (const auto &p : pairs)
            po += QStringLiteral("msgid \"%1\"\nmsgstr \"%2\"\n\n").arg(p.first, p.second);
        const QString folder = resource(QStringLiteral("locale/") + catalogCode + QStringLiteral("/LC_MESSAGES"));
        QDir().mkpath(folder);
        const QString poFile = QDir(folder).filePath(QStringLiteral("taron4.po"));
        QFile f(poFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(po.toUtf8());
        f.close();
        QProcess msgfmt;
        msgfmt.start(QStringLiteral("msgfmt"),
                     {QStringLiteral("-o"), QDir(folder).filePath(QStringLiteral("taron4.mo")), poFile});
        ASSERT_TRUE(msgfmt.waitForFinished(testsupport::GiveUpMs));
        ASSERT_EQ(msgfmt.exitCode(), 0) << msgfmt.readAllStandardError().constData();
    }

    QTemporaryDir dir;
};
