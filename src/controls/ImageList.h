// A list of equally sized pictures, drawn by index, with a change
// notification for the controls that show them.
#pragma once

#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QVector>

class QPainter;

class TImageList : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Width READ Width)
    Q_PROPERTY(int Height READ Height)
    Q_PROPERTY(int Count READ Count)

public:
    explicit TImageList(int width = 16, int height = 16, QObject *parent = nullptr);

    int Width() const { return FSize.width(); }
    int Height() const { return FSize.height(); }
    QSize Size() const { return FSize; }
    int Count() const { return static_cast<int>(FImages.size()); }

    // Appends a picture (scaled to the list's size when it differs); returns its index.
    int Add(const QPixmap &picture);
    void Replace(int index, const QPixmap &picture);
    void Delete(int index);
    void Clear();
    QPixmap Picture(int index) const;

    // Draws picture index at (x, y), in the disabled look when enabled is
    // false. An index outside the list draws nothing.
    void Draw(QPainter &painter, int x, int y, int index, bool enabled = true) const;

signals:
    void OnChange();

private:
    QPixmap Fit(const QPixmap &picture) const;

    QSize FSize;
    QVector<QPixmap> FImages;
};
