// The auto-calibration page of the kind-48 calibration window: prepares the
// device (default model, idle measurement, a first model written), starts the
// calibration the device runs by itself, follows its state on every tick of
// the main timer, judges the gas injectors by the measured times and derives
// the model from the device's result. A run that the device aborts, or that
// stops moving for RunStallLimitMs, ends and puts the device back to its
// normal work type.
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

    // A running calibration whose state and progress stay the same this long
    // is ended.
    static constexpr qint64 RunStallLimitMs = 5 * 60 * 1000;

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
    // How a run ends: completed by the device, stopped by the user, aborted
    // by the device, or given up after it stalled.
    enum TEnd { eCompleted, eStopped, eAborted, eStalled };
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
    int FLastState = -1, FLastProgress = -1;
    qint64 FLastMove = 0;
};
