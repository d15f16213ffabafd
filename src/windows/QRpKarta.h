// The printed installation card: an A4 page laid out as labels (a caption and
// its value label side by side) and the two pictures of the controller's model
// and map. The page is painted with QPainter onto a printer, the preview or a
// PDF file; its captions are components of the card window, so the language
// file translates them with the window's.
#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QPagedPaintDevice;
class QPainter;

class TQRpKarta : public QWidget
{
    Q_OBJECT
public:
    // The designed page: A4 at 96 dots per inch.
    static constexpr int PageWidth = 794;
    static constexpr int PageHeight = 1123;

    explicit TQRpKarta(QWidget *parent = nullptr);

    QWidget *QRBnRamka;
    QLabel *QRLbTitle;
    QLabel *QRImgModel, *QRImgMap;
    QLabel *QRMemInfDodatkoweVal;
    QLabel *QRLbPrintDate;

    // The value label of that name (nullptr when there is none).
    QLabel *Value(const char *name) const;
    void SetValue(const char *name, const QString &text);
    void SetModelImage(const QImage &image);
    void SetMapImage(const QImage &image);

    // Paints the page scaled into target.
    void Render(QPainter &painter, const QRectF &target) const;
    // Prints the page on a paged device (printer or PDF writer), one page.
    void Print(QPagedPaintDevice &device) const;
    // Writes the page to a PDF file; false when the file cannot be written.
    bool WritePdf(const QString &fileName) const;

private:
    QImage FModelImage, FMapImage;
};
