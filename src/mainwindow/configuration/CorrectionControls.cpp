#include "mainwindow/configuration/CorrectionControls.h"

#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/SettingsFile.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"

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
        r.CorrectionOffset = shownOffset.Take(offset->text(), SafeStrToFloat(offset->text()));
    r.CorrectionMask = MaskOf(boxes);
}

bool ModelValueFits(const char *key, const char *captionKey, double value)
{
    const QString name = QString::fromLatin1(key);
    if (TSettingsFile::ModelKeyFits(name, value))
        return true;
    double low = 0, high = 0;
    TSettingsFile::ModelKeyRange(name, low, high);
    auto tr = [](const char *text) { return LM ? LM->Translate(QString::fromLatin1(text)) : QString::fromLatin1(text); };
    if (Common)
        Common->ShowWarning(TSettingsFile::RangeRefusal(tr(captionKey), tr("strConfValueRange"), low, high));
    return false;
}

bool OffsetFits(double offset) { return ModelValueFits("CorrectionOffset", "strCorrOffsetCaption", offset); }

} // namespace CorrectionControls
