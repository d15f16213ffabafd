// The main menu's device commands on the wire, the window size, the device
// menu's caption, the files opened with the desktop, and every item, key and
// status panel kept to the pages of the device's kind.
#include "common/WaitUntil.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/ShellWiring.h"
#include "mainwindow/StartupRig.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/ConfigurationWizard.h"
#include "mainwindow/configuration/CorrectionsPage.h"
#include "mainwindow/configuration/MapPage.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "platform/ShellOpen.h"
#include "windows/ConfigurationPagesWiring.h"
#include "windows/FrmHaslo.h"
#include "windows/NamedWidget.h"
#include "controls/YEdit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <set>

// A key pressed on a window as the window system delivers it: its shortcuts
// first (exported by the toolkit for its own test library).
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow *w, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString &text = QString(), bool autorep = false, ushort count = 1);

using namespace shellwiring;
using startup::SimDevice;
using startup::StartupRig;

namespace {

struct Connected {
    explicit Connected(uint8_t kind, bool wired = true) : device(rig.PortsDir, 5, kind, 'I')
    {
        if (wired)
            rig.Wire = Wire;
        rig.Create();
        rig.Tick();
        device.Server.log().clear();
    }
    // Controller requests with the command code, whole.
    std::vector<sim::Bytes> requests(uint8_t command) const
    {
        return device.Requests(command);
    }
    StartupRig rig{5};
    SimDevice device;
};

// Answers the PIN dialog: types pin and confirmation, presses OK once, and
// cancels when that was refused.
struct PinTyping {
    PinTyping()
    {
        SetModalExecHook([this](QDialog *dialog) {
            auto *d = static_cast<TFrmHaslo *>(dialog);
            Confirmation << d->YEdPotwierdzHaslo->isVisibleTo(d);
            d->YEdHaslo->setText(Pin);
            d->YEdPotwierdzHaslo->setText(Confirm);
            Caption = d->LblHaslo->text();
            if (!d->BtBOKClick()) {
                Kept = d->YEdHaslo->text();
                d->BtBAnulujClick();
            }
            return d->result();
        });
    }
    ~PinTyping() { SetModalExecHook({}); }
    QString Pin, Confirm;
    QList<bool> Confirmation;
    // The PIN field's caption, and its text after a refused OK.
    QString Caption, Kept;
};

} // namespace

TEST(FormMainMenu, LockAndUnlockSendThePinLowByteFirstAndMenusFollowTheDevice)
{
    Connected c(48);
    TFormMain &form = c.rig.Form.operator*();
    PinTyping typing;
    auto *lock = Get<QAction>(form, "MnIDeviceLock");
    auto *unlock = Get<QAction>(form, "MnIDeviceUnlock");

    // Refused in the dialog: too short, or a confirmation that differs as
    // text; nothing is sent.
    typing.Pin = "123";
    typing.Confirm = "123";
    lock->trigger();
    typing.Pin = "0123";
    typing.Confirm = "123";
    lock->trigger();
    EXPECT_TRUE(c.requests(0x3D).empty());
    EXPECT_EQ(c.rig.Boxes.size(), 2u);

    // A PIN that is no number its field holds is refused before anything is
    // sent, naming the field and what is wrong; the dialog keeps the text.
    // Were the dialog to let one through, the command sends nothing either:
    // neither a text that is no number nor one beyond the command's 32 bits.
    struct BadPin {
        const char *pin;
        const char *fault;
    };
    const auto refused = [&](QAction *command, std::initializer_list<BadPin> rows) {
        for (const BadPin &row : rows) {
            SCOPED_TRACE(row.pin);
            typing.Pin = typing.Confirm = row.pin;
            typing.Kept.clear();
            c.rig.Boxes.clear();
            command->trigger();
            EXPECT_EQ(typing.Kept, row.pin);
            ASSERT_EQ(c.rig.Boxes.size(), 1u);
            EXPECT_TRUE(c.rig.Boxes[0].Text.startsWith(typing.Caption + ": ")) << c.rig.Boxes[0].Text.toStdString();
            EXPECT_TRUE(c.rig.Boxes[0].Text.contains(::TranslateKey(row.fault))) << c.rig.Boxes[0].Text.toStdString();
        }
        const auto dialog = form.WindowServices.ExecuteLockDialog;
        for (const QString accepted : {"12-34", "4294967296"}) {
            form.WindowServices.ExecuteLockDialog = [&accepted](bool, int, QString &pin) {
                pin = accepted;
                return true;
            };
            command->trigger();
        }
        form.WindowServices.ExecuteLockDialog = dialog;
        EXPECT_FALSE(typing.Caption.isEmpty());
        EXPECT_TRUE(c.requests(0x3D).empty());
        EXPECT_TRUE(c.requests(0x3E).empty());
    };
    refused(lock, {{"12-34", "strConfValueNotNumber"}, {"12ab34", "strConfValueNotNumber"},
                   {"-1234", "strConfValueRange"}});
    EXPECT_EQ(c.device.Controller.State.LockState, sim::kSimReadyState);
    typing.Confirmation.clear();

    // 305419896 = 0x12345678.
    typing.Pin = typing.Confirm = "305419896";
    lock->trigger();
    ASSERT_EQ(c.requests(0x3D).size(), 1u);
    EXPECT_EQ(c.requests(0x3D)[0], (sim::Bytes{0xC0, 0x3D, 0x78, 0x56, 0x34, 0x12, 0x11}));
    EXPECT_EQ(c.device.Controller.State.LockState, sim::kSimLockedState);
    EXPECT_FALSE(lock->isEnabled());
    EXPECT_TRUE(unlock->isEnabled());
    c.device.Server.log().clear();
    refused(unlock, {{"12-34", "strConfValueNotNumber"}, {"+-1234", "strConfValueNotNumber"}});
    EXPECT_EQ(c.device.Controller.State.LockState, sim::kSimLockedState);

    // Unlocking asks no confirmation; a wrong PIN leaves the device locked.
    typing.Pin = "1234";
    typing.Confirm.clear();
    unlock->trigger();
    EXPECT_TRUE(unlock->isEnabled());
    typing.Pin = "305419896";
    Get<QAbstractButton>(form, "BtnQSUnlock")->click();
    EXPECT_EQ(c.requests(0x3E).size(), 2u);
    EXPECT_EQ(c.device.Controller.State.LockState, sim::kSimReadyState);
    EXPECT_TRUE(lock->isEnabled());
    EXPECT_FALSE(unlock->isEnabled());
    EXPECT_EQ(typing.Confirmation, (QList<bool>{true, false, false, false, false}));
}

TEST(FormMainMenu, FactoryResetWritesOnlyWhatTheAnswerAllows)
{
    {
        // Kind 48 with its windows: the default configuration's question
        // answered Cancel writes nothing, so neither corrections nor
        // parameter 36 follow.
        Connected c(48);
        TFormMain &form = *c.rig.Form;
        c.rig.Answer = [](const TMessageBoxInfo &box) {
            return box.Buttons.contains(int(mrCancel)) ? int(mrCancel) : int(mrOk);
        };
        form.Timerek->start();
        Get<QAbstractButton>(form, "BtBQSReset")->click();
        ASSERT_EQ(c.requests(0x20).size(), 1u);
        EXPECT_EQ(c.requests(0x20)[0][2], 5);
        EXPECT_TRUE(c.requests(0x08).empty());
        EXPECT_TRUE(form.Timerek->isActive());
        EXPECT_FALSE(form.TimerMapa->isActive());
        // Written defaults go on to the corrections and parameter 36.
        int resets = 0;
        form.WindowServices.Kind48WriteDefaultConfiguration = [] { return true; };
        form.WindowServices.Kind48ResetCorrections = [&] { ++resets; };
        form.MnIDeviceResetClick();
        EXPECT_EQ(resets, 1);
        ASSERT_EQ(c.requests(0x08).size(), 1u);
        EXPECT_EQ(c.requests(0x08)[0], (sim::Bytes{0xC0, 0x08, 36, 0, 0xEC}));
    }
    {
        // Before the kind-48 windows exist only parameter 36 is written.
        Connected c(48, false);
        c.rig.Form->MnIDeviceResetClick();
        EXPECT_EQ(c.requests(0x08).size(), 1u);
    }
    {
        // Kind 20: the window's default routine decides; no kind-48 write.
        Connected c(20);
        c.rig.Form->MnIDeviceResetClick();
        EXPECT_EQ(c.requests(0x20).size(), 1u);
        EXPECT_TRUE(c.requests(0x08).empty());
    }
}

TEST(FormMainMenu, FuelCommandsWindowSizeAndDeviceCaption)
{
    Connected c(48);
    TFormMain &form = *c.rig.Form;
    const std::pair<const char *, uint8_t> fuels[] = {
        {"MnIChangeFuelPetrol", 2}, {"MnIChangeFuelGas", 1}, {"MnIChangeFuelPetrolSeq", 10}, {"MnIChangeFuelGasDirect", 4}};
    for (const auto &[item, code] : fuels) {
        Get<QAction>(form, item)->trigger();
        EXPECT_EQ(c.device.Controller.State.WorkType, code) << item;
    }
    EXPECT_EQ(c.requests(0x20).size(), 4u);

    form.setWindowState(Qt::WindowNoState);
    form.MnIWindowFullScreenClick();
    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(Get<QAction>(form, "MnIWindowRestoreScreen")->isVisible());
    EXPECT_FALSE(Get<QAction>(form, "MnIWindowFullScreen")->isVisible());
    Get<QAction>(form, "MnIWindowRestoreScreen")->trigger();
    EXPECT_FALSE(form.windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(Get<QAction>(form, "MnIWindowFullScreen")->isVisible());

    emit Get<QMenu>(form, "MenuDevice")->aboutToShow();
    EXPECT_EQ(Get<QAction>(form, "MnIDeviceCOM_X")->text(), "COM ... (5)");
}

TEST(FormMainMenu, FilesOpenWithTheDesktopAndMissingOnesAreNamed)
{
    StartupRig rig(5, true);
    TFormMain &form = rig.Create();
    QStringList opened;
    SetShellOpener([&](const QString &path) {
        opened << path;
        return true;
    });
    form.MnIHelpHelp2Click(); // its item is hidden and disabled in the menu
    EXPECT_TRUE(opened.isEmpty());
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_TRUE(rig.Boxes[0].Text.contains("InstrukcjaMontazu-01.pdf")) << rig.Boxes[0].Text.toStdString();
    // The wiring schema of the language is one of the program's own pictures.
    Get<QAbstractButton>(form, "BtnQSSchema")->click();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].endsWith("Resource/_PL_schema.jpg")) << opened[0].toStdString();
    EXPECT_EQ(rig.Boxes.size(), 1u);

    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    form.OpenWithShell(file.fileName());
    EXPECT_EQ(opened, (QStringList{opened[0], file.fileName()}));
    EXPECT_EQ(rig.Boxes.size(), 1u);

    // A desktop without a viewer for the picture: the user is told which file to open.
    SetShellOpener([](const QString &) { return false; });
    Get<QAction>(form, "MnIFilePrintSch")->trigger();
    ASSERT_EQ(rig.Boxes.size(), 2u);
    EXPECT_TRUE(rig.Boxes[1].Text.startsWith(TranslateKey("strShellOpenFailed"))) << rig.Boxes[1].Text.toStdString();
    EXPECT_TRUE(rig.Boxes[1].Text.endsWith(QDir::toNativeSeparators(opened[0]))) << rig.Boxes[1].Text.toStdString();
    SetShellOpener({});
}

// The documentation command (menu item and both buttons) opens the user's
// guide built beside the program, one page per language behind one index;
// where the desktop has no program for it, the user is told which folder to
// open.
TEST(FormMainMenu, DocumentationOpensTheGuideBesideTheProgram)
{
    StartupRig rig(5, true);
    TFormMain &form = rig.Create();
    QStringList opened;
    bool desktopOpens = true;
    SetShellOpener([&](const QString &path) {
        opened << path;
        return desktopOpens;
    });
    const QDir docs(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("docs")));
    Get<QAction>(form, "MnIHelpDocs")->trigger();
    Get<QAbstractButton>(form, "BtnQSDocs")->click();
    Get<QAbstractButton>(form, "BtnConfDocumentation")->click();
    EXPECT_EQ(opened, QStringList(3, docs.absolutePath()));
    EXPECT_TRUE(rig.Boxes.empty()) << rig.BoxTexts().join(u'|').toStdString();

    auto page = [&](const QString &name) {
        QFile f(docs.filePath(name));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    const QString index = page(QStringLiteral("index.html"));
    EXPECT_TRUE(index.contains(QStringLiteral("href=\"en/index.html\"")) && index.contains(QStringLiteral("href=\"pl/index.html\"")))
        << index.toStdString();
    const QString english = page(QStringLiteral("en/index.html"));
    const QString polish = page(QStringLiteral("pl/index.html"));
    EXPECT_TRUE(english.contains(QStringLiteral("<html lang=\"en\">")) && english.contains(QStringLiteral("dialout")));
    EXPECT_TRUE(polish.contains(QStringLiteral("<html lang=\"pl\">")) && polish.contains(QStringLiteral("Instrukcja obsługi"))
                && polish.contains(QStringLiteral("dialout")));
    EXPECT_TRUE(QFile::exists(docs.filePath(QStringLiteral("style.css"))));

    // No program on the desktop for a folder: the message names the folder.
    desktopOpens = false;
    Get<QAction>(form, "MnIHelpDocs")->trigger();
    ASSERT_EQ(rig.Boxes.size(), 1u);
    EXPECT_EQ(rig.Boxes[0].Type, mtWarning);
    EXPECT_TRUE(rig.Boxes[0].Text.contains(QDir::toNativeSeparators(docs.absolutePath()))) << rig.Boxes[0].Text.toStdString();
    EXPECT_TRUE(rig.Boxes[0].Text.contains(QStringLiteral("index.html"))) << rig.Boxes[0].Text.toStdString();
    EXPECT_FALSE(rig.Boxes[0].Text.startsWith(QStringLiteral("!_"))) << rig.Boxes[0].Text.toStdString();
    SetShellOpener({});
}

TEST(FormMainMenu, SchemaPageShowsTheLanguagesPictureAndPansByDragging)
{
    StartupRig rig(5, true);
    rig.Wire = [](TFormMain &f) {
        Wire(f);
        f.Services.ApplyLanguage = [&f] { f.ChangeLanguage(LM->Language, true); };
    };
    TFormMain &form = rig.Create();
    form.show();
    QImage previous;
    for (const char *item : {"", "MnILangEnglish"}) {
        if (*item)
            Get<QAction>(form, item)->trigger(); // the language switch
        Get<QAction>(form, "MnIWindowSchema")->trigger();
        StartupRig::Run(20);
        QImage picture;
        ASSERT_TRUE(LM->LoadLanguagePicture(picture, QStringLiteral("schema"), QStringLiteral(".jpg")));
        EXPECT_NE(picture, previous) << "each language has its own picture";
        previous = picture;
        auto *box = Get<QScrollArea>(form, "ScBSchema");
        testsupport::EventsUntil([box] { return box->isVisible(); });
        ASSERT_TRUE(box->isVisible());
        const QImage shot = box->viewport()->grab().toImage().convertToFormat(picture.format());
        const int w = std::min(shot.width(), picture.width()), h = std::min(shot.height(), picture.height());
        ASSERT_GT(w, 200);
        ASSERT_GT(h, 200);
        // The page shows the picture's pixels, from its top-left corner.
        int same = 0, count = 0;
        for (int y = 0; y < h; y += 7)
            for (int x = 0; x < w; x += 7, ++count)
                same += shot.pixel(x, y) == picture.pixel(x, y) ? 1 : 0;
        EXPECT_EQ(same, count) << item;
    }
    // Dragging the picture moves the view the other way.
    auto *box = Get<QScrollArea>(form, "ScBSchema");
    QWidget *image = box->widget();
    ASSERT_GT(image->width(), box->viewport()->width() + 60);
    const auto send = [image](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, image->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(image, &e);
    };
    send(QEvent::MouseButtonPress, {150, 120}, Qt::LeftButton);
    send(QEvent::MouseMove, {90, 120}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {90, 120}, Qt::NoButton);
    EXPECT_EQ(box->horizontalScrollBar()->value(), 60);
}

// Every menu item, function key and status panel of the main window, on each
// kind of device and with none: no hidden page becomes current, and no frame
// that only another kind's pages send goes to the device.
TEST(FormMainMenu, NoItemOrKeyReachesAPageTheDevicesKindDoesNotShow)
{
    // Reads and writes of the kind-48 windows (points, template, corrections,
    // configuration block), and of the kinds-20/21 configuration and model.
    const std::set<uint8_t> kind48Pages = {0x50, 0x54, 0x56, 0x93, 0x95, 0x96, 0x97, 0x98, 0xD0, 0xD1,
                                           0xD2, 0xD3, 0xD4, 0xD5, 0xD8, 0xD9, 0xDB, 0xDC, 0xDD};
    const std::set<uint8_t> kind2021Pages = {0x03, 0x10};
    // Roads that end the program, the connection or hand the device over.
    const QStringList leaving = {"MnIFileExit", "MnIDeviceConnect", "MnIDeviceCOM_X", "MnIDeviceOffline",
                                 "MnIDeviceAutoSearch", "MnIDeviceUpgradeFirmware", "MnIUpgradeFirmware",
                                 "PnlStatus", "PnlStatusOffline"};
    const struct {
        uint8_t kind;
        const std::set<uint8_t> *foreign;
        const char *calibration, *corrections; // where F4 and F11 lead
    } rows[] = {{20, &kind48Pages, "TbSCalibration", "TbSCalibration"},
                {21, &kind48Pages, "TbSCalibration", "TbSCalibration"},
                {48, &kind2021Pages, "TbSMultiCalibration", "TbSMultiCalibration"},
                {0, nullptr, "TbSMultiCalibration", "TbSMultiCalibration"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "kind " << int(row.kind));
        StartupRig rig(5);
        std::unique_ptr<SimDevice> device;
        if (row.kind) {
            device = std::make_unique<SimDevice>(rig.PortsDir, 5, row.kind, 'I');
            // Corrections, map correction and map adaptation on: their status panels show.
            device->Server.withLock([&] {
                auto &s = device->Controller.State;
                s.Model[74] = 0x0F;
                s.Model[104] = 1;
                s.Param8[31] |= 0x40;
            });
        }
        TProgramLogic logic;
        rig.Wire = [&logic](TFormMain &f) {
            Wire(f);
            InstallConfigurationPage(f, logic);
            TModel2Page::Install(f);
            TModelPage::Install(f);
            TMapPage::Install(f);
            TCorrectionsPage::Install(f);
            InstallConfigurationWizardPages(f, logic);
            WireConfigurationPagesToWindows(f);
        };
        TFormMain &form = rig.Create(row.kind ? QStringList() : QStringList{QStringLiteral("-OFFLINE")});
        if (row.kind)
            rig.Tick();
        else
            form.AdaptToDeviceVersion();
        rig.HoldTimer();
        form.SetScreenSizeForCheck(QSize(1920, 1080));
        form.show();
        form.activateWindow();
        testsupport::EventsUntil([&form] { return form.isActiveWindow(); });
        ASSERT_TRUE(form.isActiveWindow());
        // Every question cancelled, every dialog closed, no file chosen.
        rig.Answer = [](const TMessageBoxInfo &box) {
            return box.Buttons.contains(int(mrCancel)) ? int(mrCancel) : box.Buttons.value(0, int(mrOk));
        };
        SetModalExecHook([](QDialog *) { return int(QDialog::Rejected); });
        SetShellOpener([](const QString &) { return true; });
        form.SettingsFileDialog = [](bool, const QString &, const QString &) { return QString(); };

        QStringList wrong;
        QHash<QString, QString> landed; // road: the main page it ended on
        const auto check = [&](const QString &road, const std::function<void()> &go) {
            const auto pageControls = form.findChildren<QTabWidget *>();
            QHash<QTabWidget *, QWidget *> before;
            for (QTabWidget *pages : pageControls)
                before[pages] = pages->currentWidget();
            if (device)
                device->Server.log().clear();
            go();
            QCoreApplication::processEvents();
            landed[road] = Current(form, "PgCMain");
            // A page control on screen, or one whose page changed: its page
            // and every page around it have their tabs shown.
            for (QTabWidget *pages : pageControls)
                if (pages->currentWidget() && (pages->currentWidget() != before[pages] || pages->isVisible()))
                    for (QWidget *w = pages->currentWidget(); w->parentWidget(); w = w->parentWidget())
                        if (auto *around = qobject_cast<QTabWidget *>(w->parentWidget()->parentWidget());
                            around && around->indexOf(w) >= 0 && !around->isTabVisible(around->indexOf(w)))
                            wrong << road + QStringLiteral(": hidden page ") + w->objectName();
            for (uint8_t command : device && row.foreign ? device->Commands() : std::vector<uint8_t>())
                if (row.foreign->count(command))
                    wrong << road + QStringLiteral(": sent %1").arg(command, 0, 16);
        };

        std::function<void(QMenu *)> items = [&](QMenu *menu) {
            emit menu->aboutToShow();
            for (QAction *item : menu->actions())
                if (item->isVisible() && item->isEnabled() && !item->isSeparator()) {
                    if (item->menu())
                        items(item->menu());
                    else if (!leaving.contains(item->objectName()))
                        check(item->objectName(), [item] { item->trigger(); });
                }
        };
        for (QAction *menu : form.menuBar()->actions())
            if (menu->isVisible() && menu->menu())
                items(menu->menu());
        for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ControlModifier, Qt::ShiftModifier})
            for (int key = Qt::Key_F1; key <= Qt::Key_F12; ++key)
                check(QKeySequence(key | modifiers).toString(), [&form, key, modifiers] {
                    qt_handleKeyEvent(form.windowHandle(), QEvent::KeyPress, key, modifiers);
                    qt_handleKeyEvent(form.windowHandle(), QEvent::KeyRelease, key, modifiers);
                });
        rig.Tick(); // the status panels of what the pages read
        for (TCaptionPanel *panel : form.statusBar()->findChildren<TCaptionPanel *>())
            if (panel->isVisible() && !leaving.contains(panel->objectName()))
                check(panel->objectName(), [panel] { emit panel->Click(); });
        SetModalExecHook({});
        SetShellOpener({});
        EXPECT_EQ(landed.value("F4"), row.calibration);
        EXPECT_EQ(landed.value("F11"), row.corrections);
        EXPECT_EQ(landed.contains("MnIWindowMultiCalibrationCorrections"), row.kind == 48 || row.kind == 0);
        wrong.removeDuplicates();
        EXPECT_TRUE(wrong.isEmpty()) << wrong.join(u'\n').toStdString();
    }
}
