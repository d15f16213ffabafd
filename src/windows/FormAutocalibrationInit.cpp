#include "windows/FormAutocalibrationInit.h"

#include "controls/YEdit.h"
#include "core/UnitConversions.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
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
    NewNamed<QLabel>(this, "LblInjType", {8, 80, 120, 18}, QStringLiteral("Wtryskiwacze:"));
    CmBInjType = NewNamed<QComboBox>(this, "CmBInjType", {130, 78, 200, 22});
    NewNamed<QLabel>(this, "LblInjSystemType", {8, 110, 120, 18}, QStringLiteral("Układ wtryskowy:"));
    CmBInjSystemType = NewNamed<QComboBox>(this, "CmBInjSystemType", {130, 108, 200, 22});
    BtnCheckInjSystem = NewNamed<QPushButton>(this, "BtnCheckInjSystem", {336, 106, 76, 25}, QStringLiteral("Wykryj"));
    GrBModel = NewNamed<QGroupBox>(this, "GrBModel", {8, 140, 404, 110});
    GrBModel->setTitle(QStringLiteral("Model początkowy"));
    NewNamed<QLabel>(GrBModel, "LblMult", {12, 26, 150, 18}, QStringLiteral("Mnożnik [%]:"));
    YEdMULT = NewNamed<TYEdit>(GrBModel, "YEdMULT", {170, 24, 80, 22});
    UpDMult = NewNamed<QSpinBox>(GrBModel, "UpDMult", {250, 24, 20, 22});
    UpDMult->setRange(-40, 70);
    NewNamed<QLabel>(GrBModel, "LblOffset", {12, 58, 150, 18}, QStringLiteral("Przesunięcie [ms]:"));
    YEdOffset = NewNamed<TYEdit>(GrBModel, "YEdOffset", {170, 56, 80, 22});
    UpDOffset = NewNamed<QSpinBox>(GrBModel, "UpDOffset", {250, 56, 20, 22});
    UpDOffset->setRange(-40, 60);
    ChBUseOnIdleModel = NewNamed<QCheckBox>(this, "ChBUseOnIdleModel", {8, 258, 300, 20});
    ChBUseOnIdleModel->setText(QStringLiteral("Model na biegu jałowym"));
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
    YEdOffset->setText(FormatDecimals(UpDOffset->value() / 10.0, ShortestDecimals));
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
