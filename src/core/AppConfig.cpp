#include "core/AppConfig.h"

#include "core/ComMultiPort.h"
#include "core/CustomParameters.h"
#include "core/IniFile.h"
#include "core/LM.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtDebug>

TAppConfig *AppConfig = nullptr;

namespace {
const QString KeyPort = QStringLiteral("ComMultiPort");
const QString KeyLanguage = QStringLiteral("Language");
const QString KeyOffline = QStringLiteral("OfflineMode");
const QString KeyAutoSearch = QStringLiteral("AutoSearch");
const QString ErrorCaption = QStringLiteral("Error!");

QString WithSlash(const QString &path)
{
    return path.endsWith(u'/') ? path : path + u'/';
}

// True when the folder exists (created when missing, every level) and a file
// can be created in it.
bool UsableFolder(const QString &folder)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}
} // namespace

void TAppConfig::Initialize(TComMultiPort *port, const QString &executablePath)
{
    FPort = port;
    const QFileInfo exe(executablePath.isEmpty() ? QCoreApplication::applicationFilePath() : executablePath);
    const QString exeFolder = WithSlash(exe.absolutePath());
    const QString fileName = exe.completeBaseName() + QStringLiteral(".INI");

    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config)) {
        const QString home = qEnvironmentVariable("HOME");
        config = home.isEmpty() ? QString() : home + QStringLiteral("/.config");
    }
    FConfigFolder = UsableFolder(config) ? WithSlash(QDir::cleanPath(config)) : exeFolder;
    FIniFileName = FConfigFolder + fileName;

    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString defaultData = exeFolder + QStringLiteral("Data/");
    FDataFolder = documents.isEmpty()
                      ? defaultData
                      : WithSlash(QDir::cleanPath(documents)) + TCustomParameters::GetProductName(19, true)
                            + QStringLiteral(" Data/");
    if (!QDir().mkpath(FDataFolder) && FDataFolder != defaultData) {
        FDataFolder = defaultData;
        QDir().mkpath(FDataFolder);
    }
    if (AdapterFileFolder.isEmpty())
        AdapterFileFolder = FDataFolder;
}

void TAppConfig::Message(const QString &text) const
{
    if (OnMessage)
        OnMessage(text, ErrorCaption);
    else
        qWarning().noquote() << ErrorCaption << text;
}

namespace {
// Text values of the settings file (other windows' sections) are in the code
// page of the language in use.
QByteArray settingsCodePage(const QString &language)
{
    return TLM::CodePageOfCharset(TLM::GetCharsetOfLanguage(language));
}
} // namespace

void TAppConfig::Load()
{
    FLoadFailed = false;
    FDamaged = false;
    TIniFile ini(FIniFileName, settingsCodePage(LM ? LM->Language : GetLanguage()));
    switch (ini.Load()) {
    case TIniFile::Status::Ok:
    case TIniFile::Status::NotFound:
        break;
    case TIniFile::Status::Damaged:
        FDamaged = true;
        Message(QStringLiteral("INI file damaged:\r\n%1\r\n\r\nDefault settings are used.").arg(FIniFileName));
        break;
    default:
        FLoadFailed = true;
        Message(QStringLiteral("Cannot read INI file:\r\n%1\r\n\r\nDefault settings are used.").arg(FIniFileName));
        break;
    }

    int port = ini.ReadInteger(Section, KeyPort, 1);
    if (port < 1 || port > 255)
        port = 1;
    try {
        SetComDevice(port, false);
    } catch (const EComPortError &) {
        // Only an open port is reopened; connecting reports its own failures.
    }

    // A code that names no language of the program would go into a file
    // path: it counts as missing and the default language is used.
    QString language = ini.ReadString(Section, KeyLanguage, GetLanguage());
    if (!TLM::IsLanguageCode(language))
        language = QStringLiteral("PL");
    if (LM)
        LM->Language = language;
    else
        FLanguage = language;

    OfflineMode = ini.ReadBool(Section, KeyOffline, false);
    AutoSearch = ini.ReadBool(Section, KeyAutoSearch, false);
}

void TAppConfig::Save()
{
    if (FLoadFailed) {
        // Writing now would replace a file that could not be read, with the
        // sections of other windows (the installation card's "Company") in it.
        Message(QStringLiteral("Cannot write INI file:\r\n%1\r\n\r\nIt could not be read at start, and writing it "
                               "would lose what it holds.").arg(FIniFileName));
        return;
    }
    QDir().mkpath(QFileInfo(FIniFileName).absolutePath());
    TIniFile ini(FIniFileName, settingsCodePage(LM ? LM->Language : GetLanguage()));
    QFile file(FIniFileName);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly)) {
            Message(QStringLiteral("Cannot create INI file"));
            return;
        }
        file.close();
    } else if (TIniFile::IsReadOnly(FIniFileName)) {
        Message(QStringLiteral("INI file read only"));
        return;
    }

    // Re-read the file so that what other windows wrote since the start stays.
    const TIniFile::Status status = ini.Load();
    if (status == TIniFile::Status::Damaged) {
        // Keep the damaged file aside for whoever wants to look at it.
        const QString aside = FIniFileName + QStringLiteral(".damaged");
        QFile::remove(aside);
        QFile::rename(FIniFileName, aside);
        ini.Clear();
        FDamaged = false;
    } else if (FDamaged && status == TIniFile::Status::Ok) {
        // Damaged at start but rewritten since (another window saved its
        // section): what it holds now stays.
        FDamaged = false;
    } else if (status != TIniFile::Status::Ok && status != TIniFile::Status::NotFound) {
        Message(QStringLiteral("INI file read only"));
        return;
    }

    ini.WriteInteger(Section, KeyPort, GetComDevice());
    ini.WriteString(Section, KeyLanguage, LM ? LM->Language : GetLanguage());
    ini.WriteBool(Section, KeyOffline, OfflineMode);
    ini.WriteBool(Section, KeyAutoSearch, AutoSearch);
    switch (ini.Save()) {
    case TIniFile::Status::Ok:
        break;
    case TIniFile::Status::ReadOnly:
        Message(QStringLiteral("INI file read only"));
        break;
    default:
        Message(QStringLiteral("Cannot write INI file:\r\n%1").arg(ini.ErrorString()));
        break;
    }
}

QString TAppConfig::GetLanguage() const
{
    return FLanguage.isEmpty() ? QStringLiteral("EN") : FLanguage;
}

void TAppConfig::SetComDevice(int portNumber, bool reopen)
{
    if (portNumber < 1 || portNumber > 255)
        portNumber = 1;
    FComDevice = portNumber;
    if (!FPort)
        return;
    const bool wasOpen = FPort->GetConnected();
    FPort->SetComDevice(static_cast<uint8_t>(portNumber));
    if (reopen || wasOpen)
        FPort->Open();
}

int TAppConfig::GetComDevice() const
{
    return FPort ? FPort->ComDevice() : FComDevice;
}

void CreateSettingsObjects()
{
    AppConfig = new TAppConfig;
    auto *port = new TComMultiPort(nullptr);
    port->SetBaudRate(comBR9600);
    port->SetByteSize(8);
    port->SetParity(comNoParity);
    port->SetStopBits(comOneStopBit);
    port->SetUseTimeouts(true);
    port->Timeouts()->SetIntervalTimeout(150);
    port->Timeouts()->SetReadConstant(300);
    port->Timeouts()->SetReadMultiplier(150);
    port->Timeouts()->SetWriteConstant(300);
    port->Timeouts()->SetWriteMultiplier(150);
    port->SetLockingStrategy(lsReadDataWithControl);
    port->SetThreadSafe(true);
    ComMultiPort = port;
    CustomParameters = new TCustomParameters;
}

void FreeSettingsObjects()
{
    delete AppConfig;
    AppConfig = nullptr;
    delete ComMultiPort;
    ComMultiPort = nullptr;
    delete CustomParameters;
    CustomParameters = nullptr;
}
