// The installation card's save of a long memo, over an existing card file
// (read, written, checked for size, saved): the time per memo line
// ("us_per_line") for 7 500 and 75 000 lines, and the fitted order of the
// time in the number of lines (the "BigO" row). A save costs in proportion
// to its lines when us_per_line stays the same for both counts.

#include "core/IniFile.h"
#include "windows/InstallationCard.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

void cardSave(benchmark::State &state)
{
    const int lines = int(state.range(0));
    TInstallationCard card;
    card.SetEdit("EdtMarka", QStringLiteral("Fiat"));
    // Mostly empty lines, as the longest memo a card file can hold has.
    for (int i = 0; i < lines; ++i)
        card.Memo << (i % 20 == 0 ? QStringLiteral("x") : QString());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("card.dkm"));
    std::chrono::steady_clock::duration spent{};
    for (auto _ : state) {
        state.PauseTiming();
        QFile old(file);
        if (!old.open(QIODevice::WriteOnly) || old.write("[Page]\r\nEdtMarka=old\r\n\r\n[Other]\r\nKept=1\r\n") < 0) {
            state.SkipWithError("cannot write the old card");
            return;
        }
        old.close();
        state.ResumeTiming();
        QString error;
        const auto start = std::chrono::steady_clock::now();
        const bool saved = card.Save(file, error);
        spent += std::chrono::steady_clock::now() - start;
        if (!saved) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
    }
    state.counters["us_per_line"] =
        std::chrono::duration<double, std::micro>(spent).count() / (double(state.iterations()) * lines);
    state.SetComplexityN(lines);
}

BENCHMARK(cardSave)->Arg(7500)->Arg(75000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

} // namespace
