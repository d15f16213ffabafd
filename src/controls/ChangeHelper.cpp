#include "controls/ChangeHelper.h"

#include "controls/DipSwitch.h"
#include "core/ComponentVersion.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>

static ComponentVersionRegistrar reg("ChangeHelper", "$Revision: 6 $",
                                     "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");

namespace {
// Widgets that a composite Qt widget makes for itself (scroll-area
// containers, viewports, a spin box's line edit): never editing controls of
// their own, though their children may be.
bool isToolkitPart(const QWidget *w)
{
    return w->objectName().startsWith(QLatin1String("qt_"));
}
} // namespace

TChangeHelper::TChangeHelper(QObject *parent) : QObject(parent) {}

TChangeHelper::~TChangeHelper()
{
    for (const QPointer<QWidget> &w : FWatched)
        if (w)
            w->removeEventFilter(this);
}

void TChangeHelper::Changed(QObject *sender)
{
    emit OnModified(sender);
}

void TChangeHelper::WatchUserInput(QWidget *control)
{
    // Value signals of these controls fire for program updates too, so they
    // count only while the user's own input is being handled.
    control->installEventFilter(this);
    FWatched.append(control);
    for (QWidget *part : control->findChildren<QWidget *>()) {
        part->installEventFilter(this);
        FWatched.append(part);
    }
}

bool TChangeHelper::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        ++FHeldButtons;
        break;
    case QEvent::MouseButtonRelease:
        // The release is handled before the count drops, so a change made on
        // release still counts.
        if (FHeldButtons > 0) {
            FInputPending = true;
            QTimer::singleShot(0, this, [this] {
                FHeldButtons = 0;
                FInputPending = false;
            });
        }
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::Drop:
        if (!FInputPending) {
            FInputPending = true;
            QTimer::singleShot(0, this, [this] { FInputPending = false; });
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

template <typename Memo>
void TChangeHelper::HookMemo(Memo *memo)
{
    // Loading text (setPlainText, setText, clear) runs with the document's
    // undo recording off; the user's edits run with it on (also a paste from
    // the context menu, which comes after the menu's own input), or in the
    // middle of the user's input when a memo keeps no undo steps.
    WatchUserInput(memo);
    connect(memo, &Memo::textChanged, this, [this, memo] {
        if (UserInputInProgress() || memo->document()->isUndoRedoEnabled())
            Changed(memo);
    });
}

bool TChangeHelper::HookControl(QWidget *control)
{
    if (!control || isToolkitPart(control))
        return false;
    auto gated = [this, control] {
        if (UserInputInProgress())
            Changed(control);
    };
    if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { Changed(edit); });
        return true;
    }
    if (auto *memo = qobject_cast<QPlainTextEdit *>(control)) {
        HookMemo(memo);
        return true;
    }
    if (auto *memo = qobject_cast<QTextEdit *>(control)) {
        HookMemo(memo);
        return true;
    }
    if (auto *check = qobject_cast<QCheckBox *>(control)) {
        connect(check, &QCheckBox::clicked, this, [this, check] { Changed(check); });
        return true;
    }
    if (auto *combo = qobject_cast<QComboBox *>(control)) {
        connect(combo, &QComboBox::activated, this, [this, combo] { Changed(combo); });
        if (QLineEdit *line = combo->lineEdit())
            connect(line, &QLineEdit::textEdited, this, [this, combo] { Changed(combo); });
        return true;
    }
    if (auto *list = qobject_cast<QListWidget *>(control)) {
        WatchUserInput(list);
        connect(list, &QListWidget::itemSelectionChanged, this, gated);
        return true;
    }
    if (auto *radio = qobject_cast<QRadioButton *>(control)) {
        connect(radio, &QRadioButton::clicked, this, [this, radio] { Changed(radio); });
        return true;
    }
    if (auto *dip = qobject_cast<TDipSwitch *>(control)) {
        connect(dip, &TDipSwitch::OnClick, this, [this, dip] { Changed(dip); });
        return true;
    }
    if (auto *spin = qobject_cast<QSpinBox *>(control)) {
        WatchUserInput(spin);
        connect(spin, &QSpinBox::valueChanged, this, gated);
        return true;
    }
    if (auto *spin = qobject_cast<QDoubleSpinBox *>(control)) {
        WatchUserInput(spin);
        connect(spin, &QDoubleSpinBox::valueChanged, this, gated);
        return true;
    }
    if (auto *slider = qobject_cast<QAbstractSlider *>(control)) {
        // Track bars and scroll bars.
        WatchUserInput(slider);
        connect(slider, &QAbstractSlider::valueChanged, this, gated);
        return true;
    }
    return false;
}

void TChangeHelper::AttachTo(QWidget *control)
{
    // An editing control is watched as a whole, not through its parts; any
    // other widget is a container whose children are visited in order.
    if (!control || HookControl(control))
        return;
    for (QObject *child : control->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (w && !w->isWindow())
            AttachTo(w);
    }
}
