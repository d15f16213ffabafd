// Map files: the exact bytes written, save then load in both decimal
// separators and in the scrambled form, and the files that are refused.
#include "core/MapFile.h"
#include "core/Scramble.h"
#include "core/UnitConversions.h"

#include <gtest/gtest.h>

using namespace MapFile;

namespace {
// The tables below lie within what sensor type 1 holds.
TReadResult Read(const QByteArray &bytes) { return MapFile::Read(bytes, 1); }
} // namespace

TEST(MapFileTest, WritesTheLayoutAndReadsItBack)
{
    const TPoints petrol{{0.35, 4.28, 0}, {0.6, 8.05, 3}, {1.02, 12.5, 7}};
    const TPoints gas{{0.41, 5.99, 2}};
    const QByteArray text = Save(petrol, gas, QLatin1Char(','));
    EXPECT_EQ(text, QByteArray("PETROL\r\nLp\tPoinX\tPoinY\tRPM>4000\r\n"
                               "0\t0,35\t4,28\t0\r\n1\t0,60\t8,05\t3\r\n2\t1,02\t12,50\t7\r\n"
                               "\r\nLPG\r\nLp\tPoinX\tPoinY\tRPM>4000\r\n0\t0,41\t5,99\t2\r\n"));
    // As written, behind an editor's byte-order mark, with lines ended by CR
    // alone, with the first line only ended so; plain and scrambled.
    for (QChar decimal : {QLatin1Char(','), QLatin1Char('.')}) {
        const QByteArray saved = Save(petrol, gas, decimal);
        for (const QByteArray &form : {saved, "\xEF\xBB\xBF" + saved, QByteArray(saved).replace("\r\n", "\r"),
                                       QByteArray(saved).replace(saved.indexOf("\r\n"), 2, "\r"),
                                       QByteArray(saved).replace("\r\n", "\r\r\n")}) {
            for (bool scrambled : {false, true}) {
                SCOPED_TRACE(testing::Message() << scrambled << form.toStdString());
                QByteArray bytes = form;
                if (scrambled)
                    ScrambleStream(bytes);
                const TReadResult r = Read(bytes);
                ASSERT_TRUE(r.Ok) << r.ErrorKey.toStdString();
                EXPECT_EQ(r.Scrambled, scrambled);
                EXPECT_EQ(r.Petrol, petrol);
                EXPECT_EQ(r.Gas, gas);
            }
        }
    }
    // Empty tables: names and headers only; both blocks are there, empty.
    const TReadResult empty = Read(Save({}, {}, QLatin1Char('.')));
    ASSERT_TRUE(empty.Ok);
    EXPECT_TRUE(empty.HasPetrol && empty.HasGas);
    EXPECT_TRUE(empty.Petrol.empty() && empty.Gas.empty());

    // A lower-case petrol block only, LF line ends, a row with two TABs and a
    // row that is no number skipped, rows renumbered by their order.
    const TReadResult only = Read("petrol\nheader\n5\t0.5\t3\t1\nbad row\tx\n1\tx\t2\t0\n2\t0.25\t1.5\t0\n\n");
    ASSERT_TRUE(only.Ok);
    EXPECT_TRUE(only.HasPetrol);
    EXPECT_FALSE(only.HasGas);
    ASSERT_EQ(only.Petrol.size(), 2u);
    EXPECT_EQ(only.Petrol[1], (TRecordingPoint{0.25, 1.5, 0}));
    // Row numbers are not used: the rows' order places them.
    const TReadResult numbered = Read("PETROL\r\nLp\r\n200\t0.30\t2\t0\r\n-1\t0.40\t2\t1\r\n128\t0.50\t2\t2\r\n");
    ASSERT_TRUE(numbered.Ok) << numbered.ErrorKey.toStdString();
    ASSERT_EQ(numbered.Petrol.size(), 3u);
    EXPECT_EQ(numbered.Petrol[0], (TRecordingPoint{0.3, 2, 0}));
    EXPECT_EQ(numbered.Petrol[2], (TRecordingPoint{0.5, 2, 2}));
    // A block whose name is the second-to-last line has no rows.
    const TReadResult late = Read("LPG\r\nLp\r\n");
    EXPECT_TRUE(late.Ok && late.Gas.empty());
}

TEST(MapFileTest, RefusesDamagedAndForeignFiles)
{
    auto refused = [](const QByteArray &bytes) { return Read(bytes).ErrorKey.toStdString(); };
    const QByteArray good = Save({{0.35, 4.28, 0}}, {{0.41, 5.99, 2}}, QLatin1Char('.'));
    EXPECT_EQ(refused(good.left(good.size() - 4)), "strMapFileTruncated");
    EXPECT_EQ(refused("[Map]\r\nMapQ3_0_0=1\r\n"), "strWrongMapFile");
    EXPECT_EQ(refused("\x01" + good), "strMapFileHiddenBlock");
    // A hidden block is named by its line: behind a readable one, and alone.
    for (const auto &[bytes, line] : {std::pair(QByteArray(good).replace("\r\nLPG\r\n", "\r\n\x01LPG\r\n"), 5),
                                      std::pair(QByteArray("\xEF\xBB" "PETROL\r\nLp\r\n0\t0.35\t4.28\t0\r\n"), 1)}) {
        EXPECT_EQ(refused(bytes), "strMapFileHiddenBlock") << bytes.toStdString();
        EXPECT_EQ(Read(bytes).Line, line) << bytes.toStdString();
    }
    EXPECT_EQ(refused(QByteArray()), "strWrongMapFile");
    // A scrambled file under another key unscrambles to nothing readable.
    QByteArray foreign = good;
    for (int i = 0; i < foreign.size(); ++i)
        foreign[i] = char(foreign[i] ^ 0x55 ^ ((i + 1) % 97));
    EXPECT_EQ(refused(foreign), "strWrongMapFile");

    const char *head = "PETROL\r\nLp\r\n";
    for (const char *row : {"0\t2.6\t2\t0", "0\t-0.1\t2\t0",
                            "0\t0.3\t21.8\t0", "0\t0.3\t2\t8", "0\t0.3\tnan\t0", "0\tinf\t2\t0"}) {
        const TReadResult r = Read(QByteArray(head) + row + "\r\n");
        if (QByteArray(row).contains("nan") || QByteArray(row).contains("inf")) {
            // Not numbers the device can take: refused or skipped, never stored.
            EXPECT_TRUE(!r.Ok || r.Petrol.empty()) << row;
            continue;
        }
        EXPECT_FALSE(r.Ok) << row;
        EXPECT_EQ(r.ErrorKey, "strMapFileOutOfRange") << row;
        EXPECT_EQ(r.Line, 3) << row;
        EXPECT_TRUE(r.Petrol.empty());
    }
    // The word 0 is an empty slot to the device: a point in band 0 at 0 ms
    // whose load is stored as the lowest field is refused, by its line; in
    // another band or with a time it is taken.
    for (const char *row : {"0\t0.00\t0.00\t0", "0\t0.01\t0,00\t0"}) {
        const TReadResult r = Read(QByteArray("LPG\r\nLp\r\n0\t0.5\t2\t0\r\n") + row + "\r\n");
        EXPECT_FALSE(r.Ok) << row;
        EXPECT_EQ(r.ErrorKey, "strMapFileEmptyPoint") << row;
        EXPECT_EQ(r.Line, 4) << row;
    }
    for (const char *row : {"0\t0.00\t0.00\t1", "0\t0.00\t0.20\t0", "0\t0.10\t0.00\t0"})
        EXPECT_TRUE(Read(QByteArray(head) + row + "\r\n").Ok) << row;
    // 128 rows fit a table, 129 do not.
    QByteArray many = head;
    for (int i = 0; i < 128; ++i)
        many += QByteArray::number(i) + "\t0.3\t2\t0\r\n";
    EXPECT_TRUE(Read(many).Ok);
    EXPECT_EQ(refused(many + "0\t0.3\t2\t0\r\n"), "strMapFileTooManyRows");
}

TEST(MapFileTest, LoadsOutsideTheSensorTypeAreRefusedNamingTheLine)
{
    const struct {
        int Sensor;
        double Load;
        bool Fits;
    } cases[] = {
        {1, 0.0, true},  {1, 1.0, true},  {1, 1.33, true}, {1, 1.5, false},  {1, 2.4, false},
        {1, 2.5, false}, {2, 0.0, false}, {2, 0.1, false}, {2, 0.2, true},   {2, 2.23, true},
        {2, 2.4, false}, {2, 2.5, false}, {3, 0.1, false}, {3, 1.2, true},   {3, 2.5, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "sensor " << c.Sensor << " load " << c.Load);
        const QByteArray row = "0\t" + QByteArray::number(c.Load, 'f', 2) + "\t2\t0\r\n";
        const TReadResult r = MapFile::Read("LPG\r\nLp\r\n1\t0.5\t2\t0\r\n" + row, c.Sensor);
        EXPECT_EQ(r.Ok, c.Fits);
        if (c.Fits) {
            // Stored as the device holds it: within one step of the pressure field.
            const TRecordingPoint stored = Stored(r.Gas.at(1), c.Sensor);
            EXPECT_NEAR(stored.Pressure, c.Load, c.Sensor == 1 ? 0.022 : 0.033);
            EXPECT_EQ(Stored(stored, c.Sensor), stored);
        } else {
            EXPECT_EQ(r.ErrorKey, "strMapFileOutOfRange");
            EXPECT_EQ(r.Line, 4);
        }
    }
    // The top of what each sensor type stores is taken, and so is a load in
    // the last half step above it (stored as the top); one beyond is refused.
    for (int sensor : {1, 2, 3}) {
        double bottom = 0, top = 0;
        LoadRange(sensor, bottom, top);
        const double lastHalfStep = RawToCollectorPressureFor(sensor, 137), beyond = RawToCollectorPressureFor(sensor, 138);
        for (double load : {top, lastHalfStep, beyond}) {
            const QByteArray row = "0\t" + QByteArray::number(load, 'f', 6) + "\t2\t0\r\n";
            const TReadResult r = MapFile::Read("LPG\r\nLp\r\n" + row, sensor);
            EXPECT_EQ(r.Ok, load != beyond) << "sensor " << sensor << " load " << load;
            if (r.Ok) {
                EXPECT_NEAR(Stored(r.Gas.at(0), sensor).Pressure, top, 1e-9) << "sensor " << sensor << " load " << load;
            }
        }
    }
    double low = 0, high = 0;
    LoadRange(1, low, high);
    EXPECT_NEAR(low, 0.0, 1e-9);
    EXPECT_NEAR(high, 1.33, 0.005);
    LoadRange(2, low, high);
    EXPECT_NEAR(low, 0.196, 0.005);
    EXPECT_NEAR(high, 2.23, 0.005);
}

TEST(MapFileTest, EveryPointADeviceHoldsComesBackAsItsWord)
{
    // The page shows a device's point word as its load and time; a file
    // saved from them reads back onto the same device as the same word, for
    // every pressure field, time and band, whatever the sensor type.
    for (int sensor = 0; sensor <= 5; ++sensor) {
        TPoints points;
        std::vector<quint16> words;
        for (int field = 0; field < 64; ++field)
            for (int time = 0; time < 128; time += 9) {
                const quint16 word = quint16((field % 8) << 13 | field << 7 | time);
                if (word == 0)
                    continue;
                points.push_back({RawToCollectorPressureFor(sensor, CodeToCollectorRaw(word)), time * 32 / 187.0,
                                  quint8(field % 8)});
                words.push_back(word);
            }
        for (size_t at = 0; at < points.size(); at += kMaxRows) {
            const size_t n = std::min<size_t>(kMaxRows, points.size() - at);
            const TPoints part(points.begin() + long(at), points.begin() + long(at + n));
            for (QChar decimal : {QLatin1Char('.'), QLatin1Char(',')}) {
                SCOPED_TRACE(testing::Message() << "sensor " << sensor << " from " << at << " " << decimal.toLatin1());
                const TReadResult r = MapFile::Read(Save(part, {}, decimal), sensor);
                ASSERT_TRUE(r.Ok) << r.ErrorKey.toStdString() << " line " << r.Line;
                ASSERT_EQ(r.Petrol.size(), n);
                for (size_t i = 0; i < n; ++i)
                    EXPECT_EQ(Word(r.Petrol[i], sensor), words[at + i]) << "row " << i;
            }
        }
    }
}
