#include "core/ui/Custom.h"

#include "core/FileRead.h"
#include "core/LM.h"
#include "core/Scramble.h"
#include "core/ui/LMWidgetTexts.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QListWidget>
#include <QMenu>
#include <QTableWidget>
#include <QTreeWidget>
#include <QDebug>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QTabWidget>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <libintl.h>

TCustom *Custom = nullptr;

namespace {
struct IgnoredProperty {
    const char *className;
    const char *property;
};

// Texts that are names, formats, styles or the user's data, not designed
// wording; a translation would break them.
constexpr IgnoredProperty IgnoredProperties[] = {
    {"TAction", "Category"},
    {"TControl", "HelpKeyword"},
    {"TControl", "ImeName"},
    {"TNotebook", "Pages"},
    {"TYEdit", "Text"},
    {"TYEdit", "text"},
    {"QObject", "objectName"},
    {"QWidget", "styleSheet"},
    {"QWidget", "windowFilePath"},
    {"QWidget", "windowIconText"},
    {"QAction", "iconText"},
    {"QLineEdit", "text"},
    {"QLineEdit", "inputMask"},
    {"QAbstractSpinBox", "text"},
    {"QDateTimeEdit", "displayFormat"},
    {"QComboBox", "currentText"},
    {"QTextEdit", "html"},
    {"QTextEdit", "markdown"},
    {"QTextEdit", "plainText"},
    {"QTextEdit", "documentTitle"},
    {"QPlainTextEdit", "plainText"},
    {"QPlainTextEdit", "documentTitle"},
};

constexpr const char *IgnoredClasses[] = {"TFont", "TWebBrowser"};

// The dynamic property that marks a control's texts as given, not designed.
constexpr const char *GivenTextsProperty = "givenTexts";

struct CharsetRow {
    const char *code;
    quint8 charset;
};

constexpr CharsetRow LangCharsets[] = {
    {"pl", 238}, {"en", 0}, {"ru", 204}, {"lt", 186}, {"cs", 238}, {"de", 0}, {"it", 0},
    {"tr", 162}, {"hr", 0}, {"fr", 0},   {"nl", 0},   {"es", 0},   {"pt", 0},
};

// The language the process takes from its environment, as gettext does.
QString environmentLanguage()
{
    QString value = qEnvironmentVariable("LANGUAGE").section(u':', 0, 0);
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (!value.isEmpty())
            break;
        value = qEnvironmentVariable(name);
    }
    value = value.section(u'.', 0, 0).section(u'@', 0, 0);
    if (value.isEmpty() || value == QLatin1String("C") || value == QLatin1String("POSIX"))
        return QStringLiteral("en");
    return value;
}

QString baseLanguage(const QString &code)
{
    return code.section(u'_', 0, 0);
}
}

TCustom::TCustom(QObject *parent, const QString &programFolder)
    : QObject(parent), FProgramFolder(programFolder)
{
    setObjectName(QStringLiteral("Custom"));
    if (FProgramFolder.isEmpty())
        FProgramFolder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                      : QDir::currentPath();

    // glibc ignores LANGUAGE under the "C" locale; C.UTF-8 lets it work on a
    // machine that has no other locale.
    const char *messages = std::setlocale(LC_MESSAGES, nullptr);
    if (!messages || std::strcmp(messages, "C") == 0 || std::strcmp(messages, "POSIX") == 0) {
        if (!std::setlocale(LC_MESSAGES, "C.UTF-8"))
            std::setlocale(LC_MESSAGES, "C.utf8");
    }
    bindtextdomain(TextDomain, QFile::encodeName(LocaleFolder()).constData());
    bind_textdomain_codeset(TextDomain, "UTF-8");
    textdomain(TextDomain);

    FLanguage = environmentLanguage();
    if (LM) {
        LM->CatalogLanguageHook = [this](const QString &code) { SetLanguage(code); };
        if (!LM->WindowTexts())
            LM->SetWindowTexts(std::make_unique<TLMWidgetTexts>());
    }
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QCoreApplication::instance()->installEventFilter(this);
    LoadTroubleCodes();
}

bool TCustom::isRegistered(const QWidget *window) const
{
    for (const QPointer<QWidget> &f : FForms)
        if (f == window)
            return true;
    return false;
}

bool TCustom::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->isWindow()) {
        // The program's own windows carry their names; menus, tool tips and
        // list pop-ups are Qt's.
        const Qt::WindowType type = widget->windowType();
        if (!widget->objectName().isEmpty() && type != Qt::Popup && type != Qt::ToolTip
            && !qobject_cast<QMenu *>(widget))
            RegisterForm(widget);
        return false;
    }
    if (!FTexts.contains(widget)) {
        QWidget *window = widget->window();
        if (isRegistered(window))
            translateTree(widget);
    }
    return false;
}

TCustom::~TCustom()
{
    if (LM)
        LM->CatalogLanguageHook = nullptr;
    if (Custom == this)
        Custom = nullptr;
}

QString TCustom::LocaleFolder() const
{
    return QDir(FProgramFolder).filePath(QStringLiteral("Resource/locale"));
}

QList<QWidget *> TCustom::RegisteredForms() const
{
    QList<QWidget *> forms;
    for (const QPointer<QWidget> &f : FForms)
        if (f)
            forms << f.data();
    return forms;
}

bool TCustom::IsSafeLanguageCode(const QString &code)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z]{2,3}(_[A-Za-z0-9]{1,16})?$"));
    return pattern.match(code).hasMatch();
}

QString TCustom::CatalogCode(const QString &code)
{
    const QString base = baseLanguage(code).toLower();
    if (base == QLatin1String("cz"))
        return QStringLiteral("cs");
    if (base == QLatin1String("gr"))
        return QStringLiteral("el");
    return base;
}

quint8 TCustom::LangCharset(const QString &code)
{
    QString base = baseLanguage(code).toLower();
    if (base == QLatin1String("cz"))
        base = QStringLiteral("cs");
    for (const CharsetRow &row : LangCharsets)
        if (base == QLatin1String(row.code))
            return row.charset;
    return 0;
}

bool TCustom::IsIgnoredClass(const QObject *object)
{
    for (const char *name : IgnoredClasses)
        if (object->inherits(name))
            return true;
    return false;
}

bool TCustom::IsIgnoredProperty(const QObject *object, const char *property)
{
    for (const IgnoredProperty &row : IgnoredProperties)
        if (std::strcmp(row.property, property) == 0 && object->inherits(row.className))
            return true;
    return false;
}

QString TCustom::TranslateText(const QString &text)
{
    if (text.isEmpty())
        return text; // the empty msgid names the catalog header
    const QByteArray id = text.toUtf8();
    const char *translated = dgettext(TextDomain, id.constData());
    if (translated == id.constData())
        return text;
    return QString::fromUtf8(translated);
}

QString TCustom::NumbersIn(const QString &text, const QString &code)
{
    const QLocale locale = TLM::NumberLocale(code);
    if (locale.language() == QLocale::C)
        return text;
    const QString point = locale.decimalPoint();
    // A text that is one number and nothing else (a display's "0.00") is a
    // number whichever separator it is written with.
    static const QRegularExpression number(QStringLiteral("^([-+]?\\d+)[.,](\\d+)$"));
    if (const QRegularExpressionMatch m = number.match(text); m.hasMatch())
        return m.captured(1) + point + m.captured(2);
    if (!text.contains(u',') || point == QLatin1String(","))
        return text;
    static const QRegularExpression decimalComma(QStringLiteral("(?<=\\d),(?=\\d)"));
    return QString(text).replace(decimalComma, point);
}

QString TCustom::ShownText(const QString &designed) const
{
    return NumbersIn(TranslateText(designed), FLanguage);
}

void TCustom::SetDesignedText(QObject *object, const char *property, const QString &designed)
{
    if (!object)
        return;
    if (!FTexts.contains(object))
        connect(object, &QObject::destroyed, this, [this](QObject *gone) { forget(gone); });
    const QString shown = ShownText(designed);
    FTexts[object][QByteArray(property)] = Text{designed, shown};
    object->setProperty(property, shown);
}

void ChartNumbersIn(QObject *chart, const QLocale &locale)
{
    // Through the chart's properties: the module that shows windows needs no
    // charts of its own.
    if (!chart || !chart->inherits("QChart"))
        return;
    chart->setProperty("localizeNumbers", true);
    if (chart->property("locale").value<QLocale>() != locale)
        chart->setProperty("locale", QVariant::fromValue(locale));
}

void TCustom::activateCatalog()
{
    // LANGUAGE chooses the catalog; re-binding the domain also makes glibc
    // drop the translations it cached for the previous language.
    const QByteArray language = CatalogCode(FLanguage).toLatin1();
    qputenv("LANGUAGE", language);
    bindtextdomain(TextDomain, QFile::encodeName(LocaleFolder()).constData());
    textdomain(TextDomain);
}

void TCustom::SetLanguage(const QString &code)
{
    if (IsSafeLanguageCode(code) && code != FLanguage) {
        FLanguage = code;
        activateCatalog();
        for (const QPointer<QWidget> &form : std::as_const(FForms))
            if (form)
                translateForm(form);
    }
    LoadTroubleCodes();
}

void TCustom::RegisterForm(QWidget *form)
{
    if (!form)
        return;
    for (const QPointer<QWidget> &f : std::as_const(FForms))
        if (f == form)
            return;
    FForms << form;
    connect(form, &QObject::destroyed, this, [this](QObject *gone) {
        FForms.removeIf([gone](const QPointer<QWidget> &f) { return !f || f.data() == gone; });
    });
    translateForm(form);
}

void TCustom::translateTree(QObject *root)
{
    translateObject(root);
    // A translated text may make a control rebuild its helpers (an editable
    // list's completer): objects gone meanwhile are passed over.
    QList<QPointer<QObject>> children;
    for (QObject *child : root->findChildren<QObject *>())
        children << child;
    for (const QPointer<QObject> &guarded : std::as_const(children)) {
        QObject *child = guarded.data();
        if (!child)
            continue;
        translateObject(child);
        // Charts live in a graphics scene, outside the widget tree: their
        // titles, axis titles and series names, and their numbers.
        if (auto *view = qobject_cast<QGraphicsView *>(child); view && view->scene())
            for (QGraphicsItem *item : view->scene()->items())
                if (QGraphicsObject *g = item->toGraphicsObject(); g && !item->parentItem()) {
                    ChartNumbersIn(g, TLM::NumberLocale(FLanguage));
                    translateObject(g);
                    const QList<QObject *> parts = g->findChildren<QObject *>();
                    for (QObject *part : parts)
                        translateObject(part);
                }
    }
}

void TCustom::translateForm(QWidget *form)
{
    translateTree(form);
    // Its pages docked into other windows.
    for (QWidget *page : TLMWidgetTexts::DockedPagesOf(form))
        translateTree(page);
    // Qt's buttons follow their actions by themselves, and fonts are Unicode:
    // nothing to re-attach and no character set to set after translating.
}

void TCustom::forget(QObject *object)
{
    FTexts.remove(object);
}

void TCustom::translateValue(QObject *object, const QByteArray &slot, const QString &current,
                             const std::function<void(const QString &)> &write)
{
    auto &texts = FTexts[object];
    auto it = texts.find(slot);
    if (it == texts.end())
        it = texts.insert(slot, Text{current, current});
    else if (current != it->translated)
        it->original = current; // changed by the program since: a new designed text
    const QString translated = ShownText(it->original);
    if (translated != current)
        write(translated);
    it->translated = translated;
}

void TCustom::KeepGivenTexts(QObject *object)
{
    if (object)
        object->setProperty(GivenTextsProperty, true);
}

bool TCustom::HoldsGivenTexts(const QObject *object)
{
    return object->property(GivenTextsProperty).toBool();
}

void TCustom::translateObject(QObject *object)
{
    if (IsIgnoredClass(object) || HoldsGivenTexts(object))
        return;
    if (!FTexts.contains(object)) {
        FTexts.insert(object, {});
        connect(object, &QObject::destroyed, this, [this](QObject *gone) { forget(gone); });
    }

    const QMetaObject *meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (p.typeId() != QMetaType::QString || !p.isReadable() || !p.isWritable()
            || IsIgnoredProperty(object, p.name()))
            continue;
        const QString current = p.read(object).toString();
        if (current.isEmpty() && !FTexts.value(object).contains(p.name()))
            continue;
        translateValue(object, QByteArray(p.name()), current,
                       [object, p](const QString &v) { p.write(object, v); });
    }

    // Texts Qt keeps outside properties: tab captions and list items.
    if (auto *tabs = qobject_cast<QTabWidget *>(object)) {
        for (int i = 0; i < tabs->count(); ++i) {
            translateValue(object, "tab:" + QByteArray::number(i), tabs->tabText(i),
                           [tabs, i](const QString &v) { tabs->setTabText(i, v); });
            translateValue(object, "tabtip:" + QByteArray::number(i), tabs->tabToolTip(i),
                           [tabs, i](const QString &v) { tabs->setTabToolTip(i, v); });
        }
    } else if (auto *combo = qobject_cast<QComboBox *>(object)) {
        // An editable list's edit holds what the user typed or the program
        // wrote there: its items follow the language, its edit text stays
        // (Qt writes a changed current item into the edit).
        const bool editable = combo->isEditable();
        const QString edit = editable ? combo->currentText() : QString();
        const bool showsItem = editable && combo->currentIndex() >= 0
                               && edit == combo->itemText(combo->currentIndex());
        for (int i = 0; i < combo->count(); ++i)
            translateValue(object, "item:" + QByteArray::number(i), combo->itemText(i),
                           [combo, i](const QString &v) { combo->setItemText(i, v); });
        if (editable && !showsItem && combo->currentText() != edit)
            combo->setEditText(edit);
    } else if (auto *table = qobject_cast<QTableWidget *>(object)) {
        // Column and row titles.
        for (int i = 0; i < table->columnCount(); ++i)
            if (QTableWidgetItem *item = table->horizontalHeaderItem(i))
                translateValue(object, "column:" + QByteArray::number(i), item->text(),
                               [item](const QString &v) { item->setText(v); });
        for (int i = 0; i < table->rowCount(); ++i)
            if (QTableWidgetItem *item = table->verticalHeaderItem(i))
                translateValue(object, "row:" + QByteArray::number(i), item->text(),
                               [item](const QString &v) { item->setText(v); });
    } else if (auto *tree = qobject_cast<QTreeWidget *>(object)) {
        QTreeWidgetItem *header = tree->headerItem();
        for (int i = 0; header && i < tree->columnCount(); ++i)
            translateValue(object, "column:" + QByteArray::number(i), header->text(i),
                           [header, i](const QString &v) { header->setText(i, v); });
    } else if (auto *list = qobject_cast<QListWidget *>(object)) {
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem *item = list->item(i);
            translateValue(object, "item:" + QByteArray::number(i), item->text(),
                           [item](const QString &v) { item->setText(v); });
        }
    }
}

void TCustom::LoadTroubleCodes()
{
    const QDir resource(QDir(FProgramFolder).filePath(QStringLiteral("Resource")));
    const QString prefix = QStringLiteral("OBD-Codes-");
    const QString language = FLanguage;

    QString fileName;
    QString fileLanguage;
    if (IsSafeLanguageCode(language)) {
        fileName = prefix + language + QStringLiteral(".lng");
        fileLanguage = language;
        if (!language.contains(u'_')) {
            // "EN" also finds "OBD-Codes-en_GB.lng": the first match, sorted
            // without regard to letter case.
            QStringList matches;
            const QStringList all = resource.entryList(QDir::Files | QDir::Hidden | QDir::System);
            for (const QString &name : all)
                if (name.startsWith(prefix + language, Qt::CaseInsensitive)
                    && name.endsWith(QStringLiteral(".lng"), Qt::CaseInsensitive))
                    matches << name;
            std::sort(matches.begin(), matches.end(), [](const QString &a, const QString &b) {
                return a.compare(b, Qt::CaseInsensitive) < 0;
            });
            if (!matches.isEmpty()) {
                fileName = matches.first();
                fileLanguage = fileName.mid(prefix.size());
                fileLanguage.chop(4);
            }
        }
    }
    // A name that stands for anything (a folder or a pipe too) is this
    // language's file, refused below with its reason; only a missing one
    // gives way to the en_GB file.
    if (fileName.isEmpty() || !QFileInfo::exists(resource.filePath(fileName))) {
        fileName = prefix + QStringLiteral("en_GB.lng");
        fileLanguage = QStringLiteral("en_GB");
    }

    const QString path = resource.filePath(fileName);
    FTroubleCodes.clear();
    // Every language switch reloads the file: the user hears of a refusal
    // once.
    const auto refuse = [this, &path](const QString &message) {
        if (FRefusedTroubleCodes == path)
            return;
        FRefusedTroubleCodes = path;
        if (LM && LM->MessageHook)
            LM->MessageHook(message);
        else
            qWarning().noquote() << message;
    };
    // Only a regular file of a trouble-code file's size is read, without
    // waiting on a pipe.
    const TFileRead read = ReadRegularFile(path, MaxTroubleCodeFileSize);
    if (read.Result == TFileRead::Status::NotFound)
        return;
    if (!read.Ok()) {
        refuse(read.Describe(path, MaxTroubleCodeFileSize));
        return;
    }
    QByteArray data = read.Bytes;
    ScrambleStream(data);
    // A stored file unscrambles to lines of text. Control bytes mean it is
    // damaged, or was never scrambled: none of it is used, and the user is told.
    if (HoldsControlBytes(data)) {
        refuse(QStringLiteral("Incorrect file structure: ") + fileName);
        return;
    }
    FRefusedTroubleCodes.clear();
    FTroubleCodes = TLM::SplitLines(TLM::DecodeText(data, LangCharset(fileLanguage)));
}

bool TCustom::HoldsControlBytes(const QByteArray &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 && b != '\t' && b != '\r' && b != '\n';
    });
}

void TCustom::GetObdCodeText(const QString &code, QString &text) const
{
    if (code.size() == 5 && (code.at(1) == u'0' || code.at(1) == u'2' || code.at(1) == u'3')) {
        const QString key = code.toUpper();
        for (const QString &line : FTroubleCodes) {
            if (line.left(5).toUpper() == key) {
                text = key + QStringLiteral(" (") + line.mid(6) + QStringLiteral(")");
                return;
            }
        }
        text = key;
        return;
    }
    text = code;
}
