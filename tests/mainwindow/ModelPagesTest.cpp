// The model and model-2 pages of the main window against the simulated
// controller: the frames of their reads and writes, a write that fails
// half-way, a locked device, and the chart editing with synthesized mouse and
// key events.
#include "common/Screenshots.h"
#include "common/TestFiles.h"
#include "controls/ChangeHelper.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/ProgramLogic.h"
#include "core/ui/TypedInput.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "mainwindow/PageWindowFixture.h"
#include "mainwindow/ShellWiring.h"
#include "sim/SimControllerFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QtCharts/QChartView>
#include <QtCharts/QXYSeries>

#include <gtest/gtest.h>

using namespace sim;
using shellwiring::ClickTab;

namespace {

Bytes Write16(uint8_t id, uint16_t v)
{
    return Request({0x16, id, uint8_t(v >> 8), uint8_t(v)});
}

void PutWord(Bytes &b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v >> 8);
    b[at + 1] = uint8_t(v);
}

void Mouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
           Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, mods);
    QCoreApplication::sendEvent(w, &e);
}

void Key(QWidget *w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(w, &e);
}

// Press at from, move to to, release there.
void Drag(QWidget *w, QPoint from, QPoint to)
{
    Mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

} // namespace

class ModelPagesTest : public PageWindowFixture
{
protected:
    static void SetUpTestSuite()
    {
        CreateWindow();
        Window->show();
        QCoreApplication::processEvents();
    }
    void SetUp() override
    {
        Questions.clear();
        Reply = 7; // No
        TCommon::SetAnswerProvider([](const TMessageBoxInfo &box) {
            Questions << box.Text;
            return box.Buttons.contains(Reply) ? Reply : box.Buttons.value(box.Buttons.size() - 1);
        });
    }

    // A kind-20 model: m 1280/1024 = 1.25, b -94/187 ms, thresholds 4, 8,
    // 12, 16 ms, enrichments 0, +10, +20, -10 %, bank 2 at +5 %, 37/187 ms,
    // injectors 1 and 3.
    void FillLinearModel()
    {
        Rig->Device([](SimControllerState &s) {
            Bytes &f = s.Payload[0x10];
            const uint16_t v[10] = {1229, 0xFFA2, 748, 1496, 2244, 2992, 4096, 4506, 4915, 3686};
            for (int i = 0; i < 10; ++i)
                PutWord(f, 2 * i, v[i]);
            s.Model[11] = 1075;
            s.Model[12] = 37;
            s.Model[13] = 0x05;
        });
    }

    // A kind-48 model 2 on the line y = 1.25 x + 1 (raw), with its settings.
    void FillModel2()
    {
        Rig->Device([](SimControllerState &s) {
            const int xs[5] = {0, 376, 936, 1872, 3740};
            for (int k = 0; k < 20; ++k) {
                const uint16_t x = k < 5 ? uint16_t(xs[k]) : 0xFFFF;
                const uint16_t y = k < 5 ? uint16_t(xs[k] * 5 / 4 + 187) : 0xFFFF;
                auto &page = s.MapD4[k / 10];
                PutWordArr(page, (k % 10) * 4, x);
                PutWordArr(page, (k % 10) * 4 + 2, y);
                auto &tpl = s.Model2[k / 10];
                PutWordArr(tpl, (k % 10) * 4, k < 2 ? uint16_t(k * 935) : 0xFFFF);
                PutWordArr(tpl, (k % 10) * 4 + 2, k < 2 ? uint16_t(187 + k * 1000) : 0xFFFF);
            }
            s.Model[1] = 1280;
            s.Model[2] = 187;
            s.Model[11] = 1024;
            s.Model[12] = 0;
            s.Model[13] = 0x81;
            s.Param8[30] = 104;
            s.Param8[37] = 0x05;
            s.Param8[31] = 0x40;
            s.Param8[45] = 3;
            s.Param8[46] = 1;
            s.Param16[14] = 4;
            Bytes &n = s.Payload[0xC0];
            const uint16_t idle[4] = {561, 842, 1122, 1309};
            for (int i = 0; i < 4; ++i)
                PutWord(n, 2 * i, idle[i]);
        });
    }
    static void PutWordArr(std::array<uint8_t, 40> &a, size_t at, uint16_t v)
    {
        a[at] = uint8_t(v >> 8);
        a[at + 1] = uint8_t(v);
    }

    // The model chart's point of a value, in its viewport's pixels.
    static QPoint ModelPixel(double x, double y)
    {
        QChart *chart = Model->ChtModel->chart();
        const QPointF scene = chart->mapToScene(chart->mapToPosition(QPointF(x, y), Model->Series(3)));
        return Model->ChtModel->mapFromScene(scene);
    }
    static QPointF ModelPoint(int i) { return Model->Series(3)->at(i); }

    // The model-2 chart at 10 px per ms: its plotting area 250 x 350 px.
    static void Model2Geometry()
    {
        Model2->Chart->Host()->resize(20 + 250 + 10, 3 + 350 + 16);
        ASSERT_EQ(Model2->Chart->PlotArea().width(), 250);
        ASSERT_EQ(Model2->Chart->PlotArea().height(), 350);
    }
    static QPoint Px(double x, double y) { return QPoint(int(std::lround(20 + x * 10)), int(std::lround(353 - y * 10))); }
    static QWidget *Host() { return Model2->Chart->Host(); }
    static QLineEdit *Kbd() { return Get<QLineEdit>("EdtChtModel2Keyboard"); }

    static inline QStringList Questions;
    static inline int Reply = 7;
};

TEST_F(ModelPagesTest, LinearModelReadThenWriteSendsTheValuesReadInParameterOrder)
{
    Connect(20, 'E');
    FillLinearModel();
    Window->ReadModelParams();
    EXPECT_EQ(Rig->Requests(), (std::vector<Bytes>{Request({0x10, 0x10}), Request({0x12, 11}),
                                                   Request({0x12, 12}), Request({0x12, 13})}));
    // The page shows the model; the chart is drawn from its exact numbers.
    EXPECT_EQ(Get<QLineEdit>("EdtModMULT_")->text(), "1.20");
    EXPECT_EQ(Get<QSpinBox>("UpDModMult")->value(), 20);
    EXPECT_EQ(Get<QSpinBox>("UpDModOffset")->value(), -5);
    EXPECT_EQ(Get<QLineEdit>("YEdModOffset")->text(), "-0.5");
    EXPECT_EQ(Get<QSpinBox>("UpDWzbogacenieProgB")->value(), 10);
    EXPECT_EQ(Get<QSpinBox>("UpDModCorrectionMult")->value(), 5);
    EXPECT_EQ(Get<QLineEdit>("YEdModCorrectionOffset")->text(), "0.20");
    EXPECT_TRUE(Get<QAbstractButton>("ChBModCorrectionMask3")->isChecked());
    EXPECT_FALSE(Get<QAbstractButton>("ChBModCorrectionMask2")->isChecked());
    const double m = 1229 / 1024.0, b = -94 / 187.0;
    EXPECT_NEAR(ModelPoint(2).y(), 1.1 * (m * 8 + b), 1e-9);
    EXPECT_EQ(ModelPoint(4).x(), 16.0);
    EXPECT_FALSE(Window->ConfigModified());
    // The nozzle verdict: 1.20 with the mean enrichment 5 % is 1.26, too large.
    EXPECT_EQ(Get<TCaptionPanel>("LblModInfo1")->text(), "strNToL");

    Rig->Server.log().clear();
    Window->BtBModWriteClick();
    EXPECT_EQ(Rig->Requests(),
              (std::vector<Bytes>{Write16(1, 1229), Write16(2, 0xFFA2), Write16(11, 1075), Write16(12, 37),
                                  Write16(13, 5), Write16(3, 748), Write16(4, 1496), Write16(5, 2244),
                                  Write16(6, 2992), Write16(7, 4096), Write16(8, 4506), Write16(9, 4915),
                                  Write16(10, 3686)}));
    EXPECT_TRUE(Questions.isEmpty()); // nothing changed: no gas-map question
}

// The bank-2 correction offset is a free edit: a value its word cannot hold
// is refused before the question and the first frame, quoting the range a
// settings file's reader quotes; either end of the word goes out as typed.
TEST_F(ModelPagesTest, ACorrectionOffsetBeyondItsWordIsRefusedBeforeAnyFrame)
{
    // A text that is no number is refused as such ("0,5,1" was sent as 0).
    const struct {
        const char *Typed;
        int Word; // -1: refused
        const char *Why = "strConfValueRange";
    } cases[] = {{"-500", -1},
                 {"175.2275", -1},
                 {"-100", 0x10000 - 18700},
                 {"-175.2299", 0x8000},
                 {"175.2245", 0x7FFF},
                 {"-0.5", 0x10000 - 94},
                 {"0,5,1", -1, "strConfValueNotNumber"},
                 {"0..5", -1, "strConfValueNotNumber"},
                 {"", -1, "strConfValueNotNumber"},
                 {"abc", -1, "strConfValueNotNumber"},
                 {"0,5", -1, "strConfValueNotNumber"}}; // English takes the point
    for (const uint8_t kind : {20, 21}) {
        Connect(kind, 'E');
        FillLinearModel();
        Window->ReadModelParams();
        auto *offset = Get<QLineEdit>("YEdModCorrectionOffset");
        for (int pass = 0; pass < 2; ++pass)
            for (const auto &c : cases) {
                SCOPED_TRACE(std::to_string(kind) + " " + c.Typed);
                offset->setText(QString::fromLatin1(c.Typed));
                Window->SetConfigModified(false);
                Questions.clear();
                Rig->Server.log().clear();
                Window->BtBModWriteClick();
                const auto frames = Rig->Requests();
                if (c.Word < 0) {
                    EXPECT_TRUE(frames.empty());
                    EXPECT_EQ(Questions.size(), 1);
                    EXPECT_TRUE(Questions.value(0).contains(QStringLiteral("-175.22\u00A0-\u2060\u00A0175.22")))
                        << Questions.value(0).toStdString();
                    // The field by name, then what is wrong.
                    EXPECT_TRUE(Questions.value(0).startsWith(QStringLiteral("strCorrOffsetCaption: !_")
                                                              + QLatin1String(c.Why)))
                        << Questions.value(0).toStdString();
                    EXPECT_EQ(offset->text(), QString::fromLatin1(c.Typed));
                    continue;
                }
                EXPECT_NE(std::find(frames.begin(), frames.end(), Write16(12, uint16_t(c.Word))), frames.end());
                Rig->Device([&c](SimControllerState &st) { EXPECT_EQ(st.Model[12], c.Word); });
            }
        // Leaving the modified page with such an offset: the refusal, before
        // any question; the page and the edit stay.
        Window->SetConfigModified(false);
        Get<QTabWidget>("PgCMain")->setCurrentWidget(Get<QWidget>("TbSCalibration"));
        Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get<QWidget>("TbSCalModel"));
        offset->setText(QStringLiteral("-500"));
        Window->SetConfigModified(true);
        Questions.clear();
        Rig->Server.log().clear();
        Window->MnIWindowMeasureClick();
        EXPECT_TRUE(Rig->Requests().empty());
        ASSERT_EQ(Questions.size(), 1);
        EXPECT_TRUE(Questions[0].contains(QStringLiteral("-175.22\u00A0-\u2060\u00A0175.22"))) << Questions[0].toStdString();
        EXPECT_EQ(Get<QTabWidget>("PgCMain")->currentWidget()->objectName(), "TbSCalibration");
        EXPECT_TRUE(Window->ConfigModified());
        EXPECT_EQ(offset->text(), "-500");
        Window->SetConfigModified(false);
    }
}

TEST_F(ModelPagesTest, LinearModelValuesBeyondTheUpDownsSurviveAnUntouchedWrite)
{
    Connect(20, 'E');
    // Thresholds 0 and 25 ms and enrichments +60 % and -60 %: beyond what the
    // up-downs show.
    Rig->Device([](SimControllerState &s) {
        Bytes &f = s.Payload[0x10];
        const uint16_t v[10] = {1024, 187, 0, 1496, 2244, 4675, 6554, 4096, 4096, 1638};
        for (int i = 0; i < 10; ++i)
            PutWord(f, 2 * i, v[i]);
    });
    Window->ReadModelParams();
    EXPECT_EQ(Get<QSpinBox>("UpDProgA")->value(), 1);
    Rig->Server.log().clear();
    Window->BtBModWriteClick();
    const auto frames = Rig->Requests();
    for (const Bytes &f : {Write16(3, 0), Write16(6, 4675), Write16(7, 6554), Write16(10, 1638)})
        EXPECT_NE(std::find(frames.begin(), frames.end(), f), frames.end()) << int(f[2]);
    // A value the user sets is written as set.
    Get<QSpinBox>("UpDProgA")->setValue(2);
    Rig->Server.log().clear();
    Window->BtBModWriteClick();
    const auto again = Rig->Requests();
    EXPECT_NE(std::find(again.begin(), again.end(), Write16(3, 374)), again.end());
    EXPECT_NE(std::find(again.begin(), again.end(), Write16(6, 4675)), again.end());
}

TEST_F(ModelPagesTest, ModifiedModelIsWrittenOnlyAfterTheChangeIsConfirmed)
{
    Connect(20, 'E');
    FillLinearModel();
    int commits = 0;
    Common->OnQueryModChange = [&commits](bool commit) {
        commits += commit;
        return true; // a change record applies
    };
    Window->ReadModelParams();
    Window->SetConfigModified(true);
    Rig->Server.log().clear();
    Window->BtBModWriteClick(); // answered No
    EXPECT_TRUE(Rig->Requests().empty());
    EXPECT_TRUE(Window->ConfigModified());
    ASSERT_EQ(Questions.size(), 1);
    EXPECT_TRUE(Questions[0].contains("strQModChange"));
    Reply = 6;
    Window->BtBModWriteClick();
    Common->OnQueryModChange = nullptr;
    EXPECT_EQ(commits, 1);
    const auto frames = Rig->Requests();
    // The model, then the gas-map count a confirmed change looks at.
    ASSERT_EQ(frames.size(), 14u);
    EXPECT_EQ(frames[12], Write16(10, 3686));
    EXPECT_EQ(frames[13], Request({0x31, 0, 198}));
    EXPECT_FALSE(Window->ConfigModified());
}

TEST_F(ModelPagesTest, LinearModelDefaultsDragAndRefusals)
{
    Connect(20, 'E');
    Window->resize(1000, 700);
    Get<QTabWidget>("PgCMain")->setCurrentWidget(Get<QWidget>("TbSCalibration"));
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get<QWidget>("TbSCalModel"));
    QCoreApplication::processEvents();
    Model->BtBModDefaultClick();
    EXPECT_EQ(Get<QLineEdit>("EdtModMULT_")->text(), "1");
    const double want[6][2] = {{0, 1}, {5, 6}, {10, 11}, {15, 16}, {20, 21}, {20, 21}};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ModelPoint(i), QPointF(want[i][0], want[i][1])) << i;
    Window->SetConfigModified(false);
    QWidget *view = Model->ChtModel->viewport();

    // B from (10, 11) to (12, 15.6): g(12) = 13, 15.6 is +20 % (a pixel
    // holds about a tenth of a millisecond: within a percent).
    Drag(view, ModelPixel(10, 11), ModelPixel(12, 15.6));
    EXPECT_EQ(Get<QSpinBox>("UpDProgB")->value(), 12);
    const int eB = Get<QSpinBox>("UpDWzbogacenieProgB")->value();
    EXPECT_NEAR(eB, 20, 1);
    EXPECT_EQ(ModelPoint(2), QPointF(12, (1 + eB / 100.0) * 13));
    EXPECT_TRUE(Window->ConfigModified());
    EXPECT_EQ(Model->ModelDragIndex, -1);
    // Onto its neighbour C, and onto A: refused.
    Drag(view, ModelPixel(12, 15.6), ModelPixel(15, 18));
    Drag(view, ModelPixel(12, 15.6), ModelPixel(5, 6));
    EXPECT_EQ(Get<QSpinBox>("UpDProgB")->value(), 12);
    // C onto D at 20 ms: refused; D stays at 20 (it may sit there).
    Drag(view, ModelPixel(15, 16), ModelPixel(20, 21));
    EXPECT_EQ(Get<QSpinBox>("UpDProgC")->value(), 15);
    // Far above: the enrichment stops at the device's +50 %.
    Drag(view, ModelPixel(15, 16), ModelPixel(14, 35));
    EXPECT_EQ(Get<QSpinBox>("UpDProgC")->value(), 14);
    EXPECT_EQ(Get<QSpinBox>("UpDWzbogacenieProgC")->value(), 50);
    EXPECT_NEAR(ModelPoint(3).y(), 1.5 * 15, 1e-9);
    // The point at 0 ms does not move.
    Drag(view, ModelPixel(0, 1), ModelPixel(2, 8));
    EXPECT_EQ(ModelPoint(0), QPointF(0, 1));

    // Offset -4 ms: the plain model is 0 at 4 ms, where no enrichment exists.
    auto *offset = Get<QSpinBox>("UpDModOffset");
    offset->setValue(-40);
    EXPECT_EQ(Get<QLineEdit>("YEdModOffset")->text(), "-4.0");
    Drag(view, ModelPixel(5, 1), ModelPixel(4, 3));
    EXPECT_EQ(Get<QSpinBox>("UpDProgA")->value(), 5);

    // The written enrichment stays in the device's range: +50 % is 6144.
    // With gas points measured for the old model, the user is asked to
    // clear them and is taken to the map page.
    Rig->Device([](SimControllerState &s) { s.RecordingCount2 = 5; });
    Reply = 6;
    Rig->Server.log().clear();
    Window->BtBModWriteClick();
    const auto frames = Rig->Requests();
    // Entering the map page reads its RPM range (parameter 19).
    ASSERT_EQ(frames.size(), 15u);
    EXPECT_EQ(frames[11], Write16(9, 6144));
    EXPECT_EQ(frames[13], Request({0x31, 0, 198}));
    EXPECT_EQ(frames[14], Request({0x07, 19}));
    EXPECT_EQ(Questions, QStringList{"strQGasMapClearAfterModelChange"});
    EXPECT_EQ(Get<QTabWidget>("PgCCalibration")->currentWidget(), Get<QWidget>("TbSCalMap"));
    EXPECT_EQ(frames[1], Write16(2, uint16_t(int16_t(-748))));
    EXPECT_FALSE(Window->ConfigModified());
}

TEST_F(ModelPagesTest, DefaultButtonMarksThePageModifiedSoSaveWritesAndOffersTheGasMapClear)
{
    Connect(20, 'E');
    FillLinearModel();
    Window->ReadModelParams();
    ASSERT_FALSE(Window->ConfigModified());
    Get<QAbstractButton>("BtBModDefault")->click();
    EXPECT_EQ(Get<QSpinBox>("UpDProgA")->value(), 5);
    EXPECT_TRUE(Window->ConfigModified());
    // Save sends the defaults, then looks at the gas points measured for the
    // old model and offers to clear them.
    Rig->Device([](SimControllerState &s) { s.RecordingCount2 = 5; });
    Reply = 6;
    Rig->Server.log().clear();
    Window->BtBModWriteClick();
    const auto frames = Rig->Requests();
    EXPECT_NE(std::find(frames.begin(), frames.end(), Write16(3, 5 * 187)), frames.end());
    EXPECT_NE(std::find(frames.begin(), frames.end(), Request({0x31, 0, 198})), frames.end());
    EXPECT_EQ(Questions, QStringList{"strQGasMapClearAfterModelChange"});
    EXPECT_FALSE(Window->ConfigModified());
}

TEST_F(ModelPagesTest, WritesSendNothingToALockedDeviceAndAFailedWriteKeepsThePageModified)
{
    Connect(20, 'E');
    FillLinearModel();
    Window->ReadModelParams();
    Rig->Device([](SimControllerState &s) { s.LockState = kSimLockedState; });
    Rig->Manager.SendCmd3F();
    Rig->Server.log().clear();
    Window->BtBModWriteClick();
    Window->BtBModel2WriteClick();
    Window->ReadModelParams();
    Window->ReadModel2Settings();
    EXPECT_TRUE(Rig->Requests().empty());

    Rig->Device([](SimControllerState &s) { s.LockState = kSimReadyState; });
    Rig->Manager.SendCmd3F();
    Window->SetConfigModified(true);
    // The device stops answering at parameter 12: the link is lost there.
    Rig->Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0x16 && f[2] == 12; }, Fault::noAnswer());
    Rig->Server.log().clear();
    Window->BtBModWriteClick();
    const auto frames = Rig->Requests();
    ASSERT_GE(frames.size(), 4u);
    EXPECT_EQ(frames[3], Write16(12, 37));
    EXPECT_LT(frames.size(), 13u);
    EXPECT_TRUE(Window->ConfigModified());
    ASSERT_EQ(Questions.size(), 1); // said, and no gas-map question
    EXPECT_TRUE(Questions[0].contains("strCalWhatModel")) << Questions[0].toStdString();
    Questions.clear();

    // Connected again, the second write completes it.
    Rig->Server.clearFaults();
    ASSERT_TRUE(Rig->Connect());
    Window->BtBModWriteClick();
    EXPECT_EQ(Rig->Requests().size(), 14u); // 13 parameters and the measured-point count
    EXPECT_FALSE(Window->ConfigModified());

    // An edit on the model sub-page, left by the user's click on another
    // sub-page or main page, Yes to the leave question, and the write does
    // not go through: the page stays, with the edit, marked; said so.
    Get<QTabWidget>("PgCMain")->setCurrentWidget(Get<QWidget>("TbSCalibration"));
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get<QWidget>("TbSCalModel"));
    auto *thresholdA = Get<QSpinBox>("UpDProgA");
    const int edited = thresholdA->value() + 1;
    thresholdA->setValue(edited);
    emit Window->ChangeHelper->OnModified(thresholdA); // the user's edit, as the change tracking reports it
    ASSERT_TRUE(Window->ConfigModified());
    Reply = 6;
    for (const char *sheet : {"TbSCalMap", "TbSDiagnostic"}) {
        SCOPED_TRACE(sheet);
        ASSERT_TRUE(Rig->Connect());
        Questions.clear();
        Rig->Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0x16 && f[2] == 12; }, Fault::noAnswer());
        ClickTab(*Window, sheet);
        Rig->Server.clearFaults();
        EXPECT_EQ(Get<QTabWidget>("PgCMain")->currentWidget()->objectName(), "TbSCalibration");
        EXPECT_EQ(Get<QTabWidget>("PgCCalibration")->currentWidget()->objectName(), "TbSCalModel");
        EXPECT_TRUE(Window->ConfigModified());
        EXPECT_EQ(thresholdA->value(), edited);
        ASSERT_EQ(Questions.size(), 2);
        EXPECT_TRUE(Questions[1].contains("strCalWhatModel")) << Questions[1].toStdString();
    }
    Reply = 7;
    Questions.clear();
    ASSERT_TRUE(Rig->Connect());

    // Model 2, unedited: the curve's block goes unanswered and the link is
    // lost; the page keeps its curve (no read-back replaces it) and is
    // marked modified.
    Model2->Curve() = {{0, 1}, {5, 6}, {25, 26}};
    Window->SetConfigModified(false);
    Rig->Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0xD5; }, Fault::noAnswer());
    Rig->Server.log().clear();
    Window->BtBModel2WriteClick();
    EXPECT_TRUE(Window->ConfigModified());
    ASSERT_EQ(Questions.size(), 1);
    EXPECT_TRUE(Questions[0].contains("strCalWhatModel")) << Questions[0].toStdString();
    EXPECT_EQ(Model2->Curve(), (QList<QPointF>{{0, 1}, {5, 6}, {25, 26}}));
    for (const Bytes &f : Rig->Requests())
        EXPECT_NE(f[1], 0xD4);
}

TEST_F(ModelPagesTest, Model2ReadThenWriteSendsTheValuesReadAndReadsBack)
{
    Connect(48, 'G');
    FillModel2();
    Window->ReadModel2Settings();
    const auto &c = Model2->Curve();
    ASSERT_EQ(c.size(), 5);
    EXPECT_NEAR(c[3].x(), 10.0107, 1e-4);
    EXPECT_EQ(Model2->Chart->Series[TModel2Chart::sAdapt].size(), 2);
    EXPECT_EQ(Model2->Chart->Series[TModel2Chart::sIdle], (QList<QPointF>{{3.0, 842 / 187.0}, {6.0, 7.0}}));
    EXPECT_EQ(Get<QLineEdit>("YEdCalSerIdle1Y")->text(), "4.5");
    EXPECT_EQ(Get<QLineEdit>("YEdModel2Offset")->text(), "1.0");
    EXPECT_EQ(Get<QLineEdit>("YEdModel2MULT")->text(), "25");
    EXPECT_TRUE(Get<QAbstractButton>("ChBModel2Adaptation")->isChecked());
    EXPECT_TRUE(Get<QAbstractButton>("ChBModel2WithIdlePoints")->isChecked());
    EXPECT_TRUE(Get<QAbstractButton>("ChBModel2CorrectionMask8")->isChecked());
    EXPECT_FALSE(Window->ConfigModified());

    Rig->Server.log().clear();
    Window->BtBModel2WriteClick();
    const auto frames = Rig->Requests();
    std::vector<Bytes> want = {
        Request({0x07, 31}), Request({0x08, 31, 0x40}),   // adaptation stays on
        Request({0x08, 30, 104}), Request({0x52, 8, 0, 0}),
        Write16(74, 1),                                   // Psys correction on
        Write16(1, 1280), Write16(2, 187), Write16(11, 1024), Write16(12, 0), Write16(13, 0x81)};
    for (uint8_t page = 0; page < 2; ++page) {
        Bytes body{0xD5, page};
        for (int j = 0; j < 10; ++j) {
            const int k = page * 10 + j;
            const int xs[5] = {0, 376, 936, 1872, 3740};
            const uint16_t x = k < 5 ? uint16_t(xs[k]) : 0xFFFF, y = k < 5 ? uint16_t(xs[k] * 5 / 4 + 187) : 0xFFFF;
            for (uint16_t v : {x, y}) {
                body.push_back(uint8_t(v >> 8));
                body.push_back(uint8_t(v));
            }
        }
        Bytes f;
        f.reserve(body.size() + 2);
        f.push_back(0xC0);
        for (uint8_t v : body)
            f.push_back(v);
        f.push_back(sum8(f, f.size()));
        want.push_back(f);
    }
    want.push_back(Request({0xC1, 0x02, 0x31, 0x03, 0x4A, 0x04, 0x62, 0x05, 0x1D}));
    want.push_back(Request({0x08, 37, 0x05}));
    ASSERT_GT(frames.size(), want.size());
    EXPECT_EQ(std::vector<Bytes>(frames.begin(), frames.begin() + long(want.size())), want);
    // Then the read-back, starting with the template.
    EXPECT_EQ(frames[want.size()], Request({0x95, 0}));
    EXPECT_FALSE(Window->ConfigModified());
    EXPECT_TRUE(Questions.isEmpty());
}

// The idle points show rounded to 0.1 ms: an unedited write sends them as
// the device holds them, not their texts (850 shows as 4.5, which is 842).
TEST_F(ModelPagesTest, Model2IdlePointsGoBackAsTheDeviceHoldsThem)
{
    Connect(48, 'G');
    FillModel2();
    Rig->Device([](SimControllerState &s) { PutWord(s.Payload[0xC0], 2, 850); });
    Window->ReadModel2Settings();
    EXPECT_EQ(Get<QLineEdit>("YEdCalSerIdle1Y")->text(), "4.5");
    Rig->Server.log().clear();
    Window->BtBModel2WriteClick();
    const auto frames = Rig->Requests();
    EXPECT_NE(std::find(frames.begin(), frames.end(),
                        Request({0xC1, 0x02, 0x31, 0x03, 0x52, 0x04, 0x62, 0x05, 0x1D})),
              frames.end());
}

// The hot idle time typed over its list and the bank-2 correction offset are
// read one way; a text that is no number the field holds is refused before
// anything is asked or sent, naming the field, and the page keeps it.
TEST_F(ModelPagesTest, Model2TypedFieldsGoOutAsTypedOrAreRefusedByName)
{
    Connect(48, 'G');
    FillModel2();
    Window->ReadModel2Settings();
    auto *idle = Get<QComboBox>("CmBConfIdleHotTb");
    auto *offset = Get<QLineEdit>("YEdModel2CorrectionOffset");
    QString idleName = Get<QLabel>("labelConfIdleHotTb")->text().trimmed();
    if (idleName.endsWith(u':'))
        idleName.chop(1);
    const struct {
        QWidget *Field;
        const char *Typed;
        QString Refusal; // empty: written
    } rows[] = {
        {idle, "1,7,1", idleName + QStringLiteral(": !_strConfValueNotNumber")},
        {idle, "0..5", idleName + QStringLiteral(": !_strConfValueNotNumber")},
        {idle, "", idleName + QStringLiteral(": !_strConfValueNotNumber")},
        {idle, "2,7", idleName + QStringLiteral(": !_strConfValueNotNumber")}, // English takes the point
        {idle, "400", idleName + QStringLiteral(": !_strConfValueRange")},
        {offset, "0,5,1", QStringLiteral("strCorrOffsetCaption: !_strConfValueNotNumber")},
        {offset, "x", QStringLiteral("strCorrOffsetCaption: !_strConfValueNotNumber")},
        {idle, "2.7", QString()},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.Typed);
        idle->setCurrentIndex(0);
        offset->setText(FormatDecimals(DeviceRecord.CorrectionOffset, 2));
        if (row.Field == idle)
            idle->setEditText(QString::fromLatin1(row.Typed));
        else
            offset->setText(QString::fromLatin1(row.Typed));
        Window->SetConfigModified(true);
        Questions.clear();
        Rig->Server.log().clear();
        Window->BtBModel2WriteClick();
        const auto frames = Rig->Requests();
        if (row.Refusal.isEmpty()) {
            // 2.7 ms x 187 = 504.9: 505.
            EXPECT_NE(std::find(frames.begin(), frames.end(), Request({0x52, 8, 0x01, 0xF9})), frames.end());
            continue;
        }
        EXPECT_TRUE(frames.empty());
        ASSERT_EQ(Questions.size(), 1);
        EXPECT_TRUE(Questions[0].startsWith(row.Refusal)) << Questions[0].toStdString();
        EXPECT_EQ(TypedInput::TextOf(row.Field), QString::fromLatin1(row.Typed));
        EXPECT_TRUE(Window->ConfigModified());
    }
    Window->SetConfigModified(false);
}

TEST_F(ModelPagesTest, Model2WriteKeepsEachOptionFlagOfParameter37)
{
    Connect(48, 'G');
    FillModel2();
    // Idle model (1) and Tred under load (4) as read, with the RPM wire (8),
    // the fuel overlap (16), the injector heating (32) and the preinjection
    // during cut-off (64) one at a time.
    for (const uint8_t flag : {8, 16, 32, 64}) {
        SCOPED_TRACE(int(flag));
        const uint8_t options = uint8_t(0x05 | flag);
        Rig->Device([options](SimControllerState &s) { s.Param8[37] = options; });
        Window->ReadModel2Settings();
        Rig->Server.log().clear();
        Window->BtBModel2WriteClick();
        const auto frames = Rig->Requests();
        EXPECT_NE(std::find(frames.begin(), frames.end(), Request({0x08, 37, options})), frames.end());
        EXPECT_EQ(Rig->Controller.State.Param8[37], options);
    }
}

TEST_F(ModelPagesTest, Model2WriteThroughTheHelperLogicSendsTheOptionWordAndThePressureCurve)
{
    // The helper logic reached as the program wires it.
    TProgramLogic logic;
    auto *saved = ProgramLogic;
    ProgramLogic = &logic;
    const auto hooks = Model2->Hooks;
    Model2->Hooks.UpdateOptionFlags = [] { ProgramLogic->UpdateOptionFlags(); };
    Model2->Hooks.SelectWorkPressure = [](bool write) { ProgramLogic->SelectWorkPressure(write); };
    Connect(48, 'G');
    FillModel2();
    Rig->Device([](SimControllerState &s) { s.Param8[30] = 94; });
    Window->ReadModel2Settings();
    auto *pressure = Get<QComboBox>("CmBConfWorkPressure");
    auto *idle = Get<QComboBox>("CmBConfIdleHotTb");
    EXPECT_EQ(pressure->currentText(), "0,90");
    EXPECT_EQ(idle->currentText(), FormatTimeMs(DeviceRecord.IdleHotTb));
    // 1,10 bar and 2,5 ms picked from the lists.
    pressure->setCurrentIndex(4);
    idle->setCurrentIndex(2);
    logic.SetLevel(5);
    Get<QAbstractButton>("ChBModel2WithIdlePoints")->setChecked(false);
    Rig->Server.log().clear();
    Window->BtBModel2WriteClick();
    Model2->Hooks = hooks;
    ProgramLogic = saved;

    const auto frames = Rig->Requests();
    ASSERT_GE(frames.size(), 7u);
    // Option word: as read (4) with "no idle points" (8) and the level's bits
    // 0 and 1; then the adaptation, the pressure, the hot idle time and the
    // pressure curve for 1,10 bar: the standard curve one step back.
    EXPECT_EQ(frames[0], Request({0x52, 14, 0x00, 0x0F}));
    EXPECT_EQ(frames[1], Request({0x07, 31}));
    EXPECT_EQ(frames[3], Request({0x08, 30, 113}));
    EXPECT_EQ(frames[4], Request({0x52, 8, 0x01, 0xD4})); // 2.5 x 187 = 467.5
    const int curve[20] = {102, 102, 80, 60, 47, 33, 23, 15, 9, 0, -6, -10, -12, -16, -18, -22, -24, -26, -28, -31};
    Bytes want{0xC0, 0xD1};
    for (int v : curve)
        want.push_back(uint8_t(int8_t(v)));
    want.push_back(sum8(want, want.size()));
    EXPECT_EQ(frames[5], want);
    EXPECT_EQ(frames[6], Write16(74, 1));
}

TEST_F(ModelPagesTest, Model2DefaultAndStepsThenAModifiedWriteAlsoSendsTheTemplate)
{
    Connect(48, 'G');
    FillModel2();
    Window->ReadModel2Settings();
    Model2->SetDefaultModel2Settings(false, false, false, 1.5, 0, true);
    EXPECT_EQ(Model2->Curve(), (QList<QPointF>{{0, 1.5}, {1.5, 3}, {4.5, 6}, {8, 9.5}, {15, 16.5}, {25, 26.5}}));
    EXPECT_EQ(Model2->Idle, (std::array<double, 4>{3.0, 4.5, 6.0, 7.5}));
    EXPECT_TRUE(Window->ConfigModified());
    // A slope step up moves every point after the first by 0.01 x, the idle
    // points too; an offset step down moves them by -0.1 ms.
    Get<QSpinBox>("UpDModel2Mult")->stepUp();
    EXPECT_NEAR(Model2->Curve()[5].y(), 26.75, 1e-9);
    EXPECT_NEAR(Model2->Curve()[0].y(), 1.5, 1e-9);
    EXPECT_NEAR(Model2->Idle[3], 7.56, 1e-9);
    Get<QSpinBox>("UpDModel2Offset")->stepDown();
    EXPECT_EQ(Get<QLineEdit>("YEdModel2Offset")->text(), "1.4");
    EXPECT_NEAR(Model2->Curve()[0].y(), 1.4, 1e-9);
    EXPECT_NEAR(Model2->Idle[1], 4.4, 1e-9);

    Rig->Server.log().clear();
    Window->BtBModel2WriteClick();
    std::vector<uint8_t> commands;
    for (const auto &f : Rig->Requests())
        commands.push_back(f[1]);
    // The template goes out before the model factors, the curve after them.
    const auto frames = Rig->Requests();
    auto at = [&](const Bytes &f) { return std::find(frames.begin(), frames.end(), f) - frames.begin(); };
    const long tpl = std::find(commands.begin(), commands.end(), 0x96) - commands.begin();
    const long curve = std::find(commands.begin(), commands.end(), 0xD5) - commands.begin();
    ASSERT_LT(tpl, long(commands.size()));
    EXPECT_LT(tpl, at(Write16(1, 1034)));
    EXPECT_LT(at(Write16(1, 1034)), curve);
    // The device now holds the default curve; the multiplier is the curve's:
    // (sum y - 6 b) / sum x = 1.01.
    EXPECT_EQ(Rig->Controller.State.Model[1], 1034);
    EXPECT_EQ(Rig->Controller.State.MapD4[0][4], 0x01); // x 280
    EXPECT_EQ(Rig->Controller.State.MapD4[0][5], 0x18);
    EXPECT_FALSE(Window->ConfigModified());
}

TEST_F(ModelPagesTest, Model2EditorKeepsPointsWithinTheirLimitsWithMouseAndKeys)
{
    Connect(48, 'G');
    FillModel2();
    Model2Geometry();
    auto &c = Model2->Curve();
    c = {{0, 1}, {5, 6}, {8, 9}, {25, 26}};
    Model2->Model2Modified = false;
    Window->SetConfigModified(false);
    QWidget *h = Host();
    auto click = [&](QPointF v, Qt::MouseButton b, Qt::KeyboardModifiers m = Qt::NoModifier) {
        Mouse(h, QEvent::MouseButtonPress, Px(v.x(), v.y()), b, b, m);
        Mouse(h, QEvent::MouseButtonRelease, Px(v.x(), v.y()), b, Qt::NoButton, m);
    };
    // A right click 0.1 ms beside a point is refused; 0.2 ms beside, the
    // point is added in x order and selected.
    click({5.1, 7}, Qt::RightButton);
    EXPECT_EQ(c.size(), 4);
    click({5.2, 7}, Qt::RightButton);
    ASSERT_EQ(c.size(), 5);
    EXPECT_EQ(c[2], QPointF(5.2, 7));
    EXPECT_EQ(Model2->SelectedPoint, 2);
    EXPECT_EQ(Kbd()->text(), "2");
    EXPECT_TRUE(Model2->Chart->MarkerActive);
    EXPECT_TRUE(Window->ConfigModified());
    // Not before the first point (the chart's margin); after the last one
    // it becomes the new last point, and the chart's top is no limit.
    click({-1.0, 3}, Qt::RightButton);
    EXPECT_EQ(c.size(), 5);
    click({25.5, 35.2}, Qt::RightButton);
    ASSERT_EQ(c.size(), 6);
    EXPECT_EQ(c.last(), QPointF(25.5, 35.2));
    EXPECT_EQ(Model2->SelectedPoint, 5);
    // Ctrl + left click: the first point stays (and is selected), an inner one goes.
    click({0, 1}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(c.size(), 6);
    EXPECT_EQ(Model2->SelectedPoint, 0);
    click({5.2, 7}, Qt::LeftButton, Qt::ControlModifier);
    click({25, 26}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(c, (QList<QPointF>{{0, 1}, {5, 6}, {8, 9}, {25.5, 35.2}}));
    c.last() = {25, 26};

    // Dragged past its neighbour at 8.0 a point stops at 7.8, above the chart
    // at 40 ms; dragged below 0 its y stays, dragged to 0 it takes 0.
    Drag(h, Px(5, 6), Px(9.5, 40));
    EXPECT_EQ(c[1], QPointF(7.8, 40));
    Drag(h, Px(7.8, 40), Px(3, -2));
    EXPECT_EQ(c[1], QPointF(3, 40));
    Drag(h, Px(3, 40), Px(3, 0));
    EXPECT_EQ(c[1], QPointF(3, 0));
    // The first and last points move only up and down.
    Drag(h, Px(0, 1), Px(2, 4));
    Drag(h, Px(25, 26), Px(20, 20));
    EXPECT_EQ(c[0], QPointF(0, 4));
    EXPECT_EQ(c[3], QPointF(25, 20));

    // Keyboard: the selected point steps 0.1 ms and keeps its limits.
    c = {{0, 1}, {7.8, 0.05}, {8, 9}, {25, 26}};
    click({7.8, 0.05}, Qt::LeftButton);
    ASSERT_EQ(Kbd()->text(), "1");
    Model2->Model2Modified = false;
    Key(Kbd(), Qt::Key_Right);
    Key(Kbd(), Qt::Key_Down);
    EXPECT_EQ(c[1], QPointF(7.8, 0.05));
    Key(Kbd(), Qt::Key_Left);
    Key(Kbd(), Qt::Key_Up);
    EXPECT_DOUBLE_EQ(c[1].x(), 7.7);
    EXPECT_NEAR(c[1].y(), 0.15, 1e-12);
    EXPECT_TRUE(Model2->Model2Modified);
    c[1].setY(34.95);
    Key(Kbd(), Qt::Key_Up);
    EXPECT_DOUBLE_EQ(c[1].y(), 35.05);
    // Walking the selection: after an edit the mark stays set; without one
    // it is cleared.
    Window->SetConfigModified(true);
    Key(Kbd(), Qt::Key_PageUp);
    EXPECT_EQ(Model2->SelectedPoint, 2);
    EXPECT_TRUE(Window->ConfigModified());
    Model2->Model2Modified = false;
    Key(Kbd(), Qt::Key_PageDown);
    EXPECT_EQ(Kbd()->text(), "1");
    EXPECT_FALSE(Window->ConfigModified());
    Key(Kbd(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Kbd()->text(), "2");
    // Insert adds the midpoint to the next point; not after the last one.
    Key(Kbd(), Qt::Key_Insert);
    ASSERT_EQ(c.size(), 5);
    EXPECT_EQ(c[3], QPointF(16.5, 17.5));
    EXPECT_EQ(Kbd()->text(), "3");
    Key(Kbd(), Qt::Key_PageUp);
    Key(Kbd(), Qt::Key_Insert);
    Key(Kbd(), Qt::Key_Delete);
    EXPECT_EQ(c.size(), 5);
    Key(Kbd(), Qt::Key_PageDown);
    Key(Kbd(), Qt::Key_Delete);
    EXPECT_EQ(c, (QList<QPointF>{{0, 1}, {7.7, 35.05}, {8, 9}, {25, 26}}));
    EXPECT_EQ(Kbd()->text(), "3");
    Key(Kbd(), Qt::Key_A);
    EXPECT_EQ(c.size(), 4);
    // Escape throws the edits away: the device's curve again.
    Key(Kbd(), Qt::Key_Escape);
    EXPECT_EQ(c.size(), 5);
    EXPECT_FALSE(Window->ConfigModified());

    // Without the link a Ctrl + left click deletes nothing, now or later.
    Rig.reset();
    click({5, 6.25}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(c.size(), 5);
    EXPECT_EQ(Model2->DeletePoint, -1);
}

TEST_F(ModelPagesTest, ReadingsAndTickReachThePagesThroughTheWindow)
{
    Connect(48, 'G');
    Get<QTabWidget>("PgCMain")->setCurrentWidget(Get<QWidget>("TbSCalibration"));
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get<QWidget>("TbSCalModel2"));
    DeviceRecord.PetrolTime[0] = 935; // 5 ms
    DeviceRecord.GasSwitchState = 3;
    qint64 now = 10000;
    TFormMain::SetClock([&now] { return now; });
    Model2->Chart->MarkerActive = true;
    Model2->Chart->MarkerColour = TModel2Chart::White;
    Window->UpdateLiveReadings();
    const QPointF live = Model2->Chart->Series[TModel2Chart::sActual].value(0);
    EXPECT_DOUBLE_EQ(live.x(), Window->GetPetrolInjTime());
    EXPECT_DOUBLE_EQ(live.y(), 0.3);
    EXPECT_EQ(Model2->Chart->MarkerColour, TModel2Chart::Red);
    now += 100;
    Window->UpdateLiveReadings();
    EXPECT_EQ(Model2->Chart->MarkerColour, TModel2Chart::Red);
    now += 400;
    Window->UpdateLiveReadings();
    EXPECT_EQ(Model2->Chart->MarkerColour, TModel2Chart::White);
    Model2->Chart->MarkerActive = false;
    TFormMain::SetClock({});

    // The model chart's live point.
    Get<QTabWidget>("PgCCalibration")->setCurrentWidget(Get<QWidget>("TbSCalModel"));
    Window->UpdateLiveReadings();
    EXPECT_DOUBLE_EQ(Model->Series(4)->at(0).x(), Window->GetPetrolInjTime());

    // The adaptation switch may be turned on only with a complete map.
    auto *adaptation = Get<QAbstractButton>("ChBModel2Adaptation");
    TCommon::SetCheckedSilently(adaptation, false);
    Model2->AdaptMapComplete = false;
    Window->UpdateModel2AdaptationControls();
    EXPECT_FALSE(adaptation->isEnabled());
    EXPECT_FALSE(Get<QWidget>("LblModel2AdaptMapIncomplete")->isHidden());
    Model2->AdaptMapComplete = true;
    Window->UpdateModel2AdaptationControls();
    EXPECT_TRUE(adaptation->isEnabled());
    EXPECT_TRUE(Get<QWidget>("LblModel2AdaptMapIncomplete")->isHidden());

    // The zoom widens the chart inside its scroll box.
    auto *zoom = Get<QSlider>("TrBMod2MaxTb");
    QWidget *box = Get<QScrollArea>("ScrChartModel2")->viewport();
    EXPECT_EQ(zoom->maximum(), 25);
    zoom->setValue(10);
    EXPECT_EQ(Host()->width(), int(std::nearbyint((box->width() - 34) * 2.5)) + 34);
    zoom->setValue(25);
    EXPECT_EQ(Host()->width(), box->width());
}

TEST_F(ModelPagesTest, PagesShowAModelReadFromTheDevice)
{
    Window->resize(1000, 700);
    Get<QTabWidget>("PgCMain")->setCurrentWidget(Get<QWidget>("TbSCalibration"));
    auto *pages = Get<QTabWidget>("PgCCalibration");
    Connect(20, 'E');
    FillLinearModel();
    Window->ReadModelParams();
    pages->setCurrentWidget(Get<QWidget>("TbSCalModel"));
    QCoreApplication::processEvents();
    const QImage model = Get<QWidget>("TbSCalModel")->grab().toImage();

    Connect(48, 'G');
    FillModel2();
    Rig->Device([](SimControllerState &s) { s.Param8[31] = 0; }); // not adapting: the model tab shows
    Window->ReadModel2Settings();
    pages->setCurrentWidget(Get<QWidget>("TbSCalModel2"));
    Get<QTabWidget>("PgCModel2Model")->setCurrentWidget(Get<QWidget>("TbSModel2Model"));
    Model2->TrBMod2MaxTbChange();
    QCoreApplication::processEvents();
    const QImage model2 = Get<QWidget>("TbSCalModel2")->grab().toImage();
    if (qEnvironmentVariableIsSet("TARON_SCREENSHOTS")) {
        model.save(testsupport::ScreenshotPath(QStringLiteral("model-page.png")));
        model2.save(testsupport::ScreenshotPath(QStringLiteral("model2-page.png")));
    }
    // The curve's points are drawn where the editor picks them.
    const QImage chart = Host()->grab().toImage();
    const QRect a = Model2->Chart->PlotArea();
    ASSERT_EQ(Model2->Curve().size(), 5);
    for (const QPointF &p : Model2->Curve()) {
        const QPoint px(ModelMath::XPixelForValue(p.x(), a.width()), ModelMath::YPixelForValue(p.y(), a.height()));
        if (!chart.rect().contains(px))
            continue;
        const QColor c = chart.pixelColor(px);
        EXPECT_TRUE(c.green() > 150 && c.red() < 100) << p.x() << " " << c.name().toStdString();
    }
}

TEST_F(ModelPagesTest, SettingsFileModelIsLoadedCheckedAndWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("car.ddf"));
    // A kind-20/21 settings file with the model section given.
    auto file = [&](const QByteArray &model) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("[Info]\r\nVer=0000014E\r\n[Config]\r\nInjSW=4\r\n[Model]\r\n" + model);
    };
    Model->Hooks.ChooseSettingsFile = Model2->Hooks.ChooseSettingsFile = [&] { return path; };
    Connect(20, 'E');

    // Mult 1.1 and offset 0.8 ms; the thresholds and enrichments missing in
    // the file take their defaults; OK writes the model.
    // A whole number in another form is that number.
    file("Mult=1,1\r\nOffset=0.8\r\nP1=4\r\nP3=1.6e1\r\nP4=20\r\nE2=-10\r\nCorrectionMask=3\r\n");
    Reply = 1; // OK
    Model->SpBModReadFromClick();
    EXPECT_EQ(Get<QSpinBox>("UpDProgA")->value(), 4);
    EXPECT_EQ(Get<QSpinBox>("UpDProgB")->value(), 10);
    EXPECT_EQ(Get<QSpinBox>("UpDProgC")->value(), 16);
    auto frames = Rig->Requests();
    ASSERT_EQ(frames.size(), 13u);
    EXPECT_EQ(frames[0], Write16(1, 1126)); // 1.1 x 1024 = 1126.4
    EXPECT_EQ(frames[1], Write16(2, 150));  // 0.8 x 187 = 149.6
    EXPECT_EQ(frames[4], Write16(13, 3));
    EXPECT_EQ(frames[5], Write16(3, 748));
    EXPECT_EQ(frames[8], Write16(6, 3740));
    EXPECT_EQ(frames[10], Write16(8, 3686));

    // Refused as File > Load refuses them, naming the file, the key and the
    // range: what the device cannot hold, a file cut short, a value that is
    // no number, and what the page cannot show (the page's range). The pages
    // show nothing new and nothing is sent.
    TLM lm;
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    TLM *savedLm = LM;
    LM = &lm;
    Rig->Server.log().clear();
    Model2->Curve() = {{0, 1}, {25, 26}};
    const QString offsetShown = Get<QLineEdit>("YEdModOffset")->text();
    const struct {
        bool Model2;
        QByteArray Model;
        const char *Detail;
        const char *Reason;
        bool Polish = false; // read on a Polish desktop: the numbers still in English, the language shown
    } refused[] = {
        // Bounds as precise as the pages' fields, rounded inwards: each is
        // itself taken.
        {false, "Offset=500\r\n", "Offset=500", "is outside what the device accepts (-175.22 - 175.22)"},
        {false, "Mult=100\r\n", "Mult=100", "is outside what the device accepts (0 - 63.99)"},
        {false, "Mult=100\r\n", "Mult=100", "(0 - 63.99)", true},
        {false, "Mult=-1\r\n", "Mult=-1", "(0 - 63.99)"},
        {false, "CorrectionOffset=-500\r\n", "CorrectionOffset=-500", "(-175.22 - 175.22)"},
        {false, "CorrectionOffset=-500\r\n", "CorrectionOffset=-500", "(-175.22 - 175.22)", true},
        {false, "CorrectionMult=100\r\n", "CorrectionMult=100", "(0 - 63.99)"},
        {false, "Mult=1,1\r\nOffs", "Offs...", "The file is cut short: line 7 has no line end."},
        {false, "P1=16\r\n", "P1=16", "is outside what this page can show (1 - 14)"},
        {false, "E1=5000\r\n", "E1=5000", "is outside what the device accepts (-100 - 1500)"},
        {false, "E1=60\r\n", "E1=60", "is outside what this page can show (-50 - 50)"},
        {false, "Mult=1.5\r\n", "Mult=1.5", "is outside what this page can show (0.6 - 1.4)"},
        {false, "Mult=1.5\r\n", "Mult=1.5", "is outside what this page can show (0.6 - 1.4)", true},
        {false, "Mult=1\r\nE1=abc\r\n", "E1=abc", "is not a number; the device accepts numbers (-100 - 1500)"},
        {true, "Mult=1\r\nOffset=1\r\nM2XP0=0\r\nM2YP0=18.7\r\nM2XP1=935\r\nM2YP1=1122\r\n", "M2YP0=18.7",
         "is not a whole number; the device accepts whole numbers (0 - 65535)"},
        {true, "Mult=1\r\nOffset=1\r\nM2XP0=0\r\nM2YP0=187\r\nM2XP1=1870\r\nM2YP1=2057\r\nM2XP2=935\r\n", "M2XP2=935",
         "is outside what this page can show (1871 - 65535)"},
        // Two points at one x do not rise; a point at the page's last x is
        // one the page shows.
        {true, "Mult=1\r\nOffset=1\r\nM2XP0=0\r\nM2YP0=187\r\nM2XP1=935\r\nM2YP1=1122\r\nM2XP2=935\r\n"
               "M2XP3=65535\r\nM2XP4=65535\r\nM2XP5=65535\r\nM2XP6=65535\r\n",
         "M2XP2=935", "is outside what this page can show (936 - 65535)"},
        {true, "Mult=1\r\nOffset=1\r\nM2XP0=0\r\nM2YP0=187\r\nM2XP1=5610\r\nM2YP1=1122\r\nM2XP2=935\r\n"
               "M2XP3=65535\r\nM2XP4=65535\r\nM2XP5=65535\r\nM2XP6=65535\r\n",
         "M2XP2=935", "is outside what this page can show (5611 - 65535)"},
        {true, "Offset=7\r\n", "Offset=7", "is outside what this page can show (-4 - 6)"},
        {true, "", "[Model]", "The section [Model] is missing."},
    };
    const QLocale savedLocale;
    for (const auto &c : refused) {
        SCOPED_TRACE(c.Detail);
        file(c.Model);
        Questions.clear();
        QLocale::setDefault(c.Polish ? QLocale(QLocale::Polish, QLocale::Poland) : savedLocale);
        if (c.Model2)
            Model2->SpBModel2ReadFromClick();
        else
            Model->SpBModReadFromClick();
        QLocale::setDefault(savedLocale);
        ASSERT_EQ(Questions.size(), 1);
        const QStringList parts = Questions[0].split(QStringLiteral("\r\n"));
        ASSERT_EQ(parts.size(), 4);
        EXPECT_EQ(parts[0], QStringLiteral("Invalid settings file [%1]").arg(QLatin1String(c.Detail)));
        EXPECT_EQ(parts[2], path);
        EXPECT_TRUE(parts[3].contains(QLatin1String(c.Reason))) << parts[3].toStdString();
        EXPECT_EQ(Get<QSpinBox>("UpDProgA")->value(), 4);
        EXPECT_EQ(Get<QSpinBox>("UpDModMult")->value(), 10);
        EXPECT_EQ(Get<QLineEdit>("YEdModOffset")->text(), offsetShown);
        EXPECT_EQ(Model2->Curve(), (QList<QPointF>{{0, 1}, {25, 26}}));
        EXPECT_TRUE(Rig->Requests().empty());
    }
    LM = savedLm;

    QByteArray text = "Mult=1\r\nOffset=1\r\n";
    for (int k = 0; k < 20; ++k)
        text += QByteArray("M2XP") + QByteArray::number(k) + "=" + QByteArray::number(k < 3 ? k * 935 : 65535)
                + "\r\nM2YP" + QByteArray::number(k) + "=" + QByteArray::number(k < 3 ? 187 + k * 1000 : 65535) + "\r\n";
    file(text);
    Reply = 2; // Cancel: shown, not written
    Model2->SpBModel2ReadFromClick();
    EXPECT_EQ(Model2->Curve(), (QList<QPointF>{{0, 1}, {5, 1187 / 187.0}, {10, 2187 / 187.0}}));
    EXPECT_TRUE(Rig->Requests().empty());
}

TEST_F(ModelPagesTest, TheWindowsOperationsReachThePages)
{
    Connect(48, 'G');
    Window->BtBModel2DefaultClick();
    EXPECT_EQ(Model2->Curve().size(), 6);
    Model2->Idle = {2.0, 2.5, 5.0, 6.5};
    Window->UpdateModel2Labels();
    EXPECT_EQ(Get<QLineEdit>("YEdCalSerIdle2Y")->text(), "6.5");

    Model->BtBModDefaultClick();
    Get<TCaptionPanel>("LblModInfo1")->SetCaption(QString());
    Window->EdtModMULT_Change();
    EXPECT_EQ(Get<TCaptionPanel>("LblModInfo1")->text(), "strNok");
    Model->Series(3)->clear();
    Window->DrawModelChart();
    EXPECT_EQ(Model->Series(3)->count(), 6);

    FillModel2();
    Window->ReadModel2Settings();
    ASSERT_TRUE(Get<QAbstractButton>("ChBModel2CorrectionMask8")->isChecked());
    ASSERT_TRUE(Get<QAbstractButton>("ChBModel2UseOnIdleModel")->isChecked());
    ASSERT_GE(Get<QComboBox>("CmBConfWorkPressure")->currentIndex(), 0);
    // A user's step of the multiplier, the offsets cleared to zero and a
    // settings file's model shown (not written), in a Polish user's notation.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    Get<QSpinBox>("UpDModMult")->setValue(5);
    EXPECT_EQ(Get<QLineEdit>("EdtModMULT_")->text(), "1,05");
    Window->ClearCalibrationControls();
    for (const char *zero : {"YEdModOffset", "YEdModCorrectionOffset", "YEdModel2Offset"})
        EXPECT_EQ(Get<QLineEdit>(zero)->text(), "0") << zero;
    EXPECT_EQ(Get<QLineEdit>("YEdModel2CorrectionOffset")->text(), "0,00");
    EXPECT_TRUE(Model2->Curve().isEmpty());
    EXPECT_FALSE(Get<QAbstractButton>("ChBModel2CorrectionMask8")->isChecked());
    EXPECT_FALSE(Get<QAbstractButton>("ChBModel2UseOnIdleModel")->isChecked());
    EXPECT_EQ(Get<QComboBox>("CmBConfWorkPressure")->currentIndex(), -1);
    EXPECT_TRUE(Get<QComboBox>("CmBConfIdleHotTb")->currentText().isEmpty());
    EXPECT_TRUE(Get<QLineEdit>("EdtModMULT_")->text().isEmpty());
    EXPECT_EQ(Model->Series(3)->at(3).y(), 0.0);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("car.ddf"));
    testsupport::WriteAll(path, "[Info]\r\nVer=0000030G STD [0]\r\n[Config]\r\nPanelLED=1\r\n"
                                "[Model]\r\nMult=1,25\r\nOffset=-0,5\r\n[Map]\r\nMapRPMRange=0\r\n");
    Window->SettingsFileDialog = [&](bool, const QString &, const QString &) { return path; };
    Reply = 2; // Cancel
    Window->MnIFileLoadCnfClick();
    QLocale::setDefault(saved);
    EXPECT_EQ(Get<QLineEdit>("EdtModMULT_")->text(), "1,25");
    EXPECT_EQ(Get<QLineEdit>("YEdModOffset")->text(), "-0,50");
}
