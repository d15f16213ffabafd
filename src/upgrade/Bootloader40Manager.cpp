#include "upgrade/Bootloader40Manager.h"

TBootloader40Manager *Bootloader40Manager = nullptr;

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
