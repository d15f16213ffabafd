#pragma once
// Where a test saves a picture of a window for a person to look at: the
// folder named by TEST_SCREENSHOTS, else a temporary folder of the test
// program's own, removed when the program ends. Nothing lands in the shared
// temporary folder.

#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

namespace testsupport {

inline QString ScreenshotPath(const QString &fileName)
{
    static QTemporaryDir own;
    return qEnvironmentVariable("TEST_SCREENSHOTS", own.path()) + QLatin1Char('/') + fileName;
}

} // namespace testsupport
