#include "core/CommonConv.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(CommonConv, IntegerTexts)
{
    EXPECT_EQ(TCommonConv::StrToIntEmptyZero(""), 0);
    EXPECT_EQ(TCommonConv::StrToIntEmptyZero("12a"), 0);
    EXPECT_EQ(TCommonConv::StrToIntEmptyZero("1.5"), 0);
    EXPECT_EQ(TCommonConv::StrToIntEmptyZero("99999999999"), 0); // out of range
    EXPECT_EQ(TCommonConv::StrToIntEmptyZero("-17"), -17);
    EXPECT_EQ(TCommonConv::StrToIntEmptyZero("2500"), 2500);
}

TEST(CommonConv, FloatTextsTakeDotOrCommaWhateverTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland)); // ',' separator
    EXPECT_DOUBLE_EQ(TCommonConv::StrToFloatEmptyZero("0,5"), 0.5);
    EXPECT_DOUBLE_EQ(TCommonConv::StrToFloatEmptyZero("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(TCommonConv::StrToFloatDot("2.75"), 2.75);
    EXPECT_DOUBLE_EQ(TCommonConv::StrToFloatDot("-1e2"), -100.0);
    EXPECT_EQ(TCommonConv::StrToFloatDot(""), 0.0);
    EXPECT_EQ(TCommonConv::StrToFloatDot("abc"), 0.0);
    EXPECT_EQ(TCommonConv::StrToFloatDot("1,000.5"), 0.0); // no thousands separator
    EXPECT_EQ(TCommonConv::StrToFloatDot("inf"), 0.0);
    EXPECT_EQ(TCommonConv::FloatToStrDot(0.5), "0.5");
    QLocale::setDefault(saved);
}

TEST(CommonConv, FloatToStrDotGeneralFormatTwoDigits)
{
    EXPECT_EQ(TCommonConv::FloatToStrDot(3.14159), "3.1");
    EXPECT_EQ(TCommonConv::FloatToStrDot(0.5), "0.5");
    EXPECT_EQ(TCommonConv::FloatToStrDot(0), "0");
    EXPECT_EQ(TCommonConv::FloatToStrDot(1), "1");
    EXPECT_EQ(TCommonConv::FloatToStrDot(12), "12");
    EXPECT_EQ(TCommonConv::FloatToStrDot(-2.25), "-2.3"); // 2.25 is not exact: rounds up
    EXPECT_EQ(TCommonConv::FloatToStrDot(9.96), "10");
    EXPECT_EQ(TCommonConv::FloatToStrDot(100), "1E2");
    EXPECT_EQ(TCommonConv::FloatToStrDot(123456), "1.2E5");
    EXPECT_EQ(TCommonConv::FloatToStrDot(0.0123), "0.012");
    EXPECT_EQ(TCommonConv::FloatToStrDot(0.0001), "0.0001");
    EXPECT_EQ(TCommonConv::FloatToStrDot(0.00001234), "1.2E-5");
}

TEST(CommonConv, OnOffTexts)
{
    EXPECT_EQ(TCommonConv::BoolToOnOff(true), "On");
    EXPECT_EQ(TCommonConv::BoolToOnOff(false), "Off");
    EXPECT_TRUE(TCommonConv::OnOffToBool("On"));
    EXPECT_FALSE(TCommonConv::OnOffToBool("on"));
    EXPECT_FALSE(TCommonConv::OnOffToBool("On "));
    EXPECT_FALSE(TCommonConv::OnOffToBool("Off"));
}

TEST(CommonConv, PackedDateTime)
{
    const QDateTime t(QDate(2012, 5, 25), QTime(14, 37, 59));
    const uint32_t packed = TCommonConv::PackDateTime(t);
    EXPECT_EQ(packed, 2110114725u);
    EXPECT_EQ(TCommonConv::PackedDateTimeToStr(packed), "2012-05-25 14:37");
    const auto u = TCommonConv::UnpackDateTime(packed);
    EXPECT_EQ(u.year, 2012);
    EXPECT_EQ(u.month, 5);
    EXPECT_EQ(u.day, 25);
    EXPECT_EQ(u.hour, 14);
    EXPECT_EQ(u.minute, 37);
    EXPECT_EQ(TCommonConv::PackedDateTimeToStr(0), "0000-00-00 00:00");
}

TEST(CommonConv, ComputerCode)
{
    // Rotation right by 3 and the mask.
    EXPECT_EQ(TCommonConv::ScrambleVolumeSerial(0), 0x5C3A91E7u);
    EXPECT_EQ(TCommonConv::ScrambleVolumeSerial(8), 0x5C3A91E6u);
    EXPECT_EQ(TCommonConv::ScrambleVolumeSerial(1), 0x20000000u ^ 0x5C3A91E7u);
    EXPECT_EQ(TCommonConv::SerialToText(0x0012ABCD), "0012-ABCD");
    const QString code = TCommonConv::GetSystemDriveSerialText();
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{4}-[0-9A-F]{4}$").match(code).hasMatch()) << code.toStdString();
    // Stable across calls.
    EXPECT_EQ(TCommonConv::GetSystemDriveSerialText(), code);
    EXPECT_EQ(TCommonConv::GetVolumeSerial("/no/such/volume/here"), 0u);
}

TEST(CommonConv, FindFilesByMaskGivesSortedBareNames)
{
    QTemporaryDir dir;
    for (const char *name : {"b.lng", "A.LNG", "c.txt", "_PL.lng"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(dir.path()).mkdir("d.lng");
    EXPECT_EQ(TCommonConv::FindFilesByMask(dir.filePath("*.lng")), QStringList({"_PL.lng", "A.LNG", "b.lng"}));
    EXPECT_TRUE(TCommonConv::FindFilesByMask(dir.filePath("*.none")).isEmpty());
}

TEST(CommonConv, PortListFromThePortsFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("COM10")));
    ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("COM2")));
    ASSERT_TRUE(QFile::link(dir.filePath("gone"), dir.filePath("COM3"))); // device unplugged
    QFile other(dir.filePath("notes.txt"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    const QByteArray saved = qgetenv("PORTS_DIR");
    qputenv("PORTS_DIR", QFile::encodeName(dir.path()));
    QStringList ports, descriptions;
    TCommonConv::EnumerateComPorts(ports, &descriptions);
    EXPECT_EQ(ports, QStringList({"COM2", "COM3", "COM10"})); // by number, not by text
    EXPECT_EQ(descriptions, QStringList({"/dev/zero", dir.filePath("gone"), "/dev/null"}));
    QStringList names;
    TCommonConv::EnumerateComPorts(names);
    EXPECT_EQ(names, ports);
    TCommonConv::ReadSerialCommNames(names);
    EXPECT_EQ(names.size(), 3);
    EXPECT_EQ(TCommonConv::ComPortNumberFromName("COM12"), 12);
    EXPECT_EQ(TCommonConv::ComPortNumberFromName("COMx"), 0);
    if (saved.isNull())
        qunsetenv("PORTS_DIR");
    else
        qputenv("PORTS_DIR", saved);
}
