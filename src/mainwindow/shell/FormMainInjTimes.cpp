// Injection-time readouts (the average over the active channels or the time of
// one chosen injector) and the replica of the car's gas-switch panel on the
// measurement page.
#include "mainwindow/shell/FormMainReadingControls.h"

#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"

#include <algorithm>

using namespace readings;

namespace {

// Edition colour-table entries of the panel's lamps.
constexpr int kReserveLit = 0;
constexpr int kReserveDark = 1;
constexpr int kLevelLit = 2;
constexpr int kLevelDark = 3;

QColor Entry(int index)
{
    return Bgr(CustomParameters ? CustomParameters->GetEntry(index) : TCustomParameters::NoColor);
}

// The injector the selector names (1..8), 0 for the average, -1 for an item
// beyond the eight channels (an injector without a time).
int SelectedInjector(const QComboBox *selector)
{
    const int s = selector->currentIndex();
    return s > TDeviceRecord::ChannelCount ? -1 : std::max(s, 0);
}

// Level lamps lit for the level input, by the level sensor type; -1 leaves
// the lamps as they are.
int LitLevelLamps()
{
    const auto &r = DeviceRecord;
    const int level = r.LevelRaw;
    switch (r.ReserveType) {
    case 0:
        return level > 0 ? 1 : 0;
    case 1:
    case 2: // a falling input: a higher value is a lower level
        if (level > r.PW0)
            return 0;
        if (level > r.PW1)
            return 1;
        if (level > r.PW2)
            return 2;
        if (level > r.PW3)
            return 3;
        return 4;
    case 3: // a rising input
        if (level <= r.Level0900)
            return 0;
        if (level <= r.Level0901)
            return 1;
        if (level <= r.Level0902)
            return 2;
        if (level <= r.Level0903)
            return 3;
        return 4;
    default:
        return -1;
    }
}

void SetLamp(TCaptionPanel *lamp, const QColor &colour)
{
    if (lamp->Color() != colour)
        lamp->SetColor(colour);
}

} // namespace

void TFormMain::CmbOdcInjDisplayChange()
{
    TReadingControls &c = Rc();
    const int s = c.CmbOdcInjDisplay->currentIndex();
    // The bars are eight: a larger configured count would squeeze the marker
    // to nothing.
    const int count = std::min<int>(DeviceRecord.InjSW, TDeviceRecord::ChannelCount);
    if (s > 0 && count > 0) {
        const int h = static_cast<int>(
            RoundClamped((c.PnlOdcTinj1_3->height() - 5) / double(count) - 2.0, 0, 10000));
        c.PnlOdcInjMarkPetrol->setGeometry(c.PnlOdcInjMarkPetrol->x(),
                                           c.PrBOdcPetrol[0]->y() + (s - 1) * h,
                                           c.PnlOdcInjMarkPetrol->width(), h);
        c.PnlOdcInjMarkLPG->setGeometry(c.PnlOdcInjMarkLPG->x(), c.PrBOdcLPG[0]->y() + (s - 1) * h,
                                        c.PnlOdcInjMarkLPG->width(), h);
    }
    c.PnlOdcInjMarkPetrol->setVisible(s > 0);
    c.PnlOdcInjMarkLPG->setVisible(s > 0);
    // Once the window runs, the next refresh shows the new choice.
    if (!ReadingsServices.IsReady || !ReadingsServices.IsReady())
        ShowInjTimes(c.DgDOdcPetrol, c.DgDOdcLPG);
    if (ReadingsServices.UpdateInjDisplayLabels)
        ReadingsServices.UpdateInjDisplayLabels(false);
}

double TFormMain::GetPetrolInjTime()
{
    const int s = SelectedInjector(Rc().CmbOdcInjDisplay);
    if (s < 0)
        return 0.0;
    if (s > 0)
        return RawToTimeMs(DeviceRecord.PetrolTime[s - 1] & 0xFFFF);
    return GetAverageInjectionTime();
}

double TFormMain::GetGasInjTime()
{
    TReadingControls &c = Rc();
    const auto &r = DeviceRecord;
    const bool onGas = r.GasSwitchState == 5;
    const int s = SelectedInjector(c.CmbOdcInjDisplay);
    double t = 0.0;
    if (onGas && s >= 0)
        t = s > 0 ? RawToTimeMs(r.GasTime[s - 1] & 0xFFFF) : GetAverageInjectionTime2();
    PaintByRule(c.DgDOdcPetrol);
    return t;
}

void TFormMain::ShowInjTimes(QWidget *PetrolLabel, QWidget *GasLabel)
{
    auto show = [](QWidget *label, const QString &text) {
        if (auto *display = qobject_cast<TDigitalDisplay *>(label))
            display->SetCaption(text);
        else if (auto *plain = qobject_cast<QLabel *>(label))
            SetText(plain, text);
    };
    show(PetrolLabel, FormatFloat2(GetPetrolInjTime()));
    if (GasLabel)
        show(GasLabel, FormatFloat2(GetGasInjTime()));
}

void TFormMain::UpdateGasSwitchPanel(bool GLabelBlack)
{
    TReadingControls &c = Rc();
    const auto &r = DeviceRecord;
    const int gasEntry = DataManager ? DataManager->StatePanelGasColor() : 13;
    const int petrolEntry = DataManager ? DataManager->StatePanelPetrolColor() : 14;
    switch (r.GasSwitchState) {
    case 3:
        SetLamp(c.PnlOdcPanelStan, Entry(petrolEntry));
        break;
    case 4: // waiting: blinks at the rate of the calls
        SetLamp(c.PnlOdcPanelStan, c.PnlOdcPanelStan->Color() == Entry(gasEntry)
                                       ? Entry(petrolEntry)
                                       : Entry(gasEntry));
        break;
    case 5:
        SetLamp(c.PnlOdcPanelStan, Entry(gasEntry));
        break;
    default:
        break;
    }

    SetFontColour(c.LblPanelG, GLabelBlack ? Bgr(kBlack) : Entry(kReserveLit));

    const int lit = LitLevelLamps();
    if (lit >= 0) {
        for (int k = 0; k < 4; ++k)
            SetLamp(c.PnlOdcPanelP[k], Entry(k < lit ? kLevelLit : kLevelDark));
        SetLamp(c.PnlOdcPanelR, Entry(lit == 0 ? kReserveLit : kReserveDark));
    }

    PnlStatusGazSwitchUpdate();
}
