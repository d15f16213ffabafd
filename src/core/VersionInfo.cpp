#include "core/VersionInfo.h"

#include "core/ComponentVersion.h"
#include "platform/BuildVersion.h"

#include <QCoreApplication>
#include <QFileInfo>

static ComponentVersionRegistrar reg("VersionInfo", "$Revision: 2 $",
                                     "$Date: 2026-12-07 05:00:00 +0100 (Mon, 07 Dec 2026) $");

TVersionInfo::TVersionInfo(QObject *parent) : QObject(parent)
{
}

void TVersionInfo::ReadVersionInfo()
{
    if (FExeName.isEmpty())
        return;
    const QFileInfo file(FExeName);
    const QString self = QCoreApplication::instance()
                             ? QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath()
                             : QString();
    if (!file.exists() || self.isEmpty() || file.canonicalFilePath() != self)
        return; // no version texts for this file

    const bool known = FLangId_CP.isEmpty()
                       || FLangId_CP.compare(QLatin1String(ProgramTranslation), Qt::CaseInsensitive) == 0;
    auto value = [known](const char *text) { return known ? QString::fromUtf8(text) : QString(); };
    FCompanyName = value("");
    FFileDescription = value(BuildVersion::ProductName);
    FFileVersion = value(BuildVersion::FileVersionText);
    FInternalName = value(BuildVersion::ProgramName);
    FLegalCopyright = value("");
    FLegalTradeMarks = value("");
    FOriginalFilename = value(BuildVersion::ProgramName);
    FProductName = value(BuildVersion::ProductName);
    FProductVersion = value(BuildVersion::ProductVersionText);
    FComments = value("");
    FPrivateBuild = value("");
    FSpecialBuild = value("");
}
