#include "windows/ConfigurationPagesWiring.h"

#include "mainwindow/configuration/DefaultConfiguration.h"
#include "mainwindow/shell/FormMain.h"
#include "windows/FrmConfigLevelSensor.h"

void WireConfigurationPagesToWindows(TFormMain &form)
{
    if (auto *defaults = form.findChild<TDefaultConfiguration *>(QStringLiteral("DefaultConfiguration"),
                                                                 Qt::FindDirectChildrenOnly))
        defaults->WriteLevelSensorDefaults = [] {
            return FrmConfigLevelSensor && FrmConfigLevelSensor->BtnKnfLSDefaultClick();
        };
}
