#include "mainwindow/configuration/ConfigurationWizard.h"
#include "mainwindow/configuration/AutoCalibrationPage.h"
#include "mainwindow/configuration/ComponentPictures.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/DefaultConfiguration.h"

#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/ProgramLogic.h"
#include "controls/ResizeHelper.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "mainwindow/shell/TimerPause.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeySequence>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

std::vector<int> steps(int from, int to, int step)
{
    std::vector<int> out;
    for (int v = from; v <= to; v += step)
        out.push_back(v);
    return out;
}

// A decimal number as the designed lists show it (comma separator).
QString decimal(double value, int precision)
{
    return QString::number(value, 'f', precision).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString translated(const char *key)
{
    const QString k = QString::fromLatin1(key);
    return LM ? LM->Translate(k) : k;
}

} // namespace

const std::vector<int> TConfigurationWizard::NomTredValues = {142, 127, 114, 100, 88, 77, 67, 58, 51, 44, 38};
const std::vector<int> TConfigurationWizard::NomRpmValues = {56100, 37400, 28050, 22440, 18700, 16028, 14024,
                                                             12464, 11220, 10200, 9348,  8628,  8012,  7480};
const std::vector<int> TConfigurationWizard::SwitchDelayValues = {0, 100, 200, 300, 400, 500, 1000, 1500, 2000, 2500};
const std::vector<int> TConfigurationWizard::HeatingTredValues = {207, 196, 183, 169, 156, 142, 128, 114, 101,
                                                                  88,  77,  67,  58,  50,  44,  37,  33,  28};
const std::vector<int> TConfigurationWizard::OverlapTimeValues = steps(187, 1870, 187);
const std::vector<int> TConfigurationWizard::TredLoadTredValues = {142, 127, 114, 100, 88, 77, 67,
                                                                   58,  51,  44,  38,  33, 28};
const std::vector<int> TConfigurationWizard::LowPressThresholdValues = {38, 47, 57, 66, 76, 85, 94};
const std::vector<int> TConfigurationWizard::LowPressDelayValues = {1,  2,  3,  4,  5,  6,  7,  8,  9,
                                                                    10, 15, 20, 25, 30, 35, 40, 45, 50};
const std::vector<int> TConfigurationWizard::LowRpmValues = steps(400, 2000, 50);
const std::vector<int> TConfigurationWizard::LowTgasValues = {217, 215, 213, 211, 209, 207, 205, 203, 200, 198, 195,
                                                              193, 191, 188, 186, 183, 181, 178, 175, 172, 170};
const std::vector<int> TConfigurationWizard::HighRpmValues = steps(3000, 8000, 250);
const std::vector<int> TConfigurationWizard::HighLoadValues = steps(50, 95, 5);
const std::vector<int> TConfigurationWizard::OnCutOffDelayValues = steps(500, 5000, 500);
const std::vector<int> TConfigurationWizard::PostValveDelayValues = {
    50, 100, 150, 200, 250, 300, 350, 400, 450, 500, 1000, 2000, 3000, 4000, 5000, 10000, 25000, 50000, 65000};
const std::vector<int> TConfigurationWizard::PreinjectionValues = {160, 170, 179, 188, 198, 207, 217, 226};
const std::vector<int> TConfigurationWizard::EnrichMaxRpmValues = {1000, 1100, 1200, 1300, 1400, 1500, 2000,
                                                                   2200, 2500, 2700, 3000, 3200, 3500};
const std::vector<int> TConfigurationWizard::MicroInjTimeValues = {19,  28,  37,  47,  56,  65,  75,  84,  94,
                                                                   103, 112, 122, 131, 140, 150, 159, 168, 178,
                                                                   187, 196, 206, 215, 224, 234, 243};
const std::vector<int> TConfigurationWizard::MazdaPercentValues = [] {
    std::vector<int> v;
    for (int p = -100; p <= 50; p += 5)
        v.push_back(p & 0xFF);
    return v;
}();
const std::vector<int> TConfigurationWizard::MinGasTimeValues = {
    374,  411,  449,  486,  524,  561,  598,  636,  673,  711,  748,  766,  785,  804,  822,  841,
    860,  878,  897,  916,  935,  972,  1010, 1047, 1085, 1122, 1159, 1197, 1234, 1272, 1309, 1346,
    1384, 1421, 1459, 1496, 1533, 1571, 1608, 1646, 1683, 1720, 1758, 1795, 1833, 1870};
const std::vector<int> TConfigurationWizard::MaxGasTimeValues = {2805, 2992, 3179, 3366, 3553, 3740,
                                                                 3927, 4114, 4301, 4488, 4675};
const std::vector<int> TConfigurationWizard::NozzleValues = steps(15, 40, 1);
const std::vector<int> TConfigurationWizard::NextInspectionValues = {0, 1000, 2000, 5000, 7000, 10000};
const std::vector<int> TConfigurationWizard::InspectionRatioValues = {20, 30, 40, 50, 60, 70};
const std::vector<int> TConfigurationWizard::PetrolLoadValues = steps(30, 100, 5);

int TConfigurationWizard::IndexOf(const std::vector<int> &table, int value, int mask)
{
    for (size_t i = 0; i < table.size(); ++i)
        if ((table[i] & mask) == (value & mask))
            return int(i);
    return -1;
}

TConfigurationWizard::TConfigurationWizard(TFormMain &form, TProgramLogic &logic)
    : QObject(&form), FForm(form), FLogic(logic)
{
    setObjectName(QStringLiteral("ConfigurationWizard"));
    // Its own sheet, then the pages whose lists and lambda panels it
    // follows: configuration, calibration, readings and diagnostics.
    SetPanels({form.OwnPanel("TbSConfigurator"), form.OwnPanel("TbSConfig"), form.OwnPanel("TbSCalibration"),
               form.OwnPanel("TbSMeasure"), form.OwnPanel("TbSDiagnostic")});
    FillItems();
    Connect();
}

QComboBox *TConfigurationWizard::List(const char *name) const { return Find<QComboBox>(name); }
QAbstractButton *TConfigurationWizard::Box(const char *name) const { return Find<QAbstractButton>(name); }

bool TConfigurationWizard::Checked(const char *name) const
{
    auto *b = Box(name);
    return b && b->isChecked();
}

void TConfigurationWizard::SetChecked(const char *name, bool on)
{
    if (auto *b = Box(name))
        b->setChecked(on);
}

void TConfigurationWizard::Select(const char *list, const std::vector<int> &table, int value, int mask)
{
    if (auto *c = List(list)) {
        const int i = IndexOf(table, value, mask);
        c->setCurrentIndex(i < c->count() ? i : -1);
    }
}

int TConfigurationWizard::Entry(const char *list, const std::vector<int> &table, int current) const
{
    auto *c = List(list);
    const int i = c ? c->currentIndex() : -1;
    return i >= 0 && i < int(table.size()) ? table[size_t(i)] : current;
}

int TConfigurationWizard::Index(const char *list, int current) const
{
    auto *c = List(list);
    return c && c->currentIndex() >= 0 ? c->currentIndex() : current;
}

QTabWidget *TConfigurationWizard::Pages() const { return Find<QTabWidget>("PgCConfWizard"); }

bool TConfigurationWizard::Ready() const { return DataManager && !DataManager->IsDeviceNotReady(); }

// ---- Lists ------------------------------------------------------------------------

void TConfigurationWizard::FillItems()
{
    auto fill = [this](const char *name, const std::vector<int> &table, const std::function<QString(int)> &text) {
        auto *c = List(name);
        if (!c || c->count() > 0)
            return;
        for (int v : table)
            c->addItem(text(v));
        c->setCurrentIndex(-1);
    };
    auto plain = [](int v) { return QString::number(v); };
    auto temperature = [](int code) { return QString::number(std::lround(RawToTemperature(quint8(code)))); };
    fill("CmBConfNomTred", NomTredValues, temperature);
    fill("CmBConfNomRPM", NomRpmValues, [](int code) { return QString::number(std::lround(22440000.0 / code)); });
    fill("CmBConfEmulatorSwitchDelay", SwitchDelayValues, plain);
    fill("CmBConfCutOffEmulSwitchDelay", SwitchDelayValues, plain);
    fill("CmBConfMinTredForGasInjctorsHeatingProcess", HeatingTredValues, temperature);
    fill("CmBConfFuelOverlapTime", OverlapTimeValues, [](int v) { return QString::number(v / 187); });
    fill("CmBConfInjTimeForEnrichmentDuringCutOff", OverlapTimeValues, [](int v) { return QString::number(v / 187); });
    fill("CmBConfLowTredForTredLoadReturnToPetrol", TredLoadTredValues, temperature);
    fill("CmBConfLowPressThreshold", LowPressThresholdValues, [](int v) { return decimal(RawToPressure(quint8(v)), 1); });
    fill("CmBConfLowPressDelay", LowPressDelayValues, [](int v) { return decimal(v / 10.0, v % 10 ? 1 : 0); });
    fill("CmBConfLowRPMReturnToPetrol", LowRpmValues, plain);
    fill("CmBConfLowTgasReturnToPetrol", LowTgasValues, temperature);
    fill("CmBConfHighRPMReturnToPetrol", HighRpmValues, plain);
    fill("CmBConfHighLoadReturnToPetrol", HighLoadValues, plain);
    fill("CmBOnCutOffDelay", OnCutOffDelayValues, plain);
    fill("CmBConfPostValveDelay", PostValveDelayValues, plain);
    fill("CmBConfPressurePreinjectionProcessDuringCutOff", PreinjectionValues,
         [](int v) { return decimal(RawToPressure(quint8(v)), 1); });
    fill("CmBConfMaxRpmForEnrichmentDuringCutOff", EnrichMaxRpmValues, plain);
    fill("CmBConfMicroInjTime", MicroInjTimeValues, [](int v) { return decimal(v / 93.5, 1); });
    fill("CmBConfMazdaEnrichmentPercentage", MazdaPercentValues, [](int v) { return QString::number(qint8(v)); });
    fill("CmBConfMinGasInjTime", MinGasTimeValues, [](int v) { return decimal(v / 187.0, 1); });
    fill("CmBConfMaxGasInjTime", MaxGasTimeValues, [](int v) { return decimal(v / 187.0, 1); });
    fill("CmBConfNozzles", NozzleValues, [](int v) { return decimal(v / 10.0, 1); });
    fill("CmBConfHighLoadPetrolForTgasReturnToPetrol", PetrolLoadValues, plain);
    fill("CmBConfHighLoadPetrolForTredReturnToPetrol", PetrolLoadValues, plain);
    fill("CmBConfFuelOverlapCycles", steps(0, 10, 1), plain);
    // Lists that show the same choices as the configuration page.
    const std::pair<const char *, const char *> same[] = {
        {"CmBConfInjSystemType", "CmBKnfInjSystemType"}, {"CmBConfEngineType", "CmBKnfEngineType"},
        {"CmBConfRedType", "CmbKnfRedType"},             {"CmBConfLevSensType", "CmbKnfLevelSensorType"},
        {"CmBConfRPMSourceType", "CmbKnfRPMSourceType"}, {"CmBConfRPMSource", "CmbKnfRPMSource"},
        {"CmBConfLambdaType", "CmBKnfLambdaType"}};
    for (const auto &[target, source] : same) {
        auto *t = List(target);
        auto *s = List(source);
        if (!t || !s || t->count() > 0)
            continue;
        for (int i = 0; i < s->count(); ++i)
            t->addItem(s->itemText(i));
        t->setCurrentIndex(-1);
    }
    TranslateLists();
    if (auto *tabs = Find<QTabWidget>("NtbConfAutoCal"))
        tabs->tabBar()->hide();
}

// Lists whose choices are words: their items in the current language,
// keeping the selection.
void TConfigurationWizard::TranslateLists()
{
    const std::pair<const char *, const char *> lists[] = {
        {"CmBConfInjSystemType", "strConfListInjSystem"}, {"CmBConfRedType", "strConfListReducer"},
        {"CmBConfLevSensType", "strConfListLevelSensor"}, {"CmBConfRPMSourceType", "strConfListRpmSignal"},
        {"CmBConfRPMSource", "strConfListRpmSource"}};
    for (const auto &[name, key] : lists) {
        auto *c = List(name);
        const QString text = translated(key);
        if (!c || text.isEmpty() || text.startsWith(QLatin1Char('!')) || text == QLatin1String(key))
            continue;
        const QStringList items = text.split(QLatin1Char('|'));
        QStringList shown;
        for (int i = 0; i < c->count(); ++i)
            shown << c->itemText(i);
        if (shown == items)
            continue;
        const int index = c->currentIndex();
        const QSignalBlocker blocker(c);
        c->clear();
        c->addItems(items);
        c->setCurrentIndex(index < c->count() ? index : -1);
    }
}

void TConfigurationWizard::Connect()
{
    auto click = [this](const char *name, auto handler) {
        if (auto *b = Box(name))
            connect(b, &QAbstractButton::clicked, this, handler);
    };
    auto activated = [this](const char *name, auto handler) {
        if (auto *c = List(name))
            connect(c, &QComboBox::activated, this, handler);
    };
    click("BtnConfReadConfig", [this] { BtnConfReadConfigClick(); });
    click("BtnConfWizNext", [this] { BtnConfWizNextClick(); });
    click("BtnConfWizPrev", [this] { BtnConfWizPrevClick(); });
    click("BtnConfCheckInjSystem", [this] { BtnConfCheckInjSystemClick(); });
    click("BtnConfSwitchMap", [this] { BtnConfSwitchMapClick(); });
    click("BtnConfLevSensConfig", [this] { BtnConfLevSensConfigClick(); });
    click("ChBConfLambda", [this] { ChBConfLambdaClick(); });
    click("ChBConfRPMNotConnected", [this] { ChBConfRPMNotConnectedClick(); });
    click("ChBConfPetrolInjPlusControl", [this] { ChBConfPetrolInjPlusControlClick(); });
    click("ChBConfLambaInputAsFlashLubeLevel", [this] { ChBConfLambaInputAsFlashLubeLevelClick(); });
    click("ChBConfLowRPMReturnToPetrol", [this] { EnableWith("ChBConfLowRPMReturnToPetrol", {"CmBConfLowRPMReturnToPetrol"}); });
    click("ChBConfHighRPMReturnToPetrol",
          [this] { EnableWith("ChBConfHighRPMReturnToPetrol", {"CmBConfHighRPMReturnToPetrol"}, true); });
    click("ChBConfHighLoadReturnToPetrol",
          [this] { EnableWith("ChBConfHighLoadReturnToPetrol", {"CmBConfHighLoadReturnToPetrol"}, true); });
    click("ChBConfLowTgasReturnToPetrol", [this] {
        EnableWith("ChBConfLowTgasReturnToPetrol", {"CmBConfLowTgasReturnToPetrol"});
        auto *load = List("CmBConfHighLoadPetrolForTgasReturnToPetrol");
        if (!load)
            return;
        if (load->currentIndex() < 0 && load->count() > 0)
            load->setCurrentIndex(0);
        load->setEnabled(Checked("ChBConfLowTgasReturnToPetrol") && DataManager
                         && DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("D")));
    });
    click("ChBConfLowTredAndHighLoadReturnToPetrol", [this] {
        EnableWith("ChBConfLowTredAndHighLoadReturnToPetrol",
                   {"CmBConfLowTredForTredLoadReturnToPetrol", "CmBConfHighLoadPetrolForTredReturnToPetrol"});
    });
    click("ChBConfCutOffModeReturnToPetrol", [this] {
        EnableWith("ChBConfCutOffModeReturnToPetrol", {"CmBConfCutOffEmulSwitchDelay", "CmBOnCutOffDelay"});
    });
    click("ChBConfFuelOverlap", [this] {
        for (const char *n : {"CmBConfFuelOverlapCycles", "CmBConfFuelOverlapTime"})
            if (auto *c = List(n))
                c->setEnabled(Checked("ChBConfFuelOverlap"));
    });
    click("ChBConfGasInjectorsHeating", [this] {
        if (auto *c = List("CmBConfMinTredForGasInjctorsHeatingProcess"))
            c->setEnabled(Checked("ChBConfGasInjectorsHeating"));
    });
    click("ChBConfPreinjectionProcessDuringCutOff", [this] {
        if (DataManager && DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("D")))
            if (auto *c = List("CmBConfPressurePreinjectionProcessDuringCutOff"))
                c->setEnabled(Checked("ChBConfPreinjectionProcessDuringCutOff"));
    });
    auto enableOnly = [this](const char *box, std::initializer_list<const char *> names) {
        for (const char *n : names)
            if (auto *w = Find<QWidget>(n))
                w->setEnabled(Checked(box));
    };
    click("ChBConfEnrichmentDuringCutOffForLowRPM", [=] {
        enableOnly("ChBConfEnrichmentDuringCutOffForLowRPM",
                   {"CmBConfInjTimeForEnrichmentDuringCutOff", "CmBConfMaxRpmForEnrichmentDuringCutOff",
                    "LblConfInjTimeForEnrichmentDuringCutOff"});
    });
    click("ChBConfMazdaIgnitionTypeCorr", [=] {
        enableOnly("ChBConfMazdaIgnitionTypeCorr", {"CmBConfMazdaEnrichmentPercentage", "LblConfMazdaCorrectionUnit"});
    });
    click("ChBConfMicroInjection",
          [=] { enableOnly("ChBConfMicroInjection", {"CmBConfMicroInjTime", "LblConfMicroInjTimeUnit"}); });
    click("ChBConfExternalEmulator", [this] { ShowPostValveDelay(); });
    click("ChBConfMinGasInjTime",
          [=] { enableOnly("ChBConfMinGasInjTime", {"CmBConfMinGasInjTime", "LblConfMinGasInjTimeUnit"}); });
    click("ChBConfMaxGasInjTime",
          [=] { enableOnly("ChBConfMaxGasInjTime", {"CmBConfMaxGasInjTime", "LblConfMaxGasInjTimeUnit"}); });
    activated("CmBConfInjType", [this] { CmBConfInjTypeChange(List("CmBConfInjType")); });
    activated("CmBConfPressSensType", [this] { CmBConfPressSensTypeChangeEnter(List("CmBConfPressSensType")); });
    activated("CmBConfRedType", [this] {
        if (auto *b = Box("SpBConfPhotoRed"); b && b->isChecked() && ShowComponentPicture)
            ShowComponentPicture(3, true);
    });
    activated("CmBConfLevSensType", [this] { CmBConfLevSensTypeChange(); });
    activated("CmBConfEngineType", [this] { YEdConfPowerChange(); });
    activated("CmBConfInjCount", [this] { YEdConfPowerChange(); });
    activated("CmBConfInjSystemType", [this] { YEdConfPowerChange(); });
    if (auto *power = Find<QLineEdit>("YEdConfPower"))
        connect(power, &QLineEdit::textEdited, this, [this] { YEdConfPowerChange(); });
    // Every user edit of a page marks the wizard modified.
    if (auto *pages = Pages()) {
        for (QComboBox *c : pages->findChildren<QComboBox *>())
            connect(c, &QComboBox::activated, this, [this] { FForm.SetConfigModified(true); });
        for (QAbstractButton *b : pages->findChildren<QAbstractButton *>())
            if (b->isCheckable() && !b->objectName().startsWith(QLatin1String("SpBConfPhoto")))
                connect(b, &QAbstractButton::clicked, this, [this] { FForm.SetConfigModified(true); });
        for (QLineEdit *e : pages->findChildren<QLineEdit *>())
            connect(e, &QLineEdit::textEdited, this, [this] { FForm.SetConfigModified(true); });
    }
    // Quick pages: Alt+1 ... Alt+7 go to wizard page n - 1 (as far as the
    // wizard's progress allows).
    for (int n = 1; n <= 7; ++n) {
        auto *item = new QAction(&FForm);
        item->setObjectName(QStringLiteral("MnICalAutoPage%1").arg(n));
        item->setShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_0 + n)));
        item->setShortcutContext(Qt::WindowShortcut);
        FForm.addAction(item);
        connect(item, &QAction::triggered, this, [this, n] { GoToConfWizardPage(n - 1); });
    }
    click("BtnConfPrintReport", [this] { BtnConfPrintReportClick(); });
    if (auto *label = Find<TCaptionPanel>("labelConfSemiSeqGasControl"))
        connect(label, &TCaptionPanel::Click, this, [this] { LblConfSemiSeqGasControlClick(); });
    // The details memos keep to the right of their panels as these change
    // size; the window's resizer leaves them to these handlers.
    for (const char *panel : {"PnlConfSwitchDetails", "PnlConfAdvDetails"})
        if (auto *w = Find<QWidget>(panel)) {
            w->lower(); // below the page's controls it spans
            w->installEventFilter(this);
            for (auto *memo : w->findChildren<QPlainTextEdit *>(QString(), Qt::FindDirectChildrenOnly))
                if (FForm.ResizeHelper)
                    FForm.ResizeHelper->ExcludeControl(memo);
        }
    for (const auto &[button, kind] : {std::pair{"SpBConfPhotoPress", 1}, {"SpBConfPhotoInj", 2}, {"SpBConfPhotoRed", 3}})
        if (auto *b = Box(button))
            connect(b, &QAbstractButton::clicked, this, [this, b, kind = kind] {
                if (ShowComponentPicture)
                    ShowComponentPicture(kind, b->isChecked());
            });
}

bool TConfigurationWizard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        if (watched->objectName() == QLatin1String("PnlConfSwitchDetails"))
            PnlConfSwitchDetailsResize();
        else if (watched->objectName() == QLatin1String("PnlConfAdvDetails"))
            PnlConfAdvDetailsResize();
    }
    return QObject::eventFilter(watched, event);
}

void TConfigurationWizard::FitDetailsMemoWidth(QWidget *panel, QWidget *memo)
{
    if (!panel || !memo)
        return;
    // The panel's first 340 pixels belong to the page's controls beside it.
    const int width = panel->width() < 347 ? 7 : panel->width() - 340;
    memo->setGeometry(panel->width() - width - 2, memo->y(), width, std::max(panel->height() - 2 * memo->y(), 0));
}

void TConfigurationWizard::PnlConfSwitchDetailsResize()
{
    FitDetailsMemoWidth(Find<QWidget>("PnlConfSwitchDetails"), Find<QWidget>("MemConfSwitchDetails"));
}

void TConfigurationWizard::PnlConfAdvDetailsResize()
{
    FitDetailsMemoWidth(Find<QWidget>("PnlConfAdvDetails"), Find<QWidget>("MemConfAdvDetails"));
}

void TConfigurationWizard::LblConfSemiSeqGasControlClick()
{
    if (auto *box = Box("ChBConfSemiSeqGasControl")) {
        box->setFocus();
        box->click();
    }
}

void TConfigurationWizard::BtnConfPrintReportClick()
{
    if (FForm.WindowServices.PreviewInstallationCard)
        FForm.WindowServices.PreviewInstallationCard();
}

void TConfigurationWizard::EnableWith(const char *box, std::initializer_list<const char *> lists, bool emptyToLast)
{
    const bool on = Checked(box);
    for (const char *name : lists)
        if (auto *c = List(name)) {
            if (on && c->currentIndex() < 0 && c->count() > 0)
                c->setCurrentIndex(emptyToLast ? c->count() - 1 : 0);
            c->setEnabled(on);
        }
}

// ---- Pages ---------------------------------------------------------------------

void TConfigurationWizard::ShowPageNumber()
{
    auto *pages = Pages();
    if (auto *label = Find<QLabel>("PnlConfWizPageNum"); label && pages)
        label->setText(QString::asprintf("(%d/%d)", pages->currentIndex() + 1, pages->count()));
}

void TConfigurationWizard::PgCConfWizardChange()
{
    if (FFilling)
        return;
    auto *pages = Pages();
    if (!pages)
        return;
    pages->update();
    if (!Ready())
        return;
    if (FForm.Timerek)
        FForm.Timerek->start();
    UpdateConfWizardButtons(false);
    ShowPageNumber();
    switch (pages->currentIndex()) {
    case 0:
        FLogic.RefreshConfigPage();
        break;
    case 1:
        FLogic.RefreshConfigPage2();
        break;
    case 2:
        FLogic.RefreshConfigPage3();
        break;
    case 3:
        FLogic.RefreshConfigPage4();
        if (AutoCal)
            AutoCal->ShowResultOnPage();
        break;
    case 4:
        FForm.UpdateAdapterPanels();
        FLogic.RefreshConfigPage5();
        break;
    default:
        break;
    }
    FForm.SetConfigModified(false);
}

void TConfigurationWizard::UpdateConfWizardButtons(bool refill)
{
    auto *pages = Pages();
    if (!pages)
        return;
    if (refill) {
        const bool configured = FLogic.IsOptionActive();
        const QSignalBlocker blocker(pages);
        // Configured but not auto-calibrated: the auto-calibration page.
        if (configured && Ready() && pages->currentIndex() != 3)
            pages->setCurrentIndex(3);
        if (pages->currentIndex() > FLogic.Level())
            pages->setCurrentIndex(FLogic.Level());
        FillConfBasedPage();
        FillConfSwitchingPage();
        FillConfAdvancedPage();
        if (AutoCal)
            AutoCal->UpdateConfAutoCalPage(true);
    }
    const int index = pages->currentIndex();
    auto *next = Box("BtnConfWizNext");
    if (auto *prev = Box("BtnConfWizPrev"))
        prev->setEnabled(index >= 1);
    if (next)
        next->setEnabled(index < pages->count() - 1);
    const bool readWrite = !(index >= 4 && next && next->isEnabled());
    for (const char *name : {"BtnConfReadConfig", "BtnConfWriteConfig"})
        if (auto *b = Box(name))
            b->setEnabled(readWrite);
    ShowPageNumber();
}

void TConfigurationWizard::GoToConfWizardPage(int index)
{
    auto *pages = Pages();
    if (!pages || index > FLogic.Level() || index < 0 || index >= pages->count())
        return;
    TCommon::SelectTabWithEvents(pages, index, true);
}

void TConfigurationWizard::TbSConfiguratorShow()
{
    auto *pages = Pages();
    if (pages && pages->currentIndex() == 0)
        FForm.CheckFormPictureShow();
}

void TConfigurationWizard::BtnConfReadConfigClick()
{
    PgCConfWizardChange();
    if (auto *b = Find<QWidget>("BtBSetNextInspection")) {
        QPalette palette = b->palette();
        palette.setColor(QPalette::ButtonText, QApplication::palette().color(QPalette::WindowText));
        b->setPalette(palette);
    }
    FForm.SetConfigModified(false);
}

void TConfigurationWizard::BtnConfWriteConfigClick()
{
    if (!DataManager || !DataManager->GetConnected())
        return;
    if (Ready()) {
        if (FLogic.IsBusy())
            QApplication::beep();
        else if (DevData)
            DevData->WriteConfigurationIfConnected();
    }
    PgCConfWizardChange();
}

void TConfigurationWizard::BtnConfWizNextClick()
{
    auto *pages = Pages();
    if (!pages || pages->currentIndex() >= pages->count() - 1)
        return;
    if (pages->currentIndex() == FLogic.Level()) {
        FLogic.SetLevel(FLogic.Level() + 1);
        FLogic.UpdateOptionFlags();
    }
    if (Ready() && !FLogic.IsBusy() && DevData && !DevData->WriteConfigurationIfConnected())
        return; // a failed write keeps the wizard on its page
    // The selection goes by visible tabs: the next page is the visible one
    // after the current.
    int visible = 0;
    for (int i = 0; i <= pages->currentIndex(); ++i)
        visible += pages->isTabVisible(i) ? 1 : 0;
    TCommon::SelectTabWithEvents(pages, visible, true);
}

void TConfigurationWizard::BtnConfWizPrevClick()
{
    auto *pages = Pages();
    if (!pages || pages->currentIndex() < 1)
        return;
    int visible = 0;
    for (int i = 0; i < pages->currentIndex(); ++i)
        visible += pages->isTabVisible(i) ? 1 : 0;
    TCommon::SelectTabWithEvents(pages, visible - 1, true);
    if (pages->currentIndex() == 0)
        TCommon::SafeSetFocus(Find<QWidget>("BtnConfWizNext"));
}

void TConfigurationWizard::BtnConfCheckInjSystemClick()
{
    if (!Ready())
        return;
    FLogic.FormatInjectionTimes(nullptr, nullptr, List("CmBConfInjSystemType"));
    YEdConfPowerChange();
    FForm.SetConfigModified(true);
}

void TConfigurationWizard::BtnConfSwitchMapClick()
{
    if (!Ready())
        return;
    FLogic.SetWorkType(5);
    FForm.ActivatePages({"TbSCalibration", "TbSCalMap"});
}

void TConfigurationWizard::BtnConfLevSensConfigClick()
{
    if (auto *b = Find<QAbstractButton>("BtnKnfLvSensorConfig"))
        b->click();
}

void TConfigurationWizard::YEdConfPowerChange()
{
    auto *power = Find<QLineEdit>("YEdConfPower");
    if (auto *label = Find<QLabel>("LblConfPowerKM"); label && power)
        label->setText(QStringLiteral("(%1%2)").arg(FormatDecimals(SafeStrToFloat(power->text()) * 1.3636363636, 1),
                                                    translated("strUnitHP")));
    if (FForm.ConfigurationPage)
        static_cast<TConfigurationPage *>(FForm.ConfigurationPage)->UpdateSuggestedNozzleOfWizard();
}

void TConfigurationWizard::CmBConfInjTypeChange(QObject *sender)
{
    auto *list = List("CmBConfInjType");
    const bool selected = list && list->currentIndex() >= 0;
    if (sender && ShowComponentPicture)
        if (auto *b = Box("SpBConfPhotoInj"); b && b->isChecked())
            ShowComponentPicture(2, true);
    if (!Ready() || !sender || !selected || !DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("D")))
        return;
    int sum = 0;
    for (int i = 0; i < std::min<int>(DeviceRecord.InjSW, TDeviceRecord::ChannelCount); ++i)
        sum += DeviceRecord.GasInjCorrTable[size_t(i)];
    if (sum > 0 && list->currentData().toInt() != DeviceRecord.InjTypeName && Common
        && Common->AskYesNo(translated("strQuestInjEraseCorrect"), translated("strQCaptInjEraseCorrect"))) {
        DeviceRecord.GasInjCorrTable.fill(0);
        DataManager->WriteGasInjTable();
    }
}

void TConfigurationWizard::CmBConfPressSensTypeChangeEnter(QObject *sender)
{
    if (auto *list = List("CmBConfPressSensType"); list && list->currentIndex() >= 0) {
        const int code = list->currentData().toInt();
        if (code == 1 || code == 2)
            SetChecked("ChBConfPressSensInFlow", false);
        else if (code == 3 || code == 4)
            SetChecked("ChBConfPressSensInFlow", true);
    }
    if (sender && ShowComponentPicture)
        if (auto *b = Box("SpBConfPhotoPress"); b && b->isChecked())
            ShowComponentPicture(1, true);
}

void TConfigurationWizard::CmBConfLevSensTypeChange()
{
    auto *list = List("CmBConfLevSensType");
    if (auto *b = Find<QWidget>("BtnConfLevSensConfig"))
        b->setVisible(list && list->currentIndex() >= 0);
}

void TConfigurationWizard::EnableConfLambdaControls(bool on, int index)
{
    if (auto *b = Box("ChBConfLambda")) {
        b->setEnabled(true);
        b->setChecked(on);
    }
    for (const char *n : {"PnlConfLambdaTypeVal", "LblConfLambdaType", "CmBConfLambdaType"})
        if (auto *w = Find<QWidget>(n))
            w->setEnabled(true);
    for (const char *n : {"PnlOdcLambdaCenter", "PnlModLambda", "PnlDgnAdvLambda", "PnlConfAutoLambda"})
        if (auto *w = Find<QWidget>(n))
            w->setVisible(on);
    if (auto *c = List("CmBConfLambdaType"))
        c->setCurrentIndex(index < c->count() ? index : -1);
}

void TConfigurationWizard::ChBConfLambdaClick()
{
    const bool on = Checked("ChBConfLambda");
    if (auto *c = List("CmBConfLambdaType")) {
        if (!on)
            c->setCurrentIndex(-1);
        else if (c->currentIndex() < 0 && c->count() > 0)
            c->setCurrentIndex(0);
    }
    if (DataManager && DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("G")))
        if (auto *b = Box("ChBConfLambaInputAsFlashLubeLevel"))
            b->setEnabled(!on);
}

void TConfigurationWizard::ChBConfRPMNotConnectedClick()
{
    if (DataManager && DataManager->IsDeviceType(48) && DataManager->IsDeviceVersionBelow(48, QStringLiteral("C")))
        return;
    if (auto *c = List("CmBConfRPMSourceType")) {
        if (Checked("ChBConfRPMNotConnected")) {
            c->setCurrentIndex(c->count() > 0 ? 0 : -1);
            c->setEnabled(false);
        } else {
            c->setEnabled(true);
        }
    }
}

void TConfigurationWizard::ChBConfPetrolInjPlusControlClick()
{
    if (auto *b = Box("ChBConfExternalEmulator"))
        b->setEnabled(Checked("ChBConfPetrolInjPlusControl"));
    ShowPostValveDelay();
}

// The valve delay means nothing with an external emulator; the advanced
// view shows it at all.
void TConfigurationWizard::ShowPostValveDelay()
{
    auto *advanced = qobject_cast<QAbstractButton *>(FForm.OwnPanel("ChBAdvancedView"));
    if (auto *p = Find<QWidget>("PnlConfPostValveDelay"))
        p->setVisible(!Checked("ChBConfExternalEmulator") && advanced && advanced->isChecked());
}

void TConfigurationWizard::ChBConfLambaInputAsFlashLubeLevelClick()
{
    if (auto *b = Box("ChBConfLambda"))
        b->setEnabled(!Checked("ChBConfLambaInputAsFlashLubeLevel"));
}

// ---- Fills ------------------------------------------------------------------------

void TConfigurationWizard::FillConfBasedPage()
{
    const auto &r = DeviceRecord;
    FFilling = true;
    TranslateLists();
    SetChecked("RdBConfFuelLPG", r.FuelType == 0);
    SetChecked("RdBConfFuelCNG", r.FuelType != 0);
    if (auto *count = List("CmBConfInjCount")) {
        count->clear();
        const QStringList items = r.InjHW == 4   ? QStringList{"3", "4"}
                                  : r.InjHW == 6 ? QStringList{"3", "4", "5", "6"}
                                                 : QStringList{"3", "4", "5", "6", "8"};
        count->addItems(items);
        const int i = IndexOf({3, 4, 5, 6, 8}, r.InjSW);
        count->setCurrentIndex(i < count->count() ? i : -1);
    }
    if (auto *e = Find<QLineEdit>("YEdConfCubicCap"))
        e->setText(QString::number(r.EngineCubicCapacity));
    if (auto *c = List("CmBConfInjSystemType"))
        c->setCurrentIndex(r.InjSystemType < c->count() ? r.InjSystemType : -1);
    if (auto *c = List("CmBConfEngineType"))
        c->setCurrentIndex(r.EngineType < c->count() ? r.EngineType : -1);
    if (auto *e = Find<QLineEdit>("YEdConfPower"))
        e->setText(QString::number(r.Power));
    YEdConfPowerChange();
    Select("CmBConfNozzles", NozzleValues, r.NozzleSize);
    // Installation group.
    if (auto *c = List("CmBConfInjType"))
        c->setCurrentIndex(c->findData(int(r.InjTypeName)));
    if (auto *c = List("CmBConfPressSensType"))
        c->setCurrentIndex(c->findData(int(r.PressureSensorType)));
    SetChecked("ChBConfPressSensInFlow", r.GasTempSensorInFlow != 0);
    if (auto *c = List("CmBConfRedType"))
        c->setCurrentIndex(r.RedType < c->count() ? r.RedType : -1);
    if (auto *c = List("CmBConfLevSensType"))
        c->setCurrentIndex(r.ReserveType < c->count() ? r.ReserveType : -1);
    CmBConfLevSensTypeChange();
    SetChecked("ChBConfRPMNotConnected", r.RPMWireNotConnect != 0);
    ChBConfRPMNotConnectedClick();
    CmBConfPressSensTypeChangeEnter(nullptr);
    if (auto *c = List("CmBConfRPMSourceType"))
        c->setCurrentIndex(r.RPMSourceType < c->count() ? r.RPMSourceType : -1);
    if (auto *c = List("CmBConfRPMSource"))
        c->setCurrentIndex(r.RPMsource < c->count() ? r.RPMsource : -1);
    EnableConfLambdaControls(r.LambdaType >= 1, int(r.LambdaType) - 1);
    for (const auto &[box, bit] : {std::pair{"ChBConfLambaInputAsFlashLubeLevel", r.FlashLubeSupportEnabled},
                                   {"ChBSygnalizeDrivingOnPetrol", r.SygnalizeDrivingOnPetrolEnabled}})
        if (auto *b = Box(box))
            b->setChecked(b->isEnabled() && bit != 0);
    // Micro-injection, ignition-type correction, gas time limits.
    SetChecked("ChBConfMicroInjection", r.MicroInjection != 0);
    for (const char *n : {"CmBConfMicroInjTime", "LblConfMicroInjTimeUnit"})
        if (auto *w = Find<QWidget>(n))
            w->setEnabled(r.MicroInjection != 0);
    Select("CmBConfMicroInjTime", MicroInjTimeValues, r.MicroInjectionTime);
    SetChecked("ChBConfMazdaIgnitionTypeCorr", r.MazdaIgnitionTypeCorrEnabled != 0);
    if (auto *c = List("CmBConfMazdaEnrichmentPercentage"))
        c->setEnabled(r.MazdaIgnitionTypeCorrEnabled != 0);
    Select("CmBConfMazdaEnrichmentPercentage", MazdaPercentValues, r.MazdaEnrichmentPercentage, 0xFF);
    for (const auto &[box, list, unit, on, value, table] :
         {std::tuple{"ChBConfMinGasInjTime", "CmBConfMinGasInjTime", "LblConfMinGasInjTimeUnit",
                     r.MinGasInjTimeEnabled != 0, int(r.MinGasInjectionTime), &MinGasTimeValues},
          std::tuple{"ChBConfMaxGasInjTime", "CmBConfMaxGasInjTime", "LblConfMaxGasInjTimeUnit",
                     r.MaxGasInjTimeEnabled != 0, int(r.MaxGasInjectionTime), &MaxGasTimeValues}}) {
        SetChecked(box, on);
        for (const char *n : {list, unit})
            if (auto *w = Find<QWidget>(n))
                w->setEnabled(on);
        if (auto *b = Box(box); b && b->isEnabled())
            Select(list, *table, value);
    }
    FFilling = false;
}

void TConfigurationWizard::FillConfSwitchingPage()
{
    const auto &r = DeviceRecord;
    FFilling = true;
    Select("CmBConfNomTred", NomTredValues, r.T);
    Select("CmBConfNomRPM", NomRpmValues, r.RPM, 0x3FFF);
    Select("CmBConfEmulatorSwitchDelay", SwitchDelayValues, r.EmulatorSwitchDelay);
    Select("CmBConfMinTredForGasInjctorsHeatingProcess", HeatingTredValues, r.MinTredForGasInjHeating);
    Select("CmBConfFuelOverlapTime", OverlapTimeValues, r.MaxTimeMixedFuel);
    Select("CmBConfLowPressThreshold", LowPressThresholdValues, r.LowPT);
    Select("CmBConfLowPressDelay", LowPressDelayValues, r.LowPD);
    struct TCondition {
        const char *box, *list;
        bool on;
        const std::vector<int> *table;
        int value, mask;
    };
    const TCondition conditions[] = {
        {"ChBConfLowRPMReturnToPetrol", "CmBConfLowRPMReturnToPetrol", r.RPM_lt != 0, &LowRpmValues, r.RPM_lt_val, 0xFFFF},
        {"ChBConfLowTgasReturnToPetrol", "CmBConfLowTgasReturnToPetrol", r.Tgas_lt != 0, &LowTgasValues, r.Tgas_lt_val, 0xFF},
        {"ChBConfHighRPMReturnToPetrol", "CmBConfHighRPMReturnToPetrol", r.RPM_gt != 0, &HighRpmValues, r.RPM_gt_val, 0xFFFF},
        {"ChBConfHighLoadReturnToPetrol", "CmBConfHighLoadReturnToPetrol", r.LoadP_gt != 0, &HighLoadValues, r.LoadP_gt_val, 0xFF},
    };
    for (const TCondition &c : conditions) {
        SetChecked(c.box, c.on);
        if (auto *l = List(c.list))
            l->setEnabled(c.on);
        Select(c.list, *c.table, c.value, c.mask);
    }
    const bool tredLoad = r.Tred_lt_Load != 0;
    SetChecked("ChBConfLowTredAndHighLoadReturnToPetrol", tredLoad);
    Select("CmBConfLowTredForTredLoadReturnToPetrol", TredLoadTredValues, r.Tred_lt_Load_Tredval);
    Select("CmBConfHighLoadPetrolForTredReturnToPetrol", PetrolLoadValues, r.Tred_lt_Load_Lval);
    for (const char *n : {"CmBConfLowTredForTredLoadReturnToPetrol", "CmBConfHighLoadPetrolForTredReturnToPetrol"})
        if (auto *l = List(n))
            l->setEnabled(tredLoad);
    if (auto *c = List("CmBConfFuelOverlapCycles"))
        c->setCurrentIndex(r.MaxCyclesMixedFuel < c->count() ? r.MaxCyclesMixedFuel : -1);
    if (auto *c = List("CmBConfHighLoadPetrolForTgasReturnToPetrol")) {
        const bool versionD = DataManager && DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("D"));
        c->setEnabled(versionD && r.Tgas_lt != 0);
        if (versionD)
            Select("CmBConfHighLoadPetrolForTgasReturnToPetrol", PetrolLoadValues, r.Tgas_lt_Load_Lval);
    }
    SetChecked("ChBConfTuningMode", r.TuningMode != 0);
    const bool cutOff = r.CutOffModeActivated != 0;
    SetChecked("ChBConfCutOffModeReturnToPetrol", cutOff);
    for (const char *n : {"CmBConfCutOffEmulSwitchDelay", "CmBOnCutOffDelay"})
        if (auto *l = List(n)) {
            l->setEnabled(cutOff);
            l->setCurrentIndex(-1);
        }
    if (auto *b = Box("ChBConfCutOffModeReturnToPetrol"); b && b->isEnabled()) {
        Select("CmBConfCutOffEmulSwitchDelay", SwitchDelayValues, r.AfterCutOffEmulSwitchDelay);
        Select("CmBOnCutOffDelay", OnCutOffDelayValues, r.OnCutOffDelay);
    }
    SetChecked("ChBConfAutoToGasOnControlPanelHidden", r.AutoToGasOnControlPanelHidden != 0);
    SetChecked("ChBConfRaisingTswitching", r.RisingT != 0);
    SetChecked("ChBHotEngineStartOnGas", r.HotEngineStartOnGas != 0);
    if (auto *memo = Find<QPlainTextEdit>("MemConfSwitchDetails"))
        memo->setPlainText(FLogic.GetEngineSummary() + FLogic.GetInstallationSummary());
    FFilling = false;
}

void TConfigurationWizard::FillConfAdvancedPage()
{
    const auto &r = DeviceRecord;
    FFilling = true;
    SetChecked("ChBConfNonSequential", r.NoSeqential != 0);
    SetChecked("ChBConfHemiEngine", r.HemiEngine != 0);
    SetChecked("ChBConfPetrolInjPlusControl", r.PetrolInjPlusControl != 0);
    SetChecked("ChBConfExternalEmulator", r.ExternalEmulator != 0);
    ShowPostValveDelay();
    Select("CmBConfPostValveDelay", PostValveDelayValues, r.PostValveDelay);
    SetChecked("ChBConfSemiSeqGasControl", r.SemiGasControl != 0);
    SetChecked("ChBConfMasterMode", r.MasterMode != 0);
    SetChecked("ChBConfCapTieEnabled", r.CAP_TIE_enable != 0);
    SetChecked("ChBConfAlwaysStartOnGas", r.AlWorkOnGas != 0);
    SetChecked("ChBConfPreinjectionProcessDuringCutOff", r.PreinjectionProcessDuringCutOff != 0);
    SetChecked("ChBConfGasInjectorsHeating", r.GasInjHeating != 0);
    SetChecked("ChBConfFuelOverlap", r.FuelOverlap != 0);
    if (auto *c = List("CmBConfPressurePreinjectionProcessDuringCutOff")) {
        if (DataManager && DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("D"))) {
            const int i = IndexOf(PreinjectionValues, r.MinPressDuringCuttOffForPreinjections, 0xFF);
            if (i >= 0)
                c->setCurrentIndex(i);
        } else {
            c->setCurrentIndex(IndexOf(PreinjectionValues, 226)); // the 2.3 bar entry
        }
    }
    const bool enrich = r.PreinjectionsDuringCutOffForLowRPMEnabled != 0;
    SetChecked("ChBConfEnrichmentDuringCutOffForLowRPM", enrich);
    for (const char *n : {"CmBConfInjTimeForEnrichmentDuringCutOff", "CmBConfMaxRpmForEnrichmentDuringCutOff"})
        if (auto *l = List(n))
            l->setEnabled(enrich);
    Select("CmBConfInjTimeForEnrichmentDuringCutOff", OverlapTimeValues, r.InjTimeForEnrichmentDuringCutOff);
    Select("CmBConfMaxRpmForEnrichmentDuringCutOff", EnrichMaxRpmValues, r.MaxRpmForEnrichmentDuringCutOff);
    if (auto *memo = Find<QPlainTextEdit>("MemConfAdvDetails"))
        memo->setPlainText(FLogic.GetSwitchingSummary() + FLogic.GetInstallationSummary()
                           + FLogic.GetEngineSummary());
    FFilling = false;
}

void TConfigurationWizard::FillConfFinishPage(bool full)
{
    auto &r = DeviceRecord;
    const bool calibrated = (r.DeviceOptions & 4) != 0;
    if (auto *w = Find<QWidget>("LblConfFinishWarnAutoCal"))
        w->setVisible(!calibrated);
    for (const char *n : {"LblConfFinish1", "LblConfFinish2", "LblConfFinish3"})
        if (auto *w = Find<QWidget>(n))
            w->setVisible(calibrated);
    auto *value = Find<QLabel>("LblNextInspectionInValue");
    const bool inspection = DataManager && DataManager->Kind48Holds(kind48::THeld::Inspection);
    if (!inspection) {
        r.NextInspection = 0;
        if (value)
            value->setText(QStringLiteral("0"));
        if (auto *e = Find<QLineEdit>("EdtActualComputerCode"))
            e->clear();
        for (const char *n : {"CmBNextInspection", "CmBInspectionRatio"})
            if (auto *c = List(n))
                c->setCurrentIndex(-1);
        return;
    }
    const int p = DataManager->ReadValue16(39);
    if (value)
        value->setText(QString::number(std::lround(p * 5.0 / 60.0 * r.InspectionTimeDistRatio)));
    if (!full)
        return;
    FForm.UpdateComputerCodesInfo();
    Select("CmBNextInspection", NextInspectionValues, r.NextInspection);
    Select("CmBInspectionRatio", InspectionRatioValues, r.InspectionTimeDistRatio);
}

// ---- Installation -------------------------------------------------------------------

TConfigurationWizard *TConfigurationWizard::Install(TFormMain &form, TProgramLogic &logic)
{
    auto *wizard = new TConfigurationWizard(form, logic);
    form.AddPageLogic(wizard);
    // The settling waits of the helper logic's measurements keep the window
    // serving its events.
    logic.Wait = [](int milliseconds) { TAutoCalibrationPage::Pause(milliseconds); };
    form.ReadingsServices.FillConfFinishPage = [wizard](bool full) { wizard->FillConfFinishPage(full); };
    wizard->UpdateConfWizardButtons(true);
    return wizard;
}

void InstallConfigurationWizardPages(TFormMain &form, TProgramLogic &logic)
{
    TDefaultConfiguration::Install(form);
    auto *pictures = TComponentPictures::Install(form);
    auto *autoCal = TAutoCalibrationPage::Install(form, logic);
    auto *wizard = TConfigurationWizard::Install(form, logic);
    wizard->AutoCal = autoCal;
    wizard->ShowComponentPicture = [pictures](int kind, bool down) { pictures->ShowWizardComponentPicture(kind, down); };
}
