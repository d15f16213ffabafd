#include "adapter/Logic.h"

#include "adapter/DevStateAdapter.h"
#include "adapter/LogicAdapter.h"
#include "adapter/Manager.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "core/ComMultiPort.h"
#include "core/FileLogger.h"
#include "core/ui/Custom.h"
#include "upgrade/UpgraderLogic.h"

#include <QPointer>
#include <QWidget>

#include <exception>
#include <mutex>

TLogic *Logic = nullptr;
bool OBDAvailable = false;

TLogic::TLogic(QObject *parent)
    : QObject(parent), FUIState(std::make_unique<TUIState>()), FDeviceState(std::make_unique<TDeviceState>())
{
    setObjectName(QStringLiteral("Logic"));

    // The module sets in module order: the adapter (the root), then OBD.
    FDevStateAdapter = new TDevStateAdapter(FDeviceState.get());
    FUIStateAdapter = new TUIStateAdapter(FUIState.get(), FDevStateAdapter);
    FDevStateOBD = new TDevStateOBD(FDeviceState.get());
    FUIStateOBD = new TUIStateOBD(FUIState.get(), FDevStateOBD);

    // Both aggregates: every module's mirrored variables, then every module's
    // user-interface-only variables, then "LocalAdvancedView".
    for (TBaseDevState *uiSide : {static_cast<TBaseDevState *>(FUIStateAdapter),
                                  static_cast<TBaseDevState *>(FUIStateOBD)})
        uiSide->RegisterVariables(1);
    for (TBaseDevState *uiSide : {static_cast<TBaseDevState *>(FUIStateAdapter),
                                  static_cast<TBaseDevState *>(FUIStateOBD)})
        uiSide->RegisterVariables(2);
    FUIState->CreateLocalVariables();
    FUIState->Assign(FDeviceState.get());

    FLogicAdapter = new TLogicAdapter(FDevStateAdapter, FUIStateAdapter, this);
    ::LogicAdapter = FLogicAdapter;
}

TLogic::~TLogic()
{
    if (::LogicAdapter == FLogicAdapter)
        ::LogicAdapter = nullptr;
    // The aggregates refer to the sets' variables: unlink them first.
    FUIState.reset();
    FDeviceState.reset();
    delete FUIStateOBD;
    delete FUIStateAdapter;
    delete FDevStateOBD;
    delete FDevStateAdapter;
}

void TLogic::Startup(bool flag)
{
    Q_UNUSED(flag);
    try {
        SyncAfterDetect(0);
    } catch (const std::exception &e) {
        LogToFile(QStringLiteral("Adapter start-up: %1").arg(QString::fromUtf8(e.what())));
    }
    if (UpgraderLogic)
        UpgraderLogic->SetConnection(ComMultiPort, nullptr);
    FUIState->SetModifiedFlag(false);
}

void TLogic::SyncAfterDetect(int portNumber)
{
    Q_UNUSED(portNumber);
    FUIState->ResetAll();
    FUIState->CopyToDeviceAll(3);
    RedetectLocked();
    FUIState->CopyFromDeviceAll(3);
}

void TLogic::RedetectLocked()
{
    if (!Manager)
        return;
    std::lock_guard<std::recursive_mutex> guard(Manager->Lock());
    // Each module, root first, sends its presence query here once the module
    // protocols exist; until then nothing answers and the manager stays
    // inactive.
    Manager->SetDetectDone();
}

void TLogic::AssignModuleProtocols()
{
    switch (ModuleLayoutMode) {
    case 0:
    case 1:
        OBDAvailable = true;
        break;
    case 2:
        OBDAvailable = FLogicAdapter->IsModuleActive() && FDevStateOBD->IsModuleActive();
        break;
    default:
        OBDAvailable = false;
        break;
    }
}

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
