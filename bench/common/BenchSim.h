// Set-up shared by the benchmarks that run against the simulator: each helper
// skips the benchmark with the reason when the simulator cannot serve it.
#pragma once

#include "core/ComMultiPort.h"
#include "sim/SimControllerFixture.h"
#include "sim/SimServer.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <exception>
#include <memory>

namespace bench {

// The simulated controller's rig; null when it cannot be set up.
inline std::unique_ptr<sim::SimControllerRig> MakeRig(benchmark::State &state, uint8_t kind, char version)
{
    try {
        return std::make_unique<sim::SimControllerRig>(kind, version);
    } catch (const std::exception &e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
}

// Connects the program to the rig's controller; false when it does not answer.
inline bool ConnectRig(benchmark::State &state, sim::SimControllerRig &rig)
{
    if (rig.Connect())
        return true;
    state.SkipWithError("the simulated controller did not answer");
    return false;
}

// Starts the server paced at 9600 baud as port 1 of the folder and opens the
// program's port on it with the program's settings; false when the server
// does not start.
inline bool OpenPacedPort(benchmark::State &state, sim::SimServer &server, const QString &portsDir,
                          TComMultiPort &port)
{
    server.setPaced(true);
    if (!server.start() || !server.linkAs(portsDir.toStdString(), 1)) {
        state.SkipWithError("simulator did not start");
        return false;
    }
    ApplyProgramPortSettings(port);
    port.SetComDevice(1);
    port.Open();
    return true;
}

} // namespace bench
