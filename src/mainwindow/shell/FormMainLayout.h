// The designed layout of the main window: every named component with its
// kind, parent, designed caption and absolute geometry at the designed client
// size, and the builder that creates them on a QMainWindow.
#pragma once

#include <QLabel>
#include <QString>
#include <QTabWidget>
#include <vector>

class QMainWindow;
class QMouseEvent;

// A caption-carrying panel (and label) in the manner of the main window's
// panels: a caption, an optional fill colour, click and mouse-press events.
class TCaptionPanel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)

public:
    explicit TCaptionPanel(QWidget *parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString &value) { setText(value); }
    // The fill colour; an invalid colour leaves the panel transparent.
    QColor Color() const { return FColor; }
    void SetColor(const QColor &value);

signals:
    void Click();
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QColor FColor;
    bool FPressed = false;
};

// A page control: a QTabWidget whose pages all take the size of its page
// area at once, so that pages not shown yet already have their designed size.
class TPageControl : public QTabWidget
{
    Q_OBJECT

public:
    explicit TPageControl(QWidget *parent = nullptr);

    // The size a page gets inside this control at its current size.
    QSize PageSize() const;
    // Gives every page that size.
    void LayOutPages();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QRect PageArea() const;
};

namespace FormMainLayout {

// Kinds of designed components and the Qt class each becomes.
enum class Kind {
    PageControl,  // TPageControl (a QTabWidget)
    Page,         // QWidget page of its parent QTabWidget; caption = tab text
    Panel,        // TCaptionPanel, centred caption, framed
    Label,        // TCaptionPanel, left-aligned caption, no frame
    Display,      // TDigitalDisplay
    Button,       // QPushButton
    SpeedButton,  // QToolButton
    CheckBox,     // QCheckBox
    Combo,        // QComboBox; extra = items separated by '|'
    Edit,         // QLineEdit
    YEdit,        // TYEdit
    Grid,         // QTableWidget; extra = "columns|rows"
    Chart,        // QChartView
    PaintBox,     // plain QWidget, painted by its owner
    ProgressBar,  // QProgressBar; extra = "min|max"
    Shape,        // TPaintShape (ellipse)
    Image,        // TCaptionPanel without frame, holds a picture
    ScrollBox,    // QScrollArea; its first Image child becomes its widget
    SpinBox,      // QSpinBox; extra = "min|max"
    Slider,       // QSlider, horizontal; extra = "min|max"
    Memo,         // QPlainTextEdit, read-only
    GroupBox,     // QGroupBox; caption = title
    Bevel,        // QFrame horizontal line
    DipSwitch,    // TDipSwitch
    MenuBar,      // the window's QMenuBar
    Menu,         // QMenu in a menu bar or menu
    PopupMenu,    // QMenu that belongs to no menu bar
    Action,       // QAction; extra = shortcut
    Separator,    // separator QAction
    StatusBar,    // the window's QStatusBar
    Timer,        // QTimer; extra = interval in ms
    Radio,        // QRadioButton; Checked flag
};

enum Flags : unsigned {
    None = 0,
    Hidden = 1u << 0,      // not visible in the designed layout (tabs: tab hidden)
    Disabled = 1u << 1,
    Checked = 1u << 2,
    Checkable = 1u << 3,
    Permanent = 1u << 4,   // status bar: right-hand permanent part
    Transparent = 1u << 5, // lets mouse events through, no fill
    Bold = 1u << 6,
    Large = 1u << 7,       // caption in a large font
    Wrap = 1u << 8,        // caption word-wrapped
    Current = 1u << 9,     // page: shown first by its page control; combo: item 0 selected
    Small = 1u << 10,      // caption in a small font (a narrow list that names its choice)
};

// One designed component. A name holding "%1" stands for `count` components
// numbered 1..count, each moved by (dx, dy) from the previous one; "%1" in the
// caption takes the same number.
struct Entry {
    Kind kind;
    const char *name;
    const char *parent; // objectName of the parent; "" is the central widget
    const char *caption;
    int x, y, w, h;
    unsigned flags = None;
    const char *extra = "";
    int count = 1;
    int dx = 0;
    int dy = 0;
};

// Designed size of the central area (below the menu, above the status bar).
constexpr int DesignedClientWidth = 780;
constexpr int DesignedClientHeight = 496;

// The whole designed layout, parents before their children.
const std::vector<Entry> &Table();

// Creates every component of the table on the window (menu bar, central
// widget, status bar, popups, timers). Returns the central widget.
QWidget *Build(QMainWindow *window);

} // namespace FormMainLayout
