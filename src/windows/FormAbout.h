// The program information box: the program's version texts, the connected
// device's version, build time and serial number, and a copy of them to the
// clipboard.
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QFrame;

class TFormAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TFormAbout(QWidget *parent = nullptr);
    ~TFormAbout() override;

    QFrame *PnlFrmAboutInfo;
    QPlainTextEdit *MemInfoQV;
    QLabel *ImgIco;
    QLabel *ImageLogo;
    QLabel *LabelVersion, *LabelDate, *LabelDevice, *LblSN;
    QLabel *verProductName, *verFileVersion, *verInternalName;
    QLabel *verDeviceVersion, *verCompilationTime, *verSN;

    // The device's full version text and serial-number text: the data
    // manager's, read from the device (the serial only while connected).
    std::function<QString()> FormatVersion;
    std::function<QString()> FormatSerialNumber;
    // The program's build date: the date of the executable file.
    static QString ProgramDate();

    // Fills the box (run when it is shown): program version texts, and with
    // a device kind set the device's texts (read from the device when
    // connected), else "strUnknown" three times.
    void FormShow();
    // Puts the version lines on the clipboard and says so.
    void ImgIcoClick();
    // The lines ImgIcoClick copies.
    QString ClipboardText() const;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

extern TFormAbout *FormAbout;
