// The COM-port chooser: lists the serial ports of the ports folder with their
// devices, selects the current one and returns the chosen port number.
#pragma once

#include <QDialog>

class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TFrmSelectComPort : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmSelectComPort(QWidget *parent = nullptr);
    ~TFrmSelectComPort() override;

    QFrame *PnlStandard;
    QLineEdit *EdtComPort;
    QSpinBox *UpDComPort;
    QComboBox *CmBComPort;
    QFrame *PnlButtons;
    QPushButton *BtnSelectComPortOK;
    QPushButton *BtnSelectComPortCancel;

    // The chosen (on entry: the current) port number.
    int Port = 1;

    // Fills the list from the serial ports present and selects Port (item 0
    // when it is not present). Run when the window is shown.
    void FormShow();
    // Port := the number of the selected item.
    void BtnSelectComPortOKClick();

protected:
    void showEvent(QShowEvent *event) override;
};

extern TFrmSelectComPort *FrmSelectComPort;
