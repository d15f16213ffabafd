// Error messages of the interface controls themselves (range errors, misuse).
// They are English and never translated. By default they appear in a modal
// box with a stop icon; tests and embedding programs can route them elsewhere.
#pragma once

#include <QString>
#include <functional>

class QWidget;

using TControlErrorHandler = std::function<void(QWidget *control, const QString &text)>;

// Shows a control's error: in the installed handler, or else in a box
// captioned "Error" with a stop icon (through the common services when they
// exist).
void ShowControlError(QWidget *control, const QString &text);

// Installs a handler (an empty one restores the box) and returns the previous one.
TControlErrorHandler SetControlErrorHandler(TControlErrorHandler handler);
