#include "windows/QRpKarta.h"

#include "core/ui/Custom.h"
#include "windows/NamedWidget.h"

#include <QDate>
#include <QFontMetrics>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace {

constexpr int Left = 60, LeftValue = 270, Right = 430, RightValue = 590;
constexpr int CaptionWidth = 205, ValueWidth = 155, RightCaptionWidth = 155, RightValueWidth = 150;
constexpr int RowHeight = 20;

// A caption with its value label beside it; right = the right-hand column.
struct Row {
    const char *caption, *text, *value;
    int y;
    bool right;
};

// Section headings.
struct Heading {
    const char *name, *text;
    int y;
};

constexpr Heading Headings[] = {
    {"QRLbPojazd", "Pojazd", 120},
    {"QRLbSilnik", "Silnik", 230},
    {"QRLbElementy", "Elementy instalacji", 320},
    {"QRLbUstawienia", "Ustawienia", 430},
    {"QRLbModelSekcja", "Model", 560},
    {"QRLbInfDodatkowe", "Informacje dodatkowe", 850},
    {"QRLbWarsztat", "Warsztat montujący", 960},
};

constexpr Row Rows[] = {
    {"QRLbDate", "Data montażu:", "QRLbDateVal", 90, false},
    {"QRLbMarka", "Marka:", "QRLbMarkaVal", 145, false},
    {"QRLbRok", "Rok produkcji:", "QRLbRokVal", 145, true},
    {"QRLbMarkaModel", "Model:", "QRLbMarkaModelVal", 165, false},
    {"QRLbKodSilnika", "Kod silnika:", "QRLbKodSilnikaVal", 165, true},
    {"QRLbKodVIN", "Numer VIN:", "QRLbKodVINVal", 185, false},
    {"QRLbPoj", "Pojemność [cm3]:", "QRLbPojVal", 255, false},
    {"QRLbMoc", "Moc [KM]:", "QRLbMocVal", 255, true},
    {"QRLbCylindry", "Liczba cylindrów:", "QRLbCylindryVal", 275, false},
    {"QRLbPrzebieg", "Przebieg przed montażem [km]:", "QRLbPrzebiegVal", 275, true},
    {"QRLbSrCzas", "Średni czas wtrysku (ciepły silnik) [ms]:", "QRLbSrCzasVal", 295, false},
    {"QRLbReduktor", "Reduktor:", "QRLbReduktorVal", 345, false},
    {"QRLbFiltrLotnej", "Filtr fazy lotnej:", "QRLbFiltrLotnejVal", 365, false},
    {"QRLbFiltrCieklej", "Filtr fazy ciekłej:", "QRLbFiltrCieklejVal", 365, true},
    {"QRLbDysze", "Dysze [mm]:", "QRLbDyszeVal", 385, false},
    {"QRLbCisnienie", "Ciśnienie nominalne [bar]:", "QRLbCisnienieVal", 385, true},
    {"QRLbPrzelaczanieTemp", "Przełączanie na gaz - temperatura:", "QRLbPrzelaczanieTempVal", 455, false},
    {"QRLbPRzelaczanieRPM", "obroty:", "QRLbPRzelaczanieRPMVal", 455, true},
    {"QRLbWtryskiwaczeIle", "Liczba wtryskiwaczy:", "QRLbWtryskiwaczeIleVal", 475, false},
    {"QRLbZrodloImp", "Źródło impulsów:", "QRLbZrodloImpVal", 475, true},
    {"QRLbWtryskiwaczeTyp", "Typ wtryskiwaczy:", "QRLbWtryskiwaczeTypVal", 495, false},
    {"QRLbGazCzujnik", "Czujnik poziomu gazu:", "QRLbGazCzujnikVal", 495, true},
    {"QRLbPrzelaczBar", "Powrót na benzynę poniżej:", "QRLbPrzelaczBarVal", 515, false},
    {"QRLbPrzelaczSek", "przez:", "QRLbPrzelaczSekVal", 515, true},
    {"QRLbModelUst", "Model (MULT / OFFSET):", "QRLbModelUstVal", 585, false},
    {"QRLbProgi", "Progi TA-TD [ms] / wzbogacenia A-D [%]:", "QRLbProgiVal", 605, false},
    {"QRLbIdle", "Bieg jałowy (Tb):", "QRLbIdleVal", 585, true},
    {"QRLbNazwaFirmy", "Nazwa:", "QRLbNazwaFirmyVal", 985, false},
    {"QRLbAdres", "Adres:", "QRLbAdresVal", 1005, false},
    {"QRLbTelefon", "Telefon:", "QRLbTelefonVal", 1025, false},
    {"QRLbEmail", "E-mail:", "QRLbEmailVal", 1025, true},
};

QFont pixelFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void drawImage(QPainter &painter, const QImage &image, const QRect &box)
{
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(box);
    if (image.isNull())
        return;
    const QSize fitted = image.size().scaled(box.size() - QSize(4, 4), Qt::KeepAspectRatio);
    const QRect at(box.x() + (box.width() - fitted.width()) / 2, box.y() + (box.height() - fitted.height()) / 2,
                   fitted.width(), fitted.height());
    painter.drawImage(at, image);
}

} // namespace

TQRpKarta::TQRpKarta(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("QRpKarta"));
    setFixedSize(PageWidth, PageHeight);
    hide();
    QRBnRamka = NewNamed<QWidget>(this, "QRBnRamka", {40, 40, PageWidth - 80, PageHeight - 80});
    QRLbTitle = NewNamed<QLabel>(this, "QRLbTitle", {40, 50, PageWidth - 80, 28},
                                 QStringLiteral("Karta montażu sekwencyjnego wtrysku gazu"));
    QRLbTitle->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QRLbTitle->setFont(pixelFont(20, true));
    for (const Heading &h : Headings)
        NewNamed<QLabel>(this, h.name, {Left - 10, h.y, 400, RowHeight + 2}, QString::fromUtf8(h.text))
            ->setFont(pixelFont(14, true));
    for (const Row &r : Rows) {
        const int x = r.right ? Right : Left, vx = r.right ? RightValue : LeftValue;
        const int cw = r.right ? RightCaptionWidth : CaptionWidth, vw = r.right ? RightValueWidth : ValueWidth;
        NewNamed<QLabel>(this, r.caption, {x, r.y, cw, RowHeight}, QString::fromUtf8(r.text))
            ->setFont(pixelFont(12, false));
        NewNamed<QLabel>(this, r.value, {vx, r.y, vw, RowHeight})->setFont(pixelFont(12, true));
    }
    // The value of the VIN and of the workshop's address may be long.
    for (const char *wide : {"QRLbKodVINVal", "QRLbAdresVal", "QRLbProgiVal", "QRLbNazwaFirmyVal"})
        Value(wide)->resize(PageWidth - 60 - LeftValue, RowHeight);
    QRImgModel = NewNamed<QLabel>(this, "QRImgModel", {Left, 650, 320, 170});
    QRImgMap = NewNamed<QLabel>(this, "QRImgMap", {Right - 10, 650, 320, 170});
    NewNamed<QLabel>(this, "QRLbImgModel", {Left, 628, 320, RowHeight}, QStringLiteral("Model sterownika"))
        ->setFont(pixelFont(12, false));
    NewNamed<QLabel>(this, "QRLbImgMap", {Right - 10, 628, 320, RowHeight}, QStringLiteral("Mapa sterownika"))
        ->setFont(pixelFont(12, false));
    QRMemInfDodatkoweVal = NewNamed<QLabel>(this, "QRMemInfDodatkoweVal", {Left, 875, PageWidth - 2 * Left, 80});
    QRMemInfDodatkoweVal->setFont(pixelFont(12, false));
    QRMemInfDodatkoweVal->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QRMemInfDodatkoweVal->setWordWrap(true);
    // The values are the card's fields as the user typed them or the window
    // wrote them: a language switch leaves them (each preview writes them anew).
    for (const Row &r : Rows)
        TCustom::KeepGivenTexts(Value(r.value));
    TCustom::KeepGivenTexts(QRMemInfDodatkoweVal);
    QRLbPrintDate = NewNamed<QLabel>(this, "QRLbPrintDate", {Left, PageHeight - 75, PageWidth - 2 * Left, RowHeight});
    QRLbPrintDate->setFont(pixelFont(10, false));
    QRLbPrintDate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QLabel *TQRpKarta::Value(const char *name) const
{
    return findChild<QLabel *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void TQRpKarta::SetValue(const char *name, const QString &text)
{
    if (QLabel *label = Value(name))
        label->setText(text);
}

void TQRpKarta::SetModelImage(const QImage &image)
{
    FModelImage = image;
}

void TQRpKarta::SetMapImage(const QImage &image)
{
    FMapImage = image;
}

void TQRpKarta::Render(QPainter &painter, const QRectF &target) const
{
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / PageWidth, target.height() / PageHeight);
    painter.fillRect(QRect(0, 0, PageWidth, PageHeight), Qt::white);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(QRBnRamka->geometry());
    for (const QLabel *label : findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label == QRImgModel || label == QRImgMap || label->text().isEmpty())
            continue;
        // A text longer than its place (a long translation) is set smaller.
        QFont font = label->font();
        if (!label->wordWrap())
            while (font.pixelSize() > 7 && QFontMetrics(font).horizontalAdvance(label->text()) > label->width() - 2)
                font.setPixelSize(font.pixelSize() - 1);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const int flags = int(label->alignment()) | (label->wordWrap() ? int(Qt::TextWordWrap) : 0);
        painter.drawText(label->geometry(), flags, label->text());
    }
    drawImage(painter, FModelImage, QRImgModel->geometry());
    drawImage(painter, FMapImage, QRImgMap->geometry());
    painter.restore();
}

void TQRpKarta::Print(QPagedPaintDevice &device) const
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&device))
        return;
    const QRect page = painter.viewport();
    Render(painter, QRectF(page));
    painter.end();
}

bool TQRpKarta::WritePdf(const QString &fileName) const
{
    QPdfWriter writer(fileName);
    writer.setResolution(300);
    writer.setTitle(QRLbTitle->text());
    writer.setCreator(QStringLiteral("taron"));
    QPainter painter;
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    if (!painter.begin(&writer))
        return false;
    Render(painter, QRectF(painter.viewport()));
    return painter.end();
}
