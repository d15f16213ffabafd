#include "controls/YEdit.h"

#include "core/ComponentVersion.h"
#include "core/LM.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

static ComponentVersionRegistrar reg("YEdits", "$Revision: 9 $",
                                     "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");

namespace {
constexpr int kButtonWidth = 16;

// First character of a locale format that is not part of a field.
QChar separatorOf(const QString &format, QChar fallback)
{
    for (QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != QLatin1Char('\''))
            return c;
    return fallback;
}

// The locale's short date format with a four-digit year: a two-digit year
// would read back in the wrong century.
QString fullYearDateFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}
} // namespace

// ---------------------------------------------------------------------------
// Button

TYEditButton::TYEditButton(QWidget *parent) : QToolButton(parent)
{
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(false);
    resize(kButtonWidth, kButtonWidth);
}

void TYEditButton::SetActive(bool value)
{
    FActive = value;
    setEnabled(value);
    setVisible(value);
}

void TYEditButton::SetDropDown(bool value)
{
    FDropDown = value;
    // A drop-down button stays down after a click until it is clicked again.
    setCheckable(value);
    if (!value)
        setChecked(false);
}

void TYEditButton::SetStyle(int value)
{
    FStyle = value;
    if (value != TYEdit::bsCustom)
        setIcon(QIcon(StylePicture(value)));
    update();
}

QPixmap TYEditButton::StylePicture(int style)
{
    QPixmap picture(10, 10);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    const QColor ink(Qt::black);
    switch (style) {
    case TYEdit::bsEllipsis:
        for (int x : {1, 4, 7})
            p.fillRect(x, 7, 2, 2, ink);
        break;
    case TYEdit::bsCombo: {
        QPainterPath arrow;
        arrow.moveTo(1, 3);
        arrow.lineTo(9, 3);
        arrow.lineTo(5, 7);
        arrow.closeSubpath();
        p.fillPath(arrow, ink);
        break;
    }
    case TYEdit::bsForm:
        p.setPen(ink);
        p.drawRect(0, 1, 9, 7);
        p.fillRect(0, 1, 10, 2, QColor(0x00, 0x00, 0x80));
        break;
    case TYEdit::bsCalendar:
        p.setPen(ink);
        p.drawRect(0, 1, 9, 8);
        p.fillRect(0, 1, 10, 2, QColor(0x80, 0x00, 0x00));
        for (int y : {4, 6})
            for (int x : {2, 4, 6})
                p.fillRect(x, y, 1, 1, ink);
        break;
    default:
        return QPixmap();
    }
    return picture;
}

void TYEditButton::paintEvent(QPaintEvent *event)
{
    QToolButton::paintEvent(event);
    if (!isDown() && !isChecked())
        return;
    // Pressed: a shadow frame with a face-coloured frame inside it.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Button));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}

// ---------------------------------------------------------------------------
// Calendar

TYEditCalendar::TYEditCalendar(QWidget *parent) : QCalendarWidget(parent)
{
    setWindowFlags(Qt::Popup);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setGridVisible(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
    setPalette(pal);
    connect(this, &QCalendarWidget::activated, this, [this](QDate) { Accept(); });
    // Keys reach the inner view first; watch every part for Enter and Escape.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

void TYEditCalendar::Accept()
{
    FAccepted = true;
    hide();
}

bool TYEditCalendar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape) {
            hide();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Accept();
            return true;
        }
    }
    return QCalendarWidget::eventFilter(watched, event);
}

void TYEditCalendar::hideEvent(QHideEvent *event)
{
    QCalendarWidget::hideEvent(event);
    if (FLoop)
        FLoop->quit();
}

QPoint TYEditCalendar::PlaceBelow(const TYEdit *edit)
{
    const QPoint editTopLeft = edit->mapToGlobal(QPoint(0, 0));
    const int clientLeft = edit->window()->mapToGlobal(QPoint(0, 0)).x();
    int left = editTopLeft.x() - (CalendarWidth - edit->width());
    if (left < clientLeft)
        left = editTopLeft.x();
    return QPoint(left, editTopLeft.y() + edit->height() + 1);
}

bool TYEditCalendar::Execute(QDate &date, TYEdit *edit)
{
    FAccepted = false;
    if (date.isValid())
        setSelectedDate(date);

    QFont plain = edit->font();
    plain.setBold(false);
    plain.setItalic(false);
    plain.setUnderline(false);
    plain.setStrikeOut(false);
    setFont(plain);
    resize(CalendarWidth, sizeHint().height());
    move(PlaceBelow(edit));

    edit->selectAll();
    QEventLoop loop;
    FLoop = &loop;
    show();
    if (QWidget *view = focusProxy())
        view->setFocus();
    if (isVisible())
        loop.exec();
    FLoop = nullptr;

    if (FAccepted)
        date = selectedDate();
    edit->setFocus();
    return FAccepted;
}

// ---------------------------------------------------------------------------
// Edit

TYEdit::TYEdit(QWidget *parent) : QLineEdit(parent), FButton(new TYEditButton(this))
{
    FButton->setObjectName(QStringLiteral("Button"));
    connect(FButton, &QToolButton::clicked, this, [this] { ButtonClick(); });
    LayOutButton();
}

TYEdit::~TYEdit() = default;

bool TYEdit::IsValidChar(QChar c, TYCharsType type, const QString &extra)
{
    if (type == etAll)
        return true;
    if (extra.contains(c))
        return true;
    const QLocale locale;
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    switch (type) {
    case etAll:
        return true;
    case etCustom:
        return false;
    case etInteger:
        return digit || c == QLatin1Char('+') || c == QLatin1Char('-');
    case etFloat:
        // The user's own separator and the one of the language shown, in
        // which the program writes the numbers it shows.
        return digit || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('e')
               || c == QLatin1Char('E') || locale.decimalPoint().contains(c)
               || ShownLocale().decimalPoint().contains(c);
    case etDate:
        return digit
               || c == separatorOf(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('-'));
    case etTime:
        return digit
               || c == separatorOf(locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
    }
    return false;
}

QString TYEdit::FilterText(const QString &text) const
{
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text)
        // Control characters (line breaks among them) never enter a one-line edit.
        if (c.unicode() >= 32 && IsValidChar(c, FCharsType, FAddValidChars))
            kept.append(c);
    return kept;
}

QString TYEdit::DateToText(const QDate &date)
{
    return QLocale().toString(date, fullYearDateFormat());
}

QDate TYEdit::TextToDate(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QDate();
    QDate date = QLocale().toDate(trimmed, fullYearDateFormat());
    if (!date.isValid())
        date = QLocale().toDate(trimmed, QLocale::ShortFormat);
    return date;
}

void TYEdit::SetButtonActive(bool value)
{
    if (FButton->Active() == value)
        return;
    FButton->SetActive(value);
    LayOutButton();
}

void TYEdit::SetButtonGlyph(const QPixmap &value)
{
    FButton->SetStyle(bsCustom);
    FGlyph = value;
    FButton->setIcon(value.isNull() ? QIcon() : QIcon(value));
}

void TYEdit::LayOutButton()
{
    if (!FButton->Active()) {
        FButton->setGeometry(0, 0, FButton->width(), 0);
        setTextMargins(0, 0, 0, 0);
        return;
    }
    const int bw = FButton->width();
    if (!hasFrame())
        FButton->setGeometry(width() - bw - 1, 1, bw, height() - 2);
    else
        // Inside the sunken frame, flush with the inner right edge.
        FButton->setGeometry(width() - bw - 2, 2, bw, height() - 4);
    // The text stops short of the button.
    setTextMargins(0, 0, bw + 2, 0);
}

void TYEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    LayOutButton();
}

void TYEdit::ButtonClick()
{
    if (ButtonStyle() == bsCalendar) {
        QDate date = TextToDate(text());
        TYEditCalendar calendar;
        if (calendar.Execute(date, this) && date.isValid()) {
            setText(DateToText(date));
            selectAll();
            // The user chose the date: this is an edit like typing.
            emit textEdited(text());
        }
    }
    emit OnButtonClick();
}

void TYEdit::InsertFiltered(const QString &text)
{
    if (isReadOnly())
        return;
    const QString kept = FilterText(text);
    if (kept.size() != text.size())
        QApplication::beep();
    if (!kept.isEmpty())
        insert(kept);
}

void TYEdit::PasteFiltered(bool selection)
{
    const QString text = QGuiApplication::clipboard()->text(selection ? QClipboard::Selection
                                                                      : QClipboard::Clipboard);
    if (!text.isEmpty())
        InsertFiltered(text);
}

void TYEdit::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Up:
    case Qt::Key_Down:
        ButtonClick();
        event->accept();
        return;
    default:
        break;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteFiltered(false);
        event->accept();
        return;
    }
    const QString text = event->text();
    // Control and Meta chords are shortcuts, unless with Alt (AltGr) they type a character.
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shortcut = (mods & (Qt::ControlModifier | Qt::MetaModifier))
                          && !(mods & Qt::AltModifier);
    if (!text.isEmpty() && text.at(0).unicode() >= 32 && !shortcut) {
        // A printable character: only accepted characters are typed.
        InsertFiltered(text);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TYEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const QString kept = FilterText(event->commitString());
    if (kept == event->commitString()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QApplication::beep();
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
    event->setAccepted(filtered.isAccepted());
}

void TYEdit::dropEvent(QDropEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (!data || !data->hasText()) {
        QLineEdit::dropEvent(event);
        return;
    }
    const QString kept = FilterText(data->text());
    if (kept == data->text()) {
        QLineEdit::dropEvent(event);
        return;
    }
    QApplication::beep();
    if (kept.isEmpty()) {
        event->ignore();
        return;
    }
    QMimeData filteredData;
    filteredData.setText(kept);
    QDropEvent filtered(event->position(), event->possibleActions(), &filteredData,
                        event->buttons(), event->modifiers(), event->type());
    filtered.setDropAction(event->dropAction());
    QLineEdit::dropEvent(&filtered);
    event->setDropAction(filtered.dropAction());
    event->setAccepted(filtered.isAccepted());
}

void TYEdit::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the selection where the platform has one.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        setCursorPosition(cursorPositionAt(event->position().toPoint()));
        PasteFiltered(true);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TYEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The paste entry is known by its shortcut (its text is translated), so
    // that a paste from the menu is filtered like any other.
    const QList<QKeySequence> pasteKeys = QKeySequence::keyBindings(QKeySequence::Paste);
    for (QAction *action : menu->actions()) {
        const int tab = action->text().indexOf(QLatin1Char('\t'));
        const bool isPaste = action->objectName() == QLatin1String("edit-paste")
                             || (tab >= 0
                                 && pasteKeys.contains(QKeySequence(action->text().mid(tab + 1),
                                                                    QKeySequence::NativeText)));
        if (!isPaste)
            continue;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this] { PasteFiltered(false); });
    }
    menu->popup(event->globalPos());
}
