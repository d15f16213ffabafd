// Upgrade files made by the tests after the trailer layout of a variant: a
// body of the given length and the trailer with its marker, version byte and
// letter, two description fields, the sum and the size byte.
#pragma once

#include "upgrade/BootloaderConfig.h"
#include "upgrade/UpgraderLogic.h"

#include <QByteArray>
#include <QList>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace upgradefiles {

inline QByteArray Make(const TBootloaderParams &p, int bodyLength, quint8 version, char letter = 'A',
                       const QByteArray &field1 = "12345678", const QByteArray &field2 = "ABCDEFGHIJK")
{
    QByteArray body(bodyLength, '\0');
    for (int i = 0; i < bodyLength; ++i)
        body[i] = char((i * 7 + 3) & 0xFF);
    const int m = p.GetMarkerLength();
    const int t = m + p.GetTrailerLength();
    QByteArray trailer(t, '\0');
    for (int i = 0; i < m; ++i)
        trailer[i] = '#';
    const int v = m + p.GetVersionBytePos() - 1;
    trailer[v] = char(version);
    trailer[v + 1] = letter;
    trailer.replace(m + p.GetField1Offset() - 1, field1.size(), field1);
    trailer.replace(m + p.GetField2Offset() - 1, field2.size(), field2);
    quint8 sum = 0;
    for (int i = m; i < t - 2; ++i)
        sum = quint8(sum + quint8(trailer[i]));
    trailer[t - 2] = char(sum);
    trailer[t - 1] = char((bodyLength + t) & 0xFF);
    return body + trailer;
}

inline bool Write(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// A file of the variant (version 0x21 'C', a body of the given length) written
// into dir as fw.<extension>; path is set to it and records, when given, to
// the records it is sent as.
inline bool WriteFile(const QTemporaryDir &dir, const TBootloaderParams &p, int bodyLength, QString &path,
                      QList<QByteArray> *records = nullptr)
{
    const QByteArray data = Make(p, bodyLength, 0x21, 'C');
    if (records)
        *records = UpgradeRecords(data, p);
    path = dir.filePath(QStringLiteral("fw.") + p.GetExtension());
    return Write(path, data);
}

// Whether a simulated bootloader's flash (36-byte records) holds exactly the
// records sent for a file.
template <class Flash> bool FlashHolds(const Flash &flash, const QList<QByteArray> &records)
{
    if (qsizetype(flash.size()) != records.size())
        return false;
    for (qsizetype i = 0; i < records.size(); ++i)
        if (QByteArray(reinterpret_cast<const char *>(flash[size_t(i)].data()), 36) != records[i])
            return false;
    return true;
}

} // namespace upgradefiles
