#include "platform/PortsFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QRegularExpression &comLinkName()
{
    static const QRegularExpression re(QStringLiteral("^COM([1-9][0-9]{0,4})$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

// Port numbers with their link paths, sorted by number.
QList<QPair<int, QString>> comLinks(const QString &folder)
{
    QList<QPair<int, QString>> links;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &fi : entries) {
        const auto m = comLinkName().match(fi.fileName());
        if (m.hasMatch())
            links.append({m.captured(1).toInt(), fi.filePath()});
    }
    std::sort(links.begin(), links.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    return links;
}

bool hasComLinks(const QString &folder)
{
    const QDir dir(folder);
    if (!dir.exists())
        return false;
    const QStringList names = dir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    return std::any_of(names.begin(), names.end(),
                       [](const QString &n) { return comLinkName().match(n).hasMatch(); });
}

// What a link stands for: its target as written (a relative target is taken
// from the link's folder), or the path itself when it is not a link.
QString linkTarget(const QString &linkPath)
{
    const QFileInfo fi(linkPath);
    if (!fi.isSymLink())
        return fi.exists() ? fi.absoluteFilePath() : QString();
    QString target = fi.symLinkTarget();
    return target;
}

// Kernel ttys under devRoot with the given prefix that have a driver and,
// where the kernel tells the port type, a known type.
QStringList drivenTtys(const QString &devRoot, const QString &sysTtyRoot, const QString &prefix)
{
    QStringList found;
    const QStringList names =
        QDir(devRoot).entryList({prefix + QLatin1Char('*')}, QDir::System | QDir::Files);
    for (const QString &n : names) {
        const QString sys = sysTtyRoot + QLatin1Char('/') + n;
        if (!QFileInfo::exists(sys + QStringLiteral("/device/driver")))
            continue;
        // A serial port the kernel registered without finding its chip
        // reports type 0; such phantom ports are left out.
        QFile type(sys + QStringLiteral("/type"));
        if (type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "0")
            continue;
        found.append(QDir(devRoot).filePath(n));
    }
    // ttyS10 after ttyS9.
    std::sort(found.begin(), found.end(), [&](const QString &a, const QString &b) {
        const QString sa = QFileInfo(a).fileName().mid(prefix.size());
        const QString sb = QFileInfo(b).fileName().mid(prefix.size());
        if (sa.size() != sb.size())
            return sa.size() < sb.size();
        return sa < sb;
    });
    return found;
}

} // namespace

QString portsFolder()
{
    const QByteArray env = qgetenv("PORTS_DIR");
    if (!env.isEmpty())
        return QDir::cleanPath(QFile::decodeName(env));
    QString base = QFile::decodeName(qgetenv("XDG_DATA_HOME"));
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/taron/ports"));
}

QString portLinkPath(int number)
{
    return QDir(portsFolder()).filePath(QStringLiteral("COM%1").arg(number));
}

QString portDevice(int number)
{
    const QString folder = portsFolder();
    if (!hasComLinks(folder))
        fillPortsFolder(folder);
    const QString link = QDir(folder).filePath(QStringLiteral("COM%1").arg(number));
    if (!QFileInfo(link).isSymLink() && !QFileInfo::exists(link))
        return {};
    return linkTarget(link);
}

QList<PortEntry> listPorts()
{
    const QString folder = portsFolder();
    if (!hasComLinks(folder))
        fillPortsFolder(folder);
    QList<PortEntry> ports;
    for (const auto &link : comLinks(folder))
        ports.append({link.first, linkTarget(link.second)});
    return ports;
}

QString portDisplayName(int number, const QString &device)
{
    return QStringLiteral("COM%1 (%2)").arg(number).arg(device);
}

int fillPortsFolder(const QString &folder, const QString &devRoot, const QString &sysTtyRoot)
{
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder))
        return 0;
    if (hasComLinks(folder))
        return 0;

    QStringList devices;
    QStringList seen;  // canonical paths already linked
    auto take = [&](const QString &path) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            return;
        seen.append(canonical);
        devices.append(path);
    };
    const QDir byId(devRoot + QStringLiteral("/serial/by-id"));
    for (const QString &n : byId.entryList(QDir::System | QDir::Files, QDir::Name))
        take(byId.filePath(n));
    for (const QString &prefix : {QStringLiteral("ttyUSB"), QStringLiteral("ttyACM"), QStringLiteral("ttyS")})
        for (const QString &path : drivenTtys(devRoot, sysTtyRoot, prefix))
            take(path);

    int made = 0;
    for (const QString &device : devices) {
        const QString link = dir.filePath(QStringLiteral("COM%1").arg(made + 1));
        if (QFile::link(device, link))
            ++made;
    }
    return made;
}
