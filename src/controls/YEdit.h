// Single-line edit that accepts only the characters of a chosen class
// (integers, floating-point numbers, dates, times or a custom set), with an
// optional small button inside its right edge. In calendar style the button
// opens a drop-down month calendar that writes the chosen date back.
#pragma once

#include <QCalendarWidget>
#include <QDate>
#include <QLineEdit>
#include <QPixmap>
#include <QToolButton>

class TYEdit;

class TYEditButton : public QToolButton
{
    Q_OBJECT

public:
    explicit TYEditButton(QWidget *parent = nullptr);

    bool Active() const { return FActive; }
    void SetActive(bool value);
    bool DropDown() const { return FDropDown; }
    void SetDropDown(bool value);
    int Style() const { return FStyle; }
    void SetStyle(int value);

    // The picture drawn for a standard style (empty for the custom style).
    static QPixmap StylePicture(int style);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool FActive = true;
    bool FDropDown = false;
    int FStyle = 0;
};

// Drop-down month calendar of a calendar-style edit; lives for one button action.
class TYEditCalendar : public QCalendarWidget
{
    Q_OBJECT

public:
    static constexpr int CalendarWidth = 214;

    explicit TYEditCalendar(QWidget *parent = nullptr);

    // Shows the calendar below edit, preset to date when it is valid, and
    // waits until it closes. Returns true when a date was accepted (Enter or a
    // double click on a day) and then leaves it in date.
    bool Execute(QDate &date, TYEdit *edit);
    bool Accepted() const { return FAccepted; }
    // Screen position of the calendar for edit: below it with the right edges
    // aligned, or with the left edges aligned when the calendar would
    // otherwise start left of the window's client area.
    static QPoint PlaceBelow(const TYEdit *edit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void Accept();

    bool FAccepted = false;
    class QEventLoop *FLoop = nullptr;
};

class TYEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(TYCharsType EditCharsType READ EditCharsType WRITE SetEditCharsType)
    Q_PROPERTY(QString EditAddValidChars READ EditAddValidChars WRITE SetEditAddValidChars)
    Q_PROPERTY(bool ButtonActive READ ButtonActive WRITE SetButtonActive)
    Q_PROPERTY(bool ButtonDropDown READ ButtonDropDown WRITE SetButtonDropDown)
    Q_PROPERTY(QPixmap ButtonGlyph READ ButtonGlyph WRITE SetButtonGlyph)
    Q_PROPERTY(QString ButtonHint READ ButtonHint WRITE SetButtonHint)
    Q_PROPERTY(TYEditBtnStyle ButtonStyle READ ButtonStyle WRITE SetButtonStyle)

public:
    enum TYCharsType { etAll, etCustom, etInteger, etFloat, etDate, etTime };
    Q_ENUM(TYCharsType)
    enum TYEditBtnStyle { bsCustom, bsEllipsis, bsCombo, bsForm, bsCalendar };
    Q_ENUM(TYEditBtnStyle)

    explicit TYEdit(QWidget *parent = nullptr);
    ~TYEdit() override;

    TYCharsType EditCharsType() const { return FCharsType; }
    void SetEditCharsType(TYCharsType value) { FCharsType = value; }
    QString EditAddValidChars() const { return FAddValidChars; }
    void SetEditAddValidChars(const QString &value) { FAddValidChars = value; }
    bool ButtonActive() const { return FButton->Active(); }
    void SetButtonActive(bool value);
    bool ButtonDropDown() const { return FButton->DropDown(); }
    void SetButtonDropDown(bool value) { FButton->SetDropDown(value); }
    QPixmap ButtonGlyph() const { return FGlyph; }
    void SetButtonGlyph(const QPixmap &value);
    QString ButtonHint() const { return FButton->toolTip(); }
    void SetButtonHint(const QString &value) { FButton->setToolTip(value); }
    TYEditBtnStyle ButtonStyle() const { return static_cast<TYEditBtnStyle>(FButton->Style()); }
    void SetButtonStyle(TYEditBtnStyle value) { FButton->SetStyle(value); }

    TYEditButton *Button() const { return FButton; }

    // Whether c belongs to the class (plus the extra characters, for every
    // class but etAll), in the user's locale; a float also takes the decimal
    // separator of the language shown.
    static bool IsValidChar(QChar c, TYCharsType type, const QString &extra);
    // text without the characters this edit does not accept.
    QString FilterText(const QString &text) const;

    // The short date text the calendar writes (four-digit year), and its reading.
    static QString DateToText(const QDate &date);
    static QDate TextToDate(const QString &text);

    // Runs the button's action (the calendar in calendar style), then fires OnButtonClick.
    virtual void ButtonClick();

signals:
    void OnButtonClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void LayOutButton();
    void InsertFiltered(const QString &text);
    void PasteFiltered(bool selection);

    TYCharsType FCharsType = etAll;
    QString FAddValidChars;
    QPixmap FGlyph;
    TYEditButton *FButton;
};
