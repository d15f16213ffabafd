#include "adapter/Logic.h"

#include "adapter/AdapterConfigFile.h"
#include "adapter/AdapterProtocol.h"
#include "adapter/DevStateAdapter.h"
#include "adapter/FormMultiAIO.h"
#include "adapter/FormMultiOBD.h"
#include "adapter/LogicAdapter.h"
#include "adapter/Manager.h"
#include "adapter/ModuleAIO.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/ModuleOBD.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "controls/DigitalDisplay.h"
#include "controls/DipSwitch.h"
#include "controls/PaintShape.h"
#include "controls/ImageList.h"
#include "controls/SelectedImage.h"
#include "core/ComMultiPort.h"
#include "core/CommonConv.h"
#include "core/DataManager.h"
#include "core/FileLogger.h"
#include "core/LM.h"
#include "core/NumberText.h"
#include "core/TimerThread.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "upgrade/UpgraderLogic.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

#include <exception>
#include <limits>
#include <mutex>

TLogic *Logic = nullptr;
bool OBDAvailable = false;

namespace {

// A typed text its control's variable does not take; what() is the refusal
// the user reads, in the language shown.
class ETypedRefusal : public EVariableError
{
public:
    using EVariableError::EVariableError;
};

// Reads a number typed into a bound edit as every typed number is read, or
// throws its refusal. A bound edit names no field of its own: the refusal
// quotes the text as the language shown quotes.
double ReadBoundText(const QString &text, const NumberText::TField &field)
{
    double value = 0;
    const NumberText::TFault fault = NumberText::ReadTyped(text, field, value);
    if (fault != NumberText::TFault::None)
        throw ETypedRefusal(NumberText::Refusal(ShownLocale().quoteString(text), fault, field));
    return value;
}

} // namespace

TLogic::TLogic(QObject *parent, TManager *manager) : QObject(parent), FManager(manager ? manager : ::Manager)
{
    setObjectName(QStringLiteral("Logic"));
    if (!FManager) {
        FOwnManager = std::make_unique<TManager>();
        FManager = FOwnManager.get();
    }
    FUIState = std::make_unique<TUIState>();
    FUIState->OnVariableChanged = [this](TUIState *, TVariable *variable) { MarkBindingsChanged(variable); };
    FUIState->OnModified = [this](TUIState *, const QString &section) { UIStateSectionChanged(section); };
    FUIState->OnStatesChanged = [this] { FManager->NotifyUIStatesChanged(); };
    FManager->ComPort = ::ComMultiPort;
    SetModulePort(::ComMultiPort);
    for (int i = 0; i < 3; ++i)
        FProtocols.push_back(std::make_unique<TAdapterProtocol>(::ComMultiPort, 4, 0xEE, 0xD2, 0xC2));

    FModuleAdapter = new TModuleAdapter(this, FUIState.get(), DeviceState(), FProtocols[0].get(), FManager);
    FModuleOBD = new TModuleOBD(this, FModuleAdapter, FUIState.get(), DeviceState(), FProtocols[1].get(), FManager);
    FModuleAIO = new TModuleAIO(this, FModuleAdapter, FUIState.get(), DeviceState(), FProtocols[2].get(), FManager);
    FManager->RegisterModuleVariables();
    FUIState->CreateLocalVariables();
    FUIState->Assign(DeviceState());

    ::ModuleAdapter = FModuleAdapter;
    ::ModuleOBD = FModuleOBD;
    ::ModuleAIO = FModuleAIO;
    ::LogicAdapter = FModuleAdapter->Logic();
}

TLogic::~TLogic()
{
    FManager->TimerThread()->StopAndWait();
    if (::LogicAdapter == FModuleAdapter->Logic())
        ::LogicAdapter = nullptr;
    if (::ModuleAdapter == FModuleAdapter)
        ::ModuleAdapter = nullptr;
    if (::ModuleOBD == FModuleOBD)
        ::ModuleOBD = nullptr;
    if (::ModuleAIO == FModuleAIO)
        ::ModuleAIO = nullptr;
    FBindings.clear();
    // Children first (they free their sets and unbind their protocols), then
    // the aggregates that listed the sets' variables.
    delete FModuleAIO;
    delete FModuleOBD;
    delete FModuleAdapter;
    FUIState.reset();
    FManager->ResetDeviceState();
    FProtocols.clear();
}

TDeviceState *TLogic::DeviceState() const
{
    return FManager->GetDeviceState();
}

TDevStateAdapter *TLogic::DevStateAdapter() const
{
    return FModuleAdapter->DevState();
}

TUIStateAdapter *TLogic::UIStateAdapter() const
{
    return FModuleAdapter->UIStateAdapter();
}

TDevStateOBD *TLogic::DevStateOBD() const
{
    return FModuleOBD->DevState();
}

TUIStateOBD *TLogic::UIStateOBD() const
{
    return FModuleOBD->UIStateOBD();
}

TLogicAdapter *TLogic::LogicAdapter() const
{
    return FModuleAdapter->Logic();
}

void TLogic::Startup(bool flag)
{
    Q_UNUSED(flag);
    try {
        // A fresh start: nothing on the pages is the user's yet. The box was
        // already looked for when the controller's link came up: asking it
        // again would give the same answer and cost a silent line its wait.
        if (FManager->DetectedOnThisLink())
            FUIState->CopyFromDeviceAll(3);
        else
            resync(false);
    } catch (const std::exception &e) {
        LogToFile(QStringLiteral("Adapter start-up: %1").arg(QString::fromUtf8(e.what())));
    }
    if (UpgraderLogic)
        UpgraderLogic->SetConnection(FManager->ComPort, nullptr);
    FUIState->SetModifiedFlag(false);
}

void TLogic::SyncAfterDetect(int portNumber)
{
    Q_UNUSED(portNumber);
    // Settings edited on the pages and not yet written stay: the interface
    // side then takes only the readings and states of the box found.
    resync(FUIState->Modified());
}

void TLogic::resync(bool keepEdits)
{
    if (!keepEdits) {
        FUIState->ResetAll();
        FUIState->CopyToDeviceAll(3);
    }
    FManager->RedetectLocked();
    FUIState->CopyFromDeviceAll(keepEdits ? 1 : 3);
}

bool TLogic::RedetectDroppedModules()
{
    if (!FManager->ModulesDroppedOut())
        return false;
    bool saved = false;
    PauseWorkThread(saved);
    FManager->RedetectLocked();
    ResumeWorkThread(saved);
    // What was just found is the manager's last known state: the main tick's
    // re-sync does not run the same detection again on the next tick.
    if (DataManager)
        DataManager->ModulesActive = FManager->IsActive();
    // Unwritten edits of the settings stay; readings and states are the box's.
    FUIState->CopyFromDeviceAll(FUIState->Modified() ? 1 : 3);
    return true;
}

void TLogic::AssignModuleProtocols()
{
    switch (ModuleLayoutMode) {
    case 0:
    case 1:
        OBDAvailable = true;
        break;
    case 2:
        OBDAvailable = FModuleAdapter->IsActive() && FModuleOBD->IsActive();
        // Both children hang under the adapter module.
        FModuleOBD->SetParentModule(FModuleAdapter);
        FModuleAIO->SetParentModule(FModuleAdapter);
        break;
    default:
        OBDAvailable = false;
        break;
    }
}

// ---- Binding ----

QString TLogic::scopeOf(QWidget *control)
{
    for (QWidget *w = control->parentWidget(); w; w = w->parentWidget()) {
        QWidget *up = w->parentWidget();
        if (up && qobject_cast<QStackedWidget *>(up) && qobject_cast<QTabWidget *>(up->parentWidget()))
            return w->objectName();
        if (w->isWindow())
            return w->objectName();
    }
    return QString();
}

void TLogic::runWriteBack(TBinding *binding, const TBinding::THandler &handler)
{
    if (!binding->Control || !handler)
        return;
    // The variable keeps its value: say why, and show that value again. A
    // typed text's refusal says what is wrong with it; any other failure is
    // the variable's own (logged as it reads) and is told as a value the
    // adapter cannot hold.
    QString shown;
    try {
        handler(binding->Control, binding->Variable);
        return;
    } catch (const ETypedRefusal &e) {
        shown = QString::fromUtf8(e.what());
        LogToFile(QStringLiteral("%1: %2").arg(binding->Variable->Name(), shown));
    } catch (const std::exception &e) {
        LogToFile(QStringLiteral("%1: %2").arg(binding->Variable->Name(), QString::fromUtf8(e.what())));
        shown = AdapterConfig::Tr("The value cannot be stored in the adapter.");
    }
    RefreshVariable(binding->Variable);
    if (Common)
        Common->ShowError(shown);
}

TBinding *TLogic::BindVariable(TVariable *variable, QWidget *control, const QString &scope, int flags)
{
    if (!variable || !control)
        throw EVariableError(QStringLiteral("Binding without a variable or a control"));
    for (const auto &b : FBindings)
        if (b->Variable == variable && b->Control == control)
            throw EVariableError(QStringLiteral("Control %1 has been already bound to %2")
                                     .arg(control->objectName(), variable->Name()));
    const QString className = QString::fromLatin1(control->metaObject()->className());
    const bool display = flags & (bfTwoWay | bfDisplay);
    const bool twoWay = flags & bfTwoWay;
    const bool isBool = dynamic_cast<TBoolVariable *>(variable) != nullptr;
    auto notImplemented = [&className](bool regular) {
        return EVariableError((regular ? QStringLiteral("Regular binding not implemented for control: %1")
                                       : QStringLiteral("Binding not implemented for control: %1"))
                                  .arg(className));
    };

    auto binding = std::make_unique<TBinding>();
    TBinding *b = binding.get();
    b->Control = control;
    b->Variable = variable;
    b->Scope = scope.isEmpty() ? scopeOf(control) : scope;
    TBinding::THandler show, write;
    // The write-back goes into the variable; a refresh of the control by its
    // own display handler must not write back.
    auto hook = [this, b](auto *sender, auto signal) {
        connect(sender, signal, this, [this, b] { runWriteBack(b, b->WriteBack); });
    };

    if (qobject_cast<TDigitalDisplay *>(control)) {
        show = [](QWidget *w, TVariable *v) { static_cast<TDigitalDisplay *>(w)->SetCaption(v->Text()); };
    } else if (qobject_cast<QLabel *>(control)) {
        show = [](QWidget *w, TVariable *v) { static_cast<QLabel *>(w)->setText(v->Text()); };
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        if (flags & bfItemText) {
            show = [](QWidget *w, TVariable *v) {
                auto *c = static_cast<QComboBox *>(w);
                const QSignalBlocker block(c);
                c->setCurrentIndex(c->findText(v->Text()));
            };
            write = [](QWidget *w, TVariable *v) {
                v->SetAsInteger(TCommonConv::StrToIntEmptyZero(static_cast<QComboBox *>(w)->currentText()));
            };
        } else {
            show = [](QWidget *w, TVariable *v) {
                auto *c = static_cast<QComboBox *>(w);
                const QSignalBlocker block(c);
                c->setCurrentIndex(int(v->GetAsInteger()) - 1);
            };
            write = [](QWidget *w, TVariable *v) { v->SetAsInteger(static_cast<QComboBox *>(w)->currentIndex() + 1); };
        }
        if (twoWay)
            hook(combo, &QComboBox::activated);
    } else if (qobject_cast<QProgressBar *>(control)) {
        show = [](QWidget *w, TVariable *v) { static_cast<QProgressBar *>(w)->setValue(int(v->GetAsInteger())); };
    } else if (auto *check = qobject_cast<QCheckBox *>(control)) {
        if (isBool) {
            show = [](QWidget *w, TVariable *v) {
                auto *c = static_cast<QCheckBox *>(w);
                const QSignalBlocker block(c);
                c->setChecked(v->GetAsBoolean());
            };
            write = [](QWidget *w, TVariable *v) { v->SetAsBoolean(static_cast<QCheckBox *>(w)->isChecked()); };
        }
        if (twoWay && write)
            hook(check, &QCheckBox::clicked);
    } else if (auto *spin = qobject_cast<QSpinBox *>(control)) {
        show = [](QWidget *w, TVariable *v) {
            auto *s = static_cast<QSpinBox *>(w);
            const QSignalBlocker block(s);
            s->setValue(int(v->GetAsInteger()));
        };
        write = [](QWidget *w, TVariable *v) { v->SetAsInteger(qint16(static_cast<QSpinBox *>(w)->value())); };
        if (twoWay)
            hook(spin, &QSpinBox::valueChanged);
    } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        show = [](QWidget *w, TVariable *v) { static_cast<QLineEdit *>(w)->setText(v->Text()); };
        // A typed number, read as every typed number is; an emptied edit
        // leaves the variable as it is (the user is typing anew; a write
        // refuses a field left empty).
        if (flags & bfInteger)
            write = [](QWidget *w, TVariable *v) {
                const QString text = static_cast<QLineEdit *>(w)->text().trimmed();
                if (text.isEmpty())
                    return;
                // The whole numbers the variable holds; for one that holds no
                // whole number, those a double holds exactly.
                constexpr qint64 limit = qint64(1) << 53;
                qint64 low = -limit, high = limit;
                if (!AdapterConfig::StorableRange(v, low, high))
                    low = -limit, high = limit;
                v->SetAsInteger(qint64(ReadBoundText(text, {double(low), double(high), true})));
            };
        else if (flags & bfFloat)
            write = [](QWidget *w, TVariable *v) {
                const QString text = static_cast<QLineEdit *>(w)->text().trimmed();
                if (text.isEmpty())
                    return;
                constexpr double any = std::numeric_limits<double>::infinity();
                v->SetAsFloat(ReadBoundText(text, {-any, any}));
            };
        if (twoWay && write)
            hook(edit, &QLineEdit::textEdited);
    } else if (auto *slider = qobject_cast<QSlider *>(control)) {
        show = [](QWidget *w, TVariable *v) {
            auto *s = static_cast<QSlider *>(w);
            const QSignalBlocker block(s);
            s->setValue(int(v->GetAsInteger()));
        };
        write = [](QWidget *w, TVariable *v) { v->SetAsInteger(static_cast<QSlider *>(w)->value()); };
        if (twoWay)
            hook(slider, &QSlider::valueChanged);
    } else if (qobject_cast<TPaintShape *>(control)) {
        if (isBool && (flags & bfDisplay))
            show = [](QWidget *w, TVariable *v) { w->setVisible(v->GetAsBoolean()); };
    } else if (auto *dip = qobject_cast<TDipSwitch *>(control)) {
        show = [](QWidget *w, TVariable *v) {
            auto *d = static_cast<TDipSwitch *>(w);
            const QSignalBlocker block(d);
            d->SetChecked(v->GetAsBoolean());
        };
        write = [](QWidget *w, TVariable *v) { v->SetAsBoolean(static_cast<TDipSwitch *>(w)->Checked()); };
        if (twoWay)
            hook(dip, &TDipSwitch::OnClick);
    } else if (qobject_cast<QStackedWidget *>(control)) {
        show = [](QWidget *w, TVariable *v) { static_cast<QStackedWidget *>(w)->setCurrentIndex(int(v->GetAsInteger())); };
    } else if (qobject_cast<TSelectedImage *>(control)) {
        if (isBool)
            show = [](QWidget *w, TVariable *v) { static_cast<TSelectedImage *>(w)->SetImageIndex(v->GetAsBoolean() & 127); };
        else
            show = [](QWidget *w, TVariable *v) { static_cast<TSelectedImage *>(w)->SetImageIndex(int(v->GetAsInteger())); };
    } else if (className == QLatin1String("QChartView")) {
        if (!(flags & bfCustom))
            throw notImplemented(true);
    } else if (qobject_cast<QRadioButton *>(control)) {
        if (!dynamic_cast<TByteVariable *>(variable))
            throw notImplemented(true);
    } else if (qobject_cast<QFrame *>(control) || qobject_cast<QGroupBox *>(control)) {
        if (!isBool && !(flags & bfCustom))
            throw notImplemented(true);
    } else {
        throw notImplemented(false);
    }
    if (display)
        b->DisplayHandler = show;
    if (twoWay)
        b->WriteBack = write;
    FBindings.push_back(std::move(binding));
    return b;
}

TBinding *TLogic::BindVariableWithHandler(TVariable *variable, QWidget *control, const QString &scope,
                                          const TBinding::THandler &display)
{
    TBinding *b = BindVariable(variable, control, scope, bfCustom);
    b->DisplayHandler = display;
    return b;
}

TBinding *TLogic::BindVariableCustom(TVariable *variable, QWidget *control, const QString &scope,
                                     const TBinding::THandler &writeBack, const TBinding::THandler &display)
{
    TBinding *b = BindVariable(variable, control, scope, bfCustom);
    b->DisplayHandler = display;
    b->CustomWriteBack = writeBack;
    auto run = [this, b] { runWriteBack(b, b->CustomWriteBack); };
    if (auto *combo = qobject_cast<QComboBox *>(control))
        connect(combo, &QComboBox::activated, this, run);
    else if (auto *check = qobject_cast<QCheckBox *>(control))
        connect(check, &QCheckBox::clicked, this, run);
    else if (auto *spin = qobject_cast<QSpinBox *>(control))
        connect(spin, &QSpinBox::valueChanged, this, run);
    return b;
}

namespace {
bool scopePasses(const TBinding &b, const QString &scope)
{
    return scope.isEmpty() || b.Scope.isEmpty() || b.Scope == scope;
}

void display(TBinding &b)
{
    if (b.DisplayHandler && b.Control)
        b.DisplayHandler(b.Control, b.Variable);
    b.Changed = false;
}
} // namespace

void TLogic::RefreshChangedBindings(const QString &scope)
{
    for (const auto &b : FBindings)
        if (b->Changed && scopePasses(*b, scope))
            display(*b);
}

void TLogic::RefreshAllBindings(const QString &scope)
{
    for (const auto &b : FBindings)
        if (scopePasses(*b, scope))
            display(*b);
}

void TLogic::RefreshVariable(TVariable *variable)
{
    for (const auto &b : FBindings)
        if (b->Variable == variable)
            display(*b);
}

void TLogic::RefreshVariables(const QList<TVariable *> &variables)
{
    for (TVariable *v : variables)
        RefreshVariable(v);
}

void TLogic::MarkBindingsChanged(TVariable *variable)
{
    for (const auto &b : FBindings)
        if (!variable || b->Variable == variable)
            b->Changed = true;
}

void TLogic::UIStateSectionChanged(const QString &section)
{
    if ((section.isEmpty() || section == GetDataGroupName(dgOBD)) && FormMultiOBD)
        FormMultiOBD->UpdateWriteButtonState();
    if ((section.isEmpty() || section == GetDataGroupName(dgAIO)) && FormMultiAIO)
        FormMultiAIO->UpdateWriteButtonState();
}

// ---- Window services ----

QWidget *TLogic::FindParentForm(QWidget *control)
{
    for (QWidget *w = control ? control->parentWidget() : nullptr; w; w = w->parentWidget())
        if (w->isWindow())
            return w;
    return nullptr;
}

void TLogic::MoveControlToHost(QWidget *host, QWidget *control)
{
    if (!control)
        return;
    if (QWidget *form = FindParentForm(control); form && Custom)
        Custom->RegisterForm(form);
    ReparentControl(host, control);
}

void TLogic::ReparentControl(QWidget *host, QWidget *control)
{
    if (!host || !control)
        return;
    QWidget *owner = control->window();
    // The control now lives in host, but its window still destroys it.
    if (owner && owner != control && !control->property("taronDockOwner").isValid()) {
        control->setProperty("taronDockOwner", true);
        QPointer<QWidget> guarded(control);
        QObject::connect(owner, &QObject::destroyed, control, [guarded] { delete guarded.data(); });
    }
    control->setParent(host);
    control->show();
}

void TLogic::BeginHourglass(QCursor &saved)
{
    saved = QApplication::overrideCursor() ? *QApplication::overrideCursor() : QCursor(Qt::ArrowCursor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TLogic::EndHourglass(const QCursor &saved)
{
    Q_UNUSED(saved);
    QApplication::restoreOverrideCursor();
}

void TLogic::PauseWorkThread(bool &saved)
{
    saved = FManager->TimerThread()->Enabled();
    FManager->TimerThread()->SetEnabled(false);
}

void TLogic::ResumeWorkThread(bool saved)
{
    if (saved)
        FManager->TimerThread()->SetEnabled(true);
}
