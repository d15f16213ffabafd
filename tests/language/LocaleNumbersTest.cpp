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

TEST(LocaleNumbers, ObdWindowAndInstallationSummaryFollowTheUsersLocale)
{
    const QLocale saved;
    for (const QLocale &locale : {QLocale(QLocale::Polish, QLocale::Poland), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        const QString point = locale.decimalPoint(), other = point == QLatin1String(".") ? "," : ".";
        obdtest::ObdProgram p([](sim::SimAdapterState &s) {
            s.Obd.Config[0] = 0x04;
            s.Obd.State[4] = s.Obd.State[8] = 4;
            s.Obd.State[2] = 0x08;                            // a freeze frame is stored
            s.Obd.Supported = {0x3F, 0x38, 0, 0, 0, 0, 0, 0}; // PIDs 0x03..0x08, 0x0B..0x0D
            s.Obd.Allowed = s.Obd.Supported;
            // P0420, load 25.10 %, coolant 90, short-term trims 9.38 % and -3.13 %, manifold pressure
            for (const auto &[at, value] : {std::pair{4, 1}, {5, 4}, {6, 0x20}, {9, 64}, {10, 130}, {11, 140}, {13, 124}, {15, 35}})
                s.Obd.FreezeFrames[at] = uint8_t(value);
            s.Obd.ReadJobResults = {3, 3, 4};
            s.Obd.Readings[0] = 140, s.Obd.Readings[2] = 124;
        });
        p.Device.Server.withLock([&] { // an idle time of 2.5 ms
            auto &block = p.Device.Controller.State.Payload[0xD8];
            block[12] = 0x01, block[13] = 0xD4;
        });
        p.Rig.Wire = [wire = p.Rig.Wire](TFormMain &f) { WireMainWindowServices(f); wire(f); };
        TFormMain &form = p.Start();
        shellwiring::ClickTab(form, "TbSMeasure");
        p.Tick(3);
        EXPECT_EQ(p.Obd->LblOBDStFtMini->text(), "9" + point + "4/-3" + point + "1");
        p.ShowObdPage("TbSOBDErrors");
        p.Tick();
        p.Obd->BtBOBDReadErrors->click();
        p.Tick();
        const QString freeze = p.Obd->MemOBDFreeze->toPlainText();
        EXPECT_TRUE(freeze.contains("   Load: 25" + point + "10 [%]")) << freeze.toStdString();
        EXPECT_TRUE(freeze.contains("90" + point + "00")) << freeze.toStdString();
        EXPECT_GE(freeze.count(QRegularExpression("\\d" + QRegularExpression::escape(point) + "\\d")), 5);
        EXPECT_FALSE(freeze.contains(QRegularExpression("\\d" + QRegularExpression::escape(other) + "\\d")))
            << freeze.toStdString();
        ASSERT_EQ(DeviceRecord.IdleHotTb, 468);
        form.ActivateMainPageDirect("TbSConfigurator");
        form.GoToConfWizardPage(1);
        const QString summary = shellwiring::Get<QPlainTextEdit>(form, "MemConfSwitchDetails")->toPlainText();
        const QString label = LM->Translate(QStringLiteral("strConfIdleHotTb"));
        const QString idle = summary.section(label, 1).section('\n', 0, 0);
        EXPECT_TRUE(idle.contains("2" + point + "5") && !idle.contains(other)) << summary.toStdString();

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
