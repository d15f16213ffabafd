// The small windows: their named components, the about box's version texts,
// the port chooser over a ports folder, the splash's cancel button, the PIN
// dialog's checks and the working-pressure list.
#include "windows/FormAbout.h"
#include "windows/FormAutocalibrationInit.h"
#include "windows/FormPicture.h"
#include "windows/FormWorkingPressure.h"
#include "windows/FrmConfigLevelSensor.h"
#include "windows/FrmFirmInfo.h"
#include "windows/FrmHaslo.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/FrmMultiConfigurationTaronQV.h"
#include "windows/FrmSelectComPort.h"
#include "windows/FrmWinetka.h"
#include "windows/NamedWidget.h"
#include "windows/QRpKarta.h"
#include "windows/WindowsTestSupport.h"

#include "controls/YEdit.h"
#include "core/LM.h"
#include "core/VersionInfo.h"
#include "common/TestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "sim/SimControllerFixture.h"

#include <QDate>
#include <QLocale>

#include <gtest/gtest.h>

namespace {
void expectChildren(QWidget &window, const QStringList &names)
{
    for (const QString &name : names)
        EXPECT_NE(window.findChild<QObject *>(name), nullptr) << window.objectName().toStdString() << ": "
                                                              << name.toStdString();
}

struct LMGuard {
    TLM lm;
    LMGuard() { LM = &lm; }
    ~LMGuard() { LM = nullptr; }
};
} // namespace

TEST(SmallWindows, EachWindowCarriesItsNamedComponents)
{
    TFormAbout about;
    expectChildren(about, {"PnlFrmAboutInfo", "MemInfoQV", "ImgIco", "ImageLogo", "verProductName", "verFileVersion",
                           "verInternalName", "verDeviceVersion", "verCompilationTime", "verSN"});
    TFrmSelectComPort ports;
    expectChildren(ports, {"PnlStandard", "EdtComPort", "UpDComPort", "CmBComPort", "PnlButtons",
                           "BtnSelectComPortOK", "BtnSelectComPortCancel"});
    TFormPicture picture;
    expectChildren(picture, {"ImgPicture", "LblFilename", "LblPictureClose"});
    TFormWorkingPressure pressure;
    expectChildren(pressure, {"CmBWPWorkPressure", "BtnWPWorkPressure", "BtnWPWriteAndContinue", "BtnWPContinue"});
    TFormAutocalibrationInit autocal;
    expectChildren(autocal, {"EdtTxt1", "CmBInjType", "CmBInjSystemType", "BtnCheckInjSystem", "GrBModel", "UpDMult",
                             "YEdMULT", "UpDOffset", "YEdOffset", "ChBUseOnIdleModel", "BtnYes", "BtnCancel"});
    TFrmConfigLevelSensor level;
    expectChildren(level, {"PnlFormFrmConfigLevelSensor", "CmBKnfLSColorLedState", "PnlKnfLSLedState",
                           "PnlFormFrmConfigLevelSensorTresholds", "TrBKnfLSThreshold0_2", "TrBKnfLSThreshold3_2",
                           "LblKnfLSThreshold0_2", "LblKnfLSThreshold3_2", "EdtActualLevel", "BtnKnfLSDefault",
                           "BtnKnfLSSave", "BtnKnfLSCancel", "TimerLevelSensor"});
    TFrmHaslo pin;
    expectChildren(pin, {"YEdHaslo", "YEdPotwierdzHaslo", "LblHaslo", "LblHaslo2", "BtBOK", "BtBAnuluj"});
    TFrmMultiCalibrationTaronQV calibration;
    expectChildren(calibration, {"PnlMultiCalibration", "PgCCalibration", "TbSMultiCalibrationAuto",
                                 "TbSMultiCalibrationModel", "TbSMultiCalibrationMap",
                                 "TbSMultiCalibrationCorrections", "CmBCalMapRPMRange", "PnlCalCorrPcol"});
    EXPECT_EQ(calibration.PgCCalibration->count(), 4);
    TFrmMultiConfigurationTaronQV configuration;
    expectChildren(configuration, {"PnlMultiConfiguration"});

    // The windows' own names are what the language loader looks them up by.
    EXPECT_EQ(about.objectName(), "FormAbout");
    EXPECT_EQ(level.objectName(), "FrmConfigLevelSensor");
    EXPECT_EQ(pin.objectName(), "FrmHaslo");
}

TEST(SmallWindows, AboutBoxShowsTheProgramVersionTexts)
{
    LMGuard lm;
    RecordGuard record;
    DeviceRecord.DeviceKind = 0;
    TFormAbout about;
    about.FormShow();
    const TVersionInfo *info = LM->VerInfo;
    ASSERT_FALSE(info->FileVersion().isEmpty());
    EXPECT_EQ(about.verFileVersion->text(), info->FileVersion());
    // The line under "Data:" is the program's date, not its internal name.
    EXPECT_EQ(about.verInternalName->text(), TFormAbout::ProgramDate());
    EXPECT_TRUE(QDate::fromString(about.verInternalName->text(), "yyyy-MM-dd").isValid());
    EXPECT_EQ(about.verProductName->text(), info->FileDescription() + " " + info->ProductVersion());
    // No device: the three device texts are unknown.
    const QString unknown = LM->Translate("strUnknown");
    EXPECT_EQ(about.verDeviceVersion->text(), unknown);
    EXPECT_EQ(about.verCompilationTime->text(), unknown);
    EXPECT_EQ(about.verSN->text(), unknown);

    // A connected device: its full version text and its serial, read from it.
    sim::SimControllerRig rig(48, 'H');
    rig.Device([](sim::SimControllerState &d) {
        d.Pages[1] = 2;
        d.Pages[4] = 7;
        d.Words[84] = 0x0305;
        d.Words[88] = 12345;
        d.Words[90] = 0;
    });
    ASSERT_TRUE(rig.Connect());
    about.FormShow();
    const QString version = about.verDeviceVersion->text();
    EXPECT_TRUE(version.contains("30H")) << version.toStdString();
    EXPECT_GT(version.size(), 8) << "the full text, not the letter alone";
    EXPECT_EQ(about.verCompilationTime->text(), DeviceRecord.CompDate + " " + DeviceRecord.CompTime);
    EXPECT_EQ(about.verSN->text(), "12345070503");

    // The icon copies five lines and says so.
    BoxRecorder boxes;
    about.ImgIcoClick();
    const QStringList lines = QApplication::clipboard()->text().split("\r\n");
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[1], about.LabelVersion->text() + " " + info->FileVersion());
    EXPECT_EQ(lines[3], about.LabelDevice->text() + " " + version + " " + about.verCompilationTime->text());
    EXPECT_EQ(lines[4], about.LblSN->text() + " 12345070503");
    ASSERT_EQ(boxes.Boxes.size(), 1);
    EXPECT_EQ(boxes.Boxes[0].Text, LM->Translate("strInfoCopiedToClipboard"));
}

TEST(SmallWindows, PortChooserListsThePortsOfThePortsFolder)
{
    TempPortsFolder folder({3, 7, 12});
    TFrmSelectComPort chooser;
    chooser.Port = 7;
    chooser.FormShow();
    ASSERT_EQ(chooser.CmBComPort->count(), 3);
    EXPECT_EQ(chooser.CmBComPort->itemText(0), "COM3 - /dev/ttyTEST3");
    EXPECT_EQ(chooser.CmBComPort->itemText(2), "COM12 - /dev/ttyTEST12");
    EXPECT_EQ(chooser.CmBComPort->currentIndex(), 1); // the current port
    chooser.CmBComPort->setCurrentIndex(2);
    chooser.BtnSelectComPortOKClick();
    EXPECT_EQ(chooser.Port, 12);

    // A current port that is not present selects the first item.
    chooser.Port = 5;
    chooser.FormShow();
    EXPECT_EQ(chooser.CmBComPort->count(), 3);
    EXPECT_EQ(chooser.CmBComPort->currentIndex(), 0);
    chooser.BtnSelectComPortOKClick();
    EXPECT_EQ(chooser.Port, 3);
}

TEST(SmallWindows, SplashWithoutPictureShowsTheProductNameAndACancelAfterOneSecond)
{
    qint64 now = 5000;
    SetSplashClock([&now] { return now; });
    SetSplashStatus("ignored", false); // no splash: nothing happens
    ShowSplash();
    ASSERT_NE(FrmWinetka, nullptr);
    EXPECT_TRUE(FrmWinetka->isVisible());
    EXPECT_FALSE(FrmWinetka->HasPicture());
    EXPECT_EQ(FrmWinetka->LblProgram->text(), "Taron Service");
    EXPECT_FALSE(FrmWinetka->LblProgram->isHidden());
    EXPECT_FALSE(SplashOffLineRequested());

    int cancelled = 0;
    SetSplashStatus("Connecting", false);
    EXPECT_EQ(FrmWinetka->LblStatus->text(), "Connecting");
    EXPECT_TRUE(FrmWinetka->BtnCancel->isHidden()); // no handler yet
    SetSplashCancelHandler([&cancelled](QObject *) { ++cancelled; });
    now = 6000; // 1000 ms: not yet
    SetSplashStatus("Connecting", false);
    EXPECT_TRUE(FrmWinetka->BtnCancel->isHidden());
    now = 6001;
    SetSplashStatus("Connecting", true); // connected: no cancel
    EXPECT_TRUE(FrmWinetka->BtnCancel->isHidden());
    SetSplashStatus("Connecting", false);
    EXPECT_FALSE(FrmWinetka->BtnCancel->isHidden());
    FrmWinetka->BtnCancel->click();
    EXPECT_EQ(cancelled, 1);

    HideSplash();
    EXPECT_EQ(FrmWinetka, nullptr);
    HideSplash(); // again: nothing
    SetSplashClock({});
}

TEST(SmallWindows, LockDialogChecksLengthAndConfirmation)
{
    BoxRecorder boxes;
    QStringList typed;
    bool confirmSame = true;
    QList<bool> okResults;
    // The modal loop is replaced: type, press OK (repeat while refused), or cancel.
    SetModalExecHook([&](QDialog *dialog) {
        auto *pin = static_cast<TFrmHaslo *>(dialog);
        EXPECT_EQ(pin->YEdHaslo->maxLength(), 9);
        EXPECT_EQ(pin->YEdHaslo->EditCharsType(), TYEdit::etInteger);
        for (const QString &text : typed) {
            pin->YEdHaslo->setText(text);
            pin->YEdPotwierdzHaslo->setText(confirmSame ? text : "0" + text);
            okResults << pin->BtBOKClick();
            if (okResults.last())
                return pin->result();
        }
        pin->BtBAnulujClick();
        return pin->result();
    });

    QString pin;
    typed = {"123", "1234"};
    EXPECT_TRUE(ExecuteLockDialog(false, 4, pin));
    EXPECT_EQ(pin, "1234");
    EXPECT_EQ(okResults, (QList<bool>{false, true}));
    ASSERT_EQ(boxes.Boxes.size(), 1);
    EXPECT_TRUE(boxes.Boxes[0].Text.contains("4")); // names the minimal length
    EXPECT_EQ(FrmHaslo, nullptr);                   // created and freed again

    // Locking: "0123" does not confirm "123"... (text comparison)
    okResults.clear();
    boxes.Boxes.clear();
    typed = {"1234"};
    confirmSame = false;
    EXPECT_FALSE(ExecuteLockDialog(true, 4, pin));
    EXPECT_EQ(okResults, (QList<bool>{false}));
    ASSERT_EQ(boxes.Boxes.size(), 1);
    EXPECT_EQ(boxes.Boxes[0].Caption, LM ? LM->Translate("strPassErr2") : QString("!_strPassErr2"));
    EXPECT_EQ(pin, "1234"); // the entered text comes back in any case

    // ...while the same text does; nine digits are accepted.
    confirmSame = true;
    typed = {"123456789"};
    EXPECT_TRUE(ExecuteLockDialog(true, 4, pin));
    EXPECT_EQ(pin, "123456789");
    SetModalExecHook({});
}

TEST(SmallWindows, WorkingPressureListFollowsTheRecord)
{
    RecordGuard record;
    TFormWorkingPressure dialog;
    ASSERT_EQ(dialog.CmBWPWorkPressure->count(), 14);
    EXPECT_EQ(dialog.CmBWPWorkPressure->itemText(0), "0,70");
    EXPECT_EQ(dialog.CmBWPWorkPressure->itemText(3), "1,00");
    EXPECT_EQ(dialog.CmBWPWorkPressure->itemText(13), "2,00");
    DeviceRecord.WorkPress = 132;
    dialog.FormShow();
    EXPECT_EQ(dialog.CmBWPWorkPressure->currentText(), "1,30");
    DeviceRecord.WorkPress = 133; // not in the table: no selection
    dialog.FormShow();
    EXPECT_EQ(dialog.CmBWPWorkPressure->currentIndex(), -1);
    // Accepting without a selection stores and writes nothing.
    EXPECT_TRUE(dialog.BtnWPWriteAndContinueClick());
    EXPECT_EQ(DeviceRecord.WorkPress, 133);
    // With a selection but no device link the write is refused.
    dialog.CmBWPWorkPressure->setCurrentIndex(0);
    EXPECT_FALSE(dialog.BtnWPWriteAndContinueClick());
    EXPECT_EQ(DeviceRecord.WorkPress, 76);
}

TEST(SmallWindows, PhotoNamesAndMissingPhotos)
{
    EXPECT_EQ(TFormPicture::PictureBase("PL", "Reducer a/b c"), "PL_Reducer_a_b_c");
    LMGuard lm;
    lm.lm.SetProgramFolder(QDir::tempPath() + "/no-such-program-folder");
    TFormPicture picture;
    EXPECT_FALSE(picture.LoadPicture("PL", "Missing one"));
    EXPECT_FALSE(picture.LblFilename->isHidden());
    EXPECT_EQ(picture.LblFilename->text(), LM->Translate("strUnknown"));
    EXPECT_FALSE(picture.LoadPicture("PL", ""));
    EXPECT_TRUE(picture.LblFilename->isHidden());
}

TEST(SmallWindows, LevelSensorVoltsAndOfflineState)
{
    EXPECT_EQ(TFrmConfigLevelSensor::VoltText(255), "5.00 V");
    EXPECT_EQ(TFrmConfigLevelSensor::VoltText(1), "0.02 V");
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    EXPECT_EQ(TFrmConfigLevelSensor::VoltText(255), "5,00 V");
    QLocale::setDefault(saved);
    RecordGuard record;
    DeviceRecord.ReserveType = 0;
    DeviceRecord.PanelLED = 1;
    TFrmConfigLevelSensor dialog;
    dialog.FormShow();
    EXPECT_TRUE(dialog.PnlFormFrmConfigLevelSensorTresholds->isHidden());
    EXPECT_FALSE(dialog.BtnKnfLSSave->isEnabled()); // not connected
    EXPECT_FALSE(dialog.BtnKnfLSDefault->isEnabled());
    EXPECT_EQ(dialog.CmBKnfLSColorLedState->currentIndex(), 1);
    EXPECT_FALSE(dialog.BtnKnfLSSaveClick(false)); // nothing to write to
    dialog.SetModified(true);                      // only while connected
    EXPECT_FALSE(dialog.Modified());
    dialog.TrBKnfLSThreshold_2[2]->setValue(92);
    EXPECT_EQ(dialog.LblKnfLSThreshold_2[2]->text(), "1.80 V");
    dialog.TimerLevelSensor->stop();
}

TEST(SmallWindows, AutocalibrationStartOffsetFromTheInjectorFactor)
{
    TFormAutocalibrationInit dialog;
    dialog.CmBInjType->addItem("A", 7);
    dialog.CmBInjType->setCurrentIndex(0);
    dialog.DefaultFactor = [](int injector) { return injector == 7 ? 1.5 : 0.0; };
    dialog.UpDMult->setValue(20);
    dialog.CmBInjTypeChange();
    EXPECT_EQ(dialog.UpDMult->value(), 0);
    EXPECT_EQ(dialog.UpDOffset->value(), 15);
    EXPECT_EQ(dialog.YEdOffset->text(), "1.5");
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    dialog.UpDOffset->setValue(12);
    QLocale::setDefault(saved);
    EXPECT_EQ(dialog.YEdOffset->text(), "1,2");
    dialog.ChBUseOnIdleModel->setChecked(true);
    dialog.BtnCheckInjSystemClick();
    EXPECT_FALSE(dialog.ChBUseOnIdleModel->isChecked());
    dialog.FormShow(); // no advanced view: no model group
    EXPECT_TRUE(dialog.GrBModel->isHidden());
    dialog.AdvancedView = [] { return true; };
    dialog.FormShow();
    EXPECT_FALSE(dialog.GrBModel->isHidden());
}

// The installation card's window and print-out in the notation of the
// language shown, whatever the user's desktop.
TEST(SmallWindows, InstallationCardNumbersInTheLanguageShown)
{
    RecordGuard record;
    LMGuard lm;
    DeviceRecord.DeviceKind = 48;
    DeviceRecord.Mult = 1.25;
    DeviceRecord.Offset = 0.5;
    DeviceRecord.IdleHotTb = 468; // 2.5 ms
    const QLocale saved;
    SetModalExecHook([](QDialog *) { return int(QDialog::Rejected); });
    for (const auto &[desktop, language, mult, offset, idle] :
         {std::tuple{"en_US", "PL", "1,3", "0,5", "2,50 ms"}, std::tuple{"pl_PL", "PL", "1,3", "0,5", "2,50 ms"},
          std::tuple{"pl_PL", "EN", "1.3", "0.5", "2.50 ms"}, std::tuple{"en_US", "EN", "1.3", "0.5", "2.50 ms"}}) {
        SCOPED_TRACE(std::string(desktop) + " showing " + language);
        QLocale::setDefault(QLocale(desktop));
        lm.lm.Language = QString::fromLatin1(language);
        TFrmFirmInfo card;
        card.show();
        EXPECT_EQ(card.Edit("EdtMULT")->text(), mult);
        EXPECT_EQ(card.Edit("EdtOFFSET")->text(), offset);
        card.BtnPreview->click();
        EXPECT_EQ(card.QRpKarta->Value("QRLbModelUstVal")->text(), QString(mult) + " / " + offset);
        EXPECT_EQ(card.QRpKarta->Value("QRLbIdleVal")->text(), idle);
    }
    SetModalExecHook({});
    QLocale::setDefault(saved);
}

TEST(SmallWindows, PicturesComeThroughTheLanguageManagersLoader)
{
    QTemporaryDir program;
    ASSERT_TRUE(QDir(program.path()).mkpath("Resource"));
    LMGuard lm;
    lm.lm.SetProgramFolder(program.path());
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::blue);
    // The splash picture is a JPEG stored as ".reg".
    const QString prefix = LM->GetLanguageFilePath();
    ASSERT_TRUE(image.save(prefix + "_w2.reg", "JPG"));
    ASSERT_TRUE(image.save(prefix + "_PL_Reducer_X.jpg", "JPG"));

    ShowSplash();
    ASSERT_NE(FrmWinetka, nullptr);
    EXPECT_TRUE(FrmWinetka->HasPicture());
    EXPECT_EQ(FrmWinetka->size(), QSize(64, 48));
    EXPECT_TRUE(FrmWinetka->LblProgram->isHidden());
    HideSplash();

    TFormPicture picture;
    EXPECT_TRUE(picture.LoadPicture("PL", "Reducer X"));
    EXPECT_TRUE(picture.LblFilename->isHidden());
    EXPECT_EQ(picture.ImgPicture->pixmap().size(), QSize(64, 48));
    // An unknown photo falls back to "NO".
    ASSERT_TRUE(image.scaled(10, 10).save(prefix + "_NO.jpg", "JPG"));
    EXPECT_TRUE(picture.LoadPicture("PL", "Other"));
    EXPECT_EQ(picture.ImgPicture->pixmap().size(), QSize(10, 10));

    // The about box's logo comes through the same reader: a pipe in its place
    // (whose writer would hand over a picture) gives no logo and never holds
    // the window up.
    ASSERT_TRUE(image.save(prefix + "data.reg", "PNG"));
    {
        TFormAbout about;
        about.FormShow();
        EXPECT_EQ(about.ImageLogo->pixmap().size(), QSize(64, 48));
    }
    const QByteArray png = testsupport::ReadAll(prefix + "data.reg");
    ASSERT_TRUE(QFile::remove(prefix + "data.reg"));
    testsupport::PipePeer pipe(prefix + "data.reg", png, true);
    ASSERT_TRUE(pipe.Made());
    TFormAbout about;
    about.FormShow();
    EXPECT_TRUE(about.ImageLogo->pixmap().isNull());
}
