#include "upgrade/FormUpgrader.h"

#include "core/ComponentVersion.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

TFormUpgrader *FormUpgrader = nullptr;

namespace {
ComponentVersionRegistrar reg("FormUpgrader", "$Revision: 1 $",
                              "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");

template<class W>
W *named(QWidget *parent, const char *name, QRect geometry)
{
    auto *widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *l = named<QLabel>(parent, name, geometry);
    l->setText(text);
    return l;
}
} // namespace

TFormUpgrader::TFormUpgrader(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormUpgrader"));
    setWindowTitle(QStringLiteral("Upgrade"));
    resize(420, 330);

    auto *btnLoadData = named<QPushButton>(this, "BtnLoadData", {8, 8, 130, 25});
    btnLoadData->setText(QStringLiteral("Open &file ..."));
    label(this, "LblFileName", QStringLiteral("File name: "), {8, 40, 80, 20});
    auto *fileName = named<QLineEdit>(this, "EdtFileNameName", {90, 38, 320, 22});
    fileName->setReadOnly(true);
    fileName->setText(QStringLiteral("---"));

    auto *pnlInfo = named<QFrame>(this, "PnlInfo", {8, 66, 404, 60});
    auto *btnConnect = named<QPushButton>(pnlInfo, "BtBConnect", {4, 4, 90, 25});
    btnConnect->setText(QStringLiteral("Connect"));
    auto *pnlBootloader = named<QFrame>(pnlInfo, "PnlBootloader", {100, 2, 300, 26});
    label(pnlBootloader, "LblBootloaderCaption", QStringLiteral("Bootloader Version:"), {0, 4, 140, 20});
    label(pnlBootloader, "LblBootloaderVer", QStringLiteral("-"), {145, 4, 150, 20});
    auto *pnlFirmware = named<QFrame>(pnlInfo, "PnlFirmware", {100, 30, 300, 26});
    label(pnlFirmware, "LblFirmwareCaption", QStringLiteral("Device Version:"), {0, 4, 140, 20});
    label(pnlFirmware, "LblFirmwareVer", QStringLiteral("-"), {145, 4, 150, 20});

    auto *pnlDescription = named<QFrame>(this, "PnlDescription", {8, 130, 404, 56});
    label(pnlDescription, "LblDescDevice", QStringLiteral("Device:"), {0, 4, 60, 20});
    auto *descDevice = named<QLineEdit>(pnlDescription, "EdtDescDevice", {64, 2, 336, 22});
    descDevice->setReadOnly(true);
    descDevice->setText(QStringLiteral("-"));
    label(pnlDescription, "LblDescFile", QStringLiteral("File:"), {0, 30, 60, 20});
    auto *descFile = named<QLineEdit>(pnlDescription, "EdtDescFile", {64, 28, 336, 22});
    descFile->setReadOnly(true);
    descFile->setText(QStringLiteral("-"));

    auto *pnlUpdate = named<QFrame>(this, "PnlUpdate", {8, 190, 404, 32});
    auto *btnUpdate = named<QPushButton>(pnlUpdate, "BtnUpdate", {4, 3, 140, 25});
    btnUpdate->setText(QStringLiteral("Update firmware"));
    btnUpdate->setEnabled(false);

    label(this, "LblProgress", QStringLiteral("Progress"), {8, 226, 100, 20});
    auto *progress = named<QProgressBar>(this, "PrBProgram", {8, 246, 404, 18});
    progress->setValue(0);
    auto *pnlTime = named<QFrame>(this, "PnlTime", {8, 268, 200, 22});
    label(pnlTime, "LblTimeCaption", QStringLiteral("Time:"), {0, 2, 50, 18});
    label(pnlTime, "LblTime", QString(), {54, 2, 140, 18});
    pnlTime->hide();

    label(this, "LblComm", QStringLiteral("&COMM:"), {8, 298, 50, 22});
    named<QComboBox>(this, "CmBCommNo", {60, 298, 90, 22});
    auto *btnOpen = named<QPushButton>(this, "BtnOpen", {156, 297, 70, 25});
    btnOpen->setText(QStringLiteral("&Open"));
    btnOpen->hide();
    btnOpen->setEnabled(false);

    auto *btnClose = named<QPushButton>(this, "BtnClose", {332, 297, 80, 25});
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
