// Live readings of the main window: after every tick that brought a fresh
// live-value group, the values of the device record go into the controls of
// the page the user is looking at (and only of that page), converted to
// engineering units and coloured by the display's colour rule.
#include "mainwindow/shell/FormMainReadingControls.h"

#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"

#include <QElapsedTimer>
#include <QtCharts/QPieSeries>
#include <QtCharts/QXYSeries>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

using namespace readings;

namespace {

constexpr int kChannels = TDeviceRecord::ChannelCount;

// Channels the configured cylinder count covers (never more than exist).
int ActiveChannels()
{
    return std::min<int>(DeviceRecord.InjSW, kChannels);
}

// Kind 48 from version "G" sends the extended live group with the values
// that older devices are asked for one by one.
bool ExtendedLiveGroup()
{
    return DataManager && DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("G"));
}

bool IsKind(uint8_t kind)
{
    return DataManager && DataManager->IsDeviceType(kind);
}

uint16_t ReadValue16(uint8_t index)
{
    return DataManager ? DataManager->ReadValue16(index) : 0;
}

// Moves point 0 of series n of a chart; a coordinate left empty stays.
void MovePoint(QChartView *view, int series, std::optional<double> x, std::optional<double> y)
{
    const auto list = view->chart()->series();
    if (series >= list.size())
        return;
    auto *xy = qobject_cast<QXYSeries *>(list.at(series));
    if (!xy || xy->count() == 0)
        return;
    QPointF p = xy->at(0);
    if (x)
        p.setX(*x);
    if (y)
        p.setY(*y);
    if (p != xy->at(0))
        xy->replace(0, p);
}

void SetCell(QTableWidget *table, int row, int column, const QString &text)
{
    if (row >= table->rowCount() || column >= table->columnCount())
        return;
    QTableWidgetItem *item = table->item(row, column);
    if (!item) {
        if (text.isEmpty())
            return;
        table->setItem(row, column, new QTableWidgetItem(text));
    } else if (item->text() != text) {
        item->setText(text);
    }
}

// A progress bar repaints itself at once on a large change; with updates
// held off for the change it is painted with the rest of the window instead.
void SetBar(QProgressBar *bar, qint64 value)
{
    const int v = static_cast<int>(std::clamp<qint64>(value, bar->minimum(), bar->maximum()));
    if (bar->value() == v)
        return;
    bar->setUpdatesEnabled(false);
    bar->setValue(v);
    bar->setUpdatesEnabled(true);
}

// A pie's first slice, and the second as its complement to 100.
void SetPie(QChartView *view, double first)
{
    auto *pie = PieOf(view);
    if (!pie || pie->count() < 2)
        return;
    if (pie->slices().at(0)->value() != first)
        pie->slices().at(0)->setValue(first);
    if (pie->slices().at(1)->value() != 100.0 - first)
        pie->slices().at(1)->setValue(100.0 - first);
}

double PieFirst(QChartView *view)
{
    auto *pie = PieOf(view);
    return pie && pie->count() > 0 ? pie->slices().at(0)->value() : 0.0;
}

// Percent of a time in an injection window, or "MAX" when the channel's bit
// of the MAX mask is set.
QString LoadText(quint32 time, int window, uint8_t maxMask, int channel)
{
    if (maxMask & (1u << channel))
        return QStringLiteral("MAX");
    return QString::asprintf("%.0f%%", double(time) / window * 100.0);
}

} // namespace

double TFormMain::LambdaRawToVolts(uint8_t raw, uint8_t sensorType)
{
    return sensorType >= 1 && sensorType <= 6 ? raw * 0.02 : 0.0;
}

void TFormMain::PaintByRule(QWidget *display)
{
    const uint32_t colour = CustomParameters ? CustomParameters->FindColor(display)
                                             : TCustomParameters::NoColor;
    static_cast<TDigitalDisplay *>(display)->SetColorFill(Bgr(colour));
}

void TFormMain::ShowRuled(QWidget *display, const QString &text)
{
    static_cast<TDigitalDisplay *>(display)->SetCaption(text);
    PaintByRule(display);
}

void TFormMain::RegisterReadingColors()
{
    if (!CustomParameters)
        return;
    TReadingControls &c = Rc();
    using Condition = int (TDataManager::*)();
    // The rule reads the record through the data manager when it is evaluated.
    auto add = [](QWidget *display, Condition condition) {
        CustomParameters->AddColorA(display, [condition] {
            return DataManager ? (DataManager->*condition)() : kEntryNormal;
        });
    };
    auto addConst = [](QWidget *display, int (TDataManager::*condition)() const) {
        CustomParameters->AddColorA(display, [condition] {
            return DataManager ? (DataManager->*condition)() : kEntryNormal;
        });
    };
    for (QWidget *d : {c.DgDOdcRPM, c.DgDModRPM, c.DgDDgnAdvRPM})
        addConst(d, &TDataManager::ColorNoRpmSignal);
    addConst(c.DgDCalRPM, &TDataManager::ColorAutoCalRpm);
    add(c.DgDCalMapRPM, &TDataManager::GetRpmWindow);
    addConst(c.DgDConfAutoRPM, &TDataManager::ColorRpmAbove1200);
    for (QWidget *d : {c.DgDOdcTred, c.DgDDgnAdvTred})
        add(d, &TDataManager::ColorReducerBelowSwitchTemp);
    addConst(c.DgDModTred, &TDataManager::ColorReducerTempAbove88);
    addConst(c.DgDConfAutoTred, &TDataManager::ColorReducerTempAbove67);
    for (QWidget *d : {c.DgDOdcTgaz, c.DgDModTgaz, c.DgDDgnAdvTgas})
        addConst(d, &TDataManager::ColorGasTempAbove195);
    for (QWidget *d : {c.DgDOdcPsys, c.DgDConfAutoPsys})
        addConst(d, &TDataManager::ColorGasPressureInRange);
    for (QWidget *d : {c.DgDModPsys, c.DgDDgnAdvPsys})
        addConst(d, &TDataManager::ColorGasPressureAboveLowPT);
    for (QWidget *d : {c.DgDOdcPcol, c.DgDModPcol})
        addConst(d, &TDataManager::ColorPcolAbove105);
    addConst(c.DgDConfAutoPcol, &TDataManager::ColorPcolInIdleRange);
    for (QWidget *d : {c.DgDOdcPetrol, c.DgDModPetrol, c.DgDDgnAdvPetrol})
        addConst(d, &TDataManager::ColorPetrolTimeSpread);
    addConst(c.DgDConfAutoPetrol, &TDataManager::ColorAveragePetrolTime);
    CustomParameters->AddColorB(c.LblOdcVbat, [] {
        return DataManager ? DataManager->ColorSupplyVoltageLow() : kEntrySupply;
    });

    // The device panel's button follows the panel's size.
    c.PnlStatusDeviceInfo->installEventFilter(new TResizeRelay(
        c.PnlStatusDeviceInfo, [this] { PnlStatusDeviceInfoResize(); }));
}

void TFormMain::UpdateLiveReadings()
{
    const TPressureValuesOnce pressureValues;
    TReadingControls &c = Rc();
    QWidget *page = c.PgCMain->currentWidget();
    if (page == c.TbSCalibration)
        ShowCalibrationReadings();
    else if (page == c.TbSConfigurator)
        ShowConfiguratorReadings();
    if (page == c.TbSMeasure)
        ShowMeasureReadings();
    if (page == c.TbSDiagnostic && c.PgCDiagnostyka->currentWidget() == c.TbSDgnAdvance)
        ShowDiagnosticReadings();
}

void TFormMain::ShowCalibrationReadings()
{
    TReadingControls &c = Rc();
    const auto &r = DeviceRecord;
    QWidget *sub = c.PgCCalibration->currentWidget();
    if (sub == c.TbSCalMap) {
        const double p = RawToCollectorPressure(r.ManifoldPressureRaw);
        MovePoint(c.ChtMapa, 2, p, std::nullopt);
        MovePoint(c.ChtMapa2, 2, std::nullopt, p);
        MovePoint(c.ChtMapaQ3, 2, p, std::nullopt);
        if (!c.ChBCalMapFastMap->isChecked()) {
            const double t = GetAverageInjectionTime();
            MovePoint(c.ChtMapa, 2, std::nullopt, t);
            MovePoint(c.ChtMapa2, 2, t, std::nullopt);
            MovePoint(c.ChtMapaQ3, 2, std::nullopt, t);
        }
    } else if (sub == c.TbSCalModel) {
        if (RawToTimeMs(r.PetrolTime[0] & 0xFFFF) < 20.0) {
            const double x = GetPetrolInjTime();
            const double y = r.GasSwitchState == 5 ? GetGasInjTime() : 0.5;
            MovePoint(c.ChtModel, 4, x, y);
        }
    } else if (sub == c.TbSCalModel2) {
        const double x = GetPetrolInjTime();
        const double y = r.GasSwitchState == 5 ? GetGasInjTime() : 0.3;
        if (ReadingsServices.SetModel2LivePoint)
            ReadingsServices.SetModel2LivePoint(x, y);
        const qint64 now = Now();
        if (ReadingsServices.Model2MarkerActive && ReadingsServices.Model2MarkerActive()
            && now > FLastMarkerBlink + 400 && ReadingsServices.Model2MarkerColor
            && ReadingsServices.SetModel2MarkerColor) {
            FLastMarkerBlink = now;
            ReadingsServices.SetModel2MarkerColor(
                ReadingsServices.Model2MarkerColor() == kWhite ? kRed : kWhite);
        }
    } else if (sub == c.TbSCalCorrections) {
        ShowAdaptationGrids();
    }

    if (!c.PnlModOdcHide->isHidden())
        return;
    ShowRuled(c.DgDModTred, FormatTemperature(r.ReducerTempRaw));
    ShowRuled(c.DgDModTgaz, FormatTemperature(r.GasTempRaw));
    ShowRuled(c.DgDModPsys, FormatPressure(r.GasPressureRaw));
    ShowRuled(c.DgDModPcol, FormatCollectorPressure(r.ManifoldPressureRaw));
    ShowInjTimes(c.DgDModPetrol, c.DgDModLPG);
    PaintByRule(c.DgDModPetrol);
    SetFuelLabelColours(c.LblModPetrol, c.LblModLPG, r.GasSwitchState == 5);
    ShowRuled(c.DgDModRPM, FormatRpm(r.RpmPeriod));
    ShowLambda(true);
}

void TFormMain::ShowAdaptationGrids()
{
    TReadingControls &c = Rc();
    const auto &r = DeviceRecord;
    if (ExtendedLiveGroup()) {
        if (ReadingsServices.SetMapCorrectionControlsState)
            ReadingsServices.SetMapCorrectionControlsState();
        if (DataManager->IsAdaptationVariableSet && DataManager->IsAdaptationVariableSet()) {
            const bool first = c.PgCOBDAdaptationCorr->currentWidget() == c.TbSOBDAdaptCorrBank1;
            QTableWidget *grid = first ? c.StGOBDAdaptCorrsBank1 : c.StGOBDAdaptCorrsBank2;
            const TAdaptBank &bank = r.AdaptBanks[first ? 0 : 1];
            for (int row = 0; row < 10; ++row)
                for (int col = 0; col < 10; ++col)
                    SetCell(grid, row, col, QString::number(bank[row][col]));
        }
        if (ReadingsServices.OBDSetActualLoadAndRpmIndex) {
            const int rpm = PeriodToRpm(r.RpmPeriod);
            ReadingsServices.OBDSetActualLoadAndRpmIndex(1, r.Value64, rpm);
            ReadingsServices.OBDSetActualLoadAndRpmIndex(2, r.Value64, rpm);
        }
        SetText(c.LblActualAdaptCorr_B1, QString::number(r.ConnectBytes.Bank1Correction));
        SetText(c.LblActualAdaptCorr_B2, QString::number(r.ConnectBytes.Bank2Correction));
        return;
    }
    for (int i = 0; i < 10; ++i) {
        SetCell(c.StGOBDAdaptBank1LoadThresholds, i, 0, QString());
        SetCell(c.StGOBDAdaptBank2LoadThresholds, i, 0, QString());
        SetCell(c.StGOBDAdaptBank1RPMThresholds, 0, i, QString());
        SetCell(c.StGOBDAdaptBank2RPMThresholds, 0, i, QString());
        for (int j = 0; j < 10; ++j) {
            SetCell(c.StGOBDAdaptCorrsBank1, i, j, QString());
            SetCell(c.StGOBDAdaptCorrsBank2, i, j, QString());
        }
    }
}

void TFormMain::ShowConfiguratorReadings()
{
    TReadingControls &c = Rc();
    const auto &r = DeviceRecord;
    QWidget *sub = c.PgCConfWizard->currentWidget();
    if (sub == c.TbSConfBased) {
        if (DataManager)
            DataManager->ReadStatus50();
        c.DgDConfGasElementsRPM->SetCaption(FormatRpm(r.RpmPeriod));
        ShowLambda(false);
    } else if (sub == c.TbSConfAutoCal) {
        ShowRuled(c.DgDConfAutoRPM, FormatRpm(r.RpmPeriod));
        ShowInjTimes(c.DgDConfAutoPetrol, c.DgDConfAutoGas);
        PaintByRule(c.DgDConfAutoPetrol);
        SetFuelLabelColours(c.LblConfAutoPetrol, c.LblConfAutoGas, r.GasSwitchState == 5);
        ShowLambda(true);
        ShowRuled(c.DgDConfAutoPcol, FormatCollectorPressure(r.ManifoldPressureRaw));
        ShowRuled(c.DgDConfAutoPsys, FormatPressure(r.GasPressureRaw));
        ShowRuled(c.DgDConfAutoTred, FormatTemperature(r.ReducerTempRaw));
    } else if (sub == c.TbSConfFinish) {
        if (ReadingsServices.FillConfFinishPage)
            ReadingsServices.FillConfFinishPage(false);
    }
}

void TFormMain::ShowMeasureReadings()
{
    TReadingControls &c = Rc();
    auto &r = DeviceRecord;
    UpdateGasSwitchPanel(!r.StatusBit05);
    ShowOdcPsys(r.GasPressureRaw);
    ShowOdcPcol(r.ManifoldPressureRaw);
    ShowOdcTred(r.ReducerTempRaw);
    ShowOdcTgas(r.GasTempRaw);
    ShowOdcRpm(r.RpmPeriod);
    ShowLambda(false);
    ShowPetrolBars(r.PetrolTime);

    // The device asks (parameter 24 = 1) for the gas times to be computed
    // from the petrol times by the model; a negative result is no time.
    if (DataManager && DataManager->ReadParameter8(24) == 1) {
        for (int i = 0; i < kChannels; ++i) {
            const double t = double(r.PetrolTime[i]) * r.Mult + r.Offset * 187.0;
            r.GasTime[i] = static_cast<quint32>(
                RoundClamped(t, 0, std::numeric_limits<quint32>::max()));
        }
    }

    ShowInjTimes(c.DgDOdcPetrol, c.DgDOdcLPG);
    ShowGasBars(r.GasTime);
    ShowEngineLoad();
    ShowGasInjCorrections();

    SetText(c.LblOdcVbat, FormatDecimals(RawToScaledVoltage(r.SupplyVoltageRaw), 1));
    const uint32_t vbat = CustomParameters ? CustomParameters->FindColorB(c.LblOdcVbat)
                                           : TCustomParameters::NoColor;
    SetFontColour(c.LblOdcVbat, Bgr(vbat));
    SetFontColour(c.LblOdcVbatUnit, Bgr(vbat));
    SetFuelLabelColours(c.LblOdcPETROL, c.LblOdcLPG, r.GasSwitchState == 5);
}

void TFormMain::ShowOdcPsys(uint8_t raw)
{
    TReadingControls &c = Rc();
    SetBar(c.PrBOdcPsys, raw);
    ShowRuled(c.DgDOdcPsys, FormatPressure(raw));
}

void TFormMain::ShowOdcPcol(uint8_t raw)
{
    TReadingControls &c = Rc();
    ShowRuled(c.DgDOdcPcol, FormatCollectorPressure(raw));
}

void TFormMain::ShowOdcTred(uint8_t raw)
{
    TReadingControls &c = Rc();
    ShowRuled(c.DgDOdcTred, FormatTemperature(raw));
    const int threshold = DataManager ? DataManager->GetSwitchTempThreshold() : 0;
    SetText(c.LblOdcTNomRed, FormatTemperature(static_cast<quint8>(std::clamp(threshold, 0, 255))));
}

void TFormMain::ShowOdcTgas(uint8_t raw)
{
    TReadingControls &c = Rc();
    ShowRuled(c.DgDOdcTgaz, FormatTemperature(raw));
}

void TFormMain::ShowOdcRpm(uint16_t period)
{
    TReadingControls &c = Rc();
    ShowRuled(c.DgDOdcRPM, FormatRpm(period));
    SetBar(c.PrBOdcRPM, PeriodToRpm(period));
}

void TFormMain::ShowLambda(bool OnModelBar)
{
    TReadingControls &c = Rc();
    const auto &r = DeviceRecord;
    const bool present = r.LambdaType > 0;
    for (QWidget *w : {static_cast<QWidget *>(c.PnlOdcLambdaCenter), static_cast<QWidget *>(c.PnlModLambda),
                       static_cast<QWidget *>(c.PnlDgnAdvLambda), static_cast<QWidget *>(c.PnlConfAutoLambda)})
        if (w->isHidden() == present)
            w->setVisible(present);
    if (c.PnlModPcol->isHidden() == c.PnlModLambda->isHidden())
        c.PnlModPcol->setVisible(c.PnlModLambda->isHidden());

    const uint8_t type = r.FlashLubeSupportEnabled ? 2 : r.LambdaType;
    const QString text = FormatDecimals(LambdaRawToVolts(r.LambdaRaw, type), 2);
    c.DgDOdcLambda->SetCaption(text);
    c.DgDConfGasElementsLambda->SetCaption(text);

    int divisor = 1;
    int value = r.LambdaRaw;
    switch (r.LambdaType) {
    case 1: divisor = 51; break;
    case 2:
    case 3: divisor = 255; break;
    case 4:
    case 5: divisor = 255; value = 255 - r.LambdaRaw; break;
    case 6: divisor = 41; value = static_cast<uint8_t>(r.LambdaRaw - 41); break;
    default: break;
    }
    auto slide = [value, divisor](QWidget *bar, QWidget *indicator) {
        const int left = (bar->width() - indicator->width()) * value / divisor;
        if (indicator->x() != left)
            indicator->move(left, indicator->y());
    };
    if (OnModelBar)
        slide(c.PnlModBarLambda, c.LblModLambdaPnl);
    else
        slide(c.PnlOdcBarLambda, c.LblOdcLambdaPnl);
    QWidget *page = c.PgCMain->currentWidget();
    if (page == c.TbSDiagnostic && c.PgCDiagnostyka->currentWidget() == c.TbSDgnAdvance)
        slide(c.PnlDgnAdvBarLambda, c.LblDgnAdvLambdaPnl);
    if (page == c.TbSConfigurator && c.PgCConfWizard->currentWidget() == c.TbSConfAutoCal)
        slide(c.PnlConfAutoBarLambda, c.LblConfAutoLambdaPnl);
}

void TFormMain::ShowPetrolBars(std::array<uint32_t, 8> times)
{
    TReadingControls &c = Rc();
    // The pie still shows the previous refresh: a full pie pins every bar.
    const bool full = PieFirst(c.ChtOdcWskTb) == 100.0;
    for (int n = 0; n < kChannels; ++n)
        SetBar(c.PrBOdcPetrol[n], full ? c.PrBOdcPetrol[n]->maximum() : qint64(times[n]));
}

void TFormMain::ShowGasBars(std::array<uint32_t, 8> times)
{
    TReadingControls &c = Rc();
    const bool onGas = DeviceRecord.GasSwitchState == 5;
    for (int n = 0; n < kChannels; ++n)
        SetBar(c.PrBOdcLPG[n], onGas ? qint64(times[n]) : 0);
}

void TFormMain::ShowEngineLoad()
{
    TReadingControls &c = Rc();
    const auto &r = DeviceRecord;
    if (r.RpmPeriod == 0) {
        for (int n = 0; n < kChannels; ++n) {
            SetText(c.LblOdcWskTb[n], QStringLiteral("--"));
            SetText(c.LblOdcWskTg[n], QStringLiteral("--"));
        }
        return;
    }

    // Petrol load in percent of the engine period.
    qint64 load = 0;
    if (IsKind(20) || IsKind(21)) {
        const int count = ActiveChannels();
        if (count > 0) {
            double sum = 0;
            for (int i = 0; i < count; ++i)
                sum += r.PetrolTime[i];
            load = RoundClamped(sum / count / r.RpmPeriod * 100.0, 0, 1000000);
        }
    } else if (ExtendedLiveGroup()) {
        load = r.EngineLoad;
    } else if (IsKind(48)) {
        load = ReadValue16(31);
    }
    const bool extended = ExtendedLiveGroup();
    const uint8_t petrolMax = (extended ? r.PetrolTimeMaxMask : uint8_t(ReadValue16(9) & 0xFF))
                              & r.InjectorMask;
    // A pie slice cannot be negative: a load beyond the period fills the pie.
    SetPie(c.ChtOdcWskTb, petrolMax ? 100.0 : double(std::min<qint64>(load, 100)));

    SetText(c.LblEngineLoad, QStringLiteral("%1:%2%").arg(Tr(QStringLiteral("strEngineLoad")))
                                 .arg(r.ConnectBytes.EngineLoad));

    // Injection window by the RPM source.
    const int count = DevData ? DevData->GetInjectorCount() : r.InjSW;
    qint64 window = r.RpmPeriod;
    switch (DevData ? DevData->GetRpmSource() : r.RPMsource) {
    case 1: window = RoundClamped(r.RpmPeriod / 2.0, 0, 65535); break;
    case 2: window = count > 0 ? RoundClamped(double(r.RpmPeriod) / count, 0, 65535) : 0; break;
    case 3: window = count > 0 ? RoundClamped(double(r.RpmPeriod) / count * 2, 0, 131070) : 0; break;
    default: break;
    }

    const uint8_t gasMax = (extended ? r.GasTimeMaxMask : uint8_t(ReadValue16(10) & 0xFF))
                           & r.InjectorMask;
    const double gasLoad =
        RoundClamped(GetAverageInjectionTime2() * 187.0 / r.RpmPeriod * 100.0, 0, 100);
    SetPie(c.ChtOdcWskTg, gasMax ? 100.0 : gasLoad);

    for (int n = 0; n < kChannels; ++n) {
        if (window == 0) {
            SetText(c.LblOdcWskTb[n], QStringLiteral("--"));
            SetText(c.LblOdcWskTg[n], QStringLiteral("--"));
            continue;
        }
        SetText(c.LblOdcWskTb[n], LoadText(r.PetrolTime[n], int(window), petrolMax, n));
        SetText(c.LblOdcWskTg[n], LoadText(r.GasTime[n], int(window), gasMax, n));
    }
}

void TFormMain::ShowGasInjCorrections()
{
    TReadingControls &c = Rc();
    const bool shown = DataManager && DataManager->IsDeviceVersionAtLeast(48, QStringLiteral("D"));
    if (c.PnlOdcGasInjCorr->isHidden() == shown)
        c.PnlOdcGasInjCorr->setVisible(shown);
    if (!shown)
        return;
    for (int n = 0; n < kChannels; ++n)
        SetText(c.LblOdcGasInjCorr[n],
                QStringLiteral("%1%").arg(int(DeviceRecord.GasInjCorrTable[n])));
}

void TFormMain::ShowDiagnosticReadings()
{
    TReadingControls &c = Rc();
    const auto &r = DeviceRecord;
    if (!c.PnlDgnAdvReadings->isHidden()) {
        ShowRuled(c.DgDDgnAdvPsys, FormatPressure(r.GasPressureRaw));
        c.DgDDgnAdvPcol->SetCaption(FormatCollectorPressure(r.ManifoldPressureRaw));
        ShowRuled(c.DgDDgnAdvTred, FormatTemperature(r.ReducerTempRaw));
        ShowRuled(c.DgDDgnAdvTgas, FormatTemperature(r.GasTempRaw));
        ShowRuled(c.DgDDgnAdvRPM, FormatRpm(r.RpmPeriod));
    }
    ShowDgnPetrolTimes(r.PetrolTime);
    ShowDgnGasTimes(r.GasTime);
    ShowLambda(false);

    const bool extended = ExtendedLiveGroup();
    const uint8_t switches = extended ? r.EmulatorSwitchBits
                                      : (DataManager ? DataManager->ReadEmulator3A() : 0);
    for (int n = 0; n < kChannels; ++n)
        c.DpSSwitchCh[n]->SetChecked(switches & (1u << n));
    c.DpSValve->SetChecked(extended ? r.ValveState != 0 : ReadValue16(11) != 0);

    const uint8_t starts = DataManager ? DataManager->ReadCounter33(1) : 0;
    SetEditText(c.EdtDgnAdvEmergencyStarts, QString::number(starts));
    const uint8_t maxBoard = DataManager ? DataManager->ReadCounter33(180) : 0;
    SetEditText(c.EdtDgnAdvTpcb, FormatTemperature(maxBoard));
    const uint8_t board = extended ? r.BoardTempRaw : uint8_t(ReadValue16(27) & 0xFF);
    SetEditText(c.EdtDgnAdvActualTpcb, FormatTemperature(board));

    const uint16_t systems = ReadValue16(38);
    c.CmBDgnAdvActualInjSystemType->setCurrentIndex(
        c.LblDgnAdvActualInjSystemType->isEnabled() ? systems >> 8 : -1);
    c.CmBDgnAdvOtherInjSystemType->setCurrentIndex(
        c.LblDgnAdvOtherInjSystemType->isEnabled() ? systems & 0xFF : -1);
}

void TFormMain::ShowDgnPetrolTimes(std::array<uint32_t, 8> times)
{
    TReadingControls &c = Rc();
    ShowRuled(c.DgDDgnAdvPetrol, FormatFloat2(GetPetrolInjTime()));
    for (int n = 0; n < kChannels; ++n)
        SetText(c.LblDgnAdvPetrol[n], FormatTimeMs(times[n] & 0xFFFF));
}

void TFormMain::ShowDgnGasTimes(std::array<uint32_t, 8> times)
{
    TReadingControls &c = Rc();
    const bool onGas = DeviceRecord.GasSwitchState == 5;
    c.DgDDgnAdvGas->SetCaption(onGas ? FormatFloat2(GetGasInjTime()) : FormatTimeMs(0));
    for (int n = 0; n < kChannels; ++n)
        SetText(c.LblDgnAdvGas[n], FormatTimeMs(onGas ? times[n] & 0xFFFF : 0));
}
