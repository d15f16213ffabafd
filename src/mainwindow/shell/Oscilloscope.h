// The oscilloscope recorder's data without widgets: a ring of samples as wide
// as the graphs, the pixel rows of every trace, the automatic zoom of the
// OBD channels, and the tab-separated data file each lap of the ring is
// appended to.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// One sample of the recorder.
struct TOscSample {
    static constexpr int MainCount = 9;   // Tb, Tg, Psys, Pcol, TempG, TempR, RPM, lambda, supply
    static constexpr int ObdCount = 21;   // OBD channels 0..20
    std::array<double, MainCount> Main{};
    std::array<double, ObdCount> Obd{};
    // Per OBD channel, the zoom level (0..4) this sample needs.
    std::array<uint8_t, ObdCount> ObdLevel{};
    int32_t State = 0;    // gas-switch state (5 = on gas)
    int32_t GasFlag = 0;  // -1 when State is 5, else 0
    double Time = 0.0;    // seconds since the recorder was started or reset
};

class TOscilloscope
{
public:
    static constexpr int GraphCount = 4;
    static constexpr int TraceCount = TOscSample::MainCount + TOscSample::ObdCount;
    // Choices of the two selectable traces of the RPM graph.
    static constexpr int ChoiceCount = 2 + TOscSample::ObdCount;

    struct TRange {
        double Min;
        double Max;
    };

    TOscilloscope();
    ~TOscilloscope();
    TOscilloscope(const TOscilloscope &) = delete;
    TOscilloscope &operator=(const TOscilloscope &) = delete;

    // Clamps value into [min, max] and maps min onto p0 and max onto p1,
    // rounding half to even.
    static int ValueToPixel(int p0, int p1, double max, double min, double value);
    // Zoom level of an OBD value: the first level L of 0..3 where
    // min / d <= value < max / d with d = 16, 8, 4, 2; otherwise 4.
    static int CalcDgnOBDScale(double value, double min, double max);
    // Value range of an OBD channel (0..20).
    static TRange ObdRange(int channel);
    // Value range of a main trace (0..8); TempG and TempR in raw-voltage mode
    // are -5..2.
    static TRange MainRange(int slot, bool rawVoltage);
    // Graph (0..3) that a main trace (0..8) is drawn on.
    static int GraphOfMain(int slot);
    // Trace index (0..29) of a choice of the selectable traces; -1 when the
    // choice is outside 0..22.
    static int TraceOfChoice(int choice);

    // Sets the buffer length to the panel width, keeping the samples there
    // and zero-filling new ones, and recalculates every pixel. The ring uses
    // positions 0 .. width - 4; the write position wraps into it.
    void Resize(int panelWidth, const std::array<int, GraphCount> &graphHeights);
    int Width() const { return static_cast<int>(FSamples.size()); }
    int RingLength() const { return std::max(1, Width() - 3); }
    int GraphHeight(int graph) const { return FHeights[static_cast<size_t>(graph)]; }

    // The write and cursor position, kept within the ring.
    int Position() const { return FPosition; }
    void SetPosition(int position);

    // Sample at a position; null outside the buffer.
    const TOscSample *At(int position) const;
    TOscSample &Current() { return FSamples[static_cast<size_t>(FPosition)]; }

    // Pixel rows of a trace (x is the buffer position); empty for an unknown
    // trace.
    const std::vector<QPoint> &Points(int trace) const;
    int ObdLevel(int channel) const { return FObd[static_cast<size_t>(channel)].Level; }

    // After the sample at the write position was filled: its pixels, with a
    // full recalculation when an OBD channel changed its zoom.
    void FinishSample(bool rawVoltage);
    // Every position's pixels and the OBD zoom levels, from the samples.
    void RecalcAll();
    // One position's pixels; live: a change of an OBD channel's needed zoom
    // asks for a full recalculation.
    void RecalcByIndex(int position, bool live);
    bool RawVoltage() const { return FRawVoltage; }

    // Moves the write position on by one; at the end of the ring saves the
    // lap when autoSave is set, then wraps. Returns true on a wrap.
    bool Advance(bool autoSave);
    // Zero-fills every sample, moves to position 0 and forgets what was not
    // saved.
    void Reset();

    // ---- Data file ----
    // Creates (or empties) "data_yyyyMMdd_hhmmss.dat" for a recording started
    // at startTime, in the first folder of the list where it can be created.
    // A file that cannot be created anywhere is reported once; the recording
    // then runs without it.
    bool OpenFile(const QStringList &folders, const QDateTime &startTime);
    bool FileOpen() const { return FFile != nullptr; }
    QString FileName() const { return FFileName; }
    // Appends the samples taken since the last save, oldest first (with the
    // header line first in an empty file). A failed write is reported once
    // and the file is given up; sampling goes on.
    void SaveUnsaved();
    void CloseFile();
    int Unsaved() const { return FUnsaved; }
    // Reports a file that could not be created or written (file name, reason).
    std::function<void(const QString &fileName, const QString &reason)> OnFileError;

    // One data row of a sample at a position (without line end).
    static QByteArray Row(int position, const TOscSample &sample);
    static QByteArray Header();

private:
    struct TObdZoom {
        std::array<int, 5> Counts{};
        int Level = 0;
    };
    void RecalcObdScaleAll();
    void FileFailed(const QString &reason);

    std::vector<TOscSample> FSamples;
    std::array<std::vector<QPoint>, TraceCount> FPoints;
    std::array<int, GraphCount> FHeights{};
    std::array<TObdZoom, TOscSample::ObdCount> FObd{};
    int FPosition = 0;
    bool FFullRecalc = false;
    bool FRawVoltage = false;
    int FUnsaved = 0;
    std::unique_ptr<QFile> FFile;
    QString FFileName;
};
