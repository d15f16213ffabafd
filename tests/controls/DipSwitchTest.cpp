#include "controls/ControlTestSupport.h"
#include "controls/DipSwitch.h"
#include "controls/PaintShape.h"

#include <QApplication>
#include <gtest/gtest.h>

using namespace controltest;

namespace {
struct Events {
    int clicks = 0;
    int presses = 0;
    QObject *lastPart = nullptr;
    explicit Events(TDipSwitch &dip)
    {
        QObject::connect(&dip, &TDipSwitch::OnClick, &dip, [this] { ++clicks; });
        QObject::connect(&dip, &TDipSwitch::OnMouseDown, &dip,
                         [this](QObject *part, Qt::MouseButton, Qt::KeyboardModifiers,
                                const QPoint &) {
                             ++presses;
                             lastPart = part;
                         });
    }
};
} // namespace

TEST(DipSwitch, KnobLayout)
{
    TDipSwitch dip;
    EXPECT_EQ(dip.size(), QSize(21, 42));
    // Bevel 1 and border 3: the halves share 13 x 34; the upper is (42 - 2) / 2 high.
    EXPECT_EQ(dip.UpperLabel()->geometry(), QRect(4, 4, 13, 20));
    EXPECT_EQ(dip.LowerLabel()->geometry(), QRect(4, 24, 13, 14));
    EXPECT_EQ(dip.Knob()->geometry(), QRect(4, 4, 13, 13));
    dip.SetChecked(true);
    EXPECT_EQ(dip.Knob()->geometry(), QRect(4, 25, 13, 13));
    dip.SetSwitchType(TDipSwitch::stRectangle);
    EXPECT_EQ(dip.Knob()->geometry(), QRect(4, 24, 13, 14));
    dip.SetChecked(false);
    EXPECT_EQ(dip.Knob()->geometry(), QRect(4, 4, 13, 14));
    dip.show();
    dip.resize(30, 80);
    EXPECT_EQ(dip.UpperLabel()->geometry(), QRect(4, 4, 22, 39));
    EXPECT_EQ(dip.Knob()->geometry(), QRect(4, 4, 22, 33));
}

TEST(DipSwitch, ClicksSwitchAndFire)
{
    TDipSwitch dip;
    dip.show();
    Events events(dip);
    mousePress(dip.LowerLabel(), QPoint(3, 3));
    EXPECT_TRUE(dip.Checked());
    EXPECT_EQ(events.clicks, 1);
    EXPECT_EQ(events.lastPart, dip.LowerLabel());
    // Non-cyclic: the lower half of a checked switch keeps it checked but still clicks.
    mousePress(dip.LowerLabel(), QPoint(3, 3));
    EXPECT_TRUE(dip.Checked());
    EXPECT_EQ(events.clicks, 2);
    // The knob counts as the half it sits in (now the lower one).
    mousePress(dip.Knob(), QPoint(2, 2));
    EXPECT_TRUE(dip.Checked());
    EXPECT_EQ(events.lastPart, dip.Knob());
    mousePress(dip.UpperLabel(), QPoint(3, 3));
    EXPECT_FALSE(dip.Checked());
    EXPECT_EQ(events.clicks, 4);
    EXPECT_EQ(events.presses, 4);
    EXPECT_EQ(dip.Knob()->geometry().top(), 4);

    // Cyclic: every press toggles, wherever it hits.
    dip.SetCyclic(true);
    mousePress(dip.UpperLabel(), QPoint(3, 3));
    EXPECT_TRUE(dip.Checked());
    mousePress(dip.Knob(), QPoint(3, 3));
    EXPECT_FALSE(dip.Checked());

    // Not switchable: nothing changes and nothing fires.
    dip.SetSwitchable(false);
    const int clicks = events.clicks;
    mousePress(dip.LowerLabel(), QPoint(3, 3));
    EXPECT_FALSE(dip.Checked());
    EXPECT_EQ(events.clicks, clicks);

    // From code: the knob moves, no click.
    dip.SetChecked(true);
    EXPECT_EQ(events.clicks, clicks);
    EXPECT_EQ(dip.Knob()->geometry().top(), 25);
}

TEST(DipSwitch, Picture)
{
    TDipSwitch dip;
    dip.SetColor(QColor(0xC0, 0xC0, 0xC0));
    dip.show();
    QImage image = grabImage(&dip);
    const QPalette &pal = dip.palette();
    // Lowered bevel: shadow on top and left, highlight on bottom and right.
    EXPECT_EQ(pixel(image, 0, 0), rgbOf(pal.color(QPalette::Dark)));
    EXPECT_EQ(pixel(image, 0, 20), rgbOf(pal.color(QPalette::Dark)));
    EXPECT_EQ(pixel(image, 10, 0), rgbOf(pal.color(QPalette::Dark)));
    EXPECT_EQ(pixel(image, 20, 0), rgbOf(pal.color(QPalette::Light)));
    EXPECT_EQ(pixel(image, 20, 41), rgbOf(pal.color(QPalette::Light)));
    EXPECT_EQ(pixel(image, 0, 41), rgbOf(pal.color(QPalette::Light)));
    // Face round the slot and in the empty half.
    EXPECT_EQ(pixel(image, 2, 20), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(pixel(image, 10, 30), QColor(0xC0, 0xC0, 0xC0));
    // Knob up: black outline, white inside.
    EXPECT_EQ(pixel(image, 4, 4), QColor(Qt::black));
    EXPECT_EQ(pixel(image, 16, 16), QColor(Qt::black));
    EXPECT_EQ(pixel(image, 10, 10), QColor(Qt::white));

    dip.SetChecked(true);
    dip.SetSwitchBrush(QColor(0xFF, 0x00, 0x00));
    image = grabImage(&dip);
    EXPECT_EQ(pixel(image, 10, 10), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(pixel(image, 10, 31), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(pixel(image, 4, 25), QColor(Qt::black));
    EXPECT_EQ(pixel(image, 16, 37), QColor(Qt::black));
}
