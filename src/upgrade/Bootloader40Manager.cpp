#include "upgrade/Bootloader40Manager.h"

#include "core/ComponentVersion.h"

TBootloader40Manager *Bootloader40Manager = nullptr;

namespace {
ComponentVersionRegistrar reg("Bootloader40Manager", "$Revision: 1 $",
                              "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");
}

TBootloader40Manager::TBootloader40Manager(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("Bootloader40Manager"));
}

TBootloader40Manager::~TBootloader40Manager()
{
    if (::Bootloader40Manager == this)
        ::Bootloader40Manager = nullptr;
}

void TBootloader40Manager::SetConnection(TComMultiPort *port, QListWidget *log)
{
    FPort = port;
    FLog = log;
}

void TBootloader40Manager::ClearBootInfo()
{
    FBootInfo = TBootInfo();
}

bool TBootloader40Manager::BootloaderVersionAtLeast(int major, int minor) const
{
    return FBootInfo.BootMajor >= major && FBootInfo.BootMinor >= minor;
}

bool TBootloader40Manager::ConnectBootloader()
{
    ClearBootInfo();
    return false;
}
