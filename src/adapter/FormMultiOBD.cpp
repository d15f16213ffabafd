#include "adapter/FormMultiOBD.h"

#include "adapter/Logic.h"
#include "adapter/UIState.h"
#include "adapter/UIStateOBD.h"
#include "controls/DigitalDisplay.h"
#include "core/ui/Common.h"
#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QFrame>
#include <QPushButton>
#include <QTabWidget>

TFormMultiOBD *FormMultiOBD = nullptr;

TFormMultiOBD::TFormMultiOBD(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormMultiOBD"));
    resize(760, 480);
    PnlMultiOBD = NewNamed<QFrame>(this, "PnlMultiOBD", {0, 0, 760, 400});
    PgCMain = NewNamed<QTabWidget>(PnlMultiOBD, "PgCMain", {0, 0, 760, 400});
    TbSOBDConfig = NewTabPage(PgCMain, "TbSOBDConfig", QStringLiteral("Configuration"));
    TbSOBDLive = NewTabPage(PgCMain, "TbSOBDLive", QStringLiteral("Live data"));
    TbSOBDErrors = NewTabPage(PgCMain, "TbSOBDErrors", QStringLiteral("Trouble codes"));
    PnlOBDConfig = NewNamed<QFrame>(TbSOBDConfig, "PnlOBDConfig", {0, 0, 750, 370});
    PnlOBDLive = NewNamed<QFrame>(TbSOBDLive, "PnlOBDLive", {0, 0, 750, 370});
    PnlOBDErrors = NewNamed<QFrame>(TbSOBDErrors, "PnlOBDErrors", {0, 0, 750, 370});
    ChBOBDAdaptationEnable = NewNamed<QCheckBox>(PnlOBDConfig, "ChBOBDAdaptationEnable", {8, 8, 300, 20},
                                                 QStringLiteral("Adaptation enabled"));
    BtBOBDWriteConfig = NewNamed<QPushButton>(PnlOBDConfig, "BtBOBDWriteConfig", {8, 330, 120, 25},
                                              QStringLiteral("Write"));

    PnlOBDReadingsMini = NewNamed<QFrame>(this, "PnlOBDReadingsMini", {0, 400, 760, 80});
    const char *displays[] = {"DgDOBDRealRPM", "DgDOBDRealTb", "DgDOBDRealTg", "DgDOBDRealPsys",
                              "DgDOBDRealPcol", "DgDOBDRealTred", "DgDOBDRealTgas"};
    TDigitalDisplay **targets[] = {&DgDOBDRealRPM, &DgDOBDRealTb, &DgDOBDRealTg, &DgDOBDRealPsys,
                                   &DgDOBDRealPcol, &DgDOBDRealTred, &DgDOBDRealTgas};
    for (int i = 0; i < 7; ++i)
        *targets[i] = NewNamed<TDigitalDisplay>(PnlOBDReadingsMini, displays[i], {4 + 108 * i, 8, 100, 60});

    connect(ChBOBDAdaptationEnable, &QCheckBox::clicked, this, [this] { ChBOBDAdaptationEnableClick(); });
    connect(BtBOBDWriteConfig, &QPushButton::clicked, this, [this] { BtBOBDWriteConfigClick(); });
    connect(PgCMain, &QTabWidget::currentChanged, this, [this] { PgCMainChange(PgCMain); });
}

TFormMultiOBD::~TFormMultiOBD()
{
    if (::FormMultiOBD == this)
        ::FormMultiOBD = nullptr;
}

void TFormMultiOBD::ChBOBDAdaptationEnableClick()
{
    if (Logic)
        Logic->UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->SetAsBoolean(ChBOBDAdaptationEnable->isChecked());
}

void TFormMultiOBD::RefreshLive(bool visible)
{
    Q_UNUSED(visible);
    if (!Logic)
        return;
    const QSignalBlocker block(ChBOBDAdaptationEnable);
    ChBOBDAdaptationEnable->setChecked(Logic->UIStateOBD()->OBDConfig_1_EE_isAdaptationEnabled->GetAsBoolean());
    UpdateWriteButtonState();
}

void TFormMultiOBD::PgCMainChange(QObject *sender)
{
    Q_UNUSED(sender);
    RefreshLive(isVisible());
}

void TFormMultiOBD::UpdateLanguage()
{
    RefreshLive(isVisible());
}

void TFormMultiOBD::UpdateWriteButtonState()
{
    const bool pending = Logic && Logic->UIState()->Modified();
    if (Common)
        Common->SetButtonHighlight(BtBOBDWriteConfig, pending);
}

bool TFormMultiOBD::BtBOBDWriteConfigClick(QObject *sender)
{
    Q_UNUSED(sender);
    // Written only through an active OBD module; none answers yet.
    return false;
}
