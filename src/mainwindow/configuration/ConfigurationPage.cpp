#include "mainwindow/configuration/ConfigurationPage.h"

#include "core/SettingsFile.h"
#include "mainwindow/configuration/ModelPage.h"

#include "controls/ChangeHelper.h"
#include "controls/YEdit.h"
#include "core/ConfigurationByKind.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/NumberText.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "core/ui/TypedInput.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/TimerPause.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTimer>

#include <cmath>

const std::vector<int> TConfigurationPage::NomRpmValues = {
    56100, 37400, 28050, 22440, 18700, 16028, 14024, 12464, 11220, 10200, 9348, 8628, 8012, 7480};
const std::vector<int> TConfigurationPage::NomTredValues = {142, 127, 114, 100, 88, 77,
                                                            67,  58,  51,  44,  38};
const std::vector<int> TConfigurationPage::EmulatorSwitchDelayValues = {0,   100,  200,  300,  400,
                                                                        500, 1000, 1500, 2000, 2500};
const std::vector<int> TConfigurationPage::PostValveDelayValues = {
    50, 100, 150, 200, 250, 300, 350, 400, 450, 500, 1000, 2000, 3000, 4000, 5000, 10000, 25000, 50000, 65000};
const std::vector<int> TConfigurationPage::LowPressDelayValues = {1,  2,  3,  4,  5,  6,  7,  8,  9,
                                                                  10, 15, 20, 25, 30, 35, 40, 45, 50};
const std::vector<int> TConfigurationPage::LowPressTresholdValues = {38, 47, 57, 66, 76, 85, 94};
const std::vector<int> TConfigurationPage::MicroinjectionTimeValues = {
    19, 28, 37, 47, 56, 65, 75, 84, 94, 103, 112, 122, 131, 140, 150, 159, 168, 178, 187, 196, 206, 215, 224, 234, 243};
const std::vector<int> TConfigurationPage::NozleValues = {15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27,
                                                          28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40};

namespace {

bool ready() { return DataManager && !DataManager->IsDeviceNotReady(); }

bool kind2021() { return DataManager && (DataManager->IsDeviceType(20) || DataManager->IsDeviceType(21)); }

} // namespace

TConfigurationPage::TConfigurationPage(TFormMain &form, TProgramLogic *logic)
    : QObject(&form), FForm(form), FLogic(logic)
{
    setObjectName(QStringLiteral("ConfigurationPage"));
    // Its own sheet, then the pages whose controls it keeps in step: the
    // readings (cylinder bars, injector display), the wizard, the
    // calibration pages (default offsets, load panels, correction masks)
    // and the diagnostics (switch panels).
    SetPanels({form.OwnPanel("TbSConfig"), form.OwnPanel("TbSMeasure"), form.OwnPanel("TbSConfigurator"),
               form.OwnPanel("TbSCalibration"), form.OwnPanel("TbSDiagnostic")});
#define FIND(type, name) name = Find<type>(#name)
    FIND(QComboBox, CmbKnfInjCount);
    FIND(QComboBox, CmbKnfInjType);
    FIND(QComboBox, CmBKnfEngineType);
    FIND(QComboBox, CmBKnfInjSystemType);
    FIND(QComboBox, CmbKnfRedType);
    FIND(QComboBox, CmBKnfNozle);
    FIND(QComboBox, CmbKnfRPMSource);
    FIND(QComboBox, CmbKnfRPMSourceType);
    FIND(QComboBox, CmbKnfLevelSensorType);
    FIND(QComboBox, CmBKnfNomRPM);
    FIND(QComboBox, CmBKnfNomTred);
    FIND(QComboBox, CmbKnfEmulatorSwitchDelay);
    FIND(QComboBox, CmbKnfPostValveDelay);
    FIND(QComboBox, CmBKnfLambdaType);
    FIND(QComboBox, CmbKnfLowPressDelay);
    FIND(QComboBox, CmbKnfLowPressTreshold);
    FIND(QComboBox, CmbKnfMicroinjectionTime);
    FIND(QComboBox, CmBKnfPressureSensorType);
    FIND(QComboBox, CmbOdcInjDisplay);
    for (int k = 4; k <= 8; ++k)
        PnlSwitchCh[size_t(k - 4)] = Find<QWidget>(QStringLiteral("PnlSwitchCh%1").arg(k));
    FIND(QLineEdit, YEdKnfCubicCap);
    FIND(QLineEdit, YEdKnfPower);
    FIND(QLineEdit, EdtKnfIdleHotTb);
    FIND(QAbstractButton, RdBKnfLPG);
    FIND(QAbstractButton, RdBKnfCNG);
    FIND(QAbstractButton, ChBKnfLambda);
    FIND(QAbstractButton, ChBKnfNosequential);
    FIND(QAbstractButton, ChBKnfMicroInjection);
    FIND(QAbstractButton, ChBKnfSemiGasControl);
    FIND(QAbstractButton, ChBKnfHemiEngine);
    FIND(QAbstractButton, ChBKnfTuningMode);
    FIND(QAbstractButton, ChBKnfPetrolInjPlusControl);
    FIND(QAbstractButton, ChBKnfExternalEmulator);
    FIND(QAbstractButton, ChBKnfMasterMode);
    FIND(QAbstractButton, ChBKnfCAP_TIE_enable);
    FIND(QAbstractButton, ChBKnfAlwaysStartOnGas);
    FIND(QAbstractButton, ChBKnfRPMNotConnected);
    FIND(QAbstractButton, ChBConfCapTieEnabled);
    FIND(QWidget, BtnKnfLvSensorConfig);
    FIND(QWidget, LblKnfLambdaType);
    FIND(QWidget, PnlPostValveDelay);
    FIND(QWidget, PnlKnfMicroinjectionTime);
    FIND(QLabel, LblKnfSugNozle);
    FIND(QLabel, LblKnfPowerKM);
#undef FIND

    // Whole numbers only. No length limit: a longer device value must show
    // whole (and be refused on writing), not be cut. A decimal separator
    // stays in the text, so that a fraction is refused as one instead of
    // being read as another whole number ("8,5" is not 85).
    for (QLineEdit *edit : {YEdKnfCubicCap.data(), YEdKnfPower.data()})
        if (auto *y = qobject_cast<TYEdit *>(edit)) {
            y->SetEditCharsType(TYEdit::etInteger);
            y->SetEditAddValidChars(QStringLiteral(".,"));
        }

    // Only the user's own actions run the handlers: filling the page from
    // the device neither marks it nor talks to the device.
    auto onActivated = [this](QComboBox *combo, auto handler) {
        if (combo)
            connect(combo, &QComboBox::activated, this, handler);
    };
    auto onClicked = [this](QAbstractButton *button, auto handler) {
        if (button)
            connect(button, &QAbstractButton::clicked, this, handler);
    };
    onActivated(CmbKnfInjType, [this] { CmbKnfInjTypeChange(CmbKnfInjType); });
    onActivated(CmbKnfLevelSensorType, [this] { CmbKnfLevelSensorTypeChange(); });
    onActivated(CmBKnfPressureSensorType, [this] { CmBKnfPressureSensorTypeChange(CmBKnfPressureSensorType); });
    onActivated(CmbKnfInjCount, [this] { CmbKnfInjCountChange(); });
    onActivated(CmBKnfInjSystemType, [this] { CmBKnfInjSystemTypeChange(); });
    onActivated(CmbKnfRedType, [this] { CmbKnfRedTypeChange(CmbKnfRedType); });
    onClicked(ChBKnfRPMNotConnected, [this] { ChBKnfRPMNotConnectedClick(); });
    onClicked(ChBKnfExternalEmulator, [this] { ChBKnfExternalEmulatorClick(); });
    onClicked(ChBKnfMicroInjection, [this] { ChBKnfMicroInjectionClick(); });
    onClicked(ChBKnfLambda, [this] { ChBKnfLambdaClick(); });
    onClicked(RdBKnfLPG, [this] { RdBKnfLPGClick(); });
    onClicked(RdBKnfCNG, [this] { RdBKnfCNGClick(); });
    if (auto *b = Find<QAbstractButton>("BtnKnfLvSensorConfig"))
        connect(b, &QAbstractButton::clicked, this, [this] { BtnKnfLvSensorConfigClick(); });
    if (auto *b = Find<QAbstractButton>("BtnKnfCheckInjSystem"))
        connect(b, &QAbstractButton::clicked, this, [this] { BtnKnfCheckInjSystemClick(); });
    if (auto *b = Find<QAbstractButton>("BtnOdcSaveIdleHotTb"))
        connect(b, &QAbstractButton::clicked, this, [this] { BtnOdcSaveIdleHotTbClick(); });
    if (YEdKnfPower)
        connect(YEdKnfPower, &QLineEdit::textEdited, this, [this] { YEdKnfPowerChange(); });
    if (CmBKnfPressureSensorType)
        CmBKnfPressureSensorType->installEventFilter(this);
    // A user edit anywhere on the page marks it modified.
    if (FForm.ChangeHelper) {
        QWidget *page = Find<QWidget>("TbSConfig");
        connect(FForm.ChangeHelper, &TChangeHelper::OnModified, this, [this, page](QObject *sender) {
            auto *w = qobject_cast<QWidget *>(sender);
            if (page && w && page->isAncestorOf(w))
                FForm.SetConfigModified(true);
        });
    }
}

TConfigurationPage::~TConfigurationPage()
{
    if (FForm.ConfigurationPage == this)
        FForm.ConfigurationPage = nullptr;
}

QString TConfigurationPage::Tr(const char *key) const
{
    const QString k = QString::fromLatin1(key);
    return LM ? LM->Translate(k) : k;
}

bool TConfigurationPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == CmBKnfPressureSensorType && event->type() == QEvent::FocusIn)
        CmBKnfPressureSensorTypeChange(watched);
    return QObject::eventFilter(watched, event);
}

// ---- Helpers ----------------------------------------------------------------

int TConfigurationPage::IndexOfValue(const std::vector<int> &table, int value, int mask)
{
    for (size_t i = 0; i < table.size(); ++i)
        if ((table[i] & mask) == (value & mask))
            return static_cast<int>(i);
    return -1;
}

int TConfigurationPage::CylindersOfIndex(int index)
{
    static const int counts[5] = {3, 4, 5, 6, 8};
    return index >= 0 && index < 5 ? counts[index] : 0;
}

QString TConfigurationPage::DefaultOffsetText(int t)
{
    switch (t) {
    case 0: case 3: case 5: case 7: case 12: case 13: case 15: case 16: case 18: case 19: case 28:
        return QStringLiteral("(1,0)");
    case 1: case 2: case 4: case 9: case 11: case 14: case 17:
        return QStringLiteral("(2,0)");
    case 6:
        return QStringLiteral("(1,5)");
    case 8: case 10:
        return QStringLiteral("(2,5)");
    case 20: case 23: case 24:
        return QStringLiteral("(1,8)");
    case 21: case 22: case 29:
        return QStringLiteral("(1,1)");
    case 30: case 31:
        return QStringLiteral("(0,8)");
    default:
        return QStringLiteral("(-,-)");
    }
}

double TConfigurationPage::SuggestedNozzle(double powerKw, int cylinders, int injSystemIndex, bool cng)
{
    if (cylinders == 0)
        return 0.0;
    const double hp = powerKw * 1.3636363636;
    double d = 0.031 * hp / cylinders + 1.31;
    if (injSystemIndex == 2)
        d -= 0.1;
    else if (injSystemIndex == 3)
        d -= 0.2;
    if (cng)
        d += 0.1;
    return d;
}

int TConfigurationPage::Entry(QComboBox *list, const std::vector<int> &table, int current) const
{
    const int i = list ? list->currentIndex() : -1;
    return i >= 0 && i < int(table.size()) ? table[size_t(i)] : current;
}

void TConfigurationPage::SetIndex(QComboBox *list, int index)
{
    if (list)
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void TConfigurationPage::SetChecked(QAbstractButton *box, bool checked)
{
    if (box)
        box->setChecked(checked);
}

bool TConfigurationPage::CheckReady()
{
    if (ready())
        return true;
    // A locked device answers nothing but its lock state: say so.
    if (DataManager && DataManager->GetConnected() && DeviceRecord.LinkState != 0xF0 && Common)
        Common->ShowWarning(Tr("strConfDeviceLocked"), TCommon::ApplicationTitle());
    return false;
}

QWidget *TConfigurationPage::FindInvalidControl(QString &reason) const
{
    // The ranges are the device's (the settings file check uses the same).
    struct TCheck {
        QLineEdit *Edit;
        const char *Label;
        const char *Key;
        double Scale; // device units per shown unit
        bool Whole;
    };
    const TCheck checks[] = {
        {YEdKnfCubicCap, "labelKnfCubicCap", "EngineCubicCapacity", 1, true},
        {YEdKnfPower, "labelKnfPower", "Power", 1, true},
        {EdtKnfIdleHotTb, "labelKnfIdleHotTb", "IdleHotTb", 187, false},
    };
    for (const auto &c : checks) {
        if (!c.Edit)
            continue;
        qint64 low = 0, high = 0;
        TSettingsFile::DeviceRangeQ3(QString::fromLatin1(c.Key), low, high);
        const double min = low / c.Scale, max = high / c.Scale;
        const NumberText::TField field{min, max, c.Whole};
        double v = 0;
        const NumberText::TFault fault = NumberText::ReadTyped(c.Edit->text(), field, v);
        if (fault == NumberText::TFault::None)
            continue;
        const auto *label = Find<QLabel>(c.Label);
        reason = NumberText::Refusal(label ? label->text() : QString(), fault, field);
        return c.Edit;
    }
    return nullptr;
}

// ---- Read and write ------------------------------------------------------------

void TConfigurationPage::ReadConfiguration()
{
    if (!CheckReady())
        return;
    const TTimerPause pause(FForm);
    if (DevData && DevData->ReadDeviceModelData()) {
        UpdateCylinderCountControls(true);
        UpdateConfigurationControls();
        DataManager->ReadParameter8(22);
    } else {
        ClearKnfControls();
        FForm.ClearConfWizardControls();
    }
    FForm.SetConfigModified(false);
}

bool TConfigurationPage::WriteFits()
{
    // Nothing goes out while a control holds a value the device cannot take.
    QString reason;
    QWidget *bad = kind2021() ? FindInvalidControl(reason) : nullptr;
    if (!bad)
        return true;
    TypedInput::Refuse(bad, reason);
    return false;
}

bool TConfigurationPage::WriteConfiguration() { return WriteConfiguration(true); }

bool TConfigurationPage::WriteLoadedConfiguration() { return WriteConfiguration(false); }

bool TConfigurationPage::WriteConfiguration(bool readBack)
{
    if (!CheckReady())
        return false;
    const TTimerPause pause(FForm);
    auto &r = DeviceRecord;
    bool allWritten = true;
    if (kind2021()) {
        if (!WriteFits())
            return false;
        // Lists without selection send what the device holds.
        const int rpm = Entry(CmBKnfNomRPM, NomRpmValues, r.RPM) & 0xFFFF;
        const int t = Entry(CmBKnfNomTred, NomTredValues, r.T) & 0xFF;
        const int micro = Entry(CmbKnfMicroinjectionTime, MicroinjectionTimeValues, r.MicroInjectionTime) & 0xFF;
        const int countIndex = CmbKnfInjCount ? CmbKnfInjCount->currentIndex() : -1;
        if (countIndex >= 0) {
            const int n = SafeStrToInt(CmbKnfInjCount->currentText());
            r.InjectorMask = static_cast<quint8>(std::lround(std::pow(2.0, n) - 1));
        }
        const bool typeListed = CmbKnfInjType && CmbKnfInjType->currentIndex() >= 0;
        const int injType = typeListed ? CmbKnfInjType->currentData().toInt() : r.InjTypeName;
        const int level = CmbKnfLevelSensorType && CmbKnfLevelSensorType->currentIndex() >= 0
                              ? CmbKnfLevelSensorType->currentIndex()
                              : r.ReserveType;
        const int source = CmbKnfRPMSource && CmbKnfRPMSource->currentIndex() >= 0
                               ? CmbKnfRPMSource->currentIndex()
                               : r.RPMsource;
        const int engine = CmBKnfEngineType && CmBKnfEngineType->currentIndex() >= 0
                               ? CmBKnfEngineType->currentIndex()
                               : r.EngineType;
        const bool cng = !(RdBKnfLPG && RdBKnfLPG->isChecked());
        // A type the list does not show keeps the drive class the device holds.
        const int injClass = !typeListed ? r.InjType : FLogic ? FLogic->ReadDataGroup(injType) : 0;
        const int composite = (injClass & 3) | (level & 3) << 2 | (cng ? 1 : 0) << 4 | (source & 3) << 5
                              | (engine & 1) << 7;

        allWritten &= DataManager->WriteParamByte(2, static_cast<uint8_t>(injType));
        const bool block = DataManager->WriteConfigCmd04(static_cast<uint16_t>(rpm), static_cast<uint8_t>(t),
                                                         static_cast<uint8_t>(composite), r.InjectorMask);
        allWritten &= block;
        if (block) {
            r.T = static_cast<quint8>(t);
            r.RPM = static_cast<quint16>(rpm);
            if (countIndex >= 0)
                r.InjSW = static_cast<quint8>(CylindersOfIndex(countIndex));
            r.FuelType = cng ? 1 : 0;
            r.ReserveType = static_cast<quint8>(level);
            TProgramLogic::ShowControl(BtnKnfLvSensorConfig, level > 0, true);
        }
        UpdateCylinderCountControls(true);

        auto checked = [](QAbstractButton *b) -> uint8_t { return b && b->isChecked() ? 1 : 0; };
        auto index = [](QComboBox *c, int current) {
            return c && c->currentIndex() >= 0 ? c->currentIndex() : current;
        };
        auto w8 = [&](int id, int value) {
            allWritten &= DataManager->WriteParamByte(static_cast<uint8_t>(id), static_cast<uint8_t>(value));
        };
        auto w16 = [&](int id, int value) {
            allWritten &= DataManager->WriteParamWord(static_cast<uint8_t>(id), static_cast<uint16_t>(value));
        };
        w8(3, Entry(CmbKnfLowPressDelay, LowPressDelayValues, r.LowPD));
        w8(4, Entry(CmbKnfLowPressTreshold, LowPressTresholdValues, r.LowPT));
        w8(7, checked(ChBKnfNosequential));
        w8(16, checked(ChBKnfSemiGasControl));
        w8(17, checked(ChBKnfMicroInjection));
        w8(23, micro);
        w8(18, checked(ChBKnfHemiEngine));
        w8(21, checked(ChBKnfTuningMode));
        // Bit 0 of ids 5, 20 and 29 is the box's, the other bits go back as
        // the device holds them (read with the configuration).
        r.PetrolInjPlusControl = checked(ChBKnfPetrolInjPlusControl);
        w8(5, FlagsByteToWrite(r, 5));
        r.ExternalEmulator = checked(ChBKnfExternalEmulator);
        w8(20, FlagsByteToWrite(r, 20));
        // A probe type no item shows goes back as read; no probe is 0.
        w8(1, !checked(ChBKnfLambda)                                   ? 0
              : CmBKnfLambdaType && CmBKnfLambdaType->currentIndex() >= 0 ? CmBKnfLambdaType->currentIndex() + 1
                                                                          : r.LambdaType);
        // Checked above (WriteFits): whole numbers the device holds.
        auto typed = [](const QLineEdit *edit, int held) {
            double v = held;
            return edit && NumberText::ParseTyped(edit->text(), v) ? int(v) : held;
        };
        w16(7, typed(YEdKnfCubicCap, r.EngineCubicCapacity));
        w16(6, typed(YEdKnfPower, r.Power));
        w8(10, Entry(CmBKnfNozle, NozleValues, r.NozzleSize));
        w8(11, index(CmbKnfRedType, r.RedType));
        w8(12, index(CmBKnfInjSystemType, r.InjSystemType));
        w16(9, Entry(CmbKnfEmulatorSwitchDelay, EmulatorSwitchDelayValues, r.EmulatorSwitchDelay));
        // The shown time rounds the device's value: an unedited text sends
        // the value itself.
        if (EdtKnfIdleHotTb && EdtKnfIdleHotTb->text() != FormatTimeMs(r.IdleHotTb)) {
            double idle = 0;
            NumberText::ParseTyped(EdtKnfIdleHotTb->text(), idle);
            r.IdleHotTb = static_cast<quint16>(RoundClamped(idle * 187.0, 0, 65535));
        }
        w16(8, r.IdleHotTb);
        r.PostValveDelay = static_cast<quint16>(Entry(CmbKnfPostValveDelay, PostValveDelayValues, r.PostValveDelay));
        w16(10, r.PostValveDelay);
        w8(8, index(CmbKnfRPMSourceType, r.RPMSourceType));
        w8(27, checked(ChBKnfMasterMode));
        // A kind-20 hardware variant without a pressure sensor of its own
        // holds no such setting: nothing is sent for it.
        if (RecordHoldsPressureSensorType(r))
            w8(28, CmBKnfPressureSensorType && CmBKnfPressureSensorType->currentIndex() >= 0
                       ? CmBKnfPressureSensorType->currentIndex() + 1
                       : r.PressureSensorType);
        if (DataManager->IsDeviceVersionAtLeast(21, QStringLiteral("D"))) {
            r.AlwaysStartOnGas = checked(ChBKnfAlwaysStartOnGas);
            w8(29, FlagsByteToWrite(r, 29));
        }
        if (DataManager->IsDeviceVersionAtLeast(21, QStringLiteral("E")))
            w8(30, checked(ChBKnfRPMNotConnected));
    }
    if (readBack || !allWritten)
        ReadBackConfiguration(allWritten);
    return allWritten;
}

void TConfigurationPage::ReadBackConfiguration(bool written)
{
    // Read back what the device now holds.
    const bool readBack = DevData && DevData->ReadDeviceModelData();
    if (written && readBack) {
        UpdateConfigurationControls();
        FForm.SetConfigModified(false);
    } else {
        // The edits stay on the page, marked, for a second write (also
        // across the reconnection after a lost link).
        FForm.KeepConfigModified();
        if (Common)
            Common->ShowWarning(Tr("strConfWriteIncomplete"));
    }
}

// ---- Filling ----------------------------------------------------------------------

void TConfigurationPage::UpdateConfigurationControls()
{
    if (kind2021())
        FillKnfControls();
    else if (DataManager && DataManager->IsDeviceType(48) && UpdateKind48ConfigurationControls)
        UpdateKind48ConfigurationControls();
}

void TConfigurationPage::FillKnfControls()
{
    const auto &r = DeviceRecord;
    const int countIndex = r.InjSW == 3 ? 0 : r.InjSW == 4 ? 1 : r.InjSW == 5 ? 2 : r.InjSW == 6 ? 3
                           : r.InjSW == 8 ? 4 : -1;
    SetIndex(CmbKnfInjCount, countIndex);
    SetIndex(CmBKnfEngineType, r.EngineType);
    // The device's values replace a refused one: its mark goes with it.
    for (QLineEdit *edit : {YEdKnfCubicCap.data(), YEdKnfPower.data(), EdtKnfIdleHotTb.data()})
        TypedInput::ClearMark(edit);
    if (YEdKnfCubicCap)
        YEdKnfCubicCap->setText(QString::asprintf("%4d", r.EngineCubicCapacity).trimmed());
    if (YEdKnfPower)
        YEdKnfPower->setText(QString::asprintf("%3d", r.Power).trimmed());
    SetIndex(CmBKnfInjSystemType, r.InjSystemType);
    if (EdtKnfIdleHotTb)
        EdtKnfIdleHotTb->setText(FormatTimeMs(r.IdleHotTb));
    SetChecked(RdBKnfLPG, r.FuelType == 0);
    SetChecked(RdBKnfCNG, r.FuelType == 1);
    if (CmbKnfInjType)
        CmbKnfInjType->setCurrentIndex(CmbKnfInjType->findData(int(r.InjTypeName)));
    SetIndex(CmbKnfRedType, r.RedType);
    SetIndex(CmBKnfNozle, IndexOfValue(NozleValues, r.NozzleSize));
    SetIndex(CmbKnfRPMSource, r.RPMsource);
    SetIndex(CmbKnfRPMSourceType, r.RPMSourceType);
    SetIndex(CmbKnfLevelSensorType, r.ReserveType);
    TProgramLogic::ShowControl(BtnKnfLvSensorConfig, CmbKnfLevelSensorType && CmbKnfLevelSensorType->currentIndex() > 0,
                               true);
    SetIndex(CmBKnfNomRPM, IndexOfValue(NomRpmValues, r.RPM, 0x3FFF));
    SetIndex(CmBKnfNomTred, IndexOfValue(NomTredValues, r.T));
    SetIndex(CmbKnfEmulatorSwitchDelay, IndexOfValue(EmulatorSwitchDelayValues, r.EmulatorSwitchDelay));
    SetIndex(CmbKnfPostValveDelay, IndexOfValue(PostValveDelayValues, r.PostValveDelay));
    const bool lambda = r.LambdaType > 0;
    SetChecked(ChBKnfLambda, lambda);
    for (const char *name : {"LblKnfLambdaType", "CmBKnfLambdaType", "PnlOdcLambdaCenter", "PnlConfAutoLambda"})
        if (auto *w = Find<QWidget>(name))
            w->setVisible(lambda);
    SetIndex(CmBKnfLambdaType, r.LambdaType - 1);
    SetIndex(CmbKnfLowPressDelay, IndexOfValue(LowPressDelayValues, r.LowPD));
    SetIndex(CmbKnfLowPressTreshold, IndexOfValue(LowPressTresholdValues, r.LowPT));
    SetChecked(ChBKnfNosequential, r.NoSeqential);
    SetChecked(ChBKnfMicroInjection, r.MicroInjection);
    SetIndex(CmbKnfMicroinjectionTime, IndexOfValue(MicroinjectionTimeValues, r.MicroInjectionTime));
    SetChecked(ChBKnfSemiGasControl, r.SemiGasControl);
    SetChecked(ChBKnfHemiEngine, r.HemiEngine);
    SetChecked(ChBKnfTuningMode, r.TuningMode);
    SetChecked(ChBKnfPetrolInjPlusControl, r.PetrolInjPlusControl);
    SetChecked(ChBKnfExternalEmulator, r.ExternalEmulator);
    ChBKnfExternalEmulatorClick();
    ChBKnfMicroInjectionClick();
    SetChecked(ChBConfCapTieEnabled, r.CAP_TIE_enable);
    SetChecked(ChBKnfMasterMode, r.MasterMode);
    SetChecked(ChBKnfCAP_TIE_enable, r.CAP_TIE_enable);
    SetIndex(CmBKnfPressureSensorType, r.PressureSensorType - 1);
    SetChecked(ChBKnfAlwaysStartOnGas, r.AlwaysStartOnGas);
    SetChecked(ChBKnfRPMNotConnected, r.RPMWireNotConnect);
    ChBKnfRPMNotConnectedClick();
    CmBKnfPressureSensorTypeChange(nullptr);
    // The texts derived from the filled values.
    YEdKnfPowerChange();
    CmbKnfInjTypeChange(nullptr);
}

void TConfigurationPage::UpdateCylinderCountControls(bool resetInjectorDisplay)
{
    const auto &r = DeviceRecord;
    if (CmbKnfInjCount && r.InjHW != 0) {
        const int remembered = CmbKnfInjCount->currentIndex();
        QStringList items;
        if (r.InjHW == 4)
            items = {QStringLiteral("3"), QStringLiteral("4")};
        else if (r.InjHW == 6)
            items = {QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")};
        else if (r.InjHW == 8)
            items = {QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                     QStringLiteral("8")};
        CmbKnfInjCount->clear();
        CmbKnfInjCount->addItems(items);
        SetIndex(CmbKnfInjCount, remembered);
    }
    const int count = std::min<int>(r.InjSW, TDeviceRecord::ChannelCount);
    if (CmbOdcInjDisplay) {
        int keep = CmbOdcInjDisplay->currentIndex();
        if (keep < 0 || keep > count || resetInjectorDisplay)
            keep = 0;
        CmbOdcInjDisplay->clear();
        CmbOdcInjDisplay->addItem(Tr("strAvg"));
        for (int n = 1; n <= count; ++n)
            CmbOdcInjDisplay->addItem(Tr("strInj") + QLatin1Char(' ') + QString::number(n));
        CmbOdcInjDisplay->setCurrentIndex(keep);
        FForm.CmbOdcInjDisplayChange();
    }
    // One bar per cylinder on the readings page, one under the other over
    // the column's height. All sixteen bars are as wide as the gas column
    // less its load labels, the bar's left margin and 4; each load label
    // stands right after its bar. (The gas-correction labels have their own
    // column beside the gas column here, so they take nothing off the bars.)
    auto *area = Find<QWidget>("PnlOdcTinj1_3");
    const int h = count > 0 && area ? int(RoundClamped((area->height() - 5) / double(count) - 2.0, 1, 10000)) : 0;
    int barWidth = 0;
    if (auto *gas1 = Find<QWidget>(QStringLiteral("PrBOdcLPG1")); gas1 && gas1->parentWidget()) {
        auto *label1 = Find<QWidget>(QStringLiteral("LblOdcWskTg1"));
        barWidth = std::max(1, gas1->parentWidget()->width() - (label1 ? label1->width() : 0) - gas1->x() - 4);
    }
    int petrolY = -1, gasY = -1;
    for (int k = 1; k <= TDeviceRecord::ChannelCount; ++k) {
        const bool visible = k <= 3 ? count >= 3 : count >= k;
        auto place = [&](const QString &bar, const QString &label, int &y) {
            auto *b = Find<QWidget>(bar);
            auto *l = Find<QWidget>(label);
            if (!b)
                return;
            b->setVisible(visible);
            if (l)
                l->setVisible(visible);
            if (!visible || h == 0)
                return;
            if (y < 0)
                y = b->y();
            const int width = barWidth > 0 ? barWidth : b->width();
            b->setGeometry(b->x(), y, width, h);
            if (l)
                l->setGeometry(barWidth > 0 ? b->x() + width : l->x(), y, l->width(), h);
            y += h;
        };
        const int gasStart = gasY;
        place(QStringLiteral("PrBOdcPetrol%1").arg(k), QStringLiteral("LblOdcWskTb%1").arg(k), petrolY);
        place(QStringLiteral("PrBOdcLPG%1").arg(k), QStringLiteral("LblOdcWskTg%1").arg(k), gasY);
        if (auto *corr = Find<QWidget>(QStringLiteral("LblOdcGasInjCorr%1").arg(k))) {
            corr->setVisible(visible);
            if (visible && h > 0 && gasStart >= 0)
                corr->setGeometry(corr->x(), gasStart, corr->width(), h);
        }
    }
    for (int k = 3; k <= 8; ++k)
        for (const QString &name : {QStringLiteral("ChBModCorrectionMask%1").arg(k),
                                    QStringLiteral("ChBModel2CorrectionMask%1").arg(k)})
            if (auto *w = Find<QWidget>(name))
                w->setVisible(count >= k);
    for (int k = 4; k <= 8; ++k)
        if (QWidget *w = PnlSwitchCh[size_t(k - 4)])
            w->setVisible(count >= k);
}

void TConfigurationPage::ClearKnfControls()
{
    if (EdtKnfIdleHotTb)
        EdtKnfIdleHotTb->setText(FormatDecimals(0.0, 2));
    for (QComboBox *c : {CmbKnfInjType.data(), CmbKnfRedType.data(), CmBKnfNozle.data(), CmbKnfRPMSource.data(),
                         CmbKnfRPMSourceType.data(), CmbKnfLevelSensorType.data(), CmBKnfNomRPM.data(),
                         CmBKnfNomTred.data(), CmbKnfEmulatorSwitchDelay.data(), CmbKnfPostValveDelay.data(),
                         CmbKnfLowPressTreshold.data(), CmbKnfLowPressDelay.data(), CmBKnfLambdaType.data(),
                         CmbKnfMicroinjectionTime.data(), CmBKnfPressureSensorType.data()})
        SetIndex(c, -1);
    for (QAbstractButton *b : {ChBKnfNosequential.data(), ChBKnfLambda.data(), ChBKnfMicroInjection.data(),
                               ChBKnfSemiGasControl.data(), ChBKnfHemiEngine.data(), ChBKnfTuningMode.data(),
                               ChBKnfMasterMode.data(), ChBKnfPetrolInjPlusControl.data(),
                               ChBKnfExternalEmulator.data(), ChBKnfAlwaysStartOnGas.data()})
        SetChecked(b, false);
}

void TConfigurationPage::ClearConfWizardControls()
{
    auto *wizard = Find<QWidget>("PgCConfWizard");
    if (!wizard)
        return;
    for (QComboBox *c : wizard->findChildren<QComboBox *>())
        c->setCurrentIndex(-1);
    for (QCheckBox *b : wizard->findChildren<QCheckBox *>())
        b->setChecked(false);
    for (const char *name : {"MemConfSwitchDetails", "MemConfAdvDetails"})
        if (auto *memo = Find<QPlainTextEdit>(name))
            memo->clear();
}

// ---- Derived texts ------------------------------------------------------------------

void TConfigurationPage::YEdKnfPowerChange()
{
    ChangeEngineHorsePower(YEdKnfPower, LblKnfPowerKM);
}

void TConfigurationPage::ChangeEngineHorsePower(QLineEdit *power, QLabel *label)
{
    if (!power)
        return;
    if (label)
        label->setText(QStringLiteral("(%1%2)")
                           .arg(FormatDecimals(SafeStrToFloat(power->text()) * 1.3636363636, 1),
                                Tr("strUnitHP")));
    if (power == YEdKnfPower)
        UpdateSuggestedNozzle();
    else
        UpdateSuggestedNozzleOfWizard();
}

void TConfigurationPage::UpdateSuggestedNozzle()
{
    if (!LblKnfSugNozle)
        return;
    const double d = SuggestedNozzle(YEdKnfPower ? SafeStrToFloat(YEdKnfPower->text()) : 0.0,
                                     CylindersOfIndex(CmbKnfInjCount ? CmbKnfInjCount->currentIndex() : -1),
                                     CmBKnfInjSystemType ? CmBKnfInjSystemType->currentIndex() : -1,
                                     RdBKnfCNG && RdBKnfCNG->isChecked());
    LblKnfSugNozle->setText(FormatDecimals(d, 1) + QStringLiteral(" mm"));
}

void TConfigurationPage::UpdateSuggestedNozzleOfWizard()
{
    auto *label = Find<QLabel>("LblConfSugNozzle");
    if (!label)
        return;
    auto *power = Find<QLineEdit>("YEdConfPower");
    auto *count = Find<QComboBox>("CmBConfInjCount");
    auto *system = Find<QComboBox>("CmBConfInjSystemType");
    auto *cng = Find<QAbstractButton>("RdBConfFuelCNG");
    const double d = SuggestedNozzle(power ? SafeStrToFloat(power->text()) : 0.0,
                                     CylindersOfIndex(count ? count->currentIndex() : -1),
                                     system ? system->currentIndex() : -1, cng && cng->isChecked());
    label->setText(FormatDecimals(d, 1) + QStringLiteral(" mm"));
}

void TConfigurationPage::OrderLoadPanels()
{
    // Low, middle, high load from the left; the first sensor type the other way round.
    auto *low = Find<QWidget>("PnlCalLoadL");
    auto *mid = Find<QWidget>("PnlCalLoadM");
    auto *high = Find<QWidget>("PnlCalLoadH");
    if (!low || !mid || !high)
        return;
    QWidget *order[3] = {low, mid, high};
    if (DeviceRecord.PressureSensorType == 1)
        std::swap(order[0], order[2]);
    order[0]->move(35, order[0]->y());
    order[1]->move(order[0]->x() + order[0]->width(), order[1]->y());
    order[2]->move(order[1]->x() + order[1]->width(), order[2]->y());
}

void TConfigurationPage::UpdatePressureSensorInfo(QComboBox *sensorList, QCheckBox *adaptation)
{
    const bool selected = sensorList && sensorList->currentIndex() >= 0;
    const int code = selected ? (sensorList->currentData().toInt() & 127) : 0;
    if (auto *info = Find<QLabel>("LblOdcPressureSensorTypeInfo")) {
        if (kind2021()) {
            const int i = DeviceRecord.PressureSensorType - 1;
            info->setText(Tr("strPSTInfo") + QLatin1Char(' ')
                          + (CmBKnfPressureSensorType && i >= 0 ? CmBKnfPressureSensorType->itemText(i) : QString()));
        } else {
            static const char *const names[6] = {"", "PS-CC1", "PS-CC2", "PS-CCT3 / PS-CCT4",
                                                  "PS-CCT3 / PS-CCT4 + PPO", "PS-CCT3-250"};
            QString text = Tr("strPSTInfo");
            if (selected)
                text += QLatin1Char(' ') + QString::fromLatin1(code >= 1 && code <= 5 ? names[code] : "");
            info->setText(text);
        }
    }
    OrderLoadPanels();
    if (selected) {
        if (auto *tab = Find<QWidget>("TbSModel2Adaptation"))
            if (auto *pages = qobject_cast<QTabWidget *>(tab->parentWidget() ? tab->parentWidget()->parentWidget() : nullptr))
                pages->setTabVisible(pages->indexOf(tab), code != 1);
        if (adaptation) {
            if (code == 1)
                adaptation->setChecked(false);
            adaptation->setEnabled(code != 1);
        }
    }
}

// ---- Handlers ----------------------------------------------------------------------------

void TConfigurationPage::CmbKnfInjTypeChange(QObject *sender)
{
    const bool selected = CmbKnfInjType && CmbKnfInjType->currentIndex() >= 0;
    const int code = selected ? CmbKnfInjType->currentData().toInt() : -1;
    const QString text = DefaultOffsetText(selected ? code : -1);
    // The offset is a designed number: it follows the language shown.
    if (auto *l = Find<QLabel>("LblModDefaultOffset"))
        ShowDesignedText(l, "text", text);
    if (auto *l = Find<QLabel>("LblModel2DefaultOffset"))
        ShowDesignedText(l, "text", text);
    if (!sender)
        return;
    if (CheckFormPictureChange)
        CheckFormPictureChange(QStringLiteral("SpBtnPhotoInjector"));
    if (!ready())
        return;
    if (selected && code != DeviceRecord.InjTypeName && Common
        && Common->AskYesNo(Tr("strQuestInjChangeModel"), Tr("strQCaptInjChangeModel")) && WriteDefaultModel)
        WriteDefaultModel();
    FForm.SetConfigModified(true);
}

void TConfigurationPage::CmbKnfLevelSensorTypeChange()
{
    // Enabled again by a completed read or an accepted base block.
    TProgramLogic::ShowControl(BtnKnfLvSensorConfig,
                               CmbKnfLevelSensorType && CmbKnfLevelSensorType->currentIndex() > 0, false);
}

void TConfigurationPage::BtnKnfLvSensorConfigClick()
{
    if (!CheckReady())
        return;
    if (FForm.Timerek)
        FForm.Timerek->stop();
    if (OpenLevelSensorDialog)
        OpenLevelSensorDialog();
    if (FForm.Timerek)
        FForm.Timerek->start();
}

void TConfigurationPage::CmBKnfPressureSensorTypeChange(QObject *sender)
{
    if (kind2021())
        if (auto *info = Find<QLabel>("LblOdcPressureSensorTypeInfo")) {
            const int i = DeviceRecord.PressureSensorType - 1;
            info->setText(Tr("strPSTInfo") + QLatin1Char(' ')
                          + (CmBKnfPressureSensorType && i >= 0 ? CmBKnfPressureSensorType->itemText(i) : QString()));
        }
    OrderLoadPanels();
    const int index = CmBKnfPressureSensorType ? CmBKnfPressureSensorType->currentIndex() : -1;
    if (ChBKnfRPMNotConnected) {
        if (index == 0)
            ChBKnfRPMNotConnected->setChecked(false);
        ChBKnfRPMNotConnected->setEnabled(index != 0);
    }
    ChBKnfRPMNotConnectedClick();
    if (sender && CheckFormPictureChange)
        CheckFormPictureChange(QStringLiteral("SpBtnPhotoPressSens"));
}

void TConfigurationPage::ChBKnfRPMNotConnectedClick()
{
    if (!DataManager || DataManager->IsDeviceType(20) || DataManager->IsDeviceVersionBelow(21, QStringLiteral("E")))
        return;
    if (!CmbKnfRPMSourceType)
        return;
    if (ChBKnfRPMNotConnected && ChBKnfRPMNotConnected->isChecked()) {
        CmbKnfRPMSourceType->setCurrentIndex(0);
        CmbKnfRPMSourceType->setEnabled(false);
    } else {
        CmbKnfRPMSourceType->setEnabled(true);
    }
}

void TConfigurationPage::ChBKnfExternalEmulatorClick()
{
    if (PnlPostValveDelay)
        PnlPostValveDelay->setVisible(!(ChBKnfExternalEmulator && ChBKnfExternalEmulator->isChecked()));
}

void TConfigurationPage::ChBKnfMicroInjectionClick()
{
    if (PnlKnfMicroinjectionTime)
        PnlKnfMicroinjectionTime->setVisible(ChBKnfMicroInjection && ChBKnfMicroInjection->isChecked());
}

void TConfigurationPage::ChBKnfLambdaClick()
{
    const bool on = ChBKnfLambda && ChBKnfLambda->isChecked();
    for (const char *name : {"LblKnfLambdaType", "CmBKnfLambdaType", "PnlModLambda", "PnlOdcLambdaCenter"})
        if (auto *w = Find<QWidget>(name))
            w->setVisible(on);
    if (auto *pcol = Find<QWidget>("PnlModPcol"))
        if (auto *lambda = Find<QWidget>("PnlModLambda"))
            pcol->setVisible(lambda->isHidden());
    SetIndex(CmBKnfLambdaType, on ? 0 : -1);
}

void TConfigurationPage::CmbKnfInjCountChange() { UpdateSuggestedNozzle(); }
void TConfigurationPage::RdBKnfLPGClick() { UpdateSuggestedNozzle(); }
void TConfigurationPage::RdBKnfCNGClick() { UpdateSuggestedNozzle(); }
void TConfigurationPage::CmBKnfInjSystemTypeChange() { UpdateSuggestedNozzle(); }

void TConfigurationPage::BtnKnfCheckInjSystemClick()
{
    if (FLogic)
        FLogic->FormatInjectionTimes(Find<QWidget>("LblSysWtry"), Find<QWidget>("LblSysWtry2"),
                                     CmBKnfInjSystemType);
    UpdateSuggestedNozzle();
}

void TConfigurationPage::BtnOdcSaveIdleHotTbClick()
{
    if (!FLogic || !EdtKnfIdleHotTb)
        return;
    QString text = EdtKnfIdleHotTb->text();
    FLogic->MeasureIdleHotTb(true, text);
    EdtKnfIdleHotTb->setText(text);
}

void TConfigurationPage::CmbKnfRedTypeChange(QObject *sender)
{
    if (sender && CheckFormPictureChange)
        CheckFormPictureChange(QStringLiteral("SpBtnPhotoReductor"));
}

// ---- Wiring -------------------------------------------------------------------------------

TConfigurationPage *InstallConfigurationPage(TFormMain &form, TProgramLogic &logic)
{
    auto *page = new TConfigurationPage(form, &logic);
    form.ConfigurationPage = page;
    // A new injector type: the model page's default model, written.
    page->WriteDefaultModel = [&form] {
        if (auto *model = form.PageLogic<TModelPage>("ModelPage")) {
            model->BtBModDefaultClick();
            model->BtBModWriteClick();
        }
    };
    logic.SetPanel(form.OwnPanel("TbSConfigurator"));
    logic.WizardFillers.Based = [&form] { form.FillConfBasedPage(); };
    logic.WizardFillers.Switching = [&form] { form.FillConfSwitchingPage(); };
    logic.WizardFillers.Advanced = [&form] { form.FillConfAdvancedPage(); };
    logic.WizardFillers.AutoCal = [&form](int step) { form.UpdateConfAutoCalPage(step != 0); };
    logic.WizardFillers.Finish = [&form](bool full) {
        if (form.ReadingsServices.FillConfFinishPage)
            form.ReadingsServices.FillConfFinishPage(full);
    };
    form.Services.FillEditionLists = [page] {
        TProgramLogic::FillListA(page->Control<QComboBox>("CmBConfPressSensType"));
        TProgramLogic::FillListB(page->Control<QComboBox>("CmbKnfInjType"));
        TProgramLogic::FillListB(page->Control<QComboBox>("CmBConfInjType"));
    };
    SetConfigurationWriteActions([page] { return page->WriteConfiguration(); },
                                 [&form] { return form.WriteConfWizardConfiguration(); });
    if (DataManager)
        DataManager->OnClearLogicState = [&logic] { logic.ClearState(); };
    form.ReadingsServices.IsBusy = [&logic] { return logic.IsBusy(); };
    form.Services.SetCalibrationActive = [&logic](bool active) { logic.SetActive(active); };
    return page;
}
