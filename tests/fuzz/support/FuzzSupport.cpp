#include "FuzzSupport.h"

#include "adapter/Variable.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

void Fail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

namespace {
int argCount = 1;
char argText[] = "fuzz";
char *argValues[] = {argText, nullptr};

// The application lives until the process ends: destroying it among the
// exit handlers, after Qt's own, crashes.
QCoreApplication *application = nullptr;
} // namespace

void EnsureCoreApplication()
{
    if (!QCoreApplication::instance())
        application = new QCoreApplication(argCount, argValues);
}

void EnsureWidgetApplication()
{
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = new QApplication(argCount, argValues);
    }
}

QString TempFolder()
{
    // In memory where the system offers it: targets write a file per input.
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/taron-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/taron-fuzz-XXXXXX"));
    if (!folder.isValid())
        Fail("temporary folder", __FILE__, __LINE__);
    return folder.path();
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

std::vector<QByteArray> RawBytes(const TVariableList &list)
{
    std::vector<QByteArray> out;
    out.reserve(size_t(list.Count()));
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.GetItem(i)->Raw());
    return out;
}

void RestoreRawBytes(TVariableList &list, const std::vector<QByteArray> &raw)
{
    for (int i = 0; i < list.Count() && size_t(i) < raw.size(); ++i)
        list.GetItem(i)->SetRawData(raw[size_t(i)], false);
}

bool IntegerInForm(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[+-]?([0-9]+|(0[xX]|\\$)[0-9a-fA-F]+)$"));
    return form.match(text.trimmed()).hasMatch();
}

} // namespace fuzz
