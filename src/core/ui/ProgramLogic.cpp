#include "core/ui/ProgramLogic.h"

#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QTabWidget>
#include <QWidget>

#include <algorithm>
#include <cmath>

TProgramLogic *ProgramLogic = nullptr;

const std::array<int, 20> TProgramLogic::WorkPressures = {
    29, 38, 47, 57, 66, 76, 85, 94, 104, 113, 123, 132, 141, 151, 160, 170, 179, 188, 198, 207};
const std::array<int, 20> TProgramLogic::PsysTemplate = {
    102, 80, 60, 47, 33, 23, 15, 9, 0, -6, -10, -12, -16, -18, -22, -24, -26, -28, -31, -32};
const std::array<int, 20> TProgramLogic::TgasStandard = {
    -14, -12, -10, -9, -8, -5, -4, -2, -1, 0, 1, 1, 1, 2, 2, 2, 3, 3, 4, 5};
const std::array<int, 20> TProgramLogic::TgasSmall = {
    -6, -6, -5, -5, -4, -4, -3, -3, -2, -1, 0, 1, 1, 2, 2, 2, 3, 3, 4, 5};
const std::array<int, 20> TProgramLogic::TgasBig = {
    -14, -12, -10, -9, -8, -5, -4, -2, -1, 0, 0, 2, 3, 4, 6, 8, 10, 12, 14, 15};
const std::array<int, 20> TProgramLogic::TgasStandardAlt = {
    -6, -6, -5, -5, -4, -4, -3, -3, -2, -1, 0, 2, 3, 4, 6, 8, 10, 12, 14, 15};
const std::array<int, 20> TProgramLogic::RpmPreset2 = {
    0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 8, 10, 11, 12, 13, 14, 15, 16, 17};
const std::array<int, 20> TProgramLogic::RpmPreset3 = {
    0, 0, 0, 0, 0, 0, 1, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8};
const std::array<int, 20> TProgramLogic::RpmPreset4 = {
    0, 0, 0, 0, 0, 0, 1, 3, 4, 5, 6, 9, 11, 12, 13, 15, 18, 20, 23, 25};

namespace {

struct THourglass {
    THourglass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QGuiApplication::restoreOverrideCursor(); }
    THourglass(const THourglass &) = delete;
    THourglass &operator=(const THourglass &) = delete;
};

bool ready() { return DataManager && !DataManager->IsDeviceNotReady(); }

void copyCurve(std::array<qint8, 20> &target, const std::array<int, 20> &source)
{
    for (size_t i = 0; i < target.size(); ++i)
        target[i] = static_cast<qint8>(source[i]);
}

QString comboText(const QComboBox *c) { return c ? c->currentText() : QString(); }

} // namespace

TProgramLogic::TProgramLogic(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ProgramLogic"));
    Wait = [](int milliseconds) {
        if (Common)
            Common->WaitWithForm(milliseconds, false, true);
    };
}

TProgramLogic::~TProgramLogic()
{
    if (ProgramLogic == this)
        ProgramLogic = nullptr;
}

QString TProgramLogic::Tr(const char *key)
{
    const QString k = QString::fromLatin1(key);
    return LM ? LM->Translate(k) : k;
}

QString TProgramLogic::Text(const char *name) const
{
    QObject *o = Control<QObject>(name);
    if (auto *combo = qobject_cast<QComboBox *>(o))
        return comboText(combo);
    if (auto *label = qobject_cast<QLabel *>(o))
        return label->text();
    return o ? o->property("text").toString() : QString();
}

bool TProgramLogic::Checked(const char *name) const
{
    auto *box = Control<QAbstractButton>(name);
    return box && box->isChecked();
}

// ---- Wizard pages, level and options ----------------------------------------

void TProgramLogic::RefreshConfigPage()
{
    if (DevData)
        DevData->ReadDeviceModelData();
    if (WizardFillers.Based)
        WizardFillers.Based();
}

void TProgramLogic::RefreshConfigPage2()
{
    if (DevData)
        DevData->ReadDeviceModelData();
    if (WizardFillers.Switching)
        WizardFillers.Switching();
}

void TProgramLogic::RefreshConfigPage3()
{
    if (DevData)
        DevData->ReadDeviceModelData();
    if (WizardFillers.Advanced)
        WizardFillers.Advanced();
}

void TProgramLogic::RefreshConfigPage4()
{
    if (DevData)
        DevData->ReadDeviceModelData();
    if (WizardFillers.AutoCal)
        WizardFillers.AutoCal(1);
}

void TProgramLogic::RefreshConfigPage5()
{
    if (DevData)
        DevData->ReadDeviceModelData();
    if (WizardFillers.Finish)
        WizardFillers.Finish(true);
}

void TProgramLogic::SetLevel(int level)
{
    FLevel = level;
    auto *pages = Control<QTabWidget>("PgCConfWizard");
    if (!pages)
        return;
    for (int i = 1; i < pages->count(); ++i)
        pages->setTabVisible(i, i <= level);
}

bool TProgramLogic::IsOptionActive()
{
    const int options = DeviceRecord.DeviceOptions;
    SetLevel(6);
    return (options & 2) != 0 && (options & 4) == 0;
}

bool TProgramLogic::UpdateOptionFlags()
{
    int options = DeviceRecord.DeviceOptions;
    if (FLevel >= 4)
        options |= 1;
    if (FLevel > 4)
        options |= 2;
    // Only the word sent carries the level's bits: the record keeps its own
    // word, which a write the device took would otherwise follow.
    const quint16 kept = DeviceRecord.DeviceOptions;
    const bool written = DataManager && DataManager->WriteParamWord(14, static_cast<uint16_t>(options));
    DeviceRecord.DeviceOptions = kept;
    return written;
}

bool TProgramLogic::SetWorkType(int type)
{
    return DataManager && DataManager->SetWorkType(static_cast<uint8_t>(type));
}

bool TProgramLogic::IsBusy() const
{
    if (!FActive || !DataManager)
        return false;
    const int w = DataManager->WorkType;
    return w == 3 || w == 6 || w == 7;
}

void TProgramLogic::ClearState()
{
    FLevel = 0;
    FActive = false;
}

void TProgramLogic::ShowControl(QWidget *control, bool visible, bool enabled)
{
    if (!control)
        return;
    control->setVisible(visible);
    control->setEnabled(enabled);
}

void TProgramLogic::MoveComponent(QWidget *newOwner, QWidget *component)
{
    if (!newOwner || !component)
        return;
    const QRect geometry = component->geometry();
    component->setParent(newOwner);
    component->setGeometry(geometry);
    component->show();
}

// ---- Injector order ---------------------------------------------------------

void TProgramLogic::FormatInjectionTimes(QWidget *label1, QWidget *label2, QComboBox *list)
{
    if (!ready())
        return;
    auto setText = [](QWidget *w, const QString &text) {
        if (auto *label = qobject_cast<QLabel *>(w))
            label->setText(text);
    };
    if (DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("F"))) {
        const int index = DataManager->ReadValue16(38) >> 8;
        if (list)
            list->setCurrentIndex(index < list->count() ? index : -1);
        return;
    }
    auto nibbles = [](quint16 v) {
        return std::array<int, 4>{v & 15, (v >> 4) & 15, (v >> 8) & 15, (v >> 12) & 15};
    };
    auto show = [&](QWidget *label, const std::array<int, 4> &n) {
        setText(label, QString::asprintf("Inj= %d, %d, %d, %d", n[0], n[1], n[2], n[3]));
    };
    DataManager->ReadInjCounter3B(1);
    std::array<int, 8> seq{};
    const auto first = nibbles(DeviceRecord.InjCounter1);
    show(label1, first);
    std::copy(first.begin(), first.end(), seq.begin());
    const int count = std::min<int>(DeviceRecord.InjSW, 8);
    if (DeviceRecord.InjSW > 4) {
        DataManager->ReadInjCounter3B(2);
        const auto second = nibbles(DeviceRecord.InjCounter2);
        show(label2, second);
        std::copy(second.begin(), second.end(), seq.begin() + 4);
    }
    int item = 0;
    if (count > 0) {
        const auto [lo, hi] = std::minmax_element(seq.begin(), seq.begin() + count);
        if (*hi == count && *lo == 1)
            item = 1;
        else if (*hi == count / 2 && *lo == 1)
            item = 2;
        else if (*hi == 1 && *lo == 1)
            item = 3;
    }
    if (list)
        list->setCurrentIndex(item < list->count() ? item : -1);
}

// ---- Summaries --------------------------------------------------------------

QString TProgramLogic::GetEngineSummary() const
{
    const auto &r = DeviceRecord;
    const QString fuel = r.FuelType == 0 ? Tr("strConfFuelLPG")
                         : r.FuelType == 1 ? Tr("strConfFuelCNG")
                                           : QString();
    QString s;
    s += Tr("strConfEngine") + QStringLiteral("\r\n");
    s += QStringLiteral("%1: %2\r\n").arg(Tr("strConfFuel"), fuel);
    s += QStringLiteral("%1: %2\r\n").arg(Tr("strConfInjCount")).arg(r.InjSW);
    s += QStringLiteral("%1: %2%3\r\n").arg(Tr("strConfCubicCap")).arg(r.EngineCubicCapacity).arg(Tr("strUnitCC"));
    s += QStringLiteral("%1: %2\r\n").arg(Tr("strConfInjSysType"), Text("CmBConfInjSystemType"));
    s += QStringLiteral("%1: %2\r\n").arg(Tr("strConfEngineType"), Text("CmBConfEngineType"));
    s += QStringLiteral("%1: %2%3 (%4%5)\r\n")
             .arg(Tr("strConfEnginePower"))
             .arg(r.Power)
             .arg(Tr("strUnitKW"), FormatDecimals(r.Power * 15.0 / 11.0, 1), Tr("strUnitHP"));
    s += QStringLiteral("%1: %2%3\r\n").arg(Tr("strConfNozzles"), Text("CmBConfNozzles"), Tr("strUnitMM"));
    return s;
}

QString TProgramLogic::GetInstallationSummary() const
{
    auto line = [](const QString &label, const QString &value) {
        return QStringLiteral("%1: %2\r\n").arg(label, value);
    };
    QString s = Tr("strConfInstallation") + QStringLiteral("\r\n");
    s += line(Tr("strConfGasInj"), Text("CmBConfInjType"));
    s += line(Tr("strConfPressSensType"), Text("CmBConfPressSensType"));
    s += line(Tr("strConfReducerType"), Text("CmBConfRedType"));
    if (Checked("ChBConfPressSensInFlow"))
        s += Tr("strConfSensInFlow") + QStringLiteral("\r\n");
    s += line(Tr("strConfGasSensType"), Text("CmBConfLevSensType"));
    if (Checked("ChBConfRPMNotConnected")) {
        s += Tr("strConfRPMNotConnected") + QStringLiteral("\r\n");
    } else {
        s += line(Tr("strConfRPMSourceType"), Text("CmBConfRPMSourceType"));
        s += line(Tr("strConfRPMSource"), Text("CmBConfRPMSource"));
    }
    s += line(Tr("strConfWorkPressure"), Text("CmBConfWorkPressure") + Tr("strUnitBar"));
    const double idle = DevData ? DevData->GetIdleHotTb() : DeviceRecord.IdleHotTb / 187.0;
    s += line(Tr("strConfIdleHotTb"), FormatDecimals(idle, 1) + Tr("strUnitMSec"));
    if (DeviceRecord.LambdaType >= 1)
        s += line(Tr("strConfLambdaType"), Text("CmBConfLambdaType"));
    return s;
}

QString TProgramLogic::GetSwitchingSummary() const
{
    const QString nl = QStringLiteral("\r\n");
    // "%s %s%s\r\n"
    auto valueLine = [&](const QString &label, const QString &value, const QString &unit) {
        return label + QLatin1Char(' ') + value + unit + nl;
    };
    // "%s %s%s %s %s%%\r\n"
    auto loadLine = [&](const QString &label, const QString &value, const QString &unit,
                        const QString &load) {
        return label + QLatin1Char(' ') + value + unit + QLatin1Char(' ') + Tr("strConfAndLoadRetPetrol")
               + QLatin1Char(' ') + load + QStringLiteral("%") + nl;
    };
    QString s = Tr("strConfSwitching") + nl;
    s += Tr("strConfSwToGas") + nl;
    s += valueLine(Tr("strConfGasSwitchTemp"),
                   FormatDecimals(RawToTemperature(DeviceRecord.T), 1), Tr("strUnitTemp"));
    s += valueLine(Tr("strConfGasSwitchRPM"), Text("CmBConfNomRPM"), Tr("strUnitRPM"));
    s += valueLine(Tr("strConfGasSwitchEmul"), Text("CmBConfEmulatorSwitchDelay"), Tr("strUnitSecShort"));
    if (Checked("ChBConfGasInjectorsHeating"))
        s += valueLine(Tr("strConfGasInjectorsHeating"), Text("CmBConfMinTredForGasInjctorsHeatingProcess"),
                       Tr("strUnitTemp"));
    if (Checked("ChBConfFuelOverlap"))
        // "%s %s%s, %s%s\r\n"
        s += Tr("strConfFuelOverlap") + QLatin1Char(' ') + Text("CmBConfFuelOverlapTime") + Tr("strUnitMSec")
             + QStringLiteral(", ") + Text("CmBConfFuelOverlapCycles") + Tr("strUnitCycles") + nl;
    s += Tr("strConfSwToPetrol") + nl;
    s += Tr("strConfSwPLowPressure") + QLatin1Char(' ') + Text("CmBConfLowPressThreshold") + Tr("strUnitBar")
         + QStringLiteral(", ") + Tr("strConfSwPLowTime") + QLatin1Char(' ') + Text("CmBConfLowPressDelay")
         + Tr("strUnitSecShort") + nl;
    if (Checked("ChBConfCutOffModeReturnToPetrol"))
        s += Tr("strConfPetrolGasAuto") + nl;
    if (Checked("ChBConfTuningMode"))
        s += Tr("strConfTuningMode") + nl;
    if (Checked("ChBConfLowRPMReturnToPetrol"))
        s += valueLine(Tr("strConfLowRPMRetPetrol"), Text("CmBConfLowRPMReturnToPetrol"), Tr("strUnitRPM"));
    if (Checked("ChBConfHighRPMReturnToPetrol"))
        s += valueLine(Tr("strConfHighRPMRetPetrol"), Text("CmBConfHighRPMReturnToPetrol"), Tr("strUnitRPM"));
    if (Checked("ChBConfHighLoadReturnToPetrol"))
        // "%s %s\r\n"
        s += Tr("strConfHighLoadRetPetrol") + QLatin1Char(' ') + Text("CmBConfHighLoadReturnToPetrol") + nl;
    if (Checked("ChBConfLowTgasReturnToPetrol"))
        s += loadLine(Tr("strConfLowTgasHighLoadRetPetrol"), Text("CmBConfLowTgasReturnToPetrol"),
                      Tr("strUnitTemp"), Text("CmBConfHighLoadPetrolForTgasReturnToPetrol"));
    if (Checked("ChBConfLowTredAndHighLoadReturnToPetrol"))
        s += loadLine(Tr("strConfLowTredHighLoadRetPetrol"), Text("CmBConfLowTredForTredLoadReturnToPetrol"),
                      Tr("strUnitTemp"), Text("CmBConfHighLoadPetrolForTredReturnToPetrol"));
    return s;
}

// ---- Corrections ----------------------------------------------------------------

void TProgramLogic::UpdateGasTempCorrection(int preset, bool ask)
{
    auto &r = DeviceRecord;
    if (DataManager && DataManager->Kind48Holds(kind48::TFilePart::CorrectionTypes)) {
        if (ask && !(Common && Common->AskYesNo(Tr("strQCorrTgasChange") + QLatin1Char(' ')
                                                + Tr("strQCorrTgasChangeRes"))))
            return; // the user keeps the curve in use
        r.TgasCorType = preset == 1 ? 2 : 3;
        DataManager->WriteParamByte(45, r.TgasCorType);
    }
    if (preset != 1)
        copyCurve(r.TgasCorrections, TgasSmall);
    else
        copyCurve(r.TgasCorrections, r.IdentityPage4 == 19 ? TgasStandardAlt : TgasStandard);
    if (DataManager)
        DataManager->WriteCorrectionsD3();
}

void TProgramLogic::SelectWorkPressure(bool write)
{
    auto &r = DeviceRecord;
    const auto it = std::find(WorkPressures.begin(), WorkPressures.end(), int(r.WorkPress));
    const int k = it == WorkPressures.end() ? 21 : int(it - WorkPressures.begin()) + 1;
    for (int j = 1; j <= 20; ++j) {
        int source = j + 9 - k;
        source = k < 9 ? std::min(source, 20) : std::max(source, 1);
        r.PsysCorrections[j - 1] = static_cast<qint8>(PsysTemplate[source - 1]);
    }
    if (write && DataManager)
        DataManager->WriteCorrectionsD1();
}

void TProgramLogic::BuildCorrectionTableA(int preset, bool write)
{
    auto &r = DeviceRecord;
    bool on = false;
    switch (preset) {
    case 1:
        r.TgasCorrections.fill(0);
        break;
    case 2: copyCurve(r.TgasCorrections, TgasStandard); on = true; break;
    case 3: copyCurve(r.TgasCorrections, TgasSmall); on = true; break;
    case 4: copyCurve(r.TgasCorrections, TgasBig); on = true; break;
    default: break;
    }
    if (write) {
        r.CMActive = static_cast<quint8>(on ? (r.CMActive | 2) : (r.CMActive & ~2));
        if (DataManager)
            DataManager->WriteParameter(74);
    }
}

void TProgramLogic::BuildCorrectionTableB(int preset, bool write)
{
    auto &r = DeviceRecord;
    bool on = false;
    switch (preset) {
    case 1:
        r.RpmCorrections.fill(0);
        break;
    case 2: copyCurve(r.RpmCorrections, RpmPreset2); on = true; break;
    case 3: copyCurve(r.RpmCorrections, RpmPreset3); on = true; break;
    case 4: copyCurve(r.RpmCorrections, RpmPreset4); on = true; break;
    default: break;
    }
    if (write) {
        r.CMActive = static_cast<quint8>(on ? (r.CMActive | 4) : (r.CMActive & ~4));
        if (DataManager)
            DataManager->WriteParameter(74);
    }
}

// ---- Hot idle time ------------------------------------------------------------------

bool TProgramLogic::MeasureIdleHotTb(bool ask, QString &text)
{
    if (!ready())
        return false;
    const THourglass hourglass;
    DataManager->SetWorkType(5);
    auto measure = [&] {
        if (ask && !(Common && Common->AskYesNo(Tr("strContinueNow") + QLatin1Char(' ') + Tr("strSaveTb"),
                                                Tr("strContinue"))))
            return;
        if (RawToTemperature(DeviceRecord.ReducerTempRaw) < 50.0) {
            if (Common)
                Common->ShowWarning(Tr("strTredLow") + QLatin1Char(' ') + Tr("strNoSaveTryAgain"),
                                    TCommon::ApplicationTitle());
            return;
        }
        if (Wait)
            Wait(2000);
        DataManager->PollGroup(TDataManager::pgLive, false);
        const double cut = std::trunc(GetAverageInjectionTime() * 10.0) / 10.0;
        DeviceRecord.IdleHotTb = static_cast<quint16>(RoundClamped(cut * 187.0, 0, 65535));
        text = FormatFloat2(cut);
    };
    measure();
    return DataManager->GetConnected();
}

// ---- Injector types --------------------------------------------------------------------

int TProgramLogic::DriveProfile(int t)
{
    switch (t) {
    case 0: return 11;
    case 1: return 19;
    case 2: return 7;
    case 3: return 1;
    case 5: case 31: return 10;
    case 7: return 13;
    case 11: return 4;
    case 12: return 9;
    case 13: return 6;
    case 16: return 14;
    case 18: return 15;
    case 19: return 16;
    case 21: return 2;
    case 22: return 3;
    case 23: return 5;
    case 24: return 8;
    case 28: return 12;
    case 29: return 17;
    case 30: return 18;
    default: return 0;
    }
}

int TProgramLogic::ReadDataGroup(int injectorType)
{
    if (const int profile = DriveProfile(injectorType)) {
        if (DataManager)
            DataManager->WriteInjControl15(profile);
        return 3;
    }
    switch (injectorType) {
    case 4: case 8: case 9: case 10: case 14: case 17:
        return 2;
    case 6:
        return 1;
    default:
        return 0;
    }
}

double TProgramLogic::GetDefaultFactor(int t)
{
    switch (t) {
    case 21: case 22: case 29: case 30: return 1.1;
    case 0: case 19: case 28: return 0.3;
    case 5: case 12: case 13: case 15: case 16: case 18: case 31: return 0.8;
    case 2: case 10: return 1.7;
    case 4: case 8: case 9: case 11: case 14: case 17: return 1.5;
    case 1: case 6: case 23: case 24: return 0.9;
    case 7: return 0.7;
    default: return 1.0;
    }
}

void TProgramLogic::FillListA(QComboBox *list)
{
    if (!list)
        return;
    list->clear();
    if (CustomParameters)
        for (uint8_t code : CustomParameters->PressureSensors())
            list->addItem(TCustomParameters::PressureSensorName(code), int(code));
}

void TProgramLogic::FillListB(QComboBox *list)
{
    if (!list)
        return;
    list->clear();
    if (CustomParameters)
        for (uint8_t code : CustomParameters->InjectorTypes())
            list->addItem(TCustomParameters::InjectorTypeName(code), int(code));
}
