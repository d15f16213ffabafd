#pragma once
#include <QString>

namespace testsupport {
// Folder of the source tree (for test data shipped with the sources).
QString sourceDir();
}
