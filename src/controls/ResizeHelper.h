// Makes a whole window scale proportionally: records the geometry and font
// height of every named control once, and on each resize of the window sets
// every control's position, size and font height to the recorded values
// times the ratio of the window's client size to its recorded client size.
// Every rescale starts from the same records, so rounding never accumulates.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QVector>
#include <memory>
#include <vector>

class QWidget;

// What was recorded of one control.
struct TResizeInfo {
    QPointer<QWidget> Control;
    QSize MinSize;      // size constraints as recorded
    QSize MaxSize;
    int FontHeight = 0; // negative: character height in pixels; 0: no font
    int Left = 0;
    int Top = 0;
    int Width = 0;      // for the window: its client width and height
    int Height = 0;

    // Re-records all of the above from control.
    void Assign(QWidget *control);
};

class TResizeHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool AutoFormCreate READ AutoFormCreate WRITE SetAutoFormCreate)
    Q_PROPERTY(bool AutoFormShow READ AutoFormShow WRITE SetAutoFormShow)
    Q_PROPERTY(bool AutoFormResize READ AutoFormResize WRITE SetAutoFormResize)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool IgnoreNonameControls READ IgnoreNonameControls WRITE SetIgnoreNonameControls)
    Q_PROPERTY(TResizeChildrenPolicy ResizeChildrenPolicy READ ResizeChildrenPolicy WRITE
                   SetResizeChildrenPolicy)

public:
    enum TResizeChildrenPolicy { rcpPreferControls, rcpComponents, rcpControls };
    Q_ENUM(TResizeChildrenPolicy)

    // Name of the dynamic property that marks a label as sizing itself to its
    // text: such a label is moved but not resized, and re-fits after a font change.
    static constexpr const char *AutoSizeProperty = "AutoSize";

    // The window is the first window found walking up from owner.
    explicit TResizeHelper(QObject *owner);
    ~TResizeHelper() override;

    bool AutoFormCreate() const { return FAutoFormCreate; }
    void SetAutoFormCreate(bool value);
    bool AutoFormShow() const { return FAutoFormShow; }
    void SetAutoFormShow(bool value);
    bool AutoFormResize() const { return FAutoFormResize; }
    void SetAutoFormResize(bool value) { FAutoFormResize = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    bool IgnoreNonameControls() const { return FIgnoreNonameControls; }
    void SetIgnoreNonameControls(bool value) { FIgnoreNonameControls = value; }
    TResizeChildrenPolicy ResizeChildrenPolicy() const { return FPolicy; }
    void SetResizeChildrenPolicy(TResizeChildrenPolicy value) { FPolicy = value; }

    QWidget *Form() const { return FForm; }
    // Records window (when it is not the recorded one already).
    void SetForm(QWidget *window);
    // What the show hook records: the window unless one of its widgets is
    // named here (a main window records its central area, so that its menu
    // and status bars keep their height).
    void SetShowContainer(QWidget *container) { FShowContainer = container; }
    // Keeps control's position scaling but gives it neither size nor font scaling.
    void ExcludeControl(QWidget *control);
    // Rescales every recorded control from its record to the window's current size.
    void Rescale();
    // Records a control that joined the window after it was recorded (a
    // panel docked from another window), with its subtree: their present
    // geometry counts as designed, and a font they take from their new
    // parent as the application's; then rescales, so that they scale with
    // the rest of the window.
    void AddControl(QWidget *control);

    double ScaleX() const { return FScaleX; }
    double ScaleY() const { return FScaleY; }
    double ScaleFont() const { return FScaleFont; }
    // The records, in recording order (the window first).
    const std::vector<std::unique_ptr<TResizeInfo>> &Records() const { return FRecords; }
    const TResizeInfo *RecordOf(const QWidget *control) const;

    // Font height of a widget as recorded: minus its character height in pixels.
    static int FontHeightOf(const QWidget *control);
    // font height h scaled by scale: rounded to nearest (ties to even), never 0.
    static int ScaleFontHeight(int h, double scale);
    // A recorded coordinate or extent scaled: trunc(value x scale + 0.5).
    static int ScaleValue(int value, double scale);

signals:
    void OnAfterCreate();
    void OnAfterShow();
    void OnAfterResize();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CaptureControl(QWidget *control);
    bool SizesItself(const QWidget *control) const;

    QPointer<QWidget> FWindow; // the window whose events are watched
    QPointer<QWidget> FForm;   // the recorded container
    QPointer<QWidget> FShowContainer;
    bool FAutoFormCreate = false;
    bool FAutoFormShow = false;
    bool FAutoFormResize = false;
    bool FEnabled = true;
    bool FIgnoreNonameControls = true;
    TResizeChildrenPolicy FPolicy = rcpPreferControls;
    bool FCreated = false;
    bool FResizing = false;
    bool FDestroying = false;
    double FScaleX = 1.0;
    double FScaleY = 1.0;
    double FScaleFont = 1.0;
    std::vector<std::unique_ptr<TResizeInfo>> FRecords;
    QVector<QPointer<QWidget>> FExcluded;
};
