// Feeds arbitrary bytes to the upgrade-file check as a whole file image: the
// first byte chooses the variant whose trailer layout applies, the rest is
// the file. A file that passes is cut into the records that would be sent.
#include "upgrade/BootloaderConfig.h"
#include "upgrade/UpgraderLogic.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static TBootloaderTaronQ3 q3;
    static TBootloaderTaronQ3X q3x;
    static TBootloaderAdapterVXR adapter;
    static TBootloaderAdapterVXR_v2 adapterV2;
    const TBootloaderParams *variants[] = {&q3, &q3x, &adapter, &adapterV2};
    const TBootloaderParams &params = *variants[data[0] % 4];
    const QByteArray file(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const TUpgradeFileCheck check = CheckUpgradeData(file, params);
    if (check.Ok) {
        qsizetype bytes = 0;
        for (const QByteArray &record : UpgradeRecords(file, params))
            bytes += record.size();
        if (bytes % UpgradeRecordLength != 0 || check.Description.isEmpty())
            __builtin_trap();
    }
    return 0;
}
