#include "windows/FrmSelectComPort.h"

#include "core/CommonConv.h"
#include "windows/NamedWidget.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

TFrmSelectComPort *FrmSelectComPort = nullptr;

namespace {
constexpr int DesignedWidth = 330;
}

TFrmSelectComPort::TFrmSelectComPort(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmSelectComPort"));
    setWindowTitle(QStringLiteral("Select port"));
    resize(DesignedWidth, 100);

    PnlStandard = NewNamed<QFrame>(this, "PnlStandard", {0, 0, 120, 50});
    EdtComPort = NewNamed<QLineEdit>(PnlStandard, "EdtComPort", {8, 14, 80, 22});
    UpDComPort = NewNamed<QSpinBox>(PnlStandard, "UpDComPort", {88, 14, 20, 22});
    UpDComPort->setRange(1, 255);
    CmBComPort = NewNamed<QComboBox>(this, "CmBComPort", {8, 14, DesignedWidth - 16, 22});
    PnlButtons = NewNamed<QFrame>(this, "PnlButtons", {0, 56, 170, 36});
    BtnSelectComPortOK = NewNamed<QPushButton>(PnlButtons, "BtnSelectComPortOK", {4, 4, 80, 25}, QStringLiteral("OK"));
    BtnSelectComPortCancel =
        NewNamed<QPushButton>(PnlButtons, "BtnSelectComPortCancel", {88, 4, 80, 25}, QStringLiteral("Cancel"));
    PnlStandard->hide();

    connect(BtnSelectComPortOK, &QPushButton::clicked, this, [this] {
        BtnSelectComPortOKClick();
        accept();
    });
    connect(BtnSelectComPortCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmSelectComPort::~TFrmSelectComPort()
{
    if (::FrmSelectComPort == this)
        ::FrmSelectComPort = nullptr;
}

void TFrmSelectComPort::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFrmSelectComPort::FormShow()
{
    QStringList names, descriptions;
    TCommonConv::EnumerateComPorts(names, &descriptions);
    CmBComPort->clear();
    const bool described = names.size() == descriptions.size();
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString text = described ? QStringLiteral("%1 - %2").arg(names.at(i), descriptions.at(i)) : names.at(i);
        CmBComPort->addItem(text, names.at(i).mid(3).toInt());
    }
    resize(described ? DesignedWidth : PnlStandard->width(), height());
    const int current = CmBComPort->findData(Port);
    CmBComPort->setCurrentIndex(current >= 0 ? current : (CmBComPort->count() > 0 ? 0 : -1));
    PnlButtons->move((width() - PnlButtons->width()) / 2, PnlButtons->y());

    BtnSelectComPortOK->setText(TranslateKey(QStringLiteral("strOK")));
    BtnSelectComPortCancel->setText(TranslateKey(QStringLiteral("strCancel")));
    setWindowTitle(TranslateKey(QStringLiteral("strSelectPort")));
}

void TFrmSelectComPort::BtnSelectComPortOKClick()
{
    if (CmBComPort->currentIndex() >= 0)
        Port = CmBComPort->currentData().toInt();
}
