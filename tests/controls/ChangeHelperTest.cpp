#include "controls/ChangeHelper.h"
#include "controls/ControlTestSupport.h"
#include "controls/DipSwitch.h"
#include "controls/YEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace controltest;

namespace {
template <typename T>
T *make(QWidget *parent, const char *name)
{
    auto *w = new T(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

// A page with one control of each kind, some inside a nested group.
struct Page {
    QWidget page;
    QLineEdit *edit = make<QLineEdit>(&page, "EdName");
    TYEdit *yedit = make<TYEdit>(&page, "YEdValue");
    QCheckBox *check = make<QCheckBox>(&page, "ChBOption");
    QComboBox *combo = make<QComboBox>(&page, "CbBKind");
    QGroupBox *group = make<QGroupBox>(&page, "GbMore");
    QSpinBox *spin = make<QSpinBox>(group, "SpinCount");
    QPlainTextEdit *memo = make<QPlainTextEdit>(group, "MemNotes");
    QTextEdit *rich = make<QTextEdit>(group, "MemRich");
    TDipSwitch *dip = make<TDipSwitch>(group, "DipA");
    QRadioButton *radio = make<QRadioButton>(group, "RbA");
    QSlider *slider = make<QSlider>(group, "TbLevel");
    QListWidget *list = make<QListWidget>(group, "LbItems");
    QLabel *label = make<QLabel>(group, "LblInfo");
    QPushButton *button = make<QPushButton>(group, "BtWrite");

    TChangeHelper helper;
    QStringList senders;

    Page()
    {
        combo->addItems({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
        list->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        slider->setRange(0, 10);
        spin->setRange(0, 100);
        check->setText(QStringLiteral("Option"));
        check->resize(100, 20);
        radio->setText(QStringLiteral("A"));
        radio->resize(100, 20);
        button->resize(80, 24);
        page.show();
        QObject::connect(&helper, &TChangeHelper::OnModified, &page,
                         [this](QObject *sender) { senders << sender->objectName(); });
    }

    // What the program does when it loads values from the device.
    void load()
    {
        edit->setText(QStringLiteral("loaded"));
        yedit->setText(QStringLiteral("12"));
        check->setChecked(!check->isChecked());
        combo->setCurrentIndex(2);
        spin->setValue(spin->value() + 7);
        memo->setPlainText(QStringLiteral("device text"));
        rich->setPlainText(QStringLiteral("device text"));
        rich->setHtml(QStringLiteral("<b>device</b> text"));
        memo->clear();
        dip->SetChecked(!dip->Checked());
        radio->setChecked(true);
        slider->setValue(slider->value() + 3);
        list->setCurrentRow(2);
        settle();
    }
};
} // namespace

TEST(ChangeHelper, LoadingValuesNeverMarksModified)
{
    Page p;
    p.helper.AttachTo(&p.page);
    p.load();
    p.load();
    EXPECT_TRUE(p.senders.isEmpty()) << p.senders.join(QLatin1Char(',')).toStdString();
    EXPECT_FALSE(p.helper.Modified());
}

TEST(ChangeHelper, UserEditsFireWithTheControl)
{
    Page p;
    p.helper.AttachTo(&p.page);
    p.load();

    typeText(p.edit, QStringLiteral("x"));
    typeText(p.yedit, QStringLiteral("5"));
    mouseClick(p.check, QPoint(5, 10));
    keyPress(p.combo, Qt::Key_Up);
    settle();
    keyPress(p.spin, Qt::Key_Up);
    settle();
    typeText(p.memo, QStringLiteral("y"));
    typeText(p.rich, QStringLiteral("z"));
    mousePress(p.dip->LowerLabel(), QPoint(2, 2));
    mouseClick(p.radio, QPoint(5, 10));
    keyPress(p.slider, Qt::Key_Right);
    settle();
    keyPress(p.list, Qt::Key_Up);
    settle();

    EXPECT_EQ(p.senders, QStringList({"EdName", "YEdValue", "ChBOption", "CbBKind", "SpinCount",
                                      "MemNotes", "MemRich", "DipA", "RbA", "TbLevel",
                                      "LbItems"}));
    // The helper never sets the owner's flag itself.
    EXPECT_FALSE(p.helper.Modified());

    // After the user's edits, loading still does not count.
    p.senders.clear();
    p.load();
    EXPECT_TRUE(p.senders.isEmpty()) << p.senders.join(QLatin1Char(',')).toStdString();
}

TEST(ChangeHelper, OnlyEditingControlsAreWatched)
{
    Page p;
    p.helper.AttachTo(&p.page);
    mouseClick(p.button, QPoint(10, 10));
    mouseClick(p.label, QPoint(2, 2));
    settle();
    EXPECT_TRUE(p.senders.isEmpty());

    // A control added after attaching is not watched.
    auto *late = make<QLineEdit>(p.group, "EdLate");
    late->show();
    typeText(late, QStringLiteral("a"));
    EXPECT_TRUE(p.senders.isEmpty());
}

TEST(ChangeHelper, AttachingTwiceFiresTwice)
{
    Page p;
    p.helper.AttachTo(p.group);
    p.helper.AttachTo(p.group);
    typeText(p.memo, QStringLiteral("q"));
    typeText(p.edit, QStringLiteral("q")); // outside the group
    EXPECT_EQ(p.senders, QStringList({"MemNotes", "MemNotes"}));
}

TEST(ChangeHelper, ControlHandlersStillRun)
{
    Page p;
    int ownHandler = 0;
    QObject::connect(p.check, &QCheckBox::clicked, &p.page, [&] { ++ownHandler; });
    p.helper.AttachTo(&p.page);
    mouseClick(p.check, QPoint(5, 10));
    EXPECT_EQ(ownHandler, 1);
    EXPECT_EQ(p.senders, QStringList({"ChBOption"}));
    EXPECT_TRUE(p.check->isChecked());
}
