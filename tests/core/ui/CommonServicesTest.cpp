// Control helpers, page switching with notifications, and waiting.
#include "core/ui/Common.h"
#include "core/ui/WaitForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include <gtest/gtest.h>

TEST(CommonServices, SetControlEnabledCoversEachDisabledControlOnce)
{
    TCommon common;
    QWidget parent;
    auto *a = new QPushButton("a", &parent);
    auto *b = new QPushButton("b", &parent);
    a->setGeometry(10, 10, 50, 20);
    b->setGeometry(10, 40, 50, 20);
    parent.show();
    common.SetControlEnabled(a, false, false);
    common.SetControlEnabled(a, false, false); // second call: nothing
    common.SetControlEnabled(b, false, false);
    EXPECT_FALSE(a->isEnabled());
    QWidget *coverA = common.CoverOf(a);
    QWidget *coverB = common.CoverOf(b);
    ASSERT_NE(coverA, nullptr);
    ASSERT_NE(coverB, nullptr);
    EXPECT_NE(coverA, coverB);
    EXPECT_EQ(coverA->geometry(), a->geometry()); // the control only
    EXPECT_EQ(coverA->cursor().shape(), Qt::ForbiddenCursor);
    int covers = 0;
    for (QWidget *w : parent.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        covers += w->cursor().shape() == Qt::ForbiddenCursor && w != a && w != b;
    EXPECT_EQ(covers, 2);
    a->move(100, 100); // the cover follows
    EXPECT_EQ(coverA->geometry(), a->geometry());
    QWidget dock; // and goes along when the control is docked elsewhere
    dock.show();
    a->setParent(&dock);
    EXPECT_EQ(coverA->parentWidget(), &dock);
    a->setParent(&parent);
    a->show();
    common.SetControlEnabled(a, true, false);
    EXPECT_TRUE(a->isEnabled());
    EXPECT_EQ(common.CoverOf(a), nullptr);
    EXPECT_EQ(common.CoverOf(b), coverB); // the other one stays
    // Recursive: no cover, children follow.
    auto *panel = new QWidget(&parent);
    auto *child = new QCheckBox(panel);
    common.SetControlEnabled(panel, false, true);
    EXPECT_EQ(common.CoverOf(panel), nullptr);
    EXPECT_TRUE(child->testAttribute(Qt::WA_ForceDisabled));
    common.SetControlEnabled(panel, true, true);
    EXPECT_TRUE(child->isEnabled());
    delete b; // a destroyed control takes its cover along
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(common.CoverOf(b), nullptr);
}

TEST(CommonServices, FocusAndSilentChecks)
{
    QWidget window;
    auto *panel = new QWidget(&window);
    auto *box = new QCheckBox(panel);
    window.show();
    EXPECT_TRUE(TCommon::CanFocusChain(box));
    panel->setEnabled(false);
    EXPECT_FALSE(TCommon::CanFocusChain(box));
    panel->setEnabled(true);
    panel->hide();
    EXPECT_FALSE(TCommon::CanFocusChain(box));
    TCommon::SafeSetFocus(box); // must not throw or focus
    EXPECT_FALSE(box->hasFocus());

    int clicks = 0;
    QObject::connect(box, &QCheckBox::toggled, [&] { ++clicks; });
    TCommon::SetCheckedSilently(box, true);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(clicks, 0);
    box->setChecked(false); // the handler is back
    EXPECT_EQ(clicks, 1);
}

TEST(CommonServices, ButtonHighlight)
{
    TCommon common;
    QPushButton button("Zapisz");
    common.SetButtonHighlight(&button, true);
    EXPECT_TRUE(button.font().bold());
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    EXPECT_FALSE(button.icon().isNull());
    common.SetButtonHighlight(&button, false);
    EXPECT_FALSE(button.font().bold());
    EXPECT_EQ(button.palette().color(QPalette::ButtonText), QColor(0, 0, 0));
    EXPECT_TRUE(button.icon().isNull());
}

namespace {
struct Pages {
    QTabWidget tabs;
    QWidget *sheets[4];
    QList<int> notifications;
    int changes = 0;
    bool veto = false;
    Pages()
    {
        for (int i = 0; i < 4; ++i) {
            sheets[i] = new QWidget;
            tabs.addTab(sheets[i], QStringLiteral("Page %1").arg(i));
        }
        TCommon::SetTabNotifyHandler(&tabs, [this](int code) {
            notifications << code;
            return code == TCN_SELCHANGING && veto ? 1 : 0;
        });
        QObject::connect(&tabs, &QTabWidget::currentChanged, [this] { ++changes; });
    }
};
} // namespace

TEST(CommonServices, ActivatePageCountsVisibleSheets)
{
    Pages p;
    p.tabs.setTabVisible(1, false);
    // Sheet 2 is the second visible one.
    EXPECT_TRUE(TCommon::ActivatePage(&p.tabs, p.sheets[2], true));
    EXPECT_EQ(p.tabs.currentIndex(), 2);
    EXPECT_EQ(p.notifications, QList<int>({TCN_SELCHANGING, TCN_SELCHANGE}));
    EXPECT_EQ(p.changes, 1);
    // A hidden sheet: the next visible one is selected.
    EXPECT_TRUE(TCommon::ActivatePage(&p.tabs, p.sheets[1], true));
    EXPECT_EQ(p.tabs.currentIndex(), 2);
    // Without the message flag the selection changes silently.
    p.notifications.clear();
    p.changes = 0;
    EXPECT_TRUE(TCommon::ActivatePage(&p.tabs, p.sheets[3], false));
    EXPECT_EQ(p.tabs.currentIndex(), 3);
    EXPECT_EQ(p.notifications, QList<int>({TCN_SELCHANGING}));
    EXPECT_EQ(p.changes, 0);
    // A hidden last sheet: nothing follows, the selection stays and the
    // change notification runs again.
    p.tabs.setTabVisible(3, false);
    p.tabs.setCurrentIndex(2);
    p.changes = 0;
    EXPECT_TRUE(TCommon::ActivatePage(&p.tabs, p.sheets[3], true));
    EXPECT_EQ(p.tabs.currentIndex(), 2);
    EXPECT_EQ(p.changes, 1);
}

TEST(CommonServices, VetoedChangeLeavesTheSelection)
{
    Pages p;
    p.veto = true;
    EXPECT_FALSE(TCommon::SelectTabWithEvents(&p.tabs, 2, true));
    EXPECT_EQ(p.tabs.currentIndex(), 0);
    EXPECT_EQ(p.notifications, QList<int>({TCN_SELCHANGING}));
    EXPECT_EQ(p.changes, 0);
}

TEST(CommonServices, GridCellAndTabPainting)
{
    QTableWidget grid(1, 1);
    grid.setItem(0, 0, new QTableWidgetItem("X"));
    QImage image(40, 20, QImage::Format_RGB32);
    QPainter painter(&image);
    TCommon::DrawColoredGridCell(painter, &grid, 0, 0, QRect(0, 0, 40, 20), true, false);
    EXPECT_EQ(QColor(image.pixel(39, 19)), QColor(0, 0, 255));
    TCommon::DrawColoredGridCell(painter, &grid, 0, 0, QRect(0, 0, 40, 20), false, true);
    EXPECT_EQ(QColor(image.pixel(39, 19)), QColor(0, 128, 0));
    TCommon::DrawColoredGridCell(painter, &grid, 0, 0, QRect(0, 0, 40, 20), false, false);
    EXPECT_EQ(QColor(image.pixel(39, 19)), QColor(255, 255, 255));

    Pages p;
    p.tabs.setTabVisible(0, false);
    TCommon::DrawPageControlTab(painter, &p.tabs, 0, QRect(0, 0, 40, 20), false, QColor(1, 2, 3));
    EXPECT_EQ(QColor(image.pixel(39, 0)), QColor(1, 2, 3));
    image.fill(Qt::white);
    TCommon::DrawPageControlTab(painter, &p.tabs, 3, QRect(0, 0, 40, 20), false, QColor(1, 2, 3)); // none
    EXPECT_EQ(QColor(image.pixel(39, 0)), QColor(255, 255, 255));
}

TEST(CommonServices, WaitFormOfTheCommonServices)
{
    TCommon common;
    TWaitForm first, second;
    common.SetWaitForm(&first);
    common.SetWaitForm(&first); // the current one again: nothing
    try {
        common.SetWaitForm(&second);
        FAIL() << "no exception";
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "Cannot change WaitForm, while current one is still in use");
    }
    EXPECT_EQ(common.WaitForm(), &first);

    // Below 2000 ms the bar moves every 200 ms, from 2000 ms every 500 ms.
    QElapsedTimer clock;
    clock.start();
    common.WaitWithForm(300, true, true);
    EXPECT_EQ(first.Interval(), 200u);
    EXPECT_GE(clock.elapsed(), 200); // the bar's steps: 300 div 200 of them
    EXPECT_EQ(first.Window(), nullptr); // stopped at the end
    common.WaitWithForm(2000, true, true);
    EXPECT_EQ(first.Interval(), 500u);
    EXPECT_GE(clock.elapsed(), 2200);

    common.SetWaitForm(nullptr);
    EXPECT_EQ(common.WaitForm(), nullptr);
    common.SetWaitForm(&second);
    EXPECT_EQ(common.WaitForm(), &second);
    common.SetWaitForm(nullptr);

    // By the clock, with a temporary form, and without a form.
    clock.restart();
    common.WaitWithForm(120, true, false);
    EXPECT_GE(clock.elapsed(), 120);
    clock.restart();
    common.WaitWithForm(30, false, false);
    EXPECT_GE(clock.elapsed(), 30);
}

TEST(CommonServices, SetChildrenEnabledRecursesUnlessTold)
{
    QWidget parent;
    auto *panel = new QWidget(&parent);
    auto *inner = new QWidget(panel);
    auto *leaf = new QCheckBox(inner);
    auto *popup = new QWidget(panel, Qt::Window); // a window of its own is left alone
    // Called alone it recurses: every level carries its own flag.
    TCommon::SetChildrenEnabled(panel, false);
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ForceDisabled));
    EXPECT_TRUE(inner->testAttribute(Qt::WA_ForceDisabled));
    EXPECT_TRUE(leaf->testAttribute(Qt::WA_ForceDisabled));
    EXPECT_FALSE(popup->testAttribute(Qt::WA_ForceDisabled));
    TCommon::SetChildrenEnabled(panel, true);
    EXPECT_TRUE(leaf->isEnabled());
    // Without the flag only the control itself changes.
    TCommon::SetChildrenEnabled(panel, false, false);
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ForceDisabled));
    EXPECT_FALSE(inner->testAttribute(Qt::WA_ForceDisabled));
    EXPECT_FALSE(leaf->testAttribute(Qt::WA_ForceDisabled));
}
