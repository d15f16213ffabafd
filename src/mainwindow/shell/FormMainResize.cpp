// The main window's layout on resize: after the proportional rescale of the
// central area, the pages whose sizes and positions depend on each other are
// laid out by rule, so that displays keep their proportions, panels still
// meet their neighbours and the injection bars fill their column.
#include "mainwindow/shell/FormMain.h"

#include "mainwindow/shell/ConfigurationPageOps.h"
#include "mainwindow/shell/FormMainLayout.h"
#include "controls/ResizeHelper.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGuiApplication>
#include <QMetaObject>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <tuple>

namespace {

// The rules were made for the window's outer size, which is 8 pixels wider
// and 93 pixels higher (frame, caption, menu and status bar) than the
// central area that the controls lie on.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 93;

int Round(double value) { return static_cast<int>(std::nearbyint(value)); }

void SetHeight(QWidget *w, int h)
{
    if (w)
        w->resize(w->width(), std::max(0, h));
}
void SetWidth(QWidget *w, int width)
{
    if (w)
        w->resize(std::max(0, width), w->height());
}
void SetLeft(QWidget *w, int x)
{
    if (w)
        w->move(x, w->y());
}
void SetTop(QWidget *w, int y)
{
    if (w)
        w->move(w->x(), y);
}

} // namespace

void TFormMain::RecordDockedPanels()
{
    if (!ResizeHelper)
        return;
    for (const char *name : {"PnlMultiOBD", "PnlOBDReadingsMini", "PnlMultiAIO", "PnlMultiInfo"})
        if (auto *panel = Component<QWidget>(name); panel && centralWidget()->isAncestorOf(panel))
            ResizeHelper->AddControl(panel);
    // The kind-48 windows' pages, as those windows give them (each sits in
    // a host panel of its own name).
    if (WindowServices.Kind48DockedPanels)
        for (QWidget *panel : WindowServices.Kind48DockedPanels())
            ResizeHelper->AddControl(panel);
    if (WindowServices.Kind48PlaceScaledControls)
        WindowServices.Kind48PlaceScaledControls();
}

void TFormMain::ResizeHelperAfterShow()
{
    // The kind-48 calibration window's enrichment edits lose their change
    // handlers while the showing lays the window out (the show handler and
    // the first resize that follows it), and get them back once that is done.
    if (!DetachKind48EnrichmentHandlers)
        return;
    DetachKind48EnrichmentHandlers(true);
    QMetaObject::invokeMethod(
        this, [this] {
            if (DetachKind48EnrichmentHandlers)
                DetachKind48EnrichmentHandlers(false);
        },
        Qt::QueuedConnection);
}

void TFormMain::FormResize()
{
    QWidget *central = centralWidget();
    if (!ResizeHelper || !ResizeHelper->Enabled() || !ResizeHelper->Form() || FLayingOut || !central
        || central->width() <= 0 || central->height() <= 0)
        return;
    FLayingOut = true;
    // 1. A screen below 800 x 600 is reported (once) and nothing is laid out.
    QSize screen = FScreenSizeForCheck;
    if (!screen.isValid() && QGuiApplication::primaryScreen())
        screen = QGuiApplication::primaryScreen()->size();
    if (!FLowResolution && screen.isValid() && (screen.width() < 800 || screen.height() < 600)) {
        ShowLowResolutionWarning();
        FLayingOut = false;
        return;
    }
    // 2. Narrower than the smallest width: back to the designed size.
    if (isVisible() && !isMinimized() && central->width() + kFrameWidth < 800
        && central->size() != QSize(FormMainLayout::DesignedClientWidth, FormMainLayout::DesignedClientHeight)) {
        FLayingOut = false;
        resize(FormMainLayout::DesignedClientWidth + (width() - central->width()),
               FormMainLayout::DesignedClientHeight + (height() - central->height()));
        return;
    }
    const int W = central->width() + kFrameWidth;
    const int H = central->height() + kFrameHeight;
    const double sx = ResizeHelper->ScaleX();
    const double sy = ResizeHelper->ScaleY();

    // Children that reached the right or bottom edge of their panel in the
    // design keep reaching it.
    const std::function<void(QWidget *)> follow = [&](QWidget *parent) {
        if (!parent)
            return;
        const TResizeInfo *p = ResizeHelper->RecordOf(parent);
        for (QWidget *child : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (child->isWindow())
                continue;
            const TResizeInfo *c = ResizeHelper->RecordOf(child);
            if (p && c && !qobject_cast<QStackedWidget *>(parent)) {
                if (c->Left + c->Width == p->Width)
                    SetWidth(child, parent->width() - child->x());
                if (c->Top + c->Height == p->Height)
                    SetHeight(child, parent->height() - child->y());
            }
            follow(child);
        }
    };
    // A panel set by rule still holds its shown children.
    const auto holdChildren = [](QWidget *panel, int margin) {
        if (!panel)
            return;
        int bottom = 0;
        for (QWidget *child : panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!child->isHidden())
                bottom = std::max(bottom, child->y() + child->height());
        if (panel->height() < bottom + margin)
            SetHeight(panel, bottom + margin);
    };
    // A display's height kept in its designed proportion to its width, at
    // least minimum, but never taller than the proportional rescale made it.
    const auto aspectHeight = [&](QWidget *display, int width, int minimum) {
        const TResizeInfo *r = ResizeHelper->RecordOf(display);
        if (!r || r->Width <= 0)
            return display ? display->height() : 0;
        const int byWidth = Round(double(r->Height) * width / r->Width);
        return std::min(std::max(byWidth, minimum), std::max(minimum, TResizeHelper::ScaleValue(r->Height, sy)));
    };
    // The window's own controls only: the docked kind-48 pages reuse some of
    // their names and are laid out by those pages.
    auto c = [this](const char *name) { return OwnPanel(name); };
    follow(central);

    // 3. Live readings: the value column, the RPM panel and the bar column.
    QWidget *page = c("TbSMeasure");
    QWidget *b1 = c("PnlB1"), *b2 = c("PnlB2");
    if (page && b1 && b2) {
        SetWidth(b2, Round(0.43 * W));
        SetLeft(b2, page->width() - b2->width());
        SetWidth(b1, b2->x());
    }
    QWidget *tinj = c("PnlOdcTinj"), *rpm = c("PnlOdcRPM");
    if (b1 && tinj && rpm) {
        SetHeight(rpm, Round(0.18 * H));
        SetTop(rpm, b1->height() - rpm->height());
        SetHeight(tinj, rpm->y());
    }
    follow(b1);
    follow(b2);
    QWidget *t1 = c("PnlOdcTinj1_1"), *t2 = c("PnlOdcTinj1_2"), *t3 = c("PnlOdcTinj1_3");
    if (tinj && t1 && t2 && t3) {
        SetHeight(t3, Round(tinj->height() / 2.0) - Round(t2->height() / 2.0));
        SetTop(t3, tinj->height() - t3->height());
        SetTop(t2, t3->y() - t2->height());
        SetHeight(t1, t2->y());
        follow(tinj);
    }
    // The bar panels are kept out of the rescale: they fill the column's
    // height; the cylinder-count controls then lay their bars out.
    for (const auto &[panelName, mark] :
         {std::pair{"PnlOdcTinjPetrol", "PnlOdcInjMarkPetrol"}, std::pair{"PnlOdcTinjLPG", "PnlOdcInjMarkLPG"}}) {
        QWidget *panel = c(panelName);
        const TResizeInfo *r = panel ? ResizeHelper->RecordOf(panel) : nullptr;
        if (!panel || !r || !t3)
            continue;
        panel->resize(TResizeHelper::ScaleValue(r->Width, sx), t3->height() - panel->y());
        if (QWidget *frame = c(mark)) {
            SetLeft(frame, panel->x());
            SetWidth(frame, panel->width());
        }
    }
    UpdateCylinderCountControls(false);

    // 4. The large displays: width from the bar column, height in proportion.
    QWidget *petrol = c("DgDOdcPetrol");
    if (petrol && t1 && c("PnlOdcTinjPrgPetrol")) {
        // Never into the selector panel beside it.
        QWidget *selector = c("PnlOdcTinjPrgPetrol");
        const int width = std::min(t1->width() - selector->width() - 15, selector->x() - petrol->x() - 7);
        petrol->resize(width, aspectHeight(petrol, width, 57));
        for (const char *name : {"DgDOdcLPG", "DgDOdcRPM", "DgDOdcTred", "DgDOdcTgaz"})
            if (QWidget *w = c(name))
                w->resize(petrol->size());
        if (QWidget *tgaz = c("DgDOdcTgaz")) {
            SetHeight(c("PnlOdcTgaz"), tgaz->height() + 30);
            holdChildren(c("PnlOdcTgaz"), 12);
        }
    }
    // 5. Pressures side by side; the lambda read-out centred.
    QWidget *psysPanel = c("PnlOdcPsys"), *psys = c("DgDOdcPsys"), *pcol = c("DgDOdcPcol");
    if (psysPanel && psys && pcol && c("PnlOdcVal1") && c("DgDOdcTred")) {
        SetHeight(psysPanel, Round(c("PnlOdcVal1")->height() / 3.0) + 10);
        const int half = Round(psysPanel->width() / 2.0);
        psys->resize(half - 17, c("DgDOdcTred")->height());
        pcol->resize(psys->width(), c("DgDOdcTred")->height());
        SetLeft(psys, half + 6);
        SetLeft(c("LblOdcPsys"), psys->x());
        SetLeft(c("LblOdcPcol"), pcol->x());
        SetLeft(c("PrBOdcPsys"), psys->x());
        SetWidth(c("PrBOdcPsys"), psys->width());
        holdChildren(psysPanel, 2);
    }
    if (QWidget *host = c("PPnlOdcLambda"); host && c("PnlOdcLambdaCenter")) {
        QWidget *centre = c("PnlOdcLambdaCenter");
        centre->move((host->width() - centre->width()) / 2, (host->height() - centre->height()) / 2);
    }

    // 6. Model page read-outs around the centred lambda panel.
    QWidget *modOdc = c("PnlModOdc"), *modLambda = c("PnlModLambda"), *modRpm = c("DgDModRPM");
    if (modOdc && modLambda && modRpm) {
        const int L = Round(modOdc->width() / 2.0 - modLambda->width() / 2.0);
        const int w = Round((L - 20) / 3.0);
        SetLeft(modLambda, L);
        SetLeft(c("PnlModPcol"), L);
        modRpm->resize(w, aspectHeight(modRpm, w, 1));
        const int psysLeft = 3 * w + 20 + modLambda->width() + 5;
        const std::pair<const char *, int> lefts[] = {
            {"DgDModRPM", 5}, {"DgDModPetrol", w + 10}, {"DgDModLPG", 2 * w + 15},
            {"DgDModPsys", psysLeft}, {"DgDModTred", psysLeft + w + 5}, {"DgDModTgaz", psysLeft + 2 * w + 10}};
        for (const auto &[name, left] : lefts)
            if (QWidget *d = c(name)) {
                d->resize(modRpm->size());
                SetLeft(d, left);
            }
        for (const auto &[label, display] :
             {std::pair{"LblModRPM", "DgDModRPM"}, {"LblModPetrol", "DgDModPetrol"}, {"LblModLPG", "DgDModLPG"},
              {"LblModPsys", "DgDModPsys"}, {"LblModTred", "DgDModTred"}, {"LblModTgaz", "DgDModTgaz"}})
            if (c(label) && c(display)) {
                SetLeft(c(label), c(display)->x());
                SetWidth(c(label), c(display)->width());
            }
    }

    // 7. The calibration page shown: only its panel-height step (its page
    // entry would read the device over unwritten edits). A collapsed
    // read-out panel stays collapsed; an open one keeps its rescaled height,
    // which is remembered after the resize.
    if (CurrentMainPage() == QLatin1String("TbSCalibration"))
        if (QWidget *readouts = c("PnlModOdcMain"); readouts && c("PnlModOdcHide") && !c("PnlModOdcHide")->isHidden())
            SetHeight(readouts, 0);

    // 8. Map load panels side by side, as wide as the rescale leaves room
    // for, in the order they stand; their page then puts them in its order
    // (the rescale put them back in their designed one), and so do the
    // docked kind-48 pages with what they order.
    if (QWidget *mapa = c("PnlMapaMain"); mapa && c("PnlMapaBtns")) {
        const int width = Round((mapa->width() - c("PnlMapaBtns")->width() - 56) / 3.0);
        std::array<QWidget *, 3> panels{c("PnlCalLoadL"), c("PnlCalLoadM"), c("PnlCalLoadH")};
        if (std::find(panels.begin(), panels.end(), nullptr) == panels.end()) {
            std::sort(panels.begin(), panels.end(), [](QWidget *a, QWidget *b) { return a->x() < b->x(); });
            int x = 35;
            for (QWidget *p : panels) {
                SetWidth(p, width);
                SetLeft(p, x);
                x += width;
            }
            if (ConfigurationPage)
                ConfigurationPage->OrderLoadPanels();
        }
        // The panels' caption keeps to the room left of the first panel (its
        // text is fitted to it by the last step).
        if (QWidget *caption = c("LblCalTxtX2"))
            SetWidth(caption, std::max(1, 35 - caption->x()));
    }
    if (WindowServices.Kind48PlaceScaledControls)
        WindowServices.Kind48PlaceScaledControls();

    // 9. Recorder: four graphs of equal height between the scales.
    QWidget *osc = c("PanelOscDisplays"), *scale1 = c("PanelScale1");
    const char *graphs[] = {"PnlDgnCzasy", "PnlDgnPressure", "PnlDgnTemp", "PnlDgnRPM"};
    if (osc && scale1 && c(graphs[0])) {
        const int h = Round((osc->height() - 2 * scale1->height()) / 4.0);
        int top = c(graphs[0])->y();
        for (const char *name : graphs)
            if (QWidget *g = c(name)) {
                SetTop(g, top);
                SetHeight(g, h);
                follow(g);
                top += h;
            }
        SetTop(c("panelScale2"), top);
        SetHeight(c("PnlDgnCursor"), osc->height() + 3);

        // 10. Read-outs beside their graphs.
        QWidget *tb = c("DgDDgnTb");
        if (tb) {
            const TResizeInfo *r = ResizeHelper->RecordOf(tb);
            const int height = std::max(1, Round(h / 2.0 - 10));
            // In proportion to its height, but not wider than the rescale
            // made it, so that the read-out column keeps off its neighbours.
            const int width = r && r->Height > 0 ? std::min(Round(double(r->Width) * height / r->Height),
                                                            TResizeHelper::ScaleValue(r->Width, sx))
                                                 : tb->width();
            tb->resize(width, height);
            for (const char *name : {"DgDDgnTg", "DgDDgnPsys", "DgDDgnPcol", "DgDDgnTempR", "DgDDgnTempG"})
                if (QWidget *d = c(name))
                    d->resize(tb->size());
            for (const char *name : {"DgDDgnRPM", "DgDDgnWybor1", "DgDDgnWybor2"})
                SetWidth(c(name), tb->width());
            const struct {
                const char *Graph, *First, *Second, *FirstLabel, *SecondLabel;
            } pairs[] = {{"PnlDgnCzasy", "DgDDgnTb", "DgDDgnTg", "LblDgnTb", "LblDgnTg"},
                         {"PnlDgnPressure", "DgDDgnPsys", "DgDDgnPcol", "LblDgnPsys", "LblDgnPcol"},
                         {"PnlDgnTemp", "DgDDgnTempR", "DgDDgnTempG", "LblDgnTempR", "LblDgnTempG"}};
            for (const auto &p : pairs) {
                QWidget *graph = c(p.Graph);
                if (!graph)
                    continue;
                SetTop(c(p.First), graph->y());
                SetTop(c(p.Second), Round(graph->y() + h / 2.0));
                if (c(p.First))
                    SetTop(c(p.FirstLabel), c(p.First)->y() + 10);
                if (c(p.Second))
                    SetTop(c(p.SecondLabel), c(p.Second)->y() + 10);
            }
            if (c("PnlOscLabelsDigs") && c("PnlOscLabels")) {
                SetWidth(c("PnlOscLabelsDigs"), c("PnlOscLabels")->width() + tb->width() + 40);
                follow(c("PnlOscLabelsDigs"));
            }
        }
        // 11. RPM read-out and the two chosen values below it.
        QWidget *rpmGraph = c("PnlDgnRPM"), *rpmDisplay = c("DgDDgnRPM");
        if (rpmGraph && rpmDisplay) {
            SetTop(rpmDisplay, rpmGraph->y());
            SetHeight(rpmDisplay, (rpmGraph->height() - 18) / 3);
            SetTop(c("LblDgnRPM"), rpmDisplay->y() + 8);
            int top = rpmDisplay->y() + rpmDisplay->height() + 3;
            for (const auto &[display, combo, label] :
                 {std::tuple{"DgDDgnWybor1", "CmBDgnWybor1", "LblBDgnWybor1"},
                  std::tuple{"DgDDgnWybor2", "CmBDgnWybor2", "LblBDgnWybor2"}})
                if (QWidget *d = c(display)) {
                    SetTop(d, top);
                    SetHeight(d, rpmDisplay->height());
                    SetTop(c(combo), top + 2);
                    SetTop(c(label), top + 4);
                    top += d->height() + 3;
                }
        }
    }

    // 12. Trouble codes.
    if (QWidget *codes = c("PnlOdcTroubleCode")) {
        QFont font = codes->font();
        font.setPointSize(W < 801 ? 11 : 14);
        codes->setFont(font);
        // Never over the heading of the stored codes below it.
        int height = Round(codes->height() / 2.0) - 30;
        if (QWidget *stored = c("labelOdcTroubleCodeStored"))
            height = std::min(height, stored->y() - 4);
        SetHeight(c("PnlOdcActTroubleCode"), height);
    }
    // 13. The advanced-view box at the right edge.
    if (QWidget *advanced = c("ChBAdvancedView"))
        SetLeft(advanced, central->width() - advanced->width());

    // Text that was whole at the designed size stays whole: where the
    // scaled font outgrows its control, the font steps back towards its
    // designed height until the text fits.
    for (const auto &r : ResizeHelper->Records()) {
        QWidget *w = r->Control;
        if (!w || r->FontHeight == 0 || w->font().pixelSize() <= 0)
            continue;
        QString text;
        int pad = 0;
        if (auto *label = qobject_cast<QLabel *>(w); label && !label->wordWrap() && label->textFormat() != Qt::RichText)
            text = label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            text = button->text();
            pad = qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w) ? 20 : 8;
        }
        if (text.isEmpty() || text.contains(QLatin1Char('\n')))
            continue;
        QFont font = w->font();
        QFont designed = font;
        designed.setPixelSize(std::abs(r->FontHeight));
        const auto fits = [&text, pad](const QFont &f, int width, int height) {
            const QFontMetrics fm(f);
            return fm.horizontalAdvance(text) + pad <= width && fm.height() <= height;
        };
        if (!fits(designed, r->Width, r->Height))
            continue;
        while (font.pixelSize() > std::abs(r->FontHeight) && !fits(font, w->width(), w->height()))
            font.setPixelSize(font.pixelSize() - 1);
        if (font != w->font())
            w->setFont(font);
    }
    FLayingOut = false;
}
