#include "platform/ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
TShellOpener &opener()
{
    static TShellOpener instance;
    return instance;
}
} // namespace

bool ShellOpen(const QString &path)
{
    if (opener())
        return opener()(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SetShellOpener(TShellOpener value)
{
    opener() = std::move(value);
}
