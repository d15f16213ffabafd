#include "windows/FormWorkingPressure.h"

#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "windows/NamedWidget.h"

#include <QComboBox>
#include <QPushButton>

TFormWorkingPressure *FormWorkingPressure = nullptr;

namespace {
constexpr uint8_t WorkPressureParameter = 30;
}

TFormWorkingPressure::TFormWorkingPressure(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormWorkingPressure"));
    setWindowTitle(QStringLiteral("Ciśnienie robocze"));
    resize(360, 120);
    CmBWPWorkPressure = NewNamed<QComboBox>(this, "CmBWPWorkPressure", {12, 16, 120, 22});
    for (int i = 0; i < 14; ++i)
        CmBWPWorkPressure->addItem(QStringLiteral("%1,%2").arg((70 + 10 * i) / 100).arg((70 + 10 * i) % 100, 2, 10,
                                                                                       QLatin1Char('0')),
                                   PressureCodes[i]);
    CmBWPWorkPressure->setCurrentIndex(-1);
    BtnWPWorkPressure = NewNamed<QPushButton>(this, "BtnWPWorkPressure", {140, 14, 100, 25}, QStringLiteral("Wyznacz"));
    BtnWPWriteAndContinue = NewNamed<QPushButton>(this, "BtnWPWriteAndContinue", {12, 80, 200, 25},
                                                  QStringLiteral("Zaakceptuj i kontynuuj"));
    BtnWPContinue = NewNamed<QPushButton>(this, "BtnWPContinue", {220, 80, 128, 25}, QStringLiteral("Kontynuuj"));

    connect(BtnWPWorkPressure, &QPushButton::clicked, this, [this] { BtnWPWorkPressureClick(); });
    connect(BtnWPWriteAndContinue, &QPushButton::clicked, this, [this] { BtnWPWriteAndContinueClick(); });
    connect(BtnWPContinue, &QPushButton::clicked, this, [this] { BtnWPContinueClick(); });
}

TFormWorkingPressure::~TFormWorkingPressure()
{
    if (::FormWorkingPressure == this)
        ::FormWorkingPressure = nullptr;
}

void TFormWorkingPressure::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFormWorkingPressure::FormShow()
{
    CmBWPWorkPressure->setCurrentIndex(CmBWPWorkPressure->findData(int(DeviceRecord.WorkPress)));
}

void TFormWorkingPressure::BtnWPWorkPressureClick()
{
    if (OnMeasure)
        OnMeasure(CmBWPWorkPressure);
}

bool TFormWorkingPressure::BtnWPWriteAndContinueClick()
{
    bool written = true;
    if (CmBWPWorkPressure->currentIndex() >= 0) {
        DeviceRecord.WorkPress = quint8(CmBWPWorkPressure->currentData().toInt());
        written = DataManager && DataManager->WriteParamByte(WorkPressureParameter, DeviceRecord.WorkPress);
    }
    accept();
    return written;
}

void TFormWorkingPressure::BtnWPContinueClick()
{
    accept();
}
