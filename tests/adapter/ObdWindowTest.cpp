// The OBD window docked into the main window, driven through its controls
// against the simulated adapter box and controller: the configuration write
// with the controller's adaptation switches, refusals, trouble codes and
// freeze frames, the adaptation grids of the corrections page, the status
// bar's OBD-adaptation panel, and the connection-status dialog over the
// program (a port chosen again, a box that dropped out looked for again).
#include "adapter/ObdWindowRig.h"

#include "adapter/DevStateOBD.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/ModuleOBD.h"
#include "adapter/ObdMessages.h"
#include "core/LM.h"
#include "adapter/UIState.h"
#include "common/WaitUntil.h"
#include "controls/DigitalDisplay.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"
#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "core/ComMultiPort.h"

#include <algorithm>
#include <functional>
#include <tuple>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTabBar>

#include <gtest/gtest.h>

using obdtest::Frame;
using obdtest::ObdProgram;

namespace {

constexpr uint8_t C0 = 0xC0, C2 = 0xC2;

// A box whose OBD link knows protocol 4 (CAN) and is idle.
void IdleCanLink(sim::SimAdapterState &s)
{
    s.Obd.Config[0] = 0x04;
}

// A box connected to the car over CAN.
void ConnectedLink(sim::SimAdapterState &s)
{
    s.Obd.Config[0] = 0x04;
    s.Obd.State[4] = 4;
    s.Obd.State[8] = 4;
}

std::vector<Frame> Only(const std::vector<Frame> &frames, uint8_t header)
{
    std::vector<Frame> out;
    for (const Frame &f : frames)
        if (f.first == header)
            out.push_back(f);
    return out;
}

// Where the first frame with this header and command is; -1 when none.
int IndexOf(const std::vector<Frame> &frames, uint8_t header, uint8_t command)
{
    for (size_t i = 0; i < frames.size(); ++i)
        if (frames[i] == Frame{header, command})
            return int(i);
    return -1;
}

// How many of the box's requests carry this command.
size_t CountOf(const std::vector<sim::Bytes> &requests, uint8_t command)
{
    return size_t(std::count_if(requests.begin(), requests.end(), [command](const sim::Bytes &r) { return r[1] == command; }));
}

class ObdWindowTest : public ::testing::Test
{
protected:
    // The program started against a box; the tests that need its OBD
    // module check that it answered.
    void Start(const std::function<void(sim::SimAdapterState &)> &box, uint8_t kind = 48, char version = 'I',
               const char *language = "EN")
    {
        P = std::make_unique<ObdProgram>(box, kind, version, language);
        Form = &P->Start();
    }
    TUIStateOBD *Ui() const { return Logic->UIStateOBD(); }
    void Ticks(int n) { while (n-- > 0) P->Tick(); }
    // Lets the window lay itself out: the adapter's panels join their page
    // once the program is idle (waited for), then the layouts run.
    void Settle()
    {
        EXPECT_TRUE(testsupport::EventsUntil([this] { return !Form->AdapterPanelsPending(); }));
        startup::StartupRig::Run(50);
    }

    std::unique_ptr<ObdProgram> P;
    TFormMain *Form = nullptr;
};

} // namespace

TEST_F(ObdWindowTest, WriteSendsTheAdapterSettingsThenTheControllerSwitches)
{
    Start(IdleCanLink);
    // The controller's model adaptation is on.
    P->Device.Server.withLock([&] { P->Device.Controller.State.Param8[31] = 0x40; });
    DeviceRecord.AdaptationMode = 1;
    DeviceRecord.ReturnToPetrolMask = 0x40;
    P->ShowObdPage("TbSOBDConfig");
    ASSERT_TRUE(P->Obd->ChBOBDAdaptationEnable->isEnabled());
    P->Obd->ChBOBDAdaptationEnable->click();
    EXPECT_TRUE(Logic->UIState()->Modified());
    P->Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
    P->ClearLog();
    P->Rig.Boxes.clear();
    P->Obd->BtBOBDWriteConfig->click();

    const auto frames = P->Frames();
    // The box's settings first, with adaptation (bit 1) and the protocol.
    const auto adapter = P->AdapterRequests();
    ASSERT_FALSE(adapter.empty());
    EXPECT_EQ(sim::Bytes(adapter.front().begin() + 1, adapter.front().begin() + 4), (sim::Bytes{0x72, 0x04, 0x0A}));
    // Then the question, the model adaptation off (8-bit id 31 without bit
    // 6), the map correction on (model id 104), and the read-back; the
    // change-record question came before the first frame.
    ASSERT_EQ(P->Rig.Boxes.size(), 2u);
    EXPECT_EQ(P->Rig.Boxes[0].Text, LM->Translate(QStringLiteral("strQModChange")));
    EXPECT_EQ(P->Rig.Boxes[1].Text, LM->Translate(QStringLiteral("strQAdaptMAP_OBD")));
    const int write31 = IndexOf(frames, C0, 0x08);
    const int write104 = IndexOf(frames, C0, 0x16);
    const int readBack = IndexOf(frames, C2, 0x71);
    ASSERT_GE(write31, 0);
    ASSERT_GE(write104, 0);
    EXPECT_LT(IndexOf(frames, C2, 0x72), write31);
    EXPECT_LT(write31, write104);
    EXPECT_LT(write104, readBack);
    P->Device.Server.withLock([&] {
        EXPECT_EQ(P->Device.Controller.State.Param8[31], 0x00);
        EXPECT_EQ(P->Device.Controller.State.Model[104] & 1, 1);
    });
    EXPECT_EQ(DeviceRecord.AdaptationMode, 0);
    EXPECT_FALSE(Logic->UIState()->Modified());
    // The adaptation type was not changed: the learnt corrections stay.
    EXPECT_EQ(IndexOf(frames, C2, 0x8C), -1);
}

TEST_F(ObdWindowTest, RefusalByTheAdapterOrTheControllerKeepsThePageModified)
{
    // The message names the side that did not take the write.
    struct Case { const char *what; bool adapterRefuses; const char *message; };
    for (const Case c : {Case{"adapter", true, "strObdConfigNotWritten"},
                         Case{"controller", false, "strObdSwitchNotWritten"}}) {
        SCOPED_TRACE(c.what);
        Start(IdleCanLink);
        P->ShowObdPage("TbSOBDConfig");
        P->Obd->ChBOBDAdaptationEnable->click();
        if (c.adapterRefuses)
            P->Box([](sim::SimAdapterState &s) { s.Obd.Status[0x72] = 0x00; });
        else
            P->Device.Server.withLock([&] { P->Device.Controller.State.Silent = true; });
        P->ClearLog();
        P->Rig.Boxes.clear();
        const int switchesBefore = DeviceRecord.MapCorrections;
        EXPECT_FALSE(P->Obd->BtBOBDWriteConfigClick());
        // The controller's record keeps the switch it holds.
        EXPECT_EQ(DeviceRecord.MapCorrections, switchesBefore);
        const auto frames = P->Frames();
        EXPECT_GE(IndexOf(frames, C2, 0x72), 0);
        // Nothing after the refusal: no controller write after the box's,
        // no box request after the controller's, no read-back.
        EXPECT_EQ(IndexOf(frames, C2, 0x71), -1);
        if (c.adapterRefuses) {
            EXPECT_TRUE(Only(frames, C0).empty());
        } else {
            const int first = IndexOf(frames, C0, 0x16);
            ASSERT_GE(first, 0);
            for (size_t i = size_t(first); i < frames.size(); ++i)
                EXPECT_EQ(frames[i], (Frame{C0, 0x16})) << i;
        }
        EXPECT_TRUE(Logic->UIState()->Modified());
        EXPECT_TRUE(Ui()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean());
        // The change-record question, then what went wrong.
        ASSERT_EQ(P->Rig.Boxes.size(), 2u);
        EXPECT_EQ(P->Rig.Boxes[0].Text, LM->Translate(QStringLiteral("strQModChange")));
        EXPECT_EQ(P->Rig.Boxes[1].Text, LM->Translate(QString::fromLatin1(c.message)));
        EXPECT_TRUE(P->Rig.Boxes[1].Text.contains(QString::fromLatin1(c.what))) << P->Rig.Boxes[1].Text.toStdString();
        // The device side holds what the box holds: a refused write is not
        // taken for the box's settings.
        EXPECT_EQ(ModuleOBD->DevState()->OBDConfig_1_EE->GetAsInteger(), c.adapterRefuses ? 0x08 : 0x0A);
        P.reset();
    }
}

TEST_F(ObdWindowTest, ChangedAdaptationTypeResetsBothBanksOnceWritten)
{
    Start(IdleCanLink);
    P->ShowObdPage("TbSOBDConfig");
    P->Obd->ChBOBDAdaptationEnable->click();
    P->Obd->CmBOBDAdaptType->setCurrentIndex(0);
    emit P->Obd->CmBOBDAdaptType->activated(0);
    EXPECT_EQ(Ui()->OBDAdaptType->GetAsInteger(), 1);
    P->Box([](sim::SimAdapterState &s) { s.Obd.Banks[0].assign(100, 7); s.Obd.Banks[1].assign(100, 7); });
    P->ClearLog();
    ASSERT_TRUE(P->Obd->BtBOBDWriteConfigClick());
    const auto adapter = P->AdapterRequests();
    ASSERT_FALSE(adapter.empty());
    EXPECT_EQ(adapter.back(), sim::SimAdapter::Request(0x8C, {0x03}));
    P->Box([](sim::SimAdapterState &s) {
        EXPECT_EQ(s.Obd.Banks[0], sim::Bytes(100, 0));
        EXPECT_EQ(s.Obd.Banks[1], sim::Bytes(100, 0));
        EXPECT_EQ(s.Obd.Config[2] & 0x0F, 1);
    });
}

TEST_F(ObdWindowTest, OlderDeviceSwitchesTheAdaptationOffOnEnteringTheConfiguration)
{
    // Adaptation on in the box, a device of version G cannot use it.
    Start([](sim::SimAdapterState &s) { s.Obd.Config[0] = 4, s.Obd.Config[1] = 0x0A; }, 48, 'G');
    EXPECT_TRUE(Ui()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean());
    P->ClearLog();
    P->ShowObdPage("TbSOBDConfig");
    const auto adapter = P->AdapterRequests();
    const auto write = std::find_if(adapter.begin(), adapter.end(), [](const sim::Bytes &b) { return b[1] == 0x72; });
    ASSERT_NE(write, adapter.end());
    EXPECT_EQ((*write)[3], 0x08);
    EXPECT_FALSE(Ui()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean());
    EXPECT_FALSE(P->Obd->ChBOBDAdaptationEnable->isEnabled());
}

TEST_F(ObdWindowTest, StatusFieldAndConnectButtonFollowTheLink)
{
    Start(IdleCanLink);
    P->ShowObdPage("TbSOBDConfig");
    P->Tick();
    EXPECT_EQ(P->Obd->EdtOBDStatus->text(), "Idle");
    EXPECT_EQ(P->Obd->BtnOBDConnectControl->text(), "Connect");
    P->ClearLog();
    P->Obd->BtnOBDConnectControl->click();
    const auto adapter = P->AdapterRequests();
    ASSERT_GE(adapter.size(), 2u);
    EXPECT_EQ(adapter[0][1], 0x76);
    EXPECT_EQ(adapter[0][2], 0x04);
    EXPECT_EQ(adapter[1][1], 0x78);
    // The simulated link is connected at once.
    P->Tick();
    EXPECT_EQ(P->Obd->EdtOBDStatus->text(), "Connected (CAN 11/500)");
    EXPECT_EQ(P->Obd->BtnOBDConnectControl->text(), "Disconnect");
    EXPECT_FALSE(P->Obd->CmBOBDProtocol->isEnabled());
}

TEST_F(ObdWindowTest, TextsFromCodeFollowTheLanguageFiles)
{
    Start(
        [](sim::SimAdapterState &s) {
            ConnectedLink(s);
            s.Obd.State[2] = 0x02;
            s.Obd.TroubleState[0] = 1;
        },
        48, 'I', "PL");
    ASSERT_EQ(LM->Language, "PL");
    P->ShowObdPage("TbSOBDConfig");
    P->Tick();
    const QString connected = LM->Translate(QStringLiteral("strTextConnected"));
    ASSERT_NE(connected, "Connected");
    EXPECT_EQ(P->Obd->EdtOBDStatus->text(), connected + " (CAN 11/500)");
    EXPECT_EQ(P->Obd->BtnOBDConnectControl->text(), LM->Translate(QStringLiteral("strTextDisconnect")));
    P->ShowObdPage("TbSOBDErrors");
    P->Tick();
    EXPECT_TRUE(P->Obd->MemOBDTroubles->toPlainText().startsWith(
        LM->Translate(QStringLiteral("strTextNumRecTroubles")) + ": 1"))
        << P->Obd->MemOBDTroubles->toPlainText().toStdString();
}

TEST_F(ObdWindowTest, DetectionResultIsTakenOnceAndTheUserMayChooseAgain)
{
    // Detection ended without a result; the box names no protocol (0).
    Start([](sim::SimAdapterState &s) {
        s.Obd.Config[0] = 4;
        s.Obd.State[4] = 1;
        s.Obd.State[5] = 9;
        s.Obd.Status[0x75] = 0x00;
    });
    P->ShowObdPage("TbSOBDConfig");
    P->Tick();
    EXPECT_EQ(P->Obd->EdtOBDStatus->text(), "Not detected");
    EXPECT_EQ(Ui()->OBDProtocol_EE->GetAsInteger(), 0);
    // Connect without a protocol only points at the protocol list.
    P->ClearLog();
    P->Obd->BtnOBDConnectControl->click();
    EXPECT_TRUE(P->AdapterRequests().empty());
    // The user's choice stands while the result stays on screen.
    P->Obd->CmBOBDProtocol->setCurrentIndex(2);
    emit P->Obd->CmBOBDProtocol->activated(2);
    Ticks(2);
    EXPECT_EQ(Ui()->OBDProtocol_EE->GetAsInteger(), 3);
    EXPECT_EQ(P->Obd->CmBOBDProtocol->currentIndex(), 2);
    EXPECT_EQ(CountOf(P->AdapterRequests(), 0x75), 0u);
}

TEST_F(ObdWindowTest, TrimBoundsMinimumRpmAndLeavingWithUnwrittenEdits)
{
    Start(IdleCanLink);
    P->ShowObdPage("TbSOBDConfig");
    P->Obd->ChBOBDAdaptationEnable->click();
    P->Obd->UpDOBDAdaptStFtBase->setValue(-10);
    P->Obd->UpDOBDAdaptStFtRange->setValue(15);
    EXPECT_EQ(P->Obd->LblOBDAdaptStFtValue->text(), "STFT:   -25   -:-   5  [%]");
    EXPECT_EQ(Ui()->OBDAdaptStFtBase_EE->GetAsInteger(), -10);
    P->Obd->CmBOBDAdaptMinRPM->setCurrentIndex(P->Obd->CmBOBDAdaptMinRPM->findText("2500"));
    emit P->Obd->CmBOBDAdaptMinRPM->activated(P->Obd->CmBOBDAdaptMinRPM->currentIndex());
    EXPECT_EQ(Ui()->OBDAdaptMinRPM_EE->GetAsInteger(), 2500);
    ASSERT_TRUE(Logic->UIState()->Modified());
    // The next tick takes the start-up's finished detection and enters the
    // page again: the edits stay on it.
    P->Tick();
    EXPECT_EQ(P->Obd->UpDOBDAdaptStFtBase->value(), -10);
    EXPECT_EQ(Ui()->OBDAdaptMinRPM_EE->GetAsInteger(), 2500);
    ASSERT_TRUE(Logic->UIState()->Modified());

    // Cancel keeps the configuration page and writes nothing.
    P->Rig.Answer = [](const TMessageBoxInfo &) { return int(mrCancel); };
    P->ClearLog();
    shellwiring::ClickTab(*Form, "TbSOBDLive");
    QCoreApplication::processEvents();
    EXPECT_EQ(P->Obd->PgCMain->currentWidget(), P->Obd->TbSOBDConfig);
    EXPECT_EQ(IndexOf(P->Frames(), C2, 0x72), -1);
    // Yes with a write the box refuses, with the box gone (looked for once),
    // and with the box back, found again by the Yes and refusing the write:
    // the page and its edits stay; a warning says why.
    P->Rig.Answer = [](const TMessageBoxInfo &b) { return b.Buttons.contains(mrYes) ? int(mrYes) : b.Buttons.value(0); };
    P->Box([](sim::SimAdapterState &s) { s.Obd.Status[0x72] = 0x00; });
    struct Row { const char *name; bool silent; const char *leaveTo, *warning; };
    for (const Row row : {Row{"write refused", false, "TbSOBDLive", "strObdConfigNotWritten"},
                          Row{"box gone", true, "TbSOBDLive", "strObdBoxNotAnswering"},
                          Row{"box back, found again", false, "TbSConfig", "strObdConfigNotWritten"}}) {
        SCOPED_TRACE(row.name);
        P->Box([&](sim::SimAdapterState &s) { s.Silent = row.silent; });
        Ticks(row.silent ? 8 : 0); // until the OBD module gave up
        P->Rig.Boxes.clear();
        shellwiring::ClickTab(*Form, row.leaveTo);
        QCoreApplication::processEvents();
        EXPECT_EQ(shellwiring::Current(*Form, "PgCMain").toStdString(), "TbSAdapter");
        EXPECT_EQ(P->Obd->PgCMain->currentWidget(), P->Obd->TbSOBDConfig);
        EXPECT_TRUE(Logic->UIState()->Modified());
        EXPECT_EQ(P->Obd->UpDOBDAdaptStFtBase->value(), -10);
        ASSERT_EQ(P->Rig.Boxes.size(), 2u) << P->Rig.BoxTexts().join('|').toStdString();
        EXPECT_EQ(P->Rig.Boxes[1].Type, mtWarning);
        EXPECT_EQ(P->Rig.Boxes[1].Text, LM->Translate(QString::fromLatin1(row.warning)));
        EXPECT_EQ(P->Rig.Boxes[0].Text, LM->Translate(QStringLiteral("strQModChange")));
        EXPECT_EQ(IndexOf(P->Frames(), C0, 0x55), -1);
    }
    // The box, found again by the tick's re-sync, enters the page anew: the edits stay.
    Manager->SetActive(false);
    P->Box([](sim::SimAdapterState &s) { s.Obd = sim::SimObdState(), IdleCanLink(s); });
    for (int i = 0; i < 10 && !ModuleOBD->IsActive(); ++i)
        P->Tick();
    ASSERT_TRUE(ModuleOBD->IsActive());
    P->Tick();
    EXPECT_EQ(P->Obd->UpDOBDAdaptStFtBase->value(), -10);
    ASSERT_TRUE(Logic->UIState()->Modified());
    // Yes writes before the page changes.
    P->Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
    P->ClearLog();
    shellwiring::ClickTab(*Form, "TbSOBDLive");
    testsupport::EventsUntil([this] { return P->Obd->PgCMain->currentWidget() == P->Obd->TbSOBDLive; });
    EXPECT_EQ(P->Obd->PgCMain->currentWidget(), P->Obd->TbSOBDLive);
    EXPECT_GT(IndexOf(P->Frames(), C0, 0x55), IndexOf(P->Frames(), C2, 0x72));
    const auto adapter = P->AdapterRequests();
    const auto write = std::find_if(adapter.begin(), adapter.end(), [](const sim::Bytes &b) { return b[1] == 0x72; });
    ASSERT_NE(write, adapter.end());
    EXPECT_EQ((*write)[5], 0xF6); // the base, -10
    EXPECT_EQ((*write)[6], 15);
    EXPECT_FALSE(Logic->UIState()->Modified());
}

TEST_F(ObdWindowTest, ConnectErrorsLabelNamesTheCountersFromTheBox)
{
    struct Case { uint8_t init, send, receive; bool shown; };
    Start(IdleCanLink);
    P->ShowObdPage("TbSOBDConfig");
    for (const Case c : {Case{3, 2, 1, false}, Case{4, 0, 0, true}, Case{0, 3, 0, true}, Case{0, 0, 2, true}}) {
        SCOPED_TRACE(testing::Message() << int(c.init) << "/" << int(c.send) << "/" << int(c.receive));
        P->Box([&](sim::SimAdapterState &s) { s.Obd.LiveTable[50] = {c.init, c.send, c.receive, 0}; });
        // The work step reads the counters while the page shows a link that is down.
        Ticks(2);
        EXPECT_EQ(P->Obd->LblOBDConnectErrors->isVisible(), c.shown);
        if (c.shown) {
            EXPECT_EQ(P->Obd->LblOBDConnectErrors->text(),
                      LM->Translate(QStringLiteral("strTextConnectErrors"))
                          + QStringLiteral("  [%1/%2/%3]").arg(c.init).arg(c.send).arg(c.receive));
        }
    }
    // Off the page the counters are not read any more.
    shellwiring::ClickTab(*Form, "TbSMeasure");
    P->Tick();
    P->ClearLog();
    P->Tick();
    EXPECT_EQ(CountOf(P->AdapterRequests(), 0x87), 0u);
}

TEST_F(ObdWindowTest, LinkErrorCountersArePolledFromBoxVersionOneB)
{
    struct Case { uint8_t main; char release; bool polled; };
    for (const Case c : {Case{0x10, 'A', false}, Case{0x10, 'B', true}, Case{0x10, 'C', true}, Case{0x20, 'A', true}}) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.main) << c.release);
        P.reset();
        Start([&](sim::SimAdapterState &s) {
            IdleCanLink(s);
            s.Payload[0x01][1] = c.main;
            s.Payload[0x02][1] = c.main;
            s.Payload[0x02][2] = uint8_t(c.release);
            s.Payload[0x02][4] = c.main == 0x10 ? 0x01 : 0x02; // the bootloader that goes with it
        });
        P->ShowObdPage("TbSOBDConfig");
        P->Tick();
        P->ClearLog();
        P->Tick();
        const auto sent = P->AdapterRequests();
        EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const sim::Bytes &r) { return r[1] == 0x87 && r[2] == 50; }) > 0,
                  c.polled);
    }
}

TEST_F(ObdWindowTest, TroubleCodesAreListedInTheUsersLanguageAndClearedThenReRead)
{
    Start([](sim::SimAdapterState &s) {
        ConnectedLink(s);
        s.Obd.State[2] = 0x02; // trouble codes present
        s.Obd.TroubleState[0] = 2;
        // Slots of three bytes: first byte, then the two code bytes.
        s.Obd.CodesA = sim::Bytes(21, 0);
        s.Obd.CodesA[1] = 0x01, s.Obd.CodesA[2] = 0x71;   // P0171
        s.Obd.CodesA[7] = 0xC1, s.Obd.CodesA[8] = 0x00;   // U0100 (slot 1 empty)
        s.Obd.CodesB[1] = 0x03, s.Obd.CodesB[2] = 0x00;   // P0300
        s.Obd.ReadJobResults = {4, 4, 3};
    });
    P->ShowObdPage("TbSOBDErrors");
    P->Tick();
    EXPECT_EQ(P->Obd->MemOBDTroubles->toPlainText(),
              "Number of recorded trouble codes: 2\n\nTo check pending trouble codes click the 'Read' button");
    EXPECT_EQ(P->Obd->MemOBDFreeze->toPlainText(), "No freeze frame");
    ASSERT_TRUE(P->Obd->BtBOBDReadErrors->isEnabled());

    P->ClearLog();
    P->Obd->BtBOBDReadErrors->click();
    P->Tick();
    const auto read = P->AdapterRequests();
    auto at = [&read](uint8_t command, int parameter = -1) {
        for (size_t i = 0; i < read.size(); ++i)
            if (read[i][1] == command && (parameter < 0 || read[i][2] == parameter))
                return int(i);
        return -1;
    };
    // The read job, the state, then the lists once all jobs have ended, the
    // jobs taken and the state read again.
    EXPECT_EQ(read.front(), sim::SimAdapter::Request(0x7F, {0x07}));
    EXPECT_EQ(read.at(1)[1], 0x7D);
    ASSERT_GE(at(0x80), 0);
    EXPECT_LT(at(0x80), at(0x81));
    EXPECT_LT(at(0x81), at(0x83, 0x07));
    EXPECT_EQ(at(0x82), -1); // the freeze job found nothing
    EXPECT_EQ(read.back()[1], 0x7D);
    const QString troubles = P->Obd->MemOBDTroubles->toPlainText();
    for (const char *part : {"Finished reading recorded trouble codes", "Recorded Trouble Codes:\n   Error 1: P0171",
                             "   Error 2: U0100", "Pending Trouble Codes:\n   Error 1: P0300"})
        EXPECT_TRUE(troubles.contains(part)) << troubles.toStdString();
    EXPECT_EQ(P->Obd->MemOBDFreeze->toPlainText(), "No freeze frame found");
    // The code texts come from the English trouble-code file.
    QString known;
    Custom->GetObdCodeText(QStringLiteral("P0171"), known);
    EXPECT_TRUE(troubles.contains(known)) << known.toStdString();

    // Clearing: the clear job, the state re-read, then the job taken and the
    // codes read anew.
    P->Tick();
    ASSERT_TRUE(P->Obd->PnlOBDErrorsButtons->isEnabled());
    P->ClearLog();
    P->Obd->BtBOBDClearErrors->click();
    P->Tick();
    auto cleared = P->AdapterRequests();
    EXPECT_EQ(cleared.front(), sim::SimAdapter::Request(0x7E, {0xA5}));
    EXPECT_EQ(cleared.at(1)[1], 0x7D);
    EXPECT_NE(std::find(cleared.begin(), cleared.end(), sim::SimAdapter::Request(0x83, {0x08})), cleared.end());
    EXPECT_EQ(P->Obd->MemOBDTroubles->toPlainText(), "Finished clearing all errors");
    P->Tick();
    EXPECT_EQ(Ui()->OBDstateClearErrors->GetAsInteger(), 1);
    EXPECT_EQ(Ui()->OBDnumberOfTroubleCodes->GetAsInteger(), 0);
    // The page entered anew announces the state read then.
    P->ShowObdPage("TbSOBDLive");
    P->ShowObdPage("TbSOBDErrors");
    EXPECT_EQ(P->Obd->MemOBDTroubles->toPlainText(),
              "No recorded trouble codes\n\nTo check pending trouble codes click the 'Read' button");
}

TEST_F(ObdWindowTest, LanguageSwitchKeepsTheCodesReadAndRendersThemAnew)
{
    Start([](sim::SimAdapterState &s) {
        ConnectedLink(s);
        s.Obd.State[2] = 0x02;
        s.Obd.TroubleState[0] = 1;
        s.Obd.CodesA = sim::Bytes(21, 0);
        s.Obd.CodesA[1] = 0x01, s.Obd.CodesA[2] = 0x71; // P0171
        s.Obd.ReadJobResults = {4, 3, 3};
    });
    Form->Services.ApplyLanguage = [this] { Form->ChangeLanguage(LM->Language, true); };
    P->ShowObdPage("TbSOBDErrors");
    P->Tick();
    P->Obd->BtBOBDReadErrors->click();
    P->Tick();
    const auto troubles = [this] { return P->Obd->MemOBDTroubles->toPlainText(); };
    ASSERT_TRUE(troubles().contains("Error 1: P0171")) << troubles().toStdString();
    Form->findChild<QAction *>("MnILangPolish")->trigger();
    EXPECT_TRUE(troubles().contains(QString::fromUtf8("Błąd 1: P0171"))) << troubles().toStdString();
    Form->findChild<QAction *>("MnILangEnglish")->trigger();
    P->Tick();
    EXPECT_TRUE(troubles().contains("Error 1: P0171")) << troubles().toStdString();
    // Entering the page anew still starts from the box's announcement.
    P->ShowObdPage("TbSOBDLive");
    P->ShowObdPage("TbSOBDErrors");
    EXPECT_FALSE(troubles().contains("P0171"));
}

TEST_F(ObdWindowTest, FreezeFrameShowsTheFieldsOfSupportedPids)
{
    Start([](sim::SimAdapterState &s) {
        ConnectedLink(s);
        s.Obd.State[2] = 0x08; // a freeze frame is stored
        s.Obd.Supported[0] = 0x3F; // PIDs 0x03..0x08
        s.Obd.Supported[1] = 0x30; // PIDs 0x0B, 0x0C
        // Frame 0: device, code P0420 (word), fuel status B1/B2, load, coolant...
        s.Obd.FreezeFrames = sim::Bytes(44, 0);
        // (frame 0 from data byte 4)
        s.Obd.FreezeFrames[4] = 0x01;
        s.Obd.FreezeFrames[5] = 0x04, s.Obd.FreezeFrames[6] = 0x20;
        s.Obd.FreezeFrames[7] = 2, s.Obd.FreezeFrames[8] = 1;
        s.Obd.ReadJobResults = {3, 3, 4};
    });
    P->ShowObdPage("TbSOBDErrors");
    P->Tick();
    EXPECT_EQ(P->Obd->MemOBDFreeze->toPlainText(), "There is a freeze frame");
    P->Obd->BtBOBDReadErrors->click();
    P->Tick();
    const QStringList lines = P->Obd->MemOBDFreeze->toPlainText().split('\n');
    ASSERT_GE(lines.size(), 6) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], "Finished reading freeze frame");
    EXPECT_EQ(lines[2], "Freeze Frame 1:");
    EXPECT_TRUE(lines[3].startsWith("   Code: P0420")) << lines[3].toStdString();
    EXPECT_EQ(lines[4], "   Fuel System Status B1: Closed loop ");
    EXPECT_EQ(lines[5], "   Fuel System Status B2: Open loop ");
    const QString all = lines.join('\n');
    for (const char *supported : {"   Load: ", "   Coolant Temperature: ", "   ShortTermFuelTrim B2: ", "   MAP: ",
                                  "   RPM: "})
        EXPECT_TRUE(all.contains(supported)) << supported;
    for (const char *unsupported : {"LongTermFuelTrim B2", "Speed"})
        EXPECT_FALSE(all.contains(unsupported)) << unsupported;
    // A language change renders the same messages again.
    P->Obd->UpdateLanguage();
    EXPECT_EQ(P->Obd->MemOBDFreeze->toPlainText().split('\n'), lines);
}

TEST_F(ObdWindowTest, LostLinkEmptiesTheTroubleCodePage)
{
    Start([](sim::SimAdapterState &s) {
        ConnectedLink(s);
        s.Obd.ReadJobResults = {2, 2, 2};
    });
    P->ShowObdPage("TbSOBDErrors");
    P->Obd->BtBOBDReadErrors->click();
    P->Tick();
    EXPECT_TRUE(P->Obd->MemOBDTroubles->toPlainText().startsWith("Reading recorded trouble codes..."));
    EXPECT_TRUE(P->Obd->PrBOBDErrors->isVisible());
    EXPECT_FALSE(P->Obd->PnlOBDErrorsButtons->isEnabled());
    // A clear the box reports meanwhile: the reads' progress is not shown.
    P->Box([](sim::SimAdapterState &s) { s.Obd.TroubleState[1] = 2; });
    P->Tick();
    EXPECT_FALSE(P->Obd->PrBOBDErrors->isVisible());
    P->Box([](sim::SimAdapterState &s) { s.Obd.State[4] = 1; });
    Ticks(2);
    EXPECT_TRUE(P->Obd->MemOBDTroubles->toPlainText().isEmpty());
    EXPECT_TRUE(P->Obd->MemOBDFreeze->toPlainText().isEmpty());
    EXPECT_EQ(P->Obd->TroubleCodeMessages().Count(), 0);
}

// The box stops answering in the middle of a trouble-code read: its module
// goes inactive; the adaptation switch stays, but the status bar's panel that
// shows it goes, no trouble-code button is offered, and the configuration
// page does not claim the link it last saw.
TEST_F(ObdWindowTest, BoxGoneSilentShowsNoLinkNoAdaptationPanelAndNoTroubleCodeButtons)
{
    Start([](sim::SimAdapterState &s) {
        ConnectedLink(s);
        s.Obd.Config[1] = 0x0A;
    });
    P->ShowObdPage("TbSOBDErrors");
    P->Tick();
    QWidget *panel = shellwiring::Get(*Form, "PnlStatusOBDAdaptationActive");
    EXPECT_TRUE(panel->isVisible());
    ASSERT_TRUE(P->Obd->BtBOBDReadErrors->isEnabled());
    P->Box([](sim::SimAdapterState &s) { s.Silent = true; });
    P->Obd->BtBOBDReadErrors->click();
    Ticks(6);
    ASSERT_FALSE(ModuleOBD->IsActive());
    EXPECT_TRUE(Ui()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(P->Obd->BtBOBDReadErrors->isEnabled());
    EXPECT_FALSE(P->Obd->BtBOBDClearErrors->isEnabled());
    P->ShowObdPage("TbSOBDConfig");
    P->Tick();
    EXPECT_EQ(P->Obd->EdtOBDStatus->text(), ObdUiText("Unknown state"));
    EXPECT_EQ(P->Obd->BtnOBDConnectControl->text(), ObdUiText("Connect"));
}

TEST_F(ObdWindowTest, ObdReadingsShowBesideTheEngineSpeed)
{
    Start([](sim::SimAdapterState &s) {
        ConnectedLink(s);
        s.Obd.Supported = {0x3F, 0xFF, 0, 0, 0, 0, 0, 0};
        s.Obd.Allowed = {0x3F, 0xFF, 0, 0, 0, 0, 0, 0};
        s.Obd.Readings[4] = 0x2E, s.Obd.Readings[5] = 0xE0; // 3000 rpm
    });
    // The once-a-second step asks for the OBD readings, as the program's
    // main block wires it.
    Form->Services.HideCorrectionTables = [] { Logic->UIStateOBD()->LocalOBDReadings->SetAsInteger(1); };
    QWidget *host = shellwiring::Get(*Form, "PnlOBDReadingsMain");
    ASSERT_NE(host, nullptr);
    shellwiring::ClickTab(*Form, "TbSMeasure");
    Ticks(3);
    Settle();
    EXPECT_TRUE(host->isVisible());
    EXPECT_TRUE(P->Obd->PnlOBDReadingsMini->isVisible());
    EXPECT_TRUE(host->rect().contains(P->Obd->LblOBDRPMMini->geometry()));
    P->Tick();
    EXPECT_EQ(P->Obd->LblOBDRPMMini->text(), "3000");
    // The manifold pressure in the notation of the language shown (English),
    // whatever the user's desktop.
    const QLocale saved;
    for (const auto &[language, map, shown] : {std::tuple{QLocale::English, 35, "0.35"}, std::tuple{QLocale::Polish, 45, "0.45"}}) {
        P->Box([map = map](sim::SimAdapterState &s) { s.Obd.Readings[9] = uint8_t(map); });
        QLocale::setDefault(QLocale(language));
        Ticks(2);
        EXPECT_EQ(P->Obd->LblOBDMAPMini->text(), shown);
    }
    QLocale::setDefault(saved);
}

TEST_F(ObdWindowTest, AdaptationTablesShowTheBoxBanksAndStayEmptyWithoutIt)
{
    for (const bool box : {true, false}) {
        SCOPED_TRACE(box);
        Start([box](sim::SimAdapterState &s) { s.Silent = !box; });
        ASSERT_EQ(ModuleOBD->IsActive(), box);
        Ui()->GetAdaptCorrectionBank2(4, 6)->SetAsFloat(-3);
        P->ShowObdPage("TbSOBDConfig");
        P->Obd->PgCMain->setCurrentWidget(P->Obd->TbSOBDDebug);
        QTableWidget *bank2 = P->Obd->StGOBDAdaptBank2;
        ASSERT_NE(bank2->item(4, 6), nullptr);
        EXPECT_EQ(bank2->item(4, 6)->text(), box ? Ui()->GetAdaptCorrectionBank2(4, 6)->Text() : QString());
        EXPECT_EQ(bank2->item(4, 6)->text().isEmpty(), !box);
        EXPECT_EQ(P->Obd->StGOBDAdaptBank1->item(0, 0)->text().isEmpty(), !box);
        P.reset();
    }
}

TEST_F(ObdWindowTest, ScreenshotsOfThePages)
{
    Start([](sim::SimAdapterState &s) {
        ConnectedLink(s);
        s.Obd.Config[1] = 0x0A;
        s.Obd.Supported = {0x3F, 0xFF, 0xCC, 0xCC, 0, 0, 0, 0};
        s.Obd.Allowed = {0x3F, 0xFF, 0xCC, 0xCC, 0, 0, 0, 0};
        s.Obd.State[2] = 0x02;
        s.Obd.TroubleState[0] = 1;
    });
    const QString dir = qEnvironmentVariable("OBD_SCREENSHOTS");
    for (const char *page : {"TbSOBDConfig", "TbSOBDLive", "TbSOBDErrors"}) {
        P->ShowObdPage(page);
        Ticks(2);
        const QPixmap shot = Form->grab();
        EXPECT_FALSE(shot.isNull());
        if (!dir.isEmpty())
            shot.save(QDir(dir).filePath(QString::fromLatin1(page) + ".png"));
    }
}

TEST_F(ObdWindowTest, LivePageOffersThePollingOfSupportedPids)
{
    Start([](sim::SimAdapterState &s) {
        ConnectedLink(s);
        s.Obd.Config[1] = 0x0A;
        s.Obd.Supported = {0x3F, 0xFF, 0xCC, 0xCC, 0, 0, 0, 0};
        s.Obd.Allowed = {0x3F, 0xDF, 0xCC, 0xCC, 0, 0, 0, 0};
    });
    P->ShowObdPage("TbSOBDLive");
    Ticks(2);
    // The link state and each PID mask go on the wire once a poll cycle; the
    // page reads them again only when the link state moves (here: the link
    // drops to idle and connects again).
    const auto readsPerCycle = [&] {
        P->ClearLog();
        P->Tick();
        const auto sent = P->AdapterRequests();
        return std::vector<size_t>{CountOf(sent, 0x78), CountOf(sent, 0x79), CountOf(sent, 0x7A)};
    };
    const std::vector<size_t> once{1, 1, 1};
    for (int cycle = 0; cycle < 3; ++cycle)
        EXPECT_EQ(readsPerCycle(), once) << cycle;
    P->Box([](sim::SimAdapterState &s) { s.Obd.State[4] = 15; });
    readsPerCycle();
    EXPECT_FALSE(P->Obd->PnlOBDLive->isEnabled());
    P->Box([](sim::SimAdapterState &s) { s.Obd.State[4] = 4; });
    EXPECT_EQ(readsPerCycle(), (std::vector<size_t>{2, 2, 2}));
    EXPECT_TRUE(P->Obd->PnlOBDLive->isEnabled());
    EXPECT_EQ(readsPerCycle(), once);
    auto check = [&](const char *name) { return P->Obd->PnlOBDLive->findChild<QCheckBox *>(name); };
    EXPECT_TRUE(check("ChBOBDRPM")->isVisible());
    EXPECT_TRUE(check("ChBOBDRPM")->isChecked());
    EXPECT_FALSE(check("ChBOBDMAP")->isChecked()); // PID 0x0B not allowed
    // Under the adapter's adaptation the trims' polling cannot be switched off.
    EXPECT_FALSE(check("ChBOBDStFtB1")->isEnabled());
    EXPECT_TRUE(check("ChBOBDMAP")->isEnabled());
    // PIDs the car does not support offer no check box.
    EXPECT_FALSE(check("ChBOBDUego1")->isVisible());
    // Allowing a PID writes the whole mask.
    P->ClearLog();
    check("ChBOBDMAP")->click();
    const auto sent = P->AdapterRequests();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), sim::SimAdapter::Request(0x7B, {0x3F, 0xFF, 0xCC, 0xCC, 0, 0, 0, 0}));
    P->Box([](sim::SimAdapterState &s) { EXPECT_EQ(s.Obd.Allowed[1], 0xFF); });
}

TEST_F(ObdWindowTest, LiveReadingsShowWholeInTheirDisplays)
{
    Start([](sim::SimAdapterState &s) {
        ConnectedLink(s);
        s.Obd.Supported = {0x3F, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
        s.Obd.Allowed = {0x3F, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
        // Trims, RPM, speed, load, coolant, MAP, advance, intake air, MAF,
        // throttle, fuel system: values of up to five characters.
        s.Obd.Readings = {0x20, 0x27, 0x2E, 0x35, 0x3C, 0x43, 0x4A, 0x51, 0xFF,
                          0x5F, 0x00, 0x6D, 0x74, 0x7B, 0x82, 0x02, 0x02};
    });
    P->ShowObdPage("TbSOBDLive");
    Ticks(2);
    const struct { const char *display, *text; } cases[] = {{"DgDOBDRPM", "3856"},         {"DgDOBDSpeed", "74.00"},   {"DgDOBDCoolantTemp", "215.00"},
                 {"DgDOBDTimingAdvance", "-64.00"}, {"DgDOBDMAF", "298.19"}, {"DgDOBDStFtB1", "-75.00"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.display);
        auto *display = P->Obd->PnlOBDLive->findChild<TDigitalDisplay *>(c.display);
        ASSERT_NE(display, nullptr);
        EXPECT_EQ(display->Caption(), c.text);
    }
    // Every reading fits its display, in a window of the usual shape and in
    // a tall one, once the window has laid itself out: the digits on the
    // left are not lost.
    for (const QSize size : {QSize(1024, 768), QSize(800, 1000)}) {
        Form->resize(size);
        Settle();
        for (auto *display : P->Obd->PnlOBDLive->findChildren<TDigitalDisplay *>()) {
            if (!display->isVisible() || !display->objectName().startsWith(QLatin1String("DgDOBD")))
                continue;
            SCOPED_TRACE(QStringLiteral("%1x%2 %3 %4").arg(size.width()).arg(size.height())
                             .arg(display->objectName(), display->Caption()).toStdString());
            EXPECT_LE(TDigitalDisplay::CellCount(display->Caption()) * display->CellWidth(), display->width());
        }
    }
}

TEST_F(ObdWindowTest, ControllerDisplaysShowNothingWithoutAController)
{
    Start([](sim::SimAdapterState &s) { ConnectedLink(s); });
    const char *names[] = {"DgDOBDRealRPM", "DgDOBDRealTb", "DgDOBDRealTg", "DgDOBDRealPsys",
                           "DgDOBDRealPcol", "DgDOBDRealTred", "DgDOBDRealTgas"};
    auto captions = [&] {
        QStringList shown;
        for (const char *name : names) {
            auto *display = P->Obd->PnlOBDLive->findChild<TDigitalDisplay *>(QLatin1String(name));
            shown << (display ? display->Caption() : QStringLiteral("(missing)"));
        }
        return shown;
    };
    // No value before the first reading (off-line nothing reads one).
    EXPECT_EQ(captions(), QStringList(7, QString()));
    P->ShowObdPage("TbSOBDLive");
    Ticks(2);
    // Connected: the controller's values.
    EXPECT_EQ(captions().first(), FormatRpm(DeviceRecord.RpmPeriod));
    EXPECT_FALSE(captions().contains(QString()));
}

TEST_F(ObdWindowTest, TestModeButtonsStepTheBoxAndWarnWhenItDoesNotFollow)
{
    // The warning in the user's language (English here); none when empty.
    struct Case { const char *button; uint8_t answer; std::vector<uint8_t> steps; const char *warning; };
    const Case cases[] = {
        {"BtBAdapterTestModeInit", 0xA5, {1, 2, 3, 4, 5}, ""},
        {"BtBAdapterTestModeInit", 0x00, {1, 2, 3, 4, 5}, "The adapter did not switch to TEST mode!"},
        {"BtBAdapterTestModeNormal", 0xB7, {6}, ""},
        {"BtBAdapterTestModeNormal", 0xB8, {6, 6, 6}, "The adapter did not switch to NORMAL mode!"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << " " << int(c.answer));
        Start([&](sim::SimAdapterState &s) {
            IdleCanLink(s);
            s.Payload[0x05] = {0x05, 0x00, 0x00};
            s.Payload[0x0C] = {0x0C, c.answer};
        });
        P->ShowObdPage("TbSOBDConfig");
        P->ClearLog();
        P->Rig.Boxes.clear();
        QPushButton *button = qstrcmp(c.button, "BtBAdapterTestModeInit") == 0 ? P->Obd->BtBAdapterTestModeInit
                                                                                : P->Obd->BtBAdapterTestModeNormal;
        ASSERT_EQ(button->objectName(), c.button);
        button->click();
        std::vector<uint8_t> steps;
        for (const auto &r : P->AdapterRequests())
            if (r[1] == 0x0C)
                steps.push_back(r[2]);
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(P->Rig.BoxTexts(), *c.warning ? QStringList{QString::fromLatin1(c.warning)} : QStringList{});
        P.reset();
    }
}

// ---- Message lines -----------------------------------------------------------------

TEST(ObdMessages, TroubleCodesInTheUsualNotation)
{
    struct Case { quint8 first, second; const char *text; };
    for (const Case c : {Case{0x01, 0x23, "P0123"}, Case{0x41, 0x23, "C0123"}, Case{0xC1, 0x00, "U0100"},
                         Case{0x31, 0x00, "P3100"}, Case{0x8A, 0xBC, "B0ABC"}})
        EXPECT_EQ(FormatTroubleCode(c.first, c.second), c.text);
}

TEST(ObdMessages, ListsRenderByKindAndDropLinesByCode)
{
    TOBDMessageLinesList troubles(0), freeze(1);
    EXPECT_EQ(troubles.Add(7, QString()), 0);
    troubles.Add(1, QStringLiteral(": 3"));
    freeze.Add(99, QString());
    EXPECT_TRUE(troubles.Text(0).endsWith("..."));
    EXPECT_TRUE(troubles.Text(1).contains(": 3"));
    EXPECT_TRUE(troubles.Text(5).isEmpty());
    EXPECT_EQ(freeze.Text(0), "!UNKNOWN!99");
    EXPECT_NE(DescribeTroubleCodesState(8, QString()), DescribeFreezeFrameState(8, QString()));
    troubles.RemoveCode(7);
    ASSERT_EQ(troubles.Count(), 1);
    EXPECT_EQ(troubles.Item(0).Code, 1);
}

// A box silent long enough for its modules to give up, then answering again:
// nothing asks it until the user's Detect in Connection status, entry of
// the adapter page or of one of its pages, Save or Yes at the leave question
// looks for it, and then the OBD window works again. Save and Yes write the
// edits to the box found again; a box still silent is asked once, and the
// edits and their mark stay with a word. With the controller's link lost,
// entering the page sends the box nothing. Unwritten edits stay through it
// all, and through the link coming back.
TEST_F(ObdWindowTest, BoxBackFromSilenceIsFoundAgainByDetectAndByTheAdapterPage)
{
    auto obdRequests = [this] {
        const auto box = Only(P->Frames(), C2);
        return std::count_if(box.begin(), box.end(), [](const Frame &f) { return f.second >= 0x70; });
    };
    auto enterAdapterPage = [this] {
        shellwiring::ClickTab(*Form, "TbSConfig");
        shellwiring::ClickTab(*Form, "TbSAdapter");
    };
    // The edits (adaptation on, maximum correction 17) went to the box.
    auto expectWritten = [this] {
        const auto adapter = P->AdapterRequests();
        const auto write = std::find_if(adapter.begin(), adapter.end(), [](const sim::Bytes &b) { return b[1] == 0x72; });
        ASSERT_NE(write, adapter.end());
        EXPECT_EQ(std::pair((*write)[3], (*write)[10]), std::pair(uint8_t(0x0A), uint8_t(17)));
        EXPECT_FALSE(Logic->UIState()->Modified());
    };
    // Roads from LiveTab on write the edits themselves (Yes at the leave question, or Save).
    enum Road { Detect, AdapterPage, InfoTab, CodesTab, TabKey, LinkBack, LiveTab, Save, F2 };
    struct Row { const char *name; Road road; bool edits; bool back = true; };
    for (const Row row : {Row{"Detect", Detect, false}, Row{"adapter page", AdapterPage, false},
                          Row{"trouble codes tab", CodesTab, false}, Row{"next tab by key", TabKey, false},
                          Row{"edits, Detect", Detect, true},
                          Row{"edits, INFO tab", InfoTab, true},
                          Row{"edits, controller link back", LinkBack, true}, Row{"edits, Live data tab", LiveTab, true},
                          Row{"edits, Save", Save, true}, Row{"edits, F2", F2, true},
                          Row{"edits, Live data tab, box silent", LiveTab, true, false},
                          Row{"edits, Save, box silent", Save, true, false}, Row{"edits, F2, box silent", F2, true, false}}) {
        SCOPED_TRACE(row.name);
        P.reset();
        // The box's side of the adaptation's requests around the readings.
        Start([](sim::SimAdapterState &s) { ConnectedLink(s), s.Payload[0x0A] = {0x0A, 0xA5}, s.Payload[0x0B] = {0x0B, 0xA5}; });
        P->ShowObdPage("TbSOBDConfig");
        P->Tick();
        ASSERT_TRUE(ModuleOBD->IsActive());
        if (row.edits) // the box has the adaptation off, its maximum correction 25
            P->Obd->ChBOBDAdaptationEnable->click(), P->Obd->UpDOBDAdaptMaxCorr->setValue(17);
        if (row.road == LinkBack) {
            for (const int present : {0, 4}) { // unplugged until the link is lost, then back
                P->Device.Probes.present(present);
                for (int i = 0; i < 40 && DataManager->GetConnected() != bool(present); ++i)
                    P->Tick();
                ASSERT_EQ(DataManager->GetConnected(), bool(present));
            }
            Ticks(2);
            EXPECT_TRUE(ModuleOBD->IsActive());
        } else {
            // With edits the box falls silent on the adaptation's own request.
            P->Box([&](sim::SimAdapterState &s) { s.Silent = !row.edits, s.SilentFrom = row.edits ? 0x0A : 0; });
            Ticks(8);
            ASSERT_FALSE(ModuleOBD->IsActive());
            ASSERT_EQ(ModuleAdapter->IsActive(), !row.edits) << "the whole box dropped out";
            P->Box([&](sim::SimAdapterState &s) { s.Silent = !row.back; });
            P->ClearLog();
            P->Tick();
            ASSERT_EQ(obdRequests(), 0) << "a module that gave up is asked no more by itself";

            if (row.road >= LiveTab) {
                P->Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
                P->Rig.Boxes.clear();
                P->ClearLog();
                if (row.road == LiveTab)
                    shellwiring::ClickTab(*Form, "TbSOBDLive");
                else if (row.road == Save)
                    P->Obd->BtBOBDWriteConfig->click();
                else
                    shellwiring::Get<QAction>(*Form, "MnIWindowMeasure")->trigger();
                QCoreApplication::processEvents();
                if (row.back) {
                    expectWritten();
                    EXPECT_TRUE(ModuleOBD->IsActive());
                    continue;
                }
                // Looked for once; the user is told, and the edits and their mark stay.
                EXPECT_EQ(P->AdapterCommandsArrived(1), std::vector<uint8_t>{0x01});
                EXPECT_TRUE(P->Rig.BoxTexts().contains(LM->Translate(QStringLiteral("strObdBoxNotAnswering"))))
                    << P->Rig.BoxTexts().join('|').toStdString();
                EXPECT_TRUE(Logic->UIState()->Modified());
                EXPECT_TRUE(P->Obd->ChBOBDAdaptationEnable->isChecked());
                EXPECT_EQ(P->Obd->UpDOBDAdaptMaxCorr->value(), 17);
                EXPECT_EQ(P->Obd->PgCMain->currentWidget(), P->Obd->TbSOBDConfig);
                continue;
            }
            if (row.road == Detect)
                P->WithConnectionStatus([](TFormConnectStatus &dialog) { dialog.BtBDetect->click(); });
            else if (row.road == AdapterPage)
                enterAdapterPage();
            else if (row.road == TabKey) // the page changes as the key goes down
                for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                    QKeyEvent key(type, Qt::Key_Right, Qt::NoModifier);
                    QCoreApplication::sendEvent(P->Obd->PgCMain->tabBar(), &key);
                    if (type == QEvent::KeyPress) {
                        EXPECT_EQ(P->Obd->PgCMain->currentWidget(), P->Obd->TbSOBDLive);
                    }
                }
            else
                shellwiring::ClickTab(*Form, row.road == InfoTab ? "TbSAdapterMultiInfo" : "TbSOBDErrors");
            Ticks(2);
            EXPECT_TRUE(ModuleOBD->IsActive());
            EXPECT_GT(obdRequests(), 2);
            EXPECT_GE(IndexOf(P->Frames(), C2, 0x70), 0) << "the OBD module's presence query";
            if (row.road == InfoTab)
                shellwiring::ClickTab(*Form, "TbSAdapterMultiOBD");
        }
        EXPECT_NE(P->Obd->EdtOBDStatus->text(), ObdUiText("Unknown state"))
            << P->Obd->EdtOBDStatus->text().toStdString();
        if (!row.edits)
            continue;
        EXPECT_TRUE(P->Obd->ChBOBDAdaptationEnable->isChecked());
        EXPECT_EQ(P->Obd->UpDOBDAdaptMaxCorr->value(), 17);
        ASSERT_TRUE(Logic->UIState()->Modified());
        P->Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
        P->ClearLog();
        shellwiring::ClickTab(*Form, "TbSConfig");
        expectWritten();
    }
    // The controller stops answering until its link is lost.
    P->Device.Probes.present(0);
    for (int i = 0; i < 40 && DataManager->GetConnected(); ++i)
        P->Tick();
    ASSERT_FALSE(DataManager->GetConnected());
    P->ClearLog();
    enterAdapterPage();
    P->Tick();
    EXPECT_TRUE(Only(P->Frames(), C2).empty());
}

// Connection status: a port that will not open (its device gone, or held by
// another program), then the controller's port again, which connects at
// once as Detect would: no Detect needed.
TEST_F(ObdWindowTest, ConnectionStatusConnectsAgainOnTheWorkingPort)
{
    Start(ConnectedLink);
    QFile::link(QStringLiteral("/dev/ttyNOSUCHDEVICE"), P->Rig.PortsDir + QStringLiteral("/COM7"));
    startup::SimDevice spare(P->Rig.PortsDir, 8);
    TComMultiPort holder;
    ApplyProgramPortSettings(holder);
    holder.SetComDevice(8);
    holder.Open();
    P->Tick();
    ASSERT_TRUE(DataManager->GetConnected());
    P->WithConnectionStatus([this](TFormConnectStatus &dialog) {
        auto button = [&dialog](const QString &name) -> QPushButton * {
            for (QPushButton *b : dialog.PortButtons())
                if (b->text() == name)
                    return b;
            return nullptr;
        };
        for (const char *away : {"COM7", "COM8"}) {
            SCOPED_TRACE(away);
            ASSERT_NE(button(away), nullptr);
            button(away)->click();
            EXPECT_FALSE(DataManager->GetConnected());
            EXPECT_FALSE(dialog.LblPortError->isHidden());
            // The main timer goes on meanwhile: no device shows on a port
            // that did not open.
            Ticks(2);
            dialog.BtBRefresh->click();
            EXPECT_EQ(DeviceRecord.DeviceKind, 0);
            EXPECT_EQ(dialog.LblDevState->text(), TranslateKey("strTextNotDetected"));
            P->ClearLog();
            button("COM5")->click();
            EXPECT_TRUE(dialog.LblPortError->isHidden());
            EXPECT_TRUE(DataManager->GetConnected());
            EXPECT_GE(IndexOf(P->Frames(), C0, 0x01), 0) << "the controller is asked";
            EXPECT_EQ(button("COM5")->palette().color(QPalette::ButtonText), QColor(0, 0x80, 0));
            EXPECT_EQ(dialog.SelImDevice->ImageIndex(), 1);
            EXPECT_EQ(dialog.LblDevState->text(), TranslateKey("strTextConnected"));
        }
    });
    holder.Close();
}

// The box answering late (every answer, and at random from 60 ms to just
// under the port's wait for an answer's first byte) through an hour of
// polling on the window's clock: both links stay up, the controller is
// never identified anew, the adapter's firmware question comes once, and
// every tick asks the box only its state and the controller its values,
// each answer taken by its own request.
TEST_F(ObdWindowTest, BothLinksStayUpThroughAnHourOfLateBoxAnswers)
{
    struct Row { const char *name; std::function<void(sim::SimAdapterState &)> late; };
    for (const Row &row : {Row{"every answer", [](sim::SimAdapterState &s) { s.LateMs = 100; }},
                           Row{"at random", [](sim::SimAdapterState &s) { s.LateRandomMin = 60, s.LateRandomMax = 400; }}}) {
        SCOPED_TRACE(row.name);
        // An older box: a newer firmware is offered for it.
        Start([](sim::SimAdapterState &s) {
            IdleCanLink(s);
            s.Payload[0x01][1] = s.Payload[0x02][1] = 0x10;
            s.Payload[0x02][4] = 0x01;
        });
        // The firmware reminder as the program wires it; the user asks not to be reminded again.
        Form->Services.CheckIfFirmwareUpgradePossible = [this] { Form->CheckIfFirmwareUpgradePossible(); };
        P->Rig.Answer = [](const TMessageBoxInfo &) { return int(mrCancel); };
        P->Tick(); // the detection's refresh of the adapter pages
        P->Box([&](sim::SimAdapterState &s) { s.Delays.clear(), row.late(s); });
        int ticks = 0;
        for (const qint64 end = P->Rig.Now + 3600 * 1000; P->Rig.Now < end; P->Rig.Now += 40 * 1000) {
            SCOPED_TRACE(testing::Message() << "tick " << ++ticks);
            P->ClearLog();
            P->Rig.Tick();
            ASSERT_TRUE(DataManager->GetConnected());
            ASSERT_EQ(DeviceRecord.DeviceKind, 48);
            ASSERT_TRUE(ModuleOBD->IsActive());
            const auto frames = P->Frames();
            const auto box = Only(frames, C2);
            ASSERT_FALSE(box.empty());
            ASSERT_EQ(box, std::vector<Frame>(box.size(), Frame{C2, 0x78}));
            ASSERT_GE(IndexOf(frames, C0, 0x0B), 0);
            ASSERT_EQ(IndexOf(frames, C0, 0x01), -1);
            EXPECT_EQ(ModuleOBD->DevState()->OBDactionMain->GetAsInteger(), 1);
        }
        EXPECT_EQ(ticks, 90);
        EXPECT_EQ(P->Rig.BoxTexts().filter(LM->Translate(QStringLiteral("strAdapterUpdateAvailable"))).size(), 1)
            << P->Rig.BoxTexts().join('|').toStdString();
        P->Box([&](sim::SimAdapterState &s) {
            ASSERT_FALSE(s.Delays.empty());
            EXPECT_GE(*std::min_element(s.Delays.begin(), s.Delays.end()), 60);
            EXPECT_GE(*std::max_element(s.Delays.begin(), s.Delays.end()), 100);
        });
        P.reset();
    }
}
