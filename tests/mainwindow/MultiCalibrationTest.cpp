// The kind-48 calibration window docked into the main window, reached and
// driven as the user reaches it, against the simulated controller.
#include "common/PaintedTexts.h"
#include "common/WaitUntil.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"

#include "controls/DigitalDisplay.h"
#include "controls/ResizeHelper.h"
#include "core/DevData.h"
#include "core/ui/Custom.h"
#include "core/UnitConversions.h"
#include "core/ui/ProgramLogic.h"
#include "core/ui/TypedInput.h"
#include "mainwindow/configuration/Model2Chart.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/Kind48Math.h"
#include "windows/MultiCalAutoPage.h"
#include "windows/MultiCalCorrectionsPage.h"
#include "windows/MultiCalMapPage.h"
#include "windows/MultiCalModelPage.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QtCharts/QXYSeries>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QLocale>
#include <QPaintEngine>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSpinBox>

#include <gtest/gtest.h>

// A key pressed on a window as the window system delivers it: its shortcuts
// first (exported by the toolkit for its own test library).
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow *w, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString &text = QString(), bool autorep = false, ushort count = 1);

using namespace shellwiring;
using sim::Bytes;
using startup::SimDevice;
using startup::StartupRig;

namespace {

constexpr int Yes = 6, No = 7, Cancel = 2;

// A connected kind-48 device with a model, a template and recorded points,
// the main window as the program wires it, and its calibration window.
struct Cal48 {
    explicit Cal48(char version = 'I') : device(rig.PortsDir, 5, 48, version)
    {
        device.Server.withLock([this] { Fill(device.Controller.State); });
        rig.Wire = Wire;
        rig.Create();
        rig.HoldTimer();
        rig.Tick();
        Window = FrmMultiCalibrationTaronQV;
        logic.Wait = [](int) {};
        ProgramLogic = &logic;
        device.Server.log().clear();
    }
    ~Cal48() { ProgramLogic = nullptr; }

    static void Fill(sim::SimControllerState &s)
    {
        s.Param16[8] = 468;              // idle petrol time 2.5 ms
        s.Param16[17] = 800;
        s.Model[1] = 1024;               // factor 1.0
        s.Model[2] = 187;                // offset 1.0 ms
        s.Model[11] = 1024;              // no second correction
        const int xs[7] = {0, 374, 748, 1496, 2244, 2805, 4675};
        for (int p = 0; p < 2; ++p)
            for (int j = 0; j < 10; ++j) {
                const int k = p * 10 + j;
                const uint16_t x = k < 7 ? uint16_t(xs[k]) : 0xFFFF, y = k < 7 ? uint16_t(xs[k] + 187) : 0xFFFF;
                auto &page = s.MapD4[size_t(p)];
                page[size_t(4 * j)] = uint8_t(x >> 8);
                page[size_t(4 * j + 1)] = uint8_t(x);
                page[size_t(4 * j + 2)] = uint8_t(y >> 8);
                page[size_t(4 * j + 3)] = uint8_t(y);
            }
        s.Model2 = s.MapD4;
        s.Payload[0xD0][0] = 0xF2;       // -14 % at the first system pressure
        // A petrol template valid in 39 of its 40 rows.
        for (int k = 0; k < 39; ++k) {
            const uint16_t w = uint16_t(0x8000 | (374 + 10 * k));
            s.RowsDC[size_t(k)][0] = uint8_t(w >> 8);
            s.RowsDC[size_t(k)][1] = uint8_t(w);
        }
        // Recorded points: petrol and gas over the manifold pressure.
        const double pts[][2] = {{0.3, 2.0}, {0.5, 3.0}, {0.7, 4.0}, {0.9, 6.0}};
        for (int i = 0; i < 4; ++i) {
            s.Recording1[size_t(i)] = PackMapPoint(1, pts[i][1], pts[i][0]);
            s.Recording2[size_t(i)] = PackMapPoint(1, pts[i][1] * 0.9, pts[i][0]);
        }
        s.RecordingCount1 = s.RecordingCount2 = 4;
        // Live values: a warm reducer, 2.5 ms of petrol and 4 ms of gas on each cylinder.
        for (uint8_t command : {uint8_t(0x05), uint8_t(0x0B)}) {
            Bytes &live = s.Payload[command];
            live[1] = 60;
            for (int c = 0; c < 4; ++c) {
                live[size_t(8 + 2 * c)] = uint8_t(468 >> 8);
                live[size_t(9 + 2 * c)] = uint8_t(468 & 0xFF);
                live[size_t(16 + 2 * c)] = uint8_t(748 >> 8);
                live[size_t(17 + 2 * c)] = uint8_t(748 & 0xFF);
            }
        }
        // 0.3 bar in the manifold.
        s.Payload[0x0B][40] = s.Payload[0x22][0] = CollectorPressureToRawFor(0, 0.3);
    }

    TFormMain &Form() { return *rig.Form; }
    // Requests of the controller since the last clear, as (command, first byte).
    std::vector<std::pair<int, int>> Sent() const
    {
        std::vector<std::pair<int, int>> out;
        for (const auto &f : device.Server.log().frames())
            if (f.bytes.size() >= 4 && f.bytes[0] == 0xC0)
                out.emplace_back(f.bytes[1], f.bytes[2]);
        return out;
    }
    std::vector<Bytes> Frames() const { return device.Server.log().bytes(); }
    void EnterCalibration()
    {
        ClickTab(Form(), "TbSMultiCalibration");
        device.Server.log().clear();
    }
    QStringList Texts() const { return rig.BoxTexts(); }

    StartupRig rig{5};
    SimDevice device;
    TProgramLogic logic;
    TFrmMultiCalibrationTaronQV *Window = nullptr;
};

// The read of everything the window shows, in its order.
const std::vector<std::pair<int, int>> FullRead = {
    {0x51, 8}, {0x51, 17}, {0x07, 47}, {0x12, 1}, {0x12, 2}, {0xD4, 0}, {0xD4, 1}, {0x12, 83}, {0x07, 19},
    {0x95, 0}, {0x95, 1}, {0x12, 11}, {0x12, 12}, {0x12, 13}, {0x12, 74}, {0xD0, 0}, {0x97, 0}, {0xD2, 0},
    {0xDB, 0}, {0x12, 104}, {0x07, 31}, {0x07, 52}, {0x07, 48}, {0xDC, 0}};

// The model write, up to the point tables: the adaptation tab's bank-2
// correction (factor, offset, mask) goes out with the model.
const std::vector<std::pair<int, int>> ModelWrite = {
    {0x52, 8}, {0x52, 17}, {0x08, 47}, {0x16, 1}, {0x16, 2}, {0x16, 11}, {0x16, 12}, {0x16, 13}, {0x08, 31},
    {0x08, 52}, {0x16, 83}, {0x08, 48}, {0xD5, 0}, {0xD5, 1}, {0x96, 0}, {0x96, 1}};

// A user's click on the tab of one of the window's pages.
void ClickSheet(QWidget *sheet)
{
    auto *pages = qobject_cast<QTabWidget *>(sheet->parentWidget()->parentWidget());
    QTabBar *bar = pages->tabBar();
    const QPoint at = bar->tabRect(pages->indexOf(sheet)).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &press);
}

std::vector<std::pair<int, int>> Head(const std::vector<std::pair<int, int>> &v, size_t n)
{
    return std::vector<std::pair<int, int>>(v.begin(), v.begin() + long(std::min(n, v.size())));
}

void Press(QWidget *widget, int key, const QString &text = {})
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

TEST(MultiCalibration, ReachedByTabAndFunctionKeysAfterAFullRead)
{
    Cal48 c;
    ASSERT_NE(c.Window, nullptr);
    EXPECT_TRUE(VisibleTabs(c.Form(), "PgCMain").contains("TbSMultiCalibration"));
    c.EnterCalibration();
    // Entering the tab read everything; read again by the model page's button.
    c.Window->Model->BtBModel2Read->click();
    auto sent = c.Sent();
    ASSERT_GE(sent.size(), FullRead.size() + 39);
    EXPECT_EQ(Head(sent, FullRead.size()), FullRead);
    EXPECT_EQ(sent[FullRead.size() + 38], std::make_pair(0xDC, 39));
    EXPECT_EQ(SafeStrToFloat(c.Window->Model->CmBKnfIdleHotTb->currentText()), 2.5);
    // The idle values in the notation of the language shown (Polish), whatever
    // the user's desktop.
    for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Polish, QLocale::Poland)}) {
        const QLocale saved;
        QLocale::setDefault(locale);
        c.Window->Model->BtBModel2Read->click();
        QLocale::setDefault(saved);
        EXPECT_EQ(c.Window->Model->CmBKnfIdleHotTb->currentText(), "2,5");
        EXPECT_EQ(c.Window->Model->CmBKnfIdleHotPcol->currentText().mid(1, 1), ",");
    }
    EXPECT_EQ(c.Window->Model->CmBKnfIdleHotTb->itemText(10), "2,5");
    EXPECT_EQ(c.Window->Corrections->Edits[0][0]->text(), "-14");
    EXPECT_EQ(c.Window->ModelMode, 1) << "39 valid template rows";
    EXPECT_EQ(c.Window->Model->Chart->Series[TModel2Chart::sPoints].size(), 7);
    EXPECT_FALSE(c.Window->Modified());

    // F8 to F11 open the window's pages.
    const std::pair<const char *, QWidget *> keys[] = {
        {"MnIWindowMultiCalbrationAuto", c.Window->TbSMultiCalibrationAuto},
        {"MnIWindowMultiCalibrationModel", c.Window->TbSMultiCalibrationModel},
        {"MnIWindowMultiCalibrationMap", c.Window->TbSMultiCalibrationMap},
        {"MnIWindowMultiCalibrationCorrections", c.Window->TbSMultiCalibrationCorrections}};
    const int fkeys[] = {Qt::Key_F8, Qt::Key_F9, Qt::Key_F10, Qt::Key_F11};
    for (int i = 0; i < 4; ++i) {
        auto *item = Get<QAction>(c.Form(), keys[i].first);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->shortcut(), QKeySequence(fkeys[i]));
        item->trigger();
        EXPECT_EQ(c.Window->PgCCalibration->currentWidget(), keys[i].second);
    }
}

// The function keys, pressed on the shown main window: a jump from another
// main page enters the window once (one full read) onto the page asked for;
// on the window already shown a key changes its page as a tab click does
// (the leave question, one full read), and the key of the page shown neither
// asks nor reads. F3 on the shown configuration window reads nothing again.
TEST(MultiCalibration, FunctionKeysEnterTheWindowOnceAndChangeItsPageAsItsTabDoes)
{
    for (const char version : {'A', 'G', 'J'}) {
        SCOPED_TRACE(testing::Message() << "version " << version);
        Cal48 c(version);
        TFormMain &form = c.Form();
        form.SetScreenSizeForCheck(QSize(1280, 1024));
        form.show();
        form.activateWindow();
        testsupport::EventsUntil([&form] { return form.isActiveWindow(); });
        ASSERT_TRUE(form.isActiveWindow());
        const auto press = [&form](int key) {
            qt_handleKeyEvent(form.windowHandle(), QEvent::KeyPress, key, Qt::NoModifier);
            qt_handleKeyEvent(form.windowHandle(), QEvent::KeyRelease, key, Qt::NoModifier);
        };
        const auto reads = [&c](int command, int first) {
            const auto sent = c.Sent();
            return std::count(sent.begin(), sent.end(), std::make_pair(command, first));
        };
        TFrmMultiCalibrationTaronQV &w = *c.Window;
        // Each key differs from the page the window showed before it.
        const std::pair<int, QWidget *> keys[] = {{Qt::Key_F11, w.TbSMultiCalibrationCorrections},
                                                  {Qt::Key_F8, w.TbSMultiCalibrationAuto},
                                                  {Qt::Key_F9, w.TbSMultiCalibrationModel},
                                                  {Qt::Key_F10, w.TbSMultiCalibrationMap}};
        for (const auto &[key, sheet] : keys) {
            SCOPED_TRACE(QKeySequence(key).toString().toStdString());
            press(Qt::Key_F2);
            ASSERT_EQ(Current(form, "PgCMain"), "TbSMeasure");
            c.device.Server.log().clear();
            press(key);
            EXPECT_EQ(Current(form, "PgCMain"), "TbSMultiCalibration");
            EXPECT_EQ(w.PgCCalibration->currentWidget(), sheet);
            EXPECT_EQ(reads(0x51, 8), 1);
            EXPECT_EQ(reads(0xD4, 0), 1);
        }
        for (const auto &[key, sheet] : keys) {
            SCOPED_TRACE(QKeySequence(key).toString().toStdString());
            c.device.Server.log().clear();
            press(key);
            EXPECT_EQ(w.PgCCalibration->currentWidget(), sheet);
            EXPECT_EQ(reads(0x51, 8), 1);
            EXPECT_EQ(reads(0xD4, 0), 1);
        }
        // An edit on the model page: its own key keeps it without a word; another
        // page's key asks, and Cancel keeps the page and the edit.
        press(Qt::Key_F9);
        w.Model->UpDCalModellingBasedMult->stepBy(3);
        ASSERT_TRUE(w.Modified());
        int asked = 0, answer = Cancel;
        c.rig.Answer = [&](const TMessageBoxInfo &) { return ++asked, answer; };
        c.device.Server.log().clear();
        press(Qt::Key_F9);
        EXPECT_EQ(asked, 0);
        EXPECT_EQ(c.device.Server.log().count(), 0u);
        EXPECT_TRUE(w.Modified());
        EXPECT_EQ(w.Model->UpDCalModellingBasedMult->value(), 3);
        press(Qt::Key_F11);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(w.PgCCalibration->currentWidget(), w.TbSMultiCalibrationModel);
        EXPECT_EQ(c.device.Server.log().count(), 0u);
        EXPECT_EQ(w.Model->UpDCalModellingBasedMult->value(), 3);
        answer = No;
        press(Qt::Key_F11);
        EXPECT_EQ(asked, 2);
        EXPECT_EQ(w.PgCCalibration->currentWidget(), w.TbSMultiCalibrationCorrections);
        EXPECT_EQ(reads(0x51, 8), 1);

        // F3: the configuration window, entered once; on it, F3 reads nothing.
        press(Qt::Key_F3);
        ASSERT_EQ(Current(form, "PgCMain"), "TbSMultiConfiguration");
        c.device.Server.log().clear();
        c.rig.Boxes.clear();
        press(Qt::Key_F3);
        EXPECT_EQ(Current(form, "PgCMain"), "TbSMultiConfiguration");
        EXPECT_EQ(c.device.Server.log().count(), 0u);
        EXPECT_TRUE(c.rig.Boxes.empty());
    }
}

TEST(MultiCalibration, ModelWriteSendsItsSequenceThenReadsBackAndNothingToALockedDevice)
{
    Cal48 c;
    c.EnterCalibration();
    ClickSheet(c.Window->TbSMultiCalibrationModel);
    c.device.Server.log().clear();
    c.Window->Model->UpDCalModellingBasedMult->setValue(10); // a user's step up
    EXPECT_TRUE(c.Window->Modified());
    EXPECT_DOUBLE_EQ(DevData->GetMapPointA(2).y(), 5.4); // (1 + 1.1 x 4) x (1 + 0 %)
    c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    c.Window->Model->BtBModel2Write->click();
    const auto sent = c.Sent();
    ASSERT_GT(sent.size(), ModelWrite.size());
    EXPECT_EQ(Head(sent, ModelWrite.size()), ModelWrite);
    EXPECT_EQ(sent[ModelWrite.size()], std::make_pair(0x51, 8)) << "read back";
    EXPECT_EQ(c.device.Controller.State.Model[1], 1126); // 1.1 x 1024
    EXPECT_FALSE(c.Window->Modified());

    // Locked: nothing goes out.
    c.device.Server.withLock([&] { c.device.Controller.State.LockState = sim::kSimLockedState; });
    DeviceRecord.LinkState = sim::kSimLockedState;
    c.device.Server.log().clear();
    c.Window->BtBModel2WriteClick();
    c.Window->BtnCorWriteCorrectionsClick();
    c.Window->BtnCalMapWriteClick();
    EXPECT_EQ(c.device.Server.log().count(), 0u);
}

// A value typed into the adaptation tab's correction offset is the model
// page's edit: the model write sends it (an offset beyond its word refused
// before the question and the first frame, quoting the range a settings
// file's reader quotes), and leaving the page by its function key asks as a
// click on its tab does.
// The model page's typed fields (the idle lists, the enrichments) are read
// one way: a number with either separator of the language shown goes out as
// typed; a text that is no number the field holds is refused before
// anything is asked or sent, naming the field and what is wrong, and the
// page keeps it.
TEST(MultiCalibration, TheModelPagesTypedFieldsGoOutAsTypedOrAreRefusedByName)
{
    Cal48 c('G');
    c.EnterCalibration();
    ClickSheet(c.Window->TbSMultiCalibrationModel);
    TMultiCalModelPage &m = *c.Window->Model;
    c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    const auto caption = [](QWidget *field, const char *label) {
        return field->parentWidget()->findChild<QLabel *>(QString::fromLatin1(label))->text();
    };
    const auto type = [](QWidget *field, const char *text) {
        QLineEdit *edit = qobject_cast<QLineEdit *>(field);
        if (auto *list = qobject_cast<QComboBox *>(field))
            edit = list->lineEdit();
        edit->setText(QString::fromLatin1(text));
        Q_EMIT edit->textEdited(edit->text());
    };
    const QString notNumber = TranslateKey("strConfValueNotNumber"), notWhole = TranslateKey("strConfValueNotWhole"),
                  range = TranslateKey("strConfValueRange");
    const QString tb = caption(m.CmBKnfIdleHotTb, "LblKnfIdleHotTb"), rpm = caption(m.CmBKnfIdleHotRPM, "LblKnfIdleHotRPM"),
                  pcol = caption(m.CmBKnfIdleHotPcol, "LblKnfIdleHotPcol"),
                  enrichment = caption(m.EnrichmentEdit[0], "LblCalModellingPreciseEnrichment") + QStringLiteral(" A");
    const struct {
        QWidget *Field;
        const char *Typed;
        QString Refusal; // empty: written
        int IdleTb;      // the device's word after the write (-1: not looked at)
    } rows[] = {
        {m.CmBKnfIdleHotTb, "1,7,1", tb + QStringLiteral(": ") + notNumber, -1},
        {m.CmBKnfIdleHotTb, "1..7", tb + QStringLiteral(": ") + notNumber, -1},
        {m.CmBKnfIdleHotTb, "", tb + QStringLiteral(": ") + notNumber, -1},
        {m.CmBKnfIdleHotTb, "abc", tb + QStringLiteral(": ") + notNumber, -1},
        {m.CmBKnfIdleHotTb, "400", tb + QStringLiteral(": ") + range, -1},
        {m.CmBKnfIdleHotRPM, "8,5", rpm + QStringLiteral(": ") + notWhole, -1},
        {m.CmBKnfIdleHotRPM, "70000", rpm + QStringLiteral(": ") + range, -1},
        {m.CmBKnfIdleHotPcol, "0,3,1", pcol + QStringLiteral(": ") + notNumber, -1},
        {m.EnrichmentEdit[0], "5,5", enrichment + QStringLiteral(": ") + notWhole, -1},
        {m.EnrichmentEdit[0], "", enrichment + QStringLiteral(": ") + notNumber, -1},
        {m.CmBKnfIdleHotTb, "2,7", QString(), 505}, // 2.7 ms x 187 = 504.9
        {m.CmBKnfIdleHotTb, "3.1", QString(), 580}, // 579.7
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.Typed);
        m.UpdateUI(); // the other fields as the record holds them
        type(row.Field, row.Typed);
        c.Window->SetModified(true);
        c.rig.Boxes.clear();
        c.device.Server.log().clear();
        m.BtBModel2Write->click();
        if (!row.Refusal.isEmpty()) {
            EXPECT_TRUE(c.Frames().empty());
            ASSERT_EQ(c.Texts().size(), 1);
            EXPECT_TRUE(c.Texts()[0].startsWith(row.Refusal)) << c.Texts()[0].toStdString();
            EXPECT_EQ(TypedInput::TextOf(row.Field), QString::fromLatin1(row.Typed));
            EXPECT_TRUE(c.Window->Modified());
            continue;
        }
        EXPECT_EQ(Head(c.Sent(), ModelWrite.size()), ModelWrite);
        c.device.Server.withLock([&] { EXPECT_EQ(c.device.Controller.State.Param16[8], row.IdleTb); });
    }
}

TEST(MultiCalibration, TheAdaptationTabsCorrectionOffsetIsWrittenByTheModelWrite)
{
    for (const char version : {'A', 'G', 'J'}) {
        SCOPED_TRACE(version);
        Cal48 c(version);
        c.EnterCalibration();
        ClickSheet(c.Window->TbSMultiCalibrationModel);
        QLineEdit *offset = c.Window->Model->YEdCalModellingAdditionalCorrectionOffset;
        c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
        const struct {
            const char *Typed;
            int Word; // -1: refused
        } cases[] = {{"-500", -1},      {"-1", 0xFF45},      {"175.2275", -1}, {"-175.2299", 0x8000},
                     {"175.2245", 0x7FFF}, {"0,5,1", -1},      {"0..5", -1},     {"", -1},
                     {"0,7ms", -1},     {"-0,5", 0xFFA2}};
        for (int pass = 0; pass < 2; ++pass)
            for (const auto &k : cases) {
                SCOPED_TRACE(k.Typed);
                offset->setText(QString::fromLatin1(k.Typed));
                Q_EMIT offset->textEdited(offset->text());
                EXPECT_TRUE(c.Window->Modified());
                c.rig.Boxes.clear();
                c.device.Server.log().clear();
                c.Window->Model->BtBModel2Write->click();
                if (k.Word < 0) {
                    EXPECT_TRUE(c.Frames().empty());
                    EXPECT_EQ(c.rig.Boxes.size(), 1u);
                    // The field, what is wrong, the range.
                    const QString why = TranslateKey(k.Typed[0] == '-' || k.Typed[0] == '1' ? "strConfValueRange"
                                                                                            : "strConfValueNotNumber");
                    EXPECT_TRUE(c.Texts().value(0).startsWith(TranslateKey("strCorrOffsetCaption") + QStringLiteral(": ") + why))
                        << c.Texts().value(0).toStdString();
                    EXPECT_TRUE(c.Texts().value(0).contains(QStringLiteral("-175,22\u00A0-\u2060\u00A0175,22")))
                        << c.Texts().value(0).toStdString();
                    EXPECT_TRUE(c.Window->Modified());
                    EXPECT_EQ(offset->text(), QString::fromLatin1(k.Typed));
                    continue;
                }
                EXPECT_EQ(Head(c.Sent(), ModelWrite.size()), ModelWrite);
                int sent = -1;
                for (const Bytes &f : c.Frames())
                    if (f.size() > 4 && f[1] == 0x16 && f[2] == 12)
                        sent = f[3] << 8 | f[4];
                EXPECT_EQ(sent, k.Word);
                c.device.Server.withLock([&] { EXPECT_EQ(c.device.Controller.State.Model[12], k.Word); });
                EXPECT_FALSE(c.Window->Modified());
            }
        // Leaving by F11 with the edit unwritten asks; Yes writes it.
        offset->setText(QStringLiteral("0.5"));
        Q_EMIT offset->textEdited(offset->text());
        int asked = 0;
        c.rig.Answer = [&asked](const TMessageBoxInfo &box) {
            asked += box.Buttons.contains(Cancel);
            return Yes;
        };
        Get<QAction>(c.Form(), "MnIWindowMultiCalibrationCorrections")->trigger();
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(c.Window->PgCCalibration->currentWidget(), c.Window->TbSMultiCalibrationCorrections);
        c.device.Server.withLock([&] { EXPECT_EQ(c.device.Controller.State.Model[12], 94); }); // 0.5 x 187
    }
}

// The model write sends an unedited factor and unedited points back as the
// device holds them, for every word the device can hold; a factor beyond its
// word is refused naming the factor. On a device that keeps a change record,
// the page's own checks come before the question, whose buttons are Yes and No.
TEST(MultiCalibration, AnUneditedModelGoesBackAsTheDeviceHoldsIt)
{
    for (const uint16_t factor : {uint16_t(65500), uint16_t(65530), uint16_t(0xFFFF), uint16_t(1)}) {
        SCOPED_TRACE(factor);
        Cal48 c('G');
        c.device.Server.withLock([&] {
            auto &s = c.device.Controller.State;
            s.Model[1] = factor;
            // Point 1 at 562/187 ms, between two hundredths of a millisecond.
            s.MapD4[0][6] = 562 >> 8;
            s.MapD4[0][7] = 562 & 0xFF;
        });
        c.EnterCalibration();
        c.rig.Boxes.clear();
        c.Window->Model->BtBModel2Write->click();
        EXPECT_TRUE(c.Texts().isEmpty()) << c.Texts().join(u'|').toStdString();
        int sent = -1;
        for (const Bytes &f : c.Frames())
            if (f.size() > 4 && f[1] == 0x16 && f[2] == 1)
                sent = f[3] << 8 | f[4];
        EXPECT_EQ(sent, factor);
        c.device.Server.withLock([&] {
            EXPECT_EQ(c.device.Controller.State.Model[1], factor);
            EXPECT_EQ(c.device.Controller.State.MapD4[0][6] << 8 | c.device.Controller.State.MapD4[0][7], 562);
        });
    }

    Cal48 c('G');
    c.Form().InstallChangeRecordQuery();
    c.device.Server.withLock([&] { c.device.Controller.State.Model[1] = 0xFFFF; });
    c.EnterCalibration();
    ClickSheet(c.Window->TbSMultiCalibrationModel);
    int questions = 0;
    c.rig.Answer = [&](const TMessageBoxInfo &box) {
        questions += box.Text == TranslateKey("strQModChange");
        return box.Buttons.contains(No) ? No : box.Buttons.value(0);
    };
    // An enrichment of the last point beyond the point's word: refused as a
    // point, before any question.
    c.Window->Model->Enrichment[5]->stepBy(1);
    ASSERT_TRUE(c.Window->Modified());
    c.rig.Boxes.clear();
    c.device.Server.log().clear();
    c.Window->Model->BtBModel2Write->click();
    EXPECT_EQ(questions, 0);
    EXPECT_EQ(c.Texts(), QStringList{TranslateKey(Kind48Math::kOutOfRangeKey)});
    EXPECT_TRUE(c.Frames().empty());
    // A factor beyond its word (no control gives one): refused naming the factor.
    c.Window->ReadAllFromDevice();
    c.Window->Model->UpDCalModellingBasedOffset->stepBy(1);
    DeviceRecord.Mult = 64.5;
    c.rig.Boxes.clear();
    c.device.Server.log().clear();
    c.Window->Model->BtBModel2Write->click();
    EXPECT_EQ(questions, 0);
    ASSERT_EQ(c.Texts().size(), 1);
    EXPECT_TRUE(c.Texts()[0].startsWith(TranslateKey("strModelFactorCaption"))) << c.Texts()[0].toStdString();
    EXPECT_TRUE(c.Texts()[0].contains(QStringLiteral("0\u00A0-\u2060\u00A063,99"))) << c.Texts()[0].toStdString();
    EXPECT_TRUE(c.Frames().empty());
    // An edit that fits: the question, with Yes and No; No sends nothing and keeps the edit.
    c.Window->ReadAllFromDevice();
    c.Window->Model->UpDCalModellingBasedOffset->stepBy(1);
    c.rig.Boxes.clear();
    c.device.Server.log().clear();
    c.Window->Model->BtBModel2Write->click();
    EXPECT_EQ(questions, 1);
    ASSERT_EQ(c.rig.Boxes.size(), 1u);
    EXPECT_EQ(c.rig.Boxes[0].Buttons, (QList<int>{Yes, No}));
    EXPECT_TRUE(c.Frames().empty());
    EXPECT_TRUE(c.Window->Modified());
}

// Leaving a modified page with an edit its write would refuse shows the
// refusal, naming the field, and keeps the page and the edit: nothing asked,
// sent or owed, whether by a tab, a page key or another main page's key. A
// jump to another main page asks the leave question as a tab does: Cancel
// stays, No leaves unwritten, Yes writes (the record after it) and leaves,
// and a write that does not go through keeps the page.
TEST(MultiCalibration, LeavingAModifiedPageChecksBeforeItAsks)
{
    Cal48 c('G');
    c.Form().InstallChangeRecordQuery();
    c.EnterCalibration();
    TFrmMultiCalibrationTaronQV &w = *c.Window;
    ClickSheet(w.TbSMultiCalibrationModel);
    QLineEdit *offset = w.Model->YEdCalModellingAdditionalCorrectionOffset;
    const auto type = [offset](const char *text) {
        offset->setText(QString::fromLatin1(text));
        Q_EMIT offset->textEdited(offset->text());
    };
    int answer = Cancel;
    c.rig.Answer = [&answer](const TMessageBoxInfo &box) { return box.Buttons.contains(Cancel) ? answer : Yes; };
    type("-500");
    ASSERT_TRUE(w.Modified());
    const auto main = [&c] { return Current(c.Form(), "PgCMain"); };
    for (const char *road : {"tab", "MnIWindowMultiCalibrationMap", "MnIWindowMeasure", "MnIWindowMultiConfiguration"}) {
        SCOPED_TRACE(road);
        c.rig.Boxes.clear();
        c.device.Server.log().clear();
        if (QByteArray(road) == "tab")
            ClickSheet(w.TbSMultiCalibrationMap);
        else
            Get<QAction>(c.Form(), road)->trigger();
        ASSERT_EQ(c.Texts().size(), 1);
        EXPECT_TRUE(c.Texts()[0].startsWith(TranslateKey("strCorrOffsetCaption"))) << c.Texts()[0].toStdString();
        EXPECT_EQ(main(), "TbSMultiCalibration");
        EXPECT_EQ(w.PgCCalibration->currentWidget(), w.TbSMultiCalibrationModel);
        EXPECT_TRUE(c.Frames().empty());
        EXPECT_FALSE(Common->ChangeRecordOwed());
        EXPECT_TRUE(w.Modified());
        EXPECT_EQ(offset->text(), "-500");
    }
    // An edit that fits: the jump asks; Cancel keeps the page and the edit.
    type("0.5");
    c.rig.Boxes.clear();
    c.device.Server.log().clear();
    Get<QAction>(c.Form(), "MnIWindowMultiConfiguration")->trigger();
    EXPECT_EQ(c.Texts(), QStringList{TranslateKey("strQModChange")});
    EXPECT_EQ(main(), "TbSMultiCalibration");
    EXPECT_TRUE(c.Frames().empty());
    EXPECT_EQ(offset->text(), "0.5");
    // No leaves, writing nothing.
    answer = No;
    Get<QAction>(c.Form(), "MnIWindowMultiConfiguration")->trigger();
    EXPECT_EQ(main(), "TbSMultiConfiguration");
    c.device.Server.withLock([&] { EXPECT_EQ(c.device.Controller.State.Model[12], 0); });
    // Yes on a locked device: nothing goes through, the page stays.
    Get<QAction>(c.Form(), "MnIWindowMultiCalibrationModel")->trigger();
    ASSERT_EQ(main(), "TbSMultiCalibration");
    type("0.5");
    answer = Yes;
    const uint8_t ready = DeviceRecord.LinkState;
    uint8_t unlocked = 0;
    c.device.Server.withLock([&] {
        unlocked = c.device.Controller.State.LockState;
        c.device.Controller.State.LockState = sim::kSimLockedState;
    });
    DeviceRecord.LinkState = sim::kSimLockedState;
    c.rig.Boxes.clear();
    Get<QAction>(c.Form(), "MnIWindowMeasure")->trigger();
    EXPECT_EQ(c.Texts().value(0), TranslateKey("strQModChange"));
    EXPECT_EQ(main(), "TbSMultiCalibration");
    EXPECT_EQ(w.PgCCalibration->currentWidget(), w.TbSMultiCalibrationModel);
    EXPECT_EQ(offset->text(), "0.5");
    EXPECT_FALSE(Common->ChangeRecordOwed()) << "nothing went through: no record owed";
    // Yes once it can go through: asked again, the write, its record after
    // it, and the jump.
    c.device.Server.withLock([&] { c.device.Controller.State.LockState = unlocked; });
    DeviceRecord.LinkState = ready;
    c.rig.Boxes.clear();
    c.device.Server.log().clear();
    Get<QAction>(c.Form(), "MnIWindowMeasure")->trigger();
    EXPECT_EQ(main(), "TbSMeasure");
    EXPECT_EQ(c.Texts().value(0), TranslateKey("strQModChange"));
    c.device.Server.withLock([&] { EXPECT_EQ(c.device.Controller.State.Model[12], 94); }); // 0.5 x 187
    const auto sent = c.Sent();
    const auto record = std::find_if(sent.begin(), sent.end(), [](const auto &f) { return f.first == 0x55; });
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const auto &f) { return f.first == 0x55; }), 1);
    EXPECT_LT(std::find(sent.begin(), sent.end(), std::make_pair(0x96, 1)), record) << "the record, after the write";
}

// The map page's write asks the change-record question of edited settings
// once per connection, after its own checks, and records once the write
// went through; a write it refuses asks nothing.
TEST(MultiCalibration, TheMapWriteAsksOnceAndRecordsAfterTheWrite)
{
    Cal48 c('G');
    c.Form().InstallChangeRecordQuery();
    c.EnterCalibration();
    TFrmMultiCalibrationTaronQV &w = *c.Window;
    ClickSheet(w.TbSMultiCalibrationMap);
    int questions = 0;
    c.rig.Answer = [&questions](const TMessageBoxInfo &box) {
        questions += box.Text == TranslateKey("strQModChange");
        return Yes;
    };
    // A factor beyond its word: refused by name before any question.
    w.Map->UpDCalMapMult->stepBy(1);
    ASSERT_TRUE(w.Modified());
    DeviceRecord.Mult = 64.5;
    c.rig.Boxes.clear();
    c.device.Server.log().clear();
    w.Map->BtnCalMapWrite->click();
    EXPECT_EQ(questions, 0);
    ASSERT_EQ(c.Texts().size(), 1);
    EXPECT_TRUE(c.Texts()[0].startsWith(TranslateKey("strModelFactorCaption"))) << c.Texts()[0].toStdString();
    EXPECT_TRUE(c.Frames().empty());
    EXPECT_FALSE(Common->ChangeRecordOwed());
    // An edit that fits: one question, the write, then one record.
    w.ReadAllFromDevice();
    w.Map->UpDCalMapMult->stepBy(1);
    c.device.Server.log().clear();
    w.Map->BtnCalMapWrite->click();
    EXPECT_EQ(questions, 1);
    auto sent = c.Sent();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(Head(sent, 4), (std::vector<std::pair<int, int>>{{0x16, 1}, {0x16, 2}, {0xD5, 0}, {0xD5, 1}}));
    const auto record = std::find_if(sent.begin(), sent.end(), [](const auto &f) { return f.first == 0x55; });
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const auto &f) { return f.first == 0x55; }), 1);
    EXPECT_LT(std::find(sent.begin(), sent.end(), std::make_pair(0x96, 1)), record) << "the record, after the write";
    // Asked once per connection: the next write asks and records nothing.
    w.Map->UpDCalMapMult->stepBy(1);
    c.device.Server.log().clear();
    w.Map->BtnCalMapWrite->click();
    EXPECT_EQ(questions, 1);
    sent = c.Sent();
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const auto &f) { return f.first == 0x55; }), 0);
    EXPECT_FALSE(sent.empty());
}

TEST(MultiCalibration, AWriteStoppedHalfWayKeepsTheEditsAndASecondWriteCompletesIt)
{
    Cal48 c;
    c.EnterCalibration();
    c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    ClickSheet(c.Window->TbSMultiCalibrationCorrections);
    c.Window->Corrections->Edits[TMultiCalCorrectionsPage::cRpm][3]->setText("7");
    c.Window->SetModified(true);
    c.device.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0xD3; }, sim::Fault::noAnswer(), 2);
    c.device.Server.log().clear();
    c.rig.Boxes.clear();
    EXPECT_FALSE(c.Window->BtnCorWriteCorrectionsClick());
    EXPECT_TRUE(c.Window->Modified());
    EXPECT_EQ(c.Window->Corrections->Edits[TMultiCalCorrectionsPage::cRpm][3]->text(), "7");
    ASSERT_FALSE(c.Texts().isEmpty());
    EXPECT_TRUE(c.Texts().last().contains(TranslateKey("strCalWriteIncomplete")));
    for (const auto &f : c.Sent())
        EXPECT_NE(f.first, 0xDA) << "nothing after the failed block";

    // The link comes back; the second write sends everything.
    c.device.Server.clearFaults();
    ASSERT_TRUE(DataManager->DetectDevice());
    DataManager->ReadAllPages();
    DataManager->SendCmd3F();
    c.device.Server.log().clear();
    EXPECT_TRUE(c.Window->BtnCorWriteCorrectionsClick());
    const auto sent = c.Sent();
    const std::vector<std::pair<int, int>> want = {{0x16, 11}, {0x16, 12}, {0x16, 13}, {0x16, 74}, {0xD1, 0xF2},
                                                   {0x98, 0},  {0xD3, 0},  {0xDA, 0},  {0x16, 104}};
    EXPECT_EQ(sent, want);
    EXPECT_EQ(c.device.Controller.State.Payload[0xDB][3], 7);
    EXPECT_FALSE(c.Window->Modified());

    // The model likewise: its second table unanswered, then written whole.
    c.Window->Model->UpDCalModellingBasedMult->setValue(5);
    c.device.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0x96; }, sim::Fault::noAnswer(), 2);
    EXPECT_FALSE(c.Window->BtBModel2WriteClick());
    EXPECT_TRUE(c.Window->Modified());
    EXPECT_EQ(DevData->GetModelMultPercent(), 5);
    c.device.Server.clearFaults();
    ASSERT_TRUE(DataManager->DetectDevice());
    DataManager->ReadAllPages();
    DataManager->SendCmd3F();
    c.device.Server.log().clear();
    EXPECT_TRUE(c.Window->BtBModel2WriteClick());
    EXPECT_EQ(Head(c.Sent(), ModelWrite.size()), ModelWrite);
    EXPECT_EQ(c.device.Controller.State.Model[1], 1075); // 1.05 x 1024
}

TEST(MultiCalibration, PresetsMarkThePageAndLeavingAsksAboutTheEdits)
{
    Cal48 c;
    c.EnterCalibration();
    ClickSheet(c.Window->TbSMultiCalibrationCorrections);
    EXPECT_FALSE(c.Window->Modified());
    c.Window->PnlMultiCalibration->findChild<QAbstractButton *>("BtnCorTgasStandard")->click();
    EXPECT_TRUE(c.Window->Modified());
    EXPECT_EQ(c.Window->Corrections->Edits[TMultiCalCorrectionsPage::cTgas][19]->text(), "15");

    // Cancel keeps the page, nothing is sent.
    int asked = 0;
    c.rig.Answer = [&](const TMessageBoxInfo &box) {
        ++asked;
        return box.Buttons.contains(Cancel) ? Cancel : Yes;
    };
    c.device.Server.log().clear();
    ClickSheet(c.Window->TbSMultiCalibrationMap);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(c.Window->PgCCalibration->currentWidget(), c.Window->TbSMultiCalibrationCorrections);
    EXPECT_EQ(c.device.Server.log().count(), 0u);
    // No: the page changes and the full read brings the device's curve back.
    c.rig.Answer = [](const TMessageBoxInfo &box) { return box.Buttons.contains(No) ? No : Yes; };
    ClickSheet(c.Window->TbSMultiCalibrationMap);
    EXPECT_EQ(c.Window->PgCCalibration->currentWidget(), c.Window->TbSMultiCalibrationMap);
    EXPECT_EQ(c.Window->Corrections->Edits[TMultiCalCorrectionsPage::cTgas][19]->text(), "0");
    EXPECT_FALSE(c.Window->Modified());
    EXPECT_EQ(Head(c.Sent(), FullRead.size()), FullRead);
    // Leaving an unmodified page asks nothing.
    c.rig.Boxes.clear();
    ClickSheet(c.Window->TbSMultiCalibrationAuto);
    EXPECT_TRUE(c.rig.Boxes.empty());
}

TEST(MultiCalibration, DefaultModelIsAnEditAndWrittenAtOnce)
{
    Cal48 c;
    c.EnterCalibration();
    DevData->SetGasInjectorType(2);
    c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    c.rig.Boxes.clear();
    c.Window->Model->BtBModel2Default->click();
    ASSERT_FALSE(c.rig.Boxes.empty());
    EXPECT_TRUE(c.rig.Boxes.front().Text.contains(TranslateKey("strParamForInj")));
    // The default model of type 2 went out and came back.
    EXPECT_EQ(c.device.Controller.State.Model[2], 262); // 1.4 ms
    EXPECT_NEAR(DevData->GetMapPointA(1).y(), 3.4, 1e-9);
    EXPECT_NEAR(DevData->GetMapPointA(6).y(), 26.4, 1e-9);
    EXPECT_EQ(c.device.Controller.State.Param8[48], 4);
}

TEST(MultiCalibration, CorrectionsBeforeVersionGLeaveTheManifoldCurveAlone)
{
    Cal48 c('F');
    c.EnterCalibration();
    c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    c.Window->Corrections->Edits[TMultiCalCorrectionsPage::cPsys][0]->setText("-14");
    c.Window->BtnCorReadCorrectionsClick();
    c.Window->BtnCorWriteCorrectionsClick();
    for (const auto &f : c.Sent())
        EXPECT_TRUE(f.first != 0x97 && f.first != 0x98) << f.first;
    EXPECT_EQ(c.device.Controller.State.Payload[0xD0][0], 0xF2);
    EXPECT_FALSE(c.Window->PnlCalCorrPcol->isVisibleTo(c.Window->PgCCalibration));
}

// A correction cell holds whole percent its signed byte holds: a whole
// number within it goes out as typed, with either separator of the
// language shown in its place; anything else is refused before anything is
// asked or sent, naming the cell and what is wrong, and the page keeps it.
TEST(MultiCalibration, CorrectionCellsTakeWholePercentOfTheirByte)
{
    Cal48 c;
    c.EnterCalibration();
    c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    ClickSheet(c.Window->TbSMultiCalibrationCorrections);
    auto *cells = &c.Window->Corrections->Edits[TMultiCalCorrectionsPage::cPsys];
    (*cells)[0]->setText("127");
    (*cells)[1]->setText("-128");
    (*cells)[2]->setText(" 3 ");
    c.Window->SetModified(true);
    c.device.Server.log().clear();
    c.Window->Corrections->BtnCorWriteCorrections->click();
    EXPECT_EQ(c.device.Controller.State.Payload[0xD0][0], 0x7F);
    EXPECT_EQ(c.device.Controller.State.Payload[0xD0][1], 0x80);
    EXPECT_EQ(c.device.Controller.State.Payload[0xD0][2], 3);
    EXPECT_FALSE(c.Window->Modified());

    const QString allowed = TranslateKey("strConfValueAllowed") + QStringLiteral(" -128\u00A0-\u2060\u00A0127");
    const QString notNumber = TranslateKey("strConfValueNotNumber") + u' ' + allowed;
    const QString notWhole = TranslateKey("strConfValueNotWhole") + u' ' + allowed;
    const QString range = TranslateKey("strConfValueRange") + QStringLiteral(" -128\u00A0-\u2060\u00A0127");
    const struct {
        const char *Typed;
        QString Why;
    } rows[] = {{"2,5", notWhole}, {"2.5", notWhole},   {"150", range},      {"-200", range},
                {"",    notNumber}, {"0,5,1", notNumber}, {"0..5", notNumber}, {"3%", notNumber}};
    const QString cell = c.Window->Corrections->Panel[TMultiCalCorrectionsPage::cPsys]
                             ->findChild<QLabel *>(QStringLiteral("LblCalCorrTitle0"))
                             ->text()
                         + QStringLiteral(" [2]: ");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.Typed);
        (*cells)[1]->setText(QString::fromLatin1(row.Typed));
        c.Window->SetModified(true);
        c.rig.Boxes.clear();
        c.device.Server.log().clear();
        c.Window->Corrections->BtnCorWriteCorrections->click();
        EXPECT_TRUE(c.Frames().empty());
        EXPECT_EQ(c.Texts(), QStringList{cell + row.Why});
        EXPECT_EQ((*cells)[1]->text(), QString::fromLatin1(row.Typed));
        EXPECT_TRUE(c.Window->Modified());
        EXPECT_EQ(c.device.Controller.State.Payload[0xD0][1], 0x80);
    }
}

TEST(MultiCalibration, LiveDisplaysHoldTheirWidestValuesAtEverySize)
{
    Cal48 c('H');
    c.device.Server.withLock([&] {
        auto &s = c.device.Controller.State;
        for (uint8_t command : {uint8_t(0x05), uint8_t(0x0B)}) {
            s.Payload[command][1] = 1; // the table's highest reducer temperature
            s.Payload[command][2] = 0; // no gas temperature sensor
            for (int k = 8; k < 24; ++k)
                s.Payload[command][size_t(k)] = 0xFF; // the longest injection times
        }
    });
    c.Form().show();
    c.EnterCalibration();
    for (const QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
        // (No event processing between: the headless screen is smaller than
        // these sizes and would put the window back on it.)
        c.Form().resize(size);
        ASSERT_EQ(c.Form().size(), size);
        c.rig.Tick();
        const QImage shot = c.Form().grab().toImage();
        ASSERT_EQ(shot.size(), size);
        if (qEnvironmentVariableIsSet("TARON_SCREENSHOTS"))
            shot.save(QDir(qEnvironmentVariable("TARON_SCREENSHOTS"))
                          .filePath(QStringLiteral("strip_%1.png").arg(size.width())));
        ASSERT_EQ(c.Window->DgDModTred->Caption(), "205,1"); // one decimal, as on the readings page
        EXPECT_EQ(c.Window->DgDModTgaz->Caption(), "0"); // no reading, as the main window shows it
        for (TDigitalDisplay *d : {c.Window->DgDModPetrol, c.Window->DgDModLPG, c.Window->DgDModRPM, c.Window->DgDModPsys,
                                   c.Window->DgDModTred, c.Window->DgDModTgaz, c.Window->Map->DgDCalMapPcol})
            EXPECT_LE(TDigitalDisplay::CellCount(d->Caption()), d->CellCapacity())
                << d->objectName().toStdString() << " \"" << d->Caption().toStdString() << "\" at " << size.width();
    }
    c.device.Server.withLock([&] {
        for (uint8_t command : {uint8_t(0x05), uint8_t(0x0B)})
            c.device.Controller.State.Payload[command][1] = 0; // no reducer sensor either
    });
    c.rig.Tick();
    EXPECT_EQ(c.Window->DgDModTred->Caption(), "0");
}

// The strip, the chart's value marks and a measured idle time in the
// notation of the language shown (Polish) on either desktop; the idle box
// takes a time typed with either separator or picked.
TEST(MultiCalibration, NumbersInTheLanguagesNotationAndTheIdleBoxTakesEitherSeparator)
{
    const QLocale saved;
    for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Polish, QLocale::Poland)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        const QString point = ",", other = ".";
        Cal48 c;
        c.device.Server.withLock([&] {
            for (auto *pages : {&c.device.Controller.State.MapD4, &c.device.Controller.State.Model2})
                (*pages)[0][6] = 0x02, (*pages)[0][7] = 0x8F; // the second model point at 3.5 ms
            for (uint8_t command : {uint8_t(0x05), uint8_t(0x0B)})
                c.device.Controller.State.Payload[command][0] = 150; // a gas pressure
        });
        c.rig.Tick();
        const QString readings = Get<TDigitalDisplay>(c.Form(), "DgDOdcTred")->Caption();
        const QString pressure = Get<TDigitalDisplay>(c.Form(), "DgDOdcPsys")->Caption();
        EXPECT_TRUE(readings.contains(point) && pressure.contains(point)) << readings.toStdString() << " " << pressure.toStdString();
        c.EnterCalibration();
        ClickSheet(c.Window->TbSMultiCalibrationModel);
        c.rig.Tick();
        EXPECT_EQ(c.Window->DgDModTred->Caption(), readings);
        EXPECT_EQ(c.Window->DgDModPsys->Caption(), pressure);
        const QStringList marks = PaintedTexts(c.Window->Model->Chart->Host()).Texts;
        EXPECT_TRUE(marks.contains("3" + point + "5") && !marks.join(' ').contains(other)) << marks.join(' ').toStdString();
        QComboBox *box = c.Window->Model->CmBKnfIdleHotTb;
        c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
        c.Window->Model->BtnModel2SetTb0->click();
        EXPECT_EQ(box->currentText(), "2" + point + "50");
        for (const QString how : {"2,0", "2.0", "picked"}) {
            SCOPED_TRACE(how.toStdString());
            c.device.Server.withLock([&] { c.device.Controller.State.Param16[8] = 0; });
            box->lineEdit()->selectAll();
            if (how == "picked") {
                box->setCurrentIndex(box->findText("1,9"));
                Press(box, Qt::Key_Down);
            } else
                for (const QChar ch : how)
                    Press(box->lineEdit(), ch.unicode(), ch);
            Press(box->lineEdit(), Qt::Key_Return, QStringLiteral("\r"));
            EXPECT_EQ(SafeStrToFloat(box->currentText()), 2.0) << box->currentText().toStdString();
            c.Window->Model->BtBModel2Write->click();
            EXPECT_EQ(c.device.Controller.State.Param16[8], 374); // 2.0 ms
        }
        EXPECT_EQ(box->findText("2.0"), -1) << "the list keeps its own items";
    }
    QLocale::setDefault(saved);
}

TEST(MultiCalibration, MapCorrectionStatusPanelShowsItsWholeCaption)
{
    Cal48 c('H');
    c.device.Server.withLock([&] {
        c.device.Controller.State.Model[104] = 1;                         // the OBD correction map on
        c.device.Controller.State.Value16[40] = uint16_t(uint8_t(7) << 8 | uint8_t(-12));
    });
    c.Form().resize(1024, 768);
    c.Form().show();
    c.EnterCalibration();
    c.rig.Tick();
    auto *panel = Get<TCaptionPanel>(c.Form(), "PnlStatusCorrMapActive");
    ASSERT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->Caption(), TranslateKey("strQPnlStatusCorrMap") + " (-12/7)");
    EXPECT_GE(panel->contentsRect().width(), panel->fontMetrics().horizontalAdvance(panel->Caption()));
}

// The template's clearing switches the adaptation off: bit 6 of id 31, the
// other bits as the device holds them.
TEST(MultiCalibration, MapPageReadsClearsAndSendsTheRpmRangeWhateverTheAnswer)
{
    Cal48 c;
    c.device.Server.withLock([&c] { c.device.Controller.State.Param8[31] = 0xC5; });
    c.EnterCalibration();
    ClickSheet(c.Window->TbSMultiCalibrationMap);
    auto *map = c.Window->Map;
    map->BtnCalMapRead->click();
    EXPECT_EQ(map->LblLenMapPETROL->text(), "4");
    EXPECT_EQ(map->Series(map->ChtMapa, 1)->count(), 4);
    EXPECT_EQ(map->Series(map->ChtMapa, 3)->count(), 39);

    c.rig.Answer = [](const TMessageBoxInfo &) { return No; };
    c.device.Server.log().clear();
    map->CmBCalMapRPMRange->setCurrentIndex(9);
    map->CmBCalMapRPMRange->activated(9);
    EXPECT_EQ(c.Sent(), (std::vector<std::pair<int, int>>{{0x08, 19}}));
    EXPECT_EQ(c.device.Controller.State.Param8[19], 9);

    c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    c.device.Server.log().clear();
    map->BtnCalMapPetrolClear->click();
    ASSERT_FALSE(c.Sent().empty());
    EXPECT_EQ(c.Sent().front(), std::make_pair(0xDE, 1));
    EXPECT_EQ(map->LblLenMapPETROL->text(), "0");
    c.device.Server.log().clear();
    map->BtnCalMapPetrolTemplateClear->click();
    EXPECT_EQ(map->Series(map->ChtMapa, 3)->count(), 0);
    EXPECT_EQ(c.Window->ModelMode, 0);
    const std::vector<Bytes> frames = c.Frames();
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(),
                            [](const Bytes &f) { return f.size() > 3 && f[1] == 0x08 && f[2] == 31 && f[3] == 0x85; }),
              1);
    c.device.Server.withLock([&c] { EXPECT_EQ(c.device.Controller.State.Param8[31], 0x85); });
}

TEST(MultiCalibration, MapCalculationPutsTheSuggestedPointsOnTheModelChart)
{
    Cal48 c;
    c.EnterCalibration();
    ClickSheet(c.Window->TbSMultiCalibrationMap);
    c.Window->Map->BtnCalMapRead->click();
    QList<TRecordingPoint> petrol, gas;
    for (int i = 0; i < DataManager->RecordingCount1; ++i)
        petrol << DeviceRecord.Recording1[size_t(i)];
    for (int i = 0; i < DataManager->RecordingCount2; ++i)
        gas << DeviceRecord.Recording2[size_t(i)];
    const auto want = Kind48Math::CalculateMapSettings(petrol, gas, DeviceRecord.ModelPointsA);
    ASSERT_FALSE(want.Points.isEmpty());
    c.Window->Map->BtnCalMapCalculate->click();
    EXPECT_EQ(c.Window->Model->Chart->Series[TModel2Chart::sMap], want.Points);
    EXPECT_EQ(c.Window->PgCCalibration->currentWidget(), c.Window->TbSMultiCalibrationModel);
    c.Window->Map->BtnCalMapCalcClear->click();
    EXPECT_TRUE(c.Window->Model->Chart->Series[TModel2Chart::sMap].isEmpty());
}

TEST(MultiCalibration, TwoPointModelRefusesWithoutStoringAnything)
{
    Cal48 c;
    c.EnterCalibration();
    c.rig.Boxes.clear();
    DevData->SetIdleHotTb(0.0);
    const auto before = DeviceRecord.ModelPointsA;
    EXPECT_FALSE(c.Window->Model->SetModelFromTwoPoints(3.0, 4.0));
    EXPECT_EQ(c.Texts(), QStringList({TranslateKey("strSetTb")}));
    EXPECT_EQ(DeviceRecord.ModelPointsA, before);
    EXPECT_FALSE(c.Window->Model->SetModelFromTwoPoints2(3.0, 4.0));
    EXPECT_EQ(DeviceRecord.ModelPointsA, before);
}

namespace {

// Runs ticks of the main timer on the calibration tab until pred holds; the
// clock moves by step each tick. Returns the most state reads (0x21) one tick
// sent: a tick that reads the run's state once and returns leaves the window
// answering between ticks, however long the run lasts.
template <typename Pred>
size_t TickUntil(Cal48 &c, Pred pred, int maxTicks, qint64 step = 200)
{
    size_t most = 0;
    for (int i = 0; i < maxTicks && !pred(); ++i) {
        c.rig.Now += step;
        c.device.Server.log().clear();
        c.rig.Tick();
        size_t reads = 0;
        for (const auto &f : c.device.Server.log().bytes())
            reads += f.size() > 1 && f[1] == 0x21;
        most = std::max(most, reads);
    }
    return most;
}

void Script(Cal48 &c, std::vector<sim::SimControllerState::AutoCalStep> steps)
{
    c.device.Server.withLock([&] { c.device.Controller.State.AutoCalScript = std::move(steps); });
}

} // namespace

TEST(MultiCalibration, AutoCalibrationRunsToItsEndAndDerivesTheModel)
{
    Cal48 c;
    c.EnterCalibration();
    c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    Script(c, {{3, 0, 1}, {4, 2, 1}, {6, 9, 1}, {8, 17, 1}, {9, 20, 1}});
    auto *page = c.Window->Auto;
    page->SpBCalAutocalibrationStart->click();
    ASSERT_TRUE(page->Running) << c.Texts().join('|').toStdString();
    EXPECT_EQ(page->PrBCalAutocalibration->maximum(), 20);
    EXPECT_FALSE(page->SpBCalAutocalibrationStart->isEnabled());
    const auto sent = c.Sent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], std::make_pair(0x52, 14)) << "option word first";
    EXPECT_EQ(sent[sent.size() - 2], std::make_pair(0x20, 3));
    EXPECT_EQ(sent.back(), std::make_pair(0x20, 6));
    EXPECT_EQ(c.device.Controller.State.Param16[8], 468) << "the idle time measured";
    // Factor from the default idle gas time: (4.0 - 1.0) / 2.5 = 1.2.
    EXPECT_EQ(c.device.Controller.State.Model[1], 1229);

    bool sawWaiting = false;
    int progress = 0;
    const size_t stateReads = TickUntil(c, [&] {
        sawWaiting = sawWaiting || page->LblCalAutocalibrationWaitingTemp->isVisibleTo(page->LblCalAutocalibrationWaitingTemp->parentWidget());
        progress = std::max(progress, page->PrBCalAutocalibration->value());
        return !page->Running;
    }, 20);
    EXPECT_FALSE(page->Running);
    EXPECT_TRUE(sawWaiting);
    EXPECT_EQ(progress, 17);
    EXPECT_EQ(stateReads, 1u) << "the window answers between ticks";
    EXPECT_EQ(c.device.Controller.State.WorkType, 0);
    EXPECT_TRUE(page->MemCalAutocalibrationResult->toPlainText().contains(TranslateKey("strCalInfo_OK")));
    EXPECT_EQ(page->LblCalAutocalibrationInfo->text(), TranslateKey("strNok"));
    EXPECT_EQ(c.Window->AutocalNozzleClass(), 4);
    EXPECT_TRUE(c.device.Controller.State.Param16[14] & 4) << "calibration marked done";
    // The model from the device's point 2 was written: P1 at 0.94 f(x1 / 2).
    EXPECT_NEAR(DevData->GetMapPointA(1).y(), 0.94 * (1.0 + 1.2 * 2.0), 0.011) << c.Texts().join('|').toStdString();
}

TEST(MultiCalibration, AutoCalibrationAbortedEndsInNormalWorkAndAWaitingRunGoesOn)
{
    for (bool abort : {true, false}) {
        SCOPED_TRACE(abort);
        Cal48 c;
        c.EnterCalibration();
        c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
        // Aborted by the device, or waiting for the engine to warm (state 3)
        // with no progress for an hour of the window's clock.
        Script(c, abort ? std::vector<sim::SimControllerState::AutoCalStep>{{4, 1, 1}, {10, 1, 1}}
                        : std::vector<sim::SimControllerState::AutoCalStep>{{3, 0, 1}});
        auto *page = c.Window->Auto;
        page->SpBCalAutocalibrationStart->click();
        ASSERT_TRUE(page->Running);
        const size_t stateReads = TickUntil(c, [&] { return !page->Running; }, 40, abort ? 200 : 90000);
        EXPECT_EQ(stateReads, 1u);
        if (!abort) {
            EXPECT_TRUE(page->Running);
            EXPECT_EQ(c.device.Controller.State.WorkType, 6);
            EXPECT_TRUE(page->LblCalAutocalibrationWaitingTemp->isVisibleTo(page->LblCalAutocalibrationWaitingTemp->parentWidget()));
            // The user's Stop ends it.
            page->SpBCalAutocalibrationStop->click();
        }
        EXPECT_FALSE(page->Running);
        EXPECT_EQ(c.device.Controller.State.WorkType, 0);
        const QString memo = page->MemCalAutocalibrationResult->toPlainText();
        EXPECT_TRUE(memo.contains(TranslateKey("strCalInfo_ERR"))) << memo.toStdString();
        EXPECT_FALSE(memo.contains(TranslateKey("strCalInfo_OK")));
        EXPECT_TRUE(page->SpBCalAutocalibrationStart->isEnabled());
    }
}

TEST(MultiCalibration, RefusedIdleMeasurementStartsNothing)
{
    Cal48 c;
    c.EnterCalibration();
    // Yes to the default model, No to measuring now.
    c.rig.Answer = [](const TMessageBoxInfo &box) {
        return box.Text.contains(TranslateKey("strSaveTb")) ? No : Yes;
    };
    Script(c, {{4, 1, 1}});
    c.Window->Auto->SpBCalAutocalibrationStart->click();
    EXPECT_FALSE(c.Window->Auto->Running);
    // Only the measurement's own work type went out: nothing after the refusal.
    std::vector<int> types;
    for (const auto &f : c.Sent())
        if (f.first == 0x20)
            types.push_back(f.second);
    EXPECT_EQ(types, std::vector<int>{5});
}

TEST(MultiCalibration, LiveValuesAndTheLambdaMarker)
{
    Cal48 c;
    c.EnterCalibration();
    DevData->SetLambdaType(6);
    c.device.Server.withLock([&] { c.device.Controller.State.Payload[0x05][5] = 60; }); // 1.2 V
    c.rig.Tick();
    EXPECT_EQ(c.Window->DgDModPetrol->Caption(), "2,50");
    EXPECT_EQ(c.Window->DgDModLPG->Caption(), "4,00");
    const int span = c.Window->PnlModBarLambda->width() - c.Window->LblModLambdaPnl->width();
    EXPECT_EQ(c.Window->LblModLambdaPnl->x(), int(std::nearbyint(span * 0.5)));
    // Below version "H" the OBD map switch and the map-file button stay off.
    EXPECT_TRUE(c.Window->Corrections->ChBOBDAdaptationEnabled->isEnabled());
    Cal48 g('G');
    g.EnterCalibration();
    g.rig.Tick();
    EXPECT_FALSE(g.Window->Corrections->ChBOBDAdaptationEnabled->isEnabled());
    EXPECT_FALSE(g.Window->Map->BtnCalMapLoadFromFile->isEnabled());
}

TEST(MultiCalibration, ScreenshotsOfEveryPage)
{
    const QString folder = qEnvironmentVariable("TARON_SCREENSHOTS");
    Cal48 c('G');
    c.Form().resize(1024, 768);
    c.Form().show();
    c.EnterCalibration();
    c.Window->Map->BtnCalMapRead->click();
    c.Window->Map->BtnCalMapCalculate->click();
    c.rig.Tick();
    for (QWidget *page : {c.Window->TbSMultiCalibrationAuto, c.Window->TbSMultiCalibrationModel,
                          c.Window->TbSMultiCalibrationMap, c.Window->TbSMultiCalibrationCorrections}) {
        c.Window->PgCCalibration->setCurrentWidget(page);
        StartupRig::Run(50);
        const QImage shot = c.Form().grab().toImage();
        EXPECT_FALSE(shot.isNull());
        if (!folder.isEmpty())
            shot.save(QDir(folder).filePath(page->objectName() + QStringLiteral(".png")));
    }
    // The model page's precise and adaptation sheets.
    c.Window->PgCCalibration->setCurrentWidget(c.Window->TbSMultiCalibrationModel);
    for (QWidget *sheet : {c.Window->Model->TbSCalibrationTypesPrecise, c.Window->Model->TbSCalibrationAdaptation}) {
        c.Window->Model->PgCCalibrationTypes->setCurrentWidget(sheet);
        StartupRig::Run(50);
        const QImage shot = c.Form().grab().toImage();
        EXPECT_FALSE(shot.isNull());
        if (!folder.isEmpty())
            shot.save(QDir(folder).filePath(sheet->objectName() + QStringLiteral(".png")));
    }
    // After a round of the other pages, at each size, each model-sheet label stays in the rows of the control beside it.
    const char *const visits[] = {"MnIWindowMultiCalibrationMap", "MnIWindowMultiCalibrationCorrections",
                                  "MnIWindowDgnOscyloskop", "MnIWindowDgnTroubleCodes", "MnIWindowDgnAdvanced",
                                  "MnIWindowAdapter", "MnIWindowMultiCalibration", "MnIWindowMultiCalibrationModel"};
    for (const QSize size : {QSize(800, 600), QSize(1024, 768), QSize(1920, 1080)}) {
        c.Form().resize(size);
        for (const char *item : visits)
            Get<QAction>(c.Form(), item)->trigger();
        for (QWidget *sheet : {c.Window->Model->TbSCalibrationTypesBased, c.Window->Model->TbSCalibrationTypesPrecise}) {
            c.Window->Model->PgCCalibrationTypes->setCurrentWidget(sheet);
            const auto kids = sheet->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
            for (QWidget *label : kids)
                for (QWidget *control : kids) {
                    const TResizeInfo *l = c.Form().ResizeHelper->RecordOf(label), *r = c.Form().ResizeHelper->RecordOf(control);
                    const int gap = r && l ? r->Left - l->Left - l->Width : -1, middle = label->geometry().center().y();
                    if (qobject_cast<QLabel *>(label) && !qobject_cast<QLabel *>(control) && gap >= 0 && gap <= 20
                        && l->Top < r->Top + r->Height && r->Top < l->Top + l->Height) {
                        EXPECT_TRUE(middle >= control->y() && middle < control->y() + control->height())
                            << label->objectName().toStdString() << " at " << size.width();
                    }
                }
        }
    }
}

TEST(MultiCalibration, EnglishUnderLanguageEn)
{
    StartupRig rig{5};
    SimDevice device(rig.PortsDir, 5, 48, 'I');
    // The edition's services put the language files' texts onto the windows.
    TCustom custom;
    Custom = &custom;
    struct Reset {
        ~Reset() { Custom = nullptr; }
    } reset;
    QFile ini(rig.IniPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Settings]\r\nComMultiPort=5\r\nLanguage=EN\r\n");
    ini.close();
    rig.Wire = [](TFormMain &f) {
        Wire(f);
        f.Services.ApplyLanguage = [&f] { f.ChangeLanguage(LM->Language, true); };
    };
    TFormMain &form = rig.Create();
    form.show();
    form.Timerek->stop();
    rig.Tick();
    TFrmMultiCalibrationTaronQV *w = FrmMultiCalibrationTaronQV;
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(LM->Language, "EN");
    const auto tab = [](QWidget *sheet) {
        auto *pages = qobject_cast<QTabWidget *>(sheet->parentWidget()->parentWidget());
        return pages->tabText(pages->indexOf(sheet));
    };
    EXPECT_EQ(tab(w->TbSMultiCalibrationModel), "Model (F9)");
    EXPECT_EQ(tab(w->TbSMultiCalibrationCorrections), "Corrections (F11)");
    EXPECT_EQ(w->Model->BtBModel2Default->text(), "Default");
    EXPECT_EQ(w->Map->BtnCalMapPetrolTemplateClear->text(), "Clear the TEMPLATE");
    EXPECT_EQ(w->Corrections->ChBOBDAdaptationEnabled->text(), "Activate the OBD correction map");
    EXPECT_EQ(w->Auto->LblCalAutocalibrationWaitingTemp->text(), "Waiting for the temperature");
    EXPECT_EQ(TranslateKey("strCalWriteIncomplete").left(15), "The calibration");
    // The main window's own components of the same names keep their texts.
    EXPECT_EQ(Get<QAbstractButton>(form, "BtBModel2Write")->text(), w->Model->BtBModel2Write->text());
}

TEST(MultiCalibration, LeavingTheTabWithEditsAsksAndNoLetsTheNextEntryDiscardThem)
{
    Cal48 c;
    c.EnterCalibration();
    ClickSheet(c.Window->TbSMultiCalibrationModel);
    c.Window->Model->UpDCalModellingBasedMult->setValue(7);
    ASSERT_TRUE(c.Window->Modified());
    int asked = 0;
    c.rig.Answer = [&](const TMessageBoxInfo &box) {
        asked += box.Buttons.contains(Cancel) ? 1 : 0;
        return box.Buttons.contains(No) ? No : Yes;
    };
    ClickTab(c.Form(), "TbSMeasure");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Current(c.Form(), "PgCMain"), "TbSMeasure");
    EXPECT_EQ(c.device.Controller.State.Model[1], 1024) << "nothing written";
    ClickTab(c.Form(), "TbSMultiCalibration");
    EXPECT_EQ(c.Window->Model->UpDCalModellingBasedMult->value(), 0);
    EXPECT_FALSE(c.Window->Modified());
}

TEST(MultiCalibration, MapWriteAndTemplateClearFramesInOrder)
{
    Cal48 c;
    c.EnterCalibration();
    ClickSheet(c.Window->TbSMultiCalibrationMap);
    c.Window->Map->BtnCalMapRead->click();
    // The multiplier keeps the model's value at the idle time: b moves by 1 % of Tb0.
    c.Window->Map->UpDCalMapMult->setValue(1);
    EXPECT_NEAR(DevData->GetModelOffset(), 1.0 - 0.01 * 468 / 187.0, 1e-9);
    EXPECT_TRUE(c.Window->ModelModified);
    c.device.Server.log().clear();
    c.Window->Map->BtnCalMapWrite->click();
    const std::vector<std::pair<int, int>> write = {{0x16, 1}, {0x16, 2}, {0xD5, 0}, {0xD5, 1}, {0x96, 0}, {0x96, 1}};
    EXPECT_EQ(Head(c.Sent(), write.size()), write);
    EXPECT_EQ(c.Sent()[write.size()], std::make_pair(0x51, 8)) << "read back";
    EXPECT_EQ(c.device.Controller.State.Model[2], uint16_t(std::nearbyint(187 - 4.68)));
    // Without model edits only the model table goes.
    c.device.Server.log().clear();
    c.Window->BtnCalMapWriteClick();
    EXPECT_EQ(Head(c.Sent(), 4), Head(write, 4));
    EXPECT_NE(c.Sent()[4].first, 0x96);

    c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    c.device.Server.withLock([&] { c.device.Controller.State.Param8[31] = 0x41; });
    DevData->SetAdaptation(true);
    c.device.Server.log().clear();
    c.Window->Map->BtnCalMapPetrolTemplateClear->click();
    const auto sent = c.Sent();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(Head(sent, 2), (std::vector<std::pair<int, int>>{{0xDE, 3}, {0xDE, 4}}));
    EXPECT_EQ(sent.back(), std::make_pair(0x08, 31));
    EXPECT_EQ(c.device.Controller.State.Param8[31] & 0x40, 0) << "adaptation off";
}

TEST(MultiCalibration, ResetWritesTheFactoryCorrections)
{
    Cal48 c;
    c.EnterCalibration();
    c.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    c.device.Server.withLock([&] {
        auto &s = c.device.Controller.State;
        s.Payload[0x93].assign(s.Payload[0x93].size(), 5);
        s.Payload[0xDB][0] = 9;
        s.Model[11] = 1100;
    });
    c.Window->ResetCorrectionsToDefaults();
    auto &s = c.device.Controller.State;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(int8_t(s.Payload[0xD2][size_t(i)]), Kind48Math::TgasStandard[size_t(i)]) << i;
        EXPECT_EQ(s.Payload[0xDB][size_t(i)], 0) << i;
        EXPECT_EQ(s.Payload[0x97][size_t(i)], 0) << i;
    }
    EXPECT_EQ(s.Payload[0x93], Bytes(s.Payload[0x93].size(), 0));
    EXPECT_EQ(s.Model[74], 1 + 2) << "system pressure and gas temperature on";
    EXPECT_EQ(s.Model[11], 1024);
    EXPECT_EQ(c.Window->Corrections->Edits[TMultiCalCorrectionsPage::cTgas][19]->text(), "15");
}

// Yes to the leave question and the device goes silent: the page stays, and
// the edits with it (not read over).
TEST(MultiCalibration, AFailedWriteFromThePageGuardKeepsThePageAndTheEdits)
{
    Cal48 c;
    c.EnterCalibration();
    ClickSheet(c.Window->TbSMultiCalibrationCorrections);
    c.Window->PnlMultiCalibration->findChild<QAbstractButton *>("BtnCorTgasStandard")->click();
    ASSERT_TRUE(c.Window->Modified());
    c.rig.Answer = [](const TMessageBoxInfo &box) { return box.Buttons.contains(Yes) ? Yes : 1; };
    c.device.Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0xD3; }, sim::Fault::noAnswer(), 2);
    c.rig.Boxes.clear();
    ClickSheet(c.Window->TbSMultiCalibrationMap);
    c.device.Server.clearFaults();
    EXPECT_EQ(c.Window->PgCCalibration->currentWidget(), c.Window->TbSMultiCalibrationCorrections);
    EXPECT_TRUE(c.Window->Modified());
    EXPECT_EQ(c.Window->Corrections->Edits[TMultiCalCorrectionsPage::cTgas][19]->text(), "15");
    ASSERT_FALSE(c.Texts().isEmpty());
    EXPECT_TRUE(c.Texts().last().contains(TranslateKey("strCalWriteIncomplete")));

    // A device that keeps a change record: leaving the modified page asks the
    // change-record question; declined, the page and its edits stay, nothing
    // is sent and no record is owed, so the page's Write asks it again.
    Cal48 g('G');
    g.Form().InstallChangeRecordQuery();
    g.EnterCalibration();
    ClickSheet(g.Window->TbSMultiCalibrationCorrections);
    g.Window->PnlMultiCalibration->findChild<QAbstractButton *>("BtnCorTgasStandard")->click();
    ASSERT_TRUE(g.Window->Modified());
    g.rig.Answer = [](const TMessageBoxInfo &box) { return box.Buttons.contains(Cancel) ? Cancel : No; };
    g.rig.Boxes.clear();
    g.device.Server.log().clear();
    ClickSheet(g.Window->TbSMultiCalibrationMap);
    EXPECT_EQ(g.Texts(), QStringList{TranslateKey("strQModChange")});
    EXPECT_EQ(g.Window->PgCCalibration->currentWidget(), g.Window->TbSMultiCalibrationCorrections);
    EXPECT_TRUE(g.Window->Modified());
    EXPECT_EQ(g.Window->Corrections->Edits[TMultiCalCorrectionsPage::cTgas][19]->text(), "15");
    EXPECT_TRUE(g.Frames().empty());
    EXPECT_FALSE(Common->ChangeRecordOwed());
    g.rig.Answer = [](const TMessageBoxInfo &) { return Yes; };
    g.Window->Corrections->BtnCorWriteCorrections->click();
    EXPECT_EQ(g.Texts().mid(1), QStringList{TranslateKey("strQModChange")});
    const auto sent = g.Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), std::make_pair(0x55, int(sent.back().second))), 1);
    EXPECT_EQ(sent.back().first, 0x55) << "one record, after the write";
    EXPECT_FALSE(g.Window->Modified());
}
