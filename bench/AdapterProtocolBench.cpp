// One module request and its answer through the adapter protocol against the
// simulated adapter box paced at 9600 baud: the presence query (5 bytes out,
// 4 back) and a 22-byte information answer (5 bytes out). The counter
// "over_wire_time" is the time taken over the wire time of the bytes
// exchanged at 960 bytes per second (1.0 is the physical limit).
#include "adapter/AdapterProtocol.h"
#include "common/BenchSim.h"
#include "core/ComMultiPort.h"
#include "sim/SimAdapter.h"
#include "sim/SimServer.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

void BM_ModuleRequestAt9600(benchmark::State &state)
{
    const int answerLength = static_cast<int>(state.range(0));
    QTemporaryDir tmp;
    const QString portsDir = tmp.filePath(QStringLiteral("ports"));
    qputenv("PORTS_DIR", QFile::encodeName(portsDir));

    sim::SimServer server;
    sim::SimAdapter box;
    sim::Bytes payload(static_cast<size_t>(answerLength - 2));
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(0x30 + i);
    payload[0] = 0x04;
    box.State.Payload[0x04] = payload;
    box.Install(server);
    TComMultiPort port;
    if (!bench::OpenPacedPort(state, server, portsDir, port))
        return;
    TAdapterProtocol protocol(&port, 4, 0xEE, 0xD2, 0xC2);

    const uint8_t command = answerLength == 4 ? 0x01 : 0x04;
    const uint8_t request[4] = {0xC2, command, command == 0x01 ? uint8_t(0x01) : uint8_t(0xA5), 0};
    std::vector<uint8_t> answer(static_cast<size_t>(answerLength));
    int64_t failures = 0;
    double seconds = 0;
    for (auto _ : state) {
        int written = 0;
        bool isError = false;
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = protocol.Execute(request, written, 4, answer.data(), isError, answerLength);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!ok || isError)
            ++failures;
    }
    const double wire = (5.0 + answerLength) / 960.0;
    state.counters["over_wire_time"] = seconds / static_cast<double>(state.iterations()) / wire;
    state.counters["failures"] = static_cast<double>(failures);
    port.Close();
    server.stop();
    qunsetenv("PORTS_DIR");
}

} // namespace

BENCHMARK(BM_ModuleRequestAt9600)->Arg(4)->Arg(22)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
