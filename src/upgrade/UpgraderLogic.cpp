#include "upgrade/UpgraderLogic.h"

#include "upgrade/Bootloader40Manager.h"
#include "upgrade/BootloaderConfig.h"

TUpgraderLogic *UpgraderLogic = nullptr;

namespace {
constexpr int ProductAdapter = 40;
constexpr int ProductAdapterV2 = 98;
}

TUpgraderLogic::TUpgraderLogic(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("UpgraderLogic"));
}

TUpgraderLogic::~TUpgraderLogic()
{
    if (::UpgraderLogic == this)
        ::UpgraderLogic = nullptr;
}

void TUpgraderLogic::SetConnection(TComMultiPort *port, QListWidget *log)
{
    FPort = port;
    FLog = log;
    if (Bootloader40Manager)
        Bootloader40Manager->SetConnection(port, log);
}

void TUpgraderLogic::ClearVersionInfo()
{
    FVersionText = QStringLiteral("-");
    FDeviceDescription.clear();
    FFileDescription.clear();
}

void TUpgraderLogic::SetAdapterDetection(bool on)
{
    FAdapterDetection = on;
    if (!BootloaderConfig || BootloaderConfig->GetProductCount() == 1)
        return;
    if (on) {
        BootloaderConfig->EnableProduct(ProductAdapter, 0);
        BootloaderConfig->UpdateParamsToHardware(ProductAdapter, 0, 0);
        BootloaderConfig->EnableProduct(ProductAdapterV2, 0);
        BootloaderConfig->UpdateParamsToHardware(ProductAdapterV2, 0, 0);
    } else {
        BootloaderConfig->DisableProduct(ProductAdapter);
        BootloaderConfig->DisableProduct(ProductAdapterV2);
    }
}
