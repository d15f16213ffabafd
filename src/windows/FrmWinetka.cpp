#include "windows/FrmWinetka.h"

#include "core/CustomParameters.h"
#include "core/LM.h"
#include "windows/NamedWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

TFrmWinetka *FrmWinetka = nullptr;

namespace {

std::function<qint64()> &splashClock()
{
    static std::function<qint64()> clock;
    return clock;
}

qint64 nowMs()
{
    if (splashClock())
        return splashClock()();
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

constexpr int PlainWidth = 360;
constexpr int PlainHeight = 160;
} // namespace

TFrmWinetka::TFrmWinetka(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("FrmWinetka"));
    setWindowTitle(QStringLiteral("Uruchamianie programu..."));
    resize(PlainWidth, PlainHeight);
    ImGObrazek = NewNamed<QLabel>(this, "ImGObrazek", {0, 0, PlainWidth, PlainHeight});
    LblProgram = NewNamed<QLabel>(this, "LblProgram", {0, 40, PlainWidth, 40});
    LblProgram->setAlignment(Qt::AlignCenter);
    QFont big = LblProgram->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    LblProgram->setFont(big);
    LblFirma = NewNamed<QLabel>(this, "LblFirma", {0, 84, PlainWidth, 20});
    LblFirma->setAlignment(Qt::AlignCenter);
    LblStatus = NewNamed<QLabel>(this, "LblStatus", {8, PlainHeight - 28, PlainWidth - 140, 20});
    BtnCancel = NewNamed<QPushButton>(this, "BtnCancel", {PlainWidth - 128, PlainHeight - 32, 120, 25},
                                      QStringLiteral("[Esc] = Off-line"));
    BtnCancel->hide();
    connect(BtnCancel, &QPushButton::clicked, this, [this] {
        if (CancelHandler)
            CancelHandler(BtnCancel);
    });
}

TFrmWinetka::~TFrmWinetka()
{
    if (::FrmWinetka == this)
        ::FrmWinetka = nullptr;
}

void TFrmWinetka::LoadPicture()
{
    QPixmap picture;
    FHasPicture = LM && LM->LoadCommonPicture(picture, QStringLiteral("w2"), QStringLiteral(".reg"));
    if (FHasPicture && !picture.isNull()) {
        ImGObrazek->setPixmap(picture);
        ImGObrazek->setGeometry(0, 0, picture.width(), picture.height());
        ImGObrazek->show();
        LblProgram->hide();
        LblFirma->hide();
        resize(picture.size());
    } else {
        FHasPicture = false;
        ImGObrazek->hide();
        LblProgram->show();
        resize(PlainWidth, PlainHeight);
    }
    LblStatus->setGeometry(8, height() - 28, width() - 140, 20);
    BtnCancel->move(width() - 128, height() - 32);
}

void TFrmWinetka::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && BtnCancel->isVisible()) {
        BtnCancel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ShowSplash()
{
    if (!FrmWinetka)
        FrmWinetka = new TFrmWinetka();
    const QString product = TCustomParameters::GetProductName(19, false);
    FrmWinetka->setWindowTitle(product);
    FrmWinetka->LblProgram->setText(product);
    FrmWinetka->LoadPicture();
    FrmWinetka->show();
    FrmWinetka->raise();
    FrmWinetka->repaint();
    FrmWinetka->ShownAt = nowMs();
}

void HideSplash()
{
    if (!FrmWinetka)
        return;
    TFrmWinetka *splash = FrmWinetka;
    FrmWinetka = nullptr;
    splash->hide();
    delete splash;
}

bool SplashOffLineRequested()
{
    return false;
}

void SetSplashCancelHandler(std::function<void(QObject *sender)> handler)
{
    if (FrmWinetka)
        FrmWinetka->CancelHandler = std::move(handler);
}

void SetSplashStatus(const QString &text, bool connected)
{
    if (!FrmWinetka)
        return;
    FrmWinetka->LblStatus->setText(text);
    const bool showCancel = nowMs() - FrmWinetka->ShownAt > 1000 && !connected && FrmWinetka->CancelHandler;
    FrmWinetka->BtnCancel->setVisible(showCancel);
    if (showCancel)
        FrmWinetka->BtnCancel->setFocus();
    FrmWinetka->repaint();
}

void SetSplashClock(std::function<qint64()> clock)
{
    splashClock() = std::move(clock);
}
