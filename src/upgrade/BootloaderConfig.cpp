#include "upgrade/BootloaderConfig.h"

#include "core/ComponentVersion.h"

TBootloaderConfig *BootloaderConfig = nullptr;

namespace {
ComponentVersionRegistrar reg("BootloaderConfig", "$Revision: 1 $",
                              "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");
}

TBootloaderTaronQ3::TBootloaderTaronQ3()
{
    FProductName = QStringLiteral("Q3");
    FExtension = QStringLiteral("upg");
    FProductNumber = 3;
    FMinFileVersion = 0x15;
    FMarkerLength = 5;
    FTrailerLength = 33;
    FVersionBytePos = 3;
    FField1Offset = 5;
    FField1Length = 7;
    FField2Length = 10;
    FCommandHeader = 0xC0;
    FReplyHeader = 0xD0;
    FVersionCommand = 0x53;
    FIdentifyCommand = 0x02;
    FStatusCommand = 0x01;
    FParamWord = 62;
}

TBootloaderTaronQ3X::TBootloaderTaronQ3X()
{
    FProductName = QStringLiteral("Q3X");
    FExtension = QStringLiteral("up3");
    FProductNumber = 5;
    FMinFileVersion = 0x10;
    FMarkerLength = 5;
    FTrailerLength = 35;
    FVersionBytePos = 4;
    FField1Offset = 7;
    FField1Length = 7;
    FField2Length = 10;
    FCommandHeader = 0xC0;
    FReplyHeader = 0xD0;
    FVersionCommand = 0x53;
    FIdentifyCommand = 0x02;
    FStatusCommand = 0x01;
}

TBootloaderAdapterVXR::TBootloaderAdapterVXR()
{
    FProductName = QStringLiteral("AdapterOBD");
    FExtension = QStringLiteral("upx");
    FProductNumber = 40;
    FMinFileVersion = 0x10;
    FMarkerLength = 5;
    FTrailerLength = 35;
    FVersionBytePos = 4;
    FField1Offset = 7;
    FField1Length = 7;
    FField2Length = 10;
    FCommandHeader = 0xC2;
    FReplyHeader = 0xD2;
    FVersionCommand = 0x03;
    FIdentifyCommand = 0x04;
    FStatusCommand = 0x01;
    FUseCrc16 = true;
}

TBootloaderAdapterVXR_v2::TBootloaderAdapterVXR_v2()
{
    FProductName = QStringLiteral("AdapterOBD_v2");
    FExtension = QStringLiteral("upy");
    FProductNumber = 98;
    FMinFileVersion = 0x20;
    FMarkerLength = 3;
    FTrailerLength = 28;
    FVersionBytePos = 3;
    FField1Offset = 6;
    FField1Length = 7;
    FField2Length = 10;
    FCommandHeader = 0xC2;
    FReplyHeader = 0xD2;
    FVersionCommand = 0x03;
    FIdentifyCommand = 0x04;
    FStatusCommand = 0x01;
    FUseCrc16 = true;
}

TBootloaderConfig::TBootloaderConfig(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("BootloaderConfig"));
    FProducts.push_back(std::make_unique<TBootloaderTaronQ3>());
    FProducts.push_back(std::make_unique<TBootloaderTaronQ3X>());
    FProducts.push_back(std::make_unique<TBootloaderAdapterVXR>());
    FProducts.push_back(std::make_unique<TBootloaderAdapterVXR_v2>());
    for (const auto &product : FProducts)
        FEnabled.append(product.get());
    FCurrent = FEnabled.first();
}

TBootloaderConfig::~TBootloaderConfig()
{
    if (::BootloaderConfig == this)
        ::BootloaderConfig = nullptr;
}

TBootloaderParams *TBootloaderConfig::findProduct(const QList<TBootloaderParams *> &list, int number) const
{
    for (TBootloaderParams *params : list)
        if (params->GetProductNumber() == number)
            return params;
    return nullptr;
}

void TBootloaderConfig::setCurrent(TBootloaderParams *params)
{
    FCurrent = params;
    if (OnProductChange)
        OnProductChange(this);
}

void TBootloaderConfig::SelectProduct(int number)
{
    FCurrent = nullptr;
    if (TBootloaderParams *params = findProduct(FEnabled, number))
        setCurrent(params);
}

void TBootloaderConfig::DisableProduct(int number)
{
    TBootloaderParams *params = findProduct(FEnabled, number);
    if (!params)
        return;
    FEnabled.removeOne(params);
    if (params != FCurrent)
        return;
    if (FEnabled.isEmpty())
        throw EBootloaderConfigError(QStringLiteral("All product types are disabled, unable to contact any bootloader"));
    setCurrent(FEnabled.first());
}

void TBootloaderConfig::EnableProduct(int number, int position)
{
    if (TBootloaderParams *params = findProduct(FEnabled, number))
        FEnabled.removeOne(params);
    TBootloaderParams *params = nullptr;
    for (const auto &product : FProducts)
        if (product->GetProductNumber() == number)
            params = product.get();
    if (!params)
        return;
    if (position == 0)
        FEnabled.prepend(params);
    else
        FEnabled.append(params);
}

void TBootloaderConfig::UpdateParamsToHardware(int typeCode, int major, int minor)
{
    TBootloaderParams *previous = FCurrent;
    switch (typeCode) {
    case 0:
        FCurrent = nullptr;
        if (major == 3)
            SelectProduct(10);
        else if (major == 4)
            SelectProduct(3);
        else {
            FCurrent = previous;
            throw EBootloaderConfigError(
                QStringLiteral("Unable to select parameters for bootloader [%1.%2]").arg(major).arg(minor));
        }
        break;
    case 1:
        break;
    case 3: case 4: case 5: case 10: case 20: case 30: case 40: case 98:
        SelectProduct(typeCode);
        break;
    default:
        FCurrent = previous;
        throw EBootloaderConfigError(
            QStringLiteral("Unhandled product number in UpdateParamsToHardware [%1]").arg(typeCode));
    }
    if (!FCurrent)
        FCurrent = previous;
}

TBootloaderParams *CurrentBootloaderParams()
{
    return BootloaderConfig ? BootloaderConfig->Current() : nullptr;
}
