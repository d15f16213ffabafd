#include "mainwindow/configuration/ModelFile.h"

#include "core/IniFile.h"
#include "core/SettingsFile.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace ModelFile {

namespace {

const QString kSection = QStringLiteral("Model");

// A value the file leaves out (or empty) keeps its default; a value given is
// read as settings files read numbers (either separator, a whole number in
// any form, alike under every locale). False for a value given that is no
// such number: taking the default for it would put a value the file never
// held on the page and, after OK, into the device.
bool Float(const TIniFile &ini, const QString &key, double &value)
{
    const QString text = ini.ReadString(kSection, key).trimmed();
    return text.isEmpty() || TSettingsFile::ParseFloat(text, value);
}

bool Integer(const TIniFile &ini, const QString &key, int &value)
{
    const QString text = ini.ReadString(kSection, key).trimmed();
    qint64 v = 0;
    if (text.isEmpty())
        return true;
    if (!TSettingsFile::ParseInteger(text, v) || v < INT_MIN || v > INT_MAX)
        return false;
    value = int(v);
    return true;
}

} // namespace

std::optional<TLinearValues> ReadLinear(const TIniFile &ini)
{
    if (!ini.SectionExists(kSection))
        return std::nullopt;
    TLinearValues v;
    bool ok = Float(ini, QStringLiteral("Mult"), v.Mult) && Float(ini, QStringLiteral("Offset"), v.Offset);
    for (int k = 0; k < 4; ++k) {
        ok = ok && Integer(ini, QStringLiteral("P%1").arg(k + 1), v.P[size_t(k)]);
        ok = ok && Integer(ini, QStringLiteral("E%1").arg(k + 1), v.E[size_t(k)]);
    }
    ok = ok && Float(ini, QStringLiteral("CorrectionMult"), v.CorrectionMult)
         && Float(ini, QStringLiteral("CorrectionOffset"), v.CorrectionOffset)
         && Integer(ini, QStringLiteral("CorrectionMask"), v.CorrectionMask);
    if (!ok)
        return std::nullopt;
    v.CorrectionMask &= 0xFF;
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
        int x = defX, y = defY;
        if (!Integer(ini, QStringLiteral("M2XP%1").arg(k), x)) {
            result.Error = QStringLiteral("M2XP%1").arg(k);
            return result;
        }
        if (!Integer(ini, QStringLiteral("M2YP%1").arg(k), y)) {
            result.Error = QStringLiteral("M2YP%1").arg(k);
            return result;
        }
        x = std::clamp(x, 0, 65535);
        y = std::clamp(y, 0, 65535);
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
