#include "controls/ControlTestSupport.h"
#include "controls/YEdit.h"
#include "core/LM.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLocale>
#include <QMimeData>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

using namespace controltest;

namespace {
// Runs the given locale for one test.
struct LocaleScope {
    QLocale previous;
    explicit LocaleScope(const QLocale &locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(previous); }
};

TYEditCalendar *openCalendar()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *calendar = qobject_cast<TYEditCalendar *>(w); calendar && calendar->isVisible())
            return calendar;
    return nullptr;
}
} // namespace

TEST(YEdit, CharacterClasses)
{
    LocaleScope polish{QLocale(QLocale::Polish, QLocale::Poland)};
    using E = TYEdit;
    EXPECT_TRUE(E::IsValidChar(QLatin1Char('x'), E::etAll, QString()));
    EXPECT_TRUE(E::IsValidChar(QLatin1Char('-'), E::etInteger, QString()));
    EXPECT_TRUE(E::IsValidChar(QLatin1Char('+'), E::etInteger, QString()));
    EXPECT_TRUE(E::IsValidChar(QLatin1Char('7'), E::etInteger, QString()));
    EXPECT_FALSE(E::IsValidChar(QLatin1Char('a'), E::etInteger, QString()));
    EXPECT_FALSE(E::IsValidChar(QLatin1Char('.'), E::etInteger, QString()));
    // Polish uses a decimal comma: "," is accepted and "." is not.
    EXPECT_TRUE(E::IsValidChar(QLatin1Char(','), E::etFloat, QString()));
    EXPECT_FALSE(E::IsValidChar(QLatin1Char('.'), E::etFloat, QString()));
    // A program showing English writes its numbers with a point: a float
    // takes it as well as the desktop's comma.
    {
        TLM lm;
        lm.Language = QStringLiteral("EN");
        TLM *saved = LM;
        LM = &lm;
        EXPECT_TRUE(E::IsValidChar(QLatin1Char('.'), E::etFloat, QString()));
        EXPECT_TRUE(E::IsValidChar(QLatin1Char(','), E::etFloat, QString()));
        LM = saved;
    }
    EXPECT_TRUE(E::IsValidChar(QLatin1Char('e'), E::etFloat, QString()));
    EXPECT_TRUE(E::IsValidChar(QLatin1Char('E'), E::etFloat, QString()));
    EXPECT_TRUE(E::IsValidChar(QLatin1Char('.'), E::etDate, QString()));
    EXPECT_FALSE(E::IsValidChar(QLatin1Char('/'), E::etDate, QString()));
    EXPECT_TRUE(E::IsValidChar(QLatin1Char(':'), E::etTime, QString()));
    EXPECT_FALSE(E::IsValidChar(QLatin1Char('-'), E::etTime, QString()));
    // The extra characters join every class but etAll; etCustom has nothing else.
    EXPECT_TRUE(E::IsValidChar(QLatin1Char('x'), E::etInteger, QStringLiteral("x")));
    for (char16_t c = 32; c < 127; ++c)
        EXPECT_FALSE(E::IsValidChar(QChar(c), E::etCustom, QString())) << char(c);
    EXPECT_TRUE(E::IsValidChar(QLatin1Char('A'), E::etCustom, QStringLiteral("AB")));
}

TEST(YEdit, TypingKeepsOnlyAcceptedCharacters)
{
    TYEdit edit;
    edit.SetEditCharsType(TYEdit::etInteger);
    edit.show();
    edit.setFocus();
    SignalCounter edited(&edit, &QLineEdit::textEdited);
    typeText(&edit, QStringLiteral("1a2-b+3"));
    EXPECT_EQ(edit.text(), QStringLiteral("12-+3"));
    EXPECT_EQ(edited.count(), 5);
    // Backspace and other control keys still work.
    keyPress(&edit, Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(edit.text(), QStringLiteral("12-+"));
    // Text set by the program is not filtered.
    edit.setText(QStringLiteral("abc"));
    EXPECT_EQ(edit.text(), QStringLiteral("abc"));

    TYEdit custom;
    custom.SetEditCharsType(TYEdit::etCustom);
    typeText(&custom, QStringLiteral("xyz1"));
    EXPECT_TRUE(custom.text().isEmpty());
}

TEST(YEdit, PasteDropAndInputMethodAreFiltered)
{
    TYEdit edit;
    edit.SetEditCharsType(TYEdit::etInteger);
    edit.show();
    QGuiApplication::clipboard()->setText(QStringLiteral("12ab\n3"));
    ASSERT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("12ab\n3"));
    SignalCounter edited(&edit, &QLineEdit::textEdited);
    keyPress(&edit, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("123"));
    EXPECT_EQ(edited.count(), 1);

    // Input-method text: only the accepted part of the commit string lands.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("4x5"));
    QCoreApplication::sendEvent(&edit, &commit);
    EXPECT_EQ(edit.text(), QStringLiteral("12345"));

    // A drop of text with refused characters.
    edit.clear();
    QMimeData data;
    data.setText(QStringLiteral("7?8"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &drop);
    EXPECT_EQ(edit.text(), QStringLiteral("78"));

    // Nothing acceptable in the clipboard: nothing is inserted.
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    keyPress(&edit, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("78"));

    // Paste from the context menu.
    edit.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("9-x"));
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                edit.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&edit, &menuEvent);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction *paste = nullptr;
    for (QAction *action : menu->actions())
        if (action->text().contains(QLatin1String("Paste")))
            paste = action;
    ASSERT_NE(paste, nullptr);
    paste->trigger();
    menu->close();
    EXPECT_EQ(edit.text(), QStringLiteral("9-"));

    // etAll takes everything printable, but never a line break.
    TYEdit all;
    QGuiApplication::clipboard()->setText(QStringLiteral("a b\nc"));
    keyPress(&all, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(all.text(), QStringLiteral("a bc"));
}

TEST(YEdit, EnterAndArrowsRunTheButtonAction)
{
    TYEdit edit;
    edit.SetButtonActive(false);
    SignalCounter clicks(&edit, &TYEdit::OnButtonClick);
    edit.setText(QStringLiteral("5"));
    keyPress(&edit, Qt::Key_Return, QStringLiteral("\r"));
    keyPress(&edit, Qt::Key_Up);
    keyPress(&edit, Qt::Key_Down);
    EXPECT_EQ(clicks.count(), 3);
    EXPECT_EQ(edit.text(), QStringLiteral("5"));
}

TEST(YEdit, ButtonLayoutAndState)
{
    TYEdit edit;
    edit.resize(120, 24);
    edit.show();
    TYEditButton *button = edit.Button();
    EXPECT_EQ(button->geometry(), QRect(120 - 16 - 2, 2, 16, 20));
    edit.setFrame(false);
    edit.resize(100, 20);
    EXPECT_EQ(button->geometry(), QRect(100 - 16 - 1, 1, 16, 18));
    edit.SetButtonActive(false);
    EXPECT_FALSE(button->isVisible());
    EXPECT_EQ(button->height(), 0);
    edit.SetButtonActive(true);
    EXPECT_TRUE(button->isVisible());

    SignalCounter clicks(&edit, &TYEdit::OnButtonClick);
    button->click();
    EXPECT_EQ(clicks.count(), 1);

    edit.SetButtonStyle(TYEdit::bsEllipsis);
    edit.SetButtonGlyph(TYEditButton::StylePicture(TYEdit::bsForm));
    EXPECT_EQ(edit.ButtonStyle(), TYEdit::bsCustom);

    edit.SetButtonDropDown(true);
    button->click();
    EXPECT_TRUE(button->isChecked());
    button->click();
    EXPECT_FALSE(button->isChecked());

    edit.setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    edit.setEnabled(true);
    EXPECT_TRUE(button->isEnabled());
}

TEST(YEdit, CalendarWritesTheChosenDate)
{
    LocaleScope polish{QLocale(QLocale::Polish, QLocale::Poland)};
    QWidget window;
    window.resize(400, 300);
    auto *edit = new TYEdit(&window);
    edit->setGeometry(300, 10, 90, 22);
    edit->SetButtonStyle(TYEdit::bsCalendar);
    edit->setText(TYEdit::DateToText(QDate(2026, 3, 15)));
    EXPECT_EQ(edit->text(), QStringLiteral("15.03.2026"));
    window.show();
    SignalCounter edited(edit, &QLineEdit::textEdited);

    // Escape leaves the text as it was.
    QDate preset;
    QRect placed;
    QTimer::singleShot(0, [&] {
        TYEditCalendar *calendar = openCalendar();
        ASSERT_NE(calendar, nullptr);
        preset = calendar->selectedDate();
        placed = calendar->frameGeometry();
        calendar->setSelectedDate(QDate(2026, 3, 20));
        keyPress(calendar, Qt::Key_Escape);
    });
    edit->ButtonClick();
    EXPECT_EQ(preset, QDate(2026, 3, 15));
    EXPECT_EQ(edit->text(), QStringLiteral("15.03.2026"));
    EXPECT_EQ(edited.count(), 0);
    // Right edges aligned, just below the edit.
    const QPoint editTopLeft = edit->mapToGlobal(QPoint(0, 0));
    const QPoint below = TYEditCalendar::PlaceBelow(edit);
    EXPECT_EQ(below, QPoint(editTopLeft.x() - (TYEditCalendar::CalendarWidth - edit->width()),
                            editTopLeft.y() + edit->height() + 1));
    // (The offscreen platform may add a frame offset of its own.)
    EXPECT_NEAR(placed.left(), below.x(), 4);
    EXPECT_NEAR(placed.top(), below.y(), 4);

    // Enter takes the selected day; the change counts as the user's edit.
    QTimer::singleShot(0, [&] {
        TYEditCalendar *calendar = openCalendar();
        ASSERT_NE(calendar, nullptr);
        calendar->setSelectedDate(QDate(2026, 3, 20));
        keyPress(calendar, Qt::Key_Return);
    });
    keyPress(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), QStringLiteral("20.03.2026"));
    EXPECT_EQ(edit->selectedText(), edit->text());
    EXPECT_EQ(edited.count(), 1);

    // Not a date: the calendar opens without a preset; the edit near the left
    // edge gets the calendar with left edges aligned.
    edit->setGeometry(10, 10, 90, 22);
    edit->setText(QStringLiteral("xx"));
    QTimer::singleShot(0, [&] {
        TYEditCalendar *calendar = openCalendar();
        ASSERT_NE(calendar, nullptr);
        placed = calendar->frameGeometry();
        keyPress(calendar, Qt::Key_Escape);
    });
    edit->ButtonClick();
    EXPECT_EQ(TYEditCalendar::PlaceBelow(edit).x(), edit->mapToGlobal(QPoint(0, 0)).x());
    EXPECT_NEAR(placed.left(), edit->mapToGlobal(QPoint(0, 0)).x(), 4);
    EXPECT_EQ(edit->text(), QStringLiteral("xx"));
}
