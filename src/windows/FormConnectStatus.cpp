#include "windows/FormConnectStatus.h"

#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "core/AppConfig.h"
#include "core/CommonConv.h"
#include "core/DataManager.h"
#include "core/ComMultiPort.h"
#include "core/Detector.h"
#include "core/DeviceRecord.h"
#include "core/ui/Common.h"
#include "core/ui/WaitForm.h"
#include "windows/NamedWidget.h"

#include <QPainter>

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
// The action panel with and without its Reset button.
constexpr int ActionsFullHeight = 88, ActionsCutHeight = 58;

// A device or adapter panel with its picture, state and version lines and
// action buttons.
struct PanelParts {
    QFrame *panel;
    TSelectedImage *picture, *versionIcon, *stateIcon;
    QLabel *version, *state;
    QFrame *actions;
    QPushButton *config, *update, *reset;
};

PanelParts makePanel(QWidget *parent, int top, const char *titleName, const QString &title, const char *panel,
                     const char *picture,
                     const char *version, const char *versionIcon, const char *state, const char *stateIcon,
                     const char *actions, const char *config, const char *update, const char *reset)
{
    PanelParts p{};
    p.panel = NewNamed<QFrame>(parent, panel, {0, top, PanelWidth, DevicePanelHeight});
    p.panel->setFrameShape(QFrame::StyledPanel);
    NewNamed<QLabel>(p.panel, titleName, {8, 4, 200, 18}, title);
    p.picture = NewNamed<TSelectedImage>(p.panel, picture, {8, 24, 80, 80});
    p.stateIcon = NewNamed<TSelectedImage>(p.panel, stateIcon, {96, 28, 16, 16});
    p.state = NewNamed<QLabel>(p.panel, state, {116, 26, 178, 20});
    p.versionIcon = NewNamed<TSelectedImage>(p.panel, versionIcon, {96, 54, 16, 16});
    // A long version text wraps below its first line, clear of the buttons.
    p.version = NewNamed<QLabel>(p.panel, version, {116, 52, 178, 48});
    p.version->setWordWrap(true);
    p.version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Wide enough for "Wczytaj z pliku...".
    p.actions = NewNamed<QFrame>(p.panel, actions, {298, 4, 118, ActionsFullHeight});
    p.config = NewNamed<QPushButton>(p.actions, config, {0, 0, 118, 25}, QStringLiteral("Load from file..."));
    p.update = NewNamed<QPushButton>(p.actions, update, {0, 30, 118, 25}, QStringLiteral("Update..."));
    p.reset = NewNamed<QPushButton>(p.actions, reset, {0, 60, 118, 25}, QStringLiteral("Reset"));
    p.actions->hide();
    return p;
}

QString trKey(const char *key)
{
    return TranslateKey(QString::fromLatin1(key));
}

// The large pictures: 0 the PC, 1-3 the controller connected, in its
// bootloader, not detected, 4-6 the same for the adapter box.
QPixmap largePicture(int index)
{
    QPixmap picture(80, 80);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    if (index == 0) {
        p.setBrush(QColor(0x50, 0x60, 0x70));
        p.drawRoundedRect(8, 10, 64, 44, 4, 4);
        p.setBrush(QColor(0xA0, 0xD0, 0xF0));
        p.drawRect(13, 15, 54, 34);
        p.setBrush(QColor(0x50, 0x60, 0x70));
        p.drawRect(30, 54, 20, 8);
        p.drawRect(20, 62, 40, 6);
        return picture;
    }
    const bool adapter = index >= 4;
    const int state = (index - 1) % 3; // 0 connected, 1 bootloader, 2 not detected
    const QColor body = state == 2 ? QColor(0xB0, 0xB0, 0xB0) : adapter ? QColor(0x30, 0x60, 0xA0)
                                                                         : QColor(0x30, 0x30, 0x30);
    p.setBrush(body);
    p.setPen(Qt::black);
    if (adapter) {
        p.drawRoundedRect(12, 22, 56, 36, 6, 6);
        p.drawRect(30, 10, 20, 12);
    } else {
        p.drawRoundedRect(10, 14, 60, 52, 6, 6);
        for (int pin = 0; pin < 5; ++pin)
            p.drawRect(16 + pin * 10, 62, 6, 10);
    }
    p.setBrush(state == 0 ? QColor(0x20, 0xC0, 0x20) : state == 1 ? QColor(0xF0, 0xB0, 0x10) : QColor(0x80, 0x80, 0x80));
    p.drawEllipse(QPoint(56, 26), 5, 5);
    if (state == 2) {
        p.setPen(QPen(QColor(0xD0, 0, 0), 5));
        p.drawLine(18, 18, 62, 62);
        p.drawLine(62, 18, 18, 62);
    }
    return picture;
}

// The status icons: 1 good, 2 warning, 3 error.
QPixmap statusIcon(int index)
{
    QPixmap icon(16, 16);
    icon.fill(Qt::transparent);
    if (index == 0)
        return icon;
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colours[] = {QColor(), QColor(0x20, 0xA0, 0x20), QColor(0xF0, 0xB0, 0x10), QColor(0xD0, 0x20, 0x20)};
    p.setBrush(colours[index]);
    p.setPen(Qt::NoPen);
    p.drawEllipse(1, 1, 14, 14);
    p.setPen(QPen(Qt::white, 2));
    if (index == 1) {
        p.drawLine(4, 8, 7, 11);
        p.drawLine(7, 11, 12, 5);
    } else if (index == 2) {
        p.drawLine(8, 4, 8, 9);
        p.drawPoint(8, 12);
    } else {
        p.drawLine(5, 5, 11, 11);
        p.drawLine(11, 5, 5, 11);
    }
    return icon;
}
} // namespace

TFormConnectStatus::TFormConnectStatus(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormConnectStatus"));
    setWindowTitle(QStringLiteral("Connection status"));

    const PanelParts device = makePanel(this, 0, "LblConnDevice", QStringLiteral("Device"), "PnlConnDevice", "SelImDevice", "LblDevVer",
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
        makePanel(this, DevicePanelHeight, "LblConnAdapter", QStringLiteral("Adapter"), "PnlConnAdapter", "SelImAdapter", "LblAdaptVer",
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
    NewNamed<QLabel>(PnlConnPC, "LblConnPC", {8, 4, 200, 18}, QStringLiteral("Connection"));
    SelImPC = NewNamed<TSelectedImage>(PnlConnPC, "SelImPC", {8, 24, 80, 80});
    PnlComError = NewNamed<QFrame>(PnlConnPC, "PnlComError", {96, 24, 316, 60});
    NewNamed<QLabel>(PnlComError, "LblComError", {4, 20, 300, 20}, QStringLiteral("No COM ports found!"));
    ScBComPorts = NewNamed<QScrollArea>(PnlConnPC, "ScBComPorts", {96, 24, 316, 60});
    PnlComPorts = NewNamed<QFrame>(nullptr, "PnlComPorts", {0, 0, 296, PortButtonHeight});
    ScBComPorts->setWidget(PnlComPorts);
    LblComHint = NewNamed<QLabel>(PnlConnPC, "LblComHint", {96, 88, 316, 18});
    LblComHint->hide();
    LblPortError = NewNamed<QLabel>(PnlConnPC, "LblPortError", {8, 108, 212, 40});
    LblPortError->setWordWrap(true);
    LblPortError->setStyleSheet(QStringLiteral("color: #C00000;"));
    LblPortError->hide();
    BtBRefresh = NewNamed<QPushButton>(PnlConnPC, "BtBRefresh", {96, 114, 90, 25}, QStringLiteral("Refresh"));
    BtBRefresh->hide();
    BtBDetect = NewNamed<QPushButton>(PnlConnPC, "BtBDetect", {226, 114, 90, 25}, QStringLiteral("Detect"));
    // The pictures and status icons.
    auto *pictures = new TImageList(80, 80, this);
    for (int i = 0; i <= 6; ++i)
        pictures->Add(largePicture(i));
    auto *icons = new TImageList(16, 16, this);
    for (int i = 0; i <= 3; ++i)
        icons->Add(statusIcon(i));
    for (TSelectedImage *picture : {SelImDevice, SelImAdapter, SelImPC})
        picture->SetImageList(pictures);
    for (TSelectedImage *icon : {SelImDevVer, SelImDevState, SelImAdaptVer, SelImAdaptState})
        icon->SetImageList(icons);
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
        RedetectAdapter();
        FAdapterProbeDue = true;
        Refresh();
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
    connect(BtnDevReset, &QPushButton::clicked, this, &TFormConnectStatus::BtnResetClick);
    connect(BtnAdapterReset, &QPushButton::clicked, this, &TFormConnectStatus::BtnResetClick);
    connect(BtnAdapterUpdate, &QPushButton::clicked, this, [this] { UpdateFirmware(false); });

    SelImPC->SetImageIndex(0);
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
    FAdapterProbeDue = true;
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
    probeAdapterBootloader();
    // The device part may read the box afresh: the height follows what it found.
    const bool deviceShown = refreshDevice();
    int major = 0, minor = 0, type = 0;
    const bool bootloader = BootloaderReached(major, minor, type);
    const bool adapterShown = AdapterEnabled() || (bootloader && (type == 40 || type == 98));
    PnlConnAdapter->setVisible(adapterShown);
    PnlConnPC->move(0, adapterShown ? 2 * DevicePanelHeight : DevicePanelHeight);
    resize(PanelWidth, (adapterShown ? 2 : 1) * DevicePanelHeight + PcPanelHeight);
    refreshAdapter();
    if (deviceShown && isVisible() && OnReconnected)
        OnReconnected();
}

void TFormConnectStatus::probeAdapterBootloader()
{
    // Without a controller answering, the port's own probe has just asked
    // for a bootloader.
    if (!FAdapterProbeDue || !DataManager || !DataManager->GetConnected())
        return;
    FAdapterProbeDue = false;
    if (!AdapterEnabled())
        ConnectBootloader();
}

bool TFormConnectStatus::refreshDevice()
{
    int major = 0, minor = 0, type = 0;
    if (DeviceRecord.DeviceKind != 0) {
        ShowDevActions(false);
        if (IsDeviceUpgradePossible)
            MarkUpdateButton(BtnDevUpdate, IsDeviceUpgradePossible());
        if (DataManager && DataManager->GetConnected()) {
            DataManager->ReadIdentity();
            DataManager->ReadAllPages();
        }
        const bool ours = Detector && Detector->GetExeFamily() == 2;
        SelImDevice->SetImageIndex(1);
        PnlDevActions->show();
        LblDevState->setText(trKey("strTextConnected"));
        SelImDevState->SetImageIndex(ours ? IconGood : IconWarning);
        // The device type as the status bar shows it ("3.0 G").
        const QString type = DataManager ? DataManager->GetDeviceTypeText(true) : QString();
        LblDevVer->setText(QStringLiteral("%1: %2 (%3)")
                               .arg(trKey("strTextVersion"), (type + QLatin1Char(' ') + DeviceRecord.Ver).trimmed(),
                                    DeviceRecord.CompDate + QLatin1Char(' ') + DeviceRecord.CompTime));
        SelImDevVer->SetImageIndex(ours ? IconGood : IconError);
        return true;
    }
    MarkUpdateButton(BtnDevUpdate, false);
    CheckAdapterInfo();
    if (BootloaderReached(major, minor, type) && type != 40 && type != 98) {
        ShowDevActions(true);
        SelImDevice->SetImageIndex(2);
        PnlDevActions->show();
        LblDevState->setText(trKey("strTextBootloader"));
        SelImDevState->SetImageIndex(IconWarning);
        LblDevVer->setText(QStringLiteral("%1: %2.%3").arg(trKey("strTextVersion")).arg(major).arg(minor));
        SelImDevVer->SetImageIndex(IconWarning);
    } else {
        ShowDevActions(false);
        SelImDevice->SetImageIndex(3);
        PnlDevActions->hide();
        LblDevState->setText(trKey("strTextNotDetected"));
        SelImDevState->SetImageIndex(IconError);
        LblDevVer->setText(trKey("strTextUnknownVersion"));
        SelImDevVer->SetImageIndex(IconError);
    }
    return false;
}

void TFormConnectStatus::refreshAdapter()
{
    int major = 0, minor = 0, type = 0;
    if (AdapterEnabled()) {
        ShowAdaptActions(false);
        if (IsAdapterUpgradePossible)
            MarkUpdateButton(BtnAdapterUpdate, IsAdapterUpgradePossible());
        SelImAdapter->SetImageIndex(4);
        PnlAdaptActions->show();
        LblAdaptState->setText(trKey("strTextConnected"));
        SelImAdaptState->SetImageIndex(IconGood);
        QString version = AdapterVersionText();
        if (!version.startsWith(QLatin1Char('-')))
            version = QStringLiteral("%1 (%2)").arg(version, AdapterCompileText());
        else
            version.clear();
        LblAdaptVer->setText(trKey("strTextVersion") + QStringLiteral(": ") + version);
        SelImAdaptVer->SetImageIndex(IconGood);
        return;
    }
    MarkUpdateButton(BtnAdapterUpdate, false);
    if (BootloaderReached(major, minor, type) && (type == 40 || type == 98)) {
        ShowAdaptActions(true);
        SelImAdapter->SetImageIndex(5);
        PnlAdaptActions->show();
        LblAdaptState->setText(trKey("strTextBootloader"));
        SelImAdaptState->SetImageIndex(IconWarning);
        LblAdaptVer->setText(QStringLiteral("%1: %2.%3").arg(trKey("strTextVersion")).arg(major).arg(minor));
        SelImAdaptVer->SetImageIndex(IconWarning);
    } else {
        ShowAdaptActions(false);
        SelImAdapter->SetImageIndex(6);
        PnlAdaptActions->hide();
        LblAdaptState->setText(trKey("strTextNotDetected"));
        SelImAdaptState->SetImageIndex(IconError);
        LblAdaptVer->setText(trKey("strTextUnknownVersion"));
        SelImAdaptVer->SetImageIndex(IconError);
    }
}

void TFormConnectStatus::showActions(QFrame *panel, QPushButton *reset, bool bootloader)
{
    // Cut above Reset unless the bootloader answers: the button is out of
    // reach then, so it is hidden as well.
    panel->resize(panel->width(), bootloader ? ActionsFullHeight : ActionsCutHeight);
    reset->setVisible(bootloader);
    reset->setEnabled(bootloader);
    QFont font = panel->font();
    font.setBold(bootloader);
    reset->setFont(font);
    QPalette palette = reset->palette();
    palette.setColor(QPalette::ButtonText, bootloader ? QColor(0xFF, 0, 0) : panel->palette().color(QPalette::ButtonText));
    reset->setPalette(palette);
}

void TFormConnectStatus::ShowDevActions(bool bootloader)
{
    showActions(PnlDevActions, BtnDevReset, bootloader);
}

void TFormConnectStatus::ShowAdaptActions(bool bootloader)
{
    showActions(PnlAdaptActions, BtnAdapterReset, bootloader);
}

void TFormConnectStatus::BtnResetClick()
{
    ResetBootloader();
    if (Detector)
        Detector->Reset();
    Refresh();
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
    bool answering = DataManager && DataManager->GetConnected();
    if (!answering && names.contains(QStringLiteral("COM%1").arg(inUse)))
        answering = ConnectBootloader();
    showPortError();
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

void TFormConnectStatus::showPortError()
{
    const int inUse = AppConfig ? AppConfig->GetComDevice() : 0;
    const QString reason = ComMultiPort && !ComMultiPort->GetConnected() ? ComMultiPort->LastOpenError(inUse) : QString();
    LblPortError->setText(reason);
    LblPortError->setToolTip(reason);
    LblPortError->setVisible(!reason.isEmpty());
}

void TFormConnectStatus::SelectComPort(int port)
{
    if (port < 1 || port > 255)
        return;
    TWaitForm wait(this);
    wait.SetCaption(windowTitle());
    wait.SetStatusText(trKey("strDevReadingInfo"));
    wait.Show();
    wait.ProcessMessages();
    OnPortChosen();
    if (DataManager)
        DataManager->SetConnected(false);
    try {
        // The old port is closed (its lock released) before the new one is
        // opened and locked; a closed port in use is opened again.
        // What the detector found belongs to the old port: it goes before
        // the new one is opened, also when that fails.
        if (AppConfig && (AppConfig->GetComDevice() != port || (ComMultiPort && !ComMultiPort->GetConnected()))) {
            if (Detector)
                Detector->Reset();
            AppConfig->SetComDevice(port, true);
        }
        // As the connect action does: the port detector first identifies
        // what answers on the chosen port. Left knowing nothing, the connect
        // would take the port for another program's device while the main
        // timer runs, and ask no controller at all.
        if (Detector && Detector->GetDetectedKind() == 0 && ComMultiPort && ComMultiPort->GetConnected())
            Detector->Detect(ComMultiPort);
        if (DataManager)
            DataManager->Reconnect(port, true);
    } catch (const EComPortError &) {
        // The reason stays with the port and is shown by the refresh.
        DeviceRecord.DeviceKind = 0;
    }
    Refresh();
    int major = 0, minor = 0, type = 0;
    const bool detected = Detector && Detector->GetDetectedKind() == 8 && Detector->GetVersionMajor() != 0;
    if ((detected || BootloaderReached(major, minor, type)) && !(DataManager && DataManager->GetConnected()) && Common) {
        const bool adapter = type == 40 || type == 98;
        Common->ShowWarning(trKey(adapter ? "strUpdAdapt" : "strUpdMod"), QStringLiteral(" "));
    }
    wait.Hide();
}

void TFormConnectStatus::UpdateFirmware(bool device)
{
    // The launch lets events run while it seeks its target, with this dialog
    // still the active window out of sight: Return on its Update button must
    // not start a second launch inside the first.
    if (FUpgrading)
        return;
    FUpgrading = true;
    const bool timerWasActive = TimerConnState->isActive();
    TimerConnState->stop();
    const int top = y();
    move(x(), -32768);
    if (OnUpgradeFirmware)
        OnUpgradeFirmware(device);
    SelectComPort(AppConfig ? AppConfig->GetComDevice() : 1);
    move(x(), top);
    if (Detector)
        Detector->Reset();
    if (timerWasActive)
        TimerConnState->start();
    FUpgrading = false;
}
