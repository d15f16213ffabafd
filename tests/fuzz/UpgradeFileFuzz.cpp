// An upgrade file from any bytes, as the upgrade window takes it: the first
// byte chooses the variant whose trailer layout applies, the rest is the
// file, checked and then sent as the header step and the programming step
// to a bootloader that accepts every record.
// Properties: a refused file sends nothing; a file taken holds at least one
// program record (a file of the trailer alone would erase the device and
// program nothing); the header step sends the file's first record; the
// programming step sends exactly the file's records, in order, each the
// file's bytes zero-filled past its end.
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/MemoryPort.h"
#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"
#include "upgrade/UpgraderLogic.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The next record is the header record.
bool HeaderNext = false;

// A bootloader that takes every record: BD, E6 (FF for the header), 00, sum.
Bytes Accept(const Bytes &request)
{
    if (request.size() < 2 || request[1] != 0xE6)
        return {};
    Bytes r{0xBD, uint8_t(HeaderNext ? 0xFF : 0xE6), 0x00, 0x00};
    HeaderNext = false;
    r[3] = uint8_t(r[0] + r[1] + r[2]);
    return r;
}

// The 36 record bytes of each E6 request written.
std::vector<QByteArray> Records(const TMemoryPort &port)
{
    std::vector<QByteArray> out;
    for (const Bytes &w : port.Writes())
        if (w.size() == size_t(2 + UpgradeRecordLength + 1) && w[1] == 0xE6)
            out.emplace_back(reinterpret_cast<const char *>(w.data() + 2), UpgradeRecordLength);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::EnsureWidgetApplication(); // the steps show the hourglass
    static TBootloaderConfig config;
    static TBootloader40Manager manager;
    static TUpgraderLogic logic;
    BootloaderConfig = &config;
    Bootloader40Manager = &manager;
    TMemoryPort port;
    port.SetBaudRate(comBR9600);
    port.SetResponder(Accept);
    manager.Wait = [](int) {};
    logic.ProcessEvents = nullptr;
    logic.SetConnection(&port, nullptr);

    const QList<TBootloaderParams *> variants = config.EnabledProducts();
    FUZZ_CHECK(!variants.isEmpty());
    const TBootloaderParams &params = *variants[data[0] % variants.size()];
    config.SelectProduct(params.GetProductNumber());
    FUZZ_CHECK(CurrentBootloaderParams() == &params);

    const QByteArray file = fuzz::Bytes(data + 1, size - 1);
    const QString path = fuzz::TempFolder() + QStringLiteral("/firmware.") + params.GetExtension();
    FUZZ_CHECK(fuzz::WriteFile(path, file));

    const TUpgradeFileCheck check = CheckUpgradeData(file, params);
    const bool taken = logic.CheckUpgradeFile(path, nullptr, nullptr);
    FUZZ_CHECK(taken == check.Ok);
    if (!taken) {
        FUZZ_CHECK(!logic.SendFileHeader(path, nullptr));
        FUZZ_CHECK(!logic.ProgramFile(path, nullptr, nullptr));
        FUZZ_CHECK(port.Writes().empty());
        return 0;
    }
    FUZZ_CHECK(!check.Description.isEmpty());
    const QList<QByteArray> records = UpgradeRecords(file, params);
    FUZZ_CHECK(!records.isEmpty());

    HeaderNext = true;
    FUZZ_CHECK(logic.SendFileHeader(path, nullptr));
    std::vector<QByteArray> sent = Records(port);
    FUZZ_CHECK(sent.size() == 1);
    QByteArray first = file.left(UpgradeRecordLength);
    first.resize(UpgradeRecordLength, '\0');
    FUZZ_CHECK(sent[0] == first);

    port.ClearWrites();
    FUZZ_CHECK(logic.ProgramFile(path, nullptr, nullptr));
    sent = Records(port);
    FUZZ_CHECK(sent.size() == size_t(records.size()));
    for (size_t i = 0; i < sent.size(); ++i) {
        QByteArray expected = file.mid(qsizetype(i) * UpgradeRecordLength, UpgradeRecordLength);
        expected.resize(UpgradeRecordLength, '\0');
        FUZZ_CHECK(sent[i] == expected);
        FUZZ_CHECK(sent[i] == records[qsizetype(i)]);
    }
    return 0;
}
