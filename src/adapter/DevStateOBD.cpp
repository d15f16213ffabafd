#include "adapter/DevStateOBD.h"

namespace {
QString obdName(const char *name)
{
    return MakeGroupedName(dgOBD, QString::fromLatin1(name));
}
} // namespace

TDevStateOBD::TDevStateOBD(TDeviceState *owner)
    : TBaseDevState(owner),
      OBDConfig_1_EE(TBoolVariable::CreateParam(this, 8, 1, obdName("OBDConfig_1_EE"))),
      OBDConfig_1_EE_isAdaptationEnabled(
          TBoolVariable::CreateBit(this, 2, OBDConfig_1_EE, obdName("OBDConfig_1_EE_isAdaptationEnabled"))),
      OBDFlags1(new TByteVariable(this, obdName("OBDFlags1"))),
      OBDFlags2(new TByteVariable(this, obdName("OBDFlags2"))),
      OBDFlags3(new TByteVariable(this, obdName("OBDFlags3"))),
      OBDFlags4(new TByteVariable(this, obdName("OBDFlags4"))),
      OBDactionMain(new TByteVariable(this, obdName("OBDactionMain"))),
      OBDactionDetect(new TByteVariable(this, obdName("OBDactionDetect"))),
      OBDactionConnecting(new TByteVariable(this, obdName("OBDactionConnecting"))),
      OBDactionConnected(new TByteVariable(this, obdName("OBDactionConnected"))),
      OBDactualProtocol(new TByteVariable(this, obdName("OBDactualProtocol"))),
      OBDnumberOfControllers(new TByteVariable(this, obdName("OBDnumberOfControllers")))
{
}

bool TDevStateOBD::IsConnected() const
{
    if (!IsModuleActive())
        return false;
    const qint64 action = OBDactionMain->GetAsInteger();
    return action == 4 || action == 5;
}
