#include "mainwindow/configuration/ModelFile.h"

#include "core/IniFile.h"

#include <algorithm>
#include <cmath>

namespace ModelFile {

namespace {

const QString kSection = QStringLiteral("Model");

double Float(const TIniFile &ini, const char *key, double def)
{
    const double v = ini.ReadFloat(kSection, QString::fromLatin1(key), def);
    return std::isfinite(v) ? v : def;
}

} // namespace

std::optional<TLinearValues> ReadLinear(const TIniFile &ini)
{
    if (!ini.SectionExists(kSection))
        return std::nullopt;
    TLinearValues v;
    v.Mult = Float(ini, "Mult", v.Mult);
    v.Offset = Float(ini, "Offset", v.Offset);
    for (int k = 0; k < 4; ++k) {
        v.P[k] = ini.ReadInteger(kSection, QStringLiteral("P%1").arg(k + 1), v.P[k]);
        v.E[k] = ini.ReadInteger(kSection, QStringLiteral("E%1").arg(k + 1), v.E[k]);
    }
    v.CorrectionMult = Float(ini, "CorrectionMult", v.CorrectionMult);
    v.CorrectionOffset = Float(ini, "CorrectionOffset", v.CorrectionOffset);
    v.CorrectionMask = ini.ReadInteger(kSection, QStringLiteral("CorrectionMask"), 0) & 0xFF;
    return v;
}

TCurveResult ReadModel2Curve(const TIniFile &ini, double mult, double offset)
{
    TCurveResult result;
    if (!ini.ValueExists(kSection, QStringLiteral("M2XP1")))
        return result;
    ModelMath::TRawCurve curve;
    double lastX = -1.0;
    for (int k = 0; k < ModelMath::kModel2MaxPoints; ++k) {
        int defX = ModelMath::kModel2Empty, defY = ModelMath::kModel2Empty;
        if (k < 7) {
            defX = 5 * k;
            const double y = ModelMath::RoundEven(5.0 * k * mult + offset);
            defY = std::isfinite(y) ? int(std::clamp(y, 0.0, 65535.0)) : 0;
        }
        const int x = std::clamp(ini.ReadInteger(kSection, QStringLiteral("M2XP%1").arg(k), defX), 0, 65535);
        const int y = std::clamp(ini.ReadInteger(kSection, QStringLiteral("M2YP%1").arg(k), defY), 0, 65535);
        curve[k] = ModelMath::TRawPoint{x, y};
        if (x <= ModelMath::kModel2RawMaxX) {
            // The device joins the points in order: they must go up in x.
            if (x <= lastX) {
                result.Error = QStringLiteral("M2XP%1").arg(k);
                return result;
            }
            lastX = x;
        }
    }
    result.Curve = curve;
    return result;
}

} // namespace ModelFile
