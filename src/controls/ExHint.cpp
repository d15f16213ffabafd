#include "controls/ExHint.h"

#include "core/ComponentVersion.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QHelpEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <climits>
#include <exception>

static ComponentVersionRegistrar reg("ExHint", "$Revision: 6 $",
                                     "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");

namespace {
// Cursor position at the last hint request, shared by every hint component.
QPoint gLastHintPos(INT_MIN, INT_MIN);

QToolButton *flatButton(QWidget *parent, const char *name, const QString &caption)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->resize(17, 17);
    return button;
}
} // namespace

// ---------------------------------------------------------------------------
// Hint window

THintForm::THintForm(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("HintForm"));
    resize(166, 108);
    setAutoFillBackground(true);

    PanelBorder = new QFrame(this);
    PanelBorder->setObjectName(QStringLiteral("PanelBorder"));
    PanelBorder->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PanelBorder->setGeometry(rect());

    Keyword = new QLabel(PanelBorder);
    Keyword->setObjectName(QStringLiteral("Keyword"));
    QFont bold = Keyword->font();
    bold.setBold(true);
    Keyword->setFont(bold);
    Keyword->move(8, 8);

    Line = new QFrame(PanelBorder);
    Line->setObjectName(QStringLiteral("Line"));
    Line->setAutoFillBackground(true);
    Line->setGeometry(8, 24, 97, 1);

    Text = new QLabel(PanelBorder);
    Text->setObjectName(QStringLiteral("Text"));
    Text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Text->setWordWrap(true);
    Text->move(8, 32);

    MoreButton = flatButton(PanelBorder, "MoreButton", QStringLiteral(">>"));
    MoreButton->hide();
    Closing = flatButton(PanelBorder, "Closing", QStringLiteral("X"));
    Closing->move(112, 8);

    InActiveTimer = new QTimer(this);
    InActiveTimer->setObjectName(QStringLiteral("InActiveTimer"));
    InActiveTimer->setInterval(100);
    HintTimer = new QTimer(this);
    HintTimer->setObjectName(QStringLiteral("HintTimer"));
    HintTimer->setSingleShot(true);
    HintTimer->setInterval(2500);

    connect(InActiveTimer, &QTimer::timeout, this, &THintForm::CheckInactive);
    connect(HintTimer, &QTimer::timeout, this, &THintForm::HideHint);
    connect(Closing, &QToolButton::clicked, this, &THintForm::HideHint);

    // Moving the mouse over any part of the window keeps it up.
    setMouseTracking(true);
    installEventFilter(this);
    for (QWidget *part : findChildren<QWidget *>()) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
}

void THintForm::SetTextColor(const QColor &color)
{
    for (QWidget *w : {static_cast<QWidget *>(Keyword), static_cast<QWidget *>(Text),
                       static_cast<QWidget *>(Closing), static_cast<QWidget *>(MoreButton)}) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::WindowText, color);
        pal.setColor(QPalette::ButtonText, color);
        w->setPalette(pal);
    }
    QPalette pal = Line->palette();
    pal.setColor(QPalette::Window, color);
    Line->setPalette(pal);
}

void THintForm::SetBackgroundColor(const QColor &color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
}

void THintForm::ShowAt(const QPoint &p, const QString &key, const QStringList &detail,
                       bool wordWrap)
{
    int left = p.x() + DeltaX;
    int top = p.y() + DeltaY;
    Keyword->setText(key);
    Keyword->adjustSize();

    if (wordWrap) {
        Text->setWordWrap(true);
        Text->setText(detail.value(0));
        Text->resize(WrapWidth, Text->heightForWidth(WrapWidth));
    } else {
        Text->setWordWrap(false);
        Text->setText(detail.join(QLatin1Char('\n')));
        Text->adjustSize();
    }

    const int m = std::max(Keyword->width(), Text->width());
    resize(m + 33, Text->height() + 45);
    PanelBorder->setGeometry(rect());
    Line->resize(m, Line->height());
    Closing->move(Line->x() + Line->width() + 4, Closing->y());
    MoreButton->move(Text->x() + m + 4, Line->y() + Text->height() / 2 - 8);

    // Keep the window on the screen: open it to the left of or above the cursor.
    QScreen *screen = QGuiApplication::screenAt(p);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    if (left + width() > area.left() + area.width())
        left = left - width() - 2 * DeltaX;
    if (top + height() > area.top() + area.height())
        top = top - height() - 2 * DeltaY;
    move(left, top);
    show();
    raise();
    activateWindow();
}

void THintForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    InActiveTimer->start();
    HintTimer->start();
    FShowing = true;
}

void THintForm::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    InActiveTimer->stop();
}

void THintForm::HideHint()
{
    const bool wasShowing = FShowing || isVisible();
    hide();
    FShowing = false;
    FMouseInside = false;
    HintTimer->stop();
    if (wasShowing)
        emit OnClose();
}

void THintForm::CheckInactive()
{
    FMouseInside = FMouseInside && rect().contains(mapFromGlobal(QCursor::pos()));
    if (!isActiveWindow() && !FMouseInside) {
        InActiveTimer->stop();
        HideHint();
    }
}

bool THintForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        FMouseInside = true;
        HintTimer->stop();
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Component

TExHint::TExHint(QObject *parent)
    : QObject(parent),
      FHintForm(new THintForm),
      FBackgroundColor(QApplication::palette().color(QPalette::ToolTipBase))
{
    FHintForm->SetBackgroundColor(FBackgroundColor);
    FHintForm->SetTextColor(FTextColor);
    connect(FHintForm, &THintForm::OnClose, this, &TExHint::OnClose);
    connect(FHintForm->MoreButton, &QToolButton::clicked, this, &TExHint::MoreClick);
    // The application's hint handling passes through this component first.
    qApp->installEventFilter(this);
}

TExHint::~TExHint()
{
    qApp->removeEventFilter(this);
    delete FHintForm;
}

int TExHint::DisplayTime() const { return FHintForm->HintTimer->interval(); }
void TExHint::SetDisplayTime(int value) { FHintForm->HintTimer->setInterval(value); }

void TExHint::ApplyButtonHints()
{
    // The window's own controls show hints only when asked to.
    auto hint = [this](const QString &text) { return FShowHintOnHint ? text : QString(); };
    FHintForm->Keyword->setToolTip(hint(FKeyHint));
    FHintForm->Text->setToolTip(hint(FDetailHint));
    FHintForm->MoreButton->setToolTip(hint(FMoreButtonHint));
    FHintForm->Closing->setToolTip(hint(FCloseButtonHint));
}

void TExHint::SetKeyHint(const QString &value) { FKeyHint = value; ApplyButtonHints(); }
void TExHint::SetDetailHint(const QString &value) { FDetailHint = value; ApplyButtonHints(); }
void TExHint::SetMoreButtonHint(const QString &value) { FMoreButtonHint = value; ApplyButtonHints(); }
void TExHint::SetCloseButtonHint(const QString &value) { FCloseButtonHint = value; ApplyButtonHints(); }
void TExHint::SetShowHintOnHint(bool value) { FShowHintOnHint = value; ApplyButtonHints(); }

void TExHint::SetMoreButtonExist(bool value)
{
    FMoreButtonExist = value;
    FHintForm->MoreButton->setVisible(value);
}

void TExHint::SetBackgroundColor(const QColor &value)
{
    FBackgroundColor = value;
    FHintForm->SetBackgroundColor(value);
}

void TExHint::SetTextColor(const QColor &value)
{
    FTextColor = value;
    FHintForm->SetTextColor(value);
}

void TExHint::SetWordWrap(bool value)
{
    FWordWrap = value;
    FHintForm->Text->setWordWrap(value);
}

void TExHint::SetDescriptionWidth(int value)
{
    FHintForm->WrapWidth = value;
    FHintForm->Text->resize(value, FHintForm->Text->height());
}

void TExHint::MoreClick()
{
    if (!OnMoreClick)
        return;
    if (FCloseAfterMore)
        FHintForm->HideHint();
    // Runs from the button's click: whatever the handler throws stops here.
    try {
        OnMoreClick(FHintForm->MoreButton, FHintForm->Keyword->text());
    } catch (const std::exception &e) {
        qWarning("Hint \"More\" handler failed: %s", e.what());
    } catch (...) {
        qWarning("Hint \"More\" handler failed");
    }
}

void TExHint::ShowHintHandler(QString &hintStr, bool &canShow, THintInfo &info)
{
    info.CursorPos = QCursor::pos();
    const QPoint p = info.CursorPos;
    FKey = hintStr;
    FDetail.clear();
    if (OnNeedData) {
        // Runs from a tooltip event: a failing handler gives no detail.
        try {
            OnNeedData(FKey, FDetail, info);
        } catch (const std::exception &e) {
            qWarning("Hint data handler failed: %s", e.what());
            FDetail.clear();
        } catch (...) {
            qWarning("Hint data handler failed");
            FDetail.clear();
        }
    }
    if (!FHintForm->MouseInside()) {
        // A move along one axis only does not count as a new position.
        if (p.x() != gLastHintPos.x() && p.y() != gLastHintPos.y()) {
            gLastHintPos = p;
            if (!FKey.isEmpty() && !FHintForm->Showing() && !FDetail.isEmpty())
                FHintForm->ShowAt(p, FKey, FDetail, FWordWrap);
            else
                FHintForm->HideHint();
        }
    }
    canShow = FDetail.isEmpty();
}

bool TExHint::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    // The hint is that of the control under the mouse or of its nearest
    // parent that has one.
    QWidget *control = static_cast<QWidget *>(watched);
    while (control && control->toolTip().isEmpty() && !control->isWindow())
        control = control->parentWidget();
    if (!control || control->toolTip().isEmpty())
        return QObject::eventFilter(watched, event);

    QString hintStr = control->toolTip();
    bool canShow = true;
    THintInfo info;
    info.HintControl = control;
    ShowHintHandler(hintStr, canShow, info);
    auto *help = static_cast<QHelpEvent *>(event);
    if (canShow && !hintStr.isEmpty())
        QToolTip::showText(help->globalPos(), hintStr, control);
    else
        QToolTip::hideText();
    return true;
}
