// The live readouts of the calibration pages that the main tick refreshes
// while the calibration page is shown: the auto-calibration RPM, the map
// page's manifold pressure and RPM (both from the device's 0x50 status), and
// the warning colour of the model-2 idle points.
#include "mainwindow/shell/FormMain.h"

#include "controls/DigitalDisplay.h"
#include "core/CustomParameters.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/NumberText.h"
#include "core/UnitConversions.h"
#include "mainwindow/shell/FormMainLayout.h"

#include <QLineEdit>
#include <QTabWidget>

namespace {

// Idle points closer than this on the X axis are shown red.
constexpr double IdlePointSpacing = 0.8;

// The number an edit shows; 0 when it shows none.
double editValue(QLineEdit *edit)
{
    double value = 0.0;
    return edit && NumberText::ParseTyped(edit->text(), value) ? value : 0.0;
}

} // namespace

void TFormMain::ShowCalibrationReadouts()
{
    auto *pages = Component<QTabWidget>("PgCCalibration");
    QWidget *page = pages ? pages->currentWidget() : nullptr;
    if (!page)
        return;
    const QString name = page->objectName();
    const auto showRpm = [this](const char *display) {
        if (auto *d = Component<TDigitalDisplay>(display))
            ShowRuled(d, FormatRpm(DeviceRecord.AutoCalValueD));
    };
    if (name == QLatin1String("TbSCalAuto")) {
        if (DataManager)
            DataManager->ReadStatus50();
        showRpm("DgDCalRPM");
        UpdateCalibrationControls();
    } else if (name == QLatin1String("TbSCalModel2")) {
        const double spacing = editValue(Component<QLineEdit>("YEdCalSerIdle2X"))
                               - editValue(Component<QLineEdit>("YEdCalSerIdle1X"));
        if (auto *panel = Component<TCaptionPanel>("PnlModel2OnIdleModel"))
            panel->SetColor(spacing < IdlePointSpacing ? QColor(255, 0, 0)
                                                       : panel->palette().color(QPalette::Button));
    } else if (name == QLatin1String("TbSCalMap")) {
        if (auto *d = Component<TDigitalDisplay>("DgDCalMapPcol"))
            d->SetCaption(FormatCollectorPressure(DeviceRecord.ManifoldPressureRaw));
        if (DataManager)
            DataManager->ReadStatus50();
        showRpm("DgDCalMapRPM");
    }
}
