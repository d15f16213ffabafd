#include "core/VersionInfo.h"
#include "platform/BuildVersion.h"

#include <QCoreApplication>
#include <QTemporaryFile>
#include <QVariant>
#include <gtest/gtest.h>

TEST(VersionInfo, RunningProgramReadsTheBuildVersionTexts)
{
    TVersionInfo info;
    info.SetExeName(QCoreApplication::applicationFilePath());
    info.ReadVersionInfo();
    EXPECT_EQ(info.FileVersion(), QLatin1String(BuildVersion::FileVersionText));
    EXPECT_EQ(info.ProductVersion(), QLatin1String(BuildVersion::ProductVersionText));
    EXPECT_EQ(info.ProductName(), QLatin1String(BuildVersion::ProductName));
    EXPECT_EQ(info.InternalName(), QLatin1String(BuildVersion::ProgramName));
    EXPECT_TRUE(info.PrivateBuild().isEmpty());
    // The same values under the program's one translation, named explicitly.
    TVersionInfo named;
    named.SetLangId_CP(QStringLiteral("040904E4"));
    named.SetExeName(QCoreApplication::applicationFilePath());
    named.ReadVersionInfo();
    EXPECT_EQ(named.FileVersion(), info.FileVersion());
}

TEST(VersionInfo, FileWithoutVersionTextsLeavesTheResults)
{
    TVersionInfo info;
    info.SetExeName(QCoreApplication::applicationFilePath());
    info.ReadVersionInfo();
    const QString before = info.FileVersion();
    ASSERT_FALSE(before.isEmpty());

    QTemporaryFile other;
    ASSERT_TRUE(other.open());
    info.SetExeName(other.fileName());
    info.ReadVersionInfo();
    EXPECT_EQ(info.FileVersion(), before);
    info.SetExeName(QStringLiteral("/no/such/file"));
    info.ReadVersionInfo();
    EXPECT_EQ(info.FileVersion(), before);
    EXPECT_EQ(info.property("FileVersion").toString(), before);
}

TEST(VersionInfo, UnknownTranslationReadsEmptyValues)
{
    TVersionInfo info;
    info.SetLangId_CP(QStringLiteral("041504E2"));
    info.SetExeName(QCoreApplication::applicationFilePath());
    info.ReadVersionInfo();
    EXPECT_TRUE(info.FileVersion().isEmpty());
    EXPECT_TRUE(info.ProductName().isEmpty());
}
