// The start dialog of an auto-calibration: the current settings, the gas
// injector and injection system, and (in the advanced view) the starting
// model. The auto-calibration run fills and reads it.
#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TYEdit;

class TFormAutocalibrationInit : public QDialog
{
    Q_OBJECT
public:
    explicit TFormAutocalibrationInit(QWidget *parent = nullptr);
    ~TFormAutocalibrationInit() override;

    QLineEdit *EdtTxt1;
    QComboBox *CmBInjType;
    QComboBox *CmBInjSystemType;
    QPushButton *BtnCheckInjSystem;
    QGroupBox *GrBModel;
    QSpinBox *UpDMult;
    TYEdit *YEdMULT;
    QSpinBox *UpDOffset;
    TYEdit *YEdOffset;
    QCheckBox *ChBUseOnIdleModel;
    QPushButton *BtnYes;
    QPushButton *BtnCancel;

    // Whether the main window's advanced view is on (shows GrBModel).
    std::function<bool()> AdvancedView;
    // The default factor of an injector (by the item's attached value).
    std::function<double(int injector)> DefaultFactor;
    // Formats the measured injection times into the system list.
    std::function<void(QComboBox *list)> FormatInjectionTimes;

    void FormShow();
    // Multiplier 0, offset from the selected injector's default factor.
    void CmBInjTypeChange();
    // YEdOffset := the offset position / 10.
    void UpDOffsetClick();
    void CmBInjSystemTypeChange();
    void BtnCheckInjSystemClick();

protected:
    void showEvent(QShowEvent *event) override;
};

extern TFormAutocalibrationInit *FormAutocalibrationInit;
