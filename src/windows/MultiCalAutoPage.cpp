#include "windows/MultiCalAutoPage.h"

#include "controls/DigitalDisplay.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DevData.h"
#include "core/DeviceRecord.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/ProgramLogic.h"
#include "windows/FrmMultiCalibrationTaronQV.h"
#include "windows/Kind48Math.h"
#include "windows/MultiCalModelPage.h"
#include "windows/NamedWidget.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>

namespace {

TDevData &D() { return *DevData; }

bool setWorkType(int type) { return ProgramLogic ? ProgramLogic->SetWorkType(type) : DataManager->SetWorkType(uint8_t(type)); }

} // namespace

TMultiCalAutoPage::TMultiCalAutoPage(TFrmMultiCalibrationTaronQV &window, QWidget *sheet)
    : QObject(&window), W(window)
{
    setObjectName(QStringLiteral("MultiCalAutoPage"));
    Build(sheet);
}

void TMultiCalAutoPage::Build(QWidget *s)
{
    SpBCalAutocalibrationStart = NewNamed<QPushButton>(s, "SpBCalAutocalibrationStart", {16, 16, 140, 40}, QStringLiteral("START"));
    SpBCalAutocalibrationStop = NewNamed<QPushButton>(s, "SpBCalAutocalibrationStop", {168, 16, 140, 40}, QStringLiteral("STOP"));
    SpBCalAutocalibrationStop->setEnabled(false);
    PrBCalAutocalibration = NewNamed<QProgressBar>(s, "PrBCalAutocalibration", {16, 70, 740, 22});
    PrBCalAutocalibration->setRange(0, Kind48Math::ProgressMaximum(4));
    PrBCalAutocalibration->setValue(0);
    LblCalAutocalibrationWaitingTemp = NewNamed<QLabel>(s, "LblCalAutocalibrationWaitingTemp", {16, 100, 400, 20},
                                                        QStringLiteral("Oczekiwanie na temperaturę"));
    LblCalAutocalibrationWaitingTemp->hide();
    LblCalAutocalibrationInfo = NewNamed<QLabel>(s, "LblCalAutocalibrationInfo", {16, 126, 740, 22}, QStringLiteral("Rezultat"));
    QFont bold = LblCalAutocalibrationInfo->font();
    bold.setBold(true);
    LblCalAutocalibrationInfo->setFont(bold);
    LblCalAutocalibrationInfo->hide();
    MemCalAutocalibrationResult = NewNamed<QPlainTextEdit>(s, "MemCalAutocalibrationResult", {16, 154, 740, 230});
    MemCalAutocalibrationResult->setReadOnly(true);
    connect(SpBCalAutocalibrationStart, &QAbstractButton::clicked, this, [this] { SpBCalAutocalibrationStartClick(); });
    connect(SpBCalAutocalibrationStop, &QAbstractButton::clicked, this, [this] { SpBCalAutocalibrationStopClick(); });
}

void TMultiCalAutoPage::AddLine(const QString &key)
{
    MemCalAutocalibrationResult->appendPlainText(key.isEmpty() ? QString() : TranslateKey(key));
}

void TMultiCalAutoPage::SpBCalAutocalibrationStartClick()
{
    if (!W.Ready())
        return;
    MemCalAutocalibrationResult->clear();
    Running = true;
    PrBCalAutocalibration->setMaximum(Kind48Math::ProgressMaximum(DeviceRecord.InjSW));
    D().SetAutoCalState(0);
    D().SetAutoCalProgress(0);
    PrBCalAutocalibration->setValue(0);
    const uint32_t colour = TColorInfo::FindColor(W.DgDModRPM);
    if (colour != TCustomParameters::NoColor)
        W.DgDModRPM->SetColorFill(QColor(int(colour & 0xFF), int(colour >> 8 & 0xFF), int(colour >> 16 & 0xFF)));
    D().ClearStatusFlag(2);
    if (ProgramLogic)
        ProgramLogic->UpdateOptionFlags();
    W.SetDefaultModel(true, true);
    if (!W.Model->MeasureIdle(true)) {
        // Nothing starts and nothing more is sent.
        Running = false;
        return;
    }
    SpBCalAutocalibrationStop->setEnabled(true);
    SpBCalAutocalibrationStart->setEnabled(false);
    if (DeviceRecord.RPMSourceType == 0 && DeviceRecord.RPMsource == 0) {
        const double tb0 = D().GetIdleHotTb();
        const double target = Kind48Math::DefaultIdleGasTime(D().GetGasInjectorType());
        if (tb0 > 0.0)
            W.Model->ApplyModelMultiplier(FactorToPercent((target - D().GetModelOffset()) / tb0));
    }
    W.BtBModel2WriteClick();
    StartPressure = RawToCollectorPressure(DeviceRecord.ManifoldPressureRaw);
    FResultSeen = false;
    setWorkType(3);
    setWorkType(6);
}

void TMultiCalAutoPage::PollAutocalibrationState()
{
    const int state = D().GetAutoCalState();
    if (Running) {
        switch (state) {
        case 2:
            setWorkType(7);
            break;
        case 3:
            LblCalAutocalibrationWaitingTemp->show();
            break;
        case 4: case 5: case 6: case 7: case 8:
            LblCalAutocalibrationWaitingTemp->hide();
            PrBCalAutocalibration->setValue(std::min(D().GetAutoCalProgress(), PrBCalAutocalibration->maximum()));
            break;
        case 9:
            Complete();
            break;
        case 10:
            Stop(eAborted);
            break;
        default:
            break;
        }
    }
    // A result the device offers is judged once each time it appears.
    if (state == 11 && !FResultSeen) {
        FResultSeen = true;
        EvaluateAutocalibration();
    } else if (state != 11) {
        FResultSeen = false;
    }
}

void TMultiCalAutoPage::Complete()
{
    EvaluateAutocalibration();
    D().SetStatusFlag(2);
    if (ProgramLogic)
        ProgramLogic->UpdateOptionFlags();
    Stop(eCompleted);
    if (!W.ReadAllFromDevice())
        return;
    const QPointF p2 = D().GetMapPointA(2);
    if (W.Model->SetModelFromTwoPoints(p2.x(), p2.y()))
        W.BtBModel2WriteClick();
}

void TMultiCalAutoPage::Stop(TEnd how)
{
    // Only a run the device completed reports success.
    AddLine(how == eCompleted ? QStringLiteral("strCalInfo_OK") : QStringLiteral("strCalInfo_ERR"));
    Running = false;
    PrBCalAutocalibration->setValue(0);
    D().SetAutoCalState(0);
    D().SetAutoCalProgress(0);
    LblCalAutocalibrationWaitingTemp->hide();
    SpBCalAutocalibrationStop->setEnabled(false);
    SpBCalAutocalibrationStart->setEnabled(true);
    if (W.Ready())
        setWorkType(0);
    const double now = RawToCollectorPressure(DeviceRecord.ManifoldPressureRaw);
    if (std::fabs(now - StartPressure) > 0.1 + 1e-9) {
        AddLine(QString());
        AddLine(QStringLiteral("strVacuumChange1"));
        AddLine(QStringLiteral("strVacuumChange2"));
    }
}

int TMultiCalAutoPage::EvaluateAutocalibration()
{
    QList<quint32> times;
    for (int i = 0; i < std::min<int>(DeviceRecord.InjSW, int(DeviceRecord.GasTime.size())); ++i)
        times.append(DeviceRecord.GasTime[size_t(i)]);
    const double mean = Kind48Math::MeanGasTime(times);
    if (mean == 0.0)
        return 0;
    MemCalAutocalibrationResult->clear();
    const int verdict = Kind48Math::Verdict(mean, D().GetAutoCalPhase(), D().GetGasInjectorType());
    QString label = QStringLiteral("strNok");
    if (verdict == 2) {
        label = QStringLiteral("strNToH");
        AddLine(QStringLiteral("strNozzlesToBig"));
    } else if (verdict == 1) {
        label = QStringLiteral("strNToL");
        AddLine(QStringLiteral("strNozzlesToSmall"));
    }
    NozzleClass = verdict == 0 ? 4 : verdict;
    LblCalAutocalibrationInfo->setText(TranslateKey(label));
    LblCalAutocalibrationInfo->show();
    return verdict;
}

void TMultiCalAutoPage::GetInjectorTimeWindow(double &low, double &high)
{
    const auto w = Kind48Math::InjectorTimeWindow(D().GetGasInjectorType());
    low = w.Low;
    high = w.High;
}
