// Settings files of the main window: File > Save As writes the connected
// device's settings to a *.ddf file after refreshing them from the device;
// File > Load reads such a file into the record and the pages, shows it, and
// on confirmation writes it to the device.
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/ConfigurationPageOps.h"

#include "controls/ChangeHelper.h"
#include "core/AppConfig.h"
#include "core/ConfigurationByKind.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/IniFile.h"
#include "core/ReadPlan.h"
#include "core/LM.h"
#include "core/SettingsFile.h"
#include "core/UnitConversions.h"
#include "core/VersionInfo.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMetaObject>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

#include <cmath>
#include <functional>
#include <iterator>
#include <utility>

namespace {

// The hourglass and the main and map timers stopped for the life of a
// command; the timers restart as they were.
class TFileCommandScope
{
public:
    explicit TFileCommandScope(QTimer *main, QTimer *map = nullptr) : FMain(main), FMap(map)
    {
        FMainOn = FMain && FMain->isActive();
        FMapOn = FMap && FMap->isActive();
        if (FMain)
            FMain->stop();
        if (FMap)
            FMap->stop();
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TFileCommandScope()
    {
        QGuiApplication::restoreOverrideCursor();
        if (FMainOn)
            FMain->start();
        if (FMapOn)
            FMap->start();
    }
    TFileCommandScope(const TFileCommandScope &) = delete;
    TFileCommandScope &operator=(const TFileCommandScope &) = delete;

private:
    QTimer *FMain;
    QTimer *FMap;
    bool FMainOn = false;
    bool FMapOn = false;
};

// Text files of settings are written in the code page of the language.
QByteArray SettingsCodePage()
{
    return LM ? TLM::CodePageOfCharset(TLM::GetCharsetOfLanguage(LM->Language))
              : QByteArrayLiteral("windows-1250");
}

void ReportError(const QString &text)
{
    if (Common)
        Common->ShowError(text);
}

bool LinkReady() { return DataManager && DataManager->GetConnected() && !DataManager->IsDeviceNotReady(); }

// What a kind-48 file holds, or a load writes, that the configuration read
// takes only from a later version on, or not at all: the configuration
// window's later settings (the idle RPM and manifold pressure among them)
// and the idle correction. The save reads them, so that the file holds the
// device's values; the load reads them, so that what the file does not hold
// (a bit of a byte it holds only in part, a setting of a later version)
// goes back as the device holds it.
void AddKind48LoadedSettings(const TDataManager &dm, TReadPlan &plan)
{
    plan.Params(dm.Kind48SettingsNotRead());
    plan.Model(83);
}

using kind48::TFilePart;

// Before a load: what the device holds that the file of that letter does
// not (or holds only some bits of), so that the load writes it back as the
// device holds it and never a default or a value an earlier read left in
// the record. The 8-bit bytes held in part, the largest base time for the
// load and the largest manifold pressure for it come with the
// configuration.
void AddKind48PartsNotInFile(const TDataManager &dm, char letter, TReadPlan &plan)
{
    const auto missing = [&dm, letter](TFilePart part) {
        return dm.Kind48Holds(part) && !kind48::FileHolds(letter, part);
    };
    if (dm.Kind48Holds(TFilePart::AdaptFlags))
        plan.Model(104);
    if (missing(TFilePart::PcolCurve))
        plan.PcolCurve();
    if (missing(TFilePart::AdaptBanks))
        for (auto [bank, half] : {std::pair{1, 0}, {2, 0}, {1, 1}, {2, 1}})
            plan.AdaptBank(bank, half);
}

// Lists the settings of the kind-48 pages choose from.
constexpr int CutOffEmulDelays[] = {0, 100, 200, 300, 400, 500, 1000, 1500, 2000, 2500};
constexpr int OnCutOffDelays[] = {500, 1000, 1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000};
constexpr int MinGasInjTimes[] = {374, 411, 449, 486, 524, 561, 598, 636, 673, 711, 748, 766,
                                  785, 804, 822, 841, 860, 878, 897, 916, 935, 972, 1010, 1047,
                                  1085, 1122, 1159, 1197, 1234, 1272, 1309, 1346, 1384, 1421, 1459, 1496,
                                  1533, 1571, 1608, 1646, 1683, 1720, 1758, 1795, 1833, 1870};
constexpr int MaxGasInjTimes[] = {2805, 2992, 3179, 3366, 3553, 3740, 3927, 4114, 4301, 4488, 4675};
constexpr int NextInspections[] = {0, 1000, 2000, 5000, 7000, 10000};
constexpr int InspectionRatios[] = {20, 30, 40, 50, 60, 70};

} // namespace

// ---- Dialogs and messages ----

QString TFormMain::AskSettingsFileName(bool save, const QString &fileName)
{
    QString folder = SettingsFileName.isEmpty() ? (AppConfig ? AppConfig->DataFolder() : QString())
                                                : QFileInfo(SettingsFileName).absolutePath();
    return SettingsFileDialog ? SettingsFileDialog(save, folder, fileName) : ChooseSettingsFile(save, folder, fileName);
}

QString TFormMain::ChooseSettingsFile(bool save, const QString &folder, const QString &fileName)
{
    // The filter names the files in the language in use ("description|mask"
    // in the language files; the dialog shows the description).
    QFileDialog dialog(this, QString(), folder, TranslateKey(QStringLiteral("strFilterSettings")).section(u'|', 0, 0));
    dialog.setObjectName(save ? QStringLiteral("SaveDialog") : QStringLiteral("OpenDialog"));
    dialog.setDefaultSuffix(QString::fromLatin1(TSettingsFile::Extension));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

// The refusal keeps its short form, "<invalid settings file> [detail]" (with
// no brackets when there is no detail to show), and adds the file and the
// reason in words.
void TFormMain::RefuseSettingsFile(const TSettingsError &e, const QString &fileName)
{
    if (!Common)
        return;
    QString text = TranslateKey(QStringLiteral("strWrongConfFile"));
    if (!e.Detail.isEmpty())
        text += QStringLiteral(" [") + e.Detail + QLatin1Char(']');
    text += QStringLiteral("\r\n\r\n") + fileName;
    if (!e.Reason.isEmpty()) {
        QString reason = e.Reason.startsWith(QLatin1String("str")) ? TranslateKey(e.Reason) : e.Reason;
        for (const QString &arg : e.Args)
            reason = reason.arg(arg);
        text += QStringLiteral("\r\n") + reason;
    }
    Common->ShowWarning(text, TranslateKey(QStringLiteral("strWrongConfFile")));
}

// ---- Saving ----

void TFormMain::MnIFileSaveAsClick()
{
    if (!DataManager || DataManager->IsDeviceNotReady()) {
        SettingsRestoreRequest = 0;
        return;
    }
    TFileCommandScope scope(Timerek, TimerMapa);
    bool written = false;
    if (DataManager->IsDeviceType(20) || DataManager->IsDeviceType(21))
        written = SaveSettingsFileQ3();
    else if (DataManager->IsDeviceType(48))
        written = SaveSettingsFileMulti();
    // The upgrade launch learns from the request whether its backup exists.
    if (!written)
        SettingsRestoreRequest = 0;
}

bool TFormMain::SaveSettingsFileQ3()
{
    const QString name = AskSettingsFileName(true, QString());
    if (name.isEmpty())
        return false;
    // The record is refreshed without the pages, whose unwritten edits stay:
    // the model factors, the configuration block with its parameters, the
    // identity, then what those leave out (the level sensors and the model
    // corrections).
    bool read = DataManager->ReadModelFactors() && DataManager->ReadModelDataCmd03()
                && DataManager->ReadIdentity() && DataManager->ReadLevelSensor35()
                && DataManager->ReadLevelSensor36();
    for (uint8_t id : {11, 12, 13})
        if (read)
            DataManager->ReadParameter(id);
    if (!read || !LinkReady()) {
        ReportError(TranslateKey(QStringLiteral("strComError")));
        return false;
    }
    return WriteSettingsFile(name, false);
}

bool TFormMain::SaveSettingsFileMulti()
{
    // The device is read before the dialog: a cancelled save still leaves
    // the record and the model-2 page refreshed.
    bool read = DataManager->ReadIdentity();
    read = read && (DevData ? DevData->ReadDeviceModelData() : ReadConfigurationByKind(*DataManager)) != 0;
    ReadModel2Settings();
    if (!read || !LinkReady()) {
        ReportError(TranslateKey(QStringLiteral("strComError")));
        return false;
    }
    const QString name = AskSettingsFileName(true, QString());
    if (name.isEmpty())
        return false;
    DataManager->ReadParameter8(22);
    read = LinkReady() && DataManager->ReadLevelSensor35() && DataManager->ReadLevelSensor36();
    // The corrections page reads what the file's correction sections hold:
    // the curves and their switches, and from "G" on the adaptation banks
    // with their settings. The file holds the device's values, whatever the
    // page showed before.
    BtnCorReadCorrectionsClick();
    if (read && LinkReady()) {
        TReadPlan settings;
        AddKind48LoadedSettings(*DataManager, settings);
        settings.Run(*DataManager);
        read = LinkReady();
    } else {
        read = false;
    }
    // The page shows the manifold-pressure curve with the adaptation banks;
    // a device between the two letters already holds it.
    if (read && DataManager->Kind48Holds(TFilePart::PcolCurve) && !DataManager->Kind48Holds(TFilePart::AdaptBanks))
        read = DataManager->ReadCorrections97();
    if (read && DataManager->Kind48Holds(TFilePart::MapRows))
        read = DataManager->ReadMapRowsDC();
    if (!read) {
        ReportError(TranslateKey(QStringLiteral("strComError")));
        return false;
    }
    return WriteSettingsFile(name, true);
}

// Builds the file in memory over the existing one (sections of others
// stay) and replaces it in one step; nothing is written when the link went
// down during the reads.
bool TFormMain::WriteSettingsFile(const QString &fileName, bool multi)
{
    if (!LinkReady()) {
        ReportError(TranslateKey(QStringLiteral("strComError")));
        return false;
    }
    TIniFile ini(fileName, SettingsCodePage());
    if (QFileInfo::exists(fileName) && ini.Load() != TIniFile::Status::Ok)
        ini.Clear(); // an unreadable old file is replaced whole
    const QDateTime now = QDateTime::currentDateTime();
    TSettingsInfo info;
    info.SaveDate = QLocale().toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
                    + QLocale().toString(now.time(), QLocale::ShortFormat);
    info.Ver = DataManager->FormatVersion(false);
    info.SoftVer = Common && Common->VerInfo ? Common->VerInfo->FileVersion() : QString();
    const QString point = QLocale().decimalPoint();
    const QChar separator = point.isEmpty() ? QChar(u'.') : point.at(0);
    if (multi)
        TSettingsFile::WriteMulti(ini, DeviceRecord, info, separator);
    else
        TSettingsFile::WriteQ3(ini, DeviceRecord, info, separator);
    if (ini.Save() != TIniFile::Status::Ok) {
        ReportError(TranslateKey(QStringLiteral("strFileWriteError")).arg(fileName, ini.SystemError()));
        return false;
    }
    SettingsFileName = fileName;
    return true;
}

// ---- Loading ----

void TFormMain::MnIFileLoadCnfClick() { LoadSettingsFileFrom(sender()); }

void TFormMain::LoadSettingsFileFrom(QObject *origin)
{
    if (!DataManager || DataManager->IsDeviceNotReady())
        return;
    TFileCommandScope scope(Timerek, TimerMapa);
    // Asked for by the program itself: the remembered file is offered.
    FSettingsDialogFile = origin ? QString() : QFileInfo(SettingsFileName).fileName();
    if (DataManager->IsDeviceType(20) || DataManager->IsDeviceType(21))
        LoadSettingsFileV15();
    else if (DataManager->IsDeviceType(48))
        LoadSettingsFileV30(false);
    FSettingsDialogFile.clear();
}

bool TFormMain::OpenSettingsFile(TIniFile &ini, bool multi, bool *chosen)
{
    const QString name = AskSettingsFileName(false, FSettingsDialogFile);
    if (chosen)
        *chosen = !name.isEmpty();
    if (name.isEmpty())
        return false;
    SettingsFileName = name;
    const TSettingsError e = TSettingsFile::Open(name, multi, ini);
    if (e.Failed()) {
        RefuseSettingsFile(e, name);
        return false;
    }
    return true;
}

namespace {

// Components are found through the window's cached lookup (find).
using TFind = std::function<QObject *(const QString &)>;

template <typename T> T *Named(const TFind &find, const QString &name) { return qobject_cast<T *>(find(name)); }

void SetChecked(const TFind &root, const QString &name, bool on)
{
    if (auto *box = Named<QAbstractButton>(root, name))
        TCommon::SetCheckedSilently(box, on);
}

void SetSpin(const TFind &root, const QString &name, int value)
{
    if (auto *spin = Named<QSpinBox>(root, name)) {
        const QSignalBlocker block(spin);
        spin->setValue(value);
    }
}

int SpinValue(const TFind &root, const QString &name, int def)
{
    auto *spin = Named<QSpinBox>(root, name);
    return spin ? spin->value() : def;
}

void SetText(const TFind &root, const QString &name, const QString &text)
{
    if (auto *edit = Named<QLineEdit>(root, name)) {
        const QSignalBlocker block(edit);
        edit->setText(text);
    }
}

// Selects the index of value in the list; a value not in it leaves the
// selection as it was.
template <size_t N> void SelectValue(const TFind &root, const char *name, const int (&list)[N], int value)
{
    auto *combo = Named<QComboBox>(root, QString::fromLatin1(name));
    if (!combo)
        return;
    for (size_t i = 0; i < N; ++i)
        if (list[i] == value && int(i) < combo->count()) {
            const QSignalBlocker block(combo);
            combo->setCurrentIndex(int(i));
        }
}

} // namespace

void TFormMain::ShowLoadedModel(bool withThresholds)
{
    // The model page shows the record itself, so that its write sends the
    // loaded values and not their rounded texts.
    if (QObject *page = PageLogic("ModelPage");
        page && withThresholds && QMetaObject::invokeMethod(page, "ShowModelParams"))
        return;
    const TFind find = [this](const QString &name) { return FindComponent(name.toLatin1().constData()); };
    const TDeviceRecord &r = DeviceRecord;
    SetText(find, QStringLiteral("YEdModCorrectionOffset"), FormatDecimals(r.CorrectionOffset, 2));
    SetSpin(find, QStringLiteral("UpDModCorrectionMult"), FactorToPercent(r.CorrectionMult));
    for (int bit = 0; bit < 8; ++bit)
        SetChecked(find, QStringLiteral("ChBModCorrectionMask%1").arg(bit + 1), (r.CorrectionMask >> bit) & 1);
    SetText(find, QStringLiteral("YEdModOffset"), FormatDecimals(r.Offset, 2));
    SetText(find, QStringLiteral("EdtModMULT_"), FormatDecimals(r.Mult, 2));
    SetSpin(find, QStringLiteral("UpDModMult"), FactorToPercent(r.Mult));
    if (!withThresholds)
        return;
    const qint32 thresholds[] = {r.P1, r.P2, r.P3, r.P4};
    const qint32 enrichments[] = {r.E1, r.E2, r.E3, r.E4};
    for (int i = 0; i < 4; ++i) {
        const QChar letter(u'A' + i);
        SetSpin(find, QStringLiteral("UpDProg") + letter, thresholds[i]);
        SetSpin(find, QStringLiteral("UpDWzbogacenieProg") + letter, enrichments[i]);
    }
    DrawModelChart();
}

void TFormMain::LoadSettingsFileV15()
{
    TIniFile ini;
    if (!OpenSettingsFile(ini, false))
        return;
    TDeviceRecord loaded = DeviceRecord;
    const TSettingsError e = TSettingsFile::ReadQ3(ini, loaded);
    if (e.Failed()) {
        RefuseSettingsFile(e, ini.FileName());
        return;
    }
    TSettingsFile::CopyFileFields(loaded, DeviceRecord, false);
    UpdateConfigurationControls();
    ShowLoadedModel(true);
    if (!Common || Common->AskOkCancel(TranslateKey(QStringLiteral("strSaveCnf")),
                                       TranslateKey(QStringLiteral("strSaveCnfT")))
                       != mrOk)
        return;
    // What the file does not hold goes back as the device holds it now: the
    // device is read again, and the file over it.
    if ((DevData ? DevData->ReadDeviceModelData() : ReadConfigurationByKind(*DataManager)) == 0 || !LinkReady()) {
        ReportError(TranslateKey(QStringLiteral("strComError")));
        return;
    }
    loaded = DeviceRecord;
    if (const TSettingsError again = TSettingsFile::ReadQ3(ini, loaded); again.Failed()) {
        RefuseSettingsFile(again, ini.FileName());
        return;
    }
    TSettingsFile::CopyFileFields(loaded, DeviceRecord, false);
    UpdateConfigurationControls();
    ShowLoadedModel(true);
    // Each write may end with a read-back of the device; the file's values
    // are put back before the next one so that all of them are sent.
    // Every value was checked against the device; a step that still fails
    // (the link went down, the page refused) ends the load there: the page's
    // write says itself what it did not write and keeps the pages marked.
    BtBModWriteClick();
    if (!LinkReady())
        return;
    TSettingsFile::CopyFileFields(loaded, DeviceRecord, false);
    if (ConfigurationPage && !ConfigurationPage->WriteLoadedConfiguration())
        return;
    if (!LinkReady()) {
        ReportError(TranslateKey(QStringLiteral("strComError")));
        return;
    }
    TSettingsFile::CopyFileFields(loaded, DeviceRecord, false);
    if (!DataManager->WriteLevelSensor37() || !DataManager->WriteLevelSensor38()) {
        // The level sets did not go through: the pages stay marked, and the
        // box names the step, as a kind-48 load's does.
        KeepConfigModified();
        if (Common)
            Common->ShowWarning(TranslateKey(QStringLiteral("strSetFileWriteIncomplete"))
                                    .arg(TranslateKey(QStringLiteral("strSetFileStepLevels"))));
        return;
    }
    // The configuration page shows what the device now holds, read once the
    // last write went out.
    if (ConfigurationPage)
        ConfigurationPage->ReadBackConfiguration(true);
}

// What a kind-48 load read from the device before its question: the record
// as read then, and the map's recorded points (to clear before the map rows
// go out). The steps after the question are given it; none reads again.
struct TFormMain::TKind48LoadRead {
    bool Ok = false;
    TDeviceRecord Device;
    int RecordedPoints = 0;
};

TFormMain::TKind48LoadRead TFormMain::ReadKind48ForLoad(const TIniFile &ini)
{
    // What an older file or one from an earlier version lacks stays as the
    // device holds it: the record takes those settings from the device, as
    // it holds them now (the configuration, then what its read leaves out).
    TDataManager &dm = *DataManager;
    const QChar letter = TSettingsFile::FileVersionLetter(ini);
    TReadPlan plan;
    if (WindowServices.Kind48ConfigurationAddReads)
        WindowServices.Kind48ConfigurationAddReads(plan);
    dm.AddKind48Configuration(plan);
    AddKind48LoadedSettings(dm, plan);
    AddKind48PartsNotInFile(dm, letter.isNull() ? 0 : char(letter.unicode()), plan);
    // The map rows of a file that holds them go out after the recorded
    // points are cleared.
    const bool mapRows = dm.IsDeviceVersionAtLeast(48, QStringLiteral("F")) && TSettingsFile::HoldsMapPoints(ini);
    if (mapRows)
        plan.RecordingSize();
    TKind48LoadRead read;
    read.Ok = plan.Run(dm) && LinkReady();
    read.Device = DeviceRecord;
    read.RecordedPoints = mapRows ? dm.RecordingCount1 + dm.RecordingCount2 : 0;
    return read;
}

void TFormMain::LoadSettingsFileV30(bool ModelOnly)
{
    const TFind find = [this](const QString &name) { return FindComponent(name.toLatin1().constData()); };
    TFileCommandScope scope(Timerek);
    // Once a file was chosen, the kind-48 configuration window shows the
    // device again at the end, whatever became of the file: read again where
    // the command read nothing of it, else as the load read it. A refused
    // file changed nothing: the window's unwritten edits are not read over.
    const auto windowModified = [this] {
        return WindowServices.Kind48ConfigurationModified && WindowServices.Kind48ConfigurationModified();
    };
    const auto refreshWindow = [this, &windowModified] {
        if (!windowModified() && WindowServices.Kind48ConfigurationRefresh)
            WindowServices.Kind48ConfigurationRefresh();
    };
    const auto showWindow = [this, &windowModified](bool read) {
        if (!windowModified() && WindowServices.Kind48ConfigurationShowRead)
            WindowServices.Kind48ConfigurationShowRead(read);
    };
    TIniFile ini;
    bool chosen = false;
    if (!OpenSettingsFile(ini, true, &chosen)) {
        if (chosen)
            refreshWindow();
        return;
    }
    TKind48LoadRead read;
    if (!ModelOnly) {
        read = ReadKind48ForLoad(ini);
        if (!read.Ok) {
            showWindow(false);
            ReportError(TranslateKey(QStringLiteral("strComError")));
            return;
        }
    }
    // Where the load ends without writing, the window shows the device as
    // read before the question (the model-2 page's own read from a file
    // read nothing of it).
    const auto endUnwritten = [&] {
        if (ModelOnly)
            refreshWindow();
        else
            showWindow(true);
    };
    TSettingsLoad load;
    load.Record = DeviceRecord;
    // The model alone is the model-2 page's read: what it cannot show is
    // refused.
    TPageLimits page;
    if (QObject *model2 = ModelOnly ? PageLogic("Model2Page") : nullptr)
        QMetaObject::invokeMethod(model2, "FileLimits", Q_RETURN_ARG(TPageLimits, page));
    const TSettingsError e = TSettingsFile::ReadMulti(ini, load, ModelOnly, page);
    if (e.Failed()) {
        RefuseSettingsFile(e, ini.FileName());
        endUnwritten();
        return;
    }
    TDeviceRecord &r = DeviceRecord;
    if (!ModelOnly)
        ClearConfWizardControls();
    TSettingsFile::CopyFileFields(load.Record, r, true);
    if (!ModelOnly) {
        const char *active[] = {"ChBActiveCorrectionPsys", "ChBActiveCorrectionTgas", "ChBActiveCorrectionRPM",
                                "ChBActiveCorrectionPcol"};
        for (int bit = 0; bit < 4; ++bit)
            SetChecked(find, QString::fromLatin1(active[bit]), (r.CMActive >> bit) & 1);
        SetChecked(find, QStringLiteral("ChBModel2Adaptation"), r.AdaptationMode != 0);
        SetChecked(find, QStringLiteral("ChBModel2WithIdlePoints"), (r.DeviceOptions & 8) == 0);
        SelectValue(find, "CmBConfCutOffEmulSwitchDelay", CutOffEmulDelays, r.AfterCutOffEmulSwitchDelay);
        SelectValue(find, "CmBOnCutOffDelay", OnCutOffDelays, r.OnCutOffDelay);
        SelectValue(find, "CmBConfMinGasInjTime", MinGasInjTimes, r.MinGasInjectionTime);
        SelectValue(find, "CmBConfMaxGasInjTime", MaxGasInjTimes, r.MaxGasInjectionTime);
        SelectValue(find, "CmBNextInspection", NextInspections, r.NextInspection);
        SelectValue(find, "CmBInspectionRatio", InspectionRatios, r.InspectionTimeDistRatio);
        SetChecked(find, QStringLiteral("ChBOBDAdaptationEnabled"), r.MapCorrections & 1);
        SetChecked(find, QStringLiteral("ChBOBDModifyModelEnabled"), r.MapCorrections & 2);
        SetChecked(find, QStringLiteral("ChBLoadFromPcol"), r.MapCorrections & 4);
        SelectMaxTbForLoadItems();
        UpdateConfigurationControls();
        if (auto *count = Named<QComboBox>(find, QStringLiteral("CmbKnfInjCount")); count && r.InjHW > 0) {
            const QSignalBlocker block(count);
            const int index = count->currentIndex();
            count->clear();
            if (r.InjHW == 4)
                count->addItems({"3", "4"});
            else if (r.InjHW == 6)
                count->addItems({"3", "4", "5", "6"});
            else if (r.InjHW == 8)
                count->addItems({"3", "4", "5", "6", "8"});
            count->setCurrentIndex(index < count->count() ? index : -1);
        }
    }

    // The model part.
    ClearCalibrationControls();
    ShowLoadedModel(false);
    SetSpin(find, QStringLiteral("UpDModel2CorrectionMult"), FactorToPercent(r.CorrectionMult));
    SetText(find, QStringLiteral("YEdModel2CorrectionOffset"), FormatDecimals(r.CorrectionOffset, 2));
    const bool correctionTypes = DataManager->Kind48Holds(TFilePart::CorrectionTypes);
    if (DataManager->IsDeviceType(48) && !correctionTypes && (r.CMActive & 4))
        SetChecked(find, QStringLiteral("ChBActiveCorrectionRPM"), true);
    if (correctionTypes) {
        SetActiveTgasCorrSpBtn(r.TgasCorType);
        SetActiveRpmCorrSpBtn(r.RPMCorType);
    }
    for (int bit = 0; bit < 8; ++bit)
        SetChecked(find, QStringLiteral("ChBModel2CorrectionMask%1").arg(bit + 1), (r.CorrectionMask >> bit) & 1);
    const int offset = int(std::lround(r.Offset * 10));
    SetSpin(find, QStringLiteral("UpDModel2Offset"), offset);
    SetText(find, QStringLiteral("YEdModel2Offset"), FormatDecimals(SpinValue(find, QStringLiteral("UpDModel2Offset"), offset) / 10.0, 1));
    SetSpin(find, QStringLiteral("UpDModel2Mult"), FactorToPercent(r.Mult));
    SetText(find, QStringLiteral("YEdModel2MULT"),
            QString::number(SpinValue(find, QStringLiteral("UpDModMult"), FactorToPercent(r.Mult))));
    SetChecked(find, QStringLiteral("ChBModel2UseOnIdleModel"), r.UseOnIdleModel != 0);
    if (!load.HasModelPoints)
        BtBModel2DefaultClick();
    // The model-2 page shows the file's points and idle points, so that its
    // write sends them and not the curve it showed before.
    InvokePage("Model2Page", "ShowRecordModel2", load.HasModelPoints);
    UpdateModel2Labels();
    if (!ModelOnly) {
        ShowPsysCorrections();
        ShowPcolCorrections();
        ShowTgasCorrections();
        ShowRpmCorrections();
    }
    if (WindowServices.Kind48CalibrationShowRecord)
        WindowServices.Kind48CalibrationShowRecord();

    // Declined, the load writes nothing: the configuration is the device's
    // again, as read before the question, and the model part stays shown as
    // the file holds it, with the idle settings the calibration window shows
    // beside the model.
    const auto declined = [&] {
        if (!ModelOnly) {
            const TDeviceRecord shown = DeviceRecord;
            TSettingsFile::CopyConfigurationFields(read.Device, DeviceRecord);
            DeviceRecord.IdleHotTb = shown.IdleHotTb;
            DeviceRecord.IdleHotRPM = shown.IdleHotRPM;
            DeviceRecord.IdleHotPcol = shown.IdleHotPcol;
        }
        endUnwritten();
    };
    if (!Common || Common->AskOkCancel(TranslateKey(QStringLiteral("strSaveCnf")),
                                       TranslateKey(QStringLiteral("strSaveCnfT")))
                       != mrOk) {
        declined();
        return;
    }
    // The load's writes are one: the change record goes out after the last
    // of them, once every one went through.
    TRecordedWrite write;
    if (!write.Ask()) {
        declined();
        return;
    }
    if (ModelOnly) {
        // The model-2 page's read from a file: its own write.
        TSettingsFile::CopyFileFields(load.Record, DeviceRecord, true);
        BtBModel2WriteClick();
        // The model write reported its own result into this one.
        write.Report(LinkReady());
        refreshWindow();
        return;
    }
    if (const QString failed = WriteLoadedMultiSettings(load, read); !failed.isEmpty()) {
        // What was not written stays on the pages, marked as changed;
        // no read of the device replaces it.
        TSettingsFile::CopyFileFields(load.Record, DeviceRecord, true);
        KeepConfigModified();
        if (Common)
            Common->ShowWarning(TranslateKey(QStringLiteral("strSetFileWriteIncomplete")).arg(TranslateKey(failed)));
        return;
    }
    TSettingsFile::CopyFileFields(load.Record, DeviceRecord, true);
    // Each of the writes above reported its own result into this one; the
    // change record goes out after the last of them.
    write.Report(LinkReady());
    // The pages show what the device now holds, read once after the last
    // write and the change record.
    ShowKind48DeviceAfterLoad(DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("F")) && load.HasMapPoints);
}

void TFormMain::ShowKind48DeviceAfterLoad(bool mapPage)
{
    // The configuration window's first: the reads after it build on its
    // block.
    TReadPlan plan;
    if (WindowServices.Kind48ConfigurationAddReads)
        WindowServices.Kind48ConfigurationAddReads(plan);
    InvokePage("CorrectionsPage", "AddDeviceReads", &plan);
    if (mapPage)
        InvokePage("MapPage", "AddDeviceReads", &plan);
    InvokePage("Model2Page", "AddDeviceReads", &plan);
    if (WindowServices.Kind48CalibrationAddReads)
        WindowServices.Kind48CalibrationAddReads(plan);
    const bool read = plan.Run(*DataManager);
    InvokePage("CorrectionsPage", "ShowDeviceRecord");
    if (mapPage)
        InvokePage("MapPage", "ShowDeviceRecord");
    InvokePage("Model2Page", "ShowDeviceRecord");
    if (WindowServices.Kind48CalibrationShowRead)
        WindowServices.Kind48CalibrationShowRead(read);
    if (WindowServices.Kind48ConfigurationShowRead)
        WindowServices.Kind48ConfigurationShowRead(read);
    SetConfigModified(false);
}

// The device writes of a confirmed kind-48 load, in their fixed order, each
// value once with its final value, and nothing read between them: what the
// load does not take from the file was read before the question (read). The
// file's values are put back into the record before each step, as a step
// may bring the record's fields in line with its controls. A step that
// fails ends the writes there: the key of its name in words, empty when
// everything was written.
QString TFormMain::WriteLoadedMultiSettings(const TSettingsLoad &load, const TKind48LoadRead &read)
{
    const TFind find = [this](const QString &name) { return FindComponent(name.toLatin1().constData()); };
    TDeviceRecord &r = DeviceRecord;
    auto keep = [&] { TSettingsFile::CopyFileFields(load.Record, r, true); };
    keep();
    // The configuration, through the kind-48 configuration window. The
    // injector drive bit of the block is the file's where the window has no
    // injector type to take it from. Ids 31 and 52 go out with model 2, the
    // non-sequential injection below.
    r.ModelDataExtra[0] = quint8((r.ModelDataExtra[0] & ~2) | (r.InjType & 2));
    if (WindowServices.Kind48WriteLoadedConfiguration) {
        const bool written = WindowServices.Kind48WriteLoadedConfiguration();
        keep();
        if (!written || !LinkReady())
            return QStringLiteral("strSetFileStepConfig");
    }
    // The flags of the file's block that the configuration window does not
    // send: the interrupted measurement, and the non-sequential injection
    // (the window's own write always sends it off; the wizard sets it).
    if (!DataManager->WriteParamByte(6, r.CAP_TIE_enable ? 1 : 0)
        || !DataManager->WriteParamByte(7, r.NoSeqential ? 1 : 0))
        return QStringLiteral("strSetFileStepConfig");
    if (!DataManager->WriteLevelSensor37() || !DataManager->WriteLevelSensor38())
        return QStringLiteral("strSetFileStepLevels");
    if (!DataManager->WriteParamByte(22, r.PanelLED) || !DataManager->WriteParamWord(14, r.DeviceOptions)
        || !DataManager->WriteParamByte(19, r.MapRPMRange))
        return QStringLiteral("strSetFileStepOptions");
    if (auto *range = Named<QComboBox>(find, QStringLiteral("CmBCalMapRPMRange"));
        range && r.MapRPMRange < range->count()) {
        const QSignalBlocker block(range);
        range->setCurrentIndex(r.MapRPMRange);
    }
    // The corrections as the file holds them (the page's write would switch
    // the system-pressure curve on). The page says itself what it did not
    // write, and stays modified then.
    SetConfigModified(false);
    bool corrected = true;
    if (QObject *page = PageLogic("CorrectionsPage"))
        QMetaObject::invokeMethod(page, "WriteRecordCorrections", Q_RETURN_ARG(bool, corrected));
    keep();
    if (!corrected || !LinkReady() || ConfigModified())
        return QStringLiteral("strSetFileStepCorrections");
    // A device between the two letters holds the manifold-pressure curve
    // (the file's, or its own read before the load); the corrections page
    // sends it with the adaptation banks.
    if (DataManager->Kind48Holds(TFilePart::PcolCurve) && !DataManager->Kind48Holds(TFilePart::AdaptBanks)
        && !DataManager->WriteCorrections98())
        return QStringLiteral("strSetFileStepCorrections");
    if (!WriteLoadedNextInspection() || !LinkReady())
        return QStringLiteral("strSetFileStepInspection");
    if (DataManager->Kind48Holds(TFilePart::GasInjCorr) && load.HasGasInjCorr) {
        r.GasInjCorrTable = load.GasInjCorr;
        if (!DataManager->WriteGasInjTable())
            return QStringLiteral("strSetFileStepGasInj");
    }
    // A file without map points (saved from a device below "D") leaves the
    // device's map and its recorded points alone.
    if (DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("F")) && load.HasMapPoints) {
        if (read.RecordedPoints > 0) {
            if (!DataManager->ClearRecord198()) {
                if (Common)
                    Common->ShowInformation(TranslateKey(QStringLiteral("strMapClear")), QStringLiteral(" "));
            } else if (!DataManager->ClearMapDE(3)) {
                return QStringLiteral("strSetFileStepMap");
            }
        }
        for (int i = 0; i < TDeviceRecord::MapRowCount; ++i)
            r.MapRows[i][0] = load.MapWord0[i];
        if (!LinkReady() || !DataManager->WriteMapRowDF())
            return QStringLiteral("strSetFileStepMap");
    }
    keep();
    if (!WriteLoadedModel2(load))
        return QStringLiteral("strSetFileStepModel2");
    return QString();
}

// Model 2 with its settings as the file holds them: a restore gives the
// device back, so no working-pressure template goes over the file's
// system-pressure curve (written with the corrections), no correction is
// switched on, the option word (written with the options) and the
// adaptation switch are the file's. What the file does not hold stays as
// the device holds it: the adaptation template and the map type, the idle
// RPM and manifold pressure of an older file, the settings its version
// letter lacks (their bits in a byte it holds in part come from the device,
// read before the load). The idle model's switch went out whole with the
// configuration's flags of its byte (id 37). True when every frame went
// through.
bool TFormMain::WriteLoadedModel2(const TSettingsLoad &load)
{
    TDataManager &dm = *DataManager;
    const TDeviceRecord &r = DeviceRecord;
    auto byte = [&dm, &r](uint8_t id) {
        quint8 v = 0;
        return Parameter8Value(r, id, v) && dm.WriteParamByte(id, v);
    };
    bool ok = byte(30) && dm.WriteParamWord(8, r.IdleHotTb);
    if (ok && load.HoldsIdleHotRpm)
        ok = dm.WriteParamWord(17, r.IdleHotRPM);
    if (ok && load.HoldsIdleHotPcol)
        ok = byte(47);
    // The return-to-petrol switches with the adaptation switch.
    ok = ok && byte(31);
    // The idle correction: its switch (a bit of id 52, whose other bits the
    // configuration window leaves to this write) and its value.
    ok = ok && byte(52);
    if (ok && load.HoldsIdleCorrection)
        ok = dm.WriteParameter(83);
    ok = ok && dm.WriteParameter(1) && dm.WriteParameter(2);
    if (ok && load.HasModelPoints)
        ok = dm.WriteMapD5();
    ok = ok && dm.WriteModelBlockC1();
    return ok && LinkReady();
}
