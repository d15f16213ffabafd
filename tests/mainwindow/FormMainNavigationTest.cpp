// Page changes: the leave question for unwritten edits, the entry actions,
// the write buttons' mark and the shortcuts that jump to nested pages.
#include "mainwindow/ShellWiring.h"
#include "common/WaitUntil.h"
#include "controls/ChangeHelper.h"
#include "controls/ResizeHelper.h"
#include "mainwindow/StartupRig.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "windows/FrmMultiCalibrationTaronQV.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <QComboBox>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

using namespace shellwiring;
using startup::SimDevice;
using startup::StartupRig;

namespace {

constexpr int Yes = 6, No = 7, Cancel = 2;

// A kind-20 or kind-48 device connected, the window shown on the readings page.
struct Shown {
    explicit Shown(uint8_t kind) : device(rig.PortsDir, 5, kind, 'I')
    {
        rig.Wire = Wire;
        rig.Create();
        rig.Tick(); // adapts to the connected device
        form().SetScreenSizeForCheck(QSize(1280, 1024));
        form().show();
        rig.Boxes.clear();
    }
    TFormMain &form() { return *rig.Form; }
    void setPage(const char *sheet) { Get<QTabWidget>(form(), "PgCMain")->setCurrentWidget(Get(form(), sheet)); }
    size_t frames(uint8_t command, int id = -1) const
    {
        size_t n = 0;
        for (const auto &f : device.Server.log().frames())
            if (f.bytes.size() >= 3 && f.bytes[0] == 0xC0 && f.bytes[1] == command && (id < 0 || f.bytes[2] == id))
                ++n;
        return n;
    }
    StartupRig rig{5};
    SimDevice device;
};

bool bold(const TFormMain &form, const char *button)
{
    return Get<QAbstractButton>(form, button)->font().bold();
}

} // namespace

TEST(FormMainNavigation, ModifiedMarkFollowsEditsAndOnlyWithAReadyDevice)
{
    StartupRig offline(5, true);
    offline.Wire = Wire;
    TFormMain &idle = offline.Create();
    idle.SetConfigModified(true);
    EXPECT_FALSE(idle.ConfigModified());
    EXPECT_FALSE(bold(idle, "BtBKnfWriteConfiguration"));
    offline.Form.reset();

    Shown s(20);
    TFormMain &form = s.form();
    // A user's edit on a tracked page marks every write button.
    emit form.ChangeHelper->OnModified(Get(form, "PnlKnfBase"));
    EXPECT_TRUE(form.ConfigModified());
    for (const char *name : {"BtBKnfWriteConfiguration", "BtBModWrite", "BtBModel2Write", "BtnCorWriteCorrections"}) {
        EXPECT_TRUE(bold(form, name)) << name;
        EXPECT_EQ(Get<QAbstractButton>(form, name)->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    }
    EXPECT_EQ(Get<QAbstractButton>(form, "BtnConfWizNext")->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    form.SetConfigModified(false);
    EXPECT_FALSE(bold(form, "BtBModWrite"));
    EXPECT_NE(Get<QAbstractButton>(form, "BtnConfWriteConfig")->palette().color(QPalette::ButtonText),
              QColor(255, 0, 0));

    // A fresh connection re-reads the device; pages holding unwritten edits
    // keep them, marked.
    form.SetConfigModified(true);
    DataManager->DeviceReread = true;
    s.rig.Tick();
    EXPECT_TRUE(form.ConfigModified());
    EXPECT_TRUE(bold(form, "BtBKnfWriteConfiguration"));
}

TEST(FormMainNavigation, LeavingAModifiedPageAsksAndCancelKeepsPageAndEdits)
{
    Shown s(20);
    TFormMain &form = s.form();
    s.setPage("TbSConfig");
    form.SetConfigModified(true);
    std::vector<int> answers;
    s.rig.Answer = [&](const TMessageBoxInfo &box) {
        EXPECT_EQ(box.Buttons, (QList<int>{Yes, No, Cancel}));
        const int a = answers.front();
        answers.erase(answers.begin());
        return a;
    };

    // Cancel: the page, the mark and the device stay as they were.
    answers = {Cancel};
    ClickTab(form, "TbSDiagnostic");
    EXPECT_EQ(Current(form, "PgCMain"), "TbSConfig");
    EXPECT_TRUE(form.ConfigModified());
    EXPECT_EQ(s.rig.Boxes.size(), 1u);
    // A chain of jumps stops at the refusal.
    answers = {Cancel};
    const QString corrType = Current(form, "PgCCorrType");
    Get<QAction>(form, "MnIQSCalibrationCorrectionsRPM")->trigger();
    EXPECT_EQ(Current(form, "PgCMain"), "TbSConfig");
    EXPECT_EQ(Current(form, "PgCCorrType"), corrType);
    // No: the page changes, the edits stay in the controls (mark kept).
    answers = {No};
    ClickTab(form, "TbSDiagnostic");
    EXPECT_EQ(Current(form, "PgCMain"), "TbSDiagnostic");
    EXPECT_TRUE(form.ConfigModified());
    EXPECT_EQ(s.rig.Boxes.size(), 3u);

    // Pages the program sets never ask.
    s.setPage("TbSConfig");
    form.AdaptToDeviceVersion();
    EXPECT_EQ(Current(form, "PgCMain"), "TbSConfig");
    EXPECT_EQ(s.rig.Boxes.size(), 3u);
    // The wheel over the tabs and the keyboard's page keys ask as a click does.
    auto *pages = Get<QTabWidget>(form, "PgCMain");
    QTabBar *bar = pages->tabBar();
    QWheelEvent wheel(QPointF(5, 5), bar->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    answers = {Cancel};
    QCoreApplication::sendEvent(bar, &wheel);
    EXPECT_EQ(Current(form, "PgCMain"), "TbSConfig");
    EXPECT_EQ(s.rig.Boxes.size(), 4u);
    const std::pair<Qt::Key, Qt::KeyboardModifiers> pageKeys[] = {
        {Qt::Key_Tab, Qt::ControlModifier},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_PageDown, Qt::ControlModifier},
        {Qt::Key_PageUp, Qt::ControlModifier},
    };
    size_t asked = 4;
    for (const auto &[key, modifiers] : pageKeys) {
        answers = {Cancel};
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(pages, &press);
        EXPECT_EQ(Current(form, "PgCMain"), "TbSConfig") << key;
        EXPECT_EQ(s.rig.Boxes.size(), ++asked) << key;
    }
    // No: Ctrl+Tab goes on to the next page shown, Ctrl+Shift+Tab back.
    const QStringList shown = VisibleTabs(form, "PgCMain");
    answers = {No};
    QKeyEvent next(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
    QCoreApplication::sendEvent(pages, &next);
    EXPECT_EQ(Current(form, "PgCMain"), shown.value(shown.indexOf("TbSConfig") + 1));
    // Without edits nothing is asked.
    form.SetConfigModified(false);
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCoreApplication::sendEvent(pages, &back);
    EXPECT_EQ(Current(form, "PgCMain"), "TbSConfig");
    ClickTab(form, "TbSMeasure");
    EXPECT_EQ(Current(form, "PgCMain"), "TbSMeasure");
    EXPECT_EQ(s.rig.Boxes.size(), asked + 1);

    // A page disabled for the device is passed over by the page keys and the wheel.
    const int from = int(shown.indexOf("TbSMeasure"));
    ASSERT_LT(from + 2, shown.size());
    pages->setTabEnabled(pages->indexOf(Get(form, shown[from + 1].toLatin1().constData())), false);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::ControlModifier);
    for (const auto &[to, event] : {std::pair<QObject *, QEvent *>{pages, &next}, {pages, &down}, {bar, &wheel}}) {
        s.setPage("TbSMeasure");
        QCoreApplication::sendEvent(to, event);
        EXPECT_EQ(Current(form, "PgCMain"), shown[from + 2]);
    }
}

TEST(FormMainNavigation, AdapterEditsAreWrittenOrDiscardedOnLeaving)
{
    Shown s(48);
    TFormMain &form = s.form();
    int writes = 0, discards = 0;
    QStringList entered;
    form.WindowServices.AdapterModified = [] { return true; };
    bool written = false;
    form.WindowServices.AdapterWriteObd = [&] { return ++writes, written; };
    form.WindowServices.AdapterDiscardObd = [&] { ++discards; };
    form.WindowServices.AdapterPageEntered = [&](const QString &page, bool byUser) {
        if (byUser)
            entered << page;
    };
    int answer = Yes;
    s.rig.Answer = [&](const TMessageBoxInfo &) { return answer; };

    form.MnIWindowAdapterClick();
    ASSERT_EQ(Current(form, "PgCMain"), "TbSAdapter");
    EXPECT_EQ(entered, QStringList{Current(form, "PgCAdapterMain")});
    // Yes with a write that did not go through keeps the page.
    form.MnIWindowMeasureClick();
    EXPECT_EQ(Current(form, "PgCMain"), "TbSAdapter");
    written = true;
    form.MnIWindowMeasureClick();
    EXPECT_EQ(Current(form, "PgCMain"), "TbSMeasure");
    EXPECT_EQ(writes, 2);
    form.MnIWindowAdapterClick();
    answer = No;
    form.MnIWindowDiagnosticClick();
    EXPECT_EQ(discards, 1);
    EXPECT_EQ(Current(form, "PgCMain"), "TbSDiagnostic");
    form.MnIWindowAdapterClick();
    answer = Cancel;
    form.MnIWindowMeasureClick();
    EXPECT_EQ(Current(form, "PgCMain"), "TbSAdapter");
    EXPECT_EQ(writes + discards, 3);

    // A jump onto an adapter sub-page enters it as part of the jump; the
    // user's own change of sub-page after it is an entry of its own.
    answer = No;
    Get<QAbstractButton>(form, "BtnQSAdapterConfig")->click();
    ASSERT_EQ(Current(form, "PgCAdapterMain"), "TbSAdapterMultiOBD");
    const qsizetype before = entered.size();
    ClickTab(form, "TbSAdapterMultiInfo");
    EXPECT_EQ(entered.mid(before), QStringList{"TbSAdapterMultiInfo"});
}

TEST(FormMainNavigation, EntryActionsAndShortcutsByKind)
{
    {
        // Kind 48: the configuration jump leaves the page shown by its leave
        // rules (edits on the main configuration page ask; Cancel stays, No
        // leaves); the map status panel leads to the next visible sheet
        // after the hidden calibration page.
        Shown s(48);
        TFormMain &form = s.form();
        s.setPage("TbSConfig");
        form.SetConfigModified(true);
        int answer = Cancel;
        s.rig.Answer = [&answer](const TMessageBoxInfo &) { return answer; };
        Get<QAction>(form, "MnIWindowMultiConfiguration")->trigger();
        EXPECT_EQ(Current(form, "PgCMain"), "TbSConfig");
        EXPECT_EQ(s.rig.Boxes.size(), 1u);
        answer = No;
        Get<QAction>(form, "MnIWindowMultiConfiguration")->trigger();
        EXPECT_EQ(Current(form, "PgCMain"), "TbSMultiConfiguration");
        EXPECT_EQ(s.rig.Boxes.size(), 2u);
        form.SetConfigModified(false);
        emit Get<TCaptionPanel>(form, "PnlStatusMapAdaptationActive")->Click();
        EXPECT_EQ(Current(form, "PgCMain"), "TbSMultiCalibration");
        Get<QAction>(form, "MnIWindowMultiCalibrationMap")->trigger();
        EXPECT_EQ(FrmMultiCalibrationTaronQV->PgCCalibration->currentWidget(),
                  FrmMultiCalibrationTaronQV->TbSMultiCalibrationMap);
        // The model jump lands on model 2, the only model page of kind 48.
        form.MnIWindowCalModelClick();
        EXPECT_EQ(Current(form, "PgCCalibration"), "TbSCalModel2");
    }
    {
        // Kind 20: F3 from a modified model page asks; entering the map page
        // reads the RPM range and starts the map timer.
        Shown s(20);
        TFormMain &form = s.form();
        s.device.Server.withLock([&] { s.device.Controller.State.Param8[19] = 3; });
        form.MnIWindowCalMapClick();
        EXPECT_EQ(Current(form, "PgCMain"), "TbSCalibration");
        EXPECT_EQ(Current(form, "PgCCalibration"), "TbSCalMap");
        EXPECT_GE(s.frames(0x07, 19), 1u);
        EXPECT_TRUE(form.TimerMapa->isActive());
        EXPECT_EQ(Get<QComboBox>(form, "CmBCalMapRPMRange")->currentIndex(), 3);
        EXPECT_FALSE(Get(form, "PnlModOdcHide")->isVisibleTo(&form));

        form.MnIWindowCalModelClick();
        EXPECT_EQ(Current(form, "PgCCalibration"), "TbSCalModel");
        EXPECT_FALSE(form.TimerMapa->isActive());
        form.SetConfigModified(true);
        s.rig.Answer = [](const TMessageBoxInfo &) { return No; };
        Get<QAction>(form, "MnIWindowConfig")->trigger();
        EXPECT_EQ(Current(form, "PgCMain"), "TbSConfig");
        EXPECT_EQ(s.rig.Boxes.size(), 1u);
        // The quick-start wizard shortcut ends on the hidden wizard's page.
        form.SetConfigModified(false);
        Get<QAbstractButton>(form, "BtnQSConfigSwitching")->click();
        EXPECT_EQ(Current(form, "PgCConfWizard"), "TbSConfSwitching");
    }
    {
        // Showing the window runs the entry of the page it starts on (here
        // the map page, set by the program without any entry before).
        StartupRig rig(5);
        SimDevice device(rig.PortsDir, 5, 20, 'I');
        device.Server.withLock([&] { device.Controller.State.Param8[19] = 2; });
        rig.Wire = Wire;
        TFormMain &form = rig.Create();
        Get<QTabWidget>(form, "PgCMain")->setCurrentWidget(Get(form, "TbSCalibration"));
        Get<QTabWidget>(form, "PgCCalibration")->setCurrentWidget(Get(form, "TbSCalMap"));
        device.Server.log().clear();
        form.SetScreenSizeForCheck(QSize(1280, 1024));
        form.show();
        EXPECT_EQ(device.Commands(), (std::vector<uint8_t>{0x53, 0x53, 0x53, 0x53, 0x53, 0x07, 0x07}))
            << "identity pages 0-4, then the map range read by both levels of the entry";
        EXPECT_EQ(Get<QComboBox>(form, "CmBCalMapRPMRange")->currentIndex(), 2);
    }
    {
        // Offline: the map page starts no timer and sends nothing.
        StartupRig rig(5, true);
        rig.Wire = Wire;
        TFormMain &form = rig.Create();
        form.AdaptToDeviceVersion();
        Get<QTabWidget>(form, "PgCCalibration")->setCurrentWidget(Get(form, "TbSCalMap"));
        form.PgCCalibrationChange();
        EXPECT_FALSE(form.TimerMapa->isActive());
    }
}

TEST(FormMainNavigation, LayoutAfterAResizeRunsOnceTheProgramIsIdle)
{
    Shown s(20);
    TFormMain &form = s.form();
    form.Timerek->stop(); // the tick would do the pending work as well
    emit form.ResizeHelper->OnAfterResize();
    EXPECT_TRUE(form.AdapterPanelsPending());
    EXPECT_TRUE(testsupport::EventsUntil([&] { return !form.AdapterPanelsPending(); }));
}
