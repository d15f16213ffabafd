#include "mainwindow/configuration/AutoCalibrationPage.h"

#include "controls/DigitalDisplay.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/NumberText.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/configuration/AutoCalMath.h"
#include "mainwindow/configuration/Model2Chart.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelMath.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/FormMainReadingControls.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <cmath>

namespace {

QString translated(const char *key)
{
    const QString k = QString::fromLatin1(key);
    return LM ? LM->Translate(k) : k;
}

bool ready() { return DataManager && !DataManager->IsDeviceNotReady(); }

bool kind2021() { return DataManager && (DataManager->IsDeviceType(20) || DataManager->IsDeviceType(21)); }

// Restores the cursor however the measurement ends.
struct THourglass {
    THourglass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QGuiApplication::restoreOverrideCursor(); }
    THourglass(const THourglass &) = delete;
    THourglass &operator=(const THourglass &) = delete;
};

// Device states of a run.
constexpr int StateWaitLoad = 2, StateWaitConditions = 3, StateFinished = 9, StateAborted = 10,
              StateNozzlesOut = 11;

} // namespace

TAutoCalibrationPage::TAutoCalibrationPage(TFormMain &form, TProgramLogic &logic)
    : QObject(&form), FForm(form), FLogic(logic)
{
    setObjectName(QStringLiteral("AutoCalibrationPage"));
    // Its own sheet, the model-2 page and the wizard's auto-calibration sheets.
    SetPanels({form.OwnPanel("TbSCalAuto"), form.OwnPanel("TbSCalibration"), form.OwnPanel("TbSConfigurator")});
    auto click = [this](const char *name, auto handler) {
        if (auto *b = Find<QAbstractButton>(name))
            connect(b, &QAbstractButton::clicked, this, handler);
    };
    click("BtnConfAutoStart", [this] { BtnConfAutoStartClick(); });
    click("BtnConfAutoStop", [this] { BtnConfAutoStopClick(); });
    click("BtnConfAutoContinue", [this] { BtnConfAutoContinueClick(); });
    click("BtnConfAutoRepeat", [this] { BtnConfAutoRepeatClick(); });
    click("BtnConfAutoFinish", [this] { BtnConfAutoFinishClick(); });
    click("BtnConfAutoNozzlesTest", [this] { BtnConfAutoNozzlesTestClick(); });
    click("BtnConfWorkPressure", [this] { BtnConfWorkPressureClick(); });
    click("BtnConfIdleHotTb", [this] { BtnConfIdleHotTbClick(); });
    click("SpBCalStart", [this] { SpBCalStartClick(); });
    click("SpBCalStop", [this] { SpBCalStopClick(); });
}

template <typename T> T *TAutoCalibrationPage::Find(const char *name) const
{
    return Control<T>(QString::fromLatin1(name));
}

void TAutoCalibrationPage::Pause(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(std::max(0, milliseconds), &loop, &QEventLoop::quit);
    loop.exec();
}

void TAutoCalibrationPage::ShowPage(const char *page)
{
    auto *pages = Find<QTabWidget>("NtbConfAutoCal");
    auto *sheet = Find<QWidget>((QByteArray("NtbConfAutoCal") + page).constData());
    if (pages && sheet)
        pages->setCurrentWidget(sheet);
}

bool TAutoCalibrationPage::RunActive() const { return FLogic.IsBusy(); }

void TAutoCalibrationPage::SetGaugeMaxima()
{
    const int cylinders = DeviceRecord.InjSW;
    if (auto *g = Find<QProgressBar>("GgeConfStepWithoutLoad"))
        g->setMaximum(cylinders * 4 + 4);
    if (auto *g = Find<QProgressBar>("GgeConfStepWithLoad"))
        g->setMaximum(cylinders * 4 + 1);
}

// ---- Wizard page ------------------------------------------------------------------

void TAutoCalibrationPage::UpdateConfAutoCalPage(bool updateStop)
{
    const auto &r = DeviceRecord;
    const bool active = RunActive();
    if (updateStop)
        if (auto *stop = Find<QWidget>("BtnConfAutoStop"))
            stop->setEnabled(active);
    SetGaugeMaxima();
    auto *withoutLoad = Find<QProgressBar>("GgeConfStepWithoutLoad");
    auto *withLoad = Find<QProgressBar>("GgeConfStepWithLoad");
    if (auto *step = Find<QLabel>("LblConfAutoStep"))
        step->setText(QString::asprintf("%d:%d:%d/%d/%d (", r.AutoCalPhase, r.AutoCalState, r.AutoCalProgress,
                                        withoutLoad ? withoutLoad->maximum() : 0, withLoad ? withLoad->maximum() : 0)
                      + FormatFloat2(r.AutoCalCurrentTime / 187.0) + QLatin1Char('-')
                      + FormatFloat2(r.AutoCalStartTime / 187.0) + QLatin1Char('=')
                      + FormatFloat2((r.AutoCalCurrentTime - r.AutoCalStartTime) / 187.0) + QLatin1Char(')'));
    // A run of the calibration page (kinds 20 and 21) is followed there.
    if (FCal2021Running)
        return;
    const int state = r.AutoCalState;
    if (state <= 1) {
        ShowPage("Start");
        return;
    }
    if (!active)
        return;
    if (state == StateWaitLoad) {
        ShowPage("WaitLoad");
    } else if (state == StateWaitConditions) {
        ShowPage("WaitConditions");
    } else if (state >= 4 && state <= 8) {
        if (r.AutoCalPhase == 2) {
            ShowPage("ProgressWithLoad");
            if (withLoad)
                withLoad->setValue(std::min<int>(r.AutoCalProgress, withLoad->maximum()));
        } else {
            ShowPage("ProgressWithoutLoad");
            if (withoutLoad)
                withoutLoad->setValue(std::min<int>(r.AutoCalProgress, withoutLoad->maximum()));
        }
    } else if (state == StateFinished) {
        ShowPage("Result");
        FinishRun(true);
    } else if (state == StateAborted) {
        // Ended by the device: no question, the run is over.
        if (auto *l = Find<QLabel>("LblConfAutoResult1"))
            l->setText(translated("strCalInfo_ERR"));
        if (auto *l = Find<QLabel>("LblConfAutoResult2"))
            l->clear();
        if (auto *finish = Find<QWidget>("BtnConfAutoFinish"))
            finish->setEnabled(false);
        EndAutocalRun(false);
    } else if (state == StateNozzlesOut) {
        FinishRun(false);
    }
}

// The end of a run the device finished (state 9) or ended with the nozzles
// out of range (state 11); acted on once per run.
void TAutoCalibrationPage::FinishRun(bool progressBits)
{
    if (FCompleted)
        return;
    FCompleted = true;
    const int verdict = ShowResultOnPage();
    auto &r = DeviceRecord;
    const bool newModel = progressBits || verdict == AutoCalMath::vTooSmall || verdict == AutoCalMath::vTooBig;
    if (progressBits) {
        r.DeviceOptions = quint16(r.DeviceOptions | 4 | 8);
        if (auto *b = Find<QAbstractButton>("ChBModel2WithIdlePoints"))
            TCommon::SetCheckedSilently(b, false);
        FLogic.UpdateOptionFlags();
    }
    const int phase = r.AutoCalPhase;
    if (newModel)
        CalcNewModel2(phase);
    EndAutocalRun(false);
    if (newModel) {
        FForm.BtnConfWriteConfigClick();
        FForm.BtBModel2WriteClick();
    }
}

void TAutoCalibrationPage::EndAutocalRun(bool toStart)
{
    FLogic.SetActive(false);
    if (auto *stop = Find<QWidget>("BtnConfAutoStop"))
        stop->setEnabled(false);
    ShowPage(toStart ? "Start" : "Result");
    FLogic.SetWorkType(0);
    if (DataManager)
        DataManager->ReadPage(5);
}

int TAutoCalibrationPage::ShowAutocalResult(QLabel *info1, QLabel *info2, QWidget *finishButton,
                                            QWidget * /*repeatButton*/)
{
    const int verdict = GradeAutocalNozzles(DeviceRecord.FuelType != 0);
    static const char *const texts[] = {"", "strNozzlesToSmall", "strNozzlesToBig", "strNnorm", "strNok"};
    if (verdict >= 1 && verdict <= 4) {
        if (info1)
            info1->setText(translated("strAutocalOK"));
        if (info2)
            info2->setText(translated(texts[verdict]));
        if (finishButton)
            finishButton->setEnabled(true);
    }
    return verdict;
}

int TAutoCalibrationPage::ShowResultOnPage()
{
    return ShowAutocalResult(Find<QLabel>("LblConfAutoResult1"), Find<QLabel>("LblConfAutoResult2"),
                             Find<QWidget>("BtnConfAutoFinish"), Find<QWidget>("BtnConfAutoRepeat"));
}

int TAutoCalibrationPage::GradeAutocalNozzles(bool cng)
{
    if (!DataManager || !DataManager->ReadNozzleTestData())
        return AutoCalMath::vNone;
    return GradeNozzleTest(cng);
}

int TAutoCalibrationPage::GradeNozzleTest(bool cng) const
{
    const auto &r = DeviceRecord;
    const QPointF p1(r.NozzleTest[0], r.NozzleTest[1]), p2(r.NozzleTest[2], r.NozzleTest[3]);
    const auto ps = AutoCalMath::GradingPoint(r.UseOnIdleModel != 0, r.AutoCalPhase, r.ModelPointsA[2].X,
                                              r.ModelPointsA[2].Y, p1, p2);
    if (!ps)
        return AutoCalMath::vNone;
    return AutoCalMath::GradeSlope(AutoCalMath::Slope(r.Offset, *ps), cng);
}

void TAutoCalibrationPage::CalcNewModel2(int phase)
{
    if (kind2021()) {
        if (Common)
            Common->ShowWarning(QStringLiteral("DEBUG: Function not available for this firmware version"));
        return;
    }
    if (!Model2 || !DataManager)
        return;
    auto &r = DeviceRecord;
    const bool cng = r.FuelType != 0;
    if (!cng) {
        Model2->ReadModel2Settings();
    } else {
        DataManager->ReadNozzleTestData();
        Model2->UpdateModel2Labels();
    }
    auto &series = Model2->Chart->Series;
    series[TModel2Chart::sPoints].clear();
    series[TModel2Chart::sOrig].clear();
    // The offset as the model-2 page shows it (its up-down writes the text).
    double b = 1.0;
    if (auto *offset = Find<QLineEdit>("YEdModel2Offset"))
        NumberText::ParseTyped(offset->text(), b);
    QPointF p1(r.NozzleTest[0], r.NozzleTest[1]), p2(r.NozzleTest[2], r.NozzleTest[3]);
    std::optional<QPointF> ps;
    if (r.UseOnIdleModel == 0) {
        series[TModel2Chart::sIdle].clear();
        ps = AutoCalMath::GradingPoint(false, phase, r.ModelPointsA[2].X, r.ModelPointsA[2].Y, p1, p2);
    } else if (phase == 2) {
        ps = (p1 + p2) / 2.0;
    } else {
        const double s = p1.x() == 0.0 ? r.Mult : (p1.y() - b) / p1.x();
        p2 = QPointF(p1.x() + 1.0, s * (p1.x() + 1.0) + b);
        r.NozzleTest[2] = p2.x();
        r.NozzleTest[3] = p2.y();
        DataManager->WriteModelBlockC1();
        Model2->UpdateModel2Labels();
        ps = (p1 + p2) / 2.0;
    }
    const auto points = ps ? AutoCalMath::NewModel2Points(*ps, b, cng) : std::nullopt;
    if (!points) {
        Model2->Chart->Repaint();
        return; // no rising curve from these points: the verdict only
    }
    const double a = AutoCalMath::Slope(b, *ps);
    series[TModel2Chart::sPoints] = QList<QPointF>(points->begin(), points->end());
    double m = a;
    if (!cng)
        m = ModelMath::CalculateMult(series[TModel2Chart::sPoints], b).value_or(a);
    series[TModel2Chart::sOrig] = {QPointF(0, b), QPointF(25.0, b + 25.0 * m)};
    for (const auto &[name, value] : {std::pair{"UpDModel2Mult", AutoCalMath::MultPercent(m)},
                                      std::pair{"UpDModel2Offset", AutoCalMath::OffsetTenths(b)}})
        if (auto *spin = Find<QSpinBox>(name)) {
            const QSignalBlocker blocker(spin);
            spin->setValue(value);
        }
    Model2->Model2Modified = true;
    Model2->Chart->Repaint();
}

// ---- Working pressure -------------------------------------------------------------

bool TAutoCalibrationPage::MeasureWorkingPressure(QComboBox *list, bool ask)
{
    if (!ready() || RunActive() || DeviceRecord.DeviceKind < 48 || FMeasuring || !list)
        return false;
    FMeasuring = true;
    struct TGuard {
        bool &flag;
        ~TGuard() { flag = false; }
    } guard{FMeasuring};
    FLogic.SetWorkType(2);
    if (ask && !(Common && Common->AskYesNo(translated("strQuestSwitchToGas"))))
        return false;
    const THourglass hourglass;
    auto &r = DeviceRecord;
    // The list's entries are 0.7 .. 2.0 bar by 0.1 bar: entry i stands for
    // 7 + i tenths of a bar, whatever the language shows.
    auto indexOfTenths = [list](int tenths) {
        const int i = tenths - 7;
        return i >= 0 && i < list->count() ? i : -1;
    };
    auto itemTenths = [](int i) { return 7 + i; };
    int i = -1;
    if (DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("D"))) {
        FLogic.SetWorkType(5);
        Pause(100);
        FLogic.SetWorkType(9);
        // The device clears index 35 when its measurement is done.
        bool done = false;
        for (int waited = 0; waited <= MeasureLimitMs && DataManager->GetConnected(); waited += MeasurePollMs) {
            Pause(MeasurePollMs);
            if (DataManager->ReadValue16(35) == 0 && DataManager->GetConnected()) {
                done = true;
                break;
            }
        }
        if (!done) {
            FLogic.SetWorkType(5);
            if (Common)
                Common->ShowWarning(translated("strWorkingPressTimeLimit"));
            return false;
        }
        const int p = int(std::lround(RawToPressure(quint8(DataManager->ReadValue16(34))) * 10.0));
        const int found = indexOfTenths(p);
        i = found - (r.Power > 150 ? 2 : 1);
        if (i < 0 && list->count() > 0) {
            if (p > itemTenths(list->count() - 1)) {
                i = list->count() - 1;
            } else if (p < itemTenths(0)) {
                list->setCurrentIndex(0);
                FLogic.SetWorkType(5);
                if (Common)
                    Common->ShowWarning(translated("strWorkingPressToLow"));
                return false;
            }
        }
    } else {
        FLogic.SetWorkType(4);
        Pause(1500);
        DataManager->PollGroup(TDataManager::pgLive, false);
        const int p = int(std::lround(RawToPressure(r.GasPressureRaw) * 10.0));
        i = indexOfTenths(p);
        if (i >= 1)
            i -= 1;
    }
    bool taken = false;
    static const int codes[14] = {76, 85, 94, 104, 113, 123, 132, 141, 151, 160, 170, 179, 188, 198};
    if (DataManager->GetConnected() && i >= 0 && i < 14 && i < list->count()) {
        list->setCurrentIndex(i);
        r.WorkPress = quint8(codes[i]);
        taken = DataManager->WriteParamByte(30, r.WorkPress);
    }
    FLogic.SetWorkType(5);
    return taken;
}

void TAutoCalibrationPage::BtnConfWorkPressureClick()
{
    auto *list = Find<QComboBox>("CmBConfWorkPressure");
    if (!MeasureWorkingPressure(list, true))
        return;
    if (ShowWorkingPressureDialog)
        ShowWorkingPressureDialog();
    static const std::vector<int> codes = {76, 85, 94, 104, 113, 123, 132, 141, 151, 160, 170, 179, 188, 198};
    const auto it = std::find(codes.begin(), codes.end(), int(DeviceRecord.WorkPress));
    if (list)
        list->setCurrentIndex(it == codes.end() ? -1 : int(it - codes.begin()));
}

// ---- Run handlers ------------------------------------------------------------------

// A run's RPM display starts in the edition's normal colour until the live
// values colour it by their rule.
void TAutoCalibrationPage::FillNormal(TDigitalDisplay *display)
{
    const uint32_t colour =
        CustomParameters ? CustomParameters->GetEntry(readings::kEntryNormal) : TCustomParameters::NoColor;
    if (display && colour != TCustomParameters::NoColor)
        display->SetColorFill(readings::Bgr(colour));
}

void TAutoCalibrationPage::BtnConfAutoStartClick()
{
    // The run of this page is a kind-48 run; kinds 20 and 21 start theirs
    // from the calibration page.
    if (!ready() || !DataManager->IsDeviceType(48) || RunActive())
        return;
    auto &r = DeviceRecord;
    const bool timerOn = FForm.Timerek && FForm.Timerek->isActive();
    if (FForm.Timerek)
        FForm.Timerek->stop();
    auto restoreTimer = [&] {
        if (timerOn && FForm.Timerek)
            FForm.Timerek->start();
    };
    FLogic.SetActive(true);
    SetGaugeMaxima();
    r.AutoCalProgress = 0;
    for (const char *g : {"GgeConfStepWithoutLoad", "GgeConfStepWithLoad"})
        if (auto *bar = Find<QProgressBar>(g))
            bar->setValue(0);
    FillNormal(Find<TDigitalDisplay>("DgDConfAutoRPM"));
    r.DeviceOptions = quint16(r.DeviceOptions | 1 | 2);
    FForm.SetConfigModified(true);
    // The start's writes are one: its change record goes out once all of
    // them went through, before the run; a start given up sends none.
    TRecordedWrite write;
    if (!write.Ask()) {
        FLogic.SetActive(false);
        restoreTimer();
        return;
    }
    FForm.SetConfigModified(false);
    FLogic.UpdateOptionFlags();

    auto text = [this](const char *name) {
        if (auto *c = Find<QComboBox>(name))
            return c->currentText();
        if (auto *e = Find<QLineEdit>(name))
            return e->text();
        auto *b = Find<QAbstractButton>(name);
        return b ? b->text() : QString();
    };
    TStartChoice choice;
    choice.Summary = text("CmBConfInjType") + QStringLiteral(" / ") + text("CmBConfInjSystemType")
                     + QStringLiteral(" / ") + text("ChBModel2UseOnIdleModel") + QStringLiteral(" / ")
                     + text("YEdModel2MULT") + QStringLiteral("% / ") + text("YEdModel2Offset")
                     + QStringLiteral("ms / ") + text("CmBConfWorkPressure") + QStringLiteral("bar");
    if (auto *c = Find<QComboBox>("CmBConfInjType"))
        choice.InjectorIndex = c->currentIndex();
    if (auto *c = Find<QComboBox>("CmBConfInjSystemType"))
        choice.SystemIndex = c->currentIndex();
    if (auto *s = Find<QSpinBox>("UpDModel2Mult"))
        choice.MultPercent = s->value();
    if (auto *s = Find<QSpinBox>("UpDModel2Offset"))
        choice.OffsetTenths = s->value();
    if (auto *b = Find<QAbstractButton>("ChBModel2UseOnIdleModel"))
        choice.UseOnIdleModel = b->isChecked();
    if (!ExecuteStartDialog || !ExecuteStartDialog(choice)) {
        FLogic.SetActive(false);
        restoreTimer();
        return;
    }
    if (auto *c = Find<QComboBox>("CmBConfInjType"))
        c->setCurrentIndex(choice.InjectorIndex < c->count() ? choice.InjectorIndex : -1);
    if (auto *c = Find<QComboBox>("CmBConfInjSystemType"))
        c->setCurrentIndex(choice.SystemIndex < c->count() ? choice.SystemIndex : -1);
    bool ok = FForm.WriteConfWizardConfiguration();
    if (auto *b = Find<QAbstractButton>("ChBModel2UseOnIdleModel"))
        TCommon::SetCheckedSilently(b, choice.UseOnIdleModel);
    FForm.BtBModel2WriteClick();
    if (Model2)
        Model2->SetDefaultModel2Settings(true, false, false, choice.OffsetTenths / 10.0, choice.MultPercent,
                                         choice.UseOnIdleModel);
    restoreTimer();
    // A run learns the model afresh: the adapter's corrections must not act on it.
    if (DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("H")) && SwitchObdAdaptationOff)
        SwitchObdAdaptationOff();
    if (DataManager->Kind48Holds(kind48::TFilePart::AdaptFlags)) {
        if (r.MapCorrections & 1) {
            r.MapCorrections = quint8(r.MapCorrections & ~1);
            ok = DataManager->WriteParameter(104) && ok;
        }
        r.CMActive = quint8(r.CMActive & ~(4 | 8));
        ok = DataManager->WriteParameter(74) && ok;
    }
    // The idle petrol time first: the run starts only once it is taken.
    QString idle;
    FLogic.MeasureIdleHotTb(true, idle);
    if (idle.isEmpty() || !ready()) {
        FLogic.SetActive(false);
        return;
    }
    r.DeviceOptions = quint16(r.DeviceOptions & ~4);
    FLogic.UpdateOptionFlags();
    if (auto *adaptation = Find<QAbstractButton>("ChBModel2Adaptation"))
        ok = DataManager->SetAdaptationMode(adaptation->isChecked()) && ok;
    if (auto *c = Find<QComboBox>("CmBConfIdleHotTb"))
        c->setEditText(idle);
    ok = DataManager->WriteParamWord(8, r.IdleHotTb) && ok;
    write.Report(ok && DataManager->GetConnected());
    if (DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("D"))) {
        FLogic.SetActive(false); // the measurement refuses during a run
        if (MeasureWorkingPressure(Find<QComboBox>("CmBConfWorkPressure"), false) && ShowWorkingPressureDialog)
            ShowWorkingPressureDialog();
        FLogic.SetActive(true);
    }
    FLogic.SetWorkType(3);
    r.AutoCalState = 0;
    FCompleted = false;
    if (FForm.Services.PgCMainChange)
        FForm.Services.PgCMainChange();
    if (auto *stop = Find<QWidget>("BtnConfAutoStop"))
        stop->setEnabled(true);
    FLogic.SetWorkType(6);
}

void TAutoCalibrationPage::BtnConfAutoStopClick()
{
    if (!ready())
        return;
    if (!Common || !Common->AskYesNo(translated("strQAutocalCancel")))
        return;
    if (auto *l = Find<QLabel>("LblConfAutoResult1"))
        l->setText(translated("strCalInfo_ERR"));
    if (auto *l = Find<QLabel>("LblConfAutoResult2"))
        l->clear();
    if (auto *finish = Find<QWidget>("BtnConfAutoFinish"))
        finish->setEnabled(false);
    EndAutocalRun(false);
}

void TAutoCalibrationPage::BtnConfAutoContinueClick()
{
    if (ready())
        FLogic.SetWorkType(7);
}

void TAutoCalibrationPage::BtnConfAutoRepeatClick()
{
    EndAutocalRun(true);
    ShowPage("Start");
}

void TAutoCalibrationPage::BtnConfAutoFinishClick()
{
    EndAutocalRun(true);
    if (auto *next = Find<QAbstractButton>("BtnConfWizNext"))
        next->click();
}

void TAutoCalibrationPage::BtnConfAutoNozzlesTestClick()
{
    if (!ready() || !DataManager->ReadNozzleTestData())
        return;
    const auto &n = DeviceRecord.NozzleTest;
    const double f = TProgramLogic::GetDefaultFactor(DeviceRecord.InjTypeName);
    const QPointF ps((n[0] + n[2]) / 2.0, (n[1] + n[3]) / 2.0);
    const double a = AutoCalMath::Slope(f, ps);
    const double b = f - a * 0.0;
    // Shown in the notation of the language shown; the clipboard keeps plain numbers.
    const auto point = [](double x, double y) {
        return QStringLiteral("(%1;%2)").arg(FormatFloat2(x), FormatFloat2(y));
    };
    const QString question = translated("strCopyToClipboard") + QStringLiteral("\r\n\r\nP1=") + point(n[0], n[1])
                             + QStringLiteral(" P2=") + point(n[2], n[3]) + QStringLiteral(" P0=") + point(0.0, f)
                             + QStringLiteral(" PS=") + point(ps.x(), ps.y()) + QStringLiteral(" a=") + FormatFloat2(a)
                             + QStringLiteral(" b=") + FormatFloat2(b);
    if (!Common || !Common->AskYesNo(question, QString(QChar(0))))
        return;
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(QString::asprintf("%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f", n[0], n[1],
                                             n[2], n[3], 0.0, f, ps.x(), ps.y(), a, b));
    }
}

void TAutoCalibrationPage::BtnConfIdleHotTbClick()
{
    if (!ready() || RunActive())
        return;
    auto *list = Find<QComboBox>("CmBConfIdleHotTb");
    QString text = list ? list->currentText() : QString();
    FLogic.MeasureIdleHotTb(false, text);
    if (list)
        list->setEditText(text);
    FForm.SetConfigModified(true);
}

// ---- Calibration page of kinds 20 and 21 -------------------------------------------

void TAutoCalibrationPage::SpBCalStartClick()
{
    if (!ready())
        return;
    auto &r = DeviceRecord;
    r.AutoCalState = 0;
    r.AutoCalProgress = 0;
    if (auto *bar = Find<QProgressBar>("PrBCalPostep")) {
        bar->setValue(0);
        bar->show();
    }
    if (auto *rpm = Find<TDigitalDisplay>("DgDCalRPM")) {
        rpm->SetCaption(QStringLiteral("0"));
        FillNormal(rpm);
    }
    if (auto *info = Find<QLabel>("LblCalInfo")) {
        info->clear();
        info->show();
    }
    FCal2021Running = true;
    FLogic.SetActive(true);
    FLogic.SetWorkType(3);
    UpdateCalibrationControls();
    if (FForm.Services.PgCMainChange)
        FForm.Services.PgCMainChange();
}

void TAutoCalibrationPage::SpBCalStopClick()
{
    if (!ready())
        return;
    FLogic.SetWorkType(0);
    FLogic.SetActive(false);
    FCal2021Running = false;
    if (auto *start = Find<QWidget>("SpBCalStart"))
        start->setEnabled(true);
    if (auto *stop = Find<QWidget>("SpBCalStop"))
        stop->setEnabled(false);
    if (auto *bar = Find<QWidget>("PrBCalPostep"))
        bar->hide();
    if (auto *rpm = Find<TDigitalDisplay>("DgDCalRPM"))
        rpm->SetCaption(QStringLiteral("0"));
    if (auto *info = Find<QLabel>("LblCalInfo")) {
        info->setText(translated("strCalInfo_ERR"));
        info->show();
    }
}

void TAutoCalibrationPage::UpdateCalibrationControls()
{
    bool running = RunActive();
    if (running && FCal2021Running) {
        const auto &r = DeviceRecord;
        if (auto *bar = Find<QProgressBar>("PrBCalPostep"))
            bar->setValue(std::min<int>(r.AutoCalProgress, bar->maximum()));
        if (r.AutoCalState == StateFinished || r.AutoCalState == StateAborted) {
            // The device ended the run: back to normal work, said once.
            FCal2021Running = false;
            FLogic.SetWorkType(0);
            FLogic.SetActive(false);
            if (auto *info = Find<QLabel>("LblCalInfo")) {
                info->setText(translated(r.AutoCalState == StateFinished ? "strCalInfo_OK" : "strCalInfo_ERR"));
                info->show();
            }
            running = false;
        }
    }
    auto *info = Find<QWidget>("LblCalInfo");
    if (auto *bar = Find<QWidget>("PrBCalPostep"))
        bar->setVisible(running || (info && info->isHidden()));
    if (auto *stop = Find<QWidget>("SpBCalStop"))
        stop->setEnabled(running);
    if (auto *start = Find<QWidget>("SpBCalStart"))
        start->setEnabled(!running);
}

// ---- Installation --------------------------------------------------------------------

TAutoCalibrationPage *TAutoCalibrationPage::Install(TFormMain &form, TProgramLogic &logic)
{
    auto *page = new TAutoCalibrationPage(form, logic);
    form.AddPageLogic(page);
    page->Model2 = form.PageLogic<TModel2Page>("Model2Page");
    if (page->Model2) {
        page->Model2->Hooks.CalcNewModel2 = [page](int phase, double) { page->CalcNewModel2(phase); };
        // The model-2 page reads the idle points just before it asks.
        page->Model2->Hooks.AutocalNozzleClass = [page] { return page->GradeNozzleTest(DeviceRecord.FuelType != 0); };
    }
    return page;
}
