#include "mainwindow/configuration/DefaultConfiguration.h"

#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/TimerPause.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace {

QString translated(const char *key)
{
    const QString k = QString::fromLatin1(key);
    return LM ? LM->Translate(k) : k;
}

} // namespace

const std::vector<TDefaultConfiguration::TVariable> &TDefaultConfiguration::Variables()
{
    // Three blocks of twelve bytes (36, 48, 60), then the single values.
    static const std::vector<TVariable> list = {
        {36, true, 561},    {38, false, 37},  {39, false, 15},  {40, false, 0},   {41, false, 0},
        {42, true, 19800},  {44, false, 0},   {45, false, 255}, {46, true, 374},  {48, true, 935},
        {50, false, 37},    {51, false, 22},  {52, false, 0},   {53, false, 0},   {54, true, 21063},
        {56, false, 0},     {57, false, 255}, {58, true, 374},  {60, true, 935},  {62, false, 50},
        {63, false, 20},    {64, false, 0},   {65, false, 0},   {66, true, 21064}, {68, false, 0},
        {69, false, 255},   {70, true, 374},  {100, false, 200}, {101, false, 143}, {102, false, 92},
        {103, false, 40},   {104, false, 21}, {105, false, 47}, {106, false, 61}, {107, false, 72},
        {114, true, 512},   {116, true, 512}, {118, true, 1000}, {120, true, 0},  {122, false, 1},
    };
    return list;
}

TDefaultConfiguration::TDefaultConfiguration(TFormMain &form) : QObject(&form), FForm(form)
{
    setObjectName(QStringLiteral("DefaultConfiguration"));
    // The factory state goes onto the configuration and model pages.
    SetPanels({form.OwnPanel("TbSConfig"), form.OwnPanel("TbSCalModel")});
}

TDefaultConfiguration *TDefaultConfiguration::Install(TFormMain &form)
{
    auto *defaults = new TDefaultConfiguration(form);
    form.AddPageLogic(defaults);
    return defaults;
}

void TDefaultConfiguration::SetConfigurationControls()
{
    auto combo = [this](const char *name, int index) {
        if (auto *c = Control<QComboBox>(QString::fromLatin1(name)))
            c->setCurrentIndex(index < c->count() ? index : -1);
    };
    auto text = [this](const char *name, const char *value) {
        if (auto *e = Control<QLineEdit>(QString::fromLatin1(name)))
            e->setText(QString::fromLatin1(value));
    };
    if (auto *count = Control<QComboBox>(QStringLiteral("CmbKnfInjCount")))
        count->setCurrentIndex(count->count() - 1);
    combo("CmBKnfEngineType", 0);
    text("YEdKnfCubicCap", "0");
    text("YEdKnfPower", "66");
    combo("CmBKnfInjSystemType", 0);
    text("EdtKnfIdleHotTb", "0");
    if (auto *lpg = Control<QAbstractButton>(QStringLiteral("RdBKnfLPG")))
        lpg->setChecked(true);
    combo("CmbKnfInjType", 0);
    combo("CmbKnfRedType", 0);
    combo("CmBKnfNozle", 6);
    combo("CmbKnfRPMSource", 0);
    combo("CmbKnfRPMSourceType", 0);
    combo("CmbKnfLevelSensorType", 1);
    combo("CmBKnfNomTred", 3);
    combo("CmBKnfNomRPM", 0);
    combo("CmbKnfEmulatorSwitchDelay", 5);
    combo("CmbKnfPostValveDelay", 9);
    combo("CmbKnfLowPressTreshold", 2);
    combo("CmbKnfLowPressDelay", 3);
    combo("CmbKnfMicroinjectionTime", 14);
    combo("CmBKnfLambdaType", -1);
    combo("CmBKnfPressureSensorType", 1);
    for (const char *name : {"ChBKnfNosequential", "ChBKnfMicroInjection", "ChBKnfSemiGasControl", "ChBKnfHemiEngine",
                             "ChBKnfTuningMode", "ChBKnfMasterMode", "ChBKnfPetrolInjPlusControl",
                             "ChBKnfExternalEmulator", "ChBKnfLambda", "ChBKnfAlwaysStartOnGas"})
        if (auto *b = Control<QAbstractButton>(QString::fromLatin1(name)))
            b->setChecked(false);
}

void TDefaultConfiguration::SetModelControls()
{
    auto spin = [this](const QString &name, int value) {
        if (auto *s = Control<QSpinBox>(name))
            s->setValue(value);
    };
    const char *const letters[] = {"A", "B", "C", "D"};
    for (int k = 0; k < 4; ++k) {
        spin(QStringLiteral("UpDProg%1").arg(QLatin1String(letters[k])), 5 * (k + 1));
        spin(QStringLiteral("UpDWzbogacenieProg%1").arg(QLatin1String(letters[k])), 0);
    }
    for (const char *name : {"EdtModMULT_", "YEdModOffset"})
        if (auto *e = Control<QLineEdit>(QString::fromLatin1(name)))
            e->setText(FormatFloat2(1.0));
    spin(QStringLiteral("UpDModCorrectionMult"), 0);
    if (auto *e = Control<QLineEdit>(QStringLiteral("YEdModCorrectionOffset")))
        e->setText(FormatFloat2(0.0));
    for (int k = 1; k <= 8; ++k)
        if (auto *b = Control<QAbstractButton>(QStringLiteral("ChBModCorrectionMask%1").arg(k)))
            b->setChecked(false);
}

void TDefaultConfiguration::WriteDefaultConfiguration_145()
{
    // A locked device or one of another kind would take only part of it; a
    // locked one answers nothing but its lock state: say so, as the page's
    // read and write do.
    if (!DataManager)
        return;
    if (DataManager->IsDeviceNotReady()) {
        if (DataManager->GetConnected() && DeviceRecord.LinkState != 0xF0 && Common)
            Common->ShowWarning(translated("strConfDeviceLocked"), TCommon::ApplicationTitle());
        return;
    }
    if (!(DataManager->IsDeviceType(20) || DataManager->IsDeviceType(21)))
        return;
    if (!Common
        || Common->AskOkCancel(translated("strWriteDefaultSettings"), translated("strWriteDefaultSettingsCaption")) != mrOk)
        return;

    // The cylinder-count list offers what this device supports only after
    // a read of its configuration.
    FForm.ReadConfiguration();
    SetConfigurationControls();
    FForm.BtBKnfWriteConfigurationClick();
    // The configuration write leaves the page marked when the device did
    // not take all of it.
    bool complete = !FForm.ConfigModified();
    if (WriteLevelSensorDefaults)
        complete = WriteLevelSensorDefaults() && complete;
    SetModelControls();
    FForm.BtBModWriteClick();
    complete = complete && !FForm.ConfigModified();

    const TTimerPause pause(FForm);
    bool ok = DataManager->ClearRecord198();
    ok = DataManager->ClearRecord199() && ok;
    ok = DataManager->ClearTroubleCodes() && ok;
    ok = DataManager->SendCmd3Fb() && ok;
    for (const TVariable &v : Variables())
        ok = (v.Word ? DataManager->WriteCmd32(v.Id, v.Value)
                     : DataManager->WriteCounter34(v.Id, static_cast<uint8_t>(v.Value)))
             && ok;
    complete = complete && ok && DataManager->GetConnected();
    if (complete)
        Common->ShowInformation(translated("strDefaultSettingsWritten"), translated("strWriteDefaultSettingsCaption"));
    else
        Common->ShowError(translated("strDefaultSettingsIncomplete"), translated("strWriteDefaultSettingsCaption"));
}
