#include "common/TestSupport.h"
#include <QByteArray>
#include <QtGlobal>

namespace testsupport {
QString sourceDir()
{
    return QString::fromLocal8Bit(qgetenv("TARON_SOURCE_DIR"));
}
}
