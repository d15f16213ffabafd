#include "core/Scramble.h"
#include "core/LanguageFileFixture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {
QByteArray randomBytes(int n, quint32 start)
{
    QRandomGenerator gen(start);
    QByteArray b(n, Qt::Uninitialized);
    for (int i = 0; i < n; ++i)
        b[i] = char(gen.bounded(256));
    return b;
}

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}

TEST(Scramble, IsItsOwnInverseForEveryBlockBoundary)
{
    for (int n : {0, 1, 240, 241, 1023, 1024, 1025, 2048, 3001}) {
        const QByteArray plain = randomBytes(n, quint32(n) + 7);
        QByteArray data = plain;
        ScrambleStream(data);
        ASSERT_EQ(data.size(), plain.size());
        if (n > 0) {
            EXPECT_NE(data, plain) << n;
        }
        ScrambleStream(data);
        EXPECT_EQ(data, plain) << n;
    }
}

TEST(Scramble, EachByteDependsOnlyOnItsPositionInItsBlock)
{
    const QByteArray zeros(2100, '\0');
    QByteArray data = zeros;
    ScrambleStream(data);
    auto expected = [](int k) { return char(Scramble::Key ^ quint8(k % Scramble::Modulus)); };
    EXPECT_EQ(data[0], expected(1));
    EXPECT_EQ(data[Scramble::Modulus - 1], expected(Scramble::Modulus)); // k mod m = 0
    EXPECT_EQ(data[1023], expected(1024));
    // The second block starts again with k = 1.
    EXPECT_EQ(data[1024], expected(1));
    EXPECT_EQ(data.mid(1024, 1024), data.left(1024));
    EXPECT_EQ(data.mid(2048), data.left(2100 - 2048));
    // A 1025-byte file: its second block is one byte combined with k = 1.
    QByteArray one(1025, 'A');
    ScrambleStream(one);
    EXPECT_EQ(one[1024], char('A' ^ expected(1)));
    static_assert(Scramble::Modulus < 256);
}

TEST(Scramble, StreamIsScrambledInPlaceAndLeftAtTheStart)
{
    for (int n : {0, 5, 1024, 1025, 4096}) {
        const QByteArray plain = randomBytes(n, 99);
        QByteArray expected = plain;
        ScrambleStream(expected);

        QByteArray backing = plain;
        QBuffer buffer(&backing);
        ASSERT_TRUE(buffer.open(QIODevice::ReadWrite));
        buffer.seek(buffer.size());
        EXPECT_TRUE(ScrambleStream(buffer));
        EXPECT_EQ(buffer.pos(), 0) << n;
        EXPECT_EQ(backing, expected) << n;
        EXPECT_TRUE(ScrambleStream(buffer));
        EXPECT_EQ(backing, plain) << n;
        EXPECT_EQ(buffer.pos(), 0);
    }
}

TEST(Scramble, FilesToLngSkipsMissingFilesAndWritesBesideTheSource)
{
    LanguageFolder folder;
    const QByteArray plain("FileVersion=1\r\nstrA=a\r\n");
    folder.writeRaw(QStringLiteral("_PL.lang"), plain);
    const int written = ScrambleFilesToLng(
        {folder.resource(QStringLiteral("missing.lang")), folder.resource(QStringLiteral("_PL.lang"))});
    EXPECT_EQ(written, 1);
    EXPECT_FALSE(QFileInfo::exists(folder.resource(QStringLiteral("missing.lng"))));
    QByteArray stored = readFile(folder.resource(QStringLiteral("_PL.lng")));
    EXPECT_NE(stored, plain);
    ScrambleStream(stored);
    EXPECT_EQ(stored, plain);
    EXPECT_EQ(readFile(folder.resource(QStringLiteral("_PL.lang"))), plain);
}

TEST(Scramble, LanguageFilesTakesTheLanguageCodesAndTroubleCodeFiles)
{
    LanguageFolder folder;
    folder.writeRaw(QStringLiteral("_PL.lang"), "pl");
    folder.writeRaw(QStringLiteral("_TR_Veluto.lang"), "tr");
    folder.writeRaw(QStringLiteral("_XX.lang"), "xx"); // not a language of the program
    folder.writeRaw(QStringLiteral("OBD-Codes-en_GB.lang"), "P0100 x");
    folder.writeRaw(QStringLiteral("other.lang"), "o");
    EXPECT_EQ(ScrambleLanguageFiles(QDir(folder.programFolder()).filePath(QStringLiteral("Resource"))), 3);
    EXPECT_TRUE(QFileInfo::exists(folder.resource(QStringLiteral("_PL.lng"))));
    EXPECT_TRUE(QFileInfo::exists(folder.resource(QStringLiteral("_TR_Veluto.lng"))));
    EXPECT_TRUE(QFileInfo::exists(folder.resource(QStringLiteral("OBD-Codes-en_GB.lng"))));
    EXPECT_FALSE(QFileInfo::exists(folder.resource(QStringLiteral("_XX.lng"))));
    EXPECT_FALSE(QFileInfo::exists(folder.resource(QStringLiteral("other.lng"))));
    QByteArray codes = readFile(folder.resource(QStringLiteral("OBD-Codes-en_GB.lng")));
    ScrambleStream(codes);
    EXPECT_EQ(codes, QByteArray("P0100 x"));
}
