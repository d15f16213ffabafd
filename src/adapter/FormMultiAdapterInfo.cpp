#include "adapter/FormMultiAdapterInfo.h"

#include "adapter/AdapterConfigFile.h"
#include "adapter/DevStateAdapter.h"
#include "adapter/Logic.h"
#include "adapter/LogicAdapter.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/Variable.h"
#include "core/AppConfig.h"
#include "core/DataManager.h"
#include "core/ui/Common.h"
#include "core/ui/Custom.h"
#include "windows/NamedWidget.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <exception>

TFormMultiAdapterInfo *FormMultiAdapterInfo = nullptr;

using AdapterConfig::THourglass;
using AdapterConfig::Tr;

namespace {

void setColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

// The box is usable: its module is active and it reported a main version.
bool AdapterUsable()
{
    const TLogicAdapter *logic = Logic ? Logic->LogicAdapter() : nullptr;
    const TDevStateAdapter *state = Logic ? Logic->UIStateAdapter() : nullptr;
    return logic && state && logic->IsModuleActive() && state->AdapterMainVersion->GetAsInteger() > 0;
}

} // namespace

TFormMultiAdapterInfo::TFormMultiAdapterInfo(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormMultiAdapterInfo"));
    resize(760, 400);
    PnlMultiInfo = NewNamed<QFrame>(this, "PnlMultiInfo", {0, 0, 760, 400});
    // Designed in Polish, as every window: the catalog gives the other languages.
    LblAdapterInfo = NewNamed<QLabel>(PnlMultiInfo, "LblAdapterInfo", {8, 8, 300, 20}, QStringLiteral("Informacje o adapterze"));
    NewNamed<QLabel>(PnlMultiInfo, "LblAdapterVersionCaption", {8, 36, 240, 20}, QStringLiteral("Wersja:"));
    LblAdapterVersion = NewNamed<QLabel>(PnlMultiInfo, "LblAdapterVersion", {250, 36, 300, 20});
    LblAdapterVersionFull = NewNamed<QLabel>(PnlMultiInfo, "LblAdapterVersionFull", {250, 58, 500, 20});
    NewNamed<QLabel>(PnlMultiInfo, "LblAdapterCompilationCaption", {8, 82, 240, 20},
                     QStringLiteral("Data i czas kompilacji:"));
    LblAdapterCompilationDateAndTime = NewNamed<QLabel>(PnlMultiInfo, "LblAdapterCompilationDateAndTime", {250, 82, 300, 20});
    NewNamed<QLabel>(PnlMultiInfo, "LblAdapterSNCaption", {8, 106, 240, 20}, QStringLiteral("Numer seryjny:"));
    LblAdapterSN = NewNamed<QLabel>(PnlMultiInfo, "LblAdapterSN", {250, 106, 300, 20});
    // The box's own texts, written anew on each language switch.
    for (QLabel *given : {LblAdapterVersion, LblAdapterVersionFull, LblAdapterCompilationDateAndTime, LblAdapterSN})
        TCustom::KeepGivenTexts(given);
    BtBAdapterDefaultSettings = NewNamed<QPushButton>(PnlMultiInfo, "BtBAdapterDefaultSettings", {8, 140, 150, 25},
                                                      QStringLiteral("Ustawienia domyślne"));
    BtBAdapterSaveToFile = NewNamed<QPushButton>(PnlMultiInfo, "BtBAdapterSaveToFile", {166, 140, 150, 25},
                                                 QStringLiteral("Zapisz do pliku..."));
    BtBAdapterLoadFromFile = NewNamed<QPushButton>(PnlMultiInfo, "BtBAdapterLoadFromFile", {324, 140, 150, 25},
                                                   QStringLiteral("Wczytaj z pliku..."));
    connect(BtBAdapterDefaultSettings, &QPushButton::clicked, this, [this] { BtBAdapterDefaultSettingsClick(); });
    connect(BtBAdapterSaveToFile, &QPushButton::clicked, this, [this] { BtBAdapterSaveToFileClick(); });
    connect(BtBAdapterLoadFromFile, &QPushButton::clicked, this, [this] { BtBAdapterLoadFromFileClick(); });
    // Created beside the other windows: what is known so far, without traffic.
    ShowAdapterInfo();
}

TFormMultiAdapterInfo::~TFormMultiAdapterInfo()
{
    if (::FormMultiAdapterInfo == this)
        ::FormMultiAdapterInfo = nullptr;
}

void TFormMultiAdapterInfo::UpdateLanguage()
{
    ShowAdapterInfo();
}

void TFormMultiAdapterInfo::UpdateAdapterInfo()
{
    if (Logic) {
        bool saved = false;
        Logic->PauseWorkThread(saved);
        // A box disabled as incompatible is left alone: disabling ends its requests.
        if (ModuleAdapter && ModuleAdapter->Enabled() && DataManager && DataManager->GetConnected())
            Logic->LogicAdapter()->CheckAdapterInfo(false);
        Logic->ResumeWorkThread(saved);
    }
    ShowAdapterInfo();
}

void TFormMultiAdapterInfo::ShowAdapterInfo()
{
    TLogicAdapter *logic = Logic ? Logic->LogicAdapter() : nullptr;
    const TDevStateAdapter *state = Logic ? Logic->UIStateAdapter() : nullptr;
    if (logic)
        logic->CopySection();
    const int main = state ? int(state->AdapterMainVersion->GetAsInteger()) : 0;
    const int product = state ? int(state->AdapterBootloaderProductName->GetAsInteger()) : 0;
    const bool usable = AdapterUsable();
    const QString unknown = QLatin1Char('[') + Tr("unknown") + QLatin1Char(']');
    QString serial = unknown;
    if (usable) {
        LblAdapterVersion->setText(logic->VersionText(true, 0));
        setColour(LblAdapterVersion, QColor(0, 0x80, 0));
        LblAdapterVersionFull->setText(logic->DescribeAdapter(false));
        LblAdapterCompilationDateAndTime->setText(logic->CompileDateTimeText());
        serial = logic->SerialText(false);
    } else {
        if (TLogicAdapter::IsIncompatible(main, product)) {
            LblAdapterVersion->setText(QStringLiteral("[%1] {%2} [%3]")
                                           .arg(Tr("Incompatible version"))
                                           .arg(main, 2, 16, QLatin1Char('0'))
                                           .arg(product));
            setColour(LblAdapterVersion, QColor(0xFF, 0, 0));
            LblAdapterVersionFull->clear();
        } else {
            LblAdapterVersion->setText(unknown);
            setColour(LblAdapterVersion, LblAdapterVersionFull->palette().color(QPalette::WindowText));
            LblAdapterVersionFull->setText(unknown);
        }
        LblAdapterCompilationDateAndTime->setText(unknown);
    }
    LblAdapterSN->setText(serial);
    BtBAdapterDefaultSettings->setEnabled(usable);
    BtBAdapterSaveToFile->setEnabled(usable);
    BtBAdapterLoadFromFile->setEnabled(usable);
}

void TFormMultiAdapterInfo::BtBAdapterDefaultSettingsClick()
{
    if (!Logic || !AdapterUsable())
        return;
    const THourglass hourglass;
    if (Logic->LogicAdapter()->WriteDefaultConfiguration(true) == TLogicAdapter::WriteRefused && Common)
        Common->ShowWarning(Tr("The adapter did not accept the default configuration."));
    Logic->RefreshChangedBindings();
}

QString TFormMultiAdapterInfo::ChooseFile(bool save)
{
    const QString folder = AppConfig ? AppConfig->AdapterFileFolder : QString();
    QFileDialog dialog(this, QString(), folder,
                       Tr("Settings") + QStringLiteral(" (*.%1)").arg(QLatin1String(AdapterConfig::Extension)));
    dialog.setObjectName(save ? QStringLiteral("SaveDialogAdapter") : QStringLiteral("OpenDialogAdapter"));
    dialog.setDefaultSuffix(QString::fromLatin1(AdapterConfig::Extension));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (ExecModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString file = dialog.selectedFiles().first();
    if (AppConfig)
        AppConfig->AdapterFileFolder = QFileInfo(file).absolutePath();
    return file;
}

bool TFormMultiAdapterInfo::RunFileCommand(const std::function<bool()> &command)
{
    bool saved = false;
    Logic->PauseWorkThread(saved);
    bool done = false;
    try {
        done = command();
    } catch (const std::exception &e) {
        if (Common)
            Common->ShowError(QString::fromUtf8(e.what()));
    }
    Logic->ResumeWorkThread(saved);
    Logic->RefreshChangedBindings();
    return done;
}

bool TFormMultiAdapterInfo::BtBAdapterSaveToFileClick()
{
    if (!Logic || !AdapterUsable())
        return false;
    const QString file = ChooseFile(true);
    if (file.isEmpty())
        return false;
    const THourglass hourglass; // after the dialog
    return RunFileCommand([&] { return Logic->SaveConfigurationFile(file, AdapterConfig::GroupSet(dgOBD)); });
}

bool TFormMultiAdapterInfo::BtBAdapterLoadFromFileClick()
{
    if (!Logic || !AdapterUsable()) {
        if (Common)
            Common->ShowWarning(Tr("The adapter does not answer."));
        return false;
    }
    const QString file = ChooseFile(false);
    if (file.isEmpty())
        return false;
    const THourglass hourglass; // after the dialog
    return RunFileCommand([&] { return Logic->LoadConfigurationFile(file, AdapterConfig::GroupSet(dgOBD), false); });
}
