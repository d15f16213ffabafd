#include "core/ui/Common.h"

#include "core/AppConfig.h"
#include "core/CustomParameters.h"
#include "core/LM.h"
#include "core/Scramble.h"
#include "core/VersionInfo.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/WaitForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>

#include <cstdio>
#include <stdexcept>

TCommon *Common = nullptr;

namespace {
QString &TitleStore()
{
    static QString title;
    return title;
}

bool &EndingStore()
{
    static bool ending = false;
    return ending;
}

TAnswerProvider &ProviderStore()
{
    static TAnswerProvider provider;
    return provider;
}

QHash<const QWidget *, TCommon::TTabNotifyHandler> &TabHandlers()
{
    static QHash<const QWidget *, TCommon::TTabNotifyHandler> handlers;
    return handlers;
}

// The hourglass for the lifetime of the guard.
struct THourglass {
    THourglass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QGuiApplication::restoreOverrideCursor(); }
};

int ModalResultOf(TMsgDlgBtn b)
{
    switch (b) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: return mrNone;
    }
    return mrNone;
}

QMessageBox::StandardButton StandardOf(TMsgDlgBtn b)
{
    switch (b) {
    case mbYes: return QMessageBox::Yes;
    case mbNo: return QMessageBox::No;
    case mbOK: return QMessageBox::Ok;
    case mbCancel: return QMessageBox::Cancel;
    case mbAbort: return QMessageBox::Abort;
    case mbRetry: return QMessageBox::Retry;
    case mbIgnore: return QMessageBox::Ignore;
    case mbAll: return QMessageBox::SaveAll;
    case mbNoToAll: return QMessageBox::NoToAll;
    case mbYesToAll: return QMessageBox::YesToAll;
    case mbHelp: return QMessageBox::Help;
    }
    return QMessageBox::NoButton;
}

const char *EnglishCaption(TMsgDlgBtn b)
{
    static const char *const names[] = {"&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry",
                                        "&Ignore", "&All", "N&o to All", "Yes to &All", "&Help"};
    return names[b];
}

const char *TypeName(TMsgDlgType t)
{
    static const char *const names[] = {"warning", "error", "information", "confirmation", "custom"};
    return names[t];
}

// A box that makes the chosen button the default and beeps by type when it
// is first shown.
class TMessageDialog : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    QList<QAbstractButton *> Ordered; // box order
    int DefaultIndex = -1;

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        if (FShown)
            return;
        FShown = true;
        for (QAbstractButton *b : Ordered)
            if (auto *p = qobject_cast<QPushButton *>(b)) {
                p->setDefault(false);
                p->setAutoDefault(false);
            }
        if (DefaultIndex >= 0 && DefaultIndex <= 2 && DefaultIndex < Ordered.size()) {
            if (auto *p = qobject_cast<QPushButton *>(Ordered[DefaultIndex])) {
                p->setAutoDefault(true);
                p->setDefault(true);
            }
            Ordered[DefaultIndex]->setFocus();
        }
        // One beep for every type: the platform has no typed sounds.
        QApplication::beep();
    }

private:
    bool FShown = false;
};

// A transparent layer over a disabled control that shows the forbidden
// cursor; it follows the control's geometry and visibility.
class TDisabledCover : public QWidget {
public:
    TDisabledCover(QWidget *control) : QWidget(control->parentWidget()), FControl(control)
    {
        setObjectName(control->objectName() + QStringLiteral("Cover"));
        setAttribute(Qt::WA_NoSystemBackground);
        setCursor(Qt::ForbiddenCursor);
        control->installEventFilter(this);
        Follow();
    }
    ~TDisabledCover() override
    {
        if (FControl)
            FControl->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == FControl) {
            switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide:
            case QEvent::ZOrderChange:
                Follow();
                break;
            case QEvent::ParentChange: // a page docked into another window
                if (FControl->parentWidget() && FControl->parentWidget() != parentWidget())
                    setParent(FControl->parentWidget());
                Follow();
                break;
            default:
                break;
            }
        }
        return false;
    }

private:
    void Follow()
    {
        if (!FControl)
            return;
        setGeometry(FControl->geometry());
        setVisible(!FControl->isHidden());
        raise();
    }
    QPointer<QWidget> FControl;
};

// Absolute index of the index-th visible tab, or -1.
template <typename Tabs>
int AbsoluteTabIndex(Tabs *tabs, int visibleIndex)
{
    int seen = 0;
    for (int i = 0; i < tabs->count(); ++i) {
        if (!tabs->isTabVisible(i))
            continue;
        if (seen == visibleIndex)
            return i;
        ++seen;
    }
    return -1;
}

QIcon PendingGlyph()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 0, 0));
    p.drawEllipse(1, 1, 14, 14);
    p.setBrush(Qt::white);
    p.drawRect(7, 4, 2, 6);
    p.drawRect(7, 11, 2, 2);
    return QIcon(pixmap);
}
} // namespace

// ---------------------------------------------------------------------------

TCommon::TCommon(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("Common"));
    VerInfo = new TVersionInfo(this);
    VerInfo->setObjectName(QStringLiteral("VerInfo"));
    if (VerInfo->ExeName().isEmpty()) {
        VerInfo->SetExeName(QCoreApplication::applicationFilePath());
        VerInfo->ReadVersionInfo();
    }
    FProductName = VerInfo->ProductName();
    VerInfo->SetLangId_CP(QLatin1String(TVersionInfo::ProgramTranslation));
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        ImLShared << PendingGlyph();
    if (!HasAnswerProvider())
        InstallAnswersFromEnvironment();
    // The settings file's errors become error boxes with an OK button, shown
    // whatever else is open.
    if (AppConfig && !AppConfig->OnMessage) {
        AppConfig->OnMessage = [this](const QString &text, const QString &caption) {
            MessageDialogEx(text, caption, -1, -1, 0, {mbOK}, mtError);
        };
        FOwnsSettingsMessages = true;
    }
    // The language manager's load errors: a box with the caption "Error", an
    // exclamation icon and an OK button, shown whatever else is open.
    if (LM && !LM->MessageHook) {
        LM->MessageHook = [this](const QString &text) {
            MessageDialogEx(text, QStringLiteral("Error"), -1, -1, 0, {mbOK}, mtWarning);
        };
        FOwnsLanguageMessages = true;
    }
}

TCommon::~TCommon()
{
    if (FOwnsSettingsMessages && AppConfig)
        AppConfig->OnMessage = nullptr;
    if (FOwnsLanguageMessages && LM)
        LM->MessageHook = nullptr;
    if (FWaitForm && FWaitForm->parent() == this)
        FWaitForm->Stop();
    for (const QPointer<QWidget> &cover : std::as_const(FCovers))
        delete cover.data();
}

// ---- Boxes ----

QString TCommon::ApplicationTitle()
{
    return TitleStore();
}

QString TCommon::ProgramCaption()
{
    QString caption = TCustomParameters::GetProductName(19, false);
    if (LM) {
        LM->LoadVersionInfo();
        if (LM->VerInfo)
            caption += QStringLiteral(" - ") + LM->VerInfo->FileVersion();
    }
    return caption;
}

QString TCommon::BoxTitle()
{
    // Before the main window sets the application title (a box raised while
    // the program starts), the program's name and version all the same.
    const QString title = ApplicationTitle();
    return title.isEmpty() ? ProgramCaption() : title;
}

void TCommon::SetApplicationTitle(const QString &title)
{
    TitleStore() = title;
}

void TCommon::SetAnswerProvider(TAnswerProvider provider)
{
    ProviderStore() = std::move(provider);
}

void TCommon::SetEnding(bool ending)
{
    EndingStore() = ending;
}

bool TCommon::Ending()
{
    return EndingStore();
}

bool TCommon::HasAnswerProvider()
{
    return static_cast<bool>(ProviderStore());
}

bool TCommon::InstallAnswersFromEnvironment()
{
    if (!qEnvironmentVariableIsSet("TARON_BOX_ANSWERS"))
        return false;
    const QString mode = qEnvironmentVariable("TARON_BOX_ANSWERS").trimmed();
    SetAnswerProvider([mode](const TMessageBoxInfo &box) {
        int result = box.Buttons.value(box.DefaultButton >= 0 ? box.DefaultButton : 0, mrNone);
        bool ok = false;
        const int wanted = mode.toInt(&ok);
        if (ok && box.Buttons.contains(wanted))
            result = wanted;
        QStringList buttons;
        for (int b : box.Buttons)
            buttons << QString::number(b);
        const QString line = QStringLiteral("box %1 | %2 | %3 | %4 -> %5\n")
                                 .arg(QLatin1String(TypeName(box.Type)), box.Caption,
                                      QString(box.Text).replace(u'\n', u' ').remove(u'\r'),
                                      buttons.join(u','), QString::number(result));
        std::fputs(line.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        return result;
    });
    return true;
}

QString TCommon::CaptionOrTitle(const QString &caption)
{
    return caption.isEmpty() ? BoxTitle() : caption;
}

int TCommon::MessageDialogEx(const QString &text, const QString &caption, int left, int top, int defaultButton,
                             QList<TMsgDlgBtn> buttons, TMsgDlgType type)
{
    std::sort(buttons.begin(), buttons.end());
    buttons.erase(std::unique(buttons.begin(), buttons.end()), buttons.end());

    TMessageBoxInfo info;
    info.Type = type;
    // One NUL character: no title at all.
    info.Caption = caption == NoCaption() ? QString() : caption;
    info.Text = text;
    for (TMsgDlgBtn b : buttons) {
        info.Buttons << ModalResultOf(b);
        info.ButtonCaptions << DialogButtonCaption(ModalResultOf(b), QString::fromLatin1(EnglishCaption(b)));
    }
    info.DefaultButton = defaultButton >= 0 && defaultButton <= 2 && defaultButton < buttons.size() ? defaultButton : -1;

    if (const TAnswerProvider provider = ProviderStore())
        return provider(info);

    // The program is ending (a stop signal): no box waits for an answer.
    const auto escapeAnswer = [&buttons] {
        return buttons.contains(mbCancel) ? int(mrCancel) : buttons.contains(mbNo) ? int(mrNo) : int(mrCancel);
    };
    if (EndingStore())
        return escapeAnswer();

    QWidget *owner = QApplication::activeWindow();
    TMessageDialog box(owner);
    // Above the start-up splash, which stays on top until the main window shows.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // An empty title falls back to the program file's name on the window
    // system; a blank keeps the bar empty.
    box.setWindowTitle(info.Caption.isEmpty() ? QStringLiteral(" ") : info.Caption);
    box.setText(text);
    switch (type) {
    case mtWarning: box.setIcon(QMessageBox::Warning); break;
    case mtError: box.setIcon(QMessageBox::Critical); break;
    case mtInformation: box.setIcon(QMessageBox::Information); break;
    case mtConfirmation: box.setIcon(QMessageBox::Question); break;
    case mtCustom: box.setIcon(QMessageBox::NoIcon); break;
    }
    for (TMsgDlgBtn b : buttons) {
        QAbstractButton *button = box.addButton(StandardOf(b));
        button->setProperty("ModalResult", ModalResultOf(b));
        button->setText(QString::fromLatin1(EnglishCaption(b)));
        box.Ordered << button;
    }
    box.DefaultIndex = info.DefaultButton;
    if (left >= 0 || top >= 0)
        box.move(std::max(left, 0), std::max(top, 0));
    TranslateDialogButtons(&box);
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    if (!clicked) // closed from the title bar or by a stop signal: the escape answer
        return escapeAnswer();
    return ButtonModalResult(clicked);
}

void TCommon::ShowWarningMessage(const QString &text)
{
    MessageDialogEx(text, BoxTitle(), -1, -1, 0, {mbOK}, mtWarning);
}

int TCommon::AskOkCancel(const QString &text, const QString &caption, bool defaultFirst, bool warning)
{
    return MessageDialogEx(text, CaptionOrTitle(caption), -1, -1, defaultFirst ? 0 : 1, {mbOK, mbCancel},
                           warning ? mtWarning : mtConfirmation);
}

bool TCommon::AskYesNoEx(const QString &text, const QString &caption, bool defaultFirst, bool warning)
{
    return MessageDialogEx(text, CaptionOrTitle(caption), -1, -1, defaultFirst ? 0 : 1, {mbYes, mbNo},
                           warning ? mtWarning : mtConfirmation)
           == mrYes;
}

int TCommon::AskYesNoCancelEx(const QString &text, const QString &caption, bool defaultFirst, bool warning)
{
    return MessageDialogEx(text, CaptionOrTitle(caption), -1, -1, defaultFirst ? 0 : 1, {mbYes, mbNo, mbCancel},
                           warning ? mtWarning : mtConfirmation);
}

int TCommon::GuardedBox(int busyResult, const QString &text, const QString &caption, QList<TMsgDlgBtn> buttons,
                        TMsgDlgType type)
{
    if (FOpenBoxes != 0)
        return busyResult;
    ++FOpenBoxes;
    struct Lower {
        int &count;
        ~Lower() { --count; }
    } lower{FOpenBoxes};
    return MessageDialogEx(text, CaptionOrTitle(caption), -1, -1, 0, std::move(buttons), type);
}

void TCommon::ShowInformation(const QString &text, const QString &caption)
{
    GuardedBox(mrNone, text, caption, {mbOK}, mtInformation);
}

bool TCommon::AskYesNo(const QString &text, const QString &caption)
{
    return GuardedBox(mrNo, text, caption, {mbYes, mbNo}, mtConfirmation) == mrYes;
}

int TCommon::AskYesNoCancel(const QString &text, const QString &caption)
{
    return GuardedBox(mrCancel, text, caption, {mbYes, mbNo, mbCancel}, mtConfirmation);
}

void TCommon::ShowWarning(const QString &text, const QString &caption)
{
    GuardedBox(mrNone, text, caption, {mbOK}, mtWarning);
}

void TCommon::ShowError(const QString &text, const QString &caption)
{
    GuardedBox(mrNone, text, caption, {mbOK}, mtError);
}

int TCommon::AskSaveChangedData(bool modeChangeOnly)
{
    const auto translate = [](const char *key) {
        return LM ? LM->Translate(QLatin1String(key)) : QStringLiteral("!_") + QLatin1String(key);
    };
    // A Yes already given and owed its record is not asked again by the
    // write it answered.
    const bool pending = OnQueryModChange && OnQueryModChange(false) && !FRecordOwed;
    QString text, caption;
    if (!pending || FModeChangeAccepted) {
        text = translate("strQuestWriteChangedData");
        caption = translate("strConfirmDataSave");
    } else {
        // The change-record question names no caption of its own: the box
        // shows the program's name.
        text = translate("strQModChange");
        caption = ApplicationTitle();
    }
    int result;
    if (!modeChangeOnly) {
        result = AskYesNoCancel(text, caption);
    } else if (!pending || FModeChangeAccepted) {
        result = mrYes;
    } else {
        result = AskYesNo(text, caption) ? mrYes : mrCancel;
    }
    // The record is owed only for the mode-change question the user
    // answered, not for later writes that asked nothing about it; it goes
    // out once the write has gone through (ChangeWritten).
    if (result == mrYes && pending && !FModeChangeAccepted)
        FRecordOwed = true;
    return result;
}

void TCommon::ChangeWritten(bool written)
{
    if (FWriteDepth > 0) {
        FPartFailed = FPartFailed || !written;
        return;
    }
    written = written && !FPartFailed;
    FPartFailed = false;
    if (!FRecordOwed)
        return;
    FRecordOwed = false;
    if (!written)
        return;
    FModeChangeAccepted = true;
    if (OnQueryModChange)
        OnQueryModChange(true);
}

bool TCommon::AskChangeRecord(bool modified)
{
    return !modified || AskSaveChangedData(true) == mrYes;
}

TRecordedWrite::TRecordedWrite() : FCommon(Common)
{
    if (FCommon)
        ++FCommon->FWriteDepth;
}

TRecordedWrite::~TRecordedWrite() { Report(false); }

bool TRecordedWrite::Ask(bool modified)
{
    return !FCommon || FCommon->AskChangeRecord(modified);
}

bool TRecordedWrite::Report(bool written)
{
    if (FReported || !FCommon)
        return written;
    FReported = true;
    --FCommon->FWriteDepth;
    FCommon->ChangeWritten(written);
    return written;
}

// ---- Controls ----

void TCommon::SetChildrenEnabled(QWidget *control, bool state, bool recursive)
{
    if (!control)
        return;
    // The control's own flag, not the one it inherits from its parents.
    if (control->testAttribute(Qt::WA_ForceDisabled) == state)
        control->setEnabled(state);
    if (!recursive)
        return;
    for (QWidget *child : control->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        SetChildrenEnabled(child, state, true);
    }
}

void TCommon::SetControlEnabled(QWidget *control, bool enabled, bool recursive)
{
    if (!control || !control->testAttribute(Qt::WA_ForceDisabled) == enabled)
        return;
    control->setEnabled(enabled);
    if (!recursive) {
        if (!enabled) {
            if (!FCovers.value(control) && control->parentWidget() && !control->isWindow()) {
                auto *cover = new TDisabledCover(control);
                FCovers.insert(control, cover);
                connect(control, &QObject::destroyed, this, [this, control] {
                    if (QWidget *c = FCovers.take(control))
                        c->deleteLater();
                });
            }
        } else if (QWidget *cover = FCovers.take(control)) {
            delete cover;
        }
    }
    SetChildrenEnabled(control, enabled, recursive);
}

QWidget *TCommon::CoverOf(const QWidget *control) const
{
    return FCovers.value(control);
}

bool TCommon::CanFocusChain(const QWidget *control)
{
    for (const QWidget *w = control; w; w = w->parentWidget()) {
        if (w->isHidden() || w->testAttribute(Qt::WA_ForceDisabled))
            return false;
        if (w->isWindow())
            break;
    }
    return control != nullptr;
}

void TCommon::SafeSetFocus(QWidget *control)
{
    if (CanFocusChain(control))
        control->setFocus();
}

void TCommon::SetCheckedSilently(QAbstractButton *box, bool state)
{
    if (!box)
        return;
    const QSignalBlocker blocker(box);
    box->setChecked(state);
}

void TCommon::SetButtonHighlight(QAbstractButton *button, bool on)
{
    if (!button)
        return;
    QFont font = button->font();
    font.setBold(on);
    button->setFont(font);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, on ? QColor(255, 0, 0) : QColor(0, 0, 0));
    button->setPalette(palette);
    button->setIcon(on && !ImLShared.isEmpty() ? ImLShared.first() : QIcon());
}

// ---- Pages and tabs ----

void TCommon::SetTabNotifyHandler(QWidget *control, TTabNotifyHandler handler)
{
    if (!control)
        return;
    auto &handlers = TabHandlers();
    if (!handler) {
        handlers.remove(control);
        return;
    }
    if (!handlers.contains(control))
        QObject::connect(control, &QObject::destroyed, [control] { TabHandlers().remove(control); });
    handlers.insert(control, std::move(handler));
}

int TCommon::SendTabNotify(QWidget *control, int code)
{
    if (!control)
        return 0;
    int answer = 0;
    const auto handler = TabHandlers().value(control);
    if (handler)
        answer = handler(code);
    if (code == TCN_SELCHANGE) {
        if (auto *tabs = qobject_cast<QTabWidget *>(control))
            emit tabs->currentChanged(tabs->currentIndex());
        else if (auto *bar = qobject_cast<QTabBar *>(control))
            emit bar->currentChanged(bar->currentIndex());
    }
    return answer;
}

bool TCommon::SelectTabWithEvents(QWidget *control, int index, bool byMessage)
{
    if (SendTabNotify(control, TCN_SELCHANGING) != 0)
        return false;
    {
        // The selection itself changes silently: the change notification is
        // sent explicitly below, only by message.
        const QSignalBlocker blocker(control);
        if (auto *tabs = qobject_cast<QTabWidget *>(control)) {
            const int absolute = AbsoluteTabIndex(tabs, index);
            if (absolute >= 0)
                tabs->setCurrentIndex(absolute);
        } else if (auto *bar = qobject_cast<QTabBar *>(control)) {
            const int absolute = AbsoluteTabIndex(bar, index);
            if (absolute >= 0)
                bar->setCurrentIndex(absolute);
        }
    }
    if (byMessage)
        SendTabNotify(control, TCN_SELCHANGE);
    return true;
}

bool TCommon::ActivatePage(QTabWidget *pageControl, QWidget *sheet, bool byMessage)
{
    if (!pageControl)
        return false;
    const THourglass hourglass;
    const int position = pageControl->indexOf(sheet);
    int visibleBefore = 0;
    for (int i = 0; i < position; ++i)
        if (pageControl->isTabVisible(i))
            ++visibleBefore;
    return SelectTabWithEvents(pageControl, visibleBefore, byMessage);
}

void TCommon::DrawRotatedText(QPainter &painter, int x, int y, int angle, const QString &text)
{
    painter.save();
    painter.translate(x, y);
    painter.rotate(-angle);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(QPoint(0, painter.fontMetrics().ascent()), text);
    painter.restore();
}

void TCommon::DrawPageControlTab(QPainter &painter, QTabWidget *pageControl, int tabIndex, const QRect &rect,
                                 bool active, const QColor &colour)
{
    if (!pageControl)
        return;
    const int absolute = AbsoluteTabIndex(pageControl, tabIndex);
    if (absolute < 0)
        return;
    QWidget *sheet = pageControl->widget(absolute);
    const bool marked = sheet && sheet->property("Highlighted").toBool();
    const QPalette &pal = pageControl->palette();
    QColor background = colour;
    QColor textColour = pal.color(QPalette::WindowText);
    if (active && marked) {
        background = pal.color(QPalette::Highlight);
        textColour = pal.color(QPalette::HighlightedText);
    }
    painter.save();
    painter.fillRect(rect, background);
    painter.setPen(textColour);
    const QString caption = pageControl->tabText(absolute).remove(u'&');
    const QFontMetrics fm = painter.fontMetrics();
    const int w = fm.horizontalAdvance(caption);
    const int h = fm.height();
    // Offsets by position, so that the active tab's text sits like the others'.
    const int shift = active ? 0 : 1;
    switch (pageControl->tabPosition()) {
    case QTabWidget::West:
        DrawRotatedText(painter, rect.center().x() - h / 2 - shift, rect.center().y() + w / 2, 90, caption);
        break;
    case QTabWidget::East:
        DrawRotatedText(painter, rect.center().x() + h / 2 + shift, rect.center().y() - w / 2, 270, caption);
        break;
    case QTabWidget::South:
        painter.drawText(rect.translated(0, -shift), Qt::AlignCenter, caption);
        break;
    case QTabWidget::North:
        painter.drawText(rect.translated(0, shift), Qt::AlignCenter, caption);
        break;
    }
    painter.restore();
}

void TCommon::DrawColoredGridCell(QPainter &painter, QTableWidget *grid, int column, int row, const QRect &rect,
                                  bool selected, bool highlighted)
{
    QColor background(255, 255, 255);
    QColor textColour = grid ? grid->palette().color(QPalette::Text) : QColor(0, 0, 0);
    if (selected) {
        background = QColor(0, 0, 255);
        textColour = QColor(255, 255, 255);
    } else if (highlighted) {
        background = QColor(0, 128, 0);
        textColour = QColor(255, 255, 255);
    }
    painter.save();
    painter.fillRect(rect, background);
    painter.setPen(textColour);
    const QTableWidgetItem *item = grid ? grid->item(row, column) : nullptr;
    if (item)
        painter.drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, item->text());
    painter.restore();
}

// ---- Waiting ----

void TCommon::SetWaitForm(TWaitForm *form)
{
    if (form == FWaitForm)
        return;
    if (FWaitForm && form)
        throw std::runtime_error("Cannot change WaitForm, while current one is still in use");
    if (!form && FWaitForm)
        FWaitForm->Stop();
    FWaitForm = form;
}

void TCommon::WaitWithForm(int milliseconds, bool withForm, bool untilTimeout)
{
    if (!withForm) {
        const THourglass hourglass;
        QThread::msleep(static_cast<unsigned long>(std::max(0, milliseconds)));
        return;
    }
    std::unique_ptr<TWaitForm> temporary;
    if (!FWaitForm)
        temporary = std::make_unique<TWaitForm>(this);
    // Whoever owns the current form may free it while events run: the wait
    // then simply ends.
    const QPointer<TWaitForm> form = FWaitForm ? FWaitForm.data() : temporary.get();
    form->Stop();
    if (untilTimeout) {
        form->SetTimeout(static_cast<unsigned>(std::max(1, milliseconds)));
        form->SetInterval(milliseconds < 2000 ? 200 : 500);
        form->Start();
        while (form && !form->TimedOut()) {
            form->ProcessMessages();
            QThread::msleep(50);
        }
    } else {
        form->Show();
        QElapsedTimer clock;
        clock.start();
        while (form && clock.elapsed() < milliseconds) {
            form->ProcessMessages();
            QThread::msleep(50);
        }
    }
    if (form)
        form->Stop();
}

// ---- Scrambling ----

void TCommon::ScrambleStream(QByteArray &data)
{
    ::ScrambleStream(data);
}

bool TCommon::ScrambleStream(QIODevice &stream)
{
    return ::ScrambleStream(stream);
}
