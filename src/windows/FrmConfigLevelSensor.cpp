#include "windows/FrmConfigLevelSensor.h"

#include "controls/ChangeHelper.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "windows/NamedWidget.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>

TFrmConfigLevelSensor *FrmConfigLevelSensor = nullptr;

namespace {
constexpr uint8_t LedParameter = 22;
constexpr int VariantRedLed = 19;

std::array<quint8 *, 4> thresholdSet(int type)
{
    if (type == 3)
        return {&DeviceRecord.Level0900, &DeviceRecord.Level0901, &DeviceRecord.Level0902, &DeviceRecord.Level0903};
    return {&DeviceRecord.PW0, &DeviceRecord.PW1, &DeviceRecord.PW2, &DeviceRecord.PW3};
}
} // namespace

TFrmConfigLevelSensor::TFrmConfigLevelSensor(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmConfigLevelSensor"));
    setWindowTitle(QStringLiteral("Konfiguracja wskaźnika pełnego wskazania"));
    PnlFormFrmConfigLevelSensor = NewNamed<QFrame>(this, "PnlFormFrmConfigLevelSensor", {0, 0, 360, 300});
    CmBKnfLSColorLedState = NewNamed<QComboBox>(PnlFormFrmConfigLevelSensor, "CmBKnfLSColorLedState", {12, 12, 140, 22});
    CmBKnfLSColorLedState->addItems({QStringLiteral("NIEBIESKI"), QStringLiteral("CZERWONY")});
    NewNamed<QLabel>(PnlFormFrmConfigLevelSensor, "LblKnfLSColorLedState", {190, 14, 160, 20},
                     QStringLiteral("Kolor diody panelu"));
    PnlKnfLSLedState = NewNamed<QFrame>(PnlFormFrmConfigLevelSensor, "PnlKnfLSLedState", {160, 12, 22, 22});
    PnlKnfLSLedState->setAutoFillBackground(true);
    PnlFormFrmConfigLevelSensorTresholds =
        NewNamed<QFrame>(PnlFormFrmConfigLevelSensor, "PnlFormFrmConfigLevelSensorTresholds", {0, 44, 360, 160});
    for (int i = 0; i < 4; ++i) {
        const QByteArray bar = "TrBKnfLSThreshold" + QByteArray::number(i) + "_2";
        const QByteArray lbl = "LblKnfLSThreshold" + QByteArray::number(i) + "_2";
        TrBKnfLSThreshold_2[i] = NewNamed<QSlider>(PnlFormFrmConfigLevelSensorTresholds, bar.constData(),
                                                   {12, 8 + 36 * i, 260, 28});
        TrBKnfLSThreshold_2[i]->setOrientation(Qt::Horizontal);
        TrBKnfLSThreshold_2[i]->setRange(1, 255);
        LblKnfLSThreshold_2[i] = NewNamed<QLabel>(PnlFormFrmConfigLevelSensorTresholds, lbl.constData(),
                                                  {280, 12 + 36 * i, 70, 20});
        connect(TrBKnfLSThreshold_2[i], &QSlider::valueChanged, this, [this] { TrBKnfLSThreshold_2Change(); });
    }
    EdtActualLevel = NewNamed<QLineEdit>(PnlFormFrmConfigLevelSensor, "EdtActualLevel", {12, 212, 80, 22});
    EdtActualLevel->setReadOnly(true);
    NewNamed<QLabel>(PnlFormFrmConfigLevelSensor, "LblKnfLSActualLevel", {100, 214, 200, 20},
                     QStringLiteral("Aktualny poziom [V]"));
    BtnKnfLSDefault = NewNamed<QPushButton>(PnlFormFrmConfigLevelSensor, "BtnKnfLSDefault", {12, 260, 100, 25},
                                            QStringLiteral("Fabryczne"));
    BtnKnfLSSave = NewNamed<QPushButton>(PnlFormFrmConfigLevelSensor, "BtnKnfLSSave", {130, 260, 100, 25},
                                         QStringLiteral("Zapisz"));
    BtnKnfLSCancel = NewNamed<QPushButton>(PnlFormFrmConfigLevelSensor, "BtnKnfLSCancel", {248, 260, 100, 25},
                                           QStringLiteral("Anuluj"));
    resize(PnlFormFrmConfigLevelSensor->width(), PnlFormFrmConfigLevelSensor->height());

    TimerLevelSensor = new QTimer(this);
    TimerLevelSensor->setObjectName(QStringLiteral("TimerLevelSensor"));
    TimerLevelSensor->setInterval(500);
    connect(TimerLevelSensor, &QTimer::timeout, this, [this] { TimerLevelSensorTimer(); });

    ChangeHelper = new TChangeHelper(this);
    ChangeHelper->setObjectName(QStringLiteral("ChangeHelper"));
    ChangeHelper->AttachTo(PnlFormFrmConfigLevelSensor);
    connect(ChangeHelper, &TChangeHelper::OnModified, this, [this] { SetModified(true); });

    connect(CmBKnfLSColorLedState, &QComboBox::currentIndexChanged, this, [this] { CmBKnfLSColorLedStateChange(); });
    connect(BtnKnfLSSave, &QPushButton::clicked, this, [this] { BtnKnfLSSaveClick(); });
    connect(BtnKnfLSDefault, &QPushButton::clicked, this, [this] { BtnKnfLSDefaultClick(); });
    connect(BtnKnfLSCancel, &QPushButton::clicked, this, &QDialog::close);
}

TFrmConfigLevelSensor::~TFrmConfigLevelSensor()
{
    if (::FrmConfigLevelSensor == this)
        ::FrmConfigLevelSensor = nullptr;
}

QString TFrmConfigLevelSensor::VoltText(int raw)
{
    return FormatFloat2(raw * 5.0 / 255.0) + QStringLiteral(" V");
}

bool TFrmConfigLevelSensor::connected()
{
    return DataManager && DataManager->GetConnected();
}

void TFrmConfigLevelSensor::SetModified(bool flag)
{
    if (!connected())
        return;
    FModified = flag;
    if (Common)
        Common->SetButtonHighlight(BtnKnfLSSave, flag);
}

void TFrmConfigLevelSensor::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFrmConfigLevelSensor::showThresholds(const std::array<int, 4> &values)
{
    FShown = values;
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker block(TrBKnfLSThreshold_2[i]);
        TrBKnfLSThreshold_2[i]->setValue(values[i]);
    }
    TrBKnfLSThreshold_2Change();
}

void TFrmConfigLevelSensor::FormShow()
{
    TimerLevelSensor->start();
    const bool online = connected();
    if (online) {
        // A successful read stores the LED colour in the record; a failed one
        // leaves the record as it was.
        DataManager->ReadParameter8(LedParameter);
        DataManager->ReadLevelSensor35();
        DataManager->ReadLevelSensor36();
    }
    {
        const QSignalBlocker block(CmBKnfLSColorLedState);
        CmBKnfLSColorLedState->setCurrentIndex(DeviceRecord.PanelLED <= 1 ? DeviceRecord.PanelLED : -1);
    }
    CmBKnfLSColorLedStateChange();
    BtnKnfLSDefault->setEnabled(online);
    BtnKnfLSSave->setEnabled(online);
    const int type = DeviceRecord.ReserveType;
    if (online && type != 0) {
        std::array<int, 4> values{};
        const auto set = thresholdSet(type);
        for (int i = 0; i < 4; ++i)
            values[i] = *set[i];
        showThresholds(values);
    }
    TrBKnfLSThreshold_2Change();
    PnlFormFrmConfigLevelSensorTresholds->setVisible(type != 0);
    FModified = false;
    if (Common)
        Common->SetButtonHighlight(BtnKnfLSSave, false);
    ChangeHelper->SetModified(false);
}

void TFrmConfigLevelSensor::CmBKnfLSColorLedStateChange()
{
    // Colours are 0x00BBGGRR: blue 0xFF2020, red 0x0000FF.
    QPalette palette = PnlKnfLSLedState->palette();
    palette.setColor(QPalette::Window, CmBKnfLSColorLedState->currentIndex() == 1 ? QColor(0xFF, 0, 0)
                                                                                   : QColor(0x20, 0x20, 0xFF));
    PnlKnfLSLedState->setPalette(palette);
}

void TFrmConfigLevelSensor::TrBKnfLSThreshold_2Change()
{
    for (int i = 0; i < 4; ++i)
        LblKnfLSThreshold_2[i]->setText(VoltText(TrBKnfLSThreshold_2[i]->value()));
}

bool TFrmConfigLevelSensor::writeSettings(const std::array<int, 4> &values)
{
    bool ok = true;
    if (CmBKnfLSColorLedState->currentIndex() >= 0) {
        DeviceRecord.PanelLED = quint8(CmBKnfLSColorLedState->currentIndex());
        ok = DataManager->WriteParamByte(LedParameter, DeviceRecord.PanelLED);
    }
    const int type = DeviceRecord.ReserveType;
    if (type != 0) {
        const auto set = thresholdSet(type);
        for (int i = 0; i < 4; ++i)
            *set[i] = quint8(values[i]);
        ok = (type == 3 ? DataManager->WriteLevelSensor38() : DataManager->WriteLevelSensor37()) && ok;
    }
    if (ok) {
        SetModified(false);
    } else {
        // What the device did not take stays marked for a second save, also
        // when the link was lost on the way.
        FModified = true;
        if (Common)
            Common->SetButtonHighlight(BtnKnfLSSave, true);
        warnIncomplete();
    }
    return ok;
}

void TFrmConfigLevelSensor::warnIncomplete()
{
    if (Common)
        Common->ShowWarning(TranslateKey(QStringLiteral("strLevelSensorWriteIncomplete")));
}

bool TFrmConfigLevelSensor::BtnKnfLSSaveClick(bool ask)
{
    // A write that ends without going through (nothing written) sends no
    // change record: the question stays.
    TRecordedWrite write;
    if (!connected()) {
        if (FModified)
            warnIncomplete();
        return false;
    }
    if (ask && FModified && Common && Common->AskSaveChangedData(false) != 6)
        return false;
    std::array<int, 4> values{};
    for (int i = 0; i < 4; ++i) {
        const QSlider *bar = TrBKnfLSThreshold_2[i];
        const bool unmoved = FShown[i] >= 0 && bar->value() == std::clamp(FShown[i], bar->minimum(), bar->maximum());
        values[i] = unmoved ? FShown[i] : bar->value();
    }
    return write.Report(writeSettings(values));
}

bool TFrmConfigLevelSensor::BtnKnfLSDefaultClick()
{
    // The factory thresholds are a settings write like the Save's.
    TRecordedWrite write;
    if (!connected() || !write.Ask())
        return false;
    {
        const QSignalBlocker block(CmBKnfLSColorLedState);
        CmBKnfLSColorLedState->setCurrentIndex(DeviceRecord.IdentityPage4 == VariantRedLed ? 1 : 0);
    }
    CmBKnfLSColorLedStateChange();
    const std::array<int, 4> &factory = DeviceRecord.ReserveType == 3 ? FactoryB : FactoryA;
    if (DeviceRecord.ReserveType != 0)
        showThresholds(factory);
    return write.Report(writeSettings(factory));
}

void TFrmConfigLevelSensor::TimerLevelSensorTimer()
{
    if (!connected())
        return;
    DataManager->ReadDeviceInfo();
    EdtActualLevel->setText(FormatFloat2(DeviceRecord.LevelRaw * 5.0 / 255.0));
    // The level input's switching point, from parameter 21.
    const int point = DataManager->ReadParameter8(21) & 0xFF;
    EdtActualLevel->setToolTip(VoltText(point));
}

bool TFrmConfigLevelSensor::mayClose()
{
    if (FModified && Common) {
        const int answer = Common->AskSaveChangedData(false);
        if (answer == 2)
            return false;
        if (answer == 6 && !BtnKnfLSSaveClick(false))
            return false;
    }
    TimerLevelSensor->stop();
    return true;
}

void TFrmConfigLevelSensor::closeEvent(QCloseEvent *event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    // The dialog's own close rejects it: asked once.
    FCloseAsked = true;
    QDialog::closeEvent(event);
    FCloseAsked = false;
}

void TFrmConfigLevelSensor::reject()
{
    if (!FCloseAsked && !mayClose())
        return;
    QDialog::reject();
}
