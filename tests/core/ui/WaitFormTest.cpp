// The please-wait window: its life cycle, time-out, cancel, misuse and the
// window it disables. The timer is ticked by hand, so nothing depends on time.
#include "common/GiveUp.h"
#include "core/ComponentVersion.h"
#include "core/ui/WaitForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
void Tick(TWaitForm &form)
{
    ASSERT_NE(form.Window(), nullptr);
    form.Window()->TimerWaitTimer();
}

template <typename F>
void ExpectError(F f, const char *message)
{
    try {
        f();
        ADD_FAILURE() << "no exception, expected " << message;
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), message);
    }
}
} // namespace

TEST(WaitForm, DefaultsAndRegistration)
{
    TWaitForm form;
    EXPECT_EQ(form.Interval(), 500u);
    EXPECT_EQ(form.Timeout(), 5000u);
    EXPECT_EQ(form.StatusText(), "Please wait");
    EXPECT_EQ(form.CancelText(), "Cancel");
    EXPECT_EQ(form.ClientWidth(), 240);
    EXPECT_EQ(form.ClientHeight(), 60);
    EXPECT_EQ(form.FormStyle(), wfsProgress);
    EXPECT_TRUE(form.HideOnTimeout());
    EXPECT_TRUE(form.DisableParent());
    EXPECT_EQ(form.ProgressMax(), 10);
    // No window: both questions answer true.
    EXPECT_TRUE(form.Cancelled());
    EXPECT_TRUE(form.TimedOut());
    EXPECT_FALSE(ComponentVersionOf("WaitForm").isEmpty());
}

TEST(WaitForm, TimesOutAfterTheTimeoutAndHidesOnePeriodLater)
{
    QMainWindow main;
    main.show();
    TWaitForm form;
    int progressEvents = 0;
    form.OnProgressChange = [&](TWaitForm *) { ++progressEvents; };
    form.Start();
    TWaitFormWindow *w = form.Window();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(main.isEnabled()); // the main window is the target
    EXPECT_EQ(w->TimerWait->interval(), 500);
    EXPECT_EQ(w->PrBStatus->maximum(), 10);
    EXPECT_FALSE(form.TimedOut());
    EXPECT_FALSE(form.Cancelled());
    for (int i = 0; i < 10; ++i)
        Tick(form);
    EXPECT_TRUE(form.TimedOut()); // 5000 ms
    EXPECT_TRUE(w->isVisible());
    Tick(form);                   // 5500 ms
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(main.isEnabled());
    EXPECT_FALSE(form.Cancelled());
    EXPECT_FALSE(w->TimerWait->isActive());
    EXPECT_GE(progressEvents, 11);
    form.Stop();
    EXPECT_EQ(form.Window(), nullptr);
    EXPECT_TRUE(form.Cancelled());
    EXPECT_TRUE(form.TimedOut());
}

TEST(WaitForm, WithoutHideOnTimeoutTheWindowStays)
{
    TWaitForm form;
    form.SetHideOnTimeout(false);
    form.SetTimeout(1000);
    form.SetInterval(500);
    form.Start();
    for (int i = 0; i < 3; ++i)
        Tick(form);
    EXPECT_TRUE(form.TimedOut());
    EXPECT_TRUE(form.Window()->isVisible());
    EXPECT_FALSE(form.Window()->TimerWait->isActive());
    form.Hide();
    EXPECT_EQ(form.Window(), nullptr);
}

TEST(WaitForm, Misuse)
{
    TWaitForm form;
    ExpectError([&] { form.SetInterval(0); }, "Interval has to be greater than 0");
    ExpectError([&] { form.SetTimeout(0); }, "Timeout has to be greater than 0");
    EXPECT_EQ(form.Interval(), 500u);
    EXPECT_EQ(form.Timeout(), 5000u);
    form.Start();
    ExpectError([&] { form.Start(); }, "Unable to start WaitForm more than once");
    ExpectError([&] { form.Show(); }, "Unable to show WaitForm more than once");
    QWidget other;
    ExpectError([&] { form.SetActiveForm(&other); }, "Unable to change ActiveForm after WaitForm has been started");
    EXPECT_EQ(form.ActiveForm(), nullptr);
    form.Stop();
}

TEST(WaitForm, InvisibleStillDisablesTheTarget)
{
    QWidget target;
    target.show();
    TWaitForm form;
    form.SetActiveForm(&target);
    form.SetInvisible(true);
    form.Show();
    EXPECT_FALSE(form.Window()->isVisible());
    EXPECT_FALSE(target.isEnabled());
    EXPECT_FALSE(form.TimedOut()); // untimed
    form.Hide();
    EXPECT_TRUE(target.isEnabled());

    form.SetDisableParent(false);
    form.Show();
    EXPECT_TRUE(target.isEnabled());
    form.Stop();
}

TEST(WaitForm, CancelButtonGrowsTheWindowAndEscapePressesIt)
{
    TWaitForm form;
    form.SetCancelButton(true);
    form.SetCancelText("Przerwij");
    form.Show();
    TWaitFormWindow *w = form.Window();
    EXPECT_EQ(w->height(), 60 + 36);
    EXPECT_EQ(w->BtnCancel->text(), "Przerwij");
    EXPECT_TRUE(w->BtnCancel->isEnabled());
    EXPECT_TRUE(w->PnlCancel->isVisibleTo(w));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w, &escape);
    EXPECT_TRUE(form.Cancelled());
    EXPECT_FALSE(w->isVisible());
    form.Stop();

    TWaitForm plain;
    plain.Show();
    EXPECT_EQ(plain.Window()->height(), 60);
    QApplication::sendEvent(plain.Window(), &escape); // no Cancel: nothing
    EXPECT_FALSE(plain.Cancelled());
    plain.Stop();
}

TEST(WaitForm, StylesAndStatusText)
{
    TWaitForm form;
    QStringList events;
    form.OnStatusChange = [&](TWaitForm *) { events << "status"; };
    form.OnCaptionChange = [&](TWaitForm *) { events << "caption"; };
    form.SetStatusText("Connecting");
    form.SetStatusText("Connecting"); // unchanged: no event
    form.SetCaption("Wait");
    EXPECT_EQ(events, QStringList({"status", "caption"}));
    form.SetFormStyle(wfsText);
    form.Show();
    TWaitFormWindow *w = form.Window();
    EXPECT_FALSE(w->PnlProgress->isVisibleTo(w));
    EXPECT_TRUE(w->LblStatus->isHidden());
    EXPECT_EQ(w->PnlStatus->text(), "Connecting");
    form.SetStatusText("COM3");
    EXPECT_EQ(w->PnlStatus->text(), "COM3");
    EXPECT_EQ(w->windowTitle(), "Wait");
    form.Stop();

    form.SetFormStyle(wfsProgress);
    form.Show();
    EXPECT_EQ(form.Window()->LblStatus->text(), "COM3");
    EXPECT_TRUE(form.Window()->PnlProgress->isVisibleTo(form.Window()));
    form.Stop();
}

TEST(WaitForm, ProcessMessagesRunsTimersEvenWithNothingToClick)
{
    // Text style, no Cancel, no border icons: user input stays queued, but the
    // wait's own timer still runs, so a timed wait ends.
    TWaitForm form;
    form.SetFormStyle(wfsText);
    form.SetBorderIcons(0);
    form.SetInterval(10);
    form.SetTimeout(30);
    form.Start();
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    QElapsedTimer clock;
    clock.start();
    while (!form.TimedOut() && clock.elapsed() < testsupport::GiveUpMs)
        form.ProcessMessages();
    EXPECT_TRUE(form.TimedOut());
    EXPECT_TRUE(timerRan);
    form.Stop();
}

TEST(WaitForm, ThrowingProgressHandlerStopsAtTheTimerTick)
{
    TWaitForm form;
    int calls = 0;
    form.Start();
    form.OnProgressChange = [&](TWaitForm *) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    TWaitFormWindow *w = form.Window();
    ASSERT_NE(w, nullptr);
    const int before = w->PrBStatus->value();
    // The tick as the event loop delivers it: the exception must not leave it.
    bool invoked = false;
    EXPECT_NO_THROW(invoked = QMetaObject::invokeMethod(w->TimerWait, "timeout", Qt::DirectConnection));
    EXPECT_TRUE(invoked);
    EXPECT_EQ(w->PrBStatus->value(), before + 1);
    EXPECT_EQ(calls, 1);
    form.Stop();
}

namespace {
// Counts the paints of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
} // namespace

TEST(WaitForm, ProcessMessagesPaintsTheNewStatusTextAtOnce)
{
    for (const TWaitFormStyle style : {wfsText, wfsProgress}) {
        QMainWindow target;
        target.resize(300, 200);
        target.show();
        TWaitForm form;
        form.SetFormStyle(style);
        form.SetBorderIcons(0);
        form.SetActiveForm(&target);
        form.Show();
        QWidget *status = style == wfsText ? static_cast<QWidget *>(form.Window()->PnlStatus)
                                           : form.Window()->LblStatus;
        QApplication::processEvents();
        PaintCounter counter;
        status->installEventFilter(&counter);
        // The text changes while the messages are processed (as the wait's
        // own timer changes the window), and is painted before the caller
        // goes back to its blocking work.
        QTimer::singleShot(0, [&] { form.SetStatusText("COM7"); });
        form.ProcessMessages();
        EXPECT_EQ(status->property("text").toString(), "COM7");
        EXPECT_GE(counter.paints, 1) << "style " << int(style);
        status->removeEventFilter(&counter);
        form.Stop();
    }
}
