#include "windows/ConfigurationPagesWiring.h"

#include "controls/YEdit.h"
#include "core/UnitConversions.h"
#include "core/ui/ProgramLogic.h"
#include "mainwindow/configuration/AutoCalibrationPage.h"
#include "mainwindow/configuration/ComponentPictures.h"
#include "mainwindow/configuration/DefaultConfiguration.h"
#include "mainwindow/shell/FormMain.h"
#include "windows/FormAutocalibrationInit.h"
#include "windows/FormPicture.h"
#include "windows/FormWorkingPressure.h"
#include "windows/FrmConfigLevelSensor.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace {

// Calls back when the picture window is hidden by its own close button or Esc.
class THideWatch : public QObject
{
public:
    using QObject::QObject;
    std::function<void()> OnHide;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && OnHide)
            OnHide();
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void WireConfigurationPagesToWindows(TFormMain &form)
{
    if (auto *defaults = form.PageLogic<TDefaultConfiguration>("DefaultConfiguration"))
        defaults->WriteLevelSensorDefaults = [] {
            return FrmConfigLevelSensor && FrmConfigLevelSensor->BtnKnfLSDefaultClick();
        };

    auto *autoCal = form.PageLogic<TAutoCalibrationPage>("AutoCalibrationPage");
    if (autoCal) {
        autoCal->ShowWorkingPressureDialog = [] {
            if (FormWorkingPressure)
                FormWorkingPressure->exec();
        };
        autoCal->ExecuteStartDialog = [autoCal](TAutoCalibrationPage::TStartChoice &choice) {
            TFormAutocalibrationInit *dialog = FormAutocalibrationInit;
            if (!dialog)
                return false;
            dialog->EdtTxt1->setText(choice.Summary);
            TProgramLogic::FillListB(dialog->CmBInjType);
            dialog->CmBInjType->setCurrentIndex(choice.InjectorIndex);
            dialog->CmBInjSystemType->clear();
            if (auto *system = autoCal->Control<QComboBox>("CmBConfInjSystemType"))
                for (int i = 0; i < system->count(); ++i)
                    dialog->CmBInjSystemType->addItem(system->itemText(i));
            dialog->CmBInjSystemType->setCurrentIndex(choice.SystemIndex);
            dialog->UpDMult->setValue(choice.MultPercent);
            dialog->YEdMULT->setText(QString::number(choice.MultPercent));
            dialog->UpDOffset->setValue(choice.OffsetTenths);
            dialog->YEdOffset->setText(FormatDecimals(choice.OffsetTenths / 10.0, ShortestDecimals));
            dialog->ChBUseOnIdleModel->setChecked(choice.UseOnIdleModel);
            if (dialog->exec() != 6)
                return false;
            choice.InjectorIndex = dialog->CmBInjType->currentIndex();
            choice.SystemIndex = dialog->CmBInjSystemType->currentIndex();
            choice.MultPercent = dialog->UpDMult->value();
            choice.OffsetTenths = dialog->UpDOffset->value();
            choice.UseOnIdleModel = dialog->ChBUseOnIdleModel->isChecked();
            return true;
        };
    }
    if (FormWorkingPressure && autoCal)
        FormWorkingPressure->OnMeasure = [autoCal](QComboBox *list) { autoCal->MeasureWorkingPressure(list, true); };
    if (FormAutocalibrationInit) {
        FormAutocalibrationInit->AdvancedView = [&form] {
            auto *box = qobject_cast<QAbstractButton *>(form.OwnPanel("ChBAdvancedView"));
            return box && box->isChecked();
        };
        FormAutocalibrationInit->DefaultFactor = &TProgramLogic::GetDefaultFactor;
        FormAutocalibrationInit->FormatInjectionTimes = [](QComboBox *list) {
            if (ProgramLogic)
                ProgramLogic->FormatInjectionTimes(nullptr, nullptr, list);
        };
    }

    if (auto *pictures = form.PageLogic<TComponentPictures>("ComponentPictures")) {
        auto &w = pictures->Window;
        w.Show = [&form](const QString &caption, const QString &closeCaption, const QString &prefix,
                         const QString &name, const std::function<QPoint(QSize)> &place) {
            if (!FormPicture)
                return;
            FormPicture->setWindowTitle(caption);
            FormPicture->LblPictureClose->setText(closeCaption);
            FormPicture->LoadPicture(prefix, name);
            FormPicture->adjustSize();
            ShowFormPicture(&form);
            if (place)
                FormPicture->move(place(FormPicture->size()));
            FormPicture->raise();
        };
        w.Hide = [] { HideFormPicture(); };
        w.Visible = [] { return FormPicture && FormPicture->isVisible(); };
        w.SetOnClose = [](std::function<void()> onClose) {
            if (!FormPicture)
                return;
            auto *watch = dynamic_cast<THideWatch *>(
                FormPicture->findChild<QObject *>(QStringLiteral("PictureCloseWatch"), Qt::FindDirectChildrenOnly));
            if (!watch) {
                watch = new THideWatch(FormPicture);
                watch->setObjectName(QStringLiteral("PictureCloseWatch"));
                FormPicture->installEventFilter(watch);
            }
            watch->OnHide = std::move(onClose);
        };
    }
}
