#include "core/Scramble.h"

#include "core/FileRead.h"

#include "core/LM.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

namespace {
// Combines one block in place; position k counts from 1 within the block.
void scrambleBlock(char *data, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        const int k = int(i) + 1;
        data[i] = char(quint8(data[i]) ^ Scramble::Key ^ quint8(k % Scramble::Modulus));
    }
}
}

void ScrambleStream(QByteArray &data)
{
    char *p = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const qsizetype n = qMin<qsizetype>(left, Scramble::BlockSize);
        scrambleBlock(p, n);
        p += n;
        left -= n;
    }
}

bool ScrambleStream(QIODevice &stream)
{
    bool ok = stream.seek(0);
    qint64 pos = 0;
    while (ok) {
        QByteArray block = stream.read(Scramble::BlockSize);
        scrambleBlock(block.data(), block.size());
        if (!block.isEmpty()) {
            ok = stream.seek(pos) && stream.write(block) == block.size();
            pos += block.size();
        }
        if (block.size() < Scramble::BlockSize)
            break;
    }
    stream.seek(0);
    return ok;
}

namespace {
// Largest language or trouble-code source scrambled.
constexpr qint64 kMaxSourceSize = 8 << 20;
} // namespace

int ScrambleFilesToLng(const QStringList &files)
{
    int written = 0;
    for (const QString &name : files) {
        // Only a regular file of a language source's size is read.
        const TFileRead read = ReadRegularFile(name, kMaxSourceSize);
        if (!read.Ok())
            continue;
        QByteArray data = read.Bytes;
        ScrambleStream(data);
        const QFileInfo info(name);
        QSaveFile out(info.dir().filePath(info.completeBaseName() + QStringLiteral(".lng")));
        if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit())
            continue;
        ++written;
    }
    return written;
}

int ScrambleLanguageFiles(const QString &resourceFolder)
{
    const QDir dir(resourceFolder);
    QStringList files;
    for (int i = 0; i < TLM::LanguageCount; ++i) {
        QString code;
        TLM::GetLanguageCode(i, code);
        const QString name = dir.filePath(QStringLiteral("_") + code + QStringLiteral(".lang"));
        if (QFileInfo::exists(name))
            files << name;
    }
    int written = ScrambleFilesToLng(files);
    // The folder is joined to the bare names the listing returns.
    QStringList codes;
    const QStringList found = dir.entryList({QStringLiteral("OBD-Codes-*.lang")}, QDir::Files,
                                            QDir::Name | QDir::IgnoreCase);
    for (const QString &f : found)
        codes << dir.filePath(f);
    written += ScrambleFilesToLng(codes);
    return written;
}
