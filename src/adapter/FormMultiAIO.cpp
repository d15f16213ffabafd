#include "adapter/FormMultiAIO.h"

#include "adapter/AdapterConfigFile.h"
#include "adapter/Logic.h"
#include "adapter/Manager.h"
#include "adapter/ModuleAIO.h"
#include "adapter/UIState.h"
#include "adapter/UIStateAIO.h"
#include "controls/DigitalDisplay.h"
#include "controls/YEdit.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "core/ui/DialogButtons.h"
#include "core/ui/TypedInput.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QGraphicsLayout>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <cmath>
#include <vector>

TFormMultiAIO *FormMultiAIO = nullptr;

namespace {

constexpr int kRows = TDevStateAIO::LoadThresholdCount;
constexpr int kColumns = TDevStateAIO::RpmThresholdCount;

// Cells of the analog-I/O grids: the operating point (or its row or column
// in a header) is marked, the table's selection rectangle drawn as selected.
class TAioCellDelegate : public QStyledItemDelegate
{
public:
    enum TRole { Table, LoadHeader, RpmHeader };
    TAioCellDelegate(TFormMultiAIO *form, QTableWidget *grid, TRole role)
        : QStyledItemDelegate(grid), FForm(form), FGrid(grid), FRole(role) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int row = index.row(), column = index.column();
        const bool marked = FRole == LoadHeader ? row == FForm->OperatingRow()
                          : FRole == RpmHeader  ? column == FForm->OperatingColumn()
                                                : row == FForm->OperatingRow() && column == FForm->OperatingColumn();
        bool selected = false;
        if (FRole == Table) {
            const QRect r = FForm->SelectionRect(FGrid);
            selected = r.isValid() && r.contains(column, row);
        }
        TCommon::DrawColoredGridCell(*painter, FGrid, column, row, option.rect, selected, marked);
    }

private:
    TFormMultiAIO *FForm;
    QTableWidget *FGrid;
    TRole FRole;
};

QTableWidget *NewGrid(QWidget *parent, const QString &name, const QRect &geometry, int columns, int rows,
                      bool editable)
{
    auto *grid = new QTableWidget(rows, columns, parent);
    grid->setObjectName(name);
    grid->setGeometry(geometry);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setSelectionMode(editable ? QAbstractItemView::ContiguousSelection : QAbstractItemView::NoSelection);
    grid->setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                         | QAbstractItemView::AnyKeyPressed
                                   : QAbstractItemView::NoEditTriggers);
    grid->setFocusPolicy(editable ? Qt::StrongFocus : Qt::NoFocus);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            auto *item = new QTableWidgetItem;
            if (!editable)
                item->setFlags(Qt::ItemIsEnabled);
            grid->setItem(r, c, item);
        }
    return grid;
}

// An edit of whole numbers without its button.
void integerEdit(TYEdit *edit)
{
    edit->SetEditCharsType(TYEdit::etInteger);
    edit->SetButtonActive(false);
}

QLabel *NewLabel(QWidget *parent, const QString &name, const QRect &geometry, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

// Sets the cell's text when it differs; true when it did.
bool SetCellText(QTableWidget *grid, int row, int column, const QString &text)
{
    QTableWidgetItem *item = grid->item(row, column);
    if (!item || item->text() == text)
        return false;
    item->setText(text);
    return true;
}

QChartView *NewChart(QWidget *parent, const QString &name, const QRect &geometry, const QString &title)
{
    auto *chart = new QChart;
    ChartNumbersIn(chart, ShownLocale());
    chart->setTitle(title);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    auto *view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setGeometry(geometry);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

QLineSeries *AddSeries(QChart *chart, const QString &name)
{
    auto *series = new QLineSeries(chart);
    series->setName(name);
    chart->addSeries(series);
    return series;
}

void SetAxes(QChart *chart, double xMax, double yMax, int xTicks)
{
    if (chart->axes().isEmpty()) {
        auto *x = new QValueAxis(chart);
        auto *y = new QValueAxis(chart);
        x->setLabelFormat(QStringLiteral("%d"));
        y->setLabelFormat(QStringLiteral("%d"));
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        for (QAbstractSeries *s : chart->series()) {
            s->attachAxis(x);
            s->attachAxis(y);
        }
    }
    auto *x = static_cast<QValueAxis *>(chart->axes(Qt::Horizontal).value(0));
    auto *y = static_cast<QValueAxis *>(chart->axes(Qt::Vertical).value(0));
    x->setRange(0, xMax);
    x->setTickCount(xTicks);
    y->setRange(0, yMax);
    y->setTickCount(6);
}

} // namespace

TFormMultiAIO::TFormMultiAIO(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormMultiAIO"));
    resize(760, 430);
    PnlMultiAIO = NewNamed<QFrame>(this, "PnlMultiAIO", {0, 0, 760, 430});
    PgCMain = NewNamed<QTabWidget>(PnlMultiAIO, "PgCMain", {0, 0, 760, 430});
    TbSMultiAIO = NewTabPage(PgCMain, "TbSMultiAIO", QStringLiteral("Wejścia/wyjścia analogowe"));

    const char *displayNames[] = {"DgDRealAnalogIn1", "DgDRealAnalogIn2", "DgDRealAnalogOut1", "DgDRealAnalogOut2"};
    const char *labelNames[] = {"LblRealAnalogIn1", "LblRealAnalogIn2", "LblRealAnalogOut1", "LblRealAnalogOut2"};
    const QString captions[] = {QStringLiteral("Wejście 1 [V]"), QStringLiteral("Wejście 2 [V]"),
                                QStringLiteral("Wyjście 1 [V]"), QStringLiteral("Wyjście 2 [V]")};
    TDigitalDisplay **displays[] = {&DgDRealAnalogIn1, &DgDRealAnalogIn2, &DgDRealAnalogOut1, &DgDRealAnalogOut2};
    for (int i = 0; i < 4; ++i) {
        NewLabel(TbSMultiAIO, QString::fromLatin1(labelNames[i]), {8 + 112 * i, 2, 104, 16}, captions[i]);
        *displays[i] = NewNamed<TDigitalDisplay>(TbSMultiAIO, displayNames[i], {8 + 112 * i, 18, 104, 32});
    }
    BtBReadLamEmulCnf = NewNamed<QPushButton>(TbSMultiAIO, "BtBReadLamEmulCnf", {546, 20, 96, 28},
                                              QStringLiteral("Odczytaj"));
    BtBWriteLamEmulCnf = NewNamed<QPushButton>(TbSMultiAIO, "BtBWriteLamEmulCnf", {650, 20, 96, 28},
                                               QStringLiteral("Zapis"));
    PgCLamEmul = NewNamed<QTabWidget>(TbSMultiAIO, "PgCLamEmul", {4, 56, 746, 344});
    buildEmulatorPage(1);
    buildEmulatorPage(2);

    connect(BtBReadLamEmulCnf, &QPushButton::clicked, this, [this] { BtBReadLamEmulCnfClick(); });
    connect(BtBWriteLamEmulCnf, &QPushButton::clicked, this, [this] { BtBWriteLamEmulCnfClick(); });
    TCommon::SetTabNotifyHandler(PgCMain, [this](int code) { return code == TCN_SELCHANGING && !PgCMainChanging(); });
    FormCreate();
}

TFormMultiAIO::~TFormMultiAIO()
{
    if (::FormMultiAIO == this)
        ::FormMultiAIO = nullptr;
}

void TFormMultiAIO::buildEmulatorPage(int emulator)
{
    TEmulatorPage &p = Emulators[emulator - 1];
    const QString n = QString::number(emulator);
    auto name = [&n](const char *pattern) { return QString::fromLatin1(pattern).arg(n); };
    auto named = [&name](QWidget *w, const char *pattern) { w->setObjectName(name(pattern)); };

    p.Sheet = new QWidget(PgCLamEmul);
    named(p.Sheet, "TbSLam%1Emul");
    PgCLamEmul->addTab(p.Sheet, QStringLiteral("Wejście %1").arg(emulator));

    p.ChBEmulationEnabled = new QCheckBox(QStringLiteral("Emulacja włączona"), p.Sheet);
    named(p.ChBEmulationEnabled, "ChBLam%1EmulationEnabled");
    p.ChBEmulationEnabled->setGeometry(8, 6, 170, 20);
    p.CmBEmulType = new QComboBox(p.Sheet);
    named(p.CmBEmulType, "CmBLambda%1EmulType");
    p.CmBEmulType->setGeometry(184, 4, 190, 24);
    p.CmBEmulType->addItems({QStringLiteral("Emulacja prostokątna"), QStringLiteral("Emulacja liniowa")});
    NewLabel(p.Sheet, name("LblLam%1EmulatorMinValue"), {384, 6, 110, 20}, QStringLiteral("Niskie wyjście [mV]"));
    p.YEdMinValue = new TYEdit(p.Sheet);
    named(p.YEdMinValue, "YEdLam%1EmulatorMinValue");
    p.YEdMinValue->setGeometry(496, 4, 56, 24);
    NewLabel(p.Sheet, name("LblLam%1EmulatorMaxValue"), {558, 6, 118, 20}, QStringLiteral("Wysokie wyjście [mV]"));
    p.YEdMaxValue = new TYEdit(p.Sheet);
    named(p.YEdMaxValue, "YEdLam%1EmulatorMaxValue");
    p.YEdMaxValue->setGeometry(678, 4, 56, 24);
    for (QLineEdit *edit : {p.YEdMinValue, p.YEdMaxValue})
        integerEdit(static_cast<TYEdit *>(edit));

    // The rectangular rule: the table with its headers and step buttons.
    p.PnlThresholds = new QFrame(p.Sheet);
    named(p.PnlThresholds, "PnlLam%1Thresholds");
    p.PnlThresholds->setGeometry(0, 32, 740, 284);
    NewLabel(p.PnlThresholds, name("LblLam%1LoadAxis"), {2, 0, 56, 24}, QStringLiteral("Obc."));
    p.StGRPMThresholds = NewGrid(p.PnlThresholds, name("StGLam%1RPMThresholds"), {60, 0, 600, 24}, kColumns, 1, false);
    p.StGLoadThresholds = NewGrid(p.PnlThresholds, name("StGLam%1LoadThresholds"), {2, 26, 56, 254}, 1, kRows, false);
    p.StGThreshold = NewGrid(p.PnlThresholds, name("StGLam%1EmulatorThreshold"), {60, 26, 600, 254}, kColumns, kRows, true);
    p.StGThreshold->setItemDelegate(new TAioCellDelegate(this, p.StGThreshold, TAioCellDelegate::Table));
    p.StGLoadThresholds->setItemDelegate(new TAioCellDelegate(this, p.StGLoadThresholds, TAioCellDelegate::LoadHeader));
    p.StGRPMThresholds->setItemDelegate(new TAioCellDelegate(this, p.StGRPMThresholds, TAioCellDelegate::RpmHeader));
    p.StGThreshold->setCurrentCell(0, 0);
    for (QTableWidget *grid : {p.StGThreshold, p.StGLoadThresholds, p.StGRPMThresholds})
        grid->installEventFilter(this);
    connect(p.StGThreshold, &QTableWidget::itemChanged, this, [this, emulator](QTableWidgetItem *item) {
        if (!FFilling)
            cellEdited(emulator, item->row(), item->column());
    });
    // A changed selection rectangle repaints its cells.
    connect(p.StGThreshold->selectionModel(), &QItemSelectionModel::selectionChanged, p.StGThreshold->viewport(),
            qOverload<>(&QWidget::update));
    static const char *const stepNames[] = {"BtnLam%1Plus5", "BtnLam%1Minus5", "BtnLam%1Plus10", "BtnLam%1Minus10",
                                            "BtnLam%1Plus100", "BtnLam%1Minus100", "BtnLam%1Zero"};
    static const char *const stepCaptions[] = {"+5", "-5", "+10", "-10", "+100", "-100", "=0"};
    for (int i = 0; i < 7; ++i) {
        auto *button = new QPushButton(QString::fromLatin1(stepCaptions[i]), p.PnlThresholds);
        named(button, stepNames[i]);
        button->setGeometry(668, 26 + 36 * i, 66, 30);
        button->setFocusPolicy(Qt::NoFocus);
        p.BtnSteps[i] = button;
        connect(button, &QPushButton::clicked, this, [this, emulator, button] {
            if (emulator == 1)
                BtnPlusMinusLam1Click(button);
            else
                BtnPlusMinusLam2Click(button);
        });
    }

    // The linear rule: three model points, the model and the emulation preview.
    p.PnlModel = new QFrame(p.Sheet);
    named(p.PnlModel, "PnlLam%1Model");
    p.PnlModel->setGeometry(0, 32, 740, 284);
    NewLabel(p.PnlModel, name("LblLam%1ModelPoints"), {8, 0, 196, 20}, QStringLiteral("Punkty modelu"));
    NewLabel(p.PnlModel, name("LblLam%1ModelX"), {40, 24, 80, 20}, QStringLiteral("Wejście [mV]"));
    NewLabel(p.PnlModel, name("LblLam%1ModelY"), {124, 24, 80, 20}, QStringLiteral("Wyjście [mV]"));
    for (int k = 0; k < 3; ++k) {
        const QString point = QString::number(k + 1);
        NewLabel(p.PnlModel, QStringLiteral("LblLam%1ModelPoint%2").arg(n, point), {8, 48 + 30 * k, 30, 24},
                 QStringLiteral("P") + point);
        auto *x = new TYEdit(p.PnlModel);
        x->setObjectName(QStringLiteral("YedLam%1ModelPointsX%2").arg(n, point));
        x->setGeometry(40, 48 + 30 * k, 76, 24);
        auto *y = new TYEdit(p.PnlModel);
        y->setObjectName(QStringLiteral("YedLam%1ModelPointsY%2").arg(n, point));
        y->setGeometry(124, 48 + 30 * k, 76, 24);
        integerEdit(x);
        integerEdit(y);
        p.YedModelPointsX[k] = x;
        p.YedModelPointsY[k] = y;
    }
    p.ChtModel = NewChart(p.PnlModel, name("ChtLam%1Model"), {208, 0, 262, 282}, QStringLiteral("Model"));
    p.ModelSeries = AddSeries(p.ChtModel->chart(), QStringLiteral("Model"));
    p.ModelSeries->setPointsVisible(true);
    p.ChtModel->chart()->legend()->hide();
    p.ChtEmulation = NewChart(p.PnlModel, name("ChtLam%1Emulation"), {474, 0, 264, 282},
                              QStringLiteral("Podgląd emulacji"));
    p.InputSeries = AddSeries(p.ChtEmulation->chart(), QStringLiteral("Wejście"));
    p.OutputSeries = AddSeries(p.ChtEmulation->chart(), QStringLiteral("Wyjście"));
    SetAxes(p.ChtModel->chart(), 1000, 1000, 3);
    SetAxes(p.ChtEmulation->chart(), 98, 1000, 3);
    p.PnlModel->hide();
}

TUIStateAIO *TFormMultiAIO::ui() const
{
    return Logic && Logic->ModuleAIO() ? Logic->ModuleAIO()->UIStateAIO() : nullptr;
}

void TFormMultiAIO::FormCreate()
{
    PgCLamEmul->setCurrentIndex(0);
    FRow = 0;
    FColumn = 0;
    TUIStateAIO *u = ui();
    if (!u)
        return;
    for (int e = 1; e <= 2; ++e)
        bindEmulator(e);
    Logic->BindVariable(u->RealAnalogInput1, DgDRealAnalogIn1, QString(), bfDisplay);
    Logic->BindVariable(u->RealAnalogInput2, DgDRealAnalogIn2, QString(), bfDisplay);
    Logic->BindVariable(u->RealAnalogOutput1, DgDRealAnalogOut1, QString(), bfDisplay);
    Logic->BindVariable(u->RealAnalogOutput2, DgDRealAnalogOut2, QString(), bfDisplay);
    fillGrids();
    Logic->RefreshAllBindings();
    drawEmulation(1);
    drawEmulation(2);
}

void TFormMultiAIO::bindEmulator(int emulator)
{
    TUIStateAIO *u = ui();
    TEmulatorPage &p = Emulators[emulator - 1];
    const int twoWay = bfTwoWay | bfInteger;
    Logic->BindVariable(u->MaxValue(emulator), p.YEdMaxValue, QString(), twoWay);
    Logic->BindVariable(u->MinValue(emulator), p.YEdMinValue, QString(), twoWay);
    Logic->BindVariable(u->EmulationEnabled(emulator), p.ChBEmulationEnabled, QString(), bfTwoWay);
    Logic->BindVariable(u->EmulationType(emulator), p.CmBEmulType, QString(), bfTwoWay);
    // The rule decides which panel shows.
    Logic->BindVariableWithHandler(u->EmulationType(emulator), p.PnlThresholds, QString(),
                                   [this, emulator](QWidget *, TVariable *) { showPanelForType(emulator); });
    connect(p.CmBEmulType, &QComboBox::activated, this, [this, emulator] { showPanelForType(emulator); });
    for (int k = 0; k < 3; ++k) {
        for (QLineEdit *edit : {p.YedModelPointsX[k], p.YedModelPointsY[k]}) {
            TWordVariable *v = edit == p.YedModelPointsX[k] ? u->ModelPointX(emulator, k) : u->ModelPointY(emulator, k);
            Logic->BindVariable(v, edit, QString(), twoWay);
            Logic->BindVariableWithHandler(v, p.ChtModel, QString(),
                                           [this, emulator](QWidget *, TVariable *) { drawEmulation(emulator); });
            // The preview follows the user's typing at once.
            connect(edit, &QLineEdit::textEdited, this, [this, emulator] { drawEmulation(emulator); });
        }
    }
}

void TFormMultiAIO::showPanelForType(int emulator)
{
    TUIStateAIO *u = ui();
    if (!u)
        return;
    const bool rectangular = u->EmulationType(emulator)->GetAsInteger() == TDevStateAIO::RectangularEmulation;
    TEmulatorPage &p = Emulators[emulator - 1];
    p.PnlThresholds->setVisible(rectangular);
    p.PnlModel->setVisible(!rectangular);
}

int TFormMultiAIO::ShownEmulator() const
{
    return PgCLamEmul->currentIndex() == 1 ? 2 : 1;
}

void TFormMultiAIO::PgCMainChange(QObject *sender)
{
    Q_UNUSED(sender);
    TModuleAIO *module = Logic ? Logic->ModuleAIO() : nullptr;
    if (!module)
        return;
    const QString section = GetDataGroupName(dgAIO);
    // Entered again (a detection, the box found again, a language change)
    // with edits not yet written: the readings are refreshed, the edits stay.
    const bool keepEdits = Logic->UIState()->Modified();
    const int flags = keepEdits ? 1 : 3;
    module->ReadMain();
    Logic->UIState()->CopyFromDevice(section, flags);
    if (Manager)
        Manager->SetStateFlag(TModuleAIO::PollAIO, true);
    if (!keepEdits)
        BtBReadLamEmulCnfClick();
    const int emulator = ShownEmulator();
    for (int i = 0; i < kRows; ++i) {
        if (emulator == 1)
            module->ReadThresholdRowA(i);
        else
            module->ReadThresholdRowB(i);
    }
    module->ReadOptions();
    Logic->UIState()->CopyFromDevice(section, flags);
    RefreshGrids();
}

bool TFormMultiAIO::PgCMainChanging()
{
    if (!Logic || !Logic->UIState()->Modified() || !Common)
        return true;
    const int answer = Common->AskSaveChangedData(false);
    if (answer == mrCancel)
        return false;
    // A write that did not go through (said so) keeps the page and its edits.
    if (answer == mrYes)
        return BtBWriteLamEmulCnfClick();
    return true;
}

void TFormMultiAIO::UpdateWriteButtonState()
{
    const bool pending = Logic && Logic->UIState()->Modified();
    if (Common)
        Common->SetButtonHighlight(BtBWriteLamEmulCnf, pending);
}

void TFormMultiAIO::RefreshLive(bool emulatorTab)
{
    if (!ui())
        return;
    // Readings only: settings the user is editing stay as they are.
    Logic->UIState()->CopyFromDeviceAll(1);
    Logic->RefreshChangedBindings(TbSMultiAIO->objectName());
    if (emulatorTab)
        Logic->RefreshChangedBindings(Emulators[ShownEmulator() - 1].Sheet->objectName());
    RefreshGrids();
}

void TFormMultiAIO::adjustGrid(QTableWidget *grid)
{
    const QSize client = grid->viewport()->size();
    if (client.isEmpty())
        return;
    // A section includes its grid line: (client - 1) div count - 1 for the
    // cell and one pixel for the line.
    grid->horizontalHeader()->setDefaultSectionSize(std::max(1, (client.width() - 1) / grid->columnCount()));
    grid->verticalHeader()->setDefaultSectionSize(std::max(1, (client.height() - 1) / grid->rowCount()));
}

void TFormMultiAIO::AdjustLayout()
{
    for (TEmulatorPage &p : Emulators)
        for (QTableWidget *grid : {p.StGThreshold, p.StGLoadThresholds, p.StGRPMThresholds})
            adjustGrid(grid);
}

bool TFormMultiAIO::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize)
        if (auto *grid = qobject_cast<QTableWidget *>(watched))
            adjustGrid(grid);
    return QWidget::eventFilter(watched, event);
}

void TFormMultiAIO::BtBReadLamEmulCnfClick()
{
    TModuleAIO *module = Logic ? Logic->ModuleAIO() : nullptr;
    if (!module)
        return;
    bool saved = false;
    Logic->PauseWorkThread(saved);
    module->Logic()->ReadConfiguration();
    Logic->UIState()->SetModifiedFlag(false);
    Logic->ResumeWorkThread(saved);
    RefreshGrids();
}

bool TFormMultiAIO::BtBWriteLamEmulCnfClick()
{
    // Nothing written (no box, declined, refused): no change record, the
    // question stays for the next write.
    TRecordedWrite write;
    TModuleAIO *module = Logic ? Logic->ModuleAIO() : nullptr;
    TUIStateAIO *u = ui();
    if (!module || !u)
        return false;
    // What was typed is checked before anything is asked or sent.
    if (!editsFit())
        return false;
    // A module the box does not report keeps the settings on the page only:
    // nothing reaches the device, so nothing is asked or recorded.
    const bool toDevice = module->IsActive();
    if (toDevice && !write.Ask(Logic->UIState()->Modified()))
        return false;
    bool saved = false;
    Logic->PauseWorkThread(saved);
    // The grids into the variables (cells hold numbers: a refused edit shows
    // its variable again), then the whole configuration.
    const TEmulatorPage &first = Emulators[0];
    auto store = [](TVariable *v, const QTableWidgetItem *item) {
        bool ok = false;
        const int value = item ? item->text().trimmed().toInt(&ok) : 0;
        if (ok && value >= 0 && value <= 65535)
            v->SetAsInteger(value);
    };
    for (int i = 0; i < kRows; ++i)
        store(u->PcolThreshold(i), first.StGLoadThresholds->item(i, 0));
    for (int j = 0; j < kColumns; ++j)
        store(u->RpmThreshold(j), first.StGRPMThresholds->item(0, j));
    for (int e = 1; e <= 2; ++e)
        for (int i = 0; i < kRows; ++i)
            for (int j = 0; j < kColumns; ++j)
                store(u->Threshold(e, i, j), Emulators[e - 1].StGThreshold->item(i, j));
    const bool written = module->Logic()->WriteConfiguration();
    if (written) {
        Logic->UIState()->SetModifiedFlag(false);
        module->Logic()->ReadConfiguration();
    }
    Logic->ResumeWorkThread(saved);
    write.Report(written && toDevice);
    RefreshGrids();
    UpdateWriteButtonState();
    if (!written && Common)
        Common->ShowError(TranslateKey(QStringLiteral("strTextAioWriteFailed")));
    return written;
}

bool TFormMultiAIO::editsFit()
{
    TUIStateAIO *u = ui();
    for (int e = 1; e <= 2; ++e) {
        TEmulatorPage &p = Emulators[e - 1];
        const QString n = QString::number(e);
        // A field by its page's tab and its own caption.
        auto caption = [this, &p, &n, e](const char *label, const QString &prefix = QString()) {
            const auto *l = p.Sheet->findChild<QLabel *>(QString::fromLatin1(label).arg(n));
            return fieldCaption(e, prefix + (l ? l->text() : QString()));
        };
        std::vector<std::pair<QLineEdit *, std::pair<TVariable *, QString>>> edits = {
            {p.YEdMinValue, {u->MinValue(e), caption("LblLam%1EmulatorMinValue")}},
            {p.YEdMaxValue, {u->MaxValue(e), caption("LblLam%1EmulatorMaxValue")}}};
        for (int k = 0; k < 3; ++k) {
            const QString point = QStringLiteral("P%1 ").arg(k + 1);
            edits.push_back({p.YedModelPointsX[k], {u->ModelPointX(e, k), caption("LblLam%1ModelX", point)}});
            edits.push_back({p.YedModelPointsY[k], {u->ModelPointY(e, k), caption("LblLam%1ModelY", point)}});
        }
        for (const auto &[edit, field] : edits) {
            qint64 low = 0, high = 0;
            AdapterConfig::StorableRange(field.first, low, high);
            if (!TypedInput::ReadInt(edit, field.second, low, high)) {
                PgCLamEmul->setCurrentWidget(p.Sheet);
                return false;
            }
        }
    }
    return true;
}

QRect TFormMultiAIO::SelectionRect(const QTableWidget *grid) const
{
    const QList<QTableWidgetSelectionRange> ranges = grid->selectedRanges();
    if (!ranges.isEmpty()) {
        QRect r;
        for (const QTableWidgetSelectionRange &range : ranges)
            r |= QRect(QPoint(range.leftColumn(), range.topRow()), QPoint(range.rightColumn(), range.bottomRow()));
        return r;
    }
    if (grid->currentRow() >= 0 && grid->currentColumn() >= 0)
        return QRect(grid->currentColumn(), grid->currentRow(), 1, 1);
    return QRect();
}

void TFormMultiAIO::BtnPlusMinusLam1Click(QObject *sender)
{
    stepCells(1, sender);
}

void TFormMultiAIO::BtnPlusMinusLam2Click(QObject *sender)
{
    stepCells(2, sender);
}

void TFormMultiAIO::stepCells(int emulator, QObject *sender)
{
    TEmulatorPage &p = Emulators[emulator - 1];
    const auto found = std::find(p.BtnSteps.begin(), p.BtnSteps.end(), sender);
    TUIStateAIO *u = ui();
    if (found == p.BtnSteps.end() || !u)
        return;
    const int index = int(found - p.BtnSteps.begin());
    const QRect r = SelectionRect(p.StGThreshold);
    if (!r.isValid())
        return;
    for (int row = r.top(); row <= r.bottom(); ++row)
        for (int column = r.left(); column <= r.right(); ++column) {
            QTableWidgetItem *item = p.StGThreshold->item(row, column);
            const int value = TLogicAIO::SteppedValue(item->text().toInt(), StepValues[index], index == 6);
            const QString text = QString::number(value);
            if (text == item->text())
                continue;
            FFilling = true;
            item->setText(text);
            FFilling = false;
            u->Threshold(emulator, row, column)->SetAsInteger(value);
        }
}

void TFormMultiAIO::cellEdited(int emulator, int row, int column)
{
    TUIStateAIO *u = ui();
    TEmulatorPage &p = Emulators[emulator - 1];
    QTableWidgetItem *item = p.StGThreshold->item(row, column);
    if (!u || !item)
        return;
    TWordVariable *v = u->Threshold(emulator, row, column);
    qint64 low = 0, high = 0;
    AdapterConfig::StorableRange(v, low, high);
    const NumberText::TField field{double(low), double(high), true};
    double value = 0;
    const NumberText::TFault fault = NumberText::ReadTyped(item->text(), field, value);
    if (fault == NumberText::TFault::None)
        v->SetAsInteger(qint64(value));
    // The cell shows its variable: the value taken, or the one it kept.
    FFilling = true;
    item->setText(v->Text());
    FFilling = false;
    if (fault != NumberText::TFault::None)
        TypedInput::Refuse(p.StGThreshold, NumberText::Refusal(cellCaption(emulator, row, column), fault, field));
}

QString TFormMultiAIO::fieldCaption(int emulator, const QString &field) const
{
    const TEmulatorPage &p = Emulators[emulator - 1];
    return PgCLamEmul->tabText(PgCLamEmul->indexOf(p.Sheet)) + QStringLiteral(", ") + field;
}

QString TFormMultiAIO::cellCaption(int emulator, int row, int column) const
{
    // The row by its load threshold under the load axis' caption, the column
    // by its RPM threshold.
    const TEmulatorPage &p = Emulators[emulator - 1];
    const auto *axis = p.PnlThresholds->findChild<QLabel *>(QStringLiteral("LblLam%1LoadAxis").arg(emulator));
    const QTableWidgetItem *load = p.StGLoadThresholds->item(row, 0);
    const QTableWidgetItem *rpm = p.StGRPMThresholds->item(0, column);
    return fieldCaption(emulator, QStringLiteral("%1 %2, %3 %4")
                                      .arg(axis ? axis->text() : QString(), load ? load->text() : QString(),
                                           rpm ? rpm->text() : QString(), TranslateKey(QStringLiteral("strUnitRPM"))));
}

void TFormMultiAIO::DrawEmulation1()
{
    drawEmulation(1);
}

void TFormMultiAIO::DrawEmulation2()
{
    drawEmulation(2);
}

void TFormMultiAIO::drawEmulation(int emulator)
{
    TUIStateAIO *u = ui();
    TModuleAIO *module = Logic ? Logic->ModuleAIO() : nullptr;
    if (!u || !module)
        return;
    TEmulatorPage &p = Emulators[emulator - 1];
    QList<QPointF> model;
    double top = 1000;
    for (int k = 0; k < 3; ++k) {
        model << QPointF(double(u->ModelPointX(emulator, k)->GetAsInteger()), double(u->ModelPointY(emulator, k)->GetAsInteger()));
        top = std::max(top, model.last().y());
    }
    p.ModelSeries->replace(model);
    double right = 1000;
    for (const QPointF &point : model)
        right = std::max(right, point.x());
    SetAxes(p.ChtModel->chart(), right, top, 3);

    QList<QPointF> input, output;
    double emulationTop = 1000;
    for (int i = 0; i <= 98; ++i) {
        const double x = i * M_PI / 18.0;
        const double in = 500.0 + 500.0 * std::sin(x);
        const double out = emulator == 1 ? module->Logic()->ModelOutput1(in) : module->Logic()->ModelOutput2(in);
        input << QPointF(i, in);
        output << QPointF(i, out);
        emulationTop = std::max(emulationTop, out);
    }
    p.InputSeries->replace(input);
    p.OutputSeries->replace(output);
    SetAxes(p.ChtEmulation->chart(), 98, emulationTop, 3);
}

void TFormMultiAIO::updateOperatingPoint()
{
    TUIStateAIO *u = ui();
    if (!u)
        return;
    std::array<int, kRows> load{};
    std::array<int, kColumns> rpm{};
    for (int i = 0; i < kRows; ++i)
        load[i] = int(u->PcolThreshold(i)->GetAsInteger());
    for (int j = 0; j < kColumns; ++j)
        rpm[j] = int(u->RpmThreshold(j)->GetAsInteger());
    const int row = TLogicAIO::OperatingRow(load, DeviceRecord.Value64);
    const int column = TLogicAIO::OperatingColumn(rpm, PeriodToRpm(DeviceRecord.RpmPeriod));
    if (row == FRow && column == FColumn)
        return;
    FRow = row;
    FColumn = column;
    const TEmulatorPage &p = Emulators[ShownEmulator() - 1];
    for (QTableWidget *grid : {p.StGThreshold, p.StGLoadThresholds, p.StGRPMThresholds})
        grid->viewport()->update();
}

void TFormMultiAIO::fillGrids()
{
    TUIStateAIO *u = ui();
    if (!u)
        return;
    FFilling = true;
    for (int e = 1; e <= 2; ++e) {
        TEmulatorPage &p = Emulators[e - 1];
        for (int i = 0; i < kRows; ++i)
            for (int j = 0; j < kColumns; ++j)
                SetCellText(p.StGThreshold, i, j, u->Threshold(e, i, j)->Text());
        for (int i = 0; i < kRows; ++i)
            SetCellText(p.StGLoadThresholds, i, 0, u->PcolThreshold(i)->Text());
        for (int j = 0; j < kColumns; ++j)
            SetCellText(p.StGRPMThresholds, 0, j, u->RpmThreshold(j)->Text());
    }
    FFilling = false;
}

void TFormMultiAIO::RefreshGrids()
{
    if (!ui())
        return;
    updateOperatingPoint();
    fillGrids();
    Logic->RefreshAllBindings(TbSMultiAIO->objectName());
    for (const TEmulatorPage &p : Emulators)
        Logic->RefreshAllBindings(p.Sheet->objectName());
}
