// The adapter modules against the simulated adapter box sharing the
// controller's pseudo-terminal: detection order and bytes, silence at start
// and at run time, the usability check, the liveness rules, and the manager
// and the controller polling together on one port under faults.
#include "common/GiveUp.h"
#include "adapter/AdapterRig.h"

#include "adapter/AdapterProtocol.h"

#include "adapter/DevStateAdapter.h"
#include "adapter/DevStateOBD.h"
#include "adapter/LogicAdapter.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/ModuleAIO.h"
#include "adapter/ModuleOBD.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "common/PortLock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using adaptertest::AdapterRig;
using adaptertest::Commands;
using sim::Bytes;
using sim::SimAdapter;

TEST(AdapterModules, StartupDetectsTheBoxInOrderAndReadsItsIdentity)
{
    AdapterRig r;
    ASSERT_TRUE(r.ConnectAndStart());

    // Presence, the two identity reads, the OBD presence, then the OBD link:
    // state, settings, supported and allowed PIDs, trouble codes.
    std::vector<Bytes> expected{{0xC2, 0x01, 0x01, 0x6B, 0x87}};
    for (const uint8_t command : {0x02, 0x04, 0x70, 0x78, 0x71, 0x79, 0x7A, 0x7D})
        expected.push_back(SimAdapter::Request(command, {uint8_t(command == 0x70 ? 0x01 : 0xA5)}));
    EXPECT_EQ(r.AdapterRequests(), expected);

    // The box enabled the root, which activated the manager; the OBD child
    // followed, the analog-I/O child has no presence answer.
    EXPECT_TRUE(r.Manager.IsActive());
    EXPECT_TRUE(r.Logic->ModuleAdapter()->IsActive());
    EXPECT_TRUE(r.Logic->ModuleOBD()->IsActive());
    EXPECT_FALSE(r.Logic->ModuleAIO()->IsActive());
    EXPECT_TRUE(r.Manager.FetchDetectDone());
    EXPECT_FALSE(r.Logic->UIState()->Modified());

    // What the box reported reached the user-interface side.
    TLogicAdapter *logic = r.Logic->LogicAdapter();
    EXPECT_EQ(logic->VersionText(true, 0), "2.0A r3");
    EXPECT_EQ(logic->VersionText(true, 1), "20A");
    EXPECT_EQ(logic->CompileDateTimeText(), "Nov 20 2026 14:05:33");
    EXPECT_EQ(logic->SerialText(true), "34567-02-0712");
    EXPECT_EQ(logic->SerialText(false), "34567020712");
    EXPECT_EQ(logic->DescribeAdapter(true), "0112220A Av2[2]");
    EXPECT_EQ(logic->DescribeAdapter(false), "0112220A Adapter_ver2 [2] ");
    EXPECT_EQ(r.Logic->UIStateOBD()->OBDactionMain->GetAsInteger(), 1);
    EXPECT_TRUE(logic->IsUpgradePossible());
}

TEST(AdapterModules, SilentBoxGetsOnlyItsPresenceQuery)
{
    AdapterRig r;
    r.BoxState([](sim::SimAdapterState &s) { s.Silent = true; });
    ASSERT_TRUE(r.ConnectAndStart());
    EXPECT_EQ(r.AdapterRequests(), (std::vector<Bytes>{{0xC2, 0x01, 0x01, 0x6B, 0x87}}));
    EXPECT_FALSE(r.Manager.IsActive());
    EXPECT_EQ(r.Logic->LogicAdapter()->VersionText(false, 0), "----");

    // Ticks: no work step, no re-detection, nothing more on the wire.
    for (int i = 0; i < 5; ++i) {
        r.Step();
        r.Rig.Manager.SyncModules(false);
        EXPECT_FALSE(r.Logic->LogicAdapter()->IsUpgradePossible());
    }
    EXPECT_EQ(r.AdapterRequests().size(), 1u);
    EXPECT_EQ(r.Manager.WorkSteps(), 0u);
}

TEST(AdapterModules, BoxSilentAtRunTimeIsRetriedThenLeftAloneAndFoundWhileRetried)
{
    AdapterRig r;
    ASSERT_TRUE(r.ConnectAndStart());
    r.Rig.Server.log().clear();
    // Working: one state read per step.
    r.Step();
    EXPECT_EQ(Commands(r.AdapterRequests()), (std::vector<uint8_t>{0x78}));

    // Silent: the read and its repeat fail and disable the OBD module; three
    // further steps ask for its presence once each; then it is left alone.
    r.BoxState([](sim::SimAdapterState &s) { s.Silent = true; });
    r.Rig.Server.log().clear();
    for (int i = 0; i < 6; ++i)
        r.Step();
    EXPECT_EQ(Commands(r.AdapterRequests()), (std::vector<uint8_t>{0x78, 0x78, 0x70, 0x70, 0x70}));
    EXPECT_FALSE(r.Logic->ModuleOBD()->IsActive());
    // The controller link is untouched by the box's silence.
    EXPECT_TRUE(r.Rig.Manager.PollGroup(TDataManager::pgLive, true));

    // A box that answers again while it is being retried is found again.
    r.BoxState([](sim::SimAdapterState &s) { s.Silent = false; });
    r.Logic->SyncAfterDetect(0);
    r.BoxState([](sim::SimAdapterState &s) { s.Silent = true; });
    r.Step(); // the read fails twice
    r.Step(); // first presence retry, silent
    r.BoxState([](sim::SimAdapterState &s) { s.Silent = false; });
    r.Rig.Server.log().clear();
    r.Step(); // second presence retry answers; the state is read again
    EXPECT_TRUE(r.Logic->ModuleOBD()->IsActive());
    EXPECT_EQ(r.Logic->ModuleOBD()->Retries(), TBaseModule::DetectAttempts);
    EXPECT_EQ(Commands(r.AdapterRequests()), (std::vector<uint8_t>{0x70, 0x78, 0x71, 0x79, 0x7A, 0x7D, 0x78}));
}

TEST(AdapterModules, RootThatFailsDeactivatesTheManagerAndTheLinkReDetects)
{
    AdapterRig r;
    ASSERT_TRUE(r.ConnectAndStart());
    r.Rig.Manager.ModulesActive = r.Rig.Manager.SyncModules(false);
    ASSERT_TRUE(r.Rig.Manager.ModulesActive);
    r.BoxState([](sim::SimAdapterState &s) { s.Silent = true; });
    r.Rig.Server.log().clear();
    // A failed exchange of the root (after its repeat) disables it.
    EXPECT_EQ(r.Logic->ModuleAdapter()->ReadVersion(true), 0);
    EXPECT_FALSE(r.Manager.IsActive());
    EXPECT_FALSE(r.Logic->ModuleOBD()->IsActive());
    const size_t before = r.AdapterRequests().size();
    EXPECT_EQ(before, 2u);
    r.Step();
    EXPECT_EQ(r.AdapterRequests().size(), before);
    // The next tick re-detects once, as the manager went inactive.
    r.Manager.FetchDetectDone();
    r.BoxState([](sim::SimAdapterState &s) { s.Silent = false; });
    EXPECT_TRUE(r.Rig.Manager.SyncModules(false));
    EXPECT_TRUE(r.Manager.IsActive());
    EXPECT_TRUE(r.Manager.FetchDetectDone());

    // The same drop with an OBD setting edited and not yet written: Detect
    // or the adapter page looks for the box inactive as a whole, and the
    // edit stays while the box's values come back.
    TUIStateOBD *ui = r.Logic->UIStateOBD();
    const bool edited = !ui->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean();
    ui->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(edited);
    ASSERT_TRUE(r.Logic->UIState()->Modified());
    r.BoxState([](sim::SimAdapterState &s) { s.Silent = true; });
    EXPECT_EQ(r.Logic->ModuleAdapter()->ReadVersion(true), 0);
    ASSERT_FALSE(r.Manager.ActiveFlag());
    r.BoxState([](sim::SimAdapterState &s) { s.Silent = false; });
    EXPECT_TRUE(r.Logic->RedetectDroppedModules());
    EXPECT_TRUE(r.Manager.IsActive());
    EXPECT_TRUE(r.Logic->ModuleOBD()->IsActive());
    EXPECT_EQ(ui->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean(), edited);
    EXPECT_TRUE(r.Logic->UIState()->Modified());
    r.Rig.Server.log().clear();
    EXPECT_FALSE(r.Logic->RedetectDroppedModules()) << "nothing while every module answers";
    EXPECT_TRUE(r.AdapterRequests().empty());
}

TEST(AdapterModules, MismatchedBootloaderMakesTheBoxUnusableAndQuiet)
{
    AdapterRig r;
    // Main version 2.0 belongs with bootloader product 2; this box says 1.
    r.BoxState([](sim::SimAdapterState &s) { s.Payload[0x02][4] = 0x01; });
    ASSERT_TRUE(r.ConnectAndStart());
    EXPECT_EQ(Commands(r.AdapterRequests()), (std::vector<uint8_t>{0x01, 0x02, 0x04}));
    EXPECT_FALSE(r.Logic->ModuleAdapter()->Enabled());
    EXPECT_FALSE(r.Manager.IsActive());
    EXPECT_TRUE(TLogicAdapter::IsIncompatible(
        int(r.Logic->UIStateAdapter()->AdapterMainVersion->GetAsInteger()),
        int(r.Logic->UIStateAdapter()->AdapterBootloaderProductName->GetAsInteger())));
    EXPECT_FALSE(r.Logic->LogicAdapter()->IsUpgradePossible());
    r.Rig.Server.log().clear();
    r.Rig.Manager.ModulesActive = false;
    for (int i = 0; i < 5; ++i) {
        r.Step();
        r.Rig.Manager.SyncModules(false);
    }
    EXPECT_TRUE(r.AdapterRequests().empty());

    // The pairings: 10h needs 1, 20h needs 2; product 0 and other versions pass.
    struct Case { int main, product; bool incompatible; };
    for (const Case &c : {Case{0x10, 1, false}, Case{0x10, 2, true}, Case{0x10, 0, false}, Case{0x20, 2, false},
                          Case{0x20, 1, true}, Case{0x30, 1, false}})
        EXPECT_EQ(TLogicAdapter::IsIncompatible(c.main, c.product), c.incompatible) << c.main << " " << c.product;
}

TEST(AdapterModules, BoxRequestsAndTheirFailures)
{
    AdapterRig r;
    ASSERT_TRUE(r.ConnectAndStart());
    TModuleAdapter *m = r.Logic->ModuleAdapter();
    r.BoxState([](sim::SimAdapterState &s) {
        s.Payload[0x0A] = {0x0A, 0xA5};
        s.Payload[0x0C] = {0x0C, 0x42};
        s.Payload[0x05] = {0x05, 0x12, 0x34};
        s.RequestLength[0x05] = 5;
    });
    r.Rig.Server.log().clear();
    EXPECT_TRUE(m->Request0A());
    EXPECT_EQ(m->Request0C(7), 0x42);
    EXPECT_EQ(m->SendTestModeCommand(0), 0); // nothing sent
    EXPECT_EQ(m->SendTestModeCommand(3), 0x1234);
    EXPECT_EQ(r.AdapterRequests(), (std::vector<Bytes>{SimAdapter::Request(0x0A, {0xA5}),
                                                       SimAdapter::Request(0x0C, {0x07}),
                                                       SimAdapter::Request(0x05, {0x03})}));
    // 0B is repeated until the box answers A5, at most six times.
    r.BoxState([](sim::SimAdapterState &s) { s.Payload[0x0B] = {0x0B, 0x00}; });
    r.Rig.Server.log().clear();
    EXPECT_EQ(m->Request0B(), 0);
    EXPECT_EQ(r.AdapterRequests().size(), 6u);
    // A refused test-mode request is a failure, never an answer of 0.
    r.BoxState([](sim::SimAdapterState &s) { s.Refuse[0x05] = 0x02; });
    EXPECT_EQ(m->SendTestModeCommand(3), TModuleAdapter::TestModeFailed);
    // Information A's type, option and hardware fields are the low three
    // bits of their bytes: values 4 to 7 under set high bits.
    r.BoxState([](sim::SimAdapterState &s) {
        for (int i = 0; i < 4; ++i)
            s.Payload[0x02][size_t(12 + i)] = uint8_t(0xF8 | (4 + i));
    });
    ASSERT_TRUE(m->ReadInfoA());
    TDevStateAdapter *info = m->DevState();
    int field = 4;
    for (TVariable *v : {static_cast<TVariable *>(info->AdapterDeviceType), static_cast<TVariable *>(info->AdapterSoftwareOptions),
                         static_cast<TVariable *>(info->AdapterHardwareOptions), static_cast<TVariable *>(info->AdapterHardwareVersion)})
        EXPECT_EQ(v->GetAsInteger(), field++) << v->Name().toStdString();
    // A refused information request leaves its variables cleared.
    r.BoxState([](sim::SimAdapterState &s) { s.Refuse[0x04] = 0x02; });
    EXPECT_FALSE(m->ReadInfoB());
    EXPECT_EQ(m->DevState()->AdapterCompilationDate->Text(), "");
}

TEST(AdapterModules, LivenessRetriesThreeTimesThenGivesUp)
{
    // Bare modules on a manager, counting their presence queries.
    struct Probe : TBaseModule {
        using TBaseModule::TBaseModule;
        bool answers = false;
        int detects = 0;
        QString GetName() const override { return QStringLiteral("Probe"); }
        TBaseDevState *GetUIState() const override { return nullptr; }
        bool Detect() override
        {
            ++detects;
            SetEnabled(answers);
            return IsActive();
        }
        void WorkStep() override {}
    };
    sim::SimControllerRig rig;
    ASSERT_TRUE(rig.Connect());
    TManager manager;
    Probe root(nullptr, nullptr, nullptr, &manager);
    Probe child(nullptr, &root, nullptr, &manager);
    root.answers = true;
    child.answers = true;
    manager.RedetectLocked();
    EXPECT_TRUE(manager.IsActive());
    EXPECT_TRUE(child.Alive());
    EXPECT_EQ(root.detects, 1);
    EXPECT_EQ(child.detects, 1);

    child.answers = false;
    child.SetEnabled(false);
    for (int i = 0; i < 5; ++i)
        manager.TimerThreadWorkStep();
    EXPECT_EQ(child.detects, 1 + 3);
    EXPECT_EQ(child.Retries(), 0);

    // Without an answering root nothing is active and no step works.
    root.answers = false;
    manager.RedetectLocked();
    EXPECT_FALSE(manager.IsActive());
    EXPECT_FALSE(child.Enabled());
    EXPECT_EQ(child.detects, 5);
    const uint64_t steps = manager.WorkSteps();
    manager.TimerThreadWorkStep();
    EXPECT_EQ(manager.WorkSteps(), steps);

    // A protocol reports to one module only.
    TAdapterProtocol protocol(nullptr, 4, 0xEE, 0xD2, 0xC2);
    Probe owner(nullptr, nullptr, &protocol, &manager);
    EXPECT_THROW(Probe(nullptr, nullptr, &protocol, &manager), EVariableError);
}

TEST(AdapterModules, SecondRedetectionWaitsThenGivesWay)
{
    struct Nested : TBaseModule {
        using TBaseModule::TBaseModule;
        int detects = 0;
        QString GetName() const override { return QStringLiteral("Nested"); }
        TBaseDevState *GetUIState() const override { return nullptr; }
        bool Detect() override
        {
            if (++detects == 1)
                ModuleManager()->RedetectModules(); // while the first runs
            return false;
        }
        void WorkStep() override {}
    };
    TManager manager;
    int slept = 0;
    manager.Sleep = [&slept](int ms) { slept += ms; };
    Nested module(nullptr, nullptr, nullptr, &manager);
    manager.RedetectLocked();
    EXPECT_EQ(module.detects, 1);
    EXPECT_EQ(slept, TManager::RedetectWaitMs);
    EXPECT_FALSE(manager.Redetecting());
}

// A minute of 200 ms ticks, each a controller poll and a module work step on
// one port, with faults on both sides: nobody starves and the port's lock is
// free after every tick. (How long the adapter keeps a tick is measured by
// the adapter benchmark.)
TEST(AdapterModules, ControllerAndBoxShareThePortUnderFaults)
{
    AdapterRig r;
    ASSERT_TRUE(r.ConnectAndStart());
    r.Rig.Manager.ModulesActive = true;
    const int ticks = 300;
    int controllerOk = 0, adapterWorked = 0;
    for (int tick = 0; tick < ticks; ++tick) {
        // Faults: the controller's answer with a bad sum or missing, the
        // box's answer with a bad sum, an error frame, or silence.
        switch (tick % 25) {
        case 3:
            r.Rig.Server.injectFaultWhen([](const Bytes &f) { return f[0] == 0xC0; }, sim::Fault::badChecksum(), 1);
            break;
        case 7:
            r.Rig.Server.injectFaultWhen([](const Bytes &f) { return f[0] == 0xC2; }, sim::Fault::badChecksum(), 1);
            break;
        case 11:
            r.BoxState([](sim::SimAdapterState &s) { s.Refuse[0x78] = 0x03; });
            break;
        case 12:
            r.BoxState([](sim::SimAdapterState &s) { s.Refuse.clear(); });
            break;
        case 17:
            r.BoxState([](sim::SimAdapterState &s) { s.Silent = true; });
            break;
        case 18:
            r.BoxState([](sim::SimAdapterState &s) { s.Silent = false; });
            break;
        case 21:
            if (tick == 21)
                r.Rig.Server.injectFaultWhen([](const Bytes &f) { return f[0] == 0xC0; }, sim::Fault::noAnswer(), 1);
            break;
        default:
            break;
        }
        const size_t before = r.AdapterRequests().size();
        if (r.Rig.Manager.PollGroup(TDataManager::pgLive, true))
            ++controllerOk;
        r.Rig.Manager.SyncModules(false);
        r.Step();
        if (r.AdapterRequests().size() > before)
            ++adapterWorked;
        auto taker = testsupport::TakeLockElsewhere(r.Rig.Port);
        ASSERT_TRUE(testsupport::LockTakenWithin(taker, r.Rig.Port)) << "port lock held after tick " << tick;
        r.Rig.Server.log().clear();
    }
    // Each side works on nearly every tick; the faults cost a few.
    EXPECT_GE(controllerOk, ticks - 20);
    EXPECT_GE(adapterWorked, ticks - 40);
    EXPECT_TRUE(r.Rig.Manager.GetConnected());
    EXPECT_TRUE(r.Logic->ModuleOBD()->IsActive());
}

TEST(AdapterModules, DescriptiveTextsOfTheBox)
{
    AdapterRig r;
    ASSERT_TRUE(r.ConnectAndStart());
    TLogicAdapter *logic = r.Logic->LogicAdapter();
    TDevStateAdapter *device = r.Logic->DevStateAdapter();
    // OBD is available while both the adapter and its OBD module are active.
    r.Logic->AssignModuleProtocols();
    EXPECT_TRUE(OBDAvailable);

    // Serial 1234567, product 3, date bytes 0C 07: the serial's last five
    // digits, the product, then the date's low byte and its high byte.
    device->AdapterProductionSerialNumber->SetAsInteger(1234567);
    device->AdapterBootloaderProductName->SetAsInteger(3);
    device->AdapterProductionDate->SetRawData(QByteArray("\x0C\x07", 2), true);
    logic->CopySection();
    EXPECT_EQ(logic->SerialText(true), "34567-03-0712");
    EXPECT_EQ(logic->SerialText(false), "34567030712");

    // The kit suffix: none for kit 255 on 1.0 and for kit 1 on other versions.
    struct Kit { int main, kit; const char *suffix; };
    for (const Kit &k : {Kit{0x10, 255, ""}, Kit{0x10, 1, "-1"}, Kit{0x20, 1, ""}, Kit{0x20, 255, "-255"},
                         Kit{0x20, 4, "-4"}}) {
        device->AdapterMainVersion->SetAsInteger(k.main);
        device->AdapterBootloaderKitType->SetAsInteger(k.kit);
        EXPECT_TRUE(logic->DescribeAdapter(true).endsWith(QStringLiteral("[3%1]").arg(k.suffix)))
            << logic->DescribeAdapter(true).toStdString();
    }
    // Codes to texts, short and long.
    struct Code { int value; const char *shortText, *longText; };
    for (const Code &c : {Code{0, "UNK", "UNKNOWN"}, Code{1, "Av1", "Adapter_ver1"}, Code{2, "Av2", "Adapter_ver2"},
                          Code{3, "---", "---"}}) {
        device->AdapterDeviceType->SetAsInteger(c.value);
        logic->CopySection();
        EXPECT_EQ(logic->HardwareText(true), c.shortText);
        EXPECT_EQ(logic->HardwareText(false), c.longText);
    }
    device->AdapterHardwareVersion->SetAsInteger(1);
    device->AdapterHardwareOptions->SetAsInteger(2);
    logic->CopySection();
    EXPECT_EQ(logic->OBDKitText(true), "02a");
    EXPECT_EQ(logic->OBDKitText(false), "AdapterOBD_02a");
    EXPECT_EQ(logic->BootloaderText(true), "---");
    EXPECT_EQ(TLogicAdapter::KindText(255, true), "PRODUCTION");
    EXPECT_EQ(TLogicAdapter::KindText(7, false), "ERROR");
    EXPECT_EQ(TLogicAdapter::ModeText(0), "STANDARD");
    EXPECT_EQ(TLogicAdapter::ModeText(3), "ERROR");

    // An inactive box has no version in any style.
    r.Manager.SetActive(false);
    for (int style = 0; style < 4; ++style)
        EXPECT_EQ(logic->VersionText(true, style), "----");
}

// The box's answer late on the line the controller shares: a little late, it
// is taken by its own request; later than the port's wait (even after the
// controller's request went out) or never, it is given up at no wait of the
// controller's, which reads only its own answer, once, and keeps its link.
TEST(AdapterModules, LateBoxAnswersNeverCostTheControllerItsLink)
{
    // "after the port's wait": the answers of both tries come the moment the
    // repeat's wait has run out, whatever the machine's load.
    struct Row { const char *name; std::vector<int> lateMs, held; bool silent, boxKeptUp, afterTheWait = false; };
    const Row rows[] = {{"late", {100}, {}, false, true},
                        {"after the port's wait", {}, {}, false, false, true},
                        {"after the controller's request", {}, {2, 1}, false, false},
                        {"never", {}, {}, true, false}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        AdapterRig r;
        ASSERT_TRUE(r.ConnectAndStart());
        r.Rig.Device([](sim::SimControllerState &s) { s.Param8[2] = 0x5A; });
        r.BoxState([&](sim::SimAdapterState &s) { s.LateNext.assign(row.lateMs.begin(), row.lateMs.end()), s.Silent = row.silent; });
        for (const int frames : row.held)
            r.Rig.Server.injectFault(sim::Fault::held(frames), 1);
        int waitsRunOut = 0;
        if (row.afterTheWait) {
            r.Rig.Server.injectFault(sim::Fault::heldUntilSent(), 2);
            r.Rig.Port.OnWaitRunOut = [&] {
                if (++waitsRunOut == 2)
                    r.Rig.Server.sendHeld();
            };
        }
        r.Rig.Server.log().clear();
        r.Step();
        r.Rig.Port.OnWaitRunOut = nullptr;
        if (row.afterTheWait) {
            EXPECT_EQ(waitsRunOut, 2) << "the request and its repeat each waited for their answer";
        }
        EXPECT_EQ(r.Logic->ModuleOBD()->IsActive(), row.boxKeptUp);
        r.Rig.Port.reads.clear();
        EXPECT_EQ(r.Rig.Manager.ReadParameter8(2), 0x5A);
        EXPECT_EQ(r.Rig.Port.Waits(), 0) << "the controller's request waited for no answer of the box";
        EXPECT_TRUE(r.Rig.Manager.GetConnected());
        EXPECT_EQ(DeviceRecord.DeviceKind, 48);
        EXPECT_TRUE(r.Rig.Manager.PollGroup(TDataManager::pgLive, true));
        // The controller's request went out once: no repeat, no new identification.
        size_t parameterReads = 0, identifications = 0;
        for (const Bytes &f : r.Rig.Requests()) {
            parameterReads += f[0] == 0xC0 && f[1] == 0x07;
            identifications += f[0] == 0xC0 && f[1] == 0x01;
        }
        EXPECT_EQ(parameterReads, 1u);
        EXPECT_EQ(identifications, 0u);
        if (row.boxKeptUp) {
            EXPECT_EQ(Commands(r.AdapterRequests()), (std::vector<uint8_t>{0x78}));
        }
    }
}

// A read given its own waits keeps them for that read only: the port's own
// timeouts hold for the next one.
TEST(AdapterModules, AReadsOwnWaitLeavesThePortsTimeouts)
{
    sim::SimControllerRig rig;
    // The port's own wait made long; the controller's answer comes a second
    // late. The read with its own 45 ms wait gives up before the answer
    // (waiting out at least those 45 ms), and the port's own wait, restored
    // after it, gets it.
    rig.Port.Timeouts()->SetReadConstant(10000);
    rig.Server.injectFault(sim::Fault::late(1000));
    const Bytes request = sim::Request({0x53, 0});
    int written = 0;
    ASSERT_TRUE(rig.Port.WriteData(request.data(), int(request.size()), written));
    uint8_t byte = 0;
    int read = 0;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(rig.Port.ReadDataWithin(&byte, 1, read, 45, 20));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 40ms);
    EXPECT_EQ(read, 0);
    EXPECT_TRUE(rig.Port.ReadData(&byte, 1, read));
    EXPECT_EQ(read, 1);
    EXPECT_EQ(byte, 0xD0);
}
