// The working-pressure dialog shown after a working-pressure measurement:
// the user accepts a working pressure, which is written to the device.
#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QPushButton;

class TFormWorkingPressure : public QDialog
{
    Q_OBJECT
public:
    explicit TFormWorkingPressure(QWidget *parent = nullptr);
    ~TFormWorkingPressure() override;

    // Device codes of the list items "0,70" ... "2,00" bar.
    static constexpr int PressureCodes[14] = {76, 85, 94, 104, 113, 123, 132, 141, 151, 160, 170, 179, 188, 198};

    QComboBox *CmBWPWorkPressure;
    QPushButton *BtnWPWorkPressure;
    QPushButton *BtnWPWriteAndContinue;
    QPushButton *BtnWPContinue;

    // The measurement ("Wyznacz"); the main window supplies it.
    std::function<void(QComboBox *list)> OnMeasure;

    // Selects the entry of the record's working pressure (none when absent).
    void FormShow();
    void BtnWPWorkPressureClick();
    // Stores the selected entry's code as the working pressure, writes it as
    // byte parameter 30 and closes. Without a selection nothing is written.
    // False when the write was refused.
    bool BtnWPWriteAndContinueClick();
    void BtnWPContinueClick();

protected:
    void showEvent(QShowEvent *event) override;
};

extern TFormWorkingPressure *FormWorkingPressure;
