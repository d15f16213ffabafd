// The "Model" section of a settings file as the model pages load it: the
// linear model with its thresholds and the bank-2 correction, and the model-2
// curve. Values the file leaves out get their defaults; a value given that is
// no number refuses the model; values beyond what the device holds are
// brought within it.
#pragma once

#include "mainwindow/configuration/ModelMath.h"

#include <QString>

#include <array>
#include <optional>

class TIniFile;

namespace ModelFile {

struct TLinearValues {
    double Mult = 1.0;
    double Offset = 1.0;
    std::array<int, 4> P{5, 10, 15, 20};
    std::array<int, 4> E{0, 0, 0, 0};
    double CorrectionMult = 1.0;
    double CorrectionOffset = 0.0;
    int CorrectionMask = 0;
};

// None when the file has no "Model" section, or a value given in it is no
// number.
std::optional<TLinearValues> ReadLinear(const TIniFile &ini);

// The stored model-2 curve (device units) when the section holds "M2XP1";
// none without it (an older file: the default curve applies). A missing
// entry k gets x = 5 k and y = round(5 k m + b) below 7, unused from 7 on.
// An error text when the shown points are not in ascending x.
struct TCurveResult {
    std::optional<ModelMath::TRawCurve> Curve;
    QString Error;
};
TCurveResult ReadModel2Curve(const TIniFile &ini, double mult, double offset);

} // namespace ModelFile
