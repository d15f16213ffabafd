// Numbers the program writes on screen take the decimal separator of the
// language shown, whatever the user's own locale: an English program on a
// Polish desktop shows no decimal comma, a Polish program on an English
// desktop no decimal point. Files keep the user's locale. Each case runs a
// program of its own, started under its locale as a user's is.
#include "adapter/ObdWindowRig.h"

#include "core/DeviceRecord.h"
#include "core/IniFile.h"
#include "core/LM.h"
#include "core/SettingsFile.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(LocaleNumbers, ObdWindowAndInstallationSummaryFollowTheLanguageShown)
{
    const QLocale saved;
    struct Case {
        QLocale system;
        const char *language;
        const char *point; // of the language
    };
    for (const Case &c : {Case{QLocale(QLocale::Polish, QLocale::Poland), "EN", "."},
                          Case{QLocale(QLocale::English, QLocale::UnitedStates), "PL", ","}}) {
        SCOPED_TRACE(c.system.name().toStdString() + " showing " + c.language);
        QLocale::setDefault(c.system);
        const QString point = QString::fromLatin1(c.point), other = point == QLatin1String(".") ? "," : ".";
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
        }, 48, 'I', c.language);
        p.Device.Server.withLock([&] { // an idle time of 2.5 ms
            auto &block = p.Device.Controller.State.Payload[0xD8];
            block[12] = 0x01, block[13] = 0xD4;
            p.Device.Controller.State.Model[1] = 1280; // a model multiplier of 1.25
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
        EXPECT_TRUE(freeze.contains(": 25" + point + "10 [%]")) << freeze.toStdString();
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

        // An injector opening time the device cannot take, said back as typed
        // in the language shown. A typed number takes the language's
        // separator or a point, whatever the user's own locale: a comma in
        // English is no number, and is refused naming the field.
        shellwiring::Get<QLineEdit>(form, "EdtInjPwmFreq")->setText("10000");
        shellwiring::Get<QLineEdit>(form, "EdtInjPwmDuty")->setText("50");
        shellwiring::Get<QLineEdit>(form, "EdtInjFullOpenTime")->setText("400" + other + "5");
        p.Rig.Boxes.clear();
        shellwiring::Get<QPushButton>(form, "BtnTestInjControlWrite")->click();
        ASSERT_EQ(p.Rig.Boxes.size(), 1u);
        if (other == QLatin1String(".")) {
            EXPECT_TRUE(p.Rig.Boxes[0].Text.contains("400" + point + "5 ms")) << p.Rig.Boxes[0].Text.toStdString();
        } else {
            QString field = shellwiring::Get<QLabel>(form, "labelInjFullOpenTime")->text();
            field.chop(1);
            EXPECT_EQ(p.Rig.Boxes[0].Text, field + QStringLiteral(": ") + LM->Translate(QStringLiteral("strConfValueNotNumber")));
            shellwiring::Get<QLineEdit>(form, "EdtInjFullOpenTime")->setText("400" + point + "5");
            p.Rig.Boxes.clear();
            shellwiring::Get<QPushButton>(form, "BtnTestInjControlWrite")->click();
            ASSERT_EQ(p.Rig.Boxes.size(), 1u);
            EXPECT_TRUE(p.Rig.Boxes[0].Text.contains("400" + point + "5 ms")) << p.Rig.Boxes[0].Text.toStdString();
        }

        // A settings file keeps the user's separator whatever the language
        // shows: the file the writer gives with the user's separator.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("saved.cfg"));
        form.SettingsFileDialog = [&](bool, const QString &, const QString &) { return path; };
        p.Rig.Boxes.clear();
        ASSERT_TRUE(form.SaveSettingsFileMulti());
        const QByteArray codePage = TLM::CodePageOfCharset(TLM::GetCharsetOfLanguage(LM->Language));
        TIniFile saved(path, codePage);
        ASSERT_EQ(saved.Load(), TIniFile::Status::Ok);
        TIniFile expected(dir.filePath(QStringLiteral("expected.cfg")), codePage);
        TSettingsInfo info;
        info.SaveDate = saved.ReadString(QStringLiteral("Info"), QStringLiteral("SaveDate"), QString());
        info.Ver = saved.ReadString(QStringLiteral("Info"), QStringLiteral("Ver"), QString());
        info.SoftVer = saved.ReadString(QStringLiteral("Info"), QStringLiteral("SoftVer"), QString());
        TSettingsFile::WriteMulti(expected, DeviceRecord, info, c.system.decimalPoint().at(0));
        ASSERT_EQ(expected.Save(), TIniFile::Status::Ok);
        QFile a(path), b(expected.FileName());
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        const QByteArray bytes = a.readAll();
        EXPECT_EQ(bytes, b.readAll());
        EXPECT_TRUE(bytes.contains("Mult=1" + c.system.decimalPoint().toLatin1() + "25")) << bytes.toStdString();

        // After a switch to the other language the readings follow it on the next poll.
        form.findChild<QAction *>(QString::fromLatin1(point == "." ? "MnILangPolish" : "MnILangEnglish"))->trigger();
        shellwiring::ClickTab(form, "TbSMeasure");
        p.Tick(2);
        EXPECT_EQ(p.Obd->LblOBDStFtMini->text(), "9" + other + "4/-3" + other + "1");
    }
    QLocale::setDefault(saved);
}
