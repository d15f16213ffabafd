#include "upgrade/BootloaderConfig.h"

#include "core/Crc16.h"
#include "core/FrameChecksum.h"
#include "core/ui/Common.h"

namespace {
void warn(const QString &text)
{
    if (Common)
        Common->ShowWarningMessage(text);
}
} // namespace

TBootloaderConfig *BootloaderConfig = nullptr;

TBootloaderParams::TBootloaderParams(const TVariantData &data)
    : FProductName(QString::fromLatin1(data.name)), FExtension(QString::fromLatin1(data.extension)),
      FMinFileVersion(data.minFileVersion), FProductNumber(data.productNumber), FCommandHeader(data.commandHeader),
      FReplyHeader(data.replyHeader), FVersionCommand(data.versionCommand), FIdentifyCommand(data.identifyCommand),
      FStatusCommand(data.statusCommand), FParamByte(data.paramByte), FTrailerLength(data.trailerLength),
      FMarkerLength(data.markerLength), FField1Offset(data.field1Offset), FField1Length(data.field1Length),
      FField2Length(data.field2Length), FVersionBytePos(data.versionBytePos), FParamWord(data.paramWord),
      FUseCrc16(data.useCrc16)
{
}

QByteArray TBootloaderParams::CommandFrame(quint8 code, quint8 argument) const
{
    const quint8 head[3] = {FCommandHeader, code, argument};
    QByteArray frame(reinterpret_cast<const char *>(head), 3);
    if (FUseCrc16) {
        const quint16 crc = Crc16Compute(head, 3, 0, Crc16Polynomial);
        frame.append(char(crc >> 8));
        frame.append(char(crc & 0xFF));
    } else {
        frame.append(char(FrameChecksum(head, 3)));
    }
    return frame;
}

// name, extension, product, min. file version, marker length, trailer length, version byte position,
// field 1 offset and length, field 2 length, command and reply header, version, identify and status
// command, CRC-16, variant word and byte.
TBootloaderTaronQ3::TBootloaderTaronQ3()
    : TBootloaderParams({"Q3", "upg", 3, 0x15, 5, 33, 3, 5, 7, 10, 0xC0, 0xD0, 0x53, 0x02, 0x01, false, 62, 0})
{
}

TBootloaderTaronQ3X::TBootloaderTaronQ3X()
    : TBootloaderParams({"Q3X", "up3", 5, 0x10, 5, 35, 4, 7, 7, 10, 0xC0, 0xD0, 0x53, 0x02, 0x01, false, 0, 0})
{
}

TBootloaderAdapterVXR::TBootloaderAdapterVXR()
    : TBootloaderParams({"AdapterOBD", "upx", 40, 0x10, 5, 35, 4, 7, 7, 10, 0xC2, 0xD2, 0x03, 0x04, 0x01, true, 0, 0})
{
}

TBootloaderAdapterVXR_v2::TBootloaderAdapterVXR_v2()
    : TBootloaderParams({"AdapterOBD_v2", "upy", 98, 0x20, 3, 28, 3, 6, 7, 10, 0xC2, 0xD2, 0x03, 0x04, 0x01, true, 0, 0})
{
}

TBootloaderConfig::TBootloaderConfig(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("BootloaderConfig"));
    RegisterProducts();
    FCurrent = FEnabled.first();
}

void TBootloaderConfig::RegisterProducts()
{
    AddProduct(std::make_unique<TBootloaderTaronQ3>());
    AddProduct(std::make_unique<TBootloaderTaronQ3X>());
    AddProduct(std::make_unique<TBootloaderAdapterVXR>());
    AddProduct(std::make_unique<TBootloaderAdapterVXR_v2>());
}

void TBootloaderConfig::AddProduct(std::unique_ptr<TBootloaderParams> params)
{
    FEnabled.append(params.get());
    FProducts.push_back(std::move(params));
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

void TBootloaderConfig::BeginIterateProducts()
{
    FWalkIndex = -1;
    FWalkStart = int(FEnabled.indexOf(FCurrent));
    if (FWalkStart < 0)
        warn(QStringLiteral("ASSERT: BeginIterateProducts started with index -1"));
}

bool TBootloaderConfig::NextProduct()
{
    // A list that shrank under the walk ends it.
    if (FEnabled.isEmpty() || FWalkStart >= FEnabled.size())
        return false;
    bool more = true;
    if (FWalkIndex == -1) {
        FWalkIndex = FWalkStart;
    } else {
        FWalkIndex = (FWalkIndex + 1) % int(FEnabled.size());
        more = FWalkIndex != FWalkStart;
    }
    if (FWalkIndex < 0 || FWalkIndex >= FEnabled.size()) {
        // The walk began without a current enabled variant: nothing to try.
        warn(QStringLiteral("ASSERT: NextProduct tried to access index -1"));
        return false;
    }
    setCurrent(FEnabled.at(FWalkIndex));
    return more;
}

TBootloaderParams *CurrentBootloaderParams()
{
    return BootloaderConfig ? BootloaderConfig->Current() : nullptr;
}
