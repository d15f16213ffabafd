#include "adapter/FormMultiAdapterInfo.h"

#include "adapter/DevStateAdapter.h"
#include "adapter/Logic.h"
#include "adapter/LogicAdapter.h"
#include "windows/NamedWidget.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

TFormMultiAdapterInfo *FormMultiAdapterInfo = nullptr;

namespace {

void setColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}
} // namespace

TFormMultiAdapterInfo::TFormMultiAdapterInfo(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormMultiAdapterInfo"));
    resize(760, 400);
    PnlMultiInfo = NewNamed<QFrame>(this, "PnlMultiInfo", {0, 0, 760, 400});
    LblAdapterInfo = NewNamed<QLabel>(PnlMultiInfo, "LblAdapterInfo", {8, 8, 300, 20}, QStringLiteral("Adapter information"));
    NewNamed<QLabel>(PnlMultiInfo, "LblAdapterVersionCaption", {8, 36, 200, 20}, QStringLiteral("Version:"));
    LblAdapterVersion = NewNamed<QLabel>(PnlMultiInfo, "LblAdapterVersion", {210, 36, 300, 20});
    LblAdapterVersionFull = NewNamed<QLabel>(PnlMultiInfo, "LblAdapterVersionFull", {210, 58, 540, 20});
    NewNamed<QLabel>(PnlMultiInfo, "LblAdapterCompilationCaption", {8, 82, 200, 20},
                     QStringLiteral("Compilation date and time:"));
    LblAdapterCompilationDateAndTime = NewNamed<QLabel>(PnlMultiInfo, "LblAdapterCompilationDateAndTime", {210, 82, 300, 20});
    NewNamed<QLabel>(PnlMultiInfo, "LblAdapterSNCaption", {8, 106, 200, 20}, QStringLiteral("Serial number:"));
    LblAdapterSN = NewNamed<QLabel>(PnlMultiInfo, "LblAdapterSN", {210, 106, 300, 20});
    BtBAdapterDefaultSettings = NewNamed<QPushButton>(PnlMultiInfo, "BtBAdapterDefaultSettings", {8, 140, 140, 25},
                                                      QStringLiteral("Default settings"));
    BtBAdapterSaveToFile = NewNamed<QPushButton>(PnlMultiInfo, "BtBAdapterSaveToFile", {156, 140, 140, 25},
                                                 QStringLiteral("Save to file..."));
    BtBAdapterLoadFromFile = NewNamed<QPushButton>(PnlMultiInfo, "BtBAdapterLoadFromFile", {304, 140, 140, 25},
                                                   QStringLiteral("Load from file..."));
    connect(BtBAdapterLoadFromFile, &QPushButton::clicked, this, [this] { BtBAdapterLoadFromFileClick(); });
    UpdateAdapterInfo();
}

TFormMultiAdapterInfo::~TFormMultiAdapterInfo()
{
    if (::FormMultiAdapterInfo == this)
        ::FormMultiAdapterInfo = nullptr;
}

void TFormMultiAdapterInfo::UpdateAdapterInfo()
{
    TLogicAdapter *logic = Logic ? Logic->LogicAdapter() : nullptr;
    const TDevStateAdapter *state = Logic ? Logic->UIStateAdapter() : nullptr;
    if (logic)
        logic->CopySection();
    const int main = state ? int(state->AdapterMainVersion->GetAsInteger()) : 0;
    const int product = state ? int(state->AdapterBootloaderProductName->GetAsInteger()) : 0;
    const bool usable = logic && logic->IsModuleActive() && main > 0;
    const QString unknown = QStringLiteral("[unknown]");
    QString serial = unknown;
    if (usable) {
        LblAdapterVersion->setText(logic->VersionText(true, 0));
        setColour(LblAdapterVersion, QColor(0, 0x80, 0));
        LblAdapterVersionFull->setText(logic->DescribeAdapter(false));
        LblAdapterCompilationDateAndTime->setText(logic->CompileDateTimeText());
        serial = logic->SerialText(false);
    } else {
        if (TLogicAdapter::IsIncompatible(main, product)) {
            LblAdapterVersion->setText(QStringLiteral("[Incompatible version] {%1} [%2]")
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

bool TFormMultiAdapterInfo::BtBAdapterLoadFromFileClick()
{
    return false;
}
