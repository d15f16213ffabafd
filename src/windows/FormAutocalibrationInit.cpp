#include "windows/FormAutocalibrationInit.h"

#include "controls/YEdit.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <cmath>

TFormAutocalibrationInit *FormAutocalibrationInit = nullptr;

TFormAutocalibrationInit::TFormAutocalibrationInit(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormAutocalibrationInit"));
    setWindowTitle(QStringLiteral("Autocalibration"));
    resize(420, 330);
    EdtTxt1 = NewNamed<QLineEdit>(this, "EdtTxt1", {8, 8, 404, 60});
    EdtTxt1->setReadOnly(true);
    CmBInjType = NewNamed<QComboBox>(this, "CmBInjType", {8, 78, 250, 22});
    CmBInjSystemType = NewNamed<QComboBox>(this, "CmBInjSystemType", {8, 108, 250, 22});
    BtnCheckInjSystem = NewNamed<QPushButton>(this, "BtnCheckInjSystem", {266, 106, 146, 25});
    GrBModel = NewNamed<QGroupBox>(this, "GrBModel", {8, 140, 404, 110});
    YEdMULT = NewNamed<TYEdit>(GrBModel, "YEdMULT", {12, 24, 80, 22});
    UpDMult = NewNamed<QSpinBox>(GrBModel, "UpDMult", {92, 24, 20, 22});
    UpDMult->setRange(-40, 70);
    YEdOffset = NewNamed<TYEdit>(GrBModel, "YEdOffset", {12, 56, 80, 22});
    UpDOffset = NewNamed<QSpinBox>(GrBModel, "UpDOffset", {92, 56, 20, 22});
    UpDOffset->setRange(-40, 60);
    ChBUseOnIdleModel = NewNamed<QCheckBox>(this, "ChBUseOnIdleModel", {8, 258, 300, 20});
    BtnYes = NewNamed<QPushButton>(this, "BtnYes", {230, 294, 88, 25}, QStringLiteral("Tak"));
    BtnCancel = NewNamed<QPushButton>(this, "BtnCancel", {324, 294, 88, 25}, QStringLiteral("Anuluj"));

    connect(BtnYes, &QPushButton::clicked, this, [this] { done(6); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { done(2); });
    connect(CmBInjType, &QComboBox::activated, this, [this] { CmBInjTypeChange(); });
    connect(CmBInjSystemType, &QComboBox::activated, this, [this] { CmBInjSystemTypeChange(); });
    connect(BtnCheckInjSystem, &QPushButton::clicked, this, [this] { BtnCheckInjSystemClick(); });
    connect(UpDOffset, &QSpinBox::valueChanged, this, [this] { UpDOffsetClick(); });
    connect(UpDMult, &QSpinBox::valueChanged, this, [this](int value) { YEdMULT->setText(QString::number(value)); });
}

TFormAutocalibrationInit::~TFormAutocalibrationInit()
{
    if (::FormAutocalibrationInit == this)
        ::FormAutocalibrationInit = nullptr;
}

void TFormAutocalibrationInit::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFormAutocalibrationInit::FormShow()
{
    CmBInjTypeChange();
    GrBModel->setVisible(AdvancedView && AdvancedView());
}

void TFormAutocalibrationInit::CmBInjTypeChange()
{
    UpDMult->setValue(0);
    YEdMULT->setText(QString::number(UpDMult->value()));
    double factor = 0;
    if (DefaultFactor && CmBInjType->currentIndex() >= 0)
        factor = DefaultFactor(CmBInjType->currentData().toInt());
    UpDOffset->setValue(int(std::nearbyint(factor * 10)));
    UpDOffsetClick();
}

void TFormAutocalibrationInit::UpDOffsetClick()
{
    YEdOffset->setText(QString::number(UpDOffset->value() / 10.0));
}

void TFormAutocalibrationInit::CmBInjSystemTypeChange()
{
    ChBUseOnIdleModel->setChecked(false);
}

void TFormAutocalibrationInit::BtnCheckInjSystemClick()
{
    if (FormatInjectionTimes)
        FormatInjectionTimes(CmBInjSystemType);
    CmBInjSystemTypeChange();
}
