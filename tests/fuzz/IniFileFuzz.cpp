// The INI reader of the program settings, settings files, installation cards
// and adapter files.
//
// Input: the file's bytes. The file is loaded from disk in windows-1250 (the
// settings' code page) and from memory in windows-1251, every value is read
// through each typed reader, and a value written into the loaded file must
// survive a save and a reload; a byte-order mark added in front changes
// nothing.
#include "fuzz/support/FuzzSupport.h"

#include "core/AppConfig.h"
#include "core/IniFile.h"
#include "core/LM.h"

namespace {

void ReadEverything(const TIniFile &ini)
{
    for (const QString &section : ini.ReadSections()) {
        FUZZ_CHECK(ini.SectionExists(section));
        for (const QString &key : ini.ReadSection(section)) {
            FUZZ_CHECK(ini.ValueExists(section, key));
            (void)ini.ReadString(section, key);
            (void)ini.ReadInteger(section, key, -1);
            (void)ini.ReadBool(section, key, true);
            (void)ini.ReadFloat(section, key, -1.0);
        }
    }
}

// What a file has, independent of the bytes that spell it: its sections and
// their keys, each name as it reads after a write in the file's code page
// (a character the code page lacks is written as '?', and a byte it does not
// define reads as U+FFFD). A section whose name holds a '?' is listed without
// its keys: a look-up by that name may find another section.
QStringList Shape(const TIniFile &ini)
{
    const QByteArray codePage = ini.CodePage();
    const auto written = [&codePage](const QString &text) {
        return TIniFile::DecodeText(TIniFile::EncodeText(text, codePage), codePage);
    };
    QStringList shape;
    for (const QString &section : ini.ReadSections()) {
        const QString name = written(section);
        shape << u'[' + name + u']';
        if (name.contains(u'?'))
            continue;
        for (const QString &key : ini.ReadSection(section))
            shape << written(key);
    }
    return shape;
}

void CheckSaveAndReload(TIniFile &ini)
{
    const QByteArray first = ini.ToBytes();
    TIniFile again(QString(), ini.CodePage());
    again.LoadFromBytes(first);
    // Writing what was read loses no section and no key, and a second pass
    // changes nothing more.
    FUZZ_CHECK(Shape(again) == Shape(ini));
    FUZZ_CHECK(again.ToBytes() == first);

    const QString section = QStringLiteral("FuzzSection");
    const QString value = QStringLiteral("a=b;c [d]");
    again.WriteString(section, QStringLiteral("FuzzKey"), value);
    again.WriteInteger(section, QStringLiteral("FuzzNumber"), -12345);
    TIniFile saved(QString(), ini.CodePage());
    saved.LoadFromBytes(again.ToBytes());
    FUZZ_CHECK(saved.ReadString(section, QStringLiteral("FuzzKey")) == value);
    FUZZ_CHECK(saved.ReadInteger(section, QStringLiteral("FuzzNumber")) == -12345);
}

// The program settings read from the file: a damaged file is reported once,
// by name, and the settings fall back to valid values.
void CheckSettings(const QByteArray &bytes, bool damaged)
{
    static TAppConfig *config = [] {
        // Settings and data folders inside the fuzz folder, not the user's.
        const QByteArray home = fuzz::TempFolder().toLocal8Bit() + "/home";
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", home + "/config");
        auto *c = new TAppConfig;
        c->Initialize(nullptr, fuzz::TempFolder() + QStringLiteral("/program/taron"));
        return c;
    }();
    QStringList messages;
    config->OnMessage = [&messages](const QString &text, const QString &) { messages << text; };
    FUZZ_CHECK(fuzz::WriteFile(config->IniFileName(), bytes));
    config->Load();
    if (damaged) {
        FUZZ_CHECK(messages.size() == 1);
        FUZZ_CHECK(messages.first().contains(config->IniFileName()));
    } else {
        FUZZ_CHECK(messages.isEmpty());
    }
    FUZZ_CHECK(config->GetComDevice() >= 1 && config->GetComDevice() <= 255);
    FUZZ_CHECK(TLM::IsLanguageCode(config->GetLanguage()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString path = fuzz::TempFolder() + QStringLiteral("/settings.ini");
    FUZZ_CHECK(fuzz::WriteFile(path, bytes));

    TIniFile ini(path);
    const TIniFile::Status status = ini.Load();
    if (status == TIniFile::Status::Ok) {
        ReadEverything(ini);
        CheckSaveAndReload(ini);
    } else {
        // A refused file names itself, and nothing of it is kept.
        FUZZ_CHECK(status == TIniFile::Status::Damaged);
        FUZZ_CHECK(ini.ErrorString().contains(path));
        FUZZ_CHECK(ini.ReadSections().isEmpty());
    }

    CheckSettings(bytes, status == TIniFile::Status::Damaged);

    TIniFile other(QString(), QByteArrayLiteral("windows-1251"));
    other.LoadFromBytes(bytes);
    ReadEverything(other);
    CheckSaveAndReload(other);

    // A byte-order mark more in front changes nothing of what is read.
    TIniFile marked(QString(), QByteArrayLiteral("windows-1251"));
    marked.LoadFromBytes(QByteArray("\xEF\xBB\xBF") + bytes);
    FUZZ_CHECK(marked.ToBytes() == other.ToBytes());
    return 0;
}
