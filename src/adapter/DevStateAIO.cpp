#include "adapter/DevStateAIO.h"

namespace {

QString aioName(const QString &name)
{
    return MakeGroupedName(dgAIO, name);
}

// A measured voltage: two raw bytes, signed millivolts, high byte first.
TDoubleVariable *Volts(TVariableList *list, const char *name)
{
    auto *v = new TDoubleVariable(list, 2, aioName(QString::fromLatin1(name)));
    v->SetFormat(QStringLiteral("%.3f"));
    v->SetOnRawToValue([](TVariable *sender, QByteArray &raw) {
        const auto millivolts = qint16(quint16(quint8(raw.at(0)) << 8 | quint8(raw.at(1))));
        sender->SetAsFloat(millivolts / 1000.0);
    });
    return v;
}

} // namespace

TDevStateAIO::TDevStateAIO(TDeviceState *owner) : TBaseDevState(owner)
{
    auto word = [this](const QString &name, int value) { return TWordVariable::CreateParam(this, value, aioName(name)); };
    auto byte = [this](const QString &name, int value) { return TByteVariable::CreateParam(this, value, aioName(name)); };
    RealAnalogInput1 = Volts(this, "RealAnalogInput1");
    RealAnalogInput2 = Volts(this, "RealAnalogInput2");
    RealAnalogOutput1 = Volts(this, "RealAnalogOutput1");
    RealAnalogOutput2 = Volts(this, "RealAnalogOutput2");
    LamEmuConfOptionsByte = TBoolVariable::CreateParam(this, 0, 1, aioName(QStringLiteral("LamEmuConfOptionsByte")));
    Lam1EmulatorMinValue = word(QStringLiteral("Lam1EmulatorMinValue"), 100);
    Lam1EmulatorMaxValue = word(QStringLiteral("Lam1EmulatorMaxValue"), 800);
    Lam2EmulatorMinValue = word(QStringLiteral("Lam2EmulatorMinValue"), 100);
    Lam2EmulatorMaxValue = word(QStringLiteral("Lam2EmulatorMaxValue"), 800);
    Lam1EmulationType = byte(QStringLiteral("Lam1EmulationType"), LinearEmulation);
    Lam2EmulationType = byte(QStringLiteral("Lam2EmulationType"), LinearEmulation);
    for (int i = 0; i < LoadThresholdCount; ++i)
        FPcolThresholds[i] = byte(QStringLiteral("LambdaEmulatorPcolThreshold_%1").arg(i), 10 * (i + 1));
    for (int j = 0; j < RpmThresholdCount; ++j)
        FRpmThresholds[j] = word(QStringLiteral("LambdaEmulatorRpmThreshold_%1").arg(j), 500 * (j + 1));
    for (int e = 0; e < 2; ++e)
        for (int i = 0; i < LoadThresholdCount; ++i)
            for (int j = 0; j < RpmThresholdCount; ++j)
                FTables[e][i][j] = word(QStringLiteral("Lam%1EmulatorThreshold_%2_%3").arg(e + 1).arg(i).arg(j), 500);
    static const char *const lists[4] = {"Lambda1ModelPointsX_", "Lambda1ModelPointsY_", "Lambda2ModelPointsX_",
                                         "Lambda2ModelPointsY_"};
    for (int l = 0; l < 4; ++l)
        for (int k = 0; k < ModelPointCount; ++k)
            FModelPoints[l][k] = word(QLatin1String(lists[l]) + QString::number(k), 500 * k);
}

TByteVariable *TDevStateAIO::PcolThreshold(int i) const
{
    return i >= 0 && i < LoadThresholdCount ? FPcolThresholds[i] : nullptr;
}

TWordVariable *TDevStateAIO::RpmThreshold(int j) const
{
    return j >= 0 && j < RpmThresholdCount ? FRpmThresholds[j] : nullptr;
}

TWordVariable *TDevStateAIO::Threshold(int emulator, int i, int j) const
{
    if (emulator < 1 || emulator > 2 || i < 0 || i >= LoadThresholdCount || j < 0 || j >= RpmThresholdCount)
        return nullptr;
    return FTables[emulator - 1][i][j];
}

TWordVariable *TDevStateAIO::ModelPoint(int list, int k) const
{
    return list >= 0 && list < 4 && k >= 0 && k < ModelPointCount ? FModelPoints[list][k] : nullptr;
}

TWordVariable *TDevStateAIO::MinValue(int emulator) const
{
    return emulator == 1 ? Lam1EmulatorMinValue : emulator == 2 ? Lam2EmulatorMinValue : nullptr;
}

TWordVariable *TDevStateAIO::MaxValue(int emulator) const
{
    return emulator == 1 ? Lam1EmulatorMaxValue : emulator == 2 ? Lam2EmulatorMaxValue : nullptr;
}

TByteVariable *TDevStateAIO::EmulationType(int emulator) const
{
    return emulator == 1 ? Lam1EmulationType : emulator == 2 ? Lam2EmulationType : nullptr;
}
