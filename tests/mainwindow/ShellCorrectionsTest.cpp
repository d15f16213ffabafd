// The main window and the program core against the simulated controller:
// device values read on demand, the status bar's clicks, the tick's
// calibration readouts and what the link and the search rely on.
#include "common/Screenshots.h"
#include "mainwindow/StartupRig.h"

#include "core/DevData.h"
#include "core/UnitConversions.h"
#include "core/ui/Custom.h"
#include "controls/DigitalDisplay.h"
#include "core/CustomParameters.h"
#include "mainwindow/shell/FormMainReadingControls.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/ConfigurationWizard.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "core/ui/ProgramLogic.h"
#include "controls/YEdit.h"
#include "windows/FrmHaslo.h"
#include "windows/NamedWidget.h"

#include <QAction>
#include <QApplication>
#include <QStatusBar>
#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QTabWidget>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using startup::SimDevice;
using startup::StartupRig;

namespace {

// Requests for index n of command 0x40 in the frames received.
size_t Value16Reads(const SimDevice &device, uint8_t index)
{
    size_t n = 0;
    for (const auto &f : device.Server.log().frames())
        if (f.bytes.size() >= 3 && f.bytes[0] == 0xC0 && f.bytes[1] == 0x40 && f.bytes[2] == index)
            ++n;
    return n;
}

} // namespace

TEST(ShellCorrections, GasPressureOfTheSecondSensorVariantReadsTheDeviceEveryTime)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    device.Controller.State.Value16[13] = 200;
    device.Controller.State.Value16[15] = 100;
    rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());

    DeviceRecord.PressureSensorType = 2;
    DeviceRecord.GasPressureRaw = 252;
    DeviceRecord.GasSwitchState = 5;
    TDevData data;
    device.Server.log().clear();
    // (100 x 5 / 256 / 5 + 0.00842) / 0.00242 / 100 bar.
    EXPECT_NEAR(data.GetLpgPressureReal(), 1.6488, 0.0005);
    EXPECT_EQ(Value16Reads(device, 13), 1u);
    EXPECT_EQ(Value16Reads(device, 15), 1u);
    EXPECT_EQ(DataManager->ColorGasPressureInRange(), 10); // alert: above 1.5 bar
    device.Controller.State.Value16[15] = 120;                                    // 1.24 bar
    EXPECT_EQ(DataManager->ColorGasPressureInRange(), 7);
    // Index 15 above 13: no pressure.
    device.Controller.State.Value16[15] = 201;
    EXPECT_EQ(data.GetLpgPressureReal(), 0.0);
    EXPECT_EQ(Value16Reads(device, 13), 4u);
    // Below raw 250 the first formula, still after reading the device.
    DeviceRecord.GasPressureRaw = 100;
    EXPECT_EQ(data.GetLpgPressureReal(), 0.0);
    device.Controller.State.Value16[15] = 100;
    EXPECT_NEAR(data.GetLpgPressureReal(), (100 * 5.0 / 256 / 5 - 0.04) / 0.00369 / 100, 1e-9);
}

TEST(ShellCorrections, OneClickOnAStatusPanelSendsOneWorkTypeCommand)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    for (const char *name : {"PnlStatusGazSwitchText", "PnlStatusGazSwitch", "ShpStatusGazState", "LblPanelG"}) {
        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            SCOPED_TRACE(std::string(name) + (button == Qt::LeftButton ? " left" : " right"));
            DeviceRecord.GasSwitchState = 5; // on gas: petrol is asked for
            device.Server.log().clear();
            QWidget *panel = form.findChild<QWidget *>(QString::fromLatin1(name));
            ASSERT_NE(panel, nullptr);
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), panel->mapToGlobal(QPointF(2, 2)),
                              button, button, Qt::NoModifier);
            QApplication::sendEvent(panel, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2),
                                panel->mapToGlobal(QPointF(2, 2)), button, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(panel, &release);
            std::vector<sim::Bytes> workTypes;
            for (const auto &f : device.Server.log().frames())
                if (f.bytes.size() >= 2 && f.bytes[0] == 0xC0 && f.bytes[1] == 0x20)
                    workTypes.push_back(f.bytes);
            const sim::Bytes expected = button == Qt::LeftButton ? sim::Bytes{0xC0, 0x20, 0x02, 0xE2}
                                                                 : sim::Bytes{0xC0, 0x20, 0x05, 0xE5};
            ASSERT_EQ(workTypes.size(), 1u);
            EXPECT_EQ(workTypes[0], expected);
        }
    }
}

TEST(ShellCorrections, AutoSearchTextShowsWholeInBothLanguages)
{
    for (const char *code : {"PL", "EN"}) {
        SCOPED_TRACE(code);
        StartupRig rig(5, false, /*autoSearch*/ true);
        SimDevice device(rig.PortsDir, 5);
        device.Probes.present(0);
        device.Controller.State.Silent = true;
        TCustom custom; // puts the language file's texts onto the window
        Custom = &custom;
        TFormMain &form = rig.Create({QStringLiteral("-NOCONNECT")});
        ASSERT_TRUE(LM->LoadLanguageFile(QString::fromLatin1(code)));
        form.SetScreenSizeForCheck(QSize(1024, 768));
        form.show();
        form.Timerek->stop();
        auto *panel = form.findChild<TCaptionPanel *>(QStringLiteral("PnlStatusAutoConnect"));
        auto *text = form.findChild<QWidget *>(QStringLiteral("PnlStatusText"));
        // Looked at while the search tries the port: the whole text fits.
        QStringList shown;
        form.Services.SplashOffLineRequested = [&] {
            const int needed = panel->fontMetrics().horizontalAdvance(panel->Caption());
            shown << panel->Caption();
            if (qEnvironmentVariableIsSet("SHOT"))
                form.statusBar()->grab().save(testsupport::ScreenshotPath(QStringLiteral("status_%1.png").arg(QString::fromLatin1(code))));
            EXPECT_TRUE(panel->isVisible());
            EXPECT_GE(panel->contentsRect().width(), needed) << panel->Caption().toStdString();
            EXPECT_EQ(panel->geometry(), text->rect());
            EXPECT_GE(text->width(), needed);
            return false;
        };
        rig.Tick();
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_TRUE(shown.first().startsWith(QStringLiteral(" (1) ")));
        EXPECT_TRUE(shown.first().contains(QStringLiteral("(COM5)")));
        EXPECT_TRUE(shown.first().contains(code == std::string("EN") ? QStringLiteral("Connect automatically")
                                                                     : QStringLiteral("Połącz automatycznie")));
        Custom = nullptr;
    }
}

TEST(ShellCorrections, TickRefreshesTheCalibrationReadouts)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    device.Controller.State.Payload[0x50] = {0x23, 0x10}; // period 8976: 2500 RPM
    rig.Wire = [](TFormMain &f) {
        f.Services.CalibrationReadouts = [&f] { f.ShowCalibrationReadouts(); };
    };
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    auto *main = form.findChild<QTabWidget *>(QStringLiteral("PgCMain"));
    auto *calibration = form.findChild<QTabWidget *>(QStringLiteral("PgCCalibration"));
    main->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSCalibration")));
    auto display = [&](const char *name) { return form.findChild<TDigitalDisplay *>(QString::fromLatin1(name)); };
    auto has50 = [&] {
        for (const auto &f : device.Server.log().frames())
            if (f.bytes == sim::Bytes{0xC0, 0x50, 0x50, 0x60})
                return true;
        return false;
    };

    calibration->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSCalAuto")));
    device.Server.log().clear();
    rig.Tick();
    EXPECT_TRUE(has50());
    EXPECT_EQ(display("DgDCalRPM")->Caption(), QStringLiteral("2500"));
    EXPECT_EQ(display("DgDCalRPM")->ColorFill(), readings::Bgr(CustomParameters->GetEntry(2))); // 2200 < RPM < 2800
    device.Controller.State.Payload[0x50] = {0x46, 0x20}; // 1250 RPM
    rig.Tick();
    EXPECT_EQ(display("DgDCalRPM")->Caption(), QStringLiteral("1250"));
    EXPECT_EQ(display("DgDCalRPM")->ColorFill(), readings::Bgr(CustomParameters->GetEntry(7)));

    calibration->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSCalMap")));
    device.Server.log().clear();
    display("DgDCalMapPcol")->SetCaption(QStringLiteral("x"));
    rig.Tick();
    EXPECT_TRUE(has50());
    EXPECT_EQ(display("DgDCalMapRPM")->Caption(), QStringLiteral("1250"));
    EXPECT_EQ(display("DgDCalMapPcol")->Caption(), FormatCollectorPressure(DeviceRecord.ManifoldPressureRaw));

    // Model 2: idle points closer than 0.8 on X are red.
    calibration->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSCalModel2")));
    auto *x1 = form.findChild<QLineEdit *>(QStringLiteral("YEdCalSerIdle1X"));
    auto *x2 = form.findChild<QLineEdit *>(QStringLiteral("YEdCalSerIdle2X"));
    auto *panel = form.findChild<TCaptionPanel *>(QStringLiteral("PnlModel2OnIdleModel"));
    x1->setText(QStringLiteral("1,0"));
    x2->setText(QStringLiteral("1,7"));
    device.Server.log().clear();
    rig.Tick();
    EXPECT_FALSE(has50());
    EXPECT_EQ(panel->Color(), QColor(255, 0, 0));
    x2->setText(QStringLiteral("1.8"));
    rig.Tick();
    EXPECT_EQ(panel->Color(), panel->palette().color(QPalette::Button));
}

TEST(ShellCorrections, PortThatCannotBeOpenedShowsTheSystemsReason)
{
    StartupRig probe(5);
    const QString notATerminal = probe.ConfigDir + QStringLiteral("/plain-file");
    {
        QFile f(notATerminal);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString missing = probe.ConfigDir + QStringLiteral("/no-such-device");
    for (const auto &[target, reason] : {std::pair{notATerminal, QString::fromLocal8Bit(strerror(ENOTTY))},
                                          std::pair{missing, QString::fromLocal8Bit(strerror(ENOENT))}}) {
        SCOPED_TRACE(target.toStdString());
        StartupRig rig(5);
        ASSERT_TRUE(QFile::link(target, rig.PortsDir + QStringLiteral("/COM5")));
        TFormMain &form = rig.Create();
        EXPECT_FALSE(DataManager->GetConnected());
        const QString port = form.findChild<QWidget *>(QStringLiteral("PnlQSComPort"))->toolTip();
        EXPECT_TRUE(port.startsWith(QStringLiteral("COM5"))) << port.toStdString();
        EXPECT_TRUE(port.endsWith(reason)) << port.toStdString();
        EXPECT_EQ(form.findChild<QWidget *>(QStringLiteral("PnlStatus"))->toolTip(), port);
    }
    // A port that opens shows no reason.
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    EXPECT_TRUE(form.findChild<QWidget *>(QStringLiteral("PnlStatus"))->toolTip().isEmpty());
}

TEST(ShellCorrections, SearchTriesTheLastUsedPortFirst)
{
    // COM5 was used last; COM1 would come first in the port list.
    StartupRig rig(5);
    SimDevice first(rig.PortsDir, 1);
    SimDevice last(rig.PortsDir, 5);
    for (SimDevice *d : {&first, &last}) {
        d->Probes.present(0);
        d->Controller.State.Silent = true;
    }
    QStringList texts;
    rig.Wire = [&](TFormMain &f) {
        f.Services.SetSplashStatus = [&](const QString &text, bool) { texts << text; };
    };
    rig.Create();
    const auto firstShown = [&](const QString &port) { return texts.indexOf(port); };
    ASSERT_GE(firstShown(QStringLiteral("COM1")), 0) << texts.join(u'|').toStdString();
    ASSERT_GE(firstShown(QStringLiteral("COM5")), 0) << texts.join(u'|').toStdString();
    EXPECT_LT(firstShown(QStringLiteral("COM5")), firstShown(QStringLiteral("COM1")));
}

TEST(ShellCorrections, TickShowsTroubleCodesOnceAndClearsTheFlag)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    int shown = 0;
    rig.Wire = [&](TFormMain &f) { f.Services.ShowTroubleCodes = [&] { ++shown; }; };
    rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    DataManager->TroubleCodesPresent = true;
    rig.Tick();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(DataManager->TroubleCodesPresent);
    rig.Tick();
    EXPECT_EQ(shown, 1);
}

TEST(ShellCorrections, DeviceFoundLockedHasItsPagesEmptiedAndItsRecordKept)
{
    StartupRig rig(5);
    SimDevice device(rig.PortsDir, 5);
    TProgramLogic logic;
    rig.Wire = [&logic](TFormMain &f) {
        shellwiring::Wire(f);
        InstallConfigurationPage(f, logic);
        TModel2Page::Install(f);
        TModelPage::Install(f);
        InstallConfigurationWizardPages(f, logic);
    };
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    // Values on the configuration page, the calibration pages and the wizard.
    using shellwiring::Get;
    const char *const combos[] = {"CmbKnfRedType", "CmBConfInjType"};
    const char *const boxes[] = {"ChBKnfHemiEngine", "ChBModel2CorrectionMask1", "ChBConfCapTieEnabled"};
    auto *offset = Get<QLineEdit>(form, "YEdModOffset");
    const auto fillPages = [&] {
        for (const char *name : combos) {
            Get<QComboBox>(form, name)->setCurrentIndex(1);
            ASSERT_EQ(Get<QComboBox>(form, name)->currentIndex(), 1) << name;
        }
        for (const char *name : boxes)
            Get<QAbstractButton>(form, name)->setChecked(true);
        offset->setText(QStringLiteral("1.5"));
    };
    const auto pagesCleared = [&] {
        bool cleared = offset->text() == QStringLiteral("0");
        for (const char *name : combos)
            cleared = cleared && Get<QComboBox>(form, name)->currentIndex() == -1;
        for (const char *name : boxes)
            cleared = cleared && !Get<QAbstractButton>(form, name)->isChecked();
        return cleared;
    };
    // Device > Lock with a PIN: the pages are emptied.
    fillPages();
    SetModalExecHook([](QDialog *dialog) {
        auto *d = static_cast<TFrmHaslo *>(dialog);
        d->YEdHaslo->setText(QStringLiteral("1234"));
        d->YEdPotwierdzHaslo->setText(QStringLiteral("1234"));
        d->BtBOKClick();
        return d->result();
    });
    Get<QAction>(form, "MnIDeviceLock")->trigger();
    SetModalExecHook({});
    ASSERT_EQ(device.Controller.State.LockState, sim::kSimLockedState);
    EXPECT_TRUE(pagesCleared());
    // A device that reports itself locked.
    device.Server.withLock([&] { device.Controller.State.LockState = sim::kSimReadyState; });
    form.UpdateDeviceMenus();
    fillPages();
    const quint8 cylinders = DeviceRecord.InjSW;
    DeviceRecord.Power = 120;
    DeviceRecord.EngineCubicCapacity = 1600;
    DeviceRecord.IdleHotTb = 600;
    DeviceRecord.LowPT = 40;
    device.Server.withLock([&] { device.Controller.State.LockState = 0x0F; });
    form.UpdateDeviceMenus();
    EXPECT_TRUE(pagesCleared());
    // The record keeps what the device held, for the writes once it answers
    // again; nothing can be saved.
    EXPECT_EQ(DeviceRecord.Power, 120);
    EXPECT_EQ(DeviceRecord.EngineCubicCapacity, 1600);
    EXPECT_EQ(DeviceRecord.IdleHotTb, 600);
    EXPECT_EQ(DeviceRecord.LowPT, 40);
    EXPECT_EQ(DeviceRecord.DeviceKind, 48);
    EXPECT_EQ(DeviceRecord.InjSW, cylinders);
    EXPECT_FALSE(form.findChild<QAction *>(QStringLiteral("MnIFileSaveAs"))->isVisible());
}

TEST(ShellCorrections, CreationFillsTheEditionListsAndShowingColoursTheDockedPanels)
{
    StartupRig rig(5, /*offline*/ true);
    // The adapter windows' panels as the docking moves them in.
    rig.Wire = [](TFormMain &f) {
        f.Services.DockAdapterPanels = [&f] {
            auto *obd = new QFrame(f.findChild<QWidget *>(QStringLiteral("PnlAdapterMultiOBD")));
            obd->setObjectName(QStringLiteral("PnlMultiOBD"));
            for (const char *name : {"PnlOBDConfig", "PnlOBDLive", "PnlOBDErrors"})
                (new QFrame(obd))->setObjectName(QString::fromLatin1(name));
            (new QFrame(f.findChild<QWidget *>(QStringLiteral("PnlAdapterMultiInfo"))))
                ->setObjectName(QStringLiteral("PnlMultiInfo"));
        };
    };
    TFormMain &form = rig.Create();

    auto items = [&](const char *name) {
        QStringList out;
        auto *list = form.findChild<QComboBox *>(QString::fromLatin1(name));
        for (int i = 0; list && i < list->count(); ++i)
            out << QStringLiteral("%1=%2").arg(list->itemData(i).toInt()).arg(list->itemText(i));
        return out;
    };
    QStringList sensors, injectors;
    for (uint8_t code : CustomParameters->PressureSensors())
        sensors << QStringLiteral("%1=%2").arg(code).arg(TCustomParameters::PressureSensorName(code));
    for (uint8_t code : CustomParameters->InjectorTypes())
        injectors << QStringLiteral("%1=%2").arg(code).arg(TCustomParameters::InjectorTypeName(code));
    ASSERT_FALSE(sensors.isEmpty());
    ASSERT_FALSE(injectors.isEmpty());
    EXPECT_EQ(items("CmBConfPressSensType"), sensors);
    EXPECT_EQ(items("CmbKnfInjType"), injectors);
    EXPECT_EQ(items("CmBConfInjType"), injectors);

    form.SetScreenSizeForCheck(QSize(1024, 768));
    form.show();
    const QColor panel = readings::Bgr(CustomParameters->GetEntry(6));
    for (const char *name : {"PnlMultiOBD", "PnlMultiInfo", "PnlOBDConfig", "PnlOBDLive", "PnlOBDErrors"}) {
        auto *w = form.findChild<QWidget *>(QString::fromLatin1(name));
        ASSERT_NE(w, nullptr) << name;
        EXPECT_TRUE(w->autoFillBackground()) << name;
        EXPECT_EQ(w->palette().color(QPalette::Window), panel) << name;
    }
}
