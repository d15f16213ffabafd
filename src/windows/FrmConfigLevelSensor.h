// The level-sensor settings dialog: the four switching thresholds of the gas
// level indicator for the sensor type stored in the device, and the colour of
// the driver's panel LED.
#pragma once

#include <QDialog>

#include <array>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;
class TChangeHelper;

class TFrmConfigLevelSensor : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmConfigLevelSensor(QWidget *parent = nullptr);
    ~TFrmConfigLevelSensor() override;

    // Factory thresholds (raw) of sensor types 1 and 2, and of type 3.
    static constexpr std::array<int, 4> FactoryA = {200, 143, 92, 40};
    static constexpr std::array<int, 4> FactoryB = {21, 47, 61, 72};
    // A raw threshold as volts: "%.2f V" of raw x 5 / 255.
    static QString VoltText(int raw);

    QFrame *PnlFormFrmConfigLevelSensor;
    QComboBox *CmBKnfLSColorLedState;
    QFrame *PnlKnfLSLedState;
    QFrame *PnlFormFrmConfigLevelSensorTresholds;
    std::array<QSlider *, 4> TrBKnfLSThreshold_2{};
    std::array<QLabel *, 4> LblKnfLSThreshold_2{};
    QLineEdit *EdtActualLevel;
    QPushButton *BtnKnfLSDefault;
    QPushButton *BtnKnfLSSave;
    QPushButton *BtnKnfLSCancel;
    QTimer *TimerLevelSensor;
    TChangeHelper *ChangeHelper;

    bool Modified() const { return FModified; }
    // Only while connected: stores the flag and highlights the save button.
    void SetModified(bool flag);

    // Reads the LED colour and both threshold sets from the device and fills
    // the dialog (run when shown).
    void FormShow();
    void CmBKnfLSColorLedStateChange();
    void TrBKnfLSThreshold_2Change();
    // Writes the LED colour and the thresholds of the stored type (asks first
    // when modified). True when everything written was accepted.
    bool BtnKnfLSSaveClick(bool ask = true);
    // Writes the factory LED colour and thresholds of the stored type.
    bool BtnKnfLSDefaultClick();
    void TimerLevelSensorTimer();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Escape and the Cancel button close as the title bar does.
    void reject() override;

private:
    static bool connected();
    void showThresholds(const std::array<int, 4> &values);
    // Writes the LED colour (when one is chosen) and, for a set sensor type,
    // the thresholds into the record and the device; clears the mark when
    // everything was accepted.
    bool writeSettings(const std::array<int, 4> &values);
    // Asks about unsaved changes; false keeps the dialog open (Cancel, or a
    // save that failed). Stops the timer when the dialog may close.
    bool mayClose();
    void warnIncomplete();

    bool FModified = false;
    bool FCloseAsked = false;
    // The thresholds last put on the bars: one a bar cannot show (0) goes
    // back as it came while its bar is not moved.
    std::array<int, 4> FShown{-1, -1, -1, -1};
};

extern TFrmConfigLevelSensor *FrmConfigLevelSensor;
