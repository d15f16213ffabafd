#include "windows/FormConnectStatus.h"

#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "core/AppConfig.h"
#include "core/CommonConv.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "windows/NamedWidget.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>

#include <exception>

TFormConnectStatus *FormConnectStatus = nullptr;

namespace {
constexpr int PanelWidth = 420;
constexpr int DevicePanelHeight = 120;
constexpr int PcPanelHeight = 150;
constexpr int PortButtonHeight = 25;
// Status icons.
constexpr int IconGood = 1, IconWarning = 2, IconError = 3;

// A device or adapter panel with its picture, state and version lines and
// action buttons.
struct PanelParts {
    QFrame *panel;
    TSelectedImage *picture, *versionIcon, *stateIcon;
    QLabel *version, *state;
    QFrame *actions;
    QPushButton *config, *update, *reset;
};

PanelParts makePanel(QWidget *parent, int top, const QString &title, const char *panel, const char *picture,
                     const char *version, const char *versionIcon, const char *state, const char *stateIcon,
                     const char *actions, const char *config, const char *update, const char *reset)
{
    PanelParts p{};
    p.panel = NewNamed<QFrame>(parent, panel, {0, top, PanelWidth, DevicePanelHeight});
    p.panel->setFrameShape(QFrame::StyledPanel);
    NewNamed<QLabel>(p.panel, "", {8, 4, 200, 18}, title);
    p.picture = NewNamed<TSelectedImage>(p.panel, picture, {8, 24, 80, 80});
    p.stateIcon = NewNamed<TSelectedImage>(p.panel, stateIcon, {96, 28, 16, 16});
    p.state = NewNamed<QLabel>(p.panel, state, {116, 26, 190, 20});
    p.versionIcon = NewNamed<TSelectedImage>(p.panel, versionIcon, {96, 54, 16, 16});
    // A long version text wraps below its first line, clear of the buttons.
    p.version = NewNamed<QLabel>(p.panel, version, {116, 52, 190, 48});
    p.version->setWordWrap(true);
    p.version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    p.actions = NewNamed<QFrame>(p.panel, actions, {310, 4, 106, 110});
    p.config = NewNamed<QPushButton>(p.actions, config, {0, 0, 106, 25}, QStringLiteral("Load from file..."));
    p.update = NewNamed<QPushButton>(p.actions, update, {0, 30, 106, 25}, QStringLiteral("Update..."));
    p.reset = NewNamed<QPushButton>(p.actions, reset, {0, 60, 106, 25}, QStringLiteral("Reset"));
    p.actions->hide();
    return p;
}

QString trKey(const char *key)
{
    return TranslateKey(QString::fromLatin1(key));
}
} // namespace

TFormConnectStatus::TFormConnectStatus(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormConnectStatus"));
    setWindowTitle(QStringLiteral("Connection status"));

    const PanelParts device = makePanel(this, 0, QStringLiteral("Device"), "PnlConnDevice", "SelImDevice", "LblDevVer",
                                        "SelImDevVer", "LblDevState", "SelImDevState", "PnlDevActions",
                                        "BtnDevConfig", "BtnDevUpdate", "BtnDevReset");
    PnlConnDevice = device.panel;
    SelImDevice = device.picture;
    SelImDevVer = device.versionIcon;
    SelImDevState = device.stateIcon;
    LblDevVer = device.version;
    LblDevState = device.state;
    PnlDevActions = device.actions;
    BtnDevConfig = device.config;
    BtnDevUpdate = device.update;
    BtnDevReset = device.reset;

    const PanelParts adapter =
        makePanel(this, DevicePanelHeight, QStringLiteral("Adapter"), "PnlConnAdapter", "SelImAdapter", "LblAdaptVer",
                  "SelImAdaptVer", "LblAdaptState", "SelImAdaptState", "PnlAdaptActions", "BtnAdapterConfig",
                  "BtnAdapterUpdate", "BtnAdapterReset");
    PnlConnAdapter = adapter.panel;
    SelImAdapter = adapter.picture;
    SelImAdaptVer = adapter.versionIcon;
    SelImAdaptState = adapter.stateIcon;
    LblAdaptVer = adapter.version;
    LblAdaptState = adapter.state;
    PnlAdaptActions = adapter.actions;
    BtnAdapterConfig = adapter.config;
    BtnAdapterUpdate = adapter.update;
    BtnAdapterReset = adapter.reset;

    PnlConnPC = NewNamed<QFrame>(this, "PnlConnPC", {0, 2 * DevicePanelHeight, PanelWidth, PcPanelHeight});
    NewNamed<QLabel>(PnlConnPC, "", {8, 4, 200, 18}, QStringLiteral("Connection"));
    SelImPC = NewNamed<TSelectedImage>(PnlConnPC, "SelImPC", {8, 24, 80, 80});
    SelImPC->SetImageIndex(0);
    PnlComError = NewNamed<QFrame>(PnlConnPC, "PnlComError", {96, 24, 316, 60});
    NewNamed<QLabel>(PnlComError, "LblComError", {4, 20, 300, 20}, QStringLiteral("No COM ports found!"));
    ScBComPorts = NewNamed<QScrollArea>(PnlConnPC, "ScBComPorts", {96, 24, 316, 60});
    PnlComPorts = NewNamed<QFrame>(nullptr, "PnlComPorts", {0, 0, 296, PortButtonHeight});
    ScBComPorts->setWidget(PnlComPorts);
    LblComHint = NewNamed<QLabel>(PnlConnPC, "LblComHint", {96, 88, 316, 18});
    LblComHint->hide();
    BtBRefresh = NewNamed<QPushButton>(PnlConnPC, "BtBRefresh", {96, 114, 90, 25}, QStringLiteral("Refresh"));
    BtBRefresh->hide();
    BtBDetect = NewNamed<QPushButton>(PnlConnPC, "BtBDetect", {226, 114, 90, 25}, QStringLiteral("Detect"));
    BtBClose = NewNamed<QPushButton>(PnlConnPC, "BtBClose", {322, 114, 90, 25}, QStringLiteral("Close"));

    TimerConnState = new QTimer(this);
    TimerConnState->setObjectName(QStringLiteral("TimerConnState"));
    TimerConnState->setInterval(2000);
    connect(TimerConnState, &QTimer::timeout, this, [this] {
        const bool wasActive = TimerConnState->isActive();
        TimerConnState->stop();
        Refresh();
        if (wasActive && isVisible())
            TimerConnState->start();
    });

    connect(BtBRefresh, &QPushButton::clicked, this, [this] { Refresh(); });
    connect(BtBDetect, &QPushButton::clicked, this, [this] {
        if (OnConnect)
            OnConnect();
    });
    connect(BtBClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnDevConfig, &QPushButton::clicked, this, [this] {
        if (OnLoadSettingsFile)
            OnLoadSettingsFile();
    });
    connect(BtnAdapterConfig, &QPushButton::clicked, this, [this] {
        if (OnLoadAdapterFile)
            OnLoadAdapterFile();
    });
    connect(BtnDevUpdate, &QPushButton::clicked, this, [this] { UpdateFirmware(true); });
    connect(BtnAdapterUpdate, &QPushButton::clicked, this, [this] { UpdateFirmware(false); });

    resize(PanelWidth, 2 * DevicePanelHeight + PcPanelHeight);
}

TFormConnectStatus::~TFormConnectStatus()
{
    if (::FormConnectStatus == this)
        ::FormConnectStatus = nullptr;
    SetPortButtonCount(0);
}

void TFormConnectStatus::showEvent(QShowEvent *event)
{
    BtBDetect->setEnabled(bool(OnConnect));
    TimerConnState->start();
    Refresh();
    QDialog::showEvent(event);
}

void TFormConnectStatus::hideEvent(QHideEvent *event)
{
    TimerConnState->stop();
    QDialog::hideEvent(event);
}

void TFormConnectStatus::Refresh()
{
    RefreshComPorts();
    int major = 0, minor = 0, type = 0;
    const bool bootloader = BootloaderReached && BootloaderReached(major, minor, type);
    const bool adapterShown = (AdapterEnabled && AdapterEnabled()) || (bootloader && (type == 40 || type == 98));
    PnlConnAdapter->setVisible(adapterShown);
    PnlConnPC->move(0, adapterShown ? 2 * DevicePanelHeight : DevicePanelHeight);
    resize(PanelWidth, (adapterShown ? 2 : 1) * DevicePanelHeight + PcPanelHeight);
    refreshDevice();
    refreshAdapter();
}

void TFormConnectStatus::refreshDevice()
{
    int major = 0, minor = 0, type = 0;
    if (DeviceRecord.DeviceKind != 0) {
        BtnDevReset->setEnabled(false);
        if (IsDeviceUpgradePossible)
            MarkUpdateButton(BtnDevUpdate, IsDeviceUpgradePossible());
        if (DataManager && DataManager->GetConnected()) {
            DataManager->ReadIdentity();
            DataManager->ReadAllPages();
        }
        SelImDevice->SetImageIndex(1);
        PnlDevActions->show();
        LblDevState->setText(trKey("strTextConnected"));
        SelImDevState->SetImageIndex(IconGood);
        LblDevVer->setText(QStringLiteral("%1: %2 (%3)")
                               .arg(trKey("strTextVersion"), DeviceRecord.Ver,
                                    DeviceRecord.CompDate + QLatin1Char(' ') + DeviceRecord.CompTime));
        SelImDevVer->SetImageIndex(IconGood);
        return;
    }
    MarkUpdateButton(BtnDevUpdate, false);
    if (BootloaderReached && BootloaderReached(major, minor, type) && type != 40 && type != 98) {
        BtnDevReset->setEnabled(true);
        SelImDevice->SetImageIndex(2);
        PnlDevActions->show();
        LblDevState->setText(trKey("strTextBootloader"));
        SelImDevState->SetImageIndex(IconWarning);
        LblDevVer->setText(QStringLiteral("%1: %2.%3").arg(trKey("strTextVersion")).arg(major).arg(minor));
        SelImDevVer->SetImageIndex(IconWarning);
    } else {
        BtnDevReset->setEnabled(false);
        SelImDevice->SetImageIndex(3);
        PnlDevActions->hide();
        LblDevState->setText(trKey("strTextNotDetected"));
        SelImDevState->SetImageIndex(IconError);
        LblDevVer->setText(trKey("strTextUnknownVersion"));
        SelImDevVer->SetImageIndex(IconError);
    }
}

void TFormConnectStatus::refreshAdapter()
{
    int major = 0, minor = 0, type = 0;
    if (AdapterEnabled && AdapterEnabled()) {
        BtnAdapterReset->setEnabled(false);
        if (IsAdapterUpgradePossible)
            MarkUpdateButton(BtnAdapterUpdate, IsAdapterUpgradePossible());
        SelImAdapter->SetImageIndex(4);
        PnlAdaptActions->show();
        LblAdaptState->setText(trKey("strTextConnected"));
        SelImAdaptState->SetImageIndex(IconGood);
        QString version = AdapterVersionText ? AdapterVersionText() : QString();
        if (!version.startsWith(QLatin1Char('-')))
            version = QStringLiteral("%1 (%2)").arg(version, AdapterCompileText ? AdapterCompileText() : QString());
        else
            version.clear();
        LblAdaptVer->setText(trKey("strTextVersion") + QStringLiteral(": ") + version);
        SelImAdaptVer->SetImageIndex(IconGood);
        return;
    }
    MarkUpdateButton(BtnAdapterUpdate, false);
    if (BootloaderReached && BootloaderReached(major, minor, type) && (type == 40 || type == 98)) {
        BtnAdapterReset->setEnabled(true);
        SelImAdapter->SetImageIndex(5);
        PnlAdaptActions->show();
        LblAdaptState->setText(trKey("strTextBootloader"));
        SelImAdaptState->SetImageIndex(IconWarning);
        LblAdaptVer->setText(QStringLiteral("%1: %2.%3").arg(trKey("strTextVersion")).arg(major).arg(minor));
        SelImAdaptVer->SetImageIndex(IconWarning);
    } else {
        BtnAdapterReset->setEnabled(false);
        SelImAdapter->SetImageIndex(6);
        PnlAdaptActions->hide();
        LblAdaptState->setText(trKey("strTextNotDetected"));
        SelImAdaptState->SetImageIndex(IconError);
        LblAdaptVer->setText(trKey("strTextUnknownVersion"));
        SelImAdaptVer->SetImageIndex(IconError);
    }
}

void TFormConnectStatus::MarkUpdateButton(QPushButton *button, bool possible)
{
    QFont font = button->parentWidget() ? button->parentWidget()->font() : button->font();
    font.setBold(possible);
    button->setFont(font);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, possible ? QColor(0xFF, 0, 0) : QColor(Qt::black));
    button->setPalette(palette);
}

void TFormConnectStatus::SetPortButtonCount(int count)
{
    while (FPortButtons.size() > std::max(count, 0))
        delete FPortButtons.takeLast();
    const int width = PnlComPorts->width();
    for (int i = int(FPortButtons.size()); i < count; ++i) {
        auto *button = new QPushButton(PnlComPorts);
        button->setObjectName(QStringLiteral("BtBComPort%1").arg(i));
        connect(button, &QPushButton::clicked, this, [this, button] { SelectComPort(button->property("Tag").toInt()); });
        FPortButtons.append(button);
    }
    for (int i = 0; i < FPortButtons.size(); ++i) {
        const int left = width * (i % 4) / 4;
        FPortButtons[i]->setGeometry(left, (i / 4) * PortButtonHeight, width * (i % 4 + 1) / 4 - left,
                                     PortButtonHeight);
        FPortButtons[i]->show();
    }
    if (count < 1) {
        ScBComPorts->hide();
        PnlComError->show();
    } else {
        PnlComPorts->resize(width, ((count + 3) / 4) * PortButtonHeight);
        ScBComPorts->show();
        PnlComError->hide();
    }
}

void TFormConnectStatus::RefreshComPorts()
{
    QStringList names, descriptions;
    TCommonConv::EnumerateComPorts(names, &descriptions);
    const bool described = descriptions.size() == names.size();
    bool changed = FPortButtons.size() != names.size();
    for (int i = 0; !changed && i < FPortButtons.size(); ++i)
        changed = FPortButtons[i]->text() != names[i];
    if (changed)
        SetPortButtonCount(int(names.size()));

    const int inUse = AppConfig ? AppConfig->GetComDevice() : 0;
    const bool answering = DataManager && DataManager->GetConnected();
    bool hintShown = false;
    for (int i = 0; i < FPortButtons.size(); ++i) {
        QPushButton *button = FPortButtons[i];
        const int number = names[i].mid(3).toInt();
        button->setText(names[i]);
        button->setToolTip(described ? descriptions[i] : QString());
        button->setProperty("Tag", number);
        QFont font = PnlComPorts->font();
        QPalette palette = PnlComPorts->palette();
        if (number == inUse) {
            if (described) {
                LblComHint->setText(descriptions[i]);
                hintShown = true;
            }
            font.setBold(true);
            palette.setColor(QPalette::ButtonText, answering ? QColor(0, 0x80, 0) : QColor(0xFF, 0, 0));
            if (changed)
                button->setFocus();
        }
        button->setFont(font);
        button->setPalette(palette);
    }
    LblComHint->setVisible(hintShown);
}

void TFormConnectStatus::SelectComPort(int port)
{
    if (port < 1 || port > 255)
        return;
    try {
        if (DataManager) {
            DataManager->SetConnected(false);
            DataManager->ChangePort(port);
            DataManager->DetectDevice();
        }
    } catch (const std::exception &) {
        // A port that cannot be opened shows as not answering.
    }
    Refresh();
}

void TFormConnectStatus::UpdateFirmware(bool device)
{
    const bool timerWasActive = TimerConnState->isActive();
    TimerConnState->stop();
    const int top = y();
    move(x(), -32768);
    if (OnUpgradeFirmware)
        OnUpgradeFirmware(device);
    SelectComPort(AppConfig ? AppConfig->GetComDevice() : 1);
    if (OnReconnected)
        OnReconnected();
    move(x(), top);
    if (timerWasActive)
        TimerConnState->start();
}
