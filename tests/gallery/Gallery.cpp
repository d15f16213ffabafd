// Shows every interface control of the program in its states, for a person
// to look at. With "--grab FILE" it saves a picture of the window and quits.
#include "controls/ChangeHelper.h"
#include "controls/DigitalDisplay.h"
#include "controls/DipSwitch.h"
#include "controls/ExHint.h"
#include "controls/ImageList.h"
#include "controls/ResizeHelper.h"
#include "controls/SelectedImage.h"
#include "controls/YEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QTimer>

namespace {
QLabel *caption(QWidget *parent, const QString &text, int x, int y)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("Lbl") + QString::number(x) + QLatin1Char('_')
                         + QString::number(y));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QPixmap lamp(const QColor &color)
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(color);
    p.drawEllipse(1, 1, 14, 14);
    return picture;
}

QGroupBox *group(QWidget *parent, const char *name, const QString &title, const QRect &geometry)
{
    auto *box = new QGroupBox(title, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    return box;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QString grabFile;
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--grab"));
    if (at >= 0 && at + 1 < args.size())
        grabFile = args[at + 1];

    QWidget window;
    window.setObjectName(QStringLiteral("Gallery"));
    window.setWindowTitle(QStringLiteral("Interface controls"));
    window.resize(760, 560);

    // Segment displays.
    QGroupBox *displays = group(&window, "GbDisplays", QStringLiteral("Digital displays"),
                                QRect(8, 8, 744, 170));
    struct DisplaySample {
        const char *name;
        QString text;
        int italic, weight, pen;
        bool rounded;
        QColor fill;
    };
    const DisplaySample samples[] = {
        {"DgDPlain", QStringLiteral("123"), 0, 80, 1, false, QColor()},
        {"DgDDecimal", QStringLiteral("-12.5"), 10, 80, 1, false, QColor()},
        {"DgDTime", QStringLiteral("12:34"), 0, 120, 0, false, QColor(0xFF, 0xFF, 0xC0)},
        {"DgDLetters", QStringLiteral("ABCDEFGHIJKLM"), 8, 80, 1, true, QColor()},
        {"DgDLetters2", QStringLiteral("NOPQRSTUVWXYZ"), 8, 80, 1, true, QColor(0xC0, 0xE0, 0xFF)},
        {"DgDDigits", QStringLiteral("0123456789"), 0, 60, 2, false, QColor(0xFF, 0xFF, 0xFF)},
    };
    int index = 0;
    for (const DisplaySample &s : samples) {
        auto *d = new TDigitalDisplay(displays);
        d->setObjectName(QLatin1String(s.name));
        const int col = index % 3, row = index / 3;
        d->setGeometry(10 + col * 244, 22 + row * 72, col == 0 ? 137 : 230, row == 0 ? 42 : 60);
        d->SetCaption(s.text);
        d->SetItalic(s.italic);
        d->SetWeight(s.weight);
        d->SetPenWidth(s.pen);
        d->SetRounded(s.rounded);
        if (s.fill.isValid())
            d->SetColorFill(s.fill);
        ++index;
    }

    // Filtered edits.
    QGroupBox *edits = group(&window, "GbEdits", QStringLiteral("Filtered edits"),
                             QRect(8, 186, 370, 200));
    const struct {
        const char *name;
        TYEdit::TYCharsType type;
        TYEdit::TYEditBtnStyle style;
        QString text, label;
        bool button, flat;
    } editSamples[] = {
        {"YEdInteger", TYEdit::etInteger, TYEdit::bsCustom, QStringLiteral("1250"),
         QStringLiteral("Integer, no button"), false, false},
        {"YEdFloat", TYEdit::etFloat, TYEdit::bsEllipsis, QStringLiteral("3.75"),
         QStringLiteral("Float, ellipsis"), true, false},
        {"YEdCombo", TYEdit::etAll, TYEdit::bsCombo, QStringLiteral("any text"),
         QStringLiteral("All, combo"), true, false},
        {"YEdForm", TYEdit::etCustom, TYEdit::bsForm, QStringLiteral("ABBA"),
         QStringLiteral("Custom ABab, form, flat"), true, true},
        {"YEdDate", TYEdit::etDate, TYEdit::bsCalendar, TYEdit::DateToText(QDate(2026, 12, 7)),
         QStringLiteral("Date, calendar"), true, false},
        {"YEdTime", TYEdit::etTime, TYEdit::bsCustom, QStringLiteral("12:30"),
         QStringLiteral("Time, disabled"), true, false},
    };
    int y = 22;
    TYEdit *disabledEdit = nullptr;
    for (const auto &s : editSamples) {
        caption(edits, s.label, 10, y + 3);
        auto *e = new TYEdit(edits);
        e->setObjectName(QLatin1String(s.name));
        e->setGeometry(190, y, 160, 22);
        e->SetEditCharsType(s.type);
        if (s.type == TYEdit::etCustom)
            e->SetEditAddValidChars(QStringLiteral("ABab"));
        e->SetButtonStyle(s.style);
        e->SetButtonActive(s.button);
        e->SetButtonHint(QStringLiteral("Button of ") + s.label);
        e->setFrame(!s.flat);
        e->setText(s.text);
        disabledEdit = e;
        y += 28;
    }
    disabledEdit->SetButtonGlyph(TYEditButton::StylePicture(TYEdit::bsEllipsis));
    disabledEdit->setEnabled(false);

    // DIP switches.
    QGroupBox *switches = group(&window, "GbSwitches", QStringLiteral("DIP switches"),
                                QRect(386, 186, 366, 200));
    const struct {
        const char *name;
        bool checked;
        TDipSwitch::TSwitchType type;
        bool enabled;
        QString label;
    } dipSamples[] = {
        {"DipOff", false, TDipSwitch::stSquare, true, QStringLiteral("off")},
        {"DipOn", true, TDipSwitch::stSquare, true, QStringLiteral("on")},
        {"DipRectOff", false, TDipSwitch::stRectangle, true, QStringLiteral("rect off")},
        {"DipRectOn", true, TDipSwitch::stRectangle, true, QStringLiteral("rect on")},
        {"DipColour", true, TDipSwitch::stSquare, true, QStringLiteral("red knob")},
        {"DipDisabled", false, TDipSwitch::stSquare, false, QStringLiteral("disabled")},
    };
    int x = 14;
    for (const auto &s : dipSamples) {
        auto *dip = new TDipSwitch(switches);
        dip->setObjectName(QLatin1String(s.name));
        dip->move(x + 12, 30);
        dip->SetChecked(s.checked);
        dip->SetSwitchType(s.type);
        dip->setEnabled(s.enabled);
        if (QLatin1String(s.name) == QLatin1String("DipColour"))
            dip->SetSwitchBrush(QColor(0xFF, 0x00, 0x00));
        caption(switches, s.label, x, 80);
        x += 58;
    }
    auto *bigDip = new TDipSwitch(switches);
    bigDip->setObjectName(QStringLiteral("DipBig"));
    bigDip->setGeometry(26, 110, 30, 80);
    bigDip->SetCyclic(true);
    caption(switches, QStringLiteral("cyclic, 30 x 80"), 66, 140);

    // Image-list pictures.
    QGroupBox *images = group(&window, "GbImages", QStringLiteral("Selected images"),
                              QRect(8, 394, 370, 150));
    auto *lamps = new TImageList(16, 16, &window);
    lamps->Add(lamp(QColor(0x00, 0xC0, 0x00)));
    lamps->Add(lamp(QColor(0xE0, 0x00, 0x00)));
    lamps->Add(lamp(QColor(0xFF, 0xC0, 0x00)));
    const struct {
        const char *name;
        int index, disabledIndex;
        bool center, stretch, enabled;
        QString label;
    } imageSamples[] = {
        {"ImgGreen", 0, -1, false, false, true, QStringLiteral("top left")},
        {"ImgRed", 1, -1, true, false, true, QStringLiteral("centred")},
        {"ImgStretch", 2, -1, false, true, true, QStringLiteral("stretch")},
        {"ImgDisabled", 0, -1, true, false, false, QStringLiteral("disabled")},
        {"ImgDisIdx", 0, 1, true, false, false, QStringLiteral("dis. 1")},
        {"ImgOutOfRange", 7, -1, true, false, true, QStringLiteral("no. 7")},
    };
    x = 10;
    for (const auto &s : imageSamples) {
        auto *img = new TSelectedImage(images);
        img->setObjectName(QLatin1String(s.name));
        img->setGeometry(x, 24, 40, 40);
        img->SetImageList(lamps);
        img->SetImageIndex(s.index);
        img->SetDisabledIndex(s.disabledIndex);
        img->SetCenter(s.center);
        img->SetStretch(s.stretch);
        img->setEnabled(s.enabled);
        img->SetColor(QColor(0xE8, 0xE8, 0xE8));
        caption(images, s.label, x, 70);
        x += 58;
    }

    // Change tracking and the extended hint.
    QGroupBox *tracker = group(&window, "GbTracker", QStringLiteral("Change tracker, extended hint"),
                               QRect(386, 394, 366, 150));
    auto *modified = new QLabel(QStringLiteral("Not modified"), tracker);
    modified->setObjectName(QStringLiteral("LblModified"));
    modified->setGeometry(10, 24, 340, 20);
    auto *trackedEdit = new TYEdit(tracker);
    trackedEdit->setObjectName(QStringLiteral("YEdTracked"));
    trackedEdit->setGeometry(10, 50, 120, 22);
    trackedEdit->SetEditCharsType(TYEdit::etInteger);
    trackedEdit->SetButtonActive(false);
    trackedEdit->setToolTip(QStringLiteral("Tracked edit"));
    auto *trackedCheck = new QCheckBox(QStringLiteral("Option"), tracker);
    trackedCheck->setObjectName(QStringLiteral("ChBTracked"));
    trackedCheck->setGeometry(140, 50, 100, 22);
    trackedCheck->setToolTip(QStringLiteral("Plain hint"));
    auto *trackedDip = new TDipSwitch(tracker);
    trackedDip->setObjectName(QStringLiteral("DipTracked"));
    trackedDip->move(260, 40);
    auto *helper = new TChangeHelper(&window);
    helper->AttachTo(tracker);
    // Loading values from code does not count as a change.
    trackedEdit->setText(QStringLiteral("42"));
    trackedCheck->setChecked(true);
    trackedDip->SetChecked(true);
    QObject::connect(helper, &TChangeHelper::OnModified, modified, [modified](QObject *sender) {
        modified->setText(QStringLiteral("Modified by ") + sender->objectName());
    });

    auto *hint = new TExHint(&window);
    hint->SetDisplayTime(2500);
    hint->SetDescriptionWidth(200);
    hint->SetMoreButtonExist(true);
    hint->OnNeedData = [](const QString &key, QStringList &detail, THintInfo &) {
        if (key == QLatin1String("Tracked edit"))
            detail << QStringLiteral("Type a whole number; other characters are refused, "
                                     "also when pasted or dropped.");
    };

    auto *resizer = new TResizeHelper(&window);
    Q_UNUSED(resizer);

    window.show();
    if (!grabFile.isEmpty()) {
        QTimer::singleShot(200, &window, [&window, grabFile] {
            window.grab().save(grabFile);
            QApplication::quit();
        });
    }
    return app.exec();
}
