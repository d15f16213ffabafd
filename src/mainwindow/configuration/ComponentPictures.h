// Two small tools of the configuration and diagnostics pages: the pictures
// of the pressure sensor, injector or reducer chosen in a list, shown in the
// picture window and kept in step with the list and the page; and the
// emulator and valve switches of the advanced diagnostics panel.
#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>

class QAbstractButton;
class TFormMain;

class TComponentPictures : public QObject
{
    Q_OBJECT

public:
    explicit TComponentPictures(TFormMain &form);
    static TComponentPictures *Install(TFormMain &form);

    // The picture window, wired at start-up: show it with a caption, the
    // close button's caption and the picture of a component (file prefix and
    // name), placed (in the main window) where place gives for the window's
    // size, when place is set; hide it; whether it is visible; and its close
    // callback.
    struct TPictureWindow {
        std::function<void(const QString &caption, const QString &closeCaption, const QString &prefix,
                           const QString &name, const std::function<QPoint(QSize window)> &place)>
            Show;
        std::function<void()> Hide;
        std::function<bool()> Visible;
        std::function<void(std::function<void()> onClose)> SetOnClose;
    } Window;

    // The file prefix of a component kind: 1 pressure sensor, 2 injector,
    // 3 reducer.
    static QString PicturePrefix(int kind);

public slots:
    void ShowComponentPicture(int kind, bool down, bool placeWindow);
    void ShowWizardComponentPicture(int kind, bool down);
    void CheckFormPictureShow();
    void CheckFormPictureHide();
    void CheckFormPictureChange(const QString &button);
    void DpSSwitchChClick();
    void BtnDngAdvEmulatorAllPetrolClick();
    void BtnDngEmulatorAllGasClick();
    void BtnDngReadEmulatorClick();
    void DpSValveClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    template <typename T = QWidget> T *Find(const QString &name) const;
    void ReleaseAll();
    void Show(int kind, bool down, bool placeWindow, bool wizard);
    // Where the picture window of a size goes in the main window: beside the
    // photo buttons of the page or the wizard, and on a window wider than
    // designed, into the room right of the lists.
    QPoint Placement(bool wizard, QSize window) const;
    void SetSwitches(int mask);

    TFormMain &FForm;
    bool FHiding = false;
};
