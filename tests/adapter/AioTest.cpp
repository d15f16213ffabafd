// The analog-I/O variable sets and the calculations behind the window: names,
// order and defaults of every variable, the accessors, the measured voltages,
// the two emulation switches over the option byte, the linear rule, the
// operating point and the step buttons' values.
#include "adapter/ModuleAIO.h"
#include "adapter/UIStateAIO.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A device-side set and its user-interface mirror, not registered anywhere.
struct Sets {
    TDevStateAIO Device{nullptr};
    TUIStateAIO Ui{nullptr, &Device};
};

struct Expected {
    QString name;
    qint64 value;
};

// Every variable of the device side in creation order with its default.
std::vector<Expected> ExpectedVariables()
{
    std::vector<Expected> out;
    for (const char *name : {"RealAnalogInput1", "RealAnalogInput2", "RealAnalogOutput1", "RealAnalogOutput2"})
        out.push_back({QString::fromLatin1(name), 0});
    out.push_back({QStringLiteral("LamEmuConfOptionsByte"), 0});
    out.push_back({QStringLiteral("Lam1EmulatorMinValue"), 100});
    out.push_back({QStringLiteral("Lam1EmulatorMaxValue"), 800});
    out.push_back({QStringLiteral("Lam2EmulatorMinValue"), 100});
    out.push_back({QStringLiteral("Lam2EmulatorMaxValue"), 800});
    out.push_back({QStringLiteral("Lam1EmulationType"), 2});
    out.push_back({QStringLiteral("Lam2EmulationType"), 2});
    for (int i = 0; i < 10; ++i)
        out.push_back({QStringLiteral("LambdaEmulatorPcolThreshold_%1").arg(i), 10 * (i + 1)});
    for (int j = 0; j < 12; ++j)
        out.push_back({QStringLiteral("LambdaEmulatorRpmThreshold_%1").arg(j), 500 * (j + 1)});
    for (int e = 1; e <= 2; ++e)
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 12; ++j)
                out.push_back({QStringLiteral("Lam%1EmulatorThreshold_%2_%3").arg(e).arg(i).arg(j), 500});
    for (const char *list : {"Lambda1ModelPointsX_", "Lambda1ModelPointsY_", "Lambda2ModelPointsX_", "Lambda2ModelPointsY_"})
        for (int k = 0; k < 3; ++k)
            out.push_back({QLatin1String(list) + QString::number(k), 500 * k});
    return out;
}

} // namespace

TEST(AioVariables, NamesOrderAndDefaults)
{
    Sets s;
    const std::vector<Expected> expected = ExpectedVariables();
    ASSERT_EQ(s.Device.Count(), int(expected.size()));
    // The user-interface side mirrors them and adds the two switches.
    ASSERT_EQ(s.Ui.Count(), int(expected.size()) + 2);
    for (int i = 0; i < s.Device.Count(); ++i) {
        SCOPED_TRACE(expected[i].name.toStdString());
        for (const TVariableList *list : {static_cast<const TVariableList *>(&s.Device), static_cast<const TVariableList *>(&s.Ui)}) {
            const TVariable *v = list->GetItem(i);
            EXPECT_EQ(v->Group(), QStringLiteral("AIO"));
            EXPECT_EQ(v->Name(), expected[i].name);
            EXPECT_EQ(v->GetAsInteger(), expected[i].value);
            // Readings have no default; every other variable is a stored setting.
            EXPECT_EQ(v->VariableType() != TVariable::vtNoDefault, i >= 4);
        }
    }
    EXPECT_EQ(s.Ui.GetItem(s.Device.Count())->Name(), QStringLiteral("ConfigOptionLam1EmulationEnabled"));
    EXPECT_EQ(s.Ui.GetItem(s.Device.Count() + 1)->Name(), QStringLiteral("ConfigOptionLam2EmulationEnabled"));
    // Byte and word kinds by their range.
    EXPECT_THROW(s.Device.PcolThreshold(0)->SetAsInteger(256), EVariableError);
    EXPECT_NO_THROW(s.Device.RpmThreshold(0)->SetAsInteger(65535));
    EXPECT_THROW(s.Device.Threshold(2, 9, 11)->SetAsInteger(65536), EVariableError);
}

TEST(AioVariables, AccessorsReachTheirVariables)
{
    Sets s;
    const TDevStateAIO &d = s.Device;
    struct Case {
        const TVariable *variable;
        const char *name;
    };
    const Case cases[] = {
        {d.PcolThreshold(0), "LambdaEmulatorPcolThreshold_0"},
        {d.PcolThreshold(9), "LambdaEmulatorPcolThreshold_9"},
        {d.RpmThreshold(11), "LambdaEmulatorRpmThreshold_11"},
        {d.Threshold(1, 0, 0), "Lam1EmulatorThreshold_0_0"},
        {d.Threshold(1, 3, 7), "Lam1EmulatorThreshold_3_7"},
        {d.Threshold(2, 9, 11), "Lam2EmulatorThreshold_9_11"},
        {d.ModelPoint(0, 2), "Lambda1ModelPointsX_2"},
        {d.ModelPoint(3, 0), "Lambda2ModelPointsY_0"},
        {d.ModelPointX(2, 1), "Lambda2ModelPointsX_1"},
        {d.ModelPointY(1, 1), "Lambda1ModelPointsY_1"},
        {d.MinValue(2), "Lam2EmulatorMinValue"},
        {d.MaxValue(1), "Lam1EmulatorMaxValue"},
        {d.EmulationType(2), "Lam2EmulationType"},
        {s.Ui.EmulationEnabled(2), "ConfigOptionLam2EmulationEnabled"},
    };
    for (const Case &c : cases) {
        ASSERT_NE(c.variable, nullptr) << c.name;
        EXPECT_EQ(c.variable->Name(), QLatin1String(c.name));
    }
    for (const TVariable *outside : {static_cast<const TVariable *>(d.PcolThreshold(-1)),
                                     static_cast<const TVariable *>(d.PcolThreshold(10)),
                                     static_cast<const TVariable *>(d.RpmThreshold(12)),
                                     static_cast<const TVariable *>(d.Threshold(0, 0, 0)),
                                     static_cast<const TVariable *>(d.Threshold(3, 0, 0)),
                                     static_cast<const TVariable *>(d.Threshold(1, 10, 0)),
                                     static_cast<const TVariable *>(d.Threshold(1, 0, 12)),
                                     static_cast<const TVariable *>(d.ModelPoint(4, 0)),
                                     static_cast<const TVariable *>(d.ModelPoint(0, 3)),
                                     static_cast<const TVariable *>(d.MinValue(3)),
                                     static_cast<const TVariable *>(s.Ui.EmulationEnabled(0))})
        EXPECT_EQ(outside, nullptr);
}

TEST(AioVariables, VoltagesAreSignedMillivoltsHighByteFirst)
{
    struct Case {
        quint8 high, low;
        double volts;
        const char *text;
    };
    const Case cases[] = {
        {0x00, 0x00, 0.0, "0.000"},     {0x01, 0xF4, 0.5, "0.500"},     {0x03, 0xE8, 1.0, "1.000"},
        {0xFF, 0x9C, -0.1, "-0.100"},   {0x7F, 0xFF, 32.767, "32.767"}, {0x80, 0x00, -32.768, "-32.768"},
    };
    Sets s;
    for (TDoubleVariable *v : {s.Device.RealAnalogInput1, s.Device.RealAnalogInput2, s.Device.RealAnalogOutput1,
                               s.Device.RealAnalogOutput2})
        for (const Case &c : cases) {
            v->SetRawData(QByteArray::fromRawData(reinterpret_cast<const char *>(&c), 2), false);
            EXPECT_DOUBLE_EQ(v->GetAsFloat(), c.volts) << c.text;
            EXPECT_EQ(v->Text(), QLatin1String(c.text));
        }
}

TEST(AioVariables, EmulationSwitchesAreBits1And2OfTheOptionByte)
{
    struct Case {
        int byte;
        bool first, second;
    };
    const Case cases[] = {{0x00, false, false}, {0x02, true, false}, {0x04, false, true}, {0x06, true, true},
                          {0xF9, false, false}, {0xFF, true, true}, {0x01, false, false}};
    Sets s;
    TUIStateAIO &u = s.Ui;
    for (const Case &c : cases) {
        u.LamEmuConfOptionsByte->SetAsInteger(c.byte);
        EXPECT_EQ(u.ConfigOptionLam1EmulationEnabled->GetAsBoolean(), c.first) << c.byte;
        EXPECT_EQ(u.ConfigOptionLam2EmulationEnabled->GetAsBoolean(), c.second) << c.byte;
    }
    // Switching one emulator keeps every other bit.
    u.LamEmuConfOptionsByte->SetAsInteger(0xF9);
    u.ConfigOptionLam1EmulationEnabled->SetAsBoolean(true);
    EXPECT_EQ(u.LamEmuConfOptionsByte->GetAsInteger(), 0xFB);
    u.ConfigOptionLam2EmulationEnabled->SetAsBoolean(true);
    EXPECT_EQ(u.LamEmuConfOptionsByte->GetAsInteger(), 0xFF);
    u.ConfigOptionLam1EmulationEnabled->SetAsBoolean(false);
    EXPECT_EQ(u.LamEmuConfOptionsByte->GetAsInteger(), 0xFD);
}

TEST(AioModel, OutputOfTheLinearRule)
{
    struct Case {
        std::array<double, 3> xs, ys;
        double x, y;
    };
    const std::array<double, 3> identity{0, 500, 1000};
    const std::array<double, 3> xs{200, 500, 800}, ys{0, 900, 1000};
    const Case cases[] = {
        {identity, identity, 0, 0},     {identity, identity, 250, 250}, {identity, identity, 500, 500},
        {identity, identity, 999, 999}, {identity, identity, 1000, 1000},
        {xs, ys, 350, 450},             {xs, ys, 100, 0},               {xs, ys, 200, 0},
        {xs, ys, 650, 950},             {xs, ys, 800, 1000},            {xs, ys, 900, 1000},
        // Two points at one place: the first that reaches x decides.
        {{100, 100, 900}, {10, 20, 30}, 100, 10},
        {{100, 100, 900}, {10, 20, 30}, 500, 25},
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(TLogicAIO::ModelOutput(c.xs, c.ys, c.x), c.y) << c.x;
    for (int x = -10; x <= 1010; x += 7)
        EXPECT_DOUBLE_EQ(TLogicAIO::ModelOutput(identity, identity, x), std::clamp(x, 0, 1000));
}

TEST(AioModel, OperatingPointInTheTables)
{
    std::array<int, 10> load{};
    std::array<int, 12> rpm{};
    for (int i = 0; i < 10; ++i)
        load[i] = 10 * (i + 1);
    for (int j = 0; j < 12; ++j)
        rpm[j] = 500 * (j + 1);
    struct Case {
        int load, rpm, row, column;
    };
    const Case cases[] = {
        {35, 2600, 3, 5}, {101, 6001, 9, 11}, {255, 65535, 9, 11}, {0, 0, 0, 0},   {10, 499, 0, 0},
        {11, 500, 1, 1},  {100, 6000, 9, 11}, {50, 1000, 4, 1},    {51, 1001, 5, 2},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(TLogicAIO::OperatingRow(load, c.load), c.row) << c.load;
        EXPECT_EQ(TLogicAIO::OperatingColumn(rpm, c.rpm), c.column) << c.rpm;
    }
}

TEST(AioModel, StepValuesStayWithinZeroTo1000)
{
    struct Case {
        int value, step;
        bool zero;
        int result;
    };
    const Case cases[] = {{950, 100, false, 1000}, {3, -5, false, 0},     {500, 0, true, 0},   {500, 5, false, 505},
                          {500, -10, false, 490},  {60, -100, false, 0},  {1000, 5, false, 1000},
                          {1500, -5, false, 1000}, {0, 10, false, 10},    {0, 0, true, 0}};
    for (const Case &c : cases)
        EXPECT_EQ(TLogicAIO::SteppedValue(c.value, c.step, c.zero), c.result) << c.value << " " << c.step;
}
