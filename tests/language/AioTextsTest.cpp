// The analog-I/O panel docked in the main window's adapter page, in English:
// none of its Polish texts is left, and its captions fit at the three window
// sizes. Both emulator tabs are looked at with both rules (threshold table
// and model panel). The main window keeps that tab hidden, so it is shown
// here; SHOTS names a folder for screenshots.
#include "language/ProgramRig.h"
#include "language/TextAudit.h"

#include "adapter/ModuleAIO.h"
#include "adapter/UIState.h"
#include "adapter/UIStateAIO.h"

#include <QDir>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <functional>

using language::ProgramRig;
using textaudit::ShownText;

namespace {

// Shows the analog-I/O tab of the adapter page.
QWidget *ShowAioPanel(TFormMain &form)
{
    auto *main = form.findChild<QTabWidget *>(QStringLiteral("PgCMain"));
    auto *adapter = form.findChild<QTabWidget *>(QStringLiteral("PgCAdapterMain"));
    QWidget *page = form.findChild<QWidget *>(QStringLiteral("TbSAdapterMultiAIO"));
    main->setTabVisible(main->indexOf(form.findChild<QWidget *>(QStringLiteral("TbSAdapter"))), true);
    main->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSAdapter")));
    adapter->setTabVisible(adapter->indexOf(page), true);
    adapter->setCurrentWidget(page);
    QCoreApplication::processEvents();
    return FormMultiAIO->PnlMultiAIO;
}

// Each emulator tab under each rule; visit gets a name for the view.
void EveryView(const std::function<void(const QString &)> &visit)
{
    TUIStateAIO *ui = Logic->ModuleAIO()->UIStateAIO();
    for (int emulator = 1; emulator <= 2; ++emulator) {
        FormMultiAIO->PgCLamEmul->setCurrentIndex(emulator - 1);
        for (int type : {TDevStateAIO::RectangularEmulation, TDevStateAIO::LinearEmulation}) {
            ui->EmulationType(emulator)->SetAsInteger(type);
            FormMultiAIO->RefreshGrids();
            QCoreApplication::processEvents();
            visit(QStringLiteral("aio_emulator%1_type%2").arg(emulator).arg(type));
        }
    }
    Logic->UIState()->SetModifiedFlag(false);
}

std::vector<ShownText> PanelTexts(TFormMain &form, QWidget *panel)
{
    std::vector<ShownText> out;
    for (ShownText &t : textaudit::VisibleTexts(&form))
        if (auto *w = qobject_cast<QWidget *>(t.object); w && (w == panel || panel->isAncestorOf(w)))
            out.push_back(std::move(t));
        else if (t.object && t.object->parent() && panel->isAncestorOf(qobject_cast<QWidget *>(t.object->parent())))
            out.push_back(std::move(t));
    return out;
}

} // namespace

TEST(AioTexts, EnglishPanelHasNoPolishAndItsCaptionsFit)
{
    QSet<QString> polish;
    {
        ProgramRig pl(20, 'E', QStringLiteral("PL"));
        QWidget *panel = ShowAioPanel(pl.Form());
        EveryView([&](const QString &) {
            for (const ShownText &t : PanelTexts(pl.Form(), panel))
                if (!textaudit::SharedText(t.text))
                    polish << t.text;
        });
    }
    // The rules, the switch, the outputs and the two emulator tabs at least.
    ASSERT_GE(polish.size(), 10) << QStringList(polish.values()).join(u'|').toStdString();

    ProgramRig en(20, 'E', QStringLiteral("EN"));
    TFormMain &form = en.Form();
    QWidget *panel = ShowAioPanel(form);
    const QString shots = qEnvironmentVariable("SHOTS");
    QStringList left, problems;
    QSet<QString> english;
    for (const QSize size : {QSize(780, 496), QSize(1024, 768), QSize(1920, 1080)}) {
        form.resize(size);
        QCoreApplication::processEvents();
        EveryView([&](const QString &view) {
            for (const ShownText &t : PanelTexts(form, panel)) {
                english << t.text;
                if (polish.contains(t.text))
                    left << t.where + QStringLiteral(" = ") + t.text;
            }
            for (const QString &problem : textaudit::FitProblems(&form))
                if (problem.contains(QStringLiteral("PnlMultiAIO")))
                    problems << QStringLiteral("%1x%2 %3: %4").arg(size.width()).arg(size.height()).arg(view, problem);
            if (!shots.isEmpty())
                form.grab().save(QDir(shots).filePath(
                    QStringLiteral("%1_%2x%3.png").arg(view).arg(size.width()).arg(size.height())));
        });
    }
    left.removeDuplicates();
    problems.removeDuplicates();
    EXPECT_TRUE(left.isEmpty()) << left.join(u'\n').toStdString();
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    for (const char *text : {"Input 1", "Input 2", "Rectangular Emulation", "Linear Emulation", "Read", "Write",
                             "Emulation enabled", "Emulation preview"})
        EXPECT_TRUE(english.contains(QString::fromLatin1(text))) << text;
}

// A refused table cell names the cell by its tab, its row's load and its
// column's RPM, and a refused edit quotes its text; both say what is wrong
// in the words of every field's refusal, in English and in Polish.
TEST(AioTexts, RefusalsReadInTheLanguageShown)
{
    const struct {
        const char *language;
        const char *cell;
        const char *edit;
    } rows[] = {{"EN", "Input 1, Load 40, 2500 rpm: The value is not a whole number. Allowed:",
                 "\u201C7x\u201D: The value is not a number. Allowed:"},
                {"PL", "Wejście 1, Obc. 40, 2500 obr/min: Wartość nie jest liczbą całkowitą. Dozwolone:",
                 "\u201E7x\u201D: Wartość nie jest liczbą. Dozwolone:"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.language);
        ProgramRig program(20, 'E', QString::fromLatin1(row.language));
        ShowAioPanel(program.Form());
        TUIStateAIO *ui = Logic->ModuleAIO()->UIStateAIO();
        ui->ResetGroup(GetDataGroupName(dgAIO));
        FormMultiAIO->RefreshGrids();
        TFormMultiAIO::TEmulatorPage &page = FormMultiAIO->Emulators[0];
        const QString range = QStringLiteral(" 0\u00A0-\u2060\u00A065535");

        program.Rig.Boxes.clear();
        page.StGThreshold->item(3, 4)->setText(QStringLiteral("2.5"));
        ASSERT_EQ(program.Rig.Boxes.size(), 1u);
        EXPECT_EQ(program.Rig.Boxes.back().Text, QString::fromUtf8(row.cell) + range);
        EXPECT_EQ(page.StGThreshold->item(3, 4)->text(), QStringLiteral("500"));

        page.YEdMinValue->setText(QStringLiteral("7x"));
        Q_EMIT page.YEdMinValue->textEdited(page.YEdMinValue->text());
        ASSERT_EQ(program.Rig.Boxes.size(), 2u);
        EXPECT_EQ(program.Rig.Boxes.back().Text, QString::fromUtf8(row.edit) + range);
        EXPECT_EQ(ui->MinValue(1)->GetAsInteger(), 100);
        Logic->UIState()->SetModifiedFlag(false);
    }
}
