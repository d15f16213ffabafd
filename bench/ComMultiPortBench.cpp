// One request and its answer through the serial port component against the
// simulator paced at 9600 baud: a 4-byte request, a header byte and a 26-byte
// rest, read the way the controller link reads them. The counter
// "over_wire_time" is the time taken over the wire time of the 31 bytes at
// 960 bytes per second (1.0 is the physical limit).
#include "common/BenchSim.h"
#include "core/ComMultiPort.h"
#include "sim/SimServer.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

void BM_RequestAnswerAt9600(benchmark::State &state)
{
    QTemporaryDir tmp;
    const QString portsDir = tmp.filePath(QStringLiteral("ports"));
    qputenv("PORTS_DIR", QFile::encodeName(portsDir));

    sim::SimServer server;
    // A fixed 27-byte answer with its additive checksum, to any 4-byte C0 frame.
    sim::Bytes answer(27);
    answer[0] = 0xD0;
    for (size_t i = 1; i < 26; ++i)
        answer[i] = static_cast<uint8_t>(i * 7);
    answer[26] = sim::sum8(answer, 26);
    server.addHandler({"fixed", 0xC0, [](const sim::Bytes &) { return sim::FrameLength::complete(4); },
                       [answer](const sim::Bytes &) { return answer; }});
    TComMultiPort port;
    if (!bench::OpenPacedPort(state, server, portsDir, port))
        return;

    const uint8_t request[4] = {0xC0, 0x05, 0x05, 0xCA};
    uint8_t head = 0, rest[26];
    int n = 0;
    int64_t failures = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        bool ok = port.WriteData(request, 4, n);
        ok = ok && port.ReadData(&head, 1, n) && head == 0xD0;
        ok = ok && port.ReadData(rest, 26, n) && rest[25] == answer[26];
        port.ReleaseLock();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!ok)
            ++failures;
    }
    const double wire = 31.0 / 960.0;
    state.counters["over_wire_time"] = seconds / static_cast<double>(state.iterations()) / wire;
    state.counters["failures"] = static_cast<double>(failures);
    port.Close();
    server.stop();
    qunsetenv("PORTS_DIR");
}

} // namespace

BENCHMARK(BM_RequestAnswerAt9600)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
