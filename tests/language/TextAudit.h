// Walks a window's widget tree and lists the texts a user can see on it:
// captions, titles, tab texts, list and combo items, table headers, chart and
// axis titles, menu items and hints. Generic over widget classes, so windows
// and pages added later are read without naming their components.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QToolButton>
#include <QAction>
#include <QChart>
#include <QLegend>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QWidget>
#include <QGraphicsTextItem>

#include "common/PaintedTexts.h"
#include "mainwindow/configuration/Model2Chart.h"

#include <functional>
#include <vector>

namespace textaudit {

struct ShownText {
    QObject *object;
    QString where; // objectName path and the kind of text
    QString text;
};

inline QString PathOf(const QObject *o)
{
    QStringList parts;
    for (const QObject *p = o; p; p = p->parent()) {
        const QString name = p->objectName();
        parts.prepend(name.isEmpty() ? QString::fromLatin1(p->metaObject()->className()) : name);
        if (p->isWidgetType() && static_cast<const QWidget *>(p)->isWindow())
            break;
    }
    return parts.join(u'/');
}

// The program's own classes (named with a leading T) show their own string
// properties (Caption, hints of the extended hint).
inline void OwnProperties(QObject *o, const std::function<void(const QString &, const QString &)> &add)
{
    const QMetaObject *meta = o->metaObject();
    if (!QByteArray(meta->className()).startsWith('T'))
        return;
    for (const QMetaObject *m = meta; m && QByteArray(m->className()).startsWith('T'); m = m->superClass())
        for (int i = m->propertyOffset(); i < m->propertyCount(); ++i) {
            const QMetaProperty p = m->property(i);
            if (p.typeId() == QMetaType::QString && p.isReadable())
                add(QString::fromLatin1(p.name()), p.read(o).toString());
        }
}

inline void ActionTexts(QAction *a, const QString &where, std::vector<ShownText> &out)
{
    if (!a->isVisible() || a->isSeparator())
        return;
    out.push_back({a, where + QStringLiteral(":action"), a->text()});
    if (a->toolTip() != QString(a->text()).remove(u'&'))
        out.push_back({a, where + QStringLiteral(":hint"), a->toolTip()});
    if (QMenu *m = a->menu())
        for (QAction *sub : m->actions())
            ActionTexts(sub, where + u'/' + (sub->objectName().isEmpty() ? sub->text() : sub->objectName()), out);
}

// Everything shown on the visible widgets of window (the window included).
inline std::vector<ShownText> VisibleTexts(QWidget *window, bool hiddenToo = false)
{
    std::vector<ShownText> out;
    QList<QWidget *> widgets{window};
    widgets += window->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (w != window && ((!hiddenToo && !w->isVisibleTo(window)) || w->window() != window))
            continue;
        const QString where = PathOf(w);
        auto add = [&](const QString &kind, const QString &text) {
            if (!text.trimmed().isEmpty())
                out.push_back({w, where + u':' + kind, text});
        };
        if (w == window)
            add(QStringLiteral("title"), w->windowTitle());
        add(QStringLiteral("hint"), w->toolTip());
        if (auto *l = qobject_cast<QLabel *>(w))
            add(QStringLiteral("text"), l->text());
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            add(QStringLiteral("text"), b->text());
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            add(QStringLiteral("title"), g->title());
        else if (auto *e = qobject_cast<QLineEdit *>(w))
            add(QStringLiteral("placeholder"), e->placeholderText());
        else if (auto *c = qobject_cast<QComboBox *>(w)) {
            for (int i = 0; i < c->count(); ++i)
                add(QStringLiteral("item%1").arg(i), c->itemText(i));
        } else if (auto *t = qobject_cast<QTabWidget *>(w)) {
            for (int i = 0; i < t->count(); ++i)
                if (t->isTabVisible(i))
                    add(QStringLiteral("tab%1").arg(i), t->tabText(i));
        } else if (auto *tw = qobject_cast<QTableWidget *>(w)) {
            for (int i = 0; i < tw->columnCount(); ++i)
                if (tw->horizontalHeaderItem(i) && !tw->isColumnHidden(i) && tw->horizontalHeader()->isVisible())
                    add(QStringLiteral("column%1").arg(i), tw->horizontalHeaderItem(i)->text());
            for (int i = 0; i < tw->rowCount(); ++i)
                if (tw->verticalHeaderItem(i) && !tw->isRowHidden(i) && tw->verticalHeader()->isVisible())
                    add(QStringLiteral("row%1").arg(i), tw->verticalHeaderItem(i)->text());
        } else if (auto *tr = qobject_cast<QTreeWidget *>(w)) {
            if (!tr->isHeaderHidden())
                for (int i = 0; i < tr->columnCount(); ++i)
                    add(QStringLiteral("column%1").arg(i), tr->headerItem()->text(i));
        } else if (auto *lw = qobject_cast<QListWidget *>(w)) {
            for (int i = 0; i < lw->count(); ++i)
                add(QStringLiteral("item%1").arg(i), lw->item(i)->text());
        } else if (auto *v = qobject_cast<QGraphicsView *>(w); v && v->scene()) {
            // Charts: their titles, axis titles and series names.
            for (QGraphicsItem *item : v->scene()->items()) {
                QGraphicsObject *g = item->toGraphicsObject();
                if (!g || item->parentItem() || !g->isVisible())
                    continue;
                QList<QObject *> objects{g};
                objects += g->findChildren<QObject *>();
                // Series names show only in a visible legend.
                auto *chart = qobject_cast<QChart *>(g);
                const bool legend = chart && chart->legend() && chart->legend()->isVisible();
                for (QObject *o : objects)
                    for (const char *name : {"title", "titleText", "name"}) {
                        if (QByteArray(name) == "name" && !legend)
                            continue;
                        const int index = o->metaObject()->indexOfProperty(name);
                        if (index < 0)
                            continue;
                        const QMetaProperty p = o->metaObject()->property(index);
                        const QVariant visible = o->property("visible");
                        const QVariant titleVisible = o->property("titleVisible");
                        if (p.typeId() != QMetaType::QString || (visible.isValid() && !visible.toBool())
                            || (QByteArray(name) == "titleText" && titleVisible.isValid() && !titleVisible.toBool()))
                            continue;
                        add(QString::fromLatin1(o->metaObject()->className()) + u'.' + QLatin1String(name),
                            p.read(o).toString());
                    }
            }
        }
        if (auto *bar = qobject_cast<QMenuBar *>(w))
            for (QAction *a : bar->actions())
                ActionTexts(a, where + u'/' + a->objectName(), out);
        // Context menus of the window's controls.
        if (w == window)
            for (QMenu *menu : window->findChildren<QMenu *>())
                if (!menu->menuAction() || menu->menuAction()->associatedObjects().isEmpty())
                    for (QAction *a : menu->actions())
                        ActionTexts(a, PathOf(menu) + u'/' + a->objectName(), out);
        OwnProperties(w, add);
    }
    return out;
}

// The numbers the charts of window draw, by where they show: each chart
// view's axis labels as Qt has laid them out (the chart laid out first), and
// the marks and axis values a custom-painted chart paints. Charts on hidden
// pages too with hiddenToo.
inline std::vector<ShownText> ChartTexts(QWidget *window, bool hiddenToo = false)
{
    std::vector<ShownText> out;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    for (QGraphicsView *view : window->findChildren<QGraphicsView *>()) {
        if (!view->scene() || view->window() != window || (!hiddenToo && !view->isVisibleTo(window)))
            continue;
        int label = 0;
        for (QGraphicsItem *item : view->scene()->items(Qt::AscendingOrder))
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item); text && text->isVisible())
                out.push_back({view, PathOf(view) + QStringLiteral(":label%1").arg(label++), text->toPlainText()});
    }
    for (TModel2Chart *chart : window->findChildren<TModel2Chart *>()) {
        QWidget *host = chart->Host();
        if (!host || host->size().isEmpty() || host->window() != window || (!hiddenToo && !host->isVisibleTo(window)))
            continue;
        int mark = 0;
        for (const QString &text : PaintedTexts(host).Texts)
            out.push_back({host, PathOf(host) + QStringLiteral(":painted%1").arg(mark++), text});
    }
    return out;
}

// Words both languages write alike (in lower case): units, abbreviations,
// the language names and the model names of injectors, reducers and sensors.
// A Polish abbreviation ("Tgaz", the gas temperature) is no shared word: an
// English caption writes it "Tgas".
inline const QStringList &SharedWords()
{
    static const QStringList words = QStringLiteral(
        "ok lpg cng tb tg ms bar kpa mv hz khz min kw km mm cm ccm rpm map obd obdii pid ecu "
        "lambda start stop reset model adapter taron service com pwm on off line info pcol psys "
        "tred tgas vbat tpcb stft ltft vin aio maf tps iat elam alam hemi "
        "polski english standard turbo fullgroup "
        "ta tc td valtek hana rail horizon ig magic jet fx plani matrix omvl reg type vxr "
        "falcor mira pw aeb ps cc cct ppo ohm ohms bank dev pts tty ttys ttyusb "
        "stand")
        .split(u' ');
    return words;
}

// True for a text that shows no word of the designed Polish beyond the
// shared words: its words are all shared, or all English (found among the
// English texts of the language files and catalogs, vocabulary).
inline bool SharedText(const QString &text, const QSet<QString> &vocabulary = {})
{
    static const QRegularExpression word(QStringLiteral("[A-Za-zÀ-ž]{2,}"));
    auto it = word.globalMatch(text);
    while (it.hasNext()) {
        const QString w = it.next().captured().toLower();
        if (!SharedWords().contains(w) && !vocabulary.contains(w))
            return false;
    }
    return true;
}

// A caption that carries a unit ("Tgas [°C]", "Time [s]"): its name part is
// easily taken for a shared abbreviation, so such captions are held to the
// English words.
inline bool CarriesUnit(const QString &text)
{
    static const QRegularExpression unit(QStringLiteral("\\[[^\\]]+\\]"));
    return unit.match(text).hasMatch();
}

// The words of the English texts: the values of an English language file
// and the translations of an English catalog.
inline QSet<QString> EnglishVocabulary(const QStringList &languageFileLines, const QStringList &catalogLines)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-zÀ-ž]{2,}"));
    QSet<QString> out;
    auto take = [&](const QString &text) {
        auto it = word.globalMatch(text);
        while (it.hasNext())
            out << it.next().captured().toLower();
    };
    for (const QString &line : languageFileLines)
        if (!line.startsWith(u'[') && line.contains(u'='))
            take(line.section(u'=', 1));
    for (const QString &line : catalogLines)
        if (line.startsWith(QStringLiteral("msgstr ")))
            take(line.mid(7));
    return out;
}


// Where a control paints its caption, in its parent's coordinates; an
// empty rect when it shows no caption of its own or one that cannot be cut
// (rich text, a panel under other controls, an icon-only button).
inline QRect CaptionRect(QWidget *w)
{
    const QFontMetrics fm(w->font());
    auto place = [&](const QRect &area, int flags, const QString &text) {
        return w->style()->itemTextRect(fm, area, flags, true, text).translated(w->pos());
    };
    if (auto *l = qobject_cast<QLabel *>(w)) {
        if (l->text().isEmpty() || l->textFormat() == Qt::RichText || Qt::mightBeRichText(l->text())
            || !l->pixmap().isNull() || !l->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).isEmpty())
            return {};
        if (l->wordWrap()) {
            const int h = l->heightForWidth(l->width());
            QRect r = l->contentsRect().translated(w->pos());
            r.setHeight(std::max(h, r.height()));
            return r;
        }
        QString text = l->text();
        text.remove(QLatin1Char('&'));
        return place(l->contentsRect().marginsRemoved(QMargins(l->margin(), l->margin(), l->margin(), l->margin())),
                     int(l->alignment()), text);
    }
    if (auto *c = qobject_cast<QCheckBox *>(w); c || qobject_cast<QRadioButton *>(w)) {
        auto *b = static_cast<QAbstractButton *>(w);
        if (b->text().isEmpty())
            return {};
        const QSize hint = b->sizeHint();
        return QRect(w->pos(), QSize(hint.width(), std::min(hint.height(), w->height())));
    }
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        if (b->text().isEmpty())
            return {};
        QString text = b->text();
        text.remove(QLatin1Char('&'));
        const int width = fm.horizontalAdvance(text) + 8 + (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
        return QRect(w->x() + (w->width() - width) / 2, w->y(), width, w->height());
    }
    if (auto *g = qobject_cast<QGroupBox *>(w)) {
        if (g->title().isEmpty())
            return {};
        return QRect(w->x(), w->y(), fm.horizontalAdvance(g->title()) + 16, fm.height());
    }
    return {};
}

// Captions of the visible controls of window that are cut (wider than their
// control) or run under a visible sibling. The items of a closed list that
// are among translatedItems must fit whichever is chosen.
inline QStringList FitProblems(QWidget *window, const QSet<QString> &translatedItems = {})
{
    QStringList out;
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (!w->isVisibleTo(window) || w->window() != window)
            continue;
        if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
            // Tabs shorter than their row's hint are elided or scrolled behind arrows.
            const QTabBar *bar = tabs->tabBar();
            const bool side = tabs->tabPosition() == QTabWidget::West || tabs->tabPosition() == QTabWidget::East;
            const auto [need, has] = side ? std::pair(bar->sizeHint().height(), bar->height()) : std::pair(bar->sizeHint().width(), bar->width());
            if (need > has + 2)
                out << PathOf(w) + QStringLiteral(": tabs need %1 px, have %2").arg(need).arg(has);
            for (const QToolButton *arrow : bar->findChildren<QToolButton *>())
                if (arrow->isVisibleTo(window))
                    out << PathOf(w) + QStringLiteral(": its tabs show scroll arrows");
            continue;
        }
        if (auto *combo = qobject_cast<QComboBox *>(w)) {
            // Items with words: the chosen one in the closed list, all of
            // them in the opened list.
            static const QRegularExpression words(QStringLiteral("[A-Za-zÀ-ž]{2,}"));
            const QFontMetrics fm(combo->font());
            // The room the style leaves for the chosen item's text, drawn a pixel
            // inside the field and two clear of the arrow; wrapped, the field's height.
            QStyleOptionComboBox option;
            option.initFrom(combo);
            const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
            const int room = field.width() - 4;
            const bool wraps = combo->property("wordWrap").toBool();
            auto need = [&](const QString &text) {
                if (!wraps)
                    return fm.horizontalAdvance(text);
                const QRect box = fm.boundingRect(QRect(0, 0, room, 10000), Qt::TextWordWrap, text);
                return box.height() > field.height() ? std::max(box.width(), room + 1) : box.width();
            };
            if (!combo->isEditable() && combo->currentText().contains(words) && need(combo->currentText()) > room)
                out << PathOf(w) + QStringLiteral(" \"%1\": needs %2 px, has %3")
                                       .arg(combo->currentText()).arg(need(combo->currentText())).arg(room);
            for (int i = 0; i < combo->count() && !combo->isEditable(); ++i)
                if (const QString item = combo->itemText(i); i != combo->currentIndex() && translatedItems.contains(item)
                                                             && need(item) > room)
                    out << PathOf(w) + QStringLiteral(" \"%1\" when chosen: needs %2 px, has %3")
                                           .arg(item).arg(need(item)).arg(room);
            int widest = 0;
            for (int i = 0; i < combo->count(); ++i)
                if (combo->itemText(i).contains(words))
                    widest = std::max(widest, QFontMetrics(combo->view()->font()).horizontalAdvance(combo->itemText(i)));
            if (widest > 0 && widest + 8 > combo->width() - 20) {
                combo->showPopup();
                QCoreApplication::processEvents();
                const int has = combo->view()->viewport()->width();
                combo->hidePopup();
                if (widest + 8 > has)
                    out << PathOf(w) + QStringLiteral(": its opened list needs %1 px, has %2").arg(widest + 8).arg(has);
            }
            continue;
        }
        const QRect caption = CaptionRect(w);
        if (caption.isEmpty())
            continue;
        const QRect own = w->geometry();
        auto describe = [&] {
            if (auto *l = qobject_cast<QLabel *>(w))
                return l->text();
            if (auto *b = qobject_cast<QAbstractButton *>(w))
                return b->text();
            if (auto *g = qobject_cast<QGroupBox *>(w))
                return g->title();
            return QString();
        };
        if (caption.left() < own.left() - 1 || caption.right() > own.right() + 1 || caption.bottom() > own.bottom() + 1)
            out << PathOf(w) + QStringLiteral(" \"%1\": needs %2x%3, has %4x%5")
                                   .arg(describe())
                                   .arg(caption.width()).arg(caption.height()).arg(own.width()).arg(own.height());
        // Parents clip their children: a caption beyond the parent is cut too.
        if (QWidget *parent = w->parentWidget(); parent && !QRect(QPoint(), parent->size()).contains(caption.intersected(own)))
            out << PathOf(w) + QStringLiteral(" \"%1\": outside its parent (%2 px wide)").arg(describe()).arg(parent->width());
        if (!w->parentWidget())
            continue;
        for (QWidget *sibling : w->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (sibling == w || !sibling->isVisibleTo(window) || sibling->isWindow())
                continue;
            // A chart under a caption: the caption keeps off its plot and
            // the axis labels around it.
            if (auto *view = qobject_cast<QGraphicsView *>(sibling); view && view->scene()) {
                for (QGraphicsItem *item : view->scene()->items())
                    if (auto *chart = qobject_cast<QChart *>(item->toGraphicsObject()); chart && !chart->axes().isEmpty()) {
                        const QRectF plot = chart->plotArea();
                        const QFontMetrics fm(chart->font());
                        const QRect busy = view->mapFromScene(chart->mapToScene(plot.adjusted(
                                                                   -(plot.left() - 1), -fm.height() / 2.0,
                                                                   fm.horizontalAdvance(QStringLiteral("0.00")) / 2.0,
                                                                   fm.height() + 4)))
                                               .boundingRect()
                                               .translated(view->pos());
                        if (caption.intersected(own).intersects(busy))
                            out << PathOf(w) + QStringLiteral(" \"%1\": over the axes of %2").arg(describe(), PathOf(sibling));
                    }
                continue;
            }
            // A frame or group that holds the caption's control by design is no neighbour.
            if (sibling->geometry().contains(own))
                continue;
            if (caption.intersected(own).intersects(sibling->geometry()))
                out << PathOf(w) + QStringLiteral(" \"%1\": runs under %2").arg(describe(), PathOf(sibling));
        }
    }
    out.removeDuplicates();
    return out;
}

} // namespace textaudit
