// The small service and diagnostic tools of the main window: single device
// values read into edits, check boxes, lists or button captions and written
// back from them, the lambda-emulation parameters, the injector control
// block, the injector cleaning and the gas-injector test launch.
#include "mainwindow/shell/FormMain.h"

#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/TypedInput.h"
#include "core/ui/WaitForm.h"

#include <QAbstractButton>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QXYSeries>

#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// Lambda emulation: the offset list and the 0..1 lists.
constexpr std::array<uint16_t, 11> kElamOffset{200, 262, 324, 386, 448, 512, 550, 588, 626, 664, 700};
constexpr std::array<uint16_t, 11> kElamUnit{0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000};

// Minimum gas injection time in 1/187 ms: the 21 listed items, then the
// values up to 10 ms that no item shows.
constexpr std::array<uint16_t, 46> kMinGasInjTime{
    374, 411, 449, 486, 524, 561, 598, 636, 673, 711, 748, 766, 785, 804, 822, 841,
    860, 878, 897, 916, 935, 972, 1010, 1047, 1085, 1122, 1159, 1197, 1234, 1272, 1309, 1346,
    1384, 1421, 1459, 1496, 1533, 1571, 1608, 1646, 1683, 1720, 1758, 1795, 1833, 1870};
constexpr std::array<uint16_t, 11> kMaxGasInjTime{2805, 2992, 3179, 3366, 3553, 3740,
                                                  3927, 4114, 4301, 4488, 4675};

// The factory service block: (16-bit word, index, value) in sending order.
struct ServiceValue {
    bool Word;
    uint16_t Index;
    uint16_t Value;
};
constexpr ServiceValue kServiceBlock[] = {
    {true, 0, 1024}, {true, 2, 187}, {true, 4, 935}, {true, 6, 1870}, {true, 8, 2805},
    {true, 10, 3740}, {true, 12, 4096}, {true, 14, 4096}, {true, 16, 4096}, {true, 18, 4096},
    {false, 20, 97}, {false, 21, 255}, {true, 22, 14024}, {false, 24, 4}, {false, 25, 255},
    {false, 26, 128}, {false, 27, 255}, {false, 28, 0}, {false, 29, 255}, {false, 30, 255},
    {false, 31, 255}, {false, 32, 0}, {false, 33, 255}, {false, 34, 255}, {false, 35, 255},
    {true, 36, 561}, {false, 38, 37}, {false, 39, 15}, {false, 40, 0}, {false, 41, 0},
    {true, 42, 19800}, {false, 44, 0}, {false, 45, 255}, {true, 46, 374}, {true, 48, 935},
    {false, 50, 37}, {false, 51, 22}, {false, 52, 0}, {false, 53, 0}, {true, 54, 21063},
    {false, 56, 0}, {false, 57, 255}, {true, 58, 374}, {true, 60, 935}, {false, 62, 50},
    {false, 63, 20}, {false, 64, 0}, {false, 65, 0}, {true, 66, 21064}, {false, 68, 0},
    {false, 69, 255}, {true, 70, 374}, {true, 72, 9350}, {false, 74, 0}, {false, 75, 0},
    {false, 76, 0}, {false, 77, 0}, {true, 78, 21065}, {false, 80, 0}, {false, 81, 255},
    {true, 82, 374}, {true, 84, 0}, {true, 86, 0}, {true, 88, 0}, {true, 90, 0},
    {false, 92, 255}, {false, 93, 0}, {false, 94, 255}, {false, 95, 128}, {false, 96, 0},
    {false, 97, 5}, {false, 98, 38}, {false, 99, 77}, {false, 100, 10}, {false, 101, 20},
    {false, 102, 30}, {false, 103, 40}, {false, 104, 50}, {false, 105, 60}, {false, 106, 200},
    {false, 107, 143}, {false, 108, 92}, {false, 109, 40}, {false, 110, 21}, {false, 111, 47},
    {false, 112, 61}, {false, 113, 72}, {true, 114, 512}, {true, 116, 512}, {true, 118, 1000},
    {true, 120, 0}, {false, 122, 1}, {true, 198, 0},
};

// One tick of the injector-control PWM in seconds (4/3 µs).
constexpr double kPwmTick = 4.0 / 3.0 * 1e-6;

bool LinkReady() { return DataManager && !DataManager->IsDeviceNotReady(); }
bool Connected() { return DataManager && DataManager->GetConnected(); }

// RPM of a period parameter, "-" for 0.
QString RpmOfPeriod(double p)
{
    return p == 0 ? QStringLiteral("-") : QString::number(std::lround(2.244e7 / p / 150));
}
double PcolOfPeriod(double p) { return (1.0628 * p - 10.84) / 100; }

// The byte typed into an edit (a whole number 0..255), or nothing once the
// refusal, naming the field, has been shown.
std::optional<uint8_t> ByteOf(QLineEdit *edit, const QString &caption)
{
    const auto v = TypedInput::ReadInt(edit, caption, 0, 255);
    return v ? std::optional<uint8_t>(uint8_t(*v)) : std::nullopt;
}

// The number typed into an edit (its range is checked by its user), or
// nothing once the refusal, naming the field, has been shown.
std::optional<double> NumberOf(QLineEdit *edit, const QLabel *label)
{
    constexpr double any = std::numeric_limits<double>::infinity();
    return TypedInput::Read(edit, label ? label->text() : QString(), {-any, any});
}

void SetChecked(QAbstractButton *box, bool on)
{
    if (box)
        TCommon::SetCheckedSilently(box, on);
}

} // namespace

void TFormMain::ServiceCaption(const char *button, const QString &text)
{
    if (auto *b = Component<QAbstractButton>(button))
        b->setText(text);
}

void TFormMain::SelectByTable(const char *combo, const uint16_t *table, int count, uint16_t value)
{
    auto *box = Component<QComboBox>(combo);
    if (!box)
        return;
    int index = -1;
    for (int i = 0; i < count && index < 0; ++i)
        if (table[i] == value)
            index = i;
    // A table value that no item shows leaves the list without selection.
    box->setCurrentIndex(index < box->count() ? index : -1);
}

// ---------------------------------------------------------------------------
// Gas-injector test and cleaning

void TFormMain::BtnShowTestFormClick()
{
    if (!LinkReady() || !ShowInjectorTestWindow || FServiceToolRunning)
        return;
    FServiceToolRunning = true;
    hide();
    ShowInjectorTestWindow();
    // However the test window was closed, the device leaves the test.
    DataManager->ActuatorTest18(1);
    QThread::msleep(1000);
    if (DeviceRecord.GasSwitchState < 4)
        DataManager->ActuatorTest18(2);
    show();
    FServiceToolRunning = false;
}

namespace {

// Catches the main window's close while the cleaning runs: the channels are
// switched off at once, before the window's closing takes the port away.
class TCloseWatch : public QObject
{
public:
    TCloseWatch(QObject *window, bool &closing) : FWindow(window), FClosing(closing)
    {
        window->installEventFilter(this);
    }
    ~TCloseWatch() override { FWindow->removeEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == FWindow && event->type() == QEvent::Close && !FClosing) {
            FClosing = true;
            if (DataManager)
                DataManager->ActuatorCmd39(0);
        }
        return false;
    }

private:
    QObject *FWindow;
    bool &FClosing;
};

} // namespace

void TFormMain::BtnDgnInjCleaningClick()
{
    if (FServiceToolRunning)
        return;
    FServiceToolRunning = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    bool closing = false;
    if (LinkReady()) {
        TCloseWatch watch(this, closing);
        DataManager->SetWorkType(4);
        DataManager->ActuatorCmd39(0);
        if (!WaitFormInjClean) {
            WaitFormInjClean = new TWaitForm(this);
            WaitFormInjClean->setObjectName(QStringLiteral("WaitFormInjClean"));
        }
        auto *cycles = Component<QSpinBox>("UpDDgnCycles");
        const int injectors = std::min<int>(DeviceRecord.InjSW, 8);
        // Titled in the language in use, not by the window manager.
        WaitFormInjClean->SetCaption(TranslateKey(QStringLiteral("strInjCleaningTitle")));
        WaitFormInjClean->SetCancelButton(true);
        WaitFormInjClean->SetCancelText(TranslateKey(QStringLiteral("SMsgDlgCancel")));
        WaitFormInjClean->SetStatusText(TranslateKey(QStringLiteral("strInjCleaning")));
        WaitFormInjClean->SetTimeout(
            unsigned(std::max(1, cycles ? cycles->value() : 1) * (injectors * 500 + 5000)));
        WaitFormInjClean->Start();

        // Waits the time while the wait window answers; false when it was
        // cancelled or closed, or the main window is closing.
        const auto pause = [&](int ms) {
            const qint64 until = Now() + ms;
            while (Now() < until) {
                const bool timerOn = Timerek && Timerek->isActive();
                if (Timerek)
                    Timerek->stop();
                if (WaitFormInjClean)
                    WaitFormInjClean->ProcessMessages();
                if (timerOn && Timerek && !FClosed)
                    Timerek->start();
                if (!WaitFormInjClean || WaitFormInjClean->Cancelled() || closing || FClosed)
                    return false;
                QThread::msleep(50);
            }
            return true;
        };
        bool running = true;
        for (int cycle = 1; running && cycle <= (cycles ? cycles->value() : 1); ++cycle) {
            running = pause(4000);
            for (int i = 0; running && i < injectors; ++i) {
                DataManager->ActuatorCmd39(uint8_t(1u << i));
                BtnDngReadEmulatorClick();
                repaint();
                running = pause(500);
            }
        }
    }
    // Always: every channel off.
    if (!closing && DataManager)
        DataManager->ActuatorCmd39(0);
    if (WaitFormInjClean)
        WaitFormInjClean->Hide();
    QGuiApplication::restoreOverrideCursor();
    FServiceToolRunning = false;
}

// ---------------------------------------------------------------------------
// Counters and resets

void TFormMain::BtnDgnAdvEmergencyStartsResetClick()
{
    if (!LinkReady())
        return;
    DataManager->WriteCounter34(1, 0);
    BtnDngReadEmulatorClick();
}

void TFormMain::BtnResetTempVariableClick()
{
    if (LinkReady())
        DataManager->ActuatorTest18(3);
}

void TFormMain::Button14Click()
{
    if (LinkReady())
        DataManager->WriteCounter34(180, 255);
}

void TFormMain::BtnSrvReadTpcbClick()
{
    if (DataManager)
        ServiceCaption("BtnSrvReadTpcb", QStringLiteral("Tpcb=") + FormatTemperature(DataManager->ReadCounter33(180)));
}

void TFormMain::BtnSrvReadCntResetClick()
{
    if (DataManager)
        ServiceCaption("BtnSrvReadCntReset",
                       QStringLiteral("Read cntReset = %1").arg(DataManager->ReadCounter33(4)));
}

void TFormMain::BtnSrvReadCurrInjClick()
{
    if (!DataManager)
        return;
    const uint8_t max = DataManager->ReadCounter33(181);
    const uint8_t min = DataManager->ReadCounter33(182);
    ServiceCaption("BtnSrvReadCurrInj", QStringLiteral("CurrInj: ")
                                            + QStringLiteral("Max=%1 V").arg(FormatFloat2(RawToVoltage(max)))
                                            + QLatin1Char(' ')
                                            + QStringLiteral("Min: %1 V").arg(FormatFloat2(RawToVoltage(min))));
}

void TFormMain::BtnSrvReadCurrClick()
{
    if (!DataManager)
        return;
    const uint8_t low = DataManager->ReadCounter33(182);
    const uint8_t high = DataManager->ReadCounter33(181);
    ServiceCaption("BtnSrvReadCurr", QStringLiteral("Curr Low=%1 Hi=%2").arg(low).arg(high));
}

void TFormMain::BtnSrvClearClick()
{
    if (!DataManager)
        return;
    DataManager->WriteCmd32(181, 255);
    ServiceCaption("BtnSrvReadCurrInj", QStringLiteral("CurrInj: Max=0 Min=0"));
}

void TFormMain::ServiceReadAll(bool pause)
{
    const auto step = [pause] {
        if (pause)
            QThread::msleep(10);
    };
    BtnSrvReadCAP_TIE_enableClick();
    step();
    BtnSrvReadTpcbClick();
    step();
    BtnSrvReadCntResetClick();
    step();
    BtnSrvReadCurrInjClick();
}

void TFormMain::Button5Click() { ServiceReadAll(true); }

void TFormMain::BtnSrvReadCAP_TIE_enableClick()
{
    if (DataManager)
        SetChecked(Component<QAbstractButton>("ChBDgnCAP_TIE_enable"), DataManager->ReadParameter8(6) == 1);
}

void TFormMain::ChBDgnCAP_TIE_enableClick()
{
    auto *box = Component<QAbstractButton>("ChBDgnCAP_TIE_enable");
    if (DataManager && box)
        DataManager->WriteParamByte(6, box->isChecked() ? 1 : 0);
}

void TFormMain::BtnSrvSoftVerClick()
{
    if (!Connected())
        return;
    const uint8_t request[4] = {0xC0, 0x53, 0x00, 0x13};
    uint8_t answer[4] = {};
    if (DataManager->SendAndReceive(request, 4, answer, 4))
        ServiceCaption("BtnSrvSoftVer", QStringLiteral("SoftVer=%1").arg(QChar(answer[2])));
}

void TFormMain::BtnReadATDClick()
{
    if (DataManager)
        ServiceCaption("BtnReadATD", QStringLiteral("ATD15=%1").arg(DataManager->ReadValue16(25)));
}

// ---------------------------------------------------------------------------
// Test mode, master mode and the service parameters

void TFormMain::BtnSrvTMReadClick()
{
    if (!DataManager)
        return;
    SetChecked(Component<QAbstractButton>("ChBSrvTestMode"), DataManager->ReadParameter8(24) != 0);
    if (auto *p1 = Component<QLineEdit>("EdtSrvTestP1"))
        p1->setText(QString::number(DataManager->ReadParameter8(25)));
    if (auto *p2 = Component<QLineEdit>("EdtSrvTestP2"))
        p2->setText(QString::number(DataManager->ReadParameter8(26)));
}

void TFormMain::BtnSrvTMWriteClick()
{
    if (!DataManager)
        return;
    // The parameters are named as the test-mode group names them.
    auto *group = Component<QGroupBox>("groupTestMode");
    const QString name = group ? group->title() + u' ' : QString();
    const auto p1 = ByteOf(Component<QLineEdit>("EdtSrvTestP1"), name + QStringLiteral("P1"));
    const auto p2 = p1 ? ByteOf(Component<QLineEdit>("EdtSrvTestP2"), name + QStringLiteral("P2")) : std::nullopt;
    if (!p1 || !p2)
        return;
    auto *mode = Component<QAbstractButton>("ChBSrvTestMode");
    DataManager->WriteParamByte(24, mode && mode->isChecked() ? 1 : 0);
    DataManager->WriteParamByte(25, *p1);
    DataManager->WriteParamByte(26, *p2);
}

void TFormMain::ChBSrvMasterModeClick()
{
    auto *box = Component<QAbstractButton>("ChBSrvMasterMode");
    if (DataManager && box)
        DataManager->WriteParamByte(27, box->isChecked() ? 1 : 0);
}

void TFormMain::Button10Click()
{
    if (DataManager)
        SetChecked(Component<QAbstractButton>("ChBSrvMasterMode"), DataManager->ReadParameter8(27) != 0);
}

void TFormMain::Button3Click()
{
    if (!DataManager)
        return;
    const uint8_t condition = DataManager->ReadParameter8(15);
    if (auto *combo = Component<QComboBox>("CmbMykCondition"))
        combo->setCurrentIndex(condition < combo->count() ? condition : -1);
    if (auto *p1 = Component<QLineEdit>("EdtP1"))
        p1->setText(QString::number(DataManager->ReadParameter8(13)));
    if (auto *p2 = Component<QLineEdit>("EdtP2"))
        p2->setText(QString::number(DataManager->ReadParameter8(14)));
    EdtPChange();
}

void TFormMain::Button4Click()
{
    if (!DataManager)
        return;
    const auto p1 = ByteOf(Component<QLineEdit>("EdtP1"), QStringLiteral("P1"));
    const auto p2 = p1 ? ByteOf(Component<QLineEdit>("EdtP2"), QStringLiteral("P2")) : std::nullopt;
    if (!p1 || !p2)
        return;
    auto *combo = Component<QComboBox>("CmbMykCondition");
    DataManager->WriteParamByte(15, uint8_t(combo && combo->currentIndex() > 0 ? combo->currentIndex() : 0));
    DataManager->WriteParamByte(13, *p1);
    DataManager->WriteParamByte(14, *p2);
}

void TFormMain::EdtPChange()
{
    auto *e1 = Component<QLineEdit>("EdtP1");
    auto *e2 = Component<QLineEdit>("EdtP2");
    auto *label = Component<QLabel>("LblTemp");
    if (!e1 || !e2 || !label || e1->text().isEmpty() || e2->text().isEmpty())
        return;
    const double p1 = SafeStrToInt(e1->text());
    const double p2 = SafeStrToInt(e2->text());
    label->setText(QStringLiteral("RPM(P1/P2)=%1 / %2;  Pcol(P1/P2)=%3 / %4")
                       .arg(RpmOfPeriod(p1), RpmOfPeriod(p2))
                       .arg(FormatFloat2(PcolOfPeriod(p1)), FormatFloat2(PcolOfPeriod(p2))));
}

void TFormMain::BtnTcalcRPMClick()
{
    auto *edit = Component<QLineEdit>("EdtTRpm");
    const double t = SafeStrToFloat(edit ? edit->text() : QString());
    ServiceCaption("BtnTcalcRPM", QStringLiteral("calcRPM=") + RpmOfPeriod(t)
                                      + QStringLiteral(" calcPcol=") + FormatDecimals((100 * t + 10.84) / 1.0628, 1));
}

void TFormMain::Button2Click()
{
    if (!DataManager)
        return;
    DataManager->WriteCounter34(4, 0);
    DataManager->WriteParamByte(15, 16);
    DataManager->WriteParamByte(13, 38);
    DataManager->WriteParamByte(14, 48);
}

void TFormMain::Button7Click()
{
    if (DataManager)
        DataManager->WriteCounter34(4, 200);
}

void TFormMain::Button1Click()
{
    if (!DataManager)
        return;
    for (const ServiceValue &v : kServiceBlock) {
        if (v.Word)
            DataManager->WriteCmd32(v.Index, v.Value);
        else
            DataManager->WriteCounter34(v.Index, uint8_t(v.Value));
    }
}

void TFormMain::Button9Click()
{
    auto *view = Component<QChartView>("ChtPrad");
    if (!view || !view->chart())
        return;
    for (QAbstractSeries *series : view->chart()->series())
        if (auto *xy = qobject_cast<QXYSeries *>(series))
            xy->clear();
}

// ---------------------------------------------------------------------------
// Gas injection time limits and options

void TFormMain::Button17Click()
{
    if (!LinkReady())
        return;
    const uint8_t options = DataManager->ReadParameter8(36);
    const char *boxes[] = {"ChBTestSourceLIN", "ChBTestCorrectionSumary", "ChBTestOption3",
                           "ChBTestOption4", "ChBTestOption5"};
    for (int bit = 0; bit < 5; ++bit)
        SetChecked(Component<QAbstractButton>(boxes[bit]), options & (1u << bit));
    SelectByTable("CmBMinGasInjTime", kMinGasInjTime.data(), int(kMinGasInjTime.size()),
                  DataManager->ReadParamWord(20));
    SelectByTable("CmBMaxGasInjTime", kMaxGasInjTime.data(), int(kMaxGasInjTime.size()),
                  DataManager->ReadParamWord(21));
    if (DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("I"))) {
        const uint8_t threshold = DataManager->ReadParameter8(54);
        if (auto *combo = Component<QComboBox>("CmBValveStateLowPcolThreshold"))
            combo->setCurrentIndex(threshold >= 4 && threshold - 4 < combo->count() ? threshold - 4 : -1);
    }
}

void TFormMain::Button20Click()
{
    if (!LinkReady())
        return;
    const char *boxes[] = {"ChBTestSourceLIN", "ChBTestCorrectionSumary", "ChBTestOption3",
                           "ChBTestOption4", "ChBTestOption5"};
    uint8_t options = 0;
    for (int bit = 0; bit < 5; ++bit)
        if (auto *box = Component<QAbstractButton>(boxes[bit]); box && box->isChecked())
            options |= uint8_t(1u << bit);
    DataManager->WriteParamByte(36, options);
    auto *min = Component<QComboBox>("CmBMinGasInjTime");
    if (min && min->currentIndex() >= 0 && min->currentIndex() < int(kMinGasInjTime.size()))
        DataManager->WriteParamWord(20, kMinGasInjTime[size_t(min->currentIndex())]);
    auto *max = Component<QComboBox>("CmBMaxGasInjTime");
    if (max && max->currentIndex() >= 0 && max->currentIndex() < int(kMaxGasInjTime.size()))
        DataManager->WriteParamWord(21, kMaxGasInjTime[size_t(max->currentIndex())]);
    auto *threshold = Component<QComboBox>("CmBValveStateLowPcolThreshold");
    if (DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("I")) && threshold
        && threshold->currentIndex() >= 0)
        DataManager->WriteParamByte(54, uint8_t(threshold->currentIndex() + 4));
}

// ---------------------------------------------------------------------------
// Injector control block

void TFormMain::BtnTestInjControlReadClick()
{
    if (!LinkReady() || !DataManager->ReadInjControl())
        return;
    const auto &b = DataManager->InjControlBlock;
    const unsigned fullOpen = unsigned(b[0]) << 8 | b[1];
    const unsigned period = b[2];
    const unsigned onTime = b[3];
    if (auto *e = Component<QLineEdit>("EdtInjFullOpenTime"))
        e->setText(FormatDecimals(fullOpen / 187.0, 1));
    if (auto *e = Component<QLineEdit>("EdtInjPwmFreq"))
        e->setText(QString::number(period ? std::lround(1.0 / (period * kPwmTick)) : 0));
    if (auto *e = Component<QLineEdit>("EdtInjPwmDuty"))
        e->setText(QString::number(period ? std::lround(double(onTime) / period * 100) : 0));
}

void TFormMain::BtnTestInjControlWriteClick()
{
    if (!LinkReady())
        return;
    const auto frequency = NumberOf(Component<QLineEdit>("EdtInjPwmFreq"), Component<QLabel>("labelInjPwmFreq"));
    const auto duty =
        frequency ? NumberOf(Component<QLineEdit>("EdtInjPwmDuty"), Component<QLabel>("labelInjPwmDuty")) : std::nullopt;
    const auto ms = duty ? NumberOf(Component<QLineEdit>("EdtInjFullOpenTime"), Component<QLabel>("labelInjFullOpenTime"))
                         : std::nullopt;
    if (!ms)
        return;
    // Only values the block can carry are written: a period of 1..255 ticks,
    // an on-time within the period, an opening time within 16 bits.
    const double period = *frequency > 0 ? std::round(1.0 / *frequency / kPwmTick) : 0;
    const double onTime = std::round(period * *duty / 100);
    const double fullOpen = std::round(*ms * 187);
    if (period < 1 || period > 255 || *duty < 0 || onTime > period || fullOpen < 0 || fullOpen > 65535) {
        // The numbers as typed, with the decimal separator of the language shown.
        const auto shown = [](double v) { return FormatDecimals(v, ShortestDecimals); };
        if (Common)
            Common->ShowError(TranslateKey(QStringLiteral("strInjControlOutOfRange"))
                                  .arg(shown(*frequency), shown(*duty), shown(*ms)));
        return;
    }
    // The rest of the block goes back as it was read.
    auto &b = DataManager->InjControlBlock;
    b[0] = uint8_t(unsigned(fullOpen) >> 8);
    b[1] = uint8_t(unsigned(fullOpen));
    b[2] = uint8_t(period);
    b[3] = uint8_t(onTime);
    DataManager->WriteInjControl();
}

// ---------------------------------------------------------------------------
// Lambda emulation

void TFormMain::BtnDgnELAMReadClick()
{
    for (uint8_t n = 1; n <= 5; ++n) {
        if (!Connected())
            return;
        const uint16_t value = DataManager->ReadParamWord(n);
        switch (n) {
        case 1:
            SelectByTable("CmBELAM1", kElamOffset.data(), int(kElamOffset.size()), value);
            break;
        case 2:
            SelectByTable("CmBELAM2", kElamUnit.data(), int(kElamUnit.size()), value);
            break;
        case 3:
        case 4: {
            if (auto *e = Component<QLineEdit>(n == 3 ? "EdtELAM_Hi" : "EdtELAM_Lo"))
                e->setText(QString::number(value));
            SelectByTable(n == 3 ? "CmBELAM_Hi" : "CmBELAM_Lo", kElamUnit.data(), int(kElamUnit.size()), value);
            break;
        }
        default:
            if (auto *combo = Component<QComboBox>("CmBELAM_Func"))
                combo->setCurrentIndex((value & 0xFF) < combo->count() ? int(value & 0xFF) : -1);
            CmBELAM_FuncChange();
            break;
        }
    }
}

void TFormMain::BtnDgnELAMWriteClick()
{
    const struct {
        const char *Combo;
        const uint16_t *Table;
        const char *Error;
    } items[] = {
        {"CmBELAM1", kElamOffset.data(), "error ELAM1"},
        {"CmBELAM2", kElamUnit.data(), "error ELAM2"},
        {"CmBELAM_Hi", kElamUnit.data(), "error ELAM_Hi"},
        {"CmBELAM_Lo", kElamUnit.data(), "error ELAM_Lo"},
        {"CmBELAM_Func", nullptr, "error ELAM_Func"},
    };
    for (uint8_t n = 1; n <= 5; ++n) {
        if (!Connected())
            return;
        const auto &item = items[n - 1];
        auto *combo = Component<QComboBox>(item.Combo);
        const int index = combo ? combo->currentIndex() : -1;
        if (index < 0 || index > 10) {
            // A list without a selection is reported and not written.
            if (Common)
                Common->ShowError(QString::fromLatin1(item.Error));
            continue;
        }
        DataManager->WriteParamWord(n, item.Table ? item.Table[index] : uint16_t(index));
    }
}

void TFormMain::CmBELAM_FuncChange()
{
    auto *combo = Component<QComboBox>("CmBELAM_Func");
    auto *f1 = Component<QWidget>("Pnl_ELAM_F1");
    auto *f2 = Component<QWidget>("Pnl_ELAM_F2");
    if (!combo || !f1 || !f2)
        return;
    if (combo->currentIndex() == 0) {
        f2->show();
        f1->hide();
    } else if (combo->currentIndex() == 1) {
        f1->show();
        f2->hide();
    }
}

void TFormMain::BtnSrvTesterClick() {}
void TFormMain::BtnSrvTesterAdapterClick() {}
void TFormMain::SpBDebugTestyClick() {}
