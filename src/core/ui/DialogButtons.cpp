#include "core/ui/DialogButtons.h"

#include "core/LM.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

int ButtonModalResult(const QAbstractButton *button)
{
    if (!button)
        return mrNone;
    const QVariant own = button->property("ModalResult");
    if (own.isValid())
        return own.toInt();
    int standard = QDialogButtonBox::NoButton;
    for (QObject *p = button->parent(); p; p = p->parent()) {
        if (auto *box = qobject_cast<QMessageBox *>(p)) {
            standard = box->standardButton(const_cast<QAbstractButton *>(button));
            break;
        }
        if (auto *box = qobject_cast<QDialogButtonBox *>(p)) {
            standard = box->standardButton(const_cast<QAbstractButton *>(button));
            break;
        }
    }
    switch (standard) {
    case QDialogButtonBox::Ok: return mrOk;
    case QDialogButtonBox::Cancel: return mrCancel;
    case QDialogButtonBox::Abort: return mrAbort;
    case QDialogButtonBox::Retry: return mrRetry;
    case QDialogButtonBox::Ignore: return mrIgnore;
    case QDialogButtonBox::Yes: return mrYes;
    case QDialogButtonBox::No: return mrNo;
    case QDialogButtonBox::NoToAll: return mrNoToAll;
    case QDialogButtonBox::YesToAll: return mrYesToAll;
    default: return mrNone;
    }
}

QString DialogButtonKey(int modalResult)
{
    static const char *const keys[] = {
        nullptr, "SMsgDlgOK", "SMsgDlgCancel", "SMsgDlgAbort", "SMsgDlgRetry", "SMsgDlgIgnore",
        "SMsgDlgYes", "SMsgDlgNo", "SMsgDlgAll", "SMsgDlgNoToAll", "SMsgDlgYesToAll",
    };
    if (modalResult <= mrNone || modalResult > mrYesToAll)
        return QString();
    return QString::fromLatin1(keys[modalResult]);
}

QString DialogButtonCaption(int modalResult, const QString &fallback)
{
    const QString key = DialogButtonKey(modalResult);
    if (key.isEmpty() || !LM)
        return fallback;
    const QString text = LM->Translate(key);
    return text.startsWith(u'!') ? fallback : text;
}

void TranslateDialogButtons(QWidget *dialog)
{
    if (!dialog)
        return;
    for (QPushButton *button : dialog->findChildren<QPushButton *>())
        button->setText(DialogButtonCaption(ButtonModalResult(button), button->text()));
}
