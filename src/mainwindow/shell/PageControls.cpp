#include "mainwindow/shell/PageControls.h"

QObject *TPageControls::Control(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    const auto kept = FFound.constFind(name);
    if (kept != FFound.constEnd()) {
        QObject *object = kept.value().data();
        if (object && object->objectName() == name && InPanels(object))
            return object;
    }
    QObject *found = Search(name);
    if (found)
        FFound.insert(name, found);
    else
        FFound.remove(name);
    return found;
}

bool TPageControls::InPanels(const QObject *object) const
{
    for (const QObject *o = object; o; o = o->parent())
        for (const QPointer<QWidget> &panel : FPanels)
            if (panel == o)
                return true;
    return false;
}

QObject *TPageControls::Search(const QString &name) const
{
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
    FFound.clear();
    for (QWidget *panel : panels)
        FPanels << QPointer<QWidget>(panel);
}
