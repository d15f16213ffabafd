#include "mainwindow/shell/FormMainReadingControls.h"

#include "core/LM.h"
#include "core/ui/Custom.h"

#include <QEvent>
#include <QGraphicsLayout>

namespace readings {

QString Tr(const QString &key)
{
    return LM ? LM->Translate(key) : QStringLiteral("!_") + key;
}

TResizeRelay::TResizeRelay(QObject *parent, std::function<void()> onResize) : QObject(parent)
{
    FOnResize = std::move(onResize);
}

bool TResizeRelay::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && FOnResize)
        FOnResize();
    return QObject::eventFilter(watched, event);
}

} // namespace readings

namespace {

// The two-slice pie of an engine-load chart, (0, 100) until the first refresh.
void EnsurePie(QChartView *view)
{
    if (readings::PieOf(view))
        return;
    auto *pie = new QPieSeries(view->chart());
    pie->append(QString(), 0.0);
    pie->append(QString(), 100.0);
    pie->setPieSize(1.0);
    pie->slices().at(0)->setBrush(QColor(0xFF, 0x40, 0x40));
    pie->slices().at(1)->setBrush(QColor(0xE0, 0xE0, 0xE0));
    view->chart()->addSeries(pie);
    // The pie fills its small view.
    view->chart()->setBackgroundRoundness(0);
    view->chart()->layout()->setContentsMargins(0, 0, 0, 0);
}

} // namespace

template <typename T> T *TFormMain::TReadingControls::Get(const QString &name)
{
    if (T *found = FWindow->Component<T>(name))
        return found;
    Missing << name;
    T *standIn = new T(FStandIns);
    standIn->setObjectName(name + QStringLiteral("_standIn"));
    return standIn;
}

TFormMain::TReadingControls::TReadingControls(TFormMain *window)
    : FWindow(window), FStandIns(new QWidget(window))
{
    FStandIns->hide();
    FStandIns->setObjectName(QStringLiteral("readingStandIns"));
    auto tabs = [this](const char *n) { return Get<QTabWidget>(QLatin1String(n)); };
    auto page = [this](const char *n) { return Get<QWidget>(QLatin1String(n)); };
    auto dgd = [this](const char *n) { return Get<TDigitalDisplay>(QLatin1String(n)); };
    auto lbl = [this](const char *n) { return Get<TCaptionPanel>(QLatin1String(n)); };
    auto chart = [this](const char *n) { return Get<QChartView>(QLatin1String(n)); };
    auto grid = [this](const char *n) { return Get<QTableWidget>(QLatin1String(n)); };
    auto edit = [this](const char *n) { return Get<QLineEdit>(QLatin1String(n)); };
    auto combo = [this](const char *n) { return Get<QComboBox>(QLatin1String(n)); };
    auto bar = [this](const char *n) { return Get<QProgressBar>(QLatin1String(n)); };
    auto numbered = [this]<typename T, size_t N>(std::array<T *, N> &list, const char *pattern) {
        for (size_t i = 0; i < N; ++i)
            list[i] = Get<T>(QString::fromLatin1(pattern).arg(i + 1));
    };

    PgCMain = tabs("PgCMain");
    PgCCalibration = tabs("PgCCalibration");
    PgCConfWizard = tabs("PgCConfWizard");
    PgCDiagnostyka = tabs("PgCDiagnostyka");
    PgCOBDAdaptationCorr = tabs("PgCOBDAdaptationCorr");
    TbSMeasure = page("TbSMeasure");
    TbSCalibration = page("TbSCalibration");
    TbSCalMap = page("TbSCalMap");
    TbSCalModel = page("TbSCalModel");
    TbSCalModel2 = page("TbSCalModel2");
    TbSCalCorrections = page("TbSCalCorrections");
    TbSConfigurator = page("TbSConfigurator");
    TbSConfBased = page("TbSConfBased");
    TbSConfAutoCal = page("TbSConfAutoCal");
    TbSConfFinish = page("TbSConfFinish");
    TbSDiagnostic = page("TbSDiagnostic");
    TbSDgnAdvance = page("TbSDgnAdvance");
    TbSOBDAdaptCorrBank1 = page("TbSOBDAdaptCorrBank1");

    DgDOdcPetrol = dgd("DgDOdcPetrol");
    DgDOdcLPG = dgd("DgDOdcLPG");
    DgDOdcRPM = dgd("DgDOdcRPM");
    DgDOdcTred = dgd("DgDOdcTred");
    DgDOdcTgaz = dgd("DgDOdcTgaz");
    DgDOdcPcol = dgd("DgDOdcPcol");
    DgDOdcPsys = dgd("DgDOdcPsys");
    DgDOdcLambda = dgd("DgDOdcLambda");
    PrBOdcPsys = bar("PrBOdcPsys");
    PrBOdcRPM = bar("PrBOdcRPM");
    numbered(PrBOdcPetrol, "PrBOdcPetrol%1");
    numbered(PrBOdcLPG, "PrBOdcLPG%1");
    numbered(LblOdcWskTb, "LblOdcWskTb%1");
    numbered(LblOdcWskTg, "LblOdcWskTg%1");
    numbered(LblOdcGasInjCorr, "LblOdcGasInjCorr%1");
    PnlOdcGasInjCorr = lbl("PnlOdcGasInjCorr");
    LblEngineLoad = lbl("LblEngineLoad");
    LblOdcTNomRed = lbl("LblOdcTNomRed");
    LblOdcVbat = lbl("LblOdcVbat");
    LblOdcVbatUnit = lbl("LblOdcVbatUnit");
    LblOdcPETROL = lbl("LblOdcPETROL");
    LblOdcLPG = lbl("LblOdcLPG");
    PnlOdcLambdaCenter = lbl("PnlOdcLambdaCenter");
    PnlOdcBarLambda = lbl("PnlOdcBarLambda");
    LblOdcLambdaPnl = lbl("LblOdcLambdaPnl");
    PnlOdcTinj1_3 = lbl("PnlOdcTinj1_3");
    PnlOdcInjMarkPetrol = lbl("PnlOdcInjMarkPetrol");
    PnlOdcInjMarkLPG = lbl("PnlOdcInjMarkLPG");
    ChtOdcWskTb = chart("ChtOdcWskTb");
    ChtOdcWskTg = chart("ChtOdcWskTg");
    EnsurePie(ChtOdcWskTb);
    EnsurePie(ChtOdcWskTg);
    CmbOdcInjDisplay = combo("CmbOdcInjDisplay");
    PnlOdcPanelStan = lbl("PnlOdcPanelStan");
    PnlOdcPanelR = lbl("PnlOdcPanelR");
    LblPanelG = lbl("LblPanelG");
    numbered(PnlOdcPanelP, "PnlOdcPanelP%1");

    ChtMapa = chart("ChtMapa");
    ChtMapa2 = chart("ChtMapa2");
    ChtMapaQ3 = chart("ChtMapaQ3");
    ChtModel = chart("ChtModel");
    ChBCalMapFastMap = Get<QCheckBox>(QStringLiteral("ChBCalMapFastMap"));
    PnlModOdcHide = lbl("PnlModOdcHide");
    LblModPetrol = lbl("LblModPetrol");
    LblModLPG = lbl("LblModLPG");
    PnlModLambda = lbl("PnlModLambda");
    PnlModPcol = lbl("PnlModPcol");
    PnlModBarLambda = lbl("PnlModBarLambda");
    LblModLambdaPnl = lbl("LblModLambdaPnl");
    LblActualAdaptCorr_B1 = lbl("LblActualAdaptCorr_B1");
    LblActualAdaptCorr_B2 = lbl("LblActualAdaptCorr_B2");
    DgDModTred = dgd("DgDModTred");
    DgDModTgaz = dgd("DgDModTgaz");
    DgDModPsys = dgd("DgDModPsys");
    DgDModPcol = dgd("DgDModPcol");
    DgDModPetrol = dgd("DgDModPetrol");
    DgDModLPG = dgd("DgDModLPG");
    DgDModRPM = dgd("DgDModRPM");
    DgDCalRPM = dgd("DgDCalRPM");
    DgDCalMapRPM = dgd("DgDCalMapRPM");
    StGOBDAdaptCorrsBank1 = grid("StGOBDAdaptCorrsBank1");
    StGOBDAdaptCorrsBank2 = grid("StGOBDAdaptCorrsBank2");
    StGOBDAdaptBank1LoadThresholds = grid("StGOBDAdaptBank1LoadThresholds");
    StGOBDAdaptBank2LoadThresholds = grid("StGOBDAdaptBank2LoadThresholds");
    StGOBDAdaptBank1RPMThresholds = grid("StGOBDAdaptBank1RPMThresholds");
    StGOBDAdaptBank2RPMThresholds = grid("StGOBDAdaptBank2RPMThresholds");

    DgDConfGasElementsRPM = dgd("DgDConfGasElementsRPM");
    DgDConfGasElementsLambda = dgd("DgDConfGasElementsLambda");
    DgDConfAutoRPM = dgd("DgDConfAutoRPM");
    DgDConfAutoPetrol = dgd("DgDConfAutoPetrol");
    DgDConfAutoGas = dgd("DgDConfAutoGas");
    DgDConfAutoPcol = dgd("DgDConfAutoPcol");
    DgDConfAutoPsys = dgd("DgDConfAutoPsys");
    DgDConfAutoTred = dgd("DgDConfAutoTred");
    LblConfAutoPetrol = lbl("LblConfAutoPetrol");
    LblConfAutoGas = lbl("LblConfAutoGas");
    PnlConfAutoLambda = lbl("PnlConfAutoLambda");
    PnlConfAutoBarLambda = lbl("PnlConfAutoBarLambda");
    LblConfAutoLambdaPnl = lbl("LblConfAutoLambdaPnl");

    PnlDgnAdvReadings = lbl("PnlDgnAdvReadings");
    PnlDgnAdvLambda = lbl("PnlDgnAdvLambda");
    PnlDgnAdvBarLambda = lbl("PnlDgnAdvBarLambda");
    LblDgnAdvLambdaPnl = lbl("LblDgnAdvLambdaPnl");
    LblDgnAdvActualInjSystemType = lbl("LblDgnAdvActualInjSystemType");
    LblDgnAdvOtherInjSystemType = lbl("LblDgnAdvOtherInjSystemType");
    DgDDgnAdvPsys = dgd("DgDDgnAdvPsys");
    DgDDgnAdvPcol = dgd("DgDDgnAdvPcol");
    DgDDgnAdvTred = dgd("DgDDgnAdvTred");
    DgDDgnAdvTgas = dgd("DgDDgnAdvTgas");
    DgDDgnAdvRPM = dgd("DgDDgnAdvRPM");
    DgDDgnAdvPetrol = dgd("DgDDgnAdvPetrol");
    DgDDgnAdvGas = dgd("DgDDgnAdvGas");
    numbered(LblDgnAdvPetrol, "LblDgnAdvPetrol%1");
    numbered(LblDgnAdvGas, "LblDgnAdvGas%1");
    numbered(DpSSwitchCh, "DpSSwitchCh%1");
    DpSValve = Get<TDipSwitch>(QStringLiteral("DpSValve"));
    EdtDgnAdvEmergencyStarts = edit("EdtDgnAdvEmergencyStarts");
    EdtDgnAdvTpcb = edit("EdtDgnAdvTpcb");
    EdtDgnAdvActualTpcb = edit("EdtDgnAdvActualTpcb");
    CmBDgnAdvActualInjSystemType = combo("CmBDgnAdvLblDgnAdvActualInjSystemType");
    CmBDgnAdvOtherInjSystemType = combo("CmBDgnAdvLblDgnAdvOtherInjSystemType");

    PnlStatus = lbl("PnlStatus");
    PnlStatusAutoConnect = lbl("PnlStatusAutoConnect");
    PnlStatusGazSwitchText = lbl("PnlStatusGazSwitchText");
    PnlStatusDeviceInfo = lbl("PnlStatusDeviceInfo");
    LblQSProgramSoftVer = lbl("LblQSProgramSoftVer");
    LblQSDeviceSoftVer = lbl("LblQSDeviceSoftVer");
    LblQSAdapterSoftVer = lbl("LblQSAdapterSoftVer");
    // The device's and the box's own version texts.
    for (QWidget *given : {LblQSDeviceSoftVer, LblQSAdapterSoftVer})
        TCustom::KeepGivenTexts(given);
    PnlQSComPort = lbl("PnlQSComPort");
    ShpStatusGazState = Get<TPaintShape>(QStringLiteral("ShpStatusGazState"));
    SpBStatusDeviceInfo = Get<QToolButton>(QStringLiteral("SpBStatusDeviceInfo"));
    BtnQSUpgrade = Get<QPushButton>(QStringLiteral("BtnQSUpgrade"));
    PoMChangeFuel = Get<QMenu>(QStringLiteral("PoMChangeFuel"));
    MnIChangeFuelGas = Get<QAction>(QStringLiteral("MnIChangeFuelGas"));
    MnIChangeFuelGasDirect = Get<QAction>(QStringLiteral("MnIChangeFuelGasDirect"));
    MnIChangeFuelPetrol = Get<QAction>(QStringLiteral("MnIChangeFuelPetrol"));
    MnIChangeFuelPetrolSeq = Get<QAction>(QStringLiteral("MnIChangeFuelPetrolSeq"));
}

TFormMain::TReadingControls &TFormMain::Rc()
{
    if (!FReadingControls)
        FReadingControls = std::make_shared<TReadingControls>(this);
    return *FReadingControls;
}
