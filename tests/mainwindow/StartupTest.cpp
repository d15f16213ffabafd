// Start-up, the main tick and connecting against simulated devices.
#include "common/GiveUp.h"
#include "mainwindow/StartupRig.h"

#include "controls/DigitalDisplay.h"
#include "core/Detector.h"
#include "core/UnitConversions.h"
#include "core/ui/WaitForm.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "mainwindow/shell/ProgramEnd.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QWindow>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTimer>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using startup::SimDevice;
using startup::StartupRig;

namespace {

constexpr uint8_t ProbeHeader = 0xC0;

bool contains(const std::vector<uint8_t> &commands, uint8_t command)
{
    return std::find(commands.begin(), commands.end(), command) != commands.end();
}

// The commands of one live-value tick of a kind-48 "I" device on the
// readings page: the lock state, the main live block, the engine load, the
// extra live block, the adaptation corrections, then the served-program
// check of the status panels (identity page 0).
const std::vector<uint8_t> LiveTick = {0x3F, 0x0B, 0x40, 0x64, 0x40, 0x53};

size_t countSequence(const std::vector<uint8_t> &commands, const std::vector<uint8_t> &seq)
{
    size_t n = 0;
    for (size_t i = 0; i + seq.size() <= commands.size();) {
        if (std::equal(seq.begin(), seq.end(), commands.begin() + static_cast<long>(i))) {
            ++n;
            i += seq.size();
        } else {
            ++i;
        }
    }
    return n;
}

} // namespace

TEST(Startup, DetectsConnectsReadsAndPollsTheVisiblePage)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create();

    ASSERT_TRUE(form.Ready());
    ASSERT_TRUE(DataManager->GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 48);
    EXPECT_EQ(ComMultiPort->ComDevice(), 5);

    // Start-up traffic: the detector's probe first, then identification,
    // identity pages, lock state and the configuration.
    const auto frames = device.Server.log().bytes();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front(), sim::SimProbes::ProbeController30);
    const auto commands = device.Commands();
    EXPECT_TRUE(contains(commands, 0x53)) << "identity pages";
    EXPECT_TRUE(contains(commands, 0x3F)) << "lock state";
    const auto firstIdentity = std::find(commands.begin(), commands.end(), 0x53);
    const auto firstLock = std::find(commands.begin(), commands.end(), 0x3F);
    EXPECT_LT(firstIdentity - commands.begin(), firstLock - commands.begin());

    // Shown: the timer polls the readings page every 200 ms.
    device.Server.log().clear();
    form.SetScreenSizeForCheck(QSize(1024, 768));
    form.show();
    EXPECT_TRUE(form.Timerek->isActive());
    // Four ticks of the live group (given up after seconds); never more of
    // them than the 200 ms period allows in the time they took.
    QElapsedTimer ran;
    ran.start();
    while (countSequence(device.Commands(), LiveTick) < 4 && ran.elapsed() < testsupport::GiveUpMs)
        StartupRig::Run(100);
    const qint64 took = ran.elapsed();
    EXPECT_EQ(form.Timerek->interval(), 200);
    const auto live = device.Commands();
    EXPECT_GE(countSequence(live, LiveTick), 4u) << "ticks of the live group";
    EXPECT_LE(countSequence(live, LiveTick), size_t(took / 200 + 2));
    // Nothing but the live group, the lock state, the served-program check
    // and the readings' own parameter read (0x07) while idle on this page.
    for (uint8_t c : live)
        EXPECT_TRUE(c == 0x3F || c == 0x0B || c == 0x40 || c == 0x64 || c == 0x53 || c == 0x07)
            << int(c);
    EXPECT_TRUE(rig.Boxes.empty()) << rig.BoxTexts().join(QLatin1Char('|')).toStdString();
}

TEST(Startup, ConfigurationPageSlowsPollingToHalfASecond)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    auto *pages = form.findChild<QTabWidget *>(QStringLiteral("PgCMain"));
    pages->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSConfig")));
    rig.Tick();
    EXPECT_EQ(form.Timerek->interval(), 500);
}

TEST(Startup, OfflineArgumentSendsNothingAndIsStored)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    // A box raised before the window sets the title (a refused trouble-code file) carries the program's caption.
    TCommon::SetApplicationTitle(QString());
    Common->ShowError(QStringLiteral("refused"));
    TFormMain &form = rig.Create({QStringLiteral("-oFfLiNe")});
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_EQ(rig.Boxes[0].Caption, TCommon::ApplicationTitle());
    rig.Boxes.clear();
    EXPECT_TRUE(form.Offline());
    for (int i = 0; i < 5; ++i) {
        rig.Now += 70000;
        rig.Tick();
    }
    EXPECT_EQ(device.Server.log().count(), 0u);
    EXPECT_TRUE(rig.Boxes.empty());
    EXPECT_TRUE(form.findChild<QWidget *>(QStringLiteral("PnlOdcDevOffline"))->isVisibleTo(&form));
    form.close();
    EXPECT_TRUE(rig.IniText().contains(QStringLiteral("OfflineMode=1")));
}

TEST(Startup, OfflineSettingKeepsThePortClosedWhateverTheArguments)
{
    StartupRig rig(5, /*offline*/ true);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create({QStringLiteral("-NOCONNECT")});
    EXPECT_TRUE(form.Offline());
    EXPECT_TRUE(form.NoConnect());
    EXPECT_FALSE(ComMultiPort->GetConnected());
    EXPECT_EQ(device.Server.log().count(), 0u);
}

TEST(Startup, NoConnectProbesTheConfiguredPortOnlyAndConnects)
{
    StartupRig rig(5);
    SimDevice other(rig.PortsDir, 4);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create({QStringLiteral("-noconnect")});
    EXPECT_TRUE(form.NoConnect());
    EXPECT_TRUE(DataManager->GetConnected());
    const auto frames = device.Server.log().bytes();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front(), sim::SimProbes::ProbeController30);
    EXPECT_EQ(other.Server.log().count(), 0u) << "no port search";
}

TEST(Startup, WithoutDeviceKeepsProbingAndAsksOnceAfterTheWatch)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    device.Probes.present(0);
    device.Controller.State.Silent = true;
    TFormMain &form = rig.Create();
    ASSERT_FALSE(DataManager->GetConnected());
    rig.Answer = [](const TMessageBoxInfo &) { return int(mrCancel); };

    device.Server.log().clear();
    rig.Tick();
    EXPECT_EQ(form.Timerek->interval(), 1000);
    EXPECT_EQ(form.LinkLostAt().State(), TFormMain::TDeadline::Armed);
    rig.Now += 30000;
    rig.Tick();
    EXPECT_GE(device.Server.log().count(), 2u) << "each tick probes";
    EXPECT_TRUE(rig.Boxes.empty());

    rig.Now += 30001;
    rig.Tick();
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_TRUE(rig.Boxes[0].Text.contains(QStringLiteral("\r\n\r\n")));
    // A warning with an empty title bar, OK first.
    EXPECT_EQ(rig.Boxes[0].Type, mtWarning);
    EXPECT_TRUE(rig.Boxes[0].Caption.isEmpty()) << rig.Boxes[0].Caption.toStdString();
    EXPECT_EQ(rig.Boxes[0].Buttons, (QList<int>{int(mrOk), int(mrCancel)}));
    EXPECT_TRUE(form.Offline());
    EXPECT_EQ(form.LinkLostAt().State(), TFormMain::TDeadline::Fired);

    // Cancel: offline, quiet, no second question.
    device.Server.log().clear();
    for (int i = 0; i < 3; ++i) {
        rig.Now += 70000;
        rig.Tick();
    }
    EXPECT_EQ(rig.Boxes.size(), 1u);
    EXPECT_EQ(device.Server.log().count(), 0u);
}

TEST(Startup, RetryAfterTheWatchArmsItAgain)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    device.Probes.present(0);
    device.Controller.State.Silent = true;
    TFormMain &form = rig.Create();
    rig.Answer = [](const TMessageBoxInfo &) { return int(mrOk); };
    rig.Tick();
    rig.Now += 60001;
    rig.Tick();
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_FALSE(form.Offline());
    EXPECT_EQ(form.LinkLostAt().State(), TFormMain::TDeadline::NotArmed);
    rig.Tick();
    rig.Now += 60001;
    rig.Tick();
    EXPECT_EQ(rig.Boxes.size(), 2u);
}

TEST(Startup, AutoSearchStartsFiveSecondsAfterArmingAndFindsTheDevice)
{
    StartupRig rig(5, false, /*autoSearch*/ true);
    SimDevice device(rig.PortsDir, 5);
    device.Probes.present(0);
    device.Controller.State.Silent = true;
    TFormMain &form = rig.Create({QStringLiteral("-NOCONNECT")});
    auto *label = form.findChild<TCaptionPanel *>(QStringLiteral("LblStatusAutoConnect"));
    auto *panel = form.findChild<TCaptionPanel *>(QStringLiteral("PnlStatusAutoConnect"));

    // Switched on at creation: armed with "now", so the first tick makes an
    // attempt; after it the next attempt waits 5 s.
    rig.Tick();
    EXPECT_EQ(form.AutoSearchCount(), 1);
    EXPECT_EQ(label->Caption(), QStringLiteral(" (1) Połącz automatycznie  "));
    EXPECT_FALSE(DataManager->GetConnected());
    rig.Tick();
    EXPECT_EQ(form.AutoSearchAt().State(), TFormMain::TDeadline::Armed);
    const qint64 due = form.AutoSearchAt().At();
    EXPECT_EQ(due, rig.Now + 5000);
    rig.Now = due - 1;
    rig.Tick();
    EXPECT_EQ(form.AutoSearchCount(), 1);

    // The device appears right before the attempt at the deadline (after
    // this tick's own detection step), and the attempt finds it.
    rig.Now = due;
    form.Services.ConnectStatusVisible = [&] {
        device.Probes.present(4);
        device.Server.withLock([&] { device.Controller.State.Silent = false; });
        return false;
    };
    rig.Tick();
    EXPECT_TRUE(DataManager->GetConnected());
    // The tick run by the successful attempt found a device: the count
    // starts again.
    EXPECT_EQ(form.AutoSearchCount(), 0);
    EXPECT_EQ(form.AutoSearchAt().State(), TFormMain::TDeadline::NotArmed);
    EXPECT_FALSE(panel->isVisible());
}

TEST(Startup, ConnectionStatusWindowPostponesTheAutomaticAttempt)
{
    StartupRig rig(5, false, true);
    SimDevice device(rig.PortsDir, 5);
    device.Probes.present(0);
    device.Controller.State.Silent = true;
    TFormMain &form = rig.Create({QStringLiteral("-NOCONNECT")});
    form.Services.ConnectStatusVisible = [] { return true; };
    rig.Tick();
    rig.Now += 10000;
    rig.Tick();
    EXPECT_EQ(form.AutoSearchCount(), 0);
    EXPECT_EQ(form.AutoSearchAt().State(), TFormMain::TDeadline::Armed);
    form.Services.ConnectStatusVisible = [] { return false; };
    rig.Tick();
    EXPECT_EQ(form.AutoSearchCount(), 1);
}

TEST(Startup, FirmwareCheckAfterFourSecondsThenEveryMinute)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    int checks = 0;
    rig.Wire = [&](TFormMain &f) { f.Services.CheckIfFirmwareUpgradePossible = [&] { ++checks; }; };
    TFormMain &form = rig.Create();
    form.SetScreenSizeForCheck(QSize(1024, 768));
    form.show();
    form.Timerek->stop();
    rig.Tick();
    EXPECT_EQ(checks, 0);
    rig.Now += 4001;
    rig.Tick();
    EXPECT_EQ(checks, 1);
    rig.Now += 59000;
    rig.Tick();
    EXPECT_EQ(checks, 1);
    rig.Now += 1001;
    rig.Tick();
    EXPECT_EQ(checks, 2);
    // While a check runs, none starts.
    form.FirmwareCheckRunning() = 1;
    rig.Now += 60001;
    rig.Tick();
    EXPECT_EQ(checks, 2);
}

TEST(Startup, SearchSkipsPortsThatCannotBeOpenedAndTriesTheLastUsedFirst)
{
    StartupRig rig(3);
    // COM3: its device is gone; COM4: another program holds it; COM5: ours.
    QFile::link(QStringLiteral("/nonexistent/tty-gone"), rig.PortsDir + QStringLiteral("/COM3"));
    SimDevice busy(rig.PortsDir, 4);
    const int holder = ::open(busy.Server.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    SimDevice device(rig.PortsDir, 5);
    // The first search mirrors the wait window's texts onto the splash.
    QStringList texts;
    rig.Wire = [&](TFormMain &f) {
        f.Services.SetSplashStatus = [&](const QString &text, bool) { texts << text; };
    };

    TFormMain &form = rig.Create();
    EXPECT_TRUE(form.Ready());
    EXPECT_TRUE(DataManager->GetConnected());
    EXPECT_EQ(ComMultiPort->ComDevice(), 5);
    // Tried in order COM3 (the last used), COM4, COM5; the two that could
    // not be opened are shown with their reason.
    const auto tried = [&](const QString &prefix) {
        return std::find_if(texts.begin(), texts.end(),
                            [&](const QString &t) { return t.startsWith(prefix); })
               - texts.begin();
    };
    EXPECT_LT(tried(QStringLiteral("COM3")), tried(QStringLiteral("COM4")));
    EXPECT_LT(tried(QStringLiteral("COM4")), tried(QStringLiteral("COM5")));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const QString &t) { return t.startsWith(QStringLiteral("COM3: ")); }))
        << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const QString &t) { return t.startsWith(QStringLiteral("COM4: ")); }))
        << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.last().endsWith(QStringLiteral("COM5"))) << "the port connected to";
    EXPECT_EQ(busy.Server.log().count(), 0u) << "a taken port gets no bytes";
    EXPECT_TRUE(rig.Boxes.empty());
    ::close(holder);
}

TEST(Startup, FruitlessSearchKeepsTheLastUsedPort)
{
    StartupRig rig(4);
    SimDevice a(rig.PortsDir, 1);
    SimDevice b(rig.PortsDir, 4);
    for (SimDevice *d : {&a, &b}) {
        d->Probes.present(0);
        d->Controller.State.Silent = true;
    }
    TFormMain &form = rig.Create();
    EXPECT_FALSE(DataManager->GetConnected());
    EXPECT_EQ(ComMultiPort->ComDevice(), 4);
    // The last used port was tried before the other one.
    const auto fa = a.Server.log().frames();
    const auto fb = b.Server.log().frames();
    ASSERT_FALSE(fa.empty());
    ASSERT_FALSE(fb.empty());
    EXPECT_LT(fb.front().at, fa.front().at);
    EXPECT_FALSE(form.Connecting());
}

TEST(Startup, PulledDeviceLosesTheLinkAndReconnectsWhenItReturns)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());

    device.Server.disconnectPort();
    for (int i = 0; i < 4 && DataManager->GetConnected(); ++i)
        rig.Tick();
    EXPECT_FALSE(DataManager->GetConnected());
    EXPECT_TRUE(form.findChild<QWidget *>(QStringLiteral("PnlStatus"))->isVisibleTo(&form));
    rig.Tick();
    EXPECT_EQ(form.LinkLostAt().State(), TFormMain::TDeadline::Armed);

    ASSERT_TRUE(device.Server.reconnectPort());
    device.Server.log().clear();
    for (int i = 0; i < 4 && !DataManager->GetConnected(); ++i)
        rig.Tick();
    EXPECT_TRUE(DataManager->GetConnected());
    EXPECT_EQ(DeviceRecord.DeviceKind, 48);
    EXPECT_TRUE(contains(device.Commands(), 0x53)) << "identity read again";
    rig.Tick();
    EXPECT_EQ(form.LinkLostAt().State(), TFormMain::TDeadline::NotArmed);
    EXPECT_TRUE(rig.Boxes.empty());
}

TEST(Startup, FatalDeviceErrorSurvivingARereadEndsTheProgram)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    form.SetScreenSizeForCheck(QSize(1024, 768));
    form.show();
    form.Timerek->stop();

    // Code 19 is harmless.
    device.Controller.State.Pages[4] = 19;
    DataManager->ReadPage(4);
    rig.Tick();
    EXPECT_TRUE(rig.Boxes.empty());
    EXPECT_TRUE(form.isVisible());

    device.Controller.State.Pages[4] = 7;
    DataManager->ReadPage(4);
    device.Server.log().clear();
    rig.Tick();
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_TRUE(rig.Boxes[0].Text.endsWith(QStringLiteral(" [7]")));
    EXPECT_TRUE(rig.Boxes[0].Caption.isEmpty() || rig.Boxes[0].Caption == TCommon::NoCaption());
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Timerek->isActive());
    EXPECT_TRUE(rig.IniText().contains(QStringLiteral("OfflineMode=0")));
}

TEST(Startup, SmallScreenWarnsOnceAndClosesUnlessLowResolution)
{
    {
        StartupRig rig(5, true);
        TFormMain &form = rig.Create();
        form.SetScreenSizeForCheck(QSize(799, 600));
        form.show();
        EXPECT_TRUE(testsupport::EventsUntil([&] { return !form.isVisible(); }));
        ASSERT_EQ(rig.Boxes.size(), 1u);
        EXPECT_EQ(rig.Boxes[0].Type, mtError);
        form.ShowLowResolutionWarning();
        EXPECT_EQ(rig.Boxes.size(), 1u) << "warned at most once";
    }
    {
        StartupRig rig(5, true);
        TFormMain &form = rig.Create({QStringLiteral("-LowResolution")});
        form.SetScreenSizeForCheck(QSize(640, 480));
        form.show();
        StartupRig::Run(50);
        EXPECT_TRUE(rig.Boxes.empty());
        EXPECT_TRUE(form.isVisible());
    }
    {
        StartupRig rig(5, true);
        TFormMain &form = rig.Create();
        form.SetScreenSizeForCheck(QSize(800, 600));
        form.show();
        StartupRig::Run(50);
        EXPECT_TRUE(rig.Boxes.empty());
    }
}

TEST(Startup, ClosingStoresAutoSearchAndOfflineChoices)
{
    StartupRig rig(5, true, false);
    TFormMain &form = rig.Create();
    auto *autoSearch = form.findChild<QAction *>(QStringLiteral("MnIDeviceAutoSearch"));
    autoSearch->trigger();
    EXPECT_TRUE(autoSearch->isChecked());
    EXPECT_TRUE(form.findChild<QCheckBox *>(QStringLiteral("ChBQSAutoSearch"))->isChecked());
    form.close();
    const QString ini = rig.IniText();
    EXPECT_TRUE(ini.contains(QStringLiteral("AutoSearch=1")));
    EXPECT_TRUE(ini.contains(QStringLiteral("OfflineMode=1")));
}

TEST(Startup, TheProgramEndsWithTheMainWindowsCloseOnly)
{
    struct RefusingWindow : TFormMain { void closeEvent(QCloseEvent *event) override { event->ignore(); } };
    for (const bool refused : {false, true})
        for (const bool byMenu : {false, true}) {
            SCOPED_TRACE(std::string(refused ? "refused " : "") + (byMenu ? "File > Exit" : "close box"));
            StartupRig rig(5, true);
            rig.Form.reset(refused ? new RefusingWindow : new TFormMain);
            CreateMainWindow(*rig.Form, rig.Wire); // as the main block makes it
            struct : QObject {
                int Quits = 0;
                bool eventFilter(QObject *, QEvent *e) override { Quits += e->type() == QEvent::Quit; return false; }
            } quits;
            qApp->installEventFilter(&quits);
            QWidget tool; // another window of the program, still open
            tool.show();
            rig.Form->show();
            // The loop ends right after the close, behind whatever the close posted.
            QTimer::singleShot(0, &quits, [&] {
                byMenu ? rig.Form->findChild<QAction *>(QStringLiteral("MnIFileExit"))->trigger()
                       : void(rig.Form->windowHandle()->close());
                QMetaObject::invokeMethod(&quits, [] { QCoreApplication::exit(3); }, Qt::QueuedConnection);
            });
            QTimer::singleShot(testsupport::GiveUpMs, &quits, [] { QCoreApplication::exit(2); }); // a hang fails by name
            EXPECT_NE(QCoreApplication::exec(), 2) << "gave up waiting";
            QGuiApplication::setQuitOnLastWindowClosed(true);
            EXPECT_EQ(quits.Quits, refused ? 0 : 1);
            EXPECT_EQ(rig.Form->isVisible(), refused);
        }
}

TEST(Startup, MenuConnectLeavesOfflineModeAndFindsTheDevice)
{
    StartupRig rig(5, true);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create();
    ASSERT_TRUE(form.Offline());
    // A tick first, as the running program has had one before a user acts.
    form.MarkDeviceOffline(false);
    rig.Tick();
    form.MarkDeviceOffline(true);
    form.findChild<QAction *>(QStringLiteral("MnIDeviceConnect"))->trigger();
    EXPECT_FALSE(form.Offline());
    EXPECT_TRUE(DataManager->GetConnected());
    EXPECT_FALSE(form.Connecting());
}

TEST(Startup, LockedDeviceShowsTheLockPanelAndHidesTheSettingsFiles)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    const quint8 cylinders = DeviceRecord.InjSW;
    device.Server.withLock([&] { device.Controller.State.LockState = 0x0F; });
    form.UpdateDeviceMenus();
    EXPECT_TRUE(form.findChild<QWidget *>(QStringLiteral("PnlStatusLock"))->isVisibleTo(&form));
    EXPECT_FALSE(form.findChild<QAction *>(QStringLiteral("MnIDeviceLock"))->isEnabled());
    EXPECT_TRUE(form.findChild<QAction *>(QStringLiteral("MnIDeviceUnlock"))->isEnabled());
    EXPECT_FALSE(form.findChild<QAction *>(QStringLiteral("MnIFileSaveAs"))->isVisible());
    EXPECT_EQ(DeviceRecord.DeviceKind, 48);
    EXPECT_EQ(DeviceRecord.InjSW, cylinders);

    // Any other lock state keeps what the connection panel says: while it
    // shows (the window itself not shown yet), the device counts as locked.
    ASSERT_FALSE(form.isVisible());
    device.Server.withLock([&] { device.Controller.State.LockState = sim::kSimReadyState; });
    form.UpdateDeviceMenus();
    ASSERT_TRUE(form.findChild<QAction *>(QStringLiteral("MnIDeviceLock"))->isEnabled());
    form.findChild<QWidget *>(QStringLiteral("PnlStatus"))->show();
    device.Server.withLock([&] { device.Controller.State.LockState = 0x55; });
    DeviceRecord.InjSW = cylinders;
    form.UpdateDeviceMenus();
    EXPECT_TRUE(form.findChild<QWidget *>(QStringLiteral("PnlStatusLock"))->isVisibleTo(&form));
    EXPECT_TRUE(form.findChild<QAction *>(QStringLiteral("MnIDeviceUnlock"))->isEnabled());
    EXPECT_FALSE(form.findChild<QAction *>(QStringLiteral("MnIDeviceLock"))->isEnabled());

    // A lock query that gets no answer changes nothing.
    device.Server.withLock([&] { device.Controller.State.LockState = sim::kSimReadyState; });
    device.Server.injectFault(sim::Fault::noAnswer(), 2);
    form.UpdateDeviceMenus();
    EXPECT_TRUE(form.findChild<QWidget *>(QStringLiteral("PnlStatusLock"))->isVisibleTo(&form));
}

TEST(Startup, AdapterVersionMismatchIsReportedWithBothNumbers)
{
    StartupRig rig(5, true);
    TFormMain &form = rig.Create();
    int version = 0x10, product = 2;
    form.Services.AdapterVariableInt = [&](const QString &name) {
        return name == QLatin1String("AdapterMainVersion") ? version : product;
    };
    form.CheckDeviceVersionCompatibility();
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_TRUE(rig.Boxes[0].Text.endsWith(QStringLiteral(" {10} [2]")));
    product = 0;
    form.CheckDeviceVersionCompatibility();
    version = 0x20;
    product = 2;
    form.CheckDeviceVersionCompatibility();
    EXPECT_EQ(rig.Boxes.size(), 1u);
}

TEST(Startup, DeviceOfAnotherFamilyIsHandedToTheSiblingProgram)
{
    QTemporaryDir programs;
    ASSERT_TRUE(programs.isValid());
    QFile sibling(programs.filePath(QStringLiteral("service-1.3.bin")));
    ASSERT_TRUE(sibling.open(QIODevice::WriteOnly));
    sibling.write("#!/bin/sh\n");
    sibling.close();
    sibling.setPermissions(sibling.permissions() | QFileDevice::ExeOwner);
    QString started;
    QStringList startedWith;
    TDetector::SetProgramStarter([&](const QString &program, const QStringList &arguments, const QString &) {
        started = program;
        startedWith = arguments;
        return true;
    });

    {
        StartupRig rig(5);
        SimDevice device(rig.PortsDir, 5);
        device.Probes.present(1); // a first-generation controller: family 1
        rig.Wire = [&](TFormMain &f) {
            f.DetectorComponent->SetProgramFile(programs.filePath(QStringLiteral("taron")));
        };
        TFormMain &form = rig.Create();
        EXPECT_FALSE(DataManager->GetConnected());
        EXPECT_EQ(form.DetectorComponent->GetExeFamily(), 1);
        rig.Tick();
        EXPECT_EQ(QFileInfo(started).fileName(), QStringLiteral("service-1.3.bin"));
        EXPECT_EQ(startedWith, QStringList{QStringLiteral("/nologo")});
        EXPECT_FALSE(ComMultiPort->GetConnected()) << "the port is free for the sibling";
        EXPECT_FALSE(form.Timerek->isActive());
        EXPECT_TRUE(rig.IniText().contains(QStringLiteral("AutoSearch=0"))) << "closed normally";
    }
    TDetector::SetProgramStarter({});
}

TEST(Startup, OnlyABootloaderAnsweringLeadsToTheUpgrade)
{
    QTemporaryDir programs;
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    device.Probes.setBootloaderVersion(4, 6, 1);
    device.Probes.present(8);
    int upgrades = 0;
    rig.Wire = [&](TFormMain &f) {
        f.DetectorComponent->SetProgramFile(programs.filePath(QStringLiteral("taron")));
        f.Services.BootloaderIsAdapter = [] { return true; };
        f.Services.UpgradeFirmware = [&] { ++upgrades; };
    };
    TFormMain &form = rig.Create({QStringLiteral("-NOCONNECT")});
    // A tick run by the program itself (no sender) detects the bootloader
    // but does not start the upgrade.
    for (int i = 0; i < 3 && form.DetectorComponent->GetDetectedKind() != 8; ++i)
        form.TimerekTimer(nullptr);
    ASSERT_EQ(form.DetectorComponent->GetDetectedKind(), 8);
    EXPECT_EQ(upgrades, 0);
    EXPECT_TRUE(rig.Boxes.empty());
    rig.Tick();
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_EQ(rig.Boxes[0].Type, mtWarning);
    EXPECT_EQ(upgrades, 1);
    EXPECT_EQ(form.DetectorComponent->GetDetectedKind(), 0) << "the detector starts again";
}

TEST(Startup, TickBeforeCreationEndsDoesNothing)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    rig.Form = std::make_unique<TFormMain>();
    rig.Form->SetAdapterPanelsPending(true);
    int docked = 0;
    rig.Form->Services.DockAdapterPanels = [&] { ++docked; };
    rig.Tick();
    EXPECT_EQ(docked, 1) << "pending layout work runs first";
    EXPECT_EQ(device.Server.log().count(), 0u);
    EXPECT_FALSE(rig.Form->Ready());
}

TEST(Startup, OfflineSwitchesMirrorEachOtherAndLeavingOfflineRearmsTheWatch)
{
    StartupRig rig(5, true);
    TFormMain &form = rig.Create();
    auto *item = form.findChild<QAction *>(QStringLiteral("MnIDeviceOffline"));
    auto *box = form.findChild<QCheckBox *>(QStringLiteral("ChBQSOffline"));
    ASSERT_TRUE(form.Offline());
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(box->isChecked());

    box->click();
    EXPECT_FALSE(form.Offline());
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(form.AutoSearchAt().State(), TFormMain::TDeadline::Armed);
    EXPECT_EQ(form.AutoSearchAt().At(), rig.Now);
    EXPECT_EQ(form.LinkLostAt().State(), TFormMain::TDeadline::NotArmed);

    item->trigger();
    EXPECT_TRUE(form.Offline());
    EXPECT_TRUE(box->isChecked());
    EXPECT_FALSE(ComMultiPort->GetConnected());
    EXPECT_TRUE(form.CheckOfflineMode());
}

TEST(Startup, PortVanishingMidExchangeAndComingBackReconnects)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());

    device.Server.injectFault(sim::Fault::vanish(300));
    for (int i = 0; i < 4 && DataManager->GetConnected(); ++i)
        rig.Tick();
    EXPECT_FALSE(DataManager->GetConnected());
    EXPECT_TRUE(form.Ready());
    EXPECT_FALSE(form.Offline());

    // Back after its pause: the ticks find it again.
    StartupRig::Run(400);
    device.Server.log().clear();
    QElapsedTimer waited;
    waited.start();
    while (!DataManager->GetConnected() && waited.elapsed() < testsupport::GiveUpMs) {
        rig.Tick();
        if (!DataManager->GetConnected())
            StartupRig::Run(100);
    }
    EXPECT_TRUE(DataManager->GetConnected());
    EXPECT_TRUE(contains(device.Commands(), 0x53));
    EXPECT_TRUE(rig.Boxes.empty());
}

TEST(Startup, AdapterObdTabShowsTheControllersReadings)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    device.Server.withLock([&] {
        sim::Bytes &p = device.Controller.State.Payload[0x0B];
        p[0] = 150;                         // gas pressure
        p[1] = 67;                          // reducer temperature
        p[2] = 120;                         // gas temperature
        p[6] = uint8_t(11220 >> 8);         // 2000 rpm
        p[7] = uint8_t(11220 & 0xFF);
        p[8] = uint8_t(5 << 5 | 0x03);      // on gas, channel 1 = 0x384
        p[9] = 0x84;
        p[16] = 0x04;                       // gas channel 1 = 0x44C
        p[17] = 0x4C;
        p[40] = 70;                         // manifold pressure
    });
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    DeviceRecord.InjSW = 1;
    DeviceRecord.InjectorMask = 0x01;

    // The OBD window's small readings panel, as docked into the adapter page.
    const char *names[] = {"DgDOBDRealRPM", "DgDOBDRealTb", "DgDOBDRealTg", "DgDOBDRealPsys",
                           "DgDOBDRealPcol", "DgDOBDRealTred", "DgDOBDRealTgas"};
    auto *host = form.findChild<QWidget *>(QStringLiteral("PnlAdapterMultiOBD"));
    ASSERT_NE(host, nullptr);
    std::map<std::string, TDigitalDisplay *> d;
    for (const char *name : names) {
        d[name] = new TDigitalDisplay(host);
        d[name]->setObjectName(QString::fromLatin1(name));
        d[name]->SetCaption(QStringLiteral("x"));
    }
    auto *pages = form.findChild<QTabWidget *>(QStringLiteral("PgCMain"));
    auto *adapterPages = form.findChild<QTabWidget *>(QStringLiteral("PgCAdapterMain"));
    pages->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSAdapter")));

    // The information tab leaves them alone.
    adapterPages->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSAdapterMultiInfo")));
    rig.Tick();
    EXPECT_EQ(d["DgDOBDRealRPM"]->Caption(), QStringLiteral("x"));

    adapterPages->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSAdapterMultiOBD")));
    rig.Tick();
    EXPECT_EQ(d["DgDOBDRealRPM"]->Caption(), QStringLiteral("2000"));
    EXPECT_EQ(d["DgDOBDRealPsys"]->Caption(), FormatPressure(150));
    EXPECT_EQ(d["DgDOBDRealPcol"]->Caption(), FormatCollectorPressure(70));
    EXPECT_EQ(d["DgDOBDRealTred"]->Caption(), QStringLiteral("50,3")); // in Polish
    EXPECT_EQ(d["DgDOBDRealTgas"]->Caption(), FormatTemperature(120));
    EXPECT_EQ(d["DgDOBDRealTb"]->Caption(), QStringLiteral("4,81")); // 900 / 187
    EXPECT_EQ(d["DgDOBDRealTg"]->Caption(), QStringLiteral("5,88")); // 1100 / 187
}

TEST(Startup, WithoutDeviceTheStatusBarSaysSoOnceShown)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    device.Probes.present(0);
    device.Controller.State.Silent = true;
    TFormMain &form = rig.Create({QStringLiteral("-NOCONNECT")});
    ASSERT_FALSE(DataManager->GetConnected());
    DeviceRecord.GasSwitchState = 0;
    form.SetScreenSizeForCheck(QSize(1024, 768));
    form.show();
    rig.Tick();
    const QString noLink = LM->Translate(QStringLiteral("strComError"));
    ASSERT_FALSE(noLink.startsWith(QLatin1Char('!')));
    auto *status = form.findChild<TCaptionPanel *>(QStringLiteral("PnlStatus"));
    EXPECT_TRUE(status->isVisibleTo(&form));
    EXPECT_EQ(status->text(), noLink);
    EXPECT_EQ(form.findChild<TCaptionPanel *>(QStringLiteral("PnlStatusGazSwitchText"))->text(),
              LM->Translate(QStringLiteral("strOff")));
    form.close();
}
