// A language switch while a docked kind-48 page holds an unwritten edit: the
// edit and its modified mark stay, and nothing is read from the device.
#include "language/ProgramRig.h"

#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/MultiConfigurationPages.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QMenu>
#include <QTabWidget>

#include <gtest/gtest.h>

using language::ProgramRig;

TEST(Kind48LanguageSwitch, KeepsAnUnwrittenConfigurationEdit)
{
    ProgramRig program(48, 'G', QStringLiteral("PL"));
    TFormMain &form = program.Form();
    auto item = [&](const char *name) { return form.findChild<QAction *>(QString::fromLatin1(name)); };
    item("MnIWindowMultiConfiguration")->trigger();
    TFrmMultiConfigurationTaronQV *window = FrmMultiConfigurationTaronQV;
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->PnlMultiConfiguration->isVisible());
    ASSERT_FALSE(window->Modified());

    QLineEdit *power = window->InfoPage->YEdKnfPower;
    power->setText(QStringLiteral("123"));
    Q_EMIT power->textEdited(power->text());
    ASSERT_TRUE(window->Modified());

    program.Device.Server.log().clear();
    item("MnILangEnglish")->trigger();
    EXPECT_EQ(power->text(), QStringLiteral("123"));
    EXPECT_TRUE(window->Modified());
    EXPECT_EQ(window->AdvancePage->BtBKnfCheckPressure->text(), QStringLiteral("Check pressure"));
    item("MnILangPolish")->trigger();
    EXPECT_EQ(power->text(), QStringLiteral("123"));
    EXPECT_TRUE(window->Modified());
    EXPECT_EQ(program.Device.Server.log().count(), 0u);
    EXPECT_EQ(window->AdvancePage->BtBKnfCheckPressure->text(), QStringLiteral("Sprawdź ciśnienie"));

    // Without an edit the switch shows the device's values again.
    window->SetModified(false);
    item("MnILangEnglish")->trigger();
    EXPECT_NE(program.Device.Server.log().count(), 0u);
    EXPECT_FALSE(window->Modified());
}

TEST(Kind48LanguageSwitch, KeepsAnUnwrittenCalibrationEdit)
{
    ProgramRig program(48, 'G', QStringLiteral("PL"));
    TFormMain &form = program.Form();
    auto item = [&](const char *name) { return form.findChild<QAction *>(QString::fromLatin1(name)); };
    item("MnIWindowMultiCalibration")->trigger();
    TFrmMultiCalibrationTaronQV *window = FrmMultiCalibrationTaronQV;
    ASSERT_NE(window, nullptr);
    window->SetModified(true);
    ASSERT_TRUE(window->Modified());
    program.Device.Server.log().clear();
    item("MnILangEnglish")->trigger();
    EXPECT_TRUE(window->Modified());
    EXPECT_EQ(program.Device.Server.log().count(), 0u);
    window->SetModified(false);
}
