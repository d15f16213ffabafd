// The installation card window: the workshop's data (kept in the program
// settings file), the car and engine, the installation's components and the
// settings read from the device; stored in card files (*.dkm), previewed and
// printed as an A4 page.
#pragma once

#include "windows/InstallationCard.h"

#include <QByteArray>
#include <QDialog>
#include <QHash>

#include <functional>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TFormMain;
class TQRpKarta;

class TFrmFirmInfo : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmFirmInfo(QWidget *parent = nullptr);
    ~TFrmFirmInfo() override;

    QTabWidget *PgCKarta;
    QWidget *TbSInformation, *TbSConfiguration;
    QPushButton *BtnPreview, *BtnPrint, *BtnSavePage, *BtnLoadPage, *BtnAnuluj, *BtnSaveFirma, *BtnReadFirma;
    QSpinBox *UpDCylindry, *UpDRok;
    QDateEdit *DtPData;
    QPlainTextEdit *MemInfDodatkowe;
    QComboBox *CmbRedType, *CmbInjType, *CmBNozle, *CmBNomTred, *CmBNomRPM;
    TQRpKarta *QRpKarta;

    // The edit of a card key ("EdtMarka", ...).
    QLineEdit *Edit(const char *name) const;

    // The file dialogs: the chosen file, empty when cancelled. Default: the
    // program's file dialogs in the data folder with the "(*.dkm)" filter.
    std::function<QString(bool save)> ChooseFile;
    // The pictures of the controller's model and map for the printed card.
    // Default: the main window's model and map charts (the map of its
    // kind-48 calibration pages for a kind-48 device, whose model is drawn
    // from the record as those pages draw it), drawn for the card's boxes.
    std::function<QImage()> ModelPicture;
    std::function<QImage()> MapPicture;

    void FormShow();
    void LoadCompanyData();
    void SaveCompanyData();
    // Fills the configuration page from the device record as last read.
    void UpdateData();
    // The window's fields as a card and back.
    TInstallationCard Card() const;
    void SetCard(const TInstallationCard &card);
    // Stores the card in / reads it from a file; a failure is shown naming
    // the file and what is wrong, and a refused file changes nothing.
    bool SavePage(const QString &fileName);
    bool LoadPage(const QString &fileName);
    // Copies the window's fields into the printed card.
    void UpdatePage();

    void BtnSavePageClick();
    void BtnLoadPageClick();
    void BtnPreviewClick();
    void BtnPrintClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The main window whose pages and lists the card shows.
    TFormMain *MainWindow() const;
    // The card's edits by key, kept where the pages lay them out.
    QHash<QByteArray, QLineEdit *> FEdits;
    // A number the window wrote into an edit: the text shown (in the
    // language shown) and the text a card's file holds for it (the user's
    // own locale's, or a loaded file's), so that the file is the same
    // whichever language shows it. An edit the user changed holds its own text.
    struct TShownNumber {
        QString Shown, Stored;
    };
    QHash<QByteArray, TShownNumber> FNumbers;
    void ShowNumber(const char *edit, const QString &shown, const QString &stored);
};

extern TFrmFirmInfo *FrmFirmInfo;

// The card window, created on first use with the texts of the language in use.
TFrmFirmInfo *InstallationCard(QWidget *parent);
// Creates the card window on first use and shows it modally.
void ShowInstallationCard(QWidget *parent);
// Creates the card window on first use, fills it as its showing does and
// shows the printed card's preview.
void PreviewInstallationCard(QWidget *parent);
