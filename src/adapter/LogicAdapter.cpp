#include "adapter/LogicAdapter.h"

#include "adapter/DevStateAdapter.h"
#include "adapter/Manager.h"
#include "adapter/ModuleAdapter.h"
#include "adapter/ModuleAIO.h"
#include "adapter/ModuleOBD.h"
#include "adapter/UIState.h"
#include "core/EnglishTextKeys.h"
#include "core/ui/Common.h"
#include "core/ui/DialogButtons.h"

TLogicAdapter *LogicAdapter = nullptr;

namespace {
QString pickText(int value, const char *shortOne, const char *longOne, bool shortForm)
{
    switch (value) {
    case 0:
        return shortForm ? QStringLiteral("UNK") : QStringLiteral("UNKNOWN");
    case 1:
        return QString::fromLatin1(shortForm ? shortOne : longOne);
    default:
        return QStringLiteral("---");
    }
}
} // namespace

TLogicAdapter::TLogicAdapter(TModuleAdapter *module, TUIState *uiState, QObject *parent)
    : QObject(parent), FModule(module), FUIState(uiState)
{
    setObjectName(QStringLiteral("LogicAdapter"));
    ModuleEnabled = [this] { return FModule && FModule->Enabled(); };
    ModuleActive = [this] { return FModule && FModule->IsActive(); };
}

TUIStateAdapter *TLogicAdapter::ui() const
{
    return FModule->UIStateAdapter();
}

void TLogicAdapter::CopySection()
{
    if (FUIState && FUIState->Source())
        FUIState->CopyFromDevice(GetDataGroupName(dgAdapter), 3);
}

bool TLogicAdapter::IsIncompatible(int mainVersion, int product)
{
    if (product <= 0)
        return false;
    return (mainVersion == 0x10 && product != 1) || (mainVersion == 0x20 && product != 2);
}

void TLogicAdapter::CheckAdapterInfo(bool versionRead)
{
    FModule->ReadAll(versionRead);
    CopySection();
    if (IsIncompatible(int(ui()->AdapterMainVersion->GetAsInteger()),
                       int(ui()->AdapterBootloaderProductName->GetAsInteger()))) {
        FModule->SetEnabled(false);
        // It answered: refused, not dropped out.
        if (FModule->ModuleManager())
            FModule->ModuleManager()->SetRefused(true);
    }
}

QString TLogicAdapter::VersionText(bool needActive, int style) const
{
    if (needActive ? !IsModuleActive() : !IsModuleEnabled())
        return QStringLiteral("----");
    const TUIStateAdapter *s = ui();
    const int main = int(s->AdapterMainVersion->GetAsInteger());
    switch (style) {
    case 0:
        return QStringLiteral("%1%2 r%3").arg(s->AdapterMainVersion->Text(), s->AdapterReleaseVersion->Text(),
                                              s->AdapterRevisionVersion->Text());
    case 1:
        return QStringLiteral("%1%2%3").arg(main / 16).arg(main % 16).arg(s->AdapterReleaseVersion->Text());
    case 2:
        return s->AdapterMainVersion->Text();
    case 3:
        return QStringLiteral("%1%2").arg(main / 16).arg(main % 16);
    default:
        return QString();
    }
}

bool TLogicAdapter::IsUpgradePossible()
{
    CopySection();
    if (IsModuleActive() && ui()->AdapterMainVersion->GetAsInteger() == 0) {
        FModule->ReadVersion(true);
        FModule->ReadInfoA();
        CopySection();
    }
    const qint64 main = ui()->AdapterMainVersion->GetAsInteger();
    return IsModuleActive() && (main == 0x10 || main == 0x20);
}

QString TLogicAdapter::CompileDateTimeText() const
{
    return ui()->AdapterCompilationDate->Text() + QLatin1Char(' ') + ui()->AdapterCompilationTime->Text();
}

QString TLogicAdapter::DescribeAdapter(bool shortForm)
{
    CopySection();
    const TUIStateAdapter *s = ui();
    const int kit = int(s->AdapterBootloaderKitType->GetAsInteger());
    const bool v10 = s->AdapterMainVersion->GetAsInteger() == 0x10;
    const QString kitSuffix = (v10 && kit == 255) || (!v10 && kit == 1) ? QString()
                                                                       : QStringLiteral("-%1").arg(kit);
    const QString pattern = shortForm ? QStringLiteral("%1%2%3%4%5%6%7 %8[%9%10]")
                                      : QStringLiteral("%1%2%3%4%5%6%7 %8 [%9%10] ");
    return pattern.arg(0)
        .arg(s->AdapterHardwareOptions->GetAsInteger())
        .arg(s->AdapterHardwareVersion->GetAsInteger())
        .arg(s->AdapterSoftwareOptions->GetAsInteger())
        .arg(s->AdapterDeviceType->GetAsInteger())
        .arg(VersionText(true, 3), s->AdapterReleaseVersion->Text(), TypeText(shortForm))
        .arg(s->AdapterBootloaderProductName->GetAsInteger())
        .arg(kitSuffix);
}

QString TLogicAdapter::HardwareText(bool shortForm) const
{
    const int v = int(ui()->AdapterDeviceType->GetAsInteger());
    return v == 2 ? QString::fromLatin1(shortForm ? "Av2" : "Adapter_ver2") : pickText(v, "Av1", "Adapter_ver1", shortForm);
}

QString TLogicAdapter::TypeText(bool shortForm) const
{
    const int v = int(ui()->AdapterSoftwareOptions->GetAsInteger());
    return v == 2 ? QString::fromLatin1(shortForm ? "Av2" : "Adapter_ver2") : pickText(v, "Av1", "Adapter_ver1", shortForm);
}

QString TLogicAdapter::BootloaderText(bool shortForm) const
{
    return pickText(int(ui()->AdapterHardwareOptions->GetAsInteger()), "Av1", "Adapter_ver1", shortForm);
}

QString TLogicAdapter::OBDKitText(bool shortForm) const
{
    return pickText(int(ui()->AdapterHardwareVersion->GetAsInteger()), "02a", "AdapterOBD_02a", shortForm);
}

QString TLogicAdapter::KindText(int value, bool shortForm)
{
    if (value == 0 || value == 255)
        return QStringLiteral("PRODUCTION");
    if (value == 1)
        return shortForm ? QStringLiteral("Adapter_ver1") : QStringLiteral("Adapter_ver1 (adapter box, first series)");
    return QStringLiteral("ERROR");
}

QString TLogicAdapter::ModeText(int value)
{
    return value == 0 || value == 255 ? QStringLiteral("STANDARD") : QStringLiteral("ERROR");
}

QString TLogicAdapter::SerialText(bool dashes) const
{
    const TUIStateAdapter *s = ui();
    const quint32 serialNumber = quint32(s->AdapterProductionSerialNumber->GetAsInteger());
    const QString serial = QString::asprintf("%.5u", serialNumber).right(5);
    const QString product = QString::asprintf("%.2u", unsigned(s->AdapterBootloaderProductName->GetAsInteger()));
    const unsigned date = unsigned(s->AdapterProductionDate->GetAsInteger());
    const QString made = QString::asprintf("%.2u%.2u", date & 0xFF, date >> 8);
    const QString sep = dashes ? QStringLiteral("-") : QString();
    return serial + sep + product + sep + made;
}

TLogicAdapter::TWriteResult TLogicAdapter::WriteDefaultConfiguration(bool ask)
{
    if (!IsModuleActive())
        return WriteSkipped;
    if (ask) {
        QString text;
        TranslateUiText(QStringLiteral("Caution! Program will write default configuration into device. Save?"), text);
        if (!Common || Common->AskOkCancel(text) != mrOk)
            return WriteSkipped;
    }
    // The OBD module pauses the work step itself.
    if (::ModuleOBD && !::ModuleOBD->Logic()->WriteDefaultConfiguration(false, true))
        return WriteRefused;
    // The analog I/O takes its defaults only while the box reports it.
    if (::ModuleAIO && ::ModuleAIO->IsActive() && !::ModuleAIO->Logic()->WriteDefaultConfiguration(false))
        return WriteRefused;
    return WriteDone;
}
