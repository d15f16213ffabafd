// Process-wide registry of the program's own component units: each unit
// records the revision and date of its source once, at start.
#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

// Registers a unit. Throws std::logic_error when the name is registered twice.
void RegisterComponentVersion(const QString &unitName, const QString &revisionKeyword,
                              const QString &dateKeyword);

// "revision / date" of a registered unit, or an empty text when unknown.
QString ComponentVersionOf(const QString &unitName);

// Names of the registered units, sorted.
QStringList RegisteredComponents();

// Registers a unit once from a static initialiser; repeated registration of
// the same name (two translation units sharing a header) is ignored here.
struct ComponentVersionRegistrar {
    ComponentVersionRegistrar(const char *unitName, const char *revisionKeyword,
                              const char *dateKeyword);
};
