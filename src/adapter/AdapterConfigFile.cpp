#include "adapter/AdapterConfigFile.h"

#include "adapter/DevStateAdapter.h"
#include "adapter/DevStateOBD.h"
#include "adapter/Logic.h"
#include "adapter/LogicAdapter.h"
#include "adapter/Manager.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/ModuleAIO.h"
#include "adapter/ModuleOBD.h"
#include "adapter/UIState.h"
#include "core/EnglishTextKeys.h"
#include "core/IniFile.h"
#include "core/LM.h"
#include "core/NumberText.h"
#include "core/VersionInfo.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <functional>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const QString Crlf = QStringLiteral("\r\n");

// The data groups a set may hold.
constexpr int GroupCount = 24;

// The index of a named data group, or -1. The names are made once: saving
// asks this for every variable.
int DataGroupIndex(const QString &name)
{
    static const QStringList names = [] {
        QStringList out;
        for (int i = 0; i < GroupCount; ++i)
            out << GetDataGroupName(i);
        return out;
    }();
    return name.isEmpty() ? -1 : int(names.indexOf(name));
}

bool IsDataGroupName(const QString &name)
{
    return DataGroupIndex(name) >= 0;
}

QString KindName(const TVariable *v)
{
    if (dynamic_cast<const TIntVariable *>(v))
        return QStringLiteral("TIntVariable");
    if (dynamic_cast<const TStringVariable *>(v))
        return QStringLiteral("TStringVariable");
    return QStringLiteral("TVariable");
}

// The boolean containers that have bit variables in list.
QSet<const TVariable *> BitParents(const TVariableList &list)
{
    QSet<const TVariable *> parents;
    for (int i = 0; i < list.Count(); ++i)
        if (auto *b = dynamic_cast<const TBoolVariable *>(list.GetItem(i)); b && b->IsBit())
            parents.insert(b->Parent());
    return parents;
}

// What the variable holds once x went to the adapter and came back through
// its own conversions (tried on scratch variables, the variable itself
// untouched); false when x cannot go at all.
bool RoundTrip(const TVariable *v, double x, double &back)
{
    if (!std::isfinite(x) || !v->OnValueToRaw() || !v->OnRawToValue())
        return false;
    try {
        TDoubleVariable out(nullptr, v->DataLength(), QStringLiteral("Check"), QString());
        out.SetOnValueToRaw(v->OnValueToRaw());
        out.SetOnRawToValue(v->OnRawToValue());
        out.SetAsFloat(x);
        TDoubleVariable in(nullptr, v->DataLength(), QStringLiteral("Check"), QString());
        in.SetOnRawToValue(v->OnRawToValue());
        in.SetRawData(out.Raw(), true);
        back = in.GetAsFloat();
        return std::isfinite(back);
    } catch (const std::exception &) {
        return false;
    }
}

// x goes to the adapter and comes back as x.
bool DoubleStorable(const TVariable *v, double x)
{
    double back = 0;
    return RoundTrip(v, x, back) && back == x;
}

// The run of whole numbers around 0 that the conversions keep.
TVariable::TConversionRange DoubleRange(const TVariable *v)
{
    TVariable::TConversionRange range;
    range.Known = true;
    if (!DoubleStorable(v, 0))
        return range;
    range.Storable = true;
    qint64 below = std::numeric_limits<qint32>::min(), ok = 0;
    while (ok - below > 1) {
        const qint64 mid = below + (ok - below) / 2;
        (DoubleStorable(v, double(mid)) ? ok : below) = mid;
    }
    range.Low = ok;
    qint64 above = std::numeric_limits<qint32>::max();
    ok = 0;
    while (above - ok > 1) {
        const qint64 mid = ok + (above - ok) / 2;
        (DoubleStorable(v, double(mid)) ? ok : above) = mid;
    }
    range.High = ok;
    return range;
}

// A file's number in every form its writers produced: "130", "1.3E2",
// "12.5", "12,5"; empty is 0. False when the text is no finite number.
bool ReadNumber(const QString &text, double &x)
{
    x = 0;
    if (text.isEmpty())
        return true;
    return NumberText::ParseFileNumber(text, x);
}

enum class TStep { Float, Integer, Boolean };

struct TPlannedValue {
    TVariable *Variable;
    TStep Step;
    double Float = 0;
    qint64 Integer = 0;
};

[[noreturn]] void RefuseValue(const QString &key, const QString &value, const QString &why)
{
    throw EConfigFileValue(AdapterConfig::Tr("Invalid value:") + QLatin1Char(' ') + key + QStringLiteral("=\"")
                           + value + QStringLiteral("\"") + Crlf + why);
}

QString RangeText(const TVariable *v)
{
    qint64 low = 0, high = 0;
    if (!AdapterConfig::StorableRange(v, low, high))
        return AdapterConfig::Tr("The value cannot be stored in the adapter.");
    QString text = AdapterConfig::Tr("Allowed values: whole numbers from %1 to %2.");
    // A translation that lost its places still names the range.
    if (!text.contains(QLatin1String("%1")) || !text.contains(QLatin1String("%2")))
        text += QStringLiteral(" (%1..%2)");
    return text.arg(low).arg(high);
}

// What one line sets, checked against what the variable and the adapter can
// hold. A number is read in any form and then takes the variable's own rule:
// a floating one rounded to what the adapter keeps, a whole-number one whole
// (a fraction refuses the file); outside the range the file is refused, or,
// for a correction cell (clamp), the value is limited to the range.
TPlannedValue Plan(TVariable *v, bool hasBits, bool clamp, const QString &key, const QString &value)
{
    const QString text = value.trimmed();
    auto *b = dynamic_cast<TBoolVariable *>(v);
    if (b && !hasBits)
        return {v, TStep::Boolean, 0, text == QLatin1String("On") ? 1 : 0};
    const bool isDouble = dynamic_cast<TDoubleVariable *>(v) != nullptr;
    if (!isDouble && !b && !dynamic_cast<TByteVariable *>(v) && !dynamic_cast<TWordVariable *>(v)
        && !dynamic_cast<TSmallIntVariable *>(v))
        throw EVariableError(
            QStringLiteral("Unhandled variable type while reading: %1 (%2)").arg(KindName(v), v->Name()));
    double x = 0;
    if (!ReadNumber(text, x))
        RefuseValue(key, value, AdapterConfig::Tr("The value is not a number."));
    qint64 low = 0, high = 0;
    if (!AdapterConfig::StorableRange(v, low, high))
        RefuseValue(key, value, RangeText(v));
    // A whole-number setting takes a whole number in any form ("1.3E2",
    // "2.0"); a fraction is refused, not rounded.
    if (!isDouble && x != std::trunc(x))
        RefuseValue(key, value, RangeText(v));
    if (clamp)
        x = std::clamp(x, double(low), double(high));
    // Rounded half away from zero, the rounded value must be in the range.
    if (x <= double(low) - 0.5 || x >= double(high) + 0.5)
        RefuseValue(key, value, RangeText(v));
    // Whole here (a fraction was refused above).
    if (!isDouble)
        return {v, TStep::Integer, 0, std::llround(x)};
    double held = 0;
    if (!RoundTrip(v, x, held))
        RefuseValue(key, value, RangeText(v));
    return {v, TStep::Float, held, 0};
}

} // namespace

namespace AdapterConfig {

QString Tr(const char *english)
{
    QString text;
    TranslateUiText(QString::fromUtf8(english), text);
    return text;
}

bool StorableRange(const TVariable *v, qint64 &low, qint64 &high)
{
    if (dynamic_cast<const TDoubleVariable *>(v)) {
        // Some sixty trips through the conversions: worked out once a
        // variable, not once a value read.
        TVariable::TConversionRange &range = v->ConversionRange();
        if (!range.Known)
            range = DoubleRange(v);
        low = range.Low, high = range.High;
        return range.Storable;
    }
    if (dynamic_cast<const TSmallIntVariable *>(v)) {
        low = -32768, high = 32767;
        return true;
    }
    if (dynamic_cast<const TWordVariable *>(v) || (dynamic_cast<const TBoolVariable *>(v) && v->DataLength() == 2)) {
        low = 0, high = 65535;
        return true;
    }
    if (dynamic_cast<const TByteVariable *>(v) || dynamic_cast<const TBoolVariable *>(v)) {
        low = 0, high = 255;
        return true;
    }
    return false;
}

QString ValueText(const TVariable *v, bool hasBits)
{
    if (dynamic_cast<const TDoubleVariable *>(v))
        return QString::number(v->GetAsFloat(), 'g', QLocale::FloatingPointShortest);
    if (auto *b = dynamic_cast<const TBoolVariable *>(v); b && !hasBits)
        return b->GetAsBoolean() ? QStringLiteral("On") : QStringLiteral("Off");
    if (dynamic_cast<const TBoolVariable *>(v) || dynamic_cast<const TByteVariable *>(v)
        || dynamic_cast<const TWordVariable *>(v) || dynamic_cast<const TSmallIntVariable *>(v))
        return QString::number(v->GetAsInteger());
    throw EVariableError(QStringLiteral("Unhandled variable type while saving: %1 (%2)").arg(KindName(v), v->Name()));
}

void WriteGroups(TIniFile &ini, const TVariableList &list, quint32 groups, const TVariableList *values)
{
    const QSet<const TVariable *> parents = BitParents(list);
    for (int i = 0; i < list.Count(); ++i) {
        const TVariable *v = list.GetItem(i);
        if (!v->Stored())
            continue;
        if (v->Group().isEmpty())
            throw EVariableError(QStringLiteral("Found variable %1 with empty section while saving").arg(v->Name()));
        if (!IsDataGroupName(v->Group()))
            throw EVariableError(QStringLiteral("Found variable %1 with unrecognized section %2 while saving")
                                     .arg(v->Name(), v->Group()));
        const int group = DataGroupIndex(v->Group());
        if (!(groups & GroupSet(group)))
            continue;
        const TVariable *source = v;
        if (values && i < values->Count() && values->GetItem(i)->Name() == v->Name())
            source = values->GetItem(i);
        ini.WriteString(v->Group(), v->Name(), ValueText(source, parents.contains(v)));
    }
}

QStringList SectionLines(const TIniFile &ini, const QString &section)
{
    QStringList lines;
    for (const QString &key : ini.ReadSection(section))
        lines << key + QLatin1Char('=') + ini.ReadString(section, key);
    return lines;
}

THourglass::THourglass()
{
    TLogic::BeginHourglass(FSaved);
}

THourglass::~THourglass()
{
    TLogic::EndHourglass(FSaved);
}

} // namespace AdapterConfig

using namespace AdapterConfig;

namespace {

bool AskYesNo(const QString &text)
{
    return Common && Common->AskYesNoEx(text);
}

void Warn(const QString &text)
{
    if (Common)
        Common->ShowWarning(text);
}

// What kept the file from being read, in words: missing, no regular file,
// too large, refused by the system, or no text.
QString LoadProblem(const TIniFile &ini, TIniFile::Status status)
{
    if (status == TIniFile::Status::Damaged)
        return Tr("Invalid configuration file format:") + Crlf + Tr("The file is not a text file.");
    return ini.ErrorString().isEmpty() ? Tr("The file does not exist or cannot be read.") : ini.ErrorString();
}

// Why a file that was read is no adapter file at all, or empty: control
// bytes (other than TAB and the line ends) are in no text file, and every
// adapter file has lines, each ended; a file without any line end holds at
// most a part of one.
QString NotAnAdapterFile(const TIniFile &ini)
{
    const QByteArray bytes = ini.ToBytes();
    const bool control = std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const uchar u = uchar(c);
        return (u < 0x20 && u != '\t' && u != '\r' && u != '\n') || u == 0x7F;
    });
    if (control)
        return Tr("Invalid configuration file format:") + Crlf + Tr("The file is not a text file.");
    if (ini.UnendedLine() == 1)
        return Tr("Invalid configuration file format:") + Crlf + Tr("Missing product and device info.");
    return QString();
}

} // namespace

bool TLogic::SaveConfigurationFile(const QString &fileName, quint32 groups)
{
    const THourglass hourglass;
    FManager->RedetectModules();
    // The file holds what the box holds: without an answer there is nothing to save.
    if (!FModuleAdapter->IsActive() || ((groups & GroupSet(dgOBD)) && !FModuleOBD->IsActive())) {
        Warn(Tr("Error while saving configuration file.") + Crlf + Crlf + fileName + Crlf
             + Tr("The adapter does not answer."));
        return false;
    }
    TLogicAdapter *adapter = LogicAdapter();
    const TUIStateAdapter *info = UIStateAdapter();
    adapter->CopySection();
    TIniFile ini(fileName, TIniFile::LanguageCodePage());
    const QString section = QString::fromLatin1(InfoSection);
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    ini.WriteString(section, QStringLiteral("SaveDate"),
                    locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
                        + locale.toString(now.time(), QLocale::LongFormat));
    ini.WriteString(section, QStringLiteral("Device"), adapter->VersionText(true, 0));
    ini.WriteString(section, QStringLiteral("Version"), adapter->DescribeAdapter(true));
    ini.WriteString(section, QStringLiteral("CompileDate"), info->AdapterCompilationDate->Text());
    ini.WriteString(section, QStringLiteral("CompileTime"), info->AdapterCompilationTime->Text());
    const TVersionInfo *version = Common ? Common->VerInfo : nullptr;
    ini.WriteString(section, QStringLiteral("Product"),
                    (version ? version->ProductName() : QString()) + QStringLiteral(" (Adapter)"));
    ini.WriteString(section, QStringLiteral("SoftVersion"),
                    version ? QStringLiteral("%1 %2").arg(version->FileVersion(), version->InternalName()) : QString());
    // The values as the box holds them; the windows keep what the user edited.
    WriteGroups(ini, *FUIState, groups, DeviceState());
    const TIniFile::Status status = ini.Save();
    if (status == TIniFile::Status::Ok)
        return true;
    const QString why = status == TIniFile::Status::ReadOnly
                            ? Tr("The file is write-protected.")
                            : Tr("The file cannot be written:") + QLatin1Char(' ') + ini.SystemError();
    Warn(Tr("Error while saving configuration file.") + Crlf + Crlf + fileName + Crlf + why);
    return false;
}

bool TLogic::ReadSectionVariables(const QString &group, const QStringList &lines, QStringList &unknown)
{
    bool result = !lines.isEmpty();
    // Only the stored variables of the section's own group; keys are
    // compared without regard to case, as INI keys are.
    QHash<QString, TVariable *> stored;
    for (int i = 0; i < FUIState->Count(); ++i) {
        TVariable *v = FUIState->GetItem(i);
        if (v->Stored() && v->Group() == group)
            stored.insert(v->Name().toLower(), v);
    }
    const QSet<const TVariable *> parents = BitParents(*FUIState);
    std::vector<TPlannedValue> plan;
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        TVariable *v = stored.value(key.toLower());
        if (!v) {
            unknown << key;
            result = false;
            continue;
        }
        const bool cell = FModuleOBD && FModuleOBD->DevState()->IsAdaptCorrection(v->Name());
        plan.push_back(Plan(v, parents.contains(v), cell, key, line.mid(eq + 1)));
    }
    // Every value is known to fit: set them.
    for (const TPlannedValue &p : plan) {
        switch (p.Step) {
        case TStep::Float:
            p.Variable->SetAsFloat(p.Float);
            break;
        case TStep::Boolean:
            p.Variable->SetAsBoolean(p.Integer != 0);
            break;
        case TStep::Integer:
            p.Variable->SetAsInteger(p.Integer);
            break;
        }
    }
    return result;
}

bool TLogic::LoadConfigurationFile(const QString &fileName, quint32 groups, bool skipDeviceWrite)
{
    const THourglass hourglass;
    TIniFile ini(fileName, TIniFile::LanguageCodePage());
    const TIniFile::Status status = ini.Load();
    QString problem; // what is wrong with the file, for the closing message
    bool ok = status == TIniFile::Status::Ok;
    if (!ok)
        problem = LoadProblem(ini, status);
    if (ok)
        problem = NotAnAdapterFile(ini);
    if (!problem.isEmpty())
        ok = false;
    // The program ends every line it writes: a last line without its end is
    // a file cut short, maybe inside its last value.
    if (ok && ini.UnendedLine() > 0) {
        problem = Tr("The file is cut short: line %1 has no line end.");
        // A translation that lost its place still names the line.
        if (!problem.contains(QLatin1String("%1")))
            problem += QStringLiteral(" (%1)");
        problem = problem.arg(ini.UnendedLine());
        ok = false;
    }

    // Whose file is it?
    if (ok) {
        const QString section = QString::fromLatin1(InfoSection);
        QString device = ini.ReadString(section, QStringLiteral("Device"));
        const QString saveDate = ini.ReadString(section, QStringLiteral("SaveDate"));
        const QString product = ini.ReadString(section, QStringLiteral("Product"));
        const QString current = LogicAdapter()->VersionText(true, 0);
        if (device.isEmpty()) {
            if (saveDate.isEmpty() && product.isEmpty()) {
                Warn(Tr("Invalid configuration file format:") + Crlf + Crlf + Tr("Missing product and device info."));
                ok = false;
            } else {
                device = current;
                if (product.isEmpty())
                    ok = AskYesNo(Tr("Found configuration file for unknown product.") + Crlf + Crlf
                                  + Tr("It may contain incompatible settings.") + Crlf + Tr("Continue?"));
            }
        }
        if (ok && !device.startsWith(current))
            ok = AskYesNo(Tr("Found configuration file for different product:") + Crlf + Crlf + QStringLiteral("  ")
                          + device + Crlf + Crlf + Tr("It may contain incompatible settings.") + Crlf
                          + Tr("Continue?"));

        // The sections, each checked whole before any of its values is set.
        QStringList unknown;
        bool refused = false;
        if (ok) {
            try {
                for (int g = 0; g < GroupCount; ++g)
                    if ((groups & GroupSet(g)) && ok)
                        ok = ReadSectionVariables(GetDataGroupName(g), SectionLines(ini, GetDataGroupName(g)), unknown);
            } catch (const EConfigFileValue &e) {
                refused = true;
                ok = false;
                problem = e.Text;
            }
            if (!refused) {
                if (unknown.isEmpty()) {
                    if (!ok)
                        ok = AskYesNo(Tr("Some information could not be read from configuration file.") + Crlf + Crlf
                                      + Tr("Continue?"));
                } else if (unknown.size() == 1) {
                    ok = AskYesNo(Tr("Unrecognized or obsolete parameter found:") + QLatin1Char(' ') + unknown.first()
                                  + Crlf + Crlf + Tr("Continue?"));
                } else {
                    QString text = Tr("Unrecognized or obsolete parameters found:") + Crlf;
                    for (const QString &key : unknown.mid(0, 5))
                        text += Crlf + key;
                    if (unknown.size() > 5)
                        text += Crlf + QStringLiteral("(%1 %2)").arg(unknown.size() - 5).arg(Tr("more..."));
                    ok = AskYesNo(text + Crlf + Crlf + Tr("Continue?"));
                }
            }
        }
        if (ok)
            ok = Common && Common->AskOkCancel(Tr("Save configuration to device?")) == mrOk;
    }

    if (!ok) {
        // Nothing reaches the adapter: the windows show its values again.
        FUIState->CopyFromDeviceAll(3);
        FUIState->SetModifiedFlag(false);
        QString text = Tr("Error while reading configuration file.") + Crlf + Crlf + fileName;
        if (!problem.isEmpty())
            text += Crlf + problem;
        Warn(text);
        return false;
    }

    FUIState->CopyToDeviceAll(2);
    if (skipDeviceWrite) {
        FUIState->SetModifiedFlag(false);
        return true;
    }
    // The adapter takes the settings, then the tables; a refusal stops the
    // write, keeps the windows modified and is reported.
    // What the adapter took before a refusal is named: it holds those already.
    QStringList refusedWrites, written;
    TLogicOBD *obd = FModuleOBD->Logic();
    const std::pair<const char *, std::function<bool()>> steps[] = {
        {"OBD settings", [obd] { return obd->ApplyConnectionSettings(); }},
        {"OBD adaptation tables", [obd] { return obd->WriteAdaptationTables(); }},
        {"analog I/O settings", [this] { return !FModuleAIO || FModuleAIO->Logic()->WriteConfiguration(); }}};
    for (const auto &[what, step] : steps) {
        if (!step()) {
            refusedWrites << Tr(what);
            break;
        }
        written << Tr(what);
    }
    if (refusedWrites.isEmpty()) {
        FUIState->SetModifiedFlag(false);
        return true;
    }
    FUIState->SetModified(true, GetDataGroupName(dgOBD));
    const QString kept = written.isEmpty()
                             ? Tr("The loaded values are kept in the OBD window and are not saved in the adapter.")
                             : Tr("Already written to the adapter:") + QLatin1Char(' ') + written.join(QStringLiteral(", "))
                                   + Crlf + Tr("The rest of the loaded values are kept in the OBD window; load the file again to write them.");
    Warn(Tr("The adapter did not accept the configuration:") + QLatin1Char(' ') + refusedWrites.join(QStringLiteral(", "))
         + Crlf + Crlf + fileName + Crlf + kept);
    return false;
}
