#include "controls/ControlTestSupport.h"
#include "controls/ImageList.h"
#include "controls/SelectedImage.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace controltest;

namespace {
QPixmap solid(const QColor &color)
{
    QPixmap picture(8, 8);
    picture.fill(color);
    return picture;
}

const QColor kRed(0xFF, 0x00, 0x00);
const QColor kGreen(0x00, 0xFF, 0x00);
const QColor kBack(0x10, 0x20, 0x30);

struct Fixture {
    TImageList list{8, 8};
    TSelectedImage image;
    Fixture()
    {
        list.Add(solid(kRed));
        list.Add(solid(kGreen));
        image.resize(20, 20);
        image.setAutoFillBackground(true);
        QPalette pal = image.palette();
        pal.setColor(QPalette::Window, kBack);
        image.setPalette(pal);
        image.SetImageList(&list);
        image.show();
    }
};
} // namespace

TEST(SelectedImage, PlacementByMode)
{
    Fixture f;
    EXPECT_EQ(f.image.ImageIndex(), -1);
    EXPECT_EQ(pixel(grabImage(&f.image), 2, 2), kBack);
    f.image.SetImageIndex(1);
    QImage shot = grabImage(&f.image);
    EXPECT_EQ(pixel(shot, 0, 0), kGreen);
    EXPECT_EQ(pixel(shot, 7, 7), kGreen);
    EXPECT_EQ(pixel(shot, 8, 8), kBack);
    f.image.SetCenter(true);
    shot = grabImage(&f.image);
    EXPECT_EQ(pixel(shot, 0, 0), kBack);
    EXPECT_EQ(pixel(shot, 6, 6), kGreen);  // (20 - 8) / 2
    EXPECT_EQ(pixel(shot, 13, 13), kGreen);
    EXPECT_EQ(pixel(shot, 14, 14), kBack);
    f.image.SetStretch(true);
    shot = grabImage(&f.image);
    EXPECT_EQ(pixel(shot, 0, 0), kGreen);
    EXPECT_EQ(pixel(shot, 19, 19), kGreen);
}

TEST(SelectedImage, DisabledPictures)
{
    Fixture f;
    f.image.SetImageIndex(1);
    f.image.setEnabled(false);
    // No disabled index: the same picture in the disabled look.
    QImage shot = grabImage(&f.image);
    EXPECT_NE(pixel(shot, 3, 3), kGreen);
    EXPECT_NE(pixel(shot, 3, 3), kBack);
    const QColor disabledGreen = pixel(shot, 3, 3);
    // With a disabled index: that picture, in the disabled look.
    f.image.SetDisabledIndex(0);
    shot = grabImage(&f.image);
    QImage expected(8, 8, QImage::Format_RGB32);
    expected.fill(kBack);
    {
        QPainter painter(&expected);
        f.list.Draw(painter, 0, 0, 0, false);
    }
    EXPECT_EQ(pixel(shot, 3, 3), pixel(expected, 3, 3));
    EXPECT_NE(pixel(shot, 3, 3), disabledGreen);
    f.image.setEnabled(true);
    EXPECT_EQ(pixel(grabImage(&f.image), 3, 3), kGreen);
}

TEST(SelectedImage, IndexesOutOfRangeDrawNothing)
{
    Fixture f;
    f.image.SetImageIndex(5);
    EXPECT_EQ(pixel(grabImage(&f.image), 3, 3), kBack);
    f.image.SetImageIndex(1);
    f.image.SetDisabledIndex(9);
    f.image.setEnabled(false);
    EXPECT_EQ(pixel(grabImage(&f.image), 3, 3), kBack);
    f.image.setEnabled(true);
    // Removing pictures so that the index is out of range blanks the control.
    f.list.Delete(1);
    EXPECT_EQ(f.image.ImageIndex(), -1);
    EXPECT_EQ(pixel(grabImage(&f.image), 3, 3), kBack);
    // A list that goes away leaves the control blank, not dangling.
    f.image.SetImageIndex(0);
    {
        auto *temporary = new TImageList(8, 8);
        temporary->Add(solid(kRed));
        f.image.SetImageList(temporary);
        EXPECT_EQ(pixel(grabImage(&f.image), 3, 3), kRed);
        delete temporary;
    }
    EXPECT_EQ(pixel(grabImage(&f.image), 3, 3), kBack);
}
