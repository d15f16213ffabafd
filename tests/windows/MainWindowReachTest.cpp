// The windows reached the way a person reaches them from the main window,
// through the program's own wiring: the injector test from the diagnostics
// button and the installation card from the file menu.
#include "common/ReducerTemperature.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"

#include "core/IniFile.h"
#include "core/UnitConversions.h"
#include "windows/FormInjTest.h"
#include "windows/FrmFirmInfo.h"
#include "windows/NamedWidget.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

struct Reach : ::testing::Test {
    startup::StartupRig rig{5};
    startup::SimDevice device{rig.PortsDir, 5, 48, 'I'};
    QList<QDialog *> shown;
    std::function<void(QDialog *)> onShow;

    void SetUp() override
    {
        rig.Wire = [](TFormMain &form) { shellwiring::Wire(form); };
        SetModalExecHook([this](QDialog *dialog) {
            shown << dialog;
            if (onShow)
                onShow(dialog);
            return int(QDialog::Rejected);
        });
    }
    void TearDown() override { SetModalExecHook({}); }
};

TEST_F(Reach, InjectorTestFromTheDiagnosticsButtonEndsItsTest)
{
    TFormMain &form = rig.Create();
    ASSERT_TRUE(DataManager->GetConnected());
    form.show();
    device.Server.withLock([&] {
        device.Controller.State.InjTestSimulated = true;
        device.Controller.State.InjTestEndless = true;
        device.Controller.State.Value16[36] = 0;
    });
    DeviceRecord.InjSW = 4;
    uint8_t stateWhileShown = 0;
    onShow = [&](QDialog *dialog) {
        auto *test = qobject_cast<TFormInjTest *>(dialog);
        ASSERT_NE(test, nullptr);
        dialog->show();
        DeviceRecord.ReducerTempRaw = testsupport::WarmReducerCode();
        test->BtnStartTest->click();
        device.Server.withLock([&] { stateWhileShown = device.Controller.State.Pages[5]; });
        test->reject(); // the person closes it
    };
    auto *button = form.findChild<QPushButton *>(QStringLiteral("BtnDgnInjectorsTest"));
    ASSERT_NE(button, nullptr);
    emit button->clicked();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(stateWhileShown, 2) << "the test ran";
    device.Server.withLock([&] { EXPECT_NE(device.Controller.State.Pages[5], 2) << "and was ended"; });
    EXPECT_TRUE(form.isVisible());
}

TEST_F(Reach, InstallationCardFromTheFileMenu)
{
    {
        TIniFile ini(rig.IniPath());
        ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
        ini.WriteString("Company", "Name", "Warsztat Nowak");
        ASSERT_EQ(ini.Save(), TIniFile::Status::Ok);
    }
    TFormMain &form = rig.Create();
    QString company;
    onShow = [&](QDialog *dialog) {
        auto *card = qobject_cast<TFrmFirmInfo *>(dialog);
        ASSERT_NE(card, nullptr);
        card->FormShow();
        company = card->Edit("EdtNazwaFirmy")->text();
    };
    auto *item = form.findChild<QAction *>(QStringLiteral("MnIFileSettings"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    item->trigger();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], shown[1]) << "created once, on first use";
    EXPECT_EQ(company, "Warsztat Nowak");
}

} // namespace
