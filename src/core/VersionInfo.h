// The version texts of an executable. The program carries no version
// resource; its own texts are compiled in from the build (BuildVersion.h),
// and any other file reads as one without version texts.
#pragma once

#include <QObject>
#include <QString>

class TVersionInfo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString LangId_CP READ LangId_CP WRITE SetLangId_CP)
    Q_PROPERTY(QString ExeName READ ExeName WRITE SetExeName)
    Q_PROPERTY(QString CompanyName READ CompanyName)
    Q_PROPERTY(QString FileDescription READ FileDescription)
    Q_PROPERTY(QString FileVersion READ FileVersion)
    Q_PROPERTY(QString InternalName READ InternalName)
    Q_PROPERTY(QString LegalCopyright READ LegalCopyright)
    Q_PROPERTY(QString LegalTradeMarks READ LegalTradeMarks)
    Q_PROPERTY(QString OriginalFilename READ OriginalFilename)
    Q_PROPERTY(QString ProductName READ ProductName)
    Q_PROPERTY(QString ProductVersion READ ProductVersion)
    Q_PROPERTY(QString Comments READ Comments)
    Q_PROPERTY(QString PrivateBuild READ PrivateBuild)
    Q_PROPERTY(QString SpecialBuild READ SpecialBuild)

public:
    // The only translation the program's version texts are kept under:
    // US English, Windows code page 1252.
    static constexpr const char *ProgramTranslation = "040904E4";

    explicit TVersionInfo(QObject *parent = nullptr);

    QString LangId_CP() const { return FLangId_CP; }
    void SetLangId_CP(const QString &value) { FLangId_CP = value; }
    QString ExeName() const { return FExeName; }
    void SetExeName(const QString &value) { FExeName = value; }

    QString CompanyName() const { return FCompanyName; }
    QString FileDescription() const { return FFileDescription; }
    QString FileVersion() const { return FFileVersion; }
    QString InternalName() const { return FInternalName; }
    QString LegalCopyright() const { return FLegalCopyright; }
    QString LegalTradeMarks() const { return FLegalTradeMarks; }
    QString OriginalFilename() const { return FOriginalFilename; }
    QString ProductName() const { return FProductName; }
    QString ProductVersion() const { return FProductVersion; }
    QString Comments() const { return FComments; }
    QString PrivateBuild() const { return FPrivateBuild; }
    QString SpecialBuild() const { return FSpecialBuild; }

    // Reads the version texts of ExeName. They exist only for the running
    // program itself; for any other file (or none) the results stay as they
    // were. A LangId_CP other than empty or ProgramTranslation names a
    // translation the program lacks, and every result reads as empty.
    void ReadVersionInfo();

private:
    QString FLangId_CP, FExeName;
    QString FCompanyName, FFileDescription, FFileVersion, FInternalName, FLegalCopyright,
        FLegalTradeMarks, FOriginalFilename, FProductName, FProductVersion, FComments,
        FPrivateBuild, FSpecialBuild;
};
