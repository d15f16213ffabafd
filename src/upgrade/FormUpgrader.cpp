#include "upgrade/FormUpgrader.h"

#include "core/ComMultiPort.h"
#include "core/ui/Common.h"
#include "core/ui/WaitForm.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/UpgraderLogic.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

TFormUpgrader *FormUpgrader = nullptr;

bool ConnectBootloaderReporting()
{
    TBootloader40Manager *manager = Bootloader40Manager;
    if (!manager)
        return false;
    try {
        return manager->ConnectBootloader();
    } catch (const EBootloaderConfigError &e) {
        // A bootloader that keeps answering is contacted again and again (the
        // connection-status dialog every two seconds, the upgrade window at
        // each step): what is wrong with it is said once while it answers.
        if (Common && !manager->ContactProblemSaid) {
            manager->ContactProblemSaid = true;
            Common->ShowError(QString::fromUtf8(e.what()));
        }
        return false;
    }
}

namespace {
// The waits keep the window responsive in steps of at most 20 ms. The
// events may take longer than the time left (a box the user answers): the
// wait then ends without sleeping.
void waitResponsive(int ms)
{
    QElapsedTimer timer;
    timer.start();
    for (qint64 left = ms; left > 0; left = ms - timer.elapsed()) {
        QCoreApplication::processEvents();
        left = ms - timer.elapsed();
        if (left > 0)
            QThread::msleep(static_cast<unsigned long>(std::min<qint64>(20, left)));
    }
}

// Walks the enabled variants, the current one first, until step succeeds.
bool walkVariants(const std::function<bool()> &step)
{
    if (!BootloaderConfig)
        return step();
    BootloaderConfig->BeginIterateProducts();
    while (BootloaderConfig->NextProduct()) {
        if (step())
            return true;
    }
    return false;
}


// The hourglass for the lifetime of the object.
struct TBusyCursor {
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};
} // namespace

TFormUpgrader::TFormUpgrader(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormUpgrader"));
    setWindowTitle(QStringLiteral("Upgrade"));
    resize(420, 330);

    auto *btnLoadData = NewNamed<QPushButton>(this, "BtnLoadData", {8, 8, 130, 25});
    btnLoadData->setText(QStringLiteral("Open &file ..."));
    NewNamed<QLabel>(this, "LblFileName", {8, 40, 80, 20}, QStringLiteral("File name: "));
    auto *fileName = NewNamed<QLineEdit>(this, "EdtFileNameName", {90, 38, 320, 22});
    fileName->setReadOnly(true);
    fileName->setText(QStringLiteral("---"));

    auto *pnlInfo = NewNamed<QFrame>(this, "PnlInfo", {8, 66, 404, 60});
    auto *btnConnect = NewNamed<QPushButton>(pnlInfo, "BtBConnect", {4, 4, 90, 25});
    btnConnect->setText(QStringLiteral("Connect"));
    auto *pnlBootloader = NewNamed<QFrame>(pnlInfo, "PnlBootloader", {100, 2, 300, 26});
    NewNamed<QLabel>(pnlBootloader, "LblBootloaderCaption", {0, 4, 140, 20}, QStringLiteral("Bootloader Version:"));
    LblBootloaderVer = NewNamed<QLabel>(pnlBootloader, "LblBootloaderVer", {145, 4, 150, 20}, QStringLiteral("-"));
    auto *pnlFirmware = NewNamed<QFrame>(pnlInfo, "PnlFirmware", {100, 30, 300, 26});
    NewNamed<QLabel>(pnlFirmware, "LblFirmwareCaption", {0, 4, 140, 20}, QStringLiteral("Device Version:"));
    LblFirmwareVer = NewNamed<QLabel>(pnlFirmware, "LblFirmwareVer", {145, 4, 150, 20}, QStringLiteral("-"));

    auto *pnlDescription = NewNamed<QFrame>(this, "PnlDescription", {8, 130, 404, 56});
    NewNamed<QLabel>(pnlDescription, "LblDescDevice", {0, 4, 60, 20}, QStringLiteral("Device:"));
    auto *descDevice = NewNamed<QLineEdit>(pnlDescription, "EdtDescDevice", {64, 2, 336, 22});
    descDevice->setReadOnly(true);
    descDevice->setText(QStringLiteral("-"));
    NewNamed<QLabel>(pnlDescription, "LblDescFile", {0, 30, 60, 20}, QStringLiteral("File:"));
    auto *descFile = NewNamed<QLineEdit>(pnlDescription, "EdtDescFile", {64, 28, 336, 22});
    descFile->setReadOnly(true);
    descFile->setText(QStringLiteral("-"));

    auto *pnlUpdate = NewNamed<QFrame>(this, "PnlUpdate", {8, 190, 404, 32});
    auto *btnUpdate = NewNamed<QPushButton>(pnlUpdate, "BtnUpdate", {4, 3, 140, 25});
    btnUpdate->setText(QStringLiteral("Update firmware"));
    btnUpdate->setEnabled(false);

    NewNamed<QLabel>(this, "LblProgress", {8, 226, 100, 20}, QStringLiteral("Progress"));
    auto *progress = NewNamed<QProgressBar>(this, "PrBProgram", {8, 246, 404, 18});
    progress->setValue(0);
    auto *pnlTime = NewNamed<QFrame>(this, "PnlTime", {8, 268, 200, 22});
    NewNamed<QLabel>(pnlTime, "LblTimeCaption", {0, 2, 50, 18}, QStringLiteral("Time:"));
    LblTime = NewNamed<QLabel>(pnlTime, "LblTime", {54, 2, 140, 18}, QString());
    pnlTime->hide();

    // The label's accelerator moves to the port list it names.
    LblComm = NewNamed<QLabel>(this, "LblComm", {8, 298, 50, 22}, QStringLiteral("&COMM:"));
    CmBCommNo = NewNamed<QComboBox>(this, "CmBCommNo", {60, 298, 90, 22});
    LblComm->setBuddy(CmBCommNo);
    auto *btnOpen = NewNamed<QPushButton>(this, "BtnOpen", {156, 297, 70, 25});
    btnOpen->setText(QStringLiteral("&Open"));
    btnOpen->hide();
    btnOpen->setEnabled(false);

    auto *btnClose = NewNamed<QPushButton>(this, "BtnClose", {332, 297, 80, 25});
    btnClose->setText(QStringLiteral("Close"));

    BtnLoadData = btnLoadData;
    BtBConnect = btnConnect;
    BtnUpdate = btnUpdate;
    BtnClose = btnClose;
    BtnOpen = btnOpen;
    EdtFileNameName = fileName;
    EdtDescDevice = descDevice;
    EdtDescFile = descFile;
    PnlUpdate = pnlUpdate;
    PnlTime = pnlTime;
    PrBProgram = progress;
    ChBWriteDefaultSettings = NewNamed<QCheckBox>(this, "ChBWriteDefaultSettings", {8, 340, 300, 20});
    ChBWriteDefaultSettings->setText(QStringLiteral("Write default settings (update data)"));
    ChBWriteDefaultSettings->setChecked(true);
    ChBWriteDefaultSettings->hide();
    ChBEnableAdapter = NewNamed<QCheckBox>(this, "ChBEnableAdapter", {8, 362, 300, 20});
    ChBEnableAdapter->setText(QStringLiteral("Enable adapter detection"));
    ChBEnableAdapter->hide();
    TimerUpdateTime = new QTimer(this);
    TimerUpdateTime->setObjectName(QStringLiteral("TimerUpdateTime"));
    TimerUpdateTime->setInterval(1000);

    ChooseFile = [this](const QString &filter) {
        const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Data"));
        return QFileDialog::getOpenFileName(this, QString(), folder, filter);
    };
    Wait = waitResponsive;

    connect(btnConnect, &QPushButton::clicked, this, [this] { BtBConnectClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { BtnCloseClick(); });
    connect(btnLoadData, &QPushButton::clicked, this, [this] { BtnLoadDataClick(); });
    connect(btnUpdate, &QPushButton::clicked, this, [this] { BtnUpdateClick(); });
    connect(ChBEnableAdapter, &QCheckBox::clicked, this, [this](bool on) {
        if (UpgraderLogic)
            UpgraderLogic->SetAdapterDetection(on);
    });
    connect(TimerUpdateTime, &QTimer::timeout, this, [this] { SetUpgradeState(1); });

    if (BootloaderConfig) {
        BootloaderConfig->OnProductChange = [this](TBootloaderConfig *) { UpdateOpenDialogFilter(); };
        UpdateOpenDialogFilter();
    }
    // The window's own port until the creator hands it the shared one.
    if (UpgraderLogic)
        UpgraderLogic->SetConnection(ComMultiPort, nullptr);
    UpdateButtons();
}

TFormUpgrader::~TFormUpgrader()
{
    if (BootloaderConfig)
        BootloaderConfig->OnProductChange = nullptr;
    if (::FormUpgrader == this)
        ::FormUpgrader = nullptr;
}

bool TFormUpgrader::RunUpgrade(QWidget *parent, TComMultiPort *port, std::function<void()> onConnect,
                               std::function<void(bool &allowed)> onUpdateQuery)
{
    auto *form = new TFormUpgrader(parent);
    ::FormUpgrader = form;
    form->OnConnect = std::move(onConnect);
    form->OnUpdateQuery = std::move(onUpdateQuery);
    form->ComMultiPort = port;
    if (UpgraderLogic) {
        UpgraderLogic->SetConnection(port, nullptr);
        UpgraderLogic->ClearVersionInfo();
    }
    // A small text window tells what happens while the target is sought.
    TWaitForm wait(parent);
    if (parent)
        wait.SetFont(parent->font());
    wait.SetFormStyle(wfsText);
    wait.SetDisableParent(false);
    wait.SetBorderStyle(TWaitForm::bsToolWindow);
    wait.SetBorderIcons(0);
    wait.SetCaption(form->windowTitle());
    wait.SetActiveForm(parent);
    wait.SetStatusText(TranslateKey(QStringLiteral("strDevReadingInfo")));
    wait.Show();
    wait.ProcessMessages();
    form->CheckConnection();
    if (form->Connected()) {
        for (QWidget *w : std::initializer_list<QWidget *>{form->LblComm, form->CmBCommNo, form->BtnOpen})
            w->hide();
        wait.SetStatusText(TranslateKey(QStringLiteral("strDevBootloaderMode")));
        wait.ProcessMessages();
        form->BtBConnectClick();
        wait.Hide();
        const bool current = Common && !Common->WaitForm();
        if (current)
            Common->SetWaitForm(&wait);
        if (BeforeModal)
            BeforeModal(form);
        form->exec();
        if (current)
            Common->SetWaitForm(nullptr);
        QCoreApplication::processEvents();
    }
    const bool erased = form->FErased;
    delete form;
    wait.Hide();
    return erased;
}

QString TFormUpgrader::TranslateUpgraderText(const QString &text) const
{
    static const struct { const char *text, *key; } table[] = {
        {"Device does not respond", "strDevDoesNotRespond"},
        {"The device has been updated successfully.", "strUpdFinishSuccessfully"},
        {"Reset...", "strDevReset"},
        {"%PROD% Upgrade files (*.%EXT%)|*.%EXT%", "strDevFileFilter"},
    };
    for (const auto &row : table) {
        if (text == QLatin1String(row.text)) {
            const QString translated = TranslateKey(QString::fromLatin1(row.key));
            // Without a translation the English text stands.
            return translated.isEmpty() || translated.startsWith(QLatin1String("!_")) ? text : translated;
        }
    }
    return text;
}

void TFormUpgrader::ShowUpgraderMessage(const QString &text)
{
    if (Common)
        Common->ShowWarningMessage(text);
}

void TFormUpgrader::UpdateOpenDialogFilter()
{
    TBootloaderParams *p = CurrentBootloaderParams();
    if (!p)
        return;
    QString filter = TranslateUpgraderText(p->GetFileFilter());
    filter.replace(QStringLiteral("%PROD%"), p->GetProductName());
    filter.replace(QStringLiteral("%EXT%"), p->GetExtension());
    FFilter = filter;
}

bool TFormUpgrader::connectBootloader()
{
    return ConnectBootloaderReporting() || ConnectBootloaderReporting();
}

void TFormUpgrader::CheckConnection()
{
    runStep([this] { FConnected = ConnectAndIdentify(); });
}

void TFormUpgrader::runStep(const std::function<void()> &step)
{
    if (FStepRunning)
        return;
    struct TStepRunning {
        bool &Flag;
        explicit TStepRunning(bool &flag) : Flag(flag) { Flag = true; }
        ~TStepRunning() { Flag = false; }
        TStepRunning(const TStepRunning &) = delete;
        TStepRunning &operator=(const TStepRunning &) = delete;
    };
    {
        const TStepRunning running(FStepRunning);
        step();
    }
    // A close asked for during the step happens now that it has stopped.
    if (FCloseWanted) {
        FCloseWanted = false;
        close();
    }
}

bool TFormUpgrader::pause(int ms)
{
    if (!FCloseWanted && Wait)
        Wait(ms);
    return !FCloseWanted;
}

void TFormUpgrader::returnToProgram()
{
    TUpgraderLogic *logic = UpgraderLogic;
    TBootloader40Manager *manager = Bootloader40Manager;
    // Only a device this program took from its running program, with
    // nothing erased; one found in its bootloader stays there.
    if (!logic || !manager || !logic->SentFromProgram || !logic->InBootloader || logic->FlashIncomplete)
        return;
    logic->SentFromProgram = false;
    manager->FinishProgramming();
    if (!manager->ExitBootloader())
        return;
    logic->InBootloader = false;
    {
        TBusyCursor cursor;
        Wait(1000);
    }
    ShowUpgraderMessage(TranslateKey(QStringLiteral("strUpdDeviceReturned")));
}

bool TFormUpgrader::ConnectAndIdentify()
{
    TUpgraderLogic *logic = UpgraderLogic;
    TBootloader40Manager *manager = Bootloader40Manager;
    if (!logic || !manager)
        return false;
    // The window's events go on while each reply is awaited; a close asked
    // for meanwhile stops the identification at its next pause.
    const TEventsWhileWaiting events(logic->ProcessEvents);
    const QString noAnswer = TranslateUpgraderText(QStringLiteral("Device does not respond"));
    logic->SentFromProgram = false;
    const bool sent = logic->GotoBootloader();
    if (!sent)
        ShowUpgraderMessage(noAnswer + QStringLiteral(" -gtb"));
    if (!pause(500))
        return false;
    bool ok = false;
    if (sent) {
        ok = connectBootloader();
        if (!ok)
            ShowUpgraderMessage(noAnswer + QStringLiteral(" -ver=0"));
    }
    if (!ok)
        manager->ClearBootInfo();
    UpdateButtons();
    ShowBootloaderInfo();
    if (!ok)
        return false;
    // A wanted close ends each walk at the variant it is at.
    const auto untilClose = [this](const std::function<bool()> &step) {
        return [this, step] { return FCloseWanted || step(); };
    };
    const bool contacted = walkVariants(untilClose(ConnectBootloaderReporting));
    if (FCloseWanted)
        return false;
    logic->InBootloader = contacted;
    // A device whose flash holds no complete firmware stays in its
    // bootloader: one cut in this run, or one whose bootloader keeps its stay
    // flag (cut in an earlier run, or before a restart). Its program cannot
    // answer, so its version is not asked for.
    const bool keep = logic->FlashIncomplete || manager->BootInfo().StayInBootloader != 0;
    if (logic->InBootloader && !keep) {
        manager->ExitBootloader();
        logic->InBootloader = false;
        if (!pause(1000))
            return false;
    }
    bool running = false;
    if (!logic->InBootloader)
        running = walkVariants(untilClose([&] { return logic->ReadDeviceVersion(EdtDescDevice, EdtDescFile); }));
    if (FCloseWanted)
        return false;
    if (!logic->InBootloader) {
        walkVariants([&] {
            logic->GotoBootloader();
            // A wanted close ends the walk as well.
            return !pause(500) || logic->InBootloader;
        });
        logic->SentFromProgram = running && logic->InBootloader;
    }
    if (FCloseWanted)
        return false;
    ok = connectBootloader();
    if (!ok)
        ShowUpgraderMessage(noAnswer + QStringLiteral(" -ver=0"));
    ShowBootloaderInfo();
    ok = ok && logic->InBootloader;
    if (!ok)
        BtBConnect->setFocus();
    const bool found = ok;
    if (found)
        ok = logic->CheckDeviceType();
    // The buttons follow the device-type check just made, so a device of the
    // right type can have its file opened after its first identification.
    UpdateButtons();
    if (found && !ok)
        returnToProgram();
    return ok;
}

void TFormUpgrader::UpdateButtons()
{
    TUpgraderLogic *logic = UpgraderLogic;
    if (!logic)
        return;
    const bool open = ComMultiPort && ComMultiPort->GetConnected();
    logic->InBootloader = open && ConnectBootloaderReporting();
    BtnLoadData->setEnabled(open && logic->DeviceTypeOk && logic->InBootloader);
    BtnUpdate->setEnabled(open && logic->DeviceTypeOk && !FFileName.isEmpty() && logic->InBootloader);
}

void TFormUpgrader::ShowBootloaderInfo()
{
    TUpgraderLogic *logic = UpgraderLogic;
    if (!logic || !Bootloader40Manager)
        return;
    const TBootInfo &info = Bootloader40Manager->BootInfo();
    if (info.BootMajor != 0) {
        LblBootloaderVer->setText(QStringLiteral("%1.%2").arg(info.BootMajor).arg(info.BootMinor));
        LblFirmwareVer->setText(logic->VersionText());
    } else {
        LblBootloaderVer->setText(QStringLiteral("-"));
        LblFirmwareVer->setText(QStringLiteral("-"));
        logic->ClearDeviceDescription();
    }
    logic->SetDeviceTypeText(Bootloader40Manager->DeviceTypeName());
    logic->ShowVersionInfo(EdtDescDevice, EdtDescFile);
}

void TFormUpgrader::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (BtnLoadData->isEnabled())
        BtnLoadData->setFocus();
    else
        BtBConnect->setFocus();
}

void TFormUpgrader::BtBConnectClick()
{
    runStep([this] { connectClick(); });
}

void TFormUpgrader::connectClick()
{
    if (!OnConnect) {
        ShowUpgraderMessage(QStringLiteral(
            "FormUpgrader.OnConnect should point to the procedure that would reset current COM port"));
        return;
    }
    OnConnect();
    ConnectAndIdentify();
}

void TFormUpgrader::BtnLoadDataClick()
{
    runStep([this] { loadData(); });
}

void TFormUpgrader::loadData()
{
    if (!ConnectAndIdentify() || FCloseWanted)
        return;
    FFilterIndex = Bootloader40Manager && Bootloader40Manager->BootInfo().BootMajor >= 6 ? 2 : 1;
    // The stored filter is "description|mask"; the dialog wants "description".
    const QString file = ChooseFile ? ChooseFile(FFilter.section(QLatin1Char('|'), 0, 0)) : QString();
    if (file.isEmpty())
        return;
    FFileName = file;
    UpdateButtons();
    EdtFileNameName->setText(file);
    PrBProgram->setValue(0);
    // Update is offered once the file's header has gone out: a click while
    // it goes would find this step still running and do nothing.
    const bool ready = BtnUpdate->isEnabled();
    BtnUpdate->setEnabled(false);
    if (UpgraderLogic->CheckUpgradeFile(file, EdtDescDevice, EdtDescFile)) {
        UpgraderLogic->SendFileHeader(file, PrBProgram);
        BtnUpdate->setEnabled(ready);
    } else {
        BtnUpdate->setEnabled(false);
        returnToProgram();
    }
}

bool TFormUpgrader::runUpdate(bool &fileRefused)
{
    TUpgraderLogic *logic = UpgraderLogic;
    TBootloader40Manager *m = Bootloader40Manager;
    TBootloaderParams *p = CurrentBootloaderParams();
    const QString noAnswer = TranslateUpgraderText(QStringLiteral("Device does not respond"));
    const auto fail = [&](const char *suffix) {
        QString text = noAnswer + QLatin1String(suffix);
        // From the first erase on the device holds no whole program.
        if (logic->FlashIncomplete)
            text += QStringLiteral("\r\n\r\n") + TranslateKey(QStringLiteral("strUpdStaysInBootloader"));
        ShowUpgraderMessage(text);
        return false;
    };
    if (!connectBootloader())
        return fail(" -ver=?");
    if (!m->InitProgramming())
        return fail(" -init");
    // The whole file is checked before anything is erased.
    if (!logic->CheckUpgradeFile(FFileName, EdtDescDevice, EdtDescFile)) {
        fileRefused = true;
        return false;
    }
    if (!logic->SendFileHeader(FFileName, PrBProgram)) {
        fileRefused = true;
        ShowUpgraderMessage(QStringLiteral("Incorrect file version"));
        return false;
    }
    p = CurrentBootloaderParams();
    if (!p || !p->BeforeEraseHook())
        return fail(" -bfe");
    logic->FlashIncomplete = true;
    FErased = true;
    if (!m->FlashMassErase(1))
        return fail(" -fmeB1");
    if (!m->FlashMassErase(0))
        return fail(" -fmeB0");
    const int flag = ChBWriteDefaultSettings->isChecked() ? 1 : 0;
    if (m->SetWriteDefaults(quint8(flag)) != flag)
        return fail(" -swe");
    if (flag) {
        if (!m->EepromEraseInit())
            return fail(" -eei");
        if (!m->EepromMassErase())
            return fail(" -eme");
    }
    if (!m->InitProgramming())
        return fail(" -init");
    if (!p->BeforeProgramHook())
        return fail(" -bpbf");
    if (!logic->ProgramFile(FFileName, PrBProgram, [this](int seconds) { SetTimeLeft(seconds); }))
        return fail(" -pbf");
    logic->FlashIncomplete = false;
    return true;
}

void TFormUpgrader::BtnUpdateClick()
{
    runStep([this] { update(); });
}

void TFormUpgrader::update()
{
    if (!UpgraderLogic || !Bootloader40Manager || !ConnectAndIdentify() || FCloseWanted)
        return;
    if (!Common
        || !Common->AskYesNoEx(TranslateKey(QStringLiteral("strQuestUpdProgramDevice")), QString(), false, true)) {
        returnToProgram();
        return;
    }
    FBusy = true;
    bool ok = false;
    bool fileRefused = false;
    const bool updateWasEnabled = BtnUpdate->isEnabled();
    {
        TBusyCursor cursor;
        PnlUpdate->setEnabled(false);
        SetUpgradeState(0);
        ok = runUpdate(fileRefused);
    }
    if (ok) {
        PrBProgram->setValue(PrBProgram->maximum());
        Bootloader40Manager->FinishProgramming();
        Wait(100);
        Bootloader40Manager->ExitBootloader();
        Wait(1000);
        SetUpgradeState(2);
        ShowUpgraderMessage(TranslateUpgraderText(QStringLiteral("The device has been updated successfully.")));
        Wait(900);
        ConnectAndIdentify();
    }
    PnlUpdate->setEnabled(true);
    BtnUpdate->setEnabled(updateWasEnabled && !fileRefused);
    FBusy = false;
    SetUpgradeState(2);
    if (fileRefused)
        returnToProgram();
}

void TFormUpgrader::SetUpgradeState(int state)
{
    const auto mmss = [](qint64 s) {
        return QStringLiteral("%1:%2").arg(s / 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
    };
    switch (state) {
    case 0:
        FStartTick = QDateTime::currentMSecsSinceEpoch();
        FTimeLeft = -1;
        LblTime->setText(QStringLiteral("00:00  /  --:--"));
        PnlTime->show();
        TimerUpdateTime->start();
        break;
    case 1: {
        const qint64 elapsed = (QDateTime::currentMSecsSinceEpoch() - FStartTick) / 1000;
        LblTime->setText(mmss(elapsed) + QStringLiteral("  /  ")
                         + (FTimeLeft >= 0 ? mmss(FTimeLeft) : QStringLiteral("--:--")));
        LblTime->repaint();
        break;
    }
    default:
        LblTime->clear();
        PnlTime->hide();
        TimerUpdateTime->stop();
        break;
    }
}

void TFormUpgrader::SetTimeLeft(int seconds)
{
    FTimeLeft = seconds;
}

void TFormUpgrader::BtnCloseClick()
{
    close();
}

void TFormUpgrader::closeEvent(QCloseEvent *event)
{
    if (FBusy) {
        event->ignore();
        return;
    }
    if (FStepRunning) {
        FCloseWanted = true;
        event->ignore();
        return;
    }
    // A shown dialog's own close handling rejects, which leaves through
    // done(); a window that was never shown leaves here.
    if (!isVisible()) {
        leave();
        event->accept();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormUpgrader::done(int result)
{
    if (FBusy)
        return;
    // Leaving in the middle of a step would send the device back to its
    // program while the step goes on with it: the step stops first.
    if (FStepRunning) {
        FCloseWanted = true;
        return;
    }
    leave();
    QDialog::done(result);
}

void TFormUpgrader::leave()
{
    // A device with a complete firmware is sent back to its application; a
    // half-programmed one stays in its bootloader for the next attempt. That
    // includes one whose bootloader asks to be kept (its stay flag, set by an
    // erase that no finished run of this program followed): the flag is not
    // cleared for it.
    const bool keptByDevice = Bootloader40Manager && Bootloader40Manager->ExitCapable()
                              && Bootloader40Manager->BootInfo().StayInBootloader != 0;
    if (UpgraderLogic && UpgraderLogic->InBootloader && !UpgraderLogic->FlashIncomplete && !keptByDevice
        && Bootloader40Manager) {
        Bootloader40Manager->FinishProgramming();
        Bootloader40Manager->ExitBootloader();
        if (Common && Common->WaitForm()) {
            Common->WaitForm()->SetStatusText(TranslateUpgraderText(QStringLiteral("Reset...")));
            Wait(1000);
        } else {
            TBusyCursor cursor;
            Wait(1000);
        }
    }
    if (UpgraderLogic)
        UpgraderLogic->SetConnection(ComMultiPort, nullptr);
}
