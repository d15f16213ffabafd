#include "core/ComponentVersion.h"

#include <mutex>

namespace {
// Two parallel lists: sorted names, and "revision / date" at the same index.
struct Registry {
    std::mutex lock;
    QStringList names;
    QStringList versions;
};

Registry &registry()
{
    static Registry r;
    return r;
}

QString stripRevision(QString rev)
{
    const QString head = QStringLiteral("$Revision: ");
    int at = rev.indexOf(head);
    if (at >= 0)
        rev.remove(at, head.size());
    at = rev.indexOf(QStringLiteral(" $"));
    if (at >= 0)
        rev.remove(at, 2);
    return rev;
}

QString stripDate(QString date)
{
    const QString head = QStringLiteral("$Date: ");
    const int at = date.indexOf(head);
    if (at >= 0)
        date.remove(at, head.size());
    const int blank = date.indexOf(QLatin1Char(' '));
    if (blank >= 0)
        date.truncate(blank);
    return date;
}
} // namespace

void RegisterComponentVersion(const QString &unitName, const QString &revisionKeyword,
                              const QString &dateKeyword)
{
    Registry &r = registry();
    const QString rev = stripRevision(revisionKeyword);
    const QString date = stripDate(dateKeyword);
    std::lock_guard<std::mutex> guard(r.lock);
    // Sorted insert, case-insensitive like the framework's sorted string list.
    int index = 0;
    while (index < r.names.size()
           && QString::compare(r.names[index], unitName, Qt::CaseInsensitive) < 0)
        ++index;
    if (index < r.names.size()
        && QString::compare(r.names[index], unitName, Qt::CaseInsensitive) == 0)
        throw std::logic_error(
            QStringLiteral("RegisterComponentVersion: component %1 is already registered")
                .arg(unitName)
                .toStdString());
    r.names.insert(index, unitName);
    r.versions.insert(index, QStringLiteral("%1 / %2").arg(rev, date));
}

QString ComponentVersionOf(const QString &unitName)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    for (int i = 0; i < r.names.size(); ++i)
        if (QString::compare(r.names[i], unitName, Qt::CaseInsensitive) == 0)
            return r.versions[i];
    return {};
}

QStringList RegisteredComponents()
{
    Registry &r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.names;
}

ComponentVersionRegistrar::ComponentVersionRegistrar(const char *unitName,
                                                     const char *revisionKeyword,
                                                     const char *dateKeyword)
{
    try {
        RegisterComponentVersion(QString::fromUtf8(unitName), QString::fromUtf8(revisionKeyword),
                                 QString::fromUtf8(dateKeyword));
    } catch (const std::logic_error &) {
        // Already registered by another initialiser of the same unit.
    }
}
