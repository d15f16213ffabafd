#include "windows/NamedWidget.h"

#include "core/LM.h"
#include "mainwindow/shell/FormMain.h"

#include <QTabWidget>

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

QWidget *NewTabPage(QTabWidget *pages, const char *name, const QString &caption)
{
    auto *sheet = new QWidget(pages);
    sheet->setObjectName(QString::fromLatin1(name));
    pages->addTab(sheet, caption);
    return sheet;
}

void ApplyCurrentLanguage()
{
    if (FormMain && LM)
        FormMain->ChangeLanguage(LM->Language, true);
    else if (LM)
        LM->LoadLanguageFile(LM->Language);
}
