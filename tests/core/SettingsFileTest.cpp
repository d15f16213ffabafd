#include "common/GiveUp.h"
#include "core/DataManager.h"
#include "core/IniFile.h"
#include "core/SettingsFile.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <clocale>
#include <utility>

#include <gtest/gtest.h>

namespace {

// A kind-20 file as the Windows program writes it: CR LF, windows-1250,
// decimal commas, the keys in the writer's order, a section of the
// workshop's own before the settings.
const QByteArray SampleQ3 =
    "[Notatki]\r\nKlient=\xA3\xF3" "d\x9F\r\n"
    "[Info]\r\nSaveDate=07.12.2026 09:15\r\nVer=0000014C STD [3]\r\nCompTime=12:34:56\r\n"
    "CompDate=07-12-2026\r\nSoftVer=4.19.0.1\r\n"
    "[Config]\r\nInjSW=6\r\nInjHW=8\r\nEngineType=1\r\nEngineCubicCapacity=1598\r\nPower=77\r\n"
    "InjSystemType=2\r\nIdleHotTb=561\r\nFuelType=1\r\nInjTypeName=12\r\nInjType=2\r\nRedType=3\r\n"
    "NozzleSize=19\r\nRPMsource=1\r\nRPMSourceType=1\r\nReserveType=2\r\nPW0=180\r\nPW1=130\r\n"
    "PW2=90\r\nPW3=35\r\n0900=20\r\n0901=45\r\n0902=60\r\n0903=70\r\nT=95\r\nRPM=52000\r\n"
    "EmulatorSwitchDelay=1000\r\nPostValveDelay=200\r\nLowPT=40\r\nLowPD=6\r\nNoSeqential=1\r\n"
    "SemiGasControl=0\r\nMicroInjection=1\r\nMicroInjectionTime=28\r\nHemiEngine=1\r\nTuningMode=0\r\n"
    "MasterMode=1\r\nLambdaType=3\r\nPressureSensorType=2\r\n"
    "[Model]\r\nMult=1,25\r\nOffset=-0,5\r\nP1=6\r\nP2=11\r\nP3=16\r\nP4=21\r\nE1=1\r\nE2=-2\r\n"
    "E3=3\r\nE4=4\r\nCorrectionMult=0,95\r\nCorrectionOffset=0,12\r\nCorrectionMask=165\r\n";

TSettingsInfo SampleInfo()
{
    return {QStringLiteral("07.12.2026 09:15"), QStringLiteral("0000014C STD [3]"),
            QStringLiteral("4.19.0.1")};
}

TDeviceRecord Device(quint8 kind, const char *version)
{
    TDeviceRecord rec;
    rec.DeviceKind = kind;
    rec.Ver = QString::fromLatin1(version);
    return rec;
}

// A kind-20/21 device as read from a controller: what it holds is what it
// accepts.
TDeviceRecord Configured(quint8 kind, const char *version)
{
    TDeviceRecord rec = Device(kind, version);
    rec.InjHW = 6;
    rec.InjSW = 4;
    rec.Power = 90;
    rec.EngineCubicCapacity = 1390;
    rec.NozzleSize = 22;
    rec.LowPD = 5;
    rec.LowPT = 47;
    rec.MicroInjectionTime = 37;
    rec.PressureSensorType = 1;
    rec.PostValveDelay = 500;
    return rec;
}

TIniFile Ini(const QByteArray &bytes)
{
    TIniFile ini;
    ini.LoadFromBytes(bytes);
    return ini;
}

// Keys of a section in file order.
QStringList Keys(const QByteArray &bytes, const QString &section) { return Ini(bytes).ReadSection(section); }

// LC_NUMERIC in a locale with a decimal comma while this lives. The locale is
// built here from its own source and character map into a temporary folder
// (localedef comes with the C library), so it needs neither the system's
// locale sources nor a locale generated beforehand.
struct TCommaLocale {
    TCommaLocale()
    {
        QByteArray charmap = "<code_set_name> TARON_ASCII\n<mb_cur_min> 1\n<mb_cur_max> 1\nCHARMAP\n";
        for (int c = 0; c < 128; ++c)
            charmap += QString::asprintf("<U%04X> \\x%02x\n", c, c).toLatin1();
        charmap += "END CHARMAP\n";
        const QByteArray source = "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U0020>\"\n"
                                  "grouping 3\nEND LC_NUMERIC\n";
        for (const auto &[name, bytes] : {std::pair{"charmap", charmap}, std::pair{"source", source}}) {
            QFile f(Dir.filePath(QString::fromLatin1(name)));
            if (f.open(QIODevice::WriteOnly))
                f.write(bytes);
        }
        // Only LC_NUMERIC is defined: -c writes the locale despite the
        // warnings about the other categories (kept out of the test's output).
        QProcess localedef;
        localedef.start("localedef", {"-c", "-i", Dir.filePath("source"), "-f", Dir.filePath("charmap"),
                                      Dir.filePath("comma")});
        localedef.waitForFinished(testsupport::GiveUpMs);
        qputenv("LOCPATH", Dir.path().toLocal8Bit());
        std::setlocale(LC_NUMERIC, "comma");
    }
    ~TCommaLocale()
    {
        std::setlocale(LC_NUMERIC, "C");
        qunsetenv("LOCPATH");
    }
    QTemporaryDir Dir;
};

} // namespace

TEST(SettingsFile, Kind20FileOfTheWindowsProgramLoadsAndIsWrittenBackByteForByte)
{
    TDeviceRecord rec = Device(20, "C");
    ASSERT_FALSE(TSettingsFile::ReadQ3(Ini(SampleQ3), rec).Failed());
    EXPECT_EQ(rec.Level0903, 70);
    EXPECT_DOUBLE_EQ(rec.Offset, -0.5);

    // Every field read lands where the writer takes it from: written back with the decimal comma: the same bytes, the workshop's
    // section (in its code page) kept.
    rec.CompTime = QStringLiteral("12:34:56");
    rec.CompDate = QStringLiteral("07-12-2026");
    TIniFile out = Ini(SampleQ3);
    TSettingsFile::WriteQ3(out, rec, SampleInfo(), u',');
    QByteArray withFlags = SampleQ3; // the two flags that file lacked, as the device holds them
    withFlags.replace("PressureSensorType=2\r\n", "PressureSensorType=2\r\nPetrolInjPlusControl=0\r\nExternalEmulator=0\r\n");
    EXPECT_EQ(out.ToBytes().toStdString(), withFlags.toStdString());

    // LF line ends and decimal points read the same; a point writer writes points.
    QByteArray lf = SampleQ3;
    lf.replace("\r\n", "\n").replace("1,25", "1.25").replace("-0,5", "-0.5");
    TDeviceRecord again = Device(21, "C");
    ASSERT_FALSE(TSettingsFile::ReadQ3(Ini(lf), again).Failed());
    again.DeviceKind = 20;
    again.CompTime = rec.CompTime;
    again.CompDate = rec.CompDate;
    EXPECT_EQ(again, rec);
    TIniFile dotted;
    TSettingsFile::WriteQ3(dotted, rec, SampleInfo(), u'.');
    EXPECT_TRUE(dotted.ToBytes().contains("\r\nMult=1.25\r\nOffset=-0.5\r\n"));
    EXPECT_FALSE(dotted.ToBytes().contains(",")) << dotted.ToBytes().constData();

    // The flags such an older file lacks keep what the device holds; a file
    // that has them sets only those the device's version is sent.
    const QByteArray flags = "PetrolInjPlusControl=0\r\nExternalEmulator=0\r\nAlwaysStartOnGas=0\r\nRPMWireNotConnect=0\r\n";
    const struct { quint8 Kind; const char *Version; bool Flags; const char *Held; } later[] = {
        {21, "E", false, "1111"}, {20, "E", false, "1111"}, {21, "E", true, "0000"},
        {21, "D", true, "0001"},  {21, "C", true, "0011"},  {20, "E", true, "0011"}};
    for (const auto &c : later) {
        SCOPED_TRACE(testing::Message() << int(c.Kind) << c.Version << c.Flags);
        TDeviceRecord held = Device(c.Kind, c.Version);
        held.PetrolInjPlusControl = held.ExternalEmulator = held.AlwaysStartOnGas = held.RPMWireNotConnect = 1;
        QByteArray file = SampleQ3;
        file.replace("PressureSensorType=2\r\n", "PressureSensorType=2\r\n" + (c.Flags ? flags : QByteArray()));
        ASSERT_FALSE(TSettingsFile::ReadQ3(Ini(file), held).Failed());
        EXPECT_EQ(QString::asprintf("%d%d%d%d", held.PetrolInjPlusControl, held.ExternalEmulator,
                                    held.AlwaysStartOnGas, held.RPMWireNotConnect), QLatin1String(c.Held));
    }
}

TEST(SettingsFile, Kind20MissingValuesTakeTheDefaultsAndNumbersReadInEveryForm)
{
    TDeviceRecord rec = Configured(20, "C");
    const QByteArray text = "[Info]\r\nVer=0000015C\r\n[Config]\r\nT=95,0\r\nInjHW=\r\nRPM=0x1F\r\n"
                            "NozzleSize=$1a\r\nRPMSourceType=-7\r\nEngineCubicCapacity=1600.0\r\nPower=1e2\r\n"
                            "PW0=+1.5E2\r\n[Model]\r\nOffset= \r\nMult=12.5e-1\r\n";
    ASSERT_FALSE(TSettingsFile::ReadQ3(Ini(text), rec).Failed());
    EXPECT_EQ(rec.T, 95);
    EXPECT_EQ(rec.InjHW, 4);
    EXPECT_EQ(rec.InjSW, 4);
    EXPECT_EQ(rec.RPM, 0x1F);
    EXPECT_EQ(rec.NozzleSize, 26);
    EXPECT_EQ(rec.RPMSourceType, 1);
    EXPECT_EQ(rec.EngineCubicCapacity, 1600);
    EXPECT_EQ(rec.Power, 100);
    EXPECT_EQ(rec.PW0, 150);
    EXPECT_EQ(rec.Level0902, 61);
    EXPECT_DOUBLE_EQ(rec.Offset, 1.0);
    EXPECT_DOUBLE_EQ(rec.Mult, 1.25);
    EXPECT_EQ(rec.P4, 20);
    // Beyond 64 bits, also in float form: too large, never read as another number.
    for (const char *large : {"1e19", "9.223372036854775808e18", "-1e19"}) {
        qint64 v = 0;
        bool tooLarge = false;
        EXPECT_FALSE(TSettingsFile::ParseInteger(QString::fromLatin1(large), v, &tooLarge)) << large;
        EXPECT_TRUE(tooLarge) << large;
    }

    // The same under a locale whose decimal separator is a comma.
    const TCommaLocale locale;
    ASSERT_EQ(*std::localeconv()->decimal_point, ',') << "the locale with a decimal comma was not built";
    TDeviceRecord again = Configured(20, "C");
    ASSERT_FALSE(TSettingsFile::ReadQ3(Ini(text), again).Failed());
    EXPECT_EQ(again, rec);
    EXPECT_EQ(TSettingsFile::ReadQ3(Ini("[Model]\r\nMult=1.5e400\r\n"), again).Detail, QStringLiteral("Mult=1.5e400"));
}

TEST(SettingsFile, ValuesWiderThanTheirFieldRefuseTheFile)
{
    const struct {
        QByteArray Text;
        const char *Detail;
    } cases[] = {
        {"[Config]\r\nPW0=300\r\n", "PW0=300"},
        {"[Config]\r\nRPM=-1\r\n", "RPM=-1"},
        {"[Config]\r\nPower=99999999999999\r\n", "Power=99999999999999"},
        {"[Model]\r\nMult=1e300\r\n", "Mult=1e300"},
        {"[Model]\r\nOffset=1e400\r\n", "Offset=1e400"},
        // Beyond what the model's words hold (they would be cut on the write).
        {"[Model]\r\nP4=351\r\n", "P4=351"},
        {"[Model]\r\nE2=1501\r\n", "E2=1501"},
        {"[Model]\r\nMult=64\r\n", "Mult=64"},
        {"[Model]\r\nCorrectionOffset=-175,3\r\n", "CorrectionOffset=-175,3"},
        // Between two words at the ends: the word it rounds to decides
        // (-32768.01 rounds to the lowest word, 32767.54 beyond the highest).
        {"[Model]\r\nCorrectionOffset=175.2275\r\n", "CorrectionOffset=175.2275"},
        {"[Model]\r\nCorrectionOffset=-175.23\r\n", nullptr},
        // Present but not the key's number: never its default over the device's value.
        {"[Config]\r\nEngineCubicCapacity=1e-400\r\n", "EngineCubicCapacity=1e-400"},
        {"[Config]\r\nT=97,5\r\n", "T=97,5"}, {"[Config]\r\nHemiEngine=yes\r\n", "HemiEngine=yes"},
        {"[Model]\r\nOffset=1.5,2\r\n", "Offset=1.5,2"}, {"[Model]\r\nMult=1.5e400\r\n", "Mult=1.5e400"},
        {"[Model]\r\nCorrectionMult=inf\r\n", "CorrectionMult=inf"},
        // Text after a number, or a second sign: no number, never the number before it.
        {"[Config]\r\nPW0=1e\r\n", "PW0=1e"}, {"[Config]\r\nPW0=1-2\r\n", "PW0=1-2"},
        {"[Config]\r\nPW0=100-\r\n", "PW0=100-"}, {"[Model]\r\nE2=+-5\r\n", "E2=+-5"},
    };
    for (const auto &c : cases) {
        TDeviceRecord rec = Configured(20, "C");
        const TSettingsError e = TSettingsFile::ReadQ3(Ini(c.Text), rec);
        if (c.Detail)
            EXPECT_EQ(e.Detail, QString::fromLatin1(c.Detail));
        else
            EXPECT_FALSE(e.Failed()) << e.Detail.toStdString();
    }
    TSettingsLoad load{Device(48, "J")};
    EXPECT_EQ(TSettingsFile::ReadMulti(Ini("[Map]\r\nMapQ3_3_0=65536\r\n"), load, false).Detail,
              QStringLiteral("MapQ3_3_0=65536"));
    load.Record = Device(48, "J");
    EXPECT_EQ(TSettingsFile::ReadMulti(Ini("[Model]\r\nCPS1=1\r\nCTG4=-129\r\n"), load, false).Detail,
              QStringLiteral("CTG4=-129"));
    // A signed byte and a signed percent in a byte.
    load.Record = Device(48, "J");
    ASSERT_FALSE(TSettingsFile::ReadMulti(
        Ini("[GasInjCorr]\r\nInjCorr1=-3\r\n[Config]\r\nMazdaEnrichmentPercentage=-5\r\n"), load, false).Failed());
    EXPECT_EQ(quint8(load.GasInjCorr[0]), 253);
    EXPECT_EQ(load.Record.MazdaEnrichmentPercentage, 251);
    TIniFile out;
    TSettingsFile::WriteMulti(out, load.Record, {}, u'.');
    EXPECT_EQ(out.ReadString(QStringLiteral("Config"), QStringLiteral("MazdaEnrichmentPercentage")),
              QStringLiteral("-5"));
}

TEST(SettingsFile, Kind20ValuesAreCheckedAgainstWhatTheDeviceAccepts)
{
    const struct {
        QByteArray Config;
        const char *Detail; // nullptr: accepted
        QStringList Args;
        const char *Reason = "strSetFileValue"; // outside what the device accepts
    } cases[] = {
        {"Power=5000", "Power=5000", {"Power", "5000", "1", "999"}},
        {"Power=0", "Power=0", {"Power", "0", "1", "999"}},
        {"IdleHotTb=65535", "IdleHotTb=65535", {"IdleHotTb", "65535", "0", "65450"}},
        {"LambdaType=16", "LambdaType=16", {"LambdaType", "16", "0", "15"}},
        {"EngineType=2", "EngineType=2", {"EngineType", "2", "0", "1"}},
        {"NozzleSize=256", "NozzleSize=256", {"NozzleSize", "256", "0", "255"}},
        {"PressureSensorType=3", "PressureSensorType=3", {"PressureSensorType", "3", "1", "2"}},
        {"ReserveType=4", "ReserveType=4", {"ReserveType", "4", "0", "3"}},
        {"InjSW=8", "InjSW=8", {"8", "3, 4, 5, 6"}, "strSetFileCylinders"},
        // Too long to be taken whole, or beyond the field's type: the device's range is quoted.
        {"EngineCubicCapacity=1600000000000", "EngineCubicCapacity=1600000000000",
         {"EngineCubicCapacity", "1600000000000", "0", "9999"}},
        {"EngineCubicCapacity=99999999999999999999", "EngineCubicCapacity=99999999999999999999",
         {"EngineCubicCapacity", "99999999999999999999", "0", "9999"}},
        {"HemiEngine=99999999999999999999", "HemiEngine=99999999999999999999",
         {"HemiEngine", "99999999999999999999", "0", "1"}},
        {"Power=-5", "Power=-5", {"Power", "-5", "1", "999"}},
        {"EngineCubicCapacity=1600.5", "EngineCubicCapacity=1600.5", {"EngineCubicCapacity", "1600.5", "0", "9999"},
         "strSetFileNotWhole"},
        {"NoSeqential=0.5", "NoSeqential=0.5", {"NoSeqential", "0.5", "0", "1"}, "strSetFileNotWhole"},
        {"EngineCubicCapacity=1e-400", "EngineCubicCapacity=1e-400", {"EngineCubicCapacity", "1e-400", "0", "9999"},
         "strSetFileNotWhole"},
        {"EngineCubicCapacity=abc", "EngineCubicCapacity=abc", {"EngineCubicCapacity", "abc", "0", "9999"},
         "strSetFileNotNumber"},
        {"PW0=1\r\n[Model]\r\nOffset=1e-400", "Offset=1e-400", {"Offset", "1e-400", "-175.22", "175.22"},
         "strSetFileTooSmall"},
        {"PW0=1\r\n[Model]\r\nP2=1e", "P2=1e", {"P2", "1e", "0", "350"}, "strSetFileNotNumber"},
        {"EngineCubicCapacity=1e400", "EngineCubicCapacity=1e400", {"EngineCubicCapacity", "1e400", "0", "9999"}},
        {"PW0=1\r\n[Model]\r\nMult=64", "Mult=64", {"Mult", "64", "0", "63.99"}},
        {"PW0=1\r\n[Model]\r\nE1=-101", "E1=-101", {"E1", "-101", "-100", "1500"}},
        // Accepted as given, also where no list of the page offers it: a
        // device reported it when it was read.
        {"Power=999\r\nIdleHotTb=65450\r\nNozzleSize=3\r\nLowPT=5\r\nInjSW=5\r\nMicroInjectionTime=14\r\n"
         "PostValveDelay=1\r\nLambdaType=9",
         nullptr, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Config.toStdString());
        TDeviceRecord rec = Configured(21, "E");
        const TSettingsError e =
            TSettingsFile::ReadQ3(Ini("[Config]\r\n" + c.Config + "\r\n[Model]\r\nP1=0\r\n"), rec);
        if (!c.Detail) {
            ASSERT_FALSE(e.Failed()) << e.Detail.toStdString();
            EXPECT_EQ(rec.Power, 999);
            EXPECT_EQ(rec.IdleHotTb, 65450);
            EXPECT_EQ(rec.LowPT, 5);
            EXPECT_EQ(rec.NozzleSize, 3);
            EXPECT_EQ(rec.MicroInjectionTime, 14);
            EXPECT_EQ(rec.PostValveDelay, 1);
            EXPECT_EQ(rec.LambdaType, 9);
            EXPECT_EQ(rec.InjSW, 5);
            EXPECT_EQ(rec.P1, 0);
            continue;
        }
        EXPECT_EQ(e.Detail, QString::fromLatin1(c.Detail));
        EXPECT_EQ(e.Reason, QLatin1String(c.Reason));
        EXPECT_EQ(e.Args, c.Args);
    }
    // A kind-20 device holds a pressure sensor only in hardware variants 0
    // to 2; on the others the file's value is neither checked nor taken.
    for (int variant = 0; variant <= 4; ++variant) {
        SCOPED_TRACE(variant);
        TDeviceRecord rec = Configured(20, "D");
        rec.IdentityPage1 = quint8(variant);
        rec.PressureSensorType = variant > 2 ? 0 : variant == 0 ? 1 : 2;
        const TSettingsError e =
            TSettingsFile::ReadQ3(Ini("[Config]\r\nPressureSensorType=7\r\n[Model]\r\nP1=0\r\n"), rec);
        EXPECT_EQ(e.Failed(), variant <= 2);
        if (variant > 2) {
            EXPECT_EQ(rec.PressureSensorType, 0);
        }
    }
    // The ends of the ranges are the device's own values: taken.
    const struct {
        int Outputs;
        QByteArray Config;
        int LowPT, Cylinders;
    } edges[] = {{4, "LowPT=94\r\nInjSW=3", 94, 3}, {4, "LowPT=38\r\nInjSW=4", 38, 4}, {8, "InjSW=8", 38, 8}};
    for (const auto &c : edges) {
        SCOPED_TRACE(c.Config.toStdString());
        TDeviceRecord rec = Configured(21, "E");
        rec.InjHW = quint8(c.Outputs);
        const TSettingsError e = TSettingsFile::ReadQ3(Ini("[Config]\r\n" + c.Config + "\r\n[Model]\r\nP1=0\r\n"), rec);
        ASSERT_FALSE(e.Failed()) << e.Detail.toStdString();
        EXPECT_EQ(rec.LowPT, c.LowPT);
        EXPECT_EQ(rec.InjSW, c.Cylinders);
    }
    // Missing keys: a default the device accepts is taken, one it refuses
    // gives way to the device's value.
    TDeviceRecord rec = Configured(20, "E");
    ASSERT_FALSE(TSettingsFile::ReadQ3(Ini("[Config]\r\nT=90\r\n[Model]\r\nP1=6\r\n"), rec).Failed());
    EXPECT_EQ(rec.Power, 66);
    EXPECT_EQ(rec.LowPD, 5);
    EXPECT_EQ(rec.MicroInjectionTime, 37);
    EXPECT_EQ(rec.NozzleSize, 22);
    EXPECT_EQ(rec.PostValveDelay, 500);
    EXPECT_EQ(rec.EngineCubicCapacity, 0); // the factory value, which the device takes
    // ... whatever the device holds: it goes back as it was.
    rec = Configured(20, "E");
    rec.MicroInjectionTime = 0;
    ASSERT_FALSE(TSettingsFile::ReadQ3(Ini("[Config]\r\nT=90\r\n[Model]\r\nP1=6\r\n"), rec).Failed());
    EXPECT_EQ(rec.MicroInjectionTime, 0);
}

TEST(SettingsFile, Kind48ValuesAreCheckedAgainstWhatTheDeviceAccepts)
{
    const struct {
        const char *Version;
        QByteArray Config;
        const char *Detail; // nullptr: accepted
    } cases[] = {
        {"G", "Power=0", "Power=0"},
        {"G", "LambdaType=8", "LambdaType=8"},
        {"G", "RPMsource=4", "RPMsource=4"},
        {"C", "NozzleSize=256", "NozzleSize=256"},
        {"G", "EngineCubicCapacity=1600000000000", "EngineCubicCapacity=1600000000000"},
        {"J", "HotEngineStartOnGas=99999999999999999999", "HotEngineStartOnGas=99999999999999999999"},
        // Beyond the page's lists: values a device reported when it was read.
        {"G", "PressureSensorType=5\r\nLoadP>val=150\r\nRPM<val=300\r\nMinGasInjectionTime=100\r\nLowPT=5\r\n"
              "NozzleSize=3", nullptr},
        {"F", "MinGasInjectionTime=100", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Config.toStdString() + c.Version);
        TSettingsLoad load{Configured(48, c.Version)};
        load.Record.MinGasInjectionTime = 748;
        const TSettingsError e =
            TSettingsFile::ReadMulti(Ini("[Config]\r\n" + c.Config + "\r\n[Model]\r\nMult=1\r\n"), load, false);
        if (!c.Detail) {
            EXPECT_FALSE(e.Failed()) << e.Detail.toStdString();
            continue;
        }
        EXPECT_EQ(e.Detail, QString::fromLatin1(c.Detail));
        EXPECT_EQ(e.Reason, QStringLiteral("strSetFileValue"));
    }
    // A missing key whose default the device refuses keeps the device's
    // value (MicroInjectionTime 14, PostValveDelay 1).
    TSettingsLoad load{Configured(48, "G")};
    ASSERT_FALSE(TSettingsFile::ReadMulti(Ini("[Config]\r\nPower=70\r\n"), load, false).Failed());
    EXPECT_EQ(load.Record.MicroInjectionTime, 37);
    EXPECT_EQ(load.Record.PostValveDelay, 500);
    EXPECT_EQ(load.Record.Power, 70);
    // The model part alone checks no configuration.
    TSettingsLoad model{Configured(48, "G")};
    EXPECT_FALSE(TSettingsFile::ReadMulti(Ini("[Config]\r\nPower=0\r\n"), model, true).Failed());
}

TEST(SettingsFile, VersionCodeAndIncompleteFiles)
{
    auto accepts = [](const char *ver, const QStringList &codes) {
        return TSettingsFile::AcceptsVersion(Ini(QByteArray("[Info]\r\nVer=") + ver + "\r\n"), codes);
    };
    EXPECT_TRUE(accepts("0000030J STD [0] ", TSettingsFile::CodesMulti()));
    EXPECT_TRUE(accepts("0000014C", TSettingsFile::CodesQ3()));
    EXPECT_TRUE(accepts("0000015", TSettingsFile::CodesQ3()));
    EXPECT_FALSE(accepts("0000015C", TSettingsFile::CodesMulti()));
    EXPECT_FALSE(accepts("0000030C", TSettingsFile::CodesQ3()));
    EXPECT_FALSE(accepts("000003", TSettingsFile::CodesMulti()));
    EXPECT_FALSE(accepts("", TSettingsFile::CodesQ3()));
    EXPECT_FALSE(accepts("1234567J", TSettingsFile::CodesMulti()));
    // The code ends the leading run of digits: text before it leaves no code
    // (the writer's identity numbers are digits only).
    EXPECT_FALSE(accepts("-1000" "14E", TSettingsFile::CodesQ3()));
    EXPECT_FALSE(accepts("-1000" "30E", TSettingsFile::CodesQ3()));
    EXPECT_FALSE(accepts("-1000" "30J", TSettingsFile::CodesMulti()));
    // An identity number of two digits moves the code: still this program's file.
    EXPECT_TRUE(accepts("00120030G MUL [2] ", TSettingsFile::CodesMulti()));
    EXPECT_EQ(TSettingsFile::VersionCode(Ini("[Info]\r\nVer=00120030G\r\n")), QStringLiteral("30"));
    // Two-digit identity numbers that look like a kind code at the fixed
    // places: a kind-48 "J" device of identity 0 0 2 10 30, a kind-48 one of
    // 0 0 2 10 14 and 0 0 2 10 15, a kind-20 one of 0 0 2 10 30.
    EXPECT_TRUE(accepts("002103030J STAND [0-0] ", TSettingsFile::CodesMulti()));
    EXPECT_EQ(TSettingsFile::FileVersionLetter(Ini("[Info]\r\nVer=002103030J STAND [0-0]\r\n")), QChar(u'J'));
    EXPECT_FALSE(accepts("002101430J", TSettingsFile::CodesQ3()));
    EXPECT_FALSE(accepts("002101530J", TSettingsFile::CodesQ3()));
    EXPECT_FALSE(accepts("002103014J", TSettingsFile::CodesMulti()));
    EXPECT_TRUE(accepts("002103014J", TSettingsFile::CodesQ3()));
    // A kind code is ASCII digits: another script's digit ends the run.
    TIniFile arabic;
    arabic.WriteString(QStringLiteral("Info"), QStringLiteral("Ver"), QStringLiteral("0000") + QChar(0x0663) + QStringLiteral("30J"));
    EXPECT_FALSE(TSettingsFile::AcceptsVersion(arabic, TSettingsFile::CodesMulti()));
    // Such a version cannot be read: refused as that, not as another kind's,
    // showing the text as the file holds it (its UTF-8 bytes read as UTF-8,
    // whatever the code page of the language).
    for (const QByteArray &codePage : {QByteArray("windows-1252"), QByteArray("windows-1250")})
        for (const QString &ver : {QStringLiteral("002013") + QChar(0x0663) + QStringLiteral("0G"),
                                   QStringLiteral("0000") + QChar(0xFF11) + QStringLiteral("4C")}) {
            SCOPED_TRACE(codePage.toStdString() + " " + ver.toStdString());
            const QByteArray bytes = "[Info]\r\nVer=" + ver.toUtf8() + "\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nP1=1\r\n";
            TIniFile ini(QString(), codePage);
            const TSettingsError e = TSettingsFile::Check(bytes, false, ini);
            EXPECT_TRUE(TSettingsFile::FileVersion(ini).Unreadable);
            EXPECT_EQ(e.Reason, QStringLiteral("strSetFileVersionUnreadable"));
            EXPECT_EQ(e.Args, QStringList{ver});
            EXPECT_EQ(TSettingsFile::FileVersionText(ini), ver);
        }
    // A version in the code page of the language reads in it.
    TIniFile coded(QString(), "windows-1250");
    coded.LoadFromBytes("[Info]\r\nVer=0000030C \xA3\xF3\x64\x9F\r\n");
    EXPECT_EQ(TSettingsFile::FileVersionText(coded), QString::fromUtf8("0000030C Łódź"));
    EXPECT_FALSE(TSettingsFile::FileVersion(coded).Unreadable);
    EXPECT_EQ(TSettingsFile::Check(coded.ToBytes(), false, coded).Args,
              QStringList{QString::fromUtf8("0000030C Łódź")});
    // A letter in lower case reads as its upper case; a character after the
    // digits that is no ASCII letter gives no letter.
    EXPECT_EQ(TSettingsFile::FileVersionLetter(Ini("[Info]\r\nVer=0000030c STD\r\n")), QChar(u'C'));
    for (const char *ver : {"0000030-C", "0000030 C", "00000307"})
        EXPECT_TRUE(TSettingsFile::FileVersionLetter(Ini(QByteArray("[Info]\r\nVer=") + ver + "\r\n")).isNull()) << ver;
    TIniFile accented;
    accented.WriteString(QStringLiteral("Info"), QStringLiteral("Ver"), QStringLiteral("0000030") + QChar(0x00C9));
    EXPECT_TRUE(TSettingsFile::FileVersionLetter(accented).isNull());

    // The version text as the program writes it (five identity numbers, the
    // kind code, the letter) for identity numbers of one, two and three
    // digits in every place, on every kind: the file's kind and letter read
    // back, its own kind's reader takes it and the other refuses it as
    // saved from another kind of device, naming the kind code.
    const struct {
        quint8 Kind;
        const char *Code, *Letter;
    } kinds[] = {{20, "14", "E"}, {21, "15", "E"}, {48, "30", "J"}, {48, "30", "G"}};
    quint8 TDeviceRecord::*const places[] = {&TDeviceRecord::UsaVariant, &TDeviceRecord::IdentityPage5,
                                             &TDeviceRecord::IdentityPage3, &TDeviceRecord::IdentityPage1,
                                             &TDeviceRecord::IdentityPage2};
    const TDeviceRecord kept = DeviceRecord;
    TDataManager manager;
    for (const auto &k : kinds)
        for (size_t place = 0; place < std::size(places); ++place)
            for (const quint8 value : {quint8(1), quint8(3), quint8(10), quint8(14), quint8(15), quint8(30), quint8(255)}) {
                DeviceRecord = Device(k.Kind, k.Letter);
                DeviceRecord.IdentityPage3 = 2;
                DeviceRecord.IdentityPage1 = 4;
                DeviceRecord.*places[place] = value;
                TSettingsInfo info;
                info.Ver = manager.FormatVersion(false);
                SCOPED_TRACE(info.Ver.toStdString());
                TIniFile written;
                const bool multi = k.Kind == 48;
                if (multi)
                    TSettingsFile::WriteMulti(written, DeviceRecord, info, u'.');
                else
                    TSettingsFile::WriteQ3(written, DeviceRecord, info, u'.');
                const QByteArray bytes = written.ToBytes();
                TIniFile ini;
                EXPECT_FALSE(TSettingsFile::Check(bytes, multi, ini).Failed());
                EXPECT_EQ(TSettingsFile::VersionCode(ini), QLatin1String(k.Code));
                EXPECT_EQ(TSettingsFile::FileVersionLetter(ini), QLatin1Char(*k.Letter));
                const TSettingsError other = TSettingsFile::Check(bytes, !multi, ini);
                EXPECT_EQ(other.Detail, QLatin1String(k.Code));
                EXPECT_EQ(other.Reason, QStringLiteral("strSetFileKind"));
            }
    DeviceRecord = kept;

    EXPECT_EQ(TSettingsFile::CheckComplete(Ini("[Info]\r\nVer=0000015C\r\n[Config]\r\nInjSW=4\r\n"), false).Detail,
              QStringLiteral("[Model]"));
    EXPECT_FALSE(TSettingsFile::CheckComplete(Ini(SampleQ3), false).Failed());
    EXPECT_EQ(TSettingsFile::CheckComplete(Ini(SampleQ3), true).Detail, QStringLiteral("[Map]"));
}

TEST(SettingsFile, Kind48KeysFollowTheVersionLetter)
{
    const struct {
        const char *Version;
        int ConfigKeys;
        int ModelKeys;
        bool GasInjCorr, MapRows, MapCorrections, PcolMax, HotStart;
    } cases[] = {
        {"B", 57, 110, false, false, false, false, false},
        {"C", 67, 111, false, false, false, false, false},
        {"D", 73, 113, true, true, false, false, false},
        {"F", 78, 133, true, true, false, false, false},
        {"G", 90, 133, true, true, true, false, false},
        {"I", 90, 133, true, true, true, true, false},
        {"J", 91, 133, true, true, true, true, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Version);
        TIniFile ini;
        TSettingsFile::WriteMulti(ini, Device(48, c.Version), {}, u'.');
        const QByteArray bytes = ini.ToBytes();
        EXPECT_EQ(Keys(bytes, QStringLiteral("Config")).size(), c.ConfigKeys);
        EXPECT_EQ(Keys(bytes, QStringLiteral("Model")).size(), c.ModelKeys);
        EXPECT_EQ(Keys(bytes, QStringLiteral("GasInjCorr")).size(), c.GasInjCorr ? 8 : 0);
        EXPECT_EQ(Keys(bytes, QStringLiteral("Map")).size(), c.MapRows ? 121 : 1);
        EXPECT_EQ(Keys(bytes, QStringLiteral("MapCorrections")).size(),
                  c.MapCorrections ? 202 + (c.PcolMax ? 1 : 0) : 0);
        EXPECT_EQ(bytes.contains("\r\nHotEngineStartOnGas="), c.HotStart);
    }
    // Sections of a file written from scratch, and where the keys stand.
    TIniFile ini;
    TSettingsFile::WriteMulti(ini, Device(48, "J"), {}, u'.');
    EXPECT_EQ(ini.ReadSections(), (QStringList{"Info", "Config", "Model", "Map", "GasInjCorr", "MapCorrections"}));
    const QStringList config = ini.ReadSection(QStringLiteral("Config"));
    EXPECT_EQ(config.mid(0, 4), (QStringList{"FuelType", "InjSW", "InjHW", "EngineCubicCapacity"}));
    EXPECT_EQ(config.mid(13, 2), (QStringList{"PanelLED", "PW0"}));
    EXPECT_EQ(config.indexOf("AlWorkOnGas"), 56);
    EXPECT_EQ(config.indexOf("RPMWireNotConnect"), 57);
    EXPECT_EQ(config.last(), QStringLiteral("HotEngineStartOnGas"));
    const QStringList model = ini.ReadSection(QStringLiteral("Model"));
    EXPECT_EQ(model.mid(5, 3), (QStringList{"M2XP0", "M2YP0", "M2XP1"}));
    EXPECT_EQ(model.mid(45, 4), (QStringList{"CMActive", "CPS1", "CTG1", "CRPM1"}));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("MapCorrections")).at(1), QStringLiteral("AdaptCorrectionsBank1_0_0"));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Map")).mid(0, 3), (QStringList{"MapRPMRange", "MapQ3_0_0", "MapQ3_0_1"}));
}

TEST(SettingsFile, Kind48EveryKeyRoundTrips)
{
    // Every key of a version-J file gets its own value; a read and a rewrite
    // must give each key back (flags as "1").
    TIniFile all;
    TSettingsFile::WriteMulti(all, Device(48, "J"), {}, u'.');
    TIniFile source;
    int n = 0;
    for (const QString &section : all.ReadSections())
        for (const QString &key : all.ReadSection(section))
            source.WriteString(section, key, QString::number(1 + (n++ * 37) % 113));
    // Values the device refuses are moved into what it accepts.
    for (const QString &key : source.ReadSection(QStringLiteral("Config"))) {
        qint64 low = 0, high = 0;
        const qint64 v = source.ReadString(QStringLiteral("Config"), key).toLongLong();
        if (TSettingsFile::DeviceRangeMulti(Device(48, "J"), key, low, high) && (v < low || v > high))
            source.WriteString(QStringLiteral("Config"), key, QString::number(low + (v % (high - low + 1))));
    }
    source.WriteString(QStringLiteral("Info"), QStringLiteral("Ver"), QStringLiteral("0000030J"));
    source.WriteString(QStringLiteral("Model"), QStringLiteral("CMActive"), QStringLiteral("3"));
    source.WriteString(QStringLiteral("Model"), QStringLiteral("Mult"), QStringLiteral("1,75"));

    TSettingsLoad load{Device(48, "J")};
    ASSERT_FALSE(TSettingsFile::ReadMulti(source, load, false).Failed());
    EXPECT_TRUE(load.HasModelPoints && load.HasCorrections && load.HasMapPoints);
    for (int i = 0; i < TDeviceRecord::MapRowCount; ++i)
        EXPECT_EQ(QString::number(load.MapWord0[i]), source.ReadString("Map", QStringLiteral("MapQ3_%1_0").arg(i)));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(QString::number(load.GasInjCorr[i]), source.ReadString("GasInjCorr", QStringLiteral("InjCorr%1").arg(i + 1)));

    TIniFile written;
    TSettingsFile::WriteMulti(written, load.Record, {}, u',');
    int compared = 0;
    for (const QString &section : source.ReadSections()) {
        if (section == QLatin1String("Info") || section == QLatin1String("Map") || section == QLatin1String("GasInjCorr"))
            continue;
        for (const QString &key : source.ReadSection(section)) {
            const QString in = source.ReadString(section, key);
            const QString out = written.ReadString(section, key);
            EXPECT_TRUE(out == in || out == QLatin1String("1")) << qPrintable(section + "/" + key + " " + in + " -> " + out);
            ++compared;
        }
    }
    EXPECT_EQ(compared, 91 + 133 + 203);
    EXPECT_EQ(written.ReadString("Model", "Mult"), QStringLiteral("1,75"));

    TSettingsLoad again{Device(48, "J")};
    ASSERT_FALSE(TSettingsFile::ReadMulti(written, again, false).Failed());
    EXPECT_EQ(again.Record, load.Record);
}

TEST(SettingsFile, Kind48FileOfAnOldDeviceGivesTheDefaults)
{
    const QByteArray text = "[Info]\r\nVer=0000030B STD [1] \r\n[Config]\r\nFuelType=1\r\nInjHW=6\r\n"
                            "GasTempSensorInFlow=0\r\n[Model]\r\nMult=1,5\r\nOffset=2\r\n[Map]\r\nMapRPMRange=1\r\n";
    TSettingsLoad load{Device(48, "J")};
    load.Record.ModelPointsA[3] = {11, 22};
    // What later versions bring, as the "J" device holds it: the "B" file's
    // own letter says it holds none of it.
    load.Record.OnCutOffDelay = 3500;
    load.Record.MaxTbForLoad = 2805;
    load.Record.UseOnIdleModel = 0;
    load.Record.PcolCorrections.fill(-7);
    load.Record.TgasCorType = 4;
    load.Record.RPMCorType = 3;
    ASSERT_FALSE(TSettingsFile::ReadMulti(Ini(text), load, false).Failed());
    const TDeviceRecord &r = load.Record;
    EXPECT_EQ(r.InjHW, 6);
    EXPECT_EQ(r.NozzleSize, 20);
    EXPECT_EQ(r.OnCutOffDelay, 3500);
    EXPECT_EQ(r.MaxTbForLoad, 2805);
    EXPECT_EQ(r.PreinjectionProcessDuringCutOff, 0);
    EXPECT_EQ(r.CMActive, 3);
    EXPECT_EQ(r.TgasCorType, 4);
    EXPECT_EQ(r.RPMCorType, 3);
    // The idle model's switch comes with "C", the manifold-pressure curve
    // with "F": the device's own stay.
    EXPECT_EQ(r.UseOnIdleModel, 0);
    EXPECT_EQ(r.PcolCorrections[0], -7);
    EXPECT_EQ(r.MapRPMRange, 1);
    EXPECT_EQ(r.NozzleTest, (std::array<double, 4>{3.0, 4.0, 6.0, 7.0}));
    // No model-2 points: the record's stay; no curves: the standard ones,
    // gas temperature by the sensor's place.
    EXPECT_FALSE(load.HasModelPoints || load.HasCorrections || load.HasMapPoints);
    EXPECT_EQ(r.ModelPointsA[3], (TModelPoint{11, 22}));
    EXPECT_EQ(r.PsysCorrections, TSettingsFile::StandardPsys());
    EXPECT_EQ(r.TgasCorrections, TSettingsFile::StandardTgas(false));
    EXPECT_EQ(r.RpmCorrections[19], 17);

    // The adaptation flags of a "G" or "H" file hold every bit but "load
    // from Pcol" (offered from "I"): the device's bit 2 stays; an "I" file
    // holds it too.
    // A file naming no letter holds them as one below "G" does.
    for (const auto &[letter, flags] : {std::pair{'G', 0x0F}, {'H', 0x0F}, {'I', 0x0B}, {'J', 0x0B}, {' ', 0x0F}}) {
        SCOPED_TRACE(letter);
        TSettingsLoad adapt{Device(48, "J")};
        adapt.Record.MapCorrections = 0x04;
        const QByteArray file = "[Info]\r\nVer=0000030" + QByteArray(1, letter)
                                + " STD\r\n[Config]\r\nFuelType=1\r\nInjHW=6\r\n[Model]\r\nMult=1\r\n"
                                  "[Map]\r\nMapRPMRange=1\r\n[MapCorrections]\r\nModel_OBDAdaptCorrConfig=11\r\n";
        ASSERT_FALSE(TSettingsFile::ReadMulti(Ini(file), adapt, false).Failed());
        EXPECT_EQ(adapt.Record.MapCorrections, flags);
    }

    // The bits of each byte held in part that a file of each letter gives
    // are the ones the kind-48 description states: a file saved from a
    // device holding every bit, loaded into one holding none, sets those and
    // no other.
    const auto byteOf = [](const TDeviceRecord &rec, const kind48::TFileBits &b) {
        quint8 v = rec.MapCorrections;
        if (b.Width == 8)
            Parameter8Value(rec, b.Id, v);
        return v;
    };
    for (char letter = 'A'; letter <= 'J'; ++letter)
        for (const kind48::TFileBits &b : kind48::FileBits) {
            SCOPED_TRACE(std::string(1, letter) + " id " + std::to_string(b.Id));
            const QByteArray ver(1, letter);
            TDeviceRecord from = Configured(48, ver.constData());
            from.MapCorrections = 0xFF;
            StoreParameter8(from, b.Id, 0xFF);
            TIniFile ini;
            TSettingsFile::WriteMulti(ini, from, {}, u'.');
            ini.WriteString(QStringLiteral("Info"), QStringLiteral("Ver"), QLatin1String("0000030" + ver));
            TSettingsLoad bits{Configured(48, ver.constData())};
            StoreParameter8(bits.Record, b.Id, 0x00);
            ASSERT_FALSE(TSettingsFile::ReadMulti(ini, bits, false).Failed());
            EXPECT_EQ(byteOf(bits.Record, b), kind48::FileBitsHeld(b.Width, b.Id, letter));
        }
    // A file lacking the key of a bit its letter holds gives the key's
    // default; the bits of a later letter's keys stay as the device holds
    // them ("F": the cut-off flags, not the flags of "G").
    {
        TIniFile ini;
        TDeviceRecord from = Configured(48, "F");
        StoreParameter8(from, 50, 0xFF);
        StoreParameter8(from, 52, 0xFF);
        TSettingsFile::WriteMulti(ini, from, {}, u'.');
        ini.WriteString(QStringLiteral("Info"), QStringLiteral("Ver"), QStringLiteral("0000030F"));
        ini.DeleteKey(QStringLiteral("Config"), QStringLiteral("MazdaIgnitionTypeCorrEnabled"));
        TSettingsLoad lacking{Configured(48, "J")};
        StoreParameter8(lacking.Record, 50, 0xFF);
        StoreParameter8(lacking.Record, 52, 0xBF);
        ASSERT_FALSE(TSettingsFile::ReadMulti(ini, lacking, false).Failed());
        quint8 cutOff = 0, extra = 0;
        Parameter8Value(lacking.Record, 50, cutOff);
        Parameter8Value(lacking.Record, 52, extra);
        EXPECT_EQ(cutOff, 0xFD);
        EXPECT_EQ(extra, 0xFF);
    }

    // The same "C" file naming its letter in lower case loads alike.
    {
        TIniFile upper, lower;
        TDeviceRecord from = Configured(48, "C");
        from.UseOnIdleModel = 1;
        TSettingsFile::WriteMulti(upper, from, {}, u'.');
        upper.WriteString(QStringLiteral("Info"), QStringLiteral("Ver"), QStringLiteral("0000030C"));
        lower.LoadFromBytes(upper.ToBytes().replace("0000030C", "0000030c"));
        TSettingsLoad a{Configured(48, "J")}, b{Configured(48, "J")};
        a.Record.UseOnIdleModel = b.Record.UseOnIdleModel = 0;
        a.Record.Tred_lt_Load = b.Record.Tred_lt_Load = 1;
        ASSERT_FALSE(TSettingsFile::ReadMulti(upper, a, false).Failed());
        ASSERT_FALSE(TSettingsFile::ReadMulti(lower, b, false).Failed());
        EXPECT_EQ(b.FileLetter, QChar(u'C'));
        EXPECT_EQ(b.Record.UseOnIdleModel, 1);
        EXPECT_EQ(b.Record, a.Record);
    }
    // Hand-edited files lacking keys their own letter brings: those keys
    // take their defaults (the device accepts them), never the device's
    // values: an "F" file without "CPCOL" or a cut-off key, a "G" file
    // without "MaxTbForLoad", a "D" or "E" file without [GasInjCorr].
    const struct {
        const char *Letter, *Section, *Key;
    } lacking[] = {{"F", "Model", "CPCOL"}, {"F", "Config", "MaxRpmForEnrichmentDuringCutOff"},
                   {"G", "MapCorrections", "MaxTbForLoad"}, {"D", "GasInjCorr", "InjCorr"},
                   {"E", "GasInjCorr", "InjCorr"}};
    for (const auto &l : lacking) {
        SCOPED_TRACE(std::string(l.Letter) + " " + l.Key);
        TDeviceRecord from = Configured(48, l.Letter);
        from.PcolCorrections.fill(-7);
        from.GasInjCorrTable.fill(-3);
        from.MaxRpmForEnrichmentDuringCutOff = 3000;
        from.MaxTbForLoad = 1870;
        TIniFile ini;
        TSettingsFile::WriteMulti(ini, from, {}, u'.');
        ini.WriteString(QStringLiteral("Info"), QStringLiteral("Ver"), QLatin1String("0000030") + QLatin1String(l.Letter));
        for (const QString &key : ini.ReadSection(QLatin1String(l.Section)))
            if (key.startsWith(QLatin1String(l.Key)))
                ini.DeleteKey(QLatin1String(l.Section), key);
        TSettingsLoad load{Configured(48, "J")};
        load.Record.PcolCorrections.fill(9);
        load.Record.MaxRpmForEnrichmentDuringCutOff = 1500;
        load.Record.MaxTbForLoad = 2805;
        ASSERT_FALSE(TSettingsFile::ReadMulti(ini, load, false).Failed());
        const TDeviceRecord &r = load.Record;
        const QByteArray key(l.Key);
        const bool f = *l.Letter >= 'F';
        EXPECT_EQ(r.PcolCorrections[0], !f ? 9 : key == "CPCOL" ? 0 : -7);
        EXPECT_EQ(r.MaxRpmForEnrichmentDuringCutOff, !f ? 1500 : key == "MaxRpmForEnrichmentDuringCutOff" ? 2500 : 3000);
        if (*l.Letter >= 'G') {
            EXPECT_EQ(r.MaxTbForLoad, key == "MaxTbForLoad" ? 4675 : 1870);
        }
        EXPECT_TRUE(load.HasGasInjCorr);
        EXPECT_EQ(load.GasInjCorr[5], key == "InjCorr" ? 0 : -3);
    }

    // Model-2 points present but some missing: the default line for the
    // first seven (halves to even), 65535 from point 7 on.
    TSettingsLoad points{Device(48, "J")};
    ASSERT_FALSE(TSettingsFile::ReadMulti(Ini("[Model]\r\nMult=0,5\r\nOffset=0\r\nM2XP1=9\r\n"), points, true).Failed());
    EXPECT_EQ(points.Record.ModelPointsA[1], (TModelPoint{9, 2}));  // 2.5
    EXPECT_EQ(points.Record.ModelPointsA[3], (TModelPoint{15, 8})); // 7.5
    EXPECT_EQ(points.Record.ModelPointsA[7], (TModelPoint{65535, 65535}));
    EXPECT_EQ(points.Record.InjHW, 0); // model only: the configuration is left alone
}

TEST(SettingsFile, MapGapsAreFilledInTheFileOnly)
{
    TDeviceRecord rec = Device(48, "D");
    rec.MapRows[0] = {0x0001, 0x8064, 0x80C8};
    rec.MapRows[1] = {0x0005, 0x0064, 0x80C8};
    rec.MapRows[2] = {0x1234, 0xFFFF, 0xFFFF};
    // Only the first neighbour valid: the half sum loses bit 15, which the
    // filled cell keeps.
    rec.MapRows[3] = {0x0000, 0x8064, 0x00C8};
    TIniFile ini = Ini("[Map]\r\nMapQ3_39_2=7\r\n[Werkstatt]\r\nA=1\r\n");
    TSettingsFile::WriteMulti(ini, rec, {}, u'.');
    EXPECT_EQ(ini.ReadString("Map", "MapQ3_0_0"), QString::number(0x8096));
    EXPECT_EQ(ini.ReadString("Map", "MapQ3_3_0"), QString::number(0xC096));
    EXPECT_EQ(ini.ReadString("Map", "MapQ3_1_0"), QStringLiteral("5"));
    EXPECT_EQ(ini.ReadString("Map", "MapQ3_2_0"), QString::number(0xFFFF));
    EXPECT_EQ(ini.ReadString("Map", "MapQ3_39_2"), QStringLiteral("0"));
    EXPECT_EQ(rec.MapRows[0][0], 1);
    EXPECT_EQ(ini.ReadString("Werkstatt", "A"), QStringLiteral("1"));
    // A kind-20 save over it drops the kind-48 sections, keeps the foreign one.
    TSettingsFile::WriteQ3(ini, Device(20, "C"), {}, u'.');
    EXPECT_EQ(ini.ReadSections(), (QStringList{"Werkstatt", "Info", "Config", "Model"}));
}
