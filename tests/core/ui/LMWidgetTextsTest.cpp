#include "core/LM.h"
#include "core/LanguageFileFixture.h"
#include "core/ui/LMWidgetTexts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
// An about box with one control of every kind a language file addresses.
struct AboutBox {
    AboutBox()
    {
        window.setObjectName(QStringLiteral("FormAbout"));
        window.setWindowTitle(QStringLiteral("O programie"));
        auto *layout = new QVBoxLayout(&window);
        group = new QGroupBox(QStringLiteral("Grupa"), &window);
        group->setObjectName(QStringLiteral("GrBInfo"));
        layout->addWidget(group);
        auto *inner = new QVBoxLayout(group);
        label = new QLabel(QStringLiteral("Wersja"), group); // nested in a container
        label->setObjectName(QStringLiteral("LblVersion"));
        inner->addWidget(label);
        button = new QPushButton(QStringLiteral("Zamknij"), &window);
        button->setObjectName(QStringLiteral("BtnClose"));
        layout->addWidget(button);
        check = new QCheckBox(QStringLiteral("Pokaż"), &window);
        check->setObjectName(QStringLiteral("ChBShow"));
        layout->addWidget(check);
        memo = new QPlainTextEdit(&window);
        memo->setObjectName(QStringLiteral("MemInfo"));
        memo->setPlainText(QStringLiteral("stary tekst"));
        layout->addWidget(memo);
        combo = new QComboBox(&window);
        combo->setObjectName(QStringLiteral("CmbKind"));
        combo->addItems({QStringLiteral("a"), QStringLiteral("b")});
        layout->addWidget(combo);
        tabs = new QTabWidget(&window);
        page = new QWidget;
        page->setObjectName(QStringLiteral("TbSInfo"));
        tabs->addTab(page, QStringLiteral("Informacje"));
        layout->addWidget(tabs);
        action = new QAction(QStringLiteral("Kopiuj"), &window);
        action->setObjectName(QStringLiteral("MnICopy"));
        window.addAction(action);
    }
    QWidget window;
    QGroupBox *group;
    QLabel *label;
    QPushButton *button;
    QCheckBox *check;
    QPlainTextEdit *memo;
    QComboBox *combo;
    QTabWidget *tabs;
    QWidget *page;
    QAction *action;
};

class WidgetTexts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        lm.SetProgramFolder(folder.programFolder());
        lm.SetWindowTexts(std::make_unique<TLMWidgetTexts>());
        lm.MessageHook = [this](const QString &m) { messages << m; };
    }
    LanguageFolder folder;
    TLM lm;
    QStringList messages;
};
}

TEST_F(WidgetTexts, ComponentLinesSetCaptionsHintsAndLines)
{
    AboutBox about;
    folder.writeCurrentLanguage(
        QStringLiteral("EN"),
        {QStringLiteral("[FormAbout]=About"), QStringLiteral("LblVersion=Version"),
         QStringLiteral("BtnClose=Close"), QStringLiteral("BtnClose=|Closes the box||Line one||Line two"),
         QStringLiteral("ChBShow=Show"), QStringLiteral("GrBInfo=Group"), QStringLiteral("TbSInfo=Information"),
         QStringLiteral("MnICopy=Copy"), QStringLiteral("MnICopy=|Copies the texts"),
         QStringLiteral("MemInfo=^"), QStringLiteral("MemInfo=First line"), QStringLiteral("MemInfo="),
         QStringLiteral("MemInfo=Second line"), QStringLiteral("CmbKind=^"), QStringLiteral("CmbKind=One"),
         QStringLiteral("CmbKind=Two"), QStringLiteral("NoSuchControl=ignored"),
         QStringLiteral("LblVersion=|Program version"), QStringLiteral("TbSInfo=|not for tab sheets"),
         QStringLiteral("GrBInfo=|nor group boxes"), QStringLiteral("[Strings]"), QStringLiteral("strA=a")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(about.window.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.label->text(), QStringLiteral("Version"));
    EXPECT_EQ(about.label->toolTip(), QStringLiteral("Program version"));
    EXPECT_EQ(about.button->text(), QStringLiteral("Close"));
    EXPECT_EQ(about.button->toolTip(), QStringLiteral("Closes the box"));
    EXPECT_EQ(lm.GetHintDetail(QStringLiteral("BtnClose")), QStringLiteral("Line one\r\nLine two"));
    EXPECT_EQ(about.check->text(), QStringLiteral("Show"));
    EXPECT_EQ(about.group->title(), QStringLiteral("Group"));
    EXPECT_EQ(about.tabs->tabText(0), QStringLiteral("Information"));
    EXPECT_TRUE(about.page->toolTip().isEmpty());
    EXPECT_TRUE(about.group->toolTip().isEmpty());
    EXPECT_EQ(about.action->text(), QStringLiteral("Copy"));
    EXPECT_EQ(about.action->toolTip(), QStringLiteral("Copies the texts"));
    EXPECT_EQ(about.memo->toPlainText(), QStringLiteral("First line\nSecond line"));
    EXPECT_EQ(about.memo->document()->blockCount(), 2);
    ASSERT_EQ(about.combo->count(), 2);
    EXPECT_EQ(about.combo->itemText(0), QStringLiteral("One"));
    EXPECT_EQ(about.combo->itemText(1), QStringLiteral("Two"));
    EXPECT_EQ(lm.Translate(QStringLiteral("strA")), QStringLiteral("a"));
    EXPECT_EQ(lm.Translate(QStringLiteral("LblVersion")), QStringLiteral("!_LblVersion"));
}

TEST_F(WidgetTexts, HeaderWithoutCaptionKeepsTheWindowCaption)
{
    QWidget main;
    main.setObjectName(QStringLiteral("FormMain"));
    main.setWindowTitle(QStringLiteral("Designed"));
    auto *obdLabel = new QLabel(QStringLiteral("OBD"), &main); // a docked OBD page control
    obdLabel->setObjectName(QStringLiteral("LblObdState"));
    folder.writeCurrentLanguage(QStringLiteral("EN"),
                                {QStringLiteral("[FormMain]"), QStringLiteral("[FormMultiOBD]"),
                                 QStringLiteral("LblObdState=Connected")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Designed"));
    EXPECT_EQ(obdLabel->text(), QStringLiteral("Connected"));

    // The caption comes from the first line named after the header, in any letter case.
    folder.writeCurrentLanguage(QStringLiteral("DE"), {QStringLiteral("[formmain]=Hauptfenster"),
                                                       QStringLiteral("[FormMain]"),
                                                       QStringLiteral("[FormMain]=Zweite")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("DE")));
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Hauptfenster"));
}

TEST_F(WidgetTexts, WindowCreatedAfterTheLoadGetsNothing)
{
    folder.writeCurrentLanguage(QStringLiteral("EN"),
                                {QStringLiteral("[FormAbout]=About"), QStringLiteral("BtnClose=Close")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    AboutBox about;
    EXPECT_EQ(about.window.windowTitle(), QStringLiteral("O programie"));
    EXPECT_EQ(about.button->text(), QStringLiteral("Zamknij"));
    EXPECT_EQ(lm.Translate(QStringLiteral("BtnClose")), QStringLiteral("Close"));
}

TEST_F(WidgetTexts, FailedLoadLeavesWindowTexts)
{
    AboutBox about;
    folder.writeLanguage(QStringLiteral("EN"), {QStringLiteral("FileVersion=0.0.0.1"),
                                                QStringLiteral("[FormAbout]=About"),
                                                QStringLiteral("BtnClose=Close")});
    EXPECT_FALSE(lm.LoadLanguageFile(QStringLiteral("EN")));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(about.window.windowTitle(), QStringLiteral("O programie"));
    EXPECT_EQ(about.button->text(), QStringLiteral("Zamknij"));
}

TEST_F(WidgetTexts, PagesDockedIntoAnotherWindowStayTheirWindowsComponents)
{
    QWidget main;
    main.setObjectName(QStringLiteral("FormMain"));
    QWidget configuration;
    configuration.setObjectName(QStringLiteral("FrmMultiConfigurationTaronQV"));
    auto *page = new QWidget(&configuration);
    page->setObjectName(QStringLiteral("TbSCnfBase"));
    auto *label = new QLabel(QStringLiteral("Silnik"), page);
    label->setObjectName(QStringLiteral("LblEngine"));
    // The main window docks the page into one of its panels.
    page->setParent(&main);
    page->setProperty(TLMWidgetTexts::OwnerFormProperty, configuration.objectName());

    folder.writeCurrentLanguage(QStringLiteral("EN"), {QStringLiteral("[FrmMultiConfigurationTaronQV]=Configuration"),
                                                       QStringLiteral("LblEngine=Engine")});
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("EN")));
    EXPECT_EQ(configuration.windowTitle(), QStringLiteral("Configuration"));
    EXPECT_EQ(label->text(), QStringLiteral("Engine"));
    EXPECT_EQ(TLMWidgetTexts::DockedPagesOf(&configuration), QList<QWidget *>{page});
    EXPECT_TRUE(TLMWidgetTexts::DockedPagesOf(&main).isEmpty());
}
