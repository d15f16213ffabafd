// The "Model" section of a settings file as the model pages read it: any
// bytes as an INI file, then the linear model and the model-2 curve. What a
// read gives, written back as a settings file holds it, reads as itself: a
// second write of that read is the first one byte for byte.
#include "core/IniFile.h"
#include "core/SettingsFile.h"
#include "mainwindow/configuration/ModelFile.h"
#include "support/FuzzSupport.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

const QString kModel = QStringLiteral("Model");

struct TModelRead {
    std::optional<ModelFile::TLinearValues> Linear;
    ModelFile::TCurveResult Curve;
};

TModelRead Read(const TIniFile &ini)
{
    TModelRead r;
    r.Linear = ModelFile::ReadLinear(ini);
    r.Curve = ModelFile::ReadModel2Curve(ini, r.Linear ? r.Linear->Mult : 1.0, r.Linear ? r.Linear->Offset : 1.0);
    return r;
}

// The keys of the model section with the values read.
QByteArray Write(const TModelRead &r)
{
    TIniFile ini;
    if (r.Linear) {
        const ModelFile::TLinearValues &v = *r.Linear;
        ini.WriteFloat(kModel, QStringLiteral("Mult"), v.Mult);
        ini.WriteFloat(kModel, QStringLiteral("Offset"), v.Offset);
        for (int k = 0; k < 4; ++k) {
            ini.WriteInteger(kModel, QStringLiteral("P%1").arg(k + 1), v.P[size_t(k)]);
            ini.WriteInteger(kModel, QStringLiteral("E%1").arg(k + 1), v.E[size_t(k)]);
        }
        ini.WriteFloat(kModel, QStringLiteral("CorrectionMult"), v.CorrectionMult);
        ini.WriteFloat(kModel, QStringLiteral("CorrectionOffset"), v.CorrectionOffset);
        ini.WriteInteger(kModel, QStringLiteral("CorrectionMask"), v.CorrectionMask);
    }
    if (r.Curve.Curve)
        for (int k = 0; k < ModelMath::kModel2MaxPoints; ++k) {
            ini.WriteInteger(kModel, QStringLiteral("M2XP%1").arg(k), (*r.Curve.Curve)[size_t(k)].X);
            ini.WriteInteger(kModel, QStringLiteral("M2YP%1").arg(k), (*r.Curve.Curve)[size_t(k)].Y);
        }
    return ini.ToBytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TIniFile ini;
    ini.LoadFromBytes(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    const TModelRead first = Read(ini);
    if (first.Curve.Curve) {
        double last = -1;
        for (const auto &p : *first.Curve.Curve) {
            // Every stored entry fits the device's 16 bits, shown ones ascend.
            FUZZ_CHECK(p.X >= 0 && p.X <= 0xFFFF && p.Y >= 0 && p.Y <= 0xFFFF);
            if (p.X <= ModelMath::kModel2RawMaxX) {
                FUZZ_CHECK(p.X > last);
                last = p.X;
            }
        }
    }
    // A model is taken only when every value it gives is a number: a
    // threshold or enrichment given as anything else refuses it, never
    // taking the default in its place.
    if (first.Linear)
        for (int k = 1; k <= 4; ++k)
            for (const char *key : {"P%1", "E%1"}) {
                const QString text = ini.ReadString(kModel, QString::fromLatin1(key).arg(k)).trimmed();
                qint64 v = 0;
                FUZZ_CHECK(text.isEmpty() || (TSettingsFile::ParseInteger(text, v)
                                              && v == (key[0] == 'P' ? first.Linear->P : first.Linear->E)[size_t(k - 1)]));
            }
    if (!first.Linear && !first.Curve.Curve)
        return 0;

    // Written back and read again: the same model, and the same bytes.
    const QByteArray written = Write(first);
    TIniFile again;
    again.LoadFromBytes(written);
    const TModelRead second = Read(again);
    FUZZ_CHECK(second.Linear.has_value() == first.Linear.has_value());
    FUZZ_CHECK(second.Curve.Curve.has_value() == first.Curve.Curve.has_value());
    if (first.Linear) {
        FUZZ_CHECK(second.Linear->P == first.Linear->P);
        FUZZ_CHECK(second.Linear->E == first.Linear->E);
        FUZZ_CHECK(second.Linear->CorrectionMask == first.Linear->CorrectionMask);
    }
    if (first.Curve.Curve)
        for (int k = 0; k < ModelMath::kModel2MaxPoints; ++k) {
            FUZZ_CHECK((*second.Curve.Curve)[size_t(k)].X == (*first.Curve.Curve)[size_t(k)].X);
            FUZZ_CHECK((*second.Curve.Curve)[size_t(k)].Y == (*first.Curve.Curve)[size_t(k)].Y);
        }
    FUZZ_CHECK(Write(second) == written);
    return 0;
}
