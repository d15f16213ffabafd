// The widget side of the language manager: finds windows by objectName and
// puts the component lines of a language file onto their controls.
#pragma once

#include "core/LM.h"

class QWidget;

class TLMWidgetTexts : public TLMWindowTexts
{
public:
    // A page docked into another window stays its window's component: the
    // docking code sets this dynamic property on the page to the objectName
    // of the window that owns it.
    static constexpr const char *OwnerFormProperty = "OwnerForm";

    QObject *FindWindow(const QString &name) override;
    void SetWindowCaption(QObject *window, const QString &caption) override;
    void ApplyComponentLine(QObject *window, const QString &name, bool isHint,
                            const QString &value) override;

    // The component of a window by exact name: objects the window owns first,
    // then its child controls, each container's direct children before its
    // descendants.
    // Pages docked elsewhere, so found, are searched last.
    static QObject *FindComponent(QObject *window, const QString &name);
    // The pages that window owns but that are docked outside it.
    static QList<QWidget *> DockedPagesOf(const QObject *window);
};
