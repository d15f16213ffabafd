#include "windows/FrmMultiCalibrationTaronQV.h"

#include "windows/NamedWidget.h"

#include <QComboBox>
#include <QFrame>
#include <QTabWidget>

TFrmMultiCalibrationTaronQV *FrmMultiCalibrationTaronQV = nullptr;

TFrmMultiCalibrationTaronQV::TFrmMultiCalibrationTaronQV(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmMultiCalibrationTaronQV"));
    resize(780, 520);
    PnlMultiCalibration = NewNamed<QFrame>(this, "PnlMultiCalibration", {0, 0, 780, 520});
    PgCCalibration = NewNamed<QTabWidget>(PnlMultiCalibration, "PgCCalibration", {0, 0, 780, 520});
    TbSMultiCalibrationAuto = NewTabPage(PgCCalibration, "TbSMultiCalibrationAuto", QStringLiteral("Autokalibracja"));
    TbSMultiCalibrationModel = NewTabPage(PgCCalibration, "TbSMultiCalibrationModel", QStringLiteral("Model"));
    TbSMultiCalibrationMap = NewTabPage(PgCCalibration, "TbSMultiCalibrationMap", QStringLiteral("Mapa"));
    TbSMultiCalibrationCorrections = NewTabPage(PgCCalibration, "TbSMultiCalibrationCorrections", QStringLiteral("Korekty"));
    CmBCalMapRPMRange = NewNamed<QComboBox>(TbSMultiCalibrationMap, "CmBCalMapRPMRange", {8, 8, 160, 22});
    PnlCalCorrPcol = NewNamed<QFrame>(TbSMultiCalibrationCorrections, "PnlCalCorrPcol", {8, 8, 360, 200});
    PnlCalCorrPcol->hide();
}

TFrmMultiCalibrationTaronQV::~TFrmMultiCalibrationTaronQV()
{
    if (::FrmMultiCalibrationTaronQV == this)
        ::FrmMultiCalibrationTaronQV = nullptr;
}

bool TFrmMultiCalibrationTaronQV::BtBModel2WriteClick(QObject *sender)
{
    Q_UNUSED(sender);
    return false;
}

void TFrmMultiCalibrationTaronQV::PgCCalibrationChanging(QObject *sender, bool &allowChange)
{
    Q_UNUSED(sender);
    Q_UNUSED(allowChange);
}
