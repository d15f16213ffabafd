// Tells its owner when the user changes anything in a group of editing
// controls: attached to a container, it watches every editing control inside
// and fires OnModified with the changed control. Only the user's edits count;
// values that the program loads into the controls never fire it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QVector>

class QWidget;

class TChangeHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Modified READ Modified WRITE SetModified)

public:
    explicit TChangeHelper(QObject *parent = nullptr);
    ~TChangeHelper() override;

    // A flag for the owner's use; the helper never sets it.
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }

    // Watches control itself and every editing control inside it, in child
    // order. Controls added afterwards are not watched; attaching twice
    // watches twice (OnModified then fires twice per change).
    void AttachTo(QWidget *control);
    // Watches one control when it is an editing control; returns whether it was.
    bool HookControl(QWidget *control);

signals:
    // Fired with the changed control, before any handler connected later.
    void OnModified(QObject *sender);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Changed(QObject *sender);
    void WatchUserInput(QWidget *control);
    template <typename Memo>
    void HookMemo(Memo *memo);
    bool UserInputInProgress() const { return FHeldButtons > 0 || FInputPending; }

    bool FModified = false;
    int FHeldButtons = 0;
    bool FInputPending = false;
    QVector<QPointer<QWidget>> FWatched;
};
