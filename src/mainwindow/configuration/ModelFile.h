// The model pages' "read from file" on kinds 20 and 21: the model of a
// settings file, read as File > Load reads the file (the same checks of the
// file and of every value) and also within what the page shows.
#pragma once

#include "core/SettingsFile.h"

#include <QString>

#include <optional>

class QSpinBox;
class TFormMain;

namespace ModelFile {

// The model of the kind-20/21 settings file at path read into a copy of the
// device's record (load.Record), with load.HasModelPoints. None after the
// refusal was shown (naming the file, the key, the reason and the range):
// nothing of such a file is taken.
std::optional<TSettingsLoad> Read(TFormMain &form, const QString &path, const TPageLimits &page);

// What an up-down of the page shows of key, its positions standing for
// position / steps + zero (nothing without the up-down).
void AddUpDown(TPageLimits &page, const QString &key, const QSpinBox *upDown, double steps, double zero);

} // namespace ModelFile
