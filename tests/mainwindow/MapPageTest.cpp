// The map page against the simulated controller, wired as the program wires
// it: the frames of reads, clears, band changes and map-file loads, what the
// charts and count labels show, the refused files and the locked device, the
// calculations reached through the buttons, and the auto-refresh timer.
#include "common/GiveUp.h"
#include "common/Screenshots.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/MapFile.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "mainwindow/configuration/MapPage.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "mainwindow/PageWindowFixture.h"
#include "sim/SimControllerFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QTimer>
#include <QtCharts/QChartView>
#include <QtCharts/QXYSeries>

#include <gtest/gtest.h>

using namespace sim;

namespace {

uint16_t Word(int band, int code, int time) { return uint16_t(band << 13 | code << 7 | time); }

} // namespace

class MapPageTest : public PageWindowFixture
{
protected:
    static void SetUpTestSuite()
    {
        CreateWindow();
        // As the program's main block wires the page.
        Map = TMapPage::Install(*Window);
        Map->Model = Model;
        Map->Model2 = Model2;
        Model->Hooks.ClearGasMap = Model2->Hooks.ClearGasMap = [] { Map->ClearGasMap(); };
        Model2->Hooks.DrawModelMultsChart = [] { Map->DrawModelMultsChart(); };
        // The wide ranges that the window adds for devices that collect in them.
        auto *ranges = Window->findChild<QComboBox *>(QStringLiteral("CmBCalMapRPMRange"));
        for (int r = 1500; ranges && ranges->count() < 15; r += 500)
            ranges->addItem(QStringLiteral("R%1").arg(r));
        Window->resize(800, 600);
        Window->show();
        QCoreApplication::processEvents();
    }
    void SetUp() override
    {
        Boxes.clear();
        Reply = 6; // Yes
        TCommon::SetAnswerProvider([](const TMessageBoxInfo &box) {
            Boxes << box.Text;
            return box.Buttons.contains(Reply) ? Reply : box.Buttons.value(0);
        });
    }
    static QList<QPointF> Points(QChartView *chart, int series) { return Map->Series(chart, series)->points(); }

    static inline TMapPage *Map = nullptr;
    static inline QStringList Boxes;
    static inline int Reply = 6;
};

TEST_F(MapPageTest, ReadsCountsAndDrawsByBand)
{
    Connect(20, 'G');
    // A live-point series with its point exists from the start on all three charts.
    for (QChartView *c : {Map->ChtMapa, Map->ChtMapa2, Map->ChtMapaQ3})
        EXPECT_EQ(Points(c, 2), QList<QPointF>{QPointF(0, 0)});
    ASSERT_GT(RawToCollectorPressure(136), 1.1);
    ASSERT_LE(RawToCollectorPressure(2 * 24 + 10), 1.1);
    Rig->Device([](SimControllerState &s) {
        s.RecordingCount1 = 200; // read as 127
        for (int i = 0; i < 128; ++i)
            s.Recording1[i] = Word(i % 4, 5 + i % 20, 20 + i % 50);
        s.RecordingCount2 = 5;
        s.Recording2 = {Word(2, 5, 30), 0, Word(1, 63, 40), Word(3, 8, 50), Word(0, 9, 60)};
    });
    Get<QComboBox>("CmBCalMapRPMRange")->setCurrentIndex(8); // bands 0 and 1
    Get<QAbstractButton>("BtnCalMapRead")->click();

    const auto frames = Rig->Requests();
    ASSERT_EQ(frames.size(), 1u + 127 + 5);
    EXPECT_EQ(frames[0], Request({0x31, 0x00, 198}));
    EXPECT_EQ(frames[1], Request({0x31, 0x00, 200}));
    EXPECT_EQ(frames[127], Request({0x31, 0x01, 0xC4}));   // 452: petrol slot 126
    EXPECT_EQ(frames[128], Request({0x31, 0x01, 0xC8}));   // 456: gas slot 0
    // The empty slot and the point above 1.1 bar lower the gas count.
    EXPECT_EQ(Rig->Manager.RecordingCount1, 127);
    EXPECT_EQ(Rig->Manager.RecordingCount2, 3);
    auto *petrol = Get<TCaptionPanel>("LblLenMapPETROL");
    auto *gas = Get<TCaptionPanel>("LblLenMapLPG");
    EXPECT_EQ(petrol->Caption(), "127");
    EXPECT_TRUE(petrol->font().bold());
    EXPECT_EQ(gas->Caption(), "3");
    EXPECT_FALSE(gas->font().bold());

    // Each point is drawn in its band only: bands 0, 1 in range, 2, 3 not.
    EXPECT_EQ(Points(Map->ChtMapa, 1).size(), 64);
    EXPECT_EQ(Points(Map->ChtMapa, 4).size(), 63);
    EXPECT_EQ(Points(Map->ChtMapa, 0).size(), 1);  // the band-0 gas point
    EXPECT_EQ(Points(Map->ChtMapa, 7).size(), 2);
    const QPointF first = Points(Map->ChtMapa, 1).first();
    EXPECT_NEAR(first.y(), 20 * 32 / 187.0, 1e-9);
    EXPECT_EQ(Points(Map->ChtMapa2, 1).first(), QPointF(first.y(), first.x()));
    // A picture of the page with collected points.
    Get<QTabWidget>("PgCMain")->setCurrentWidget(Get("TbSCalibration"));
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get("TbSCalMap"));
    Window->grab().save(testsupport::ScreenshotPath(QStringLiteral("map_page.png")));
    Get<QTabWidget>("PgCMain")->setCurrentIndex(0);
    // Band 7 alone takes none of them.
    Get<QComboBox>("CmBCalMapRPMRange")->setCurrentIndex(7);
    Map->DrawMapChart();
    EXPECT_TRUE(Points(Map->ChtMapa, 1).isEmpty());
    EXPECT_EQ(Points(Map->ChtMapa, 4).size(), 127);

    // The auto refresh reads only on the map page with its box checked.
    Rig->Server.log().clear();
    Window->TimerMapa->setInterval(1);
    Window->TimerMapa->start();
    auto spin = [] {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 150)
            QCoreApplication::processEvents();
    };
    spin();
    EXPECT_TRUE(Rig->Requests().empty());
    Get<QTabWidget>("PgCMain")->setCurrentWidget(Get("TbSCalibration"));
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get("TbSCalMap"));
    Get<QAbstractButton>("ChkCalMapAutoRefresh")->setChecked(true);
    QElapsedTimer waited;
    waited.start();
    while (Rig->Requests().empty() && waited.elapsed() < testsupport::GiveUpMs)
        QCoreApplication::processEvents();
    Window->TimerMapa->stop();
    ASSERT_FALSE(Rig->Requests().empty());
    EXPECT_EQ(Rig->Requests()[0], Request({0x31, 0x00, 198}));
    Get<QAbstractButton>("ChkCalMapAutoRefresh")->setChecked(false);

    // A petrol slot that cannot be read ends the read; the gas table, not
    // read, shows no points rather than empty ones.
    Rig->Server.log().clear();
    Rig->Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0x31 && f[2] == 0 && f[3] == 210; },
                                Fault::badChecksum(), 2);
    Map->BtnCalMapReadClick();
    EXPECT_EQ(Rig->Manager.RecordingCount1, 5);
    EXPECT_EQ(Rig->Manager.RecordingCount2, 0);
    EXPECT_EQ(Get<TCaptionPanel>("LblLenMapLPG")->Caption(), "0");
    EXPECT_TRUE(Points(Map->ChtMapa, 0).isEmpty() && Points(Map->ChtMapa, 7).isEmpty());
}

TEST_F(MapPageTest, ClearsAndBandChangeSendTheirFrames)
{
    Connect(20, 'G');
    Rig->Device([](SimControllerState &s) { s.RecordingCount1 = s.RecordingCount2 = 0; });
    Get<QAbstractButton>("BtnCalMapPetrolClear")->click();
    Get<QAbstractButton>("BtnCalMapLPGClear")->click();
    std::vector<Bytes> expected{Request({0x34, 0, 198, 0}), Request({0x31, 0, 198}),
                                Request({0x34, 0, 199, 0}), Request({0x31, 0, 198})};
    EXPECT_EQ(Rig->Requests(), expected);
    EXPECT_EQ(Boxes, (QStringList{"strQuestMapPetrolClear", "strQuestMapGasClear"}));

    // Band change: parameter 19, then on Yes both counts, clear codes 3, 4 and a read.
    Rig->Server.log().clear();
    Get<QComboBox>("CmBCalMapRPMRange")->setCurrentIndex(9);
    Map->CmBCalMapRPMRangeChange();
    expected = {Request({0x08, 19, 9}), Request({0x34, 0, 198, 0}), Request({0x34, 0, 199, 0}),
                Request({0xDE, 3}), Request({0xDE, 4}), Request({0x31, 0, 198})};
    EXPECT_EQ(Rig->Requests(), expected);
    EXPECT_EQ(DeviceRecord.MapRPMRange, 9);
    // On No only the band is written.
    Rig->Server.log().clear();
    Reply = 7;
    Map->CmBCalMapRPMRangeChange();
    EXPECT_EQ(Rig->Requests(), std::vector<Bytes>{Request({0x08, 19, 9})});
    // A clear the device does not take says so and reads nothing.
    Reply = 6;
    Boxes.clear();
    Rig->Server.log().clear();
    Rig->Device([](SimControllerState &s) { s.Silent = true; });
    Map->ClearPetrolMapAct();
    EXPECT_TRUE(Boxes.contains(QStringLiteral("strMapClear")));
    for (const auto &f : Rig->Requests())
        EXPECT_NE(f[1], 0x31);
}

TEST_F(MapPageTest, Kind48ClearsAndModelHooks)
{
    Connect(48, 'G');
    Get<QAbstractButton>("ChBMapQ3Visible")->setChecked(false);
    Map->ClearPetrolMapAct();
    Model2->Hooks.ClearGasMap();
    std::vector<std::pair<uint8_t, uint8_t>> actions;
    auto clears = [&](SimControllerState &s) {
        actions.clear();
        for (const auto &a : s.Actions)
            if (a.first == 0xDE)
                actions.push_back(a);
    };
    Rig->Device(clears);
    EXPECT_EQ(actions, (std::vector<std::pair<uint8_t, uint8_t>>{{0xDE, 1}, {0xDE, 2}, {0xDE, 4}}));
    Get<QAbstractButton>("ChBMapQ3Visible")->setChecked(true);
    Rig->Device([](SimControllerState &s) { s.Actions.clear(); });
    Map->ClearPetrolMapAct();
    Map->ClearGasMap();
    Rig->Device(clears);
    EXPECT_EQ(actions, (std::vector<std::pair<uint8_t, uint8_t>>{{0xDE, 3}, {0xDE, 4}}));
    Get<QAbstractButton>("ChBMapQ3Visible")->setChecked(false);

    // The cell map read with the points: 39 of 40 valid cells make it complete,
    // which the model-2 page is told.
    Rig->Device([](SimControllerState &s) {
        for (int k = 0; k < 39; ++k) {
            s.RowsDC[k][0] = 0x80;
            s.RowsDC[k][1] = uint8_t(100 + k);
        }
    });
    DeviceRecord.EngineType = 1;
    Map->BtnCalMapReadClick();
    EXPECT_TRUE(Map->MapComplete);
    EXPECT_TRUE(Model2->AdaptMapComplete);
    EXPECT_EQ(Map->MapValidCellCount, 39);
    EXPECT_EQ(Points(Map->ChtMapa, 3).size(), 40);
    EXPECT_EQ(Points(Map->ChtMapa, 3).last(), QPointF(0, 0));
    // With the pressure sensor that has no cells chosen, none are drawn or
    // counted and the map is not complete; another sensor shows them again.
    auto *sensors = Get<QComboBox>("CmBConfPressSensType");
    for (uint8_t code : {1, 2})
        sensors->addItem(TCustomParameters::PressureSensorName(code), int(code));
    sensors->setCurrentIndex(sensors->findData(1));
    Map->DrawMapChart();
    EXPECT_EQ(Map->MapValidCellCount, 0);
    EXPECT_FALSE(Map->MapComplete || Model2->AdaptMapComplete);
    EXPECT_TRUE(Points(Map->ChtMapa, 3).isEmpty());
    sensors->setCurrentIndex(sensors->findData(2));
    Map->DrawMapChart();
    EXPECT_EQ(Map->MapValidCellCount, 39);
    EXPECT_EQ(Points(Map->ChtMapa, 3).size(), 40);
    sensors->clear();
    DeviceRecord.EngineType = 0;

    // The cell map from a settings file, read and checked as File > Load
    // reads a kind-48 file's cells. Refused, naming the file, what is wrong
    // and the range, with nothing cleared or written: a file cut short, one
    // of another kind, a cell that is no number, not whole or no 16-bit
    // word, and a file without the map keys.
    QTemporaryDir dir;
    const QString ddf = dir.filePath(QStringLiteral("car.ddf"));
    Map->Hooks.ChooseSettingsFile = [&ddf] { return ddf; };
    auto writeDdf = [&](const QByteArray &ver, const QByteArray &map) {
        QFile f(ddf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Info]\r\nVer=00000" + ver + "F\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nMult=1\r\n[Map]\r\n"
                "MapRPMRange=0\r\nMapQ3_0_0=33000\r\n" + map);
    };
    TLM lm;
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    struct Restore {
        TLM *Saved = LM;
        ~Restore() { LM = Saved; }
    } restore;
    LM = &lm;
    const struct {
        QByteArray Ver, Map;
        const char *Detail, *Reason;
    } refused[] = {
        {"30", "MapQ3_3_0=33", "MapQ3_3_0=33...", "The file is cut short: line 10 has no line end."},
        {"30", "MapQ3_3_0=abc\r\n", "MapQ3_3_0=abc", "is not a number; the device accepts numbers (0 - 65535)"},
        {"30", "MapQ3_3_0=1.5\r\n", "MapQ3_3_0=1.5", "is not a whole number; the device accepts whole numbers (0 - 65535)"},
        {"30", "MapQ3_3_0=70000\r\n", "MapQ3_3_0=70000", "is outside what the device accepts (0 - 65535)"},
        {"14", "MapQ3_3_0=33000\r\n", "14", "saved from another kind of device (Ver=0000014F)"},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.Detail);
        writeDdf(c.Ver, c.Map);
        Boxes.clear();
        Rig->Server.log().clear();
        Get<QAbstractButton>("BtnCalMapLoadFromFile")->click();
        EXPECT_TRUE(Rig->Requests().empty());
        EXPECT_EQ(Boxes.size(), 1);
        const QStringList parts = Boxes.value(0).split(QStringLiteral("\r\n"));
        EXPECT_EQ(parts.size(), 4);
        if (parts.size() != 4)
            continue;
        EXPECT_EQ(parts[0], QStringLiteral("Invalid settings file [%1]").arg(QLatin1String(c.Detail)));
        EXPECT_EQ(parts[2], ddf);
        EXPECT_TRUE(parts[3].contains(QLatin1String(c.Reason))) << parts[3].toStdString();
    }
    // A file without any map key (saved from a device that holds no map).
    {
        QFile f(ddf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Info]\r\nVer=0000030C\r\n[Config]\r\nInjSW=4\r\n[Model]\r\nMult=1\r\n[Map]\r\nMapRPMRange=0\r\n");
    }
    Boxes.clear();
    Rig->Server.log().clear();
    Get<QAbstractButton>("BtnCalMapLoadFromFile")->click();
    EXPECT_TRUE(Rig->Requests().empty());
    EXPECT_EQ(Boxes, QStringList{"Invalid settings file [[Map]]\r\n\r\n" + ddf
                                 + "\r\nThe file holds no map: [Map] has none of the keys MapQ3_0_0 .. MapQ3_39_0."});
    LM = restore.Saved;
    // A good file clears, loads the 40 values and writes them (from F),
    // whichever of its rows it gives.
    for (const quint16 last : {quint16(32900), quint16(0)}) {
        SCOPED_TRACE(last);
        writeDdf("30", last ? "MapQ3_39_0=32900\r\n" : "");
        Rig->Server.log().clear();
        Get<QAbstractButton>("BtnCalMapLoadFromFile")->click();
        const auto frames = Rig->Requests();
        ASSERT_GE(frames.size(), 42u);
        EXPECT_EQ(frames[0], Request({0x34, 0, 198, 0}));
        EXPECT_EQ(frames[1], Request({0xDE, 3}));
        EXPECT_EQ(frames[2], Request({0xDF, 0, uint8_t(33000 >> 8), uint8_t(33000 & 0xFF)}));
        EXPECT_EQ(frames[3], Request({0xDF, 1, 0, 0}));
        EXPECT_EQ(frames[41], Request({0xDF, 39, uint8_t(last >> 8), uint8_t(last & 0xFF)}));
    }
    Map->Hooks.ChooseSettingsFile = {};

    // The slope chart of model 2.
    Model2->Curve() = {{0, 0}, {5, 10}, {10, 15}};
    Model2->Hooks.DrawModelMultsChart();
    EXPECT_EQ(Model2->Chart->Series[TModel2Chart::sMults],
              (QList<QPointF>{{0, 2}, {5, 2}, {10, 1}}));
    // The device takes a count up to its 128 slots, no more.
    EXPECT_TRUE(Rig->Manager.WriteCounter34(198, 128));
    EXPECT_FALSE(Rig->Manager.WriteCounter34(198, 129));
}

TEST_F(MapPageTest, MapFileSaveLoadWritesThePointsOnlyWhenGood)
{
    Connect(21, 'G');
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("car.dmf"));
    // Points the device's word holds exactly (load code 10, time 20 units).
    const double load = RawToCollectorPressure(30), time = 20 * 32 / 187.0;
    DeviceRecord.Recording1[0] = {load, time, 2};
    DeviceRecord.Recording1[1] = {load, 2 * time, 5};
    DeviceRecord.Recording2[0] = {load, time, 7};
    Rig->Manager.RecordingCount1 = 2;
    Rig->Manager.RecordingCount2 = 1;
    Map->SaveMapToFile(name);
    const auto saved = Map->PetrolPoints();

    DeviceRecord.Recording1 = {};
    Rig->Manager.RecordingCount1 = 0;
    Window->LoadMapFromFile(name);
    const auto w = [&](int i) { return PackMapPoint(DeviceRecord.Recording1[i].State, DeviceRecord.Recording1[i].Time,
                                                    DeviceRecord.Recording1[i].Pressure); };
    const uint16_t w0 = w(0), w1 = w(1);
    const uint16_t g0 = PackMapPoint(7, DeviceRecord.Recording2[0].Time, DeviceRecord.Recording2[0].Pressure);
    std::vector<Bytes> expected{Request({0x32, 0, 200, uint8_t(w0 >> 8), uint8_t(w0)}),
                                Request({0x32, 0, 202, uint8_t(w1 >> 8), uint8_t(w1)}),
                                Request({0x34, 0, 198, 2}),
                                Request({0x32, 0x01, 0xC8, uint8_t(g0 >> 8), uint8_t(g0)}),
                                Request({0x34, 0, 199, 1})};
    EXPECT_EQ(Rig->Requests(), expected);
    ASSERT_EQ(Map->PetrolPoints().size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(Map->PetrolPoints()[i].Pressure, saved[i].Pressure, 0.005);
        EXPECT_NEAR(Map->PetrolPoints()[i].Time, saved[i].Time, 0.005);
        EXPECT_EQ(Map->PetrolPoints()[i].State, saved[i].State);
    }
    EXPECT_EQ(Get<TCaptionPanel>("LblCalMapNameFile")->Caption(), name);
    // The device now holds the loaded points: a read gives them back.
    Map->BtnCalMapReadClick();
    EXPECT_EQ(Rig->Manager.RecordingCount1, 2);
    EXPECT_EQ(Rig->Manager.RecordingCount2, 1);
    EXPECT_EQ(DeviceRecord.Recording1[1].State, 5);
    EXPECT_NEAR(DeviceRecord.Recording1[1].Time, 2 * time, 1e-9);

    // Refused files write nothing, change nothing and say why.
    const auto before = Map->PetrolPoints();
    for (const QByteArray &bad : {QByteArray("PETROL\r\nLp\r\n0\t0.3\t30\t0\r\n"), QByteArray("PETROL\r\nLp\r\n0\t0.3"),
                                  QByteArray("nothing here\r\n")}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bad);
        f.close();
        Boxes.clear();
        Rig->Server.log().clear();
        Window->LoadMapFromFile(name);
        EXPECT_TRUE(Rig->Requests().empty());
        EXPECT_EQ(Boxes.size(), 1);
        EXPECT_EQ(Map->PetrolPoints(), before);
    }
    // A missing file: nothing, no message.
    Boxes.clear();
    Window->LoadMapFromFile(dir.filePath(QStringLiteral("none.dmf")));
    EXPECT_TRUE(Boxes.isEmpty());

    // A petrol-only file: the gas table is empty, and so is the device's.
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("PETROL\r\nLp\r\n7\t" + QByteArray::number(load, 'f', 2) + "\t" + QByteArray::number(time, 'f', 2) + "\t2\r\n");
    }
    Rig->Manager.RecordingCount2 = 1;
    Rig->Server.log().clear();
    Window->LoadMapFromFile(name);
    EXPECT_EQ(Rig->Requests(), (std::vector<Bytes>{Request({0x32, 0, 200, uint8_t(w0 >> 8), uint8_t(w0)}),
                                                    Request({0x34, 0, 198, 1}), Request({0x34, 0, 199, 0})}));
    EXPECT_TRUE(Map->GasPoints().empty());

    // A gas-only file: the petrol table is empty, and so is the device's.
    const QString gasOnly = dir.filePath(QStringLiteral("gas.dmf"));
    {
        QFile f(gasOnly);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("LPG\r\nLp\r\n0\t" + QByteArray::number(load, 'f', 2) + "\t" + QByteArray::number(time, 'f', 2) + "\t7\r\n");
    }
    Rig->Manager.RecordingCount1 = 1;
    Rig->Server.log().clear();
    Window->LoadMapFromFile(gasOnly);
    EXPECT_EQ(Rig->Requests(), (std::vector<Bytes>{Request({0x34, 0, 198, 0}),
                                                    Request({0x32, 0x01, 0xC8, uint8_t(g0 >> 8), uint8_t(g0)}),
                                                    Request({0x34, 0, 199, 1})}));
    EXPECT_TRUE(Map->PetrolPoints().empty());

    // A device that stops answering at the petrol count: nothing more is
    // sent, the page keeps the file's points and says the device lacks them.
    Boxes.clear();
    Rig->Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0x34; }, Fault::noAnswer());
    Rig->Server.log().clear();
    Window->LoadMapFromFile(name);
    Rig->Server.clearFaults();
    EXPECT_EQ(Rig->Requests().back(), Request({0x34, 0, 198, 1})); // and its repeat before it
    ASSERT_EQ(Boxes.size(), 1);
    EXPECT_TRUE(Boxes[0].startsWith("strMapFileWriteIncomplete")) << Boxes[0].toStdString();
    EXPECT_TRUE(Boxes[0].endsWith(name));
    EXPECT_EQ(Map->PetrolPoints().size(), 1);

    // A locked device gets nothing.
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(MapFile::Save({{0.3, 2, 0}}, {}, QLatin1Char('.')));
    f.close();
    Connect(21, 'G', true);
    Window->LoadMapFromFile(name);
    Get<QAbstractButton>("BtnCalMapRead")->click();
    Get<QAbstractButton>("BtnCalMapPetrolClear")->click();
    EXPECT_TRUE(Rig->Requests().empty());
}

TEST_F(MapPageTest, MapFilesOutsideTheSensorRangeOrNoRegularFilesAreRefusedByName)
{
    // The program's English texts: a refusal reads as a sentence.
    TLM lm;
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    TLM *savedLm = LM;
    LM = &lm;
    Connect(21, 'G');
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("car.dmf"));
    auto write = [&](const QByteArray &bytes) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    const QByteArray head = "PETROL\r\nLp\tPoinX\tPoinY\tRPM>4000\r\n0\t0.50\t2.00\t0\r\n";
    const struct {
        int Sensor;
        const char *Row;
        const char *Range; // empty: taken
    } cases[] = {
        {1, "1\t1.50\t2.00\t1", "0.00 - 1.33"}, {1, "1\t2.40\t2.00\t1", "0.00 - 1.33"},
        {2, "1\t0.10\t2.00\t1", "0.20 - 2.23"}, {3, "1\t2.50\t2.00\t1", "0.20 - 2.23"},
        {2, "1\t1.50\t2.00\t1", ""},            {1, "1\t1.33\t2.00\t1", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Row);
        DeviceRecord.PressureSensorType = quint8(c.Sensor);
        DeviceRecord.EngineType = 1; // a charged engine: the page reads loads up to 2.5 bar
        DeviceRecord.Recording1 = {};
        Rig->Manager.RecordingCount1 = 0;
        write(head + c.Row + "\r\n");
        Boxes.clear();
        Rig->Server.log().clear();
        Window->LoadMapFromFile(name);
        if (*c.Range) {
            ASSERT_EQ(Boxes.size(), 1);
            EXPECT_FALSE(Boxes[0].startsWith(QStringLiteral("!_"))) << Boxes[0].toStdString();
            EXPECT_TRUE(Boxes[0].contains(QString::fromLatin1(c.Range))) << Boxes[0].toStdString();
            EXPECT_TRUE(Boxes[0].contains(name + QStringLiteral(" (4)"))) << Boxes[0].toStdString();
            EXPECT_TRUE(Rig->Requests().empty());
            EXPECT_EQ(Rig->Manager.RecordingCount1, 0);
            continue;
        }
        ASSERT_TRUE(Boxes.isEmpty()) << Boxes.join('|').toStdString();
        // The page shows what the device holds: its point word read back.
        ASSERT_EQ(Map->PetrolPoints().size(), 2);
        const TRecordingPoint shown = Map->PetrolPoints()[1];
        Map->BtnCalMapReadClick();
        ASSERT_EQ(Rig->Manager.RecordingCount1, 2);
        EXPECT_NEAR(DeviceRecord.Recording1[1].Pressure, shown.Pressure, 1e-9);
        EXPECT_NEAR(DeviceRecord.Recording1[1].Time, shown.Time, 1e-9);
        EXPECT_NEAR(shown.Pressure, QByteArray(c.Row).split('\t')[1].toDouble(), 0.033);
    }

    // No regular file, or far too large: refused before reading, by name.
    const QString fifo = dir.filePath(QStringLiteral("pipe.dmf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = dir.filePath(QStringLiteral("huge.dmf"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(2) << 30));
    }
    // A file whose name is not valid UTF-8, as the dialog gives it: refused by
    // a box that says why, nothing sent.
    const QByteArray rawName = QFile::encodeName(dir.path()) + "/auto-\xff\xfe.dmf";
    {
        const int fd = ::open(rawName.constData(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        const QByteArray good = MapFile::Save({{0.3, 2, 0}}, {}, QLatin1Char('.'));
        ASSERT_EQ(::write(fd, good.constData(), size_t(good.size())), good.size());
        ::close(fd);
    }
    const QString unreadable = QFile::decodeName(rawName);
    for (const QString &file : {unreadable, fifo, QStringLiteral("/dev/zero"), huge}) {
        Boxes.clear();
        Rig->Server.log().clear();
        Window->LoadMapFromFile(file);
        ASSERT_EQ(Boxes.size(), 1);
        EXPECT_TRUE(Boxes[0].startsWith(file)) << Boxes[0].toStdString();
        EXPECT_EQ(Boxes[0].contains(QStringLiteral("UTF-8")), file == unreadable) << Boxes[0].toStdString();
        EXPECT_TRUE(Rig->Requests().empty());
    }
    LM = savedLm;
}

TEST_F(MapPageTest, CalculationButtonsFillTheModelChart)
{
    Connect(20, 'G');
    // Model factors as the device sends them: multiplier 1.0, thresholds 4, 8, 12, 16 ms.
    Rig->Device([](SimControllerState &s) {
        Bytes &f = s.Payload[0x10];
        f.assign(20, 0);
        for (int k = 0; k < 4; ++k) {
            const uint16_t raw = uint16_t(4 * (k + 1) * 187);
            f[2 * (2 + k)] = uint8_t(raw >> 8);
            f[2 * (2 + k) + 1] = uint8_t(raw);
        }
    });
    auto set = [](auto &table, std::initializer_list<TRecordingPoint> points) {
        table = {};
        std::copy(points.begin(), points.end(), table.begin());
    };
    set(DeviceRecord.Recording1, {{0.6, 5, 0}, {0.7, 6, 0}, {0.8, 7, 0}, {0.3, 3, 0}});
    set(DeviceRecord.Recording2, {{0.7, 5, 0}, {0.2, 1, 0}, {0.25, 1.5, 0}});
    Rig->Manager.RecordingCount1 = 4;
    Rig->Manager.RecordingCount2 = 3;
    Get<QAbstractButton>("BtnCalMapCalculate")->click();
    ASSERT_EQ(Boxes.size(), 1); // too few gas points
    EXPECT_TRUE(Model->Series(1)->points().isEmpty());

    Boxes.clear();
    DeviceRecord.Recording2[3] = {0.3, 2, 0};
    Rig->Manager.RecordingCount2 = 4;
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get("TbSCalMap"));
    Get<QAbstractButton>("BtnCalMapCalculate")->click();
    EXPECT_TRUE(Boxes.isEmpty());
    ASSERT_EQ(Model->Series(1)->points().size(), 4);
    EXPECT_NEAR(Model->Series(1)->points()[0].x(), 6.0, 1e-9);
    EXPECT_EQ(Get<QTabWidget>("PgCCalibration")->currentWidget(), Get("TbSCalModel"));
    Get<QAbstractButton>("BtnCalMapCalcClear")->click();
    EXPECT_TRUE(Model->Series(1)->points().isEmpty());
}

TEST_F(MapPageTest, SegmentFitUsesTheLineOfTheNewMultiplier)
{
    // Model line y = x (multiplier 1.0, offset 0, thresholds 4, 8, 12, 16 ms,
    // no enrichment); calculated points (7, 8.75), (9, 11.25): mult = 20 / 16
    // = 1.25, so the line is redrawn as y = 1.25 x before the segments are
    // fitted. Segment 0..4 holds no point and keeps Y1 = 5; segment 4..8
    // (x <= 10): Y2 = 4 * (20 - 2 * 5) / (16 - 8) + 5 = 10; segment 8..12
    // (x <= 14): Y3 = 4 * (11.25 - 10) / (9 - 8) + 10 = 15: every point on
    // the new line, so all four enrichments stay 0 (the line of the old
    // multiplier would leave Y1 = 4 and give E1 = -20).
    const char *thresholds[4] = {"UpDProgA", "UpDProgB", "UpDProgC", "UpDProgD"};
    const char *enrichments[4] = {"UpDWzbogacenieProgA", "UpDWzbogacenieProgB", "UpDWzbogacenieProgC",
                                  "UpDWzbogacenieProgD"};
    for (int k = 0; k < 4; ++k) {
        Get<QSpinBox>(thresholds[k])->setValue(4 * (k + 1));
        Get<QSpinBox>(enrichments[k])->setValue(0);
    }
    Get<QSpinBox>("UpDModMult")->setValue(0);
    Get<QSpinBox>("UpDModOffset")->setValue(0);
    Model->UpDModMultClick();
    Model->UpDModOffsetClick();
    ASSERT_EQ(Model->Series(3)->points().value(1), QPointF(4, 4));
    Model->Series(1)->replace(QList<QPointF>{{7, 8.75}, {9, 11.25}});
    Map->ModelSegmentsByCalculations();
    EXPECT_EQ(Get<QSpinBox>("UpDModMult")->value(), 25);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(Get<QSpinBox>(enrichments[k])->value(), 0) << k;
    EXPECT_EQ(Model->Series(3)->points().value(1), QPointF(4, 5));
    EXPECT_EQ(Model->Series(3)->points().value(3), QPointF(12, 15));
}

TEST_F(MapPageTest, SegmentFitShowsTheMultiplierInFullWithTheUsersSeparator)
{
    // Calculated points (3, 4), (3, 3), offset 0: mult = 7 / 6, shown as the
    // default float text (15 digits) with the decimal comma of a Polish user.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    Get<QSpinBox>("UpDModMult")->setValue(0);
    Get<QSpinBox>("UpDModOffset")->setValue(0);
    Model->UpDModMultClick();
    Model->UpDModOffsetClick();
    Model->Series(1)->replace(QList<QPointF>{{3, 4}, {3, 3}});
    Map->ModelSegmentsByCalculations();
    QLocale::setDefault(saved);
    EXPECT_EQ(Get<QSpinBox>("UpDModMult")->value(), 17);
    EXPECT_EQ(Get<QLineEdit>("EdtModMULT_")->text(), "1,16666666666667");

    // The map chart's axes count in the user's notation too.
    Get<QTabWidget>("PgCMain")->setCurrentWidget(Get("TbSCalibration"));
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get("TbSCalMap"));
    for (const QLocale &locale : {QLocale(QLocale::Polish, QLocale::Poland), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        QLocale::setDefault(locale);
        Map->DrawMapChart();
        QLocale::setDefault(saved);
        QCoreApplication::processEvents();
        QStringList shown;
        for (QGraphicsItem *item : Map->ChtMapa->scene()->items())
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item); text && text->isVisible())
                shown << text->toPlainText();
        EXPECT_TRUE(shown.join(u' ').contains(locale.toString(5.5, 'f', 1) + u' ')) << shown.join(u' ').toStdString();
    }
}
