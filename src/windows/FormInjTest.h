// The gas-injector test: the device fires the chosen gas injectors one after
// another and reports per cylinder a cycle count and an efficiency value. The
// window draws both as horizontal bars, grades the spread between the
// cylinders, proposes a correction per cylinder and edits, copies and writes
// the device's per-cylinder gas injector correction table.
#pragma once

#include <QDialog>
#include <QVector>

#include <array>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;
class TChangeHelper;
class TPaintShape;

// Horizontal bars of two series over the cylinders (series 0: cycle counts,
// series 1: efficiency), each scaled to its own largest value.
class TInjTestChart : public QWidget
{
    Q_OBJECT
public:
    explicit TInjTestChart(QWidget *parent = nullptr);
    void Clear();
    void AddXY(int series, int cylinder, double value);
    // The (cylinder, value) points of a series, in the order added.
    const QVector<QPointF> &Points(int series) const { return FPoints[size_t(series)]; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::array<QVector<QPointF>, 2> FPoints;
};

class TFormInjTest : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MaxCylinders = 8;

    explicit TFormInjTest(QWidget *parent = nullptr);
    ~TFormInjTest() override;

    TInjTestChart *ChartGasEfficiencyTest;
    QFrame *PnlTestActiveCylinderMask;
    std::array<QCheckBox *, MaxCylinders> ChBTestActiveCylinderMask{};
    std::array<TPaintShape *, MaxCylinders> ShpActiveGasInjector{};
    QGroupBox *GrBDeviceCorrection;
    std::array<QLineEdit *, MaxCylinders> EdtCorrGasInj{};
    std::array<QSpinBox *, MaxCylinders> UpDCorrGasInj{};
    std::array<QLineEdit *, MaxCylinders> EdtCalculatedCorrCyl{};
    QPushButton *BtnStartTest, *BtnClose, *BtBSetAllCylindersActive, *BtBSetAllCylindersInactive;
    QPushButton *BtBClearGasInjCorrTab, *BtBReadGasInjCorrTab, *BtBWriteGasInjTab, *BtBCopyCorrToDevice;
    QProgressBar *GaugeInjTest;
    QLabel *LblInjTestResult;
    QTimer *TimerInjectorsEfficiencyTest, *TimerCheckingPcol;
    TChangeHelper *ChangeHelper;

    bool Running() const { return FRunning; }
    int CylinderCount() const { return FCylinderCount; }
    // The corrections proposed by the last grading (percent).
    const std::array<double, MaxCylinders> &CalculatedCorrections() const { return FCorrections; }

    // Refreshes the bars, the shapes and the verdict from the device.
    void EvaluateInjectorTest();
    // Grades the times of the first count cylinders: 1 in norm, 2 to
    // correct, 3 to replace; 0 without cylinders. Fills the proposed
    // corrections.
    static int GradeInjectorTest(const quint16 *times, int count, std::array<double, MaxCylinders> &corrections);
    void EnableCylinderControls();
    void SetCorrTableModified(bool flag);

    void BtnStartTestClick();
    void TimerCheckingPcolTimer();
    void BtBSetAllCylindersActiveClick();
    void BtBSetAllCylindersInactiveClick();
    void BtBClearGasInjCorrTabClick();
    void BtBReadGasInjCorrTabClick();
    // True when the table reached the device.
    bool BtBWriteGasInjTabClick();
    void BtBCopyCorrToDeviceClick();

    // Every way out (the title bar, Escape, BtnClose) comes here: the close
    // query, then the device is told to leave its test.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void stopTest();
    // The close query of every way out; true lets the window close (the
    // device has then been told to leave its test).
    bool closeQuery();

    bool FRunning = false;
    bool FBlink = false;
    bool FFirstShow = true;
    bool FClosing = false;
    quint8 FStartPcol = 0;
    int FCylinderCount = 4;
    std::array<double, MaxCylinders> FCorrections{};
};

// Creates the test window over parent, applies the current language, shows
// it modally and frees it.
void ShowInjectorTestWindow(QWidget *parent);
