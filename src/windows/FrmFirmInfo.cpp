#include "windows/FrmFirmInfo.h"

#include "core/AppConfig.h"
#include "core/CustomParameters.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/IniFile.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "mainwindow/configuration/ConfigurationPage.h"
#include "mainwindow/configuration/Model2Chart.h"
#include "mainwindow/shell/FormMain.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/MultiConfigurationPages.h"
#include "windows/MultiCalModelPage.h"
#include "windows/NamedWidget.h"
#include "windows/QRpKarta.h"

#include <QCheckBox>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QDateEdit>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>

TFrmFirmInfo *FrmFirmInfo = nullptr;

namespace {

// A number of the card in the notation of a locale: the language shown's
// on screen, the user's own in the card's file (as cards have always been
// written). Both round alike, so the two differ in the separator only.
QString cardNumber(double value, int decimals, QLocale locale)
{
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

// The edits the window writes a number into (the model's multiplier and
// offset).
constexpr const char *NumberEdits[] = {"EdtMULT", "EdtOFFSET"};

const QString CompanySection = QStringLiteral("Company");

// A caption and its edit on a page.
struct Field {
    const char *label, *caption, *edit;
    int x, y, labelWidth, editWidth;
};

constexpr Field InformationFields[] = {
    {"LblNazwaFirmy", "Nazwa firmy", "EdtNazwaFirmy", 8, 30, 104, 182},
    {"LblAdres", "Adres", "EdtAdres", 8, 56, 104, 182},
    {"LblTelefon", "Telefon", "EdtTelefon", 8, 82, 104, 182},
    {"LblEmail", "E-mail", "EdtEmail", 8, 108, 104, 182},
    {"LblMarka", "Marka", "EdtMarka", 310, 30, 130, 160},
    {"LblModel", "Model", "EdtModel", 310, 56, 130, 160},
    {"LblMoc", "Moc [KM]", "EdtMoc", 310, 82, 130, 160},
    {"LblCylindry", "Liczba cylindrów", "EdtCylindry", 310, 108, 130, 60},
    {"LblRok", "Rok produkcji", "EdtRok", 310, 134, 130, 60},
    {"LblKodVIN", "Numer VIN", "EdtKodVIN", 310, 160, 130, 160},
    {"LblKodSilnika", "Kod silnika", "EdtKodSilnika", 310, 186, 130, 160},
    {"LblPojemnosc", "Pojemność [cm3]", "EdtPojemnosc", 310, 238, 130, 160},
    {"LblCzasWtrysku", "Czas wtrysku [ms]", "EdtCzasWtrysku", 310, 264, 130, 160},
    {"LblPrzebieg", "Przebieg [km]", "EdtPrzebieg", 310, 290, 130, 160},
};

constexpr Field ConfigurationFields[] = {
    {"LblTemp", "Temperatura przełączenia", "EdtTemp", 8, 12, 184, 172},
    {"LblRPM", "Obroty przełączenia", "EdtRPM", 8, 38, 184, 172},
    {"LblWtryskiwaczeIlosc", "Liczba wtryskiwaczy", "EdtWtryskiwaczeIlosc", 8, 64, 184, 172},
    {"LblImpulsy", "Źródło impulsów", "EdtImpulsy", 8, 90, 184, 172},
    {"LblPoziom", "Czujnik poziomu gazu", "EdtPoziom", 8, 116, 184, 172},
    {"LblBenzyna1", "Powrót na benzynę: ciśnienie", "EdtBenzyna1", 8, 142, 184, 172},
    {"LblBenzyna2", "Powrót na benzynę: czas", "EdtBenzyna2", 8, 168, 184, 172},
    {"LblWtryskiwacze", "Typ wtryskiwaczy", "EdtWtryskiwacze", 8, 194, 184, 172},
    {"LblReduktor", "Reduktor", "EdtReduktor", 8, 220, 184, 172},
    {"LblFiltrFL", "Filtr fazy lotnej", "EdtFiltrFL", 8, 246, 184, 172},
    {"LblFiltrFC", "Filtr fazy ciekłej", "EdtFiltrFC", 8, 272, 184, 172},
    {"LblDysze", "Dysze [mm]", "EdtDysze", 8, 298, 184, 172},
    {"LblCisnienieNom", "Ciśnienie nominalne [bar]", "EdtCisnienieNom", 8, 324, 184, 172},
    {"LblMULT", "MULT", "EdtMULT", 376, 12, 56, 64},
    {"LblOFFSET", "OFFSET", "EdtOFFSET", 376, 38, 56, 64},
    {"LblTA", "TA [ms]", "EdtTA", 376, 78, 56, 64},
    {"LblTB", "TB [ms]", "EdtTB", 376, 104, 56, 64},
    {"LblTC", "TC [ms]", "EdtTC", 376, 130, 56, 64},
    {"LblTD", "TD [ms]", "EdtTD", 376, 156, 56, 64},
    {"LblA", "A [%]", "EdtA", 506, 78, 40, 60},
    {"LblB", "B [%]", "EdtB", 506, 104, 40, 60},
    {"LblC", "C [%]", "EdtC", 506, 130, 40, 60},
    {"LblD", "D [%]", "EdtD", 506, 156, 40, 60},
};

// Value label of the printed card <- the window's edit it pairs with.
struct Pair {
    const char *value, *edit;
};
constexpr Pair PrintPairs[] = {
    {"QRLbMarkaVal", "EdtMarka"},
    {"QRLbRokVal", "EdtRok"},
    {"QRLbMarkaModelVal", "EdtModel"},
    {"QRLbKodVINVal", "EdtKodVIN"},
    {"QRLbKodSilnikaVal", "EdtKodSilnika"},
    {"QRLbPojVal", "EdtPojemnosc"},
    {"QRLbMocVal", "EdtMoc"},
    {"QRLbCylindryVal", "EdtCylindry"},
    {"QRLbPrzebiegVal", "EdtPrzebieg"},
    {"QRLbSrCzasVal", "EdtCzasWtrysku"},
    {"QRLbReduktorVal", "EdtReduktor"},
    {"QRLbFiltrLotnejVal", "EdtFiltrFL"},
    {"QRLbFiltrCieklejVal", "EdtFiltrFC"},
    {"QRLbDyszeVal", "EdtDysze"},
    {"QRLbCisnienieVal", "EdtCisnienieNom"},
    {"QRLbPrzelaczanieTempVal", "EdtTemp"},
    {"QRLbPRzelaczanieRPMVal", "EdtRPM"},
    {"QRLbWtryskiwaczeIleVal", "EdtWtryskiwaczeIlosc"},
    {"QRLbZrodloImpVal", "EdtImpulsy"},
    {"QRLbWtryskiwaczeTypVal", "EdtWtryskiwacze"},
    {"QRLbGazCzujnikVal", "EdtPoziom"},
    {"QRLbPrzelaczBarVal", "EdtBenzyna1"},
    {"QRLbPrzelaczSekVal", "EdtBenzyna2"},
    {"QRLbNazwaFirmyVal", "EdtNazwaFirmy"},
    {"QRLbAdresVal", "EdtAdres"},
    {"QRLbTelefonVal", "EdtTelefon"},
    {"QRLbEmailVal", "EdtEmail"},
};

// Lays out the fields on a page; each edit is kept under its name.
void addFields(QWidget *page, const Field *fields, size_t count, QHash<QByteArray, QLineEdit *> &edits)
{
    for (size_t i = 0; i < count; ++i) {
        const Field &f = fields[i];
        NewNamed<QLabel>(page, f.label, {f.x, f.y + 3, f.labelWidth, 18}, QString::fromUtf8(f.caption));
        edits.insert(QByteArray(f.edit), NewNamed<QLineEdit>(page, f.edit, {f.x + f.labelWidth + 4, f.y, f.editWidth, 22}));
    }
}

// Each edit shows its text from the start, as it is read (setting a text
// leaves the cursor, and so the view, at its end).
void showFromStart(const QHash<QByteArray, QLineEdit *> &edits)
{
    for (QLineEdit *edit : edits)
        edit->setCursorPosition(0);
}

// The list of that name on the configuration page the device's kind shows:
// the kind-48 window's page for a kind-48 device, else the main window's.
QComboBox *configurationList(const TFormMain *main, const char *name)
{
    if (DeviceRecord.DeviceKind == 48 && FrmMultiConfigurationTaronQV && FrmMultiConfigurationTaronQV->BasePage) {
        const TMultiConfigBasePage *page = FrmMultiConfigurationTaronQV->BasePage;
        for (QComboBox *list : {page->CmbKnfInjType, page->CmbKnfRPMSource, page->CmbKnfLevelSensorType, page->CmBKnfNomTred})
            if (list && list->objectName() == QLatin1String(name))
                return list;
    }
    return main ? qobject_cast<QComboBox *>(main->OwnPanel(name)) : nullptr;
}

// The text of the configuration page's list item that stands for a device
// code: the item carrying the code as its data in a list of the edition's
// codes, else the item at that row (lists whose rows are the codes).
QString mainListItem(const TFormMain *main, const char *name, int code)
{
    const QComboBox *list = configurationList(main, name);
    if (!list || code < 0)
        return QString();
    const int row = list->itemData(0).isValid() ? list->findData(code) : code;
    return row >= 0 && row < list->count() ? list->itemText(row) : QString();
}

// The size a chart is drawn at for a box of the printed card: the box's
// proportions and a quarter larger, so that its labels keep a size that
// reads on paper and its plot keeps the room the labels leave.
QSize cardChartSize(QSize box) { return box * 5 / 4; }

// A kind-48 device's model drawn for a box of the printed card as its
// calibration page draws it, from the record. The page's own chart holds the
// model only once the page has been entered; the record holds it from the
// connection on. Drawn at the size the card shows it (inside the box's
// frame), so that its small fixed-size labels are not scaled down.
QImage kind48ModelPicture(QSize box)
{
    if (!DevData || box.width() <= 4 || box.height() <= 4)
        return QImage();
    QWidget host;
    host.resize(box - QSize(4, 4));
    auto *chart = new TModel2Chart(&host);
    TMultiCalModelPage::DrawModel(*chart);
    const auto *window = FrmMultiCalibrationTaronQV;
    chart->ShowValues = !window || !window->Model || window->Model->ChBModel2ShowValues->isChecked();
    return host.grab().toImage();
}

// A chart of the main window, of its kind-48 calibration pages for a kind-48
// device, drawn for a box of the printed card.
QImage cardChart(const TFormMain *main, const char *name, QSize box)
{
    QWidget *widget = nullptr;
    if (main && DeviceRecord.DeviceKind == 48 && main->WindowServices.Kind48CalibrationComponent)
        widget = qobject_cast<QWidget *>(main->WindowServices.Kind48CalibrationComponent(QString::fromLatin1(name)));
    if (!widget && main)
        widget = main->OwnPanel(name);
    auto *view = qobject_cast<QChartView *>(widget);
    if (!view || !view->chart() || !view->chart()->scene() || box.isEmpty())
        return QImage();
    // The chart itself is drawn, laid out for the card: a view on a page not
    // shown yet would not pass a resize on to its chart.
    QChart *chart = view->chart();
    // The card's numbers, its charts' too, in the language shown.
    ChartNumbersIn(chart, ShownLocale());
    const QSizeF shown = chart->size();
    const QSize size = cardChartSize(box);
    chart->resize(size);
    // A chart lays itself out on a posted request: before it is drawn.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    chart->scene()->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), chart->sceneBoundingRect());
    painter.end();
    chart->resize(shown);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return image;
}

// An up-down that steps the number in its edit.
void bindUpDown(QSpinBox *upDown, QLineEdit *edit)
{
    upDown->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    upDown->setStyleSheet(QStringLiteral("QSpinBox { color: transparent; }"));
    QObject::connect(upDown, &QSpinBox::valueChanged, edit, [edit](int value) {
        if (edit->text() != QString::number(value))
            edit->setText(QString::number(value));
    });
    QObject::connect(edit, &QLineEdit::textChanged, upDown, [upDown](const QString &text) {
        bool ok = false;
        const int value = text.toInt(&ok);
        if (ok && value >= upDown->minimum() && value <= upDown->maximum()) {
            const QSignalBlocker block(upDown);
            upDown->setValue(value);
        }
    });
}

} // namespace

TFrmFirmInfo::TFrmFirmInfo(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmFirmInfo"));
    setWindowTitle(QStringLiteral("Karta montażu"));
    resize(640, 470);

    PgCKarta = NewNamed<QTabWidget>(this, "PgCKarta", {8, 8, 624, 414});
    TbSInformation = NewTabPage(PgCKarta, "TbSInformation", QStringLiteral("Dane"));
    TbSConfiguration = NewTabPage(PgCKarta, "TbSConfiguration", QStringLiteral("Konfiguracja"));
    addFields(TbSInformation, InformationFields, std::size(InformationFields), FEdits);
    addFields(TbSConfiguration, ConfigurationFields, std::size(ConfigurationFields), FEdits);
    NewNamed<QLabel>(TbSInformation, "LblFirma", {8, 8, 280, 18}, QStringLiteral("Warsztat"));
    NewNamed<QLabel>(TbSInformation, "LblSamochod", {310, 8, 280, 18}, QStringLiteral("Samochód"));
    BtnSaveFirma = NewNamed<QPushButton>(TbSInformation, "BtnSaveFirma", {116, 136, 88, 25}, QStringLiteral("Zapisz"));
    BtnReadFirma =
        NewNamed<QPushButton>(TbSInformation, "BtnReadFirma", {208, 136, 90, 25}, QStringLiteral("Odczytaj"));

    UpDCylindry = NewNamed<QSpinBox>(TbSInformation, "UpDCylindry", {508, 108, 18, 22});
    UpDCylindry->setRange(0, 99);
    UpDRok = NewNamed<QSpinBox>(TbSInformation, "UpDRok", {508, 134, 18, 22});
    UpDRok->setRange(1960, QDate::currentDate().year());
    bindUpDown(UpDCylindry, Edit("EdtCylindry"));
    bindUpDown(UpDRok, Edit("EdtRok"));
    Edit("EdtCylindry")->setText(QStringLiteral("4"));
    Edit("EdtRok")->setText(QStringLiteral("2000"));

    NewNamed<QLabel>(TbSInformation, "LblData", {310, 215, 130, 18}, QStringLiteral("Data montażu"));
    DtPData = NewNamed<QDateEdit>(TbSInformation, "DtPData", {444, 212, 160, 22});
    DtPData->setCalendarPopup(true);
    DtPData->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DtPData->setDate(QDate::currentDate());
    NewNamed<QLabel>(TbSInformation, "LblInfDodatkowe", {8, 172, 280, 18}, QStringLiteral("Informacje dodatkowe"));
    MemInfDodatkowe = NewNamed<QPlainTextEdit>(TbSInformation, "MemInfDodatkowe", {8, 192, 290, 180});

    // Laid out with the configuration page; the card does not use them.
    CmbRedType = NewNamed<QComboBox>(TbSConfiguration, "CmbRedType", {300, 220, 120, 22});
    CmbInjType = NewNamed<QComboBox>(TbSConfiguration, "CmbInjType", {300, 194, 120, 22});
    CmBNozle = NewNamed<QComboBox>(TbSConfiguration, "CmBNozle", {300, 298, 120, 22});
    CmBNomTred = NewNamed<QComboBox>(TbSConfiguration, "CmBNomTred", {300, 12, 120, 22});
    CmBNomRPM = NewNamed<QComboBox>(TbSConfiguration, "CmBNomRPM", {300, 38, 120, 22});
    for (QComboBox *unused : {CmbRedType, CmbInjType, CmBNozle, CmBNomTred, CmBNomRPM})
        unused->hide();

    BtnPreview = NewNamed<QPushButton>(this, "BtnPreview", {8, 432, 80, 28}, QStringLiteral("Podgląd"));
    BtnPrint = NewNamed<QPushButton>(this, "BtnPrint", {92, 432, 80, 28}, QStringLiteral("Drukuj"));
    BtnSavePage = NewNamed<QPushButton>(this, "BtnSavePage", {196, 432, 110, 28}, QStringLiteral("Zapisz kartę"));
    BtnLoadPage = NewNamed<QPushButton>(this, "BtnLoadPage", {310, 432, 120, 28}, QStringLiteral("Odczytaj kartę"));
    BtnAnuluj = NewNamed<QPushButton>(this, "BtnAnuluj", {552, 432, 80, 28}, QStringLiteral("Anuluj"));

    QRpKarta = new TQRpKarta(this);

    connect(BtnReadFirma, &QPushButton::clicked, this, &TFrmFirmInfo::LoadCompanyData);
    connect(BtnSaveFirma, &QPushButton::clicked, this, &TFrmFirmInfo::SaveCompanyData);
    connect(BtnSavePage, &QPushButton::clicked, this, &TFrmFirmInfo::BtnSavePageClick);
    connect(BtnLoadPage, &QPushButton::clicked, this, &TFrmFirmInfo::BtnLoadPageClick);
    connect(BtnPreview, &QPushButton::clicked, this, &TFrmFirmInfo::BtnPreviewClick);
    connect(BtnPrint, &QPushButton::clicked, this, &TFrmFirmInfo::BtnPrintClick);
    connect(BtnAnuluj, &QPushButton::clicked, this, &QDialog::reject);

    ChooseFile = [this](bool save) {
        const QString folder = AppConfig ? AppConfig->DataFolder() : QString();
        const QString filter = QStringLiteral("(*.dkm)");
        QFileDialog dialog(this, QString(), folder, filter);
        dialog.setObjectName(save ? QStringLiteral("DlgSavePage") : QStringLiteral("DlgLoadPage"));
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(save ? QStringLiteral("DKM") : QStringLiteral("dkm"));
        return ExecModal(&dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().first()
                   : QString();
    };
    ModelPicture = [this] {
        const QSize box = QRpKarta->QRImgModel->size();
        return DeviceRecord.DeviceKind == 48 ? kind48ModelPicture(box) : cardChart(MainWindow(), "ChtModel", box);
    };
    MapPicture = [this] { return cardChart(MainWindow(), "ChtMapa", QRpKarta->QRImgMap->size()); };
}

TFrmFirmInfo::~TFrmFirmInfo()
{
    if (::FrmFirmInfo == this)
        ::FrmFirmInfo = nullptr;
}

TFormMain *TFrmFirmInfo::MainWindow() const
{
    // Opened from the main window, it is its parent.
    auto *main = qobject_cast<TFormMain *>(parentWidget());
    return main ? main : FormMain;
}

QLineEdit *TFrmFirmInfo::Edit(const char *name) const
{
    return FEdits.value(QByteArray(name));
}

void TFrmFirmInfo::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFrmFirmInfo::FormShow()
{
    LoadCompanyData();
    UpdateData();
}

void TFrmFirmInfo::LoadCompanyData()
{
    if (!AppConfig)
        return;
    TIniFile ini(AppConfig->IniFileName());
    const TIniFile::Status status = ini.Load();
    if (status != TIniFile::Status::Ok && status != TIniFile::Status::NotFound) {
        if (Common)
            Common->ShowError(ini.ErrorString());
        return;
    }
    Edit("EdtNazwaFirmy")->setText(ini.ReadString(CompanySection, QStringLiteral("Name")));
    Edit("EdtAdres")->setText(ini.ReadString(CompanySection, QStringLiteral("Adress")));
    Edit("EdtTelefon")->setText(ini.ReadString(CompanySection, QStringLiteral("Phone")));
    Edit("EdtEmail")->setText(ini.ReadString(CompanySection, QStringLiteral("Email")));
}

void TFrmFirmInfo::SaveCompanyData()
{
    if (!AppConfig)
        return;
    TIniFile ini(AppConfig->IniFileName());
    const TIniFile::Status status = ini.Load();
    if (status == TIniFile::Status::Ok || status == TIniFile::Status::NotFound) {
        ini.WriteString(CompanySection, QStringLiteral("Name"), Edit("EdtNazwaFirmy")->text());
        ini.WriteString(CompanySection, QStringLiteral("Adress"), Edit("EdtAdres")->text());
        ini.WriteString(CompanySection, QStringLiteral("Phone"), Edit("EdtTelefon")->text());
        ini.WriteString(CompanySection, QStringLiteral("Email"), Edit("EdtEmail")->text());
        if (ini.Save() == TIniFile::Status::Ok)
            return;
    }
    if (Common)
        Common->ShowError(ini.ErrorString());
}

void TFrmFirmInfo::UpdateData()
{
    LoadCompanyData();
    const TDeviceRecord &r = DeviceRecord;
    UpDCylindry->setValue(r.InjSW);
    Edit("EdtCylindry")->setText(QString::number(r.InjSW));
    Edit("EdtWtryskiwaczeIlosc")->setText(QString::number(r.InjSW));
    // A type the edition does not list still has its name.
    QString injector = mainListItem(MainWindow(), "CmbKnfInjType", r.InjTypeName);
    if (injector.isEmpty())
        injector = TCustomParameters::InjectorTypeName(r.InjTypeName);
    Edit("EdtWtryskiwacze")->setText(injector);
    const std::vector<int> &tred = TConfigurationPage::NomTredValues;
    const auto at = std::find(tred.begin(), tred.end(), int(r.T));
    if (at != tred.end())
        Edit("EdtTemp")->setText(mainListItem(MainWindow(), "CmBKnfNomTred", int(at - tred.begin())));
    Edit("EdtRPM")->setText(QString::number(r.RPM));
    Edit("EdtBenzyna1")->setText(QString::number(r.LowPT));
    Edit("EdtBenzyna2")->setText(QString::number(r.LowPD));
    Edit("EdtImpulsy")->setText(mainListItem(MainWindow(), "CmbKnfRPMSource", r.RPMsource));
    Edit("EdtPoziom")->setText(mainListItem(MainWindow(), "CmbKnfLevelSensorType", r.ReserveType));
    const qint32 thresholds[] = {r.P1, r.P2, r.P3, r.P4};
    const qint32 enrichments[] = {r.E1, r.E2, r.E3, r.E4};
    const char *thresholdEdits[] = {"EdtTA", "EdtTB", "EdtTC", "EdtTD"};
    const char *enrichmentEdits[] = {"EdtA", "EdtB", "EdtC", "EdtD"};
    for (int i = 0; i < 4; ++i) {
        Edit(thresholdEdits[i])->setText(QString::number(thresholds[i]));
        Edit(enrichmentEdits[i])->setText(QString::number(enrichments[i]));
    }
    // Shown in the language shown, kept in a card's file as the user's own
    // locale writes them.
    ShowNumber("EdtMULT", cardNumber(r.Mult, 1, ShownLocale()), cardNumber(r.Mult, 1, QLocale()));
    ShowNumber("EdtOFFSET", cardNumber(r.Offset, 1, ShownLocale()), cardNumber(r.Offset, 1, QLocale()));
    showFromStart(FEdits);
}

void TFrmFirmInfo::ShowNumber(const char *edit, const QString &shown, const QString &stored)
{
    FNumbers.insert(QByteArray(edit), TShownNumber{shown, stored});
    Edit(edit)->setText(shown);
}

TInstallationCard TFrmFirmInfo::Card() const
{
    TInstallationCard card;
    for (int i = 0; i < TInstallationCard::EditCount; ++i) {
        const char *name = TInstallationCard::EditNames[size_t(i)];
        const QString text = Edit(name)->text();
        // A number the window wrote goes into the file as the file holds it;
        // a text the user typed as typed.
        const auto number = FNumbers.constFind(QByteArray(name));
        card.Edits[size_t(i)] = number != FNumbers.cend() && number->Shown == text ? number->Stored : text;
    }
    card.Date = DtPData->date();
    const QString memo = MemInfDodatkowe->toPlainText();
    if (!memo.isEmpty())
        card.Memo = memo.split(QLatin1Char('\n'));
    return card;
}

void TFrmFirmInfo::SetCard(const TInstallationCard &card)
{
    for (int i = 0; i < TInstallationCard::EditCount; ++i)
        Edit(TInstallationCard::EditNames[size_t(i)])->setText(card.Edits[size_t(i)]);
    // A number field holding one number (with either separator) shows it in
    // the language shown and keeps the file's text for the next save.
    static const QRegularExpression number(QStringLiteral("^([-+]?\\d+)[.,](\\d+)$"));
    for (const char *name : NumberEdits) {
        FNumbers.remove(QByteArray(name));
        const QString stored = card.Edit(name);
        if (const QRegularExpressionMatch m = number.match(stored); m.hasMatch())
            ShowNumber(name, m.captured(1) + ShownLocale().decimalPoint() + m.captured(2), stored);
    }
    DtPData->setDate(card.Date);
    MemInfDodatkowe->setPlainText(card.Memo.join(QLatin1Char('\n')));
    showFromStart(FEdits);
}

bool TFrmFirmInfo::SavePage(const QString &fileName)
{
    QString error;
    if (Card().Save(fileName, error))
        return true;
    if (Common)
        Common->ShowError(error);
    return false;
}

bool TFrmFirmInfo::LoadPage(const QString &fileName)
{
    TInstallationCard card;
    QString error;
    if (!card.Load(fileName, error)) {
        if (Common)
            Common->ShowError(error);
        return false;
    }
    // The memo is replaced, not added to: a second load shows one card.
    SetCard(card);
    return true;
}

void TFrmFirmInfo::BtnSavePageClick()
{
    const QString file = ChooseFile ? ChooseFile(true) : QString();
    if (!file.isEmpty())
        SavePage(file);
}

void TFrmFirmInfo::BtnLoadPageClick()
{
    const QString file = ChooseFile ? ChooseFile(false) : QString();
    if (!file.isEmpty())
        LoadPage(file);
}

void TFrmFirmInfo::UpdatePage()
{
    for (const Pair &p : PrintPairs)
        QRpKarta->SetValue(p.value, Edit(p.edit)->text());
    QRpKarta->SetValue("QRLbDateVal", QLocale().toString(DtPData->date(), QLocale::ShortFormat));
    QRpKarta->SetValue("QRLbModelUstVal", QStringLiteral("%1 / %2").arg(Edit("EdtMULT")->text(), Edit("EdtOFFSET")->text()));
    QStringList thresholds, enrichments;
    for (const char *name : {"EdtTA", "EdtTB", "EdtTC", "EdtTD"})
        thresholds << Edit(name)->text();
    for (const char *name : {"EdtA", "EdtB", "EdtC", "EdtD"})
        enrichments << Edit(name)->text();
    QRpKarta->SetValue("QRLbProgiVal", thresholds.join(QLatin1Char('/')) + QStringLiteral("  |  ")
                                           + enrichments.join(QLatin1Char('/')));
    QRpKarta->SetValue("QRLbIdleVal", DeviceRecord.DeviceKind != 0 && DeviceRecord.IdleHotTb != 0
                                          ? FormatDecimals(RawToTimeMs(DeviceRecord.IdleHotTb), 2) + QStringLiteral(" ms")
                                          : QString());
    QRpKarta->QRMemInfDodatkoweVal->setText(MemInfDodatkowe->toPlainText());
    QString printed = TranslateKey(QStringLiteral("strPrintDate"));
    if (printed.startsWith(QLatin1String("!_")))
        printed = QStringLiteral("Data wydruku:");
    QRpKarta->QRLbPrintDate->setText(printed + QLatin1Char(' ')
                                     + QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    QRpKarta->SetModelImage(ModelPicture ? ModelPicture() : QImage());
    QRpKarta->SetMapImage(MapPicture ? MapPicture() : QImage());
}

void TFrmFirmInfo::BtnPreviewClick()
{
    UpdatePage();
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("PreviewKarta"));
    preview.setWindowTitle(windowTitle());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *target) { QRpKarta->Print(*target); });
    ExecModal(&preview);
}

void TFrmFirmInfo::BtnPrintClick()
{
    UpdatePage();
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintKarta"));
    if (ExecModal(&dialog) == QDialog::Accepted)
        QRpKarta->Print(printer);
}

TFrmFirmInfo *InstallationCard(QWidget *parent)
{
    if (!FrmFirmInfo) {
        FrmFirmInfo = new TFrmFirmInfo(parent);
        // Created after the language was loaded: its texts come now.
        ApplyCurrentLanguage();
    }
    return FrmFirmInfo;
}

void ShowInstallationCard(QWidget *parent)
{
    ExecModal(InstallationCard(parent));
}

void PreviewInstallationCard(QWidget *parent)
{
    TFrmFirmInfo *card = InstallationCard(parent);
    card->FormShow();
    card->BtnPreviewClick();
}
