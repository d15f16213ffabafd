#include "adapter/FormMultiOBD.h"

#include "adapter/DevStateAdapter.h"
#include "adapter/DevStateOBD.h"
#include "adapter/Logic.h"
#include "adapter/WorkPause.h"
#include "adapter/Manager.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/ModuleOBD.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "controls/DigitalDisplay.h"
#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/EnglishTextKeys.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include <utility>
#include <vector>

TFormMultiOBD *FormMultiOBD = nullptr;

namespace {

const QColor LightGrey(0xC0, 0xC0, 0xC0);
const QColor Olive(0x80, 0x80, 0x00);
const QColor Yellow(0xFF, 0xFF, 0x00);
const QColor Green(0x00, 0x80, 0x00);
const QColor Teal(0x00, 0x80, 0x80);
const QColor Lime(0x00, 0xFF, 0x00);
const QColor Red(0xFF, 0x00, 0x00);


TModuleOBD *module() { return Logic ? Logic->ModuleOBD() : nullptr; }
TUIStateOBD *ui() { return Logic ? Logic->UIStateOBD() : nullptr; }
bool obdActive() { return module() && module()->IsActive(); }
bool adapterActive() { return ::ModuleAdapter && ::ModuleAdapter->IsActive(); }
bool versionOk() { return DataManager && DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("H")); }
bool adaptationOn() { return ui() && ui()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean(); }

void setColour(QWidget *w, QPalette::ColorRole role, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(role, colour);
    w->setPalette(p);
    w->setAutoFillBackground(role == QPalette::Window || w->autoFillBackground());
}

QColor parentColour(QWidget *w)
{
    QWidget *p = w->parentWidget();
    return p ? p->palette().color(QPalette::Window) : w->palette().color(QPalette::Window);
}


// One reading of the live page: its display(s), the check box of its PID and
// the variables shown.
struct TLiveItem {
    const char *display;
    const char *caption;
    const char *check;
    int pid;
};

// The displays in their order on the page; index 18 and 19 are the wide-band
// sensors, which have a second display for the ratio.
const TLiveItem LiveItems[] = {
    {"DgDOBDRPM", "Obroty [obr/min]", "ChBOBDRPM", 0x0C},
    {"DgDOBDSpeed", "Prędkość [km/h]", "ChBOBDSpeed", 0x0D},
    {"DgDOBDLoad", "Obciążenie [%]", "ChBOBDLoad", 0x04},
    {"DgDOBDCoolantTemp", "Temp. cieczy [°C]", "ChBOBDCoolantTemp", 0x05},
    {"DgDOBDMAP", "MAP [bar]", "ChBOBDMAP", 0x0B},
    {"DgDOBDTimingAdvance", "Wyprzedzenie [°]", "ChBOBDTimingAdvance", 0x0E},
    {"DgDOBDIntakeAirTemp", "Temp. powietrza [°C]", "ChBOBDIntakeAirTemp", 0x0F},
    {"DgDOBDMAF", "MAF [g/s]", "ChBOBDMAF", 0x10},
    {"DgDOBDAbslThrottlePos", "Przepustnica [%]", "ChBOBDAbslThrottlePos", 0x11},
    {"DgDOBDStFtB1", "STFT B1 [%]", "ChBOBDStFtB1", 0x06},
    {"DgDOBDLtFtB1", "LTFT B1 [%]", "ChBOBDLtFtB1", 0x07},
    {"DgDOBDStFtB2", "STFT B2 [%]", "ChBOBDStFtB2", 0x08},
    {"DgDOBDLtFtB2", "LTFT B2 [%]", "ChBOBDLtFtB2", 0x09},
    {"DgDOBDLambda1B1", "Sonda 1 B1 [V]", "ChBOBDLambda1B1", 0x14},
    {"DgDOBDLambda2B1", "Sonda 2 B1 [V]", "ChBOBDLambda2B1", 0x15},
    {"DgDOBDLambda1B2", "Sonda 1 B2 [V]", "ChBOBDLambda1B2", 0x18},
    {"DgDOBDLambda2B2", "Sonda 2 B2 [V]", "ChBOBDLambda2B2", 0x19},
    {"LblOBDFuelSystemStatusB1", "Układ paliwowy", "ChBOBDFuelSysStat", 0x03},
    {"DgDOBDUego1", "Sonda szerokopasmowa 1", "ChBOBDUego1", 0x34},
    {"DgDOBDUego5", "Sonda szerokopasmowa 5", "ChBOBDUego5", 0x38},
};
constexpr int LiveItemCount = int(sizeof(LiveItems) / sizeof(LiveItems[0]));

// The variables an item shows, in its displays' order.
QList<TVariable *> ItemVariables(int index)
{
    TUIStateOBD *s = ui();
    if (!s)
        return {};
    switch (index) {
    case 0: return {s->OBDRPM};
    case 1: return {s->OBDSpeed};
    case 2: return {s->OBDLoad};
    case 3: return {s->OBDCoolantTemp};
    case 4: return {s->OBDMAP};
    case 5: return {s->OBDTimingAdvance};
    case 6: return {s->OBDIntakeAirTemp};
    case 7: return {s->OBDMAF};
    case 8: return {s->OBDAbslThrottlePos};
    case 9: return {s->OBDStFtB1};
    case 10: return {s->OBDLtFtB1};
    case 11: return {s->OBDStFtB2};
    case 12: return {s->OBDLtFtB2};
    case 13: return {s->OBDLambda[0]};
    case 14: return {s->OBDLambda[1]};
    case 15: return {s->OBDLambda[4]};
    case 16: return {s->OBDLambda[5]};
    case 17: return {s->OBDFuelSystemStatusB1, s->OBDFuelSystemStatusB2};
    case 18: return {s->OBDLambdaUEGOCurrent[0], s->OBDLambdaUEGOCurrentRatio[0]};
    case 19: return {s->OBDLambdaUEGOCurrent[4], s->OBDLambdaUEGOCurrentRatio[4]};
    default: return {};
    }
}

// Whether the link state keeps the protocol and the detection locked: a
// connection being made, held or taken down.
bool BusyState(int state)
{
    return (state >= 2 && state <= 14) || state >= 25;
}

// The PIDs whose polling the adapter's own adaptation needs.
bool LockedWhileAdapting(int pid)
{
    return (pid >= 0x06 && pid <= 0x09) || pid == 0x03 || pid == 0x14 || pid == 0x18 || pid == 0x34 || pid == 0x38;
}

QLabel *NewLabel(QWidget *parent, const char *name, const QRect &r, const QString &text = QString())
{
    return NewNamed<QLabel>(parent, name, r, text);
}

QSpinBox *NewSpin(QWidget *parent, const char *name, const QRect &r, int min, int max)
{
    auto *s = NewNamed<QSpinBox>(parent, name, r);
    s->setRange(min, max);
    return s;
}

QPixmap Lamp(const QColor &colour)
{
    QPixmap p(32, 32);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::black);
    painter.drawEllipse(2, 2, 28, 28);
    return p;
}

} // namespace

TFormMultiOBD::TFormMultiOBD(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormMultiOBD"));
    resize(768, 560);
    Wait = [](int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
            QThread::msleep(5);
        }
    };
    PnlMultiOBD = NewNamed<QFrame>(this, "PnlMultiOBD", {0, 0, 768, 440});
    PgCMain = NewNamed<QTabWidget>(PnlMultiOBD, "PgCMain", {0, 0, 768, 440});
    TbSOBDConfig = NewTabPage(PgCMain, "TbSOBDConfig", QStringLiteral("Konfiguracja"));
    TbSOBDLive = NewTabPage(PgCMain, "TbSOBDLive", QStringLiteral("Odczyty"));
    TbSOBDErrors = NewTabPage(PgCMain, "TbSOBDErrors", QStringLiteral("Kody błędów"));
    TbSOBDDebug = NewTabPage(PgCMain, "TbSOBDDebug", QStringLiteral("Debug"));
    PnlOBDConfig = NewNamed<QFrame>(TbSOBDConfig, "PnlOBDConfig", {0, 0, 760, 410});
    PnlOBDLive = NewNamed<QFrame>(TbSOBDLive, "PnlOBDLive", {0, 0, 760, 410});
    PnlOBDErrors = NewNamed<QFrame>(TbSOBDErrors, "PnlOBDErrors", {0, 0, 760, 410});
    PnlOBDDebug = NewNamed<QFrame>(TbSOBDDebug, "PnlOBDDebug", {0, 0, 760, 410});
    CreateConfigPage();
    CreateLivePage();
    CreateErrorsPage();
    CreateDebugPage();
    CreateReadingsPanel();

    PgCMain->setCurrentWidget(TbSOBDConfig);
    PgCMain->setTabVisible(PgCMain->indexOf(TbSOBDDebug), false);
    BtBOBDDefaultSettings->hide();
    LblOBDConnectErrors->hide();
    ChBOBDisTestPIDsActive->hide();
    ChBOBDisOBDsimActive->hide();
    LblOBDisOBDsimCompiled->hide();
    PrBOBDErrors->hide();
    PnlOBDCheckEngine->hide();

    connect(PgCMain->tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        PgCMainChanging(index);
        MarkUserPick();
    });
    PgCMain->installEventFilter(this);
    PgCMain->tabBar()->installEventFilter(this);
    connect(PgCMain, &QTabWidget::currentChanged, this, [this] {
        const bool byUser = std::exchange(FUserPick, false);
        if (FReverting)
            return;
        // A page the user picks is an entry of the adapter's pages: a box
        // that dropped out is looked for again first, as on entering the
        // adapter page. A page the program picks completes an entry made.
        if (byUser && Logic)
            Logic->RedetectDroppedModules();
        PgCMainChange(PgCMain);
    });
    BindControls();
}

TFormMultiOBD::~TFormMultiOBD()
{
    if (::FormMultiOBD == this)
        ::FormMultiOBD = nullptr;
}

// ---- Construction ----------------------------------------------------------------

void TFormMultiOBD::CreateConfigPage()
{
    QFrame *p = PnlOBDConfig;
    NewLabel(p, "LblOBDProtocol", {8, 10, 120, 20}, QStringLiteral("Protokół OBD:"));
    CmBOBDProtocol = NewNamed<QComboBox>(p, "CmBOBDProtocol", {130, 8, 230, 24});
    for (const char *item : {"ISO 9141-2", "KWP2000 (5 baud)", "KWP2000 (fast)", "CAN 11/500", "CAN 29/500",
                             "CAN 11/250", "CAN 29/250"})
        CmBOBDProtocol->addItem(QString::fromLatin1(item));
    BtnOBDConnectControl = NewNamed<QPushButton>(p, "BtnOBDConnectControl", {130, 40, 110, 26}, QStringLiteral("Połącz"));
    BtnOBDDetectProtocol = NewNamed<QPushButton>(p, "BtnOBDDetectProtocol", {250, 40, 110, 26}, QStringLiteral("Wykryj"));
    NewLabel(p, "LblOBDStatus", {8, 78, 120, 20}, QStringLiteral("Stan:"));
    EdtOBDStatus = NewNamed<QLineEdit>(p, "EdtOBDStatus", {130, 76, 230, 24});
    EdtOBDStatus->setReadOnly(true);
    ChBOBDAutoConnect = NewNamed<QCheckBox>(p, "ChBOBDAutoConnect", {8, 110, 350, 20},
                                            QStringLiteral("Łącz automatycznie"));
    LblOBDConnectErrors = NewLabel(p, "LblOBDConnectErrors", {8, 136, 352, 64});
    LblOBDConnectErrors->setWordWrap(true);
    setColour(LblOBDConnectErrors, QPalette::WindowText, Red);
    BtBOBDReadConfig = NewNamed<QPushButton>(p, "BtBOBDReadConfig", {8, 210, 120, 28}, QStringLiteral("Odczytaj"));
    // The write sits over the panel rather than in it: the panel is off while
    // the box is not found, and edits not yet written can still be written
    // (the write looks for the box first).
    BtBOBDWriteConfig = NewNamed<QPushButton>(TbSOBDConfig, "BtBOBDWriteConfig", QRect(136, 210, 120, 28).translated(p->pos()),
                                              QStringLiteral("Zapisz"));
    BtBOBDWriteConfig->raise();
    BtBOBDDefaultSettings = NewNamed<QPushButton>(p, "BtBOBDDefaultSettings", {8, 246, 248, 28},
                                                  QStringLiteral("Ustawienia domyślne"));
    BtBAdapterTestModeInit = NewNamed<QPushButton>(p, "BtBAdapterTestModeInit", {8, 340, 170, 28},
                                                   QStringLiteral("Tryb testowy"));
    BtBAdapterTestModeNormal = NewNamed<QPushButton>(p, "BtBAdapterTestModeNormal", {186, 340, 170, 28},
                                                     QStringLiteral("Tryb normalny"));
    LblOBDisOBDsimCompiled = NewLabel(p, "LblOBDisOBDsimCompiled", {8, 376, 120, 20}, QStringLiteral("OBDsim"));
    ChBOBDisTestPIDsActive = NewNamed<QCheckBox>(p, "ChBOBDisTestPIDsActive", {136, 376, 110, 20},
                                                 QStringLiteral("Test PID"));
    ChBOBDisOBDsimActive = NewNamed<QCheckBox>(p, "ChBOBDisOBDsimActive", {250, 376, 110, 20}, QStringLiteral("OBDsim"));

    PnlOBDAdaptation = NewNamed<QFrame>(p, "PnlOBDAdaptation", {370, 4, 386, 400});
    PnlOBDAdaptation->setFrameShape(QFrame::StyledPanel);
    QFrame *a = PnlOBDAdaptation;
    ChBOBDAdaptationEnable = NewNamed<QCheckBox>(a, "ChBOBDAdaptationEnable", {8, 6, 370, 20},
                                                 QStringLiteral("Adaptacja OBD"));
    NewLabel(a, "LblOBDAdaptType", {8, 32, 150, 20}, QStringLiteral("Rodzaj adaptacji:"));
    CmBOBDAdaptType = NewNamed<QComboBox>(a, "CmBOBDAdaptType", {160, 30, 210, 24});
    CmBOBDAdaptType->addItems({QStringLiteral("Mapa korekt"), QStringLiteral("Jeden wiersz"),
                               QStringLiteral("Jedna korekta")});
    PnlOBDAdaptationAdvView = NewNamed<QFrame>(a, "PnlOBDAdaptationAdvView", {0, 58, 386, 300});
    QFrame *v = PnlOBDAdaptationAdvView;
    PnlOBDAdaptMaxCorr = NewNamed<QFrame>(v, "PnlOBDAdaptMaxCorr", {0, 0, 386, 28});
    NewLabel(PnlOBDAdaptMaxCorr, "LblOBDAdaptMaxCorr", {8, 4, 200, 20}, QStringLiteral("Maks. korekta [%]:"));
    UpDOBDAdaptMaxCorr = NewSpin(PnlOBDAdaptMaxCorr, "UpDOBDAdaptMaxCorr", {210, 2, 70, 24}, 0, 50);
    PnlOBDAdaptMinRPM = NewNamed<QFrame>(v, "PnlOBDAdaptMinRPM", {0, 28, 386, 28});
    ChBOBDAdaptMinRPM = NewNamed<QCheckBox>(PnlOBDAdaptMinRPM, "ChBOBDAdaptMinRPM", {8, 4, 200, 20},
                                            QStringLiteral("Min. obroty [obr/min]:"));
    CmBOBDAdaptMinRPM = NewNamed<QComboBox>(PnlOBDAdaptMinRPM, "CmBOBDAdaptMinRPM", {210, 2, 90, 24});
    for (int rpm = 1000; rpm <= 2500; rpm += 100)
        CmBOBDAdaptMinRPM->addItem(QString::number(rpm));
    ChBOBDCorrectionsInverted = NewNamed<QCheckBox>(v, "ChBOBDCorrectionsInverted", {8, 60, 370, 20},
                                                    QStringLiteral("Korekty odwrócone"));
    ChBOBDAdaptNotUseDivCorrs = NewNamed<QCheckBox>(v, "ChBOBDAdaptNotUseDivCorrs", {8, 84, 370, 20},
                                                    QStringLiteral("Bez korekt dzielonych"));
    PnlOBDAdaptSTFT = NewNamed<QFrame>(v, "PnlOBDAdaptSTFT", {0, 108, 386, 52});
    NewLabel(PnlOBDAdaptSTFT, "LblOBDAdaptStFtBase", {8, 4, 60, 20}, QStringLiteral("STFT:"));
    UpDOBDAdaptStFtBase = NewSpin(PnlOBDAdaptSTFT, "UpDOBDAdaptStFtBase", {70, 2, 64, 24}, -30, 30);
    NewLabel(PnlOBDAdaptSTFT, "LblOBDAdaptStFtRange", {144, 4, 70, 20}, QStringLiteral("± [%]:"));
    UpDOBDAdaptStFtRange = NewSpin(PnlOBDAdaptSTFT, "UpDOBDAdaptStFtRange", {216, 2, 64, 24}, 0, 30);
    LblOBDAdaptStFtValue = NewLabel(PnlOBDAdaptSTFT, "LblOBDAdaptStFtValue", {8, 30, 370, 20});
    ChBOBDAdaptControlLtFt = NewNamed<QCheckBox>(v, "ChBOBDAdaptControlLtFt", {8, 164, 370, 20},
                                                 QStringLiteral("Kontrola LTFT"));
    PnlOBDAdaptLTFT = NewNamed<QFrame>(v, "PnlOBDAdaptLTFT", {0, 188, 386, 104});
    NewLabel(PnlOBDAdaptLTFT, "LblOBDAdaptLtFtBaseB1", {8, 4, 60, 20}, QStringLiteral("B1:"));
    UpDOBDAdaptLtFtBaseB1 = NewSpin(PnlOBDAdaptLTFT, "UpDOBDAdaptLtFtBaseB1", {70, 2, 64, 24}, -30, 30);
    NewLabel(PnlOBDAdaptLTFT, "LblOBDAdaptLtFtBaseB2", {144, 4, 60, 20}, QStringLiteral("B2:"));
    UpDOBDAdaptLtFtBaseB2 = NewSpin(PnlOBDAdaptLTFT, "UpDOBDAdaptLtFtBaseB2", {206, 2, 64, 24}, -30, 30);
    NewLabel(PnlOBDAdaptLTFT, "LblOBDAdaptLtFtRange", {8, 32, 60, 20}, QStringLiteral("± [%]:"));
    UpDOBDAdaptLtFtRange = NewSpin(PnlOBDAdaptLTFT, "UpDOBDAdaptLtFtRange", {70, 30, 64, 24}, 0, 30);
    LblOBDAdaptLtFtB1Value = NewLabel(PnlOBDAdaptLTFT, "LblOBDAdaptLtFtB1Value", {8, 58, 370, 20});
    LblOBDAdaptLtFtB2Value = NewLabel(PnlOBDAdaptLTFT, "LblOBDAdaptLtFtB2Value", {8, 80, 370, 20});
    BtBOBDAdaptClearCorrs = NewNamed<QPushButton>(a, "BtBOBDAdaptClearCorrs", {8, 364, 200, 28},
                                                  QStringLiteral("Zeruj adaptację"));
    PnlOBDAdaptDevMinVer = NewNamed<QFrame>(a, "PnlOBDAdaptDevMinVer", {0, 364, 386, 32});
    LblOBDAdaptDevMinVer = NewLabel(PnlOBDAdaptDevMinVer, "LblOBDAdaptDevMinVer", {8, 6, 370, 20});
    setColour(LblOBDAdaptDevMinVer, QPalette::WindowText, Red);
    PnlOBDAdaptDevMinVer->hide();

    connect(BtnOBDConnectControl, &QPushButton::clicked, this, [this] { BtnOBDConnectControlClick(); });
    connect(BtnOBDDetectProtocol, &QPushButton::clicked, this, [this] { BtnOBDDetectProtocolClick(); });
    connect(BtBOBDReadConfig, &QPushButton::clicked, this, [this] { BtBOBDReadConfigClick(); });
    connect(BtBOBDWriteConfig, &QPushButton::clicked, this, [this] { BtBOBDWriteConfigClick(); });
    connect(BtBOBDAdaptClearCorrs, &QPushButton::clicked, this, [this] { BtBOBDAdaptClearCorrsClick(); });
    connect(BtBAdapterTestModeInit, &QPushButton::clicked, this, [this] { BtBAdapterTestModeInitClick(); });
    connect(BtBAdapterTestModeNormal, &QPushButton::clicked, this, [this] { BtBAdapterTestModeNormalClick(); });
}

void TFormMultiOBD::CreateLivePage()
{
    QFrame *p = PnlOBDLive;
    for (int i = 0; i < LiveItemCount; ++i) {
        const TLiveItem &item = LiveItems[i];
        const int column = i < 9 ? 0 : i < 17 ? 1 : 2;
        const int row = i < 9 ? i : i < 17 ? i - 9 : i - 17;
        const int x = 4 + column * 250, y = 4 + row * 44;
        if (column == 2 && i == 17) {
            NewNamed<QCheckBox>(p, item.check, {x, y, 240, 20}, QString::fromUtf8(item.caption));
            LblOBDFuelSystemStatusB1 = NewLabel(p, "LblOBDFuelSystemStatusB1", {x + 20, y + 20, 220, 18});
            LblOBDFuelSystemStatusB2 = NewLabel(p, "LblOBDFuelSystemStatusB2", {x + 20, y + 38, 220, 18});
            continue;
        }
        const int yy = column == 2 ? y + 24 + (i - 18) * 20 : y;
        NewNamed<QCheckBox>(p, item.check, {x, i >= 18 ? yy : yy + 10, 150, 20}, QString::fromUtf8(item.caption));
        // Sized for five characters ("-----", "-40.00", "298.19"): the
        // displays right-align their text and lose what does not fit.
        if (i >= 18) {
            NewNamed<TDigitalDisplay>(p, item.display, {x, yy + 22, 118, 32});
            NewNamed<TDigitalDisplay>(p, (QByteArray(item.display) + "Ratio").constData(), {x + 122, yy + 22, 118, 32});
            continue;
        }
        NewNamed<TDigitalDisplay>(p, item.display, {x + 150, y + 8, 90, 24});
    }
    // The controller's own readings beside the car's.
    NewLabel(p, "LblOBDRealCaption", {504, 220, 240, 20}, QStringLiteral("Sterownik:"));
    const char *names[] = {"DgDOBDRealRPM", "DgDOBDRealTb", "DgDOBDRealTg", "DgDOBDRealPsys",
                           "DgDOBDRealPcol", "DgDOBDRealTred", "DgDOBDRealTgas"};
    const char *captions[] = {"RPM", "Tb", "Tg", "Psys", "Pcol", "Tred", "Tgaz"};
    TDigitalDisplay **targets[] = {&DgDOBDRealRPM, &DgDOBDRealTb, &DgDOBDRealTg, &DgDOBDRealPsys,
                                   &DgDOBDRealPcol, &DgDOBDRealTred, &DgDOBDRealTgas};
    for (int i = 0; i < 7; ++i) {
        const int x = 504 + (i % 2) * 124, y = 242 + (i / 2) * 40;
        NewLabel(p, (QByteArray("LblOBDReal") + QByteArray::number(i)).constData(), {x, y + 10, 40, 20},
                 QString::fromLatin1(captions[i]));
        *targets[i] = NewNamed<TDigitalDisplay>(p, names[i], {x + 40, y, 80, 36});
        // No value until a controller gives one.
        (*targets[i])->SetCaption(QString());
    }
}

void TFormMultiOBD::CreateErrorsPage()
{
    QFrame *p = PnlOBDErrors;
    auto *lamps = new TImageList(32, 32, this);
    lamps->Add(Lamp(LightGrey));
    lamps->Add(Lamp(QColor(0xFF, 0x90, 0x00)));
    SelImgOBDCheckEngine = NewNamed<TSelectedImage>(p, "SelImgOBDCheckEngine", {8, 6, 32, 32});
    SelImgOBDCheckEngine->SetImageList(lamps);
    SelImgOBDCheckEngine->SetImageIndex(0);
    NewLabel(p, "LblOBDCheckEngine", {48, 12, 150, 20}, QStringLiteral("Kontrolka silnika"));
    PnlOBDCheckEngine = NewNamed<QFrame>(p, "PnlOBDCheckEngine", {210, 2, 300, 40});
    NewLabel(PnlOBDCheckEngine, "LblOBDDistanceMIL", {0, 10, 180, 20}, QStringLiteral("Przebieg z kontrolką [km]:"));
    DgDOBDCheckEngine = NewNamed<TDigitalDisplay>(PnlOBDCheckEngine, "DgDOBDCheckEngine", {184, 2, 100, 36});
    NewLabel(p, "LblOBDTroubles", {8, 46, 370, 20}, QStringLiteral("Kody błędów:"));
    MemOBDTroubles = NewNamed<QPlainTextEdit>(p, "MemOBDTroubles", {8, 66, 368, 290});
    NewLabel(p, "LblOBDFreeze", {384, 46, 370, 20}, QStringLiteral("Zamrożone ramki:"));
    MemOBDFreeze = NewNamed<QPlainTextEdit>(p, "MemOBDFreeze", {384, 66, 368, 290});
    for (QPlainTextEdit *m : {MemOBDTroubles, MemOBDFreeze})
        m->setReadOnly(true);
    PnlOBDErrorsButtons = NewNamed<QFrame>(p, "PnlOBDErrorsButtons", {8, 362, 400, 40});
    BtBOBDReadErrors = NewNamed<QPushButton>(PnlOBDErrorsButtons, "BtBOBDReadErrors", {0, 4, 120, 28},
                                             QStringLiteral("Odczytaj"));
    BtBOBDClearErrors = NewNamed<QPushButton>(PnlOBDErrorsButtons, "BtBOBDClearErrors", {128, 4, 120, 28},
                                              QStringLiteral("Kasuj"));
    PrBOBDErrors = NewNamed<QProgressBar>(p, "PrBOBDErrors", {416, 368, 336, 22});
    PrBOBDErrors->setRange(0, 3);
    connect(BtBOBDReadErrors, &QPushButton::clicked, this, [this] { BtBOBDReadErrorsClick(); });
    connect(BtBOBDClearErrors, &QPushButton::clicked, this, [this] { BtBOBDClearErrorsClick(); });
}

void TFormMultiOBD::CreateDebugPage()
{
    QFrame *p = PnlOBDDebug;
    StGOBDAdaptBank1 = NewNamed<QTableWidget>(p, "StGOBDAdaptBank1", {4, 4, 372, 330});
    StGOBDAdaptBank2 = NewNamed<QTableWidget>(p, "StGOBDAdaptBank2", {380, 4, 372, 330});
    for (QTableWidget *g : {StGOBDAdaptBank1, StGOBDAdaptBank2}) {
        g->setRowCount(10);
        g->setColumnCount(10);
        g->horizontalHeader()->setDefaultSectionSize(34);
        g->verticalHeader()->setDefaultSectionSize(30);
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    BtnOBDAdaptCorrResetB1 = NewNamed<QPushButton>(p, "BtnOBDAdaptCorrResetB1", {4, 340, 120, 28},
                                                   QStringLiteral("Zeruj B1"));
    BtnOBDAdaptCorrResetB2 = NewNamed<QPushButton>(p, "BtnOBDAdaptCorrResetB2", {380, 340, 120, 28},
                                                   QStringLiteral("Zeruj B2"));
    auto reset = [](int which) {
        if (!obdActive())
            return;
        TWorkPause paused;
        module()->ResetAdaptationCorrections(which);
    };
    connect(BtnOBDAdaptCorrResetB1, &QPushButton::clicked, this, [reset] { reset(1); });
    connect(BtnOBDAdaptCorrResetB2, &QPushButton::clicked, this, [reset] { reset(2); });
}

void TFormMultiOBD::CreateReadingsPanel()
{
    PnlOBDReadingsMini = NewNamed<QFrame>(this, "PnlOBDReadingsMini", {0, 444, 115, 102});
    QFrame *p = PnlOBDReadingsMini;
    const char *captions[] = {"LblOBDCaptionRPMMini", "LblOBDCaptionStFtMini", "LblOBDCaptionLtFtMini",
                              "LblOBDCaptionMAPMini", "LblOBDCaptionLambda1Mini", "LblOBDCaptionLambda2Mini"};
    const char *texts[] = {"RPM", "STFT", "LTFT", "MAP", "O2 1", "O2 2"};
    const char *values[] = {"LblOBDRPMMini", "LblOBDStFtMini", "LblOBDLtFtMini",
                            "LblOBDMAPMini", "LblOBDLambda1Mini", "LblOBDLambda2Mini"};
    QLabel **targets[] = {&LblOBDRPMMini, &LblOBDStFtMini, &LblOBDLtFtMini,
                          &LblOBDMAPMini, &LblOBDLambda1Mini, &LblOBDLambda2Mini};
    for (int i = 0; i < 6; ++i) {
        QLabel *caption = NewLabel(p, captions[i], {2, 2 + 16 * i, 36, 16}, QString::fromLatin1(texts[i]));
        if (i == 4)
            LblOBDCaptionLambda1Mini = caption;
        if (i == 5)
            LblOBDCaptionLambda2Mini = caption;
        *targets[i] = NewLabel(p, values[i], {40, 2 + 16 * i, 73, 16});
    }
    PnlOBDFuelSystemStatusB1 = NewNamed<QFrame>(p, "PnlOBDFuelSystemStatusB1", {2, 98, 55, 3});
    PnlOBDFuelSystemStatusB2 = NewNamed<QFrame>(p, "PnlOBDFuelSystemStatusB2", {58, 98, 55, 3});
}

// ---- Bindings --------------------------------------------------------------------

void TFormMultiOBD::BindControls()
{
    TUIStateOBD *s = ui();
    if (!Logic || !s)
        return;
    TLogic &l = *Logic;
    l.BindVariableCustom(
        s->OBDProtocol_EE, CmBOBDProtocol, QString(),
        [](QWidget *w, TVariable *v) { v->SetAsInteger(static_cast<QComboBox *>(w)->currentIndex() + 1); },
        [this](QWidget *w, TVariable *v) {
            auto *c = static_cast<QComboBox *>(w);
            const QSignalBlocker block(c);
            const int index = int(v->GetAsInteger()) - 1;
            c->setCurrentIndex(index < c->count() ? index : -1);
            UpdateConnectState(BusyState(int(ui()->OBDactionMain->GetAsInteger() & 0x7F)));
        });
    const QList<QPair<TVariable *, QCheckBox *>> checks = {
        {s->OBDConfig_1_EE_isAutoConnect, ChBOBDAutoConnect},
        {s->OBDConfig_1_EE_isAdaptationEnabled, ChBOBDAdaptationEnable},
        {s->OBDConfig_1_EE_isCorrectionsInverted, ChBOBDCorrectionsInverted},
        {s->OBDConfig_1_EE_isAdaptControlLtFt, ChBOBDAdaptControlLtFt},
        {s->OBDConfig_1_EE_isAdaptUseMinRPM, ChBOBDAdaptMinRPM},
        {s->OBDConfig_1_EE_isNotUseDivCorrs, ChBOBDAdaptNotUseDivCorrs}};
    for (const auto &[variable, box] : checks) {
        l.BindVariable(variable, box, QString(), bfTwoWay | bfInteger);
        // The switches enable the settings that depend on them.
        connect(box, &QCheckBox::clicked, this,
                [this] { UpdateConnectState(BusyState(int(ui()->OBDactionMain->GetAsInteger() & 0x7F))); });
    }
    const QList<QPair<TVariable *, QSpinBox *>> trims = {
        {s->OBDAdaptStFtBase_EE, UpDOBDAdaptStFtBase}, {s->OBDAdaptStFtRange_EE, UpDOBDAdaptStFtRange},
        {s->OBDAdaptLtFtBaseB1_EE, UpDOBDAdaptLtFtBaseB1}, {s->OBDAdaptLtFtBaseB2_EE, UpDOBDAdaptLtFtBaseB2},
        {s->OBDAdaptLtFtRange_EE, UpDOBDAdaptLtFtRange}};
    for (const auto &[variable, spin] : trims)
        l.BindVariableCustom(
            variable, spin, QString(),
            [this](QWidget *w, TVariable *v) {
                v->SetAsInteger(qint16(static_cast<QSpinBox *>(w)->value()));
                DrawFuelTrims();
            },
            [this](QWidget *w, TVariable *v) {
                auto *spin = static_cast<QSpinBox *>(w);
                const QSignalBlocker block(spin);
                spin->setValue(int(v->GetAsInteger()));
                DrawFuelTrims();
            });
    l.BindVariable(s->OBDAdaptMaxCorr_EE, UpDOBDAdaptMaxCorr, QString(), bfTwoWay);
    l.BindVariable(s->OBDAdaptMinRPM_EE, CmBOBDAdaptMinRPM, QString(), bfTwoWay | bfItemText);
    l.BindVariableCustom(
        s->OBDAdaptType, CmBOBDAdaptType, QString(),
        [](QWidget *w, TVariable *v) {
            const int index = static_cast<QComboBox *>(w)->currentIndex();
            v->SetAsInteger(index == 0 ? 1 : index == 1 ? 2 : 0);
        },
        [](QWidget *w, TVariable *v) {
            auto *c = static_cast<QComboBox *>(w);
            const QSignalBlocker block(c);
            const qint64 type = v->GetAsInteger();
            c->setCurrentIndex(type == 1 ? 0 : type == 2 ? 1 : -1);
        });
    l.BindVariableWithHandler(s->OBDactionMain, EdtOBDStatus, QString(), [this](QWidget *, TVariable *) { ShowStatus(); });
    l.BindVariableWithHandler(s->OBDactionDetect, EdtOBDStatus, QString(), [this](QWidget *, TVariable *) { ShowStatus(); });
    l.BindVariableWithHandler(s->OBDactionMain, PnlOBDLive, QString(), [this](QWidget *, TVariable *) { LivePanelChanged(); });
    l.BindVariableWithHandler(s->OBDactionMain, PnlOBDErrorsButtons, QString(),
                              [this](QWidget *, TVariable *) { ErrorsButtonsChanged(); });
    l.BindVariableWithHandler(s->OBDDistanceTraveledWithMILon, DgDOBDCheckEngine, QString(),
                              [](QWidget *w, TVariable *v) { static_cast<TDigitalDisplay *>(w)->SetCaption(v->Text()); });
    BindLiveItems();
    // The readings panel.
    auto readings = [this](QWidget *, TVariable *) { RefreshReadings(); };
    l.BindVariableWithHandler(s->OBDRPM, LblOBDRPMMini, QString(), readings);
    l.BindVariableWithHandler(s->OBDStFtB1, LblOBDStFtMini, QString(), readings);
    l.BindVariableWithHandler(s->OBDStFtB2, LblOBDStFtMini, QString(), readings);
    l.BindVariableWithHandler(s->OBDLtFtB1, LblOBDLtFtMini, QString(), readings);
    l.BindVariableWithHandler(s->OBDLtFtB2, LblOBDLtFtMini, QString(), readings);
    l.BindVariableWithHandler(s->OBDMAP, LblOBDMAPMini, QString(), readings);
    l.BindVariableWithHandler(s->OBDLambda[0], LblOBDLambda1Mini, QString(), readings);
    l.BindVariableWithHandler(s->OBDLambda[4], LblOBDLambda1Mini, QString(), readings);
    l.BindVariableWithHandler(s->OBDLambda[1], LblOBDLambda2Mini, QString(), readings);
    l.BindVariableWithHandler(s->OBDLambda[5], LblOBDLambda2Mini, QString(), readings);
    l.BindVariableWithHandler(s->OBDactionMain, PnlOBDReadingsMini, QString(),
                              [this](QWidget *, TVariable *) { ColorReadingsPanel(); });
    auto fuel = [this](QWidget *w, TVariable *v) { ColorReadingLabel(w, int(v->GetAsInteger())); };
    l.BindVariableWithHandler(s->OBDFuelSystemStatusB1, LblOBDCaptionLambda1Mini, QString(), fuel);
    l.BindVariableWithHandler(s->OBDFuelSystemStatusB1, PnlOBDFuelSystemStatusB1, QString(), fuel);
    l.BindVariableWithHandler(s->OBDFuelSystemStatusB2, LblOBDCaptionLambda2Mini, QString(), fuel);
    l.BindVariableWithHandler(s->OBDFuelSystemStatusB2, PnlOBDFuelSystemStatusB2, QString(), fuel);
}

void TFormMultiOBD::BindLiveItems()
{
    TUIStateOBD *s = ui();
    for (int i = 0; i < LiveItemCount; ++i) {
        const TLiveItem &item = LiveItems[i];
        auto *check = PnlOBDLive->findChild<QCheckBox *>(QString::fromLatin1(item.check));
        Logic->BindVariableCustom(
            s->GetPidAllowedVariable(item.pid), check, QString(),
            [this, i](QWidget *, TVariable *) { WritePidAllowed(i); },
            [this, i](QWidget *, TVariable *) { UpdateLiveItem(i, false); });
        const QList<TVariable *> variables = ItemVariables(i);
        for (int k = 0; k < variables.size(); ++k) {
            QWidget *display = nullptr;
            if (i == 17)
                display = k == 0 ? static_cast<QWidget *>(LblOBDFuelSystemStatusB1) : LblOBDFuelSystemStatusB2;
            else
                display = PnlOBDLive->findChild<QWidget *>(QString::fromLatin1(item.display)
                                                           + (k == 1 ? QStringLiteral("Ratio") : QString()));
            Logic->BindVariableWithHandler(variables[k], display, QString(),
                                           [this, i](QWidget *, TVariable *) { UpdateLiveItem(i, false); });
        }
    }
}

// ---- Helpers ---------------------------------------------------------------------

bool TFormMultiOBD::AdapterVersionAtLeast(int main, const QString &letter)
{
    if (!Logic || !Logic->UIStateAdapter())
        return false;
    const TUIStateAdapter *a = Logic->UIStateAdapter();
    const int version = int(a->AdapterMainVersion->GetAsInteger());
    if (version == 0x20)
        return true;
    const QString own = QString(QChar(char(a->AdapterReleaseVersion->GetAsInteger()))).toUpper();
    return version == main && own.compare(letter) >= 0;
}

bool TFormMultiOBD::IsShown(QWidget *page) const
{
    // On screen: the current page of a window that is shown (docked into the
    // main window's adapter page, which is the main window's current page).
    return PgCMain->currentWidget() == page && page->isVisible();
}

bool TFormMultiOBD::IsConfigShown() const
{
    return IsShown(TbSOBDConfig);
}

void TFormMultiOBD::CopyObd(int flags)
{
    if (Logic && Logic->UIState())
        Logic->UIState()->CopyFromDevice(QStringLiteral("OBD"), flags);
}

// ---- Pages -----------------------------------------------------------------------

void TFormMultiOBD::UpdatePollSet(bool active)
{
    TUIStateOBD *s = ui();
    TManager *m = Logic ? Logic->ModuleManager() : nullptr;
    if (!s || !m)
        return;
    if (active && IsConfigShown()) {
        m->SetStateFlag(TModuleOBD::PollDelayConnect, s->IsDelayConnect());
        if (AdapterVersionAtLeast(0x10, QStringLiteral("B")))
            m->SetStateFlag(TModuleOBD::PollLinkErrors, !s->IsConnected());
    } else {
        // Only the configuration page shows the counters: off screen they
        // cost the box's time for nothing.
        m->SetStateFlag(TModuleOBD::PollDelayConnect | TModuleOBD::PollLinkErrors, false);
    }
    m->SetStateFlag(TModuleOBD::PollTroubleCodes, active && IsShown(TbSOBDErrors) && s->IsConnected());
}

void TFormMultiOBD::PgCMainChanging(int next)
{
    if (next == PgCMain->currentIndex() || !IsConfigShown() || !Logic || !Logic->UIState()->Modified() || !Common)
        return;
    const auto keepConfigPage = [this] {
        // The click must not change the page.
        FReverting = true;
        QMetaObject::invokeMethod(this, [this] {
            PgCMain->setCurrentWidget(TbSOBDConfig);
            FReverting = false;
        }, Qt::QueuedConnection);
    };
    // A write that did not go through (it says why) keeps the page and its edits.
    const int answer = Common->AskSaveChangedData(false);
    if (answer == 2 || (answer == 6 && !BtBOBDWriteConfigClick()))
        keepConfigPage();
}

void TFormMultiOBD::MarkUserPick()
{
    // The page control changes its page while it handles the input; the
    // mark does not outlast that.
    FUserPick = true;
    QTimer::singleShot(0, this, [this] { FUserPick = false; });
}

bool TFormMultiOBD::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == PgCMain || watched == PgCMain->tabBar()))
        MarkUserPick();
    return QWidget::eventFilter(watched, event);
}

void TFormMultiOBD::PgCMainChange(QObject *sender)
{
    Q_UNUSED(sender);
    // A detection result already taken is taken again on entering the page,
    // unless the page holds edits not yet written, which it would overwrite.
    if (!Logic || !Logic->UIState()->Modified())
        FDetectResultLatched = false;
    if (!obdActive() || !Logic) {
        UpdatePollSet(false);
        if (IsShown(TbSOBDErrors))
            UpdateTroubleCodePage();
        if (IsShown(TbSOBDDebug))
            ShowAdaptationTables();
        return;
    }
    {
        TWorkPause paused;
        module()->ReadState();
    }
    CopyObd(1);
    UpdatePollSet(true);
    if (IsConfigShown()) {
        {
            TWorkPause paused;
            module()->ReadLiveTable(40);
        }
        CopyObd(1);
        LblOBDisOBDsimCompiled->setVisible(ui()->OBDisOBDsimCompiled->GetAsInteger() >= 1);
        // Entered again (a detection, the box found again, a language
        // change) with edits not yet written: they stay on the page.
        if (Logic->UIState()->Modified())
            UpdateWriteButtonState();
        else
            BtBOBDReadConfigClick();
        LblOBDConnectErrors->hide();
        if (!versionOk() && adaptationOn()) {
            // OBD adaptation is turned off on devices that cannot use it.
            ui()->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(false);
            BtBOBDWriteConfigClick();
        }
    } else if (IsShown(TbSOBDLive)) {
        RefreshLivePage();
    } else if (IsShown(TbSOBDErrors)) {
        FLastTroubleCodeCount = -1;
        if ((FTroubleCodeMessagesShown & 0x7FFC) && !FLanguageRefresh)
            ClearTroubleCodeSets();
        if ((FFreezeFrameMessagesShown & 0x07FC) && !FLanguageRefresh)
            ClearFreezeFrameSets();
        {
            TWorkPause paused;
            module()->ReadTroubleCodeState();
        }
        CopyObd(3);
        UpdateTroubleCodePage();
    } else if (IsShown(TbSOBDDebug)) {
        ShowAdaptationTables();
    }
    Logic->RefreshChangedBindings(PgCMain->currentWidget()->objectName());
}

void TFormMultiOBD::RefreshLive(bool visible)
{
    if (!Logic || !ui())
        return;
    PnlOBDConfig->setEnabled(adapterActive());
    if (!obdActive())
        BtBOBDWriteConfig->setEnabled(Logic->UIState()->Modified());
    const bool configVisible = visible && IsConfigShown();
    if (configVisible) {
        if (versionOk()) {
            BtBOBDAdaptClearCorrs->setEnabled(adapterActive());
        } else {
            for (QWidget *w : {static_cast<QWidget *>(BtBOBDAdaptClearCorrs), static_cast<QWidget *>(ChBOBDAdaptationEnable),
                               static_cast<QWidget *>(PnlOBDAdaptMaxCorr), static_cast<QWidget *>(PnlOBDAdaptMinRPM),
                               static_cast<QWidget *>(ChBOBDCorrectionsInverted),
                               static_cast<QWidget *>(ChBOBDAdaptNotUseDivCorrs), static_cast<QWidget *>(PnlOBDAdaptSTFT),
                               static_cast<QWidget *>(ChBOBDAdaptControlLtFt), static_cast<QWidget *>(PnlOBDAdaptLTFT)})
                w->setEnabled(false);
        }
    }
    Logic->UIState()->CopyFromDeviceAll(1);
    Logic->RefreshChangedBindings(objectName());
    Logic->RefreshChangedBindings(PnlOBDReadingsMini->objectName());
    if (configVisible) {
        Logic->RefreshChangedBindings(TbSOBDConfig->objectName());
        ShowStatus();
        if (AdapterVersionAtLeast(0x10, QStringLiteral("B"))) {
            TUIStateOBD *s = ui();
            if (s->IsConnected()) {
                LblOBDConnectErrors->hide();
            } else if (s->OBDnrOfInitErrors->GetAsInteger() >= 4 || s->OBDnrOfSendControlFrameErrors->GetAsInteger() >= 3
                       || s->OBDnrOfRecvControlFrameErrors->GetAsInteger() >= 2) {
                LblOBDConnectErrors->setText(
                    ObdUiText("Unable to connect to OBD. Change the OBD protocol and/or check the wires to the OBD connector.")
                    + QStringLiteral("  [") + s->OBDnrOfInitErrors->Text() + QStringLiteral("/")
                    + s->OBDnrOfSendControlFrameErrors->Text() + QStringLiteral("/")
                    + s->OBDnrOfRecvControlFrameErrors->Text() + QStringLiteral("]"));
                LblOBDConnectErrors->show();
            } else {
                LblOBDConnectErrors->hide();
            }
        }
    }
    if (visible && IsShown(TbSOBDLive)) {
        Logic->RefreshAllBindings(TbSOBDLive->objectName());
        FSuppressAllowWrite = false;
    }
    if (visible && IsShown(TbSOBDErrors)) {
        CopyObd(3);
        Logic->RefreshChangedBindings(TbSOBDErrors->objectName());
        UpdateTroubleCodePage();
    }
    if (visible && IsShown(TbSOBDDebug))
        ShowAdaptationTables();
    if (!visible)
        UpdatePollSet(true);
    UpdateWriteButtonState();
}

void TFormMultiOBD::UpdateLanguage()
{
    FDetectResultLatched = false;
    // The lists just rendered in the new language survive the page entry
    // that the language change runs next.
    FLanguageRefresh = true;
    QTimer::singleShot(0, this, [this] { FLanguageRefresh = false; });
    if (Logic) {
        for (QWidget *page : {TbSOBDConfig, TbSOBDLive, TbSOBDErrors})
            Logic->RefreshAllBindings(page->objectName());
        Logic->RefreshAllBindings(PnlOBDReadingsMini->objectName());
    }
    RebuildMessages();
    // A box that does not answer holds no link: its last link state is no longer true.
    if (ui())
        UpdateConnectState(obdActive() && BusyState(int(ui()->OBDactionMain->GetAsInteger() & 0x7F)));
}

void TFormMultiOBD::AdjustLayout()
{
    // A display sizes its characters by its height and right-aligns them: in
    // a window taller than designed the leading digits would be cut off.
    // The car's readings take up to five ("-----", "-40.00"), the
    // controller's up to four ("3850", "12.50").
    for (auto *display : PnlOBDLive->findChildren<TDigitalDisplay *>()) {
        const int characters = display->objectName().startsWith(QLatin1String("DgDOBDReal")) ? 4 : 5;
        const int frame = display->height() - display->contentsRect().height();
        const int fitting = int((display->contentsRect().width() - 1) / (0.7 * characters)) + frame;
        if (display->height() <= fitting)
            continue;
        const int centre = display->y() + display->height() / 2;
        display->setGeometry(display->x(), centre - fitting / 2, display->width(), fitting);
    }
}

void TFormMultiOBD::UpdateWriteButtonState()
{
    const bool pending = Logic && Logic->UIState()->Modified();
    if (Common)
        Common->SetButtonHighlight(BtBOBDWriteConfig, pending);
}

// ---- Status ----------------------------------------------------------------------

QString TFormMultiOBD::DescribeDetectState()
{
    TUIStateOBD *s = ui();
    if (!obdActive() || !s)
        return ObdUiText("Unknown state");
    const int state = int(s->OBDactionDetect->GetAsInteger() & 0x7F);
    const int actual = int(s->OBDactualProtocol->GetAsInteger()) - 1;
    const QString protocol = QStringLiteral(" (")
                             + (actual >= 0 && actual < CmBOBDProtocol->count() ? CmBOBDProtocol->itemText(actual)
                                                                                 : QString())
                             + QStringLiteral(")");
    QString text;
    // The protocol found is taken once per result: the status is shown again
    // on every refresh, and the user may choose another protocol meanwhile.
    const bool fresh = !FDetectResultLatched;
    auto found = [&](bool always) {
        if (!fresh)
            return;
        int result = 0;
        {
            TWorkPause paused;
            result = module()->Request75();
        }
        if (always || result >= 1) {
            s->OBDProtocol_EE->SetAsInteger(result);
            Logic->RefreshVariable(s->OBDProtocol_EE);
            UpdateConnectState(false);
            CmBOBDProtocol->setFocus();
        }
    };
    switch (state) {
    case 0: text = ObdUiText("Unknown state"); break;
    case 1: text = FDetectResultLatched ? EdtOBDStatus->text() : ObdUiText("Idle"); break;
    case 2: text = QStringLiteral("* ") + ObdUiText("Detecting") + QStringLiteral("..."); break;
    case 3: case 4: case 5: case 6: case 7: text = ObdUiText("Detecting") + protocol + QStringLiteral("..."); break;
    case 8:
        text = ObdUiText("Detected") + protocol;
        found(false);
        break;
    case 9:
        text = ObdUiText("Not detected");
        found(true);
        break;
    case 10:
        text = ObdUiText("Cancelled");
        if (fresh) {
            TWorkPause paused;
            module()->Request75();
        }
        break;
    case 11: text = ObdUiText("Error"); break;
    default: text = QStringLiteral("UNHANDLED"); break;
    }
    if (state >= 8)
        FDetectResultLatched = true;
    return text;
}

QString TFormMultiOBD::DescribeConnectState()
{
    TUIStateOBD *s = ui();
    if (!obdActive() || !s)
        return ObdUiText("Unknown state");
    const int state = int(s->OBDactionConnecting->GetAsInteger() & 0x7F);
    const QString protocol = QStringLiteral(" (") + CmBOBDProtocol->currentText() + QStringLiteral(")...");
    switch (state) {
    case 0: return ObdUiText("Unknown state");
    case 1: return ObdUiText("Idle");
    case 2: return QStringLiteral("* ") + ObdUiText("Connecting") + protocol;
    case 3: case 4: case 5: case 6: case 7: return ObdUiText("Connecting") + protocol;
    case 8: return ObdUiText("Error");
    default: return QStringLiteral("UNHANDLED");
    }
}

void TFormMultiOBD::ShowStatus()
{
    TUIStateOBD *s = ui();
    if (FInStatusUpdate || !s)
        return;
    FInStatusUpdate = true;
    const int state = int(s->OBDactionMain->GetAsInteger() & 0x7F);
    QString text;
    QColor colour = LightGrey;
    bool busy = false;
    if (!obdActive()) {
        // The box stopped answering: its last link state is no longer true.
        text = ObdUiText("Unknown state");
    } else if (state == 0 || state == 15 || state == 23) {
        text = s->OBDactionMain->Text();
    } else if (state == 1) {
        text = DescribeDetectState();
    } else if (state == 2 || state == 3) {
        text = DescribeConnectState() + (state == 3 ? QStringLiteral(" *") : QString());
        colour = Olive;
        busy = true;
    } else if (state == 4 || state == 5) {
        text = ObdUiText("Connected") + QStringLiteral(" (") + CmBOBDProtocol->currentText() + QStringLiteral(")");
        colour = Yellow;
        busy = true;
    } else if (state >= 6 && state <= 14) {
        text = s->OBDactionMain->Text();
        busy = true;
    } else if (state >= 16 && state <= 22) {
        text = s->OBDactionMain->Text() + QStringLiteral(" [%1]").arg(state - 14);
    } else if (state == 24) {
        text = DescribeDetectState();
        colour = Green;
    } else if (state == 25) {
        text = QStringLiteral("%1 (%2)...").arg(ObdUiText("DelayConnect"), s->OBDdelayConnectCounter->Text());
        colour = Olive;
        busy = true;
    } else {
        text = s->OBDactionMain->Text();
        busy = true;
    }
    if (!text.isEmpty()) {
        EdtOBDStatus->setText(text);
        setColour(EdtOBDStatus, QPalette::Base, colour);
        setColour(EdtOBDStatus, QPalette::Text, Qt::black);
    }
    UpdateConnectState(busy);
    UpdatePollSet(true);
    FInStatusUpdate = false;
}

void TFormMultiOBD::UpdateConnectState(bool busy)
{
    TUIStateOBD *s = ui();
    if (!s)
        return;
    const bool detecting = s->IsDetecting();
    BtnOBDConnectControl->setText(s->IsDisconnecting() ? ObdUiText("Wait") : busy ? ObdUiText("Disconnect") : ObdUiText("Connect"));
    BtnOBDDetectProtocol->setText(detecting ? ObdUiText("Cancel") : ObdUiText("Detect"));
    const bool adaptation = adaptationOn();
    bool autoAllowed = false;
    if (obdActive()) {
        BtnOBDConnectControl->setEnabled(!s->IsDisconnecting() && !detecting);
        CmBOBDProtocol->setEnabled(!busy && !detecting);
        BtnOBDDetectProtocol->setEnabled(!busy || detecting);
        BtBOBDReadConfig->setEnabled(!detecting);
        BtBOBDWriteConfig->setEnabled(!detecting);
        autoAllowed = s->OBDProtocol_EE->GetAsInteger() > 0 && !detecting;
        if (!adaptation) {
            ChBOBDAutoConnect->setEnabled(autoAllowed);
        } else {
            const QSignalBlocker block(ChBOBDAutoConnect);
            ChBOBDAutoConnect->setChecked(true);
            ChBOBDAutoConnect->setEnabled(false);
        }
    }
    const bool ok = versionOk();
    ChBOBDAdaptationEnable->setEnabled(autoAllowed && ok);
    const bool adv = ChBOBDAdaptationEnable->isEnabled() && adaptation;
    for (QWidget *w : {static_cast<QWidget *>(PnlOBDAdaptMaxCorr), static_cast<QWidget *>(PnlOBDAdaptMinRPM),
                       static_cast<QWidget *>(ChBOBDCorrectionsInverted), static_cast<QWidget *>(PnlOBDAdaptSTFT),
                       static_cast<QWidget *>(ChBOBDAdaptControlLtFt)})
        w->setEnabled(adv);
    ChBOBDAdaptNotUseDivCorrs->setEnabled(adv && AdapterVersionAtLeast(0x10, QStringLiteral("B")));
    CmBOBDAdaptMinRPM->setEnabled(ChBOBDAdaptMinRPM->isEnabled() && s->OBDConfig_1_EE_isAdaptUseMinRPM->GetAsBoolean());
    PnlOBDAdaptLTFT->setEnabled(ChBOBDAdaptControlLtFt->isEnabled()
                                && s->OBDConfig_1_EE_isAdaptControlLtFt->GetAsBoolean());
    if (adapterActive()) {
        BtBOBDAdaptClearCorrs->setVisible(ok);
        PnlOBDAdaptDevMinVer->setVisible(!ok);
        if (!ok) {
            setColour(PnlOBDAdaptDevMinVer, QPalette::Window, parentColour(PnlOBDAdaptDevMinVer));
            LblOBDAdaptDevMinVer->setText(QStringLiteral("%1 %2").arg(ObdUiText("Function available since version:"),
                                                                      QStringLiteral("3.0H")));
        }
    }
}

void TFormMultiOBD::DrawFuelTrims()
{
    TUIStateOBD *s = ui();
    if (!s)
        return;
    auto bounds = [](const char *prefix, TVariable *base, TVariable *range) {
        const int b = int(base->GetAsInteger()), r = int(range->GetAsInteger());
        return QStringLiteral("%1   %2   -:-   %3  [%]").arg(QLatin1String(prefix)).arg(b - r).arg(b + r);
    };
    LblOBDAdaptStFtValue->setText(bounds("STFT:", s->OBDAdaptStFtBase_EE, s->OBDAdaptStFtRange_EE));
    LblOBDAdaptLtFtB1Value->setText(bounds("LTFT B1:", s->OBDAdaptLtFtBaseB1_EE, s->OBDAdaptLtFtRange_EE));
    LblOBDAdaptLtFtB2Value->setText(bounds("LTFT B2:", s->OBDAdaptLtFtBaseB2_EE, s->OBDAdaptLtFtRange_EE));
}

// ---- Buttons of the configuration page -------------------------------------------

void TFormMultiOBD::BtnOBDConnectControlClick()
{
    TUIStateOBD *s = ui();
    if (!obdActive() || !s)
        return;
    if (s->IsIdle() && s->OBDProtocol_EE->GetAsInteger() < 1) {
        CmBOBDProtocol->setFocus();
        return;
    }
    int status = 0;
    {
        TWorkPause paused;
        if (s->IsIdle()) {
            Logic->UIState()->CopyToDevice(QStringLiteral("OBD"), 2);
            status = module()->Connect();
        } else if (!s->IsDisconnecting()) {
            status = module()->Disconnect();
        }
        module()->ReadState();
        CopyObd(1);
    }
    if (s->IsIdle() && status == 0xA5)
        UpdateConnectState(true);
}

void TFormMultiOBD::BtnOBDDetectProtocolClick()
{
    TUIStateOBD *s = ui();
    if (!obdActive() || !s)
        return;
    TWorkPause paused;
    if (s->IsDetecting())
        module()->StopProtocolDetection();
    else
        module()->StartProtocolDetection();
    module()->ReadState();
    CopyObd(1);
    Logic->UIState()->SetModifiedFlag(false);
}

void TFormMultiOBD::BtBOBDReadConfigClick()
{
    if (!obdActive())
        return;
    TWorkPause paused;
    module()->ReadConfig();
    CopyObd(2);
    Logic->UIState()->SetModifiedFlag(false);
    UpdateWriteButtonState();
}

bool TFormMultiOBD::BtBOBDWriteConfigClick(QObject *sender)
{
    Q_UNUSED(sender);
    // The box's settings and the controller's switch are one write: its
    // change record goes out once both went through, and not at all for a
    // write that did not.
    TRecordedWrite write;
    // A box that dropped out (and may answer again) is looked for once
    // before the write.
    if (!obdActive() && Logic)
        Logic->RedetectDroppedModules();
    TUIStateOBD *s = ui();
    if (!obdActive() || !s) {
        // The box did not answer: nothing written, so no change record
        // either; the question stays for the next write. The page keeps its
        // edits and its mark, and the user is told.
        if (Common)
            Common->ShowWarningMessage(LM ? LM->Translate(QStringLiteral("strObdBoxNotAnswering"))
                                          : QStringLiteral("strObdBoxNotAnswering"));
        return false;
    }
    if (!write.Ask(Logic->UIState()->Modified()))
        return false;
    TDevStateOBD *d = module()->DevState();
    // What the box held before: corrections learnt under another adaptation
    // type or division switch are dropped once the new settings are in.
    const qint64 oldType = d->OBDAdaptType->GetAsInteger();
    const bool oldNotUseDiv = d->OBDConfig_1_EE->GetAsInteger() & 0x80;
    // The box's settings as they were: a refused write leaves them in place,
    // so that discarding the edits later gives what the box holds.
    std::vector<std::pair<TVariable *, QByteArray>> held;
    for (int i = 0; i < d->Count(); ++i)
        if (TVariable *v = d->GetItem(i); v->Stored())
            held.emplace_back(v, v->Raw());
    bool ok = false;
    bool boxTookIt = false;
    {
        TWorkPause paused;
        Logic->UIState()->CopyToDevice(QStringLiteral("OBD"), 2);
        ok = boxTookIt = module()->WriteConfig();
        if (ok && adaptationOn() && DataManager) {
            TDeviceRecord &r = DeviceRecord;
            // OBD adaptation and the model's own auto-adaptation exclude each other.
            if (r.AdaptationMode && Common && Common->AskYesNo(LM ? LM->Translate(QStringLiteral("strQAdaptMAP_OBD"))
                                                                  : QStringLiteral("strQAdaptMAP_OBD")))
                ok = DataManager->SetAdaptationMode(false);
            if (ok) {
                // The record says what the controller holds: refused, the
                // switch goes back.
                const quint8 before = r.MapCorrections;
                r.MapCorrections = quint8(r.MapCorrections | 1);
                ok = DataManager->WriteParameter(104);
                if (!ok)
                    r.MapCorrections = before;
            }
        }
    }
    if (!write.Report(ok)) {
        // The page keeps the user's values and its mark; the user is told.
        if (!boxTookIt)
            for (const auto &[variable, raw] : held)
                variable->SetRawData(raw, false);
        Logic->UIState()->SetModified(true, QStringLiteral("OBD"));
        UpdateWriteButtonState();
        // Which side did not take it: the box (nothing written) or the
        // controller (the box holds the new settings already).
        const QString key = boxTookIt ? QStringLiteral("strObdSwitchNotWritten") : QStringLiteral("strObdConfigNotWritten");
        if (Common)
            Common->ShowWarningMessage(LM ? LM->Translate(key) : key);
        return false;
    }
    Logic->UIState()->SetModifiedFlag(false);
    BtBOBDReadConfigClick();
    if (d->OBDAdaptType->GetAsInteger() != oldType || bool(d->OBDConfig_1_EE->GetAsInteger() & 0x80) != oldNotUseDiv) {
        TWorkPause paused;
        module()->ResetAdaptationCorrections(3);
    }
    UpdateWriteButtonState();
    return true;
}

bool TFormMultiOBD::SwitchAdaptationOff()
{
    if (!obdActive() || !adaptationOn())
        return true;
    ui()->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(false);
    if (!BtBOBDWriteConfigClick())
        return false;
    TWorkPause paused;
    return module()->ResetAdaptationCorrections(3);
}

void TFormMultiOBD::BtBOBDAdaptClearCorrsClick()
{
    if (!obdActive() || !Common)
        return;
    if (Common->AskYesNoCancelEx(ObdUiText("Reset OBD adaptation?")) != 6)
        return;
    TWorkPause paused;
    module()->ResetAdaptationCorrections(3);
}

void TFormMultiOBD::BtBAdapterTestModeInitClick()
{
    TModuleAdapter *a = ::ModuleAdapter;
    if (!a || !obdActive())
        return;
    TWorkPause paused;
    if (!ui()->IsIdle()) {
        module()->Disconnect();
        Wait(100);
    }
    if (a->SendTestModeCommand(1) != 0)
        return;
    a->Request0C(1);
    a->Request0C(2);
    a->Request0C(3);
    int last = a->Request0C(4);
    if (last == 0xB5) {
        Wait(100);
        last = a->Request0C(4);
    }
    Wait(200);
    last = a->Request0C(5);
    if (last == 0xB6) {
        Wait(200);
        last = a->Request0C(5);
    }
    if (last != 0xA5 && Common)
        Common->ShowWarningMessage(LM ? LM->Translate(QStringLiteral("strObdTestModeFailed"))
                                      : QStringLiteral("strObdTestModeFailed"));
    Logic->UIState()->SetModifiedFlag(false);
}

void TFormMultiOBD::BtBAdapterTestModeNormalClick()
{
    TModuleAdapter *a = ::ModuleAdapter;
    if (!a || !adapterActive())
        return;
    TWorkPause paused;
    int last = a->Request0C(6);
    if (last != 0xB7) {
        Wait(200);
        last = a->Request0C(6);
        if (last == 0xB8) {
            Wait(200);
            last = a->Request0C(6);
        }
        if (last != 0xB7 && Common)
            Common->ShowWarningMessage(LM ? LM->Translate(QStringLiteral("strObdNormalModeFailed"))
                                          : QStringLiteral("strObdNormalModeFailed"));
    }
    Logic->UIState()->SetModifiedFlag(false);
}

// ---- Live page -------------------------------------------------------------------

void TFormMultiOBD::RefreshLivePage()
{
    if (!obdActive())
        return;
    TWorkPause paused;
    UpdatePollSet(true);
    module()->ReadState();
    module()->ReadSupportedPids();
    CopyObd(1);
    FSuppressAllowWrite = true;
    module()->ReadAllowedPids();
    CopyObd(2);
    Logic->UIState()->SetModifiedFlag(false);
    FLivePageLinkState = ui()->OBDactionMain->GetAsInteger();
}

void TFormMultiOBD::LivePanelChanged()
{
    TUIStateOBD *s = ui();
    if (FInLiveUpdate || !s)
        return;
    FInLiveUpdate = true;
    const bool connected = s->IsConnected();
    PnlOBDLive->setEnabled(connected && !s->IsDetecting());
    // The page's bindings are all shown again on every tick, while the work
    // step reads the link state and the PID masks once a cycle: the page
    // reads them itself only when the link state moved (a connect, a
    // detection, a drop), not a second time each cycle. A refresh of the
    // window while another page is shown (a detection, the box found again)
    // neither asks the box nor takes its settings over edits not yet
    // written: entering the live page reads it.
    const qint64 state = obdActive() ? s->OBDactionMain->GetAsInteger() : -1;
    if (connected) {
        if (state != FLivePageLinkState && IsShown(TbSOBDLive))
            RefreshLivePage();
        RefreshReadings();
    } else {
        FLivePageLinkState = state;
    }
    FInLiveUpdate = false;
}

void TFormMultiOBD::UpdateLiveItem(int index, bool fromCheckBox)
{
    TUIStateOBD *s = ui();
    if (!s || index < 0 || index >= LiveItemCount)
        return;
    const TLiveItem &item = LiveItems[index];
    auto *check = PnlOBDLive->findChild<QCheckBox *>(QString::fromLatin1(item.check));
    const bool supported = s->GetPidSupported(item.pid) && s->IsConnected();
    if (check) {
        const QSignalBlocker block(check);
        check->setChecked(s->GetPidAllowedVariable(item.pid)->GetAsBoolean());
        check->setVisible(supported);
        check->setEnabled(supported && !(adaptationOn() && LockedWhileAdapting(item.pid)));
    }
    // A text depends on the link and the PID masks as well as on the value.
    const QList<TVariable *> variables = ItemVariables(index);
    for (TVariable *v : variables)
        v->Refresh(false);
    for (int k = 0; k < variables.size(); ++k) {
        if (index == 17) {
            (k == 0 ? LblOBDFuelSystemStatusB1 : LblOBDFuelSystemStatusB2)
                ->setText(QStringLiteral("B%1: ").arg(k + 1) + variables[k]->Text());
            continue;
        }
        auto *display = PnlOBDLive->findChild<TDigitalDisplay *>(QString::fromLatin1(item.display)
                                                                 + (k == 1 ? QStringLiteral("Ratio") : QString()));
        if (display)
            display->SetCaption(variables[k]->Text());
    }
    if (fromCheckBox)
        Logic->UIState()->SetModifiedFlag(false);
}

void TFormMultiOBD::WritePidAllowed(int index)
{
    if (FSuppressAllowWrite || !obdActive())
        return;
    const TLiveItem &item = LiveItems[index];
    auto *check = PnlOBDLive->findChild<QCheckBox *>(QString::fromLatin1(item.check));
    Logic->UIState()->SetModifiedFlag(false);
    {
        TWorkPause paused;
        ui()->GetPidAllowedVariable(item.pid)->SetAsBoolean(check && check->isChecked());
        UpdateLiveItem(index, true);
        Logic->UIState()->CopyToDevice(QStringLiteral("OBD"), 2);
        module()->WriteAllowedPids();
    }
    RefreshLivePage();
}

// ---- Readings panel --------------------------------------------------------------

void TFormMultiOBD::RefreshReadings()
{
    TUIStateOBD *s = ui();
    if (!s)
        return;
    for (TVariable *v : std::initializer_list<TVariable *>{s->OBDRPM, s->OBDMAP, s->OBDStFtB1, s->OBDStFtB2, s->OBDLtFtB1,
                                                        s->OBDLtFtB2, s->OBDLambda[0], s->OBDLambda[4], s->OBDLambda[1],
                                                        s->OBDLambda[5]})
        v->Refresh(false);
    auto trim = [](TVariable *v) {
        return v->Text() == NoReadingText() ? v->Text() : FormatDecimals(v->GetAsFloat(), 1);
    };
    // The decimal separator of the language shown, as every number the program shows.
    auto shown = [](TVariable *v) { return ToShownSeparator(v->Text()); };
    LblOBDRPMMini->setText(s->OBDRPM->Text());
    LblOBDMAPMini->setText(shown(s->OBDMAP));
    LblOBDStFtMini->setText(trim(s->OBDStFtB1) + QStringLiteral("/") + trim(s->OBDStFtB2));
    LblOBDLtFtMini->setText(trim(s->OBDLtFtB1) + QStringLiteral("/") + trim(s->OBDLtFtB2));
    LblOBDLambda1Mini->setText(shown(s->OBDLambda[0]) + QStringLiteral("/") + shown(s->OBDLambda[4]));
    LblOBDLambda2Mini->setText(shown(s->OBDLambda[1]) + QStringLiteral("/") + shown(s->OBDLambda[5]));
}

void TFormMultiOBD::ColorReadingsPanel()
{
    TUIStateOBD *s = ui();
    if (!s)
        return;
    const int state = int(s->OBDactionMain->GetAsInteger());
    QColor colour = LightGrey;
    if (state == 2 || state == 3 || state == 25)
        colour = Olive;
    else if (state == 4 || state == 5)
        colour = Yellow;
    else if (state == 24)
        colour = Green;
    setColour(PnlOBDReadingsMini, QPalette::Window, colour);
    RefreshReadings();
    ColorReadingLabel(LblOBDCaptionLambda1Mini, int(s->OBDFuelSystemStatusB1->GetAsInteger()));
    ColorReadingLabel(PnlOBDFuelSystemStatusB1, int(s->OBDFuelSystemStatusB1->GetAsInteger()));
    ColorReadingLabel(LblOBDCaptionLambda2Mini, int(s->OBDFuelSystemStatusB2->GetAsInteger()));
    ColorReadingLabel(PnlOBDFuelSystemStatusB2, int(s->OBDFuelSystemStatusB2->GetAsInteger()));
}

void TFormMultiOBD::ColorReadingLabel(QWidget *control, int status)
{
    TUIStateOBD *s = ui();
    if (!s || !control)
        return;
    QColor colour = parentColour(control);
    if (s->IsConnected()) {
        if (!s->GetPidSupported(0x03))
            colour = Red;
        else if (!(s->OBDAllows[0]->GetAsInteger() & 0x20))
            colour = parentColour(control);
        else if (status == 1 || status == 4 || status == 8)
            colour = Teal;
        else if (status == 2 || status == 16)
            colour = Lime;
    }
    setColour(control, QPalette::Window, colour);
}

// ---- Debug page ------------------------------------------------------------------

void TFormMultiOBD::ShowAdaptationTables()
{
    TUIStateOBD *s = ui();
    for (int bank = 1; bank <= 2; ++bank) {
        QTableWidget *grid = bank == 1 ? StGOBDAdaptBank1 : StGOBDAdaptBank2;
        for (int row = 0; row < 10; ++row)
            for (int column = 0; column < 10; ++column) {
                TDoubleVariable *cell = !s || !obdActive() ? nullptr
                                        : bank == 1       ? s->GetAdaptCorrectionBank1(row, column)
                                                          : s->GetAdaptCorrectionBank2(row, column);
                QTableWidgetItem *item = grid->item(row, column);
                if (!item) {
                    item = new QTableWidgetItem;
                    grid->setItem(row, column, item);
                }
                item->setText(cell ? cell->Text() : QString());
            }
    }
}
