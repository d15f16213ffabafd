// The auto-calibration page of the kind-48 calibration window: prepares the
// device (default model, idle measurement, a first model written), starts the
// calibration the device runs by itself, follows its state on every tick of
// the main timer, judges the gas injectors by the measured times and derives
// the model from the device's result. A run ends when the device completes
// or aborts it or the user stops it, and the device goes back to its normal
// work type; a run that waits (warming up) is never ended by the page.
#pragma once

#include <QObject>
#include <QtGlobal>

class QAbstractButton;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QWidget;
class TFrmMultiCalibrationTaronQV;

class TMultiCalAutoPage : public QObject
{
    Q_OBJECT
public:
    TMultiCalAutoPage(TFrmMultiCalibrationTaronQV &window, QWidget *sheet);

    QAbstractButton *SpBCalAutocalibrationStart, *SpBCalAutocalibrationStop;
    QProgressBar *PrBCalAutocalibration;
    QLabel *LblCalAutocalibrationWaitingTemp, *LblCalAutocalibrationInfo;
    QPlainTextEdit *MemCalAutocalibrationResult;

    bool Running = false;
    double StartPressure = 0.0;
    // Class of the last verdict for the model-2 page: 1 too little gas,
    // 2 too much, 4 good; 0 none yet.
    int NozzleClass = 0;

    void SpBCalAutocalibrationStartClick();
    void PollAutocalibrationState();
    // How a run ends: completed by the device, stopped by the user or
    // aborted by the device.
    enum TEnd { eCompleted, eStopped, eAborted };
    void SpBCalAutocalibrationStopClick() { Stop(eStopped); }
    void Stop(TEnd how);
    int EvaluateAutocalibration();
    static void GetInjectorTimeWindow(double &low, double &high);

private:
    void Build(QWidget *sheet);
    void Complete();
    void AddLine(const QString &key);

    TFrmMultiCalibrationTaronQV &W;
    bool FResultSeen = false;   // state 11 judged since it was entered
};
