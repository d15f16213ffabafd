// The trouble-code pages against the simulated controller: codes and their
// texts in order, the freeze frame item by item, clearing, the freeze-frame
// history, and the tick opening the page after a connect found stored codes.
#include "common/GiveUp.h"
#include "common/Screenshots.h"
#include "core/LanguageFileFixture.h"
#include "mainwindow/ProgramRun.h"
#include "mainwindow/shell/TroubleCodes.h"
#include "core/UnitConversions.h"
#include "sim/SimControllerFixture.h"

#include <QRegularExpression>
#include <QLocale>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace sim;

namespace {

// (command, index) of the controller requests: the index of 0x31/0x33 reads,
// the parameter byte of 0x58, else 0.
std::vector<std::pair<int, int>> Reads(const std::vector<Bytes> &frames)
{
    std::vector<std::pair<int, int>> out;
    for (const Bytes &f : frames) {
        // 0x40 reads are the pressure sensor's calibration values, which every
        // pressure conversion of this sensor variant reads afresh.
        if (f.size() < 3 || f[0] != 0xC0 || f[1] == 0x40)
            continue;
        const int c = f[1];
        out.emplace_back(c, c == 0x31 || c == 0x33 ? f[2] << 8 | f[3] : c == 0x58 ? f[2] : 0);
    }
    return out;
}

class TroubleCodesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language.writeCurrentLanguage("PL", {"[Strings]", "err00=Tryb serwisowy", "err20=Czujnik ciśnienia",
                                             "err26=Niski poziom gazu", "err27="});
        Lm.SetProgramFolder(Language.programFolder());
        ASSERT_TRUE(Lm.LoadLanguageFile("PL"));
        SavedLm = LM;
        LM = &Lm;
        Window = std::make_unique<TFormMain>();
        ASSERT_TRUE(Rig.Connect());
        Rig.Device([](SimControllerState &s) {
            s.Payload[0x13][2] = 0xC1;  // active group 3: bits 1, 7, 8
            s.Payload[0x13][8] = 0x01;  // stored group 1: bit 1
            s.Payload[0x13][11] = 0x08; // stored group 4: bit 4
            s.Counters[148] = 1;        // freeze frame of group 2 ...
            s.Counters[149] = 0x06;     // ... with a mask of two bits
            s.Words[150] = 11220;
            s.Words[152] = 748;
            s.Words[154] = 935;
            for (int i = 156; i <= 160; ++i)
                s.Counters[uint16_t(i)] = uint8_t(i - 100);
        });
    }
    void TearDown() override
    {
        Window.reset();
        LM = SavedLm;
    }
    template <typename T> T *Get(const char *name)
    {
        T *o = Window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(o, nullptr) << name;
        return o;
    }
    QString Memo(const char *name) { return Get<QPlainTextEdit>(name)->toPlainText(); }

    LanguageFolder Language;
    TLM Lm;
    TLM *SavedLm = nullptr;
    SimControllerRig Rig{48, 'I'};
    std::unique_ptr<TFormMain> Window;
};

TEST_F(TroubleCodesTest, MainPageListsCodesWithTextsAndReadsTheFreezeFrame)
{
    DeviceRecord.HemiEngine = 1;
    DeviceRecord.TuningMode = 0;
    Get<QToolButton>("SpBOdcReadTC")->click();
    // Group order, bit order; a code without text keeps its number.
    EXPECT_EQ(Memo("MemOdcTroubleCodeAct"),
              "E1031: (ERROR) Czujnik ciśnienia\nE1037: (INFO) Niski poziom gazu\nE1038: (INFO)");
    EXPECT_EQ(Memo("MemOdcTroubleCodeStored"), "E1011: (INFO) Tryb serwisowy\nE1044: (ERROR)");
    const QStringList frame = {"Kod/Code= E1020",
                               "Rpm=" + FormatRpm(11220) + " rpm",
                               "Tb=" + FormatTimeMs(748) + " ms",
                               "Tg=" + FormatTimeMs(935) + " ms",
                               "P=" + FormatPressure(56) + " bar",
                               "Pcol=" + FormatCollectorPressure(57) + " bar",
                               "Tred=" + FormatTemperature(58) + " C",
                               "Tgas=" + FormatTemperature(59) + " C",
                               QString::asprintf("Usupply=%.2f V", RawToScaledVoltage(60)).replace('.', ',')};
    EXPECT_EQ(Memo("MemOdcTroubleFrame"), frame.join('\n'));
    const std::vector<std::pair<int, int>> wire = {
        {0x13, 0},   {0x33, 148}, {0x33, 149}, {0x33, 148}, {0x31, 150}, {0x31, 152}, {0x31, 154},
        {0x33, 156}, {0x33, 157}, {0x33, 158}, {0x33, 159}, {0x33, 160}};
    EXPECT_EQ(Reads(Rig.Requests()), wire);
    // Every number of the frame in the notation of the language shown
    // (Polish), whatever the user's desktop.
    EXPECT_TRUE(frame.join('\n').contains(QRegularExpression("\\d,\\d")));
    for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Polish, QLocale::Poland)}) {
        const QLocale saved;
        QLocale::setDefault(locale);
        Window->SpBOdcReadTCClick();
        QLocale::setDefault(saved);
        EXPECT_EQ(Memo("MemOdcTroubleFrame"), frame.join('\n'));
    }
    Get<QWidget>("TbSDgnErrorCodes")->grab().save(testsupport::ScreenshotPath(QStringLiteral("troublecodes-texts.png")));

    // The option flags turn the kinds of group 1 and of code 4/4.
    DeviceRecord.HemiEngine = 0;
    DeviceRecord.TuningMode = 1;
    Rig.Device([](SimControllerState &s) { s.Counters[148] = 255; });
    Rig.Server.log().clear();
    Window->SpBOdcReadTCClick();
    EXPECT_EQ(Memo("MemOdcTroubleCodeStored"), "E1011: (ERROR) Tryb serwisowy\nE1044: (INFO)");
    EXPECT_EQ(Memo("MemOdcTroubleFrame"), "") << "no freeze frame";
    EXPECT_EQ(Reads(Rig.Requests()), (std::vector<std::pair<int, int>>{{0x13, 0}, {0x33, 148}}));

    // A failed code read leaves the code memos empty; the frame is still read.
    Rig.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] == 0x13; },
                               Fault::noAnswer(), 10);
    Rig.Server.log().clear();
    Window->SpBOdcReadTCClick();
    Rig.Server.clearFaults();
    EXPECT_EQ(Memo("MemOdcTroubleCodeAct"), "");
    EXPECT_EQ(Memo("MemOdcTroubleCodeStored"), "");
    EXPECT_EQ(Memo("MemOdcTroubleFrame").split('\n').size(), 9) << Memo("MemOdcTroubleFrame").toStdString();

    // While not connected nothing is sent and nothing changes.
    Window->SpBOdcReadTCClick();
    const QString before = Memo("MemOdcTroubleCodeStored");
    Rig.Manager.SetConnected(false);
    Rig.Server.log().clear();
    Window->SpBOdcReadTCClick();
    Window->SpBDebugReadTroubleCodesClick();
    Window->SpBOdcClearTroubleCodeClick();
    EXPECT_TRUE(Rig.Requests().empty());
    EXPECT_EQ(Memo("MemOdcTroubleCodeStored"), before);
}

TEST_F(TroubleCodesTest, ClearingSendsTheClearFrameAndReadsAgain)
{
    // The window the tick opens after a connect found codes.
    Get<QTabWidget>("PgCDiagnostyka")->setCurrentIndex(0);
    Window->MnIWindowDgnTroubleCodesClick();
    EXPECT_EQ(Get<QTabWidget>("PgCMain")->currentWidget()->objectName(), "TbSDiagnostic");
    EXPECT_EQ(Get<QTabWidget>("PgCDiagnostyka")->currentWidget()->objectName(), "TbSDgnErrorCodes");
    EXPECT_TRUE(Memo("MemOdcTroubleCodeStored").startsWith("E1011: "));
    for (const char *button : {"SpBOdcClearTroubleCode", "SpBDebugEraseTroubleCodes"}) {
        Rig.Device([](SimControllerState &s) { s.Payload[0x13][2] = 0x01; });
        Window->SpBOdcReadTCClick();
        ASSERT_EQ(Memo("MemOdcTroubleCodeAct"), "E1031: (ERROR) Czujnik ciśnienia");
        Rig.Server.log().clear();
        Get<QToolButton>(button)->click();
        const auto frames = Rig.Requests();
        ASSERT_GE(frames.size(), 2u) << button;
        EXPECT_EQ(frames[0], Request({0x14, 0x14})) << button;
        EXPECT_EQ(frames[1][1], 0x13) << button;
        EXPECT_EQ(Memo("MemOdcTroubleCodeAct"), "") << button;
        EXPECT_EQ(Memo("MemOdcTroubleCodeStored"), "") << button;
    }
}

TEST_F(TroubleCodesTest, TheWindowActionReadsTheCodesOnceFromEveryStartingPage)
{
    auto *main = Get<QTabWidget>("PgCMain");
    auto *diagnostic = Get<QTabWidget>("PgCDiagnostyka");
    const auto codeReads = [&] {
        int n = 0;
        for (const auto &r : Reads(Rig.Requests()))
            n += r.first == 0x13;
        return n;
    };
    // From another main page with the code page shown or not inside, and
    // from the code page itself.
    const struct { const char *main; int inner; } starts[] = {
        {"TbSMeasure", 0}, {"TbSMeasure", 1}, {"TbSDiagnostic", 0}, {"TbSDiagnostic", 1}};
    for (const auto &start : starts) {
        SCOPED_TRACE(std::string(start.main) + " " + std::to_string(start.inner));
        {
            const QSignalBlocker a(main), b(diagnostic);
            main->setCurrentWidget(Get<QWidget>(start.main));
            diagnostic->setCurrentIndex(start.inner);
        }
        Rig.Server.log().clear();
        Window->MnIWindowDgnTroubleCodesClick();
        EXPECT_EQ(diagnostic->currentWidget()->objectName(), "TbSDgnErrorCodes");
        EXPECT_EQ(codeReads(), 1);
    }
}

TEST_F(TroubleCodesTest, HistoryListsNewestFirstAndBoundsTheDeviceIndex)
{
    Rig.Device([](SimControllerState &s) {
        s.DebugCount = 3;
        for (int e = 0; e < 10; ++e) {
            auto &r = s.DebugRecords[size_t(e)];
            r.fill(0);
            r[0] = uint8_t(e % 4);          // group - 1
            r[1] = uint8_t(1u << (e % 8));  // bit (e % 8) + 1
            r[2] = 0x2B;                    // RPM period 11220
            r[3] = 0xD4;
            r[8] = 150;                     // Psys
            r[12] = 143;                    // supply voltage, 12.99 V
            r[19] = uint8_t(e);             // gas working time
        }
        s.DebugRecords[4][0] = 255; // empty entry
        s.DebugRecords[6][1] = 0x06; // two bits
    });
    auto *grid = Get<QTableWidget>("StGStoredTroubleCodes");
    grid->setCurrentCell(1, 0);
    Rig.Server.log().clear();
    Get<QToolButton>("SpBDebugReadTroubleCodes")->click();
    std::vector<std::pair<int, int>> history;
    for (const auto &r : Reads(Rig.Requests()))
        if (r.first == 0x58)
            history.push_back(r);
    ASSERT_EQ(history.size(), 10u);
    EXPECT_EQ(history.back(), std::make_pair(0x58, 9));
    EXPECT_EQ(Memo("MemTroubleCodeAct"),
              "E1031: (ERROR) Czujnik ciśnienia\nE1037: (INFO) Niski poziom gazu\nE1038: (INFO)");
    EXPECT_TRUE(Memo("MemFreezedFrame").startsWith("Kod/Code= E1020\nRpm="));

    // Rows list entries 2, 1, 0, 9, 8, 7, 6, 5, 4, 3.
    const int entries[10] = {2, 1, 0, 9, 8, 7, 6, 5, 4, 3};
    for (int row = 0; row < 10; ++row) {
        const int e = entries[row];
        QString expected = TTroubleCodesPage::DebugWczytajOpisyBanku(e % 4 + 1, e % 8 + 1);
        if (e == 4)
            expected.clear();
        if (e == 6)
            expected = "E1030: (ERROR)";
        EXPECT_EQ(grid->item(row, 0)->text(), expected) << row;
    }
    // The selected row (1: entry 1) is shown; choosing row 5 shows entry 7.
    EXPECT_TRUE(Memo("MemActiveFreezedFrame").startsWith("Kod/Code= E1022\n"));
    grid->setCurrentCell(5, 0);
    const QStringList lines = Memo("MemActiveFreezedFrame").split('\n');
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], "Kod/Code= E1048");
    EXPECT_EQ(lines[1], "Rpm=" + FormatRpm(11220) + " rpm");
    EXPECT_EQ(lines[4], "P=" + FormatPressure(150) + " bar");
    EXPECT_EQ(lines[8], "Usupply=" + FormatFloat2(12.99) + " V");
    EXPECT_EQ(lines[9], "Czas pracy na gazie= 7");
    Get<QWidget>("TbSFreezedFrames")->grab().save(testsupport::ScreenshotPath(QStringLiteral("freezeframes.png")));
    grid->setCurrentCell(8, 0); // entry 4: empty
    EXPECT_EQ(Memo("MemActiveFreezedFrame"), "");

    // A history index beyond the ten entries lists nothing; a failed entry
    // read ends the history reads.
    Rig.Device([](SimControllerState &s) { s.DebugCount = 200; });
    Rig.Server.injectFaultWhen([](const Bytes &f) { return f.size() > 2 && f[1] == 0x58 && f[2] == 4; },
                               Fault::noAnswer(), 10);
    Rig.Server.log().clear();
    Window->SpBDebugReadTroubleCodesClick();
    Rig.Server.clearFaults();
    int last = -1;
    for (const auto &r : Reads(Rig.Requests()))
        if (r.first == 0x58)
            last = std::max(last, r.second);
    EXPECT_EQ(last, 4);
    for (int row = 0; row < 10; ++row)
        EXPECT_EQ(grid->item(row, 0)->text(), "") << row;
    grid->setCurrentCell(2, 0);
    EXPECT_EQ(Memo("MemActiveFreezedFrame"), "");
    EXPECT_EQ(TTroubleCodesPage::EntryOfRow(10, 3), -1);
    EXPECT_EQ(TTroubleCodesPage::EntryOfRow(0, 0), 9);
    EXPECT_EQ(TTroubleCodesPage::EntryOfRow(0, 10), 9);
    EXPECT_EQ(TTroubleCodesPage::EntryOfRow(0, 11), -1);
}

// The real program: a connect that finds stored codes opens the page, which
// reads the codes again and the freeze frame.
TEST(TroubleCodesWiring, ProgramReadsTheCodesAndFreezeFrameAfterConnecting)
{
    if (!startup::ProgramRun::ProgramExists())
        GTEST_SKIP() << "program not built beside the tests";
    startup::ProgramRun run;
    run.Device->Server.withLock([&] { run.Device->Controller.State.Payload[0x13][8] = 0x01; });
    ASSERT_TRUE(run.Start());
    const bool read = run.WaitForFrames(
        [](const std::vector<ReceivedFrame> &frames) {
            for (const auto &f : frames)
                if (f.bytes.size() >= 4 && f.bytes[1] == 0x33 && f.bytes[2] == 0 && f.bytes[3] == 148)
                    return true;
            return false;
        },
        testsupport::GiveUpMs);
    EXPECT_TRUE(read) << run.Output.toStdString();
    int codeReads = 0;
    for (const auto &f : run.Device->Server.log().frames())
        codeReads += f.bytes.size() >= 2 && f.bytes[0] == 0xC0 && f.bytes[1] == 0x13;
    EXPECT_GE(codeReads, 2) << "the connect's read and the page's";
    run.Process.terminate();
    EXPECT_TRUE(run.Process.waitForFinished(testsupport::GiveUpMs));
}

} // namespace
