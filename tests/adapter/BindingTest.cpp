// Window controls bound to adapter variables: what each kind of control
// shows and writes back, user input a variable cannot take, the refresh by
// scope, the binding errors, and the modified mark reaching the OBD window's
// write button.
#include "adapter/DevStateAdapter.h"
#include "adapter/FormMultiOBD.h"
#include "adapter/Logic.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "controls/ControlTestSupport.h"
#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "core/LM.h"
#include "core/ui/Common.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace controltest;

namespace {

// A window with a tab page, the logic, and the boxes it shows.
struct BindingRig {
    BindingRig()
    {
        Common = &TheCommon;
        TCommon::SetAnswerProvider([this](const TMessageBoxInfo &box) {
            Boxes << box.Text;
            return box.Buttons.isEmpty() ? 0 : box.Buttons.first();
        });
        Window.setObjectName(QStringLiteral("FormTest"));
        Tabs = new QTabWidget(&Window);
        Page = new QWidget;
        Page->setObjectName(QStringLiteral("TbSTest"));
        Tabs->addTab(Page, QStringLiteral("Test"));
    }
    ~BindingRig()
    {
        TCommon::SetAnswerProvider({});
        Common = nullptr;
    }

    template <typename W>
    W *Make(const char *name)
    {
        auto *w = new W(Page);
        w->setObjectName(QString::fromLatin1(name));
        return w;
    }

    TCommon TheCommon;
    TLogic Logic;
    QWidget Window;
    QTabWidget *Tabs;
    QWidget *Page;
    QStringList Boxes;
};

} // namespace

TEST(AdapterBinding, EditInputTheVariableCannotTakeIsReportedAndUndone)
{
    BindingRig r;
    TVariable *revision = r.Logic.UIStateAdapter()->AdapterRevisionVersion;
    auto *edit = r.Make<QLineEdit>("EdtRevision");
    r.Logic.BindVariable(revision, edit, QString(), bfTwoWay | bfInteger);

    typeText(edit, "30");
    EXPECT_EQ(revision->GetAsInteger(), 30);
    EXPECT_TRUE(r.Boxes.isEmpty());
    // Out of the byte's range: refused in the words of every field's
    // refusal, quoting the text and naming the range; the value shown again.
    const auto quoted = [](const char *text) { return ShownLocale().quoteString(QString::fromLatin1(text)) + ": "; };
    typeText(edit, "0");
    EXPECT_EQ(revision->GetAsInteger(), 30);
    ASSERT_EQ(r.Boxes.size(), 1);
    EXPECT_TRUE(r.Boxes.first().startsWith(quoted("300") + "!_strConfValueRange 0")) << r.Boxes.first().toStdString();
    EXPECT_TRUE(r.Boxes.first().endsWith("255")) << r.Boxes.first().toStdString();
    EXPECT_EQ(edit->text(), "30");
    // Not a number at all.
    typeText(edit, "x");
    EXPECT_EQ(revision->GetAsInteger(), 30);
    ASSERT_EQ(r.Boxes.size(), 2);
    EXPECT_TRUE(r.Boxes.last().startsWith(quoted("30x") + "!_strConfValueNotNumber")) << r.Boxes.last().toStdString();
    EXPECT_EQ(edit->text(), "30");
    // Emptied: the variable keeps its value while the user types anew (an
    // empty field is no 0; a write refuses it), and nothing is said.
    edit->selectAll();
    keyPress(edit, Qt::Key_Delete);
    EXPECT_EQ(revision->GetAsInteger(), 30);
    EXPECT_EQ(r.Boxes.size(), 2);
    EXPECT_TRUE(edit->text().isEmpty());
    typeText(edit, "42");
    EXPECT_EQ(revision->GetAsInteger(), 42);
    // A fraction is no whole number.
    edit->setText(QStringLiteral("4.5"));
    Q_EMIT edit->textEdited(edit->text());
    EXPECT_EQ(revision->GetAsInteger(), 42);
    EXPECT_EQ(edit->text(), "42");
    ASSERT_EQ(r.Boxes.size(), 3);
    EXPECT_TRUE(r.Boxes.last().startsWith(quoted("4.5") + "!_strConfValueNotWhole")) << r.Boxes.last().toStdString();
    // A value the variable itself refuses from a handler of the window's own
    // is told in the language's words, not the variable's English.
    auto *custom = r.Make<QCheckBox>("ChBCustom");
    r.Logic.BindVariableCustom(
        revision, custom, QString(), [](QWidget *, TVariable *v) { v->SetAsInteger(300); },
        [](QWidget *w, TVariable *v) { static_cast<QCheckBox *>(w)->setChecked(v->GetAsInteger() != 0); });
    custom->click();
    EXPECT_EQ(revision->GetAsInteger(), 42);
    ASSERT_EQ(r.Boxes.size(), 4);
    EXPECT_EQ(r.Boxes.last(), "!_strTextConfNotStorable");

    // Flag 1 alone shows the value and writes nothing back.
    auto *shown = r.Make<QLineEdit>("EdtShown");
    r.Logic.BindVariable(revision, shown, QString(), bfTwoWay);
    revision->SetAsInteger(7);
    r.Logic.RefreshVariable(revision);
    EXPECT_EQ(shown->text(), "7");
    typeText(shown, "1");
    EXPECT_EQ(revision->GetAsInteger(), 7);
}

TEST(AdapterBinding, CombosCheckBoxesAndImagesShowAndWriteByTheirRules)
{
    BindingRig r;
    TVariable *value = r.Logic.UIStateAdapter()->AdapterDeviceType;
    auto *byIndex = r.Make<QComboBox>("CmbIndex");
    auto *byText = r.Make<QComboBox>("CmbText");
    for (QComboBox *c : {byIndex, byText})
        c->addItems({"5", "1", "3"});
    r.Logic.BindVariable(value, byIndex, QString(), bfTwoWay);
    r.Logic.BindVariable(value, byText, QString(), bfTwoWay | bfItemText);
    value->SetAsInteger(1);
    r.Logic.RefreshVariable(value);
    EXPECT_EQ(byIndex->currentIndex(), 0);
    EXPECT_EQ(byText->currentIndex(), 1);
    byIndex->setCurrentIndex(2);
    emit byIndex->activated(2);
    EXPECT_EQ(value->GetAsInteger(), 3);
    byText->setCurrentIndex(0);
    emit byText->activated(0);
    EXPECT_EQ(value->GetAsInteger(), 5);

    // A check box on a byte shows and writes nothing; on a bit only that bit.
    auto *onByte = r.Make<QCheckBox>("ChBByte");
    auto *onBit = r.Make<QCheckBox>("ChBBit");
    r.Logic.BindVariable(value, onByte, QString(), bfTwoWay);
    TUIStateOBD *obd = r.Logic.UIStateOBD();
    r.Logic.BindVariable(obd->OBDConfig_1_EE_isAdaptationEnabled, onBit, QString(), bfTwoWay);
    r.Logic.RefreshAllBindings();
    EXPECT_FALSE(onByte->isChecked());
    onByte->click();
    EXPECT_EQ(value->GetAsInteger(), 5);
    obd->OBDConfig_1_EE->SetAsInteger(8);
    onBit->click();
    EXPECT_EQ(obd->OBDConfig_1_EE->GetAsInteger(), 8 | 2);
    onBit->click();
    EXPECT_EQ(obd->OBDConfig_1_EE->GetAsInteger(), 8);

    // A picture of a boolean shows image 1 or 0.
    auto *image = r.Make<TSelectedImage>("SelImAdaptation");
    r.Logic.BindVariable(obd->OBDConfig_1_EE_isAdaptationEnabled, image, QString(), bfDisplay);
    obd->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(true);
    r.Logic.RefreshVariable(obd->OBDConfig_1_EE_isAdaptationEnabled);
    EXPECT_EQ(image->ImageIndex(), 1);
    obd->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(false);
    r.Logic.RefreshVariable(obd->OBDConfig_1_EE_isAdaptationEnabled);
    EXPECT_EQ(image->ImageIndex(), 0);
}

TEST(AdapterBinding, RefreshByScopeAndBindingErrors)
{
    BindingRig r;
    TVariable *a = r.Logic.UIStateAdapter()->AdapterHardwareVersion;
    TVariable *b = r.Logic.UIStateAdapter()->AdapterSoftwareOptions;
    auto *onPage = r.Make<QLabel>("LblOnPage");
    auto *elsewhere = new QLabel(&r.Window);
    TBinding *pageBinding = r.Logic.BindVariable(a, onPage, QString(), bfDisplay);
    EXPECT_EQ(pageBinding->Scope, "TbSTest");
    r.Logic.BindVariable(a, elsewhere, QStringLiteral("TbSOther"), bfDisplay);
    TBinding *unscoped = r.Logic.BindVariable(b, r.Make<QLabel>("LblNoScope"), QString(), bfDisplay);
    unscoped->Scope.clear();

    a->SetAsInteger(4); // changes mark the variable's bindings
    b->SetAsInteger(6);
    r.Logic.RefreshChangedBindings(QStringLiteral("TbSTest"));
    EXPECT_EQ(onPage->text(), "4");
    EXPECT_EQ(elsewhere->text(), "");
    EXPECT_EQ(static_cast<QLabel *>(unscoped->Control.data())->text(), "6");
    onPage->clear();
    r.Logic.RefreshChangedBindings(QStringLiteral("TbSTest"));
    EXPECT_EQ(onPage->text(), ""); // nothing changed since
    // Clearing the modified mark marks every binding changed.
    r.Logic.UIState()->SetModified(true, QString());
    r.Logic.UIState()->SetModifiedFlag(false);
    r.Logic.RefreshChangedBindings();
    EXPECT_EQ(onPage->text(), "4");
    EXPECT_EQ(elsewhere->text(), "4");

    // Errors of the window's creation code.
    try {
        r.Logic.BindVariable(a, onPage, QString(), bfDisplay);
        FAIL() << "bound twice";
    } catch (const EVariableError &e) {
        EXPECT_STREQ(e.what(), "Control LblOnPage has been already bound to AdapterHardwareVersion");
    }
    EXPECT_NO_THROW(r.Logic.BindVariable(b, onPage, QString(), bfDisplay));
    try {
        r.Logic.BindVariable(a, r.Make<QPushButton>("BtnX"), QString(), bfTwoWay);
        FAIL() << "button bound";
    } catch (const EVariableError &e) {
        EXPECT_STREQ(e.what(), "Binding not implemented for control: QPushButton");
    }
    EXPECT_THROW(r.Logic.BindVariable(a, r.Make<QFrame>("PnlX"), QString(), bfDisplay), EVariableError);
    EXPECT_NO_THROW(r.Logic.BindVariable(a, r.Make<QFrame>("PnlY"), QString(), bfCustom));
}

TEST(AdapterBinding, EditingAnOBDSettingHighlightsTheOBDWriteButton)
{
    BindingRig r;
    Logic = &r.Logic;
    TFormMultiOBD obd;
    FormMultiOBD = &obd;
    r.Logic.Startup(false);
    EXPECT_FALSE(r.Logic.UIState()->Modified());
    auto *check = r.Make<QCheckBox>("ChBAdapt");
    r.Logic.BindVariable(r.Logic.UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled, check, QString(), bfTwoWay);
    EXPECT_FALSE(obd.BtBOBDWriteConfig->font().bold());
    check->click();
    EXPECT_TRUE(r.Logic.UIState()->Modified());
    EXPECT_TRUE(obd.BtBOBDWriteConfig->font().bold());
    r.Logic.UIState()->SetModifiedFlag(false);
    EXPECT_FALSE(obd.BtBOBDWriteConfig->font().bold());
    // A local variable marks nothing.
    r.Logic.UIState()->FindByName(QStringLiteral("LocalAdvancedView"))->SetAsBoolean(true);
    EXPECT_FALSE(r.Logic.UIState()->Modified());
    FormMultiOBD = nullptr;
    Logic = nullptr;
}
