#include "adapter/LogicAdapter.h"

#include "adapter/DevStateAdapter.h"

TLogicAdapter *LogicAdapter = nullptr;

TLogicAdapter::TLogicAdapter(TDevStateAdapter *deviceSide, TDevStateAdapter *uiSide, QObject *parent)
    : QObject(parent), FDeviceSide(deviceSide), FUiSide(uiSide)
{
    setObjectName(QStringLiteral("LogicAdapter"));
}

void TLogicAdapter::CopySection()
{
    // The two sets mirror each other index by index.
    const int count = std::min(FDeviceSide->Count(), FUiSide->Count());
    for (int i = 0; i < count; ++i)
        FUiSide->GetItem(i)->SetRawData(FDeviceSide->GetItem(i)->Raw(), false);
}

QString TLogicAdapter::VersionText(bool needActive, int style) const
{
    if (needActive ? !IsModuleActive() : !IsModuleEnabled())
        return QStringLiteral("----");
    const int main = int(FUiSide->AdapterMainVersion->GetAsInteger());
    const QString release = QString(QChar(char16_t(FUiSide->AdapterReleaseVersion->GetAsInteger())));
    const int revision = int(FUiSide->AdapterRevisionVersion->GetAsInteger());
    switch (style) {
    case 0:
        return QStringLiteral("%1.%2%3 r%4").arg(main / 16).arg(main % 16).arg(release).arg(revision);
    case 1:
        return QStringLiteral("%1%2%3").arg(main / 16).arg(main % 16).arg(release);
    case 2:
        return QStringLiteral("%1.%2").arg(main / 16).arg(main % 16);
    case 3:
        return QStringLiteral("%1%2").arg(main / 16).arg(main % 16);
    default:
        return QString();
    }
}

bool TLogicAdapter::IsUpgradePossible()
{
    CopySection();
    if (!IsModuleActive())
        return false;
    const qint64 main = FUiSide->AdapterMainVersion->GetAsInteger();
    return main == 0x10 || main == 0x20;
}
