#include "core/MapFile.h"

#include "core/NumberText.h"
#include "core/Scramble.h"
#include "core/UnitConversions.h"

#include <QList>

#include <cmath>

namespace MapFile {

namespace {

const QByteArray kHeader = QByteArrayLiteral("Lp\tPoinX\tPoinY\tRPM>4000");

QByteArray Number(double v, QChar decimal)
{
    QByteArray s = QByteArray::number(v, 'f', 2);
    if (decimal != QLatin1Char('.'))
        s.replace('.', decimal.toLatin1());
    return s;
}

void AddBlock(QByteArray &out, const char *name, const TPoints &points, QChar decimal)
{
    out += name;
    out += "\r\n";
    out += kHeader;
    out += "\r\n";
    for (size_t i = 0; i < points.size(); ++i) {
        const auto &p = points[i];
        out += QByteArray::number(qulonglong(i)) + '\t' + Number(p.Pressure, decimal) + '\t'
               + Number(p.Time, decimal) + '\t' + QByteArray::number(p.State) + "\r\n";
    }
}

// A UTF-8 byte-order mark, which editors put before the first line (some
// one more on each save).
const QByteArray kByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

void SkipByteOrderMarks(QByteArray &text)
{
    while (text.startsWith(kByteOrderMark))
        text.remove(0, kByteOrderMark.size());
}

// The text's lines. A line ends in CR LF, LF or CR alone (as older editors
// save); CRs right before an LF belong to its end (line ends converted
// twice).
QList<QByteArray> Lines(const QByteArray &data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] != '\r' && data[i] != '\n')
            continue;
        lines << data.mid(start, i - start);
        if (data[i] == '\r') {
            qsizetype j = i;
            while (j < data.size() && data[j] == '\r')
                ++j;
            if (j < data.size() && data[j] == '\n')
                i = j;
        }
        start = i + 1;
    }
    if (start < data.size())
        lines << data.mid(start);
    return lines;
}

int FindBlock(const QList<QByteArray> &lines, const char *name)
{
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// The first line (0-based) that ends with a block name but holds something
// else before it: a block name hidden behind bytes the reader cannot take
// (a mark, a stray character). Such a block must not pass for a missing one,
// which would empty the device's table. -1 when there is none.
int FindHiddenBlock(const QList<QByteArray> &lines)
{
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed().toUpper();
        for (const char *name : {"PETROL", "LPG"})
            if (line.size() > qsizetype(qstrlen(name)) && line.endsWith(name))
                return i;
    }
    return -1;
}

// Reads the rows of one block; false with the result's error set on a bad row.
bool ReadBlock(const QList<QByteArray> &lines, int head, int sensorType, TPoints &points, TReadResult &r)
{
    for (int i = head + 2; i < lines.size(); ++i) {
        QByteArray row = lines[i];
        if (row.trimmed().isEmpty())
            break;
        const QList<QByteArray> f = row.split('\t');
        if (f.size() < 4)
            continue;
        bool ok[4] = {};
        // The row number is only checked to be one: the device places rows
        // by their running count.
        (void)f[0].trimmed().toInt(&ok[0]);
        double load = 0, time = 0;
        ok[1] = NumberText::ParseFileNumber(QString::fromLatin1(f[1]), load);
        ok[2] = NumberText::ParseFileNumber(QString::fromLatin1(f[2]), time);
        // The band is everything after the third TAB.
        const int band = f.mid(3).join('\t').trimmed().toInt(&ok[3]);
        if (!ok[0] || !ok[1] || !ok[2] || !ok[3])
            continue;
        r.Line = i + 1;
        if (int(points.size()) >= kMaxRows) {
            r.ErrorKey = QStringLiteral("strMapFileTooManyRows");
            return false;
        }
        if (!(load >= 0.0 && load <= kMaxLoad) || !LoadFits(sensorType, load)
            || !(time >= 0.0 && time <= kMaxTime + 0.005) || band < 0 || band > kMaxBand) {
            r.ErrorKey = QStringLiteral("strMapFileOutOfRange");
            return false;
        }
        const TRecordingPoint point{load, std::min(time, kMaxTime), quint8(band)};
        if (Word(point, sensorType) == 0) {
            r.ErrorKey = QStringLiteral("strMapFileEmptyPoint");
            return false;
        }
        points.push_back(point);
    }
    r.Line = 0;
    return true;
}

} // namespace

QByteArray Save(const TPoints &petrol, const TPoints &gas, QChar decimal)
{
    QByteArray out;
    AddBlock(out, "PETROL", petrol, decimal);
    out += "\r\n";
    AddBlock(out, "LPG", gas, decimal);
    return out;
}

// The raw manifold byte of a load is stored as its pressure field
// (raw - 10) / 2, truncated toward zero, in six bits: raw bytes 9..137 keep
// their field, others are clamped to an end.
constexpr int kLowestRaw = 9;
constexpr int kHighestRaw = 137;

void LoadRange(int sensorType, double &low, double &high)
{
    low = RawToCollectorPressureFor(sensorType, CodeToCollectorRaw(0));
    high = RawToCollectorPressureFor(sensorType, CodeToCollectorRaw(63 << 7));
}

bool LoadFits(int sensorType, double load)
{
    if (!(load >= 0.0 && load <= kMaxLoad))
        return false;
    const int raw = CollectorPressureToRawFor(sensorType, load);
    return raw >= kLowestRaw && raw <= kHighestRaw;
}

quint16 Word(const TRecordingPoint &point, int sensorType)
{
    return quint16((std::min<int>(point.State, kMaxBand) << 13)
                   | CollectorRawToCode(CollectorPressureToRawFor(sensorType, point.Pressure)) | TimeToRaw(point.Time));
}

TRecordingPoint Stored(const TRecordingPoint &point, int sensorType)
{
    const quint16 field = CollectorRawToCode(CollectorPressureToRawFor(sensorType, point.Pressure));
    TRecordingPoint p = point;
    p.Pressure = RawToCollectorPressureFor(sensorType, CodeToCollectorRaw(field));
    p.Time = TimeToRaw(point.Time) * 32 / 187.0;
    return p;
}

TReadResult Read(const QByteArray &data, int sensorType)
{
    TReadResult r;
    QByteArray text = data;
    SkipByteOrderMarks(text);
    QList<QByteArray> lines = Lines(text);
    if (FindBlock(lines, "PETROL") < 0 && FindBlock(lines, "LPG") < 0 && FindHiddenBlock(lines) < 0) {
        text = data;
        ScrambleStream(text);
        SkipByteOrderMarks(text);
        lines = Lines(text);
        r.Scrambled = true;
    }
    if (const int hidden = FindHiddenBlock(lines); hidden >= 0) {
        r.ErrorKey = QStringLiteral("strMapFileHiddenBlock");
        r.Line = hidden + 1;
        return r;
    }
    const int petrol = FindBlock(lines, "PETROL"), gas = FindBlock(lines, "LPG");
    if (petrol < 0 && gas < 0) {
        r.ErrorKey = QStringLiteral("strWrongMapFile");
        return r;
    }
    // Every line ends with a line break, the last one too: a text that
    // stops inside a line was cut off.
    if (!text.isEmpty() && !text.endsWith('\n') && !text.endsWith('\r')) {
        r.ErrorKey = QStringLiteral("strMapFileTruncated");
        r.Line = int(lines.size());
        return r;
    }
    r.HasPetrol = petrol >= 0;
    r.HasGas = gas >= 0;
    if (r.HasPetrol && !ReadBlock(lines, petrol, sensorType, r.Petrol, r))
        return r;
    if (r.HasGas && !ReadBlock(lines, gas, sensorType, r.Gas, r))
        return r;
    r.Ok = true;
    return r;
}

} // namespace MapFile
