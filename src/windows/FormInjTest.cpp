#include "windows/FormInjTest.h"

#include "controls/ChangeHelper.h"
#include "controls/PaintShape.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

#include <cmath>

namespace {

constexpr quint16 NoResult = 350;
constexpr int StablePcolRange = 10;
const QColor Green(0, 0x80, 0);
const QColor Red(0xFF, 0, 0);

bool connected()
{
    return DataManager && DataManager->GetConnected();
}

// The hourglass for the lifetime of the object.
struct TBusyCursor {
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};

QString named(const char *base, int index)
{
    return QString::fromLatin1(base) + QString::number(index);
}

} // namespace

// ---- Chart -------------------------------------------------------------------

TInjTestChart::TInjTestChart(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void TInjTestChart::Clear()
{
    for (auto &series : FPoints)
        series.clear();
    update();
}

void TInjTestChart::AddXY(int series, int cylinder, double value)
{
    FPoints[size_t(series)].append(QPointF(cylinder, value));
    update();
}

void TInjTestChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int rows = TFormInjTest::MaxCylinders;
    const int labelWidth = 24;
    const double rowHeight = double(height() - 8) / rows;
    const QColor colours[2] = {QColor(0x40, 0x70, 0xC0), QColor(0xE0, 0x90, 0x20)};
    painter.setPen(Qt::gray);
    painter.drawLine(labelWidth, 4, labelWidth, height() - 4);
    for (int row = 0; row < rows; ++row) {
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, 4 + row * rowHeight, labelWidth - 4, rowHeight), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(row + 1));
    }
    for (int s = 0; s < 2; ++s) {
        double largest = 0;
        for (const QPointF &p : FPoints[size_t(s)])
            largest = std::max(largest, p.y());
        if (largest <= 0)
            continue;
        for (const QPointF &p : FPoints[size_t(s)]) {
            const int row = int(p.x()) - 1;
            if (row < 0 || row >= rows || p.y() <= 0)
                continue;
            const double barHeight = rowHeight * 0.4;
            const double top = 4 + row * rowHeight + rowHeight * 0.1 + s * barHeight;
            const double length = (width() - labelWidth - 60) * p.y() / largest;
            painter.fillRect(QRectF(labelWidth + 1, top, length, barHeight), colours[s]);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(labelWidth + 4 + length, top, 56, barHeight), Qt::AlignLeft | Qt::AlignVCenter,
                             FormatDecimals(p.y(), 1));
        }
    }
}

// ---- Window ------------------------------------------------------------------

TFormInjTest::TFormInjTest(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormInjTest"));
    setWindowTitle(QStringLiteral("Test wtryskiwaczy gazowych"));
    resize(660, 470);

    ChartGasEfficiencyTest = NewNamed<TInjTestChart>(this, "ChartGasEfficiencyTest", {8, 8, 400, 300});
    // The legend in the colours of the bars.
    NewNamed<QLabel>(this, "LblSeries1", {8, 310, 200, 18}, QStringLiteral("Liczba cykli"))
        ->setStyleSheet(QStringLiteral("color: #4070C0; font-weight: bold;"));
    NewNamed<QLabel>(this, "LblSeries26", {210, 310, 200, 18}, QStringLiteral("Wydajność"))
        ->setStyleSheet(QStringLiteral("color: #E09020; font-weight: bold;"));

    PnlTestActiveCylinderMask = NewNamed<QFrame>(this, "PnlTestActiveCylinderMask", {416, 8, 236, 196});
    PnlTestActiveCylinderMask->setFrameShape(QFrame::StyledPanel);
    for (int i = 0; i < MaxCylinders; ++i) {
        const int x = 8 + (i % 2) * 112, y = 8 + (i / 2) * 24;
        ChBTestActiveCylinderMask[size_t(i)] = new QCheckBox(QStringLiteral("Cyl. %1").arg(i + 1), PnlTestActiveCylinderMask);
        ChBTestActiveCylinderMask[size_t(i)]->setObjectName(named("ChBTestActiveCylinderMask", i + 1));
        ChBTestActiveCylinderMask[size_t(i)]->setGeometry(x + 20, y, 80, 20);
        ShpActiveGasInjector[size_t(i)] = new TPaintShape(PnlTestActiveCylinderMask);
        ShpActiveGasInjector[size_t(i)]->setObjectName(named("ShpActiveGasInjector", i + 1));
        ShpActiveGasInjector[size_t(i)]->SetShape(TPaintShape::stEllipse);
        ShpActiveGasInjector[size_t(i)]->setGeometry(x, y + 3, 14, 14);
        ShpActiveGasInjector[size_t(i)]->SetBrush(Red);
    }
    BtBSetAllCylindersActive = NewNamed<QPushButton>(PnlTestActiveCylinderMask, "BtBSetAllCylindersActive",
                                                     {8, 108, 108, 25}, QStringLiteral("Wszystkie"));
    BtBSetAllCylindersInactive = NewNamed<QPushButton>(PnlTestActiveCylinderMask, "BtBSetAllCylindersInactive",
                                                       {120, 108, 108, 25}, QStringLiteral("Żaden"));
    BtnStartTest = NewNamed<QPushButton>(this, "BtnStartTest", {416, 212, 116, 30}, QStringLiteral("Start"));
    GaugeInjTest = NewNamed<QProgressBar>(this, "GaugeInjTest", {416, 248, 236, 20});
    GaugeInjTest->setRange(0, 100);
    GaugeInjTest->hide();
    LblInjTestResult = NewNamed<QLabel>(this, "LblInjTestResult", {416, 274, 236, 40});
    LblInjTestResult->setWordWrap(true);
    QFont bold = LblInjTestResult->font();
    bold.setBold(true);
    LblInjTestResult->setFont(bold);
    LblInjTestResult->hide();

    GrBDeviceCorrection = NewNamed<QGroupBox>(this, "GrBDeviceCorrection", {8, 332, 644, 96});
    GrBDeviceCorrection->setTitle(QStringLiteral("Korekcja wtryskiwaczy gazowych [%]"));
    NewNamed<QLabel>(GrBDeviceCorrection, "LblCorrDevice", {4, 22, 70, 18}, QStringLiteral("Sterownik"));
    NewNamed<QLabel>(GrBDeviceCorrection, "LblCorrCalculated", {4, 48, 70, 18}, QStringLiteral("Obliczona"));
    for (int i = 0; i < MaxCylinders; ++i) {
        const int x = 78 + i * 58;
        EdtCorrGasInj[size_t(i)] = NewNamed<QLineEdit>(GrBDeviceCorrection, "", {x, 20, 36, 22});
        EdtCorrGasInj[size_t(i)]->setObjectName(named("EdtCorrGasInj", i + 1));
        EdtCorrGasInj[size_t(i)]->setReadOnly(true);
        UpDCorrGasInj[size_t(i)] = NewNamed<QSpinBox>(GrBDeviceCorrection, "", {x + 36, 20 - 4, 18, 22 + 8});
        UpDCorrGasInj[size_t(i)]->setObjectName(named("UpDCorrGasInj", i + 1));
        UpDCorrGasInj[size_t(i)]->setRange(-20, 20);
        UpDCorrGasInj[size_t(i)]->setStyleSheet(QStringLiteral("QSpinBox { color: transparent; }"));
        QLineEdit *edit = EdtCorrGasInj[size_t(i)];
        connect(UpDCorrGasInj[size_t(i)], &QSpinBox::valueChanged, edit,
                [edit](int value) { edit->setText(QString::number(value)); });
        edit->setText(QStringLiteral("0"));
        EdtCalculatedCorrCyl[size_t(i)] = NewNamed<QLineEdit>(GrBDeviceCorrection, "", {x, 46, 54, 22});
        EdtCalculatedCorrCyl[size_t(i)]->setObjectName(named("EdtCalculatedCorrCyl", i + 1));
        EdtCalculatedCorrCyl[size_t(i)]->setReadOnly(true);
    }
    BtBReadGasInjCorrTab = NewNamed<QPushButton>(this, "BtBReadGasInjCorrTab", {8, 436, 90, 26}, QStringLiteral("Odczytaj"));
    BtBWriteGasInjTab = NewNamed<QPushButton>(this, "BtBWriteGasInjTab", {102, 436, 90, 26}, QStringLiteral("Zapisz"));
    BtBClearGasInjCorrTab = NewNamed<QPushButton>(this, "BtBClearGasInjCorrTab", {196, 436, 90, 26}, QStringLiteral("Zeruj"));
    BtBCopyCorrToDevice =
        NewNamed<QPushButton>(this, "BtBCopyCorrToDevice", {290, 436, 150, 26}, QStringLiteral("Kopiuj obliczone"));
    BtnClose = NewNamed<QPushButton>(this, "BtnClose", {562, 436, 90, 26}, QStringLiteral("Zamknij"));

    TimerInjectorsEfficiencyTest = new QTimer(this);
    TimerInjectorsEfficiencyTest->setObjectName(QStringLiteral("TimerInjectorsEfficiencyTest"));
    TimerInjectorsEfficiencyTest->setInterval(1000);
    TimerCheckingPcol = new QTimer(this);
    TimerCheckingPcol->setObjectName(QStringLiteral("TimerCheckingPcol"));
    TimerCheckingPcol->setInterval(100);
    ChangeHelper = new TChangeHelper(this);

    connect(TimerInjectorsEfficiencyTest, &QTimer::timeout, this, [this] {
        FBlink = !FBlink;
        EvaluateInjectorTest();
    });
    connect(TimerCheckingPcol, &QTimer::timeout, this, &TFormInjTest::TimerCheckingPcolTimer);
    connect(BtnStartTest, &QPushButton::clicked, this, &TFormInjTest::BtnStartTestClick);
    connect(BtnClose, &QPushButton::clicked, this, &TFormInjTest::reject);
    connect(BtBSetAllCylindersActive, &QPushButton::clicked, this, &TFormInjTest::BtBSetAllCylindersActiveClick);
    connect(BtBSetAllCylindersInactive, &QPushButton::clicked, this, &TFormInjTest::BtBSetAllCylindersInactiveClick);
    connect(BtBClearGasInjCorrTab, &QPushButton::clicked, this, &TFormInjTest::BtBClearGasInjCorrTabClick);
    connect(BtBReadGasInjCorrTab, &QPushButton::clicked, this, &TFormInjTest::BtBReadGasInjCorrTabClick);
    connect(BtBWriteGasInjTab, &QPushButton::clicked, this, &TFormInjTest::BtBWriteGasInjTabClick);
    connect(BtBCopyCorrToDevice, &QPushButton::clicked, this, &TFormInjTest::BtBCopyCorrToDeviceClick);
    connect(ChangeHelper, &TChangeHelper::OnModified, this, [this] { SetCorrTableModified(true); });

    // Creation: the configured cylinders ticked, the table read, one look.
    const int count = std::min<int>(DeviceRecord.InjSW, MaxCylinders);
    for (int i = 0; i < count; ++i)
        ChBTestActiveCylinderMask[size_t(i)]->setChecked(true);
    BtBReadGasInjCorrTabClick();
    EvaluateInjectorTest();
    TimerInjectorsEfficiencyTest->start();
}

TFormInjTest::~TFormInjTest() = default;

void TFormInjTest::showEvent(QShowEvent *event)
{
    if (FFirstShow) {
        FFirstShow = false;
        const QString title = TCommon::ApplicationTitle();
        if (!title.isEmpty())
            setWindowTitle(windowTitle() + QStringLiteral(" - ") + title);
        EnableCylinderControls();
        ChangeHelper->AttachTo(GrBDeviceCorrection);
    }
    QDialog::showEvent(event);
}

void TFormInjTest::EnableCylinderControls()
{
    for (int i = 0; i < MaxCylinders; ++i) {
        const bool used = i < FCylinderCount;
        for (QWidget *w : std::initializer_list<QWidget *>{ChBTestActiveCylinderMask[size_t(i)],
                                                          ShpActiveGasInjector[size_t(i)], EdtCorrGasInj[size_t(i)],
                                                          UpDCorrGasInj[size_t(i)], EdtCalculatedCorrCyl[size_t(i)]})
            w->setEnabled(used);
        const QRect e = EdtCorrGasInj[size_t(i)]->geometry();
        UpDCorrGasInj[size_t(i)]->setGeometry(e.right() + 1, e.top() - 4, 18, e.height() + 8);
    }
}

int TFormInjTest::GradeInjectorTest(const quint16 *times, int count, std::array<double, MaxCylinders> &corrections)
{
    corrections.fill(0);
    count = std::clamp(count, 0, int(MaxCylinders));
    if (count == 0)
        return 0;
    double mean = 0;
    for (int i = 0; i < count; ++i)
        mean += times[i];
    mean /= count;
    int reference = 0;
    for (int i = 1; i < count; ++i)
        if (std::abs(times[i] - mean) < std::abs(times[reference] - mean))
            reference = i;
    int verdict = 1;
    const double tr = times[reference];
    for (int i = 0; i < count; ++i) {
        corrections[size_t(i)] = tr != 0 ? (times[i] - tr) / tr * 100.0 : 0.0;
        const double a = std::abs(corrections[size_t(i)]);
        verdict = std::max(verdict, a < 5 ? 1 : a < 15 ? 2 : 3);
    }
    return verdict;
}

void TFormInjTest::EvaluateInjectorTest()
{
    int progress = 0;
    if (connected()) {
        TBusyCursor cursor;
        DataManager->ReadInjTest90();
        DataManager->ReadInjTest91();
        DataManager->ReadPage(5);
        progress = DataManager->ReadValue16(36);
        FCylinderCount = std::min<int>(DeviceRecord.InjSW, MaxCylinders);
    } else {
        FCylinderCount = 4;
    }
    const TDeviceRecord &r = DeviceRecord;
    // A device that no longer answers runs no test.
    FRunning = connected() && r.IdentityPage5 == 2;
    const int current = r.InjTestBytes[2];
    BtnStartTest->setText(TranslateKey(FRunning ? QStringLiteral("strStop") : QStringLiteral("strStart")));
    PnlTestActiveCylinderMask->setEnabled(!FRunning);
    // The stop button stays usable while the mask panel is locked.
    BtnStartTest->setEnabled(true);
    GaugeInjTest->setVisible(FRunning);
    GaugeInjTest->setValue(std::clamp(progress, 0, 100));

    ChartGasEfficiencyTest->Clear();
    for (int i = 1; i <= FCylinderCount; ++i) {
        const quint32 raw = r.InjTestCounters[size_t(i - 1)];
        const quint16 time = r.InjTestWords[size_t(i - 1)];
        double efficiency = raw != 0 ? std::round(10000000.0 / raw) / 10.0 : 0.0;
        double cycles = 0;
        if (time > 0 && time < NoResult)
            cycles = 1000.0 / time;
        else
            efficiency = 0;
        if (FRunning) {
            if (i == current + 1) {
                ChartGasEfficiencyTest->AddXY(0, i, 0);
                ChartGasEfficiencyTest->AddXY(1, i, 0);
            }
        } else {
            ChartGasEfficiencyTest->AddXY(0, i, cycles);
            ChartGasEfficiencyTest->AddXY(1, i, efficiency);
        }
    }
    for (int i = 1; i <= MaxCylinders; ++i) {
        QColor colour = Red;
        if (FRunning && ChBTestActiveCylinderMask[size_t(i - 1)]->isChecked()) {
            if (i < current + 1)
                colour = Green;
            else if (i == current + 1)
                colour = FBlink ? Green : Red;
        }
        ShpActiveGasInjector[size_t(i - 1)]->SetBrush(colour);
    }

    if (r.InjTestBytes[0] == 0 || FCylinderCount == 0) {
        LblInjTestResult->hide();
        return;
    }
    const bool noneMeasured = std::all_of(r.InjTestWords.begin(), r.InjTestWords.begin() + FCylinderCount,
                                          [](quint16 t) { return t == NoResult; });
    const int verdict = noneMeasured ? 4 : GradeInjectorTest(r.InjTestWords.data(), FCylinderCount, FCorrections);
    if (!noneMeasured)
        for (int i = 0; i < FCylinderCount; ++i)
            EdtCalculatedCorrCyl[size_t(i)]->setText(
                QStringLiteral("%1%").arg(qRound(FCorrections[size_t(i)])));
    static const char *const verdicts[] = {"strGasInjInNorm", "strGasInjToCorrect", "strGasInjToReplaced",
                                           "strValveMayBeCorrupted"};
    LblInjTestResult->setText(TranslateKey(QString::fromLatin1(verdicts[verdict - 1])));
    LblInjTestResult->show();
}

void TFormInjTest::stopTest()
{
    TimerCheckingPcol->stop();
    FRunning = false;
    if (connected())
        DataManager->SetWorkType(0);
    BtnStartTest->setText(TranslateKey(QStringLiteral("strStart")));
    PnlTestActiveCylinderMask->setEnabled(true);
    GaugeInjTest->hide();
}

void TFormInjTest::BtnStartTestClick()
{
    if (FRunning) {
        // A running test can always be stopped.
        stopTest();
        return;
    }
    if (RawToTemperature(DeviceRecord.ReducerTempRaw) < 60) {
        if (Common)
            Common->ShowWarning(TranslateKey(QStringLiteral("strTredLow60")) + QLatin1Char(' ')
                                    + TranslateKey(QStringLiteral("strTryAgain")),
                                TCommon::ApplicationTitle());
        return;
    }
    if (!connected())
        return;
    uint8_t mask = 0;
    for (int j = 1; j <= MaxCylinders; ++j)
        if (ChBTestActiveCylinderMask[size_t(j - 1)]->isChecked())
            mask |= uint8_t(1u << (j - 1));
    FRunning = DataManager->StartInjectorTest(mask);
    DataManager->SendCmd22();
    FStartPcol = DeviceRecord.ManifoldPressureRaw;
    if (FRunning) {
        BtnStartTest->setText(TranslateKey(QStringLiteral("strStop")));
        PnlTestActiveCylinderMask->setEnabled(false);
        TimerCheckingPcol->start();
    }
}

void TFormInjTest::TimerCheckingPcolTimer()
{
    if (!connected()) {
        TimerCheckingPcol->stop();
        return;
    }
    DataManager->SendCmd22();
    if (std::abs(int(FStartPcol) - int(DeviceRecord.ManifoldPressureRaw)) > StablePcolRange) {
        stopTest();
        if (Common)
            Common->ShowError(TranslateKey(QStringLiteral("strInjTStabPcol")));
    }
}

void TFormInjTest::BtBSetAllCylindersActiveClick()
{
    if (FRunning)
        return;
    for (int i = 0; i < FCylinderCount; ++i)
        ChBTestActiveCylinderMask[size_t(i)]->setChecked(true);
}

void TFormInjTest::BtBSetAllCylindersInactiveClick()
{
    if (FRunning)
        return;
    for (int i = 0; i < FCylinderCount; ++i)
        ChBTestActiveCylinderMask[size_t(i)]->setChecked(false);
}

void TFormInjTest::BtBClearGasInjCorrTabClick()
{
    for (QSpinBox *upDown : UpDCorrGasInj)
        upDown->setValue(0);
    SetCorrTableModified(true);
}

void TFormInjTest::BtBReadGasInjCorrTabClick()
{
    if (!connected() || !DataManager->ReadGasInjCorrTable())
        return;
    const int count = std::min<int>(DeviceRecord.InjSW, MaxCylinders);
    for (int i = 0; i < count; ++i)
        UpDCorrGasInj[size_t(i)]->setValue(DeviceRecord.GasInjCorrTable[size_t(i)]);
    SetCorrTableModified(false);
}

bool TFormInjTest::BtBWriteGasInjTabClick()
{
    if (!connected()) {
        if (Common)
            Common->ShowError(TranslateKey(QStringLiteral("strGasInjCorrNotWritten")));
        return false;
    }
    const int count = std::min<int>(DeviceRecord.InjSW, MaxCylinders);
    for (int i = 0; i < MaxCylinders; ++i)
        DeviceRecord.GasInjCorrTable[size_t(i)] = qint8(i < count ? UpDCorrGasInj[size_t(i)]->value() : 0);
    if (!DataManager->WriteGasInjTable()) {
        // The edits stay marked: they did not reach the device.
        if (Common)
            Common->ShowError(TranslateKey(QStringLiteral("strGasInjCorrNotWritten")));
        return false;
    }
    SetCorrTableModified(false);
    return true;
}

void TFormInjTest::BtBCopyCorrToDeviceClick()
{
    for (int i = 0; i < MaxCylinders; ++i) {
        if (i < FCylinderCount) {
            const int value = qRound(UpDCorrGasInj[size_t(i)]->value() + FCorrections[size_t(i)]);
            UpDCorrGasInj[size_t(i)]->setValue(std::clamp(value, -20, 20));
        } else {
            EdtCorrGasInj[size_t(i)]->setText(QStringLiteral("0"));
        }
    }
    SetCorrTableModified(true);
}

void TFormInjTest::SetCorrTableModified(bool flag)
{
    if (!connected())
        return;
    ChangeHelper->SetModified(flag);
    if (Common)
        Common->SetButtonHighlight(BtBWriteGasInjTab, flag);
}

bool TFormInjTest::closeQuery()
{
    if (FRunning) {
        if (Common && !Common->AskYesNo(TranslateKey(QStringLiteral("strGasInjFrmCloseQ"))))
            return false;
    }
    if (ChangeHelper->Modified() && Common) {
        const int answer = Common->AskSaveChangedData(false);
        if (answer == mrCancel)
            return false;
        if (answer == mrYes) {
            TRecordedWrite write;
            if (!write.Report(BtBWriteGasInjTabClick()))
                return false;
        }
    }
    // However the window goes, the device leaves its test.
    stopTest();
    TimerInjectorsEfficiencyTest->stop();
    return true;
}

void TFormInjTest::reject()
{
    if (FClosing || closeQuery()) {
        FClosing = true;
        QDialog::reject();
    }
}

void ShowInjectorTestWindow(QWidget *parent)
{
    TFormInjTest form(parent);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        form.move(screen->availableGeometry().center() - QPoint(form.width() / 2, form.height() / 2));
    ApplyCurrentLanguage();
    ExecModal(&form);
}
