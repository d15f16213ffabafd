#include "controls/ControlTestSupport.h"
#include "controls/ResizeHelper.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace controltest;

namespace {
template <typename T>
T *make(QWidget *parent, const char *name, const QRect &geometry, int fontPixels = 0)
{
    auto *w = new T(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(geometry);
    if (fontPixels > 0) {
        QFont font = w->font();
        font.setPixelSize(fontPixels);
        w->setFont(font);
    }
    return w;
}

// A 200 x 100 window with a panel holding an edit, an unnamed widget and a
// label that sizes itself.
struct Window {
    QWidget form;
    QWidget *panel;
    QWidget *inner;
    QWidget *unnamed;
    QLabel *autoLabel;
    TResizeHelper *helper;

    Window()
    {
        form.setObjectName(QStringLiteral("FormTest"));
        form.resize(200, 100);
        QFont font = form.font();
        font.setPixelSize(11);
        form.setFont(font);
        panel = make<QWidget>(&form, "Panel", QRect(10, 10, 80, 40), 12);
        inner = make<QWidget>(panel, "Inner", QRect(5, 5, 51, 21), 8);
        unnamed = make<QWidget>(&form, "", QRect(100, 10, 30, 30));
        autoLabel = make<QLabel>(&form, "LblAuto", QRect(120, 60, 40, 16), 10);
        autoLabel->setText(QStringLiteral("Text"));
        autoLabel->setProperty(TResizeHelper::AutoSizeProperty, true);
        autoLabel->adjustSize();
        helper = new TResizeHelper(&form);
        helper->SetAutoFormCreate(false);
        helper->SetForm(&form);
        form.show();
    }
};

int fontPixels(const QWidget *w) { return w->font().pixelSize(); }
} // namespace

TEST(ResizeHelper, Arithmetic)
{
    EXPECT_EQ(TResizeHelper::ScaleValue(10, 1.55), 16);   // trunc(16.0)
    EXPECT_EQ(TResizeHelper::ScaleValue(5, 1.5), 8);      // 7.5 + 0.5
    EXPECT_EQ(TResizeHelper::ScaleFontHeight(-8, 0.05), -1); // never 0
    EXPECT_EQ(TResizeHelper::ScaleFontHeight(8, 0.05), 1);
    EXPECT_EQ(TResizeHelper::ScaleFontHeight(-5, 0.5), -2);  // -2.5: ties to even
    EXPECT_EQ(TResizeHelper::ScaleFontHeight(-7, 0.5), -4);  // -3.5: ties to even
    EXPECT_EQ(TResizeHelper::ScaleFontHeight(-12, 2.0), -24);
}

TEST(ResizeHelper, RecordsNamedControlsOnly)
{
    Window w;
    EXPECT_NE(w.helper->RecordOf(&w.form), nullptr);
    EXPECT_NE(w.helper->RecordOf(w.panel), nullptr);
    EXPECT_NE(w.helper->RecordOf(w.inner), nullptr);
    EXPECT_EQ(w.helper->RecordOf(w.unnamed), nullptr);
    const TResizeInfo *panel = w.helper->RecordOf(w.panel);
    EXPECT_EQ(QRect(panel->Left, panel->Top, panel->Width, panel->Height), QRect(10, 10, 80, 40));
    EXPECT_EQ(panel->FontHeight, -12);
    EXPECT_EQ(w.helper->Records().front()->Control, &w.form);
}

TEST(ResizeHelper, DoublingAndBackIsExact)
{
    Window w;
    w.form.resize(400, 200);
    EXPECT_DOUBLE_EQ(w.helper->ScaleX(), 2.0);
    EXPECT_DOUBLE_EQ(w.helper->ScaleFont(), 2.0);
    EXPECT_EQ(w.panel->geometry(), QRect(20, 20, 160, 80));
    EXPECT_EQ(w.inner->geometry(), QRect(10, 10, 102, 42));
    EXPECT_EQ(fontPixels(w.panel), 24);
    EXPECT_EQ(fontPixels(w.inner), 16);
    EXPECT_EQ(fontPixels(&w.form), 22);
    EXPECT_EQ(w.unnamed->geometry(), QRect(100, 10, 30, 30)); // not recorded

    // Many odd sizes in a row, then back: nothing accumulates.
    for (int i = 1; i <= 25; ++i)
        w.form.resize(200 + 7 * i, 100 + 3 * i);
    w.form.resize(200, 100);
    EXPECT_EQ(w.panel->geometry(), QRect(10, 10, 80, 40));
    EXPECT_EQ(w.inner->geometry(), QRect(5, 5, 51, 21));
    EXPECT_EQ(fontPixels(w.panel), 12);
    EXPECT_EQ(fontPixels(w.inner), 8);
}

TEST(ResizeHelper, WidthOnlyKeepsFonts)
{
    Window w;
    const QSize labelSize = w.autoLabel->size();
    w.form.resize(400, 100);
    EXPECT_DOUBLE_EQ(w.helper->ScaleFont(), 1.0);
    EXPECT_EQ(w.panel->geometry(), QRect(20, 10, 160, 40));
    EXPECT_EQ(fontPixels(w.panel), 12);
    // A label that sizes itself moves but keeps its size.
    EXPECT_EQ(w.autoLabel->geometry(), QRect(QPoint(240, 60), labelSize));
    w.form.resize(300, 150);
    EXPECT_EQ(w.panel->geometry(), QRect(15, 15, 120, 60));
    EXPECT_EQ(w.inner->geometry(), QRect(8, 8, 77, 32)); // 7.5, 31.5 round up
    EXPECT_EQ(fontPixels(w.inner), 12);
}

TEST(ResizeHelper, ZeroSizesNeverScale)
{
    Window w;
    // The current size 0 (minimised to nothing): controls stay as they are.
    w.form.resize(400, 200);
    w.form.setMinimumSize(0, 0);
    w.form.resize(0, 200);
    w.helper->Rescale();
    EXPECT_EQ(w.panel->geometry(), QRect(20, 20, 160, 80));
    EXPECT_DOUBLE_EQ(w.helper->ScaleX(), 2.0);

    // A window recorded at size 0 is never scaled (an unnamed window is
    // recorded all the same).
    QWidget empty;
    empty.resize(0, 0);
    QWidget *child = make<QWidget>(&empty, "Child", QRect(1, 2, 3, 4));
    TResizeHelper helper(&empty);
    helper.SetForm(&empty);
    ASSERT_NE(helper.RecordOf(&empty), nullptr);
    ASSERT_NE(helper.RecordOf(child), nullptr);
    empty.resize(100, 100);
    helper.Rescale();
    EXPECT_EQ(child->geometry(), QRect(1, 2, 3, 4));
    EXPECT_DOUBLE_EQ(helper.ScaleX(), 1.0);
    EXPECT_DOUBLE_EQ(helper.ScaleY(), 1.0);
}

TEST(ResizeHelper, ExcludedAndLateControls)
{
    Window w;
    w.helper->ExcludeControl(w.inner);
    w.helper->ExcludeControl(w.inner);
    QWidget *late = make<QWidget>(&w.form, "Late", QRect(150, 80, 10, 10));
    late->show();
    w.form.resize(400, 200);
    // Excluded: position scaled, size and font not.
    EXPECT_EQ(w.inner->geometry(), QRect(10, 10, 51, 21));
    EXPECT_EQ(fontPixels(w.inner), 8);
    EXPECT_EQ(w.panel->geometry(), QRect(20, 20, 160, 80));
    // Created after recording: untouched.
    EXPECT_EQ(late->geometry(), QRect(150, 80, 10, 10));
}

TEST(ResizeHelper, DisabledDoesNothingAndHooksFire)
{
    Window w;
    int afterResize = 0;
    QObject::connect(w.helper, &TResizeHelper::OnAfterResize, &w.form, [&] { ++afterResize; });
    w.helper->SetEnabled(false);
    w.form.resize(400, 200);
    EXPECT_EQ(w.panel->geometry(), QRect(10, 10, 80, 40));
    EXPECT_EQ(afterResize, 0);
    w.helper->SetEnabled(true);
    w.form.resize(300, 300);
    EXPECT_EQ(afterResize, 1);
    EXPECT_EQ(w.panel->geometry(), QRect(15, 30, 120, 120));
    w.helper->SetAutoFormResize(false);
    w.form.resize(200, 100);
    EXPECT_EQ(afterResize, 1);
    EXPECT_EQ(w.panel->geometry(), QRect(15, 30, 120, 120));
}

TEST(ResizeHelper, RecordsOnShowAndNamesNotebookPages)
{
    QWidget form;
    form.setObjectName(QStringLiteral("FormShow"));
    form.resize(300, 200);
    auto *tabs = make<QTabWidget>(&form, "PgCMain", QRect(0, 0, 300, 200));
    auto *page = new QWidget;
    tabs->addTab(page, QStringLiteral("Live"));
    QWidget *onPage = make<QWidget>(page, "OnPage", QRect(10, 10, 40, 20));
    // A laid-out child belongs to its layout: never moved or sized here.
    auto *laidOut = new QWidget(&form);
    laidOut->setObjectName(QStringLiteral("LaidOut"));
    auto *holder = make<QWidget>(&form, "Holder", QRect(0, 0, 10, 10));
    auto *layout = new QVBoxLayout(holder);
    auto *managed = new QWidget(holder);
    managed->setObjectName(QStringLiteral("Managed"));
    layout->addWidget(managed);

    auto *helper = new TResizeHelper(&form);
    helper->SetAutoFormShow(true);
    EXPECT_FALSE(helper->AutoFormCreate());
    int afterShow = 0;
    QObject::connect(helper, &TResizeHelper::OnAfterShow, &form, [&] { ++afterShow; });
    EXPECT_EQ(helper->Form(), nullptr);
    form.show();
    EXPECT_EQ(afterShow, 1);
    EXPECT_EQ(helper->Form(), &form);
    EXPECT_EQ(page->objectName(), QStringLiteral("PgCMain_Live"));
    EXPECT_NE(helper->RecordOf(page), nullptr);
    ASSERT_NE(helper->RecordOf(onPage), nullptr);
    EXPECT_NE(helper->RecordOf(managed), nullptr);
    Q_UNUSED(laidOut);

    const QRect managedBefore = managed->geometry();
    form.resize(600, 400);
    EXPECT_EQ(tabs->geometry(), QRect(0, 0, 600, 400));
    EXPECT_EQ(onPage->geometry(), QRect(20, 20, 80, 40));
    EXPECT_EQ(holder->geometry(), QRect(0, 0, 20, 20));
    EXPECT_NE(managed->geometry(), QRect());
    Q_UNUSED(managedBefore);
}

// A panel docked into the window after it was recorded scales with it from
// then on: its geometry as it came, its inherited font as the application's.
TEST(ResizeHelper, AddedControlScalesWithTheWindow)
{
    Window w;
    w.form.resize(400, 200);
    QWidget *docked = make<QWidget>(w.panel, "Docked", QRect(2, 4, 30, 10));
    QWidget *child = make<QWidget>(docked, "DockedChild", QRect(1, 1, 20, 6), 9);
    const int appFont = QFontInfo(QApplication::font(docked)).pixelSize();
    w.helper->AddControl(docked);
    // At once at the window's scale (2 x 2).
    EXPECT_EQ(docked->geometry(), QRect(4, 8, 60, 20));
    EXPECT_EQ(child->geometry(), QRect(2, 2, 40, 12));
    EXPECT_EQ(fontPixels(child), 18);
    EXPECT_EQ(fontPixels(docked), 2 * appFont);
    // And back with the window; a second add records nothing twice.
    w.helper->AddControl(docked);
    w.form.resize(200, 100);
    EXPECT_EQ(docked->geometry(), QRect(2, 4, 30, 10));
    EXPECT_EQ(child->geometry(), QRect(1, 1, 20, 6));
    EXPECT_EQ(fontPixels(child), 9);
}
