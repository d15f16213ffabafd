// The analog-I/O window (two-channel lambda emulator). Its content panel is
// docked into the main window's adapter page. Each emulator has its tab: the
// switch, the rule, the low and high outputs, the 10 x 12 threshold table over
// load and RPM with its step buttons (rectangular rule) or the three model
// points with the model and a preview of the emulation (linear rule).
#pragma once

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QChartView;
class QLineSeries;
class TDigitalDisplay;
class TUIStateAIO;

class TFormMultiAIO : public QWidget
{
    Q_OBJECT
public:
    explicit TFormMultiAIO(QWidget *parent = nullptr);
    ~TFormMultiAIO() override;

    // One emulator's tab.
    struct TEmulatorPage {
        QWidget *Sheet = nullptr;
        QCheckBox *ChBEmulationEnabled = nullptr;
        QComboBox *CmBEmulType = nullptr;
        QLineEdit *YEdMinValue = nullptr, *YEdMaxValue = nullptr;
        QFrame *PnlThresholds = nullptr, *PnlModel = nullptr;
        // The table (12 RPM columns x 10 load rows) and its read-only headers.
        QTableWidget *StGThreshold = nullptr, *StGLoadThresholds = nullptr, *StGRPMThresholds = nullptr;
        // "+5", "-5", "+10", "-10", "+100", "-100", "=0".
        std::array<QPushButton *, 7> BtnSteps{};
        std::array<QLineEdit *, 3> YedModelPointsX{}, YedModelPointsY{};
        QChartView *ChtModel = nullptr, *ChtEmulation = nullptr;
        QLineSeries *ModelSeries = nullptr, *InputSeries = nullptr, *OutputSeries = nullptr;
    };

    QFrame *PnlMultiAIO;
    QTabWidget *PgCMain;
    QWidget *TbSMultiAIO;
    TDigitalDisplay *DgDRealAnalogIn1, *DgDRealAnalogIn2, *DgDRealAnalogOut1, *DgDRealAnalogOut2;
    QPushButton *BtBReadLamEmulCnf, *BtBWriteLamEmulCnf;
    QTabWidget *PgCLamEmul;
    std::array<TEmulatorPage, 2> Emulators;

    // The step values of the step buttons, in their order; the last sets 0.
    static constexpr std::array<int, 7> StepValues = {5, -5, 10, -10, 100, -100, 0};

    // Shows emulator 1, puts the operating point at row 0, column 0 and binds
    // the controls to the user-interface variables (when the logic exists).
    void FormCreate();
    // Entering the page: reads the configuration and the shown emulator's
    // table, switches the module's poll bit on and fills the grids.
    void PgCMainChange(QObject *sender = nullptr);
    // Leaving the page with unwritten changes asks Yes (write first), No or
    // Cancel; false keeps the page.
    bool PgCMainChanging();
    void UpdateWriteButtonState();
    // From the main timer: the changed readings, the changed bindings of the
    // page (and of the shown emulator tab with emulatorTab), the grids.
    void RefreshLive(bool emulatorTab);
    void UpdateLanguage() {}
    // Cell sizes of the six grids from their client sizes.
    void AdjustLayout();
    void BtBReadLamEmulCnfClick();
    // False when the adapter refused a write: the page keeps its changes.
    bool BtBWriteLamEmulCnfClick();
    // A step button of emulator 1 or 2 over the table's selection rectangle.
    void BtnPlusMinusLam1Click(QObject *sender);
    void BtnPlusMinusLam2Click(QObject *sender);
    void DrawEmulation1();
    void DrawEmulation2();
    // Operating point from the device's live values, the grids from the
    // variables, the page's bindings.
    void RefreshGrids();

    int OperatingRow() const { return FRow; }
    int OperatingColumn() const { return FColumn; }
    // The selection rectangle of a table (the current cell without one):
    // top, left, bottom, right; empty when the table has no cell chosen.
    QRect SelectionRect(const QTableWidget *grid) const;
    // Emulator 1 or 2 whose tab is shown.
    int ShownEmulator() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildEmulatorPage(int emulator);
    void bindEmulator(int emulator);
    void showPanelForType(int emulator);
    void stepCells(int emulator, QObject *sender);
    void drawEmulation(int emulator);
    void updateOperatingPoint();
    void fillGrids();
    // A typed cell of an emulator's table: a whole number its variable holds
    // goes into the variable; anything else is refused, naming the cell, and
    // the cell shows its variable again.
    void cellEdited(int emulator, int row, int column);
    // A field of an emulator's page named for the user: its tab's caption,
    // then what names the field on the tab ("Input 1, Load 40, 2500 rpm").
    QString fieldCaption(int emulator, const QString &field) const;
    QString cellCaption(int emulator, int row, int column) const;
    // Every edit of the emulator pages holds a whole number its variable
    // takes (an edit left empty kept its variable's value): false after the
    // refusal, naming the field, has been shown.
    bool editsFit();
    static void adjustGrid(QTableWidget *grid);
    TUIStateAIO *ui() const;

    int FRow = 0;
    int FColumn = 0;
    bool FFilling = false;
};

extern TFormMultiAIO *FormMultiAIO;
