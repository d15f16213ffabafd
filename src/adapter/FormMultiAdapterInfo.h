// The adapter-information page: what the adapter box reports about itself,
// and its default-settings, save and load actions. Its panel is docked into
// the main window's adapter page.
#pragma once

#include <QWidget>

#include <functional>

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

    // Pauses the modules' work step, asks the box afresh what it is (while it
    // is not disabled as incompatible) and shows its version, compilation
    // date and time and serial number, or why it is not usable; the buttons
    // are enabled exactly when it is usable.
    void UpdateAdapterInfo();
    // The texts from what the box last reported, without asking it: a
    // refresh of the window (a language change, a finished detection, which
    // has read the box itself) sends the box nothing.
    void ShowAdapterInfo();
    void UpdateLanguage();
    void AdjustLayout() {}
    // Writes the default configuration after its question.
    void BtBAdapterDefaultSettingsClick();
    // Saves the adapter's OBD settings to a file the user chooses.
    bool BtBAdapterSaveToFileClick();
    // Loads an adapter configuration file the user chooses. False while no
    // adapter is usable, when the dialog was cancelled or the file refused.
    bool BtBAdapterLoadFromFileClick();

private:
    // The file dialog (open or save) in the adapter-file folder; empty when
    // cancelled. The chosen folder is kept in the program settings.
    QString ChooseFile(bool save);
    // Runs a file command with the work step paused; data-layout errors are shown.
    bool RunFileCommand(const std::function<bool()> &command);
};

extern TFormMultiAdapterInfo *FormMultiAdapterInfo;
