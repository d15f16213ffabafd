// The quick-start page's shortcuts and the status panels that lead straight
// to a page or a nested sub-page; navigation only, the pages do the work.
#include "mainwindow/shell/FormMain.h"

#include <QAbstractButton>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>

void TFormMain::BtnQSConfigPage(const char *wizardPage)
{
    ActivatePages({"TbSConfig", wizardPage});
}

void TFormMain::BtnQSCalibrationAdaptationClick()
{
    ActivatePages({"TbSCalibration", "TbSCalModel2", "TbSModel2Adaptation"});
}

void TFormMain::BtnQSDiagInjTestClick()
{
    if (ActivatePages({"TbSDiagnostic", "TbSDgnAdvance"}))
        BtnShowTestFormClick();
}

void TFormMain::BtnQSAdapterPage(const char *page, const char *obdPage)
{
    if (!ActivatePages({"TbSAdapter", page}))
        return;
    if (obdPage && WindowServices.ObdSelectPage)
        WindowServices.ObdSelectPage(QString::fromLatin1(obdPage));
}

void TFormMain::ShowQuickStartPopup(const char *popup, const char *button)
{
    auto *menu = Component<QMenu>(popup);
    auto *anchor = Component<QWidget>(button);
    if (menu && anchor)
        menu->popup(anchor->mapToGlobal(QPoint(0, anchor->height())));
}
