#include "core/ui/WaitForm.h"

#include "core/ComponentVersion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <exception>

static ComponentVersionRegistrar reg("WaitForm", "$Revision: 3871 $",
                                     "$Date: 2011-09-05 13:02:17 +0200 (Mon, 05 Sep 2011) $");

namespace {
constexpr int ProgressPanelHeight = 28;
constexpr int CancelPanelHeight = 36;

// The application's main window: the first top-level main window.
QWidget *MainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow *>(w))
            return w;
    return nullptr;
}
} // namespace

// ---------------------------------------------------------------------------
// TWaitFormWindow

TWaitFormWindow::TWaitFormWindow(TWaitForm *owner) : QDialog(nullptr), FOwner(owner)
{
    // No parent widget: a disabled target window would disable its children.
    setObjectName(QStringLiteral("WaitFormWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setModal(false);

    PnlClient = new QFrame(this);
    PnlClient->setObjectName(QStringLiteral("PnlClient"));
    PnlStatus = new QLabel(PnlClient);
    PnlStatus->setObjectName(QStringLiteral("PnlStatus"));
    PnlStatus->setAlignment(Qt::AlignCenter);
    PnlStatus->setWordWrap(true);
    LblStatus = new QLabel(QStringLiteral("Please wait"), PnlStatus);
    LblStatus->setObjectName(QStringLiteral("LblStatus"));
    LblStatus->setAlignment(Qt::AlignCenter);

    PnlProgress = new QFrame(this);
    PnlProgress->setObjectName(QStringLiteral("PnlProgress"));
    PrBStatus = new QProgressBar(PnlProgress);
    PrBStatus->setObjectName(QStringLiteral("PrBStatus"));
    PrBStatus->setMinimum(0);
    PrBStatus->setTextVisible(false);

    PnlCancel = new QFrame(this);
    PnlCancel->setObjectName(QStringLiteral("PnlCancel"));
    PnlCancel->hide();
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), PnlCancel);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setProperty("ModalResult", 2);
    BtnCancel->resize(80, 25);
    BtnCancel->setEnabled(false);
    BtnCancel->setAutoDefault(false);
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });

    TimerWait = new QTimer(this);
    TimerWait->setObjectName(QStringLiteral("TimerWait"));
    TimerWait->setInterval(500);
    connect(TimerWait, &QTimer::timeout, this, [this] {
        // The tick runs the owner's progress handler; whatever it throws
        // stops at the timer.
        try {
            TimerWaitTimer();
        } catch (const std::exception &e) {
            qWarning("Please-wait progress handler failed: %s", e.what());
        } catch (...) {
            qWarning("Please-wait progress handler failed");
        }
    });

    ApplyClientSize();
}

void TWaitFormWindow::ApplyClientSize()
{
    const int height = ProgressPanelHeight + FStatusHeight + (FCancelShown ? CancelPanelHeight : 0);
    setFixedSize(FClientWidth, height);
    Relayout();
}

void TWaitFormWindow::Relayout()
{
    const int w = width();
    int bottom = height();
    if (FCancelShown) {
        bottom -= CancelPanelHeight;
        PnlCancel->setGeometry(0, bottom, w, CancelPanelHeight);
        BtnCancel->move((w - BtnCancel->width()) / 2, (CancelPanelHeight - BtnCancel->height()) / 2);
    }
    if (FStyle == wfsProgress) {
        bottom -= ProgressPanelHeight;
        PnlProgress->setGeometry(0, bottom, w, ProgressPanelHeight);
        PrBStatus->setGeometry(8, 0, std::max(0, w - 15), 17);
    }
    PnlClient->setGeometry(0, 0, w, bottom);
    if (FStyle == wfsProgress)
        PnlStatus->setGeometry(8, 8, std::max(0, w - 15), std::max(13, bottom - 16));
    else
        PnlStatus->setGeometry(0, 0, w, bottom);
    LblStatus->setGeometry(0, 0, PnlStatus->width(), PnlStatus->height());
}

void TWaitFormWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    Relayout();
}

void TWaitFormWindow::SetStyle(TWaitFormStyle style)
{
    FStyle = style;
    PnlProgress->setVisible(style == wfsProgress);
    LblStatus->setVisible(style != wfsText);
    LblStatus->setWordWrap(style == wfsMultiline);
    Relayout();
}

void TWaitFormWindow::SetCancelShown(bool shown)
{
    if (FCancelShown == shown)
        return;
    FCancelShown = shown;
    PnlCancel->setVisible(shown);
    BtnCancel->setEnabled(shown);
    ApplyClientSize();
    if (shown)
        BtnCancel->setFocus();
}

void TWaitFormWindow::TimerWaitTimer()
{
    if (PrBStatus->value() < PrBStatus->maximum()) {
        PrBStatus->setValue(PrBStatus->value() + 1);
        FOwner->Fire(FOwner->OnProgressChange);
    } else {
        Finish(false);
    }
}

void TWaitFormWindow::BtnCancelClick()
{
    FCancelled = true;
    Finish(true);
}

void TWaitFormWindow::reject()
{
    // Escape presses Cancel when there is one; otherwise it does nothing.
    if (FCancelShown && BtnCancel->isEnabled())
        BtnCancel->click();
}

void TWaitFormWindow::Finish(bool force)
{
    if (FFinishing)
        return;
    FFinishing = true;
    TimerWait->stop();
    PrBStatus->setValue(PrBStatus->maximum());
    if (FHideOnTimeout || force) {
        if (!FOwner->FInvisible)
            QDialog::hide();
        EnableTarget();
    }
    FFinishing = false;
}

void TWaitFormWindow::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    Finish(false);
}

void TWaitFormWindow::closeEvent(QCloseEvent *event)
{
    EnableTarget();
    QDialog::closeEvent(event);
}

void TWaitFormWindow::DisableTarget()
{
    if (!FDisableParent || !FTarget || FTargetDisabled)
        return;
    FTarget->setEnabled(false);
    FTargetDisabled = true;
}

void TWaitFormWindow::EnableTarget()
{
    if (!FTargetDisabled)
        return;
    FTargetDisabled = false;
    if (!FTarget)
        return;
    FTarget->setEnabled(true);
    FTarget->activateWindow();
    FTarget->setFocus();
}

// ---------------------------------------------------------------------------
// TWaitForm

TWaitForm::TWaitForm(QObject *owner) : QObject(owner), FFont(QApplication::font())
{
    FColor = QApplication::palette().color(QPalette::Button);
}

TWaitForm::~TWaitForm()
{
    FreeTheWindow();
}

int TWaitForm::ComputeProgressMax() const
{
    const unsigned period = FWindow ? unsigned(FWindow->TimerWait->interval()) : FInterval;
    return int(period == 0 ? FTimeout : FTimeout / period);
}

int TWaitForm::Progress() const
{
    return FWindow ? FWindow->PrBStatus->value() : 0;
}

int TWaitForm::ProgressMax() const
{
    return FWindow ? FWindow->PrBStatus->maximum() : ComputeProgressMax();
}

void TWaitForm::CreateTheWindow()
{
    if (FWindow)
        throw EWaitFormError("Unable to create window more than once");
    auto *w = new TWaitFormWindow(this);
    FWindow = w;
    // The target: the given form, else the owner's window, else the main window.
    QWidget *target = FActiveForm;
    if (!target)
        if (auto *ownerWidget = qobject_cast<QWidget *>(parent()))
            target = ownerWidget->window();
    if (!target)
        target = MainWindow();
    w->FTarget = target;
    SetBorderIcons(FBorderIcons);
    SetBorderStyle(FBorderStyle);
    w->FStatusHeight = FClientHeight - ProgressPanelHeight;
    w->FClientWidth = FClientWidth;
    w->SetCancelShown(FCancelButton);
    w->setWindowTitle(FCaption);
    w->BtnCancel->setText(FCancelText);
    SetColor(FColor);
    w->FDisableParent = FDisableParent;
    w->setFont(FFont);
    w->SetStyle(FFormStyle);
    w->FHideOnTimeout = FHideOnTimeout;
    w->TimerWait->setInterval(int(FInterval));
    SetStatusText(FStatusText);
    w->PrBStatus->setMaximum(ComputeProgressMax());
    w->PrBStatus->setValue(0);
    w->ApplyClientSize();
    // Centred over the target window (or the screen).
    const QRect area = target ? target->frameGeometry()
                              : (QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                                               : QRect());
    if (area.isValid())
        w->move(area.center() - w->rect().center());
    Fire(OnCaptionChange);
    Fire(OnStatusChange);
    Fire(OnProgressChange);
}

void TWaitForm::FreeTheWindow()
{
    if (!FWindow)
        return;
    TWaitFormWindow *w = FWindow;
    FWindow = nullptr;
    w->FFinishing = true; // no finishing run while it goes
    w->TimerWait->stop();
    w->EnableTarget();
    delete w;
}

void TWaitForm::Start()
{
    if (FWindow)
        throw EWaitFormError("Unable to start WaitForm more than once");
    CreateTheWindow();
    FWindow->TimerWait->setInterval(int(FInterval));
    FWindow->PrBStatus->setValue(0);
    Fire(OnProgressChange);
    FWindow->DisableTarget();
    if (!FInvisible)
        FWindow->show();
    FWindow->TimerWait->start();
}

void TWaitForm::Show()
{
    if (FWindow)
        throw EWaitFormError("Unable to show WaitForm more than once");
    CreateTheWindow();
    FWindow->DisableTarget();
    if (!FInvisible)
        FWindow->show();
}

void TWaitForm::Stop()
{
    if (!FWindow)
        return;
    FWindow->FCancelled = true;
    FWindow->Finish(true);
    FWindow->close();
    FreeTheWindow();
}

void TWaitForm::Hide()
{
    if (!FWindow)
        return;
    if (!FInvisible)
        FWindow->hide();
    FWindow->close();
    FreeTheWindow();
}

bool TWaitForm::Cancelled() const
{
    return !FWindow || FWindow->FCancelled;
}

bool TWaitForm::TimedOut() const
{
    return !FWindow || FWindow->PrBStatus->value() >= FWindow->PrBStatus->maximum();
}

void TWaitForm::ProcessMessages()
{
    if (!FWindow)
        return;
    const bool clickable = FFormStyle == wfsProgress || FCancelButton || FBorderIcons != 0;
    QCoreApplication::processEvents(clickable ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    // The wait window and its target paint what is pending now, not when the
    // platform next asks for a frame: the caller goes back to blocking work.
    for (QWidget *w : {static_cast<QWidget *>(FWindow), static_cast<QWidget *>(FWindow ? FWindow->FTarget : nullptr)}) {
        if (w && w->isVisible()) {
            QEvent paintPending(QEvent::UpdateRequest);
            QCoreApplication::sendEvent(w, &paintPending);
        }
    }
}

// ---- Properties: stored, and passed on to the window while it exists ----

void TWaitForm::SetBorderIcons(int icons)
{
    FBorderIcons = icons;
    SetBorderStyle(FBorderStyle);
}

void TWaitForm::SetBorderStyle(TFormBorderStyle style)
{
    FBorderStyle = style;
    if (!FWindow)
        return;
    Qt::WindowFlags flags = Qt::WindowStaysOnTopHint;
    flags |= (style == bsToolWindow || style == bsSizeToolWin) ? Qt::Tool : Qt::Dialog;
    if (style == bsNone) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (FBorderIcons & biSystemMenu)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (FBorderIcons & biMinimize)
            flags |= Qt::WindowMinimizeButtonHint;
        if (FBorderIcons & biMaximize)
            flags |= Qt::WindowMaximizeButtonHint;
        if (FBorderIcons & biHelp)
            flags |= Qt::WindowContextHelpButtonHint;
    }
    // Changing the flags hides a shown window: that is no end of the wait.
    const bool shown = FWindow->isVisible();
    const bool finishing = FWindow->FFinishing;
    FWindow->FFinishing = true;
    FWindow->setWindowFlags(flags);
    if (shown)
        FWindow->show();
    FWindow->FFinishing = finishing;
}

void TWaitForm::SetCancelButton(bool value)
{
    FCancelButton = value;
    if (FWindow)
        FWindow->SetCancelShown(value);
}

void TWaitForm::SetCancelText(const QString &text)
{
    FCancelText = text;
    if (FWindow)
        FWindow->BtnCancel->setText(text);
}

void TWaitForm::SetCaption(const QString &caption)
{
    if (caption == FCaption)
        return;
    FCaption = caption;
    if (FWindow)
        FWindow->setWindowTitle(caption);
    Fire(OnCaptionChange);
}

void TWaitForm::SetClientHeight(int value)
{
    FClientHeight = value;
    if (FWindow) {
        FWindow->FStatusHeight = value - ProgressPanelHeight;
        FWindow->ApplyClientSize();
    }
}

void TWaitForm::SetClientWidth(int value)
{
    FClientWidth = value;
    if (FWindow) {
        FWindow->FClientWidth = value;
        FWindow->ApplyClientSize();
    }
}

void TWaitForm::SetColor(const QColor &color)
{
    FColor = color;
    if (FWindow && color.isValid()) {
        QPalette p = FWindow->palette();
        p.setColor(QPalette::Window, color);
        FWindow->setPalette(p);
        FWindow->setAutoFillBackground(true);
    }
}

void TWaitForm::SetDisableParent(bool value)
{
    FDisableParent = value;
    if (FWindow)
        FWindow->FDisableParent = value;
}

void TWaitForm::SetFont(const QFont &font)
{
    FFont = font;
    if (FWindow)
        FWindow->setFont(font);
}

void TWaitForm::SetFormStyle(TWaitFormStyle style)
{
    FFormStyle = style;
    if (FWindow) {
        FWindow->SetStyle(style);
        SetStatusText(FStatusText);
    }
}

void TWaitForm::SetHideOnTimeout(bool value)
{
    FHideOnTimeout = value;
    if (FWindow)
        FWindow->FHideOnTimeout = value;
}

void TWaitForm::SetStatusText(const QString &text)
{
    const bool changed = text != FStatusText;
    FStatusText = text;
    if (FWindow) {
        if (!FWindow->LblStatus->isHidden()) {
            FWindow->LblStatus->setText(text);
            FWindow->PnlStatus->clear();
        } else {
            FWindow->PnlStatus->setText(text);
        }
    }
    if (changed)
        Fire(OnStatusChange);
}

void TWaitForm::SetInterval(unsigned value)
{
    if (value == 0)
        throw EWaitFormError("Interval has to be greater than 0");
    FInterval = value;
    if (FWindow)
        FWindow->TimerWait->setInterval(int(value));
}

void TWaitForm::SetInvisible(bool value)
{
    FInvisible = value;
    if (FWindow)
        FWindow->setVisible(!value);
}

void TWaitForm::SetTimeout(unsigned value)
{
    if (value == 0)
        throw EWaitFormError("Timeout has to be greater than 0");
    FTimeout = value;
    if (FWindow)
        FWindow->PrBStatus->setMaximum(ComputeProgressMax());
}

void TWaitForm::SetActiveForm(QWidget *form)
{
    if (FWindow)
        throw EWaitFormError("Unable to change ActiveForm after WaitForm has been started");
    FActiveForm = form;
}
