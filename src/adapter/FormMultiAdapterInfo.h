// The adapter-information page: what the adapter box reports about itself,
// and its default-settings, save and load actions. Its panel is docked into
// the main window's adapter page.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

class TFormMultiAdapterInfo : public QWidget
{
    Q_OBJECT
public:
    explicit TFormMultiAdapterInfo(QWidget *parent = nullptr);
    ~TFormMultiAdapterInfo() override;

    QFrame *PnlMultiInfo;
    QLabel *LblAdapterInfo;
    QLabel *LblAdapterVersion;
    QLabel *LblAdapterVersionFull;
    QLabel *LblAdapterCompilationDateAndTime;
    QLabel *LblAdapterSN;
    QPushButton *BtBAdapterDefaultSettings;
    QPushButton *BtBAdapterSaveToFile;
    QPushButton *BtBAdapterLoadFromFile;

    // Shows the adapter's version, compilation date and time, or why it is
    // not usable; the buttons are enabled exactly when it is usable.
    void UpdateAdapterInfo();
    void UpdateLanguage() { UpdateAdapterInfo(); }
    // Loads an adapter configuration file. False while no adapter is usable:
    // nothing was loaded.
    bool BtBAdapterLoadFromFileClick();
};

extern TFormMultiAdapterInfo *FormMultiAdapterInfo;
