// Adapting the main window to the attached device: which pages, menu items,
// function keys, lists and option controls exist for its kind and firmware
// version; the kind-48 windows' panels docked onto their sheets; the advanced
// view; the re-read of the pages after a fresh connection.
#include "mainwindow/shell/FormMain.h"

#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/ui/Common.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QTabWidget>

namespace {

const char *const NarrowRanges[] = {"~1500 (1250-1750)", "~2000 (1750-2250)", "~2500 (2250-2750)",
                                    "~3000 (2750-3250)", "~3500 (3250-3750)", "~4000 (3750-4250)",
                                    "~4500 (4250-4750)", "~5000 (4750-5250)"};
const char *const WideRanges[] = {"R1500 (1250-2250)", "R2000 (1750-2750)", "R2500 (2250-3250)",
                                  "R3000 (2750-3750)", "R3500 (3250-4250)", "R4000 (3750-4750)",
                                  "R4500 (4250-5250)"};

void fillRanges(QComboBox *combo, bool wide)
{
    if (!combo)
        return;
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (const char *text : NarrowRanges)
        combo->addItem(QString::fromUtf8(text));
    if (wide)
        for (const char *text : WideRanges)
            combo->addItem(QString::fromUtf8(text));
}

} // namespace

void TFormMain::SetShortcut(const char *item, const QKeySequence &key)
{
    if (auto *action = Component<QAction>(item))
        action->setShortcut(key);
}

void TFormMain::AdaptToDeviceVersion()
{
    const auto widget = [this](const char *name) { return Component<QWidget>(name); };
    const auto setVisible = [&](const char *name, bool on) {
        if (QWidget *w = widget(name))
            w->setVisible(on);
    };
    const auto setEnabled = [&](const char *name, bool on) {
        if (QWidget *w = widget(name))
            w->setEnabled(on);
    };
    const auto uncheck = [&](const char *name) {
        if (auto *box = Component<QAbstractButton>(name))
            TCommon::SetCheckedSilently(box, false);
    };
    auto *main = Component<QTabWidget>("PgCMain");
    auto *calibration = Component<QTabWidget>("PgCCalibration");
    // Tab visibility of a sheet of its page control.
    const auto tabVisible = [this](const char *sheet) {
        QWidget *page = Component<QWidget>(sheet);
        auto *pages = page && page->parentWidget() ? qobject_cast<QTabWidget *>(page->parentWidget()->parentWidget())
                                                   : nullptr;
        return pages && pages->isTabVisible(pages->indexOf(page));
    };
    const auto setTab = [this](const char *sheet, bool on) {
        QWidget *page = Component<QWidget>(sheet);
        auto *pages = page && page->parentWidget() ? qobject_cast<QTabWidget *>(page->parentWidget()->parentWidget())
                                                   : nullptr;
        if (pages) {
            // Hiding the current tab would let the page control pick another
            // page by itself; the choice stays with the rules below.
            const QSignalBlocker blocker(pages);
            pages->setTabVisible(pages->indexOf(page), on);
        }
    };
    const auto setItem = [this](const char *name, bool visible, bool enabled) {
        if (auto *action = Component<QAction>(name)) {
            action->setVisible(visible);
            action->setEnabled(enabled);
        }
    };
    const auto setItemVisible = [this](const char *name, bool visible) {
        if (auto *action = Component<QAction>(name))
            action->setVisible(visible);
    };

    // 1. Device data and the generation flags.
    const uint8_t kind = DeviceRecord.DeviceKind;
    bool k20 = false, k21 = false, k48 = true;
    if (kind != 0 && DataManager) {
        DataManager->ReadAllPages();
        const bool emu = DeviceRecord.IdentityPage3 != 0;
        setVisible("PnlKnfEmulatorSwitchDelay", emu);
        setEnabled("BtnDngAdvEmulatorAllPetrol", emu);
        setEnabled("BtnDngEmulatorAllGas", emu);
        for (int i = 1; i <= 8; ++i)
            if (Common)
                Common->SetControlEnabled(Component<QWidget>(QStringLiteral("DpSSwitchCh%1").arg(i)), emu, false);
        k20 = DataManager->IsDeviceType(20);
        k21 = DataManager->IsDeviceType(21);
        k48 = DataManager->IsDeviceType(48);
    }
    const bool kq = k20 || k21;
    const bool km = kind == 0 || k21 || k48;
    const bool kAny = kind == 0 || kq || k48;
    const auto atLeast = [&](const char *letter) {
        return DataManager && DataManager->VersionAtLeast(QString::fromLatin1(letter));
    };
    // With no device the version is treated as empty: below every letter.
    const bool versionKnown = kind != 0;
    const bool e21 = k21 && versionKnown && atLeast("E");
    const auto k48At = [&](const char *letter) { return k48 && versionKnown && atLeast(letter); };
    const bool c48 = k48At("C"), d48 = k48At("D"), f48 = k48At("F"), g48 = k48At("G"), h48 = k48At("H"),
               i48 = k48At("I");

    // 2. Model tabs.
    setTab("TbSCalModel", kq);
    setTab("TbSCalModel2", k48);
    // 3. The active main page before the run.
    const QString before = CurrentMainPage();
    // 4. Quick start hidden, the schema page always shown.
    setTab("TbSQuickStart", false);
    setVisible("BtBQuickStart", false);
    setTab("TbSSchema", !tabVisible("TbSQuickStart"));
    if (before == QLatin1String("TbSQuickStart") && main)
        main->setCurrentWidget(widget("TbSMeasure"));
    // 5. Pages kept hidden.
    setVisible("ChBAdvancedView", false);
    for (const char *sheet : {"TbSTests", "TabSheet2", "TbsTestInjControl", "TbSFreezedFrames", "TbSCalAdaptation",
                              "TbSCalCorrections"})
        setTab(sheet, false);
    setVisible("PnlCalCorrPsys", true);
    setItem("MnIWindowCalCorrections", tabVisible("TbSCalCorrections"), tabVisible("TbSCalCorrections"));
    // 6.
    setVisible("ChBMapQ3Visible", false);
    uncheck("ChBMapQ3Visible");
    if (calibration)
        calibration->update();
    // 7. Controls both generations share.
    setVisible("ChBKnfMasterMode", km);
    setEnabled("PnlKnfPressureSensprType", km);
    setEnabled("CmBKnfPressureSensorType", km);
    setEnabled("LblKnfN1", km);
    setVisible("PnlDgnAdvTempPCB", kAny);
    setVisible("PnlDgnAdvEmergencyStarts", km);
    UpdateMapChartsVisibility();
    // 8. The window's own configuration pages.
    setTab("TbSConfig", kq);
    setTab("TbSCalAuto", kq);
    setItem("MnIWindowConfig", kq, kq);
    setItemVisible("MnIWindowSep3", kq);
    setItem("MnIWindowCnfBasic", kq, kq);
    setItem("MnIWindowCnfAdv", kq, kq);
    // 9. Function keys by generation.
    if (kq || k48) {
        const QKeySequence none;
        SetShortcut("MnIConfigurator", none);
        SetShortcut("MnIWindowConfig", kq ? QKeySequence(Qt::Key_F3) : none);
        SetShortcut("MnIWindowMultiConfiguration", kq ? none : QKeySequence(Qt::Key_F3));
        SetShortcut("MnIWindowCalibration", kq ? QKeySequence(Qt::Key_F4) : none);
        SetShortcut("MnIWindowMultiCalibration", kq ? none : QKeySequence(Qt::Key_F4));
        SetShortcut("MnIWindowSchema", QKeySequence(Qt::Key_F5));
        SetShortcut("MnIWindowQuickStart", none);
        SetShortcut("MnIWindowCalAuto", kq ? QKeySequence(Qt::Key_F8) : none);
        SetShortcut("MnIWindowMultiCalbrationAuto", kq ? none : QKeySequence(Qt::Key_F8));
        SetShortcut("MnIWindowCalModel", kq ? QKeySequence(Qt::Key_F9) : none);
        SetShortcut("MnIWindowMultiCalibrationModel", kq ? none : QKeySequence(Qt::Key_F9));
        SetShortcut("MnIWindowCalMap", kq ? QKeySequence(Qt::Key_F10) : none);
        SetShortcut("MnIWindowMultiCalibrationMap", kq ? none : QKeySequence(Qt::Key_F10));
        SetShortcut("MnIWindowCalCorrections", kq ? QKeySequence(Qt::Key_F11) : none);
        SetShortcut("MnIWindowMultiCalibrationCorrections", kq ? none : QKeySequence(Qt::Key_F11));
    }
    // 10. Generation pages.
    setTab("TbSMultiConfiguration", k48);
    setTab("TbSMultiCalibration", k48);
    setTab("TbSCalibration", kq);
    setTab("TbSConfigurator", false);
    // 11. The kind-48 windows, created on first use, docked on every call.
    if (WindowServices.CreateKind48Windows) {
        WindowServices.CreateKind48Windows();
        // Their docked pages scale with the window as its own pages do.
        RecordDockedPanels();
    }
    // 12. The wizard page gives way to the configuration page.
    if (before == QLatin1String("TbSConfigurator") && tabVisible("TbSConfig") && main)
        main->setCurrentWidget(widget("TbSConfig"));
    // 13.
    const auto kind48 = [this](const char *name) -> QWidget * {
        return WindowServices.Kind48CalibrationComponent
                   ? qobject_cast<QWidget *>(WindowServices.Kind48CalibrationComponent(QString::fromLatin1(name)))
                   : nullptr;
    };
    if (QWidget *pcol = kind48("PnlCalCorrPcol"))
        pcol->setVisible(g48);
    // 14. Menu items follow their pages.
    const bool calVisible = tabVisible("TbSCalibration");
    const bool multiCalVisible = tabVisible("TbSMultiCalibration");
    setItemVisible("MnIWindowCalibration", calVisible);
    setItemVisible("MnIWindowMultiCalibration", multiCalVisible);
    setItem("MnIWindowSchema", tabVisible("TbSSchema"), tabVisible("TbSSchema"));
    setItem("MnIWindowQuickStart", tabVisible("TbSQuickStart"), tabVisible("TbSQuickStart"));
    for (const char *name : {"MnIWindowCalAuto", "MnIWindowCalModel", "MnIWindowCalMap"})
        setItem(name, calVisible, calVisible);
    for (const char *name : {"MnIWindowMultiCalbrationAuto", "MnIWindowMultiCalibrationModel",
                             "MnIWindowMultiCalibrationMap", "MnIWindowMultiCalibrationCorrections"})
        setItem(name, multiCalVisible, multiCalVisible);
    setItemVisible("MnIConfigurator", tabVisible("TbSConfigurator"));
    setItem("MnIWindowMultiConfiguration", tabVisible("TbSMultiConfiguration"), tabVisible("TbSMultiConfiguration"));
    // 15.
    setTab("TbSRecords", false);
    setItemVisible("MnIWindowSep2", false);
    // 16.
    setVisible("ChBKnfRPMNotConnected", e21);
    if (!e21)
        uncheck("ChBKnfRPMNotConnected");
    // 17. From version C of kind 48.
    for (const char *name : {"ChBConfRPMNotConnected", "ChBConfPreinjectionProcessDuringCutOff", "ChBModel2UseOnIdleModel",
                             "ChBConfGasInjectorsHeating", "CmBConfMinTredForGasInjctorsHeatingProcess",
                             "ChBConfFuelOverlap", "CmBConfFuelOverlapTime", "CmBConfFuelOverlapCycles",
                             "ChBConfLowTredAndHighLoadReturnToPetrol", "CmBConfLowTredForTredLoadReturnToPetrol",
                             "LblBConfLowTredForTredLoadReturnToPetrolUnit", "CmBConfHighLoadPetrolForTredReturnToPetrol",
                             "LblConfHighLoadPetrolForTredReturnToPetrol"})
        setEnabled(name, c48);
    if (!c48) {
        uncheck("ChBConfRPMNotConnected");
        if (auto *box = Component<QAbstractButton>("ChBModel2UseOnIdleModel"))
            TCommon::SetCheckedSilently(box, true);
    }
    // 18. From version D.
    for (const char *name : {"LblConfLowTgasReturnToPetrolUnit", "LblConfHighLoadPetrolForTgasReturnToPetrol",
                             "CmBConfHighLoadPetrolForTgasReturnToPetrol", "CmBConfPressurePreinjectionProcessDuringCutOff",
                             "LblConfPressurePreinjectionProcessDuringCutOffUnit", "BtnDgnInjectorsTest",
                             "ChBConfCapTieEnabled"})
        setEnabled(name, d48);
    setItemVisible("MnIChangeFuelPetrolSeq", d48);
    SetTgasCorrSpBtnEnabled(d48);
    SetRpmCorrSpBtnEnabled(k48);
    // 19. From version F.
    for (const char *name : {"ChBConfEnrichmentDuringCutOffForLowRPM", "CmBConfInjTimeForEnrichmentDuringCutOff",
                             "LblConfInjTimeForEnrichmentDuringCutOff", "CmBConfMaxRpmForEnrichmentDuringCutOff",
                             "ChBConfMazdaIgnitionTypeCorr", "CmBConfMazdaEnrichmentPercentage",
                             "LblConfMazdaCorrectionUnit", "BtnCalMapLoadFromFile", "LblDgnAdvActualInjSystemType",
                             "LblDgnAdvOtherInjSystemType", "BtnDgnAdvOtherInjSystemTypeReset"})
        setEnabled(name, f48);
    setVisible("BtnCalMapClearAdaptationTemplateClear", f48);
    setVisible("BtnCalMapLoadFromFile", f48);
    // 20. Map RPM ranges.
    auto *ranges = Component<QComboBox>("CmBCalMapRPMRange");
    fillRanges(ranges, g48);
    fillRanges(qobject_cast<QComboBox *>(kind48("CmBCalMapRPMRange")), g48);
    if (ranges) {
        const QSignalBlocker blocker(ranges);
        ranges->setCurrentIndex(DeviceRecord.MapRPMRange < ranges->count() ? DeviceRecord.MapRPMRange : -1);
    }
    // 21. From version G.
    for (const char *name : {"ChBSygnalizeDrivingOnPetrol", "ChBConfLambaInputAsFlashLubeLevel",
                             "ChBConfAutoToGasOnControlPanelHidden", "ChBConfCutOffModeReturnToPetrol",
                             "LblConfCutOffEmulatorSwitchDelayUnit", "LblConfOnCutOffDelay", "ChBConfMinGasInjTime",
                             "ChBConfMaxGasInjTime", "LblConfMinGasInjTimeUnit", "LblConfMaxGasInjTimeUnit"})
        setEnabled(name, g48);
    if (!g48) {
        uncheck("ChBSygnalizeDrivingOnPetrol");
        uncheck("ChBConfLambaInputAsFlashLubeLevel");
    }
    for (const char *name : {"CmBConfCutOffEmulSwitchDelay", "CmBOnCutOffDelay", "CmBConfMinGasInjTime",
                             "CmBConfMaxGasInjTime"}) {
        if (auto *combo = Component<QComboBox>(name); combo && !g48) {
            const QSignalBlocker blocker(combo);
            combo->setCurrentIndex(-1);
        }
        setEnabled(name, g48);
    }
    for (const char *name : {"PnlCalCorrPcol", "PnlOBDAdaptationBank1Grid", "PnlOBDAdaptationBank2Grid",
                             "PnlFinishDeviceInfo"})
        if (Common)
            Common->SetControlEnabled(widget(name), g48, true);
    setEnabled("ChBOBDAdaptationEnabled", g48);
    setVisible("LblEngineLoad", g48);
    // 22.
    setEnabled("ChBOBDModifyModelEnabled", h48);
    setEnabled("ChBLoadFromPcol", i48);
    // 23.
    setVisible("PnlOdcGasInjCorr", false);
    // 24. Adapter modules and their panels.
    if (WindowServices.AssignModuleProtocols)
        WindowServices.AssignModuleProtocols();
    UpdateAdapterPanels();
}

void TFormMain::ApplyAdvancedView()
{
    auto *box = Component<QAbstractButton>("ChBAdvancedView");
    const bool advanced = box && box->isChecked();
    for (const char *name : {"ChBConfPressSensInFlow", "ChBConfRaisingTswitching", "LblConfNomRPM", "CmBConfNomRPM",
                             "LblConfNomRPMUnit", "LblConfEmulatorSwitchDelay", "CmBConfEmulatorSwitchDelay",
                             "LblConfEmulatorSwitchDelayUnit", "PnlConfSwitchToPetrol", "ChBConfNonSequential",
                             "ChBConfPetrolInjPlusControl", "ChBConfExternalEmulator", "PnlConfPostValveDelay",
                             "BvlConfAdvanced2", "PnlConfSemiSeqGasControl", "BvlConfAdvanced3", "ChBConfMasterMode",
                             "ChBConfPreinjectionProcessDuringCutOff", "CmBConfPressurePreinjectionProcessDuringCutOff",
                             "LblConfPressurePreinjectionProcessDuringCutOffUnit", "BtnCalMapCalculate",
                             "BtnCalMapCalcClear", "ChBCalMapChangeAxies"})
        if (auto *w = Component<QWidget>(name))
            w->setVisible(advanced);
    if (Services.SetLocalAdvancedView)
        Services.SetLocalAdvancedView(advanced);
}

void TFormMain::ChBAdvancedViewClick() { ApplyAdvancedView(); }

void TFormMain::ReloadPagesAfterConnect()
{
    // Pages holding values a write did not get to the device (or unwritten
    // edits) keep them, marked: only the record is the device's again.
    const bool keepPages = ConfigModified();
    const bool kind48 = DeviceRecord.DeviceKind == 48;
    if (keepPages) {
        // kept as they are
    } else if (DeviceRecord.DeviceKind == 20 || DeviceRecord.DeviceKind == 21) {
        ReadModelParams();
    } else if (kind48) {
        ReadModel2Settings();
        BtnCorReadCorrectionsClick();
    }
    // The kind-48 configuration window has a mark of its own.
    if (kind48 ? !(WindowServices.Kind48ConfigurationModified && WindowServices.Kind48ConfigurationModified())
               : !keepPages)
        UpdateConfigurationControls();
    UpdateCylinderCountControls(true);
    // The wizard takes up where the device's progress word left it.
    UpdateConfWizardButtons(true);
    if (!keepPages)
        SetConfigModified(false);
}
