#include "core/AppConfig.h"
#include "core/CustomParameters.h"

#include <QObject>

#include <gtest/gtest.h>

TEST(CustomParameters, PaletteAfterCreationAndEdition19)
{
    const uint32_t expected[17] = {255, 128, 65280, 32896, 0, 32896, 13160660, 65535, 0,
                                   0, 255, 32768, 0, 0xFF2020, 0x800000, 255, 128};
    TCustomParameters p;
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(p.GetEntry(i), expected[i]) << i;
    EXPECT_EQ(p.SetValue(), 2u);
    p.Init(19);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(p.GetEntry(i), expected[i]) << i;
    // Index modulo 128; undefined entries give the no-colour value.
    EXPECT_EQ(p.GetEntry(128 + 2), 65280u);
    EXPECT_EQ(p.GetEntry(17), 0xFB68FBu);
    EXPECT_EQ(p.GetEntry(127), 0xFB68FBu);
}

TEST(CustomParameters, Edition19Settings)
{
    TAppConfig config;
    TAppConfig *saved = AppConfig;
    AppConfig = &config;
    {
        TCustomParameters p;
        EXPECT_EQ(config.GetLanguage(), "EN");
        p.Init(19);
        EXPECT_EQ(config.GetLanguage(), "PL");
        EXPECT_EQ(config.EditionGroup(), 2);
        EXPECT_EQ(p.GetEditionGroup(), 2);
        EXPECT_EQ(p.SetValue(), 3u); // Polish and English
        EXPECT_EQ(p.HiddenControls(), QStringList({"PnlQuickStart", "BtBQuickStart", "ChBAdvancedView"}));
        EXPECT_EQ(p.CheckedControls(), QStringList({"ChBAdvancedView"}));
        EXPECT_EQ(p.ShownControls(), QStringList({"LblPanelG"}));
        EXPECT_EQ(p.InjectorTypes(),
                  QList<uint8_t>({2, 24, 12, 30, 21, 22, 11, 23, 5, 31, 16, 0, 19, 28, 1, 29}));
        EXPECT_EQ(p.PressureSensors(), QList<uint8_t>({1, 2, 3, 4}));
        p.Init(7); // any other code: English default
        EXPECT_EQ(config.GetLanguage(), "EN");
        EXPECT_EQ(p.SetValue(), 2u);
    }
    AppConfig = saved;
}

TEST(CustomParameters, NamesByCode)
{
    EXPECT_EQ(TCustomParameters::InjectorTypeName(0), "MATRIX (5ohms)");
    EXPECT_EQ(TCustomParameters::InjectorTypeName(20), "KOLTEC "); // trailing blank kept
    for (int code : {25, 26, 27})
        EXPECT_EQ(TCustomParameters::InjectorTypeName(code), "-");
    EXPECT_EQ(TCustomParameters::InjectorTypeName(31), "MAGIC FX");
    EXPECT_EQ(TCustomParameters::InjectorTypeName(0x80 | 2), "VALTEK (3ohms)"); // low 7 bits
    EXPECT_EQ(TCustomParameters::InjectorTypeName(40), "");
    EXPECT_EQ(TCustomParameters::PressureSensorName(0), "");
    EXPECT_EQ(TCustomParameters::PressureSensorName(3), "PS-CCT3 / PS-CCT4");
    EXPECT_EQ(TCustomParameters::PressureSensorName(5), "PS-CCT3-250");
    EXPECT_EQ(TCustomParameters::PressureSensorName(6), "");
    EXPECT_EQ(TCustomParameters::GetProductName(19, true), "Taron Service");
    EXPECT_EQ(TCustomParameters::GetProductName(19, false), "Taron Service");
    EXPECT_EQ(TCustomParameters::GetProductName(18, true), "ERROR");
}

TEST(CustomParameters, ColourRules)
{
    TCustomParameters p;
    QObject a, b, c;
    EXPECT_EQ(p.FindColor(&a), 0xFB68FBu); // empty list
    int selected = 2;
    p.AddColorA(&a, [&] { return selected; });
    p.AddColorA(&a, [] { return 10; }); // a second rule for the same control loses
    p.AddColorB(&b, [] { return 4; });
    EXPECT_EQ(p.FindColor(&a), 65280u);
    selected = 7; // evaluated on every look-up
    EXPECT_EQ(p.FindColor(&a), 65535u);
    EXPECT_EQ(p.FindColor(&c), 0xFB68FBu); // no rule although others exist
    EXPECT_EQ(p.FindColor(&b), 0xFB68FBu); // list B is apart
    EXPECT_EQ(p.FindColorB(&b), 0u);
    EXPECT_EQ(p.FindColorB(&a), 0xFB68FBu);

    TCustomParameters *saved = CustomParameters;
    CustomParameters = &p;
    EXPECT_EQ(TColorInfo::FindColor(&a), 65535u);
    CustomParameters = saved;
}
