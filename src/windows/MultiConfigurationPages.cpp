#include "windows/MultiConfigurationPages.h"

#include "controls/DigitalDisplay.h"
#include "controls/YEdit.h"
#include "core/DeviceRecord.h"
#include "core/ui/Common.h"
#include "core/ui/ProgramLogic.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace multiconf {

namespace {

QStringList numbers(int from, int to, int step)
{
    QStringList out;
    for (int v = from; v <= to; v += step)
        out << QString::number(v);
    return out;
}

std::vector<int> steps(int from, int to, int step)
{
    std::vector<int> out;
    for (int v = from; v <= to; v += step)
        out.push_back(v);
    return out;
}

std::vector<int> times187(int from, int to)
{
    std::vector<int> out;
    for (int n = from; n <= to; ++n)
        out.push_back(187 * n);
    return out;
}

// "0,2" .. : tenths with a decimal comma.
QStringList tenths(int from, int to)
{
    QStringList out;
    for (int v = from; v <= to; ++v)
        out << QStringLiteral("%1,%2").arg(v / 10).arg(v % 10);
    return out;
}

} // namespace

const TValueList NomTred{numbers(20, 70, 5), {142, 127, 114, 100, 88, 77, 67, 58, 51, 44, 38}};
const TValueList NomRpm{numbers(400, 2000, 200),
                        {56100, 37400, 28050, 22440, 18700, 16028, 14024, 12464, 11220, 10200, 9348, 8628, 8012,
                         7480}};
const TValueList HeatingMinTred{numbers(-5, 40, 5), {207, 196, 183, 169, 156, 142, 128, 114, 101, 88, 77, 67, 58,
                                                     50, 44, 37, 33, 28}};
const TValueList FuelOverlapTime{numbers(1, 10, 1), times187(1, 10)};
const TValueList CutOffPressure{tenths(16, 23), {160, 170, 179, 188, 198, 207, 217, 226}};
const TValueList MicroinjectionTime{tenths(2, 26), {19,  28,  37,  47,  56,  65,  75,  84,  94,
                                                    103, 112, 122, 131, 140, 150, 159, 168, 178,
                                                    187, 196, 206, 215, 224, 234, 243}};
const TValueList PostValveDelay{tenths(1, 10) + QStringList{"2,0", "4,0", "6,0", "8,0", "10", "20", "50", "100", "130"},
                                {50, 100, 150, 200, 250, 300, 350, 400, 450, 500, 1000, 2000, 3000, 4000, 5000,
                                 10000, 25000, 50000, 65000}};
const TValueList EmulatorSwitchDelay{{"0", "0,2", "0,4", "0,6", "0,8", "1", "2", "3", "4", "5"},
                                     {0, 100, 200, 300, 400, 500, 1000, 1500, 2000, 2500}};
const TValueList LowPressDelay{tenths(1, 9) + QStringList{"1", "1,5", "2", "2,5", "3", "3,5", "4", "4,5", "5"},
                               {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20, 25, 30, 35, 40, 45, 50}};
const TValueList LowPressTreshold{tenths(3, 9), {38, 47, 57, 66, 76, 85, 94}};
const TValueList LowRpmReturn{numbers(400, 2000, 50), steps(400, 2000, 50)};
const TValueList HighRpmReturn{numbers(3000, 8000, 250), steps(3000, 8000, 250)};
const TValueList LowTgasReturn{numbers(-10, 10, 1), {217, 215, 213, 211, 209, 207, 205, 203, 200, 198, 195,
                                                     193, 191, 188, 186, 183, 181, 178, 175, 172, 170}};
const TValueList HighLoadReturn{numbers(50, 95, 5), steps(50, 95, 5)};
const TValueList Nozle{tenths(15, 35), steps(15, 40, 1)};
const TValueList CutOffEnrichMaxRpm{
    numbers(1000, 1500, 100) + QStringList{"2000", "2200", "2500", "2700", "3000", "3200", "3500"},
    {1000, 1100, 1200, 1300, 1400, 1500, 2000, 2200, 2500, 2700, 3000, 3200, 3500}};
const TValueList CutOffEnrichInjTime{numbers(1, 10, 1), times187(1, 10)};
// Signed percentages, compared and sent as their byte.
const TValueList IgnitionCorrPercent{numbers(-100, 50, 5), [] {
                                         std::vector<int> out;
                                         for (int v = -100; v <= 50; v += 5)
                                             out.push_back(v & 0xFF);
                                         return out;
                                     }()};
const TValueList OnCutOffDelay{numbers(1, 10, 1), steps(500, 5000, 500)};
const TValueList MinGasInjTime{
    QStringList{"2,0", "2,2", "2,4", "2,6", "2,8", "3,0", "3,2", "3,4", "3,6", "3,8", "4,0"} + tenths(41, 50),
    {374,  411,  449,  486,  524,  561,  598,  636,  673,  711,  748,  766,  785,  804,  822,  841,
     860,  878,  897,  916,  935,  972,  1010, 1047, 1085, 1122, 1159, 1197, 1234, 1272, 1309, 1346,
     1384, 1421, 1459, 1496, 1533, 1571, 1608, 1646, 1683, 1720, 1758, 1795, 1833, 1870}};
const TValueList MaxGasInjTime{numbers(15, 25, 1), times187(15, 25)};
const TValueList LoadPercent{numbers(20, 95, 5), steps(20, 95, 5)};

void FillList(QComboBox *list, const TValueList &values)
{
    list->clear();
    list->addItems(values.Shown);
    list->setCurrentIndex(-1);
}

void Choose(QComboBox *list, const TValueList &values, int value, int mask)
{
    int found = -1;
    for (size_t i = 0; i < values.Table.size() && found < 0; ++i)
        if ((values.Table[i] & mask) == (value & mask))
            found = int(i);
    SetIndex(list, found);
}

int Entry(const QComboBox *list, const TValueList &values, int current)
{
    const int i = list ? list->currentIndex() : -1;
    return i >= 0 && i < int(values.Table.size()) ? values.Table[size_t(i)] : current;
}

int Index(const QComboBox *list, int current)
{
    return list && list->currentIndex() >= 0 ? list->currentIndex() : current;
}

int Shown(const QComboBox *list, int current)
{
    if (!list || list->currentIndex() < 0)
        return current;
    bool ok = false;
    const int v = list->currentText().toInt(&ok);
    return ok ? v : current;
}

void SetIndex(QComboBox *list, int index)
{
    if (list)
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

bool Checked(const QAbstractButton *box)
{
    return box && box->isChecked();
}

} // namespace multiconf

using namespace multiconf;

namespace {

QComboBox *combo(QWidget *parent, const char *name, int x, int y, int w = 130)
{
    auto *c = NewNamed<QComboBox>(parent, name, {x, y, w, 22});
    c->setCurrentIndex(-1);
    return c;
}

QCheckBox *check(QWidget *parent, const char *name, const QString &text, int x, int y, int w = 330)
{
    return NewNamed<QCheckBox>(parent, name, {x, y, w, 20}, text);
}

QFrame *panel(QWidget *sheet, const char *name)
{
    auto *p = NewNamed<QFrame>(sheet, name, {0, 0, 680, 424});
    return p;
}

} // namespace

QLabel *TMultiConfigPage::Caption(QWidget *parent, const char *name, const QString &text, int x, int y, int w)
{
    return NewNamed<QLabel>(parent, name, {x, y + 2, w, 20}, text);
}

// ---- Basic page ----------------------------------------------------------------

TMultiConfigBasePage::TMultiConfigBasePage(QWidget *sheet, QObject *owner) : TMultiConfigPage(owner)
{
    Panel = panel(sheet, "PnlKnfBase");
    QWidget *p = Panel;
    Caption(p, "LblKnfInjCount", QStringLiteral("Liczba cylindrów"), 12, 16);
    CmbKnfInjCount = combo(p, "CmbKnfInjCount", 250, 16, 80);
    Caption(p, "LblKnfInjType", QStringLiteral("Typ wtryskiwaczy gazowych"), 12, 48);
    CmbKnfInjType = combo(p, "CmbKnfInjType", 250, 48, 220);
    Caption(p, "LblKnfRPMSource", QStringLiteral("Sygnał obrotów"), 12, 80);
    CmbKnfRPMSource = combo(p, "CmbKnfRPMSource", 250, 80, 180);
    CmbKnfRPMSource->addItems({QStringLiteral("1:1"), QStringLiteral("PODZIELONE PRZEZ 2"),
                               QStringLiteral("Obrotomierz"), QStringLiteral("Obrotomierz 2")});
    Caption(p, "LblKnfLevelSensorType", QStringLiteral("Czujnik poziomu gazu"), 12, 112);
    CmbKnfLevelSensorType = combo(p, "CmbKnfLevelSensorType", 250, 112, 130);
    CmbKnfLevelSensorType->addItems({QStringLiteral("Rezerwa"), QStringLiteral("VXR PW"), QStringLiteral("AEB 1050"),
                                     QStringLiteral("0-90")});
    BtnKnfLvSensorConfig = NewNamed<QPushButton>(p, "BtnKnfLvSensorConfig", {390, 111, 120, 24},
                                                 QStringLiteral("Konfiguracja"));
    BtnKnfLvSensorConfig->hide();
    Caption(p, "LblKnfNomTred", QStringLiteral("Temperatura przełączenia [°C]"), 12, 160);
    CmBKnfNomTred = combo(p, "CmBKnfNomTred", 250, 160, 80);
    Caption(p, "LblKnfNomRPM", QStringLiteral("Obroty przełączenia [obr/min]"), 12, 192);
    CmBKnfNomRPM = combo(p, "CmBKnfNomRPM", 250, 192, 80);
    Caption(p, "LblKnfRPM", QStringLiteral("Obroty silnika [obr/min]"), 12, 240);
    DgDRPM = NewNamed<TDigitalDisplay>(p, "DgDRPM", {250, 232, 130, 40});
    DgDRPM->SetCaption(QStringLiteral("0"));
    FillList(CmBKnfNomTred, NomTred);
    FillList(CmBKnfNomRPM, NomRpm);
    for (QComboBox *c : {CmbKnfInjCount, CmbKnfRPMSource, CmbKnfLevelSensorType})
        c->setCurrentIndex(-1);
}

void TMultiConfigBasePage::RebuildCylinderCounts(int largest)
{
    if (largest <= 0)
        return;
    const int keep = CmbKnfInjCount->currentIndex();
    QStringList items;
    if (largest == 4)
        items = {"3", "4"};
    else if (largest == 6)
        items = {"3", "4", "5", "6"};
    else if (largest == 8)
        items = {"3", "4", "5", "6", "8"};
    CmbKnfInjCount->clear();
    CmbKnfInjCount->addItems(items);
    SetIndex(CmbKnfInjCount, keep);
}

int TMultiConfigBasePage::ChosenCylinders() const
{
    return CmbKnfInjCount->currentIndex() >= 0 ? CmbKnfInjCount->currentText().toInt() : 0;
}

void TMultiConfigBasePage::Fill(const TDeviceRecord &r)
{
    const int counts[] = {3, 4, 5, 6, 8};
    int index = -1;
    for (int i = 0; i < 5; ++i)
        if (r.InjSW == counts[i])
            index = i;
    SetIndex(CmbKnfInjCount, index);
    CmbKnfInjType->setCurrentIndex(CmbKnfInjType->findData(int(r.InjTypeName)));
    SetIndex(CmbKnfRPMSource, r.RPMsource);
    SetIndex(CmbKnfLevelSensorType, r.ReserveType);
    TProgramLogic::ShowControl(BtnKnfLvSensorConfig, CmbKnfLevelSensorType->currentIndex() >= 1, true);
    Choose(CmBKnfNomTred, NomTred, r.T);
    Choose(CmBKnfNomRPM, NomRpm, r.RPM, 0x3FFF);
}

void TMultiConfigBasePage::Clear()
{
    for (QComboBox *c : {CmbKnfInjCount, CmbKnfInjType, CmbKnfRPMSource, CmbKnfLevelSensorType, CmBKnfNomTred,
                         CmBKnfNomRPM})
        c->setCurrentIndex(-1);
}

void TMultiConfigBasePage::CmbKnfRPMSourceChange(QComboBox *rpmSourceType)
{
    // Halved RPM with the petrol injectors as source: the user must know.
    if (rpmSourceType && rpmSourceType->currentIndex() == 0 && CmbKnfRPMSource->currentIndex() == 1)
        if (Common)
            Common->ShowInformation(TranslateKey(QStringLiteral("strInfoFastInj1")) + QStringLiteral("\n")
                                        + TranslateKey(QStringLiteral("strInfoFastInj2")),
                                    QString());
}

// ---- Advanced page ----------------------------------------------------------------

TMultiConfigAdvancePage::TMultiConfigAdvancePage(QWidget *sheet, QObject *owner) : TMultiConfigPage(owner)
{
    Panel = panel(sheet, "PnlKnfAdvance");
    QWidget *p = Panel;
    ChBKnfNosequential = check(p, "ChBKnfNosequential", QStringLiteral("Wtrysk niesekwencyjny"), 12, 8);
    ChBKnfNosequential->hide();
    ChBKnfMicroInjection = check(p, "ChBKnfMicroInjection", QStringLiteral("Mikrowtryski"), 12, 8, 150);
    PnlKnfMicroinjectionTime = NewNamed<QFrame>(p, "PnlKnfMicroinjectionTime", {170, 4, 170, 28});
    CmbKnfMicroinjectionTime = combo(PnlKnfMicroinjectionTime, "CmbKnfMicroinjectionTime", 0, 2, 80);
    Caption(PnlKnfMicroinjectionTime, "LblKnfMicroinjectionTimeUnit", QStringLiteral("ms"), 86, 2, 40);
    PnlKnfMicroinjectionTime->hide();
    ChBKnfHemiEngine = check(p, "ChBKnfHemiEngine", QStringLiteral("Silnik HEMI"), 12, 34);
    ChBKnfSemiGasControl = check(p, "ChBKnfSemiGasControl", QStringLiteral("Półsekwencyjne sterowanie gazem"), 12, 58);
    ChBKnfExternalEmulator = check(p, "ChBKnfExternalEmulator", QStringLiteral("Zewnętrzny emulator"), 12, 82);
    ChBKnfPetrolInjPlusControl =
        check(p, "ChBKnfPetrolInjPlusControl", QStringLiteral("Sterowanie wtryskiwaczy benzyny plusem"), 12, 106);
    ChBKnfMasterMode = check(p, "ChBKnfMasterMode", QStringLiteral("Tryb MASTER"), 12, 130);
    RdBKnfLPG = NewNamed<QRadioButton>(p, "RdBKnfLPG", {360, 8, 80, 20}, QStringLiteral("LPG"));
    RdBKnfCNG = NewNamed<QRadioButton>(p, "RdBKnfCNG", {450, 8, 80, 20}, QStringLiteral("CNG"));
    RdBKnfLPG->setChecked(true);
    RdBKnfLPG->hide();
    RdBKnfCNG->hide();
    ChBKnfAlwaysStartOnGas = check(p, "ChBKnfAlwaysStartOnGas", QStringLiteral("Zawsze start na gazie"), 360, 34);
    ChBKnfAlwaysStartOnGas->hide();
    // The lists of this column hold long names ("Wtryskiwacze benzynowe"):
    // they start left of the column above and reach its right edge.
    Caption(p, "LblConfRPMSourceType", QStringLiteral("Źródło obrotów"), 12, 158, 144);
    CmBConfRPMSourceType = combo(p, "CmBConfRPMSourceType", 160, 158, 190);
    CmBConfRPMSourceType->addItems({QStringLiteral("Wtryskiwacze benzynowe"), QStringLiteral("RPM")});
    CmBConfRPMSourceType->setCurrentIndex(-1);
    ChBConfRPMNotConnected =
        check(p, "ChBConfRPMNotConnected", QStringLiteral("Przewód obrotów niepodłączony"), 360, 160, 300);
    ChBKnfGasTempSensorInFlow =
        check(p, "ChBKnfGasTempSensorInFlow", QStringLiteral("Czujnik temperatury gazu w przepływie"), 360, 34);
    ChBKnfGasTempSensorInFlow->hide();
    Caption(p, "LblKnfPressureSensorType", QStringLiteral("Czujnik ciśnienia"), 12, 190, 144);
    CmBKnfPressureSensorType = combo(p, "CmBKnfPressureSensorType", 160, 190, 190);
    BtBKnfCheckPressure =
        NewNamed<QPushButton>(p, "BtBKnfCheckPressure", {360, 189, 140, 24}, QStringLiteral("Sprawdź ciśnienie"));
    DgDPsys = NewNamed<TDigitalDisplay>(p, "DgDPsys", {510, 184, 100, 34});
    DgDPsys->SetCaption(QStringLiteral("0"));
    ChBConfAutoAdaptation = check(p, "ChBConfAutoAdaptation", QStringLiteral("Automatyczna adaptacja"), 360, 58);
    ChBConfAutoAdaptation->hide();

    ChBConfEnrichmentDuringCutOffForLowRPM = check(p, "ChBConfEnrichmentDuringCutOffForLowRPM",
                                                   QStringLiteral("Wzbogacanie w odcięciu przy niskich obrotach"),
                                                   12, 228, 330);
    LblConfInjTimeForEnrichmentDuringCutOff = Caption(p, "LblConfInjTimeForEnrichmentDuringCutOff",
                                                      QStringLiteral("Czas wtrysku [ms]"), 350, 228, 120);
    CmBConfInjTimeForEnrichmentDuringCutOff = combo(p, "CmBConfInjTimeForEnrichmentDuringCutOff", 470, 228, 60);
    CmBConfMaxRpmForEnrichmentDuringCutOff = combo(p, "CmBConfMaxRpmForEnrichmentDuringCutOff", 540, 228, 80);
    ChBConfMazdaIgnitionTypeCorr =
        check(p, "ChBConfMazdaIgnitionTypeCorr", QStringLiteral("Korekcja dla typu zapłonu"), 12, 256, 330);
    CmBConfMazdaEnrichmentPercentage = combo(p, "CmBConfMazdaEnrichmentPercentage", 470, 256, 60);
    LblConfMazdaCorrectionUnit = Caption(p, "LblConfMazdaCorrectionUnit", QStringLiteral("%"), 540, 256, 30);
    ChBConfMinGasInjTime = check(p, "ChBConfMinGasInjTime", QStringLiteral("Minimalny czas wtrysku gazu"), 12, 284);
    CmBConfMinGasInjTime = combo(p, "CmBConfMinGasInjTime", 470, 284, 60);
    LblConfMinGasInjTimeUnit = Caption(p, "LblConfMinGasInjTimeUnit", QStringLiteral("ms"), 540, 284, 30);
    ChBConfMaxGasInjTime = check(p, "ChBConfMaxGasInjTime", QStringLiteral("Maksymalny czas wtrysku gazu"), 12, 312);
    CmBConfMaxGasInjTime = combo(p, "CmBConfMaxGasInjTime", 470, 312, 60);
    LblConfMaxGasInjTimeUnit = Caption(p, "LblConfMaxGasInjTimeUnit", QStringLiteral("ms"), 540, 312, 30);

    PnlConfPostValveDelay = NewNamed<QFrame>(p, "PnlConfPostValveDelay", {0, 340, 680, 28});
    LblConfPostValveDelay = Caption(PnlConfPostValveDelay, "LblConfPostValveDelay",
                                    QStringLiteral("Opóźnienie zamknięcia elektrozaworów"), 12, 2, 330);
    CmBConfPostValveDelay = combo(PnlConfPostValveDelay, "CmBConfPostValveDelay", 470, 2, 60);
    LblConfPostValveDelayUnit = Caption(PnlConfPostValveDelay, "LblConfPostValveDelayUnit", QStringLiteral("s"), 540, 2, 30);

    Caption(p, "LblKnfInjSystemType", QStringLiteral("System wtrysku"), 12, 376, 144);
    CmBKnfInjSystemType = combo(p, "CmBKnfInjSystemType", 160, 376, 190);
    CmBKnfInjSystemType->addItems({QStringLiteral("INNY"), QStringLiteral("SEKWENCYJNY"),
                                   QStringLiteral("PÓŁSEKWENCYJNY"), QStringLiteral("FULLGROUP")});
    CmBKnfInjSystemType->setCurrentIndex(-1);
    BtnKnfCheckInjSystem = NewNamed<QPushButton>(p, "BtnKnfCheckInjSystem", {360, 375, 100, 24}, QStringLiteral("Wykryj"));
    LblConfSysInj = Caption(p, "LblConfSysInj", QString(), 470, 370, 200);
    LblConfSysInj2 = Caption(p, "LblConfSysInj2", QString(), 470, 390, 200);
    LblConfSysInj->hide();
    LblConfSysInj2->hide();

    FillList(CmbKnfMicroinjectionTime, MicroinjectionTime);
    FillList(CmBConfInjTimeForEnrichmentDuringCutOff, CutOffEnrichInjTime);
    FillList(CmBConfMaxRpmForEnrichmentDuringCutOff, CutOffEnrichMaxRpm);
    FillList(CmBConfMazdaEnrichmentPercentage, IgnitionCorrPercent);
    FillList(CmBConfMinGasInjTime, MinGasInjTime);
    FillList(CmBConfMaxGasInjTime, MaxGasInjTime);
    FillList(CmBConfPostValveDelay, PostValveDelay);
}

QList<QWidget *> TMultiConfigAdvancePage::VersionGroup() const
{
    return {ChBConfEnrichmentDuringCutOffForLowRPM, CmBConfInjTimeForEnrichmentDuringCutOff,
            LblConfInjTimeForEnrichmentDuringCutOff, CmBConfMaxRpmForEnrichmentDuringCutOff,
            ChBConfMazdaIgnitionTypeCorr, CmBConfMazdaEnrichmentPercentage, LblConfMazdaCorrectionUnit,
            ChBConfMinGasInjTime, CmBConfMinGasInjTime, LblConfMinGasInjTimeUnit, ChBConfMaxGasInjTime,
            CmBConfMaxGasInjTime, LblConfMaxGasInjTimeUnit};
}

void TMultiConfigAdvancePage::ShowExternalEmulator(bool on)
{
    ChBKnfExternalEmulator->setChecked(on);
    for (QWidget *w : {static_cast<QWidget *>(LblConfPostValveDelay), static_cast<QWidget *>(CmBConfPostValveDelay),
                       static_cast<QWidget *>(LblConfPostValveDelayUnit)})
        w->setVisible(!on);
}

void TMultiConfigAdvancePage::ChBKnfMicroInjectionClick()
{
    PnlKnfMicroinjectionTime->setVisible(ChBKnfMicroInjection->isChecked());
}

void TMultiConfigAdvancePage::ChBConfRPMNotConnectedClick()
{
    if (RecordIsKind48AtLeast(DeviceRecord, u"A") && !RecordIsKind48AtLeast(DeviceRecord, u"C"))
        return;
    if (ChBConfRPMNotConnected->isChecked()) {
        CmBConfRPMSourceType->setCurrentIndex(0);
        CmBConfRPMSourceType->setEnabled(false);
    } else {
        CmBConfRPMSourceType->setEnabled(true);
    }
}

void TMultiConfigAdvancePage::Fill(const TDeviceRecord &r)
{
    SetIndex(CmBKnfPressureSensorType, r.PressureSensorType - 1);
    ChBKnfGasTempSensorInFlow->setChecked(r.GasTempSensorInFlow);
    ChBKnfNosequential->setChecked(r.NoSeqential);
    ChBKnfMicroInjection->setChecked(r.MicroInjection);
    ChBKnfMicroInjectionClick();
    Choose(CmbKnfMicroinjectionTime, MicroinjectionTime, r.MicroInjectionTime);
    ChBKnfHemiEngine->setChecked(r.HemiEngine);
    ChBKnfPetrolInjPlusControl->setChecked(r.PetrolInjPlusControl);
    ShowExternalEmulator(r.ExternalEmulator);
    Choose(CmBConfPostValveDelay, PostValveDelay, r.PostValveDelay);
    ChBKnfSemiGasControl->setChecked(r.SemiGasControl);
    RdBKnfLPG->setChecked(r.FuelType == 0);
    RdBKnfCNG->setChecked(r.FuelType == 1);
    ChBConfRPMNotConnected->setChecked(r.RPMWireNotConnect);
    SetIndex(CmBConfRPMSourceType, r.RPMSourceType);
    ChBKnfMasterMode->setChecked(r.MasterMode);
    ChBConfAutoAdaptation->setChecked(r.AdaptationMode);
    SetIndex(CmBKnfInjSystemType, r.InjSystemType);
    ChBConfEnrichmentDuringCutOffForLowRPM->setChecked(r.PreinjectionsDuringCutOffForLowRPMEnabled);
    Choose(CmBConfMaxRpmForEnrichmentDuringCutOff, CutOffEnrichMaxRpm, r.MaxRpmForEnrichmentDuringCutOff);
    Choose(CmBConfInjTimeForEnrichmentDuringCutOff, CutOffEnrichInjTime, r.InjTimeForEnrichmentDuringCutOff);
    ChBConfMazdaIgnitionTypeCorr->setChecked(r.MazdaIgnitionTypeCorrEnabled);
    Choose(CmBConfMazdaEnrichmentPercentage, IgnitionCorrPercent, r.MazdaEnrichmentPercentage);
    ChBConfMinGasInjTime->setChecked(r.MinGasInjTimeEnabled);
    CmBConfMinGasInjTime->setCurrentIndex(-1);
    if (r.MinGasInjTimeEnabled)
        Choose(CmBConfMinGasInjTime, MinGasInjTime, r.MinGasInjectionTime);
    ChBConfMaxGasInjTime->setChecked(r.MaxGasInjTimeEnabled);
    CmBConfMaxGasInjTime->setCurrentIndex(-1);
    if (r.MaxGasInjTimeEnabled)
        Choose(CmBConfMaxGasInjTime, MaxGasInjTime, r.MaxGasInjectionTime);
}

void TMultiConfigAdvancePage::Clear()
{
    for (QComboBox *c : Panel->findChildren<QComboBox *>())
        c->setCurrentIndex(-1);
    for (QCheckBox *b : Panel->findChildren<QCheckBox *>())
        b->setChecked(false);
}

// ---- Switching page -------------------------------------------------------------------

TMultiConfigSwitchingPage::TMultiConfigSwitchingPage(QWidget *sheet, QObject *owner) : TMultiConfigPage(owner)
{
    Panel = panel(sheet, "Panel3");
    // The return conditions name their units in long captions: the caption
    // column takes most of the sheet's width, the lists follow it.
    Panel->resize(740, Panel->height());
    QWidget *p = Panel;
    const int w = 480, c2 = 500, c3 = 590;
    ChBConfGasInjectorsHeating =
        check(p, "ChBConfGasInjectorsHeating", QStringLiteral("Podgrzewanie wtryskiwaczy gazu poniżej [°C]"), 12, 8, w);
    CmBConfMinTredForGasInjctorsHeatingProcess = combo(p, "CmBConfMinTredForGasInjctorsHeatingProcess", c2, 8, 70);
    ChBConfFuelOverlap = check(p, "ChBConfFuelOverlap", QStringLiteral("Nakładanie paliw: cykle / czas [ms]"), 12, 36, w);
    CmBConfFuelOverlapCycles = combo(p, "CmBConfFuelOverlapCycles", c2, 36, 70);
    CmBConfFuelOverlapCycles->addItems(QStringList{"0", "1", "2", "3", "4", "5"});
    CmBConfFuelOverlapCycles->setCurrentIndex(-1);
    CmBConfFuelOverlapTime = combo(p, "CmBConfFuelOverlapTime", c3, 36, 70);
    ChBConfPreinjectionProcessDuringCutOff = check(p, "ChBConfPreinjectionProcessDuringCutOff",
                                                   QStringLiteral("Kontrola ciśnienia w odcięciu [bar]"), 12, 64, w);
    CmBConfPressurePreinjectionProcessDuringCutOff =
        combo(p, "CmBConfPressurePreinjectionProcessDuringCutOff", c2, 64, 70);
    ChBKnfRaisingTswitching =
        check(p, "ChBKnfRaisingTswitching", QStringLiteral("Podnoszenie temperatury przełączenia"), 12, 92, w);
    Caption(p, "LblConfEmulatorSwitchDelay", QStringLiteral("Opóźnienie przełączenia emulatora [s]"), 12, 120, w);
    CmBConfEmulatorSwitchDelay = combo(p, "CmBConfEmulatorSwitchDelay", c2, 120, 70);
    Caption(p, "LblKnfLowPress", QStringLiteral("Niskie ciśnienie gazu [bar] / opóźnienie [s]"), 12, 148, w);
    CmBKnfLowPressTreshold = combo(p, "CmBKnfLowPressTreshold", c2, 148, 70);
    CmBKnfLowPressDelay = combo(p, "CmBKnfLowPressDelay", c3, 148, 70);
    ChBKnfTuningMode = check(p, "ChBKnfTuningMode", QStringLiteral("Tryb strojenia"), 12, 176, w);
    ChBKnfLowRPMReturnToPetrol =
        check(p, "ChBKnfLowRPMReturnToPetrol", QStringLiteral("Powrót na benzynę poniżej obrotów"), 12, 204, w);
    CmBKnfLowRPMReturnToPetrol = combo(p, "CmBKnfLowRPMReturnToPetrol", c2, 204, 70);
    ChBKnfHighRPMReturnToPetrol =
        check(p, "ChBKnfHighRPMReturnToPetrol", QStringLiteral("Powrót na benzynę powyżej obrotów"), 12, 232, w);
    CmBKnfHighRPMReturnToPetrol = combo(p, "CmBKnfHighRPMReturnToPetrol", c2, 232, 70);
    ChBKnfHighLoadReturnToPetrol =
        check(p, "ChBKnfHighLoadReturnToPetrol", QStringLiteral("Powrót na benzynę powyżej obciążenia [%]"), 12, 260, w);
    CmBKnfHighLoadReturnToPetrol = combo(p, "CmBKnfHighLoadReturnToPetrol", c2, 260, 70);
    ChBKnfLowTgasReturnToPetrol = check(p, "ChBKnfLowTgasReturnToPetrol",
                                        QStringLiteral("Powrót na benzynę poniżej temperatury gazu [°C] i obciążeniu [%]"),
                                        12, 288, w);
    CmBKnfLowTgasReturnToPetrol = combo(p, "CmBKnfLowTgasReturnToPetrol", c2, 288, 70);
    CmBConfHighLoadPetrolForTgasReturnToPetrol = combo(p, "CmBConfHighLoadPetrolForTgasReturnToPetrol", c3, 288, 70);
    ChBConfLowTredAndHighLoadReturnToPetrol =
        check(p, "ChBConfLowTredAndHighLoadReturnToPetrol",
              QStringLiteral("Powrót na benzynę poniżej temperatury reduktora [°C] i obciążeniu [%]"), 12, 316, w);
    CmBConfLowTredForTredLoadReturnToPetrol = combo(p, "CmBConfLowTredForTredLoadReturnToPetrol", c2, 316, 70);
    CmBConfHighLoadPetrolForTredReturnToPetrol = combo(p, "CmBConfHighLoadPetrolForTredReturnToPetrol", c3, 316, 70);
    ChBConfCutOffModeReturnToPetrol =
        check(p, "ChBConfCutOffModeReturnToPetrol", QStringLiteral("Powrót na benzynę w odcięciu"), 12, 344, w);
    LblConfOnCutOffDelay = Caption(p, "LblConfOnCutOffDelay", QStringLiteral("po [s]"), 12, 370, w);
    CmBOnCutOffDelay = combo(p, "CmBOnCutOffDelay", c2, 370, 70);
    CmBConfCutOffEmulSwitchDelay = combo(p, "CmBConfCutOffEmulSwitchDelay", c3, 370, 70);
    LblConfCutOffEmulatorSwitchDelayUnit =
        Caption(p, "LblConfCutOffEmulatorSwitchDelayUnit", QStringLiteral("s"), c3 + 76, 370, 30);
    ChBConfAutoToGasOnControlPanelHidden = check(p, "ChBConfAutoToGasOnControlPanelHidden",
                                                 QStringLiteral("Ukryte przełączenie na gaz"), 12, 398);
    ChBConfAutoToGasOnControlPanelHidden->hide();
    ChBConfAutoToGasOnControlPanelHidden->setEnabled(false);

    FillList(CmBConfMinTredForGasInjctorsHeatingProcess, HeatingMinTred);
    FillList(CmBConfFuelOverlapTime, FuelOverlapTime);
    FillList(CmBConfPressurePreinjectionProcessDuringCutOff, CutOffPressure);
    FillList(CmBConfEmulatorSwitchDelay, EmulatorSwitchDelay);
    FillList(CmBKnfLowPressTreshold, LowPressTreshold);
    FillList(CmBKnfLowPressDelay, LowPressDelay);
    FillList(CmBKnfLowRPMReturnToPetrol, LowRpmReturn);
    FillList(CmBKnfHighRPMReturnToPetrol, HighRpmReturn);
    FillList(CmBKnfHighLoadReturnToPetrol, HighLoadReturn);
    FillList(CmBKnfLowTgasReturnToPetrol, LowTgasReturn);
    FillList(CmBConfHighLoadPetrolForTgasReturnToPetrol, LoadPercent);
    FillList(CmBConfLowTredForTredLoadReturnToPetrol, NomTred);
    FillList(CmBConfHighLoadPetrolForTredReturnToPetrol, LoadPercent);
    FillList(CmBOnCutOffDelay, OnCutOffDelay);
    FillList(CmBConfCutOffEmulSwitchDelay, EmulatorSwitchDelay);
}

QList<QWidget *> TMultiConfigSwitchingPage::VersionGroup() const
{
    return {ChBConfCutOffModeReturnToPetrol, CmBOnCutOffDelay, LblConfOnCutOffDelay, CmBConfCutOffEmulSwitchDelay,
            LblConfCutOffEmulatorSwitchDelayUnit};
}

void TMultiConfigSwitchingPage::ReturnBoxClick(QAbstractButton *box, QComboBox *list, bool last)
{
    if (box->isChecked() && list->currentIndex() < 0)
        list->setCurrentIndex(last ? list->count() - 1 : 0);
    list->setEnabled(box->isChecked());
}

void TMultiConfigSwitchingPage::EnableByBoxes()
{
    CmBConfMinTredForGasInjctorsHeatingProcess->setEnabled(ChBConfGasInjectorsHeating->isChecked());
    CmBConfFuelOverlapCycles->setEnabled(ChBConfFuelOverlap->isChecked());
    CmBConfFuelOverlapTime->setEnabled(ChBConfFuelOverlap->isChecked());
    CmBConfPressurePreinjectionProcessDuringCutOff->setEnabled(ChBConfPreinjectionProcessDuringCutOff->isChecked());
    for (auto [box, list] : {std::pair{ChBKnfLowRPMReturnToPetrol, CmBKnfLowRPMReturnToPetrol},
                             std::pair{ChBKnfHighRPMReturnToPetrol, CmBKnfHighRPMReturnToPetrol},
                             std::pair{ChBKnfHighLoadReturnToPetrol, CmBKnfHighLoadReturnToPetrol},
                             std::pair{ChBKnfLowTgasReturnToPetrol, CmBKnfLowTgasReturnToPetrol}})
        list->setEnabled(box->isChecked());
}

void TMultiConfigSwitchingPage::Fill(const TDeviceRecord &r)
{
    Choose(CmBConfMinTredForGasInjctorsHeatingProcess, HeatingMinTred, r.MinTredForGasInjHeating);
    ChBConfGasInjectorsHeating->setChecked(r.GasInjHeating);
    ChBConfFuelOverlap->setChecked(r.FuelOverlap);
    SetIndex(CmBConfFuelOverlapCycles, r.MaxCyclesMixedFuel);
    Choose(CmBConfFuelOverlapTime, FuelOverlapTime, r.MaxTimeMixedFuel);
    ChBConfPreinjectionProcessDuringCutOff->setChecked(r.PreinjectionProcessDuringCutOff);
    Choose(CmBConfPressurePreinjectionProcessDuringCutOff, CutOffPressure, r.MinPressDuringCuttOffForPreinjections);
    ChBKnfRaisingTswitching->setChecked(r.RisingT);
    Choose(CmBConfEmulatorSwitchDelay, EmulatorSwitchDelay, r.EmulatorSwitchDelay);
    Choose(CmBKnfLowPressDelay, LowPressDelay, r.LowPD);
    Choose(CmBKnfLowPressTreshold, LowPressTreshold, r.LowPT);
    ChBKnfLowRPMReturnToPetrol->setChecked(r.RPM_lt);
    Choose(CmBKnfLowRPMReturnToPetrol, LowRpmReturn, r.RPM_lt_val);
    ChBKnfHighRPMReturnToPetrol->setChecked(r.RPM_gt);
    Choose(CmBKnfHighRPMReturnToPetrol, HighRpmReturn, r.RPM_gt_val);
    ChBKnfHighLoadReturnToPetrol->setChecked(r.LoadP_gt);
    Choose(CmBKnfHighLoadReturnToPetrol, HighLoadReturn, r.LoadP_gt_val, 0xFF);
    ChBKnfLowTgasReturnToPetrol->setChecked(r.Tgas_lt);
    Choose(CmBKnfLowTgasReturnToPetrol, LowTgasReturn, r.Tgas_lt_val, 0xFF);
    ChBKnfTuningMode->setChecked(r.TuningMode);
    ChBConfLowTredAndHighLoadReturnToPetrol->setChecked(r.Tred_lt_Load);
    Choose(CmBConfLowTredForTredLoadReturnToPetrol, NomTred, r.Tred_lt_Load_Tredval);
    Choose(CmBConfHighLoadPetrolForTredReturnToPetrol, LoadPercent, r.Tred_lt_Load_Lval);
    Choose(CmBConfHighLoadPetrolForTgasReturnToPetrol, LoadPercent, r.Tgas_lt_Load_Lval);
    ChBConfCutOffModeReturnToPetrol->setChecked(r.CutOffModeActivated);
    Choose(CmBConfCutOffEmulSwitchDelay, EmulatorSwitchDelay, r.AfterCutOffEmulSwitchDelay);
    Choose(CmBOnCutOffDelay, OnCutOffDelay, r.OnCutOffDelay);
    EnableByBoxes();
}

void TMultiConfigSwitchingPage::Clear()
{
    for (QComboBox *c : Panel->findChildren<QComboBox *>())
        c->setCurrentIndex(-1);
    for (QCheckBox *b : Panel->findChildren<QCheckBox *>())
        b->setChecked(false);
}

// ---- Information page -----------------------------------------------------------------------

TMultiConfigInfoPage::TMultiConfigInfoPage(QWidget *sheet, QObject *owner) : TMultiConfigPage(owner)
{
    Panel = panel(sheet, "Panel2");
    QWidget *p = Panel;
    Caption(p, "LblKnfCubicCap", QStringLiteral("Pojemność silnika [cm3]"), 12, 12, 200);
    auto *cubic = NewNamed<TYEdit>(p, "YEdKnfCubicCap", {220, 12, 70, 22});
    auto *power = NewNamed<TYEdit>(p, "YEdKnfPower", {220, 42, 70, 22});
    // Whole numbers, no length limit: a longer device value shows whole and
    // is refused on writing, never cut. A decimal separator stays in the
    // text, so that a fraction is refused as one ("8,5" is not 85).
    for (TYEdit *edit : {cubic, power}) {
        edit->SetEditCharsType(TYEdit::etInteger);
        edit->SetEditAddValidChars(QStringLiteral(".,"));
    }
    YEdKnfCubicCap = cubic;
    Caption(p, "LblKnfPower", QStringLiteral("Moc silnika [kW]"), 12, 42, 200);
    YEdKnfPower = power;
    LblKnfPowerKM = Caption(p, "LblKnfPowerKM", QString(), 300, 42, 120);
    Caption(p, "LblKnfEngineType", QStringLiteral("Typ silnika"), 12, 72, 200);
    CmBKnfEngineType = combo(p, "CmBKnfEngineType", 220, 72, 120);
    CmBKnfEngineType->addItems({QStringLiteral("STANDARD"), QStringLiteral("TURBO")});
    Caption(p, "LblKnfNozle", QStringLiteral("Dysza [mm]"), 12, 102, 200);
    CmBKnfNozle = combo(p, "CmBKnfNozle", 220, 102, 70);
    ChBKnfLambda = check(p, "ChBKnfLambda", QStringLiteral("Podłączona sonda LAMBDA"), 12, 134, 200);
    LblKnfLambdaType = Caption(p, "LblKnfLambdaType", QStringLiteral("Typ sondy"), 220, 134, 80);
    CmBKnfLambdaType = combo(p, "CmBKnfLambdaType", 300, 134, 120);
    CmBKnfLambdaType->addItems({QStringLiteral("0 - 1 V"), QStringLiteral("0 - 5 V +"), QStringLiteral("0 - 5 V -"),
                                QStringLiteral("5 - 0 V +"), QStringLiteral("5 - 0 V -"), QStringLiteral("0,8 - 1,6 V")});
    PnlKnfRedType = NewNamed<QFrame>(p, "PnlKnfRedType", {0, 164, 680, 30});
    Caption(PnlKnfRedType, "LblKnfRedType", QStringLiteral("Typ reduktora"), 12, 2, 200);
    CmbKnfRedType = combo(PnlKnfRedType, "CmbKnfRedType", 220, 2, 200);
    CmbKnfRedType->addItems({QStringLiteral("INNY"), QStringLiteral("VXR FALCOR"), QStringLiteral("VXR FALCOR TURBO"),
                             QStringLiteral("VXR MIRA"), QStringLiteral("VXR MIRA TURBO")});
    Caption(p, "LblConfInfo", QStringLiteral("Informacje"), 12, 200, 200);
    MemConfInfo = NewNamed<QPlainTextEdit>(p, "MemConfInfo", {12, 222, 620, 190});
    FillList(CmBKnfNozle, Nozle);
    for (QComboBox *c : {CmBKnfEngineType, CmBKnfLambdaType, CmbKnfRedType})
        c->setCurrentIndex(-1);
    ShowLambda(false);
}

void TMultiConfigInfoPage::ShowLambda(bool on)
{
    LblKnfLambdaType->setVisible(on);
    CmBKnfLambdaType->setVisible(on);
}

void TMultiConfigInfoPage::Fill(const TDeviceRecord &r)
{
    SetIndex(CmbKnfRedType, r.RedType);
    YEdKnfCubicCap->setText(QString::asprintf("%4d", r.EngineCubicCapacity).trimmed());
    YEdKnfPower->setText(QString::asprintf("%3d", r.Power).trimmed());
    Choose(CmBKnfNozle, Nozle, r.NozzleSize);
    ChBKnfLambda->setChecked(r.LambdaType > 0);
    ShowLambda(r.LambdaType > 0);
    SetIndex(CmBKnfLambdaType, r.LambdaType - 1);
    SetIndex(CmBKnfEngineType, r.EngineType);
}

void TMultiConfigInfoPage::Clear()
{
    for (QComboBox *c : {CmBKnfEngineType, CmBKnfNozle, CmBKnfLambdaType, CmbKnfRedType})
        c->setCurrentIndex(-1);
    ChBKnfLambda->setChecked(false);
}
