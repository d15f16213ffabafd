// The main window's designed layout: components by name with their kind and
// caption, the page structure, the geometry rules the resize logic relies
// on, and a picture of every main page for a person to look at.
#include "controls/DigitalDisplay.h"
#include "controls/DipSwitch.h"
#include "controls/PaintShape.h"
#include "controls/YEdit.h"
#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/FormMainLayout.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtCharts/QChartView>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

class FormMainLayoutTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Window = new TFormMain;
        // Page controls size their pages when the window is laid out.
        Window->show();
        QCoreApplication::processEvents();
    }
    static void TearDownTestSuite()
    {
        delete Window;
        Window = nullptr;
    }

    template <typename T> static T *Get(const char *name)
    {
        T *object = Window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(object, nullptr) << name << " missing or not of the expected class";
        return object;
    }

    static QString Text(QObject *o)
    {
        if (auto *a = qobject_cast<QAction *>(o))
            return a->text();
        if (auto *l = qobject_cast<QLabel *>(o))
            return l->text();
        if (auto *b = qobject_cast<QAbstractButton *>(o))
            return b->text();
        if (auto *g = qobject_cast<QGroupBox *>(o))
            return g->title();
        if (auto *d = qobject_cast<TDigitalDisplay *>(o))
            return d->Caption();
        return QString();
    }

    static QStringList TabTexts(const char *pageControl)
    {
        QStringList texts;
        if (auto *tabs = Get<QTabWidget>(pageControl))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->widget(i)->objectName() + QLatin1Char('=') + tabs->tabText(i);
        return texts;
    }

    static QStringList Items(const char *combo)
    {
        QStringList items;
        if (auto *c = Get<QComboBox>(combo))
            for (int i = 0; i < c->count(); ++i)
                items << c->itemText(i);
        return items;
    }

    // The name of the i-th component of a table entry.
    static QString EntryName(const FormMainLayout::Entry &e, int i)
    {
        const QString name = QString::fromLatin1(e.name);
        return name.contains(QLatin1String("%1")) ? name.arg(i) : name;
    }

    static bool HiddenInDesign(QWidget *w) { return w && w->isHidden(); }

    // A point of a widget in the coordinates of another widget it shares a
    // window with.
    static QPoint MapTo(QWidget *from, QWidget *to, QPoint p = {})
    {
        return to->mapFromGlobal(from->mapToGlobal(p));
    }

    static inline TFormMain *Window = nullptr;
};

TEST_F(FormMainLayoutTest, WindowIsAMainWindowWithMenuCentralAreaAndStatusBar)
{
    EXPECT_EQ(Window->objectName(), QStringLiteral("FormMain"));
    EXPECT_NE(Window->menuBar(), nullptr);
    EXPECT_EQ(Window->menuBar()->objectName(), QStringLiteral("MainMenu"));
    ASSERT_NE(Window->centralWidget(), nullptr);
    EXPECT_GE(Window->centralWidget()->width(), 780);
    EXPECT_GE(Window->centralWidget()->height(), 496);
    EXPECT_TRUE(Window->FailedBindings().isEmpty()) << Window->FailedBindings().join(QLatin1Char('\n')).toStdString();
}

TEST_F(FormMainLayoutTest, NamedComponentsAreUnique)
{
    QStringList wrong;
    for (const FormMainLayout::Entry &e : FormMainLayout::Table()) {
        for (int i = 1; i <= std::max(1, e.count); ++i) {
            const QString name = EntryName(e, i);
            if (name.isEmpty())
                continue;
            const qsizetype n = Window->findChildren<QObject *>(name).size()
                                + (Window->objectName() == name ? 1 : 0);
            if (n != 1)
                wrong << QStringLiteral("%1 x%2").arg(name).arg(n);
        }
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1Char(' ')).toStdString();
}

TEST_F(FormMainLayoutTest, MainPagesInTabOrderWithCaptions)
{
    EXPECT_EQ(TabTexts("PgCMain"),
              (QStringList{"TbSMeasure=Odczyty (F2)", "TbSMultiConfiguration=Konfiguracja (F3)",
                           "TbSConfig=Konfiguracja (F3)",
                           "TbSConfigurator=Asystent konfiguracji (F3)",
                           "TbSCalibration=Kalibracja (F4)", "TbSMultiCalibration=Kalibracja (F4)",
                           "TbSSchema=Schemat (F5)", "TbSQuickStart=Start (F5)",
                           "TbSDiagnostic=Diagnostyka (F6)", "TbSTests=TESTY",
                           "TbSRecords=Ewidencja (F7)", "TbSAdapter=Adapter (F7)"}));
    auto *main = Get<QTabWidget>("PgCMain");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->currentWidget()->objectName(), QStringLiteral("TbSMeasure"));
    // Every page is built and visible as a tab; the device adaptation hides
    // the ones a device does not use.
    for (int i = 0; i < main->count(); ++i)
        EXPECT_TRUE(main->isTabVisible(i)) << i;
}

TEST_F(FormMainLayoutTest, NestedPageControlsInOrderAndStartPages)
{
    auto names = [](const char *pageControl) {
        QStringList list;
        for (const QString &t : TabTexts(pageControl))
            list << t.section(QLatin1Char('='), 0, 0);
        return list;
    };
    EXPECT_EQ(names("PgCCalibration"),
              (QStringList{"TbSCalAuto", "TbSCalModel2", "TbSCalModel", "TbSCalMap",
                           "TbSCalCorrections", "TbSCalAdaptation"}));
    EXPECT_EQ(TabTexts("PgCDiagnostyka"),
              (QStringList{"TbSDgnOscyloskop=Rejestrator (Shift+F8)",
                           "TbSDgnErrorCodes=Kody błędów (Shift+F9)",
                           "TbSDgnAdvance=" + Get<QTabWidget>("PgCDiagnostyka")->tabText(2)}));
    EXPECT_EQ(names("PgCAdapterMain"),
              (QStringList{"TbSAdapterMultiInfo", "TbSAdapterMultiOBD", "TbSAdapterMultiAIO"}));
    EXPECT_EQ(names("PgCConfiguration"), (QStringList{"TbSCnfBase", "TbSCnfAdvance"}));
    EXPECT_EQ(names("PgCConfWizard"),
              (QStringList{"TbSConfBased", "TbSConfSwitching", "TbSConfAdvanced",
                           "TbSConfAutoCal", "TbSConfFinish"}));
    EXPECT_EQ(names("PgCModel2Model"), (QStringList{"TbSModel2Model", "TbSModel2Adaptation"}));
    EXPECT_EQ(names("PgCCorrType"), (QStringList{"TbSMapCorr", "TbSLinearCorr"}));
    EXPECT_TRUE(names("PgCOBDAdaptationCorr").startsWith(QStringLiteral("TbSOBDAdaptCorrBank1")));

    // Sub-pages shown first, as the window's creation selects them.
    const std::pair<const char *, const char *> start[] = {
        {"PgCConfiguration", "TbSCnfBase"},     {"PgCConfWizard", "TbSConfBased"},
        {"PgCCalibration", "TbSCalModel2"},     {"PgCModel2Model", "TbSModel2Model"},
        {"PgCDiagnostyka", "TbSDgnErrorCodes"}, {"PgCOBDAdaptationCorr", "TbSOBDAdaptCorrBank1"},
        {"PgCCorrType", "TbSMapCorr"}};
    for (const auto &[control, page] : start) {
        if (auto *tabs = Get<QTabWidget>(control)) {
            EXPECT_EQ(tabs->currentWidget()->objectName(), QLatin1String(page)) << control;
        }
    }

    // The service page holds the injector-control and freeze-frame sheets;
    // "Serwis" and "Prąd" are hidden tabs, "TestTab" is shown.
    auto *tests = Get<QWidget>("TbSTests");
    ASSERT_NE(tests, nullptr);
    QTabWidget *inner = tests->findChild<QTabWidget *>();
    ASSERT_NE(inner, nullptr);
    QStringList captions;
    for (int i = 0; i < inner->count(); ++i)
        captions << inner->tabText(i) + (inner->isTabVisible(i) ? "" : " (hidden)");
    EXPECT_TRUE(captions.contains("Serwis (hidden)"));
    EXPECT_TRUE(captions.contains(QString::fromUtf8("Prąd (hidden)")));
    EXPECT_TRUE(captions.contains("TestTab"));
    EXPECT_NE(inner->findChild<QWidget *>("TbsTestInjControl"), nullptr);
    EXPECT_NE(inner->findChild<QWidget *>("TbSFreezedFrames"), nullptr);
}

TEST_F(FormMainLayoutTest, StartUpAndLiveReadingComponents)
{
    // Colour and display lists of the window's creation.
    for (const char *name :
         {"DgDOdcPetrol", "DgDOdcLPG", "DgDOdcRPM", "DgDOdcTred", "DgDOdcTgaz", "DgDOdcPsys",
          "DgDOdcPcol", "DgDOdcLambda", "DgDModPetrol", "DgDModLPG", "DgDModRPM", "DgDModTred",
          "DgDModTgaz", "DgDModPsys", "DgDModPcol", "DgDCalRPM", "DgDCalMapPcol", "DgDCalMapRPM",
          "DgDDgnCzas", "DgDDgnAdvPetrol", "DgDDgnAdvGas", "DgDDgnAdvRPM", "DgDDgnAdvPsys",
          "DgDDgnAdvPcol", "DgDDgnAdvTred", "DgDDgnAdvTgas", "DgDConfGasElementsRPM",
          "DgDConfGasElementsLambda", "DgDConfAutoRPM", "DgDConfAutoPcol", "DgDConfAutoPsys",
          "DgDConfAutoTred", "DgDConfAutoPetrol", "DgDConfAutoGas", "DgDDgnTb", "DgDDgnTg",
          "DgDDgnPsys", "DgDDgnPcol", "DgDDgnTempG", "DgDDgnTempR", "DgDDgnRPM", "DgDDgnWybor1",
          "DgDDgnWybor2", "DgDTestVariable"})
        Get<TDigitalDisplay>(name);
    for (const char *name :
         {"PnlB1", "PnlB2", "PnlOdcPanel", "PnlOdcPanelStan", "PnlOdcTinj", "PnlOdcRPM",
          "PnlOdcValues", "PnlKnfBase", "PnlKnfAdvance", "PnlCalAutoRPM", "PnlCalAutoMain",
          "PnlConfiguratorMain", "PnlCalModel2Main", "PnlCalModel1Main", "PnlMapaMain",
          "PanelOscDisplays", "PnlOscLabels", "PnlOscDigs", "PnlOdcTroubleCode", "PnlDgnAdvance",
          "PnlConfAutoCalReadings", "PnlConfWSwitching", "PnlConfWAdvanced", "PnlModel1Controls",
          "PnlModel2WithIdlePoints", "PnlModel2ModelControls", "PnlModel2AdaptControls",
          "PnlCalCorrections", "PnlModel2Params", "PnlOdcTinjPetrol", "PnlOdcTinjLPG"})
        Get<TCaptionPanel>(name);
    for (const char *name : {"LblModLambdaPnl", "LblOdcLambdaPnl", "LblDgnAdvLambdaPnl",
                             "LblOdcVbat", "LblKnfSugNozle", "LblEngineLoad", "LblOdcTNomRed"})
        Get<QLabel>(name);
    Get<QTimer>("Timerek");
    Get<QTimer>("TimerMapa");
    EXPECT_EQ(Get<QTimer>("Timerek")->interval(), 200);
    EXPECT_EQ(Get<QTimer>("TimerMapa")->interval(), 2500);
    EXPECT_FALSE(Get<QTimer>("Timerek")->isActive());

    Get<QChartView>("ChtOdcWskTb");
    Get<QChartView>("ChtOdcWskTg");
    Get<QChartView>("ChtMapa");
    Get<QChartView>("ChtMapa2");
    Get<QChartView>("ChtMapaQ3");
    Get<QChartView>("ChtModel");
    Get<QWidget>("ChtModel2");
    EXPECT_EQ(Get<QSlider>("TrBMod2MaxTb")->maximum(), 25);
    Get<QLineEdit>("EdtChtModel2Keyboard");

    // Bars and their ranges.
    for (int i = 1; i <= 8; ++i) {
        const QByteArray petrol = "PrBOdcPetrol" + QByteArray::number(i);
        const QByteArray gas = "PrBOdcLPG" + QByteArray::number(i);
        auto *p = Get<QProgressBar>(petrol.constData());
        auto *g = Get<QProgressBar>(gas.constData());
        ASSERT_TRUE(p && g);
        EXPECT_EQ(p->maximum(), 6000);
        EXPECT_EQ(g->maximum(), 6000);
        for (const char *prefix : {"LblOdcWskTb", "LblOdcWskTg", "LblOdcGasInjCorr",
                                   "LblDgnAdvPetrol", "LblDgnAdvGas"})
            Get<QLabel>((QByteArray(prefix) + QByteArray::number(i)).constData());
        Get<TDipSwitch>(("DpSSwitchCh" + QByteArray::number(i)).constData());
        Get<QCheckBox>(("ChBModCorrectionMask" + QByteArray::number(i)).constData());
        Get<QCheckBox>(("ChBModel2CorrectionMask" + QByteArray::number(i)).constData());
    }
    Get<TDipSwitch>("DpSValve");
    EXPECT_EQ(Get<QProgressBar>("PrBOdcRPM")->maximum(), 8000);
    EXPECT_EQ(Get<QProgressBar>("PrBOdcPsys")->maximum(), 255);
    EXPECT_TRUE(HiddenInDesign(Get<QWidget>("PnlOdcInjMarkPetrol")));
    EXPECT_TRUE(HiddenInDesign(Get<QWidget>("PnlOdcInjMarkLPG")));
    EXPECT_TRUE(HiddenInDesign(Get<QWidget>("PnlOdcGasInjCorr")));
    EXPECT_EQ(Items("CmbOdcInjDisplay").size(), 1);
    EXPECT_EQ(Get<QComboBox>("CmbOdcInjDisplay")->currentIndex(), 0);
    // The model page shows either the lambda bar or the manifold pressure.
    EXPECT_NE(HiddenInDesign(Get<QWidget>("PnlModLambda")), HiddenInDesign(Get<QWidget>("PnlModPcol")));
    for (const char *name : {"PnlOdcPanelP1", "PnlOdcPanelP2", "PnlOdcPanelP3", "PnlOdcPanelP4",
                             "PnlOdcPanelR"})
        Get<TCaptionPanel>(name);
    EXPECT_EQ(Text(Get<QLabel>("LblPanelG")), QStringLiteral("G"));
    // The model-2 live readouts and the OBD adaptation grids.
    EXPECT_EQ(Get<QTableWidget>("StGOBDAdaptCorrsBank1")->rowCount(), 10);
    EXPECT_EQ(Get<QTableWidget>("StGOBDAdaptCorrsBank2")->columnCount(), 10);
    EXPECT_EQ(Get<QTableWidget>("StGOBDAdaptBank1LoadThresholds")->rowCount(), 10);
    EXPECT_EQ(Get<QTableWidget>("StGOBDAdaptBank2RPMThresholds")->columnCount(), 10);
}

TEST_F(FormMainLayoutTest, ConnectionAndStatusBarComponents)
{
    QStatusBar *bar = Window->statusBar();
    ASSERT_NE(bar, nullptr);
    const std::pair<const char *, const char *> panels[] = {
        {"PnlStatus", "Urządzenie niepodłączone"},
        {"PnlStatusOffline", "OFF-LINE"},
        {"PnlStatusLock", "Urządzenie zablokowane"}};
    for (const auto &[name, caption] : panels) {
        auto *p = Get<TCaptionPanel>(name);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->Caption(), QString::fromUtf8(caption));
        EXPECT_TRUE(bar->isAncestorOf(p)) << name;
    }
    EXPECT_TRUE(HiddenInDesign(Get<QWidget>("PnlStatusOffline")));
    EXPECT_TRUE(HiddenInDesign(Get<QWidget>("PnlStatusLock")));
    EXPECT_FALSE(HiddenInDesign(Get<QWidget>("PnlStatus")));
    for (const char *name :
         {"PnlStatusVer", "PnlStatusText", "PnlStatusAutoConnect", "PnlStatusGazSwitch",
          "PnlStatusGazSwitchText", "PnlStatusDeviceInfo", "PnlStatusMapAdaptationActive",
          "PnlStatusOBDAdaptationActive", "PnlStatusCorrMapActive", "PnlStatusCorrectionRPM",
          "PnlStatusCorrectionPcol", "PnlStatusCorrectionTgas", "PnlStatusCorrectionPsys"}) {
        auto *p = Get<TCaptionPanel>(name);
        if (p) {
            EXPECT_TRUE(bar->isAncestorOf(p)) << name;
        }
    }
    auto *lamp = Get<TPaintShape>("ShpStatusGazState");
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(lamp->parentWidget()->objectName(), QStringLiteral("PnlStatusGazSwitch"));
    EXPECT_EQ(Text(Get<QToolButton>("SpBStatusDeviceInfo")), QStringLiteral("----"));
    EXPECT_EQ(Get<QWidget>("LblStatusAutoConnect")->parentWidget()->objectName(),
              QStringLiteral("PnlStatusText"));

    EXPECT_EQ(Text(Get<TCaptionPanel>("PnlOdcDevOffline")), QStringLiteral("Tryb OFF-LINE"));
    EXPECT_EQ(Text(Get<TCaptionPanel>("PnlOdcDevLock")),
              QString::fromUtf8("URZĄDZENIE ZABLOKOWANE"));
    Get<TCaptionPanel>("PnlOdcNavTwtr");
    Get<QPushButton>("BtnQSAutoConnect");
    Get<QCheckBox>("ChBQSOffline");
    Get<QCheckBox>("ChBQSAutoSearch");
    Get<QPushButton>("BtnQSUnlock");
    EXPECT_TRUE(Get<QCheckBox>("ChBQSDeviceUpgradeInfo")->isChecked());
}

TEST_F(FormMainLayoutTest, MenusWithCaptionsShortcutsAndOrder)
{
    const struct {
        const char *name, *caption, *key;
    } items[] = {
        {"MnIFilePrintSch", "Drukuj schemat...", "Ctrl+P"},
        {"MnIFileSaveAs", "Zapisz konfigurację jako...", "Ctrl+S"},
        {"MnIFileLoadCnf", "Wczytaj ustawienia z pliku...", "Ctrl+O"},
        {"MnIFileExit", "&Koniec", "Alt+F4"},
        {"MnIDeviceConnect", "Połącz automatycznie", "Ctrl+R"},
        {"MnIDeviceCOM_X", "COM ...", "Alt+0"},
        {"MnIDeviceOffline", "Off-line", "Ctrl+E"},
        {"MnIDeviceAutoSearch", "Wyszukiwanie portów", "Ctrl+W"},
        {"MnIDeviceStart", "&Start", ""},
        {"MnIDeviceStop", "&Stop", ""},
        {"MnIDeviceLock", "Zablokuj", ""},
        {"MnIDeviceUnlock", "Odblokuj", ""},
        {"MnIDeviceReset", "Przywróć ustawienia fabryczne / Reset", ""},
        {"MnIDeviceUpgradeFirmware", "Aktualizacja sterownika...", ""},
        {"MnIDeviceUpgradeInfo", "Przypomnienie o aktualizacji", ""},
        {"MnIWindowFullScreen", "Pełny rozmiar", ""},
        {"MnIWindowRestoreScreen", "Przywróć rozmiar", ""},
        {"MnIHelpAbout", "O programie...", "F1"},
        {"MnIHelpHelp1", "Pomoc do programu", ""},
        {"MnIHelpHelp2", "Instrukcja montażu", ""},
        {"MnIHelpDocs", "Dokumentacja", ""},
        {"MnIUpgradeFirmware", "Aktualizacja sterownika...", ""},
        {"MnIWindowMeasure", nullptr, "F2"},
        {"MnIWindowCnfBasic", nullptr, "Ctrl+F8"},
        {"MnIWindowCnfAdv", nullptr, "Ctrl+F9"},
        {"MnIWindowDgnOscyloskop", nullptr, "Shift+F8"},
        {"MnIWindowDgnTroubleCodes", nullptr, "Shift+F9"},
        {"MnIWindowDgnAdvanced", nullptr, "Shift+F10"},
        {"MnIWindowDiagnostic", nullptr, "F6"},
        {"MnIWindowAdapter", nullptr, "F7"},
    };
    for (const auto &item : items) {
        auto *a = Get<QAction>(item.name);
        if (!a)
            continue;
        if (item.caption) {
            EXPECT_EQ(a->text(), QString::fromUtf8(item.caption)) << item.name;
        }
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(item.key))) << item.name;
    }
    EXPECT_TRUE(Get<QAction>("MnIDeviceOffline")->isCheckable());
    EXPECT_TRUE(Get<QAction>("MnIDeviceAutoSearch")->isCheckable());
    EXPECT_TRUE(Get<QAction>("MnIDeviceUpgradeInfo")->isChecked());
    for (const char *hidden : {"MnIDeviceStart", "MnIDeviceStop", "MnIHelpHelp1", "MnIHelpHelp2"}) {
        EXPECT_FALSE(Get<QAction>(hidden)->isVisible()) << hidden;
        EXPECT_FALSE(Get<QAction>(hidden)->isEnabled()) << hidden;
    }
    EXPECT_EQ(Get<QMenu>("MenuDevice")->title(), QStringLiteral("&Urządzenie"));
    EXPECT_EQ(Get<QMenu>("MenuLang")->title(), QString::fromUtf8("&Język"));
    EXPECT_EQ(Get<QMenu>("MenuHelp")->title(), QStringLiteral("Pomo&c"));
    EXPECT_FALSE(Get<QMenu>("MenuHelp")->menuAction()->isVisible());

    // Every window-menu page item the page jumps name exists.
    for (const char *name :
         {"MnIWindowConfig", "MnIConfigurator", "MnIWindowMultiConfiguration",
          "MnIWindowCalibration", "MnIWindowMultiCalibration", "MnIWindowSchema",
          "MnIWindowQuickStart", "MnIWindowCalAuto", "MnIWindowMultiCalbrationAuto",
          "MnIWindowCalModel", "MnIWindowMultiCalibrationModel", "MnIWindowCalMap",
          "MnIWindowMultiCalibrationMap", "MnIWindowCalCorrections",
          "MnIWindowMultiCalibrationCorrections", "MnIWindowSep2", "MnIWindowSep3"})
        Get<QAction>(name);

    // The eighteen language items, in menu order, hidden until the edition shows them.
    const QStringList languages = {
        "MnILangPolish", "MnILangEnglish", "MnILangLithuanian", "MnILangRussian",
        "MnILangCzech", "MnILangGerman", "MnILangItalian", "MnILangTurkish",
        "MnILangCroatian", "MnILangFrench", "MnILangTurkish_Veluto", "MnILangNederlands",
        "MnILangSpanish", "MnILangPortuguese", "MnILangSpanish_Pravik", "MnILangThai",
        "MnILangBulgarian", "MnILangGreek"};
    QStringList inMenu;
    for (QAction *a : Get<QMenu>("MenuLang")->actions()) {
        inMenu << a->objectName();
        EXPECT_FALSE(a->isVisible()) << a->objectName().toStdString();
    }
    EXPECT_EQ(inMenu, languages);

    // The fuel popup belongs to no menu bar.
    auto *fuel = Get<QMenu>("PoMChangeFuel");
    ASSERT_NE(fuel, nullptr);
    QStringList fuelItems;
    for (QAction *a : fuel->actions())
        fuelItems << a->objectName() + QLatin1Char('=') + a->text();
    EXPECT_EQ(fuelItems, (QStringList{"MnIChangeFuelPetrol=Benzyna standard",
                                      "MnIChangeFuelGas=Gaz standard",
                                      "MnIChangeFuelPetrolSeq=Benzyna sekwencyjnie",
                                      "MnIChangeFuelGasDirect=Gaz bezpośrednio"}));
    EXPECT_FALSE(Window->menuBar()->actions().contains(fuel->menuAction()));
    EXPECT_EQ(Get<QMenu>("PpMQSCalibrationCorrections")->actions().size(), 5);
    EXPECT_EQ(Get<QMenu>("PpMQSDiagnostic")->actions().size(), 6);
}

TEST_F(FormMainLayoutTest, SettingsFileAndQuickStartCommands)
{
    const std::pair<const char *, const char *> buttons[] = {
        {"BtnConfSaveSettings", "Zapis do pliku..."},
        {"BtnConfLoadSettings", "Odczyt z pliku..."},
        {"BtBQSWriteToFile", "Zapis ustawień do pliku..."},
        {"BtBQSReadFromFile", "Odczyt ustawień z pliku..."}};
    for (const auto &[name, caption] : buttons)
        EXPECT_EQ(Text(Get<QPushButton>(name)), QString::fromUtf8(caption)) << name;

    auto *right = Get<QWidget>("PnlQSRight");
    ASSERT_NE(right, nullptr);
    QStringList titles;
    for (QGroupBox *g : right->findChildren<QGroupBox *>(Qt::FindDirectChildrenOnly))
        titles << g->title();
    EXPECT_EQ(titles, (QStringList{" KONFIGURACJA (F3) ", " KALIBRACJA (F4) ",
                                   " DIAGNOSTYKA (F6) ", " ADAPTER OBD (F7) "}));
    for (const char *name :
         {"BtnQSReadings", "BtnQSConfigBased", "BtnQSConfigSwitching", "BtnQSConfigAdvanced",
          "BtnQSConfigInspection", "BtnQSConfigAutocalibration", "BtnQSCalibrationModel",
          "BtnQSCalibrationMap", "BtnQSCalibrationCorrections", "BtnQSCalibrationAdaptation",
          "BtnQSDiagCylinderTest", "BtnQSDiagTroublecodes", "BtnQSDiagRecorder",
          "BtnQSDiagInjTest", "BtnQSDiagnostic", "BtnQSAdapterInfo", "BtnQSAdapterConfig",
          "BtnQSAdapterOBDReadings", "BtnQSAdapterOBDTroubleCodes", "BtnQSAdapterAdaptiationOBD",
          "BtBQSReset", "BtnQSUpgrade", "BtnQSF1", "BtnQSLock", "BtnQSUnlock", "BtnQSSchema",
          "BtnQSDocs", "BtnQSConnectStatus"})
        Get<QPushButton>(name);
    Get<QGroupBox>("GrBQSSoftVersions");
    for (const char *name : {"LblQSProgramSoftVer", "LblQSDeviceSoftVer", "LblQSAdapterSoftVer"})
        EXPECT_TRUE(Get<QGroupBox>("GrBQSSoftVersions")->isAncestorOf(Get<QLabel>(name)));
    Get<TCaptionPanel>("PnlQSComPort");

    auto *schema = Get<QScrollArea>("ScBSchema");
    ASSERT_NE(schema, nullptr);
    ASSERT_NE(schema->widget(), nullptr);
    EXPECT_EQ(schema->widget()->objectName(), QStringLiteral("ImgSchema"));
}

TEST_F(FormMainLayoutTest, ConfigurationPageComponentsAndLists)
{
    for (const char *name :
         {"CmBConfInjSystemType", "CmBConfEngineType", "CmBConfNozzles", "CmBConfInjType",
          "CmBConfPressSensType", "CmBConfRedType", "CmBConfLevSensType", "CmBConfRPMSourceType",
          "CmBConfRPMSource", "CmBConfWorkPressure", "CmBConfIdleHotTb", "CmBConfLambdaType",
          "CmbKnfInjType", "CmbKnfInjCount", "CmBKnfPressureSensorType", "CmBConfNomRPM",
          "CmBConfEmulatorSwitchDelay", "CmBConfCutOffEmulSwitchDelay", "CmBOnCutOffDelay",
          "CmBConfMinGasInjTime", "CmBConfMaxGasInjTime", "CmBConfMinTredForGasInjctorsHeatingProcess",
          "CmBConfFuelOverlapTime", "CmBConfFuelOverlapCycles",
          "CmBConfLowTredForTredLoadReturnToPetrol", "CmBConfHighLoadPetrolForTredReturnToPetrol",
          "CmBConfHighLoadPetrolForTgasReturnToPetrol",
          "CmBConfPressurePreinjectionProcessDuringCutOff",
          "CmBConfInjTimeForEnrichmentDuringCutOff", "CmBConfMaxRpmForEnrichmentDuringCutOff",
          "CmBConfMazdaEnrichmentPercentage", "CmBCalMapRPMRange"})
        Get<QComboBox>(name);
    for (const char *name :
         {"ChBConfPressSensInFlow", "ChBConfRPMNotConnected", "ChBKnfMasterMode",
          "ChBKnfRPMNotConnected", "ChBConfRaisingTswitching", "ChBConfNonSequential",
          "ChBConfPetrolInjPlusControl", "ChBConfExternalEmulator", "ChBConfMasterMode",
          "ChBConfPreinjectionProcessDuringCutOff", "ChBConfGasInjectorsHeating",
          "ChBConfFuelOverlap", "ChBConfLowTredAndHighLoadReturnToPetrol", "ChBConfCapTieEnabled",
          "ChBConfEnrichmentDuringCutOffForLowRPM", "ChBConfMazdaIgnitionTypeCorr",
          "ChBSygnalizeDrivingOnPetrol", "ChBConfLambaInputAsFlashLubeLevel",
          "ChBConfAutoToGasOnControlPanelHidden", "ChBConfCutOffModeReturnToPetrol",
          "ChBConfMinGasInjTime", "ChBConfMaxGasInjTime", "ChBMapQ3Visible", "ChBCalMapChangeAxies",
          "ChBCalMapRPMSound", "ChBCalMapFastMap", "ChBModel2Adaptation", "ChBModel2UseOnIdleModel",
          "ChBModel2WithIdlePoints", "ChBOBDAdaptationEnabled", "ChBOBDModifyModelEnabled",
          "ChBLoadFromPcol", "ChBActiveCorrectionPsys", "ChBActiveCorrectionTgas",
          "ChBActiveCorrectionRPM", "ChBActiveCorrectionPcol"})
        Get<QCheckBox>(name);
    for (const char *name :
         {"SpBtnCorTgasSmall", "SpBtnCorTgasBig", "SpBtnCorTgasUserDefined", "SpBtnCorRpmStandard",
          "SpBtnCorRpmSmall", "SpBtnCorRpmBig", "SpBtnCorRpmUserDefined", "SpBModel2SetNewModel"})
        Get<QToolButton>(name);
    for (const char *name :
         {"BtBKnfWriteConfiguration", "BtBModWrite", "BtBModel2Write", "BtnCorWriteCorrections",
          "BtnConfWizNext", "BtnConfWriteConfig", "BtBModel2Default", "BtnCalMapPetrolClear",
          "BtnCalMapClearAdaptationTemplateClear", "BtnCalMapLoadFromFile", "BtnCalMapSetModel",
          "BtnCalMapCalculate", "BtnCalMapCalcClear", "BtnDngAdvEmulatorAllPetrol",
          "BtnDngEmulatorAllGas", "BtnDgnAdvOtherInjSystemTypeReset", "BtnDgnInjectorsTest"})
        Get<QPushButton>(name);
    for (const char *name : {"YEdCalSerIdle1X", "YEdCalSerIdle1Y", "YEdCalSerIdle2X",
                             "YEdCalSerIdle2Y", "YEdModOffset", "YEdModCorrectionOffset",
                             "YEdModel2CorrectionOffset", "YEdModel2MULT", "YEdModel2Offset"})
        Get<TYEdit>(name);
    for (const char *name :
         {"UpDModMult", "UpDProgA", "UpDProgD", "UpDWzbogacenieProgA", "UpDWzbogacenieProgD",
          "UpDModCorrectionMult", "UpDModel2CorrectionMult", "UpDModel2Mult", "UpDModel2Offset",
          "UpDDgnCycles"})
        Get<QSpinBox>(name);
    for (const char *name :
         {"LblBConfLowTredForTredLoadReturnToPetrolUnit", "LblConfHighLoadPetrolForTredReturnToPetrol",
          "LblConfLowTgasReturnToPetrolUnit", "LblConfHighLoadPetrolForTgasReturnToPetrol",
          "LblConfPressurePreinjectionProcessDuringCutOffUnit", "LblConfInjTimeForEnrichmentDuringCutOff",
          "LblConfMazdaCorrectionUnit", "LblConfCutOffEmulatorSwitchDelayUnit", "LblConfOnCutOffDelay",
          "LblConfMinGasInjTimeUnit", "LblConfMaxGasInjTimeUnit", "LblConfNomRPM", "LblConfNomRPMUnit",
          "LblConfEmulatorSwitchDelay", "LblConfEmulatorSwitchDelayUnit", "LblKnfN1",
          "LblDgnAdvActualInjSystemType", "LblDgnAdvOtherInjSystemType", "LblCalMapNameFile",
          "LblModel2AdaptMapIncomplete", "LblModel2FinishWarnAutoCal", "LblModel2Info1",
          "LblActualAdaptCorr_B1", "LblActualAdaptCorr_B2", "LblCalTxt3"})
        Get<QLabel>(name);
    for (const char *name :
         {"PnlKnfEmulatorSwitchDelay", "PnlKnfPressureSensprType", "PnlConfSwitchToPetrol",
          "PnlConfPostValveDelay", "PnlConfSemiSeqGasControl", "PnlCalCorrPsys", "PnlCalCorrPcol",
          "PnlCalCorrPsysTable", "PnlCalCorrTgasTable", "PnlOBDAdaptationBank1Grid",
          "PnlOBDAdaptationBank2Grid", "PnlFinishDeviceInfo", "PnlDgnAdvTempPCB",
          "PnlDgnAdvEmergencyStarts", "PnlModOdcHide", "PnlModOdcMain", "PnlModOdc",
          "PnlModel2OnIdleModel", "PnlMultiConfiguration", "PnlMultiCalibration",
          "PnlAdapterMultiOBD", "PnlAdapterMultiAIO", "PnlAdapterMultiInfo", "PnlOBDReadingsMain",
          "PnlCalLoadH", "PnlCalLoadM", "PnlCalLoadL", "PnlMapaBtns"})
        Get<TCaptionPanel>(name);
    Get<QFrame>("BvlConfAdvanced2");
    Get<QFrame>("BvlConfAdvanced3");
    Get<QTabWidget>("PgCConfWizard");
    EXPECT_EQ(Items("CmBCalMapRPMRange").size(), 8);
    EXPECT_EQ(Items("CmBCalMapRPMRange").first(), QStringLiteral("~1500 (1250-1750)"));
    EXPECT_EQ(Get<QWidget>("PnlMultiConfiguration")->parentWidget()->objectName(),
              QStringLiteral("TbSMultiConfiguration"));
    EXPECT_EQ(Get<QWidget>("PnlMultiCalibration")->parentWidget()->objectName(),
              QStringLiteral("TbSMultiCalibration"));
    EXPECT_TRUE(HiddenInDesign(Get<QWidget>("ChBAdvancedView")));
    EXPECT_TRUE(HiddenInDesign(Get<QWidget>("BtBQuickStart")));
}

TEST_F(FormMainLayoutTest, ChangeRecordAndInspectionComponents)
{
    EXPECT_EQ(Items("CmBNextInspection"),
              (QStringList{"NotSet", "1000", "2000", "5000", "7000", "10000"}));
    EXPECT_EQ(Items("CmBInspectionRatio"), (QStringList{"20", "30", "40", "50", "60", "70"}));
    auto *grid = Get<QTableWidget>("StGChangesList");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->columnCount(), 2);
    EXPECT_EQ(grid->rowCount(), 6);
    Get<QLineEdit>("EdtActualComputerCode");
    Get<QPushButton>("BtBSetNextInspection");
    auto *tool = Get<QPushButton>("BtnEncryptLangFiles");
    EXPECT_EQ(Text(tool), QStringLiteral("EncryptLangFiles"));
    EXPECT_TRUE(HiddenInDesign(tool));
    QStringList finish;
    for (QLabel *l : Get<QWidget>("TbSConfFinish")->findChildren<QLabel *>())
        finish << l->text();
    for (const char *text : {"Next inspection in", "km", "Time/distance ratio", "1h = "})
        EXPECT_TRUE(finish.contains(QString::fromLatin1(text))) << text;
}

TEST_F(FormMainLayoutTest, RecorderAndTroubleCodePages)
{
    EXPECT_EQ(Get<QWidget>("PnlDgnCzasy")->width(), 457);
    for (const char *name : {"PnlDgnPressure", "PnlDgnTemp", "PnlDgnRPM", "PanelOscDisplays"})
        EXPECT_EQ(Get<QWidget>(name)->width(), 457) << name;
    for (const char *name : {"PntBDgnCzasy", "PntBDgnPressure", "PntBDgnTemp", "PntBDgnRPM"}) {
        QWidget *box = Get<QWidget>(name);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->height(), box->parentWidget()->height()) << name;
    }
    for (int k = 1; k <= 9; ++k) {
        Get<QLabel>(("DgnLbl" + QByteArray::number(k) + "t").constData());
        Get<QLabel>(("DgnLbl" + QByteArray::number(k) + "b").constData());
    }
    const QStringList wybor = Items("CmBDgnWybor1");
    EXPECT_EQ(wybor.size(), 23);
    EXPECT_EQ(wybor.value(0), QStringLiteral("Sonda Lambda"));
    EXPECT_EQ(wybor.value(1), QString::fromUtf8("Napięcie zasilania"));
    EXPECT_EQ(wybor.value(2), QStringLiteral("OBD STFT Bank1"));
    EXPECT_EQ(wybor.value(12), QStringLiteral("OBD IAT"));
    EXPECT_EQ(wybor.value(22), QStringLiteral("OBD Lambda4 Bank2"));
    EXPECT_EQ(Items("CmBDgnWybor2"), wybor);
    auto *autoSave = Get<QCheckBox>("ChBDgnAutoSave");
    EXPECT_EQ(Text(autoSave), QStringLiteral("Auto zapis"));
    EXPECT_TRUE(HiddenInDesign(autoSave));
    EXPECT_FALSE(autoSave->isChecked());
    auto *alam = Get<QCheckBox>("CkBTestALAM");
    EXPECT_EQ(Text(alam), QStringLiteral("ALAM"));
    EXPECT_TRUE(HiddenInDesign(alam));
    for (const char *name : {"PnlDgnCursor", "PnlDgnHandle1", "PnlDgnHandle2", "PanelScale1",
                             "PnlOscLabelsDigs"})
        Get<TCaptionPanel>(name);
    Get<QPushButton>("BtnDgnStart");
    Get<QPushButton>("BtnDgnReset");
    for (const char *name : {"LblDgnTb", "LblDgnTg", "LblDgnPsys", "LblDgnPcol", "LblDgnTempG",
                             "LblDgnTempR", "LblDgnRPM", "LblBDgnWybor1", "LblBDgnWybor2"})
        Get<QLabel>(name);

    EXPECT_EQ(Text(Get<QToolButton>("SpBOdcReadTC")), QStringLiteral("Odczytaj"));
    EXPECT_EQ(Text(Get<QToolButton>("SpBOdcClearTroubleCode")),
              QString::fromUtf8("Usuń kody błędów"));
    EXPECT_EQ(Text(Get<QToolButton>("SpBDebugReadTroubleCodes")), QStringLiteral("Odczytaj"));
    EXPECT_EQ(Text(Get<QToolButton>("SpBDebugEraseTroubleCodes")),
              QString::fromUtf8("Usuń kody błędów"));
    for (const char *name : {"MemOdcTroubleCodeAct", "MemOdcTroubleCodeStored",
                             "MemOdcTroubleFrame", "MemTroubleCodeAct", "MemFreezedFrame",
                             "MemActiveFreezedFrame"})
        EXPECT_TRUE(Get<QPlainTextEdit>(name)->isReadOnly()) << name;
    auto *history = Get<QTableWidget>("StGStoredTroubleCodes");
    EXPECT_EQ(history->columnCount(), 1);
    EXPECT_EQ(history->rowCount(), 10);
    QStringList errorTexts;
    for (QLabel *l : Get<QWidget>("TbSDgnErrorCodes")->findChildren<QLabel *>())
        errorTexts << l->text();
    EXPECT_TRUE(errorTexts.contains(QString::fromUtf8("Aktualne kody błędów i komunikaty")));
    EXPECT_TRUE(errorTexts.contains(QString::fromUtf8("Zapamiętane kody błędów i  komunikaty")));
    EXPECT_TRUE(errorTexts.contains(QString::fromUtf8("Parametry zamrożone")));
}

TEST_F(FormMainLayoutTest, ServiceToolComponents)
{
    const std::pair<const char *, const char *> captions[] = {
        {"BtnDgnInjectorsTest", "Testy wtryskiwaczy gazowych"},
        {"BtnDgnInjCleaning", "Czyszczenie wtryskiwaczy gazowych"},
        {"BtnDgnAdvEmergencyStartsReset", "Reset"},
        {"BtnDgnAdvOtherInjSystemTypeReset", "Reset"},
        {"BtnResetTempVariable", "Reset"},
        {"Button14", "Clear Max T"},
        {"BtnSrvReadTpcb", "ReadTpcb"},
        {"BtnSrvReadCntReset", "Read cntReset="},
        {"BtnSrvReadCurrInj", "Read CurrentInj"},
        {"BtnSrvReadCurr", "Curr"},
        {"BtnSrvClear", "Clear"},
        {"Button5", "Read All"},
        {"BtnSrvSoftVer", "SoftVer="},
        {"BtnReadATD", "BtnReadATD"},
        {"BtnSrvTMRead", "Read"},
        {"BtnSrvTMWrite", "Write"},
        {"Button10", "Read"},
        {"Button3", "Read"},
        {"Button4", "Write"},
        {"BtnTcalcRPM", "calc"},
        {"Button2", "Reset=0 +myk"},
        {"Button6", "Reset"},
        {"Button7", "Restet=200"},
        {"Button8", "Standard"},
        {"Button1", "Programuj"},
        {"Button9", "Clear"},
        {"Button17", "Odczytaj"},
        {"Button20", "Zapisz"},
        {"BtnTestInjControlRead", "Odczytaj"},
        {"BtnTestInjControlWrite", "Zapisz"},
        {"BtnDgnELAMRead", "Read"},
        {"BtnDgnELAMWrite", "Write"},
        {"BtnSrvTester", "TEST Q3"},
        {"BtnSrvTesterAdapter", "TEST ADAPTER"}};
    for (const auto &[name, caption] : captions)
        EXPECT_EQ(Text(Get<QPushButton>(name)), QString::fromUtf8(caption)) << name;
    for (const char *hidden : {"Button14", "BtnSrvReadTpcb", "Button6", "Button8", "Button17",
                               "Button20", "BtnSrvTester", "BtnSrvTesterAdapter", "SpBDebugTesty"})
        EXPECT_TRUE(HiddenInDesign(Get<QWidget>(hidden))) << hidden;
    EXPECT_EQ(Text(Get<QToolButton>("SpBDebugTesty")), QStringLiteral("TESTY"));
    EXPECT_EQ(Text(Get<QCheckBox>("ChBDgnCAP_TIE_enable")), QStringLiteral("Pomiar z przerwaniami"));
    EXPECT_EQ(Text(Get<QCheckBox>("ChBSrvMasterMode")), QStringLiteral("MasterMode"));
    auto *testMode = Get<QPushButton>("BtnSrvTMRead")->parentWidget();
    ASSERT_NE(qobject_cast<QGroupBox *>(testMode), nullptr);
    EXPECT_EQ(qobject_cast<QGroupBox *>(testMode)->title(), QStringLiteral("TestMode"));

    EXPECT_EQ(Items("CmBELAM1"), (QStringList{"-50%", "-40%", "-30%", "-20%", "-10%", "0", "10%",
                                              "20%", "30%", "40%", "50%"}));
    for (const char *tenth : {"CmBELAM2", "CmBELAM_Hi", "CmBELAM_Lo"}) {
        const QStringList items = Items(tenth);
        EXPECT_EQ(items.size(), 11) << tenth;
        EXPECT_EQ(items.value(1), QStringLiteral("0,1")) << tenth;
        EXPECT_EQ(items.value(10), QStringLiteral("1")) << tenth;
    }
    EXPECT_EQ(Items("CmBELAM_Func"),
              (QStringList{"0- Kwadratowa", QString::fromUtf8("1- Prostokątna")}));
    const QStringList myk = Items("CmbMykCondition");
    EXPECT_EQ(myk.size(), 17);
    EXPECT_EQ(myk.first(), QString::fromUtf8("WYŁĄCZONY"));
    EXPECT_EQ(myk.value(4), QStringLiteral("4"));
    EXPECT_EQ(myk.last(), QStringLiteral("Pcol (bar - calc)"));
    const QStringList minTime = Items("CmBMinGasInjTime");
    EXPECT_EQ(minTime.size(), 21);
    EXPECT_EQ(minTime.value(10), QStringLiteral("4,0"));
    EXPECT_EQ(minTime.value(11), QStringLiteral("4,1"));
    EXPECT_EQ(minTime.last(), QStringLiteral("5,0"));
    EXPECT_EQ(Items("CmBMaxGasInjTime").size(), 11);
    const QStringList valve = Items("CmBValveStateLowPcolThreshold");
    EXPECT_EQ(valve.size(), 26);
    EXPECT_EQ(valve.first(), QStringLiteral("0,10"));
    EXPECT_EQ(valve.last(), QStringLiteral("0,50"));
    for (const char *name : {"ChBTestSourceLIN", "ChBTestCorrectionSumary", "ChBTestOption3",
                             "ChBTestOption4", "ChBTestOption5", "ChBSrvTestMode"})
        Get<QCheckBox>(name);
    for (const char *name : {"EdtSrvTestP1", "EdtSrvTestP2", "EdtP1", "EdtP2", "EdtTRpm",
                             "EdtInjFullOpenTime", "EdtInjPwmFreq", "EdtInjPwmDuty", "EdtELAM_Hi",
                             "EdtELAM_Lo", "EdtDgnAdvEmergencyStarts", "EdtDgnAdvTpcb",
                             "EdtDgnAdvActualTpcb"})
        Get<QLineEdit>(name);
    Get<QLabel>("LblTemp");
    Get<QChartView>("ChtPrad");
    Get<TCaptionPanel>("Pnl_ELAM_F1");
    Get<TCaptionPanel>("Pnl_ELAM_F2");
    auto *elam = Get<QComboBox>("CmBELAM1")->parentWidget();
    ASSERT_NE(qobject_cast<QGroupBox *>(elam), nullptr);
    EXPECT_EQ(qobject_cast<QGroupBox *>(elam)->title(), QStringLiteral("EMULACJA SONDY LAMBDA"));
    EXPECT_TRUE(HiddenInDesign(elam));
    EXPECT_TRUE(Get<QWidget>("TbSDgnAdvance")->isAncestorOf(elam));
}

// The resize rules compute sizes and positions from each other; the designed
// layout must already satisfy them, so that the first resize moves nothing.
TEST_F(FormMainLayoutTest, DesignedGeometryFollowsTheResizeRules)
{
    auto *tinj = Get<QWidget>("PnlOdcTinj");
    auto *tinj2 = Get<QWidget>("PnlOdcTinj1_2");
    auto *tinj3 = Get<QWidget>("PnlOdcTinj1_3");
    EXPECT_EQ(tinj3->height(), std::lround(tinj->height() / 2.0) - std::lround(tinj2->height() / 2.0));
    EXPECT_EQ(Get<QWidget>("DgDOdcPetrol")->width(),
              Get<QWidget>("PnlOdcTinj1_1")->width() - Get<QWidget>("PnlOdcTinjPrgPetrol")->width() - 15);
    auto *petrol = Get<QWidget>("DgDOdcPetrol");
    for (const char *name : {"DgDOdcLPG", "DgDOdcRPM", "DgDOdcTred", "DgDOdcTgaz"})
        EXPECT_EQ(Get<QWidget>(name)->size(), petrol->size()) << name;
    EXPECT_GE(petrol->height(), 57);
    EXPECT_EQ(Get<QWidget>("PnlOdcTgaz")->height(), Get<QWidget>("DgDOdcTgaz")->height() + 30);
    auto *psysPanel = Get<QWidget>("PnlOdcPsys");
    EXPECT_EQ(psysPanel->height(), std::lround(Get<QWidget>("PnlOdcVal1")->height() / 3.0) + 10);
    EXPECT_EQ(Get<QWidget>("DgDOdcPsys")->x(), int(std::nearbyint(psysPanel->width() / 2.0)) + 6);
    EXPECT_EQ(Get<QWidget>("DgDOdcPsys")->width(), int(std::nearbyint(psysPanel->width() / 2.0)) - 17);
    EXPECT_EQ(Get<QWidget>("DgDOdcPcol")->width(), Get<QWidget>("DgDOdcPsys")->width());
    EXPECT_EQ(Get<QWidget>("LblOdcPsys")->x(), Get<QWidget>("DgDOdcPsys")->x());
    EXPECT_EQ(Get<QWidget>("LblOdcPcol")->x(), Get<QWidget>("DgDOdcPcol")->x());
    auto *lambdaHost = Get<QWidget>("PPnlOdcLambda");
    auto *lambdaCenter = Get<QWidget>("PnlOdcLambdaCenter");
    EXPECT_EQ(lambdaCenter->x(), (lambdaHost->width() - lambdaCenter->width()) / 2);

    // The selected-injector frame steps by the bar pitch of eight cylinders.
    const int h = int(std::nearbyint((tinj3->height() - 5) / 8.0 - 2.0));
    auto *bar1 = Get<QWidget>("PrBOdcPetrol1");
    auto *bar8 = Get<QWidget>("PrBOdcPetrol8");
    EXPECT_EQ(MapTo(bar8, tinj3).y() - MapTo(bar1, tinj3).y(), 7 * h);
    EXPECT_EQ(Get<QWidget>("PnlOdcInjMarkPetrol")->parentWidget(), tinj3);
    EXPECT_EQ(Get<QWidget>("PnlOdcInjMarkLPG")->parentWidget(), tinj3);
    EXPECT_EQ(MapTo(bar1, tinj3).y(), Get<QWidget>("PnlOdcInjMarkPetrol")->y());
    EXPECT_LE(MapTo(bar8, tinj3).y() + bar8->height(), tinj3->height());

    // Model page read-outs.
    auto *odc = Get<QWidget>("PnlModOdc");
    auto *lambda = Get<QWidget>("PnlModLambda");
    const int L = int(std::nearbyint(odc->width() / 2.0 - lambda->width() / 2.0));
    const int w = int(std::nearbyint((L - 20) / 3.0));
    EXPECT_EQ(lambda->x(), L);
    EXPECT_EQ(Get<QWidget>("PnlModPcol")->x(), L);
    const std::pair<const char *, int> lefts[] = {
        {"DgDModRPM", 5},
        {"DgDModPetrol", w + 10},
        {"DgDModLPG", 2 * w + 15},
        {"DgDModPsys", 3 * w + 20 + lambda->width() + 5},
        {"DgDModTred", 4 * w + 25 + lambda->width() + 5},
        {"DgDModTgaz", 5 * w + 30 + lambda->width() + 5}};
    for (const auto &[name, left] : lefts) {
        EXPECT_EQ(Get<QWidget>(name)->x(), left) << name;
        EXPECT_EQ(Get<QWidget>(name)->width(), w) << name;
    }
    for (const auto &[label, display] :
         {std::pair{"LblModRPM", "DgDModRPM"}, {"LblModPetrol", "DgDModPetrol"},
          {"LblModLPG", "DgDModLPG"}, {"LblModPsys", "DgDModPsys"}, {"LblModTred", "DgDModTred"},
          {"LblModTgaz", "DgDModTgaz"}})
        EXPECT_EQ(Get<QWidget>(label)->x(), Get<QWidget>(display)->x()) << label;

    // Map load panels: side by side from 35 in the order L, M, H.
    const int loadWidth = int(std::nearbyint(
        (Get<QWidget>("PnlMapaMain")->width() - Get<QWidget>("PnlMapaBtns")->width() - 56) / 3.0));
    int x = 35;
    for (const char *name : {"PnlCalLoadL", "PnlCalLoadM", "PnlCalLoadH"}) {
        EXPECT_EQ(Get<QWidget>(name)->x(), x) << name;
        EXPECT_EQ(Get<QWidget>(name)->width(), loadWidth) << name;
        x += loadWidth;
    }

    // Recorder: four stacked graphs between the two scales, read-outs beside.
    auto *displays = Get<QWidget>("PanelOscDisplays");
    const int gh = int(std::nearbyint((displays->height() - 2 * Get<QWidget>("PanelScale1")->height()) / 4.0));
    int top = Get<QWidget>("PnlDgnCzasy")->y();
    for (const char *name : {"PnlDgnCzasy", "PnlDgnPressure", "PnlDgnTemp", "PnlDgnRPM"}) {
        EXPECT_EQ(Get<QWidget>(name)->height(), gh) << name;
        EXPECT_EQ(Get<QWidget>(name)->y(), top) << name;
        top += gh;
    }
    EXPECT_EQ(Get<QWidget>("PnlDgnCursor")->height(), displays->height() + 3);
    EXPECT_EQ(Get<QWidget>("PnlDgnCursor")->x(), Get<QWidget>("PnlDgnCzasy")->x() + 2);
    auto *tb = Get<QWidget>("DgDDgnTb");
    EXPECT_EQ(tb->height(), int(std::nearbyint(gh / 2.0 - 10)));
    EXPECT_EQ(Get<QWidget>("PnlOscLabelsDigs")->width(),
              Get<QWidget>("PnlOscLabels")->width() + tb->width() + 40);
    const std::tuple<const char *, const char *, const char *, const char *> pairs[] = {
        {"PnlDgnCzasy", "DgDDgnTb", "DgDDgnTg", "LblDgnTb"},
        {"PnlDgnPressure", "DgDDgnPsys", "DgDDgnPcol", "LblDgnPsys"},
        {"PnlDgnTemp", "DgDDgnTempR", "DgDDgnTempG", "LblDgnTempR"}};
    for (const auto &[graph, first, second, label] : pairs) {
        const int gy = MapTo(Get<QWidget>(graph), Get<QWidget>("PnlOscLabelsDigs")).y();
        EXPECT_EQ(MapTo(Get<QWidget>(first), Get<QWidget>("PnlOscLabelsDigs")).y(), gy) << first;
        EXPECT_EQ(MapTo(Get<QWidget>(second), Get<QWidget>("PnlOscLabelsDigs")).y(),
                  int(std::nearbyint(gy + gh / 2.0))) << second;
        EXPECT_EQ(Get<QWidget>(label)->y(), Get<QWidget>(first)->y() + 10) << label;
    }
    auto *rpm = Get<QWidget>("DgDDgnRPM");
    EXPECT_EQ(rpm->height(), (gh - 18) / 3);
    EXPECT_EQ(Get<QWidget>("DgDDgnWybor1")->y(), rpm->y() + rpm->height() + 3);
    EXPECT_EQ(Get<QWidget>("CmBDgnWybor1")->y(), Get<QWidget>("DgDDgnWybor1")->y() + 2);
    EXPECT_EQ(Get<QWidget>("LblDgnRPM")->y(), rpm->y() + 8);

    // Trouble codes: the active-code panel takes half the page minus 30.
    EXPECT_EQ(Get<QWidget>("PnlOdcActTroubleCode")->height(),
              int(std::nearbyint(Get<QWidget>("PnlOdcTroubleCode")->height() / 2.0)) - 30);
}

// Every component sits where the layout puts it: a widget under the named
// parent, a menu item in its menu, a page in its page control.
TEST_F(FormMainLayoutTest, ComponentsSitUnderTheirDesignedParents)
{
    using FormMainLayout::Kind;
    auto namedAncestor = [](QWidget *w) {
        for (QWidget *p = w->parentWidget(); p; p = p->parentWidget())
            if (!p->objectName().isEmpty() && !p->objectName().startsWith(QLatin1String("qt_")))
                return p->objectName();
        return QString();
    };
    QStringList wrong;
    for (const FormMainLayout::Entry &e : FormMainLayout::Table()) {
        if (!*e.name || e.kind == Kind::MenuBar || e.kind == Kind::StatusBar
            || e.kind == Kind::Timer || e.kind == Kind::PopupMenu)
            continue;
        const QString parent = *e.parent ? QString::fromLatin1(e.parent) : QStringLiteral("centralWidget");
        for (int i = 1; i <= std::max(1, e.count); ++i) {
            const QString name = EntryName(e, i);
            if (e.kind == Kind::Action || e.kind == Kind::Separator || e.kind == Kind::Menu) {
                QAction *action = e.kind == Kind::Menu
                                      ? Window->findChild<QMenu *>(name)->menuAction()
                                      : Window->findChild<QAction *>(name);
                QWidget *owner = parent == QLatin1String("MainMenu")
                                     ? static_cast<QWidget *>(Window->menuBar())
                                     : Window->findChild<QMenu *>(parent);
                if (!action || !owner || !owner->actions().contains(action))
                    wrong << name + QStringLiteral(" not in ") + parent;
                continue;
            }
            QWidget *w = Window->findChild<QWidget *>(name);
            if (!w)
                wrong << name + QStringLiteral(" missing");
            else if (namedAncestor(w) != parent)
                wrong << name + QStringLiteral(" under ") + namedAncestor(w) + QStringLiteral(", not ") + parent;
        }
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1Char('\n')).toStdString();
}

// Every designed control lies inside its parent, except the few that the
// window places outside on purpose.
TEST_F(FormMainLayoutTest, ControlsLieInsideTheirParents)
{
    const QSet<QString> outside = {"EdtChtModel2Keyboard", "PnlDgnHandle1", "PnlDgnHandle2",
                                   "DgnLbl5t", "DgnLbl6t", "DgnLbl7t", "DgnLbl8t", "DgnLbl9t",
                                   "DgnLbl5b", "DgnLbl6b", "DgnLbl7b", "DgnLbl8b", "DgnLbl9b"};
    QStringList wrong;
    for (const FormMainLayout::Entry &e : FormMainLayout::Table()) {
        for (int i = 1; i <= std::max(1, e.count); ++i) {
            const QString name = EntryName(e, i);
            QWidget *w = Window->findChild<QWidget *>(name);
            if (!w || outside.contains(name) || !w->parentWidget())
                continue;
            if (qobject_cast<QStatusBar *>(w->parentWidget()) || e.w == 0)
                continue;
            if (w->parentWidget()->objectName() == QLatin1String("qt_scrollarea_viewport"))
                continue;
            const QRect inner(QPoint(0, 0), w->parentWidget()->size());
            if (!inner.contains(w->geometry()))
                wrong << name + QStringLiteral(" %1,%2 %3x%4 in %5x%6")
                                    .arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height())
                                    .arg(inner.width()).arg(inner.height());
        }
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QLatin1Char('\n')).toStdString();
}

// Pictures of every page and sub-page, for a person to look at; they show
// that the window renders and is readable. Kept when TARON_SCREENSHOT_DIR
// names a folder.
TEST_F(FormMainLayoutTest, EveryPageRendersToAPicture)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString folder = qEnvironmentVariableIsSet("TARON_SCREENSHOT_DIR")
                               ? qEnvironmentVariable("TARON_SCREENSHOT_DIR")
                               : temp.path();
    QDir().mkpath(folder);
    // Brings a page to the front through every page control above it.
    auto show = [](QWidget *page) {
        for (QWidget *w = page; w; w = w->parentWidget()) {
            QWidget *stack = w->parentWidget();
            auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
            if (tabs && tabs->indexOf(w) >= 0)
                tabs->setCurrentWidget(w);
        }
    };
    QList<QTabWidget *> controls = Window->findChildren<QTabWidget *>();
    ASSERT_GE(controls.size(), 10);
    int n = 0;
    for (QTabWidget *tabs : controls) {
        const int previous = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            QWidget *page = tabs->widget(i);
            show(page);
            const QPixmap picture = Window->grab();
            ASSERT_FALSE(picture.isNull());
            EXPECT_GE(picture.width(), FormMainLayout::DesignedClientWidth);
            const QString file = folder + QStringLiteral("/FormMain_%1_%2.png")
                                              .arg(n++, 3, 10, QLatin1Char('0'))
                                              .arg(page->objectName());
            EXPECT_TRUE(picture.save(file)) << file.toStdString();
            // Not a blank picture: the page draws several colours.
            const QImage image = picture.toImage();
            QSet<QRgb> colours;
            for (int y = 0; y < image.height() && colours.size() < 3; y += 7)
                for (int x = 0; x < image.width() && colours.size() < 3; x += 7)
                    colours.insert(image.pixel(x, y));
            EXPECT_GE(colours.size(), 3) << page->objectName().toStdString();
        }
        tabs->setCurrentIndex(previous);
    }
    Get<QTabWidget>("PgCMain")->setCurrentIndex(0);
}

// A panel reports a press with its button and keys, and a click only when
// the left button is released over it.
TEST(CaptionPanel, ClickAndMouseDown)
{
    TCaptionPanel panel;
    panel.resize(100, 20);
    int clicks = 0;
    QList<std::pair<Qt::MouseButton, Qt::KeyboardModifiers>> presses;
    QObject::connect(&panel, &TCaptionPanel::Click, [&] { ++clicks; });
    QObject::connect(&panel, &TCaptionPanel::MouseDown,
                     [&](Qt::MouseButton b, Qt::KeyboardModifiers m) { presses.append({b, m}); });
    auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button,
                    Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QMouseEvent event(type, at, panel.mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button, keys);
        QCoreApplication::sendEvent(&panel, &event);
    };
    send(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {12, 10}, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    // Released outside: no click.
    send(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {150, 10}, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    // A right press with Ctrl is reported as such and is no click.
    send(QEvent::MouseButtonPress, {10, 10}, Qt::RightButton, Qt::ControlModifier);
    send(QEvent::MouseButtonRelease, {10, 10}, Qt::RightButton, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(presses.size(), 3);
    EXPECT_EQ(presses[2].first, Qt::RightButton);
    EXPECT_TRUE(presses[2].second.testFlag(Qt::ControlModifier));

    panel.SetColor(QColor(0x00, 0x80, 0xFF));
    EXPECT_TRUE(panel.autoFillBackground());
    EXPECT_EQ(panel.palette().color(QPalette::Window), QColor(0x00, 0x80, 0xFF));
    panel.SetColor(QColor());
    EXPECT_FALSE(panel.autoFillBackground());
}

// Pages of a page control that was never shown already have the size of its
// page area, and follow it when the control is resized.
TEST(PageControl, PagesTakeThePageAreaBeforeShowing)
{
    QWidget host;
    auto *tabs = new TPageControl(&host);
    QWidget *pages[3];
    for (QWidget *&page : pages) {
        page = new QWidget;
        tabs->addTab(page, QStringLiteral("Page"));
    }
    tabs->setGeometry(0, 0, 400, 300);
    tabs->LayOutPages();
    const QSize area = tabs->PageSize();
    EXPECT_GT(area.width(), 300);
    EXPECT_LT(area.width(), 400);
    EXPECT_GT(area.height(), 200);
    EXPECT_LT(area.height(), 300);
    for (QWidget *page : pages)
        EXPECT_EQ(page->size(), area);

    host.show();
    tabs->resize(500, 350);
    QCoreApplication::processEvents();
    const QSize larger = tabs->PageSize();
    EXPECT_EQ(larger - area, QSize(100, 50));
    for (QWidget *page : pages)
        EXPECT_EQ(page->size(), larger);
    // A page shown later keeps that size.
    tabs->setCurrentIndex(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(pages[2]->size(), larger);
}

} // namespace

TEST(FormMainScaling, DesignedLayoutScalesWithTheWindow)
{
    TFormMain window;
    window.show();
    QCoreApplication::processEvents();
    auto *display = window.findChild<QWidget *>(QStringLiteral("DgDCalMapPcol"));
    auto *rpm = window.findChild<QWidget *>(QStringLiteral("DgDOdcRPM"));
    ASSERT_TRUE(display && rpm);
    const QRect designed = display->geometry();
    const QRect designedRpm = rpm->geometry();
    const QSize size = window.size();
    QWidget *central = window.centralWidget();
    const QSize client = central->size();

    // Twice the window: the controls follow the central area (the menu and
    // the status bar keep their height).
    window.resize(size.width() * 2, size.height() * 2);
    QCoreApplication::processEvents();
    const double sx = double(central->width()) / client.width();
    const double sy = double(central->height()) / client.height();
    EXPECT_GT(sx, 1.9);
    EXPECT_GT(sy, 1.9);
    EXPECT_NEAR(display->width(), designed.width() * sx, 1.5);
    EXPECT_NEAR(display->height(), designed.height() * sy, 1.5);
    EXPECT_NEAR(rpm->y(), designedRpm.y() * sy, 1.5);
    // Back to the designed size: every control where it was designed.
    window.resize(size);
    QCoreApplication::processEvents();
    EXPECT_EQ(display->geometry(), designed);
    EXPECT_EQ(rpm->geometry(), designedRpm);

    // A closing window no longer rescales.
    window.close();
    window.resize(size.width() * 2, size.height() * 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(display->geometry(), designed);
}
