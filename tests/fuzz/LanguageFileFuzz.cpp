// The language-file reader: descrambling, the language's code page, the
// version line, keyed texts, and window sections put onto real widgets.
//
// Input: one selector byte, then the stored (scrambled) file. The selector's
// low five bits pick the language (index modulo 18, which picks the code
// page); with its high bit clear, a first line "FileVersion=..." is given the
// program's own version and the file its right end line before it is stored,
// so that mutated files get past the version and end checks; with it set the
// file is stored as it came. A file that loads has one end line only, and,
// cut at one of its line ends (chosen by the input's length), is refused as
// cut short.
#include "fuzz/support/FuzzSupport.h"

#include "core/LM.h"
#include "core/Scramble.h"
#include "core/VersionInfo.h"
#include "core/ui/LMWidgetTexts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

#include <memory>

namespace {

// Two windows that language files name, with one control of each kind the
// widget side handles (components "Label", "Button", "Check", "Combo",
// "Memo", "Group", "Tabs", "Page1", "Page2", "Edit", "Menu", "Action").
std::unique_ptr<QWidget> MakeWindow(const QString &name)
{
    auto window = std::make_unique<QWidget>();
    window->setObjectName(name);
    const auto named = [](QObject *o, const char *n) { o->setObjectName(QLatin1String(n)); };
    named(new QLabel(window.get()), "Label");
    named(new QPushButton(window.get()), "Button");
    named(new QCheckBox(window.get()), "Check");
    named(new QComboBox(window.get()), "Combo");
    named(new QPlainTextEdit(window.get()), "Memo");
    named(new QGroupBox(window.get()), "Group");
    named(new QLineEdit(window.get()), "Edit");
    auto *tabs = new QTabWidget(window.get());
    named(tabs, "Tabs");
    for (const char *page : {"Page1", "Page2"}) {
        auto *w = new QWidget;
        named(w, page);
        tabs->addTab(w, QString());
    }
    auto *bar = new QMenuBar(window.get());
    auto *menu = bar->addMenu(QString());
    named(menu, "Menu");
    named(menu->addAction(QString()), "Action");
    return window;
}

// Gives the stored file's first line the program's version and the file
// its end line (in place of a last line that looks like one).
QByteArray WithProgramVersion(QByteArray stored, const QString &version)
{
    ScrambleStream(stored);
    const QByteArray key = "FileVersion=";
    if (stored.startsWith(key)) {
        qsizetype end = key.size();
        while (end < stored.size() && stored[end] != '\r' && stored[end] != '\n')
            ++end;
        stored.replace(key.size(), end - key.size(), version.toLatin1());
        if (stored.endsWith('\n') || stored.endsWith('\r')) {
            // Lines counted as the reader splits them (the code page keeps
            // CR and LF as they are).
            QStringList lines = TLM::SplitLines(QString::fromLatin1(stored));
            if (!lines.isEmpty() && lines.last().startsWith(QLatin1String("FileEnd="))) {
                lines.removeLast();
                stored.chop(stored.size() - stored.lastIndexOf("FileEnd="));
            }
            stored += TLM::FileEndLine(lines.size()).toLatin1() + "\r\n";
        }
    }
    ScrambleStream(stored);
    return stored;
}

// The stored file cut after its n-th line end (counted round), or empty
// when it has no line end before its last.
QByteArray CutAtALineEnd(QByteArray stored, size_t n)
{
    ScrambleStream(stored);
    QList<qsizetype> ends;
    for (qsizetype i = 0; i + 1 < stored.size(); ++i)
        if (stored[i] == '\n' || (stored[i] == '\r' && stored[i + 1] != '\n'))
            ends << i + 1;
    if (ends.isEmpty())
        return {};
    stored.truncate(ends[qsizetype(n % size_t(ends.size()))]);
    ScrambleStream(stored);
    return stored;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::EnsureWidgetApplication();
    static const QString folder = [] {
        const QString f = fuzz::TempFolder() + QStringLiteral("/program");
        QDir().mkpath(f + QStringLiteral("/Resource"));
        return f;
    }();
    static TLM *lm = [] {
        auto *m = new TLM;
        m->SetProgramFolder(folder);
        m->SetWindowTexts(std::make_unique<TLMWidgetTexts>());
        return m;
    }();
    QStringList messages;
    lm->MessageHook = [&messages](const QString &m) { messages << m; };

    QString code;
    TLM::GetLanguageCode((data[0] & 0x1F) % TLM::LanguageCount, code);
    QByteArray stored = fuzz::Bytes(data + 1, size - 1);
    if (!(data[0] & 0x80))
        stored = WithProgramVersion(stored, lm->VerInfo->FileVersion());
    const QString fileName = QStringLiteral("_") + code + QStringLiteral(".lng");
    FUZZ_CHECK(fuzz::WriteFile(folder + QStringLiteral("/Resource/") + fileName, stored));

    // The windows live as long as the process, as the application does.
    static QWidget *const main = MakeWindow(QStringLiteral("FormMain")).release();
    static QWidget *const about = MakeWindow(QStringLiteral("FormAbout")).release();
    // Lists and memos grow by one line per file line: start each file empty.
    for (QWidget *window : {main, about}) {
        window->findChild<QComboBox *>()->clear();
        window->findChild<QPlainTextEdit *>()->clear();
    }
    const QStringList textsBefore = lm->KeyedTexts();
    const QString languageBefore = lm->Language;

    if (lm->LoadLanguageFile(code)) {
        FUZZ_CHECK(messages.isEmpty());
        FUZZ_CHECK(lm->Language == code);
        for (const QString &line : lm->KeyedTexts()) {
            const QString key = line.section(u'=', 0, 0);
            (void)lm->Translate(key);
            (void)lm->GetHintDetail(key);
        }
        // Its only end line is the last: cut after any line, it cannot look whole.
        QByteArray plain = stored;
        ScrambleStream(plain);
        qsizetype endLines = 0;
        for (const QString &line : TLM::SplitLines(QString::fromLatin1(plain)))
            endLines += line.startsWith(QLatin1String("FileEnd=")) ? 1 : 0;
        FUZZ_CHECK(endLines == 1);
        // The same file cut at a line end is refused and changes nothing.
        const QByteArray cut = CutAtALineEnd(stored, size);
        if (!cut.isEmpty()) {
            FUZZ_CHECK(fuzz::WriteFile(folder + QStringLiteral("/Resource/") + fileName, cut));
            const QStringList textsWhole = lm->KeyedTexts();
            FUZZ_CHECK(!lm->LoadLanguageFile(code));
            FUZZ_CHECK(messages.size() == 1);
            FUZZ_CHECK(lm->KeyedTexts() == textsWhole);
        }
    } else {
        // A refused file is named in the message, and nothing of it is kept.
        FUZZ_CHECK(messages.size() == 1);
        FUZZ_CHECK(messages.first().contains(fileName));
        FUZZ_CHECK(lm->KeyedTexts() == textsBefore);
        FUZZ_CHECK(lm->Language == languageBefore);
    }
    (void)lm->Translate(QStringLiteral("SMsgDlgOK"));
    return 0;
}
