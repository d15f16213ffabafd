#include "windows/NamedWidget.h"

#include "core/LM.h"

namespace {
TModalExecHook &modalHook()
{
    static TModalExecHook hook;
    return hook;
}
} // namespace

void SetModalExecHook(TModalExecHook hook)
{
    modalHook() = std::move(hook);
}

int ExecModal(QDialog *dialog)
{
    if (modalHook())
        return modalHook()(dialog);
    return dialog->exec();
}

QString TranslateKey(const QString &key)
{
    return LM ? LM->Translate(key) : QStringLiteral("!_") + key;
}
