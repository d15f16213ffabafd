// The correction controls both model pages carry: the multiplier's up-down
// (percent), the offset's edit and the eight mask boxes.
#pragma once

#include "core/NumberText.h"
#include "mainwindow/configuration/ModelMath.h"

#include <array>
#include <cstdint>
#include <optional>

class QAbstractButton;
class QLineEdit;
class QSpinBox;
class QWidget;
struct TDeviceRecord;

namespace CorrectionControls {

using TMaskBoxes = std::array<QAbstractButton *, 8>;

// The mask the boxes show: bit k for box k.
uint8_t MaskOf(const TMaskBoxes &boxes);

// Shows the mask in the boxes without firing their clicks.
void ShowMask(const TMaskBoxes &boxes, unsigned mask);

// Takes the correction into the record as the controls hold it; a value still
// shown as it was read stays as read. The offset's text is one TypedOffset
// took (an unchecked text that is no number leaves the record's offset).
void Take(const QSpinBox *mult, const ModelMath::TShownValue &shownMult, const QLineEdit *offset,
          const ModelMath::TShownValue &shownOffset, const TMaskBoxes &boxes, TDeviceRecord &r);

// Whether the device's word holds a model value (key as a settings file
// names it): the one range a settings file's reader takes for it and every
// page that writes it checks. A refusal is shown, naming the field by its
// caption's text key and the allowed range; the field (when given) is
// marked and given the focus.
bool ModelValueFits(const char *key, const char *captionKey, double value, QWidget *field = nullptr);

// The bank-2 correction offset (ms), checked as above.
bool OffsetFits(double offset);

// The bank-2 correction offset (ms) of the edit for a write: the exact
// value while the edit shows it as read (the record's while the page never
// filled the edit and nothing was typed), else the number typed (the one
// reading of a typed number); nothing when the text is no number or the
// word cannot hold it: the refusal is shown naming the field and what is
// wrong, and the edit keeps its text.
std::optional<double> TypedOffset(QLineEdit *offset, const ModelMath::TShownValue &shown);

// A cell of a correction curve holds whole percent the device's signed
// byte holds.
inline constexpr NumberText::TField CellField{-128, 127, true};
// The cell's number as typed (the one reading of a typed number); nothing
// when it is no number the cell holds, without a word.
std::optional<qint8> CellValue(const QLineEdit *cell);
// The same for a write: a refusal is shown naming the cell by caption
// ("<curve> [<cell>]"), and the cell keeps its text.
std::optional<qint8> TypedCell(QLineEdit *cell, const QString &curve, const QString &cellCaption);

} // namespace CorrectionControls
