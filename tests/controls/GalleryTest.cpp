// The control gallery, run offscreen as its own program: it starts, shows
// every control and its picture carries the displays' designed colours.
#include "common/GiveUp.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
int CountColour(const QImage &image, const QRect &area, QRgb colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
                ++count;
    return count;
}
} // namespace

TEST(Gallery, ShowsTheControlsWithTheirDesignedColours)
{
    // The gallery is built beside the test programs.
    const QString gallery = QCoreApplication::applicationDirPath() + QStringLiteral("/taron-gallery");
    ASSERT_TRUE(QFileInfo(gallery).isExecutable()) << gallery.toStdString();
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("gallery.png"));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(gallery, {QStringLiteral("--grab"), picture});
    ASSERT_TRUE(process.waitForFinished(testsupport::GiveUpMs));
    ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);

    QImage image(picture);
    ASSERT_FALSE(image.isNull());
    image = image.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.size(), QSize(760, 560));
    // The first display keeps the default colours: background $0000D8DC and
    // segments $00004000 (blue, green, red from the high byte down).
    const QRect firstDisplay(18, 30, 137, 42);
    const int background = CountColour(image, firstDisplay, qRgb(0xDC, 0xD8, 0x00));
    const int segments = CountColour(image, firstDisplay, qRgb(0x00, 0x40, 0x00));
    EXPECT_GT(background, firstDisplay.width() * firstDisplay.height() / 3);
    EXPECT_GT(segments, 50);
}
