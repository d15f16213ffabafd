// Feeds arbitrary bytes to the settings-file reader as the load command
// does: the raw checks, the version test and both key sets.
#include "core/IniFile.h"
#include "core/SettingsFile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TIniFile ini;
    ini.LoadFromBytes(bytes);
    (void)TSettingsFile::CheckBytes(bytes);
    (void)TSettingsFile::VersionCode(ini);
    (void)TSettingsFile::AcceptsVersion(ini, TSettingsFile::CodesQ3());
    (void)TSettingsFile::AcceptsVersion(ini, TSettingsFile::CodesMulti());
    (void)TSettingsFile::CheckComplete(ini, true);

    TDeviceRecord q3;
    q3.DeviceKind = 20;
    (void)TSettingsFile::ReadQ3(ini, q3);

    for (const char *version : {"B", "J"}) {
        for (bool modelOnly : {false, true}) {
            TSettingsLoad load;
            load.Record.DeviceKind = 48;
            load.Record.Ver = QString::fromLatin1(version);
            (void)TSettingsFile::ReadMulti(ini, load, modelOnly);
        }
    }
    return 0;
}
