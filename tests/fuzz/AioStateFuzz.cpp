// The analog-I/O variables filled with bytes as the box would deliver them:
// the input is laid over the raw bytes of the device-side set in order (a
// short input fills the first variables), then the set is copied to the
// user-interface side, as a read of the configuration does. Properties: the
// copy keeps every byte, the measured voltages are the signed millivolts over
// 1000, the two switches are bits 1 and 2 of the option byte, the operating
// point stays inside the tables and the linear rule's output stays between the
// lowest and the highest model point.
#include "adapter/DeviceState.h"
#include "adapter/ModuleAIO.h"
#include "adapter/UIState.h"
#include "adapter/UIStateAIO.h"
#include "fuzz/support/FuzzSupport.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// Both sides built once; every input starts from their bytes as built.
struct TRig {
    TDeviceState device;
    TUIState ui;
    TDevStateAIO d{&device};
    TUIStateAIO u{&ui, &d};
    std::vector<QByteArray> deviceBytes, uiBytes;

    TRig()
    {
        u.RegisterVariables(1);
        u.RegisterVariables(2);
        ui.Assign(&device);
        deviceBytes = fuzz::RawBytes(d);
        uiBytes = fuzz::RawBytes(u);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::EnsureCoreApplication();
    static TRig *rig = new TRig;
    TDevStateAIO &d = rig->d;
    TUIStateAIO &u = rig->u;
    TUIState &ui = rig->ui;
    fuzz::RestoreRawBytes(d, rig->deviceBytes);
    fuzz::RestoreRawBytes(u, rig->uiBytes);

    size_t at = 0;
    for (int i = 0; i < d.Count() && at < size; ++i) {
        TVariable *v = d.GetItem(i);
        const int length = v->DataLength();
        QByteArray raw(length, '\0');
        for (int k = 0; k < length && at < size; ++k)
            raw[k] = char(data[at++]);
        v->SetRawData(raw, false);
    }
    ui.CopyFromDevice(GetDataGroupName(dgAIO), 3);

    for (int i = 0; i < d.Count(); ++i)
        FUZZ_CHECK(u.GetItem(i)->Raw() == d.GetItem(i)->Raw());
    for (TDoubleVariable *v : {u.RealAnalogInput1, u.RealAnalogInput2, u.RealAnalogOutput1, u.RealAnalogOutput2}) {
        const auto millivolts = qint16(quint16(v->GetRawByte(0) << 8 | v->GetRawByte(1)));
        FUZZ_CHECK(v->GetAsFloat() == millivolts / 1000.0);
        FUZZ_CHECK(v->Text() == QString::asprintf("%.3f", millivolts / 1000.0));
    }
    const qint64 options = u.LamEmuConfOptionsByte->GetAsInteger();
    FUZZ_CHECK(u.ConfigOptionLam1EmulationEnabled->GetAsBoolean() == bool(options & 0x02));
    FUZZ_CHECK(u.ConfigOptionLam2EmulationEnabled->GetAsBoolean() == bool(options & 0x04));

    std::array<int, 10> load{};
    std::array<int, 12> rpm{};
    for (int i = 0; i < 10; ++i)
        load[i] = int(u.PcolThreshold(i)->GetAsInteger());
    for (int j = 0; j < 12; ++j)
        rpm[j] = int(u.RpmThreshold(j)->GetAsInteger());
    for (int probe : {0, 1, 37, 100, 255, 500, 2600, 6000, 65535}) {
        const int row = TLogicAIO::OperatingRow(load, probe);
        const int column = TLogicAIO::OperatingColumn(rpm, probe);
        FUZZ_CHECK(row >= 0 && row <= 9);
        FUZZ_CHECK(column >= 0 && column <= 11);
    }
    for (int emulator = 1; emulator <= 2; ++emulator) {
        std::array<double, 3> xs{}, ys{};
        for (int k = 0; k < 3; ++k) {
            xs[k] = double(u.ModelPointX(emulator, k)->GetAsInteger());
            ys[k] = double(u.ModelPointY(emulator, k)->GetAsInteger());
        }
        const double low = *std::min_element(ys.begin(), ys.end());
        const double high = *std::max_element(ys.begin(), ys.end());
        for (int i = 0; i <= 98; i += 7) {
            const double x = 500.0 + 500.0 * std::sin(i * M_PI / 18.0);
            const double y = TLogicAIO::ModelOutput(xs, ys, x);
            FUZZ_CHECK(y >= low && y <= high);
        }
    }
    return 0;
}
