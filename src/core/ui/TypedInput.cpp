#include "core/ui/TypedInput.h"

#include "core/ui/Common.h"

#include <QComboBox>
#include <QLineEdit>

namespace TypedInput {

namespace {

// The edit that holds the field's text.
QLineEdit *EditOf(QWidget *field)
{
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        return edit;
    if (auto *list = qobject_cast<QComboBox *>(field))
        return list->lineEdit();
    return nullptr;
}

} // namespace

QString TextOf(const QWidget *field)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(field))
        return edit->text();
    if (const auto *list = qobject_cast<const QComboBox *>(field); list && list->isEditable())
        return list->currentText();
    return QString();
}

std::optional<double> Read(QWidget *field, const QString &caption, const NumberText::TField &range)
{
    double value = 0;
    const NumberText::TFault fault = NumberText::ReadTyped(TextOf(field), range, value);
    if (fault == NumberText::TFault::None)
        return value;
    Refuse(field, NumberText::Refusal(caption, fault, range));
    return std::nullopt;
}

std::optional<qint64> ReadInt(QWidget *field, const QString &caption, qint64 low, qint64 high)
{
    const auto value = Read(field, caption, {double(low), double(high), true});
    return value ? std::optional<qint64>(qint64(*value)) : std::nullopt;
}

void Refuse(QWidget *field, const QString &reason)
{
    if (Common)
        Common->ShowWarning(reason);
    if (!field)
        return;
    Mark(field, reason);
    field->setFocus();
}

void Mark(QWidget *field, const QString &reason)
{
    QLineEdit *edit = EditOf(field);
    if (!edit)
        return;
    edit->setStyleSheet(QStringLiteral("border: 2px solid red;"));
    edit->setToolTip(reason);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { ClearMark(edit); }, Qt::SingleShotConnection);
}

void ClearMark(QWidget *field)
{
    if (QLineEdit *edit = EditOf(field)) {
        edit->setStyleSheet(QString());
        edit->setToolTip(QString());
    }
}

} // namespace TypedInput
