// The corrections page of the main window against the simulated controller:
// the frames of its read and write by device kind and version, presets and
// user-defined curves, the adaptation maps' editing and live cell, and a
// write that fails half-way.
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/PageWindowFixture.h"
#include "mainwindow/configuration/CorrectionsPage.h"
#include "sim/SimControllerFixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace sim;

namespace {

Bytes Block(uint8_t command, const std::array<int, 20> &values)
{
    Bytes b{0xC0, command};
    for (int v : values)
        b.push_back(uint8_t(int8_t(v)));
    b.push_back(SimController::Sum(b.data(), b.size()));
    return b;
}

Bytes Write16(uint8_t id, uint16_t v) { return Request({0x16, id, uint8_t(v >> 8), uint8_t(v)}); }

constexpr std::array<int, 20> kPsys = {5, 4, 3, 2, 1, 0, -1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12, -13, -14};
constexpr std::array<int, 20> kPcol = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10};

} // namespace

class CorrectionsPageTest : public PageWindowFixture
{
protected:
    static void SetUpTestSuite()
    {
        CreateWindow();
        Page = TCorrectionsPage::Install(*Window);
        if (!ProgramLogic)
            ProgramLogic = Logic = new TProgramLogic;
    }
    static void TearDownTestSuite()
    {
        if (ProgramLogic == Logic)
            ProgramLogic = nullptr;
        delete Logic;
        Logic = nullptr;
        PageWindowFixture::TearDownTestSuite();
    }
    void SetUp() override
    {
        Boxes.clear();
        TCommon::SetAnswerProvider([](const TMessageBoxInfo &box) {
            Boxes << box.Text;
            return box.Buttons.value(0);
        });
    }

    // A device holding distinct curves, bank-2 correction and maps.
    void FillDevice()
    {
        Rig->Device([](SimControllerState &s) {
            for (int i = 0; i < 20; ++i) {
                s.Payload[0xD0][i] = uint8_t(int8_t(kPsys[i]));
                s.Payload[0x97][i] = uint8_t(int8_t(kPcol[i]));
                s.Payload[0xD2][i] = uint8_t(int8_t(TProgramLogic::TgasSmall[i]));
                s.Payload[0xDB][i] = uint8_t(int8_t(TProgramLogic::RpmPreset4[i]));
            }
            s.Model[74] = 0x0B; // Psys, Tgas and Pcol on
            s.Model[104] = 0x03;
            s.Model[11] = 1075;
            s.Model[12] = 37;
            s.Model[13] = 0x81;
            s.Param8[45] = 3;
            s.Param8[46] = 4;
            for (int k = 0; k < 100; ++k) {
                s.AdaptBanks[0][k] = uint8_t(int8_t(k % 21 - 10));
                s.AdaptBanks[1][k] = uint8_t(int8_t(10 - k % 21));
            }
            Bytes &axes = s.Payload[0x60];
            for (int i = 0; i < 10; ++i) {
                axes[i] = uint8_t(20 + 20 * i);
                axes[10 + 2 * i] = uint8_t((1000 + 500 * i) >> 8);
                axes[11 + 2 * i] = uint8_t(1000 + 500 * i);
            }
            s.Param16[22] = 2805;
        });
    }

    static std::vector<Bytes> Frames(const std::vector<Bytes> &all, uint8_t command)
    {
        std::vector<Bytes> out;
        for (const Bytes &f : all)
            if (f.size() > 1 && f[1] == command)
                out.push_back(f);
        return out;
    }

    static inline TCorrectionsPage *Page = nullptr;
    static inline TProgramLogic *Logic = nullptr;
    static inline QStringList Boxes;
};

TEST_F(CorrectionsPageTest, ReadAndWriteFramesByKindAndVersion)
{
    struct Case {
        uint8_t kind;
        char version;
        std::vector<uint8_t> read;   // command codes of the read, in order
        std::vector<uint8_t> write;  // command codes of the write before its read-back
    };
    const Case cases[] = {
        // Kinds 20/21 read no curve but write Psys, Tgas and RPM from the
        // cells; the injector mask goes once, with the bank-2 model.
        {20, 'E', {0x12, 0x12, 0x12}, {0x16, 0xD1, 0xD3, 0xDA, 0x16, 0x16, 0x16}},
        // Kind 48 below "D": the RPM bit is read and written once more.
        {48, 'C', {0xD0, 0xD2, 0xDB, 0x12, 0x12, 0x12}, {0x16, 0xD1, 0xD3, 0xDA, 0x16, 0x16, 0x16, 0x12, 0x16}},
        // Kind 48 from "G": Pcol, the maps and their full scale, the presets,
        // each curve of a preset once, after its code.
        {48, 'G',
         {0x12, 0xD0, 0xD2, 0xDB, 0x97, 0x60, 0x61, 0x61, 0x61, 0x61, 0x12, 0x51, 0x12, 0x12, 0x12, 0x07, 0x07},
         {0x16, 0xD1, 0x98, 0x16, 0x62, 0x62, 0x62, 0x62, 0x52, 0x16, 0x16, 0x16, 0x08, 0xD3, 0x08, 0xDA}},
        // From "I" the manifold-pressure full scale is written too.
        {48, 'I',
         {0x12, 0xD0, 0xD2, 0xDB, 0x97, 0x60, 0x61, 0x61, 0x61, 0x61, 0x12, 0x51, 0x07, 0x12, 0x12, 0x12, 0x07, 0x07},
         {0x16, 0xD1, 0x98, 0x16, 0x62, 0x62, 0x62, 0x62, 0x52, 0x08, 0x16, 0x16, 0x16, 0x08, 0xD3, 0x08, 0xDA}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(1, c.version) + std::to_string(c.kind));
        Connect(c.kind, c.version);
        FillDevice();
        Window->BtnCorReadCorrectionsClick();
        ASSERT_FALSE(Get<QAbstractButton>("ChBActiveCorrectionRPM")->isChecked());
        std::vector<uint8_t> codes;
        for (const Bytes &f : Rig->Requests())
            codes.push_back(f[1]);
        EXPECT_EQ(codes, c.read);
        Rig->Server.log().clear();
        Window->BtnCorWriteCorrectionsClick();
        const auto frames = Rig->Requests();
        ASSERT_GE(frames.size(), c.write.size());
        codes.clear();
        for (size_t i = 0; i < c.write.size(); ++i)
            codes.push_back(frames[i][1]);
        EXPECT_EQ(codes, c.write);
        // The write ends with a read of the page.
        EXPECT_EQ(frames.size(), c.write.size() + c.read.size());
        EXPECT_FALSE(Window->ConfigModified());
        // The RPM correction, off on the page and in the device, is off in
        // the device afterwards (below "D" its bit is written once more)
        // and on the page read again.
        Rig->Device([](SimControllerState &s) { EXPECT_EQ(s.Model[74] & 4, 0); });
        EXPECT_FALSE(Get<QAbstractButton>("ChBActiveCorrectionRPM")->isChecked());
    }

    // An "F" controller holds no adaptation banks (they come with "G"): the
    // page's read reads its curves and neither the banks nor their axes,
    // and its write sends no bank.
    Connect(48, 'F');
    FillDevice();
    Window->BtnCorReadCorrectionsClick();
    const auto read = Rig->Requests();
    EXPECT_FALSE(Frames(read, 0xD0).empty());
    EXPECT_TRUE(Frames(read, 0x61).empty());
    EXPECT_TRUE(Frames(read, 0x60).empty());
    Rig->Server.log().clear();
    Window->BtnCorWriteCorrectionsClick();
    EXPECT_FALSE(Frames(Rig->Requests(), 0xD1).empty());
    EXPECT_TRUE(Frames(Rig->Requests(), 0x62).empty());
}

TEST_F(CorrectionsPageTest, UnchangedWriteSendsTheValuesRead)
{
    Connect(48, 'G');
    FillDevice();
    Window->BtnCorReadCorrectionsClick();
    EXPECT_EQ(Page->Cell(TCorrectionsPage::Psys, 19)->text(), "-14");
    EXPECT_TRUE(Get<QAbstractButton>("SpBtnCorTgasSmall")->isChecked());
    EXPECT_TRUE(Get<QAbstractButton>("SpBtnCorRpmBig")->isChecked());
    EXPECT_TRUE(Get<QAbstractButton>("ChBActiveCorrectionPcol")->isChecked());
    EXPECT_FALSE(Get<QAbstractButton>("ChBActiveCorrectionRPM")->isChecked());
    EXPECT_EQ(Get<QComboBox>("CmbMaxTbForLoadBank1")->currentText(), "15");
    EXPECT_EQ(Page->CorrectionGrid(2)->item(0, 0)->text(), "10");
    EXPECT_EQ(Get<QTableWidget>("StGOBDAdaptBank1LoadThresholds")->item(9, 0)->text(), "15.0");
    EXPECT_EQ(Get<QTableWidget>("StGOBDAdaptBank2RPMThresholds")->item(0, 9)->text(), "5500");

    Rig->Server.log().clear();
    Window->BtnCorWriteCorrectionsClick();
    const auto frames = Rig->Requests();
    EXPECT_EQ(frames[0], Write16(74, 0x0B));
    EXPECT_EQ(Frames(frames, 0xD1).at(0), Block(0xD1, kPsys));
    EXPECT_EQ(Frames(frames, 0x98).at(0), Block(0x98, kPcol));
    EXPECT_EQ(Frames(frames, 0xD3).at(0), Block(0xD3, TProgramLogic::TgasSmall));
    EXPECT_EQ(Frames(frames, 0xDA).at(0), Block(0xDA, TProgramLogic::RpmPreset4));
    EXPECT_EQ(Frames(frames, 0x52).at(0), Request({0x52, 22, 2805 >> 8, 2805 & 0xFF}));
    for (const Bytes &f : {Write16(11, 1075), Write16(12, 37), Write16(13, 0x81), Write16(104, 0x03),
                           Request({0x08, 45, 3}), Request({0x08, 46, 4})})
        EXPECT_NE(std::find(frames.begin(), frames.end(), f), frames.end()) << int(f[2]);
    // The maps go back as they came.
    Rig->Device([](SimControllerState &s) {
        for (int k = 0; k < 100; ++k)
            ASSERT_EQ(int8_t(s.AdaptBanks[1][k]), 10 - k % 21);
    });
}

// A cell holds whole percent its signed byte holds. A text that is none is
// refused before anything is asked or sent, naming the cell and what is
// wrong; the page keeps the text and stays modified.
TEST_F(CorrectionsPageTest, CellsTakeWholePercentOfTheirByteAndPsysIsAlwaysActive)
{
    // Shown in a language that writes a decimal comma.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    Connect(20, 'E');
    Window->BtnCorReadCorrectionsClick();
    Get<QAbstractButton>("ChBActiveCorrectionPsys")->setChecked(false);
    Page->Cell(TCorrectionsPage::Psys, 0)->setText("127");
    Page->Cell(TCorrectionsPage::Psys, 1)->setText("-14");
    Page->Cell(TCorrectionsPage::Psys, 2)->setText("3");
    Page->Cell(TCorrectionsPage::Psys, 3)->setText("-99"); // (the cells take three characters)
    Rig->Server.log().clear();
    Window->BtnCorWriteCorrectionsClick();
    const Bytes d1 = Frames(Rig->Requests(), 0xD1).at(0);
    EXPECT_EQ(d1[2], 127);
    EXPECT_EQ(d1[3], 0xF2);
    EXPECT_EQ(d1[4], 3);
    EXPECT_EQ(d1[5], 0x9D);
    EXPECT_EQ(Rig->Requests().at(0), Write16(74, 1));

    const QString notNumber = QStringLiteral("!_strConfValueNotNumber !_strConfValueAllowed -128\u00A0-\u2060\u00A0127");
    const QString notWhole = QStringLiteral("!_strConfValueNotWhole !_strConfValueAllowed -128\u00A0-\u2060\u00A0127");
    const QString range = QStringLiteral("!_strConfValueRange -128\u00A0-\u2060\u00A0127");
    const struct {
        const char *Typed;
        QString Why;
    } rows[] = {{"2,5", notWhole}, {"2.5", notWhole},   {"150", range},      {"999", range}, {"0,5", notWhole},
                {"",    notNumber}, {"0..", notNumber}, {",,5", notNumber}, {"x", notNumber}, {"1-", notNumber}};
    // The cell's name: its curve's and its column's captions.
    const QString cell = Get<QAbstractButton>("ChBActiveCorrectionPsys")->text() + QStringLiteral(" [")
                         + Get<QLabel>("LblCorrPsysCol2")->text().trimmed() + QStringLiteral("]: ");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.Typed);
        Page->Cell(TCorrectionsPage::Psys, 1)->setText(QString::fromLatin1(row.Typed));
        Window->SetConfigModified(true);
        Boxes.clear();
        Rig->Server.log().clear();
        Window->BtnCorWriteCorrectionsClick();
        EXPECT_TRUE(Rig->Requests().empty());
        ASSERT_EQ(Boxes.size(), 1); // the refusal, no change-record question
        EXPECT_EQ(Boxes[0], cell + row.Why);
        EXPECT_EQ(Page->Cell(TCorrectionsPage::Psys, 1)->text(), QString::fromLatin1(row.Typed));
        EXPECT_TRUE(Window->ConfigModified());
    }
    Window->SetConfigModified(false);
    QLocale::setDefault(before);

    // A write that stops part-way keeps the edits: the page shows the values
    // it sent.
    Page->Cell(TCorrectionsPage::Psys, 0)->setText("100");
    Page->Cell(TCorrectionsPage::Psys, 1)->setText("-99");
    Rig->Server.injectFaultWhen([](const Bytes &f) { return f[1] == 0xD3; }, sim::Fault::noAnswer(), 2);
    Window->BtnCorWriteCorrectionsClick();
    EXPECT_EQ(Page->Cell(TCorrectionsPage::Psys, 0)->text(), "100");
    EXPECT_EQ(Page->Cell(TCorrectionsPage::Psys, 1)->text(), "-99");
    Rig->Server.clearFaults();
}

TEST_F(CorrectionsPageTest, PresetsAndUserDefinedCurves)
{
    Connect(48, 'G');
    FillDevice();
    Window->BtnCorReadCorrectionsClick();
    // Typing so the curve leaves the small preset makes it user-defined ...
    Page->Cell(TCorrectionsPage::Tgas, 0)->setText("-7");
    EXPECT_EQ(DeviceRecord.TgasCorType, TCorrectionsPage::PresetUser);
    EXPECT_TRUE(Get<QAbstractButton>("SpBtnCorTgasUserDefined")->isChecked());
    EXPECT_TRUE(Window->ConfigModified());
    // ... and typing it back does not switch back.
    Page->Cell(TCorrectionsPage::Tgas, 0)->setText("-6");
    EXPECT_EQ(DeviceRecord.TgasCorType, TCorrectionsPage::PresetUser);
    // A preset button fills the curve and remembers its code.
    Get<QAbstractButton>("SpBtnCorRpmSmall")->click();
    EXPECT_EQ(DeviceRecord.RPMCorType, TCorrectionsPage::PresetSmall);
    EXPECT_EQ(Page->Cell(TCorrectionsPage::Rpm, 19)->text(), "8");
    Get<QAbstractButton>("SpBtnCorTgasBig")->click();
    EXPECT_EQ(Page->Cell(TCorrectionsPage::Tgas, 19)->text(), "15");
    Rig->Server.log().clear();
    Window->BtnCorWriteCorrectionsClick();
    const auto frames = Rig->Requests();
    EXPECT_EQ(Frames(frames, 0xDA).at(0), Block(0xDA, TProgramLogic::RpmPreset3));
    EXPECT_NE(std::find(frames.begin(), frames.end(), Request({0x08, 45, 4})), frames.end());
    EXPECT_NE(std::find(frames.begin(), frames.end(), Request({0x08, 46, 3})), frames.end());
}

TEST_F(CorrectionsPageTest, MapEditingAndTheLiveCell)
{
    Connect(48, 'G');
    FillDevice();
    Window->BtnCorReadCorrectionsClick();
    QTableWidget *grid = Page->CorrectionGrid(1);
    struct Step { const char *button; int before, after; };
    const Step steps[] = {{"BtnPlus5Bank1", 125, 127}, {"BtnMinus5Bank1", -125, -127}, {"BtnPlus1Bank1", 3, 4},
                          {"BtnMinus1Bank1", 3, 2},    {"BtnZeroBank1", 9, 0}};
    for (const Step &s : steps) {
        grid->item(0, 0)->setText(QString::number(s.before));
        grid->clearSelection();
        grid->setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 0), true);
        Get<QAbstractButton>(s.button)->click();
        EXPECT_EQ(grid->item(0, 0)->text(), QString::number(s.after)) << s.button;
        EXPECT_EQ(DeviceRecord.AdaptBanks[0][0][0], s.after) << s.button;
    }
    Window->SetConfigModified(false);
    Get<QAbstractButton>("BtnResetBank2")->click();
    EXPECT_TRUE(Window->ConfigModified());
    EXPECT_EQ(DeviceRecord.AdaptBanks[1][5][5], 0);

    // Load axis 20, 40, ..., 200; RPM axis 1000, 1500, ..., 5500.
    struct Live { int load, rpm, row, column; };
    const Live live[] = {{10, 900, 0, 0}, {40, 1500, 1, 1}, {41, 1501, 2, 2}, {255, 9000, 9, 9}};
    for (const Live &l : live) {
        Window->ReadingsServices.OBDSetActualLoadAndRpmIndex(2, l.load, l.rpm);
        EXPECT_EQ(Page->ActualLoadIndex(2), l.row) << l.load;
        EXPECT_EQ(Page->ActualRpmIndex(2), l.column) << l.rpm;
    }
    EXPECT_EQ(Page->ActualLoadIndex(1), 0);
}

TEST_F(CorrectionsPageTest, CellColoursFollowTheValue)
{
    const std::pair<int, uint32_t> colours[] = {
        {0, 0xFFFF00}, {127, 0xFF0100}, {-1, 0xFFFF00}, {-127, 0x03FF00}, {10, 0xFFEB00}};
    for (auto [value, rgb] : colours)
        EXPECT_EQ(TCorrectionsPage::CellColour(value), rgb) << value;
}

TEST_F(CorrectionsPageTest, LoadFromManifoldPressureSwitchesTheMaxLoadLists)
{
    Connect(48, 'I');
    FillDevice();
    Rig->Device([](SimControllerState &s) { s.Param8[53] = 109; });
    Window->BtnCorReadCorrectionsClick();
    Get<QAbstractButton>("ChBLoadFromPcol")->click();
    EXPECT_EQ(Get<QComboBox>("CmbMaxTbForLoadBank2")->count(), 5);
    EXPECT_EQ(Get<QWidget>("LblLoadUnitBank1")->property("text").toString(), "bar");
    Get<QComboBox>("CmbMaxTbForLoadBank1")->setCurrentIndex(4);
    Rig->Server.log().clear();
    Window->BtnCorWriteCorrectionsClick();
    const auto frames = Rig->Requests();
    EXPECT_NE(std::find(frames.begin(), frames.end(), Request({0x08, 53, 153})), frames.end());
    // The petrol-time full scale keeps its value while pressure items are shown.
    EXPECT_EQ(Frames(frames, 0x52).at(0), Request({0x52, 22, 2805 >> 8, 2805 & 0xFF}));
    EXPECT_NE(std::find(frames.begin(), frames.end(), Write16(104, 0x07)), frames.end());
}

TEST_F(CorrectionsPageTest, FailedWriteKeepsThePageModifiedAndASecondWriteCompletesIt)
{
    Connect(48, 'G');
    FillDevice();
    Window->BtnCorReadCorrectionsClick();
    Page->Cell(TCorrectionsPage::Pcol, 0)->setText("9");
    Window->SetConfigModified(true);
    Rig->Server.injectFaultWhen([](const Bytes &f) { return f.size() > 1 && f[1] == 0xD3; }, Fault::noAnswer(), 2);
    Rig->Server.log().clear();
    Window->BtnCorWriteCorrectionsClick();
    EXPECT_TRUE(Frames(Rig->Requests(), 0xDA).empty());
    EXPECT_EQ(Boxes.size(), 1);
    ASSERT_TRUE(Rig->Connect());
    Window->SetConfigModified(true);
    EXPECT_EQ(Page->Cell(TCorrectionsPage::Pcol, 0)->text(), "9");
    Window->BtnCorWriteCorrectionsClick();
    EXPECT_FALSE(Window->ConfigModified());
    Rig->Device([](SimControllerState &s) { EXPECT_EQ(s.Payload[0x97][0], 9); });
}

TEST_F(CorrectionsPageTest, AnOffsetBeyondTheWordIsRefusedBeforeAnyFrame)
{
    Connect(20, 'E');
    Window->BtnCorReadCorrectionsClick();
    Get<QLineEdit>("YEdModel2CorrectionOffset")->setText("200");
    Rig->Server.log().clear();
    Window->BtnCorWriteCorrectionsClick();
    EXPECT_TRUE(Rig->Requests().empty());
    ASSERT_EQ(Boxes.size(), 1);
    EXPECT_TRUE(Boxes[0].contains("175.22"));
}
