#include "mainwindow/shell/Oscilloscope.h"

#include "core/FileRead.h"

#include <QDir>
#include <QLocale>

#include <cmath>

#include <unistd.h>

namespace {

// Value ranges of the OBD channels, in the order of the channel choices.
constexpr TOscilloscope::TRange ObdRanges[TOscSample::ObdCount] = {
    {-100, 99.2}, {-100, 99.2}, {-100, 99.2}, {-100, 99.2}, {0, 8000}, {0, 255},
    {0, 100},     {-5, 150},    {0, 255},     {0, 2.55},    {-5, 150}, {0, 655.35},
    {0, 100},     {0, 1.3},     {0, 1.3},     {-128, 128},  {0, 2},    {0, 1.3},
    {0, 1.3},     {-128, 128},  {0, 2},
};

// Ranges of the main traces: Tb, Tg, Psys, Pcol, TempG, TempR, RPM, lambda, supply.
constexpr TOscilloscope::TRange MainRanges[TOscSample::MainCount] = {
    {0, 35}, {0, 35}, {0, 3}, {0, 3}, {-5, 100}, {-5, 100}, {0, 8000}, {0, 5}, {0, 20},
};

// The graph of each main trace; lambda and supply go on the RPM graph.
constexpr int MainGraphs[TOscSample::MainCount] = {0, 0, 1, 1, 2, 2, 3, 3, 3};

constexpr int RpmGraph = 3;

const std::vector<QPoint> NoPoints;

} // namespace

TOscilloscope::TOscilloscope() = default;

TOscilloscope::~TOscilloscope() = default;

int TOscilloscope::ValueToPixel(int p0, int p1, double max, double min, double value)
{
    if (!(max > min))
        return p0;
    if (!(value >= min)) // also a NaN
        value = min;
    else if (value >= max)
        value = max;
    return static_cast<int>(std::nearbyint((value - min) * (p1 - p0) / (max - min) + p0));
}

int TOscilloscope::CalcDgnOBDScale(double value, double min, double max)
{
    double divisor = 16;
    for (int level = 0; level < 4; ++level, divisor /= 2)
        if (min / divisor <= value && value < max / divisor)
            return level;
    return 4;
}

TOscilloscope::TRange TOscilloscope::ObdRange(int channel)
{
    return channel >= 0 && channel < TOscSample::ObdCount ? ObdRanges[channel] : TRange{0, 1};
}

TOscilloscope::TRange TOscilloscope::MainRange(int slot, bool rawVoltage)
{
    if (slot < 0 || slot >= TOscSample::MainCount)
        return {0, 1};
    if (rawVoltage && (slot == 4 || slot == 5))
        return {-5, 2};
    return MainRanges[slot];
}

int TOscilloscope::GraphOfMain(int slot)
{
    return slot >= 0 && slot < TOscSample::MainCount ? MainGraphs[slot] : -1;
}

int TOscilloscope::TraceOfChoice(int choice)
{
    if (choice < 0 || choice >= ChoiceCount)
        return -1;
    return choice + TOscSample::MainCount - 2;
}

void TOscilloscope::Resize(int panelWidth, const std::array<int, GraphCount> &graphHeights)
{
    const size_t width = static_cast<size_t>(std::max(1, panelWidth));
    FHeights = graphHeights;
    FSamples.resize(width);
    for (auto &points : FPoints)
        points.resize(width);
    FPosition %= RingLength();
    RecalcAll();
}

void TOscilloscope::SetPosition(int position)
{
    FPosition = std::clamp(position, 0, RingLength() - 1);
}

const TOscSample *TOscilloscope::At(int position) const
{
    if (position < 0 || position >= Width())
        return nullptr;
    return &FSamples[static_cast<size_t>(position)];
}

const std::vector<QPoint> &TOscilloscope::Points(int trace) const
{
    return trace >= 0 && trace < TraceCount ? FPoints[static_cast<size_t>(trace)] : NoPoints;
}

void TOscilloscope::FinishSample(bool rawVoltage)
{
    if (rawVoltage != FRawVoltage) {
        FRawVoltage = rawVoltage;
        FFullRecalc = true;
    }
    RecalcByIndex(FPosition, true);
    if (FFullRecalc) {
        RecalcAll();
        FFullRecalc = false;
    }
}

void TOscilloscope::RecalcObdScaleAll()
{
    for (int k = 0; k < TOscSample::ObdCount; ++k) {
        TObdZoom &zoom = FObd[static_cast<size_t>(k)];
        zoom = TObdZoom{};
        const TRange range = ObdRanges[k];
        for (TOscSample &s : FSamples) {
            const int level = CalcDgnOBDScale(s.Obd[static_cast<size_t>(k)], range.Min, range.Max);
            s.ObdLevel[static_cast<size_t>(k)] = static_cast<uint8_t>(level);
            ++zoom.Counts[static_cast<size_t>(level)];
            zoom.Level = std::max(zoom.Level, level);
        }
    }
}

void TOscilloscope::RecalcAll()
{
    RecalcObdScaleAll();
    for (int p = 0; p < Width(); ++p) {
        for (auto &points : FPoints)
            points[static_cast<size_t>(p)].setX(p);
        RecalcByIndex(p, false);
    }
}

void TOscilloscope::RecalcByIndex(int position, bool live)
{
    if (position < 0 || position >= Width())
        return;
    const size_t p = static_cast<size_t>(position);
    TOscSample &s = FSamples[p];
    for (int slot = 0; slot < TOscSample::MainCount; ++slot) {
        const TRange r = MainRange(slot, FRawVoltage);
        const int h = FHeights[static_cast<size_t>(MainGraphs[slot])];
        FPoints[static_cast<size_t>(slot)][p] =
            QPoint(position, ValueToPixel(h, 0, r.Max, r.Min, s.Main[static_cast<size_t>(slot)]));
    }
    const int h = FHeights[RpmGraph];
    for (int k = 0; k < TOscSample::ObdCount; ++k) {
        const size_t kk = static_cast<size_t>(k);
        TObdZoom &zoom = FObd[kk];
        const TRange r = ObdRanges[k];
        int &old = zoom.Counts[std::min<size_t>(s.ObdLevel[kk], 4)];
        old = std::max(0, old - 1);
        const int level = CalcDgnOBDScale(s.Obd[kk], r.Min, r.Max);
        s.ObdLevel[kk] = static_cast<uint8_t>(level);
        ++zoom.Counts[static_cast<size_t>(level)];
        int needed = 0;
        for (int l = 4; l >= 1; --l)
            if (zoom.Counts[static_cast<size_t>(l)] > 0) {
                needed = l;
                break;
            }
        if (live && needed != zoom.Level) {
            zoom.Level = needed;
            FFullRecalc = true;
        }
        const double scale = std::ldexp(1.0, -(4 - zoom.Level));
        FPoints[static_cast<size_t>(TOscSample::MainCount + k)][p] =
            QPoint(position, ValueToPixel(h, 0, r.Max * scale, r.Min * scale, s.Obd[kk]));
    }
}

bool TOscilloscope::Advance(bool autoSave)
{
    ++FPosition;
    FUnsaved = std::min(FUnsaved + 1, RingLength());
    if (FPosition < RingLength())
        return false;
    if (autoSave)
        SaveUnsaved();
    FPosition = 0;
    return true;
}

void TOscilloscope::Reset()
{
    std::fill(FSamples.begin(), FSamples.end(), TOscSample{});
    FPosition = 0;
    FUnsaved = 0;
    RecalcAll();
}

// ---- Data file --------------------------------------------------------------

QByteArray TOscilloscope::Header()
{
    return QByteArrayLiteral("I\tTime\tTb\tTg\tPsys\tPcol\tTempG\tTempR\tRPM\tVoltage\tLambdaV\tSysState");
}

QByteArray TOscilloscope::Row(int position, const TOscSample &s)
{
    const auto &m = s.Main;
    QString row = QString::asprintf("%d\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.0f\t%.2f\t%.2f\t%d",
                                    position + 1, s.Time, m[0], m[1], m[2], m[3], m[4], m[5], m[6],
                                    m[8], m[7], static_cast<int>(s.State));
    // Numbers use the decimal separator of the current number format.
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String("."))
        row.replace(QLatin1Char('.'), point);
    return row.toLatin1();
}

bool TOscilloscope::OpenFile(const QStringList &folders, const QDateTime &startTime)
{
    CloseFile();
    const QString name = QStringLiteral("data_%1.dat").arg(startTime.toString(QStringLiteral("yyyyMMdd_HHmmss")));
    QString firstPath;
    QString reason;
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        const QString path = QDir(folder).filePath(name);
        if (firstPath.isEmpty())
            firstPath = path;
        // Only a regular file is written: a pipe or a device of that name
        // neither blocks the start nor takes the recording.
        QString why;
        const int fd = OpenRegularFileForWriting(path, why);
        auto file = std::make_unique<QFile>();
        if (fd >= 0 && file->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            FFile = std::move(file);
            FFileName = path;
            FUnsaved = 0;
            return true;
        }
        if (fd >= 0) {
            why = file->errorString();
            ::close(fd);
        }
        if (reason.isEmpty())
            reason = why;
    }
    FFileName = firstPath.isEmpty() ? name : firstPath;
    FileFailed(reason);
    return false;
}

void TOscilloscope::SaveUnsaved()
{
    if (!FFile)
        return;
    QByteArray text;
    if (FFile->size() < 2)
        text += Header() + "\r\n";
    const int ring = RingLength();
    const int count = std::min(FUnsaved, ring);
    const int first = ((FPosition - count) % ring + ring) % ring;
    for (int i = 0; i < count; ++i) {
        const int p = (first + i) % ring;
        text += Row(p, FSamples[static_cast<size_t>(p)]) + "\r\n";
    }
    FUnsaved = 0;
    if (FFile->write(text) != text.size() || !FFile->flush())
        FileFailed(FFile->errorString());
}

void TOscilloscope::CloseFile()
{
    if (FFile) {
        FFile->close();
        FFile.reset();
    }
}

void TOscilloscope::FileFailed(const QString &reason)
{
    CloseFile();
    if (OnFileError)
        OnFileError(FFileName, reason);
}
