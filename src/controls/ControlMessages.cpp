#include "controls/ControlMessages.h"

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
