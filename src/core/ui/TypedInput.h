// A number a user typed into a field (an edit, or the edit of an editable
// list), read for a write. Every page reads it the one way
// (NumberText::ReadTyped); a text that is no number the field holds is
// refused before anything is sent: the refusal names the field and what is
// wrong, the field keeps its text, gets the focus and is marked (a red frame,
// the reason as its tip) until its text changes.
#pragma once

#include "core/NumberText.h"

#include <QString>

#include <optional>

class QWidget;

namespace TypedInput {

// The text of an edit or of an editable list's edit; empty for anything else.
QString TextOf(const QWidget *field);

// The number typed into field, or nothing once the refusal has been shown.
// caption names the field (its label's text; a closing colon is dropped).
std::optional<double> Read(QWidget *field, const QString &caption, const NumberText::TField &range);
// The same for a field of whole numbers low..high.
std::optional<qint64> ReadInt(QWidget *field, const QString &caption, qint64 low, qint64 high);

// Shows the refusal of field's value (reason names the field): the warning,
// then the field marked and given the focus.
void Refuse(QWidget *field, const QString &reason);
// Marks the field as refused (frame and tip) until its text changes.
void Mark(QWidget *field, const QString &reason);
// Takes the mark away.
void ClearMark(QWidget *field);

} // namespace TypedInput
