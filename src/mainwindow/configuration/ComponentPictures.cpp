#include "mainwindow/configuration/ComponentPictures.h"

#include "core/ui/LMWidgetTexts.h"
#include "mainwindow/configuration/ConfigurationPage.h"

#include "controls/DipSwitch.h"
#include "core/DataManager.h"
#include "core/DeviceRecord.h"
#include "core/LM.h"
#include "core/UnitConversions.h"
#include "mainwindow/shell/FormMain.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include <algorithm>
#include <optional>

namespace {

bool ready() { return DataManager && !DataManager->IsDeviceNotReady(); }

struct TComponent {
    const char *button, *label, *list;
};
// Configuration page and wizard, by kind 1 pressure sensor, 2 injector, 3 reducer.
constexpr TComponent PageComponents[3] = {{"SpBtnPhotoPressSens", "LblKnfN1", "CmBKnfPressureSensorType"},
                                          {"SpBtnPhotoInjector", "LblKnfK4", "CmbKnfInjType"},
                                          {"SpBtnPhotoReductor", "LblKnf0_7", "CmbKnfRedType"}};
constexpr TComponent WizardComponents[3] = {{"SpBConfPhotoPress", "LblConfPressSensType", "CmBConfPressSensType"},
                                            {"SpBConfPhotoInj", "LblConfInjType", "CmBConfInjType"},
                                            {"SpBConfPhotoRed", "LblConfRedType", "CmBConfRedType"}};

} // namespace

TComponentPictures::TComponentPictures(TFormMain &form) : QObject(&form), FForm(form)
{
    setObjectName(QStringLiteral("ComponentPictures"));
    for (int kind = 1; kind <= 3; ++kind) {
        if (auto *b = Find<QAbstractButton>(QString::fromLatin1(PageComponents[kind - 1].button))) {
            b->setCheckable(true);
            connect(b, &QAbstractButton::clicked, this, [this, kind, b] { ShowComponentPicture(kind, b->isChecked(), true); });
        }
        if (auto *b = Find<QAbstractButton>(QString::fromLatin1(WizardComponents[kind - 1].button)))
            b->setCheckable(true);
        // A list filled from the device (a page entered again re-reads it)
        // changes the component the shown picture stands for.
        for (const bool wizard : {false, true}) {
            const TComponent &c = (wizard ? WizardComponents : PageComponents)[kind - 1];
            if (auto *list = Find<QComboBox>(QString::fromLatin1(c.list)))
                connect(list, &QComboBox::currentIndexChanged, this, [this, kind, wizard, c] {
                    auto *b = Find<QAbstractButton>(QString::fromLatin1(c.button));
                    if (b && b->isChecked() && Window.Visible && Window.Visible())
                        Show(kind, true, false, wizard);
                });
        }
    }
    for (int k = 1; k <= 8; ++k)
        if (auto *s = Find<TDipSwitch>(QStringLiteral("DpSSwitchCh%1").arg(k)))
            connect(s, &TDipSwitch::OnClick, this, [this] { DpSSwitchChClick(); });
    if (auto *valve = Find<TDipSwitch>(QStringLiteral("DpSValve")))
        connect(valve, &TDipSwitch::OnClick, this, [this] { DpSValveClick(); });
    if (auto *b = Find<QAbstractButton>(QStringLiteral("BtnDngAdvEmulatorAllPetrol")))
        connect(b, &QAbstractButton::clicked, this, [this] { BtnDngAdvEmulatorAllPetrolClick(); });
    if (auto *b = Find<QAbstractButton>(QStringLiteral("BtnDngEmulatorAllGas")))
        connect(b, &QAbstractButton::clicked, this, [this] { BtnDngEmulatorAllGasClick(); });
    // The pages with the lists show the picture of the pressed button again
    // when they are shown, and hide it when they are left.
    for (const char *page : {"TbSConfig", "TbSCnfBase", "TbSConfigurator"})
        if (auto *w = Find<QWidget>(QString::fromLatin1(page)))
            w->installEventFilter(this);
}

bool TComponentPictures::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide)
        CheckFormPictureHide();
    else if (event->type() == QEvent::Show && watched->objectName() != QLatin1String("TbSConfigurator"))
        CheckFormPictureShow();
    return QObject::eventFilter(watched, event);
}

// The window's own control of that name, not one of a docked kind-48 page.
template <typename T> T *TComponentPictures::Find(const QString &name) const
{
    return qobject_cast<T *>(TLMWidgetTexts::FindComponent(const_cast<TFormMain *>(&FForm), name));
}

QString TComponentPictures::PicturePrefix(int kind)
{
    switch (kind) {
    case 1: return QStringLiteral("sensor");
    case 2: return QStringLiteral("injector");
    case 3: return QStringLiteral("reducer");
    default: return QString();
    }
}

void TComponentPictures::ReleaseAll()
{
    for (const auto *set : {PageComponents, WizardComponents})
        for (int i = 0; i < 3; ++i)
            if (auto *b = Find<QAbstractButton>(QString::fromLatin1(set[i].button)))
                b->setChecked(false);
}

void TComponentPictures::Show(int kind, bool down, bool placeWindow, bool wizard)
{
    if (kind < 1 || kind > 3)
        return;
    if (!down) {
        ReleaseAll();
        if (Window.Hide)
            Window.Hide();
        return;
    }
    const TComponent *set = wizard ? WizardComponents : PageComponents;
    const bool wasVisible = Window.Visible && Window.Visible();
    for (int i = 0; i < 3; ++i)
        if (auto *b = Find<QAbstractButton>(QString::fromLatin1(set[i].button)))
            b->setChecked(i == kind - 1);
    if (Window.SetOnClose)
        Window.SetOnClose([this] {
            // Closed by the user (its close button or Esc), not by a page change.
            if (!FHiding)
                ReleaseAll();
        });
    auto *label = Find<QLabel>(QString::fromLatin1(set[kind - 1].label));
    auto *list = Find<QComboBox>(QString::fromLatin1(set[kind - 1].list));
    QString caption = label ? label->text() : QString();
    if (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    const QString name = list && list->currentIndex() >= 0 ? list->currentText() : QString();
    std::function<QPoint(QSize)> place;
    if (placeWindow && !wasVisible)
        place = [this, wizard](QSize window) { return Placement(wizard, window); };
    if (Window.Show)
        Window.Show(caption + QStringLiteral(": ") + name,
                    LM ? LM->Translate(QStringLiteral("LblPictureClose")) : QStringLiteral("LblPictureClose"),
                    PicturePrefix(kind), name, place);
}

QPoint TComponentPictures::Placement(bool wizard, QSize window) const
{
    const auto find = [this](const char *name) { return Find<QWidget>(QString::fromLatin1(name)); };
    const auto right = [&](const char *name) {
        auto *w = find(name);
        return w ? w->x() + w->width() : 0;
    };
    auto *button = find(wizard ? "SpBConfPhotoInj" : "SpBtnPhotoPressSens");
    if (!button)
        return QPoint();
    auto *sensorPanel = find("PnlKnfPressureSensprType");
    const int sensorHeight = sensorPanel ? sensorPanel->height() : 0;
    const int w = window.width();
    int left = button->width() + 16;
    // Below the top of the lists when the room beside them takes the
    // window, else at the top of the window's pages.
    std::optional<int> top;
    if (!wizard) {
        // The room right of the car's column (the pressure-sensor panel
        // marks its edge) on a page wider than designed.
        auto *panel = find("PnlKnfBase");
        if (panel && panel->width() > 800) {
            const int room = panel->width() - right("PnlKnfPressureSensprType");
            left += room / 2;
            if (room > w) {
                left += w / 2;
                top = panel->mapTo(&FForm, QPoint()).y() + sensorHeight;
            }
        }
    } else {
        // The wizard's column of gas elements ends with its lists, the fuel
        // choice spans its two buttons.
        auto *sheet = find("TbSConfBased");
        if (sheet && sheet->width() > 800) {
            auto *lpg = find("RdBConfFuelLPG");
            const int fuel = lpg ? right("RdBConfFuelCNG") - lpg->x() : 0;
            const int room = sheet->width() - right("CmBConfInjType");
            left += (room - fuel - w / 4) / 2;
            if (w < room)
                left += w / 2;
            if (w < sheet->width())
                left += w / 4;
            if (room > w) {
                auto *elements = find("CmBConfInjType");
                top = sheet->mapTo(&FForm, QPoint(0, elements ? elements->y() : 0)).y() + sensorHeight;
            }
        }
    }
    QWidget *client = FForm.centralWidget() ? FForm.centralWidget() : &FForm;
    QPoint at(button->mapTo(&FForm, QPoint(left, 0)).x(), top ? *top : client->mapTo(&FForm, QPoint(0, -18)).y());
    // The picture is a part of the window: kept inside it.
    at.setX(std::clamp(at.x(), 0, std::max(FForm.width() - w, 0)));
    at.setY(std::clamp(at.y(), 0, std::max(FForm.height() - window.height(), 0)));
    return at;
}

void TComponentPictures::ShowComponentPicture(int kind, bool down, bool placeWindow)
{
    Show(kind, down, placeWindow, false);
}

void TComponentPictures::ShowWizardComponentPicture(int kind, bool down) { Show(kind, down, true, true); }

void TComponentPictures::CheckFormPictureShow()
{
    auto *pages = Find<QTabWidget>(QStringLiteral("PgCMain"));
    const QString page = pages && pages->currentWidget() ? pages->currentWidget()->objectName() : QString();
    if (page == QLatin1String("TbSConfig")) {
        for (int kind : {1, 2, 3})
            if (auto *b = Find<QAbstractButton>(QString::fromLatin1(PageComponents[kind - 1].button)); b && b->isChecked()) {
                ShowComponentPicture(kind, true, true);
                return;
            }
    } else if (page == QLatin1String("TbSConfigurator")) {
        for (int kind : {2, 1, 3})
            if (auto *b = Find<QAbstractButton>(QString::fromLatin1(WizardComponents[kind - 1].button)); b && b->isChecked()) {
                ShowWizardComponentPicture(kind, true);
                return;
            }
    }
}

void TComponentPictures::CheckFormPictureHide()
{
    FHiding = true;
    if (Window.Hide)
        Window.Hide();
    FHiding = false;
}

void TComponentPictures::CheckFormPictureChange(const QString &button)
{
    if (!Window.Visible || !Window.Visible())
        return;
    for (int kind = 1; kind <= 3; ++kind) {
        if (button == QLatin1String(PageComponents[kind - 1].button))
            ShowComponentPicture(kind, true, false);
        else if (button == QLatin1String(WizardComponents[kind - 1].button))
            ShowWizardComponentPicture(kind, true);
    }
}

// ---- Emulator and valve switches ---------------------------------------------------

void TComponentPictures::SetSwitches(int mask)
{
    for (int k = 1; k <= 8; ++k)
        if (auto *s = Find<TDipSwitch>(QStringLiteral("DpSSwitchCh%1").arg(k)))
            s->SetChecked((mask >> (k - 1)) & 1);
}

void TComponentPictures::DpSSwitchChClick()
{
    if (!ready())
        return;
    int mask = 0;
    for (int k = 1; k <= 8; ++k)
        if (auto *s = Find<TDipSwitch>(QStringLiteral("DpSSwitchCh%1").arg(k)); s && s->Checked())
            mask |= 1 << (k - 1);
    DataManager->ActuatorCmd39(uint8_t(mask));
}

void TComponentPictures::BtnDngAdvEmulatorAllPetrolClick()
{
    if (!ready())
        return;
    SetSwitches(0);
    DataManager->ActuatorCmd39(0);
}

void TComponentPictures::BtnDngEmulatorAllGasClick()
{
    if (!ready())
        return;
    SetSwitches(255);
    DataManager->ActuatorCmd39(255);
}

void TComponentPictures::BtnDngReadEmulatorClick()
{
    if (!ready())
        return;
    SetSwitches(DataManager->ReadEmulator3A());
    if (auto *valve = Find<TDipSwitch>(QStringLiteral("DpSValve")))
        valve->SetChecked(DataManager->ReadValue16(11) != 0);
    if (auto *e = Find<QLineEdit>(QStringLiteral("EdtDgnAdvEmergencyStarts")))
        e->setText(QString::number(DataManager->ReadCounter33(1)));
    if (auto *e = Find<QLineEdit>(QStringLiteral("EdtDgnAdvTpcb")))
        e->setText(FormatTemperature(DataManager->ReadCounter33(180)));
    if (auto *e = Find<QLineEdit>(QStringLiteral("EdtDgnAdvActualTpcb")))
        e->setText(FormatTemperature(quint8(DataManager->ReadValue16(27) & 0xFF)));
}

void TComponentPictures::DpSValveClick()
{
    if (!ready())
        return;
    auto *valve = Find<TDipSwitch>(QStringLiteral("DpSValve"));
    DataManager->ActuatorTest18(valve && valve->Checked() ? 1 : 2);
}

TComponentPictures *TComponentPictures::Install(TFormMain &form)
{
    auto *pictures = new TComponentPictures(form);
    form.AddPageLogic(pictures);
    // The configuration page's lists keep the picture in step.
    if (form.ConfigurationPage)
        static_cast<TConfigurationPage *>(form.ConfigurationPage)->CheckFormPictureChange =
            [pictures](const QString &button) { pictures->CheckFormPictureChange(button); };
    return pictures;
}
