// The configuration window of device kind 48. Like the calibration window it
// is never shown by itself: its content panel is docked into the main window.
#pragma once

#include <QWidget>

class QFrame;

class TFrmMultiConfigurationTaronQV : public QWidget
{
    Q_OBJECT
public:
    explicit TFrmMultiConfigurationTaronQV(QWidget *parent = nullptr);
    ~TFrmMultiConfigurationTaronQV() override;

    QFrame *PnlMultiConfiguration;

    // The pages' contents join with the kind-48 configuration; until then
    // these show nothing, read nothing and write nothing.
    void UpdateDeviceInfo() {}
    void UpdateConfigurationTaronQVTabControls() {}
    // False: nothing was read.
    bool RefreshFromDevice() { return false; }
    // False: nothing was written.
    bool BtBKnfWriteConfigurationClick(QObject *sender = nullptr);
    bool BtBKnfWriteDefaultConfigurationClick(QObject *sender = nullptr);
    // Leaving a page: nothing is ever left unsaved here, so the change is allowed.
    void PgCConfigurationChanging(QObject *sender, bool &allowChange);
};

// Nullptr until the main window first adapts to a kind-48 device.
extern TFrmMultiConfigurationTaronQV *FrmMultiConfigurationTaronQV;
