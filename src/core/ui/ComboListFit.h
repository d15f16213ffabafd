// Opened lists of combo boxes show every item whole: a list narrower than
// its longest item (a translated item longer than the designed one, or a
// font scaled with the window) is widened when it opens. One object on the
// application serves every combo box of the program.
#pragma once

#include <QObject>

class TComboListFit : public QObject
{
    Q_OBJECT

public:
    // Watches the application's pop-ups (installs itself on the application).
    explicit TComboListFit(QObject *parent = nullptr);

    // The width an opened list of combo needs for its longest item.
    static int NeededListWidth(const class QComboBox *combo);

    bool eventFilter(QObject *watched, QEvent *event) override;
};
