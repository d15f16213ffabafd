// Two-position slide switch: a knob in the upper (off) or lower (on) half of
// a lowered frame, flipped by clicking. Setting Checked from code moves the
// knob without firing OnClick.
#pragma once

#include <QBrush>
#include <QColor>
#include <QPen>
#include <QWidget>

class TPaintShape;

class TDipSwitch : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(bool Cyclic READ Cyclic WRITE SetCyclic)
    Q_PROPERTY(bool Switchable READ Switchable WRITE SetSwitchable)
    Q_PROPERTY(TSwitchType SwitchType READ SwitchType WRITE SetSwitchType)
    Q_PROPERTY(QBrush SwitchBrush READ SwitchBrush WRITE SetSwitchBrush)
    Q_PROPERTY(QPen SwitchPen READ SwitchPen WRITE SetSwitchPen)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)

public:
    enum TSwitchType { stSquare, stRectangle };
    Q_ENUM(TSwitchType)

    explicit TDipSwitch(QWidget *parent = nullptr);

    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    bool Cyclic() const { return FCyclic; }
    void SetCyclic(bool value) { FCyclic = value; }
    bool Switchable() const { return FSwitchable; }
    void SetSwitchable(bool value) { FSwitchable = value; }
    TSwitchType SwitchType() const { return FSwitchType; }
    void SetSwitchType(TSwitchType value);
    QBrush SwitchBrush() const;
    void SetSwitchBrush(const QBrush &value);
    QPen SwitchPen() const;
    void SetSwitchPen(const QPen &value);
    QColor Color() const { return FColor; }
    void SetColor(const QColor &value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);

    // The three parts: the upper and lower halves and the knob.
    QWidget *UpperLabel() const { return FUpper; }
    QWidget *LowerLabel() const { return FLower; }
    TPaintShape *Knob() const { return FKnob; }

signals:
    // A press on a part: the part, the button, the modifiers and the position in the part.
    void OnMouseDown(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                     const QPoint &pos);
    void OnClick();
    void OnResize();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void LayOut();
    void PartPressed(QWidget *part, QMouseEvent *event);

    bool FChecked = false;
    bool FCyclic = false;
    bool FSwitchable = true;
    TSwitchType FSwitchType = stSquare;
    QColor FColor;
    int FBorderWidth = 3;
    QWidget *FUpper;
    QWidget *FLower;
    TPaintShape *FKnob;
};
