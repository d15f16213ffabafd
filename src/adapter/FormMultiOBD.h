// The OBD window. It is never shown by itself: the main window docks its
// content panel and its small readings panel into its own pages.
#pragma once

#include <QWidget>

class QCheckBox;
class QFrame;
class QPushButton;
class QTabWidget;
class TDigitalDisplay;

class TFormMultiOBD : public QWidget
{
    Q_OBJECT
public:
    explicit TFormMultiOBD(QWidget *parent = nullptr);
    ~TFormMultiOBD() override;

    QFrame *PnlMultiOBD;
    QTabWidget *PgCMain;
    QWidget *TbSOBDConfig;
    QWidget *TbSOBDLive;
    QWidget *TbSOBDErrors;
    QFrame *PnlOBDConfig;
    QFrame *PnlOBDLive;
    QFrame *PnlOBDErrors;
    QFrame *PnlOBDReadingsMini;
    TDigitalDisplay *DgDOBDRealRPM, *DgDOBDRealTb, *DgDOBDRealTg, *DgDOBDRealPsys, *DgDOBDRealPcol,
        *DgDOBDRealTred, *DgDOBDRealTgas;
    QCheckBox *ChBOBDAdaptationEnable;
    QPushButton *BtBOBDWriteConfig;

    // Refreshes what the shown page displays from the module variables
    // (visible: the OBD tab of the adapter page is the visible page).
    void RefreshLive(bool visible);
    // Starts and stops the module reads the shown page needs; without an
    // active OBD module there is nothing to read.
    void PgCMainChange(QObject *sender = nullptr);
    void UpdateLanguage();
    // Highlights the write button while the OBD settings hold unwritten edits.
    void UpdateWriteButtonState();
    // Writes the OBD configuration to the adapter and the device. False
    // without an active OBD module: nothing was written.
    bool BtBOBDWriteConfigClick(QObject *sender = nullptr);

private:
    void ChBOBDAdaptationEnableClick();
};

extern TFormMultiOBD *FormMultiOBD;
