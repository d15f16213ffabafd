#include "mainwindow/configuration/ModelFile.h"

#include "core/DeviceRecord.h"
#include "core/IniFile.h"
#include "mainwindow/shell/FormMain.h"

#include <QSpinBox>

namespace ModelFile {

std::optional<TSettingsLoad> Read(TFormMain &form, const QString &path, const TPageLimits &page)
{
    TIniFile ini;
    TSettingsLoad load;
    load.Record = DeviceRecord;
    TSettingsError e = TSettingsFile::Open(path, false, ini);
    if (!e.Failed())
        e = TSettingsFile::ReadModelQ3(ini, load, page);
    if (e.Failed()) {
        form.RefuseSettingsFile(e, path);
        return std::nullopt;
    }
    return load;
}

void AddUpDown(TPageLimits &page, const QString &key, const QSpinBox *upDown, double steps, double zero)
{
    if (upDown)
        page.AddUpDown(key, upDown->minimum(), upDown->maximum(), steps, zero);
}

} // namespace ModelFile
