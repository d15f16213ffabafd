#include "windows/FrmMultiCalibrationTaronQV.h"

#include "controls/ChangeHelper.h"
#include "controls/DigitalDisplay.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/ReadPlan.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/LMWidgetTexts.h"
#include "mainwindow/configuration/Model2Chart.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/TimerPause.h"
#include "windows/MultiCalAutoPage.h"
#include "windows/MultiCalCorrectionsPage.h"
#include "windows/MultiCalMapPage.h"
#include "windows/MultiCalModelPage.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <memory>
#include <optional>

TFrmMultiCalibrationTaronQV *FrmMultiCalibrationTaronQV = nullptr;

namespace {

constexpr int AnswerYes = 6;
constexpr int AnswerCancel = 2;

// A user's click on a tab goes through the page control's leave and entry
// rules; wheel and keyboard page changes are not offered.
class TTabClickGuard : public QObject
{
public:
    explicit TTabClickGuard(QTabWidget *pages) : QObject(pages), FPages(pages)
    {
        pages->tabBar()->setFocusPolicy(Qt::NoFocus);
        pages->tabBar()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Wheel)
            return true;
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
            return false;
        auto *mouse = static_cast<QMouseEvent *>(event);
        const int index = FPages->tabBar()->tabAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && index >= 0 && index != FPages->currentIndex()
            && FPages->isTabEnabled(index)) {
            int visibleBefore = 0;
            for (int i = 0; i < index; ++i)
                visibleBefore += FPages->isTabVisible(i) ? 1 : 0;
            TCommon::SelectTabWithEvents(FPages, visibleBefore, true);
        }
        return true;
    }

private:
    QTabWidget *FPages;
};

TDigitalDisplay *display(QWidget *parent, const char *name, const QRect &r)
{
    auto *d = NewNamed<TDigitalDisplay>(parent, name, r);
    d->SetCaption(QStringLiteral("0"));
    return d;
}

} // namespace

TFrmMultiCalibrationTaronQV::TFrmMultiCalibrationTaronQV(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmMultiCalibrationTaronQV"));
    resize(776, 468);
    PnlMultiCalibration = NewNamed<QFrame>(this, "PnlMultiCalibration", {0, 0, 776, 468});
    // Docked into the main window, the panel's texts still come from this
    // window's section of the language file.
    PnlMultiCalibration->setProperty(TLMWidgetTexts::OwnerFormProperty, objectName());
    FPanel = PnlMultiCalibration;
    PgCCalibration = NewNamed<QTabWidget>(PnlMultiCalibration, "PgCCalibration", {0, 0, 776, 428});
    TbSMultiCalibrationAuto = NewTabPage(PgCCalibration, "TbSMultiCalibrationAuto", QStringLiteral("   Autokalibracja (F8)  "));
    TbSMultiCalibrationModel = NewTabPage(PgCCalibration, "TbSMultiCalibrationModel", QStringLiteral("Modelowanie (F9)"));
    TbSMultiCalibrationMap = NewTabPage(PgCCalibration, "TbSMultiCalibrationMap", QStringLiteral("Mapa (F10)"));
    TbSMultiCalibrationCorrections = NewTabPage(PgCCalibration, "TbSMultiCalibrationCorrections",
                                                QStringLiteral("Korekty (F11)"));
    BuildLiveStrip();

    Model = new TMultiCalModelPage(*this, TbSMultiCalibrationModel);
    Map = new TMultiCalMapPage(*this, TbSMultiCalibrationMap);
    Corrections = new TMultiCalCorrectionsPage(*this, TbSMultiCalibrationCorrections);
    Auto = new TMultiCalAutoPage(*this, TbSMultiCalibrationAuto);
    CmBCalMapRPMRange = Map->CmBCalMapRPMRange;
    PnlCalCorrPcol = Corrections->Panel[TMultiCalCorrectionsPage::cPcol];
    PnlCalCorrPcol->hide();

    // FormCreate: the first pages active, nothing modified.
    PgCCalibration->setCurrentWidget(TbSMultiCalibrationAuto);
    Model->PgCCalibrationTypes->setCurrentWidget(Model->TbSCalibrationTypesBased);
    ChangeHelper = new TChangeHelper(this);
    ChangeHelper->setObjectName(QStringLiteral("ChangeHelper"));
    ChangeHelper->AttachTo(TbSMultiCalibrationModel);
    ChangeHelper->AttachTo(TbSMultiCalibrationCorrections);
    connect(ChangeHelper, &TChangeHelper::OnModified, this, [this] { ChangeHelperModified(); });

    new TTabClickGuard(PgCCalibration);
    TCommon::SetTabNotifyHandler(PgCCalibration, [this](int code) {
        if (code == TCN_SELCHANGING) {
            bool allow = true;
            PgCCalibrationChanging(PgCCalibration, allow);
            return allow ? 0 : 1;
        }
        if (code == TCN_SELCHANGE)
            PgCCalibrationChange();
        return 0;
    });

    TimerMapa = new QTimer(this);
    TimerMapa->setObjectName(QStringLiteral("TimerMapa"));
    TimerMapa->setInterval(5000);
    connect(TimerMapa, &QTimer::timeout, this, [this] { TimerMapaTimer(); });
    TimerMapa->start();
}

TFrmMultiCalibrationTaronQV::~TFrmMultiCalibrationTaronQV()
{
    if (::FrmMultiCalibrationTaronQV == this)
        ::FrmMultiCalibrationTaronQV = nullptr;
    // The panel may be docked elsewhere: it goes with its window, unless the
    // window that held it took it along.
    delete FPanel.data();
}

void TFrmMultiCalibrationTaronQV::BuildLiveStrip()
{
    auto *strip = NewNamed<QFrame>(PnlMultiCalibration, "PnlCalLive", {0, 428, 776, 40});
    struct Item {
        const char *Label;
        const char *Name;
        const char *Text;
        TDigitalDisplay **Target;
    };
    const Item items[] = {{"LblCalLivePetrol", "DgDModPetrol", "Tb [ms]", &DgDModPetrol},
                          {"LblCalLiveGas", "DgDModLPG", "Tg [ms]", &DgDModLPG},
                          {"LblCalLiveRPM", "DgDModRPM", "RPM", &DgDModRPM},
                          {"LblCalLivePsys", "DgDModPsys", "Psys", &DgDModPsys},
                          {"LblCalLiveTred", "DgDModTred", "Tred", &DgDModTred},
                          {"LblCalLiveTgas", "DgDModTgaz", "Tgaz", &DgDModTgaz}};
    // Each reading's name stands over its display, so that the display has
    // the strip's width for its digits: seven cells, enough for the widest
    // value ("-272.81") at every window size, as the window scales both ways.
    int x = 4;
    for (const Item &item : items) {
        NewNamed<QLabel>(strip, item.Label, {x, 0, 104, 15}, QString::fromUtf8(item.Text));
        *item.Target = display(strip, item.Name, {x, 15, 104, 24});
        x += 112;
    }
    NewNamed<QLabel>(strip, "LblCalLiveLambda", {x, 18, 12, 18}, QStringLiteral("λ"));
    PnlModBarLambda = NewNamed<QFrame>(strip, "PnlModBarLambda", {x + 14, 18, 82, 18});
    PnlModBarLambda->setFrameShape(QFrame::Box);
    PnlModBarLambda->setStyleSheet(QStringLiteral("QFrame#PnlModBarLambda { background: qlineargradient(x1:0, y1:0, "
                                                  "x2:1, y2:0, stop:0 #2060ff, stop:0.5 #20c020, stop:1 #ff3030); }"));
    LblModLambdaPnl = NewNamed<QLabel>(PnlModBarLambda, "LblModLambdaPnl", {0, 0, 6, 18});
    LblModLambdaPnl->setStyleSheet(QStringLiteral("background: black;"));
}

bool TFrmMultiCalibrationTaronQV::Ready() const { return DataManager && !DataManager->IsDeviceNotReady(); }

void TFrmMultiCalibrationTaronQV::SetModified(bool flag)
{
    if (!DataManager || !DataManager->GetConnected() || !Common || flag == FModified)
        return;
    FModified = flag;
    ChangeHelper->SetModified(flag);
    Common->SetButtonHighlight(Model->BtBModel2Write, flag);
    Common->SetButtonHighlight(Corrections->BtnCorWriteCorrections, flag);
}

void TFrmMultiCalibrationTaronQV::Inform(const QString &key) const
{
    if (Common)
        Common->ShowInformation(key.startsWith(QLatin1String("str")) ? TranslateKey(key) : key);
}

void TFrmMultiCalibrationTaronQV::ReportIncompleteWrite(const QString &what) const
{
    if (Common)
        Common->ShowWarning(TranslateKey(QStringLiteral("strCalWriteIncomplete")) + QLatin1Char(' ')
                            + TranslateKey(what));
}

// ---- Full read --------------------------------------------------------------------

bool TFrmMultiCalibrationTaronQV::ReadAllFromDevice()
{
    if (!Ready())
        return false;
    std::optional<TTimerPause> pause;
    if (Form)
        pause.emplace(*Form);
    TReadPlan plan;
    AddDeviceReads(plan);
    const bool ok = plan.Run(*DataManager);
    ShowDeviceRecord(ok);
    return ok;
}

void TFrmMultiCalibrationTaronQV::AddDeviceReads(TReadPlan &plan) const
{
    plan.ParamWord(8);
    plan.ParamWord(17);
    plan.Param8(47);
    plan.Model(1);
    plan.Model(2);
    plan.ModelPoints();
    plan.Model(83);
    plan.Param8(19);
    plan.Model2Points();
    Corrections->AddDeviceReads(plan);
    for (uint8_t id : {31, 52, 48})
        plan.Param8(id);
    plan.MapRows();
}

void TFrmMultiCalibrationTaronQV::ShowDeviceRecord(bool read)
{
    Corrections->ShowDeviceRecord();
    ModelModified = false;
    Map->ShowMapTemplate(read);
    UpdateUI();
    SetModified(false);
}

void TFrmMultiCalibrationTaronQV::UpdateUI()
{
    Model->UpdateUI();
    Map->PlaceLoadPanels();
    const int range = DeviceRecord.MapRPMRange;
    CmBCalMapRPMRange->setCurrentIndex(range < CmBCalMapRPMRange->count() ? range : -1);
}

// ---- Live values --------------------------------------------------------------------

void TFrmMultiCalibrationTaronQV::UpdateLiveValues()
{
    if (!DataManager)
        return;
    const bool h = DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("H"));
    Model->ChBCalModellingCorrectionForIdle->setEnabled(h);
    Corrections->ChBOBDAdaptationEnabled->setEnabled(h);
    Map->BtnCalMapLoadFromFile->setEnabled(h);
    DataManager->ReadDeviceInfo();
    TDevData &d = *DevData;
    DgDModRPM->SetCaption(QString::number(d.GetRpmReal()));
    const bool mapPage = PgCCalibration->currentWidget() == TbSMultiCalibrationMap;
    if (mapPage)
        Map->CheckRpmInRange();
    const double petrol = GetAverageInjectionTime(), gas = GetAverageInjectionTime2();
    DgDModPetrol->SetCaption(FormatFloat2(petrol));
    DgDModLPG->SetCaption(FormatFloat2(gas));
    // Each value as the readings page shows it, at the same precision (a
    // raw 0 is no reading from the sensor and shows as 0).
    DgDModPsys->SetCaption(FormatPressure(DeviceRecord.GasPressureRaw));
    DgDModTred->SetCaption(FormatTemperature(DeviceRecord.ReducerTempRaw));
    DgDModTgaz->SetCaption(FormatTemperature(DeviceRecord.GasTempRaw));
    // The lambda marker over the bar, by the sensor's full scale.
    const int type = d.GetLambdaType();
    double volts = TFormMain::LambdaRawToVolts(DeviceRecord.LambdaRaw, uint8_t(type));
    double scale = 1.0;
    if (type >= 2 && type <= 5)
        scale = 5.0;
    else if (type == 6) {
        scale = 0.8;
        volts -= 0.8;
    }
    const int span = PnlModBarLambda->width() - LblModLambdaPnl->width();
    LblModLambdaPnl->move(int(std::nearbyint(span * volts / scale)), LblModLambdaPnl->y());
    if (mapPage) {
        const double pcol = d.GetPcolReal();
        Map->DgDCalMapPcol->SetCaption(FormatFloat2(pcol));
        Map->SetLivePoint(pcol, petrol);
    }
    Model->SetLivePoint(petrol, DeviceRecord.GasSwitchState == 5 ? gas : 0.3);
}

void TFrmMultiCalibrationTaronQV::PollAutocalibrationState() { Auto->PollAutocalibrationState(); }

void TFrmMultiCalibrationTaronQV::TimerMapaTimer()
{
    const auto *main = Form ? qobject_cast<QTabWidget *>(Form->OwnPanel("PgCMain")) : nullptr;
    const bool shown = main && main->currentWidget()
                       && main->currentWidget()->objectName() == QLatin1String("TbSMultiCalibration");
    if (shown && PgCCalibration->currentWidget() == TbSMultiCalibrationMap && Map->ChBCalMapAutoRefresh->isChecked()
        && Ready())
        Map->BtnCalMapReadClick();
}

// ---- Writes ------------------------------------------------------------------------

bool TFrmMultiCalibrationTaronQV::BtBModel2WriteClick(QObject *) { return Model->Write(); }
bool TFrmMultiCalibrationTaronQV::BtnCalMapWriteClick() { return Map->BtnCalMapWriteClick(); }
bool TFrmMultiCalibrationTaronQV::BtnCorWriteCorrectionsClick() { return Corrections->Write(); }
bool TFrmMultiCalibrationTaronQV::BtnCorReadCorrectionsClick() { return Corrections->Read(); }
bool TFrmMultiCalibrationTaronQV::ResetCorrectionsToDefaults() { return Corrections->ResetCorrectionsToDefaults(); }
bool TFrmMultiCalibrationTaronQV::SetDefaultModel(bool write, bool ask, bool reportFailure)
{
    return Model->SetDefaultModel(write, ask, reportFailure);
}
int TFrmMultiCalibrationTaronQV::AutocalNozzleClass() const { return Auto->NozzleClass; }

// ---- Page guard ----------------------------------------------------------------------

void TFrmMultiCalibrationTaronQV::PgCCalibrationChanging(QObject *, bool &allowChange)
{
    QWidget *page = PgCCalibration->currentWidget();
    const bool guarded = page == TbSMultiCalibrationModel || page == TbSMultiCalibrationCorrections;
    if (!guarded || !Modified() || !Common)
        return;
    // A write the page would refuse is refused before the question: the
    // page and its edits stay, nothing is asked or sent.
    if (!(page == TbSMultiCalibrationModel ? Model->WriteFits() : Corrections->WriteFits())) {
        allowChange = false;
        return;
    }
    const int answer = Common->AskSaveChangedData(false);
    if (answer == AnswerCancel) {
        allowChange = false;
    } else if (answer == AnswerYes) {
        // The answer and the write are one recorded write: the record goes
        // out once the write went through, and one that did not go through
        // (refused, a locked device, the link lost) owes none. A write that
        // failed keeps the page: its edits stay for a second write.
        TRecordedWrite write;
        const bool written = write.Report(page == TbSMultiCalibrationModel ? BtBModel2WriteClick()
                                                                           : BtnCorWriteCorrectionsClick());
        if (!written)
            allowChange = false;
    }
}

void TFrmMultiCalibrationTaronQV::PgCCalibrationChange()
{
    PgCCalibration->update();
    ReadAllFromDevice();
    BtnCorReadCorrectionsClick();
}
