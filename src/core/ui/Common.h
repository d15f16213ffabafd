// The common services every window uses: message and question boxes with
// translated buttons, number and on/off text conversions (TCommonConv),
// control helpers, page switching with change notifications, owner-drawn tabs
// and grid cells, the computer code, the serial-port list, the packed
// date-time and waiting with a please-wait window.
//
// Every box of the program goes through TCommon. An answer provider, when
// installed, receives each box instead of a window and gives its answer, so
// that tests (and an outside test run, see InstallAnswersFromEnvironment)
// never block on a modal window.
#pragma once

#include "core/CommonConv.h"
#include "core/ui/WaitForm.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QAbstractButton;
class QIODevice;
class QPainter;
class QRect;
class QTableWidget;
class QTabWidget;
class QWidget;
class TVersionInfo;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Standard buttons, in the order they stand in a box.
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };

// Tab notification codes.
constexpr int TCN_SELCHANGE = -551;
constexpr int TCN_SELCHANGING = -552;

// What a box shows, as the answer provider receives it.
struct TMessageBoxInfo {
    TMsgDlgType Type = mtCustom;
    QString Caption;           // the title bar text (empty: empty title bar)
    QString Text;
    QList<int> Buttons;        // modal results of the buttons, in box order
    QStringList ButtonCaptions;// their (translated) captions
    int DefaultButton = -1;    // index into Buttons; -1: no default button
};
using TAnswerProvider = std::function<int(const TMessageBoxInfo &box)>;

class TCommon : public QObject, public TCommonConv {
    Q_OBJECT
public:
    // Reads the program's version texts once and keeps its product name;
    // shows the settings object's errors (AppConfig->OnMessage) and the
    // language manager's (LM->MessageHook) when nothing else does.
    explicit TCommon(QObject *parent = nullptr);
    ~TCommon() override;

    TVersionInfo *VerInfo = nullptr;
    // Image 0: the "pending" glyph of a write button with unsaved changes.
    QList<QIcon> ImLShared;
    QString ProductName() const { return FProductName; }

    // Reports whether a change of working mode is pending (commit false) or
    // commits it (commit true).
    std::function<bool(bool commit)> OnQueryModChange;

    // ---- Boxes ----
    // A caption of one NUL character: the box's title bar stays empty.
    static QString NoCaption() { return QString(QChar(0)); }
    // The title that boxes without a caption of their own show.
    static QString ApplicationTitle();
    static void SetApplicationTitle(const QString &title);
    // The program's caption: the product name, " - ", the file version.
    static QString ProgramCaption();
    // What a box without a caption of its own shows: the application title,
    // or the program's caption while no title is set yet.
    static QString BoxTitle();

    // Installs (or, with an empty function, removes) the answer provider.
    static void SetAnswerProvider(TAnswerProvider provider);
    // The program is ending: from now on every box returns its escape
    // answer (Cancel, else No) without being shown.
    static void SetEnding(bool ending);
    static bool Ending();
    static bool HasAnswerProvider();
    // When TARON_BOX_ANSWERS is set, installs a provider that writes every
    // box to standard error and answers it without a window: with the
    // default button for "default" (the first button when a box has none),
    // else with the modal result given as a number when the box offers it.
    // Returns whether a provider was installed.
    static bool InstallAnswersFromEnvironment();

    // The core box; returns the modal result. Positions below 0 centre it on
    // the active window; default button indexes other than 0..2 leave no
    // default button.
    int MessageDialogEx(const QString &text, const QString &caption, int left, int top, int defaultButton,
                        QList<TMsgDlgBtn> buttons, TMsgDlgType type);

    // Shown even while another box is open; the application title.
    void ShowWarningMessage(const QString &text);
    // Unguarded questions; an empty caption shows the application title.
    int AskOkCancel(const QString &text, const QString &caption = QString(), bool defaultFirst = true,
                    bool warning = false);
    bool AskYesNoEx(const QString &text, const QString &caption = QString(), bool defaultFirst = true,
                    bool warning = false);
    int AskYesNoCancelEx(const QString &text, const QString &caption = QString(), bool defaultFirst = true,
                         bool warning = false);
    // Guarded: one at a time. While a guarded box is open, a further
    // information, warning or error box is dropped, AskYesNo answers false
    // and AskYesNoCancel answers Cancel (2), without showing anything. An
    // empty caption shows the application title, as the questions above.
    void ShowInformation(const QString &text, const QString &caption = QString());
    bool AskYesNo(const QString &text, const QString &caption = QString());
    int AskYesNoCancel(const QString &text, const QString &caption = QString());
    void ShowWarning(const QString &text, const QString &caption = QString());
    void ShowError(const QString &text, const QString &caption = QString());
    // Asks whether to write changed data: Yes 6, No 7, Cancel 2. With
    // modeChangeOnly the question is asked only for a pending mode change.
    // A Yes to the mode-change question leaves its change record owed (and
    // asked no more) until the write it answered reports with ChangeWritten.
    int AskSaveChangedData(bool modeChangeOnly);
    // The write that followed the question has ended. Written: the owed
    // change record goes out (it records a change the device now holds) and
    // later writes on this connection are not asked about it again. Not
    // written (refused, the link or the box gone, a locked device): no
    // record, and the next write asks the question again. Nothing happens
    // while no record is owed. Said while a write runs (TRecordedWrite), it
    // is a part of that write: the outermost write reports the whole.
    void ChangeWritten(bool written);
    // The change-record gate before a settings write's first frame: for a
    // write of edited settings (modified), the confirm-only question above,
    // asked once per connection of a device that keeps a change record.
    // False: the user declined and nothing is to be written.
    bool AskChangeRecord(bool modified);
    bool ChangeRecordOwed() const { return FRecordOwed; }
    // A change record went out on this connection: later writes ask nothing.
    bool ChangeRecorded() const { return FModeChangeAccepted; }
    // A write (TRecordedWrite) is running.
    bool WriteInProgress() const { return FWriteDepth > 0; }
    // Forgets an accepted mode change: the next write asks again.
    void ClearModeChangeAccepted()
    {
        FModeChangeAccepted = false;
        FRecordOwed = false;
    }
    int OpenGuardedBoxes() const { return FOpenBoxes; }

    // ---- Controls ----
    // Sets Enabled of the control and, when recursive, of all its children.
    static void SetChildrenEnabled(QWidget *control, bool state, bool recursive = true);
    // As SetChildrenEnabled; without the recursive flag a disabled control is
    // also covered by a transparent layer with the forbidden cursor, which
    // enabling removes.
    void SetControlEnabled(QWidget *control, bool enabled, bool recursive);
    // The cover of a control disabled by SetControlEnabled, or nullptr.
    QWidget *CoverOf(const QWidget *control) const;
    // True when the control and all its parents are visible and enabled.
    static bool CanFocusChain(const QWidget *control);
    static void SafeSetFocus(QWidget *control);
    // Sets the checked state without running the box's click handlers.
    static void SetCheckedSilently(QAbstractButton *box, bool state);
    // On: bold red caption and the pending glyph; off: normal black caption.
    void SetButtonHighlight(QAbstractButton *button, bool on);

    // ---- Pages and tabs ----
    // The answer of the control's owner to a tab notification: TCN_SELCHANGING
    // answered non-zero vetoes the change. Installed by the window that owns
    // the page control.
    using TTabNotifyHandler = std::function<int(int code)>;
    static void SetTabNotifyHandler(QWidget *control, TTabNotifyHandler handler);
    // Sends the notification; 0 when the control has no handler. For
    // TCN_SELCHANGE a page control also signals currentChanged.
    static int SendTabNotify(QWidget *control, int code);
    // Selects the index-th visible tab of a QTabWidget or QTabBar unless
    // TCN_SELCHANGING is vetoed. With byMessage, TCN_SELCHANGE follows (also
    // when the index names no tab and the selection stays); without it the
    // selection changes silently. True when not vetoed.
    static bool SelectTabWithEvents(QWidget *control, int index, bool byMessage);
    // Selects the sheet by its position among the visible sheets (a hidden
    // sheet gives the next visible one), with the hourglass cursor.
    static bool ActivatePage(QTabWidget *pageControl, QWidget *sheet, bool byMessage);
    // Text rotated by angle degrees (counter-clockwise), transparent.
    static void DrawRotatedText(QPainter &painter, int x, int y, int angle, const QString &text);
    // One owner-drawn tab: tabIndex counts the visible sheets. A sheet whose
    // "Highlighted" property is true is drawn in the highlight colours when
    // active.
    static void DrawPageControlTab(QPainter &painter, QTabWidget *pageControl, int tabIndex, const QRect &rect,
                                   bool active, const QColor &colour);
    // Blue with white text when selected, green with white text when
    // highlighted, else white with the grid's text colour.
    static void DrawColoredGridCell(QPainter &painter, QTableWidget *grid, int column, int row, const QRect &rect,
                                    bool selected, bool highlighted);

    // ---- Waiting ----
    // Makes a wait form the current one; throws std::runtime_error "Cannot
    // change WaitForm, while current one is still in use" when another one is
    // current. nullptr stops and forgets the current one.
    void SetWaitForm(TWaitForm *form);
    TWaitForm *WaitForm() const { return FWaitForm; }
    // Waits the time: without a form asleep under the hourglass; with one
    // (the current or a temporary one) keeping the application responsive,
    // either until the form's time-out (untilTimeout) or by the clock.
    void WaitWithForm(int milliseconds, bool withForm, bool untilTimeout);

    // ---- Scrambling of language, trouble-code and map files ----
    static void ScrambleStream(QByteArray &data);
    static bool ScrambleStream(QIODevice &stream);

private:
    friend class TRecordedWrite;
    int GuardedBox(int busyResult, const QString &text, const QString &caption, QList<TMsgDlgBtn> buttons,
                   TMsgDlgType type);
    static QString CaptionOrTitle(const QString &caption);

    QString FProductName;
    int FOpenBoxes = 0;
    bool FModeChangeAccepted = false;
    bool FRecordOwed = false;
    int FWriteDepth = 0;
    bool FPartFailed = false; // a part of the running write did not go through
    bool FOwnsSettingsMessages = false;
    bool FOwnsLanguageMessages = false;
    QPointer<TWaitForm> FWaitForm;
    QHash<const QWidget *, QPointer<QWidget>> FCovers;
};

extern TCommon *Common;

// One write of settings to the device, for as long as it runs: made before
// the write's first frame, it asks the change-record question with Ask (a
// Yes already given to a leave question is not asked again), and reports with
// Report whether everything the write sent went through; the writer goes on
// with what Report returns (its page's mark and message follow the same
// result). The record a Yes left owed goes out when the outermost write
// reports one that went through, after its last frame. A write reported as
// failed, or one that ends without a report (given up on the way), sends no
// record and leaves the question to the next write. A write made while
// another runs (the factory settings write the configuration and the model
// with it) is a part of that one: a part that failed fails the whole.
class TRecordedWrite
{
public:
    TRecordedWrite();
    ~TRecordedWrite();
    TRecordedWrite(const TRecordedWrite &) = delete;
    TRecordedWrite &operator=(const TRecordedWrite &) = delete;
    // The change-record gate (TCommon::AskChangeRecord): false when the
    // user declined, and the writer then sends nothing.
    bool Ask(bool modified = true);
    // Returns written; a second report is ignored.
    bool Report(bool written);

private:
    QPointer<TCommon> FCommon;
    bool FReported = false;
};
