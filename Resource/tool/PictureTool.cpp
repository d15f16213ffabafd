// The host tool that draws the program's own pictures and writes them as
// JPEG files into the resource folder:
//   _<code>_schema.jpg   the wiring schema, with the texts of each language
//   __w2.reg             the start-up splash picture (JPEG data)
//   _data.reg            the logo of the information box (JPEG data)
//   __<kind>_<name>.jpg  a drawing of each pressure sensor, gas injector and
//                        reducer the configuration lists offer
//   __NO.jpg             the picture shown for a component without one
// Language-independent pictures have an empty language code between the
// resource prefix "_" and their name, hence the two underscores.
// Usage: taron-picturetool <output folder>
// Everything is drawn here with QPainter; nothing is taken from elsewhere.
#include "core/CustomParameters.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <cstdio>
#include <jpeglib.h>

namespace {

QString Folder;
int Failures = 0;

// Writes the image as baseline JPEG through libjpeg; the file appears whole
// or not at all.
void WriteJpeg(const QImage &image, const QString &name, int quality = 90)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const QString target = QDir(Folder).filePath(name);
    const QString temporary = target + QStringLiteral(".part");
    FILE *file = std::fopen(QFile::encodeName(temporary).constData(), "wb");
    if (!file) {
        std::fprintf(stderr, "taron-picturetool: cannot write %s\n", qPrintable(temporary));
        ++Failures;
        return;
    }
    jpeg_compress_struct c{};
    jpeg_error_mgr error{};
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, file);
    c.image_width = JDIMENSION(rgb.width());
    c.image_height = JDIMENSION(rgb.height());
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        auto *row = const_cast<JSAMPROW>(rgb.constScanLine(int(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(file);
    QFile::remove(target);
    if (!QFile::rename(temporary, target)) {
        std::fprintf(stderr, "taron-picturetool: cannot rename %s\n", qPrintable(temporary));
        ++Failures;
    }
}

QImage Canvas(int w, int h, const QColor &background = Qt::white)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(background);
    return image;
}

QFont Font(int pixels, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// ---- Wiring schema ------------------------------------------------------------

struct TSchemaTexts {
    const char *code;
    const char *title, *controller, *petrolInjectors, *gasInjectors, *reducer, *pressureSensor, *temperature,
        *levelSensor, *switchPanel, *battery, *ignition, *rpm, *lambda, *valve, *manifold, *ground, *note;
};

const TSchemaTexts SchemaTexts[] = {
    {"EN", "Wiring diagram", "Controller", "Petrol injectors", "Gas injectors", "Reducer", "Pressure sensor",
     "Gas temperature", "Level sensor", "Switch panel", "Battery +12V", "Ignition +12V", "RPM signal", "Lambda sensor",
     "Gas valves", "To the intake manifold", "Ground", "Cut the petrol injector wires where marked (X)."},
    {"PL", "Schemat podłączenia", "Sterownik", "Wtryskiwacze benzynowe", "Wtryskiwacze gazowe", "Reduktor",
     "Czujnik ciśnienia", "Temperatura gazu", "Czujnik poziomu", "Przełącznik", "Akumulator +12V", "Zapłon +12V",
     "Sygnał obrotów", "Sonda lambda", "Elektrozawory", "Do kolektora dolotowego", "Masa",
     "Przewody wtryskiwaczy benzynowych przeciąć w miejscach oznaczonych (X)."},
};

void Box(QPainter &p, const QRect &r, const QColor &fill, const QString &text, int pixels = 14)
{
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(fill);
    p.drawRoundedRect(r, 8, 8);
    p.setFont(Font(pixels, true));
    p.drawText(r, Qt::AlignCenter | Qt::TextWordWrap, text);
}

void Wire(QPainter &p, const QColor &colour, std::initializer_list<QPoint> points)
{
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    bool first = true;
    for (const QPoint &pt : points) {
        if (first)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        first = false;
    }
    p.drawPath(path);
}

void Cut(QPainter &p, QPoint at)
{
    p.setPen(QPen(QColor(200, 0, 0), 3));
    p.drawLine(at + QPoint(-7, -7), at + QPoint(7, 7));
    p.drawLine(at + QPoint(-7, 7), at + QPoint(7, -7));
}

void DrawSchema(const TSchemaTexts &t)
{
    QImage image = Canvas(1000, 700);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(Font(26, true));
    p.setPen(Qt::black);
    p.drawText(QRect(0, 10, 1000, 40), Qt::AlignCenter, QString::fromUtf8(t.title));

    const QRect controller(400, 250, 200, 200);
    // Petrol injectors, left, each wire cut and led through the controller.
    const QColor petrol(30, 90, 200), gas(230, 140, 0), power(200, 0, 0), signal(0, 150, 60), ground(60, 60, 60);
    p.setFont(Font(16, true));
    p.setPen(Qt::black);
    p.drawText(QRect(40, 70, 260, 24), Qt::AlignLeft, QString::fromUtf8(t.petrolInjectors));
    for (int i = 0; i < 4; ++i) {
        const QRect inj(60 + 60 * i, 100, 40, 70);
        Box(p, inj, QColor(200, 220, 255), QString::number(i + 1));
        const QPoint from(inj.center().x(), inj.bottom());
        Wire(p, petrol, {from, QPoint(from.x(), 230 + 12 * i), QPoint(controller.left(), 230 + 12 * i)});
        Cut(p, QPoint(from.x(), 200));
    }
    // Gas injector rail, right.
    p.setPen(Qt::black);
    p.drawText(QRect(700, 70, 260, 24), Qt::AlignLeft, QString::fromUtf8(t.gasInjectors));
    Box(p, QRect(700, 100, 260, 50), QColor(255, 225, 180), QString());
    for (int i = 0; i < 4; ++i) {
        const QRect nozzle(720 + 60 * i, 150, 20, 30);
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(nozzle);
        Wire(p, gas, {QPoint(730 + 60 * i, 100), QPoint(730 + 60 * i, 85), QPoint(690, 85 + 0 * i),
                      QPoint(690, 270 + 12 * i), QPoint(controller.right(), 270 + 12 * i)});
    }
    // Reducer with its temperature sensor, below right.
    Box(p, QRect(720, 470, 200, 110), QColor(255, 240, 200), QString::fromUtf8(t.reducer), 18);
    Box(p, QRect(760, 600, 160, 40), QColor(240, 240, 240), QString::fromUtf8(t.temperature), 12);
    Wire(p, signal, {QPoint(760, 620), QPoint(650, 620), QPoint(650, 420), QPoint(controller.right(), 420)});
    Wire(p, QColor(150, 150, 150), {QPoint(820, 470), QPoint(820, 180)});
    // Pressure sensor between rail, manifold and controller.
    Box(p, QRect(700, 300, 180, 60), QColor(230, 255, 230), QString::fromUtf8(t.pressureSensor), 13);
    Wire(p, signal, {QPoint(700, 330), QPoint(controller.right(), 330)});
    p.setFont(Font(12));
    p.setPen(Qt::black);
    p.drawText(QRect(890, 300, 110, 60), Qt::AlignLeft | Qt::TextWordWrap, QString::fromUtf8(t.manifold));
    // Gas valves and level sensor, below.
    Box(p, QRect(420, 560, 160, 50), QColor(255, 255, 210), QString::fromUtf8(t.valve), 13);
    Wire(p, power, {QPoint(500, 560), QPoint(500, controller.bottom())});
    Box(p, QRect(420, 630, 160, 40), QColor(240, 240, 255), QString::fromUtf8(t.levelSensor), 13);
    Wire(p, signal, {QPoint(420, 650), QPoint(380, 650), QPoint(380, 430), QPoint(controller.left(), 430)});
    // Supply, ignition, RPM, lambda and the switch panel, left.
    struct TSource {
        const char *text;
        int y;
        QColor colour;
    };
    const TSource sources[] = {{t.battery, 320, power}, {t.ignition, 360, QColor(230, 90, 0)},
                               {t.rpm, 400, signal}, {t.lambda, 440, QColor(150, 0, 150)},
                               {t.ground, 480, ground}};
    for (const TSource &s : sources) {
        Box(p, QRect(40, s.y - 16, 220, 32), QColor(245, 245, 245), QString::fromUtf8(s.text), 12);
        Wire(p, s.colour, {QPoint(260, s.y), QPoint(330, s.y), QPoint(330, std::min(s.y, 440)),
                           QPoint(controller.left(), std::min(s.y, 440))});
    }
    Box(p, QRect(40, 560, 220, 60), QColor(220, 240, 255), QString::fromUtf8(t.switchPanel), 14);
    Wire(p, petrol, {QPoint(260, 590), QPoint(360, 590), QPoint(360, 445), QPoint(controller.left(), 445)});
    Box(p, controller, QColor(70, 110, 170), QString());
    p.setPen(Qt::white);
    p.setFont(Font(22, true));
    p.drawText(controller, Qt::AlignCenter, QString::fromUtf8(t.controller));
    p.setPen(Qt::black);
    p.setFont(Font(14));
    p.drawText(QRect(20, 670, 960, 24), Qt::AlignLeft, QString::fromUtf8(t.note));
    p.end();
    WriteJpeg(image, QStringLiteral("_%1_schema.jpg").arg(QLatin1String(t.code)));
}

// ---- Splash and logo ---------------------------------------------------------------

void DrawFlame(QPainter &p, const QPointF &base, double scale)
{
    QPainterPath outer;
    outer.moveTo(base);
    outer.cubicTo(base + QPointF(-40, -10) * scale, base + QPointF(-35, -70) * scale, base + QPointF(0, -110) * scale);
    outer.cubicTo(base + QPointF(5, -60) * scale, base + QPointF(45, -50) * scale, base);
    QRadialGradient g(base + QPointF(0, -30) * scale, 90 * scale);
    g.setColorAt(0, QColor(255, 240, 150));
    g.setColorAt(0.5, QColor(255, 150, 30));
    g.setColorAt(1, QColor(40, 110, 230));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(outer);
}

void DrawSplash()
{
    QImage image = Canvas(420, 260);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 260);
    sky.setColorAt(0, QColor(20, 50, 110));
    sky.setColorAt(1, QColor(70, 130, 200));
    p.fillRect(image.rect(), sky);
    DrawFlame(p, QPointF(80, 200), 1.3);
    p.setPen(Qt::white);
    p.setFont(Font(34, true));
    p.drawText(QRect(150, 80, 260, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Taron"));
    p.setFont(Font(22));
    p.drawText(QRect(150, 128, 260, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Service"));
    p.setPen(QPen(QColor(255, 170, 40), 4));
    p.drawLine(150, 172, 390, 172);
    p.end();
    WriteJpeg(image, QStringLiteral("__w2.reg"));
}

void DrawLogo()
{
    QImage image = Canvas(188, 48);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawFlame(p, QPointF(22, 44), 0.36);
    p.setPen(QColor(20, 50, 110));
    p.setFont(Font(26, true));
    p.drawText(QRect(44, 0, 144, 48), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TARON"));
    p.end();
    WriteJpeg(image, QStringLiteral("_data.reg"));
}

// ---- Components --------------------------------------------------------------------

QImage ComponentCanvas(QPainter &p, QImage &image, const QString &name)
{
    image = Canvas(320, 240, QColor(250, 250, 250));
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(40, 40, 40));
    p.setFont(Font(15, true));
    p.drawText(QRect(0, 206, 320, 30), Qt::AlignCenter, name);
    return image;
}

// File base of a component picture: spaces and '/' become '_'.
QString Base(const char *kind, const QString &name)
{
    QString cleaned = name;
    cleaned.replace(QLatin1Char(' '), QLatin1Char('_')).replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("__%1_%2.jpg").arg(QLatin1String(kind), cleaned);
}

void DrawSensor(const QString &name, int variant)
{
    QImage image;
    QPainter p;
    ComponentCanvas(p, image, name);
    QLinearGradient body(90, 0, 230, 0);
    body.setColorAt(0, QColor(40, 40, 40));
    body.setColorAt(0.5, QColor(110, 110, 110));
    body.setColorAt(1, QColor(40, 40, 40));
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(body);
    p.drawRoundedRect(QRect(100, 50, 120, 110), 10, 10);
    // Connector and gas ports, one more for the variants with temperature.
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRect(130, 20, 60, 30));
    for (int i = 0; i < 2 + (variant >= 3 ? 1 : 0); ++i) {
        p.setBrush(QColor(190, 150, 60));
        p.drawRect(QRect(115 + 40 * i, 160, 14, 36));
    }
    p.end();
    WriteJpeg(image, Base("sensor", name));
}

void DrawInjector(const QString &name, int nozzles)
{
    QImage image;
    QPainter p;
    ComponentCanvas(p, image, name);
    p.setPen(QPen(Qt::black, 2));
    QLinearGradient rail(0, 60, 0, 110);
    rail.setColorAt(0, QColor(200, 200, 210));
    rail.setColorAt(1, QColor(120, 120, 140));
    p.setBrush(rail);
    p.drawRoundedRect(QRect(30, 60, 260, 50), 6, 6);
    for (int i = 0; i < nozzles; ++i) {
        const int x = 50 + i * (220 / std::max(1, nozzles - 1));
        p.setBrush(QColor(30, 30, 30));
        p.drawRect(QRect(x - 12, 20, 24, 40)); // coil
        p.setBrush(QColor(190, 150, 60));
        p.drawRect(QRect(x - 4, 110, 8, 40)); // nozzle
    }
    p.setBrush(QColor(190, 150, 60));
    p.drawRect(QRect(290, 75, 20, 20)); // gas inlet
    p.end();
    WriteJpeg(image, Base("injector", name));
}

void DrawReducer(const QString &name, bool turbo)
{
    QImage image;
    QPainter p;
    ComponentCanvas(p, image, name);
    QRadialGradient g(160, 110, 90);
    g.setColorAt(0, QColor(235, 235, 240));
    g.setColorAt(1, QColor(140, 140, 150));
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(g);
    p.drawEllipse(QPoint(160, 110), 85, 85);
    p.setBrush(QColor(90, 90, 100));
    p.drawEllipse(QPoint(160, 110), 30, 30);
    // Water pipes, gas in and out.
    p.setBrush(QColor(60, 120, 200));
    p.drawRect(QRect(40, 60, 40, 14));
    p.drawRect(QRect(40, 146, 40, 14));
    p.setBrush(QColor(190, 150, 60));
    p.drawRect(QRect(240, 100, 50, 16));
    if (turbo) {
        p.setPen(QPen(QColor(200, 0, 0), 3));
        p.setFont(Font(18, true));
        p.drawText(QRect(110, 30, 100, 24), Qt::AlignCenter, QStringLiteral("TURBO"));
    }
    p.end();
    WriteJpeg(image, Base("reducer", name));
}

void DrawNoPicture()
{
    QImage image = Canvas(320, 240, QColor(245, 245, 245));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(170, 170, 170), 4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRect(60, 40, 200, 150), 12, 12);
    p.setFont(Font(90, true));
    p.drawText(QRect(60, 40, 200, 150), Qt::AlignCenter, QStringLiteral("?"));
    p.end();
    WriteJpeg(image, QStringLiteral("__NO.jpg"));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: taron-picturetool <output folder>\n");
        return 2;
    }
    Folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(Folder);

    for (const TSchemaTexts &t : SchemaTexts)
        DrawSchema(t);
    DrawSplash();
    DrawLogo();
    DrawNoPicture();
    for (int code = 1; code <= 5; ++code)
        DrawSensor(TCustomParameters::PressureSensorName(uint8_t(code)), code);
    for (int code = 0; code < 32; ++code) {
        const QString name = TCustomParameters::InjectorTypeName(uint8_t(code));
        if (!name.trimmed().isEmpty() && name != QLatin1String("-"))
            DrawInjector(name, 2 + code % 3 * 1 + 2);
    }
    // The reducer list, as the configuration page and the wizard show it in
    // each language.
    for (const char *name : {"INNY", "OTHER", "VXR FALCOR", "VXR FALCOR TURBO", "VXR MIRA", "VXR MIRA TURBO"})
        DrawReducer(QString::fromLatin1(name), QByteArray(name).contains("TURBO"));
    return Failures == 0 ? 0 : 1;
}
