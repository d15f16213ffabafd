#pragma once
// A page's own read of the device: the main timer paused, what the page
// shows read once (its reads as one plan), the page filled from the record,
// and the window's pages unmodified afterwards.

#include "core/DataManager.h"
#include "core/ReadPlan.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/TimerPause.h"

template <typename TPage> void ReadPageFromDevice(TFormMain &form, TPage &page)
{
    TTimerPause pause(form);
    TReadPlan plan;
    page.AddDeviceReads(&plan);
    plan.Run(*DataManager);
    page.ShowDeviceRecord();
    pause.Resume();
    form.SetConfigModified(false);
}
