// Loading a large language file: a file of many "[FormMain]" window sections
// (no captions) with component lines and keyed texts, against a window that
// takes every line. The time should grow in proportion to the file size; the
// counter "lines_per_s" makes runs of different sizes comparable.
#include "core/LM.h"
#include "core/Scramble.h"
#include "core/VersionInfo.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class CountingWindows : public TLMWindowTexts
{
public:
    QObject *FindWindow(const QString &name) override
    {
        return name == QLatin1String("FormMain") ? &Window : nullptr;
    }
    void SetWindowCaption(QObject *, const QString &) override { ++Applied; }
    void ApplyComponentLine(QObject *, const QString &, bool, const QString &) override { ++Applied; }

    QObject Window;
    long Applied = 0;
};

void BM_LoadLanguageFile(benchmark::State &state)
{
    const int headers = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Resource"));
    TLM lm;
    lm.SetProgramFolder(dir.path());

    QByteArray text = "FileVersion=" + lm.VerInfo->FileVersion().toLatin1() + "\r\n";
    for (int i = 0; i < headers; ++i) {
        text += "[FormMain]\r\n";
        text += "LblName" + QByteArray::number(i) + "=Etykieta " + QByteArray::number(i) + "\r\n";
        text += "[Strings]\r\nstrKey" + QByteArray::number(i) + "=Tekst\r\n";
    }
    const long lines = 1 + 4L * headers;
    text += TLM::FileEndLine(lines).toLatin1() + "\r\n";
    ScrambleStream(text);
    QFile file(QDir(dir.path()).filePath(QStringLiteral("Resource/_EN.lng")));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        state.SkipWithError("cannot write the language file");
        return;
    }
    file.close();

    auto windows = std::make_unique<CountingWindows>();
    CountingWindows *counting = windows.get();
    lm.SetWindowTexts(std::move(windows));
    for (auto _ : state) {
        if (!lm.LoadLanguageFile(QStringLiteral("EN"))) {
            state.SkipWithError("the language file was refused");
            return;
        }
    }
    if (counting->Applied != static_cast<long>(state.iterations()) * headers)
        state.SkipWithError("not every component line was applied");
    state.counters["lines_per_s"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_LoadLanguageFile)->Arg(4000)->Arg(16000)->Arg(64000)->Unit(benchmark::kMillisecond);

} // namespace
