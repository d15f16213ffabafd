// The program settings that outlive a run (serial port, language, offline
// mode, automatic search) in the settings INI file, the folder of that file
// and the user's data folder, and the global objects of the settings layer:
// the settings object, the program's one serial port and the edition
// parameters.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class TComMultiPort;

class TAppConfig {
public:
    static constexpr const char *Section = "Settings";

    TAppConfig() = default;

    // Keeps the port and works out the folders and the file name:
    // the settings file is "<program base name>.INI" in
    // ${XDG_CONFIG_HOME:-$HOME/.config}, or beside the executable when that
    // folder cannot be created or written; the data folder is
    // "<documents>/Taron Service Data/" (the executable's "Data/" when there
    // is no documents folder). Missing folders are created, every level.
    void Initialize(TComMultiPort *port, const QString &executablePath = QString());

    // Reads the settings into the port, the language manager's Language (the
    // settings object's own code while there is no language manager) and the
    // two flags; a missing file gives the defaults silently, an
    // unreadable or damaged one gives a message and the defaults. A port
    // number outside 1..255 selects port 1, a language code that is not one of
    // the program's languages counts as missing ("PL").
    void Load();
    // Writes the four keys of section "Settings" (the language from the
    // language manager); every other section and key
    // of the file stays as it is. Failures are reported by message.
    void Save();

    // A number of 1 or less (or above 255) becomes 1; the port is reopened
    // when asked or when it was open.
    void SetComDevice(int portNumber, bool reopen);
    int GetComDevice() const;

    // The settings object's own language code (the edition's default until
    // the file is read), "EN" when it has none.
    QString GetLanguage() const;
    void SetLanguage(const QString &code) { FLanguage = code; }

    bool OfflineMode = false;
    bool AutoSearch = false;
    // Folder of the last adapter configuration file (for the adapter window's
    // dialogs); kept for the run, the data folder until one is chosen.
    QString AdapterFileFolder;

    int EditionGroup() const { return FEditionGroup; }
    void SetEditionGroup(int group) { FEditionGroup = group; }

    // Both end with "/".
    QString ConfigFolder() const { return FConfigFolder; }
    QString DataFolder() const { return FDataFolder; }
    // Full path of the settings file (also opened by the installation card).
    QString IniFileName() const { return FIniFileName; }

    // Shows a settings error (text, caption). While unset the message goes to
    // the log only.
    std::function<void(const QString &text, const QString &caption)> OnMessage;

private:
    void Message(const QString &text) const;

    TComMultiPort *FPort = nullptr;
    QString FConfigFolder;
    QString FIniFileName;
    QString FDataFolder;
    QString FLanguage;
    int FEditionGroup = 0;
    int FComDevice = 1; // used while no port is attached
    bool FLoadFailed = false; // the file exists but could not be read
    bool FDamaged = false;    // the file holds no text: set aside at save
};

extern TAppConfig *AppConfig;

// The unit's start and end: create the settings object, the serial port
// (9600 8N1, interval timeout 150 ms, read and write 300 ms + 150 ms per
// byte, lsReadDataWithControl, thread-safe) and the edition parameters, in
// this order; free them in the same order and clear the pointers.
void CreateSettingsObjects();
void FreeSettingsObjects();
