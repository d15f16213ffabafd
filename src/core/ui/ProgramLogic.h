// Configuration helper logic shared by the configuration page and the
// configuration wizard of the main window: the wizard level and option bits,
// the summary texts of the configuration, injector-order detection, the
// standard correction curves, the working-pressure correction, the hot-idle
// time measurement, the injector drive profile per injector type, default
// model factors, and the two lists filled from the edition parameters.
//
// It talks to the device through the global data manager and reads the
// wizard's controls inside the panel set with SetPanel (the wizard's own
// sheet) by their objectName; only their shown text, checked state or
// selected item is read.
#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class QComboBox;

class TProgramLogic : public QObject
{
    Q_OBJECT

public:
    explicit TProgramLogic(QObject *parent = nullptr);
    ~TProgramLogic() override;

    // The wizard page's own panel, whose controls are read by name; a name
    // is looked for inside that panel only.
    void SetPanel(QWidget *panel) { FPanel = panel; }
    QWidget *Panel() const { return FPanel; }

    // Fillers of the wizard's pages (basic, switching, advanced,
    // auto-calibration, finish); an empty one is skipped.
    struct TWizardFillers {
        std::function<void()> Based;
        std::function<void()> Switching;
        std::function<void()> Advanced;
        std::function<void(int step)> AutoCal;
        std::function<void(bool full)> Finish;
    };
    TWizardFillers WizardFillers;

    // Each reads the whole configuration and fills one wizard page.
    void RefreshConfigPage();
    void RefreshConfigPage2();
    void RefreshConfigPage3();
    void RefreshConfigPage4();
    void RefreshConfigPage5();

    // Wizard level: the wizard's tabs from the second on are visible up to it.
    int Level() const { return FLevel; }
    void SetLevel(int level);
    // Bit 1 of DeviceOptions set and bit 2 clear; sets the level to 6.
    bool IsOptionActive();
    // Sends DeviceOptions with the level's bits as 16-bit id 14; the record
    // keeps its value.
    bool UpdateOptionFlags();
    bool SetWorkType(int type);
    // A calibration run is going on: active and the device's work type is 3, 6 or 7.
    bool IsBusy() const;
    void SetActive(bool active) { FActive = active; }
    bool Active() const { return FActive; }
    // Forgets the wizard level and the active flag (a fresh device).
    void ClearState();

    static void ShowControl(QWidget *control, bool visible, bool enabled);
    // Re-parents component into newOwner, keeping its geometry.
    static void MoveComponent(QWidget *newOwner, QWidget *component);

    // Reads the injector counters and picks the injection-system item.
    void FormatInjectionTimes(QWidget *label1, QWidget *label2, QComboBox *list);

    QString GetEngineSummary() const;
    QString GetInstallationSummary() const;
    QString GetSwitchingSummary() const;

    void UpdateGasTempCorrection(int preset, bool ask);
    void SelectWorkPressure(bool write);
    void BuildCorrectionTableA(int preset, bool write);
    void BuildCorrectionTableB(int preset, bool write);
    // Measures the petrol time at hot idle into IdleHotTb; text gets it in
    // ms with two decimals. True when still connected at the end.
    bool MeasureIdleHotTb(bool ask, QString &text);
    // The settling wait of the measurement (ms); tests replace it.
    std::function<void(int milliseconds)> Wait;
    // Injector class 0..3 of an injector-type code; class-3 types send their
    // drive profile (0x15) first.
    int ReadDataGroup(int injectorType);
    static double GetDefaultFactor(int injectorType);
    // Pressure sensors (A) and injector types (B) of the edition, each item
    // carrying its code as item data.
    static void FillListA(QComboBox *list);
    static void FillListB(QComboBox *list);

    // Fixed tables.
    static const std::array<int, 20> WorkPressures;
    static const std::array<int, 20> PsysTemplate;
    static const std::array<int, 20> TgasStandard, TgasSmall, TgasBig, TgasStandardAlt;
    static const std::array<int, 20> RpmPreset2, RpmPreset3, RpmPreset4;
    // The drive profile sent for an injector type, 0 for none.
    static int DriveProfile(int injectorType);

private:
    QString Text(const char *name) const;
    bool Checked(const char *name) const;
    static QString Tr(const char *key);

    // A control of the wizard's panel by name; null without a panel.
    template <typename T> T *Control(const char *name) const
    {
        return FPanel ? FPanel->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    }

    QWidget *FPanel = nullptr;
    int FLevel = 0;
    bool FActive = false;
};

extern TProgramLogic *ProgramLogic;
