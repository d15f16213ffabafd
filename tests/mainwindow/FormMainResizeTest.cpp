// The main window's layout at other sizes: every control keeps its place
// among its neighbours and inside its panel, text that fits at the designed
// size still fits, the rules that tie sizes together hold, and resizing
// neither talks to the device nor touches unsaved edits.
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"
#include "controls/ChangeHelper.h"
#include "controls/ResizeHelper.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/MultiCalMapPage.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QtCharts/QChartView>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace shellwiring;
using startup::SimDevice;
using startup::StartupRig;

namespace {

// Controls the designed layout places across their panel's edge on purpose.
const QSet<QString> kOutside = {"EdtChtModel2Keyboard", "PnlDgnHandle1", "PnlDgnHandle2", "DgnLbl5t", "DgnLbl6t",
                                "DgnLbl7t", "DgnLbl8t", "DgnLbl9t", "DgnLbl5b", "DgnLbl6b", "DgnLbl7b",
                                "DgnLbl8b", "DgnLbl9b"};

struct Shot {
    QRect Geometry;
    bool TextFits = false;
    QSize Parent;
};


bool TextFits(const QWidget *w)
{
    QString text;
    if (auto *l = qobject_cast<const QLabel *>(w); l && !l->wordWrap())
        text = l->text();
    else if (auto *b = qobject_cast<const QAbstractButton *>(w))
        text = b->text();
    if (text.isEmpty() || text.contains(QLatin1Char('\n')))
        return false;
    const QFontMetrics fm(w->font());
    const int pad = qobject_cast<const QLabel *>(w) ? 0 : (qobject_cast<const QCheckBox *>(w) ? 20 : 8);
    return fm.horizontalAdvance(text) + pad <= w->width() && fm.height() <= w->height();
}

std::map<QWidget *, Shot> Take(TFormMain &form)
{
    std::map<QWidget *, Shot> out;
    for (const auto &r : form.ResizeHelper->Records()) {
        QWidget *w = r->Control;
        // Pages and tab-bar buttons are placed by their page controls.
        if (w && w != form.centralWidget() && w->isVisibleTo(&form) && !kOutside.contains(w->objectName())
            && !qobject_cast<QStackedWidget *>(w->parentWidget()) && !qobject_cast<QTabBar *>(w->parentWidget()))
            out[w] = {w->geometry(), TextFits(w), w->parentWidget()->size()};
    }
    return out;
}

// Shows a sheet the way its page controls would, without their change
// handlers (which talk to the device).
void Reveal(TFormMain &form, const char *sheet)
{
    for (QWidget *w = Get(form, sheet); w && w != form.centralWidget(); w = w->parentWidget())
        if (auto *stack = qobject_cast<QStackedWidget *>(w->parentWidget()))
            if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget())) {
                const QSignalBlocker block(tabs);
                tabs->setTabVisible(tabs->indexOf(w), true);
                tabs->setCurrentWidget(w);
            }
    QCoreApplication::processEvents();
}

const char *const kSheets[] = {"TbSMeasure", "TbSCalModel", "TbSCalMap", "TbSCalModel2", "TbSDgnOscyloskop",
                               "TbSDgnErrorCodes", "TbSDgnAdvance", "TbSCnfBase", "TbSConfFinish"};

void Save(TFormMain &form, const QString &name)
{
    const QString dir = qEnvironmentVariable("TARON_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        form.grab().save(QDir(dir).filePath(name));
}

} // namespace

TEST(FormMainResize, ControlsKeepTheirNeighboursTextAndEditsAtLargerSizes)
{
    StartupRig rig{5};
    SimDevice device(rig.PortsDir, 5, 48, 'I');
    // The configuration page owns the cylinder-count controls that lay the
    // injection bars out.
    TProgramLogic logic;
    rig.Wire = [&logic](TFormMain &f) {
        Wire(f);
        InstallConfigurationPage(f, logic);
    };
    TFormMain &form = rig.Create();
    rig.Tick();
    form.show();
    QCoreApplication::processEvents();
    const auto designedSize = [&form] {
        form.resize(780, form.height() - form.centralWidget()->height() + 496);
        QCoreApplication::processEvents();
    };
    designedSize();
    ASSERT_EQ(form.centralWidget()->size(), QSize(780, 496));
    // The main timer's polling is not part of this.
    form.Timerek->stop();
    form.TimerMapa->stop();
    std::map<const char *, std::map<QWidget *, Shot>> designedSheets;
    QStringList cramped;
    for (const char *sheet : kSheets) {
        Reveal(form, sheet);
        designedSheets[sheet] = Take(form);
        // At the designed size a button's text keeps 6 px off its edges, a caption's 6 px off the control beside it.
        for (const auto &[w, shot] : designedSheets[sheet]) {
            auto *button = qobject_cast<QPushButton *>(w) || qobject_cast<QToolButton *>(w) ? static_cast<QAbstractButton *>(w) : nullptr;
            auto *label = qobject_cast<QLabel *>(w);
            const bool caption = label && !label->wordWrap() && label->frameShape() == QFrame::NoFrame
                                 && label->findChildren<QWidget *>().isEmpty();
            const QString text = button ? button->text() : caption ? label->text() : QString();
            if (text.isEmpty() || text.contains(QLatin1Char('\n')))
                continue;
            int room = button ? w->x() + w->width() - 6 : INT_MAX;
            for (const auto &[other, o] : designedSheets[sheet])
                if (caption && other != w && other->parentWidget() == w->parentWidget() && o.Geometry.left() > w->x()
                    && o.Geometry.top() < shot.Geometry.bottom() && shot.Geometry.top() < o.Geometry.bottom())
                    room = std::min(room, o.Geometry.left() - 6);
            if (w->x() + QFontMetrics(w->font()).horizontalAdvance(text.trimmed()) > room)
                cramped << w->objectName();
        }
        Save(form, QStringLiteral("resize-780-%1.png").arg(sheet));
    }
    EXPECT_TRUE(cramped.isEmpty()) << cramped.join(", ").toStdString();
    Reveal(form, "TbSMeasure");
    ASSERT_GT(designedSheets["TbSMeasure"].size(), 60u); // the bars of the configured cylinders only

    // Unsaved edits, and no device traffic from here on.
    form.ChangeHelper->SetModified(true);
    auto *edit = Get<QLineEdit>(form, "EdtInjFullOpenTime");
    edit->setText("12,3");
    device.Server.log().clear();

    for (const QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
        form.resize(size);
        QCoreApplication::processEvents();
        QWidget *central = form.centralWidget();
        ASSERT_GT(central->width(), 1000) << size.width();
        QStringList wrong;
        for (const char *sheet : kSheets) {
            Reveal(form, sheet);
            Save(form, QStringLiteral("resize-%1-%2.png").arg(size.width()).arg(sheet));
            const auto &designed = designedSheets[sheet];
            const auto now = Take(form);
            for (const auto &[w, before] : designed) {
                if (!now.count(w))
                    continue;
                const Shot &after = now.at(w);
                const QRect inner(QPoint(0, 0), w->parentWidget()->size());
                const TResizeInfo *parentRecord = form.ResizeHelper->RecordOf(w->parentWidget());
                const QRect designedParent(QPoint(0, 0), parentRecord ? QSize(parentRecord->Width, parentRecord->Height)
                                                                      : w->parentWidget()->size());
                if (designedParent.contains(before.Geometry) && !inner.contains(after.Geometry))
                    wrong << w->objectName()
                                 + QStringLiteral(" leaves its panel (%1,%2 %3x%4 in %5x%6)")
                                       .arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height())
                                       .arg(inner.width()).arg(inner.height());
                if (before.TextFits && !after.TextFits)
                    wrong << w->objectName() + " clips its text";
            }
            // Neighbours: what stood left of or above a sibling beside it still does.
            for (const auto &[a, ba] : designed)
                for (const auto &[b, bb] : designed) {
                    if (a >= b || a->parentWidget() != b->parentWidget() || !now.count(a) || !now.count(b))
                        continue;
                    const QRect ra = ba.Geometry, rb = bb.Geometry, na = now.at(a).Geometry, nb = now.at(b).Geometry;
                    // Controls that touched may share a pixel after rounding.
                    const auto pair = a->objectName() + "/" + b->objectName();
                    // Side by side when their rows overlap, one above the
                    // other when their columns do.
                    const bool sameRow = ra.top() <= rb.bottom() && rb.top() <= ra.bottom();
                    const bool sameColumn = ra.left() <= rb.right() && rb.left() <= ra.right();
                    if (sameRow && ra.right() < rb.left() && !(na.right() <= nb.left()))
                        wrong << pair + " left of";
                    if (sameRow && rb.right() < ra.left() && !(nb.right() <= na.left()))
                        wrong << pair + " right of";
                    if (sameColumn && ra.bottom() < rb.top() && !(na.bottom() <= nb.top()))
                        wrong << pair + " above";
                    if (sameColumn && rb.bottom() < ra.top() && !(nb.bottom() <= na.top()))
                        wrong << pair + " below";
                }
        }
        EXPECT_TRUE(wrong.isEmpty()) << size.width() << ": " << wrong.join(", ").toStdString();
        Reveal(form, "TbSMeasure");

        // The injection bars fill their column one pitch apart.
        QWidget *column = Get(form, "PnlOdcTinj1_3");
        QWidget *bars = Get(form, "PnlOdcTinjPetrol");
        EXPECT_EQ(bars->y() + bars->height(), column->height());
        // One bar per configured cylinder, as wide as the gas column less its
        // load labels, each label right after its bar.
        const int cylinders = DeviceRecord.InjSW;
        ASSERT_GE(cylinders, 3);
        const int pitch = int(std::nearbyint((column->height() - 5) / double(cylinders) - 2.0));
        const QByteArray last = "PrBOdcPetrol" + QByteArray::number(cylinders);
        EXPECT_EQ(Get(form, last.constData())->y() - Get(form, "PrBOdcPetrol1")->y(), (cylinders - 1) * pitch);
        EXPECT_GT(pitch, 19);
        QWidget *gas1 = Get(form, "PrBOdcLPG1"), *load1 = Get(form, "LblOdcWskTg1");
        EXPECT_EQ(gas1->width(), gas1->parentWidget()->width() - load1->width() - gas1->x() - 4);
        EXPECT_EQ(Get(form, "PrBOdcPetrol1")->width(), gas1->width());
        EXPECT_EQ(load1->x(), gas1->x() + gas1->width());
        EXPECT_EQ(Get(form, "PnlB2")->width(), int(std::nearbyint(0.43 * (central->width() + 8))));
        EXPECT_EQ(Get(form, "ChBAdvancedView")->x() + Get(form, "ChBAdvancedView")->width(), central->width());
    }
    EXPECT_TRUE(device.Commands().empty());
    EXPECT_TRUE(form.ChangeHelper->Modified());
    EXPECT_EQ(edit->text(), "12,3");

    // Back at the designed size every control is where it was designed.
    designedSize();
    int compared = 0;
    for (const char *sheet : kSheets) {
        Reveal(form, sheet);
        // (A page whose tab row came back at another height moves what
        // hangs from its bottom edge; that is the page control's doing.)
        for (const auto &[w, before] : Take(form))
            if (designedSheets[sheet].count(w) && designedSheets[sheet].at(w).Parent == before.Parent) {
                EXPECT_EQ(w->geometry(), designedSheets[sheet].at(w).Geometry)
                    << w->objectName().toStdString() << " in " << w->parentWidget()->objectName().toStdString();
                ++compared;
            }
    }
    EXPECT_GT(compared, 400);
}

TEST(FormMainResize, NarrowWindowSpringsBackAndTheRulesFollowWidthAndSensor)
{
    TFormMain form;
    // The configuration page orders the map's load panels by the sensor.
    TProgramLogic logic;
    InstallConfigurationPage(form, logic);
    form.SetScreenSizeForCheck(QSize(1920, 1080));
    form.show();
    QCoreApplication::processEvents();
    const QSize designed = form.size();
    QWidget *central = form.centralWidget();
    auto *codes = Get(form, "PnlOdcTroubleCode");

    form.resize(700, 900);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.size(), designed);

    // Outer width 800 (central 792): font 11; 801: font 14.
    const int frame = form.width() - central->width();
    form.resize(792 + frame, designed.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(codes->font().pointSize(), 11);
    form.resize(793 + frame, designed.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(codes->font().pointSize(), 14);
    EXPECT_EQ(Get(form, "PnlOdcActTroubleCode")->height(), int(std::nearbyint(codes->height() / 2.0)) - 30);

    // Pressure-sensor type 1: the high-load panel first.
    DevData->SetPressureSensorType(1);
    form.resize(1000, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(Get(form, "PnlCalLoadH")->x(), 35);
    EXPECT_LT(Get(form, "PnlCalLoadM")->x(), Get(form, "PnlCalLoadL")->x());
    DevData->SetPressureSensorType(0);
    form.resize(1001, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(Get(form, "PnlCalLoadL")->x(), 35);

    // The calibration page keeps a collapsed read-out panel collapsed.
    Reveal(form, "TbSCalModel");
    Get(form, "PnlModOdcHide")->show();
    form.resize(1100, 760);
    QCoreApplication::processEvents();
    EXPECT_EQ(Get(form, "PnlModOdcMain")->height(), 0);
    Get(form, "PnlModOdcHide")->hide();
    form.resize(1110, 760);
    QCoreApplication::processEvents();
    EXPECT_GT(Get(form, "PnlModOdcMain")->height(), 0);

    // A small screen is reported once and lays nothing out.
    form.SetScreenSizeForCheck(QSize(640, 480));
    form.resize(1200, 800);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.LowResolutionWarned());
    EXPECT_NE(Get(form, "PnlB2")->width(), int(std::nearbyint(0.43 * (central->width() + 8))));
}

// The kind-48 map's load captions at each window size: the map page orders
// them by the pressure sensor (high load first for the first type, as on
// kinds 20 and 21); entering the page, a read of the map and a resize keep
// that order and what they say.
TEST(FormMainResize, Kind48MapLoadCaptionsKeepThePagesOrderAtEverySize)
{
    const struct {
        QSize size;
        uint8_t sensor;
    } rows[] = {{{780, 540}, 1}, {{1024, 768}, 1}, {{1920, 1080}, 1},
                {{780, 540}, 3}, {{1024, 768}, 3}, {{1920, 1080}, 3}};
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.size.width() << "x" << row.size.height() << " sensor "
                                        << int(row.sensor));
        StartupRig rig{5};
        SimDevice device(rig.PortsDir, 5, 48, 'I');
        // The sensor type: byte 26 of the configuration block's answer.
        device.Server.withLock([&] { device.Controller.State.Payload[0xD8][24] = row.sensor; });
        rig.Wire = Wire;
        TFormMain &form = rig.Create();
        rig.Tick();
        rig.HoldTimer();
        form.SetScreenSizeForCheck(QSize(1920, 1080));
        form.show();
        // (No event processing after a resize: the headless screen is
        // smaller than these sizes and would put the window back on it.)
        form.resize(row.size);
        TMultiCalMapPage *map = FrmMultiCalibrationTaronQV->Map;
        const QList<QWidget *> panels{map->PnlCalLoadL, map->PnlCalLoadM, map->PnlCalLoadH};
        QStringList texts;
        for (QWidget *panel : panels)
            texts.prepend(qobject_cast<QLabel *>(panel)->text());
        if (row.sensor != 1)
            std::reverse(texts.begin(), texts.end());
        const std::string expected = texts.join(QStringLiteral(" / ")).toStdString();
        // The captions' texts from left to right.
        const auto shown = [&panels] {
            QList<QWidget *> byX = panels;
            std::sort(byX.begin(), byX.end(), [](QWidget *a, QWidget *b) { return a->x() < b->x(); });
            QStringList order;
            for (QWidget *panel : byX)
                order << qobject_cast<QLabel *>(panel)->text();
            return order.join(QStringLiteral(" / ")).toStdString();
        };
        Get<QAction>(form, "MnIWindowMultiCalibrationMap")->trigger();
        ASSERT_EQ(FrmMultiCalibrationTaronQV->PgCCalibration->currentWidget(),
                  FrmMultiCalibrationTaronQV->TbSMultiCalibrationMap);
        // Where they stand: each draw of the chart places them again, in the
        // same place at the same size.
        const auto places = [&panels] {
            QList<QRect> r;
            for (QWidget *panel : panels)
                r << panel->geometry();
            return r;
        };
        EXPECT_EQ(shown(), expected) << "entering the map page";
        const QList<QRect> entered = places();
        // Together they stand over the chart's width, from near its left edge
        // to its right edge.
        const QRect chart = map->ChtMapa->geometry();
        const int from = std::min({entered[0].left(), entered[1].left(), entered[2].left()});
        const int to = std::max({entered[0].right(), entered[1].right(), entered[2].right()});
        EXPECT_GE(from, chart.left());
        EXPECT_LT(from - chart.left(), chart.width() / 10);
        EXPECT_LE(to, chart.right());
        EXPECT_GT(to, chart.right() - 3);
        map->BtnCalMapRead->click();
        EXPECT_EQ(shown(), expected) << "after a read of the map";
        EXPECT_EQ(places(), entered) << "after a read of the map";
        map->BtnCalMapRead->click();
        EXPECT_EQ(places(), entered) << "after a second read";
        form.resize(row.size + QSize(40, 30));
        form.resize(row.size);
        EXPECT_EQ(form.size(), row.size);
        EXPECT_EQ(shown(), expected) << "after a resize";
        EXPECT_EQ(places(), entered) << "after a resize";
    }
}
