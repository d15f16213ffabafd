// How a page of the main window reaches its controls: inside the panels the
// page was given (its own sheet first, then the sheets of the pages whose
// controls it shares), never by a name search across the window. The kind-48
// windows dock panels into the main window whose controls reuse its names.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <initializer_list>

class TPageControls
{
public:
    virtual ~TPageControls() = default;

    // The named control inside one of the page's panels (a panel itself when
    // it carries the name), or nullptr.
    QObject *Control(const QString &name) const;
    template <typename T = QWidget> T *Control(const QString &name) const
    {
        return qobject_cast<T *>(Control(name));
    }
    template <typename T = QWidget> T *Control(const char *name) const
    {
        return qobject_cast<T *>(Control(QString::fromLatin1(name)));
    }
    // The page's own panel (the first one given).
    QWidget *OwnPanel() const { return FPanels.isEmpty() ? nullptr : FPanels.first().data(); }
    QList<QWidget *> Panels() const;

protected:
    void SetPanels(std::initializer_list<QWidget *> panels);

private:
    QObject *Search(const QString &name) const;
    bool InPanels(const QObject *object) const;

    QList<QPointer<QWidget>> FPanels;
    // What earlier look-ups found: pages refresh many controls by name, and a
    // search of a whole sheet each time is slow. A control that went, moved
    // out of the panels or was renamed is looked up again.
    mutable QHash<QString, QPointer<QObject>> FFound;
};
