#include "windows/FrmHaslo.h"

#include "controls/YEdit.h"
#include "core/LM.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "core/ui/TypedInput.h"
#include "windows/NamedWidget.h"

#include <QLabel>
#include <QPushButton>

TFrmHaslo *FrmHaslo = nullptr;

namespace {
constexpr int MaxPinLength = 9;
// The largest PIN the edit holds: MaxPinLength nines.
constexpr qint64 MaxPin = 999'999'999;

TYEdit *pinEdit(QWidget *parent, const char *name, QRect geometry)
{
    auto *edit = NewNamed<TYEdit>(parent, name, geometry);
    edit->SetEditCharsType(TYEdit::etInteger);
    edit->setMaxLength(MaxPinLength);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

void warn(const QString &text, const QString &caption)
{
    if (Common)
        Common->MessageDialogEx(text, caption, -1, -1, 0, {mbOK}, mtWarning);
}
} // namespace

TFrmHaslo::TFrmHaslo(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmHaslo"));
    setWindowTitle(QStringLiteral("Blokowanie urządzenia"));
    resize(260, 120);
    LblHaslo = NewNamed<QLabel>(this, "LblHaslo", {12, 16, 90, 20}, QStringLiteral("Hasło"));
    YEdHaslo = pinEdit(this, "YEdHaslo", {110, 14, 138, 22});
    LblHaslo2 = NewNamed<QLabel>(this, "LblHaslo2", {12, 46, 90, 20}, QStringLiteral("Potwierdź"));
    YEdPotwierdzHaslo = pinEdit(this, "YEdPotwierdzHaslo", {110, 44, 138, 22});
    BtBOK = NewNamed<QPushButton>(this, "BtBOK", {50, 84, 90, 25}, QStringLiteral("OK"));
    BtBAnuluj = NewNamed<QPushButton>(this, "BtBAnuluj", {150, 84, 90, 25}, QStringLiteral("Anuluj"));
    BtBOK->setDefault(true);
    connect(BtBOK, &QPushButton::clicked, this, [this] { BtBOKClick(); });
    connect(BtBAnuluj, &QPushButton::clicked, this, [this] { BtBAnulujClick(); });
}

TFrmHaslo::~TFrmHaslo()
{
    if (::FrmHaslo == this)
        ::FrmHaslo = nullptr;
}

void TFrmHaslo::Prepare(bool locking, int minLength)
{
    YEdHaslo->clear();
    YEdPotwierdzHaslo->clear();
    FMinLength = minLength;
    FLocking = locking;
    LblHaslo2->setVisible(locking);
    YEdPotwierdzHaslo->setVisible(locking);
    setWindowTitle(TranslateKey(locking ? QStringLiteral("strLocking") : QStringLiteral("strUnlocking")));
    YEdHaslo->setFocus();
}

bool TFrmHaslo::BtBOKClick()
{
    const QString pin = YEdHaslo->text();
    if (pin.size() < FMinLength) {
        // "Minimum length:" and the number stand apart in every language.
        QString minimum = TranslateKey(QStringLiteral("strPassword2"));
        if (!minimum.isEmpty() && !minimum.back().isSpace())
            minimum += QLatin1Char(' ');
        // The word after the number in the plural form the number takes.
        const QString key = QStringLiteral("strPassword3");
        const QString characters = LM ? LM->TranslatePlural(key, FMinLength) : TranslateKey(key);
        warn(TranslateKey(QStringLiteral("strPassword1")) + QLatin1Char(' ') + minimum
                 + QString::number(FMinLength) + characters + QStringLiteral("\r\n")
                 + TranslateKey(QStringLiteral("strTryAgain")),
             TranslateKey(QStringLiteral("strPassErr")));
        YEdHaslo->setFocus();
        return false;
    }
    // The PIN goes to the device as a number: a text that is none the field
    // holds ("12-34") is refused here, naming the field, and nothing is sent.
    if (!TypedInput::ReadInt(YEdHaslo, LblHaslo->text(), 0, MaxPin))
        return false;
    if (FLocking && YEdPotwierdzHaslo->text() != pin) {
        warn(TranslateKey(QStringLiteral("strPassword10")) + QStringLiteral("\r\n")
                 + TranslateKey(QStringLiteral("strTryAgain")),
             TranslateKey(QStringLiteral("strPassErr2")));
        YEdPotwierdzHaslo->setFocus();
        return false;
    }
    done(1);
    return true;
}

void TFrmHaslo::BtBAnulujClick()
{
    done(2);
}

bool ExecuteLockDialog(bool locking, int minLength, QString &pin)
{
    pin.clear();
    const bool created = FrmHaslo == nullptr;
    if (created)
        FrmHaslo = new TFrmHaslo();
    TFrmHaslo *dialog = FrmHaslo;
    // Its designed texts in the language in use.
    if (Custom)
        Custom->RegisterForm(dialog);
    dialog->Prepare(locking, minLength);
    const bool ok = ExecModal(dialog) == 1;
    pin = dialog->YEdHaslo->text();
    if (created)
        delete dialog; // clears FrmHaslo
    return ok;
}
