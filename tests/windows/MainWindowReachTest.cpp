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
#include "windows/QRpKarta.h"
#include "mainwindow/configuration/Model2Page.h"

#include <QAction>
#include <QLineEdit>
#include <QLabel>
#include <QPainter>
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
    // The device's model: seven points on a line; the calibration page is never entered.
    device.Server.withLock([&] {
        for (size_t i = 0; i < 28; ++i) { // x then y of each point, high byte first
            const unsigned x = 748 * unsigned(i / 4), v = i % 4 < 2 ? x : x * 11 / 10 + 94;
            device.Controller.State.MapD4[0][i] = uint8_t(i % 2 ? v : v >> 8);
        }
    });
    rig.Wire = [](TFormMain &form) { shellwiring::Wire(form); TModel2Page::Install(form); };
    TFormMain &form = rig.Create();
    rig.Tick(); // the first tick after connecting reads the pages
    QString company;
    int modelLine = 0;
    onShow = [&](QDialog *dialog) {
        auto *card = qobject_cast<TFrmFirmInfo *>(dialog);
        ASSERT_NE(card, nullptr);
        card->FormShow();
        company = card->Edit("EdtNazwaFirmy")->text();
        card->UpdatePage();
        QImage page(TQRpKarta::PageWidth, TQRpKarta::PageHeight, QImage::Format_RGB32);
        QPainter painter(&page);
        card->QRpKarta->Render(painter, QRectF(page.rect()));
        painter.end();
        const QImage box = page.copy(card->QRpKarta->QRImgModel->geometry());
        const auto *pixels = reinterpret_cast<const QRgb *>(box.constBits());
        modelLine = int(std::count(pixels, pixels + box.width() * box.height(), qRgb(255, 0, 0)));
    };
    auto *item = form.findChild<QAction *>(QStringLiteral("MnIFileSettings"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    item->trigger();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], shown[1]) << "created once, on first use";
    EXPECT_EQ(company, "Warsztat Nowak");
    EXPECT_GT(modelLine, 160) << "pixels of the model's line (pure red) across the printed card's model picture";
}

} // namespace
