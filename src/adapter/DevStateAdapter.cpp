#include "adapter/DevStateAdapter.h"

namespace {
QString adapterName(const char *name)
{
    return MakeGroupedName(dgAdapter, QString::fromLatin1(name));
}
} // namespace

TDevStateAdapter::TDevStateAdapter(TDeviceState *owner)
    : TBaseDevState(owner),
      AdapterMainVersion(new TByteVariable(this, adapterName("AdapterMainVersion"))),
      AdapterReleaseVersion(new TByteVariable(this, adapterName("AdapterReleaseVersion"))),
      AdapterRevisionVersion(new TByteVariable(this, adapterName("AdapterRevisionVersion"))),
      AdapterBootloaderProductName(new TByteVariable(this, adapterName("AdapterBootloaderProductName"))),
      // Zero-filled fields one byte longer than the texts the box sends.
      CompileDate(new TStringVariable(this, 12, adapterName("CompileDate"))),
      CompileTime(new TStringVariable(this, 9, adapterName("CompileTime")))
{
}

TUIStateAdapter::TUIStateAdapter(TDeviceState *owner, TDevStateAdapter *deviceSide)
    : TDevStateAdapter(owner), FDeviceSide(deviceSide)
{
}

void TUIStateAdapter::RegisterVariables(int phase)
{
    RegisterVariablesPhase(phase, *FDeviceSide);
}
