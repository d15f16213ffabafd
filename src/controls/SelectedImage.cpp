#include "controls/SelectedImage.h"

#include "controls/ImageList.h"
#include "core/ComponentVersion.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>

static ComponentVersionRegistrar reg("SelectedImage", "$Revision: 4 $",
                                     "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");

TSelectedImage::TSelectedImage(QWidget *parent) : QWidget(parent)
{
    resize(105, 105);
}

TSelectedImage::~TSelectedImage() = default;

void TSelectedImage::SetImageList(TImageList *value)
{
    if (FImageList == value)
        return;
    if (FImageList)
        disconnect(FImageList, nullptr, this, nullptr);
    FImageList = value;
    if (FImageList)
        connect(FImageList, &TImageList::OnChange, this, &TSelectedImage::ImageListChanged);
    ImageListChanged();
}

void TSelectedImage::ImageListChanged()
{
    if (FImageList && FImageList->Count() <= FImageIndex)
        FImageIndex = -1;
    update();
}

void TSelectedImage::SetImageIndex(int value)
{
    if (FImageIndex == value)
        return;
    FImageIndex = value;
    if (isEnabled())
        update();
}

void TSelectedImage::SetDisabledIndex(int value)
{
    if (FDisabledIndex == value)
        return;
    FDisabledIndex = value;
    if (!isEnabled())
        update();
}

void TSelectedImage::SetCenter(bool value)
{
    FCenter = value;
    update();
}

void TSelectedImage::SetStretch(bool value)
{
    if (FStretch == value)
        return;
    FStretch = value;
    if (isEnabled())
        update();
}

void TSelectedImage::SetColor(const QColor &value)
{
    if (FColor == value)
        return;
    FColor = value;
    update();
}

void TSelectedImage::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

void TSelectedImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (FImageList && FImageIndex >= 0) {
        const bool enabled = isEnabled();
        const int index = !enabled && FDisabledIndex != -1 ? FDisabledIndex : FImageIndex;
        // An index the list does not hold draws nothing.
        if (index >= 0 && index < FImageList->Count()) {
            const QSize size = FImageList->Size();
            QPixmap cell(size);
            cell.fill(FColor.isValid() ? FColor : palette().color(backgroundRole()));
            {
                QPainter cellPainter(&cell);
                FImageList->Draw(cellPainter, 0, 0, index, enabled);
            }
            QRect target;
            if (FStretch)
                target = rect();
            else if (FCenter)
                target = QRect((width() - size.width()) / 2, (height() - size.height()) / 2,
                               size.width(), size.height());
            else
                target = QRect(QPoint(0, 0), size);
            painter.drawPixmap(target, cell);
        }
    }
    emit OnPaint();
}
