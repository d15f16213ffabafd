// Shows one picture of an image list by index, with a separate picture for
// the disabled state; centred, stretched or at the top left. Used for state
// lamps.
#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

class TImageList;

class TSelectedImage : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(int DisabledIndex READ DisabledIndex WRITE SetDisabledIndex)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)

public:
    explicit TSelectedImage(QWidget *parent = nullptr);
    ~TSelectedImage() override;

    TImageList *ImageList() const { return FImageList; }
    void SetImageList(TImageList *value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    int DisabledIndex() const { return FDisabledIndex; }
    void SetDisabledIndex(int value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    // Background of the picture cell (the parent's background when invalid).
    QColor Color() const { return FColor; }
    void SetColor(const QColor &value);

signals:
    void OnPaint();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void ImageListChanged();

    QPointer<TImageList> FImageList;
    int FImageIndex = -1;
    int FDisabledIndex = -1;
    bool FCenter = false;
    bool FStretch = false;
    QColor FColor;
};
