// The widget side of the language manager: finds windows by objectName and
// puts the component lines of a language file onto their controls.
#pragma once

#include "core/LM.h"

class TLMWidgetTexts : public TLMWindowTexts
{
public:
    QObject *FindWindow(const QString &name) override;
    void SetWindowCaption(QObject *window, const QString &caption) override;
    void ApplyComponentLine(QObject *window, const QString &name, bool isHint,
                            const QString &value) override;

    // The component of a window by exact name: objects the window owns first,
    // then its child controls, each container's direct children before its
    // descendants.
    static QObject *FindComponent(QObject *window, const QString &name);
};
