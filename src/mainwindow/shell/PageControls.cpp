#include "mainwindow/shell/PageControls.h"

QObject *TPageControls::Control(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    for (const QPointer<QWidget> &panel : FPanels) {
        if (!panel)
            continue;
        if (panel->objectName() == name)
            return panel;
        if (QObject *found = panel->findChild<QObject *>(name))
            return found;
    }
    return nullptr;
}

QList<QWidget *> TPageControls::Panels() const
{
    QList<QWidget *> out;
    for (const QPointer<QWidget> &panel : FPanels)
        if (panel)
            out << panel;
    return out;
}

void TPageControls::SetPanels(std::initializer_list<QWidget *> panels)
{
    FPanels.clear();
    for (QWidget *panel : panels)
        FPanels << QPointer<QWidget>(panel);
}
