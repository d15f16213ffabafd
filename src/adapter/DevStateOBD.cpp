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
      OBDactionMain(new TByteVariable(this, obdName("OBDactionMain")))
{
}

bool TDevStateOBD::IsConnected() const
{
    if (!ModuleActive || !ModuleActive())
        return false;
    const qint64 action = OBDactionMain->GetAsInteger();
    return action == 4 || action == 5;
}
