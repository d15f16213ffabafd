// The kind-48 calibration arithmetic on inputs worked out by hand.
#include "windows/Kind48Math.h"

#include "mainwindow/configuration/CorrectionControls.h"

#include <QLineEdit>

#include <gtest/gtest.h>

using namespace Kind48Math;

namespace {

void ExpectPoints(const TModelPoints &got, const std::vector<QPointF> &want)
{
    ASSERT_EQ(want.size(), got.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(got[i].x(), want[i].x(), 1e-4) << "point " << i;
        EXPECT_NEAR(got[i].y(), want[i].y(), 1e-4) << "point " << i;
    }
}

TTwoPointInput Loaded(double tb0, double pc)
{
    TTwoPointInput in;
    in.Tb0 = tb0;
    in.Pc = pc;
    in.B = 1.0;
    in.X1 = 3.0;
    in.Y1 = 4.0;
    return in;
}

std::array<TModelPoint, TDeviceRecord::ModelPointCount> ModelTable()
{
    std::array<TModelPoint, TDeviceRecord::ModelPointCount> m;
    m.fill(TModelPoint{0xFFFF, 0xFFFF});
    // (0, 1), (2, 3), (4, 5), (8, 10) ms.
    m[0] = {0, 187};
    m[1] = {374, 561};
    m[2] = {748, 935};
    m[3] = {1496, 1870};
    return m;
}

TRecordingPoint At(double pressure, double time) { return TRecordingPoint{pressure, time, 0}; }

} // namespace

TEST(Kind48Math, DefaultModelByInjectorType)
{
    struct Row { int type; double offset, idle; };
    for (const Row &r : {Row{1, 1.0, 4.0}, Row{2, 1.4, 4.8}, Row{16, 0.2, 3.7}, Row{11, 1.0, 4.5}, Row{24, 1.0, 4.5},
                         Row{0, 1.0, 4.0}, Row{31, 1.0, 4.0}, Row{7, 1.0, 4.5}}) {
        EXPECT_DOUBLE_EQ(DefaultModelOffset(r.type), r.offset) << r.type;
        EXPECT_DOUBLE_EQ(DefaultIdleGasTime(r.type), r.idle) << r.type;
    }
    ExpectPoints(DefaultPoints(1.4), {{0, 1.4}, {2, 3.4}, {4, 5.4}, {8, 9.4}, {12, 13.4}, {15, 16.4}, {25, 26.4}});
}

TEST(Kind48Math, EnrichmentOfAPointOverItsBase)
{
    EXPECT_EQ(EnrichmentOf(1.0, 1.0, 4.0, 5.5), 10);
    EXPECT_EQ(EnrichmentOf(1.0, 1.0, 4.0, 4.0), -20);
    // A base of 0 gives no enrichment instead of a division by it.
    EXPECT_EQ(EnrichmentOf(-4.0, 1.0, 4.0, 3.0), 0);
    EXPECT_DOUBLE_EQ(PreciseY(1.0, 1.2, 5.0, 10.0), 7.7);
}

TEST(Kind48Math, TwoPointModelFromIdleAndLoadedPoint)
{
    const TTwoPointModel m = TwoPointModel(Loaded(2.0, 0.3));
    ASSERT_TRUE(m.Refusal.isEmpty()) << m.Refusal.toStdString();
    EXPECT_EQ(m.FactorPercent, 0);
    ExpectPoints(m.Points, {{0, 1}, {1.5, 2.35}, {3, 4}, {5.5, 7.02}, {8, 9}, {11, 11.28}, {25, 23.4}});
}

TEST(Kind48Math, TwoPointModelRefusals)
{
    struct Row { int kind; double tb0, pc; const char *refusal; };
    for (const Row &r : {Row{48, 0.0, 0.3, "strSetTb"}, Row{48, 1.4, 0.3, "strTbTooLow"}, Row{48, 1.5, 0.3, ""},
                         Row{48, 2.0, 0.22, "strPcolTooLow"}, Row{48, 2.0, 0.45, "strPcolTooLow"},
                         Row{48, 2.0, 0.23, ""}, Row{20, 2.0, 0.3, "Function not available for this firmware version"},
                         Row{21, 2.0, 0.3, "Function not available for this firmware version"}}) {
        TTwoPointInput in = Loaded(r.tb0, r.pc);
        in.Kind = r.kind;
        const auto m = TwoPointModel(in);
        EXPECT_EQ(m.Refusal, QString::fromLatin1(r.refusal)) << r.tb0 << " " << r.pc;
    }
    // A loaded point as rich as the idle one: a flat model (factor 0) that
    // the device holds.
    TTwoPointInput flat = Loaded(2.0, 0.3);
    flat.Y1 = flat.B;
    const TTwoPointModel level = TwoPointModel(flat);
    EXPECT_TRUE(level.Refusal.isEmpty()) << level.Refusal.toStdString();
    EXPECT_EQ(level.FactorPercent, -100);
    EXPECT_DOUBLE_EQ(level.Points[4].y(), 1.0);
    // A loaded point that puts points 3 to 5 past 25 ms, or below the
    // offset (a negative factor), gives no model the device could hold.
    TTwoPointInput far = Loaded(2.0, 0.3);
    far.X1 = 12.0;
    far.Y1 = 14.0;
    EXPECT_EQ(TwoPointModel(far).Refusal, QString::fromLatin1(kOutOfRangeKey));
    TTwoPointInput falling = Loaded(2.0, 0.3);
    falling.Y1 = 0.5;
    EXPECT_EQ(TwoPointModel(falling).Refusal, QString::fromLatin1(kOutOfRangeKey));
}

TEST(Kind48Math, SecondTwoPointModelUsesTheReferenceTimes)
{
    TTwoPointInput in = Loaded(2.0, 0.0);
    in.RefTimeA = 0x7000 | 655; // the high bits are not part of the time
    in.RefTimeB = 1122;
    const TTwoPointModel m = TwoPointModel2(in);
    ASSERT_TRUE(m.Refusal.isEmpty()) << m.Refusal.toStdString();
    const double x3 = 655 / 187.0;
    ExpectPoints(m.Points, {{0, 1}, {1.5, 2.35}, {3, 4}, {x3, 1.08 * (x3 + 1)}, {6, 7}, {8.1, 8.554}, {25, 23.4}});
    // Reference time below the loaded point, or beyond 1.4 times it: refused,
    // with nothing to store.
    for (quint16 a : {quint16(0), quint16(786)}) {
        in.RefTimeA = a;
        const auto r = TwoPointModel2(in);
        EXPECT_EQ(r.Refusal, RefTimeRefusalText());
        EXPECT_EQ(r.Points, TModelPoints{});
    }
}

TEST(Kind48Math, VerdictOnTheInjectorsByTheirTimeWindow)
{
    EXPECT_DOUBLE_EQ(MeanGasTime({0, 18, 748, 1122}), 5.0);
    EXPECT_DOUBLE_EQ(MeanGasTime({0, 18}), 0.0);
    struct Row { double mean; int phase, type, verdict; };
    for (const Row &r : {Row{5.9, 1, 2, 0}, Row{5.91, 1, 2, 1}, Row{3.89, 1, 2, 2}, Row{3.9, 1, 2, 0},
                         Row{2.2, 1, 0, 0}, Row{2.19, 1, 19, 2}, Row{5.6, 1, 11, 0}, Row{5.6, 1, 7, 1},
                         Row{2.95, 1, 21, 0}, Row{1.0, 2, 2, 0}, Row{0.0, 1, 2, 0}})
        EXPECT_EQ(Verdict(r.mean, r.phase, r.type), r.verdict) << r.mean << " type " << r.type;
    EXPECT_EQ(ProgressMaximum(4), 20);
}

TEST(Kind48Math, MapSettingsByInjectionTimeBands)
{
    // Band 0 holds three petrol points on t = 5 p + 0.5; band 1 only two, so
    // its gas points take the overall line a = 13.3 / 1.64, c = 4.6 - 0.68 a.
    const QList<TRecordingPoint> petrol = {At(0.3, 2.0), At(0.5, 3.0), At(0.7, 4.0), At(0.9, 6.0), At(1.0, 8.0)};
    const QList<TRecordingPoint> gas = {At(0.4, 3.0), At(0.8, 7.0), At(0.6, 30.5), At(0.85, 9.5)};
    const auto r = CalculateMapSettings(petrol, gas, ModelTable());
    ASSERT_TRUE(r.Refusal.isEmpty());
    const double a = 13.3 / 1.64, c = 4.6 - 0.68 * a;
    const QList<QPointF> want = {{2.5, 4.0}, {a * 0.8 + c, 8.75}, {a * 0.85 + c, 11.875}};
    ASSERT_EQ(r.Points.size(), want.size()); // 30.5 ms joins no band
    for (int i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(r.Points[i].x(), want[i].x(), 1e-9) << i;
        EXPECT_NEAR(r.Points[i].y(), want[i].y(), 1e-9) << i;
    }
}

TEST(Kind48Math, MapSettingsRefusalsAndEdges)
{
    EXPECT_EQ(CalculateMapSettings({}, {At(0.4, 3.0)}, ModelTable()).Refusal, "strNoPoints");
    EXPECT_EQ(CalculateMapSettings({At(0.4, 3.0)}, {}, ModelTable()).Refusal, "strNoPoints");
    // All loads equal: no petrol line.
    const auto flat = CalculateMapSettings({At(0.5, 2.0), At(0.5, 3.0), At(0.5, 4.0)}, {At(0.5, 3.0)}, ModelTable());
    EXPECT_EQ(flat.Refusal, "strNoPoints");
    EXPECT_TRUE(flat.Points.isEmpty());
    // The first gas point of a band beyond the model table has no segment yet.
    const auto beyond = CalculateMapSettings({At(0.3, 12.0), At(0.6, 14.0)}, {At(0.5, 13.0)}, ModelTable());
    ASSERT_EQ(beyond.Points.size(), 1);
    EXPECT_DOUBLE_EQ(beyond.Points[0].y(), 0.0);
}

// A correction cell holds whole percent its signed byte holds: anything
// else is no value of the cell (the write refuses it), never 0 or a clamped
// byte.
TEST(Kind48Math, CorrectionEditsAsSignedBytes)
{
    const struct {
        const char *Text;
        int Byte; // -1000: no value
    } rows[] = {{"-14", 0xF2}, {" 5 ", 5}, {"127", 127}, {"-128", 0x80}, {"", -1000}, {"1,5", -1000},
                {"1.5", -1000}, {"300", -1000}, {"-300", -1000}, {"0,5,1", -1000}, {"x", -1000}};
    QLineEdit cell;
    for (const auto &row : rows) {
        cell.setText(QString::fromLatin1(row.Text));
        const auto value = CorrectionControls::CellValue(&cell);
        if (row.Byte == -1000)
            EXPECT_FALSE(value) << row.Text;
        else
            EXPECT_EQ(value ? int(quint8(*value)) : -1, row.Byte) << row.Text;
    }
}
