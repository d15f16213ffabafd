// The "Model" section of a settings file as the model pages read it: any
// bytes as an INI file, then the linear model and the model-2 curve.
#include "core/IniFile.h"
#include "mainwindow/configuration/ModelFile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TIniFile ini;
    ini.LoadFromBytes(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    const auto linear = ModelFile::ReadLinear(ini);
    const auto curve = ModelFile::ReadModel2Curve(ini, linear ? linear->Mult : 1.0, linear ? linear->Offset : 1.0);
    if (curve.Curve) {
        double last = -1;
        for (const auto &p : *curve.Curve) {
            // Every stored entry fits the device's 16 bits, shown ones ascend.
            if (p.X < 0 || p.X > 0xFFFF || p.Y < 0 || p.Y > 0xFFFF)
                __builtin_trap();
            if (p.X <= ModelMath::kModel2RawMaxX) {
                if (p.X <= last)
                    __builtin_trap();
                last = p.X;
            }
        }
    }
    return 0;
}
