#include "mainwindow/shell/TimerPause.h"
#include "mainwindow/shell/FormMain.h"
#include <QTimer>

TTimerPause::TTimerPause(TFormMain &form) : FForm(form)
{
    FWasActive = form.Timerek && form.Timerek->isActive();
    if (form.Timerek)
        form.Timerek->stop();
}

void TTimerPause::Resume()
{
    if (FWasActive && FForm.Ready() && FForm.Timerek)
        FForm.Timerek->start();
    FWasActive = false;
}
