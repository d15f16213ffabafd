#include "mainwindow/configuration/CorrectionControls.h"

#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/NumberText.h"
#include "core/SettingsFile.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/TypedInput.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QSpinBox>

namespace CorrectionControls {

uint8_t MaskOf(const TMaskBoxes &boxes)
{
    uint8_t mask = 0;
    for (int k = 0; k < 8; ++k)
        if (boxes[k] && boxes[k]->isChecked())
            mask |= uint8_t(1u << k);
    return mask;
}

void ShowMask(const TMaskBoxes &boxes, unsigned mask)
{
    for (int k = 0; k < 8; ++k)
        if (boxes[k])
            TCommon::SetCheckedSilently(boxes[k], mask & (1u << k));
}

void Take(const QSpinBox *mult, const ModelMath::TShownValue &shownMult, const QLineEdit *offset,
          const ModelMath::TShownValue &shownOffset, const TMaskBoxes &boxes, TDeviceRecord &r)
{
    const QString corrMult = mult ? QString::number(mult->value()) : QString();
    r.CorrectionMult = shownMult.Take(corrMult, SafeStrToInt(corrMult) * 0.01 + 1.0);
    if (offset)
        r.CorrectionOffset = shownOffset.TakeShown(offset->text(), r.CorrectionOffset);
    r.CorrectionMask = MaskOf(boxes);
}

namespace {

QString Translated(const char *text)
{
    return LM ? LM->Translate(QString::fromLatin1(text)) : QString::fromLatin1(text);
}

// Refuses a model value of a field, naming it, for what is wrong.
void RefuseModelValue(const char *key, const char *captionKey, NumberText::TFault fault, QWidget *field)
{
    NumberText::TField range;
    TSettingsFile::ModelKeyRange(QString::fromLatin1(key), range.Low, range.High);
    TypedInput::Refuse(field, NumberText::Refusal(Translated(captionKey), fault, range));
}

} // namespace

bool ModelValueFits(const char *key, const char *captionKey, double value, QWidget *field)
{
    if (TSettingsFile::ModelKeyFits(QString::fromLatin1(key), value))
        return true;
    RefuseModelValue(key, captionKey, NumberText::TFault::OutOfRange, field);
    return false;
}

bool OffsetFits(double offset) { return ModelValueFits("CorrectionOffset", "strCorrOffsetCaption", offset); }

std::optional<double> TypedOffset(QLineEdit *offset, const ModelMath::TShownValue &shown)
{
    static const char *const key = "CorrectionOffset", *const caption = "strCorrOffsetCaption";
    const QString text = offset ? offset->text() : QString();
    double value = 0;
    if (shown.Set && text == shown.Text) {
        value = shown.Value;
    } else if (!shown.Set && text.trimmed().isEmpty()) {
        // An edit the page never filled shows no value and none was typed:
        // the offset goes as the record holds it.
        value = DeviceRecord.CorrectionOffset;
    } else if (!NumberText::ParseTyped(text, value)) {
        RefuseModelValue(key, caption, NumberText::TFault::NotANumber, offset);
        return std::nullopt;
    }
    if (!ModelValueFits(key, caption, value, offset))
        return std::nullopt;
    return value;
}

std::optional<qint8> CellValue(const QLineEdit *cell)
{
    double value = 0;
    if (!cell || NumberText::ReadTyped(cell->text(), CellField, value) != NumberText::TFault::None)
        return std::nullopt;
    return qint8(value);
}

std::optional<qint8> TypedCell(QLineEdit *cell, const QString &curve, const QString &cellCaption)
{
    const auto value = TypedInput::Read(cell, QStringLiteral("%1 [%2]").arg(curve, cellCaption), CellField);
    return value ? std::optional<qint8>(qint8(*value)) : std::nullopt;
}

} // namespace CorrectionControls
