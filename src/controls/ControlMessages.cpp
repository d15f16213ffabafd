#include "controls/ControlMessages.h"

#include "core/ui/Common.h"

#include <QMessageBox>

namespace {
TControlErrorHandler &installedHandler()
{
    static TControlErrorHandler handler;
    return handler;
}
} // namespace

void ShowControlError(QWidget *control, const QString &text)
{
    if (const TControlErrorHandler &handler = installedHandler()) {
        handler(control, text);
        return;
    }
    // The program's own box service, when it exists, so that its answer
    // provider sees this box like every other.
    if (Common) {
        Common->MessageDialogEx(text, QStringLiteral("Error"), -1, -1, 0, {mbOK}, mtError);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok,
                    control ? control->window() : nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

TControlErrorHandler SetControlErrorHandler(TControlErrorHandler handler)
{
    TControlErrorHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}
