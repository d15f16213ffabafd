// The OBD module against the simulated adapter box on the controller's port:
// the bytes of its commands, what their answers store and how, the work step
// by the poll set, and refusals that send nothing.
#include "adapter/AdapterRig.h"

#include "adapter/DevStateOBD.h"
#include "adapter/Manager.h"
#include "adapter/ModuleOBD.h"
#include "adapter/UIStateOBD.h"
#include "core/DeviceRecord.h"

#include <gtest/gtest.h>

#include <algorithm>

using adaptertest::AdapterRig;
using adaptertest::Commands;
using sim::Bytes;
using sim::SimAdapter;

namespace {

class ModuleOBDTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Box.ConnectAndStart());
        Obd = Box.Logic->ModuleOBD();
        ASSERT_TRUE(Obd->IsActive());
        D = Obd->DevState();
        Box.Rig.Server.log().clear();
    }
    std::vector<Bytes> Sent() const { return Box.AdapterRequests(); }
    void Clear() { Box.Rig.Server.log().clear(); }
    // Puts the link into a state; the next state read takes it.
    void LinkState(uint8_t action)
    {
        Box.BoxState([action](sim::SimAdapterState &s) { s.Obd.State[4] = action; });
        ASSERT_TRUE(Obd->ReadState());
    }

    AdapterRig Box;
    TModuleOBD *Obd = nullptr;
    TDevStateOBD *D = nullptr;
};

TEST_F(ModuleOBDTest, StartUpReadsTheLinkInOrder)
{
    // Detection: presence, state, settings, both masks, trouble-code state.
    Box.Logic->ModuleOBD()->Detect();
    EXPECT_EQ(Commands(Sent()), (std::vector<uint8_t>{0x70, 0x78, 0x71, 0x79, 0x7A, 0x7D}));
    EXPECT_EQ(Sent().front(), SimAdapter::Request(0x70, {0x01}));
    // A new set holds the defaults of the box.
    EXPECT_EQ(D->OBDConfig_1_EE->GetAsInteger(), 8);
    EXPECT_EQ(D->OBDAdaptMaxCorr_EE->GetAsInteger(), 25);
    EXPECT_EQ(D->OBDAdaptMinRPM_EE->GetAsInteger(), 1200);
    EXPECT_EQ(D->OBDAdaptType->GetAsInteger(), 2);
    // The box's status without bit 0 leaves the module disabled.
    Box.BoxState([](sim::SimAdapterState &s) { s.Payload[0x70] = {0x70, 0x02}; });
    EXPECT_FALSE(Obd->Detect());
    Clear();
    EXPECT_FALSE(Obd->ReadReadings());
    EXPECT_TRUE(Sent().empty());
}

TEST_F(ModuleOBDTest, SettingsRoundTripSplitsTheSharedByte)
{
    Box.BoxState([](sim::SimAdapterState &s) {
        s.Obd.Config = {0x04, 0x0A, 0xC5, 0xFB, 0x03, 0x02, 0xFE, 0x04, 0x1E, 0x04, 0xB0};
    });
    ASSERT_TRUE(Obd->ReadConfig());
    EXPECT_EQ(D->OBDConfig_2_EE->GetAsInteger(), 0xC0);
    EXPECT_EQ(D->OBDAdaptType->GetAsInteger(), 5);
    EXPECT_EQ(D->OBDAdaptStFtBase_EE->GetAsFloat(), -5.0);
    EXPECT_EQ(D->OBDAdaptLtFtBaseB2_EE->GetAsFloat(), -2.0);
    EXPECT_EQ(D->OBDProtocol_EE->Text(), "CAN");
    Clear();
    ASSERT_TRUE(Obd->WriteConfig());
    EXPECT_EQ(Sent().at(0), SimAdapter::Request(0x72, {0x04, 0x0A, 0xC5, 0xFB, 0x03, 0x02, 0xFE, 0x04, 0x1E, 0x04, 0xB0}));
    // A setting beyond a signed byte is written at its limit.
    D->OBDAdaptStFtBase_EE->SetAsFloat(200);
    Clear();
    ASSERT_TRUE(Obd->WriteConfig());
    EXPECT_EQ(Sent().at(0)[5], 0x7F);
    // A refusal is reported.
    Box.BoxState([](sim::SimAdapterState &s) { s.Obd.Status[0x72] = 0x00; });
    EXPECT_FALSE(Obd->WriteConfig());
}

TEST_F(ModuleOBDTest, ReadingsAreScaledAndShownOnlyWhenReadable)
{
    Box.BoxState([](sim::SimAdapterState &s) {
        // Trims 128, 0, 255, 64; RPM 0x1F40 / 4; speed 90; load 255; coolant
        // 130; MAP 101; advance 140; IAT 65; MAF 0x0190; throttle 51; fuel
        // systems 2 and 0x10.
        s.Obd.Readings = {128, 0, 255, 64, 0x1F, 0x40, 90, 255, 130, 101, 140, 65, 0x01, 0x90, 51, 2, 0x10};
        s.Obd.Supported = {0xFF, 0xF0, 0, 0, 0, 0, 0, 0};
        s.Obd.Allowed = {0xFB, 0xF0, 0, 0, 0, 0, 0, 0};
    });
    ASSERT_TRUE(Obd->ReadReadings());
    struct Case { TVariable *v; double value; };
    const Case cases[] = {{D->OBDStFtB1, 0.0}, {D->OBDLtFtB1, -100.0}, {D->OBDStFtB2, 99.21875},
                          {D->OBDLtFtB2, -50.0}, {D->OBDRPM, 2000.0}, {D->OBDSpeed, 90.0},
                          {D->OBDLoad, 100.0}, {D->OBDCoolantTemp, 90.0}, {D->OBDMAP, 1.01},
                          {D->OBDTimingAdvance, 6.0}, {D->OBDIntakeAirTemp, 25.0}, {D->OBDMAF, 4.0},
                          {D->OBDAbslThrottlePos, 20.0}, {D->OBDFuelSystemStatusB1, 2.0}};
    for (const Case &c : cases)
        EXPECT_NEAR(c.v->GetAsFloat(), c.value, 1e-9) << c.v->Name().toStdString();
    // Not connected: every reading shows the dashes.
    EXPECT_EQ(D->OBDRPM->Text(), NoReadingText());
    LinkState(4);
    ASSERT_TRUE(Obd->ReadSupportedPids());
    ASSERT_TRUE(Obd->ReadAllowedPids());
    for (TVariable *v : {static_cast<TVariable *>(D->OBDRPM), static_cast<TVariable *>(D->OBDStFtB1),
                         static_cast<TVariable *>(D->OBDFuelSystemStatusB1)})
        v->Refresh(false);
    EXPECT_EQ(D->OBDRPM->Text(), "2000");
    // PID 06 is supported but not allowed.
    EXPECT_EQ(D->OBDStFtB1->Text(), NoReadingText());
    EXPECT_NE(D->FuelSystemStatusText(2), NoReadingText());
    EXPECT_EQ(D->FuelSystemStatusText(0), NoReadingText());
}

TEST_F(ModuleOBDTest, StateTextsFollowTheLink)
{
    D->OBDProtocol_EE->SetAsInteger(4);
    struct Case { uint8_t action; bool connected, idle, disconnecting, delay; const char *tail; };
    const Case cases[] = {{4, true, false, false, false, " (CAN)"}, {3, false, false, false, false, " (CAN)..."},
                          {1, false, true, false, false, ""},       {16, false, true, false, false, ""},
                          {7, false, false, true, false, ""},       {25, false, false, false, true, ""},
                          {26, false, false, false, false, "UNHANDLED"}};
    for (const Case &c : cases) {
        LinkState(c.action);
        EXPECT_EQ(D->IsConnected(), c.connected) << int(c.action);
        EXPECT_EQ(D->IsIdle(), c.idle) << int(c.action);
        EXPECT_EQ(D->IsDisconnecting(), c.disconnecting) << int(c.action);
        EXPECT_EQ(D->IsDelayConnect(), c.delay) << int(c.action);
        EXPECT_TRUE(D->StateText().endsWith(QString::fromLatin1(c.tail))) << D->StateText().toStdString();
    }
}

TEST_F(ModuleOBDTest, WorkStepReadsByThePollSet)
{
    Box.BoxState([](sim::SimAdapterState &s) {
        s.Obd.Supported = {0, 0, 0x10, 0, 0, 0, 0x01, 0};
        s.Payload[0x0A] = {0x0A, 0xA5};
        s.Payload[0x0B] = {0x0B, 0xA5};
    });
    struct Case { uint8_t action; quint32 poll; std::vector<uint8_t> commands; bool adaptation = false; };
    const Case cases[] = {
        {1, TModuleOBD::PollState, {0x78}},
        {4, TModuleOBD::PollState, {0x78, 0x79, 0x7A}},
        {1, TModuleOBD::PollDelayConnect | TModuleOBD::PollLinkErrors, {0x87, 0x87}},
        // Readings only while connected; the oxygen sensors where supported.
        {24, TModuleOBD::PollReadings, {}},
        {4, TModuleOBD::PollReadings | TModuleOBD::PollTroubleCodes, {0x7C, 0x85, 0x86, 0x7D}},
        // With the adaptation on (kind 48 "G" on), the box is told before the
        // readings and told again after the last of them.
        {4, TModuleOBD::PollReadings | TModuleOBD::PollTroubleCodes, {0x0A, 0x7C, 0x85, 0x86, 0x0B, 0x7D}, true},
    };
    for (const Case &c : cases) {
        Box.Logic->UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(c.adaptation);
        LinkState(c.action);
        Box.Manager.PollSet = c.poll;
        Clear();
        Obd->WorkStep();
        EXPECT_EQ(Commands(Sent()), c.commands) << std::hex << c.poll;
    }
}

TEST_F(ModuleOBDTest, AdaptationTablesAndResets)
{
    D->GetAdaptCorrectionBank2(5, 0)->SetAsFloat(-5);
    D->GetAdaptCorrectionBank2(9, 9)->SetAsFloat(300);
    ASSERT_TRUE(Obd->WriteAdaptationTable(2, 1));
    const Bytes sent = Sent().at(0);
    ASSERT_EQ(sent.size(), 55u);
    EXPECT_EQ(sent[2], 0x21);
    EXPECT_EQ(sent[3], 0xFB);
    EXPECT_EQ(sent[52], 0x7F);
    // Out-of-range arguments send nothing.
    Clear();
    EXPECT_FALSE(Obd->WriteAdaptationTable(3, 0));
    EXPECT_FALSE(Obd->WriteAdaptationTable(1, 2));
    EXPECT_FALSE(Obd->ResetAdaptationCorrections(4));
    EXPECT_FALSE(Obd->ReadLambdaSensors(3));
    EXPECT_FALSE(Obd->ReadLiveTable(0));
    EXPECT_TRUE(Sent().empty());
    // The tables go out in bank and half order, and the box keeps them.
    ASSERT_TRUE(Obd->Logic()->WriteAdaptationTables());
    EXPECT_EQ(Commands(Sent()), (std::vector<uint8_t>{0x89, 0x89, 0x89, 0x89}));
    Box.BoxState([](sim::SimAdapterState &s) {
        EXPECT_EQ(int8_t(s.Obd.Banks[1][50]), -5);
        EXPECT_EQ(int8_t(s.Obd.Banks[1][99]), 127);
    });
    EXPECT_TRUE(Obd->ResetAdaptationCorrections(3));
    Box.BoxState([](sim::SimAdapterState &s) { EXPECT_EQ(s.Obd.Banks[1][50], 0); });
}

TEST_F(ModuleOBDTest, TroubleCodesFreezeFramesAndSensors)
{
    Box.BoxState([](sim::SimAdapterState &s) {
        s.Obd.CodesA = Bytes(21, 0);
        s.Obd.CodesA[0] = 0x01, s.Obd.CodesA[1] = 0x03, s.Obd.CodesA[2] = 0x00;
        s.Obd.FreezeFrames = Bytes(44, 0);
        // Frame 0 from answer byte 6 (data byte 4): device 7, code 01 71,
        // eight one-byte fields, RPM 0x0FA0.
        s.Obd.FreezeFrames[4] = 7;
        s.Obd.FreezeFrames[5] = 0x01, s.Obd.FreezeFrames[6] = 0x71;
        s.Obd.FreezeFrames[16] = 0x0F, s.Obd.FreezeFrames[17] = 0xA0;
        s.Obd.Lambda[1] = {2, 90, 255, 100, 254, 0, 0, 0, 0};
        s.Obd.LiveTable[44] = {0x01, 0xF4, 0, 0};
    });
    ASSERT_TRUE(Obd->ReadCodeListA());
    EXPECT_EQ(D->GetCodeA(0), 0x03000001u);
    EXPECT_EQ(D->GetCodeA(7), 0u);
    ASSERT_TRUE(Obd->ReadFreezeFrameData());
    EXPECT_EQ(D->GetFreezeFrame(0)->Device->GetAsInteger(), 7);
    EXPECT_EQ(D->GetFreezeFrame(0)->ErrorCode->GetAsInteger(), 0x0171);
    EXPECT_EQ(D->GetFreezeFrame(0)->RPM->GetAsInteger(), 1000);
    // Frame 1 from answer byte 28 (data byte 26): device, code, coolant
    // 130, RPM 0x0BB8, speed 60, IAT 65.
    Box.BoxState([](sim::SimAdapterState &s) {
        Bytes &f = s.Obd.FreezeFrames;
        f[26] = 9, f[27] = 0x03, f[28] = 0x00, f[32] = 130, f[38] = 0x0B, f[39] = 0xB8, f[40] = 60, f[42] = 65;
    });
    ASSERT_TRUE(Obd->ReadFreezeFrameData());
    const TOBDFreezeFrame *second = D->GetFreezeFrame(1);
    EXPECT_EQ(second->Device->GetAsInteger(), 9);
    EXPECT_EQ(second->ErrorCode->GetAsInteger(), 0x0300);
    EXPECT_EQ(second->CoolantTemp->GetAsFloat(), 90.0);
    EXPECT_EQ(second->RPM->GetAsInteger(), 750);
    EXPECT_EQ(second->Speed->GetAsFloat(), 60.0);
    EXPECT_EQ(second->IAT->GetAsFloat(), 25.0);
    // A group-2 answer fills sensors 3 and 4.
    ASSERT_TRUE(Obd->ReadLambdaSensors(1));
    EXPECT_NEAR(D->OBDLambda[2]->GetAsFloat(), 0.45, 1e-9);
    EXPECT_EQ(D->OBDLambdaStft[2]->GetAsFloat(), 255.0);
    EXPECT_NEAR(D->OBDLambdaStft[3]->GetAsFloat(), 98.4375, 1e-9);
    EXPECT_EQ(D->OBDLambda[0]->GetAsFloat(), 0.0);
    ASSERT_TRUE(Obd->ReadLiveTable(44));
    EXPECT_NEAR(D->OBDdelayConnectCounter->GetAsFloat(), 1.0, 1e-9);
}

TEST_F(ModuleOBDTest, FailedExchangesStoreNothing)
{
    LinkState(4);
    Box.Rig.Server.injectFaultWhen([](const Bytes &f) { return f[0] == 0xC2 && f[1] == 0x78; },
                                   sim::Fault::badChecksum(), 4);
    Box.BoxState([](sim::SimAdapterState &s) { s.Obd.State[4] = 15; });
    EXPECT_FALSE(Obd->ReadState());
    EXPECT_EQ(D->OBDactionMain->GetAsInteger(), 4);
    Box.Rig.Server.clearFaults();
    // An error frame: refused.
    Box.BoxState([](sim::SimAdapterState &s) { s.Refuse[0x7C] = 0x05; });
    EXPECT_FALSE(Obd->ReadReadings());
}

TEST_F(ModuleOBDTest, DefaultConfigurationWritesTheDefaults)
{
    D->OBDAdaptMaxCorr_EE->SetAsInteger(40);
    Obd->UIStateOBD()->OBDAdaptMaxCorr_EE->SetAsInteger(40);
    LinkState(4);
    Clear();
    ASSERT_TRUE(Obd->Logic()->WriteDefaultConfiguration(false, true));
    // A link that is not idle is disconnected first.
    EXPECT_EQ(Commands(Sent()), (std::vector<uint8_t>{0x77, 0x72, 0x89, 0x89, 0x89, 0x89}));
    EXPECT_EQ(Sent().at(1)[10], 25);
    // Refused settings report failure and send no tables.
    Box.BoxState([](sim::SimAdapterState &s) { s.Obd.Status[0x72] = 0x00; });
    LinkState(1);
    Clear();
    EXPECT_FALSE(Obd->Logic()->WriteDefaultConfiguration(false, true));
    EXPECT_EQ(Commands(Sent()), std::vector<uint8_t>{0x72});
}

TEST_F(ModuleOBDTest, SteeringCommandsCarryTheirBytes)
{
    D->OBDProtocol_EE->SetAsInteger(5);
    Obd->Connect();
    Obd->ClearTroubleCodes();
    Obd->ReadTroubleCodes(7);
    Obd->Request83(8);
    Obd->StartProtocolDetection();
    Obd->WriteAllowedPids();
    const std::vector<Bytes> expected = {
        SimAdapter::Request(0x76, {0x05, 0x10, 0x11, 0x12, 0x00, 0x04, 0x10, 0x11, 0x12}),
        SimAdapter::Request(0x7E, {0xA5}), SimAdapter::Request(0x7F, {0x07}), SimAdapter::Request(0x83, {0x08}),
        SimAdapter::Request(0x73, {0xA5}), SimAdapter::Request(0x7B, Bytes(8, 0))};
    EXPECT_EQ(Sent(), expected);
}

// The link going down and up while the program runs: the manager's steps
// follow it, and the recorder's OBD channels carry the readings only while
// the link is up.
TEST_F(ModuleOBDTest, LinkDownAndUpIsFollowedByTheWorkSteps)
{
    Box.BoxState([](sim::SimAdapterState &s) {
        s.Obd.Readings = Bytes(17, 0);
        s.Obd.Readings[4] = 0x0B, s.Obd.Readings[5] = 0xB8; // 750 rpm
        s.Obd.Readings[6] = 50;
    });
    Box.Manager.SetStateFlag(TManager::StateObdConnected, true);
    struct Step { uint8_t action; bool reads; double rpm; };
    const Step steps[] = {{4, true, 750}, {16, false, 0}, {1, false, 0}, {5, true, 750}};
    for (const Step &s : steps) {
        const uint8_t action = s.action;
        Box.BoxState([action](sim::SimAdapterState &st) { st.Obd.State[4] = action; });
        Box.Step(); // takes the new state
        Clear();
        Box.Step();
        const auto commands = Commands(Sent());
        EXPECT_EQ(std::count(commands.begin(), commands.end(), 0x7C), s.reads ? 1 : 0) << int(action);
        EXPECT_EQ(D->RecorderValue(4), s.rpm) << int(action);
        EXPECT_EQ(D->RecorderValue(5), s.rpm ? 50.0 : 0.0) << int(action);
    }
    EXPECT_EQ(D->RecorderValue(21), 0.0);
}

} // namespace
