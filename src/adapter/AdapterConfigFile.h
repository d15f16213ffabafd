// Adapter configuration files ("*.dda"): the adapter's stored settings as an
// INI file. Section "Info" identifies the adapter and the program that wrote
// the file; every saved data group has a section named by the group with one
// key per stored variable (its name). The reading and writing commands are
// TLogic::SaveConfigurationFile / LoadConfigurationFile; this header holds the
// pieces both use, and the fuzz target and the tests use as well.
#pragma once

#include <QCursor>
#include <QString>
#include <QStringList>

#include <stdexcept>

class TIniFile;
class TVariable;
class TVariableList;

// A value in a configuration file that its variable cannot take. Text names
// the key, the value and why (translated), for the refusal message.
class EConfigFileValue : public std::runtime_error
{
public:
    explicit EConfigFileValue(const QString &text) : std::runtime_error(text.toStdString()), Text(text) {}
    QString Text;
};

namespace AdapterConfig {

// Default extension of the files, without the dot.
inline constexpr const char *Extension = "dda";
// The section that identifies adapter and program.
inline constexpr const char *InfoSection = "Info";

// A set of data groups with only group.
constexpr quint32 GroupSet(int group) { return quint32(1) << group; }

// The current language's text of an English text of the adapter code.
QString Tr(const char *english);

// The text a stored variable is saved as: doubles as the shortest text that
// reads back exactly (with "."), booleans without bits "On" / "Off",
// containers with bits and the integer kinds in decimal. Raises
// EVariableError for another kind.
QString ValueText(const TVariable *variable, bool hasBits);

// The whole numbers a variable holds as it travels to the adapter: for a
// double, the run around 0 that its conversions give back unchanged (worked
// out once a variable); false when it holds no whole number at all.
bool StorableRange(const TVariable *variable, qint64 &low, qint64 &high);

// Writes one section per group of groups: every stored variable of list (in
// list order) under its group, its value taken from the variable at the same
// index of values when given (the device side), else from list. Raises
// EVariableError for a stored variable without a group, with a group that is
// no data-group name, or of a kind files cannot hold.
void WriteGroups(TIniFile &ini, const TVariableList &list, quint32 groups, const TVariableList *values);

// The lines "key=value" of a section, in file order.
QStringList SectionLines(const TIniFile &ini, const QString &section);

// The hourglass cursor for the life of a scope.
class THourglass
{
public:
    THourglass();
    ~THourglass();
    THourglass(const THourglass &) = delete;
    THourglass &operator=(const THourglass &) = delete;

private:
    QCursor FSaved;
};

} // namespace AdapterConfig
