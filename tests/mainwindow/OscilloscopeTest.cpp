// The recorder: pixel mapping and OBD zoom, the ring and its memory bound,
// the data file (laps in time order, the fallback folder, a full disk), and
// the page sampling on the main tick through the program's wiring, with the
// cursor dragged over a stopped recording.
#include "common/Screenshots.h"
#include "mainwindow/StartupRig.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "mainwindow/shell/Oscilloscope.h"
#include "mainwindow/shell/OscilloscopePage.h"
#include "controls/DigitalDisplay.h"
#include "core/LM.h"
#include "common/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 4> Heights = {96, 96, 96, 96};
constexpr int ObdRpm = 4; // OBD channel with range 0..8000

// Takes one sample at the write position and moves on.
void Take(TOscilloscope &osc, double time, double tb, int state, double obdRpm = 0, bool save = false)
{
    TOscSample &s = osc.Current();
    s.Time = time;
    s.Main[0] = tb;
    s.Main[1] = state == 5 ? tb * 1.2 : 0;
    s.State = state;
    s.GasFlag = state == 5 ? -1 : 0;
    s.Obd[ObdRpm] = obdRpm;
    osc.FinishSample(false);
    osc.Advance(save);
}

QStringList ReadLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

TEST(Oscilloscope, PixelsClampRoundHalfToEvenAndObdChannelsZoomOnTheirValues)
{
    EXPECT_EQ(TOscilloscope::ValueToPixel(96, 0, 35, 0, 17.5), 48);
    EXPECT_EQ(TOscilloscope::ValueToPixel(0, 5, 10, 0, 1), 0);  // 0.5
    EXPECT_EQ(TOscilloscope::ValueToPixel(0, 5, 10, 0, 3), 2);  // 1.5
    EXPECT_EQ(TOscilloscope::ValueToPixel(96, 0, 35, 0, -4), 96);
    EXPECT_EQ(TOscilloscope::ValueToPixel(96, 0, 35, 0, 400), 0);
    EXPECT_EQ(TOscilloscope::ValueToPixel(96, 0, 35, 0, std::nan("")), 96);
    EXPECT_EQ(TOscilloscope::ValueToPixel(96, 0, 5, 5, 5), 96);
    const double rpm[] = {100, 600, 1500, 3000, 5000, -1};
    for (int level = 0; level < 6; ++level)
        EXPECT_EQ(TOscilloscope::CalcDgnOBDScale(rpm[level], 0, 8000), std::min(level, 4)) << rpm[level];
    EXPECT_EQ(TOscilloscope::CalcDgnOBDScale(-7, -100, 99.2), 1);
    EXPECT_EQ(TOscilloscope::TraceOfChoice(0), 7);
    EXPECT_EQ(TOscilloscope::TraceOfChoice(22), 29);
    EXPECT_EQ(TOscilloscope::TraceOfChoice(23), -1);

    TOscilloscope osc;
    osc.Resize(457, Heights);
    const int trace = TOscSample::MainCount + ObdRpm;
    for (int i = 0; i < 10; ++i)
        Take(osc, i, 35, 3, 400);
    // Every value below 500: drawn 16 times magnified.
    EXPECT_EQ(osc.ObdLevel(ObdRpm), 0);
    EXPECT_EQ(osc.Points(trace)[3].y(), TOscilloscope::ValueToPixel(96, 0, 500, 0, 400));
    EXPECT_EQ(osc.Points(0)[3], QPoint(3, 0)) << "Tb at the top of its range";
    // One large value redraws the whole channel at full range.
    Take(osc, 10, 0, 3, 5000);
    EXPECT_EQ(osc.ObdLevel(ObdRpm), 4);
    EXPECT_EQ(osc.Points(trace)[3].y(), TOscilloscope::ValueToPixel(96, 0, 8000, 0, 400));
    EXPECT_EQ(osc.Points(trace)[10].y(), TOscilloscope::ValueToPixel(96, 0, 8000, 0, 5000));
    // Once it is overwritten, the channel zooms in again.
    osc.SetPosition(10);
    Take(osc, 11, 0, 3, 300);
    EXPECT_EQ(osc.ObdLevel(ObdRpm), 0);
    EXPECT_EQ(osc.Points(trace)[3].y(), TOscilloscope::ValueToPixel(96, 0, 500, 0, 400));
}

TEST(Oscilloscope, RingWrapsAtItsLengthAndHoursOfSamplesKeepMemoryBounded)
{
    TOscilloscope osc;
    osc.Resize(457, Heights);
    ASSERT_EQ(osc.RingLength(), 454);
    for (int i = 0; i < 454; ++i)
        Take(osc, i + 1, 1, 3);
    EXPECT_EQ(osc.Position(), 0);
    Take(osc, 455, 2, 5);
    EXPECT_EQ(osc.At(0)->Time, 455);
    EXPECT_EQ(osc.At(0)->GasFlag, -1);
    EXPECT_EQ(osc.At(453)->Time, 454);
    // Five hours at five samples a second.
    for (int i = 0; i < 90000; ++i)
        Take(osc, 456 + i, i % 35, i % 7 == 0 ? 5 : 3, i % 9000);
    EXPECT_EQ(osc.Width(), 457);
    for (int t = 0; t < TOscilloscope::TraceCount; ++t)
        EXPECT_EQ(osc.Points(t).size(), 457u);
    EXPECT_LT(osc.Position(), 454);
    // Bounds of positions and traces.
    EXPECT_EQ(osc.At(457), nullptr);
    EXPECT_EQ(osc.At(-1), nullptr);
    EXPECT_TRUE(osc.Points(30).empty());
    osc.SetPosition(-5);
    EXPECT_EQ(osc.Position(), 0);
    osc.SetPosition(100000);
    EXPECT_EQ(osc.Position(), 453);
    osc.SetPosition(300);
    osc.Resize(200, Heights);
    EXPECT_EQ(osc.Position(), 300 % 197);
    osc.Reset();
    EXPECT_EQ(osc.Position(), 0);
    EXPECT_EQ(osc.At(5)->Time, 0);
}

TEST(Oscilloscope, DataFileHoldsEveryLapInTimeOrderAndFallsBackToTheDataFolder)
{
    QTemporaryDir dir;
    const QString notAFolder = dir.filePath("program");
    QFile(notAFolder).open(QIODevice::WriteOnly); // a file where the folder should be
    const QString data = dir.filePath("data");
    QDir().mkpath(data);
    TOscilloscope osc;
    osc.Resize(457, Heights);
    int reports = 0;
    osc.OnFileError = [&](const QString &, const QString &) { ++reports; };
    const QDateTime start(QDate(2012, 5, 25), QTime(14, 30, 5));
    ASSERT_TRUE(osc.OpenFile({notAFolder, data}, start));
    EXPECT_EQ(osc.FileName(), QDir(data).filePath("data_20120525_143005.dat"));
    // Two and a half laps, then the save at Stop.
    const int count = 454 * 2 + 227;
    for (int i = 0; i < count; ++i)
        Take(osc, 0.2 * (i + 1), (i % 350) / 10.0, i % 3 == 0 ? 5 : 3, 0, true);
    osc.SaveUnsaved();
    osc.CloseFile();
    EXPECT_EQ(reports, 0);

    const QStringList lines = ReadLines(osc.FileName());
    ASSERT_EQ(lines.size(), count + 1);
    EXPECT_EQ(lines[0], "I\tTime\tTb\tTg\tPsys\tPcol\tTempG\tTempR\tRPM\tVoltage\tLambdaV\tSysState");
    for (int i = 0; i < count; ++i) {
        const QStringList f = lines[i + 1].split('\t');
        ASSERT_EQ(f.size(), 12) << i;
        EXPECT_EQ(f[0].toInt(), i % 454 + 1) << i;
        EXPECT_EQ(f[1], QString::asprintf("%.2f", 0.2 * (i + 1)).replace('.', QLocale().decimalPoint())) << i;
        EXPECT_NEAR(QString(f[2]).replace(',', '.').toDouble(), (i % 350) / 10.0, 0.005) << i;
        EXPECT_EQ(f[11].toInt(), i % 3 == 0 ? 5 : 3) << i;
    }

    // Starting again within the same second empties the file; a file that
    // can be created nowhere is reported once and the recording goes on.
    ASSERT_TRUE(osc.OpenFile({data}, start));
    EXPECT_EQ(QFileInfo(osc.FileName()).size(), 0);
    osc.CloseFile();
    EXPECT_FALSE(osc.OpenFile({notAFolder}, start));
    EXPECT_EQ(reports, 1);
    for (int i = 0; i < 1000; ++i)
        Take(osc, i, 1, 3, 0, true);
    EXPECT_EQ(reports, 1);
}

TEST(Oscilloscope, SupplyBeforeLambdaInTheFileAndTheRawVoltageRangeOfTheTemperatures)
{
    TOscilloscope osc;
    osc.Resize(100, Heights);
    TOscSample &s = osc.Current();
    s.Main[4] = 2;    // TempG: 2 V, or 2 degrees
    s.Main[5] = -1.5; // TempR
    s.Main[6] = 2500;
    s.Main[7] = 0.7;  // lambda sensor voltage
    s.Main[8] = 13.5; // supply voltage
    // Raw-voltage mode: both temperature traces span -5..2 V.
    osc.FinishSample(true);
    EXPECT_EQ(osc.Points(4)[0].y(), TOscilloscope::ValueToPixel(96, 0, 2, -5, 2));
    EXPECT_EQ(osc.Points(4)[0].y(), 0);
    EXPECT_EQ(osc.Points(5)[0].y(), 48);
    EXPECT_EQ(osc.Points(7)[0].y(), TOscilloscope::ValueToPixel(96, 0, 5, 0, 0.7));
    // Temperatures: -5..100 degrees.
    osc.FinishSample(false);
    EXPECT_EQ(osc.Points(4)[0].y(), 90);
    EXPECT_EQ(osc.Points(5)[0].y(), TOscilloscope::ValueToPixel(96, 0, 100, -5, -1.5));

    const QLocale saved;
    QLocale::setDefault(QLocale::c());
    const QList<QByteArray> f = TOscilloscope::Row(0, s).split('\t');
    QLocale::setDefault(saved);
    ASSERT_EQ(f.size(), 12);
    EXPECT_EQ(f[6], "2.00");
    EXPECT_EQ(f[7], "-1.50");
    EXPECT_EQ(f[8], "2500");
    EXPECT_EQ(f[9], "13.50");
    EXPECT_EQ(f[10], "0.70");
}

TEST(Oscilloscope, AFailedWriteIsReportedOnceAndSamplingGoesOn)
{
    QTemporaryDir dir;
    const QDateTime start(QDate(2026, 1, 2), QTime(3, 4, 5));
    TOscilloscope osc;
    osc.Resize(457, Heights);
    QStringList reports;
    osc.OnFileError = [&](const QString &name, const QString &) { reports << name; };
    ASSERT_TRUE(osc.OpenFile({dir.path()}, start));
    // The system refuses writes past a few bytes, as on a full disk.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 512;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    for (int i = 0; i < 454 * 3; ++i)
        Take(osc, i, 1, 3, 0, true);
    osc.SaveUnsaved();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(reports.size(), 1);
    EXPECT_FALSE(osc.FileOpen());
    Take(osc, 5000, 7, 5);
    EXPECT_EQ(osc.At(0)->Time, 5000) << "sampling goes on";
}

TEST(Oscilloscope, APipeDeviceOrFolderOfTheDataFilesNameIsRefusedWithoutWaiting)
{
    QTemporaryDir dir;
    const QDateTime start(QDate(2026, 1, 2), QTime(3, 4, 5));
    const QString name = QDir(dir.path()).filePath("data_20260102_030405.dat");
    TOscilloscope osc;
    osc.Resize(100, Heights);
    QStringList reasons;
    osc.OnFileError = [&](const QString &, const QString &reason) { reasons << reason; };
    {
        // A reader on the pipe would take what a waiting open wrote.
        testsupport::PipePeer pipe(name, {}, false);
        ASSERT_TRUE(pipe.Made());
        EXPECT_FALSE(osc.OpenFile({dir.path()}, start));
        osc.CloseFile();
        EXPECT_TRUE(pipe.Release().isEmpty());
    }
    ASSERT_TRUE(QFile::remove(name));
    {
        // Nor is a serial device linked under the name written into.
        testsupport::DevicePeer device(name);
        ASSERT_TRUE(device.Made());
        EXPECT_FALSE(osc.OpenFile({dir.path()}, start));
        osc.CloseFile();
        EXPECT_TRUE(device.Received().isEmpty());
    }
    ASSERT_TRUE(QFile::remove(name));
    ASSERT_TRUE(QDir().mkpath(name));
    EXPECT_FALSE(osc.OpenFile({dir.path()}, start));
    ASSERT_EQ(reasons.size(), 3);
    for (const QString &reason : reasons)
        EXPECT_TRUE(reason.contains("not a regular file")) << reason.toStdString();
}

void Drag(QWidget *grip, int from, int to)
{
    auto send = [grip](QEvent::Type type, int x) {
        QMouseEvent e(type, QPointF(x, 5), grip->mapToGlobal(QPointF(x, 5)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(grip, &e);
    };
    send(QEvent::MouseButtonPress, from);
    send(QEvent::MouseMove, to);
    send(QEvent::MouseButtonRelease, to);
}

// The main tick samples the live values through the slot the program wires;
// Stop writes the file; a longer recording is drawn on the scaled page and
// read back at the dragged cursor.
TEST(OscilloscopePage, TickSamplesThroughTheProgramWiringAndTheCursorReadsBack)
{
    startup::StartupRig rig(5);
    startup::SimDevice device(rig.PortsDir, 5, 48, 'I');
    rig.Wire = [](TFormMain &f) { f.Services.OscilloscopeStep = [&f] { f.OscilloscopePage->Step(); }; };
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    auto get = [&form](const char *name) { return form.findChild<QWidget *>(name); };
    qobject_cast<QTabWidget *>(get("PgCMain"))->setCurrentWidget(get("TbSDiagnostic"));
    qobject_cast<QTabWidget *>(get("PgCDiagnostyka"))->setCurrentIndex(0);
    qobject_cast<QComboBox *>(get("CmBDgnWybor1"))->setCurrentIndex(0);
    qobject_cast<QComboBox *>(get("CmBDgnWybor2"))->setCurrentIndex(1);
    form.SetScreenSizeForCheck(QSize(1024, 768));
    form.show();
    form.resize(form.width() * 5 / 4, form.height()); // scaled: the ring follows the graphs' width
    startup::StartupRig::Run(100);
    form.Timerek->stop();
    TOscilloscopePage &page = *form.OscilloscopePage;
    QTemporaryDir dir;
    page.FileFolders = {dir.path()};
    qobject_cast<QCheckBox *>(get("ChBDgnAutoSave"))->setChecked(true);
    auto *start = qobject_cast<QPushButton *>(get("BtnDgnStart"));
    auto live = [&](uint8_t state, uint16_t period) {
        device.Server.withLock([&] {
            auto &p = device.Controller.State.Payload[0x0B];
            p[6] = uint8_t(period >> 8);
            p[7] = uint8_t(period);
            p[8] = uint8_t(state << 5 | 0x02); // petrol channel 1: 750
            p[9] = 0xEE;
            p[16] = 0x03;                      // gas channel 1: 800
            p[17] = 0x20;
        });
    };

    // Not running: the tick takes nothing.
    live(5, 11220);
    rig.Tick();
    EXPECT_EQ(page.Recorder().Position(), 0);
    start->click();
    ASSERT_TRUE(page.Running());
    EXPECT_EQ(start->text(), "Stop");
    EXPECT_FALSE(get("PnlDgnCursor")->isEnabled());
    device.Server.log().clear();
    DeviceRecord.Mult = 1.5;
    DeviceRecord.Offset = 0.5;
    for (int i = 0; i < 6; ++i) {
        if (i == 3)
            live(3, 22440);
        if (i == 5) // the device's test mode: gas times from the petrol times
            device.Server.withLock([&] { device.Controller.State.Param8[24] = 1; });
        rig.Now += 200;
        rig.Tick();
        EXPECT_EQ(DeviceRecord.GasTime[0], i == 5 ? 1218u : 0x320u) << "750 x 1.5 + 93.5, half to even";
    }
    ASSERT_EQ(page.Recorder().Position(), 6);
    for (int i = 0; i < 5; ++i) {
        const TOscSample &s = *page.Recorder().At(i);
        EXPECT_NEAR(s.Time, 0.2 * (i + 1), 1e-9) << i;
        EXPECT_EQ(s.GasFlag, i < 3 ? -1 : 0) << i;
        EXPECT_EQ(s.Main[6], i < 3 ? 2000 : 1000) << i;
        EXPECT_EQ(s.Main[1] > 0, i < 3) << "Tg only on gas " << i;
    }
    int testModeReads = 0;
    for (const auto &f : device.Server.log().bytes())
        testModeReads += f.size() > 2 && f[1] == 0x07 && f[2] == 24;
    EXPECT_GE(testModeReads, 6) << "the test-mode switch once per sample";

    start->click();
    EXPECT_FALSE(page.Running());
    EXPECT_TRUE(get("PnlDgnCursor")->isEnabled());
    const QStringList files = QDir(dir.path()).entryList({"data_*.dat"});
    ASSERT_EQ(files.size(), 1);
    const QStringList lines = ReadLines(QDir(dir.path()).filePath(files[0]));
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines[1].startsWith("1\t0.20\t")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("\t5"));
    EXPECT_EQ(lines[4].split('\t')[3], "0.00") << "Tg off gas";
    EXPECT_TRUE(lines[5].endsWith("\t3"));

    // Start needs a ready link.
    DataManager->SetConnected(false);
    start->click();
    EXPECT_FALSE(page.Running());
    DataManager->SetConnected(true);

    // A file that cannot be created is reported once; the recording runs.
    page.FileFolders = {QDir(dir.path()).filePath(files[0])};
    start->click();
    testsupport::EventsUntil([&] { return !rig.Boxes.empty(); });
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_TRUE(rig.Boxes[0].Text.startsWith(LM->Translate("strOscFileError") + "\r\n"
                                             + QDir(dir.path()).filePath(files[0])))
        << rig.Boxes[0].Text.toStdString();
    EXPECT_TRUE(page.Running());
    start->click();

    // A longer recording from the record alone (no device reads).
    qobject_cast<QCheckBox *>(get("ChBDgnAutoSave"))->setChecked(false);
    qobject_cast<QComboBox *>(get("CmbOdcInjDisplay"))->setCurrentIndex(1);
    page.BtnDgnResetClick();
    start->click();
    form.Timerek->stop();
    DataManager->SetConnected(false);
    auto &r = DeviceRecord;
    r.LambdaType = 1;
    r.SupplyVoltageRaw = 140;
    for (int i = 0; i < 320; ++i) {
        r.GasSwitchState = (i / 60) % 2 == 1 ? 5 : 3;
        r.GasPressureRaw = uint8_t(120 + 40 * std::sin(i / 15.0));
        r.ManifoldPressureRaw = uint8_t(90 + 50 * std::sin(i / 25.0));
        r.GasTempRaw = uint8_t(150 - i / 8);
        r.ReducerTempRaw = uint8_t(140 - i / 5);
        r.RpmPeriod = uint16_t(11220 + 8000 * std::sin(i / 20.0));
        r.LambdaRaw = uint8_t(i % 40 < 20 ? 10 : 40);
        r.PetrolTime[0] = quint32(187 * (8 + 6 * std::sin(i / 20.0)));
        r.GasTime[0] = quint32(r.PetrolTime[0] * 1.3);
        rig.Now += 200;
        page.Step();
    }
    start->click();
    ASSERT_EQ(page.Recorder().Position(), 320);
    QWidget *grip = get("PnlDgnHandle1");
    QWidget *cursor = get("PnlDgnCursor");
    ASSERT_FALSE(grip->isHidden());
    Drag(grip, 5, 5 - 170);
    ASSERT_EQ(page.Recorder().Position(), 150);
    const TOscSample &s = *page.Recorder().At(150);
    auto caption = [&](const char *name) { return form.findChild<TDigitalDisplay *>(name)->Caption(); };
    // Numbers in Polish, the language shown.
    EXPECT_EQ(caption("DgDDgnCzas"), QString::asprintf("%2.2f", s.Time).replace('.', ','));
    EXPECT_EQ(caption("DgDDgnRPM"), QString::asprintf("%4.0f", s.Main[6]));
    EXPECT_EQ(caption("DgDDgnWybor1"), QString::asprintf("%2.2f", s.Main[7]).replace('.', ','));
    auto label = [&](const char *name) { return form.findChild<TCaptionPanel *>(name)->Caption(); };
    EXPECT_EQ(label("DgnLbl1t"), QString::asprintf("%2.0f", page.Recorder().At(100)->Time));
    EXPECT_EQ(label("DgnLbl4b"), "") << "no sample at 400 yet";
    EXPECT_EQ(cursor->x(), get("PnlDgnCzasy")->mapTo(cursor->parentWidget(), QPoint()).x() + 152);
    get("TbSDgnOscyloskop")->grab().save(testsupport::ScreenshotPath(QStringLiteral("recorder.png")));
    // Entering the recorder's page writes its time scale again.
    form.findChild<TCaptionPanel *>("DgnLbl1t")->SetCaption(QString());
    form.PgCDiagnostykaChange(false);
    EXPECT_EQ(label("DgnLbl1t"), QString::asprintf("%2.0f", page.Recorder().At(100)->Time));
    Drag(grip, 5, -10000);
    EXPECT_EQ(page.Recorder().Position(), 0);
    Drag(cursor, 0, 100000);
    EXPECT_GT(page.Recorder().RingLength(), 454);
    EXPECT_EQ(page.Recorder().RingLength(), get("PnlDgnCzasy")->width() - 3);
    EXPECT_EQ(page.Recorder().Position(), page.Recorder().RingLength() - 1);
    // Reset empties the ring and the time scale.
    page.BtnDgnResetClick();
    EXPECT_EQ(page.Recorder().Position(), 0);
    EXPECT_EQ(page.Recorder().At(150)->Time, 0);
    EXPECT_EQ(label("DgnLbl1t"), "");
    DataManager->SetConnected(true);
}

} // namespace
