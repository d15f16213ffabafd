#include "common/WaitUntil.h"
#include "controls/ControlTestSupport.h"
#include "controls/ExHint.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QHelpEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace controltest;

namespace {
// Cursor positions that differ from each other in both coordinates.
QPoint freshPos()
{
    static int step = 0;
    ++step;
    return QPoint(100 + 7 * step, 80 + 5 * step);
}


struct Request {
    QString hint;
    bool canShow = true;
    THintInfo info;
};

Request ask(TExHint &hint, const QString &text, QPoint at)
{
    QCursor::setPos(at);
    Request r;
    r.hint = text;
    hint.ShowHintHandler(r.hint, r.canShow, r.info);
    return r;
}

const QStringList kDetail = {QStringLiteral("First line of the detail"),
                             QStringLiteral("Second line")};
} // namespace

TEST(ExHint, CursorIsSettable)
{
    QCursor::setPos(QPoint(123, 45));
    ASSERT_EQ(QCursor::pos(), QPoint(123, 45));
}

TEST(ExHint, OrdinaryHintWithoutDetail)
{
    TExHint hint;
    int asked = 0;
    hint.OnNeedData = [&](const QString &key, QStringList &, THintInfo &) {
        ++asked;
        EXPECT_EQ(key, QStringLiteral("Plain"));
    };
    const Request r = ask(hint, QStringLiteral("Plain"), freshPos());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(r.canShow);
    EXPECT_FALSE(hint.HintForm()->isVisible());
    EXPECT_EQ(r.info.CursorPos, QCursor::pos());
}

TEST(ExHint, DetailShowsTheWindowAndSuppressesTheHint)
{
    TExHint hint;
    hint.SetWordWrap(false);
    hint.OnNeedData = [](const QString &, QStringList &detail, THintInfo &) { detail = kDetail; };
    const QPoint p = freshPos();
    Request r = ask(hint, QStringLiteral("Key"), p);
    EXPECT_FALSE(r.canShow);
    THintForm *form = hint.HintForm();
    ASSERT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Showing());
    EXPECT_EQ(form->pos(), p + QPoint(0, 20));
    EXPECT_EQ(form->Keyword->text(), QStringLiteral("Key"));
    EXPECT_EQ(form->Text->text(), kDetail.join(QLatin1Char('\n')));
    const int m = std::max(form->Keyword->width(), form->Text->width());
    EXPECT_EQ(form->size(), QSize(m + 33, form->Text->height() + 45));
    EXPECT_EQ(form->Line->width(), m);
    EXPECT_EQ(form->Closing->x(), 8 + m + 4);
    EXPECT_TRUE(form->HintTimer->isActive());
    EXPECT_TRUE(form->InActiveTimer->isActive());

    // The same position again (or moved along one axis only) changes nothing,
    // but the ordinary hint stays suppressed.
    hint.HintForm()->HideHint();
    r = ask(hint, QStringLiteral("Key"), p + QPoint(9, 0));
    EXPECT_FALSE(r.canShow);
    EXPECT_FALSE(form->isVisible());
}

TEST(ExHint, WordWrapShowsTheFirstLineOnly)
{
    TExHint hint;
    hint.SetDescriptionWidth(120);
    hint.OnNeedData = [](const QString &, QStringList &detail, THintInfo &) { detail = kDetail; };
    ask(hint, QStringLiteral("Key"), freshPos());
    THintForm *form = hint.HintForm();
    EXPECT_EQ(form->Text->text(), kDetail.first());
    EXPECT_EQ(form->Text->width(), 120);
    EXPECT_TRUE(form->Text->wordWrap());
    form->HideHint();
}

TEST(ExHint, OpensLeftAndUpNearTheScreenEdges)
{
    TExHint hint;
    hint.SetDeltaShowX(5);
    hint.OnNeedData = [](const QString &, QStringList &detail, THintInfo &) { detail = kDetail; };
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint p(screen.right() - 10, screen.bottom() - 10);
    ask(hint, QStringLiteral("Edge"), p);
    THintForm *form = hint.HintForm();
    ASSERT_TRUE(form->isVisible());
    EXPECT_EQ(form->x(), p.x() + 5 - form->width() - 10);
    EXPECT_EQ(form->y(), p.y() + 20 - form->height() - 40);
    form->HideHint();
}

TEST(ExHint, TimersAndButtons)
{
    TExHint hint;
    hint.SetDisplayTime(60);
    hint.SetMoreButtonExist(true);
    int closed = 0;
    QObject::connect(&hint, &TExHint::OnClose, &hint, [&] { ++closed; });
    hint.OnNeedData = [](const QString &, QStringList &detail, THintInfo &) { detail = kDetail; };
    THintForm *form = hint.HintForm();

    // The display time hides the window.
    ask(hint, QStringLiteral("Timed"), freshPos());
    ASSERT_TRUE(form->isVisible());
    EXPECT_EQ(form->HintTimer->interval(), 60);
    EXPECT_TRUE(testsupport::EventsUntil([&] { return !form->isVisible(); }));
    EXPECT_EQ(closed, 1);

    // The mouse over the window stops the display timer.
    ask(hint, QStringLiteral("Stay"), freshPos());
    ASSERT_TRUE(form->isVisible());
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), form->mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form, &move);
    EXPECT_TRUE(form->MouseInside());
    EXPECT_FALSE(form->HintTimer->isActive());

    // While the mouse is inside, requests neither show nor hide.
    ask(hint, QStringLiteral("Other"), freshPos());
    EXPECT_TRUE(form->isVisible());

    // "More": hides first (CloseAfterMore), then reports the key word.
    QString moreKey;
    QObject *moreSender = nullptr;
    hint.OnMoreClick = [&](QObject *button, const QString &key) {
        moreSender = button;
        moreKey = key;
        EXPECT_FALSE(form->isVisible());
    };
    form->MoreButton->click();
    EXPECT_EQ(moreKey, QStringLiteral("Stay"));
    EXPECT_EQ(moreSender, form->MoreButton);
    EXPECT_EQ(closed, 2);

    // The close button hides.
    ask(hint, QStringLiteral("Close"), freshPos());
    ASSERT_TRUE(form->isVisible());
    form->Closing->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed, 3);
}

TEST(ExHint, ApplicationTooltipsPassThroughTheHandler)
{
    QWidget window;
    window.resize(200, 100);
    auto *withDetail = new QLabel(QStringLiteral("a"), &window);
    withDetail->setToolTip(QStringLiteral("Detailed"));
    withDetail->setGeometry(0, 0, 50, 20);
    auto *plain = new QLabel(QStringLiteral("b"), &window);
    plain->setToolTip(QStringLiteral("Plain"));
    plain->setGeometry(60, 0, 50, 20);
    window.show();

    TExHint hint;
    QStringList keys;
    hint.OnNeedData = [&](const QString &key, QStringList &detail, THintInfo &info) {
        keys << key;
        EXPECT_NE(info.HintControl, nullptr);
        if (key == QLatin1String("Detailed"))
            detail = kDetail;
    };
    QCursor::setPos(freshPos());
    QHelpEvent tip(QEvent::ToolTip, QPoint(5, 5), withDetail->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(withDetail, &tip);
    EXPECT_TRUE(hint.HintForm()->isVisible());
    hint.HintForm()->HideHint();

    QCursor::setPos(freshPos());
    QHelpEvent tip2(QEvent::ToolTip, QPoint(5, 5), plain->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(plain, &tip2);
    EXPECT_FALSE(hint.HintForm()->isVisible());
    EXPECT_EQ(keys, QStringList({"Detailed", "Plain"}));
}

TEST(ExHint, FailingHandlersStopAtTheControl)
{
    TExHint hint;
    hint.SetMoreButtonExist(true);
    // A data handler that fills the detail and then fails: no detail window.
    hint.OnNeedData = [](const QString &, QStringList &detail, THintInfo &) {
        detail = kDetail;
        throw std::runtime_error("no data");
    };
    Request r;
    EXPECT_NO_THROW(r = ask(hint, QStringLiteral("Broken"), freshPos()));
    EXPECT_TRUE(r.canShow);
    EXPECT_FALSE(hint.HintForm()->isVisible());

    // A failing "More" handler does not leave the button's click.
    hint.OnNeedData = [](const QString &, QStringList &detail, THintInfo &) { detail = kDetail; };
    ask(hint, QStringLiteral("More"), freshPos());
    ASSERT_TRUE(hint.HintForm()->isVisible());
    int calls = 0;
    hint.OnMoreClick = [&](QObject *, const QString &) {
        ++calls;
        throw std::runtime_error("cannot open");
    };
    EXPECT_NO_THROW(hint.HintForm()->MoreButton->click());
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(hint.HintForm()->isVisible());
}

TEST(ExHint, MoreButtonOfAHintWithoutItsOwnHandlerClosesTheHint)
{
    TExHint hint;
    hint.SetMoreButtonExist(true);
    hint.OnNeedData = [](const QString &, QStringList &detail, THintInfo &) { detail = kDetail; };
    ask(hint, QStringLiteral("More"), freshPos());
    ASSERT_TRUE(hint.HintForm()->isVisible());
    hint.HintForm()->MoreButton->click();
    EXPECT_FALSE(hint.HintForm()->isVisible());
}
