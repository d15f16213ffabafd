#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/MultiCalMapPage.h"

#include "controls/ChangeHelper.h"
#include "controls/DigitalDisplay.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/NumberText.h"
#include "core/ReadPlan.h"
#include "core/SettingsFile.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/ProgramLogic.h"
#include "core/ui/TypedInput.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/TimerPause.h"
#include "windows/FrmConfigLevelSensor.h"
#include "windows/MultiConfigurationPages.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QTimer>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QProxyStyle>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>

#include <optional>

using namespace multiconf;

TFrmMultiConfigurationTaronQV *FrmMultiConfigurationTaronQV = nullptr;

namespace {

bool deviceReady()
{
    return DataManager && !DataManager->IsDeviceNotReady();
}

// A device that is connected but locked answers nothing but its lock state:
// a user's button press is told why nothing happens.
bool readyOrSay(const QObject *sender)
{
    if (deviceReady())
        return true;
    if (sender && DataManager && DataManager->GetConnected() && DeviceRecord.LinkState != 0xF0 && Common)
        Common->ShowWarning(TranslateKey(QStringLiteral("strConfDeviceLocked")), TCommon::ApplicationTitle());
    return false;
}

bool deviceIsKind48()
{
    return DataManager && DataManager->IsDeviceType(48);
}

// The time the reducer needs after switching to gas before its pressure shows.
constexpr int PressureSettleMs = 1600;

// Waits ms milliseconds with the window responsive.
void settle(int ms)
{
    QDeadlineTimer until(ms);
    while (!until.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
}

// The factory cells of the default configuration: address, value, 16 bits.
struct TCell {
    uint16_t Address;
    uint16_t Value;
    bool Word;
};
constexpr TCell DefaultCells[] = {
    {36, 561, true},   {38, 37, false},  {39, 15, false},  {40, 0, false},    {41, 0, false},   {42, 19800, true},
    {44, 0, false},    {45, 255, false}, {46, 374, true},  {48, 935, true},   {50, 37, false},  {51, 22, false},
    {52, 0, false},    {53, 0, false},   {54, 21063, true}, {56, 0, false},   {57, 255, false}, {58, 374, true},
    {60, 935, true},   {62, 50, false},  {63, 20, false},  {64, 0, false},    {65, 0, false},   {66, 21064, true},
    {68, 0, false},    {69, 255, false}, {70, 374, true},  {72, 9350, true},  {74, 0, false},   {75, 0, false},
    {76, 0, false},    {77, 0, false},   {78, 21065, true}, {80, 0, false},   {81, 255, false}, {82, 374, true},
    {100, 200, false}, {101, 143, false}, {102, 92, false}, {103, 40, false}, {104, 21, false}, {105, 47, false},
    {106, 61, false},  {107, 72, false}};

void chooseText(QComboBox *list, const QString &text)
{
    SetIndex(list, list->findText(text));
}

// The application's style with half its room around a tab's caption.
class TNarrowTabStyle : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        return metric == PM_TabBarTabHSpace ? value / 2 : value;
    }
};

} // namespace

TFrmMultiConfigurationTaronQV::TFrmMultiConfigurationTaronQV(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmMultiConfigurationTaronQV"));
    resize(776, 468);
    PnlMultiConfiguration = NewNamed<QFrame>(this, "PnlMultiConfiguration", {0, 0, 776, 468});
    PgCConfiguration = NewNamed<QTabWidget>(PnlMultiConfiguration, "PgCConfiguration", {0, 0, 776, 428});
    PgCConfiguration->setTabPosition(QTabWidget::West);
    // The tab captions carry their own spaces: the style adds half its own
    // room around them, so that all four tabs stand whole down the side
    // without scroll arrows.
    auto *tabStyle = new TNarrowTabStyle;
    tabStyle->setParent(PgCConfiguration);
    PgCConfiguration->tabBar()->setStyle(tabStyle);
    TbSCnfBase = NewTabPage(PgCConfiguration, "TbSCnfBase", QStringLiteral("  Podstawowa  "));
    TbSCnfAdvance = NewTabPage(PgCConfiguration, "TbSCnfAdvance", QStringLiteral("  Zaawansowana  "));
    TbSCnfSwitching = NewTabPage(PgCConfiguration, "TbSCnfSwitching", QStringLiteral("Przełączanie"));
    TbSCnfInfo = NewTabPage(PgCConfiguration, "TbSCnfInfo", QStringLiteral("  Informacje  "));
    BasePage = new TMultiConfigBasePage(TbSCnfBase, this);
    AdvancePage = new TMultiConfigAdvancePage(TbSCnfAdvance, this);
    SwitchingPage = new TMultiConfigSwitchingPage(TbSCnfSwitching, this);
    InfoPage = new TMultiConfigInfoPage(TbSCnfInfo, this);

    PnlKnfNavi = NewNamed<QFrame>(PnlMultiConfiguration, "PnlKnfNavi", {0, 428, 776, 40});
    BtBKnfReadConfiguration = NewNamed<QPushButton>(PnlKnfNavi, "BtBKnfReadConfiguration", {8, 7, 200, 27},
                                                    QStringLiteral("Odczytaj ustawienia"));
    BtBKnfWriteConfiguration = NewNamed<QPushButton>(PnlKnfNavi, "BtBKnfWriteConfiguration", {216, 7, 200, 27},
                                                     QStringLiteral("Zapisz ustawienia"));
    BtBKnfWriteDefaultConfiguration = NewNamed<QPushButton>(
        PnlKnfNavi, "BtBKnfWriteDefaultConfiguration", {496, 7, 272, 27}, QStringLiteral("Zapisz konfigurację fabryczną"));

    // FormCreate.
    PgCConfiguration->setCurrentWidget(TbSCnfBase);
    TProgramLogic::FillListB(BasePage->CmbKnfInjType);
    TProgramLogic::FillListA(AdvancePage->CmBKnfPressureSensorType);
    BasePage->CmbKnfInjType->setCurrentIndex(-1);
    AdvancePage->CmBKnfPressureSensorType->setCurrentIndex(-1);
    ChangeHelper = new TChangeHelper(this);
    ChangeHelper->setObjectName(QStringLiteral("ChangeHelper"));
    for (TMultiConfigPage *page :
         std::initializer_list<TMultiConfigPage *>{BasePage, AdvancePage, InfoPage, SwitchingPage})
        ChangeHelper->AttachTo(page->Panel);
    connect(ChangeHelper, &TChangeHelper::OnModified, this, [this] { SetModified(true); });

    // Only the user's own actions run the handlers.
    auto clicked = [this](QAbstractButton *b, auto handler) { connect(b, &QAbstractButton::clicked, this, handler); };
    auto activated = [this](QComboBox *c, auto handler) { connect(c, &QComboBox::activated, this, handler); };
    clicked(BtBKnfReadConfiguration, [this] {
        if (readyOrSay(BtBKnfReadConfiguration))
            RefreshFromDevice();
    });
    clicked(BtBKnfWriteConfiguration, [this] { BtBKnfWriteConfigurationClick(BtBKnfWriteConfiguration); });
    clicked(BtBKnfWriteDefaultConfiguration,
            [this] { BtBKnfWriteDefaultConfigurationClick(BtBKnfWriteDefaultConfiguration); });
    auto *a = AdvancePage;
    auto *s = SwitchingPage;
    auto *b = BasePage;
    auto *info = InfoPage;
    clicked(a->ChBKnfExternalEmulator, [a] { a->ShowExternalEmulator(a->ChBKnfExternalEmulator->isChecked()); });
    clicked(a->ChBKnfMicroInjection, [a] { a->ChBKnfMicroInjectionClick(); });
    clicked(a->ChBConfRPMNotConnected, [a] { a->ChBConfRPMNotConnectedClick(); });
    clicked(a->BtBKnfCheckPressure, [this] { BtBKnfCheckPressureClick(); });
    clicked(a->BtnKnfCheckInjSystem, [this] { BtnKnfCheckInjSystemClick(); });
    clicked(b->BtnKnfLvSensorConfig, [this] { BtnKnfLvSensorConfigClick(); });
    activated(b->CmbKnfRPMSource, [a, b] { b->CmbKnfRPMSourceChange(a->CmBConfRPMSourceType); });
    activated(a->CmBKnfPressureSensorType, [this, a] {
        const int i = a->CmBKnfPressureSensorType->currentIndex();
        if (i == 0 || i == 1)
            a->ChBKnfGasTempSensorInFlow->setChecked(false);
        else if (i == 2)
            a->ChBKnfGasTempSensorInFlow->setChecked(true);
        if (FForm)
            if (auto *page = dynamic_cast<TConfigurationPage *>(FForm->ConfigurationPage))
                page->UpdatePressureSensorInfo(a->CmBKnfPressureSensorType, a->ChBConfRPMNotConnected);
    });
    clicked(s->ChBKnfLowRPMReturnToPetrol,
            [s] { s->ReturnBoxClick(s->ChBKnfLowRPMReturnToPetrol, s->CmBKnfLowRPMReturnToPetrol, false); });
    clicked(s->ChBKnfLowTgasReturnToPetrol,
            [s] { s->ReturnBoxClick(s->ChBKnfLowTgasReturnToPetrol, s->CmBKnfLowTgasReturnToPetrol, false); });
    clicked(s->ChBKnfHighRPMReturnToPetrol,
            [s] { s->ReturnBoxClick(s->ChBKnfHighRPMReturnToPetrol, s->CmBKnfHighRPMReturnToPetrol, true); });
    clicked(s->ChBKnfHighLoadReturnToPetrol,
            [s] { s->ReturnBoxClick(s->ChBKnfHighLoadReturnToPetrol, s->CmBKnfHighLoadReturnToPetrol, true); });
    for (QCheckBox *box : {s->ChBConfGasInjectorsHeating, s->ChBConfFuelOverlap, s->ChBConfPreinjectionProcessDuringCutOff})
        clicked(box, [s] { s->EnableByBoxes(); });
    clicked(info->ChBKnfLambda, [this, info] {
        const bool on = info->ChBKnfLambda->isChecked();
        info->ShowLambda(on);
        if (FForm)
            for (const char *name : {"PnlModLambda", "PnlOdcLambdaCenter"})
                if (QWidget *w = mainWindowPanel(name))
                    w->setVisible(on);
        SetIndex(info->CmBKnfLambdaType, on ? 0 : -1);
    });
    connect(info->YEdKnfPower, &QLineEdit::textEdited, this, [this, info] {
        if (FForm)
            if (auto *page = dynamic_cast<TConfigurationPage *>(FForm->ConfigurationPage))
                page->ChangeEngineHorsePower(info->YEdKnfPower, info->LblKnfPowerKM);
    });
    connect(PgCConfiguration, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == FPageIndex)
            return;
        bool allow = true;
        PgCConfigurationChanging(PgCConfiguration, allow);
        if (!allow) {
            const QSignalBlocker block(PgCConfiguration);
            PgCConfiguration->setCurrentIndex(FPageIndex);
            return;
        }
        FPageIndex = index;
        PgCConfigurationChange(PgCConfiguration);
    });
}

TFrmMultiConfigurationTaronQV::~TFrmMultiConfigurationTaronQV()
{
    if (::FrmMultiConfigurationTaronQV == this)
        ::FrmMultiConfigurationTaronQV = nullptr;
}

QWidget *TFrmMultiConfigurationTaronQV::mainWindowPanel(const char *name) const
{
    // The main window's own one: this window's docked panel reuses names.
    return FForm ? FForm->OwnPanel(name) : nullptr;
}

// ---- Modified mark ----------------------------------------------------------------

bool TFrmMultiConfigurationTaronQV::Modified() const
{
    return ChangeHelper->Modified();
}

void TFrmMultiConfigurationTaronQV::SetModified(bool flag)
{
    if (!DataManager || !DataManager->GetConnected() || !Common)
        return;
    if (flag != ChangeHelper->Modified()) {
        ChangeHelper->SetModified(flag);
        Common->SetButtonHighlight(BtBKnfWriteConfiguration, flag);
    }
}

// ---- Tick --------------------------------------------------------------------------

void TFrmMultiConfigurationTaronQV::UpdateDeviceInfo()
{
    if (!DataManager)
        return;
    const uint16_t rpm = DataManager->ReadStatus50();
    BasePage->DgDRPM->SetCaption(QString::asprintf("%d", int(rpm)));
    const bool on = deviceIsKind48() && DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("H"));
    for (QWidget *w : AdvancePage->VersionGroup() + SwitchingPage->VersionGroup())
        w->setEnabled(on);
}

// ---- Filling ---------------------------------------------------------------------------

void TFrmMultiConfigurationTaronQV::UpdateConfigurationTaronQVTabControls()
{
    // The window shows settings the configuration read leaves out below
    // their version letter: those the record does not hold from this
    // device yet are read first, so that no control shows a value the
    // device never reported.
    if (deviceReady())
        DataManager->ReadKind48WindowSettings();
    const TDeviceRecord &r = DeviceRecord;
    // The cylinder counts follow the injector outputs also when the window
    // was never read (a settings file loaded before it was first shown).
    if (BasePage->CmbKnfInjCount->count() == 0)
        BasePage->RebuildCylinderCounts(r.InjHW);
    BasePage->Fill(r);
    AdvancePage->Fill(r);
    SwitchingPage->Fill(r);
    InfoPage->Fill(r);
    if (FForm)
        for (const char *name : {"PnlOdcLambdaCenter", "PnlConfAutoLambda"})
            if (QWidget *w = mainWindowPanel(name))
                w->setVisible(r.LambdaType > 0);
}

void TFrmMultiConfigurationTaronQV::ClearConfigurationControls()
{
    BasePage->Clear();
    AdvancePage->Clear();
    SwitchingPage->Clear();
    InfoPage->Clear();
}

// ---- Read road ------------------------------------------------------------------------------

bool TFrmMultiConfigurationTaronQV::RefreshFromDevice()
{
    if (!deviceReady())
        return false;
    std::optional<TTimerPause> pause;
    if (FForm)
        pause.emplace(*FForm);
    TReadPlan plan;
    AddDeviceReads(plan);
    const bool ok = plan.Run(*DataManager);
    ShowDeviceRecord(ok);
    return ok;
}

void TFrmMultiConfigurationTaronQV::AddDeviceReads(TReadPlan &plan) const
{
    if (!deviceIsKind48())
        return;
    DataManager->AddKind48Configuration(plan);
    DataManager->AddKind48WindowSettings(plan);
}

void TFrmMultiConfigurationTaronQV::ShowDeviceRecord(bool read)
{
    if (read) {
        if (FForm)
            FForm->UpdateCylinderCountControls(true);
        BasePage->RebuildCylinderCounts(DeviceRecord.InjHW);
        UpdateConfigurationTaronQVTabControls();
    } else {
        ClearConfigurationControls();
    }
    SetModified(false);
}

// ---- Write road -------------------------------------------------------------------------------

QWidget *TFrmMultiConfigurationTaronQV::FindInvalidControl(QString &reason) const
{
    // The ranges a settings file's reader takes for the same fields.
    struct TCheck {
        QLineEdit *Edit;
        const char *Label;
        const char *Key;
    };
    const TCheck checks[] = {{InfoPage->YEdKnfCubicCap, "LblKnfCubicCap", "EngineCubicCapacity"},
                             {InfoPage->YEdKnfPower, "LblKnfPower", "Power"}};
    for (const TCheck &c : checks) {
        qint64 low = 0, high = 0, v = 0;
        TSettingsFile::DeviceRangeMulti(DeviceRecord, QString::fromLatin1(c.Key), low, high);
        const NumberText::TFault fault = NumberText::ReadTypedInt(c.Edit->text(), low, high, v);
        if (fault == NumberText::TFault::None)
            continue;
        const auto *label = InfoPage->Panel->findChild<QLabel *>(QString::fromLatin1(c.Label));
        reason = NumberText::Refusal(label ? label->text() : QString(), fault, {double(low), double(high), true});
        return c.Edit;
    }
    return nullptr;
}

bool TFrmMultiConfigurationTaronQV::WriteFits()
{
    // Nothing goes out while a control holds a value the device cannot take:
    // the page with the control shows, and the refusal names the field.
    QString reason;
    QWidget *bad = FindInvalidControl(reason);
    if (!bad)
        return true;
    {
        const QSignalBlocker block(PgCConfiguration);
        PgCConfiguration->setCurrentWidget(TbSCnfInfo);
    }
    FPageIndex = PgCConfiguration->currentIndex();
    TypedInput::Refuse(bad, reason);
    return false;
}

bool TFrmMultiConfigurationTaronQV::BtBKnfWriteConfigurationClick(QObject *sender)
{
    return writeConfiguration(sender, true, false);
}

bool TFrmMultiConfigurationTaronQV::WriteLoadedConfiguration()
{
    UpdateConfigurationTaronQVTabControls();
    FLoadedWrite = true;
    // The load says itself which of its steps did not go through.
    const bool written = writeConfiguration(nullptr, false, true, false);
    FLoadedWrite = false;
    return written;
}

bool TFrmMultiConfigurationTaronQV::writeConfiguration(QObject *sender, bool readBack, bool modelBytesLater,
                                                       bool reportFailure)
{
    if (!readyOrSay(sender))
        return false;
    if (!WriteFits())
        return false;
    // Every setting the window shows goes out: one whose device value the
    // record does not hold yet is read first, and without it nothing is
    // written.
    if (!DataManager->ReadKind48WindowSettings()) {
        if (Common && reportFailure)
            Common->ShowWarning(TranslateKey(QStringLiteral("strComError")));
        return false;
    }
    std::optional<TTimerPause> pause;
    if (FForm) {
        pause.emplace(*FForm);
        if (!FForm->UpdateLastChangeInfo(Modified()))
            return false;
    }
    TRecordedWrite write;
    const bool written = write.Report(writeRoad(modelBytesLater));
    if (written && readBack) {
        RefreshFromDevice();
    } else if (written) {
        SetModified(false);
    } else {
        // The edits stay, marked, for a second write (also when the link
        // was lost on the way).
        ChangeHelper->SetModified(true);
        if (Common)
            Common->SetButtonHighlight(BtBKnfWriteConfiguration, true);
        if (Common && reportFailure)
            Common->ShowWarning(TranslateKey(QStringLiteral("strConfWriteIncomplete")));
    }
    return written;
}

bool TFrmMultiConfigurationTaronQV::writeRoad(bool modelBytesLater)
{
    TDeviceRecord &r = DeviceRecord;
    TDataManager &dm = *DataManager;
    const auto *b = BasePage;
    const auto *a = AdvancePage;
    const auto *s = SwitchingPage;
    const auto *info = InfoPage;
    bool all = true;
    // Every setting the window shows goes out on every version, as shown; a
    // list without an entry sends the device's value from the record (the
    // window reads what the configuration read leaves out for the version).
    auto b8 = [&](uint8_t id, int v) { all = dm.WriteParamByte(id, uint8_t(v)) && all; };
    auto w16 = [&](uint8_t id, int v) { all = dm.WriteParamWord(id, uint16_t(v)) && all; };

    // Switching flags, then their values.
    r.Tred_lt_Load = Checked(s->ChBConfLowTredAndHighLoadReturnToPetrol);
    r.RPMWireNotConnect = Checked(a->ChBConfRPMNotConnected);
    r.FuelOverlap = Checked(s->ChBConfFuelOverlap);
    r.GasInjHeating = Checked(s->ChBConfGasInjectorsHeating);
    r.PreinjectionProcessDuringCutOff = Checked(s->ChBConfPreinjectionProcessDuringCutOff);
    // A byte of flags goes out as FlagsByteToWrite gives it: the bits the
    // window has no control for go back as the device holds them (read with
    // the configuration).
    const auto keepingOtherBits = [&r, &b8](uint8_t id) { b8(id, FlagsByteToWrite(r, id)); };
    keepingOtherBits(37);
    r.MinTredForGasInjHeating = quint8(Entry(s->CmBConfMinTredForGasInjctorsHeatingProcess, HeatingMinTred,
                                             r.MinTredForGasInjHeating));
    b8(42, r.MinTredForGasInjHeating);
    r.MaxCyclesMixedFuel = quint8(Index(s->CmBConfFuelOverlapCycles, r.MaxCyclesMixedFuel));
    b8(40, r.MaxCyclesMixedFuel);
    r.MaxTimeMixedFuel = quint16(Entry(s->CmBConfFuelOverlapTime, FuelOverlapTime, r.MaxTimeMixedFuel));
    w16(16, r.MaxTimeMixedFuel);
    r.Tred_lt_Load_Tredval = quint8(Entry(s->CmBConfLowTredForTredLoadReturnToPetrol, NomTred, r.Tred_lt_Load_Tredval));
    b8(38, r.Tred_lt_Load_Tredval);
    r.Tred_lt_Load_Lval = quint8(Shown(s->CmBConfHighLoadPetrolForTredReturnToPetrol, r.Tred_lt_Load_Lval));
    b8(39, r.Tred_lt_Load_Lval);
    r.Tgas_lt_Load_Lval = quint8(Shown(s->CmBConfHighLoadPetrolForTgasReturnToPetrol, r.Tgas_lt_Load_Lval));
    b8(43, r.Tgas_lt_Load_Lval);
    r.MinPressDuringCuttOffForPreinjections = quint8(Entry(s->CmBConfPressurePreinjectionProcessDuringCutOff,
                                                           CutOffPressure, r.MinPressDuringCuttOffForPreinjections));
    b8(44, r.MinPressDuringCuttOffForPreinjections);

    // The base block and what depends on it.
    if (const int n = b->ChosenCylinders())
        r.InjectorMask = quint8((1u << n) - 1);
    b8(12, Index(a->CmBKnfInjSystemType, r.InjSystemType));
    const bool typeChosen = b->CmbKnfInjType->currentIndex() >= 0;
    const int injType = typeChosen ? b->CmbKnfInjType->currentData().toInt() : r.InjTypeName;
    // Without a chosen type the device keeps its own drive class.
    const int driveClass = typeChosen ? (ProgramLogic ? ProgramLogic->ReadDataGroup(injType) : 0)
                                      : r.ModelDataExtra[0] & 3;
    b8(2, injType);
    b8(11, Index(info->CmbKnfRedType, r.RedType));
    const int level = Index(b->CmbKnfLevelSensorType, r.ReserveType);
    const bool cng = !a->RdBKnfLPG->isChecked();
    const int base = (driveClass & 3) | (level & 3) << 2 | (cng ? 1 : 0) << 4
                     | (Index(b->CmbKnfRPMSource, r.RPMsource) & 3) << 5 | (Index(info->CmBKnfEngineType, r.EngineType) & 1) << 7;
    const int t = Entry(b->CmBKnfNomTred, NomTred, r.T);
    const int rpm = Entry(b->CmBKnfNomRPM, NomRpm, r.RPM);
    const bool block = dm.WriteConfigCmd04(uint16_t(rpm), uint8_t(t), uint8_t(base), r.InjectorMask);
    all = block && all;
    int micro = 150; // the "1,6" entry
    if (block) {
        b8(28, Index(a->CmBKnfPressureSensorType, r.PressureSensorType - 1) + 1);
        const quint8 inFlow = Checked(a->ChBKnfGasTempSensorInFlow) ? 1 : 0;
        // The gas-temperature correction follows a change of the sensor's
        // place; an unchanged place keeps the curve the user may have edited.
        const bool moved = inFlow != r.GasTempSensorInFlow;
        r.GasTempSensorInFlow = inFlow;
        if (moved && ProgramLogic && !FLoadedWrite)
            ProgramLogic->UpdateGasTempCorrection(inFlow, false);
        keepingOtherBits(32);
        micro = Entry(a->CmbKnfMicroinjectionTime, MicroinjectionTime, r.MicroInjectionTime);
        if (const int n = b->ChosenCylinders())
            r.InjSW = quint8(n);
        r.FuelType = cng ? 1 : 0;
        r.ReserveType = quint8(level);
        TProgramLogic::ShowControl(b->BtnKnfLvSensorConfig, level > 0, true);
    }
    if (FForm)
        FForm->UpdateCylinderCountControls(true);
    b8(17, Checked(a->ChBKnfMicroInjection));
    b8(23, micro);
    b8(18, Checked(a->ChBKnfHemiEngine));
    b8(5, Checked(a->ChBKnfPetrolInjPlusControl));
    b8(20, Checked(a->ChBKnfExternalEmulator));
    b8(16, Checked(a->ChBKnfSemiGasControl));
    b8(8, Index(a->CmBConfRPMSourceType, r.RPMSourceType));
    b8(27, Checked(a->ChBKnfMasterMode));
    w16(9, Entry(s->CmBConfEmulatorSwitchDelay, EmulatorSwitchDelay, r.EmulatorSwitchDelay));
    b8(3, Entry(s->CmBKnfLowPressDelay, LowPressDelay, r.LowPD));
    b8(4, Entry(s->CmBKnfLowPressTreshold, LowPressTreshold, r.LowPT));
    if (!FLoadedWrite)
        b8(7, 0);
    r.PostValveDelay = quint16(Entry(a->CmBConfPostValveDelay, PostValveDelay, r.PostValveDelay));
    w16(10, r.PostValveDelay);

    // Return to petrol.
    r.RPM_lt = Checked(s->ChBKnfLowRPMReturnToPetrol);
    r.RPM_gt = Checked(s->ChBKnfHighRPMReturnToPetrol);
    r.LoadP_gt = Checked(s->ChBKnfHighLoadReturnToPetrol);
    r.RisingT = Checked(s->ChBKnfRaisingTswitching);
    r.AdaptationMode = Checked(a->ChBConfAutoAdaptation);
    r.Tgas_lt = Checked(s->ChBKnfLowTgasReturnToPetrol);
    r.TuningMode = Checked(s->ChBKnfTuningMode);
    r.RPM_lt_val = quint16(Entry(s->CmBKnfLowRPMReturnToPetrol, LowRpmReturn, r.RPM_lt_val));
    r.RPM_gt_val = quint16(Entry(s->CmBKnfHighRPMReturnToPetrol, HighRpmReturn, r.RPM_gt_val));
    r.LoadP_gt_val = quint8(Entry(s->CmBKnfHighLoadReturnToPetrol, HighLoadReturn, r.LoadP_gt_val));
    r.Tgas_lt_val = quint8(Entry(s->CmBKnfLowTgasReturnToPetrol, LowTgasReturn, r.Tgas_lt_val));
    b8(35, r.Tgas_lt_val);
    w16(11, r.RPM_lt_val);
    w16(12, r.RPM_gt_val);
    // With the model written after, its write composes id 31 from these
    // flags and sends it once.
    if (!modelBytesLater)
        keepingOtherBits(31);
    b8(29, r.LoadP_gt_val);
    b8(33, r.ReserveType);
    b8(21, r.TuningMode);
    // A probe type no entry shows goes back as read; no probe is 0.
    b8(1, Checked(info->ChBKnfLambda) ? Index(info->CmBKnfLambdaType, r.LambdaType - 1) + 1 : 0);

    // Engine.
    // Whole numbers the device holds (checked before the first frame).
    auto typed = [](const QLineEdit *edit) {
        double v = 0;
        NumberText::ParseTyped(edit->text(), v);
        return int(v);
    };
    w16(7, typed(info->YEdKnfCubicCap));
    w16(6, typed(info->YEdKnfPower));
    b8(10, Entry(info->CmBKnfNozle, Nozle, r.NozzleSize));

    // Cut-off and gas-time limits.
    r.InjTimeForEnrichmentDuringCutOff = quint16(
        Entry(a->CmBConfInjTimeForEnrichmentDuringCutOff, CutOffEnrichInjTime, r.InjTimeForEnrichmentDuringCutOff));
    w16(19, r.InjTimeForEnrichmentDuringCutOff);
    r.MaxRpmForEnrichmentDuringCutOff = quint16(
        Entry(a->CmBConfMaxRpmForEnrichmentDuringCutOff, CutOffEnrichMaxRpm, r.MaxRpmForEnrichmentDuringCutOff));
    w16(18, r.MaxRpmForEnrichmentDuringCutOff);
    r.MazdaEnrichmentPercentage =
        quint8(Entry(a->CmBConfMazdaEnrichmentPercentage, IgnitionCorrPercent, r.MazdaEnrichmentPercentage));
    b8(49, r.MazdaEnrichmentPercentage);
    r.PreinjectionsDuringCutOffForLowRPMEnabled = Checked(a->ChBConfEnrichmentDuringCutOffForLowRPM);
    r.MazdaIgnitionTypeCorrEnabled = Checked(a->ChBConfMazdaIgnitionTypeCorr);
    keepingOtherBits(50);
    r.MinGasInjTimeEnabled = Checked(a->ChBConfMinGasInjTime);
    r.MaxGasInjTimeEnabled = Checked(a->ChBConfMaxGasInjTime);
    r.CutOffModeActivated = Checked(s->ChBConfCutOffModeReturnToPetrol);
    // Bits 0, 2, 3 and 6 pass on what the record holds; bit 7 (hot start on
    // gas) is the device's own below "J" and goes back as read. With the
    // model written after, its write composes the byte and sends it once.
    if (!modelBytesLater)
        keepingOtherBits(52);
    r.AfterCutOffEmulSwitchDelay =
        quint16(Entry(s->CmBConfCutOffEmulSwitchDelay, EmulatorSwitchDelay, r.AfterCutOffEmulSwitchDelay));
    w16(24, r.AfterCutOffEmulSwitchDelay);
    r.OnCutOffDelay = quint16(Entry(s->CmBOnCutOffDelay, OnCutOffDelay, r.OnCutOffDelay));
    w16(25, r.OnCutOffDelay);
    r.MinGasInjectionTime = quint16(Entry(a->CmBConfMinGasInjTime, MinGasInjTime, r.MinGasInjectionTime));
    w16(20, r.MinGasInjectionTime);
    r.MaxGasInjectionTime = quint16(Entry(a->CmBConfMaxGasInjTime, MaxGasInjTime, r.MaxGasInjectionTime));
    w16(21, r.MaxGasInjectionTime);
    return all && dm.GetConnected();
}

// ---- Factory configuration ---------------------------------------------------------------------

bool TFrmMultiConfigurationTaronQV::BtBKnfWriteDefaultConfigurationClick(QObject *sender)
{
    // A locked device takes none of it: the button says so.
    if (!deviceIsKind48() || !readyOrSay(sender))
        return false;
    return WriteDefaultConfiguration();
}

// The kind-48 calibration window's parts of the factory settings: its
// default model for the injector type and pressure sensor just written
// (the record holds them), written without a question of its own, and its
// map templates cleared after their question. The model's write has
// switched the adaptation off, so the clearing does not send id 31 again.
bool TFrmMultiConfigurationTaronQV::writeCalibrationDefaultModel()
{
    // The factory write says itself what it did not write.
    return FrmMultiCalibrationTaronQV && FrmMultiCalibrationTaronQV->SetDefaultModel(true, false, false);
}

bool TFrmMultiConfigurationTaronQV::clearCalibrationPetrolTemplate()
{
    return !FrmMultiCalibrationTaronQV || FrmMultiCalibrationTaronQV->Map->BtnCalMapPetrolTemplateClearClick(true);
}

bool TFrmMultiConfigurationTaronQV::WriteDefaultConfiguration()
{
    if (!Common
        || Common->AskOkCancel(TranslateKey(QStringLiteral("strWriteDefaultSettings")),
                               TranslateKey(QStringLiteral("strWriteDefaultSettingsCaption")))
               != mrOk)
        return false;
    // Edited settings pass the change-record question before the first frame;
    // the record goes out after the last one, the 44 cells and the cleared
    // templates included.
    if (FForm && !FForm->UpdateLastChangeInfo(true))
        return false;
    TRecordedWrite write;
    auto *b = BasePage;
    auto *a = AdvancePage;
    auto *s = SwitchingPage;
    auto *info = InfoPage;
    // A setting the factory configuration has no value for goes back as the
    // device holds it: the controls show the device's values (read first
    // where the record does not hold them), then the factory values.
    UpdateConfigurationTaronQVTabControls();
    a->RdBKnfLPG->setChecked(true);
    SetIndex(b->CmbKnfInjCount, b->CmbKnfInjCount->count() - 1);
    info->YEdKnfCubicCap->setText(QStringLiteral("0"));
    SetIndex(a->CmBKnfInjSystemType, 1);
    SetIndex(info->CmBKnfEngineType, 0);
    info->YEdKnfPower->setText(QStringLiteral("66"));
    SetIndex(info->CmBKnfNozle, 0);
    SetIndex(b->CmbKnfInjType, 0);
    SetIndex(a->CmBKnfPressureSensorType, 2);
    a->ChBKnfGasTempSensorInFlow->setChecked(true);
    SetIndex(b->CmbKnfLevelSensorType, 1);
    // The level sensor's factory thresholds for the default sensor type.
    DeviceRecord.ReserveType = 1;
    if (FrmConfigLevelSensor)
        FrmConfigLevelSensor->BtnKnfLSDefaultClick();
    SetIndex(info->CmbKnfRedType, 0);
    SetIndex(b->CmbKnfRPMSource, 0);
    info->ChBKnfLambda->setChecked(false);
    info->ShowLambda(false);
    SetIndex(info->CmBKnfLambdaType, -1);
    a->ChBConfEnrichmentDuringCutOffForLowRPM->setChecked(false);
    chooseText(a->CmBConfInjTimeForEnrichmentDuringCutOff, QStringLiteral("4"));
    chooseText(a->CmBConfMaxRpmForEnrichmentDuringCutOff, QStringLiteral("2500"));
    a->ChBConfMazdaIgnitionTypeCorr->setChecked(false);
    chooseText(a->CmBConfMazdaEnrichmentPercentage, QStringLiteral("0"));
    chooseText(b->CmBKnfNomTred, QStringLiteral("35"));
    s->ChBKnfRaisingTswitching->setChecked(false);
    chooseText(b->CmBKnfNomRPM, QStringLiteral("400"));
    SetIndex(s->CmBConfEmulatorSwitchDelay, 1);
    SetIndex(s->CmBKnfLowPressTreshold, 1);
    SetIndex(s->CmBKnfLowPressDelay, 3);
    s->ChBKnfTuningMode->setChecked(true);
    for (QCheckBox *box : {s->ChBKnfLowRPMReturnToPetrol, s->ChBKnfHighRPMReturnToPetrol,
                           s->ChBKnfHighLoadReturnToPetrol, s->ChBKnfLowTgasReturnToPetrol})
        box->setChecked(false);
    SetIndex(s->CmBKnfLowRPMReturnToPetrol, 0);
    SetIndex(s->CmBKnfHighRPMReturnToPetrol, 10);
    SetIndex(s->CmBKnfHighLoadReturnToPetrol, 8);
    SetIndex(s->CmBKnfLowTgasReturnToPetrol, 10);
    s->ChBConfLowTredAndHighLoadReturnToPetrol->setChecked(false);
    chooseText(s->CmBConfLowTredForTredLoadReturnToPetrol, QStringLiteral("40"));
    chooseText(s->CmBConfHighLoadPetrolForTredReturnToPetrol, QStringLiteral("50"));
    Choose(s->CmBConfPressurePreinjectionProcessDuringCutOff, CutOffPressure, 226); // 2.3 bar
    s->ChBConfGasInjectorsHeating->setChecked(false);
    chooseText(s->CmBConfMinTredForGasInjctorsHeatingProcess, QStringLiteral("30"));
    s->ChBConfFuelOverlap->setChecked(false);
    chooseText(s->CmBConfFuelOverlapCycles, QStringLiteral("1"));
    chooseText(s->CmBConfFuelOverlapTime, QStringLiteral("4"));
    s->ChBConfPreinjectionProcessDuringCutOff->setChecked(true);
    a->ChBKnfNosequential->setChecked(false);
    a->ChBKnfMicroInjection->setChecked(false);
    a->ChBKnfMicroInjectionClick();
    Choose(a->CmbKnfMicroinjectionTime, MicroinjectionTime, 150); // 1.6 ms
    a->ChBKnfHemiEngine->setChecked(false);
    a->ChBKnfPetrolInjPlusControl->setChecked(false);
    a->ShowExternalEmulator(false);
    SetIndex(a->CmBConfPostValveDelay, 9);
    a->ChBKnfSemiGasControl->setChecked(false);
    a->ChBConfRPMNotConnected->setChecked(false);
    SetIndex(a->CmBConfRPMSourceType, 0);
    a->ChBKnfMasterMode->setChecked(false);
    a->ChBKnfAlwaysStartOnGas->setChecked(false);
    a->ChBConfAutoAdaptation->setChecked(false);
    DeviceRecord.MinGasInjTimeEnabled = 0;
    DeviceRecord.MaxGasInjTimeEnabled = 0;
    a->ChBConfMinGasInjTime->setChecked(false);
    a->ChBConfMaxGasInjTime->setChecked(false);
    DeviceRecord.MinGasInjectionTime = 374;
    DeviceRecord.MaxGasInjectionTime = 3740;
    Choose(a->CmBConfMinGasInjTime, MinGasInjTime, 374);
    Choose(a->CmBConfMaxGasInjTime, MaxGasInjTime, 3740);
    s->EnableByBoxes();
    // The controls now differ from the device: the write asks as for an edit.
    SetModified(true);
    // Each byte goes out once, with its final value: the calibration
    // window's model write sends ids 31 and 52 after the configuration.
    // The window reads the device once the last write went out.
    const bool modelLater = FrmMultiCalibrationTaronQV != nullptr;
    if (!writeConfiguration(nullptr, false, modelLater))
        return false;
    TDataManager &dm = *DataManager;
    // Every step goes out; one the device did not take is told at the end.
    bool all = dm.WriteParamWord(14, 0);
    all = (writeCalibrationDefaultModel() || !modelLater) && all;
    all = dm.ClearMapDE(1) && all;
    all = dm.ClearMapDE(2) && all;
    all = dm.ClearTroubleCodes() && all;
    all = dm.SendCmd3Fb() && all;
    for (const TCell &cell : DefaultCells) {
        if (cell.Word)
            all = dm.WriteCmd32(cell.Address, cell.Value) && all;
        else
            all = dm.WriteCounter34(cell.Address, uint8_t(cell.Value)) && all;
    }
    // The templates are the write's last frames: its change record follows
    // them.
    if (all && dm.GetConnected())
        all = clearCalibrationPetrolTemplate();
    if (write.Report(all && dm.GetConnected())) {
        RefreshFromDevice();
        return true;
    }
    SetModified(true);
    if (Common)
        Common->ShowWarning(TranslateKey(QStringLiteral("strConfDefaultIncomplete")));
    return false;
}

// ---- Pressure, injection system, level sensor -------------------------------------------------

void TFrmMultiConfigurationTaronQV::BtBKnfCheckPressureClick()
{
    if (!deviceReady() || !Common)
        return;
    if (!Common->AskYesNo(TranslateKey(QStringLiteral("strQuestSwitchToGas")), TCommon::ApplicationTitle()))
        return;
    std::optional<TTimerPause> pause;
    if (FForm)
        pause.emplace(*FForm);
    DataManager->SetWorkType(4);
    settle(PressureSettleMs);
    // Without an answer no pressure is shown as measured.
    const bool read = DataManager->ReadDeviceInfo();
    AdvancePage->DgDPsys->SetCaption(read ? FormatPressure(DeviceRecord.GasPressureRaw) : QString());
    const bool back = DataManager->SetWorkType(5);
    if ((!read || !back) && Common)
        Common->ShowWarning(TranslateKey(QStringLiteral("strConfPressureCheckFailed")));
}

void TFrmMultiConfigurationTaronQV::BtnKnfCheckInjSystemClick()
{
    if (!deviceReady())
        return;
    std::optional<TTimerPause> pause;
    if (FForm)
        pause.emplace(*FForm);
    if (DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("F"))) {
        // Without an answer the chosen system stays as it was.
        bool ok = false;
        const uint16_t answer = DataManager->ReadValue16(38, &ok);
        if (ok)
            SetIndex(AdvancePage->CmBKnfInjSystemType, answer >> 8);
        else if (Common)
            Common->ShowWarning(TranslateKey(QStringLiteral("strConfInjSystemNotDetected")));
    } else if (ProgramLogic) {
        ProgramLogic->FormatInjectionTimes(AdvancePage->LblConfSysInj, AdvancePage->LblConfSysInj2,
                                           AdvancePage->CmBKnfInjSystemType);
    }
}

void TFrmMultiConfigurationTaronQV::BtnKnfLvSensorConfigClick()
{
    if (!deviceReady() || !FrmConfigLevelSensor)
        return;
    QTimer *timer = FForm ? FForm->Timerek : nullptr;
    if (timer)
        timer->stop();
    ExecModal(FrmConfigLevelSensor);
    if (timer)
        timer->start();
}

// ---- Page guard -----------------------------------------------------------------------------------

void TFrmMultiConfigurationTaronQV::PgCConfigurationChanging(QObject *sender, bool &allowChange)
{
    Q_UNUSED(sender);
    allowChange = true;
    if (!Modified() || !Common)
        return;
    // A write the window would refuse is refused before the question: the
    // edits stay, nothing is asked or sent.
    if (!WriteFits()) {
        allowChange = false;
        return;
    }
    const int answer = Common->AskSaveChangedData(false);
    // A write that failed keeps the page: its edits stay for a second write.
    // The answer and the write are one recorded write: the record goes out
    // once the write went through, and one that did not owes none.
    if (answer == mrCancel) {
        allowChange = false;
    } else if (answer == mrYes) {
        TRecordedWrite write;
        allowChange = write.Report(BtBKnfWriteConfigurationClick(nullptr));
    }
}

void TFrmMultiConfigurationTaronQV::PgCConfigurationChange(QObject *sender)
{
    PgCConfiguration->update();
    if (Modified() || !sender)
        RefreshFromDevice();
}
