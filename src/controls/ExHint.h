// Two-level hints for the whole application: when the owner supplies detail
// lines for the control under the mouse, a small stay-on-top window shows the
// control's short hint as a bold key word over a rule and the detail text,
// with a close button and an optional "more" button; without detail lines
// the ordinary tooltip is shown.
#pragma once

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class QFrame;
class QLabel;
class QTimer;
class QToolButton;

// What the application knows about a hint about to be shown.
struct THintInfo {
    QPoint CursorPos;              // global cursor position
    QPointer<QWidget> HintControl; // the control whose hint it is
};

class THintForm : public QWidget
{
    Q_OBJECT

public:
    explicit THintForm(QWidget *parent = nullptr);

    QFrame *PanelBorder;
    QLabel *Keyword;
    QFrame *Line;
    QLabel *Text;
    QToolButton *MoreButton;
    QToolButton *Closing;
    QTimer *InActiveTimer;
    QTimer *HintTimer;

    int DeltaX = 0;
    int DeltaY = 20;
    int WrapWidth = 100;
    bool Showing() const { return FShowing; }
    bool MouseInside() const { return FMouseInside; }

    // Places and shows the window for cursor position p (see TExHint).
    void ShowAt(const QPoint &p, const QString &key, const QStringList &detail, bool wordWrap);
    // Hides the window (a no-op when hidden) and fires OnClose.
    void HideHint();
    // The rule's and texts' colour.
    void SetTextColor(const QColor &color);
    void SetBackgroundColor(const QColor &color);

signals:
    void OnClose();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void CheckInactive();

    bool FShowing = false;
    bool FMouseInside = false;
};

class TExHint : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int DisplayTime READ DisplayTime WRITE SetDisplayTime)
    Q_PROPERTY(QString KeyHint READ KeyHint WRITE SetKeyHint)
    Q_PROPERTY(QString DetailHint READ DetailHint WRITE SetDetailHint)
    Q_PROPERTY(QString MoreButtonHint READ MoreButtonHint WRITE SetMoreButtonHint)
    Q_PROPERTY(QString CloseButtonHint READ CloseButtonHint WRITE SetCloseButtonHint)
    Q_PROPERTY(bool ShowHintOnHint READ ShowHintOnHint WRITE SetShowHintOnHint)
    Q_PROPERTY(int DeltaShowX READ DeltaShowX WRITE SetDeltaShowX)
    Q_PROPERTY(int DeltaShowY READ DeltaShowY WRITE SetDeltaShowY)
    Q_PROPERTY(bool MoreButtonExist READ MoreButtonExist WRITE SetMoreButtonExist)
    Q_PROPERTY(QColor BackgroundColor READ BackgroundColor WRITE SetBackgroundColor)
    Q_PROPERTY(QColor TextColor READ TextColor WRITE SetTextColor)
    Q_PROPERTY(bool CloseAfterMore READ CloseAfterMore WRITE SetCloseAfterMore)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(int DescriptionWidth READ DescriptionWidth WRITE SetDescriptionWidth)

public:
    explicit TExHint(QObject *parent = nullptr);
    ~TExHint() override;

    int DisplayTime() const;
    void SetDisplayTime(int value);
    QString KeyHint() const { return FKeyHint; }
    void SetKeyHint(const QString &value);
    QString DetailHint() const { return FDetailHint; }
    void SetDetailHint(const QString &value);
    QString MoreButtonHint() const { return FMoreButtonHint; }
    void SetMoreButtonHint(const QString &value);
    QString CloseButtonHint() const { return FCloseButtonHint; }
    void SetCloseButtonHint(const QString &value);
    bool ShowHintOnHint() const { return FShowHintOnHint; }
    void SetShowHintOnHint(bool value);
    int DeltaShowX() const { return FHintForm->DeltaX; }
    void SetDeltaShowX(int value) { FHintForm->DeltaX = value; }
    int DeltaShowY() const { return FHintForm->DeltaY; }
    void SetDeltaShowY(int value) { FHintForm->DeltaY = value; }
    bool MoreButtonExist() const { return FMoreButtonExist; }
    void SetMoreButtonExist(bool value);
    QColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(const QColor &value);
    QColor TextColor() const { return FTextColor; }
    void SetTextColor(const QColor &value);
    bool CloseAfterMore() const { return FCloseAfterMore; }
    void SetCloseAfterMore(bool value) { FCloseAfterMore = value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    int DescriptionWidth() const { return FHintForm->WrapWidth; }
    void SetDescriptionWidth(int value);

    THintForm *HintForm() const { return FHintForm; }
    QString Key() const { return FKey; }
    const QStringList &Detail() const { return FDetail; }

    // Asks the owner for the detail lines of key (may also change the hint info).
    std::function<void(const QString &key, QStringList &detail, THintInfo &info)> OnNeedData;
    // The "more" button was clicked: the button and the key word. By default
    // nothing more than the closing that CloseAfterMore asks for.
    std::function<void(QObject *button, const QString &key)> OnMoreClick = [](QObject *, const QString &) {};

    // Called before any hint is shown, with the hint text, whether the
    // ordinary hint may show, and the hint information; all three may change.
    void ShowHintHandler(QString &hintStr, bool &canShow, THintInfo &info);

signals:
    void OnClose();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void MoreClick();
    void ApplyButtonHints();

    THintForm *FHintForm;
    QStringList FDetail;
    QString FKey;
    QString FKeyHint, FDetailHint, FMoreButtonHint, FCloseButtonHint;
    bool FShowHintOnHint = false;
    bool FMoreButtonExist = false;
    QColor FBackgroundColor;
    QColor FTextColor = Qt::black;
    bool FCloseAfterMore = true;
    bool FWordWrap = true;
};
