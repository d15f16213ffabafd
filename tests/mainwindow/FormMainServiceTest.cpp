// The change record before writes, the computer-code history, the next
// inspection, and the service tools, on the wire against the simulated
// controller.
#include "common/GiveUp.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"
#include "controls/ExHint.h"
#include "core/CommonConv.h"
#include "core/LM.h"
#include "core/LanguageFileFixture.h"
#include "core/ui/LMWidgetTexts.h"
#include "core/ui/WaitForm.h"
#include "common/ReducerTemperature.h"
#include "mainwindow/shell/ProgramEnd.h"
#include "windows/FormInjTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace shellwiring;
using startup::SimDevice;
using startup::StartupRig;

namespace {

struct Connected {
    explicit Connected(uint8_t kind, char version = 'I') : device(rig.PortsDir, 5, kind, version)
    {
        rig.Wire = [](TFormMain &form) {
            Wire(form);
            form.InstallChangeRecordQuery();
        };
        rig.Create();
        rig.Tick();
        device.Server.log().clear();
        rig.Boxes.clear();
    }
    std::vector<sim::Bytes> requests(uint8_t command) const
    {
        return device.Requests(command);
    }
    TFormMain &form() { return *rig.Form; }
    template <typename T = QWidget> T *get(const char *name) { return Get<T>(form(), name); }
    void choose(const char *combo, int index)
    {
        auto *box = get<QComboBox>(combo);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    StartupRig rig{5};
    SimDevice device;
};

sim::Bytes Be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

} // namespace

TEST(FormMainChangeRecord, RecordOncePerAcceptedQuestionBeforeTheWriteItGates)
{
    Connected c(48, 'G');
    TFormMain &form = c.form();
    // History: newest index 0; entries 0, 4, 3, 2 filled, 1 empty.
    const uint32_t packed = TCommonConv::PackDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6)));
    sim::Bytes ring(41, 0);
    for (int i : {0, 4, 3, 2}) {
        const sim::Bytes code = Be32(0x00A1B2C3u + uint32_t(i)), date = Be32(packed + uint32_t(i));
        std::copy(code.begin(), code.end(), ring.begin() + 8 * i);
        std::copy(date.begin(), date.end(), ring.begin() + 8 * i + 4);
    }
    c.device.Controller.State.Payload[0x54] = ring;
    form.UpdateComputerCodesInfo();
    auto *grid = c.get<QTableWidget>("StGChangesList");
    ASSERT_EQ(grid->rowCount(), 6);
    EXPECT_EQ(c.requests(0x54).size(), 1u);
    EXPECT_EQ(c.get<QLineEdit>("EdtActualComputerCode")->text(), TCommonConv::GetSystemDriveSerialText());
    EXPECT_FALSE(grid->item(0, 0)->text().isEmpty());
    const int shown[] = {0, 4, 3, 2};
    for (int row = 1; row <= 4; ++row) {
        const uint32_t i = uint32_t(shown[row - 1]);
        EXPECT_EQ(grid->item(row, 0)->text(), TCommonConv::PackedDateTimeToStr(packed + i)) << row;
        EXPECT_EQ(grid->item(row, 1)->text(), QStringLiteral("00A1-B2C%1").arg(3 + i)) << row;
    }
    EXPECT_EQ(grid->item(5, 0)->text(), " ");
    EXPECT_EQ(grid->item(5, 1)->text(), " ");
    // An index outside the ring shows five empty rows.
    c.device.Controller.State.Payload[0x54][40] = 7;
    form.UpdateComputerCodesInfo();
    for (int row = 1; row <= 5; ++row)
        EXPECT_EQ(grid->item(row, 0)->text(), " ") << row;

    // The gate: nothing modified passes without a question or a record.
    c.device.Server.log().clear();
    c.rig.Boxes.clear();
    EXPECT_TRUE(form.UpdateLastChangeInfo(false));
    EXPECT_TRUE(c.rig.Boxes.empty());
    // No: the write is skipped, no record.
    c.rig.Answer = [](const TMessageBoxInfo &) { return int(mrNo); };
    EXPECT_FALSE(form.UpdateLastChangeInfo(true));
    ASSERT_EQ(c.rig.Boxes.size(), 1u);
    EXPECT_EQ(c.rig.Boxes[0].Text, LM->Translate("strQModChange"));
    ASSERT_FALSE(TCommon::ApplicationTitle().isEmpty());
    EXPECT_EQ(c.rig.Boxes[0].Caption, TCommon::ApplicationTitle()); // the program's name
    EXPECT_TRUE(c.requests(0x55).empty());

    // The next inspection: a changed choice asks; Yes writes the values, then,
    // once the device took them, the record with this computer's code and time.
    c.rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
    c.choose("CmBNextInspection", 3);
    c.choose("CmBInspectionRatio", 2);
    auto *set = c.get<QPushButton>("BtBSetNextInspection");
    EXPECT_EQ(set->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    const uint32_t before = TCommonConv::PackDateTime(QDateTime::currentDateTime());
    set->click();
    const uint32_t after = TCommonConv::PackDateTime(QDateTime::currentDateTime());
    EXPECT_EQ(c.device.Commands(), (std::vector<uint8_t>{0x57, 0x55}));
    ASSERT_EQ(c.requests(0x55).size(), 1u);
    const sim::Bytes record = c.requests(0x55)[0];
    EXPECT_EQ(sim::Bytes(record.begin() + 2, record.begin() + 6), Be32(TCommonConv::GetSystemDriveSerial()));
    const uint32_t stamp = uint32_t(record[6]) << 24 | uint32_t(record[7]) << 16 | uint32_t(record[8]) << 8 | record[9];
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);
    EXPECT_EQ(c.device.Controller.State.Payload[0x56], (sim::Bytes{40, 0x13, 0x88}));
    // The history read again shows this computer first.
    form.UpdateComputerCodesInfo();
    EXPECT_EQ(grid->item(1, 1)->text(), TCommonConv::GetSystemDriveSerialText());
    EXPECT_EQ(grid->item(1, 0)->text(), TCommonConv::PackedDateTimeToStr(stamp));
    EXPECT_NE(set->palette().color(QPalette::ButtonText), QColor(255, 0, 0));

    // Accepted: a later gated write asks nothing and sends no second record;
    // the unchanged button sends its values without a question.
    c.rig.Boxes.clear();
    c.device.Server.log().clear();
    EXPECT_TRUE(form.UpdateLastChangeInfo(true));
    set->click();
    EXPECT_TRUE(c.rig.Boxes.empty());
    EXPECT_EQ(c.device.Commands(), (std::vector<uint8_t>{0x57}));

    // A changed choice the device does not take stays marked, and is said.
    c.choose("CmBNextInspection", 1);
    c.device.Server.injectFaultWhen([](const sim::Bytes &f) { return f[1] == 0x57; }, sim::Fault::noAnswer());
    set->click();
    c.device.Server.clearFaults();
    EXPECT_EQ(set->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    ASSERT_EQ(c.rig.Boxes.size(), 1u);
    EXPECT_EQ(c.rig.Boxes[0].Text, LM->Translate("strConfWriteIncomplete"));
    c.rig.Tick(); // connects again
    ASSERT_TRUE(DataManager->GetConnected());

    // A fresh connection asks again; a failed write sends no record and the next asks again.
    DataManager->DeviceReread = true;
    c.rig.Tick();
    c.device.Server.log().clear();
    c.rig.Boxes.clear();
    c.choose("CmBNextInspection", 2);
    c.device.Server.injectFaultWhen([](const sim::Bytes &f) { return f[1] == 0x57; }, sim::Fault::noAnswer());
    set->click();
    c.device.Server.clearFaults();
    EXPECT_TRUE(c.requests(0x55).empty());
    c.rig.Tick(); // connects again
    c.device.Server.log().clear();
    set->click();
    const QString ask = LM->Translate("strQModChange");
    EXPECT_EQ(c.rig.BoxTexts(), QStringList({ask, LM->Translate("strConfWriteIncomplete"), ask}));
    EXPECT_EQ(c.device.Commands(), (std::vector<uint8_t>{0x57, 0x55}));
}

TEST(FormMainChangeRecord, HistoryStepsBackFromEveryNewestIndexAroundTheRing)
{
    Connected c(48, 'G');
    const uint32_t packed = TCommonConv::PackDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6)));
    sim::Bytes ring(41, 0);
    for (int i = 0; i < 5; ++i) {
        const sim::Bytes code = Be32(0x00A1B2C3u + uint32_t(i)), date = Be32(packed + uint32_t(i));
        std::copy(code.begin(), code.end(), ring.begin() + 8 * i);
        std::copy(date.begin(), date.end(), ring.begin() + 8 * i + 4);
    }
    auto *grid = c.get<QTableWidget>("StGChangesList");
    for (uint8_t newest = 1; newest <= 4; ++newest) {
        SCOPED_TRACE(int(newest));
        ring[40] = newest;
        c.device.Server.withLock([&] { c.device.Controller.State.Payload[0x54] = ring; });
        c.form().UpdateComputerCodesInfo();
        for (int row = 1; row <= 5; ++row) {
            const uint32_t i = uint32_t((newest - (row - 1) + 5) % 5);
            EXPECT_EQ(grid->item(row, 0)->text(), TCommonConv::PackedDateTimeToStr(packed + i)) << row;
            EXPECT_EQ(grid->item(row, 1)->text(), QStringLiteral("00A1-B2C%1").arg(3 + i)) << row;
        }
    }
}

TEST(FormMainChangeRecord, OtherDevicesWriteWithoutRecordOrInspection)
{
    Connected c(48, 'F');
    EXPECT_FALSE(c.form().WriteLastChangeInfo(0));
    EXPECT_FALSE(c.form().WriteLastChangeInfo(1));
    EXPECT_TRUE(c.form().UpdateLastChangeInfo(true));
    c.choose("CmBNextInspection", 1);
    c.get<QPushButton>("BtBSetNextInspection")->click();
    c.form().UpdateComputerCodesInfo();
    EXPECT_TRUE(c.rig.Boxes.empty());
    EXPECT_TRUE(c.device.Commands().empty());
}

TEST(FormMainService, InjectorControlValidatesBeforeWritingAndKeepsTheRestOfTheBlock)
{
    Connected c(48);
    auto &st = c.device.Controller.State;
    st.Payload[0x17] = {0x0B, 0xB8, 150, 75, 9, 8, 7, 6, 5, 4, 3, 2};
    c.get<QPushButton>("BtnTestInjControlRead")->click();
    auto *open = c.get<QLineEdit>("EdtInjFullOpenTime");
    auto *freq = c.get<QLineEdit>("EdtInjPwmFreq");
    auto *duty = c.get<QLineEdit>("EdtInjPwmDuty");
    EXPECT_EQ(open->text(), "16,0"); // in Polish, the language shown
    EXPECT_EQ(freq->text(), "5000");
    EXPECT_EQ(duty->text(), "50");

    // No number, a period beyond 8 bits, no frequency, an on-time beyond the
    // period, an opening time beyond 16 bits: an error each, nothing sent.
    const struct {
        const char *f, *d, *ms;
    } bad[] = {{"abc", "50", "2"}, {"1000", "50", "2"}, {"0", "50", "2"}, {"10000", "150", "2"},
               {"10000", "50", "400"}, {"10000", "x", "2"}};
    for (const auto &b : bad) {
        freq->setText(b.f);
        duty->setText(b.d);
        open->setText(b.ms);
        c.get<QPushButton>("BtnTestInjControlWrite")->click();
    }
    EXPECT_EQ(c.rig.Boxes.size(), std::size(bad));
    // A text that is no number names its field.
    EXPECT_TRUE(c.rig.Boxes.front().Text.startsWith(c.get<QLabel>("labelInjPwmFreq")->text().chopped(1)
                                                    + QStringLiteral(": ") + LM->Translate(QStringLiteral("strConfValueNotNumber"))))
        << c.rig.Boxes.front().Text.toStdString();
    EXPECT_TRUE(c.requests(0x15).empty());

    freq->setText("10000");
    duty->setText("25");
    open->setText("2,5");
    c.get<QPushButton>("BtnTestInjControlWrite")->click();
    ASSERT_EQ(c.requests(0x15).size(), 1u);
    EXPECT_EQ(st.Payload[0x17], (sim::Bytes{0x01, 0xD4, 75, 19, 9, 8, 7, 6, 5, 4, 3, 2}));

    // Period 0 reads as frequency 0 and duty 0.
    st.Payload[0x17][2] = 0;
    c.get<QPushButton>("BtnTestInjControlRead")->click();
    EXPECT_EQ(freq->text(), "0");
    EXPECT_EQ(duty->text(), "0");
}

TEST(FormMainService, ListsByTableLambdaEmulationCountersAndServiceParameters)
{
    Connected c(48);
    TFormMain &form = c.form();
    auto &st = c.device.Controller.State;
    st.Param16[20] = 972; // a table value without an item
    st.Param16[21] = 3179;
    st.Param8[36] = 0x15;
    st.Param8[54] = 10;
    emit c.get<QPushButton>("Button17")->clicked();
    EXPECT_EQ(c.get<QComboBox>("CmBMinGasInjTime")->currentIndex(), -1);
    EXPECT_EQ(c.get<QComboBox>("CmBMaxGasInjTime")->currentIndex(), 2);
    EXPECT_EQ(c.get<QComboBox>("CmBValveStateLowPcolThreshold")->currentIndex(), 6);
    EXPECT_TRUE(c.get<QCheckBox>("ChBTestSourceLIN")->isChecked());
    EXPECT_FALSE(c.get<QCheckBox>("ChBTestCorrectionSumary")->isChecked());
    EXPECT_TRUE(c.get<QCheckBox>("ChBTestOption5")->isChecked());
    c.get<QComboBox>("CmBMaxGasInjTime")->setCurrentIndex(10);
    c.get<QCheckBox>("ChBTestOption5")->setChecked(false);
    emit c.get<QPushButton>("Button20")->clicked();
    EXPECT_EQ(st.Param8[36], 0x05);
    EXPECT_EQ(st.Param16[21], 4675);
    EXPECT_EQ(st.Param16[20], 972); // no selection: not written
    EXPECT_EQ(st.Param8[54], 10);

    // Lambda emulation by the 16-bit parameters 1-5.
    st.Param16[1] = 588;
    st.Param16[2] = 300;
    st.Param16[3] = 1000;
    st.Param16[4] = 123;
    st.Param16[5] = 1;
    emit c.get<QPushButton>("BtnDgnELAMRead")->clicked();
    EXPECT_EQ(c.get<QComboBox>("CmBELAM1")->currentIndex(), 7);
    EXPECT_EQ(c.get<QComboBox>("CmBELAM2")->currentIndex(), 3);
    EXPECT_EQ(c.get<QComboBox>("CmBELAM_Hi")->currentIndex(), 10);
    EXPECT_EQ(c.get<QLineEdit>("EdtELAM_Hi")->text(), "1000");
    EXPECT_EQ(c.get<QComboBox>("CmBELAM_Lo")->currentIndex(), -1);
    EXPECT_EQ(c.get<QLineEdit>("EdtELAM_Lo")->text(), "123");
    EXPECT_TRUE(c.get("Pnl_ELAM_F1")->isVisibleTo(c.get("Pnl_ELAM_F1")->parentWidget()));
    EXPECT_FALSE(c.get("Pnl_ELAM_F2")->isVisibleTo(c.get("Pnl_ELAM_F2")->parentWidget()));
    c.get<QComboBox>("CmBELAM1")->setCurrentIndex(0);
    c.device.Server.log().clear();
    emit c.get<QPushButton>("BtnDgnELAMWrite")->clicked();
    EXPECT_EQ(c.rig.BoxTexts(), QStringList{"error ELAM_Lo"});
    std::vector<uint8_t> ids;
    for (const auto &r : c.requests(0x52))
        ids.push_back(r[2]);
    EXPECT_EQ(ids, (std::vector<uint8_t>{1, 2, 3, 5}));
    EXPECT_EQ(st.Param16[1], 200);
    EXPECT_EQ(st.Param16[4], 123);

    // Counters into captions; the software version from identity page 0.
    st.Counters[180] = 100;
    st.Counters[4] = 7;
    st.Counters[181] = 128;
    st.Counters[182] = 64;
    st.Param8[6] = 1;
    emit c.get<QPushButton>("Button5")->clicked();
    EXPECT_TRUE(c.get<QCheckBox>("ChBDgnCAP_TIE_enable")->isChecked());
    EXPECT_TRUE(c.get<QPushButton>("BtnSrvReadTpcb")->text().startsWith("Tpcb="));
    EXPECT_EQ(c.get<QPushButton>("BtnSrvReadCntReset")->text(), "Read cntReset = 7");
    EXPECT_EQ(c.get<QPushButton>("BtnSrvReadCurrInj")->text(), "CurrInj: Max=2,50 V Min: 1,25 V");
    emit c.get<QPushButton>("BtnSrvReadCurr")->clicked();
    EXPECT_EQ(c.get<QPushButton>("BtnSrvReadCurr")->text(), "Curr Low=64 Hi=128");
    emit c.get<QPushButton>("BtnSrvSoftVer")->clicked();
    EXPECT_EQ(c.get<QPushButton>("BtnSrvSoftVer")->text(), "SoftVer=I");
    emit c.get<QPushButton>("BtnSrvClear")->clicked();
    EXPECT_EQ(st.Words[181], 255);
    EXPECT_EQ(c.get<QPushButton>("BtnSrvReadCurrInj")->text(), "CurrInj: Max=0 Min=0");

    // Service parameters: a value that is no byte (beyond one, no number,
    // no whole number, an empty field, which was written as 0) is refused
    // before anything is written, naming the parameter; a period of 0 shows
    // "-" instead of dividing.
    const QString group = c.get<QGroupBox>("groupTestMode")->title();
    const struct {
        const char *Typed, *Why;
    } rows[] = {{"300", "strConfValueRange"},    {"x", "strConfValueNotNumber"}, {"", "strConfValueNotNumber"},
                {"2,5", "strConfValueNotWhole"}, {"1,2,3", "strConfValueNotNumber"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.Typed);
        c.rig.Boxes.clear();
        c.device.Server.log().clear();
        c.get<QLineEdit>("EdtSrvTestP1")->setText(QString::fromLatin1(row.Typed));
        c.get<QLineEdit>("EdtSrvTestP2")->setText("5");
        emit c.get<QPushButton>("BtnSrvTMWrite")->clicked();
        ASSERT_EQ(c.rig.Boxes.size(), 1u);
        EXPECT_TRUE(c.rig.Boxes[0].Text.startsWith(group + QStringLiteral(" P1: ") + LM->Translate(QString::fromLatin1(row.Why))))
            << c.rig.Boxes[0].Text.toStdString();
        EXPECT_TRUE(c.requests(0x08).empty());
    }
    c.get<QLineEdit>("EdtSrvTestP1")->setText("12");
    emit c.get<QPushButton>("BtnSrvTMWrite")->clicked();
    EXPECT_EQ(st.Param8[25], 12);
    EXPECT_EQ(st.Param8[26], 5);
    c.get<QLineEdit>("EdtP1")->setText("0");
    c.get<QLineEdit>("EdtP2")->setText("1000");
    form.EdtPChange();
    EXPECT_EQ(c.get<QLabel>("LblTemp")->text(), "RPM(P1/P2)=- / 150;  Pcol(P1/P2)=-0,11 / 10,52");

    // The factory service block: every value, words and bytes, in order.
    c.device.Server.log().clear();
    emit c.get<QPushButton>("Button1")->clicked();
    EXPECT_EQ(c.requests(0x32).size() + c.requests(0x34).size(), 93u);
    EXPECT_EQ(c.requests(0x32).front(), (sim::Bytes{0xC0, 0x32, 0, 0, 0x04, 0x00, 0xF6}));
    EXPECT_EQ(st.Words[22], 14024);
    EXPECT_EQ(st.Counters[122], 1);
    EXPECT_EQ(c.device.Commands().back(), 0x32); // 198 := 0 last
}

TEST(FormMainService, InjectorCleaningAndTestAlwaysEndWithTheDeviceOutOfTheTest)
{
    Connected c(48);
    TFormMain &form = c.form();
    DeviceRecord.InjSW = 2;
    c.get<QSpinBox>("UpDDgnCycles")->setValue(1);
    qint64 t = 0;
    std::function<void()> onTick;
    TFormMain::SetClock([&] {
        if (onTick)
            onTick();
        return t += 1000;
    });
    const auto channels = [&] {
        std::vector<uint8_t> out;
        for (const auto &r : c.requests(0x39))
            out.push_back(r[2]);
        return out;
    };
    // A full cycle: each configured injector opened in turn, then all off.
    emit c.get<QPushButton>("BtnDgnInjCleaning")->clicked();
    EXPECT_EQ(c.requests(0x20).at(0)[2], 4);
    EXPECT_EQ(channels(), (std::vector<uint8_t>{0, 1, 2, 0}));
    EXPECT_EQ(c.device.Controller.State.Payload[0x3A][0], 0);

    // Cancel in the first pause: nothing opened, all off.
    c.device.Server.log().clear();
    onTick = [&] {
        if (form.WaitFormInjClean)
            form.WaitFormInjClean->Stop();
    };
    emit c.get<QPushButton>("BtnDgnInjCleaning")->clicked();
    EXPECT_EQ(channels(), (std::vector<uint8_t>{0, 0}));

    // The main window closed while a channel is open: off at once.
    c.device.Server.log().clear();
    int calls = 0;
    onTick = [&] {
        if (++calls == 8)
            form.close();
    };
    emit c.get<QPushButton>("BtnDgnInjCleaning")->clicked();
    const std::vector<uint8_t> sent = channels();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), 0);
    EXPECT_GT(std::count(sent.begin(), sent.end(), 1), 0);
    EXPECT_EQ(c.device.Controller.State.Payload[0x3A][0], 0);
    TFormMain::SetClock({});
}

TEST(FormMainService, InjectorTestLaunchEndsTheTestHoweverTheWindowCloses)
{
    Connected c(48);
    TFormMain &form = c.form();
    form.show();
    c.device.Server.log().clear();
    form.ShowInjectorTestWindow = nullptr;
    emit c.get<QPushButton>("BtnDgnInjectorsTest")->clicked();
    EXPECT_TRUE(c.device.Commands().empty()); // no test window: nothing to launch
    bool hiddenWhileShown = false;
    form.ShowInjectorTestWindow = [&] { hiddenWhileShown = !form.isVisible(); };
    DeviceRecord.GasSwitchState = 3;
    emit c.get<QPushButton>("BtnDgnInjectorsTest")->clicked();
    EXPECT_TRUE(hiddenWhileShown);
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(c.requests(0x18).size(), 2u);
    EXPECT_EQ(c.requests(0x18)[0][2], 1);
    EXPECT_EQ(c.requests(0x18)[1][2], 2);
}

// Real boxes in the program's loop: the test window refuses a cold reducer twice, the second
// box with no owner; the program goes on and shows the main window once the test window closes.
TEST(FormMainService, InjectorTestRefusalsWhileTheMainWindowIsHiddenNeverEndTheProgram)
{
    Connected c(48, 'H');
    EndProgramWithWindow(c.form());
    c.device.Server.withLock([&] { c.device.Controller.State.Payload[0x0B][1] = testsupport::ColdReducerCode(); });
    c.rig.Tick();
    c.rig.HoldTimer();
    c.form().show();
    TCommon::SetAnswerProvider({});
    struct : QObject {
        int Quits = 0;
        bool eventFilter(QObject *, QEvent *e) override { Quits += e->type() == QEvent::Quit; return false; }
    } watch;
    qApp->installEventFilter(&watch);
    // The user, one look per timer so that the next comes inside the box a click opens.
    int clicks = 0; // Start, Start, Close
    QList<bool> boxOwned;
    std::function<void()> look = [&] {
        QTimer::singleShot(10, &watch, look);
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            EXPECT_TRUE(box->text().startsWith(LM->Translate("strTredLow60"))) << box->text().toStdString();
            boxOwned << (box->parentWidget() != nullptr);
            box->button(QMessageBox::Ok)->click();
        } else if (auto *test = qobject_cast<TFormInjTest *>(modal); test && clicks < 3) {
            if (clicks < 2)
                QApplication::setActiveWindow(clicks == 0 ? test : nullptr);
            (clicks++ < 2 ? test->BtnStartTest : test->BtnClose)->click();
        } else if (clicks == 3 && !modal && c.form().isVisible())
            QCoreApplication::exit(1);
    };
    QTimer::singleShot(0, &watch, look);
    QTimer::singleShot(0, c.get<QPushButton>("BtnDgnInjectorsTest"), &QPushButton::click);
    QTimer::singleShot(testsupport::GiveUpMs, &watch, [] { QCoreApplication::exit(2); }); // a hang fails by name
    EXPECT_EQ(QCoreApplication::exec(), 1) << "the main window came back (2: gave up waiting)";
    QGuiApplication::setQuitOnLastWindowClosed(true);
    EXPECT_EQ(watch.Quits, 0) << "nothing asked the program to end";
    EXPECT_EQ(boxOwned, QList<bool>({true, false})) << "the second box opened with no active window";
    EXPECT_TRUE(c.requests(0x92).empty()) << "no test was started";
}

TEST(FormMainChangeRecord, HintDetailFromTheLanguageFileAndTheLanguageFileTool)
{
    LanguageFolder folder;
    folder.writeCurrentLanguage("EN", {"[FormMain]", "BtBSetNextInspection=|Set||first||second"});
    TLM lm;
    TLM *saved = LM;
    LM = &lm;
    lm.SetProgramFolder(folder.programFolder());
    lm.SetWindowTexts(std::make_unique<TLMWidgetTexts>());
    {
        TFormMain form;
        ASSERT_TRUE(lm.LoadLanguageFile("EN"));
        ASSERT_TRUE(form.ExHint && form.ExHint->OnNeedData);
        QStringList detail;
        THintInfo info;
        info.HintControl = Get(form, "BtBSetNextInspection");
        form.ExHint->OnNeedData("Set", detail, info);
        EXPECT_EQ(detail, QStringList{"first\r\nsecond"});
        info.HintControl = Get(form, "BtnEncryptLangFiles");
        form.ExHint->OnNeedData("x", detail, info);
        EXPECT_EQ(detail.size(), 1); // no detail line: nothing added

        // The hidden developer button makes the stored files from the plain ones.
        const QByteArray plain = "[Strings]\r\nstrA=a\r\n";
        folder.writeRaw("_PL.lang", plain);
        emit Get<QPushButton>(form, "BtnEncryptLangFiles")->clicked();
        QFile stored(folder.resource("_PL.lng"));
        ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
        QByteArray bytes = stored.readAll();
        EXPECT_NE(bytes, plain);
        TCommon::ScrambleStream(bytes);
        EXPECT_EQ(bytes, plain);
    }
    LM = saved;
}
