// Edition parameters: what one build of the program shows and offers (palette,
// controls hidden and shown, default language, gas injector types, pressure
// sensors, product name), and the colour rules that tie a display to a palette
// entry chosen from the values it shows.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QObject;

// A colour rule: the display it belongs to (compared by identity) and the
// selector that picks a palette entry from the current values.
class TColorInfo {
public:
    using TSelector = std::function<int()>;
    TColorInfo(const QObject *control, TSelector selector)
        : Control(control), Selector(std::move(selector)) {}

    const QObject *Control;
    TSelector Selector;

    // The colour of the first rule of the edition's first list for the
    // control (TCustomParameters::FindColor on the global edition parameters).
    static uint32_t FindColor(const QObject *control);
};

class TCustomParameters {
public:
    static constexpr int PaletteSize = 17;
    // The colour of an undefined entry and of a control without a rule.
    static constexpr uint32_t NoColor = 0xFB68FB;
    static constexpr int Edition = 19;

    // Palette as for edition 19, empty lists, set value 2, and the settings
    // object's language "EN".
    TCustomParameters();
    virtual ~TCustomParameters();
    TCustomParameters(const TCustomParameters &) = delete;
    TCustomParameters &operator=(const TCustomParameters &) = delete;

    // Selects the edition: stores the edition group number in the settings
    // object, then palette entries 5..16, control lists, set value, default
    // language, injector types and pressure sensors. Codes other than 19 get
    // a fallback set with "EN" as default language.
    void Init(int editionCode);

    // Palette colour (0x00BBGGRR) of an index taken modulo 128; entries
    // outside 0..16 give NoColor.
    uint32_t GetEntry(int index) const;

    // Object names of the controls the main window hides, shows, and checks
    // before hiding, when it applies the edition.
    QStringList HiddenControls() const { return FHidden; }
    QStringList ShownControls() const { return FShown; }
    QStringList CheckedControls() const { return FChecked; }
    // Bit i set: language index i (PL 0, EN 1, ... in the language manager's
    // order) is offered in the language menu.
    uint32_t SetValue() const { return FSetValue; }
    uint32_t LanguageMask() const { return FSetValue; }
    QString DefaultLanguage() const { return FDefaultLanguage; }
    int GetEditionGroup() const { return FEditionGroup; }

    // Codes offered, in list order.
    QList<uint8_t> InjectorTypes() const { return FInjectorTypes; }
    QList<uint8_t> PressureSensors() const { return FPressureSensors; }

    // Name of a gas injector type by the low 7 bits of its code; codes
    // without a name give an empty text.
    static QString InjectorTypeName(int code);
    // Name of a pressure sensor type; code 0 and unknown codes give "".
    static QString PressureSensorName(int code);
    // Product name of an edition (both forms are "Taron Service" for 19);
    // unknown codes give "ERROR".
    static QString GetProductName(int code, bool secondForm);

    // Colour rules. The list owns the rule; the first rule added for a
    // control wins.
    void AddColorA(const QObject *control, TColorInfo::TSelector selector);
    void AddColorB(const QObject *control, TColorInfo::TSelector selector);
    // Palette colour of the index that the control's rule selects now;
    // NoColor when the list holds no rule for it.
    uint32_t FindColor(const QObject *control) const;
    uint32_t FindColorB(const QObject *control) const;

private:
    using TRules = std::vector<std::unique_ptr<TColorInfo>>;
    uint32_t FindIn(const TRules &rules, const QObject *control) const;
    void SetEditionPalette();

    uint32_t FPalette[PaletteSize];
    QStringList FHidden, FShown, FChecked;
    uint32_t FSetValue = 2;
    TRules FColorsA, FColorsB;
    QList<uint8_t> FInjectorTypes, FPressureSensors;
    QString FDefaultLanguage = QStringLiteral("EN");
    int FEditionGroup = 0;
};

extern TCustomParameters *CustomParameters;
