#include "core/CustomParameters.h"

#include "core/AppConfig.h"

TCustomParameters *CustomParameters = nullptr;

namespace {
// Gas injector type names by code; 20 keeps its trailing blank.
const char *const InjectorNames[32] = {
    "MATRIX (5ohms)", "OMVL (REG)", "VALTEK (3ohms)", "AG (12ohms)", "ZAVOLI",
    "MAGIC JET", "MWM-FOCUS", "TAURUS", "ROMANO", "ROMANO-FAST",
    "VELUTO (3ohms)", "RAIL IG1,IG2 (3ohms)", "VALTEK (1ohm)", "RAIL IG1,IG2 (1ohm)", "NXGAS (3ohms)",
    "NXGAS (1ohm)", "PLANI jet", "GTi-mono (3ohms)", "KEIHIN (1ohm)", "MATRIX (3ohms)",
    "KOLTEC ", "RAIL HORIZON IG3(E3)", "RAIL HORIZON IG3(E2)", "RAIL IG1,IG2 (2ohms)", "VALTEK (2ohms)",
    "-", "-", "-", "MATRIX (2ohms)", "VALTEK TYPE34",
    "HANA", "MAGIC FX",
};

const char *const PressureSensorNames[6] = {
    "", "PS-CC1", "PS-CC2", "PS-CCT3 / PS-CCT4", "PS-CCT3 / PS-CCT4 + PPO", "PS-CCT3-250",
};

const uint32_t FixedPalette[5] = {255, 128, 65280, 32896, 0};
const uint32_t EditionPalette[12] = {32896, 13160660, 65535, 0, 0, 255,
                                     32768, 0, 0xFF2020, 0x800000, 255, 128};

const QList<uint8_t> Edition19Injectors = {2, 24, 12, 30, 21, 22, 11, 23, 5, 31, 16, 0, 19, 28, 1, 29};
const QList<uint8_t> Edition19Sensors = {1, 2, 3, 4};
} // namespace

TCustomParameters::TCustomParameters()
{
    for (int i = 0; i < 5; ++i)
        FPalette[i] = FixedPalette[i];
    SetEditionPalette();
    if (AppConfig)
        AppConfig->SetLanguage(QStringLiteral("EN"));
}

TCustomParameters::~TCustomParameters() = default;

void TCustomParameters::SetEditionPalette()
{
    for (int i = 0; i < 12; ++i)
        FPalette[5 + i] = EditionPalette[i];
}

void TCustomParameters::Init(int editionCode)
{
    FEditionGroup = 2;
    if (AppConfig)
        AppConfig->SetEditionGroup(FEditionGroup);
    SetEditionPalette();
    if (editionCode == Edition) {
        FChecked = {QStringLiteral("ChBAdvancedView")};
        FHidden = {QStringLiteral("PnlQuickStart"), QStringLiteral("BtBQuickStart"),
                   QStringLiteral("ChBAdvancedView")};
        FShown = {QStringLiteral("LblPanelG")};
        FSetValue = 3; // Polish and English
        FDefaultLanguage = QStringLiteral("PL");
    } else {
        // Any other build: the same offer, English only.
        FChecked.clear();
        FHidden.clear();
        FShown.clear();
        FSetValue = 2;
        FDefaultLanguage = QStringLiteral("EN");
    }
    FInjectorTypes = Edition19Injectors;
    FPressureSensors = Edition19Sensors;
    if (AppConfig)
        AppConfig->SetLanguage(FDefaultLanguage);
}

uint32_t TCustomParameters::GetEntry(int index) const
{
    const int i = index & 0x7F;
    return i < PaletteSize ? FPalette[i] : NoColor;
}

QString TCustomParameters::InjectorTypeName(int code)
{
    const int i = code & 0x7F;
    return i < 32 ? QString::fromLatin1(InjectorNames[i]) : QString();
}

QString TCustomParameters::PressureSensorName(int code)
{
    return code >= 0 && code < 6 ? QString::fromLatin1(PressureSensorNames[code]) : QString();
}

QString TCustomParameters::GetProductName(int code, bool secondForm)
{
    Q_UNUSED(secondForm); // both forms are the same for the only edition
    if (code == Edition)
        return QStringLiteral("Taron Service");
    return QStringLiteral("ERROR");
}

void TCustomParameters::AddColorA(const QObject *control, TColorInfo::TSelector selector)
{
    FColorsA.push_back(std::make_unique<TColorInfo>(control, std::move(selector)));
}

void TCustomParameters::AddColorB(const QObject *control, TColorInfo::TSelector selector)
{
    FColorsB.push_back(std::make_unique<TColorInfo>(control, std::move(selector)));
}

uint32_t TCustomParameters::FindIn(const TRules &rules, const QObject *control) const
{
    for (const auto &rule : rules)
        if (rule->Control == control)
            return rule->Selector ? GetEntry(rule->Selector()) : NoColor;
    return NoColor;
}

uint32_t TCustomParameters::FindColor(const QObject *control) const
{
    return FindIn(FColorsA, control);
}

uint32_t TCustomParameters::FindColorB(const QObject *control) const
{
    return FindIn(FColorsB, control);
}

uint32_t TColorInfo::FindColor(const QObject *control)
{
    return CustomParameters ? CustomParameters->FindColor(control) : TCustomParameters::NoColor;
}
