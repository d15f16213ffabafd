// The analog-I/O module and window in the program: the controller and the
// adapter box simulated on one pseudo-terminal, the main window and the
// adapter windows wired as the program wires them. The box never reports its
// analog I/O, the module sends nothing, and the page still works on its
// variables: the grids and edits bound both ways, the step buttons, the
// emulation preview, reading and writing, entering and leaving the page and
// the main timer's refresh.
#include "adapter/ProgramWithAdapter.h"

#include "adapter/ModuleAIO.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/UIState.h"
#include "adapter/UIStateAIO.h"
#include "controls/DigitalDisplay.h"
#include "core/DeviceRecord.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QtCharts/QLineSeries>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The program with its adapter windows, shown on the analog-I/O module.
class AioProgram : public adaptertest::ProgramWithAdapter
{
public:
    AioProgram()
    {
        Start();
        Module = TheLogic->ModuleAIO();
        U = Module->UIStateAIO();
        D = Module->DevState();
        Device.Server.log().clear();
    }

    TFormMain &Form() { return *Rig.Form; }
    TFormMultiAIO::TEmulatorPage &Page(int emulator) { return Aio->Emulators[emulator - 1]; }
    bool Modified() const { return TheLogic->UIState()->Modified(); }
    bool WritePending() const { return Aio->BtBWriteLamEmulCnf->font().bold(); }
    // Types into a cell as the user does.
    void EditCell(int emulator, int row, int column, const QString &text)
    {
        Page(emulator).StGThreshold->item(row, column)->setText(text);
    }
    void TypeInto(QLineEdit *edit, const QString &text)
    {
        edit->setText(text);
        Q_EMIT edit->textEdited(text);
    }
    void Select(int emulator, int top, int left, int bottom, int right)
    {
        QTableWidget *grid = Page(emulator).StGThreshold;
        grid->clearSelection();
        grid->setRangeSelected(QTableWidgetSelectionRange(top, left, bottom, right), true);
    }
    // The documented defaults of every analog-I/O setting on both sides (the
    // start-up leaves them zero: the box reported none), shown on the page.
    void Defaults()
    {
        const QString section = GetDataGroupName(dgAIO);
        U->ResetGroup(section);
        TheLogic->UIState()->CopyToDevice(section, 3);
        TheLogic->UIState()->SetModifiedFlag(false);
        Aio->RefreshGrids();
    }
    // Requests the box received for the analog I/O: none has a command of
    // its own, so any adapter frame at all counts.
    size_t AdapterFrames() const { return Device.AdapterRequests().size(); }

    TModuleAIO *Module = nullptr;
    TUIStateAIO *U = nullptr;
    TDevStateAIO *D = nullptr;
};

} // namespace

TEST(AioModule, NeverDetectedAndSendsNothing)
{
    AioProgram p;
    // The box itself answers: the adapter module is active, its analog I/O is not.
    ASSERT_TRUE(ModuleAdapter->IsActive());
    EXPECT_FALSE(p.Module->Enabled());
    EXPECT_FALSE(p.Module->IsActive());
    EXPECT_EQ(p.Module->ParentModule(), ModuleAdapter);
    EXPECT_FALSE(p.Module->Detect());
    EXPECT_FALSE(p.Module->CheckPresence());
    EXPECT_EQ(p.AdapterFrames(), 0u);
    // A re-detection asks the box for the adapter and OBD only.
    p.TheManager.RedetectLocked();
    EXPECT_FALSE(p.Module->IsActive());
    p.Device.Server.log().clear();

    // Absent: nothing is read, nothing is accepted.
    auto everything = [&p] {
        TModuleAIO &m = *p.Module;
        return std::vector<int>{m.PeriodicStep(), m.ReadMain(),         m.ReadOptions(),        m.ReadThresholdRowA(0),
                                m.ReadThresholdRowB(9), m.ReadExtra(),  m.WriteMain(),          m.WriteOptions(),
                                m.WriteThresholdRowA(3), m.WriteThresholdRowB(9), m.WriteExtra()};
    };
    EXPECT_EQ(everything(), std::vector<int>(11, 0));
    // Were it present: every read succeeds and every write is accepted.
    p.Module->SetEnabled(true);
    ASSERT_TRUE(p.Module->IsActive());
    EXPECT_EQ(everything(), (std::vector<int>{1, 1, 1, 1, 1, 1, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5}));
    // Its presence query still answers no, and needs an active adapter.
    EXPECT_FALSE(p.Module->Detect());
    p.Module->SetEnabled(true);
    ModuleAdapter->SetEnabled(false);
    EXPECT_FALSE(p.Module->IsActive());
    EXPECT_EQ(everything(), std::vector<int>(11, 0));
    EXPECT_EQ(p.AdapterFrames(), 0u);
}

TEST(AioLogic, ReadAndWriteCopyTheSection)
{
    AioProgram p;
    p.Defaults();
    TLogicAIO &logic = *p.Module->Logic();
    // Absent: a write leaves the values on the device side and refuses nothing.
    p.U->Threshold(2, 4, 5)->SetAsInteger(777);
    p.U->ConfigOptionLam2EmulationEnabled->SetAsBoolean(true);
    ModuleAdapter->SetEnabled(false); // the box itself gone: nothing written
    EXPECT_FALSE(logic.WriteConfiguration());
    EXPECT_NE(p.D->Threshold(2, 4, 5)->GetAsInteger(), 777);
    ModuleAdapter->SetEnabled(true);
    EXPECT_TRUE(logic.WriteConfiguration());
    EXPECT_EQ(p.D->Threshold(2, 4, 5)->GetAsInteger(), 777);
    EXPECT_EQ(p.D->LamEmuConfOptionsByte->GetAsInteger(), 4);
    // A read shows the device side again.
    p.U->Threshold(2, 4, 5)->SetAsInteger(1);
    EXPECT_FALSE(logic.ReadConfiguration());
    EXPECT_EQ(p.U->Threshold(2, 4, 5)->GetAsInteger(), 777);
    // Present: read and written in full.
    p.Module->SetEnabled(true);
    p.U->Lam1EmulatorMaxValue->SetAsInteger(900);
    EXPECT_TRUE(logic.WriteConfiguration());
    EXPECT_EQ(p.D->Lam1EmulatorMaxValue->GetAsInteger(), 900);
    p.D->RpmThreshold(3)->SetAsInteger(2100);
    EXPECT_TRUE(logic.ReadConfiguration());
    EXPECT_EQ(p.U->RpmThreshold(3)->GetAsInteger(), 2100);
    EXPECT_EQ(p.AdapterFrames(), 0u);
}

TEST(AioLogic, DefaultConfigurationAsksAndNeedsThePresentModule)
{
    AioProgram p;
    p.Defaults();
    TLogicAIO &logic = *p.Module->Logic();
    auto edit = [&p] {
        p.U->Threshold(1, 0, 0)->SetAsInteger(10);
        p.U->Lam2EmulationType->SetAsInteger(1);
        p.D->Threshold(1, 0, 0)->SetAsInteger(10);
    };
    edit();
    // Absent: nothing asked, nothing changed.
    EXPECT_FALSE(logic.WriteDefaultConfiguration(true));
    EXPECT_TRUE(p.Rig.Boxes.empty());
    EXPECT_EQ(p.U->Threshold(1, 0, 0)->GetAsInteger(), 10);

    p.Module->SetEnabled(true);
    p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrCancel); };
    EXPECT_FALSE(logic.WriteDefaultConfiguration(true));
    ASSERT_EQ(p.Rig.Boxes.size(), 1u);
    EXPECT_EQ(p.Rig.Boxes.front().Text, LM->Translate(QStringLiteral("strTextQuestionDefaultAioSettings")));
    EXPECT_EQ(p.U->Threshold(1, 0, 0)->GetAsInteger(), 10);

    p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrOk); };
    EXPECT_TRUE(logic.WriteDefaultConfiguration(true));
    for (TVariable *v : {static_cast<TVariable *>(p.U->Threshold(1, 0, 0)), static_cast<TVariable *>(p.D->Threshold(1, 0, 0))})
        EXPECT_EQ(v->GetAsInteger(), 500);
    EXPECT_EQ(p.D->Lam2EmulationType->GetAsInteger(), 2);

    // The adapter's own default action asks nothing.
    edit();
    p.Rig.Boxes.clear();
    EXPECT_TRUE(logic.WriteDefaultConfiguration(false));
    EXPECT_TRUE(p.Rig.Boxes.empty());
    EXPECT_EQ(p.D->Threshold(1, 0, 0)->GetAsInteger(), 500);
    EXPECT_EQ(p.AdapterFrames(), 0u);
}

TEST(AioWindow, CreatedOnEmulator1WithItsVariablesShown)
{
    AioProgram p;
    TFormMultiAIO &w = *p.Aio;
    EXPECT_EQ(w.PgCLamEmul->currentWidget()->objectName(), QStringLiteral("TbSLam1Emul"));
    EXPECT_EQ(w.OperatingRow(), 0);
    EXPECT_EQ(w.OperatingColumn(), 0);
    // The start-up cleared what the box did not report: the page shows it.
    EXPECT_EQ(p.U->Threshold(1, 0, 0)->GetAsInteger(), 0);
    w.RefreshGrids();
    EXPECT_EQ(p.Page(1).StGThreshold->item(0, 0)->text(), QStringLiteral("0"));
    p.Defaults();
    for (int e = 1; e <= 2; ++e) {
        TFormMultiAIO::TEmulatorPage &page = p.Page(e);
        EXPECT_EQ(page.StGThreshold->item(9, 11)->text(), QStringLiteral("500"));
        EXPECT_EQ(page.StGLoadThresholds->item(3, 0)->text(), QStringLiteral("40"));
        EXPECT_EQ(page.StGRPMThresholds->item(0, 11)->text(), QStringLiteral("6000"));
        EXPECT_FALSE(page.StGRPMThresholds->item(0, 0)->flags() & Qt::ItemIsEditable);
        EXPECT_EQ(page.YEdMaxValue->text(), QStringLiteral("800"));
        EXPECT_EQ(page.CmBEmulType->currentIndex(), 1);
        EXPECT_EQ(page.YedModelPointsX[2]->text(), QStringLiteral("1000"));
        // The linear rule shows the model panel.
        EXPECT_FALSE(page.PnlThresholds->isVisibleTo(page.Sheet));
        EXPECT_TRUE(page.PnlModel->isVisibleTo(page.Sheet));
    }
    EXPECT_FALSE(p.WritePending());
}

TEST(AioWindow, GridsAndEditsAreBoundBothWays)
{
    AioProgram p;
    p.Defaults();
    TFormMultiAIO &w = *p.Aio;
    // A cell edit sets its variable and marks the page.
    p.EditCell(2, 4, 7, QStringLiteral("615"));
    EXPECT_EQ(p.U->Threshold(2, 4, 7)->GetAsInteger(), 615);
    EXPECT_EQ(p.U->Threshold(1, 4, 7)->GetAsInteger(), 500);
    EXPECT_TRUE(p.Modified());
    EXPECT_TRUE(p.WritePending());
    // A cell that is not one whole number its variable holds is refused,
    // naming the cell by its tab, its row's load and its column's RPM and
    // saying what is wrong; the cell shows its variable again.
    const auto *loadAxis = p.Page(1).PnlThresholds->findChild<QLabel *>(QStringLiteral("LblLam1LoadAxis"));
    ASSERT_NE(loadAxis, nullptr);
    const QString cell = w.PgCLamEmul->tabText(0) + QStringLiteral(", ") + loadAxis->text() + QStringLiteral(" 40, 2500 ")
                         + TranslateKey(QStringLiteral("strUnitRPM")) + QStringLiteral(": ");
    const struct {
        const char *text;
        const char *fault;
    } badCells[] = {{"abc", "strConfValueNotNumber"}, {"70000", "strConfValueRange"}, {"-1", "strConfValueRange"},
                    {"2,5,1", "strConfValueNotNumber"}, {"2.5", "strConfValueNotWhole"}, {"", "strConfValueNotNumber"}};
    for (const auto &bad : badCells) {
        SCOPED_TRACE(bad.text);
        p.Rig.Boxes.clear();
        p.EditCell(1, 3, 4, QString::fromLatin1(bad.text));
        EXPECT_EQ(p.U->Threshold(1, 3, 4)->GetAsInteger(), 500);
        EXPECT_EQ(p.Page(1).StGThreshold->item(3, 4)->text(), QStringLiteral("500"));
        ASSERT_EQ(p.Rig.Boxes.size(), 1u);
        const QString shown = p.Rig.Boxes.back().Text;
        EXPECT_TRUE(shown.startsWith(cell + TranslateKey(QString::fromLatin1(bad.fault)))) << shown.toStdString();
    }

    // Variables changed elsewhere (a configuration file) show at the next refresh.
    p.U->Threshold(1, 9, 11)->SetAsInteger(42);
    p.U->PcolThreshold(9)->SetAsInteger(99);
    p.U->RpmThreshold(0)->SetAsInteger(400);
    p.U->Lam2EmulatorMinValue->SetAsInteger(150);
    p.U->ModelPointY(1, 1)->SetAsInteger(450);
    p.U->LamEmuConfOptionsByte->SetAsInteger(0x04);
    w.RefreshLive(true);
    w.RefreshGrids();
    EXPECT_EQ(p.Page(1).StGThreshold->item(9, 11)->text(), QStringLiteral("42"));
    for (int e = 1; e <= 2; ++e) {
        EXPECT_EQ(p.Page(e).StGLoadThresholds->item(9, 0)->text(), QStringLiteral("99"));
        EXPECT_EQ(p.Page(e).StGRPMThresholds->item(0, 0)->text(), QStringLiteral("400"));
    }
    EXPECT_EQ(p.Page(2).YEdMinValue->text(), QStringLiteral("150"));
    EXPECT_EQ(p.Page(1).YedModelPointsY[1]->text(), QStringLiteral("450"));
    EXPECT_FALSE(p.Page(1).ChBEmulationEnabled->isChecked());
    EXPECT_TRUE(p.Page(2).ChBEmulationEnabled->isChecked());

    // Edits, the switch and the rule go into their variables.
    p.TypeInto(p.Page(1).YEdMaxValue, QStringLiteral("950"));
    EXPECT_EQ(p.U->Lam1EmulatorMaxValue->GetAsInteger(), 950);
    p.TypeInto(p.Page(2).YedModelPointsX[0], QStringLiteral("120"));
    EXPECT_EQ(p.U->ModelPointX(2, 0)->GetAsInteger(), 120);
    p.Page(1).ChBEmulationEnabled->click();
    EXPECT_EQ(p.U->LamEmuConfOptionsByte->GetAsInteger(), 0x06);
    p.Page(2).CmBEmulType->setCurrentIndex(0);
    Q_EMIT p.Page(2).CmBEmulType->activated(0);
    EXPECT_EQ(p.U->Lam2EmulationType->GetAsInteger(), 1);
    // The rectangular rule shows the threshold panel.
    EXPECT_TRUE(p.Page(2).PnlThresholds->isVisibleTo(p.Page(2).Sheet));
    EXPECT_FALSE(p.Page(2).PnlModel->isVisibleTo(p.Page(2).Sheet));
    // And back from the variable.
    p.U->Lam2EmulationType->SetAsInteger(2);
    w.RefreshGrids();
    EXPECT_EQ(p.Page(2).CmBEmulType->currentIndex(), 1);
    EXPECT_FALSE(p.Page(2).PnlThresholds->isVisibleTo(p.Page(2).Sheet));
    EXPECT_EQ(p.AdapterFrames(), 0u);
}

TEST(AioWindow, StepButtonsChangeTheSelectedCells)
{
    AioProgram p;
    p.Defaults();
    TFormMultiAIO::TEmulatorPage &page = p.Page(2);
    p.U->Threshold(2, 2, 3)->SetAsInteger(950);
    p.U->Threshold(2, 2, 4)->SetAsInteger(3);
    p.U->Threshold(2, 3, 3)->SetAsInteger(1000);
    p.Aio->RefreshGrids();
    p.TheLogic->UIState()->SetModifiedFlag(false);
    p.Select(2, 2, 3, 3, 4);
    EXPECT_EQ(p.Aio->SelectionRect(page.StGThreshold), QRect(3, 2, 2, 2));
    struct Step {
        int button;
        int cells[4]; // (2,3), (2,4), (3,3), (3,4)
    };
    const Step steps[] = {
        {4, {1000, 103, 1000, 600}}, // +100
        {1, {995, 98, 995, 595}},    // -5
        {3, {985, 88, 985, 585}},    // -10
        {5, {885, 0, 885, 485}},     // -100
        {2, {895, 10, 895, 495}},    // +10
        {0, {900, 15, 900, 500}},    // +5
        {6, {0, 0, 0, 0}},           // =0
    };
    for (const Step &s : steps) {
        page.BtnSteps[s.button]->click();
        const int values[] = {int(p.U->Threshold(2, 2, 3)->GetAsInteger()), int(p.U->Threshold(2, 2, 4)->GetAsInteger()),
                              int(p.U->Threshold(2, 3, 3)->GetAsInteger()), int(p.U->Threshold(2, 3, 4)->GetAsInteger())};
        EXPECT_EQ(std::vector<int>(values, values + 4), std::vector<int>(s.cells, s.cells + 4)) << s.button;
        EXPECT_EQ(page.StGThreshold->item(3, 4)->text(), QString::number(s.cells[3]));
    }
    EXPECT_TRUE(p.Modified());
    // Only the selection and only that emulator's table.
    EXPECT_EQ(p.U->Threshold(2, 1, 3)->GetAsInteger(), 500);
    EXPECT_EQ(p.U->Threshold(2, 2, 5)->GetAsInteger(), 500);
    EXPECT_EQ(p.U->Threshold(1, 2, 3)->GetAsInteger(), 500);
    // Without a selection the current cell steps; a step that changes
    // nothing leaves the page unmarked.
    p.TheLogic->UIState()->SetModifiedFlag(false);
    page.StGThreshold->clearSelection();
    page.StGThreshold->setCurrentCell(0, 0, QItemSelectionModel::NoUpdate);
    page.StGThreshold->clearSelection();
    p.U->Threshold(2, 0, 0)->SetAsInteger(1000);
    p.Aio->RefreshGrids();
    p.TheLogic->UIState()->SetModifiedFlag(false);
    page.BtnSteps[0]->click();
    EXPECT_EQ(p.U->Threshold(2, 0, 0)->GetAsInteger(), 1000);
    EXPECT_FALSE(p.Modified());
    p.Aio->BtnPlusMinusLam2Click(page.BtnSteps[5]);
    EXPECT_EQ(p.U->Threshold(2, 0, 0)->GetAsInteger(), 900);
}

TEST(AioWindow, PreviewFollowsTheModelPoints)
{
    AioProgram p;
    p.Defaults();
    TFormMultiAIO::TEmulatorPage &page = p.Page(1);
    auto check = [&page](const std::function<double(double)> &expected) {
        const QList<QPointF> in = page.InputSeries->points(), out = page.OutputSeries->points();
        ASSERT_EQ(in.size(), 99);
        ASSERT_EQ(out.size(), 99);
        for (int i = 0; i < 99; ++i) {
            EXPECT_NEAR(in[i].y(), 500 + 500 * std::sin(i * M_PI / 18), 1e-9) << i;
            EXPECT_NEAR(out[i].y(), expected(in[i].y()), 1e-9) << i;
        }
    };
    // The defaults are the identity.
    check([](double x) { return x; });
    EXPECT_EQ(page.ModelSeries->points(), (QList<QPointF>{{0, 0}, {500, 500}, {1000, 1000}}));
    const int points[3][2] = {{200, 0}, {500, 900}, {800, 1000}};
    for (int k = 0; k < 3; ++k) {
        p.TypeInto(page.YedModelPointsX[k], QString::number(points[k][0]));
        p.TypeInto(page.YedModelPointsY[k], QString::number(points[k][1]));
    }
    EXPECT_EQ(page.ModelSeries->points(), (QList<QPointF>{{200, 0}, {500, 900}, {800, 1000}}));
    check([](double x) { return x <= 200 ? 0.0 : x <= 500 ? (x - 200) * 3 : x <= 800 ? 900 + (x - 500) / 3 : 1000.0; });
    // Sample 0 is the input 500, 9 the top and 27 the bottom of the wave.
    EXPECT_NEAR(page.OutputSeries->points()[0].y(), 900, 1e-9);
    EXPECT_NEAR(page.OutputSeries->points()[9].y(), 1000, 1e-9);
    EXPECT_NEAR(page.OutputSeries->points()[27].y(), 0, 1e-9);
    // Emulator 2 keeps its own points.
    EXPECT_EQ(p.Page(2).ModelSeries->points().at(0), QPointF(0, 0));
    // A change that comes from the variables redraws at the refresh.
    p.U->ModelPointY(1, 0)->SetAsInteger(100);
    p.Aio->RefreshGrids();
    EXPECT_NEAR(page.OutputSeries->points()[27].y(), 100, 1e-9);
}

TEST(AioWindow, WriteAndReadButtons)
{
    AioProgram p;
    p.Defaults();
    TFormMultiAIO &w = *p.Aio;
    p.EditCell(1, 0, 1, QStringLiteral("321"));
    p.TypeInto(p.Page(2).YEdMaxValue, QStringLiteral("700"));
    ASSERT_TRUE(p.WritePending());
    w.BtBWriteLamEmulCnf->click();
    EXPECT_EQ(p.D->Threshold(1, 0, 1)->GetAsInteger(), 321);
    EXPECT_EQ(p.D->Lam2EmulatorMaxValue->GetAsInteger(), 700);
    EXPECT_FALSE(p.Modified());
    EXPECT_FALSE(p.WritePending());
    EXPECT_TRUE(p.Rig.Boxes.empty());

    // Read shows what was written and drops the edits since.
    p.EditCell(1, 0, 1, QStringLiteral("5"));
    p.TypeInto(p.Page(2).YEdMaxValue, QStringLiteral("1"));
    ASSERT_TRUE(p.Modified());
    w.BtBReadLamEmulCnf->click();
    EXPECT_EQ(p.U->Threshold(1, 0, 1)->GetAsInteger(), 321);
    EXPECT_EQ(p.Page(1).StGThreshold->item(0, 1)->text(), QStringLiteral("321"));
    EXPECT_EQ(p.Page(2).YEdMaxValue->text(), QStringLiteral("700"));
    EXPECT_FALSE(p.Modified());
    EXPECT_FALSE(p.WritePending());
    EXPECT_EQ(p.AdapterFrames(), 0u);
}

// An edit of the emulator pages left empty, or holding no whole number its
// variable takes, is refused before anything is asked or sent, naming the
// field; the page keeps it, modified.
TEST(AioWindow, WriteRefusesAFieldThatHoldsNoNumberItsVariableTakes)
{
    AioProgram p;
    p.Defaults();
    TFormMultiAIO &w = *p.Aio;
    auto *max = p.Page(2).YEdMaxValue;
    auto *y = p.Page(1).YedModelPointsY[2];
    const struct {
        QLineEdit *Edit;
        const char *Typed, *Label, *Point;
    } rows[] = {{max, "", "LblLam2EmulatorMaxValue", ""}, {y, "", "LblLam1ModelY", "P3 "}};
    int edits = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.Label);
        p.TypeInto(p.Page(2).YEdMinValue, QString::number(100 + ++edits)); // an edit that fits
        p.TypeInto(row.Edit, QString::fromLatin1(row.Typed));
        ASSERT_TRUE(p.Modified());
        p.Rig.Boxes.clear();
        w.BtBWriteLamEmulCnf->click();
        EXPECT_EQ(p.AdapterFrames(), 0u);
        ASSERT_EQ(p.Rig.Boxes.size(), 1u);
        const QWidget *sheet = row.Edit->parentWidget()->objectName().startsWith(QStringLiteral("PnlLam"))
                                   ? row.Edit->parentWidget()->parentWidget()
                                   : row.Edit->parentWidget();
        const QString tab = w.PgCLamEmul->tabText(w.PgCLamEmul->indexOf(const_cast<QWidget *>(sheet)));
        const QString label = sheet->findChild<QLabel *>(QString::fromLatin1(row.Label))->text();
        EXPECT_TRUE(p.Rig.Boxes[0].Text.startsWith(tab + QStringLiteral(", ") + QLatin1String(row.Point) + label
                                                   + QStringLiteral(": ")))
            << p.Rig.Boxes[0].Text.toStdString();
        EXPECT_TRUE(p.Rig.Boxes[0].Text.contains(QStringLiteral("0\u00A0-\u2060\u00A065535")))
            << p.Rig.Boxes[0].Text.toStdString();
        EXPECT_EQ(row.Edit->text(), QString::fromLatin1(row.Typed));
        EXPECT_TRUE(p.Modified());
        EXPECT_EQ(w.PgCLamEmul->currentWidget(), sheet);
        p.TypeInto(row.Edit, QStringLiteral("700"));
    }
}

TEST(AioWindow, EnteringAndLeavingThePage)
{
    AioProgram p;
    p.Defaults();
    TFormMain &form = p.Form();
    // The main window's adapter page enters the analog-I/O page: the
    // module's poll bit goes on, the page shows the device side.
    p.D->Threshold(1, 5, 5)->SetAsInteger(654);
    EXPECT_FALSE(p.TheManager.HasStateFlag(TModuleAIO::PollAIO));
    ASSERT_TRUE(form.WindowServices.AdapterPageEntered);
    form.WindowServices.AdapterPageEntered(QStringLiteral("TbSAdapterMultiAIO"), true);
    EXPECT_TRUE(p.TheManager.HasStateFlag(TModuleAIO::PollAIO));
    EXPECT_EQ(p.Page(1).StGThreshold->item(5, 5)->text(), QStringLiteral("654"));
    EXPECT_FALSE(p.Modified());

    // Leaving: nothing to ask without changes.
    EXPECT_TRUE(p.Aio->PgCMainChanging());
    EXPECT_TRUE(p.Rig.Boxes.empty());
    p.EditCell(1, 5, 5, QStringLiteral("111"));
    p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrCancel); };
    EXPECT_FALSE(p.Aio->PgCMainChanging());
    EXPECT_EQ(p.Rig.Boxes.size(), 1u);
    EXPECT_TRUE(p.Modified());
    // Entered again with the edit pending (a detection, a language change):
    // the edit stays.
    form.WindowServices.AdapterPageEntered(QStringLiteral("TbSAdapterMultiAIO"), false);
    EXPECT_EQ(p.Page(1).StGThreshold->item(5, 5)->text(), QStringLiteral("111"));
    EXPECT_TRUE(p.Modified());
    p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrNo); };
    EXPECT_TRUE(p.Aio->PgCMainChanging());
    EXPECT_EQ(p.D->Threshold(1, 5, 5)->GetAsInteger(), 654);
    // Yes with the box gone: the page and its edit stay; an error says so.
    p.Rig.Answer = [](const TMessageBoxInfo &) { return int(mrYes); };
    p.Rig.Boxes.clear();
    ModuleAdapter->SetEnabled(false);
    EXPECT_FALSE(p.Aio->PgCMainChanging());
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.Rig.BoxTexts().last(), TranslateKey(QStringLiteral("strTextAioWriteFailed")));
    ModuleAdapter->SetEnabled(true);
    EXPECT_TRUE(p.Aio->PgCMainChanging());
    EXPECT_EQ(p.D->Threshold(1, 5, 5)->GetAsInteger(), 111);
    EXPECT_FALSE(p.Modified());
    EXPECT_EQ(p.AdapterFrames(), 0u);
}

// The main timer refreshes the page while its tab is shown (the main window
// keeps that tab hidden; it is shown here).
TEST(AioWindow, MainTimerRefreshesTheShownPage)
{
    AioProgram p;
    p.Defaults();
    TFormMain &form = p.Form();
    ASSERT_TRUE(form.Services.AioRefreshLive);
    auto *main = form.findChild<QTabWidget *>(QStringLiteral("PgCMain"));
    auto *adapter = form.findChild<QTabWidget *>(QStringLiteral("PgCAdapterMain"));
    QWidget *aio = form.findChild<QWidget *>(QStringLiteral("TbSAdapterMultiAIO"));
    main->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSAdapter")));
    adapter->setTabVisible(adapter->indexOf(aio), true);
    adapter->setCurrentWidget(aio);
    ASSERT_TRUE(FormMultiAIO->PnlMultiAIO->isVisible());

    // The first tick after the connection reloads the page.
    p.Rig.Tick();
    p.Rig.Now += 200;
    // A reading of the device side and the controller's live load and RPM
    // reach the page.
    p.D->RealAnalogInput1->SetRawData(QByteArray("\x01\xF4", 2), false);
    p.D->RealAnalogOutput2->SetRawData(QByteArray("\xFF\x9C", 2), false);
    const quint16 period = quint16(std::lround(22440000.0 / 2600));
    p.Device.Server.withLock([&] {
        auto &s = p.Device.Controller.State;
        // Answer bytes 8-9 and 4 (the payload leaves out the first two).
        s.Payload[0x0B][6] = quint8(period >> 8);
        s.Payload[0x0B][7] = quint8(period);
        s.Payload[0x64][2] = 35;
    });
    // An unwritten edit stays.
    p.EditCell(1, 0, 0, QStringLiteral("250"));
    p.Rig.Tick();
    p.Rig.Now += 200;
    EXPECT_EQ(DeviceRecord.RpmPeriod, period);
    EXPECT_EQ(DeviceRecord.Value64, 35);
    // In Polish, the language shown.
    EXPECT_EQ(p.Aio->DgDRealAnalogIn1->Caption(), QStringLiteral("0,500"));
    EXPECT_EQ(p.Aio->DgDRealAnalogOut2->Caption(), QStringLiteral("-0,100"));
    EXPECT_EQ(p.Aio->OperatingRow(), 3);
    EXPECT_EQ(p.Aio->OperatingColumn(), 5);
    // Thresholds the user set move the point.
    p.U->PcolThreshold(2)->SetAsInteger(35);
    p.U->RpmThreshold(4)->SetAsInteger(2600);
    p.Rig.Tick();
    p.Rig.Now += 200;
    EXPECT_EQ(p.Aio->OperatingRow(), 2);
    EXPECT_EQ(p.Aio->OperatingColumn(), 4);
    EXPECT_EQ(p.U->Threshold(1, 0, 0)->GetAsInteger(), 250);
    EXPECT_EQ(p.Page(1).StGThreshold->item(0, 0)->text(), QStringLiteral("250"));
    EXPECT_TRUE(p.Modified());

    // On another tab the page is left alone.
    adapter->setCurrentWidget(form.findChild<QWidget *>(QStringLiteral("TbSAdapterMultiInfo")));
    p.D->RealAnalogInput1->SetRawData(QByteArray("\x03\xE8", 2), false);
    p.Rig.Tick();
    EXPECT_EQ(p.Aio->DgDRealAnalogIn1->Caption(), QStringLiteral("0,500"));
}
