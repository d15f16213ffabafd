// Numbers the program writes for the user follow the user's locale: under a
// comma locale no number shows a point, under a point locale none a comma.
// Each locale runs a program of its own, started under it as a user's is.
#include "adapter/ObdWindowRig.h"

#include "core/DeviceRecord.h"
#include "core/LM.h"

#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

using obdtest::ObdProgram;

namespace {

// Every decimal number in a text: digits, a separator, digits.
QStringList DecimalNumbers(const QString &text)
{
    QStringList out;
    static const QRegularExpression number(QStringLiteral("-?\\d+[.,]\\d+"));
    for (auto it = number.globalMatch(text); it.hasNext();)
        out << it.next().captured();
    return out;
}

// A box connected to the car, with a stored freeze frame and live readings.
void CarWithAFreezeFrame(sim::SimAdapterState &s)
{
    s.Obd.Config[0] = 0x04;
    s.Obd.State[4] = 4;
    s.Obd.State[8] = 4;
    s.Obd.State[2] = 0x08;                       // a freeze frame is stored
    s.Obd.Supported = {0x3F, 0x38, 0, 0, 0, 0, 0, 0}; // PIDs 0x03..0x08, 0x0B..0x0D
    s.Obd.Allowed = s.Obd.Supported;
    s.Obd.FreezeFrames = sim::Bytes(44, 0);
    s.Obd.FreezeFrames[4] = 0x01;
    s.Obd.FreezeFrames[5] = 0x04, s.Obd.FreezeFrames[6] = 0x20; // P0420
    s.Obd.FreezeFrames[9] = 64;   // load 25.10 %
    s.Obd.FreezeFrames[10] = 130; // coolant 90 degrees
    s.Obd.FreezeFrames[11] = 140; // short-term trim B1 9.38 %
    s.Obd.FreezeFrames[13] = 124; // short-term trim B2 -3.13 %
    s.Obd.FreezeFrames[15] = 35;  // manifold pressure
    s.Obd.ReadJobResults = {3, 3, 4};
    s.Obd.Readings[0] = 140; // short-term trims B1 and B2 on the readings panel
    s.Obd.Readings[2] = 124;
}

} // namespace

TEST(LocaleNumbers, ObdWindowAndInstallationSummaryFollowTheUsersLocale)
{
    for (const QLocale &locale : {QLocale(QLocale::Polish, QLocale::Poland), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        SCOPED_TRACE(locale.name().toStdString());
        const QLocale saved;
        QLocale::setDefault(locale);
        const QString point = locale.decimalPoint(), other = point == QLatin1String(".") ? "," : ".";
        {
            ObdProgram p(CarWithAFreezeFrame);
            p.Device.Server.withLock([&] { // an idle time of 2.5 ms in the configuration block
                p.Device.Controller.State.Payload[0xD8][12] = uint8_t(468 >> 8);
                p.Device.Controller.State.Payload[0xD8][13] = uint8_t(468 & 0xFF);
            });
            // Wired as the program's main block wires the main window.
            p.Rig.Wire = [&p](TFormMain &f) {
                WireMainWindowServices(f);
                InstallMainWindowPages(f, p.TheProgramLogic);
            };
            TFormMain &form = p.Start();

            // The OBD readings panel: the short-term trims, one decimal.
            shellwiring::ClickTab(form, "TbSMeasure");
            p.Tick(3);
            EXPECT_EQ(p.Obd->LblOBDStFtMini->text(), "9" + point + "4/-3" + point + "1");

            // The freeze frame as read.
            p.ShowObdPage("TbSOBDErrors");
            p.Tick();
            p.Obd->BtBOBDReadErrors->click();
            p.Tick();
            const QString freeze = p.Obd->MemOBDFreeze->toPlainText();
            EXPECT_TRUE(freeze.contains("   Load: 25" + point + "10 [%]")) << freeze.toStdString();
            EXPECT_TRUE(freeze.contains("90" + point + "00")) << freeze.toStdString();
            const QStringList numbers = DecimalNumbers(freeze);
            EXPECT_GE(numbers.size(), 5) << freeze.toStdString();
            for (const QString &n : numbers)
                EXPECT_FALSE(n.contains(other)) << n.toStdString() << " in " << freeze.toStdString();

            // The idle time in the configuration wizard's installation summary.
            ASSERT_EQ(DeviceRecord.IdleHotTb, 468);
            form.ActivateMainPageDirect("TbSConfigurator");
            form.GoToConfWizardPage(1);
            const QString summary = shellwiring::Get<QPlainTextEdit>(form, "MemConfSwitchDetails")->toPlainText();
            const QString label = LM->Translate(QStringLiteral("strConfIdleHotTb"));
            QString idle;
            for (const QString &line : summary.split('\n'))
                if (line.startsWith(label))
                    idle = line;
            EXPECT_TRUE(idle.contains("2" + point + "5")) << summary.toStdString();
            EXPECT_FALSE(idle.mid(label.size()).contains(other)) << idle.toStdString();

            // An injector opening time the device cannot take, said back as typed.
            shellwiring::Get<QLineEdit>(form, "EdtInjPwmFreq")->setText("10000");
            shellwiring::Get<QLineEdit>(form, "EdtInjPwmDuty")->setText("50");
            shellwiring::Get<QLineEdit>(form, "EdtInjFullOpenTime")->setText("400" + other + "5");
            p.Rig.Boxes.clear();
            shellwiring::Get<QPushButton>(form, "BtnTestInjControlWrite")->click();
            ASSERT_EQ(p.Rig.Boxes.size(), 1u);
            EXPECT_TRUE(p.Rig.Boxes[0].Text.contains("400" + point + "5 ms")) << p.Rig.Boxes[0].Text.toStdString();
        }
        QLocale::setDefault(saved);
    }
}
