#include "upgrade/FormUpgrader.h"

#include "windows/NamedWidget.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

TFormUpgrader *FormUpgrader = nullptr;

TFormUpgrader::TFormUpgrader(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormUpgrader"));
    setWindowTitle(QStringLiteral("Upgrade"));
    resize(420, 330);

    auto *btnLoadData = NewNamed<QPushButton>(this, "BtnLoadData", {8, 8, 130, 25});
    btnLoadData->setText(QStringLiteral("Open &file ..."));
    NewNamed<QLabel>(this, "LblFileName", {8, 40, 80, 20}, QStringLiteral("File name: "));
    auto *fileName = NewNamed<QLineEdit>(this, "EdtFileNameName", {90, 38, 320, 22});
    fileName->setReadOnly(true);
    fileName->setText(QStringLiteral("---"));

    auto *pnlInfo = NewNamed<QFrame>(this, "PnlInfo", {8, 66, 404, 60});
    auto *btnConnect = NewNamed<QPushButton>(pnlInfo, "BtBConnect", {4, 4, 90, 25});
    btnConnect->setText(QStringLiteral("Connect"));
    auto *pnlBootloader = NewNamed<QFrame>(pnlInfo, "PnlBootloader", {100, 2, 300, 26});
    NewNamed<QLabel>(pnlBootloader, "LblBootloaderCaption", {0, 4, 140, 20}, QStringLiteral("Bootloader Version:"));
    NewNamed<QLabel>(pnlBootloader, "LblBootloaderVer", {145, 4, 150, 20}, QStringLiteral("-"));
    auto *pnlFirmware = NewNamed<QFrame>(pnlInfo, "PnlFirmware", {100, 30, 300, 26});
    NewNamed<QLabel>(pnlFirmware, "LblFirmwareCaption", {0, 4, 140, 20}, QStringLiteral("Device Version:"));
    NewNamed<QLabel>(pnlFirmware, "LblFirmwareVer", {145, 4, 150, 20}, QStringLiteral("-"));

    auto *pnlDescription = NewNamed<QFrame>(this, "PnlDescription", {8, 130, 404, 56});
    NewNamed<QLabel>(pnlDescription, "LblDescDevice", {0, 4, 60, 20}, QStringLiteral("Device:"));
    auto *descDevice = NewNamed<QLineEdit>(pnlDescription, "EdtDescDevice", {64, 2, 336, 22});
    descDevice->setReadOnly(true);
    descDevice->setText(QStringLiteral("-"));
    NewNamed<QLabel>(pnlDescription, "LblDescFile", {0, 30, 60, 20}, QStringLiteral("File:"));
    auto *descFile = NewNamed<QLineEdit>(pnlDescription, "EdtDescFile", {64, 28, 336, 22});
    descFile->setReadOnly(true);
    descFile->setText(QStringLiteral("-"));

    auto *pnlUpdate = NewNamed<QFrame>(this, "PnlUpdate", {8, 190, 404, 32});
    auto *btnUpdate = NewNamed<QPushButton>(pnlUpdate, "BtnUpdate", {4, 3, 140, 25});
    btnUpdate->setText(QStringLiteral("Update firmware"));
    btnUpdate->setEnabled(false);

    NewNamed<QLabel>(this, "LblProgress", {8, 226, 100, 20}, QStringLiteral("Progress"));
    auto *progress = NewNamed<QProgressBar>(this, "PrBProgram", {8, 246, 404, 18});
    progress->setValue(0);
    auto *pnlTime = NewNamed<QFrame>(this, "PnlTime", {8, 268, 200, 22});
    NewNamed<QLabel>(pnlTime, "LblTimeCaption", {0, 2, 50, 18}, QStringLiteral("Time:"));
    NewNamed<QLabel>(pnlTime, "LblTime", {54, 2, 140, 18}, QString());
    pnlTime->hide();

    NewNamed<QLabel>(this, "LblComm", {8, 298, 50, 22}, QStringLiteral("&COMM:"));
    NewNamed<QComboBox>(this, "CmBCommNo", {60, 298, 90, 22});
    auto *btnOpen = NewNamed<QPushButton>(this, "BtnOpen", {156, 297, 70, 25});
    btnOpen->setText(QStringLiteral("&Open"));
    btnOpen->hide();
    btnOpen->setEnabled(false);

    auto *btnClose = NewNamed<QPushButton>(this, "BtnClose", {332, 297, 80, 25});
    btnClose->setText(QStringLiteral("Close"));

    connect(btnConnect, &QPushButton::clicked, this, [this] { BtBConnectClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { BtnCloseClick(); });
}

TFormUpgrader::~TFormUpgrader()
{
    if (::FormUpgrader == this)
        ::FormUpgrader = nullptr;
}

void TFormUpgrader::CheckConnection()
{
    FConnected = ConnectAndIdentify();
}

bool TFormUpgrader::ConnectAndIdentify()
{
    return false;
}

void TFormUpgrader::BtBConnectClick()
{
    if (FBusy)
        return;
    if (OnConnect)
        OnConnect();
}

void TFormUpgrader::BtnCloseClick()
{
    close();
}

void TFormUpgrader::closeEvent(QCloseEvent *event)
{
    if (FBusy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
