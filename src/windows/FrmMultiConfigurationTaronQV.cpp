#include "windows/FrmMultiConfigurationTaronQV.h"

#include "windows/NamedWidget.h"

#include <QFrame>

TFrmMultiConfigurationTaronQV *FrmMultiConfigurationTaronQV = nullptr;

TFrmMultiConfigurationTaronQV::TFrmMultiConfigurationTaronQV(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmMultiConfigurationTaronQV"));
    resize(780, 520);
    PnlMultiConfiguration = NewNamed<QFrame>(this, "PnlMultiConfiguration", {0, 0, 780, 520});
}

TFrmMultiConfigurationTaronQV::~TFrmMultiConfigurationTaronQV()
{
    if (::FrmMultiConfigurationTaronQV == this)
        ::FrmMultiConfigurationTaronQV = nullptr;
}

bool TFrmMultiConfigurationTaronQV::BtBKnfWriteConfigurationClick(QObject *sender)
{
    Q_UNUSED(sender);
    return false;
}

bool TFrmMultiConfigurationTaronQV::BtBKnfWriteDefaultConfigurationClick(QObject *sender)
{
    Q_UNUSED(sender);
    return false;
}

void TFrmMultiConfigurationTaronQV::PgCConfigurationChanging(QObject *sender, bool &allowChange)
{
    Q_UNUSED(sender);
    Q_UNUSED(allowChange);
}
