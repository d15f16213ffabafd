#include "mainwindow/shell/OscilloscopePage.h"

#include "mainwindow/shell/FormMain.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "mainwindow/shell/OscilloscopeView.h"
#include "controls/DigitalDisplay.h"
#include "core/AppConfig.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace {

const char *const GraphNames[TOscilloscope::GraphCount] = {"PntBDgnCzasy", "PntBDgnPressure",
                                                           "PntBDgnTemp", "PntBDgnRPM"};
const char *const DisplayNames[8] = {"DgDDgnCzas", "DgDDgnTb", "DgDDgnTg", "DgDDgnPsys",
                                     "DgDDgnPcol", "DgDDgnTempR", "DgDDgnTempG", "DgDDgnRPM"};

void setText(TDigitalDisplay *display, const QString &text)
{
    if (display)
        display->SetCaption(text);
}

} // namespace

TOscilloscopePage::TOscilloscopePage(TFormMain *form) : QObject(form), FForm(form)
{
    setObjectName(QStringLiteral("OscilloscopePage"));
    SetPanels({form->OwnPanel("TbSDiagnostic")});
    for (int g = 0; g < TOscilloscope::GraphCount; ++g) {
        FGraphs[g] = Control<QWidget>(QLatin1String(GraphNames[g]));
        if (FGraphs[g]) {
            FGraphs[g]->setAttribute(Qt::WA_OpaquePaintEvent);
            FGraphs[g]->installEventFilter(this);
        }
    }
    FPanel = Control<QWidget>(QStringLiteral("PnlDgnCzasy"));
    FPage = Control<QWidget>(QStringLiteral("TbSDgnOscyloskop"));
    if (FPage)
        FPage->installEventFilter(this);
    FCursor = Control<TCaptionPanel>(QStringLiteral("PnlDgnCursor"));
    FHandles[0] = Control<TCaptionPanel>(QStringLiteral("PnlDgnHandle1"));
    FHandles[1] = Control<TCaptionPanel>(QStringLiteral("PnlDgnHandle2"));
    for (QWidget *w : {static_cast<QWidget *>(FCursor), static_cast<QWidget *>(FHandles[0]),
                       static_cast<QWidget *>(FHandles[1])})
        if (w) {
            w->installEventFilter(this);
            w->raise(); // over the graphs
        }
    FStart = Control<QPushButton>(QStringLiteral("BtnDgnStart"));
    FAutoSave = Control<QCheckBox>(QStringLiteral("ChBDgnAutoSave"));
    FRawVoltage = Control<QCheckBox>(QStringLiteral("CkBTestALAM"));
    for (int i = 0; i < 2; ++i) {
        FChoices[i] = Control<QComboBox>(QStringLiteral("CmBDgnWybor%1").arg(i + 1));
        FChoiceDisplays[i] = Control<TDigitalDisplay>(QStringLiteral("DgDDgnWybor%1").arg(i + 1));
    }
    for (int k = 0; k < 9; ++k) {
        FTimeLabels[k] = Control<TCaptionPanel>(QStringLiteral("DgnLbl%1t").arg(k + 1));
        FTimeLabels[9 + k] = Control<TCaptionPanel>(QStringLiteral("DgnLbl%1b").arg(k + 1));
    }
    for (size_t i = 0; i < FDisplays.size(); ++i)
        FDisplays[i] = Control<TDigitalDisplay>(QLatin1String(DisplayNames[i]));
    FOsc.OnFileError = [this](const QString &name, const QString &reason) { ReportFileError(name, reason); };
    PanelScaleResize();
    OscUpdateCursors();
}

TOscilloscopePage::~TOscilloscopePage()
{
    FOsc.CloseFile();
}

bool TOscilloscopePage::LinkReady() const
{
    return DataManager && !DataManager->IsDeviceNotReady();
}

void TOscilloscopePage::Step()
{
    if (!FRunning)
        return;
    ReadOscValues();
    OscUpdateControls();
    FOsc.Advance(FAutoSave && FAutoSave->isChecked());
    OscUpdateGraphs();
}

void TOscilloscopePage::ReadOscValues()
{
    TDeviceRecord &r = DeviceRecord;
    TOscSample &s = FOsc.Current();
    const bool raw = FRawVoltage && FRawVoltage->isChecked();
    s.Main[0] = FForm->GetPetrolInjTime();
    // In the device's test mode the gas times follow the petrol times
    // through the gas-time model.
    if (DataManager && DataManager->ReadParameter8(24) == 1)
        for (size_t i = 0; i < r.GasTime.size(); ++i) {
            const double t = std::nearbyint(r.PetrolTime[i] * r.Mult + r.Offset * 187);
            r.GasTime[i] = t <= 0 ? 0u : t >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<quint32>(t);
        }
    s.Main[1] = FForm->GetGasInjTime();
    s.Main[2] = RawToPressure(r.GasPressureRaw);
    s.Main[3] = RawToCollectorPressure(r.ManifoldPressureRaw);
    s.Main[4] = raw ? r.GasTempRaw * 5.0 / 255 : RawToTemperature(r.GasTempRaw);
    s.Main[5] = raw ? r.ReducerTempRaw * 5.0 / 255 : RawToTemperature(r.ReducerTempRaw);
    s.Main[6] = PeriodToRpm(r.RpmPeriod);
    s.Main[7] = TFormMain::LambdaRawToVolts(r.LambdaRaw, r.LambdaType);
    s.Main[8] = RawToScaledVoltage(r.SupplyVoltageRaw);
    s.State = r.GasSwitchState;
    if (s.State == 5) {
        s.GasFlag = -1;
    } else {
        s.GasFlag = 0;
        s.Main[1] = 0;
    }
    s.Time = double(TFormMain::Now() - FStartMs) / 1000.0;
    for (int k = 0; k < TOscSample::ObdCount; ++k)
        s.Obd[static_cast<size_t>(k)] = ObdValue ? ObdValue(k) : 0.0;
    FOsc.FinishSample(raw);
}

void TOscilloscopePage::OscUpdateControls()
{
    OscUpdateCursors();
    OscUpdateDisplays();
    SetDgnLabels();
}

void TOscilloscopePage::OscUpdateCursors()
{
    FOsc.SetPosition(FOsc.Position());
    if (!FCursor || !FPanel)
        return;
    QWidget *page = FCursor->parentWidget();
    const int left = FPanel->mapTo(page, QPoint(0, 0)).x() + FOsc.Position() + 2;
    FCursor->move(left, FCursor->y());
    for (auto &h : FHandles)
        if (h)
            h->move(left - h->width() / 2, h->y());
}

void TOscilloscopePage::OscUpdateDisplays()
{
    const TOscSample *s = FOsc.At(FOsc.Position());
    if (!s)
        return;
    const auto &m = s->Main;
    setText(FDisplays[0], FormatFloat2(s->Time));
    for (int i = 0; i < 4; ++i)
        setText(FDisplays[1 + i], FormatFloat2(m[static_cast<size_t>(i)]));
    setText(FDisplays[5], FormatDecimals(m[5], 1));
    setText(FDisplays[6], FormatDecimals(m[4], 1));
    setText(FDisplays[7], QString::asprintf("%4.0f", m[6]));
    for (int i = 0; i < 2; ++i) {
        if (!FChoices[i])
            continue;
        const int trace = TOscilloscope::TraceOfChoice(FChoices[i]->currentIndex());
        if (trace < 0)
            continue;
        const double v = trace < TOscSample::MainCount ? m[static_cast<size_t>(trace)]
                                                        : s->Obd[static_cast<size_t>(trace - TOscSample::MainCount)];
        setText(FChoiceDisplays[i], FormatFloat2(v));
    }
}

void TOscilloscopePage::SetDgnLabels()
{
    for (int k = 1; k <= 9; ++k) {
        const TOscSample *s = FOsc.At(100 * k);
        if (!s || !(s->Time > 0))
            continue;
        const QString text = QString::asprintf("%2.0f", s->Time);
        for (auto *label : {FTimeLabels[k - 1].data(), FTimeLabels[8 + k].data()})
            if (label)
                label->SetCaption(text);
    }
}

void TOscilloscopePage::ResetDgnLabels()
{
    for (auto &label : FTimeLabels)
        if (label)
            label->SetCaption(QString());
}

void TOscilloscopePage::PanelScaleResize()
{
    if (!FPanel)
        return;
    std::array<int, TOscilloscope::GraphCount> heights{};
    for (int g = 0; g < TOscilloscope::GraphCount; ++g)
        heights[g] = FGraphs[g] ? FGraphs[g]->height() : 0;
    if (FPanel->width() != FOsc.Width() || heights[0] != FOsc.GraphHeight(0)
        || heights[3] != FOsc.GraphHeight(3))
        FOsc.Resize(FPanel->width(), heights);
    for (int k = 1; k <= 9; ++k)
        for (auto *label : {FTimeLabels[k - 1].data(), FTimeLabels[8 + k].data()})
            if (label)
                label->move(100 * k - label->width() / 2, label->y());
}

void TOscilloscopePage::OscUpdateGraphs()
{
    for (auto &g : FGraphs)
        if (g)
            g->update();
}

void TOscilloscopePage::TbSDgnOscyloskopShow()
{
    FOsc.RecalcAll();
    OscUpdateGraphs();
}

void TOscilloscopePage::PaintGraph(int graph)
{
    QWidget *box = FGraphs[static_cast<size_t>(graph)];
    QPainter painter(box);
    TOscilloscopeView::TChoices choices;
    for (int i = 0; i < 2; ++i) {
        choices[i].Index = FChoices[i] ? FChoices[i]->currentIndex() : -1;
        choices[i].Color = FChoiceDisplays[i] ? FChoiceDisplays[i]->DigitsColor() : QColor(Qt::black);
    }
    TOscilloscopeView::Paint(painter, FOsc, graph, box->width(), box->height(), choices);
}

void TOscilloscopePage::BtnDgnStartClick()
{
    if (!FRunning) {
        if (!LinkReady())
            return;
        const QDateTime started = QDateTime::currentDateTime();
        if (FAutoSave && FAutoSave->isChecked()) {
            QStringList folders = FileFolders;
            if (folders.isEmpty()) {
                folders << (LM ? LM->ProgramFolder() : QCoreApplication::applicationDirPath());
                if (AppConfig)
                    folders << AppConfig->DataFolder();
            }
            FOsc.OpenFile(folders, started);
        }
        FStartMs = TFormMain::Now();
        ResetDgnLabels();
        FRunning = true;
        if (FStart)
            FStart->setText(QStringLiteral("Stop"));
        OscUpdateCursors();
        OscUpdateGraphs();
        for (auto &h : FHandles)
            if (h) {
                h->setEnabled(false);
                h->hide();
            }
        if (FCursor) {
            FCursor->setEnabled(false);
            FCursor->show();
            FCursor->SetColor(QColor(192, 192, 192));
        }
        if (FForm->Timerek)
            FForm->Timerek->start();
    } else {
        if (FOsc.FileOpen()) {
            if (FAutoSave && FAutoSave->isChecked())
                FOsc.SaveUnsaved();
            FOsc.CloseFile();
        }
        FRunning = false;
        if (FStart)
            FStart->setText(QStringLiteral("Start"));
        for (auto &h : FHandles)
            if (h) {
                h->setEnabled(true);
                h->show();
            }
        if (FCursor) {
            FCursor->setEnabled(true);
            FCursor->show();
            FCursor->SetColor(QColor(128, 128, 128));
        }
    }
}

void TOscilloscopePage::BtnDgnResetClick()
{
    PanelScaleResize();
    FOsc.Reset();
    ResetDgnLabels();
    TbSDgnOscyloskopShow();
    FStartMs = TFormMain::Now();
    OscUpdateCursors();
    OscUpdateGraphs();
}

void TOscilloscopePage::CmBDgnWyborChange()
{
    if (FGraphs[3])
        FGraphs[3]->update();
    OscUpdateDisplays();
}

void TOscilloscopePage::MoveCursorBy(int dx)
{
    FOsc.SetPosition(FOsc.Position() + dx);
    OscUpdateControls();
    OscUpdateGraphs();
}

void TOscilloscopePage::ReportFileError(const QString &fileName, const QString &reason)
{
    // After the current tick: the box must not stop the sample half taken.
    const auto text = [](const char *key, const char *english) {
        const QString t = LM ? LM->Translate(QString::fromLatin1(key)) : QString();
        return t.isEmpty() || t.startsWith(QLatin1String("!_")) ? QString::fromLatin1(english) : t;
    };
    const QString message = text("strOscFileError", "Cannot write the recorder's data file:") + QStringLiteral("\r\n")
                            + fileName + QStringLiteral("\r\n") + reason + QStringLiteral("\r\n\r\n")
                            + text("strOscFileGoesOn", "The recording goes on without it.");
    QMetaObject::invokeMethod(this, [message] {
        if (Common)
            Common->ShowError(message);
    }, Qt::QueuedConnection);
}

bool TOscilloscopePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FPage) {
        if (event->type() == QEvent::Show)
            TbSDgnOscyloskopShow();
        return false;
    }
    for (int g = 0; g < TOscilloscope::GraphCount; ++g) {
        if (watched != FGraphs[g])
            continue;
        if (event->type() == QEvent::Paint) {
            PaintGraph(g);
            return true;
        }
        if (event->type() == QEvent::Resize) {
            PanelScaleResize();
            // The window's resizer moves the cursor and the time labels back
            // to their designed places after the graphs: place them again.
            QMetaObject::invokeMethod(this, [this] {
                PanelScaleResize();
                OscUpdateCursors();
            }, Qt::QueuedConnection);
        }
        return false;
    }
    const bool onCursor = watched == FCursor;
    if (!onCursor && watched != FHandles[0] && watched != FHandles[1])
        return false;
    // Only mouse events are cast (any other event passes through).
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    // x in the grips' coordinates.
    auto gripX = [&] {
        const int x = qRound(mouse->position().x());
        return onCursor && FCursor && FHandles[0] ? FCursor->x() + x - FHandles[0]->x() : x;
    };
    switch (type) {
    case QEvent::MouseButtonPress:
        if (!FDragging) {
            FDragging = true;
            FDragX = gripX();
        }
        return true;
    case QEvent::MouseMove:
        if (FDragging)
            MoveCursorBy(gripX() - FDragX);
        return true;
    case QEvent::MouseButtonRelease:
        FDragging = false;
        return true;
    default:
        return false;
    }
}

// ---- The window's handlers ----------------------------------------------------

void TFormMain::BtnDgnStartClick() { OscilloscopePage->BtnDgnStartClick(); }
void TFormMain::BtnDgnResetClick() { OscilloscopePage->BtnDgnResetClick(); }
void TFormMain::CmBDgnWyborChange() { OscilloscopePage->CmBDgnWyborChange(); }
void TFormMain::OscUpdateControls() { OscilloscopePage->OscUpdateControls(); }
void TFormMain::PanelScaleResize() { OscilloscopePage->PanelScaleResize(); }
