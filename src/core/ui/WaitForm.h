// A small top-most please-wait window for long operations: a status text, a
// progress bar that advances on a timer until a time-out, and an optional
// Cancel button. While it is up the window that launched it is disabled.
// Waiting code asks Cancelled / TimedOut in its loop and calls
// ProcessMessages.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QString>

#include <functional>
#include <stdexcept>

class QLabel;
class QFrame;
class QProgressBar;
class QPushButton;
class QTimer;

enum TWaitFormStyle {
    wfsProgress,  // status line and progress bar
    wfsText,      // status text filling the window, no bar
    wfsMultiline, // word-wrapped status label filling the window, no bar
};

class TWaitForm;

// The window itself; it exists only between a start (or show) and the
// matching stop (or hide).
class TWaitFormWindow : public QDialog {
    Q_OBJECT
public:
    explicit TWaitFormWindow(TWaitForm *owner);

    QFrame *PnlClient;
    QLabel *PnlStatus;
    QLabel *LblStatus;
    QFrame *PnlProgress;
    QProgressBar *PrBStatus;
    QFrame *PnlCancel;
    QPushButton *BtnCancel;
    QTimer *TimerWait;

    bool Cancelled() const { return FCancelled; }
    // One tick of TimerWait: the bar advances; at its end the wait finishes.
    void TimerWaitTimer();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    friend class TWaitForm;
    void SetStyle(TWaitFormStyle style);
    void SetCancelShown(bool shown);
    void ApplyClientSize();
    void Relayout();
    void BtnCancelClick();
    // Stops the timer, fills the bar and, with force or HideOnTimeout, hides
    // the window and gives the target window back.
    void Finish(bool force);
    void DisableTarget();
    void EnableTarget();

    TWaitForm *FOwner;
    QPointer<QWidget> FTarget;
    bool FCancelShown = false;
    TWaitFormStyle FStyle = wfsProgress;
    bool FCancelled = false;
    bool FDisableParent = true;
    bool FHideOnTimeout = true;
    bool FFinishing = false;
    bool FTargetDisabled = false;
    int FClientWidth = 240;
    int FStatusHeight = 32; // client height less the progress panel
};

class TWaitForm : public QObject {
    Q_OBJECT
public:
    enum TBorderIcon { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
    enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
    using TNotifyEvent = std::function<void(TWaitForm *sender)>;

    explicit TWaitForm(QObject *owner = nullptr);
    ~TWaitForm() override;

    // Misuse: the six English messages of the component.
    class EWaitFormError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    int BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(int icons);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    bool CancelButton() const { return FCancelButton; }
    void SetCancelButton(bool value);
    QString CancelText() const { return FCancelText; }
    void SetCancelText(const QString &text);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString &caption);
    int ClientHeight() const { return FClientHeight; }
    void SetClientHeight(int value);
    int ClientWidth() const { return FClientWidth; }
    void SetClientWidth(int value);
    QColor Color() const { return FColor; }
    void SetColor(const QColor &color);
    bool DisableParent() const { return FDisableParent; }
    void SetDisableParent(bool value);
    QFont Font() const { return FFont; }
    void SetFont(const QFont &font);
    TWaitFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TWaitFormStyle style);
    bool HideOnTimeout() const { return FHideOnTimeout; }
    void SetHideOnTimeout(bool value);
    QString StatusText() const { return FStatusText; }
    void SetStatusText(const QString &text);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned value);
    bool Invisible() const { return FInvisible; }
    void SetInvisible(bool value);
    unsigned Timeout() const { return FTimeout; }
    void SetTimeout(unsigned value);
    // The window to disable; none means the application's main window.
    QWidget *ActiveForm() const { return FActiveForm; }
    void SetActiveForm(QWidget *form);

    TNotifyEvent OnCaptionChange;
    TNotifyEvent OnProgressChange;
    TNotifyEvent OnStatusChange;

    // Timed: the bar advances every Interval ms; TimedOut after Timeout ms.
    void Start();
    // Untimed: no bar movement, no time-out.
    void Show();
    // Marks the wait cancelled, hides and frees the window.
    void Stop();
    // Hides and frees the window.
    void Hide();
    // True without a window, else whether Cancel was pressed or Stop called.
    bool Cancelled() const;
    // True without a window, else whether the bar has reached its end.
    bool TimedOut() const;
    // Lets the application carry on while the caller waits. With nothing the
    // user could click (no bar, no Cancel, no border icons) user input is left
    // queued, so a click cannot start anything in the middle of the wait;
    // timers and painting still run, so a timed wait always ends.
    void ProcessMessages();

    // The window while it exists (for the owner's own adjustments and tests).
    TWaitFormWindow *Window() const { return FWindow; }
    int Progress() const;
    int ProgressMax() const;

private:
    friend class TWaitFormWindow;
    void CreateTheWindow();
    void FreeTheWindow();
    int ComputeProgressMax() const;
    void Fire(const TNotifyEvent &event) { if (event) event(this); }

    QPointer<TWaitFormWindow> FWindow;
    QPointer<QWidget> FActiveForm;
    int FBorderIcons = biSystemMenu;
    TFormBorderStyle FBorderStyle = bsSingle;
    bool FCancelButton = false;
    QString FCancelText = QStringLiteral("Cancel");
    QString FCaption;
    int FClientHeight = 60;
    int FClientWidth = 240;
    QColor FColor;
    bool FDisableParent = true;
    QFont FFont;
    TWaitFormStyle FFormStyle = wfsProgress;
    bool FHideOnTimeout = true;
    QString FStatusText = QStringLiteral("Please wait");
    unsigned FInterval = 500;
    bool FInvisible = false;
    unsigned FTimeout = 5000;
};
