// The recorder page of the main window: Start/Stop and Reset, one sample per
// tick of the main loop into the ring, the four graphs, the read-outs and time
// scales at the cursor, dragging the cursor over a stopped recording, and the
// data file of each recording.
#pragma once

#include "mainwindow/shell/Oscilloscope.h"

#include "mainwindow/shell/PageControls.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QWidget;
class TCaptionPanel;
class TDigitalDisplay;
class TFormMain;

class TOscilloscopePage : public QObject, public TPageControls
{
    Q_OBJECT

public:
    explicit TOscilloscopePage(TFormMain *form);
    ~TOscilloscopePage() override;

    // The current value of OBD channel 0..20 of the adapter's OBD module;
    // unset: the channels record 0.
    std::function<double(int channel)> ObdValue;
    // Folders tried in turn for the data file; empty: the program's folder,
    // then the data folder.
    QStringList FileFolders;

    // One tick of the main loop whose live-value read succeeded: while the
    // recorder runs, a sample, the read-outs and the move to the next position
    // (saving a full lap to the data file when auto-save is on).
    void Step();

    void BtnDgnStartClick();
    void BtnDgnResetClick();
    void CmBDgnWyborChange();
    void TbSDgnOscyloskopShow();
    void ReadOscValues();
    void OscUpdateControls();
    void OscUpdateCursors();
    void OscUpdateDisplays();
    void OscUpdateGraphs();
    void SetDgnLabels();
    void ResetDgnLabels();
    void PanelScaleResize();

    bool Running() const { return FRunning; }
    const TOscilloscope &Recorder() const { return FOsc; }
    TOscilloscope &Recorder() { return FOsc; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool LinkReady() const;
    void PaintGraph(int graph);
    void MoveCursorBy(int dx);
    void ReportFileError(const QString &fileName, const QString &reason);

    TFormMain *FForm;
    TOscilloscope FOsc;
    std::array<QPointer<QWidget>, TOscilloscope::GraphCount> FGraphs;
    QPointer<QWidget> FPanel;        // PnlDgnCzasy: its width is the buffer length
    QPointer<QWidget> FPage;         // TbSDgnOscyloskop
    QPointer<TCaptionPanel> FCursor;
    std::array<QPointer<TCaptionPanel>, 2> FHandles;
    QPointer<QPushButton> FStart;
    QPointer<QCheckBox> FAutoSave;
    QPointer<QCheckBox> FRawVoltage;
    std::array<QPointer<QComboBox>, 2> FChoices;
    std::array<QPointer<TDigitalDisplay>, 2> FChoiceDisplays;
    std::array<QPointer<TCaptionPanel>, 18> FTimeLabels;  // 1t..9t, 1b..9b
    // Read-outs: time, Tb, Tg, Psys, Pcol, TempR, TempG, RPM.
    std::array<QPointer<TDigitalDisplay>, 8> FDisplays;
    bool FRunning = false;
    bool FDragging = false;
    int FDragX = 0;
    qint64 FStartMs = 0;
};
