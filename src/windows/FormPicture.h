// The component photo window: shows the photo of a component in the current
// language, embedded in the window that asks for it.
#pragma once

#include <QWidget>

class QLabel;

class TFormPicture : public QWidget
{
    Q_OBJECT
public:
    explicit TFormPicture(QWidget *parent = nullptr);
    ~TFormPicture() override;

    QLabel *ImgPicture;
    QLabel *LblFilename;
    QLabel *LblPictureClose;

    // The file base of a photo: prefix + "_" + name, with every space and '/'
    // of the name replaced by '_'.
    static QString PictureBase(const QString &prefix, const QString &name);
    // Loads the photo "<base>.jpg", else "NO.jpg", through the language
    // manager's picture loader. Without a name (or without any file) the
    // picture is cleared; LblFilename shows "strUnknown" when a name was given.
    // True when a photo was loaded.
    bool LoadPicture(const QString &prefix, const QString &name);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};

extern TFormPicture *FormPicture;

// Embeds the photo window in parent (the main window) and shows it.
void ShowFormPicture(QWidget *parent);
// Hides the photo window when it exists.
void HideFormPicture();
