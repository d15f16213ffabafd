#include "adapter/DevStateAdapter.h"

namespace {
QString adapterName(const char *name)
{
    return MakeGroupedName(dgAdapter, QString::fromLatin1(name));
}

TByteVariable *byteVariable(TBaseDevState *set, const char *name)
{
    return new TByteVariable(set, adapterName(name));
}
} // namespace

TDevStateAdapter::TDevStateAdapter(TDeviceState *owner)
    : TBaseDevState(owner),
      AdapterMainVersion(byteVariable(this, "AdapterMainVersion")),
      AdapterReleaseVersion(byteVariable(this, "AdapterReleaseVersion")),
      AdapterRevisionVersion(byteVariable(this, "AdapterRevisionVersion")),
      AdapterBootloaderProductName(byteVariable(this, "AdapterBootloaderProductName")),
      AdapterBootloaderKitType(byteVariable(this, "AdapterBootloaderKitType")),
      AdapterProductionDate(new TWordVariable(this, adapterName("AdapterProductionDate"))),
      AdapterProductionSerialNumber(new TIntVariable(this, adapterName("AdapterProductionSerialNumber"))),
      AdapterDeviceType(byteVariable(this, "AdapterDeviceType")),
      AdapterSoftwareOptions(byteVariable(this, "AdapterSoftwareOptions")),
      AdapterHardwareOptions(byteVariable(this, "AdapterHardwareOptions")),
      AdapterHardwareVersion(byteVariable(this, "AdapterHardwareVersion")),
      AdapterCompilationTime(new TStringVariable(this, 9, adapterName("AdapterCompilationTime"))),
      AdapterCompilationDate(new TStringVariable(this, 12, adapterName("AdapterCompilationDate"))),
      AdapterTestModeGlobalResult(byteVariable(this, "AdapterTestModeGlobalResult")),
      AdapterTestModeStatus(byteVariable(this, "AdapterTestModeStatus")),
      AdapterTestModeNrOfCanErr(byteVariable(this, "AdapterTestModeNrOfCanErr")),
      AdapterTestModeKlineResult(byteVariable(this, "AdapterTestModeKlineResult")),
      AdapterTestModeCanResult(byteVariable(this, "AdapterTestModeCanResult")),
      AdapterTestModeLlineResult(byteVariable(this, "AdapterTestModeLlineResult")),
      AdapterTestModeAioResult(byteVariable(this, "AdapterTestModeAioResult"))
{
    // 10h reads "1.0"; the release byte is a letter.
    AdapterMainVersion->SetOnGetText([](TVariable *sender, QString &text) {
        const qint64 v = sender->GetAsInteger();
        text = QStringLiteral("%1.%2").arg(v / 16).arg(v % 16);
    });
    AdapterReleaseVersion->SetOnGetText([](TVariable *sender, QString &text) {
        const qint64 v = sender->GetAsInteger();
        text = v == 0 ? QString() : QString(QChar(char16_t(v)));
    });
}

TUIStateAdapter::TUIStateAdapter(TDeviceState *owner, TDevStateAdapter *deviceSide)
    : TDevStateAdapter(owner), FDeviceSide(deviceSide)
{
}

void TUIStateAdapter::RegisterVariables(int phase)
{
    RegisterVariablesPhase(phase, *FDeviceSide);
}
