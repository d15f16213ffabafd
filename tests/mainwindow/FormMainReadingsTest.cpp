// Live readings of the main window against the simulated controller: the live
// group is read through the real data manager on a pseudo-terminal, as the
// main tick does for the measurement page, and the displays must show the
// conversions of the raw values the controller sent, in the right colours.
#include "controls/DigitalDisplay.h"
#include "controls/DipSwitch.h"
#include "controls/PaintShape.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "sim/SimControllerFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTableWidget>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QResizeEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtCharts/QChartView>
#include <QtCharts/QPieSeries>
#include <QtCharts/QScatterSeries>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

using namespace sim;

namespace {

// A Polish user's locale (decimal comma) while it lives.
struct PolishLocale {
    PolishLocale() { QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland)); }
    ~PolishLocale() { QLocale::setDefault(Saved); }
    const QLocale Saved;
};

QColor Entry(int index)
{
    const uint32_t c = CustomParameters->GetEntry(index);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// One engine state as the controller sends it in its live group (command
// 0x05) and the manifold-pressure answer (0x22).
struct EngineState {
    uint8_t Psys = 0, Tred = 0, Tgas = 0, Vbat = 0, Level = 0, Lambda = 0;
    uint16_t Period = 0;
    uint8_t Switch = 3;
    std::array<uint16_t, 4> Petrol{}; // channel 1 at most 13 bits, channel 2 at most 15
    std::array<uint16_t, 4> Gas{};
    uint8_t Pcol = 0;
};

class FormMainReadingsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        TCommon::SetAnswerProvider([](const TMessageBoxInfo &) { return int(QMessageBox::Ok); });
        CustomParameters = new TCustomParameters;
        CustomParameters->Init(TCustomParameters::Edition);
        Window = new TFormMain;
        Window->RegisterReadingColors();
        Window->show();
        QCoreApplication::processEvents();
    }
    static void TearDownTestSuite()
    {
        delete Window;
        Window = nullptr;
        delete CustomParameters;
        CustomParameters = nullptr;
    }

    void SetUp() override
    {
        Rig = std::make_unique<SimControllerRig>(20, 'E');
        ASSERT_TRUE(Rig->Connect());
        // A first poll as the connect's leaves the link's poll state clean.
        Rig->Manager.PollGroup(TDataManager::pgConnect, true);
        DeviceRecord.InjSW = 4;
        DeviceRecord.InjectorMask = 0x0F;
        ShowPage("TbSMeasure");
        Get<QComboBox>("CmbOdcInjDisplay")->setCurrentIndex(0);
    }
    void TearDown() override { Rig.reset(); }

    template <typename T> static T *Get(const char *name)
    {
        T *object = Window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(object, nullptr) << name;
        return object;
    }
    static TDigitalDisplay *Dgd(const char *name) { return Get<TDigitalDisplay>(name); }
    static QString Text(const char *name) { return Get<TCaptionPanel>(name)->text(); }
    static QColor FontColour(const char *name)
    {
        return Get<QWidget>(name)->palette().color(QPalette::WindowText);
    }
    static double PieFirst(const char *chart)
    {
        auto *pie = qobject_cast<QPieSeries *>(Get<QChartView>(chart)->chart()->series().first());
        return pie ? pie->slices().at(0)->value() : -1;
    }

    void ShowPage(const char *page)
    {
        Get<QTabWidget>("PgCMain")->setCurrentWidget(Get<QWidget>(page));
    }

    void Send(const EngineState &e)
    {
        Rig->Device([&](SimControllerState &s) {
            Bytes &p = s.Payload[0x05];
            p[0] = e.Psys;
            p[1] = e.Tred;
            p[2] = e.Tgas;
            p[3] = e.Vbat;
            p[4] = e.Level;
            p[5] = e.Lambda;
            p[6] = uint8_t(e.Period >> 8);
            p[7] = uint8_t(e.Period);
            p[8] = uint8_t(e.Switch << 5 | (e.Petrol[0] >> 8 & 0x1F));
            p[9] = uint8_t(e.Petrol[0]);
            p[10] = uint8_t(e.Petrol[1] >> 8 & 0x7F);
            p[11] = uint8_t(e.Petrol[1]);
            for (int i = 2; i < 4; ++i) {
                p[12 + 2 * (i - 2)] = uint8_t(e.Petrol[i] >> 8);
                p[13 + 2 * (i - 2)] = uint8_t(e.Petrol[i]);
            }
            for (int i = 0; i < 4; ++i) {
                p[16 + 2 * i] = uint8_t(e.Gas[i] >> 8);
                p[17 + 2 * i] = uint8_t(e.Gas[i]);
            }
            s.Payload[0x22][0] = e.Pcol;
        });
    }

    // The tick's work for the measurement page: the live group, then the
    // readings and the status bar.
    void Tick()
    {
        ASSERT_TRUE(Rig->Manager.PollGroup(TDataManager::pgLive, true));
        Window->UpdateLiveReadings();
        Window->PnlStatusGazSwitchUpdate();
        Window->PnlStatusDeviceInfoUpdate();
    }

    static TFormMain *Window;
    std::unique_ptr<SimControllerRig> Rig;
};

TFormMain *FormMainReadingsTest::Window = nullptr;

TEST_F(FormMainReadingsTest, EveryControlTheReadingsWriteIsInTheLayout)
{
    // A component missing from the layout would get a hidden stand-in.
    QStringList standIns;
    for (QObject *o : Window->findChildren<QObject *>())
        if (o->objectName().endsWith(QLatin1String("_standIn")))
            standIns << o->objectName();
    EXPECT_TRUE(standIns.isEmpty()) << standIns.join(QLatin1Char(' ')).toStdString();
}

TEST_F(FormMainReadingsTest, MeasurementPageShowsConvertedValuesOfEveryEngineState)
{
    const EngineState states[] = {
        // Engine off, on petrol.
        {90, 200, 210, 125, 0, 0, 0, 3, {0, 0, 0, 0}, {0, 0, 0, 0}, 40},
        // Idle on gas, warm: 800 rpm.
        {150, 67, 100, 140, 30, 20, 28050, 5, {500, 520, 480, 510}, {600, 610, 590, 620}, 60},
        // Cruising on gas, one channel long and one near zero.
        {160, 60, 90, 150, 30, 20, 11220, 5, {1200, 10, 1150, 1180}, {1400, 0, 1300, 1350}, 210},
        // Waiting for the switch-over, cold reducer.
        {50, 190, 180, 131, 0, 0, 22440, 4, {700, 700, 700, 700}, {0, 0, 0, 0}, 90},
    };
    // Before the first reading the battery shows no value, not a made-up one,
    // and neither do the advanced diagnostics' times of each cylinder.
    EXPECT_EQ(Text("LblOdcVbat"), QString());
    for (int n = 1; n <= 8; ++n)
        for (const char *name : {"LblDgnAdvPetrol%1", "LblDgnAdvGas%1"}) {
            const QByteArray label = QString::fromLatin1(name).arg(n).toLatin1();
            EXPECT_EQ(Text(label.constData()), QString()) << label.constData();
        }
    for (const EngineState &e : states) {
        SCOPED_TRACE(::testing::Message() << "period " << e.Period << " state " << int(e.Switch));
        Send(e);
        Tick();
        const auto &r = DeviceRecord;

        EXPECT_EQ(Dgd("DgDOdcRPM")->Caption(), FormatRpm(e.Period));
        EXPECT_EQ(Dgd("DgDOdcRPM")->ColorFill(), Entry(e.Period == 0 ? 10 : 7));
        EXPECT_EQ(Get<QProgressBar>("PrBOdcRPM")->value(), std::min(PeriodToRpm(e.Period), 8000));

        EXPECT_EQ(Dgd("DgDOdcTred")->Caption(), FormatTemperature(e.Tred));
        const int threshold = Rig->Manager.GetSwitchTempThreshold();
        EXPECT_EQ(Dgd("DgDOdcTred")->ColorFill(), Entry(threshold < e.Tred ? 10 : 7));
        EXPECT_EQ(Text("LblOdcTNomRed"), FormatTemperature(uint8_t(threshold)));
        EXPECT_EQ(Dgd("DgDOdcTgaz")->Caption(), FormatTemperature(e.Tgas));
        EXPECT_EQ(Dgd("DgDOdcTgaz")->ColorFill(), Entry(e.Tgas > 195 ? 10 : 7));

        EXPECT_EQ(Dgd("DgDOdcPsys")->Caption(), FormatPressure(e.Psys));
        EXPECT_EQ(Get<QProgressBar>("PrBOdcPsys")->value(), e.Psys);
        const double bar = RawToPressure(e.Psys);
        EXPECT_EQ(Dgd("DgDOdcPsys")->ColorFill(),
                  Entry(bar < 0.8 || bar > 1.5 || e.Switch <= 3 ? 10 : 7));
        EXPECT_EQ(Dgd("DgDOdcPcol")->Caption(), FormatCollectorPressure(e.Pcol));
        EXPECT_EQ(Dgd("DgDOdcPcol")->ColorFill(),
                  Entry(RawToCollectorPressure(e.Pcol) > 1.05 ? 2 : 7));

        // Injection times: the average over the four channels, gas only on gas.
        double petrol = 0, gas = 0;
        bool longOne = false, shortOne = false;
        for (int i = 0; i < 4; ++i) {
            petrol += e.Petrol[i] / 187.0 / 4;
            gas += e.Gas[i] / 187.0 / 4;
            longOne = longOne || e.Petrol[i] / 187.0 >= 6.0;
            shortOne = shortOne || e.Petrol[i] / 187.0 < 0.1;
        }
        EXPECT_EQ(Dgd("DgDOdcPetrol")->Caption(), QString::asprintf("%.2f", petrol));
        EXPECT_EQ(Dgd("DgDOdcPetrol")->ColorFill(), Entry(longOne && shortOne ? 10 : 7));
        EXPECT_EQ(Dgd("DgDOdcLPG")->Caption(),
                  e.Switch == 5 ? QString::asprintf("%.2f", gas) : QStringLiteral("0.00"));
        EXPECT_EQ(FontColour("LblOdcPETROL"), e.Switch == 5 ? QColor(Qt::black) : QColor(Qt::red));
        EXPECT_EQ(FontColour("LblOdcLPG"), e.Switch == 5 ? QColor(0, 0x80, 0) : QColor(Qt::black));

        for (int n = 1; n <= 8; ++n) {
            const QByteArray petrolBar = "PrBOdcPetrol" + QByteArray::number(n);
            const QByteArray gasBar = "PrBOdcLPG" + QByteArray::number(n);
            const QByteArray tb = "LblOdcWskTb" + QByteArray::number(n);
            const QByteArray tg = "LblOdcWskTg" + QByteArray::number(n);
            EXPECT_EQ(Get<QProgressBar>(petrolBar)->value(), int(r.PetrolTime[n - 1]));
            EXPECT_EQ(Get<QProgressBar>(gasBar)->value(), e.Switch == 5 ? int(r.GasTime[n - 1]) : 0);
            if (e.Period == 0) {
                EXPECT_EQ(Text(tb), "--");
                EXPECT_EQ(Text(tg), "--");
            } else {
                EXPECT_EQ(Text(tb), QString::asprintf("%.0f%%", double(r.PetrolTime[n - 1]) / e.Period * 100.0));
                EXPECT_EQ(Text(tg), QString::asprintf("%.0f%%", double(r.GasTime[n - 1]) / e.Period * 100.0));
            }
        }
        if (e.Period != 0) {
            double sum = 0;
            for (uint16_t t : e.Petrol)
                sum += t;
            EXPECT_EQ(PieFirst("ChtOdcWskTb"), std::nearbyint(sum / 4 / e.Period * 100));
        }

        EXPECT_EQ(Text("LblOdcVbat"), QString::asprintf("%.1f", RawToScaledVoltage(e.Vbat)));
        EXPECT_EQ(FontColour("LblOdcVbat"), Entry(e.Vbat < 132 ? 10 : 4));
        EXPECT_EQ(FontColour("LblOdcVbatUnit"), Entry(e.Vbat < 132 ? 10 : 4));

        // Status bar: the switch state's text and lamp.
        const char *key = e.Switch == 5 ? "!_strGaz" : e.Switch == 4 ? "!_strOczekiwanie"
                                                                       : "!_strBenzyna";
        EXPECT_EQ(Text("PnlStatusGazSwitchText"), key);
        const QColor lamp = e.Switch == 5 ? QColor(0, 255, 0)
                            : e.Switch == 4 ? QColor(0x80, 0x80, 0) : QColor(255, 0, 0);
        EXPECT_EQ(Get<TPaintShape>("ShpStatusGazState")->Brush().color(), lamp);
    }
    // Spot checks of the conversions in the last state.
    EXPECT_EQ(Dgd("DgDOdcRPM")->Caption(), "1000");
    EXPECT_EQ(Text("LblOdcVbat"), "11.9");
    // A Polish user reads every number with the decimal comma.
    const PolishLocale polish;
    Tick();
    EXPECT_EQ(Text("LblOdcVbat"), "11,9");
    for (const QString &shown : {Text("LblOdcTNomRed"), Dgd("DgDOdcTred")->Caption(), Dgd("DgDOdcPsys")->Caption(),
                                 Dgd("DgDOdcPcol")->Caption(), Dgd("DgDOdcPetrol")->Caption()})
        EXPECT_TRUE(shown.contains(u',') && !shown.contains(u'.')) << shown.toStdString();
}

TEST_F(FormMainReadingsTest, GasTimesRecomputedFromPetrolTimesWhenTheDeviceAsks)
{
    DeviceRecord.Mult = 1.5;
    DeviceRecord.Offset = -2.0; // ms: 374 raw
    Rig->Device([](SimControllerState &s) { s.Param8[24] = 1; });
    Send({150, 67, 100, 140, 0, 0, 11220, 5, {1000, 200, 0, 400}, {1, 1, 1, 1}, 60});
    Tick();
    // 1000 x 1.5 - 374 = 1126; 200 x 1.5 - 374 < 0 stops at 0; all eight channels.
    EXPECT_EQ(DeviceRecord.GasTime[0], 1126u);
    EXPECT_EQ(DeviceRecord.GasTime[1], 0u);
    EXPECT_EQ(DeviceRecord.GasTime[3], 226u);
    EXPECT_EQ(DeviceRecord.GasTime[7], 0u);
    EXPECT_EQ(Get<QProgressBar>("PrBOdcLPG1")->value(), 1126);
    EXPECT_EQ(Dgd("DgDOdcLPG")->Caption(), QString::asprintf("%.2f", (1126 + 226) / 187.0 / 4));

    // Any other answer keeps the device's gas times.
    Rig->Device([](SimControllerState &s) { s.Param8[24] = 2; });
    Tick();
    EXPECT_EQ(DeviceRecord.GasTime[0], 1u);
}

TEST_F(FormMainReadingsTest, MaxMaskFillsThePieAndNextRefreshPinsTheBars)
{
    Rig->Device([](SimControllerState &s) { s.Value16[9] = 0x0002; });
    Send({150, 67, 100, 140, 0, 0, 11220, 3, {500, 600, 500, 500}, {}, 60});
    Tick();
    EXPECT_EQ(PieFirst("ChtOdcWskTb"), 100.0);
    EXPECT_EQ(Text("LblOdcWskTb2"), "MAX");
    EXPECT_EQ(Text("LblOdcWskTb1"), QString::asprintf("%.0f%%", 500.0 / 11220 * 100.0));
    // The bars follow the pie of the previous refresh.
    EXPECT_EQ(Get<QProgressBar>("PrBOdcPetrol1")->value(), 500);
    Tick();
    EXPECT_EQ(Get<QProgressBar>("PrBOdcPetrol1")->value(), 6000);
    EXPECT_EQ(Get<QProgressBar>("PrBOdcPetrol8")->value(), 6000);
}

TEST_F(FormMainReadingsTest, ValuesOutOfRangeShowWithoutWrapOrCrash)
{
    // An engine period of one raw unit with the RPM taken from every second
    // revolution: the injection window rounds to 0.
    DeviceRecord.RPMsource = 1;
    Send({255, 255, 255, 255, 0, 0, 1, 5, {0x1FFF, 0x7FFF, 0xFFFF, 0xFFFF}, {0xFFFF, 0, 0, 0}, 255});
    Tick();
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(Text(("LblOdcWskTb" + QByteArray::number(n)).constData()), "--");
    // Loads far above the period fill the pies, not more.
    EXPECT_EQ(PieFirst("ChtOdcWskTb"), 100.0);
    EXPECT_EQ(PieFirst("ChtOdcWskTg"), 100.0);
    EXPECT_EQ(Get<QProgressBar>("PrBOdcPetrol3")->value(), 6000);

    // A cylinder count above 8 and a window from a source dividing by it.
    DeviceRecord.InjSW = 200;
    DeviceRecord.RPMsource = 2;
    Get<QComboBox>("CmbOdcInjDisplay")->addItems({"1", "2", "3", "4", "5", "6", "7", "8", "9"});
    Get<QComboBox>("CmbOdcInjDisplay")->setCurrentIndex(9);
    Window->CmbOdcInjDisplayChange();
    Send({150, 67, 100, 140, 0, 0, 100, 5, {500, 500, 500, 500}, {500, 500, 500, 500}, 60});
    Tick();
    EXPECT_EQ(Text("LblOdcWskTg1"), "--");
    EXPECT_EQ(Dgd("DgDOdcPetrol")->Caption(), "0.00"); // no ninth channel
    EXPECT_GE(Get<QWidget>("PnlOdcInjMarkPetrol")->height(), 0);

    // Period 0 while the rest is nonsense.
    Send({0, 0, 0, 0, 0, 0, 0, 7, {}, {}, 0});
    Tick();
    EXPECT_EQ(Dgd("DgDOdcRPM")->Caption(), "0");
    EXPECT_EQ(Dgd("DgDOdcTred")->Caption(), "0");
    EXPECT_EQ(Text("PnlStatusGazSwitchText"), "!_strBenzyna");
    while (Get<QComboBox>("CmbOdcInjDisplay")->count() > 1)
        Get<QComboBox>("CmbOdcInjDisplay")->removeItem(1);
    DeviceRecord.RPMsource = 0;
}

TEST_F(FormMainReadingsTest, SelectedInjectorDrivesTheReadoutsAndItsMarker)
{
    auto *selector = Get<QComboBox>("CmbOdcInjDisplay");
    selector->addItems({"1", "2", "3", "4"});
    selector->setCurrentIndex(2);
    Window->CmbOdcInjDisplayChange();
    auto *marker = Get<QWidget>("PnlOdcInjMarkPetrol");
    EXPECT_FALSE(marker->isHidden());
    const int h = int(std::nearbyint((Get<QWidget>("PnlOdcTinj1_3")->height() - 5) / 4.0 - 2.0));
    EXPECT_EQ(marker->height(), h);
    EXPECT_EQ(marker->y(), Get<QWidget>("PrBOdcPetrol1")->y() + h);

    Send({150, 67, 100, 140, 0, 0, 11220, 4, {500, 935, 500, 500}, {600, 748, 600, 600}, 60});
    Tick();
    EXPECT_EQ(Dgd("DgDOdcPetrol")->Caption(), "5.00");
    // Not on gas: the gas readout is zero though the record holds gas times.
    EXPECT_EQ(Dgd("DgDOdcLPG")->Caption(), "0.00");
    Send({150, 67, 100, 140, 0, 0, 11220, 5, {500, 935, 500, 500}, {600, 748, 600, 600}, 60});
    Tick();
    EXPECT_EQ(Dgd("DgDOdcLPG")->Caption(), "4.00");

    selector->setCurrentIndex(0);
    Window->CmbOdcInjDisplayChange();
    EXPECT_TRUE(marker->isHidden());
    while (selector->count() > 1)
        selector->removeItem(1);
}

TEST_F(FormMainReadingsTest, Model2LiveMarkerBlinksEvery400Milliseconds)
{
    // Later on each run: the window keeps its last blink time.
    static qint64 start = 0;
    start += 100000;
    qint64 now = start;
    TFormMain::SetClock([&] { return now; });
    uint32_t colour = 0xFFFFFF;
    int changes = 0;
    Window->ReadingsServices.Model2MarkerActive = [] { return true; };
    Window->ReadingsServices.Model2MarkerColor = [&] { return colour; };
    Window->ReadingsServices.SetModel2MarkerColor = [&](uint32_t c) { colour = c; ++changes; };
    ShowPage("TbSCalibration");
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get<QWidget>("TbSCalModel2"));

    Window->UpdateLiveReadings();
    EXPECT_EQ(colour, 0x0000FFu) << "white turns red";
    now += 400;
    Window->UpdateLiveReadings();
    EXPECT_EQ(changes, 1) << "not before 400 ms have passed";
    now += 1;
    Window->UpdateLiveReadings();
    EXPECT_EQ(colour, 0xFFFFFFu) << "red turns white";
    colour = 0x00FF00;
    now += 401;
    Window->UpdateLiveReadings();
    EXPECT_EQ(colour, 0xFFFFFFu) << "any other colour turns white";

    Window->ReadingsServices.Model2MarkerActive = nullptr;
    Window->ReadingsServices.Model2MarkerColor = nullptr;
    Window->ReadingsServices.SetModel2MarkerColor = nullptr;
    TFormMain::SetClock({});
    ShowPage("TbSMeasure");
}

TEST_F(FormMainReadingsTest, GasSwitchPanelBlinksWhileWaitingAndShowsTheLevel)
{
    auto *lamp = Get<TCaptionPanel>("PnlOdcPanelStan");
    DeviceRecord.GasSwitchState = 5;
    Window->UpdateGasSwitchPanel(true);
    EXPECT_EQ(lamp->Color(), Entry(13));
    DeviceRecord.GasSwitchState = 4;
    Window->UpdateGasSwitchPanel(true);
    EXPECT_EQ(lamp->Color(), Entry(14));
    Window->UpdateGasSwitchPanel(true);
    EXPECT_EQ(lamp->Color(), Entry(13));
    Window->UpdateGasSwitchPanel(true);
    EXPECT_EQ(lamp->Color(), Entry(14));
    DeviceRecord.PanelLED = 1;
    DeviceRecord.GasSwitchState = 3;
    Window->UpdateGasSwitchPanel(false);
    EXPECT_EQ(lamp->Color(), Entry(16));
    EXPECT_EQ(FontColour("LblPanelG"), Entry(0));
    DeviceRecord.GasSwitchState = 1; // ignition: the lamp stays
    Window->UpdateGasSwitchPanel(true);
    EXPECT_EQ(lamp->Color(), Entry(16));
    EXPECT_EQ(FontColour("LblPanelG"), QColor(Qt::black));

    auto lit = [] {
        int n = 0;
        for (int k = 1; k <= 4; ++k)
            n += Get<TCaptionPanel>(("PnlOdcPanelP" + QByteArray::number(k)).constData())->Color()
                 == Entry(2);
        return n;
    };
    auto *reserve = Get<TCaptionPanel>("PnlOdcPanelR");
    auto &r = DeviceRecord;
    r.ReserveType = 1;
    r.PW0 = 200, r.PW1 = 150, r.PW2 = 100, r.PW3 = 50;
    // A level at a calibrated value lights that value's lamps.
    for (auto [level, lamps] : {std::pair{220, 0}, {200, 1}, {150, 2}, {100, 3}, {50, 4}, {40, 4}}) {
        r.LevelRaw = uint8_t(level);
        Window->UpdateGasSwitchPanel(true);
        EXPECT_EQ(lit(), lamps) << level;
        EXPECT_EQ(reserve->Color(), Entry(lamps == 0 ? 0 : 1)) << level;
    }
    r.ReserveType = 3;
    r.Level0900 = 50, r.Level0901 = 100, r.Level0902 = 150, r.Level0903 = 200;
    for (auto [level, lamps] : {std::pair{50, 0}, {51, 1}, {100, 1}, {150, 2}, {200, 3}, {201, 4}}) {
        r.LevelRaw = uint8_t(level);
        Window->UpdateGasSwitchPanel(true);
        EXPECT_EQ(lit(), lamps) << level;
    }
    r.ReserveType = 9; // unknown sensor: the lamps stay
    r.LevelRaw = 0;
    Window->UpdateGasSwitchPanel(true);
    EXPECT_EQ(lit(), 4);
}

TEST_F(FormMainReadingsTest, LambdaPanelsAndIndicator)
{
    auto &r = DeviceRecord;
    r.LambdaType = 0;
    Send({150, 67, 100, 140, 0, 40, 11220, 5, {500, 500, 500, 500}, {}, 60});
    Tick();
    EXPECT_TRUE(Get<QWidget>("PnlOdcLambdaCenter")->isHidden());
    EXPECT_TRUE(Get<QWidget>("PnlModLambda")->isHidden());
    EXPECT_FALSE(Get<QWidget>("PnlModPcol")->isHidden());
    EXPECT_EQ(Dgd("DgDOdcLambda")->Caption(), "0.00");

    r.LambdaType = 1;
    Tick();
    EXPECT_FALSE(Get<QWidget>("PnlOdcLambdaCenter")->isHidden());
    EXPECT_TRUE(Get<QWidget>("PnlModPcol")->isHidden());
    EXPECT_EQ(Dgd("DgDOdcLambda")->Caption(), "0.80");
    EXPECT_EQ(Dgd("DgDConfGasElementsLambda")->Caption(), "0.80");
    auto *bar = Get<QWidget>("PnlOdcBarLambda");
    auto *indicator = Get<QWidget>("LblOdcLambdaPnl");
    EXPECT_EQ(indicator->x(), (bar->width() - indicator->width()) * 40 / 51);

    // Type 6 below 41 wraps in 8 bits and runs past the bar's end.
    r.LambdaType = 6;
    Tick();
    EXPECT_EQ(indicator->x(), (bar->width() - indicator->width()) * 255 / 41);
    r.LambdaType = 0;
}

TEST_F(FormMainReadingsTest, CalibrationAndDiagnosticPagesWriteOnlyTheirControls)
{
    Send({150, 67, 100, 140, 0, 0, 28050, 5, {500, 500, 500, 500}, {600, 600, 600, 600}, 60});
    ShowPage("TbSCalibration");
    const QString measured = Dgd("DgDOdcRPM")->Caption();
    Tick();
    EXPECT_EQ(Dgd("DgDModRPM")->Caption(), "800");
    EXPECT_EQ(Dgd("DgDModRPM")->ColorFill(), Entry(7));
    EXPECT_EQ(Dgd("DgDModTred")->Caption(), FormatTemperature(67));
    EXPECT_EQ(Dgd("DgDModTred")->ColorFill(), Entry(7)); // 67 is not above 88
    EXPECT_EQ(Dgd("DgDModPetrol")->Caption(), QString::asprintf("%.2f", 500 / 187.0));
    EXPECT_EQ(Dgd("DgDModLPG")->Caption(), QString::asprintf("%.2f", 600 / 187.0));
    EXPECT_EQ(FontColour("LblModLPG"), QColor(0, 0x80, 0));
    EXPECT_EQ(Dgd("DgDOdcRPM")->Caption(), measured); // the hidden page is left alone

    // With the readings panel covered nothing common is written.
    Get<QWidget>("PnlModOdcHide")->show();
    Send({150, 67, 100, 140, 0, 0, 11220, 5, {500, 500, 500, 500}, {}, 60});
    Tick();
    EXPECT_EQ(Dgd("DgDModRPM")->Caption(), "800");
    Get<QWidget>("PnlModOdcHide")->hide();

    // Advanced diagnostics: per-channel times; reads of the emulator, valve
    // and counters go to the device.
    Rig->Device([](SimControllerState &s) {
        s.Payload[0x3A][0] = 0x05;
        s.Value16[11] = 1;
        s.Counters[1] = 7;
        s.Counters[180] = 90;
        s.Value16[27] = 88;
    });
    ShowPage("TbSDiagnostic");
    Get<QTabWidget>("PgCDiagnostyka")->setCurrentWidget(Get<QWidget>("TbSDgnAdvance"));
    Send({150, 67, 100, 140, 0, 0, 11220, 3, {374, 187, 0, 0}, {500, 500, 0, 0}, 60});
    {
        // Shown to a Polish user: times and temperatures with the decimal comma.
        const PolishLocale polish;
        Tick();
    }
    EXPECT_EQ(Dgd("DgDDgnAdvRPM")->Caption(), "2000");
    EXPECT_EQ(Text("LblDgnAdvPetrol1"), "2,00");
    EXPECT_EQ(Text("LblDgnAdvPetrol2"), "1,00");
    EXPECT_TRUE(Dgd("DgDDgnAdvPetrol")->Caption().contains(u','));
    EXPECT_EQ(Text("LblDgnAdvGas1"), "0,00"); // not on gas
    EXPECT_EQ(Dgd("DgDDgnAdvGas")->Caption(), "0,00");
    EXPECT_EQ(Get<QLineEdit>("EdtDgnAdvTpcb")->text(), FormatTemperature(90).replace(u'.', u','));
    EXPECT_EQ(Get<QLineEdit>("EdtDgnAdvActualTpcb")->text(), FormatTemperature(88).replace(u'.', u','));
    EXPECT_TRUE(Get<QLineEdit>("EdtDgnAdvTpcb")->text().contains(u','));
    EXPECT_EQ(Get<QLineEdit>("EdtDgnAdvEmergencyStarts")->text(), "7");
    EXPECT_TRUE(Get<TDipSwitch>("DpSSwitchCh1")->Checked());
    EXPECT_FALSE(Get<TDipSwitch>("DpSSwitchCh2")->Checked());
    EXPECT_TRUE(Get<TDipSwitch>("DpSSwitchCh3")->Checked());
    EXPECT_TRUE(Get<TDipSwitch>("DpSValve")->Checked());
    ShowPage("TbSMeasure");
}

TEST_F(FormMainReadingsTest, ExtendedLiveGroupOfKind48)
{
    Rig.reset();
    Rig = std::make_unique<SimControllerRig>(48, 'G');
    ASSERT_TRUE(Rig->Connect());
    Rig->Manager.PollGroup(TDataManager::pgConnect, true);
    DeviceRecord.InjSW = 4;
    DeviceRecord.InjectorMask = 0x0F;
    DeviceRecord.GasInjCorrTable = {5, -3, 0, 12, 0, 0, 0, 0};
    Rig->Device([](SimControllerState &s) {
        Bytes &p = s.Payload[0x0B];
        p[0] = 150;                        // gas pressure
        p[6] = uint8_t(11220 >> 8);        // 2000 rpm
        p[7] = uint8_t(11220 & 0xFF);
        p[8] = uint8_t(5 << 5 | 0x02);     // on gas, channel 1 = 0x2EE
        p[9] = 0xEE;
        p[11] = 200;                       // channel 2
        p[16] = 0x03;                      // gas channel 1 = 0x320
        p[17] = 0x20;
        p[40] = 70;                        // manifold pressure
        p[41] = 100;                       // switch-over threshold
        p[42] = 0x04;                      // petrol MAX: channel 3
        p[43] = 0x00;
        p[44] = 0x81;                      // emulator switches 1 and 8
        p[45] = 1;                         // valve open
        p[46] = 90;                        // board temperature
        p[48] = 37;                        // engine load
        s.Value16[41] = 55;
        s.Value16[40] = 0xFB05;            // adaptation: bank 1 +5, bank 2 -5
    });
    Tick();
    EXPECT_EQ(DeviceRecord.PetrolTime[0], 0x2EEu);
    EXPECT_EQ(Dgd("DgDOdcRPM")->Caption(), "2000");
    EXPECT_EQ(Text("LblOdcTNomRed"), FormatTemperature(100));
    EXPECT_EQ(Dgd("DgDOdcPcol")->Caption(), FormatCollectorPressure(70));
    EXPECT_EQ(PieFirst("ChtOdcWskTb"), 100.0);
    EXPECT_EQ(Text("LblOdcWskTb3"), "MAX");
    EXPECT_EQ(Text("LblOdcWskTb1"), QString::asprintf("%.0f%%", 750.0 / 11220 * 100.0));
    EXPECT_EQ(Text("LblEngineLoad"), "!_strEngineLoad:55%");
    EXPECT_FALSE(Get<QWidget>("PnlOdcGasInjCorr")->isHidden());
    EXPECT_EQ(Text("LblOdcGasInjCorr2"), "-3%");
    EXPECT_EQ(Text("LblOdcGasInjCorr4"), "12%");
    // The corrections stand beside the gas loads, not over them, and the
    // engine load's translated text is shown whole.
    auto *measure = Get<QWidget>("TbSMeasure");
    auto rectOn = [measure](QWidget *w) { return QRect(w->mapTo(measure, QPoint(0, 0)), w->size()); };
    for (int n = 1; n <= 8; ++n) {
        const QRect corr = rectOn(Get<QWidget>(("LblOdcGasInjCorr" + QByteArray::number(n)).constData()));
        for (const char *prefix : {"LblOdcWskTg", "PrBOdcLPG"})
            for (int m = 1; m <= 8; ++m) {
                const QByteArray name = prefix + QByteArray::number(m);
                EXPECT_FALSE(corr.intersects(rectOn(Get<QWidget>(name.constData())))) << n << " " << name.constData();
            }
    }
    auto *load = Get<TCaptionPanel>("LblEngineLoad");
    load->SetCaption(QStringLiteral("Obciążenie silnika:100%"));
    const QRect needed = load->fontMetrics().boundingRect(QRect(0, 0, load->width(), 1000),
                                                          Qt::TextWordWrap, load->text());
    EXPECT_LE(needed.width(), load->width());
    EXPECT_LE(needed.height(), load->height());

    ShowPage("TbSDiagnostic");
    Get<QTabWidget>("PgCDiagnostyka")->setCurrentWidget(Get<QWidget>("TbSDgnAdvance"));
    Tick();
    EXPECT_TRUE(Get<TDipSwitch>("DpSSwitchCh1")->Checked());
    EXPECT_FALSE(Get<TDipSwitch>("DpSSwitchCh2")->Checked());
    EXPECT_TRUE(Get<TDipSwitch>("DpSSwitchCh8")->Checked());
    EXPECT_TRUE(Get<TDipSwitch>("DpSValve")->Checked());
    EXPECT_EQ(Get<QLineEdit>("EdtDgnAdvActualTpcb")->text(), FormatTemperature(90));
    EXPECT_EQ(Dgd("DgDDgnAdvGas")->Caption(), QString::asprintf("%.2f", 800 / 187.0 / 4));
    EXPECT_EQ(Text("LblDgnAdvGas1"), "4.28");

    // Adaptation grids: the shown bank from the record, the current cell of
    // both banks, the current corrections.
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c)
            DeviceRecord.AdaptBanks[0][r][c] = qint8(r * 10 + c - 50);
    bool adaptation = true;
    Rig->Manager.IsAdaptationVariableSet = [&] { return adaptation; };
    QList<int> marked;
    Window->ReadingsServices.OBDSetActualLoadAndRpmIndex = [&](int bank, int, int rpm) {
        marked << bank << rpm;
    };
    ShowPage("TbSCalibration");
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get<QWidget>("TbSCalCorrections"));
    Tick();
    auto *grid = Get<QTableWidget>("StGOBDAdaptCorrsBank1");
    ASSERT_NE(grid->item(3, 7), nullptr);
    EXPECT_EQ(grid->item(3, 7)->text(), "-13");
    EXPECT_EQ(grid->item(0, 0)->text(), "-50");
    EXPECT_EQ(marked, (QList<int>{1, 2000, 2, 2000}));
    EXPECT_EQ(Text("LblActualAdaptCorr_B1"), "5");
    EXPECT_EQ(Text("LblActualAdaptCorr_B2"), "-5");
    Window->ReadingsServices = {};

    // A device without the extended group empties the grids.
    Rig.reset();
    Rig = std::make_unique<SimControllerRig>(20, 'E');
    ASSERT_TRUE(Rig->Connect());
    Rig->Manager.PollGroup(TDataManager::pgConnect, true);
    Tick();
    EXPECT_TRUE(grid->item(3, 7)->text().isEmpty());
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get<QWidget>("TbSCalModel2"));
}

TEST_F(FormMainReadingsTest, SensorVariant2ReadsItsTwoValuesOncePerRefreshForValueAndColour)
{
    Rig.reset();
    Rig = std::make_unique<SimControllerRig>(48, 'G');
    ASSERT_TRUE(Rig->Connect());
    Rig->Manager.PollGroup(TDataManager::pgConnect, true);
    Rig->Device([](SimControllerState &s) {
        s.Payload[0x0B][0] = 252; // gas pressure beyond the direct range
        s.Payload[0x0B][8] = uint8_t(5 << 5);
        s.Value16[13] = 300;
        s.Value16[15] = 40;
    });
    DeviceRecord.PressureSensorType = 2;
    ShowPage("TbSMeasure");
    for (int tick = 0; tick < 2; ++tick) {
        Rig->Server.log().clear();
        Tick();
        std::map<int, int> reads;
        for (const Bytes &f : Rig->Requests())
            if (f.size() > 2 && f[1] == 0x40)
                ++reads[f[2]];
        EXPECT_EQ(reads[13], 1) << tick;
        EXPECT_EQ(reads[15], 1) << tick;
        EXPECT_EQ(Dgd("DgDOdcPsys")->Caption(), FormatFloat2(RawToPressureFor(2, 252)));
    }
}

TEST_F(FormMainReadingsTest, MapChartPointAndWizardAutoCalibrationPage)
{
    auto *view = Get<QChartView>("ChtMapa");
    QList<QScatterSeries *> added;
    for (int i = 0; i < 3; ++i) {
        auto *series = new QScatterSeries;
        series->append(0, 0);
        view->chart()->addSeries(series);
        added << series;
    }
    ShowPage("TbSCalibration");
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get<QWidget>("TbSCalMap"));
    Send({150, 67, 100, 140, 0, 0, 11220, 5, {374, 374, 374, 374}, {}, 120});
    Tick();
    EXPECT_DOUBLE_EQ(added[2]->at(0).x(), RawToCollectorPressure(120));
    EXPECT_DOUBLE_EQ(added[2]->at(0).y(), 2.0);
    EXPECT_DOUBLE_EQ(added[0]->at(0).x(), 0.0); // only series 2 moves

    // Fast map: the time stays where it was.
    Get<QCheckBox>("ChBCalMapFastMap")->setChecked(true);
    Send({150, 67, 100, 140, 0, 0, 11220, 5, {748, 748, 748, 748}, {}, 60});
    Tick();
    EXPECT_DOUBLE_EQ(added[2]->at(0).x(), RawToCollectorPressure(60));
    EXPECT_DOUBLE_EQ(added[2]->at(0).y(), 2.0);
    Get<QCheckBox>("ChBCalMapFastMap")->setChecked(false);
    for (auto *series : added) {
        view->chart()->removeSeries(series);
        delete series;
    }
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get<QWidget>("TbSCalModel2"));

    // The wizard's auto-calibration page and its own thresholds.
    ShowPage("TbSConfigurator");
    Get<QTabWidget>("PgCConfWizard")->setCurrentWidget(Get<QWidget>("TbSConfAutoCal"));
    Send({150, 80, 100, 140, 0, 0, 11220, 3, {187, 187, 187, 187}, {}, 60});
    Tick();
    EXPECT_EQ(Dgd("DgDConfAutoRPM")->Caption(), "2000");
    EXPECT_EQ(Dgd("DgDConfAutoRPM")->ColorFill(), Entry(10));  // above 1200
    EXPECT_EQ(Dgd("DgDConfAutoTred")->ColorFill(), Entry(10)); // raw 80 above 67
    EXPECT_EQ(Dgd("DgDConfAutoPetrol")->Caption(), "1.00");
    EXPECT_EQ(Dgd("DgDConfAutoPetrol")->ColorFill(), Entry(10)); // average below 1.5 ms
    EXPECT_EQ(Dgd("DgDConfAutoGas")->Caption(), "0.00");
    const double pcol = RawToCollectorPressure(60);
    EXPECT_EQ(Dgd("DgDConfAutoPcol")->ColorFill(), Entry(pcol >= 0.2 && pcol <= 0.55 ? 7 : 10));
    Get<QTabWidget>("PgCConfWizard")->setCurrentWidget(Get<QWidget>("TbSConfBased"));

    // The device panel's button follows the panel's size.
    auto *panel = Get<QWidget>("PnlStatusDeviceInfo");
    auto *button = Get<QWidget>("SpBStatusDeviceInfo");
    button->resize(10, 10);
    QResizeEvent resized(panel->size(), panel->size());
    QCoreApplication::sendEvent(panel, &resized);
    EXPECT_EQ(button->size(), panel->size() - QSize(1, 1));
}

TEST_F(FormMainReadingsTest, StatusBarSwitchesTheFuelAndNamesTheDevice)
{
    auto press = [](Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
        Window->StatusGazSwitchTextMouseDown(button, modifiers);
    };
    auto workType = [this] {
        uint8_t t = 0;
        Rig->Device([&](SimControllerState &s) { t = s.WorkType; });
        return t;
    };
    Send({150, 67, 100, 140, 0, 0, 11220, 4, {}, {}, 60});
    Tick();
    press(Qt::RightButton, Qt::NoModifier);
    EXPECT_EQ(workType(), 5);
    press(Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(workType(), 2);
    Send({150, 67, 100, 140, 0, 0, 11220, 3, {}, {}, 60});
    Tick();
    press(Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(workType(), 1);
    press(Qt::RightButton, Qt::NoModifier);
    EXPECT_EQ(workType(), 4);

    // Ctrl opens the fuel menu with the gas items enabled; nothing is sent.
    Rig->Device([](SimControllerState &s) { s.WorkType = 0; });
    press(Qt::LeftButton, Qt::ControlModifier);
    auto *menu = Get<QMenu>("PoMChangeFuel");
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(Get<QAction>("MnIChangeFuelGas")->isEnabled());
    EXPECT_FALSE(Get<QAction>("MnIChangeFuelPetrol")->isEnabled());
    menu->hide();
    EXPECT_EQ(workType(), 0);

    // A busy program logic on a connected device ignores the click.
    Window->ReadingsServices.IsBusy = [] { return true; };
    press(Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(workType(), 0);
    Window->ReadingsServices.IsBusy = nullptr;

    // Device panel and caption.
    Window->PnlStatusDeviceInfoUpdate();
    EXPECT_EQ(Get<QToolButton>("SpBStatusDeviceInfo")->text(), "1.4 " + DeviceRecord.Ver);
    EXPECT_TRUE(Window->windowTitle().endsWith(" - Gas ECU: 1.4 " + DeviceRecord.Ver));
    Rig->Manager.VersionSupported = false;
    Window->PnlStatusDeviceInfoUpdate();
    EXPECT_TRUE(Window->windowTitle().endsWith(" -!!! !_strUseUpgOrProg !!!"));
    Rig->Manager.VersionSupported = true;
    DeviceRecord.DeviceKind = 0;
    Window->PnlStatusDeviceInfoUpdate();
    EXPECT_EQ(Get<QToolButton>("SpBStatusDeviceInfo")->text(), "----");
    EXPECT_EQ(Window->windowTitle(), TCommon::ApplicationTitle() + " - Gas ECU: ----");

    // Connection panel.
    Window->SetStatusBaseText("no device");
    Window->PnlStatusConnectedUpdate(true);
    EXPECT_EQ(Get<TCaptionPanel>("PnlStatus")->Color(), QColor(0xFF, 0x80, 0));
    EXPECT_TRUE(Text("PnlStatus").startsWith("COM") && Text("PnlStatus").endsWith("..."));
    Window->PnlStatusConnectedUpdate(false);
    EXPECT_EQ(Get<TCaptionPanel>("PnlStatus")->Color(), QColor(0xFF, 0, 0));
    EXPECT_EQ(Text("PnlStatus"), "no device");
}

TEST_F(FormMainReadingsTest, QuickStartVersionsAndPort)
{
    Window->ReadingsServices.AdapterActive = [] { return true; };
    Window->ReadingsServices.AdapterVersionText = [] { return QStringLiteral("-"); };
    Window->ReadingsServices.IsDeviceUpgradePossible = [] { return true; };
    Window->GrBQSSoftVersionsUpdate();
    EXPECT_EQ(Text("LblQSAdapterSoftVer"), "----");
    EXPECT_EQ(Text("LblQSDeviceSoftVer"),
              QStringLiteral("1.4 %1 (%2 %3)")
                  .arg(DeviceRecord.Ver, DeviceRecord.CompDate, DeviceRecord.CompTime));
    EXPECT_EQ(FontColour("LblQSDeviceSoftVer"), QColor(Qt::red));
    EXPECT_EQ(Get<QWidget>("BtnQSUpgrade")->palette().color(QPalette::ButtonText), QColor(Qt::red));
    Window->ReadingsServices.AdapterVersionText = [] { return QStringLiteral("1.0A r3"); };
    Window->ReadingsServices.AdapterCompileDateTime = [] { return QStringLiteral("Jan 01 2026 10:00:00"); };
    Window->ReadingsServices.IsDeviceUpgradePossible = nullptr;
    Window->GrBQSSoftVersionsUpdate();
    EXPECT_EQ(Text("LblQSAdapterSoftVer"), "1.0A r3 (Jan 01 2026 10:00:00)");
    EXPECT_NE(FontColour("LblQSDeviceSoftVer"), QColor(Qt::red));
    Window->ReadingsServices = {};

    // No settings object: port 0, which no machine has.
    Window->UpdateComPortInfo(nullptr);
    EXPECT_EQ(Text("PnlQSComPort"), "COM0");
    EXPECT_EQ(FontColour("PnlQSComPort"), QColor(Qt::red));
    EXPECT_EQ(Get<QWidget>("PnlQSComPort")->toolTip(), "???");
}

TEST_F(FormMainReadingsTest, ScreenshotOfTheMeasurementPage)
{
    DeviceRecord.LambdaType = 1;
    DeviceRecord.ReserveType = 1;
    DeviceRecord.PW0 = 200, DeviceRecord.PW1 = 150, DeviceRecord.PW2 = 100, DeviceRecord.PW3 = 50;
    Send({160, 67, 100, 150, 120, 25, 28050, 5, {650, 700, 620, 680}, {760, 800, 740, 790}, 70});
    Tick();
    Window->SetStatusBaseText("Device not connected");
    Window->PnlStatusConnectedUpdate(false);
    QCoreApplication::processEvents();
    QString dir = qEnvironmentVariable("TARON_SCREENSHOT_DIR");
    QTemporaryDir temp;
    if (dir.isEmpty())
        dir = temp.path();
    QDir().mkpath(dir);
    const QString file = QDir(dir).filePath("readings-measure.png");
    const QPixmap shot = Window->grab();
    ASSERT_TRUE(shot.save(file));
    EXPECT_GT(QFileInfo(file).size(), 1000);
    DeviceRecord.LambdaType = 0;
}

} // namespace
