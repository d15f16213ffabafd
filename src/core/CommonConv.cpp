#include "core/CommonConv.h"

#include "core/NumberText.h"
#include "platform/PortsFolder.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <sys/statvfs.h>

// ---- Text conversions ----

int TCommonConv::StrToIntEmptyZero(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : 0;
}

namespace {
double ParseFloat(const QString &text)
{
    double v = 0.0;
    return NumberText::ParseFileNumber(text, v) ? v : 0.0;
}
} // namespace

double TCommonConv::StrToFloatEmptyZero(const QString &text)
{
    return ParseFloat(text);
}

double TCommonConv::StrToFloatDot(const QString &text)
{
    return ParseFloat(text);
}

QString TCommonConv::FloatToStrDot(double value)
{
    constexpr int precision = 2;
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0.0)
        return QStringLiteral("0");
    // Digits of the value rounded to the precision, and its decimal exponent
    // counted as the digits before the point (0.5 -> 0, 3.1 -> 1, 100 -> 3).
    const QString sci = QString::number(std::fabs(value), 'e', precision - 1); // "3.1e+00"
    const qsizetype e = sci.indexOf(u'e');
    QString digits = sci.left(e).remove(u'.');
    const int exponent = sci.mid(e + 1).toInt() + 1;
    while (digits.size() > 1 && digits.endsWith(u'0'))
        digits.chop(1);
    QString out;
    if (exponent > precision || exponent < -3) {
        out = digits.left(1);
        if (digits.size() > 1)
            out += u'.' + digits.mid(1);
        out += u'E' + QString::number(exponent - 1);
    } else if (exponent <= 0) {
        out = QStringLiteral("0.") + QString(-exponent, u'0') + digits;
    } else if (digits.size() <= exponent) {
        out = digits + QString(exponent - digits.size(), u'0');
    } else {
        out = digits.left(exponent) + u'.' + digits.mid(exponent);
    }
    return value < 0 ? u'-' + out : out;
}

QString TCommonConv::BoolToOnOff(bool flag)
{
    return flag ? QStringLiteral("On") : QStringLiteral("Off");
}

bool TCommonConv::OnOffToBool(const QString &text)
{
    return text == QLatin1String("On");
}

// ---- Packed date-time ----

uint32_t TCommonConv::PackDateTime(const QDateTime &time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    return (uint32_t(d.year()) << 20) + (uint32_t(d.month()) << 16) + (uint32_t(d.day()) << 11)
           + (uint32_t(t.hour()) << 6) + uint32_t(t.minute());
}

TCommonConv::TUnpackedDateTime TCommonConv::UnpackDateTime(uint32_t value)
{
    return {int(value >> 20), int((value >> 16) & 0xF), int((value >> 11) & 0x1F),
            int((value >> 6) & 0x1F), int(value & 0x3F)};
}

QString TCommonConv::PackedDateTimeToStr(uint32_t value)
{
    const TUnpackedDateTime u = UnpackDateTime(value);
    return QString::asprintf("%.4d-%.2d-%.2d %.2d:%.2d", u.year, u.month, u.day, u.hour, u.minute);
}

// ---- Computer code ----

uint32_t TCommonConv::ScrambleVolumeSerial(uint32_t rawSerial)
{
    const uint32_t rotated = (rawSerial >> 3) | (rawSerial << 29);
    return rotated ^ 0x5C3A91E7u;
}

uint32_t TCommonConv::GetVolumeSerial(const QString &root)
{
    uint32_t raw = 0;
    struct statvfs st {};
    if (statvfs(QFile::encodeName(root).constData(), &st) != 0)
        return 0;
    raw = static_cast<uint32_t>(st.f_fsid);
    if (raw == 0) {
        // Some file systems (overlays, network mounts) report no id: the
        // machine's own id is the next most stable number.
        QFile id(QStringLiteral("/etc/machine-id"));
        if (id.open(QIODevice::ReadOnly)) {
            bool ok = false;
            const uint32_t v = QString::fromLatin1(id.read(8)).toUInt(&ok, 16);
            if (ok)
                raw = v;
        }
    }
    return ScrambleVolumeSerial(raw);
}

uint32_t TCommonConv::GetSystemDriveSerial()
{
    return GetVolumeSerial(QStringLiteral("/"));
}

QString TCommonConv::SerialToText(uint32_t serial)
{
    return QString::asprintf("%.4X-%.4X", unsigned(serial >> 16), unsigned(serial & 0xFFFF));
}

QString TCommonConv::GetSystemDriveSerialText()
{
    return SerialToText(GetSystemDriveSerial());
}

// ---- Serial ports ----

int TCommonConv::ComPortNumberFromName(const QString &name)
{
    return name.mid(3).toInt();
}

void TCommonConv::ReadSerialCommNames(QStringList &ports)
{
    ports.clear();
    for (const PortEntry &entry : listPorts())
        ports << QStringLiteral("COM%1").arg(entry.number);
}

void TCommonConv::EnumerateComPorts(QStringList &ports, QStringList *descriptions)
{
    QList<PortEntry> entries = listPorts();
    std::stable_sort(entries.begin(), entries.end(),
                     [](const PortEntry &a, const PortEntry &b) { return a.number < b.number; });
    ports.clear();
    if (descriptions)
        descriptions->clear();
    for (const PortEntry &entry : entries) {
        const QString name = QStringLiteral("COM%1").arg(entry.number);
        if (ports.contains(name))
            continue; // one entry per port number
        ports << name;
        if (descriptions)
            *descriptions << entry.device;
    }
}

// ---- Files ----

QStringList TCommonConv::FindFilesByMask(const QString &mask, QDir::Filters filters)
{
    const QFileInfo info(mask);
    QDir dir = info.dir();
    QStringList names = dir.entryList({info.fileName()}, filters | QDir::NoDotAndDotDot | QDir::Hidden);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}
