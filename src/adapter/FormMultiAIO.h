// The analog-I/O window (two-channel lambda emulator). Its content panel is
// docked into the main window's adapter page.
#pragma once

#include <QWidget>

class QFrame;
class QTabWidget;

class TFormMultiAIO : public QWidget
{
    Q_OBJECT
public:
    explicit TFormMultiAIO(QWidget *parent = nullptr);
    ~TFormMultiAIO() override;

    QFrame *PnlMultiAIO;
    QTabWidget *PgCMain;

    // Refreshes the shown lambda input; the analog-I/O module never reports
    // itself present, so there is nothing to show.
    void RefreshLive(bool visible) { Q_UNUSED(visible); }
    void PgCMainChange(QObject *sender = nullptr) { Q_UNUSED(sender); }
    void UpdateLanguage() {}
};

extern TFormMultiAIO *FormMultiAIO;
