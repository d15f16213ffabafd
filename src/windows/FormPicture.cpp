#include "windows/FormPicture.h"

#include "core/LM.h"
#include "windows/NamedWidget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

TFormPicture *FormPicture = nullptr;

namespace {
constexpr int CloseBarHeight = 18;

// A label that closes the photo window when clicked. Embedded in the main
// window, the photo window is no top-level window: the label closes the
// photo window it belongs to, never the window around it.
class TCloseLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void mouseReleaseEvent(QMouseEvent *) override
    {
        for (QWidget *w = parentWidget(); w; w = w->parentWidget())
            if (auto *picture = qobject_cast<TFormPicture *>(w)) {
                picture->close();
                return;
            }
    }
};

// The window the photo window is embedded in shows it but does not own it:
// whoever created the photo window deletes it. This guard, a child of that
// window placed before the photo window, goes first when that window is
// deleted and takes the photo window out of it, so it is not deleted twice.
class TPictureRelease : public QObject
{
public:
    explicit TPictureRelease(QObject *parent) : QObject(parent) { setObjectName(QStringLiteral("PictureRelease")); }
    ~TPictureRelease() override
    {
        if (FormPicture && FormPicture->parent() == parent()) {
            FormPicture->hide();
            FormPicture->setParent(nullptr);
        }
    }
};
} // namespace

TFormPicture::TFormPicture(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormPicture"));
    setWindowTitle(QStringLiteral("Zdjęcie"));
    // Embedded over the page's controls, it hides what lies beneath it.
    setAutoFillBackground(true);
    ImgPicture = NewNamed<QLabel>(this, "ImgPicture", {0, CloseBarHeight, 320, 240});
    ImgPicture->setAlignment(Qt::AlignCenter);
    LblFilename = NewNamed<QLabel>(this, "LblFilename", {8, CloseBarHeight + 8, 300, 20});
    LblFilename->hide();
    LblPictureClose = NewNamed<TCloseLabel>(this, "LblPictureClose", {0, 0, 320, CloseBarHeight}, QStringLiteral("X"));
    LblPictureClose->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LblPictureClose->setCursor(Qt::PointingHandCursor);
    resize(ImgPicture->width(), ImgPicture->height() + LblPictureClose->height());
}

TFormPicture::~TFormPicture()
{
    if (::FormPicture == this)
        ::FormPicture = nullptr;
}

QString TFormPicture::PictureBase(const QString &prefix, const QString &name)
{
    QString cleaned = name;
    cleaned.replace(QLatin1Char(' '), QLatin1Char('_')).replace(QLatin1Char('/'), QLatin1Char('_'));
    return prefix + QLatin1Char('_') + cleaned;
}

bool TFormPicture::LoadPicture(const QString &prefix, const QString &name)
{
    if (!name.isEmpty() && LM) {
        QPixmap picture;
        if (LM->LoadCommonPicture(picture, PictureBase(prefix, name), QStringLiteral(".jpg"))
            || LM->LoadCommonPicture(picture, QStringLiteral("NO"), QStringLiteral(".jpg"))) {
            ImgPicture->setPixmap(picture);
            LblFilename->hide();
            return true;
        }
    }
    ImgPicture->clear();
    LblFilename->setText(TranslateKey(QStringLiteral("strUnknown")));
    LblFilename->setVisible(!name.isEmpty());
    return false;
}

void TFormPicture::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFormPicture::closeEvent(QCloseEvent *event)
{
    // Closing only hides: the single instance lives for the whole run.
    hide();
    event->ignore();
}

void ShowFormPicture(QWidget *parent)
{
    if (!FormPicture)
        return;
    if (parent && FormPicture->parentWidget() != parent) {
        if (!parent->findChild<QObject *>(QStringLiteral("PictureRelease"), Qt::FindDirectChildrenOnly))
            new TPictureRelease(parent);
        FormPicture->setParent(parent);
    }
    FormPicture->show();
    FormPicture->raise();
}

void HideFormPicture()
{
    if (FormPicture)
        FormPicture->hide();
}
