// The device-run idle auto-calibration: on the wizard's auto-calibration
// page (kind 48) the start dialog, the writes before the run, the device's
// states followed until its verdict, the grade of the gas-injector nozzles
// and the new model-2 curve; the nozzle test, the working-pressure
// measurement and the idle petrol time. On the calibration page of kinds 20
// and 21 a simpler start and stop. Every wait on the device has a time
// limit; a run that never ends is ended with a message and the device back
// in its normal work type.
#pragma once

#include "mainwindow/shell/PageControls.h"

#include <QObject>
#include <QString>

#include <functional>

class QComboBox;
class QLabel;
class QWidget;
class TDigitalDisplay;
class TFormMain;
class TModel2Page;
class TProgramLogic;

class TAutoCalibrationPage : public QObject, public TPageControls
{
    Q_OBJECT

public:
    TAutoCalibrationPage(TFormMain &form, TProgramLogic &logic);
    static TAutoCalibrationPage *Install(TFormMain &form, TProgramLogic &logic);

    // What the start dialog shows and what the user chose in it.
    struct TStartChoice {
        QString Summary;
        int InjectorIndex = -1;
        int SystemIndex = -1;
        int MultPercent = 0;
        int OffsetTenths = 0;
        bool UseOnIdleModel = false;
    };
    // Shows the start dialog modally with the choice; true on Yes (the
    // choice then holds the user's answers). Wired at start-up.
    std::function<bool(TStartChoice &choice)> ExecuteStartDialog;
    // Switches the adapter's OBD adaptation off (written to the adapter, both
    // adaptation banks reset) when it is on. Wired at start-up.
    std::function<void()> SwitchObdAdaptationOff = [] {};
    // Shows the working-pressure dialog modally. Wired at start-up.
    std::function<void()> ShowWorkingPressureDialog;
    // The model-2 page, for the new curve and its writes.
    TModel2Page *Model2 = nullptr;

    // Polling of the working-pressure measurement: interval and limit (ms).
    int MeasurePollMs = 200;
    int MeasureLimitMs = 30000;

    // Waits milliseconds while the window keeps serving its events.
    static void Pause(int milliseconds);

public slots:
    void UpdateConfAutoCalPage(bool updateStop);
    void EndAutocalRun(bool toStart);
    int ShowAutocalResult(QLabel *info1, QLabel *info2, QWidget *finishButton, QWidget *repeatButton);
    // The verdict on the page's own labels and buttons.
    int ShowResultOnPage();
    int GradeAutocalNozzles(bool cng);
    // The same from the idle points the record holds (read just before).
    int GradeNozzleTest(bool cng) const;
    void CalcNewModel2(int phase);
    bool MeasureWorkingPressure(QComboBox *list, bool ask);
    void UpdateCalibrationControls();

    void BtnConfAutoStartClick();
    void BtnConfAutoStopClick();
    void BtnConfAutoContinueClick();
    void BtnConfAutoRepeatClick();
    void BtnConfAutoFinishClick();
    void BtnConfAutoNozzlesTestClick();
    void BtnConfWorkPressureClick();
    void BtnConfIdleHotTbClick();
    void SpBCalStartClick();
    void SpBCalStopClick();

private:
    template <typename T = QWidget> T *Find(const char *name) const;
    void ShowPage(const char *page);
    void SetGaugeMaxima();
    static void FillNormal(TDigitalDisplay *display);
    bool RunActive() const;
    // Acts once on the end of a run the device finished.
    void FinishRun(bool progressBits);

    TFormMain &FForm;
    TProgramLogic &FLogic;
    bool FMeasuring = false;
    // The finished state has been acted on (the completion runs once).
    bool FCompleted = false;
    bool FCal2021Running = false;
};
