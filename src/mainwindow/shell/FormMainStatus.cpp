// The main window's status bar (connection panel, gas-switch panel, device
// panel), the window caption, switching the fuel from the status bar, and the
// software versions and port of the quick-start page.
#include "mainwindow/shell/FormMainReadingControls.h"

#include "core/AppConfig.h"
#include "core/ComMultiPort.h"
#include "core/CommonConv.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/VersionInfo.h"
#include "core/ui/Common.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include <exception>

using namespace readings;

namespace {

// Work types of the fuel switch (command 0x20).
constexpr uint8_t kWorkGas = 1;
constexpr uint8_t kWorkPetrol = 2;
constexpr uint8_t kWorkGasDirect = 4;
constexpr uint8_t kWorkPetrolRight = 5;

constexpr uint32_t kOrange = 0x0080FF;

int ConfiguredPort()
{
    return AppConfig ? AppConfig->GetComDevice() : 0;
}

// Device type with its dot and the firmware version, or "----" while no
// device is identified.
QString DeviceText()
{
    if (DeviceRecord.DeviceKind == 0 || !DataManager)
        return QStringLiteral("----");
    return DataManager->GetDeviceTypeText(true) + QLatin1Char(' ') + DeviceRecord.Ver;
}

} // namespace

void TFormMain::PnlStatusGazSwitchUpdate()
{
    struct StateLook {
        const char *key;
        uint32_t colour;
    };
    static const StateLook looks[] = {
        {"strOff", 0xC0C0C0},         {"strIgnition", 0x808080}, {"strIgnition", 0x808080},
        {"strBenzyna", 0x0000FF},     {"strOczekiwanie", 0x008080}, {"strGaz", 0x00FF00},
    };
    const uint8_t state = DeviceRecord.GasSwitchState;
    const StateLook &look = state < std::size(looks) ? looks[state] : looks[3];
    TReadingControls &c = Rc();
    const QColor colour = Bgr(look.colour);
    if (c.ShpStatusGazState->Brush().color() != colour)
        c.ShpStatusGazState->SetBrush(QBrush(colour));
    SetText(c.PnlStatusGazSwitchText, Tr(QLatin1String(look.key)));
}

void TFormMain::StatusGazSwitchTextMouseDown(Qt::MouseButton button,
                                             Qt::KeyboardModifiers modifiers)
{
    try {
        if (DataManager && DataManager->GetConnected() && ReadingsServices.IsBusy
            && ReadingsServices.IsBusy())
            return;
        TReadingControls &c = Rc();
        const bool onPetrol = DeviceRecord.GasSwitchState == 3;
        if (modifiers & Qt::ControlModifier) {
            c.MnIChangeFuelGas->setEnabled(onPetrol);
            c.MnIChangeFuelGasDirect->setEnabled(onPetrol);
            c.MnIChangeFuelPetrol->setEnabled(!onPetrol);
            c.MnIChangeFuelPetrolSeq->setEnabled(!onPetrol);
            c.PoMChangeFuel->popup(QCursor::pos());
        } else {
            const bool right = button == Qt::RightButton
                               || (QGuiApplication::mouseButtons() & Qt::RightButton);
            const uint8_t type = onPetrol ? (right ? kWorkGasDirect : kWorkGas)
                                          : (right ? kWorkPetrolRight : kWorkPetrol);
            if (DataManager)
                DataManager->SetWorkType(type);
        }
        UpdateGasSwitchPanel(!DeviceRecord.StatusBit05);
    } catch (const std::exception &) {
        // A failed exchange is the link's business; the click shows nothing.
    }
}

void TFormMain::PnlStatusDeviceInfoUpdate()
{
    TReadingControls &c = Rc();
    const QString device = DeviceText();
    if (c.SpBStatusDeviceInfo->text() != device)
        c.SpBStatusDeviceInfo->setText(device);
    QString caption = TCommon::ApplicationTitle() + QStringLiteral(" - Gas ECU: ") + device;
    if (DataManager && DataManager->GetConnected() && !DataManager->VersionSupported)
        caption += QStringLiteral(" -!!! ") + Tr(QStringLiteral("strUseUpgOrProg"))
                   + QStringLiteral(" !!!");
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void TFormMain::PnlStatusConnectedUpdate(bool connecting)
{
    TReadingControls &c = Rc();
    if (connecting) {
        c.PnlStatus->SetColor(Bgr(kOrange));
        SetText(c.PnlStatus, QStringLiteral("COM%1...").arg(ConfiguredPort()));
        c.PnlStatusAutoConnect->hide();
    } else {
        c.PnlStatus->SetColor(Bgr(kRed));
        SetText(c.PnlStatus, FStatusBaseText);
    }
    // Paint what is pending now: a connect blocks the event loop for a while.
    QCoreApplication::sendPostedEvents(window(), QEvent::UpdateRequest);
}

void TFormMain::PnlStatusDeviceInfoResize()
{
    TReadingControls &c = Rc();
    c.SpBStatusDeviceInfo->resize(c.PnlStatusDeviceInfo->width() - 1,
                                  c.PnlStatusDeviceInfo->height() - 1);
}

void TFormMain::HighlightUpgradable(QWidget *control, bool Upgradable)
{
    if (Upgradable)
        SetFontColour(control, Bgr(kRed));
    else
        TakeParentFontColour(control);
}

void TFormMain::GrBQSSoftVersionsUpdate()
{
    TReadingControls &c = Rc();
    if (LM && LM->VerInfo)
        SetText(c.LblQSProgramSoftVer, LM->VerInfo->FileVersion() + QStringLiteral(" (")
                                           + LM->VerInfo->InternalName() + QLatin1Char(')'));

    const auto &r = DeviceRecord;
    SetText(c.LblQSDeviceSoftVer,
            r.DeviceKind != 0 ? QStringLiteral("%1 (%2 %3)").arg(DeviceText(), r.CompDate, r.CompTime)
                              : QStringLiteral("----"));
    const bool device = ReadingsServices.IsDeviceUpgradePossible
                        && ReadingsServices.IsDeviceUpgradePossible();
    HighlightUpgradable(c.LblQSDeviceSoftVer, device);

    QString adapterText = QStringLiteral("----");
    if (ReadingsServices.AdapterActive && ReadingsServices.AdapterActive()) {
        const QString v = ReadingsServices.AdapterVersionText ? ReadingsServices.AdapterVersionText()
                                                              : QString();
        if (!v.isEmpty() && !v.startsWith(QLatin1Char('-'))) {
            const QString built = ReadingsServices.AdapterCompileDateTime
                                      ? ReadingsServices.AdapterCompileDateTime()
                                      : QString();
            adapterText = QStringLiteral("%1 (%2)").arg(v, built);
        }
    }
    SetText(c.LblQSAdapterSoftVer, adapterText);
    const bool adapter = ReadingsServices.IsAdapterUpgradePossible
                         && ReadingsServices.IsAdapterUpgradePossible();
    HighlightUpgradable(c.LblQSAdapterSoftVer, adapter);
    HighlightUpgradable(c.BtnQSUpgrade, device || adapter);
}

void TFormMain::UpdateComPortInfo(QObject *)
{
    TReadingControls &c = Rc();
    const QString port = QStringLiteral("COM%1").arg(ConfiguredPort());
    SetText(c.PnlQSComPort, port);
    QStringList names, descriptions;
    try {
        TCommonConv::EnumerateComPorts(names, &descriptions);
    } catch (const std::exception &) {
        names.clear(); // a failed listing: the port counts as not found
    }
    const int at = names.indexOf(port);
    // A port that could not be opened says why (a user missing from the
    // serial group sees "Permission denied"), here and on the connection panel.
    const QString openError = ComMultiPort && !ComMultiPort->GetConnected()
                                  ? ComMultiPort->LastOpenError(ConfiguredPort())
                                  : QString();
    if (c.PnlStatus)
        c.PnlStatus->setToolTip(openError);
    if (!openError.isEmpty()) {
        SetFontColour(c.PnlQSComPort, Bgr(kRed));
        c.PnlQSComPort->setToolTip(openError);
    } else if (at >= 0) {
        TakeParentFontColour(c.PnlQSComPort);
        c.PnlQSComPort->setToolTip(descriptions.value(at));
    } else {
        SetFontColour(c.PnlQSComPort, Bgr(kRed));
        const QString hint = Tr(QStringLiteral("strTextNotDetected"));
        c.PnlQSComPort->setToolTip(hint.startsWith(QLatin1Char('!')) ? QStringLiteral("???") : hint);
    }
}
