#include "windows/FormAbout.h"

#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/VersionInfo.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "windows/NamedWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>

TFormAbout *FormAbout = nullptr;

TFormAbout::TFormAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("Informacje o programie"));
    resize(440, 352);

    ImgIco = NewNamed<QLabel>(this, "ImgIco", {12, 12, 48, 48});
    ImgIco->installEventFilter(this);
    ImgIco->setCursor(Qt::PointingHandCursor);
    ImageLogo = NewNamed<QLabel>(this, "ImageLogo", {240, 12, 188, 48});

    PnlFrmAboutInfo = NewNamed<QFrame>(this, "PnlFrmAboutInfo", {8, 68, 424, 144});
    verProductName = NewNamed<QLabel>(PnlFrmAboutInfo, "verProductName", {4, 4, 416, 20});
    LabelVersion = NewNamed<QLabel>(PnlFrmAboutInfo, "LabelVersion", {4, 28, 120, 20}, QStringLiteral("Wersja:"));
    verFileVersion = NewNamed<QLabel>(PnlFrmAboutInfo, "verFileVersion", {128, 28, 290, 20});
    LabelDate = NewNamed<QLabel>(PnlFrmAboutInfo, "LabelDate", {4, 50, 120, 20}, QStringLiteral("Data:"));
    verInternalName = NewNamed<QLabel>(PnlFrmAboutInfo, "verInternalName", {128, 50, 290, 20});
    LabelDevice = NewNamed<QLabel>(PnlFrmAboutInfo, "LabelDevice", {4, 72, 120, 20}, QStringLiteral("Sterownik:"));
    verDeviceVersion = NewNamed<QLabel>(PnlFrmAboutInfo, "verDeviceVersion", {128, 72, 292, 20});
    verCompilationTime = NewNamed<QLabel>(PnlFrmAboutInfo, "verCompilationTime", {128, 94, 292, 20});
    LblSN = NewNamed<QLabel>(PnlFrmAboutInfo, "LblSN", {4, 116, 120, 20}, QStringLiteral("Numer seryjny:"));
    verSN = NewNamed<QLabel>(PnlFrmAboutInfo, "verSN", {128, 116, 290, 20});
    for (QLabel *value : {verDeviceVersion, verCompilationTime, verSN, verFileVersion, verInternalName})
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The device's own texts, written anew on each showing.
    for (QLabel *given : {verDeviceVersion, verCompilationTime, verSN})
        TCustom::KeepGivenTexts(given);

    MemInfoQV = NewNamed<QPlainTextEdit>(this, "MemInfoQV", {8, 218, 424, 126});
    MemInfoQV->setReadOnly(true);

    PnlFrmAboutInfo->show();
    MemInfoQV->show();

    FormatVersion = [] { return DataManager ? DataManager->FormatVersion(false) : DeviceRecord.Ver; };
    FormatSerialNumber = [] {
        return DataManager && DataManager->GetConnected() ? DataManager->FormatSerialNumber()
                                                          : TranslateKey(QStringLiteral("strUnknown"));
    };
}

QString TFormAbout::ProgramDate()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    return program.exists() ? program.lastModified().date().toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

TFormAbout::~TFormAbout()
{
    if (::FormAbout == this)
        ::FormAbout = nullptr;
}

void TFormAbout::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

bool TFormAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ImgIco && event->type() == QEvent::MouseButtonRelease) {
        ImgIcoClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormAbout::FormShow()
{
    ImgIco->setPixmap(QApplication::windowIcon().pixmap(48, 48));

    if (LM) {
        // Through the language manager's picture reader: a pipe or a huge
        // file there is no logo, and never holds the window up.
        QPixmap picture;
        if (LM->LoadPictureFile(picture, LM->GetLanguageFilePath() + QStringLiteral("data.reg")))
            ImageLogo->setPixmap(picture);
    }

    TVersionInfo *info = LM ? LM->VerInfo : nullptr;
    if (info) {
        verProductName->setText(info->FileDescription() + QLatin1Char(' ') + info->ProductVersion());
        verFileVersion->setText(info->FileVersion());
    }

    // The line under "Data:" carries the program's date.
    verInternalName->setText(ProgramDate());

    if (DataManager && DataManager->GetConnected()) {
        DataManager->ReadIdentity();
        DataManager->ReadAllPages();
    }
    if (DeviceRecord.DeviceKind != 0) {
        verDeviceVersion->setText(FormatVersion ? FormatVersion() : DeviceRecord.Ver);
        verCompilationTime->setText(DeviceRecord.CompDate + QLatin1Char(' ') + DeviceRecord.CompTime);
        verSN->setText(FormatSerialNumber ? FormatSerialNumber() : TranslateKey(QStringLiteral("strUnknown")));
    } else {
        const QString unknown = TranslateKey(QStringLiteral("strUnknown"));
        verDeviceVersion->setText(unknown);
        verCompilationTime->setText(unknown);
        verSN->setText(unknown);
    }
}

QString TFormAbout::ClipboardText() const
{
    QStringList lines;
    lines << verProductName->text();
    lines << LabelVersion->text() + QLatin1Char(' ') + verFileVersion->text();
    lines << LabelDate->text() + QLatin1Char(' ') + verInternalName->text();
    lines << LabelDevice->text() + QLatin1Char(' ') + verDeviceVersion->text() + QLatin1Char(' ')
                 + verCompilationTime->text();
    lines << LblSN->text() + QLatin1Char(' ') + verSN->text();
    return lines.join(QStringLiteral("\r\n"));
}

void TFormAbout::ImgIcoClick()
{
    QApplication::clipboard()->setText(ClipboardText());
    if (Common)
        Common->ShowInformation(TranslateKey(QStringLiteral("strInfoCopiedToClipboard")), windowTitle());
}
