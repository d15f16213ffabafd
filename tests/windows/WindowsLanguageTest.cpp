// Under the English language file the connection-status dialog, the about
// box, the injector test, the installation card (its printed page as well)
// and the port chooser show no Polish text.
#include "windows/FormAbout.h"
#include "windows/FormConnectStatus.h"
#include "windows/FormInjTest.h"
#include "windows/FrmFirmInfo.h"
#include "windows/FrmSelectComPort.h"
#include "windows/QRpKarta.h"
#include "windows/NamedWidget.h"
#include "windows/WindowsTestSupport.h"

#include "core/LM.h"
#include "core/ui/LMWidgetTexts.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

// Every text a person can read in the window (hidden parts included: they
// show in other states, or on the printed page).
QStringList textsOf(const QWidget &window)
{
    QStringList out{window.windowTitle()};
    for (const QLabel *l : window.findChildren<QLabel *>())
        out << l->text();
    for (const QAbstractButton *b : window.findChildren<QAbstractButton *>())
        out << b->text();
    for (const QGroupBox *g : window.findChildren<QGroupBox *>())
        out << g->title();
    for (const QTabWidget *t : window.findChildren<QTabWidget *>())
        for (int i = 0; i < t->count(); ++i)
            out << t->tabText(i);
    return out;
}

// Polish letters, and Polish words that carry none.
bool looksPolish(const QString &text)
{
    static const QRegularExpression polish(QStringLiteral("[ąćęłńóśźżĄĆĘŁŃÓŚŹŻ]|\\b(Zapisz|Odczytaj|Anuluj|Podgląd|Drukuj|Dane|"
                                                          "Konfiguracja|Marka|Wersja|Sterownik|Zamknij|Wykryj|Przebieg|"
                                                          "Adres|Telefon|Nazwa|Warsztat|Model sterownika|Zeruj|Wszystkie)\\b"));
    return polish.match(text).hasMatch();
}

TEST(WindowsLanguage, EnglishFileLeavesNoPolishText)
{
    TLM lm;
    lm.SetWindowTexts(std::make_unique<TLMWidgetTexts>());
    LM = &lm;
    RecordGuard record;
    DeviceRecord.DeviceKind = 0;
    TFormConnectStatus status;
    TFormAbout about;
    TFormInjTest test;
    TFrmFirmInfo card;
    TFrmSelectComPort ports;
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    status.Refresh();
    about.FormShow();
    ports.FormShow();
    card.UpdatePage();
    test.EvaluateInjectorTest();
    for (const QWidget *window : std::initializer_list<const QWidget *>{&status, &about, &test, &card, &ports}) {
        for (const QString &text : textsOf(*window)) {
            EXPECT_FALSE(looksPolish(text)) << window->objectName().toStdString() << ": " << text.toStdString();
            EXPECT_FALSE(text.startsWith("!_")) << window->objectName().toStdString() << ": " << text.toStdString();
        }
    }
    EXPECT_EQ(card.windowTitle(), "Installation card");
    EXPECT_EQ(card.QRpKarta->QRLbTitle->text(), "Sequential gas injection installation card");
    EXPECT_EQ(status.LblDevState->text(), "Not detected");

    // Back to Polish: the same components carry the Polish texts.
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("PL")));
    EXPECT_EQ(card.windowTitle(), "Karta montażu");
    EXPECT_EQ(test.BtBWriteGasInjTab->text(), "Zapisz");
    LM = nullptr;
}

} // namespace
