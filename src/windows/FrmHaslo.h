// The device-lock PIN dialog: asks for the numeric PIN that locks or unlocks
// the device (with a confirmation when locking).
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TYEdit;

class TFrmHaslo : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmHaslo(QWidget *parent = nullptr);
    ~TFrmHaslo() override;

    TYEdit *YEdHaslo;
    TYEdit *YEdPotwierdzHaslo;
    QLabel *LblHaslo;
    QLabel *LblHaslo2;
    QPushButton *BtBOK;
    QPushButton *BtBAnuluj;

    // Empties both edits, stores the minimal length and the locking flag,
    // shows the confirmation only when locking and sets the caption.
    void Prepare(bool locking, int minLength);
    // Accepts (modal result 1) when the PIN is long enough and, when locking,
    // confirmed; otherwise tells why and stays open. True when accepted.
    bool BtBOKClick();
    void BtBAnulujClick();

private:
    int FMinLength = 4;
    bool FLocking = false;
};

extern TFrmHaslo *FrmHaslo;

// Shows the PIN dialog modally; true on OK. pin receives the entered digits.
bool ExecuteLockDialog(bool locking, int minLength, QString &pin);
