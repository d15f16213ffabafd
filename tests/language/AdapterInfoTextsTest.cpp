// The adapter-information page docked into the main window speaks the
// language the program started in.
#include "language/ProgramRig.h"

#include "adapter/FormMultiOBD.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

using language::ProgramRig;

TEST(AdapterInfoTexts, PageFollowsTheLanguage)
{
    const struct {
        const char *language, *serial, *load;
    } cases[] = {{"PL", "Numer seryjny:", "Wczytaj z pliku..."}, {"EN", "Serial number:", "Load from file..."}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.language);
        ProgramRig program(21, 'H', QString::fromLatin1(c.language));
        TFormMain &form = program.Form();
        auto *serial = form.findChild<QLabel *>(QStringLiteral("LblAdapterSNCaption"));
        auto *load = form.findChild<QPushButton *>(QStringLiteral("BtBAdapterLoadFromFile"));
        ASSERT_NE(serial, nullptr);
        ASSERT_NE(load, nullptr);
        EXPECT_EQ(serial->text(), QString::fromUtf8(c.serial));
        EXPECT_EQ(load->text(), QString::fromUtf8(c.load));
        if (const QString picture = qEnvironmentVariable("ADAPTER_PAGE_PICTURE"); !picture.isEmpty())
            FormMultiAdapterInfo->PnlMultiInfo->grab().save(picture + QLatin1String(c.language) + ".png");
    }
}

// The OBD live-data page names the controller's displays as every other page
// does: the gas temperature is "Tgaz" in Polish, "Tgas" in English.
TEST(AdapterInfoTexts, ObdLivePageNamesTheControllersValuesAsThePagesDo)
{
    const struct {
        const char *language, *gasTemperature;
    } cases[] = {{"PL", "Tgaz"}, {"EN", "Tgas"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.language);
        ProgramRig program(21, 'H', QString::fromLatin1(c.language));
        auto *label = FormMultiOBD->PnlOBDLive->findChild<QLabel *>(QStringLiteral("LblOBDReal6"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromLatin1(c.gasTemperature));
    }
}
