// What the window's shell asks of the configuration page's logic, which lives
// beside it (mainwindow/configuration) and registers itself with the window.
#pragma once

class TConfigurationPageOps
{
public:
    virtual ~TConfigurationPageOps() = default;

    virtual void ReadConfiguration() = 0;
    // The write button's road, which reads the device back afterwards: true
    // when every frame went through; otherwise the page stays modified and
    // says so.
    virtual bool WriteConfiguration() = 0;
    // The configuration write of a settings-file load, which writes more
    // after it: nothing is read back. True when every frame went through;
    // otherwise the page stays modified and says so.
    virtual bool WriteLoadedConfiguration() = 0;
    // After the load's last write: the page shows what the device holds, read
    // once; written: whether every write went through.
    virtual void ReadBackConfiguration(bool written) = 0;
    // The write's checks, before anything is asked or sent: false when a
    // control holds a value the device cannot take (the refusal is shown,
    // naming the field).
    virtual bool WriteFits() = 0;
    virtual void UpdateConfigurationControls() = 0;
    virtual void UpdateCylinderCountControls(bool resetInjectorDisplay) = 0;
    virtual void ClearKnfControls() = 0;
    virtual void ClearConfWizardControls() = 0;
    virtual void CmBKnfPressureSensorTypeChange() = 0;
    virtual void YEdKnfPowerChange() = 0;
    // The map's load panels side by side in the order of the pressure sensor,
    // each as wide as it is (the one rule of their order).
    virtual void OrderLoadPanels() = 0;
};
