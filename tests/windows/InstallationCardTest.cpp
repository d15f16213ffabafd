// The installation card: its file written key by key and read back into a
// fresh window, damaged files refused with a message naming the file, the
// workshop's data in the settings file, and the printed page carrying the
// values (its PDF read back as text).
#include "common/GiveUp.h"
#include "windows/FrmFirmInfo.h"
#include "windows/NamedWidget.h"
#include "windows/QRpKarta.h"
#include "windows/WindowsTestSupport.h"

#include "core/AppConfig.h"
#include "core/IniFile.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "mainwindow/configuration/Model2Chart.h"
#include "mainwindow/StartupRig.h"

#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Every edit of the card gets a text of its own.
void fill(TFrmFirmInfo &form)
{
    for (int i = 0; i < TInstallationCard::EditCount; ++i)
        form.Edit(TInstallationCard::EditNames[size_t(i)])
            ->setText(QStringLiteral("%1 ząb-%2").arg(QString::fromLatin1(TInstallationCard::EditNames[size_t(i)])).arg(i));
    form.Edit("EdtCylindry")->setText("6");
    form.Edit("EdtRok")->setText("2011");
    form.DtPData->setDate(QDate(2026, 3, 14));
    form.MemInfDodatkowe->setPlainText("pierwsza linia\ndruga, z przecinkiem\n  trzecia");
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Card : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    BoxRecorder boxes;
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString write(const char *name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            ADD_FAILURE() << "cannot write " << name;
        return f.fileName();
    }
};

TEST_F(Card, SavedAndLoadedIntoAFreshWindowGivesBackEveryFieldOnce)
{
    TFrmFirmInfo first;
    fill(first);
    const QString file = path("card.dkm");
    first.ChooseFile = [&](bool save) { return save ? file : QString(); };
    first.BtnSavePage->click();
    ASSERT_TRUE(QFileInfo::exists(file));

    // The file: section "Page", keys in their order, date after "EdtCylindry",
    // the memo's line count and lines.
    TIniFile ini(file);
    ASSERT_EQ(ini.Load(), TIniFile::Status::Ok);
    const QStringList keys = ini.ReadSection("Page");
    ASSERT_EQ(keys.size(), TInstallationCard::EditCount + 1 + 1 + 3);
    EXPECT_EQ(keys[0], "EdtAdres");
    EXPECT_EQ(keys[5], "EdtCylindry");
    EXPECT_EQ(keys[6], "DtPData.Date");
    EXPECT_EQ(keys[7], "EdtD");
    EXPECT_EQ(keys[TInstallationCard::EditCount + 1], "MemIle");
    EXPECT_EQ(ini.ReadInteger("Page", "MemIle"), 3);
    EXPECT_EQ(ini.ReadString("Page", "MemStr2"), "trzecia");
    EXPECT_TRUE(readAll(file).contains("\r\n"));

    TFrmFirmInfo second;
    second.ChooseFile = [&](bool save) { return save ? QString() : file; };
    // Loading twice shows the card once.
    second.BtnLoadPage->click();
    second.BtnLoadPage->click();
    EXPECT_TRUE(boxes.Boxes.isEmpty());
    TInstallationCard expected = first.Card();
    expected.Memo[2] = "trzecia"; // INI values lose their leading blanks
    EXPECT_EQ(second.Card(), expected);
    EXPECT_EQ(second.MemInfDodatkowe->toPlainText().count("pierwsza"), 1);
    EXPECT_EQ(second.DtPData->date(), QDate(2026, 3, 14));
    EXPECT_EQ(second.UpDCylindry->value(), 6);

    // Every date the date field holds comes back, its first and last day too.
    for (const QDate date : {first.DtPData->minimumDate(), QDate(1899, 12, 31), first.DtPData->maximumDate()}) {
        first.DtPData->setDate(date);
        first.BtnSavePage->click();
        second.BtnLoadPage->click();
        EXPECT_EQ(second.DtPData->date(), date);
    }

    // A cancelled dialog changes nothing.
    second.ChooseFile = [](bool) { return QString(); };
    second.Edit("EdtMarka")->setText("kept");
    second.BtnLoadPage->click();
    EXPECT_EQ(second.Edit("EdtMarka")->text(), "kept");
}

TEST_F(Card, ReadAndWrittenInTheCodePageOfTheLanguage)
{
    struct Case {
        const char *language;
        QString shown; // of the bytes A3 F3 64 9F
    } const cases[] = {{"EN", QString::fromUtf8("£ódŸ")}, {"PL", QString::fromUtf8("Łódź")}};
    TLM lm;
    const struct Restore {
        TLM *saved = LM;
        ~Restore() { LM = saved; }
    } restore;
    LM = &lm;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.language);
        lm.Language = QString::fromLatin1(c.language);
        const QString file = write("coded.dkm", "[Page]\r\nEdtMarka=\xA3\xF3\x64\x9F\r\nMemIle=0\r\n");
        TFrmFirmInfo form;
        ASSERT_TRUE(form.LoadPage(file));
        EXPECT_EQ(form.Edit("EdtMarka")->text(), c.shown);
        const QString written = path(c.language);
        ASSERT_TRUE(form.SavePage(written));
        EXPECT_TRUE(readAll(written).contains("EdtMarka=\xA3\xF3\x64\x9F\r\n"));
    }
}

TEST_F(Card, MissingOrUnreadableKeysGiveEmptyFieldsTheDefaultDateAndNoLines)
{
    for (const QByteArray &rest : {QByteArray(), QByteArray("DtPData.Date=jutro\r\nMemIle=dwie\r\n"),
                                   QByteArray("MemIle=-3\r\nMemStr0=x\r\n")}) {
        const QString file = write("short.dkm", "[Page]\r\nEdtMarka=Fiat\r\n" + rest + "EdtPojemnosc=1598\r\n");
        TFrmFirmInfo form;
        fill(form);
        ASSERT_TRUE(form.LoadPage(file)) << rest.constData();
        EXPECT_TRUE(boxes.Boxes.isEmpty());
        EXPECT_EQ(form.Edit("EdtMarka")->text(), "Fiat");
        EXPECT_EQ(form.Edit("EdtPojemnosc")->text(), "1598");
        EXPECT_EQ(form.Edit("EdtModel")->text(), "");
        EXPECT_EQ(form.DtPData->date(), QDate(1996, 1, 1));
        EXPECT_EQ(form.MemInfDodatkowe->toPlainText(), "");
    }
    // Lines the count names but the file lacks are empty, however many.
    for (const int count : {5, 100}) {
        TFrmFirmInfo form;
        ASSERT_TRUE(form.LoadPage(write("lines.dkm", "[Page]\r\nMemIle=" + QByteArray::number(count) + "\r\nMemStr0=a\r\nMemStr1=b\r\nMemStr2=c\r\n")));
        EXPECT_EQ(form.Card().Memo, QStringList({"a", "b", "c"}) + QStringList(count - 3, QString())) << count;
    }
}

struct Damaged {
    const char *name;
    QByteArray bytes;
    int cutLine = 0; // of a file cut short
};

TEST_F(Card, DamagedFilesAreRefusedNamingTheFileAndChangeNothing)
{
    const Damaged files[] = {
        {"binary.dkm", QByteArray("[Page]\r\nEdtMarka=A\0B\r\n", 22)},
        {"foreign.dkm", "[Settings]\r\nComMultiPort=1\r\n"},
        {"count.dkm", "[Page]\r\nMemIle=2147483647\r\n"},
        // More lines than a card file can hold at their keys' real size.
        {"manylines.dkm", "[Page]\r\nMemIle=100000\r\n"},
        // One line more than 1 MiB holds at "MemStr<n>=" and a line end each.
        {"onetoomany.dkm", "[Page]\r\nMemIle=75692\r\n"},
        // Cut short in a value and in a section header.
        {"cut.dkm", "[Page]\r\nEdtMarka=Fiat\r\nEdtPojemnosc=1", 3},
        {"cutheader.dkm", "[Page]\r\nEdtMarka=Fiat\r\n[Pa", 3},
        {"cutsingle.dkm", "[Page]", 1},
    };
    TFrmFirmInfo form;
    fill(form);
    const TInstallationCard before = form.Card();
    for (const Damaged &d : files) {
        const QString file = write(d.name, d.bytes);
        boxes.Boxes.clear();
        EXPECT_FALSE(form.LoadPage(file)) << d.name;
        ASSERT_EQ(boxes.Boxes.size(), 1) << d.name;
        EXPECT_TRUE(boxes.Boxes[0].Text.contains(file)) << boxes.Boxes[0].Text.toStdString();
        EXPECT_GE(boxes.Boxes[0].Text.split("\r\n").size(), 3) << "what is wrong: " << boxes.Boxes[0].Text.toStdString();
        EXPECT_EQ(form.Card(), before) << d.name;
        if (d.cutLine > 0) {
            // Said as for a cut settings file (English without a language).
            QString cut = TranslateKey("strSetFileCut");
            if (cut.startsWith(QLatin1String("!_")))
                cut = QStringLiteral("The file is cut short: line %1 has no line end.");
            EXPECT_TRUE(boxes.Boxes[0].Text.contains(cut.arg(d.cutLine))) << boxes.Boxes[0].Text.toStdString();
        }
    }
    // A file that cannot be written is said so.
    boxes.Boxes.clear();
    EXPECT_FALSE(form.SavePage(path("no/such/folder/card.dkm")));
    ASSERT_EQ(boxes.Boxes.size(), 1);
    EXPECT_TRUE(boxes.Boxes[0].Text.contains("card.dkm"));

    // The most lines a card can name are saved so that they load back; a
    // card larger than the reader takes is not written, which is said.
    ASSERT_TRUE(form.LoadPage(write("most.dkm", "[Page]\r\nMemIle=75000\r\n")));
    ASSERT_TRUE(form.SavePage(path("most.dkm")));
    ASSERT_TRUE(form.LoadPage(path("most.dkm")));
    EXPECT_EQ(form.Card().Memo.size(), 75000);
    const QByteArray kept = readAll(path("most.dkm"));
    form.MemInfDodatkowe->setPlainText(QStringList(1000, QString(1100, u'x')).join(u'\n'));
    boxes.Boxes.clear();
    EXPECT_FALSE(form.SavePage(path("most.dkm")));
    ASSERT_EQ(boxes.Boxes.size(), 1);
    const QString said = boxes.Boxes[0].Text;
    EXPECT_TRUE(said.contains("most.dkm") && said.contains(QString::number(TIniFile::MaxFileSize))) << said.toStdString();
    EXPECT_EQ(readAll(path("most.dkm")), kept);
}

TEST_F(Card, WorkshopDataLivesInTheSettingsFileAndTheDeviceFillsTheSettings)
{
    startup::StartupRig rig(5);
    AppConfig->Initialize(ComMultiPort);
    RecordGuard record;
    DeviceRecord.InjSW = 6;
    DeviceRecord.RPM = 25;
    DeviceRecord.LowPT = 7;
    DeviceRecord.LowPD = 3;
    DeviceRecord.P1 = 4;
    DeviceRecord.E4 = -2;
    DeviceRecord.Mult = 1.25;
    DeviceRecord.Offset = 0.5;
    TFrmFirmInfo form;
    form.Edit("EdtNazwaFirmy")->setText("Warsztat Kowalski");
    form.Edit("EdtTelefon")->setText("123 456 789");
    form.BtnSaveFirma->click();
    EXPECT_TRUE(rig.IniText().contains("[Company]"));
    EXPECT_TRUE(rig.IniText().contains("ComMultiPort=5")) << "the settings stay";
    form.Edit("EdtNazwaFirmy")->clear();
    form.FormShow();
    EXPECT_EQ(form.Edit("EdtNazwaFirmy")->text(), "Warsztat Kowalski");
    EXPECT_EQ(form.Edit("EdtTelefon")->text(), "123 456 789");
    EXPECT_EQ(form.Edit("EdtWtryskiwaczeIlosc")->text(), "6");
    EXPECT_EQ(form.Edit("EdtRPM")->text(), "25");
    EXPECT_EQ(form.Edit("EdtBenzyna1")->text(), "7");
    EXPECT_EQ(form.Edit("EdtBenzyna2")->text(), "3");
    EXPECT_EQ(form.Edit("EdtTA")->text(), "4");
    EXPECT_EQ(form.Edit("EdtD")->text(), "-2");
    // In the notation of the language shown (the rig's Polish).
    ASSERT_EQ(LM->Language, "PL");
    EXPECT_EQ(form.Edit("EdtMULT")->text(), "1,3");
    EXPECT_EQ(form.Edit("EdtOFFSET")->text(), "0,5");
}

// The numbers the window writes (the model's multiplier and offset) show in
// the notation of the language shown, whatever the user's desktop, and the
// card's file holds them as it always has: in the desktop's notation. A
// file loaded back shows them in the language shown and is saved back byte
// for byte, also on a desktop of the other notation; a number the user
// typed is kept as typed.
TEST_F(Card, NumbersShowInTheLanguageShownAndTheFileIsWrittenAsEver)
{
    RecordGuard record;
    DeviceRecord.Mult = 1.25;
    DeviceRecord.Offset = -0.5;
    TLM lm;
    const struct Restore {
        TLM *saved = LM;
        const QLocale locale;
        ~Restore() { LM = saved, QLocale::setDefault(locale); }
    } restore;
    LM = &lm;
    for (const char *desktop : {"pl_PL", "en_US"})
        for (const char *language : {"EN", "PL"}) {
            SCOPED_TRACE(std::string(desktop) + " showing " + language);
            QLocale::setDefault(QLocale(QString::fromLatin1(desktop)));
            lm.Language = QString::fromLatin1(language);
            const QString shown = language == std::string("EN") ? "." : ",";
            const QString written = desktop == std::string("en_US") ? "." : ",";
            TFrmFirmInfo form;
            form.UpdateData();
            EXPECT_EQ(form.Edit("EdtMULT")->text(), "1" + shown + "3");
            EXPECT_EQ(form.Edit("EdtOFFSET")->text(), "-0" + shown + "5");
            const QString file = path("numbers.dkm");
            ASSERT_TRUE(form.SavePage(file));
            // What the card wrote before its numbers followed the language.
            TInstallationCard before;
            for (int i = 0; i < TInstallationCard::EditCount; ++i)
                before.Edits[size_t(i)] = form.Edit(TInstallationCard::EditNames[size_t(i)])->text();
            before.SetEdit("EdtMULT", "1" + written + "3");
            before.SetEdit("EdtOFFSET", "-0" + written + "5");
            before.Date = form.DtPData->date();
            QString error;
            ASSERT_TRUE(before.Save(path("before.dkm"), error)) << error.toStdString();
            const QByteArray bytes = readAll(file);
            EXPECT_EQ(bytes, readAll(path("before.dkm")));
            EXPECT_TRUE(bytes.contains("EdtMULT=1" + written.toLatin1() + "3\r\n")) << bytes.toStdString();

            // Loaded into a window of the other language on the other desktop.
            QLocale::setDefault(QLocale(QString::fromLatin1(desktop == std::string("en_US") ? "pl_PL" : "en_US")));
            lm.Language = QString::fromLatin1(language == std::string("EN") ? "PL" : "EN");
            const QString other = shown == "." ? "," : ".";
            TFrmFirmInfo loaded;
            ASSERT_TRUE(loaded.LoadPage(file));
            EXPECT_EQ(loaded.Edit("EdtMULT")->text(), "1" + other + "3");
            EXPECT_EQ(loaded.Edit("EdtOFFSET")->text(), "-0" + other + "5");
            ASSERT_TRUE(loaded.SavePage(path("again.dkm")));
            EXPECT_EQ(readAll(path("again.dkm")), bytes);
            // A number the user typed goes into the file as typed.
            loaded.Edit("EdtMULT")->setText("1" + other + "4");
            ASSERT_TRUE(loaded.SavePage(path("typed.dkm")));
            EXPECT_TRUE(readAll(path("typed.dkm")).contains("EdtMULT=1" + other.toLatin1() + "4\r\n"));
        }
}

TEST_F(Card, PrintedPageCarriesTheValuesAndItsPdfReadsBack)
{
    TFrmFirmInfo form;
    fill(form);
    form.Edit("EdtMarka")->setText("Skoda");
    form.Edit("EdtKodVIN")->setText("TMBJJ7NE8J0123456");
    form.Edit("EdtNazwaFirmy")->setText("Auto-Gaz Nowak");
    // The preview runs the same page: its dialog paints through the report.
    bool previewed = false;
    QPageSize::PageSizeId printedOn = QPageSize::Letter;
    SetModalExecHook([&](QDialog *dialog) {
        if (auto *preview = qobject_cast<QPrintPreviewDialog *>(dialog)) {
            previewed = true;
            // Whatever the printer was set to, the card goes on A4.
            preview->printer()->setPageSize(QPageSize(QPageSize::Letter));
            preview->show();
            printedOn = preview->printer()->pageLayout().pageSize().id();
            preview->hide();
        }
        return int(QDialog::Rejected);
    });
    form.BtnPreview->click();
    SetModalExecHook({});
    EXPECT_TRUE(previewed);
    EXPECT_EQ(printedOn, QPageSize::A4);
    EXPECT_EQ(form.QRpKarta->Value("QRLbMarkaVal")->text(), "Skoda");
    EXPECT_EQ(form.QRpKarta->Value("QRLbKodVINVal")->text(), "TMBJJ7NE8J0123456");
    EXPECT_EQ(form.QRpKarta->Value("QRLbNazwaFirmyVal")->text(), "Auto-Gaz Nowak");
    EXPECT_EQ(form.QRpKarta->Value("QRLbCylindryVal")->text(), "6");
    EXPECT_TRUE(form.QRpKarta->QRLbPrintDate->text().contains(QString::number(QDate::currentDate().year())));

    const QString pdf = path("card.pdf");
    ASSERT_TRUE(form.QRpKarta->WritePdf(pdf));
    const QByteArray bytes = readAll(pdf);
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    // Every page is A4 (595 x 842 points).
    const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
    int pages = 0;
    for (auto it = box.globalMatch(QString::fromLatin1(bytes)); it.hasNext(); ++pages) {
        const auto m = it.next();
        EXPECT_NEAR(m.captured(1).toDouble(), 595.3, 1.0);
        EXPECT_NEAR(m.captured(2).toDouble(), 841.9, 1.0);
    }
    EXPECT_GE(pages, 1);
    const QString tool = QStandardPaths::findExecutable("pdftotext");
    if (tool.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QProcess extract;
    extract.start(tool, {"-layout", pdf, "-"});
    ASSERT_TRUE(extract.waitForFinished(testsupport::GiveUpMs));
    const QString text = QString::fromUtf8(extract.readAllStandardOutput());
    for (const char *expected : {"Karta montażu sekwencyjnego wtrysku gazu", "Skoda", "TMBJJ7NE8J0123456",
                                 "Auto-Gaz Nowak", "Marka:", "2011", "druga, z przecinkiem", "EdtReduktor ząb-26"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    // One page.
    EXPECT_EQ(text.count(QLatin1Char('\f')), 1);
}

// The model-2 chart, as the card and the calibration page draw it: a value
// written beside a point at the chart's left or right edge or at its top
// shows whole, inside the plot.
TEST_F(Card, ModelChartValuesShowWholeAtTheChartsEdges)
{
    QWidget host;
    host.resize(300, 200);
    TModel2Chart chart(&host);
    chart.Series[TModel2Chart::sPoints] = {{0, 1.4}, {25, 26.4}};
    chart.Series[TModel2Chart::sIdle] = {{12, 34.6}};
    // The values' own pixels: what the chart with values adds to it without.
    chart.ShowValues = false;
    const QImage bare = host.grab().toImage();
    chart.ShowValues = true;
    const QImage marked = host.grab().toImage();
    ASSERT_EQ(bare.size(), marked.size());
    QFont font = host.font();
    font.setPixelSize(9);
    const QFontMetrics fm(font);
    const QRect plot = chart.PlotArea();
    struct Mark {
        const char *text;
        int from, to; // the columns the mark lies in
    };
    for (const Mark &m : {Mark{"1.4", 0, 100}, Mark{"34.6", 100, 200}, Mark{"26.4", 200, 300}}) {
        QRect drawn;
        for (int y = 0; y < bare.height(); ++y)
            for (int x = m.from; x < m.to; ++x)
                if (bare.pixel(x, y) != marked.pixel(x, y))
                    drawn |= QRect(x, y, 1, 1);
        const QString text = ToShownSeparator(QString::fromLatin1(m.text));
        EXPECT_GE(drawn.width(), fm.horizontalAdvance(text) - 2) << m.text << " is cut";
        EXPECT_TRUE(plot.contains(drawn)) << m.text;
    }
}

} // namespace
