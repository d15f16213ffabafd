// The correction controls both model pages carry: the multiplier's up-down
// (percent), the offset's edit and the eight mask boxes.
#pragma once

#include "mainwindow/configuration/ModelMath.h"

#include <array>
#include <cstdint>

class QAbstractButton;
class QLineEdit;
class QSpinBox;
struct TDeviceRecord;

namespace CorrectionControls {

using TMaskBoxes = std::array<QAbstractButton *, 8>;

// The mask the boxes show: bit k for box k.
uint8_t MaskOf(const TMaskBoxes &boxes);

// Shows the mask in the boxes without firing their clicks.
void ShowMask(const TMaskBoxes &boxes, unsigned mask);

// Takes the correction into the record as the controls hold it; a value still
// shown as it was read stays as read.
void Take(const QSpinBox *mult, const ModelMath::TShownValue &shownMult, const QLineEdit *offset,
          const ModelMath::TShownValue &shownOffset, const TMaskBoxes &boxes, TDeviceRecord &r);

// Whether the device's word holds a model value (key as a settings file
// names it): the one range a settings file's reader takes for it and every
// page that writes it checks. A refusal is shown, naming the field by its
// caption's text key and the allowed range.
bool ModelValueFits(const char *key, const char *captionKey, double value);

// The bank-2 correction offset (ms), checked as above.
bool OffsetFits(double offset);

} // namespace CorrectionControls
