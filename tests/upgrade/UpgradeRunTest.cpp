// Whole and interrupted upgrades of a controller and of an adapter box through
// the upgrade window against the simulated device on a pseudo-terminal, the
// files the window refuses, and the upgrade file's trailer and records.
#include "common/GiveUp.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/FormUpgrader.h"
#include "upgrade/UpgraderLogic.h"
#include "upgrade/UpgradeFiles.h"

#include "common/PortLock.h"
#include "core/ComMultiPort.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "sim/SimServer.h"
#include "sim/SimUpgradeTarget.h"
#include "windows/NamedWidget.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using Bytes = std::vector<uint8_t>;

namespace {

TEST(UpgradeFile, TrailerChecksAndRecords)
{
    TBootloaderTaronQ3 q3;
    TBootloaderTaronQ3X q3x;
    TBootloaderAdapterVXR_v2 v2;
    QByteArray file = upgradefiles::Make(q3, 100, 0x15);
    TUpgradeFileCheck c = CheckUpgradeData(file, q3);
    ASSERT_TRUE(c.Ok) << c.Error.toStdString();
    EXPECT_EQ(c.Description, "15A (12345678 ABCDEFGHIJK)");
    c = CheckUpgradeData(upgradefiles::Make(q3, 100, 0x15, 'A', QByteArray::fromHex("0102030405060708")), q3);
    EXPECT_EQ(c.Description, "15A (01 02 03 04 05 06 07 08 : 41 42 43 44 45 46 47 48 49 4A 4B)");
    c = CheckUpgradeData(upgradefiles::Make(q3x, 100, 0x0F), q3x);
    EXPECT_EQ(c.Error, "Required firmware version: 10\r\nFound version: F");
    EXPECT_EQ(CheckUpgradeData(QByteArray(), q3).Error, "Incompatible file format");
    // A sound trailer without any program record would erase and write nothing.
    EXPECT_EQ(CheckUpgradeData(upgradefiles::Make(q3, 0, 0x15), q3).Error, "Wrong file or file corrupted");
    EXPECT_TRUE(CheckUpgradeData(upgradefiles::Make(q3, 1, 0x15), q3).Ok);
    // A cut file, a file of another variant, a broken sum.
    EXPECT_EQ(CheckUpgradeData(file.left(file.size() - 1), q3).Error, "Wrong file or file corrupted");
    EXPECT_FALSE(CheckUpgradeData(upgradefiles::Make(q3, 100, 0x20), q3x).Ok);
    EXPECT_FALSE(CheckUpgradeData(upgradefiles::Make(v2, 100, 0x20), q3).Ok);
    QByteArray bad = file;
    bad[file.size() - 10] = char(bad[file.size() - 10] ^ 1);
    EXPECT_EQ(CheckUpgradeData(bad, q3).Error, "Incompatible file format");

    // A 37-byte body: two records, the second reaching into the trailer.
    file = upgradefiles::Make(q3, 37, 0x15);
    const QList<QByteArray> records = UpgradeRecords(file, q3);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0], file.left(36));
    EXPECT_EQ(records[1], file.mid(36, 36));
    EXPECT_EQ(records[1].mid(1, 5), "#####");
}

enum class Cut { Refuse, Silent, PowerLoss };

// The program's port, remembering the command of the last frame written.
class TWatchedPort : public TComMultiPort
{
public:
    bool WriteData(const void *buffer, int count, int &written) override
    {
        if (count > 1)
            LastCommand = static_cast<const quint8 *>(buffer)[1];
        return TComMultiPort::WriteData(buffer, count, written);
    }
    int LastCommand = -1;
};

class UpgradeRun : public ::testing::Test
{
protected:
    QTemporaryDir tmp;
    sim::SimServer server;
    sim::SimUpgradeTarget target;
    TWatchedPort port;
    TBootloaderConfig config;
    TBootloader40Manager manager;
    TUpgraderLogic logic;
    TCommon common;
    QStringList boxes;
    std::unique_ptr<TFormUpgrader> form;
    QString file;
    QByteArray data;
    QList<QByteArray> records;

    void start(bool adapter)
    {
        BootloaderConfig = &config;
        Bootloader40Manager = &manager;
        UpgraderLogic = &logic;
        Common = &common;
        TCommon::SetAnswerProvider([this](const TMessageBoxInfo &box) {
            boxes << box.Text;
            return box.Buttons.value(0);
        });
        if (adapter)
            sim::SimUpgradeTarget::MakeAdapter(target);
        else
            sim::SimUpgradeTarget::MakeController(target);
        const QString portsDir = tmp.filePath(QStringLiteral("ports"));
        qputenv("PORTS_DIR", QFile::encodeName(portsDir));
        target.Install(server);
        std::string error;
        ASSERT_TRUE(server.start(&error)) << error;
        ASSERT_TRUE(server.linkAs(portsDir.toStdString(), 4, &error)) << error;
        ApplyProgramPortSettings(port);
        // The port's own timeouts: a reply merely late on a busy machine is
        // still taken.
        port.SetComDevice(4);
        ASSERT_NO_THROW(port.Open());
        manager.Wait = [](int) {};
        logic.SetConnection(&port, nullptr);
        logic.SetAdapterDetection(adapter);
        form = std::make_unique<TFormUpgrader>();
        form->ComMultiPort = &port;
        logic.SetConnection(&port, nullptr);
        form->Wait = [](int) {};
        std::unique_ptr<TBootloaderParams> params;
        if (adapter)
            params = std::make_unique<TBootloaderAdapterVXR_v2>();
        else
            params = std::make_unique<TBootloaderTaronQ3X>();
        data = upgradefiles::Make(*params, 20 * 36 + 5, 0x21, 'C');
        records = UpgradeRecords(data, *params);
        file = tmp.filePath(QStringLiteral("fw.") + params->GetExtension());
        ASSERT_TRUE(upgradefiles::Write(file, data));
        form->ChooseFile = [this](const QString &) { return file; };
    }

    void TearDown() override
    {
        form.reset();
        TCommon::SetAnswerProvider(nullptr);
        Common = nullptr;
        UpgraderLogic = nullptr;
        Bootloader40Manager = nullptr;
        BootloaderConfig = nullptr;
        port.Close();
        server.stop();
        qunsetenv("PORTS_DIR");
    }

    template <class T> T state(const std::function<T()> &read)
    {
        T value{};
        server.withLock([&] { value = read(); });
        return value;
    }
    bool running() { return state<bool>([this] { return target.App.Running; }); }
    // The exit request has no reply: wait for the device to take it, for
    // long enough that a busy machine does not decide it.
    bool runningSoon(int giveUpMs = testsupport::GiveUpMs)
    {
        for (int i = 0; i < giveUpMs / 10 && !running(); ++i)
            QThread::msleep(10);
        return running();
    }
    std::vector<std::array<uint8_t, 36>> flash()
    {
        return state<std::vector<std::array<uint8_t, 36>>>([this] { return target.Boot.State.Flash; });
    }
    void expectFlashHoldsFile()
    {
        const auto taken = flash();
        ASSERT_EQ(int(taken.size()), records.size());
        for (int i = 0; i < records.size(); ++i)
            EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(taken[size_t(i)].data()), 36), records[i]) << i;
    }
    // Requests that would let the device leave its bootloader, since the
    // last erase.
    int leaveRequestsAfterErase()
    {
        const std::vector<Bytes> log = server.log().bytes();
        int count = 0;
        bool erased = false;
        for (const Bytes &f : log) {
            if (f.size() >= 3 && f[0] == 0xBC && f[1] == 0xE3)
                erased = true;
            if (erased && f.size() >= 3 && f[0] == 0xBC && (f[1] == 0xEE || (f[1] == 0xF0 && f[2] == 0x03)))
                ++count;
        }
        return count;
    }
    // The frames `which` picks that the device received after the log's first `from`.
    long sentSince(size_t from, const std::function<bool(const Bytes &)> &which)
    {
        const std::vector<Bytes> wire = server.log().bytes();
        return long(std::count_if(wire.begin() + std::ptrdiff_t(std::min(from, wire.size())), wire.end(), which));
    }
    static bool versionRequest(const Bytes &f) { return f.size() >= 2 && f[0] == 0xBC && f[1] == 0xE1; }
    bool anyErase()
    {
        for (const Bytes &f : server.log().bytes())
            if (f.size() >= 2 && f[0] == 0xBC && f[1] == 0xE3)
                return true;
        return false;
    }
    // A failure once the device is erased, with the way to finish.
    static QString failedAfterErase(const char *suffix)
    {
        return QStringLiteral("Device does not respond") + QLatin1String(suffix) + QStringLiteral("\r\n\r\n")
               + TranslateKey(QStringLiteral("strUpdStaysInBootloader"));
    }
    bool saidReturned() const { return boxes.contains(TranslateKey(QStringLiteral("strUpdDeviceReturned"))); }
};

class UpgradeWhole : public UpgradeRun, public ::testing::WithParamInterface<bool>
{
};

TEST_P(UpgradeWhole, IdentifiesProgramsTheCheckedBytesAndReturnsToTheApplication)
{
    const bool adapter = GetParam();
    start(adapter);
    // The application's replies are checked by their sum: a corrupted version
    // or identification is not taken.
    const uint8_t identify = adapter ? 0x04 : 0x02;
    server.injectFaultWhen([](const Bytes &f) { return f[1] == 0x01; }, sim::Fault::badChecksum(), 1);
    EXPECT_FALSE(logic.ReadDeviceVersion(nullptr, nullptr));
    EXPECT_EQ(logic.VersionText(), "-");
    server.injectFaultWhen([identify](const Bytes &f) { return f[1] == identify; }, sim::Fault::badChecksum(), 1);
    EXPECT_TRUE(logic.ReadDeviceVersion(nullptr, nullptr));
    EXPECT_EQ(logic.DeviceDescription(), "");
    EXPECT_TRUE(logic.ReadDeviceVersion(nullptr, nullptr));
    EXPECT_NE(logic.DeviceDescription(), "");
    // The bootloader's version replies come late, though within the port's
    // own wait: they are taken.
    server.injectFaultWhen([](const Bytes &f) { return f[0] == 0xBC && f[1] == 0xE1; }, sim::Fault::late(150), 2);
    form->CheckConnection();
    ASSERT_TRUE(form->Connected()) << boxes.join('|').toStdString();
    EXPECT_FALSE(running());
    EXPECT_EQ(form->LblBootloaderVer->text(), adapter ? "8.0" : "6.7");
    EXPECT_EQ(form->EdtDescDevice->text(), adapter ? "20A (12345678 ABCDEFGHIJ1) / ADAPTER_v2"
                                                   : "14A (12345678 ABCDEFGHIJ1) / Q3X");
    form->BtnLoadDataClick();
    EXPECT_EQ(form->EdtDescFile->text(), "21C (12345678 ABCDEFGHIJK)");
    EXPECT_TRUE(form->BtnUpdate->isEnabled());
    EXPECT_FALSE(anyErase());
    // The replies come quicker than the wait's steps: the window's events
    // still run between the records (some saw part of the file programmed).
    std::vector<size_t> seen;
    QTimer events;
    events.setInterval(0);
    QObject::connect(&events, &QTimer::timeout, [&] { seen.push_back(flash().size()); });
    events.start();
    form->BtnUpdateClick();
    events.stop();
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [&](size_t n) { return n > 0 && n < size_t(records.size()); }));
    expectFlashHoldsFile();
    EXPECT_FALSE(running());
    form->close();
    EXPECT_TRUE(runningSoon());
    EXPECT_EQ(state<int>([this] { return target.Boot.State.WriteDefaults; }), 1);
    EXPECT_EQ(form->PrBProgram->value(), form->PrBProgram->maximum());
    EXPECT_FALSE(form->PnlTime->isVisible());
    EXPECT_TRUE(boxes.contains("The device has been updated successfully.")) << boxes.join('|').toStdString();
    // The window identified the device again afterwards.
    EXPECT_TRUE(form->Connected());
    EXPECT_GE(state<size_t>([this] { return target.App.Jumps; }), 2u);

    // The time display: elapsed and remaining minutes and seconds.
    form->SetUpgradeState(0);
    form->SetTimeLeft(75);
    form->SetUpgradeState(1);
    EXPECT_EQ(form->LblTime->text(), "00:00  /  01:15");
    form->SetUpgradeState(2);
}

INSTANTIATE_TEST_SUITE_P(ControllerAndAdapter, UpgradeWhole, ::testing::Bool());

class UpgradeCut : public UpgradeRun, public ::testing::WithParamInterface<std::tuple<bool, Cut, int>>
{
};

TEST_P(UpgradeCut, LeavesTheDeviceInItsBootloaderAndTheSecondAttemptCompletes)
{
    const auto [adapter, cut, where] = GetParam();
    start(adapter);
    form->CheckConnection();
    ASSERT_TRUE(form->Connected());
    form->BtnLoadDataClick();
    const int index = where == 0 ? 0 : where == 1 ? int(records.size()) / 2 : int(records.size()) - 1;
    server.withLock([&] {
        sim::SimBootloaderState &s = target.Boot.State;
        (cut == Cut::Refuse ? s.RefuseRecordAt : cut == Cut::Silent ? s.SilentAtRecord : s.PowerLossAtRecord) = index;
    });
    boxes.clear();
    form->BtnUpdateClick();
    EXPECT_TRUE(boxes.contains(failedAfterErase(" -pbf"))) << boxes.join('|').toStdString();
    EXPECT_EQ(boxes.contains("Error-pbf"), cut == Cut::Refuse);
    EXPECT_FALSE(saidReturned());
    EXPECT_EQ(int(flash().size()), index);
    EXPECT_FALSE(running());
    EXPECT_TRUE(logic.FlashIncomplete);
    form->close();
    EXPECT_EQ(leaveRequestsAfterErase(), 0);
    EXPECT_FALSE(running());
    // Found so again by a program that did not see the run: the device's
    // stay flag keeps it in its bootloader, and its program is not asked for.
    logic.FlashIncomplete = false;
    const size_t again = server.log().bytes().size();
    form->CheckConnection();
    EXPECT_TRUE(form->Connected());
    EXPECT_EQ(sentSince(again, [](const Bytes &f) { return f.size() >= 2 && f[0] != 0xBC && f[1] != 0xE2; }), 0);
    form->close();
    EXPECT_EQ(leaveRequestsAfterErase(), 0);
    EXPECT_FALSE(running());

    boxes.clear();
    form->BtnUpdateClick();
    expectFlashHoldsFile();
    form->close();
    EXPECT_TRUE(runningSoon());
    EXPECT_TRUE(boxes.contains("The device has been updated successfully.")) << boxes.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, UpgradeCut,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(Cut::Refuse, Cut::Silent, Cut::PowerLoss),
                                            ::testing::Values(0, 1, 2)));

class UpgradeRefused : public UpgradeRun, public ::testing::WithParamInterface<int>
{
};

TEST_P(UpgradeRefused, BadFilesEraseNothingAndTheDeviceGoesBackToItsApplication)
{
    start(false);
    const int kind = GetParam();
    const char *expected[] = {"Incompatible file format", "Wrong file or file corrupted", "Incompatible file format",
                              "Required firmware version: 10\r\nFound version: F", "Wrong file or file corrupted"};
    TBootloaderTaronQ3 q3;
    TBootloaderTaronQ3X q3x;
    const QByteArray bad = kind == 0   ? upgradefiles::Make(q3, 200, 0x21)
                           : kind == 1 ? data.left(data.size() - 3)
                           : kind == 2 ? QByteArray(data).replace(data.size() - 2, 1, "\x55")
                           : kind == 3 ? upgradefiles::Make(q3x, 200, 0x0F)
                                       : upgradefiles::Make(q3x, 0, 0x21, 'C'); // the trailer alone
    ASSERT_TRUE(upgradefiles::Write(file, bad));
    form->CheckConnection();
    ASSERT_TRUE(form->Connected());
    // Each refusal sends the device, taken from its running program, back.
    form->BtnLoadDataClick();
    // The format's message, then the file and (but for the version) what is
    // wrong with it in words.
    const char *reasons[] = {"The file does not end with the closing block", "The file's length does not match",
                             "The file does not end with the closing block", "", "The file holds no program"};
    const auto said = [&] {
        return std::any_of(boxes.begin(), boxes.end(), [&](const QString &box) {
            return box.startsWith(QString::fromLatin1(expected[kind]) + "\r\n\r\n" + file)
                   && box.contains(QString::fromLatin1(reasons[kind]));
        });
    };
    EXPECT_TRUE(said()) << boxes.join('|').toStdString();
    EXPECT_TRUE(saidReturned()) << boxes.join('|').toStdString();
    EXPECT_TRUE(runningSoon());
    EXPECT_FALSE(form->BtnUpdate->isEnabled());
    boxes.clear();
    form->BtnUpdateClick();
    EXPECT_TRUE(said()) << boxes.join('|').toStdString();
    EXPECT_TRUE(saidReturned());
    EXPECT_TRUE(runningSoon());
    EXPECT_FALSE(form->BtnUpdate->isEnabled());
    EXPECT_FALSE(anyErase());
    EXPECT_TRUE(flash().empty());
    form->close();
    EXPECT_TRUE(runningSoon());
}

INSTANTIATE_TEST_SUITE_P(OtherVariantCutBrokenOldEmpty, UpgradeRefused, ::testing::Values(0, 1, 2, 3, 4));

TEST_F(UpgradeRun, AFileThatCannotBeReadIsNamedWithItsReason)
{
    start(false);
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    form->CheckConnection();
    ASSERT_TRUE(form->Connected());
    form->BtnLoadDataClick();
    ASSERT_FALSE(boxes.isEmpty());
    // Missing, a pipe, or empty: no read failed part-way, so no format error
    // of the read; the file and the reason are said.
    EXPECT_TRUE(boxes.first().startsWith(file)) << boxes.join('|').toStdString();
    EXPECT_TRUE(boxes.first().contains("not a regular file")) << boxes.join('|').toStdString();
    EXPECT_TRUE(saidReturned()) << boxes.join('|').toStdString();
    // A file the system will not open (here a link to itself) is said so,
    // not as a read cut short.
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_EQ(::symlink(QFile::encodeName(file).constData(), QFile::encodeName(file).constData()), 0);
    boxes.clear();
    form->BtnLoadDataClick();
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_TRUE(boxes.first().startsWith(file + " cannot be opened: ")) << boxes.join('|').toStdString();
    EXPECT_TRUE(boxes.first().contains(QString::fromLocal8Bit(std::strerror(ELOOP)))) << boxes.join('|').toStdString();
    EXPECT_FALSE(boxes.join('|').contains("File error")) << boxes.join('|').toStdString();
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(upgradefiles::Write(file, QByteArray()));
    boxes.clear();
    form->BtnLoadDataClick();
    EXPECT_TRUE(boxes.contains("Incompatible file format\r\n\r\n" + file + "\r\nThe file is empty.")) << boxes.join('|').toStdString();
    EXPECT_FALSE(form->BtnUpdate->isEnabled());
    EXPECT_FALSE(anyErase());
    form->close();
}

} // namespace

namespace {

TEST_F(UpgradeRun, TheLogicsOwnRequestsAndItsJumpGiveThePortLockBackAnsweredOrNot)
{
    start(false);
    const std::function<bool()> requests[] = {
        [this] {
            quint8 version = 0;
            return logic.ReadStatusByte(version);
        },
        [this] {
            char letter = 0;
            return logic.ReadVersionByte(1, letter);
        },
        [this] {
            QString a, b;
            return logic.ReadIdentification(a, b);
        }};
    for (const bool answered : {true, false}) {
        if (!answered)
            server.injectFaultWhen([](const Bytes &) { return true; }, sim::Fault::noAnswer(), 100);
        // The jump to the bootloader succeeds once its frame is written.
        EXPECT_TRUE(logic.GotoBootloader());
        EXPECT_TRUE(testsupport::PortLockFree(port));
        server.withLock([&] { target.App.Running = true; });
        for (size_t i = 0; i < std::size(requests); ++i) {
            SCOPED_TRACE(::testing::Message() << "request " << i << (answered ? " answered" : " silent"));
            EXPECT_EQ(requests[i](), answered);
            EXPECT_TRUE(testsupport::PortLockFree(port));
        }
    }
    server.clearFaults();
}

TEST_F(UpgradeRun, EscapeTheTitleBarAndCloseAllLeaveTheBootloaderAndARunRefusesThem)
{
    start(false);
    const auto press = [this](int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &e);
    };
    const auto titleBar = [this] {
        QCloseEvent e;
        QCoreApplication::sendEvent(form.get(), &e);
    };
    const std::function<void()> ways[] = {[&] { press(Qt::Key_Escape); }, titleBar,
                                          [this] { form->BtnClose->click(); }};
    for (const auto &way : ways) {
        form->CheckConnection();
        ASSERT_TRUE(form->Connected());
        ASSERT_FALSE(running());
        form->show();
        way();
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(runningSoon());
    }

    // During a run every way is refused: the window stays and the run ends
    // with the device programmed.
    form->CheckConnection();
    form->BtnLoadDataClick();
    form->show();
    int tries = 0;
    logic.ProcessEvents = [&] {
        if (form->Busy() && tries++ == 1) {
            for (const auto &way : ways)
                way();
            EXPECT_TRUE(form->isVisible());
        }
    };
    form->BtnUpdateClick();
    logic.ProcessEvents = [] {};
    EXPECT_GT(tries, 1);
    EXPECT_TRUE(form->isVisible());
    expectFlashHoldsFile();
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(runningSoon());
}

TEST_F(UpgradeRun, ASilentRecordKeepsTheWindowsEventsRunningWhileItsReplyIsAwaited)
{
    start(false);
    port.Timeouts()->SetReadConstant(400);
    form->CheckConnection();
    ASSERT_TRUE(form->Connected());
    form->BtnLoadDataClick();
    server.withLock([&] { target.Boot.State.SilentAtRecord = 3; });
    int calls = 0;
    // The calls during the run: after each record, and every few
    // milliseconds while a reply is awaited.
    logic.ProcessEvents = [&] { calls += form->Busy() ? 1 : 0; };
    form->BtnUpdateClick();
    logic.ProcessEvents = [] {};
    EXPECT_TRUE(boxes.contains(failedAfterErase(" -pbf"))) << boxes.join('|').toStdString();
    // Three records answered, then 400 ms of waiting in short steps: the
    // window's events run again and again while the reply is awaited, not
    // once after a wait of the whole 400 ms.
    EXPECT_GE(calls, 3 + 2);
    form->close();
}

TEST_F(UpgradeRun, LaunchFromTheMainWindowFindsTheTargetShowsTheWindowAndFreesIt)
{
    start(false);
    form.reset();
    int connects = 0;
    bool hiddenPortControls = false;
    TFormUpgrader::BeforeModal = [&](TFormUpgrader *w) {
        hiddenPortControls = w->findChild<QWidget *>(QStringLiteral("CmBCommNo"))->isHidden();
        w->Wait = [](int) {};
        w->ChooseFile = [this](const QString &) { return file; };
        w->BtnLoadDataClick();
        w->BtnUpdateClick();
        QTimer::singleShot(0, w, [w] { w->close(); });
    };
    TFormUpgrader::RunUpgrade(nullptr, &port, [&] { ++connects; }, [](bool &ok) { ok = true; });
    TFormUpgrader::BeforeModal = nullptr;
    EXPECT_EQ(connects, 1);
    EXPECT_TRUE(hiddenPortControls);
    EXPECT_EQ(FormUpgrader, nullptr);
    expectFlashHoldsFile();
    EXPECT_TRUE(runningSoon());
}

TEST_F(UpgradeRun, ActivationsDuringAStepStartNoNestedOneAndACloseWaitsForTheStepToStop)
{
    start(false);
    int chosen = 0, connects = 0;
    form->ChooseFile = [&](const QString &) {
        ++chosen;
        return file;
    };
    form->OnConnect = [&] { ++connects; };
    // As the launch does before it shows the window.
    form->CheckConnection();
    ASSERT_TRUE(form->Connected());
    EXPECT_TRUE(form->BtnLoadData->isEnabled()); // a file can be opened after the first identification
    form->BtBConnectClick();
    ASSERT_TRUE(form->BtnLoadData->isEnabled());
    connects = 0;
    form->show();
    // The step's pauses let the window's events run, as the real ones do.
    form->Wait = [](int) { QCoreApplication::processEvents(); };
    // What a person does while a step shows nothing: Return on the focused
    // button, a click on another one; delivered by the event loop.
    const auto meanwhile = [this](const std::vector<QPushButton *> &clicked, bool returnOnLoad) {
        if (returnOnLoad)
            QCoreApplication::postEvent(form->BtnLoadData,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
        for (QPushButton *button : clicked)
            QTimer::singleShot(0, button, &QPushButton::click);
    };
    const auto questions = [this] {
        return boxes.count(TranslateKey(QStringLiteral("strQuestUpdProgramDevice")));
    };

    meanwhile({form->BtBConnect, form->BtnUpdate}, true);
    form->BtnLoadData->click();
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(connects, 0);
    EXPECT_EQ(form->FileName(), file);
    ASSERT_TRUE(form->BtnUpdate->isEnabled());

    meanwhile({form->BtBConnect, form->BtnUpdate}, true);
    form->BtnUpdate->click();
    EXPECT_EQ(questions(), 1);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(connects, 0);
    expectFlashHoldsFile();
    // The buttons work again once the step is over.
    form->BtBConnect->click();
    EXPECT_EQ(connects, 1);

    // Close while "Open file" identifies the device: the step stops at its next pause (no more version requests),
    // then the window closes and the device goes back to its program.
    ASSERT_FALSE(running());
    const size_t atClose = server.log().bytes().size();
    meanwhile({form->BtnClose}, false);
    form->BtnLoadData->click();
    EXPECT_EQ(chosen, 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(runningSoon());
    EXPECT_EQ(sentSince(atClose, versionRequest), 0);

    // Escape while the variants are asked for a program that does not
    // answer: the walk ends at the variant it is at.
    server.injectFaultWhen([](const Bytes &f) { return f[0] == 0xC0; }, sim::Fault::noAnswer(), 1000);
    const size_t before = server.log().bytes().size();
    const auto programRequests = [&] { return sentSince(before, [](const Bytes &f) { return f[0] == 0xC0 && f[1] != 0xE2; }); };
    bool escaped = false;
    logic.ProcessEvents = [&] {
        if (!escaped && programRequests() == 1) {
            escaped = true;
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(form.get(), &escape);
        }
    };
    form->show();
    form->BtnLoadData->click();
    logic.ProcessEvents = [] {};
    server.clearFaults();
    EXPECT_TRUE(escaped);
    EXPECT_EQ(programRequests(), 1);
    EXPECT_FALSE(form->isVisible());

    // Closed while the variants' silent bootloaders are sought: nothing more is sent, not even a leave request.
    ASSERT_TRUE(runningSoon());
    server.injectFaultWhen([n = 0](const Bytes &f) mutable { return versionRequest(f) && ++n > 1; }, sim::Fault::noAnswer());
    size_t closedAt = 0;
    logic.ProcessEvents = [&] {
        if (!closedAt && sentSince(0, versionRequest) == 3) {
            closedAt = server.log().bytes().size();
            form->close();
        }
    };
    server.log().clear();
    form->show();
    form->CheckConnection();
    logic.ProcessEvents = [] {};
    server.clearFaults();
    ASSERT_GT(closedAt, 0u);
    EXPECT_EQ(server.log().bytes().size(), closedAt);

    // Closed before shown (the launch identifies first): the device is sent back only after the step's last request.
    ASSERT_FALSE(form->isVisible());
    form = std::make_unique<TFormUpgrader>();
    form->ComMultiPort = &port;
    logic.SetConnection(&port, nullptr);
    form->Wait = [](int) { QCoreApplication::processEvents(); };
    QTimer::singleShot(0, form.get(), [this] { form->close(); });
    form->CheckConnection();
    EXPECT_TRUE(runningSoon());
    EXPECT_TRUE(server.log().waitFor([](const std::vector<sim::ReceivedFrame> &f) {
        return !f.empty() && f.back().bytes == Bytes{0xBC, 0xEE, 0x00, 0xAA}; }, testsupport::GiveUp));
}

TEST_F(UpgradeRun, TheUpdateClickRunsTheWindowsEventsWhileTheJumpAwaitsItsAnswerAndNoSendsTheDeviceBack)
{
    start(false);
    // Found in its application and sent into its bootloader: the next jump
    // request goes to the bootloader, which never answers it.
    form->CheckConnection();
    ASSERT_TRUE(form->Connected());
    form->BtnLoadDataClick();
    ASSERT_TRUE(form->BtnUpdate->isEnabled());
    ASSERT_FALSE(running());
    int ticks = 0, ticksAtQuestion = -1, ticksWhileJumpAwaited = 0;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        ticksWhileJumpAwaited += port.LastCommand == 0xE2;
    });
    timer.start();
    TCommon::SetAnswerProvider([&](const TMessageBoxInfo &box) {
        boxes << box.Text;
        if (!box.Buttons.contains(mrNo))
            return box.Buttons.value(0);
        ticksAtQuestion = ticks;
        return int(mrNo);
    });
    boxes.clear();
    port.LastCommand = -1;
    form->BtnUpdate->click();
    timer.stop();
    // The window's own pauses do nothing here: the ticks ran while replies
    // were awaited.
    EXPECT_GT(ticksAtQuestion, 0);
    // Among them while the unanswered jump request awaited its answer: the
    // window did not freeze for the read's time.
    EXPECT_GT(ticksWhileJumpAwaited, 0);
    EXPECT_TRUE(saidReturned()) << boxes.join('|').toStdString();
    EXPECT_TRUE(runningSoon());
    EXPECT_FALSE(anyErase());
    EXPECT_TRUE(form->BtnUpdate->isEnabled()) << "the next click asks again";
}

TEST_F(UpgradeRun, AControllerOfAnotherTypeSentIntoItsBootloaderGoesBackAndOneFoundThereStays)
{
    start(false);
    const QString refused = QStringLiteral(
        "Connected to device of incorrect type: Q4\r\nPlease use dedicated software to upgrade the device.");
    // Another product's bootloader (4), and one no variant serves at all (20),
    // whose contact keeps the variant it had: neither is erased nor programmed.
    for (int type : {20, 4}) {
        SCOPED_TRACE(type);
        server.withLock([&] { target.Boot.State.TypeCode = type; });
        boxes.clear();
        // As the launch does: the window identifies its target before it shows.
        form->CheckConnection();
        EXPECT_FALSE(form->Connected());
        EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(),
                                [](const QString &b) { return b.startsWith("Connected to device of incorrect type:"); }))
            << boxes.join('|').toStdString();
        EXPECT_TRUE(saidReturned()) << boxes.join('|').toStdString();
        EXPECT_TRUE(runningSoon());
        EXPECT_FALSE(logic.InBootloader);
        form->BtnLoadDataClick();
        form->BtnUpdateClick();
        EXPECT_FALSE(form->BtnUpdate->isEnabled());
    }
    EXPECT_TRUE(boxes.contains(refused)) << boxes.join('|').toStdString();
    EXPECT_FALSE(anyErase());
    EXPECT_TRUE(flash().empty());

    // Found in its bootloader, its program not answering: it stays.
    server.withLock([&] {
        target.App.Running = false;
        target.Boot.State.Stay = 1;
    });
    boxes.clear();
    form->CheckConnection();
    EXPECT_FALSE(form->Connected());
    EXPECT_TRUE(boxes.contains(refused)) << boxes.join('|').toStdString();
    EXPECT_FALSE(saidReturned());
    EXPECT_FALSE(runningSoon(1000));
    EXPECT_FALSE(anyErase());

    // Found in its bootloader without the stay flag, its program never
    // answering once left to it: not one this program took from its program,
    // so it is not sent back either.
    server.withLock([&] { target.Boot.State.Stay = 0; });
    server.injectFaultWhen([](const Bytes &f) { return f[0] == 0xC0; }, sim::Fault::noAnswer(), 1000);
    boxes.clear();
    form->CheckConnection();
    server.clearFaults();
    EXPECT_FALSE(form->Connected());
    EXPECT_TRUE(boxes.contains(refused)) << boxes.join('|').toStdString();
    EXPECT_FALSE(saidReturned()) << boxes.join('|').toStdString();
    EXPECT_FALSE(runningSoon(10000));
}

} // namespace
