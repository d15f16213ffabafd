// The start-up splash: the product picture (or, without it, the product
// name), a status line and a cancel button that appears once the start takes
// longer than a second.
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

class TFrmWinetka : public QWidget
{
    Q_OBJECT
public:
    explicit TFrmWinetka(QWidget *parent = nullptr);
    ~TFrmWinetka() override;

    QLabel *ImGObrazek;
    QLabel *LblProgram;
    QLabel *LblFirma;
    QLabel *LblStatus;
    QPushButton *BtnCancel;

    // The click handler of BtnCancel (set through SetSplashCancelHandler).
    std::function<void(QObject *sender)> CancelHandler;
    // Monotonic milliseconds when the splash was shown.
    qint64 ShownAt = 0;
    // True when the picture "w2" was loaded.
    bool HasPicture() const { return FHasPicture; }
    // Loads the picture and sizes the window to it; without it shows the
    // product name in a plain window.
    void LoadPicture();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool FHasPicture = false;
};

// The splash of this run, nullptr when none is shown.
extern TFrmWinetka *FrmWinetka;

// Creates and shows the splash (caption: the edition's product name).
void ShowSplash();
// Closes and frees the splash when it exists.
void HideSplash();
// Always false: the splash offers no off-line start.
bool SplashOffLineRequested();
// When the splash exists, its cancel button runs handler.
void SetSplashCancelHandler(std::function<void(QObject *sender)> handler);
// When the splash exists: shows text in the status line and repaints; the
// cancel button shows (focused) only after more than 1000 ms since showing,
// when not connected and a handler is set.
void SetSplashStatus(const QString &text, bool connected);
// The monotonic millisecond clock of the splash; tests may replace it.
void SetSplashClock(std::function<qint64()> clock);
