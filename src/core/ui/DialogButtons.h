// Translation of the standard dialog buttons ("OK", "Cancel", "Yes", ...)
// into the current language, by the modal result each button stands for.
#pragma once

#include <QString>

class QAbstractButton;
class QWidget;

// Modal results of the standard buttons.
enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

// The modal result a button stands for: its "ModalResult" property when set,
// else its role as a standard button of the message box or button box it
// sits in; mrNone for any other button (Help, custom buttons).
int ButtonModalResult(const QAbstractButton *button);

// The language-file key of a modal result ("SMsgDlgYes" for mrYes); empty
// for results without a key.
QString DialogButtonKey(int modalResult);

// The caption of a button of that result in the current language, or
// `fallback` when the result has no key or the language file lacks it.
QString DialogButtonCaption(int modalResult, const QString &fallback);

// Replaces the captions of the dialog's push buttons by their translations.
// Labels, icons and buttons without a translation keep what they have.
void TranslateDialogButtons(QWidget *dialog);
