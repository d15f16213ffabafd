// The corrections page of the kind-48 calibration window: four curves of
// twenty signed percent values (by system pressure, manifold pressure, gas
// temperature and RPM) with an active flag each, the switch of the OBD
// correction map, presets, read, write and the reset to factory values.
#pragma once

#include "windows/Kind48Math.h"

#include <QObject>

#include <array>

class TReadPlan;
class QAbstractButton;
class QCheckBox;
class QFrame;
class QLineEdit;
class QWidget;
class TFrmMultiCalibrationTaronQV;

class TMultiCalCorrectionsPage : public QObject
{
    Q_OBJECT
public:
    TMultiCalCorrectionsPage(TFrmMultiCalibrationTaronQV &window, QWidget *sheet);

    enum TCurve { cPsys, cPcol, cTgas, cRpm, CurveCount };
    std::array<QFrame *, CurveCount> Panel{};
    std::array<std::array<QLineEdit *, 20>, CurveCount> Edits{};
    std::array<QCheckBox *, CurveCount> Active{};
    QCheckBox *ChBOBDAdaptationEnabled;
    QAbstractButton *BtnCorReadCorrections, *BtnCorWriteCorrections;

    bool Read();
    // The read in two steps: what the page shows added to a command's read,
    // then the page filled from the record once it ran.
    static void AddDeviceReads(TReadPlan &plan);
    void ShowDeviceRecord();
    // The write's checks, before anything is asked or sent; a refusal is
    // shown, naming the field.
    bool WriteFits() const;
    // Every cell the write sends holds whole percent its signed byte holds;
    // a refusal is shown naming the first that does not.
    bool CellsFit() const;
    bool Write();
    bool ResetCorrectionsToDefaults();
    // Fills the twenty edits of one curve from the record.
    void Show(TCurve curve);
    void ShowPsysCorrections() { Show(cPsys); }
    void ShowPcolCorrections() { Show(cPcol); }
    void ShowTgasCorrections() { Show(cTgas); }
    void ShowRpmCorrections() { Show(cRpm); }
    // A preset into the record and the curve's edits; counts as an edit.
    void ApplyPreset(TCurve curve, const Kind48Math::TCurve20 &values, bool edited = true);

private:
    void Build(QWidget *sheet);
    static qint8 *Values(TCurve curve);
    // Whether the write sends the curve: the manifold-pressure one from the
    // version that reads it.
    static bool Sent(TCurve curve);

    TFrmMultiCalibrationTaronQV &W;
};
