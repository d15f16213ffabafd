#include "windows/FrmMultiCalibrationTaronQV.h"

#include "core/ComponentVersion.h"
#include "windows/NamedWidget.h"

#include <QComboBox>
#include <QFrame>
#include <QTabWidget>

TFrmMultiCalibrationTaronQV *FrmMultiCalibrationTaronQV = nullptr;

namespace {
ComponentVersionRegistrar reg("FrmMultiCalibrationTaronQV", "$Revision: 1 $",
                              "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");

QWidget *page(QTabWidget *pages, const char *name, const QString &caption)
{
    auto *sheet = new QWidget(pages);
    sheet->setObjectName(QString::fromLatin1(name));
    pages->addTab(sheet, caption);
    return sheet;
}
} // namespace

TFrmMultiCalibrationTaronQV::TFrmMultiCalibrationTaronQV(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmMultiCalibrationTaronQV"));
    resize(780, 520);
    PnlMultiCalibration = NewNamed<QFrame>(this, "PnlMultiCalibration", {0, 0, 780, 520});
    PgCCalibration = NewNamed<QTabWidget>(PnlMultiCalibration, "PgCCalibration", {0, 0, 780, 520});
    TbSMultiCalibrationAuto = page(PgCCalibration, "TbSMultiCalibrationAuto", QStringLiteral("Autokalibracja"));
    TbSMultiCalibrationModel = page(PgCCalibration, "TbSMultiCalibrationModel", QStringLiteral("Model"));
    TbSMultiCalibrationMap = page(PgCCalibration, "TbSMultiCalibrationMap", QStringLiteral("Mapa"));
    TbSMultiCalibrationCorrections = page(PgCCalibration, "TbSMultiCalibrationCorrections", QStringLiteral("Korekty"));
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
