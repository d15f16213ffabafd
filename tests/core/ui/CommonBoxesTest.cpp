// Message and question boxes through the answer provider: what each box
// shows, the one-box-at-a-time rule and the change-save question.
#include "core/LanguageFileFixture.h"
#include "core/AppConfig.h"
#include "core/LM.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
// Records every box and answers it from a queue (the default button when the
// queue is empty). `Nested` runs inside the first box, as a timer tick would.
class BoxRecorder {
public:
    BoxRecorder()
    {
        TCommon::SetAnswerProvider([this](const TMessageBoxInfo &box) {
            Boxes.push_back(box);
            if (Nested) {
                auto nested = std::move(Nested);
                Nested = nullptr;
                nested();
            }
            if (!Answers.isEmpty())
                return Answers.takeFirst();
            return box.Buttons.value(std::max(0, box.DefaultButton));
        });
    }
    ~BoxRecorder() { TCommon::SetAnswerProvider(nullptr); }

    QList<TMessageBoxInfo> Boxes;
    QList<int> Answers;
    std::function<void()> Nested;
};

class CommonBoxes : public ::testing::Test {
protected:
    void SetUp() override
    {
        TCommon::SetApplicationTitle("Taron Service - 4.0.19.0");
        common = std::make_unique<TCommon>();
    }
    void TearDown() override { TCommon::SetApplicationTitle(QString()); }

    BoxRecorder rec;
    std::unique_ptr<TCommon> common;
};
} // namespace

TEST_F(CommonBoxes, EachBoxShowsItsTypeButtonsDefaultAndCaption)
{
    common->ShowWarningMessage("w");
    common->ShowInformation("i", "Info");
    common->ShowWarning("w2", "");
    common->ShowError("e", TCommon::NoCaption());
    ASSERT_EQ(rec.Boxes.size(), 4);
    EXPECT_EQ(rec.Boxes[0].Type, mtWarning);
    EXPECT_EQ(rec.Boxes[0].Caption, "Taron Service - 4.0.19.0");
    EXPECT_EQ(rec.Boxes[0].Buttons, QList<int>({mrOk}));
    EXPECT_EQ(rec.Boxes[0].DefaultButton, 0);
    EXPECT_EQ(rec.Boxes[1].Type, mtInformation);
    EXPECT_EQ(rec.Boxes[1].Caption, "Info");
    EXPECT_EQ(rec.Boxes[1].Text, "i");
    EXPECT_EQ(rec.Boxes[2].Caption, "Taron Service - 4.0.19.0"); // none of its own: the program's name
    EXPECT_EQ(rec.Boxes[3].Type, mtError);
    EXPECT_EQ(rec.Boxes[3].Caption, ""); // one NUL character: empty title bar
}

TEST_F(CommonBoxes, QuestionsAnswerAndChooseTheirDefault)
{
    rec.Answers = {mrCancel, mrYes, mrNo, mrNo};
    EXPECT_EQ(common->AskOkCancel("q", "", false), mrCancel);
    EXPECT_TRUE(common->AskYesNoEx("q", ""));
    EXPECT_FALSE(common->AskYesNoEx("q", "Cap", true, true));
    EXPECT_EQ(common->AskYesNoCancelEx("q"), mrNo);
    ASSERT_EQ(rec.Boxes.size(), 4);
    EXPECT_EQ(rec.Boxes[0].Buttons, QList<int>({mrOk, mrCancel}));
    EXPECT_EQ(rec.Boxes[0].DefaultButton, 1); // Cancel is the default
    EXPECT_EQ(rec.Boxes[0].Type, mtConfirmation);
    EXPECT_EQ(rec.Boxes[1].Caption, "Taron Service - 4.0.19.0"); // empty: application title
    EXPECT_EQ(rec.Boxes[1].Buttons, QList<int>({mrYes, mrNo}));
    EXPECT_EQ(rec.Boxes[1].DefaultButton, 0);
    EXPECT_EQ(rec.Boxes[2].Type, mtWarning);
    EXPECT_EQ(rec.Boxes[2].Caption, "Cap");
    EXPECT_EQ(rec.Boxes[3].Buttons, QList<int>({mrYes, mrNo, mrCancel}));
    // Buttons stand in their fixed order whatever order they are given in.
    rec.Boxes.clear();
    common->MessageDialogEx("t", "c", -1, -1, 5, {mbCancel, mbYes, mbNo}, mtCustom);
    EXPECT_EQ(rec.Boxes[0].Buttons, QList<int>({mrYes, mrNo, mrCancel}));
    EXPECT_EQ(rec.Boxes[0].DefaultButton, -1); // index beyond 2: no default
}

TEST_F(CommonBoxes, OneGuardedBoxAtATime)
{
    int nestedYesNoCancel = -1;
    bool nestedYesNo = true;
    bool nestedYesNoEx = false;
    rec.Nested = [&] {
        common->ShowError("dropped");
        common->ShowWarning("dropped");
        common->ShowInformation("dropped");
        nestedYesNo = common->AskYesNo("not asked");
        nestedYesNoCancel = common->AskYesNoCancel("not asked");
        nestedYesNoEx = common->AskYesNoEx("asked"); // unguarded: still shown
        EXPECT_EQ(common->OpenGuardedBoxes(), 1);
    };
    rec.Answers = {mrYes, mrOk}; // the nested box is answered first
    common->ShowInformation("first");
    EXPECT_EQ(common->OpenGuardedBoxes(), 0);
    ASSERT_EQ(rec.Boxes.size(), 2);
    EXPECT_EQ(rec.Boxes[0].Text, "first");
    EXPECT_EQ(rec.Boxes[1].Text, "asked");
    EXPECT_FALSE(nestedYesNo);
    EXPECT_EQ(nestedYesNoCancel, mrCancel);
    EXPECT_TRUE(nestedYesNoEx);
    // The guard is lowered again: the next box shows.
    common->ShowError("again");
    EXPECT_EQ(rec.Boxes.size(), 3);
}

TEST_F(CommonBoxes, GuardIsLoweredWhenTheProviderThrows)
{
    TCommon::SetAnswerProvider([](const TMessageBoxInfo &) -> int { throw std::runtime_error("boom"); });
    EXPECT_THROW(common->ShowError("x"), std::runtime_error);
    EXPECT_EQ(common->OpenGuardedBoxes(), 0);
}

TEST_F(CommonBoxes, AskSaveChangedData)
{
    // No mode change pending: the question about writing changed data.
    rec.Answers = {mrNo};
    EXPECT_EQ(common->AskSaveChangedData(false), mrNo);
    ASSERT_EQ(rec.Boxes.size(), 1);
    EXPECT_EQ(rec.Boxes[0].Text, "!_strQuestWriteChangedData"); // no language loaded
    EXPECT_EQ(rec.Boxes[0].Caption, "!_strConfirmDataSave");
    EXPECT_EQ(rec.Boxes[0].Buttons, QList<int>({mrYes, mrNo, mrCancel}));
    // Confirm-only form without a pending mode change: Yes at once, no box.
    EXPECT_EQ(common->AskSaveChangedData(true), mrYes);
    EXPECT_EQ(rec.Boxes.size(), 1);

    // A pending mode change, confirm-only: Yes/No where No means Cancel.
    TCommon fresh;
    QList<bool> calls;
    fresh.OnQueryModChange = [&](bool commit) {
        calls << commit;
        return true;
    };
    rec.Boxes.clear();
    rec.Answers = {mrNo, mrYes};
    EXPECT_EQ(fresh.AskSaveChangedData(true), mrCancel);
    EXPECT_EQ(rec.Boxes[0].Text, "!_strQModChange");
    EXPECT_EQ(rec.Boxes[0].Caption, "Taron Service - 4.0.19.0"); // no caption of its own: the program's name
    EXPECT_EQ(rec.Boxes[0].Buttons, QList<int>({mrYes, mrNo}));
    EXPECT_EQ(fresh.AskSaveChangedData(true), mrYes);
    // The record waits for the write the Yes answered; after a failed one the next write asks again.
    EXPECT_TRUE(fresh.ChangeRecordOwed());
    EXPECT_EQ(fresh.AskSaveChangedData(true), mrYes); // the write's own gate asks nothing more
    fresh.ChangeWritten(false);
    EXPECT_FALSE(fresh.ChangeRecordOwed());
    rec.Answers = {mrYes};
    EXPECT_EQ(fresh.AskSaveChangedData(true), mrYes);
    EXPECT_EQ(rec.Boxes.size(), 3); // the mode-change question again
    fresh.ChangeWritten(true);
    EXPECT_EQ(calls, QList<bool>({false, false, false, false, true})); // committed once written
    fresh.ChangeWritten(true);
    EXPECT_EQ(calls.count(true), 1);
    // Once accepted, the plain question returns.
    rec.Answers = {mrYes};
    EXPECT_EQ(fresh.AskSaveChangedData(false), mrYes);
    EXPECT_EQ(rec.Boxes.last().Text, "!_strQuestWriteChangedData");

    // A fresh connection forgets the accepted change and a record still
    // owed: the next device is asked, and the last one's write sends none.
    fresh.ClearModeChangeAccepted();
    rec.Answers = {mrYes};
    EXPECT_EQ(fresh.AskSaveChangedData(true), mrYes);
    EXPECT_EQ(rec.Boxes.last().Text, "!_strQModChange");
    fresh.ClearModeChangeAccepted();
    fresh.ChangeWritten(true);
    EXPECT_EQ(calls.count(true), 1);
}

// A write runs as a TRecordedWrite: the record goes out once, when the
// outermost write reports one that went through; a part that failed, or a
// write that ends without a report, sends none and leaves the question.
TEST_F(CommonBoxes, RecordedWritesReportThroughTheOutermostWrite)
{
    TCommon *saved = Common;
    Common = common.get();
    int records = 0;
    common->OnQueryModChange = [&records](bool commit) {
        records += commit;
        return true;
    };
    const auto owe = [this] {
        rec.Answers = {mrYes};
        ASSERT_EQ(common->AskSaveChangedData(true), mrYes);
        ASSERT_TRUE(common->ChangeRecordOwed());
    };
    const struct {
        const char *Name;
        std::function<void()> Write;
        int Records;
    } rows[] = {
        {"given up without a report", [] { TRecordedWrite write; }, 0},
        {"reported failed", [] { EXPECT_FALSE(TRecordedWrite().Report(false)); }, 0},
        {"a part failed",
         [] {
             TRecordedWrite outer;
             EXPECT_FALSE(TRecordedWrite().Report(false));
             Common->ChangeWritten(true); // a writer outside the guard, as a part
             EXPECT_TRUE(outer.Report(true));
         },
         0},
        {"parts and the whole went through",
         [this, &records] {
             TRecordedWrite outer;
             EXPECT_TRUE(common->WriteInProgress());
             EXPECT_TRUE(TRecordedWrite().Report(true));
             Common->ChangeWritten(true);
             EXPECT_EQ(records, 0); // not before the outer write's last frame
             outer.Report(true);
             outer.Report(false); // a second report changes nothing
         },
         1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.Name);
        records = 0;
        owe();
        row.Write();
        EXPECT_FALSE(common->WriteInProgress());
        EXPECT_FALSE(common->ChangeRecordOwed());
        EXPECT_EQ(records, row.Records);
        // After a failed write the next one is asked again.
        rec.Boxes.clear();
        rec.Answers = {mrNo};
        common->AskSaveChangedData(true);
        EXPECT_EQ(rec.Boxes.size(), row.Records ? 0u : 1u);
        common->ClearModeChangeAccepted();
    }
    Common = saved;
}

TEST_F(CommonBoxes, ButtonCaptionsFollowTheLanguage)
{
    LanguageFolder folder;
    folder.writeCurrentLanguage("PL", {"[Strings]", "SMsgDlgYes=Tak", "SMsgDlgNo=Nie", "SMsgDlgOK="});
    TLM lm;
    TLM *saved = LM;
    LM = &lm;
    lm.SetProgramFolder(folder.programFolder());
    ASSERT_TRUE(lm.LoadLanguageFile("PL"));
    common->AskYesNoCancelEx("q");
    common->ShowWarningMessage("w");
    EXPECT_EQ(rec.Boxes[0].ButtonCaptions, QStringList({"Tak", "Nie", "Cancel"}));
    EXPECT_EQ(rec.Boxes[1].ButtonCaptions, QStringList({"OK"})); // empty text counts as missing

    // The same on a real dialog, by the buttons' roles.
    QMessageBox box;
    QPushButton *yes = box.addButton(QMessageBox::Yes);
    QPushButton *help = box.addButton(QMessageBox::Help);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    help->setText("Help");
    cancel->setText("Cancel");
    box.setText("label stays");
    TranslateDialogButtons(&box);
    EXPECT_EQ(yes->text(), "Tak");
    EXPECT_EQ(help->text(), "Help");     // modal result 0: kept
    EXPECT_EQ(cancel->text(), "Cancel"); // key missing: kept
    EXPECT_EQ(box.text(), "label stays");
    LM = saved;
}

TEST_F(CommonBoxes, RealDialogHonoursTheDefaultButtonAndAnswers)
{
    TCommon::SetAnswerProvider(nullptr);
    int seenDefault = -1;
    QString seenTitle;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seenTitle = box->windowTitle();
        for (QPushButton *b : box->findChildren<QPushButton *>())
            if (b->isDefault())
                seenDefault = ButtonModalResult(b);
        // Press No.
        for (QAbstractButton *b : box->buttons())
            if (ButtonModalResult(b) == mrNo)
                b->click();
    });
    const int result = common->MessageDialogEx("Really?", TCommon::NoCaption(), -1, -1, 1, {mbYes, mbNo, mbCancel},
                                               mtConfirmation);
    EXPECT_EQ(result, mrNo);
    // Blank, not empty: an empty title would show the program file's name.
    EXPECT_FALSE(seenTitle.isEmpty());
    EXPECT_TRUE(seenTitle.trimmed().isEmpty()) << seenTitle.toStdString();
    EXPECT_EQ(seenDefault, mrNo); // index 1 in box order
}

TEST_F(CommonBoxes, RealBoxStaysAboveTheSplashAndEndingAnswersWithoutShowing)
{
    TCommon::SetAnswerProvider(nullptr);
    // A stay-on-top splash as at start-up; the box shown after it must be
    // a stay-on-top window too, or the splash covers it.
    QWidget splash(nullptr, Qt::SplashScreen | Qt::WindowStaysOnTopHint);
    splash.resize(400, 300);
    splash.show();
    bool onTop = false;
    bool visible = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        visible = box->isVisible();
        box->buttons().first()->click();
    });
    common->ShowError("INI file damaged");
    EXPECT_TRUE(onTop);
    EXPECT_TRUE(visible);

    // Ending: no box is shown; questions get their escape answer.
    TCommon::SetEnding(true);
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            shown = true;
            box->close();
        }
    });
    EXPECT_EQ(common->AskOkCancel("Go offline?"), mrCancel);
    EXPECT_FALSE(common->AskYesNoEx("Save?"));
    TCommon::SetEnding(false);
    QApplication::processEvents();
    EXPECT_FALSE(shown);
}

TEST_F(CommonBoxes, SettingsErrorsBecomeErrorBoxes)
{
    TAppConfig config;
    TAppConfig *saved = AppConfig;
    AppConfig = &config;
    {
        TCommon withSettings;
        ASSERT_TRUE(static_cast<bool>(config.OnMessage));
        common->ShowInformation("x"); // nothing open: the guard does not matter
        rec.Nested = [&] { config.OnMessage("INI file read only", "Error!"); };
        common->ShowWarning("open");
        ASSERT_EQ(rec.Boxes.size(), 3); // shown although a guarded box is open
        EXPECT_EQ(rec.Boxes[2].Type, mtError);
        EXPECT_EQ(rec.Boxes[2].Caption, "Error!");
        EXPECT_EQ(rec.Boxes[2].Text, "INI file read only");
    }
    EXPECT_FALSE(static_cast<bool>(config.OnMessage)); // not left dangling
    AppConfig = saved;
}

TEST(CommonBoxesFromEnvironment, AnswerWithoutAWindow)
{
    TCommon::SetAnswerProvider(nullptr);
    qputenv("TARON_BOX_ANSWERS", "default");
    {
        TCommon common;
        EXPECT_TRUE(TCommon::HasAnswerProvider());
        EXPECT_EQ(common.AskOkCancel("q", "", false), mrCancel); // the default button
        EXPECT_TRUE(common.AskYesNo("q"));                       // Yes is its default
    }
    TCommon::SetAnswerProvider(nullptr);
    qputenv("TARON_BOX_ANSWERS", "7");
    {
        TCommon common;
        EXPECT_EQ(common.AskYesNoCancel("q"), mrNo);
        EXPECT_EQ(common.AskOkCancel("q"), mrOk); // 7 not offered: the default
    }
    qunsetenv("TARON_BOX_ANSWERS");
    TCommon::SetAnswerProvider(nullptr);
    EXPECT_FALSE(TCommon::InstallAnswersFromEnvironment());
}

TEST(CommonLanguageMessages, LanguageFileErrorsBecomeErrorBoxes)
{
    BoxRecorder rec;
    LanguageFolder folder;
    TLM lm;
    TLM *saved = LM;
    LM = &lm;
    lm.SetProgramFolder(folder.programFolder());
    {
        TCommon common;
        EXPECT_FALSE(lm.LoadLanguageFile("EN"));
        ASSERT_EQ(rec.Boxes.size(), 1);
        EXPECT_EQ(rec.Boxes[0].Caption, "Error");
        EXPECT_EQ(rec.Boxes[0].Type, mtWarning);
        EXPECT_EQ(rec.Boxes[0].Buttons, QList<int>({mrOk}));
        EXPECT_TRUE(rec.Boxes[0].Text.startsWith("File not found:\r\n"));
        EXPECT_TRUE(rec.Boxes[0].Text.endsWith("/Resource/_EN.lng"));
    }
    // The hook goes with the services object; a hook set elsewhere is kept.
    EXPECT_FALSE(lm.MessageHook);
    QStringList own;
    lm.MessageHook = [&](const QString &m) { own << m; };
    {
        TCommon common;
        lm.LoadLanguageFile("DE");
    }
    EXPECT_EQ(rec.Boxes.size(), 1);
    EXPECT_EQ(own.size(), 1);
    EXPECT_TRUE(lm.MessageHook);
    LM = saved;
}
