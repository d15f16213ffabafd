#include "controls/ImageList.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

TImageList::TImageList(int width, int height, QObject *parent)
    : QObject(parent), FSize(width, height)
{
}

QPixmap TImageList::Fit(const QPixmap &picture) const
{
    if (picture.size() == FSize)
        return picture;
    return picture.scaled(FSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

int TImageList::Add(const QPixmap &picture)
{
    FImages.append(Fit(picture));
    emit OnChange();
    return Count() - 1;
}

void TImageList::Replace(int index, const QPixmap &picture)
{
    if (index < 0 || index >= Count())
        return;
    FImages[index] = Fit(picture);
    emit OnChange();
}

void TImageList::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    FImages.removeAt(index);
    emit OnChange();
}

void TImageList::Clear()
{
    if (FImages.isEmpty())
        return;
    FImages.clear();
    emit OnChange();
}

QPixmap TImageList::Picture(int index) const
{
    return index >= 0 && index < Count() ? FImages[index] : QPixmap();
}

void TImageList::Draw(QPainter &painter, int x, int y, int index, bool enabled) const
{
    if (index < 0 || index >= Count())
        return;
    QPixmap picture = FImages[index];
    if (!enabled) {
        QStyleOption option;
        option.palette = QApplication::palette();
        picture = QApplication::style()->generatedIconPixmap(QIcon::Disabled, picture, &option);
    }
    painter.drawPixmap(x, y, picture);
}
